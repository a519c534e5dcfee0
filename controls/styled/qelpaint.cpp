// The painting routines of qelgraph.h: gradients, 3D text, glyph-and-text
// layout, frames, images, button frames and window placement.
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <functional>

#include "controls/styled/qelapp.h"
#include "controls/styled/qelgraph.h"
#include "platform/rtl/numbers.h"
#include "platform/vcl/forms.h"

namespace qel {

using rtl::MulDiv;
using vcl::ColorToRGB;
using vcl::TBitmap;
using vcl::TPoint;
using vcl::TSize;

namespace {

// Puts the canvas's pen, brush and font colour back as they were when the
// routine started, whatever happens in between.
class CanvasStateGuard {
 public:
  explicit CanvasStateGuard(TCanvas *canvas) : canvas_(canvas) {
    pen_.Assign(canvas->Pen());
    brush_.Assign(canvas->Brush());
    font_color_ = canvas->Font()->Color();
  }
  ~CanvasStateGuard() {
    canvas_->Pen()->Assign(&pen_);
    canvas_->Brush()->Assign(&brush_);
    canvas_->Font()->SetColor(font_color_);
  }
  CanvasStateGuard(const CanvasStateGuard &) = delete;
  CanvasStateGuard &operator=(const CanvasStateGuard &) = delete;

 private:
  TCanvas *canvas_;
  vcl::TPen pen_;
  vcl::TBrush brush_;
  TColor font_color_;
};

// Limits drawing to a rectangle and gives the previous clipping back.
class ClipGuard {
 public:
  ClipGuard(TCanvas *canvas, const TRect &r) : canvas_(canvas), previous_(canvas->ClipRect()) {
    canvas->IntersectClipRect(r);
  }
  ~ClipGuard() { canvas_->SetClipRect(previous_); }
  ClipGuard(const ClipGuard &) = delete;
  ClipGuard &operator=(const ClipGuard &) = delete;

