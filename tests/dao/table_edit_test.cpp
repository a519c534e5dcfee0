// Editing through the table as the registration pages do: the posted row
// stays current with what the engine filled in, only changed columns reach
// the engine, empty text is Null, and a row deleted elsewhere is no error.
#include "tests/dao/dao_fixture.h"

namespace dao::testing {
namespace {

using TableEdit = DaoDb;

void GoToCode(TVuDaoTable *t, const QString &code) { ASSERT_TRUE(t->Locate(QStringLiteral("Barcode18"), code, {})); }

TEST_F(TableEdit, AnAppendedJournalRowIsCurrentWithItsNewNumber) {
  TVuDaoTable *journal = Table(QStringLiteral("Giornale"));
  journal->SetSortedBy({"[Progressivo] ASC"});
  journal->Open();
  journal->Append();
  journal->FieldByName(QStringLiteral("Data"))->SetAsDateTime(rtl::EncodeDate(2005, 1, 3));
  journal->FieldByName(QStringLiteral("Barcode18"))->SetAsString(QStringLiteral("977556677889900000"));
  journal->FieldByName(QStringLiteral("Quantita"))->SetAsFloat(-2.5);
  journal->FieldByName(QStringLiteral("Tipo"))->SetAsString(QStringLiteral("S"));
  journal->FieldByName(QStringLiteral("Prezzo_V"))->SetAsFloat(2.5);
  journal->Post();
  EXPECT_EQ(journal->State(), vcl::dsBrowse);
  EXPECT_EQ(journal->FieldByName(QStringLiteral("Progressivo"))->AsInteger(), 5);
  EXPECT_EQ(journal->FieldByName(QStringLiteral("Tipo"))->AsString(), QStringLiteral("S"));
  EXPECT_DOUBLE_EQ(journal->FieldByName(QStringLiteral("Quantita"))->AsFloat(), -2.5);
  EXPECT_EQ(journal->FieldByName(QStringLiteral("Data"))->AsDateTime(), rtl::EncodeDate(2005, 1, 3));
  EXPECT_EQ(journal->RecordCount(), 5);
  // Columns left alone take the engine's default.
  EXPECT_DOUBLE_EQ(
      EngineValue(QStringLiteral("SELECT * FROM Giornale WHERE Progressivo = 5"), QStringLiteral("Prezzo_A"))
          .AsDouble(),
      0);

  // A second one follows it; the first is still there behind it.
  journal->Append();
  journal->FieldByName(QStringLiteral("Tipo"))->SetAsString(QStringLiteral("C"));
  journal->Post();
  EXPECT_EQ(journal->FieldByName(QStringLiteral("Progressivo"))->AsInteger(), 6);
  journal->Prior();
  EXPECT_EQ(journal->FieldByName(QStringLiteral("Progressivo"))->AsInteger(), 5);
}

TEST_F(TableEdit, OnlyChangedColumnsAreWrittenAndEmptyTextIsNull) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->Open();
  ASSERT_TRUE(stock->Locate(QStringLiteral("Barcode18"), QStringLiteral("977112233445501234"), 0));
  stock->Edit();
  // Another user changes a column this edit does not touch.
  database_->DaoDatabase()->Execute(
      QStringLiteral("UPDATE Giacenza SET Fornitore = \"ALTRO\" WHERE Barcode18 = \"977112233445501234\""));
  stock->FieldByName(QStringLiteral("Giacenza"))->SetAsFloat(12);
  stock->FieldByName(QStringLiteral("Descrizione"))->SetAsString(QString());
  stock->Post();
  const QString row = QStringLiteral("SELECT * FROM Giacenza WHERE Barcode18 = \"977112233445501234\"");
  EXPECT_EQ(EngineValue(row, QStringLiteral("Fornitore")).AsString(), QStringLiteral("ALTRO"));
  EXPECT_DOUBLE_EQ(EngineValue(row, QStringLiteral("Giacenza")).AsDouble(), 12);
  EXPECT_TRUE(EngineValue(row, QStringLiteral("Descrizione")).IsNull());
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Fornitore"))->AsString(), QStringLiteral("ALTRO"));
  EXPECT_TRUE(stock->FieldByName(QStringLiteral("Descrizione"))->IsNull());
}

// A row's values are its own however few of them were looked at before an
// edit: the old values, a cancel and a post of one column leave the others
// (numbers, dates, texts) as the file has them.
TEST_F(TableEdit, ValuesNotLookedAtBeforeAnEditStayTheRowsOwn) {
  TVuDaoTable *journal = Table(QStringLiteral("Giornale"));
  journal->SetSortedBy({"[Progressivo] ASC"});
  journal->Open();
  journal->Next();  // the second row: 977556677889900000, 5 at 2,5 bought at 2
  journal->Edit();
  journal->FieldByName(QStringLiteral("Quantita"))->SetAsFloat(7);
  EXPECT_DOUBLE_EQ(journal->FieldByName(QStringLiteral("Quantita"))->OldValue().AsDouble(), 5);
  EXPECT_DOUBLE_EQ(journal->FieldByName(QStringLiteral("Prezzo_A"))->OldValue().AsDouble(), 2);
  journal->Cancel();
  EXPECT_DOUBLE_EQ(journal->FieldByName(QStringLiteral("Quantita"))->AsFloat(), 5);
  journal->Edit();
  journal->FieldByName(QStringLiteral("Tipo"))->SetAsString(QStringLiteral("R"));
  journal->Post();
  const QString row = QStringLiteral("SELECT * FROM Giornale WHERE Progressivo = 2");
  EXPECT_EQ(EngineValue(row, QStringLiteral("Tipo")).AsString(), QStringLiteral("R"));
  EXPECT_DOUBLE_EQ(EngineValue(row, QStringLiteral("Quantita")).AsDouble(), 5);
  EXPECT_DOUBLE_EQ(EngineValue(row, QStringLiteral("Prezzo_V")).AsDouble(), 2.5);
  EXPECT_EQ(EngineValue(row, QStringLiteral("Data")).AsDateTime(), rtl::EncodeDate(2004, 12, 31));
  EXPECT_EQ(journal->FieldByName(QStringLiteral("Barcode18"))->AsString(), QStringLiteral("977556677889900000"));
  EXPECT_EQ(journal->FieldByName(QStringLiteral("Data"))->AsDateTime(), rtl::EncodeDate(2004, 12, 31));
  EXPECT_DOUBLE_EQ(journal->FieldByName(QStringLiteral("Prezzo_A"))->AsFloat(), 2);
}

TEST_F(TableEdit, AFailedPostKeepsTheTypedValuesAndWritesNothing) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->Open();
  ASSERT_TRUE(stock->Locate(QStringLiteral("Barcode18"), QStringLiteral("9771234567891"), 0));
  stock->Edit();
  stock->FieldByName(QStringLiteral("Giacenza"))->SetAsFloat(7);
  stock->FieldByName(QStringLiteral("Barcode18"))->SetAsString(QStringLiteral("977556677889900000"));  // taken
  EXPECT_THROW(stock->Post(), rtl::Exception);
  EXPECT_EQ(stock->State(), vcl::dsEdit);
  EXPECT_DOUBLE_EQ(stock->FieldByName(QStringLiteral("Giacenza"))->AsFloat(), 7);
  const QString row = QStringLiteral("SELECT * FROM Giacenza WHERE Barcode18 = \"9771234567891\"");
  EXPECT_DOUBLE_EQ(EngineValue(row, QStringLiteral("Giacenza")).AsDouble(), 0);
  // Putting the code back lets the same edit through.
  stock->FieldByName(QStringLiteral("Barcode18"))->SetAsString(QStringLiteral("9771234567891"));
  stock->Post();
  EXPECT_DOUBLE_EQ(EngineValue(row, QStringLiteral("Giacenza")).AsDouble(), 7);
}

