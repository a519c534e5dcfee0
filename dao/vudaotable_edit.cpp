// The table's editing: edits stay in the row buffer until Post, which
// opens the engine row (Edit or AddNew), writes the changed columns and
// leaves the posted row current with the values the engine gave it. Also
// the blob stream through which memo and byte-blob fields are read and
// written.
#include <cstring>

#include "dao/vudaodatabase.h"
#include "dao/vudaotable.h"
#include "platform/jet/engine.h"
#include "platform/rtl/cp1252.h"
#include "platform/rtl/ignorefailure.h"

namespace dao {

using rtl::IgnoreFailure;

namespace {

bool IsMemo(vcl::TFieldType t) { return t == vcl::ftMemo || t == vcl::ftFmtMemo; }
bool IsByteBlob(vcl::TFieldType t) { return t == vcl::ftBlob || t == vcl::ftGraphic; }

}  // namespace

// The engine value a changed column receives; `write` false when nothing
// is to be written (a date text that reads as no date).
rtl::Variant TVuDaoTable::EngineValueFromText(int i, const QString &text, bool *write) const {
  *write = true;
  if (text.isEmpty()) return rtl::Variant::Null();
  const vcl::TFieldType type = Defs()[i]->DataType();
  const bool guid = i < static_cast<int>(guid_fields_.size()) && guid_fields_[static_cast<size_t>(i)];
  switch (type) {
    case vcl::ftDate:
    case vcl::ftTime:
    case vcl::ftDateTime: {
      const std::optional<rtl::TDateTime> dt = TimeStampTextToDateTime(text);
      if (!dt) {
        *write = false;
        return {};
      }
      return rtl::Variant::FromDate(*dt);
    }
    case vcl::ftMemo:
    case vcl::ftFmtMemo:
      return rtl::Variant(EncodeText(text, true));
    case vcl::ftBlob:
    case vcl::ftGraphic:
      return rtl::Variant(EncodeText(text, true).toLatin1());
    case vcl::ftString:
    case vcl::ftFixedChar:
    case vcl::ftWideString:
      return rtl::Variant(EncodeText(text, true));
    case vcl::ftBytes:
    case vcl::ftVarBytes:
      if (!guid) return rtl::Variant(text.toLatin1());
      break;
    default:
      break;
  }
  // Numbers, booleans and GUIDs go typed: the engine would read text in the
  // locale of the moment, and the buffer's texts are locale-free.
  bool ok = true;
  const rtl::Variant v = ValueFromText(text, type, guid, &ok);
  if (!ok) return rtl::Variant(text);
  return v;
}

void TVuDaoTable::WriteColumns(TVuRecInfo *b) {
  const int n = std::min<int>(b->Values.size(), static_cast<int>(field_objects_.size()));
  for (int i = 0; i < n; ++i) {
    if (static_cast<size_t>(i) >= b->Changed.size() || !b->Changed[static_cast<size_t>(i)]) continue;
    if (static_cast<size_t>(i) < updatable_.size() && !updatable_[static_cast<size_t>(i)]) continue;
    if (!FieldByNumber(i + 1)) continue;
    bool write = true;
    const rtl::Variant v = EngineValueFromText(i, ValueText(b, i), &write);
    if (write) field_objects_[static_cast<size_t>(i)]->SetValue(v);
  }
}

void TVuDaoTable::InternalEdit() {
  TVuRecInfo *active = Rec(ActiveBuffer());
  DropOldValues();
  old_values_ = new TVuRecInfo;
  CopyRecInfo(active, old_values_);
  if (recordset_->EditMode() != jet::dbEditInProgress) {
    try {
      recordset_->Edit();
    } catch (...) {
      if (recordset_->EditMode() != jet::dbEditInProgress)
        IgnoreFailure("the refused edit is the failure raised", [&] { recordset_->Move(0); });
      throw;
    }
  }
  // Start from the engine's current values: another user may have changed
  // the row since it was read.
  ReadRecord(active, true);
}

void TVuDaoTable::InternalCancel() {
  if (recordset_ && recordset_->EditMode() != jet::dbEditNone)
    IgnoreFailure("the buffer is dropped whatever the engine says of the edit", [&] { recordset_->CancelUpdate(); });
  DropOldValues();
  if (database_) database_->Idle();
}

void TVuDaoTable::InternalPost() {
  rec_no_stale_ = false;
  CheckActive();
  TVuRecInfo *b = Rec(ActiveBuffer());
  const bool inserting = State() == vcl::dsInsert;
  if (!inserting && recordset_->EditMode() != jet::dbEditInProgress) {
    try {
      recordset_->Edit();
    } catch (...) {
      if (recordset_->EditMode() != jet::dbEditInProgress)
        IgnoreFailure("the refused edit is the failure raised", [&] { recordset_->Move(0); });
      throw;
    }
  }
  try {
    if (inserting) recordset_->AddNew();
    WriteColumns(b);
    recordset_->Update();
  } catch (...) {
    // Leave no half-written engine row behind; the typed values stay in the
    // buffer for another attempt.
    if (inserting) {
      if (recordset_->EditMode() == jet::dbEditAdd)
        IgnoreFailure("the refused post is the failure raised", [&] { recordset_->CancelUpdate(); });
    } else {
      if (!recordset_->LockEdits() && recordset_->EditMode() == jet::dbEditInProgress)
        IgnoreFailure("the refused post is the failure raised", [&] { recordset_->CancelUpdate(); });
      if (recordset_->EditMode() != jet::dbEditInProgress)
        IgnoreFailure("the refused post is the failure raised", [&] { recordset_->Move(0); });
    }
    throw;
  }

  if (inserting) {
    count_stale_ = true;
    ++known_rows_;
    ++current_position_;
    if (!bookmarkable_) {
      IgnoreFailure("the new row is found again on the next read", [&] {
        InternalLast();
        b->Position = current_position_ - 1;
      });
    }
  }
  if (!bookmarkable_) {
    IgnoreFailure("the cursor is found again on the next read", [&] { InternalLast(); });
  } else {
    // The posted row, with what the engine filled in, becomes current.
    const QByteArray posted = recordset_->LastModified();
    b->Bookmark = posted.left(4);
    GotoBookmarkBytes(posted);
    IgnoreFailure("the position is counted again on the next read", [&] {
      const int pos = recordset_->AbsolutePosition();
      if (pos >= 0) current_position_ = pos;
    });
    b->Position = current_position_;
  }
  b->BookmarkFlag = vcl::bfCurrent;
  DropOldValues();
  database_->Idle();
  rec_no_stale_ = true;
}

void TVuDaoTable::Post() {
  post_in_progress_ = true;
  try {
    vcl::TDataSet::Post();
  } catch (...) {
    post_in_progress_ = false;
    throw;
  }
  post_in_progress_ = false;
  if (!sorted_by_.isEmpty() && refresh_sorted_) {
    CheckBrowseMode();
    ClearBuffers();
    recordset_->Requery();
    count_stale_ = true;
    current_position_ = fetch_position_ = -1;
    known_rows_ = 0;
    First();
  }
}

void TVuDaoTable::InternalAddRecord(vcl::TRecordBuffer buffer, bool append) {
  if (append) {
    InternalLast();
    SetBookmarkFlag(buffer, vcl::bfEOF);
  }
  InternalPost();
}

void TVuDaoTable::InternalDelete() {
  try {
    recordset_->Delete();
  } catch (const jet::EJetError &e) {
    // A row someone else deleted first: the delete is done.
    if (e.Number() != jet::kErrRecordDeleted) throw;
  }
  database_->Idle();
  count_stale_ = true;
  IgnoreFailure("the delete is done: the cursor is found again on the next read", [&] {
    recordset_->MoveNext();
    if (recordset_->Eof()) recordset_->MoveLast();
    const int pos = recordset_->AbsolutePosition();
    if (pos >= 0) current_position_ = pos;
  });
}

void TVuDaoTable::DoOnNewRecord() {
  if (master_link_ && master_link_->Active() && !master_link_->Fields().empty()) {
    const auto &masters = master_link_->Fields();
    for (size_t i = 0; i < masters.size() && static_cast<int>(i) < detail_field_names_.size(); ++i) {
      vcl::TField *detail = FindField(detail_field_names_[static_cast<int>(i)]);
      if (detail) detail->SetValue(masters[i]->Value());
    }
  }
  vcl::TDataSet::DoOnNewRecord();
}

std::unique_ptr<rtl::TStream> TVuDaoTable::CreateBlobStream(vcl::TField *field, vcl::TBlobStreamMode mode) {
  return std::make_unique<TVkBlobStream>(field, mode);
}

// ---------------------------------------------------------------------------
// The blob stream.

TVkBlobStream::TVkBlobStream(vcl::TField *field, vcl::TBlobStreamMode mode) : field_(field), mode_(mode) {
  opened_ = true;
  table_ = dynamic_cast<TVuDaoTable *>(field->DataSet());
  if (!table_) return;
  buffer_ = table_->Rec(table_->GetActiveRecordBuffer());
  if (!buffer_) return;
  if (mode == vcl::bmWrite) {
    if (table_->ReadOnly()) vcl::DatabaseError(QStringLiteral("Cannot write to ReadOnly table!"));
    Truncate();
    return;
  }
  const int k = table_->FieldIndex(field);
  if (k < 0 || k >= buffer_->Values.size()) return;
  const vcl::TFieldType type = table_->FieldDefs()[k]->DataType();
  const bool memo = IsMemo(type);
  auto to_bytes = [&](const QString &text) { return memo ? rtl::ToCp1252(text) : text.toLatin1(); };
  const QString &text = buffer_->Values[k];
  const QString &default_text = k < table_->default_values_.size() ? table_->default_values_[k] : QString();
  const bool cached = (memo && table_->cache_memos_) || (IsByteBlob(type) && table_->cache_blobs_);
  // A value written in this edit is the content, cached or not.
  if (static_cast<size_t>(k) < buffer_->Changed.size() && buffer_->Changed[static_cast<size_t>(k)]) {
    data_ = to_bytes(text);
    return;
  }
  const bool new_row = buffer_->Position == -1 || buffer_->BookmarkFlag == vcl::bfInserted;
  if (cached || new_row) {
    // The buffer holds the content itself (a new row holds what was typed
    // or the engine's default).
    data_ = to_bytes(text.isEmpty() && new_row ? default_text : text);
    return;
  }
  // Not cached: the content comes from the engine, on a clone so that the
  // table's own cursor stays where it is.
  try {
    std::shared_ptr<jet::Recordset> rs = table_->recordset_;
    if (!rs) return;
    jet::Recordset *source = rs.get();
    std::shared_ptr<jet::Recordset> clone;
    if (buffer_->Bookmark.size() >= 4) {
      QByteArray here;
      IgnoreFailure("without the cursor's bookmark the blob is read from a copy", [&] { here = rs->Bookmark(); });
      if (here.left(4) != buffer_->Bookmark) {
        clone = rs->Clone();
        clone->SetBookmark(buffer_->Bookmark);
        source = clone.get();
      }
    }
    const rtl::Variant v = source->Fields(k).Value();
    if (clone) IgnoreFailure("the blob's copy is thrown away whatever its closing says", [&] { clone->Close(); });
    if (v.IsEmptyOrNull()) return;
    if (memo) {
      const QString content = v.Type() == rtl::VarType::Bytes ? rtl::FromCp1252(v.AsBytes()) : v.AsString();
      data_ = rtl::ToCp1252(table_->EncodeText(content, false));
    } else {
      QByteArray bytes = v.AsBytes();
      if (table_->use_encrypter_) bytes = table_->EncodeText(QString::fromLatin1(bytes), false).toLatin1();
      data_ = bytes;
    }
  } catch (const rtl::Exception &) {
    data_.clear();
    if (!table_->Forward())
      IgnoreFailure("the blob's own failure is what the caller sees", [&] { table_->ResyncOrReopen(); });
  }
}

TVkBlobStream::~TVkBlobStream() {
  if (modified_ && table_) {
    IgnoreFailure("a stream being freed has no one to tell",
                  [&] { table_->DataEvent(vcl::deFieldChange, reinterpret_cast<std::intptr_t>(field_)); });
  }
}

void TVkBlobStream::Store() {
  if (!table_ || !buffer_) return;
  const int k = table_->FieldIndex(field_);
  if (k < 0 || k >= buffer_->Values.size()) return;
  const bool memo = IsMemo(table_->FieldDefs()[k]->DataType());
  buffer_->Values[k] = memo ? rtl::FromCp1252(data_) : QString::fromLatin1(data_);
  if (static_cast<size_t>(k) < buffer_->Changed.size()) buffer_->Changed[static_cast<size_t>(k)] = true;
  modified_ = true;
}

qint64 TVkBlobStream::Read(void *buffer, qint64 count) {
  if (!opened_ || count <= 0) return 0;
  const qint64 n = std::min<qint64>(count, std::max<qint64>(0, data_.size() - position_));
  if (n <= 0) return 0;
  std::memcpy(buffer, data_.constData() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

namespace {

// The largest value a memo or byte-blob column holds. A write or size past
// it (a stray seek far beyond the end, say) is refused with a message
// rather than left to exhaust memory on the zero filling.
constexpr qint64 kMaxBlobBytes = qint64(1) << 30;

void CheckBlobSize(qint64 size) {
  if (size > kMaxBlobBytes)
    throw rtl::EDatabaseError(QStringLiteral("A blob or memo value cannot exceed %1 bytes.").arg(kMaxBlobBytes));
}

}  // namespace

qint64 TVkBlobStream::Write(const void *buffer, qint64 count) {
  if (!opened_ || count < 0) return 0;
  CheckBlobSize(position_ + count);
  if (position_ > data_.size()) data_.append(QByteArray(static_cast<qsizetype>(position_ - data_.size()), '\0'));
  data_ = data_.left(static_cast<qsizetype>(position_)) +
          QByteArray(static_cast<const char *>(buffer), static_cast<qsizetype>(count));
  Store();
  position_ += count;
  return count;
}

qint64 TVkBlobStream::Seek(qint64 offset, rtl::TSeekOrigin origin) {
  switch (origin) {
    case rtl::soBeginning:
      position_ = offset;
      break;
    case rtl::soCurrent:
      position_ += offset;
      break;
    case rtl::soEnd:
      position_ = data_.size() + offset;
      break;
  }
  if (position_ < 0) position_ = 0;
  return position_;
}

void TVkBlobStream::Truncate() {
  if (!opened_) return;
  data_ = data_.left(static_cast<qsizetype>(position_));
  Store();
}

void TVkBlobStream::SetSize(qint64 size) {
  CheckBlobSize(size);
  const qint64 saved = position_;
  position_ = std::max<qint64>(0, size);
  if (size < data_.size())
    Truncate();
  else if (size > data_.size()) {
    data_.append(QByteArray(static_cast<qsizetype>(size - data_.size()), '\0'));
    Store();
  }
  position_ = std::min(saved, static_cast<qint64>(data_.size()));
}

}  // namespace dao
