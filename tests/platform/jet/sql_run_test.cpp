// Translated statements run on SQLite with the engine's extensions: the
// program's stored queries and purge, text comparison and Like, the
// functions over stored day counts.
#include <clocale>

#include "platform/rtl/formatsettings.h"
#include "tests/platform/jet/sql_fixture.h"

namespace jet::test {
namespace {

const char *const kUnGiorno =
    "SELECT Giornale.Progressivo, Giornale.Data, Giacenza.Testata, Giacenza.Descrizione, "
    "Giornale.Quantita, Giornale.Tipo, Giornale.Prezzo_A, Giornale.Prezzo_V, Giornale.Barcode18\n"
    "FROM Giornale LEFT JOIN Giacenza ON Giornale.Barcode18 = Giacenza.Barcode18\n"
    "WHERE (((Giornale.Data)=[Sel_data]) AND ((Giornale.Tipo)=[Sel_tipo]))\n"
    "ORDER BY Giornale.Progressivo DESC;";
const char *const kTotali =
    "SELECT Giornale.Data, Giornale.Tipo, Sum(Giornale.[Quantita]*[Prezzo_A]) AS Acquisto, "
    "Sum(Giornale.[quantita]*[Prezzo_V]) AS Vendita\nFROM Giornale\n"
    "GROUP BY Giornale.Data, Giornale.Tipo\n"
    "HAVING (((Giornale.Data)=[Sel_data]) AND ((Giornale.Tipo)=[Sel_tipo]));";
const char *const kStorico =
    "SELECT Giornale.Data, Giornale.Tipo, Giornale.Quantita, Giornale.Prezzo_A, Giornale.Prezzo_V, "
    "Giornale.Barcode18\nFROM Giornale\nWHERE (((Giornale.Barcode18)=[sel_barcode]))\n"
    "ORDER BY Giornale.Progressivo DESC;";
const char *const kStampaGiornale =
    "SELECT Giornale.Progressivo, Giornale.Data, Giornale.Tipo, Giornale.Barcode18, Giacenza.Testata, "
    "Giacenza.Descrizione, Giacenza.Fornitore, Giacenza.CD, Giacenza.Periodo, Giacenza.Scadenza, "
    "Giornale.Quantita, Giornale.Prezzo_A, Giornale.Prezzo_V, Giornale.[Prezzo_A]*[Quantita] AS Valore_A, "
    "Giornale.[Prezzo_V]*[Quantita] AS Valore_V\n"
    "FROM Giornale LEFT JOIN Giacenza ON Giornale.Barcode18 = Giacenza.Barcode18\n"
    "ORDER BY Giornale.Progressivo;";

class ProgramQueries : public SqlFixture {
 protected:
  void SetUp() override {
    SqlFixture::SetUp();
    Exec(
        QStringLiteral("INSERT INTO Giacenza (Barcode18, Testata, Descrizione, CD) VALUES "
                       "('977000000001', 'Corriere', 'n. 1', -1), ('977000000002', 'Gazzetta', 'n. 2', 0)"));
    const QString d30 = Day(2004, 12, 30), d31 = Day(2004, 12, 31);
    Exec(QStringLiteral("INSERT INTO Giornale (Progressivo, Data, Barcode18, Quantita, Prezzo_V, Tipo, Prezzo_A) "
                        "VALUES (1, %1, '977000000001', 10, 1.5, 'C', 1.0),"
                        "(2, %2, '977000000001', 5, 1.5, 'C', 1.0),"
                        "(3, %2, '977000000002', 2, 2.0, 'C', 1.5),"
                        "(4, %2, '977000000001', -1, 1.5, 'S', 1.0),"
                        "(5, %2, '977999999999', 3, 1.0, 'c', 0.5)")
             .arg(d30, d31));
  }
};

TEST_F(ProgramQueries, StoredQueriesTakeTextParametersInTheItalianOrderUnderAnyProcessLocale) {
  const char *locales[] = {"C", "en_US.UTF-8", "de_DE.UTF-8", "it_IT.UTF-8"};
  const std::string saved = setlocale(LC_ALL, nullptr);
  for (const char *loc : locales) {
    setlocale(LC_ALL, loc);
    SCOPED_TRACE(loc);
    // The day's loads, newest first; "c" counts as "C"; a code without stock row still shows.
    auto rows = Run(QString::fromLatin1(kUnGiorno), {QStringLiteral("31/12/2004"), QStringLiteral("C")});
    EXPECT_EQ(Column(rows, 0), QStringList({"5", "3", "2"}));
    EXPECT_EQ(Column(rows, 2), QStringList({"NULL", "Gazzetta", "Corriere"}));

    rows = Run(QString::fromLatin1(kTotali), {QStringLiteral("31/12/2004"), QStringLiteral("C")});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_DOUBLE_EQ(rows[0][2].toDouble(), 5 * 1.0 + 2 * 1.5 + 3 * 0.5);
    EXPECT_DOUBLE_EQ(rows[0][3].toDouble(), 5 * 1.5 + 2 * 2.0 + 3 * 1.0);

    // A day without movements gives no row at all, not a row of Nulls.
    EXPECT_TRUE(Run(QString::fromLatin1(kTotali), {QStringLiteral("01/01/2005"), QStringLiteral("C")}).empty());

    rows = Run(QString::fromLatin1(kStorico), {QStringLiteral("977000000001")});
    EXPECT_EQ(Column(rows, 2), QStringList({"-1.0", "5.0", "10.0"}));

    rows = Run(QString::fromLatin1(kStampaGiornale));
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0][7], QStringLiteral("-1"));    // CD of Corriere
    EXPECT_DOUBLE_EQ(rows[2][13].toDouble(), 3.0);  // Valore_A = 1.5 * 2
  }
  setlocale(LC_ALL, saved.c_str());
}

