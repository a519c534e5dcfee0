// The drawing routines checked pixel by pixel on small bitmaps against the
// geometry they promise: gradient bands and shapes, 3D text offsets,
// arrows, bevels, shadow frames, borders, glyph layouts, images, disabled
// glyphs, button faces and window placement.
#include <gtest/gtest.h>
#include <QImage>

#include "controls/styled/qelgraph.h"
#include "controls/styled/qelsysinfo.h"
#include "platform/vcl/graphics.h"

using namespace qel;
using vcl::TBitmap;
using vcl::TColor;

namespace {

// A white bitmap of w x h.
std::unique_ptr<TBitmap> White(int w, int h) {
  auto b = std::make_unique<TBitmap>(w, h);
  b->Canvas()->Brush()->SetColor(vcl::clWhite);
  b->Canvas()->FillRect(vcl::Rect(0, 0, w, h));
  return b;
}

TColor Px(TBitmap &b, int x, int y) { return b.Canvas()->Pixel(x, y); }

// The top-left corner of the pixels of exactly `color`; (-1, -1) if none.
vcl::TPoint FirstOf(TBitmap &b, TColor color) {
  const QImage &img = b.Image();
  const QRgb want = vcl::ColorToQColor(vcl::ColorToRGB(color)).rgb() & 0xFFFFFF;
  int minx = -1, miny = -1;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if ((img.pixel(x, y) & 0xFFFFFF) == want) {
        if (minx < 0 || x < minx) minx = x;
        if (miny < 0 || y < miny) miny = y;
      }
  return {minx, miny};
}

// A white bitmap of w x h with the colours filled over `r`.
std::unique_ptr<TBitmap> Filled(int w, int h, const TRect &r, TQELGradientStyle style, const TQELColorList &colors,
                                unsigned flags = 0, unsigned clip_offset = 0) {
  auto b = White(w, h);
  FillGradient(b->Canvas(), r, style, clip_offset, flags, nullptr, colors);
  return b;
}

void BigFont(TBitmap &b, TColor color) {
  b.Canvas()->Font()->SetName("Liberation Sans");
  b.Canvas()->Font()->SetHeight(-40);
  b.Canvas()->Font()->SetStyle({vcl::fsBold});
  b.Canvas()->Font()->SetColor(color);
}

}  // namespace

TEST(QELGradientFill, HorizontalAndVerticalBands) {
  TQELColorList colors;
  BuildGradientColors(vcl::clBlue, vcl::clBlack, 16, true, &colors);
  auto b = White(160, 20);
  DrawGradient(b->Canvas(), vcl::Rect(0, 0, 160, 20), vcl::clBlue, 0, 0, gstHorizontal, 16, vcl::clBlack);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(Px(*b, 10 * i, 5), colors[size_t(i)]) << i;
    EXPECT_EQ(Px(*b, 10 * i + 9, 19), colors[size_t(i)]) << i;
  }
  EXPECT_EQ(Px(*b, 0, 0), vcl::clBlue);

  // The same through an off-screen bitmap, at an offset.
  auto off = White(170, 30);
  DrawGradient(off->Canvas(), vcl::Rect(10, 10, 170, 30), vcl::clBlue, 0, gfOffscreen, gstHorizontal, 16, vcl::clBlack);
  EXPECT_EQ(Px(*off, 10, 10), vcl::clBlue);
  EXPECT_EQ(Px(*off, 9, 10), vcl::clWhite);
  EXPECT_EQ(Px(*off, 169, 29), colors[15]);

  auto v = White(20, 160);
  TQELGradient g;  // blue to black, 16 colours, vertical
  DrawGradient(v->Canvas(), vcl::Rect(0, 0, 20, 160), g);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(Px(*v, 3, 10 * i + 5), g.Colors()[size_t(i)]) << i;

  // Nothing for no colours or an empty rectangle.
  auto n = White(10, 10);
  FillGradient(n->Canvas(), vcl::Rect(0, 0, 10, 10), gstVertical, 0, 0, nullptr, {});
  DrawGradient(n->Canvas(), vcl::Rect(5, 5, 5, 10), vcl::clRed, 0, 0, gstVertical, 4, vcl::clRed);
  EXPECT_EQ(FirstOf(*n, vcl::clRed).X, -1);
  EXPECT_EQ(Px(*n, 0, 0), vcl::clWhite);
}

