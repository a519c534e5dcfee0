// The program's database: the builder that creates an empty "orbisca4.mdb"
// with the tables, keys, indexes and stored queries the program declares
// (app/schema) and the fixed rows (used by orbisca-mkdb and by every test
// that needs the real schema), and the
// generator of a large database of the same shape for the benchmarks.
#pragma once

#include <QString>
#include <cstdint>

#include "app/schema/schema.h"
#include "platform/jet/engine.h"

namespace tools {

// The file name the program opens in its data folder.
using schema::kDatabaseFileName;

// Creates the database file at `path` (refused when the file exists) and
// returns it open.
jet::DatabasePtr CreateOrbiscaDatabase(jet::DBEngine &engine, const QString &path);
// Creates and closes it.
void CreateOrbiscaDatabase(const QString &path);

struct LargeDatabaseOptions {
  int stock_rows = 50000;
  int journal_rows = 1000000;
  int days = 730;            // the journal spreads over these days...
  double first_day = 45658;  // ...from this one (01/01/2025)
  std::uint32_t seed = 4;
};

// Creates a database with the program's schema and fills Giacenza, Riviste
// and Giornale with generated rows, writing through SQLite in one
// transaction. The codes are "8" followed by 17 digits of the row number,
// so test code can name any of them: StockBarcode(i) for 0 <= i < rows.
void CreateLargeDatabase(const QString &path, const LargeDatabaseOptions &options = {});
QString StockBarcode(int row);

}  // namespace tools
