// The report wizard driven as the user drives it: the datasets of the
// program, the fields moved between the lists, the report it builds (the
// columns' places and the bands), and that report prepared over the stock
// table, read back from the finished pages.
#include <gtest/gtest.h>

#include <QTest>
#include <memory>

#include "dao/vudaotable.h"
#include "platform/vcl/db/fields.h"
#include "platform/vcl/forms.h"
#include "report/designer/kvdsgncmds.h"
#include "report/designer/kvwizard.h"
#include "report/engine/component/kvreport.h"
#include "tests/platform/vcl/db/memdataset.h"
#include "tests/report/designer/report_fixture.h"

namespace report {
namespace {

using testing::WhenShown;

class Wizard : public testing::ReportEditorTest {
 protected:
  void SetUp() override {
    ReportEditorTest::SetUp();
    report->SetShowProgress(false);
  }

  // Each field chosen by itself, in this order.
  static void Choose(TReportWizard *w, const QStringList &fields) {
    for (const QString &field : fields) {
      const int row = w->SrcList->Items()->IndexOf(field);
      ASSERT_GE(row, 0) << field.toStdString();
      for (int i = 0; i < w->SrcList->Count(); ++i) w->SrcList->SetSelected(i, i == row);
      w->IncludeBtn->Click();
    }
  }
  static QStringList Items(const vcl::TListBox *list) {
    QStringList out;
    for (int i = 0; i < list->Count(); ++i) out << list->Items()->Strings(i);
    return out;
  }
  // The page's views of one kind, in page order.
  template <class View>
  std::vector<View *> ViewsOf() const {
    std::vector<View *> out;
    for (const auto &v : report->Pages().Page(0)->Views)
      if (auto *view = dynamic_cast<View *>(v.get())) out.push_back(view);
    return out;
  }
  std::vector<TkvMemoView *> MemosAt(int y) const {
    std::vector<TkvMemoView *> out;
    for (TkvMemoView *m : ViewsOf<TkvMemoView>())
      if (m->y == y) out.push_back(m);
    return out;
  }
};

TEST_F(Wizard, CaptionsAndTheStateAtFirst) {
  TReportWizard wizard(nullptr, report);
  wizard.FormActivate();
  EXPECT_EQ(wizard.Caption(), QStringLiteral("Autocomposizione Report"));
  EXPECT_EQ(wizard.ClientWidth(), 475);
  EXPECT_EQ(wizard.ClientHeight(), 386);
  EXPECT_EQ(wizard.Label1->Caption(), QStringLiteral("Sorgente dei dati"));
  EXPECT_EQ(wizard.Label2->Caption(), QStringLiteral("Titolo del report"));
  EXPECT_EQ(wizard.SrcLabel->Caption(), QStringLiteral("Campi selezionabili"));
  EXPECT_EQ(wizard.DstLabel->Caption(), QStringLiteral("Campi selezionati"));
  EXPECT_EQ(wizard.Options->Caption(), QStringLiteral("Foglio"));
  EXPECT_EQ(wizard.Landscape->Caption(), QStringLiteral("Orizzontale"));
  EXPECT_EQ(wizard.Portrait->Caption(), QStringLiteral("Verticale"));
  EXPECT_EQ(wizard.OKBtn->Caption(), QStringLiteral("&OK"));
  EXPECT_EQ(wizard.CancelBtn->Caption(), QStringLiteral("&Annulla"));
  const std::vector<vcl::TControl *> disabled{wizard.IncludeBtn, wizard.IncAllBtn, wizard.ExcludeBtn, wizard.ExAllBtn,
                                              wizard.OKBtn};
  for (const vcl::TControl *c : disabled) EXPECT_FALSE(c->Enabled());
  EXPECT_TRUE(wizard.Portrait->Checked());
  EXPECT_TRUE(wizard.imgPortrait->Visible());
  EXPECT_FALSE(wizard.imgLandScape->Visible());
  wizard.Landscape->SetChecked(true);
  EXPECT_FALSE(wizard.imgPortrait->Visible());
  EXPECT_TRUE(wizard.imgLandScape->Visible());

  // The program's datasets by owner and name, those of data modules too.
  vcl::TDataModule module(nullptr);
  module.SetName(QStringLiteral("Archivi"));
  auto *other = new testdb::TMemDataSet(&module);
  other->SetName(QStringLiteral("Resi"));
  wizard.FormActivate();
  QStringList names;
  for (int i = 0; i < wizard.ComboBox->Items()->Count(); ++i) names << wizard.ComboBox->Items()->Strings(i);
  EXPECT_EQ(names, QStringList({"Archivi.Resi", "Stampe.Giacenza"}));
}

TEST_F(Wizard, FieldsMoveBetweenTheListsAndBlobFieldsAreNotOffered) {
  vcl::TDataModule module(nullptr);
  module.SetName(QStringLiteral("Archivi"));
  auto *rows = new testdb::TMemDataSet(&module);
  rows->SetName(QStringLiteral("Righe"));
  rows->AddColumn(QStringLiteral("Titolo"), vcl::ftString, 20);
  rows->AddColumn(QStringLiteral("Note"), vcl::ftMemo);
  rows->AddColumn(QStringLiteral("Copertina"), vcl::ftGraphic);
  rows->AddColumn(QStringLiteral("Prezzo"), vcl::ftCurrency);
  rows->AddColumn(QStringLiteral("Copie"), vcl::ftInteger);

  WhenShown<TReportWizard>([this](TReportWizard *w) {
    w->ComboBox->UserChose(w->ComboBox->Items()->IndexOf(QStringLiteral("Archivi.Righe")));
    EXPECT_EQ(Items(w->SrcList), QStringList({"Copie", "Prezzo", "Titolo"}));
    EXPECT_EQ(w->SrcList->ItemIndex(), 0);
    EXPECT_TRUE(w->IncludeBtn->Enabled());
    EXPECT_TRUE(w->IncAllBtn->Enabled());
    EXPECT_FALSE(w->ExcludeBtn->Enabled());
    EXPECT_FALSE(w->OKBtn->Enabled());

    // Two adjacent fields arrive in reverse order.
    w->SrcList->SetSelected(0, true);
    w->SrcList->SetSelected(1, true);
    w->IncludeBtn->Click();
    EXPECT_EQ(Items(w->DstList), QStringList({"Prezzo", "Copie"}));
    EXPECT_EQ(Items(w->SrcList), QStringList({"Titolo"}));
    EXPECT_EQ(TReportWizard::GetFirstSelection(w->SrcList), 0);
    EXPECT_EQ(TReportWizard::GetFirstSelection(w->DstList), -1);
    EXPECT_TRUE(w->OKBtn->Enabled());
    EXPECT_TRUE(w->ExcludeBtn->Enabled());

    // All back: OK stays enabled, and builds the bands without columns.
    w->ExAllBtn->Click();
    EXPECT_EQ(Items(w->SrcList), QStringList({"Copie", "Prezzo", "Titolo"}));
    EXPECT_EQ(w->DstList->Count(), 0);
    EXPECT_FALSE(w->ExcludeBtn->Enabled());
    EXPECT_TRUE(w->OKBtn->Enabled());
    w->IncAllBtn->Click();
    EXPECT_EQ(Items(w->DstList), QStringList({"Copie", "Prezzo", "Titolo"}));
    EXPECT_FALSE(w->IncludeBtn->Enabled());
    w->DstList->SetSelected(1, true);
    w->ExcludeBtn->Click();
    EXPECT_EQ(Items(w->DstList), QStringList({"Copie", "Titolo"}));
    w->ExAllBtn->Click();
    w->RepTitle->SetText(QStringLiteral("Vuoto"));
    w->OKBtn->Click();
  });
  ASSERT_TRUE(RunReportWizard(report));
  EXPECT_EQ(ViewsOf<TkvBandView>().size(), 4u);
  ASSERT_EQ(ViewsOf<TkvMemoView>().size(), 2u);  // the title and the footer
  EXPECT_EQ(MemosAt(54)[0]->Memo[0], QStringLiteral("Vuoto"));

  // A currency field prints through MONEY, a field keeps its alignment.
  WhenShown<TReportWizard>([](TReportWizard *w) {
    w->ComboBox->UserChose(w->ComboBox->Items()->IndexOf(QStringLiteral("Archivi.Righe")));
    Choose(w, {"Titolo", "Prezzo"});
    w->OKBtn->Click();
  });
  ASSERT_TRUE(RunReportWizard(report));
  const std::vector<TkvMemoView *> cells = MemosAt(206);
  ASSERT_EQ(cells.size(), 2u);
  EXPECT_EQ(cells[0]->Memo[0], QStringLiteral("[\"Titolo\"]"));
  EXPECT_EQ(cells[1]->Memo[0], QStringLiteral("[MONEY(\"Prezzo\")]"));
  EXPECT_EQ(cells[1]->GetHorzAlignment(), adRight);
  EXPECT_EQ(cells[0]->GetHorzAlignment(), adLeft);
  EXPECT_FALSE(rows->Active());  // opened for the moment only
}

TEST_F(Wizard, ColumnsAndBandsOfAPortraitList) {
  // Display widths 10, 5 and 5, set on the open table's fields.
  stock->Open();
  stock->FieldByName(QStringLiteral("Testata"))->SetDisplayWidth(10);
  stock->FieldByName(QStringLiteral("Giacenza"))->SetDisplayWidth(5);
  stock->FieldByName(QStringLiteral("Prezzo_V"))->SetDisplayWidth(5);
  stock->FieldByName(QStringLiteral("Giacenza"))->SetDisplayLabel(QStringLiteral("Copie"));
  report->Pages().Page(0)->Add<TkvMemoView>(0, 0, 10, 10);  // the template before

  WhenShown<TReportWizard>([](TReportWizard *w) {
    w->ComboBox->UserChose(w->ComboBox->Items()->IndexOf(QStringLiteral("Stampe.Giacenza")));
    Choose(w, {"Testata", "Giacenza", "Prezzo_V"});
    w->RepTitle->SetText(QStringLiteral("Elenco giacenze"));
    w->OKBtn->Click();
  });
  ASSERT_TRUE(RunReportWizard(report));
  EXPECT_TRUE(stock->Active());  // left as it was
  EXPECT_EQ(report->Title(), QStringLiteral("Elenco giacenze"));
  EXPECT_TRUE(report->DoublePass());

  std::vector<std::pair<int, int>> bands;
  for (const TkvBandView *b : ViewsOf<TkvBandView>()) bands.emplace_back(b->GetBandType(), b->y);
  EXPECT_EQ(bands, (std::vector<std::pair<int, int>>{
                       {btReportTitle, 50}, {btPageHeader, 116}, {btMasterData, 206}, {btPageFooter, 272}}));
  const TkvPage &page = *report->Pages().Page(0);
  EXPECT_EQ(page.Orientation, 0);
  EXPECT_EQ(page.Margins[0], 38);
  EXPECT_EQ(page.Margins[2], 38);  // the page's defaults

  const std::vector<TkvMemoView *> headings = MemosAt(124);
  ASSERT_EQ(headings.size(), 3u);
  std::vector<int> xs, widths;
  for (const TkvMemoView *m : headings) {
    xs.push_back(m->x);
    widths.push_back(m->dx);
  }
  EXPECT_EQ(xs, (std::vector<int>{37, 396, 581}));
  EXPECT_EQ(widths, (std::vector<int>{351, 175, 175}));
  EXPECT_EQ(headings[1]->Memo[0], QStringLiteral("Copie"));
  EXPECT_TRUE(headings[0]->Font.Style().Contains(vcl::fsBold));
  EXPECT_EQ(headings[0]->Font.Color(), vcl::TColor(0x000080));
  EXPECT_EQ(headings[0]->FrameTyp, frBottom);

  const TkvMemoView *title = MemosAt(54).at(0);
  EXPECT_EQ(title->x, 37);
  EXPECT_EQ(title->dx, 719);
  EXPECT_EQ(title->FillColor, vcl::TColor(0x808000));
  EXPECT_EQ(title->GetHorzAlignment(), adCenter);
  const TkvMemoView *footer = MemosAt(281).at(0);
  EXPECT_EQ(footer->Memo[0], QStringLiteral("Pagina [Page#] di [TotalPages]"));
  EXPECT_EQ(footer->GetHorzAlignment(), adRight);
  EXPECT_EQ(footer->FrameWidth, 2);
  EXPECT_EQ(footer->FrameTyp, frTop);
}

TEST_F(Wizard, TheStockListPreparedShowsEveryStockRow) {
  WhenShown<TReportWizard>([](TReportWizard *w) {
    w->ComboBox->UserChose(w->ComboBox->Items()->IndexOf(QStringLiteral("Stampe.Giacenza")));
    Choose(w, {"Testata", "Giacenza", "Barcode18"});
    w->Landscape->SetChecked(true);
    w->RepTitle->SetText(QStringLiteral("Giacenze"));
    w->OKBtn->Click();
  });
  ASSERT_TRUE(RunReportWizard(report));
  const TkvPage &page = *report->Pages().Page(0);
  EXPECT_EQ(page.Orientation, 1);
  EXPECT_EQ(page.Margins[2], 57);
  EXPECT_EQ(MemosAt(54).at(0)->dx, 1028);

  // The rows as the table gives them, walked by itself.
  QStringList expected{"Giacenze", "Testata", "Giacenza", "Barcode18"};
  stock->Open();
  for (stock->First(); !stock->Eof(); stock->Next()) {
    expected << stock->FieldByName(QStringLiteral("Testata"))->AsString()
             << QString::number(stock->FieldByName(QStringLiteral("Giacenza"))->AsFloat())
             << stock->FieldByName(QStringLiteral("Barcode18"))->AsString();
  }
  stock->Close();
  EXPECT_EQ(expected.size(), 4 + 5 * 3);
  expected << QStringLiteral("Pagina 1 di 1");

  ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
  ASSERT_EQ(report->EMFPages().Count(), 1);
  EXPECT_EQ(report->EMFPages().Page(0)->Texts(), expected);
  EXPECT_FALSE(stock->Active());
}

TEST_F(Wizard, ADatasetThatCannotOpenIsShownAndListsNothing) {
  vcl::TDataModule module(nullptr);
  module.SetName(QStringLiteral("Archivi"));
  dao::TVuDaoTable *lost = TableOn(&module, QStringLiteral("Perduta"), QStringLiteral("Inesistente"));
  QStringList shown;
  const auto saved = vcl::Application->ShowExceptionSlot;
  vcl::Application->ShowExceptionSlot = [&shown](const QString &, const QString &text) { shown << text; };

  WhenShown<TReportWizard>([this, lost, &shown](TReportWizard *w) {
    // Chosen with the keyboard, as the user does.
    w->ComboBox->SetFocus();
    QWidget *combo = w->ComboBox->Handle();
    QTest::keyClick(combo, Qt::Key_Down);
    ASSERT_EQ(w->ComboBox->Text(), QStringLiteral("Archivi.Perduta"));
    EXPECT_EQ(shown.size(), 1);
    EXPECT_EQ(w->DataSet(), nullptr);
    EXPECT_EQ(w->SrcList->Count(), 0);
    EXPECT_FALSE(w->IncAllBtn->Enabled());
    EXPECT_FALSE(lost->Active());
    QTest::keyClick(combo, Qt::Key_Down);
    ASSERT_EQ(w->DataSet(), stock);
    Choose(w, {"Testata"});
    // Failing once fields were chosen, the lists of the dataset before go:
    // OK would build on it while the box names another.
    QTest::keyClick(combo, Qt::Key_Up);
    EXPECT_EQ(shown.size(), 2);
    EXPECT_EQ(w->DataSet(), nullptr);
    EXPECT_EQ(w->SrcList->Count() + w->DstList->Count(), 0);
    EXPECT_FALSE(w->ExAllBtn->Enabled());
    QTest::keyClick(combo, Qt::Key_Down);
    Choose(w, {"Barcode18"});
    w->OKBtn->Click();
  });
  const bool built = RunReportWizard(report);
  vcl::Application->ShowExceptionSlot = saved;
  ASSERT_TRUE(built);
  ASSERT_EQ(MemosAt(206).size(), 1u);
  EXPECT_EQ(MemosAt(206)[0]->Memo[0], QStringLiteral("[\"Barcode18\"]"));
}

TEST_F(Wizard, CancelLeavesTheTemplateAndTheDesignersCommandOpensIt) {
  report->Pages().Page(0)->Add<TkvMemoView>(0, 0, 10, 10);
  WhenShown<TReportWizard>([](TReportWizard *w) {
    w->ComboBox->UserChose(w->ComboBox->Items()->IndexOf(QStringLiteral("Stampe.Giacenza")));
    w->IncAllBtn->Click();
    w->CancelBtn->Click();
  });
  EXPECT_FALSE(RunReportWizard(report));
  EXPECT_EQ(report->Pages().Page(0)->Views.size(), 1u);

  KvRegisterEditor(TkvEditor::Wizard, {});
  EXPECT_FALSE(KvCommandEnabled(TkvCommand::NewFromWizard, TkvDesignerStatus()));
  KvInstallDesignerEditors();
  EXPECT_TRUE(KvCommandEnabled(TkvCommand::NewFromWizard, TkvDesignerStatus()));
  WhenShown<TReportWizard>([](TReportWizard *w) {
    w->ComboBox->UserChose(w->ComboBox->Items()->IndexOf(QStringLiteral("Stampe.Giacenza")));
    Choose(w, {"Testata"});
    w->OKBtn->Click();
  });
  TkvEditContext context;
  context.Report = report;
  EXPECT_TRUE(KvOpenEditor(TkvEditor::Wizard, context));
  EXPECT_EQ(MemosAt(124).size(), 1u);
}

}  // namespace
}  // namespace report
