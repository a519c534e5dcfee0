// The engine's functions, collation and Like as SQLite extensions, and the
// conversion of parameter values. The translator writes calls to the jet_*
// functions registered here; each one follows the engine's rules: Null in,
// Null out; dates are day counts since 30/12/1899; text read as a number or
// a date in the locale of the moment; True is -1.
#include <sqlite3.h>

#include <QByteArray>
#include <cmath>
#include <optional>

#include "platform/jet/jetcollation.h"
#include "platform/jet/jeterror.h"
#include "platform/jet/jetsql.h"
#include "platform/jet/jettokenizer.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/numbers.h"
#include "platform/rtl/sysutils.h"

namespace jet {

namespace {

const char *const kMismatch = "Data type mismatch in criteria expression.";

QString TextOf(sqlite3_value *v) {
  const auto *p = reinterpret_cast<const char *>(sqlite3_value_text(v));
  return QString::fromUtf8(p ? p : "", sqlite3_value_bytes(v));
}

void ResultText(sqlite3_context *ctx, const QString &s) {
  const QByteArray u = s.toUtf8();
  sqlite3_result_text(ctx, u.constData(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
}

bool IsNull(sqlite3_value *v) { return sqlite3_value_type(v) == SQLITE_NULL; }

// A number from a value: text is read in the locale ("12,50"), then as a
// locale date, as the engine's implicit conversions do.
std::optional<double> NumberOf(sqlite3_value *v) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
      return static_cast<double>(sqlite3_value_int64(v));
    case SQLITE_FLOAT:
      return sqlite3_value_double(v);
    case SQLITE_TEXT: {
      const QString s = TextOf(v).trimmed();
      double d = 0;
      if (rtl::TryStrToFloat(s, d)) return d;
      bool ok = false;
      d = s.toDouble(&ok);
      if (ok) return d;
      rtl::TDateTime dt = 0;
      if (rtl::TryStrToDateTime(s, dt)) return dt;
      if (s.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return -1.0;
      if (s.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return 0.0;
      return std::nullopt;
    }
    default:
      return std::nullopt;
  }
}

std::optional<double> DateOf(sqlite3_value *v) {
  if (sqlite3_value_type(v) == SQLITE_TEXT) {
    const QString s = TextOf(v).trimmed();
    rtl::TDateTime dt = 0;
    if (rtl::TryStrToDateTime(s, dt)) return dt;
    double d = 0;
    if (s.startsWith(u'#') && s.endsWith(u'#') && s.size() > 2) {
      bool has_time = false;
      if (detail::ParseDateLiteral(s.mid(1, s.size() - 2), d, has_time)) return d;
    }
    if (rtl::TryStrToFloat(s, d)) return d;
    return std::nullopt;
  }
  return NumberOf(v);
}

// Text of a value as the engine shows it: numbers in the locale.
QString StringOf(sqlite3_value *v) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
      return QString::number(sqlite3_value_int64(v));
    case SQLITE_FLOAT:
      return rtl::FloatToStr(sqlite3_value_double(v));
    case SQLITE_BLOB:
      return QString::fromLatin1(static_cast<const char *>(sqlite3_value_blob(v)), sqlite3_value_bytes(v));
    default:
      return TextOf(v);
  }
}

// Wraps a function body: Null propagation for the first `null_args`
// arguments, and conversion failures reported as SQL errors.
template <class F>
void Guard(sqlite3_context *ctx, int argc, sqlite3_value **argv, int null_args, F &&body) {
  for (int i = 0; i < std::min(argc, null_args); ++i) {
    if (IsNull(argv[i])) {
      sqlite3_result_null(ctx);
      return;
    }
  }
  try {
    body();
  } catch (const rtl::Exception &e) {
    const QByteArray u = e.Message().toUtf8();
    sqlite3_result_error(ctx, u.constData(), static_cast<int>(u.size()));
  } catch (const std::exception &e) {
    sqlite3_result_error(ctx, e.what(), -1);
  }
}

double Num(sqlite3_value *v) {
  auto d = NumberOf(v);
  if (!d || !std::isfinite(*d)) throw rtl::EConvertError(QString::fromLatin1(kMismatch));
  return *d;
}

// A whole-number argument within [lo, hi], rounded as the engine rounds.
int WholeArg(sqlite3_value *v, double lo, double hi) {
  const double d = std::nearbyint(Num(v));
  if (d < lo || d > hi) throw rtl::EConvertError(QStringLiteral("Invalid procedure call"));
  return static_cast<int>(d);
}

double DateArg(sqlite3_value *v) {
  auto d = DateOf(v);
  if (!d || !std::isfinite(*d) || *d < rtl::MinDateTime || *d > rtl::MaxDateTime)
    throw rtl::EConvertError(QString::fromLatin1(kMismatch));
  return *d;
}

std::int64_t RoundHalfEven(double d) {
  if (!(std::fabs(d) < 9.2e18)) throw rtl::EOverflow(QStringLiteral("Overflow"));
  return static_cast<std::int64_t>(std::nearbyint(d));
}

#define JET_FN(name) void name(sqlite3_context *ctx, int argc, sqlite3_value **argv)

// ---- dates ----------------------------------------------------------------

template <int Part>
JET_FN(DatePart) {
  Guard(ctx, argc, argv, 1, [&] {
    const double d = DateArg(argv[0]);
    int y = 0, m = 0, dd = 0, h = 0, n = 0, s = 0, ms = 0;
    rtl::DecodeDateTime(d, y, m, dd, h, n, s, ms);
    const int values[] = {y, m, dd, h, n, s};
    sqlite3_result_int(ctx, values[Part]);
  });
}

JET_FN(Weekday) {
  Guard(ctx, argc, argv, 1, [&] {
    const int dow = rtl::DayOfWeek(DateArg(argv[0]));  // 1 = Sunday
    int first = 1;
    if (argc > 1 && !IsNull(argv[1])) first = WholeArg(argv[1], 0, 7);
    if (first == 0) first = 2;  // the system's first day: Monday here
    if (first < 1 || first > 7) throw rtl::EConvertError(QStringLiteral("Invalid procedure call"));
    sqlite3_result_int(ctx, (dow - first + 7) % 7 + 1);
  });
}

JET_FN(DateNow) {
  Q_UNUSED(argc);
  Q_UNUSED(argv);
  sqlite3_result_double(ctx, rtl::Date());
}
JET_FN(TimeNow) {
  Q_UNUSED(argc);
  Q_UNUSED(argv);
  sqlite3_result_double(ctx, rtl::Time());
}
JET_FN(Now) {
  Q_UNUSED(argc);
  Q_UNUSED(argv);
  sqlite3_result_double(ctx, rtl::Now());
}

QString IntervalOf(sqlite3_value *v) { return TextOf(v).trimmed().toLower(); }

JET_FN(DateAdd) {
  Guard(ctx, argc, argv, 3, [&] {
    const QString iv = IntervalOf(argv[0]);
    // Ten thousand years of any interval at most; the result is checked too.
    const double n = std::trunc(Num(argv[1]));
    if (std::fabs(n) > 4e9) throw rtl::EConvertError(QStringLiteral("Invalid procedure call"));
    const double d = DateArg(argv[2]);
    const bool calendar = iv == QLatin1String("yyyy") || iv == QLatin1String("q") || iv == QLatin1String("m");
    if (calendar && std::fabs(n) > 120000) throw rtl::EConvertError(QStringLiteral("Invalid procedure call"));
    const auto k = static_cast<std::int64_t>(n);
    double r = 0;
    const int months = static_cast<int>(k);
    if (iv == QLatin1String("yyyy"))
      r = rtl::IncMonth(d, 12 * months);
    else if (iv == QLatin1String("q"))
      r = rtl::IncMonth(d, 3 * months);
    else if (iv == QLatin1String("m"))
      r = rtl::IncMonth(d, months);
    else if (iv == QLatin1String("y") || iv == QLatin1String("d") || iv == QLatin1String("w"))
      r = d + static_cast<double>(k);
    else if (iv == QLatin1String("ww"))
      r = d + 7.0 * static_cast<double>(k);
    else if (iv == QLatin1String("h"))
      r = rtl::IncHour(d, k);
    else if (iv == QLatin1String("n"))
      r = rtl::IncMinute(d, k);
    else if (iv == QLatin1String("s"))
      r = rtl::IncSecond(d, k);
    else
      throw rtl::EConvertError(QStringLiteral("Invalid interval '%1' in DateAdd.").arg(iv));
    if (!std::isfinite(r) || r < rtl::MinDateTime || r > rtl::MaxDateTime)
      throw rtl::EConvertError(QStringLiteral("Invalid procedure call"));
    sqlite3_result_double(ctx, r);
  });
}

JET_FN(DateDiff) {
  Guard(ctx, argc, argv, 3, [&] {
    const QString iv = IntervalOf(argv[0]);
    const double a = DateArg(argv[1]);
    const double b = DateArg(argv[2]);
    int ya = 0, ma = 0, da = 0, yb = 0, mb = 0, db = 0;
    rtl::DecodeDate(a, ya, ma, da);
    rtl::DecodeDate(b, yb, mb, db);
    auto secs = [](double d) { return std::llround(d * 86400.0); };
    std::int64_t r = 0;
    if (iv == QLatin1String("yyyy"))
      r = yb - ya;
    else if (iv == QLatin1String("q"))
      r = (yb * 4 + (mb - 1) / 3) - (ya * 4 + (ma - 1) / 3);
    else if (iv == QLatin1String("m"))
      r = (yb * 12 + mb) - (ya * 12 + ma);
    else if (iv == QLatin1String("y") || iv == QLatin1String("d"))
      r = static_cast<std::int64_t>(std::floor(b)) - static_cast<std::int64_t>(std::floor(a));
    else if (iv == QLatin1String("w") || iv == QLatin1String("ww"))
      r = (static_cast<std::int64_t>(std::floor(b)) - static_cast<std::int64_t>(std::floor(a))) / 7;
    else if (iv == QLatin1String("h"))
      r = secs(b) / 3600 - secs(a) / 3600;
    else if (iv == QLatin1String("n"))
      r = secs(b) / 60 - secs(a) / 60;
    else if (iv == QLatin1String("s"))
      r = secs(b) - secs(a);
    else
      throw rtl::EConvertError(QStringLiteral("Invalid interval '%1' in DateDiff.").arg(iv));
    sqlite3_result_int64(ctx, r);
  });
}

JET_FN(DateValue) {
  Guard(ctx, argc, argv, 1, [&] { sqlite3_result_double(ctx, std::floor(DateArg(argv[0]))); });
}
JET_FN(TimeValue) {
  Guard(ctx, argc, argv, 1, [&] {
    const double d = DateArg(argv[0]);
    sqlite3_result_double(ctx, std::fabs(d - std::trunc(d)));
  });
}
JET_FN(CDate) {
  Guard(ctx, argc, argv, 1, [&] { sqlite3_result_double(ctx, DateArg(argv[0])); });
}

JET_FN(DateSerial) {
  Guard(ctx, argc, argv, 3, [&] {
    // Months and days out of range roll over, as the engine allows.
    const int y = WholeArg(argv[0], 0, 9999);
    const int m = WholeArg(argv[1], -120000, 120000);
    const int d = WholeArg(argv[2], -4000000, 4000000);
    // Two-digit years as the engine reads them.
    const int year = y < 30 ? 2000 + y : (y < 100 ? 1900 + y : y);
    const int months = year * 12 + (m - 1);
    rtl::TDateTime first = 0;
    if (months < 12 || !rtl::TryEncodeDate(months / 12, months % 12 + 1, 1, first))
      throw rtl::EConvertError(QString::fromLatin1(kMismatch));
    const double r = first + d - 1;
    if (r < rtl::MinDateTime || r > rtl::MaxDateTime) throw rtl::EConvertError(QString::fromLatin1(kMismatch));
    sqlite3_result_double(ctx, r);
  });
}
JET_FN(TimeSerial) {
  Guard(ctx, argc, argv, 3, [&] {
    const double secs = Num(argv[0]) * 3600 + Num(argv[1]) * 60 + Num(argv[2]);
    sqlite3_result_double(ctx, secs / 86400.0);
  });
}

// ---- text -----------------------------------------------------------------

JET_FN(UCase) {
  Guard(ctx, argc, argv, 1, [&] { ResultText(ctx, StringOf(argv[0]).toUpper()); });
}
JET_FN(LCase) {
  Guard(ctx, argc, argv, 1, [&] { ResultText(ctx, StringOf(argv[0]).toLower()); });
}
int LengthArg(sqlite3_value *v) {
  const double n = Num(v);
  if (n < 0 || n > 2147483647.0) throw rtl::EConvertError(QStringLiteral("Invalid procedure call"));
  return static_cast<int>(std::nearbyint(n));
}
JET_FN(Left) {
  Guard(ctx, argc, argv, 2, [&] { ResultText(ctx, StringOf(argv[0]).left(LengthArg(argv[1]))); });
}
JET_FN(Right) {
  Guard(ctx, argc, argv, 2, [&] { ResultText(ctx, StringOf(argv[0]).right(LengthArg(argv[1]))); });
}
JET_FN(Mid) {
  Guard(ctx, argc, argv, 2, [&] {
    const QString s = StringOf(argv[0]);
    const int start = LengthArg(argv[1]);
    if (start < 1) throw rtl::EConvertError(QStringLiteral("Invalid procedure call"));
    int len = -1;
    if (argc > 2) {
      if (IsNull(argv[2])) {
        sqlite3_result_null(ctx);
        return;
      }
      len = LengthArg(argv[2]);
    }
    ResultText(ctx, s.mid(start - 1, len));
  });
}
JET_FN(Len) {
  Guard(ctx, argc, argv, 1, [&] { sqlite3_result_int(ctx, static_cast<int>(StringOf(argv[0]).size())); });
}
QString TrimSpaces(const QString &s, bool left, bool right) {
  int a = 0, b = static_cast<int>(s.size());
  if (left)
    while (a < b && s[a] == u' ') ++a;
  if (right)
    while (b > a && s[b - 1] == u' ') --b;
  return s.mid(a, b - a);
}
JET_FN(Trim) {
  Guard(ctx, argc, argv, 1, [&] { ResultText(ctx, TrimSpaces(StringOf(argv[0]), true, true)); });
}
JET_FN(LTrim) {
  Guard(ctx, argc, argv, 1, [&] { ResultText(ctx, TrimSpaces(StringOf(argv[0]), true, false)); });
}
JET_FN(RTrim) {
  Guard(ctx, argc, argv, 1, [&] { ResultText(ctx, TrimSpaces(StringOf(argv[0]), false, true)); });
}
JET_FN(InStr) {
  // InStr([start, ]text, sought[, compare]); compare 0 is exact, else text.
  Guard(ctx, argc, argv, 0, [&] {
    int start = 1, ai = 0;
    if (argc >= 3) {
      if (IsNull(argv[0])) throw rtl::EConvertError(QStringLiteral("Invalid use of Null"));
      start = LengthArg(argv[0]);
      if (start < 1) throw rtl::EConvertError(QStringLiteral("Invalid procedure call"));
      ai = 1;
    }
    if (IsNull(argv[ai]) || IsNull(argv[ai + 1])) {
      sqlite3_result_null(ctx);
      return;
    }
    bool exact = false;
    if (argc == 4 && !IsNull(argv[3])) exact = Num(argv[3]) == 0;
    const QString s = StringOf(argv[ai]);
    const QString sought = StringOf(argv[ai + 1]);
    if (start > s.size() + 1) {
      sqlite3_result_int(ctx, 0);
      return;
    }
    const auto at = s.indexOf(sought, start - 1, exact ? Qt::CaseSensitive : Qt::CaseInsensitive);
    sqlite3_result_int(ctx, static_cast<int>(at + 1));
  });
}
JET_FN(Space) {
  Guard(ctx, argc, argv, 1, [&] {
    const int n = LengthArg(argv[0]);
    if (n > 1000000) throw rtl::EOutOfMemory(QStringLiteral("Out of memory"));
    ResultText(ctx, QString(n, u' '));
  });
}
JET_FN(StringFn) {
  Guard(ctx, argc, argv, 2, [&] {
    const int n = LengthArg(argv[0]);
    if (n > 1000000) throw rtl::EOutOfMemory(QStringLiteral("Out of memory"));
    QChar c;
    if (sqlite3_value_type(argv[1]) == SQLITE_TEXT) {
      const QString s = TextOf(argv[1]);
      if (s.isEmpty()) throw rtl::EConvertError(QStringLiteral("Invalid procedure call"));
      c = s[0];
    } else {
      c = QChar(static_cast<char16_t>(WholeArg(argv[1], 0, 65535)));
    }
    ResultText(ctx, QString(n, c));
  });
}
JET_FN(Replace) {
  Guard(ctx, argc, argv, 1, [&] {
    if (IsNull(argv[1]) || IsNull(argv[2])) throw rtl::EConvertError(QStringLiteral("Invalid use of Null"));
    QString s = StringOf(argv[0]);
    const QString find = StringOf(argv[1]);
    if (!find.isEmpty()) s.replace(find, StringOf(argv[2]), Qt::CaseInsensitive);
    ResultText(ctx, s);
  });
}
JET_FN(Asc) {
  Guard(ctx, argc, argv, 1, [&] {
    const QString s = StringOf(argv[0]);
    if (s.isEmpty()) throw rtl::EConvertError(QStringLiteral("Invalid procedure call"));
    sqlite3_result_int(ctx, s[0].unicode());
  });
}
JET_FN(Chr) {
  Guard(ctx, argc, argv, 1, [&] {
    const double n = Num(argv[0]);
    if (n < 0 || n > 65535) throw rtl::EConvertError(QStringLiteral("Invalid procedure call"));
    ResultText(ctx, QString(QChar(static_cast<char16_t>(n))));
  });
}
JET_FN(StrComp) {
  Guard(ctx, argc, argv, 2, [&] {
    const QString a = StringOf(argv[0]);
    const QString b = StringOf(argv[1]);
    const bool exact = argc > 2 && !IsNull(argv[2]) && Num(argv[2]) == 0;
    const int r = exact ? QString::compare(a, b) : detail::CompareQString(a, b);
    sqlite3_result_int(ctx, r < 0 ? -1 : (r > 0 ? 1 : 0));
  });
}

// `&` joins texts; Null counts as the empty text.
JET_FN(Concat) {
  Q_UNUSED(argc);
  if (IsNull(argv[0]) && IsNull(argv[1])) {
    sqlite3_result_null(ctx);
    return;
  }
  QString s;
  if (!IsNull(argv[0])) s += StringOf(argv[0]);
  if (!IsNull(argv[1])) s += StringOf(argv[1]);
  ResultText(ctx, s);
}

QString DateText(double d) {
  if (d == std::trunc(d)) return rtl::DateToStr(d);
  if (std::fabs(d) < 1) return rtl::TimeToStr(d);
  return rtl::DateTimeToStr(d);
}
JET_FN(DateStr) {
  Guard(ctx, argc, argv, 1, [&] { ResultText(ctx, DateText(DateArg(argv[0]))); });
}
JET_FN(BoolStr) {
  Guard(ctx, argc, argv, 1,
        [&] { ResultText(ctx, Num(argv[0]) != 0 ? QStringLiteral("True") : QStringLiteral("False")); });
}

// ---- numbers --------------------------------------------------------------

JET_FN(IntFn) {
  Guard(ctx, argc, argv, 1, [&] { sqlite3_result_double(ctx, std::floor(Num(argv[0]))); });
}
JET_FN(Fix) {
  Guard(ctx, argc, argv, 1, [&] { sqlite3_result_double(ctx, std::trunc(Num(argv[0]))); });
}
JET_FN(Sgn) {
  Guard(ctx, argc, argv, 1, [&] {
    const double d = Num(argv[0]);
    sqlite3_result_int(ctx, d > 0 ? 1 : (d < 0 ? -1 : 0));
  });
}
JET_FN(Sqr) {
  Guard(ctx, argc, argv, 1, [&] {
    const double d = Num(argv[0]);
    if (d < 0) throw rtl::EConvertError(QStringLiteral("Invalid procedure call"));
    sqlite3_result_double(ctx, std::sqrt(d));
  });
}
JET_FN(RoundFn) {
  Guard(ctx, argc, argv, 1, [&] {
    int digits = 0;
    if (argc > 1 && !IsNull(argv[1])) digits = WholeArg(argv[1], 0, 15);
    sqlite3_result_double(ctx, rtl::RoundTo(Num(argv[0]), -digits));
  });
}
// Val reads the leading number of a text with "." as decimal separator,
// blanks ignored, whatever the locale.
JET_FN(Val) {
  Guard(ctx, argc, argv, 0, [&] {
    if (IsNull(argv[0])) throw rtl::EConvertError(QStringLiteral("Invalid use of Null"));
    QString s = StringOf(argv[0]);
    s.remove(u' ').remove(u'\t');
    int i = 0;
    QString num;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) num += s[i++];
    bool dot = false, digits = false;
    while (i < s.size() && (s[i].isDigit() || (s[i] == u'.' && !dot))) {
      if (s[i] == u'.')
        dot = true;
      else
        digits = true;
      num += s[i++];
    }
    if (digits && i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
      QString exp = QStringLiteral("e");
      int k = i + 1;
      if (k < s.size() && (s[k] == u'-' || s[k] == u'+')) exp += s[k++];
      if (k < s.size() && s[k].isDigit()) {
        while (k < s.size() && s[k].isDigit()) exp += s[k++];
        num += exp;
      }
    }
    bool ok = false;
    const double d = num.toDouble(&ok);
    sqlite3_result_double(ctx, ok ? d : 0.0);
  });
}
// Str writes a number with "." and a leading blank for the sign.
JET_FN(Str) {
  Guard(ctx, argc, argv, 1, [&] {
    const double d = Num(argv[0]);
    QString s = QString::number(d, 'g', 15);
    if (d >= 0) s.prepend(u' ');
    ResultText(ctx, s);
  });
}
JET_FN(CStr) {
  Guard(ctx, argc, argv, 1, [&] { ResultText(ctx, StringOf(argv[0])); });
}
JET_FN(CDbl) {
  Guard(ctx, argc, argv, 1, [&] { sqlite3_result_double(ctx, Num(argv[0])); });
}
template <std::int64_t Lo, std::int64_t Hi>
JET_FN(CWhole) {
  Guard(ctx, argc, argv, 1, [&] {
    const std::int64_t r = RoundHalfEven(Num(argv[0]));
    if (r < Lo || r > Hi) throw rtl::EOverflow(QStringLiteral("Overflow"));
    sqlite3_result_int64(ctx, r);
  });
}
JET_FN(CCur) {
  Guard(ctx, argc, argv, 1, [&] { sqlite3_result_double(ctx, rtl::RoundTo(Num(argv[0]), -4)); });
}
JET_FN(CBool) {
  Guard(ctx, argc, argv, 1, [&] { sqlite3_result_int(ctx, Num(argv[0]) != 0 ? -1 : 0); });
}
// `\`: both sides rounded to whole numbers, the quotient truncated.
JET_FN(IntDiv) {
  Guard(ctx, argc, argv, 2, [&] {
    const std::int64_t a = RoundHalfEven(Num(argv[0]));
    const std::int64_t b = RoundHalfEven(Num(argv[1]));
    if (b == 0) throw rtl::EDivByZero(QStringLiteral("Division by zero"));
    if (b == -1) {
      sqlite3_result_int64(ctx, -a);
      return;
    }
    sqlite3_result_int64(ctx, a / b);
  });
}
// Mod: both sides rounded, the remainder keeps the dividend's sign.
JET_FN(Mod) {
  Guard(ctx, argc, argv, 2, [&] {
    const std::int64_t a = RoundHalfEven(Num(argv[0]));
    const std::int64_t b = RoundHalfEven(Num(argv[1]));
    if (b == 0) throw rtl::EDivByZero(QStringLiteral("Division by zero"));
    if (b == -1) {
      sqlite3_result_int64(ctx, 0);
      return;
    }
    sqlite3_result_int64(ctx, a % b);
  });
}
JET_FN(Divide) {
  Guard(ctx, argc, argv, 2, [&] {
    const double b = Num(argv[1]);
    if (b == 0) throw rtl::EDivByZero(QStringLiteral("Division by zero"));
    sqlite3_result_double(ctx, Num(argv[0]) / b);
  });
}
JET_FN(Power) {
  Guard(ctx, argc, argv, 2, [&] {
    const double r = std::pow(Num(argv[0]), Num(argv[1]));
    if (!std::isfinite(r)) throw rtl::EConvertError(QStringLiteral("Invalid procedure call"));
    sqlite3_result_double(ctx, r);
  });
}

// Format(value[, format], is_date): named formats and the run-time's format
// letters (dates) or number patterns.
JET_FN(Format) {
  Guard(ctx, argc, argv, 1, [&] {
    const QString fmt = argc > 1 && !IsNull(argv[1]) ? TextOf(argv[1]) : QString();
    const bool is_date = argc > 2 && sqlite3_value_int(argv[2]) != 0;
    const QString named = fmt.toLower();
    if (fmt.isEmpty()) {
      ResultText(ctx, is_date ? DateText(DateArg(argv[0])) : StringOf(argv[0]));
      return;
    }
    if (named == QLatin1String("general date")) return ResultText(ctx, DateText(DateArg(argv[0])));
    if (named == QLatin1String("short date")) return ResultText(ctx, rtl::DateToStr(DateArg(argv[0])));
    if (named == QLatin1String("long date"))
      return ResultText(ctx, rtl::FormatDateTime(QStringLiteral("dddddd"), DateArg(argv[0])));
    if (named == QLatin1String("short time"))
      return ResultText(ctx, rtl::FormatDateTime(QStringLiteral("hh:nn"), DateArg(argv[0])));
    if (named == QLatin1String("long time") || named == QLatin1String("medium time"))
      return ResultText(ctx, rtl::TimeToStr(DateArg(argv[0])));
    if (named == QLatin1String("general number")) return ResultText(ctx, rtl::FloatToStr(Num(argv[0])));
    if (named == QLatin1String("fixed")) return ResultText(ctx, rtl::FormatFloat(QStringLiteral("0.00"), Num(argv[0])));
    if (named == QLatin1String("standard"))
      return ResultText(ctx, rtl::FormatFloat(QStringLiteral("#,##0.00"), Num(argv[0])));
    if (named == QLatin1String("currency")) return ResultText(ctx, rtl::CurrToStrF(Num(argv[0]), rtl::ffCurrency, 2));
    if (named == QLatin1String("percent"))
      return ResultText(ctx, rtl::FormatFloat(QStringLiteral("0.00"), Num(argv[0]) * 100) + u'%');
    if (named == QLatin1String("yes/no"))
      return ResultText(ctx, Num(argv[0]) != 0 ? QStringLiteral("Yes") : QStringLiteral("No"));
    if (named == QLatin1String("true/false"))
      return ResultText(ctx, Num(argv[0]) != 0 ? QStringLiteral("True") : QStringLiteral("False"));
    if (named == QLatin1String("on/off"))
      return ResultText(ctx, Num(argv[0]) != 0 ? QStringLiteral("On") : QStringLiteral("Off"));
    if (is_date) return ResultText(ctx, rtl::FormatDateTime(fmt, DateArg(argv[0])));
    ResultText(ctx, rtl::FormatFloat(fmt, Num(argv[0])));
  });
}

// ---- Like and the collation -------------------------------------------------

void DeletePattern(void *p) { delete static_cast<detail::LikePattern *>(p); }

JET_FN(Like) {
  Q_UNUSED(argc);
  if (IsNull(argv[0]) || IsNull(argv[1])) {
    sqlite3_result_null(ctx);
    return;
  }
  try {
    if (auto *kept = static_cast<detail::LikePattern *>(sqlite3_get_auxdata(ctx, 0))) {
      sqlite3_result_int(ctx, kept->Matches(StringOf(argv[1])) ? 1 : 0);
      return;
    }
    // Compiled once per statement while the pattern stays the same.
    auto *pattern = new detail::LikePattern(StringOf(argv[0]));
    const bool match = pattern->Matches(StringOf(argv[1]));
    sqlite3_set_auxdata(ctx, 0, pattern, DeletePattern);
    sqlite3_result_int(ctx, match ? 1 : 0);
  } catch (const rtl::Exception &e) {
    const QByteArray u = e.Message().toUtf8();
    sqlite3_result_error(ctx, u.constData(), static_cast<int>(u.size()));
  }
}

int Collate(void *, int na, const void *a, int nb, const void *b) {
  return detail::CompareUtf8(static_cast<const char *>(a), na, static_cast<const char *>(b), nb);
}

// ---- First and Last ---------------------------------------------------------

struct Kept {
  sqlite3_value *value;
  bool seen;
};

template <bool Last>
void KeepStep(sqlite3_context *ctx, int, sqlite3_value **argv) {
  auto *k = static_cast<Kept *>(sqlite3_aggregate_context(ctx, sizeof(Kept)));
  if (!k) {
    sqlite3_result_error_nomem(ctx);
    return;
  }
  if (k->seen && !Last) return;
  if (k->value) sqlite3_value_free(k->value);
  k->value = sqlite3_value_dup(argv[0]);
  k->seen = true;
}
void KeepFinal(sqlite3_context *ctx) {
  auto *k = static_cast<Kept *>(sqlite3_aggregate_context(ctx, 0));
  if (!k || !k->value) {
    sqlite3_result_null(ctx);
    return;
  }
  sqlite3_result_value(ctx, k->value);
  sqlite3_value_free(k->value);
  k->value = nullptr;
}

struct FunctionDef {
  const char *name;
  int args;  // -1: variable
  void (*fn)(sqlite3_context *, int, sqlite3_value **);
  bool deterministic;
};

}  // namespace

