// Graphics of the component library: colours, fonts, pens, brushes, the
// canvas, and the pictures (bitmaps, icons, JPEG images, image lists).
//
// `TCanvas` draws on a QPainter with the pixel rules the controls were
// written for: a filled rectangle covers Left..Right-1 and Top..Bottom-1, a
// line leaves out its end point, text is placed by the top-left corner of
// its cell and is transparent unless the brush is solid. A control's paint
// handler attaches the canvas to the painter of its paint event with
// BeginPaint/EndPaint; a bitmap's canvas paints on the bitmap's QImage.
//
// Bitmaps and icons are read and written in the platform's own file formats
// by this library's code (not by Qt's image plug-ins), so that the bytes and
// the errors on damaged files are ours; JPEG goes through libjpeg.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QRect>
#include <QString>
#include <QVector>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/object.h"
#include "platform/vcl/consts.h"

class QPainter;
class QPaintDevice;

namespace rtl {
class TStream;
}

namespace vcl {

using rtl::Exception;
ORBISCA_EXCEPTION(EInvalidGraphic, Exception)
ORBISCA_EXCEPTION(EInvalidGraphicOperation, Exception)
ORBISCA_EXCEPTION(EJPEG, EInvalidGraphic)

// ---------------------------------------------------------------------------
// Points and rectangles

struct TPoint {
  int X = 0;
  int Y = 0;
  constexpr bool operator==(const TPoint &) const = default;
};

// Right and Bottom are exclusive: Rect(0, 0, 10, 10) is 10 x 10 pixels.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  constexpr int Width() const { return Right - Left; }
  constexpr int Height() const { return Bottom - Top; }
  constexpr TPoint TopLeft() const { return {Left, Top}; }
  constexpr TPoint BottomRight() const { return {Right, Bottom}; }
  constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  constexpr bool operator==(const TRect &) const = default;
};

struct TSize {
  int cx = 0;
  int cy = 0;
  constexpr bool operator==(const TSize &) const = default;
};

constexpr TPoint Point(int x, int y) { return {x, y}; }
constexpr TRect Rect(int left, int top, int right, int bottom) { return {left, top, right, bottom}; }
constexpr TRect Bounds(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }
// Grows (or with negative values shrinks) the rectangle on every side.
void InflateRect(TRect &r, int dx, int dy);
void OffsetRect(TRect &r, int dx, int dy);
// Left/Top inclusive, Right/Bottom exclusive.
bool PtInRect(const TRect &r, const TPoint &p);
// The common part of a and b into dest; false (and an empty dest) when none.
bool IntersectRect(TRect &dest, const TRect &a, const TRect &b);
// The smallest rectangle holding both; an empty side does not count.
bool UnionRect(TRect &dest, const TRect &a, const TRect &b);
bool IsRectEmpty(const TRect &r);

QRect ToQRect(const TRect &r);
TRect FromQRect(const QRect &r);

// ---------------------------------------------------------------------------
// Colours

// 0x00BBGGRR. A negative value (high byte 0x80) names a system colour by its
// index in the low byte; clNone and clDefault are markers, not colours.
using TColor = std::int32_t;

constexpr TColor RGB(int r, int g, int b) { return TColor((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16)); }
constexpr int GetRValue(TColor c) { return c & 0xFF; }
constexpr int GetGValue(TColor c) { return (c >> 8) & 0xFF; }
constexpr int GetBValue(TColor c) { return (c >> 16) & 0xFF; }

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clLtGray = 0xC0C0C0;
inline constexpr TColor clDkGray = 0x808080;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clMoneyGreen = 0xC0DCC0;
inline constexpr TColor clSkyBlue = 0xF0CAA6;
inline constexpr TColor clCream = 0xF0FBFF;
inline constexpr TColor clMedGray = 0xA4A0A0;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

