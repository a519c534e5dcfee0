// The styled push button and check box on an offscreen form: click and key
// handling, state cycles, drop-down menus that give no modal result, the
// repeat timer, strip geometry and the pixels of the box images.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPushButton>
#include <QWidget>

#include "controls/styled/qelapp.h"
#include "controls/styled/qelbuttons.h"
#include "controls/styled/qelsysinfo.h"
#include "platform/vcl/actnlist.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/typinfo.h"

using namespace qel;

namespace {

QRgb Px(vcl::TWinControl *c, int x, int y) { return c->Handle()->grab().toImage().pixel(x, y) & 0xFFFFFF; }

void ClickAt(vcl::TControl *c, int x = 3, int y = 3) {
  c->Perform(vcl::WM_LBUTTONDOWN, vcl::MK_LBUTTON, vcl::MakeLParam(x, y));
  c->Perform(vcl::WM_LBUTTONUP, 0, vcl::MakeLParam(x, y));
}

struct ShowSlotGuard {
  ~ShowSlotGuard() { vcl::TPopupMenu::ShowSlot = nullptr; }
};

}  // namespace

TEST(CheckBox, ClicksCycleStatesAndOnClickSeesTheNewState) {
  vcl::TForm form(nullptr);
  auto *box = new TQELCheckBox(&form);
  box->SetParent(&form);
  std::vector<TCheckBoxState> seen;
  int changes = 0;
  box->OnClick = [&](rtl::TObject *) { seen.push_back(box->State()); };
  box->OnChange = [&](rtl::TObject *) { ++changes; };
  for (int i = 0; i < 3; ++i) ClickAt(box);
  EXPECT_EQ(seen, (std::vector<TCheckBoxState>{cbChecked, cbUnchecked, cbChecked}));
  EXPECT_EQ(changes, 3);

  seen.clear();
  box->SetState(cbUnchecked);
  box->SetAllowGrayed(true);
  for (int i = 0; i < 3; ++i) ClickAt(box);
  EXPECT_EQ(seen, (std::vector<TCheckBoxState>{cbGrayed, cbChecked, cbUnchecked}));

  // Read-only: the click is reported, the state stays, no change event.
  box->SetReadOnly(true);
  changes = 0;
  seen.clear();
  ClickAt(box);
  EXPECT_EQ(seen, (std::vector<TCheckBoxState>{cbUnchecked}));
  EXPECT_EQ(changes, 0);

  box->SetChecked(true);
  EXPECT_EQ(box->State(), cbChecked);
  EXPECT_TRUE(box->Checked());
}

TEST(CheckBox, SpaceAndAcceleratorToggleOnlyAFocusedWritableBox) {
  vcl::TForm form(nullptr);
  form.SetBounds(0, 0, 200, 100);
  auto *box = new TQELCheckBox(&form);
  box->SetParent(&form);
  box->SetCaption(QStringLiteral("&Non mostrare più"));
  form.Show();
  form.Handle()->activateWindow();
  box->SetFocus();
  QCoreApplication::processEvents();
  if (!box->Focused()) GTEST_SKIP() << "the offscreen platform gave no focus";

  box->Perform(vcl::WM_KEYDOWN, vcl::VK_SPACE);
  EXPECT_EQ(box->State(), cbChecked);
  box->SetReadOnly(true);
  box->Perform(vcl::WM_KEYDOWN, vcl::VK_SPACE);
  EXPECT_EQ(box->State(), cbChecked);
  box->SetReadOnly(false);

  EXPECT_EQ(box->Perform(vcl::CM_DIALOGCHAR, 'x'), 0);
  EXPECT_EQ(box->Perform(vcl::CM_DIALOGCHAR, 'n'), 1);
  EXPECT_EQ(box->State(), cbUnchecked);
  form.Hide();
}

