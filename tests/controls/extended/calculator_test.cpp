// The calculator: key sequences and their results, the error state, entry
// limits, memory and clipboard, the keyboard on the key panel, and the
// popup of the calculator edit driven by keys typed into the edit.
#include <gtest/gtest.h>
#include <QApplication>
#include <QTest>

#include <memory>

#include "controls/extended/calculator.h"
#include "platform/rtl/formatsettings.h"
#include "platform/vcl/clipboard.h"
#include "platform/vcl/forms.h"

using namespace vcl;
using namespace ext;

namespace {

// Types `keys` into an engine; "\r" is Enter, "\b" backspace.
struct Calc {
  TCalcEngine engine;
  int beeps = 0, results = 0, errors = 0;
  Calc() {
    engine.OnBeep = [this] { ++beeps; };
    engine.OnResult = [this] { ++results; };
    engine.OnError = [this] { ++errors; };
  }
  QString Type(const QString &keys) {
    for (const QChar k : keys) engine.Key(k);
    return engine.Text();
  }
};

}  // namespace

TEST(CalcEngine, OperatorsAndPercentages) {
  EXPECT_EQ(Calc().Type("12+3="), "15");
  EXPECT_EQ(Calc().Type("50+10%"), "55");
  EXPECT_EQ(Calc().Type("50-10%"), "45");
  EXPECT_EQ(Calc().Type("50*10%"), "5");
  EXPECT_EQ(Calc().Type("50/10%"), "500");
  EXPECT_EQ(Calc().Type("2*3+4="), "10") << "operators chain from left to right";
  EXPECT_EQ(Calc().Type("7/2\r"), "3,5");
  EXPECT_EQ(Calc().Type("5+*2="), "10") << "a second operator replaces the first";
  EXPECT_EQ(Calc().Type("9Q"), "3");
  EXPECT_EQ(Calc().Type("4R"), "0,25");
  EXPECT_EQ(Calc().Type("3_"), "-3");

  Calc c;
  c.Type("1+2");
  EXPECT_EQ(c.results, 0);
  c.Type("=");
  c.Type("%");
  c.Type("\r");
  EXPECT_EQ(c.results, 3) << "only Enter, = and % give a result";
}

TEST(CalcEngine, ErrorStateKeepsEverythingButClear) {
  for (const QString &keys : {QString("1/0="), QString("4_Q"), QString("0R")}) {
    Calc c;
    EXPECT_EQ(c.Type(keys), "Error") << keys.toStdString();
    EXPECT_EQ(c.engine.Status(), csError);
    EXPECT_EQ(c.errors, 1);
    EXPECT_EQ(c.beeps, 1);
    EXPECT_EQ(c.Type("5+\b_Q"), "Error");
    EXPECT_EQ(c.engine.DisplayValue(), 0);
    c.engine.MemoryStore();
    EXPECT_EQ(c.engine.Memory(), 0);
    EXPECT_EQ(c.Type("c"), "0");
    EXPECT_EQ(c.engine.Status(), csResult);
    EXPECT_EQ(c.engine.PendingOperator(), u'=');
    EXPECT_EQ(c.Type("2+2="), "4");
  }
  // A result too large for a number is an error, not a text that no
  // longer reads back.
  Calc big;
  big.engine.SetDisplayValue(1e308);
  EXPECT_EQ(big.Type("*10="), "Error");
}

TEST(CalcEngine, EntryLimitsAndEditing) {
  Calc c;
  c.engine.SetPrecision(4);
  EXPECT_EQ(c.Type("12345"), "1234");
  EXPECT_EQ(c.beeps, 1) << "digits beyond the precision beep";
  EXPECT_EQ(c.Type("\b\b"), "12");
  EXPECT_EQ(c.Type("\b\b\b"), "0");
  EXPECT_EQ(c.Type("1,.5"), "1,5") << "one decimal separator, whichever key";
  EXPECT_EQ(c.Type("_\b"), "-1,");
  c.engine.Clear();
  EXPECT_EQ(c.Type("7_\b"), "0") << "a sign and one digit go as one";

  // Fewer than two digits of precision are never used.
  Calc tiny;
  tiny.engine.SetPrecision(0);
  EXPECT_EQ(tiny.Type("123"), "12");
  EXPECT_EQ(tiny.Type("=1/3="), "0,33");
}

