// Data sources (`TDataSource`) and the links that tie controls and detail
// datasets to a dataset through them (`TDataLink`, `TFieldDataLink`,
// `TMasterDataLink`) (see db.h).
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/vcl/component.h"
#include "platform/vcl/db/dbtypes.h"

namespace vcl {

// ---- data sources and links ----------------------------------------------------------------

using TDataChangeEvent = std::function<void(rtl::TObject *sender, TField *field)>;
using TSourceNotifyEvent = std::function<void(rtl::TObject *sender)>;

class TDataSource : public TComponent {
  ORBISCA_CLASS(TDataSource, TComponent)

 public:
  explicit TDataSource(TComponent *owner = nullptr);
  ~TDataSource() override;

  TDataSet *DataSet() const { return dataset_; }
  // Refuses a dataset that would link back to itself ("Circular datalinks
  // are not allowed").
  void SetDataSet(TDataSet *dataset);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool AutoEdit() const { return auto_edit_; }
  void SetAutoEdit(bool v) { auto_edit_ = v; }
  TDataSetState State() const { return state_; }
  // Puts the dataset in edit mode when AutoEdit allows and it is browsing.
  void Edit();
  bool IsLinkedTo(const TDataSet *dataset) const;
  const std::vector<TDataLink *> &DataLinks() const { return links_; }

  TDataChangeEvent OnDataChange;
  TSourceNotifyEvent OnStateChange;
  TSourceNotifyEvent OnUpdateData;

 protected:
  void Notification(TComponent *component, TOperation operation) override;

 private:
  friend class TDataSet;
  friend class TDataLink;
  void DataEvent(TDataEvent event, std::intptr_t info);
  void NotifyDataLinks(TDataEvent event, std::intptr_t info);
  void NotifyLinkTypes(TDataEvent event, std::intptr_t info, bool link_type);
  void SetState(TDataSetState state);
  void UpdateState();
  void AddDataLink(TDataLink *link);
  void RemoveDataLink(TDataLink *link);

  TDataSet *dataset_ = nullptr;
  bool enabled_ = true;
  bool auto_edit_ = true;
  TDataSetState state_ = dsInactive;
  std::vector<TDataLink *> links_;
};

// The base of every connection between a data source and something that
// shows or follows its records. A link sees a window of BufferCount records
// of the dataset's buffers, with its own ActiveRecord in that window.
class TDataLink : public rtl::TObject {
  ORBISCA_CLASS(TDataLink, rtl::TObject)

 public:
  TDataLink();
  ~TDataLink() override;

  TDataSource *DataSource() const { return data_source_; }
  void SetDataSource(TDataSource *source);
  TDataSet *DataSet() const;
  bool Active() const { return active_; }
  bool Editing() const { return editing_; }
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool v);
  int ActiveRecord() const;
  void SetActiveRecord(int value);
  int BufferCount() const { return buffer_count_; }
  void SetBufferCount(int value);
  // Records available in the link's window.
  int RecordCount() const;
  // True when this link writes to the data source's dataset (controls that
  // edit) rather than following it (detail datasets).
  virtual bool IsDataLink() const { return true; }

  // Puts the dataset in edit mode through the data source; true when the
  // link is then editing.
  bool Edit();
  void UpdateRecord();
  int MoveBy(int distance);

 protected:
  friend class TDataSource;
  virtual void ActiveChanged() {}
  virtual void CheckBrowseMode() {}
  virtual void DataEvent(TDataEvent event, std::intptr_t info);
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(int distance) {
    (void)distance;
    DataSetChanged();
  }
  virtual void EditingChanged() {}
  virtual void FocusControl(TField **field) { (void)field; }
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField *field) { (void)field; }
  virtual void UpdateData() {}

  void SetActive(bool value);
  void SetEditing(bool value);
  void UpdateRange() const;

 private:
  TDataSource *data_source_ = nullptr;
  bool active_ = false;
  bool editing_ = false;
  bool read_only_ = false;
  bool updating_ = false;
  int buffer_count_ = 1;
  // Index of the dataset buffer shown in the link's first row; kept in
  // range lazily, hence mutable.
  mutable int first_record_ = 0;
};

// The link of a control that edits one field.
class TFieldDataLink : public TDataLink {
  ORBISCA_CLASS(TFieldDataLink, TDataLink)

 public:
  using TLinkEvent = std::function<void(rtl::TObject *sender)>;

  TField *Field() const { return field_; }
  QString FieldName() const { return field_name_; }
  void SetFieldName(const QString &name);
  TComponent *Control() const { return control_; }
  void SetControl(TComponent *control) { control_ = control; }
  // The field exists, is modifiable and the link is not read-only.
  bool CanModify() const;
  bool Edit();
  // The control tells the link that the user changed its value.
  void Modified() { modified_ = true; }
  bool IsModified() const { return modified_; }
  // Drops the user's change and shows the field's value again.
  void Reset();

  TLinkEvent OnDataChange;
  TLinkEvent OnEditingChange;
  TLinkEvent OnUpdateData;
  TLinkEvent OnActiveChange;
  // Asked to move the focus to the control.
  TLinkEvent OnFocusControl;

 protected:
  void ActiveChanged() override;
  void EditingChanged() override;
  void FocusControl(TField **field) override;
  void LayoutChanged() override;
  void RecordChanged(TField *field) override;
  void UpdateData() override;

 private:
  // Strict: a missing field raises "Field 'x' not found".
  void UpdateField(bool strict = true);
  void SetField(TField *field);
  TField *field_ = nullptr;
  QString field_name_;
  TComponent *control_ = nullptr;
  bool modified_ = false;
};

// The link by which a detail dataset follows its master's current record.
class TMasterDataLink : public TDataLink {
  ORBISCA_CLASS(TMasterDataLink, TDataLink)

 public:
  explicit TMasterDataLink(TDataSet *detail);
  TDataSet *DetailDataSet() const { return detail_; }
  // Master field names separated by ";".
  QString FieldNames() const { return field_names_; }
  void SetFieldNames(const QString &names);
  const std::vector<TField *> &Fields() const { return fields_; }
  bool IsDataLink() const override { return false; }

  std::function<void(rtl::TObject *sender)> OnMasterChange;
  std::function<void(rtl::TObject *sender)> OnMasterDisable;

 protected:
  void ActiveChanged() override;
  void CheckBrowseMode() override;
  void LayoutChanged() override { ActiveChanged(); }
  void RecordChanged(TField *field) override;

 private:
  TDataSet *detail_;
  QString field_names_;
  std::vector<TField *> fields_;
};

}  // namespace vcl