TEST(CheckBox, StripGeometryAndImageIndexes) {
  vcl::TForm form(nullptr);
  auto *box = new TQELCheckBox(&form);
  EXPECT_EQ(box->Width(), 105);
  EXPECT_EQ(box->Height(), 17);
  EXPECT_EQ(box->Strip()->Width(), 6 * 13);
  EXPECT_EQ(box->Strip()->Height(), 13);
  box->SetGlyphSize(16);
  EXPECT_EQ(box->Strip()->Width(), 6 * 16);
  EXPECT_EQ(box->ImageWidth(), 16);

  box->SetGlyphNumber(0);
  EXPECT_EQ(box->GlyphNumber(), 1);
  box->SetState(cbGrayed);
  EXPECT_EQ(box->ImageIndexNow(), 0);  // only one state image per look
  box->SetGlyphNumber(3);
  EXPECT_EQ(box->ImageIndexNow(), 4);
  box->SetEnabled(false);
  EXPECT_EQ(box->ImageIndexNow(), 5);
  box->SetEnabled(true);

  // A flat box away from mouse and focus shows the flat half, which the
  // generated strip carries, and keeps its image width.
  box->SetFlat(true);
  EXPECT_EQ(box->Strip()->Width(), 12 * 16);
  EXPECT_EQ(box->ImageWidth(), 16);
  EXPECT_EQ(box->ImageIndexNow(), 4 + 6);
  box->SetFlat(false);
  EXPECT_EQ(box->Strip()->Width(), 6 * 16);
}

TEST(CheckBox, PaintsTheBoxOfItsState) {
  vcl::TForm form(nullptr);
  form.SetBounds(0, 0, 200, 60);
  auto *box = new TQELCheckBox(&form);
  box->SetParent(&form);
  box->SetAlignment(agCenterLeft);
  box->SetColor(0x00FF00);
  // The box sits at the left, vertically centred; its middle is the window
  // colour when unchecked and shows the tick when checked.
  const int mid_x = 1 + 13 / 2, mid_y = 17 / 2;
  const QRgb unchecked = Px(box, mid_x, mid_y);
  EXPECT_EQ(unchecked, 0xFFFFFFu);
  box->SetChecked(true);
  EXPECT_EQ(Px(box, mid_x, mid_y), 0x000000u);
  // Outside box and caption the control's colour shows.
  EXPECT_EQ(Px(box, 100, 2), 0x00FF00u);
  box->SetUseBitmap(true);
  EXPECT_EQ(Px(box, mid_x, mid_y), 0x000000u);
  EXPECT_EQ(Px(box, 100, 2), 0x00FF00u);
}

TEST(CheckBox, AutoSizeFollowsTheCaption) {
  vcl::TForm form(nullptr);
  auto *box = new TQELCheckBox(&form);
  box->SetParent(&form);
  box->SetCaption(QStringLiteral("Si"));
  box->SetAutoSize(true);
  const int short_width = box->Width();
  EXPECT_LT(short_width, 105);
  EXPECT_GE(box->Height(), 13);
  box->SetCaption(QStringLiteral("Non mostrare più questo messaggio"));
  EXPECT_GT(box->Width(), short_width);
  EXPECT_EQ(box->Alignment(), agTopLeft);
}

TEST(Button, DropDownMenuGivesNoModalResult) {
  ShowSlotGuard guard;
  vcl::TForm form(nullptr);
  auto *menu = new vcl::TPopupMenu(&form);
  auto *button = new TQELButton(&form);
  button->SetParent(&form);
  button->SetModalResult(vcl::mrOk);
  button->SetDropDownMenu(menu);
  int clicks = 0, drops = 0;
  bool pushed_while_open = false;
  vcl::TPoint at{};
  button->OnClick = [&](rtl::TObject *) { ++clicks; };
  button->OnDropDown = [&](rtl::TObject *) { ++drops; };
  vcl::TPopupMenu::ShowSlot = [&](vcl::TPopupMenu *, int x, int y) -> vcl::TMenuItem * {
    pushed_while_open = button->Dropped();
    at = vcl::TPoint{x, y};
    return nullptr;
  };
  button->SetDropDownIndent(5);
  button->Click();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(drops, 1);
  EXPECT_TRUE(pushed_while_open);
  EXPECT_FALSE(button->Dropped());
  EXPECT_EQ(form.ModalResult(), vcl::mrNone);
  EXPECT_EQ(at, button->ClientToScreen(vcl::TPoint{5, button->Height()}));
  button->SetDropDownRight(true);
  button->Click();
  EXPECT_EQ(at, button->ClientToScreen(vcl::TPoint{button->Width(), 5}));

  // Without the menu (freed) the button is a plain one again.
  delete menu;
  EXPECT_EQ(button->DropDownMenu(), nullptr);
  button->Click();
  EXPECT_EQ(form.ModalResult(), vcl::mrOk);
}

