// Form placement and property storage against ini files in a temporary
// folder: what a save writes, what a restore applies, stored properties of
// every kind and stored values, and the form events that drive them.
#include <gtest/gtest.h>
#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "controls/extended/apputils.h"
#include "controls/extended/mwprops.h"
#include "controls/extended/placemnt.h"
#include "platform/rtl/collection.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/registry.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"

using namespace vcl;
using namespace ext;

namespace {

struct PlacementFixture : ::testing::Test {
  QTemporaryDir dir;
  QString ini;
  std::unique_ptr<TForm> form;
  TEdit *edit = nullptr;
  TMemo *memo = nullptr;
  TLabel *label = nullptr;

  void SetUp() override {
    InitApplication();
    ASSERT_TRUE(dir.isValid());
    ini = dir.filePath("orbiscacfg.ini");
    form = std::make_unique<TForm>(nullptr);
    form->SetName("Maint");
    form->SetBounds(30, 40, 320, 200);
    edit = new TEdit(form.get());
    edit->SetName("Edit1");
    edit->SetParent(form.get());
    memo = new TMemo(form.get());
    memo->SetName("Memo1");
    memo->SetParent(form.get());
    label = new TLabel(form.get());
    label->SetName("Label1");
    label->SetParent(form.get());
  }
  void TearDown() override {
    form.reset();
    QCoreApplication::processEvents();
  }

  TFormStorage *NewStorage(const QString &section = "Orbisca") {
    auto *storage = new TFormStorage(form.get());
    storage->SetIniFileName(ini);
    storage->SetIniSection(section);
    return storage;
  }
  QString Read(const QString &key, const QString &section = "Orbisca") const {
    return rtl::TIniFile(ini).ReadString(section, key, "<none>");
  }
  void Write(const QString &key, const QString &value, const QString &section = "Orbisca") const {
    rtl::TIniFile(ini).WriteString(section, key, value);
  }
};

}  // namespace

TEST_F(PlacementFixture, SaveIsRefusedUntilARestoreHasHappened) {
  TFormStorage *storage = NewStorage();
  storage->SavePlacementToStorage();
  EXPECT_FALSE(QFile::exists(ini));
  EXPECT_FALSE(storage->IsSaved());

  storage->RestorePlacementFromStorage();
  storage->SavePlacementToStorage();
  EXPECT_TRUE(storage->IsSaved());
  EXPECT_EQ(Read("FormVersion"), "0");
  EXPECT_EQ(Read("Flags"), "0");
  EXPECT_EQ(Read("ShowCmd"), "1");
  EXPECT_EQ(Read("PixelsPerInch"), "96");
  EXPECT_EQ(Read("NormPos"), "30,40,350,240");
  EXPECT_EQ(Read("NormPos" + ScreenSizeSuffix()), "30,40,350,240");
  EXPECT_NE(Read("MinMaxPos"), "<none>");
  EXPECT_EQ(Read("Visible"), "0");
  EXPECT_EQ(Read("ShowCmd" + ScreenSizeSuffix()), "<none>") << "only the positions get the suffix";

  // An inactive component saves whenever it is asked.
  auto *other = NewStorage("Other");
  other->SetActive(false);
  other->SavePlacementToStorage();
  EXPECT_EQ(Read("NormPos", "Other"), "30,40,350,240");
}

TEST_F(PlacementFixture, RestoreAppliesPositionAndStateByOptions) {
  TFormStorage *storage = NewStorage();
  storage->RestorePlacementFromStorage();
  storage->SavePlacementToStorage();
  form->SetBounds(0, 0, 100, 100);
  storage->RestorePlacementFromStorage();
  EXPECT_EQ(form->BoundsRect(), Rect(30, 40, 350, 240));

  Write("ShowCmd", "3");
  storage->RestorePlacementFromStorage();
  EXPECT_EQ(form->WindowState(), wsMaximized);
  form->SetWindowState(wsNormal);

  // With no options only the stored properties and values come back.
  storage->SetOptions({});
  form->SetBounds(5, 5, 100, 100);
  storage->RestorePlacementFromStorage();
  EXPECT_EQ(form->BoundsRect(), Rect(5, 5, 105, 105));
  EXPECT_EQ(form->WindowState(), wsNormal);
  // ...while a save still writes every placement key.
  storage->SavePlacementToStorage();
  EXPECT_EQ(Read("NormPos"), "5,5,105,105");
}

