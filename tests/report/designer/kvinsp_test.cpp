// The object inspector: rows selected by click and keys, edits committed
// once, Esc, and editor-form rows.
#include "report/designer/kvinsp.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>

namespace report {
namespace {

class InspectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vcl::InitApplication();
    insp = std::make_unique<TInspForm>(nullptr);
    insp->OnValueChanged = [this](int row, QString &value) {
      changes.push_back({row, value});
      if (value == QStringLiteral("x")) value = QStringLiteral("corretto");
    };
  }
  void AddRows() {
    for (const char *name : {"Nome", "X", "Y"}) {
      auto prop = std::make_unique<TProp>();
      prop->Value = QString::fromLatin1(name).toLower();
      insp->AddRow(QString::fromLatin1(name), std::move(prop));
    }
  }
  void Type(const QString &text) {
    insp->Edit1->SetText(text);
    insp->Edit1->SetModified(true);
  }
  void Key(int vk) {
    int key = vk;
    insp->Edit1->OnKeyDown(insp->Edit1, key, {});
  }

  std::unique_ptr<TInspForm> insp;
  std::vector<std::pair<int, QString>> changes;
};

TEST_F(InspectorTest, WithoutRowsNothingIsSelectable) {
  EXPECT_EQ(insp->Caption(), QStringLiteral("Controllo oggetto"));
  insp->SelectRow(0);
  insp->SelectFirstEnabled();
  EXPECT_EQ(insp->SelectedRow(), -1);
  EXPECT_FALSE(insp->Edit1->Visible());
}

TEST_F(InspectorTest, KeysMoveAmongRowsAndStopAtTheEnds) {
  AddRows();
  insp->SetRowEnabled(0, false);
  insp->SelectFirstEnabled();
  EXPECT_EQ(insp->SelectedRow(), 1);
  EXPECT_EQ(insp->Edit1->Text(), QStringLiteral("x"));
  Key(vcl::VK_UP);  // row 0 is disabled: ignored
  EXPECT_EQ(insp->SelectedRow(), 1);
  Key(vcl::VK_DOWN);
  EXPECT_EQ(insp->SelectedRow(), 2);
  Key(vcl::VK_DOWN);
  EXPECT_EQ(insp->SelectedRow(), 2);
  insp->SelectRow(99);  // past the end: the last row
  EXPECT_EQ(insp->SelectedRow(), 2);
  EXPECT_TRUE(changes.empty());
}

TEST_F(InspectorTest, TypedValuesAreCommittedOnceAndMayBeCorrected) {
  AddRows();
  insp->SelectRow(1);
  Type(QStringLiteral("x"));
  Key(vcl::VK_RETURN);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0], std::make_pair(1, QStringLiteral("x")));
  // The designer's correction is what the row and the edit box show.
  EXPECT_EQ(insp->RowValue(1), QStringLiteral("corretto"));
  EXPECT_EQ(insp->Edit1->Text(), QStringLiteral("corretto"));
  // Leaving without typing commits nothing; leaving after typing once.
  insp->Commit();
  EXPECT_EQ(changes.size(), 1u);
  Type(QStringLiteral("12"));
  insp->Commit();
  insp->Commit();
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[1].second, QStringLiteral("12"));
  // Selecting another row commits the typing first.
  Type(QStringLiteral("13"));
  insp->SelectRow(2);
  ASSERT_EQ(changes.size(), 3u);
  EXPECT_EQ(changes[2], std::make_pair(1, QStringLiteral("13")));
  // Esc puts back what the row held.
  Type(QStringLiteral("scritto"));
  Key(vcl::VK_ESCAPE);
  EXPECT_EQ(insp->Edit1->Text(), QStringLiteral("y"));
  insp->Commit();
  EXPECT_EQ(changes.size(), 3u);
}

TEST_F(InspectorTest, ItsHeightFollowsItsRowsHoweverItIsResized) {
  AddRows();
  const int three = insp->ClientHeight();
  EXPECT_EQ(three, insp->FittingClientHeight());
  insp->AddRow(QStringLiteral("Testo"), std::make_unique<TProp>());
  EXPECT_EQ(insp->ClientHeight() - three, insp->RowHeight() + 1);
  insp->Show();
  QApplication::processEvents();
  for (int height : {40, 400}) {
    insp->SetBounds(insp->Left(), insp->Top(), 250, height);
    QApplication::processEvents();
    EXPECT_EQ(insp->Width(), 250) << "the width is the user's";
    EXPECT_EQ(insp->ClientHeight(), insp->FittingClientHeight()) << height;
    EXPECT_GE(insp->PaintBox1->Height(), insp->RowCount() * (insp->RowHeight() + 1) + 1) << height;
  }
}

class CountingEditor : public TPropEditor {
 public:
  using TPropEditor::TPropEditor;
  int ShowEditor() override {
    ++shown;
    return result;
  }
  int shown = 0;
  int result = vcl::mrOk;
};

TEST_F(InspectorTest, EditorRowsOpenTheirFormAndReportAnEmptyText) {
  CountingEditor editor(nullptr);
  auto prop = std::make_unique<TProp>();
  prop->Kind = kvPropEditorForm;
  prop->Editor = &editor;
  insp->AddRow(QStringLiteral("Testo"), std::move(prop));
  insp->SelectRow(0);
  EXPECT_EQ(insp->Edit1->Text(), QStringLiteral("(Testo)"));
  EXPECT_TRUE(insp->Edit1->ReadOnly());
  EXPECT_TRUE(insp->SpeedButton1->Visible());
  Key(vcl::VK_RETURN);
  insp->SpeedButton1->Click();
  EXPECT_EQ(editor.shown, 2);
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0].second, QString());
  editor.result = vcl::mrCancel;
  insp->OpenEditor();
  EXPECT_EQ(changes.size(), 2u);
}

TEST_F(InspectorTest, ChoosingANameInTheListNamesTheObject) {
  QStringList chosen;
  insp->OnObjectChosen = [&chosen](const QString &name) { chosen << name; };
  insp->AddObjectName(QStringLiteral("Memo1"));
  insp->AddObjectName(QStringLiteral("Band1"));
  insp->SelectObjectName(QStringLiteral("Band1"));
  EXPECT_EQ(insp->Objects->ItemIndex(), 1);
  EXPECT_TRUE(chosen.isEmpty());
  insp->Objects->UserChose(0);
  EXPECT_EQ(chosen, QStringList{QStringLiteral("Memo1")});
  insp->RemoveObjectName(QStringLiteral("Memo1"));
  EXPECT_EQ(insp->Objects->Items()->Count(), 1);
  insp->SelectObjectName(QStringLiteral("Memo1"));
  EXPECT_EQ(insp->Objects->ItemIndex(), -1);
}

}  // namespace
}  // namespace report
