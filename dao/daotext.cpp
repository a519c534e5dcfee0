// Text conversions shared by the DAO components (see daotext.h).
#include "dao/daotext.h"

#include <cmath>

#include "platform/rtl/datetime.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/sysutils.h"

namespace dao {

namespace {

bool IsWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

QString TwoDigits(int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); }

[[noreturn]] void Fail(const QString &text) { throw rtl::EDatabaseError(text); }

}  // namespace

// ---------------------------------------------------------------------------
// Row value texts.

QString TimeStampText(rtl::TDateTime value) {
  const rtl::TTimeStamp ts = rtl::DateTimeToTimeStamp(value);
  return QStringLiteral("%1 %2").arg(ts.Date).arg(ts.Time);
}

bool SplitTimeStampText(const QString &text, int &day, int &msecs) {
  const int blank = text.indexOf(QLatin1Char(' '));
  if (blank <= 0 || blank != text.lastIndexOf(QLatin1Char(' '))) return false;
  bool ok1 = false, ok2 = false;
  day = text.left(blank).toInt(&ok1);
  msecs = text.mid(blank + 1).toInt(&ok2);
  return ok1 && ok2;
}

std::optional<rtl::TDateTime> TimeStampTextToDateTime(const QString &text) {
  int day = 0, msecs = 0;
  if (!SplitTimeStampText(text, day, msecs)) return std::nullopt;
  if (msecs < 0 || msecs >= rtl::MSecsPerDay || day <= 0) return std::nullopt;
  rtl::TTimeStamp ts;
  ts.Date = day;
  ts.Time = msecs;
  return rtl::TimeStampToDateTime(ts);
}

QString GuidBraced(const QByteArray &b) {
  if (b.size() != 16) return {};
  auto hex = [&](int i) { return QStringLiteral("%1").arg(static_cast<unsigned char>(b[i]), 2, 16, QLatin1Char('0')); };
  QString s = QStringLiteral("{");
  for (int i = 3; i >= 0; --i) s += hex(i);
  s += QLatin1Char('-');
  s += hex(5) + hex(4);
  s += QLatin1Char('-');
  s += hex(7) + hex(6);
  s += QLatin1Char('-');
  s += hex(8) + hex(9);
  s += QLatin1Char('-');
  for (int i = 10; i < 16; ++i) s += hex(i);
  s += QLatin1Char('}');
  return s.toUpper();
}

QString GuidText(const QByteArray &bytes) {
  if (bytes.size() != 16 || bytes.count('\0') == 16) return {};
  return QStringLiteral("{guid ") + GuidBraced(bytes) + QLatin1Char('}');
}

std::optional<QByteArray> GuidBytes(const QString &input) {
  QString t = input.trimmed();
  if (t.startsWith(QLatin1String("{guid "), Qt::CaseInsensitive)) {
    t = t.mid(6);
    if (t.endsWith(QLatin1String("}}"))) t.chop(1);
  }
  if (t.size() == 38) {
    if (t[0] != QLatin1Char('{') || t[37] != QLatin1Char('}')) return std::nullopt;
    t = t.mid(1, 36);
  }
  if (t.size() != 36) return std::nullopt;
  for (int pos : {8, 13, 18, 23})
    if (t[pos] != QLatin1Char('-')) return std::nullopt;
  const QString digits = QString(t).remove(QLatin1Char('-'));
  if (digits.size() != 32) return std::nullopt;
  QByteArray raw(16, '\0');
  for (int i = 0; i < 16; ++i) {
    bool ok = false;
    const int v = digits.mid(i * 2, 2).toInt(&ok, 16);
    if (!ok) return std::nullopt;
    raw[i] = static_cast<char>(v);
  }
  // Text order is big-endian; the first three groups are little-endian in memory.
  QByteArray out = raw;
  for (int i = 0; i < 4; ++i) out[i] = raw[3 - i];
  out[4] = raw[5];
  out[5] = raw[4];
  out[6] = raw[7];
  out[7] = raw[6];
  return out;
}

