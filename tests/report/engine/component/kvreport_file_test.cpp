// Where the report component finds its template files and what it says when
// it cannot; the published properties; the designer reached through its
// slot.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>

#include "platform/vcl/typinfo.h"
#include "report/engine/component/kvslots.h"
#include "report/engine/files/kvfile.h"
#include "report/engine/model/kvclass.h"
#include "report/engine/objects/kvshape.h"
#include "tests/report/engine/component/report_fixture.h"

namespace {

using namespace report;
using namespace report::testing;

// Puts the current folder back after a test that moves it.
class FolderScope {
 public:
  FolderScope() : saved_(QDir::currentPath()) {}
  ~FolderScope() { QDir::setCurrent(saved_); }

 private:
  QString saved_;
};

class TemplateFiles : public ComponentTest {
 protected:
  void SetUp() override {
    ComponentTest::SetUp();
    owner.SetName(QStringLiteral("Stampe"));
    ASSERT_TRUE(store.isValid() && elsewhere.isValid());
    // A template whose one object tells which file it came from.
    TkvReport maker;
    AddMemo(maker.Pages().Page(0), 10, 10, 100, 20, QStringLiteral("Giacenze"));
    maker.SaveToFile(store.filePath(QStringLiteral("giacenze.kvf")));
    ASSERT_TRUE(QDir(store.path()).mkdir(QStringLiteral("Modelli")));
    maker.SaveToFile(store.filePath(QStringLiteral("Modelli/resi.kvf")));
    QDir::setCurrent(elsewhere.path());
  }

  bool Loaded() const { return report->FindObject(QStringLiteral("Memo1")) != nullptr; }