TEST_F(ProgramQueries, ParametersFollowTheLocaleOfTheMoment) {
  rtl::TFormatSettings saved = rtl::FormatSettings();
  rtl::FormatSettings().ShortDateFormat = QStringLiteral("mm/dd/yyyy");
  auto rows = Run(QString::fromLatin1(kUnGiorno), {QStringLiteral("12/30/2004"), QStringLiteral("C")});
  rtl::FormatSettings() = saved;
  EXPECT_EQ(Column(rows, 0), QStringList({"1"}));
}

TEST_F(ProgramQueries, PurgeDeletesTheLastDayUpToMidnight) {
  Exec(QStringLiteral("DELETE FROM Giornale"));
  Exec(QStringLiteral("INSERT INTO Giornale (Progressivo, Data, Tipo) VALUES (1, %1, 'C'), (2, %2, 'C'), "
                      "(3, %3, 'C'), (4, %4, 'C')")
           .arg(Day(2006, 12, 30), Day(2006, 12, 31), Day(2006, 12, 31, 10, 30), Day(2007, 1, 1)));
  int changes = 0;
  Run(QStringLiteral("delete FROM giornale WHERE data<=#12/31/2006#"), {}, &changes);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(Column(RunSqlite(QStringLiteral("SELECT Progressivo FROM Giornale ORDER BY 1"))), QStringList({"3", "4"}));

  // The stock purge names a column after its table.
  Exec(QStringLiteral("INSERT INTO Giacenza (Barcode18, Giacenza, Ucarico) VALUES ('a', 0, %1), ('b', 2, %1), "
                      "('c', 0, %2)")
           .arg(Day(2006, 6, 1), Day(2007, 6, 1)));
  Run(QStringLiteral("delete FROM giacenza WHERE giacenza=0 and ucarico<=#12/31/2006#"), {}, &changes);
  EXPECT_EQ(changes, 1);
}

TEST_F(SqlFixture, TextInDoubleQuotesIsTextAndComparesWithoutCase) {
  AddTable("T", {{"Testata", dbText, 30}, {"Nome", dbText, 30}});
  Exec(QStringLiteral("INSERT INTO T VALUES ('Nome', 'x'), ('y', 'y'), ('ROSSI', 'z'), ('Rossì', 'w')"));
  EXPECT_EQ(Column(Where("T", QStringLiteral("[Testata] = \"Nome\""), "Nome")), QStringList({"x"}));
  EXPECT_EQ(Column(Where("T", QStringLiteral("[Testata] = 'NOME'"), "Nome")), QStringList({"x"}));
  EXPECT_EQ(Column(Where("T", QStringLiteral("Testata = \"rossi\""), "Nome")), QStringList({"z"}));
  EXPECT_EQ(Column(Where("T", QStringLiteral("Testata = Nome"), "Nome")), QStringList({"y"}));
  EXPECT_EQ(Column(Where("T", QStringLiteral("Testata > \"ross\" AND Testata < \"rost\""), "Nome")),
            QStringList({"z", "w"}));

  // Accented letters sort beside their base letter, after it.
  Exec(QStringLiteral("DELETE FROM T"));
  Exec(
      QStringLiteral("INSERT INTO T VALUES ('perché', '1'), ('Perche', '2'), ('perf', '3'), ('PERCHE', '4'), "
                     "('10', '5'), ('-x', '6')"));
  auto rows = Run(QStringLiteral("SELECT Nome FROM T ORDER BY Testata, Nome DESC"));
  EXPECT_EQ(Column(rows), QStringList({"6", "5", "4", "2", "1", "3"}));
  rows = Run(QStringLiteral("SELECT Testata, Count(*) FROM T GROUP BY Testata ORDER BY Testata"));
  EXPECT_EQ(rows.size(), 5u);
}

