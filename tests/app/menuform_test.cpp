// The main window on the offscreen platform, driven as a scanner drives it:
// the digits typed into the code field, then Enter, which the Enter-as-Tab
// component turns into leaving the field.
#include "app/menuform.h"

#include <QFile>
#include <QFontMetrics>
#include <QTemporaryDir>
#include <QTimer>

#include "app/archivio.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "tests/app/app_fixture.h"

namespace app::testing {
namespace {

class MenuFormTest : public DataFolder {
 protected:
  void SetUp() override {
    DataFolder::SetUp();
    saved_dir_ = QDir::currentPath();
    QDir::setCurrent(dir_.path());
    vcl::InitApplication();
    vcl::Application->ShowExceptionSlot = [this](const QString &, const QString &text) { shown_ << text; };
    form_ = std::make_unique<TMenuForm>(nullptr);
    form_->Show();
    QApplication::setActiveWindow(form_->Handle());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_->Handle()));
    for (int i = 0; i < 50 && !form_->Started(); ++i) QTest::qWait(10);
  }
  void TearDown() override {
    form_.reset();
    vcl::Application->ShowExceptionSlot = nullptr;
    QDir::setCurrent(saved_dir_);
  }
  void Keys(const QString &text) {
    for (QChar c : text) QTest::keyClick(form_->Handle()->windowHandle(), c.toLatin1());
    Pump();
  }
  void Enter() {
    QTest::keyClick(form_->Handle()->windowHandle(), Qt::Key_Return);
    Pump();
  }
  void Scan(const QString &code) {
    Keys(code);
    Enter();
  }
  // Whether a cell of the day grid shows `text`.
  bool GridShows(const QString &text) const {
    for (int r = 0; r < form_->mostra->RowCount(); ++r)
      for (int c = 0; c < form_->mostra->ColumnCount(); ++c)
        if (form_->mostra->CellText(r, c).contains(text)) return true;
    return false;
  }
  static void Pump() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
  }

  QString saved_dir_;
  QStringList shown_;
  std::unique_ptr<TMenuForm> form_;
};

TEST_F(MenuFormTest, StartsOnTheLoadPageReadyForACode) {
  ASSERT_TRUE(form_->Started());
  EXPECT_EQ(form_->Logic->percorso, QDir::currentPath() + QLatin1Char('/'));
  EXPECT_EQ(form_->PageControl1->ActivePage(), form_->tb_carico);
  EXPECT_TRUE(form_->ingresso_barcode->Focused());
  EXPECT_EQ(form_->selez_data->Text(), QStringLiteral("09/12/2026"));
  EXPECT_EQ(form_->show_acq->Caption(), QStringLiteral("Acq. 0,00 €"));
  EXPECT_FALSE(form_->pn_totali->Visible());
  EXPECT_TRUE(shown_.isEmpty()) << shown_.join("\n").toStdString();
}

TEST_F(MenuFormTest, ScannedNewPeriodicalIsLoaded) {
  ASSERT_TRUE(form_->Started());
  Scan(kNewPeriodical);
  EXPECT_EQ(form_->lb_showrivista->Caption(), QStringLiteral("Nuovo inserimento"));
  EXPECT_TRUE(form_->Carico.Testata->Focused());
  EXPECT_EQ(form_->Carico.barcode->Text(), kNewPeriodical);
  Keys(QStringLiteral("Focus"));
  form_->Carico.Acquisto->SetText(QStringLiteral("1,2"));
  form_->Carico.Prezzo->SetText(QStringLiteral("1,5"));
  form_->Carico.quantita->SetFocus();
  Keys(QStringLiteral("10"));
  Enter();
  EXPECT_TRUE(shown_.isEmpty()) << shown_.join("\n").toStdString();
  EXPECT_EQ(StockOf(kNewPeriodical), 10);
  EXPECT_EQ(CountRows("Riviste", "Nome = \"Focus\""), 1);
  EXPECT_EQ(CountRows("Giornale", "Tipo = \"C\" AND Quantita = 10"), 1);
  EXPECT_EQ(form_->show_acq->Caption(), QStringLiteral("Acq. 12,00 €"));
  EXPECT_EQ(form_->show_ven->Caption(), QStringLiteral("Ven. 15,00 €"));
  EXPECT_EQ(form_->mostra->DataSource(), form_->Logic->ds_giorno);
  EXPECT_TRUE(GridShows(QStringLiteral("Focus")));
  EXPECT_TRUE(form_->ingresso_barcode->Focused());
  EXPECT_TRUE(form_->Carico.barcode->Text().isEmpty());
}

