// The archive browser over the main window's tables: what it shows, sorting
// by a title click, the order put back on close, and edits reaching the
// main window's lookups.
#include "app/archivio.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "app/menuform.h"

#include "dao/vudaotable.h"
#include "platform/rtl/exceptions.h"
#include "platform/vcl/dialogs.h"
#include "tests/app/app_fixture.h"

namespace app::testing {
namespace {

class Archivio : public DataFolder {
 protected:
  void SetUp() override {
    DataFolder::SetUp();
    logic_.percorso = folder_;
    logic_.ShowError = [this](const QString &text) { errors_ << text; };
    logic_.OpenArchives();
    logic_.first_paint = false;
    // A second title, so that name and code orders differ.
    logic_.riviste->Append();
    logic_.rivisteBarcode->SetAsString(QStringLiteral("9770000000001"));
    logic_.rivisteNome->SetAsString(QStringLiteral("Zeta"));
    logic_.riviste->Post();
    logic_.riviste->ReopenRecordset();
  }
  // Shows the browser and runs `inside` while it is open, then closes it.
  void Browse(TArchivio which, const std::function<void()> &inside) {
    QTimer::singleShot(0, [&] {
      status_seen_ = logic_.lb_showrivista;
      inside();
      form_.Close();
    });
    TTestateForm::Esegui(&logic_, which, &form_);
  }
  static QStringList Column(vcl::TDataSet *ds, const QString &field) {
    QStringList out;
    for (ds->First(); !ds->Eof(); ds->Next()) out << ds->FieldByName(field)->AsString();
    return out;
  }
  vcl::TColumn *GridColumn(const QString &field) {
    for (int i = 0; i < form_.griglia->ColumnCount(); ++i)
      if (form_.griglia->Columns(i)->FieldName() == field) return form_.griglia->Columns(i);
    return nullptr;
  }

