// Recordsets as the data components drive them: the row sets of each kind,
// clones and deleted rows, Seek and Find, editing with the engine's
// refusals, field definitions.
#include "platform/jet/recordset_impl.h"
#include "tests/platform/jet/engine_fixture.h"

namespace jet::testing {
namespace {

class Recordsets : public OrbiscaDb {
 protected:
  void SetUp() override {
    OrbiscaDb::SetUp();
    Stock(QStringLiteral("000000000000000001"), QStringLiteral("Rossi"));
    Stock(QStringLiteral("000000000000000002"), QStringLiteral("abaco"));
    Stock(QStringLiteral("000000000000000003"), QStringLiteral("Zeta"));
    Stock(QStringLiteral("000000000000000004"), QStringLiteral("Èlite"));
  }
};

TEST_F(Recordsets, RowDeletedThroughACloneIsReportedInTheOther) {
  auto rs = db_->OpenRecordset(QStringLiteral("Giacenza"), dbOpenDynaset);
  auto clone = rs->Clone();
  rs->MoveFirst();
  clone->SetBookmark(rs->Bookmark());  // clones understand each other's bookmarks
  clone->MoveNext();
  const QByteArray second = clone->Bookmark();
  clone->Delete();
  rs->MoveNext();
  try {
    rs->Fields(QStringLiteral("Testata")).Value();
    FAIL() << "a deleted row was read";
  } catch (const EJetError &e) {
    EXPECT_EQ(e.Number(), kErrRecordDeleted);
    EXPECT_EQ(engine_.Errors(0).Number(), kErrRecordDeleted);
  }
  EXPECT_EQ(ErrorOf([&] { rs->SetBookmark(second); }), kErrRecordDeleted);
  // The clone itself moves on past its deleted row.
  clone->MoveNext();
  EXPECT_EQ(clone->Fields(QStringLiteral("Testata")).Value().AsString(), QStringLiteral("Zeta"));
  EXPECT_EQ(clone->RecordCount(), 3);
  EXPECT_EQ(rs->RecordCount(), 4);
}

TEST_F(Recordsets, SnapshotIsACopyAndDynasetReadsLive) {
  auto snap = db_->OpenRecordset(QStringLiteral("Giacenza"), dbOpenSnapshot);
  auto dyn = db_->OpenRecordset(QStringLiteral("Giacenza"), dbOpenDynaset);
  EXPECT_FALSE(snap->Updatable());
  EXPECT_EQ(ErrorOf([&] { snap->AddNew(); }), kErrReadOnly);
  Stock(QStringLiteral("000000000000000005"), QStringLiteral("Nuova"));
  db_->Execute(QStringLiteral("UPDATE Giacenza SET Giacenza = 9 WHERE Testata = 'rossi'"));
  EXPECT_EQ(Count(*snap), 4);
  EXPECT_EQ(Count(*dyn), 4);  // the set is fixed at open...
  snap->MoveFirst();
  dyn->MoveFirst();
  EXPECT_DOUBLE_EQ(snap->Fields(QStringLiteral("Giacenza")).Value().AsDouble(), 1);
  EXPECT_DOUBLE_EQ(dyn->Fields(QStringLiteral("Giacenza")).Value().AsDouble(), 9);  // ...the values are not
  // Rows added through the dynaset go at its end.
  dyn->AddNew();
  dyn->Fields(QStringLiteral("Barcode18")).SetValue("000000000000000000");
  dyn->Update();
  dyn->MoveLast();
  EXPECT_EQ(dyn->Fields(QStringLiteral("Barcode18")).Value().AsString(), QStringLiteral("000000000000000000"));
  EXPECT_EQ(dyn->LastModified(), dyn->Bookmark());
  EXPECT_EQ(dyn->RecordCount(), 5);
}

TEST_F(Recordsets, RefreshingTheCacheShowsOtherConnectionsChanges) {
  auto rs = db_->OpenRecordset(QStringLiteral("Giacenza"), dbOpenDynaset);
  EXPECT_DOUBLE_EQ(rs->Fields(QStringLiteral("Giacenza")).Value().AsDouble(), 1);
  auto other = engine_.OpenDatabase(path_);  // another connection, as another program
  other->Execute(QStringLiteral("UPDATE Giacenza SET Giacenza = 7"));
  engine_.Idle(dbFreeLocks);
  engine_.Idle(dbRefreshCache);
  EXPECT_DOUBLE_EQ(rs->Fields(QStringLiteral("Giacenza")).Value().AsDouble(), 7);
  other->Close();
}

// Rows are read ahead of the cursor several at a time: walked both ways
// over more rows than one reading takes, every row has its own values, and
// rows already read ahead show what another connection changed or deleted
// once the cache is refreshed (and what this one wrote at once).
TEST_F(Recordsets, RowsReadAheadFollowTheCursorAndTheFile) {
  constexpr int kRows = 150;
  for (int i = 5; i <= kRows; ++i)
    Stock(QStringLiteral("%1").arg(i, 18, 10, QLatin1Char('0')), QStringLiteral("T%1").arg(i), i);
  auto rs = db_->OpenRecordset(QStringLiteral("SELECT * FROM Giacenza ORDER BY Barcode18"), dbOpenDynaset);
  auto code = [&] { return rs->Fields(QStringLiteral("Barcode18")).Value().AsString().toInt(); };
  int expected = 1;
  for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) EXPECT_EQ(code(), expected++);
  EXPECT_EQ(expected, kRows + 1);
  for (rs->MoveLast(); !rs->Bof(); rs->MovePrevious()) EXPECT_EQ(code(), --expected);
  EXPECT_EQ(expected, 1);
  rs->MoveLast();
  rs->Move(-100);
  EXPECT_EQ(code(), kRows - 100);