TEST_F(PlacementFixture, PositionKeysAreChosenAndCheckedBeforeUse) {
  TFormStorage *storage = NewStorage();
  Write("NormPos", "1,2,201,102");
  Write("NormPos" + ScreenSizeSuffix(), "10,20,210,120");
  storage->RestorePlacementFromStorage();
  EXPECT_EQ(form->BoundsRect(), Rect(10, 20, 210, 120)) << "this screen's key wins";

  rtl::TIniFile(ini).DeleteKey("Orbisca", "NormPos" + ScreenSizeSuffix());
  storage->RestorePlacementFromStorage();
  EXPECT_EQ(form->BoundsRect(), Rect(1, 2, 201, 102));

  // Another resolution: position and size stay, the state still comes back.
  Write("NormPos", "50,50,90,90");
  Write("PixelsPerInch", "120");
  Write("ShowCmd", "3");
  storage->RestorePlacementFromStorage();
  EXPECT_EQ(form->BoundsRect(), Rect(1, 2, 201, 102));
  EXPECT_EQ(form->WindowState(), wsMaximized);
  form->SetWindowState(wsNormal);

  // Damaged numbers fall back to the form's own; an empty rectangle is not
  // applied.
  Write("PixelsPerInch", "96");
  Write("NormPos", "7,x,300");
  storage->RestorePlacementFromStorage();
  EXPECT_EQ(form->BoundsRect(), Rect(7, 2, 300, 102));
  // Nor are a rectangle without height or one far larger than the screen.
  for (const char *damaged : {"100,100,50,50", "10,10,200,5", "0,0,2000000,2000000"}) {
    Write("NormPos", damaged);
    storage->RestorePlacementFromStorage();
    EXPECT_EQ(form->BoundsRect(), Rect(7, 2, 300, 102)) << damaged;
  }
}

TEST_F(PlacementFixture, FixedBorderFormMovesButKeepsItsSize) {
  form->SetBorderStyle(bsDialog);
  form->SetPosition(poScreenCenter);
  TFormStorage *storage = NewStorage();
  Write("NormPos", "60,70,900,900");
  storage->RestorePlacementFromStorage();
  EXPECT_EQ(form->BoundsRect(), Rect(60, 70, 380, 270));
  EXPECT_EQ(form->Position(), poDesigned) << "centring on show would undo the position";
  EXPECT_FALSE(form->IsDesigning());
}

TEST_F(PlacementFixture, LowerStoredVersionRestoresNothingButAllowsTheNextSave) {
  TFormStorage *storage = NewStorage();
  storage->SetVersion(2);
  Write("FormVersion", "1");
  Write("NormPos", "10,20,210,120");
  bool restored_event = false;
  storage->OnRestorePlacement = [&](rtl::TObject *) { restored_event = true; };
  storage->RestorePlacementFromStorage();
  EXPECT_EQ(form->BoundsRect(), Rect(30, 40, 350, 240));
  EXPECT_FALSE(restored_event);
  EXPECT_TRUE(storage->IsRestored());
  storage->SavePlacementToStorage();
  EXPECT_EQ(Read("FormVersion"), "2");
  EXPECT_EQ(Read("NormPos"), "30,40,350,240");
}

