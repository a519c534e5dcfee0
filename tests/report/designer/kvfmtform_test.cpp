// The value-format dialog: the format word it packs from the kind,
// sub-format, decimals and separator the user picks, and the decimals it
// refuses.
#include <gtest/gtest.h>

#include <QTimer>

#include "report/designer/kvfmtform.h"
#include "report/engine/model/kvformat.h"
#include "tests/report/designer/designer_fixture.h"

namespace report {
namespace {

using testing::EditorTest;
using testing::OpenForm;

TEST(FormatModel, KindsAndSubFormatsAsTheDialogListsThem) {
  EXPECT_EQ(TkvFormatModel::KindNames(), QStringList({"Testo", "Numero", "Data", "Orario", "Logico"}));
  EXPECT_EQ(TkvFormatModel::SubFormatNames(0), QStringList({"[Nessuno]"}));
  EXPECT_EQ(TkvFormatModel::SubFormatNames(1),
            QStringList({"1234,5", "1234,50", "1.234,5", "1.234,50", "Personalizzato"}));
  EXPECT_EQ(TkvFormatModel::SubFormatNames(4), QStringList({"0/1", "Si/No", "X/_", "Personalizzato"}));
  EXPECT_TRUE(TkvFormatModel::SubFormatNames(9).isEmpty());
}

TEST(FormatModel, EachChoiceWritesItsOwnBits) {
  TkvFormatModel model(KvFormatWord(fkNumber, 3, 2, u','), QStringLiteral("0.000"));
  model.SetKind(fkDate);
  EXPECT_EQ(model.Format(), KvFormatWord(fkDate, 0, 2, u','));
  EXPECT_TRUE(model.FormatText().isEmpty()) << "a new kind drops the custom text";
  model.SetSubFormat(kvCustomSubFormat);
  EXPECT_TRUE(model.CustomVisible());
  EXPECT_FALSE(model.DecimalsVisible());
  model.SetKind(fkNumber);
  EXPECT_TRUE(model.DecimalsVisible());
  EXPECT_TRUE(model.SetDecimalsText(QStringLiteral("4")));
  model.SetSeparatorText(QStringLiteral(".x"));
  EXPECT_EQ(model.Format(), KvFormatWord(fkNumber, 0, 4, u'.'));
  model.SetSeparatorText(QString());
  EXPECT_EQ(model.Separator(), QChar(u','));
}

TEST(FormatModel, DecimalsOutsideTheWordAreRefusedAndLeaveItAlone) {
  TkvFormatModel model(KvFormatWord(fkNumber, 1, 2, u','));
  const std::int32_t before = model.Format();
  for (const char *text : {"300", "256", "-1", "", "2,5", "due"}) {
    EXPECT_FALSE(model.SetDecimalsText(QString::fromLatin1(text))) << text;
    EXPECT_EQ(model.Format(), before) << text;
  }
  EXPECT_TRUE(model.SetDecimalsText(QStringLiteral("255")));
  EXPECT_EQ(model.Kind(), fkNumber) << "255 stays within the decimals' bits";
  EXPECT_EQ(model.SubFormat(), 1);
  EXPECT_EQ(model.Decimals(), 255);
}

class FmtFormTest : public EditorTest {};

TEST_F(FmtFormTest, KindOneSubFormatThreeShowsItsSampleAndTheDecimals) {
  TFmtForm form(nullptr);
  form.SetFormat(KvFormatWord(fkNumber, 3, 2, u','));
  form.ShowModel();
  EXPECT_EQ(form.Caption(), QStringLiteral("Formatta variabile"));
  EXPECT_EQ(form.KindList->ItemIndex(), 1);
  ASSERT_EQ(form.SubFormatList->ItemIndex(), 3);
  EXPECT_EQ(form.SubFormatList->Items()->Strings(3), QStringLiteral("1.234,50"));
  EXPECT_TRUE(form.DecimalsPanel->Visible());
  EXPECT_FALSE(form.CustomPanel->Visible());
  EXPECT_EQ(form.DecimalsEdit->Text(), QStringLiteral("2"));
  EXPECT_EQ(form.SeparatorEdit->Text(), QStringLiteral(","));

  // "Personalizzato" trades the decimals for the custom text.
  form.SubFormatList->UserSelected(4);
  EXPECT_TRUE(form.CustomPanel->Visible());
  EXPECT_FALSE(form.DecimalsPanel->Visible());
  form.FormatEdit->SetText(QStringLiteral("#,##0.000"));
  EXPECT_EQ(form.FormatText(), QStringLiteral("#,##0.000"));

  // A date has no decimals; choosing it empties the custom text.
  form.KindList->UserSelected(2);
  EXPECT_EQ(form.SubFormatList->Items()->Count(), 5);
  EXPECT_EQ(form.SubFormatList->ItemIndex(), 0);
  EXPECT_FALSE(form.DecimalsPanel->Visible());
  EXPECT_TRUE(form.FormatText().isEmpty());
  EXPECT_EQ(KvFormatKindOf(form.Format()), fkDate);
}

TEST_F(FmtFormTest, AnEmptiedSeparatorStoresAComma) {
  std::int32_t format = KvFormatWord(fkNumber, 1, 2, u'.');
  QString text;
  QTimer::singleShot(0, [] {
    auto *form = OpenForm<TFmtForm>();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->SeparatorEdit->Text(), QStringLiteral("."));
    form->SeparatorEdit->SetText(QString());
    form->Buttons.Ok->Click();
  });
  ASSERT_TRUE(EditFormat(format, text));
  EXPECT_EQ(KvSeparatorOf(format), u',');
  EXPECT_EQ(format, KvFormatWord(fkNumber, 1, 2, u','));
}

TEST_F(FmtFormTest, TooManyDecimalsKeepTheDialogOpenWithAMessage) {
  std::int32_t format = KvFormatWord(fkNumber, 1, 2, u',');
  QString text;
  QTimer::singleShot(0, [this] {
    auto *form = OpenForm<TFmtForm>();
    ASSERT_NE(form, nullptr);
    form->DecimalsEdit->SetText(QStringLiteral("300"));
    form->Buttons.Ok->Click();
    EXPECT_TRUE(form->Visible()) << "the dialog stays open";
    ASSERT_EQ(Messages().size(), 1);
    EXPECT_EQ(Messages().first(), QStringLiteral("Le cifre decimali devono essere un numero intero da 0 a 255."));
    // Corrected, it closes with the word the user meant.
    form->DecimalsEdit->SetText(QStringLiteral("3"));
    form->Buttons.Ok->Click();
  });
  ASSERT_TRUE(EditFormat(format, text));
  EXPECT_EQ(format, KvFormatWord(fkNumber, 1, 3, u','));
}

TEST_F(FmtFormTest, CancelLeavesTheWordAndTextAlone) {
  std::int32_t format = KvFormatWord(fkNumber, kvCustomSubFormat, 2, u',');
  QString text = QStringLiteral("0.0");
  QTimer::singleShot(0, [] {
    auto *form = OpenForm<TFmtForm>();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->FormatEdit->Text(), QStringLiteral("0.0"));
    form->KindList->UserSelected(0);
    form->Buttons.Cancel->Click();
  });
  EXPECT_FALSE(EditFormat(format, text));
  EXPECT_EQ(format, KvFormatWord(fkNumber, kvCustomSubFormat, 2, u','));
  EXPECT_EQ(text, QStringLiteral("0.0"));
}

}  // namespace
}  // namespace report
