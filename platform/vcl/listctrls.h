// List box, check list box and combo box.
//
// Both keep their lines in a string list of their own (Items) and show them
// in a Qt list; ItemIndex is -1 when nothing is chosen. Setting ItemIndex or
// Text in code fires nothing; the user's choice fires OnClick (list box) or
// OnChange (combo box, also for every edit of the text in csDropDown). A
// csDropDownList combo only shows its items: its Text is the chosen line
// and setting a text that is no item clears the choice.
#pragma once

#include <memory>

#include "platform/rtl/classes.h"
#include "platform/vcl/controls.h"

class QComboBox;
class QListWidget;
class QListWidgetItem;

namespace vcl {

ORBISCA_ENUM(TComboBoxStyle, csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable)

class TListBox : public TWinControl {
  ORBISCA_CLASS(TListBox, TWinControl)

 public:
  explicit TListBox(TComponent *owner);
  ~TListBox() override;
  rtl::TStrings *Items() const { return items_.get(); }
  void SetItems(const rtl::TStrings *items) { items_->Assign(items); }
  int ItemIndex() const { return item_index_; }
  // Values out of range give -1.
  void SetItemIndex(int value);
  bool Sorted() const { return items_->Sorted(); }
  void SetSorted(bool value) { items_->SetSorted(value); }
  bool MultiSelect() const { return multi_select_; }
  void SetMultiSelect(bool value);
  bool Selected(int index) const;
  void SetSelected(int index, bool value);
  int SelCount() const;
  void Clear() { items_->Clear(); }
  int Count() const { return items_->Count(); }
  // Internal: the user chose row `row` in the widget.
  void UserSelected(int row);

 protected:
  QWidget *CreateWidget(QWidget *parent_widget) override;
  void InitWidget() override;
  void WMGetDlgCode(TMessage &message) override;
  QListWidget *List() const;
  // The lines changed (before the widget shows them).
  virtual void LinesChanged() {}
  // Gives a line's widget item what a derived list shows besides the text.
  virtual void DecorateItem(QListWidgetItem *, int) {}
  // Decorates one line's widget item again, as the list's own change.
  void RedecorateItem(int index);
  // True while the list itself changes the widget (its signals are no
  // user's doing then).
  bool Updating() const { return updating_; }

 private:
  void ItemsChanged();
  // Puts the lines and the selection into the widget as they are.
  void FillWidget();
  void SyncSelection();
  std::unique_ptr<rtl::TStringList> items_;
  std::vector<bool> selected_;
  int item_index_ = -1;
  bool multi_select_ = false;
  bool updating_ = false;
};

// A list box whose lines carry a check box each. Lines added at the end
// come unchecked and the others keep their checks; clearing the lines clears the checks.
// The user's click on a box toggles it and fires OnClickCheck.
class TCheckListBox : public TListBox {
  ORBISCA_CLASS(TCheckListBox, TListBox)

 public:
  explicit TCheckListBox(TComponent *owner);
  bool Checked(int index) const;
  void SetChecked(int index, bool value);
  int CheckedCount() const;
  TNotifyEvent OnClickCheck;

 protected:
  QWidget *CreateWidget(QWidget *parent_widget) override;
  void LinesChanged() override;
  void DecorateItem(QListWidgetItem *item, int index) override;

 private:
  std::vector<bool> checked_;
};

class TComboBox : public TWinControl {
  ORBISCA_CLASS(TComboBox, TWinControl)

 public:
  explicit TComboBox(TComponent *owner);
  ~TComboBox() override;
  rtl::TStrings *Items() const { return items_.get(); }
  void SetItems(const rtl::TStrings *items) { items_->Assign(items); }
  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle value);
  int ItemIndex() const { return item_index_; }
  void SetItemIndex(int value);
  bool Sorted() const { return items_->Sorted(); }
  void SetSorted(bool value) { items_->SetSorted(value); }
  int DropDownCount() const { return drop_down_count_; }
  void SetDropDownCount(int value);
  int MaxLength() const { return max_length_; }
  void SetMaxLength(int value);
  bool DroppedDown() const;
  void SetDroppedDown(bool value);
  void Clear();

  TNotifyEvent OnChange;
  TNotifyEvent OnDropDown;
  // Internal: what the user did in the widget.
  void UserChose(int index);
  void UserEdited(const QString &text);

 protected:
  QWidget *CreateWidget(QWidget *parent_widget) override;
  void InitWidget() override;
  QString GetText() const override;
  void SetTextInWidget(const QString &text) override;
  void CMTextChanged(TMessage &message) override;
  void WMGetDlgCode(TMessage &message) override;
  virtual void Change();

 private:
  QComboBox *Combo() const;
  void ItemsChanged();
  std::unique_ptr<rtl::TStringList> items_;
  TComboBoxStyle style_ = csDropDown;
  int item_index_ = -1;
  int drop_down_count_ = 8;
  int max_length_ = 0;
  bool updating_ = false;
};

}  // namespace vcl
