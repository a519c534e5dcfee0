// Databases: opening recordsets on tables, stored queries and SQL text,
// action statements, and the table and query definitions kept in the
// catalogue.
#include "platform/jet/database.h"

#include <sqlite3.h>

#include "platform/jet/jetreader.h"
#include "platform/jet/odbcsource.h"
#include "platform/jet/recordset_impl.h"
#include "platform/jet/store.h"
#include "platform/jet/takeover.h"
#include "platform/rtl/ignorefailure.h"

namespace jet {

using detail::Raise;

namespace {

// Errors of the translator are recorded for Errors(0) like the engine's own.
template <class F>
auto Recorded(F &&f) -> decltype(f()) {
  try {
    return f();
  } catch (const EJetError &e) {
    detail::RecordError(e);
    throw;
  }
}

std::vector<ColumnInfo> CriteriaFields(const std::vector<FieldInfo> &infos) {
  std::vector<ColumnInfo> out;
  for (const FieldInfo &f : infos) out.push_back({f.name, f.type, f.size});
  return out;
}

std::unique_ptr<Recordset::Impl> TableRecordset(const std::shared_ptr<detail::Store> &store, const detail::TableInfo &t,
                                                int type, int options) {
  auto d = std::make_unique<Recordset::Impl>();
  d->store = store;
  d->type = type;
  d->options = options;
  d->name = t.name;
  d->table = t.name;
  d->forward_only = type == dbOpenForwardOnly || (options & dbForwardOnly);
  d->infos = t.columns;
  const QString q = detail::Store::Quote(t.name);
  QStringList cols;
  for (size_t i = 0; i < t.columns.size(); ++i) {
    d->table_col.push_back(static_cast<int>(i));
    cols << detail::Store::Quote(t.columns[i].name);
  }
  d->criteria_fields = CriteriaFields(d->infos);
  d->source_sql = QStringLiteral("SELECT rowid AS __rowid, * FROM %1").arg(q);
  const bool system = (t.attributes & dbSystemObject) != 0;
  if (type == dbOpenTable || type == dbOpenDynaset) {
    d->live = true;
    d->key_sql = QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid").arg(q);
    d->row_sql = QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?1").arg(cols.join(QStringLiteral(", ")), q);
    d->updatable = !system && !store->ReadOnly() && !(options & dbReadOnly);
  } else {
    d->is_copy = true;
    d->data_sql = QStringLiteral("SELECT * FROM %1").arg(q);
  }
  return d;
}

int QueryType(StatementKind kind) {
  switch (kind) {
    case StatementKind::Select:
      return dbQSelect;
    case StatementKind::Insert:
      return dbQAppend;
    case StatementKind::Update:
      return dbQUpdate;
    case StatementKind::Delete:
      return dbQDelete;
    default:
      return dbQDDL;
  }
}

}  // namespace

// ---- Database -------------------------------------------------------------------

Database::~Database() = default;

DatabasePtr Database::Open(const QString &path, bool exclusive, bool read_only, const QString &connect) {
  DatabasePtr db(new Database);
  // A Jet file opened for writing is converted first (read-only, the store refuses it).
  const bool odbc = IsOdbcConnect(connect);
  if (!odbc && !read_only && JetFileKindOfPath(path) != JetFileKind::NotJet)
    db->taken_over_ = std::make_shared<const TakeoverSummary>(TakeOverJetFile(path, OpeningTakeoverOptions()));
  db->store_ = odbc ? OpenOdbcStore(connect, read_only) : detail::Store::Open(path, read_only, exclusive);
  db->connect_ = connect;
  return db;
}

DatabasePtr Database::Create(const QString &path) {
  DatabasePtr db(new Database);
  db->store_ = detail::Store::Create(path);
  return db;
}

const QString &Database::Name() const { return store_->Path(); }
bool Database::Updatable() const { return !store_->ReadOnly(); }
bool Database::IsOpen() const { return store_ && store_->IsOpen(); }
detail::Store &Database::GetStore() const {
  store_->CheckOpen();
  return *store_;
}

void Database::Close() {
  if (store_) store_->Close();
  tabledefs_.Clear();
  querydefs_.Clear();
  defs_loaded_ = false;
}

RecordsetPtr Database::OpenRecordset(const QString &source, int type, int options, int lock,
                                     const RowSelection &selection) {
  (void)lock;  // one connection, no page locks: every lock type behaves the same
  detail::Store &store = GetStore();
  const QString s = source.trimmed();
  if (const detail::TableInfo *t = store.FindTable(s)) {
    if (type == dbOpenDefault) type = dbOpenTable;
    if (type == dbOpenDynamic) type = dbOpenDynaset;
    return Recordset::Create(TableRecordset(store_, *t, type, options), selection, type, options);
  }
  QString qname, qsql;
  if (store.FindQuery(s, &qname, &qsql)) {
    auto qd = QueryDefs().Ptr(qname);
    return qd->OpenRecordset(type, options, lock, selection);
  }
  if (!s.contains(QLatin1Char(' ')) && !s.contains(QLatin1Char('\n')) && !s.contains(QLatin1Char('\t')))
    Raise(kErrTableNotFound, QStringLiteral("Il motore di database non trova la tabella o la query «%1». "
                                            "Controllare che esista e che il nome sia scritto giusto.")
                                 .arg(s));
  return OpenSql(s, type, options, {}, 0, s, selection);
}

RecordsetPtr Database::OpenSql(const QString &sql, int type, int options, const std::vector<rtl::Variant> &params,
                               int max_records, const QString &name, const RowSelection &selection) {
  detail::Store &store = GetStore();
  const TranslatedSql tr = Recorded([&] { return store.Translated(sql); });
  if (tr.kind != StatementKind::Select)
    Raise(kErrInvalidOperation, QStringLiteral("Invalid operation: '%1' is not a query that returns rows.").arg(name));
  if (type == dbOpenTable)
    Raise(kErrInvalidOperation, QStringLiteral("Invalid operation: a table recordset needs a table name."));
  if (type == dbOpenDefault || type == dbOpenDynamic) type = dbOpenDynaset;
  if (tr.parameters.size() > params.size())
    Raise(kErrTooFewParameters, QStringLiteral("Too few parameters. Expected %1.").arg(tr.parameters.size()));
  auto d = std::make_unique<Recordset::Impl>();
  d->store = store_;
  d->type = type;
  d->options = options;
  d->name = name;
  d->max_records = max_records;
  d->forward_only = type == dbOpenForwardOnly || (options & dbForwardOnly);
  for (size_t i = 0; i < tr.parameters.size(); ++i)
    d->params.push_back(Recorded([&] { return ConvertParameterValue(params[i], tr.parameters[i].jet_type); }));
  // Fields: plain columns take their definition from the catalogue.
  const QString table = tr.source_tables.value(0);
  bool all_plain = true;
  for (const ResultColumn &c : tr.columns) {
    FieldInfo f;
    int table_col = -1;
    const detail::TableInfo *t = c.source_table.isEmpty() ? nullptr : store.FindTable(c.source_table);
    const int col = t ? t->Column(c.source_column) : -1;
    if (col >= 0) {
      f = t->columns[static_cast<size_t>(col)];
      if (t->name.compare(table, Qt::CaseInsensitive) == 0) table_col = col;
    } else {
      f.type = c.jet_type;
      f.size = c.size > 0 ? c.size : FieldInfo::DefaultSize(c.jet_type);
      f.source_table.clear();
      f.source_field.clear();
      all_plain = false;
    }
    f.name = c.name;
    d->infos.push_back(f);
    d->table_col.push_back(table_col);
  }
  d->criteria_fields = CriteriaFields(d->infos);
  bool live = false;
  if (type == dbOpenDynaset && tr.updatable && !table.isEmpty()) {
    TranslateOptions opt;
    opt.with_rowid = true;
    const TranslatedSql keyed = Recorded([&] { return store.Translated(sql, opt); });
    if (keyed.rowid_first) {
      live = true;
      d->live = true;
      d->table = store.FindTable(table) ? store.FindTable(table)->name : table;
      d->source_sql = keyed.sql;
      d->key_sql = keyed.sql;  // its first column; no wrapping, which could lose the ORDER BY
      if (all_plain) {
        QStringList cols;
        const detail::TableInfo *t = store.FindTable(table);
        for (int c : d->table_col) cols << detail::Store::Quote(t->columns[static_cast<size_t>(c)].name);
        d->row_sql = QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?1")
                         .arg(cols.join(QStringLiteral(", ")), detail::Store::Quote(d->table));
      } else {
        d->row_sql_generic = true;
        d->row_sql = QStringLiteral("SELECT * FROM (%1) WHERE __rowid = ?%2").arg(keyed.sql).arg(d->params.size() + 1);
      }
      d->updatable = !store.ReadOnly() && !(options & dbReadOnly);
    }
  }
  if (!live) {
    d->is_copy = true;
    d->data_sql = tr.sql;
    d->copy_params = d->params;
    d->updatable = false;
  }
  return Recordset::Create(std::move(d), selection, type, options);
}

void Database::Execute(const QString &sql, int options) {
  int affected = 0;
  ExecuteSql(sql, options, {}, &affected);
  records_affected_ = affected;
}

void Database::ExecuteSql(const QString &sql, int options, const std::vector<rtl::Variant> &params, int *affected) {
  (void)options;  // failures always raise: a statement never half-succeeds in silence
  detail::Store &store = GetStore();
  *affected = 0;
  const TranslatedSql tr = Recorded([&] { return store.Translated(sql); });
  if (store.ReadOnly()) Raise(kErrReadOnly, QString::fromUtf8(kMsgReadOnly));
  if (tr.target_table.startsWith(QLatin1String("MSys"), Qt::CaseInsensitive))
    Raise(kErrReadOnly, QStringLiteral("Cannot update '%1': it is a system table.").arg(tr.target_table));
  switch (tr.kind) {
    case StatementKind::Select:
      Raise(kErrCannotExecuteSelect, QStringLiteral("Cannot execute a select query."));
    case StatementKind::CreateTable: {
      detail::TableInfo t;
      t.name = tr.ddl.table;
      for (const ColumnDef &c : tr.ddl.columns) {
        FieldInfo f;
        f.name = c.name;
        f.type = c.auto_increment ? dbLong : c.jet_type;
        f.size = c.size;
        f.required = c.required;
        if (c.auto_increment) f.attributes |= dbAutoIncrField;
        t.columns.push_back(f);
      }
      if (!tr.ddl.index.isEmpty() && !tr.ddl.index_columns.empty()) {
        detail::IndexInfo i;
        i.name = tr.ddl.index;
        i.primary = tr.ddl.primary;
        i.unique = tr.ddl.unique || tr.ddl.primary;
        for (const auto &c : tr.ddl.index_columns) i.fields.emplace_back(c.name, c.descending);
        t.indexes.push_back(i);
      }
      store.CreateTable(t);
      Refresh();
      return;
    }
    case StatementKind::CreateIndex: {
      detail::IndexInfo i;
      i.name = tr.ddl.index;
      i.primary = tr.ddl.primary;
      i.unique = tr.ddl.unique || tr.ddl.primary;
      for (const auto &c : tr.ddl.index_columns) i.fields.emplace_back(c.name, c.descending);
      store.CreateIndex(tr.ddl.table, i);
      Refresh();
      return;
    }
    case StatementKind::DropTable:
      store.DropTable(tr.ddl.table);
      Refresh();
      return;
    case StatementKind::DropIndex:
      store.DropIndex(tr.ddl.table, tr.ddl.index);
      Refresh();
      return;
    default:
      break;
  }
  if (tr.parameters.size() > params.size())
    Raise(kErrTooFewParameters, QStringLiteral("Too few parameters. Expected %1.").arg(tr.parameters.size()));
  detail::Stmt st = store.Prepare(tr.sql);
  for (size_t i = 0; i < tr.parameters.size(); ++i)
    st.Bind(static_cast<int>(i) + 1,
            Recorded([&] { return ConvertParameterValue(params[i], tr.parameters[i].jet_type); }));
  st.Step();
  *affected = sqlite3_changes(store.Db());
  store.Touch();
}

void Database::LoadDefinitions() {
  detail::Store &store = GetStore();
  // Definitions the caller already holds are updated in place, so a
  // reference taken before a refresh stays good.
  const Collection<TableDef> old_tables = tabledefs_;
  tabledefs_.Clear();
  for (const QString &name : store.TableNames()) {
    const detail::TableInfo *t = store.FindTable(name);
    std::shared_ptr<TableDef> td;
    for (const auto &o : old_tables)
      if (o->Name().compare(name, Qt::CaseInsensitive) == 0) td = o;
    if (!td) td = std::make_shared<TableDef>();
    td->fields_.Clear();
    td->indexes_.Clear();
    td->name_ = t->name;
    td->attributes_ = t->attributes;
    td->created_ = t->created;
    td->updated_ = t->updated;
    td->db_ = weak_from_this();
    for (const FieldInfo &f : t->columns) {
      FieldInfo info = f;
      if (!(t->attributes & dbSystemObject) && !(f.attributes & dbAutoIncrField)) info.attributes |= dbUpdatableField;
      td->fields_.Add(std::make_shared<Field>(info));
    }
    for (const detail::IndexInfo &i : t->indexes) {
      auto idx = std::make_shared<jet::Index>();
      idx->SetName(i.name);
      idx->SetPrimary(i.primary);
      idx->SetUnique(i.unique);
      idx->SetRequired(i.required);
      idx->SetIgnoreNulls(i.ignore_nulls);
      for (const auto &[fname, desc] : i.fields) idx->Fields().Add(idx->CreateField(fname, desc ? dbDescending : 0));
      td->indexes_.Add(idx);
    }
    tabledefs_.Add(td);
  }
  const Collection<QueryDef> old_queries = querydefs_;
  querydefs_.Clear();
  for (const QString &name : store.QueryNames()) {
    QString stored, sql;
    store.FindQuery(name, &stored, &sql);
    std::shared_ptr<QueryDef> qd;
    for (const auto &o : old_queries)
      if (o->Name().compare(name, Qt::CaseInsensitive) == 0) qd = o;
    if (!qd) qd = std::make_shared<QueryDef>();
    qd->name_ = stored;
    qd->sql_ = sql;
    qd->db_ = weak_from_this();
    qd->stored_ = true;
    rtl::IgnoreFailure("a stored query that no longer translates is listed all the same; opening it reports the error",
                       [&] { qd->Parse(); });
    querydefs_.Add(qd);
  }
  defs_loaded_ = true;
}

Collection<TableDef> &Database::TableDefs() {
  if (!defs_loaded_) LoadDefinitions();
  return tabledefs_;
}

Collection<QueryDef> &Database::QueryDefs() {
  if (!defs_loaded_) LoadDefinitions();
  return querydefs_;
}

void Database::Refresh() {
  GetStore().ReloadCatalogue();
  LoadDefinitions();
}

std::shared_ptr<TableDef> Database::CreateTableDef(const QString &name) {
  auto td = std::make_shared<TableDef>();
  td->name_ = name;
  return td;
}

void Database::AppendTableDef(std::shared_ptr<TableDef> table) {
  detail::Store &store = GetStore();
  detail::TableInfo t;
  t.name = table->Name();
  t.attributes = table->Attributes() & ~dbSystemObject;
  for (const auto &f : table->Fields()) t.columns.push_back(f->Info());
  for (const auto &i : table->Indexes()) {
    detail::IndexInfo ii;
    ii.name = i->Name();
    ii.primary = i->Primary();
    ii.unique = i->Unique();
    ii.required = i->Required();
    ii.ignore_nulls = i->IgnoreNulls();
    for (const auto &f : i->Fields()) ii.fields.emplace_back(f->Name(), (f->Attributes() & dbDescending) != 0);
    t.indexes.push_back(ii);
  }
  store.CreateTable(t);
  table->db_ = weak_from_this();
  LoadDefinitions();
}

void Database::DeleteTableDef(const QString &name) {
  GetStore().DropTable(name);
  LoadDefinitions();
}

std::shared_ptr<QueryDef> Database::CreateQueryDef(const QString &name, const QString &sql) {
  detail::Store &store = GetStore();
  auto qd = std::make_shared<QueryDef>();
  qd->name_ = name;
  qd->sql_ = sql;
  qd->db_ = weak_from_this();
  if (!sql.isEmpty()) qd->Parse();
  if (!name.isEmpty()) {
    if (store.FindTable(name) || store.FindQuery(name, nullptr, nullptr))
      Raise(kErrNameExists, QStringLiteral("Object '%1' already exists.").arg(name));
    qd->stored_ = true;
    store.SaveQuery(name, sql);
    LoadDefinitions();
  }
  return qd;
}

void Database::DeleteQueryDef(const QString &name) {
  GetStore().DeleteQuery(name);
  LoadDefinitions();
}

void Database::SaveQuery(QueryDef &query) { GetStore().SaveQuery(query.Name(), query.SQL()); }

void Database::CreateIndexIn(const QString &table, const jet::Index &index) {
  detail::IndexInfo ii;
  ii.name = index.Name();
  ii.primary = index.Primary();
  ii.unique = index.Unique();
  ii.required = index.Required();
  ii.ignore_nulls = index.IgnoreNulls();
  for (const auto &f : index.Fields()) ii.fields.emplace_back(f->Name(), (f->Attributes() & dbDescending) != 0);
  GetStore().CreateIndex(table, ii);
}

void Database::AddColumnTo(const QString &table, const FieldInfo &field) { GetStore().AddColumn(table, field); }

// ---- TableDef, Index --------------------------------------------------------------

std::shared_ptr<Field> Index::CreateField(const QString &name, int attributes) {
  auto f = std::make_shared<Field>(name, dbText);
  f->SetAttributes(attributes);
  return f;
}

int TableDef::RecordCount() const {
  auto db = db_.lock();
  if (!db) return 0;
  detail::Stmt st = db->GetStore().Prepare(QStringLiteral("SELECT count(*) FROM %1").arg(detail::Store::Quote(name_)));
  st.Step();
  return static_cast<int>(st.Int(0));
}

std::shared_ptr<Field> TableDef::CreateField(const QString &name, int type, int size) {
  return std::make_shared<Field>(name, type, size);
}

std::shared_ptr<jet::Index> TableDef::CreateIndex(const QString &name) {
  auto i = std::make_shared<jet::Index>();
  i->SetName(name);
  return i;
}

void TableDef::AppendField(std::shared_ptr<Field> field) {
  if (auto db = db_.lock()) {
    db->AddColumnTo(name_, field->Info());
    Refresh();
    return;
  }
  if (fields_.Find(field->Name()))
    Raise(kErrNameExists, QStringLiteral("Field '%1' already exists.").arg(field->Name()));
  field->SetOrdinalPosition(fields_.Count());
  fields_.Add(std::move(field));
}

void TableDef::AppendIndex(std::shared_ptr<jet::Index> index) {
  if (auto db = db_.lock()) {
    db->CreateIndexIn(name_, *index);
    Refresh();
    return;
  }
  if (indexes_.Find(index->Name()))
    Raise(kErrNameExists, QStringLiteral("Index '%1' already exists.").arg(index->Name()));
  indexes_.Add(std::move(index));
}

void TableDef::Refresh() {
  auto db = db_.lock();
  if (!db) return;
  db->Refresh();  // updates this very object when it is the listed one
  if (TableDef *fresh = db->TableDefs().Find(name_); fresh && fresh != this) {
    fields_ = fresh->fields_;
    indexes_ = fresh->indexes_;
    attributes_ = fresh->attributes_;
  }
}

RecordsetPtr TableDef::OpenRecordset(int type, int options) {
  auto db = db_.lock();
  if (!db) Raise(kErrInvalidOperation, QStringLiteral("Invalid operation: the table definition is not appended."));
  return db->OpenRecordset(name_, type, options);
}

// ---- QueryDef, Parameter ----------------------------------------------------------

void Parameter::SetValue(const rtl::Variant &value) {
  value_ = Recorded([&] { return ConvertParameterValue(value, type_); });
}

void QueryDef::Parse() {
  auto db = db_.lock();
  if (!db) return;
  detail::Store &store = db->GetStore();
  const TranslatedSql tr = Recorded([&] { return store.Translated(sql_); });
  type_ = QueryType(tr.kind);
  Collection<Parameter> old = params_;
  params_.Clear();
  for (const SqlParameter &p : tr.parameters) {
    auto param = std::make_shared<Parameter>();
    param->name_ = p.name;
    param->type_ = p.jet_type;
    if (Parameter *prev = old.Find(p.name)) {
      param->direction_ = prev->direction_;
      param->value_ = prev->value_;
    }
    params_.Add(param);
  }
}

void QueryDef::SetSQL(const QString &sql) {
  const QString old = sql_;
  sql_ = sql;
  try {
    Parse();
    if (stored_)
      if (auto db = db_.lock()) db->SaveQuery(*this);
  } catch (...) {
    sql_ = old;
    throw;
  }
}

std::vector<rtl::Variant> QueryDef::BoundValues() const {
  std::vector<rtl::Variant> values;
  int missing = 0;
  for (const auto &p : params_) {
    if (p->Value().IsEmpty()) ++missing;
    values.push_back(p->Value());
  }
  if (missing > 0) Raise(kErrTooFewParameters, QStringLiteral("Too few parameters. Expected %1.").arg(missing));
  return values;
}

RecordsetPtr QueryDef::OpenRecordset(int type, int options, int lock, const RowSelection &selection) {
  (void)lock;
  auto db = db_.lock();
  if (!db) Raise(kErrObjectClosed, QString::fromLatin1(kMsgObjectClosed));
  if (type_ != dbQSelect)
    Raise(kErrInvalidOperation, QStringLiteral("Invalid operation: '%1' is an action query.").arg(name_));
  return db->OpenSql(sql_, type, options, BoundValues(), max_records_, name_.isEmpty() ? sql_ : name_, selection);
}

void QueryDef::Execute(int options) {
  auto db = db_.lock();
  if (!db) Raise(kErrObjectClosed, QString::fromLatin1(kMsgObjectClosed));
  db->ExecuteSql(sql_, options, BoundValues(), &records_affected_);
}

}  // namespace jet