TEST(QELGradientFill, ShapesPaintLargestFirstAndClip) {
  TQELColorList colors;
  BuildGradientColors(vcl::clRed, vcl::clBlue, 8, true, &colors);
  // Ellipses: the smallest (first colour) in the middle, the largest
  // reaching the corners.
  auto e = Filled(80, 40, vcl::Rect(0, 0, 80, 40), gstElliptic, colors);
  EXPECT_EQ(Px(*e, 40, 20), colors[0]);
  EXPECT_EQ(Px(*e, 1, 1), colors[7]);

  // Square from the centre; it overshoots its rectangle by two pixels
  // unless clipped.
  auto s = Filled(60, 60, vcl::Rect(10, 10, 50, 50), gstSquare, colors);
  EXPECT_EQ(Px(*s, 30, 30), colors[0]);
  EXPECT_EQ(Px(*s, 50, 30), colors[7]);
  auto c = Filled(60, 60, vcl::Rect(10, 10, 50, 50), gstSquare, colors, gfClip);
  EXPECT_EQ(Px(*c, 50, 30), vcl::clWhite);
  EXPECT_EQ(Px(*c, 49, 30), colors[7]);
  // The clipping is given back: later drawing reaches the whole bitmap.
  c->Canvas()->Brush()->SetColor(vcl::clLime);
  c->Canvas()->FillRect(vcl::Rect(55, 55, 60, 60));
  EXPECT_EQ(Px(*c, 57, 57), vcl::clLime);

  // A clip offset moves the clipping rectangle (x low, y high word).
  auto o = Filled(60, 60, vcl::Rect(10, 10, 50, 50), gstVertical, colors, gfClip, (5u << 16) | 5u);
  EXPECT_EQ(Px(*o, 12, 12), vcl::clWhite);
  EXPECT_EQ(Px(*o, 16, 16), colors[1]);  // bands of 5: y 15..19 is the second
  EXPECT_EQ(Px(*o, 16, 49), colors[7]);

  // From the top-left corner: the corner gets the first colour, the far
  // corner the last.
  auto tl = Filled(40, 40, vcl::Rect(0, 0, 40, 40), gstTopLeft, colors);
  EXPECT_EQ(Px(*tl, 0, 0), colors[0]);
  EXPECT_EQ(Px(*tl, 38, 38), colors[7]);
  auto br = Filled(40, 40, vcl::Rect(0, 0, 40, 40), gstBottomRight, colors);
  EXPECT_EQ(Px(*br, 39, 39), colors[0]);
  EXPECT_EQ(Px(*br, 1, 1), colors[7]);
}

