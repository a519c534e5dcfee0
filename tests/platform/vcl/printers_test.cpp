// The printer object: the list with its built-in PDF printer, device modes,
// page geometry and print jobs into PDF files.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/vcl/printers.h"

using namespace vcl;

namespace {

TPrinterDevice OfficePrinter() {
  TPrinterDevice d;
  d.Name = QStringLiteral("Ufficio");
  d.Driver = QStringLiteral("laser.drv");
  d.Port = QStringLiteral("LPT1:");
  d.DpiX = 300;
  d.DpiY = 600;
  d.Papers = {{DMPAPER_A4, QStringLiteral("A4"), 2100, 2970}, {DMPAPER_LETTER, QStringLiteral("Letter"), 2159, 2794}};
  d.MarginLeft = 50;
  d.MarginTop = 40;
  d.MarginRight = 50;
  d.MarginBottom = 60;
  return d;
}

int CountPages(const QByteArray &pdf) {
  return int(pdf.count("/Type /Page\n")) + int(pdf.count("/Type /Page\r")) + int(pdf.count("/Type /Page ")) +
         int(pdf.count("/Type /Page>"));
}

}  // namespace

TEST(Printer, PdfPrinterEndsEveryListAndStandsInWhenThereIsNoOther) {
  TPrinter none(std::vector<TPrinterDevice>{});
  ASSERT_EQ(none.Printers()->Count(), 1);
  EXPECT_EQ(none.Printers()->Get(0), "PDF");
  EXPECT_TRUE(none.IsPdfPrinter());
  TPaperSize a4;
  ASSERT_TRUE(TPrinter::StandardPaper(DMPAPER_A4, a4));
  EXPECT_EQ(a4.Width, 2100);
  EXPECT_EQ(a4.Height, 2970);
  EXPECT_EQ(none.Papers().back().Code, DMPAPER_USER);
  EXPECT_EQ(none.DeviceMode().PaperSize, DMPAPER_A4);

  TPrinter two({OfficePrinter()});
  ASSERT_EQ(two.Printers()->Count(), 2);
  EXPECT_EQ(two.Printers()->Get(1), "PDF");
  EXPECT_EQ(two.PrinterIndex(), 0);
  EXPECT_EQ(two.DriverName(), "laser.drv");
  two.SetPrinterIndex(1);
  EXPECT_TRUE(two.IsPdfPrinter());
  EXPECT_THROW(two.SetPrinterIndex(2), EPrinter);
  EXPECT_EQ(two.PrinterIndex(), 1);
  two.SetPrinterIndex(-1);
  EXPECT_EQ(two.PrinterIndex(), 0);
}

TEST(Printer, GeometryFollowsPaperOrientationAndResolutionPerAxis) {
  TPrinter p({OfficePrinter()});
  // A4 at 300 x 600 dpi, borders 5/4/5/6 mm.
  EXPECT_EQ(p.PhysicalWidth(), 2480);
  EXPECT_EQ(p.PhysicalHeight(), 7016);
  EXPECT_EQ(p.PhysicalOffsetX(), 59);
  EXPECT_EQ(p.PhysicalOffsetY(), 94);
  EXPECT_EQ(p.PageWidth(), 2362);
  EXPECT_EQ(p.PageHeight(), 6780);

  p.SetOrientation(poLandscape);
  EXPECT_EQ(p.PaperWidthTenths(), 2970);
  EXPECT_EQ(p.PaperHeightTenths(), 2100);
  EXPECT_EQ(p.PhysicalWidth(), 3508);
  EXPECT_EQ(p.PhysicalHeight(), 4961);
  EXPECT_EQ(p.PhysicalOffsetX(), 47);  // the portrait top border
  EXPECT_EQ(p.PageWidth(), 3390);      // less top and bottom borders

  TPrinterDevice mute = OfficePrinter();
  mute.KnowsPhysicalSize = false;
  TPrinter q({mute});
  EXPECT_EQ(q.PhysicalWidth(), 0);
  EXPECT_EQ(q.PhysicalHeight(), 0);
}

