// The combo edit's popup: keys that open and close it, where it opens, and
// how its value reaches the text (one change event, none on Esc).
#include <gtest/gtest.h>
#include <QApplication>
#include <QFontMetrics>
#include <QTest>
#include <QWindow>

#include <memory>

#include "controls/extended/tooledit.h"
#include "platform/vcl/forms.h"

using namespace vcl;
using namespace ext;

namespace {

// A popup that offers a fixed value.
class ValuePopup : public TPopupWindow {
 public:
  explicit ValuePopup(TCustomComboEdit *edit) : TPopupWindow(edit) { SetBounds(0, 0, 150, 80); }
  rtl::Variant GetValue() const override { return rtl::Variant(value); }
  void SetValue(const rtl::Variant &v) override { received = v; }
  QString value = "dal popup";
  rtl::Variant received;
};

class PopupEdit : public TCustomComboEdit {
 public:
  explicit PopupEdit(TComponent *owner) : TCustomComboEdit(owner) {
    popup = new ValuePopup(this);
    SetPopup(popup);
  }
  ValuePopup *popup;
};

struct Fixture {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  PopupEdit *edit;
  TEdit *other;
  int changes = 0;

  explicit Fixture(int form_left = 100, int form_top = 100) {
    form->SetBounds(form_left, form_top, 300, 120);
    edit = new PopupEdit(form.get());
    edit->SetParent(form.get());
    edit->SetBounds(20, 20, 121, 21);
    edit->SetTabStop(true);
    other = new TEdit(form.get());
    other->SetParent(form.get());
    other->SetBounds(20, 60, 121, 21);
    other->SetTabStop(true);
    edit->OnChange = [this](rtl::TObject *) { ++changes; };
  }
  bool Show() {
    form->Show();
    QApplication::setActiveWindow(form->Handle());
    if (!QTest::qWaitForWindowActive(form->Handle())) return false;
    edit->SetFocus();
    return edit->Focused();
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(form->Handle()->windowHandle(), key, mods);
  }
};

}  // namespace

