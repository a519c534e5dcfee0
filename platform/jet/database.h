// An open database of the engine and its definitions: table definitions
// with their fields and indexes, stored queries with their parameters. The
// database is one SQLite file; what the engine knows beyond SQLite's own
// schema (field types and widths, defaults, captions, indexes, the text of
// stored queries) lives in catalogue tables named "MSys...", which table
// lists mark as system objects.
#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "platform/jet/field.h"
#include "platform/jet/recordset.h"

namespace jet {

class Database;
class TableDef;
class QueryDef;
struct TakeoverSummary;

// An index of a table definition; its Fields carry dbDescending.
class Index {
 public:
  const QString &Name() const { return name_; }
  void SetName(const QString &v) { name_ = v; }
  bool Primary() const { return primary_; }
  void SetPrimary(bool v) { primary_ = v; }
  bool Unique() const { return unique_ || primary_; }
  void SetUnique(bool v) { unique_ = v; }
  bool Required() const { return required_; }
  void SetRequired(bool v) { required_ = v; }
  bool IgnoreNulls() const { return ignore_nulls_; }
  void SetIgnoreNulls(bool v) { ignore_nulls_ = v; }
  bool Foreign() const { return false; }

  jet::Fields &Fields() { return fields_; }
  const jet::Fields &Fields() const { return fields_; }
  // A field for Fields().Add; `attributes` dbDescending for a descending one.
  std::shared_ptr<Field> CreateField(const QString &name, int attributes = 0);

 private:
  QString name_;
  bool primary_ = false;
  bool unique_ = false;
  bool required_ = false;
  bool ignore_nulls_ = false;
  jet::Fields fields_;
};

class TableDef {
 public:
  const QString &Name() const { return name_; }
  void SetName(const QString &v) { name_ = v; }
  std::int32_t Attributes() const { return attributes_; }
  void SetAttributes(std::int32_t v) { attributes_ = v; }
  rtl::TDateTime DateCreated() const { return created_; }
  rtl::TDateTime LastUpdated() const { return updated_; }
  bool Updatable() const { return (attributes_ & dbSystemObject) == 0; }
  // Rows in the table now.
  int RecordCount() const;

  jet::Fields &Fields() { return fields_; }
  Collection<jet::Index> &Indexes() { return indexes_; }
  std::shared_ptr<Field> CreateField(const QString &name, int type, int size = 0);
  std::shared_ptr<jet::Index> CreateIndex(const QString &name);
  // On an appended definition: adds the field or index to the table.
  void AppendField(std::shared_ptr<Field> field);
  void AppendIndex(std::shared_ptr<jet::Index> index);
  void Refresh();
  RecordsetPtr OpenRecordset(int type = dbOpenTable, int options = 0);

 private:
  friend class Database;
  QString name_;
  std::int32_t attributes_ = 0;
  rtl::TDateTime created_ = 0;
  rtl::TDateTime updated_ = 0;
  jet::Fields fields_;
  Collection<jet::Index> indexes_;
  std::weak_ptr<Database> db_;  // set once appended
};

class Parameter {
 public:
  const QString &Name() const { return name_; }
  int Type() const { return type_; }
  void SetType(int v) { type_ = v; }
  int Direction() const { return direction_; }
  void SetDirection(int v) { direction_ = v; }
  const rtl::Variant &Value() const { return value_; }
  // Converted at once by the parameter's type (text in the locale of the
  // moment); a value that does not convert raises 3464 and keeps the old one.
  void SetValue(const rtl::Variant &value);

 private:
  friend class QueryDef;
  QString name_;
  int type_ = 0;
  int direction_ = dbParamInput;
  rtl::Variant value_;
};

class QueryDef {
 public:
  const QString &Name() const { return name_; }
  const QString &SQL() const { return sql_; }
  // Checks the text and, for a stored query, saves it.
  void SetSQL(const QString &sql);
  int Type() const { return type_; }
  Collection<Parameter> &Parameters() { return params_; }
  int MaxRecords() const { return max_records_; }
  void SetMaxRecords(int v) { max_records_ = v; }
  int ODBCTimeout() const { return odbc_timeout_; }
  void SetODBCTimeout(int v) { odbc_timeout_ = v; }
  bool ReturnsRecords() const { return type_ == dbQSelect; }
  RecordsetPtr OpenRecordset(int type = dbOpenDefault, int options = 0, int lock = 0,
                             const RowSelection &selection = {});
  void Execute(int options = 0);
  int RecordsAffected() const { return records_affected_; }
  void Close() {}

