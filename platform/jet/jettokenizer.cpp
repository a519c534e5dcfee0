// Tokenizer of the engine's query language; see jettokenizer.h.
#include "platform/jet/jettokenizer.h"

#include <QStringList>

#include "platform/jet/jeterror.h"
#include "platform/rtl/datetime.h"

namespace jet::detail {

namespace {

bool IsNameStart(QChar c) { return c.isLetter() || c == u'_'; }
bool IsNameChar(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

[[noreturn]] void Fail(const QString &source, int pos, const QString &what, int number) {
  RaiseJetError(number, QStringLiteral("Syntax error (%1) in query expression %2.").arg(what, Located(source, pos)));
}

// Reads an unsigned decimal number; false when `s` is not one.
bool ReadInt(const QString &s, int &out) {
  if (s.isEmpty() || s.size() > 9) return false;
  for (QChar c : s)
    if (c < u'0' || c > u'9') return false;
  out = s.toInt();
  return true;
}

bool ParseTime(QString text, double &fraction) {
  text = text.trimmed();
  int add_hours = 0;
  bool twelve = false;
  const QString upper = text.toUpper();
  if (upper.endsWith(QLatin1String("AM")) || upper.endsWith(QLatin1String("PM"))) {
    twelve = true;
    add_hours = upper.endsWith(QLatin1String("PM")) ? 12 : 0;
    text = text.left(text.size() - 2).trimmed();
  }
  const QStringList parts = text.split(u':');
  if (parts.size() < 2 || parts.size() > 3) {
    // "10 PM" is a time too.
    if (!(twelve && parts.size() == 1)) return false;
  }
  int h = 0, m = 0, s = 0;
  if (!ReadInt(parts[0], h)) return false;
  if (parts.size() > 1 && !ReadInt(parts[1], m)) return false;
  if (parts.size() > 2 && !ReadInt(parts[2], s)) return false;
  if (twelve) {
    if (h < 1 || h > 12) return false;
    h = h % 12 + add_hours;
  }
  rtl::TDateTime t = 0;
  if (!rtl::TryEncodeTime(h, m, s, 0, t)) return false;
  fraction = t;
  return true;
}

int ExpandYear(int year, int digits) {
  if (digits > 2) return year;
  return year < 30 ? 2000 + year : 1900 + year;
}

}  // namespace

QString Excerpt(const QString &source, int pos) {
  pos = std::max(0, std::min(pos, static_cast<int>(source.size())));
  QString rest = source.mid(pos).simplified();
  if (rest.size() > 60) rest = rest.left(57) + QStringLiteral("...");
  return rest;
}

QString Located(const QString &source, int pos) {
  pos = std::max(0, std::min(pos, static_cast<int>(source.size())));
  QString before = source.left(pos).simplified();
  if (before.size() > 40) before = QStringLiteral("...") + before.right(37);
  const QString after = Excerpt(source, pos);
  if (before.isEmpty()) return u'\'' + after + u'\'';
  return QStringLiteral("'%1' at %2").arg(before, after.isEmpty() ? QStringLiteral("the end") : u'\'' + after + u'\'');
}

bool ParseDateLiteral(const QString &raw, double &day_count, bool &has_time) {
  QString text = raw.trimmed();
  has_time = false;
  if (text.isEmpty()) return false;
  // The date part ends at the first blank; what follows is the time.
  QString date_part = text;
  QString time_part;
  const int blank = text.indexOf(u' ');
  if (blank >= 0) {
    date_part = text.left(blank);
    time_part = text.mid(blank + 1).trimmed();
  }
  if (date_part.contains(u':') ||
      (blank < 0 && !date_part.contains(u'/') && !date_part.contains(u'-') && !date_part.contains(u'.'))) {
    // A time alone lies on day 0.
    double t = 0;
    if (!ParseTime(text, t)) return false;
    day_count = t;
    has_time = true;
    return true;
  }
  QChar sep = u'/';
  if (!date_part.contains(sep)) sep = date_part.contains(u'-') ? u'-' : u'.';
  const QStringList parts = date_part.split(sep);
  if (parts.size() < 2 || parts.size() > 3) return false;
  int a = 0, b = 0, c = 0;
  if (!ReadInt(parts[0], a) || !ReadInt(parts[1], b)) return false;
  int year = 0, month = 0, day = 0;
  if (parts.size() == 3) {
    if (!ReadInt(parts[2], c)) return false;
    if (parts[0].size() == 4) {  // y-m-d
      year = a;
      month = b;
      day = c;
    } else {
      month = a;
      day = b;
      year = ExpandYear(c, static_cast<int>(parts[2].size()));
      // The engine reads day/month when the first number cannot be a month.
      if (month > 12 && day <= 12) std::swap(month, day);
    }
  } else {
    month = a;
    day = b;
    int unused = 0;
    rtl::DecodeDate(rtl::Date(), year, unused, unused);
  }
  rtl::TDateTime d = 0;
  if (!rtl::TryEncodeDate(year, month, day, d)) return false;
  double t = 0;
  if (!time_part.isEmpty()) {
    if (!ParseTime(time_part, t)) return false;
    has_time = true;
  }
  // Before 1899 the time is added to the magnitude, as the storage keeps it.
  day_count = d < 0 ? d - t : d + t;
  return true;
}

std::vector<Token> Tokenize(const QString &source, int error_number) {
  std::vector<Token> out;
  const int n = static_cast<int>(source.size());
  int i = 0;
  while (true) {
    while (i < n && (source[i].isSpace() || source[i] == QChar(0))) ++i;
    Token tok;
    tok.pos = i;
    if (i >= n) {
      tok.kind = TokenKind::End;
      out.push_back(tok);
      return out;
    }
    const QChar c = source[i];
    if (c == u'[') {
      const int close = source.indexOf(u']', i + 1);
      if (close < 0) Fail(source, i, QStringLiteral("missing ]"), error_number);
      tok.kind = TokenKind::Bracket;
      tok.text = source.mid(i + 1, close - i - 1);
      if (tok.text.trimmed().isEmpty() || tok.text.contains(u'['))
        Fail(source, i, QStringLiteral("invalid bracketed name"), error_number);
      i = close + 1;
    } else if (c == u'"' || c == u'\'') {
      QString text;
      int j = i + 1;
      bool closed = false;
      while (j < n) {
        if (source[j] == c) {
          if (j + 1 < n && source[j + 1] == c) {
            text += c;
            j += 2;
            continue;
          }
          closed = true;
          ++j;
          break;
        }
        text += source[j++];
      }
      if (!closed) Fail(source, i, QStringLiteral("missing closing quote"), error_number);
      tok.kind = TokenKind::String;
      tok.text = text;
      i = j;
    } else if (c == u'#') {
      const int close = source.indexOf(u'#', i + 1);
      if (close < 0) Fail(source, i, QStringLiteral("missing #"), error_number);
      tok.kind = TokenKind::Date;
      tok.text = source.mid(i + 1, close - i - 1);
      if (!ParseDateLiteral(tok.text, tok.value, tok.has_time))
        Fail(source, i, QStringLiteral("invalid date"), error_number);
      i = close + 1;
    } else if (c.isDigit() || (c == u'.' && i + 1 < n && source[i + 1].isDigit())) {
      int j = i;
      bool integer = true;
      while (j < n && source[j].isDigit()) ++j;
      if (j < n && source[j] == u'.') {
        integer = false;
        ++j;
        while (j < n && source[j].isDigit()) ++j;
      }
      if (j < n && (source[j] == u'e' || source[j] == u'E')) {
        int k = j + 1;
        if (k < n && (source[k] == u'+' || source[k] == u'-')) ++k;
        if (k < n && source[k].isDigit()) {
          integer = false;
          while (k < n && source[k].isDigit()) ++k;
          j = k;
        }
      }
      if (j < n && IsNameStart(source[j])) Fail(source, i, QStringLiteral("missing operator"), error_number);
      tok.kind = TokenKind::Number;
      tok.text = source.mid(i, j - i);
      bool ok = false;
      tok.value = tok.text.toDouble(&ok);  // C locale whatever the process says
      if (!ok) Fail(source, i, QStringLiteral("invalid number"), error_number);
      tok.integer = integer && tok.value <= 2147483647.0;
      i = j;
    } else if (IsNameStart(c)) {
      int j = i + 1;
      while (j < n && IsNameChar(source[j])) ++j;
      if (j < n && source[j] == u'$') ++j;  // Left$, Mid$...
      tok.kind = TokenKind::Name;
      tok.text = source.mid(i, j - i);
      i = j;
    } else {
      static const char *const kTwo[] = {"<=", ">=", "<>", nullptr};
      tok.kind = TokenKind::Op;
      for (int k = 0; kTwo[k]; ++k) {
        if (source.mid(i, 2) == QLatin1String(kTwo[k])) {
          tok.text = QString::fromLatin1(kTwo[k]);
          break;
        }
      }
      if (tok.text.isEmpty()) {
        if (!QStringLiteral("()=<>+-*/\\&^,.;!").contains(c))
          Fail(source, i, QStringLiteral("unexpected character"), error_number);
        tok.text = QString(c);
      }
      i += static_cast<int>(tok.text.size());
    }
    out.push_back(tok);
  }
}

}  // namespace jet::detail