 private:
  TCanvas *canvas_;
  TRect previous_;
};

TRect Normalized(int l, int t, int r, int b) {
  return vcl::Rect(std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b));
}

void SolidFill(TCanvas *canvas, TColor color) {
  canvas->Brush()->SetColor(color);
  canvas->Brush()->SetStyle(vcl::bsSolid);
  canvas->Pen()->SetStyle(vcl::psClear);
}

void PaintGradient(TCanvas *canvas, int ox, int oy, int w, int h, TQELGradientStyle style,
                   const TQELColorList &colors) {
  const int n = int(colors.size());
  // The start shape by style, in local coordinates.
  TRect s;
  switch (style) {
    case gstSquare:
    case gstElliptic:
      s = vcl::Rect(w / 2, h / 2, w / 2, h / 2);
      break;
    case gstTopLeft:
    case gstTopLeftDiagonal:
      s = vcl::Rect(0, 0, 1, 1);
      break;
    case gstTopRight:
      s = vcl::Rect(w, 1, w + 1, 0);
      break;
    case gstBottomLeft:
      s = vcl::Rect(1, h, 0, h + 1);
      break;
    case gstBottomRight:
      s = vcl::Rect(w, h, w + 1, h + 1);
      break;
    case gstTopRightDiagonal:
      s = vcl::Rect(w, 0, w + 1, 0);
      break;
    case gstHorizontal:
    case gstVertical:
      s = vcl::Rect(0, 0, w, h);
      break;
  }
  vcl::OffsetRect(s, ox, oy);

  if (style == gstHorizontal) {
    for (int i = 0; i < n; ++i) {
      SolidFill(canvas, colors[size_t(i)]);
      canvas->FillRect(vcl::Rect(s.Left + MulDiv(i, w, n), s.Top, s.Left + MulDiv(i + 1, w, n), s.Bottom));
    }
    return;
  }
  // The largest shape (last colour) first, each smaller one over it.
  for (int i = n - 1; i >= 0; --i) {
    SolidFill(canvas, colors[size_t(i)]);
    const int k = i + 1;
    const int dx = MulDiv(k, w, n), dy = MulDiv(k, h, n);
    switch (style) {
      case gstVertical:
        canvas->FillRect(vcl::Rect(s.Left, s.Top + MulDiv(i, h, n), s.Right, s.Top + dy));
        break;
      case gstSquare:
        canvas->Rectangle(s.Left - dx / 2, s.Top - dy / 2, s.Left + dx / 2 + 2, s.Top + dy / 2 + 2);
        break;
      case gstElliptic: {
        const int a = int(std::lround(dx / 1.4)), b = int(std::lround(dy / 1.4));
        canvas->Ellipse(s.Left - a, s.Top - b, s.Left + a, s.Top + b);
        break;
      }
      case gstTopLeft:
        canvas->Rectangle(Normalized(s.Left, s.Top, s.Right + dx, s.Bottom + dy));
        break;
      case gstTopRight:
        canvas->Rectangle(Normalized(s.Left - dx, s.Top + dy, s.Right, s.Bottom));
        break;
      case gstBottomLeft:
        canvas->Rectangle(Normalized(s.Left + dx, s.Top - dy, s.Right, s.Bottom));
        break;
      case gstBottomRight:
        canvas->Rectangle(Normalized(s.Left - dx, s.Top - dy, s.Right, s.Bottom));
        break;
      case gstTopLeftDiagonal:
        canvas->Polygon({{s.Left, s.Top},
                         {s.Left + 2 * dx, s.Top},
                         {s.Left, s.Bottom + 2 * dy},
                         {s.Left - 2 * dx, s.Bottom + 2 * dy}});
        break;
      case gstTopRightDiagonal:
        canvas->Polygon({{s.Right, s.Top},
                         {s.Right - 2 * dx, s.Top},
                         {s.Right, s.Bottom + 2 * dy},
                         {s.Right + 2 * dx, s.Bottom + 2 * dy}});
        break;
      case gstHorizontal:
        break;
    }
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Gradients

void FillGradient(TCanvas *canvas, const TRect &rect, TQELGradientStyle style, unsigned clip_offset, unsigned flags,
                  const TQELPalette & /*palette*/, const TQELColorList &colors) {
  // Every display this program runs on shows true colour, so realising a
  // palette changes no pixel: the palette's colours are the list's.
  if (canvas == nullptr || colors.empty() || rect.IsEmpty()) return;
  const int w = rect.Width(), h = rect.Height();
  if (flags & gfOffscreen) {
    TBitmap off(w, h);
    PaintGradient(off.Canvas(), 0, 0, w, h, style, colors);
    canvas->Draw(rect.Left, rect.Top, &off);
    return;
  }
  CanvasStateGuard state(canvas);
  std::unique_ptr<ClipGuard> clip;
  if (flags & gfClip) {
    TRect c = rect;
    if (clip_offset != 0)
      vcl::OffsetRect(c, std::int16_t(clip_offset & 0xFFFF), std::int16_t((clip_offset >> 16) & 0xFFFF));
    clip = std::make_unique<ClipGuard>(canvas, c);
  }
  PaintGradient(canvas, rect.Left, rect.Top, w, h, style, colors);
}

void DrawGradient(TCanvas *canvas, const TRect &rect, TColor from, unsigned clip_offset, unsigned flags,
                  TQELGradientStyle style, int count, TColor to) {
  TQELColorList list;
  BuildGradientColors(from, to, count, true, &list);
  const TQELPalette palette = (flags & gfPalette) ? CreateGradientPalette(list) : nullptr;
  FillGradient(canvas, rect, style, clip_offset, flags, palette, list);
}

void DrawGradient(TCanvas *canvas, const TRect &rect, const TQELGradient &gradient, unsigned flags) {
  FillGradient(canvas, rect, gradient.Style(), 0, flags, gradient.Palette(), gradient.Colors());
}

// ---------------------------------------------------------------------------
// 3D text

int Caption3DDepth(const TQEL3DCaption *caption) {
  if (caption == nullptr) return 0;
  switch (caption->Style()) {
    case tdSunken:
    case tdRaised:
      return caption->LightDepth();
    case tdShadow:
    case tdOutline:
    case tdExtrude:
    case tdExtrudeEnh:
      return caption->ShadowDepth();
    case tdSunkenShadow:
    case tdRaisedShadow:
    case tdPColorSunken:
    case tdPColorRaised:
      return caption->LightDepth() + caption->ShadowDepth();
    case tdNone:
      break;
  }
  return 0;
}

namespace {

// How one copy of the text is put on the canvas: by DrawText, or, for
// rotated or spaced-out text, line by line from the rectangle's corner.
struct TextPen {
  TCanvas *canvas;
  QString text;
  unsigned format;
  int angle;    // degrees
  int tracing;  // extra pixels after each character

  bool Simple() const { return angle == 0 && tracing == 0; }

  // Width of one line with the extra spacing.
  int LineWidth(const QString &line) const { return canvas->TextWidth(line) + tracing * int(line.size()); }

  // Calls `line_at` with each line of the text (accelerator marks taken
  // out unless DT_NOPREFIX) and its top-left corner, aligned in `r` by the
  // format as DrawText would.
  void ForEachLine(const TRect &r, const std::function<void(const QString &, int, int)> &line_at) const {
    QString plain = text;
    if (!(format & vcl::DT_NOPREFIX)) {
      plain.replace(QLatin1String("&&"), QString(QChar(0x1)));
      plain.remove(QLatin1Char('&'));
      plain.replace(QChar(0x1), QLatin1Char('&'));
    }
    const QStringList lines = plain.split(QLatin1Char('\n'));
    const int line_height = canvas->TextHeight(QStringLiteral("Wg"));
    int y = r.Top;
    if ((format & vcl::DT_SINGLELINE) && (format & vcl::DT_VCENTER)) y = r.Top + (r.Height() - line_height) / 2;
    if ((format & vcl::DT_SINGLELINE) && (format & vcl::DT_BOTTOM)) y = r.Bottom - line_height;
    for (const QString &line : lines) {
      int x = r.Left;
      const int width = LineWidth(line);
      if (format & vcl::DT_CENTER)
        x = r.Left + (r.Width() - width) / 2;
      else if (format & vcl::DT_RIGHT)
        x = r.Right - width;
      line_at(line, x, y);
      y += line_height;
    }
  }

  void Draw(const TRect &r, TColor color) const {
    canvas->Font()->SetColor(color);
    if (Simple()) {
      TRect box = r;
      vcl::DrawText(canvas, text, box, format);
      return;
    }
    if (angle != 0) {
      // A rotated copy starts at the rectangle's corner.
      canvas->TextOut(r.Left, r.Top, text);
      return;
    }
    ForEachLine(r, [&](const QString &line, int x, int y) {
      for (const QChar c : line) {
        canvas->TextOut(x, y, QString(c));
        x += canvas->TextWidth(QString(c)) + tracing;
      }
    });
  }

  // The outline of the text stroked with a pen of `width`.
  void Outline(const TRect &r, TColor color, int width) const {
    QPainter *p = canvas->Painter();
    if (p == nullptr) return;
    const QFont f = canvas->Font()->ToQFont();
    const QFontMetrics fm(f);
    QPainterPath path;
    if (angle != 0) {
      path.addText(QPointF(r.Left, r.Top + fm.ascent()), f, text);
    } else {
      ForEachLine(r, [&](const QString &line, int x, int y) { path.addText(QPointF(x, y + fm.ascent()), f, line); });
    }
    p->save();
    p->setClipRect(vcl::ToQRect(canvas->ClipRect()), Qt::IntersectClip);
    if (angle != 0) {
      p->translate(r.Left, r.Top);
      p->rotate(-angle);
      p->translate(-r.Left, -r.Top);
    }
    p->setRenderHint(QPainter::Antialiasing, false);
    p->strokePath(path, QPen(vcl::ColorToQColor(color), std::max(width, 1)));
    p->restore();
  }
};

}  // namespace

void DrawText3D(TCanvas *canvas, const QString &text, const TQEL3DCaption *caption, const TRect *clip, unsigned flags,
                unsigned format, const TRect &rect) {
  if (canvas == nullptr || text.isEmpty() || rect.IsEmpty()) return;
  CanvasStateGuard state(canvas);
  std::unique_ptr<ClipGuard> clipping;
  if (flags & dfClip) clipping = std::make_unique<ClipGuard>(canvas, clip != nullptr ? *clip : rect);
  if (caption == nullptr) {
    TRect r = rect;
    vcl::DrawText(canvas, text, r, format);
    return;
  }

  TQELThreeDStyle style = caption->Style();
  TColor text_color;
  if ((flags & dfEnabled) || caption->DisabledStyle() == dsNone) {
    text_color =
        (style == tdPColorSunken || style == tdPColorRaised) ? canvas->Brush()->Color() : canvas->Font()->Color();
  } else {
    text_color = vcl::clGrayText;
    if (caption->DisabledStyle() == ds3d || (caption->DisabledStyle() == dsAuto && (flags & dfAutoDisabled)))
      style = tdSunken;
  }

  TRect r = rect;
  int angle = 0;
  if (const auto *fx = dynamic_cast<const TQELFxCaption *>(caption)) {
    r.Left += fx->PosX();
    r.Top += fx->PosY();
    angle = fx->Angle();
  }
  // The rotated copies draw with a rotated copy of the font.
  const int saved_orientation = canvas->Font()->Orientation();
  if (angle != 0) canvas->Font()->SetOrientation(angle * 10);
  canvas->Brush()->SetStyle(vcl::bsClear);
  const TextPen pen{canvas, text, format, angle, caption->Tracing()};

  const int l = caption->LightDepth(), s = caption->ShadowDepth();
  const TColor light = caption->LightColor(), shadow = caption->ShadowColor();
  // Each copy moves the rectangle on from where the previous one left it.
  auto copy = [&](int dx, int dy, TColor color) {
    vcl::OffsetRect(r, dx, dy);
    pen.Draw(r, color);
  };
  switch (style) {
    case tdNone:
      copy(0, 0, text_color);
      break;
    case tdSunken:
      r.Right -= l;
      copy(l, l, light);
      copy(-l, -l, text_color);
      break;
    case tdRaised:
      r.Right -= l;
      copy(0, 0, light);
      copy(l, l, text_color);
      break;
    case tdSunkenShadow:
    case tdPColorSunken:
      r.Right -= l + s;
      copy(0, 0, shadow);
      copy(l + s, l + s, light);
      copy(-l, -l, text_color);
      break;
    case tdRaisedShadow:
    case tdPColorRaised:
      r.Right -= l + s;
      copy(l + s, l + s, shadow);
      copy(-(l + s), -(l + s), light);
      copy(l, l, text_color);
      break;
    case tdShadow:
      r.Right -= s;
      copy(s, s, shadow);
      copy(-s, -s, text_color);
      break;
    case tdOutline:
      vcl::OffsetRect(r, s / 2, s / 2);
      pen.Outline(r, text_color, s);
      break;
    case tdExtrude:
    case tdExtrudeEnh: {
      int sx = 1, sy = 1, x0 = 0, y0 = 0;
      switch (caption->Orientation()) {
        case toBottomLeft:
          x0 = 0, y0 = s + 1, sx = 1, sy = -1;
          break;
        case toBottomRight:
          x0 = s + 1, y0 = s + 1, sx = -1, sy = -1;
          break;
        case toTopLeft:
          x0 = 0, y0 = 0, sx = 1, sy = 1;
          break;
        case toTopRight:
          x0 = s + 1, y0 = 0, sx = -1, sy = 1;
          break;
      }
      vcl::OffsetRect(r, x0, y0);
      for (int i = 0; i < s; ++i) {
        pen.Draw(r, style == tdExtrude ? shadow : BlendColor(shadow, light, s - i - 1, s));
        vcl::OffsetRect(r, sx, sy);
      }
      pen.Draw(r, text_color);
      break;
    }
  }
  if (angle != 0) canvas->Font()->SetOrientation(saved_orientation);
}

// ---------------------------------------------------------------------------
// Glyph and text

unsigned AlignmentTextFlags(TQELAlignment alignment) {
  static const unsigned kFlags[] = {0, 1, 2, 4, 5, 6, 8, 9, 10};
  return kFlags[alignment];
}

TRect AlignRect(TQELAlignment alignment, const TRect &inner, const TRect &outer) {
  // The nine positions run row by row (top, centre, bottom), three columns
  // each (left, centre, right): 0, a half or all of the room left over.
  const int w = inner.Width(), h = inner.Height();
  const int column = int(alignment) % 3, row = int(alignment) / 3;
  return vcl::Bounds(outer.Left + column * (outer.Width() - w) / 2, outer.Top + row * (outer.Height() - h) / 2, w, h);
}

namespace {

// The size the caption's text takes, 3D copies and rotation included.
TSize MeasureText(TCanvas *canvas, const QString &text, const TQEL3DCaption *caption, unsigned format, int width) {
  if (text.isEmpty()) return {0, 0};
  TRect r = vcl::Rect(0, 0, std::max(width, 1), 0);
  vcl::DrawText(canvas, text, r, format | vcl::DT_CALCRECT);
  int w = r.Width(), h = r.Height();
  const auto *fx = dynamic_cast<const TQELFxCaption *>(caption);
  if (caption != nullptr) w += caption->Tracing() * int(text.size());
  if (fx != nullptr && fx->Angle() != 0) {
    const double a = fx->Angle() * M_PI / 180.0;
    const double c = std::fabs(std::cos(a)), s = std::fabs(std::sin(a));
    const int rw = int(std::lround(w * c + h * s)), rh = int(std::lround(w * s + h * c));
    w = rw;
    h = rh;
  }
  const int depth = Caption3DDepth(caption);
  return {w + depth, h + depth};
}

}  // namespace

TQELGlyphTextResult DrawGlyphText(TCanvas *canvas, const QString &text, const TQEL3DCaption *caption, unsigned flags,
                                  unsigned format, const TQELGlyphTextLayout *layout, const vcl::TBitmap *glyph,
                                  const vcl::TBitmap *mask, const TRect &rect, const TRect *cell) {
  TQELGlyphTextResult result;
  if (canvas == nullptr) return result;
  static const TQELGlyphTextLayout kDefaultLayout;
  if (layout == nullptr) layout = &kDefaultLayout;
  const auto *button = dynamic_cast<const TQELButtonLayout *>(layout);
  const bool arrow = button != nullptr && button->Arrow();
  const TQELArrowPosition arrow_pos = arrow ? button->ArrowPosition() : apRightText;
  const int arrow_size = arrow ? button->ArrowSize() : 0;
  const int arrow_width = 2 * arrow_size - 1;
  const int arrow_room = arrow ? arrow_width + button->ArrowIndent() : 0;

  format |= vcl::DT_WORDBREAK | vcl::DT_EXPANDTABS;
  if (flags & dfAlignedText) format |= AlignmentTextFlags(layout->Alignment());

  // 1-2. Sizes.
  TSize ts = MeasureText(canvas, text, caption, format, rect.Width());
  const bool has_glyph = glyph != nullptr && !glyph->Empty() && (cell == nullptr || !cell->IsEmpty());
  const TSize image_size = cell != nullptr ? TSize{cell->Width(), cell->Height()}
                                           : (glyph != nullptr ? TSize{glyph->Width(), glyph->Height()} : TSize{});
  TSize gs = has_glyph ? image_size : TSize{0, 0};
  const int spacing = (!text.isEmpty() && has_glyph) ? layout->Spacing() : 0;
  if (arrow) {
    if (arrow_pos == apRightGlyph || arrow_pos == apLeftGlyph) {
      gs.cx += arrow_room;
      gs.cy = std::max(gs.cy, arrow_size);
    } else {
      ts.cx += arrow_room;
      ts.cy = std::max(ts.cy, arrow_size);
    }
  }

  // 3. Glyph and text inside their common box: side by side or stacked is
  // the same arrangement along one axis or the other.
  const TQELTextArrange arrange = layout->AlignText2Glyph();
  const bool stacked = arrange >= taTop;
  const bool glyph_first =
      arrange == taRight || arrange == taRightTop || arrange == taBottom || arrange == taBottomLeft;
  const bool centred = arrange == taRight || arrange == taLeft || arrange == taTop || arrange == taBottom;
  auto along = [&](const TSize &size) { return stacked ? size.cy : size.cx; };
  auto across = [&](const TSize &size) { return stacked ? size.cx : size.cy; };
  const int box_along = along(gs) + spacing + along(ts);
  const int box_across = std::max(across(gs), across(ts));
  const int g_along = glyph_first ? 0 : along(ts) + spacing;
  const int t_along = glyph_first ? along(gs) + spacing : 0;
  const int g_across = centred ? (box_across - across(gs)) / 2 : 0;
  const int t_across = centred ? (box_across - across(ts)) / 2 : 0;
  const int bw = stacked ? box_across : box_along, bh = stacked ? box_along : box_across;
  const int gx = stacked ? g_across : g_along, gy = stacked ? g_along : g_across;
  const int tx = stacked ? t_across : t_along, ty = stacked ? t_along : t_across;

  // 4. The box in the rectangle.
  const TRect box_size = vcl::Rect(0, 0, bw, bh);
  const TRect box =
      (flags & dfTopLeft) ? vcl::Bounds(rect.Left, rect.Top, bw, bh) : AlignRect(layout->Alignment(), box_size, rect);
  TRect text_rect = vcl::Bounds(box.Left + tx + 1, box.Top + ty + 1, ts.cx, ts.cy);
  TRect glyph_rect = vcl::Bounds(box.Left + gx, box.Top + gy, gs.cx, gs.cy);
  vcl::OffsetRect(text_rect, layout->OffsetX(), layout->OffsetY());
  vcl::OffsetRect(glyph_rect, layout->OffsetX(), layout->OffsetY());

  // Where the text itself goes: the arrow's room is not the text's.
  TRect text_draw = text_rect;
  if (arrow && arrow_pos == apLeftText) text_draw.Left += arrow_room;
  if (arrow && arrow_pos == apRightText) text_draw.Right -= arrow_room;
  TRect image_rect = glyph_rect;
  if (arrow && arrow_pos == apLeftGlyph) image_rect.Left += arrow_room;
  if (arrow && arrow_pos == apRightGlyph) image_rect.Right -= arrow_room;

  const bool draw = !(flags & dfMeasureOnly);
  // 5. The text.
  if (draw && !text.isEmpty()) DrawText3D(canvas, text, caption, nullptr, flags, format, text_draw);

  // 6. The arrow.
  if (draw && arrow) {
    int x = 0, y = 0;
    const bool on_text = arrow_pos == apRightText || arrow_pos == apLeftText;
    const TRect &ref = on_text ? text_rect : glyph_rect;
    y = ref.Top + ref.Height() / 2 - arrow_size / 2;
    switch (arrow_pos) {
      case apRightText:
        x = (flags & dfAlignedText) ? text_rect.Right - arrow_size - 1 : text_rect.Right - arrow_width - 1;
        break;
      case apLeftText:
        x = text_rect.Left;
        break;
      case apRightGlyph:
        x = glyph_rect.Right - arrow_width;
        break;
      case apLeftGlyph:
        x = glyph_rect.Left;
        break;
    }
    DrawArrow(canvas, x, y, (flags & dfEnabled) != 0, 1, button->ArrowColor(), arrow_size);
  }

  // 7. The glyph.
  if (draw && has_glyph) {
    const TRect at = vcl::Bounds(image_rect.Left, image_rect.Top, image_size.cx, image_size.cy);
    DrawImage(canvas, at, glyph, mask, glyph->TransparentColor(), mask != nullptr ? imMasked : imTransparent, cell);
  }

  // 8. What was placed.
  result.TextRect = text_rect;
  result.GlyphRect = glyph_rect;
  vcl::UnionRect(result.UnionRect, text_rect, glyph_rect);
  const unsigned focus = (flags & dfMeasureOnly) ? dfFocusBoth : (flags & (dfFocusText | dfFocusGlyph | dfFocusBoth));
  if (focus & dfFocusBoth)
    result.FocusRect = result.UnionRect;
  else if (focus & dfFocusGlyph)
    result.FocusRect = glyph_rect;
  else if (focus & dfFocusText)
    result.FocusRect = text_rect;
  if (focus != 0) {
    vcl::InflateRect(result.FocusRect, 1, 1);
  } else {
    result.FocusRect = rect;
    vcl::InflateRect(result.FocusRect, -1, -1);
  }
  return result;
}

// ---------------------------------------------------------------------------
// Frames

bool DrawBevel(TCanvas *canvas, TRect &rect, TQELBevelStyle style, int width, TColor color_a, TColor color_b) {
  if (canvas == nullptr || width <= 0 || style == bvNone || style == bvShadow) return false;
  if (style == bvLowered || style == bvFrameLowered) std::swap(color_a, color_b);
  if (style == bvNormal) color_a = color_b = vcl::clBlack;
  CanvasStateGuard state(canvas);
  const TRect r = rect;
  if (style == bvFrameLowered || style == bvFrameRaised) {
    for (int i = 0; i < width; ++i) {
      canvas->Brush()->SetColor(color_a);
      canvas->FrameRect(vcl::Rect(r.Left + i + 1, r.Top + i + 1, r.Right, r.Bottom));
      canvas->Brush()->SetColor(color_b);
      canvas->FrameRect(vcl::Rect(r.Left, r.Top, r.Right - i - 1, r.Bottom - i - 1));
    }
    rect = vcl::Rect(r.Left + width + 1, r.Top + width + 1, r.Right - width - 1, r.Bottom - width - 1);
    return true;
  }
  if (width == 1) {
    const int right = r.Right - 1, bottom = r.Bottom - 1;
    canvas->Pen()->SetStyle(vcl::psSolid);
    canvas->Pen()->SetWidth(1);
    canvas->Pen()->SetColor(color_b);
    canvas->MoveTo(r.Left, bottom);
    canvas->LineTo(r.Left, r.Top);
    canvas->LineTo(right, r.Top);
    canvas->Pen()->SetColor(color_a);
    canvas->LineTo(right, bottom);
    canvas->LineTo(r.Left, bottom);
    vcl::InflateRect(rect, -1, -1);
    return true;
  }
  const int w = width;
  SolidFill(canvas, color_a);
  canvas->Polygon({{r.Left, r.Bottom},
                   {r.Right, r.Bottom},
                   {r.Right, r.Top},
                   {r.Right - w, r.Top + w},
                   {r.Right - w, r.Bottom - w},
                   {r.Left + w, r.Bottom - w}});
  SolidFill(canvas, color_b);
  canvas->Polygon({{r.Left, r.Top},
                   {r.Right, r.Top},
                   {r.Right - w, r.Top + w},
                   {r.Left + w, r.Top + w},
                   {r.Left + w, r.Bottom - w},
                   {r.Left, r.Bottom}});
  vcl::InflateRect(rect, -w, -w);
  return true;
}

void DrawShadowFrame(TCanvas *canvas, TRect &rect, TColor frame_color, bool no_corners, int frame_width,
                     int shadow_depth, TColor back_color, TColor shadow_color) {
  if (canvas == nullptr) return;
  CanvasStateGuard state(canvas);
  const int d = std::max(shadow_depth, 0);
  const TRect r = rect;
  if (d > 0) {
    SolidFill(canvas, shadow_color);
    canvas->FillRect(vcl::Rect(r.Right - d, r.Top + d, r.Right, r.Bottom));
    canvas->FillRect(vcl::Rect(r.Left + d, r.Bottom - d, r.Right, r.Bottom));
    if (!no_corners) {
      SolidFill(canvas, back_color);
      canvas->FillRect(vcl::Rect(r.Right - d, r.Top, r.Right, r.Top + d));
      canvas->FillRect(vcl::Rect(r.Left, r.Bottom - d, r.Left + d, r.Bottom));
    }
  }
  rect = vcl::Rect(r.Left, r.Top, r.Right - d, r.Bottom - d);
  canvas->Brush()->SetColor(frame_color);
  for (int i = 0; i < frame_width && !rect.IsEmpty(); ++i) {
    canvas->FrameRect(rect);
    vcl::InflateRect(rect, -1, -1);
  }
}

void DrawBorder(TCanvas *canvas, TRect &rect, TQELBorderStyle style, unsigned e) {
  if (canvas == nullptr) return;
  using vcl::DrawEdge;
  TRect &r = rect;
  switch (style) {
    case lsNone:
      break;
    case lsSingle:
      DrawEdge(canvas, r, vcl::BDR_SUNKENOUTER, e + 0x3003);
      DrawEdge(canvas, r, vcl::BDR_RAISEDOUTER, 0x000C);
      break;
    case lsLowered:
      DrawEdge(canvas, r, vcl::EDGE_SUNKEN, e + 0x300F);
      break;
    case lsRaised:
      DrawEdge(canvas, r, vcl::EDGE_RAISED, e + 0x300F);
      break;
    case lsRaisedspb:
      DrawEdge(canvas, r, vcl::BDR_RAISEDOUTER, e + 0x300F);
      DrawEdge(canvas, r, vcl::BDR_RAISEDINNER, 0x200C);
      break;
    case lsLoweredspb:
      DrawEdge(canvas, r, vcl::BDR_SUNKENOUTER, e + 0x200F);
      DrawEdge(canvas, r, vcl::BDR_SUNKENINNER, e + 0x2003);
      break;
    case lsRaisedExt:
      DrawEdge(canvas, r, vcl::BDR_RAISEDOUTER, e + 0x300F);
      DrawEdge(canvas, r, vcl::BDR_RAISEDINNER, 0x200C);
      r.Top += 1;
      r.Left += 1;
      break;
    case lsLoweredExt:
      DrawEdge(canvas, r, vcl::BDR_SUNKENOUTER, e + 0x200F);
      DrawEdge(canvas, r, vcl::BDR_SUNKENINNER, 0x2003);
      r.Right -= 1;
      r.Bottom -= 1;
      break;
    case lsFrameInset:
      DrawEdge(canvas, r, vcl::EDGE_ETCHED, e + 0x200F);
      break;
    case lsFrameOffset:
      DrawEdge(canvas, r, vcl::BDR_RAISEDINNER, e + 0x200F);
      DrawEdge(canvas, r, vcl::BDR_SUNKENOUTER, e + 0x200F);
      break;
    case lsWindowBorder:
      DrawEdge(canvas, r, vcl::BDR_RAISEDOUTER, e + 0x200C);
      r.Top += 1;
      r.Left += 1;
      DrawEdge(canvas, r, vcl::BDR_RAISEDINNER, e + 0x200F);
      break;
    case lsSingleRaised:
      DrawEdge(canvas, r, vcl::BDR_RAISEDINNER, e + 0x200F);
      break;
    case lsSingleLowered:
      DrawEdge(canvas, r, vcl::BDR_SUNKENOUTER, e + 0x200F);
      break;
    case lsDoubleRaised:
      DrawEdge(canvas, r, vcl::BDR_RAISEDINNER, e + 0x200F);
      DrawEdge(canvas, r, vcl::BDR_RAISEDINNER, e + 0x200F);
      break;
    case lsDoubleLowered:
      DrawEdge(canvas, r, vcl::BDR_SUNKENOUTER, e + 0x200F);
      DrawEdge(canvas, r, vcl::BDR_SUNKENOUTER, e + 0x200F);
      break;
  }
}

int BorderWidth(TQELBorderStyle style) {
  switch (style) {
    case lsNone:
      return 0;
    case lsSingle:
    case lsSingleRaised:
    case lsSingleLowered:
      return 1;
    default:
      return 2;
  }
}

void DrawArrow(TCanvas *canvas, int x, int y, bool enabled, int shape, TColor color, int size) {
  if (canvas == nullptr || size < 2 || size > 15) return;
  CanvasStateGuard state(canvas);
  canvas->Pen()->SetStyle(vcl::psSolid);
  canvas->Pen()->SetWidth(1);
  auto one = [&](int ax, int ay, TColor c) {
    canvas->Pen()->SetColor(c);
    if (shape == 1) {
      for (int i = 0; i < size - 1; ++i) {
        canvas->MoveTo(ax + i, ay + i);
        canvas->LineTo(ax + 2 * size - i - 1, ay + i);
      }
      canvas->SetPixel(ax + size - 1, ay + size - 1, ColorToRGB(c));
    } else {
      const int cx = ax + size / 2;
      for (int i = 0; i < size; ++i) {
        canvas->MoveTo(cx - i, ay + i);
        canvas->LineTo(cx + i + 1, ay + i);
      }
    }
  };
  if (enabled) {
    one(x, y, color);
  } else {
    one(x + 1, y + 1, vcl::clHighlightText);
    one(x, y, vcl::clGrayText);
  }
}

// ---------------------------------------------------------------------------
// Images

namespace {

// The source with its hidden pixels made transparent.
QImage MaskedImage(const TBitmap *source, const TBitmap *mask, TColor transparent, unsigned flags) {
  QImage img = source->Image().convertToFormat(QImage::Format_ARGB32);
  if (mask != nullptr && !mask->Empty()) {
    const QImage &m = mask->Image();
    for (int y = 0; y < img.height() && y < m.height(); ++y)
      for (int x = 0; x < img.width() && x < m.width(); ++x)
        if ((m.pixel(x, y) & 0xFFFFFF) != 0) img.setPixel(x, y, 0);
  } else if (flags & (imTransparent | imMasked)) {
    const QRgb key = vcl::ColorToQColor(ColorToRGB(transparent)).rgb() & 0xFFFFFF;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x)
        if ((img.pixel(x, y) & 0xFFFFFF) == key) img.setPixel(x, y, 0);
  }
  return img;
}

}  // namespace

void DrawImage(TCanvas *canvas, const TRect &rect, const TBitmap *source, const TBitmap *mask, TColor transparent,
               unsigned flags, const TRect *cell) {
  if (canvas == nullptr || source == nullptr || source->Empty() || rect.IsEmpty()) return;
  QImage img = MaskedImage(source, mask, transparent, flags);
  if (cell != nullptr) {
    // Only the part of the cell that lies on the bitmap.
    const QRect part = vcl::ToQRect(*cell).intersected(img.rect());
    if (part.isEmpty()) return;
    img = img.copy(part);
  }
  const int sw = img.width(), sh = img.height();
  const QRect whole(0, 0, sw, sh);
  std::unique_ptr<ClipGuard> clip;
  if (flags & (imClip | imCenter | imTiled)) clip = std::make_unique<ClipGuard>(canvas, rect);
  const vcl::TCopyMode saved_mode = canvas->CopyMode();
  canvas->SetCopyMode(vcl::cmSrcCopy);
  if (flags & imTiled) {
    for (int y = rect.Top; y < rect.Bottom; y += sh)
      for (int x = rect.Left; x < rect.Right; x += sw) canvas->DrawImage(vcl::Bounds(x, y, sw, sh), img, whole);
  } else if (flags & (imProportional | imProportionalDown)) {
    double scale = std::min(double(rect.Width()) / sw, double(rect.Height()) / sh);
    if ((flags & imProportionalDown) && !(flags & imProportional)) scale = std::min(scale, 1.0);
    const int w = std::max(1, int(std::lround(sw * scale))), h = std::max(1, int(std::lround(sh * scale)));
    canvas->DrawImage(vcl::Bounds(rect.Left + (rect.Width() - w) / 2, rect.Top + (rect.Height() - h) / 2, w, h), img,
                      whole);
  } else if (flags & imStretch) {
    canvas->DrawImage(rect, img, whole);
  } else if (flags & imCenter) {
    canvas->DrawImage(vcl::Bounds(rect.Left + (rect.Width() - sw) / 2, rect.Top + (rect.Height() - sh) / 2, sw, sh),
                      img, whole);
  } else {
    canvas->DrawImage(vcl::Bounds(rect.Left, rect.Top, sw, sh), img, whole);
  }
  canvas->SetCopyMode(saved_mode);
}

void FillBitmap(TBitmap *bitmap, const TRect &rect, TColor color) {
  if (bitmap == nullptr) return;
  bitmap->SetSize(std::max(rect.Width(), 0), std::max(rect.Height(), 0));
  if (bitmap->Empty()) return;
  bitmap->Canvas()->Brush()->SetColor(color);
  bitmap->Canvas()->Brush()->SetStyle(vcl::bsSolid);
  bitmap->Canvas()->FillRect(vcl::Rect(0, 0, bitmap->Width(), bitmap->Height()));
}

void MakeDisabledGlyph(const TBitmap *source, TBitmap *dest) {
  if (source == nullptr || dest == nullptr) return;
  if (source->Empty()) {
    dest->SetSize(0, 0);
    return;
  }
  QImage img = source->Image().convertToFormat(QImage::Format_RGB32);
  const QRgb background = img.pixel(0, 0);
  auto brightness = [](QRgb p) { return qRed(p) + qGreen(p) + qBlue(p); };
  long long sum = 0, count = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (img.pixel(x, y) != background) {
        sum += brightness(img.pixel(x, y));
        ++count;
      }
  if (count > 0) {
    const int m = 200 - int(std::lround(double(sum) / double(count)));
    const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0);
    const QRgb light = vcl::ColorToQColor(ColorToRGB(vcl::clBtnHighlight)).rgb();
    const QRgb dark = vcl::ColorToQColor(ColorToRGB(vcl::clBtnShadow)).rgb();
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) {
        const QRgb p = img.pixel(x, y);
        if (p == background) continue;
        const int v = brightness(p);
        img.setPixel(x, y, v > m + 550 ? white : v > m + 250 ? light : v > m + 50 ? dark : black);
      }
  }
  dest->SetImage(img);
  dest->SetTransparentMode(source->TransparentMode());
  if (source->TransparentMode() == vcl::tmFixed) dest->SetTransparentColor(source->TransparentColor());
}

