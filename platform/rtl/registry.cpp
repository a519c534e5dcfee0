// The registry stand-in on ini files. Every call reads the root key's file
// and every change writes it back at once, as TIniFile does, so several
// TRegistry objects (and the designer's settings across sessions) agree.
#include "platform/rtl/registry.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/rtl/classes.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/sysutils.h"

namespace rtl {
namespace {

QString g_base_folder;  // empty: the default

const QLatin1String kSz("sz:");
const QLatin1String kExpand("expand:");
const QLatin1String kDword("dword:");
const QLatin1String kHex("hex:");

bool NeedsEscape(QChar c) {
  const char16_t u = c.unicode();
  return u < 0x20 || u == 0x7F || u == '%' || u == '=' || u == '[' || u == ']' || u == ';';
}

QString EscapeChar(QChar c) {
  return QStringLiteral("%%1").arg(static_cast<unsigned>(c.unicode()), 2, 16, QLatin1Char('0')).toUpper();
}

// Escapes what the ini syntax would swallow: the characters above anywhere,
// blanks at either end (reading trims them).
QString Escape(const QString &s) {
  QString out;
  const qsizetype n = s.size();
  qsizetype lead = 0;
  while (lead < n && (s.at(lead) == QLatin1Char(' ') || s.at(lead) == QLatin1Char('\t'))) ++lead;
  qsizetype trail = n;
  while (trail > lead && (s.at(trail - 1) == QLatin1Char(' ') || s.at(trail - 1) == QLatin1Char('\t'))) --trail;
  for (qsizetype i = 0; i < n; ++i) {
    const QChar c = s.at(i);
    if (NeedsEscape(c) || i < lead || i >= trail) {
      out += EscapeChar(c);
    } else {
      out += c;
    }
  }
  return out;
}

QString Unescape(const QString &s) {
  if (!s.contains(QLatin1Char('%'))) return s;
  auto hex = [](QChar c) -> int {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
  };
  QString out;
  const qsizetype n = s.size();
  for (qsizetype i = 0; i < n; ++i) {
    if (s.at(i) == QLatin1Char('%') && i + 2 < n) {
      const int hi = hex(s.at(i + 1)), lo = hex(s.at(i + 2));
      if (hi >= 0 && lo >= 0) {
        out += QChar(static_cast<char16_t>(hi * 16 + lo));
        i += 2;
        continue;
      }
    }
    out += s.at(i);
  }
  return out;
}

// Value names: "@" is the default value, so a value really named "@" is
// escaped.
QString NameKey(const QString &name) {
  if (name.isEmpty()) return QStringLiteral("@");
  if (name == QLatin1String("@")) return QStringLiteral("%40");
  return Escape(name);
}

QString KeyName(const QString &key) {
  if (key == QLatin1String("@")) return QString();
  return Unescape(key);
}

QStringList SplitPath(const QString &path) {
  QStringList parts = path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
  return parts;
}

// The section that holds a key path (each component escaped).
QString SectionOf(const QString &path) {
  QStringList parts = SplitPath(path);
  for (QString &p : parts) p = Escape(p);
  return parts.join(QLatin1Char('\\'));
}

// The key path a section names (normalised, unescaped).
QString PathOfSection(const QString &section) {
  QStringList parts = SplitPath(section);
  for (QString &p : parts) p = Unescape(p);
  return parts.join(QLatin1Char('\\'));
}

bool SamePath(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

bool IsUnder(const QString &path, const QString &parent) {
  if (parent.isEmpty()) return !path.isEmpty();
  return path.size() > parent.size() && path.at(parent.size()) == QLatin1Char('\\') &&
         SamePath(path.left(parent.size()), parent);
}

QString InvalidType(const QString &name) { return QStringLiteral("Invalid data type for '%1'").arg(name); }

TRegDataType Classify(const QString &value, QString *payload) {
  if (value.startsWith(kSz)) {
    *payload = value.mid(kSz.size());
    return rdString;
  }
  if (value.startsWith(kExpand)) {
    *payload = value.mid(kExpand.size());
    return rdExpandString;
  }
  if (value.startsWith(kDword)) {
    *payload = value.mid(kDword.size());
    return rdInteger;
  }
  if (value.startsWith(kHex)) {
    *payload = value.mid(kHex.size());
    return rdBinary;
  }
  // A line edited by hand without a type is taken as text.
  *payload = value;
  return rdString;
}

IniDocument LoadRoot(HKEY root, bool for_writing) {
  return IniDocument::LoadFile(TRegistry::RootFileName(root), for_writing);
}

void SaveRoot(HKEY root, IniDocument &doc) {
  const QString file = TRegistry::RootFileName(root);
  if (!QFileInfo::exists(file)) {
    doc.SetTextEncoding(IniDocument::Encoding::Utf8Bom);
    QDir().mkpath(QFileInfo(file).absolutePath());
  }
  doc.SaveFile(file);
}

// The section of `path` as the file spells it, or a null string.
QString FindSectionFor(const IniDocument &doc, const QString &path) {
  for (const QString &s : doc.Sections()) {
    if (SamePath(PathOfSection(s), path)) return s;
  }
  return QString();
}

}  // namespace

// ---- TRegistry ------------------------------------------------------------------------------

QString TRegistry::BaseFolder() {
  if (!g_base_folder.isEmpty()) return g_base_folder;
  const QString env = qEnvironmentVariable("ORBISCA_REGISTRY_DIR");
  if (!env.isEmpty()) return env;
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/orbisca/registry");
}

void TRegistry::SetBaseFolder(const QString &folder) { g_base_folder = folder; }

QString TRegistry::RootFileName(HKEY root) {
  QString name;
  switch (root) {
    case HKEY_CLASSES_ROOT:
      name = QStringLiteral("HKEY_CLASSES_ROOT");
      break;
    case HKEY_CURRENT_USER:
      name = QStringLiteral("HKEY_CURRENT_USER");
      break;
    case HKEY_LOCAL_MACHINE:
      name = QStringLiteral("HKEY_LOCAL_MACHINE");
      break;
    case HKEY_USERS:
      name = QStringLiteral("HKEY_USERS");
      break;
    case HKEY_PERFORMANCE_DATA:
      name = QStringLiteral("HKEY_PERFORMANCE_DATA");
      break;
    case HKEY_CURRENT_CONFIG:
      name = QStringLiteral("HKEY_CURRENT_CONFIG");
      break;
    case HKEY_DYN_DATA:
      name = QStringLiteral("HKEY_DYN_DATA");
      break;
    default:
      name = QStringLiteral("HKEY_%1").arg(root, 8, 16, QLatin1Char('0')).toUpper();
      break;
  }
  return BaseFolder() + QLatin1Char('/') + name + QStringLiteral(".ini");
}

void TRegistry::SetRootKey(HKEY root) {
  if (root == root_) return;
  CloseKey();
  root_ = root;
}

QString TRegistry::Resolve(const QString &key) const {
  const bool absolute = key.startsWith(QLatin1Char('\\'));
  QStringList parts;
  if (!absolute && open_) parts = SplitPath(path_);
  parts += SplitPath(key);
  return parts.join(QLatin1Char('\\'));
}

bool TRegistry::KeyExistsAt(const QString &path) const {
  if (path.isEmpty()) return true;
  const IniDocument doc = LoadRoot(root_, false);
  for (const QString &s : doc.Sections()) {
    const QString p = PathOfSection(s);
    if (SamePath(p, path) || IsUnder(p, path)) return true;
  }
  return false;
}

bool TRegistry::OpenKey(const QString &key, bool can_create) {
  const QString path = Resolve(key);
  if (!KeyExistsAt(path)) {
    if (!can_create || !CanWrite() || !CreateKey(QLatin1Char('\\') + path)) return false;
  }
  path_ = path;
  open_ = true;
  return true;
}

bool TRegistry::OpenKeyReadOnly(const QString &key) {
  const QString path = Resolve(key);
  if (!KeyExistsAt(path)) return false;
  access_ = KEY_READ;
  path_ = path;
  open_ = true;
  return true;
}

void TRegistry::CloseKey() {
  open_ = false;
  path_.clear();
}

bool TRegistry::CreateKey(const QString &key) {
  const QString path = Resolve(key);
  if (path.isEmpty() || KeyExistsAt(path)) return !path.isEmpty();
  if (!CanWrite()) return false;
  IniDocument doc = LoadRoot(root_, true);
  doc.AddSection(SectionOf(path));
  SaveRoot(root_, doc);
  return true;
}

bool TRegistry::DeleteKeyAt(const QString &path) {
  if (path.isEmpty() || !CanWrite()) return false;
  IniDocument doc = LoadRoot(root_, true);
  bool changed = false;
  for (const QString &s : doc.Sections()) {
    const QString p = PathOfSection(s);
    if (SamePath(p, path) || IsUnder(p, path)) changed |= doc.EraseSection(s);
  }
  if (changed) SaveRoot(root_, doc);
  return changed;
}

bool TRegistry::DeleteKey(const QString &key) {
  const QString path = Resolve(key);
  const bool ok = DeleteKeyAt(path);
  // The open key may have been inside what was removed.
  if (ok && open_ && (SamePath(path_, path) || IsUnder(path_, path))) CloseKey();
  return ok;
}

bool TRegistry::KeyExists(const QString &key) const { return KeyExistsAt(Resolve(key)); }

QStringList TRegistry::KeyNamesAt(const QString &path) const {
  QStringList out;
  const IniDocument doc = LoadRoot(root_, false);
  for (const QString &s : doc.Sections()) {
    const QString p = PathOfSection(s);
    if (!IsUnder(p, path)) continue;
    const QString rest = path.isEmpty() ? p : p.mid(path.size() + 1);
    const QString child = rest.section(QLatin1Char('\\'), 0, 0);
    if (!child.isEmpty() && !out.contains(child, Qt::CaseInsensitive)) out.append(child);
  }
  return out;
}

bool TRegistry::HasSubKeys() const { return !KeyNamesAt(open_ ? path_ : QString()).isEmpty(); }

void TRegistry::GetKeyNames(TStrings *strings) const {
  if (strings) strings->AssignStrings(KeyNamesAt(open_ ? path_ : QString()));
}

QStringList TRegistry::ValueNamesAt(const QString &path) const {
  QStringList out;
  const IniDocument doc = LoadRoot(root_, false);
  const QString section = FindSectionFor(doc, path);
  if (section.isNull()) return out;
  for (const QString &k : doc.Keys(section)) out.append(KeyName(k));
  return out;
}

void TRegistry::GetValueNames(TStrings *strings) const {
  if (strings) strings->AssignStrings(ValueNamesAt(open_ ? path_ : QString()));
}

bool TRegistry::ReadRaw(const QString &path, const QString &name, TRegDataType *type, QByteArray *data,
                        QString *text) const {
  const IniDocument doc = LoadRoot(root_, false);
  const QString section = FindSectionFor(doc, path);
  if (section.isNull()) return false;
  bool found = false;
  const QString value = doc.Value(section, NameKey(name), &found);
  if (!found) return false;
  QString payload;
  const TRegDataType t = Classify(value, &payload);
  if (type) *type = t;
  switch (t) {
    case rdString:
    case rdExpandString: {
      const QString s = Unescape(payload);
      if (text) *text = s;
      if (data) *data = s.toUtf8();
      break;
    }
    case rdInteger: {
      bool ok = false;
      const std::uint32_t v = payload.trimmed().toUInt(&ok, 10);
      if (!ok) {
        if (type) *type = rdUnknown;
        if (data) data->clear();
        break;
      }
      if (data) {
        data->resize(4);
        for (int i = 0; i < 4; ++i) (*data)[i] = static_cast<char>(v >> (8 * i));
      }
      break;
    }
    case rdBinary:
    case rdUnknown:
      if (data) *data = QByteArray::fromHex(payload.toLatin1());
      break;
  }
  return true;
}

void TRegistry::WriteRaw(const QString &path, const QString &name, TRegDataType type, const QString &payload) {
  if (!CanWrite()) throw ERegistryException(QStringLiteral("Failed to set data for '%1'").arg(name));
  QString prefix;
  switch (type) {
    case rdString:
      prefix = kSz;
      break;
    case rdExpandString:
      prefix = kExpand;
      break;
    case rdInteger:
      prefix = kDword;
      break;
    case rdBinary:
    case rdUnknown:
      prefix = kHex;
      break;
  }
  IniDocument doc = LoadRoot(root_, true);
  QString section = FindSectionFor(doc, path);
  if (section.isNull()) section = SectionOf(path);
  if (doc.SetValue(section, NameKey(name), prefix + payload) || !QFileInfo::exists(RootFileName(root_))) {
    SaveRoot(root_, doc);
  }
}

bool TRegistry::DeleteRaw(const QString &path, const QString &name) {
  if (!CanWrite()) return false;
  IniDocument doc = LoadRoot(root_, true);
  const QString section = FindSectionFor(doc, path);
  if (section.isNull() || !doc.DeleteKey(section, NameKey(name))) return false;
  SaveRoot(root_, doc);
  return true;
}

bool TRegistry::ValueExists(const QString &name) const {
  return ReadRaw(open_ ? path_ : QString(), name, nullptr, nullptr, nullptr);
}

bool TRegistry::DeleteValue(const QString &name) { return DeleteRaw(open_ ? path_ : QString(), name); }

bool TRegistry::GetDataInfo(const QString &name, TRegDataInfo &info) const {
  TRegDataType type = rdUnknown;
  QByteArray data;
  QString text;
  if (!ReadRaw(open_ ? path_ : QString(), name, &type, &data, &text)) {
    info = TRegDataInfo{};
    return false;
  }
  info.RegData = type;
  // Texts count their terminating zero, as the platform reports them.
  info.DataSize =
      (type == rdString || type == rdExpandString) ? static_cast<int>(text.size()) + 1 : static_cast<int>(data.size());
  return true;
}

TRegDataType TRegistry::GetDataType(const QString &name) const {
  TRegDataInfo info;
  GetDataInfo(name, info);
  return info.RegData;
}

int TRegistry::GetDataSize(const QString &name) const {
  TRegDataInfo info;
  return GetDataInfo(name, info) ? info.DataSize : -1;
}

QString TRegistry::ReadString(const QString &name) const {
  TRegDataType type = rdUnknown;
  QString text;
  if (!ReadRaw(open_ ? path_ : QString(), name, &type, nullptr, &text)) return QString();
  if (type != rdString && type != rdExpandString) throw ERegistryException(InvalidType(name));
  return text;
}

void TRegistry::WriteString(const QString &name, const QString &value) {
  WriteRaw(open_ ? path_ : QString(), name, rdString, Escape(value));
}

void TRegistry::WriteExpandString(const QString &name, const QString &value) {
  WriteRaw(open_ ? path_ : QString(), name, rdExpandString, Escape(value));
}

int TRegistry::ReadInteger(const QString &name) const {
  TRegDataType type = rdUnknown;
  QByteArray data;
  if (!ReadRaw(open_ ? path_ : QString(), name, &type, &data, nullptr)) {
    throw ERegistryException(QStringLiteral("Failed to get data for '%1'").arg(name));
  }
  if (type != rdInteger || data.size() != 4) throw ERegistryException(InvalidType(name));
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= std::uint32_t(static_cast<unsigned char>(data[i])) << (8 * i);
  return static_cast<int>(v);
}

void TRegistry::WriteInteger(const QString &name, int value) {
  WriteRaw(open_ ? path_ : QString(), name, rdInteger, QString::number(static_cast<std::uint32_t>(value)));
}

bool TRegistry::ReadBool(const QString &name) const { return ReadInteger(name) != 0; }

void TRegistry::WriteBool(const QString &name, bool value) { WriteInteger(name, value ? 1 : 0); }

int TRegistry::ReadBinaryData(const QString &name, void *buffer, int size) const {
  TRegDataType type = rdUnknown;
  QByteArray data;
  if (!ReadRaw(open_ ? path_ : QString(), name, &type, &data, nullptr)) return 0;
  if ((type != rdBinary && type != rdUnknown) || data.size() > size || (data.size() > 0 && !buffer)) {
    throw ERegistryException(InvalidType(name));
  }
  if (!data.isEmpty()) std::memcpy(buffer, data.constData(), static_cast<size_t>(data.size()));
  return static_cast<int>(data.size());
}

QByteArray TRegistry::ReadBinary(const QString &name) const {
  TRegDataType type = rdUnknown;
  QByteArray data;
  if (!ReadRaw(open_ ? path_ : QString(), name, &type, &data, nullptr)) return {};
  if (type != rdBinary && type != rdUnknown) throw ERegistryException(InvalidType(name));
  return data;
}

void TRegistry::WriteBinaryData(const QString &name, const void *buffer, int size) {
  const QByteArray bytes(static_cast<const char *>(buffer), buffer ? std::max(size, 0) : 0);
  WriteRaw(open_ ? path_ : QString(), name, rdBinary, QString::fromLatin1(bytes.toHex().toUpper()));
}

// Floats and money are stored as the 8 bytes of their binary value.
template <typename T>
T TRegistry::ReadEightBytes(const QString &name) const {
  static_assert(sizeof(T) == 8);
  TRegDataType type = rdUnknown;
  QByteArray data;
  if (!ReadRaw(open_ ? path_ : QString(), name, &type, &data, nullptr)) {
    throw ERegistryException(QStringLiteral("Failed to get data for '%1'").arg(name));
  }
  if (type != rdBinary || data.size() != 8) throw ERegistryException(InvalidType(name));
  T v;
  std::memcpy(&v, data.constData(), 8);
  return v;
}

double TRegistry::ReadFloat(const QString &name) const { return ReadEightBytes<double>(name); }

void TRegistry::WriteFloat(const QString &name, double value) { WriteBinaryData(name, &value, sizeof value); }

double TRegistry::ReadCurrency(const QString &name) const {
  return static_cast<double>(ReadEightBytes<std::int64_t>(name)) / 10000.0;
}

void TRegistry::WriteCurrency(const QString &name, double value) {
  const auto scaled = static_cast<std::int64_t>(std::llround(value * 10000.0));
  WriteBinaryData(name, &scaled, sizeof scaled);
}

// ---- TRegIniFile ------------------------------------------------------------------------------

TRegIniFile::TRegIniFile(const QString &file_name) : file_name_(file_name) { OpenKey(file_name_, true); }

TRegIniFile::TRegIniFile(const QString &file_name, unsigned access) : TRegistry(access), file_name_(file_name) {
  OpenKey(file_name_, CanWrite());
}

void TRegIniFile::SetRootKey(HKEY root) {
  if (root == RootKey()) return;
  TRegistry::SetRootKey(root);
  OpenKey(QLatin1Char('\\') + file_name_, CanWrite());
}

QString TRegIniFile::SectionPath(const QString &section) const {
  QStringList parts = SplitPath(CurrentPath());
  parts += SplitPath(section);
  return parts.join(QLatin1Char('\\'));
}

QString TRegIniFile::ReadString(const QString &section, const QString &ident, const QString &def) const {
  TRegDataType type = rdUnknown;
  QString text;
  if (!ReadRaw(SectionPath(section), ident, &type, nullptr, &text)) return def;
  if (type == rdInteger) {
    QByteArray data;
    ReadRaw(SectionPath(section), ident, &type, &data, nullptr);
    std::uint32_t v = 0;
    for (int i = 0; i < data.size() && i < 4; ++i) v |= std::uint32_t(static_cast<unsigned char>(data[i])) << (8 * i);
    return QString::number(static_cast<int>(v));
  }
  if (type != rdString && type != rdExpandString) return def;
  return text;
}

void TRegIniFile::WriteString(const QString &section, const QString &ident, const QString &value) {
  WriteRaw(SectionPath(section), ident, rdString, Escape(value));
}

int TRegIniFile::ReadInteger(const QString &section, const QString &ident, int def) const {
  return StrToIntDef(ReadString(section, ident, QString()), def);
}

void TRegIniFile::WriteInteger(const QString &section, const QString &ident, int value) {
  WriteString(section, ident, QString::number(value));
}

bool TRegIniFile::ReadBool(const QString &section, const QString &ident, bool def) const {
  return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TRegIniFile::WriteBool(const QString &section, const QString &ident, bool value) {
  WriteString(section, ident, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TRegIniFile::ReadSection(const QString &section, TStrings *strings) const {
  if (strings) strings->AssignStrings(ValueNamesAt(SectionPath(section)));
}

void TRegIniFile::ReadSections(TStrings *strings) const { GetKeyNames(strings); }

void TRegIniFile::ReadSectionValues(const QString &section, TStrings *strings) const {
  if (strings == nullptr) return;
  QStringList lines;
  for (const QString &name : ValueNamesAt(SectionPath(section)))
    lines << name + QLatin1Char('=') + ReadString(section, name, QString());
  strings->AssignStrings(lines);
}

void TRegIniFile::EraseSection(const QString &section) {
  // An empty section would name the object's own key.
  if (!SplitPath(section).isEmpty()) DeleteKeyAt(SectionPath(section));
}

void TRegIniFile::DeleteKey(const QString &section, const QString &ident) { DeleteRaw(SectionPath(section), ident); }

}  // namespace rtl
