// The lookup combo and list over a periodicity table: what they show and
// keep, the positioning of the shared lookup dataset on every key written,
// and the type-ahead (on a manual clock).
#include <gtest/gtest.h>
#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>

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
  // An edited dataset of titles with their periodicity key, not yet open.
  testdb::TMemDataSet *Titles(std::initializer_list<std::pair<const char *, const char *>> rows) {
    auto *ds = new testdb::TMemDataSet(form.get());
    ds->AddColumn("Testata", ftString, 40);
    ds->AddColumn("Periodo", ftString, 2);
    for (const auto &[title, key] : rows) ds->AddRow({title, key});
    return ds;
  }
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
  list->ProcessSearchKey('z');          // no match: refused
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
  auto *articoli = p.Titles({{"Corriere", "S"}});
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

namespace {

QImage Grab(TControl *control) { return control->Handle()->grab().toImage(); }

TColor PixelAt(const QImage &image, int x, int y) { return QColorToColor(QColor(image.pixel(x, y))); }

int CharWidth(TControl *control, const QString &text) {
  QImage img(1, 1, QImage::Format_RGB32);
  TCanvas c;
  c.SetImage(&img);
  c.Font()->Assign(control->Font());
  return c.TextWidth(text);
}

TMwDBLookupList *List(Periodi &p, int rows, const QString &display = "Descrizione") {
  auto *list = new TMwDBLookupList(p.form.get());
  list->SetParent(p.form.get());
  list->SetLeft(200);
  list->SetTop(10);
  list->SetWidth(180);
  list->SetRowCount(rows);
  list->SetLookupField("Periodo");
  list->SetLookupDisplay(display);
  list->SetLookupSource(p.source);
  return list;
}

// Whether any pixel of the row band [top, bottom) between x0 and x1 has the
// colour.
bool HasColour(const QImage &image, int x0, int x1, int top, int bottom, TColor colour) {
  const TColor rgb = ColorToRGB(colour);
  for (int y = top; y < bottom; ++y)
    for (int x = x0; x < x1; ++x)
      if (PixelAt(image, x, y) == rgb) return true;
  return false;
}

}  // namespace

TEST(LookupList, FixedStyleDrawsOneColumnPerFieldWithLinesBetween) {
  Periodi p;
  p.periodo->FieldByName("Descrizione")->SetDisplayWidth(6);
  TMwDBLookupList *list = List(p, 4, "Periodo;Descrizione;Giorni");
  list->SetSelectedKey("Q");
  ASSERT_TRUE(p.Show(list));
  const int m = CharWidth(list, "M");
  const int ih = list->ItemHeight();
  const QImage image = Grab(list);
  const TColor line = ColorToRGB(clBtnShadow);
  // Columns of 2 and 6 characters: lines at their last pixels, none after
  // the last column (which takes the rest of the row).
  const int line1 = 1 + 2 * m + 4 - 1;
  const int line2 = line1 + 6 * m + 4;
  const int y = 1 + ih / 2;  // middle of the first row
  EXPECT_EQ(PixelAt(image, line1, y), line);
  EXPECT_EQ(PixelAt(image, line2, y), line);
  EXPECT_NE(PixelAt(image, line2 + m + 4, y), line);
  // The long description is cut at its column: nothing of it after line 2
  // but the right-aligned day count, which ends 3 pixels before the row's end.
  const int right = list->RowsWidth() - 1;
  EXPECT_FALSE(HasColour(image, line2 + 1, right - CharWidth(list, "7") - 4, 1, 1 + ih, clWindowText));
  EXPECT_TRUE(HasColour(image, right - CharWidth(list, "7") - 3, right - 3, 1, 1 + ih, clWindowText));

  // The delimited style has no lines.
  list->SetListStyle(lsDelimited);
  const QImage delimited = Grab(list);
  EXPECT_NE(PixelAt(delimited, line1, y), line);
  EXPECT_NE(PixelAt(delimited, line2, y), line);
}

