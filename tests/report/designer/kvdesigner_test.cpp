// The designer window on the offscreen platform: caption, tabs, palette,
// the commands' enabling, the surface under the mouse, the inspector,
// asking to save, the file commands and their refusals, the preview, and
// the settings in the registry.
#include "report/designer/kvdesigner.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "platform/rtl/registry.h"
#include "report/designer/kvfileforms.h"
#include "report/designer/kvfontbox.h"
#include "report/engine/component/kvslots.h"
#include "report/engine/objects/kvcodebarre.h"
#include "report/engine/objects/kvshape.h"
#include "tests/report/designer/window_fixture.h"

namespace report::testing {
namespace {

QByteArray Bytes(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A view registered as an add-in, after the program's own two.
class TestAddInView : public TkvView {
  ORBISCA_CLASS(TestAddInView, TkvView)
 public:
  explicit TestAddInView(TkvReport *report) : TkvView(report) { AssignDefaultName(); }
  void Draw(vcl::TCanvas *) override {}
};

void RegisterThreeAddIns() {
  RegisterCodeBarreObject();
  RegisterShapeObject();
  RegisterObject<TestAddInView>(nullptr, QStringLiteral("Prova"));
}

class DesignerWindowTest : public DesignerTest {
 protected:
  void SetUp() override {
    DesignerTest::SetUp();
    ASSERT_TRUE(dir.isValid());
    saved_folder_ = QDir::currentPath();
    rtl::TRegistry::SetBaseFolder(dir.filePath(QStringLiteral("registry")));
    QDir(dir.path()).mkpath(QStringLiteral("dati"));
    folder = dir.filePath(QStringLiteral("dati"));
    // A template of two memos and a data band, on disk.
    Band(btMasterData, 100, 40);
    Memo(20, 105, 120, 16);
    Memo(200, 105, 120, 16);
    file = QDir(folder).filePath(QStringLiteral("Report4_1.kvf"));
    report->SaveToFile(file);
  }
  void TearDown() override {
    form.reset();
    KvSetCurrentDesigner(nullptr);
    QDir::setCurrent(saved_folder_);
    rtl::TRegistry::SetBaseFolder(QString());
    DesignerTest::TearDown();
  }
  TKVDesignerForm *Open() { return ShowDesigner(form, report); }
  // Answers the message boxes: `answer` to each.
  void Answer(vcl::TModalResult answer) {
    respond = [answer](vcl::TDialogRequest &r) { return r.kind == vcl::TDialogKind::Message ? answer : vcl::mrCancel; };
  }
  void MoveFirstMemo(int dx) {
    TkvView *m = form->Model().Views()[1];
    form->Model().SelectOnly(m);
    form->Model().MoveSelected(dx, 0);
    form->AfterChange();
  }
  // A drag on the page with the mouse, in two moves.
  void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers keys = {}) {
    QWidget *surface = form->Surface->Handle();
    QTest::mouseMove(surface, from);
    QTest::mousePress(surface, Qt::LeftButton, keys, from);
    QTest::mouseMove(surface, (from + to) / 2);
    QTest::mouseMove(surface, to);
    QTest::mouseRelease(surface, Qt::LeftButton, keys, to);
  }
  void Click(QPoint at, Qt::KeyboardModifiers keys = {}) {
    QWidget *surface = form->Surface->Handle();
    QTest::mouseMove(surface, at);
    QTest::mouseClick(surface, Qt::LeftButton, keys, at);
  }

  QTemporaryDir dir;
  QString folder;
  QString file;
  std::unique_ptr<TKVDesignerForm> form;

 private:
  QString saved_folder_;
};

TEST_F(DesignerWindowTest, OpensWithItsCaptionTabsAndCommands) {
  TKVDesignerForm *d = Open();
  EXPECT_EQ(d->Caption(), QStringLiteral("Modellatore - Report4_1"));
  EXPECT_EQ(d->TabCaptions(), QStringList{QStringLiteral("Pagina 1")});
  EXPECT_EQ(d->Inspector->Caption(), QStringLiteral("Controllo oggetto"));
  EXPECT_EQ(d->Inspector->RowName(6), QStringLiteral("Testo"));
  EXPECT_TRUE(d->Inspector->Visible());
  // Nothing selected, nothing changed: what needs either is disabled.
  EXPECT_FALSE(d->MenuItem(TkvCommand::Save)->Enabled());
  EXPECT_FALSE(d->Button(TkvCommand::Save)->Enabled());
  EXPECT_FALSE(d->MenuItem(TkvCommand::Cut)->Enabled());
  EXPECT_FALSE(d->MenuItem(TkvCommand::RemovePage)->Enabled());
  EXPECT_FALSE(d->Button(TkvCommand::Bold)->Enabled());
  EXPECT_TRUE(d->MenuItem(TkvCommand::NewReport)->Enabled());
  EXPECT_EQ(d->MenuItem(TkvCommand::Delete)->Caption(), QStringLiteral("Cancella"));
  EXPECT_EQ(d->PopupItem(TkvCommand::Delete)->Caption(), QStringLiteral("Elimina"));
  // The editors of the other forms are not there: their commands wait.
  KvRegisterEditor(TkvEditor::PageOptions, {});
  d->UpdateCommands();
  EXPECT_FALSE(d->MenuItem(TkvCommand::PageOptions)->Enabled());
  KvInstallDesignerEditors();  // the program's editors back for the tests after
  d->UpdateCommands();
  EXPECT_TRUE(d->MenuItem(TkvCommand::PageOptions)->Enabled());
  // A memo selected: the text tools and the cut command.
  d->Model().SelectOnly(d->Model().Views()[1]);
  d->SelectionFollows();
  EXPECT_TRUE(d->Button(TkvCommand::Bold)->Enabled());
  EXPECT_TRUE(d->MenuItem(TkvCommand::Cut)->Enabled());
  EXPECT_EQ(d->StatusText(0), QStringLiteral("Millimetri"));
  EXPECT_EQ(d->StatusText(1), QStringLiteral("5,29 / 27,77"));
}

TEST_F(DesignerWindowTest, PaletteButtonsOfAddInsCarryTheirTags) {
  RegisterThreeAddIns();
  ASSERT_GE(AddInCount(), 3);
  form = std::make_unique<TKVDesignerForm>(report);
  for (int i = 0; i < AddInCount(); ++i) form->AddPaletteButton(AddIn(i).Bitmap.get(), AddIn(i).Hint, gtAddIn + i);
  vcl::TSpeedButton *third = form->PaletteButtons[size_t(5 + 2)];
  EXPECT_EQ(third->Tag(), 12);
  EXPECT_EQ(third->Hint(), AddIn(2).Hint);
  EXPECT_EQ(third->Left(), form->SelectButton->Left());
  EXPECT_EQ(third->Top(), form->SelectButton->Top() + 10 + 7 * form->SelectButton->Height());
}

TEST_F(DesignerWindowTest, TheEngineOpensTheDesignerModallyWithItsPalette) {
  ASSERT_TRUE(KvRegisterDesigner());
  RegisterThreeAddIns();
  report->LoadFromFile(file);
  QString caption;
  QStringList tabs;
  std::vector<int> tags;
  QTimer::singleShot(0, [&] {
    auto *d = dynamic_cast<TKVDesignerForm *>(KvCurrentDesigner());
    ASSERT_NE(d, nullptr);
    caption = d->Caption();
    tabs = d->TabCaptions();
    for (vcl::TSpeedButton *b : d->PaletteButtons) tags.push_back(int(b->Tag()));
    d->Close();
  });
  report->DesignReport();
  EXPECT_EQ(caption, QStringLiteral("Modellatore - Report4_1"));
  EXPECT_EQ(tabs, QStringList{QStringLiteral("Pagina 1")});
  ASSERT_EQ(tags.size(), size_t(5 + AddInCount()));
  for (int i = 0; i < AddInCount(); ++i) EXPECT_EQ(tags[size_t(5 + i)], gtAddIn + i);
  EXPECT_EQ(KvCurrentDesigner(), nullptr);
}

TEST_F(DesignerWindowTest, AClickWithTheMemoToolOnTheSurface) {
  TKVDesignerForm *d = Open();
  d->SetGridAlign(false);
  d->SetTool(gtMemo);
  QWidget *surface = d->Surface->Handle();
  QTest::mouseMove(surface, QPoint(50, 50));
  QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(50, 50));
  TkvView *memo = d->Model().SingleSelected();
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(QRect(memo->x, memo->y, memo->dx, memo->dy), QRect(50, 50, 120, 16));
  EXPECT_EQ(d->ToolTag(), -1);
  EXPECT_TRUE(d->MenuItem(TkvCommand::Save)->Enabled());
  EXPECT_EQ(d->Inspector->Objects->Items()->IndexOf(memo->Name), 3);
  // Painting the page with its selection marks and grid.
  d->Surface->Repaint();
}

TEST_F(DesignerWindowTest, TheMouseOnThePageWithTheGridAt8) {
  TKVDesignerForm *d = Open();
  d->Run(TkvCommand::Grid8);
  ASSERT_TRUE(d->GridAlign());
  // The memo tool's click lands on the grid.
  d->SetTool(gtMemo);
  Click(QPoint(50, 50));
  TkvView *memo = d->Model().SingleSelected();
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(QRect(memo->x, memo->y, memo->dx, memo->dy), QRect(48, 48, 120, 16));
  // Drags of 7, 9 and -9 pixels: whole grid steps only, one undo step each.
  const int snapshots = d->Model().SnapshotCount();
  Drag(QPoint(100, 55), QPoint(107, 55));
  EXPECT_EQ(memo->x, 48);
  EXPECT_EQ(d->Model().SnapshotCount(), snapshots);
  Drag(QPoint(100, 55), QPoint(109, 55));
  EXPECT_EQ(memo->x, 56);
  Drag(QPoint(108, 55), QPoint(99, 55));
  EXPECT_EQ(memo->x, 48);
  EXPECT_EQ(memo->y, 48);
  EXPECT_EQ(d->Model().SnapshotCount(), snapshots + 2);
  EXPECT_EQ(d->StatusText(1), QStringLiteral("12,7 / 12,7"));
}

TEST_F(DesignerWindowTest, ABandDraggedCarriesItsObjectsAndWithAltMovesAlone) {
  TKVDesignerForm *d = Open();
  d->Run(TkvCommand::Grid8);
  TkvView *band = d->Model().Views()[0];
  TkvView *first = d->Model().Views()[1];
  TkvView *second = d->Model().Views()[2];
  Click(QPoint(500, 120));  // on the band, away from its memos
  ASSERT_EQ(d->Model().SingleSelected(), band);
  Drag(QPoint(500, 120), QPoint(500, 136));
  EXPECT_EQ(band->y, 116);
  EXPECT_EQ(first->y, 121);
  EXPECT_EQ(second->y, 121);
  // The memos it carried stay selected with it: the band is chosen alone again.
  EXPECT_EQ(d->Model().SelectedCount(), 3);
  Click(QPoint(500, 400));
  Click(QPoint(500, 130));
  ASSERT_EQ(d->Model().SingleSelected(), band);
  Drag(QPoint(500, 130), QPoint(500, 146), Qt::AltModifier);
  EXPECT_EQ(band->y, 132);
  EXPECT_EQ(first->y, 121);
  EXPECT_EQ(second->y, 121);
}

TEST_F(DesignerWindowTest, TwoTouchingObjectsResizedTogetherStillTouch) {
  report->Pages().Page(0)->Views[2]->x = 140;  // the second memo starts where the first ends
  TKVDesignerForm *d = Open();
  d->SetGridAlign(false);
  TkvView *first = d->Model().Views()[1];
  TkvView *second = d->Model().Views()[2];
  Click(QPoint(30, 110));
  Click(QPoint(200, 110), Qt::ShiftModifier);
  ASSERT_EQ(d->Model().SelectedCount(), 2);
  // The box is 240 x 16: its bottom right corner dragged to 150 %.
  Drag(QPoint(260, 121), QPoint(380, 129));
  EXPECT_EQ(first->x, 20);
  EXPECT_EQ(first->dx, 180);
  EXPECT_EQ(first->x + first->dx, second->x);
  EXPECT_EQ(second->x + second->dx, 380);
  EXPECT_EQ(first->dy, 24);
  EXPECT_EQ(second->dy, 24);
  EXPECT_EQ(d->Model().SnapshotCount(), 2);
}

TEST_F(DesignerWindowTest, ADataBandPastedTwiceWithTheKeysGetsTwoRecordSources) {
  auto *source = new TkvDataset(&owner);
  source->SetName(QStringLiteral("Righe"));
  source->SetRangeEnd(reCount);
  source->SetRangeEndCount(3);
  static_cast<TkvBandView *>(report->Pages().Page(0)->Views[0].get())->FormatStr = QStringLiteral("Righe");
  TKVDesignerForm *d = Open();
  QWidget *surface = d->Surface->Handle();
  Click(QPoint(500, 120));
  QTest::keyClick(surface, Qt::Key_C, Qt::ControlModifier);
  QTest::keyClick(surface, Qt::Key_V, Qt::ControlModifier);
  QTest::keyClick(surface, Qt::Key_V, Qt::ControlModifier);
  QStringList sources;
  for (TkvView *v : d->Model().Views())
    if (auto *b = dynamic_cast<TkvBandView *>(v)) sources << b->FormatStr;
  ASSERT_EQ(sources.size(), 3);
  EXPECT_EQ(sources[0], QStringLiteral("Righe"));
  EXPECT_NE(sources[1], sources[2]);
  for (int i : {1, 2}) {
    EXPECT_TRUE(sources[i].startsWith(QStringLiteral("Elenco_"))) << sources[i].toStdString();
    ASSERT_NE(report->FindDataset(sources[i]), nullptr);
    EXPECT_EQ(report->FindDataset(sources[i])->RangeEndCount(), 3);
  }
  EXPECT_EQ(d->Inspector->Objects->Items()->Count(), 5);
  // One undo takes the second paste away with its band.
  d->Run(TkvCommand::Undo);
  EXPECT_EQ(d->Model().Views().size(), 4u);
}

TEST_F(DesignerWindowTest, TheReopenMenuKeepsTheLastFiveNewestFirst) {
  KvReopenList().SetNames({});
  QStringList files;
  for (int i = 1; i <= 6; ++i) {
    files << QDir(folder).filePath(QStringLiteral("R%1.kvf").arg(i));
    report->SaveToFile(files.back());
  }
  report->LoadFromFile(file);
  TKVDesignerForm *d = Open();
  for (const QString &f : files) ASSERT_TRUE(d->OpenFile(f));
  auto menu = [this] {
    QStringList names;
    for (int i = 0; i < form->ReopenMenu->Count(); ++i)
      names << QFileInfo(form->ReopenMenu->Items(i)->Caption()).fileName();
    return names;
  };
  const QStringList newest_first{QStringLiteral("R6.kvf"), QStringLiteral("R5.kvf"), QStringLiteral("R4.kvf"),
                                 QStringLiteral("R3.kvf"), QStringLiteral("R2.kvf")};
  EXPECT_EQ(menu(), newest_first);
  // An entry chosen opens its file; the list keeps its order.
  d->ReopenMenu->Items(2)->Click();
  EXPECT_EQ(d->Caption(), QStringLiteral("Modellatore - R4"));
  EXPECT_EQ(menu(), newest_first);
  // A new window shows the same list.
  form.reset();
  Open();
  EXPECT_EQ(menu(), newest_first);
}

TEST_F(DesignerWindowTest, UndoRedoAndTheSaveCommandFollowTheHistory) {
  TKVDesignerForm *d = Open();
  MoveFirstMemo(4);
  MoveFirstMemo(4);
  MoveFirstMemo(4);
  d->Run(TkvCommand::Undo);
  d->Run(TkvCommand::Undo);
  EXPECT_TRUE(d->MenuItem(TkvCommand::Redo)->Enabled());
  MoveFirstMemo(4);
  EXPECT_FALSE(d->MenuItem(TkvCommand::Redo)->Enabled());
  EXPECT_FALSE(d->Button(TkvCommand::Redo)->Enabled());
  d->Run(TkvCommand::Undo);
  d->Run(TkvCommand::Undo);
  EXPECT_FALSE(d->MenuItem(TkvCommand::Undo)->Enabled());
  EXPECT_FALSE(d->MenuItem(TkvCommand::Save)->Enabled());
  EXPECT_FALSE(d->Button(TkvCommand::Save)->Enabled());
  // Closing asks nothing now.
  d->Close();
  EXPECT_TRUE(Messages().isEmpty());
}

TEST_F(DesignerWindowTest, ClosingAChangedTemplateAsksAndNoLeavesTheFile) {
  report->LoadFromFile(file);
  const QByteArray before = Bytes(file);
  TKVDesignerForm *d = Open();
  MoveFirstMemo(40);
  Answer(vcl::mrCancel);
  EXPECT_FALSE(d->CloseQuery());
  ASSERT_EQ(Messages().size(), 1);
  EXPECT_EQ(Messages()[0], QStringLiteral("Si desidera salvare i cambiamenti a Report4_1.kvf ?"));
  EXPECT_EQ(requests.back().caption, QStringLiteral("Attenzione"));
  Answer(vcl::mrNo);
  EXPECT_TRUE(d->CloseQuery());
  EXPECT_EQ(Bytes(file), before);
  // The report holds the template as it was opened.
  EXPECT_EQ(report->Pages().Page(0)->Views[1]->x, 20);
}

TEST_F(DesignerWindowTest, SavingWritesWhereTheTemplateCameFrom) {
  report->LoadFromFile(file);
  TKVDesignerForm *d = Open();
  MoveFirstMemo(40);
  // Somewhere else is current now (a file dialog, another program part).
  QDir::setCurrent(dir.path());
  d->Run(TkvCommand::Save);
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("Report4_1.kvf"))));
  TkvReport check(nullptr);
  check.LoadFromFile(file);
  EXPECT_EQ(check.Pages().Page(0)->Views[1]->x, 60);
  EXPECT_FALSE(d->MenuItem(TkvCommand::Save)->Enabled());
  EXPECT_EQ(KvReopenList().Names().front(), QFileInfo(file).absoluteFilePath());
}

