// Field objects over a dataset: persistent fields and their binding,
// calculated and lookup fields, validation, and the text forms.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/rtl/datetime.h"
#include "platform/rtl/formatsettings.h"
#include "tests/platform/vcl/db/fixtures.h"

using namespace vcl;
using namespace testdb;

namespace {

TEST(PersistentFields, AreBoundByNameAndNoDefaultFieldsAreMade) {
  TComponent form;
  TMemDataSet table(&form);
  table.AddColumn("Barcode18", ftString, 18);
  table.AddColumn("Giacenza", ftFloat);
  table.AddRow({"977000", 4.0});
  auto *giacenza = new TFloatField(&form);
  giacenza->SetName("GiacenzeGiacenza");
  giacenza->SetFieldName("Giacenza");
  giacenza->SetDataSet(&table);
  table.Open();
  EXPECT_EQ(table.FieldCount(), 1);
  EXPECT_EQ(table.FieldByName("GIACENZA"), giacenza);
  EXPECT_EQ(giacenza->FieldNo(), 2);
  EXPECT_DOUBLE_EQ(giacenza->AsFloat(), 4.0);
  EXPECT_EQ(table.FindField("Barcode18"), nullptr);
  table.Close();
  EXPECT_EQ(table.FieldCount(), 1) << "persistent fields outlive closing";
  delete giacenza;
  EXPECT_EQ(table.FieldCount(), 0);
}

TEST(PersistentFields, AWrongTypeOrAMissingColumnRefusesToOpen) {
  TComponent form;
  TMemDataSet table(&form);
  table.AddColumn("Giacenza", ftString, 10);
  auto *giacenza = new TFloatField(&form);
  giacenza->SetFieldName("Giacenza");
  giacenza->SetDataSet(&table);
  try {
    table.Open();
    FAIL();
  } catch (const rtl::EDatabaseError &e) {
    EXPECT_EQ(e.Message(), "Type mismatch for field 'Giacenza', expecting: Float actual: String");
  }
  EXPECT_FALSE(table.Active());
  giacenza->SetFieldName("Scorta");
  try {
    table.Open();
    FAIL();
  } catch (const rtl::EDatabaseError &e) {
    EXPECT_EQ(e.Message(), "Field 'Scorta' not found");
  }
  EXPECT_FALSE(table.Active());
  giacenza->SetDataSet(nullptr);
  table.Open();
  EXPECT_EQ(table.FieldCount(), 1) << "default fields once no persistent ones are left";
  EXPECT_EQ(table.Fields()[0]->DataType(), ftString);
  EXPECT_THROW(giacenza->SetDataSet(&table), rtl::EDatabaseError) << "not while open";
}

class Calculated : public ::testing::Test {
 protected:
  void SetUp() override {
    FillItems(ds, 20);
    ds.AddColumn("Valore_A", ftFloat);  // a result column the calculation shadows
    for (const char *name : {"ID", "Name", "Qty", "Price"}) {
      TField *f = ds.FieldDefs().Find(name)->CreateField(&form);
      f->SetDataSet(&ds);
    }
    valore = new TFloatField(&form);
    valore->SetFieldName("Valore_A");
    valore->SetFieldKind(fkCalculated);
    valore->SetDataSet(&ds);
    ds.OnCalcFields = [this](TDataSet *d) {
      ++calcs;
      valore->SetAsFloat(d->FieldByName("Qty")->AsInteger() * d->FieldByName("Price")->AsFloat());
    };
    source.SetDataSet(&ds);
    link.SetDataSource(&source);
    link.SetBufferCount(5);
    ds.Open();
  }
  TComponent form;
  TMemDataSet ds{&form};
  TFloatField *valore = nullptr;
  TDataSource source;
  RecordingLink link;
  int calcs = 0;
};

TEST_F(Calculated, AreRecomputedOnEveryScrollAndWhileEditing) {
  for (int i = 1; i <= 20; ++i) {
    ASSERT_DOUBLE_EQ(valore->AsFloat(), i * 10 * i * 1.5) << "at ID " << i;
    ds.Next();
  }
  ds.First();
  calcs = 0;
  ds.Last();
  EXPECT_GE(calcs, 5) << "each record fetched into the window is calculated";
  ds.Edit();
  ds.FieldByName("Qty")->SetAsInteger(2);
  EXPECT_DOUBLE_EQ(valore->AsFloat(), 2 * 30.0);
}

TEST_F(Calculated, AreNeverWrittenBackNorMarkTheRecordModified) {
  ds.Edit();
  EXPECT_FALSE(ds.Modified()) << "computing calculated fields is not a change";
  ds.FieldByName("Qty")->SetAsInteger(3);
  ds.Post();
  EXPECT_TRUE(ds.StoredValue(0, "Valore_A").IsNull());
  EXPECT_EQ(ds.StoredValue(0, "Qty").AsInteger(), 3);
  EXPECT_THROW(valore->SetAsFloat(1), rtl::EDatabaseError) << "browse state";
  EXPECT_FALSE(valore->CanModify());
}

TEST(Validation, OnValidateSeesTheNewValueAndCanRefuseIt) {
  TMemDataSet ds;
  FillItems(ds, 3);
  ds.Open();
  TField *qty = ds.FieldByName("Qty");
  QStringList log;
  qty->OnValidate = [&](TField *f) {
    log << QStringLiteral("validate %1 (stored %2)").arg(f->AsInteger()).arg(ds.StoredValue(0, "Qty").AsInteger());
    if (f->AsInteger() < 0) throw rtl::EDatabaseError("Quantity below zero");
  };
  qty->OnChange = [&](TField *f) { log << QStringLiteral("change %1").arg(f->AsInteger()); };
  ds.Edit();
  qty->SetAsInteger(12);
  EXPECT_EQ(log, QStringList({"validate 12 (stored 10)", "change 12"}));
  ds.Cancel();
  ds.Edit();
  log.clear();
  EXPECT_THROW(qty->SetAsInteger(-1), rtl::EDatabaseError);
  EXPECT_EQ(log, QStringList({"validate -1 (stored 10)"}));
  EXPECT_EQ(qty->AsInteger(), 10) << "a refused value is not stored";
  EXPECT_FALSE(ds.Modified());
  qty->OnValidate = nullptr;
  qty->SetAsInteger(11);
  EXPECT_EQ(qty->OldValue().AsInteger(), 10) << "the value before the edit";
  EXPECT_EQ(qty->AsInteger(), 11);
  EXPECT_TRUE(ds.Modified());
}

TEST(FieldText, NumbersFormatThroughDisplayAndEditFormats) {
  rtl::FormatSettingsGuard italian(rtl::ItalianFormatSettings());
  TMemDataSet ds;
  ds.AddColumn("Price", ftFloat);
  ds.AddColumn("Cost", ftCurrency);
  ds.AddColumn("Qty", ftSmallint);
  ds.AddRow({1234.5, 1234.5, 7});
  ds.Open();
  auto *price = static_cast<TFloatField *>(ds.FieldByName("Price"));
  EXPECT_EQ(price->DisplayText(), "1234,5");
  price->SetDisplayFormat("#,##0.00");
  price->SetEditFormat("0.##");
  EXPECT_EQ(price->DisplayText(), "1.234,50");
  EXPECT_EQ(price->Text(), "1234,5");
  EXPECT_EQ(price->Alignment(), taRightJustify);
  EXPECT_EQ(ds.FieldByName("Cost")->DisplayText(), "1.234,50 €");
  ds.Edit();
  try {
    price->SetAsString("12x");
    FAIL();
  } catch (const rtl::EDatabaseError &e) {
    EXPECT_EQ(e.Message(), "'12x' non è un numero valido per il campo 'Price'");
  }
  price->SetText("2,25");
  EXPECT_DOUBLE_EQ(price->AsFloat(), 2.25);
  price->SetText("");
  EXPECT_TRUE(price->IsNull());
  EXPECT_EQ(price->DisplayText(), "");
  TField *qty = ds.FieldByName("Qty");
  try {
    qty->SetAsInteger(40000);
    FAIL();
  } catch (const rtl::EDatabaseError &e) {
    EXPECT_EQ(e.Message(), "40000 non è un valore valido per il campo 'Qty'. I valori ammessi vanno da -32768 a 32767");
  }
  EXPECT_EQ(qty->AsInteger(), 7);
  price->SetAsFloat(2.5);
  for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
    EXPECT_THROW(price->SetAsFloat(bad), rtl::EDatabaseError);
    EXPECT_THROW(price->SetValue(rtl::Variant(bad)), rtl::EDatabaseError);
  }
  EXPECT_EQ(price->AsFloat(), 2.5) << "a value that is no number leaves the stored one";
  qty->OnGetText = [](TField *f, QString &text, bool display) {
    text = display ? QStringLiteral("%1 pz").arg(f->AsInteger()) : f->AsString();
  };
  EXPECT_EQ(qty->DisplayText(), "7 pz");
  EXPECT_EQ(qty->Text(), "7");
}

