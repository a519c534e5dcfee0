// Printing finished pages with no printer installed but the PDF one: what
// reaches the file (read back with the poppler tools), copies and collation,
// ranges that print nothing, paper changes within one job, the fonts the
// template names, cancelling, and choosing a printer that cannot be used.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "report/engine/component/kvprogr.h"
#include "report/engine/component/kvslots.h"
#include "tests/report/engine/component/report_fixture.h"
#include "tests/report/engine/pdf_support.h"

namespace {

using namespace report;
using namespace report::testing;

class Printing : public ComponentTest {
 protected:
  void SetUp() override {
    ComponentTest::SetUp();
    ASSERT_TRUE(dir.isValid());
    file = dir.filePath("stampa.pdf");
    printer.PrintTo(file);
  }

  // A report of `pages` pages of four rows each.
  void Pages(int pages) {
    Rows(&owner, "Righe", pages * 4);
    ListPage(report->Pages().Page(0), "Righe", "Riga", 4);
    report->SetShowProgress(false);
    ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
    ASSERT_EQ(report->EMFPages().Count(), pages);
  }

  // The footer of every printed page.
  QStringList PrintedFooters() {
    QStringList out;
    for (const QStringList &page : PdfPages(file)) out << (page.isEmpty() ? QString() : page.last());
    return out;
  }

