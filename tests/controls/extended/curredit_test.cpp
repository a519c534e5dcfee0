// Currency edits: the text-to-number rules, the range, the key filter, the
// two looks (edit text while focused, display format otherwise) and the
// range error on leaving.
#include <gtest/gtest.h>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <QWindow>

#include <memory>

#include "controls/extended/curredit.h"
#include "platform/os/shell.h"
#include "platform/rtl/formatsettings.h"
#include "platform/vcl/forms.h"

using namespace vcl;
using namespace ext;

namespace {

struct Fixture {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  TCurrencyEdit *edit;
  TEdit *other;
  int beeps = 0;
  QStringList errors;
  os::Beeper saved_beeper;

  Fixture() {
    form->SetBounds(100, 100, 300, 120);
    edit = new TCurrencyEdit(form.get());
    edit->SetParent(form.get());
    edit->SetBounds(20, 20, 121, 21);
    edit->SetTabStop(true);
    other = new TEdit(form.get());
    other->SetParent(form.get());
    other->SetBounds(20, 60, 121, 21);
    other->SetTabStop(true);
    saved_beeper = os::SetBeeper([this](unsigned) { ++beeps; });
    Application->ShowExceptionSlot = [this](const QString &, const QString &text) { errors << text; };
  }
  ~Fixture() {
    os::SetBeeper(saved_beeper);
    Application->ShowExceptionSlot = nullptr;
  }
  bool Show() {
    form->Show();
    QApplication::setActiveWindow(form->Handle());
    if (!QTest::qWaitForWindowActive(form->Handle())) return false;
    edit->SetFocus();
    return edit->Focused();
  }
  QWindow *Window() { return form->Handle()->windowHandle(); }
  void Type(const char *text) {
    for (const char *c = text; *c; ++c) QTest::keyClick(Window(), *c);
  }
};

}  // namespace

TEST(CurrencyEdit, TextsNormaliseToTheLocalesNumbers) {
  EXPECT_EQ(NormalizeNumberText(" 1.234,5 "), "1234,5");
  EXPECT_EQ(NormalizeNumberText(""), "0");
  EXPECT_EQ(NormalizeNumberText("-"), "-0");
  TCurrencyEdit e(nullptr);
  e.SetText("");
  EXPECT_EQ(e.Value(), 0);
  e.SetText("-");
  EXPECT_EQ(e.Value(), 0);
  e.SetText("1.234,5");
  EXPECT_EQ(e.Value(), 1234.5);
  EXPECT_THROW(e.SetText("12x"), rtl::EConvertError);
  EXPECT_EQ(e.Value(), 1234.5);  // a refused text changes nothing
  rtl::FormatSettingsGuard guard;
  rtl::FormatSettings().DecimalSeparator = '.';
  rtl::FormatSettings().ThousandSeparator = ',';
  EXPECT_EQ(NormalizeNumberText("1,234.5"), "1234.5");
}

TEST(CurrencyEdit, ValuesAreClampedAsTheRangeSays) {
  TCurrencyEdit e(nullptr);
  e.SetValue(-7.25);  // 0..0: no range
  EXPECT_EQ(e.Value(), -7.25);
  e.SetMinValue(1);  // 1..0: only the lower bound
  e.SetValue(0.5);
  EXPECT_EQ(e.Value(), 1);
  e.SetValue(1000);
  EXPECT_EQ(e.Value(), 1000);
  e.SetMinValue(0);
  e.SetMaxValue(-5);  // 0..-5: only the upper bound
  e.SetValue(3);
  EXPECT_EQ(e.Value(), -5);
  e.SetMaxValue(100);  // a new bound clamps the value at once
  e.SetMinValue(10);
  EXPECT_EQ(e.Value(), 10);
  TCurrencyEdit z(nullptr);
  z.SetValue(0);
  EXPECT_EQ(z.Text(), "");  // ZeroEmpty
  z.SetZeroEmpty(false);
  EXPECT_EQ(z.Text(), "0");
  z.SetText("5");
  z.SetMinValue(2);
  z.SetMaxValue(9);
  QLineEdit *raw = dynamic_cast<QLineEdit *>(z.Handle());
  ASSERT_NE(raw, nullptr);
  raw->setText("1e");  // text that is no number reads as MinValue
  EXPECT_EQ(z.Value(), 2);
}

