// The SQL of a Jet file's stored query, rebuilt from its MSysQueries rows:
// the kinds the sample files do not hold (append, update, delete, make-table,
// union all, outer joins on several conditions), each read back by the
// engine's translator on the program's own tables.
#include "platform/jet/jetquerytext.h"
#include "tests/platform/jet/engine_fixture.h"

namespace jet::testing {
namespace {

enum : int {
  kType = 1,
  kParam = 2,
  kFlags = 3,
  kTable = 5,
  kColumn = 6,
  kJoin = 7,
  kWhere = 8,
  kGroup = 9,
  kHaving = 10,
  kOrder = 11
};

JetQueryRow Row(int attribute, int flag = 0, const QString &name1 = {}, const QString &name2 = {},
                const QString &expression = {}) {
  return {attribute, flag, name1, name2, expression};
}

class QueryText : public OrbiscaDb {
 protected:
  // The rebuilt text, which must be whole and which the engine must read.
  // As a standard string, so that a failure prints it.
  std::string Rebuilt(const std::vector<JetQueryRow> &rows) {
    const RebuiltQuery q = RebuildJetQuery(rows);
    EXPECT_TRUE(q.problem.isEmpty()) << q.problem.toStdString();
    EXPECT_NO_THROW(db_->CreateQueryDef(QString(), q.sql)) << q.sql.toStdString();
    return q.sql.toStdString();
  }
};

TEST_F(QueryText, ActionQueriesAreWrittenAsTheirStatements) {
  // Append from a select, the target fields named by the columns.
  EXPECT_EQ(Rebuilt({Row(kType, 3, QStringLiteral("Giornale")), Row(kFlags), Row(kTable, 0, QStringLiteral("Giacenza")),
                     Row(kColumn, 0, QStringLiteral("Barcode18"), {}, QStringLiteral("Giacenza.Barcode18")),
                     Row(kColumn, 0, QStringLiteral("Quantita"), {}, QStringLiteral("[Giacenza]*2")),
                     Row(kWhere, 0, {}, {}, QStringLiteral("(((Giacenza.CD)=True))"))}),
            std::string("INSERT INTO Giornale (Barcode18, Quantita)\r\nSELECT Giacenza.Barcode18, [Giacenza]*2\r\n"
                        "FROM Giacenza\r\nWHERE (((Giacenza.CD)=True));"));
  // Append of values.
  EXPECT_EQ(Rebuilt({Row(kType, 3, QStringLiteral("Periodo")), Row(kColumn, 0x8000, {}, {}, QStringLiteral("\"SET\"")),
                     Row(kColumn, -32768, {}, {}, QStringLiteral("\"Settimanale\"")),
                     Row(kColumn, 0x8000, {}, {}, QStringLiteral("7"))}),
            std::string("INSERT INTO Periodo VALUES (\"SET\", \"Settimanale\", 7);"));
  // Update: the field set is the row's second name.
  EXPECT_EQ(Rebuilt({Row(kType, 4), Row(kTable, 0, QStringLiteral("Giacenza")),
                     Row(kColumn, 0, {}, QStringLiteral("Giacenza.Giacenza"), QStringLiteral("0")),
                     Row(kWhere, 0, {}, {}, QStringLiteral("Giacenza.Giacenza<0"))}),
            std::string("UPDATE Giacenza\r\nSET Giacenza.Giacenza = 0\r\nWHERE Giacenza.Giacenza<0;"));
  // Delete.
  EXPECT_EQ(Rebuilt({Row(kType, 5), Row(kTable, 0, QStringLiteral("Giornale")),
                     Row(kColumn, 0, {}, {}, QStringLiteral("Giornale.*")),
                     Row(kWhere, 0, {}, {}, QStringLiteral("Giornale.Data<#1/1/2004#"))}),
            std::string("DELETE Giornale.*\r\nFROM Giornale\r\nWHERE Giornale.Data<#1/1/2004#;"));
  // Make-table keeps its text, which the engine does not run.
  const RebuiltQuery make = RebuildJetQuery(
      {Row(kType, 2, QStringLiteral("Copia Giornale")), Row(kFlags, 1), Row(kTable, 0, QStringLiteral("Giornale"))});
  EXPECT_EQ(make.sql, QStringLiteral("SELECT * INTO [Copia Giornale]\r\nFROM Giornale;"));
  EXPECT_TRUE(make.problem.isEmpty());
}

TEST_F(QueryText, JoinsNestInTheOrderTheyWereMade) {
  // Outer and inner joins over three tables, one pair joined on two conditions;
  // the last join keeps its sides, so the right join still keeps every title.
  EXPECT_EQ(Rebuilt({Row(kType, 1), Row(kFlags, 8), Row(kTable, 0, QStringLiteral("Giornale")),
                     Row(kTable, 0, QStringLiteral("Giacenza")),
                     Row(kTable, 0, QStringLiteral("Riviste"), QStringLiteral("Titoli")),
                     Row(kColumn, 0, {}, {}, QStringLiteral("Giornale.Progressivo")),
                     Row(kColumn, 0, QStringLiteral("Titolo"), {}, QStringLiteral("Titoli.Nome")),
                     Row(kJoin, 2, QStringLiteral("Giornale"), QStringLiteral("Giacenza"),
                         QStringLiteral("Giornale.Barcode18 = Giacenza.Barcode18")),
                     Row(kJoin, 3, QStringLiteral("Titoli"), QStringLiteral("Giacenza"),
                         QStringLiteral("Titoli.Barcode = Giacenza.Barcode")),
                     Row(kJoin, 2, QStringLiteral("Giornale"), QStringLiteral("Giacenza"),
                         QStringLiteral("Giornale.Prezzo_V = Giacenza.Prezzo_V")),
                     Row(kOrder, 0, QStringLiteral("D"), {}, QStringLiteral("Giornale.Progressivo"))}),
            std::string("SELECT DISTINCTROW Giornale.Progressivo, Titoli.Nome AS Titolo\r\n"
                        "FROM Riviste AS Titoli RIGHT JOIN (Giornale LEFT JOIN Giacenza ON (Giornale.Barcode18 = "
                        "Giacenza.Barcode18) AND (Giornale.Prezzo_V = Giacenza.Prezzo_V)) ON Titoli.Barcode = "
                        "Giacenza.Barcode\r\nORDER BY Giornale.Progressivo DESC;"));
}

TEST_F(QueryText, ParametersOptionsGroupsAndUnions) {
  EXPECT_EQ(
      Rebuilt({Row(kType, 1), Row(kParam, 8, QStringLiteral("Dal giorno")), Row(kParam, 10, QStringLiteral("Tipo")),
               Row(kFlags, 0x02 | 0x10 | 0x20 | 0x04, QStringLiteral("25")), Row(kTable, 0, QStringLiteral("Giornale")),
               Row(kColumn, 0, {}, {}, QStringLiteral("Giornale.Data")),
               Row(kColumn, 0, QStringLiteral("Pezzi"), {}, QStringLiteral("Sum(Giornale.Quantita)")),
               Row(kWhere, 0, {}, {}, QStringLiteral("Giornale.Data>=[Dal giorno] AND Giornale.Tipo=[Tipo]")),
               Row(kGroup, 0, {}, {}, QStringLiteral("Giornale.Data")),
               Row(kHaving, 0, {}, {}, QStringLiteral("Sum(Giornale.Quantita)>0")),
               Row(kOrder, 0, {}, {}, QStringLiteral("Giornale.Data"))}),
      std::string("PARAMETERS [Dal giorno] DateTime, Tipo Text;\r\n"
                  "SELECT DISTINCT TOP 25 PERCENT Giornale.Data, Sum(Giornale.Quantita) AS Pezzi\r\n"
                  "FROM Giornale\r\nWHERE Giornale.Data>=[Dal giorno] AND Giornale.Tipo=[Tipo]\r\n"
                  "GROUP BY Giornale.Data\r\nHAVING Sum(Giornale.Quantita)>0\r\nORDER BY Giornale.Data\r\n"
                  "WITH OWNERACCESS OPTION;"));
  // A union without the flag that removes duplicates keeps them all.
  EXPECT_EQ(
      Rebuilt({Row(kType, 9), Row(kFlags, 1),
               Row(kTable, 0, {}, QStringLiteral("X7YZ_____1"), QStringLiteral("SELECT Barcode FROM Riviste\r\n")),
               Row(kTable, 0, {}, QStringLiteral("X7YZ_____2"), QStringLiteral("SELECT Barcode FROM Giacenza;")),
               Row(kOrder, 0, {}, {}, QStringLiteral("Barcode"))}),
      std::string("SELECT Barcode FROM Riviste\r\nUNION ALL SELECT Barcode FROM Giacenza\r\nORDER BY Barcode;"));
}

TEST_F(QueryText, RowsThatCannotBeReadWholeAreNamed) {
  const RebuiltQuery none = RebuildJetQuery({});
  EXPECT_TRUE(none.sql.isEmpty());
  EXPECT_EQ(none.problem, QStringLiteral("manca il tipo della query"));
  EXPECT_EQ(RebuildJetQuery({Row(kType, 42)}).problem, QStringLiteral("tipo di query 42 sconosciuto"));
  const RebuiltQuery join = RebuildJetQuery({Row(kType, 1), Row(kTable, 0, QStringLiteral("Giornale")),
                                             Row(kColumn, 0, {}, {}, QStringLiteral("*")),
                                             Row(kJoin, 1, QStringLiteral("Giornale"), {}, {})});
  EXPECT_EQ(join.problem, QStringLiteral("un collegamento tra tabelle è incompleto"));
  EXPECT_EQ(
      RebuildJetQuery({Row(kType, 9), Row(kTable, 0, {}, QStringLiteral("X7YZ_____1"), QStringLiteral("SELECT 1"))})
          .problem,
      QStringLiteral("all'unione mancano delle parti"));
  // Data-definition text is kept as the file holds it.
  EXPECT_EQ(RebuildJetQuery({Row(kType, 7, {}, {}, QStringLiteral("CREATE TABLE T (A TEXT)"))}).sql,
            QStringLiteral("CREATE TABLE T (A TEXT)"));
  EXPECT_EQ(JetQuoteName(QStringLiteral("Umsätze")), QStringLiteral("[Umsätze]"));
  EXPECT_EQ(JetQuoteName(QStringLiteral("Order_2")), QStringLiteral("Order_2"));
  EXPECT_EQ(JetQuoteName(QStringLiteral("2004")), QStringLiteral("[2004]"));
}

}  // namespace
}  // namespace jet::testing