TEST(QELText3D, CopiesAreOffsetByTheDepths) {
  TQEL3DCaption caption;
  caption.SetStyle(tdRaised);
  caption.SetLightDepth(2);
  caption.SetLightColor(vcl::clBlue);
  auto b = White(200, 80);
  BigFont(*b, vcl::clRed);
  DrawText3D(b->Canvas(), "HI", &caption, nullptr, dfEnabled, 0, vcl::Rect(10, 10, 200, 80));
  const vcl::TPoint light = FirstOf(*b, vcl::clBlue), text = FirstOf(*b, vcl::clRed);
  ASSERT_GE(light.X, 0);
  ASSERT_GE(text.X, 0);
  EXPECT_EQ(text.X - light.X, 2);
  EXPECT_EQ(text.Y - light.Y, 2);
  // The canvas is left as it was.
  EXPECT_EQ(b->Canvas()->Font()->Color(), vcl::clRed);
  EXPECT_EQ(b->Canvas()->Brush()->Style(), vcl::bsSolid);

  // Sunken: the light copy below-right of the text.
  caption.SetStyle(tdSunken);
  auto s = White(200, 80);
  BigFont(*s, vcl::clRed);
  DrawText3D(s->Canvas(), "HI", &caption, nullptr, dfEnabled, 0, vcl::Rect(10, 10, 200, 80));
  EXPECT_EQ(FirstOf(*s, vcl::clBlue).X - FirstOf(*s, vcl::clRed).X, 2);

  // An extrusion of depth 0 is the text alone.
  caption.SetStyle(tdExtrude);
  caption.SetShadowDepth(0);
  caption.SetShadowColor(vcl::clLime);
  auto x = White(200, 80);
  BigFont(*x, vcl::clRed);
  DrawText3D(x->Canvas(), "HI", &caption, nullptr, dfEnabled, 0, vcl::Rect(10, 10, 200, 80));
  EXPECT_EQ(FirstOf(*x, vcl::clLime).X, -1);
  EXPECT_GE(FirstOf(*x, vcl::clRed).X, 0);
  // Depth 3 towards the bottom-right: three shadow copies, the text last
  // three pixels on.
  caption.SetShadowDepth(3);
  auto x3 = White(200, 80);
  BigFont(*x3, vcl::clRed);
  DrawText3D(x3->Canvas(), "HI", &caption, nullptr, dfEnabled, 0, vcl::Rect(10, 10, 200, 80));
  EXPECT_EQ(FirstOf(*x3, vcl::clRed).X - FirstOf(*x3, vcl::clLime).X, 3);

  // The enhanced extrusion blends from the shadow towards the light: with
  // depth 2 the first copy is half way, the second the shadow itself.
  caption.SetStyle(tdExtrudeEnh);
  caption.SetShadowDepth(2);
  caption.SetShadowColor(vcl::clBlack);
  caption.SetLightColor(vcl::clWhite);
  auto en = White(200, 80);
  BigFont(*en, vcl::clRed);
  DrawText3D(en->Canvas(), "HI", &caption, nullptr, dfEnabled, 0, vcl::Rect(10, 10, 200, 80));
  EXPECT_EQ(FirstOf(*en, vcl::clBlack).X - FirstOf(*en, vcl::RGB(128, 128, 128)).X, 1);
  EXPECT_EQ(FirstOf(*en, vcl::clRed).X - FirstOf(*en, vcl::clBlack).X, 1);
  caption.SetLightColor(vcl::clBlue);

  // An outline shows only the stroke: the middle of a thick stem stays
  // empty.
  caption.SetStyle(tdOutline);
  caption.SetShadowDepth(2);
  auto ol = White(200, 80);
  BigFont(*ol, vcl::clRed);
  ol->Canvas()->Font()->SetHeight(-60);
  DrawText3D(ol->Canvas(), "I", &caption, nullptr, dfEnabled, vcl::DT_CENTER, vcl::Rect(0, 0, 200, 80));
  const vcl::TPoint stroke = FirstOf(*ol, vcl::clRed);
  ASSERT_GE(stroke.X, 80);  // centred
  EXPECT_EQ(Px(*ol, stroke.X + 5, 40), vcl::clWhite);

  // Disabled text is grey; with the automatic look it is sunken.
  caption.SetStyle(tdNone);
  auto d = White(200, 80);
  BigFont(*d, vcl::clRed);
  DrawText3D(d->Canvas(), "HI", &caption, nullptr, 0, 0, vcl::Rect(10, 10, 200, 80));
  EXPECT_EQ(FirstOf(*d, vcl::clRed).X, -1);
  EXPECT_GE(FirstOf(*d, vcl::clGrayText).X, 0);
  EXPECT_EQ(FirstOf(*d, vcl::clBlue).X, -1);
  auto a = White(200, 80);
  BigFont(*a, vcl::clRed);
  DrawText3D(a->Canvas(), "HI", &caption, nullptr, dfAutoDisabled, 0, vcl::Rect(10, 10, 200, 80));
  EXPECT_EQ(FirstOf(*a, vcl::clBlue).X - FirstOf(*a, vcl::clGrayText).X, 2);

  // A rotated caption's position moves the text.
  TQELFxCaption fx;
  fx.SetPosition(20, 5);
  auto p = White(200, 80);
  BigFont(*p, vcl::clRed);
  DrawText3D(p->Canvas(), "HI", &fx, nullptr, dfEnabled, 0, vcl::Rect(0, 0, 200, 80));
  auto q = White(200, 80);
  BigFont(*q, vcl::clRed);
  DrawText3D(q->Canvas(), "HI", nullptr, nullptr, dfEnabled, 0, vcl::Rect(0, 0, 200, 80));
  EXPECT_EQ(FirstOf(*p, vcl::clRed).X - FirstOf(*q, vcl::clRed).X, 20);
  EXPECT_EQ(FirstOf(*p, vcl::clRed).Y - FirstOf(*q, vcl::clRed).Y, 5);
  // Spaced-out text is wider by the spacing of each character.
  fx.SetPosition(0, 0);
  fx.SetTracing(10);
  auto t = White(300, 80);
  BigFont(*t, vcl::clRed);
  DrawText3D(t->Canvas(), "II", &fx, nullptr, dfEnabled, 0, vcl::Rect(0, 0, 300, 80));
  auto u = White(300, 80);
  BigFont(*u, vcl::clRed);
  DrawText3D(u->Canvas(), "II", nullptr, nullptr, dfEnabled, 0, vcl::Rect(0, 0, 300, 80));
  auto last_x = [](TBitmap &bm) {
    const QImage &img = bm.Image();
    int m = -1;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x)
        if ((img.pixel(x, y) & 0xFFFFFF) == 0xFF0000) m = std::max(m, x);
    return m;
  };
  EXPECT_EQ(last_x(*t) - last_x(*u), 10);
  // Turned a quarter: the text runs upwards, and the layout measures it
  // turned.
  TQELFxCaption turned;
  turned.SetAngle(90);
  auto rt = White(120, 200);
  BigFont(*rt, vcl::clRed);
  DrawText3D(rt->Canvas(), "HIHI", &turned, nullptr, dfEnabled, 0, vcl::Rect(20, 180, 120, 200));
  int minx = 1000, maxx = -1, miny = 1000, maxy = -1;
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 120; ++x)
      if (Px(*rt, x, y) == vcl::clRed) {
        minx = std::min(minx, x), maxx = std::max(maxx, x);
        miny = std::min(miny, y), maxy = std::max(maxy, y);
      }
  ASSERT_GE(maxx, 0);
  EXPECT_GT(maxy - miny, 2 * (maxx - minx));
  EXPECT_LE(maxy, 181);
  TQELGlyphTextLayout layout;
  const TQELGlyphTextResult flat = DrawGlyphText(rt->Canvas(), "HIHI", nullptr, dfMeasureOnly, 0, &layout, nullptr,
                                                 nullptr, vcl::Rect(0, 0, 300, 300));
  const TQELGlyphTextResult up = DrawGlyphText(rt->Canvas(), "HIHI", &turned, dfMeasureOnly, 0, &layout, nullptr,
                                               nullptr, vcl::Rect(0, 0, 300, 300));
  EXPECT_EQ(up.TextRect.Width(), flat.TextRect.Height());
  EXPECT_EQ(up.TextRect.Height(), flat.TextRect.Width());

  // Accelerator marks are not drawn in spaced-out text either.
  auto m = White(300, 80);
  BigFont(*m, vcl::clRed);
  DrawText3D(m->Canvas(), "&II", &fx, nullptr, dfEnabled, 0, vcl::Rect(0, 0, 300, 80));
  EXPECT_EQ(last_x(*m), last_x(*t));
}