  FolderScope folder_;
  QTemporaryDir store;
  QTemporaryDir elsewhere;
};

TEST_F(TemplateFiles, TheExtensionIsAddedUnlessTheNameEndsInItInAnyCase) {
  EXPECT_EQ(TkvReport::WithTemplateExtension("giacenze"), "giacenze.kvf");
  EXPECT_EQ(TkvReport::WithTemplateExtension("giacenze.KVF"), "giacenze.KVF");
  EXPECT_EQ(TkvReport::WithTemplateExtension("giacenze.txt"), "giacenze.txt.kvf");
  EXPECT_EQ(TkvReport::WithTemplateExtension("cartella.kvf/giacenze"), "cartella.kvf/giacenze.kvf");

  report->LoadFromFile(store.filePath("giacenze"));
  EXPECT_TRUE(Loaded());
  EXPECT_EQ(report->FileName(), "giacenze.kvf");
  // The whole path too, so that the template goes back where it came from.
  EXPECT_EQ(report->FilePath(), QFileInfo(store.filePath("giacenze.kvf")).absoluteFilePath());
  report->ClearReport();
  EXPECT_EQ(report->FileName(), QString());
  EXPECT_EQ(report->FilePath(), QString());
  EXPECT_FALSE(Loaded());
  QFile::rename(store.filePath("giacenze.kvf"), store.filePath("GIACENZE.KVF"));
  report->LoadFromFile(store.filePath("GIACENZE.KVF"));
  EXPECT_TRUE(Loaded());
}

TEST_F(TemplateFiles, ReportDirIsTheOnlyFolderAndTakesBareNames) {
  const QString modelli = store.filePath("Modelli");
  report->SetReportDir(modelli);
  // The same folder but for letter case, and a bare name.
  report->LoadFromFile(store.filePath("MODELLI/resi"));
  EXPECT_TRUE(Loaded());
  report->ClearReport();
  report->LoadFromFile("resi");
  EXPECT_TRUE(Loaded());

  report->ClearReport();
  try {
    report->LoadFromFile(store.filePath("giacenze"));
    FAIL() << "loaded from another folder";
  } catch (const EkvReportError &e) {
    EXPECT_EQ(e.Message(),
              QString::fromUtf8("Si è tentato di caricare il report \"Stampe.Elenco\" da una cartella "
                                "non valida.\r\nE' possibile caricare il report solo dalla cartella:  \"") +
                  modelli + "\"");
  }
  EXPECT_FALSE(Loaded());

  try {
    report->SaveToFile(store.filePath("giacenze"));
    FAIL() << "saved in another folder";
  } catch (const EkvReportError &e) {
    EXPECT_EQ(e.Message(), QString::fromUtf8("Si è tentato di salvare il report \"Stampe.Elenco\" in una cartella "
                                             "non valida.\r\nE' possibile salvare il report solo nella cartella:  \"") +
                               modelli + "\"");
  }
  // A bare name is saved in the folder.
  report->SaveToFile("nuovo");
  EXPECT_TRUE(QFile::exists(store.filePath("Modelli/nuovo.kvf")));
  EXPECT_EQ(report->FileName(), "nuovo.kvf");
}

TEST_F(TemplateFiles, ARelativeNameIsLookedForBesideTheProgramAndTheFolderStays) {
  const QString here = QDir::currentPath();
  // PathFromExe absolute, then relative to the program's folder.
  report->SetPathFromExe(store.path());
  report->LoadFromFile("giacenze");
  EXPECT_TRUE(Loaded());
  EXPECT_EQ(QDir::currentPath(), here);

  report->ClearReport();
  report->SetPathFromExe(QDir(QCoreApplication::applicationDirPath()).relativeFilePath(store.filePath("Modelli")));
  report->LoadFromFile("resi.kvf");
  EXPECT_TRUE(Loaded());
  EXPECT_EQ(QDir::currentPath(), here);

  // Found nowhere: the message names the report and the file, and the
  // folder is still the caller's.
  report->ClearReport();
  try {
    report->LoadFromFile("manca");
    FAIL() << "a missing file loaded";
  } catch (const EkvReportError &e) {
    EXPECT_EQ(e.Message(), QString::fromUtf8("Si è tentato di caricare da disco il report 'Stampe.Elenco'. \r\nMa il "
                                             "file 'manca.kvf' è inesistente"));
  }
  EXPECT_EQ(QDir::currentPath(), here);
  // A damaged file found beside the program leaves the folder as well.
  QFile damaged(store.filePath("Modelli/rotto.kvf"));
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
  damaged.write("\x1b\x00\x00", 3);
  damaged.close();
  EXPECT_THROW(report->LoadFromFile("rotto"), EkvTemplateError);
  EXPECT_EQ(QDir::currentPath(), here);
}

TEST_F(TemplateFiles, AutoLoadLoadsClearsAndReloadsAChangedFile) {
  Rows(&owner, "Righe", 1);
  report->SetAutoLoad(store.filePath("giacenze"));
  EXPECT_TRUE(Loaded());
  // The file changes on disk: the next preparation reads it again.
  TkvReport other;
  AddMemo(other.Pages().Page(0), 10, 10, 100, 20, QStringLiteral("Altro"));
  AddMemo(other.Pages().Page(0), 10, 40, 100, 20, QStringLiteral("Ancora"));
  other.SaveToFile(store.filePath("giacenze.kvf"));
  QFile file(store.filePath("giacenze.kvf"));
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  file.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime);
  file.close();
  report->SetShowProgress(false);
  ASSERT_TRUE(report->PrepareReport());
  EXPECT_EQ(report->EMFPages().Page(0)->Texts(), QStringList({"Altro", "Ancora"}));

  report->SetAutoLoad(QString());
  EXPECT_FALSE(Loaded());
  EXPECT_EQ(report->Pages().Count(), 1);
}

TEST_F(TemplateFiles, AFailedSaveSaysSoAndKeepsTheName) {
  report->SaveToFile(store.filePath("giacenze"));
  try {
    report->SaveToFile(store.filePath("manca/giacenze"));
    FAIL() << "saved into a missing folder";
  } catch (const EkvReportError &e) {
    EXPECT_EQ(e.Message(), QString::fromUtf8("Si è verificato un errore durante la fase di salvataggio del report"));
  }
  EXPECT_EQ(report->FileName(), "giacenze.kvf");
  EXPECT_EQ(report->FilePath(), QFileInfo(store.filePath("giacenze.kvf")).absoluteFilePath());
  report->ForgetFile();
  EXPECT_EQ(report->FileName(), QString());
  EXPECT_EQ(report->FilePath(), QString());
}