TEST(CalcEngine, MemoryAndPaste) {
  Calc c;
  c.Type("12");
  c.engine.MemoryStore();
  c.Type("+3=");
  c.engine.MemoryAdd();
  EXPECT_EQ(c.engine.Memory(), 27);
  c.Type("C");
  c.engine.MemoryRecall();
  EXPECT_EQ(c.engine.Text(), "27");
  EXPECT_EQ(c.engine.Status(), csEntering);
  EXPECT_EQ(c.Type("+1="), "28");
  c.engine.MemoryClear();
  EXPECT_EQ(c.engine.Memory(), 0);

  c.engine.Paste(" 12,5 € ");
  EXPECT_EQ(c.engine.Text(), "12,5");
  c.engine.Paste("dodici");
  EXPECT_EQ(c.engine.Text(), "0");
}

TEST(CalculatorPanel, KeyboardPressesTheButtonsAndTheFilterMayDropKeys) {
  InitApplication();
  TCalculatorPanel panel(nullptr, clDialog);
  QStringList results;
  panel.OnResult = [&](rtl::TObject *) { results << panel.DisplayText(); };
  for (const QChar k : QString("1.5*2\r")) panel.CalcKeyPress(k);
  EXPECT_EQ(results, QStringList({"3"}));
  // Digits show their captions; the other keys of the dialog show glyphs.
  EXPECT_EQ(panel.FindButton(cbNum7)->Caption(), "7");
  EXPECT_TRUE(panel.FindButton(cbNum7)->Glyph()->Empty());
  for (TCalcBtnKind kind : {cbDcm, cbSqr, cbEql, cbMS, cbBck}) {
    TCalcButton *key = panel.FindButton(kind);
    EXPECT_EQ(key->Caption(), "") << kind;
    ASSERT_FALSE(key->Glyph()->Empty()) << kind;
    EXPECT_EQ(key->NumGlyphs(), 1);
    // The symbol is drawn in the key's colour on the colour left out.
    const QImage image = key->Glyph()->Image();
    const QRgb ink = vcl::ColorToQColor(vcl::ColorToRGB(key->Font()->Color())).rgb();
    bool inked = false;
    for (int y = 0; y < image.height() && !inked; ++y)
      for (int x = 0; x < image.width() && !inked; ++x) inked = image.pixel(x, y) == ink;
    EXPECT_TRUE(inked) << kind;
    EXPECT_EQ(image.pixel(0, image.height() - 1) & 0xFFFFFF,
              vcl::ColorToQColor(vcl::ColorToRGB(vcl::clOlive)).rgb() & 0xFFFFFF);
  }
  EXPECT_EQ(panel.FindButton(cbMS)->Font()->Color(), vcl::clRed);
  EXPECT_EQ(panel.ButtonForKey(u'=')->Kind(), cbEql);
  EXPECT_EQ(panel.ButtonForKey(QChar(kCalcBackspace))->Kind(), cbBck);

  panel.OnCalcKey = [](rtl::TObject *, QChar &key) {
    if (key == u'9') key = QChar();
    if (key == u'8') key = u'1';
  };
  for (const QChar k : QString("\x1b"
                               "989"))
    panel.CalcKeyPress(k);
  EXPECT_EQ(panel.DisplayText(), "1");

  // The memory keys light the indicator.
  panel.FindButton(cbMS)->Click();
  EXPECT_EQ(panel.MemoryIndicator()->Caption(), "M");
  panel.FindButton(cbMC)->Click();
  EXPECT_EQ(panel.MemoryIndicator()->Caption(), "");

  panel.SetDisplayValue(42);
  panel.CalcKey(QChar(3));
  EXPECT_EQ(Clipboard().AsText(), "42");
  Clipboard().SetAsText("7");
  panel.CalcKey(QChar(22));
  EXPECT_EQ(panel.DisplayText(), "7");

  TCalculatorPanel popup(nullptr, clPopup);
  EXPECT_EQ(popup.FindButton(cbDcm)->Caption(), ",");  // the popup keeps captions
  ASSERT_NE(popup.FindButton(cbDiv), nullptr);
  EXPECT_TRUE(popup.FindButton(cbDiv)->Glyph()->Empty());
  EXPECT_EQ(popup.FindButton(cbDiv)->Caption(), "/");
  EXPECT_EQ(popup.Width(), 98);
  EXPECT_EQ(popup.FindButton(cbEql)->Width(), 44);
  EXPECT_EQ(popup.MemoryIndicator(), nullptr);
}

