// Printer settings of the report engine: the virtual printer and its paper
// table, page geometry on the virtual and on a real printer, skipping of
// unchanged papers, and the paper lookup.
#include <gtest/gtest.h>

#include "report/engine/print/kvprntr.h"

using namespace report;

namespace {

vcl::TPrinterDevice Laser() {
  vcl::TPrinterDevice d;
  d.Name = QStringLiteral("Laser del banco");
  d.Driver = QStringLiteral("/usr/lib/drivers/laser5.drv");
  d.Port = QStringLiteral("USB1");
  d.DpiX = 600;
  d.DpiY = 300;
  d.Papers = {{9, QStringLiteral("A4"), 2100, 2970},
              {11, QStringLiteral("A5"), 1480, 2100},
              {256, QStringLiteral("Formato utente"), 0, 0}};
  d.MarginLeft = d.MarginTop = d.MarginRight = d.MarginBottom = 42;
  return d;
}

vcl::TPrinterDevice Ticket() {
  vcl::TPrinterDevice d;
  d.Name = QStringLiteral("Scontrini");
  d.DpiX = d.DpiY = 203;
  d.Papers = {{1, QStringLiteral("Letter"), 2159, 2794}};
  d.DefaultMode.PaperSize = 1;
  return d;
}

}  // namespace

TEST(PrinterSettings, PaperTableHoldsTheDeviceModePapersThenTheCustomSize) {
  const auto &t = PaperSizes();
  for (int i = 0; i < 66; ++i) EXPECT_EQ(t[size_t(i)].Code, i + 1);
  EXPECT_EQ(t[8].Name, QStringLiteral("A4 210 x 297 mm"));
  EXPECT_EQ(t[19].Name, QStringLiteral("#10 Busta, 4 1/8  x 9 1/2\""));
  EXPECT_EQ(t[47].Name, QStringLiteral("Lettera Extra 9 \\ 275 x 12\""));
  EXPECT_EQ(t[65].Width, 3220);
  EXPECT_EQ(t[66].Code, 256);
  EXPECT_EQ(t[66].Name, QStringLiteral("Personalizzato"));
  EXPECT_EQ(t[66].Width, 0);
}

TEST(PrinterSettings, WithoutAPrinterOnlyTheVirtualOneLaysOutA4) {
  TPrinterSettings s;
  s.SetPrinter(nullptr);
  ASSERT_EQ(s.PrinterNames()->Count(), 1);
  EXPECT_EQ(s.PrinterNames()->Get(0), QStringLiteral("Stampante predefinita"));
  EXPECT_EQ(s.VirtualIndex(), 0);
  EXPECT_EQ(s.PaperNames()->Count(), 67);
  EXPECT_EQ(s.PaperNames()->Get(66), QStringLiteral("Personalizzato"));

  s.SetPrinterInfo(9, 0, 0, 0);
  EXPECT_EQ(s.PaperWidth(), 2100);
  EXPECT_EQ(s.PaperHeight(), 2970);
  const TPageGeometry g = s.PageGeometry();
  EXPECT_EQ(g.PhysWidth96, 793);
  EXPECT_EQ(g.PhysHeight96, 1122);
  EXPECT_EQ(g.OffsetLeft96, 18);
  EXPECT_EQ(g.OffsetTop96, 18);
  EXPECT_EQ(g.PrintWidth96, 757);
  EXPECT_EQ(g.PrintHeight96, 1086);
  EXPECT_EQ(g.PhysWidth, 0);

  s.SetPrinterInfo(9, 0, 1, 0);
  EXPECT_EQ(s.PaperWidth(), 2970);
  EXPECT_EQ(s.PaperHeight(), 2100);

  // The custom size keeps what the page asks for.
  s.SetPrinterInfo(256, 1000, 0, 1500);
  EXPECT_EQ(s.PaperWidth(), 1000);
  EXPECT_EQ(s.PageGeometry().PhysHeight96, 566);
  EXPECT_EQ(s.PaperIndex(256), 66);
  EXPECT_EQ(s.PaperIndex(9), 8);
  EXPECT_EQ(s.PaperIndex(300), 66);

  // A custom paper without a size has no printable area, not a negative one.
  s.SetPrinterInfo(256, 0, 0, 0);
  EXPECT_EQ(s.PageGeometry().PrintWidth96, 0);
  EXPECT_EQ(s.PageGeometry().PrintHeight96, 0);
}

