// Colours, rectangles, fonts, pens and brushes of the graphics unit. The
// canvas, the file formats and the picture holders live in the
// graphics_*.cpp files beside this one.
#include "platform/vcl/graphics.h"

#include <QFontDatabase>
#include <algorithm>
#include <array>
#include <cmath>

namespace vcl {

// ---------------------------------------------------------------------------
// Rectangles

void InflateRect(TRect &r, int dx, int dy) {
  r.Left -= dx;
  r.Top -= dy;
  r.Right += dx;
  r.Bottom += dy;
}

void OffsetRect(TRect &r, int dx, int dy) {
  r.Left += dx;
  r.Right += dx;
  r.Top += dy;
  r.Bottom += dy;
}

bool PtInRect(const TRect &r, const TPoint &p) {
  return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom;
}

bool IntersectRect(TRect &dest, const TRect &a, const TRect &b) {
  TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom)};
  if (r.IsEmpty()) {
    dest = TRect{};
    return false;
  }
  dest = r;
  return true;
}

bool UnionRect(TRect &dest, const TRect &a, const TRect &b) {
  if (a.IsEmpty()) {
    dest = b.IsEmpty() ? TRect{} : b;
  } else if (b.IsEmpty()) {
    dest = a;
  } else {
    dest = TRect{std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                 std::max(a.Bottom, b.Bottom)};
  }
  return !dest.IsEmpty();
}

bool IsRectEmpty(const TRect &r) { return r.IsEmpty(); }

