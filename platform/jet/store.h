// The engine's storage: one SQLite connection to the database file, the
// catalogue of what the engine adds to SQLite's schema, and the mapping of
// SQLite failures to the engine's errors. Internal to platform/jet.
//
// Catalogue tables (system objects, hidden from table lists):
//   MSysObjects  (Name, Type 1 table / 5 query, Attributes, DateCreate,
//                 DateUpdate, SQL of a stored query)
//   MSysColumns  (TableName, Name, Ordinal, Type, Size, Attributes,
//                 DefaultValue, Required, AllowZeroLength, ValidationRule,
//                 ValidationText, Properties as "name=value" lines)
//   MSysIndexes  (TableName, Name, Ordinal, FieldName, Descending,
//                 IsPrimary, IsUnique, Required, IgnoreNulls)
// Tables are ordinary SQLite tables: text columns COLLATE JETTEXT with a
// CHECK on their width, Yes/No columns INTEGER -1/0 NOT NULL, date-times
// REAL day counts; an auto-increment column is the table's row id.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/jet/field.h"
#include "platform/jet/jetsql.h"

struct sqlite3;
struct sqlite3_stmt;

namespace jet::detail {

struct IndexInfo {
  QString name;
  std::vector<std::pair<QString, bool>> fields;  // name, descending
  bool primary = false;
  bool unique = false;
  bool required = false;
  bool ignore_nulls = false;
};

struct TableInfo {
  QString name;
  std::int32_t attributes = 0;
  double created = 0;
  double updated = 0;
  std::vector<FieldInfo> columns;
  std::vector<IndexInfo> indexes;
  int rowid_column = -1;                  // the auto-increment column that is the row id
  int Column(const QString &name) const;  // -1 when absent
  const IndexInfo *FindIndex(const QString &name) const;
};

// A prepared statement; reset when it goes back to its owner.
// A column's value as Stmt::Value gives it, in parts: its kind and its
// number, or its bytes (which stay valid until the statement moves on).
// Copies of many rows keep the parts and make values only of rows read.
struct ColumnParts {
  enum Kind : std::uint8_t { kNull, kBoolean, kInteger, kInt64, kDouble, kCurrency, kDate, kText, kBytes };
  Kind kind = kNull;
  std::int64_t integer = 0;
  double real = 0;
  const char *data = nullptr;
  int size = 0;
  rtl::Variant ToVariant() const;
};

class Stmt {
 public:
  Stmt() = default;
  Stmt(sqlite3 *db, sqlite3_stmt *stmt) : db_(db), stmt_(stmt) {}
  Stmt(Stmt &&o) noexcept : db_(o.db_), stmt_(o.stmt_), owned_(o.owned_) { o.stmt_ = nullptr; }
  Stmt &operator=(Stmt &&o) noexcept;
  ~Stmt();
  sqlite3_stmt *get() const { return stmt_; }
  void Bind(int index, const rtl::Variant &value);  // 1-based
  void BindAll(const std::vector<rtl::Variant> &values);
  bool Step();  // true: a row; raises on failure
  int ColumnCount() const;
  std::int64_t Int(int column) const;
  // The column as a value of the given type (dates as dates, Yes/No as
  // booleans); type 0 takes the stored kind.
  rtl::Variant Value(int column, int jet_type) const;
  // The same value in parts, without making it (see ColumnParts).
  ColumnParts Parts(int column, int jet_type) const;
  void Reset();

 private:
  friend class Store;
  sqlite3 *db_ = nullptr;
  sqlite3_stmt *stmt_ = nullptr;
  bool owned_ = true;
};

class Store {
 public:
  ~Store();
  // Opens an existing file; refuses a missing, foreign or damaged file.
  static std::shared_ptr<Store> Open(const QString &path, bool read_only, bool exclusive);
  // Creates a new file with an empty catalogue; refuses an existing file.
  static std::shared_ptr<Store> Create(const QString &path);
  // The same in an empty file that already exists (an unnamed file the
  // converter fills): no journal beside it and no syncs, since a failed fill
  // is thrown away whole.
  static std::shared_ptr<Store> CreateScratch(const QString &path);