TEST_F(PlacementFixture, QuotedValuesSurviveTheIniFile) {
  TFormStorage *storage = NewStorage();
  for (const QString &value :
       {QString("plain"), QString("\"double\""), QString("'single'"), QString("\"half"), QString("\"")}) {
    storage->WriteSectionString("Key", value);
    EXPECT_EQ(storage->ReadSectionString("Key", QString()), value);
  }
  storage->WriteSectionString("Key", "'single'");
  EXPECT_TRUE(rtl::TIniFile(ini).ReadString("Orbisca", "Key", "").startsWith("'"));
}

TEST_F(PlacementFixture, StoredPropertiesOfEveryKindRoundTrip) {
  TFormStorage *storage = NewStorage();
  for (const char *line : {"Edit1.Text", "Edit1.CharCase", "Edit1.Font", "Memo1.Lines", "Label1.FocusControl",
                           "Edit1.NoSuchProperty", "Missing.Text", "bad"})
    storage->StoredProps()->Add(line);
  storage->ResolveStoredProps();
  EXPECT_EQ(storage->StoredProps()->Count(), 6);

  edit->SetText("EDICOLA CENTRALE");
  edit->SetCharCase(ecUpperCase);
  edit->Font()->SetStyle({fsBold, fsUnderline});
  memo->Lines()->Add("riga 1");
  memo->Lines()->Add("riga 2");
  label->SetFocusControl(edit);
  storage->RestorePlacementFromStorage();
  storage->SavePlacementToStorage();
  EXPECT_EQ(Read("Edit1_Text"), "EDICOLA CENTRALE");
  EXPECT_EQ(Read("Edit1_CharCase"), "ecUpperCase");
  EXPECT_EQ(Read("Edit1_FontStyle"), "[fsBold,fsUnderline]");
  EXPECT_EQ(Read("Count", "Orbisca.Memo1_Lines"), "2");
  EXPECT_EQ(Read("Item1", "Orbisca.Memo1_Lines"), "riga 2");
  EXPECT_EQ(Read("Label1_FocusControl"), "Edit1");

  edit->SetText("");
  edit->SetCharCase(ecNormal);
  edit->Font()->SetStyle({});
  memo->Lines()->Clear();
  label->SetFocusControl(nullptr);
  Write("Edit1_FontStyle", " [ fsbold , fsUnderline, fsNothing ] ");
  storage->RestorePlacementFromStorage();
  EXPECT_EQ(edit->Text(), "EDICOLA CENTRALE");
  EXPECT_EQ(edit->CharCase(), ecUpperCase);
  EXPECT_EQ(edit->Font()->Style(), TFontStyles({fsBold, fsUnderline}));
  EXPECT_EQ(memo->Lines()->Count(), 2);
  EXPECT_EQ(label->FocusControl(), edit);

  // An empty list erases its sub-section, and restoring it changes nothing.
  memo->Lines()->Clear();
  storage->SavePlacementToStorage();
  EXPECT_FALSE(rtl::TIniFile(ini).SectionExists("Orbisca.Memo1_Lines"));
  memo->Lines()->Add("kept");
  storage->RestorePlacementFromStorage();
  EXPECT_EQ(memo->Lines()->Count(), 1);

  // A damaged line count reads only the lines that are there.
  Write("Count", "2000000000", "Orbisca.Memo1_Lines");
  Write("Item0", "sola", "Orbisca.Memo1_Lines");
  storage->RestorePlacementFromStorage();
  EXPECT_EQ(memo->Lines()->Count(), 1);
  EXPECT_EQ(memo->Lines()->Strings(0), "sola");

  // Values that do not fit leave their property alone.
  Write("Edit1_CharCase", "ecSideways");
  storage->RestorePlacementFromStorage();
  EXPECT_EQ(edit->CharCase(), ecUpperCase);
}