TEST_F(DesignerWindowTest, AFailedSaveIsShownAndTheWindowStaysOpen) {
  // A template whose folder went away while it was designed.
  const QString gone = dir.filePath(QStringLiteral("sparita"));
  QDir(dir.path()).mkdir(QStringLiteral("sparita"));
  report->SaveToFile(QDir(gone).filePath(QStringLiteral("Elenco.kvf")));
  TKVDesignerForm *d = Open();
  MoveFirstMemo(8);
  QDir(gone).removeRecursively();
  Answer(vcl::mrYes);
  EXPECT_FALSE(d->CloseQuery());
  ASSERT_EQ(Messages().size(), 2);
  EXPECT_EQ(Messages()[1], QString::fromUtf8("Si è verificato un errore durante la fase di salvataggio del report"));
  EXPECT_EQ(requests.back().caption, QStringLiteral("Errore"));
  // Nothing is lost: the change is still there to save elsewhere.
  EXPECT_TRUE(d->MenuItem(TkvCommand::Save)->Enabled());
  EXPECT_EQ(d->Model().Views()[1]->x, 28);
}

TEST_F(DesignerWindowTest, EveryOpeningStartsItsOwnHistory) {
  TKVDesignerForm *d = Open();
  MoveFirstMemo(8);
  d->Hide();
  d->Show();
  // What the window showed before is not brought back by an undo.
  EXPECT_FALSE(d->MenuItem(TkvCommand::Undo)->Enabled());
  EXPECT_EQ(d->Model().SnapshotCount(), 1);
}

