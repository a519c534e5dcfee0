// Inside the table export (vudaoexport.h): the rows an export copies, and
// the writers of the file formats, each turning the rows into the bytes of
// its files without touching the disk. CommitFiles then puts them in place:
// every file is written beside its target first and the targets are
// replaced only when all of them are complete, so a failure half-way
// leaves the user's earlier files as they were.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

#include "platform/rtl/variant.h"

namespace dao::exportfiles {

struct Column {
  QString name;
  int type = 0;  // the engine's data type (jet::dbText...)
  int size = 0;
};

struct Rows {
  std::vector<Column> columns;
  std::vector<std::vector<rtl::Variant>> rows;
};

struct File {
  QString path;
  QByteArray bytes;
};

// Raises EDatabaseError ("TVuDaoTable.<operation>: ...").
[[noreturn]] void Fail(const char *operation, const QString &text);

// Writes `files` beside their targets, then renames each over its target
// and removes the files of `stale` (companions the new table no longer
// has). A failure before the renames removes what was written and changes
// nothing of the user's.
void CommitFiles(const char *operation, const std::vector<File> &files, const QStringList &stale = {});

// Whether the value holds nothing (Null or Empty).
inline bool IsNull(const rtl::Variant &v) { return v.IsNull() || v.IsEmpty(); }
// Whether a date column holds a value with a time of day.
bool HasTime(const Rows &data, size_t column);
// A value's text as the formats without a type of their own write it.
QString PlainText(const rtl::Variant &v, int type);

// The spreadsheet of `version` 3, 4, 5 or 8 with the rows under a line of
// column names; 5 and 8 are workbooks inside a compound document, with one
// sheet named `sheet`.
QByteArray ExcelFile(const char *operation, const Rows &data, int version, const QString &sheet);
// The workbook `file` (version 5 or 8, inside a compound document) with
// one more sheet named `sheet` holding the rows: the sheets already there
// and the container's other streams are carried over as they are. A file
// that is not a readable workbook of `version` is refused (jet::EJetError
// 3274), as is a sheet name already in it (3010).
QByteArray ExcelSheetAdded(const char *operation, const QString &path, const QByteArray &file, const Rows &data,
                           int version, const QString &sheet);

// One entry of a compound document: a stream with its bytes, or a storage
// with entries of its own (the root is a storage).
struct CompoundEntry {
  QString name;
  bool storage = false;
  QByteArray class_id;  // a storage's 16 bytes
  QByteArray bytes;     // a stream's
  std::vector<CompoundEntry> children;
  // The stream `name` (case ignored) among `entries`, or nullptr.
  static CompoundEntry *Stream(std::vector<CompoundEntry> &entries, const QString &name);
};
// Reads every entry of the compound document `file` into `root`; false
// (with `reason` in Italian) when it is not one or is cut short.
bool ReadCompound(const QByteArray &file, CompoundEntry *root, QString *reason);
// The compound document of `root`'s entries, or of one stream (the
// container of the later spreadsheet versions).
QByteArray CompoundDocument(const char *operation, const CompoundEntry &root);
QByteArray CompoundDocument(const char *operation, const QString &stream, const QByteArray &data);

// The table `base`.db (and its memo file `base`.mb when it has one) of
// Paradox `version` 3, 4, 5 or 7.
std::vector<File> ParadoxFiles(const char *operation, const Rows &data, int version, const QString &base);

// The dBase table `base`.dbf with its memo file (".dbt"), or a FoxPro 2.x
// or 3.0 one (FoxPro header, ".fpt" memo file).
enum class DbfFlavour { DBase, FoxPro2, FoxPro3 };
std::vector<File> DBaseFiles(const char *operation, const Rows &data, const QString &base, DbfFlavour flavour);

}  // namespace dao::exportfiles
