// Data sources and links: how a dataset's events reach the controls and
// detail datasets that follow it. A data source passes the dataset's events
// to its links (editing links first, so that a control writes its pending
// value before a detail reacts); each link keeps its own window of records
// over the dataset's buffers.
#include <algorithm>

#include "platform/vcl/db/bookmarks.h"
#include "platform/vcl/db/datalink.h"
#include "platform/vcl/db/dataset.h"

namespace vcl {

// ---- TDataSource ------------------------------------------------------------------------

TDataSource::TDataSource(TComponent *owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
  for (TDataLink *link : std::vector<TDataLink *>(links_)) link->SetDataSource(nullptr);
  if (dataset_) {
    dataset_->RemoveDataSource(this);
    dataset_ = nullptr;
  }
}

void TDataSource::Notification(TComponent *component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == dataset_) {
    dataset_ = nullptr;
    UpdateState();
  }
}

void TDataSource::SetDataSet(TDataSet *dataset) {
  if (dataset == dataset_) return;
  if (dataset && dataset->IsLinkedTo(this)) DatabaseError(QStringLiteral("Circular datalinks are not allowed"), this);
  if (dataset_) {
    dataset_->RemoveDataSource(this);
    dataset_->RemoveFreeNotification(this);
  }
  dataset_ = dataset;
  if (dataset_) {
    dataset_->FreeNotification(this);
    dataset_->AddDataSource(this);
  }
  UpdateState();
}

void TDataSource::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  UpdateState();
}

bool TDataSource::IsLinkedTo(const TDataSet *dataset) const { return dataset && dataset->IsLinkedTo(this); }

void TDataSource::Edit() {
  if (auto_edit_ && state_ == dsBrowse && dataset_) dataset_->Edit();
}

void TDataSource::SetState(TDataSetState state) {
  if (state_ == state) return;
  const TDataSetState old = state_;
  state_ = state;
  NotifyDataLinks(deUpdateState, 0);
  if (OnStateChange) OnStateChange(this);
  // A source that becomes active shows the dataset's records at once.
  if (old == dsInactive && state != dsInactive && OnDataChange) OnDataChange(this, nullptr);
}

void TDataSource::UpdateState() {
  if (enabled_ && dataset_)
    SetState(dataset_->State() == dsOpening ? dsInactive : dataset_->State());
  else
    SetState(dsInactive);
}

void TDataSource::DataEvent(TDataEvent event, std::intptr_t info) {
  if (event == deUpdateState) {
    UpdateState();
    return;
  }
  if (state_ == dsInactive) return;
  NotifyDataLinks(event, info);
  switch (event) {
    case deFieldChange:
      if (OnDataChange) OnDataChange(this, reinterpret_cast<TField *>(info));
      break;
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
      if (OnDataChange) OnDataChange(this, nullptr);
      break;
    case deUpdateRecord:
      if (OnUpdateData) OnUpdateData(this);
      break;
    default:
      break;
  }
}

void TDataSource::NotifyLinkTypes(TDataEvent event, std::intptr_t info, bool link_type) {
  for (TDataLink *link : std::vector<TDataLink *>(links_)) {
    if (std::find(links_.begin(), links_.end(), link) == links_.end()) continue;
    if (link->IsDataLink() == link_type) link->DataEvent(event, info);
  }
}

void TDataSource::NotifyDataLinks(TDataEvent event, std::intptr_t info) {
  NotifyLinkTypes(event, info, true);
  NotifyLinkTypes(event, info, false);
}

void TDataSource::AddDataLink(TDataLink *link) {
  links_.push_back(link);
  if (dataset_ && dataset_->Active()) dataset_->UpdateBufferCount();
}

void TDataSource::RemoveDataLink(TDataLink *link) {
  links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
  if (dataset_ && dataset_->Active() && !dataset_->IsDestroying()) dataset_->UpdateBufferCount();
}