TEST(LookupCombo, AllFieldsAreKeptWithTheValueNotReadFromTheMovingDataset) {
  Periodi p;
  p.a->SetLookupDisplay("Descrizione;Giorni");
  p.a->SetDisplayAllFields(true);
  p.a->SetSelectedKey("M");
  EXPECT_EQ(p.a->ShownText(), "Mensile, 30");
  p.b->SetSelectedKey("S");  // moves the shared dataset
  EXPECT_EQ(p.a->ShownText(), "Mensile, 30");
  p.a->SetFieldsDelimiter(';');
  EXPECT_EQ(p.a->ShownText(), "Mensile; 30");
  p.a->SetSelectedKey("");
  EXPECT_EQ(p.a->ShownText(), "(tutte)");
  // Painted as columns: the line after the description.
  p.periodo->FieldByName("Descrizione")->SetDisplayWidth(4);
  p.a->SetSelectedKey("B");
  p.a->SetWidth(200);
  ASSERT_TRUE(p.Show(p.b));
  const QImage image = Grab(p.a);
  const int line = 1 + 4 * CharWidth(p.a, "M") + 4 - 1;
  EXPECT_EQ(PixelAt(image, line, p.a->Height() / 2), ColorToRGB(clBtnShadow));
}

TEST(LookupControls, PicturesFromOnGetImageSitInTheMarginWithTheirTransparentColourLeftOut) {
  Periodi p;
  TMwDBLookupList *list = List(p, 4);
  TBitmap picture(8, 8);
  picture.Canvas()->Brush()->SetColor(clRed);
  picture.Canvas()->FillRect(Rect(0, 0, 8, 8));
  picture.Canvas()->SetPixel(4, 4, clLime);
  picture.SetTransparentColor(clLime);
  picture.SetTransparentMode(tmFixed);
  std::vector<bool> asked;
  list->OnGetImage = [&](rtl::TObject *, bool is_empty, int &margin, TGraphic *&graphic) {
    asked.push_back(is_empty);
    margin = 20;
    graphic = is_empty ? nullptr : &picture;
  };
  list->SetDisplayEmpty("(tutte)");
  list->SetSelectedKey("Q");
  ASSERT_TRUE(p.Show(list));
  const QImage image = Grab(list);
  const int ih = list->ItemHeight();
  ASSERT_GE(asked.size(), 4u);
  EXPECT_TRUE(asked[0]);  // the empty item is asked first
  EXPECT_FALSE(asked[1]);
  // Second row (first record): centred in the 20-pixel margin.
  const int top = 1 + ih + (ih - 8) / 2;
  const int left = 1 + (20 - 8) / 2;
  EXPECT_EQ(PixelAt(image, left, top), ColorToRGB(clRed));
  EXPECT_EQ(PixelAt(image, left + 7, top + 7), ColorToRGB(clRed));
  EXPECT_EQ(PixelAt(image, left + 4, top + 4), ColorToRGB(clWindow));  // transparent
  EXPECT_NE(PixelAt(image, left - 1, top), ColorToRGB(clRed));
  // The text starts after the margin.
  EXPECT_FALSE(HasColour(image, 2, 21, 1 + ih, 1 + 2 * ih, clWindowText));
  EXPECT_TRUE(HasColour(image, 21, 60, 1 + ih, 1 + 2 * ih, clWindowText));
  // The empty item got no picture: its text starts 2 pixels in.
  EXPECT_TRUE(HasColour(image, 2, 12, 1, 1 + ih, clWindowText));

  // The combo draws the picture of its value in its own margin.
  p.a->OnGetImage = list->OnGetImage;
  p.a->SetSelectedKey("M");
  const QImage combo = Grab(p.a);
  EXPECT_EQ(PixelAt(combo, 1 + (20 - 8) / 2, 1 + (p.a->Height() - 2 - 8) / 2), ColorToRGB(clRed));
}