constexpr TColor SysColor(int index) { return TColor(0x80000000u | unsigned(index)); }
inline constexpr TColor clScrollBar = SysColor(0);
inline constexpr TColor clBackground = SysColor(1);
inline constexpr TColor clActiveCaption = SysColor(2);
inline constexpr TColor clInactiveCaption = SysColor(3);
inline constexpr TColor clMenu = SysColor(4);
inline constexpr TColor clWindow = SysColor(5);
inline constexpr TColor clWindowFrame = SysColor(6);
inline constexpr TColor clMenuText = SysColor(7);
inline constexpr TColor clWindowText = SysColor(8);
inline constexpr TColor clCaptionText = SysColor(9);
inline constexpr TColor clActiveBorder = SysColor(10);
inline constexpr TColor clInactiveBorder = SysColor(11);
inline constexpr TColor clAppWorkSpace = SysColor(12);
inline constexpr TColor clHighlight = SysColor(13);
inline constexpr TColor clHighlightText = SysColor(14);
inline constexpr TColor clBtnFace = SysColor(15);
inline constexpr TColor clBtnShadow = SysColor(16);
inline constexpr TColor clGrayText = SysColor(17);
inline constexpr TColor clBtnText = SysColor(18);
inline constexpr TColor clInactiveCaptionText = SysColor(19);
inline constexpr TColor clBtnHighlight = SysColor(20);
inline constexpr TColor cl3DDkShadow = SysColor(21);
inline constexpr TColor cl3DLight = SysColor(22);
inline constexpr TColor clInfoText = SysColor(23);
inline constexpr TColor clInfoBk = SysColor(24);

// The RGB value of a system colour (index 0..24; others give black).
TColor GetSysColor(int index);
// System colours resolved to RGB; plain colours and the markers unchanged.
TColor ColorToRGB(TColor color);
// clNone and clDefault give an invalid QColor.
QColor ColorToQColor(TColor color);
TColor QColorToColor(const QColor &color);
// "clBtnFace" <-> clBtnFace; unknown values give false.
bool ColorToIdent(TColor color, QString &ident);
bool IdentToColor(const QString &ident, TColor &color);
// A name when there is one, else "$00BBGGRR".
QString ColorToString(TColor color);
// A name, "$hex" or a decimal number; anything else raises EConvertError.
TColor StringToColor(const QString &text);

// ---------------------------------------------------------------------------
// Fonts, pens, brushes

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TEnumSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontCharset = int;
inline constexpr TFontCharset ANSI_CHARSET = 0;
inline constexpr TFontCharset DEFAULT_CHARSET = 1;
inline constexpr TFontCharset SYMBOL_CHARSET = 2;

// Pixels per logical inch of the screen, as font sizes are converted.
inline constexpr int kScreenPixelsPerInch = 96;

class TBitmap;
class TTextAdvances;

// Shared base of TFont, TPen and TBrush: a change fires OnChange.
class TGraphicsObject : public rtl::TPersistent {
  ORBISCA_CLASS(TGraphicsObject, rtl::TPersistent)
 public:
  std::function<void(TGraphicsObject *sender)> OnChange;

 protected:
  virtual void Changed();
};

class TFont : public TGraphicsObject {
  ORBISCA_CLASS(TFont, TGraphicsObject)
 public:
  TFont();  // "MS Sans Serif", 8 points, black, no style

  QString Name() const { return name_; }
  void SetName(const QString &name);
  // Points; Size = -Height * 72 / PixelsPerInch.
  int Size() const;
  void SetSize(int points);
  // Pixels; negative = character height, positive = cell height.
  int Height() const { return height_; }
  void SetHeight(int pixels);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles style);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TFontCharset Charset() const { return charset_; }
  void SetCharset(TFontCharset charset);
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch pitch);
  // Escapement of the text in tenths of a degree, counter-clockwise.
  int Orientation() const { return orientation_; }
  void SetOrientation(int tenths);
  // The resolution Height is counted in (96 on the screen; a printer
  // canvas's font has the printer's). Assign scales the height to it.
  int PixelsPerInch() const { return pixels_per_inch_; }
  void SetPixelsPerInch(int ppi) {
    pixels_per_inch_ = ppi > 0 ? ppi : kScreenPixelsPerInch;
    cached_ = false;
  }

  // The Qt font for drawing (pixel-sized, so the same on every device).
  QFont ToQFont() const;
  // The text metrics of this font on `device` (nullptr: the screen), shared
  // by every font of the same face, size and style (see TTextAdvances).
  TTextAdvances &Advances(QPaintDevice *device) const;
  void Assign(const rtl::TPersistent *source) override;

 protected:
  void Changed() override;

 private:
  // Text drawing asks for the Qt font on every call; it is made once per
  // change.
  mutable QFont qfont_;
  mutable bool cached_ = false;
  // The metrics last asked for, and what they were made from (a change of
  // colour or a copy of the same font keeps them).
  struct AdvancesKey {
    QString name;
    int height = 0;
    std::uint64_t style = 0;
    int pitch = 0;
    int dpi = 0;
    bool operator==(const AdvancesKey &) const = default;
  };
  mutable std::shared_ptr<TTextAdvances> advances_;
  mutable AdvancesKey advances_key_;
  QString name_;
  int height_ = -11;
  TFontStyles style_;
  TColor color_ = clWindowText;
  TFontCharset charset_ = DEFAULT_CHARSET;
  TFontPitch pitch_ = fpDefault;
  int orientation_ = 0;
  int pixels_per_inch_ = kScreenPixelsPerInch;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
  pmBlack,
  pmWhite,
  pmNop,
  pmNot,
  pmCopy,
  pmNotCopy,
  pmMergePenNot,
  pmMaskPenNot,
  pmMergeNotPen,
  pmMaskNotPen,
  pmMerge,
  pmNotMerge,
  pmMask,
  pmNotMask,
  pmXor,
  pmNotXor
};