TEST_F(SqlFixture, LikeTakesTheEngineWildcardsIgnoringCase) {
  AddTable("T", {{"Nome", dbText, 30}});
  Exec(QStringLiteral("INSERT INTO T VALUES ('a*bc'), ('axbc'), ('A*B'), ('ab#1'), ('ab12'), ('c?'), (NULL)"));
  EXPECT_EQ(Column(Where("T", QStringLiteral("Nome LIKE \"a[*]b*\""), "Nome")), QStringList({"a*bc", "A*B"}));
  EXPECT_EQ(Column(Where("T", QStringLiteral("Nome LIKE \"a?b*\""), "Nome")), QStringList({"a*bc", "axbc", "A*B"}));
  EXPECT_EQ(Column(Where("T", QStringLiteral("Nome LIKE \"ab#*\""), "Nome")), QStringList({"ab12"}));
  EXPECT_EQ(Column(Where("T", QStringLiteral("Nome LIKE \"ab[#]#\""), "Nome")), QStringList({"ab#1"}));
  EXPECT_EQ(Column(Where("T", QStringLiteral("Nome LIKE \"[!a]*\""), "Nome")), QStringList({"c?"}));
  EXPECT_EQ(Column(Where("T", QStringLiteral("Nome LIKE \"[a-b]x*\""), "Nome")), QStringList({"axbc"}));
  EXPECT_EQ(Column(Where("T", QStringLiteral("Nome NOT LIKE \"a*\""), "Nome")), QStringList({"c?"}));
  // The find dialog's case-insensitive partial search.
  EXPECT_EQ(Column(Where("T", QStringLiteral("([Nome] LIKE LCASE(\"A[*]*\"))"), "Nome")), QStringList({"a*bc", "A*B"}));
  // A pattern that never closes its bracket is an error, not an empty result.
  RunSqlite(QStringLiteral("SELECT Nome FROM T WHERE ") +
            TranslateCriteria(QStringLiteral("Nome LIKE \"a[b\""), FieldsOf(QStringLiteral("T"))));
  EXPECT_TRUE(last_error_.contains(QStringLiteral("pattern")));
}

TEST_F(SqlFixture, CriteriaOfTheComponentsFindTheirRows) {
  Exec(QStringLiteral("INSERT INTO Giacenza (Barcode18, Testata, Ucarico, CD, Giacenza, Descrizione) VALUES "
                      "('1', 'Corriere', %1, -1, 2.5, NULL), ('2', 'Gazzetta \"rosa\"', %2, 0, 0, 'x')")
           .arg(Day(2004, 3, 1), Day(2004, 3, 1, 9, 0)));
  EXPECT_EQ(Column(Where("Giacenza", QStringLiteral("([Ucarico] = #03/01/2004#)"), "Barcode18")), QStringList({"1"}));
  EXPECT_EQ(Column(Where("Giacenza", QStringLiteral("([Ucarico] = #03/01/2004 09:00:00#)"), "Barcode18")),
            QStringList({"2"}));
  EXPECT_EQ(Column(Where("Giacenza", QStringLiteral("([CD] = True) AND ([Giacenza] = 2.5)"), "Barcode18")),
            QStringList({"1"}));
  EXPECT_EQ(Column(Where("Giacenza", QStringLiteral("(CD = False) AND ([Testata] = \"gazzetta \"\"ROSA\"\"\")"),
                         "Barcode18")),
            QStringList({"2"}));
  EXPECT_EQ(Column(Where("Giacenza", QStringLiteral("([Descrizione] IS NULL)"), "Barcode18")), QStringList({"1"}));
  EXPECT_EQ(Column(Where("Giacenza", QStringLiteral("[Giacenza].[Barcode18] IN (\"2\", \"3\")"), "Barcode18")),
            QStringList({"2"}));
  EXPECT_EQ(Column(Where("Giacenza", QStringLiteral("Giacenza BETWEEN 1 AND 3"), "Barcode18")), QStringList({"1"}));
  // A date written as text in the locale compares as a date.
  EXPECT_EQ(Column(Where("Giacenza", QStringLiteral("Ucarico = \"01/03/2004\""), "Barcode18")), QStringList({"1"}));
  EXPECT_EQ(Column(Where("Giacenza",
                         QStringLiteral("Year([Ucarico]) = 2004 AND Month(Ucarico) = 3 AND "
                                        "Day(Ucarico) = 1 AND Hour(Ucarico) = 9"),
                         "Barcode18")),
            QStringList({"2"}));
}

