// The glyph speed button: how a strip becomes images (counts, the derived
// disabled and grey looks), the sharing of glyph lists, radio groups,
// auto-repeat while held down (on a manual clock), the linked action and
// the drop-down menu.
#include <gtest/gtest.h>
#include <QApplication>
#include <QCursor>
#include <QTest>

#include <memory>

#include "controls/extended/mwctrls.h"
#include "platform/vcl/actnlist.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"

using namespace vcl;
using namespace ext;

namespace {

// A strip of `cells` 16x16 cells on fuchsia; cell n has a 4x4 square of
// `ink` at (4,4).
std::unique_ptr<TBitmap> Strip(int width, int height, QRgb ink = qRgb(0, 0, 0)) {
  auto b = std::make_unique<TBitmap>(width, height);
  QImage img(width, height, QImage::Format_RGB32);
  img.fill(qRgb(255, 0, 255));
  for (int x0 = 0; x0 + height <= width; x0 += height)
    for (int y = 4; y < 8; ++y)
      for (int x = 4; x < 8; ++x) img.setPixel(x0 + x, y, ink);
  b->SetImage(img);
  return b;
}

QRgb Rgb(TColor c) { return ColorToQColor(ColorToRGB(c)).rgb(); }

}  // namespace

TEST(GlyphButton, StripWidthDecidesTheNumberOfImages) {
  TMwSpeedButton b(nullptr);
  b.SetGlyph(Strip(64, 16).get());
  EXPECT_EQ(b.NumGlyphs(), 4);
  b.SetGlyph(Strip(96, 16).get());  // six cells: too many, taken as one image
  EXPECT_EQ(b.NumGlyphs(), 1);
  b.SetNumGlyphs(2);
  b.SetGlyph(Strip(40, 16).get());  // not a multiple: the count stays
  EXPECT_EQ(b.NumGlyphs(), 2);
  EXPECT_EQ(b.Width(), 25);
  EXPECT_EQ(b.Height(), 25);
  // The button's own properties and the control's reach property storage.
  SetPropValue(&b, "Margin", rtl::Variant(3));
  EXPECT_EQ(b.Margin(), 3);
  EXPECT_TRUE(IsStoredProp(&b, FindPropInfo(&b, "Margin")));
  EXPECT_FALSE(IsStoredProp(&b, FindPropInfo(&b, "InitPause")));
  EXPECT_NE(GetPropInfo(&b, "Enabled"), nullptr);
}

TEST(GlyphButton, DerivedDisabledAndGreyImagesFollowTheFormulas) {
  TMwButtonGlyph g;
  g.SetGlyph(Strip(16, 16, qRgb(200, 100, 50)).get());
  ASSERT_EQ(g.NumGlyphs(), 1);

  const QImage grey = g.StateImage(bsInactive);
  ASSERT_EQ(grey.size(), QSize(16, 16));
  const int level = (200 * 77 + 100 * 150 + 50 * 29) / 256;
  EXPECT_EQ(grey.pixel(5, 5) & 0xFFFFFF, qRgb(level, level, level) & 0xFFFFFF);
  EXPECT_EQ(qAlpha(grey.pixel(0, 0)), 0);  // the transparent colour stays transparent

  const QImage dis = g.StateImage(bsDisabled);
  EXPECT_EQ(dis.pixel(5, 5) & 0xFFFFFF, Rgb(clBtnShadow) & 0xFFFFFF);     // the shape in shadow
  EXPECT_EQ(dis.pixel(8, 8) & 0xFFFFFF, Rgb(clBtnHighlight) & 0xFFFFFF);  // its highlight, one down-right
  EXPECT_EQ(qAlpha(dis.pixel(0, 0)), 0);

  // With four cells the down and exclusive images are cells 3 and 4.
  auto strip = Strip(64, 16);
  QImage img = strip->Image();
  img.setPixel(32 + 1, 1, qRgb(1, 2, 3));
  strip->SetImage(img);
  g.SetGlyph(strip.get());
  EXPECT_EQ(g.StateImage(bsDown).pixel(1, 1) & 0xFFFFFF, qRgb(1, 2, 3) & 0xFFFFFF);
  EXPECT_EQ(qAlpha(g.StateImage(bsUp).pixel(1, 1)), 0);
}

