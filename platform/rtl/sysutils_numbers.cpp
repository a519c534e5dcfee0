// Floating-point numbers as text: FloatToStr/FloatToStrF, FormatFloat and
// the locale-aware parsers. Every formatter works on a decimal digit string
// (at most 15 significant digits, what a double holds exactly) and rounds
// that string half away from zero, so 0,005 with two decimals is 0,01 as
// the user reads it, whatever the binary value underneath.
#include <charconv>
#include <cmath>
#include <string>

#include "platform/rtl/sysutils.h"

namespace rtl {

namespace {

constexpr int kMaxPrecision = 15;

// value = 0.d1d2d3... x 10^exponent; no trailing zeros; empty means zero.
struct Decimal {
  bool negative = false;
  int exponent = 0;
  std::string digits;

  bool IsZero() const { return digits.empty(); }
};

void StripTrailingZeros(Decimal &d) {
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits.empty()) d.exponent = 0;
}

void RoundDigits(Decimal &d, int keep);

Decimal ToDecimal(double v, int precision) {
  Decimal d;
  d.negative = std::signbit(v);
  if (v == 0 || !std::isfinite(v)) return d;
  if (precision < 1) precision = 1;
  if (precision > kMaxPrecision) precision = kMaxPrecision;
  char buf[64];
  // Always 15 digits first, then the requested precision by the decimal
  // rule: 1234.5 in four digits is 1235, not the binary tie to even.
  const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, kMaxPrecision - 1);
  const std::string text(buf, res.ptr);
  const auto e = text.find('e');
  for (std::size_t i = 0; i < e; ++i)
    if (text[i] >= '0' && text[i] <= '9') d.digits += text[i];
  d.exponent = std::stoi(text.substr(e + 1)) + 1;
  StripTrailingZeros(d);
  RoundDigits(d, precision);
  return d;
}

// Keeps `keep` leading digits, rounding half away from zero.
void RoundDigits(Decimal &d, int keep) {
  if (keep >= static_cast<int>(d.digits.size())) return;
  if (keep < 0) {
    d.digits.clear();
    d.exponent = 0;
    return;
  }
  const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
  d.digits.resize(static_cast<std::size_t>(keep));
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') {
      d.digits[static_cast<std::size_t>(i)] = '0';
      --i;
    }
    if (i < 0) {
      d.digits.insert(d.digits.begin(), '1');
      d.exponent += 1;
    } else {
      d.digits[static_cast<std::size_t>(i)] += 1;
    }
  }
  StripTrailingZeros(d);
}

void RoundToDecimals(Decimal &d, int decimals) {
  if (!d.IsZero()) RoundDigits(d, d.exponent + decimals);
}

QString Latin(const std::string &s) { return QString::fromLatin1(s.data(), static_cast<int>(s.size())); }

// Integer part of a fixed-notation decimal ("" when below 1).
std::string IntegerDigits(const Decimal &d) {
  if (d.exponent <= 0) return std::string();
  std::string r =
      d.digits.substr(0, static_cast<std::size_t>(std::min<int>(d.exponent, static_cast<int>(d.digits.size()))));
  r.append(static_cast<std::size_t>(d.exponent) - r.size(), '0');
  return r;
}

std::string FractionDigits(const Decimal &d) {
  if (d.IsZero()) return std::string();
  if (d.exponent < 0) return std::string(static_cast<std::size_t>(-d.exponent), '0') + d.digits;
  if (d.exponent >= static_cast<int>(d.digits.size())) return std::string();
  return d.digits.substr(static_cast<std::size_t>(d.exponent));
}

QString Group(const std::string &digits, QChar sep) {
  QString r;
  const int n = static_cast<int>(digits.size());
  for (int i = 0; i < n; ++i) {
    r += QLatin1Char(digits[static_cast<std::size_t>(i)]);
    const int left = n - 1 - i;
    if (left > 0 && left % 3 == 0) r += sep;
  }
  return r;
}

QString ExponentText(int exponent, int min_digits, bool always_sign) {
  QString r;
  if (exponent < 0)
    r += QLatin1Char('-');
  else if (always_sign)
    r += QLatin1Char('+');
  QString n = QString::number(std::abs(exponent));
  if (n.size() < min_digits) n.prepend(QString(min_digits - n.size(), QLatin1Char('0')));
  return r + n;
}

// The general notation: fixed when the exponent fits the precision,
// scientific otherwise; no trailing zeros.
QString GeneralText(double v, int precision, int exp_digits, const TFormatSettings &fs) {
  const Decimal d = ToDecimal(v, precision);
  if (d.IsZero()) return QStringLiteral("0");
  QString r = d.negative ? QStringLiteral("-") : QString();
  if (d.exponent > precision || d.exponent < -3) {
    r += QLatin1Char(d.digits[0]);
    if (d.digits.size() > 1) r += fs.DecimalSeparator + Latin(d.digits.substr(1));
    r += QLatin1Char('E') + ExponentText(d.exponent - 1, exp_digits, false);
    return r;
  }
  const std::string ip = IntegerDigits(d);
  r += ip.empty() ? QStringLiteral("0") : Latin(ip);
  const std::string fp = FractionDigits(d);
  if (!fp.empty()) r += fs.DecimalSeparator + Latin(fp);
  return r;
}

