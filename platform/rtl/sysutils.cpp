// Strings, integers and files of the run-time helpers. Number formatting
// lives in sysutils_numbers.cpp, dates in sysutils_dates.cpp and Format()
// in sysutils_format.cpp.
#include "platform/rtl/sysutils.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <limits>

namespace rtl {

// ---- strings ---------------------------------------------------------------

QString Trim(const QString &s) {
  int b = 0, e = s.size();
  while (b < e && s[b].unicode() <= ' ') ++b;
  while (e > b && s[e - 1].unicode() <= ' ') --e;
  return s.mid(b, e - b);
}

QString TrimLeft(const QString &s) {
  int b = 0;
  while (b < s.size() && s[b].unicode() <= ' ') ++b;
  return s.mid(b);
}

QString TrimRight(const QString &s) {
  int e = s.size();
  while (e > 0 && s[e - 1].unicode() <= ' ') --e;
  return s.left(e);
}

QString UpperCase(const QString &s) {
  QString r = s;
  for (QChar &c : r)
    if (c.unicode() >= 'a' && c.unicode() <= 'z') c = QChar(c.unicode() - 32);
  return r;
}

QString LowerCase(const QString &s) {
  QString r = s;
  for (QChar &c : r)
    if (c.unicode() >= 'A' && c.unicode() <= 'Z') c = QChar(c.unicode() + 32);
  return r;
}

QString AnsiUpperCase(const QString &s) { return s.toUpper(); }
QString AnsiLowerCase(const QString &s) { return s.toLower(); }

namespace {

int SignOf(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

// Collation in Italian order, independent of the process locale.
QCollator &ItalianCollator(bool ignore_case) {
  thread_local QCollator sensitive = [] {
    QCollator c{QLocale(QLocale::Italian, QLocale::Italy)};
    c.setCaseSensitivity(Qt::CaseSensitive);
    return c;
  }();
  thread_local QCollator insensitive = [] {
    QCollator c{QLocale(QLocale::Italian, QLocale::Italy)};
    c.setCaseSensitivity(Qt::CaseInsensitive);
    return c;
  }();
  return ignore_case ? insensitive : sensitive;
}

}  // namespace

int CompareStr(const QString &a, const QString &b) { return QString::compare(a, b, Qt::CaseSensitive); }

int CompareText(const QString &a, const QString &b) {
  return QString::compare(UpperCase(a), UpperCase(b), Qt::CaseSensitive);
}

int AnsiCompareStr(const QString &a, const QString &b) {
  const int r = SignOf(ItalianCollator(false).compare(a, b));
  return r != 0 ? r : SignOf(QString::compare(a, b));
}

int AnsiCompareText(const QString &a, const QString &b) { return SignOf(ItalianCollator(true).compare(a, b)); }

bool SameText(const QString &a, const QString &b) { return CompareText(a, b) == 0; }

bool AnsiSameText(const QString &a, const QString &b) { return QString::compare(a, b, Qt::CaseInsensitive) == 0; }

QString QuotedStr(const QString &s) { return AnsiQuotedStr(s, QLatin1Char('\'')); }

QString AnsiQuotedStr(const QString &s, QChar quote) {
  QString r;
  r.reserve(s.size() + 2);
  r += quote;
  for (QChar c : s) {
    r += c;
    if (c == quote) r += c;
  }
  r += quote;
  return r;
}

QString AnsiExtractQuotedStr(const QString &s, int &pos, QChar quote) {
  QString r;
  if (pos < 0 || pos >= s.size() || s[pos] != quote) return r;
  ++pos;
  while (pos < s.size()) {
    if (s[pos] == quote) {
      if (pos + 1 < s.size() && s[pos + 1] == quote) {
        r += quote;
        pos += 2;
        continue;
      }
      ++pos;
      return r;
    }
    r += s[pos++];
  }
  return r;
}

QString AnsiDequotedStr(const QString &s, QChar quote) {
  if (s.isEmpty() || s[0] != quote) return s;
  int pos = 0;
  const QString r = AnsiExtractQuotedStr(s, pos, quote);
  // An unterminated quote is not a quoted text: keep it as it was.
  const bool closed = pos >= 2 && s[pos - 1] == quote;
  if (!closed || (r.isEmpty() && s.size() < 2)) return s;
  return r;
}

QString StringReplace(const QString &s, const QString &old_pattern, const QString &new_pattern, TReplaceFlags flags) {
  if (old_pattern.isEmpty()) return s;
  const Qt::CaseSensitivity cs = (flags & rfIgnoreCase) ? Qt::CaseInsensitive : Qt::CaseSensitive;
  if (flags & rfReplaceAll) {
    QString r = s;
    return r.replace(old_pattern, new_pattern, cs);
  }
  const int at = s.indexOf(old_pattern, 0, cs);
  if (at < 0) return s;
  return s.left(at) + new_pattern + s.mid(at + old_pattern.size());
}

int Pos(const QString &sub, const QString &s) { return PosEx(sub, s, 1); }

int PosEx(const QString &sub, const QString &s, int offset) {
  if (sub.isEmpty() || offset < 1 || offset > s.size()) return 0;
  return s.indexOf(sub, offset - 1, Qt::CaseSensitive) + 1;
}

QString Copy(const QString &s, int index, int count) {
  if (index < 1) index = 1;
  if (count <= 0 || index > s.size()) return QString();
  return s.mid(index - 1, count);
}

void Delete(QString &s, int index, int count) {
  if (index < 1 || index > s.size() || count <= 0) return;
  s.remove(index - 1, count);
}

void Insert(const QString &sub, QString &s, int index) {
  if (index < 1) index = 1;
  if (index > s.size() + 1) index = s.size() + 1;
  s.insert(index - 1, sub);
}

QString StringOfChar(QChar c, int count) { return count > 0 ? QString(count, c) : QString(); }

QString DupeString(const QString &s, int count) { return count > 0 ? s.repeated(count) : QString(); }

QString AdjustLineBreaks(const QString &s) {
  QString r;
  r.reserve(s.size() + s.size() / 16);
  for (int i = 0; i < s.size(); ++i) {
    const QChar c = s[i];
    if (c == QLatin1Char('\r')) {
      r += QLatin1String("\r\n");
      if (i + 1 < s.size() && s[i + 1] == QLatin1Char('\n')) ++i;
    } else if (c == QLatin1Char('\n')) {
      r += QLatin1String("\r\n");
    } else {
      r += c;
    }
  }
  return r;
}

bool IsValidIdent(const QString &s) {
  if (s.isEmpty()) return false;
  for (int i = 0; i < s.size(); ++i) {
    const ushort c = s[i].unicode();
    const bool alpha = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    const bool digit = c >= '0' && c <= '9';
    if (!(alpha || (i > 0 && digit))) return false;
  }
  return true;
}

bool StartsText(const QString &sub, const QString &s) { return s.startsWith(sub, Qt::CaseInsensitive); }

bool EndsText(const QString &sub, const QString &s) { return s.endsWith(sub, Qt::CaseInsensitive); }

// ---- integers ---------------------------------------------------------------

QString IntToStr(std::int64_t value) { return QString::number(value); }

QString IntToHex(std::int64_t value, int digits) {
  QString r = QString::number(static_cast<quint64>(value), 16).toUpper();
  if (r.size() < digits) r.prepend(QString(digits - r.size(), QLatin1Char('0')));
  return r;
}

bool TryStrToInt64(const QString &text, std::int64_t &value) {
  const QString s = Trim(text);
  int i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+'))) {
    negative = s[i] == QLatin1Char('-');
    ++i;
  }
  int base = 10;
  if (i < s.size() && s[i] == QLatin1Char('$')) {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == QLatin1Char('0') &&
             (s[i + 1] == QLatin1Char('x') || s[i + 1] == QLatin1Char('X'))) {
    base = 16;
    i += 2;
  }
  if (i >= s.size()) return false;
  // Accumulate as unsigned to allow the full negative range.
  quint64 acc = 0;
  const quint64 limit = negative ? quint64(1) << 63 : (quint64(1) << 63) - 1;
  for (; i < s.size(); ++i) {
    const ushort c = s[i].unicode();
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return false;
    if (base == 16) {
      // Hexadecimal texts give the bit pattern ($FFFFFFFFFFFFFFFF is -1).
      if (acc > (~quint64(0) >> 4)) return false;
      acc = acc * 16 + static_cast<quint64>(d);
    } else {
      if (acc > (limit - static_cast<quint64>(d)) / 10) return false;
      acc = acc * 10 + static_cast<quint64>(d);
    }
  }
  if (base == 16) {
    value = static_cast<std::int64_t>(acc);
    if (negative) value = -value;
  } else {
    value = negative ? static_cast<std::int64_t>(0 - acc) : static_cast<std::int64_t>(acc);
  }
  return true;
}

bool TryStrToInt(const QString &s, int &value) {
  std::int64_t v = 0;
  if (!TryStrToInt64(s, v)) return false;
  const QString t = Trim(s);
  const bool hex = t.contains(QLatin1Char('$')) || t.contains(QLatin1Char('x')) || t.contains(QLatin1Char('X'));
  if (hex && v >= 0 && v <= 0xFFFFFFFFLL) {
    // $FFFFFFFF is -1 as a 32-bit integer.
    value = static_cast<int>(static_cast<quint32>(v));
    return true;
  }
  if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) return false;
  value = static_cast<int>(v);
  return true;
}