TEST_F(MenuFormTest, CodesThatAreRefusedOrUnknown) {
  ASSERT_TRUE(form_->Started());
  Scan(QStringLiteral("9771234567020"));
  EXPECT_TRUE(form_->Carico.barcode->Text().isEmpty());
  EXPECT_TRUE(form_->ingresso_barcode->Focused());
  form_->ingresso_barcode->SetText(QString());
  Scan(QStringLiteral("800123456789"));
  EXPECT_EQ(form_->ingresso_barcode->Text(), QStringLiteral("800123456789"));
  EXPECT_TRUE(form_->Carico.barcode->Text().isEmpty());
  form_->ingresso_barcode->SetText(QString());
  Scan(QStringLiteral("222"));
  EXPECT_EQ(form_->PageControl1->ActivePage(), form_->tb_resi);
  form_->ingresso_barcode->SetText(QString());
  Scan(kNonPeriodical);
  EXPECT_EQ(form_->lb_showrivista->Caption(), kNotInStock);
}

TEST_F(MenuFormTest, SaleThroughTheTill) {
  ASSERT_TRUE(form_->Started());
  Scan(QStringLiteral("333"));
  EXPECT_EQ(form_->PageControl1->ActivePage(), form_->tb_scarico);
  form_->ingresso_barcode->SetText(QString());
  Scan(kStocked);
  EXPECT_TRUE(form_->Scarico.quantita->Focused());
  EXPECT_EQ(form_->Scarico.quantita->Text(), QStringLiteral("1"));
  Enter();
  EXPECT_EQ(StockOf(kStocked), 4);
  EXPECT_EQ(CountRows("Giornale", "Tipo = \"S\" AND Quantita = -1"), 1);
  EXPECT_EQ(form_->show_totale->Text(), QStringLiteral("2,50"));
  EXPECT_TRUE(form_->pn_totali->Visible());
  form_->show_pagamento->SetText(QStringLiteral("5"));
  EXPECT_EQ(form_->show_resto->Caption(), QStringLiteral("€ 2,5"));
  form_->ingresso_barcode->SetFocus();
  Scan(QStringLiteral("000"));
  EXPECT_EQ(form_->show_totale->Text(), QStringLiteral("0,00"));
  EXPECT_EQ(form_->show_resto->Caption(), kRestoZero);
}

// Several copies of one title sold at once: the quantity typed at the
// counter is what the journal, the stock and the till's total count.
TEST_F(MenuFormTest, AQuantityTypedAtTheCounterIsSoldAndTotalled) {
  ASSERT_TRUE(form_->Started());
  Scan(QStringLiteral("333"));
  Scan(kStocked);
  ASSERT_TRUE(form_->Scarico.quantita->Focused());
  form_->Scarico.quantita->SelectAll();
  Keys(QStringLiteral("3"));
  Enter();
  EXPECT_EQ(StockOf(kStocked), 2);
  EXPECT_EQ(CountRows("Giornale", "Tipo = \"S\" AND Quantita = -3 AND Prezzo_V = 2.5"), 1);
  EXPECT_EQ(form_->show_totale->Text(), QStringLiteral("7,50"));
  // One more copy of it: the total adds up.
  Scan(kStocked);
  Enter();
  EXPECT_EQ(form_->show_totale->Text(), QStringLiteral("10,00"));
  form_->show_pagamento->SetFocus();
  Keys(QStringLiteral("20"));
  Enter();
  EXPECT_EQ(form_->show_resto->Caption(), QStringLiteral("€ 10"));
  EXPECT_TRUE(shown_.isEmpty()) << shown_.join("\n").toStdString();
}