TEST(QELFrames, ArrowsBevelsShadowsAndBorders) {
  auto b = White(40, 20);
  DrawArrow(b->Canvas(), 0, 0, true, 1, vcl::clRed, 1);
  DrawArrow(b->Canvas(), 0, 0, true, 1, vcl::clRed, 16);
  EXPECT_EQ(FirstOf(*b, vcl::clRed).X, -1);
  DrawArrow(b->Canvas(), 2, 3, true, 1, vcl::clRed, 3);
  for (int x = 2; x < 7; ++x) EXPECT_EQ(Px(*b, x, 3), vcl::clRed) << x;
  EXPECT_EQ(Px(*b, 7, 3), vcl::clWhite);
  EXPECT_EQ(Px(*b, 2, 4), vcl::clWhite);
  for (int x = 3; x < 6; ++x) EXPECT_EQ(Px(*b, x, 4), vcl::clRed) << x;
  EXPECT_EQ(Px(*b, 4, 5), vcl::clRed);
  EXPECT_EQ(Px(*b, 3, 5), vcl::clWhite);
  // Upward: widening lines around the centre.
  DrawArrow(b->Canvas(), 20, 0, true, 0, vcl::clBlue, 3);
  EXPECT_EQ(Px(*b, 21, 0), vcl::clBlue);
  EXPECT_EQ(Px(*b, 20, 0), vcl::clWhite);
  EXPECT_EQ(Px(*b, 20, 1), vcl::clBlue);
  EXPECT_EQ(Px(*b, 22, 1), vcl::clBlue);
  // Disabled: a highlight copy one pixel below-right, grey on top.
  auto d = White(20, 20);
  DrawArrow(d->Canvas(), 0, 0, false, 1, vcl::clRed, 3);
  EXPECT_EQ(Px(*d, 0, 0), vcl::ColorToRGB(vcl::clGrayText));
  EXPECT_EQ(Px(*d, 5, 1), vcl::ColorToRGB(vcl::clHighlightText));

  // One-pixel bevel: light top-left, dark bottom-right.
  auto v = White(10, 10);
  TRect r = vcl::Rect(0, 0, 10, 10);
  EXPECT_TRUE(DrawBevel(v->Canvas(), r, bvRaised, 1, vcl::clRed, vcl::clBlue));
  EXPECT_EQ(r, vcl::Rect(1, 1, 9, 9));
  EXPECT_EQ(Px(*v, 5, 0), vcl::clBlue);
  EXPECT_EQ(Px(*v, 0, 5), vcl::clBlue);
  EXPECT_EQ(Px(*v, 9, 5), vcl::clRed);
  EXPECT_EQ(Px(*v, 5, 9), vcl::clRed);
  EXPECT_EQ(Px(*v, 5, 5), vcl::clWhite);
  r = vcl::Rect(0, 0, 10, 10);
  DrawBevel(v->Canvas(), r, bvLowered, 1, vcl::clRed, vcl::clBlue);
  EXPECT_EQ(Px(*v, 5, 0), vcl::clRed);
  EXPECT_EQ(Px(*v, 9, 5), vcl::clBlue);
  // Wide bevel: two bands.
  auto w = White(20, 20);
  r = vcl::Rect(0, 0, 20, 20);
  EXPECT_TRUE(DrawBevel(w->Canvas(), r, bvRaised, 3, vcl::clRed, vcl::clBlue));
  EXPECT_EQ(r, vcl::Rect(3, 3, 17, 17));
  EXPECT_EQ(Px(*w, 10, 1), vcl::clBlue);
  EXPECT_EQ(Px(*w, 1, 10), vcl::clBlue);
  EXPECT_EQ(Px(*w, 10, 18), vcl::clRed);
  EXPECT_EQ(Px(*w, 18, 10), vcl::clRed);
  EXPECT_EQ(Px(*w, 10, 10), vcl::clWhite);
  // Framed bevel.
  auto f = White(20, 20);
  r = vcl::Rect(0, 0, 20, 20);
  EXPECT_TRUE(DrawBevel(f->Canvas(), r, bvFrameRaised, 1, vcl::clRed, vcl::clBlue));
  EXPECT_EQ(r, vcl::Rect(2, 2, 18, 18));
  EXPECT_EQ(Px(*f, 0, 0), vcl::clBlue);
  EXPECT_EQ(Px(*f, 19, 19), vcl::clRed);
  EXPECT_EQ(Px(*f, 1, 10), vcl::clRed);
  // Styles that draw nothing.
  r = vcl::Rect(0, 0, 20, 20);
  EXPECT_FALSE(DrawBevel(f->Canvas(), r, bvNone, 2, vcl::clRed, vcl::clBlue));
  EXPECT_FALSE(DrawBevel(f->Canvas(), r, bvShadow, 2, vcl::clRed, vcl::clBlue));
  EXPECT_FALSE(DrawBevel(f->Canvas(), r, bvRaised, 0, vcl::clRed, vcl::clBlue));
  EXPECT_EQ(r, vcl::Rect(0, 0, 20, 20));

  // Shadow frame.
  auto s = White(20, 20);
  r = vcl::Rect(0, 0, 20, 20);
  DrawShadowFrame(s->Canvas(), r, vcl::clRed, false, 1, 3, vcl::clLime, vcl::clBlack);
  EXPECT_EQ(r, vcl::Rect(1, 1, 16, 16));
  EXPECT_EQ(Px(*s, 19, 10), vcl::clBlack);
  EXPECT_EQ(Px(*s, 10, 19), vcl::clBlack);
  EXPECT_EQ(Px(*s, 19, 1), vcl::clLime);
  EXPECT_EQ(Px(*s, 1, 19), vcl::clLime);
  EXPECT_EQ(Px(*s, 0, 0), vcl::clRed);
  EXPECT_EQ(Px(*s, 16, 16), vcl::clRed);
  EXPECT_EQ(Px(*s, 8, 8), vcl::clWhite);

  // Every border but none draws and takes the rectangle in.
  for (int style = lsNone; style <= lsDoubleLowered; ++style) {
    auto bb = White(20, 20);
    r = vcl::Rect(0, 0, 20, 20);
    DrawBorder(bb->Canvas(), r, TQELBorderStyle(style));
    if (style == lsNone) {
      EXPECT_EQ(r, vcl::Rect(0, 0, 20, 20));
      EXPECT_EQ(Px(*bb, 0, 0), vcl::clWhite);
      continue;
    }
    EXPECT_GE(r.Left, 1) << style;
    // The single border's bottom-right edge does not adjust.
    if (style != lsSingle) {
      EXPECT_LE(r.Bottom, 19) << style;
    }
    // Raised edges are white on the lit side: look at both.
    EXPECT_TRUE(Px(*bb, 0, 10) != vcl::clWhite || Px(*bb, 19, 10) != vcl::clWhite) << style;
  }
  EXPECT_EQ(BorderWidth(lsNone), 0);
  EXPECT_EQ(BorderWidth(lsSingleLowered), 1);
  EXPECT_EQ(BorderWidth(lsRaisedExt), 2);
  auto ext = White(20, 20);
  r = vcl::Rect(0, 0, 20, 20);
  DrawBorder(ext->Canvas(), r, lsRaisedExt);
  EXPECT_EQ(r, vcl::Rect(2, 2, 18, 18));
}