namespace {
[[noreturn]] void RaiseNotInteger(const QString &s) {
  throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(s));
}
}  // namespace

int StrToInt(const QString &s) {
  int v = 0;
  if (!TryStrToInt(s, v)) RaiseNotInteger(s);
  return v;
}

int StrToIntDef(const QString &s, int def) {
  int v = 0;
  return TryStrToInt(s, v) ? v : def;
}

std::int64_t StrToInt64(const QString &s) {
  std::int64_t v = 0;
  if (!TryStrToInt64(s, v)) RaiseNotInteger(s);
  return v;
}

std::int64_t StrToInt64Def(const QString &s, std::int64_t def) {
  std::int64_t v = 0;
  return TryStrToInt64(s, v) ? v : def;
}

bool TryStrToBool(const QString &s, bool &value) {
  const QString t = Trim(s);
  if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
    value = true;
    return true;
  }
  if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
    value = false;
    return true;
  }
  double d = 0;
  if (TryStrToFloat(t, d)) {
    value = d != 0;
    return true;
  }
  return false;
}

bool StrToBool(const QString &s) {
  bool b = false;
  if (!TryStrToBool(s, b)) throw EConvertError(QStringLiteral("'%1' is not a valid boolean value").arg(s));
  return b;
}

bool StrToBoolDef(const QString &s, bool def) {
  bool b = false;
  return TryStrToBool(s, b) ? b : def;
}