// A day at the counter: a sale, the amount handed over typed and confirmed
// with Enter, and the next customer's code from the scanner registers the
// next sale (the scan is not typed into another field and lost). The till
// shows as soon as the sale page does, here reached by its code.
TEST_F(MenuFormTest, TheNextScanAfterAPaymentRegistersTheNextSale) {
  ASSERT_TRUE(form_->Started());
  Scan(QStringLiteral("333"));
  EXPECT_TRUE(form_->pn_totali->Visible());
  Scan(kStocked);
  EXPECT_TRUE(form_->Scarico.quantita->Focused());
  Enter();
  EXPECT_EQ(StockOf(kStocked), 4);
  form_->show_pagamento->SetFocus();
  Keys(QStringLiteral("10"));
  Enter();
  EXPECT_EQ(form_->show_resto->Caption(), QStringLiteral("€ 7,5"));
  EXPECT_TRUE(form_->ingresso_barcode->Focused());
  Scan(kStocked);
  EXPECT_TRUE(form_->Scarico.quantita->Focused());
  Enter();
  EXPECT_EQ(StockOf(kStocked), 3);
  EXPECT_EQ(CountRows("Giornale", "Tipo = \"S\""), 2);
  EXPECT_EQ(form_->show_totale->Text(), QStringLiteral("5,00"));
  EXPECT_TRUE(form_->ingresso_barcode->Focused());
  Scan(QStringLiteral("111"));
  EXPECT_FALSE(form_->pn_totali->Visible());
  EXPECT_TRUE(shown_.isEmpty()) << shown_.join("\n").toStdString();
}

// A quantity above the limit typed and confirmed with Enter is set back and
// the cursor stays on it, so the clerk corrects it rather than the next
// scan going to another article; nothing is registered meanwhile.
TEST_F(MenuFormTest, AnExcessiveQuantityKeepsTheCursorOnTheQuantity) {
  ASSERT_TRUE(form_->Started());
  Scan(QStringLiteral("333"));
  Scan(kStocked);
  ASSERT_TRUE(form_->Scarico.quantita->Focused());
  form_->Scarico.quantita->SelectAll();
  Keys(QStringLiteral("1001"));
  Enter();
  EXPECT_EQ(form_->Scarico.quantita->Text(), QStringLiteral("1"));
  EXPECT_TRUE(form_->Scarico.quantita->Focused());
  EXPECT_EQ(StockOf(kStocked), 5);
  Enter();
  EXPECT_EQ(StockOf(kStocked), 4);
  EXPECT_TRUE(form_->ingresso_barcode->Focused());

  Scan(QStringLiteral("222"));
  Scan(kStocked);
  ASSERT_TRUE(form_->Resi.quantita->Focused());
  form_->Resi.quantita->SelectAll();
  Keys(QStringLiteral("1001"));
  Enter();
  EXPECT_TRUE(form_->Resi.quantita->Focused());
  EXPECT_EQ(StockOf(kStocked), 4);

  form_->ingresso_barcode->SetFocus();
  Scan(QStringLiteral("111"));
  Scan(kStocked);
  ASSERT_TRUE(form_->Carico.quantita->Focused());
  Keys(QStringLiteral("1001"));
  Enter();
  EXPECT_TRUE(form_->Carico.quantita->Focused());
  EXPECT_EQ(CountRows("Giornale", "Tipo = \"C\""), 0);
  EXPECT_TRUE(shown_.isEmpty()) << shown_.join("\n").toStdString();
}

