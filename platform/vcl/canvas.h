// `TCanvas` (see graphics.h for its pixel rules), its raster operations and
// text layout flags, and the text and edge drawing helpers.
#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/object.h"
#include "platform/vcl/colors.h"
#include "platform/vcl/graphicsobjects.h"
#include "platform/vcl/graphicstypes.h"

class QPainter;
class QPaintDevice;

namespace vcl {

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
class CanvasPainterScope;
class TTextAdvances;

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
  // The metrics the canvas measures and draws text with: the screen's
  // hinted ones unless set otherwise (a recording canvas takes the design
  // metrics, so pages read the same wherever they are played).
  TTextMetrics TextMetrics() const { return text_metrics_; }
  void SetTextMetrics(TTextMetrics metrics) { text_metrics_ = metrics; }
  // The canvas's font as it measures and draws text.
  QFont TextFont() const { return font_->ToQFont(text_metrics_); }
  TTextAdvances &TextAdvances() { return font_->Advances(Device(), text_metrics_); }
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

 protected:
  // Draws `text` in the painter's font and pen with its base line starting
  // at `at` (QPainter's drawText; a recording canvas records it directly).
  // `metrics` are the font's on this canvas's device and `width`, when not
  // negative, the text's width by them.
  virtual void PaintText(QPainter *painter, QPoint at, const QString &text, TTextAdvances &metrics, int width);

 private:
  friend class CanvasPainterScope;
  void Changing();
  void Changed();
  void ApplyPenMode(CanvasPainterScope &scope);

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
  TTextMetrics text_metrics_ = TTextMetrics::Screen;
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

}  // namespace vcl