class TPen : public TGraphicsObject {
  ORBISCA_CLASS(TPen, TGraphicsObject)
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  int Width() const { return width_; }
  void SetWidth(int width);  // below 1 counts as 1
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle style);
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode mode);
  void Assign(const rtl::TPersistent *source) override;

 private:
  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = psSolid;
  TPenMode mode_ = pmCopy;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBrush : public TGraphicsObject {
  ORBISCA_CLASS(TBrush, TGraphicsObject)
 public:
  TBrush();
  ~TBrush() override;
  TColor Color() const { return color_; }
  // Setting a colour on a clear brush makes it solid, as on the platform.
  void SetColor(TColor color);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle style);
  // A pattern bitmap (copied); nullptr removes it. It takes precedence
  // over the style when set.
  TBitmap *Bitmap() const { return bitmap_.get(); }
  void SetBitmap(const TBitmap *bitmap);
  void Assign(const rtl::TPersistent *source) override;

 private:
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
  std::unique_ptr<TBitmap> bitmap_;
};

// ---------------------------------------------------------------------------
// Canvas

// Raster operations of CopyRect and of drawing bitmaps.
using TCopyMode = std::uint32_t;
inline constexpr TCopyMode cmBlackness = 0x00000042;
inline constexpr TCopyMode cmDstInvert = 0x00550009;
inline constexpr TCopyMode cmMergeCopy = 0x00C000CA;
inline constexpr TCopyMode cmMergePaint = 0x00BB0226;
inline constexpr TCopyMode cmNotSrcCopy = 0x00330008;
inline constexpr TCopyMode cmNotSrcErase = 0x001100A6;
inline constexpr TCopyMode cmPatCopy = 0x00F00021;
inline constexpr TCopyMode cmPatInvert = 0x005A0049;
inline constexpr TCopyMode cmPatPaint = 0x00FB0A09;
inline constexpr TCopyMode cmSrcAnd = 0x008800C6;
inline constexpr TCopyMode cmSrcCopy = 0x00CC0020;
inline constexpr TCopyMode cmSrcErase = 0x00440328;
inline constexpr TCopyMode cmSrcInvert = 0x00660046;
inline constexpr TCopyMode cmSrcPaint = 0x00EE0086;
inline constexpr TCopyMode cmWhiteness = 0x00FF0062;

// Text layout flags of DrawText (the platform's DT_ values).
inline constexpr unsigned DT_TOP = 0x0;
inline constexpr unsigned DT_LEFT = 0x0;
inline constexpr unsigned DT_CENTER = 0x1;
inline constexpr unsigned DT_RIGHT = 0x2;
inline constexpr unsigned DT_VCENTER = 0x4;
inline constexpr unsigned DT_BOTTOM = 0x8;
inline constexpr unsigned DT_WORDBREAK = 0x10;
inline constexpr unsigned DT_SINGLELINE = 0x20;
inline constexpr unsigned DT_EXPANDTABS = 0x40;
inline constexpr unsigned DT_NOCLIP = 0x100;
inline constexpr unsigned DT_CALCRECT = 0x400;
inline constexpr unsigned DT_NOPREFIX = 0x800;
inline constexpr unsigned DT_PATH_ELLIPSIS = 0x4000;
inline constexpr unsigned DT_END_ELLIPSIS = 0x8000;
inline constexpr unsigned DT_WORD_ELLIPSIS = 0x40000;

