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
//
// Bound to a lookup field of the edited dataset (lookup-field mode), a
// control takes the lookup dataset, key and display field from the field's
// definition and writes the key into the edited dataset's key field; the
// lookup properties are then refused.
#pragma once

#include <memory>

#include "controls/extended/timers.h"

#include "platform/vcl/controls.h"
#include "platform/vcl/db/db.h"

class QScrollBar;

namespace ext {

ORBISCA_ENUM(TLookupListStyle, lsFixed, lsDelimited)
ORBISCA_ENUM(TDropDownAlign, daLeft, daRight, daCenter)

using TGetImageEvent =
    std::function<void(rtl::TObject *sender, bool is_empty, int &text_margin, vcl::TGraphic *&graphic)>;

// One display field of a row as painted in the fixed style.
struct TRowColumn {
  QString text;
  int display_width = 0;  // in characters
  vcl::TAlignment alignment = vcl::taLeftJustify;
};

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
  friend class TMwLookupControl;
  virtual void CheckFieldType(vcl::TField *field) { (void)field; }
  virtual void ActiveChanged() {}
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

class TLookupSourceLink;
class TLookupFieldLink;

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
  void SetListStyle(TLookupListStyle value) {
    list_style_ = value;
    Invalidate();
  }
  QChar FieldsDelimiter() const { return fields_delimiter_; }
  void SetFieldsDelimiter(QChar value) {
    fields_delimiter_ = value;
    Invalidate();
  }
  QString EmptyValue() const { return empty_value_; }
  void SetEmptyValue(const QString &value);
  QString DisplayEmpty() const { return display_empty_; }
  // The list makes room for the empty item above its records.
  void SetDisplayEmpty(const QString &value);
  vcl::TColor EmptyItemColor() const { return empty_item_color_; }
  void SetEmptyItemColor(vcl::TColor value) {
    empty_item_color_ = value;
    Invalidate();
  }
  bool IgnoreCase() const { return ignore_case_; }
  void SetIgnoreCase(bool value) { ignore_case_ = value; }
  bool IndexSwitch() const { return index_switch_; }
  void SetIndexSwitch(bool value) { index_switch_ = value; }
  int ItemHeight() const;
  void SetItemHeight(int value);
  // The edited record's link is read-only with it.
  bool ReadOnly() const;
  void SetReadOnly(bool value);
  // Whether ItemHeight was set above the font's own row height.
  bool ItemHeightStored() const;
  // The edited record and the field that receives the key (optional).
  vcl::TDataSource *DataSource() const;
  void SetDataSource(vcl::TDataSource *source);
  QString DataField() const;
  void SetDataField(const QString &name);
  // The field that receives the key: the data field, or in lookup-field
  // mode the edited dataset's key field.
  vcl::TField *MasterField() const;
  bool LookupMode() const { return lookup_mode_; }
  // A container that repeats the control once per record fixes its data
  // source; the lookup properties can then no longer be set.
  bool DataSourceFixed() const { return data_source_fixed_; }
  void SetDataSourceFixed(bool value) { data_source_fixed_ = value; }

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
  friend class TLookupFieldLink;
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

  // Row painting shared by the list and the combo. DrawRowImage asks
  // OnGetImage for the picture of the current lookup record (or of the
  // empty item), draws it centred in its margin at the left of `r` and
  // returns the margin (0 without a picture).
  int DrawRowImage(vcl::TCanvas *canvas, const vcl::TRect &r, bool is_empty);
  // The display fields of the current lookup record (or the empty item,
  // whose first column shows DisplayEmpty).
  std::vector<TRowColumn> RowColumns(bool is_empty) const;
  // Columns inside `r` (lsFixed), or one text joined by the delimiter and a
  // blank (lsDelimited).
  void DrawRowText(vcl::TCanvas *canvas, const vcl::TRect &r, const std::vector<TRowColumn> &columns);
  // The width that shows every column, scroll bar included, at most the
  // screen's width.
  int FullColumnsWidth();
  // The extent of a text in the control's font, painted or not.
  vcl::TSize MeasureText(const QString &text) const;
  // Puts the edited dataset in edit mode for a write of the key.
  bool EditMaster();