  QTemporaryDir dir;
  QString file;
  PdfPrinterScope printer;
};

TEST_F(Printing, EachPageReachesThePdfAsTextOnItsOwnPage) {
  ASSERT_NO_FATAL_FAILURE(Pages(3));
  report->SetTitle("Giacenze");
  // No preview in this program: printing needs none.
  ASSERT_FALSE(static_cast<bool>(KvPreviewFormClass()));
  int after = 0;
  report->OnAfterPrint = [&] { ++after; };
  report->PrintPreparedReport(1, 3, 1, false);
  EXPECT_EQ(after, 1);
  const std::vector<QStringList> pages = PdfPages(file);
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(pages[0], QStringList({"Riga 1", "Riga 2", "Riga 3", "Riga 4", "Pagina 1"}));
  EXPECT_EQ(pages[1], QStringList({"Riga 5", "Riga 6", "Riga 7", "Riga 8", "Pagina 2"}));
  EXPECT_EQ(pages[2], QStringList({"Riga 9", "Riga 10", "Riga 11", "Riga 12", "Pagina 3"}));
  EXPECT_EQ(PdfPageSizes(file, 3), QStringList({"595 x 842", "595 x 842", "595 x 842"}));
  EXPECT_TRUE(RunTool("pdfinfo", {file}).contains("Tarvenquill: Giacenze"));
}

TEST_F(Printing, CopiesComePageByPageOrCollated) {
  ASSERT_NO_FATAL_FAILURE(Pages(5));
  std::vector<int> percent;
  report->OnProgress = [&](int n, bool page) {
    if (!page) percent.push_back(n);
  };
  report->PrintPreparedReport(2, 99, 2, false);
  EXPECT_EQ(PrintedFooters(), QStringList({"Pagina 2", "Pagina 2", "Pagina 3", "Pagina 3", "Pagina 4", "Pagina 4",
                                           "Pagina 5", "Pagina 5"}));
  EXPECT_EQ(percent, std::vector<int>({12, 25, 37, 50, 62, 75, 87, 100}));
  report->PrintPreparedReport(2, 99, 2, true);
  EXPECT_EQ(PrintedFooters(), QStringList({"Pagina 2", "Pagina 3", "Pagina 4", "Pagina 5", "Pagina 2", "Pagina 3",
                                           "Pagina 4", "Pagina 5"}));
  EXPECT_EQ(report->PrintFirst(), 2);
  EXPECT_EQ(report->PrintLast(), 99);
  EXPECT_EQ(report->PrintCopies(), 2);
  EXPECT_TRUE(report->PrintCollate());
}

TEST_F(Printing, AnEmptyRangeOrNoCopiesOpensNoJob) {
  ASSERT_NO_FATAL_FAILURE(Pages(2));
  int before = 0;
  report->OnBeforePrint = [&](bool &) { ++before; };
  report->PrintPreparedReport(3, 2, 1, false);
  report->PrintPreparedReport(1, 2, 0, true);
  report->PrintPreparedReport(5, 9, 1, false);
  EXPECT_FALSE(QFile::exists(file));
  // A refusal before printing opens none either.
  report->OnBeforePrint = [](bool &go_on) { go_on = false; };
  report->PrintPreparedReport(1, 2, 1, false);
  EXPECT_FALSE(QFile::exists(file));
  EXPECT_EQ(before, 3);
}

TEST_F(Printing, APaperChangeStaysInTheSameFile) {
  Rows(&owner, "Righe", 2);
  ListPage(report->Pages().Page(0), "Righe", "A4", 10);
  TkvPage *small = report->Pages().AddPage();
  small->PaperSize = 11;  // A5
  small->PaperWidth = 1480;
  small->PaperHeight = 2100;
  small->Orientation = 1;
  ListPage(small, "Righe", "A5", 4);
  TkvPage *again = report->Pages().AddPage();
  ListPage(again, "Righe", "Di nuovo", 10);
  report->SetShowProgress(false);
  ASSERT_TRUE(report->PrepareReport());
  ASSERT_EQ(report->EMFPages().Count(), 3);
  report->PrintPreparedReport(1, 3, 1, false);
  EXPECT_EQ(PdfPageSizes(file, 3), QStringList({"595 x 842", "595 x 420", "595 x 842"}));
  const std::vector<QStringList> pages = PdfPages(file);
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(pages[0].first(), "A4 1");
  EXPECT_EQ(pages[1].first(), "A5 1");
  EXPECT_EQ(pages[2].first(), "Di nuovo 1");
}

TEST_F(Printing, TextIsSetInTheMetricTwinsOfTheTemplatesFonts) {
  TkvPage *page = report->Pages().Page(0);
  page->AddBand(btReportTitle, 40, 120);
  AddMemo(page, 40, 40, 300, 30, "Testo in Arial");
  auto *serif = AddMemo(page, 40, 80, 300, 30, "Testo in Times");
  serif->Font.SetName("Times New Roman");
  auto *mono = AddMemo(page, 40, 120, 300, 30, "Testo in Courier");
  mono->Font.SetName("Courier New");
  report->SetShowProgress(false);
  ASSERT_TRUE(report->PrepareReport());
  report->PrintPreparedReport(1, 1, 1, false);
  const QString fonts = PdfFonts(file);
  EXPECT_TRUE(fonts.contains("LiberationSans")) << fonts.toStdString();
  EXPECT_TRUE(fonts.contains("LiberationSerif")) << fonts.toStdString();
  EXPECT_TRUE(fonts.contains("LiberationMono")) << fonts.toStdString();
  EXPECT_EQ(PdfPages(file)[0], QStringList({"Testo in Arial", "Testo in Times", "Testo in Courier"}));
}

TEST_F(Printing, ACancelAbortsTheJob) {
  ASSERT_NO_FATAL_FAILURE(Pages(4));
  report->SetShowProgress(true);
  report->OnProgress = nullptr;
  int after = 0;
  report->OnAfterPrint = [&] { ++after; };
  QStringList labels;
  report->ProcessMessages = [&] {
    TProgressForm *form = KvSharedProgressForm();
    labels << form->Label()->Caption();
    if (labels.size() == 2) form->CancelButton()->Click();
  };
  report->PrintPreparedReport(1, 4, 1, false);
  EXPECT_EQ(after, 0);
  EXPECT_FALSE(QFile::exists(file));
  EXPECT_EQ(labels.first(), "Pagina in stampa:  1");
  EXPECT_FALSE(KvSharedProgressForm()->Visible());
}

TEST_F(Printing, APrinterThatCannotBeUsedIsReportedAndTheOldOneStays) {
  TPrinterSettings *settings = GlobalPrinterSettings();
  const int before = settings->PrinterIndex();
  EXPECT_FALSE(report->SelectPrinter(before, 99));
  EXPECT_EQ(settings->PrinterIndex(), before);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].text, QString::fromUtf8("La stampante selezionata non è valida"));
  EXPECT_EQ(requests[0].caption, "Errore");
  // The layout printer can always be chosen; the pages take its paper.
  EXPECT_TRUE(report->SelectPrinter(before, settings->VirtualIndex()));
  EXPECT_TRUE(settings->IsVirtual());
  EXPECT_EQ(report->Pages().Page(0)->PrinterGeometry.OffsetLeft96, 18);
  EXPECT_TRUE(report->SelectPrinter(settings->VirtualIndex(), before));
}

}  // namespace
