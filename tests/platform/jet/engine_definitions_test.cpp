// Query definitions, read-only opening and the cases where a recordset
// cannot do what it is asked, as the data components and the export meet them.
#include <QFile>

#include "platform/jet/recordset_impl.h"
#include "tests/platform/jet/engine_fixture.h"

namespace jet::testing {
namespace {

class Definitions : public OrbiscaDb {
 protected:
  void SetUp() override {
    OrbiscaDb::SetUp();
    for (int i = 1; i <= 5; ++i)
      Journal(rtl::EncodeDate(2005, 1, i), QStringLiteral("A%1").arg(i), i,
              i % 2 ? QStringLiteral("C") : QStringLiteral("S"));
  }
};

TEST_F(Definitions, TemporaryAndActionQueries) {
  auto temp = db_->CreateQueryDef({}, QStringLiteral("SELECT * FROM Giornale ORDER BY Data DESC"));
  EXPECT_EQ(db_->QueryDefs().Count(), 4);  // not stored
  temp->SetMaxRecords(2);
  auto rs = temp->OpenRecordset(dbOpenSnapshot);
  EXPECT_EQ(Count(*rs), 2);
  rs->MoveFirst();
  EXPECT_EQ(rs->Fields(QStringLiteral("Barcode18")).Value().AsString(), QStringLiteral("A5"));

  auto purge =
      db_->CreateQueryDef(QStringLiteral("Pulizia"),
                          QStringLiteral("DELETE * FROM Giornale WHERE Data <= [fino_al] AND Tipo = [sel_tipo]"));
  EXPECT_EQ(purge->Type(), dbQDelete);
  EXPECT_EQ(ErrorOf([&] { purge->OpenRecordset(); }), kErrInvalidOperation);
  EXPECT_EQ(ErrorOf([&] { purge->Execute(dbFailOnError); }), kErrTooFewParameters);
  purge->Parameters()[QStringLiteral("fino_al")].SetValue("03/01/2005");
  purge->Parameters()[QStringLiteral("SEL_TIPO")].SetValue("C");
  purge->Execute(dbFailOnError);
  EXPECT_EQ(purge->RecordsAffected(), 2);
  db_->Refresh();
  EXPECT_EQ(db_->QueryDefs().Item(QStringLiteral("pulizia")).SQL(), purge->SQL());
}

TEST_F(Definitions, ExportStyleWorkInsideARolledBackTransaction) {
  auto ws = engine_.Workspaces(0);
  ws->BeginTrans();
  db_->Execute(QStringLiteral("CREATE TABLE Copia (Codice TEXT(18))"));
  auto copy = db_->CreateQueryDef(QStringLiteral("Esporta"),
                                  QStringLiteral("INSERT INTO Copia (Codice) SELECT Barcode18 FROM Giornale"));
  copy->Execute(dbFailOnError);
  EXPECT_EQ(copy->RecordsAffected(), 5);
  ws->Rollback();
  EXPECT_EQ(db_->QueryDefs().Find(QStringLiteral("Esporta")), nullptr);
  EXPECT_EQ(db_->TableDefs().Find(QStringLiteral("Copia")), nullptr);
}

TEST_F(Definitions, ReadOnlyDatabaseRefusesWrites) {
  db_->Close();
  auto ro = engine_.OpenDatabase(path_, false, true);
  EXPECT_FALSE(ro->Updatable());
  auto rs = ro->OpenRecordset(QStringLiteral("Giornale"), dbOpenDynaset);
  EXPECT_FALSE(rs->Updatable());
  EXPECT_EQ(ErrorOf([&] { rs->AddNew(); }), kErrReadOnly);
  EXPECT_EQ(ErrorOf([&] { ro->Execute(QStringLiteral("DELETE FROM Giornale")); }), kErrReadOnly);
  EXPECT_EQ(Count(*rs), 5);
  ro->Close();
}

TEST_F(Definitions, WhatARecordsetCannotDo) {
  EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset(QStringLiteral("Inesistente")); }), kErrTableNotFound);
  EXPECT_EQ(engine_.Errors(0).Number(), kErrTableNotFound);
  EXPECT_FALSE(engine_.Errors(0).Source().isEmpty());
  EXPECT_NE(ErrorOf([&] { db_->OpenRecordset(QStringLiteral("SELECT FROM WHERE")); }), 0);
  EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset(QStringLiteral("SELECT * FROM Giornale"), dbOpenTable); }),
            kErrInvalidOperation);
  auto join = db_->QueryDefs().Item(QStringLiteral("StampaGiornale")).OpenRecordset(dbOpenDynaset);
  EXPECT_FALSE(join->Updatable());
  // A grouped dynaset has no row of the table behind each of its rows.
  Journal(rtl::EncodeDate(2004, 12, 31), QStringLiteral("000000000000000001"), 2, QStringLiteral("C"));
  auto grouped =
      db_->OpenRecordset(QStringLiteral("SELECT Tipo, Sum(Quantita) AS Q FROM Giornale GROUP BY Tipo"), dbOpenDynaset);
  EXPECT_FALSE(grouped->Updatable());
  EXPECT_EQ(ErrorOf([&] { grouped->Edit(); }), kErrReadOnly);
  EXPECT_EQ(ErrorOf([&] { grouped->AddNew(); }), kErrReadOnly);
  auto dyn = db_->OpenRecordset(QStringLiteral("Giornale"), dbOpenDynaset);
  EXPECT_EQ(ErrorOf([&] { dyn->SetIndex(QStringLiteral("DataTipo")); }), kErrInvalidOperation);
  EXPECT_EQ(ErrorOf([&] { dyn->SetBookmark(QByteArray("\x01", 1)); }), kErrNotBookmark);
  auto table = db_->OpenRecordset(QStringLiteral("Giornale"));
  EXPECT_EQ(table->Type(), dbOpenTable);
  EXPECT_EQ(ErrorOf([&] { table->FindFirst(QStringLiteral("Tipo = 'C'")); }), kErrInvalidOperation);
  EXPECT_EQ(ErrorOf([&] { table->SetIndex(QStringLiteral("Nessuno")); }), 3800);
  EXPECT_EQ(ErrorOf([&] { dyn->FindFirst(QStringLiteral("Colonna = 1")); }), kErrUnknownName);
}