void MakeMaskPair(TCanvas *source, const TRect &area, TColor transparent, TBitmap *image, TBitmap *mask) {
  if (source == nullptr || image == nullptr || mask == nullptr || area.IsEmpty()) return;
  QImage img = source->GrabImage(vcl::ToQRect(area)).convertToFormat(QImage::Format_RGB32);
  if (img.isNull()) return;
  QImage m(img.size(), QImage::Format_RGB32);
  const QRgb key = vcl::ColorToQColor(ColorToRGB(transparent)).rgb() | 0xFF000000u;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const bool clear = (img.pixel(x, y) | 0xFF000000u) == key;
      m.setPixel(x, y, clear ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
      if (clear) img.setPixel(x, y, qRgb(0, 0, 0));
    }
  image->SetImage(img);
  mask->SetImage(m);
}

void IconToBitmap(const vcl::TIcon *icon, TColor back_color, TBitmap *bitmap) {
  if (icon == nullptr || bitmap == nullptr) return;
  FillBitmap(bitmap, vcl::Rect(0, 0, icon->Width(), icon->Height()), back_color);
  if (!bitmap->Empty()) bitmap->Canvas()->Draw(0, 0, icon);
}

void DrawEmbossedGlyph(TCanvas *canvas, int x, int y, const TBitmap *glyph) {
  if (canvas == nullptr || glyph == nullptr || glyph->Empty()) return;
  // The glyph's shape, in one colour at a time; its transparent pixels
  // leave the background alone.
  const QImage shape = MaskedImage(glyph, nullptr, glyph->TransparentColor(), imTransparent);
  auto tinted = [&](TColor color) {
    QImage out = shape;
    const QRgb c = vcl::ColorToQColor(ColorToRGB(color)).rgb();
    for (int j = 0; j < out.height(); ++j)
      for (int i = 0; i < out.width(); ++i)
        if (qAlpha(out.pixel(i, j)) != 0) out.setPixel(i, j, c);
    return out;
  };
  const vcl::TCopyMode saved_mode = canvas->CopyMode();
  canvas->SetCopyMode(vcl::cmSrcCopy);
  const QRect whole(0, 0, shape.width(), shape.height());
  canvas->DrawImage(vcl::Bounds(x + 1, y + 1, shape.width(), shape.height()), tinted(vcl::clBtnHighlight), whole);
  canvas->DrawImage(vcl::Bounds(x, y, shape.width(), shape.height()), tinted(vcl::clBtnShadow), whole);
  canvas->SetCopyMode(saved_mode);
}

