// Shared pieces of the designer's tests: a report of a page with objects
// placed by hand, the engine state put back after each test, and message
// boxes and file dialogs answered without a window (the questions asked
// are kept).
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "platform/vcl/dialogs.h"
#include "platform/vcl/forms.h"
#include "report/designer/kvdsgnmodel.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/data/kvdset.h"
#include "report/engine/model/kvglobals.h"

namespace report::testing {

class DesignerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vcl::InitApplication();
    previous_ = vcl::SetDialogResponder([this](vcl::TDialogRequest &request) {
      requests.push_back(request);
      return respond ? respond(request) : vcl::mrOk;
    });
    report = new TkvReport(&owner);
    report->SetName(QStringLiteral("Elenco"));
    report->ProcessMessages = [] {};
    KvDesignerClipboard().Clear();
  }
  void TearDown() override {
    KvDesignerClipboard().Clear();
    vcl::SetDialogResponder(previous_);
  }

  TkvPage *Page(int index = 0) { return report->Pages().Page(index); }
  TkvMemoView *Memo(int x, int y, int dx, int dy, int page = 0) {
    TkvMemoView *m = Page(page)->Add<TkvMemoView>(x, y, dx, dy);
    SetMemoText(m, m->Name);
    return m;
  }
  TkvBandView *Band(int type, int y, int dy, int page = 0) { return Page(page)->AddBand(type, y, dy); }

  // The texts of the message boxes shown, in order.
  QStringList Messages() const {
    QStringList out;
    for (const vcl::TDialogRequest &r : requests)
      if (r.kind == vcl::TDialogKind::Message) out << r.text;
    return out;
  }

  TkvEngineStateGuard engine_;
  vcl::TComponent owner{nullptr};
  TkvReport *report = nullptr;
  std::vector<vcl::TDialogRequest> requests;
  std::function<vcl::TModalResult(vcl::TDialogRequest &)> respond;

 private:
  vcl::TDialogResponder previous_;
};

}  // namespace report::testing