TEST(PrinterSettings, RealPrinterGivesDeviceGeometryAndScalesEachAxisByItsResolution) {
  vcl::TPrinter printer({Laser(), Ticket()});
  TPrinterSettings s;
  s.SetPrinter(&printer);
  ASSERT_EQ(s.PrinterNames()->Count(), 4);  // two printers, PDF, virtual
  EXPECT_EQ(s.VirtualIndex(), 3);
  EXPECT_EQ(s.PrinterIndex(), 0);
  EXPECT_EQ(s.Driver(), QStringLiteral("laser5.drv"));
  EXPECT_EQ(s.ResolutionX(), 600);
  EXPECT_EQ(s.ResolutionY(), 300);
  EXPECT_EQ(s.PaperCode(), 9);
  EXPECT_EQ(s.PaperWidth(), 2100);
  EXPECT_EQ(s.PaperHeight(), 2970);
  ASSERT_EQ(s.PaperCount(), 3);
  EXPECT_EQ(s.PaperNames()->Get(1), QStringLiteral("A5"));

  const TPageGeometry g = s.PageGeometry();
  EXPECT_EQ(g.PhysWidth, 4961);
  EXPECT_EQ(g.PhysHeight, 3508);
  EXPECT_EQ(g.OffsetLeft, 99);
  EXPECT_EQ(g.OffsetTop, 50);
  EXPECT_EQ(g.PhysWidth96, 794);
  EXPECT_EQ(g.PhysHeight96, 1123);
  EXPECT_EQ(g.OffsetLeft96, 16);
  EXPECT_EQ(g.OffsetTop96, 16);
  EXPECT_EQ(g.PrintWidth96, std::lround(g.PrintWidth * 96.0 / 600));
  EXPECT_EQ(g.PrintHeight96, std::lround(g.PrintHeight * 96.0 / 300));

  s.SetPrinterInfo(11, 0, 1, 0);
  EXPECT_EQ(printer.DeviceMode().PaperSize, 11);
  EXPECT_EQ(printer.Orientation(), vcl::poLandscape);
  EXPECT_EQ(s.PaperWidth(), 2100);
  EXPECT_EQ(s.PaperHeight(), 1480);

  // A paper the printer lacks goes over as a custom size of the table's
  // dimensions instead of failing.
  s.SetPrinterInfo(8, 0, 0, 0);
  EXPECT_EQ(printer.DeviceMode().PaperSize, 256);
  EXPECT_EQ(s.PaperWidth(), 2970);
  EXPECT_EQ(s.PaperHeight(), 4200);
  EXPECT_EQ(s.PaperIndex(8), 2);
}

TEST(PrinterSettings, AnUnchangedPaperIsNotAppliedAgainUnlessMarkedDirty) {
  vcl::TPrinter printer({Laser()});
  TPrinterSettings s;
  s.SetPrinter(&printer);
  s.SetPrinterInfo(11, 0, 0, 0);
  // Change the platform's paper behind the settings' back: a repeated
  // request does not notice, a dirty one does.
  printer.ResetDeviceMode();
  s.SetPrinterInfo(11, 0, 0, 0);
  EXPECT_EQ(printer.DeviceMode().PaperSize, 9);
  s.MarkPaperDirty();
  s.SetPrinterInfo(11, 0, 0, 0);
  EXPECT_EQ(printer.DeviceMode().PaperSize, 11);

  // For the custom size the size counts too.
  s.SetPrinterInfo(256, 1000, 0, 1000);
  EXPECT_EQ(printer.DeviceMode().PaperWidth, 1000);
  s.SetPrinterInfo(256, 1200, 0, 1000);
  EXPECT_EQ(printer.DeviceMode().PaperWidth, 1200);
}

TEST(PrinterSettings, SwitchingPrintersTakesTheirPapersAndRefusesABadIndex) {
  vcl::TPrinter printer({Laser(), Ticket()});
  TPrinterSettings s;
  s.SetPrinter(&printer);
  s.SetPrinterIndex(1);
  EXPECT_EQ(printer.PrinterIndex(), 1);
  EXPECT_EQ(s.Device(), QStringLiteral("Scontrini"));
  EXPECT_EQ(s.PaperCount(), 1);
  EXPECT_EQ(s.PaperCode(), 1);
  EXPECT_THROW(s.SetPrinterIndex(7), vcl::EPrinter);
  EXPECT_EQ(s.PrinterIndex(), 1);

  s.SetPrinterIndex(s.VirtualIndex());
  EXPECT_TRUE(s.IsVirtual());
  EXPECT_EQ(s.PaperCount(), 67);
  EXPECT_EQ(s.PaperWidth(), 2159);  // the letter paper the ticket printer had
  EXPECT_EQ(s.PageGeometry().OffsetLeft96, 18);
}

TEST(PrinterSettings, GlobalSettingsListThePlatformPrintersThenTheVirtualOne) {
  TPrinterSettings *g = GlobalPrinterSettings();
  ASSERT_EQ(g, GlobalPrinterSettings());
  const int n = g->PrinterNames()->Count();
  ASSERT_GE(n, 2);
  EXPECT_EQ(g->PrinterNames()->Get(n - 1), TPrinterSettings::VirtualPrinterName());
  EXPECT_EQ(g->PrinterNames()->Get(n - 2), QStringLiteral("PDF"));
  EXPECT_EQ(g->VirtualIndex(), n - 1);
  EXPECT_EQ(g->Printer(), vcl::Printer());
}