void DrawButtonFrame(TCanvas *canvas, TRect &rect, TQELButtonLook look, const TQELButtonState &state,
                     TColor face_color) {
  if (canvas == nullptr || rect.IsEmpty()) return;
  CanvasStateGuard guard(canvas);
  const bool down = state.Down || state.Latched;
  // The face: plain, or, held down, the checkerboard of the face colour.
  canvas->Pen()->SetStyle(vcl::psClear);
  if (state.Latched && !state.Down) {
    std::unique_ptr<TBitmap> own;
    const TBitmap *pattern = nullptr;
    if (TQELApplication *app = CurrentQELApplication()) {
      pattern = app->GetPatternBitmap(face_color);
    } else {
      own = vcl::AllocPatternBitmap(vcl::clWhite, face_color);
      pattern = own.get();
    }
    canvas->Brush()->SetBitmap(pattern);
    canvas->FillRect(rect);
    canvas->Brush()->SetBitmap(nullptr);
  } else {
    SolidFill(canvas, face_color);
    canvas->FillRect(rect);
  }

  if (look == blAuto) look = blWin95;
  switch (look) {
    case blWin31: {
      const TRect outer = rect;
      TRect r = rect;
      vcl::DrawEdge(canvas, r, vcl::BDR_SUNKENOUTER, vcl::BF_TOPLEFT | vcl::BF_SOFT);
      r = outer;
      vcl::DrawEdge(canvas, r, vcl::BDR_RAISEDOUTER, vcl::BF_BOTTOMRIGHT);
      if (state.Default) {
        const TColor face = ColorToRGB(vcl::clBtnFace);
        canvas->SetPixel(outer.Left, outer.Top, face);
        canvas->SetPixel(outer.Right - 1, outer.Top, face);
        canvas->SetPixel(outer.Left, outer.Bottom - 1, face);
        canvas->SetPixel(outer.Right - 1, outer.Bottom - 1, face);
      }
      rect = outer;
      vcl::InflateRect(rect, -1, -1);
      if (down) {
        vcl::DrawEdge(canvas, rect, vcl::BDR_SUNKENINNER, vcl::BF_TOPLEFT | vcl::BF_ADJUST);
      } else {
        vcl::DrawEdge(canvas, rect, vcl::BDR_RAISEDINNER, vcl::BF_RECT | vcl::BF_ADJUST);
        vcl::DrawEdge(canvas, rect, vcl::BDR_RAISEDINNER, vcl::BF_RECT | vcl::BF_ADJUST);
      }
      break;
    }
    case blWin95:
    case blAuto:
      if (!down)
        DrawBorder(canvas, rect, lsSingleRaised);
      else if (state.SunkenEdge)
        vcl::DrawEdge(canvas, rect, vcl::EDGE_SUNKEN, vcl::BF_RECT | vcl::BF_ADJUST);
      else
        DrawBorder(canvas, rect, lsSingleLowered);
      break;
    case blFlat: {
      // Dark on the side the light does not reach: black when down, grey
      // when up.
      canvas->Brush()->SetStyle(vcl::bsSolid);
      canvas->Brush()->SetColor(down ? vcl::clBlack : TColor(0x808080));
      canvas->FrameRect(rect);
      vcl::InflateRect(rect, -1, -1);
      break;
    }
  }
}

