// The table dialogs: the filter text built from condition rows, the sort
// lines, the index choice with live view, and the find dialogs stepping
// through matches. The modal forms are driven from their OnShow.
#include <QTest>

#include "dao/vudaodlgs.h"
#include "platform/rtl/formatsettings.h"
#include "tests/dao/dao_fixture.h"

namespace dao::testing {
namespace {

vcl::TFieldType TypeOf(const QString &name) {
  if (name == QStringLiteral("Qta")) return vcl::ftFloat;
  if (name == QStringLiteral("Data")) return vcl::ftDateTime;
  return vcl::ftString;
}

TEST(DaoFilterText, RowsJoinWithTheirConjunctionsAndQuoteByType) {
  rtl::FormatSettingsGuard italian(rtl::ItalianFormatSettings());
  QStringList lines;
  const QString text = BuildFilterText({{"Qta", " > ", "5", "Or"}, {"Nome", " LIKE ", "A*", "And"}}, TypeOf, &lines);
  EXPECT_EQ(text, QStringLiteral("(Qta > 5) Or (Nome LIKE \"A*\") "));
  EXPECT_EQ(lines, QStringList({"Qta*** > ***5***Or", "Nome*** LIKE ***A****And"}));

  // IS NULL needs no value; rows without a field or without a needed value
  // are left out; dates are written month first.
  lines.clear();
  EXPECT_EQ(BuildFilterText({{"Nome", " IS NULL ", "", "And"},
                             {"", " = ", "x", "And"},
                             {"Nome", " = ", "", "Or"},
                             {"Data", " >= ", "31/12/2004", ""}},
                            TypeOf, &lines),
            QStringLiteral("(Nome IS NULL ) And (Data >= #12/31/2004#) "));
  EXPECT_EQ(lines.size(), 2);

  // A quote in a text cannot end the string; numbers reach Jet with a dot.
  EXPECT_EQ(BuildFilterText({{"Nome", " = ", "a\") OR (\"1\"=\"1", ""}}, TypeOf, nullptr),
            QStringLiteral("(Nome = \"a\"\") OR (\"\"1\"\"=\"\"1\") "));
  EXPECT_EQ(BuildFilterText({{"Qta", " < ", "1,5", ""}}, TypeOf, nullptr), QStringLiteral("(Qta < 1.5) "));
  EXPECT_THROW(BuildFilterText({{"Qta", " = ", "5) OR (1=1", ""}}, TypeOf, nullptr), rtl::EConvertError);
  EXPECT_THROW(BuildFilterText({{"Data", " = ", "ieri", ""}}, TypeOf, nullptr), rtl::EConvertError);

  const FilterRow back = ParseConditionLine(QStringLiteral("Nome*** LIKE ***A****And"));
  EXPECT_EQ(back.value, QStringLiteral("A*"));
  EXPECT_EQ(back.conjunction, QStringLiteral("And"));
  EXPECT_EQ(ParseConditionLine(QStringLiteral("Nome*** IS NULL ******Or")).conjunction, QStringLiteral("Or"));
}

TEST(DaoSortLines, LinesReadBackWithBracketsOrWithout) {
  const auto entries = ParseSortLines({"[Testata]  DESC", "Barcode ASC", "[Giacenza]"});
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, QStringLiteral("Testata"));
  EXPECT_TRUE(entries[0].descending);
  EXPECT_FALSE(entries[1].descending);
  EXPECT_EQ(SortLines(entries, true), QStringList({"[Testata] DESC", "[Barcode] ASC", "[Giacenza] ASC"}));
  EXPECT_EQ(SortLines(entries, false), QStringList({"Testata DESC", "Barcode ASC", "Giacenza ASC"}));
}

TEST(DaoSortDialog, AddRemoveAndMoveKeepDirectionsWithTheirFields) {
  TVuDaoSortByDialog dlg;
  dlg.Fill({"Barcode", "Testata", "Giacenza"}, {"[Testata] DESC"});
  EXPECT_EQ(dlg.Available()->Count(), 2);
  dlg.Available()->SetItemIndex(1);  // Giacenza
  dlg.DirectionBox()->SetItemIndex(0);
  dlg.AddSelected();
  EXPECT_EQ(dlg.Collect(true), QStringList({"[Testata] DESC", "[Giacenza] ASC"}));
  dlg.MoveSelected(-1);
  EXPECT_EQ(dlg.Collect(false), QStringList({"Giacenza ASC", "Testata DESC"}));
  dlg.RemoveSelected();
  EXPECT_EQ(dlg.Collect(false), QStringList({"Testata DESC"}));
  EXPECT_EQ(dlg.Available()->Count(), 2);

  // Cancel leaves the caller's lines as they were.
  QStringList lines{"[Barcode] ASC"};
  dlg.OnShow = [&](rtl::TObject *) {
    dlg.Available()->SetItemIndex(0);
    dlg.AddSelected();
    dlg.SetModalResult(vcl::mrCancel);
  };
  EXPECT_FALSE(dlg.Execute({"Barcode", "Testata"}, lines, true));
  EXPECT_EQ(lines, QStringList({"[Barcode] ASC"}));
  dlg.OnShow = [&](rtl::TObject *) {
    dlg.Order()->SetItemIndex(0);
    dlg.RemoveSelected();
    dlg.SetModalResult(vcl::mrOk);
  };
  EXPECT_TRUE(dlg.Execute({"Barcode", "Testata"}, lines, true));
  EXPECT_TRUE(lines.isEmpty());
}

using DaoDialogs = DaoDb;

TEST_F(DaoDialogs, SelectIndexListsIndexesAndReturnsEmptyForNone) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"), 1);
  stock->Open();
  const QStringList choices = IndexChoices(stock);
  ASSERT_GT(choices.size(), 1);
  EXPECT_EQ(choices[0], QStringLiteral("Don't use an Index"));