TEST(QELLayout, AlignmentAndGlyphTextPlacement) {
  const TRect outer = vcl::Rect(0, 0, 100, 50);
  const TRect inner = vcl::Rect(0, 0, 20, 10);
  EXPECT_EQ(AlignRect(agTopLeft, inner, outer), vcl::Rect(0, 0, 20, 10));
  EXPECT_EQ(AlignRect(agCenter, inner, outer), vcl::Rect(40, 20, 60, 30));
  EXPECT_EQ(AlignRect(agBottomRight, inner, outer), vcl::Rect(80, 40, 100, 50));
  EXPECT_EQ(AlignRect(agCenterRight, inner, outer), vcl::Rect(80, 20, 100, 30));
  EXPECT_EQ(AlignRect(agBottomCenter, inner, outer), vcl::Rect(40, 40, 60, 50));
  // Odd room rounds towards the top-left; a larger inner part sticks out
  // evenly.
  EXPECT_EQ(AlignRect(agCenter, vcl::Rect(0, 0, 21, 11), outer), vcl::Rect(39, 19, 60, 30));
  EXPECT_EQ(AlignRect(agCenter, vcl::Rect(0, 0, 120, 50), outer), vcl::Rect(-10, 0, 110, 50));
  EXPECT_EQ(AlignmentTextFlags(agBottomRight), 10u);
  EXPECT_EQ(AlignmentTextFlags(agCenter), 5u);

  auto canvas_owner = White(100, 50);
  vcl::TCanvas *c = canvas_owner->Canvas();
  TBitmap glyph(16, 16);
  TQELGlyphTextLayout layout;
  layout.SetAlignment(agCenter);
  TQELGlyphTextResult g = DrawGlyphText(c, "", nullptr, dfMeasureOnly, 0, &layout, &glyph, nullptr, outer);
  EXPECT_EQ(g.GlyphRect, vcl::Rect(42, 17, 58, 33));
  // Measuring focuses the union, one pixel larger.
  EXPECT_EQ(g.FocusRect, vcl::Rect(41, 16, 59, 34));

  // Glyph left of the text, spacing between, text one pixel in.
  layout.SetSpacing(4);
  g = DrawGlyphText(c, "Testo", nullptr, dfMeasureOnly, 0, &layout, &glyph, nullptr, outer);
  EXPECT_EQ(g.TextRect.Left, g.GlyphRect.Right + 4 + 1);
  EXPECT_EQ(g.UnionRect.Left, g.GlyphRect.Left);
  // Text below the glyph.
  layout.SetAlignText2Glyph(taBottom);
  g = DrawGlyphText(c, "Testo", nullptr, dfMeasureOnly, 0, &layout, &glyph, nullptr, outer);
  EXPECT_EQ(g.TextRect.Top, g.GlyphRect.Bottom + 4 + 1);
  // Text left of the glyph, and above it.
  layout.SetAlignText2Glyph(taLeft);
  g = DrawGlyphText(c, "Testo", nullptr, dfMeasureOnly, 0, &layout, &glyph, nullptr, outer);
  EXPECT_EQ(g.GlyphRect.Left, g.TextRect.Right - 1 + 4);
  layout.SetAlignText2Glyph(taTopLeft);
  g = DrawGlyphText(c, "Testo", nullptr, dfMeasureOnly, 0, &layout, &glyph, nullptr, outer);
  EXPECT_EQ(g.GlyphRect.Top, g.TextRect.Bottom - 1 + 4);
  EXPECT_EQ(g.GlyphRect.Left, g.TextRect.Left - 1);  // aligned on the left
  layout.SetAlignText2Glyph(taBottom);
  g = DrawGlyphText(c, "Testo", nullptr, dfMeasureOnly, 0, &layout, &glyph, nullptr, outer);
  // Offsets move both.
  layout.SetOffsetX(3);
  const TQELGlyphTextResult moved =
      DrawGlyphText(c, "Testo", nullptr, dfMeasureOnly, 0, &layout, &glyph, nullptr, outer);
  EXPECT_EQ(moved.GlyphRect.Left, g.GlyphRect.Left + 3);
  EXPECT_EQ(moved.TextRect.Left, g.TextRect.Left + 3);
  // No focus flag: the rectangle deflated by one.
  g = DrawGlyphText(c, "Testo", nullptr, 0, 0, &layout, nullptr, nullptr, outer);
  EXPECT_EQ(g.FocusRect, vcl::Rect(1, 1, 99, 49));
  g = DrawGlyphText(c, "Testo", nullptr, dfFocusText, 0, &layout, nullptr, nullptr, outer);
  TRect expected = g.TextRect;
  vcl::InflateRect(expected, 1, 1);
  EXPECT_EQ(g.FocusRect, expected);

  // The arrow's room widens the glyph.
  TQELButtonLayout button;
  button.SetArrow(true);
  button.SetArrowPosition(apRightGlyph);
  g = DrawGlyphText(c, "", nullptr, dfMeasureOnly, 0, &button, &glyph, nullptr, outer);
  EXPECT_EQ(g.GlyphRect.Width(), 16 + 2 * 3 - 1 + 3);
  // 3D depth widens the text.
  TQEL3DCaption deep;
  deep.SetStyle(tdRaisedShadow);
  deep.SetLightDepth(2);
  deep.SetShadowDepth(3);
  const TQELGlyphTextResult plain =
      DrawGlyphText(c, "Testo", nullptr, dfMeasureOnly, 0, &layout, nullptr, nullptr, outer);
  const TQELGlyphTextResult raised =
      DrawGlyphText(c, "Testo", &deep, dfMeasureOnly, 0, &layout, nullptr, nullptr, outer);
  EXPECT_EQ(raised.TextRect.Width(), plain.TextRect.Width() + 5);

  // A glyph is drawn with its transparent colour left out, and the arrow
  // beside it.
  TBitmap dot(4, 4);
  dot.Canvas()->Brush()->SetColor(vcl::clFuchsia);
  dot.Canvas()->FillRect(vcl::Rect(0, 0, 4, 4));
  dot.Canvas()->SetPixel(1, 1, vcl::clRed);
  auto out = White(40, 20);
  button.SetArrowColor(vcl::clBlue);
  button.SetAlignment(agTopLeft);
  g = DrawGlyphText(out->Canvas(), "", nullptr, dfEnabled, 0, &button, &dot, nullptr, vcl::Rect(0, 0, 40, 20));
  EXPECT_EQ(FirstOf(*out, vcl::clFuchsia).X, -1);
  EXPECT_EQ(Px(*out, g.GlyphRect.Left + 1, g.GlyphRect.Top + 1), vcl::clRed);
  EXPECT_GE(FirstOf(*out, vcl::clBlue).X, g.GlyphRect.Left + 4);
}

