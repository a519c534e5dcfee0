// The printed lists from the main window, on the offscreen platform: the
// "Stampe" tool button pops up the four lists, the selection form asks on
// the list's page, and the report shows in a preview that these tests
// stand in for (it notes what it was given and closes at once). The shop's
// data is stampe_fixture.h's; the data folder holds the kept templates.
#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include "app/backup.h"
#include "app/menuform.h"
#include "app/selezioneform.h"
#include "app/stampe.h"
#include "dao/vudaotable.h"
#include "platform/vcl/dialogs.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/component/kvslots.h"
#include "report/engine/data/kvdset.h"
#include "report/engine/preview/kvprev.h"
#include "tests/app/list_window_fixture.h"
#include "tests/report/engine/pdf_support.h"
#include "tests/support/retry.h"

namespace app::testing {
namespace {

// What the preview was given, and how the program stood meanwhile.
struct TShown {
  QString caption;    // the preview's
  QString status;     // the main window's status label
  bool open = false;  // the list's dataset
  std::vector<QStringList> pages;
};

// What the selection form showed when it was asked.
struct TAsked {
  QString caption, page;
  bool annulla_focused = false;
};

class PrintWindow : public ListWindow {
 protected:
  void TearDown() override {
    ListWindow::TearDown();
    vcl::TPopupMenu::ShowSlot = nullptr;
  }
  vcl::TModalResult Respond(vcl::TDialogRequest &r) override {
    if (r.kind == vcl::TDialogKind::Print)
      r.value = print_file_;
    else
      messages_ << r.text;
    return vcl::mrOk;
  }
  void Failed(const QString &text) override { errors_ << text; }
  void Shown(NotingPreview *p) override {
    if (!pdf_.isEmpty()) {
      // As the preview's "&Stampa" does, into the PDF file.
      report::testing::PdfPrinterScope printer;
      printer.PrintTo(pdf_);
      p->Report()->PrintPreparedReport(1, p->Report()->EMFPages().Count(), 1, false);
    }
    TShown s;
    s.caption = p->Caption();
    s.status = form_->lb_showrivista->Caption();
    s.open = form_->selezioneform->Logic->DataSetOf(last_)->Active();
    for (int i = 0; i < p->Report()->EMFPages().Count(); ++i)
      s.pages.push_back(p->Report()->EMFPages().Page(i)->Texts());
    shown_.push_back(s);
  }

  Tselezioneform *Form() { return form_->Selezione(); }

  // Runs a list from the "Stampe" tool button; `fill` sets the selection
  // form's controls once it shows, then "&Stampa" (or "&Annulla") is
  // clicked. Returns the pages the preview got (none when it did not show).
  std::vector<QStringList> Print(TLista which, const std::function<void(Tselezioneform *)> &fill = {},
                                 bool confirm = true) {
    last_ = which;
    shown_.clear();
    vcl::TMenuItem *items[] = {form_->Stampariviste, form_->Stampamovimenti, form_->Stampascaduti, form_->ListaResi1};
    vcl::TMenuItem *item = items[static_cast<int>(which)];
    vcl::TPopupMenu::ShowSlot = [this, item](vcl::TPopupMenu *menu, int, int) {
      EXPECT_EQ(menu, form_->PopupMenu1);
      return item;
    };
    test_support::RetryFromEventLoop([this, fill, confirm] {
      Tselezioneform *f = form_->selezioneform;
      if (f == nullptr || !f->Visible()) return false;
      QApplication::setActiveWindow(f->Handle());
      QTest::qWait(10);
      asked_.push_back({f->Caption(), f->Notebook1->ActivePage(), f->btn_annulla->Focused()});
      if (fill) fill(f);
      QTest::mouseClick((confirm ? f->btn_stampa : f->btn_annulla)->Handle(), Qt::LeftButton);
      return true;
    });
    form_->btn_stampa->Click();
    QApplication::processEvents();
    return shown_.empty() ? std::vector<QStringList>{} : shown_.back().pages;
  }

  // Every text of the pages, in order.
  static QStringList All(const std::vector<QStringList> &pages) {
    QStringList all;
    for (const QStringList &p : pages) all << p;
    return all;
  }
  // The rows a list printed, counted by the codes it shows.
  static int Rows(const std::vector<QStringList> &pages, const QString &code) { return All(pages).count(code); }

  void ExpectIdleAndClosed() {
    EXPECT_EQ(form_->lb_showrivista->Caption(), kIdleStatus);
    EXPECT_FALSE(Form()->Logic->stampa_giacenze->Active());
    EXPECT_FALSE(Form()->Logic->stampa_giornale->Active());
  }

