// Builds the program's database through the engine's own definition calls,
// so the file carries the same catalogue as any database the engine makes.
#include "tools/lib/orbiscadb.h"

#include <sqlite3.h>

#include <QFile>
#include <QStringList>
#include <random>

#include "platform/jet/jetsql.h"

namespace tools {

namespace {

struct FieldSpec {
  const char *name;
  int type;
  int size;
  const char *default_value;
  const char *format;
};

void AddTable(jet::Database &db, const char *name, std::initializer_list<FieldSpec> fields, const char *key,
              bool auto_key = false) {
  auto td = db.CreateTableDef(QString::fromLatin1(name));
  for (const FieldSpec &spec : fields) {
    auto f = td->CreateField(QString::fromLatin1(spec.name), spec.type, spec.size);
    if (spec.default_value) f->SetDefaultValue(QString::fromLatin1(spec.default_value));
    if (spec.format) f->SetProperty(QStringLiteral("Format"), QString::fromLatin1(spec.format));
    if (auto_key && qstrcmp(spec.name, key) == 0) f->SetAttributes(jet::dbAutoIncrField);
    td->AppendField(f);
  }
  auto pk = td->CreateIndex(QStringLiteral("PrimaryKey"));
  pk->SetPrimary(true);
  pk->Fields().Add(pk->CreateField(QString::fromLatin1(key)));
  td->AppendIndex(pk);
  db.AppendTableDef(td);
}

void AddIndex(jet::Database &db, const char *table, const char *name, std::initializer_list<const char *> fields) {
  auto &td = db.TableDefs().Item(QString::fromLatin1(table));
  auto index = td.CreateIndex(QString::fromLatin1(name));
  for (const char *f : fields) index->Fields().Add(index->CreateField(QString::fromLatin1(f)));
  td.AppendIndex(index);
}

QString Lines(std::initializer_list<const char *> lines) {
  QStringList out;
  for (const char *l : lines) out << QString::fromLatin1(l);
  return out.join(QStringLiteral("\r\n"));
}

}  // namespace

jet::DatabasePtr CreateOrbiscaDatabase(jet::DBEngine &engine, const QString &path) {
  using namespace jet;
  DatabasePtr db = engine.CreateDatabase(path, QStringLiteral(";LANGID=0x0409;CP=1252;COUNTRY=0"), dbVersion40);
  AddTable(*db, "Riviste",
           {{"Barcode", dbText, 13, nullptr, nullptr},
            {"Nome", dbText, 30, nullptr, nullptr},
            {"Fornitore", dbText, 5, nullptr, nullptr},
            {"Prezzo_V", dbDouble, 0, "0", nullptr},
            {"Prezzo_A", dbDouble, 0, "0", nullptr},
            {"Periodo", dbText, 3, nullptr, nullptr}},
           "Barcode");
  AddTable(*db, "Giacenza",
           {{"Barcode18", dbText, 18, nullptr, nullptr},
            {"Barcode", dbText, 13, nullptr, nullptr},
            {"Addon", dbText, 5, nullptr, nullptr},
            {"Testata", dbText, 30, nullptr, nullptr},
            {"Descrizione", dbText, 30, nullptr, nullptr},
            {"Fornitore", dbText, 5, nullptr, nullptr},
            {"Giacenza", dbDouble, 0, "0", nullptr},
            {"Ucarico", dbDate, 0, nullptr, "Short Date"},
            {"Periodo", dbText, 3, nullptr, nullptr},
            {"Prezzo_V", dbDouble, 0, "0", nullptr},
            {"Prezzo_A", dbDouble, 0, "0", nullptr},
            {"Scadenza", dbDate, 0, nullptr, "Short Date"},
            {"CD", dbBoolean, 0, "No", "Yes/No"}},
           "Barcode18");
  AddTable(*db, "Giornale",
           {{"Progressivo", dbLong, 0, nullptr, nullptr},
            {"Data", dbDate, 0, nullptr, "Short Date"},
            {"Barcode18", dbText, 18, nullptr, nullptr},
            {"Quantita", dbDouble, 0, "0", nullptr},
            {"Prezzo_V", dbDouble, 0, "0", nullptr},
            {"Tipo", dbText, 1, nullptr, nullptr},
            {"Prezzo_A", dbDouble, 0, "0", nullptr}},
           "Progressivo", true);
  AddIndex(*db, "Giornale", "DataTipo", {"Data", "Tipo"});
  AddIndex(*db, "Giornale", "Barcode18", {"Barcode18"});
  AddTable(*db, "Periodo",
           {{"Periodo", dbText, 3, nullptr, nullptr},
            {"Descrizione", dbText, 15, nullptr, nullptr},
            {"Giorni", dbInteger, 0, "0", nullptr}},
           "Periodo");
  AddTable(*db, "Allegati", {{"CODICE", dbText, 2, nullptr, nullptr}, {"SIGNIFICATO", dbText, 30, nullptr, nullptr}},
           "CODICE");

  db->CreateQueryDef(
      QStringLiteral("un_giorno"),
      Lines({"SELECT Giornale.Progressivo, Giornale.Data, Giacenza.Testata, Giacenza.Descrizione, "
             "Giornale.Quantita, Giornale.Tipo, Giornale.Prezzo_A, Giornale.Prezzo_V, Giornale.Barcode18",
             "FROM Giornale LEFT JOIN Giacenza ON Giornale.Barcode18 = Giacenza.Barcode18",
             "WHERE (((Giornale.Data)=[Sel_data]) AND ((Giornale.Tipo)=[Sel_tipo]))",
             "ORDER BY Giornale.Progressivo DESC;"}));
  db->CreateQueryDef(QStringLiteral("totali"),
                     Lines({"SELECT Giornale.Data, Giornale.Tipo, Sum(Giornale.[Quantita]*[Prezzo_A]) AS Acquisto, "
                            "Sum(Giornale.[quantita]*[Prezzo_V]) AS Vendita",
                            "FROM Giornale", "GROUP BY Giornale.Data, Giornale.Tipo",
                            "HAVING (((Giornale.Data)=[Sel_data]) AND ((Giornale.Tipo)=[Sel_tipo]));"}));
  db->CreateQueryDef(
      QStringLiteral("Storico"),
      Lines({"SELECT Giornale.Data, Giornale.Tipo, Giornale.Quantita, Giornale.Prezzo_A, "
             "Giornale.Prezzo_V, Giornale.Barcode18",
             "FROM Giornale", "WHERE (((Giornale.Barcode18)=[sel_barcode]))", "ORDER BY Giornale.Progressivo DESC;"}));
  db->CreateQueryDef(QStringLiteral("StampaGiornale"),
                     Lines({"SELECT Giornale.Progressivo, Giornale.Data, Giornale.Tipo, Giornale.Barcode18, "
                            "Giacenza.Testata, Giacenza.Descrizione, Giacenza.Fornitore, Giacenza.CD, "
                            "Giacenza.Periodo, Giacenza.Scadenza, Giornale.Quantita, Giornale.Prezzo_A, "
                            "Giornale.Prezzo_V, Giornale.[Prezzo_A]*[Quantita] AS Valore_A, "
                            "Giornale.[Prezzo_V]*[Quantita] AS Valore_V",
                            "FROM Giornale LEFT JOIN Giacenza ON Giornale.Barcode18 = Giacenza.Barcode18",
                            "ORDER BY Giornale.Progressivo;"}));

  // The fixed rows: periodicities and supplement codes.
  {
    auto rs = db->OpenRecordset(QStringLiteral("Periodo"), dbOpenTable);
    const struct {
      const char *code, *name;
      int days;
    } periods[] = {{"QUO", "Quotidiano", 2},   {"SET", "Settimanale", 7}, {"QUI", "Quindicinale", 15},
                   {"MEN", "Mensile", 30},     {"BIM", "Bimestrale", 60}, {"TRI", "Trimestrale", 90},
                   {"SEM", "Semestrale", 180}, {"ANN", "Annuale", 365}};
    for (const auto &p : periods) {
      rs->AddNew();
      rs->Fields(QStringLiteral("Periodo")).SetValue(QString::fromLatin1(p.code));
      rs->Fields(QStringLiteral("Descrizione")).SetValue(QString::fromLatin1(p.name));
      rs->Fields(QStringLiteral("Giorni")).SetValue(p.days);
      rs->Update();
    }
  }
  {
    auto rs = db->OpenRecordset(QStringLiteral("Allegati"), dbOpenTable);
    for (int i = 0; i <= 9; ++i) {
      rs->AddNew();
      rs->Fields(QStringLiteral("CODICE")).SetValue(QStringLiteral("0%1").arg(i));
      rs->Fields(QStringLiteral("SIGNIFICATO"))
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
  auto prepare = [&](const char *sql) {
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    return st;
  };
  auto text = [](sqlite3_stmt *st, int i, const QString &s) {
    const QByteArray u = s.toUtf8();
    sqlite3_bind_text(st, i, u.constData(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
  };
  std::mt19937 rng(o.seed);
  const char *periods[] = {"QUO", "SET", "QUI", "MEN", "BIM", "TRI", "SEM", "ANN"};
  exec("BEGIN");
  sqlite3_stmt *title = prepare(
      "INSERT OR IGNORE INTO Riviste (Barcode, Nome, Fornitore, Prezzo_V, Prezzo_A, Periodo) VALUES (?,?,?,?,?,?)");
  sqlite3_stmt *stock = prepare(
      "INSERT INTO Giacenza (Barcode18, Barcode, Addon, Testata, Descrizione, Fornitore, Giacenza, Ucarico,"
      " Periodo, Prezzo_V, Prezzo_A, Scadenza, CD) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)");
  for (int i = 0; i < o.stock_rows; ++i) {
    const QString code = StockBarcode(i);
    const double price = 0.5 + (rng() % 1000) / 100.0;
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
    const double loaded = o.first_day + rng() % static_cast<unsigned>(o.days);
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
  sqlite3_stmt *journal =
      prepare("INSERT INTO Giornale (Data, Barcode18, Quantita, Prezzo_V, Tipo, Prezzo_A) VALUES (?,?,?,?,?,?)");
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
