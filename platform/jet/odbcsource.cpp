// ODBC data sources as databases of the engine (see odbcsource.h): the
// connection to the driver manager, the description of the source's
// tables, and the virtual-table module through which the engine's SQLite
// connection reads and writes them.
#include "platform/jet/odbcsource.h"

#include <odbcinst.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

#include <QBuffer>
#include <QDataStream>
#include <QDateTime>
#include <QHash>
#include <algorithm>
#include <cmath>
#include <deque>
#include <variant>
#include <vector>

#include "platform/jet/store.h"
#include "platform/rtl/datetime.h"

namespace jet {

namespace {

constexpr int kErrOdbcCallFailed = 3146;
constexpr int kErrOdbcConnectFailed = 3151;

[[noreturn]] void Raise(int number, const QString &text) {
  detail::RecordError(EJetError(number, text));
  throw EJetError(number, text);
}

bool Ok(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

// The driver manager's and the driver's words about the last call.
QString Diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
  QStringList out;
  for (SQLSMALLINT i = 1; i <= 5; ++i) {
    SQLCHAR state[6] = {0}, text[1024] = {0};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    if (!Ok(SQLGetDiagRecA(type, handle, i, state, &native, text, sizeof text, &length))) break;
    out << QString::fromUtf8(reinterpret_cast<const char *>(text));
  }
  return out.join(QLatin1Char(' '));
}

// A value as the engine's SQLite connection stores it: Yes/No as -1/0,
// dates as day counts.
using Cell = std::variant<std::monostate, qint64, double, QString, QByteArray>;

struct Connection {
  SQLHENV env = SQL_NULL_HENV;
  SQLHDBC dbc = SQL_NULL_HDBC;
  bool connected = false;
  bool read_only = false;
  bool transactions = false;
  bool in_transaction = false;
  QString quote = QStringLiteral("\"");
  ~Connection() {
    if (connected) {
      if (in_transaction) SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_ROLLBACK);
      SQLDisconnect(dbc);
    }
    if (dbc != SQL_NULL_HDBC) SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    if (env != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, env);
  }
  QString Quote(const QString &name) const {
    if (quote.trimmed().isEmpty()) return name;
    QString n = name;
    return quote + n.replace(quote, quote + quote) + quote;
  }
};

struct Column {
  QString name;
  SQLSMALLINT sql_type = SQL_VARCHAR;
  int size = 0;
  int jet_type = dbText;
};

struct Table {
  QString name;       // as the engine lists it
  QString qualified;  // as the source's SQL names it
  std::vector<Column> columns;
  std::vector<int> key;  // the columns of the primary key or a unique index
};

// One statement handle, freed with it.
class Statement {
 public:
  explicit Statement(Connection &c) : c_(c) {
    if (!Ok(SQLAllocHandle(SQL_HANDLE_STMT, c.dbc, &h_))) Fail(QStringLiteral("SQLAllocHandle"), SQL_HANDLE_DBC, c.dbc);
  }
  ~Statement() {
    if (h_ != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, h_);
  }
  Statement(const Statement &) = delete;
  Statement &operator=(const Statement &) = delete;
  SQLHSTMT get() const { return h_; }
  void Check(SQLRETURN rc, const QString &what) {
    if (!Ok(rc) && rc != SQL_NO_DATA) Fail(what, SQL_HANDLE_STMT, h_);
  }
  [[noreturn]] static void Fail(const QString &what, SQLSMALLINT type, SQLHANDLE h) {
    Raise(kErrOdbcCallFailed, QStringLiteral("ODBC--call failed. %1: %2").arg(what, Diagnostics(type, h)));
  }
  QString Error() const { return Diagnostics(SQL_HANDLE_STMT, h_); }

