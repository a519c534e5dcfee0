// The variables and field pickers: what they list, the name a click hands
// back, "[Nessuno]" and Esc cancelling, and the dataset the field picker
// remembers.
#include <gtest/gtest.h>

#include <QTest>

#include "report/designer/kvpickers.h"
#include "tests/report/designer/report_fixture.h"

namespace report {
namespace {

using testing::ReportEditorTest;
using testing::WhenShown;

class PickersTest : public ReportEditorTest {
 protected:
  void SetUp() override {
    ReportEditorTest::SetUp();
    TFieldsForm::LastSource().clear();
  }
};

TEST_F(PickersTest, AClickOnAVariableHandsItBack) {
  WhenShown<TVarForm>([](TVarForm *form) {
    EXPECT_EQ(form->Caption(), QStringLiteral("Variabili"));
    EXPECT_EQ(form->CategoryBox->Text(), QStringLiteral("Prezzi"));
    EXPECT_EQ(form->VariableList->Count(), 2);
    form->CategoryBox->UserChose(1);
    ASSERT_EQ(form->VariableList->Count(), 1);
    form->VariableList->UserSelected(0);
  });
  EXPECT_EQ(PickVariable(report), QStringLiteral("Sconto"));

  // Enter takes the variable the list stands on; Esc cancels.
  WhenShown<TVarForm>([](TVarForm *form) {
    form->VariableList->SetItemIndex(1);
    QTest::keyClick(form->VariableList->Handle(), Qt::Key_Return);
  });
  EXPECT_EQ(PickVariable(report), QStringLiteral("Vendita"));
  WhenShown<TVarForm>([](TVarForm *form) { QTest::keyClick(form->VariableList->Handle(), Qt::Key_Escape); });
  EXPECT_TRUE(PickVariable(report).isEmpty());
  EXPECT_EQ(vcl::Clipboard().AsText(), UserClipboardText());
}

TEST_F(PickersTest, FieldsOfADatasetAndTheSystemVariablesUnderAltro) {
  WhenShown<TFieldsForm>([](TFieldsForm *form) {
    EXPECT_EQ(form->Caption(), QStringLiteral("Inserisci campo DB"));
    EXPECT_EQ(form->SourceBox->Items()->Count(), 2);
    EXPECT_EQ(form->SourceBox->Text(), QStringLiteral("Giacenza"));
    EXPECT_EQ(form->FieldList->Items()->Strings(0), QStringLiteral("[Nessuno]"));
    form->FieldList->UserSelected(form->FieldList->Items()->IndexOf(QStringLiteral("Testata")));
  });
  EXPECT_EQ(PickField(report), QStringLiteral("Giacenza.\"Testata\""));

  WhenShown<TFieldsForm>([](TFieldsForm *form) {
    form->SourceBox->UserChose(1);
    EXPECT_EQ(form->FieldList->Items()->Strings(1), QString::fromUtf8("N° pagina"));
    form->FieldList->UserSelected(form->FieldList->Items()->IndexOf(QStringLiteral("Data")));
  });
  EXPECT_EQ(PickField(report), QStringLiteral("DATE"));

  // "Altro" is chosen again; its first row is the page number.
  WhenShown<TFieldsForm>([](TFieldsForm *form) {
    EXPECT_EQ(form->SourceBox->Text(), QStringLiteral("Altro"));
    form->FieldList->UserSelected(1);
  });
  EXPECT_EQ(PickField(report), QStringLiteral("PAGE#"));

  WhenShown<TFieldsForm>([](TFieldsForm *form) { form->FieldList->UserSelected(0); });
  EXPECT_TRUE(PickField(report).isEmpty()) << "[Nessuno] cancels";
}

}  // namespace
}  // namespace report