// ---- TDataLink -------------------------------------------------------------------------------

TDataLink::TDataLink() = default;

TDataLink::~TDataLink() {
  if (data_source_) data_source_->RemoveDataLink(this);
  data_source_ = nullptr;
}

TDataSet *TDataLink::DataSet() const { return data_source_ ? data_source_->DataSet() : nullptr; }

void TDataLink::SetDataSource(TDataSource *source) {
  if (source == data_source_) return;
  if (data_source_) data_source_->RemoveDataLink(this);
  data_source_ = source;
  if (data_source_) data_source_->AddDataLink(this);
  first_record_ = 0;
  SetActive(data_source_ && data_source_->State() != dsInactive);
  SetEditing(data_source_ && (data_source_->State() == dsEdit || data_source_->State() == dsInsert) && !read_only_);
}

void TDataLink::SetReadOnly(bool v) {
  if (read_only_ == v) return;
  read_only_ = v;
  if (data_source_) SetEditing(!read_only_ && (data_source_->State() == dsEdit || data_source_->State() == dsInsert));
}

void TDataLink::SetActive(bool value) {
  if (active_ == value) return;
  active_ = value;
  if (value) first_record_ = 0;
  ActiveChanged();
}

void TDataLink::SetEditing(bool value) {
  if (editing_ == value) return;
  editing_ = value;
  EditingChanged();
}

void TDataLink::UpdateRange() const {
  TDataSet *ds = DataSet();
  if (!ds) return;
  const int active = ds->ActiveRecord();
  int low = active - buffer_count_ + 1;
  if (low < 0) low = 0;
  int high = ds->BufferCount() - buffer_count_;
  if (high < 0) high = 0;
  if (high > active) high = active;
  if (first_record_ < low) first_record_ = low;
  if (first_record_ > high) first_record_ = high;
}

int TDataLink::ActiveRecord() const {
  TDataSet *ds = DataSet();
  if (!active_ || !ds || data_source_->State() == dsSetKey) return 0;
  UpdateRange();
  return ds->ActiveRecord() - first_record_;
}

void TDataLink::SetActiveRecord(int value) {
  TDataSet *ds = DataSet();
  if (!active_ || !ds || data_source_->State() == dsSetKey) return;
  UpdateRange();
  ds->SetActiveRecordIndex(value + first_record_);
}

void TDataLink::SetBufferCount(int value) {
  if (value < 1) value = 1;
  if (buffer_count_ == value) return;
  buffer_count_ = value;
  TDataSet *ds = DataSet();
  if (active_ && ds) {
    ds->UpdateBufferCount();
    UpdateRange();
  }
}

int TDataLink::RecordCount() const {
  TDataSet *ds = DataSet();
  if (!active_ || !ds) return 0;
  if (data_source_->State() == dsSetKey) return 1;
  UpdateRange();
  const int n = ds->BufferedRecordCount() - first_record_;
  return std::clamp(n, 0, buffer_count_);
}

bool TDataLink::Edit() {
  if (!read_only_ && data_source_) data_source_->Edit();
  return editing_;
}

void TDataLink::UpdateRecord() {
  updating_ = true;
  try {
    UpdateData();
  } catch (...) {
    updating_ = false;
    throw;
  }
  updating_ = false;
}

int TDataLink::MoveBy(int distance) {
  TDataSet *ds = DataSet();
  return ds ? ds->MoveBy(distance) : 0;
}