TEST_F(SqlFixture, FunctionsFollowTheEngineRules) {
  auto one = [this](const QString &expr) {
    auto rows = Run(QStringLiteral("SELECT ") + expr + QStringLiteral(" FROM Periodo"));
    return rows.empty() ? QStringLiteral("<no row>") : rows[0][0];
  };
  Exec(QStringLiteral("INSERT INTO Periodo VALUES ('SET', 'Settimanale', 7)"));
  EXPECT_EQ(one(QStringLiteral("UCase(Descrizione) & \"-\" & Null & Giorni")), QStringLiteral("SETTIMANALE-7"));
  EXPECT_EQ(one(QStringLiteral("Left(Descrizione, 3) + Right(\"abcd\", 2) + Mid(\"abcdef\", 2, 3)")),
            QStringLiteral("Setcdbcd"));
  EXPECT_EQ(one(QStringLiteral("Len(Trim(\"  ab  \")) & LTrim(\" x\") & RTrim(\"y \")")), QStringLiteral("2xy"));
  EXPECT_EQ(one(QStringLiteral("InStr(\"Settimanale\", \"MAN\")")), QStringLiteral("6"));
  EXPECT_EQ(one(QStringLiteral("IIf(Giorni > 5, \"lungo\", \"corto\")")), QStringLiteral("lungo"));
  EXPECT_EQ(one(QStringLiteral("Nz(Null, 4) + Nz(Giorni, 0)")), QStringLiteral("11"));
  EXPECT_EQ(one(QStringLiteral("17 Mod 5")), QStringLiteral("2"));
  EXPECT_EQ(one(QStringLiteral("-17 Mod 5")), QStringLiteral("-2"));
  EXPECT_EQ(one(QStringLiteral("17 \\ 5")), QStringLiteral("3"));
  EXPECT_EQ(one(QStringLiteral("7 / 2")), QStringLiteral("3.5"));
  EXPECT_EQ(one(QStringLiteral("Int(-2.5) & \"|\" & Fix(-2.5) & \"|\" & Abs(-3)")), QStringLiteral("-3|-2|3"));
  EXPECT_EQ(one(QStringLiteral("CLng(2.5) + CInt(3.5)")), QStringLiteral("6"));
  EXPECT_EQ(one(QStringLiteral("Val(\" 12.5abc\")")), QStringLiteral("12.5"));
  EXPECT_EQ(one(QStringLiteral("CDbl(\"12,5\")")), QStringLiteral("12.5"));
  EXPECT_EQ(one(QStringLiteral("CStr(12.5)")), QStringLiteral("12,5"));
  EXPECT_EQ(one(QStringLiteral("True & \"/\" & False")), QStringLiteral("True/False"));
  // Conditions read as values are -1 and 0, as the engine's True and False.
  EXPECT_EQ(one(QStringLiteral("Giorni > 2")), QStringLiteral("-1"));
  EXPECT_EQ(one(QStringLiteral("Not (Giorni > 2)")), QStringLiteral("0"));
  EXPECT_EQ(one(QStringLiteral("IsNull(Null) And CBool(5)")), QStringLiteral("-1"));
  EXPECT_EQ(one(QStringLiteral("Year(#02/29/2004#) * 10000 + Month(#02/29/2004#) * 100 + Day(#02/29/2004#)")),
            QStringLiteral("20040229"));
  EXPECT_EQ(one(QStringLiteral("Weekday(#12/31/2006#)")), QStringLiteral("1"));  // a Sunday
  EXPECT_EQ(one(QStringLiteral("Year(#01/15/1850#) & \"/\" & Day(#01/15/1850#)")), QStringLiteral("1850/15"));
  EXPECT_EQ(one(QStringLiteral("CStr(#12/31/2004#)")), QStringLiteral("31/12/2004"));
  EXPECT_EQ(one(QStringLiteral("DateAdd(\"m\", 1, #01/31/2004#) = #02/29/2004#")), QStringLiteral("-1"));
  EXPECT_EQ(one(QStringLiteral("Format(#12/31/2004#, \"yyyy-mm-dd\")")), QStringLiteral("2004-12-31"));
  {
    rtl::FixedClockGuard clock(rtl::EncodeDateTime(2004, 12, 31, 10, 0, 0, 0));
    EXPECT_EQ(one(QStringLiteral("Date() = #12/31/2004# AND Now() > Date()")), QStringLiteral("-1"));
  }
  // A conversion that fails stops the statement with the engine's text.
  one(QStringLiteral("CDbl(\"abc\")"));
  EXPECT_TRUE(last_error_.contains(QStringLiteral("Data type mismatch")));
  one(QStringLiteral("1 \\ 0"));
  EXPECT_TRUE(last_error_.contains(QStringLiteral("Division by zero")));
}