TEST_F(ComponentTest, ObjectsOfAReportHaveNamesOfTheirOwnAndBandsSpanTheirPage) {
  TkvPage *first = report->Pages().Page(0);
  TkvPage *second = report->Pages().AddPage();
  second->Orientation = 1;
  TkvMemoView *a = AddMemo(first, 10, 10, 100, 20, QStringLiteral("a"));
  TkvMemoView *b = AddMemo(second, 10, 10, 100, 20, QStringLiteral("b"));
  EXPECT_EQ(a->Name, QStringLiteral("Memo1"));
  EXPECT_EQ(b->Name, QStringLiteral("Memo2"));
  EXPECT_FALSE(SetViewName(b, QStringLiteral("memo1")));  // another object has it
  EXPECT_EQ(b->Name, QStringLiteral("Memo2"));
  TkvBandView *band = second->AddBand(btPageHeader, 0, 40);
  band->dx = 10;
  vcl::TBitmap bitmap(10, 10);
  band->Draw(bitmap.Canvas());
  EXPECT_EQ(band->dx, second->WidthPixels());
  EXPECT_GT(second->WidthPixels(), first->WidthPixels());
}

TEST_F(ComponentTest, TheVariableListIsStoredAsTheFormsDataProperty) {
  EXPECT_FALSE(report->HasVariablesData());
  report->Variables().AssignStrings(QStringList{"Totali", " Pagato", QString::fromUtf8(" Città €"), "Vuota"});
  ASSERT_TRUE(report->HasVariablesData());
  rtl::TMemoryStream stream;
  report->WriteVariablesData(stream);
  EXPECT_EQ(stream.Bytes().left(4), QByteArray("\x04\0\0\0", 4));
  EXPECT_EQ(stream.Bytes().mid(4, 7), QByteArray("\x06Totali"));
  TkvReport copy;
  stream.SetPosition(0);
  copy.ReadVariablesData(stream);
  EXPECT_EQ(copy.Variables().Text(), report->Variables().Text());
  // A count the bytes cannot hold, or lines cut short, change nothing.
  for (const QByteArray &bad : {QByteArray("\xff\xff\xff\x7f", 4), QByteArray("\x02\0\0\0\x03"
                                                                              "abc\x05"
                                                                              "ab",
                                                                              11)}) {
    rtl::TMemoryStream damaged;
    damaged.SetBytes(bad);
    EXPECT_THROW(copy.ReadVariablesData(damaged), rtl::EReadError);
    EXPECT_EQ(copy.Variables().Text(), report->Variables().Text());
  }
}

// ---- properties -------------------------------------------------------------------

TEST_F(ComponentTest, PublishedPropertiesHaveTheirDefaults) {
  TkvReport fresh;
  EXPECT_TRUE(fresh.ShowProgress());
  EXPECT_TRUE(fresh.DisableDataSetControls());
  EXPECT_TRUE(fresh.ModalPreview());
  EXPECT_TRUE(fresh.Scaled());
  EXPECT_TRUE(fresh.DesignerOptions().Contains(doSaveConfirm));
  EXPECT_EQ(fresh.PixelsPerInch(), 96);
  EXPECT_TRUE(fresh.PrintToDefault());
  EXPECT_FALSE(fresh.DoublePass());
  EXPECT_EQ(fresh.Pages().Count(), 1);
  QStringList names;
  for (const vcl::TPropInfo *p : vcl::GetPropList(&fresh)) names << p->Name;
  const QStringList expected = {
      "ShowProgress",    "TemplateDir",   "Title",         "Values",       "DisableDataSetControls",
      "ModalPreview",    "ReportDir",     "AutoLoad",      "PathFromExe",  "Scaled",
      "DesignerOptions", "OnDataSetWork", "OnBeforePrint", "OnAfterPrint", "OnBeginDoc",
      "OnEndDoc",        "OnBeginPage",   "OnEndPage",     "OnGetValue",   "OnUserFunction",
      "OnProgress",      "OnDrawObject"};
  for (const QString &name : expected) EXPECT_TRUE(names.contains(name)) << name.toStdString();
  EXPECT_LT(names.indexOf("ShowProgress"), names.indexOf("DesignerOptions"));
}

