// What the translator tells the engine about a statement (parameters, result
// fields, updatability, DDL) and how it refuses what it does not know.
#include "tests/platform/jet/sql_fixture.h"

namespace jet::test {
namespace {

using Translate = SqlFixture;

int ErrorOf(const std::function<void()> &f, QString *message = nullptr) {
  try {
    f();
  } catch (const EJetError &e) {
    if (message) *message = e.Description();
    return e.Number();
  } catch (...) {
    return -1;
  }
  return 0;
}

TEST_F(Translate, ParametersComeInOrderOfAppearanceWithTheTypeOfTheirColumn) {
  TranslatedSql t = TranslateSql(
      QStringLiteral("SELECT [Nota] AS N, Data FROM Giornale WHERE Tipo = [Sel tipo] AND ([Sel_data] <= Data "
                     "OR [sel tipo] = \"X\") AND Quantita > [soglia] * 2"),
      Resolver());
  ASSERT_EQ(t.parameters.size(), 4u);
  EXPECT_EQ(t.parameters[0].name, QStringLiteral("Nota"));
  EXPECT_EQ(t.parameters[1].name, QStringLiteral("Sel tipo"));
  EXPECT_EQ(t.parameters[1].jet_type, dbText);
  EXPECT_EQ(t.parameters[2].jet_type, dbDate);
  EXPECT_EQ(t.parameters[3].jet_type, 0);  // inside arithmetic: unknown
  EXPECT_EQ(t.sql.count(QStringLiteral("?2")), 2);

  // A PARAMETERS clause comes first and fixes the types.
  t = TranslateSql(QStringLiteral("PARAMETERS [quando] DateTime, quanti Long;\n"
                                  "SELECT * FROM Giornale WHERE Quantita > quanti AND Data = quando"),
                   Resolver());
  ASSERT_EQ(t.parameters.size(), 2u);
  EXPECT_EQ(t.parameters[0].name, QStringLiteral("quando"));
  EXPECT_EQ(t.parameters[0].jet_type, dbDate);
  EXPECT_EQ(t.parameters[1].jet_type, dbLong);
  EXPECT_TRUE(t.sql.contains(QStringLiteral("> ?2")));
}

TEST_F(Translate, ResultFieldsKeepTypesAndOrigins) {
  TranslatedSql t =
      TranslateSql(QStringLiteral("SELECT Giornale.Data, Sum(Quantita*Prezzo_A) AS Acquisto, Count(*), Sum(Quantita), "
                                  "Max(Tipo) FROM Giornale GROUP BY Giornale.Data"),
                   Resolver());
  ASSERT_EQ(t.columns.size(), 5u);
  EXPECT_EQ(t.columns[0].name, QStringLiteral("Data"));
  EXPECT_EQ(t.columns[0].jet_type, dbDate);
  EXPECT_EQ(t.columns[0].source_table, QStringLiteral("Giornale"));
  EXPECT_EQ(t.columns[1].jet_type, dbDouble);
  EXPECT_TRUE(t.columns[1].aggregate);
  EXPECT_EQ(t.columns[2].name, QStringLiteral("Expr1000"));
  EXPECT_EQ(t.columns[2].jet_type, dbLong);
  EXPECT_EQ(t.columns[3].name, QStringLiteral("SumOfQuantita"));
  EXPECT_EQ(t.columns[4].jet_type, dbText);
  EXPECT_EQ(t.columns[4].size, 1);
  EXPECT_FALSE(t.updatable);

  // The same field name from two tables is told apart by its table.
  t = TranslateSql(QStringLiteral("SELECT * FROM Giornale INNER JOIN Giacenza ON Giornale.Barcode18 = "
                                  "Giacenza.Barcode18"),
                   Resolver());
  ASSERT_EQ(t.columns.size(), 20u);
  EXPECT_EQ(t.columns[2].name, QStringLiteral("Giornale.Barcode18"));
  EXPECT_EQ(t.columns[7].name, QStringLiteral("Giacenza.Barcode18"));
  EXPECT_EQ(t.columns[1].name, QStringLiteral("Data"));
  EXPECT_FALSE(t.updatable);
  EXPECT_EQ(t.source_tables, QStringList({"Giornale", "Giacenza"}));
}

TEST_F(Translate, OnlyPlainSingleTableSelectsAreUpdatable) {
  TranslateOptions rowid;
  rowid.with_rowid = true;
  TranslatedSql t =
      TranslateSql(QStringLiteral("select * from giacenza where cd = true order by testata"), Resolver(), rowid);
  EXPECT_TRUE(t.updatable);
  EXPECT_TRUE(t.rowid_first);
  EXPECT_TRUE(t.sql.startsWith(QStringLiteral("SELECT \"Giacenza\".rowid AS \"__rowid\", ")));
  EXPECT_EQ(t.columns.size(), 13u);
  EXPECT_EQ(t.columns[3].source_column, QStringLiteral("Testata"));  // the stored case
  const char *not_updatable[] = {
      "SELECT DISTINCT Testata FROM Giacenza",        "SELECT TOP 5 * FROM Giacenza",
      "SELECT Tipo FROM Giornale GROUP BY Tipo",      "SELECT Count(*) FROM Giornale",
      "SELECT Giornale.Tipo FROM Giornale, Giacenza", "SELECT Tipo FROM Giornale UNION SELECT Periodo FROM Periodo",
  };
  for (const char *sql : not_updatable) {
    t = TranslateSql(QString::fromLatin1(sql), Resolver(), rowid);
    EXPECT_FALSE(t.updatable) << sql;
    EXPECT_FALSE(t.sql.contains(QStringLiteral("__rowid"))) << sql;
  }
  EXPECT_TRUE(TranslateSql(QStringLiteral("SELECT DISTINCTROW Testata FROM Giacenza"), Resolver()).updatable);
}

TEST_F(Translate, StatementsTheTranslatorDoesNotKnowAreRefusedWithWhereItStopped) {
  struct Case {
    const char *sql;
    int number;
    const char *in_message;
  };
  const Case cases[] = {
      {"SELECT * FROM Giornale WHERE Data = Format2(Data)", kErrUndefinedFunction, "Format2"},
      {"SELECT * FROM Giornale WHERE Tipo = ", kErrSyntaxInQueryExpr, "missing operand"},
      {"SELECT * FROM Giornale WHERE Tipo = \"C", kErrSyntaxInQueryExpr, "\"C"},
      {"SELECT * FROM Giornale WHERE Data = #31/31/2006#", kErrSyntaxInQueryExpr, "31/31/2006"},
      {"SELECT * FROM Giornale WHERE [Tipo = 1", kErrSyntaxInQueryExpr, "[Tipo"},
      {"SELECT * FROM Giornale WHERE Tipo = 1 Tipo", kErrCharactersAfterEnd, "Tipo"},
      {"SELECT * FROM Giornale; SELECT 1", kErrCharactersAfterEnd, "SELECT 1"},
      {"SELECT * FROM Manca", kErrTableNotFound, "Manca"},
      {"SELECT * FROM Giornale G INNER JOIN Giacenza", kErrSyntaxInFrom, "ON"},
      {"SELECT * FROM Giornale INNER JOIN Giacenza ON Barcode18 = Barcode18", kErrAmbiguousField, "Barcode18"},
      {"SELECT TOP 200 PERCENT * FROM Giornale", kErrSyntaxInQueryExpr, "PERCENT"},
      {"SELECT Sum(Sum(Quantita)) FROM Giornale", kErrSyntaxInQueryExpr, "aggregate"},
      {"SELECT * FROM Giornale WHERE Sum(Quantita) > 1", kErrSyntaxInQueryExpr, "aggregate"},
      {"SELECT Left(Tipo) FROM Giornale", kErrSyntaxInQueryExpr, "Wrong number of arguments"},
      {"SELECT * INTO Copia FROM Giornale", kErrSyntaxInSql, "INTO"},
      {"SELECT * FROM Giornale IN 'altro.mdb'", kErrSyntaxInFrom, "external"},
      {"TRANSFORM Sum(Quantita) SELECT Tipo FROM Giornale GROUP BY Tipo PIVOT Data", kErrInvalidStatement, ""},
      {"INSERT INTO Giornale (Manca) VALUES (1)", kErrUnknownInsertField, "Manca"},
      {"INSERT INTO Giornale (Tipo, Data) VALUES (1)", kErrValueCountMismatch, ""},
      {"UPDATE Giornale INNER JOIN Giacenza ON Giornale.Barcode18 = Giacenza.Barcode18 SET Tipo = 1", kErrSyntaxInSql,
       "joined"},
      {"SELECT * FROM Giornale WHERE Data = \"domani\"", kErrTypeMismatch, "domani"},
      {"SELECT Tipo FROM Giornale WHERE ((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((("
       "((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((1",
       kErrSyntaxInQueryExpr, "complex"},
  };
  for (const Case &c : cases) {
    QString message;
    EXPECT_EQ(ErrorOf([&] { TranslateSql(QString::fromLatin1(c.sql), Resolver()); }, &message), c.number)
        << c.sql << "\n"
        << message.toStdString();
    EXPECT_TRUE(message.contains(QString::fromLatin1(c.in_message), Qt::CaseInsensitive)) << c.sql << "\n"
                                                                                          << message.toStdString();
  }
}

TEST_F(Translate, CriteriaAndSortWorkOnTheFieldsOfARecordset) {
  const std::vector<ColumnInfo> fields = {
      {"Giornale.Barcode18", dbText, 18}, {"Testata", dbText, 30}, {"Data", dbDate, 8}, {"Acquisto", dbDouble, 8}};
  EXPECT_EQ(TranslateCriteria(QStringLiteral("[Giornale].[Barcode18] = \"1\""), fields),
            QStringLiteral("(\"Giornale.Barcode18\" = '1' COLLATE JETTEXT)"));
  EXPECT_EQ(TranslateCriteria(QStringLiteral("Data >= #12/31/2004#"), fields), QStringLiteral("(\"Data\" >= 38352.0)"));
  // Names that are no field are refused, or become parameters when the caller takes them.
  EXPECT_EQ(ErrorOf([&] { TranslateCriteria(QStringLiteral("[Nome] = 1"), fields); }), kErrUnknownName);
  std::vector<SqlParameter> params = {{"prima", dbText}};
  EXPECT_EQ(TranslateCriteria(QStringLiteral("Testata = [Nome]"), fields, &params),
            QStringLiteral("(\"Testata\" = ?2 COLLATE JETTEXT)"));
  ASSERT_EQ(params.size(), 2u);
  EXPECT_EQ(params[1].jet_type, dbText);
  EXPECT_EQ(ErrorOf([&] { TranslateCriteria(QString(), fields); }), kErrSyntaxInQueryExpr);
  EXPECT_EQ(ErrorOf([&] { TranslateCriteria(QStringLiteral("Count(*) > 1"), fields); }), kErrSyntaxInQueryExpr);

  EXPECT_EQ(TranslateSort(QStringLiteral("[Testata] ASC, [Data] DESC, [Acquisto] "), fields),
            QStringLiteral("\"Testata\" COLLATE JETTEXT ASC, \"Data\" DESC, \"Acquisto\" ASC"));
  EXPECT_EQ(TranslateSort(QString(), fields), QString());
  EXPECT_EQ(ErrorOf([&] { TranslateSort(QStringLiteral("[Manca] ASC"), fields); }), kErrUnknownName);
}

TEST_F(Translate, DefinitionStatementsAreHandedOverParsed) {
  TranslatedSql t = TranslateSql(
      QStringLiteral("CREATE TABLE [Note varie] (Id COUNTER CONSTRAINT pk PRIMARY KEY, Testo TEXT(40) NOT NULL, "
                     "Importo CURRENCY, Quando DATETIME, Fatto YESNO, Memo1 MEMO, Prezzo NUMERIC(10,2))"),
      Resolver());
  EXPECT_EQ(t.kind, StatementKind::CreateTable);
  EXPECT_TRUE(t.sql.isEmpty());
  EXPECT_EQ(t.ddl.table, QStringLiteral("Note varie"));
  ASSERT_EQ(t.ddl.columns.size(), 7u);
  EXPECT_TRUE(t.ddl.columns[0].auto_increment);
  EXPECT_EQ(t.ddl.columns[1].size, 40);
  EXPECT_TRUE(t.ddl.columns[1].required);
  EXPECT_EQ(t.ddl.columns[2].jet_type, dbCurrency);
  EXPECT_EQ(t.ddl.columns[4].jet_type, dbBoolean);
  EXPECT_EQ(t.ddl.columns[6].jet_type, dbDouble);
  EXPECT_TRUE(t.ddl.primary);
  EXPECT_EQ(t.ddl.index, QStringLiteral("pk"));

  t = TranslateSql(QStringLiteral("CREATE UNIQUE INDEX DataTipo ON Giornale (Data DESC, Tipo) WITH DISALLOW NULL"),
                   Resolver());
  EXPECT_EQ(t.kind, StatementKind::CreateIndex);
  EXPECT_TRUE(t.ddl.unique);
  ASSERT_EQ(t.ddl.index_columns.size(), 2u);
  EXPECT_TRUE(t.ddl.index_columns[0].descending);
  EXPECT_EQ(TranslateSql(QStringLiteral("DROP INDEX DataTipo ON Giornale"), Resolver()).kind, StatementKind::DropIndex);
  EXPECT_EQ(TranslateSql(QStringLiteral("DROP TABLE Giornale;"), Resolver()).ddl.table, QStringLiteral("Giornale"));
}

}  // namespace
}  // namespace jet::test