  // Row 11 and 12 are read ahead with row 10; another connection changes
  // the first and deletes the second.
  rs->MoveFirst();
  rs->Move(9);
  EXPECT_EQ(code(), 10);
  auto other = engine_.OpenDatabase(path_);
  other->Execute(QStringLiteral("UPDATE Giacenza SET Testata = 'Cambiata' WHERE Barcode18 = '000000000000000011'"));
  other->Execute(QStringLiteral("DELETE FROM Giacenza WHERE Barcode18 = '000000000000000012'"));
  other->Close();
  engine_.Idle(dbRefreshCache);
  rs->MoveNext();
  EXPECT_EQ(rs->Fields(QStringLiteral("Testata")).Value().AsString(), QStringLiteral("Cambiata"));
  rs->MoveNext();
  EXPECT_EQ(ErrorOf([&] { rs->Fields(QStringLiteral("Testata")).Value(); }), kErrRecordDeleted);
  // A refresh with nothing changed keeps reading the same values.
  engine_.Idle(dbRefreshCache);
  rs->MoveNext();
  EXPECT_EQ(code(), 13);
  // A write of this connection shows in the rows read ahead without a refresh.
  db_->Execute(QStringLiteral("UPDATE Giacenza SET Giacenza = 99 WHERE Barcode18 = '000000000000000014'"));
  rs->MoveNext();
  EXPECT_DOUBLE_EQ(rs->Fields(QStringLiteral("Giacenza")).Value().AsDouble(), 99);
}

TEST_F(Recordsets, CursorPositionsAndBoundaries) {
  auto rs = db_->OpenRecordset(QStringLiteral("SELECT * FROM Giacenza ORDER BY Testata"), dbOpenDynaset);
  EXPECT_FALSE(rs->Bof());
  EXPECT_EQ(rs->AbsolutePosition(), 0);
  rs->MoveLast();
  EXPECT_EQ(rs->AbsolutePosition(), 3);
  EXPECT_DOUBLE_EQ(rs->PercentPosition(), 100);
  rs->MoveNext();
  EXPECT_TRUE(rs->Eof());
  EXPECT_EQ(ErrorOf([&] { rs->MoveNext(); }), kErrNoCurrentRecord);
  EXPECT_EQ(ErrorOf([&] { rs->Move(-2); }), kErrNoCurrentRecord);
  rs->MoveLast();
  rs->Move(-1);
  EXPECT_EQ(rs->Fields(QStringLiteral("Testata")).Value().AsString(), QStringLiteral("Rossi"));
  rs->MoveFirst();
  rs->MovePrevious();
  EXPECT_TRUE(rs->Bof());
  // Text orders by letter, case and accents aside: abaco, Èlite, Rossi, Zeta.
  rs->MoveFirst();
  EXPECT_EQ(rs->Fields(QStringLiteral("Testata")).Value().AsString(), QStringLiteral("abaco"));
  rs->MoveNext();
  EXPECT_EQ(rs->Fields(QStringLiteral("Testata")).Value().AsString(), QStringLiteral("Èlite"));
  // The data components keep only a bookmark's first four bytes: enough to come back.
  const QByteArray four = rs->Bookmark().left(4);
  rs->MoveLast();
  EXPECT_NE(rs->Bookmark().left(4), four);
  rs->SetBookmark(four);
  EXPECT_EQ(rs->Fields(QStringLiteral("Testata")).Value().AsString(), QStringLiteral("Èlite"));

  auto fwd = db_->OpenRecordset(QStringLiteral("Giacenza"), dbOpenForwardOnly);
  EXPECT_EQ(ErrorOf([&] { fwd->MovePrevious(); }), kErrInvalidOperation);
}

TEST_F(Recordsets, SeekOnTheKeyIgnoresCaseAndHonoursDirection) {
  auto rs = db_->OpenRecordset(QStringLiteral("Giacenza"), dbOpenTable);
  EXPECT_EQ(ErrorOf([&] { rs->Seek(QStringLiteral("="), {"x"}); }), 3019);
  auto &td = db_->TableDefs().Item(QStringLiteral("Giacenza"));
  auto idx = td.CreateIndex(QStringLiteral("TitoloDesc"));
  idx->Fields().Add(idx->CreateField(QStringLiteral("Testata"), dbDescending));
  td.AppendIndex(idx);

  rs->SetIndex(QStringLiteral("PrimaryKey"));
  rs->Seek(QStringLiteral("="), {"000000000000000003"});
  ASSERT_FALSE(rs->NoMatch());
  EXPECT_EQ(rs->Fields(QStringLiteral("Testata")).Value().AsString(), QStringLiteral("Zeta"));
  rs->Seek(QStringLiteral("="), {"999"});
  EXPECT_TRUE(rs->NoMatch());
  EXPECT_EQ(rs->Fields(QStringLiteral("Testata")).Value().AsString(), QStringLiteral("Zeta"));

  rs->SetIndex(QStringLiteral("TitoloDesc"));  // Zeta, Rossi, Èlite, abaco
  rs->Seek(QStringLiteral("="), {"ROSSI"});
  EXPECT_FALSE(rs->NoMatch());
  EXPECT_EQ(rs->Fields(QStringLiteral("Testata")).Value().AsString(), QStringLiteral("Rossi"));
  rs->Seek(QStringLiteral(">="), {"m"});  // the first at or after "m" going down the index
  EXPECT_EQ(rs->Fields(QStringLiteral("Testata")).Value().AsString(), QStringLiteral("Èlite"));
  rs->Seek(QStringLiteral("<"), {"m"});
  EXPECT_EQ(rs->Fields(QStringLiteral("Testata")).Value().AsString(), QStringLiteral("Rossi"));
  rs->MoveNext();
  EXPECT_EQ(rs->Fields(QStringLiteral("Testata")).Value().AsString(), QStringLiteral("Èlite"));
}

TEST_F(Recordsets, SeekOnTwoKeysOfTheJournalIndex) {
  const rtl::TDateTime d = rtl::EncodeDate(2005, 3, 1);
  Journal(d, QStringLiteral("000000000000000001"), 1, QStringLiteral("S"));
  Journal(d, QStringLiteral("000000000000000002"), 1, QStringLiteral("C"));
  Journal(d + 1, QStringLiteral("000000000000000003"), 1, QStringLiteral("C"));
  auto rs = db_->OpenRecordset(QStringLiteral("Giornale"), dbOpenTable);
  rs->SetIndex(QStringLiteral("DataTipo"));
  rs->Seek(QStringLiteral("="), {rtl::Variant::FromDate(d), "c"});
  ASSERT_FALSE(rs->NoMatch());
  EXPECT_EQ(rs->Fields(QStringLiteral("Barcode18")).Value().AsString(), QStringLiteral("000000000000000002"));
  rs->Seek(QStringLiteral(">="), {"01/03/2005", "D"});  // text keys read in the locale
  ASSERT_FALSE(rs->NoMatch());
  EXPECT_EQ(rs->Fields(QStringLiteral("Tipo")).Value().AsString(), QStringLiteral("S"));
  rs->Seek(QStringLiteral(">"), {rtl::Variant::FromDate(d)});
  EXPECT_EQ(rs->Fields(QStringLiteral("Barcode18")).Value().AsString(), QStringLiteral("000000000000000003"));
  EXPECT_NE(ErrorOf([&] { rs->Seek(QStringLiteral("=="), {1}); }), 0);
}

TEST_F(Recordsets, FindWalksInTheRecordsetOrderFromTheCurrentRow) {
  for (int type : {static_cast<int>(dbOpenDynaset), static_cast<int>(dbOpenSnapshot)}) {
    SCOPED_TRACE(type);
    auto rs = db_->OpenRecordset(QStringLiteral("SELECT * FROM Giacenza ORDER BY Testata"), type);
    rs->FindFirst(QStringLiteral("[Testata] = \"rossi\""));
    ASSERT_FALSE(rs->NoMatch());
    EXPECT_EQ(rs->AbsolutePosition(), 2);
    rs->FindNext(QStringLiteral("Testata Like \"*e*\""));
    EXPECT_EQ(rs->Fields(QStringLiteral("Testata")).Value().AsString(), QStringLiteral("Zeta"));
    rs->FindNext(QStringLiteral("Testata Like \"*e*\""));
    EXPECT_TRUE(rs->NoMatch());
    EXPECT_EQ(rs->AbsolutePosition(), 3);  // the cursor stays where it was
    rs->FindPrevious(QStringLiteral("Giacenza = 1 AND Testata <> \"Zeta\""));
    EXPECT_EQ(rs->Fields(QStringLiteral("Testata")).Value().AsString(), QStringLiteral("Rossi"));
    rs->FindLast(QStringLiteral("Testata < \"R\""));
    EXPECT_EQ(rs->Fields(QStringLiteral("Testata")).Value().AsString(), QStringLiteral("Èlite"));
    EXPECT_NE(ErrorOf([&] { rs->FindFirst(QStringLiteral("Testata = (")); }), 0);
    EXPECT_EQ(rs->AbsolutePosition(), 1);
  }
}

TEST_F(Recordsets, SortAndFilterApplyToTheRecordsetOpenedFromIt) {
  auto rs = db_->OpenRecordset(QStringLiteral("Giacenza"), dbOpenDynaset);
  rs->SetSort(QStringLiteral("[Testata] DESC "));
  rs->SetFilter(QStringLiteral("[Testata] <> \"zeta\""));
  auto sorted = rs->OpenRecordset();
  EXPECT_EQ(Count(*sorted), 3);
  sorted->MoveFirst();
  EXPECT_EQ(sorted->Fields(QStringLiteral("Testata")).Value().AsString(), QStringLiteral("Rossi"));
  EXPECT_TRUE(sorted->Updatable());
  sorted->Edit();
  sorted->Fields(QStringLiteral("Giacenza")).SetValue("12,50");
  sorted->Update();
  rs->MoveFirst();
  EXPECT_DOUBLE_EQ(rs->Fields(QStringLiteral("Giacenza")).Value().AsDouble(), 12.5);
  Stock(QStringLiteral("000000000000000009"), QStringLiteral("Sole"));
  sorted->Requery();
  EXPECT_EQ(Count(*sorted), 4);
}

// The rows of a recordset, one "field|field|..." text each.
QStringList RowTexts(Recordset &rs) {
  QStringList rows;
  if (rs.Bof() && rs.Eof()) return rows;
  for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
    QStringList row;
    for (int i = 0; i < rs.FieldCount(); ++i) row << rs.Fields(i).Value().AsString();
    rows << row.join(QLatin1Char('|'));
  }
  return rows;
}

