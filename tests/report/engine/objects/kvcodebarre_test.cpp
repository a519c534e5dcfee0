// Barcode report object: storage block, registration, and bars and text as
// they land on a bitmap while printing and at design time.
#include <gtest/gtest.h>

#include <QTimer>
#include <cstring>

#include "platform/rtl/streams.h"
#include "platform/vcl/clipboard.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/listctrls.h"
#include "platform/vcl/stdctrls.h"
#include "report/engine/model/kvservices.h"
#include "report/engine/objects/kvcodebarre.h"
#include "report/engine/objects/kvcodebarre_form.h"
#include "tests/report/engine/kvtest_support.h"

namespace report {
namespace {

using testing::Page;

class CodeBarreTest : public testing::ReportObjectTest {
 protected:
  TkvCodeBarreView *NewCode(const QString &value) {
    auto *code = report_.Add<TkvCodeBarreView>();
    code->x = 10;
    code->y = 10;
    code->dx = 300;
    code->dy = 60;
    kvEngine().Evaluate = [value](const QString &) { return rtl::Variant(value); };
    return code;
  }
  // Columns of row `y` from `left` as "1" (black) and "0" (white).
  static QString Row(Page &page, int left, int count, int y) {
    QString out;
    for (int i = 0; i < count; ++i) out += page.At(left + i, y) == vcl::clBlack ? '1' : '0';
    return out;
  }
  // The same code drawn by the generator alone, one module per pixel.
  static QString Reference(const QString &text, bool checksum) {
    Page page(200, 10);
    TBarcode bc;
    bc.SetText(text);
    bc.SetChecksum(checksum);
    bc.SetHeight(5);
    bc.DrawBarcode(page.Canvas());
    return Row(page, 0, 95, 2);
  }
};

TEST_F(CodeBarreTest, DefaultsAndTheStoredBlockRoundTrip) {
  auto *code = report_.Add<TkvCodeBarreView>();
  EXPECT_EQ(code->Typ, gtAddIn);
  EXPECT_EQ(code->Memo.Count(), 1);
  EXPECT_EQ(code->Memo[0], QStringLiteral("0"));
  EXPECT_EQ(code->FormatStr, QStringLiteral("00000000000"));
  EXPECT_TRUE(code->Checksum);
  EXPECT_TRUE(code->ShowText);
  EXPECT_EQ(code->BarType, bcCodeEAN13);

  rtl::TMemoryStream common;
  auto *plain = report_.Add<TkvCodeBarreView>();
  plain->TkvView::SaveToStream(common);

  code->BarType = bcCode128B;
  code->Zoom = 3;
  code->Ratio = 2.5;
  code->ShowCheckSumText = true;
  code->Checksum = false;
  rtl::TMemoryStream stream;
  code->SaveToStream(stream);
  const QByteArray bytes = stream.Bytes();
  const QByteArray block = bytes.right(25);
  EXPECT_EQ(block[0], 0);
  EXPECT_EQ(block[1], 1);
  EXPECT_EQ(block[2], 1);
  EXPECT_EQ(block[4], char(bcCode128B));
  EXPECT_EQ(block[5], 3);
  EXPECT_EQ(block[6], 0);
  double ratio = 0;
  std::memcpy(&ratio, block.constData() + 9, sizeof ratio);
  EXPECT_EQ(ratio, 2.5);

  stream.Seek(0, rtl::soBeginning);
  auto *copy = report_.Add<TkvCodeBarreView>();
  copy->LoadFromStream(stream);
  EXPECT_EQ(stream.Position(), stream.Size());
  EXPECT_EQ(copy->BarType, bcCode128B);
  EXPECT_EQ(copy->Zoom, 3);
  EXPECT_EQ(copy->Ratio, 2.5);
  EXPECT_FALSE(copy->Checksum);
  EXPECT_TRUE(copy->ShowCheckSumText);

  // A record cut short is an error, not a half-read object.
  rtl::TMemoryStream cut;
  cut.SetBytes(bytes.left(bytes.size() - 4));
  EXPECT_THROW(report_.Add<TkvCodeBarreView>()->LoadFromStream(cut), rtl::Exception);
}

TEST_F(CodeBarreTest, RegisteredAsAnAddInObject) {
  const TkvAddInObjectInfo *info = FindAddIn(QStringLiteral("TkvCodeBarreView"));
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->Hint, QStringLiteral("Inserisci codice a barre"));
  EXPECT_EQ(info->EditorClassName, QStringLiteral("TCodeBarreForm"));
  EXPECT_TRUE(RegisterCodeBarreObject());
  auto view = CreateObjectByType(gtAddIn, QStringLiteral("TkvCodeBarreView"));
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->ClassName(), QStringLiteral("TkvCodeBarreView"));
}