  TMenuLogic logic_;
  TTestateForm form_;
  QStringList errors_;
  QString status_seen_;
};

TEST_F(Archivio, TheWindowIsSetUpAsABrowser) {
  EXPECT_EQ(form_.Caption(), QStringLiteral("Archivio Titoli Riviste"));
  EXPECT_FALSE(form_.griglia->ShowGridMenu());
  EXPECT_TRUE(form_.griglia->AutoSizeColumns());
  EXPECT_TRUE(form_.griglia->ShowCheckBoxes());
  EXPECT_TRUE(form_.Ricerca->IncrementalSearch());
}

// The search bar under the grid: each key typed into it moves the grid to
// the first title whose code starts with what is typed so far.
TEST_F(Archivio, TheSearchBarFindsTheTitleAsItsCodeIsTyped) {
  QString column;
  QStringList found;
  Browse(TArchivio::Testate, [&] {
    dao::TVuDaoSearch *bar = form_.Ricerca;
    column = bar->ColumnBox()->Text();
    found << logic_.rivisteNome->AsString();
    QApplication::setActiveWindow(form_.Handle());
    bar->ValueEdit()->SetFocus();
    QWindow *window = form_.Handle()->windowHandle();
    for (char c : QByteArray("97711")) QTest::keyClick(window, c);
    found << logic_.rivisteNome->AsString();
    for (int i = 0; i < 3; ++i) QTest::keyClick(window, Qt::Key_Backspace);
    for (char c : QByteArray("700")) QTest::keyClick(window, c);
    found << logic_.rivisteNome->AsString();
  });
  EXPECT_EQ(column, QStringLiteral("Barcode"));
  EXPECT_EQ(found, (QStringList{QStringLiteral("Zeta"), QStringLiteral("Corriere"), QStringLiteral("Zeta")}));
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
}

TEST_F(Archivio, TitleClickSortsByNameAndClosingSortsByCodeAgain) {
  QStringList names_while_open;
  QString caption;
  Browse(TArchivio::Testate, [&] {
    caption = form_.Caption();
    EXPECT_EQ(form_.griglia->DataSource(), logic_.ds_riviste);
    EXPECT_EQ(form_.navigatore->DataSource(), logic_.ds_riviste);
    ASSERT_NE(GridColumn(QStringLiteral("Nome")), nullptr);
    form_.griglia->OnTitleClick(GridColumn(QStringLiteral("Nome")));
    names_while_open = Column(logic_.riviste, QStringLiteral("Nome"));
  });
  EXPECT_EQ(caption, QStringLiteral("Gestione Testate"));
  EXPECT_EQ(status_seen_, QStringLiteral("Apertura archivio testate ..."));
  EXPECT_EQ(names_while_open, QStringList({"Corriere", "Zeta"}));

  EXPECT_EQ(logic_.lb_showrivista, kIdleStatus);
  EXPECT_EQ(form_.griglia->DataSource(), nullptr);
  EXPECT_EQ(form_.Ricerca->DataSource(), nullptr);
  EXPECT_EQ(logic_.riviste->SortedBy(), QStringList({"Barcode"}));
  // Reopened on the first row.
  EXPECT_EQ(logic_.rivisteNome->AsString(), QStringLiteral("Zeta"));
  EXPECT_EQ(Column(logic_.riviste, QStringLiteral("Nome")), QStringList({"Zeta", "Corriere"}));
}

TEST_F(Archivio, StockEditedInTheBrowserShowsInTheNextLookup) {
  Browse(TArchivio::Giacenze, [&] {
    vcl::TDataSet *ds = form_.griglia->DataSource()->DataSet();
    ASSERT_TRUE(ds->Locate(QStringLiteral("Barcode18"), kStocked, {}));
    ds->Edit();
    ds->FieldByName(QStringLiteral("Testata"))->SetAsString(QStringLiteral("Topolino Gold"));
    // Left unposted: closing the window posts it.
  });
  EXPECT_EQ(status_seen_, QStringLiteral("Apertura archivio giacenze ..."));
  EXPECT_EQ(logic_.Giacenze->SortedBy(), QStringList({"Barcode18"}));
  EXPECT_EQ(CountRows("Giacenza", "Testata = \"Topolino Gold\""), 1);

  logic_.ingresso_barcode = kStocked;
  logic_.ingresso_barcodeExit();
  EXPECT_EQ(logic_.Carico.testata, QStringLiteral("Topolino Gold"));
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
}

// The stock archive's columns are wider together than the window: the grid
// shows its sideways scroll bar, so every column can be reached.
TEST_F(Archivio, TheStockColumnsScrollSideways) {
  bool wide = false, bar_shown = false;
  int grid_width = 0, form_width = 0;
  Browse(TArchivio::Giacenze, [&] {
    wide = form_.griglia->HorzScrollBarVisible();
    auto *bar = form_.griglia->Handle()->findChild<QScrollBar *>();
    bar_shown = bar != nullptr && bar->isVisible();
    grid_width = form_.griglia->Width();
    form_width = form_.ClientWidth();
  });
  EXPECT_TRUE(wide);
  EXPECT_TRUE(bar_shown);
  EXPECT_LE(grid_width, form_width);
}

// Keys typed as the user types them, into whatever has the focus in the
// browser (the grid, or its editor once typing opened it).
void TypeInBrowser(TTestateForm &form, const QString &text) {
  for (QChar c : text) {
    vcl::TWinControl *target = form.griglia->InplaceEditor();
    if (target == nullptr) target = form.griglia;
    QTest::keyClick(target->Handle(), c.toLatin1());
  }
}

void PressInBrowser(TTestateForm &form, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  vcl::TWinControl *target = form.griglia->InplaceEditor();
  if (target == nullptr) target = form.griglia;
  QTest::keyClick(target->Handle(), key, mods);
}

// A title's name typed over in the grid and confirmed with Enter is in
// `Riviste` at once.
TEST_F(Archivio, ATitleIsRenamedInTheGrid) {
  Browse(TArchivio::Testate, [&] {
    vcl::TDataSet *ds = form_.griglia->DataSource()->DataSet();
    ASSERT_TRUE(ds->Locate(QStringLiteral("Nome"), QStringLiteral("Corriere"), {}));
    form_.griglia->SetFocus();
    form_.griglia->SetSelectedIndex(GridColumn(QStringLiteral("Nome"))->Index());
    PressInBrowser(form_, Qt::Key_F2);
    ASSERT_NE(form_.griglia->InplaceEditor(), nullptr);
    form_.griglia->InplaceEditor()->SelectAll();
    TypeInBrowser(form_, QStringLiteral("Corriere della Sera"));
    PressInBrowser(form_, Qt::Key_Return);
    EXPECT_EQ(CountRows("Riviste", "Nome = \"Corriere della Sera\""), 1);
  });
  EXPECT_EQ(CountRows("Riviste", "Nome = \"Corriere\""), 0);
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
}

// A stock row typed into a new line of the grid is posted; a title deleted
// in the grid (after the question) is gone.
TEST_F(Archivio, RowsAreAddedAndDeletedInTheGrid) {
  const int stock_rows = CountRows("Giacenza");
  Browse(TArchivio::Giacenze, [&] {
    form_.griglia->SetFocus();
    form_.griglia->SetSelectedIndex(GridColumn(QStringLiteral("Barcode18"))->Index());
    PressInBrowser(form_, Qt::Key_End, Qt::ControlModifier);
    PressInBrowser(form_, Qt::Key_Down);
    ASSERT_EQ(form_.griglia->DataSource()->DataSet()->State(), vcl::dsInsert);
    TypeInBrowser(form_, kNonPeriodical);
    PressInBrowser(form_, Qt::Key_Tab);
    TypeInBrowser(form_, kNonPeriodical);
    form_.griglia->SetSelectedIndex(GridColumn(QStringLiteral("Testata"))->Index());
    TypeInBrowser(form_, QStringLiteral("Album figurine"));
    PressInBrowser(form_, Qt::Key_Return);
    EXPECT_EQ(form_.griglia->DataSource()->DataSet()->State(), vcl::dsBrowse);
  });
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
  EXPECT_EQ(CountRows("Giacenza"), stock_rows + 1);
  EXPECT_EQ(CountRows("Giacenza", "Barcode18 = \"" + kNonPeriodical + "\" AND Testata = \"Album figurine\""), 1);

  const auto before = vcl::SetDialogResponder([](vcl::TDialogRequest &) { return vcl::mrOk; });
  Browse(TArchivio::Testate, [&] {
    vcl::TDataSet *ds = form_.griglia->DataSource()->DataSet();
    ASSERT_TRUE(ds->Locate(QStringLiteral("Nome"), QStringLiteral("Zeta"), {}));
    form_.griglia->SetFocus();
    PressInBrowser(form_, Qt::Key_Delete, Qt::ControlModifier);
  });
  vcl::SetDialogResponder(before);
  EXPECT_EQ(CountRows("Riviste", "Nome = \"Zeta\""), 0);
  EXPECT_EQ(CountRows("Riviste"), 1);
}

TEST_F(Archivio, AFailureInsideStillPutsTheOrderBack) {
  TArchivioLogic runner(&logic_);
  int pumped = 0;
  runner.ProcessMessages = [&] { ++pumped; };
  EXPECT_THROW(runner.Run(TArchivio::Testate,
                          [&](const TArchivioUse &use) {
                            TArchivioLogic::SortByColumn(use.source, QStringLiteral("Nome"));
                            throw rtl::Exception(QStringLiteral("rotto"));
                          }),
               rtl::Exception);
  EXPECT_EQ(pumped, 1);
  EXPECT_EQ(logic_.lb_showrivista, kIdleStatus);
  EXPECT_EQ(logic_.riviste->SortedBy(), QStringList({"Barcode"}));
}

// The main window's tool button and menu item open the browser on their
// table, and the status label shows the opening text while it is open.
TEST_F(DataFolder, MainWindowOpensTheStockArchive) {
  const QString saved_dir = QDir::currentPath();
  QDir::setCurrent(dir_.path());
  vcl::InitApplication();
  QStringList shown_errors;
  vcl::Application->ShowExceptionSlot = [&](const QString &, const QString &text) { shown_errors << text; };
  auto form = std::make_unique<TMenuForm>(nullptr);
  form->Show();
  for (int i = 0; i < 50 && !form->Started(); ++i) QTest::qWait(10);
  ASSERT_TRUE(form->Started());
  EXPECT_EQ(form->btn_archivio->Hint(), QStringLiteral("Gestione Testate"));
  EXPECT_EQ(form->btn_giacenze->Hint(), QStringLiteral("Gestione Giacenze"));
  EXPECT_EQ(form->mnu_testate->Caption(), QStringLiteral("&Testate"));
  EXPECT_EQ(form->mnu_giacenze->Caption(), QStringLiteral("&Giacenze"));

  QString status, caption;
  vcl::TDataSource *shown = nullptr;
  // The command pumps messages before the window shows: wait for it.
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (form->TestateForm == nullptr || !form->TestateForm->Visible()) return;
    poll.stop();
    status = form->lb_showrivista->Caption();
    caption = form->TestateForm->Caption();
    shown = form->TestateForm->griglia->DataSource();
    form->TestateForm->Close();
  });
  poll.start();
  form->mnu_giacenze->Click();
  EXPECT_EQ(status, QStringLiteral("Apertura archivio giacenze ..."));
  EXPECT_EQ(caption, QStringLiteral("Gestione Giacenze"));
  EXPECT_EQ(shown, form->Logic->ds_giacenze);
  EXPECT_EQ(form->lb_showrivista->Caption(), kIdleStatus);
  EXPECT_TRUE(shown_errors.isEmpty()) << shown_errors.join('\n').toStdString();
  form.reset();
  vcl::Application->ShowExceptionSlot = nullptr;
  QDir::setCurrent(saved_dir);
}

}  // namespace
}  // namespace app::testing