TEST_F(Recordsets, SelectionGivenAtOpenHoldsWhatTheRecordsetOpenedFromTheCopyHolds) {
  // Entered out of the journal index's order: on one day and code a sale,
  // a load and a return, so rows that sort alike show whose order holds.
  const rtl::TDateTime day = rtl::EncodeDate(2005, 3, 1);
  for (int i = 0; i < 3; ++i) {
    for (const char *kind : {"S", "C", "R"})
      Journal(day + i, QStringLiteral("00000000000000000%1").arg(3 - i), 1, QString::fromLatin1(kind));
  }
  const QString sql = QStringLiteral(
      "SELECT Giornale.Progressivo, Giornale.Tipo, Giornale.Data, Giacenza.Testata FROM Giornale LEFT JOIN Giacenza "
      "ON Giornale.Barcode18 = Giacenza.Barcode18 ORDER BY Giornale.Progressivo");
  const RowSelection selection{QStringLiteral("[Data] >= #3/2/2005#"), QStringLiteral("[Testata], [Data]")};
  const int saved = detail::CopyRowsInMemory();
  for (const int in_memory : {saved, 2}) {  // a copy in memory, and one in a temporary table
    detail::SetCopyRowsInMemory(in_memory);
    auto copy = db_->OpenRecordset(sql, dbOpenSnapshot);
    copy->SetFilter(selection.filter);
    copy->SetSort(selection.sort);
    const QStringList derived = RowTexts(*copy->OpenRecordset(dbOpenSnapshot));
    auto narrowed = db_->OpenRecordset(sql, dbOpenSnapshot, 0, 0, selection);
    EXPECT_EQ(RowTexts(*narrowed), derived) << in_memory;
    // abaco before Rossi; the rows of one day and article as they were
    // entered, not in the order of the journal's index on day and kind.
    EXPECT_EQ(derived, QStringList({"4|S|02/03/2005|abaco", "5|C|02/03/2005|abaco", "6|R|02/03/2005|abaco",
                                    "7|S|03/03/2005|Rossi", "8|C|03/03/2005|Rossi", "9|R|03/03/2005|Rossi"}))
        << in_memory;
    EXPECT_FALSE(narrowed->Updatable());
    EXPECT_EQ(narrowed->Type(), dbOpenSnapshot);
  }
  detail::SetCopyRowsInMemory(saved);
  // A table-type recordset keeps its index's order: it takes no selection.
  EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset(QStringLiteral("Giacenza"), dbOpenTable, 0, 0, selection); }),
            kErrInvalidOperation);
}

