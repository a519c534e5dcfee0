// The road of a scanned code through the main window's logic, without a
// window: lookups, loads, returns, sales, the till and the day view, and the
// all-or-nothing registration.
#include "app/menulogic.h"

#include "platform/rtl/exceptions.h"
#include "tests/app/app_fixture.h"

namespace app::testing {
namespace {

class MenuLogicTest : public DataFolder {
 protected:
  void SetUp() override {
    DataFolder::SetUp();
    logic_.percorso = folder_;
    logic_.ShowError = [this](const QString &text) { errors_ << text; };
    logic_.OpenArchives();
    logic_.first_paint = false;
    logic_.pageRecalc();
  }
  void Scan(const QString &code) {
    logic_.ingresso_barcode = code;
    logic_.ingresso_barcodeExit();
  }
  // Lists a dataset's column as text, in the dataset's order.
  static QStringList Column(vcl::TDataSet *ds, const QString &field) {
    QStringList out;
    for (ds->First(); !ds->Eof(); ds->Next()) out << ds->FieldByName(field)->AsString();
    return out;
  }

  TMenuLogic logic_;
  QStringList errors_;
};

TEST_F(MenuLogicTest, NewPeriodicalIsLoadedIntoStockTitlesAndJournal) {
  Scan(kNewPeriodical);
  EXPECT_EQ(logic_.lb_showrivista, QStringLiteral("Nuovo inserimento"));
  EXPECT_EQ(logic_.lb_allegato, QStringLiteral("Con allegato 2"));
  EXPECT_EQ(logic_.focus, TFocus::CaricoTestata);
  EXPECT_EQ(logic_.Carico.barcode, kNewPeriodical);
  EXPECT_EQ(logic_.Carico.reso, day_);
  EXPECT_TRUE(logic_.ingresso_barcode.isEmpty());

  logic_.Carico.testata = QStringLiteral("Focus");
  logic_.Carico.fornitore = QStringLiteral("DIS");
  logic_.CaricoPeriodoChange(QStringLiteral("MEN"));
  EXPECT_EQ(logic_.Carico.reso, day_ + 30);
  logic_.Carico.acquisto = 1.2;
  logic_.Carico.prezzo = 1.5;
  logic_.Carico.quantita = 10;
  logic_.btn_caricoClick();

  EXPECT_TRUE(errors_.isEmpty()) << errors_.join("\n").toStdString();
  EXPECT_EQ(StockOf(kNewPeriodical), 10);
  EXPECT_EQ(CountRows("Riviste", "Barcode = \"9771234567020\" AND Nome = \"Focus\""), 1);
  EXPECT_EQ(CountRows("Giornale", "Barcode18 = \"977123456702001234\" AND Tipo = \"C\" AND Quantita = 10"), 1);
  EXPECT_EQ(logic_.show_acq, QStringLiteral("Acq. 12,00 €"));
  EXPECT_EQ(logic_.show_ven, QStringLiteral("Ven. 15,00 €"));
  EXPECT_EQ(Column(logic_.un_giorno, "Testata"), QStringList{"Focus"});
  EXPECT_EQ(logic_.lb_showrivista, kIdleStatus);
  EXPECT_TRUE(logic_.Carico.barcode.isEmpty());
  EXPECT_EQ(logic_.focus, TFocus::ingresso_barcode);

  // A rescan proposes the article and dates its return by its periodicity.
  Scan(kNewPeriodical);
  EXPECT_EQ(logic_.lb_showrivista, QStringLiteral("Focus"));
  EXPECT_EQ(logic_.Carico.testata, QStringLiteral("Focus"));
  EXPECT_EQ(logic_.Carico.giacenza, 10);
  EXPECT_DOUBLE_EQ(logic_.Carico.acquisto, 1.2);
  EXPECT_EQ(logic_.Carico.periodo, QStringLiteral("MEN"));
  EXPECT_EQ(logic_.Carico.data, day_);
  EXPECT_EQ(logic_.Carico.reso, day_ + 30);
  EXPECT_EQ(logic_.focus, TFocus::Caricoquantita);
}

TEST_F(MenuLogicTest, ReturnDateFollowsEachArticlesOwnPeriodicity) {
  // Looking up a weekly title after a monthly article must not keep the
  // monthly days (the periodicity list's row is not the one chosen).
  Scan(kStocked);
  EXPECT_EQ(logic_.Carico.reso, day_ + 30);
  Scan(kTitleOnly);
  EXPECT_EQ(logic_.lb_showrivista, QStringLiteral(">>> Corriere"));
  EXPECT_EQ(logic_.Carico.periodo, QStringLiteral("SET"));
  EXPECT_EQ(logic_.Carico.reso, day_ + 7);
  logic_.CaricoPeriodoChange(QStringLiteral("XYZ"));
  EXPECT_EQ(logic_.Carico.reso, day_);
}

TEST_F(MenuLogicTest, LoadRefusesWhatItCannotRegister) {
  // A periodical without its issue add-on.
  Scan(QStringLiteral("9771234567002"));
  EXPECT_TRUE(logic_.Carico.barcode.isEmpty());
  EXPECT_TRUE(logic_.ultimo_barcode.isEmpty());
  // Twelve characters: nothing happens and the code stays.
  Scan(QStringLiteral("800123456789"));
  EXPECT_EQ(logic_.ingresso_barcode, QStringLiteral("800123456789"));
  EXPECT_TRUE(logic_.Carico.barcode.isEmpty());
  // Above 1000 copies the quantity is reset; 1000 itself is taken.
  Scan(kStocked);
  logic_.Carico.quantita = 1001;
  logic_.btn_caricoClick();
  EXPECT_EQ(logic_.Carico.quantita, 0);
  EXPECT_EQ(StockOf(kStocked), 5);
  logic_.Carico.quantita = 1000;
  logic_.btn_caricoClick();
  EXPECT_EQ(StockOf(kStocked), 1005);
  EXPECT_EQ(CountRows("Giornale"), 1);
}

// A code of an accepted length made of letters or punctuation used to be
// stored as a new article with stock. Every page refuses it with a message,
// and the article the page showed before goes, so the user cannot take it
// for the refused code's.
TEST_F(MenuLogicTest, CodesThatAreNotAllDigitsAreRefusedOnEveryPage) {
  const QString letters = QStringLiteral("agzxMZkVFMUvTVmFpk");  // 18 characters
  for (const TPage page : {TPage::Carico, TPage::Resi, TPage::Scarico, TPage::Query}) {
    SCOPED_TRACE(static_cast<int>(page));
    logic_.active_page = page;
    Scan(kStocked);
    ASSERT_EQ(logic_.Page(page).barcode, kStocked);
    errors_.clear();
    Scan(letters);
    ASSERT_EQ(errors_.size(), 1);
    EXPECT_EQ(errors_[0], QStringLiteral("Codice a barre non valido: «agzxMZkVFMUvTVmFpk».\n"
                                         "Un codice a barre è fatto di sole cifre."));
    const TPageFields &p = logic_.Page(page);
    EXPECT_TRUE(p.barcode.isEmpty());
    EXPECT_TRUE(p.testata.isEmpty());
    EXPECT_EQ(p.giacenza, 0);
    EXPECT_EQ(logic_.lb_showrivista, kIdleStatus);
    EXPECT_TRUE(logic_.ingresso_barcode.isEmpty());
    EXPECT_TRUE(logic_.ultimo_barcode.isEmpty());
    EXPECT_EQ(logic_.focus, TFocus::ingresso_barcode);
  }
  for (const QString &bad : {QStringLiteral("8001234-67890"), QStringLiteral("97712345670 2001"),
                             QStringLiteral("80012345"), QStringLiteral("x1")}) {
    errors_.clear();
    logic_.active_page = TPage::Carico;
    Scan(bad);
    EXPECT_EQ(errors_.size(), bad == QStringLiteral("80012345") ? 0 : 1) << bad.toStdString();
  }
  // Nothing was registered, and a load of the refused code cannot happen.
  logic_.Carico.quantita = 3;
  logic_.btn_caricoClick();
  EXPECT_EQ(CountRows("Giacenza"), 1);
  EXPECT_EQ(CountRows("Giornale"), 0);
  EXPECT_EQ(CountRows("Giacenza", QStringLiteral("Barcode18 = \"agzxMZkVFMUvTVmFpk\"")), 0);
}

// A database that did not open takes no registration and says why.
TEST_F(MenuLogicTest, RegistrationsAreRefusedWhenTheArchiveIsNotUsable) {
  TMenuLogic other;
  QStringList errors;
  other.ShowError = [&](const QString &text) { errors << text; };
  other.percorso = dir_.filePath(QStringLiteral("altrove/"));
  try {
    other.OpenArchives();
    ADD_FAILURE() << "a missing database opened";
  } catch (const rtl::Exception &e) {
    EXPECT_TRUE(e.Message().startsWith(QStringLiteral("L'archivio dei dati «"))) << e.Message().toStdString();
    EXPECT_TRUE(e.Message().contains(QStringLiteral("non è stato trovato"))) << e.Message().toStdString();
  }
  EXPECT_EQ(other.ArchiveState(), TMenuLogic::TArchiveState::Missing);
  other.first_paint = false;
  other.Carico.barcode = kNonPeriodical;
  other.Carico.testata = QStringLiteral("Nuovo");
  other.Carico.quantita = 2;
  other.btn_caricoClick();
  other.Scarico.barcode = kStocked;
  other.Scarico.quantita = 1;
  other.btn_scaricoClick();
  ASSERT_EQ(errors.size(), 2);
  for (const QString &e : errors)
    EXPECT_TRUE(e.startsWith(QStringLiteral("Registrazione non eseguita.\nL'archivio dei dati «"))) << e.toStdString();
  EXPECT_EQ(other.focus, TFocus::ScaricoQuantita);
  EXPECT_EQ(other.show_totale, 0);
  // A scanned code has nothing to be looked up in: the same words, and the
  // field is ready for the next scan.
  other.ingresso_barcode = kStocked;
  other.ingresso_barcodeExit();
  ASSERT_EQ(errors.size(), 3);
  EXPECT_TRUE(errors[2].startsWith(QStringLiteral("L'archivio dei dati «"))) << errors[2].toStdString();
  EXPECT_TRUE(other.ingresso_barcode.isEmpty());
}

TEST_F(MenuLogicTest, NonPeriodicalGetsNoTitleRow) {
  Scan(kNonPeriodical);
  EXPECT_EQ(logic_.lb_allegato, QStringLiteral("non periodico"));
  logic_.Carico.testata = QStringLiteral("Figurine");
  logic_.Carico.quantita = 3;
  logic_.btn_caricoClick();
  EXPECT_EQ(StockOf(kNonPeriodical), 3);
  EXPECT_EQ(CountRows("Riviste"), 1);
  // A periodical in stock whose title row is missing gets it back.
  Scan(kStocked);
  logic_.Carico.quantita = 1;
  logic_.btn_caricoClick();
  EXPECT_EQ(CountRows("Riviste", "Nome = \"Topolino\""), 1);
}

TEST_F(MenuLogicTest, ReturnOfTheWholeStock) {
  Scan(QStringLiteral("222"));
  EXPECT_EQ(logic_.active_page, TPage::Resi);
  EXPECT_EQ(logic_.show_acq, QStringLiteral("Acq. 0,00 €"));  // no refresh by code
  Scan(kStocked);
  EXPECT_EQ(logic_.Resi.quantita, 5);
  EXPECT_EQ(logic_.Resi.data, rtl::EncodeDate(2026, 11, 30));
  EXPECT_EQ(logic_.Resi.reso, rtl::EncodeDate(2026, 12, 30));
  EXPECT_EQ(logic_.focus, TFocus::Resiquantita);
  logic_.btn_resiClick();
  EXPECT_EQ(StockOf(kStocked), 0);
  EXPECT_EQ(CountRows("Giornale", "Tipo = \"R\" AND Quantita = -5"), 1);
  EXPECT_EQ(logic_.show_acq, QStringLiteral("Acq. 10,00 €"));
  EXPECT_EQ(logic_.show_ven, QStringLiteral("Ven. 12,50 €"));

  Scan(kNonPeriodical);
  EXPECT_EQ(logic_.lb_showrivista, kNotInStock);
  EXPECT_TRUE(logic_.Resi.barcode.isEmpty());
  EXPECT_TRUE(logic_.lb_allegato.isEmpty());
}

TEST_F(MenuLogicTest, SalesAddUpInTheTillUntilReset) {
  logic_.azzera = QStringLiteral("99");
  Scan(QStringLiteral("333"));
  EXPECT_EQ(logic_.active_page, TPage::Scarico);
  Scan(kStocked);
  EXPECT_EQ(logic_.Scarico.quantita, 1);
  logic_.Scarico.prezzo = 1.5;
  logic_.Scarico.quantita = 2;
  logic_.btn_scaricoClick();
  Scan(kStocked);
  logic_.Scarico.prezzo = 2.0;
  logic_.btn_scaricoClick();
  EXPECT_DOUBLE_EQ(logic_.show_totale, 5);
  EXPECT_EQ(StockOf(kStocked), 2);
  logic_.show_pagamento = 10;
  logic_.show_pagamentoChange();
  EXPECT_EQ(logic_.show_resto, QStringLiteral("€ 5"));
  logic_.show_pagamento = 5.5;
  logic_.show_pagamentoChange();
  EXPECT_EQ(logic_.show_resto, QStringLiteral("€ ,5"));

  Scan(QStringLiteral("000"));
  EXPECT_EQ(logic_.show_totale, 0);
  EXPECT_EQ(logic_.show_resto, kRestoZero);
  EXPECT_EQ(logic_.show_pagamento, 0);
  logic_.show_totale = 3;
  Scan(QStringLiteral("99"));
  EXPECT_EQ(logic_.show_totale, 0);
  EXPECT_TRUE(logic_.ingresso_barcode.isEmpty());

  // Too many copies: the sale proposes one again.
  Scan(kStocked);
  logic_.Scarico.quantita = 1001;
  logic_.btn_scaricoClick();
  EXPECT_EQ(logic_.Scarico.quantita, 1);
  EXPECT_EQ(StockOf(kStocked), 2);
}

TEST_F(MenuLogicTest, InspectionAndWorkDate) {
  Scan(kStocked);
  logic_.Carico.quantita = 4;
  logic_.btn_caricoClick();
  logic_.selez_data = day_ - 1;
  logic_.btn_cambiadataClick();
  EXPECT_EQ(logic_.un_giorno->RecordCount(), 0);
  EXPECT_EQ(logic_.show_acq, QStringLiteral("Acq. 0,00 €"));
  Scan(kStocked);
  logic_.Carico.quantita = 6;
  logic_.btn_caricoClick();
  EXPECT_EQ(Column(logic_.un_giorno, "Quantita"), QStringList{"6"});
  EXPECT_EQ(CountRows("Giornale", "Data = #12/08/2026# AND Quantita = 6"), 1);

  // The tab replays the last code on the inspection page: newest first.
  Scan(kStocked);
  logic_.PageControl1Change(TPage::Query);
  EXPECT_FALSE(logic_.pn_bottom_visible);
  EXPECT_EQ(logic_.mostra, logic_.ds_storico);
  EXPECT_EQ(logic_.query.barcode, kStocked);
  EXPECT_EQ(Column(logic_.Storico, "Quantita"), (QStringList{"6", "4"}));
}

TEST_F(MenuLogicTest, PersistentFieldsAreNamedTypedAndReadTheOpenRow) {
  // Declared by the logic, named after the dataset and the column.
  EXPECT_EQ(logic_.GiacenzeGiacenza->Name(), QStringLiteral("GiacenzeGiacenza"));
  EXPECT_EQ(logic_.GiacenzeGiacenza->FieldName(), QStringLiteral("Giacenza"));
  EXPECT_EQ(logic_.GiacenzeGiacenza->DataSet(), logic_.Giacenze);
  EXPECT_EQ(logic_.GiacenzeGiacenza->Owner(), &logic_);
  EXPECT_EQ(logic_.GiacenzeGiacenza->ClassName(), QStringLiteral("TFloatField"));
  EXPECT_EQ(logic_.rivisteNome->ClassName(), QStringLiteral("TStringField"));
  EXPECT_EQ(logic_.rivisteNome->Size(), 30);
  EXPECT_EQ(logic_.giornaleProgressivo->ClassName(), QStringLiteral("TAutoIncField"));
  EXPECT_EQ(logic_.PeriodoGiorni->ClassName(), QStringLiteral("TSmallintField"));
  EXPECT_EQ(logic_.GiacenzeCD->ClassName(), QStringLiteral("TBooleanField"));
  EXPECT_TRUE(logic_.GiacenzeScadenza->InheritsFrom(QStringLiteral("TDateTimeField")));
  EXPECT_EQ(logic_.TotaliAcquisto->ClassName(), QStringLiteral("TFloatField"));
  EXPECT_EQ(logic_.FindComponent(QStringLiteral("AllegatiSIGNIFICATO")), logic_.AllegatiSIGNIFICATO);
  EXPECT_EQ(logic_.FindComponent(QStringLiteral("un_giornoTestata")), logic_.un_giornoTestata);
  EXPECT_EQ(logic_.FindComponent(QStringLiteral("StoricoData")), logic_.StoricoData);

  // The opened datasets use them in place of default fields.
  EXPECT_EQ(logic_.Giacenze->FieldCount(), 13);
  EXPECT_EQ(logic_.Giacenze->FieldByName(QStringLiteral("Giacenza")), logic_.GiacenzeGiacenza);
  EXPECT_EQ(logic_.Periodo->FieldByName(QStringLiteral("Giorni")), logic_.PeriodoGiorni);

  // Scanning a stocked article positions the stock row the fields read.
  Scan(QStringLiteral("222"));
  Scan(kStocked);
  EXPECT_DOUBLE_EQ(logic_.GiacenzeGiacenza->AsFloat(), 5);
  EXPECT_EQ(logic_.GiacenzeBarcode18->AsString(), kStocked);
  EXPECT_EQ(logic_.GiacenzeTestata->AsString(), QStringLiteral("Topolino"));
  EXPECT_EQ(logic_.GiacenzeScadenza->AsDateTime(), rtl::EncodeDate(2026, 12, 30));
  EXPECT_FALSE(logic_.GiacenzeCD->AsBoolean());
  EXPECT_EQ(logic_.DaysOfPeriod(QStringLiteral("MEN")), 30);
  EXPECT_EQ(logic_.PeriodoGiorni->AsInteger(), 30);

  // A return fills the day's journal view and totals through their fields.
  logic_.btn_resiClick();
  ASSERT_FALSE(logic_.un_giorno->IsEmpty());
  EXPECT_EQ(logic_.un_giornoTestata->AsString(), QStringLiteral("Topolino"));
  EXPECT_DOUBLE_EQ(logic_.un_giornoQuantita->AsFloat(), -5);
  EXPECT_EQ(logic_.un_giornoTipo->AsString(), QStringLiteral("R"));
  EXPECT_EQ(logic_.show_acq, QStringLiteral("Acq. 10,00 €"));
  logic_.Totali->Open();  // the day view closes it after reading; same parameters
  ASSERT_FALSE(logic_.Totali->IsEmpty());
  EXPECT_EQ(logic_.Totali->FieldByName(QStringLiteral("Acquisto")), logic_.TotaliAcquisto);
  EXPECT_DOUBLE_EQ(logic_.TotaliAcquisto->AsFloat(), -10);
  EXPECT_DOUBLE_EQ(logic_.TotaliVendita->AsFloat(), -12.5);
  logic_.Totali->Close();
}

TEST_F(MenuLogicTest, FailedRegistrationChangesNothing) {
  Scan(kStocked);
  logic_.Carico.quantita = 3;
  logic_.giornale->BeforePost = [](vcl::TDataSet *) { throw rtl::Exception("disco pieno"); };
  logic_.btn_caricoClick();
  ASSERT_EQ(errors_.size(), 1);
  EXPECT_TRUE(errors_[0].contains(QStringLiteral("disco pieno")));
  EXPECT_EQ(StockOf(kStocked), 5);
  EXPECT_EQ(CountRows("Riviste", "Nome = \"Topolino\""), 0);
  EXPECT_EQ(CountRows("Giornale"), 0);
  EXPECT_EQ(logic_.Carico.barcode, kStocked);  // the page keeps what was typed
  EXPECT_EQ(logic_.Giacenze->State(), vcl::dsBrowse);
  EXPECT_EQ(logic_.giornale->State(), vcl::dsBrowse);
  EXPECT_EQ(Column(logic_.Giacenze, "Giacenza"), QStringList{"5"});

  // A failure between the stock row and the journal row: the stock row
  // posted first is undone too, then a sound registration goes through.
  logic_.giornale->BeforePost = nullptr;
  logic_.riviste->BeforePost = [](vcl::TDataSet *) { throw rtl::Exception("titolo rifiutato"); };
  logic_.btn_caricoClick();
  EXPECT_EQ(errors_.size(), 2);
  EXPECT_EQ(StockOf(kStocked), 5);
  EXPECT_EQ(logic_.riviste->State(), vcl::dsBrowse);
  logic_.riviste->BeforePost = nullptr;
  logic_.Carico.testata = QStringLiteral("Topolino");
  logic_.btn_caricoClick();
  EXPECT_EQ(errors_.size(), 2);
  EXPECT_EQ(StockOf(kStocked), 8);
  EXPECT_EQ(CountRows("Giornale"), 1);
  EXPECT_EQ(logic_.Giacenze->RecordCount(), 1);
}

}  // namespace
}  // namespace app::testing
