// The program's database as the builder makes it: the schema the program
// relies on, the stored queries word for word, the fixed rows.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "tools/lib/orbiscadb.h"

namespace {

class Builder : public ::testing::Test {
 protected:
  void SetUp() override { db_ = tools::CreateOrbiscaDatabase(engine_, dir_.filePath("orbisca4.mdb")); }
  void TearDown() override { db_->Close(); }
  QTemporaryDir dir_;
  jet::DBEngine engine_;
  jet::DatabasePtr db_;
};

TEST_F(Builder, TablesHaveTheProgramsTypesWidthsAndKeys) {
  struct Expect {
    const char *table, *field;
    int type, size;
  } const expected[] = {
      {"Riviste", "Barcode", jet::dbText, 13},     {"Riviste", "Nome", jet::dbText, 30},
      {"Riviste", "Prezzo_V", jet::dbDouble, 8},   {"Giacenza", "Barcode18", jet::dbText, 18},
      {"Giacenza", "Addon", jet::dbText, 5},       {"Giacenza", "Testata", jet::dbText, 30},
      {"Giacenza", "Ucarico", jet::dbDate, 8},     {"Giacenza", "CD", jet::dbBoolean, 1},
      {"Giornale", "Progressivo", jet::dbLong, 4}, {"Giornale", "Tipo", jet::dbText, 1},
      {"Periodo", "Descrizione", jet::dbText, 15}, {"Allegati", "SIGNIFICATO", jet::dbText, 30},
  };
  for (const Expect &e : expected) {
    SCOPED_TRACE(std::string(e.table) + "." + e.field);
    const jet::Field &f = db_->TableDefs().Item(e.table).Fields().Item(e.field);
    EXPECT_EQ(f.Type(), e.type);
    EXPECT_EQ(f.Size(), e.size);
  }
  EXPECT_TRUE(db_->TableDefs().Item("Giornale").Fields().Item("Progressivo").Attributes() & jet::dbAutoIncrField);
  const struct {
    const char *table, *key;
  } keys[] = {{"Riviste", "Barcode"},
              {"Giacenza", "Barcode18"},
              {"Giornale", "Progressivo"},
              {"Periodo", "Periodo"},
              {"Allegati", "CODICE"}};
  for (const auto &k : keys) {
    const jet::Index *pk = nullptr;
    for (const auto &i : db_->TableDefs().Item(k.table).Indexes())
      if (i->Primary()) pk = i.get();
    ASSERT_NE(pk, nullptr) << k.table;
    EXPECT_EQ(pk->Fields().Count(), 1);
    EXPECT_EQ(pk->Fields()[0].Name(), QString::fromLatin1(k.key));
  }
  auto &journal = db_->TableDefs().Item("Giornale");
  EXPECT_EQ(journal.Indexes().Item("DataTipo").Fields()[1].Name(), QStringLiteral("Tipo"));
  EXPECT_EQ(journal.Indexes().Item("Barcode18").Fields()[0].Name(), QStringLiteral("Barcode18"));
  EXPECT_FALSE(journal.Indexes().Item("Barcode18").Unique());
}

TEST_F(Builder, StoredQueriesKeepTheirText) {
  ASSERT_EQ(db_->QueryDefs().Count(), 4);
  EXPECT_EQ(db_->QueryDefs().Item("totali").SQL(),
            QStringLiteral("SELECT Giornale.Data, Giornale.Tipo, Sum(Giornale.[Quantita]*[Prezzo_A]) AS Acquisto, "
                           "Sum(Giornale.[quantita]*[Prezzo_V]) AS Vendita\r\nFROM Giornale\r\n"
                           "GROUP BY Giornale.Data, Giornale.Tipo\r\n"
                           "HAVING (((Giornale.Data)=[Sel_data]) AND ((Giornale.Tipo)=[Sel_tipo]));"));
  EXPECT_EQ(db_->QueryDefs().Item("Storico").Parameters().Count(), 1);
  EXPECT_EQ(db_->QueryDefs().Item("Storico").Parameters()[0].Type(), jet::dbText);
  EXPECT_EQ(db_->QueryDefs().Item("un_giorno").Parameters()[0].Type(), jet::dbDate);
  EXPECT_EQ(db_->QueryDefs().Item("StampaGiornale").Parameters().Count(), 0);
}

// The program binds persistent fields to what its stored queries return; a
// query text and the columns the schema declares for it must agree.
TEST_F(Builder, StoredQueriesReturnTheColumnsTheSchemaDeclares) {
  for (const schema::TStoredQuery *query : schema::kStoredQueries) {
    SCOPED_TRACE(query->name);
    auto &def = db_->QueryDefs().Item(query->Name());
    for (int i = 0; i < def.Parameters().Count(); ++i) def.Parameters()[i].SetValue(rtl::Variant());
    auto rs = def.OpenRecordset(jet::dbOpenSnapshot);
    ASSERT_EQ(rs->FieldCount(), static_cast<int>(query->columns.size()));
    for (int i = 0; i < rs->FieldCount(); ++i) {
      const schema::TColumn &column = query->columns[i];
      SCOPED_TRACE(column.name);
      EXPECT_EQ(rs->Fields(i).Name(), column.Name());
      EXPECT_EQ(rs->Fields(i).Type(), column.type);
      if (column.type == jet::dbText) {
        EXPECT_EQ(rs->Fields(i).Size(), column.size);
      }
    }
  }
}

TEST_F(Builder, FixedRowsAndRefusalOfAnExistingFile) {
  auto periods = db_->OpenRecordset("SELECT * FROM Periodo ORDER BY Giorni", jet::dbOpenSnapshot);
  QStringList seen;
  for (; !periods->Eof(); periods->MoveNext())
    seen << periods->Fields("Periodo").Value().AsString() + ":" + periods->Fields("Descrizione").Value().AsString() +
                ":" + periods->Fields("Giorni").Value().AsString();
  EXPECT_EQ(seen, (QStringList{"QUO:Quotidiano:2", "SET:Settimanale:7", "QUI:Quindicinale:15", "MEN:Mensile:30",
                               "BIM:Bimestrale:60", "TRI:Trimestrale:90", "SEM:Semestrale:180", "ANN:Annuale:365"}));
  auto codes = db_->OpenRecordset("Allegati", jet::dbOpenTable);
  codes->SetIndex("PrimaryKey");
  codes->Seek("=", {"00"});
  EXPECT_EQ(codes->Fields("SIGNIFICATO").Value().AsString(), QStringLiteral("Edizione normale"));
  codes->Seek("=", {"07"});
  EXPECT_EQ(codes->Fields("SIGNIFICATO").Value().AsString(), QStringLiteral("Con allegato 7"));
  EXPECT_EQ(db_->TableDefs().Item("Allegati").RecordCount(), 10);
  try {
    tools::CreateOrbiscaDatabase(dir_.filePath("orbisca4.mdb"));
    FAIL() << "an existing database was overwritten";
  } catch (const jet::EJetError &e) {
    EXPECT_EQ(e.Number(), jet::kErrDatabaseExists);
  }
}

TEST(LargeDatabase, HasTheProgramsSchemaAndTheRequestedRows) {
  QTemporaryDir dir;
  tools::LargeDatabaseOptions o;
  o.stock_rows = 200;
  o.journal_rows = 1000;
  o.days = 10;
  tools::CreateLargeDatabase(dir.filePath("big.mdb"), o);
  jet::DBEngine engine;
  auto db = engine.OpenDatabase(dir.filePath("big.mdb"));
  EXPECT_EQ(db->TableDefs().Item("Giacenza").RecordCount(), 200);
  EXPECT_EQ(db->TableDefs().Item("Giornale").RecordCount(), 1000);
  auto stock = db->OpenRecordset("Giacenza", jet::dbOpenTable);
  stock->SetIndex("PrimaryKey");
  stock->Seek("=", {tools::StockBarcode(150)});
  EXPECT_FALSE(stock->NoMatch());
  db->Close();
}

}  // namespace