TEST_F(PlacementFixture, ComponentReferencesAcrossForms) {
  auto other = std::make_unique<TForm>(nullptr);
  other->SetName("Archivio");
  auto *far_edit = new TEdit(other.get());
  far_edit->SetName("Codice");
  far_edit->SetParent(other.get());

  TFormStorage *storage = NewStorage();
  storage->StoredProps()->Add("Label1.FocusControl");
  storage->ResolveStoredProps();
  storage->RestorePlacementFromStorage();
  label->SetFocusControl(far_edit);
  storage->SavePlacementToStorage();
  EXPECT_EQ(Read("Label1_FocusControl"), "Archivio.Codice");

  label->SetFocusControl(nullptr);
  storage->RestorePlacementFromStorage();
  EXPECT_EQ(label->FocusControl(), far_edit);

  Write("Label1_FocusControl", "(NULL)");
  storage->RestorePlacementFromStorage();
  EXPECT_EQ(label->FocusControl(), nullptr);

  label->SetFocusControl(edit);
  Write("Label1_FocusControl", "NoForm.Codice");
  storage->RestorePlacementFromStorage();
  EXPECT_EQ(label->FocusControl(), edit) << "an unknown form changes nothing";

  label->SetFocusControl(nullptr);
  storage->SavePlacementToStorage();
  EXPECT_EQ(Read("Label1_FocusControl"), "(null)");
}

TEST_F(PlacementFixture, FreedComponentTakesItsLinesWithIt) {
  TFormStorage *storage = NewStorage();
  storage->StoredProps()->Add("Edit1.Text");
  storage->StoredProps()->Add("Memo1.Lines");
  storage->ResolveStoredProps();
  delete edit;
  ASSERT_EQ(storage->StoredProps()->Count(), 1);
  EXPECT_EQ(storage->StoredProps()->Strings(0), "Memo1.Lines");

  // A renamed component is saved under its new name.
  memo->SetName("Note");
  memo->Lines()->Add("x");
  storage->RestorePlacementFromStorage();
  storage->SavePlacementToStorage();
  EXPECT_EQ(storage->StoredProps()->Strings(0), "Note.Lines");
  EXPECT_EQ(Read("Count", "Orbisca.Note_Lines"), "1");
}

TEST_F(PlacementFixture, StoredValuesWithEventsAndScrambling) {
  TFormStorage *storage = NewStorage();
  TStoredValue *plain = storage->StoredValues()->Add();
  plain->SetName("Cartella");
  plain->SetValue(rtl::Variant("C:\\dati"));
  TStoredValue *secret = storage->StoredValues()->Add();
  secret->SetName("Password");
  secret->SetKeyString("k3y");
  secret->SetValue(rtl::Variant("edicola"));
  plain->OnSave = [](rtl::TObject *, rtl::Variant &v) { v = rtl::Variant(v.AsString() + "\\"); };
  EXPECT_THROW(secret->SetName("cartella"), rtl::EStringListError);

  storage->RestorePlacementFromStorage();
  storage->SavePlacementToStorage();
  EXPECT_EQ(Read("Cartella"), "C:\\dati\\");
  EXPECT_NE(Read("Password"), "edicola");
  EXPECT_EQ(Read("Password").size(), 14) << "two hex digits a character";

  storage->SetStoredValue("Password", rtl::Variant(""));
  QString restored_seen;
  secret->OnRestore = [&](rtl::TObject *, rtl::Variant &v) { restored_seen = v.AsString(); };
  storage->RestorePlacementFromStorage();
  EXPECT_EQ(restored_seen, "edicola");
  EXPECT_EQ(storage->StoredValue("password").AsString(), "edicola");
  EXPECT_TRUE(storage->StoredValue("Nessuno").IsEmpty());
}