TEST_F(DesignerWindowTest, ADamagedFileLeavesTheTemplateAndItsName) {
  report->LoadFromFile(file);
  TKVDesignerForm *d = Open();
  const QString damaged = QDir(folder).filePath(QStringLiteral("Rotto.kvf"));
  QByteArray bytes = Bytes(file);
  bytes.truncate(bytes.size() / 2);
  QFile out(damaged);
  ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  out.write(bytes);
  out.close();
  const QByteArray good = Bytes(file);
  EXPECT_FALSE(d->OpenFile(damaged));
  EXPECT_EQ(Messages().size(), 1);
  EXPECT_EQ(report->FileName(), QStringLiteral("Report4_1.kvf"));
  EXPECT_EQ(d->Caption(), QStringLiteral("Modellatore - Report4_1"));
  EXPECT_EQ(d->Model().Views().size(), 3u);
  // Saving now writes the good template where it belongs.
  MoveFirstMemo(8);
  ASSERT_TRUE(d->SaveReport());
  TkvReport check(nullptr);
  check.LoadFromFile(file);
  EXPECT_EQ(check.Pages().Page(0)->Views.size(), 3u);
  EXPECT_NE(Bytes(file), good);

  // A missing file: the platform's message, nothing changes.
  EXPECT_FALSE(d->OpenFile(QDir(folder).filePath(QStringLiteral("Manca"))));
  EXPECT_TRUE(Messages().back().startsWith(QStringLiteral("Si è tentato di caricare da disco il report 'Manca.kvf'")));
  EXPECT_EQ(requests.back().caption, QStringLiteral("Attenzione"));
  EXPECT_EQ(report->FileName(), QStringLiteral("Report4_1.kvf"));
}