TEST_F(CodeBarreTest, PrintsBarsWhereTheModulesSay) {
  auto *code = NewCode(QStringLiteral("9771234567003"));
  code->Checksum = false;
  code->ShowText = false;
  code->Zoom = 2;
  Printing(true);
  Page page(400, 100);
  code->Draw(page.Canvas());
  const QString reference = Reference(QStringLiteral("9771234567003"), false);
  QString doubled;
  for (QChar c : reference) doubled += QString(2, c);
  EXPECT_EQ(Row(page, 10, 190, 12), doubled);
  EXPECT_EQ(Row(page, 10, 190, 69), doubled);  // down to the frame line
  EXPECT_EQ(code->dx, 190);
  EXPECT_EQ(code->BarcodeWidth(), 190);
  EXPECT_EQ(page.At(10 + 190, 12), vcl::clWhite);
  EXPECT_EQ(page.At(10, 9), vcl::clWhite);
}

TEST_F(CodeBarreTest, NonNumericValuePrintsTheCodeOfZero) {
  auto *code = NewCode(QStringLiteral("abc"));
  code->ShowText = false;
  Printing(true);
  Page page(400, 100);
  code->Draw(page.Canvas());
  EXPECT_EQ(code->DrawnText(), QStringLiteral("000000000000"));
  EXPECT_EQ(Row(page, 10, 95, 30), Reference(QStringLiteral("0"), true));
}

TEST_F(CodeBarreTest, HumanReadableTextIsSpreadUnderTheBars) {
  auto *code = NewCode(QStringLiteral("977123456700"));
  code->ShowCheckSumText = true;
  code->Zoom = 2;
  Printing(true);
  Page page(400, 100);
  code->Draw(page.Canvas());
  EXPECT_EQ(code->DrawnText(), QStringLiteral("9771234567003"));
  const int strip = code->BarcodeRect().Bottom;
  ASSERT_GT(code->TextHeight(), 0);
  EXPECT_EQ(strip, 71 - code->TextHeight() - 1);
  const vcl::TRect text{10, strip, 10 + 190, strip + code->TextHeight()};
  const vcl::TRect ink = page.Box(text);
  ASSERT_FALSE(ink.IsEmpty());
  // The first character starts at the left edge and the last ends near the
  // right one: the text spans the code.
  EXPECT_LE(ink.Left, 14);
  EXPECT_GE(ink.Right, 10 + 190 - 8);
  EXPECT_LE(ink.Right, 10 + 190 + 1);
  // Nothing of the text reaches into the bars.
  EXPECT_EQ(Row(page, 10, 190, strip - 1), Row(page, 10, 190, 12));
}

TEST_F(CodeBarreTest, DesignTimeDrawsAPlaceholderAndMarksHiddenObjects) {
  auto *code = NewCode(QStringLiteral("not used at design time"));
  code->Memo.Clear();
  code->Memo.Add(QStringLiteral("[Articoli.Codice]"));
  Printing(false);
  Page page(400, 100);
  code->Draw(page.Canvas());
  EXPECT_EQ(code->DrawnText(), QStringLiteral("[Articoli.Codice]"));
  EXPECT_EQ(code->dx, 95);
  EXPECT_GT(page.Inked(vcl::TRect{10, 10, 105, 20}), 0);

  code->Visible = false;
  Page hidden(400, 100);
  code->Draw(hidden.Canvas());
  EXPECT_GT(hidden.Inked(vcl::TRect{10, 10, 106, 71}, vcl::clBlack), 0);  // red cross

  // While printing a hidden object leaves the page untouched.
  Printing(true);
  Page printed(400, 100);
  code->Draw(printed.Canvas());
  EXPECT_EQ(printed.Inked(vcl::TRect{0, 0, 400, 100}), 0);
}