// The return date typed on the load page is the one the stock row keeps,
// for a new title and for one loaded again; the load's own date goes
// beside it.
TEST_F(MenuFormTest, TheReturnDateTypedAtALoadIsSavedWithIt) {
  ASSERT_TRUE(form_->Started());
  TPageControls &c = form_->Carico;
  Scan(kNewPeriodical);
  Keys(QStringLiteral("Focus"));
  c.Prezzo->SetText(QStringLiteral("1,5"));
  c.Reso->SetFocus();
  c.Reso->SelectAll();
  Keys(QStringLiteral("20012027"));
  EXPECT_EQ(c.Reso->EditDate(), rtl::EncodeDate(2027, 1, 20));
  c.quantita->SetFocus();
  Keys(QStringLiteral("4"));
  Enter();
  EXPECT_EQ(StockOf(kNewPeriodical), 4);
  EXPECT_EQ(StockField(kNewPeriodical, "Scadenza").AsDateTime(), rtl::EncodeDate(2027, 1, 20));
  EXPECT_EQ(StockField(kNewPeriodical, "Ucarico").AsDateTime(), day_);

  Scan(kStocked);
  ASSERT_TRUE(c.quantita->Focused());
  c.Reso->SetFocus();
  c.Reso->SelectAll();
  Keys(QStringLiteral("15012027"));
  c.quantita->SetFocus();
  c.quantita->SelectAll();
  Keys(QStringLiteral("2"));
  Enter();
  EXPECT_EQ(StockOf(kStocked), 7);
  EXPECT_EQ(StockField(kStocked, "Scadenza").AsDateTime(), rtl::EncodeDate(2027, 1, 15));
  EXPECT_EQ(StockField(kStocked, "Ucarico").AsDateTime(), day_);
  EXPECT_TRUE(shown_.isEmpty()) << shown_.join("\n").toStdString();
}

// Consignment is picked from its list on the load page, reaches the stock
// row, and shows (not to be changed) on the returns page.
TEST_F(MenuFormTest, ConsignmentIsPickedFromItsList) {
  ASSERT_TRUE(form_->Started());
  vcl::TComboBox *cd = form_->Carico.CD;
  ASSERT_EQ(cd->Items()->Count(), 2);
  EXPECT_EQ(cd->Items()->Get(0), QStringLiteral("No"));
  EXPECT_EQ(cd->Items()->Get(1), QStringLiteral("Si"));
  EXPECT_EQ(cd->Style(), vcl::csDropDownList);
  EXPECT_EQ(cd->Text(), QStringLiteral("No"));
  EXPECT_TRUE(cd->Enabled());
  EXPECT_FALSE(form_->Resi.CD->Enabled());

  Scan(kNewPeriodical);
  Keys(QStringLiteral("Focus"));
  cd->SetFocus();
  QTest::keyClick(cd->Handle(), Qt::Key_Down);
  Pump();
  EXPECT_EQ(cd->Text(), QStringLiteral("Si"));
  form_->Carico.Prezzo->SetText(QStringLiteral("1,5"));
  form_->Carico.quantita->SetFocus();
  Keys(QStringLiteral("10"));
  Enter();
  EXPECT_EQ(StockOf(kNewPeriodical), 10);
  EXPECT_EQ(CountRows("Giacenza", "CD = True"), 1);

  Scan(QStringLiteral("222"));
  Scan(kNewPeriodical);
  EXPECT_EQ(form_->Resi.CD->Text(), QStringLiteral("Si"));
  EXPECT_TRUE(shown_.isEmpty()) << shown_.join("\n").toStdString();
}

// After a new code the status label, below the menu bar, says so.
TEST_F(MenuFormTest, TheStatusLabelShowsItsTexts) {
  ASSERT_TRUE(form_->Started());
  Scan(kNewPeriodical);
  EXPECT_TRUE(form_->lb_showrivista->Showing());
  EXPECT_EQ(form_->lb_showrivista->Caption(), QStringLiteral("Nuovo inserimento"));
  const QRect label = form_->lb_showrivista->Handle()->geometry();
  const QPoint in_form = form_->lb_showrivista->Handle()->mapTo(form_->Handle(), QPoint(0, 0));
  EXPECT_GE(in_form.y(), form_->MenuBarHeight());
  EXPECT_GE(
      label.width(),
      QFontMetrics(form_->lb_showrivista->Font()->ToQFont()).horizontalAdvance(QStringLiteral("Nuovo inserimento")));
  form_->ingresso_barcode->SetText(QString());
  form_->ingresso_barcode->SetFocus();
  Scan(QStringLiteral("222"));
  Scan(kNonPeriodical);
  EXPECT_EQ(form_->lb_showrivista->Caption(), kNotInStock);
  EXPECT_TRUE(form_->lb_showrivista->Showing());
}