TEST(GlyphButton, GlyphsOfOneSizeShareAListThatGoesWithTheLastOfThem) {
  auto a = std::make_unique<TMwButtonGlyph>();
  auto b = std::make_unique<TMwButtonGlyph>();
  a->SetGlyph(Strip(16, 16).get());
  b->SetGlyph(Strip(32, 16).get());
  a->CreateButtonGlyph(bsUp);
  b->CreateButtonGlyph(bsUp);
  b->CreateButtonGlyph(bsDown);
  ASSERT_NE(a->List(), nullptr);
  EXPECT_EQ(a->List(), b->List());
  EXPECT_EQ(a->List()->UseCount(), 3);
  a.reset();
  EXPECT_EQ(b->List()->UseCount(), 2);
  TGlyphList *list = b->List();
  b->CreateButtonGlyph(bsExclusive);  // reuses the slot a freed
  EXPECT_EQ(list->Count(), 3);
  b.reset();
  EXPECT_EQ(GlyphCache(), nullptr);
}

TEST(GlyphButton, GroupsActAsRadioButtons) {
  TForm form(nullptr);
  auto *x = new TMwSpeedButton(&form);
  auto *y = new TMwSpeedButton(&form);
  x->SetParent(&form);
  y->SetParent(&form);
  x->SetDown(true);
  EXPECT_FALSE(x->Down());  // no group: never down
  x->SetGroupIndex(1);
  y->SetGroupIndex(1);
  x->SetDown(true);
  EXPECT_TRUE(x->Down());
  y->SetDown(true);
  EXPECT_TRUE(y->Down());
  EXPECT_FALSE(x->Down());
  y->PressAndClick();  // down without AllowAllUp: stays down
  EXPECT_TRUE(y->Down());
  y->SetAllowAllUp(true);
  EXPECT_TRUE(x->AllowAllUp());  // the group takes the setting
  y->PressAndClick();
  EXPECT_FALSE(y->Down());
}

TEST(GlyphButton, HeldDownItRepeatsAfterTheInitialPauseThenAtTheInterval) {
  TManualClock clock;
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 100);
  auto *b = new TMwSpeedButton(&form);
  b->SetParent(&form);
  b->SetBounds(10, 10, 25, 25);
  b->SetAllowTimer(true);
  int clicks = 0;
  b->OnClick = [&](rtl::TObject *) { ++clicks; };
  form.Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.Handle()));
  QTest::mousePress(b->Handle(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(b->State(), bsDown);
  clock.Advance(499);
  EXPECT_EQ(clicks, 0);
  clock.Advance(1);
  EXPECT_EQ(clicks, 1);
  clock.Advance(99);
  EXPECT_EQ(clicks, 1);
  clock.Advance(1);
  EXPECT_EQ(clicks, 2);
  clock.Advance(300);
  EXPECT_EQ(clicks, 5);
  QTest::mouseRelease(b->Handle(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(clicks, 6);  // the release inside clicks once more
  clock.Advance(1000);
  EXPECT_EQ(clicks, 6);  // and stops the timer
  EXPECT_EQ(b->State(), bsUp);
}

TEST(GlyphButton, ReleasedOutsideItDoesNotClickAndModalResultReachesTheForm) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 100);
  auto *b = new TMwSpeedButton(&form);
  b->SetParent(&form);
  int clicks = 0;
  b->OnClick = [&](rtl::TObject *) { ++clicks; };
  form.Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.Handle()));
  QTest::mousePress(b->Handle(), Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseRelease(b->Handle(), Qt::LeftButton, {}, QPoint(60, 60));
  EXPECT_EQ(clicks, 0);
  b->SetModalResult(mrOk);
  {
    // The pressed look shows for 20 ms before the click.
    TManualClock clock;
    const long long before = TickCount();
    b->PressAndClick();
    EXPECT_EQ(TickCount() - before, 20);
  }
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(form.ModalResult(), mrOk);
}

