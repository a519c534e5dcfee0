// Feeds arbitrary text to the statement translator: it either refuses with
// the engine's error or gives SQLite text that prepares, and running that
// text on a small database fails only with an SQL error, never a crash. The
// catalogue holds tables and stored queries, one of which reads itself.
#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/jet/jetsql.h"

namespace {

sqlite3 *Database() {
  static sqlite3 *db = [] {
    sqlite3 *d = nullptr;
    sqlite3_open(":memory:", &d);
    jet::InstallSqliteExtensions(d);
    sqlite3_exec(d,
                 "CREATE TABLE Giornale (Progressivo INTEGER PRIMARY KEY, Data REAL, "
                 "Barcode18 TEXT COLLATE JETTEXT, Quantita REAL, Tipo TEXT COLLATE JETTEXT);"
                 "CREATE TABLE Giacenza (Barcode18 TEXT COLLATE JETTEXT, Testata TEXT COLLATE JETTEXT, "
                 "CD INTEGER, Ucarico REAL);"
                 "INSERT INTO Giornale VALUES (1, 38352, '1', 2, 'C'), (2, 38352.5, '2', -1, 'S');"
                 "INSERT INTO Giacenza VALUES ('1', 'Corriere', -1, 38000), ('3', NULL, 0, NULL);",
                 nullptr, nullptr, nullptr);
    // Bounds every statement the fuzzer writes (cross joins of many tables).
    sqlite3_progress_handler(
        d, 1000, [](void *) { return 1; }, nullptr);
    return d;
  }();
  return db;
}

jet::SourceInfo Lookup(const QString &name) {
  jet::SourceInfo info;
  info.found = true;
  if (name.compare(QLatin1String("Giornale"), Qt::CaseInsensitive) == 0) {
    info.name = QStringLiteral("Giornale");
    info.columns = {{"Progressivo", jet::dbLong, 4},
                    {"Data", jet::dbDate, 8},
                    {"Barcode18", jet::dbText, 18},
                    {"Quantita", jet::dbDouble, 8},
                    {"Tipo", jet::dbText, 1}};
  } else if (name.compare(QLatin1String("Giacenza"), Qt::CaseInsensitive) == 0) {
    info.name = QStringLiteral("Giacenza");
    info.columns = {{"Barcode18", jet::dbText, 18},
                    {"Testata", jet::dbText, 30},
                    {"CD", jet::dbBoolean, 1},
                    {"Ucarico", jet::dbDate, 8}};
  } else if (name.compare(QLatin1String("un_giorno"), Qt::CaseInsensitive) == 0) {
    info.name = QStringLiteral("un_giorno");
    info.query_sql = QStringLiteral("SELECT * FROM Giornale WHERE Data = [Sel_data]");
  } else if (name.compare(QLatin1String("giro"), Qt::CaseInsensitive) == 0) {
    info.name = QStringLiteral("giro");
    info.query_sql = QStringLiteral("SELECT * FROM giro");
  } else {
    info.found = false;
  }
  return info;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
  jet::TranslatedSql t;
  try {
    jet::TranslateOptions options;
    options.with_rowid = size % 2 == 0;
    t = jet::TranslateSql(text, Lookup, options);
  } catch (const jet::EJetError &e) {
    if (e.Number() < 3000 || e.Description().isEmpty()) std::abort();
    return 0;
  }
  if (t.sql.isEmpty()) return 0;  // definitions are applied by the engine
  sqlite3 *db = Database();
  sqlite3_exec(db, "SAVEPOINT fuzz", nullptr, nullptr, nullptr);
  sqlite3_stmt *st = nullptr;
  const QByteArray sql = t.sql.toUtf8();
  if (sqlite3_prepare_v2(db, sql.constData(), static_cast<int>(sql.size()), &st, nullptr) == SQLITE_OK) {
    for (int i = 1; i <= sqlite3_bind_parameter_count(st); ++i)
      sqlite3_bind_text(st, i, "31/12/2004", -1, SQLITE_STATIC);
    for (int rows = 0; rows < 100 && sqlite3_step(st) == SQLITE_ROW; ++rows) {
    }
  }
  sqlite3_finalize(st);
  sqlite3_exec(db, "ROLLBACK TO fuzz; RELEASE fuzz", nullptr, nullptr, nullptr);
  return 0;
}