TEST(QELImages, PlacementMasksDisabledAndEmbossedGlyphs) {
  TBitmap red(2, 2);
  red.Canvas()->Brush()->SetColor(vcl::clRed);
  red.Canvas()->FillRect(vcl::Rect(0, 0, 2, 2));
  auto t = White(6, 6);
  DrawImage(t->Canvas(), vcl::Rect(0, 0, 5, 5), &red, nullptr, vcl::clNone, imTiled);
  EXPECT_EQ(Px(*t, 4, 4), vcl::clRed);
  EXPECT_EQ(Px(*t, 5, 5), vcl::clWhite);  // tiles stop at the rectangle
  auto c = White(6, 6);
  DrawImage(c->Canvas(), vcl::Rect(0, 0, 6, 6), &red, nullptr, vcl::clNone, imCenter);
  EXPECT_EQ(Px(*c, 2, 2), vcl::clRed);
  EXPECT_EQ(Px(*c, 1, 1), vcl::clWhite);
  auto s = White(6, 6);
  DrawImage(s->Canvas(), vcl::Rect(0, 0, 6, 6), &red, nullptr, vcl::clNone, imStretch);
  EXPECT_EQ(Px(*s, 5, 5), vcl::clRed);
  auto p = White(8, 4);
  DrawImage(p->Canvas(), vcl::Rect(0, 0, 8, 4), &red, nullptr, vcl::clNone, imProportional);
  EXPECT_EQ(Px(*p, 3, 3), vcl::clRed);
  EXPECT_EQ(Px(*p, 0, 0), vcl::clWhite);
  // A mask hides its white pixels.
  TBitmap mask(2, 2);
  mask.Canvas()->Brush()->SetColor(vcl::clBlack);
  mask.Canvas()->FillRect(vcl::Rect(0, 0, 2, 2));
  mask.Canvas()->SetPixel(0, 0, vcl::clWhite);
  auto m = White(2, 2);
  DrawImage(m->Canvas(), vcl::Rect(0, 0, 2, 2), &red, &mask, vcl::clNone, imMasked);
  EXPECT_EQ(Px(*m, 0, 0), vcl::clWhite);
  EXPECT_EQ(Px(*m, 1, 1), vcl::clRed);

  // Mask pair from a canvas area.
  auto src = White(4, 4);
  src->Canvas()->SetPixel(1, 1, vcl::clRed);
  TBitmap image, pair_mask;
  MakeMaskPair(src->Canvas(), vcl::Rect(0, 0, 4, 4), vcl::clWhite, &image, &pair_mask);
  EXPECT_EQ(Px(pair_mask, 0, 0), vcl::clWhite);
  EXPECT_EQ(Px(pair_mask, 1, 1), vcl::clBlack);
  EXPECT_EQ(Px(image, 0, 0), vcl::clBlack);
  EXPECT_EQ(Px(image, 1, 1), vcl::clRed);

  // Disabled glyph: the background stays, the rest by brightness against
  // the mean (white and black here: mean 383, so white stays white and
  // black becomes the shadow colour).
  TBitmap glyph(3, 1);
  glyph.Canvas()->SetPixel(0, 0, vcl::clFuchsia);
  glyph.Canvas()->SetPixel(1, 0, vcl::clWhite);
  glyph.Canvas()->SetPixel(2, 0, vcl::clBlack);
  TBitmap disabled;
  MakeDisabledGlyph(&glyph, &disabled);
  EXPECT_EQ(Px(disabled, 0, 0), vcl::clFuchsia);
  EXPECT_EQ(Px(disabled, 1, 0), vcl::clWhite);
  EXPECT_EQ(Px(disabled, 2, 0), vcl::ColorToRGB(vcl::clBtnShadow));

  // Embossed: highlight one pixel below-right, shadow on top; the
  // transparent pixels leave the canvas alone.
  TBitmap shape(3, 3);
  shape.Canvas()->Brush()->SetColor(vcl::clFuchsia);
  shape.Canvas()->FillRect(vcl::Rect(0, 0, 3, 3));
  shape.Canvas()->SetPixel(1, 1, vcl::clBlack);  // bottom-left stays the transparent colour
  auto e = White(6, 6);
  DrawEmbossedGlyph(e->Canvas(), 1, 1, &shape);
  EXPECT_EQ(Px(*e, 2, 2), vcl::ColorToRGB(vcl::clBtnShadow));
  EXPECT_EQ(Px(*e, 3, 3), vcl::ColorToRGB(vcl::clBtnHighlight));
  EXPECT_EQ(Px(*e, 1, 1), vcl::clWhite);

  // One cell of a strip: the second of two.
  TBitmap strip(4, 2);
  strip.Canvas()->Brush()->SetColor(vcl::clRed);
  strip.Canvas()->FillRect(vcl::Rect(0, 0, 2, 2));
  strip.Canvas()->Brush()->SetColor(vcl::clBlue);
  strip.Canvas()->FillRect(vcl::Rect(2, 0, 4, 2));
  auto cell_out = White(4, 4);
  const TRect cell = vcl::Rect(2, 0, 4, 2);
  DrawImage(cell_out->Canvas(), vcl::Rect(0, 0, 4, 4), &strip, nullptr, vcl::clNone, 0, &cell);
  EXPECT_EQ(Px(*cell_out, 0, 0), vcl::clBlue);
  EXPECT_EQ(Px(*cell_out, 2, 0), vcl::clWhite);
  const TRect outside = vcl::Rect(10, 10, 12, 12);
  DrawImage(cell_out->Canvas(), vcl::Rect(0, 0, 4, 4), &strip, nullptr, vcl::clNone, 0, &outside);
  EXPECT_EQ(Px(*cell_out, 3, 3), vcl::clWhite);

  TBitmap filled;
  FillBitmap(&filled, vcl::Rect(5, 5, 8, 9), vcl::clLime);
  EXPECT_EQ(filled.Width(), 3);
  EXPECT_EQ(filled.Height(), 4);
  EXPECT_EQ(Px(filled, 2, 3), vcl::clLime);
}

