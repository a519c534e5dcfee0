// Format(): the run-time's printf. Arguments arrive as Variants standing
// for the typed values of an argument list, and each conversion accepts
// only the kinds the platform accepts (%d an integer, %f a floating-point
// or money value, %s a text); anything else is a programming error that is
// reported, never guessed at.
#include <cmath>

#include "platform/rtl/sysutils.h"

namespace rtl {

namespace {

class Formatter {
 public:
  Formatter(const QString &format, const std::vector<Variant> &args, const TFormatSettings &fs)
      : format_(format), args_(args), fs_(fs) {}

  QString Run() {
    QString out;
    const int n = format_.size();
    int i = 0;
    while (i < n) {
      const QChar c = format_[i];
      if (c != QLatin1Char('%')) {
        out += c;
        ++i;
        continue;
      }
      ++i;
      if (i >= n) Fail();
      if (format_[i] == QLatin1Char('%')) {
        out += QLatin1Char('%');
        ++i;
        continue;
      }
      // [index ":"] ["-"] [width] ["." precision] type
      int number = -1;
      bool have_number = ReadNumber(i, number);
      if (have_number && i < n && format_[i] == QLatin1Char(':')) {
        next_arg_ = number;
        ++i;
        have_number = false;
        number = -1;
      }
      bool left = false;
      if (!have_number && i < n && format_[i] == QLatin1Char('-')) {
        left = true;
        ++i;
      }
      int width = -1;
      if (have_number)
        width = number;
      else
        ReadNumber(i, width);
      int precision = -1;
      if (i < n && format_[i] == QLatin1Char('.')) {
        ++i;
        if (!ReadNumber(i, precision)) Fail();
      }
      if (i >= n) Fail();
      const QChar type = format_[i].toLower();
      ++i;
      QString text = Convert(type, precision);
      if (width > text.size()) {
        const QString pad(width - text.size(), QLatin1Char(' '));
        text = left ? text + pad : pad + text;
      }
      out += text;
    }
    return out;
  }

 private:
  [[noreturn]] void Fail() const {
    throw EConvertError(QStringLiteral("Format '%1' invalid or incompatible with argument").arg(format_));
  }

  const Variant &NextArg() {
    if (next_arg_ < 0 || next_arg_ >= static_cast<int>(args_.size())) Fail();
    return args_[static_cast<std::size_t>(next_arg_++)];
  }

  // Digits or "*" (the next argument, an integer).
  bool ReadNumber(int &i, int &value) {
    const int n = format_.size();
    if (i < n && format_[i] == QLatin1Char('*')) {
      const Variant &a = NextArg();
      if (a.Type() != VarType::Integer && a.Type() != VarType::Int64) Fail();
      const std::int64_t v = a.AsInt64();
      if (v < 0 || v > 100000) Fail();  // absurd widths would only exhaust memory
      value = static_cast<int>(v);
      ++i;
      return true;
    }
    int v = 0, digits = 0;
    while (i < n && format_[i].unicode() >= '0' && format_[i].unicode() <= '9') {
      v = v * 10 + (format_[i].unicode() - '0');
      if (v > 100000) Fail();
      ++i;
      ++digits;
    }
    if (digits == 0) return false;
    value = v;
    return true;
  }

  static bool IsInteger(const Variant &a) { return a.Type() == VarType::Integer || a.Type() == VarType::Int64; }
  static bool IsFloat(const Variant &a) {
    return a.Type() == VarType::Double || a.Type() == VarType::Currency || a.Type() == VarType::Date;
  }

  // An Integer argument is a 32-bit value: %u and %x show its bits as
  // unsigned 32-bit, so -1 is 4294967295 / FFFFFFFF.
  static quint64 UnsignedView(const Variant &a) {
    const std::int64_t v = a.AsInt64();
    if (a.Type() == VarType::Integer) return static_cast<quint32>(static_cast<int>(v));
    return static_cast<quint64>(v);
  }

  // The precision of an integer conversion is its minimum number of digits.
  static QString ZeroPad(QString digits, int precision) {
    if (precision > digits.size()) digits.prepend(QString(precision - digits.size(), QLatin1Char('0')));
    return digits;
  }

  QString Convert(QChar type, int precision) {
    const Variant &a = NextArg();
    switch (type.unicode()) {
      case 'd': {
        if (!IsInteger(a)) Fail();
        const std::int64_t v = a.AsInt64();
        const quint64 magnitude = v < 0 ? -static_cast<quint64>(v) : static_cast<quint64>(v);
        const QString digits = ZeroPad(QString::number(magnitude), precision);
        return v < 0 ? QLatin1Char('-') + digits : digits;
      }
      case 'u':
        if (!IsInteger(a)) Fail();
        return ZeroPad(QString::number(UnsignedView(a)), precision);
      case 'x':
        if (!IsInteger(a)) Fail();
        return ZeroPad(QString::number(UnsignedView(a), 16).toUpper(), precision);
      case 'p': {
        if (!IsInteger(a)) Fail();
        return IntToHex(a.AsInt64(), 16);
      }
      case 'e':
        if (!IsFloat(a)) Fail();
        return FloatToStrF(a.AsDouble(), ffExponent, precision < 0 ? 15 : precision, 3, fs_);
      case 'f':
        if (!IsFloat(a)) Fail();
        return FloatToStrF(a.AsDouble(), ffFixed, 15, precision < 0 ? 2 : precision, fs_);
      case 'g':
        if (!IsFloat(a)) Fail();
        return FloatToStrF(a.AsDouble(), ffGeneral, precision < 0 ? 15 : precision, 3, fs_);
      case 'n':
        if (!IsFloat(a)) Fail();
        return FloatToStrF(a.AsDouble(), ffNumber, 15, precision < 0 ? 2 : precision, fs_);
      case 'm':
        if (!IsFloat(a)) Fail();
        return FloatToStrF(a.AsDouble(), ffCurrency, 15, precision < 0 ? fs_.CurrencyDecimals : precision, fs_);
      case 's': {
        if (a.Type() != VarType::String) Fail();
        const QString s = a.AsString();
        return precision >= 0 && precision < s.size() ? s.left(precision) : s;
      }
      default:
        Fail();
    }
  }

  const QString &format_;
  const std::vector<Variant> &args_;
  const TFormatSettings &fs_;
  int next_arg_ = 0;
};

}  // namespace

QString Format(const QString &format, const std::vector<Variant> &args, const TFormatSettings &fs) {
  return Formatter(format, args, fs).Run();
}

QString Format(const QString &format, const std::vector<Variant> &args) {
  return Format(format, args, FormatSettings());
}

QString Format(const QString &format, std::initializer_list<Variant> args) {
  return Format(format, std::vector<Variant>(args), FormatSettings());
}

}  // namespace rtl
