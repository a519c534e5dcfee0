// Data-aware controls that show and edit one field of a data source's
// current record (TDBEdit, TDBText, TDBCheckBox), and the navigator whose
// buttons move through and edit the dataset (TDBNavigator).
//
// Each field control holds a TFieldDataLink. It shows the field's text
// (DisplayText while it does not have the focus, the editing Text while it
// has) and follows the record; the user's first change puts the dataset in
// edit mode through the data source (AutoEdit), and the value goes to the
// field when the record is posted or the control is left. Esc drops the
// change. A control over a field that cannot be modified is read-only.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "platform/vcl/buttons.h"
#include "platform/vcl/db/db.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/mask.h"
#include "platform/vcl/stdctrls.h"

namespace vcl {

// The navigator's question before it deletes the current record.
inline const char *kDeleteRecordQuestion = "Cancellare il record?";

class TDBEdit : public TCustomMaskEdit {
  ORBISCA_CLASS(TDBEdit, TCustomMaskEdit)

 public:
  explicit TDBEdit(TComponent *owner);
  ~TDBEdit() override;
  TDataSource *DataSource() const { return link_->DataSource(); }
  void SetDataSource(TDataSource *source);
  QString DataField() const { return link_->FieldName(); }
  void SetDataField(const QString &name);
  TField *Field() const { return link_->Field(); }
  TFieldDataLink *DataLink() const { return link_.get(); }
  void Notification(TComponent *component, TOperation operation) override;

 protected:
  void KeyDown(int &key, TShiftState shift) override;
  void KeyPress(QChar &key) override;
  void Change() override;
  void DoEnter() override;
  void DoExit() override;

 private:
  void DataChange();
  void UpdateData();
  void ShowFieldText();
  std::unique_ptr<TFieldDataLink> link_;
  bool showing_ = false;
};

class TDBText : public TCustomLabel {
  ORBISCA_CLASS(TDBText, TCustomLabel)

 public:
  explicit TDBText(TComponent *owner);
  ~TDBText() override;
  TDataSource *DataSource() const { return link_->DataSource(); }
  void SetDataSource(TDataSource *source);
  QString DataField() const { return link_->FieldName(); }
  void SetDataField(const QString &name);
  TField *Field() const { return link_->Field(); }
  void Notification(TComponent *component, TOperation operation) override;

 private:
  void DataChange();
  std::unique_ptr<TFieldDataLink> link_;
};

class TDBCheckBox : public TCheckBox {
  ORBISCA_CLASS(TDBCheckBox, TCheckBox)

 public:
  explicit TDBCheckBox(TComponent *owner);
  ~TDBCheckBox() override;
  TDataSource *DataSource() const { return link_->DataSource(); }
  void SetDataSource(TDataSource *source);
  QString DataField() const { return link_->FieldName(); }
  void SetDataField(const QString &name);
  TField *Field() const { return link_->Field(); }
  // For text fields: the texts that mean checked and unchecked (several
  // separated by ";", the first is written).
  QString ValueChecked() const { return value_checked_; }
  void SetValueChecked(const QString &v) { value_checked_ = v; }
  QString ValueUnchecked() const { return value_unchecked_; }
  void SetValueUnchecked(const QString &v) { value_unchecked_ = v; }
  void Notification(TComponent *component, TOperation operation) override;

 protected:
  void Toggle() override;

 private:
  void DataChange();
  void UpdateData();
  std::unique_ptr<TFieldDataLink> link_;
  QString value_checked_ = QStringLiteral("True");
  QString value_unchecked_ = QStringLiteral("False");
  bool showing_ = false;
};

ORBISCA_ENUM(TNavigateBtn, nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh)
using TButtonSet = TEnumSet<TNavigateBtn>;
using TNavClick = std::function<void(rtl::TObject *sender, TNavigateBtn button)>;

class TDBNavigator : public TCustomPanel {
  ORBISCA_CLASS(TDBNavigator, TCustomPanel)

 public:
  explicit TDBNavigator(TComponent *owner);
  ~TDBNavigator() override;
  TDataSource *DataSource() const;
  void SetDataSource(TDataSource *source);
  TButtonSet VisibleButtons() const { return visible_; }
  void SetVisibleButtons(TButtonSet buttons);
  // Delete asks "Cancellare il record?" first.
  bool ConfirmDelete() const { return confirm_delete_; }
  void SetConfirmDelete(bool value) { confirm_delete_ = value; }
  // Runs a button as a click does (nothing when it is disabled).
  void BtnClick(TNavigateBtn button);
  bool ButtonEnabled(TNavigateBtn button) const;
  TSpeedButton *Button(TNavigateBtn button) const;
  TNavClick BeforeAction;
  TNavClick OnClick;
  void Notification(TComponent *component, TOperation operation) override;

 protected:
  void WMSize(TMessage &message) override;

 private:
  class NavLink;
  void UpdateButtons();
  void ArrangeButtons();
  std::unique_ptr<NavLink> link_;
  std::vector<TSpeedButton *> buttons_;
  TButtonSet visible_{nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh};
  bool confirm_delete_ = true;
};

}  // namespace vcl