TEST(LookupList, ScrollBarIsShownWhenEveryRowIsUsedAndScrollsWithoutChangingTheValue) {
  Periodi p;
  TMwDBLookupList *list = List(p, 3);
  TMwDBLookupList *roomy = List(p, 8);
  roomy->SetLeft(10);
  list->SetSelectedKey("S");
  ASSERT_TRUE(p.Show(list));
  EXPECT_TRUE(list->ScrollBarShown());
  EXPECT_TRUE(list->ScrollBar()->isVisible());
  EXPECT_FALSE(roomy->ScrollBarShown());
  const int ih = list->ItemHeight();
  auto click_row = [&](int row) {
    QTest::mouseClick(list->Handle(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 1 + row * ih + ih / 2));
  };
  p.periodo->First();
  EXPECT_EQ(list->ScrollBar()->value(), 0);

  list->ScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(list->SelectedKey(), "S");  // the value stays
  EXPECT_EQ(list->ScrollBar()->value(), 2);
  click_row(0);  // the rows now start at the second record
  EXPECT_EQ(list->SelectedKey(), "Q");

  list->ScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(list->ScrollBar()->value(), 4);
  click_row(2);
  EXPECT_EQ(list->SelectedKey(), "L");
  list->ScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);  // back two
  click_row(0);
  EXPECT_EQ(list->SelectedKey(), "S");

  // The wheel moves by a page (two records with three rows).
  list->ScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
  QWheelEvent wheel(QPointF(20, 10), list->Handle()->mapToGlobal(QPointF(20, 10)), QPoint(), QPoint(0, -120),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(list->Handle(), &wheel);
  click_row(0);
  EXPECT_EQ(list->SelectedKey(), "M");
}

TEST(LookupList, DraggingBelowTheRowsScrollsOnATimerThatSpeedsUpWithTheDistance) {
  TManualClock clock;
  Periodi p;
  TMwDBLookupList *list = List(p, 3);
  ASSERT_TRUE(p.Show(list));
  const int ih = list->ItemHeight();
  QWidget *w = list->Handle();
  QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(20, 1 + ih / 2));
  EXPECT_EQ(list->SelectedKey(), "S");
  QTest::mouseMove(w, QPoint(20, 1 + ih + ih / 2));  // dragged onto the second row
  EXPECT_EQ(list->SelectedKey(), "Q");
  QTest::mouseMove(w, QPoint(20, list->Height() + 4));  // 5 pixels below
  EXPECT_EQ(list->SelectedKey(), "M");                  // one record on at once
  ASSERT_TRUE(list->ScrollTimerActive());
  EXPECT_EQ(list->ScrollTimerInterval(), 200 - 15 * 5);
  clock.Advance(124);
  EXPECT_EQ(list->SelectedKey(), "M");
  clock.Advance(1);
  EXPECT_EQ(list->SelectedKey(), "B");
  clock.Advance(125);
  EXPECT_EQ(list->SelectedKey(), "L");
  clock.Advance(125);  // the last record: nothing further
  EXPECT_EQ(list->SelectedKey(), "L");
  QTest::mouseMove(w, QPoint(20, list->Height() + 9));
  EXPECT_EQ(list->ScrollTimerInterval(), 200 - 15 * 10);
  QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(20, list->Height() + 9));
  EXPECT_FALSE(list->ScrollTimerActive());
  EXPECT_EQ(GetCaptureControl(), nullptr);
}