void TDataLink::DataEvent(TDataEvent event, std::intptr_t info) {
  if (event == deUpdateState) {
    SetActive(data_source_ && data_source_->State() != dsInactive);
    SetEditing(!read_only_ && data_source_ && (data_source_->State() == dsEdit || data_source_->State() == dsInsert));
    return;
  }
  if (!active_) return;
  switch (event) {
    case deFieldChange:
    case deRecordChange:
      if (!updating_) RecordChanged(reinterpret_cast<TField *>(info));
      break;
    case deDataSetChange:
      UpdateRange();
      DataSetChanged();
      break;
    case deLayoutChange:
      UpdateRange();
      LayoutChanged();
      break;
    case deDataSetScroll: {
      // The dataset's buffers moved by `info` places (negative: towards the
      // front, as when scrolling forward); the link follows, then keeps
      // the active record inside its own window.
      const int shifted = first_record_ + static_cast<int>(info);
      first_record_ = shifted;
      UpdateRange();
      DataSetScrolled(first_record_ - shifted);
      break;
    }
    case deUpdateRecord:
      UpdateRecord();
      break;
    case deCheckBrowseMode:
      CheckBrowseMode();
      break;
    case deFocusControl:
      FocusControl(reinterpret_cast<TField **>(info));
      break;
    default:
      break;
  }
}

// ---- TFieldDataLink --------------------------------------------------------------------------

void TFieldDataLink::SetFieldName(const QString &name) {
  if (field_name_ == name) return;
  field_name_ = name;
  UpdateField();
}

void TFieldDataLink::SetField(TField *field) {
  if (field_ == field) return;
  field_ = field;
  modified_ = false;
  if (OnDataChange) OnDataChange(this);
}

void TFieldDataLink::UpdateField(bool strict) {
  TDataSet *ds = DataSet();
  if (Active() && ds && !field_name_.isEmpty())
    SetField(strict ? ds->FieldByName(field_name_) : ds->FindField(field_name_));
  else
    SetField(nullptr);
}

bool TFieldDataLink::CanModify() const { return !ReadOnly() && field_ && field_->CanModify(); }

bool TFieldDataLink::Edit() {
  if (CanModify()) TDataLink::Edit();
  return Editing();
}

void TFieldDataLink::Reset() {
  modified_ = false;
  if (OnDataChange) OnDataChange(this);
}

void TFieldDataLink::ActiveChanged() {
  UpdateField();
  if (OnActiveChange) OnActiveChange(this);
}

void TFieldDataLink::EditingChanged() {
  if (OnEditingChange) OnEditingChange(this);
}

void TFieldDataLink::FocusControl(TField **field) {
  if (field && *field && *field == field_ && control_) {
    *field = nullptr;
    if (OnFocusControl) OnFocusControl(this);
  }
}

// The field list changed (a field went away): no error here, the control
// simply shows nothing until its field is back.
void TFieldDataLink::LayoutChanged() { UpdateField(false); }

void TFieldDataLink::RecordChanged(TField *field) {
  if (field == nullptr || field == field_) {
    modified_ = false;
    if (OnDataChange) OnDataChange(this);
  }
}

void TFieldDataLink::UpdateData() {
  if (!modified_) return;
  if (field_ && OnUpdateData) OnUpdateData(this);
  modified_ = false;
}

// ---- TMasterDataLink ---------------------------------------------------------------------------

TMasterDataLink::TMasterDataLink(TDataSet *detail) : detail_(detail) {}

void TMasterDataLink::SetFieldNames(const QString &names) {
  if (field_names_ == names) return;
  field_names_ = names;
  ActiveChanged();
}

void TMasterDataLink::ActiveChanged() {
  fields_.clear();
  TDataSet *master = DataSet();
  if (Active() && master) {
    try {
      fields_ = master->GetFieldList(field_names_);
    } catch (...) {
      fields_.clear();
      throw;
    }
  }
  if (detail_ && detail_->IsDestroying()) return;
  if (Active() && !fields_.empty()) {
    if (OnMasterChange) OnMasterChange(this);
  } else if (OnMasterDisable) {
    OnMasterDisable(this);
  }
}

void TMasterDataLink::CheckBrowseMode() {
  if (detail_ && detail_->Active()) detail_->CheckBrowseMode();
}