QString ApplyCurrency(const QString &amount, bool negative, const TFormatSettings &fs) {
  static const char *const kPositive[4] = {"@#", "#@", "@ #", "# @"};
  static const char *const kNegative[16] = {"(@#)", "-@#",  "@-#",  "@#-",  "(#@)", "-#@",  "#-@",   "#@-",
                                            "-# @", "-@ #", "# @-", "@ #-", "@ -#", "#- @", "(@ #)", "(# @)"};
  const char *pattern;
  if (negative) {
    const int f = fs.NegCurrFormat >= 0 && fs.NegCurrFormat < 16 ? fs.NegCurrFormat : 1;
    pattern = kNegative[f];
  } else {
    const int f = fs.CurrencyFormat >= 0 && fs.CurrencyFormat < 4 ? fs.CurrencyFormat : 0;
    pattern = kPositive[f];
  }
  QString r;
  for (const char *p = pattern; *p; ++p) {
    if (*p == '@')
      r += fs.CurrencyString;
    else if (*p == '#')
      r += amount;
    else
      r += QLatin1Char(*p);
  }
  return r;
}

}  // namespace

QString FloatToStrF(double value, TFloatFormat format, int precision, int digits, const TFormatSettings &fs) {
  if (std::isnan(value)) return QStringLiteral("NAN");
  if (std::isinf(value)) return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
  precision = std::clamp(precision, 1, kMaxPrecision);
  switch (format) {
    case ffGeneral:
      return GeneralText(value, precision, std::clamp(digits, 0, 4), fs);
    case ffExponent: {
      const Decimal d = ToDecimal(value, precision);
      std::string m = d.digits;
      m.append(static_cast<std::size_t>(precision) - m.size(), '0');
      QString r = (d.negative && !d.IsZero()) ? QStringLiteral("-") : QString();
      r += QLatin1Char(m[0]);
      if (m.size() > 1) r += fs.DecimalSeparator + Latin(m.substr(1));
      r += QLatin1Char('E') + ExponentText(d.IsZero() ? 0 : d.exponent - 1, std::clamp(digits, 0, 4), true);
      return r;
    }
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
      digits = std::clamp(digits, 0, 18);
      Decimal d = ToDecimal(value, precision);
      // Too many integer digits for the precision: scientific, as the
      // general format would write it.
      if (d.exponent > precision) return GeneralText(value, precision, 0, fs);
      RoundToDecimals(d, digits);
      std::string ip = IntegerDigits(d);
      if (ip.empty()) ip.push_back('0');
      QString r = format == ffFixed ? Latin(ip) : Group(ip, fs.ThousandSeparator);
      if (digits > 0) {
        std::string fp = FractionDigits(d);
        fp.append(static_cast<std::size_t>(digits) - std::min<std::size_t>(fp.size(), static_cast<std::size_t>(digits)),
                  '0');
        r += fs.DecimalSeparator + Latin(fp);
      }
      const bool negative = d.negative && !d.IsZero();
      if (format == ffCurrency) return ApplyCurrency(r, negative, fs);
      return negative ? QLatin1Char('-') + r : r;
    }
  }
  return QString();
}

QString FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
  return FloatToStrF(value, format, precision, digits, FormatSettings());
}

QString FloatToStr(double value, const TFormatSettings &fs) {
  return FloatToStrF(value, ffGeneral, kMaxPrecision, 0, fs);
}

QString FloatToStr(double value) { return FloatToStr(value, FormatSettings()); }

QString CurrToStr(double value) { return FloatToStrF(value, ffGeneral, kMaxPrecision, 0); }

QString CurrToStrF(double value, TFloatFormat format, int digits) {
  return FloatToStrF(value, format, kMaxPrecision, digits);
}

// ---- FormatFloat -----------------------------------------------------------------

namespace {

QStringList SplitSections(const QString &format) {
  QStringList sections;
  QString current;
  QChar quote;
  for (QChar c : format) {
    if (!quote.isNull()) {
      if (c == quote) quote = QChar();
      current += c;
    } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
      quote = c;
      current += c;
    } else if (c == QLatin1Char(';')) {
      sections << current;
      current.clear();
    } else {
      current += c;
    }
  }
  sections << current;
  while (sections.size() > 3) sections.removeLast();
  return sections;
}

