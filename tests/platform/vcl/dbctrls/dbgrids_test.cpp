// The data grid over an in-memory table: columns from the fields, rows
// through the link's window, the current row following the dataset, and
// keyboard and mouse navigation.
#include <gtest/gtest.h>
#include <QApplication>
#include <QTest>

#include <memory>

#include "platform/vcl/dbctrls/dbgrids.h"
#include "platform/vcl/forms.h"
#include "tests/platform/vcl/db/fixtures.h"

using namespace vcl;

namespace {

struct GridForm {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  testdb::TMemDataSet *table = nullptr;
  TDataSource *source = nullptr;
  TDBGrid *grid = nullptr;

  explicit GridForm(int rows) {
    form->SetBounds(0, 0, 400, 300);
    table = new testdb::TMemDataSet(form.get());
    testdb::FillItems(*table, rows);
    source = new TDataSource(form.get());
    source->SetDataSet(table);
    grid = new TDBGrid(form.get());
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
