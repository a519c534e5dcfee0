// Helpers shared by the extended controls (see utils.h).
#include "controls/extended/utils.h"

#include <QApplication>
#include <QCursor>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "platform/rtl/cp1252.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/formatsettings.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/forms.h"

namespace ext {

int MaxOfTwo(int a, int b) { return a > b ? a : b; }
int MinOfTwo(int a, int b) { return a < b ? a : b; }

void RegisterExtendedCursors() {
  vcl::InitApplication();
  static bool done = false;
  if (done) return;
  done = true;
  vcl::Screen->SetCursors(crHandCur, QCursor(Qt::PointingHandCursor));
  vcl::Screen->SetCursors(crDragCur, QCursor(Qt::DragMoveCursor));
}

// --- strings ------------------------------------------------------------------------------

TCharSet TCharSet::Range(char16_t first, char16_t last) {
  TCharSet s;
  for (unsigned c = first; c <= last && c < 256; ++c) s.Include(static_cast<char16_t>(c));
  return s;
}

bool AllCharsInSet(const QString &text, const TCharSet &set) {
  return std::all_of(text.begin(), text.end(), [&set](QChar c) { return set.Contains(c); });
}

QString ReplaceAll(const QString &text, const QString &what, const QString &by) {
  if (what.isEmpty()) return text;
  QString out;
  qsizetype from = 0;
  for (;;) {
    const qsizetype at = text.indexOf(what, from);
    if (at < 0) break;
    out += QStringView(text).mid(from, at - from);
    out += by;
    from = at + what.size();
  }
  out += QStringView(text).mid(from);
  return out;
}

QString RemoveChar(const QString &text, QChar c) {
  QString out = text;
  out.remove(c);
  return out;
}

QString TrimLeadingBlanks(const QString &text) {
  qsizetype i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  return text.mid(i);
}

QString TrimTrailingBlanks(const QString &text) {
  qsizetype n = text.size();
  while (n > 0 && text[n - 1] == u' ') --n;
  return text.left(n);
}

QString TrimBlanks(const QString &text) { return TrimTrailingBlanks(TrimLeadingBlanks(text)); }

QString RepeatChar(QChar c, int count) { return count > 0 ? QString(count, c) : QString(); }

namespace {

// Calls `word(start, length)` for each word (0-based start) until it
// returns false.
template <typename F>
void ForEachWord(const QString &text, const TCharSet &delimiters, F word) {
  qsizetype i = 0;
  const qsizetype n = text.size();
  while (i < n) {
    while (i < n && delimiters.Contains(text[i])) ++i;
    if (i >= n) break;
    const qsizetype start = i;
    while (i < n && !delimiters.Contains(text[i])) ++i;
    if (!word(start, i - start)) return;
  }
}

}  // namespace

int CountWordsIn(const QString &text, const TCharSet &delimiters) {
  int count = 0;
  ForEachWord(text, delimiters, [&count](qsizetype, qsizetype) {
    ++count;
    return true;
  });
  return count;
}

int WordStart(int n, const QString &text, const TCharSet &delimiters) {
  int found = 0;
  int count = 0;
  ForEachWord(text, delimiters, [&](qsizetype start, qsizetype) {
    if (++count == n) {
      found = static_cast<int>(start) + 1;
      return false;
    }
    return true;
  });
  return found;
}

QString GetWordAt(int n, const QString &text, const TCharSet &delimiters) {
  QString found;
  int count = 0;
  ForEachWord(text, delimiters, [&](qsizetype start, qsizetype length) {
    if (++count == n) {
      found = text.mid(start, length);
      return false;
    }
    return true;
  });
  return found;
}

// The bytes are the Windows-1252 ones, so that values written by earlier
// versions (one byte per character) read back the same.
QString ScrambleText(const QString &key, const QString &text) {
  const QByteArray k = rtl::ToCp1252(key);
  const QByteArray t = rtl::ToCp1252(text);
  static const char kHex[] = "0123456789abcdef";
  QString out;
  out.reserve(t.size() * 2);
  for (qsizetype i = 0; i < t.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(t[i]);
    if (!k.isEmpty()) b ^= static_cast<unsigned char>(k[i % k.size()]);
    out += QLatin1Char(kHex[b >> 4]);
    out += QLatin1Char(kHex[b & 15]);
  }
  return out;
}

QString UnscrambleText(const QString &key, const QString &text) {
  const QByteArray k = rtl::ToCp1252(key);
  QByteArray bytes;
  bytes.reserve(text.size() / 2);
  for (qsizetype i = 0; i + 1 < text.size(); i += 2) {
    bool ok = false;
    unsigned v = text.mid(i, 2).toUInt(&ok, 16);
    // toUInt accepts a sign or a blank; only two hex digits make a byte.
    if (!ok || !isxdigit(text[i].toLatin1()) || !isxdigit(text[i + 1].toLatin1())) v = 32;
    const qsizetype pos = i / 2;
    if (!k.isEmpty()) v ^= static_cast<unsigned char>(k[pos % k.size()]);
    bytes.append(static_cast<char>(v));
  }
  return rtl::FromCp1252(bytes);
}

// --- dates ----------------------------------------------------------------------------------

namespace {

struct DateSettings {
  int window = 60;
  bool four_digit = rtl::FormatSettings().ShortDateFormat.toUpper().contains(QLatin1String("YYYY"));
};

DateSettings &Settings() {
  static DateSettings s;
  return s;
}

}  // namespace

int TwoDigitYearWindow() { return Settings().window; }
void SetTwoDigitYearWindow(int window) { Settings().window = window; }
bool FourDigitYear() { return Settings().four_digit; }
void SetFourDigitYear(bool value) { Settings().four_digit = value; }

bool LeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && LeapYear(year) ? 29 : kDays[month - 1];
}