namespace {

struct CalcForm {
  std::unique_ptr<TForm> form;
  TCalcEdit *edit = nullptr;
  TEdit *other = nullptr;
  int changes = 0;

  CalcForm() {
    InitApplication();
    form = std::make_unique<TForm>(nullptr);
    form->SetBounds(50, 50, 300, 200);
    edit = new TCalcEdit(form.get());
    edit->SetParent(form.get());
    edit->SetBounds(10, 10, 120, 22);
    edit->SetBeepOnError(false);
    edit->Calculator()->Calculator()->SetBeepOnError(false);
    edit->OnChange = [this](rtl::TObject *) { ++changes; };
    other = new TEdit(form.get());
    other->SetParent(form.get());
    other->SetTop(60);
  }
  ~CalcForm() {
    form.reset();
    QCoreApplication::processEvents();
  }
  bool Show() {
    form->Show();
    QApplication::setActiveWindow(form->Handle());
    if (!QTest::qWaitForWindowActive(form->Handle())) return false;
    edit->SetFocus();
    return true;
  }
  void Drop() { QTest::keyClick(edit->Handle(), Qt::Key_Down, Qt::AltModifier); }
  void Type(const char *keys) { QTest::keyClicks(edit->Handle(), keys); }
};

}  // namespace

TEST(CalcEdit, TypedKeysWorkTheValueOutAndEnterPutsItBack) {
  CalcForm f;
  ASSERT_TRUE(f.Show());
  f.edit->SetValue(12);
  f.Drop();
  ASSERT_TRUE(f.edit->PopupVisible());
  EXPECT_EQ(f.edit->Calculator()->GetPopupText(), "12");
  f.Type("+3");
  EXPECT_EQ(f.edit->Calculator()->GetPopupText(), "3");
  QTest::keyClick(f.edit->Handle(), Qt::Key_Return);
  EXPECT_FALSE(f.edit->PopupVisible());
  EXPECT_EQ(f.edit->Value(), 15);
  EXPECT_TRUE(f.edit->Focused());

  // "%" also gives the result; "=" too.
  f.Drop();
  f.Type("*10%");
  EXPECT_FALSE(f.edit->PopupVisible());
  EXPECT_DOUBLE_EQ(f.edit->Value(), 1.5);
}

TEST(CalcEdit, EscAndErrorsLeaveTheEditAlone) {
  CalcForm f;
  ASSERT_TRUE(f.Show());
  f.edit->SetValue(8);
  const int changes = f.changes;
  f.Drop();
  f.Type("99");
  QTest::keyClick(f.edit->Handle(), Qt::Key_Escape);
  EXPECT_FALSE(f.edit->PopupVisible());
  EXPECT_EQ(f.edit->Value(), 8);

  f.Drop();
  f.Type("/0=");
  EXPECT_TRUE(f.edit->PopupVisible()) << "an error does not close the calculator";
  EXPECT_EQ(f.edit->Calculator()->GetPopupText(), "Error");
  f.Type("5");
  EXPECT_EQ(f.edit->Calculator()->GetPopupText(), "Error");
  f.Type("c4=");
  EXPECT_FALSE(f.edit->PopupVisible());
  EXPECT_EQ(f.edit->Value(), 4);
  EXPECT_EQ(f.changes, changes + 1);

  // The range of the edit holds for a computed value too.
  f.edit->SetMinValue(0);
  f.edit->SetMaxValue(100);
  f.Drop();
  f.Type("*1000=");
  EXPECT_EQ(f.edit->Value(), 100);
}

TEST(CalcEdit, ButtonsClickedWithTheMouse) {
  CalcForm f;
  ASSERT_TRUE(f.Show());
  f.edit->SetValue(0);
  f.Drop();
  ASSERT_TRUE(f.edit->PopupVisible());
  TLocCalculator *calc = f.edit->Calculator()->Calculator();
  for (TCalcBtnKind kind : {cbNum7, cbAdd, cbNum2, cbEql}) {
    QWidget *button = calc->FindButton(kind)->Handle();
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
  }
  EXPECT_FALSE(f.edit->PopupVisible());
  EXPECT_EQ(f.edit->Value(), 9);
}