QRect ToQRect(const TRect &r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

TRect FromQRect(const QRect &r) { return TRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

// ---------------------------------------------------------------------------
// Colours

namespace {

// The classic grey scheme: fixed, so that drawings and tests do not depend
// on the desktop's theme.
constexpr std::array<TColor, 25> kSysColors = {
    RGB(0xC0, 0xC0, 0xC0),  // scroll bar
    RGB(0x00, 0x80, 0x80),  // desktop
    RGB(0x00, 0x00, 0x80),  // active caption
    RGB(0x80, 0x80, 0x80),  // inactive caption
    RGB(0xC0, 0xC0, 0xC0),  // menu
    RGB(0xFF, 0xFF, 0xFF),  // window
    RGB(0x00, 0x00, 0x00),  // window frame
    RGB(0x00, 0x00, 0x00),  // menu text
    RGB(0x00, 0x00, 0x00),  // window text
    RGB(0xFF, 0xFF, 0xFF),  // caption text
    RGB(0xC0, 0xC0, 0xC0),  // active border
    RGB(0xC0, 0xC0, 0xC0),  // inactive border
    RGB(0x80, 0x80, 0x80),  // application workspace
    RGB(0x00, 0x00, 0x80),  // highlight
    RGB(0xFF, 0xFF, 0xFF),  // highlight text
    RGB(0xC0, 0xC0, 0xC0),  // button face
    RGB(0x80, 0x80, 0x80),  // button shadow
    RGB(0x80, 0x80, 0x80),  // grey text
    RGB(0x00, 0x00, 0x00),  // button text
    RGB(0xC0, 0xC0, 0xC0),  // inactive caption text
    RGB(0xFF, 0xFF, 0xFF),  // button highlight
    RGB(0x00, 0x00, 0x00),  // 3D dark shadow
    RGB(0xDF, 0xDF, 0xDF),  // 3D light
    RGB(0x00, 0x00, 0x00),  // tooltip text
    RGB(0xFF, 0xFF, 0xE1),  // tooltip background
};

struct ColorName {
  TColor color;
  const char *name;
};

const ColorName kColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
};

}  // namespace

TColor GetSysColor(int index) {
  if (index < 0 || index >= int(kSysColors.size())) return clBlack;
  return kSysColors[size_t(index)];
}

TColor ColorToRGB(TColor color) {
  if (color < 0) return GetSysColor(color & 0xFF);
  return color;
}

QColor ColorToQColor(TColor color) {
  if (color == clNone || color == clDefault) return QColor();
  const TColor c = ColorToRGB(color);
  return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

TColor QColorToColor(const QColor &color) {
  if (!color.isValid()) return clNone;
  return RGB(color.red(), color.green(), color.blue());
}

bool ColorToIdent(TColor color, QString &ident) {
  for (const ColorName &n : kColorNames) {
    if (n.color == color) {
      ident = QString::fromLatin1(n.name);
      return true;
    }
  }
  return false;
}

bool IdentToColor(const QString &ident, TColor &color) {
  for (const ColorName &n : kColorNames) {
    if (ident.compare(QLatin1String(n.name), Qt::CaseInsensitive) == 0) {
      color = n.color;
      return true;
    }
  }
  // The two aliases of the named greys.
  if (ident.compare(QLatin1String("clLtGray"), Qt::CaseInsensitive) == 0) {
    color = clLtGray;
    return true;
  }
  if (ident.compare(QLatin1String("clDkGray"), Qt::CaseInsensitive) == 0) {
    color = clDkGray;
    return true;
  }
  return false;
}

QString ColorToString(TColor color) {
  QString name;
  if (ColorToIdent(color, name)) return name;
  return QStringLiteral("$%1").arg(quint32(color), 8, 16, QLatin1Char('0')).toUpper();
}

TColor StringToColor(const QString &text) {
  TColor color;
  const QString t = text.trimmed();
  if (IdentToColor(t, color)) return color;
  bool ok = false;
  qint64 value = 0;
  if (t.startsWith(QLatin1Char('$'))) {
    value = t.mid(1).toLongLong(&ok, 16);
  } else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
    value = t.mid(2).toLongLong(&ok, 16);
  } else {
    value = t.toLongLong(&ok, 10);
  }
  if (!ok || value < INT32_MIN || value > UINT32_MAX) {
    throw rtl::EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
  }
  return TColor(quint32(value));
}

// ---------------------------------------------------------------------------
// Fonts, pens and brushes

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

TFont::TFont() : name_(QStringLiteral("MS Sans Serif")) {}

void TFont::SetName(const QString &name) {
  if (name.isEmpty() || name == name_) return;
  name_ = name;
  Changed();
}

int TFont::Size() const {
  // Round half away from zero, as the platform's MulDiv does.
  const double points = -double(height_) * 72.0 / pixels_per_inch_;
  return int(points < 0 ? points - 0.5 : points + 0.5);
}

void TFont::SetSize(int points) {
  const double h = double(points) * pixels_per_inch_ / 72.0;
  SetHeight(-int(h < 0 ? h - 0.5 : h + 0.5));
}

void TFont::SetHeight(int pixels) {
  if (pixels == height_) return;
  height_ = pixels;
  Changed();
}

void TFont::SetStyle(TFontStyles style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TFont::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TFont::SetCharset(TFontCharset charset) {
  if (charset == charset_) return;
  charset_ = charset;
  Changed();
}

void TFont::SetPitch(TFontPitch pitch) {
  if (pitch == pitch_) return;
  pitch_ = pitch;
  Changed();
}

void TFont::SetOrientation(int tenths) {
  if (tenths == orientation_) return;
  orientation_ = tenths;
  Changed();
}

namespace {

// The bitmap fonts of the original desktop are not on Linux; their metric
// twins (or the nearest sans serif) stand in.
QString FamilyFor(const QString &name) {
  static const struct {
    const char *from;
    const char *to;
  } kSubstitutes[] = {
      {"MS Sans Serif", "Liberation Sans"},
      {"MS Shell Dlg", "Liberation Sans"},
      {"MS Shell Dlg 2", "Liberation Sans"},
      {"Tahoma", "Liberation Sans"},
      {"Arial", "Liberation Sans"},
      {"Helvetica", "Liberation Sans"},
      {"Times New Roman", "Liberation Serif"},
      {"MS Serif", "Liberation Serif"},
      {"Courier New", "Liberation Mono"},
      {"Courier", "Liberation Mono"},
  };
  for (const auto &s : kSubstitutes) {
    if (name.compare(QLatin1String(s.from), Qt::CaseInsensitive) == 0) return QString::fromLatin1(s.to);
  }
  return name;
}

}  // namespace

void TFont::Changed() {
  cached_ = false;
  TGraphicsObject::Changed();
}

QFont TFont::ToQFont(TTextMetrics metrics) const {
  if (cached_) return metrics == TTextMetrics::Design ? design_qfont_ : qfont_;
  QFont f(FamilyFor(name_));
  // Negative heights are the character height (the em); positive ones the
  // whole cell, of which the em is about 7/8 in the usual fonts.
  int px = height_ < 0 ? -height_ : (height_ * 7 + 4) / 8;
  if (px <= 0) px = 11;
  f.setPixelSize(px);
  f.setBold(style_.Contains(fsBold));
  f.setItalic(style_.Contains(fsItalic));
  f.setUnderline(style_.Contains(fsUnderline));
  f.setStrikeOut(style_.Contains(fsStrikeOut));
  if (pitch_ == fpFixed) f.setFixedPitch(true);
  f.setStyleStrategy(QFont::NoAntialias);
  f.setHintingPreference(QFont::PreferFullHinting);
  qfont_ = f;
  design_qfont_ = f;
  design_qfont_.setHintingPreference(QFont::PreferNoHinting);
  cached_ = true;
  return metrics == TTextMetrics::Design ? design_qfont_ : qfont_;
}

void TFont::Assign(const rtl::TPersistent *source) {
  if (auto *f = dynamic_cast<const TFont *>(source)) {
    if (f == this) return;
    name_ = f->name_;
    // A font keeps its own resolution: the height is scaled so that the
    // point size stays (a screen font given to a printer canvas).
    const qint64 scaled = qint64(f->height_) * pixels_per_inch_;
    const qint64 half = f->pixels_per_inch_ / 2;
    height_ = int(scaled >= 0 ? (scaled + half) / f->pixels_per_inch_ : (scaled - half) / f->pixels_per_inch_);
    style_ = f->style_;
    color_ = f->color_;
    charset_ = f->charset_;
    pitch_ = f->pitch_;
    orientation_ = f->orientation_;
    Changed();
    // A copy at the same resolution is the same Qt font: the source's
    // (reports copy their objects' fonts to and from the canvas all along).
    if (f->pixels_per_inch_ == pixels_per_inch_) {
      qfont_ = f->ToQFont();
      design_qfont_ = f->design_qfont_;
      cached_ = true;
    }
    return;
  }
  TGraphicsObject::Assign(source);
}

void TPen::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TPen::SetWidth(int width) {
  width = std::max(width, 1);
  if (width == width_) return;
  width_ = width;
  Changed();
}

void TPen::SetStyle(TPenStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TPen::SetMode(TPenMode mode) {
  if (mode == mode_) return;
  mode_ = mode;
  Changed();
}

void TPen::Assign(const rtl::TPersistent *source) {
  if (auto *p = dynamic_cast<const TPen *>(source)) {
    if (p == this) return;
    color_ = p->color_;
    width_ = p->width_;
    style_ = p->style_;
    mode_ = p->mode_;
    Changed();
    return;
  }
  TGraphicsObject::Assign(source);
}

TBrush::TBrush() = default;
TBrush::~TBrush() = default;

void TBrush::SetColor(TColor color) {
  if (color == color_ && style_ != bsClear) return;
  color_ = color;
  if (style_ == bsClear) style_ = bsSolid;
  Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TBrush::SetBitmap(const TBitmap *bitmap) {
  if (bitmap == nullptr || bitmap->Empty()) {
    bitmap_.reset();
  } else {
    bitmap_ = std::make_unique<TBitmap>();
    bitmap_->Assign(bitmap);
  }
  Changed();
}

void TBrush::Assign(const rtl::TPersistent *source) {
  if (auto *b = dynamic_cast<const TBrush *>(source)) {
    if (b == this) return;
    color_ = b->color_;
    style_ = b->style_;
    if (b->bitmap_) {
      bitmap_ = std::make_unique<TBitmap>();
      bitmap_->Assign(b->bitmap_.get());
    } else {
      bitmap_.reset();
    }
    Changed();
    return;
  }
  TGraphicsObject::Assign(source);
}

}  // namespace vcl