TEST_F(Definitions, PositionsAndCopiesOfCopies) {
  auto snap = db_->OpenRecordset(QStringLiteral("SELECT * FROM Giornale ORDER BY Data"), dbOpenSnapshot);
  snap->SetAbsolutePosition(3);
  const QByteArray mark = snap->Bookmark();
  auto clone = snap->Clone();
  clone->SetBookmark(mark);
  EXPECT_EQ(clone->Fields(QStringLiteral("Barcode18")).Value().AsString(), QStringLiteral("A4"));
  clone->SetPercentPosition(0);
  EXPECT_EQ(clone->AbsolutePosition(), 0);
  EXPECT_DOUBLE_EQ(snap->PercentPosition(), 75);
  snap->SetFilter(QStringLiteral("Tipo = \"S\""));
  snap->SetSort(QStringLiteral("Data DESC"));
  auto only_sales = snap->OpenRecordset(dbOpenSnapshot);
  EXPECT_EQ(Count(*only_sales), 2);
  only_sales->MoveFirst();
  EXPECT_EQ(only_sales->Fields(QStringLiteral("Barcode18")).Value().AsString(), QStringLiteral("A4"));
  Journal(rtl::EncodeDate(2005, 1, 9), QStringLiteral("A9"), 1, QStringLiteral("S"));
  EXPECT_EQ(Count(*only_sales), 2);
  only_sales->Requery();  // a copy sees new rows only when asked again
  EXPECT_EQ(Count(*only_sales), 3);

  auto fwd = db_->OpenRecordset(QStringLiteral("Giornale"), dbOpenForwardOnly);
  int n = 0;
  for (; !fwd->Eof(); fwd->MoveNext()) ++n;
  EXPECT_EQ(n, 6);
  EXPECT_FALSE(fwd->Updatable());
}

TEST_F(Definitions, TableRecordsetsSeeRowsAddedElsewhere) {
  auto table = db_->OpenRecordset(QStringLiteral("Giornale"), dbOpenTable);
  table->SetIndex(QStringLiteral("Barcode18"));
  Journal(rtl::EncodeDate(2005, 2, 1), QStringLiteral("NUOVO"), 1, QStringLiteral("C"));
  table->Seek(QStringLiteral("="), {"nuovo"});
  ASSERT_FALSE(table->NoMatch());
  EXPECT_EQ(table->Fields(QStringLiteral("Barcode18")).Value().AsString(), QStringLiteral("NUOVO"));
  db_->Execute(QStringLiteral("DELETE FROM Giornale WHERE Barcode18 = 'A1'"));
  EXPECT_EQ(table->RecordCount(), 5);
  table->MoveFirst();  // in index order: A2 is now the first code
  EXPECT_EQ(table->Fields(QStringLiteral("Barcode18")).Value().AsString(), QStringLiteral("A2"));
  db_->Close();
  EXPECT_EQ(ErrorOf([&] { table->MoveFirst(); }), kErrObjectClosed);
}

TEST_F(Definitions, LargeCopiesBehaveLikeSmallOnes) {
  // A copy beyond the in-memory limit lives in a temporary table.
  const int saved = detail::CopyRowsInMemory();
  detail::SetCopyRowsInMemory(2);
  {
    auto snap = db_->OpenRecordset(QStringLiteral("SELECT Barcode18, Data, Tipo FROM Giornale ORDER BY Data DESC"),
                                   dbOpenSnapshot);
    EXPECT_FALSE(snap->Updatable());
    EXPECT_EQ(snap->RecordCount(), 5);
    EXPECT_EQ(snap->Fields(QStringLiteral("Barcode18")).Value().AsString(), QStringLiteral("A5"));
    EXPECT_EQ(snap->Fields(QStringLiteral("Data")).Type(), dbDate);
    snap->FindFirst(QStringLiteral("Tipo = \"s\""));
    EXPECT_EQ(snap->Fields(QStringLiteral("Barcode18")).Value().AsString(), QStringLiteral("A4"));
    auto clone = snap->Clone();
    clone->SetBookmark(snap->Bookmark());
    EXPECT_EQ(clone->AbsolutePosition(), 1);
    db_->Execute(QStringLiteral("DELETE FROM Giornale"));
    EXPECT_EQ(Count(*snap), 5);  // still a copy
    snap->SetFilter(QStringLiteral("Tipo = 'C'"));
    snap->SetSort(QStringLiteral("Data"));
    auto loads = snap->OpenRecordset(dbOpenSnapshot);
    EXPECT_EQ(Count(*loads), 3);
    loads->MoveFirst();
    EXPECT_EQ(loads->Fields(QStringLiteral("Barcode18")).Value().AsString(), QStringLiteral("A1"));
    EXPECT_EQ(ErrorOf([&] { loads->Edit(); }), kErrReadOnly);
    snap->Requery();
    EXPECT_EQ(Count(*snap), 0);
  }
  detail::SetCopyRowsInMemory(saved);
  db_->Close();
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{QStringLiteral("orbisca4.mdb")});
}

}  // namespace
}  // namespace jet::testing
