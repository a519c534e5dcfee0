// The variables editor driven as the user drives it: the tree and its keys,
// new, renamed and deleted items, the binding of a variable to a field, a
// system value or an expression, and Cancel putting everything back.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

#include "platform/rtl/streams.h"
#include "report/designer/kvdsgncmds.h"
#include "report/designer/kvevform.h"
#include "report/designer/kvexpred.h"
#include "report/engine/vars/kvvalues.h"
#include "tests/report/designer/report_fixture.h"

namespace report {
namespace {

using testing::WhenShown;

class VariablesEditor : public testing::ReportEditorTest {
 protected:
  void SetUp() override {
    ReportEditorTest::SetUp();
    // Every variable bound as the report was saved.
    TkvVariableList(report->Variables(), *report->Values()).Synchronise();
    TkvValue *buy = report->Values()->FindValue(QStringLiteral("Acquisto"));
    buy->Type = vtDBField;
    buy->DataSet = QStringLiteral("Giacenza");
    buy->Field = QStringLiteral("Prezzo_A");
  }

  QStringList Lines() const {
    QStringList out;
    for (int i = 0; i < report->Variables().Count(); ++i) out << report->Variables()[i];
    return out;
  }
  QByteArray Bindings() const {
    rtl::TMemoryStream stream;
    report->Values()->WriteBinaryData(stream);
    return stream.Bytes();
  }
  // The tree's nodes as "Category" and "  Variable" lines.
  static QStringList Tree(const TEvForm *form) {
    QStringList out;
    for (int i = 0; i < form->VarTree->Items()->Count(); ++i) {
      const vcl::TTreeNode *node = form->VarTree->Items()->Item(i);
      out << QString(node->Level() * 2, u' ') + node->Text();
    }
    return out;
  }
  static vcl::TTreeNode *Node(const TEvForm *form, const QString &text) {
    for (int i = 0; i < form->VarTree->Items()->Count(); ++i)
      if (form->VarTree->Items()->Item(i)->Text() == text) return form->VarTree->Items()->Item(i);
    return nullptr;
  }
  static void Choose(vcl::TComboBox *combo, const QString &text) { combo->UserChose(combo->Items()->IndexOf(text)); }
  static void Choose(vcl::TListBox *list, const QString &text) { list->UserSelected(list->Items()->IndexOf(text)); }
  static void Key(TEvForm *form, int key, vcl::TShiftState shift = {}) {
    form->VarTree->OnKeyDown(form->VarTree, key, shift);
  }
  // Renames the selected node in place as the user types it.
  static void Rename(TEvForm *form, const QString &text) {
    Key(form, vcl::VK_F2);
    auto *editor = form->VarTree->Handle()->findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    editor->setText(text);
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::qWait(1);
  }
};

TEST_F(VariablesEditor, TheFormShowsTheTreeAndTheSources) {
  WhenShown<TEvForm>([](TEvForm *form) {
    EXPECT_EQ(form->Caption(), QStringLiteral("Editor di variabili"));
    EXPECT_EQ(form->Label1->Caption(), QStringLiteral("Variabili"));
    EXPECT_EQ(form->Label2->Caption(), QStringLiteral("Valore"));
    EXPECT_EQ(form->Label3->Caption(), QStringLiteral("Espressione"));
    EXPECT_EQ(form->NewCategory->Hint(), QStringLiteral("Nuova categoria"));
    EXPECT_EQ(form->NewVariable->Hint(), QStringLiteral("Nuova variabile"));
    EXPECT_EQ(form->DeleteItem->Hint(), QStringLiteral("Elimina elemento"));
    EXPECT_EQ(form->ModifyItem->Hint(), QStringLiteral("Modifica elemento"));
    EXPECT_EQ(Tree(form), QStringList({"Prezzi", "  Acquisto", "  Vendita", "Altri", "  Sconto"}));
    EXPECT_TRUE(Node(form, "Prezzi")->Expanded());
    EXPECT_EQ(Node(form, "Prezzi")->ImageIndex(), 0);
    EXPECT_EQ(Node(form, "Sconto")->ImageIndex(), 1);
    // The report owner's dataset by its bare name, then "Altro", chosen.
    EXPECT_EQ(form->ValCombo->Items()->Count(), 2);
    EXPECT_EQ(form->ValCombo->Items()->Strings(0), QStringLiteral("Giacenza"));
    EXPECT_EQ(form->ValCombo->Text(), QStringLiteral("Altro"));
    ASSERT_EQ(form->ValList->Count(), 10);
    EXPECT_EQ(form->ValList->Items()->Strings(0), QStringLiteral("[Nessuno]"));
    EXPECT_EQ(form->ValList->Items()->Strings(1), QStringLiteral("N° pagina"));
    // Nothing selected: the buttons that need a node are off.
    EXPECT_FALSE(form->NewVariable->Enabled());
    EXPECT_FALSE(form->DeleteItem->Enabled());
    EXPECT_FALSE(form->ModifyItem->Enabled());
    EXPECT_FALSE(form->Edit1->Enabled());

    // A bound variable shows its dataset and field.
    form->VarTree->SetSelected(Node(form, "Acquisto"));
    EXPECT_EQ(form->ValCombo->Text(), QStringLiteral("Giacenza"));
    EXPECT_TRUE(form->ValList->Items()->IndexOf(QStringLiteral("Testata")) > 0);
    EXPECT_EQ(form->ValList->Items()->Strings(form->ValList->ItemIndex()), QStringLiteral("Prezzo_A"));
    EXPECT_TRUE(form->DeleteItem->Enabled());
    form->Button2->Click();
  });
  EXPECT_FALSE(EditVariables(report));
}

TEST_F(VariablesEditor, BindingsToFieldsSystemValuesAndExpressions) {
  WhenShown<TEvForm>([](TEvForm *form) {
    form->VarTree->SetSelected(Node(form, "Vendita"));
    Choose(form->ValCombo, "Giacenza");
    Choose(form->ValList, "Prezzo_V");
    EXPECT_FALSE(form->Edit1->Enabled());

    // "Altro" and "Espressione" open the expression box.
    form->VarTree->SetSelected(Node(form, "Sconto"));
    Choose(form->ValCombo, "Altro");
    Choose(form->ValList, "Espressione");
    EXPECT_TRUE(form->Edit1->Enabled());
    EXPECT_TRUE(form->BEditor->Enabled());
    EXPECT_EQ(form->Edit1->Color(), vcl::clWindow);
    form->Edit1->SetText(QStringLiteral("[Vendita] * 0.1"));
    // Switching the value away empties and closes it.
    Choose(form->ValList, "Data");
    EXPECT_FALSE(form->Edit1->Enabled());
    EXPECT_EQ(form->Edit1->Text(), QString());
    EXPECT_EQ(form->Edit1->Color(), vcl::clBtnFace);
    Choose(form->ValList, "Espressione");
    form->Edit1->SetText(QStringLiteral("[Vendita] * 0.1"));
    // Leaving the variable keeps what was typed.
    form->VarTree->SetSelected(Node(form, "Vendita"));
    EXPECT_EQ(form->ValCombo->Text(), QStringLiteral("Giacenza"));
    form->VarTree->SetSelected(Node(form, "Sconto"));
    EXPECT_EQ(form->Edit1->Text(), QStringLiteral("[Vendita] * 0.1"));

    // The expression editor edits the box.
    WhenShown<TExprEditor>([](TExprEditor *editor) {
      EXPECT_EQ(editor->Expression(), QStringLiteral("[Vendita] * 0.1"));
      editor->SetExpression(QStringLiteral("[Vendita] * 0.2"));
      editor->Buttons.Ok->Click();
    });
    form->BEditor->Click();
    EXPECT_EQ(form->Edit1->Text(), QStringLiteral("[Vendita] * 0.2"));

    // "[Nessuno]" unbinds.
    form->VarTree->SetSelected(Node(form, "Acquisto"));
    Choose(form->ValList, "[Nessuno]");
    form->Button1->Click();
  });
  ASSERT_TRUE(EditVariables(report));
  const TkvValues &values = *report->Values();
  EXPECT_EQ(values.FindValue("Vendita")->Type, vtDBField);
  EXPECT_EQ(values.FindValue("Vendita")->DataSet, QStringLiteral("Giacenza"));
  EXPECT_EQ(values.FindValue("Vendita")->Field, QStringLiteral("Prezzo_V"));
  EXPECT_EQ(values.FindValue("Sconto")->Type, vtOther);
  EXPECT_EQ(values.FindValue("Sconto")->OtherKind, vkExpression);
  EXPECT_EQ(values.FindValue("Sconto")->Field, QStringLiteral("[Vendita] * 0.2"));
  EXPECT_EQ(values.FindValue("Acquisto")->Type, vtNotAssigned);
}

TEST_F(VariablesEditor, NewItemsTheirNamesAndTheKeys) {
  report->Variables().SetText(QStringLiteral("Categoria1\n Variabile1\nCategoria3\n"));
  WhenShown<TEvForm>([](TEvForm *form) {
    form->NewCategory->Click();
    EXPECT_EQ(form->VarTree->Selected()->Text(), QStringLiteral("Categoria2"));
    EXPECT_TRUE(form->NewVariable->Enabled());
    // Insert adds a variable to the selected node's category, Ctrl+Insert
    // a category.
    form->VarTree->SetSelected(Node(form, "Variabile1"));
    Key(form, vcl::VK_INSERT);
    EXPECT_EQ(form->VarTree->Selected()->Text(), QStringLiteral("Variabile2"));
    Key(form, vcl::VK_INSERT, {vcl::ssCtrl});
    EXPECT_EQ(form->VarTree->Selected()->Text(), QStringLiteral("Categoria4"));
    EXPECT_EQ(Tree(form),
              QStringList({"Categoria1", "  Variabile1", "  Variabile2", "Categoria3", "Categoria2", "Categoria4"}));
    form->Button1->Click();
  });
  ASSERT_TRUE(EditVariables(report));
  EXPECT_EQ(Lines(),
            QStringList({"Categoria1", " Variabile1", " Variabile2", "Categoria3", "Categoria2", "Categoria4"}));
  EXPECT_NE(report->Values()->FindValue("Variabile2"), nullptr);
}

TEST_F(VariablesEditor, RenamingInPlaceRefusesEmptyAndTakenNames) {
  WhenShown<TEvForm>([this](TEvForm *form) {
    form->VarTree->SetSelected(Node(form, "Acquisto"));
    Rename(form, "  ");
    EXPECT_EQ(Messages().value(0), QStringLiteral("Il nome non può essere vuoto."));
    EXPECT_EQ(form->VarTree->Selected()->Text(), QStringLiteral("Acquisto"));
    Rename(form, "Sconto");
    EXPECT_EQ(Messages().value(1), QStringLiteral("Esiste già una variabile di nome \"Sconto\"."));
    EXPECT_EQ(form->VarTree->Selected()->Text(), QStringLiteral("Acquisto"));
    // A new name: the node, the list and the binding follow.
    Rename(form, " Costo ");
    EXPECT_EQ(form->VarTree->Selected()->Text(), QStringLiteral("Costo"));
    EXPECT_EQ(form->ValCombo->Text(), QStringLiteral("Giacenza"));
    form->Button1->Click();
  });
  ASSERT_TRUE(EditVariables(report));
  EXPECT_EQ(Lines(), QStringList({"Prezzi", " Costo", " Vendita", "Altri", " Sconto"}));
  ASSERT_NE(report->Values()->FindValue("Costo"), nullptr);
  EXPECT_EQ(report->Values()->FindValue("Costo")->Field, QStringLiteral("Prezzo_A"));
  EXPECT_EQ(report->Values()->FindValue("Acquisto"), nullptr);
}

TEST_F(VariablesEditor, DeletingAsksWithNoAsTheDefaultAndTakesTheChosenItemOnly) {
  report->Variables().SetText(QStringLiteral("Prezzi\n Totale\nAltri\n Totale\n Sconto\n"));
  respond = [](vcl::TDialogRequest &request) {
    return request.text.startsWith(QStringLiteral("Si desidera")) ? vcl::mrNo : vcl::mrOk;
  };
  WhenShown<TEvForm>([this](TEvForm *form) {
    form->VarTree->SetSelected(form->VarTree->Items()->Item(3));  // the second "Totale"
    Key(form, vcl::VK_DELETE);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].text, QStringLiteral("Si desidera eliminare l'elemento selezionato?"));
    EXPECT_EQ(requests[0].caption, QStringLiteral("Attenzione"));
    EXPECT_EQ(requests[0].type, vcl::mtConfirmation);
    EXPECT_EQ(requests[0].buttons.value(requests[0].default_button), QStringLiteral("&No"));
    EXPECT_EQ(form->VarTree->Items()->Count(), 5);  // No keeps it
    respond = [](vcl::TDialogRequest &) { return vcl::mrYes; };
    form->DeleteItem->Click();
    EXPECT_EQ(Tree(form), QStringList({"Prezzi", "  Totale", "Altri", "  Sconto"}));
    EXPECT_FALSE(form->DeleteItem->Enabled());
    // A category goes with its variables.
    form->VarTree->SetSelected(Node(form, "Prezzi"));
    form->DeleteItem->Click();
    EXPECT_EQ(Tree(form), QStringList({"Altri", "  Sconto"}));
    form->Button1->Click();
  });
  ASSERT_TRUE(EditVariables(report));
  EXPECT_EQ(Lines(), QStringList({"Altri", " Sconto"}));
}