  TVuDaoSelectIndex dlg;
  QString name = choices[1];
  dlg.OnShow = [&](rtl::TObject *) {
    EXPECT_EQ(dlg.IndexBox()->Text(), choices[1]);
    EXPECT_FALSE(dlg.FieldRows().isEmpty());
    EXPECT_TRUE(dlg.FieldRows()[0].endsWith(QStringLiteral("\tAscending")));
    dlg.IndexBox()->UserChose(0);
    EXPECT_EQ(dlg.FieldRows(), QStringList({"\t"}));
    dlg.SetModalResult(vcl::mrOk);
  };
  stock->SetIndexName(choices[1]);
  EXPECT_TRUE(dlg.Execute(stock, name));
  EXPECT_EQ(name, QString());
  // Live view already put the table on no index.
  EXPECT_EQ(stock->IndexName(), QString());
}

TEST_F(DaoDialogs, FilterDialogRestoresRowsAndDisablesValuesOfNullTests) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->Open();
  TVuDaoFilterBy dlg;
  QString filter;
  QStringList lines{"Testata*** IS NULL ******Or", "Giacenza*** > ***4***"};
  dlg.OnShow = [&](rtl::TObject *) {
    EXPECT_FALSE(dlg.RowAt(0).value->Enabled());
    EXPECT_TRUE(dlg.RowAt(1).value->Enabled());
    EXPECT_EQ(dlg.RowAt(1).value->Text(), QStringLiteral("4"));
    dlg.SetModalResult(vcl::mrOk);
  };
  ASSERT_TRUE(dlg.Execute(stock, filter, lines));
  EXPECT_EQ(filter, QStringLiteral("(Testata IS NULL ) Or (Giacenza > 4) "));
  stock->SetFilterText(filter);
  stock->SetFiltered(true);
  EXPECT_EQ(Column(stock, QStringLiteral("Testata")), QStringList({"Corriere", "Topolino"}));

  // Emptying a value drops its row; the reset button empties them all.
  dlg.Fill(stock, lines);
  dlg.RowAt(1).value->SetText(QString());
  EXPECT_EQ(dlg.RowAt(1).field->ItemIndex(), -1);
  dlg.ClearAll();
  EXPECT_EQ(dlg.Collect(nullptr), QString());
}

TEST_F(DaoDialogs, QuickFindStepsThroughMatchesAndWraps) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->SetSortedBy({"[Barcode18] ASC"});
  stock->Open();
  TQFS dlg;
  dlg.Fill(stock, false, QStringLiteral("Testata"));
  EXPECT_EQ(dlg.Heading(), QStringLiteral(" Find a Record based on data contained in the field"));
  EXPECT_FALSE(dlg.PickerButton()->Enabled());
  dlg.ValueEdit()->SetText(QStringLiteral("corr"));
  stock->Last();
  QStringList codes;
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(dlg.DoSearch());
    codes << stock->FieldByName(QStringLiteral("Barcode18"))->AsString();
  }
  EXPECT_EQ(codes, QStringList({"8001234567890", "977112233445501234", "8001234567890"}));

  rtl::FormatSettingsGuard italian(rtl::ItalianFormatSettings());
  dlg.Fill(stock, false, QStringLiteral("Ucarico"));
  EXPECT_EQ(dlg.ValueEdit()->Text(), QStringLiteral("dd/mm/yyyy"));
  EXPECT_TRUE(dlg.PickerButton()->Enabled());
}

TEST_F(DaoDialogs, FindDialogSearchesTheCheckedRowsAndEnterSearchesAgain) {
  rtl::FormatSettingsGuard italian(rtl::ItalianFormatSettings());
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"));
  stock->SetSortedBy({"[Barcode18] ASC"});
  stock->Open();
  stock->Last();
  TVudaoFindSeekDialog dlg;
  dlg.Fill(stock, false);
  EXPECT_EQ(dlg.Heading(), QStringLiteral(" Find a Record based on data contained in the selected fields"));
  int testata = -1, ucarico = -1;
  for (int i = 0; i < dlg.RowCount(); ++i) {
    if (dlg.RowAt(i).field == QStringLiteral("Testata")) testata = i;
    if (dlg.RowAt(i).field == QStringLiteral("Ucarico")) ucarico = i;
  }
  ASSERT_GE(testata, 0);
  ASSERT_GE(ucarico, 0);
  EXPECT_TRUE(dlg.RowAt(ucarico).picker->Visible());
  EXPECT_EQ(dlg.RowAt(ucarico).value->Text(), QStringLiteral("dd/mm/yyyy"));
  EXPECT_FALSE(dlg.RowAt(testata).picker->Visible());
  EXPECT_FALSE(dlg.RowAt(testata).value->Enabled());
  dlg.RowAt(testata).check->SetChecked(true);
  EXPECT_TRUE(dlg.RowAt(testata).value->Enabled());
  dlg.RowAt(testata).value->SetText(QStringLiteral("corr"));
  EXPECT_TRUE(dlg.DoSearch());
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Barcode18"))->AsString(), QStringLiteral("8001234567890"));
  dlg.Show();
  dlg.RowAt(testata).value->SetFocus();
  QTest::keyClick(dlg.RowAt(testata).value->Handle(), Qt::Key_Return);
  EXPECT_EQ(stock->FieldByName(QStringLiteral("Barcode18"))->AsString(), QStringLiteral("977112233445501234"));
  dlg.Hide();
  // Nothing checked: no search.
  dlg.RowAt(testata).check->SetChecked(false);
  EXPECT_FALSE(dlg.DoSearch());
}

}  // namespace
}  // namespace dao::testing