TEST_F(PlacementFixture, FormEventsRestoreOnShowAndSaveOnCloseAndDestroy) {
  QStringList calls;
  form->OnShow = [&](rtl::TObject *) { calls << "show"; };
  form->OnCloseQuery = [&](rtl::TObject *, bool &) { calls << "closequery"; };
  form->OnDestroy = [&](rtl::TObject *) { calls << "destroy"; };
  Write("NormPos", "11,12,311,212");
  TFormStorage *storage = NewStorage();
  storage->BeginLoading();
  storage->Loaded();

  storage->SetOptions({fpPosition, fpState, fpActiveControl});
  form->Show();
  EXPECT_EQ(form->BoundsRect(), Rect(11, 12, 311, 212));
  form->SetBounds(20, 20, 300, 200);
  form->SetActiveControl(memo);
  EXPECT_TRUE(form->CloseQuery());
  EXPECT_EQ(Read("NormPos"), "20,20,320,220");
  EXPECT_EQ(Read("Visible"), "0");
  EXPECT_EQ(Read("ActiveControl"), "Memo1");

  // The control that had the focus gets it back; a name that is no control
  // changes nothing.
  form->SetActiveControl(edit);
  storage->RestorePlacementFromStorage();
  EXPECT_EQ(form->ActiveControl(), memo);
  Write("ActiveControl", "Storage");
  form->SetActiveControl(edit);
  storage->RestorePlacementFromStorage();
  EXPECT_EQ(form->ActiveControl(), edit);

  // Restored again: the destroy saves, marking the form as having been open.
  storage->RestorePlacementFromStorage();
  form.reset();
  EXPECT_EQ(Read("Visible"), "1");
  EXPECT_EQ(calls, QStringList({"show", "closequery", "destroy"}));
}

TEST_F(PlacementFixture, PlacementFreedBeforeItsFormGivesTheEventsBack) {
  QStringList calls;
  form->OnShow = [&](rtl::TObject *) { calls << "show"; };
  TFormStorage *storage = NewStorage();
  storage->BeginLoading();
  storage->Loaded();
  delete storage;
  form->Show();
  EXPECT_EQ(calls, QStringList({"show"}));
  EXPECT_FALSE(QFile::exists(ini));
}

TEST_F(PlacementFixture, PreventResizeFixesTheSizeAndDropsTheMaximizeIcon) {
  form->Handle()->setMinimumSize(12, 12);
  TFormStorage *storage = NewStorage();
  storage->BeginLoading();
  storage->Loaded();
  EXPECT_EQ(form->Handle()->minimumSize(), QSize(12, 12)) << "no limits of its own, none changed";
  storage->SetPreventResize(true);
  EXPECT_FALSE(form->BorderIcons().Contains(biMaximize));
  EXPECT_TRUE(storage->WindowHook()->Active());
  form->Show();
  EXPECT_EQ(form->Handle()->minimumSize(), QSize(320, 200));
  EXPECT_EQ(form->Handle()->maximumSize(), QSize(320, 200));

  storage->SetPreventResize(false);
  EXPECT_TRUE(form->BorderIcons().Contains(biMaximize));
  EXPECT_FALSE(storage->WindowHook()->Active());
  EXPECT_EQ(form->Handle()->minimumSize(), QSize(0, 0));

  // Limits of their own, only for the values that are set.
  storage->MinMaxInfo()->SetMinTrackWidth(150);
  storage->MinMaxInfo()->SetMaxTrackHeight(400);
  EXPECT_EQ(form->Handle()->minimumSize(), QSize(150, 0));
  EXPECT_EQ(form->Handle()->maximumSize().height(), 400);
  TMinMaxInfo info;
  info.MaxSize = {640, 480};
  form->SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.MaxSize.X, 640);
  EXPECT_EQ(info.MinTrackSize.X, 150);
}