void InstallSqliteExtensions(sqlite3 *db) {
  auto check = [db](int rc, const char *what) {
    if (rc != SQLITE_OK)
      RaiseJetError(kErrInvalidOperation, QStringLiteral("Cannot register %1 on the database connection: %2")
                                              .arg(QString::fromLatin1(what), QString::fromUtf8(sqlite3_errmsg(db))));
  };
  check(sqlite3_create_collation(db, kCollationName, SQLITE_UTF8, nullptr, Collate), kCollationName);
  static const FunctionDef kFunctions[] = {
      {"jet_year", 1, DatePart<0>, true},
      {"jet_month", 1, DatePart<1>, true},
      {"jet_day", 1, DatePart<2>, true},
      {"jet_hour", 1, DatePart<3>, true},
      {"jet_minute", 1, DatePart<4>, true},
      {"jet_second", 1, DatePart<5>, true},
      {"jet_weekday", -1, Weekday, true},
      {"jet_date", 0, DateNow, false},
      {"jet_time", 0, TimeNow, false},
      {"jet_now", 0, Now, false},
      {"jet_dateadd", 3, DateAdd, true},
      {"jet_datediff", -1, DateDiff, true},
      {"jet_datevalue", 1, DateValue, true},
      {"jet_timevalue", 1, TimeValue, true},
      {"jet_cdate", 1, CDate, true},
      {"jet_dateserial", 3, DateSerial, true},
      {"jet_timeserial", 3, TimeSerial, true},
      {"jet_ucase", 1, UCase, true},
      {"jet_lcase", 1, LCase, true},
      {"jet_left", 2, Left, true},
      {"jet_right", 2, Right, true},
      {"jet_mid", -1, Mid, true},
      {"jet_len", 1, Len, true},
      {"jet_trim", 1, Trim, true},
      {"jet_ltrim", 1, LTrim, true},
      {"jet_rtrim", 1, RTrim, true},
      {"jet_instr", -1, InStr, true},
      {"jet_space", 1, Space, true},
      {"jet_string", 2, StringFn, true},
      {"jet_replace", 3, Replace, true},
      {"jet_asc", 1, Asc, true},
      {"jet_chr", 1, Chr, true},
      {"jet_strcomp", -1, StrComp, true},
      {"jet_cat", 2, Concat, true},
      {"jet_datestr", 1, DateStr, false},
      {"jet_boolstr", 1, BoolStr, true},
      {"jet_int", 1, IntFn, true},
      {"jet_fix", 1, Fix, true},
      {"jet_sgn", 1, Sgn, true},
      {"jet_sqr", 1, Sqr, true},
      {"jet_round", -1, RoundFn, true},
      {"jet_val", 1, Val, true},
      {"jet_str", 1, Str, true},
      {"jet_cstr", 1, CStr, false},
      {"jet_cdbl", 1, CDbl, false},
      {"jet_clng", 1, CWhole<-2147483648LL, 2147483647LL>, false},
      {"jet_cint", 1, CWhole<-32768, 32767>, false},
      {"jet_cbyte", 1, CWhole<0, 255>, false},
      {"jet_ccur", 1, CCur, false},
      {"jet_cbool", 1, CBool, false},
      {"jet_intdiv", 2, IntDiv, true},
      {"jet_mod", 2, Mod, true},
      {"jet_div", 2, Divide, true},
      {"jet_pow", 2, Power, true},
      {"jet_format", -1, Format, false},
      {"jetlike", 2, Like, true},
  };
  for (const FunctionDef &f : kFunctions) {
    const int flags = SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
    check(sqlite3_create_function_v2(db, f.name, f.args, flags, nullptr, f.fn, nullptr, nullptr, nullptr), f.name);
  }
  check(sqlite3_create_function_v2(db, "jet_first", 1, SQLITE_UTF8, nullptr, nullptr, KeepStep<false>, KeepFinal,
                                   nullptr),
        "jet_first");
  check(
      sqlite3_create_function_v2(db, "jet_last", 1, SQLITE_UTF8, nullptr, nullptr, KeepStep<true>, KeepFinal, nullptr),
      "jet_last");
}

