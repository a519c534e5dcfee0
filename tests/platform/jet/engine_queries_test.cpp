// The program's stored queries and statements as the program runs them:
// parameters passed as text in the locale, a day without movements, the
// purge statement with a date literal.
#include <QLocale>
#include <clocale>

#include "platform/rtl/formatsettings.h"
#include "tests/platform/jet/engine_fixture.h"

namespace jet::testing {
namespace {

class StoredQueries : public OrbiscaDb {
 protected:
  void SetUp() override {
    OrbiscaDb::SetUp();
    Stock(QStringLiteral("977112233445501234"), QStringLiteral("Corriere"));
    Stock(QStringLiteral("977556677889900000"), QStringLiteral("Topolino"));
    const rtl::TDateTime d31 = rtl::EncodeDate(2004, 12, 31);
    Journal(d31, QStringLiteral("977112233445501234"), 10, QStringLiteral("C"), 1.2, 1.0);
    Journal(d31, QStringLiteral("977556677889900000"), 5, QStringLiteral("C"), 2.5, 2.0);
    Journal(d31, QStringLiteral("977556677889900000"), -1, QStringLiteral("S"), 2.5, 2.0);
    Journal(rtl::EncodeDate(2004, 12, 30), QStringLiteral("977112233445501234"), 3, QStringLiteral("C"));
  }