class TGraphic;

class TCanvas : public rtl::TPersistent {
  ORBISCA_CLASS(TCanvas, rtl::TPersistent)
 public:
  TCanvas();
  ~TCanvas() override;

  // Attaches the canvas to a painter owned by someone else (a paint event)
  // until EndPaint. The painter's state is saved and restored around it.
  void BeginPaint(QPainter *painter);
  void EndPaint();
  // Attaches the canvas to an image it paints on with a painter of its own,
  // opened on first use; nullptr detaches. Bitmaps use this.
  void SetImage(QImage *image);
  // Closes the canvas's own painter so the image may be changed directly;
  // the next drawing call opens a new one.
  void Flush();
  // True while there is a painter or an image to draw on.
  bool HandleAllocated() const;
  // The painter in use (opens one on the image when needed); nullptr when
  // the canvas has nothing to draw on. For drawing the canvas cannot do.
  QPainter *Painter();
  // What the canvas draws on (for font metrics of that device); nullptr
  // when nothing.
  QPaintDevice *Device();

  TFont *Font() const { return font_.get(); }
  void SetFont(const TFont *font) { font_->Assign(font); }
  TPen *Pen() const { return pen_.get(); }
  void SetPen(const TPen *pen) { pen_->Assign(pen); }
  TBrush *Brush() const { return brush_.get(); }
  void SetBrush(const TBrush *brush) { brush_->Assign(brush); }
  TPoint PenPos() const { return pen_pos_; }
  void SetPenPos(TPoint p) { pen_pos_ = p; }
  TCopyMode CopyMode() const { return copy_mode_; }
  void SetCopyMode(TCopyMode mode) { copy_mode_ = mode; }

