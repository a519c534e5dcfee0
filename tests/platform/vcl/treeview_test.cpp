// The tree view: nodes kept before and after the widget exists, selection
// by code and by the user with its refusal, deletion of the selected node,
// and labels edited in place (accepted, changed by OnEdited, discarded).
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <memory>

#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/treeview.h"

using namespace vcl;

namespace {

struct Tree {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  TTreeView *view = nullptr;
  TTreeNode *prices = nullptr, *buy = nullptr, *sell = nullptr, *others = nullptr;
  QStringList events;

  Tree() {
    form->SetBounds(0, 0, 300, 300);
    view = new TTreeView(form.get());
    view->SetParent(form.get());
    view->SetBounds(8, 8, 280, 250);
    prices = view->Items()->AddChild(nullptr, "Prezzi");
    buy = view->Items()->AddChild(prices, "Acquisto");
    sell = view->Items()->Add(buy, "Vendita");
    others = view->Items()->Add(prices, "Altri");
    view->OnChanging = [this](rtl::TObject *, TTreeNode *node, bool &) {
      events << "changing " + (node ? node->Text() : "-");
    };
    view->OnChange = [this](rtl::TObject *, TTreeNode *node) { events << "change " + (node ? node->Text() : "-"); };
  }
  QTreeWidget *Widget() { return static_cast<QTreeWidget *>(view->Handle()); }
  QLineEdit *Editor() { return Widget()->findChild<QLineEdit *>(); }
};

}  // namespace

TEST(TreeView, NodesBeforeAndAfterTheWidget) {
  Tree t;
  EXPECT_EQ(t.view->Items()->Count(), 4);
  EXPECT_EQ(t.view->Items()->Item(2), t.sell);
  EXPECT_EQ(t.view->Items()->Item(3), t.others);
  EXPECT_EQ(t.sell->Parent(), t.prices);
  EXPECT_EQ(t.sell->Index(), 1);
  EXPECT_EQ(t.sell->Level(), 1);
  EXPECT_EQ(t.prices->GetNextSibling(), t.others);
  EXPECT_THROW(t.view->Items()->Item(4), rtl::Exception);

  t.view->FullExpand();
  t.form->Show();
  QTreeWidget *w = t.Widget();
  ASSERT_EQ(w->topLevelItemCount(), 2);
  EXPECT_EQ(w->topLevelItem(0)->text(0), "Prezzi");
  ASSERT_EQ(w->topLevelItem(0)->childCount(), 2);
  EXPECT_EQ(w->topLevelItem(0)->child(1)->text(0), "Vendita");
  EXPECT_TRUE(w->topLevelItem(0)->isExpanded());

  // Added once the widget exists, at the end of its parent.
  TTreeNode *discount = t.view->Items()->AddChild(t.others, "Sconto");
  EXPECT_EQ(w->topLevelItem(1)->child(0)->text(0), "Sconto");
  discount->SetText("Ribasso");
  EXPECT_EQ(w->topLevelItem(1)->child(0)->text(0), "Ribasso");
  t.prices->Delete();
  EXPECT_EQ(w->topLevelItemCount(), 1);
  EXPECT_EQ(t.view->Items()->Count(), 2);
  t.view->Items()->Clear();
  EXPECT_EQ(w->topLevelItemCount(), 0);
}

TEST(TreeView, SelectionAsksFirstAndMayBeRefused) {
  Tree t;
  t.form->Show();
  t.view->SetSelected(t.buy);
  EXPECT_EQ(t.events, QStringList({"changing Acquisto", "change Acquisto"}));
  EXPECT_EQ(t.Widget()->currentItem()->text(0), "Acquisto");

  // The user picks a node; a refusal keeps the selection where it was.
  t.events.clear();
  bool refuse = true;
  t.view->OnChanging = [&](rtl::TObject *, TTreeNode *, bool &allow) { allow = !refuse; };
  t.Widget()->setCurrentItem(t.Widget()->topLevelItem(1));
  EXPECT_EQ(t.view->Selected(), t.buy);
  EXPECT_EQ(t.Widget()->currentItem()->text(0), "Acquisto");
  EXPECT_TRUE(t.events.isEmpty());
  refuse = false;
  t.Widget()->setCurrentItem(t.Widget()->topLevelItem(1));
  EXPECT_EQ(t.view->Selected(), t.others);
  EXPECT_EQ(t.events, QStringList({"change Altri"}));

  // Deleting the selected node (or its parent) leaves none selected.
  t.events.clear();
  t.view->SetSelected(t.sell);
  t.prices->Delete();
  EXPECT_EQ(t.view->Selected(), nullptr);
  EXPECT_EQ(t.events, QStringList({"change Vendita", "change -"}));
}

TEST(TreeView, LabelsEditedInPlace) {
  Tree t;
  t.view->FullExpand();
  t.form->Show();
  QString before;
  t.view->OnEditing = [&](rtl::TObject *, TTreeNode *node, bool &allow) {
    before = node->Text();
    allow = node != t.others;
  };
  t.view->OnEdited = [&](rtl::TObject *, TTreeNode *, QString &text) { text = text.trimmed().toUpper(); };

  t.others->EditText();  // refused
  EXPECT_FALSE(t.view->IsEditing());
  EXPECT_EQ(t.Editor(), nullptr);

  t.buy->EditText();
  EXPECT_TRUE(t.view->IsEditing());
  EXPECT_EQ(before, "Acquisto");
  ASSERT_NE(t.Editor(), nullptr);
  t.Editor()->setText("  costo ");
  QTest::keyClick(t.Editor(), Qt::Key_Return);
  QTest::qWait(1);  // Qt commits the edit once the key is over
  EXPECT_FALSE(t.view->IsEditing());
  EXPECT_EQ(t.buy->Text(), "COSTO");
  EXPECT_EQ(t.Widget()->topLevelItem(0)->child(0)->text(0), "COSTO");

  t.sell->EditText();
  ASSERT_NE(t.Editor(), nullptr);
  t.Editor()->setText("Nuovo");
  QTest::keyClick(t.Editor(), Qt::Key_Escape);
  EXPECT_FALSE(t.view->IsEditing());
  EXPECT_EQ(t.sell->Text(), "Vendita");

  t.view->SetReadOnly(true);
  t.sell->EditText();
  EXPECT_FALSE(t.view->IsEditing());
}

TEST(TreeView, EscapeWhileEditingDoesNotCancelTheDialog) {
  Tree t;
  auto *cancel = new TButton(t.form.get());
  cancel->SetParent(t.form.get());
  cancel->SetCancel(true);
  cancel->SetModalResult(mrCancel);
  cancel->SetBounds(8, 265, 75, 25);
  bool still_open = false;
  QTimer::singleShot(0, [&] {
    t.view->SetFocus();
    t.buy->EditText();
    if (t.Editor() != nullptr) QTest::keyClick(t.Editor(), Qt::Key_Escape);
    QTest::qWait(10);
    still_open = t.form->ModalResult() == mrNone && !t.view->IsEditing();
    t.form->SetModalResult(mrOk);
  });
  EXPECT_EQ(t.form->ShowModal(), mrOk);
  EXPECT_TRUE(still_open);
}