TEST_F(PlacementFixture, RegistryKeyInsteadOfIniFile) {
  const QString saved = rtl::TRegistry::BaseFolder();
  rtl::TRegistry::SetBaseFolder(dir.filePath("registry"));
  TFormStorage *storage = NewStorage();
  storage->SetUseRegistry(true);
  storage->SetIniFileName("Software\\Orbisca");
  edit->SetText("nel registro");
  storage->StoredProps()->Add("Edit1.Text");
  storage->ResolveStoredProps();
  storage->RestorePlacementFromStorage();
  storage->SavePlacementToStorage();
  edit->SetText("");
  form->SetBounds(0, 0, 50, 50);
  storage->RestorePlacementFromStorage();
  EXPECT_EQ(edit->Text(), "nel registro");
  EXPECT_EQ(form->BoundsRect(), Rect(30, 40, 350, 240));
  EXPECT_FALSE(QFile::exists(ini));
  rtl::TRegistry::SetBaseFolder(saved);
}

TEST_F(PlacementFixture, DefaultNames) {
  EXPECT_EQ(DefaultSectionName(form.get()), "TForm");
  EXPECT_EQ(DefaultSectionName(edit), "TFormEdit1");
  auto *storage = new TFormStorage(form.get());
  storage->SetName("Storage1");
  EXPECT_EQ(DefaultSectionName(storage), "TForm.Storage1");
  EXPECT_EQ(storage->IniSection(), "TForm");
  EXPECT_TRUE(storage->IniFileName().endsWith(".INI"));
  EXPECT_EQ(storage->Options(), TPlacementOptions({fpState, fpPosition}));
  TFormPlacement loose(nullptr);
  EXPECT_EQ(loose.Options(), TPlacementOptions());

  RegistrySubKey = "Impostazioni";
  EXPECT_TRUE(DefaultRegistryKey().startsWith("Software\\"));
  EXPECT_TRUE(DefaultRegistryKey().endsWith("\\Impostazioni"));
  RegistrySubKey.clear();
}

namespace {

// A component with one published property of each kind the storage writes
// as a plain value.
class TStoredSample : public TComponent {
  ORBISCA_CLASS(TStoredSample, TComponent)
 public:
  using TComponent::TComponent;
  double Price() const { return price_; }
  void SetPrice(double v) { price_ = v; }
  float Ratio() const { return ratio_; }
  void SetRatio(float v) { ratio_ = v; }
  QChar Mark() const { return mark_; }
  void SetMark(QChar v) { mark_ = v; }
  qint64 Big() const { return big_; }
  void SetBig(qint64 v) { big_ = v; }
  int Count() const { return count_; }
  void SetCount(int v) { count_ = v; }
  rtl::Variant Extra() const { return extra_; }
  void SetExtra(const rtl::Variant &v) { extra_ = v; }
  bool Flag() const { return flag_; }
  void SetFlag(bool v) { flag_ = v; }

 private:
  double price_ = 0;
  float ratio_ = 0;
  QChar mark_;
  qint64 big_ = 0;
  int count_ = 0;
  rtl::Variant extra_;
  bool flag_ = false;
};

ORBISCA_PUBLISHED(TStoredSample, TComponent) {
  p.Property("Price", &TStoredSample::Price, &TStoredSample::SetPrice);
  p.Property("Ratio", &TStoredSample::Ratio, &TStoredSample::SetRatio);
  p.Property("Mark", &TStoredSample::Mark, &TStoredSample::SetMark);
  p.Property("Big", &TStoredSample::Big, &TStoredSample::SetBig);
  p.Property("Count", &TStoredSample::Count, &TStoredSample::SetCount);
  p.Property("Extra", &TStoredSample::Extra, &TStoredSample::SetExtra);
  p.Property("Flag", &TStoredSample::Flag, &TStoredSample::SetFlag);
}

// A component with a collection of columns, each with published
// properties of its own.
class TColumnItem : public rtl::TCollectionItem {
  ORBISCA_CLASS(TColumnItem, rtl::TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  int Width() const { return width_; }
  void SetWidth(int v) { width_ = v; }
  QString Title() const { return title_; }
  void SetTitle(const QString &v) { title_ = v; }

 private:
  int width_ = 64;
  QString title_;
};

ORBISCA_PUBLISHED(TColumnItem, TCollectionItem) {
  p.Property("Width", &TColumnItem::Width, &TColumnItem::SetWidth);
  p.Property("Title", &TColumnItem::Title, &TColumnItem::SetTitle);
}

class TColumnItems : public rtl::TCollection {
  ORBISCA_CLASS(TColumnItems, rtl::TCollection)
 public:
  TColumnItems() : TCollection([](rtl::TCollection *c) { return new TColumnItem(c); }) {}
  ~TColumnItems() override { Clear(); }
  TColumnItem *Column(int i) const { return static_cast<TColumnItem *>(Items(i)); }
  int Updates() const { return updates_; }