 private:
  Connection &c_;
  SQLHSTMT h_ = SQL_NULL_HSTMT;
};

// Text of a catalogue result column (UTF-8 from the driver manager).
QString TextAt(SQLHSTMT h, SQLUSMALLINT column) {
  char buffer[1024] = {0};
  SQLLEN length = 0;
  if (!Ok(SQLGetData(h, column, SQL_C_CHAR, buffer, sizeof buffer, &length)) || length == SQL_NULL_DATA) return {};
  return QString::fromUtf8(buffer);
}
qint64 IntAt(SQLHSTMT h, SQLUSMALLINT column) {
  SQLBIGINT v = 0;
  SQLLEN length = 0;
  if (!Ok(SQLGetData(h, column, SQL_C_SBIGINT, &v, sizeof v, &length)) || length == SQL_NULL_DATA) return 0;
  return v;
}

int JetType(SQLSMALLINT sql_type, int size) {
  switch (sql_type) {
    case SQL_BIT:
      return dbBoolean;
    case SQL_TINYINT:
      return dbByte;
    case SQL_SMALLINT:
      return dbInteger;
    case SQL_INTEGER:
      return dbLong;
    case SQL_BIGINT:
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_DECIMAL:
    case SQL_NUMERIC:
      return sql_type == SQL_REAL ? dbSingle : dbDouble;
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TYPE_TIMESTAMP:
    case SQL_DATE:
    case SQL_TIME:
    case SQL_TIMESTAMP:
      return dbDate;
    case SQL_BINARY:
    case SQL_VARBINARY:
      return size > 0 && size <= 255 ? dbBinary : dbLongBinary;
    case SQL_LONGVARBINARY:
      return dbLongBinary;
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR:
      return dbMemo;
    default:
      return size > 0 && size <= 255 ? dbText : dbMemo;
  }
}

QString Declaration(const Column &c) {
  const QString n = detail::Store::Quote(c.name);
  switch (c.jet_type) {
    case dbBoolean:
    case dbByte:
    case dbInteger:
    case dbLong:
      return n + QStringLiteral(" INTEGER");
    case dbSingle:
    case dbDouble:
    case dbCurrency:
    case dbDate:
      return n + QStringLiteral(" REAL");
    case dbText:
    case dbMemo:
      return n + QStringLiteral(" TEXT COLLATE ") + QLatin1String(kCollationName);
    default:
      return n + QStringLiteral(" BLOB");
  }
}

// Reads one column of the current row, in pieces when it is long.
Cell ReadCell(SQLHSTMT h, SQLUSMALLINT number, const Column &c) {
  SQLLEN length = 0;
  switch (c.jet_type) {
    case dbBoolean:
    case dbByte:
    case dbInteger:
    case dbLong: {
      SQLBIGINT v = 0;
      if (!Ok(SQLGetData(h, number, SQL_C_SBIGINT, &v, sizeof v, &length)) || length == SQL_NULL_DATA) return {};
      if (c.jet_type == dbBoolean) return qint64(v != 0 ? -1 : 0);
      return qint64(v);
    }
    case dbSingle:
    case dbDouble:
    case dbCurrency: {
      double v = 0;
      if (!Ok(SQLGetData(h, number, SQL_C_DOUBLE, &v, sizeof v, &length)) || length == SQL_NULL_DATA) return {};
      return v;
    }
    case dbDate: {
      SQL_TIMESTAMP_STRUCT ts{};
      if (!Ok(SQLGetData(h, number, SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &length)) || length == SQL_NULL_DATA)
        return {};
      rtl::TDateTime date = 0, time = 0;
      if (c.sql_type != SQL_TYPE_TIME && c.sql_type != SQL_TIME && !rtl::TryEncodeDate(ts.year, ts.month, ts.day, date))
        return {};
      rtl::TryEncodeTime(ts.hour, ts.minute, ts.second, static_cast<int>(ts.fraction / 1000000), time);
      return date + (date < 0 ? -time : time);
    }
    case dbBinary:
    case dbLongBinary: {
      QByteArray out;
      char buffer[8192];
      for (;;) {
        const SQLRETURN rc = SQLGetData(h, number, SQL_C_BINARY, buffer, sizeof buffer, &length);
        if (rc == SQL_NO_DATA) break;
        if (!Ok(rc) || length == SQL_NULL_DATA) return out.isEmpty() ? Cell{} : Cell{out};
        const qint64 got =
            (length == SQL_NO_TOTAL || length > static_cast<SQLLEN>(sizeof buffer)) ? sizeof buffer : length;
        out.append(buffer, got);
        if (rc == SQL_SUCCESS) break;
      }
      return out;
    }
    default: {
      // Text comes as UTF-8 from the driver manager.
      QByteArray out;
      char buffer[8192];
      for (;;) {
        const SQLRETURN rc = SQLGetData(h, number, SQL_C_CHAR, buffer, sizeof buffer, &length);
        if (rc == SQL_NO_DATA) break;
        if (!Ok(rc) || length == SQL_NULL_DATA) return out.isEmpty() ? Cell{} : Cell{QString::fromUtf8(out)};
        const qint64 got =
            (length == SQL_NO_TOTAL || length >= static_cast<SQLLEN>(sizeof buffer)) ? sizeof buffer - 1 : length;
        out.append(buffer, got);
        if (rc == SQL_SUCCESS) break;
      }
      return QString::fromUtf8(out);
    }
  }
}

// Parameters of a statement, kept alive until it has run.
class Parameters {
 public:
  void Add(Statement &st, const Column &c, const Cell &v) {
    const SQLUSMALLINT number = static_cast<SQLUSMALLINT>(++count_);
    indicators_.push_back(0);
    SQLLEN *ind = &indicators_.back();
    SQLRETURN rc;
    if (std::holds_alternative<std::monostate>(v)) {
      *ind = SQL_NULL_DATA;
      rc = SQLBindParameter(st.get(), number, SQL_PARAM_INPUT, SQL_C_CHAR, c.sql_type, c.size > 0 ? c.size : 1, 0,
                            nullptr, 0, ind);
    } else if (c.jet_type == dbDate) {
      const double d = std::holds_alternative<double>(v) ? std::get<double>(v) : double(std::get<qint64>(v));
      int y, m, day, hh, mm, ss, ms;
      rtl::DecodeDate(d, y, m, day);
      rtl::DecodeTime(d, hh, mm, ss, ms);
      auto &ts = timestamps_.emplace_back();
      ts = SQL_TIMESTAMP_STRUCT{static_cast<SQLSMALLINT>(y),
                                static_cast<SQLUSMALLINT>(m),
                                static_cast<SQLUSMALLINT>(day),
                                static_cast<SQLUSMALLINT>(hh),
                                static_cast<SQLUSMALLINT>(mm),
                                static_cast<SQLUSMALLINT>(ss),
                                static_cast<SQLUINTEGER>(ms) * 1000000u};
      *ind = sizeof ts;
      rc = SQLBindParameter(st.get(), number, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 23, 3, &ts, 0,
                            ind);
    } else if (std::holds_alternative<qint64>(v)) {
      auto &n = integers_.emplace_back(std::get<qint64>(v));
      if (c.jet_type == dbBoolean) n = n != 0 ? 1 : 0;
      rc = SQLBindParameter(st.get(), number, SQL_PARAM_INPUT, SQL_C_SBIGINT,
                            c.jet_type == dbBoolean ? SQL_BIT : SQL_BIGINT, 0, 0, &n, 0, ind);
    } else if (std::holds_alternative<double>(v)) {
      auto &n = doubles_.emplace_back(std::get<double>(v));
      rc = SQLBindParameter(st.get(), number, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0, &n, 0, ind);
    } else {
      const QByteArray bytes =
          std::holds_alternative<QString>(v) ? std::get<QString>(v).toUtf8() : std::get<QByteArray>(v);
      auto &b = buffers_.emplace_back(bytes);
      *ind = b.size();
      const bool binary = std::holds_alternative<QByteArray>(v);
      rc = SQLBindParameter(st.get(), number, SQL_PARAM_INPUT, binary ? SQL_C_BINARY : SQL_C_CHAR,
                            binary ? SQL_LONGVARBINARY : (c.jet_type == dbMemo ? SQL_LONGVARCHAR : SQL_VARCHAR),
                            std::max<SQLULEN>(1, b.size()), 0, b.data(), b.size(), ind);
    }
    st.Check(rc, QStringLiteral("SQLBindParameter"));
  }

