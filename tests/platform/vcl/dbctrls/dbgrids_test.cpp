// The data grid over an in-memory table: columns from the fields, rows
// through the link's window, the current row following the dataset, and
// keyboard and mouse navigation.
#include <gtest/gtest.h>
#include <QApplication>
#include <QFontMetrics>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <functional>
#include <memory>

#include "platform/vcl/dbctrls/dbgrids.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/forms.h"
#include "tests/platform/vcl/db/fixtures.h"

using namespace vcl;

namespace {

struct GridForm {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  testdb::TMemDataSet *table = nullptr;
  TDataSource *source = nullptr;
  TDBGrid *grid = nullptr;

  explicit GridForm(int rows, const std::function<TDBGrid *(TComponent *)> &make = {}) {
    form->SetBounds(0, 0, 400, 300);
    table = new testdb::TMemDataSet(form.get());
    testdb::FillItems(*table, rows);
    source = new TDataSource(form.get());
    source->SetDataSet(table);
    grid = make ? make(form.get()) : new TDBGrid(form.get());
    grid->SetParent(form.get());
    grid->SetBounds(0, 0, 380, 5 * 18 + 18 + 2);  // title and five rows
    grid->SetDataSource(source);
    table->Open();
  }
  bool Show() {
    form->Show();
    QApplication::setActiveWindow(form->Handle());
    return QTest::qWaitForWindowActive(form->Handle());
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(form->Handle()->windowHandle(), key, mods);
  }
};

}  // namespace

TEST(DBGrid, ColumnsFromFieldsRowsThroughTheWindow) {
  GridForm t(8);
  ASSERT_EQ(t.grid->ColumnCount(), 4);
  EXPECT_EQ(t.grid->Columns(1)->Title(), "Name");
  t.table->FieldByName("Name")->SetDisplayLabel("Testata");
  t.table->FieldByName("Price")->SetVisible(false);
  EXPECT_EQ(t.grid->ColumnCount(), 3);
  EXPECT_EQ(t.grid->Columns(1)->Title(), "Testata");
  EXPECT_EQ(t.grid->VisibleRowCount(), 5);
  EXPECT_EQ(t.grid->RowCount(), 5);
  EXPECT_EQ(t.grid->CurrentRow(), 0);
  EXPECT_EQ(t.grid->CellText(0, 1), "Item 1");
  EXPECT_EQ(t.grid->CellText(4, 2), "50");
  EXPECT_EQ(t.grid->CellText(5, 0), "");  // beyond the window
  // Reading other rows leaves the current record alone.
  EXPECT_EQ(t.table->FieldByName("ID")->AsInteger(), 1);
  t.table->Last();
  EXPECT_EQ(t.grid->CurrentRow(), 4);
  EXPECT_EQ(t.grid->CellText(4, 1), "Item 8");
  EXPECT_EQ(t.grid->CellText(0, 1), "Item 4");
  t.table->Close();
  EXPECT_EQ(t.grid->ColumnCount(), 0);
  EXPECT_EQ(t.grid->RowCount(), 0);
  EXPECT_EQ(t.grid->CurrentRow(), -1);
}

