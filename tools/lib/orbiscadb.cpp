// Builds the program's database through the engine's own definition calls,
// so the file carries the same catalogue as any database the engine makes.
#include "tools/lib/orbiscadb.h"

#include <sqlite3.h>

#include <QFile>
#include <random>

#include "platform/jet/jetsql.h"

namespace tools {

namespace {

void AddTable(jet::Database &db, const schema::TTable &table) {
  auto td = db.CreateTableDef(table.Name());
  for (const schema::TColumn &column : table.columns) {
    auto f = td->CreateField(column.Name(), column.type, column.size);
    if (column.default_value) f->SetDefaultValue(QString::fromLatin1(column.default_value));
    if (column.format) f->SetProperty(QStringLiteral("Format"), QString::fromLatin1(column.format));
    if (column.auto_increment) f->SetAttributes(jet::dbAutoIncrField);
    td->AppendField(f);
  }
  auto pk = td->CreateIndex(QStringLiteral("PrimaryKey"));
  pk->SetPrimary(true);
  pk->Fields().Add(pk->CreateField(QString::fromLatin1(table.primary_key)));
  td->AppendIndex(pk);
  for (const schema::TIndex &spec : table.indexes) {
    auto index = td->CreateIndex(spec.Name());
    for (const char *f : spec.fields) index->Fields().Add(index->CreateField(QString::fromLatin1(f)));
    td->AppendIndex(index);
  }
  db.AppendTableDef(td);
}

// "INSERT INTO table (columns...) VALUES (?,...)" over the table's columns
// in their order, leaving out the one the database numbers itself.
QByteArray InsertSql(const schema::TTable &table, const char *verb) {
  QByteArray names, marks;
  for (const schema::TColumn &column : table.columns) {
    if (column.auto_increment) continue;
    if (!names.isEmpty()) {
      names += ", ";
      marks += ",";
    }
    names += column.name;
    marks += "?";
  }
  return QByteArray(verb) + " INTO " + table.name + " (" + names + ") VALUES (" + marks + ")";
}

}  // namespace

jet::DatabasePtr CreateOrbiscaDatabase(jet::DBEngine &engine, const QString &path) {
  using namespace jet;
  DatabasePtr db = engine.CreateDatabase(path, QStringLiteral(";LANGID=0x0409;CP=1252;COUNTRY=0"), dbVersion40);
  for (const schema::TTable *table : schema::kTables) AddTable(*db, *table);
  for (const schema::TStoredQuery *query : schema::kStoredQueries) db->CreateQueryDef(query->Name(), query->Sql());

  // The fixed rows: periodicities and supplement codes.
  {
    auto rs = db->OpenRecordset(schema::Periodo::kTable.Name(), dbOpenTable);
    const struct {
      const char *code, *name;
      int days;
    } periods[] = {{"QUO", "Quotidiano", 2},   {"SET", "Settimanale", 7}, {"QUI", "Quindicinale", 15},
                   {"MEN", "Mensile", 30},     {"BIM", "Bimestrale", 60}, {"TRI", "Trimestrale", 90},
                   {"SEM", "Semestrale", 180}, {"ANN", "Annuale", 365}};
    for (const auto &p : periods) {
      rs->AddNew();
      rs->Fields(schema::Periodo::Periodo.Name()).SetValue(QString::fromLatin1(p.code));
      rs->Fields(schema::Periodo::Descrizione.Name()).SetValue(QString::fromLatin1(p.name));
      rs->Fields(schema::Periodo::Giorni.Name()).SetValue(p.days);
      rs->Update();
    }
  }
  {
    auto rs = db->OpenRecordset(schema::Allegati::kTable.Name(), dbOpenTable);
    for (int i = 0; i <= 9; ++i) {
      rs->AddNew();
      rs->Fields(schema::Allegati::CODICE.Name()).SetValue(QStringLiteral("0%1").arg(i));
      rs->Fields(schema::Allegati::SIGNIFICATO.Name())
          .SetValue(i == 0 ? QStringLiteral("Edizione normale") : QStringLiteral("Con allegato %1").arg(i));
      rs->Update();
    }
  }
  return db;
}

void CreateOrbiscaDatabase(const QString &path) {
  jet::DBEngine engine;
  CreateOrbiscaDatabase(engine, path)->Close();
}

QString StockBarcode(int row) { return QStringLiteral("8%1").arg(row, 17, 10, QLatin1Char('0')); }

void CreateLargeDatabase(const QString &path, const LargeDatabaseOptions &o) {
  CreateOrbiscaDatabase(path);
  sqlite3 *db = nullptr;
  if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    jet::RaiseJetError(jet::kErrEngine, QStringLiteral("Cannot open '%1' to fill it.").arg(path));
  }
  jet::InstallSqliteExtensions(db);
  auto exec = [&](const char *sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
      const QString msg = QString::fromUtf8(sqlite3_errmsg(db));
      sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
      sqlite3_close(db);
      jet::RaiseJetError(jet::kErrEngine, msg);
    }
  };
  auto prepare = [&](const QByteArray &sql) {
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr);
    return st;
  };
  auto text = [](sqlite3_stmt *st, int i, const QString &s) {
    const QByteArray u = s.toUtf8();
    sqlite3_bind_text(st, i, u.constData(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
  };
  std::mt19937 rng(o.seed);
  const char *periods[] = {"QUO", "SET", "QUI", "MEN", "BIM", "TRI", "SEM", "ANN"};
  exec("BEGIN");
  sqlite3_stmt *title = prepare(InsertSql(schema::Riviste::kTable, "INSERT OR IGNORE"));
  sqlite3_stmt *stock = prepare(InsertSql(schema::Giacenza::kTable, "INSERT"));
  for (int i = 0; i < o.stock_rows; ++i) {
    const QString code = StockBarcode(i);
    const double price = 0.5 + static_cast<double>(rng() % 1000) / 100.0;
    const QString name = QStringLiteral("Testata %1").arg(i / 4);
    const char *period = periods[rng() % 8];
    text(title, 1, code.left(13));
    text(title, 2, name);
    text(title, 3, QStringLiteral("F%1").arg(i % 7));
    sqlite3_bind_double(title, 4, price);
    sqlite3_bind_double(title, 5, price * 0.8);
    text(title, 6, QString::fromLatin1(period));
    sqlite3_step(title);
    sqlite3_reset(title);
    const double loaded = o.first_day + static_cast<double>(rng() % static_cast<unsigned>(o.days));
    text(stock, 1, code);
    text(stock, 2, code.left(13));
    text(stock, 3, code.mid(13));
    text(stock, 4, name);
    text(stock, 5, QStringLiteral("Numero %1").arg(i % 52 + 1));
    text(stock, 6, QStringLiteral("F%1").arg(i % 7));
    sqlite3_bind_double(stock, 7, static_cast<double>(rng() % 20));
    sqlite3_bind_double(stock, 8, loaded);
    text(stock, 9, QString::fromLatin1(period));
    sqlite3_bind_double(stock, 10, price);
    sqlite3_bind_double(stock, 11, price * 0.8);
    sqlite3_bind_double(stock, 12, loaded + 30);
    sqlite3_bind_int(stock, 13, (i % 10 == 0) ? -1 : 0);
    if (sqlite3_step(stock) != SQLITE_DONE) exec("SELECT raise(ABORT, 'stock row refused')");
    sqlite3_reset(stock);
  }
  sqlite3_finalize(title);
  sqlite3_finalize(stock);
  sqlite3_stmt *journal = prepare(InsertSql(schema::Giornale::kTable, "INSERT"));
  const char *kinds[] = {"C", "R", "S"};
  for (int j = 0; j < o.journal_rows; ++j) {
    // In date order, as the program appends them day after day.
    const double day = o.first_day + static_cast<double>(static_cast<long long>(j) * o.days / o.journal_rows);
    const int row = static_cast<int>(rng() % static_cast<unsigned>(std::max(o.stock_rows, 1)));
    const int kind = static_cast<int>(rng() % 3);
    const double price = 0.5 + (row % 1000) / 100.0;
    sqlite3_bind_double(journal, 1, day);
    text(journal, 2, StockBarcode(row));
    sqlite3_bind_double(journal, 3,
                        kind == 0 ? static_cast<double>(rng() % 10 + 1) : -static_cast<double>(rng() % 3 + 1));
    sqlite3_bind_double(journal, 4, price);
    text(journal, 5, QString::fromLatin1(kinds[kind]));
    sqlite3_bind_double(journal, 6, price * 0.8);
    if (sqlite3_step(journal) != SQLITE_DONE) exec("SELECT raise(ABORT, 'journal row refused')");
    sqlite3_reset(journal);
  }
  sqlite3_finalize(journal);
  exec("COMMIT");
  exec("ANALYZE");
  sqlite3_close(db);
}

}  // namespace tools
