// TDataSet: the window of record buffers, navigation, calculated fields,
// searching and the notification of the data sources (editing is in
// dataset_edit.cpp). Concrete datasets supply the cursor through the slots.
//
// The window: buffers_[0 .. record_count_) hold consecutive records in
// cursor order; active_record_ is the record the fields show; the buffer at
// index record_count_ is the spare one that fetches go into (TempBuffer).
// current_record_ is the buffer the concrete cursor stands on, -1 when
// unknown (UpdateCursorPos puts the cursor back on the active record).
#include <QSet>
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/rtl/ignorefailure.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/db/datalink.h"
#include "platform/vcl/db/dataset.h"
#include "platform/vcl/typinfo.h"

namespace vcl {

namespace {

// Restores a temporary state however the block is left.
class TempStateScope {
 public:
  TempStateScope(TDataSetState &state, TDataSetState temp) : state_(state), saved_(state) { state_ = temp; }
  ~TempStateScope() { state_ = saved_; }

 private:
  TDataSetState &state_;
  TDataSetState saved_;
};

QStringList SplitNames(const QString &names) {
  QStringList out;
  for (const QString &part : names.split(QLatin1Char(';'))) {
    QString t = part.trimmed();
    if (!t.isEmpty()) out << t;
  }
  return out;
}

}  // namespace

QString FieldTypeName(TFieldType type) {
  static const char *const names[] = {
      "Unknown", "String",     "SmallInt", "Integer",     "Word",     "Boolean",   "Float",      "Currency", "BCD",
      "Date",    "Time",       "DateTime", "Bytes",       "VarBytes", "AutoInc",   "Blob",       "Memo",     "Graphic",
      "FmtMemo", "ParadoxOle", "DBaseOle", "TypedBinary", "Cursor",   "FixedChar", "WideString", "Largeint"};
  const int n = static_cast<int>(sizeof(names) / sizeof(names[0]));
  const int i = static_cast<int>(type);
  return QString::fromLatin1(i >= 0 && i < n ? names[i] : "Unknown");
}

void DatabaseError(const QString &message, const TComponent *component) {
  if (component && !component->Name().isEmpty())
    throw rtl::EDatabaseError(component->Name() + QStringLiteral(": ") + message);
  throw rtl::EDatabaseError(message);
}

void FieldNotFoundError(const QString &name, const TComponent *component) {
  DatabaseError(QStringLiteral("Field '%1' not found").arg(name), component);
}

// ---- life ------------------------------------------------------------------------

TDataSet::TDataSet(TComponent *owner)
    : TComponent(owner), fields_(this), field_defs_(this), index_defs_(std::make_unique<TIndexDefs>(this)) {}

TDataSet::~TDataSet() {
  // Closing here cannot reach the derived class any more (its part is
  // gone), so a concrete dataset closes itself in its own destructor; what
  // is left is to let go of the buffers, the fields and the sources.
  FreeAllBuffers();
  state_ = dsInactive;
  for (TDataSource *source : std::vector<TDataSource *>(data_sources_)) {
    source->dataset_ = nullptr;
    source->UpdateState();
  }
  data_sources_.clear();
  DestroyFields();
  for (TField *field : std::vector<TField *>(fields_.items_)) field->dataset_ = nullptr;
  fields_.Clear();
}

void TDataSet::Notification(TComponent *component, TOperation operation) {
  TComponent::Notification(component, operation);
}

void TDataSet::CheckActive() const {
  if (!Active()) DatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"), this);
}

void TDataSet::CheckInactive() const {
  if (Active()) DatabaseError(QStringLiteral("Cannot perform this operation on an open dataset"), this);
}

void TDataSet::CheckCanModify() const {
  if (!GetCanModify()) DatabaseError(QStringLiteral("Cannot modify a read-only dataset"), this);
}

void TDataSet::CheckBiDirectional() const {
  if (IsUniDirectional()) DatabaseError(QStringLiteral("Operation not allowed on a unidirectional dataset"), this);
}

bool TDataSet::IsEmpty() const { return Active() && record_count_ == 0 && state_ != dsInsert; }

// ---- opening and closing ----------------------------------------------------------

void TDataSet::SetActive(bool active) {
  if (IsLoading()) {
    streamed_active_ = active;
    return;
  }
  if (active == Active()) return;
  if (active) {
    if (BeforeOpen) BeforeOpen(this);
    try {
      OpenCursor();
    } catch (...) {
      // A half-open cursor would leave buffers and bound fields behind.
      rtl::IgnoreFailure("the open's own failure is the one raised", [&] {
        if (IsCursorOpen()) InternalClose();
      });
      FreeAllBuffers();
      BindFields(false);
      if (default_fields_) DestroyFields();
      state_ = dsInactive;
      throw;
    }
    if (AfterOpen) AfterOpen(this);
    if (!IsEmpty()) DoAfterScroll();
  } else {
    if (!IsDestroying() && BeforeClose) BeforeClose(this);
    SetState(dsInactive);
    CloseCursor();
    if (!IsDestroying() && AfterClose) AfterClose(this);
  }
}

void TDataSet::Loaded() {
  TComponent::Loaded();
  if (streamed_active_) {
    streamed_active_ = false;
    SetActive(true);
  }
}

void TDataSet::OpenCursor() {
  state_ = dsOpening;
  default_fields_ = fields_.Count() == 0;
  InternalOpen();
  UpdateBufferCount();
  if (static_cast<int>(buffers_.size()) != buffer_count_ + 1) AllocateBuffers(buffer_count_);
  ClearBuffers();
  state_ = dsInactive;
  SetState(dsBrowse);
  InternalFirst();
  GetNextRecords();
  bof_ = true;
  eof_ = record_count_ == 0;
  DataEvent(deDataSetChange);
}

void TDataSet::CloseCursor() {
  try {
    InternalClose();
  } catch (...) {
    FreeAllBuffers();
    throw;
  }
  FreeAllBuffers();
  ClearBuffers();
}

void TDataSet::InitFieldDefs() {
  InternalInitFieldDefs();
  field_defs_.SetUpdated(true);
}

// ---- fields ------------------------------------------------------------------------

void TDataSet::FieldAdded(TField *field) {
  if (Active()) DatabaseError(QStringLiteral("Cannot perform this operation on an open dataset"), this);
  fields_.Add(field);
}

void TDataSet::FieldRemoved(TField *field) {
  fields_.Remove(field);
  // Controls bound to the field must let go of it.
  if (Active() && !IsDestroying()) DataEvent(deLayoutChange);
}

void TDataSet::CreateFields() {
  if (!default_fields_ && fields_.Count() > 0) return;
  default_fields_ = true;
  for (int i = 0; i < field_defs_.Count(); ++i) {
    const TFieldDef *def = field_defs_.Items(i);
    TField *field = def->CreateField(this);
    if (!field) continue;  // kinds without a field class are left out
    field->SetDataSet(this);
  }
}

void TDataSet::DestroyFields() {
  if (!default_fields_) return;
  for (TField *field : std::vector<TField *>(fields_.items_)) {
    if (field->Owner() == this) delete field;
  }
  default_fields_ = false;
}

namespace {
bool TypesCompatible(TFieldType field_type, TFieldType def_type) {
  if (field_type == def_type) return true;
  auto in = [](TFieldType t, std::initializer_list<TFieldType> set) {
    return std::find(set.begin(), set.end(), t) != set.end();
  };
  if (in(field_type, {ftString, ftFixedChar, ftWideString}) && in(def_type, {ftString, ftFixedChar, ftWideString}))
    return true;
  if (in(field_type, {ftMemo, ftFmtMemo}) && in(def_type, {ftMemo, ftFmtMemo})) return true;
  if (in(field_type, {ftBlob, ftGraphic, ftTypedBinary, ftParadoxOle, ftDBaseOle}) &&
      in(def_type, {ftBlob, ftGraphic, ftTypedBinary, ftParadoxOle, ftDBaseOle}))
    return true;
  return false;
}
}  // namespace

void TDataSet::BindFields(bool binding) {
  calc_field_count_ = 0;
  for (int i = 0; i < fields_.Count(); ++i) {
    TField *field = fields_[i];
    if (!binding) {
      field->Bind(0, -1);
      continue;
    }
    if (field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup) {
      field->Bind(0, calc_field_count_++);
      continue;
    }
    const int index = field_defs_.IndexOf(field->FieldName());
    if (index < 0) FieldNotFoundError(field->DisplayName(), this);
    const TFieldDef *def = field_defs_.Items(index);
    if (!TypesCompatible(field->DataType(), def->DataType()))
      DatabaseError(QStringLiteral("Type mismatch for field '%1', expecting: %2 actual: %3")
                        .arg(field->DisplayName(), FieldTypeName(field->DataType()), FieldTypeName(def->DataType())),
                    this);
    if (field->FieldKind() == fkInternalCalc) {
      field->Bind(def->FieldNo(), calc_field_count_++);
    } else {
      field->Bind(def->FieldNo(), -1);
    }
    if (field->Size() == 0 && def->Size() > 0) field->size_ = def->Size();
  }
}

std::vector<TField *> TDataSet::GetFieldList(const QString &names) const {
  std::vector<TField *> out;
  for (const QString &name : SplitNames(names)) out.push_back(FieldByName(name));
  return out;
}

QStringList TDataSet::GetFieldNames() const {
  QStringList out;
  if (fields_.Count() > 0) {
    for (int i = 0; i < fields_.Count(); ++i) out << fields_[i]->FieldName();
  } else {
    for (int i = 0; i < field_defs_.Count(); ++i) out << field_defs_[i]->Name();
  }
  return out;
}

rtl::Variant TDataSet::FieldValues(const QString &names) const {
  if (names.contains(QLatin1Char(';'))) {
    std::vector<rtl::Variant> values;
    for (TField *f : GetFieldList(names)) values.push_back(f->Value());
    return rtl::Variant(std::move(values));
  }
  return FieldByName(names)->Value();
}

void TDataSet::SetFieldValues(const QString &names, const rtl::Variant &value) {
  if (names.contains(QLatin1Char(';'))) {
    const std::vector<TField *> list = GetFieldList(names);
    for (size_t i = 0; i < list.size(); ++i) list[i]->SetValue(value.IsArray() ? value[static_cast<int>(i)] : value);
    return;
  }
  FieldByName(names)->SetValue(value);
}

// ---- buffers -------------------------------------------------------------------------

TRecordBuffer TDataSet::AllocRecordBuffer() { return new TRecordData; }

void TDataSet::FreeRecordBuffer(TRecordBuffer &buffer) {
  delete buffer;
  buffer = nullptr;
}

void TDataSet::AllocateBuffers(int count) {
  FreeAllBuffers();
  buffers_.reserve(static_cast<size_t>(count) + 1);
  for (int i = 0; i <= count; ++i) buffers_.push_back(AllocRecordBuffer());
  buffer_count_ = count;
}

void TDataSet::FreeAllBuffers() {
  for (TRecordBuffer &b : buffers_) {
    if (b) FreeRecordBuffer(b);
  }
  buffers_.clear();
  record_count_ = 0;
  active_record_ = 0;
  current_record_ = -1;
}

TRecordBuffer TDataSet::ActiveBuffer() const {
  if (buffers_.empty()) return nullptr;
  return buffers_[static_cast<size_t>(active_record_)];
}

void TDataSet::ClearBuffers() {
  record_count_ = 0;
  active_record_ = 0;
  current_record_ = -1;
  bof_ = true;
  eof_ = true;
}

void TDataSet::ActivateBuffers() {
  record_count_ = 1;
  active_record_ = 0;
  current_record_ = 0;
  bof_ = false;
  eof_ = false;
}

void TDataSet::UpdateBufferCount() {
  int needed = 1;
  for (TDataSource *source : data_sources_) {
    for (TDataLink *link : source->links_) needed = std::max(needed, link->BufferCount());
  }
  if (buffers_.empty()) {
    buffer_count_ = needed;
    if (IsCursorOpen() || state_ == dsOpening) AllocateBuffers(needed);
    return;
  }
  SetBufferCount(needed);
}

void TDataSet::SetBufferCount(int count) {
  if (count == buffer_count_) return;
  if (count > buffer_count_) {
    for (int i = buffer_count_; i < count; ++i) buffers_.push_back(AllocRecordBuffer());
    buffer_count_ = count;
    if (Active() && record_count_ > 0 && (state_ == dsBrowse)) {
      UpdateCursorPos();
      GetNextRecords();
      GetPriorRecords();
    }
    return;
  }
  // Shrinking keeps the active record in the window, dropping records from
  // the front first when it lies beyond the new size.
  if (active_record_ >= count) {
    const int drop = active_record_ - count + 1;
    for (int i = 0; i < drop; ++i) MoveBuffer(0, static_cast<int>(buffers_.size()) - 1);
    active_record_ -= drop;
    record_count_ -= drop;
  }
  if (record_count_ > count) record_count_ = count;
  while (static_cast<int>(buffers_.size()) > count + 1) {
    TRecordBuffer b = buffers_.back();
    buffers_.pop_back();
    FreeRecordBuffer(b);
  }
  buffer_count_ = count;
  current_record_ = -1;
  if (record_count_ > 0) eof_ = false;
}

void TDataSet::MoveBuffer(int cur_index, int new_index) {
  if (cur_index == new_index) return;
  TRecordBuffer b = buffers_[static_cast<size_t>(cur_index)];
  buffers_.erase(buffers_.begin() + cur_index);
  buffers_.insert(buffers_.begin() + new_index, b);
}

void TDataSet::SetCurrentRecord(int index) {
  if (current_record_ == index) return;
  TRecordBuffer b = buffers_[static_cast<size_t>(index)];
  switch (GetBookmarkFlag(b)) {
    case bfCurrent:
    case bfInserted:
      InternalSetToRecord(b);
      break;
    case bfBOF:
      InternalFirst();
      break;
    case bfEOF:
      InternalLast();
      break;
  }
  current_record_ = index;
}

void TDataSet::UpdateCursorPos() {
  if (record_count_ > 0) SetCurrentRecord(active_record_);
}

int TDataSet::SetActiveRecordIndex(int index) {
  const int old = active_record_;
  if (index >= 0 && index < std::max(record_count_, 1)) active_record_ = index;
  return old;
}

bool TDataSet::FetchInto(TRecordBuffer buffer, TGetMode mode, bool do_check) {
  if (GetRecord(buffer, mode, do_check) != grOK) return false;
  GetCalcFields(buffer);
  return true;
}

bool TDataSet::GetNextRecord() {
  TGetMode mode = gmNext;
  if (record_count_ > 0) {
    SetCurrentRecord(record_count_ - 1);
    // An inserted record not yet posted stands before the cursor's record.
    if (state_ == dsInsert && current_record_ == active_record_ && GetBookmarkFlag(ActiveBuffer()) == bfCurrent)
      mode = gmCurrent;
  }
  if (!FetchInto(buffers_[static_cast<size_t>(record_count_)], mode, true)) {
    CursorPosChanged();
    return false;
  }
  if (record_count_ == 0) {
    ActivateBuffers();
  } else if (record_count_ < buffer_count_) {
    ++record_count_;
  } else {
    MoveBuffer(0, record_count_);
  }
  current_record_ = record_count_ - 1;
  return true;
}

bool TDataSet::GetPriorRecord() {
  CheckBiDirectional();
  if (record_count_ > 0) SetCurrentRecord(0);
  if (!FetchInto(buffers_[static_cast<size_t>(record_count_)], gmPrior, true)) {
    CursorPosChanged();
    return false;
  }
  if (record_count_ == 0) {
    ActivateBuffers();
  } else {
    MoveBuffer(record_count_, 0);
    if (record_count_ < buffer_count_) {
      ++record_count_;
      ++active_record_;
    }
  }
  current_record_ = 0;
  return true;
}

int TDataSet::GetNextRecords() {
  int n = 0;
  while (record_count_ < buffer_count_ && GetNextRecord()) ++n;
  return n;
}

int TDataSet::GetPriorRecords() {
  int n = 0;
  if (IsUniDirectional()) return 0;
  while (record_count_ < buffer_count_ && GetPriorRecord()) ++n;
  return n;
}

void TDataSet::Resync(TResyncMode mode) {
  if (!Active() || buffers_.empty()) return;
  TRecordBuffer spare = buffers_[static_cast<size_t>(record_count_)];
  if (mode & rmExact) {
    CursorPosChanged();
    if (!FetchInto(spare, gmCurrent, true))
      DatabaseError(QStringLiteral("Record not found or changed by another user"), this);
  } else {
    if (!FetchInto(spare, gmCurrent, false) && !FetchInto(spare, gmNext, false) && !FetchInto(spare, gmPrior, false)) {
      ClearBuffers();
      DataEvent(deDataSetChange);
      return;
    }
  }
  int before = (mode & rmCenter) ? (buffer_count_ - 1) / 2 : active_record_;
  MoveBuffer(record_count_, 0);
  ActivateBuffers();
  while (before > 0 && GetPriorRecord()) --before;
  GetNextRecords();
  GetPriorRecords();
  DataEvent(deDataSetChange);
}

// ---- bookmarks ------------------------------------------------------------------------

void TDataSet::GetBookmarkData(TRecordBuffer buffer, TBookmark &data) const {
  data = buffer ? buffer->Bookmark : TBookmark();
}

void TDataSet::SetBookmarkData(TRecordBuffer buffer, const TBookmark &data) {
  if (buffer) buffer->Bookmark = data;
}

TBookmarkFlag TDataSet::GetBookmarkFlag(TRecordBuffer buffer) const {
  return buffer ? buffer->BookmarkFlag : bfCurrent;
}

void TDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) {
  if (buffer) buffer->BookmarkFlag = flag;
}

