// Shared pieces of the designer's tests: the component tests' report
// ("Elenco", message boxes and file dialogs answered without a window, the
// questions kept, the engine state put back), the application object the
// windows need, an empty clipboard, and objects placed by hand.
#pragma once

#include <QApplication>
#include <memory>

#include "platform/vcl/forms.h"
#include "report/designer/kvdesigner.h"
#include "report/designer/kvdsgnmodel.h"
#include "report/engine/component/kvslots.h"
#include "tests/report/engine/component/report_fixture.h"

namespace report::testing {

// A new designer window on `report` in `form`, shown as the engine's
// current designer (the caller resets both at the end).
inline TKVDesignerForm *ShowDesigner(std::unique_ptr<TKVDesignerForm> &form, TkvReport *report) {
  form = std::make_unique<TKVDesignerForm>(report);
  KvSetCurrentDesigner(form.get());
  form->Show();
  QApplication::processEvents();
  return form.get();
}

class DesignerTest : public ComponentTest {
 protected:
  void SetUp() override {
    vcl::InitApplication();
    ComponentTest::SetUp();
    KvDesignerClipboard().Clear();
  }
  void TearDown() override {
    KvDesignerClipboard().Clear();
    ComponentTest::TearDown();
  }

  TkvPage *Page(int index = 0) { return report->Pages().Page(index); }
  TkvMemoView *Memo(int x, int y, int dx, int dy, int page = 0) {
    TkvMemoView *m = Page(page)->Add<TkvMemoView>(x, y, dx, dy);
    SetMemoText(m, m->Name);
    return m;
  }
  TkvBandView *Band(int type, int y, int dy, int page = 0) { return Page(page)->AddBand(type, y, dy); }
};

}  // namespace report::testing
