// The canvas keeps the platform's pixel rules: rectangles leave out their
// right and bottom edge, lines their end point, text sits by its top-left
// corner; raster operations and the focus rectangle invert and restore.
#include <gtest/gtest.h>
#include <QImage>
#include <QPainter>

#include "platform/vcl/graphics.h"

using namespace vcl;

namespace {

// A white bitmap of the given size.
std::unique_ptr<TBitmap> White(int w, int h) {
  auto b = std::make_unique<TBitmap>(w, h);
  return b;
}

// Every pixel that is not white, as a bounding rectangle (empty if none).
TRect Inked(TBitmap &b) {
  TRect r{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  const QImage &img = b.Image();
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if ((img.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) {
        r.Left = std::min(r.Left, x);
        r.Top = std::min(r.Top, y);
        r.Right = std::max(r.Right, x + 1);
        r.Bottom = std::max(r.Bottom, y + 1);
      }
  return r.Left == INT32_MAX ? TRect{} : r;
}

}  // namespace

TEST(Canvas, RectangleCoversLeftTopToRightBottomExclusive) {
  auto b = White(20, 20);
  TCanvas *c = b->Canvas();
  c->Pen()->SetColor(clBlack);
  c->Brush()->SetColor(clRed);
  c->Rectangle(2, 3, 10, 8);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 20; ++x) {
      const bool inside = x >= 2 && x < 10 && y >= 3 && y < 8;
      const bool frame = inside && (x == 2 || x == 9 || y == 3 || y == 7);
      const TColor want = !inside ? clWhite : frame ? clBlack : clRed;
      ASSERT_EQ(c->Pixel(x, y), want) << x << "," << y;
    }
  }
}

TEST(Canvas, FillAndFrameStayInsideTheRectangle) {
  auto b = White(12, 12);
  TCanvas *c = b->Canvas();
  c->Brush()->SetColor(clBlue);
  c->FillRect(Rect(1, 1, 5, 5));
  EXPECT_EQ(Inked(*b), Rect(1, 1, 5, 5));
  c->Brush()->SetColor(clGreen);
  c->FrameRect(Rect(6, 6, 11, 11));
  EXPECT_EQ(c->Pixel(6, 6), clGreen);
  EXPECT_EQ(c->Pixel(10, 10), clGreen);
  EXPECT_EQ(c->Pixel(8, 8), clWhite);
  EXPECT_EQ(c->Pixel(11, 11), clWhite);
  // A clear brush fills nothing.
  c->Brush()->SetStyle(bsClear);
  c->FillRect(Rect(0, 6, 5, 11));
  EXPECT_EQ(c->Pixel(2, 8), clWhite);
}

TEST(Canvas, RectangleWithoutPenFillsOnePixelLess) {
  auto b = White(10, 10);
  TCanvas *c = b->Canvas();
  c->Pen()->SetStyle(psClear);
  c->Brush()->SetColor(clBlack);
  c->Rectangle(0, 0, 5, 5);
  EXPECT_EQ(Inked(*b), Rect(0, 0, 4, 4));
}

TEST(Canvas, LineLeavesOutItsEndPoint) {
  auto b = White(10, 10);
  TCanvas *c = b->Canvas();
  c->MoveTo(1, 1);
  c->LineTo(6, 1);
  EXPECT_EQ(Inked(*b), Rect(1, 1, 6, 2));
  EXPECT_EQ(c->PenPos(), Point(6, 1));
  // A diagonal ends one pixel short too, and the next segment starts there.
  c->MoveTo(0, 3);
  c->LineTo(4, 7);
  EXPECT_EQ(c->Pixel(3, 6), clBlack);
  EXPECT_EQ(c->Pixel(4, 7), clWhite);
  c->LineTo(8, 7);
  EXPECT_EQ(c->Pixel(4, 7), clBlack);
  EXPECT_EQ(c->Pixel(8, 7), clWhite);
}

TEST(Canvas, InvertingDrawsUndoThemselves) {
  auto b = White(16, 16);
  TCanvas *c = b->Canvas();
  c->Brush()->SetColor(clYellow);
  c->FillRect(Rect(0, 0, 8, 16));
  const QImage before = b->Image().copy();
  c->DrawFocusRect(Rect(2, 2, 14, 14));
  EXPECT_NE(b->Image(), before);
  EXPECT_EQ(c->Pixel(2, 2), RGB(0, 0, 0xFF));  // yellow inverted
  c->DrawFocusRect(Rect(2, 2, 14, 14));
  EXPECT_EQ(b->Image(), before);

  c->Pen()->SetMode(pmXor);
  c->Pen()->SetColor(clWhite);
  c->Brush()->SetStyle(bsClear);
  c->Rectangle(1, 1, 15, 15);
  c->MoveTo(0, 0);
  c->LineTo(15, 15);
  c->MoveTo(0, 0);
  c->LineTo(15, 15);
  c->Pen()->SetMode(pmNot);
  c->MoveTo(0, 10);
  c->LineTo(16, 10);
  c->MoveTo(0, 10);
  c->LineTo(16, 10);
  c->Pen()->SetMode(pmXor);
  c->Rectangle(1, 1, 15, 15);
  EXPECT_EQ(b->Image(), before);
}