void TDataSet::InternalSetToRecord(TRecordBuffer buffer) {
  TBookmark b;
  GetBookmarkData(buffer, b);
  InternalGotoBookmark(b);
}

TBookmark TDataSet::GetBookmark() {
  if (!Active() || record_count_ == 0 || state_ == dsInsert) return TBookmark();
  TRecordBuffer b = ActiveBuffer();
  if (GetBookmarkFlag(b) != bfCurrent) return TBookmark();
  TBookmark data;
  GetBookmarkData(b, data);
  return data;
}

void TDataSet::GotoBookmark(const TBookmark &bookmark) {
  if (bookmark.isEmpty()) return;
  CheckBrowseMode();
  DoBeforeScroll();
  InternalGotoBookmark(bookmark);
  Resync(rmExact | rmCenter);
  DoAfterScroll();
}

bool TDataSet::BookmarkValid(const TBookmark &bookmark) { return !bookmark.isEmpty() && Active(); }

int TDataSet::CompareBookmarks(const TBookmark &a, const TBookmark &b) {
  if (a.isEmpty() || b.isEmpty()) return (a.isEmpty() ? 0 : 1) - (b.isEmpty() ? 0 : 1);
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  const int c = std::memcmp(a.constData(), b.constData(), static_cast<size_t>(a.size()));
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// ---- navigation ----------------------------------------------------------------------

void TDataSet::First() {
  CheckBrowseMode();
  FillFromEnd(false);
}

void TDataSet::Last() {
  CheckBiDirectional();
  CheckBrowseMode();
  FillFromEnd(true);
}

void TDataSet::FillFromEnd(bool last) {
  DoBeforeScroll();
  ClearBuffers();
  // Whatever happens, the window now starts (or ends) at the cursor's edge.
  bool &at_edge = last ? eof_ : bof_;
  try {
    if (last) {
      InternalLast();
      GetPriorRecord();
      GetPriorRecords();
    } else {
      InternalFirst();
      GetNextRecord();
      GetNextRecords();
    }
  } catch (...) {
    at_edge = true;
    DataEvent(deDataSetChange);
    throw;
  }
  at_edge = true;
  DataEvent(deDataSetChange);
  DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
  CheckBrowseMode();
  int moved = 0;
  DoBeforeScroll();
  if ((distance > 0 && !eof_) || (distance < 0 && !bof_)) {
    bof_ = false;
    eof_ = false;
    const int old_count = record_count_;
    int scrolled = 0;
    bool changed_all = false;
    try {
      while (distance > 0) {
        if (active_record_ < record_count_ - 1) {
          ++active_record_;
        } else {
          const bool grows = record_count_ < buffer_count_;
          if (!GetNextRecord()) {
            eof_ = true;
            break;
          }
          if (!grows) --scrolled;
          active_record_ = record_count_ - 1;
        }
        --distance;
        ++moved;
      }
      while (distance < 0) {
        if (active_record_ > 0) {
          --active_record_;
        } else {
          const bool grows = record_count_ < buffer_count_;
          if (!GetPriorRecord()) {
            bof_ = true;
            break;
          }
          if (!grows) ++scrolled;
          active_record_ = 0;
        }
        ++distance;
        --moved;
      }
    } catch (...) {
      changed_all = true;
      DataEvent(deDataSetChange);
      throw;
    }
    if (!changed_all) {
      if (record_count_ != old_count || std::abs(scrolled) >= buffer_count_)
        DataEvent(deDataSetChange);
      else
        DataEvent(deDataSetScroll, scrolled);
    }
  }
  DoAfterScroll();
  return moved;
}

void TDataSet::Refresh() {
  CheckBrowseMode();
  if (BeforeRefresh) BeforeRefresh(this);
  UpdateCursorPos();
  InternalRefresh();
  Resync(0);
  if (AfterRefresh) AfterRefresh(this);
}

int TDataSet::RecordCount() { return -1; }
int TDataSet::RecNo() { return -1; }
void TDataSet::SetRecNo(int) {}

bool TDataSet::GetCurrentRecord(TRecordBuffer) { return false; }

TRecordBuffer TDataSet::GetActiveRecordBuffer() const {
  switch (state_) {
    case dsBrowse:
    case dsBlockRead:
      return IsEmpty() ? nullptr : ActiveBuffer();
    case dsEdit:
    case dsInsert:
    case dsNewValue:
    case dsOldValue:
    case dsCurValue:
      return ActiveBuffer();
    case dsCalcFields:
    case dsInternalCalc:
      return calc_buffer_;
    case dsFilter:
      return filter_buffer_;
    default:
      return nullptr;
  }
}

// ---- field data -------------------------------------------------------------------------

bool TDataSet::GetFieldData(TField *field, rtl::Variant *value) {
  TRecordBuffer b = GetActiveRecordBuffer();
  if (!b || field->Offset() < 0) return false;
  const size_t slot = static_cast<size_t>(field->Offset());
  if (slot >= b->CalcValues.size()) return false;
  const rtl::Variant &v = b->CalcValues[slot];
  if (v.IsEmptyOrNull()) return false;
  if (value) *value = v;
  return true;
}

void TDataSet::SetFieldData(TField *field, const rtl::Variant &value) {
  if (field->FieldKind() == fkData)
    DatabaseError(QStringLiteral("Field '%1' cannot be modified").arg(field->DisplayName()), this);
  TRecordBuffer b = GetActiveRecordBuffer();
  if (!b || field->Offset() < 0) return;
  const size_t slot = static_cast<size_t>(field->Offset());
  if (b->CalcValues.size() <= slot) b->CalcValues.resize(static_cast<size_t>(calc_field_count_));
  if (slot < b->CalcValues.size()) b->CalcValues[slot] = value.IsEmpty() ? rtl::Variant::Null() : value;
  if (NotifiesFieldChange()) DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(field));
}

