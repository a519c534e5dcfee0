// "Personalizzazione stampe": the maintenance dialog opens the report
// designer on the template the last print loaded, with both print datasets
// open while it runs and closed after; the shop keeper's round trip: a
// column of the stock list moved in the designer with the mouse, saved,
// and printed at its new place; and the main window's tables offered by
// the designer's wizard and expression editor, a list built by the wizard
// over the stock table printed from the designer. The shop's data is
// stampe_fixture.h's; the preview is a stand-in that notes where each text
// was drawn.
#include <QApplication>
#include <QFile>
#include <QTest>
#include <QTimer>

#include "app/manutenzione.h"
#include "app/menuform.h"
#include "app/selezioneform.h"
#include "app/stampe.h"
#include "platform/rtl/registry.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/metafile.h"
#include "report/designer/kvdesigner.h"
#include "report/designer/kvexpred.h"
#include "report/designer/kvmemoed.h"
#include "report/designer/kvwizard.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/component/kvslots.h"
#include "tests/app/list_window_fixture.h"
#include "tests/report/designer/designer_fixture.h"
#include "tests/support/retry.h"

namespace app::testing {
namespace {

// Where the first page drew each text (its first occurrence).
using TPlaces = QMap<QString, QPoint>;

class Personalizza : public ListWindow {
 protected:
  void SetUp() override {
    ASSERT_TRUE(registry_.isValid());
    rtl::TRegistry::SetBaseFolder(registry_.path());
    ListWindow::SetUp();
    if (HasFatalFailure()) return;
    stampe_ = form_->Selezione()->Logic.get();
    stampe_->Ask = [](TLista) { return true; };
  }
  void TearDown() override {
    ListWindow::TearDown();
    rtl::TRegistry::SetBaseFolder(QString());
  }
  vcl::TModalResult Respond(vcl::TDialogRequest &r) override {
    messages_ << r.text;
    return vcl::mrNo;
  }
  void Failed(const QString &text) override { messages_ << text; }
  // Notes where the first page drew each text.
  void Shown(NotingPreview *p) override {
    places_.clear();
    texts_.clear();
    for (int i = 0; i < p->Report()->EMFPages().Count(); ++i) texts_ << p->Report()->EMFPages().Page(i)->Texts();
    const report::TkvEMFPage *page = p->Report()->EMFPages().Page(0);
    if (page == nullptr || page->Picture == nullptr) return;
    page->Picture->Enumerate([this](const vcl::TEmfRecord &r) {
      if (r.Type == vcl::EMR_EXTTEXTOUTW && !places_.contains(r.Text()))
        places_.insert(r.Text(), QPoint(r.TextPoint().X, r.TextPoint().Y));
      return true;
    });
  }

  // Runs "Personalizzazione stampe"; `work` runs inside the designer, which
  // is then closed.
  void Customise(const std::function<void(report::TKVDesignerForm *)> &work) {
    // The engine lets pending messages through before it makes the
    // designer: wait until it shows.
    test_support::RetryFromEventLoop([this, work] {
      auto *d = dynamic_cast<report::TKVDesignerForm *>(report::KvCurrentDesigner());
      if (d == nullptr || !d->Visible()) return false;
      giacenze_open_ = stampe_->stampa_giacenze->Active();
      giornale_open_ = stampe_->stampa_giornale->Active();
      work(d);
      d->Close();
      return true;
    });
    form_->Manutenzione->BitBtn1->Click();
  }

