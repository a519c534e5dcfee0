// The variables editor's work on the variable list and the bindings,
// without its window.
#include <gtest/gtest.h>

#include "report/designer/kvvarlist.h"
#include "report/engine/vars/kvvalues.h"

namespace {

using namespace report;

class VariableList : public ::testing::Test {
 protected:
  void SetUp() override {
    lines_.SetText(QStringLiteral("Prezzi\n Acquisto\n Vendita\nAltri\n Sconto\n"));
    list_.Synchronise();
  }
  QStringList Lines() const {
    QStringList out;
    for (int i = 0; i < lines_.Count(); ++i) out << lines_[i];
    return out;
  }
  QStringList Bindings() const {
    QStringList out;
    for (int i = 0; i < values_.Count(); ++i) out << values_.Name(i);
    return out;
  }

  rtl::TStringList lines_;
  TkvValues values_;
  TkvVariableList list_{lines_, values_};
};

TEST_F(VariableList, TheTreeAndEveryVariableBound) {
  const auto tree = list_.Tree();
  ASSERT_EQ(tree.size(), 2u);
  EXPECT_EQ(tree[0].Name, QStringLiteral("Prezzi"));
  ASSERT_EQ(tree[0].Variables.size(), 2u);
  EXPECT_EQ(tree[0].Variables[1].Name, QStringLiteral("Vendita"));
  EXPECT_EQ(tree[0].Variables[1].Line, 2);
  EXPECT_EQ(tree[1].Line, 3);
  EXPECT_EQ(Bindings(), QStringList({"Acquisto", "Vendita", "Sconto"}));
  EXPECT_EQ(list_.CategoryOf(4), 3);
  EXPECT_EQ(list_.CategoryOf(3), 3);
  EXPECT_EQ(list_.CategoryOf(9), -1);
}

TEST_F(VariableList, NewNamesTakeTheSmallestFreeNumber) {
  lines_.SetText(QStringLiteral("Categoria1\n Variabile2\nCategoria3\n"));
  const int category = list_.NewCategory();
  EXPECT_EQ(lines_[category], QStringLiteral("Categoria2"));
  EXPECT_EQ(category, 3);
  // A new variable in the first category goes at the end of its lines,
  // before the next category.
  const int variable = list_.NewVariable(1);
  EXPECT_EQ(variable, 2);
  EXPECT_EQ(Lines(), QStringList({"Categoria1", " Variabile2", " Variabile1", "Categoria3", "Categoria2"}));
  // In a category at the end of the list it is appended.
  EXPECT_EQ(list_.NewVariable(4), 5);
  EXPECT_EQ(lines_[5], QStringLiteral(" Variabile3"));
  EXPECT_EQ(Bindings(), QStringList({"Variabile2", "Variabile1", "Variabile3"}));
  // A line of no category gets none.
  lines_.Insert(0, QStringLiteral(" Orfana"));
  EXPECT_EQ(list_.NewVariable(0), -1);
}

TEST_F(VariableList, DeletingACategoryTakesItsVariablesTheirBindingsStayTillTheNextSync) {
  list_.Delete(0);
  EXPECT_EQ(Lines(), QStringList({"Altri", " Sconto"}));
  EXPECT_EQ(Bindings(), QStringList({"Acquisto", "Vendita", "Sconto"}));
  list_.NewVariable(0);
  EXPECT_EQ(Bindings(), QStringList({"Sconto", "Variabile1"}));
}

TEST_F(VariableList, DeletingRemovesTheSelectedLineOnly) {
  // The same name in two categories: the one deleted is the one chosen.
  lines_.SetText(QStringLiteral("Prezzi\n Totale\nAltri\n Totale\n"));
  list_.Delete(3);
  EXPECT_EQ(Lines(), QStringList({"Prezzi", " Totale", "Altri"}));
}

TEST_F(VariableList, RenamingRefusesEmptyAndTakenNames) {
  values_.FindValue("Vendita")->Type = vtOther;
  values_.FindValue("Vendita")->OtherKind = vkDate;

  EXPECT_EQ(list_.Rename(2, "   "), QStringLiteral("Il nome non può essere vuoto."));
  EXPECT_EQ(list_.Rename(2, "sconto"), QStringLiteral("Esiste già una variabile di nome \"sconto\"."));
  EXPECT_EQ(list_.Rename(0, "ALTRI"), QStringLiteral("Esiste già una categoria di nome \"ALTRI\"."));
  EXPECT_EQ(list_.Rename(2, QString(300, u'x')), QStringLiteral("Il nome non può superare 254 caratteri."));
  EXPECT_EQ(Lines(), QStringList({"Prezzi", " Acquisto", " Vendita", "Altri", " Sconto"}));

  // A category may share a variable's name; a name is trimmed.
  EXPECT_EQ(list_.Rename(0, " Sconto "), QString());
  EXPECT_EQ(lines_[0], QStringLiteral("Sconto"));
  // The binding goes with the variable.
  EXPECT_EQ(list_.Rename(2, "Prezzo di vendita"), QString());
  EXPECT_EQ(lines_[2], QStringLiteral(" Prezzo di vendita"));
  ASSERT_NE(values_.FindValue("Prezzo di vendita"), nullptr);
  EXPECT_EQ(values_.FindValue("Prezzo di vendita")->OtherKind, vkDate);
  EXPECT_EQ(values_.FindValue("Vendita"), nullptr);
  EXPECT_EQ(values_.Count(), 3);
  // The letter case alone may change.
  EXPECT_EQ(list_.Rename(1, "ACQUISTO"), QString());
  EXPECT_EQ(Bindings(), QStringList({"ACQUISTO", "Prezzo di vendita", "Sconto"}));

  // A binding left by a deleted variable does not come back doubled.
  list_.Delete(4);
  EXPECT_EQ(list_.Rename(1, "Sconto"), QString());
  EXPECT_EQ(Bindings(), QStringList({"Sconto", "Prezzo di vendita"}));
}

TEST_F(VariableList, StoringAndShowingBindings) {
  EXPECT_EQ(list_.Shown(1).Value, QStringLiteral("[Nessuno]"));
  EXPECT_EQ(list_.Shown(1).Source, QString());

  list_.Store(1, "Dati.Giacenza", "Prezzo_V", QString());
  const TkvValue *buy = values_.FindValue("Acquisto");
  EXPECT_EQ(buy->Type, vtDBField);
  EXPECT_EQ(buy->DataSet, QStringLiteral("Dati.Giacenza"));
  EXPECT_EQ(buy->Field, QStringLiteral("Prezzo_V"));
  // A dotted dataset name and a field with a point stay apart.
  list_.Store(1, "Dati.Giacenza", "Prezzo.V", QString());
  EXPECT_EQ(list_.Shown(1).Source, QStringLiteral("Dati.Giacenza"));
  EXPECT_EQ(list_.Shown(1).Value, QStringLiteral("Prezzo.V"));

  list_.Store(2, "Altro", "Espressione", "[Acquisto] * 2");
  const TkvValue *sell = values_.FindValue("Vendita");
  EXPECT_EQ(sell->Type, vtOther);
  EXPECT_EQ(sell->OtherKind, vkExpression);
  EXPECT_EQ(list_.Shown(2).Expression, QStringLiteral("[Acquisto] * 2"));
  list_.Store(2, "Altro", "Totale Pagine", "ignorata");
  EXPECT_EQ(sell->OtherKind, vkTotalPages);
  EXPECT_EQ(sell->Field, QString());
  EXPECT_EQ(list_.Shown(2).Value, QStringLiteral("Totale Pagine"));

  list_.Store(2, "Altro", "[Nessuno]", QString());
  EXPECT_EQ(sell->Type, vtNotAssigned);
  // Nothing for a category, an unknown system value or no value chosen.
  list_.Store(1, "Altro", "Domani", QString());
  list_.Store(1, "Altro", QString(), QString());
  list_.Store(0, "Altro", "Data", QString());
  EXPECT_EQ(buy->Type, vtDBField);
  EXPECT_EQ(values_.Count(), 3);
}

}  // namespace