TEST_F(TableEdit, DeletingARowAlreadyDeletedElsewhereIsSilent) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->SetSortedBy({"[Barcode18] ASC"});
  stock->Open();
  ASSERT_TRUE(stock->Locate(QStringLiteral("Barcode18"), QStringLiteral("9771234567890"), 0));
  database_->DaoDatabase()->Execute(QStringLiteral("DELETE FROM Giacenza WHERE Barcode18 = \"9771234567890\""));
  EXPECT_NO_THROW(stock->Delete());
  EXPECT_EQ(stock->State(), vcl::dsBrowse);
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Barcode18"))->AsString(), QStringLiteral("9771234567891"));

  // An ordinary delete shows the neighbouring row too.
  stock->Delete();
  EXPECT_FALSE(stock->IsEmpty());
  EXPECT_EQ(stock->RecordCount(), 3);
  EXPECT_TRUE(EngineValue(QStringLiteral("SELECT * FROM Giacenza WHERE Barcode18 = \"9771234567891\""),
                          QStringLiteral("Testata"))
                  .IsEmpty());
}

TEST_F(TableEdit, NewRowsShowEngineDefaultsWithoutWritingThem) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->Open();
  int new_records = 0;
  stock->OnNewRecord = [&](vcl::TDataSet *) { ++new_records; };
  stock->Append();
  EXPECT_EQ(new_records, 1);
  stock->FieldByName(QStringLiteral("Barcode18"))->SetAsString(QStringLiteral("9770000000001"));
  stock->FieldByName(QStringLiteral("CD"))->SetAsBoolean(true);
  stock->Post();
  EXPECT_TRUE(stock->FieldByName(QStringLiteral("CD"))->AsBoolean());
  EXPECT_EQ(stock->RecordCount(), 6);
  stock->Append();
  stock->Cancel();
  EXPECT_EQ(stock->RecordCount(), 6);
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Barcode18"))->AsString(), QStringLiteral("9770000000001"));
}