TEST_F(CodeBarreTest, UnknownBarTypeFailsThePrintButNotTheDesigner) {
  auto *code = NewCode(QStringLiteral("123"));
  code->BarType = 40;
  Printing(false);
  Page design(400, 100);
  EXPECT_NO_THROW(code->Draw(design.Canvas()));
  Printing(true);
  Page page(400, 100);
  EXPECT_THROW(code->Draw(page.Canvas()), EBarcodeError);
}

TCodeBarreForm *OpenForm() {
  for (int i = 0; i < vcl::Screen->FormCount(); ++i) {
    if (auto *form = dynamic_cast<TCodeBarreForm *>(vcl::Screen->Forms(i))) return form;
  }
  return nullptr;
}

TEST_F(CodeBarreTest, EditorWritesTheChosenSettingsBack) {
  auto *code = report_.Add<TkvCodeBarreView>();
  vcl::Clipboard().SetAsText(QStringLiteral("the user's own text"));
  KvEditorServices().PickField = [this](TkvReport *report) {
    EXPECT_EQ(report, report_.Key());
    return QStringLiteral("Articoli.Codice");
  };
  QTimer::singleShot(0, [] {
    TCodeBarreForm *form = OpenForm();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->Caption(), QStringLiteral("Codice a barre"));
    EXPECT_EQ(form->TypeBox()->Items()->Count(), 23);
    EXPECT_EQ(form->TypeBox()->ItemIndex(), int(bcCodeEAN13));
    EXPECT_EQ(form->TypeBox()->Items()->Strings(12), QStringLiteral("Codebar"));
    // The check-digit text option needs both other options.
    EXPECT_TRUE(form->ShowCheckSumBox()->Enabled());  // both on by default
    form->ChecksumBox()->SetChecked(false);
    EXPECT_FALSE(form->ShowCheckSumBox()->Enabled());
    form->ChecksumBox()->SetChecked(true);
    form->ShowTextBox()->SetChecked(true);
    EXPECT_TRUE(form->ShowCheckSumBox()->Enabled());
    form->ShowTextBox()->SetChecked(false);
    EXPECT_FALSE(form->ShowCheckSumBox()->Enabled());
    // The field goes in at the caret; the clipboard keeps the user's text.
    form->TextEdit()->SetText(QStringLiteral("AB"));
    form->TextEdit()->SetSelStart(1);
    form->FieldButton()->Click();
    EXPECT_EQ(form->TextEdit()->Text(), QStringLiteral("A[Articoli.Codice]B"));
    EXPECT_EQ(vcl::Clipboard().AsText(), QStringLiteral("the user's own text"));
    form->TextEdit()->SetText(QString());
    form->FieldButton()->Click();
    EXPECT_EQ(form->TextEdit()->Text(), QStringLiteral("[Articoli.Codice]"));
    form->TypeBox()->SetItemIndex(bcCode128B);
    form->ScaleEdit()->SetText(QStringLiteral("3"));
    form->OkButton()->Click();
  });
  ASSERT_TRUE(FindAddIn(QStringLiteral("TkvCodeBarreView"))->Editor(code));
  EXPECT_EQ(code->Memo.Count(), 1);
  EXPECT_EQ(code->Memo[0], QStringLiteral("[Articoli.Codice]"));
  EXPECT_EQ(code->BarType, bcCode128B);
  EXPECT_EQ(code->Zoom, 3);
  EXPECT_TRUE(code->Checksum);
  EXPECT_FALSE(code->ShowText);

  // A scale that is not a whole number is refused and nothing changes.
  QTimer::singleShot(0, [] {
    TCodeBarreForm *form = OpenForm();
    ASSERT_NE(form, nullptr);
    form->TextEdit()->SetText(QStringLiteral("changed"));
    form->ScaleEdit()->SetText(QStringLiteral("2,5"));
    form->OkButton()->Click();
  });
  EXPECT_FALSE(EditCodeBarre(code));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(code->Memo[0], QStringLiteral("[Articoli.Codice]"));
  EXPECT_EQ(code->Zoom, 3);
}

}  // namespace
}  // namespace report