TEST(QELButtonFrame, FacesAndFrames) {
  auto up = White(20, 20);
  TRect r = vcl::Rect(0, 0, 20, 20);
  DrawButtonFrame(up->Canvas(), r, blAuto, {}, vcl::clSilver);
  EXPECT_EQ(r, vcl::Rect(1, 1, 19, 19));
  EXPECT_EQ(Px(*up, 10, 10), vcl::clSilver);
  EXPECT_NE(Px(*up, 0, 10), vcl::clSilver);

  // Held down: the checkerboard of the face colour and white.
  auto latched = White(20, 20);
  r = vcl::Rect(0, 0, 20, 20);
  TQELButtonState state;
  state.Latched = true;
  DrawButtonFrame(latched->Canvas(), r, blWin95, state, vcl::clSilver);
  const TColor a = Px(*latched, 10, 10), b = Px(*latched, 11, 10);
  EXPECT_NE(a, b);
  EXPECT_TRUE((a == vcl::clWhite && b == vcl::clSilver) || (a == vcl::clSilver && b == vcl::clWhite));
  EXPECT_EQ(Px(*latched, 10, 11), b);

  auto flat = White(10, 10);
  r = vcl::Rect(0, 0, 10, 10);
  state = {};
  state.Down = true;
  DrawButtonFrame(flat->Canvas(), r, blFlat, state, vcl::clSilver);
  EXPECT_EQ(Px(*flat, 0, 5), vcl::clBlack);
  EXPECT_EQ(r, vcl::Rect(1, 1, 9, 9));

  auto old = White(20, 20);
  r = vcl::Rect(0, 0, 20, 20);
  state = {};
  state.Default = true;
  DrawButtonFrame(old->Canvas(), r, blWin31, state, vcl::clSilver);
  EXPECT_EQ(Px(*old, 0, 0), vcl::ColorToRGB(vcl::clBtnFace));
  EXPECT_EQ(r, vcl::Rect(3, 3, 17, 17));
}