TEST(FieldText, DatesBooleansAndStrings) {
  rtl::FormatSettingsGuard italian(rtl::ItalianFormatSettings());
  TMemDataSet ds;
  ds.AddColumn("When", ftDateTime);
  ds.AddColumn("Day", ftDate);
  ds.AddColumn("CD", ftBoolean);
  ds.AddColumn("Title", ftString, 5);
  ds.AddRow({rtl::Variant::FromDate(rtl::EncodeDateTime(2004, 12, 31, 8, 5, 9, 0)),
             rtl::Variant::FromDate(rtl::EncodeDate(2004, 3, 1)), true, "Abc"});
  ds.Open();
  TField *when = ds.FieldByName("When");
  EXPECT_EQ(when->DisplayText(), "31/12/2004 08:05:09");
  EXPECT_EQ(ds.FieldByName("Day")->DisplayText(), "01/03/2004");
  static_cast<TDateTimeField *>(when)->SetDisplayFormat("yyyy-mm-dd");
  EXPECT_EQ(when->DisplayText(), "2004-12-31");
  auto *cd = static_cast<TBooleanField *>(ds.FieldByName("CD"));
  EXPECT_EQ(cd->DisplayText(), "True");
  cd->SetDisplayValues("Si;No");
  EXPECT_EQ(cd->AsString(), "Si");
  ds.Edit();
  cd->SetAsString("n");
  EXPECT_FALSE(cd->AsBoolean());
  try {
    cd->SetAsString("forse");
    FAIL();
  } catch (const rtl::EDatabaseError &e) {
    EXPECT_EQ(e.Message(), "'forse' non è un valore valido (Sì o No) per il campo 'CD'");
  }
  TField *day = ds.FieldByName("Day");
  day->SetAsDateTime(rtl::EncodeDateTime(2006, 12, 31, 23, 0, 0, 0));
  EXPECT_DOUBLE_EQ(day->AsDateTime(), rtl::EncodeDate(2006, 12, 31)) << "a date keeps no time";
  EXPECT_THROW(day->SetAsString("31/13/2006"), rtl::EConvertError);
  TField *title = ds.FieldByName("Title");
  title->SetAsString("");
  EXPECT_TRUE(title->IsNull()) << "an empty text is null";
  title->SetAsString("Abcdefgh");
  EXPECT_EQ(title->AsString(), "Abcde") << "cut to the column size";
  EXPECT_THROW(title->AsInteger(), rtl::EConvertError);
}