bool IsValidYMD(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

bool IsValidDateValue(rtl::TDateTime value) {
  // 1 January of year 1 to the end of 31 December 9999.
  if (!std::isfinite(value) || value < -693594 || value >= 2958466) return false;
  try {
    int y = 0, m = 0, d = 0;
    rtl::DecodeDate(value, y, m, d);
    return IsValidYMD(y, m, d);
  } catch (...) {
    return false;
  }
}

int CurrentYear() { return rtl::YearOf(rtl::Now()); }

TDateOrder DateOrderOf(const QString &date_format) {
  for (QChar c : date_format) {
    switch (c.toUpper().unicode()) {
      case u'D':
        return doDMY;
      case u'M':
        return doMDY;
      case u'Y':
      case u'E':
        return doYMD;
      default:
        break;
    }
  }
  return doDMY;
}

int ExpandTwoDigitYear(int year) {
  if (year >= 100) return year;
  const int base = CurrentYear() - TwoDigitYearWindow();
  int result = year + base / 100 * 100;
  if (TwoDigitYearWindow() != 0 && result < base) result += 100;
  return result;
}

namespace {

// The first run of `letter` in the upper-cased format: start and length.
bool FindRun(const QString &format, QChar letter, qsizetype &start, qsizetype &length,
             const QString &prefix = QString()) {
  const qsizetype at = format.indexOf(prefix.isEmpty() ? QString(letter) : prefix);
  if (at < 0) return false;
  qsizetype end = at;
  while (end < format.size() && format[end] == letter) ++end;
  start = at;
  length = end - at;
  return true;
}

// The characters of `text` under a run, blanks left out.
QString UnderRun(const QString &text, qsizetype start, qsizetype length) {
  return RemoveChar(text.mid(start, length), QLatin1Char(' '));
}

int NumberUnderRun(const QString &text, qsizetype start, qsizetype length) {
  const QString s = UnderRun(text, start, length);
  if (s.isEmpty()) return -1;
  for (QChar c : s)
    if (c < u'0' || c > u'9') return -1;
  bool ok = false;
  const int v = s.toInt(&ok);
  return ok ? v : -1;
}

int MonthNameUnderRun(const QString &text, qsizetype start, qsizetype length) {
  const QString s = UnderRun(text, start, length);
  if (s.isEmpty()) return -1;
  const auto &names = rtl::FormatSettings().LongMonthNames;
  for (int m = 0; m < 12; ++m)
    if (names[m].left(length).compare(s.left(length), Qt::CaseInsensitive) == 0) return m + 1;
  return -1;
}

// The free scan of step 3: numbers and date separators in the format's
// order.
class DateScanner {
 public:
  explicit DateScanner(const QString &text) : text_(text) {}

  void SkipBlanks() {
    while (pos_ < text_.size() && text_[pos_] == u' ') ++pos_;
  }
  bool Number(int &value) {
    SkipBlanks();
    const qsizetype start = pos_;
    value = 0;
    // Digits are taken while the value is below 1000, so leading zeros do
    // not use up the four digits of a year.
    while (pos_ < text_.size() && text_[pos_].isDigit() && text_[pos_].unicode() < 128 && value < 1000) {
      value = value * 10 + (text_[pos_].unicode() - u'0');
      ++pos_;
    }
    return pos_ > start;
  }
  bool Char(QChar c) {
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  void SkipToDigit() {
    while (pos_ < text_.size() && !text_[pos_].isDigit()) ++pos_;
  }
  bool AtEnd() const { return pos_ >= text_.size(); }

 private:
  const QString &text_;
  qsizetype pos_ = 0;
};

bool ScanFreely(const QString &date_format, const QString &text, int &year, int &month, int &day) {
  const rtl::TFormatSettings &fs = rtl::FormatSettings();
  const QChar sep = fs.DateSeparator;
  DateScanner scan(text);
  scan.SkipBlanks();
  if (fs.ShortDateFormat.startsWith(u'g', Qt::CaseInsensitive)) scan.SkipToDigit();
  int n1 = 0, n2 = 0, n3 = 0;
  if (!scan.Number(n1) || !scan.Char(sep) || !scan.Number(n2)) return false;
  const TDateOrder order = DateOrderOf(date_format);
  if (scan.Char(sep)) {
    if (!scan.Number(n3)) return false;
    switch (order) {
      case doMDY:
        month = n1, day = n2, year = n3;
        break;
      case doDMY:
        day = n1, month = n2, year = n3;
        break;
      case doYMD:
        year = n1, month = n2, day = n3;
        break;
    }
    year = ExpandTwoDigitYear(year);
  } else {
    year = CurrentYear();
    if (order == doDMY) {
      day = n1, month = n2;
    } else {
      month = n1, day = n2;
    }
  }
  scan.Char(sep);
  scan.SkipBlanks();
  return scan.AtEnd() && IsValidYMD(year, month, day);
}

}  // namespace

bool ParseDateWithFormat(const QString &date_format, const QString &text, rtl::TDateTime &date) {
  if (text.isEmpty()) {
    date = 0;
    return true;
  }
  const QString format = date_format.toUpper();
  int month = 0, day = 1, year = CurrentYear();
  if (text.size() <= format.size()) {
    qsizetype start = 0, length = 0;
    if (FindRun(format, u'M', start, length, QStringLiteral("MMM")))
      month = MonthNameUnderRun(text, start, length);
    else if (FindRun(format, u'M', start, length))
      month = NumberUnderRun(text, start, length);
    if (FindRun(format, u'D', start, length)) day = NumberUnderRun(text, start, length);
    if (FindRun(format, u'Y', start, length)) year = NumberUnderRun(text, start, length);
  }
  // A year field left blank is no year: expanding its -1 would make it 1999.
  if (year >= 0) year = ExpandTwoDigitYear(year);
  if (!IsValidYMD(year, month, day) && !ScanFreely(format, text, year, month, day)) return false;
  return rtl::TryEncodeDate(year, month, day, date);
}

rtl::TDateTime ParseDateStrict(const QString &date_format, const QString &text) {
  rtl::TDateTime d = 0;
  if (!ParseDateWithFormat(date_format, text, d))
    throw rtl::EConvertError(QStringLiteral("''%1'' is not a valid date").arg(text));
  return d;
}

rtl::TDateTime ParseDateOr(const QString &date_format, const QString &text, rtl::TDateTime default_date) {
  rtl::TDateTime d = 0;
  if (ParseDateWithFormat(date_format, text, d)) return d;
  return std::trunc(default_date);
}

QString DefaultDateFormat(bool four_digit_year) {
  const TDateOrder order = DateOrderOf(rtl::FormatSettings().ShortDateFormat);
  switch (order) {
    case doMDY:
      return four_digit_year ? QStringLiteral("MM/DD/YYYY") : QStringLiteral("MM/DD/YY");
    case doYMD:
      return four_digit_year ? QStringLiteral("YYYY/MM/DD") : QStringLiteral("YY/MM/DD");
    case doDMY:
      break;
  }
  return four_digit_year ? QStringLiteral("DD/MM/YYYY") : QStringLiteral("DD/MM/YY");
}

QString DefaultDateEditMask(QChar blank, bool four_digit_year) {
  QString mask;
  if (!four_digit_year)
    mask = QStringLiteral("!99/99/99;1;");
  else if (DateOrderOf(rtl::FormatSettings().ShortDateFormat) == doYMD)
    mask = QStringLiteral("!9999/99/99;1;");
  else
    mask = QStringLiteral("!99/99/9999;1;");
  return mask + blank;
}

// --- drawing ---------------------------------------------------------------------------------

int WidthOfRect(const vcl::TRect &r) { return r.Right - r.Left; }
int HeightOfRect(const vcl::TRect &r) { return r.Bottom - r.Top; }

vcl::TColor PaletteRelativeColor(vcl::TColor color) { return vcl::ColorToRGB(color) | 0x02000000; }

void CopyGlyphCell(const vcl::TGraphic *source, vcl::TBitmap *target, int columns, int rows, int index) {
  if (source == nullptr || target == nullptr) return;
  columns = std::max(columns, 1);
  rows = std::max(rows, 1);
  index = std::max(index, 0);
  const int w = source->Width() / columns;
  const int h = source->Height() / rows;
  const int x = index % columns * w;
  const int y = index / columns * h;
  target->SetSize(w, h);
  if (w <= 0 || h <= 0) return;
  if (const auto *bmp = dynamic_cast<const vcl::TBitmap *>(source)) {
    target->SetImage(bmp->Image().copy(x, y, w, h));
    target->SetTransparentColor(bmp->TransparentColor());
  } else {
    QImage cell(w, h, QImage::Format_RGB32);
    cell.fill(vcl::ColorToQColor(vcl::clSilver));
    QPainter p(&cell);
    p.drawImage(-x, -y, source->ToImage());
    p.end();
    target->SetImage(cell);
  }
  target->SetTransparent(source->Transparent());
}

namespace {

// The source area with the pixels of `transparent` made fully transparent.
QImage MaskedCopy(const QImage &source, const QRect &area, vcl::TColor transparent) {
  QImage img = source.copy(area).convertToFormat(QImage::Format_ARGB32);
  const QRgb key = vcl::ColorToQColor(transparent).rgb() | 0xFF000000u;
  for (int y = 0; y < img.height(); ++y) {
    auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x)
      if ((line[x] | 0xFF000000u) == key) line[x] = 0;
  }
  return img;
}

}  // namespace

void StretchMasked(vcl::TCanvas *canvas, const vcl::TRect &dest, const QImage &source, const vcl::TRect &source_rect,
                   vcl::TColor transparent) {
  if (canvas == nullptr || source.isNull()) return;
  QPainter *p = canvas->Painter();
  if (p == nullptr) return;
  const QImage masked = MaskedCopy(source, vcl::ToQRect(source_rect), transparent);
  p->save();
  p->setCompositionMode(QPainter::CompositionMode_SourceOver);
  p->drawImage(vcl::ToQRect(dest), masked);
  p->restore();
}

void StretchBitmapMasked(vcl::TCanvas *canvas, const vcl::TBitmap *bitmap, vcl::TColor transparent,
                         const vcl::TRect &source, const vcl::TRect &dest) {
  if (canvas == nullptr || bitmap == nullptr || bitmap->Empty()) return;
  vcl::TRect d = dest;
  if (WidthOfRect(d) < 1 || HeightOfRect(d) < 1)
    d = vcl::Bounds(dest.Left, dest.Top, bitmap->Width(), bitmap->Height());
  vcl::TRect s = source;
  if (WidthOfRect(s) < 1 || HeightOfRect(s) < 1) s = vcl::Rect(0, 0, bitmap->Width(), bitmap->Height());
  auto *drawn = const_cast<vcl::TBitmap *>(bitmap);
  auto saved = drawn->Canvas()->OnChange;
  drawn->Canvas()->OnChange = nullptr;
  if (transparent == vcl::clNone) {
    canvas->DrawImage(d, bitmap->Image(), vcl::ToQRect(s));
  } else {
    if (bitmap->Monochrome())
      transparent = vcl::clWhite;
    else if (transparent == vcl::clDefault)
      transparent = vcl::QColorToColor(QColor(bitmap->Image().pixel(0, bitmap->Height() - 1)));
    StretchMasked(canvas, d, bitmap->Image(), s, transparent);
  }
  drawn->Canvas()->OnChange = saved;
}

void DrawBitmapMasked(vcl::TCanvas *canvas, int x, int y, const vcl::TBitmap *bitmap, vcl::TColor transparent) {
  if (bitmap == nullptr) return;
  StretchBitmapMasked(canvas, bitmap, transparent, vcl::Rect(0, 0, bitmap->Width(), bitmap->Height()),
                      vcl::Bounds(x, y, bitmap->Width(), bitmap->Height()));
}

namespace {

// Draws `colour` where `shape` (white = background) is black.
void PaintShape(QImage &target, const QImage &shape, int dx, int dy, vcl::TColor colour) {
  const QRgb c = vcl::ColorToQColor(colour).rgb();
  for (int y = 0; y < shape.height(); ++y)
    for (int x = 0; x < shape.width(); ++x) {
      const int tx = x + dx, ty = y + dy;
      if (tx >= target.width() || ty >= target.height()) continue;
      if ((shape.pixel(x, y) & 0xFFFFFF) == 0) target.setPixel(tx, ty, c);
    }
}

}  // namespace

vcl::TBitmap *MakeEmbossedBitmap(const vcl::TBitmap *bitmap, vcl::TColor background, vcl::TColor highlight,
                                 vcl::TColor shadow, bool use_highlight) {
  auto *out = new vcl::TBitmap(bitmap->Width(), bitmap->Height());
  if (bitmap->Empty()) return out;
  const QImage mask = bitmap->MaskImage(bitmap->Monochrome() ? vcl::clWhite : bitmap->TransparentColor());
  QImage img(bitmap->Width(), bitmap->Height(), QImage::Format_RGB32);
  img.fill(vcl::ColorToQColor(background));
  if (use_highlight) PaintShape(img, mask, 1, 1, highlight);
  PaintShape(img, mask, 0, 0, shadow);
  out->SetImage(img);
  return out;
}

vcl::TBitmap *MakeEmbossedBitmap(const vcl::TBitmap *bitmap) {
  return MakeEmbossedBitmap(bitmap, vcl::clBtnFace, vcl::clBtnHighlight, vcl::clBtnShadow, true);
}

void DrawImageDisabled(vcl::TCanvas *canvas, int x, int y, const vcl::TImageList *images, int index,
                       bool use_highlight) {
  if (canvas == nullptr || images == nullptr || index < 0 || index >= images->Count()) return;
  QPainter *p = canvas->Painter();
  if (p == nullptr) return;
  const QImage argb = images->Image(index);
  // The image on white, made monochrome: dark pixels form the shape.
  QImage shape(argb.size(), QImage::Format_RGB32);
  shape.fill(Qt::white);
  {
    QPainter sp(&shape);
    sp.drawImage(0, 0, argb);
  }
  for (int yy = 0; yy < shape.height(); ++yy)
    for (int xx = 0; xx < shape.width(); ++xx)
      shape.setPixel(xx, yy, qGray(shape.pixel(xx, yy)) < 128 ? 0xFF000000u : 0xFFFFFFFFu);
  auto draw = [&](int dx, int dy, vcl::TColor colour) {
    QImage layer(shape.size(), QImage::Format_ARGB32);
    layer.fill(0);
    const QRgb c = vcl::ColorToQColor(colour).rgb();
    for (int yy = 0; yy < shape.height(); ++yy)
      for (int xx = 0; xx < shape.width(); ++xx)
        if ((shape.pixel(xx, yy) & 0xFFFFFF) == 0) layer.setPixel(xx, yy, c);
    p->drawImage(x + dx, y + dy, layer);
  };
  const vcl::TColor brush = canvas->Brush()->Color();
  if (use_highlight) draw(1, 1, vcl::clBtnHighlight);
  draw(0, 0, vcl::clBtnShadow);
  canvas->Brush()->SetColor(brush);
}

void DrawParentBackground(vcl::TGraphicControl *control, vcl::TCanvas *canvas) {
  if (control == nullptr || canvas == nullptr || control->Parent() == nullptr) return;
  QPainter *p = canvas->Painter();
  if (p == nullptr) return;
  vcl::TWinControl *parent = control->Parent();
  const vcl::TRect mine = control->BoundsRect();
  p->save();
  p->fillRect(QRect(0, 0, control->Width(), control->Height()), vcl::ColorToQColor(parent->Color()));
  for (int i = 0; i < parent->ControlCount(); ++i) {
    vcl::TControl *sibling = parent->Controls(i);
    if (sibling == control) break;
    auto *graphic = dynamic_cast<vcl::TGraphicControl *>(sibling);
    vcl::TRect overlap;
    if (graphic == nullptr || !graphic->Visible() || !vcl::IntersectRect(overlap, mine, graphic->BoundsRect()))
      continue;
    vcl::TControlState state = graphic->ControlState();
    graphic->SetControlState(state + vcl::TControlState{vcl::csPaintCopy});
    QImage img(graphic->Width(), graphic->Height(), QImage::Format_ARGB32);
    img.fill(0);
    graphic->Handle()->render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    p->drawImage(graphic->Left() - mine.Left, graphic->Top() - mine.Top, img);
    graphic->SetControlState(state);
  }
  p->restore();
}

QString EllipsizeText(vcl::TCanvas *canvas, const QString &text, int width) {
  return vcl::EllipsizeText(canvas, text, width);
}

void DropPendingMessage(vcl::TControl *control, QEvent::Type type) {
  if (control == nullptr || !control->HandleAllocated()) return;
  QCoreApplication::removePostedEvents(control->Handle(), type);
}

bool ActiveWindowIsOurs() { return QApplication::activeWindow() != nullptr; }

}  // namespace ext