TEST_F(ComponentTest, FindObjectAndLinkDataSetToBand) {
  TkvPage *second = report->Pages().AddPage();
  TkvBandView *band = second->AddBand(btMasterData, 40, 20);
  band->Name = "Righe";
  second->AddBand(btPageHeader, 0, 20)->Name = "Testa";
  EXPECT_EQ(report->FindObject("RIGHE"), band);
  EXPECT_EQ(report->FindObject("Nessuno"), nullptr);

  auto *first = new TkvDataset(nullptr);
  first->SetName("Prima");
  report->LinkDataSetToBand("righe", first);
  EXPECT_EQ(band->FormatStr, "Prima");
  EXPECT_EQ(report->FindDataset("Prima"), first);
  // Linking the band to its own source again keeps it.
  report->LinkDataSetToBand("Righe", first);
  EXPECT_EQ(report->FindDataset("Prima"), first);
  EXPECT_EQ(first->Name(), "Prima");
  // Another source replaces it; the report's own is freed.
  bool freed = false;
  struct Gone : vcl::TComponent {
    bool *flag;
    explicit Gone(bool *f) : flag(f) {}
    void Notification(vcl::TComponent *c, vcl::TOperation op) override {
      vcl::TComponent::Notification(c, op);
      if (op == vcl::opRemove) *flag = true;
    }
  } gone(&freed);
  first->FreeNotification(&gone);
  TkvDataset *second_source = Rows(&owner, "Seconda", 2);
  report->LinkDataSetToBand("Righe", second_source);
  EXPECT_TRUE(freed);
  EXPECT_EQ(report->FindDataset("Prima"), nullptr);
  EXPECT_EQ(band->FormatStr, "Seconda");

  try {
    report->LinkDataSetToBand("Manca", second_source);
    FAIL();
  } catch (const EkvReportError &e) {
    EXPECT_EQ(e.Message(), QString::fromUtf8("Non è stata trovata la banda: Manca"));
  }
  try {
    report->LinkDataSetToBand("Testa", second_source);
    FAIL();
  } catch (const EkvReportError &e) {
    EXPECT_EQ(e.Message(), QString::fromUtf8("Non si può collegare un kvDataset ad un oggetto che non sia una banda."));
  }
}

TEST_F(ComponentTest, ADeletedDataBandTakesItsOwnRecordSourceWithIt) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  TkvPage *page = report->Pages().Page(0);
  auto internal = [&](const QString &name) {
    auto *source = new TkvDataset(nullptr);
    source->SetName(name);
    report->AddDataset(source);
  };
  internal("Righe");
  internal("Dettagli");
  TkvDataset *shared = Rows(&owner, "Comune", 3);
  report->AddDataset(shared);
  page->AddBand(btMasterData, 40, 20)->FormatStr = "Righe";
  page->AddBand(btDetailData, 80, 20)->FormatStr = "Dettagli";
  page->AddBand(btSubDetailData, 120, 20)->FormatStr = "Comune";
  page->AddBand(btTableData, 160, 20)->FormatStr = "Dettagli";
  AddMemo(page, 40, 40, 100, 20, "[LINE#]");
  const QString file = dir.filePath("elenco.kvf");

  // Deleting bands as the designer does: out of the page's list.
  auto remove = [&](int type) {
    auto &views = page->Views;
    views.erase(
        std::remove_if(views.begin(), views.end(),
                       [&](const std::unique_ptr<TkvView> &v) { return v->Typ == gtBand && v->FrameTyp == type; }),
        views.end());
  };
  remove(btMasterData);
  remove(btSubDetailData);
  remove(btDetailData);  // the table band still names its source
  EXPECT_EQ(report->FindDataset("Righe"), nullptr);
  EXPECT_EQ(report->FindDataset("Comune"), nullptr);
  EXPECT_EQ(shared->Owner(), &owner);  // let go, not freed
  ASSERT_NE(report->FindDataset("Dettagli"), nullptr);
  report->SaveToFile(file);

  auto read_back = [&] {
    TkvReport copy(&owner);
    copy.LoadFromFile(file);
    QStringList names;
    for (int i = 0; i < copy.DatasetCount(); ++i) names << copy.Dataset(i)->Name();
    return names;
  };
  EXPECT_EQ(read_back(), QStringList({"Dettagli"}));
  remove(btTableData);
  EXPECT_EQ(report->DatasetCount(), 0);
  report->SaveToFile(file);
  EXPECT_EQ(read_back(), QStringList());

  // Loading a template over the report releases nothing of what it reads.
  internal("Righe");
  page->AddBand(btMasterData, 40, 20)->FormatStr = "Righe";
  report->SaveToFile(file);
  report->LoadFromFile(file);
  EXPECT_NE(report->FindDataset("Righe"), nullptr);
  // Nor do pages cleared as a whole (the designer does so before it reads
  // its snapshot back); a page deleted takes its bands' sources.
  report->Pages().Clear();
  EXPECT_NE(report->FindDataset("Righe"), nullptr);
  report->Pages().AddPage()->AddBand(btMasterData, 40, 20)->FormatStr = "Righe";
  report->Pages().AddPage();
  report->Pages().Delete(0);
  EXPECT_EQ(report->FindDataset("Righe"), nullptr);
}