TEST(LookupFields, ShowTheLookupDatasetsValueWithoutMovingIt) {
  TComponent form;
  TMemDataSet periodo(&form);
  periodo.AddColumn("Periodo", ftString, 2);
  periodo.AddColumn("Descrizione", ftString, 20);
  periodo.AddRow({"S", "Settimanale"});
  periodo.AddRow({"M", "Mensile"});
  periodo.Open();
  TMemDataSet stock(&form);
  stock.AddColumn("Testata", ftString, 20);
  stock.AddColumn("Periodo", ftString, 2);
  stock.AddRow({"Uno", "M"});
  stock.AddRow({"Due", "S"});
  stock.AddRow({"Tre", "X"});
  for (const char *name : {"Testata", "Periodo"}) stock.FieldDefs().Find(name)->CreateField(&form)->SetDataSet(&stock);
  auto *desc = new TStringField(&form);
  desc->SetFieldName("PeriodoDesc");
  desc->SetFieldKind(fkLookup);
  desc->SetLookupDataSet(&periodo);
  desc->SetKeyFields("Periodo");
  desc->SetLookupKeyFields("Periodo");
  desc->SetLookupResultField("Descrizione");
  desc->SetDataSet(&stock);
  stock.Open();
  EXPECT_EQ(desc->AsString(), "Mensile");
  stock.Next();
  EXPECT_EQ(desc->AsString(), "Settimanale");
  stock.Next();
  EXPECT_TRUE(desc->IsNull());
  EXPECT_EQ(periodo.FieldByName("Periodo")->AsString(), "S") << "the lookup dataset stays put";

  // A lookup dataset being edited is neither posted nor cancelled by
  // another dataset's scrolling.
  periodo.Edit();
  periodo.FieldByName("Descrizione")->SetAsString("Ogni settimana");
  stock.First();
  EXPECT_EQ(periodo.State(), dsEdit);
  EXPECT_EQ(periodo.FieldByName("Descrizione")->AsString(), "Ogni settimana");
  EXPECT_EQ(periodo.StoredValue(0, "Descrizione").AsString(), "Settimanale");
  EXPECT_TRUE(periodo.Lookup("Periodo", "M", "Descrizione").IsNull());
  periodo.Post();
  stock.Next();
  EXPECT_EQ(desc->AsString(), "Ogni settimana");
}

}  // namespace