 private:
  friend class Database;
  void Parse();
  std::vector<rtl::Variant> BoundValues() const;
  QString name_;
  QString sql_;
  int type_ = dbQSelect;
  int max_records_ = 0;
  int odbc_timeout_ = 60;
  int records_affected_ = 0;
  Collection<Parameter> params_;
  std::weak_ptr<Database> db_;
  bool stored_ = false;
};

using DatabasePtr = std::shared_ptr<Database>;

class Database : public std::enable_shared_from_this<Database> {
 public:
  ~Database();
  Database(const Database &) = delete;
  Database &operator=(const Database &) = delete;

  // The file's path.
  const QString &Name() const;
  QString Version() const { return QStringLiteral("4.0"); }
  int CollatingOrder() const { return dbSortGeneral; }
  bool Updatable() const;
  int QueryTimeout() const { return query_timeout_; }
  void SetQueryTimeout(int v) { query_timeout_ = v; }
  QString Connect() const { return connect_; }
  bool IsOpen() const;
  // Closes the file; its recordsets stop working (3420).
  void Close();

  // A table name, a stored query's name or SQL text; narrowed by
  // `selection` (RowSelection), which a table-type recordset refuses.
  RecordsetPtr OpenRecordset(const QString &source, int type = dbOpenDefault, int options = 0, int lock = 0,
                             const RowSelection &selection = {});
  // An action statement (INSERT, UPDATE, DELETE, CREATE/DROP TABLE/INDEX).
  void Execute(const QString &sql, int options = 0);
  int RecordsAffected() const { return records_affected_; }

  Collection<TableDef> &TableDefs();
  Collection<QueryDef> &QueryDefs();
  std::shared_ptr<TableDef> CreateTableDef(const QString &name);
  // Creates the table with the definition's fields (and indexes, if any).
  void AppendTableDef(std::shared_ptr<TableDef> table);
  void DeleteTableDef(const QString &name);
  // A stored query (empty name: a temporary one, not saved).
  std::shared_ptr<QueryDef> CreateQueryDef(const QString &name, const QString &sql);
  void DeleteQueryDef(const QString &name);
  // Re-reads the definitions from the file.
  void Refresh();
  // When opening this database converted a Jet file (takeover.h): what was
  // done, for the one notice the user reads. Null otherwise.
  const TakeoverSummary *TakenOver() const { return taken_over_.get(); }

  // Engine side.
  static DatabasePtr Open(const QString &path, bool exclusive, bool read_only, const QString &connect);
  static DatabasePtr Create(const QString &path);
  std::shared_ptr<detail::Store> StoreRef() const { return store_; }
  detail::Store &GetStore() const;
  RecordsetPtr OpenSql(const QString &sql, int type, int options, const std::vector<rtl::Variant> &params,
                       int max_records, const QString &name, const RowSelection &selection = {});
  void ExecuteSql(const QString &sql, int options, const std::vector<rtl::Variant> &params, int *affected);
  void SaveQuery(QueryDef &query);
  void CreateIndexIn(const QString &table, const jet::Index &index);
  void AddColumnTo(const QString &table, const FieldInfo &field);

 private:
  Database() = default;
  void LoadDefinitions();
  std::shared_ptr<detail::Store> store_;
  Collection<TableDef> tabledefs_;
  Collection<QueryDef> querydefs_;
  bool defs_loaded_ = false;
  int records_affected_ = 0;
  int query_timeout_ = 60;
  QString connect_;
  std::shared_ptr<const TakeoverSummary> taken_over_;
};

}  // namespace jet