 protected:
  void Update(rtl::TCollectionItem *) override { ++updates_; }

 private:
  int updates_ = 0;
};

class TColumnsSample : public TComponent {
  ORBISCA_CLASS(TColumnsSample, TComponent)
 public:
  using TComponent::TComponent;
  TColumnItems *Columns() const { return columns_.get(); }
  void SetColumns(const TColumnItems *v) { columns_->Assign(v); }

 private:
  std::unique_ptr<TColumnItems> columns_ = std::make_unique<TColumnItems>();
};

ORBISCA_PUBLISHED(TColumnsSample, TComponent) {
  p.Property("Columns", &TColumnsSample::Columns, &TColumnsSample::SetColumns);
}

}  // namespace

TEST(PropsStorage, CollectionsKeepTheirCountAndEachItemsProperties) {
  QMap<QString, QString> file;
  TPropsStorage storage;
  storage.SetSection("Griglia");
  storage.OnWriteString = [&](const QString &s, const QString &k, const QString &v) { file[s + "/" + k] = v; };
  storage.OnReadString = [&](const QString &s, const QString &k, const QString &def) {
    return file.value(s + "/" + k, def);
  };
  QStringList erased;
  storage.OnEraseSection = [&](const QString &s) { erased << s; };
  TComponent owner(nullptr);
  auto *grid = new TColumnsSample(&owner);
  grid->SetName("Grid");
  for (const auto &[title, width] : {std::pair{"Titolo", 200}, std::pair{"Prezzo", 70}, std::pair{"Giacenza", 50}}) {
    auto *c = static_cast<TColumnItem *>(grid->Columns()->Add());
    c->SetTitle(QLatin1String(title));
    c->SetWidth(width);
  }
  rtl::TStringList lines;
  lines.AddObject("Grid.Columns", grid);
  storage.StorePropertiesOf(&owner, &lines);
  EXPECT_EQ(file["Griglia/Grid_Columns.Count"], "3");
  EXPECT_EQ(file["Griglia.Grid_Columns/Item0_Title"], "Titolo");
  EXPECT_EQ(file["Griglia.Grid_Columns/Item1_Width"], "70");
  EXPECT_EQ(file["Griglia.Grid_Columns/Item2_Title"], "Giacenza");
  EXPECT_TRUE(erased.contains("Griglia.Grid_Columns"));

  // Read back into a grid with another number of columns: made anew, in
  // one update.
  TComponent other(nullptr);
  auto *copy = new TColumnsSample(&other);
  copy->SetName("Grid");
  copy->Columns()->Add();
  const int updates = copy->Columns()->Updates();
  lines.PutObject(0, copy);
  storage.LoadPropertiesOf(&other, &lines);
  ASSERT_EQ(copy->Columns()->Count(), 3);
  EXPECT_EQ(copy->Columns()->Updates(), updates + 1);
  EXPECT_EQ(copy->Columns()->Column(0)->Title(), "Titolo");
  EXPECT_EQ(copy->Columns()->Column(1)->Width(), 70);
  EXPECT_EQ(copy->Columns()->Column(2)->Width(), 50);

  // The same count keeps the items and reads their properties.
  TColumnItem *first = copy->Columns()->Column(0);
  file["Griglia.Grid_Columns/Item0_Width"] = "210";
  storage.LoadPropertiesOf(&other, &lines);
  EXPECT_EQ(copy->Columns()->Column(0), first);
  EXPECT_EQ(first->Width(), 210);

  // A damaged count changes nothing; a missing one keeps the current count.
  for (const char *damaged : {"-1", "molte", "999999999"}) {
    file["Griglia/Grid_Columns.Count"] = damaged;
    storage.LoadPropertiesOf(&other, &lines);
    EXPECT_EQ(copy->Columns()->Count(), 3) << damaged;
  }
  file.remove("Griglia/Grid_Columns.Count");
  storage.LoadPropertiesOf(&other, &lines);
  EXPECT_EQ(copy->Columns()->Count(), 3);
}

TEST(PropsStorage, PlainValuesReadTheSameUnderEveryLocale) {
  QMap<QString, QString> file;
  TPropsStorage storage;
  storage.SetSection("S");
  storage.OnWriteString = [&](const QString &s, const QString &k, const QString &v) { file[s + "/" + k] = v; };
  storage.OnReadString = [&](const QString &s, const QString &k, const QString &def) {
    return file.value(s + "/" + k, def);
  };
  TComponent owner(nullptr);
  auto *sample = new TStoredSample(&owner);
  sample->SetName("Sample");
  sample->SetPrice(1234.5);
  sample->SetRatio(0.1f);
  sample->SetMark(u'€');
  sample->SetBig(9007199254740993LL);
  sample->SetCount(-7);
  sample->SetExtra(rtl::Variant("testo"));
  sample->SetFlag(true);
  rtl::TStringList lines;
  for (const char *p :
       {"Sample.Price", "Sample.Ratio", "Sample.Mark", "Sample.Big", "Sample.Count", "Sample.Extra", "Sample.Flag"})
    lines.AddObject(p, sample);
  storage.StorePropertiesOf(&owner, &lines);
  EXPECT_EQ(file["S/Sample_Price"], "1234.5");
  EXPECT_EQ(file["S/Sample_Ratio"], "0.1");
  EXPECT_EQ(file["S/Sample_Mark"], "€");
  EXPECT_EQ(file["S/Sample_Big"], "9007199254740993");
  EXPECT_EQ(file["S/Sample_Flag"], "True");

  TComponent other_owner(nullptr);
  auto *copy = new TStoredSample(&other_owner);
  copy->SetName("Sample");
  copy->SetPrice(1);  // only a value with a text of its own is read back
  copy->SetRatio(1);
  copy->SetBig(1);
  copy->SetCount(1);
  for (int i = 0; i < lines.Count(); ++i) lines.PutObject(i, copy);
  {
    // Written with "," as the decimal separator, read back with ".".
    rtl::TFormatSettings english = rtl::FormatSettings();
    english.DecimalSeparator = u'.';
    english.ThousandSeparator = u',';
    const rtl::FormatSettingsGuard guard(english);
    storage.LoadPropertiesOf(&other_owner, &lines);
  }
  EXPECT_DOUBLE_EQ(copy->Price(), 1234.5);
  EXPECT_FLOAT_EQ(copy->Ratio(), 0.1f);
  EXPECT_EQ(copy->Mark(), u'€');
  EXPECT_EQ(copy->Big(), 9007199254740993LL);
  EXPECT_EQ(copy->Count(), -7);
  EXPECT_EQ(copy->Extra().AsString(), "testo");
  EXPECT_TRUE(copy->Flag());

  // A number that does not read gives 0 for integers and leaves a float.
  file["S/Sample_Count"] = "molti";
  file["S/Sample_Price"] = "caro";
  storage.LoadPropertiesOf(&other_owner, &lines);
  EXPECT_EQ(copy->Count(), 0);
  EXPECT_DOUBLE_EQ(copy->Price(), 1234.5);
}