// Alt with the marked letter of "&Testate" opens the titles archive.
TEST_F(MenuFormTest, AltTOpensTheTitlesArchive) {
  ASSERT_TRUE(form_->Started());
  form_->TestateForm = new TTestateForm(form_.get());
  bool opened = false;
  form_->TestateForm->OnShow = [&](rtl::TObject *) {
    opened = true;
    EXPECT_EQ(form_->TestateForm->Caption(), QStringLiteral("Gestione Testate"));
    form_->TestateForm->SetModalResult(vcl::mrCancel);
  };
  QTest::keyClick(form_->ingresso_barcode->Handle(), Qt::Key_T, Qt::AltModifier);
  Pump();
  EXPECT_TRUE(opened);
  EXPECT_EQ(form_->lb_showrivista->Caption(), kIdleStatus);
}

// A busy day: 55 loads do not fit the day's list; its vertical scroll bar
// shows, and every row is reached by the bar and by the wheel.
TEST_F(MenuFormTest, ADayOfMoreRowsThanTheListShowsScrollsToEveryRow) {
  ASSERT_TRUE(form_->Started());
  constexpr int kRows = 55;
  {
    jet::DBEngine engine;
    auto db = engine.OpenDatabase(DatabasePath());
    auto journal = db->OpenRecordset(QStringLiteral("Giornale"), jet::dbOpenTable);
    for (int i = 1; i <= kRows; ++i) {
      journal->AddNew();
      journal->Fields(QStringLiteral("Data")).SetValue(rtl::Variant::FromDate(form_->selez_data->EditDate()));
      journal->Fields(QStringLiteral("Barcode18")).SetValue(kStocked);
      journal->Fields(QStringLiteral("Tipo")).SetValue(QStringLiteral("C"));
      journal->Fields(QStringLiteral("Quantita")).SetValue(double(i));
      journal->Fields(QStringLiteral("Prezzo_A")).SetValue(1.0);
      journal->Fields(QStringLiteral("Prezzo_V")).SetValue(1.5);
      journal->Update();
    }
    db->Close();
  }
  form_->btn_cambiadata->Click();
  Pump();
  vcl::TDBGrid *grid = form_->mostra;
  ASSERT_EQ(grid->DataSource(), form_->Logic->ds_giorno);
  ASSERT_LT(grid->VisibleRowCount(), kRows);
  ASSERT_TRUE(grid->VertScrollBarVisible());
  QScrollBar *bar = grid->VertScrollBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(bar->isVisible());
  // On the right edge of the grid, above the bottom.
  EXPECT_EQ(bar->geometry().right(), grid->ClientWidth() - 1);
  EXPECT_EQ(bar->maximum(), kRows - 1);
  EXPECT_EQ(bar->value(), 0);

  int quantity_column = -1;
  for (int c = 0; c < grid->ColumnCount(); ++c)
    if (grid->Columns(c)->FieldName() == QStringLiteral("Quantita")) quantity_column = c;
  ASSERT_GE(quantity_column, 0);
  const auto current_quantity = [&] { return grid->CellText(grid->CurrentRow(), quantity_column); };
  // Newest first: the bar walks the list from the 55th load down to the first.
  EXPECT_EQ(current_quantity(), QStringLiteral("55"));
  QStringList reached;
  for (int v = 1; v <= bar->maximum(); ++v) {
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    Pump();
    reached << current_quantity();
  }
  QStringList expected;
  for (int i = kRows - 1; i >= 1; --i) expected << QString::number(i);
  EXPECT_EQ(reached, expected);
  EXPECT_EQ(grid->CurrentRow(), grid->RowCount() - 1);  // the last row shown
  bar->triggerAction(QAbstractSlider::SliderToMinimum);
  Pump();
  EXPECT_EQ(current_quantity(), QStringLiteral("55"));

  // The wheel turned towards the user moves down the list, one row a notch.
  QWidget *w = grid->Handle();
  const QPointF at(w->width() / 2.0, w->height() / 2.0);
  for (int i = 0; i < 3; ++i) {
    QWheelEvent wheel(at, w->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &wheel);
  }
  Pump();
  EXPECT_EQ(current_quantity(), QStringLiteral("52"));
  EXPECT_EQ(bar->value(), 3);
  EXPECT_TRUE(shown_.isEmpty()) << shown_.join("\n").toStdString();
}