TEST_F(VariablesEditor, CancelPutsTheListAndTheBindingsBack) {
  const QStringList lines = Lines();
  const QByteArray bindings = Bindings();
  WhenShown<TEvForm>([](TEvForm *form) {
    form->NewCategory->Click();
    form->NewVariable->Click();
    Choose(form->ValCombo, "Giacenza");
    Choose(form->ValList, "Testata");
    form->VarTree->SetSelected(Node(form, "Acquisto"));
    Choose(form->ValList, "[Nessuno]");
    Rename(form, "Costo");
    form->VarTree->SetSelected(Node(form, "Altri"));
    form->DeleteItem->Click();
    form->Button2->Click();
  });
  EXPECT_FALSE(EditVariables(report));
  EXPECT_EQ(Lines(), lines);
  EXPECT_EQ(Bindings(), bindings);
}

TEST_F(VariablesEditor, TheDesignersCommandOpensIt) {
  KvRegisterEditor(TkvEditor::Variables, {});
  EXPECT_FALSE(KvCommandEnabled(TkvCommand::Variables, TkvDesignerStatus()));
  KvInstallDesignerEditors();
  EXPECT_TRUE(KvCommandEnabled(TkvCommand::Variables, TkvDesignerStatus()));
  WhenShown<TEvForm>([](TEvForm *form) {
    form->NewCategory->Click();
    form->Button1->Click();
  });
  TkvEditContext context;
  context.Report = report;
  EXPECT_TRUE(KvOpenEditor(TkvEditor::Variables, context));
  EXPECT_EQ(Lines().last(), QStringLiteral("Categoria1"));
}

}  // namespace
}  // namespace report
