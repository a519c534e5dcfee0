// The maintenance dialog: the purge on a real database (asked, all or
// nothing), the settings kept across two starts of the main window, and the
// main window's commands around the pages.
#include "app/manutenzione.h"

#include <QApplication>
#include <QFile>
#include <QTest>
#include <QTimer>

#include "app/infoform.h"
#include "app/menuform.h"
#include "platform/jet/database.h"
#include "platform/os/shell.h"
#include "platform/vcl/consts.h"
#include "tests/app/app_fixture.h"

namespace app::testing {
namespace {

// Answers every box with `answer` and keeps what was asked.
struct Responder {
  explicit Responder(vcl::TModalResult answer) {
    previous_ = vcl::SetDialogResponder([this, answer](vcl::TDialogRequest &r) {
      asked << r.text;
      buttons << r.buttons.join(QLatin1Char('|'));
      return answer;
    });
  }
  ~Responder() { vcl::SetDialogResponder(previous_); }
  QStringList asked;
  QStringList buttons;
  vcl::TDialogResponder previous_;
};

// Makes the second delete of the purge fail, after the first has run.
class FailingPurge : public TManutenzioneLogic {
 public:
  using TManutenzioneLogic::TManutenzioneLogic;

 protected:
  void RunPurgeStatement(const QString &sql, rtl::TDateTime day) override {
    if (++runs_ == 2) throw rtl::Exception(QStringLiteral("Tabella bloccata da un altro utente"));
    TManutenzioneLogic::RunPurgeStatement(sql, day);
  }

 private:
  int runs_ = 0;
};

class PurgeTest : public DataFolder {
 protected:
  void SetUp() override {
    DataFolder::SetUp();
    jet::DBEngine engine;
    auto db = engine.OpenDatabase(dir_.filePath(QStringLiteral("orbisca4.mdb")));
    for (const char *day : {"#12/4/2026#", "#12/5/2026#", "#12/6/2026#"})
      db->Execute(QStringLiteral("INSERT INTO Giornale (Data, Barcode18, Quantita, Tipo, Prezzo_A, Prezzo_V) "
                                 "VALUES (%1, \"%2\", 1, \"C\", 1, 2)")
                      .arg(QLatin1String(day), kStocked));
    // Empty rows loaded before, on and after the purge day; kStocked (5 in
    // stock, loaded 30/11) must survive every purge.
    const char *empties[][2] = {{"100", "#12/1/2026#"}, {"200", "#12/5/2026#"}, {"300", "#12/6/2026#"}};
    for (const auto &e : empties)
      db->Execute(QStringLiteral("INSERT INTO Giacenza (Barcode18, Barcode, Testata, Giacenza, Ucarico) "
                                 "VALUES (\"%1\", \"%1\", \"Vuota\", 0, %2)")
                      .arg(QLatin1String(e[0]), QLatin1String(e[1])));
    db->Close();
    menu_.percorso = folder_;
    menu_.OpenArchives();
  }
  void TearDown() override { menu_.CloseArchives(); }