bool TDataSet::NotifiesFieldChange() const {
  return state_ != dsCalcFields && state_ != dsFilter && state_ != dsNewValue && state_ != dsInternalCalc;
}

std::unique_ptr<rtl::TStream> TDataSet::CreateBlobStream(TField *, TBlobStreamMode) { return nullptr; }

int TDataSet::Translate(const QByteArray &src, QByteArray &dest, bool) {
  if (&src != &dest) dest = src;
  return static_cast<int>(dest.size());
}

void TDataSet::ClearCalcFields(TRecordBuffer buffer) {
  if (!buffer) return;
  buffer->CalcValues.assign(static_cast<size_t>(calc_field_count_), rtl::Variant::Null());
}

void TDataSet::InitRecord(TRecordBuffer buffer) {
  InternalInitRecord(buffer);
  ClearCalcFields(buffer);
  SetBookmarkFlag(buffer, bfInserted);
}

// ---- calculated fields -----------------------------------------------------------------

void TDataSet::GetCalcFields(TRecordBuffer buffer) {
  if (calc_field_count_ == 0 || !buffer) return;
  TRecordBuffer saved = calc_buffer_;
  calc_buffer_ = buffer;
  try {
    TempStateScope scope(state_, dsCalcFields);
    ClearCalcFields(buffer);
    CalculateFields(buffer);
  } catch (...) {
    calc_buffer_ = saved;
    throw;
  }
  calc_buffer_ = saved;
}