void TMasterDataLink::RecordChanged(TField *field) {
  if (!detail_ || !detail_->Active() || fields_.empty()) return;
  if (DataSource()->State() == dsSetKey) return;
  if (field && std::find(fields_.begin(), fields_.end(), field) == fields_.end()) return;
  if (OnMasterChange) OnMasterChange(this);
}

// ---- TBookmarkList ------------------------------------------------------------------------------

const TBookmark &TBookmarkList::Items(int index) const {
  if (index < 0 || index >= Count()) rtl::ListIndexError(index);
  return items_[static_cast<size_t>(index)];
}

TBookmark TBookmarkList::CurrentBookmark() const {
  TDataSet *ds = DataSet();
  if (!ds || !ds->Active()) return TBookmark();
  return ds->GetBookmark();
}

bool TBookmarkList::Find(const TBookmark &bookmark, int &index) const {
  TDataSet *ds = DataSet();
  int low = 0, high = Count() - 1;
  while (low <= high) {
    const int mid = (low + high) / 2;
    const int c = ds ? ds->CompareBookmarks(items_[static_cast<size_t>(mid)], bookmark)
                     : (items_[static_cast<size_t>(mid)] < bookmark    ? -1
                        : items_[static_cast<size_t>(mid)] == bookmark ? 0
                                                                       : 1);
    if (c == 0) {
      index = mid;
      return true;
    }
    if (c < 0)
      low = mid + 1;
    else
      high = mid - 1;
  }
  index = low;
  return false;
}

int TBookmarkList::IndexOf(const TBookmark &bookmark) const {
  int index = -1;
  return Find(bookmark, index) ? index : -1;
}

bool TBookmarkList::CurrentRowSelected() const {
  const TBookmark b = CurrentBookmark();
  return !b.isEmpty() && IndexOf(b) >= 0;
}

void TBookmarkList::SetCurrentRowSelected(bool value) {
  const TBookmark b = CurrentBookmark();
  if (b.isEmpty()) return;
  int index = 0;
  const bool present = Find(b, index);
  if (present == value) return;
  if (value)
    items_.insert(items_.begin() + index, b);
  else
    items_.erase(items_.begin() + index);
  Changed();
}

void TBookmarkList::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Changed();
}

void TBookmarkList::Delete() {
  TDataSet *ds = DataSet();
  if (!ds) return;
  ds->DisableControls();
  try {
    // From the last, so that a failure leaves the unprocessed ones selected.
    while (!items_.empty()) {
      const TBookmark b = items_.back();
      if (ds->BookmarkValid(b)) {
        ds->GotoBookmark(b);
        ds->Delete();
      }
      items_.pop_back();
    }
  } catch (...) {
    ds->EnableControls();
    Changed();
    throw;
  }
  ds->EnableControls();
  Changed();
}

bool TBookmarkList::Refresh() {
  TDataSet *ds = DataSet();
  if (!ds) return false;
  const size_t before = items_.size();
  items_.erase(std::remove_if(items_.begin(), items_.end(), [ds](const TBookmark &b) { return !ds->BookmarkValid(b); }),
               items_.end());
  const bool dropped = items_.size() != before;
  if (dropped) Changed();
  return dropped;
}

void TBookmarkList::LinkActive(bool active) {
  (void)active;
  Clear();
}

// ---- published properties -----------------------------------------------------------------------

ORBISCA_PUBLISHED(TDataSource, TComponent) {
  p.Property("DataSet", &TDataSource::DataSet, &TDataSource::SetDataSet);
  p.Property("AutoEdit", &TDataSource::AutoEdit, &TDataSource::SetAutoEdit).Default(true);
  p.Property("Enabled", &TDataSource::Enabled, &TDataSource::SetEnabled).Default(true);
  p.Event("OnDataChange", &TDataSource::OnDataChange);
  p.Event("OnStateChange", &TDataSource::OnStateChange);
  p.Event("OnUpdateData", &TDataSource::OnUpdateData);
}

}  // namespace vcl
