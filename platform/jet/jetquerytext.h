// The SQL text of a stored query of a Jet file. A Jet file keeps no text for
// its queries: each one is a set of rows of its system table MSysQueries
// (the query's type, its flags, tables, columns, joins, conditions, groups
// and order, one row each). RebuildJetQuery writes them back as the Jet SQL
// the engine's translator reads, so a file taken over keeps its queries.
#pragma once

#include <QString>
#include <vector>

namespace jet {

// One row of MSysQueries, in the file's order; absent texts are empty.
struct JetQueryRow {
  int attribute = 0;  // what the row describes (table, column, join...)
  int flag = 0;       // its flag (join kind, query type, select options...)
  QString name1;
  QString name2;
  QString expression;
};

// The kinds a query's type row gives.
enum class JetQueryKind {
  Unknown = 0,
  Select = 1,
  MakeTable = 2,
  Append = 3,
  Update = 4,
  Delete = 5,
  Crosstab = 6,
  DataDefinition = 7,
  PassThrough = 8,
  Union = 9,
};

struct RebuiltQuery {
  JetQueryKind kind = JetQueryKind::Unknown;
  QString sql;      // Jet SQL, ending in ";" (empty when nothing could be read)
  QString problem;  // why the rows could not be read whole (Italian); empty when they were
};

// Never throws: rows it cannot place are left out and named in `problem`.
RebuiltQuery RebuildJetQuery(const std::vector<JetQueryRow> &rows);

// A name as Jet SQL writes it: bare when it is letters, digits and "_" not
// starting with a digit, else in brackets.
QString JetQuoteName(const QString &name);

}  // namespace jet