  RecordsetPtr Open(const QString &query, std::initializer_list<rtl::Variant> values, int type) {
    auto qd = db_->QueryDefs().Ptr(query);
    int i = 0;
    for (const rtl::Variant &v : values) {
      EXPECT_EQ(qd->Parameters()[i].Direction(), dbParamInput);
      qd->Parameters()[i++].SetValue(v);
    }
    return qd->OpenRecordset(type);
  }
};

TEST_F(StoredQueries, DayListAndTotalsTakeTextParametersInTheLocale) {
  auto day = Open(QStringLiteral("un_giorno"), {"31/12/2004", "C"}, dbOpenSnapshot);
  ASSERT_EQ(Count(*day), 2);
  day->MoveFirst();  // newest registration first
  EXPECT_EQ(day->Fields(QStringLiteral("Testata")).Value().AsString(), QStringLiteral("Topolino"));
  EXPECT_DOUBLE_EQ(day->Fields(QStringLiteral("Quantita")).Value().AsDouble(), 5);
  EXPECT_EQ(day->Fields(QStringLiteral("Data")).Value().Type(), rtl::VarType::Date);
  day->MoveNext();
  EXPECT_EQ(day->Fields(QStringLiteral("Testata")).Value().AsString(), QStringLiteral("Corriere"));

  auto totals = Open(QStringLiteral("totali"), {"31/12/2004", "C"}, dbOpenDynaset);
  ASSERT_EQ(Count(*totals), 1);
  totals->MoveFirst();
  EXPECT_DOUBLE_EQ(totals->Fields(QStringLiteral("Acquisto")).Value().AsDouble(), 10 * 1.0 + 5 * 2.0);
  EXPECT_DOUBLE_EQ(totals->Fields(QStringLiteral("Vendita")).Value().AsDouble(), 10 * 1.2 + 5 * 2.5);
  EXPECT_FALSE(totals->Updatable());  // grouped rows belong to no single row
  EXPECT_EQ(ErrorOf([&] { totals->Edit(); }), kErrReadOnly);
}

TEST_F(StoredQueries, ResultsDoNotDependOnTheProcessLocale) {
  const QLocale saved = QLocale();
  const std::string c_locale = std::setlocale(LC_ALL, nullptr);
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  std::setlocale(LC_ALL, "C");
  auto day = Open(QStringLiteral("un_giorno"), {"31/12/2004", "C"}, dbOpenSnapshot);
  EXPECT_EQ(Count(*day), 2);
  auto history = Open(QStringLiteral("Storico"), {"977556677889900000"}, dbOpenDynaset);
  EXPECT_EQ(Count(*history), 2);
  QLocale::setDefault(saved);
  std::setlocale(LC_ALL, c_locale.c_str());

  // The program's own locale is what reads the text: month first here.
  rtl::FormatSettingsGuard english(rtl::EnglishFormatSettings());
  auto again = Open(QStringLiteral("un_giorno"), {"12/31/2004", "C"}, dbOpenSnapshot);
  EXPECT_EQ(Count(*again), 2);
}

TEST_F(StoredQueries, ADayWithoutMovementsGivesNoRowsButTypedColumns) {
  auto totals = Open(QStringLiteral("totali"), {"01/01/2005", "C"}, dbOpenDynaset);
  EXPECT_TRUE(totals->Bof());
  EXPECT_TRUE(totals->Eof());
  EXPECT_EQ(totals->RecordCount(), 0);
  EXPECT_EQ(totals->Fields(QStringLiteral("Acquisto")).Type(), dbDouble);
  EXPECT_EQ(totals->Fields(QStringLiteral("Data")).Type(), dbDate);
  EXPECT_EQ(ErrorOf([&] { totals->Fields(0).Value(); }), kErrNoCurrentRecord);
}

TEST_F(StoredQueries, MissingOrUnconvertibleParametersAreRefused) {
  auto qd = db_->QueryDefs().Ptr(QStringLiteral("un_giorno"));
  ASSERT_EQ(qd->Parameters().Count(), 2);
  EXPECT_EQ(qd->Parameters()[0].Name(), QStringLiteral("Sel_data"));
  qd->Parameters()[0].SetValue("31/12/2004");
  EXPECT_EQ(ErrorOf([&] { qd->OpenRecordset(dbOpenSnapshot); }), kErrTooFewParameters);
  EXPECT_NE(ErrorOf([&] { qd->Parameters()[0].SetValue("trentuno"); }), 0);
  EXPECT_EQ(engine_.Errors(0).Number(), engine_.Errors(0).Number());
  EXPECT_FALSE(engine_.Errors(0).Description().isEmpty());
}

TEST_F(StoredQueries, StockHistoryIsAnEditableDynasetOverTheJournal) {
  auto history = Open(QStringLiteral("Storico"), {"977556677889900000"}, dbOpenDynaset);
  ASSERT_TRUE(history->Updatable());
  history->MoveFirst();
  EXPECT_DOUBLE_EQ(history->Fields(QStringLiteral("Quantita")).Value().AsDouble(), -1);
  history->Edit();
  history->Fields(QStringLiteral("Quantita")).SetValue("-2");
  history->Update();
  auto check = db_->OpenRecordset(QStringLiteral("SELECT Quantita FROM Giornale WHERE Tipo = \"S\""), dbOpenSnapshot);
  EXPECT_DOUBLE_EQ(check->Fields(0).Value().AsDouble(), -2);
}

TEST_F(StoredQueries, PurgeStatementDeletesTheLastDayToo) {
  Journal(rtl::EncodeDate(2006, 12, 31), QStringLiteral("977112233445501234"), 1, QStringLiteral("C"));
  Journal(rtl::EncodeDate(2007, 1, 1), QStringLiteral("977112233445501234"), 1, QStringLiteral("C"));
  db_->Execute(QStringLiteral("delete FROM giornale WHERE data<=#12/31/2006#"), dbFailOnError);
  EXPECT_EQ(db_->RecordsAffected(), 5);
  auto left = db_->OpenRecordset(QStringLiteral("Giornale"));
  EXPECT_EQ(Count(*left), 1);
  left->MoveFirst();
  EXPECT_DOUBLE_EQ(left->Fields(QStringLiteral("Data")).Value().AsDateTime(), rtl::EncodeDate(2007, 1, 1));
}

TEST_F(StoredQueries, StatementsThatFailRaiseAndWriteNothing) {
  EXPECT_EQ(ErrorOf([&] {
              db_->Execute(QStringLiteral("UPDATE Giacenza SET Testata = \"") + QString(31, QLatin1Char('x')) +
                               QStringLiteral("\""),
                           dbFailOnError);
            }),
            kErrFieldTooSmall);
  EXPECT_EQ(ErrorOf([&] { db_->Execute(QStringLiteral("SELECT * FROM Giornale")); }), kErrCannotExecuteSelect);
  EXPECT_NE(ErrorOf([&] { db_->Execute(QStringLiteral("DELETE FROM Giornale WHERE ((")); }), 0);
  auto stock = db_->OpenRecordset(QStringLiteral("SELECT Testata FROM Giacenza ORDER BY Testata"), dbOpenSnapshot);
  EXPECT_EQ(stock->Fields(0).Value().AsString(), QStringLiteral("Corriere"));
}

}  // namespace
}  // namespace jet::testing
