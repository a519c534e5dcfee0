// The in-memory test dataset: a vector of rows under the buffer contract.
#include "tests/platform/vcl/db/memdataset.h"

#include "platform/rtl/exceptions.h"

namespace testdb {

using namespace vcl;

TMemDataSet::TMemDataSet(TComponent *owner) : TDataSet(owner) {}

TMemDataSet::~TMemDataSet() {
  Destroying();
  if (Active()) Close();
}

void TMemDataSet::AddColumn(const QString &name, TFieldType type, int size, bool required) {
  CheckInactive();
  columns_.push_back({name, type, size, required});
  FieldDefs().Add(name, type, size, required);
  for (Row &row : rows_) row.values.resize(columns_.size(), rtl::Variant::Null());
}

void TMemDataSet::AddRow(const std::vector<rtl::Variant> &values) {
  Row row{next_id_++, values};
  row.values.resize(columns_.size(), rtl::Variant::Null());
  for (rtl::Variant &v : row.values) {
    if (v.IsEmpty()) v = rtl::Variant::Null();
  }
  rows_.push_back(std::move(row));
}

rtl::Variant TMemDataSet::StoredValue(int row, const QString &column) const {
  for (size_t c = 0; c < columns_.size(); ++c) {
    if (columns_[c].name.compare(column, Qt::CaseInsensitive) == 0) return rows_.at(static_cast<size_t>(row)).values[c];
  }
  DatabaseError(QStringLiteral("Field '%1' not found").arg(column), this);
}

TBookmark TMemDataSet::IdBookmark(int id) {
  TBookmark b(4, '\0');
  for (int i = 0; i < 4; ++i) b[i] = static_cast<char>((id >> (8 * i)) & 0xFF);
  return b;
}

int TMemDataSet::BookmarkId(const TBookmark &bookmark) {
  if (bookmark.size() != 4) return 0;
  int id = 0;
  for (int i = 0; i < 4; ++i) id |= (static_cast<unsigned char>(bookmark[i]) << (8 * i));
  return id;
}

int TMemDataSet::RowOfId(int id) const {
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].id == id) return static_cast<int>(i);
  }
  return -1;
}

// ---- buffers ---------------------------------------------------------------------------

TRecordBuffer TMemDataSet::AllocRecordBuffer() {
  auto *r = new MemRecord;
  r->values.assign(columns_.size(), rtl::Variant::Null());
  return r;
}

void TMemDataSet::FreeRecordBuffer(TRecordBuffer &buffer) {
  delete static_cast<MemRecord *>(buffer);
  buffer = nullptr;
}

void TMemDataSet::ReadRow(int row, MemRecord *record) {
  record->values = rows_[static_cast<size_t>(row)].values;
  record->Bookmark = IdBookmark(rows_[static_cast<size_t>(row)].id);
  record->BookmarkFlag = bfCurrent;
  ++fetch_count;
}

void TMemDataSet::InternalInitRecord(TRecordBuffer buffer) {
  auto *r = static_cast<MemRecord *>(buffer);
  r->values.assign(columns_.size(), rtl::Variant::Null());
  r->Bookmark.clear();
}

TGetResult TMemDataSet::GetRecord(TRecordBuffer buffer, TGetMode mode, bool) {
  auto *record = static_cast<MemRecord *>(buffer);
  const int n = static_cast<int>(rows_.size());
  for (;;) {
    switch (mode) {
      case gmCurrent:
        if (cursor_ < 0) return grBOF;
        if (cursor_ >= n) return grEOF;
        break;
      case gmNext:
        if (cursor_ < n) ++cursor_;
        if (cursor_ >= n) return grEOF;
        break;
      case gmPrior:
        if (cursor_ >= 0) --cursor_;
        if (cursor_ < 0) return grBOF;
        break;
    }
    ReadRow(cursor_, record);
    if (AcceptRecord(buffer)) return grOK;
    if (mode == gmCurrent) return grError;
  }
}

void TMemDataSet::InternalGotoBookmark(const TBookmark &bookmark) {
  const int row = RowOfId(BookmarkId(bookmark));
  if (row < 0) DatabaseError(QStringLiteral("Record not found"), this);
  cursor_ = row;
}

// ---- field values --------------------------------------------------------------------------

bool TMemDataSet::GetFieldData(TField *field, rtl::Variant *value) {
  if (field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup) return TDataSet::GetFieldData(field, value);
  const MemRecord *record = nullptr;
  if (State() == dsOldValue && has_old_record_)
    record = &old_record_;
  else
    record = static_cast<const MemRecord *>(GetActiveRecordBuffer());
  const int column = field->FieldNo() - 1;
  if (!record || column < 0 || column >= static_cast<int>(record->values.size())) return false;
  const rtl::Variant &v = record->values[static_cast<size_t>(column)];
  if (v.IsEmptyOrNull()) return false;
  if (value) *value = v;
  return true;
}

