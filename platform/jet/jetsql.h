// The engine's query language over SQLite. Statements, stored queries,
// recordset filters and sorts, and the criteria of FindFirst/FindNext are
// written in the engine's own SQL dialect: names in [brackets], text in
// double or single quotes, dates as #mm/dd/yyyy#, True/False, `&`, `Mod`,
// `Like` with "*" and "?" wildcards, undeclared names as parameters. One
// tokenizer and one recursive-descent parser read that dialect and write the
// equivalent SQLite text; anything they do not understand is refused with
// error 3075/3131/3134 naming where they stopped, never passed on to SQLite
// as a different query.
//
// Storage conventions the translation relies on (the engine keeps them):
// dates are REAL day counts since 30/12/1899, Yes/No columns are INTEGER
// -1/0, text columns are declared COLLATE JETTEXT. InstallSqliteExtensions
// must run on every connection before a translated statement is prepared.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "platform/jet/jeterror.h"
#include "platform/rtl/variant.h"

struct sqlite3;

namespace jet {

// Field type codes, as the engine reports them in Field.Type.
enum DataTypeEnum : int {
  dbBoolean = 1,
  dbByte = 2,
  dbInteger = 3,
  dbLong = 4,
  dbCurrency = 5,
  dbSingle = 6,
  dbDouble = 7,
  dbDate = 8,
  dbBinary = 9,
  dbText = 10,
  dbLongBinary = 11,
  dbMemo = 12,
  dbGUID = 15,
  // The kinds ODBC sources report; the engine's own tables never hold them.
  dbBigInt = 16,
  dbVarBinary = 17,
  dbChar = 18,
  dbNumeric = 19,
  dbDecimal = 20,
  dbFloat = 21,
  dbTime = 22,
  dbTimeStamp = 23,
};

// No type known (yet): a literal before it meets a column, a parameter
// nothing types, a result column whose branches disagree.
inline constexpr int kUnknownType = 0;

// The text collation: case ignored, accented letters beside their base
// letter ("è" after "e", before "f"). Registered under this name.
inline constexpr const char *kCollationName = "JETTEXT";

struct ColumnInfo {
  QString name;                 // as stored (the case the catalogue keeps)
  int jet_type = kUnknownType;  // DataTypeEnum
  int size = 0;                 // text width in characters
};

// What the catalogue knows about a name used as a source in FROM, INSERT
// INTO, UPDATE or DELETE.
struct SourceInfo {
  bool found = false;
  QString name;                     // as stored
  std::vector<ColumnInfo> columns;  // in table order
  QString query_sql;                // not empty: a stored query's Jet SQL
};
// Looks a table or stored query up by name, case ignored. Called during
// translation only.
using SourceResolver = std::function<SourceInfo(const QString &name)>;

struct SqlParameter {
  QString name;                 // as first written, brackets removed
  int jet_type = kUnknownType;  // from PARAMETERS, else the column it is compared with
};

struct ResultColumn {
  QString name;                 // the field name the recordset shows
  QString source_table;         // a plain column: its table (as stored); else empty
  QString source_column;        // a plain column: the column (as stored)
  int jet_type = kUnknownType;  // unknown: take it from the values
  int size = 0;
  bool aggregate = false;  // Sum/Avg/Count/... (never updatable)
};

enum class StatementKind {
  Select,
  Insert,
  Update,
  Delete,
  CreateTable,
  CreateIndex,
  DropTable,
  DropIndex,
};

struct ColumnDef {
  QString name;
  int jet_type = kUnknownType;
  int size = 0;  // text width; 0 = the type's default (255 for text)
  bool required = false;
  bool auto_increment = false;
};

struct IndexColumnDef {
  QString name;
  bool descending = false;
};

// The parsed form of a DDL statement; the engine applies it to its catalogue
// (the `sql` of such a statement is empty).
struct DdlStatement {
  QString table;
  std::vector<ColumnDef> columns;  // CREATE TABLE
  QString index;                   // CREATE INDEX / DROP INDEX / CONSTRAINT name
  std::vector<IndexColumnDef> index_columns;
  bool unique = false;
  bool primary = false;
};

struct TranslateOptions {
  // For an updatable SELECT, make the row id of its one table the first
  // column of `sql`, named "__rowid" (not listed in `columns`).
  bool with_rowid = false;
};

struct TranslatedSql {
  StatementKind kind = StatementKind::Select;
  // SQLite text; parameters are ?1..?n in `parameters` order. A declared
  // parameter the text never uses has no placeholder: bind only indexes up
  // to sqlite3_bind_parameter_count.
  QString sql;
  std::vector<SqlParameter> parameters;  // de-duplicated, in order of first appearance
  QStringList source_tables;             // tables read, as stored; stored queries expanded
  QString target_table;                  // INSERT/UPDATE/DELETE/DDL: the table written
  // SELECT over exactly one table, without DISTINCT, GROUP BY, aggregates,
  // UNION or TOP: rows can be edited through it.
  bool updatable = false;
  bool rowid_first = false;           // with_rowid honoured
  std::vector<ResultColumn> columns;  // SELECT
  DdlStatement ddl;                   // DDL kinds
};

// Translates one statement (a trailing ";" is allowed). Throws EJetError:
// 3075/3131/3134 for syntax, 3078 for an unknown table or query.
TranslatedSql TranslateSql(const QString &jet_sql, const SourceResolver &resolver,
                           const TranslateOptions &options = {});

// Translates a criteria text (a WHERE condition without the keyword, as
// Filter and FindFirst take it) over the given fields of a recordset.
// Fields are written in the result as quoted names ("Testata"), so the text
// fits `SELECT ... FROM (<recordset's sql>) WHERE <criteria>` or a table.
// A qualified name [T].[F] matches the field F. A name that is no field is
// added to `parameters` when given (?n numbering continues after the ones
// already there), else it raises 3070.
QString TranslateCriteria(const QString &criteria, const std::vector<ColumnInfo> &fields,
                          std::vector<SqlParameter> *parameters = nullptr);

// Translates a Sort text ("[Testata] ASC, [Data] DESC") into ORDER BY terms
// (without the keywords) over the given fields; text ordered by JETTEXT.
QString TranslateSort(const QString &sort, const std::vector<ColumnInfo> &fields);

// Registers on `db`: the collation JETTEXT, the LIKE matcher jetlike(pattern,
// text), and the functions the translator emits (dates over day counts,
// text, conversion, IIf/Nz, First/Last aggregates). Throws EJetError when
// SQLite refuses a registration.
void InstallSqliteExtensions(sqlite3 *db);

// Converts a parameter value to the type the query expects. Text is read in
// the locale of the moment (FormatSettings): "31/12/2004" gives a date,
// "12,50" a double, "True"/"False"/"Sì"/"No" a boolean; "" stays text for
// text parameters and becomes Null otherwise. Non-text values are converted
// by the Variant rules. Unknown type (0) keeps the value. A value that does
// not convert raises EJetError 3464.
rtl::Variant ConvertParameterValue(const rtl::Variant &value, int jet_type);

// The Jet literal texts of a date, for building criteria: "#12/31/2006#",
// with " hh:nn:ss" when there is a time.
QString DateLiteral(rtl::TDateTime value);

// Compares two texts as the JETTEXT collation does (<0, 0, >0).
int CompareText(const QString &a, const QString &b);

// Like: "*" any run, "?" one character, "#" one digit, "[abc]", "[a-z]",
// "[!abc]"; case ignored. A malformed pattern (an unclosed "[", a range
// written backwards) raises EJetError 3075; inside SQL it fails the statement.
bool LikeMatch(const QString &pattern, const QString &text);

}  // namespace jet