TEST(QELWindows, PlacementStaysOnTheScreen) {
  const TRect screen = vcl::Rect(0, 0, 800, 600);
  EXPECT_EQ(PlaceRect({200, 100}, screen, bpCenter, screen), vcl::Point(300, 250));
  EXPECT_EQ(PlaceRect({200, 100}, screen, bpTopRight, screen), vcl::Point(600, 0));
  EXPECT_EQ(PlaceRect({200, 100}, vcl::Rect(50, 60, 400, 400), bpCustom, screen), vcl::Point(50, 60));
  // A reference larger than the screen: clamped to the screen's edges.
  EXPECT_EQ(PlaceRect({200, 100}, vcl::Rect(0, 0, 2000, 1500), bpBottomRight, screen), vcl::Point(600, 500));
  // Never negative.
  EXPECT_EQ(PlaceRect({200, 100}, vcl::Rect(-500, -500, 100, 50), bpTopLeft, screen), vcl::Point(0, 0));
  EXPECT_EQ(PlaceRect({1000, 700}, screen, bpCenter, screen), vcl::Point(0, 0));
  EXPECT_FALSE(GetReferenceRect(brScreen).IsEmpty());
  EXPECT_FALSE(GetReferenceRect(brMainForm).IsEmpty());  // no main form: the screen

  // Caption geometry of a sizeable window and of a tool window.
  const TQELCaptionGeometry g = CaptionGeometry(200, vcl::bsSizeable);
  EXPECT_EQ(g.CaptionRect, vcl::Rect(4, 4, 196, 22));
  EXPECT_EQ(g.ButtonCount, 3);
  EXPECT_EQ(g.Flags, cgIcon);
  EXPECT_LT(g.TextRect.Right, g.CaptionRect.Right - 3 * 18);
  const TQELCaptionGeometry t = CaptionGeometry(200, vcl::bsToolWindow, true, false, false, false, true);
  EXPECT_EQ(t.CaptionRect.Height(), 15);
  EXPECT_EQ(t.ButtonCount, 1);
  EXPECT_EQ(t.Flags, cgMinimized);
  EXPECT_TRUE(CaptionGeometry(200, vcl::bsNone).CaptionRect.IsEmpty());
  EXPECT_GT(ColorDepth(), 0);
  EXPECT_FALSE(UserName().isEmpty());
}
