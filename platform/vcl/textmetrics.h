// Text widths without shaping (see graphics.h): the advances a font keeps
// (`TTextAdvances`) and the ruler that measures one text with them
// (`TTextRuler`).
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QString>
#include <memory>
#include <vector>

#include "platform/vcl/canvas.h"

class QPaintDevice;

namespace vcl {

// ---------------------------------------------------------------------------
// Text widths without shaping
//
// Qt measures a text by shaping it, which costs far more than adding up a
// few numbers, and word wrapping measures the same characters many times.
// For a font whose shaping of plain European text does nothing but kern
// neighbouring characters (no ligatures or other substitutions), the width
// of a text is the sum, over its characters but the last, of the advance
// each takes before the next one, plus the last one's own advance. Those
// are measured by Qt once per font and kept here, in 64ths of a pixel (Qt's
// own unit: hinted advances are whole pixels, design ones are not), so the
// sum is exact and rounds as Qt rounds the text's width. A text with other
// characters, or a font outside that case, is measured by Qt each time, so
// a width is always the one Qt gives the text measured on its own.
class TTextAdvances {
 public:
  TTextAdvances(const QFont &font, QPaintDevice *device);
  // The set kept for `font` on `device` (nullptr: measured as
  // QFontMetricsF(font) measures, without a device).
  static std::shared_ptr<TTextAdvances> For(const QFont &font, QPaintDevice *device);

  int Ascent() const { return ascent_; }
  int Height() const { return height_; }
  qreal AscentF() const { return ascent_f_; }
  qreal HeightF() const { return height_f_; }
  // The width of `text` measured on its own.
  int Width(QStringView text);
  // The same as a real number (fractional for text Qt measures).
  qreal WidthF(QStringView text);
  // Whether the width of `text` and of its pieces is a sum of kept advances.
  bool Summable(QStringView text) const;
  // Whether the font itself has every character of `text` (no fallback
  // font draws part of it).
  bool InFont(QStringView text);
  // The advance of `c` followed by `next` (kerning included), and of `c`
  // at the end of a text, in 64ths of a pixel. Only for summable text.
  int Before(QChar c, QChar next);
  int Last(QChar c);
  // The whole-pixel advance of each character of `text` where the text's
  // layout places it (each character's start rounded), so that they add up
  // to the text's width; metafile text records list them.
  std::vector<int> CharAdvances(QStringView text);
  // Qt's own measurement.
  int Shaped(QStringView text) const;

 private:
  bool SelfCheck();
  int Measure(const QString &text);
  // The width of summable, non-empty `text` in 64ths of a pixel.
  int Units(QStringView text);

  QFont font_;
  QFontMetricsF metrics_;
  int ascent_ = 0;
  int height_ = 0;
  qreal ascent_f_ = 0;
  qreal height_f_ = 0;
  bool simple_ = true;
  // By character code below the plain table's size, -1 unknown; the rest
  // in hashes.
  std::vector<int> last_;
  QHash<char16_t, int> last_other_;
  QHash<std::uint32_t, int> before_;
  std::vector<signed char> in_font_;
  QHash<char16_t, bool> in_font_other_;
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
  std::vector<int> sums_;  // sums_[i]: advances before character i, in 64ths; empty when not summable
};

}  // namespace vcl