TEST(DBGrid, KeysAndClicksMoveTheDataset) {
  GridForm t(12);
  ASSERT_TRUE(t.Show());
  t.grid->SetFocus();
  t.Key(Qt::Key_Down);
  t.Key(Qt::Key_Down);
  EXPECT_EQ(t.table->RecNo(), 3);
  t.Key(Qt::Key_PageDown);
  EXPECT_EQ(t.table->RecNo(), 8);
  t.Key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_TRUE(t.table->Eof() || t.table->RecNo() == 12);
  EXPECT_EQ(t.grid->CurrentRow(), 4);
  t.Key(Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(t.table->RecNo(), 1);
  t.Key(Qt::Key_Up);  // at the first record nothing moves
  EXPECT_EQ(t.table->RecNo(), 1);
  t.Key(Qt::Key_Right);
  t.Key(Qt::Key_Right);
  EXPECT_EQ(t.grid->SelectedField(), t.table->FieldByName("Qty"));
  t.Key(Qt::Key_End);
  EXPECT_EQ(t.grid->SelectedIndex(), 3);

  const TRect cell = t.grid->CellRect(3, 1);
  QTest::mouseClick(t.grid->Handle(), Qt::LeftButton, {}, QPoint(cell.Left + 3, cell.Top + 3));
  EXPECT_EQ(t.table->RecNo(), 4);
  EXPECT_EQ(t.grid->SelectedIndex(), 1);
  QString clicked;
  t.grid->OnTitleClick = [&clicked](TColumn *c) { clicked = c->FieldName(); };
  const TRect title = t.grid->CellRect(-1, 2);
  QTest::mouseClick(t.grid->Handle(), Qt::LeftButton, {}, QPoint(title.Left + 3, title.Top + 3));
  EXPECT_EQ(clicked, "Qty");
  EXPECT_EQ(t.table->RecNo(), 4);
  t.grid->Repaint();
}

TEST(DBGrid, AResizeChangesTheWindowAndAFreedSourceIsForgotten) {
  GridForm t(20);
  t.grid->SetHeight(10 * 18 + 18 + 2);
  EXPECT_EQ(t.grid->VisibleRowCount(), 10);
  EXPECT_EQ(t.grid->RowCount(), 10);
  delete t.source;
  EXPECT_EQ(t.grid->DataSource(), nullptr);
  EXPECT_EQ(t.grid->RowCount(), 0);
  t.grid->Repaint();
}

namespace {

// Grid form with editing on; the keys go to whatever has the focus.
struct EditingGrid : GridForm {
  explicit EditingGrid(int rows) : GridForm(rows) {
    grid->SetOptions(grid->Options() + TDBGridOptions{dgEditing});
    shown_before = Application->ShowExceptionSlot;
    Application->ShowExceptionSlot = [this](const QString &, const QString &text) { shown << text; };
  }
  ~EditingGrid() { Application->ShowExceptionSlot = shown_before; }
  void Type(const QString &text) {
    for (QChar c : text) QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
  }
  void Press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), key, mods);
  }
  QStringList shown;
  std::function<void(const QString &, const QString &)> shown_before;
};

}  // namespace

// Typing starts editing the cell with the typed character, Enter writes the
// field and posts the record; F2 opens the cell's text, Esc cancels.
TEST(DBGrid, EditsInItsCellsWithTypingEnterAndEsc) {
  EditingGrid t(3);
  ASSERT_TRUE(t.Show());
  t.grid->SetFocus();
  t.Press(Qt::Key_Right);  // Name
  t.Type("Focus");
  ASSERT_TRUE(t.grid->EditorMode());
  EXPECT_EQ(t.grid->InplaceEditor()->Text(), "Focus");
  EXPECT_EQ(t.table->State(), dsEdit);
  t.Press(Qt::Key_Return);
  EXPECT_FALSE(t.grid->EditorMode());
  EXPECT_EQ(t.table->State(), dsBrowse);
  EXPECT_EQ(t.table->StoredValue(0, "Name").AsString(), "Focus");
  EXPECT_TRUE(t.grid->Focused());

  t.Press(Qt::Key_F2);
  ASSERT_TRUE(t.grid->EditorMode());
  EXPECT_EQ(t.grid->InplaceEditor()->Text(), "Focus");
  t.Type("XX");
  t.Press(Qt::Key_Escape);
  EXPECT_FALSE(t.grid->EditorMode());
  EXPECT_EQ(t.table->State(), dsBrowse);
  EXPECT_EQ(t.table->StoredValue(0, "Name").AsString(), "Focus");
  EXPECT_TRUE(t.shown.isEmpty()) << t.shown.join("\n").toStdString();
}

// Leaving the row posts what was typed; a value the field refuses keeps the
// editor open with the text as typed, and nothing is written.
TEST(DBGrid, LeavingTheRowPostsAndARefusedValueStays) {
  EditingGrid t(3);
  ASSERT_TRUE(t.Show());
  t.grid->SetFocus();
  t.grid->SetSelectedIndex(2);  // Qty
  t.Type("77");
  t.Press(Qt::Key_Down);
  EXPECT_EQ(t.table->StoredValue(0, "Qty").AsInteger(), 77);
  EXPECT_EQ(t.table->RecNo(), 2);
  t.grid->SetSelectedIndex(3);  // Price
  t.Type("abc");
  t.Press(Qt::Key_Return);
  ASSERT_EQ(t.shown.size(), 1);
  EXPECT_EQ(t.shown[0], QString::fromUtf8("'abc' non è un numero valido per il campo 'Price'"));
  EXPECT_TRUE(t.grid->EditorMode());
  EXPECT_EQ(t.grid->InplaceEditor()->Text(), "abc");
  EXPECT_DOUBLE_EQ(t.table->StoredValue(1, "Price").AsDouble(), 3.0);
  t.Press(Qt::Key_Escape);
  EXPECT_EQ(t.table->State(), dsBrowse);
}