struct SectionLayout {
  int int_places = 0;    // '0' and '#' before the decimal point
  int min_int = 0;       // from the first '0' to the point
  int decimals = 0;      // places after the point
  int min_decimals = 0;  // up to the last '0' after the point
  bool thousands = false;
  bool scientific = false;
};

bool IsExponentAt(const QString &s, int i) {
  return (s[i] == QLatin1Char('E') || s[i] == QLatin1Char('e')) && i + 1 < s.size() &&
         (s[i + 1] == QLatin1Char('+') || s[i + 1] == QLatin1Char('-'));
}

SectionLayout Analyse(const QString &s) {
  SectionLayout l;
  bool point = false;
  int first_zero = -1;
  for (int i = 0; i < s.size(); ++i) {
    const QChar c = s[i];
    if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
      const int end = s.indexOf(c, i + 1);
      i = end < 0 ? s.size() : end;
    } else if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
      if (!point) {
        if (c == QLatin1Char('0') && first_zero < 0) first_zero = l.int_places;
        ++l.int_places;
      } else {
        ++l.decimals;
        if (c == QLatin1Char('0')) l.min_decimals = l.decimals;
      }
    } else if (c == QLatin1Char('.')) {
      point = true;
    } else if (c == QLatin1Char(',')) {
      l.thousands = true;
    } else if (IsExponentAt(s, i)) {
      l.scientific = true;
      break;  // what follows are the exponent's digits
    }
  }
  if (first_zero >= 0) l.min_int = l.int_places - first_zero;
  return l;
}