// ---- parameter values ---------------------------------------------------------

namespace {

[[noreturn]] void Mismatch(const QString &text, const char *kind) {
  RaiseJetError(kErrTypeMismatch,
                QStringLiteral("Data type mismatch: '%1' is not a valid %2.").arg(text, QString::fromLatin1(kind)));
}

bool TextToBool(const QString &raw, bool &out) {
  const QString s = raw.trimmed().toLower();
  static const char *const kTrue[] = {"true", "vero", "sì", "si", "yes", "on", "-1", nullptr};
  static const char *const kFalse[] = {"false", "falso", "no", "off", "0", nullptr};
  for (int i = 0; kTrue[i]; ++i)
    if (s == QString::fromUtf8(kTrue[i])) return out = true, true;
  for (int i = 0; kFalse[i]; ++i)
    if (s == QString::fromUtf8(kFalse[i])) return out = false, true;
  double d = 0;
  if (rtl::TryStrToFloat(s, d)) return out = d != 0, true;
  return false;
}

double TextToNumber(const QString &raw, const char *kind) {
  const QString s = raw.trimmed();
  double d = 0;
  if (rtl::TryStrToFloat(s, d)) return d;
  // Grouped thousands ("1.234,50") are accepted as the edits write them.
  QString plain = s;
  plain.remove(rtl::FormatSettings().ThousandSeparator);
  if (plain != s && rtl::TryStrToFloat(plain, d)) return d;
  Mismatch(raw, kind);
}

}  // namespace