 private:
  int count_ = 0;
  std::deque<SQLLEN> indicators_;
  std::deque<SQL_TIMESTAMP_STRUCT> timestamps_;
  std::deque<SQLBIGINT> integers_;
  std::deque<double> doubles_;
  std::deque<QByteArray> buffers_;
};

struct Row {
  sqlite3_int64 id = 0;
  std::vector<Cell> cells;
};

QByteArray KeyBytes(const std::vector<Cell> &key) {
  QByteArray out;
  QDataStream s(&out, QIODevice::WriteOnly);
  for (const Cell &c : key) {
    s << qint32(c.index());
    if (auto *i = std::get_if<qint64>(&c)) s << *i;
    if (auto *d = std::get_if<double>(&c)) s << *d;
    if (auto *t = std::get_if<QString>(&c)) s << *t;
    if (auto *b = std::get_if<QByteArray>(&c)) s << *b;
  }
  return out;
}

// What the module is given: the connection and the tables.
struct Source {
  std::shared_ptr<Connection> connection;
  std::vector<Table> tables;
};

struct VTab : sqlite3_vtab {
  std::shared_ptr<Connection> c;
  const Table *t = nullptr;
  // Rows are known to the engine by ids of this connection's life: a key
  // gets the next id the first time it is seen.
  QHash<QByteArray, sqlite3_int64> id_of;
  std::vector<std::vector<Cell>> key_of;  // by id - 1
  std::vector<Row> keyless;               // tables without a key: the last full read
  sqlite3_int64 Id(const std::vector<Cell> &key) {
    const QByteArray k = KeyBytes(key);
    auto it = id_of.find(k);
    if (it != id_of.end()) return *it;
    key_of.push_back(key);
    return *id_of.insert(k, static_cast<sqlite3_int64>(key_of.size()));
  }
  std::vector<Cell> KeyOf(const Row &r) const {
    std::vector<Cell> key;
    for (int k : t->key) key.push_back(r.cells[static_cast<size_t>(k)]);
    return key;
  }
  QString ColumnList() const {
    QStringList cols;
    for (const Column &col : t->columns) cols << c->Quote(col.name);
    return cols.join(QStringLiteral(", "));
  }
  QString KeyCondition() const {
    QStringList terms;
    for (int k : t->key) terms << c->Quote(t->columns[static_cast<size_t>(k)].name) + QStringLiteral(" = ?");
    return terms.join(QStringLiteral(" AND "));
  }
  // Reads the rows (of one key, when given).
  std::vector<Row> Read(const std::vector<Cell> *key) {
    Statement st(*c);
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(ColumnList(), t->qualified);
    Parameters params;
    if (key != nullptr) {
      sql += QStringLiteral(" WHERE ") + KeyCondition();
      for (size_t i = 0; i < t->key.size(); ++i) params.Add(st, t->columns[static_cast<size_t>(t->key[i])], (*key)[i]);
    }
    st.Check(SQLExecDirectA(st.get(), reinterpret_cast<SQLCHAR *>(sql.toUtf8().data()), SQL_NTS), sql);
    std::vector<Row> rows;
    while (Ok(SQLFetch(st.get()))) {
      Row r;
      for (size_t i = 0; i < t->columns.size(); ++i)
        r.cells.push_back(ReadCell(st.get(), static_cast<SQLUSMALLINT>(i + 1), t->columns[i]));
      r.id = t->key.empty() ? static_cast<sqlite3_int64>(rows.size() + 1) : Id(KeyOf(r));
      rows.push_back(std::move(r));
    }
    return rows;
  }
  int Fail(const QString &text) {
    sqlite3_free(zErrMsg);
    zErrMsg = sqlite3_mprintf("%s", text.toUtf8().constData());
    return SQLITE_ERROR;
  }
};

struct Cursor : sqlite3_vtab_cursor {
  std::vector<Row> rows;
  size_t pos = 0;
};

Cell FromValue(sqlite3_value *v) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
      return qint64(sqlite3_value_int64(v));
    case SQLITE_FLOAT:
      return sqlite3_value_double(v);
    case SQLITE_TEXT:
      return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(v)), sqlite3_value_bytes(v));
    case SQLITE_BLOB:
      return QByteArray(static_cast<const char *>(sqlite3_value_blob(v)), sqlite3_value_bytes(v));
    default:
      return {};
  }
}

