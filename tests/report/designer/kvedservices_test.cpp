// The engine's own editors reaching the designer's through the table the
// designer fills: the memo pop-up's "Formatta variabile..." and the
// barcode editor's field, variable and expression buttons.
#include <gtest/gtest.h>

#include "platform/vcl/menus.h"
#include "report/designer/kvedservices.h"
#include "report/designer/kvexpred.h"
#include "report/designer/kvfmtform.h"
#include "report/designer/kvpickers.h"
#include "report/engine/model/kvformat.h"
#include "report/engine/objects/kvcodebarre_form.h"
#include "tests/report/designer/report_fixture.h"

namespace report {
namespace {

using testing::ReportEditorTest;
using testing::WhenShown;

class EditorServicesTest : public ReportEditorTest {
 protected:
  void SetUp() override {
    ReportEditorTest::SetUp();
    KvEditorServices() = TkvEditorServices();
    KvInstallEditorServices();
  }
};

TEST_F(EditorServicesTest, TheMemoPopupFormatsThroughTheDesignersDialog) {
  ASSERT_TRUE(KvEditorServices().EditFormat);
  auto *memo = report->Pages().Page(0)->Add<TkvMemoView>(0, 0, 100, 20);
  memo->Selected = true;
  vcl::TPopupMenu menu(nullptr);
  memo->AddMenuItems(&menu);
  WhenShown<TFmtForm>([](TFmtForm *form) {
    form->KindList->UserSelected(2);
    form->SubFormatList->UserSelected(1);
    form->Buttons.Ok->Click();
  });
  menu.Items()->Find(QStringLiteral("Formatta variabile..."))->Click();
  EXPECT_EQ(KvFormatKindOf(memo->Format), fkDate);
  EXPECT_EQ(KvSubFormatOf(memo->Format), 1);
}

TEST_F(EditorServicesTest, TheBarcodeEditorPicksFromTheReportsFieldsAndVariables) {
  auto *code = report->Pages().Page(0)->Add<TkvCodeBarreView>(0, 0, 100, 40);
  WhenShown<TCodeBarreForm>([](TCodeBarreForm *form) {
    form->TextEdit()->SetText(QString());
    WhenShown<TFieldsForm>([](TFieldsForm *picker) {
      picker->FieldList->UserSelected(picker->FieldList->Items()->IndexOf(QStringLiteral("Barcode18")));
    });
    form->FieldButton()->Click();
    WhenShown<TVarForm>([](TVarForm *picker) { picker->VariableList->UserSelected(0); });
    form->VariableButton()->Click();
    WhenShown<TExprEditor>([](TExprEditor *editor) {
      editor->moExpres->SetText(QStringLiteral("+1"));
      editor->Buttons.Ok->Click();
    });
    form->ExpressionButton()->Click();
    form->OkButton()->Click();
  });
  ASSERT_TRUE(EditCodeBarre(code));
  EXPECT_EQ(code->Memo[0], QStringLiteral("[Giacenza.\"Barcode18\"][Acquisto]+1"));
  EXPECT_EQ(vcl::Clipboard().AsText(), UserClipboardText());
}

}  // namespace
}  // namespace report