TEST_F(Recordsets, CopyOpenedFromACopyOfADynasetReadsItsOwnFields) {
  auto dyn = db_->OpenRecordset(QStringLiteral("Giacenza"), dbOpenDynaset);
  dyn->SetFilter(QStringLiteral("[Testata] <> \"zeta\""));
  auto copy = dyn->OpenRecordset(dbOpenSnapshot);
  copy->SetSort(QStringLiteral("[Testata]"));
  auto sorted = copy->OpenRecordset(dbOpenSnapshot);
  ASSERT_EQ(Count(*sorted), 3);
  sorted->MoveFirst();
  EXPECT_EQ(sorted->Fields(QStringLiteral("Testata")).Value().AsString(), QStringLiteral("abaco"));
  EXPECT_EQ(sorted->Fields(QStringLiteral("Barcode18")).Value().AsString(), QStringLiteral("000000000000000002"));
}

TEST_F(Recordsets, EditingRefusalsLeaveTheRowUnchanged) {
  auto rs = db_->OpenRecordset(QStringLiteral("Giacenza"), dbOpenDynaset);
  rs->MoveFirst();
  rs->Edit();
  EXPECT_EQ(ErrorOf([&] { rs->Fields(QStringLiteral("Testata")).SetValue(QString(31, QLatin1Char('T'))); }),
            kErrFieldTooSmall);
  EXPECT_EQ(ErrorOf([&] { rs->Fields(QStringLiteral("Giacenza")).SetValue("molte"); }), kErrConversion);
  EXPECT_EQ(ErrorOf([&] { rs->Fields(QStringLiteral("Ucarico")).SetValue("32/13/2004"); }), kErrConversion);
  rs->Fields(QStringLiteral("CD")).SetValue(rtl::Variant::Null());
  rs->Fields(QStringLiteral("Barcode18")).SetValue("000000000000000002");
  EXPECT_EQ(ErrorOf([&] { rs->Update(); }), kErrDuplicateKey);
  rs->CancelUpdate();
  EXPECT_EQ(rs->Fields(QStringLiteral("Testata")).Value().AsString(), QStringLiteral("Rossi"));
  EXPECT_EQ(rs->Fields(QStringLiteral("CD")).Value().AsBoolean(), false);
  EXPECT_EQ(ErrorOf([&] { rs->Update(); }), kErrUpdateWithoutEdit);

  // The 31-character title through a new row: refused, nothing written.
  rs->AddNew();
  rs->Fields(QStringLiteral("Barcode18")).SetValue("000000000000000077");
  EXPECT_EQ(ErrorOf([&] { rs->Fields(QStringLiteral("Testata")).SetValue(QString(31, QLatin1Char('T'))); }),
            kErrFieldTooSmall);
  rs->CancelUpdate();
  EXPECT_EQ(db_->TableDefs().Item(QStringLiteral("Giacenza")).RecordCount(), 4);

  // The primary key cannot stay empty.
  rs->AddNew();
  rs->Fields(QStringLiteral("Testata")).SetValue("Senza codice");
  EXPECT_EQ(ErrorOf([&] { rs->Update(); }), kErrKeyNull);
  rs->CancelUpdate();
}