void TDataSet::CalculateFields(TRecordBuffer) {
  for (int i = 0; i < fields_.Count(); ++i) {
    TField *f = fields_[i];
    if (f->FieldKind() == fkLookup) f->SetData(LookupFieldValue(f));
  }
  if (auto_calc_fields_ || state_ != dsInternalCalc) {
    if (OnCalcFields) OnCalcFields(this);
  }
}

rtl::Variant TDataSet::LookupFieldValue(TField *field) {
  TDataSet *lookup = field->LookupDataSet();
  if (!lookup || !lookup->Active() || field->LookupKeyFields().isEmpty() || field->LookupResultField().isEmpty())
    return rtl::Variant::Null();
  const std::vector<TField *> keys = GetFieldList(field->KeyFields());
  if (keys.empty()) return rtl::Variant::Null();
  rtl::Variant key;
  if (keys.size() == 1) {
    key = keys[0]->Value();
  } else {
    std::vector<rtl::Variant> items;
    for (TField *k : keys) items.push_back(k->Value());
    key = rtl::Variant(std::move(items));
  }
  QString cache_key;
  if (field->LookupCache()) {
    if (key.IsArray()) {
      for (int i = 0; i < key.ArrayCount(); ++i) cache_key += rtl::VarToStr(key[i]) + QChar(1);
    } else {
      cache_key = rtl::VarToStr(key);
    }
    auto &cache = field->LookupCacheValues();
    auto it = cache.find(cache_key);
    if (it != cache.end()) return it->second;
  }
  for (int i = 0; i < (key.IsArray() ? key.ArrayCount() : 1); ++i) {
    if ((key.IsArray() ? key[i] : key).IsEmptyOrNull()) return rtl::Variant::Null();
  }
  rtl::Variant result = lookup->Lookup(field->LookupKeyFields(), key, field->LookupResultField());
  if (field->LookupCache()) field->LookupCacheValues()[cache_key] = result;
  return result;
}