TEST_F(DesignerWindowTest, NamesDifferingInLetterCaseOpen) {
  QFile::rename(file, QDir(folder).filePath(QStringLiteral("Vendite.KVF")));
  report->SetReportDir(folder);
  TKVDesignerForm *d = Open();
  QTimer::singleShot(0, [] {
    for (int i = 0; i < vcl::Screen->FormCount(); ++i) {
      auto *load = dynamic_cast<TLoadForm *>(vcl::Screen->Forms(i));
      if (load == nullptr || !load->Visible()) continue;
      EXPECT_EQ(load->Caption(), QStringLiteral("Caricamento Report"));
      ASSERT_EQ(load->ListView1->Items()->Count(), 1);
      EXPECT_EQ(load->ListView1->Items()->Strings(0), QStringLiteral("Vendite"));
      EXPECT_FALSE(load->OK->Enabled());
      load->ItemChosen(0);
      load->OK->Click();
    }
  });
  d->Run(TkvCommand::Open);
  EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QLatin1Char('\n')).toStdString();
  EXPECT_EQ(report->FileName(), QStringLiteral("Vendite.KVF"));
  EXPECT_EQ(d->Caption(), QStringLiteral("Modellatore - Vendite"));
  EXPECT_TRUE(d->OpenFile(QDir(folder).filePath(QStringLiteral("vendite.kvf"))));
}

