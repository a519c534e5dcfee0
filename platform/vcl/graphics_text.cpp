// Text widths without shaping (see TTextAdvances in textmetrics.h): the kept
// advances of each font, the check that a font may be summed, and the
// ruler that word wrapping measures its pieces with.
#include <QFontDatabase>
#include <QGlyphRun>
#include <QPaintDevice>
#include <QRawFont>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "platform/vcl/graphics.h"

namespace vcl {

namespace {

// Characters below this code are looked up in a table, the rest in a hash.
constexpr int kPlainTableSize = 0x300;
// Bounds on what is kept, so that no text can make the caches grow without end.
constexpr qsizetype kMaxPairs = 1 << 16;
constexpr size_t kMaxFonts = 256;

// Characters whose shaping, in the fonts that pass the check, is their own
// glyph at its own advance, kerned against the next one. Controls, the soft
// hyphen (shown only at a line break), combining marks, other scripts,
// surrogates and the characters Qt lays out itself (tabs, separators) are
// measured by Qt.
bool PlainChar(char16_t c) {
  constexpr char16_t kFirstPrintable = 0x20, kDelete = 0x7F, kFirstLatin1 = 0xA0, kSoftHyphen = 0xAD;
  if (c < kFirstPrintable) return false;
  if (c < kDelete) return true;
  if (c < kFirstLatin1 || c == kSoftHyphen) return false;
  if (c < kPlainTableSize) return true;
  switch (c) {
    case u'\u2013':  // dashes
    case u'\u2014':
    case u'\u2018':  // quotation marks
    case u'\u2019':
    case u'\u201A':
    case u'\u201C':
    case u'\u201D':
    case u'\u201E':
    case u'\u2020':  // daggers, bullet, ellipsis, per mille, angle quotes
    case u'\u2021':
    case u'\u2022':
    case u'\u2026':
    case u'\u2030':
    case u'\u2039':
    case u'\u203A':
    case u'\u20AC':  // euro sign
    case u'\u2122':  // trade mark
      return true;
    default:
      return false;
  }
}

// Whether shaping replaces any glyph of `probe` (ligatures, contextual
// forms): then widths of pieces are not sums of pairs.
bool Substitutes(const QFont &font, QPaintDevice *device, const QString &probe) {
  QTextLayout layout(probe, font, device);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  constexpr qreal kUnbounded = 1e9;
  line.setLineWidth(kUnbounded);
  layout.endLayout();
  const QList<QGlyphRun> runs = layout.glyphRuns();
  qsizetype glyphs = 0;
  for (const QGlyphRun &run : runs) {
    const QList<quint32> shaped = run.glyphIndexes();
    glyphs += shaped.size();
    // One run holds the whole probe: its glyphs must be the characters' own.
    if (runs.size() == 1 && shaped != run.rawFont().glyphIndexesForString(probe)) return true;
  }
  return glyphs != probe.size();
}

int DeviceDpi(QPaintDevice *device) { return device != nullptr ? device->logicalDpiY() : 0; }

// Qt's advances, hinted or not, are whole numbers of these parts of a
// pixel, so sums of them are exact.
constexpr int kUnitsPerPixel = 64;

// A width in units, rounded to whole pixels as Qt rounds a width.
int ToPixels(int units) { return int(std::lround(double(units) / kUnitsPerPixel)); }

}  // namespace

TTextAdvances::TTextAdvances(const QFont &font, QPaintDevice *device)
    : font_(font),
      metrics_(device != nullptr ? QFontMetricsF(font, device) : QFontMetricsF(font)),
      last_(kPlainTableSize, -1),
      in_font_(kPlainTableSize, -1) {
  const QFontMetrics whole = device != nullptr ? QFontMetrics(font, device) : QFontMetrics(font);
  ascent_ = whole.ascent();
  height_ = whole.height();
  ascent_f_ = metrics_.ascent();
  height_f_ = metrics_.height();
  // Ligatures and contextual forms show in sequences such as these.
  static const QString kLigatures = QStringLiteral("ff fi fl ffi ffl ft st ct Th fj fb fh fk tt office affluent The");
  simple_ = !Substitutes(font, device, kLigatures) && SelfCheck();
}

// A font whose kerning of digits or punctuation depends on the letters
// around them, or whose advances are no whole number of units, is not
// summed.
bool TTextAdvances::SelfCheck() {
  static const QString kProbe =
      QStringLiteral("AVATAR 12,50 \u20AC - Tavola, L'Aquila \u00ABYacht\u00BB T.V. 1.234/5 Wo! (P.Iva) \u00E8 Fa");
  const qsizetype n = kProbe.size();
  int sum = 0;
  for (qsizetype i = 0; i < n && simple_; ++i) {
    const int width = sum + Last(kProbe[i]);
    if (simple_ && width != Measure(kProbe.left(i + 1))) return false;
    if (i + 1 < n) sum += Before(kProbe[i], kProbe[i + 1]);
  }
  return simple_;
}

int TTextAdvances::Shaped(QStringView text) const {
  return int(std::lround(metrics_.horizontalAdvance(text.toString())));
}

// Qt's width of a short text in units; a width that is no whole number of
// them means the font's advances are finer, and sums of rounded ones would
// drift.
int TTextAdvances::Measure(const QString &text) {
  const qreal units = metrics_.horizontalAdvance(text) * kUnitsPerPixel;
  if (units != std::floor(units)) simple_ = false;
  return int(std::lround(units));
}

bool TTextAdvances::Summable(QStringView text) const {
  if (!simple_) return false;
  for (const QChar c : text) {
    if (!PlainChar(c.unicode())) return false;
  }
  return true;
}

int TTextAdvances::Last(QChar c) {
  const char16_t code = c.unicode();
  if (code < kPlainTableSize) {
    int &slot = last_[code];
    if (slot < 0) slot = Measure(QString(c));
    return slot;
  }
  const auto found = last_other_.constFind(code);
  if (found != last_other_.cend()) return *found;
  const int width = Measure(QString(c));
  last_other_.insert(code, width);
  return width;
}

int TTextAdvances::Before(QChar c, QChar next) {
  const std::uint32_t key = (std::uint32_t(c.unicode()) << 16) | next.unicode();
  const auto found = before_.constFind(key);
  if (found != before_.cend()) return *found;
  if (before_.size() >= kMaxPairs) before_.clear();
  const QChar pair[2] = {c, next};
  const int width = Measure(QString(pair, 2)) - Last(next);
  before_.insert(key, width);
  return width;
}

std::vector<int> TTextAdvances::CharAdvances(QStringView text) {
  std::vector<int> out(size_t(text.size()), 0);
  if (text.isEmpty()) return out;
  if (Summable(text)) {
    int units = 0, before = 0;
    const qsizetype last = text.size() - 1;
    for (qsizetype i = 0; i < last; ++i) {
      units += Before(text[i], text[i + 1]);
      const int edge = ToPixels(units);
      out[size_t(i)] = edge - before;
      before = edge;
    }
    out[size_t(last)] = ToPixels(units + Last(text[last])) - before;
    // A finer advance met on the way: the text goes to Qt's layout.
    if (simple_) return out;
  }
  {
    // Each character where Qt's layout of the whole text places it.
    QTextLayout layout(text.toString(), font_);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    constexpr qreal kUnbounded = 1e9;
    line.setLineWidth(kUnbounded);
    layout.endLayout();
    int before = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
      const int edge = std::max(before, int(std::lround(line.cursorToX(int(i) + 1))));
      out[size_t(i)] = edge - before;
      before = edge;
    }
  }
  return out;
}