TEST_F(SqlFixture, DateLiteralsInTheFormsTheEngineAccepts) {
  auto value = [this](const QString &literal) {
    auto rows = Run(QStringLiteral("SELECT ") + literal + QStringLiteral(" + 0 FROM Periodo"));
    return rows.empty() ? -1.0 : rows[0][0].toDouble();
  };
  Exec(QStringLiteral("INSERT INTO Periodo VALUES ('a', 'x', 1)"));
  const double last_day = rtl::EncodeDate(2006, 12, 31);
  EXPECT_EQ(value(QStringLiteral("#12/31/2006#")), last_day);
  EXPECT_EQ(value(QStringLiteral("#2006-12-31#")), last_day);
  EXPECT_EQ(value(QStringLiteral("#31/12/2006#")), last_day);  // no 31st month: read day first
  EXPECT_EQ(value(QStringLiteral("#12/31/06#")), last_day);
  EXPECT_EQ(value(QStringLiteral("#1/2/1930#")), rtl::EncodeDate(1930, 1, 2));  // month first
  EXPECT_EQ(value(QStringLiteral("#1/2/30#")), rtl::EncodeDate(1930, 1, 2));
  EXPECT_EQ(value(QStringLiteral("#1/2/29#")), rtl::EncodeDate(2029, 1, 2));
  EXPECT_DOUBLE_EQ(value(QStringLiteral("#12/31/2006 6:00 PM#")), last_day + 0.75);
  EXPECT_DOUBLE_EQ(value(QStringLiteral("#18:00:00#")), 0.75);
  EXPECT_DOUBLE_EQ(value(QStringLiteral("#12/30/1899#")), 0.0);
  EXPECT_DOUBLE_EQ(value(QStringLiteral("#12/29/1899 06:00#")), -1.25);
  for (const char *bad : {"#13/13/2006#", "#2/30/2006#", "#12/31/2006 25:00#", "#oggi#", "##", "#1/2/3/4#"}) {
    try {
      TranslateSql(QStringLiteral("SELECT %1 FROM Periodo").arg(QLatin1String(bad)), Resolver());
      ADD_FAILURE() << bad << " accepted";
    } catch (const EJetError &e) {
      EXPECT_EQ(e.Number(), kErrSyntaxInQueryExpr) << bad;
    }
  }
}

TEST_F(SqlFixture, NullPassesThroughFunctionsButNotThroughConcatenation) {
  Exec(QStringLiteral("INSERT INTO Periodo VALUES ('a', NULL, NULL)"));
  auto row =
      Run(QStringLiteral("SELECT UCase(Descrizione), Len(Descrizione), Year(Giorni), Giorni + 1, "
                         "Descrizione & \"x\", Nz(Descrizione) & \"|\", IIf(Giorni > 1, 1, 2), "
                         "Descrizione = Null, Descrizione LIKE \"*\" FROM Periodo"));
  ASSERT_EQ(row.size(), 1u);
  EXPECT_EQ(row[0], QStringList({"NULL", "NULL", "NULL", "NULL", "x", "|", "2", "NULL", "NULL"}));
  // Null criteria select nothing, as the engine's three-valued logic says.
  EXPECT_TRUE(Run(QStringLiteral("SELECT * FROM Periodo WHERE Giorni <> 1 OR NOT Descrizione LIKE \"a*\"")).empty());
  EXPECT_EQ(Run(QStringLiteral("SELECT * FROM Periodo WHERE Giorni IS NULL AND Descrizione IS NULL")).size(), 1u);
}