  TLista last_ = TLista::Giacenze;
  std::vector<TShown> shown_;
  std::vector<TAsked> asked_;
  QStringList messages_, errors_;
  QString print_file_;  // what the print dialog answers
  QString pdf_;         // where the stand-in preview prints the report, when set
};

TEST_F(PrintWindow, TheFourListsAskOnTheirPageAndShowTheirReport) {
  EXPECT_EQ(form_->btn_stampa->Hint(), QStringLiteral("Stampe"));
  EXPECT_EQ(form_->mnu_stampe->Caption(), QStringLiteral("S&tampe"));
  EXPECT_EQ(form_->btn_backup->Hint(), QStringLiteral("Backup"));
  ASSERT_EQ(form_->PopupMenu1->Items()->Count(), 4);
  const char *menu[] = {"&Lista Giacenze", "Lista &Movimenti", "Lista &Scaduti", "Lista &Resi"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(form_->PopupMenu1->Items()->Items(i)->Caption(), QString::fromUtf8(menu[i]));
  // The entry point's form, found by the templates under its name.
  EXPECT_EQ(Form()->Name(), QStringLiteral("selezioneform"));
  EXPECT_EQ(Form()->Notebook1->Pages()->CommaText(), QStringLiteral("Giacenze,Scaduti,Giornale"));

  struct {
    TLista lista;
    const char *caption, *page, *status, *preview, *heading;
  } cases[] = {
      {TLista::Giacenze, "Stampa Giacenze", "Giacenze", "Stampa giacenze ...", "Anteprima - Elenco giacenze",
       "Elenco giacenze"},
      {TLista::Movimenti, "Stampa Giornale movimenti", "Giornale", "Stampa movimenti ...",
       "Anteprima - Giornale movimenti", "Giornale movimenti"},
      {TLista::Scaduti, "Analisi e stampa giacenze scadute", "Scaduti", "Stampa scaduti ...",
       "Anteprima - Giacenze scadute", "Giacenze scadute al 09/12/2026"},
      {TLista::Resi, "Stampa distinta resi", "Giornale", "Stampa resi ...", "Anteprima - Distinta resi",
       "Distinta resi"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.caption);
    asked_.clear();
    const auto pages = Print(c.lista);
    ASSERT_EQ(asked_.size(), 1u);
    EXPECT_EQ(asked_[0].caption, QString::fromUtf8(c.caption));
    EXPECT_EQ(asked_[0].page, QString::fromUtf8(c.page));
    EXPECT_TRUE(asked_[0].annulla_focused);
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].caption, QString::fromUtf8(c.preview));
    EXPECT_EQ(shown_[0].status, QString::fromUtf8(c.status));
    EXPECT_TRUE(shown_[0].open);
    ASSERT_FALSE(pages.empty());
    EXPECT_EQ(pages[0].value(0), QString::fromUtf8(c.heading));
    ExpectIdleAndClosed();
  }
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join('\n').toStdString();
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
}

TEST_F(PrintWindow, AnnullaOpensNothing) {
  EXPECT_TRUE(Print(TLista::Giacenze, {}, false).empty());
  EXPECT_TRUE(Print(TLista::Resi, {}, false).empty());
  EXPECT_TRUE(shown_.empty());
  EXPECT_TRUE(messages_.isEmpty());
  ExpectIdleAndClosed();
}

TEST_F(PrintWindow, ASelectionThatFindsNothingSaysSo) {
  EXPECT_TRUE(Print(TLista::Giacenze, [](Tselezioneform *f) { f->sel_fornitore->SetText("XYZ"); }).empty());
  EXPECT_EQ(messages_, QStringList{kNoMatch});
  ExpectIdleAndClosed();

  // Two days of sales and no return: the journal prints them, the returns
  // list has nothing to send back.
  auto days = [](Tselezioneform *f) {
    f->mov_data1->SetEditDate(rtl::EncodeDate(2026, 12, 6));
    f->mov_data2->SetEditDate(rtl::EncodeDate(2026, 12, 7));
  };
  messages_.clear();
  const auto journal = Print(TLista::Movimenti, days);
  EXPECT_EQ(All(journal).count("Vendita"), 4);
  EXPECT_EQ(All(journal).count("Reso"), 0);
  EXPECT_TRUE(messages_.isEmpty());
  EXPECT_TRUE(Print(TLista::Resi, days).empty());
  EXPECT_EQ(messages_, QStringList{kNoMatch});
  ExpectIdleAndClosed();
}

TEST_F(PrintWindow, DateBoundsIncludeTheirDay) {
  const rtl::TDateTime day = rtl::EncodeDate(2026, 12, 3);
  const auto journal = Print(TLista::Movimenti, [day](Tselezioneform *f) {
    f->mov_data1->SetEditDate(day);
    f->mov_data2->SetEditDate(day);
  });
  // Topolino's sale, Corriere's return, the loads of Quattroruote and of
  // the Enigmistica.
  EXPECT_EQ(All(journal).count("03/12/2026"), 4);
  EXPECT_TRUE(All(journal).contains("Movimenti dal 03/12/2026 al 03/12/2026"));
  EXPECT_EQ(All(journal).count("Carico") + All(journal).count("Vendita") + All(journal).count("Reso"), 4);

  const auto stock = Print(TLista::Giacenze, [](Tselezioneform *f) {
    f->sel_data1->SetEditDate(rtl::EncodeDate(2026, 12, 2));
    f->sel_data2->SetEditDate(rtl::EncodeDate(2026, 12, 2));
  });
  EXPECT_TRUE(All(stock).contains("Totale (articoli: 2)")) << All(stock).join(" | ").toStdString();
  EXPECT_EQ(Rows(stock, kCorriere), 1);
  EXPECT_EQ(Rows(stock, kFocus), 1);
}

TEST_F(PrintWindow, ConsignmentNoKeepsOnlyArticlesNotOnConsignment) {
  const auto pages = Print(TLista::Giacenze, [](Tselezioneform *f) { f->sel_deposito->SetItemIndex(2); });
  EXPECT_TRUE(All(pages).contains("Totale (articoli: 5)"));
  EXPECT_EQ(Rows(pages, kCorriere), 0);
  EXPECT_EQ(Rows(pages, kQuattroruote), 0);
  EXPECT_EQ(Rows(pages, kStocked), 1);
  EXPECT_TRUE(All(pages).contains("escluso il conto deposito"));
  // The form keeps the choice; stock <> 0 leaves Tex out as well.
  const auto stocked = Print(TLista::Giacenze, [](Tselezioneform *f) { f->sel_giacenza->SetChecked(true); });
  EXPECT_TRUE(All(stocked).contains("Totale (articoli: 4)"));
  EXPECT_EQ(Rows(stocked, kTex), 0);
}

TEST_F(PrintWindow, TheDistributorMatchesExactly) {
  for (const char *near : {"MEP", "mepe", "MEPE1"}) {
    messages_.clear();
    EXPECT_TRUE(Print(TLista::Giacenze, [near](Tselezioneform *f) { f->sel_fornitore->SetText(near); }).empty())
        << near;
    EXPECT_EQ(messages_, QStringList{kNoMatch}) << near;
  }
  const auto pages = Print(TLista::Giacenze, [](Tselezioneform *f) { f->sel_fornitore->SetText("MEPE"); });
  EXPECT_TRUE(All(pages).contains("Totale (articoli: 3)"));
  EXPECT_EQ(Rows(pages, kStocked) + Rows(pages, kQuattroruote) + Rows(pages, kEnigmistica), 3);
  // The journal's distributor is its article's.
  const auto journal = Print(TLista::Movimenti, [](Tselezioneform *f) { f->mov_fornitore->SetText("SOD"); });
  EXPECT_EQ(Rows(journal, kFocus) + Rows(journal, kTex), 2);
  EXPECT_EQ(Rows(journal, kPurged), 0);
}

TEST_F(PrintWindow, AnyPeriodicityUnlessOneIsPicked) {
  EXPECT_EQ(Form()->sel_periodo->ShownText(), kAnyPeriod);
  const auto all = Print(TLista::Giacenze);
  EXPECT_TRUE(All(all).contains("Totale (articoli: 7)"));
  const auto weekly = Print(TLista::Giacenze, [](Tselezioneform *f) { f->sel_periodo->SetSelectedKey("SET"); });
  EXPECT_TRUE(All(weekly).contains("Totale (articoli: 1)"));
  EXPECT_EQ(Rows(weekly, kEnigmistica), 1);
  EXPECT_TRUE(All(weekly).contains("Periodicità Settimanale"));
}

TEST_F(PrintWindow, ExpiredStockAtAReturnDate) {
  auto at = [](int d, int m = 12, int y = 2026) {
    return [=](Tselezioneform *f) { f->sel_scadute->SetEditDate(rtl::EncodeDate(y, m, d)); };
  };
  // The Enigmistica is due on 10/12: listed that day, not the day before.
  const auto due = Print(TLista::Scaduti, at(10));
  EXPECT_EQ(Rows(due, kEnigmistica), 1);
  EXPECT_EQ(Rows(due, kCorriere), 1);
  const auto before = Print(TLista::Scaduti, at(9));
  EXPECT_EQ(Rows(before, kEnigmistica), 0);
  EXPECT_EQ(Rows(before, kCorriere), 1);
  // Years on: everything is due except Tex, which has no copies left, and
  // the album, which has no return date.
  const auto later = Print(TLista::Scaduti, at(31, 12, 2099));
  EXPECT_TRUE(All(later).contains("Totale (articoli scaduti: 5)")) << All(later).join(" | ").toStdString();
  EXPECT_EQ(Rows(later, kTex), 0);
  EXPECT_EQ(Rows(later, kAlbum), 0);
  // An emptied date means today.
  Print(TLista::Scaduti, [](Tselezioneform *f) { f->sel_scadute->SetEditDate(0); });
  EXPECT_EQ(Form()->sel_scadute->EditDate(), rtl::EncodeDate(2026, 12, 9));
}

TEST_F(PrintWindow, ValuesAreQuantityTimesPriceInOneFieldEach) {
  const auto pages = Print(TLista::Movimenti, [](Tselezioneform *f) { f->mov_fornitore->SetText("DIS"); });
  ASSERT_FALSE(pages.empty());
  // Corriere's load of 5 at 1,10 and 1,50; the album's sale of 2 at 0,60.
  EXPECT_TRUE(All(pages).join('|').contains("01/12/2026|Carico|5|1,10|1,50|5,50|7,50"));
  EXPECT_TRUE(All(pages).join('|').contains("06/12/2026|Vendita|-2|0,60|1,00|-1,20|-2,00"));
  const dao::TVuDaoTable *journal = Form()->Logic->stampa_giornale;
  int valore_a = 0;
  for (int i = 0; i < journal->FieldCount(); ++i) valore_a += journal->Fields()[i]->FieldName() == "Valore_A";
  EXPECT_EQ(valore_a, 1);
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
}

TEST_F(PrintWindow, AFailureIsShownAfterTheStatusAndTheDatasetAreBack) {
  ASSERT_TRUE(QFile::remove(dir_.filePath(QStringLiteral("Report4_2.kvf"))));
  EXPECT_TRUE(Print(TLista::Movimenti).empty());
  ASSERT_EQ(errors_.size(), 1);
  EXPECT_TRUE(errors_[0].contains("Report4_2.kvf")) << errors_[0].toStdString();
  EXPECT_TRUE(errors_[0].contains(QString::fromUtf8("è inesistente"))) << errors_[0].toStdString();
  ExpectIdleAndClosed();
  // The program goes on: the next list prints.
  EXPECT_FALSE(Print(TLista::Giacenze).empty());
}

TEST_F(PrintWindow, ATemplateNamingAMissingDatasetIsReported) {
  {
    // A template whose record source is a dataset the form does not have.
    vcl::TComponent holder(nullptr);
    holder.SetName(QStringLiteral("selezioneform"));
    auto *missing = new dao::TVuDaoTable(&holder);
    missing->SetName(QStringLiteral("stampa_assente"));
    report::TkvReport report(nullptr);
    auto *source = new report::TkvDBDataSet();
    source->SetName(QStringLiteral("Righe"));
    source->SetDataSet(missing);
    report.AddDataset(source);
    report::TkvPage *page = report.Pages().Page(0);
    page->AddBand(report::btMasterData, 40, 20)->FormatStr = QStringLiteral("Righe");
    report::SetMemoText(page->Add<report::TkvMemoView>(40, 40, 200, 20), QStringLiteral("[Testata]"));
    report.SaveToFile(dir_.filePath(QStringLiteral("Report4_1.kvf")));
  }
  EXPECT_TRUE(Print(TLista::Giacenze).empty());
  EXPECT_TRUE(messages_.join('\n').contains(
      QString::fromUtf8("Non è stato trovato il kvDataset: selezioneform.stampa_assente")))
      << messages_.join('\n').toStdString();
  ExpectIdleAndClosed();
}

TEST_F(PrintWindow, TheBackupButtonWritesTheArchiveWithTheTemplates) {
  form_->btn_backup->Click();
  QApplication::processEvents();
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join('\n').toStdString();
  QProcess list;
  list.start(QStringLiteral("cabextract"), {QStringLiteral("-l"), dir_.filePath(kBackupFileName)});
  ASSERT_TRUE(list.waitForFinished(60000));
  const QString listing = QString::fromLocal8Bit(list.readAll());
  for (const QString &name : kListTemplates) EXPECT_TRUE(listing.contains(name)) << listing.toStdString();
  EXPECT_TRUE(listing.contains(QStringLiteral("orbisca4.mdb")));
  // The tables are open again and the lists still print.
  EXPECT_TRUE(form_->Logic->Giacenze->Active());
  EXPECT_EQ(form_->lb_showrivista->Caption(), kIdleStatus);
  EXPECT_FALSE(Print(TLista::Giacenze).empty());
}

TEST_F(PrintWindow, TheReturnsListPrintsThroughThePreviewIntoAPdf) {
  report::RegisterStandardPreview();
  report::testing::PdfPrinterScope printer;
  print_file_ = dir_.filePath(QStringLiteral("distinta.pdf"));
  // Once the preview is up: "&Stampa" there, into the file, and close it.
  bool previewed = false;
  test_support::RetryFromEventLoop(
      [&] {
        const auto &open = report::KvOpenPreviews();
        auto *preview = open.empty() ? nullptr : dynamic_cast<report::TStandardPreview *>(open.back());
        if (preview == nullptr || !preview->Visible()) return false;
        previewed = true;
        QTest::mouseClick(preview->PrintButton()->Handle(), Qt::LeftButton);
        QTest::mouseClick(preview->CloseButton()->Handle(), Qt::LeftButton);
        return true;
      },
      10);
  Print(TLista::Resi);
  EXPECT_TRUE(previewed);
  const std::vector<QStringList> pages = report::testing::PdfPages(print_file_);
  ASSERT_EQ(pages.size(), 3u);
  const char *distributors[] = {"Fornitore DIS", "Fornitore MEPE", "Fornitore SOD"};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(pages[i].value(0), QStringLiteral("Distinta resi"));
    EXPECT_TRUE(pages[i].contains(QString::fromLatin1(distributors[i]))) << pages[i].join('\n').toStdString();
    EXPECT_TRUE(pages[i].join(' ').contains(QStringLiteral("Pagina %1 di 3").arg(i + 1)));
    EXPECT_TRUE(pages[i].join(' ').contains(QStringLiteral("Firma rivenditore")));
  }
  EXPECT_TRUE(pages[0].join(' ').contains(QStringLiteral("Totale resi fornitore DIS 3 3,30")))
      << pages[0].join('\n').toStdString();
  ExpectIdleAndClosed();
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
}

