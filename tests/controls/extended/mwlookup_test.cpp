// The lookup combo and list over a periodicity table: what they show and
// keep, the positioning of the shared lookup dataset on every key written,
// and the type-ahead (on a manual clock).
#include <QApplication>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <memory>

#include "controls/extended/mwlookup.h"
#include "controls/extended/timers.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"
// The in-memory dataset of the data-access tests, compiled in here.
#include "tests/platform/vcl/db/memdataset.cpp"

using namespace vcl;
using namespace ext;

namespace {

const QString kLong = "Lunghissima descrizione di prova per la ricerca";

struct Periodi {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  testdb::TMemDataSet *periodo;
  TDataSource *source;
  TMwDBLookupCombo *a;
  TMwDBLookupCombo *b;

  Periodi() {
    form->SetBounds(100, 100, 400, 200);
    periodo = new testdb::TMemDataSet(form.get());
    periodo->AddColumn("Periodo", ftString, 2);
    periodo->AddColumn("Descrizione", ftString, 60);
    periodo->AddColumn("Giorni", ftInteger);
    periodo->AddRow({"S", "Settimanale", 7});
    periodo->AddRow({"Q", "Quindicinale", 15});
    periodo->AddRow({"M", "Mensile", 30});
    periodo->AddRow({"B", "Bimestrale", 60});
    periodo->AddRow({"L", kLong, 1});
    periodo->Open();
    source = new TDataSource(form.get());
    source->SetDataSet(periodo);
    a = Combo(20);
    b = Combo(60);
  }
  TMwDBLookupCombo *Combo(int top) {
    auto *c = new TMwDBLookupCombo(form.get());
    c->SetParent(form.get());
    c->SetBounds(20, top, 145, 21);
    c->SetLookupField("Periodo");
    c->SetLookupDisplay("Descrizione");
    c->SetDisplayEmpty("(tutte)");
    c->SetLookupSource(source);
    return c;
  }
  int Giorni() const { return periodo->FieldByName("Giorni")->AsInteger(); }
  bool Show(TWinControl *focus) {
    form->Show();
    QApplication::setActiveWindow(form->Handle());
    if (!QTest::qWaitForWindowActive(form->Handle())) return false;
    focus->SetFocus();
    return focus->Focused();
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(form->Handle()->windowHandle(), key, mods);
  }
};

}  // namespace

TEST(LookupCombo, ShowsTheDescriptionKeepsTheKeyAndShowsTheEmptyText) {
  Periodi p;
  EXPECT_EQ(p.a->ShownText(), "(tutte)");
  EXPECT_TRUE(p.a->SelectedKeyVariant().IsNull());
  int changes = 0;
  p.a->OnChange = [&](rtl::TObject *) { ++changes; };
  p.a->SetSelectedKey("M");
  EXPECT_EQ(p.a->ShownText(), "Mensile");
  EXPECT_EQ(p.a->SelectedKey(), "M");
  EXPECT_EQ(p.a->SelectedKeyVariant().AsString(), "M");
  EXPECT_EQ(changes, 1);
  p.a->SetSelectedKey("X");  // missing: the combo empties
  EXPECT_EQ(p.a->SelectedKey(), "");
  EXPECT_EQ(p.a->ShownText(), "(tutte)");
  p.a->SetSelectedKey("");
  EXPECT_TRUE(p.a->SelectedKeyVariant().IsNull());
}

TEST(LookupCombo, EveryWriteOfTheKeyPositionsTheSharedDataset) {
  Periodi p;
  p.a->SetSelectedKey("M");
  EXPECT_EQ(p.Giorni(), 30);
  p.b->SetSelectedKey("S");
  EXPECT_EQ(p.Giorni(), 7);
  p.a->SetSelectedKey("M");  // the same key again: the dataset follows
  EXPECT_EQ(p.Giorni(), 30);
  EXPECT_EQ(p.b->ShownText(), "Settimanale");
  p.b->SetSelectedKey("X");
  EXPECT_EQ(p.b->ShownText(), "(tutte)");
}