TEST(Printer, DeviceModeRefusesWhatThePrinterCannotDoAndKeepsItsState) {
  TPrinter p({OfficePrinter()});
  TDeviceMode m;
  m.Fields = TDeviceMode::kPaperSize | TDeviceMode::kOrientation;
  m.PaperSize = 8;  // A3: not in this printer's list
  m.Orientation = DMORIENT_LANDSCAPE;
  EXPECT_THROW(p.SetDeviceMode(m), EPrinter);
  EXPECT_EQ(p.DeviceMode().PaperSize, DMPAPER_A4);
  EXPECT_EQ(p.Orientation(), poPortrait);

  m.PaperSize = DMPAPER_LETTER;
  p.SetDeviceMode(m);
  EXPECT_EQ(p.PaperWidthTenths(), 2794);
  p.ResetDeviceMode();
  EXPECT_EQ(p.DeviceMode().PaperSize, DMPAPER_A4);
  EXPECT_EQ(p.Orientation(), poPortrait);

  // The PDF printer takes any custom size, but not one without a size.
  p.SetPrinterIndex(1);
  TDeviceMode custom;
  custom.Fields = TDeviceMode::kPaperSize;
  custom.PaperSize = DMPAPER_USER;
  EXPECT_THROW(p.SetDeviceMode(custom), EPrinter);
  custom.Fields |= TDeviceMode::kPaperWidth | TDeviceMode::kPaperLength;
  custom.PaperWidth = 1000;
  custom.PaperLength = 1500;
  p.SetDeviceMode(custom);
  EXPECT_EQ(p.PaperWidthTenths(), 1000);
  EXPECT_EQ(p.PhysicalHeight(), 3543);
}

TEST(Printer, PdfJobWritesEveryPageAndAbortLeavesNoFile) {
  QTemporaryDir dir;
  TPrinter p(std::vector<TPrinterDevice>{});
  EXPECT_THROW(p.BeginDoc(), EPrinter);  // no file to write
  EXPECT_FALSE(p.Printing());
  EXPECT_THROW(p.NewPage(), EPrinter);
  EXPECT_THROW(p.EndDoc(), EPrinter);

  const QString file = dir.filePath(QStringLiteral("lista.pdf"));
  p.SetOutputFileName(file);
  p.SetTitle(QStringLiteral("Giacenze"));
  p.BeginDoc();
  EXPECT_TRUE(p.Printing());
  EXPECT_EQ(p.PageNumber(), 1);
  EXPECT_THROW(p.BeginDoc(), EPrinter);
  EXPECT_THROW(p.SetPrinterIndex(0), EPrinter);
  p.Canvas()->Font()->SetSize(12);
  p.Canvas()->TextOut(100, 100, QStringLiteral("Pagina uno"));
  p.Canvas()->Rectangle(50, 50, p.PageWidth() - 50, 400);
  p.NewPage();
  EXPECT_EQ(p.PageNumber(), 2);
  p.Canvas()->TextOut(100, 100, QStringLiteral("Pagina due"));
  p.EndDoc();
  EXPECT_FALSE(p.Printing());

  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray pdf = f.readAll();
  EXPECT_TRUE(pdf.startsWith("%PDF"));
  EXPECT_EQ(CountPages(pdf), 2);
  f.close();

  const QString aborted = dir.filePath(QStringLiteral("annullata.pdf"));
  p.SetOutputFileName(aborted);
  p.BeginDoc();
  p.Canvas()->TextOut(0, 0, QStringLiteral("x"));
  p.Abort();
  EXPECT_TRUE(p.Aborted());
  EXPECT_FALSE(p.Printing());
  EXPECT_FALSE(QFile::exists(aborted));
}

TEST(Printer, SpoolerListEndsWithThePdfPrinterAndTheGlobalOneCanBeReplaced) {
  TPrinter spooler;
  ASSERT_GE(spooler.Printers()->Count(), 1);
  EXPECT_EQ(spooler.Printers()->Get(spooler.Printers()->Count() - 1), "PDF");
  EXPECT_GE(spooler.PrinterIndex(), 0);

  std::unique_ptr<TPrinter> old = SetPrinter(std::make_unique<TPrinter>(std::vector<TPrinterDevice>{OfficePrinter()}));
  EXPECT_EQ(Printer()->DeviceName(), "Ufficio");
  std::unique_ptr<TPrinter> mine = SetPrinter(std::move(old));
  EXPECT_EQ(mine->DeviceName(), "Ufficio");
}