// Each of the four lists printed into a PDF file: a reader of the file
// finds every text of every page whole, the titles and column headers in
// their bold fonts among them, and in the page's order.
TEST_F(PrintWindow, TheFourListsPrintedIntoPdfFilesReadAsWholeWords) {
  struct {
    TLista lista;
    const char *file;
    QStringList words;
  } cases[] = {
      {TLista::Giacenze,
       "giacenze.pdf",
       {QStringLiteral("Elenco giacenze"), QStringLiteral("Codice"), QStringLiteral("Testata"),
        QStringLiteral("Descrizione"), QStringLiteral("Ult. carico"), QStringLiteral("Scadenza")}},
      {TLista::Movimenti,
       "giornale.pdf",
       {QStringLiteral("Giornale movimenti"), QStringLiteral("Totali per tipo di movimento"),
        QStringLiteral("Movimento"), QString::fromUtf8("Quantità"), QStringLiteral("Prezzo acq."),
        QStringLiteral("Valore ven.")}},
      {TLista::Scaduti,
       "scaduti.pdf",
       {QStringLiteral("Giacenze scadute al 09/12/2026"), QStringLiteral("Giacenza"), QStringLiteral("Valore acq.")}},
      {TLista::Resi,
       "resi.pdf",
       {QStringLiteral("Distinta resi"), QStringLiteral("Data reso"), QStringLiteral("Copie"),
        QStringLiteral("Importo"), QStringLiteral("Firma rivenditore")}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.file);
    pdf_ = dir_.filePath(QString::fromLatin1(c.file));
    const std::vector<QStringList> recorded = Print(c.lista);
    ASSERT_FALSE(recorded.empty());
    const std::vector<QStringList> read = report::testing::PdfPages(pdf_);
    ASSERT_EQ(read.size(), recorded.size());
    for (size_t page = 0; page < read.size(); ++page) {
      const QString text = read[page].join(u' ');
      for (const QString &piece : recorded[page]) {
        EXPECT_TRUE(text.contains(piece.simplified()))
            << "page " << page + 1 << ": \"" << piece.toStdString() << "\" in\n"
            << read[page].join(u'\n').toStdString();
      }
    }
    const QString all = All(read).join(u' ');
    for (const QString &words : c.words) EXPECT_TRUE(all.contains(words)) << words.toStdString();
  }
  pdf_.clear();
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
}

}  // namespace
}  // namespace app::testing