TEST(LookupCombo, KeysOpenTheListMoveAndAcceptOrClear) {
  Periodi p;
  p.a->SetSelectedKey("Q");
  auto *cancel = new TButton(p.form.get());
  cancel->SetParent(p.form.get());
  cancel->SetCancel(true);
  int cancelled = 0;
  cancel->OnClick = [&](rtl::TObject *) { ++cancelled; };
  int changes = 0;
  p.a->OnChange = [&](rtl::TObject *) { ++changes; };
  ASSERT_TRUE(p.Show(p.a));
  p.Key(Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(p.a->ListVisible());
  EXPECT_TRUE(p.a->Focused());
  p.Key(Qt::Key_Down);
  EXPECT_EQ(p.a->ShownText(), "Mensile");
  EXPECT_EQ(changes, 0);
  p.Key(Qt::Key_Return);
  EXPECT_FALSE(p.a->ListVisible());
  EXPECT_EQ(p.a->SelectedKey(), "M");
  EXPECT_EQ(changes, 1);
  p.Key(Qt::Key_Up);  // closed: the previous record
  EXPECT_EQ(p.a->SelectedKey(), "Q");
  p.Key(Qt::Key_Escape);  // empties
  EXPECT_EQ(p.a->ShownText(), "(tutte)");
  EXPECT_EQ(cancelled, 0);
  p.Key(Qt::Key_Escape);  // and then reaches the cancel button
  EXPECT_EQ(cancelled, 1);
}

TEST(LookupList, TypeAheadForgetsAfterTwoSecondsAndAFullBufferChangesNothing) {
  TManualClock clock;
  Periodi p;
  auto *list = new TMwDBLookupList(p.form.get());
  list->SetParent(p.form.get());
  list->SetBounds(200, 20, 150, 100);
  list->SetLookupField("Periodo");
  list->SetLookupDisplay("Descrizione");
  list->SetLookupSource(p.source);
  list->ProcessSearchKey('b');
  EXPECT_EQ(list->SelectedKey(), "B");
  list->ProcessSearchKey('I');
  EXPECT_EQ(list->SearchText(), "Bi");  // the buffer takes the record's case
  list->ProcessSearchKey('z');  // no match: refused
  EXPECT_EQ(list->SearchText(), "Bi");
  EXPECT_EQ(list->SelectedKey(), "B");
  clock.Advance(2001);
  list->ProcessSearchKey('m');  // searched alone
  EXPECT_EQ(list->SelectedKey(), "M");
  list->ProcessSearchKey(QChar(8));  // backspace to empty: the first record
  EXPECT_EQ(list->SelectedKey(), "S");
  EXPECT_EQ(list->SearchText(), "");

  clock.Advance(2001);
  for (int i = 0; i < 32; ++i) list->ProcessSearchKey(kLong[i]);
  EXPECT_EQ(list->SelectedKey(), "L");
  EXPECT_EQ(list->SearchText(), kLong.left(32));
  list->ProcessSearchKey(kLong[32]);  // the 33rd character leaves all alone
  EXPECT_EQ(list->SelectedKey(), "L");
  EXPECT_EQ(list->SearchText(), kLong.left(32));
  EXPECT_EQ(p.Giorni(), 1);
}

TEST(LookupList, ArrowsMoveAndTheEmptyItemSitsAboveTheFirstRecord) {
  Periodi p;
  auto *list = new TMwDBLookupList(p.form.get());
  list->SetParent(p.form.get());
  list->SetBounds(200, 20, 150, 100);
  list->SetLookupField("Periodo");
  list->SetLookupDisplay("Descrizione");
  list->SetDisplayEmpty("(tutte)");
  list->SetLookupSource(p.source);
  ASSERT_TRUE(p.Show(list));
  p.Key(Qt::Key_Down);  // from empty: the first record
  EXPECT_EQ(list->SelectedKey(), "S");
  p.Key(Qt::Key_Down);
  EXPECT_EQ(list->SelectedKey(), "Q");
  p.Key(Qt::Key_Up);
  p.Key(Qt::Key_Up);  // above the first: the empty value
  EXPECT_EQ(list->SelectedKey(), "");
  p.Key(Qt::Key_End);
  EXPECT_EQ(list->SelectedKey(), "L");
}

TEST(LookupCombo, WithADataFieldTheKeyGoesIntoTheEditedRecord) {
  Periodi p;
  auto *articoli = new testdb::TMemDataSet(p.form.get());
  articoli->AddColumn("Testata", ftString, 40);
  articoli->AddColumn("Periodo", ftString, 2);
  articoli->AddRow({"Corriere", "S"});
  articoli->Open();
  auto *src = new TDataSource(p.form.get());
  src->SetDataSet(articoli);
  EXPECT_THROW(p.a->SetDataSource(p.source), rtl::Exception);  // circular
  p.a->SetDataSource(src);
  p.a->SetDataField("Periodo");
  EXPECT_EQ(p.a->SelectedKey(), "S");  // read from the record
  EXPECT_EQ(p.a->ShownText(), "Settimanale");
  p.a->SetSelectedKey("M");
  EXPECT_EQ(articoli->State(), dsEdit);
  EXPECT_EQ(articoli->FieldByName("Periodo")->AsString(), "M");
  EXPECT_EQ(p.a->ShownText(), "Mensile");
  articoli->Post();
  EXPECT_EQ(articoli->StoredValue(0, "Periodo").AsString(), "M");
}