TEST(ComboEdit, AltDownOpensAndClosesTheListEscDiscardsEnterAccepts) {
  TScreenRectGuard screen(Rect(0, 0, 1024, 768));
  Fixture f;
  ASSERT_TRUE(f.Show());
  f.edit->SetText("prima");
  f.changes = 0;
  f.Key(Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(f.edit->PopupVisible());
  EXPECT_TRUE(f.edit->Popup()->Handle()->isVisible());
  EXPECT_TRUE(f.edit->Focused());  // the popup does not take the keyboard
  EXPECT_EQ(f.edit->popup->received.AsString(), "prima");
  f.Key(Qt::Key_Down, Qt::AltModifier);  // the click key again closes it, accepting
  EXPECT_FALSE(f.edit->PopupVisible());
  EXPECT_EQ(f.edit->Text(), "dal popup");
  EXPECT_EQ(f.changes, 1);

  f.edit->popup->value = "altro";
  f.Key(Qt::Key_Down, Qt::AltModifier);
  f.Key(Qt::Key_Escape);
  EXPECT_FALSE(f.edit->PopupVisible());
  EXPECT_EQ(f.edit->Text(), "dal popup");
  EXPECT_EQ(f.changes, 1);

  f.Key(Qt::Key_Down, Qt::AltModifier);
  f.Key(Qt::Key_Return);
  EXPECT_FALSE(f.edit->PopupVisible());
  EXPECT_EQ(f.edit->Text(), "altro");
  EXPECT_EQ(f.changes, 2);
  EXPECT_TRUE(f.edit->Focused());

  f.edit->SetButtonWidth(0);
  f.Key(Qt::Key_Down, Qt::AltModifier);
  EXPECT_FALSE(f.edit->PopupVisible());
}

TEST(ComboEdit, EnterAndEscWithTheListClosedReachTheFormsButtons) {
  Fixture f;
  auto *ok = new TButton(f.form.get());
  ok->SetParent(f.form.get());
  ok->SetDefault(true);
  int pressed = 0;
  ok->OnClick = [&](rtl::TObject *) { ++pressed; };
  QChar seen;
  f.edit->OnKeyPress = [&](rtl::TObject *, QChar &k) { seen = k; };
  ASSERT_TRUE(f.Show());
  f.Key(Qt::Key_Return);
  EXPECT_EQ(pressed, 1);
  EXPECT_EQ(seen.unicode(), 13);  // the field's own handler still sees Enter
}

TEST(ComboEdit, ThePopupOpensAboveNearTheScreenBottomAndStaysOnScreen) {
  TScreenRectGuard screen(Rect(0, 0, 800, 600));
  Fixture f(0, 500);
  ASSERT_TRUE(f.Show());
  const TPoint origin = f.edit->ClientToScreen({0, 0});
  f.edit->OpenPopup(true);
  ASSERT_TRUE(f.edit->PopupVisible());
  TPopupWindow *p = f.edit->Popup();
  EXPECT_EQ(p->Top(), origin.Y - p->Height());  // above the edit
  EXPECT_GE(p->Left(), 0);
  // Right-aligned it would start left of the screen: it starts at the edit.
  EXPECT_EQ(p->Left(),
            origin.X + f.edit->Width() - p->Width() < 0 ? origin.X : origin.X + f.edit->Width() - p->Width());
  f.edit->ClosePopup(false);

  TScreenRectGuard high(Rect(0, 0, 800, 2000));
  f.edit->OpenPopup(true);
  EXPECT_EQ(p->Top(), origin.Y + f.edit->Height());  // room below: it drops down
  f.edit->ClosePopup(false);
}

TEST(ComboEdit, WithoutDirectInputOnlyThePopupSetsTheText) {
  Fixture f;
  f.edit->SetDirectInput(false);
  ASSERT_TRUE(f.Show());
  for (Qt::Key k : {Qt::Key_A, Qt::Key_B, Qt::Key_C}) f.Key(k);
  EXPECT_EQ(f.edit->Text(), "");
  f.edit->OpenPopup(true);
  f.edit->ClosePopup(true);
  EXPECT_EQ(f.edit->Text(), "dal popup");
  f.edit->SetReadOnly(true);  // read-only: no popup at all
  f.edit->OpenPopup(true);
  EXPECT_FALSE(f.edit->PopupVisible());
}

TEST(ComboEdit, PressingTheButtonWhileOpenClosesItWithoutReopening) {
  Fixture f;
  int button_clicks = 0;
  f.edit->OnButtonClick = [&](rtl::TObject *) { ++button_clicks; };
  ASSERT_TRUE(f.Show());
  QWidget *b = f.edit->Button()->Handle();
  QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_TRUE(f.edit->PopupVisible());
  EXPECT_EQ(button_clicks, 1);
  QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_FALSE(f.edit->PopupVisible());
  EXPECT_EQ(f.edit->Text(), "dal popup");
  EXPECT_EQ(button_clicks, 1);
  // Leaving the edit closes an open popup without accepting.
  f.edit->popup->value = "non preso";
  f.edit->OpenPopup(true);
  f.other->SetFocus();
  EXPECT_FALSE(f.edit->PopupVisible());
  EXPECT_EQ(f.edit->Text(), "dal popup");
}

TEST(ComboEdit, TheEllipsisGlyphHasThreeDotsSpacedByTheButtonWidth) {
  TCustomComboEdit e(nullptr);
  e.SetButtonWidth(21);
  e.SetGlyphKind(gkEllipsis);
  const QImage img = e.Glyph()->Image();
  ASSERT_EQ(img.size(), QSize(15, 4));
  // gap (15 - 6) / 2 = 4 bounded to 3; the first dot at (15 - 6 - 6) / 2 = 1
  for (int x : {1, 2, 6, 7, 11, 12}) EXPECT_EQ(img.pixel(x, 1) & 0xFFFFFF, 0u) << x;
  for (int x : {0, 3, 5, 8, 10, 13}) EXPECT_EQ(img.pixel(x, 1) & 0xFFFFFF, 0xFFFFFFu) << x;
  EXPECT_EQ(img.pixel(1, 0) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(e.NumGlyphs(), 1);
  e.SetNumGlyphs(3);  // the ellipsis keeps one image
  EXPECT_EQ(e.NumGlyphs(), 1);
  e.SetGlyphKind(gkDropDown);
  EXPECT_EQ(e.ButtonWidth(), VScrollBarWidth());
  EXPECT_FALSE(e.IsButtonWidthStored());
  // What goes with the form: the width only where the kind does not imply
  // it, the glyph only when it is the user's own.
  EXPECT_FALSE(IsStoredProp(&e, FindPropInfo(&e, "ButtonWidth")));
  EXPECT_FALSE(IsStoredProp(&e, FindPropInfo(&e, "Glyph")));
  e.SetGlyph(e.Glyph());
  EXPECT_EQ(e.GlyphKind(), gkCustom);
  EXPECT_TRUE(IsStoredProp(&e, FindPropInfo(&e, "ButtonWidth")));  // 17, not 21
  EXPECT_TRUE(IsStoredProp(&e, FindPropInfo(&e, "Glyph")));
}

TEST(ComboEdit, APressOutsideThePopupDiscardsItAndAClickOnItAccepts) {
  TScreenRectGuard screen(Rect(0, 0, 1024, 768));
  Fixture f;
  ASSERT_TRUE(f.Show());
  f.edit->SetText("prima");
  f.changes = 0;
  f.edit->OpenPopup(true);
  ASSERT_TRUE(f.edit->PopupVisible());
  // The form's empty area, away from the edit and the popup.
  QTest::mouseClick(f.form->Handle()->windowHandle(), Qt::LeftButton, {}, QPoint(280, 110));
  EXPECT_FALSE(f.edit->PopupVisible());
  EXPECT_EQ(f.edit->Text(), "prima");
  EXPECT_EQ(f.changes, 0);
  EXPECT_TRUE(f.edit->Focused());

  f.edit->OpenPopup(true);
  QTest::mouseClick(f.edit->Popup()->Handle(), Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_FALSE(f.edit->PopupVisible());
  EXPECT_EQ(f.edit->Text(), "dal popup");
  EXPECT_EQ(f.changes, 1);

  // Once it is closed, presses elsewhere leave the edit alone.
  f.edit->popup->value = "mai";
  QTest::mouseClick(f.form->Handle()->windowHandle(), Qt::LeftButton, {}, QPoint(280, 110));
  EXPECT_EQ(f.edit->Text(), "dal popup");
}

TEST(ComboEdit, ItIsNeverLowerThanOneLineOfTheSmallerFont) {
  Fixture f;
  const int normal = f.edit->MinHeight();
  f.edit->SetBounds(20, 20, 121, 4);
  EXPECT_EQ(f.edit->Height(), normal);
  f.edit->SetBounds(20, 20, 121, 40);
  EXPECT_EQ(f.edit->Height(), 40);

  // A large font does not raise the floor to its own line (the system
  // font's is smaller); a tiny one lowers it.
  f.edit->Font()->SetSize(28);
  EXPECT_LT(f.edit->MinHeight(), QFontMetrics(f.edit->Font()->ToQFont()).height());
  f.edit->Font()->SetSize(5);
  EXPECT_LT(f.edit->MinHeight(), normal);
  EXPECT_GE(f.edit->MinHeight(), QFontMetrics(f.edit->Font()->ToQFont()).height() + 5);

  // The button sits inside the frame, or on the whole right edge without one.
  f.edit->SetBounds(20, 20, 121, 40);
  EXPECT_EQ(f.edit->ButtonHolder()->Left(), 121 - 21 - 2);
  EXPECT_EQ(f.edit->ButtonHolder()->Height(), 36);
  f.edit->SetBorderStyle(bsNone);
  f.edit->SetBounds(20, 20, 121, 41);
  EXPECT_EQ(f.edit->ButtonHolder()->Left(), 100);
  EXPECT_EQ(f.edit->ButtonHolder()->Top(), 0);
  EXPECT_EQ(f.edit->Button()->Height(), 41);
}