// A file kept in the OEM set: "à" is the byte 0x85 there, which the
// engine hands over as the ANSI "…".
TEST_F(TableEdit, TranslationReadsAndWritesTextFieldsInTheOemSet) {
  database_->DaoDatabase()->Execute(
      QStringLiteral("UPDATE Giacenza SET Testata = 'Citt\u2026' WHERE Barcode18 = '9771234567890'"));
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->SetTranslation(true);
  stock->Open();
  GoToCode(stock, QStringLiteral("9771234567890"));
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Testata"))->AsString(), QStringLiteral("Città"));
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Testata"))->AsVariant().AsString(), QStringLiteral("Città"));
  stock->Edit();
  stock->FieldByName(QStringLiteral("Testata"))->SetAsString(QStringLiteral("Però è"));
  stock->Post();
  // 850's "ò" is 0x95 and "è" 0x8A: "•" and "Š" in the ANSI set.
  EXPECT_EQ(EngineValue(QStringLiteral("SELECT Testata FROM Giacenza WHERE Barcode18 = '9771234567890'"),
                        QStringLiteral("Testata"))
                .AsString(),
            QStringLiteral("Per\u2022 \u0160"));
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Testata"))->AsString(), QStringLiteral("Però è"));
  // Numbers and the other tables are left alone.
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Barcode18"))->AsString(), QStringLiteral("9771234567890"));
  TVuDaoTable *plain = Table(QStringLiteral("Giacenza"));
  plain->Open();
  GoToCode(plain, QStringLiteral("9771234567890"));
  EXPECT_EQ(plain->FieldByName(QStringLiteral("Testata"))->AsString(), QStringLiteral("Per\u2022 \u0160"));
  // A buffer converted in place is converted.
  QByteArray same("Citt\xE0");
  EXPECT_EQ(stock->Translate(same, same, true), 5);
  EXPECT_EQ(same, QByteArray("Citt\x85"));
}

