// The registry stand-in. Each root key is one ini file in the registry
// folder (the user's configuration folder "orbisca/registry", overridable
// with ORBISCA_REGISTRY_DIR or SetBaseFolder): HKEY_CURRENT_USER.ini,
// HKEY_LOCAL_MACHINE.ini... A key is a section named by its path
// ("Software\Vovova vaza\Designer"); its parents exist implicitly. A value
// is a line "name=type:data" with the types sz (text), expand (text),
// dword (decimal) and hex (binary bytes); "@" is the key's default value.
// Names and texts are escaped with %XX where a character would break the
// ini syntax, and the files are UTF-8, so any registry text round-trips.
//
// TRegistry keeps the platform's contract: OpenKey with relative or
// absolute ("\\...") paths, typed reads that raise ERegistryException on a
// missing value or a value of another type, every write on disk at once.
// TRegIniFile offers the ini-style calls on one key, its subkeys being the
// sections.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/object.h"
#include "platform/rtl/variant.h"

namespace rtl {

class TStrings;
class IniDocument;

using HKEY = std::uint32_t;
constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr HKEY HKEY_USERS = 0x80000003u;
constexpr HKEY HKEY_PERFORMANCE_DATA = 0x80000004u;
constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005u;
constexpr HKEY HKEY_DYN_DATA = 0x80000006u;

// Access masks; only the right to set values and create keys is enforced.
constexpr unsigned KEY_QUERY_VALUE = 0x0001;
constexpr unsigned KEY_SET_VALUE = 0x0002;
constexpr unsigned KEY_CREATE_SUB_KEY = 0x0004;
constexpr unsigned KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr unsigned KEY_READ = 0x20019;
constexpr unsigned KEY_WRITE = 0x20006;
constexpr unsigned KEY_ALL_ACCESS = 0xF003F;

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
  TRegDataType RegData = rdUnknown;
  int DataSize = 0;
};

class TRegistry : public TObject {
  ORBISCA_CLASS(TRegistry, TObject)

 public:
  TRegistry() = default;
  explicit TRegistry(unsigned access) : access_(access) {}

  HKEY RootKey() const { return root_; }
  // Changing the root closes the open key.
  virtual void SetRootKey(HKEY root);
  unsigned Access() const { return access_; }
  void SetAccess(unsigned access) { access_ = access; }
  // Non-zero while a key is open.
  HKEY CurrentKey() const { return open_ ? root_ : 0; }
  QString CurrentPath() const { return path_; }

  // A path starting with "\" is absolute; any other is relative to the
  // open key. False when the key is missing and may not be created.
  bool OpenKey(const QString &key, bool can_create);
  bool OpenKeyReadOnly(const QString &key);
  void CloseKey();
  bool CreateKey(const QString &key);
  // Removes the key with all its subkeys and values.
  bool DeleteKey(const QString &key);
  bool KeyExists(const QString &key) const;
  bool HasSubKeys() const;
  void GetKeyNames(TStrings *strings) const;
  void GetValueNames(TStrings *strings) const;

  bool ValueExists(const QString &name) const;
  bool DeleteValue(const QString &name);
  bool GetDataInfo(const QString &name, TRegDataInfo &info) const;
  TRegDataType GetDataType(const QString &name) const;
  int GetDataSize(const QString &name) const;  // -1 when missing