TEST_F(DesignerWindowTest, ANameTypedInTheSaveFormGetsTheExtension) {
  report->SetReportDir(folder);
  report->ClearReport();
  TKVDesignerForm *d = Open();
  QTimer::singleShot(0, [] {
    for (int i = 0; i < vcl::Screen->FormCount(); ++i) {
      auto *save = dynamic_cast<TSaveForm *>(vcl::Screen->Forms(i));
      if (save == nullptr || !save->Visible()) continue;
      EXPECT_EQ(save->Caption(), QStringLiteral("Salvataggio Report"));
      EXPECT_FALSE(save->OK->Enabled());
      save->Edit->SetText(QStringLiteral("abc"));
      save->OK->Click();
    }
  });
  EXPECT_TRUE(d->SaveReportAs());
  EXPECT_TRUE(QFile::exists(QDir(folder).filePath(QStringLiteral("abc.kvf"))));
  EXPECT_EQ(d->Caption(), QStringLiteral("Modellatore - abc"));
  // Saving again under a name that is there asks first; No writes nothing.
  Answer(vcl::mrNo);
  QTimer::singleShot(0, [] {
    for (int i = 0; i < vcl::Screen->FormCount(); ++i) {
      auto *save = dynamic_cast<TSaveForm *>(vcl::Screen->Forms(i));
      if (save == nullptr || !save->Visible()) continue;
      EXPECT_EQ(save->Edit->Text(), QStringLiteral("abc"));
      save->Edit->SetText(QStringLiteral("Report4_1.KVF"));
      save->OK->Click();
    }
  });
  const QByteArray before = Bytes(file);
  EXPECT_FALSE(d->SaveReportAs());
  EXPECT_EQ(Messages().back(),
            QString::fromUtf8("Esiste già un report con questo nome.\r\nSi desidera sovrascriverlo?"));
  EXPECT_EQ(requests.back().default_button, 1);  // "No" by default
  EXPECT_EQ(Bytes(file), before);
}

TEST_F(DesignerWindowTest, SavingAsAGalleryTemplateIsNotSavingTheTemplate) {
  TKVDesignerForm *d = Open();
  d->Run(TkvCommand::NewReport);
  ASSERT_EQ(report->FileName(), QString());
  d->Model().Insert(gtMemo, QPoint(10, 10), QPoint(10, 10));
  d->AfterChange();
  ASSERT_TRUE(d->MenuItem(TkvCommand::Save)->Enabled());
  // The save dialog cancelled, then closed with the gallery's type.
  respond = [](vcl::TDialogRequest &r) {
    if (r.kind == vcl::TDialogKind::Message) return vcl::mrYes;
    return vcl::mrCancel;
  };
  EXPECT_FALSE(d->CloseQuery());
  QString gallery = QDir(folder).filePath(QStringLiteral("galleria"));
  respond = [gallery](vcl::TDialogRequest &r) {
    if (r.kind == vcl::TDialogKind::Message) return vcl::mrYes;
    r.value = gallery;
    r.filter_index = 2;
    return vcl::mrOk;
  };
  QTimer::singleShot(0, [] {
    for (int i = 0; i < vcl::Screen->FormCount(); ++i) {
      auto *templ = dynamic_cast<TTemplNewForm *>(vcl::Screen->Forms(i));
      if (templ == nullptr || !templ->Visible()) continue;
      EXPECT_EQ(templ->Caption(), QStringLiteral("Nuovo report da modello"));
      templ->Memo1->SetText(QStringLiteral("Elenco di prova"));
      templ->Button2->Click();
    }
  });
  EXPECT_FALSE(d->CloseQuery());  // the window stays: the template itself was not written
  EXPECT_TRUE(QFile::exists(gallery + QStringLiteral(".kvt")));
  // Its header reads back.
  rtl::TStringList description;
  TkvReport reader(nullptr);
  reader.LoadTemplate(gallery + QStringLiteral(".kvt"), description, true, nullptr);
  EXPECT_EQ(description.Text().trimmed(), QStringLiteral("Elenco di prova"));
}