namespace {

TEST(BlobFields, MemoAndBlobValuesWithAndWithoutADatasetStream) {
  TMemDataSet ds;
  ds.AddColumn("Note", ftMemo);
  ds.AddColumn("Data", ftBlob);
  ds.AddRow({rtl::Variant(), rtl::Variant()});
  ds.Open();
  auto *note = static_cast<TMemoField *>(ds.FieldByName("Note"));
  auto *data = static_cast<TBlobField *>(ds.FieldByName("Data"));
  EXPECT_EQ(note->DisplayText(), "(Memo)");
  ds.Edit();
  note->SetAsString("prima riga\r\nseconda: €");
  EXPECT_EQ(note->DisplayText(), "(MEMO)");
  EXPECT_EQ(note->Text(), "prima riga\r\nseconda: €");
  rtl::TMemoryStream in;
  in.SetBytes(QByteArray("\x00\x01\xFF", 3));
  data->LoadFromStream(&in);
  ds.Post();
  EXPECT_EQ(data->BlobSize(), 3);
  rtl::TMemoryStream out;
  data->SaveToStream(&out);
  EXPECT_EQ(out.Bytes(), QByteArray("\x00\x01\xFF", 3));
  EXPECT_EQ(note->AsBytes().at(note->AsBytes().size() - 1), '\x80') << "memo bytes are Windows-1252";
}

// A dataset that serves one blob column through streams, as the engine
// table does.
class StreamedBlobs : public TMemDataSet {
 public:
  QByteArray stored = "from the stream";
  int streams = 0;
  std::unique_ptr<rtl::TStream> CreateBlobStream(TField *, TBlobStreamMode mode) override {
    ++streams;
    class Stream : public rtl::TMemoryStream {
     public:
      explicit Stream(QByteArray *target) : target_(target) {}
      ~Stream() override { *target_ = Bytes(); }

     private:
      QByteArray *target_;
    };
    auto s = std::make_unique<Stream>(&stored);
    if (mode != bmWrite) s->SetBytes(stored);
    return s;
  }
};

TEST(BlobFields, ADatasetStreamIsUsedWhenOffered) {
  StreamedBlobs ds;
  ds.AddColumn("Data", ftBlob);
  ds.AddRow({rtl::Variant()});
  ds.Open();
  auto *data = static_cast<TBlobField *>(ds.FieldByName("Data"));
  EXPECT_EQ(data->AsBytes(), QByteArray("from the stream"));
  ds.Edit();
  data->SetAsBytes("new");
  EXPECT_EQ(ds.stored, QByteArray("new"));
  EXPECT_EQ(ds.streams, 2);
}

TEST(LookupFields, TheCacheAsksTheLookupDatasetOncePerKey) {
  TComponent form;
  TMemDataSet periodo(&form);
  periodo.AddColumn("Periodo", ftString, 2);
  periodo.AddColumn("Descrizione", ftString, 20);
  periodo.AddRow({"M", "Mensile"});
  periodo.Open();
  TMemDataSet stock(&form);
  stock.AddColumn("Periodo", ftString, 2);
  for (int i = 0; i < 6; ++i) stock.AddRow({"M"});
  stock.FieldDefs().Find("Periodo")->CreateField(&form)->SetDataSet(&stock);
  auto *desc = new TStringField(&form);
  desc->SetFieldName("PeriodoDesc");
  desc->SetFieldKind(fkLookup);
  desc->SetLookupDataSet(&periodo);
  desc->SetKeyFields("Periodo");
  desc->SetLookupKeyFields("Periodo");
  desc->SetLookupResultField("Descrizione");
  desc->SetLookupCache(true);
  desc->SetDataSet(&stock);
  stock.Open();
  const int reads = periodo.fetch_count;
  while (!stock.Eof()) {
    EXPECT_EQ(desc->AsString(), "Mensile");
    stock.Next();
  }
  EXPECT_EQ(periodo.fetch_count, reads) << "served from the cache after the first record";
}

}  // namespace