  std::unique_ptr<vcl::TDataLink> lookup_link_;
  std::unique_ptr<TLookupFieldLink> data_link_;
  void MasterDataChanged();
  void UpdateLookupMode();
  void CheckNotFixed() const;
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
  bool lookup_mode_ = false;
  bool data_source_fixed_ = false;
  vcl::TField *master_field_ = nullptr;
  // The data source over the lookup field's dataset, in lookup-field mode.
  std::unique_ptr<vcl::TDataSource> mode_source_;
};

class TMwDBLookupList : public TMwLookupControl {
  ORBISCA_CLASS(TMwDBLookupList, TMwLookupControl)
 public:
  explicit TMwDBLookupList(vcl::TComponent *owner);
  int RowCount() const;
  void SetRowCount(int rows);
  vcl::TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(vcl::TBorderStyle value) {
    border_style_ = value;
    Invalidate();
  }
  // Moves the selection by `distance` records from the selected one (the
  // list's keys do this).
  void MoveSelection(int distance);
  void SelectFirst();
  void SelectLast();
  // Scrolls the rows shown by `rows` records without changing the value
  // (the scroll bar and the wheel do this).
  void ScrollRows(int rows);
  // The scroll bar: range 0 to 4, shown only while every row is used.
  QScrollBar *ScrollBar() const { return scroll_bar_; }
  bool ScrollBarShown() const { return scroll_bar_shown_; }
  // The automatic scrolling while the mouse is dragged outside the rows.
  bool ScrollTimerActive() const { return scroll_timer_.Enabled(); }
  int ScrollTimerInterval() const { return scroll_timer_.Interval(); }
  // Rows drawn: the empty item (when shown) and the records.
  int RowsWidth() const;

 protected:
  QWidget *CreateWidget(QWidget *parent_widget) override;
  void InitWidget() override;
  void Paint() override;
  void Resize() override;
  void KeyDown(int &key, vcl::TShiftState shift) override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseMove(vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  bool DoMouseWheel(vcl::TShiftState shift, int delta, const vcl::TPoint &pos) override;
  void LookupActiveChanged() override;
  void LookupDataChanged() override;
  bool EmptyRowShown() const { return !DisplayEmpty().isEmpty(); }
  void SelectRowAt(int y);
  void StopTracking();
  void AttachScrollBar(QWidget *widget);
  int border_size_ = 2;
  bool tracking_ = false;

 private:
  void UpdateScrollBar();
  void ScrollAction(int action);
  void TimerScroll();
  vcl::TBorderStyle border_style_ = vcl::bsSingle;
  QScrollBar *scroll_bar_ = nullptr;
  bool scroll_bar_shown_ = false;
  TExtTimer scroll_timer_;
  int mouse_y_ = 0;
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

 private:
  friend class TMwDBLookupCombo;
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
  // Always false in lookup-field mode.
  bool DisplayAllFields() const { return display_all_fields_ && !LookupMode(); }
  void SetDisplayAllFields(bool value) {
    display_all_fields_ = value;
    Invalidate();
  }

  // The text the combo shows.
  QString ShownText() const;
  bool ListVisible() const { return list_visible_; }
  TMwPopupDataList *DataList() const { return data_list_; }
  void DropDown();
  void CloseUp(bool accept);
  // The font's character height plus the border and 3 pixels.
  int MinHeight();
  int ButtonWidth() const;
  bool ButtonPressed() const { return pressed_; }
  void SetBounds(int left, int top, int width, int height) override;

  vcl::TNotifyEvent OnDropDown;
  vcl::TNotifyEvent OnCloseUp;

 protected:
  void Paint() override;
  void KeyDown(int &key, vcl::TShiftState shift) override;
  void KeyPress(QChar &key) override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseMove(vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void WMKillFocus(vcl::TMessage &message) override;
  void WMGetDlgCode(vcl::TMessage &message) override;
  void Dispatch(vcl::TMessage &message) override;
  void ValueChanged() override;

 private:
  bool InButton(int x, int y) const;
  void StopTracking();
  TMwPopupDataList *data_list_;
  bool pressed_ = false;
  bool tracking_ = false;
  bool list_tracking_ = false;
  // The display fields of the selected record, for DisplayAllFields.
  std::vector<TRowColumn> columns_;
  bool list_visible_ = false;
  TDropDownAlign drop_down_align_ = daLeft;
  int drop_down_count_ = 8;
  int drop_down_width_ = 0;
  bool escape_clear_ = true;
  bool display_all_fields_ = false;
};

}  // namespace ext
