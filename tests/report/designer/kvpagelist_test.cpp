// The page list: entries dragged with the mouse or moved with the keys to
// a new place, the order handed back after OK and kept after Cancel.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QTest>

#include "report/designer/kvpagelist.h"
#include "tests/report/designer/designer_fixture.h"

namespace report {
namespace {

using testing::EditorTest;
using testing::WhenShown;

const QStringList kPages{"Pagina 1", "Pagina 2", "Pagina 3", "Pagina 4"};

class PageListTest : public EditorTest {};

TEST_F(PageListTest, AnEntryMovesWhereItIsDropped) {
  TPagesList form(nullptr);
  form.SetPages(kPages);
  EXPECT_EQ(form.Caption(), QStringLiteral("Gestione pagine"));
  EXPECT_EQ(form.Label1->Caption(), QStringLiteral("Elenco pagine"));
  form.StartDrag(0);
  form.DragOver(1);
  EXPECT_EQ(form.PageList->ItemIndex(), 1) << "the row under the mouse is selected while dragging";
  form.DragOver(2);
  form.Drop(2);
  EXPECT_EQ(form.Pages(), QStringList({"Pagina 2", "Pagina 3", "Pagina 1", "Pagina 4"}));
  EXPECT_EQ(form.PageList->ItemIndex(), 2);
  form.StartDrag(3);
  form.Drop(0);
  EXPECT_EQ(form.Pages(), QStringList({"Pagina 4", "Pagina 2", "Pagina 3", "Pagina 1"}));
  form.Drop(1);
  EXPECT_EQ(form.Pages(), QStringList({"Pagina 4", "Pagina 2", "Pagina 3", "Pagina 1"})) << "no drag, no move";
  form.MoveEntry(0, 9);
  EXPECT_EQ(form.Pages().first(), QStringLiteral("Pagina 4"));
}

TEST_F(PageListTest, TheMouseAndTheKeysInTheShownList) {
  QStringList names = kPages;
  WhenShown<TPagesList>([](TPagesList *form) {
    auto *list = dynamic_cast<QListWidget *>(form->PageList->Handle());
    ASSERT_NE(list, nullptr);
    QWidget *rows = list->viewport();
    const QPoint first = list->visualItemRect(list->item(0)).center();
    const QPoint third = list->visualItemRect(list->item(2)).center();
    QTest::mousePress(rows, Qt::LeftButton, Qt::NoModifier, first);
    QMouseEvent move(QEvent::MouseMove, third, rows->mapToGlobal(third), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(rows, &move);
    EXPECT_EQ(form->PageList->ItemIndex(), 2);
    QTest::mouseRelease(rows, Qt::LeftButton, Qt::NoModifier, third);
    EXPECT_EQ(form->Pages(), QStringList({"Pagina 2", "Pagina 3", "Pagina 1", "Pagina 4"}));
    // Ctrl+Up takes the selected entry one place up.
    form->PageList->SetItemIndex(3);
    QTest::keyClick(list, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(form->Pages(), QStringList({"Pagina 2", "Pagina 3", "Pagina 4", "Pagina 1"}));
    form->Buttons.Ok->Click();
  });
  ASSERT_TRUE(EditPageOrder(names));
  EXPECT_EQ(names, QStringList({"Pagina 2", "Pagina 3", "Pagina 4", "Pagina 1"}));

  WhenShown<TPagesList>([](TPagesList *form) {
    form->MoveEntry(0, 3);
    form->Buttons.Cancel->Click();
  });
  EXPECT_FALSE(EditPageOrder(names));
  EXPECT_EQ(names, QStringList({"Pagina 2", "Pagina 3", "Pagina 4", "Pagina 1"}));
}

}  // namespace
}  // namespace report