// Help with no manual, or nothing to read it with, says which file.
TEST(ManualHelp, AMissingManualOrReaderIsSaid) {
  QTemporaryDir dir;
  const QString folder = dir.path() + QLatin1Char('/');
  int opened = 0;
  const auto open_ok = [&](const QString &) { return ++opened, true; };
  const QString missing = ManualProblem(folder, open_ok);
  EXPECT_TRUE(missing.contains(QStringLiteral("\"manuale.pdf\" non si trova"))) << missing.toStdString();
  EXPECT_EQ(opened, 0);
  QFile file(folder + kManualFile);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  EXPECT_TRUE(ManualProblem(folder, open_ok).isEmpty());
  EXPECT_EQ(opened, 1);
  const QString no_reader = ManualProblem(folder, [](const QString &) { return false; });
  EXPECT_TRUE(no_reader.contains(QStringLiteral("Nessun programma"))) << no_reader.toStdString();
  EXPECT_TRUE(no_reader.contains(kManualFile));
}

TEST_F(MenuFormTest, LoadPageShowsAmountsDatesAndPeriodicity) {
  ASSERT_TRUE(form_->Started());
  Scan(kStocked);
  ASSERT_TRUE(shown_.isEmpty()) << shown_.join("\n").toStdString();
  TPageControls &c = form_->Carico;
  EXPECT_EQ(c.barcode->Text(), kStocked);
  // The periodicity combo holds the key and shows the description.
  EXPECT_EQ(c.Periodo->SelectedKey(), QStringLiteral("MEN"));
  EXPECT_EQ(c.Periodo->DisplayValue(), QStringLiteral("Mensile"));
  EXPECT_EQ(c.Data->EditDate(), day_);
  EXPECT_EQ(c.Reso->EditDate(), day_ + 30);
  EXPECT_DOUBLE_EQ(c.Acquisto->Value(), 2.0);
  EXPECT_EQ(c.Acquisto->ShownText(), QStringLiteral("2,000000"));
  EXPECT_DOUBLE_EQ(c.Prezzo->Value(), 2.5);
  EXPECT_EQ(c.Prezzo->ShownText(), QStringLiteral("2,50"));
  EXPECT_EQ(c.giacenza->ShownText(), QStringLiteral("5"));
  EXPECT_TRUE(c.giacenza->ReadOnly());
  // Picking another periodicity moves the return date by its days.
  c.Periodo->SetSelectedKey(QStringLiteral("SET"));
  EXPECT_EQ(c.Reso->EditDate(), day_ + 7);
  EXPECT_EQ(form_->Logic->Carico.periodo, QStringLiteral("SET"));
  // The other pages show the same controls without letting them be edited.
  EXPECT_TRUE(form_->Scarico.Periodo->ReadOnly());
  EXPECT_TRUE(form_->Scarico.Data->ReadOnly());
  EXPECT_TRUE(form_->Scarico.Prezzo->ReadOnly());
  EXPECT_FALSE(c.Prezzo->ReadOnly());
}

