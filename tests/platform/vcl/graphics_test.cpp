// Colours, rectangles and fonts as stored forms and drawing code expect
// them: system colours resolve, names and "$hex" convert both ways, point
// sizes and pixel heights follow the screen's 96 pixels per inch.
#include <gtest/gtest.h>

#include "platform/vcl/graphics.h"

using namespace vcl;

TEST(Colors, SystemColoursResolveAndMarkersStay) {
  EXPECT_EQ(clGrayText, TColor(0x80000011u));
  EXPECT_EQ(clHighlightText, TColor(0x8000000Eu));
  EXPECT_EQ(ColorToRGB(clBtnFace), RGB(0xC0, 0xC0, 0xC0));
  EXPECT_EQ(ColorToRGB(clWindow), clWhite);
  EXPECT_EQ(ColorToRGB(clRed), clRed);
  EXPECT_EQ(ColorToRGB(clNone), clNone);
  EXPECT_FALSE(ColorToQColor(clNone).isValid());
  EXPECT_EQ(ColorToQColor(clRed), QColor(255, 0, 0));  // the low byte is red
  EXPECT_EQ(QColorToColor(QColor(0, 0, 255)), clBlue);
}

TEST(Colors, NamesAndNumbersConvertBothWays) {
  EXPECT_EQ(ColorToString(clBtnFace), QStringLiteral("clBtnFace"));
  EXPECT_EQ(ColorToString(RGB(1, 2, 3)), QStringLiteral("$00030201"));
  EXPECT_EQ(StringToColor(QStringLiteral("clbtnface")), clBtnFace);
  EXPECT_EQ(StringToColor(QStringLiteral("$00030201")), RGB(1, 2, 3));
  EXPECT_EQ(StringToColor(QStringLiteral("$80000011")), clGrayText);
  EXPECT_EQ(StringToColor(QStringLiteral("255")), clRed);
  EXPECT_EQ(StringToColor(QStringLiteral("clLtGray")), clSilver);
  EXPECT_THROW(StringToColor(QStringLiteral("verde")), rtl::EConvertError);
  EXPECT_THROW(StringToColor(QStringLiteral("$1FFFFFFFFF")), rtl::EConvertError);
}

TEST(Rects, HelpersKeepRightAndBottomExclusive) {
  TRect r = Bounds(10, 20, 5, 4);
  EXPECT_EQ(r, Rect(10, 20, 15, 24));
  EXPECT_TRUE(PtInRect(r, Point(10, 20)));
  EXPECT_FALSE(PtInRect(r, Point(15, 21)));
  EXPECT_FALSE(PtInRect(r, Point(12, 24)));
  InflateRect(r, 1, 2);
  EXPECT_EQ(r, Rect(9, 18, 16, 26));
  OffsetRect(r, -9, -18);
  EXPECT_EQ(r, Rect(0, 0, 7, 8));
  TRect both;
  EXPECT_TRUE(IntersectRect(both, Rect(0, 0, 10, 10), Rect(5, 5, 20, 20)));
  EXPECT_EQ(both, Rect(5, 5, 10, 10));
  EXPECT_FALSE(IntersectRect(both, Rect(0, 0, 10, 10), Rect(10, 0, 20, 10)));  // touching only
  EXPECT_TRUE(both.IsEmpty());
  TRect all;
  EXPECT_TRUE(UnionRect(all, Rect(0, 0, 0, 0), Rect(2, 2, 4, 4)));
  EXPECT_EQ(all, Rect(2, 2, 4, 4));
  EXPECT_EQ(FromQRect(ToQRect(Rect(3, 4, 9, 7))), Rect(3, 4, 9, 7));
}

TEST(Fonts, SizeAndHeightFollowTheScreenResolution) {
  TFont f;
  EXPECT_EQ(f.Size(), 8);
  EXPECT_EQ(f.Height(), -11);
  int changes = 0;
  f.OnChange = [&](TGraphicsObject *) { ++changes; };
  f.SetSize(10);
  EXPECT_EQ(f.Height(), -13);
  f.SetHeight(-16);
  EXPECT_EQ(f.Size(), 12);
  f.SetHeight(-16);  // unchanged: no event
  f.SetStyle({fsBold, fsUnderline});
  EXPECT_EQ(changes, 3);
  const QFont q = f.ToQFont();
  EXPECT_EQ(q.pixelSize(), 16);
  EXPECT_TRUE(q.bold());
  EXPECT_TRUE(q.underline());
  EXPECT_FALSE(q.italic());
  TFont copy;
  copy.Assign(&f);
  EXPECT_EQ(copy.Height(), -16);
  EXPECT_EQ(copy.Style(), (TFontStyles{fsBold, fsUnderline}));
  TPen pen;
  EXPECT_THROW(copy.Assign(&pen), rtl::EConvertError);
  // A screen font given to a 600 dpi printer canvas keeps its point size.
  TFont printer;
  printer.SetPixelsPerInch(600);
  printer.Assign(&f);
  EXPECT_EQ(printer.Height(), -100);
  EXPECT_EQ(printer.Size(), 12);
  EXPECT_EQ(printer.PixelsPerInch(), 600);
  // A colour given to a clear brush makes it solid again.
  TBrush b;
  b.SetStyle(bsClear);
  b.SetColor(clRed);
  EXPECT_EQ(b.Style(), bsSolid);
}
