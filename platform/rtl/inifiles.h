// Profile (ini) files with the Windows semantics the program's settings
// files were written with: sections and keys are found ignoring case; a
// value is read trimmed, with one matching pair of surrounding quotes
// ('..' or "..") removed; an existing value is updated in its own line, a
// new key goes after the last line of its section and a new section at the
// end of the file; comments (';') and blank lines survive rewriting; lines
// end with CR LF; text is Windows-1252 (a file that starts with a UTF-8 or
// UTF-16 byte-order mark, or that is valid UTF-8, is read and written back
// in its own encoding).
//
// TIniFile reads the file for every call and writes it for every change,
// so two objects on the same file (or another program) always agree; each
// write replaces the file atomically (temporary file in the same folder,
// then rename), so a crash never leaves half a settings file. TMemIniFile
// works on a copy in memory until UpdateFile.
//
// A bare file name ("ORBISCA.INI") lives in the profile folder, the user's
// configuration folder "orbisca" (ORBISCA_PROFILE_DIR overrides it); names
// are matched ignoring case when the exact name does not exist, as the
// files come from a case-insensitive file system.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/object.h"
#include "platform/rtl/variant.h"

namespace rtl {

class TStrings;
class TStream;

// The lines of one ini file with the lookups and edits above. Keys and
// values are validated before any edit: a section name with "]" or a line
// break, a key that is empty, holds "=" or a line break or starts with "["
// or ";", and a value with a line break raise EIniFileException, because
// written as they are they would turn into other sections or keys.
class IniDocument {
 public:
  enum class Encoding { Ansi, Utf8, Utf8Bom, Utf16LE };

  IniDocument() = default;
  static IniDocument Parse(const QByteArray &bytes);
  QByteArray Serialize() const;

  // Loads `path`; a missing file is an empty document. A file that exists
  // but cannot be read raises EIniFileException when `must_read` (so a
  // write never replaces a file it could not read), else gives an empty
  // document.
  static IniDocument LoadFile(const QString &path, bool must_read);
  // Replaces `path` atomically; EIniFileException "Unable to write to x".
  void SaveFile(const QString &path) const;

  Encoding TextEncoding() const { return encoding_; }
  void SetTextEncoding(Encoding e) { encoding_ = e; }
  const QStringList &Lines() const { return lines_; }
  void SetLines(const QStringList &lines) { lines_ = lines; }

  bool SectionExists(const QString &section) const;
  QStringList Sections() const;  // first spelling of each, in file order
  QStringList Keys(const QString &section) const;
  // The value read by the rules above; `found` tells whether the key is
  // there.
  QString Value(const QString &section, const QString &key, bool *found = nullptr) const;

  // Each returns true when the document changed.
  bool SetValue(const QString &section, const QString &key, const QString &value);
  bool AddSection(const QString &section);
  bool DeleteKey(const QString &section, const QString &key);
  bool EraseSection(const QString &section);

  static void CheckSection(const QString &section);
  static void CheckKey(const QString &key);
  static void CheckValue(const QString &value);

 private:
  struct Range {
    int header = -1;  // line of "[name]"
    int end = 0;      // one past the section's last line
  };
  Range FindSection(const QString &section) const;
  int FindKey(const Range &range, const QString &key) const;

  QStringList lines_;
  Encoding encoding_ = Encoding::Ansi;
};

class TCustomIniFile : public TObject {
  ORBISCA_CLASS(TCustomIniFile, TObject)

 public:
  explicit TCustomIniFile(const QString &file_name) : file_name_(file_name) {}
  const QString &FileName() const { return file_name_; }

  virtual QString ReadString(const QString &section, const QString &ident, const QString &def) const = 0;
  virtual void WriteString(const QString &section, const QString &ident, const QString &value) = 0;
  // Key names of a section / section names / "key=value" lines; the list
  // is cleared first.
  virtual void ReadSection(const QString &section, TStrings *strings) const = 0;
  virtual void ReadSections(TStrings *strings) const = 0;
  virtual void ReadSectionValues(const QString &section, TStrings *strings) const = 0;
  virtual void EraseSection(const QString &section) = 0;
  virtual void DeleteKey(const QString &section, const QString &ident) = 0;
  virtual void UpdateFile() = 0;
  virtual bool SectionExists(const QString &section) const = 0;
  virtual bool ValueExists(const QString &section, const QString &ident) const = 0;