  void MoveTo(int x, int y);
  // A line from PenPos to (x, y), without the end point; PenPos moves there.
  void LineTo(int x, int y);
  // Outline with the pen and inside with the brush; covers Left..Right-1.
  void Rectangle(int x1, int y1, int x2, int y2);
  void Rectangle(const TRect &r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  // Fills with the brush, no outline.
  void FillRect(const TRect &r);
  // A one-pixel frame in the brush colour.
  void FrameRect(const TRect &r);
  // A dotted frame that inverts what is below; drawing it twice removes it.
  void DrawFocusRect(const TRect &r);
  void Ellipse(int x1, int y1, int x2, int y2);
  void Ellipse(const TRect &r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
  // Corners rounded with an ellipse of x3 x y3.
  void RoundRect(int x1, int y1, int x2, int y2, int x3, int y3);
  void Polygon(const std::vector<TPoint> &points);
  void Polyline(const std::vector<TPoint> &points);
  // Elliptic arc in the box (x1,y1)-(x2,y2), counter-clockwise from the
  // ray towards (x3,y3) to the ray towards (x4,y4).
  void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  // Text with its cell's top-left corner at (x, y); PenPos moves to the end.
  void TextOut(int x, int y, const QString &text);
  // Text at (x, y) clipped to r; a solid brush fills r first. Turned fonts
  // turn the text about (x, y), the clip rectangle staying as given.
  void TextRect(const TRect &r, int x, int y, const QString &text);
  int TextWidth(const QString &text);
  int TextHeight(const QString &text);
  TSize TextExtent(const QString &text);
  void Draw(int x, int y, const TGraphic *graphic);
  void StretchDraw(const TRect &r, const TGraphic *graphic);
  // Copies source's pixels in source_rect into dest (scaled) with CopyMode.
  void CopyRect(const TRect &dest, TCanvas *source, const TRect &source_rect);
  // An image with the raster operation of CopyMode.
  void DrawImage(const TRect &dest, const QImage &image, const QRect &source_rect);

  // -1 (invalid) outside the surface or when it cannot be read.
  TColor Pixel(int x, int y);
  void SetPixel(int x, int y, TColor color);

  // The area drawing reaches: the clip rectangle or the whole surface.
  TRect ClipRect();
  void SetClipRect(const TRect &r);
  void IntersectClipRect(const TRect &r);
  void ResetClip();
  // The pixel size of what the canvas draws on (0 x 0 when nothing).
  TSize SurfaceSize();

  // Copy of the source canvas's image (bitmap canvases and painters on
  // images); a null image otherwise.
  QImage GrabImage(const QRect &source_rect);

  std::function<void(TCanvas *sender)> OnChange;
  std::function<void(TCanvas *sender)> OnChanging;

 private:
  friend class CanvasPainterScope;
  void Changing();
  void Changed();
  void ApplyPenMode(QPainter *p);

  std::unique_ptr<TFont> font_;
  std::unique_ptr<TPen> pen_;
  std::unique_ptr<TBrush> brush_;
  TPoint pen_pos_;
  TCopyMode copy_mode_ = cmSrcCopy;
  QPainter *external_ = nullptr;
  QImage *image_ = nullptr;
  std::unique_ptr<QPainter> own_;
  bool clip_set_ = false;
  QRect clip_;
};

// ---------------------------------------------------------------------------
// Text widths without shaping
//
// Qt measures a text by shaping it, which costs far more than adding up a
// few numbers, and word wrapping measures the same characters many times.
// For a font whose shaping of plain European text does nothing but kern
// neighbouring characters (no ligatures or other substitutions) and whose
// advances are whole pixels, the width of a text is the sum, over its
// characters but the last, of the advance each takes before the next one,
// plus the last one's own advance. Those are measured by Qt once per font
// and kept here. A text with other characters, or a font outside that case,
// is measured by Qt each time, so a width is always the one Qt gives the
// text measured on its own.
class TTextAdvances {
 public:
  TTextAdvances(const QFont &font, QPaintDevice *device);

  int Ascent() const { return ascent_; }
  int Height() const { return height_; }
  // The width of `text` measured on its own.
  int Width(QStringView text);
  // Whether the width of `text` and of its pieces is a sum of kept advances.
  bool Summable(QStringView text) const;
  // The advance of `c` followed by `next` (kerning included), and of `c`
  // at the end of a text. Only for summable text.
  int Before(QChar c, QChar next);
  int Last(QChar c);
  // Qt's own measurement.
  int Shaped(QStringView text) const;

 private:
  bool SelfCheck();
  int Measure(const QString &text);

  QFontMetricsF metrics_;
  int ascent_ = 0;
  int height_ = 0;
  bool simple_ = true;
  std::vector<int> last_;  // by character code below kPlainTableSize, -1 unknown
  QHash<char16_t, int> last_other_;
  QHash<std::uint32_t, int> before_;
};

// The widths of the pieces of one text, each as TextWidth measures that
// piece on its own, in constant time per piece.
class TTextRuler {
 public:
  TTextRuler(TCanvas *canvas, const QString &text);
  // The width of text[from, to).
  int Width(int from, int to) const;

 private:
  TCanvas *canvas_;
  QString text_;
  TTextAdvances *advances_;
  std::vector<int> sums_;  // sums_[i]: advances before character i; empty when not summable
};

// Text in a rectangle with the DT_ flags (alignment, word break, single
// line, "&" prefixes, ellipsis, DT_CALCRECT to only measure: then r gets the
// text's extent). Returns the height of the text.
int DrawText(TCanvas *canvas, const QString &text, TRect &r, unsigned format);
// The text shortened with "..." to fit `width` pixels in the canvas's font.
QString EllipsizeText(TCanvas *canvas, const QString &text, int width);

// Edges in the 3D look of buttons and panels. `edge` is a combination of
// the BDR_ bits (outer ring at the rectangle's border, inner ring one pixel
// in), `flags` says which sides (BF_LEFT..BF_RECT) and how: BF_SOFT, BF_FLAT,
// BF_MONO, BF_MIDDLE (fill the inside with the button face), BF_ADJUST (r
// shrinks by what was drawn). Raised: light top-left, dark bottom-right.
inline constexpr unsigned BDR_RAISEDOUTER = 0x1;
inline constexpr unsigned BDR_SUNKENOUTER = 0x2;
inline constexpr unsigned BDR_RAISEDINNER = 0x4;
inline constexpr unsigned BDR_SUNKENINNER = 0x8;
inline constexpr unsigned EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
inline constexpr unsigned EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
inline constexpr unsigned EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
inline constexpr unsigned EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
inline constexpr unsigned BF_LEFT = 0x1;
inline constexpr unsigned BF_TOP = 0x2;
inline constexpr unsigned BF_RIGHT = 0x4;
inline constexpr unsigned BF_BOTTOM = 0x8;
inline constexpr unsigned BF_TOPLEFT = BF_TOP | BF_LEFT;
inline constexpr unsigned BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
inline constexpr unsigned BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
inline constexpr unsigned BF_MIDDLE = 0x800;
inline constexpr unsigned BF_SOFT = 0x1000;
inline constexpr unsigned BF_ADJUST = 0x2000;
inline constexpr unsigned BF_FLAT = 0x4000;
inline constexpr unsigned BF_MONO = 0x8000;
void DrawEdge(TCanvas *canvas, TRect &r, unsigned edge, unsigned flags);

// ---------------------------------------------------------------------------
// Pictures

class TGraphic : public rtl::TPersistent {
  ORBISCA_CLASS(TGraphic, rtl::TPersistent)
 public:
  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int width) = 0;
  virtual void SetHeight(int height) = 0;
  bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool value);
  bool Modified() const { return modified_; }
  void SetModified(bool value) { modified_ = value; }