TEST(Canvas, TextIsPlacedByItsTopLeftCorner) {
  auto b = White(120, 40);
  TCanvas *c = b->Canvas();
  c->Font()->SetColor(clBlack);
  c->Brush()->SetStyle(bsClear);
  c->TextOut(5, 7, QStringLiteral("Hg"));
  const TRect ink = Inked(*b);
  ASSERT_FALSE(ink.IsEmpty());
  const int h = c->TextHeight(QStringLiteral("Hg"));
  EXPECT_GE(ink.Top, 7);
  EXPECT_LE(ink.Top, 7 + h / 3);  // the capital's top, below the cell's top
  EXPECT_LE(ink.Bottom, 7 + h);
  EXPECT_GE(ink.Left, 5);
  EXPECT_LE(ink.Left, 7);
  EXPECT_EQ(c->PenPos(), Point(5 + c->TextWidth(QStringLiteral("Hg")), 7));
  // Transparent with a clear brush; with a solid one the cell is filled.
  EXPECT_EQ(c->Pixel(5, 7), clWhite);
  c->Brush()->SetColor(clAqua);
  c->TextOut(60, 7, QStringLiteral("Hg"));
  EXPECT_EQ(c->Pixel(60, 7), clAqua);
  EXPECT_EQ(c->Pixel(60, 7 + h - 1), clAqua);
  EXPECT_EQ(c->Pixel(60, 7 + h), clWhite);
}