TEST_F(Recordsets, NewRowsGetDefaultsCountersAndTypedValues) {
  auto rs = db_->OpenRecordset(QStringLiteral("Giornale"), dbOpenDynaset);
  rs->AddNew();
  const int number = rs->Fields(QStringLiteral("Progressivo")).Value().AsInteger();
  EXPECT_GE(number, 1);  // the counter is known before Update
  EXPECT_DOUBLE_EQ(rs->Fields(QStringLiteral("Quantita")).Value().AsDouble(), 0);
  rs->Fields(QStringLiteral("Data")).SetValue("31/12/2004");
  rs->Fields(QStringLiteral("Prezzo_V")).SetValue("1,20");
  rs->Fields(QStringLiteral("Tipo")).SetValue("S");
  rs->Update();
  rs->SetBookmark(rs->LastModified());
  EXPECT_EQ(rs->Fields(QStringLiteral("Progressivo")).Value().AsInteger(), number);
  EXPECT_DOUBLE_EQ(rs->Fields(QStringLiteral("Data")).Value().AsDateTime(), rtl::EncodeDate(2004, 12, 31));
  EXPECT_DOUBLE_EQ(rs->Fields(QStringLiteral("Prezzo_V")).Value().AsDouble(), 1.2);
  EXPECT_EQ(ErrorOf([&] { rs->Fields(QStringLiteral("Progressivo")).SetValue(5); }), kErrUpdateWithoutEdit);
  rs->Edit();
  EXPECT_NE(ErrorOf([&] { rs->Fields(QStringLiteral("Progressivo")).SetValue(5); }), 0);
  rs->CancelUpdate();
  rs->Delete();
  rs->AddNew();
  EXPECT_GT(rs->Fields(QStringLiteral("Progressivo")).Value().AsInteger(), number);  // numbers are not reused
  rs->CancelUpdate();
}