// Esc in a field of the registration, on each page, leaves the article: the
// page is cleared, nothing is written and the next scan goes to the code
// field.
TEST_F(MenuFormTest, EscInARegistrationLeavesTheArticle) {
  ASSERT_TRUE(form_->Started());
  const int rows = CountRows("Giornale");
  struct Case {
    QString card;
    TPageControls *page;
  };
  for (const Case &c : {Case{QStringLiteral("111"), &form_->Carico}, Case{QStringLiteral("222"), &form_->Resi},
                        Case{QStringLiteral("333"), &form_->Scarico}}) {
    SCOPED_TRACE(c.card.toStdString());
    Scan(c.card);
    Scan(kStocked);
    ASSERT_TRUE(c.page->quantita->Focused());
    Keys(QStringLiteral("3"));
    QTest::keyClick(form_->Handle()->windowHandle(), Qt::Key_Escape);
    Pump();
    EXPECT_TRUE(form_->ingresso_barcode->Focused());
    EXPECT_TRUE(c.page->barcode->Text().isEmpty());
    EXPECT_TRUE(c.page->Testata->Text().isEmpty());
    EXPECT_EQ(CountRows("Giornale"), rows);
    EXPECT_EQ(StockOf(kStocked), 5);
    // The Tab that Enter-as-Tab queued after the code is long gone: a scan
    // now is a new article.
    Scan(kStocked);
    EXPECT_TRUE(c.page->quantita->Focused());
    QTest::keyClick(form_->Handle()->windowHandle(), Qt::Key_Escape);
    Pump();
  }
  // A new article on the load page: Esc in its title or its price.
  Scan(QStringLiteral("111"));
  for (vcl::TWinControl *field :
       std::initializer_list<vcl::TWinControl *>{form_->Carico.Testata, form_->Carico.Prezzo, form_->Carico.Reso}) {
    Scan(kNewPeriodical);
    field->SetFocus();
    Pump();
    Keys(QStringLiteral("4"));
    QTest::keyClick(form_->Handle()->windowHandle(), Qt::Key_Escape);
    Pump();
    EXPECT_TRUE(form_->ingresso_barcode->Focused()) << field->Name().toStdString();
    EXPECT_TRUE(form_->Carico.barcode->Text().isEmpty()) << field->Name().toStdString();
  }
  EXPECT_EQ(CountRows("Giornale"), rows);
  EXPECT_EQ(CountRows("Giacenza", "Barcode18 = \"" + kNewPeriodical + "\""), 0);
  EXPECT_TRUE(shown_.isEmpty()) << shown_.join("\n").toStdString();
}

// A quantity left empty or refused says why in the status line; a page card
// read into a quantity (the article had no stock, so the field was empty)
// is never a quantity: it switches the page as it does in the code field.
TEST_F(MenuFormTest, APageCardInAnEmptyQuantityRegistersNothing) {
  ASSERT_TRUE(form_->Started());
  Scan(kTitleOnly);  // a title without stock: the load's quantity is empty
  ASSERT_TRUE(form_->Carico.quantita->Focused());
  EXPECT_TRUE(form_->Carico.quantita->Text().isEmpty());
  Enter();
  EXPECT_TRUE(form_->Carico.quantita->Focused());
  EXPECT_EQ(form_->lb_showrivista->Caption(), kQuantityMissing);
  Scan(QStringLiteral("333"));
  EXPECT_EQ(form_->PageControl1->ActivePage(), form_->tb_scarico);
  EXPECT_TRUE(form_->ingresso_barcode->Focused());
  EXPECT_EQ(form_->ingresso_barcode->Text(), QStringLiteral("333"));
  EXPECT_TRUE(form_->Carico.barcode->Text().isEmpty());
  EXPECT_EQ(CountRows("Giornale"), 0);

  // Returns: the whole stock (5) goes back, then the article has none.
  Scan(QStringLiteral("222"));
  Scan(kStocked);
  ASSERT_TRUE(form_->Resi.quantita->Focused());
  Enter();
  ASSERT_EQ(StockOf(kStocked), 0);
  Scan(kStocked);
  ASSERT_TRUE(form_->Resi.quantita->Focused());
  EXPECT_TRUE(form_->Resi.quantita->Text().isEmpty());
  Scan(QStringLiteral("111"));
  EXPECT_EQ(form_->PageControl1->ActivePage(), form_->tb_carico);
  EXPECT_TRUE(form_->ingresso_barcode->Focused());
  EXPECT_EQ(CountRows("Giornale"), 1);
  EXPECT_EQ(CountRows("Giornale", "Quantita = -111"), 0);
  EXPECT_EQ(StockOf(kStocked), 0);

  // A quantity above 1000 is refused with its reason.
  Scan(kStocked);
  Keys(QStringLiteral("1001"));
  Enter();
  EXPECT_EQ(form_->lb_showrivista->Caption(), kQuantityTooLarge);
  EXPECT_EQ(CountRows("Giornale"), 1);
  EXPECT_TRUE(shown_.isEmpty()) << shown_.join("\n").toStdString();
}

