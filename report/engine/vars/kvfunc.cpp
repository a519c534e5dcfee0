// The built-in functions, the aggregates as names see them, value
// formatting by the format word and amounts in Italian words.
#include "report/engine/vars/kvfunc.h"

#include <cmath>
#include <functional>
#include <limits>
#include <map>

#include "platform/rtl/numbers.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/db/db.h"
#include "report/engine/data/kvdset.h"
#include "report/engine/expr/kvaggr.h"
#include "report/engine/expr/kvexpr.h"
#include "report/engine/model/kvglobals.h"
#include "report/engine/vars/kvvars.h"

namespace report {

using rtl::Variant;

namespace {

const QString kNoBandError =
    QStringLiteral("Non è possibile inserire in una banda non abilitata la funzione statistica : ");
const QString kCountError = QStringLiteral("E' stato inserito un numero di parametri errato per la funzione : ");
const QString kParamFormatError = QStringLiteral("Formato parametri non valido nella funzione : ");
const QString kParamTypeError = QStringLiteral("Tipi di parametri errati nella funzione: ");

// The lira-euro rate, exact to four decimals.
constexpr double kLireToEuro = 1936.27;
// FILLSTR beyond this many characters is a mistake in the template, not a
// text to build in memory.
constexpr qsizetype kMaxFillLength = 1000000;

const QChar kEuro(0x20AC);

// The parameters of one call, evaluated on demand.
struct Args {
  const QStringList &texts;
  Variant Value(int i) const { return Expr().Evaluate(texts.at(i)); }
  double Number(int i) const { return Value(i).AsDouble(); }
  QString Text(int i) const { return rtl::VarToStr(Value(i)); }
};

double Checked(double v) {
  if (!std::isfinite(v)) throw rtl::EInvalidOp(QStringLiteral("Invalid floating point operation"));
  return v;
}

double RoundToCents(double v) { return static_cast<double>(rtl::Round(v * 100)) / 100; }

QString Amount2(double v) { return rtl::FloatToStrF(v, rtl::ffNumber, 15, 2); }

QString Money(double v) {
  // Negative amounts read "€ -1.234,50" whatever the locale's own order.
  rtl::TFormatSettings fs = rtl::FormatSettings();
  fs.NegCurrFormat = 12;
  return rtl::Format(QStringLiteral("%m"), std::vector<Variant>{Variant::FromCurrency(v)}, fs);
}

QString PhraseCase(const QString &s) {
  QString out = rtl::AnsiLowerCase(s);
  auto is_ascii_letter = [](QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
  for (int i = 0; i < out.size(); ++i)
    if (i == 0 || !is_ascii_letter(out[i - 1])) out[i] = out[i].toUpper();
  return out;
}

// The data band a band's aggregates and counters belong to.
int AggregateBandOf(int band_type) {
  if ((band_type >= 0 && band_type <= 6) || (band_type >= 14 && band_type <= 17)) return 5;
  if (band_type >= 7 && band_type <= 9) return 8;
  if (band_type >= 10 && band_type <= 12) return 11;
  if (band_type >= 18 && band_type <= 20) return 19;
  return -1;
}

Variant Count(TkvReportContext &ctx, const QString &upper, const QStringList &params) {
  if (params.isEmpty()) {
    if (ctx.ObjectInTableDataBand()) {
      TkvAggregates *t = ctx.DataBandAggregates(19);
      return Variant(t != nullptr ? t->ResetCount() : 0);
    }
    const int type = ctx.CurrentBandType();
    int data_band = -1;
    switch (type) {
      case 1:
      case 3:
      case 5:
      case 6:
      case 15:
      case 17:
        data_band = 5;
        break;
      case 8:
      case 9:
        data_band = 8;
        break;
      case 11:
      case 12:
        data_band = 11;
        break;
      case 20: {
        TkvAggregates *t = ctx.DataBandAggregates(19);
        return Variant(t != nullptr ? t->ResetCount() : 0);
      }
      default:
        kvSetError(kNoBandError + upper);
        return Variant();
    }
    TkvAggregates *store = ctx.DataBandAggregates(data_band);
    if (store == nullptr) return Variant(0);
    const bool loop = KvAggregateLevel(type, 0) == kvLoopAggregateLevel;
    return Variant(loop ? store->LoopRowCount() : store->RowCount());
  }
  const QString ref = rtl::Trim(params.at(0));
  vcl::TDataSet *ds = nullptr;
  if (ctx.ReportOwner() != nullptr && !ref.contains(u'.')) {
    vcl::TComponent *c = ctx.ReportOwner()->FindComponent(ref);
    ds = dynamic_cast<vcl::TDataSet *>(c);
    if (ds == nullptr) ds = KvSourceDataSet(dynamic_cast<TkvDataset *>(c));
  }
  if (ds == nullptr) FindFieldByName(ref, ctx.ReportOwner(), ctx.BandDataSet(), &ds);
  if (ds == nullptr) {
    kvSetError(kParamFormatError + upper);
    return Variant();
  }
  return Variant(ds->RecordCount());
}

Variant Aggregate(TkvReportContext &ctx, const QString &upper, const QString &param) {
  const QString object = ctx.ObjectName();
  if (Expr().Mode() == TkvExpr::emRegistration) {
    const int type = ctx.CurrentBandType();
    if (type == 21) {
      kvSetError(kNoBandError + upper);
      return Variant();
    }
    const bool footer_total = type == 20 && ctx.ObjectInTotalsBand();
    if (footer_total) ctx.MarkTableAggregateObject();
    const bool table = type == 19 || footer_total;
    if (TkvAggregates *store = ctx.CollectingAggregates())
      store->Register(KvAggregateKey(upper, param, object, KvAggregateLevel(type, ctx.CurrentBandLevel()), table),
                      table);
    return Variant(1);
  }
  const QString short_key = KvAggregateKey(upper, param, object, 0, true);
  if (ctx.IsTableAggregateObject()) {
    TkvAggregates *t = ctx.DataBandAggregates(19);
    return t != nullptr ? t->TableTotal(short_key, t->MaxColumns()) : Variant();
  }
  if (ctx.ObjectInTableDataBand()) {
    TkvAggregates *t = ctx.DataBandAggregates(19);
    if (t == nullptr) return Variant();
    const std::vector<Variant> columns = t->Columns(short_key);
    const int column = ctx.ColumnNumber() - 1;
    return column >= 0 && column < static_cast<int>(columns.size()) ? columns[static_cast<size_t>(column)] : Variant();
  }
  const int band = ctx.ObjectInTableFooterBand() ? 19 : AggregateBandOf(ctx.CurrentBandType());
  TkvAggregates *store = band >= 0 ? ctx.DataBandAggregates(band) : nullptr;
  if (store == nullptr) return Variant();
  const int level = KvAggregateLevel(ctx.CurrentBandType(), ctx.CurrentBandLevel());
  return store->Value(KvAggregateKey(upper, param, object, level, false));
}

struct BuiltIn {
  int min_params;
  int max_params;
  std::function<Variant(const Args &)> run;
};

const std::map<QString, BuiltIn> &BuiltIns() {
  static const std::map<QString, BuiltIn> table = [] {
    std::map<QString, BuiltIn> t;
    auto one_number = [&t](const char *name, double (*f)(double)) {
      t[QLatin1String(name)] = {1, 1, [f](const Args &a) { return Variant(Checked(f(a.Number(0)))); }};
    };
    t[QStringLiteral("STR")] = {1, 1, [](const Args &a) { return Variant(rtl::FloatToStr(a.Number(0))); }};
    t[QStringLiteral("FILLSTR")] = {2, 2, [](const Args &a) {
                                      const int times = a.Value(0).AsInteger();
                                      const QString piece = a.Text(1);
                                      if (times < 1) return Variant(QString());
                                      if (static_cast<qsizetype>(times) * piece.size() > kMaxFillLength)
                                        throw rtl::ERangeError(QStringLiteral("FILLSTR: testo troppo lungo"));
                                      return Variant(piece.repeated(times));
                                    }};
    t[QStringLiteral("CEIL")] = {1, 1, [](const Args &a) { return KvIntegerVariant(rtl::Ceil(a.Number(0))); }};
    t[QStringLiteral("FLOOR")] = {1, 1, [](const Args &a) { return KvIntegerVariant(rtl::Floor(a.Number(0))); }};
    t[QStringLiteral("IF")] = {3, 3, [](const Args &a) { return a.Value(a.Value(0) == Variant(1) ? 1 : 2); }};
    t[QStringLiteral("INT")] = {1, 1, [](const Args &a) { return Variant(rtl::Int(a.Number(0))); }};
    t[QStringLiteral("FRAC")] = {1, 1, [](const Args &a) { return Variant(rtl::Frac(a.Number(0))); }};
    t[QStringLiteral("ABS")] = {
        1, 1, [](const Args &a) {
          const Variant v = a.Value(0);
          if (v.Type() == rtl::VarType::Integer && v.AsInteger() != std::numeric_limits<int>::min())
            return Variant(std::abs(v.AsInteger()));
          return Variant(std::fabs(v.AsDouble()));
        }};
    one_number("ARCTAN", [](double x) { return std::atan(x); });
    one_number("COS", [](double x) { return std::cos(x); });
    one_number("SIN", [](double x) { return std::sin(x); });
    one_number("EXP", [](double x) { return std::exp(x); });
    one_number("LN", [](double x) { return x > 0 ? std::log(x) : std::numeric_limits<double>::quiet_NaN(); });
    one_number("SQR", [](double x) { return x * x; });
    one_number("SQRT", [](double x) { return x >= 0 ? std::sqrt(x) : std::numeric_limits<double>::quiet_NaN(); });
    t[QStringLiteral("POS")] = {2, 2, [](const Args &a) { return Variant(rtl::Pos(a.Text(0), a.Text(1))); }};
    t[QStringLiteral("LENGTH")] = {1, 1, [](const Args &a) { return Variant(static_cast<int>(a.Text(0).size())); }};
    t[QStringLiteral("ROUND")] = {1, 1, [](const Args &a) {
                                    const std::int64_t r = rtl::Round(a.Number(0));
                                    if (r < std::numeric_limits<int>::min() || r > std::numeric_limits<int>::max())
                                      throw rtl::ERangeError(QStringLiteral("Range check error"));
                                    return Variant(static_cast<int>(r));
                                  }};
    t[QStringLiteral("TRUNC")] = {1, 1, [](const Args &a) { return KvIntegerVariant(rtl::Trunc(a.Number(0))); }};
    t[QStringLiteral("POWER")] = {2, 2, [](const Args &a) {
                                    return Expr().Apply(opPower, Variant(a.Number(0)), Variant(a.Number(1)),
                                                        QStringLiteral("POWER"));
                                  }};
    t[QStringLiteral("UPPERCASE")] = {1, 1, [](const Args &a) { return Variant(rtl::AnsiUpperCase(a.Text(0))); }};
    t[QStringLiteral("LOWERCASE")] = {1, 1, [](const Args &a) { return Variant(rtl::AnsiLowerCase(a.Text(0))); }};
    t[QStringLiteral("COPY")] = {3, 3, [](const Args &a) {
                                   return Variant(rtl::Copy(a.Text(0), a.Value(1).AsInteger(), a.Value(2).AsInteger()));
                                 }};
    t[QStringLiteral("VAL")] = {1, 1, [](const Args &a) { return Variant(rtl::StrToFloat(rtl::Trim(a.Text(0)))); }};
    t[QStringLiteral("STRTODATE")] = {1, 1, [](const Args &a) { return Variant::FromDate(rtl::StrToDate(a.Text(0))); }};
    t[QStringLiteral("STRTOTIME")] = {1, 1, [](const Args &a) { return Variant::FromDate(rtl::StrToTime(a.Text(0))); }};
    t[QStringLiteral("NAMECASE")] = {1, 1, [](const Args &a) {
                                       const QString s = a.Text(0);
                                       return Variant(s.left(1).toUpper() + rtl::AnsiLowerCase(s.mid(1)));
                                     }};
    t[QStringLiteral("PHRASECASE")] = {1, 1, [](const Args &a) { return Variant(PhraseCase(a.Text(0))); }};
    t[QStringLiteral("NUMBERTOLETTER")] = {
        1, 1, [](const Args &a) { return Variant(KvNumberToWords(rtl::RoundTo(a.Number(0), -4))); }};
    t[QStringLiteral("FORMATFLOAT")] = {
        2, 2, [](const Args &a) { return Variant(rtl::FormatFloat(a.Text(0), a.Number(1))); }};
    t[QStringLiteral("FORMATDATETIME")] = {
        2, 2, [](const Args &a) { return Variant(rtl::FormatDateTime(a.Text(0), a.Value(1).AsDateTime())); }};
    t[QStringLiteral("MONEYTOEURO")] = {
        1, 1, [](const Args &a) { return Variant(kEuro + u' ' + Amount2(RoundToCents(a.Number(0) / kLireToEuro))); }};
    t[QStringLiteral("EURO")] = {1, 1, [](const Args &a) { return Variant(kEuro + u' ' + Amount2(a.Number(0))); }};
    t[QStringLiteral("MONEY")] = {1, 1, [](const Args &a) { return Variant(Money(a.Number(0))); }};
    t[QStringLiteral("EUROTOMONEY")] = {1, 1, [](const Args &a) { return Variant(Money(a.Number(0) * kLireToEuro)); }};
    t[QStringLiteral("EUROTOMONEYVAL")] = {1, 1, [](const Args &a) { return Variant(a.Number(0) * kLireToEuro); }};
    t[QStringLiteral("MONEYTOEUROVAL")] = {
        1, 1, [](const Args &a) { return Variant(RoundToCents(a.Number(0) / kLireToEuro)); }};
    return t;
  }();
  return table;
}

bool IsAggregate(const QString &upper) {
  return upper == u"SUM" || upper == u"AVG" || upper == u"MIN" || upper == u"MAX";
}

}  // namespace

Variant KvBuiltInFunction(TkvReportContext &ctx, const QString &name, const QString &upper, const QStringList &params,
                          bool &known) {
  known = true;
  const int n = static_cast<int>(params.size());
  try {
    if (upper == u"COUNT") {
      if (n > 1) {
        kvSetError(kCountError + upper);
        return Variant();
      }
      return Count(ctx, upper, params);
    }
    if (IsAggregate(upper)) {
      if (n != 1) {
        kvSetError(kCountError + upper);
        return Variant();
      }
      return Aggregate(ctx, upper, params.at(0));
    }
    const auto &table = BuiltIns();
    auto it = table.find(upper);
    if (it == table.end()) {
      known = false;
      return Variant();
    }
    if (n < it->second.min_params || n > it->second.max_params) {
      kvSetError(kCountError + upper);
      return Variant();
    }
    return it->second.run(Args{params});
  } catch (const rtl::Exception &) {
    kvSetError(kParamTypeError + name + QStringLiteral(" (") + params.join(u',') + u')');
    return Variant();
  }
}

// ---- formatting ---------------------------------------------------------------------

namespace {

QString PlainDateTime(rtl::TDateTime d) {
  if (d == 0) return QString();
  const bool has_date = std::trunc(d) != 0;
  const bool has_time = rtl::Frac(d) != 0;
  if (has_date && has_time) return rtl::FormatDateTime(QStringLiteral("dd/mm/yyyy hh:nn:ss"), d);
  if (has_date) return rtl::FormatDateTime(QStringLiteral("dd/mm/yyyy"), d);
  return rtl::FormatDateTime(QStringLiteral("hh:nn:ss"), d);
}

QString FormatKind(const Variant &value, int kind, int sub, int decimals, const QString &format_text) {
  switch (kind) {
    case fkText:
      if (value.Type() == rtl::VarType::Date) return PlainDateTime(value.AsDateTime());
      return rtl::VarToStr(value);
    case fkNumber: {
      if (value.Type() == rtl::VarType::String) return value.AsString();
      const double v = value.AsDouble();
      switch (sub) {
        case 0:
          return rtl::FormatFloat(QStringLiteral("0.##"), v);
        case 1:
          return rtl::FloatToStrF(v, rtl::ffFixed, 10, decimals);
        case 2:
          return rtl::FormatFloat(QStringLiteral("0,.##"), v);
        case 3:
          return rtl::FloatToStrF(v, rtl::ffNumber, 10, decimals);
        case kvCustomSubFormat:
          return rtl::FormatFloat(format_text, v);
        default:
          return rtl::VarToStr(value);
      }
    }
    case fkDate:
    case fkTime: {
      static const char *const kDates[] = {"dd/mm/yy", "dd/mm/yyyy", "d mmm yyyy", "d mmmm yyyy"};
      static const char *const kTimes[] = {"hh:nn:ss", "h:nn:ss", "hh:nn", "h:nn"};
      QString format;
      if (sub >= 0 && sub <= 3) {
        format = QLatin1String(kind == fkDate ? kDates[sub] : kTimes[sub]);
      } else if (sub == kvCustomSubFormat) {
        format = format_text;
      } else {
        return rtl::VarToStr(value);
      }
      return rtl::FormatDateTime(format, value.AsDateTime());
    }
    case fkBoolean:
      switch (sub) {
        case 0:
          return rtl::IntToStr(value.AsInteger());
        case 1: {
          std::int64_t i = 0;
          return rtl::TryStrToInt64(rtl::Trim(rtl::VarToStr(value)), i) && i != 0 ? QStringLiteral("Si")
                                                                                  : QStringLiteral("No");
        }
        case 2:
          return value.AsInteger() == 0 ? QStringLiteral(" ") : QStringLiteral("X");
        default:
          return rtl::VarToStr(value);
      }
    default:
      return QString();
  }
}

}  // namespace

QString KvFormatValue(const Variant &value, std::int32_t format, const QString &format_text) {
  if (value.IsEmptyOrNull()) return QString();
  const int kind = KvFormatKindOf(format);
  const int sub = KvSubFormatOf(format);
  const int decimals = KvDecimalsOf(format);
  const QChar separator(KvSeparatorOf(format));
  rtl::TFormatSettings &fs = rtl::FormatSettings();
  // Only the separators change while formatting; they are put back however
  // formatting ends (a copy of the whole settings would cost more than the
  // formatting of a value).
  struct SeparatorsGuard {
    rtl::TFormatSettings &settings;
    const QChar time = settings.TimeSeparator, decimal = settings.DecimalSeparator,
                thousand = settings.ThousandSeparator;
    ~SeparatorsGuard() {
      settings.TimeSeparator = time;
      settings.DecimalSeparator = decimal;
      settings.ThousandSeparator = thousand;
    }
  } guard{fs};
  fs.TimeSeparator = u':';
  if (kind == fkNumber && !separator.isNull()) {
    fs.DecimalSeparator = separator;
    // A separator equal to the grouping one would make "1.234.5".
    if (fs.ThousandSeparator == separator) fs.ThousandSeparator = separator == u'.' ? u',' : u'.';
  }
  try {
    return FormatKind(value, kind, sub, decimals, format_text);
  } catch (const rtl::Exception &) {
    try {
      return rtl::VarToStr(value);
    } catch (const rtl::Exception &) {
      return QString();
    }
  }
}

// ---- amounts in words -------------------------------------------------------------

namespace {

const char *const kUnits[] = {"", "uno", "due", "tre", "quattro", "cinque", "sei", "sette", "otto", "nove"};
const char *const kTeens[] = {"dieci",    "undici", "dodici",      "tredici",  "quattordici",
                              "quindici", "sedici", "diciassette", "diciotto", "diciannove"};
const char *const kTens[] = {"",          "",         "venti",    "trenta",  "quaranta",
                             "cinquanta", "sessanta", "settanta", "ottanta", "novanta"};
const char *const kSingular[] = {"", "mille", "unmilione", "unmiliardo", "millemiliardi", "unmilionedimiliardi"};
const char *const kPlural[] = {"", "mila", "milioni", "miliardi", "miliardi"};

QString IntegerWords(QString digits) {
  QString words;
  int i = 0;
  while (!digits.isEmpty()) {
    const QString group = digits.right(3);
    digits.chop(group.size());
    const QString g = group.rightJustified(3, u'0');
    if (i > 5) throw rtl::ERangeError(QStringLiteral("Numero troppo grande"));
    QString w;
    if (g == u"001" && i >= 1) {
      // One thousand, one million: the singular word, also for a group such
      // as the "001" of 1.001.000 ("unmilionemille", not "...unomila").
      w = QLatin1String(kSingular[i]);
    } else {
      const int h = g[0].digitValue(), t = g[1].digitValue(), u = g[2].digitValue();
      if (t == 1) {
        w = QLatin1String(kTeens[u]);
      } else if (g == u"000" && digits.isEmpty()) {
        w = QStringLiteral("zero");
      } else {
        QString tens = QLatin1String(kTens[t]);
        if ((u == 1 || u == 8) && !tens.isEmpty()) tens.chop(1);
        w = tens + QLatin1String(kUnits[u]);
      }
      if (h == 1) w = QStringLiteral("cento") + w;
      if (h >= 2) w = QLatin1String(kUnits[h]) + QStringLiteral("cento") + w;
      if (i >= 1 && i <= 4 && g != u"000") w += QLatin1String(kPlural[i]);
    }
    words = w + words;
    ++i;
  }
  return words;
}

QString DigitsOnly(const QString &s) {
  QString out;
  for (QChar c : s)
    if (c.isDigit()) out += c;
  return out;
}

}  // namespace

QString KvNumberToWords(double amount) {
  QString text = rtl::CurrToStr(amount);
  const bool negative = text.startsWith(u'-');
  if (negative) text.remove(0, 1);
  QString words;
  const int sep = text.indexOf(rtl::FormatSettings().DecimalSeparator);
  if (sep >= 0) {
    QString decimals = DigitsOnly(text.mid(sep + 1));
    while (decimals.size() > 1 && decimals.startsWith(u'0')) decimals.remove(0, 1);
    text = text.left(sep);
    words = IntegerWords(DigitsOnly(text)) + QStringLiteral(" virgola ") + IntegerWords(decimals);
  } else {
    words = IntegerWords(DigitsOnly(text));
  }
  return negative ? QStringLiteral("meno ") + words : words;
}

}  // namespace report