TEST_F(TableEdit, ReadOnlyTablesRefuseEditsAndBlobWrites) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"), jet::dbOpenSnapshot);
  stock->Open();
  EXPECT_TRUE(stock->ReadOnly());
  EXPECT_THROW(stock->Edit(), rtl::EDatabaseError);
  EXPECT_THROW(stock->Append(), rtl::EDatabaseError);
}

// Memo columns are read on demand through the blob stream, and written back
// from the row buffer at Post.
class BlobTable : public DaoDb {
 protected:
  void SetUp() override {
    DaoDb::SetUp();
    database_->DaoDatabase()->Execute(QStringLiteral("CREATE TABLE Note (Id LONG, Testo MEMO)"));
    database_->DaoDatabase()->Execute(QStringLiteral("INSERT INTO Note (Id, Testo) VALUES (1, \"") +
                                      QString(100, QLatin1Char('a')) + "\")");
    database_->RefreshDefinitions();
  }
};

TEST_F(BlobTable, WritingAtTheStartLeavesOnlyWhatWasWritten) {
  TVuDaoTable *notes = Table(QStringLiteral("Note"));
  notes->Open();
  vcl::TField *text = notes->FieldByName(QStringLiteral("Testo"));
  EXPECT_EQ(text->DataType(), vcl::ftMemo);
  EXPECT_EQ(text->AsString().size(), 100);
  notes->Edit();
  {
    auto stream = notes->CreateBlobStream(text, vcl::bmReadWrite);
    ASSERT_EQ(stream->Size(), 100);
    stream->Seek(0, rtl::soBeginning);
    stream->WriteBuffer("0123456789", 10);
  }
  EXPECT_EQ(text->AsString(), QStringLiteral("0123456789"));
  notes->Post();
  EXPECT_EQ(EngineValue(QStringLiteral("SELECT * FROM Note"), QStringLiteral("Testo")).AsString(),
            QStringLiteral("0123456789"));
  EXPECT_EQ(text->AsString(), QStringLiteral("0123456789"));

  // A write far past the end is refused and leaves the value as it was.
  notes->Edit();
  {
    auto stream = notes->CreateBlobStream(text, vcl::bmReadWrite);
    stream->Seek(qint64(1) << 40, rtl::soBeginning);
    EXPECT_THROW(stream->WriteBuffer("x", 1), rtl::EDatabaseError);
    EXPECT_THROW(stream->SetSize(qint64(1) << 40), rtl::EDatabaseError);
  }
  EXPECT_EQ(text->AsString(), QStringLiteral("0123456789"));
  notes->Cancel();
}

}  // namespace
}  // namespace dao::testing

namespace dao::testing {
namespace {

TEST_F(TableEdit, PostErrorHandlerRetryWritesTheColumnsAgain) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->Open();
  int calls = 0;
  QString message;
  stock->OnPostError = [&](vcl::TDataSet *ds, const rtl::Exception &e, vcl::TDataAction &action) {
    ++calls;
    message = e.Message();
    ds->FieldByName(QStringLiteral("Barcode18"))->SetAsString(QStringLiteral("9770000000002"));
    action = vcl::daRetry;
  };
  stock->Append();
  stock->FieldByName(QStringLiteral("Barcode18"))->SetAsString(QStringLiteral("9771234567891"));  // taken
  stock->FieldByName(QStringLiteral("Testata"))->SetAsString(QStringLiteral("Nuova"));
  stock->Post();
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(message.isEmpty());  // the engine's own description
  EXPECT_EQ(EngineValue(QStringLiteral("SELECT * FROM Giacenza WHERE Barcode18 = \"9770000000002\""),
                        QStringLiteral("Testata"))
                .AsString(),
            QStringLiteral("Nuova"));
  EXPECT_EQ(stock->RecordCount(), 6);
}

TEST_F(TableEdit, ASortedTableWithRefreshSortedIsRequeriedAfterPost) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->SetSortedBy({"[Barcode18] ASC"});
  stock->SetRefreshSorted(true);
  stock->Open();
  stock->Append();
  stock->FieldByName(QStringLiteral("Barcode18"))->SetAsString(QStringLiteral("1000000000000"));
  stock->Post();
  // Back on the first record, which is now the new row in its sorted place.
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Barcode18"))->AsString(), QStringLiteral("1000000000000"));
  EXPECT_EQ(stock->RecNo(), 1);
  EXPECT_EQ(stock->RecordCount(), 6);
}

}  // namespace
}  // namespace dao::testing