  TStampeLogic *stampe_ = nullptr;
  TPlaces places_;
  QStringList texts_;  // every page's, in order
  QStringList messages_;
  bool giacenze_open_ = false, giornale_open_ = false;
  QTemporaryDir registry_;
};

TEST_F(Personalizza, OpensTheTemplateTheLastPrintLoaded) {
  EXPECT_TRUE(form_->Manutenzione->BitBtn1->Enabled());
  // Before any print the report is empty: the designer opens on it all the same.
  QString caption;
  Customise([&](report::TKVDesignerForm *d) { caption = d->Caption(); });
  EXPECT_EQ(caption, QStringLiteral("Modellatore"));

  stampe_->Stampa(TLista::Giacenze);
  ASSERT_FALSE(places_.isEmpty());
  QStringList tabs;
  Customise([&](report::TKVDesignerForm *d) {
    caption = d->Caption();
    tabs = d->TabCaptions();
  });
  EXPECT_EQ(caption, QStringLiteral("Modellatore - Report4_1"));
  EXPECT_EQ(tabs, QStringList{QStringLiteral("Pagina 1")});
  // Both print datasets were open while the designer ran, and are closed.
  EXPECT_TRUE(giacenze_open_);
  EXPECT_TRUE(giornale_open_);
  EXPECT_FALSE(stampe_->stampa_giacenze->Active());
  EXPECT_FALSE(stampe_->stampa_giornale->Active());
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join('\n').toStdString();
}

TEST_F(Personalizza, AColumnMovedAndSavedPrintsAtItsNewPlace) {
  stampe_->Stampa(TLista::Giacenze);
  ASSERT_TRUE(places_.contains(QStringLiteral("Testata")));
  ASSERT_TRUE(places_.contains(QStringLiteral("Topolino")));
  const TPlaces before = places_;
  const QString file = QDir(dir_.path()).filePath(QStringLiteral("Report4_1.kvf"));
  const QByteArray kept = [&] {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }();
  ASSERT_FALSE(kept.isEmpty());

  Customise([](report::TKVDesignerForm *d) {
    // The "Testata" column: its heading and its row, selected together.
    report::TkvDesignerModel &m = d->Model();
    m.ClearSelection();
    report::TkvView *heading = nullptr;
    for (report::TkvView *v : m.Views()) {
      if (v->Memo.Count() == 0) continue;
      if (v->Memo[0] == QStringLiteral("Testata")) heading = v;
      if (v->Memo[0] == QStringLiteral("Testata") || v->Memo[0] == QStringLiteral("[Testata]")) v->Selected = true;
    }
    ASSERT_NE(heading, nullptr);
    ASSERT_EQ(m.SelectedCount(), 2);
    d->SelectionFollows();
    // Dragged with the mouse by 40 pixels to the right (ten grid steps).
    QWidget *surface = d->Surface->Handle();
    const QPoint grab(heading->x + heading->dx / 3, heading->y + heading->dy / 2);
    QTest::mouseMove(surface, grab);
    QTest::mousePress(surface, Qt::LeftButton, {}, grab);
    QTest::mouseMove(surface, grab + QPoint(20, 0));
    QTest::mouseMove(surface, grab + QPoint(40, 0));
    QTest::mouseRelease(surface, Qt::LeftButton, {}, grab + QPoint(40, 0));
    EXPECT_EQ(m.SnapshotCount(), 2);  // one move, one undo step
    d->Run(report::TkvCommand::Save);
  });
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join('\n').toStdString();
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_NE(f.readAll(), kept);

  stampe_->Stampa(TLista::Giacenze);
  ASSERT_TRUE(places_.contains(QStringLiteral("Testata")));
  EXPECT_EQ(places_[QStringLiteral("Testata")], before[QStringLiteral("Testata")] + QPoint(40, 0));
  EXPECT_EQ(places_[QStringLiteral("Topolino")], before[QStringLiteral("Topolino")] + QPoint(40, 0));
  // The other columns stayed.
  EXPECT_EQ(places_[QStringLiteral("Descrizione")], before[QStringLiteral("Descrizione")]);
}

TEST_F(Personalizza, ClosingWithoutSavingLeavesTheFileAndTheNextPrint) {
  stampe_->Stampa(TLista::Giacenze);
  const TPlaces before = places_;
  const QString file = QDir(dir_.path()).filePath(QStringLiteral("Report4_1.kvf"));
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray kept = f.readAll();
  f.close();
  Customise([](report::TKVDesignerForm *d) {
    report::TkvDesignerModel &m = d->Model();
    m.SelectAll();
    m.MoveSelected(0, 12);
    d->AfterChange();
  });
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_EQ(messages_[0], QStringLiteral("Si desidera salvare i cambiamenti a Report4_1.kvf ?"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), kept);
  stampe_->Stampa(TLista::Giacenze);
  EXPECT_EQ(places_, before);
}

TEST_F(Personalizza, TheDesignerOffersTheMainWindowsTablesAndPrintsAWizardListOverTheStock) {
  using report::testing::WhenShown;
  const auto items = [](const vcl::TListBox *list) {
    QStringList out;
    for (int i = 0; i < list->Count(); ++i) out << list->Items()->Strings(i);
    return out;
  };
  QStringList wizard_sources, stock_fields, expression_sources, journal_fields;
  Customise([&](report::TKVDesignerForm *d) {
    WhenShown<report::TReportWizard>([&](report::TReportWizard *w) {
      for (int i = 0; i < w->ComboBox->Items()->Count(); ++i) wizard_sources << w->ComboBox->Items()->Strings(i);
      w->ComboBox->UserChose(w->ComboBox->Items()->IndexOf(QStringLiteral("MenuForm.Giacenze")));
      stock_fields = items(w->SrcList);
      for (const char *field : {"Testata", "Giacenza", "Barcode18"}) {
        const int row = w->SrcList->Items()->IndexOf(QString::fromLatin1(field));
        if (row < 0) continue;
        for (int i = 0; i < w->SrcList->Count(); ++i) w->SrcList->SetSelected(i, i == row);
        w->IncludeBtn->Click();
      }
      w->RepTitle->SetText(QStringLiteral("Magazzino"));
      w->OKBtn->Click();
    });
    d->Run(report::TkvCommand::NewFromWizard);

    // A data cell of the new list, edited: its expression editor lists the
    // main window's tables by their bare names (the report is the main
    // window's), with their fields.
    report::TkvDesignerModel &m = d->Model();
    m.ClearSelection();
    for (report::TkvView *v : m.Views())
      if (v->Memo.Count() > 0 && v->Memo[0] == QStringLiteral("[\"Testata\"]")) v->Selected = true;
    ASSERT_EQ(m.SelectedCount(), 1);
    d->SelectionFollows();
    WhenShown<report::TEditorForm>([&](report::TEditorForm *memo) {
      WhenShown<report::TExprEditor>([&](report::TExprEditor *e) {
        e->DataChoice->SetChecked(true);
        expression_sources = items(e->SourceList);
        e->SourceList->UserSelected(e->SourceList->Items()->IndexOf(QStringLiteral("giornale")));
        journal_fields = items(e->ItemList);
        e->Buttons.Cancel->Click();
      });
      memo->Button5->Click();
      memo->Button2->Click();
    });
    d->Run(report::TkvCommand::Edit);

    d->Run(report::TkvCommand::Preview);
  });

  for (const char *table :
       {"Allegati", "Giacenze", "giornale", "Periodo", "riviste", "Storico", "Totali", "un_giorno"}) {
    EXPECT_TRUE(wizard_sources.contains(QStringLiteral("MenuForm.") + QString::fromLatin1(table))) << table;
    EXPECT_TRUE(expression_sources.contains(QString::fromLatin1(table))) << table;
  }
  EXPECT_TRUE(wizard_sources.contains(QStringLiteral("selezioneform.stampa_giacenze")));
  EXPECT_EQ(expression_sources.last(), QStringLiteral("Altro"));
  EXPECT_EQ(stock_fields, QStringList({"Addon", "Barcode", "Barcode18", "CD", "Descrizione", "Fornitore", "Giacenza",
                                       "Periodo", "Prezzo_A", "Prezzo_V", "Scadenza", "Testata", "Ucarico"}));
  EXPECT_EQ(journal_fields,
            QStringList({"Progressivo", "Data", "Barcode18", "Quantita", "Prezzo_V", "Tipo", "Prezzo_A"}));

  // One printed row per stock row, in the table's order.
  QStringList expected{"Magazzino", "Testata", "Giacenza", "Barcode18"};
  dao::TVuDaoTable *stock = form_->Logic->Giacenze;
  int rows = 0;
  for (stock->First(); !stock->Eof(); stock->Next(), ++rows)
    expected << form_->Logic->GiacenzeTestata->AsString() << QString::number(form_->Logic->GiacenzeGiacenza->AsFloat())
             << form_->Logic->GiacenzeBarcode18->AsString();
  EXPECT_EQ(rows, 7);
  expected << QStringLiteral("Pagina 1 di 1");
  EXPECT_EQ(texts_, expected);
  // Closing the designer asked about the new list (answered No).
  EXPECT_EQ(messages_, QStringList{QStringLiteral("Si desidera salvare i cambiamenti al report corrente?")});
}

}  // namespace
}  // namespace app::testing