TEST_F(DesignerWindowTest, ANewReportFromTheGalleryAsksAndHasNoFileName) {
  // A gallery of one template.
  report->SetTemplateDir(folder);
  rtl::TStringList description;
  description.Add(QStringLiteral("Vuoto"));
  report->SaveTemplate(QDir(folder).filePath(QStringLiteral("Vuoto.kvt")), description, nullptr);
  report->LoadFromFile(file);
  TKVDesignerForm *d = Open();
  MoveFirstMemo(16);
  Answer(vcl::mrNo);
  QTimer::singleShot(0, [] {
    for (int i = 0; i < vcl::Screen->FormCount(); ++i) {
      auto *templ = dynamic_cast<TTemplForm *>(vcl::Screen->Forms(i));
      if (templ == nullptr || !templ->Visible()) continue;
      ASSERT_EQ(templ->ListView1->Items()->Count(), 1);
      EXPECT_EQ(templ->ListView1->Items()->Strings(0), QStringLiteral("Vuoto"));
      templ->ItemChosen(0);
      EXPECT_EQ(templ->Memo1->Lines()->Strings(0), QStringLiteral("Vuoto"));
      templ->Button1->Click();
    }
  });
  d->Run(TkvCommand::NewFromTemplate);
  ASSERT_EQ(Messages().size(), 1);
  EXPECT_EQ(Messages()[0], QStringLiteral("Si desidera salvare i cambiamenti a Report4_1.kvf ?"));
  EXPECT_EQ(report->FileName(), QString());
  EXPECT_EQ(d->Caption(), QStringLiteral("Modellatore"));
  // "Salva" now asks for a name: the template opened before stays whole.
  const QByteArray before = Bytes(file);
  MoveFirstMemo(8);
  respond = [](vcl::TDialogRequest &) { return vcl::mrCancel; };
  EXPECT_FALSE(d->SaveReport());
  EXPECT_EQ(Bytes(file), before);
}

TEST_F(DesignerWindowTest, ThePreviewLeavesNothingPointingAtOldObjects) {
  report->LoadFromFile(file);
  TKVDesignerForm *d = Open();
  d->Model().SelectAll();
  d->SelectionFollows();
  const TkvView *before = d->Model().Views()[1];
  d->Run(TkvCommand::Preview);
  EXPECT_TRUE(d->Inspector->Visible());
  EXPECT_EQ(d->Model().SelectedCount(), 0);
  ASSERT_EQ(d->Model().Views().size(), 3u);
  EXPECT_EQ(d->Inspector->Objects->Items()->Count(), 3);
  (void)before;
  // The surface and the keys work on the objects read back.
  d->Model().SelectOnly(d->Model().Views()[1]);
  int key = vcl::VK_RIGHT;
  d->FormKeyDown(key, vcl::TShiftState{vcl::ssCtrl});
  EXPECT_EQ(d->Model().Views()[1]->x, 21);
  d->Surface->Repaint();
}

TEST_F(DesignerWindowTest, RemovingTheOnlyPageLeavesOnePagina1) {
  TKVDesignerForm *d = Open();
  Answer(vcl::mrYes);
  d->Run(TkvCommand::AddPage);
  EXPECT_EQ(d->TabCaptions(), (QStringList{QStringLiteral("Pagina 1"), QStringLiteral("Pagina 2")}));
  EXPECT_TRUE(d->MenuItem(TkvCommand::RemovePage)->Enabled());
  d->Run(TkvCommand::RemovePage);
  EXPECT_EQ(Messages().back(), QStringLiteral("Rimuovere questa pagina?"));
  EXPECT_EQ(requests.back().caption, QStringLiteral("Conferma"));
  EXPECT_EQ(d->TabCaptions(), QStringList{QStringLiteral("Pagina 1")});
  // The only page: emptied, one tab left.
  d->Model().RemovePage();
  d->RenumberTabs();
  EXPECT_TRUE(d->Model().Views().empty());
  EXPECT_EQ(d->TabCaptions(), QStringList{QStringLiteral("Pagina 1")});
}

TEST_F(DesignerWindowTest, AWordTypedIntoANumberRowIsRefused) {
  TKVDesignerForm *d = Open();
  TkvView *memo = d->Model().Views()[1];
  d->Model().SelectOnly(memo);
  d->SelectionFollows();
  d->Inspector->SelectRow(TkvDesignerModel::rowX);
  const QString before = d->Inspector->Edit1->Text();
  d->Inspector->Edit1->SetText(QStringLiteral("abc"));
  d->Inspector->Edit1->SetModified(true);
  d->Inspector->Commit();
  ASSERT_EQ(Messages().size(), 1);
  EXPECT_EQ(Messages()[0], QString::fromUtf8("Il valore inserito non è valido."));
  EXPECT_EQ(requests.back().caption, QStringLiteral("Errore"));
  EXPECT_EQ(d->Inspector->Edit1->Text(), before);
  EXPECT_EQ(memo->x, 20);
  EXPECT_FALSE(d->Model().Modified());
  // A number is taken, in the unit shown.
  d->Inspector->Edit1->SetText(QStringLiteral("10"));
  d->Inspector->Edit1->SetModified(true);
  d->Inspector->Commit();
  EXPECT_EQ(memo->x, 38);
  EXPECT_TRUE(d->Model().Modified());
}