bool TTextAdvances::InFont(QStringView text) {
  QRawFont raw;
  bool have_raw = false;
  auto supports = [&](QChar c) {
    if (!have_raw) {
      raw = QRawFont::fromFont(font_, QFontDatabase::Latin);
      have_raw = true;
    }
    return raw.isValid() && raw.supportsCharacter(c);
  };
  for (const QChar c : text) {
    const char16_t code = c.unicode();
    if (code < kPlainTableSize) {
      signed char &slot = in_font_[code];
      if (slot < 0) slot = supports(c) ? 1 : 0;
      if (slot == 0) return false;
      continue;
    }
    auto found = in_font_other_.constFind(code);
    if (found == in_font_other_.cend()) found = in_font_other_.insert(code, supports(c));
    if (!*found) return false;
  }
  return true;
}

qreal TTextAdvances::WidthF(QStringView text) {
  if (text.isEmpty()) return 0;
  if (Summable(text)) {
    const int units = Units(text);
    if (simple_) return qreal(units) / kUnitsPerPixel;
  }
  return metrics_.horizontalAdvance(text.toString());
}

int TTextAdvances::Units(QStringView text) {
  int sum = 0;
  const qsizetype last = text.size() - 1;
  for (qsizetype i = 0; i < last; ++i) sum += Before(text[i], text[i + 1]);
  return sum + Last(text[last]);
}