// ---- filter ----------------------------------------------------------------------------

bool TDataSet::AcceptRecord(TRecordBuffer buffer) {
  if (!FilterEventActive()) return true;
  TRecordBuffer saved = filter_buffer_;
  filter_buffer_ = buffer;
  bool accept = true;
  try {
    GetCalcFields(buffer);
    TempStateScope scope(state_, dsFilter);
    OnFilterRecord(this, accept);
  } catch (...) {
    filter_buffer_ = saved;
    throw;
  }
  filter_buffer_ = saved;
  return accept;
}

void TDataSet::SetFiltered(bool value) {
  if (filtered_ == value) return;
  filtered_ = value;
  if (Active()) First();
}

void TDataSet::SetFilterText(const QString &value) {
  filter_text_ = value;
  if (Active() && filtered_) First();
}

void TDataSet::SetOnFilterRecord(const TFilterRecordEvent &handler) {
  OnFilterRecord = handler;
  if (Active() && filtered_) First();
}

// ---- states ----------------------------------------------------------------------------

void TDataSet::SetState(TDataSetState state) {
  if (state_ == state) return;
  state_ = state;
  modified_ = false;
  DataEvent(deUpdateState);
}

TDataSetState TDataSet::SetTempState(TDataSetState state) {
  const TDataSetState old = state_;
  state_ = state;
  return old;
}