QString BoolToStr(bool value, bool use_bool_strs) {
  if (use_bool_strs) return value ? QStringLiteral("True") : QStringLiteral("False");
  return value ? QStringLiteral("-1") : QStringLiteral("0");
}

// ---- files --------------------------------------------------------------------

namespace {

bool IsDelimiter(QChar c) { return c == QLatin1Char('/') || c == QLatin1Char('\\'); }

int LastDelimiter(const QString &s) {
  for (int i = s.size() - 1; i >= 0; --i)
    if (IsDelimiter(s[i])) return i;
  return -1;
}

}  // namespace

QString IncludeTrailingPathDelimiter(const QString &path) {
  if (!path.isEmpty() && IsDelimiter(path.back())) return path;
  return path + QLatin1Char('/');
}

QString IncludeTrailingBackslash(const QString &path) { return IncludeTrailingPathDelimiter(path); }

QString ExcludeTrailingPathDelimiter(const QString &path) {
  QString r = path;
  // The root keeps its delimiter.
  while (r.size() > 1 && IsDelimiter(r.back())) r.chop(1);
  return r;
}

QString ExtractFilePath(const QString &file_name) { return file_name.left(LastDelimiter(file_name) + 1); }

QString ExtractFileDir(const QString &file_name) {
  const int at = LastDelimiter(file_name);
  if (at < 0) return QString();
  if (at == 0) return file_name.left(1);
  return file_name.left(at);
}

QString ExtractFileName(const QString &file_name) { return file_name.mid(LastDelimiter(file_name) + 1); }

QString ExtractFileExt(const QString &file_name) {
  const int dot = file_name.lastIndexOf(QLatin1Char('.'));
  if (dot < 0 || dot < LastDelimiter(file_name)) return QString();
  return file_name.mid(dot);
}

QString ChangeFileExt(const QString &file_name, const QString &ext) {
  const int dot = file_name.lastIndexOf(QLatin1Char('.'));
  if (dot < 0 || dot < LastDelimiter(file_name)) return file_name + ext;
  return file_name.left(dot) + ext;
}

QString ExpandFileName(const QString &file_name) {
  if (file_name.isEmpty()) return QString();
  return QDir::cleanPath(QFileInfo(file_name).absoluteFilePath());
}

bool FileExists(const QString &file_name) {
  const QFileInfo info(file_name);
  return !file_name.isEmpty() && info.exists() && !info.isDir();
}

bool DirectoryExists(const QString &dir) { return !dir.isEmpty() && QFileInfo(dir).isDir(); }

bool ForceDirectories(const QString &dir) {
  if (dir.isEmpty()) return false;
  return QDir().mkpath(dir);
}

bool CreateDir(const QString &dir) { return !dir.isEmpty() && QDir().mkdir(dir); }

bool RemoveDir(const QString &dir) { return !dir.isEmpty() && QDir().rmdir(dir); }

bool DeleteFile(const QString &file_name) { return FileExists(file_name) && QFile::remove(file_name); }

bool RenameFile(const QString &old_name, const QString &new_name) { return QFile::rename(old_name, new_name); }

bool CopyFile(const QString &from, const QString &to, bool fail_if_exists) {
  if (!FileExists(from)) return false;
  if (QFileInfo::exists(to)) {
    if (fail_if_exists) return false;
    if (!QFile::remove(to)) return false;
  }
  return QFile::copy(from, to);
}

std::int64_t FileSize(const QString &file_name) {
  const QFileInfo info(file_name);
  return info.exists() && !info.isDir() ? info.size() : -1;
}

TDateTime FileAge(const QString &file_name) {
  const QFileInfo info(file_name);
  if (!info.exists()) return -1;
  return FromQDateTime(info.lastModified());
}

QString GetCurrentDir() { return QDir::currentPath(); }

bool SetCurrentDir(const QString &dir) { return QDir::setCurrent(dir); }

}  // namespace rtl