int TTextAdvances::Width(QStringView text) {
  if (text.isEmpty()) return 0;
  if (!Summable(text)) return Shaped(text);
  const int units = Units(text);
  // An advance finer than a unit met on the way: this text goes to Qt.
  return simple_ ? ToPixels(units) : Shaped(text);
}

std::shared_ptr<TTextAdvances> TTextAdvances::For(const QFont &font, QPaintDevice *device) {
  // One set per face, size, style and resolution. Never freed: the fonts
  // inside must not outlive the application at the program's exit.
  static auto &fonts = *new std::unordered_map<std::string, std::shared_ptr<TTextAdvances>>;
  // The font's key leaves out its hinting, which changes every advance.
  const std::string id = (font.key() + QLatin1Char('/') + QString::number(int(font.hintingPreference())) +
                          QLatin1Char('@') + QString::number(DeviceDpi(device)))
                             .toStdString();
  auto found = fonts.find(id);
  if (found == fonts.end()) {
    // Bounded: the sets are dropped (those in use stay with their users)
    // and made again when asked for.
    if (fonts.size() >= kMaxFonts) fonts.clear();
    found = fonts.emplace(id, std::make_shared<TTextAdvances>(font, device)).first;
  }
  return found->second;
}

TTextAdvances &TFont::Advances(QPaintDevice *device, TTextMetrics metrics) const {
  AdvancesKey key{name_, height_, style_.Bits(), int(pitch_), DeviceDpi(device), metrics};
  if (advances_ != nullptr && key == advances_key_) return *advances_;
  advances_ = TTextAdvances::For(ToQFont(metrics), device);
  advances_key_ = key;
  return *advances_;
}

TTextRuler::TTextRuler(TCanvas *canvas, const QString &text)
    : canvas_(canvas), text_(text), advances_(&canvas->TextAdvances()) {
  if (!advances_->Summable(text_)) return;
  const qsizetype n = text_.size();
  sums_.resize(size_t(n) + 1);
  sums_[0] = 0;
  for (qsizetype i = 0; i + 1 < n; ++i)
    sums_[size_t(i) + 1] = sums_[size_t(i)] + advances_->Before(text_[i], text_[i + 1]);
  // A fractional advance met on the way: the pieces go to Qt.
  if (!advances_->Summable(text_)) sums_.clear();
}

int TTextRuler::Width(int from, int to) const {
  if (to <= from) return 0;
  if (sums_.empty()) return canvas_->TextWidth(text_.mid(from, to - from));
  return ToPixels(sums_[size_t(to) - 1] - sums_[size_t(from)] + advances_->Last(text_[to - 1]));
}

}  // namespace vcl