rtl::Variant ConvertParameterValue(const rtl::Variant &value, int jet_type) {
  if (value.IsEmptyOrNull()) return rtl::Variant::Null();
  if (jet_type == kUnknownType) return value;
  try {
    if (value.Type() == rtl::VarType::String) {
      const QString s = value.AsString();
      switch (jet_type) {
        case dbText:
        case dbMemo:
        case dbGUID:
          return value;
        case dbBinary:
        case dbLongBinary:
          return rtl::Variant(s.toUtf8());
        default:
          break;
      }
      if (s.trimmed().isEmpty()) return rtl::Variant::Null();
      switch (jet_type) {
        case dbDate: {
          rtl::TDateTime dt = 0;
          const QString t = s.trimmed();
          if (rtl::TryStrToDateTime(t, dt)) return rtl::Variant::FromDate(dt);
          bool has_time = false;
          if (t.size() > 2 && t.startsWith(u'#') && t.endsWith(u'#') &&
              detail::ParseDateLiteral(t.mid(1, t.size() - 2), dt, has_time))
            return rtl::Variant::FromDate(dt);
          Mismatch(s, "date");
        }
        case dbBoolean: {
          bool b = false;
          if (!TextToBool(s, b)) Mismatch(s, "Yes/No value");
          return rtl::Variant(b);
        }
        case dbByte:
        case dbInteger:
        case dbLong: {
          const double d = TextToNumber(s, "whole number");
          const double lo = jet_type == dbByte ? 0 : (jet_type == dbInteger ? -32768 : -2147483648.0);
          const double hi = jet_type == dbByte ? 255 : (jet_type == dbInteger ? 32767 : 2147483647.0);
          const double r = std::nearbyint(d);
          if (!(r >= lo && r <= hi)) Mismatch(s, "whole number in range");
          return rtl::Variant(static_cast<int>(r));
        }
        case dbCurrency:
        case dbSingle:
        case dbDouble: {
          const double d = TextToNumber(s, "number");
          if (!std::isfinite(d) || (jet_type == dbCurrency && std::fabs(d) > 9.2e14)) Mismatch(s, "number");
          return jet_type == dbCurrency ? rtl::Variant::FromCurrency(d) : rtl::Variant(d);
        }
        default:
          return value;
      }
    }
    switch (jet_type) {
      case dbText:
      case dbMemo:
      case dbGUID:
        if (value.Type() == rtl::VarType::Date) return rtl::Variant(DateText(value.AsDouble()));
        return rtl::Variant(value.AsString());
      case dbDate:
        return rtl::Variant::FromDate(value.AsDateTime());
      case dbBoolean:
        return rtl::Variant(value.AsBoolean());
      case dbByte:
      case dbInteger:
      case dbLong:
        return rtl::Variant(value.AsInteger());
      case dbCurrency:
        return rtl::Variant::FromCurrency(value.AsDouble());
      case dbSingle:
      case dbDouble:
        return rtl::Variant(value.AsDouble());
      default:
        return value;
    }
  } catch (const EJetError &) {
    throw;
  } catch (const rtl::Exception &e) {
    RaiseJetError(kErrTypeMismatch, QStringLiteral("Data type mismatch: %1").arg(e.Message()));
  }
}

QString DateLiteral(rtl::TDateTime value) {
  int y = 0, m = 0, d = 0, h = 0, n = 0, s = 0, ms = 0;
  rtl::DecodeDateTime(value, y, m, d, h, n, s, ms);
  QString out = QStringLiteral("#%1/%2/%3")
                    .arg(m, 2, 10, QLatin1Char('0'))
                    .arg(d, 2, 10, QLatin1Char('0'))
                    .arg(y, 4, 10, QLatin1Char('0'));
  if (h || n || s)
    out += QStringLiteral(" %1:%2:%3")
               .arg(h, 2, 10, QLatin1Char('0'))
               .arg(n, 2, 10, QLatin1Char('0'))
               .arg(s, 2, 10, QLatin1Char('0'));
  return out + u'#';
}

}  // namespace jet