// The calendar of the work date closed by Esc gives the keys back to the
// code field: the next scan is a sale dated with the work date. A work date
// typed over with something that is no date goes back to the last one.
TEST_F(MenuFormTest, TheWorkDateIsNeverLeftEmpty) {
  ASSERT_TRUE(form_->Started());
  Scan(QStringLiteral("333"));
  form_->selez_data->SetFocus();
  form_->selez_data->ButtonClick();
  Pump();
  ASSERT_TRUE(form_->selez_data->PopupVisible());
  QTest::keyClick(form_->Handle()->windowHandle(), Qt::Key_Escape);
  Pump();
  EXPECT_FALSE(form_->selez_data->PopupVisible());
  EXPECT_TRUE(form_->ingresso_barcode->Focused());
  Scan(kStocked);
  Enter();
  EXPECT_EQ(CountRows("Giornale", "Tipo = \"S\""), 1);
  EXPECT_EQ(CountRows("Giornale", "Data = 0"), 0);
  EXPECT_EQ(CountRows("Giornale", "Data = #12/09/2026#"), 1);
  EXPECT_EQ(form_->selez_data->EditDate(), day_);

  // Digits typed over the date, then Enter: the date comes back.
  form_->selez_data->SetFocus();
  Pump();
  Keys(QStringLiteral("8001"));
  Enter();
  EXPECT_EQ(form_->selez_data->EditDate(), day_);
  EXPECT_TRUE(form_->lb_showrivista->Caption().startsWith(QStringLiteral("Data di lavoro non valida")))
      << form_->lb_showrivista->Caption().toStdString();
  form_->ingresso_barcode->SetFocus();
  Scan(kStocked);
  Enter();
  EXPECT_EQ(CountRows("Giornale", "Data = #12/09/2026#"), 2);
  EXPECT_EQ(CountRows("Giornale", "Data = 0"), 0);
  EXPECT_TRUE(shown_.isEmpty()) << shown_.join("\n").toStdString();
}

// With AutoSelect an edit selects its whole text whenever the focus comes
// other than by a mouse click, also when its window becomes active again:
// after a dialog closes, the code still in the field is replaced by the
// next scan instead of being appended to.
TEST_F(MenuFormTest, AScanAfterADialogReplacesTheCodeLeftInTheField) {
  ASSERT_TRUE(form_->Started());
  Scan(QStringLiteral("333"));
  ASSERT_TRUE(form_->ingresso_barcode->Focused());
  form_->ingresso_barcode->SetSelStart(3);  // nothing selected
  // The information window, closed as soon as it shows; the main window
  // is then made active again, as the desktop does.
  QTimer::singleShot(50, [] {
    if (QWidget *w = QApplication::activeModalWidget()) w->close();
  });
  form_->Informazionisulprogramma1Click(nullptr);
  QApplication::setActiveWindow(form_->Handle());
  Pump();
  EXPECT_EQ(form_->ingresso_barcode->SelText(), QStringLiteral("333"));
  Scan(kStocked);
  Enter();
  EXPECT_EQ(CountRows("Giornale", "Tipo = \"S\""), 1);
  EXPECT_TRUE(shown_.isEmpty()) << shown_.join("\n").toStdString();
}

}  // namespace
}  // namespace app::testing