std::optional<int> BooleanTextValue(const QString &text) {
  QString t = text;
  if (t.startsWith(QLatin1Char('='))) t = t.mid(1);
  const QString l = t.trimmed().toLower();
  if (l.isEmpty() || l == QLatin1String("false") || l == QLatin1String("no") || l == QLatin1String("off")) return 0;
  if (l == QLatin1String("true") || l == QLatin1String("yes") || l == QLatin1String("on") || l == QLatin1String("-1"))
    return 1;
  bool ok = false;
  const int v = l.toInt(&ok);
  if (!ok) return std::nullopt;
  return v;
}

// ---------------------------------------------------------------------------
// Names and literals.

QString BracketName(const QString &name, bool use_brackets) {
  const QString trimmed = name.trimmed();
  if (!use_brackets) return trimmed;
  QStringList parts;
  // Split on dots outside brackets so "[a.b]" stays one part.
  QString current;
  bool in_bracket = false;
  for (QChar c : trimmed) {
    if (c == QLatin1Char('[')) in_bracket = true;
    if (c == QLatin1Char(']')) in_bracket = false;
    if (c == QLatin1Char('.') && !in_bracket) {
      parts << current;
      current.clear();
    } else {
      current += c;
    }
  }
  parts << current;
  for (QString &p : parts) {
    p = p.trimmed();
    if (p.startsWith(QLatin1Char('[')) && p.endsWith(QLatin1Char(']'))) p = p.mid(1, p.size() - 2);
    p = QLatin1Char('[') + p + QLatin1Char(']');
  }
  return parts.join(QLatin1Char('.'));
}

QString QuoteString(const QString &text) {
  QString s = text;
  s.replace(QLatin1Char('"'), QLatin1String("\"\""));
  return QLatin1Char('"') + s + QLatin1Char('"');
}

QString EscapeLike(const QString &text) {
  static const QString special = QStringLiteral("!#*-?[]");
  QString out;
  out.reserve(text.size() + 8);
  for (QChar c : text) {
    if (special.contains(c)) {
      out += QLatin1Char('[');
      out += c;
      out += QLatin1Char(']');
    } else {
      out += c;
    }
  }
  return out;
}

QString NumberTextFromLocale(const QString &text) {
  const rtl::TFormatSettings &fs = rtl::FormatSettings();
  QString s = text.trimmed();
  if (fs.ThousandSeparator != fs.DecimalSeparator) s.remove(fs.ThousandSeparator);
  s.replace(fs.DecimalSeparator, QLatin1Char('.'));
  return s;
}

QString NumberText(const rtl::Variant &value) {
  switch (value.Type()) {
    case rtl::VarType::Integer:
    case rtl::VarType::Int64:
      return QString::number(value.AsInt64());
    case rtl::VarType::Boolean:
      return value.AsBoolean() ? QStringLiteral("-1") : QStringLiteral("0");
    case rtl::VarType::Double:
    case rtl::VarType::Currency:
    case rtl::VarType::Date: {
      const double d = value.AsDouble();
      if (d == std::floor(d) && std::fabs(d) < 1e15) return QString::number(static_cast<qint64>(d));
      return QString::number(d, 'g', 15);
    }
    default:
      return NumberTextFromLocale(rtl::VarToStr(value));
  }
}

namespace {

// Criteria and SQL text take values as literals: a value that is not what
// its column holds must never reach the engine as raw text, where "1 OR 1=1"
// would turn a key into a condition of its own.
std::optional<QString> CheckedNumberText(const rtl::Variant &value) {
  const QString text = NumberText(value);
  bool ok = false;
  text.toDouble(&ok);
  if (!ok) return std::nullopt;
  return text;
}

std::optional<QString> CheckedGuidLiteral(const rtl::Variant &value) {
  const std::optional<QByteArray> bytes = value.Type() == rtl::VarType::Bytes
                                              ? std::optional<QByteArray>(value.AsBytes())
                                              : GuidBytes(rtl::VarToStr(value));
  if (!bytes || bytes->size() != 16) return std::nullopt;
  return QStringLiteral("{guid ") + GuidBraced(*bytes) + QLatin1Char('}');
}

}  // namespace