TEST(Canvas, DrawTextMeasuresAndAligns) {
  auto b = White(200, 40);
  TCanvas *c = b->Canvas();
  const QString text = QStringLiteral("Edicola");
  TRect r = Rect(10, 10, 10, 10);
  const int h = DrawText(c, text, r, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(r.Width(), c->TextWidth(text));
  EXPECT_EQ(h, c->TextHeight(text));
  EXPECT_TRUE(Inked(*b).IsEmpty());  // measuring draws nothing

  c->Brush()->SetStyle(bsClear);
  TRect box = Rect(0, 0, 200, 40);
  DrawText(c, text, box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  const TRect ink = Inked(*b);
  const int mid_x = (ink.Left + ink.Right) / 2, mid_y = (ink.Top + ink.Bottom) / 2;
  EXPECT_NEAR(mid_x, 100, 3);
  EXPECT_NEAR(mid_y, 20, 4);
  // "&" underlines the next letter and is not shown; "&&" shows one.
  TRect a = Rect(0, 0, 0, 0), bb = Rect(0, 0, 0, 0);
  DrawText(c, QStringLiteral("&File"), a, DT_CALCRECT | DT_SINGLELINE);
  DrawText(c, QStringLiteral("File"), bb, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(a.Width(), bb.Width());
}

TEST(Canvas, CopyRectAppliesTheCopyMode) {
  auto src = White(4, 4);
  src->Canvas()->Brush()->SetColor(RGB(0x0F, 0xF0, 0x33));
  src->Canvas()->FillRect(Rect(0, 0, 4, 4));
  auto dst = White(8, 4);
  TCanvas *c = dst->Canvas();
  c->Brush()->SetColor(RGB(0xFF, 0x0F, 0x00));
  c->FillRect(Rect(0, 0, 8, 4));
  c->SetCopyMode(cmSrcAnd);
  c->CopyRect(Rect(0, 0, 4, 4), src->Canvas(), Rect(0, 0, 4, 4));
  EXPECT_EQ(c->Pixel(1, 1), RGB(0x0F, 0x00, 0x00));
  c->SetCopyMode(cmSrcPaint);
  c->CopyRect(Rect(4, 0, 8, 4), src->Canvas(), Rect(0, 0, 4, 4));
  EXPECT_EQ(c->Pixel(5, 1), RGB(0xFF, 0xFF, 0x33));
  c->SetCopyMode(cmSrcInvert);
  c->CopyRect(Rect(4, 0, 8, 4), src->Canvas(), Rect(0, 0, 4, 4));
  EXPECT_EQ(c->Pixel(5, 1), RGB(0xF0, 0x0F, 0x00));
  c->SetCopyMode(cmBlackness);
  c->CopyRect(Rect(0, 0, 2, 2), src->Canvas(), Rect(0, 0, 4, 4));
  EXPECT_EQ(c->Pixel(1, 1), clBlack);
  EXPECT_EQ(c->Pixel(2, 2), RGB(0x0F, 0x00, 0x00));
}

TEST(Canvas, PaintsThroughAPainterOwnedByAPaintEvent) {
  QImage surface(30, 30, QImage::Format_RGB32);
  surface.fill(Qt::white);
  QPainter painter(&surface);
  painter.translate(10, 10);  // a control inside its parent
  TCanvas c;
  c.BeginPaint(&painter);
  c.Brush()->SetColor(clRed);
  c.Pen()->SetColor(clRed);
  c.Rectangle(0, 0, 5, 5);
  EXPECT_EQ(c.Pixel(4, 4), clRed);
  EXPECT_EQ(c.Pixel(5, 5), clWhite);
  c.SetClipRect(Rect(0, 0, 2, 2));
  c.Brush()->SetColor(clBlue);
  c.FillRect(Rect(0, 0, 10, 10));
  c.ResetClip();
  c.EndPaint();
  painter.end();
  EXPECT_EQ(surface.pixel(10, 10), qRgb(0, 0, 255));
  EXPECT_EQ(surface.pixel(12, 12), qRgb(255, 0, 0));
  EXPECT_EQ(surface.pixel(15, 15), qRgb(255, 255, 255));
}

TEST(Canvas, DrawingWithoutASurfaceIsRefused) {
  TCanvas c;
  EXPECT_THROW(c.FillRect(Rect(0, 0, 1, 1)), rtl::EInvalidOperation);
  EXPECT_EQ(c.Pixel(0, 0), -1);
  TBitmap empty;
  EXPECT_NO_THROW(empty.Canvas()->FillRect(Rect(0, 0, 5, 5)));
}

TEST(Canvas, EdgesAreLightTopLeftAndDarkBottomRight) {
  auto b = White(10, 10);
  TCanvas *c = b->Canvas();
  c->Brush()->SetColor(clYellow);
  TRect r = Rect(0, 0, 10, 10);
  DrawEdge(c, r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
  EXPECT_EQ(r, Rect(2, 2, 8, 8));
  EXPECT_EQ(c->Pixel(0, 0), ColorToRGB(cl3DLight));
  EXPECT_EQ(c->Pixel(9, 0), ColorToRGB(cl3DDkShadow));  // the dark side owns its corners
  EXPECT_EQ(c->Pixel(0, 9), ColorToRGB(cl3DDkShadow));
  EXPECT_EQ(c->Pixel(1, 1), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(c->Pixel(8, 5), ColorToRGB(clBtnShadow));
  EXPECT_EQ(c->Pixel(5, 5), ColorToRGB(clBtnFace));
  EXPECT_EQ(c->Brush()->Color(), clYellow);  // the caller's brush is kept

  // Only the sides asked for; sunken swaps the colours.
  auto s = White(6, 6);
  TRect t = Rect(0, 0, 6, 6);
  DrawEdge(s->Canvas(), t, BDR_SUNKENOUTER, BF_TOPLEFT);
  EXPECT_EQ(t, Rect(0, 0, 6, 6));
  EXPECT_EQ(s->Canvas()->Pixel(5, 0), ColorToRGB(clBtnShadow));
  EXPECT_EQ(s->Canvas()->Pixel(5, 5), clWhite);
}

TEST(Canvas, RotatedTextAndPatternBrushes) {
  auto b = White(60, 60);
  TCanvas *c = b->Canvas();
  c->Brush()->SetStyle(bsClear);
  c->Font()->SetOrientation(900);  // upwards, from the same corner
  c->TextOut(20, 50, QStringLiteral("Resa"));
  const TRect ink = Inked(*b);
  ASSERT_FALSE(ink.IsEmpty());
  EXPECT_GT(ink.Height(), ink.Width());
  EXPECT_LE(ink.Bottom, 51);
  EXPECT_GE(ink.Left, 20);

  auto p = White(8, 8);
  std::unique_ptr<TBitmap> pattern = AllocPatternBitmap(clBtnFace, clBtnHighlight);
  p->Canvas()->Brush()->SetBitmap(pattern.get());
  p->Canvas()->FillRect(Rect(0, 0, 8, 8));
  EXPECT_EQ(p->Canvas()->Pixel(0, 0), ColorToRGB(clBtnFace));
  EXPECT_EQ(p->Canvas()->Pixel(1, 0), clWhite);
  EXPECT_EQ(p->Canvas()->Pixel(3, 4), clWhite);
  EXPECT_EQ(p->Canvas()->Pixel(4, 4), ColorToRGB(clBtnFace));
}

TEST(Canvas, ShapesStayInsideTheirBox) {
  struct Shape {
    const char *name;
    std::function<void(TCanvas *)> draw;
  } shapes[] = {
      {"ellipse", [](TCanvas *c) { c->Ellipse(5, 6, 25, 20); }},
      {"roundrect", [](TCanvas *c) { c->RoundRect(5, 6, 25, 20, 6, 6); }},
      {"pie", [](TCanvas *c) { c->Pie(5, 6, 25, 20, 25, 13, 15, 6); }},
      {"arc", [](TCanvas *c) { c->Arc(5, 6, 25, 20, 25, 13, 5, 13); }},
      {"polygon",
       [](TCanvas *c) {
         c->Polygon({{5, 6}, {24, 6}, {14, 19}});
       }},
      {"polyline",
       [](TCanvas *c) {
         c->Polyline({{5, 6}, {24, 6}, {14, 19}, {5, 6}});
       }},
  };
  for (const Shape &s : shapes) {
    SCOPED_TRACE(s.name);
    auto b = White(40, 30);
    b->Canvas()->Brush()->SetColor(clRed);
    b->Canvas()->MoveTo(0, 0);
    s.draw(b->Canvas());
    const TRect ink = Inked(*b);
    ASSERT_FALSE(ink.IsEmpty());
    EXPECT_GE(ink.Left, 5);
    EXPECT_GE(ink.Top, 6);
    EXPECT_LE(ink.Right, 25);
    EXPECT_LE(ink.Bottom, 20);
    EXPECT_EQ(b->Canvas()->PenPos(), Point(0, 0));  // only LineTo moves the pen
  }
  // A pie from three o'clock counter-clockwise to twelve fills the upper
  // right quarter only.
  auto b = White(40, 40);
  b->Canvas()->Brush()->SetColor(clRed);
  b->Canvas()->Pie(0, 0, 40, 40, 40, 20, 20, 0);
  EXPECT_EQ(b->Canvas()->Pixel(30, 12), clRed);
  EXPECT_EQ(b->Canvas()->Pixel(10, 12), clWhite);
  EXPECT_EQ(b->Canvas()->Pixel(30, 28), clWhite);
}

TEST(Canvas, HatchedBrushesLeaveTheBackgroundBetweenLines) {
  auto b = White(16, 16);
  TCanvas *c = b->Canvas();
  c->Brush()->SetColor(clBlue);
  c->Brush()->SetStyle(bsHorizontal);
  c->FillRect(Rect(0, 0, 16, 16));
  int blue_rows = 0, white_rows = 0;
  for (int y = 0; y < 16; ++y) {
    const TColor p = c->Pixel(5, y);
    if (p == clBlue) ++blue_rows;
    if (p == clWhite) ++white_rows;
    EXPECT_EQ(c->Pixel(0, y), c->Pixel(15, y));  // horizontal: whole rows
  }
  EXPECT_GT(blue_rows, 0);
  EXPECT_GT(white_rows, blue_rows);
}

// Thin lines on an image are written pixel by pixel; through a clip or
// another device they go to QPainter as points. Both give the same pixels,
// in every direction and dash style.
TEST(Canvas, ThinLinesAreTheSamePixelsOnEveryRoad) {
  const TPenStyle styles[] = {psSolid, psDash, psDot, psDashDot, psDashDotDot};
  auto draw = [&](TCanvas *c) {
    for (TPenStyle style : styles) {
      c->Pen()->SetStyle(style);
      for (int dx = -40; dx <= 40; dx += 7) {
        for (int dy = -40; dy <= 40; dy += 9) {
          c->MoveTo(50, 50);
          c->LineTo(50 + dx, 50 + dy);
        }
      }
    }
    c->Pen()->SetStyle(psSolid);
    c->MoveTo(-20, 3);  // partly outside the image
    c->LineTo(150, 20);
  };
  auto direct = White(100, 100);
  draw(direct->Canvas());
  auto clipped = White(100, 100);
  clipped->Canvas()->SetClipRect(Rect(0, 0, 100, 100));
  draw(clipped->Canvas());
  EXPECT_EQ(direct->Image(), clipped->Image());

  // A painter of someone else's, moved by whole pixels.
  QImage image(100, 100, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.translate(5, -3);
  TCanvas moved;
  moved.BeginPaint(&painter);
  draw(&moved);
  moved.EndPaint();
  painter.end();
  EXPECT_EQ(image.copy(5, 0, 95, 97), direct->Image().copy(0, 3, 95, 97));
}