void TMemDataSet::SetFieldData(TField *field, const rtl::Variant &value) {
  if (field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup) {
    TDataSet::SetFieldData(field, value);
    return;
  }
  auto *record = static_cast<MemRecord *>(GetActiveRecordBuffer());
  const int column = field->FieldNo() - 1;
  if (!record || column < 0 || column >= static_cast<int>(record->values.size())) return;
  field->Validate(value);
  if (field->ReadOnly() && State() != dsSetKey)
    DatabaseError(QStringLiteral("Field '%1' cannot be modified").arg(field->DisplayName()), this);
  record->values[static_cast<size_t>(column)] = value.IsEmpty() ? rtl::Variant::Null() : value;
  if (NotifiesFieldChange()) DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(field));
}

// ---- open and close --------------------------------------------------------------------------

void TMemDataSet::InternalInitFieldDefs() {
  FieldDefs().Clear();
  for (const Column &c : columns_) FieldDefs().Add(c.name, c.type, c.size, c.required);
}

void TMemDataSet::InternalOpen() {
  InternalInitFieldDefs();
  CreateFields();
  BindFields(true);
  SetBookmarkSize(4);
  cursor_ = -1;
  open_ = true;
}

void TMemDataSet::InternalClose() {
  BindFields(false);
  DestroyFields();
  open_ = false;
  has_old_record_ = false;
}

// ---- editing -----------------------------------------------------------------------------------

void TMemDataSet::InternalEdit() {
  if (edit_failures > 0) {
    --edit_failures;
    throw rtl::EDatabaseError(QStringLiteral("Edit failed"));
  }
  old_record_.values = static_cast<MemRecord *>(ActiveBuffer())->values;
  has_old_record_ = true;
}

void TMemDataSet::InsertRow(int position, MemRecord *record) {
  position = std::clamp(position, 0, static_cast<int>(rows_.size()));
  Row row{next_id_++, record->values};
  rows_.insert(rows_.begin() + position, row);
  cursor_ = position;
  record->Bookmark = IdBookmark(row.id);
  record->BookmarkFlag = bfCurrent;
}

void TMemDataSet::InternalPost() {
  if (post_failures > 0) {
    --post_failures;
    throw rtl::EDatabaseError(QStringLiteral("Post failed"));
  }
  auto *record = static_cast<MemRecord *>(ActiveBuffer());
  if (State() == dsEdit) {
    rows_[static_cast<size_t>(cursor_)].values = record->values;
  } else {
    int position = cursor_;
    if (GetBookmarkFlag(record) == bfEOF) position = static_cast<int>(rows_.size());
    if (GetBookmarkFlag(record) == bfBOF) position = 0;
    InsertRow(position, record);
  }
  has_old_record_ = false;
}

void TMemDataSet::InternalCancel() { has_old_record_ = false; }

void TMemDataSet::InternalAddRecord(TRecordBuffer buffer, bool append) {
  InsertRow(append ? static_cast<int>(rows_.size()) : cursor_, static_cast<MemRecord *>(buffer));
}

void TMemDataSet::InternalDelete() {
  if (delete_failures > 0) {
    --delete_failures;
    throw rtl::EDatabaseError(QStringLiteral("Delete failed"));
  }
  rows_.erase(rows_.begin() + cursor_);
}

// ---- counting and positions -----------------------------------------------------------------------

bool TMemDataSet::RowAccepted(int row) {
  if (!FilterEventActive()) return true;
  TRecordBuffer scratch = AllocRecordBuffer();
  bool ok = false;
  try {
    ReadRow(row, static_cast<MemRecord *>(scratch));
    ok = AcceptRecord(scratch);
  } catch (...) {
    FreeRecordBuffer(scratch);
    throw;
  }
  FreeRecordBuffer(scratch);
  return ok;
}

int TMemDataSet::RecordCount() {
  if (!Active()) return 0;
  int n = 0;
  for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
    if (RowAccepted(i)) ++n;
  }
  return n;
}

int TMemDataSet::RecNo() {
  if (!Active() || IsEmpty() || State() == dsInsert) return -1;
  const int row = RowOfId(BookmarkId(ActiveBuffer()->Bookmark));
  if (row < 0) return -1;
  int n = 0;
  for (int i = 0; i <= row; ++i) {
    if (RowAccepted(i)) ++n;
  }
  return n;
}

void TMemDataSet::SetRecNo(int value) {
  CheckBrowseMode();
  int seen = 0;
  for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
    if (!RowAccepted(i)) continue;
    if (++seen == value) {
      DoBeforeScroll();
      cursor_ = i;
      Resync(rmExact | rmCenter);
      DoAfterScroll();
      return;
    }
  }
}

bool TMemDataSet::BookmarkValid(const TBookmark &bookmark) { return Active() && RowOfId(BookmarkId(bookmark)) >= 0; }

int TMemDataSet::CompareBookmarks(const TBookmark &a, const TBookmark &b) {
  const int ra = RowOfId(BookmarkId(a));
  const int rb = RowOfId(BookmarkId(b));
  if (ra == rb) return 0;
  return ra < rb ? -1 : 1;
}

}  // namespace testdb