// Converts a value the engine stores into the column's kind.
Cell ForColumn(const Column &c, Cell v) {
  if (std::holds_alternative<std::monostate>(v)) return v;
  switch (c.jet_type) {
    case dbBoolean:
    case dbByte:
    case dbInteger:
    case dbLong:
      if (auto *d = std::get_if<double>(&v)) return qint64(std::llround(*d));
      return v;
    case dbDate:
    case dbSingle:
    case dbDouble:
    case dbCurrency:
      if (auto *i = std::get_if<qint64>(&v)) return double(*i);
      return v;
    default:
      return v;
  }
}

int xConnect(sqlite3 *db, void *aux, int argc, const char *const *argv, sqlite3_vtab **out, char **error) {
  auto *source = static_cast<Source *>(aux);
  const int index = argc > 3 ? QByteArray(argv[3]).toInt() : -1;
  if (index < 0 || index >= static_cast<int>(source->tables.size())) {
    *error = sqlite3_mprintf("no such source table");
    return SQLITE_ERROR;
  }
  auto *vt = new VTab();
  vt->c = source->connection;
  vt->t = &source->tables[static_cast<size_t>(index)];
  QStringList decls;
  for (const Column &c : vt->t->columns) decls << Declaration(c);
  const int rc = sqlite3_declare_vtab(
      db, QStringLiteral("CREATE TABLE x(%1)").arg(decls.join(QStringLiteral(", "))).toUtf8().constData());
  if (rc != SQLITE_OK) {
    delete vt;
    return rc;
  }
  *out = vt;
  return SQLITE_OK;
}

int xDisconnect(sqlite3_vtab *vtab) {
  delete static_cast<VTab *>(vtab);
  return SQLITE_OK;
}

int xBestIndex(sqlite3_vtab *, sqlite3_index_info *info) {
  for (int i = 0; i < info->nConstraint; ++i) {
    const auto &c = info->aConstraint[i];
    if (c.usable && c.iColumn == -1 && c.op == SQLITE_INDEX_CONSTRAINT_EQ) {
      info->aConstraintUsage[i].argvIndex = 1;
      info->aConstraintUsage[i].omit = 1;
      info->idxNum = 1;
      info->estimatedCost = 1;
      info->estimatedRows = 1;
      info->idxFlags = SQLITE_INDEX_SCAN_UNIQUE;
      return SQLITE_OK;
    }
  }
  info->idxNum = 0;
  info->estimatedCost = 1e6;
  return SQLITE_OK;
}

int xOpen(sqlite3_vtab *, sqlite3_vtab_cursor **out) {
  *out = new Cursor();
  return SQLITE_OK;
}

int xClose(sqlite3_vtab_cursor *cur) {
  delete static_cast<Cursor *>(cur);
  return SQLITE_OK;
}

int xFilter(sqlite3_vtab_cursor *cur, int idx, const char *, int argc, sqlite3_value **argv) {
  auto *c = static_cast<Cursor *>(cur);
  auto *vt = static_cast<VTab *>(cur->pVtab);
  c->rows.clear();
  c->pos = 0;
  try {
    if (idx == 1 && argc == 1) {
      const sqlite3_int64 id = sqlite3_value_int64(argv[0]);
      if (vt->t->key.empty()) {
        for (const Row &r : vt->keyless)
          if (r.id == id) c->rows.push_back(r);
      } else if (id >= 1 && id <= static_cast<sqlite3_int64>(vt->key_of.size())) {
        c->rows = vt->Read(&vt->key_of[static_cast<size_t>(id - 1)]);
      }
    } else {
      c->rows = vt->Read(nullptr);
      if (vt->t->key.empty()) vt->keyless = c->rows;
    }
  } catch (const EJetError &e) {
    return vt->Fail(e.Message());
  }
  return SQLITE_OK;
}