TEST(CurrencyEdit, TheKeyFilterKeepsTheTextANumber) {
  Fixture f;
  ASSERT_TRUE(f.Show());
  f.Type("12.5");  // "." types the locale's ","
  EXPECT_EQ(f.edit->Text(), "12,5");
  f.Type("67");  // a third decimal is refused, with a beep
  EXPECT_EQ(f.edit->Text(), "12,56");
  EXPECT_EQ(f.beeps, 1);
  f.edit->SetDecimalPlaces(0);
  f.edit->SetValue(3);
  f.edit->SetSelStart(1);
  f.Type(",");
  EXPECT_EQ(f.edit->Text(), "3");

  f.edit->SetDecimalPlaces(2);
  f.edit->SetMinValue(0);
  f.edit->SetMaxValue(100);
  f.edit->SetValue(0);
  f.Type("-");  // a lone minus reads as 0: accepted
  EXPECT_EQ(f.edit->Text(), "-");
  f.Type("5");  // -5 is below the range
  EXPECT_EQ(f.edit->Text(), "-");
  f.Type("x");
  EXPECT_EQ(f.edit->Text(), "-");

  QApplication::clipboard()->setText("1.234,5");
  f.edit->SelectAll();
  QTest::keyClick(f.Window(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(f.edit->Value(), 100);  // pasted 1234.5, clamped when read
  f.edit->SetMaxValue(0);
  f.edit->SelectAll();
  QTest::keyClick(f.Window(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(f.edit->Value(), 1234.5);
  const int beeps = f.beeps;
  QApplication::clipboard()->setText("dodici");
  f.edit->SelectAll();
  QTest::keyClick(f.Window(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(f.edit->Text(), "1.234,5");  // a paste that is no number is undone
  EXPECT_EQ(f.beeps, beeps + 1);
}

TEST(CurrencyEdit, UnfocusedItShowsTheDisplayFormatAndTheValueStaysExact) {
  Fixture f;
  int changes = 0;
  f.edit->OnChange = [&](rtl::TObject *) { ++changes; };
  ASSERT_TRUE(f.Show());
  f.edit->SetValue(1234.5);
  EXPECT_EQ(changes, 1);  // writing the value fires the change event
  f.other->SetFocus();
  EXPECT_EQ(f.edit->ShownText(), "1.234,50 €");
  EXPECT_EQ(f.edit->Value(), 1234.5);
  f.edit->SetDisplayFormat("0.00;;#.##");
  f.edit->SetValue(0);
  EXPECT_EQ(f.edit->Text(), "");
  EXPECT_EQ(f.edit->ShownText(), "");
  f.edit->SetDisplayFormat("#");
  f.edit->SetValue(12);
  EXPECT_EQ(f.edit->ShownText(), "12");
  EXPECT_EQ(CurrencyDisplayFormat(), QString::fromUtf8(",0.00 €;-,0.00 €"));
}

TEST(CurrencyEdit, LeavingOutOfRangeShowsTheBoundsInTheLocaleAndKeepsTheFocus) {
  Fixture f;
  f.edit->SetCheckOnExit(true);
  f.edit->SetMinValue(1);
  f.edit->SetMaxValue(10);
  ASSERT_TRUE(f.Show());
  f.edit->SelectAll();
  f.Type("20");
  QTest::keyClick(f.Window(), Qt::Key_Tab);
  ASSERT_EQ(f.errors.size(), 1);
  EXPECT_EQ(f.errors[0], "Value must be between 1,00 and 10,00.");
  EXPECT_TRUE(f.edit->Focused());
  EXPECT_EQ(f.edit->SelLength(), f.edit->Text().length());

  rtl::FormatSettingsGuard guard;
  rtl::FormatSettings().DecimalSeparator = '.';
  rtl::FormatSettings().ThousandSeparator = ',';
  QTest::keyClick(f.Window(), Qt::Key_Tab);
  EXPECT_TRUE(f.edit->Focused());
  ASSERT_EQ(f.errors.size(), 2);
  EXPECT_EQ(f.errors[1], "Value must be between 1.00 and 10.00.");
  f.Type("5");
  QTest::keyClick(f.Window(), Qt::Key_Tab);
  EXPECT_TRUE(f.other->Focused());
  EXPECT_EQ(f.edit->Value(), 5);
}

TEST(CurrencyEdit, FormatOnEditingGroupsTheDigitsWhileTyping) {
  Fixture f;
  f.edit->SetFormatOnEditing(true);
  ASSERT_TRUE(f.Show());
  f.Type("1234567,5");
  EXPECT_EQ(f.edit->Text(), "1.234.567,5");
  EXPECT_EQ(f.edit->Value(), 1234567.5);
  EXPECT_EQ(f.edit->SelStart(), f.edit->Text().length());  // the caret stays at the end
  f.edit->SetDisplayFormat("0.00");                        // no "," in the format: no grouping
  f.edit->SelectAll();
  f.Type("98765");
  EXPECT_EQ(f.edit->Text(), "98765");
}