TEST(GlyphButton, LayoutCentresAGlyphWithoutCaptionWhenMarginAndSpacingFloat) {
  TMwButtonGlyph g;
  TBitmap surface(25, 25);
  TPoint pos{0, 0};
  TRect text{0, 0, 0, 0};
  QString shown;
  g.CalcButtonLayout(surface.Canvas(), Rect(0, 0, 25, 25), {0, 0}, "", blGlyphLeft, -1, -1, pos, text, false,
                     TSize{16, 16}, shown);
  EXPECT_EQ(pos.X, 4);  // along the axis: margin = free space / 2
  EXPECT_EQ(pos.Y, 5);  // across it: centred, the odd pixel below
  g.CalcButtonLayout(surface.Canvas(), Rect(0, 0, 25, 25), {1, 1}, "", blGlyphTop, 2, -1, pos, text, false,
                     TSize{16, 16}, shown);
  EXPECT_EQ(pos, (TPoint{6, 3}));  // margin 2 from the top, pressed content one pixel on
}

TEST(GlyphButton, ALinkedActionGivesItsStateAndRunsOnClick) {
  TForm form(nullptr);
  TActionList list(&form);
  TImageList images(16, 16);
  QImage picture(16, 16, QImage::Format_ARGB32);
  picture.fill(Qt::transparent);
  for (int y = 2; y < 6; ++y)
    for (int x = 2; x < 6; ++x) picture.setPixel(x, y, qRgb(0, 0, 255));
  images.AddImage(picture);
  list.SetImages(&images);
  auto *action = new TAction(&form);
  action->SetActionList(&list);
  action->SetCaption("Stampa");
  action->SetHint("Stampa la lista");
  action->SetImageIndex(0);
  action->SetChecked(true);
  int executed = 0;
  action->OnExecute = [&](rtl::TObject *) { ++executed; };

  auto *b = new TMwSpeedButton(&form);
  b->SetParent(&form);
  b->SetGroupIndex(3);
  b->SetAllowAllUp(true);
  b->SetAction(action);
  EXPECT_EQ(b->Caption(), "Stampa");
  EXPECT_EQ(b->Hint(), "Stampa la lista");
  EXPECT_TRUE(b->Down());
  // The empty glyph is drawn from the list's image on fuchsia, which is
  // then the transparent colour.
  ASSERT_FALSE(b->Glyph()->Empty());
  EXPECT_EQ(b->Glyph()->Image().pixel(3, 3) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(b->Glyph()->Image().pixel(10, 10) & 0xFFFFFF, 0xFF00FFu);
  EXPECT_EQ(qAlpha(b->ButtonGlyph()->StateImage(bsUp).pixel(10, 10)), 0);

  // Later changes of the action reach the button.
  action->SetChecked(false);
  EXPECT_FALSE(b->Down());
  action->SetEnabled(false);
  EXPECT_FALSE(b->Enabled());
  action->SetEnabled(true);
  action->SetCaption("Anteprima");
  EXPECT_EQ(b->Caption(), "Anteprima");

  b->Click();
  EXPECT_EQ(executed, 1);
  int clicks = 0;
  b->OnClick = [&](rtl::TObject *) { ++clicks; };  // an own handler wins
  b->Click();
  EXPECT_EQ(executed, 1);
  EXPECT_EQ(clicks, 1);

  delete action;  // freeing the action unlinks it
  EXPECT_EQ(b->Action(), nullptr);
  b->OnClick = nullptr;
  b->Click();
  EXPECT_EQ(executed, 1);
}

TEST(GlyphButton, AnActionReadWithTheFormOnlyFillsDefaults) {
  TForm form(nullptr);
  auto *action = new TAction(&form);
  action->SetCaption("Azione");
  action->SetChecked(false);
  auto *b = new TMwSpeedButton(&form);
  b->SetParent(&form);
  b->SetGroupIndex(1);
  b->SetDown(true);
  b->SetCaption("Proprio");
  action->BeginLoading();
  b->SetAction(action);
  action->Loaded();
  EXPECT_EQ(b->Caption(), "Proprio");
  EXPECT_TRUE(b->Down());  // already down: stays
}

TEST(GlyphButton, ThePressDropsDownTheMenuUnderTheButtonWithoutAClick) {
  TForm form(nullptr);
  form.SetBounds(50, 40, 200, 100);
  auto *b = new TMwSpeedButton(&form);
  b->SetParent(&form);
  b->SetBounds(10, 10, 30, 20);
  auto *menu = new TPopupMenu(&form);
  auto *item = new TMenuItem(menu);
  item->SetCaption("Voce");
  menu->Items()->Add(item);
  int chosen = 0, clicks = 0;
  item->OnClick = [&](rtl::TObject *) { ++chosen; };
  b->OnClick = [&](rtl::TObject *) { ++clicks; };
  b->SetDropDownMenu(menu);
  form.Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.Handle()));

  QList<QPoint> shown;
  TPopupMenu::ShowSlot = [&](TPopupMenu *m, int x, int y) -> TMenuItem * {
    shown << QPoint(x, y);
    EXPECT_EQ(m->PopupComponent(), b);
    return m->Items()->Items(0);
  };
  const TPoint origin = b->ClientToScreen({0, 0});
  QTest::mouseClick(b->Handle(), Qt::LeftButton, {}, QPoint(5, 5));
  ASSERT_EQ(shown.size(), 1);
  EXPECT_EQ(shown[0], QPoint(origin.X - 1, origin.Y + 20));  // under the left edge
  EXPECT_EQ(chosen, 1);
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(b->State(), bsUp);

  QApplication::processEvents();
  menu->SetAlignment(paRight);
  b->SetMenuPosition(dmpRight);
  QTest::mouseClick(b->Handle(), Qt::LeftButton, {}, QPoint(5, 5));
  ASSERT_EQ(shown.size(), 2);
  EXPECT_EQ(shown[1], QPoint(origin.X - 1, origin.Y - 1));
  QApplication::processEvents();
  menu->SetAlignment(paCenter);
  b->SetMenuPosition(dmpBottom);
  QTest::mouseClick(b->Handle(), Qt::LeftButton, {}, QPoint(5, 5));
  ASSERT_EQ(shown.size(), 3);
  EXPECT_EQ(shown[2], QPoint(origin.X + 15, origin.Y + 20));

  // A programmatic press does nothing while a menu drops down by itself;
  // without automatic pop-up the button clicks.
  b->PressAndClick();
  EXPECT_EQ(clicks, 0);
  menu->SetAutoPopup(false);
  QApplication::processEvents();
  QTest::mouseClick(b->Handle(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(shown.size(), 3);
  EXPECT_EQ(clicks, 1);

  delete menu;
  EXPECT_EQ(b->DropDownMenu(), nullptr);
  TPopupMenu::ShowSlot = nullptr;
}

TEST(GlyphButton, DoubleClicksAndPointerNoticesCountOnlyWhereTheyMeanSomething) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 100);
  auto *b = new TMwSpeedButton(&form);
  b->SetParent(&form);
  int doubles = 0, enters = 0, leaves = 0;
  b->OnDblClick = [&](rtl::TObject *) { ++doubles; };
  b->OnMouseEnter = [&](rtl::TObject *) { ++enters; };
  b->OnMouseLeave = [&](rtl::TObject *) { ++leaves; };
  form.Show();
  QApplication::setActiveWindow(form.Handle());
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.Handle()));

  QTest::mouseDClick(b->Handle(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(doubles, 0);  // up: the second press is a press
  b->SetGroupIndex(2);
  b->SetDown(true);
  QTest::mouseDClick(b->Handle(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(doubles, 1);

  enters = leaves = 0;  // the clicks moved the pointer in
  b->Perform(CM_MOUSEENTER, 0, 0);
  b->Perform(CM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(enters, 1);
  EXPECT_EQ(leaves, 1);
  b->SetEnabled(false);
  b->Perform(CM_MOUSEENTER, 0, 0);
  b->Perform(CM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(enters, 1);
  EXPECT_EQ(leaves, 1);
}

TEST(GlyphButton, FramesFollowTheStyleAndTheState) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 100);
  auto *b = new TMwSpeedButton(&form);
  b->SetParent(&form);
  b->SetBounds(10, 10, 25, 25);
  form.Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.Handle()));
  const auto shot = [&] { return b->Handle()->grab().toImage(); };
  const auto px = [](const QImage &img, int x, int y) { return img.pixel(x, y) & 0xFFFFFF; };
  const QRgb frame = Rgb(clWindowFrame) & 0xFFFFFF, light = Rgb(clBtnHighlight) & 0xFFFFFF,
             shadow = Rgb(clBtnShadow) & 0xFFFFFF, face = Rgb(clBtnFace) & 0xFFFFFF;

  QImage img = shot();  // new style, raised: light over a dark frame, face over shadow inside
  EXPECT_EQ(px(img, 0, 0), light);
  EXPECT_EQ(px(img, 24, 24), frame);
  EXPECT_EQ(px(img, 24, 0), frame);  // the top-right corner belongs to the bottom-right edge
  EXPECT_EQ(px(img, 1, 1), face);
  EXPECT_EQ(px(img, 23, 23), shadow);

  b->SetGroupIndex(1);
  b->SetDown(true);  // pressed: dark outside, shadow inside
  img = shot();
  EXPECT_EQ(px(img, 0, 0), frame);
  EXPECT_EQ(px(img, 24, 24), light);
  EXPECT_EQ(px(img, 1, 1), shadow);

  b->SetStyle(bsWin31);  // the old style: a dark frame round the pressed look
  img = shot();
  EXPECT_EQ(px(img, 24, 24), frame);
  EXPECT_EQ(px(img, 1, 1), shadow);
  b->SetAllowAllUp(true);
  b->SetDown(false);  // raised: light over shadow inside the frame
  img = shot();
  EXPECT_EQ(px(img, 0, 0), frame);
  EXPECT_EQ(px(img, 1, 1), light);
  EXPECT_EQ(px(img, 23, 23), shadow);
}

TEST(GlyphButton, ListImagesTakeTheDisabledAndGreyLooks) {
  TImageList images(16, 16);
  QImage picture(16, 16, QImage::Format_ARGB32);
  picture.fill(Qt::transparent);
  for (int y = 4; y < 8; ++y)
    for (int x = 4; x < 8; ++x) picture.setPixel(x, y, qRgb(200, 100, 50));
  images.AddImage(picture);
  TBitmap target(16, 16);
  const auto draw = [&](TMwButtonState state) {
    target.Canvas()->Brush()->SetColor(clWhite);
    target.Canvas()->FillRect(Rect(0, 0, 16, 16));
    TMwButtonGlyph::DrawListImage(target.Canvas(), &images, 0, 0, 0, state);
    target.Canvas()->Flush();
    return target.Image();
  };
  QImage img = draw(bsUp);
  EXPECT_EQ(img.pixel(5, 5) & 0xFFFFFF, qRgb(200, 100, 50) & 0xFFFFFF);
  img = draw(bsInactive);
  const int level = (200 * 77 + 100 * 150 + 50 * 29) / 256;
  EXPECT_EQ(img.pixel(5, 5) & 0xFFFFFF, qRgb(level, level, level) & 0xFFFFFF);
  EXPECT_EQ(img.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);  // what was transparent stays so
  img = draw(bsDisabled);
  EXPECT_EQ(img.pixel(5, 5) & 0xFFFFFF, Rgb(clBtnShadow) & 0xFFFFFF);
  EXPECT_EQ(img.pixel(8, 8) & 0xFFFFFF, Rgb(clBtnHighlight) & 0xFFFFFF);   // the light edge, one pixel on
  TMwButtonGlyph::DrawListImage(target.Canvas(), &images, 5, 0, 0, bsUp);  // no such image: nothing
}

TEST(GlyphButton, EnablingAndShowingAskWhereThePointerIs) {
  TForm form(nullptr);
  form.SetBounds(100, 100, 200, 100);
  auto *b = new TMwSpeedButton(&form);
  b->SetParent(&form);
  b->SetBounds(10, 10, 25, 25);
  b->SetFlat(true);
  form.Show();
  QApplication::setActiveWindow(form.Handle());
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.Handle()));
  b->SetEnabled(false);
  const QPoint over = b->Handle()->mapToGlobal(QPoint(5, 5));
  QCursor::setPos(over);
  if (QCursor::pos() != over) GTEST_SKIP() << "the platform cannot move the pointer";
  int enters = 0;
  b->OnMouseEnter = [&](rtl::TObject *) { ++enters; };
  b->SetEnabled(true);  // the pointer came while it was disabled
  EXPECT_TRUE(b->MouseInControl());
  EXPECT_EQ(enters, 1);
  QCursor::setPos(b->Handle()->mapToGlobal(QPoint(80, 80)));
  b->SetVisible(false);
  b->SetVisible(true);
  EXPECT_FALSE(b->MouseInControl());
  QCursor::setPos(0, 0);  // out of the way of the tests that follow
}
