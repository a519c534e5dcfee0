// What the engine keeps to open sets again quickly never shows: a copy's
// packed rows give back every kind of value as the statement gave it; a set
// sorted by the table's counter takes the ids it already has and still
// follows later writes; a clone changes its own ids only; kept translations
// are forgotten when the catalogue changes; sets opened again see new rows.
#include "tests/platform/jet/engine_fixture.h"

namespace jet::testing {
namespace {

class Reuse : public OrbiscaDb {};

TEST_F(Reuse, CopiesGiveBackEveryKindOfValue) {
  Journal(45000.25, QStringLiteral("111"), 3, QStringLiteral("C"), 2.5, 1.25);
  Journal(45001, QStringLiteral("\u20AC\u00E8 long code"), -1, QStringLiteral("S"));
  db_->Execute(QStringLiteral("UPDATE Giornale SET Tipo = Null WHERE Barcode18 = '111'"));
  const QString sql = QStringLiteral(
      "SELECT Progressivo, Data, Barcode18, Quantita, Tipo, Quantita * 2 AS Twice, Barcode18 & '!' AS Marked, "
      "CLng(Quantita) AS Whole, Null AS Nothing FROM Giornale ORDER BY Progressivo");
  auto copy = db_->OpenRecordset(sql, dbOpenSnapshot);
  auto live = db_->OpenRecordset(QStringLiteral("Giornale"), dbOpenDynaset);
  ASSERT_EQ(Count(*copy), 2);
  copy->MoveFirst();
  live->MoveFirst();
  for (int row = 0; row < 2; ++row, copy->MoveNext(), live->MoveNext()) {
    SCOPED_TRACE(row);
    for (const char *name : {"Progressivo", "Data", "Barcode18", "Quantita", "Tipo"}) {
      const rtl::Variant a = copy->Fields(QString::fromLatin1(name)).Value();
      const rtl::Variant b = live->Fields(QString::fromLatin1(name)).Value();
      EXPECT_EQ(a.Type(), b.Type()) << name;
      EXPECT_TRUE(a == b) << name;
    }
  }
  copy->MoveLast();
  EXPECT_EQ(copy->Fields(QStringLiteral("Barcode18")).Value().AsString(), QStringLiteral("\u20AC\u00E8 long code"));
  EXPECT_DOUBLE_EQ(copy->Fields(QStringLiteral("Twice")).Value().AsDouble(), -2);
  EXPECT_EQ(copy->Fields(QStringLiteral("Marked")).Value().AsString(), QStringLiteral("\u20AC\u00E8 long code!"));
  EXPECT_EQ(copy->Fields(QStringLiteral("Whole")).Value().AsInteger(), -1);
  EXPECT_TRUE(copy->Fields(QStringLiteral("Nothing")).Value().IsNull());
  // Computed columns take the type of their first value.
  EXPECT_EQ(copy->Fields(QStringLiteral("Twice")).Type(), dbDouble);
  EXPECT_EQ(copy->Fields(QStringLiteral("Marked")).Type(), dbText);
  EXPECT_EQ(copy->Fields(QStringLiteral("Whole")).Type(), dbLong);
  // Finding in a copy reads its packed rows.
  copy->FindFirst(QStringLiteral("Quantita = 3"));
  ASSERT_FALSE(copy->NoMatch());
  EXPECT_TRUE(copy->Fields(QStringLiteral("Tipo")).Value().IsNull());
}

TEST_F(Reuse, SortedByTheCounterTheSetKeepsFollowingWrites) {
  for (int i = 0; i < 5; ++i) Journal(45000 + i, QStringLiteral("%1").arg(100 + i), 1, QStringLiteral("C"));
  auto table = db_->OpenRecordset(QStringLiteral("Giornale"), dbOpenDynaset);
  table->SetSort(QStringLiteral("[Progressivo]"));
  auto by_counter = table->OpenRecordset(dbOpenDynaset);
  table->SetSort(QStringLiteral("[Progressivo] DESC"));
  auto backwards = table->OpenRecordset(dbOpenDynaset);
  ASSERT_EQ(Count(*by_counter), 5);
  EXPECT_EQ(Count(*backwards), 5);
  by_counter->MoveFirst();
  backwards->MoveFirst();
  EXPECT_EQ(by_counter->Fields(QStringLiteral("Barcode18")).Value().AsString(), QStringLiteral("100"));
  EXPECT_EQ(backwards->Fields(QStringLiteral("Barcode18")).Value().AsString(), QStringLiteral("104"));
  // Rows added through the sorted set and elsewhere, and one deleted.
  by_counter->AddNew();
  by_counter->Fields(QStringLiteral("Barcode18")).SetValue(QStringLiteral("200"));
  by_counter->Update();
  by_counter->MoveFirst();
  by_counter->Delete();
  EXPECT_EQ(Count(*by_counter), 5);
  EXPECT_EQ(Count(*table), 5);  // the table's own set keeps its ids
  Journal(45010, QStringLiteral("300"), 1, QStringLiteral("C"));
  table->SetSort(QStringLiteral("[Progressivo] ASC"));
  auto again = table->OpenRecordset(dbOpenDynaset);
  QStringList codes;
  for (again->MoveFirst(); !again->Eof(); again->MoveNext())
    codes << again->Fields(QStringLiteral("Barcode18")).Value().AsString();
  EXPECT_EQ(codes, QStringList({"101", "102", "103", "104", "200", "300"}));
}

TEST_F(Reuse, AClonesIdsAreItsOwnOnceChanged) {
  for (int i = 0; i < 3; ++i) Journal(45000, QStringLiteral("%1").arg(i), 1, QStringLiteral("C"));
  auto rs = db_->OpenRecordset(QStringLiteral("Giornale"), dbOpenDynaset);
  auto clone = rs->Clone();
  clone->MoveFirst();
  clone->Delete();
  EXPECT_EQ(Count(*clone), 2);
  rs->AddNew();
  rs->Fields(QStringLiteral("Barcode18")).SetValue(QStringLiteral("new"));
  rs->Update();
  EXPECT_EQ(Count(*clone), 2);
  EXPECT_EQ(rs->RecordCount(), 4);
}

TEST_F(Reuse, KeptTranslationsFollowTheCatalogueAndTheRows) {
  db_->CreateQueryDef(QStringLiteral("Scelta"), QStringLiteral("SELECT Periodo FROM Periodo"));
  const QString sql = QStringLiteral("SELECT * FROM Scelta");
  auto before = db_->OpenRecordset(sql, dbOpenSnapshot);
  EXPECT_EQ(before->FieldCount(), 1);
  const int rows = Count(*before);
  // The stored query changes: the same text now means its new columns.
  db_->DeleteQueryDef(QStringLiteral("Scelta"));
  db_->CreateQueryDef(QStringLiteral("Scelta"), QStringLiteral("SELECT Periodo, Giorni FROM Periodo"));
  db_->Execute(QStringLiteral("INSERT INTO Periodo (Periodo, Descrizione, Giorni) VALUES ('ZZ', 'Prova', 3)"));
  auto after = db_->OpenRecordset(sql, dbOpenSnapshot);
  EXPECT_EQ(after->FieldCount(), 2);
  EXPECT_EQ(Count(*after), rows + 1);
  // A stored query with a literal date is read again each time, in the
  // year of the moment.
  db_->CreateQueryDef(QStringLiteral("Primo"), QStringLiteral("SELECT #1/1# AS Giorno FROM Periodo"));
  auto first = db_->OpenRecordset(QStringLiteral("Primo"), dbOpenSnapshot);
  ASSERT_FALSE(first->Eof());
  int year = 0, month = 0, day = 0;
  rtl::DecodeDate(first->Fields(QStringLiteral("Giorno")).Value().AsDateTime(), year, month, day);
  int now_year = 0;
  rtl::DecodeDate(rtl::Date(), now_year, month, day);
  EXPECT_EQ(year, now_year);
}

}  // namespace
}  // namespace jet::testing
