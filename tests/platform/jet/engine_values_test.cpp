// Field values as the data components write them: text converted by the
// field's type in the program's locale, the engine's ranges and refusals,
// long values read and written in chunks.
#include "platform/rtl/formatsettings.h"
#include "tests/platform/jet/engine_fixture.h"

namespace jet::testing {
namespace {

class FieldValues : public OrbiscaDb {
 protected:
  void SetUp() override {
    OrbiscaDb::SetUp();
    db_->Execute(
        QStringLiteral("CREATE TABLE Prova (Id COUNTER, Piccolo BYTE, Intero SHORT, Lungo LONG, Prezzo CURRENCY, "
                       "Quando DATETIME, Fatto YESNO, Nota MEMO, Dati LONGBINARY, Sigla TEXT(3))"));
    rs_ = db_->OpenRecordset(QStringLiteral("Prova"), dbOpenDynaset);
    rs_->AddNew();
  }
  // Writes `text` to `field` and returns what the row reads back after Update.
  rtl::Variant RoundTrip(const char *field, const rtl::Variant &value) {
    rs_->Fields(QString::fromLatin1(field)).SetValue(value);
    rs_->Update();
    rs_->SetBookmark(rs_->LastModified());
    const rtl::Variant v = rs_->Fields(QString::fromLatin1(field)).Value();
    rs_->AddNew();
    return v;
  }
  void TearDown() override {
    if (rs_->EditMode() != dbEditNone) rs_->CancelUpdate();
    OrbiscaDb::TearDown();
  }
  RecordsetPtr rs_;
};

TEST_F(FieldValues, TextIsConvertedByTheFieldTypeInTheLocale) {
  EXPECT_EQ(RoundTrip("Fatto", "True").AsBoolean(), true);
  EXPECT_EQ(RoundTrip("Fatto", "No").AsBoolean(), false);
  EXPECT_EQ(RoundTrip("Fatto", "Sì").AsBoolean(), true);
  EXPECT_EQ(RoundTrip("Fatto", "-1").AsBoolean(), true);
  EXPECT_EQ(RoundTrip("Fatto", rtl::Variant::Null()).AsBoolean(), false);
  EXPECT_DOUBLE_EQ(RoundTrip("Prezzo", "12,50").AsDouble(), 12.5);
  EXPECT_EQ(RoundTrip("Lungo", "2,5").AsInteger(), 2);  // halves to even
  EXPECT_EQ(RoundTrip("Lungo", "3,5").AsInteger(), 4);
  EXPECT_DOUBLE_EQ(RoundTrip("Quando", "31/12/2004 10:30:00").AsDateTime(),
                   rtl::EncodeDateTime(2004, 12, 31, 10, 30, 0, 0));
  EXPECT_EQ(RoundTrip("Sigla", 1.5).AsString(), QStringLiteral("1,5"));
  EXPECT_EQ(RoundTrip("Nota", true).AsString(), QStringLiteral("True"));
  EXPECT_TRUE(RoundTrip("Lungo", "").IsNull());
  EXPECT_EQ(RoundTrip("Sigla", "").AsString(), QString());

  rtl::FormatSettingsGuard english(rtl::EnglishFormatSettings());
  EXPECT_DOUBLE_EQ(RoundTrip("Prezzo", "12.50").AsDouble(), 12.5);
  EXPECT_DOUBLE_EQ(RoundTrip("Quando", "12/31/2004").AsDateTime(), rtl::EncodeDate(2004, 12, 31));
}

TEST_F(FieldValues, ValuesOutsideTheTypeAreRefused) {
  auto refused = [&](const char *field, const rtl::Variant &v) {
    return ErrorOf([&] { rs_->Fields(QString::fromLatin1(field)).SetValue(v); });
  };
  EXPECT_EQ(refused("Piccolo", 256), kErrConversion);
  EXPECT_EQ(refused("Piccolo", -1), kErrConversion);
  EXPECT_EQ(refused("Intero", 40000), kErrConversion);
  EXPECT_EQ(refused("Lungo", "dodici"), kErrConversion);
  EXPECT_EQ(refused("Quando", "ieri"), kErrConversion);
  EXPECT_EQ(refused("Fatto", "forse"), kErrConversion);
  EXPECT_EQ(refused("Sigla", "ABCD"), kErrFieldTooSmall);
  EXPECT_EQ(refused("Id", 7), 3164);  // the counter is the engine's
  EXPECT_EQ(refused("Piccolo", 255), 0);
  EXPECT_EQ(engine_.Errors(0).Number(), 3164);
}

TEST_F(FieldValues, LongValuesInChunks) {
  rs_->Fields(QStringLiteral("Nota")).SetValue("prima riga\n");
  rs_->Fields(QStringLiteral("Nota")).AppendChunk("seconda riga");
  rs_->Fields(QStringLiteral("Dati")).AppendChunk(QByteArray("\x00\x01\x02", 3));
  rs_->Fields(QStringLiteral("Dati")).AppendChunk(QByteArray("\x03", 1));
  rs_->Update();
  rs_->SetBookmark(rs_->LastModified());
  Field &memo = rs_->Fields(QStringLiteral("Nota"));
  EXPECT_EQ(memo.Value().AsString(), QStringLiteral("prima riga\nseconda riga"));
  EXPECT_EQ(memo.FieldSize(), 23);
  EXPECT_EQ(memo.GetChunk(6, 4), QByteArray("riga"));
  Field &blob = rs_->Fields(QStringLiteral("Dati"));
  EXPECT_EQ(blob.Type(), dbLongBinary);
  EXPECT_EQ(blob.FieldSize(), 4);
  EXPECT_EQ(blob.GetChunk(2, 10), QByteArray("\x02\x03", 2));
  EXPECT_EQ(rs_->Fields(QStringLiteral("Id")).Attributes() & dbAutoIncrField, dbAutoIncrField);
  rs_->AddNew();
}

TEST_F(FieldValues, GuidTextAsTheDataComponentsWriteIt) {
  auto td = db_->CreateTableDef(QStringLiteral("Chiavi"));
  td->AppendField(td->CreateField(QStringLiteral("Chiave"), dbGUID));
  db_->AppendTableDef(td);
  auto rs = db_->OpenRecordset(QStringLiteral("Chiavi"), dbOpenDynaset);
  rs->AddNew();
  rs->Fields(0).SetValue("{guid {6F9619FF-8B86-D011-B42D-00C04FC964FF}}");
  rs->Update();
  rs->MoveFirst();
  const QByteArray bytes = rs->Fields(0).Value().AsBytes();
  ASSERT_EQ(bytes.size(), 16);
  EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0x6F);
  EXPECT_EQ(rs->Fields(0).Size(), 16);
  rs->Edit();
  EXPECT_EQ(ErrorOf([&] { rs->Fields(0).SetValue("{guid {non-un-guid}}"); }), kErrConversion);
  rs->CancelUpdate();
}

}  // namespace
}  // namespace jet::testing