  sqlite3 *Db() const { return db_; }
  const QString &Path() const { return path_; }
  bool ReadOnly() const { return read_only_; }
  bool IsOpen() const { return db_ != nullptr; }
  void Close();
  void CheckOpen() const;

  // Bumped by every write, so cached rows know when to re-read.
  std::uint64_t Generation() const { return generation_; }
  void Touch() { ++generation_; }
  // Whether a transaction was committed to the file since the last call,
  // through any connection (the file's change counter, read without
  // locking it); always for a store without a file.
  bool ChangedElsewhere();

  Stmt Prepare(const QString &sql);
  // A statement kept for reuse (must not be used twice at once).
  Stmt &Cached(const QString &sql);
  void Exec(const QString &sql);
  // Runs `work` as one change: in a transaction of its own, or inside the
  // caller's open one (which then decides). A failure undoes what `work` did
  // and is thrown on.
  void Atomically(const std::function<void()> &work);
  [[noreturn]] void Fail(int rc, const QString &context = {}) const;

  // Catalogue.
  const TableInfo *FindTable(const QString &name);
  QStringList TableNames();  // user and system tables
  bool FindQuery(const QString &name, QString *stored_name, QString *sql);
  QStringList QueryNames();
  void ReloadCatalogue();
  SourceResolver Resolver();
  // TranslateSql over this catalogue, kept for statements whose translation
  // depends on nothing but the catalogue (no literal text or date, which are
  // read in the locale and year of the moment): the program opens the same
  // queries again and again. The catalogue reloaded forgets them all.
  TranslatedSql Translated(const QString &sql, const TranslateOptions &options = {});

  void CreateTable(const TableInfo &table);
  void AddColumn(const QString &table, const FieldInfo &field);
  void CreateIndex(const QString &table, const IndexInfo &index);
  void DropTable(const QString &table);
  void DropIndex(const QString &table, const QString &index);
  void SaveQuery(const QString &name, const QString &sql);
  void DeleteQuery(const QString &name);

  // The next auto-increment value of a table whose row id is its counter.
  std::int64_t NextRowId(const QString &table);

  // Transactions (nesting through savepoints).
  void Begin();
  void Commit();
  void Rollback();
  int TransactionLevel() const { return level_; }

  static QString Quote(const QString &name);  // "name" for SQLite
  static QString ColumnDecl(const FieldInfo &f, bool is_rowid);

 private:
  Store() = default;
  void InitConnection();
  void RemoveStaleJournal();
  void LoadCatalogue();
  sqlite3 *db_ = nullptr;
  QString path_;
  bool read_only_ = false;
  std::uint64_t generation_ = 1;
  int header_fd_ = -1;  // the file, read for its change counter
  std::uint32_t change_counter_ = 0;
  bool counter_known_ = false;
  int level_ = 0;
  bool catalogue_loaded_ = false;
  QHash<QString, TableInfo> tables_;                     // by lower-case name
  QHash<QString, std::pair<QString, QString>> queries_;  // lower name -> (name, sql)
  QHash<QString, Stmt *> cache_;
  QHash<QString, TranslatedSql> translations_;  // by options and text
  bool queries_have_literals_ = false;          // some stored query holds literal text or dates
  QHash<QString, QString> next_id_sql_;
};

// Converts a value for storage in a column of `type` (text in the locale
// of the moment). Raises 3421 when it does not convert, 3163 when text is
// wider than `size`. Null in a Yes/No field becomes False.
rtl::Variant ConvertForField(const rtl::Variant &value, const FieldInfo &field);
// Evaluates a default value written in the engine's syntax.
rtl::Variant EvaluateDefault(Store &store, const FieldInfo &field);

// Bumped by DBEngine::Idle(dbRefreshCache) when a file open here was
// changed since the last time: rows cached by recordsets are read again,
// so changes made by other connections show.
std::uint64_t RefreshEpoch();
void BumpRefreshEpoch();
// Whether any open store's file was committed to since the last call.
bool AnyStoreChangedElsewhere();

// Records the error for DBEngine::Errors and throws it.
void RecordError(const EJetError &e);

}  // namespace jet::detail