TEST_F(SqlFixture, MoreFunctionsOfTheEngine) {
  Exec(QStringLiteral("INSERT INTO Periodo VALUES ('a', 'x', 1)"));
  auto one = [this](const QString &expr) {
    auto rows = Run(QStringLiteral("SELECT ") + expr + QStringLiteral(" FROM Periodo"));
    return rows.empty() ? last_error_ : rows[0][0];
  };
  EXPECT_EQ(one(QStringLiteral("InStr(3, \"abcabc\", \"B\") & \"/\" & InStr(1, \"abc\", \"B\", 0)")),
            QStringLiteral("5/0"));
  EXPECT_EQ(one(QStringLiteral("Mid(\"abc\", 5) & \"|\" & Left(\"abc\", 10) & \"|\" & Space(2) & \"|\"")),
            QStringLiteral("|abc|  |"));
  EXPECT_EQ(one(QStringLiteral("Replace(\"a-b-C\", \"c\", \"x\") & String(3, \"z\") & Chr(65) & Asc(\"a\")")),
            QStringLiteral("a-b-xzzzA97"));
  EXPECT_EQ(one(QStringLiteral("StrComp(\"abc\", \"ABC\") & StrComp(\"a\", \"b\") & StrComp(\"abc\", \"ABC\", 0)")),
            QStringLiteral("0-11"));
  EXPECT_EQ(one(QStringLiteral("Round(2.5) & \"|\" & Round(3.5) & \"|\" & Round(1.2345, 2)")),
            QStringLiteral("2|4|1,23"));
  EXPECT_EQ(one(QStringLiteral("Str(12.5) & \"|\" & Str(-3)")), QStringLiteral(" 12.5|-3"));
  EXPECT_EQ(one(QStringLiteral("DateDiff(\"d\", #12/31/2004#, #01/02/2005 10:00#) & \"/\" & "
                               "DateDiff(\"m\", #12/31/2004#, #01/01/2005#) & \"/\" & "
                               "DateDiff(\"yyyy\", #12/31/2004#, #01/01/2005#)")),
            QStringLiteral("2/1/1"));
  EXPECT_EQ(one(QStringLiteral("DateSerial(2004, 13, 1) = #01/01/2005# AND DateSerial(2004, 3, 0) = #02/29/2004#")),
            QStringLiteral("-1"));
  EXPECT_EQ(one(QStringLiteral("Weekday(#12/31/2006#, 2)")), QStringLiteral("7"));
  EXPECT_EQ(one(QStringLiteral("Format(1234.5, \"#,##0.00\") & \"|\" & Format(0.5, \"Percent\")")),
            QStringLiteral("1.234,50|50,00%"));
  EXPECT_EQ(one(QStringLiteral("CCur(1.23456) * 10000")), QStringLiteral("12346.0"));
  EXPECT_TRUE(one(QStringLiteral("CInt(40000)")).contains(QStringLiteral("Overflow")));
  EXPECT_TRUE(one(QStringLiteral("Mid(\"abc\", 0)")).contains(QStringLiteral("Invalid procedure call")));
  EXPECT_TRUE(one(QStringLiteral("DateAdd(\"x\", 1, Date())")).contains(QStringLiteral("DateAdd")));
  // Arguments out of any sensible range stop the statement instead of wrapping around.
  for (const char *expr :
       {"Left(\"a\", 1e300)", "DateSerial(1e10, 1, 1)", "Space(-1)", "CDbl(\"nan\")", "DateAdd(\"yyyy\", 1e9, Date())",
        "DateAdd(\"d\", 1e9, Date())", "Year(1e300)", "String(3, 70000)", "Round(1.5, 99)", "CDate(\"1e400\")"}) {
    last_error_.clear();
    EXPECT_FALSE(one(QString::fromLatin1(expr)).isEmpty()) << expr;
    EXPECT_FALSE(last_error_.isEmpty()) << expr;
  }
}