namespace dao::testing {
namespace {

// Stores text reversed: what the table writes is the encoded form.
class TReverser : public vcl::TComponent {
  ORBISCA_CLASS(TReverser, vcl::TComponent)

 public:
  using vcl::TComponent::TComponent;
  QString EncodedString() const { return encoded_; }
  void SetEncodedString(const QString &v) {
    encoded_ = v;
    decoded_ = Reversed(v);
  }
  QString DecodedString() const { return decoded_; }
  void SetDecodedString(const QString &v) {
    decoded_ = v;
    encoded_ = Reversed(v);
  }

 private:
  static QString Reversed(const QString &v) {
    QString r;
    for (auto it = v.crbegin(); it != v.crend(); ++it) r += *it;
    return r;
  }
  QString encoded_, decoded_;
};

ORBISCA_PUBLISHED(TReverser, TComponent) {
  p.Property("EncodedString", &TReverser::EncodedString, &TReverser::SetEncodedString);
  p.Property("DecodedString", &TReverser::DecodedString, &TReverser::SetDecodedString);
}

TEST_F(TableEdit, AnEncrypterEncodesTextOnPostAndDecodesItOnRead) {
  TReverser reverser;
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->SetEncrypter(&reverser);
  stock->Open();
  ASSERT_TRUE(stock->Locate(QStringLiteral("Barcode18"), QStringLiteral("9771234567891"), 0));
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Testata"))->AsString(), QStringLiteral("ihcnaiB"));  // stored plain
  stock->Edit();
  stock->FieldByName(QStringLiteral("Testata"))->SetAsString(QStringLiteral("Verdi"));
  stock->Post();
  EXPECT_EQ(EngineValue(QStringLiteral("SELECT * FROM Giacenza WHERE Barcode18 = \"9771234567891\""),
                        QStringLiteral("Testata"))
                .AsString(),
            QStringLiteral("idreV"));
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Testata"))->AsString(), QStringLiteral("Verdi"));
  stock->SetEncrypter(nullptr);  // reopens on the first record, plain
  EXPECT_TRUE(stock->Locate(QStringLiteral("Barcode18"), QStringLiteral("9771234567891"), 0));
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Testata"))->AsString(), QStringLiteral("idreV"));
}

}  // namespace
}  // namespace dao::testing

namespace dao::testing {
namespace {

TEST_F(TableEdit, DefaultExpressionsAreWrittenWithTheNewRow) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  // A persistent field declared before the open, as the forms declare them.
  auto *quantity = new vcl::TFloatField(stock);
  quantity->SetFieldName(QStringLiteral("Giacenza"));
  quantity->SetDataSet(stock);
  auto *code = new vcl::TStringField(stock);
  code->SetFieldName(QStringLiteral("Barcode18"));
  code->SetSize(18);
  code->SetDataSet(stock);
  quantity->SetDefaultExpression(QStringLiteral("7"));
  stock->Open();
  EXPECT_EQ(stock->FieldCount(), 2);
  stock->Append();
  EXPECT_DOUBLE_EQ(quantity->AsFloat(), 7);
  code->SetAsString(QStringLiteral("9770000000003"));
  stock->Post();
  EXPECT_DOUBLE_EQ(EngineValue(QStringLiteral("SELECT * FROM Giacenza WHERE Barcode18 = \"9770000000003\""),
                               QStringLiteral("Giacenza"))
                       .AsDouble(),
                   7);
}

}  // namespace
}  // namespace dao::testing