  TMenuLogic menu_;
};

TEST_F(PurgeTest, NothingHappensWithoutADateOrWithoutYes) {
  TManutenzioneLogic logic(nullptr, &menu_);
  {
    Responder yes(vcl::mrYes);
    EXPECT_FALSE(logic.Button2Click());
    EXPECT_TRUE(yes.asked.isEmpty()) << "no date: not even the question";
  }
  logic.cancella = rtl::EncodeDate(2026, 12, 31);
  Responder no(vcl::mrNo);
  EXPECT_FALSE(logic.Button2Click());
  ASSERT_EQ(no.asked, QStringList{kConfirmPurge});
  EXPECT_EQ(no.buttons.value(0), QStringLiteral("&Sì|&No"));
  EXPECT_EQ(CountRows("Giornale"), 3);
  EXPECT_EQ(CountRows("Giacenza"), 4);
}

TEST_F(PurgeTest, PurgeRemovesRowsUpToTheDayItself) {
  TManutenzioneLogic logic(nullptr, &menu_);
  logic.cancella = rtl::EncodeDate(2026, 12, 5);
  Responder yes(vcl::mrYes);
  EXPECT_TRUE(logic.Button2Click());
  EXPECT_EQ(yes.asked, (QStringList{kConfirmPurge, kPurgeDone}));
  // The question offers Sì and No; the notice that follows just OK.
  EXPECT_EQ(yes.buttons, (QStringList{QStringLiteral("&Sì|&No"), QStringLiteral("OK")}));
  EXPECT_EQ(CountRows("Giornale"), 1);
  EXPECT_EQ(CountRows("Giornale", "Data = #12/6/2026#"), 1);
  EXPECT_EQ(CountRows("Giacenza"), 2);
  EXPECT_EQ(StockOf(QStringLiteral("300")), 0) << "loaded after the day: kept";
  EXPECT_EQ(StockOf(kStocked), 5) << "stock other than 0: kept";
  // The main window's tables no longer offer the deleted rows.
  EXPECT_FALSE(menu_.Giacenze->Locate(QStringLiteral("Barcode18"), QStringLiteral("100"), {}));
  EXPECT_EQ(menu_.giornale->RecordCount(), 1);
}

TEST_F(PurgeTest, FailedSecondDeleteLeavesBothTablesAsTheyWere) {
  FailingPurge logic(nullptr, &menu_);
  logic.cancella = rtl::EncodeDate(2026, 12, 31);
  Responder yes(vcl::mrYes);
  EXPECT_FALSE(logic.Button2Click());
  ASSERT_EQ(yes.asked.size(), 2);
  EXPECT_TRUE(yes.asked[1].startsWith(kPurgeFailed));
  EXPECT_TRUE(yes.asked[1].contains(QStringLiteral("bloccata")));
  EXPECT_EQ(CountRows("Giornale"), 3);
  EXPECT_EQ(CountRows("Giacenza"), 4);

  // Nothing of the failed attempt is left pending: the next purge removes
  // only what its own date says.
  TManutenzioneLogic next(nullptr, &menu_);
  next.cancella = rtl::EncodeDate(2026, 12, 4);
  EXPECT_TRUE(next.Button2Click());
  EXPECT_EQ(CountRows("Giornale"), 2);
  EXPECT_EQ(CountRows("Giacenza"), 3);
}

// --- the main window --------------------------------------------------------------------

class MaintenanceWindowTest : public DataFolder {
 protected:
  void SetUp() override {
    DataFolder::SetUp();
    saved_dir_ = QDir::currentPath();
    QDir::setCurrent(dir_.path());
    vcl::InitApplication();
    vcl::Application->ShowExceptionSlot = [this](const QString &, const QString &text) { shown_ << text; };
  }
  void TearDown() override {
    form_.reset();
    vcl::Application->ShowExceptionSlot = nullptr;
    vcl::TPopupMenu::ShowSlot = nullptr;
    os::SetShellOpener(nullptr);
    QDir::setCurrent(saved_dir_);
  }
  void Start() {
    form_ = std::make_unique<TMenuForm>(nullptr);
    form_->Show();
    for (int i = 0; i < 100 && !form_->Started(); ++i) QTest::qWait(10);
    ASSERT_TRUE(form_->Started());
  }
  // Closes the modal window that `click` opens, once it is up; true when
  // one came up.
  static bool ClosesModal(vcl::TForm *modal, const std::function<void()> &click) {
    bool seen = false;
    QTimer::singleShot(50, [&] {
      seen = modal != nullptr && modal->Visible();
      if (modal != nullptr) modal->SetModalResult(vcl::mrCancel);
    });
    click();
    return seen;
  }
  QString Settings() const {
    QFile f(dir_.filePath(kSettingsFile));
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
  }

