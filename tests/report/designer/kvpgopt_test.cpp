// The page options dialog: a page's options read into millimetres and
// written back in pixels and tenths, the boxes each choice enables, and
// values it refuses with a message while the dialog stays open and the
// page keeps its options.
#include <gtest/gtest.h>

#include "report/designer/kvpgopt.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/print/kvprntr.h"
#include "tests/report/designer/designer_fixture.h"

namespace report {
namespace {

using testing::EditorTest;
using testing::WhenShown;

class PageOptionsTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    // The layout printer's papers: the engine's table, the custom size last.
    TPrinterSettings *settings = GlobalPrinterSettings();
    saved_printer_ = settings->PrinterIndex();
    settings->SetPrinterIndex(settings->VirtualIndex());
  }
  void TearDown() override {
    GlobalPrinterSettings()->SetPrinterIndex(saved_printer_);
    EditorTest::TearDown();
  }
  TkvReport report{nullptr};
  TkvPage *page = report.Pages().Page(0);

 private:
  int saved_printer_ = 0;
};

TEST_F(PageOptionsTest, OptionsGoToMillimetresAndBackToPixels) {
  page->Margins[0] = 38;
  page->Margins[3] = 57;
  page->ColumnGap = 19;
  page->Columns = 2;
  page->FooterOnLastPage = 0;
  TkvPageOptions o = TkvPageOptions::FromPage(*page);
  EXPECT_EQ(o.PaperCode, 9);
  EXPECT_EQ(o.MarginsMm[0], 10);
  EXPECT_EQ(o.MarginsMm[3], 15);
  EXPECT_EQ(o.ColumnGapMm, 5);
  EXPECT_FALSE(o.FooterOnLastPage);
  EXPECT_TRUE(o.HeaderOnFirstPage);
  EXPECT_FALSE(o.MarginsUnused);

  o.PaperCode = 256;
  o.WidthMm = 100;
  o.HeightMm = 150;
  o.Orientation = 1;
  o.MarginsMm[1] = 20;
  o.MarginsUnused = true;
  o.RepeatTableHeader = true;
  o.ScaleX = 50;
  o.ApplyTo(*page);
  EXPECT_EQ(page->PaperSize, 256);
  EXPECT_EQ(page->PaperWidth, 1000);
  EXPECT_EQ(page->PaperHeight, 1500);
  EXPECT_EQ(page->Orientation, 1);
  EXPECT_EQ(page->Margins[1], 76);
  EXPECT_EQ(page->UseMargins, 0);
  EXPECT_EQ(page->RepeatTableHeader, -1);
  EXPECT_EQ(page->FooterOnLastPage, 0);
  EXPECT_EQ(page->ScaleX, 50);
}

TEST_F(PageOptionsTest, SizeAndMarginBoxesFollowThePaperAndNonUsati) {
  TPgoptForm form(nullptr);
  form.Load(TkvPageOptions::FromPage(*page));
  EXPECT_EQ(form.Caption(), QStringLiteral("Opzioni di pagina"));
  EXPECT_EQ(form.Pages->TabCaptions(), QStringList({"Foglio", "Margini", "Opzioni", "Ingrandimento"}));
  EXPECT_EQ(form.ChosenPaperCode(), 9);
  EXPECT_TRUE(form.Portrait->Checked());
  EXPECT_FALSE(form.WidthEdit->Enabled());
  EXPECT_FALSE(form.HeightLabel->Enabled());
  form.PaperList->UserChose(form.PaperList->Items()->Count() - 1);
  EXPECT_EQ(form.ChosenPaperCode(), 256);
  EXPECT_TRUE(form.WidthEdit->Enabled());
  EXPECT_EQ(form.WidthLabel->Font()->Color(), vcl::clWindowText);

  EXPECT_TRUE(form.MarginEdits[2]->Enabled());
  form.MarginsUnused->SetChecked(true);
  for (int i = 0; i < 4; ++i) {
    EXPECT_FALSE(form.MarginEdits[i]->Enabled());
    EXPECT_EQ(form.MarginEdits[i]->Color(), vcl::clBtnFace);
    EXPECT_EQ(form.MarginLabels[i]->Font()->Color(), vcl::clGrayText);
  }
}

TEST_F(PageOptionsTest, OneBadMarginIsRefusedAndTheOthersStay) {
  page->Margins[0] = 76;  // 20 mm
  WhenShown<TPgoptForm>([this](TPgoptForm *form) {
    form->MarginEdits[0]->SetText(QStringLiteral("25"));
    form->MarginEdits[2]->SetText(QStringLiteral("dieci"));
    form->Buttons.Ok->Click();
    EXPECT_TRUE(form->Visible()) << "the dialog stays open";
    ASSERT_EQ(Messages().size(), 1);
    EXPECT_EQ(Messages().first(), QStringLiteral("Il margine destro deve essere un numero intero da 0 a 1000."));
    EXPECT_EQ(page->Margins[0], 76) << "nothing reached the page yet";
    form->MarginEdits[2]->SetText(QStringLiteral("-3"));
    form->Buttons.Ok->Click();
    EXPECT_EQ(Messages().size(), 2);
    form->MarginEdits[2]->SetText(QStringLiteral("12"));
    form->Buttons.Ok->Click();
  });
  ASSERT_TRUE(EditPageOptions(page));
  EXPECT_EQ(page->Margins[0], 95);
  EXPECT_EQ(page->Margins[1], 38) << "the other margins as they were";
  EXPECT_EQ(page->Margins[2], 45);
}

TEST_F(PageOptionsTest, OtherRefusalsAndCancel) {
  TPgoptForm form(nullptr);
  const TkvPageOptions start = TkvPageOptions::FromPage(*page);
  form.Load(start);
  TkvPageOptions o = start;
  form.ColumnsEdit->SetText(QStringLiteral("0"));
  EXPECT_EQ(form.Store(o), QStringLiteral("Il numero di colonne deve essere un numero intero da 1 a 100."));
  form.ColumnsEdit->SetText(QStringLiteral("3"));
  form.ScaleYEdit->SetText(QStringLiteral("0"));
  EXPECT_FALSE(form.Store(o).isEmpty()) << "a zero scale would make a page no template may hold";
  form.ScaleYEdit->SetText(QStringLiteral("100"));
  form.PaperList->UserChose(form.PaperList->Items()->Count() - 1);
  form.WidthEdit->SetText(QStringLiteral("20000"));
  form.HeightEdit->SetText(QStringLiteral("100"));
  EXPECT_EQ(form.Store(o), QStringLiteral("La larghezza del foglio deve essere un numero intero da 1 a 10000."));
  EXPECT_EQ(o.Columns, start.Columns) << "a refused store changes nothing";
  // Margins not used keep their old value when their box holds nonsense.
  form.WidthEdit->SetText(QStringLiteral("200"));
  form.MarginsUnused->SetChecked(true);
  form.MarginEdits[1]->SetText(QStringLiteral("?"));
  EXPECT_TRUE(form.Store(o).isEmpty());
  EXPECT_EQ(o.MarginsMm[1], start.MarginsMm[1]);
  EXPECT_EQ(o.Columns, 3);
  EXPECT_EQ(o.WidthMm, 200);

  WhenShown<TPgoptForm>([](TPgoptForm *shown) {
    shown->ColumnsEdit->SetText(QStringLiteral("4"));
    shown->Buttons.Cancel->Click();
  });
  EXPECT_FALSE(EditPageOptions(page));
  EXPECT_EQ(page->Columns, 1);
}

}  // namespace
}  // namespace report