TEST(LookupCombo, BoundToALookupFieldTakesItsDefinitionAndWritesTheKeyField) {
  Periodi p;
  auto *stock = p.Titles({{"Uno", "M"}, {"Due", "S"}});
  for (const char *name : {"Testata", "Periodo"})
    stock->FieldDefs().Find(name)->CreateField(p.form.get())->SetDataSet(stock);
  auto *desc = new TStringField(p.form.get());
  desc->SetFieldName("PeriodoDesc");
  desc->SetFieldKind(fkLookup);
  desc->SetLookupDataSet(p.periodo);
  desc->SetKeyFields("Periodo");
  desc->SetLookupKeyFields("Periodo");
  desc->SetLookupResultField("Descrizione");
  desc->SetDataSet(stock);
  stock->Open();
  auto *src = new TDataSource(p.form.get());
  src->SetDataSet(stock);

  auto *c = new TMwDBLookupCombo(p.form.get());
  c->SetParent(p.form.get());
  c->SetTop(100);
  c->SetDataSource(src);
  c->SetDataField("PeriodoDesc");
  ASSERT_TRUE(c->LookupMode());
  EXPECT_EQ(c->LookupField(), "Periodo");
  EXPECT_EQ(c->MasterField(), stock->FieldByName("Periodo"));
  EXPECT_EQ(c->SelectedKey(), "M");
  EXPECT_EQ(c->ShownText(), "Mensile");
  c->SetDisplayAllFields(true);
  EXPECT_FALSE(c->DisplayAllFields());
  for (auto set : {std::function<void()>([&] { c->SetLookupField("Descrizione"); }),
                   std::function<void()>([&] { c->SetLookupSource(p.source); })}) {
    try {
      set();
      ADD_FAILURE() << "accepted";
    } catch (const rtl::Exception &e) {
      EXPECT_EQ(e.Message(), "Property already defined by lookup field");
    }
  }
  stock->Next();
  EXPECT_EQ(c->ShownText(), "Settimanale");

  // Picked from the list: the key goes into the stock row's key field.
  ASSERT_TRUE(p.Show(c));
  p.Key(Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(c->ListVisible());
  p.Key(Qt::Key_Down);
  p.Key(Qt::Key_Return);
  EXPECT_EQ(stock->State(), dsEdit);
  EXPECT_EQ(stock->FieldByName("Periodo")->AsString(), "Q");
  EXPECT_EQ(c->SelectedKey(), "Q");
  EXPECT_EQ(c->ShownText(), "Quindicinale");
  stock->Post();
  EXPECT_EQ(stock->StoredValue(1, "Periodo").AsString(), "Q");

  // Freed with its list open over the field's own data source.
  c->DropDown();
  ASSERT_TRUE(c->ListVisible());
  delete c;

  // Bound to a plain field again, the lookup properties are free.
  auto *d = new TMwDBLookupCombo(p.form.get());
  d->SetDataSource(src);
  d->SetDataField("PeriodoDesc");
  ASSERT_TRUE(d->LookupMode());
  d->SetDataField("Periodo");
  EXPECT_FALSE(d->LookupMode());
  d->SetLookupSource(p.source);
}

TEST(LookupControls, PropertiesRefusedInAFixedContainerAndOverOneDataset) {
  Periodi p;
  p.a->SetDataSourceFixed(true);
  try {
    p.a->SetLookupField("Descrizione");
    ADD_FAILURE() << "accepted";
  } catch (const rtl::Exception &e) {
    EXPECT_EQ(e.Message(), "Operation not allowed in a DBCtrlGrid");
  }
  EXPECT_EQ(p.a->LookupField(), "Periodo");
  auto *same = new TDataSource(p.form.get());
  same->SetDataSet(p.periodo);
  p.b->SetLookupSource(nullptr);
  p.b->SetDataSource(same);
  try {
    p.b->SetLookupSource(p.source);
    ADD_FAILURE() << "accepted";
  } catch (const rtl::Exception &e) {
    EXPECT_EQ(e.Message(), "Circular datalinks are not allowed");
  }
  EXPECT_EQ(p.b->LookupSource(), nullptr);
}

TEST(LookupCombo, MouseOpensTheListAndAReleaseInsideItAccepts) {
  TScreenRectGuard screen(Rect(0, 0, 1024, 768));
  Periodi p;
  p.a->SetSelectedKey("S");
  int changes = 0;
  p.a->OnChange = [&](rtl::TObject *) { ++changes; };
  ASSERT_TRUE(p.Show(p.b));
  QWidget *w = p.a->Handle();
  // Pressed on the combo and dragged into the list: the press goes over.
  QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
  ASSERT_TRUE(p.a->ListVisible());
  EXPECT_TRUE(p.a->Focused());
  TMwPopupDataList *list = p.a->DataList();
  const int ih = list->ItemHeight();
  // Below the empty item: S, Q, M.
  const QPoint on_third = w->mapFromGlobal(list->Handle()->mapToGlobal(QPoint(20, 1 + 3 * ih + ih / 2)));
  QTest::mouseMove(w, on_third);
  EXPECT_EQ(list->SelectedKey(), "M");
  EXPECT_EQ(changes, 0);
  QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, on_third);
  EXPECT_FALSE(p.a->ListVisible());
  EXPECT_EQ(p.a->SelectedKey(), "M");
  EXPECT_EQ(changes, 1);

  // Released outside the list: nothing changes.
  QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
  ASSERT_TRUE(p.a->ListVisible());
  const QPoint on_first = w->mapFromGlobal(list->Handle()->mapToGlobal(QPoint(20, 1 + ih / 2)));
  QTest::mouseMove(w, on_first);
  QTest::mouseMove(w, QPoint(-30, 10));
  QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(-30, 10));
  EXPECT_FALSE(p.a->ListVisible());
  EXPECT_EQ(p.a->SelectedKey(), "M");

  // Another control's cancel-mode notice closes it too.
  p.a->DropDown();
  ASSERT_TRUE(p.a->ListVisible());
  p.a->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(p.a));
  EXPECT_TRUE(p.a->ListVisible());
  p.a->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(p.b));
  EXPECT_FALSE(p.a->ListVisible());
}

