// Reports built in code for the component's tests: record sources of so many
// rows, memos, a report of a given number of pages each naming its page, and
// message boxes and file dialogs answered without a window.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "platform/vcl/dialogs.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/data/kvdset.h"
#include "report/engine/model/kvglobals.h"

namespace report::testing {

// A record source of `rows` rows that the report numbers itself.
inline TkvDataset *Rows(vcl::TComponent *owner, const QString &name, int rows) {
  auto *source = new TkvDataset(owner);
  source->SetName(name);
  source->SetRangeEnd(reCount);
  source->SetRangeEndCount(rows);
  return source;
}

inline TkvMemoView *AddMemo(TkvPage *page, int x, int y, int dx, int dy, const QString &text) {
  TkvMemoView *memo = page->Add<TkvMemoView>(x, y, dx, dy);
  SetMemoText(memo, text);
  return memo;
}

// Fills a template page with a row band over `source` printing "`label` n"
// and a page footer "Pagina [PAGE#]"; the page holds `rows_per_page` rows.
inline void ListPage(TkvPage *page, const QString &source, const QString &label, int rows_per_page) {
  page->AddBand(btMasterData, 40, 20)->FormatStr = source;
  AddMemo(page, 40, 40, 200, 20, label + QStringLiteral(" [LINE#]"));
  page->AddBand(btPageFooter, 200, 20);
  AddMemo(page, 40, 200, 200, 20, QStringLiteral("Pagina [PAGE#]"));
  // Room for the rows between the top margin and the footer.
  page->Margins[3] = page->HeightPixels() - page->Margins[1] - rows_per_page * 20 - 20;
}

class ComponentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = vcl::SetDialogResponder([this](vcl::TDialogRequest &request) {
      requests.push_back(request);
      return respond ? respond(request) : vcl::mrOk;
    });
    report = new TkvReport(&owner);
    report->SetName(QStringLiteral("Elenco"));
    report->ProcessMessages = [] {};
  }
  void TearDown() override { vcl::SetDialogResponder(previous_); }

  // The texts of every finished page, page by page.
  std::vector<QStringList> PageTexts(TkvReport *r = nullptr) {
    if (r == nullptr) r = report;
    std::vector<QStringList> out;
    for (int i = 0; i < r->EMFPages().Count(); ++i) out.push_back(r->EMFPages().Page(i)->Texts());
    return out;
  }

  // The messages shown, in order.
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