  // "" for a missing value; ERegistryException "Invalid data type for
  // 'x'" for a value that is not text.
  QString ReadString(const QString &name) const;
  void WriteString(const QString &name, const QString &value);
  void WriteExpandString(const QString &name, const QString &value);
  // ERegistryException "Failed to get data for 'x'" when missing,
  // "Invalid data type for 'x'" when of another type.
  int ReadInteger(const QString &name) const;
  void WriteInteger(const QString &name, int value);
  bool ReadBool(const QString &name) const;
  void WriteBool(const QString &name, bool value);
  // Floats, dates and money are 8-byte binary values.
  double ReadFloat(const QString &name) const;
  void WriteFloat(const QString &name, double value);
  TDateTime ReadDateTime(const QString &name) const { return ReadFloat(name); }
  void WriteDateTime(const QString &name, TDateTime value) { WriteFloat(name, value); }
  TDateTime ReadDate(const QString &name) const { return ReadFloat(name); }
  void WriteDate(const QString &name, TDateTime value) { WriteFloat(name, value); }
  TDateTime ReadTime(const QString &name) const { return ReadFloat(name); }
  void WriteTime(const QString &name, TDateTime value) { WriteFloat(name, value); }
  double ReadCurrency(const QString &name) const;
  void WriteCurrency(const QString &name, double value);
  // Copies the binary value into `buffer` and returns its size; 0 when
  // missing; "Invalid data type" when not binary or larger than `size`.
  int ReadBinaryData(const QString &name, void *buffer, int size) const;
  void WriteBinaryData(const QString &name, const void *buffer, int size);
  QByteArray ReadBinary(const QString &name) const;

  // The folder of the root-key files; an empty value restores the default.
  static QString BaseFolder();
  static void SetBaseFolder(const QString &folder);
  // The file that holds a root key.
  static QString RootFileName(HKEY root);

 protected:
  // The absolute, normalised path of `key` as OpenKey would take it.
  QString Resolve(const QString &key) const;
  bool CanWrite() const { return (access_ & KEY_SET_VALUE) != 0; }
  // Raw access to a value of the key at `path`.
  bool ReadRaw(const QString &path, const QString &name, TRegDataType *type, QByteArray *data, QString *text) const;
  void WriteRaw(const QString &path, const QString &name, TRegDataType type, const QString &payload);
  bool DeleteRaw(const QString &path, const QString &name);
  QStringList ValueNamesAt(const QString &path) const;
  QStringList KeyNamesAt(const QString &path) const;
  bool KeyExistsAt(const QString &path) const;
  bool DeleteKeyAt(const QString &path);

 private:
  // A binary value of exactly 8 bytes read as T, or ERegistryException.
  template <typename T>
  T ReadEightBytes(const QString &name) const;

  HKEY root_ = HKEY_CURRENT_USER;
  unsigned access_ = KEY_ALL_ACCESS;
  bool open_ = false;
  QString path_;
};

class TRegIniFile : public TRegistry {
  ORBISCA_CLASS(TRegIniFile, TRegistry)

 public:
  // Opens (creating it) the key `file_name` under HKEY_CURRENT_USER.
  explicit TRegIniFile(const QString &file_name);
  TRegIniFile(const QString &file_name, unsigned access);

  const QString &FileName() const { return file_name_; }
  // Reopens FileName under the new root, so the object keeps working on
  // its own key rather than on the bare root.
  void SetRootKey(HKEY root) override;

  using TRegistry::DeleteKey;
  using TRegistry::ReadBool;
  using TRegistry::ReadInteger;
  using TRegistry::ReadString;
  using TRegistry::WriteBool;
  using TRegistry::WriteInteger;
  using TRegistry::WriteString;

  // `section` is a subkey of the open key ("" the key itself). Integers
  // and Booleans are written as text, and read from text or numbers.
  QString ReadString(const QString &section, const QString &ident, const QString &def) const;
  void WriteString(const QString &section, const QString &ident, const QString &value);
  int ReadInteger(const QString &section, const QString &ident, int def) const;
  void WriteInteger(const QString &section, const QString &ident, int value);
  bool ReadBool(const QString &section, const QString &ident, bool def) const;
  void WriteBool(const QString &section, const QString &ident, bool value);
  void ReadSection(const QString &section, TStrings *strings) const;
  void ReadSections(TStrings *strings) const;
  void ReadSectionValues(const QString &section, TStrings *strings) const;
  void EraseSection(const QString &section);
  void DeleteKey(const QString &section, const QString &ident);

 private:
  QString SectionPath(const QString &section) const;
  QString file_name_;
};

}  // namespace rtl
