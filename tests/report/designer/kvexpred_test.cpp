// The expression editor: constants, operators, functions with their
// parameter dialog, variables, fields and system variables, each appended
// to the line and undone by "Ripristina"; the user's clipboard is never
// used.
#include <gtest/gtest.h>

#include "report/designer/kvexpred.h"
#include "report/designer/kvparamfct.h"
#include "tests/report/designer/report_fixture.h"

namespace report {
namespace {

using testing::EditorTest;
using testing::ReportEditorTest;
using testing::WhenShown;

TEST(ExpressionLine, EachInsertionCanBeUndoneInTurn) {
  TkvExpressionLine line;
  line.SetText(QStringLiteral("A"));
  line.Insert(QStringLiteral("+"));
  line.Insert(QStringLiteral("B"));
  line.Insert(QStringLiteral("*2"));
  EXPECT_EQ(line.Text(), QStringLiteral("A+B*2"));
  line.Undo();
  EXPECT_EQ(line.Text(), QStringLiteral("A+B")) << "the line as it was before the third insertion";
  line.Clear();
  EXPECT_TRUE(line.Text().isEmpty());
  line.Undo();
  line.Undo();
  line.Undo();
  EXPECT_EQ(line.Text(), QStringLiteral("A"));
  EXPECT_FALSE(line.CanUndo());
  line.Undo();
  EXPECT_EQ(line.Text(), QStringLiteral("A"));

  EXPECT_EQ(TkvExpressionLine::TextConstant(QStringLiteral("abc")), QStringLiteral("'abc'"));
  EXPECT_FALSE(TkvExpressionLine::TextConstant(QStringLiteral("l'abc")).has_value());
  EXPECT_TRUE(TkvExpressionLine::NeedsArguments(QStringLiteral("SUM(<X>)")));
  EXPECT_FALSE(TkvExpressionLine::NeedsArguments(QStringLiteral("COUNT()")));
  EXPECT_FALSE(TkvExpressionLine::NeedsArguments(QStringLiteral("PI")));
  EXPECT_EQ(TkvExpressionLine::Call(QStringLiteral("COPY(<X>,<Y>,<Z>)"), QStringLiteral("X,Y,Z")),
            QStringLiteral("COPY(X,Y,Z)"));
}

class ExprEditorTest : public EditorTest {
 protected:
  TExprEditor form{nullptr, nullptr};
  void ChooseFunction(const QString &category, const QString &name) {
    form.CategoryList->UserChose(form.CategoryList->Items()->IndexOf(category));
    form.FunctionList->UserSelected(form.FunctionList->Items()->IndexOf(name));
  }
};

TEST_F(ExprEditorTest, OpensOnNumbersTheMathOperatorsAndTheFirstFunction) {
  EXPECT_EQ(form.Caption(), QStringLiteral("Editor di espressioni"));
  EXPECT_EQ(form.ConstantType->Text(), QStringLiteral("Numerica"));
  EXPECT_EQ(form.OperatorPages->ActivePageIndex(), 0);
  EXPECT_TRUE(form.VariablesChoice->Checked());
  EXPECT_EQ(form.CategoryList->Text(), QStringLiteral("Tutte"));
  EXPECT_EQ(form.FunctionList->ItemIndex(), 0);
  EXPECT_EQ(form.SyntaxLabel->Caption(), QStringLiteral("ABS(<X>)"));
  EXPECT_FALSE(form.UndoButton->Enabled());
}

TEST_F(ExprEditorTest, TextConstantsGoBetweenQuotesAndOneWithAQuoteIsNotInserted) {
  form.ConstantType->UserChose(0);
  form.ConstantEdit->SetText(QStringLiteral("abc"));
  form.AddConstantButton->Click();
  EXPECT_EQ(form.Expression(), QStringLiteral("'abc'"));
  EXPECT_TRUE(form.ConstantEdit->Text().isEmpty());
  form.ConstantEdit->SetText(QStringLiteral("d'e"));
  form.AddConstantButton->Click();
  EXPECT_EQ(form.Expression(), QStringLiteral("'abc'"));
  form.ConstantType->UserChose(1);
  form.ConstantEdit->SetText(QStringLiteral("12.5"));
  form.AddConstantButton->Click();
  EXPECT_EQ(form.Expression(), QStringLiteral("'abc'12.5"));
  EXPECT_EQ(vcl::Clipboard().AsText(), UserClipboardText());
}

TEST_F(ExprEditorTest, OperatorsUndoAndDelete) {
  form.SetExpression(QStringLiteral("1"));
  auto button = [&](const QString &caption) {
    for (vcl::TButton *b : form.OperatorButtons)
      if (b->Caption() == caption) return b;
    ADD_FAILURE() << caption.toStdString();
    return form.OperatorButtons.front();
  };
  button(QStringLiteral("MOD"))->Click();
  form.moExpres->SetText(form.moExpres->Text() + QStringLiteral("2"));  // typed by the user
  button(QStringLiteral("AND"))->Click();
  button(QStringLiteral("<>"))->Click();
  EXPECT_EQ(form.Expression(), QStringLiteral("1MOD2 AND <>"));
  EXPECT_TRUE(form.UndoButton->Enabled());
  form.UndoButton->Click();
  EXPECT_EQ(form.Expression(), QStringLiteral("1MOD2 AND "));
  form.ClearButton->Click();
  EXPECT_TRUE(form.Expression().isEmpty());
  form.UndoButton->Click();
  EXPECT_EQ(form.Expression(), QStringLiteral("1MOD2 AND "));
  EXPECT_EQ(vcl::Clipboard().AsText(), UserClipboardText());
}

TEST_F(ExprEditorTest, CopyAsksForItsThreeArgumentsAndOkWaitsForZ) {
  ChooseFunction(QStringLiteral("Stringa"), QStringLiteral("COPY"));
  EXPECT_EQ(form.SyntaxLabel->Caption(), QStringLiteral("COPY(<X>,<Y>,<Z>)"));
  WhenShown<TedParamFct>([](TedParamFct *dialog) {
    EXPECT_EQ(dialog->Caption(), QStringLiteral("Editor di parametri"));
    EXPECT_EQ(dialog->ParameterCount(), 3);
    EXPECT_TRUE(dialog->DescriptionPanel->Visible());
    EXPECT_FALSE(dialog->Buttons.Ok->Enabled());
    dialog->ParamEdits[0]->SetText(QStringLiteral("X"));
    dialog->ParamEdits[1]->SetText(QStringLiteral("Y"));
    EXPECT_FALSE(dialog->Buttons.Ok->Enabled()) << "Z is still empty";
    dialog->ParamEdits[2]->SetText(QStringLiteral("Z"));
    EXPECT_TRUE(dialog->Buttons.Ok->Enabled());
    dialog->Buttons.Ok->Click();
  });
  form.AddFunctionButton->Click();
  EXPECT_EQ(form.Expression(), QStringLiteral("COPY(X,Y,Z)"));

  // A cancelled dialog inserts nothing.
  WhenShown<TedParamFct>([](TedParamFct *dialog) { dialog->Buttons.Cancel->Click(); });
  form.AddFunctionButton->Click();
  EXPECT_EQ(form.Expression(), QStringLiteral("COPY(X,Y,Z)"));
  EXPECT_EQ(vcl::Clipboard().AsText(), UserClipboardText());
}

TEST_F(ExprEditorTest, FunctionsWithoutArgumentsGoInAsTheyAre) {
  ChooseFunction(QStringLiteral("Matematiche"), QStringLiteral("PI"));
  form.AddFunctionButton->Click();
  ChooseFunction(QStringLiteral("Statistiche"), QStringLiteral("COUNT"));
  form.AddFunctionButton->Click();
  EXPECT_EQ(form.Expression(), QStringLiteral("PICOUNT()"));
}

TEST_F(ExprEditorTest, TheBracketAsksOneArgumentWhoseDotsOpenAnotherEditor) {
  WhenShown<TedParamFct>([](TedParamFct *dialog) {
    EXPECT_EQ(dialog->ParameterCount(), 1);
    EXPECT_FALSE(dialog->ParamPanels[1]->Visible());
    EXPECT_FALSE(dialog->DescriptionPanel->Visible());
    // "..." edits the argument in an editor of its own.
    WhenShown<TExprEditor>([](TExprEditor *inner) {
      inner->moExpres->SetText(QStringLiteral("2+3"));
      inner->Buttons.Ok->Click();
    });
    dialog->ParamButtons[0]->Click();
    EXPECT_EQ(dialog->ParamEdits[0]->Text(), QStringLiteral("2+3"));
    dialog->Buttons.Ok->Click();
  });
  form.BracketButton->Click();
  EXPECT_EQ(form.Expression(), QStringLiteral("(2+3)"));
}

class ExprEditorDataTest : public ReportEditorTest {};

TEST_F(ExprEditorDataTest, VariablesFieldsAndSystemVariables) {
  TExprEditor form(nullptr, report);
  EXPECT_EQ(form.SourceList->Items()->Text(), QStringLiteral("Prezzi\r\nAltri\r\n"));
  EXPECT_EQ(form.ItemList->Items()->Text(), QStringLiteral("Acquisto\r\nVendita\r\n"));
  form.SourceList->UserSelected(1);
  form.AddDataButton->Click();
  EXPECT_EQ(form.Expression(), QStringLiteral("[Sconto]"));

  form.DataChoice->SetChecked(true);
  EXPECT_EQ(form.SourceList->Items()->Text(), QStringLiteral("Giacenza\r\nAltro\r\n"));
  EXPECT_TRUE(form.ItemList->Items()->IndexOf(QStringLiteral("Testata")) >= 0);
  EXPECT_FALSE(stock->Active()) << "the table opened for the listing is closed again";
  form.ItemList->UserSelected(form.ItemList->Items()->IndexOf(QStringLiteral("Testata")));
  form.AddDataButton->Click();
  EXPECT_EQ(form.Expression(), QStringLiteral("[Sconto]Giacenza.\"Testata\""));

  form.SourceList->UserSelected(1);
  EXPECT_EQ(form.ItemList->Items()->Strings(0), QString::fromUtf8("N° pagina"));
  form.ItemList->UserSelected(form.ItemList->Items()->IndexOf(QStringLiteral("Data")));
  form.AddDataButton->Click();
  EXPECT_TRUE(form.Expression().endsWith(QStringLiteral("DATE")));
  EXPECT_EQ(vcl::Clipboard().AsText(), UserClipboardText());
}

TEST_F(ExprEditorDataTest, OkHandsTheLineBackAndCancelKeepsTheOldOne) {
  QString expression = QStringLiteral("[Sconto]");
  WhenShown<TExprEditor>([](TExprEditor *form) {
    EXPECT_EQ(form->moExpres->Text(), QStringLiteral("[Sconto]"));
    form->AddOperator(QStringLiteral("*"));
    form->moExpres->SetText(form->moExpres->Text() + QStringLiteral("2"));
    form->Buttons.Ok->Click();
  });
  ASSERT_TRUE(EditExpression(report, expression));
  EXPECT_EQ(expression, QStringLiteral("[Sconto]*2"));
  WhenShown<TExprEditor>([](TExprEditor *form) {
    form->ClearButton->Click();
    form->Buttons.Cancel->Click();
  });
  EXPECT_FALSE(EditExpression(report, expression));
  EXPECT_EQ(expression, QStringLiteral("[Sconto]*2"));
}

}  // namespace
}  // namespace report