TEST(Button, RepeatedClickRunsOnThePoolWhileTheMouseIsOver) {
  vcl::TForm form(nullptr);
  auto *button = new TQELButton(&form);
  button->SetParent(&form);
  button->SetRepeatedClick(true);
  int clicks = 0;
  button->OnClick = [&](rtl::TObject *) { ++clicks; };
  button->Perform(vcl::WM_LBUTTONDOWN, vcl::MK_LBUTTON, vcl::MakeLParam(3, 3));
  ASSERT_NE(button->RepeatTimer(), 0);
  TQELTimerItem *item = QELApplication()->GetTimerItem(button->RepeatTimer());
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Interval(), 500);
  item->Handler(nullptr);
  EXPECT_EQ(clicks, 0);  // the mouse is not over it
  button->Perform(vcl::CM_MOUSEENTER);
  item->Handler(nullptr);
  item->Handler(nullptr);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(item->Interval(), 100);
  const auto id = button->RepeatTimer();
  button->Perform(vcl::WM_LBUTTONUP, 0, vcl::MakeLParam(300, 300));
  EXPECT_EQ(button->RepeatTimer(), 0);
  EXPECT_EQ(QELApplication()->GetTimerItem(id), nullptr);

  // Hiding stops a running repeat and forgets the mouse.
  button->Perform(vcl::WM_LBUTTONDOWN, vcl::MK_LBUTTON, vcl::MakeLParam(3, 3));
  button->SetVisible(false);
  EXPECT_EQ(button->RepeatTimer(), 0);
  EXPECT_FALSE(button->MouseOver());
}

TEST(Button, RotatedCaptionGetsAnOutlineFontAndStatesPaint) {
  vcl::TForm form(nullptr);
  auto *button = new TQELButton(&form);
  button->SetParent(&form);
  EXPECT_EQ(button->Width(), 75);
  EXPECT_EQ(button->Height(), 25);
  button->FontFX()->SetAngle(90);
  EXPECT_FALSE(button->ParentFont());
  if (button->FontFX()->Angle() != 0) {
    // The angle stayed: the font turns. A font that cannot turn is swapped.
    button->Font()->SetName(QStringLiteral("Fixedsys"));
    if (!IsTrueTypeFont(button->Font())) FAIL() << "a raster font stayed on a rotated caption";
  }

  button->SetCaption(QStringLiteral("&Sì"));
  button->Handle()->grab();
  EXPECT_EQ(button->DrawState(), kButtonUp);
  button->SetEnabled(false);
  button->Handle()->grab();
  EXPECT_EQ(button->DrawState(), kButtonDisabled);
  button->SetEnabled(true);

  // A glyph from an image list, dropped when a bitmap is set directly.
  TQELBitmapList list(&form);
  vcl::TBitmap b;
  b.SetSize(8, 8);
  list.Items(list.Add())->SetBitmap(&b);
  button->SetImageList(&list);
  EXPECT_EQ(button->Glyph()->Width(), 8);
  vcl::TBitmap other;
  other.SetSize(4, 4);
  button->SetGlyph(&other);
  EXPECT_EQ(button->ImageList(), nullptr);
  EXPECT_EQ(button->Glyph()->Width(), 4);
}

TEST(CheckBox, StoredPropertiesReachTheSetters) {
  vcl::TForm form(nullptr);
  auto *box = new TQELCheckBox(&form);
  vcl::SetEnumProp(box, QStringLiteral("State"), QStringLiteral("cbGrayed"));
  EXPECT_EQ(box->State(), cbGrayed);
  vcl::SetOrdProp(box, QStringLiteral("GlyphNumber"), 0);
  EXPECT_EQ(box->GlyphNumber(), 1);
  EXPECT_EQ(vcl::GetOrdProp(box, QStringLiteral("GlyphSize")), 13);
  auto *button = new TQELButton(&form);
  EXPECT_EQ(vcl::GetOrdProp(button, QStringLiteral("RepeatingDelay")), 500);
  EXPECT_EQ(vcl::GetEnumProp(button, QStringLiteral("Style")), QStringLiteral("nbsAutoDetect"));
}

TEST(CheckBox, FollowsItsActionsCheckedStateUntilTheActionGoes) {
  vcl::TForm form(nullptr);
  auto *box = new TQELCheckBox(&form);
  auto *action = new vcl::TAction(&form);
  action->SetChecked(true);
  box->SetAction(action);
  EXPECT_TRUE(box->Checked());
  action->SetChecked(false);
  EXPECT_EQ(box->State(), cbUnchecked);
  delete action;
  EXPECT_EQ(box->Action(), nullptr);
  box->SetChecked(true);
  EXPECT_TRUE(box->Checked());
}