TEST(LookupCombo, SizeAndDropDownWidth) {
  TScreenRectGuard screen(Rect(0, 0, 1024, 768));
  Periodi p;
  p.a->SetHeight(5);
  EXPECT_EQ(p.a->Height(), p.a->MinHeight());
  EXPECT_GT(p.a->MinHeight(), 10);
  p.periodo->FieldByName("Descrizione")->SetDisplayWidth(30);
  p.a->SetLookupDisplay("Periodo;Descrizione");
  p.a->SetDropDownWidth(-1);
  ASSERT_TRUE(p.Show(p.a));
  p.a->DropDown();
  const int m = CharWidth(p.a, "M");
  EXPECT_EQ(p.a->DataList()->Width(), (2 + 30) * m + 8 + 17);
  p.a->CloseUp(false);
  p.a->SetDropDownWidth(0);
  p.a->DropDown();
  EXPECT_EQ(p.a->DataList()->Width(), p.a->Width());
  p.a->CloseUp(false);
}

namespace {
// The record-by-record walk instead of the dataset's own search.
class TScanningLocate : public TLocateObject {
 protected:
  bool UseLocate() const override { return false; }
};
}  // namespace

TEST(LocateObject, FindsByWholeTextOrPrefixEitherWayAndGoesBackWhenNothingMatches) {
  Periodi p;
  TLocateObject by_engine;
  TScanningLocate by_scan;
  for (TLocateObject *locate : {&by_engine, static_cast<TLocateObject *>(&by_scan)}) {
    locate->SetDataSet(p.periodo);
    p.periodo->First();
    p.periodo->Next();  // on Quindicinale
    EXPECT_TRUE(locate->Locate("Descrizione", "mensile", true, false));
    EXPECT_EQ(p.Giorni(), 30);
    EXPECT_FALSE(locate->Locate("Descrizione", "mensile", true, true));  // with case
    EXPECT_EQ(p.Giorni(), 30) << "back on the former record";
    EXPECT_FALSE(locate->Locate("Descrizione", "Mens", true, false));  // whole text only
    EXPECT_TRUE(locate->Locate("Descrizione", "bIM", false, false));
    EXPECT_EQ(p.Giorni(), 60);
    EXPECT_TRUE(locate->Locate("Giorni", "15", true, false));  // a number field, by its text
    EXPECT_EQ(p.Giorni(), 15);
    EXPECT_FALSE(locate->Locate("Manca", "x", true, false));
    EXPECT_EQ(p.Giorni(), 15);
  }
  TLocateObject none;
  EXPECT_FALSE(none.Locate("Descrizione", "Mensile", true, false));
}

