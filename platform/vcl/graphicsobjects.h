// The drawing tools of a canvas (see graphics.h): fonts, pens and brushes,
// each telling its owner when it changes.
#pragma once

#include <QFont>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/rtl/object.h"
#include "platform/vcl/colors.h"
#include "platform/vcl/consts.h"

class QPaintDevice;

namespace vcl {

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

// The metrics text is laid out and drawn with. Screen: hinted to the pixel
// grid, crisp on the screen, but each character's advance is rounded at
// the screen's size, so text drawn with them on a finer device (a printer,
// a PDF file) is unevenly spaced and words come apart. Design: the font's
// own advances, unhinted, the same at every size and on every device
// (printed pages, and whatever is recorded to be printed).
enum class TTextMetrics { Screen, Design };

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
  QFont ToQFont(TTextMetrics metrics = TTextMetrics::Screen) const;
  // The text metrics of this font on `device` (nullptr: the screen), shared
  // by every font of the same face, size and style (see TTextAdvances).
  TTextAdvances &Advances(QPaintDevice *device, TTextMetrics metrics = TTextMetrics::Screen) const;
  void Assign(const rtl::TPersistent *source) override;

 protected:
  void Changed() override;

 private:
  // Text drawing asks for the Qt font on every call; it is made once per
  // change.
  mutable QFont qfont_;
  mutable QFont design_qfont_;
  mutable bool cached_ = false;
  // The metrics last asked for, and what they were made from (a change of
  // colour or a copy of the same font keeps them).
  struct AdvancesKey {
    QString name;
    int height = 0;
    std::uint64_t style = 0;
    int pitch = 0;
    int dpi = 0;
    TTextMetrics metrics = TTextMetrics::Screen;
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

}  // namespace vcl
