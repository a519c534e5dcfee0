// Fills painted on small bitmaps, the neutral effect settings, and the
// 24-bit pixel routines checked pixel by pixel.
#include <gtest/gtest.h>

#include "controls/styled/qelfill.h"
#include "platform/vcl/typinfo.h"

using namespace qel;

namespace {

vcl::TBitmap *Solid(vcl::TBitmap *b, int w, int h, TColor color, vcl::TPixelFormat format = vcl::pf24bit) {
  b->SetSize(w, h);
  b->SetPixelFormat(format);
  b->Canvas()->Brush()->SetColor(color);
  b->Canvas()->FillRect(vcl::Rect(0, 0, w, h));
  return b;
}

QRgb At(const vcl::TBitmap &b, int x, int y) { return b.Image().pixel(x, y) & 0xFFFFFF; }

}  // namespace

TEST(FillObject, BitmapStylesAndTheInnerArea) {
  vcl::TBitmap target;
  Solid(&target, 8, 8, vcl::clWhite);
  TQELFillObject fill;
  EXPECT_EQ(fill.Style(), sfNone);
  EXPECT_FALSE(fill.Paint(target.Canvas(), vcl::Rect(0, 0, 8, 8), vcl::clRed));
  EXPECT_EQ(fill.GetDisplayText(), QStringLiteral("{Disabled}"));

  // An empty bitmap: the inner area in the colour, and no "painted".
  fill.SetStyle(sfBitmap);
  EXPECT_FALSE(fill.Paint(target.Canvas(), vcl::Rect(0, 0, 8, 8), vcl::clRed));
  EXPECT_EQ(At(target, 7, 7), 0xFF0000u);
  fill.SetOptions({foGrUseBitmap});
  Solid(&target, 8, 8, vcl::clWhite);
  EXPECT_FALSE(fill.Paint(target.Canvas(), vcl::Rect(0, 0, 8, 8), vcl::clRed));
  EXPECT_EQ(At(target, 7, 7), 0xFFFFFFu);

  // Placed unscaled by alignment and offsets.
  fill.SetOptions({foFillInner});
  vcl::TBitmap picture;
  Solid(&picture, 2, 2, vcl::clBlue);
  fill.SetBitmap(&picture);
  fill.SetTileMode(tmNone);
  fill.SetAlignment(agBottomRight);
  fill.SetOffsetX(-1);
  Solid(&target, 8, 8, vcl::clWhite);
  EXPECT_TRUE(fill.Paint(target.Canvas(), vcl::Rect(0, 0, 8, 8), vcl::clLime));
  EXPECT_EQ(At(target, 6, 7), 0x0000FFu);
  EXPECT_EQ(At(target, 5, 6), 0x0000FFu);
  EXPECT_EQ(At(target, 7, 7), 0x00FF00u);
  EXPECT_EQ(At(target, 0, 0), 0x00FF00u);

  // Tiled: the picture repeats over the whole rectangle.
  picture.Canvas()->SetPixel(0, 0, vcl::clYellow);
  fill.SetBitmap(&picture);
  fill.SetTileMode(tmTile);
  EXPECT_TRUE(fill.Paint(target.Canvas(), vcl::Rect(0, 0, 8, 8), vcl::clLime));
  EXPECT_EQ(At(target, 4, 6), 0xFFFF00u);
  EXPECT_EQ(At(target, 5, 7), 0x0000FFu);
  EXPECT_EQ(fill.GetDisplayText(), QStringLiteral("{Bitmap}"));
}

TEST(FillObject, BrushesGradientsAndNotices) {
  vcl::TBitmap target;
  Solid(&target, 6, 6, vcl::clWhite);
  TQELFillObject fill;
  int changes = 0;
  fill.OnChange = [&](rtl::TObject *) { ++changes; };
  // Placement changes matter only to a bitmap placed unscaled.
  fill.SetOffsetX(3);
  fill.SetAlignment(agCenter);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(fill.OffsetX(), 3);

  fill.SetStyle(sfBrush);
  fill.Brush()->SetColor(vcl::clNavy);
  EXPECT_EQ(changes, 2);
  target.Canvas()->Brush()->SetColor(vcl::clOlive);
  EXPECT_TRUE(fill.Paint(target.Canvas(), vcl::Rect(1, 1, 5, 5), vcl::clRed));
  EXPECT_EQ(At(target, 1, 1), 0x000080u);
  EXPECT_EQ(At(target, 5, 5), 0xFFFFFFu);
  // The canvas keeps its own brush.
  EXPECT_EQ(target.Canvas()->Brush()->Color(), vcl::clOlive);

  fill.SetStyle(sfBrushBitmap);
  EXPECT_FALSE(fill.Paint(target.Canvas(), vcl::Rect(0, 0, 6, 6), vcl::clRed));

  fill.SetStyle(sfGradient);
  fill.Gradient()->SetColor(vcl::clBlack);
  fill.Gradient()->SetEndColor(vcl::clWhite);
  fill.Gradient()->SetStyle(gstHorizontal);
  EXPECT_TRUE(fill.Paint(target.Canvas(), vcl::Rect(0, 0, 6, 6), vcl::clRed));
  EXPECT_NE(At(target, 0, 3), At(target, 5, 3));
  EXPECT_EQ(fill.GetDisplayText(), QStringLiteral("{Gradient}"));

  TQELFillObject copy;
  copy.Assign(&fill);
  EXPECT_EQ(copy.Style(), sfGradient);
  EXPECT_EQ(copy.OffsetX(), 3);
  EXPECT_EQ(copy.Brush()->Color(), vcl::clNavy);
}

