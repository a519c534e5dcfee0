// Data-aware lookup controls: pick one record of a lookup dataset (the
// periodicity table, for instance) by its displayed fields and hold the
// picked record's key as a string.
//
// TLocateObject finds a record by one field's text, exactly or by prefix,
// and goes back to the former record when nothing matches. TMwLookupControl
// keeps the value, the shown text, the link to the lookup source and the
// type-ahead; TMwDBLookupList is an owner-drawn list of lookup records and
// TMwDBLookupCombo a combo that shows the picked record's text and drops
// down a TMwPopupDataList.
//
// Writing SelectedKey always leaves the lookup dataset on the record of
// that key, also when the control already held it: several combos share
// one lookup dataset, and the program reads the record's other fields
// right after writing the key.
#pragma once

#include <memory>

#include "platform/vcl/controls.h"
#include "platform/vcl/db/db.h"

namespace ext {

ORBISCA_ENUM(TLookupListStyle, lsFixed, lsDelimited)
ORBISCA_ENUM(TDropDownAlign, daLeft, daRight, daCenter)

using TGetImageEvent = std::function<void(rtl::TObject *sender, bool is_empty, int &text_margin,
                                          vcl::TGraphic *&graphic)>;

class TLocateObject {
 public:
  virtual ~TLocateObject() = default;
  vcl::TDataSet *DataSet() const { return dataset_; }
  void SetDataSet(vcl::TDataSet *dataset) { dataset_ = dataset; }
  bool IndexSwitch = true;
  // Finds a record whose field's text equals `value` (exact) or begins with
  // it; on failure the dataset goes back to the former record.
  bool Locate(const QString &field_name, const QString &value, bool exact, bool case_sensitive);

 protected:
  virtual void CheckFieldType(vcl::TField *field) { (void)field; }
  virtual bool LocateKey() { return false; }
  virtual bool UseKey() const { return false; }
  virtual bool LocateFilter();
  virtual bool LocateFull();
  virtual bool UseLocate() const;
  bool MatchesCurrent() const;

  vcl::TDataSet *dataset_ = nullptr;
  vcl::TField *field_ = nullptr;
  QString value_;
  bool exact_ = true;
  bool case_sensitive_ = false;
};

class TMwLookupControl;

class TMwLookupControl : public vcl::TCustomControl {
  ORBISCA_CLASS(TMwLookupControl, vcl::TCustomControl)
 public:
  explicit TMwLookupControl(vcl::TComponent *owner);
  ~TMwLookupControl() override;

  vcl::TDataSource *LookupSource() const;
  void SetLookupSource(vcl::TDataSource *source);
  QString LookupField() const { return lookup_field_; }
  void SetLookupField(const QString &value);
  QString LookupDisplay() const { return lookup_display_; }
  void SetLookupDisplay(const QString &value);
  int LookupDisplayIndex() const { return lookup_display_index_; }
  void SetLookupDisplayIndex(int value);
  TLookupListStyle ListStyle() const { return list_style_; }
  void SetListStyle(TLookupListStyle value) { list_style_ = value; Invalidate(); }
  QChar FieldsDelimiter() const { return fields_delimiter_; }
  void SetFieldsDelimiter(QChar value) { fields_delimiter_ = value; Invalidate(); }
  QString EmptyValue() const { return empty_value_; }
  void SetEmptyValue(const QString &value);
  QString DisplayEmpty() const { return display_empty_; }
  void SetDisplayEmpty(const QString &value);
  vcl::TColor EmptyItemColor() const { return empty_item_color_; }
  void SetEmptyItemColor(vcl::TColor value) { empty_item_color_ = value; Invalidate(); }
  bool IgnoreCase() const { return ignore_case_; }
  void SetIgnoreCase(bool value) { ignore_case_ = value; }
  bool IndexSwitch() const { return index_switch_; }
  void SetIndexSwitch(bool value) { index_switch_ = value; }
  int ItemHeight() const;
  void SetItemHeight(int value);
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value) { read_only_ = value; }
  // The edited record and the field that receives the key (optional).
  vcl::TDataSource *DataSource() const { return data_link_->DataSource(); }
  void SetDataSource(vcl::TDataSource *source);
  QString DataField() const { return data_link_->FieldName(); }
  void SetDataField(const QString &name) { data_link_->SetFieldName(name); }
  vcl::TField *MasterField() const { return data_link_->Field(); }

  // The key as a string; EmptyValue when nothing is selected.
  QString SelectedKey() const { return value_; }
  void SetSelectedKey(const QString &value);
  // Null for the empty value.
  rtl::Variant SelectedKeyVariant() const;
  // The display text of the selected record ("" for the empty value).
  QString DisplayValue() const { return display_value_; }
  QString SearchText() const { return search_text_; }

  bool ListReady() const { return list_active_; }
  vcl::TField *KeyField() const { return key_field_; }
  vcl::TField *DisplayField() const { return display_field_; }
  bool CanModify() const;

  // One typed character of the type-ahead.
  void ProcessSearchKey(QChar key);
  void ClearSearch() { search_text_.clear(); }