TEST_F(SqlFixture, AggregatesAndTopAndDistinct) {
  Exec(QStringLiteral("INSERT INTO Periodo VALUES ('a', 'x', 1), ('b', 'X', 2), ('c', 'y', 3), ('d', 'y', NULL)"));
  auto rows =
      Run(QStringLiteral("SELECT Descrizione, Count(*), Count(Giorni), Sum(Giorni), Avg(Giorni), "
                         "Min(Periodo), Max(Periodo), First(Periodo), Last(Periodo) FROM Periodo "
                         "GROUP BY Descrizione ORDER BY Descrizione"));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].mid(1), QStringList({"2", "2", "3", "1.5", "a", "b", "a", "b"}));
  EXPECT_EQ(rows[1].mid(1), QStringList({"2", "1", "3", "3.0", "c", "d", "c", "d"}));
  EXPECT_EQ(Column(Run(QStringLiteral("SELECT TOP 2 Periodo FROM Periodo ORDER BY Giorni DESC"))),
            QStringList({"c", "b"}));
  // Rows tying with the last one come too; without an order any n rows do.
  EXPECT_EQ(Column(Run(QStringLiteral("SELECT TOP 1 Periodo FROM Periodo ORDER BY Descrizione, Periodo DESC"))),
            QStringList({"b"}));
  EXPECT_EQ(Run(QStringLiteral("SELECT TOP 1 Periodo FROM Periodo ORDER BY Descrizione")).size(), 2u);
  EXPECT_EQ(Run(QStringLiteral("SELECT TOP 3 Periodo FROM Periodo")).size(), 3u);
  EXPECT_EQ(Run(QStringLiteral("SELECT TOP 1 Descrizione, Sum(Giorni) AS S FROM Periodo GROUP BY Descrizione "
                               "ORDER BY Sum(Giorni) DESC, Descrizione"))
                .size(),
            1u);
  EXPECT_EQ(Column(Run(QStringLiteral("SELECT TOP 50 PERCENT Periodo FROM Periodo ORDER BY Periodo DESC"))),
            QStringList({"d", "c"}));
  EXPECT_EQ(Column(Run(QStringLiteral("SELECT TOP 26 PERCENT Periodo FROM Periodo WHERE Giorni > [g] ORDER BY "
                                      "Periodo WITH OWNERACCESS OPTION;"),
                       {QStringLiteral("1")})),
            QStringList({"b"}));
  EXPECT_EQ(Run(QStringLiteral("SELECT DISTINCT Descrizione FROM Periodo")).size(), 2u);
  EXPECT_EQ(Column(Run(QStringLiteral("SELECT Periodo FROM Periodo WHERE Giorni IN (SELECT Max(Giorni) FROM "
                                      "Periodo)"))),
            QStringList({"c"}));
  EXPECT_EQ(Column(Run(QStringLiteral("SELECT Periodo FROM Periodo WHERE Giorni > 2 UNION SELECT Barcode FROM "
                                      "Riviste ORDER BY Periodo"))),
            QStringList({"c"}));
}

TEST_F(SqlFixture, HavingOnGroupedFieldsFiltersRowsFirstWithTheSameResult) {
  Exec(QStringLiteral("INSERT INTO Periodo VALUES ('a', 'x', 1), ('b', 'X', 2), ('c', 'y', 3), ('d', 'z', 4)"));
  const TranslatedSql t = TranslateSql(
      QStringLiteral("SELECT Descrizione, Sum(Giorni) AS S FROM Periodo WHERE Giorni > 0 GROUP BY Descrizione "
                     "HAVING (Descrizione <> \"y\" AND Sum(Giorni) > 2) AND Descrizione < [fino]"),
      Resolver());
  // Only the aggregate test stays after the grouping.
  EXPECT_TRUE(t.sql.contains(QStringLiteral("HAVING (sum(\"Periodo\".\"Giorni\") > 2)"))) << t.sql.toStdString();
  auto rows = RunSqlite(t.sql, {rtl::Variant("z")});
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][1], QStringLiteral("3"));
  // Without GROUP BY a failing HAVING leaves no row at all, where WHERE would leave a count of 0.
  EXPECT_TRUE(Run(QStringLiteral("SELECT Count(*) FROM Periodo HAVING [p] = 1"), {QStringLiteral("0")}).empty());
  // A HAVING that reads a field through its alias stays where it is.
  EXPECT_EQ(
      Run(QStringLiteral("SELECT Descrizione, Sum(Giorni) AS S FROM Periodo GROUP BY Descrizione HAVING S > 3")).size(),
      1u);
}

TEST_F(SqlFixture, ActionStatementsConvertTheirValues) {
  int changes = 0;
  Run(QStringLiteral("INSERT INTO Giornale (Data, Barcode18, Quantita, Tipo) VALUES ([d], \"1\", [q], \"C\")"),
      {QStringLiteral("31/12/2004"), QStringLiteral("2,5")}, &changes);
  EXPECT_EQ(changes, 1);
  Run(
      QStringLiteral("INSERT INTO Giornale (Data, Barcode18, Quantita, Tipo) VALUES (#01/01/2005#, \"2\", 1, "
                     "\"S\")"));
  auto rows = RunSqlite(QStringLiteral("SELECT Progressivo, Data, Quantita FROM Giornale ORDER BY 1"));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], QStringList({"1", Day(2004, 12, 31) + QStringLiteral(".0"), "2.5"}));

  Run(QStringLiteral("UPDATE Giornale SET Quantita = Quantita * 2, Tipo = [t] WHERE Barcode18 = \"1\""),
      {QStringLiteral("R")}, &changes);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(RunSqlite(QStringLiteral("SELECT Quantita, Tipo FROM Giornale WHERE Progressivo = 1"))[0],
            QStringList({"5.0", "R"}));
  Run(QStringLiteral("INSERT INTO Giacenza SELECT Barcode18, Data AS Ucarico FROM Giornale"), {}, &changes);
  EXPECT_EQ(changes, 2);
  Run(QStringLiteral("DELETE * FROM Giornale WHERE Tipo = \"r\""), {}, &changes);
  EXPECT_EQ(changes, 1);
  Run(QStringLiteral("DELETE Giornale.* FROM Giornale"), {}, &changes);
  EXPECT_EQ(changes, 1);
}

