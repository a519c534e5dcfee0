// Aligning, centring and spreading selected objects, and the palette that
// runs it on the designer's selection.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <memory>

#include "report/designer/kvalign.h"
#include "report/designer/kvalignform.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/model/kvglobals.h"

namespace {

using namespace report;

class Alignment : public ::testing::Test {
 protected:
  TkvEngineStateGuard engine_;
  std::unique_ptr<TkvReport> report_ = std::make_unique<TkvReport>();
  TkvPage *page_ = report_->Pages().Page(0);

  TkvView *Memo(int x, int y, int dx, int dy) { return page_->Add<TkvMemoView>(x, y, dx, dy); }
  static std::vector<int> Xs(const std::vector<TkvView *> &views) {
    std::vector<int> xs;
    for (const TkvView *v : views) xs.push_back(v->x);
    return xs;
  }
};

TEST_F(Alignment, EdgesAndCentresFollowTheReference) {
  TkvView *a = Memo(10, 5, 50, 20);
  TkvView *b = Memo(100, 40, 20, 10);
  const std::vector<TkvView *> both{a, b};

  EXPECT_TRUE(KvAlignViews(both, a, TkvAlignment::Right, 794, 1123));
  EXPECT_EQ(b->x, 40);
  EXPECT_TRUE(KvAlignViews(both, a, TkvAlignment::CentresHorz, 794, 1123));
  EXPECT_EQ(b->x, 25);
  EXPECT_TRUE(KvAlignViews(both, a, TkvAlignment::Left, 794, 1123));
  EXPECT_EQ(b->x, 10);
  EXPECT_EQ(a->x, 10);

  EXPECT_TRUE(KvAlignViews(both, a, TkvAlignment::Bottom, 794, 1123));
  EXPECT_EQ(b->y, 15);
  EXPECT_TRUE(KvAlignViews(both, a, TkvAlignment::CentresVert, 794, 1123));
  EXPECT_EQ(b->y, 10);  // 5 + 20 div 2 - 10 div 2
  EXPECT_TRUE(KvAlignViews(both, a, TkvAlignment::Top, 794, 1123));
  EXPECT_EQ(b->y, 5);
  // Already aligned: nothing moves, so nothing is recorded.
  EXPECT_FALSE(KvAlignViews(both, a, TkvAlignment::Top, 794, 1123));

  // Odd sizes: div rounds toward zero, negative places included.
  TkvView *c = Memo(-7, 0, 5, 3);
  EXPECT_TRUE(KvAlignViews({a, c}, c, TkvAlignment::CentresHorz, 794, 1123));
  EXPECT_EQ(a->x, -7 + 2 - 25);
}

TEST_F(Alignment, TooFewObjectsDoNothing) {
  TkvView *a = Memo(10, 10, 50, 20);
  TkvView *b = Memo(100, 40, 20, 10);
  EXPECT_FALSE(KvAlignViews({a}, a, TkvAlignment::Right, 794, 1123));
  EXPECT_FALSE(KvAlignViews({a, b}, a, TkvAlignment::SpreadHorz, 794, 1123));
  EXPECT_FALSE(KvAlignViews({}, nullptr, TkvAlignment::CentreInPageHorz, 794, 1123));
  EXPECT_EQ(b->x, 100);
  EXPECT_EQ(KvAlignmentMinimum(TkvAlignment::CentreInPageVert), 1);
  EXPECT_EQ(KvAlignmentMinimum(TkvAlignment::SpreadVert), 3);
  EXPECT_EQ(KvAlignmentMinimum(TkvAlignment::Bottom), 2);
}

TEST_F(Alignment, TheReferenceIsTheLastClickedElseTheTopmost) {
  TkvView *a = Memo(0, 0, 1, 1);
  TkvView *b = Memo(0, 0, 1, 1);
  TkvView *outside = Memo(0, 0, 1, 1);
  EXPECT_EQ(KvAlignmentReference({a, b}, a), a);
  EXPECT_EQ(KvAlignmentReference({a, b}, nullptr), b);
  EXPECT_EQ(KvAlignmentReference({a, b}, outside), b);
  EXPECT_EQ(KvAlignmentReference({}, a), nullptr);
}

TEST_F(Alignment, SpreadingStepsEvenlyInNumericOrder) {
  TkvView *a = Memo(0, 0, 5, 5);
  TkvView *b = Memo(20, 0, 5, 5);
  TkvView *c = Memo(7, 0, 5, 5);
  EXPECT_TRUE(KvAlignViews({a, b, c}, a, TkvAlignment::SpreadHorz, 794, 1123));
  EXPECT_EQ(Xs({a, b, c}), (std::vector<int>{0, 20, 10}));

  // Negative places and places of more than four digits are ordered as
  // numbers (their text would put -5 after -30 and 10000 before 900).
  TkvView *d = Memo(-5, 0, 5, 5);
  TkvView *e = Memo(10000, 0, 5, 5);
  TkvView *f = Memo(-30, 0, 5, 5);
  TkvView *g = Memo(900, 0, 5, 5);
  EXPECT_TRUE(KvAlignViews({d, e, f, g}, d, TkvAlignment::SpreadHorz, 794, 1123));
  // From -30 to 10000 in steps of 10030 div 3 = 3343.
  EXPECT_EQ(Xs({f, d, g, e}), (std::vector<int>{-30, 3313, 6656, 10000}));

  // Vertically the same; objects at the same place keep the later one
  // first, so the earlier one moves.
  TkvView *h = Memo(0, 10, 5, 5);
  TkvView *i = Memo(0, 10, 5, 5);
  TkvView *j = Memo(0, 30, 5, 5);
  EXPECT_TRUE(KvAlignViews({h, i, j}, h, TkvAlignment::SpreadVert, 794, 1123));
  EXPECT_EQ(h->y, 20);
  EXPECT_EQ(i->y, 10);
  EXPECT_EQ(j->y, 30);
}

TEST_F(Alignment, CentringInThePageMovesTheGroupAsOne) {
  TkvView *a = Memo(10, 100, 50, 20);
  TkvView *b = Memo(100, 300, 20, 10);
  // The group spans 10..120, 110 wide, on a 794-pixel page: it starts at 342.
  EXPECT_TRUE(KvAlignViews({a, b}, a, TkvAlignment::CentreInPageHorz, 794, 1123));
  EXPECT_EQ(a->x, 342);
  EXPECT_EQ(b->x, 432);
  // One object is enough; 100..310 in 1123 starts at 456.
  EXPECT_TRUE(KvAlignViews({a, b}, b, TkvAlignment::CentreInPageVert, 794, 1123));
  EXPECT_EQ(a->y, 456);
  EXPECT_EQ(b->y, 656);
  TkvView *lone = Memo(0, 0, 94, 10);
  EXPECT_TRUE(KvAlignViews({lone}, lone, TkvAlignment::CentreInPageHorz, 794, 1123));
  EXPECT_EQ(lone->x, 350);
}

// The palette on a selection the way the designer gives it.
class Palette : public Alignment {
 protected:
  void SetUp() override {
    palette_.Target.Selection = [this] { return selection_; };
    palette_.Target.ClickedLast = [this] { return clicked_; };
    palette_.Target.Page = [this] { return page_; };
    palette_.Target.Changed = [this] { ++changes_; };
  }
  TAlignForm palette_{nullptr};
  std::vector<TkvView *> selection_;
  TkvView *clicked_ = nullptr;
  int changes_ = 0;
};

TEST_F(Palette, ButtonsCarryTheirHintsAndActOnTheSelection) {
  EXPECT_EQ(palette_.Caption(), QStringLiteral("Allineamento"));
  EXPECT_EQ(palette_.Name(), QStringLiteral("AlignForm"));
  EXPECT_EQ(palette_.B[0]->Hint(), QStringLiteral("Allinea al bordo sinistro"));
  EXPECT_EQ(palette_.B[4]->Hint(), QStringLiteral("Allinea al bordo destro"));
  EXPECT_EQ(palette_.B[8]->Hint(), QStringLiteral("Spazi uniformi veticalmente"));
  EXPECT_EQ(palette_.B[9]->Hint(), QStringLiteral("Allinea in basso"));
  for (const vcl::TSpeedButton *b : palette_.B) {
    EXPECT_TRUE(b->Flat());
    // Drawn on the button's face: no square of the background's key
    // colour, and a picture left on it.
    const QImage face = vcl::GlyphImage(b->Glyph(), b->NumGlyphs(), vcl::bsUp);
    int clear = 0, magenta = 0;
    for (int y = 0; y < face.height(); ++y) {
      for (int x = 0; x < face.width(); ++x) {
        const QRgb pixel = face.pixel(x, y);
        clear += qAlpha(pixel) == 0 ? 1 : 0;
        magenta += qAlpha(pixel) != 0 && (pixel & 0xFFFFFFu) == 0xFF00FFu ? 1 : 0;
      }
    }
    EXPECT_EQ(magenta, 0) << b->Hint().toStdString();
    EXPECT_GT(clear, face.width() * face.height() / 2) << b->Hint().toStdString();
  }

  TkvView *a = Memo(10, 0, 50, 20);
  TkvView *b = Memo(100, 0, 20, 20);
  selection_ = {a, b};
  clicked_ = a;
  palette_.B[4]->Click();  // right edges on the clicked object
  EXPECT_EQ(b->x, 40);
  EXPECT_EQ(changes_, 1);
  palette_.B[4]->Click();  // nothing moves: no change recorded
  EXPECT_EQ(changes_, 1);

  // Without a clicked object the topmost selected one is the reference.
  clicked_ = nullptr;
  palette_.B[0]->Click();
  EXPECT_EQ(a->x, 40);
  EXPECT_EQ(changes_, 2);

  // Centring uses the page at the report's scale, whatever the printer
  // geometry says (none here).
  page_->PrinterGeometry = {};
  palette_.B[2]->Click();
  EXPECT_EQ(a->x, 372);  // the group is 50 wide on 794 pixels
  EXPECT_EQ(changes_, 3);
}

TEST_F(Palette, FunctionKeysGoOnToTheDesignerAndShowingKeepsItActive) {
  vcl::TForm designer(nullptr);
  designer.Show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(designer.Handle()));
  std::vector<int> keys;
  palette_.OnFunctionKey = [&keys](int key, vcl::TShiftState) { keys.push_back(key); };
  palette_.SetVisible(true);
  EXPECT_TRUE(palette_.Visible());
  QTest::qWait(20);
  EXPECT_EQ(QApplication::activeWindow(), designer.Handle());
  QTest::keyClick(palette_.Handle(), Qt::Key_F9);
  QTest::keyClick(palette_.Handle(), Qt::Key_A);
  EXPECT_TRUE(keys.empty());  // posted: the key is handled first
  QTest::qWait(20);
  EXPECT_EQ(keys, std::vector<int>{vcl::VK_F9});
  palette_.Hide();
}

}  // namespace