TEST(LookupControls, ReadOnlyRefusesEveryChangeAndTheEmptyItemTakesARowOfTheBuffer) {
  Periodi p;
  p.a->SetSelectedKey("Q");
  p.a->SetReadOnly(true);
  EXPECT_FALSE(p.a->CanModify());
  ASSERT_TRUE(p.Show(p.a));
  p.Key(Qt::Key_Down, Qt::AltModifier);
  EXPECT_FALSE(p.a->ListVisible());
  p.Key(Qt::Key_Down);
  p.Key(Qt::Key_M);
  p.Key(Qt::Key_Escape);
  EXPECT_EQ(p.a->SelectedKey(), "Q");
  p.a->SetReadOnly(false);
  p.Key(Qt::Key_Down);
  EXPECT_EQ(p.a->SelectedKey(), "M");

  // Three rows: with the empty item only two records are shown, and a
  // click on the last row picks the second record.
  TMwDBLookupList *list = List(p, 3);
  ASSERT_TRUE(p.Show(list));
  const int ih = list->ItemHeight();
  list->SetDisplayEmpty("(nessuno)");
  p.periodo->First();  // the rows start at the first record
  QTest::mouseClick(list->Handle(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 1 + 2 * ih + ih / 2));
  EXPECT_EQ(list->SelectedKey(), "Q");
  QTest::mouseClick(list->Handle(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 1 + ih / 2));
  EXPECT_EQ(list->SelectedKey(), "");
  list->SetDisplayEmpty("");
  p.periodo->First();
  QTest::mouseClick(list->Handle(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 1 + 2 * ih + ih / 2));
  EXPECT_EQ(list->SelectedKey(), "M");

  // The row height is stored only above the font's own.
  const int font_rows = list->ItemHeight();
  list->SetItemHeight(font_rows - 3);
  EXPECT_EQ(list->ItemHeight(), font_rows);
  EXPECT_FALSE(list->ItemHeightStored());
  list->SetItemHeight(font_rows + 4);
  EXPECT_EQ(list->ItemHeight(), font_rows + 4);
  EXPECT_TRUE(list->ItemHeightStored());
}

TEST(LookupList, TypeAheadTakesTheCodePagesCharactersOnly) {
  TManualClock clock;
  Periodi p;
  p.periodo->Last();
  p.periodo->Edit();
  p.periodo->FieldByName("Descrizione")->SetAsString(QString::fromUtf8("€ al mese"));
  p.periodo->Post();
  TMwDBLookupList *list = List(p, 4);
  list->ProcessSearchKey(QChar(0x20AC));
  EXPECT_EQ(list->SelectedKey(), "L");
  EXPECT_EQ(list->SearchText(), QString::fromUtf8("€"));
  list->ProcessSearchKey(QChar(0x03A9));  // not in the code page: ignored
  EXPECT_EQ(list->SearchText(), QString::fromUtf8("€"));
  list->ProcessSearchKey(' ');
  EXPECT_EQ(list->SearchText(), QString::fromUtf8("€ "));

  // Without a ready list the combo shows nothing, not its empty text.
  p.a->SetLookupSource(nullptr);
  EXPECT_EQ(p.a->ShownText(), "");
}
