// The page control as the main window uses it (four pages, OnChange only on
// the user's change) and the status bar's panels.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QTabBar>
#include <QTest>

#include <memory>

#include "platform/vcl/comctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"

using namespace vcl;

namespace {

struct FourPages {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  TPageControl *pc = nullptr;
  TTabSheet *pages[4] = {};
  int changes = 0;

  FourPages() {
    form->SetBounds(0, 0, 400, 300);
    pc = new TPageControl(form.get());
    pc->SetParent(form.get());
    pc->SetBounds(0, 0, 400, 250);
    const char *captions[4] = {"Registrazione Carico", "Registrazione Resi", "Vendita Riviste",
                               "Ispezione Storico movimenti"};
    for (int i = 0; i < 4; ++i) {
      pages[i] = new TTabSheet(form.get());
      pages[i]->SetPageControl(pc);
      pages[i]->SetCaption(captions[i]);
    }
    pc->OnChange = [this](rtl::TObject *) { ++changes; };
  }
  QTabBar *Bar() { return pc->Handle()->findChild<QTabBar *>(); }
  void ClickTab(int index) {
    QTabBar *bar = Bar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
  }
};

}  // namespace

TEST(PageControl, CodeChangesRaiseNoOnChangeUserChangesDo) {
  FourPages t;
  EXPECT_EQ(t.pc->PageCount(), 4);
  EXPECT_EQ(t.pc->ActivePage(), t.pages[0]);  // the first page shows at start
  t.pc->SetActivePage(t.pages[2]);
  EXPECT_EQ(t.pc->ActivePageIndex(), 2);
  t.pc->SetActivePageIndex(1);
  EXPECT_EQ(t.pc->ActivePage(), t.pages[1]);
  EXPECT_EQ(t.changes, 0);
  EXPECT_TRUE(t.pages[1]->Visible());
  EXPECT_FALSE(t.pages[2]->Visible());

  t.form->Show();
  ASSERT_EQ(t.Bar()->count(), 4);
  EXPECT_EQ(t.pc->TabCaptions().at(3), "Ispezione Storico movimenti");
  t.ClickTab(3);
  EXPECT_EQ(t.pc->ActivePage(), t.pages[3]);
  EXPECT_EQ(t.changes, 1);
  t.ClickTab(3);  // the page already shown: no change
  EXPECT_EQ(t.changes, 1);
  t.pc->SetActivePageIndex(0);
  EXPECT_EQ(t.Bar()->currentIndex(), 0);
  EXPECT_EQ(t.changes, 1);

  // A refused change leaves page and tab where they were.
  t.pc->OnChanging = [](rtl::TObject *, bool &allow) { allow = false; };
  t.ClickTab(2);
  EXPECT_EQ(t.pc->ActivePage(), t.pages[0]);
  EXPECT_EQ(t.Bar()->currentIndex(), 0);
  EXPECT_EQ(t.changes, 1);
  t.pc->OnChanging = nullptr;
  t.pc->SelectNextPage(true);
  EXPECT_EQ(t.pc->ActivePage(), t.pages[1]);
  EXPECT_EQ(t.changes, 2);
}

TEST(PageControl, PagesFillTheAreaBelowTheTabsAndKeepTheirControls) {
  FourPages t;
  auto *edit = new TEdit(t.form.get());
  edit->SetParent(t.pages[1]);
  t.form->Show();
  const TRect r = t.pages[0]->BoundsRect();
  EXPECT_GE(r.Top, t.pc->TabHeight());
  EXPECT_LE(r.Bottom, t.pc->Height());
  EXPECT_GT(r.Right - r.Left, 350);
  t.pc->SetActivePage(t.pages[1]);
  EXPECT_EQ(t.pages[1]->BoundsRect(), r);
  EXPECT_TRUE(edit->Showing());
  t.pc->SetActivePage(t.pages[2]);
  EXPECT_FALSE(edit->Showing());
}

TEST(PageControl, HiddenTabsMovedAndFreedPages) {
  FourPages t;
  t.pages[1]->SetTabVisible(false);
  EXPECT_EQ(t.pc->TabCaptions(),
            (QStringList{"Registrazione Carico", "Vendita Riviste", "Ispezione Storico movimenti"}));
  EXPECT_EQ(t.pages[2]->TabIndex(), 1);
  EXPECT_EQ(t.pages[1]->TabIndex(), -1);
  EXPECT_EQ(t.pc->FindNextPage(t.pages[0], true, true), t.pages[2]);
  EXPECT_EQ(t.pc->FindNextPage(t.pages[0], false, true), t.pages[3]);
  t.pages[3]->SetPageIndex(0);
  EXPECT_EQ(t.pc->Pages(0), t.pages[3]);
  EXPECT_EQ(t.pages[0]->PageIndex(), 1);
  // Freeing the active page shows another; no dangling page.
  t.pc->SetActivePage(t.pages[0]);
  delete t.pages[0];
  EXPECT_EQ(t.pc->PageCount(), 3);
  EXPECT_NE(t.pc->ActivePage(), nullptr);
  EXPECT_THROW(t.pc->Pages(5), rtl::EListError);
  TPageControl other(nullptr);
  auto *stranger = new TTabSheet(&other);
  stranger->SetPageControl(&other);
  EXPECT_THROW(t.pc->SetActivePage(stranger), rtl::EInvalidOperation);
}