TEST_F(SqlFixture, JoinsAsTheEngineWritesThem) {
  Exec(QStringLiteral("INSERT INTO Riviste (Barcode, Nome) VALUES ('977', 'Corriere'), ('978', 'Gazzetta')"));
  Exec(QStringLiteral("INSERT INTO Giacenza (Barcode18, Barcode) VALUES ('97700001', '977'), ('97900001', '979')"));
  Exec(
      QStringLiteral("INSERT INTO Giornale (Progressivo, Barcode18) VALUES (1, '97700001'), (2, '97900001'), "
                     "(3, '99999999')"));
  auto rows = Run(
      QStringLiteral("SELECT Giornale.Progressivo, R.Nome FROM (Giornale INNER JOIN Giacenza ON Giornale.Barcode18 = "
                     "Giacenza.Barcode18) LEFT OUTER JOIN Riviste AS R ON Giacenza.Barcode = R.Barcode ORDER BY 1"));
  EXPECT_EQ(rows, (std::vector<QStringList>{{"1", "Corriere"}, {"2", "NULL"}}));
  rows =
      Run(QStringLiteral("SELECT Riviste.Nome, Giacenza.Barcode18 FROM Giacenza RIGHT JOIN Riviste ON "
                         "Giacenza.Barcode = Riviste.Barcode ORDER BY Riviste.Nome"));
  EXPECT_EQ(rows, (std::vector<QStringList>{{"Corriere", "97700001"}, {"Gazzetta", "NULL"}}));
  rows =
      Run(QStringLiteral("SELECT g.Progressivo FROM Giornale AS g, Giacenza WHERE g.Barcode18 = "
                         "Giacenza.Barcode18 AND EXISTS (SELECT * FROM Riviste WHERE Riviste.Barcode = "
                         "Giacenza.Barcode)"));
  EXPECT_EQ(Column(rows), QStringList({"1"}));
  // Derived tables, in parentheses or in the bracketed form saved queries use.
  rows = Run(QStringLiteral("SELECT q.Barcode18 FROM (SELECT Barcode18 FROM Giacenza WHERE Barcode = \"977\") AS q"));
  EXPECT_EQ(Column(rows), QStringList({"97700001"}));
  rows = Run(QStringLiteral("SELECT q.n FROM [SELECT Count(*) AS n FROM Giornale]. AS q"));
  EXPECT_EQ(Column(rows), QStringList({"3"}));
}

TEST_F(SqlFixture, StoredQueriesCanBeReadFromLikeTables) {
  AddQuery(QStringLiteral("carichi"), QStringLiteral("SELECT Barcode18, Quantita FROM Giornale WHERE Tipo = [t];"));
  Exec(
      QStringLiteral("INSERT INTO Giornale (Barcode18, Quantita, Tipo) VALUES ('1', 2, 'C'), ('1', 3, 'C'), "
                     "('2', 5, 'S')"));
  const TranslatedSql t =
      TranslateSql(QStringLiteral("SELECT c.Barcode18, Sum(c.Quantita) AS Tot FROM carichi AS c WHERE "
                                  "c.Quantita > [minimo] GROUP BY c.Barcode18"),
                   Resolver());
  ASSERT_EQ(t.parameters.size(), 2u);
  EXPECT_EQ(t.parameters[0].name, QStringLiteral("t"));
  EXPECT_EQ(t.parameters[1].jet_type, dbDouble);
  EXPECT_EQ(t.source_tables, QStringList({"Giornale"}));
  EXPECT_FALSE(t.updatable);
  auto rows = RunSqlite(t.sql, {rtl::Variant("C"), rtl::Variant(1.0)});
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], QStringList({"1", "5.0"}));
}

}  // namespace
}  // namespace jet::test