TEST(Effects, StayNeutral) {
  TQELBitmapEffectObject effect;
  effect.SetGrayScale(true);
  effect.SetFlipVertical(true);
  effect.SetBrightness(40);
  effect.AlphaBlend()->SetStrength(0.5f);
  effect.AlphaBlend()->SetImageIndex(3);
  EXPECT_FALSE(effect.GrayScale());
  EXPECT_FALSE(effect.FlipVertical());
  EXPECT_EQ(effect.Brightness(), 0);
  EXPECT_EQ(effect.AlphaBlend()->Strength(), 0.0f);
  EXPECT_EQ(effect.AlphaBlend()->ImageIndex(), 0);
  EXPECT_FALSE(effect.IsActive());
  EXPECT_EQ(effect.GetDisplayText(), QStringLiteral("{Disabled}"));

  vcl::TBitmap background, result;
  Solid(&background, 3, 3, vcl::clTeal, vcl::pfDevice);
  background.Canvas()->SetPixel(0, 0, vcl::clRed);
  effect.Apply(&background, &result);
  EXPECT_EQ(At(result, 0, 0), 0xFF0000u);
  EXPECT_EQ(At(result, 2, 2), 0x008080u);

  TQELShadow shadow;
  EXPECT_EQ(shadow.Depth(), 6);
  EXPECT_EQ(shadow.Style(), hssSolid);
  EXPECT_EQ(shadow.Color(), vcl::clBtnShadow);
}

TEST(PixelRoutines, FlipsInversionGreyBrightnessAndBlend) {
  vcl::TBitmap b;
  Solid(&b, 2, 2, TColor(0x102030));  // R 0x30, G 0x20, B 0x10
  b.Canvas()->SetPixel(0, 0, vcl::clRed);
  BmpFlipVertical(&b);
  EXPECT_EQ(At(b, 0, 1), 0xFF0000u);
  BmpFlipHorizontal(&b);
  EXPECT_EQ(At(b, 1, 1), 0xFF0000u);
  BmpInvert(&b);
  EXPECT_EQ(At(b, 1, 1), 0x00FFFFu);
  EXPECT_EQ(At(b, 0, 0), 0xCFDFEFu);

  vcl::TBitmap g;
  Solid(&g, 1, 1, TColor(0x0A6432));  // R 50, G 100, B 10
  BmpGrayScale(&g);
  const int grey = 15 + 59 + 1;
  EXPECT_EQ(At(g, 0, 0), QRgb(grey << 16 | grey << 8 | grey));

  vcl::TBitmap br;
  Solid(&br, 1, 1, TColor(0x00F005));  // R 5, G 240, B 0
  BmpBrightness(&br, 20);
  EXPECT_EQ(At(br, 0, 0), QRgb(25 << 16 | 255 << 8 | 20));
  BmpBrightness(&br, -300);
  EXPECT_EQ(At(br, 0, 0), 0u);

  vcl::TBitmap a, c, out;
  Solid(&a, 2, 1, TColor(0xC8C8C8));
  Solid(&c, 2, 1, TColor(0x646464));
  Solid(&out, 2, 1, 0);
  BmpAlphaBlend(&a, &c, &out, 0.25f);
  EXPECT_EQ(At(out, 1, 0), 0x7D7D7Du);  // 100 + 25

  vcl::TBitmap wrong;
  Solid(&wrong, 1, 1, 0, vcl::pf8bit);
  try {
    BmpAlphaBlend(&a, &wrong, &out, 0.5f);
    FAIL();
  } catch (const EQELWrongPixelFormat &e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Wrong PixelFormat in Source 2 bitmap!"));
  }
  EXPECT_THROW(BmpInvert(&wrong), EQELWrongPixelFormat);
}

TEST(FillObject, PublishedDefaultsAreNotStored) {
  TQELFillObject fill;
  const auto &style = vcl::FindPropInfo(&fill, "Style");
  EXPECT_FALSE(vcl::IsStoredProp(&fill, style));
  EXPECT_EQ(vcl::GetEnumProp(&fill, "Style"), QStringLiteral("sfNone"));
  vcl::SetEnumProp(&fill, "Style", QStringLiteral("sfGradient"));
  EXPECT_TRUE(vcl::IsStoredProp(&fill, style));
  EXPECT_EQ(fill.Style(), sfGradient);
  // A plain shape fill brushes by default.
  TQELShapeFill shape;
  EXPECT_EQ(vcl::GetEnumProp(&shape, "Style"), QStringLiteral("sfBrush"));
  EXPECT_EQ(vcl::GetEnumProp(&shape, "TileMode"), QStringLiteral("tmTile"));
  // Neutral effects read back their neutral value through the table too.
  TQELBitmapEffectObject effect;
  vcl::SetOrdProp(&effect, "Invert", 1);
  EXPECT_EQ(vcl::GetOrdProp(&effect, "Invert"), 0);
}