  vcl::TNotifyEvent OnChange;
  TGetImageEvent OnGetImage;

 protected:
  friend class TLookupSourceLink;
  virtual void LookupActiveChanged();
  virtual void LookupLayoutChanged() { LookupActiveChanged(); }
  virtual void LookupDataChanged() { Invalidate(); }
  virtual void ValueChanged();
  void SetValueInternal(const QString &value);
  void SelectKeyValue(const QString &key);
  void ClearValue();
  bool LocateKey();
  bool LocateDisplay();
  bool Locate(vcl::TField *field, const QString &value, bool exact);
  QString FieldText(vcl::TField *field) const;
  std::vector<vcl::TField *> DisplayFields() const { return list_fields_; }
  virtual bool IsPopupList() const { return false; }
  void KeyPress(QChar &key) override;
  void WMGetDlgCode(vcl::TMessage &message) override;

  std::unique_ptr<vcl::TDataLink> lookup_link_;
  std::unique_ptr<vcl::TFieldDataLink> data_link_;
  void MasterDataChanged();
  TLocateObject locate_;
  QString value_;
  QString display_value_;
  QString search_text_;
  bool list_active_ = false;
  vcl::TField *key_field_ = nullptr;
  vcl::TField *display_field_ = nullptr;
  std::vector<vcl::TField *> list_fields_;

 private:
  QString lookup_field_, lookup_display_;
  int lookup_display_index_ = 0;
  TLookupListStyle list_style_ = lsFixed;
  QChar fields_delimiter_ = QLatin1Char(',');
  QString empty_value_;
  QString display_empty_;
  vcl::TColor empty_item_color_ = vcl::clWindow;
  bool ignore_case_ = true;
  bool index_switch_ = true;
  int item_height_ = 0;
  bool read_only_ = false;
};

class TMwDBLookupList : public TMwLookupControl {
  ORBISCA_CLASS(TMwDBLookupList, TMwLookupControl)
 public:
  explicit TMwDBLookupList(vcl::TComponent *owner);
  int RowCount() const;
  void SetRowCount(int rows);
  vcl::TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(vcl::TBorderStyle value) { border_style_ = value; Invalidate(); }
  // Moves the selection by `distance` records from the selected one (the
  // list's keys do this).
  void MoveSelection(int distance);
  void SelectFirst();
  void SelectLast();

 protected:
  void Paint() override;
  void KeyDown(int &key, vcl::TShiftState shift) override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void LookupActiveChanged() override;
  bool EmptyRowShown() const { return !DisplayEmpty().isEmpty(); }
  int border_size_ = 2;

 private:
  vcl::TBorderStyle border_style_ = vcl::bsSingle;
};

// The list the combo drops down: a window of its own that never takes the
// focus.
class TMwPopupDataList : public TMwDBLookupList {
  ORBISCA_CLASS(TMwPopupDataList, TMwDBLookupList)
 public:
  explicit TMwPopupDataList(vcl::TComponent *owner);
  std::function<void(bool accept)> OnCloseUp;

 protected:
  QWidget *CreateWidget(QWidget *parent_widget) override;
  bool IsPopupList() const override { return true; }
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
};

class TMwDBLookupCombo : public TMwLookupControl {
  ORBISCA_CLASS(TMwDBLookupCombo, TMwLookupControl)
 public:
  explicit TMwDBLookupCombo(vcl::TComponent *owner);
  ~TMwDBLookupCombo() override;

  TDropDownAlign DropDownAlign() const { return drop_down_align_; }
  void SetDropDownAlign(TDropDownAlign value) { drop_down_align_ = value; }
  int DropDownCount() const { return drop_down_count_; }
  void SetDropDownCount(int value) { drop_down_count_ = value; }
  int DropDownWidth() const { return drop_down_width_; }
  void SetDropDownWidth(int value) { drop_down_width_ = value; }
  bool EscapeClear() const { return escape_clear_; }
  void SetEscapeClear(bool value) { escape_clear_ = value; }
  bool DisplayAllFields() const { return display_all_fields_; }
  void SetDisplayAllFields(bool value) { display_all_fields_ = value; Invalidate(); }

  // The text the combo shows.
  QString ShownText() const;
  bool ListVisible() const { return list_visible_; }
  TMwPopupDataList *DataList() const { return data_list_; }
  void DropDown();
  void CloseUp(bool accept);

  vcl::TNotifyEvent OnDropDown;
  vcl::TNotifyEvent OnCloseUp;

 protected:
  void Paint() override;
  void KeyDown(int &key, vcl::TShiftState shift) override;
  void KeyPress(QChar &key) override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void WMKillFocus(vcl::TMessage &message) override;
  void WMGetDlgCode(vcl::TMessage &message) override;

 private:
  TMwPopupDataList *data_list_;
  bool list_visible_ = false;
  TDropDownAlign drop_down_align_ = daLeft;
  int drop_down_count_ = 8;
  int drop_down_width_ = 0;
  bool escape_clear_ = true;
  bool display_all_fields_ = false;
};

}  // namespace ext