// ---- the designer slot ---------------------------------------------------------------

// A designer that records what the engine asks of it and closes at once,
// having done what `work` does while it is open.
class FakeDesigner : public TkvReportDesigner {
 public:
  FakeDesigner(TkvReport *report, QStringList *log, std::function<void()> work)
      : TkvReportDesigner(nullptr), report_(report), log_(log), work_(std::move(work)) {
    OnShow = [this](rtl::TObject *) {
      log_->append(QStringLiteral("open ") + (KvCurrentDesigner() == this ? "current" : "not current"));
      if (work_) work_();
      SetModalResult(vcl::mrOk);
    };
  }
  void ClearUndo() override { log_->append("ClearUndo"); }
  void AddPaletteButton(const vcl::TBitmap *, const QString &hint, int tag) override {
    log_->append(QStringLiteral("button %1 %2").arg(hint).arg(tag));
  }
  void AfterChange() override { log_->append("AfterChange"); }

 private:
  TkvReport *report_;
  QStringList *log_;
  std::function<void()> work_;
};

class DesignerSlot : public ComponentTest {
 protected:
  void TearDown() override {
    KvDesignerFormClass() = nullptr;
    ComponentTest::TearDown();
  }
  QStringList log;
};

TEST_F(DesignerSlot, WithoutADesignerNothingOpens) {
  report->Pages().Clear();
  report->DesignReport();
  EXPECT_EQ(report->Pages().Count(), 1);
  EXPECT_EQ(KvCurrentDesigner(), nullptr);
}

TEST_F(DesignerSlot, TheDesignerIsAskedForButtonsUndoAndChanges) {
  QTemporaryDir dir;
  RegisterShapeObject();
  TkvReport *made_for = nullptr;
  KvDesignerFormClass() = [&](TkvReport *r) {
    made_for = r;
    return std::make_unique<FakeDesigner>(r, &log, [&] {
      report->SaveToFile(dir.filePath("modello"));
      report->LoadFromFile(dir.filePath("modello"));
      kvEngine().DesignerModified();
    });
  };
  report->DesignReport();
  EXPECT_EQ(made_for, report);
  QStringList expected;
  // The palette's tags of the add-ins follow the type code of add-ins.
  for (int i = 0; i < AddInCount(); ++i) expected << QStringLiteral("button %1 %2").arg(AddIn(i).Hint).arg(gtAddIn + i);
  expected << "open current"
           << "ClearUndo"
           << "ClearUndo"
           << "AfterChange";
  EXPECT_EQ(log, expected);
  EXPECT_EQ(KvCurrentDesigner(), nullptr);
  EXPECT_FALSE(static_cast<bool>(kvEngine().DesignerModified));
  // Without a designer open, loading asks nothing.
  log.clear();
  report->LoadFromFile(dir.filePath("modello"));
  EXPECT_TRUE(log.isEmpty());
}

}  // namespace
