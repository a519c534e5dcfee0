// Field controls and the navigator over an in-memory table: showing the
// current record, editing through the data source, and refusing what the
// record cannot take.
#include <gtest/gtest.h>
#include <QApplication>
#include <QTest>

#include <memory>

#include "platform/vcl/dbctrls/dbctrls.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/forms.h"
#include "tests/platform/vcl/db/fixtures.h"

using namespace vcl;

namespace {

struct FieldForm {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  testdb::TMemDataSet *table = nullptr;
  TDataSource *source = nullptr;
  TDBEdit *name = nullptr;
  TDBText *qty = nullptr;
  TEdit *other = nullptr;

  FieldForm() {
    form->SetBounds(0, 0, 300, 200);
    table = new testdb::TMemDataSet(form.get());
    testdb::FillItems(*table, 3);
    source = new TDataSource(form.get());
    source->SetDataSet(table);
    name = new TDBEdit(form.get());
    name->SetParent(form.get());
    name->SetDataSource(source);
    name->SetDataField("Name");
    qty = new TDBText(form.get());
    qty->SetParent(form.get());
    qty->SetTop(30);
    qty->SetDataSource(source);
    qty->SetDataField("Qty");
    other = new TEdit(form.get());
    other->SetParent(form.get());
    other->SetTop(60);
    table->Open();
  }
  bool Show() {
    form->Show();
    QApplication::setActiveWindow(form->Handle());
    return QTest::qWaitForWindowActive(form->Handle());
  }
  void Key(Qt::Key key) { QTest::keyClick(form->Handle()->windowHandle(), key); }
};

}  // namespace

TEST(DBControls, FollowTheCurrentRecord) {
  FieldForm t;
  EXPECT_EQ(t.name->Text(), "Item 1");
  EXPECT_EQ(t.qty->Caption(), "10");
  t.table->Next();
  EXPECT_EQ(t.name->Text(), "Item 2");
  EXPECT_EQ(t.qty->Caption(), "20");
  EXPECT_EQ(t.name->MaxLength(), 20);
  t.table->Close();
  EXPECT_EQ(t.name->Text(), "");
  EXPECT_EQ(t.qty->Caption(), "");
}

TEST(DBControls, TypingEditsTheRecordAndLeavingWritesTheField) {
  FieldForm t;
  ASSERT_TRUE(t.Show());
  t.name->SetFocus();
  EXPECT_EQ(t.table->State(), dsBrowse);
  t.Key(Qt::Key_End);
  t.Key(Qt::Key_X);
  EXPECT_EQ(t.table->State(), dsEdit);  // the first key put the record in edit mode
  EXPECT_EQ(t.name->Text(), "Item 1x");
  t.other->SetFocus();
  EXPECT_EQ(t.table->FieldByName("Name")->AsString(), "Item 1x");
  t.table->Post();
  EXPECT_EQ(t.table->StoredValue(0, "Name").AsString(), "Item 1x");
  // Esc drops a change not yet written.
  t.name->SetFocus();
  t.Key(Qt::Key_End);
  t.Key(Qt::Key_Y);
  t.Key(Qt::Key_Escape);
  EXPECT_EQ(t.name->Text(), "Item 1x");
}

TEST(DBControls, ARecordThatCannotChangeTakesNoTyping) {
  FieldForm t;
  t.table->read_only = true;
  t.table->Close();
  t.table->Open();
  ASSERT_TRUE(t.Show());
  t.name->SetFocus();
  EXPECT_TRUE(t.name->ReadOnly());
  t.Key(Qt::Key_End);
  t.Key(Qt::Key_Z);
  EXPECT_EQ(t.name->Text(), "Item 1");
  EXPECT_EQ(t.table->State(), dsBrowse);
}

TEST(DBControls, CheckBoxOverATextField) {
  FieldForm t;
  auto *box = new TDBCheckBox(t.form.get());
  box->SetParent(t.form.get());
  box->SetValueChecked("Item 2;Item 3");
  box->SetValueUnchecked("Item 1");
  box->SetDataSource(t.source);
  box->SetDataField("Name");
  EXPECT_FALSE(box->Checked());
  t.table->Next();
  EXPECT_TRUE(box->Checked());
  t.form->Show();
  QTest::mouseClick(box->Handle(), Qt::LeftButton, {}, QPoint(6, 8));
  EXPECT_FALSE(box->Checked());
  EXPECT_EQ(t.table->State(), dsEdit);
  EXPECT_EQ(t.table->FieldByName("Name")->AsString(), "Item 1");
}

TEST(DBNavigator, ButtonsFollowTheStateAndAct) {
  FieldForm t;
  auto *nav = new TDBNavigator(t.form.get());
  nav->SetParent(t.form.get());
  nav->SetDataSource(t.source);
  EXPECT_FALSE(nav->ButtonEnabled(nbFirst));  // at the first record
  EXPECT_TRUE(nav->ButtonEnabled(nbNext));
  EXPECT_FALSE(nav->ButtonEnabled(nbPost));
  nav->BtnClick(nbLast);
  EXPECT_EQ(t.table->RecNo(), 3);
  EXPECT_FALSE(nav->Button(nbNext)->Enabled());
  nav->BtnClick(nbEdit);
  EXPECT_EQ(t.table->State(), dsEdit);
  EXPECT_TRUE(nav->Button(nbPost)->Enabled());
  EXPECT_FALSE(nav->Button(nbDelete)->Enabled());
  nav->BtnClick(nbCancel);
  EXPECT_EQ(t.table->State(), dsBrowse);
  // Delete asks first; "Annulla" keeps the record.
  QString asked;
  const TDialogResponder saved = SetDialogResponder([&asked](TDialogRequest &r) {
    asked = r.text;
    return mrCancel;
  });
  nav->BtnClick(nbDelete);
  EXPECT_EQ(t.table->RecordCount(), 3);
  EXPECT_EQ(asked, "Cancellare il record?");
  nav->SetConfirmDelete(false);
  nav->BtnClick(nbDelete);
  EXPECT_EQ(t.table->RecordCount(), 2);
  SetDialogResponder(saved);
  nav->BtnClick(nbPost);  // disabled: nothing happens
  EXPECT_EQ(t.table->State(), dsBrowse);
}