// ---------------------------------------------------------------------------
// Windows

namespace {

TRect ScreenBounds(bool work_area) {
  const QScreen *screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return vcl::Rect(0, 0, 1024, 768);
  return vcl::FromQRect(work_area ? screen->availableGeometry() : screen->geometry());
}

}  // namespace

TRect GetReferenceRect(TQELDlgPosRel relative) {
  vcl::TCustomForm *form = nullptr;
  switch (relative) {
    case brScreen:
      return ScreenBounds(false);
    case brScreenWorkArea:
      return ScreenBounds(true);
    case brMainForm:
      if (vcl::Application != nullptr) form = vcl::Application->MainForm();
      break;
    case brActiveWindow:
      if (vcl::Screen != nullptr) form = vcl::Screen->ActiveForm();
      break;
  }
  return form != nullptr ? form->BoundsRect() : ScreenBounds(false);
}

TPoint PlaceRect(const TSize &size, const TRect &r, TQELDlgPosition position, const TRect &screen) {
  const int w = size.cx, h = size.cy;
  int x = r.Left, y = r.Top;
  const int cx = r.Left + (r.Width() - w) / 2, cy = r.Top + (r.Height() - h) / 2;
  switch (position) {
    case bpTopCenter:
      x = cx;
      break;
    case bpTopRight:
      x = r.Right - w;
      break;
    case bpCenterLeft:
      y = cy;
      break;
    case bpCenter:
      x = cx, y = cy;
      break;
    case bpCenterRight:
      x = r.Right - w, y = cy;
      break;
    case bpBottomLeft:
      y = r.Bottom - h;
      break;
    case bpBottomCenter:
      x = cx, y = r.Bottom - h;
      break;
    case bpBottomRight:
      x = r.Right - w, y = r.Bottom - h;
      break;
    default:
      break;
  }
  // A reference larger than the screen must not push the window off it:
  // clamp to the screen's own edges.
  if (y + h > screen.Bottom) y = screen.Bottom - h;
  if (x + w > screen.Right) x = screen.Right - w;
  if (x < 0) x = 0;
  if (y < 0) y = 0;
  return {x, y};
}

void PlaceWindow(vcl::TCustomForm *form, const TRect &reference, TQELDlgPosition position) {
  if (form == nullptr) return;
  const TPoint p = PlaceRect({form->Width(), form->Height()}, reference, position, ScreenBounds(false));
  form->SetBounds(p.X, p.Y, form->Width(), form->Height());
}

}  // namespace qel