// Writes `value` (not negative) through one section; `zero` tells whether it
// rounded to zero there.
QString FormatSection(const QString &s, double value, const TFormatSettings &fs, bool &zero) {
  const SectionLayout l = Analyse(s);
  std::string int_digits, frac_digits;
  int exponent = 0;
  if (l.scientific) {
    const int int_target = std::max(1, l.int_places);
    Decimal d = ToDecimal(value, std::min(kMaxPrecision, int_target + l.decimals));
    RoundDigits(d, int_target + l.decimals);
    zero = d.IsZero();
    std::string all = d.digits;
    if (all.size() < static_cast<std::size_t>(int_target))
      all.append(static_cast<std::size_t>(int_target) - all.size(), '0');
    int_digits = all.substr(0, static_cast<std::size_t>(int_target));
    frac_digits = all.substr(static_cast<std::size_t>(int_target));
    exponent = zero ? 0 : d.exponent - int_target;
    // Leading '#' places do not force digits of a zero mantissa.
    if (zero && l.min_int == 0) int_digits.clear();
  } else {
    Decimal d = ToDecimal(value, kMaxPrecision);
    if (d.exponent > 18) {
      zero = false;
      return GeneralText(value, kMaxPrecision, 0, fs);
    }
    RoundToDecimals(d, l.decimals);
    zero = d.IsZero();
    int_digits = IntegerDigits(d);
    frac_digits = FractionDigits(d);
  }
  if (int_digits.size() < static_cast<std::size_t>(l.min_int))
    int_digits.insert(0, static_cast<std::size_t>(l.min_int) - int_digits.size(), '0');
  if (frac_digits.size() < static_cast<std::size_t>(l.min_decimals))
    frac_digits.append(static_cast<std::size_t>(l.min_decimals) - frac_digits.size(), '0');

  QString out;
  const int len = static_cast<int>(int_digits.size());
  auto emit_int_digit = [&](int idx) {
    out += QLatin1Char(int_digits[static_cast<std::size_t>(idx)]);
    const int left = len - 1 - idx;
    if (l.thousands && left > 0 && left % 3 == 0) out += fs.ThousandSeparator;
  };
  auto emit_leading = [&]() {
    // Digits beyond the places go before the first place.
    for (int i = 0; i < len - l.int_places; ++i) emit_int_digit(i);
  };
  int int_seen = 0, dec_seen = 0;
  bool point = false, leading_done = false;
  for (int i = 0; i < s.size(); ++i) {
    const QChar c = s[i];
    if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
      const int end = s.indexOf(c, i + 1);
      out += s.mid(i + 1, (end < 0 ? s.size() : end) - i - 1);
      i = end < 0 ? s.size() : end;
    } else if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
      if (!point) {
        if (!leading_done) {
          emit_leading();
          leading_done = true;
        }
        const int idx = len - l.int_places + int_seen;
        if (idx >= 0) emit_int_digit(idx);
        ++int_seen;
      } else {
        if (dec_seen < static_cast<int>(frac_digits.size()))
          out += QLatin1Char(frac_digits[static_cast<std::size_t>(dec_seen)]);
        ++dec_seen;
      }
    } else if (c == QLatin1Char('.')) {
      if (!point) {
        point = true;
        if (!leading_done) {
          emit_leading();
          leading_done = true;
        }
        if (!frac_digits.empty()) out += fs.DecimalSeparator;
      }
    } else if (c == QLatin1Char(',')) {
      // Only switches grouping on.
    } else if (l.scientific && IsExponentAt(s, i)) {
      const bool always_sign = s[i + 1] == QLatin1Char('+');
      int j = i + 2, zeros = 0;
      while (j < s.size() && s[j] == QLatin1Char('0')) {
        ++zeros;
        ++j;
      }
      out += c;
      out += ExponentText(exponent, std::clamp(zeros, 1, 4), always_sign);
      // The rest of the section is literal text.
      for (; j < s.size(); ++j) {
        const QChar t = s[j];
        if (t == QLatin1Char('"') || t == QLatin1Char('\'')) {
          const int end = s.indexOf(t, j + 1);
          out += s.mid(j + 1, (end < 0 ? s.size() : end) - j - 1);
          j = end < 0 ? s.size() : end;
        } else if (t != QLatin1Char('0') && t != QLatin1Char('#')) {
          out += t;
        }
      }
      break;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

QString FormatFloat(const QString &format, double value, const TFormatSettings &fs) {
  if (format.isEmpty() || !std::isfinite(value)) return FloatToStr(value, fs);
  const QStringList sections = SplitSections(format);
  const bool has_negative = sections.size() >= 2 && !sections[1].isEmpty();
  const bool has_zero = sections.size() >= 3 && !sections[2].isEmpty();

  int idx = 0;
  if (value < 0 && has_negative) idx = 1;
  if (value == 0 && has_zero) idx = 2;
  bool zero = false;
  QString text = FormatSection(sections[idx], std::fabs(value), fs, zero);
  if (zero && idx != 2 && has_zero) return FormatSection(sections[2], 0, fs, zero);
  if (value < 0 && idx == 0 && !zero) text.prepend(QLatin1Char('-'));
  return text;
}

QString FormatFloat(const QString &format, double value) { return FormatFloat(format, value, FormatSettings()); }

QString FormatCurr(const QString &format, double value) { return FormatFloat(format, value); }

// ---- parsing ----------------------------------------------------------------------

bool TryStrToFloat(const QString &text, double &value, const TFormatSettings &fs) {
  const QString s = Trim(text);
  std::string ascii;
  ascii.reserve(static_cast<std::size_t>(s.size()));
  int i = 0;
  const int n = s.size();
  if (i < n && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-'))) {
    if (s[i] == QLatin1Char('-')) ascii += '-';
    ++i;
  }
  int mantissa_digits = 0;
  while (i < n && s[i].isDigit() && s[i].unicode() < 128) {
    ascii += static_cast<char>(s[i].unicode());
    ++i;
    ++mantissa_digits;
  }
  if (i < n && s[i] == fs.DecimalSeparator) {
    ascii += '.';
    ++i;
    while (i < n && s[i].unicode() >= '0' && s[i].unicode() <= '9') {
      ascii += static_cast<char>(s[i].unicode());
      ++i;
      ++mantissa_digits;
    }
  }
  if (mantissa_digits == 0) return false;
  if (i < n && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
    ascii += 'e';
    ++i;
    if (i < n && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-'))) {
      ascii += static_cast<char>(s[i].unicode());
      ++i;
    }
    int exp_digits = 0;
    while (i < n && s[i].unicode() >= '0' && s[i].unicode() <= '9') {
      ascii += static_cast<char>(s[i].unicode());
      ++i;
      ++exp_digits;
    }
    if (exp_digits == 0) return false;
  }
  if (i != n) return false;
  double v = 0;
  const auto res = std::from_chars(ascii.data(), ascii.data() + ascii.size(), v);
  if (res.ec != std::errc() || res.ptr != ascii.data() + ascii.size() || !std::isfinite(v)) return false;
  value = v;
  return true;
}

bool TryStrToFloat(const QString &s, double &value) { return TryStrToFloat(s, value, FormatSettings()); }

double StrToFloat(const QString &s, const TFormatSettings &fs) {
  double v = 0;
  if (!TryStrToFloat(s, v, fs)) throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(s));
  return v;
}

double StrToFloat(const QString &s) { return StrToFloat(s, FormatSettings()); }

double StrToFloatDef(const QString &s, double def) {
  double v = 0;
  return TryStrToFloat(s, v) ? v : def;
}

bool TryStrToCurr(const QString &s, double &value) {
  double v = 0;
  if (!TryStrToFloat(s, v)) return false;
  // Money keeps four decimals.
  if (std::fabs(v) >= 922337203685477.0) return false;
  value = std::nearbyint(v * 10000.0) / 10000.0;
  return true;
}

double StrToCurr(const QString &s) {
  double v = 0;
  if (!TryStrToCurr(s, v)) throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(s));
  return v;
}

}  // namespace rtl