TEST_F(DesignerWindowTest, TheSettingsKeyHoldsGridUnitsAndAlignment) {
  TKVDesignerForm *d = Open();
  d->Run(TkvCommand::Grid8);
  d->Run(TkvCommand::UnitInches);
  d->Run(TkvCommand::GridAlign);
  d->Run(TkvCommand::ToolbarText);
  d->Hide();
  rtl::TRegIniFile reg(kvDesignerRegistryKey);
  EXPECT_EQ(reg.ReadInteger(QStringLiteral("Options"), QStringLiteral("GridSize"), 0), 8);
  EXPECT_EQ(reg.ReadInteger(QStringLiteral("Options"), QStringLiteral("Units"), 0), kvUnitInches);
  EXPECT_FALSE(reg.ReadBool(QStringLiteral("Options"), QStringLiteral("GridAlign"), true));
  EXPECT_FALSE(reg.ReadBool(QStringLiteral("ToolBas"), QStringLiteral("Panel2"), true));
  EXPECT_TRUE(reg.ReadBool(QStringLiteral("InspForm"), QStringLiteral("Visible"), false));
  // The next designer starts from them.
  form.reset();
  TKVDesignerForm *next = Open();
  EXPECT_EQ(next->GridSize(), 8);
  EXPECT_FALSE(next->GridAlign());
  EXPECT_EQ(next->Model().Unit(), kvUnitInches);
  EXPECT_FALSE(next->Panel2->Visible());
  EXPECT_EQ(next->StatusText(0), QStringLiteral("Pollici"));
}

// Every row of the inspector lies wholly inside its grid.
void ExpectEveryRowShown(TInspForm *insp) {
  const int pitch = insp->RowHeight() + 1;
  for (int i = 0; i < insp->RowCount(); ++i) {
    ASSERT_TRUE(insp->Row(i)->Enabled) << i;
    EXPECT_LE((i + 1) * pitch + 1, insp->PaintBox1->Height()) << insp->RowName(i).toStdString();
  }
  EXPECT_GE(insp->PaintBox1->Top() + insp->PaintBox1->Height(), insp->Objects->Height()) << "below the object list";
}

TEST_F(DesignerWindowTest, TheInspectorOpensShowingEveryRowInsideTheScreen) {
  TKVDesignerForm *d = Open();
  d->Model().SelectOnly(d->Model().Views()[1]);  // a memo: every row is there
  d->SelectionFollows();
  TInspForm *insp = d->Inspector;
  ASSERT_EQ(insp->RowCount(), 7);
  ExpectEveryRowShown(insp);
  EXPECT_EQ(insp->Left(), vcl::Screen->Width() - insp->Width() - 25);
  // 20 pixels down, but never over the designer's title bar.
  const int first_top = std::max(20, d->Top() + d->FrameWidths().Top);
  EXPECT_EQ(insp->Top(), first_top);
  // A place kept from a bigger screen and a height too short for the rows
  // (an earlier session's): the rows all show and the window is on this
  // screen.
  form.reset();
  {
    rtl::TRegIniFile reg(kvDesignerRegistryKey);
    reg.WriteInteger(QStringLiteral("InspForm"), QStringLiteral("Left"), vcl::Screen->Width() + 400);
    reg.WriteInteger(QStringLiteral("InspForm"), QStringLiteral("Top"), -50);
    reg.WriteInteger(QStringLiteral("InspForm"), QStringLiteral("Height"), 60);
  }
  d = Open();
  d->Model().SelectOnly(d->Model().Views()[1]);
  d->SelectionFollows();
  insp = d->Inspector;
  ExpectEveryRowShown(insp);
  EXPECT_GE(insp->Left(), 0);
  EXPECT_LE(insp->Left() + insp->Width(), vcl::Screen->Width());
  EXPECT_EQ(insp->Top(), first_top) << "a place that no longer fits gives the first one";
  // Made shorter by hand, it takes its rows' height again.
  insp->SetBounds(insp->Left(), insp->Top(), insp->Width(), 50);
  QApplication::processEvents();
  ExpectEveryRowShown(insp);
}

TEST_F(DesignerWindowTest, OnASmallerScreenEveryWindowIsInsideAndTheToolsClearOfEachOther) {
  // Places kept on a larger screen: the palette over the inspector.
  {
    rtl::TRegIniFile reg(kvDesignerRegistryKey);
    reg.WriteInteger(QStringLiteral("InspForm"), QStringLiteral("Left"), 560);
    reg.WriteInteger(QStringLiteral("InspForm"), QStringLiteral("Top"), 30);
    reg.WriteInteger(QStringLiteral("AlignForm"), QStringLiteral("Left"), 540);
    reg.WriteInteger(QStringLiteral("AlignForm"), QStringLiteral("Top"), 60);
  }
  vcl::Screen->SetWorkArea(vcl::Rect(0, 0, 780, 560));
  struct Back {
    ~Back() { vcl::Screen->SetWorkArea(vcl::TRect{}); }
  } back;
  TKVDesignerForm *d = Open();
  const vcl::TRect area = vcl::Screen->WorkArea();
  const auto inside = [&area](const vcl::TRect &r) {
    return r.Left >= area.Left && r.Top >= area.Top && r.Right <= area.Right && r.Bottom <= area.Bottom;
  };
  EXPECT_TRUE(inside(d->FrameRect()));
  EXPECT_LE(d->Handle()->maximumWidth(), area.Width());
  EXPECT_LE(d->Handle()->maximumHeight(), area.Height());
  ASSERT_NE(d->AlignPalette, nullptr);
  const vcl::TRect insp = d->Inspector->FrameRect(), palette = d->AlignPalette->FrameRect();
  EXPECT_TRUE(inside(insp));
  EXPECT_TRUE(inside(palette));
  // The inspector kept its place (it still fits); the palette, which would
  // cover it, went back beside it, the bottoms level.
  EXPECT_EQ(insp.Left, 560);
  EXPECT_EQ(insp.Top, 30);
  EXPECT_EQ(palette.Right, insp.Left);
  EXPECT_EQ(palette.Bottom, insp.Bottom);
}