TEST(StatusBar, PanelsShareTheWidthTheLastTakesTheRest) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  auto *bar = new TStatusBar(&form);
  bar->SetParent(&form);
  EXPECT_EQ(bar->Top() + bar->Height(), form.ClientHeight());  // at the bottom
  bar->AddPanel()->SetWidth(100);
  TStatusPanel *second = bar->AddPanel();
  second->SetText("Pronto");
  EXPECT_EQ(bar->PanelRect(0), Rect(0, 0, 100, bar->Height()));
  EXPECT_EQ(bar->PanelRect(1).Left, 102);
  EXPECT_EQ(bar->PanelRect(1).Right, bar->Width());
  EXPECT_EQ(bar->Panels(1)->Text(), "Pronto");
  EXPECT_THROW(bar->Panels(2), rtl::EListError);
  bar->SetSimplePanel(true);
  bar->SetSimpleText("...");
  form.Show();
  bar->Repaint();  // paints without panels in simple mode
  EXPECT_EQ(bar->SimpleText(), "...");
}

TEST(PageControl, FreedBeforeOrAfterItsPagesWhateverTheOrder) {
  for (bool pages_first : {true, false}) {
    auto form = std::make_unique<TForm>(nullptr);
    TPageControl *pc = nullptr;
    std::vector<TTabSheet *> pages;
    if (!pages_first) pc = new TPageControl(form.get());
    for (int i = 0; i < 3; ++i) pages.push_back(new TTabSheet(form.get()));
    if (pages_first) pc = new TPageControl(form.get());
    pc->SetParent(form.get());
    for (TTabSheet *p : pages) {
      p->SetPageControl(pc);
      auto *edit = new TEdit(form.get());
      edit->SetParent(p);
    }
    pc->SetActivePageIndex(2);
    form->Show();
    std::vector<QPointer<QWidget>> widgets{pc->Handle()};
    for (TTabSheet *p : pages) widgets.emplace_back(p->Handle());
    const int forms = Screen->FormCount();
    form.reset();  // the form frees pages, controls and page control in its own order
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // Every widget went with its control, and nothing else stayed behind.
    for (const QPointer<QWidget> &w : widgets) EXPECT_TRUE(w.isNull()) << (pages_first ? "pages first" : "pages last");
    EXPECT_EQ(Screen->FormCount(), forms - 1);
  }
}

// Ctrl+Tab and Ctrl+Shift+Tab change pages as the user's pick does, while
// the keys are typed on the page control or inside it; elsewhere they do
// nothing to it.
TEST(PageControl, CtrlTabChangesPagesFromInsideIt) {
  FourPages p;
  auto *inside = new TEdit(p.form.get());
  inside->SetParent(p.pages[0]);
  auto *outside = new TEdit(p.form.get());
  outside->SetParent(p.form.get());
  outside->SetBounds(0, 260, 100, 24);
  p.form->Show();
  QApplication::setActiveWindow(p.form->Handle());
  ASSERT_TRUE(QTest::qWaitForWindowActive(p.form->Handle()));
  inside->SetFocus();
  QApplication::processEvents();
  QTest::keyClick(inside->Handle(), Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(p.pc->ActivePage(), p.pages[1]);
  EXPECT_EQ(p.changes, 1);
  p.pc->SetFocus();
  QApplication::processEvents();
  QTest::keyClick(p.pc->Handle(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(p.pc->ActivePage(), p.pages[0]);
  QTest::keyClick(p.pc->Handle(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(p.pc->ActivePage(), p.pages[3]);  // round from the first
  EXPECT_EQ(p.changes, 3);
  outside->SetFocus();
  QApplication::processEvents();
  QTest::keyClick(outside->Handle(), Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(p.pc->ActivePage(), p.pages[3]);
}

namespace {

TEST(UpDown, StepsTheNumberOfItsEditWithinTheRange) {
  TForm form(nullptr);
  auto *edit = new TEdit(&form);
  edit->SetParent(&form);
  edit->SetBounds(10, 10, 80, 21);
  auto *arrows = new TUpDown(&form);
  arrows->SetMax(3);
  arrows->SetAssociate(edit);
  // The pair keeps the edit's place and width.
  EXPECT_EQ(arrows->Parent(), &form);
  EXPECT_EQ(edit->Width() + arrows->Width(), 80);
  EXPECT_EQ(arrows->Left(), 10 + edit->Width());
  EXPECT_EQ(arrows->Height(), 21);
  EXPECT_EQ(edit->Text(), QStringLiteral("0"));

  std::vector<TUDBtnType> clicks;
  arrows->OnClick = [&clicks](rtl::TObject *, TUDBtnType b) { clicks.push_back(b); };
  form.Show();
  // The upper half steps up, the lower half down; the ends hold.
  QTest::mouseClick(arrows->Handle(), Qt::LeftButton, {}, QPoint(5, 2));
  EXPECT_EQ(edit->Text(), QStringLiteral("1"));
  QTest::mouseClick(arrows->Handle(), Qt::LeftButton, {}, QPoint(5, 19));
  QTest::mouseClick(arrows->Handle(), Qt::LeftButton, {}, QPoint(5, 19));
  EXPECT_EQ(arrows->Position(), 0);
  EXPECT_EQ(clicks, (std::vector<TUDBtnType>{btNext, btPrev, btPrev}));
  // A number typed into the edit is where the next step starts.
  edit->SetText(QStringLiteral("2"));
  arrows->Click(btNext);
  EXPECT_EQ(edit->Text(), QStringLiteral("3"));
  arrows->Click(btNext);
  EXPECT_EQ(edit->Text(), QStringLiteral("3"));
  // Text that is no number: the step starts from the last position.
  edit->SetText(QStringLiteral("tre"));
  arrows->Click(btPrev);
  EXPECT_EQ(edit->Text(), QStringLiteral("2"));
  // Disabled, it steps nothing.
  arrows->SetEnabled(false);
  arrows->Click(btNext);
  EXPECT_EQ(arrows->Position(), 2);
  delete edit;
  EXPECT_EQ(arrows->Associate(), nullptr);
}

}  // namespace