void TDataSet::RestoreState(TDataSetState state) { state_ = state; }

// ---- searching --------------------------------------------------------------------------------

namespace {
bool ValueMatches(TField *field, const rtl::Variant &key, TLocateOptions options) {
  if (key.IsEmptyOrNull()) return field->IsNull();
  if (field->IsNull()) return false;
  const bool textual = field->DataType() == ftString || field->DataType() == ftMemo ||
                       field->DataType() == ftFixedChar || field->DataType() == ftWideString;
  if (!textual && !(options & loPartialKey)) {
    try {
      return rtl::Variant::Compare(field->Value(), key) == 0;
    } catch (const rtl::Exception &) {
      return false;
    }
  }
  QString have = field->AsString();
  QString want = rtl::VarToStr(key);
  const Qt::CaseSensitivity cs = (options & loCaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
  if (options & loPartialKey) return have.startsWith(want, cs);
  return have.compare(want, cs) == 0;
}
}  // namespace

bool TDataSet::Locate(const QString &key_fields, const rtl::Variant &key_values, TLocateOptions options) {
  CheckBrowseMode();
  const std::vector<TField *> keys = GetFieldList(key_fields);
  if (keys.empty()) return false;
  if (keys.size() > 1 && (!key_values.IsArray() || key_values.ArrayCount() != static_cast<int>(keys.size())))
    DatabaseError(QStringLiteral("Number of elements in the KeyValues array must be equal to the number of fields."),
                  this);
  auto matches = [&] {
    for (size_t i = 0; i < keys.size(); ++i) {
      const rtl::Variant &key =
          keys.size() == 1 && !key_values.IsArray() ? key_values : key_values[static_cast<int>(i)];
      if (!ValueMatches(keys[i], key, options)) return false;
    }
    return true;
  };
  if (IsEmpty()) return false;
  const TBookmark start = GetBookmark();
  bool found = false;
  DisableControls();
  try {
    // Scroll events belong to the caller's move only, not to the scan.
    TDataSetNotifyEvent before = BeforeScroll, after = AfterScroll;
    BeforeScroll = nullptr;
    AfterScroll = nullptr;
    try {
      First();
      while (!eof_) {
        if (matches()) {
          found = true;
          break;
        }
        Next();
      }
      if (!found && !start.isEmpty()) GotoBookmark(start);
    } catch (...) {
      BeforeScroll = before;
      AfterScroll = after;
      throw;
    }
    BeforeScroll = before;
    AfterScroll = after;
  } catch (...) {
    EnableControls();
    throw;
  }
  EnableControls();
  if (found) {
    DoBeforeScroll();
    DoAfterScroll();
  }
  return found;
}

rtl::Variant TDataSet::Lookup(const QString &key_fields, const rtl::Variant &key_values, const QString &result_fields) {
  if (!Active() || IsEmpty()) return rtl::Variant::Null();
  // The scan moves the cursor, and moving would post or drop a record the
  // user is editing: such a dataset is left alone and nothing is found.
  if (state_ != dsBrowse) return rtl::Variant::Null();
  const std::vector<TField *> results = GetFieldList(result_fields);
  const TBookmark start = GetBookmark();
  rtl::Variant out = rtl::Variant::Null();
  DisableControls();
  TDataSetNotifyEvent before = BeforeScroll, after = AfterScroll;
  BeforeScroll = nullptr;
  AfterScroll = nullptr;
  try {
    if (Locate(key_fields, key_values, 0)) {
      if (results.size() == 1) {
        out = results[0]->Value();
      } else {
        std::vector<rtl::Variant> items;
        for (TField *f : results) items.push_back(f->Value());
        out = rtl::Variant(std::move(items));
      }
    }
    if (!start.isEmpty()) GotoBookmark(start);
  } catch (...) {
    BeforeScroll = before;
    AfterScroll = after;
    EnableControls();
    throw;
  }
  BeforeScroll = before;
  AfterScroll = after;
  EnableControls();
  return out;
}

bool TDataSet::FindRecord(bool, bool) { return false; }

// ---- controls and links ----------------------------------------------------------------------

void TDataSet::DisableControls() {
  if (disable_count_ == 0) {
    disable_state_ = state_;
    pending_change_ = false;
    pending_layout_ = false;
  }
  ++disable_count_;
}

void TDataSet::EnableControls() {
  if (disable_count_ == 0) return;
  if (--disable_count_ != 0) return;
  if (disable_state_ != state_) DataEvent(deUpdateState);
  if (pending_layout_)
    DataEvent(deLayoutChange);
  else if (pending_change_ || disable_state_ != state_)
    DataEvent(deDataSetChange);
  pending_change_ = false;
  pending_layout_ = false;
}

void TDataSet::DataEvent(TDataEvent event, std::intptr_t info) {
  if (event == deFieldChange) {
    TField *field = reinterpret_cast<TField *>(info);
    if (field && (field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc)) modified_ = true;
    if (state_ != dsSetKey && calc_field_count_ > 0 && auto_calc_fields_ && (state_ == dsEdit || state_ == dsInsert))
      GetCalcFields(ActiveBuffer());
    if (field) field->Change();
  } else if (event == dePropertyChange) {
    // Field property changes reach the links as a layout change.
    event = deLayoutChange;
  }
  if (disable_count_ != 0) {
    switch (event) {
      case deLayoutChange:
      case deFieldListChange:
        pending_layout_ = true;
        break;
      case deUpdateState:
      case deCheckBrowseMode:
      case deUpdateRecord:
      case deFocusControl:
        break;
      default:
        pending_change_ = true;
        break;
    }
    return;
  }
  for (TDataSource *source : std::vector<TDataSource *>(data_sources_)) source->DataEvent(event, info);
}

void TDataSet::AddDataSource(TDataSource *source) {
  data_sources_.push_back(source);
  if (Active()) UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource *source) {
  data_sources_.erase(std::remove(data_sources_.begin(), data_sources_.end(), source), data_sources_.end());
  if (Active() && !IsDestroying()) UpdateBufferCount();
}

bool TDataSet::IsLinkedTo(const TDataSource *source) const {
  if (!source) return false;
  QSet<const TDataSet *> seen;
  const TDataSet *ds = this;
  while (ds && !seen.contains(ds)) {
    seen.insert(ds);
    const TDataSource *master = ds->GetDataSource();
    if (master == source) return true;
    ds = master ? master->DataSet() : nullptr;
  }
  return false;
}

// ---- published properties ----------------------------------------------------------------------

ORBISCA_PUBLISHED(TDataSet, TComponent) {
  p.Property("Active", &TDataSet::Active, &TDataSet::SetActive).Default(false);
  p.Property("AutoCalcFields", &TDataSet::AutoCalcFields, &TDataSet::SetAutoCalcFields).Default(true);
  p.Property("Filtered", &TDataSet::Filtered, &TDataSet::SetFiltered).Default(false);
  p.Property("Filter", &TDataSet::Filter, &TDataSet::SetFilterText);
  for (auto [name, member] : std::initializer_list<std::pair<const char *, TDataSetNotifyEvent TDataSet::*>>{
           {"BeforeOpen", &TDataSet::BeforeOpen},       {"AfterOpen", &TDataSet::AfterOpen},
           {"BeforeClose", &TDataSet::BeforeClose},     {"AfterClose", &TDataSet::AfterClose},
           {"BeforeInsert", &TDataSet::BeforeInsert},   {"AfterInsert", &TDataSet::AfterInsert},
           {"BeforeEdit", &TDataSet::BeforeEdit},       {"AfterEdit", &TDataSet::AfterEdit},
           {"BeforePost", &TDataSet::BeforePost},       {"AfterPost", &TDataSet::AfterPost},
           {"BeforeCancel", &TDataSet::BeforeCancel},   {"AfterCancel", &TDataSet::AfterCancel},
           {"BeforeDelete", &TDataSet::BeforeDelete},   {"AfterDelete", &TDataSet::AfterDelete},
           {"BeforeScroll", &TDataSet::BeforeScroll},   {"AfterScroll", &TDataSet::AfterScroll},
           {"BeforeRefresh", &TDataSet::BeforeRefresh}, {"AfterRefresh", &TDataSet::AfterRefresh},
           {"OnNewRecord", &TDataSet::OnNewRecord},     {"OnCalcFields", &TDataSet::OnCalcFields}})
    p.Event(QString::fromLatin1(name), member);
  p.Event("OnFilterRecord", &TDataSet::OnFilterRecord);
  p.Event("OnEditError", &TDataSet::OnEditError);
  p.Event("OnPostError", &TDataSet::OnPostError);
  p.Event("OnDeleteError", &TDataSet::OnDeleteError);
}

}  // namespace vcl
