// TDataSet's editing: Edit, Insert, Append, Post, Cancel and Delete with
// their events and error handlers, and the whole-record helpers
// (AppendRecord, InsertRecord, ClearFields). The window of buffers they work
// on is dataset.cpp's.
#include "platform/vcl/db/dataset.h"

namespace vcl {

// ---- editing -------------------------------------------------------------------------------

void TDataSet::CheckOperation(const std::function<void()> &op, const TDataSetErrorEvent &handler) {
  for (;;) {
    try {
      UpdateCursorPos();
      op();
      return;
    } catch (const rtl::EAbort &) {
      throw;
    } catch (const rtl::Exception &e) {
      if (!handler) throw;
      TDataAction action = daFail;
      handler(this, e, action);
      if (action == daFail) throw;
      if (action == daAbort) rtl::Abort();
      // daRetry: run the operation again.
    }
  }
}

void TDataSet::Edit() {
  if (state_ == dsEdit || state_ == dsInsert) return;
  if (record_count_ == 0) {
    Insert();
    return;
  }
  CheckBrowseMode();
  CheckCanModify();
  if (BeforeEdit) BeforeEdit(this);
  CheckOperation([this] { InternalEdit(); }, OnEditError);
  GetCalcFields(ActiveBuffer());
  SetState(dsEdit);
  DataEvent(deRecordChange);
  if (AfterEdit) AfterEdit(this);
}

void TDataSet::BeginInsertAppend() {
  CheckBrowseMode();
  CheckCanModify();
  if (BeforeInsert) BeforeInsert(this);
  DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
  SetState(dsInsert);
  try {
    DoOnNewRecord();
  } catch (...) {
    // A failing new-record handler must not leave a half-made record
    // shown in place of the real ones.
    UpdateCursorPos();
    SetState(dsBrowse);
    Resync(0);
    throw;
  }
  modified_ = false;
  DataEvent(deDataSetChange);
  if (AfterInsert) AfterInsert(this);
  DoAfterScroll();
}

void TDataSet::DoOnNewRecord() {
  if (OnNewRecord) OnNewRecord(this);
}

void TDataSet::Insert() {
  BeginInsertAppend();
  const TBookmark current = GetBookmark();
  const TBookmarkFlag current_flag = record_count_ > 0 ? GetBookmarkFlag(ActiveBuffer()) : bfBOF;
  MoveBuffer(record_count_, active_record_);
  TRecordBuffer b = ActiveBuffer();
  InitRecord(b);
  if (record_count_ == 0) {
    SetBookmarkFlag(b, bfBOF);
  } else {
    SetBookmarkData(b, current);
    if (current_flag == bfEOF) SetBookmarkFlag(b, bfEOF);
  }
  if (record_count_ < buffer_count_) ++record_count_;
  current_record_ = -1;
  bof_ = false;
  eof_ = false;
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::Append() {
  BeginInsertAppend();
  ClearBuffers();
  TRecordBuffer b = buffers_[0];
  InitRecord(b);
  SetBookmarkFlag(b, bfEOF);
  record_count_ = 1;
  active_record_ = 0;
  current_record_ = -1;
  bof_ = false;
  eof_ = false;
  GetPriorRecords();
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::CheckRequiredFields() {
  for (int i = 0; i < fields_.Count(); ++i) {
    TField *f = fields_[i];
    if (f->Required() && !f->ReadOnly() && f->FieldKind() == fkData && f->IsNull()) {
      f->FocusControl();
      DatabaseError(QStringLiteral("Il campo '%1' deve avere un valore").arg(f->DisplayName()), this);
    }
  }
}

void TDataSet::UpdateRecord() {
  if (state_ != dsEdit && state_ != dsInsert && state_ != dsSetKey)
    DatabaseError(QStringLiteral("Dataset not in edit or insert mode"), this);
  DataEvent(deUpdateRecord);
}

void TDataSet::Post() {
  UpdateRecord();
  if (state_ != dsEdit && state_ != dsInsert) return;
  DataEvent(deCheckBrowseMode);
  if (BeforePost) BeforePost(this);
  CheckOperation(
      [this] {
        CheckRequiredFields();
        InternalPost();
      },
      OnPostError);
  SetState(dsBrowse);
  Resync(0);
  if (AfterPost) AfterPost(this);
}

void TDataSet::Cancel() {
  if (state_ != dsEdit && state_ != dsInsert) return;
  DataEvent(deCheckBrowseMode);
  if (BeforeCancel) BeforeCancel(this);
  UpdateCursorPos();
  InternalCancel();
  SetState(dsBrowse);
  // Rebuilding the window drops a cancelled new record's buffer.
  Resync(0);
  if (AfterCancel) AfterCancel(this);
}

void TDataSet::Delete() {
  CheckActive();
  if (state_ == dsInsert || state_ == dsSetKey) {
    Cancel();
    return;
  }
  if (record_count_ == 0) DatabaseError(QStringLiteral("Cannot perform this operation on an empty dataset"), this);
  DataEvent(deCheckBrowseMode);
  if (BeforeDelete) BeforeDelete(this);
  DoBeforeScroll();
  CheckOperation([this] { InternalDelete(); }, OnDeleteError);
  SetState(dsBrowse);
  Resync(0);
  if (AfterDelete) AfterDelete(this);
  DoAfterScroll();
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode);
  switch (state_) {
    case dsEdit:
    case dsInsert:
      UpdateRecord();
      if (modified_)
        Post();
      else
        Cancel();
      break;
    case dsSetKey:
      Post();
      break;
    default:
      break;
  }
}

void TDataSet::SetRecordValues(const std::vector<rtl::Variant> &values) {
  const int n = std::min(static_cast<int>(values.size()), fields_.Count());
  for (int i = 0; i < n; ++i) {
    TField *f = fields_[i];
    if (f->FieldKind() != fkData || values[static_cast<size_t>(i)].IsEmpty()) continue;
    f->SetValue(values[static_cast<size_t>(i)]);
  }
}

void TDataSet::AppendRecord(const std::vector<rtl::Variant> &values) {
  Append();
  try {
    SetRecordValues(values);
    Post();
  } catch (...) {
    Cancel();
    throw;
  }
}

void TDataSet::InsertRecord(const std::vector<rtl::Variant> &values) {
  Insert();
  try {
    SetRecordValues(values);
    Post();
  } catch (...) {
    Cancel();
    throw;
  }
}

void TDataSet::ClearFields() {
  if (state_ != dsEdit && state_ != dsInsert) DatabaseError(QStringLiteral("Dataset not in edit or insert mode"), this);
  for (int i = 0; i < fields_.Count(); ++i) {
    TField *f = fields_[i];
    if (f->FieldKind() == fkData && !f->ReadOnly()) f->Clear();
  }
}

}  // namespace vcl