  // The picture as drawn, in ARGB (transparent parts have alpha 0).
  virtual QImage ToImage() const = 0;
  // Draws into r (stretched) on the canvas.
  virtual void Draw(TCanvas *canvas, const TRect &r) const;

  // File forms. Damaged data raises EInvalidGraphic (or a subclass).
  virtual void LoadFromBytes(const QByteArray &data) = 0;
  virtual QByteArray SaveToBytes() const = 0;
  void LoadFromFile(const QString &file_name);
  void SaveToFile(const QString &file_name) const;
  // From the stream's position to its end / at the stream's position.
  void LoadFromStream(rtl::TStream &stream);
  void SaveToStream(rtl::TStream &stream) const;

  std::function<void(TGraphic *sender)> OnChange;

 protected:
  void Changed();
  // How many of the bytes last given to LoadFromBytes the graphic used, so
  // that LoadFromStream leaves the stream just after it (-1: all of them).
  virtual qint64 LoadedLength() const { return -1; }

 private:
  bool transparent_ = false;
  bool modified_ = false;
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmap : public TGraphic {
  ORBISCA_CLASS(TBitmap, TGraphic)
 public:
  TBitmap();
  TBitmap(int width, int height);
  ~TBitmap() override;

  bool Empty() const override;
  int Width() const override;
  int Height() const override;
  void SetWidth(int width) override;
  void SetHeight(int height) override;
  void SetSize(int width, int height);
  // Kept with the image: the depth it is saved in (pfDevice = 24 bits).
  TPixelFormat PixelFormat() const { return pixel_format_; }
  void SetPixelFormat(TPixelFormat format);
  // The palette used when saving 1, 4 and 8 bits (taken from a loaded file;
  // otherwise made from the image's colours).
  const QVector<QRgb> &Palette() const { return palette_; }
  void SetPalette(const QVector<QRgb> &palette) { palette_ = palette; }
  // tmAuto: the bottom-left pixel's colour.
  TColor TransparentColor() const;
  void SetTransparentColor(TColor color);
  TTransparentMode TransparentMode() const { return transparent_mode_; }
  void SetTransparentMode(TTransparentMode mode) { transparent_mode_ = mode; }
  // Monochrome look (pixels of the transparent colour white, the rest black).
  bool Monochrome() const { return monochrome_; }
  void SetMonochrome(bool value);

  TCanvas *Canvas();
  // The pixels (RGB32). Finishes pending canvas drawing first.
  const QImage &Image() const;
  // Replaces the pixels with a copy of `image` (converted to RGB32).
  void SetImage(const QImage &image);

  QImage ToImage() const override;
  void Draw(TCanvas *canvas, const TRect &r) const override;
  void Assign(const rtl::TPersistent *source) override;
  // Mask: white where the transparent colour is, black elsewhere.
  QImage MaskImage(TColor transparent) const;

  // The platform's BMP file: 1, 4, 8, 24 and 32 bits, uncompressed or RLE
  // (read), bottom-up or top-down (read); written uncompressed bottom-up.
  void LoadFromBytes(const QByteArray &data) override;
  QByteArray SaveToBytes() const override;
  // A device-independent bitmap without the file header (clipboard form).
  void LoadFromDib(const QByteArray &dib);
  QByteArray SaveToDib() const;

  void FreeImage() {}
  void Dormant() {}

 protected:
  qint64 LoadedLength() const override { return loaded_length_; }

 private:
  void EnsureCanvas();
  void Resize(int width, int height);
  int width_ = 0;
  int height_ = 0;
  mutable QImage image_;
  qint64 loaded_length_ = -1;
  std::unique_ptr<TCanvas> canvas_;
  TPixelFormat pixel_format_ = pfDevice;
  QVector<QRgb> palette_;
  TColor transparent_color_ = clDefault;
  TTransparentMode transparent_mode_ = tmAuto;
  bool monochrome_ = false;
};

// One image of an icon file's directory.
struct TIconEntry {
  int width = 0;  // 0 in the file means 256
  int height = 0;
  int color_count = 0;  // 0 = 256 or more colours
  int planes = 0;
  int bit_count = 0;
  quint32 size = 0;
  quint32 offset = 0;
};

// An icon file (.ico): several images, each with its own mask. The file's
// bytes are kept and saved back unchanged; an icon made from an image is
// saved as one 32-bit image with its mask; an empty icon as the 6-byte
// header of type 0 with no images (which also loads as an empty icon).
class TIcon : public TGraphic {
  ORBISCA_CLASS(TIcon, TGraphic)
 public:
  TIcon();
  bool Empty() const override;
  int Width() const override;
  int Height() const override;
  // Icons have the size of their image: setting it raises
  // EInvalidGraphicOperation.
  void SetWidth(int width) override;
  void SetHeight(int height) override;