QString DateLiteralBody(rtl::TDateTime value) {
  int y = 0, m = 0, d = 0;
  rtl::DecodeDate(value, y, m, d);
  return TwoDigits(m) + QLatin1Char('/') + TwoDigits(d) + QLatin1Char('/') +
         QStringLiteral("%1").arg(y, 4, 10, QLatin1Char('0'));
}

QString TimeLiteralBody(rtl::TDateTime value) {
  int h = 0, n = 0, s = 0, ms = 0;
  rtl::DecodeTime(value, h, n, s, ms);
  return TwoDigits(h) + QLatin1Char(':') + TwoDigits(n) + QLatin1Char(':') + TwoDigits(s);
}

QString DateTimeLiteralBody(rtl::TDateTime value) {
  return DateLiteralBody(value) + QLatin1Char(' ') + TimeLiteralBody(value);
}

QString NormalizeDateText(const QString &text, bool cut_time) {
  const rtl::TFormatSettings &fs = rtl::FormatSettings();
  QString out;
  for (QChar c : text) {
    const bool keep = c.isDigit() || c == QLatin1Char('/') || c == fs.DateSeparator || c == fs.TimeSeparator;
    if (keep) {
      out += c;
    } else if (!out.isEmpty() && !out.endsWith(QLatin1Char(' '))) {
      out += QLatin1Char(' ');
    }
  }
  out = out.trimmed();
  if (cut_time) {
    const int blank = out.indexOf(QLatin1Char(' '));
    if (blank > 0) out = out.left(blank);
  }
  return out;
}

std::optional<rtl::TDateTime> KeyDateTime(const rtl::Variant &value) {
  if (value.IsEmptyOrNull()) return std::nullopt;
  if (value.Type() == rtl::VarType::Date || value.IsNumeric()) return value.AsDouble();
  const QString text = NormalizeDateText(rtl::VarToStr(value), false);
  if (text.isEmpty()) return std::nullopt;
  rtl::TDateTime out = 0;
  if (rtl::TryStrToDateTime(text, out)) return out;
  if (rtl::TryStrToTime(text, out)) return out;
  return std::nullopt;
}

// ---------------------------------------------------------------------------
// Criteria.

QString LookupTerm(const QString &field, ValueKind kind, const rtl::Variant &value, SearchOptions options,
                   bool use_brackets, const QString &failure_text) {
  const QString name = BracketName(field, use_brackets);
  auto term = [&](const QString &comparison) {
    return QLatin1Char('(') + name + QLatin1Char(' ') + comparison + QLatin1Char(')');
  };
  const QString text = rtl::VarToStr(value);
  if (value.IsNull() || text == QLatin1String("NULL")) return term(QStringLiteral("IS NULL"));
  switch (kind) {
    case ValueKind::Text: {
      if (options.partial_key && options.case_insensitive)
        return term(QStringLiteral("LIKE LCASE(") + QuoteString(EscapeLike(text.toLower()) + QLatin1Char('*')) +
                    QLatin1Char(')'));
      if (options.partial_key) return term(QStringLiteral("LIKE ") + QuoteString(EscapeLike(text) + QLatin1Char('*')));
      if (options.case_insensitive)
        return term(QStringLiteral("= LCASE(") + QuoteString(text.toLower()) + QLatin1Char(')'));
      return term(QStringLiteral("= ") + QuoteString(text));
    }
    case ValueKind::Number: {
      if (text.isEmpty()) return term(QStringLiteral("IS NULL"));
      const std::optional<QString> number = CheckedNumberText(value);
      if (!number) Fail(failure_text);
      return term(QStringLiteral("= ") + *number);
    }
    case ValueKind::Boolean: {
      if (text.isEmpty()) return term(QStringLiteral("IS NULL"));
      bool b = false;
      if (value.Type() == rtl::VarType::Boolean || value.IsNumeric()) {
        b = value.AsBoolean();
      } else {
        const std::optional<int> v = BooleanTextValue(text);
        if (!v) Fail(failure_text);
        b = *v != 0;
      }
      return term(b ? QStringLiteral("= True") : QStringLiteral("= False"));
    }
    case ValueKind::Date:
    case ValueKind::Time:
    case ValueKind::DateTime: {
      if (text.isEmpty()) return term(QStringLiteral("IS NULL"));
      const std::optional<rtl::TDateTime> dt = KeyDateTime(value);
      if (!dt) Fail(failure_text);
      const QString body = kind == ValueKind::Date   ? DateLiteralBody(*dt)
                           : kind == ValueKind::Time ? TimeLiteralBody(*dt)
                                                     : DateTimeLiteralBody(*dt);
      return term(QStringLiteral("= #") + body + QLatin1Char('#'));
    }
    case ValueKind::Guid: {
      if (text.isEmpty()) return term(QStringLiteral("IS NULL"));
      const std::optional<QString> guid = CheckedGuidLiteral(value);
      if (!guid) Fail(failure_text);
      return term(QStringLiteral("= ") + *guid);
    }
    case ValueKind::Bytes:
      if (text.isEmpty()) return term(QStringLiteral("IS NULL"));
      return term(QStringLiteral("= ") + QuoteString(text));
    case ValueKind::Unknown:
      break;
  }
  Fail(failure_text);
}