  QString saved_dir_;
  QStringList shown_;
  std::unique_ptr<TMenuForm> form_;
};

TEST_F(MaintenanceWindowTest, SettingsWrittenAtExitAndReadAtTheNextStart) {
  Start();
  EXPECT_EQ(form_->Logic->pos_totali, QStringLiteral("Sinistra"));
  EXPECT_EQ(form_->Logic->azzera, QStringLiteral("000"));
  form_->Manutenzione->pos_totali->SetText(QStringLiteral("Destra"));
  form_->Manutenzione->azzera->SetText(QStringLiteral("4242"));
  form_->Close();
  form_.reset();
  EXPECT_TRUE(Settings().contains(QStringLiteral("[Orbisca]"))) << Settings().toStdString();
  EXPECT_TRUE(Settings().contains(QStringLiteral("pos_totali_Text=Destra"))) << Settings().toStdString();

  Start();
  EXPECT_EQ(form_->Logic->pos_totali, QStringLiteral("Destra"));
  EXPECT_EQ(form_->pn_totali->Align(), vcl::alRight);
  EXPECT_EQ(form_->Logic->azzera, QStringLiteral("4242"));
  EXPECT_EQ(form_->Manutenzione->azzera->Text(), QStringLiteral("4242"));
  EXPECT_TRUE(shown_.isEmpty()) << shown_.join("\n").toStdString();
}

// The purge as the shop runs it: the day typed into the dialog,
// "&Cancellazione" clicked, the question answered; the database keeps only
// what came after that day.
TEST_F(MaintenanceWindowTest, ThePurgeRemovesUpToTheDayTypedInTheDialog) {
  {
    jet::DBEngine engine;
    auto db = engine.OpenDatabase(DatabasePath());
    for (const char *day : {"#12/4/2026#", "#12/5/2026#", "#12/6/2026#"})
      db->Execute(QStringLiteral("INSERT INTO Giornale (Data, Barcode18, Quantita, Tipo, Prezzo_A, Prezzo_V) "
                                 "VALUES (%1, \"%2\", 1, \"C\", 1, 2)")
                      .arg(QLatin1String(day), kStocked));
    db->Close();
  }
  Start();
  Responder yes(vcl::mrYes);
  TManutenzioneForm *m = form_->Manutenzione;
  bool typed = false;
  QTimer::singleShot(50, [&] {
    m->PageControl1->SetActivePage(m->tb_utilita);
    m->cancella->SetFocus();
    m->cancella->SelectAll();
    for (char c : QByteArray("05122026")) QTest::keyClick(m->Handle()->windowHandle(), c);
    typed = m->cancella->EditDate() == rtl::EncodeDate(2026, 12, 5);
    EXPECT_EQ(m->Button2->Caption(), QStringLiteral("&Cancellazione"));
    QTest::mouseClick(m->Button2->Handle(), Qt::LeftButton);
    m->SetModalResult(vcl::mrCancel);
  });
  form_->btn_manutenzione->Click();
  EXPECT_TRUE(typed);
  EXPECT_EQ(yes.asked, (QStringList{kConfirmPurge, kPurgeDone}));
  EXPECT_EQ(CountRows("Giornale"), 1);
  EXPECT_EQ(CountRows("Giornale", "Data = #12/6/2026#"), 1);
  EXPECT_EQ(StockOf(kStocked), 5);
}

TEST_F(MaintenanceWindowTest, DamagedSettingsGiveTheDefaults) {
  QFile f(dir_.filePath(kSettingsFile));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(QByteArray("\xff\xfe\x00[Orbis\n=\n\x01\x02pos_totali_Text\n[[]]\n=Destra\0\0", 40));
  f.close();
  Start();
  EXPECT_EQ(form_->Logic->pos_totali, QStringLiteral("Sinistra"));
  EXPECT_EQ(form_->Logic->azzera, QStringLiteral("000"));
  EXPECT_EQ(form_->pn_totali->Align(), vcl::alLeft);
}

TEST_F(MaintenanceWindowTest, ToolButtonsOpenWhatTheyShould) {
  Start();
  const vcl::TSpeedButton *buttons[] = {form_->btn_manutenzione, form_->btn_info, form_->btn_uscita};
  const char *hints[] = {"Manutenzione", "Info", "Fine lavoro"};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(buttons[i]->Hint(), QString::fromLatin1(hints[i]));
  // "Personalizzazione stampe" opens the designer (personalizza_test.cpp).
  EXPECT_TRUE(form_->Manutenzione->BitBtn1->Enabled());

  // A reset code typed in the dialog works as soon as the dialog closes.
  form_->Manutenzione->azzera->SetText(QStringLiteral("777"));
  EXPECT_TRUE(ClosesModal(form_->Manutenzione, [&] { form_->btn_manutenzione->Click(); }));
  EXPECT_EQ(form_->Manutenzione->Caption(), QStringLiteral("Manutenzione"));
  EXPECT_EQ(form_->Logic->azzera, QStringLiteral("777"));

  // The help menu: manual, information window, web site.
  QFile manual(dir_.filePath(QStringLiteral("manuale.pdf")));
  ASSERT_TRUE(manual.open(QIODevice::WriteOnly));
  manual.close();
  QStringList opened;
  os::SetShellOpener([&](const os::ShellTarget &t) {
    opened << t.url.toString();
    return true;
  });
  vcl::TMenuItem *pick = form_->mnu_manuale;
  vcl::TPopupMenu::ShowSlot = [&](vcl::TPopupMenu *m, int, int) {
    EXPECT_EQ(m, form_->mnu_aiuto);
    return pick;
  };
  form_->btn_info->Click();
  pick = form_->mnu_sito;
  form_->btn_info->Click();
  ASSERT_EQ(opened.size(), 2);
  EXPECT_TRUE(opened[0].endsWith(QStringLiteral("/manuale.pdf")));
  EXPECT_EQ(opened[1], kWebSite);

  pick = form_->Informazionisulprogramma1;
  bool info_seen = false;
  QTimer::singleShot(50, [&] {
    info_seen = form_->frmInfo != nullptr && form_->frmInfo->Visible();
    if (form_->frmInfo != nullptr) form_->frmInfo->SetModalResult(vcl::mrOk);
  });
  form_->btn_info->Click();
  EXPECT_TRUE(info_seen);

  form_->btn_uscita->Click();
  QTest::qWait(20);
  EXPECT_FALSE(form_->Visible());
  EXPECT_TRUE(QFile::exists(dir_.filePath(kSettingsFile)));
}

// Pixels of the focus mark's sides on a button as it is painted now (clear
// of the caption in the middle).
int FocusMarkPixels(vcl::TButton *button) {
  const QImage face = button->Handle()->grab().toImage();
  const QRgb ink = button->Handle()->palette().color(QPalette::ButtonText).rgb();
  int n = 0;
  for (int y = 6; y < face.height() - 6; ++y) n += (face.pixel(4, y) == ink) + (face.pixel(face.width() - 5, y) == ink);
  return n;
}

// Each opening of the dialog starts on its first page with the purge date
// focused, whatever was focused when it closed; the focused button shows
// its mark, the others none.
TEST_F(MaintenanceWindowTest, OpensOnThePurgeDateAndMarksTheFocusedButton) {
  Start();
  TManutenzioneForm *m = form_->Manutenzione;
  struct Seen {
    bool utilita = false, date_focused = false;
  };
  std::vector<Seen> openings;
  int marked = 0, unmarked = 0, other_marked = 0;
  const auto open = [&](const std::function<void()> &inside) {
    QTimer::singleShot(50, [&, inside] {
      QApplication::setActiveWindow(m->Handle());
      QApplication::processEvents();
      openings.push_back({m->PageControl1->ActivePage() == m->tb_utilita, m->cancella->Focused()});
      inside();
      m->SetModalResult(vcl::mrCancel);
    });
    form_->btn_manutenzione->Click();
  };
  open([&] {
    unmarked = FocusMarkPixels(m->BitBtn1);
    m->BitBtn1->SetFocus();
    QApplication::processEvents();
    marked = FocusMarkPixels(m->BitBtn1);
    other_marked = FocusMarkPixels(m->Button2);
  });
  open([&] {
    m->PageControl1->SetActivePage(m->tb_vendite);
    m->azzera->SetFocus();
    QApplication::processEvents();
  });
  open([] {});
  ASSERT_EQ(openings.size(), 3u);
  for (const Seen &s : openings) {
    EXPECT_TRUE(s.utilita);
    EXPECT_TRUE(s.date_focused);
  }
  EXPECT_GE(marked, 6);
  EXPECT_EQ(unmarked, 0);
  EXPECT_EQ(other_marked, 0);
  EXPECT_TRUE(shown_.isEmpty()) << shown_.join("\n").toStdString();
}

// Questions and notices reach the main form's styled box; texts are shown
// as they are, percent signs included; errors keep the plain dialog.
TEST_F(MaintenanceWindowTest, QuestionsAndNoticesGoThroughTheMainFormsBox) {
  Start();
  ASSERT_NE(form_->Mymsg, nullptr);
  int built = 0;
  form_->Mymsg->OnDialogReady = [&](rtl::TObject *, vcl::TForm *) { ++built; };
  std::vector<vcl::TMsgDlgType> types;
  auto previous = vcl::SetDialogResponder([&](vcl::TDialogRequest &r) {
    types.push_back(r.type);
    return vcl::mrYes;
  });
  EXPECT_EQ(AskUser(QStringLiteral("Sconto 10% ?"), TAskKind::Confirm), vcl::mrYes);
  const QString titles = form_->Mymsg->ButtonTitles()->Text();
  EXPECT_EQ(AskUser(QStringLiteral("Fatto al 100%"), TAskKind::Notice), vcl::mrOk);
  EXPECT_EQ(built, 2);
  EXPECT_EQ(form_->Mymsg->ButtonTitles()->Text(), titles) << "a notice leaves the question titles as they were";
  AskUser(QStringLiteral("Errore"), TAskKind::Error);
  EXPECT_EQ(built, 2);
  vcl::SetDialogResponder(previous);
  EXPECT_EQ(types, (std::vector<vcl::TMsgDlgType>{vcl::mtConfirmation, vcl::mtWarning, vcl::mtError}));
}

}  // namespace
}  // namespace app::testing
