// The masked edit: the mask language, Text against EditText, typing through
// the window, and the check on leaving.
#include <gtest/gtest.h>
#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <memory>

#include "platform/rtl/formatsettings.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/mask.h"

using namespace vcl;

namespace {

struct MaskForm {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  TMaskEdit *edit = nullptr;
  TEdit *next = nullptr;
  QStringList shown;
  std::function<void(const QString &, const QString &)> saved;

  explicit MaskForm(const QString &mask) {
    InitApplication();
    saved = Application->ShowExceptionSlot;
    Application->ShowExceptionSlot = [this](const QString &, const QString &text) { shown << text; };
    form->SetBounds(0, 0, 300, 100);
    edit = new TMaskEdit(form.get());
    edit->SetParent(form.get());
    edit->SetEditMask(mask);
    next = new TEdit(form.get());
    next->SetParent(form.get());
    next->SetTop(40);
  }
  ~MaskForm() { Application->ShowExceptionSlot = saved; }
  bool Show() {
    form->Show();
    QApplication::setActiveWindow(form->Handle());
    return QTest::qWaitForWindowActive(form->Handle());
  }
  void Type(const QString &text) {
    for (QChar c : text) {
      Qt::Key key = Qt::Key_unknown;
      if (c.isDigit())
        key = Qt::Key(Qt::Key_0 + (c.unicode() - u'0'));
      else if (c.isLetter())
        key = Qt::Key(Qt::Key_A + (c.toUpper().unicode() - u'A'));
      else if (c == u'/')
        key = Qt::Key_Slash;
      QTest::keyClick(form->Handle()->windowHandle(), key, c.isUpper() ? Qt::ShiftModifier : Qt::NoModifier);
    }
  }
  void Key(Qt::Key key) { QTest::keyClick(form->Handle()->windowHandle(), key); }
};

}  // namespace

TEST(EditMask, LanguageTextAndEditText) {
  rtl::FormatSettingsGuard locale;
  TEditMask date("!99/99/9999;1;_");
  EXPECT_EQ(date.Length(), 10);
  EXPECT_EQ(date.EmptyEditText(), "__/__/____");
  EXPECT_EQ(date.TextFromEdit(date.EmptyEditText()), "  /  /    ");
  EXPECT_EQ(date.EditFromText("07/03/2001"), "07/03/2001");
  EXPECT_EQ(date.EditFromText("7x/03"), "7_/03/____");  // what does not fit stays empty
  EXPECT_TRUE(date.IsComplete("__/__/____"));           // nothing typed is no error
  EXPECT_TRUE(date.IsComplete("07/03/____"));           // 9: optional
  // The separators follow the locale.
  rtl::FormatSettings().DateSeparator = u'-';
  rtl::FormatSettings().TimeSeparator = u'.';
  EXPECT_EQ(TEditMask("00/00;1; ").EmptyEditText(), "  -  ");
  EXPECT_EQ(TEditMask("00:00;1;*").EmptyEditText(), "**.**");

  TEditMask code(">LL<ll\\-00;0;*");
  EXPECT_EQ(code.EmptyEditText(), "****-**");
  EXPECT_EQ(code.EditFromText("abCD12"), "ABcd-12");
  EXPECT_EQ(code.TextFromEdit("ABcd-12"), "ABcd12");  // literals not kept
  EXPECT_FALSE(code.IsComplete("A***-12"));
  EXPECT_TRUE(code.IsComplete("AB**-12"));  // l: optional
  EXPECT_FALSE(code.Accepts(0, u'1'));
  EXPECT_TRUE(code.Accepts(6, u'5'));
  EXPECT_FALSE(code.Accepts(4, u'-'));  // a literal place takes nothing
  TEditMask sign("#99_A;1");
  EXPECT_TRUE(sign.Accepts(0, u'-'));
  EXPECT_EQ(sign.EmptyEditText(), "___ _");
  EXPECT_TRUE(TEditMask("").Empty());
  EXPECT_EQ(TEditMask("a\\;b").EmptyEditText(), "_;b");
}

TEST(MaskEdit, TypingFillsPlacesAndSkipsLiterals) {
  MaskForm t("!99/99/9999;1;_");
  EXPECT_EQ(t.edit->Text(), "  /  /    ");
  ASSERT_TRUE(t.Show());
  t.edit->SetFocus();
  t.edit->SetSelStart(0);
  t.edit->SetSelLength(0);
  t.Type("0703x2001");  // the letter is refused
  EXPECT_EQ(t.edit->EditText(), "07/03/2001");
  EXPECT_EQ(t.edit->Text(), "07/03/2001");
  EXPECT_TRUE(t.edit->Modified());
  t.Key(Qt::Key_Backspace);
  EXPECT_EQ(t.edit->EditText(), "07/03/200_");
  t.edit->SetText("");
  t.edit->SetSelStart(0);
  t.edit->SetSelLength(0);
  t.Type("7/3");  // a typed separator jumps to the next field
  EXPECT_EQ(t.edit->EditText(), "7_/3_/____");
}

TEST(MaskEdit, LeavingIncompleteKeepsTheFocusAndEscRestores) {
  MaskForm t(">LL00;1;_");
  t.edit->SetText("AB12");
  ASSERT_TRUE(t.Show());
  t.edit->SetFocus();
  t.edit->SetSelStart(2);
  t.edit->SetSelLength(2);
  t.Key(Qt::Key_Delete);
  EXPECT_EQ(t.edit->EditText(), "AB__");
  t.Key(Qt::Key_Tab);
  EXPECT_TRUE(t.edit->Focused());
  EXPECT_EQ(t.shown, QStringList{QString(kMaskEditError) + "."});
  EXPECT_THROW(t.edit->ValidateEdit(), EDBEditError);
  t.Key(Qt::Key_Escape);
  EXPECT_EQ(t.edit->Text(), "AB12");
  t.Key(Qt::Key_Tab);
  EXPECT_TRUE(t.next->Focused());
  EXPECT_EQ(t.shown.size(), 1);
}

TEST(MaskEdit, WithoutMaskItIsAPlainEdit) {
  TMaskEdit e(nullptr);
  e.SetText("libero");
  EXPECT_EQ(e.Text(), "libero");
  e.SetEditMask("000");
  EXPECT_EQ(e.Text(), "   ");  // letters do not fit digit places
  e.SetText("12");
  EXPECT_EQ(e.EditText(), "12_");
  e.SetEditMask("");
  EXPECT_FALSE(e.IsMasked());
}