  // The image shown (the best of the file's images: largest, then deepest).
  QImage ToImage() const override;
  // Makes the icon from an ARGB image (alpha 0 = transparent).
  void SetImage(const QImage &image);
  const std::vector<TIconEntry> &Entries() const { return entries_; }
  // The image of directory entry `index` (ARGB, masked).
  QImage EntryImage(int index) const;
  void Assign(const rtl::TPersistent *source) override;

  void LoadFromBytes(const QByteArray &data) override;
  QByteArray SaveToBytes() const override;

  // Reads the 6-byte header and directory; raises EInvalidGraphic.
  static std::vector<TIconEntry> ReadDirectory(const QByteArray &data, int *type = nullptr);
  // Decodes one image of an icon or cursor file.
  static QImage DecodeEntry(const QByteArray &data, const TIconEntry &entry);

 protected:
  qint64 LoadedLength() const override;

 private:
  QByteArray data_;
  std::vector<TIconEntry> entries_;
  QImage image_;
  int chosen_ = -1;
};

class TJPEGImage : public TGraphic {
  ORBISCA_CLASS(TJPEGImage, TGraphic)
 public:
  TJPEGImage();
  bool Empty() const override;
  int Width() const override;
  int Height() const override;
  void SetWidth(int width) override;    // raises EInvalidGraphicOperation
  void SetHeight(int height) override;  // raises EInvalidGraphicOperation
  // 1..100, used when the image is encoded again.
  int CompressionQuality() const { return quality_; }
  void SetCompressionQuality(int quality);
  bool Grayscale() const { return grayscale_; }
  void SetGrayscale(bool value);
  bool ProgressiveEncoding() const { return progressive_; }
  void SetProgressiveEncoding(bool value) { progressive_ = value; }

  QImage ToImage() const override;
  void SetImage(const QImage &image);
  void Assign(const rtl::TPersistent *source) override;
  // Damaged data raises EJPEG with libjpeg's text.
  void LoadFromBytes(const QByteArray &data) override;
  QByteArray SaveToBytes() const override;

  static QImage Decode(const QByteArray &data);
  static QByteArray Encode(const QImage &image, int quality, bool grayscale, bool progressive);

 private:
  QByteArray data_;  // as loaded, saved back while the image is unchanged
  QImage image_;
  int quality_ = 90;
  bool grayscale_ = false;
  bool progressive_ = false;
};

// A holder of any graphic, choosing the kind by file extension or content.
class TPicture : public rtl::TPersistent {
  ORBISCA_CLASS(TPicture, rtl::TPersistent)
 public:
  TPicture();
  ~TPicture() override;

