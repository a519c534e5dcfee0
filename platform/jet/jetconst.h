// Option codes and attribute bits of the database engine, with the values
// callers pass and test (the data type codes are in jetsql.h). A small
// `Collection` template serves every named list of the engine: TableDefs,
// QueryDefs, Fields, Indexes, Parameters.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/jet/jeterror.h"

namespace jet {

enum RecordsetTypeEnum : int {
  dbOpenDefault = 0,  // table for a local table name, dynaset otherwise
  dbOpenTable = 1,
  dbOpenDynaset = 2,
  dbOpenSnapshot = 4,
  dbOpenForwardOnly = 8,
  dbOpenDynamic = 16,
};

enum RecordsetOptionEnum : int {
  dbDenyWrite = 1,
  dbDenyRead = 2,
  dbReadOnly = 4,
  dbAppendOnly = 8,
  dbInconsistent = 16,
  dbConsistent = 32,
  dbSQLPassThrough = 64,
  dbFailOnError = 128,
  dbForwardOnly = 256,
  dbSeeChanges = 512,
  dbRunAsync = 1024,
  dbExecDirect = 2048,
};

enum LockTypeEnum : int {
  dbOptimisticValue = 1,
  dbPessimistic = 2,
  dbOptimistic = 3,
  dbOptimisticBatch = 5,
};

enum EditModeEnum : int { dbEditNone = 0, dbEditInProgress = 1, dbEditAdd = 2 };

enum FieldAttributeEnum : int {
  dbFixedField = 1,
  dbVariableField = 2,
  dbAutoIncrField = 16,
  dbUpdatableField = 32,
  dbSystemField = 8192,
  dbDescending = 1,  // on an index's field
};

// Table definition attributes. dbSystemObject has the sign bit set, as the
// engine's 32-bit Attributes value carries it.
inline constexpr std::int32_t dbSystemObject = static_cast<std::int32_t>(0x80000002u);
inline constexpr std::int32_t dbHiddenObject = 1;

enum ParameterDirectionEnum : int {
  dbParamInput = 1,
  dbParamOutput = 2,
  dbParamInputOutput = 3,
  dbParamReturnValue = 4,
};

enum QueryDefTypeEnum : int {
  dbQSelect = 0,
  dbQCrosstab = 16,
  dbQDelete = 32,
  dbQUpdate = 48,
  dbQAppend = 64,
  dbQMakeTable = 80,
  dbQDDL = 96,
  dbQSQLPassThrough = 112,
  dbQSetOperation = 128,
  dbQSPTBulk = 144,
  dbQCompound = 160,
  dbQProcedure = 224,
  dbQAction = 240,
};

enum IdleEnum : int { dbFreeLocks = 1, dbRefreshCache = 8 };

enum WorkspaceTypeEnum : int { dbUseODBC = 1, dbUseJet = 2 };

// CreateDatabase options and the collating order the engine reports.
enum DatabaseTypeEnum : int { dbVersion30 = 32, dbVersion40 = 64 };
inline constexpr int dbSortGeneral = 1033;

// Errors of the engine that are not the translator's.
enum EngineErrorNumber : int {
  kErrObjectClosed = 3420,         // object invalid or no longer set
  kErrNotBookmark = 3159,          // not a valid bookmark
  kErrConversion = 3421,           // data type conversion error
  kErrDamaged = 3049,              // cannot open: damaged file
  kErrCannotExecuteSelect = 3065,  // Execute given a SELECT
  kErrNotUpdatable = 3326,         // recordset not updatable
  kErrPropertyNotFound = 3270,     // Properties("X") absent
  kErrNameExists = 3012,           // object already exists
  kErrLocked = 3260,               // file locked by another connection
  kErrTransaction = 3034,          // commit or rollback without BeginTrans
  kErrEngine = 3000,               // anything else SQLite reports
  kErrKeyNull = 3058,              // Null in a primary key
};

namespace detail {
[[noreturn]] void Raise(int number, const QString &text, const QString &source = QStringLiteral("DAO.Database"));
// The files SQLite found damaged in this run (DBEngine::DamageNoted).
void NoteDamage(const QString &path);
bool DamageNoted(const QString &path);
void ForgetDamage(const QString &path);
}  // namespace detail

// A list of engine objects reached by position or by name (case ignored).
// Items are shared: a caller may keep one after the list is refreshed.
template <class T>
class Collection {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  T &Item(int index) const {
    if (index < 0 || index >= Count()) NotFound(QString::number(index));
    return *items_[static_cast<size_t>(index)];
  }
  T &Item(const QString &name) const {
    if (T *found = Find(name)) return *found;
    NotFound(name);
  }
  T &operator[](int index) const { return Item(index); }
  T &operator[](const QString &name) const { return Item(name); }
  T *Find(const QString &name) const {
    for (const auto &item : items_)
      if (item->Name().compare(name, Qt::CaseInsensitive) == 0) return item.get();
    return nullptr;
  }
  std::shared_ptr<T> Ptr(int index) const {
    Item(index);
    return items_[static_cast<size_t>(index)];
  }
  std::shared_ptr<T> Ptr(const QString &name) const {
    for (const auto &item : items_)
      if (item->Name().compare(name, Qt::CaseInsensitive) == 0) return item;
    NotFound(name);
  }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  // Engine side: fills the list.
  void Clear() { items_.clear(); }
  void Add(std::shared_ptr<T> item) { items_.push_back(std::move(item)); }
  void RemoveAt(int index) { items_.erase(items_.begin() + index); }

 private:
  [[noreturn]] static void NotFound(const QString &what) {
    detail::Raise(kErrItemNotFound, QString::fromLatin1(kMsgItemNotFound).arg(what));
  }
  std::vector<std::shared_ptr<T>> items_;
};

}  // namespace jet