int xNext(sqlite3_vtab_cursor *cur) {
  ++static_cast<Cursor *>(cur)->pos;
  return SQLITE_OK;
}

int xEof(sqlite3_vtab_cursor *cur) {
  auto *c = static_cast<Cursor *>(cur);
  return c->pos >= c->rows.size();
}

int xColumn(sqlite3_vtab_cursor *cur, sqlite3_context *ctx, int n) {
  auto *c = static_cast<Cursor *>(cur);
  const Cell &v = c->rows[c->pos].cells[static_cast<size_t>(n)];
  if (auto *i = std::get_if<qint64>(&v)) {
    sqlite3_result_int64(ctx, *i);
  } else if (auto *d = std::get_if<double>(&v)) {
    sqlite3_result_double(ctx, *d);
  } else if (auto *t = std::get_if<QString>(&v)) {
    const QByteArray utf8 = t->toUtf8();
    sqlite3_result_text(ctx, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
  } else if (auto *b = std::get_if<QByteArray>(&v)) {
    sqlite3_result_blob(ctx, b->constData(), static_cast<int>(b->size()), SQLITE_TRANSIENT);
  } else {
    sqlite3_result_null(ctx);
  }
  return SQLITE_OK;
}

int xRowid(sqlite3_vtab_cursor *cur, sqlite3_int64 *id) {
  auto *c = static_cast<Cursor *>(cur);
  *id = c->rows[c->pos].id;
  return SQLITE_OK;
}

int xUpdate(sqlite3_vtab *vtab, int argc, sqlite3_value **argv, sqlite3_int64 *new_id) {
  auto *vt = static_cast<VTab *>(vtab);
  const Table &t = *vt->t;
  if (vt->c->read_only) return vt->Fail(QStringLiteral("Cannot update. Database or object is read-only."));
  if (t.key.empty())
    return vt->Fail(QStringLiteral("Cannot update '%1': the data source names no key for its rows.").arg(t.name));
  try {
    const bool remove = argc == 1;
    const bool insert = !remove && sqlite3_value_type(argv[0]) == SQLITE_NULL;
    std::vector<Cell> old_key;
    if (!insert) {
      const sqlite3_int64 id = sqlite3_value_int64(argv[0]);
      if (id < 1 || id > static_cast<sqlite3_int64>(vt->key_of.size()))
        return vt->Fail(QStringLiteral("The record is no longer there."));
      old_key = vt->key_of[static_cast<size_t>(id - 1)];
    }
    Statement st(*vt->c);
    Parameters params;
    QString sql;
    std::vector<Cell> values;
    if (!remove)
      for (size_t i = 0; i < t.columns.size(); ++i) values.push_back(ForColumn(t.columns[i], FromValue(argv[i + 2])));
    if (remove) {
      sql = QStringLiteral("DELETE FROM %1 WHERE %2").arg(t.qualified, vt->KeyCondition());
      for (size_t i = 0; i < t.key.size(); ++i) params.Add(st, t.columns[static_cast<size_t>(t.key[i])], old_key[i]);
    } else if (insert) {
      // Columns left Null get the source's defaults.
      QStringList cols, marks;
      for (size_t i = 0; i < t.columns.size(); ++i) {
        if (std::holds_alternative<std::monostate>(values[i])) continue;
        cols << vt->c->Quote(t.columns[i].name);
        marks << QStringLiteral("?");
        params.Add(st, t.columns[i], values[i]);
      }
      sql = cols.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(t.qualified)
                           : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                 .arg(t.qualified, cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
    } else {
      QStringList sets;
      for (size_t i = 0; i < t.columns.size(); ++i) {
        sets << vt->c->Quote(t.columns[i].name) + QStringLiteral(" = ?");
        params.Add(st, t.columns[i], values[i]);
      }
      sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                .arg(t.qualified, sets.join(QStringLiteral(", ")), vt->KeyCondition());
      for (size_t i = 0; i < t.key.size(); ++i) params.Add(st, t.columns[static_cast<size_t>(t.key[i])], old_key[i]);
    }
    const SQLRETURN rc = SQLExecDirectA(st.get(), reinterpret_cast<SQLCHAR *>(sql.toUtf8().data()), SQL_NTS);
    if (!Ok(rc) && rc != SQL_NO_DATA) return vt->Fail(QStringLiteral("ODBC--call failed. ") + st.Error());
    if (remove) return SQLITE_OK;
    std::vector<Cell> key;
    for (int k : t.key) key.push_back(values[static_cast<size_t>(k)]);
    bool known = true;
    for (const Cell &k : key) known = known && !std::holds_alternative<std::monostate>(k);
    if (!known && t.key.size() == 1) {
      // A key the source made itself (a counter): the highest one is the new row's.
      Statement last(*vt->c);
      const QString q = QStringLiteral("SELECT MAX(%1) FROM %2")
                            .arg(vt->c->Quote(t.columns[static_cast<size_t>(t.key[0])].name), t.qualified);
      last.Check(SQLExecDirectA(last.get(), reinterpret_cast<SQLCHAR *>(q.toUtf8().data()), SQL_NTS), q);
      if (Ok(SQLFetch(last.get()))) key[0] = ReadCell(last.get(), 1, t.columns[static_cast<size_t>(t.key[0])]);
      known = !std::holds_alternative<std::monostate>(key[0]);
    }
    if (!known) return vt->Fail(QStringLiteral("The new record needs a value for its key."));
    if (insert) {
      *new_id = vt->Id(key);
    } else {
      // The row keeps its id under its new key.
      const sqlite3_int64 id = sqlite3_value_int64(argv[0]);
      vt->id_of.remove(KeyBytes(old_key));
      vt->id_of.insert(KeyBytes(key), id);
      vt->key_of[static_cast<size_t>(id - 1)] = key;
    }
  } catch (const EJetError &e) {
    return vt->Fail(e.Message());
  }
  return SQLITE_OK;
}

int xBegin(sqlite3_vtab *vtab) {
  auto *vt = static_cast<VTab *>(vtab);
  Connection &c = *vt->c;
  if (c.transactions && !c.in_transaction) {
    if (!Ok(SQLSetConnectAttr(c.dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0)))
      return vt->Fail(QStringLiteral("ODBC--call failed. ") + Diagnostics(SQL_HANDLE_DBC, c.dbc));
    c.in_transaction = true;
  }
  return SQLITE_OK;
}

int End(sqlite3_vtab *vtab, SQLSMALLINT how) {
  auto *vt = static_cast<VTab *>(vtab);
  Connection &c = *vt->c;
  if (!c.in_transaction) return SQLITE_OK;
  c.in_transaction = false;
  const bool ok = Ok(SQLEndTran(SQL_HANDLE_DBC, c.dbc, how));
  SQLSetConnectAttr(c.dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
  return ok ? SQLITE_OK : vt->Fail(QStringLiteral("ODBC--call failed. ") + Diagnostics(SQL_HANDLE_DBC, c.dbc));
}
int xCommit(sqlite3_vtab *vtab) { return End(vtab, SQL_COMMIT); }
int xRollback(sqlite3_vtab *vtab) { return End(vtab, SQL_ROLLBACK); }
int xSync(sqlite3_vtab *) { return SQLITE_OK; }

sqlite3_module Module() {
  sqlite3_module m{};
  m.iVersion = 1;
  m.xCreate = xConnect;
  m.xConnect = xConnect;
  m.xBestIndex = xBestIndex;
  m.xDisconnect = xDisconnect;
  m.xDestroy = xDisconnect;
  m.xOpen = xOpen;
  m.xClose = xClose;
  m.xFilter = xFilter;
  m.xNext = xNext;
  m.xEof = xEof;
  m.xColumn = xColumn;
  m.xRowid = xRowid;
  m.xUpdate = xUpdate;
  m.xBegin = xBegin;
  m.xSync = xSync;
  m.xCommit = xCommit;
  m.xRollback = xRollback;
  return m;
}

// The source's tables and views with their columns and keys.
std::vector<Table> DescribeTables(Connection &c) {
  std::vector<Table> tables;
  struct Name {
    QString catalog, schema, name;
  };
  std::vector<Name> names;
  {
    Statement st(c);
    st.Check(SQLTablesA(st.get(), nullptr, 0, nullptr, 0, nullptr, 0,
                        reinterpret_cast<SQLCHAR *>(const_cast<char *>("TABLE,VIEW")), SQL_NTS),
             QStringLiteral("SQLTables"));
    while (Ok(SQLFetch(st.get()))) names.push_back({TextAt(st.get(), 1), TextAt(st.get(), 2), TextAt(st.get(), 3)});
  }
  QStringList seen;
  for (const Name &n : names) {
    // Names the engine's own catalogue or its SQLite connection keep for
    // themselves (a SQLite source's own bookkeeping tables among them).
    if (n.name.isEmpty() || seen.contains(n.name, Qt::CaseInsensitive) ||
        n.name.startsWith(QLatin1String("MSys"), Qt::CaseInsensitive) ||
        n.name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive))
      continue;
    seen << n.name;
    Table t;
    t.name = n.name;
    t.qualified = (n.schema.isEmpty() ? QString() : c.Quote(n.schema) + QLatin1Char('.')) + c.Quote(n.name);
    const QByteArray cat = n.catalog.toUtf8(), sch = n.schema.toUtf8(), name = n.name.toUtf8();
    auto arg = [](const QByteArray &b) {
      return b.isEmpty() ? nullptr : reinterpret_cast<SQLCHAR *>(const_cast<char *>(b.constData()));
    };
    {
      Statement st(c);
      st.Check(SQLColumnsA(st.get(), arg(cat), SQL_NTS, arg(sch), SQL_NTS, arg(name), SQL_NTS, nullptr, 0),
               QStringLiteral("SQLColumns"));
      while (Ok(SQLFetch(st.get()))) {
        Column col;
        col.name = TextAt(st.get(), 4);
        col.sql_type = static_cast<SQLSMALLINT>(IntAt(st.get(), 5));
        col.size = static_cast<int>(IntAt(st.get(), 7));
        col.jet_type = JetType(col.sql_type, col.size);
        if (col.jet_type == dbText && col.size <= 0) col.size = 255;
        t.columns.push_back(col);
      }
    }
    auto column_index = [&](const QString &name) {
      for (size_t i = 0; i < t.columns.size(); ++i)
        if (t.columns[i].name.compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
      return -1;
    };
    {
      Statement st(c);
      std::vector<std::pair<qint64, int>> key;
      if (Ok(SQLPrimaryKeysA(st.get(), arg(cat), SQL_NTS, arg(sch), SQL_NTS, arg(name), SQL_NTS)))
        while (Ok(SQLFetch(st.get()))) key.emplace_back(IntAt(st.get(), 5), column_index(TextAt(st.get(), 4)));
      std::sort(key.begin(), key.end());
      for (const auto &[seq, col] : key)
        if (col >= 0) t.key.push_back(col);
    }
    if (t.key.empty()) {
      // Else the first unique index.
      Statement st(c);
      QString first;
      if (Ok(SQLStatisticsA(st.get(), arg(cat), SQL_NTS, arg(sch), SQL_NTS, arg(name), SQL_NTS, SQL_INDEX_UNIQUE,
                            SQL_QUICK)))
        while (Ok(SQLFetch(st.get()))) {
          const QString index = TextAt(st.get(), 6);
          if (index.isEmpty() || IntAt(st.get(), 4) != 0) continue;
          if (first.isEmpty()) first = index;
          if (index != first) break;
          const int col = column_index(TextAt(st.get(), 9));
          if (col >= 0) t.key.push_back(col);
        }
    }
    if (!t.columns.empty()) tables.push_back(std::move(t));
  }
  return tables;
}

SQLHENV Environment() {
  SQLHENV env = SQL_NULL_HENV;
  if (!Ok(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) return SQL_NULL_HENV;
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  return env;
}

}  // namespace

bool IsOdbcConnect(const QString &connect) {
  return connect.trimmed().startsWith(QLatin1String("ODBC;"), Qt::CaseInsensitive);
}

std::shared_ptr<detail::Store> OpenOdbcStore(const QString &connect, bool read_only) {
  auto c = std::make_shared<Connection>();
  c->read_only = read_only;
  c->env = Environment();
  if (c->env == SQL_NULL_HENV)
    Raise(kErrOdbcConnectFailed, QStringLiteral("ODBC--connection failed: no driver manager."));
  if (!Ok(SQLAllocHandle(SQL_HANDLE_DBC, c->env, &c->dbc)))
    Raise(kErrOdbcConnectFailed, QStringLiteral("ODBC--connection failed: ") + Diagnostics(SQL_HANDLE_ENV, c->env));
  // The driver manager reads "KEY=value;" pairs; empty ones are left out.
  QStringList pairs;
  for (const QString &p : connect.trimmed().mid(5).split(QLatin1Char(';'), Qt::SkipEmptyParts))
    if (p.contains(QLatin1Char('=')) && !p.section(QLatin1Char('='), 1).isEmpty()) pairs << p;
  QByteArray in = pairs.join(QLatin1Char(';')).toUtf8();
  SQLCHAR out[1024];
  SQLSMALLINT out_length = 0;
  const SQLRETURN rc = SQLDriverConnectA(c->dbc, nullptr, reinterpret_cast<SQLCHAR *>(in.data()), SQL_NTS, out,
                                         sizeof out, &out_length, SQL_DRIVER_NOPROMPT);
  if (!Ok(rc))
    Raise(kErrOdbcConnectFailed, QStringLiteral("ODBC--connection to '%1' failed. %2")
                                     .arg(QString::fromUtf8(in), Diagnostics(SQL_HANDLE_DBC, c->dbc)));
  c->connected = true;
  if (read_only) SQLSetConnectAttr(c->dbc, SQL_ATTR_ACCESS_MODE, reinterpret_cast<SQLPOINTER>(SQL_MODE_READ_ONLY), 0);
  SQLUSMALLINT txn = 0;
  c->transactions = Ok(SQLGetInfo(c->dbc, SQL_TXN_CAPABLE, &txn, sizeof txn, nullptr)) && txn != SQL_TC_NONE;
  char quote[8] = {0};
  if (Ok(SQLGetInfoA(c->dbc, SQL_IDENTIFIER_QUOTE_CHAR, quote, sizeof quote, nullptr)))
    c->quote = QString::fromUtf8(quote);

  auto source = std::make_unique<Source>();
  source->connection = c;
  source->tables = DescribeTables(*c);

  std::shared_ptr<detail::Store> store = detail::Store::Create(QStringLiteral(":memory:"));
  static const sqlite3_module module = Module();
  Source *raw = source.release();
  if (sqlite3_create_module_v2(store->Db(), "jetodbc", &module, raw,
                               [](void *p) { delete static_cast<Source *>(p); }) != SQLITE_OK)
    Raise(kErrOdbcConnectFailed, QStringLiteral("ODBC--the source's tables cannot be reached."));
  const double now = rtl::FromQDateTime(QDateTime::currentDateTime());
  for (size_t i = 0; i < raw->tables.size(); ++i) {
    const Table &t = raw->tables[i];
    store->Exec(QStringLiteral("CREATE VIRTUAL TABLE %1 USING jetodbc(%2)").arg(detail::Store::Quote(t.name)).arg(i));
    detail::Stmt obj = store->Prepare(QStringLiteral(
        "INSERT INTO MSysObjects (Name, Type, Attributes, DateCreate, DateUpdate) VALUES (?1, 1, 0, ?2, ?2)"));
    obj.Bind(1, t.name);
    obj.Bind(2, now);
    obj.Step();
    for (size_t k = 0; k < t.columns.size(); ++k) {
      const Column &col = t.columns[k];
      detail::Stmt st = store->Prepare(
          QStringLiteral("INSERT INTO MSysColumns (TableName, Name, Ordinal, Type, Size, Attributes, Required, "
                         "AllowZeroLength) VALUES (?1, ?2, ?3, ?4, ?5, ?6, 0, 1)"));
      st.Bind(1, t.name);
      st.Bind(2, col.name);
      st.Bind(3, static_cast<int>(k));
      st.Bind(4, col.jet_type);
      st.Bind(5, col.jet_type == dbText ? std::min(col.size, 255) : FieldInfo::DefaultSize(col.jet_type));
      st.Bind(6, (col.jet_type == dbText || col.jet_type == dbMemo ? dbVariableField : dbFixedField) |
                     (raw->tables[i].key.empty() || read_only ? 0 : dbUpdatableField));
      st.Step();
    }
    for (size_t k = 0; k < t.key.size(); ++k) {
      detail::Stmt st = store->Prepare(QStringLiteral(
          "INSERT INTO MSysIndexes (TableName, Name, Ordinal, FieldName, Descending, IsPrimary, IsUnique, "
          "Required, IgnoreNulls) VALUES (?1, 'PrimaryKey', ?2, ?3, 0, 1, 1, 1, 0)"));
      st.Bind(1, t.name);
      st.Bind(2, static_cast<int>(k));
      st.Bind(3, t.columns[static_cast<size_t>(t.key[k])].name);
      st.Step();
    }
  }
  store->ReloadCatalogue();
  return store;
}

QStringList OdbcDrivers() {
  QStringList out;
  SQLHENV env = Environment();
  if (env == SQL_NULL_HENV) return out;
  SQLCHAR name[256], attributes[1024];
  SQLSMALLINT name_length = 0, attributes_length = 0;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  while (Ok(SQLDriversA(env, direction, name, sizeof name, &name_length, attributes, sizeof attributes,
                        &attributes_length))) {
    out << QString::fromUtf8(reinterpret_cast<const char *>(name));
    direction = SQL_FETCH_NEXT;
  }
  SQLFreeHandle(SQL_HANDLE_ENV, env);
  return out;
}

QStringList OdbcDataSources(bool user) {
  QStringList out;
  SQLHENV env = Environment();
  if (env == SQL_NULL_HENV) return out;
  SQLCHAR name[256], description[1024];
  SQLSMALLINT name_length = 0, description_length = 0;
  SQLUSMALLINT direction = user ? SQL_FETCH_FIRST_USER : SQL_FETCH_FIRST_SYSTEM;
  while (Ok(SQLDataSourcesA(env, direction, name, sizeof name, &name_length, description, sizeof description,
                            &description_length))) {
    out << QString::fromUtf8(reinterpret_cast<const char *>(name));
    direction = SQL_FETCH_NEXT;
  }
  SQLFreeHandle(SQL_HANDLE_ENV, env);
  return out;
}

QString OdbcDataSourceFile(const QString &source) {
  const QByteArray dsn = source.toUtf8();
  for (const char *key : {"DBQ", "Database"}) {
    char value[1024] = {0};
    const int n = SQLGetPrivateProfileString(dsn.constData(), key, "", value, sizeof value, "odbc.ini");
    if (n > 0 && value[0] != '\0') return QString::fromUtf8(value);
  }
  return QString();
}

QStringList InstallableFormats() {
  return {QStringLiteral("Excel 3.0"),   QStringLiteral("Excel 4.0"),   QStringLiteral("Excel 5.0"),
          QStringLiteral("Excel 8.0"),   QStringLiteral("Paradox 3.X"), QStringLiteral("Paradox 4.X"),
          QStringLiteral("Paradox 5.X"), QStringLiteral("Paradox 7.X"), QStringLiteral("dBase III"),
          QStringLiteral("dBase IV"),    QStringLiteral("dBase 5.0"),   QStringLiteral("FoxPro 2.0"),
          QStringLiteral("FoxPro 2.5"),  QStringLiteral("FoxPro 2.6"),  QStringLiteral("FoxPro 3.0"),
          QStringLiteral("HTML Export"), QStringLiteral("Text")};
}

}  // namespace jet