TEST_F(DesignerWindowTest, TheFontBoxListsFamiliesMarksScalableOnesAndShowsTheMemosFont) {
  TKVDesignerForm *d = Open();
  QStringList names;
  for (int i = 0; i < d->FontName->Items()->Count(); ++i) names << d->FontName->Items()->Strings(i);
  ASSERT_FALSE(names.isEmpty());
  EXPECT_EQ(names, KvFontFamilies());
  for (const QString &name : names) {
    EXPECT_FALSE(name.contains(u'[')) << name.toStdString();
    EXPECT_EQ(names
                  .filter(QRegularExpression(QStringLiteral("^%1$").arg(QRegularExpression::escape(name)),
                                             QRegularExpression::CaseInsensitiveOption))
                  .size(),
              1)
        << name.toStdString();
  }
  EXPECT_EQ(KvFontFamilyName(QStringLiteral("C059 [UKWN]")), QStringLiteral("C059"));
  auto *combo = qobject_cast<QComboBox *>(d->FontName->Handle());
  ASSERT_NE(combo, nullptr);
  for (int i = 0; i < combo->count(); ++i)
    EXPECT_EQ(!combo->itemIcon(i).isNull(), KvScalableFont(names[i])) << names[i].toStdString();

  // A memo's font shows in the box, also one this computer lacks.
  auto *memo = dynamic_cast<TkvMemoView *>(d->Model().Views()[1]);
  ASSERT_NE(memo, nullptr);
  memo->Font.SetName(names.last());
  d->Model().SelectOnly(memo);
  d->SelectionFollows();
  EXPECT_EQ(d->FontName->Text(), names.last());
  memo->Font.SetName(QStringLiteral("Zz Carattere Mancante"));
  d->SelectionFollows();
  EXPECT_EQ(d->FontName->Text(), QStringLiteral("Zz Carattere Mancante"));
  EXPECT_GT(d->FontName->ItemIndex(), 0);
}

TEST_F(DesignerWindowTest, TheReopenMenuListsTheFilesOpened) {
  KvReopenList().SetNames({});
  TKVDesignerForm *d = Open();
  EXPECT_FALSE(d->ReopenMenu->Enabled());
  ASSERT_TRUE(d->OpenFile(file));
  EXPECT_TRUE(d->ReopenMenu->Enabled());
  ASSERT_EQ(d->ReopenMenu->Count(), 1);
  EXPECT_EQ(d->ReopenMenu->Items(0)->Caption(), QFileInfo(file).absoluteFilePath());
}

TEST_F(DesignerWindowTest, KeysTypedOnThePageReachTheDesigner) {
  TKVDesignerForm *d = Open();
  TkvView *memo = d->Model().Views()[1];
  QWidget *surface = d->Surface->Handle();
  QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(memo->x + 5, memo->y + 5));
  ASSERT_EQ(d->Model().SingleSelected(), memo);
  // Arrows are the page's own, not a move of the dialog's focus.
  QTest::keyClick(surface, Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(memo->x, 21);
  QTest::keyClick(surface, Qt::Key_Right);
  EXPECT_EQ(d->Model().SingleSelected(), d->Model().Views()[2]);
  QTest::keyClick(surface, Qt::Key_C, Qt::ControlModifier);
  QTest::keyClick(surface, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(d->Model().Views().size(), 4u);
  // In the font size box Del is the box's, and Enter applies the size.
  d->Model().SelectOnly(memo);
  d->SelectionFollows();
  d->FontSize->SetFocus();
  d->FontSize->SetText(QStringLiteral("14"));
  QTest::keyClick(d->FontSize->Handle(), Qt::Key_Delete);
  EXPECT_EQ(d->Model().Views().size(), 4u);
  d->FontSize->SetText(QStringLiteral("14"));
  QTest::keyClick(d->FontSize->Handle(), Qt::Key_Return);
  EXPECT_EQ(static_cast<TkvMemoView *>(memo)->Font.Size(), 14);
}

TEST_F(DesignerWindowTest, KeysMoveResizeAndWalkTheObjects) {
  TKVDesignerForm *d = Open();
  TkvView *first = d->Model().Views()[1];
  TkvView *second = d->Model().Views()[2];
  d->Model().SelectOnly(first);
  int key = vcl::VK_RIGHT;
  d->FormKeyDown(key, {});
  EXPECT_EQ(d->Model().SingleSelected(), second);
  key = vcl::VK_RIGHT;
  d->FormKeyDown(key, {});  // nothing further right
  EXPECT_EQ(d->Model().SingleSelected(), second);
  key = vcl::VK_DOWN;
  d->FormKeyDown(key, vcl::TShiftState{vcl::ssShift});
  EXPECT_EQ(second->dy, 17);
  EXPECT_EQ(d->Model().SnapshotCount(), 2);
  key = vcl::VK_DELETE;
  d->FormKeyDown(key, {});
  EXPECT_EQ(d->Model().Views().size(), 2u);
  EXPECT_EQ(d->Inspector->Objects->Items()->Count(), 2);
}

}  // namespace
}  // namespace report::testing