TEST_F(Recordsets, FieldDefinitionsDescribeTheColumns) {
  auto rs = db_->OpenRecordset(QStringLiteral("Giornale"), dbOpenDynaset);
  Field &number = rs->Fields(QStringLiteral("Progressivo"));
  EXPECT_EQ(number.Type(), dbLong);
  EXPECT_TRUE(number.Attributes() & dbAutoIncrField);
  EXPECT_FALSE(number.Attributes() & dbUpdatableField);
  Field &kind = rs->Fields(QStringLiteral("Tipo"));
  EXPECT_EQ(kind.Type(), dbText);
  EXPECT_EQ(kind.Size(), 1);
  EXPECT_TRUE(kind.Attributes() & dbUpdatableField);
  EXPECT_FALSE(kind.HasProperty(QStringLiteral("Format")));
  EXPECT_EQ(ErrorOf([&] { kind.Property(QStringLiteral("Caption")); }), kErrPropertyNotFound);
  Field &day = rs->Fields(QStringLiteral("Data"));
  EXPECT_EQ(day.Type(), dbDate);
  EXPECT_EQ(day.Property(QStringLiteral("Format")), QStringLiteral("Short Date"));
  EXPECT_EQ(rs->Fields(QStringLiteral("Quantita")).DefaultValue(), QStringLiteral("0"));
  EXPECT_EQ(rs->Fields(QStringLiteral("Quantita")).Type(), dbDouble);
  EXPECT_EQ(ErrorOf([&] { rs->Fields(QStringLiteral("Nessuno")); }), kErrItemNotFound);

  auto join = db_->QueryDefs().Item(QStringLiteral("StampaGiornale")).OpenRecordset(dbOpenSnapshot);
  EXPECT_EQ(join->Fields(QStringLiteral("CD")).Type(), dbBoolean);
  EXPECT_EQ(join->Fields(QStringLiteral("Testata")).SourceTable(), QStringLiteral("Giacenza"));
  EXPECT_EQ(join->Fields(QStringLiteral("Valore_A")).Type(), dbDouble);
}

TEST_F(Recordsets, TransactionsRollBack) {
  auto ws = engine_.CreateWorkspace(QStringLiteral("DaoWorkspace"), QStringLiteral("Admin"), {});
  auto db = ws->OpenDatabase(path_);
  ws->BeginTrans();
  db->Execute(QStringLiteral("DELETE FROM Giacenza"));
  EXPECT_EQ(db->RecordsAffected(), 4);
  ws->BeginTrans();
  db->Execute(QStringLiteral("DELETE FROM Periodo"));
  ws->Rollback();
  EXPECT_EQ(db->TableDefs().Item(QStringLiteral("Periodo")).RecordCount(), 8);
  ws->Rollback();
  EXPECT_EQ(db->TableDefs().Item(QStringLiteral("Giacenza")).RecordCount(), 4);
  EXPECT_EQ(ErrorOf([&] { ws->CommitTrans(); }), kErrTransaction);
  db->Close();
}

}  // namespace
}  // namespace jet::testing