// Down past the last record appends one to fill in; Insert inserts one;
// Ctrl+Delete asks before it deletes.
TEST(DBGrid, InsertedRowsAreFilledInAndDeletingAsks) {
  EditingGrid t(2);
  ASSERT_TRUE(t.Show());
  t.grid->SetFocus();
  t.Press(Qt::Key_Down);
  t.Press(Qt::Key_Down);
  EXPECT_EQ(t.table->State(), dsInsert);
  t.Press(Qt::Key_Down);  // the empty new row waits
  EXPECT_EQ(t.table->State(), dsInsert);
  t.Type("3");
  t.Press(Qt::Key_Tab);
  t.Type("Nuovo");
  t.Press(Qt::Key_Return);
  EXPECT_EQ(t.table->StoredRowCount(), 3);
  EXPECT_EQ(t.table->StoredValue(2, "Name").AsString(), "Nuovo");
  EXPECT_EQ(t.table->StoredValue(2, "ID").AsInteger(), 3);

  QString asked;
  TModalResult answer = mrCancel;
  const auto before = SetDialogResponder([&](TDialogRequest &r) {
    asked = r.text;
    return answer;
  });
  t.Press(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(asked, "Cancellare il record?");
  EXPECT_EQ(t.table->StoredRowCount(), 3);
  answer = mrOk;
  t.Press(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(t.table->StoredRowCount(), 2);
  SetDialogResponder(before);
  t.Press(Qt::Key_Insert);
  EXPECT_EQ(t.table->State(), dsInsert);
  t.Press(Qt::Key_Escape);
  EXPECT_EQ(t.table->State(), dsBrowse);
  EXPECT_EQ(t.table->StoredRowCount(), 2);
}

// Columns start at their field's display width in the grid's font; wider
// together than the grid, they scroll sideways under a scroll bar that
// follows the selected column.
TEST(DBGrid, DefaultWidthsAndTheHorizontalScrollBar) {
  GridForm t(3);
  const QFontMetrics fm(t.grid->Font()->ToQFont());
  const int zero = fm.horizontalAdvance(QLatin1Char('0'));
  EXPECT_EQ(t.grid->Columns(1)->Width(), 20 * zero + 4);  // Name, 20 characters
  EXPECT_FALSE(t.grid->HorzScrollBarVisible());
  ASSERT_TRUE(t.Show());
  t.grid->SetWidth(150);
  EXPECT_TRUE(t.grid->HorzScrollBarVisible());
  auto *bar = t.grid->Handle()->findChild<QScrollBar *>();
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(bar->isVisible());
  EXPECT_EQ(t.grid->VisibleRowCount(), (t.grid->ClientHeight() - bar->height() - 18) / 18);
  t.grid->SetFocus();
  t.Key(Qt::Key_End);
  EXPECT_EQ(t.grid->SelectedIndex(), 3);
  EXPECT_GT(t.grid->LeftCol(), 0);
  const TRect last = t.grid->CellRect(0, 3);
  EXPECT_LE(last.Right, t.grid->ClientWidth());
  t.Key(Qt::Key_Home);
  EXPECT_EQ(t.grid->LeftCol(), 0);
  t.grid->SetWidth(380);
  EXPECT_FALSE(bar->isVisible());
  // Columns widened by code (as automatic widths do) bring the bar too, and
  // narrowed again take it away.
  const int before = t.grid->Columns(1)->Width();
  t.grid->Columns(1)->SetWidth(before + 400);
  EXPECT_TRUE(bar->isVisible());
  t.grid->Columns(1)->SetWidth(before);
  EXPECT_FALSE(bar->isVisible());
}

// A grid already too narrow for its columns before its window is made
// shows the bar as soon as it appears.
TEST(DBGrid, TheScrollBarShowsWhenTheColumnsAreTooWideBeforeTheWindowIsMade) {
  GridForm t(3);
  t.grid->SetWidth(150);
  ASSERT_TRUE(t.Show());
  auto *bar = t.grid->Handle()->findChild<QScrollBar *>();
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(bar->isVisible());
}

namespace {

// A grid that holds more records than it shows, as a grid that loads them all.
class LoadingGrid : public TDBGrid {
 public:
  using TDBGrid::SetLoadedRowCount;
  using TDBGrid::TDBGrid;
};

}  // namespace

// Holding more records than fit, the grid scrolls its shown rows within
// them: keys, the wheel, the scroll bar, the indicator and the editor all
// go by the first shown row, and the current record stays in view. Back to
// the rows that fit, the same records stay shown.
TEST(DBGrid, MoreRecordsThanFitScrollTheShownRows) {
  LoadingGrid *grid = nullptr;
  GridForm t(30, [&grid](TComponent *owner) { return grid = new LoadingGrid(owner); });
  grid->SetOptions(grid->Options() + TDBGridOptions{dgEditing});
  grid->SetLoadedRowCount(30);
  EXPECT_EQ(grid->VisibleRowCount(), 5);
  EXPECT_EQ(grid->RowCount(), 30);
  EXPECT_EQ(grid->CellText(29, 1), "Item 30");
  ASSERT_TRUE(t.Show());
  grid->SetFocus();
  for (int i = 0; i < 5; ++i) t.Key(Qt::Key_Down);
  EXPECT_EQ(grid->CurrentRow(), 5);
  EXPECT_EQ(grid->TopRow(), 1);
  EXPECT_EQ(grid->CellRect(1, 0).Top, 18);
  EXPECT_EQ(grid->CellRect(5, 0).Top, 18 + 4 * 18);
  EXPECT_EQ(grid->CellRect(0, 0).Top, 0);  // above the shown rows

  QWheelEvent down(QPointF(50, 50), QPointF(50, 50), QPoint(), QPoint(0, -240), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
  QApplication::sendEvent(grid->Handle(), &down);
  EXPECT_EQ(t.table->RecNo(), 8);
  EXPECT_EQ(grid->TopRow(), 3);

  ASSERT_TRUE(grid->VertScrollBarVisible());
  grid->VertScrollBar()->setValue(20);
  EXPECT_EQ(t.table->RecNo(), 21);
  EXPECT_EQ(grid->CurrentRow(), 20);
  EXPECT_EQ(grid->TopRow(), 16);

  // The first shown row's indicator, then its cell's editor.
  QTest::mouseClick(grid->Handle(), Qt::LeftButton, {}, QPoint(3, 18 + 3));
  EXPECT_EQ(t.table->RecNo(), 17);
  EXPECT_EQ(grid->CurrentRow(), 16);
  EXPECT_EQ(grid->TopRow(), 16);
  t.Key(Qt::Key_F2);
  ASSERT_TRUE(grid->EditorMode());
  EXPECT_EQ(grid->InplaceEditor()->Top(), 18 + 1);
  EXPECT_EQ(grid->InplaceEditor()->Text(), "17");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  EXPECT_FALSE(grid->EditorMode());
  t.Key(Qt::Key_Down);
  t.Key(Qt::Key_Down);

  grid->SetLoadedRowCount(0);
  EXPECT_EQ(grid->RowCount(), 5);
  EXPECT_EQ(grid->TopRow(), 0);
  EXPECT_EQ(grid->CellText(0, 1), "Item 17");
  EXPECT_EQ(grid->CurrentRow(), 2);
  EXPECT_EQ(grid->CellRect(2, 0).Top, 18 + 2 * 18);
  EXPECT_EQ(t.table->RecNo(), 19);
  t.Key(Qt::Key_Down);
  EXPECT_EQ(grid->CurrentRow(), 3);
  t.Key(Qt::Key_F2);
  ASSERT_TRUE(grid->EditorMode());
  EXPECT_EQ(grid->InplaceEditor()->Top(), 18 + 3 * 18 + 1);
  EXPECT_EQ(grid->InplaceEditor()->Text(), "20");
}