  // Decimal, or hexadecimal after "0x" or "$"; the default when the text
  // is not a number.
  int ReadInteger(const QString &section, const QString &ident, int def) const;
  void WriteInteger(const QString &section, const QString &ident, int value);
  // Written "1"/"0"; read as a number (non-zero is true) or True/False.
  bool ReadBool(const QString &section, const QString &ident, bool def) const;
  void WriteBool(const QString &section, const QString &ident, bool value);
  // Floats and dates in the locale of the moment (FormatSettings); the
  // default when the text does not parse.
  double ReadFloat(const QString &section, const QString &ident, double def) const;
  void WriteFloat(const QString &section, const QString &ident, double value);
  TDateTime ReadDate(const QString &section, const QString &ident, TDateTime def) const;
  void WriteDate(const QString &section, const QString &ident, TDateTime value);
  TDateTime ReadDateTime(const QString &section, const QString &ident, TDateTime def) const;
  void WriteDateTime(const QString &section, const QString &ident, TDateTime value);
  TDateTime ReadTime(const QString &section, const QString &ident, TDateTime def) const;
  void WriteTime(const QString &section, const QString &ident, TDateTime value);
  // Bytes as hexadecimal text: reading appends the decoded bytes to the
  // stream and returns their count (0 for a missing or malformed value).
  int ReadBinaryStream(const QString &section, const QString &ident, TStream *value) const;
  void WriteBinaryStream(const QString &section, const QString &ident, TStream *value);

 private:
  QString file_name_;
};

class TIniFile : public TCustomIniFile {
  ORBISCA_CLASS(TIniFile, TCustomIniFile)

 public:
  explicit TIniFile(const QString &file_name);

  QString ReadString(const QString &section, const QString &ident, const QString &def) const override;
  void WriteString(const QString &section, const QString &ident, const QString &value) override;
  void ReadSection(const QString &section, TStrings *strings) const override;
  void ReadSections(TStrings *strings) const override;
  void ReadSectionValues(const QString &section, TStrings *strings) const override;
  void EraseSection(const QString &section) override;
  void DeleteKey(const QString &section, const QString &ident) override;
  void UpdateFile() override {}
  bool SectionExists(const QString &section) const override;
  bool ValueExists(const QString &section, const QString &ident) const override;

  // The file actually used (bare names resolved into the profile folder).
  const QString &Path() const { return path_; }

  // Where bare file names live; an empty value restores the default.
  static QString ProfileFolder();
  static void SetProfileFolder(const QString &folder);
  // The file a name refers to, as TIniFile and TMemIniFile resolve it.
  static QString ResolvePath(const QString &file_name);

 private:
  IniDocument Load(bool for_writing) const;
  void Store(const IniDocument &doc);
  QString path_;
};

class TMemIniFile : public TCustomIniFile {
  ORBISCA_CLASS(TMemIniFile, TCustomIniFile)

 public:
  // Reads the file now; a missing file gives an empty object. An empty
  // name gives an object that lives only in memory.
  explicit TMemIniFile(const QString &file_name);

  QString ReadString(const QString &section, const QString &ident, const QString &def) const override;
  void WriteString(const QString &section, const QString &ident, const QString &value) override;
  void ReadSection(const QString &section, TStrings *strings) const override;
  void ReadSections(TStrings *strings) const override;
  void ReadSectionValues(const QString &section, TStrings *strings) const override;
  void EraseSection(const QString &section) override;
  void DeleteKey(const QString &section, const QString &ident) override;
  // Writes the whole file (atomically); nothing without a file name.
  void UpdateFile() override;
  bool SectionExists(const QString &section) const override;
  bool ValueExists(const QString &section, const QString &ident) const override;

  void Clear();
  void GetStrings(TStrings *strings) const;
  void SetStrings(const TStrings *strings);
  // Reads from the stream's position to its end / writes the file image.
  void LoadFromStream(TStream *stream);
  void SaveToStream(TStream *stream) const;
  bool Modified() const { return modified_; }

 private:
  QString path_;
  IniDocument doc_;
  bool modified_ = false;
};

}  // namespace rtl
