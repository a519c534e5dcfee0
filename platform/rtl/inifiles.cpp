// Profile files. The document keeps the file line by line so that
// rewriting it changes only the lines an edit touches; every lookup scans
// the lines again, which is cheap for settings files and keeps the
// document free of indexes that could go stale.
#include "platform/rtl/inifiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringConverter>
#include <QStringDecoder>
#include <QStringEncoder>

#include "platform/rtl/classes.h"
#include "platform/rtl/cp1252.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/workfiles.h"

namespace rtl {
namespace {

bool IsSpace(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

QString TrimBlanks(const QString &s) {
  qsizetype b = 0, e = s.size();
  while (b < e && IsSpace(s.at(b))) ++b;
  while (e > b && IsSpace(s.at(e - 1))) --e;
  return s.mid(b, e - b);
}

bool SameName(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// The section name of a header line, or a null string for any other line.
QString HeaderName(const QString &line) {
  const QString t = TrimBlanks(line);
  if (!t.startsWith(QLatin1Char('['))) return QString();
  qsizetype close = t.indexOf(QLatin1Char(']'));
  if (close < 0) close = t.size();
  QString name = TrimBlanks(t.mid(1, close - 1));
  if (name.isNull()) name = QLatin1String("");
  return name;
}

// Splits a key line; false for comments, blank lines and lines without "=".
bool SplitKeyLine(const QString &line, QString *key, QString *raw_value) {
  const QString t = TrimBlanks(line);
  if (t.isEmpty() || t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('['))) return false;
  const qsizetype eq = line.indexOf(QLatin1Char('='));
  if (eq < 0) return false;
  const QString k = TrimBlanks(line.left(eq));
  if (k.isEmpty()) return false;
  if (key) *key = k;
  if (raw_value) *raw_value = line.mid(eq + 1);
  return true;
}

QString CookValue(const QString &raw) {
  QString v = TrimBlanks(raw);
  if (v.size() >= 2) {
    const QChar q = v.front();
    if ((q == QLatin1Char('"') || q == QLatin1Char('\'')) && v.back() == q) v = v.mid(1, v.size() - 2);
  }
  return v;
}

bool HasLineBreak(const QString &s) { return s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n')); }

IniDocument::Encoding DetectEncoding(const QByteArray &bytes, qsizetype *skip) {
  *skip = 0;
  if (bytes.startsWith("\xEF\xBB\xBF")) {
    *skip = 3;
    return IniDocument::Encoding::Utf8Bom;
  }
  if (bytes.startsWith("\xFF\xFE")) {
    *skip = 2;
    return IniDocument::Encoding::Utf16LE;
  }
  // Valid UTF-8 with at least one multi-byte sequence: Windows-1252 text
  // almost never forms one, an editor on this system almost always does.
  bool multibyte = false;
  const qsizetype n = bytes.size();
  for (qsizetype i = 0; i < n;) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    int extra = 0;
    char32_t min = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1;
      min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2;
      min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3;
      min = 0x10000;
    } else {
      return IniDocument::Encoding::Ansi;
    }
    if (i + extra >= n) return IniDocument::Encoding::Ansi;
    char32_t cp = c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      const auto cc = static_cast<unsigned char>(bytes[i + k]);
      if ((cc & 0xC0) != 0x80) return IniDocument::Encoding::Ansi;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return IniDocument::Encoding::Ansi;
    multibyte = true;
    i += extra + 1;
  }
  if (multibyte) return IniDocument::Encoding::Utf8;
  return IniDocument::Encoding::Ansi;
}

QString Unable(const QString &path) { return QStringLiteral("Unable to write to %1").arg(path); }

QStringList SectionValues(const IniDocument &doc, const QString &section) {
  QStringList out;
  for (const QString &key : doc.Keys(section)) out << key + QLatin1Char('=') + doc.Value(section, key);
  return out;
}

QString g_profile_folder;  // empty: the default

}  // namespace

// ---- IniDocument -------------------------------------------------------------------

IniDocument IniDocument::Parse(const QByteArray &bytes) {
  IniDocument doc;
  qsizetype skip = 0;
  doc.encoding_ = DetectEncoding(bytes, &skip);
  const QByteArray body = bytes.mid(skip);
  QString text;
  switch (doc.encoding_) {
    case Encoding::Ansi:
      text = FromCp1252(body);
      break;
    case Encoding::Utf8:
    case Encoding::Utf8Bom:
      text = QString::fromUtf8(body);
      break;
    case Encoding::Utf16LE: {
      QStringDecoder dec(QStringDecoder::Utf16LE);
      text = dec(body);
      break;
    }
  }
  if (text.isEmpty()) return doc;
  doc.lines_ = text.split(QLatin1Char('\n'));
  // The last line break ends the last line rather than starting another.
  if (doc.lines_.back().isEmpty()) doc.lines_.removeLast();
  for (QString &line : doc.lines_) {
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
  }
  return doc;
}

QByteArray IniDocument::Serialize() const {
  QString text;
  for (const QString &line : lines_) {
    text += line;
    text += QLatin1String("\r\n");
  }
  switch (encoding_) {
    case Encoding::Ansi:
      return ToCp1252(text);
    case Encoding::Utf8:
      return text.toUtf8();
    case Encoding::Utf8Bom:
      return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case Encoding::Utf16LE: {
      QStringEncoder enc(QStringEncoder::Utf16LE);
      return QByteArray("\xFF\xFE") + QByteArray(enc(text));
    }
  }
  return {};
}

IniDocument IniDocument::LoadFile(const QString &path, bool must_read) {
  QFile f(path);
  if (!f.exists()) return {};
  if (!f.open(QIODevice::ReadOnly)) {
    if (must_read) throw EIniFileException(Unable(path));
    return {};
  }
  return Parse(f.readAll());
}

void IniDocument::SaveFile(const QString &path) const {
  // Written whole under a temporary name of the program's own beside the
  // file, then renamed over it durably: the file is the old one or the
  // complete new one, and an interrupted save leaves a file the next start
  // recognises and removes.
  // A settings file that is a symbolic link is written through: the link
  // stays and the file it names is replaced.
  const QFileInfo info(WriteThroughPath(path));
  const QString temp = CreateWorkFile(info.absolutePath(), QStringLiteral("ini"));
  if (temp.isEmpty()) throw EIniFileException(Unable(path));
  const QByteArray bytes = Serialize();
  QFile f(temp);
  bool ok = f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size() && f.flush();
  f.close();
  ok = ok && f.error() == QFileDevice::NoError;
  if (ok) {
    const QFile::Permissions keep = info.exists()
                                        ? QFile::permissions(info.absoluteFilePath())
                                        : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    QFile::setPermissions(temp, keep);
    ok = DurableRename(temp, info.absoluteFilePath());
  }
  if (!ok) {
    QFile::remove(temp);
    throw EIniFileException(Unable(path));
  }
}

void IniDocument::CheckSection(const QString &section) {
  if (section.contains(QLatin1Char(']')) || HasLineBreak(section)) {
    throw EIniFileException(QStringLiteral("Invalid section name \"%1\"").arg(section));
  }
}

void IniDocument::CheckKey(const QString &key) {
  const QString t = TrimBlanks(key);
  if (t.isEmpty() || t.contains(QLatin1Char('=')) || HasLineBreak(t) || t.startsWith(QLatin1Char('[')) ||
      t.startsWith(QLatin1Char(';'))) {
    throw EIniFileException(QStringLiteral("Invalid key name \"%1\"").arg(key));
  }
}

void IniDocument::CheckValue(const QString &value) {
  if (HasLineBreak(value)) {
    throw EIniFileException(QStringLiteral("A value cannot hold a line break"));
  }
}

IniDocument::Range IniDocument::FindSection(const QString &section) const {
  const QString want = TrimBlanks(section);
  Range r;
  const int n = static_cast<int>(lines_.size());
  for (int i = 0; i < n; ++i) {
    const QString name = HeaderName(lines_.at(i));
    if (name.isNull()) continue;
    if (r.header >= 0) {
      r.end = i;
      return r;
    }
    if (SameName(name, want)) r.header = i;
  }
  r.end = n;
  return r;
}

int IniDocument::FindKey(const Range &range, const QString &key) const {
  if (range.header < 0) return -1;
  const QString want = TrimBlanks(key);
  QString k;
  for (int i = range.header + 1; i < range.end; ++i) {
    if (SplitKeyLine(lines_.at(i), &k, nullptr) && SameName(k, want)) return i;
  }
  return -1;
}

bool IniDocument::SectionExists(const QString &section) const { return FindSection(section).header >= 0; }

QStringList IniDocument::Sections() const {
  QStringList out;
  for (const QString &line : lines_) {
    const QString name = HeaderName(line);
    if (name.isNull()) continue;
    if (!out.contains(name, Qt::CaseInsensitive)) out.append(name);
  }
  return out;
}

QStringList IniDocument::Keys(const QString &section) const {
  QStringList out;
  const Range r = FindSection(section);
  if (r.header < 0) return out;
  QString k;
  for (int i = r.header + 1; i < r.end; ++i) {
    if (SplitKeyLine(lines_.at(i), &k, nullptr) && !out.contains(k, Qt::CaseInsensitive)) out.append(k);
  }
  return out;
}

QString IniDocument::Value(const QString &section, const QString &key, bool *found) const {
  const int i = FindKey(FindSection(section), key);
  if (found) *found = i >= 0;
  if (i < 0) return QString();
  QString raw;
  SplitKeyLine(lines_.at(i), nullptr, &raw);
  return CookValue(raw);
}

bool IniDocument::SetValue(const QString &section, const QString &key, const QString &value) {
  CheckSection(section);
  CheckKey(key);
  CheckValue(value);
  const Range r = FindSection(section);
  const QString name = TrimBlanks(key);
  if (r.header < 0) {
    if (!lines_.isEmpty() && !TrimBlanks(lines_.back()).isEmpty()) lines_.append(QString());
    lines_.append(QLatin1Char('[') + TrimBlanks(section) + QLatin1Char(']'));
    lines_.append(name + QLatin1Char('=') + value);
    return true;
  }
  const int i = FindKey(r, key);
  if (i >= 0) {
    QString old_key, raw;
    SplitKeyLine(lines_.at(i), &old_key, &raw);
    // The file's own spelling of the key is kept.
    const QString line = old_key + QLatin1Char('=') + value;
    if (lines_.at(i) == line) return false;
    lines_[i] = line;
    return true;
  }
  // After the section's last non-blank line, before the blank lines that
  // separate it from the next section.
  int at = r.end;
  while (at > r.header + 1 && TrimBlanks(lines_.at(at - 1)).isEmpty()) --at;
  lines_.insert(at, name + QLatin1Char('=') + value);
  return true;
}

bool IniDocument::AddSection(const QString &section) {
  CheckSection(section);
  if (SectionExists(section)) return false;
  if (!lines_.isEmpty() && !TrimBlanks(lines_.back()).isEmpty()) lines_.append(QString());
  lines_.append(QLatin1Char('[') + TrimBlanks(section) + QLatin1Char(']'));
  return true;
}

bool IniDocument::DeleteKey(const QString &section, const QString &key) {
  bool changed = false;
  for (;;) {
    const int i = FindKey(FindSection(section), key);
    if (i < 0) return changed;
    lines_.removeAt(i);
    changed = true;
  }
}

bool IniDocument::EraseSection(const QString &section) {
  // Every copy goes, or a later duplicate would take the erased one's place.
  bool changed = false;
  for (;;) {
    const Range r = FindSection(section);
    if (r.header < 0) return changed;
    lines_.erase(lines_.begin() + r.header, lines_.begin() + r.end);
    changed = true;
  }
}

// ---- TCustomIniFile ---------------------------------------------------------------------

namespace {

// A typed read: the stored text when it parses, the default when the key
// is missing, empty or holds something else.
template <typename T, typename Parse>
T ReadParsed(const TCustomIniFile &ini, const QString &section, const QString &ident, T def, Parse parse) {
  const QString s = ini.ReadString(section, ident, QString());
  T v = def;
  if (s.isEmpty() || !parse(s, v)) return def;
  return v;
}

}  // namespace

int TCustomIniFile::ReadInteger(const QString &section, const QString &ident, int def) const {
  const QString s = ReadString(section, ident, QString());
  if (s.isEmpty()) return def;
  return StrToIntDef(s, def);
}

void TCustomIniFile::WriteInteger(const QString &section, const QString &ident, int value) {
  WriteString(section, ident, QString::number(value));
}

bool TCustomIniFile::ReadBool(const QString &section, const QString &ident, bool def) const {
  return ReadParsed(*this, section, ident, def, [](const QString &s, bool &v) { return TryStrToBool(s, v); });
}

void TCustomIniFile::WriteBool(const QString &section, const QString &ident, bool value) {
  WriteString(section, ident, value ? QStringLiteral("1") : QStringLiteral("0"));
}

double TCustomIniFile::ReadFloat(const QString &section, const QString &ident, double def) const {
  return ReadParsed(*this, section, ident, def, [](const QString &s, double &v) { return TryStrToFloat(s, v); });
}

void TCustomIniFile::WriteFloat(const QString &section, const QString &ident, double value) {
  WriteString(section, ident, FloatToStr(value));
}

TDateTime TCustomIniFile::ReadDate(const QString &section, const QString &ident, TDateTime def) const {
  return ReadParsed(*this, section, ident, def, [](const QString &s, TDateTime &v) { return TryStrToDate(s, v); });
}

void TCustomIniFile::WriteDate(const QString &section, const QString &ident, TDateTime value) {
  WriteString(section, ident, DateToStr(value));
}

TDateTime TCustomIniFile::ReadDateTime(const QString &section, const QString &ident, TDateTime def) const {
  return ReadParsed(*this, section, ident, def, [](const QString &s, TDateTime &v) { return TryStrToDateTime(s, v); });
}

void TCustomIniFile::WriteDateTime(const QString &section, const QString &ident, TDateTime value) {
  WriteString(section, ident, DateTimeToStr(value));
}

TDateTime TCustomIniFile::ReadTime(const QString &section, const QString &ident, TDateTime def) const {
  return ReadParsed(*this, section, ident, def, [](const QString &s, TDateTime &v) { return TryStrToTime(s, v); });
}

void TCustomIniFile::WriteTime(const QString &section, const QString &ident, TDateTime value) {
  WriteString(section, ident, TimeToStr(value));
}

int TCustomIniFile::ReadBinaryStream(const QString &section, const QString &ident, TStream *value) const {
  const QString s = ReadString(section, ident, QString());
  if (s.size() % 2 != 0 || value == nullptr) return 0;
  for (QChar c : s) {
    const char16_t u = c.unicode();
    const bool hex = (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
    if (!hex) return 0;
  }
  const QByteArray bytes = QByteArray::fromHex(s.toLatin1());
  value->WriteBytes(bytes);
  return static_cast<int>(bytes.size());
}

void TCustomIniFile::WriteBinaryStream(const QString &section, const QString &ident, TStream *value) {
  const QByteArray bytes = value ? value->ReadBytes(value->Remaining()) : QByteArray();
  WriteString(section, ident, QString::fromLatin1(bytes.toHex().toUpper()));
}

// ---- TIniFile -----------------------------------------------------------------------------

QString TIniFile::ProfileFolder() {
  if (!g_profile_folder.isEmpty()) return g_profile_folder;
  const QString env = qEnvironmentVariable("ORBISCA_PROFILE_DIR");
  if (!env.isEmpty()) return env;
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/orbisca");
}

void TIniFile::SetProfileFolder(const QString &folder) { g_profile_folder = folder; }

QString TIniFile::ResolvePath(const QString &file_name) {
  QString name = file_name;
  name.replace(QLatin1Char('\\'), QLatin1Char('/'));
  if (name.isEmpty()) return name;
  if (!name.contains(QLatin1Char('/'))) name = ProfileFolder() + QLatin1Char('/') + name;
  QFileInfo info(name);
  if (info.exists()) return name;
  // Files copied from a case-insensitive file system keep their old case.
  const QDir dir = info.dir();
  const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden);
  for (const QString &entry : entries) {
    if (SameName(entry, info.fileName())) return dir.filePath(entry);
  }
  return name;
}

TIniFile::TIniFile(const QString &file_name) : TCustomIniFile(file_name), path_(ResolvePath(file_name)) {}

IniDocument TIniFile::Load(bool for_writing) const { return IniDocument::LoadFile(path_, for_writing); }

void TIniFile::Store(const IniDocument &doc) {
  if (path_.isEmpty()) throw EIniFileException(Unable(FileName()));
  const QString dir = QFileInfo(path_).absolutePath();
  // Only the profile folder is ours to create; elsewhere a missing folder
  // is an error the caller should see.
  if (QDir::cleanPath(dir) == QDir::cleanPath(QDir(ProfileFolder()).absolutePath())) QDir().mkpath(dir);
  doc.SaveFile(path_);
}

QString TIniFile::ReadString(const QString &section, const QString &ident, const QString &def) const {
  bool found = false;
  const QString v = Load(false).Value(section, ident, &found);
  return found ? v : def;
}

void TIniFile::WriteString(const QString &section, const QString &ident, const QString &value) {
  IniDocument::CheckSection(section);
  IniDocument::CheckKey(ident);
  IniDocument::CheckValue(value);
  IniDocument doc = Load(true);
  if (doc.SetValue(section, ident, value) || !QFileInfo::exists(path_)) Store(doc);
}

void TIniFile::ReadSection(const QString &section, TStrings *strings) const {
  if (strings) strings->AssignStrings(Load(false).Keys(section));
}

void TIniFile::ReadSections(TStrings *strings) const {
  if (strings) strings->AssignStrings(Load(false).Sections());
}

void TIniFile::ReadSectionValues(const QString &section, TStrings *strings) const {
  if (strings) strings->AssignStrings(SectionValues(Load(false), section));
}

void TIniFile::EraseSection(const QString &section) {
  IniDocument doc = Load(true);
  if (doc.EraseSection(section)) Store(doc);
}

void TIniFile::DeleteKey(const QString &section, const QString &ident) {
  IniDocument doc = Load(true);
  if (doc.DeleteKey(section, ident)) Store(doc);
}

bool TIniFile::SectionExists(const QString &section) const { return Load(false).SectionExists(section); }

bool TIniFile::ValueExists(const QString &section, const QString &ident) const {
  bool found = false;
  Load(false).Value(section, ident, &found);
  return found;
}

// ---- TMemIniFile ------------------------------------------------------------------------

TMemIniFile::TMemIniFile(const QString &file_name)
    : TCustomIniFile(file_name), path_(TIniFile::ResolvePath(file_name)) {
  if (!path_.isEmpty()) doc_ = IniDocument::LoadFile(path_, false);
}

QString TMemIniFile::ReadString(const QString &section, const QString &ident, const QString &def) const {
  bool found = false;
  const QString v = doc_.Value(section, ident, &found);
  return found ? v : def;
}

void TMemIniFile::WriteString(const QString &section, const QString &ident, const QString &value) {
  if (doc_.SetValue(section, ident, value)) modified_ = true;
}

void TMemIniFile::ReadSection(const QString &section, TStrings *strings) const {
  if (strings) strings->AssignStrings(doc_.Keys(section));
}

void TMemIniFile::ReadSections(TStrings *strings) const {
  if (strings) strings->AssignStrings(doc_.Sections());
}

void TMemIniFile::ReadSectionValues(const QString &section, TStrings *strings) const {
  if (strings) strings->AssignStrings(SectionValues(doc_, section));
}

void TMemIniFile::EraseSection(const QString &section) {
  if (doc_.EraseSection(section)) modified_ = true;
}

void TMemIniFile::DeleteKey(const QString &section, const QString &ident) {
  if (doc_.DeleteKey(section, ident)) modified_ = true;
}

void TMemIniFile::UpdateFile() {
  if (path_.isEmpty()) return;
  doc_.SaveFile(path_);
  modified_ = false;
}

bool TMemIniFile::SectionExists(const QString &section) const { return doc_.SectionExists(section); }

bool TMemIniFile::ValueExists(const QString &section, const QString &ident) const {
  bool found = false;
  doc_.Value(section, ident, &found);
  return found;
}

void TMemIniFile::Clear() {
  doc_.SetLines({});
  modified_ = true;
}

void TMemIniFile::GetStrings(TStrings *strings) const {
  if (strings) strings->AssignStrings(doc_.Lines());
}

void TMemIniFile::SetStrings(const TStrings *strings) {
  doc_.SetLines(strings ? strings->ToStringList() : QStringList());
  modified_ = true;
}

void TMemIniFile::LoadFromStream(TStream *stream) {
  if (stream == nullptr) return;
  doc_ = IniDocument::Parse(stream->ReadBytes(stream->Remaining()));
  modified_ = false;
}

void TMemIniFile::SaveToStream(TStream *stream) const {
  if (stream != nullptr) stream->WriteBytes(doc_.Serialize());
}

}  // namespace rtl