QString JoinTerms(const QStringList &terms) { return terms.join(QLatin1String(" AND ")); }

QStringList SplitKeyFields(const QString &fields) {
  QStringList out;
  for (const QString &part : fields.split(QLatin1Char(';'))) {
    const QString t = part.trimmed();
    if (!t.isEmpty()) out << t;
  }
  return out;
}

std::vector<rtl::Variant> SplitKeyValues(const rtl::Variant &values) {
  std::vector<rtl::Variant> out;
  if (values.IsArray()) {
    for (int i = 0; i < values.ArrayCount(); ++i) out.push_back(values[i]);
  } else {
    out.push_back(values);
  }
  return out;
}

QString SortText(const QStringList &lines) {
  QString out;
  for (int i = 0; i < lines.size(); ++i) {
    out += lines[i];
    out += (i + 1 < lines.size()) ? QStringLiteral(", ") : QStringLiteral(" ");
  }
  return out;
}

QList<FieldPair> ParseMasterFields(const QStringList &lines) {
  QList<FieldPair> out;
  if (lines.size() == 1 && lines[0].contains(QLatin1Char(';'))) {
    for (const QString &name : SplitKeyFields(lines[0])) out.append({name, name});
    return out;
  }
  for (const QString &line : lines) {
    const int arrow = line.indexOf(QLatin1String(" -> "));
    if (arrow < 0) {
      // A single name without an arrow links equal names, as one line of
      // several names does.
      if (lines.size() == 1 && !line.trimmed().isEmpty()) out.append({line.trimmed(), line.trimmed()});
      continue;
    }
    out.append({line.left(arrow).trimmed(), line.mid(arrow + 4).trimmed()});
  }
  return out;
}

// ---------------------------------------------------------------------------
// Parameters.

QString ParameterLiteral(ValueKind kind, const rtl::Variant &value) {
  switch (kind) {
    case ValueKind::Text:
    case ValueKind::Bytes:
      return QuoteString(rtl::VarToStr(value));
    case ValueKind::Date:
      return QLatin1Char('#') + DateLiteralBody(value.AsDateTime()) + QLatin1Char('#');
    case ValueKind::Time:
      return QLatin1Char('#') + TimeLiteralBody(value.AsDateTime()) + QLatin1Char('#');
    case ValueKind::DateTime:
      return QLatin1Char('#') + DateTimeLiteralBody(value.AsDateTime()) + QLatin1Char('#');
    case ValueKind::Number: {
      const std::optional<QString> number = CheckedNumberText(value);
      if (!number) Fail(QStringLiteral("Invalid number for an SQL parameter: ") + rtl::VarToStr(value));
      return *number;
    }
    case ValueKind::Boolean:
      return value.AsBoolean() ? QStringLiteral("True") : QStringLiteral("False");
    case ValueKind::Guid: {
      const std::optional<QString> guid = CheckedGuidLiteral(value);
      if (!guid) Fail(QStringLiteral("Invalid GUID for an SQL parameter: ") + rtl::VarToStr(value));
      return *guid;
    }
    case ValueKind::Unknown:
      break;
  }
  return rtl::VarToStr(value);
}