TEST(Button, EnterAndEscReachTheDefaultAndCancelButtons) {
  vcl::TForm form(nullptr);
  auto *yes = new TQELButton(&form);
  yes->SetParent(&form);
  yes->SetDefault(true);
  yes->SetModalResult(6);
  auto *no = new TQELButton(&form);
  no->SetParent(&form);
  no->SetCancel(true);
  no->SetModalResult(7);
  form.Show();
  EXPECT_TRUE(yes->IsActiveDefault());
  EXPECT_FALSE(no->IsActiveDefault());
  EXPECT_EQ(no->Perform(vcl::CM_DIALOGKEY, vcl::VK_ESCAPE), 1);
  EXPECT_EQ(form.ModalResult(), 7);
  EXPECT_EQ(yes->Perform(vcl::CM_DIALOGKEY, vcl::VK_RETURN), 1);
  EXPECT_EQ(form.ModalResult(), 6);
  // The pressed look is the down state.
  auto *b = qobject_cast<QPushButton *>(yes->Handle());
  ASSERT_NE(b, nullptr);
  b->setDown(true);
  yes->Handle()->grab();
  EXPECT_EQ(yes->DrawState(), kButtonDown);
  b->setDown(false);
  form.Hide();
}

TEST(Button, TakesItsActionsStateAndImageAndExecutesIt) {
  vcl::TForm form(nullptr);
  vcl::TImageList images(16, 16);
  for (QRgb colour : {qRgb(0, 128, 0), qRgb(0, 0, 255)}) {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int i = 4; i < 12; ++i) image.setPixel(i, 8, colour);
    images.AddImage(image);
  }
  vcl::TActionList list(&form);
  list.SetImages(&images);
  auto *action = new vcl::TAction(&form);
  action->SetActionList(&list);
  action->SetCaption(QStringLiteral("&Salva"));
  action->SetHint(QStringLiteral("Salva le modifiche"));
  action->SetImageIndex(0);
  int executed = 0;
  action->OnExecute = [&](rtl::TObject *) { ++executed; };

  auto *button = new TQELButton(&form);
  button->SetParent(&form);
  button->SetAction(action);
  EXPECT_EQ(button->Caption(), QStringLiteral("&Salva"));
  EXPECT_EQ(button->Hint(), QStringLiteral("Salva le modifiche"));
  // The image on fuchsia, at the list's size.
  ASSERT_FALSE(button->Glyph()->Empty());
  EXPECT_EQ(button->Glyph()->Width(), 16);
  EXPECT_EQ(button->Glyph()->Image().pixel(0, 0) & 0xFFFFFF, 0xFF00FFu);
  EXPECT_EQ(button->Glyph()->Image().pixel(6, 8) & 0xFFFFFF, 0x008000u);

  // Each change of the action comes over; the image follows the action
  // (it does not go and come back with every change).
  action->SetEnabled(false);
  EXPECT_FALSE(button->Enabled());
  EXPECT_FALSE(button->Glyph()->Empty());
  action->SetEnabled(true);
  action->SetImageIndex(1);
  EXPECT_EQ(button->Glyph()->Image().pixel(6, 8) & 0xFFFFFF, 0x0000FFu);
  action->SetImageIndex(-1);
  EXPECT_TRUE(button->Glyph()->Empty());

  // A glyph of the button's own stays.
  vcl::TBitmap own(8, 8);
  button->SetGlyph(&own);
  action->SetImageIndex(0);
  EXPECT_EQ(button->Glyph()->Width(), 8);

  // A click without an OnClick runs the action; with one, the OnClick.
  button->Click();
  EXPECT_EQ(executed, 1);
  int clicked = 0;
  button->OnClick = [&](rtl::TObject *) { ++clicked; };
  button->Click();
  EXPECT_EQ(executed, 1);
  EXPECT_EQ(clicked, 1);

  // A freed action is forgotten.
  delete action;
  EXPECT_EQ(button->Action(), nullptr);
  button->OnClick = nullptr;
  button->Click();
  EXPECT_EQ(vcl::GetPropInfo(button, QStringLiteral("Action"))->Kind(), vcl::tkClass);
}