  TGraphic *Graphic() const { return graphic_.get(); }
  // A copy of `graphic` (nullptr empties the picture).
  void SetGraphic(const TGraphic *graphic);
  // The graphic as a bitmap: replaces another kind of graphic by an empty
  // bitmap, as on the platform.
  TBitmap *Bitmap();
  void SetBitmap(const TBitmap *bitmap) { SetGraphic(bitmap); }
  TIcon *Icon();
  void SetIcon(const TIcon *icon) { SetGraphic(icon); }
  int Width() const;
  int Height() const;

  // .bmp, .ico, .jpg/.jpeg/.jpe/.jfif, or the file's first bytes when the
  // extension is unknown. Unknown content raises EInvalidGraphic ("Unknown
  // picture file extension (.xyz)").
  void LoadFromFile(const QString &file_name);
  void SaveToFile(const QString &file_name) const;
  // Makes the right graphic from bytes by their content.
  static std::unique_ptr<TGraphic> GraphicFromBytes(const QByteArray &data);
  // The open/save dialog filter of every kind a picture loads ("All
  // (*.bmp;*.ico;*.jpg;*.jpeg)|...|Bitmaps (*.bmp)|*.bmp|...").
  static QString GraphicFilter();
  void Assign(const rtl::TPersistent *source) override;

  // Clipboard formats that carry graphics of a kind (see clipboard.h).
  using GraphicFactory = std::function<std::unique_ptr<TGraphic>()>;
  static void RegisterClipboardFormat(unsigned format, const QString &class_name, GraphicFactory factory);
  static bool SupportsClipboardFormat(unsigned format);
  // The format registered for a graphic class name, 0 when none.
  static unsigned ClipboardFormatFor(const QString &class_name);
  static std::unique_ptr<TGraphic> CreateForClipboardFormat(unsigned format);

  std::function<void(TPicture *sender)> OnChange;

 private:
  void Changed();
  std::unique_ptr<TGraphic> graphic_;
};

enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };

// Images of one size, each with its mask, drawn by index.
class TImageList : public rtl::TPersistent {
  ORBISCA_CLASS(TImageList, rtl::TPersistent)
 public:
  TImageList(int width = 16, int height = 16);
  ~TImageList() override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Changing the size clears the list.
  void SetWidth(int width);
  void SetHeight(int height);
  int Count() const { return int(images_.size()); }
  TColor BkColor() const { return bk_color_; }
  void SetBkColor(TColor color) { bk_color_ = color; }
  TDrawingStyle DrawingStyle() const { return drawing_style_; }
  void SetDrawingStyle(TDrawingStyle style) { drawing_style_ = style; }

  // Adds the image (cut into Width-wide cells when wider); the mask is
  // black where the image shows, white where it is transparent (nullptr:
  // opaque). Returns the index of the first image added.
  virtual int Add(const TBitmap *image, const TBitmap *mask);
  // Pixels of mask_color are transparent.
  virtual int AddMasked(const TBitmap *image, TColor mask_color);
  int AddImage(const QImage &argb);
  virtual void Delete(int index);
  void Clear();
  void Replace(int index, const TBitmap *image, const TBitmap *mask);
  void ReplaceMasked(int index, const TBitmap *image, TColor mask_color);
  void Move(int from, int to);
  // Draws image `index`; a disabled image is drawn greyed.
  void Draw(TCanvas *canvas, int x, int y, int index, bool enabled = true) const;
  // Copies the image into `bitmap` on the background colour (clNone: the
  // platform's black).
  void GetBitmap(int index, TBitmap *bitmap) const;
  // ARGB image (alpha 0 where masked); raises EInvalidOperation on a bad index.
  QImage Image(int index) const;

  std::function<void(TImageList *sender)> OnChange;

 protected:
  void Changed();
  void CheckIndex(int index) const;

 private:
  int width_;
  int height_;
  std::vector<QImage> images_;
  TColor bk_color_ = clNone;
  TDrawingStyle drawing_style_ = dsNormal;
};

// An 8 x 8 checkerboard of the two colours: the dither pattern of latched
// buttons and scroll bars, used as a brush bitmap.
std::unique_ptr<TBitmap> AllocPatternBitmap(TColor background, TColor foreground);

}  // namespace vcl