namespace {

// The clause a position of an SQL text belongs to, judged by the last
// keyword before it outside literals: a Null parameter after SET or in a
// VALUES list is a value, after WHERE/ON/HAVING a condition.
bool InAssignment(const QString &sql, int pos) {
  static const QStringList keys = {QStringLiteral("SET"), QStringLiteral("VALUES"), QStringLiteral("WHERE"),
                                   QStringLiteral("ON"),  QStringLiteral("HAVING"), QStringLiteral("SELECT")};
  bool assignment = false;
  QChar quote;
  int i = 0;
  while (i < pos) {
    const QChar c = sql[i];
    if (!quote.isNull()) {
      if (c == quote) quote = QChar();
      ++i;
      continue;
    }
    if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
      quote = c;
      ++i;
      continue;
    }
    if (c.isLetter() && (i == 0 || !IsWordChar(sql[i - 1]))) {
      int j = i;
      while (j < pos && IsWordChar(sql[j])) ++j;
      const QString word = sql.mid(i, j - i).toUpper();
      if (keys.contains(word)) assignment = (word == QLatin1String("SET") || word == QLatin1String("VALUES"));
      i = j;
      continue;
    }
    ++i;
  }
  return assignment;
}

}  // namespace

QString SubstituteParams(const QString &sql, const std::vector<SqlParameter> &params) {
  QString text = sql;
  for (const SqlParameter &p : params) {
    if (p.name.isEmpty()) continue;
    const QString needle = QLatin1Char(':') + p.name;
    QString out;
    out.reserve(text.size());
    QChar quote;
    int i = 0;
    while (i < text.size()) {
      const QChar c = text[i];
      if (!quote.isNull()) {
        out += c;
        if (c == quote) quote = QChar();
        ++i;
        continue;
      }
      if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
        quote = c;
        out += c;
        ++i;
        continue;
      }
      const bool match = c == QLatin1Char(':') &&
                         text.mid(i, needle.size()).compare(needle, Qt::CaseInsensitive) == 0 &&
                         (i == 0 || !IsWordChar(text[i - 1])) &&
                         (i + needle.size() >= text.size() || !IsWordChar(text[i + needle.size()]));
      if (!match) {
        out += c;
        ++i;
        continue;
      }
      if (p.value.IsEmptyOrNull()) {
        // "x = :p" must become "x IS NULL", never "x = IS NULL".
        int k = out.size();
        while (k > 0 && out[k - 1].isSpace()) --k;
        const bool assignment = InAssignment(text, i);
        if (!assignment && k >= 2 && out.mid(k - 2, 2) == QLatin1String("<>")) {
          out.truncate(k - 2);
          while (!out.isEmpty() && out.back().isSpace()) out.chop(1);
          out += QStringLiteral(" IS NOT NULL");
        } else if (!assignment && k >= 1 && out[k - 1] == QLatin1Char('=') &&
                   (k < 2 || (out[k - 2] != QLatin1Char('<') && out[k - 2] != QLatin1Char('>')))) {
          out.truncate(k - 1);
          while (!out.isEmpty() && out.back().isSpace()) out.chop(1);
          out += QStringLiteral(" IS NULL");
        } else {
          out += QStringLiteral("Null");
        }
      } else {
        out += ParameterLiteral(p.kind, p.value);
      }
      i += needle.size();
    }
    text = out;
  }
  return text;
}

}  // namespace dao
