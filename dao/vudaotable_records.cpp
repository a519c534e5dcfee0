// The table's record engine: row buffers holding every column as text,
// reading a row from the engine, field values, cursor movement, record
// numbers and the record count.
#include <charconv>
#include <cmath>

#include "dao/vudaodatabase.h"
#include "dao/vudaotable.h"
#include "platform/jet/engine.h"
#include "platform/rtl/cp1252.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/ignorefailure.h"
#include "platform/rtl/oemcodepage.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/typinfo.h"

namespace dao {

using rtl::IgnoreFailure;

namespace {

// Locale-free number text that reads back to the same double.
QString DoubleText(double v) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return QString::fromLatin1(buf, static_cast<qsizetype>(res.ptr - buf));
}

// Reads what DoubleText wrote without the locale machinery, which costs
// more than the rest of reading a value; anything else (blanks, words,
// values out of the normal range) takes the general road.
bool ParseNumberText(const QString &text, double &out) {
  constexpr qsizetype kLongest = 40;
  if (text.isEmpty() || text.size() > kLongest) return false;
  char buf[kLongest];
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    const bool number_char = (c >= u'0' && c <= u'9') || c == u'.' || c == u'-' || c == u'+' || c == u'e' || c == u'E';
    if (!number_char) return false;
    buf[i] = static_cast<char>(c);
  }
  double d = 0;
  const auto res = std::from_chars(buf, buf + text.size(), d);
  if (res.ec != std::errc() || res.ptr != buf + text.size() || (d != 0 && !std::isnormal(d))) return false;
  out = d;
  return true;
}

bool ParseDouble(const QString &text, double &out) {
  if (ParseNumberText(text, out)) return true;
  bool ok = false;
  out = text.toDouble(&ok);
  if (ok) return true;
  return rtl::TryStrToFloat(text, out);
}

bool IsBlobType(vcl::TFieldType t) {
  return t == vcl::ftBlob || t == vcl::ftMemo || t == vcl::ftGraphic || t == vcl::ftFmtMemo;
}

}  // namespace

// ---------------------------------------------------------------------------
// Buffers.

vcl::TRecordBuffer TVuDaoTable::AllocRecordBuffer() {
  auto *b = new TVuRecInfo;
  const int n = FieldDefs().Count();
  for (int i = 0; i < n; ++i) b->Values << QString();
  b->Changed.assign(static_cast<size_t>(n), false);
  b->CalcValues.assign(static_cast<size_t>(CalcFieldsSize()), rtl::Variant::Null());
  return b;
}

void TVuDaoTable::FreeRecordBuffer(vcl::TRecordBuffer &buffer) {
  delete static_cast<TVuRecInfo *>(buffer);
  buffer = nullptr;
}

void TVuDaoTable::ClearCalcFields(vcl::TRecordBuffer buffer) { vcl::TDataSet::ClearCalcFields(buffer); }

void TVuDaoTable::CopyRecInfo(const TVuRecInfo *from, TVuRecInfo *to) const {
  to->Position = from->Position;
  to->Values = from->Values;
  to->Read = from->Read;
  to->Pending = from->Pending;
  to->Changed = from->Changed;
  to->Bookmark = from->Bookmark;
  to->BookmarkFlag = from->BookmarkFlag;
  to->CalcValues = from->CalcValues;
}

void TVuDaoTable::DropOldValues() {
  delete old_values_;
  old_values_ = nullptr;
}

void TVuDaoTable::InternalInitRecord(vcl::TRecordBuffer buffer) {
  TVuRecInfo *b = Rec(buffer);
  TVuRecInfo *active = State() != vcl::dsInactive && BufferedRecordCount() > 0 ? Rec(ActiveBuffer()) : nullptr;
  DropOldValues();
  if (active && active != b) {
    old_values_ = new TVuRecInfo;
    CopyRecInfo(active, old_values_);
  }
  const int n = FieldDefs().Count();
  b->Values = QStringList();
  b->Read.clear();
  b->Pending.clear();
  for (int i = 0; i < n; ++i) b->Values << (i < default_values_.size() ? default_values_[i] : QString());
  b->Changed.assign(static_cast<size_t>(n), false);
  for (int i = 0; i < FieldCount(); ++i) {
    vcl::TField *f = Fields()[i];
    if (f->FieldKind() != vcl::fkData || f->DefaultExpression().isEmpty()) continue;
    const int k = f->FieldNo() - 1;
    if (k < 0 || k >= n) continue;
    const QString text =
        ConvertDefault(f->DefaultExpression(),
                       k < static_cast<int>(engine_types_.size()) ? engine_types_[static_cast<size_t>(k)] : 10);
    const QString value = text.isEmpty() ? f->DefaultExpression() : text;
    if (k < default_values_.size()) default_values_[k] = value;
    b->Values[k] = value;
    b->Changed[static_cast<size_t>(k)] = true;
  }
  b->BookmarkFlag = vcl::bfInserted;
  b->Bookmark.clear();
  b->Position = -1;
}

int TVuDaoTable::FieldIndex(const vcl::TField *field) const {
  if (!field) return -1;
  const int k = field->FieldNo() - 1;
  return k >= 0 && k < Defs().Count() ? k : -1;
}

// ---------------------------------------------------------------------------
// Reading a row.

QString TVuDaoTable::EncodeText(const QString &text, bool encode) const {
  if (!use_encrypter_ || !encrypter_) return text;
  if (encode) {
    vcl::SetStrProp(encrypter_, QStringLiteral("DecodedString"), text);
    return vcl::GetStrProp(encrypter_, QStringLiteral("EncodedString"));
  }
  vcl::SetStrProp(encrypter_, QStringLiteral("EncodedString"), text);
  return vcl::GetStrProp(encrypter_, QStringLiteral("DecodedString"));
}

bool TVuDaoTable::ReadRecord(TVuRecInfo *b, bool own_recordset, jet::Recordset *source) {
  database_->Idle();
  jet::Recordset &rs = source ? *source : *recordset_;
  b->Bookmark.clear();
  if (bookmarkable_) {
    try {
      if (!rs.Bof() && !rs.Eof()) b->Bookmark = rs.Bookmark().left(4);
    } catch (const jet::EJetError &e) {
      if (e.Number() == jet::kErrRecordDeleted) return false;
    }
  }
  b->Position = current_position_;
  b->BookmarkFlag = vcl::bfCurrent;
  const int n = FieldDefs().Count();
  if (b->Values.size() != n) {
    b->Values = QStringList();
    for (int i = 0; i < n; ++i) b->Values << QString();
  }
  b->Changed.assign(static_cast<size_t>(n), false);
  // Plain values wait as they came until their text is asked for; with an
  // encrypter, which decodes texts as they are read, every text is made now.
  const bool deferred = !use_encrypter_ || !encrypter_;
  b->Read.assign(deferred ? static_cast<size_t>(n) : 0, rtl::Variant());
  b->Pending.assign(deferred ? static_cast<size_t>(n) : 0, false);
  for (int i = 0; i < n && i < rs.FieldCount(); ++i) {
    jet::Field &f = own_recordset && i < static_cast<int>(field_objects_.size())
                        ? *field_objects_[static_cast<size_t>(i)]
                        : rs.Fields(i);
    const vcl::TFieldType type = FieldDefs()[i]->DataType();
    const bool memo = type == vcl::ftMemo || type == vcl::ftFmtMemo;
    const bool blob = type == vcl::ftBlob || type == vcl::ftGraphic;
    if ((memo && !cache_memos_) || (blob && !cache_blobs_)) {
      int size = 0;
      try {
        size = f.FieldSize();
      } catch (const jet::EJetError &e) {
        if (e.Number() == jet::kErrRecordDeleted) return false;
      }
      b->Values[i] = size > 0 ? QString::number(size) : QString();
      continue;
    }
    rtl::Variant v;
    try {
      v = f.Value();
    } catch (const jet::EJetError &e) {
      if (e.Number() == jet::kErrRecordDeleted) return false;
      v = rtl::Variant::Null();
    } catch (const rtl::Exception &) {
      v = rtl::Variant::Null();
    }
    if (deferred && !memo && !blob) {
      b->Values[i] = QString();
      if (!v.IsEmptyOrNull()) {
        b->Read[static_cast<size_t>(i)] = v;
        b->Pending[static_cast<size_t>(i)] = true;
      }
      continue;
    }
    QString text;
    if (!v.IsEmptyOrNull()) {
      if (memo) {
        text = v.Type() == rtl::VarType::Bytes ? rtl::FromCp1252(v.AsBytes()) : v.AsString();
        text = EncodeText(text, false);
      } else if (blob) {
        text = QString::fromLatin1(v.AsBytes());
        text = EncodeText(text, false);
      } else {
        text =
            TextFromValue(v, type, i < static_cast<int>(guid_fields_.size()) && guid_fields_[static_cast<size_t>(i)]);
        if (type == vcl::ftString) text = EncodeText(text, false);
      }
    }
    b->Values[i] = text;
  }
  return true;
}

const QString &TVuDaoTable::ValueText(TVuRecInfo *b, int k) {
  const auto i = static_cast<size_t>(k);
  if (i < b->Pending.size() && b->Pending[i]) {
    const bool guid = i < guid_fields_.size() && guid_fields_[i];
    b->Values[k] = TextFromValue(b->Read[i], FieldDefs()[k]->DataType(), guid);
    b->Pending[i] = false;
    b->Read[i] = rtl::Variant();
  }
  return b->Values[k];
}

// A typed value (an engine value or a field's value) as value text.
QString TVuDaoTable::TextFromValue(const rtl::Variant &v, vcl::TFieldType type, bool guid) const {
  if (v.IsEmptyOrNull()) return QString();
  switch (type) {
    case vcl::ftString:
    case vcl::ftFixedChar:
    case vcl::ftWideString:
      return v.AsString();
    case vcl::ftSmallint:
    case vcl::ftInteger:
    case vcl::ftWord:
    case vcl::ftAutoInc:
    case vcl::ftLargeint:
      if (v.Type() == rtl::VarType::String) {
        bool ok = false;
        const qint64 i = v.AsString().trimmed().toLongLong(&ok);
        if (ok) return QString::number(i);
        double d = 0;
        if (ParseDouble(v.AsString().trimmed(), d)) return QString::number(std::llround(d));
        return v.AsString();
      }
      if (v.Type() == rtl::VarType::Double || v.Type() == rtl::VarType::Currency)
        return QString::number(std::llround(v.AsDouble()));
      return QString::number(v.AsInt64());
    case vcl::ftBoolean:
      if (v.Type() == rtl::VarType::String) {
        const std::optional<int> b = BooleanTextValue(v.AsString());
        return b && *b == 0 ? QStringLiteral("False") : QStringLiteral("True");
      }
      return v.AsBoolean() ? QStringLiteral("True") : QStringLiteral("False");
    case vcl::ftFloat:
    case vcl::ftCurrency:
    case vcl::ftBCD:
      if (v.Type() == rtl::VarType::String) {
        double d = 0;
        if (ParseDouble(v.AsString().trimmed(), d)) return DoubleText(d);
        return v.AsString();
      }
      return DoubleText(v.AsDouble());
    case vcl::ftDate: {
      const rtl::TTimeStamp ts = rtl::DateTimeToTimeStamp(v.AsDateTime());
      return QStringLiteral("%1 0").arg(ts.Date);
    }
    case vcl::ftTime: {
      const rtl::TTimeStamp ts = rtl::DateTimeToTimeStamp(v.AsDateTime());
      return QStringLiteral("%1 %2").arg(rtl::DateDelta).arg(ts.Time);
    }
    case vcl::ftDateTime:
      return TimeStampText(v.AsDateTime());
    case vcl::ftBytes:
    case vcl::ftVarBytes:
      if (guid) {
        if (v.Type() == rtl::VarType::Bytes) return GuidText(v.AsBytes());
        if (const std::optional<QByteArray> g = GuidBytes(v.AsString())) return GuidText(*g);
        return QString();
      }
      return QString::fromLatin1(v.AsBytes());
    case vcl::ftMemo:
    case vcl::ftFmtMemo:
      return v.Type() == rtl::VarType::Bytes ? rtl::FromCp1252(v.AsBytes()) : v.AsString();
    case vcl::ftBlob:
    case vcl::ftGraphic:
      return QString::fromLatin1(v.AsBytes());
    default:
      if (v.Type() == rtl::VarType::Date) return TimeStampText(v.AsDateTime());
      return rtl::VarToStr(v);
  }
}

// Value text back to the field's native value. `ok` false: the text does
// not read as the type (the caller's value stays untouched).
rtl::Variant TVuDaoTable::ValueFromText(const QString &text, vcl::TFieldType type, bool guid, bool *ok) const {
  *ok = true;
  switch (type) {
    case vcl::ftString:
    case vcl::ftFixedChar:
    case vcl::ftWideString:
      return rtl::Variant(text);
    case vcl::ftSmallint:
    case vcl::ftInteger:
    case vcl::ftWord:
    case vcl::ftAutoInc:
    case vcl::ftLargeint: {
      bool good = false;
      const int i = text.toInt(&good);
      if (good) return rtl::Variant(i);
      double d = 0;
      if (ParseDouble(text, d)) return rtl::Variant(static_cast<int>(std::lround(d)));
      *ok = false;
      return {};
    }
    case vcl::ftBoolean: {
      const std::optional<int> b = BooleanTextValue(text);
      if (!b) {
        *ok = false;
        return {};
      }
      return rtl::Variant(*b != 0);
    }
    case vcl::ftFloat:
    case vcl::ftCurrency:
    case vcl::ftBCD: {
      double d = 0;
      if (!ParseDouble(text, d)) {
        *ok = false;
        return {};
      }
      return rtl::Variant(d);
    }
    case vcl::ftDate:
    case vcl::ftTime:
    case vcl::ftDateTime: {
      int day = 0, ms = 0;
      if (!SplitTimeStampText(text, day, ms)) {
        *ok = false;
        return {};
      }
      rtl::TTimeStamp ts;
      ts.Date = type == vcl::ftTime ? rtl::DateDelta : day;
      ts.Time = type == vcl::ftDate ? 0 : ms;
      if (ts.Date <= 0 || ts.Time < 0 || ts.Time >= rtl::MSecsPerDay) {
        *ok = false;
        return {};
      }
      return rtl::Variant::FromDate(rtl::TimeStampToDateTime(ts));
    }
    case vcl::ftBytes:
    case vcl::ftVarBytes:
      if (guid) {
        const std::optional<QByteArray> g = GuidBytes(text);
        if (!g) {
          *ok = false;
          return {};
        }
        return rtl::Variant(*g);
      }
      return rtl::Variant(text.toLatin1());
    case vcl::ftMemo:
    case vcl::ftFmtMemo:
      return rtl::Variant(text);
    case vcl::ftBlob:
    case vcl::ftGraphic:
      return rtl::Variant(text.toLatin1());
    default:
      return rtl::Variant(text);
  }
}

// ---------------------------------------------------------------------------
// Field values.

vcl::TRecordBuffer TVuDaoTable::GetActiveRecordBuffer() const {
  switch (State()) {
    case vcl::dsSetKey:
      return nullptr;
    case vcl::dsOldValue:
      return old_values_ ? old_values_ : ActiveBuffer();
    default:
      return vcl::TDataSet::GetActiveRecordBuffer();
  }
}

bool TVuDaoTable::GetFieldData(vcl::TField *field, rtl::Variant *value) {
  if (field->FieldKind() == vcl::fkCalculated || field->FieldKind() == vcl::fkLookup)
    return vcl::TDataSet::GetFieldData(field, value);
  vcl::TRecordBuffer buffer = GetActiveRecordBuffer();
  const int k = FieldIndex(field);
  if (!buffer || k < 0) return false;
  TVuRecInfo *b = Rec(buffer);
  if (k >= b->Values.size()) return false;
  const QString &text = ValueText(b, k);
  if (text.isEmpty()) return false;
  const vcl::TFieldType type = FieldDefs()[k]->DataType();
  if (!value) return true;
  if (IsBlobType(type)) {
    // Not cached or not: the blob stream knows where the content is.
    TVkBlobStream stream(field, vcl::bmRead);
    QByteArray bytes(static_cast<qsizetype>(stream.Size()), '\0');
    stream.Read(bytes.data(), bytes.size());
    if (type == vcl::ftMemo || type == vcl::ftFmtMemo)
      *value = rtl::Variant(rtl::FromCp1252(bytes));
    else
      *value = rtl::Variant(bytes);
    return true;
  }
  bool ok = true;
  const rtl::Variant v =
      ValueFromText(text, type, k < static_cast<int>(guid_fields_.size()) && guid_fields_[static_cast<size_t>(k)], &ok);
  if (!ok) return false;
  *value = TranslatedText(field, v, false);
  return true;
}

// With Translation the file holds text fields in the OEM set: what the
// engine gives is read as OEM and shown in ANSI, what is written goes to
// the engine in OEM.
rtl::Variant TVuDaoTable::TranslatedText(vcl::TField *field, const rtl::Variant &value, bool to_oem) {
  auto *text_field = dynamic_cast<vcl::TStringField *>(field);
  if (!translation_ || text_field == nullptr || !text_field->Transliterate() || value.IsEmptyOrNull()) return value;
  QByteArray out;
  Translate(rtl::ToCp1252(value.AsString()), out, to_oem);
  return rtl::Variant(rtl::FromCp1252(out));
}

void TVuDaoTable::SetFieldData(vcl::TField *field, const rtl::Variant &value) {
  if (field->FieldKind() == vcl::fkCalculated || field->FieldKind() == vcl::fkLookup) {
    vcl::TDataSet::SetFieldData(field, value);
    return;
  }
  vcl::TRecordBuffer buffer = GetActiveRecordBuffer();
  const int k = FieldIndex(field);
  if (!buffer || k < 0) return;
  if (State() != vcl::dsCalcFields && State() != vcl::dsInternalCalc) field->Validate(value);
  if (field->ReadOnly() && State() != vcl::dsSetKey) return;
  TVuRecInfo *b = Rec(buffer);
  const vcl::TFieldType type = FieldDefs()[k]->DataType();
  const bool guid = k < static_cast<int>(guid_fields_.size()) && guid_fields_[static_cast<size_t>(k)];
  QString text;
  if (!value.IsEmptyOrNull()) {
    if (type == vcl::ftMemo || type == vcl::ftFmtMemo)
      text = value.Type() == rtl::VarType::Bytes ? rtl::FromCp1252(value.AsBytes()) : value.AsString();
    else
      text = TextFromValue(TranslatedText(field, value, true), type, guid);
  }
  b->Values[k] = text;
  if (static_cast<size_t>(k) < b->Pending.size()) b->Pending[static_cast<size_t>(k)] = false;
  if (static_cast<size_t>(k) < b->Changed.size()) b->Changed[static_cast<size_t>(k)] = true;
  if (NotifiesFieldChange()) DataEvent(vcl::deFieldChange, reinterpret_cast<std::intptr_t>(field));
}

bool TVuDaoTable::GetCurrentRecord(vcl::TRecordBuffer buffer) {
  if (!Active() || IsEmpty() || !buffer) return false;
  CopyRecInfo(Rec(ActiveBuffer()), Rec(buffer));
  return true;
}

bool TVuDaoTable::GetCanModify() const { return Active() && !ReadOnly(); }

int TVuDaoTable::Translate(const QByteArray &src, QByteArray &dest, bool to_oem) {
  const int n = vcl::TDataSet::Translate(src, dest, to_oem);
  if (!translation_) return n;
  // A buffer converted in place is converted all the same (a copy of the
  // source is taken first).
  const QByteArray source = src;
  dest = to_oem ? rtl::AnsiToOem(source) : rtl::OemToAnsi(source);
  return static_cast<int>(dest.size());
}

// ---------------------------------------------------------------------------
// Cursor.

bool TVuDaoTable::Forward() const {
  return table_type_ == jet::dbOpenForwardOnly || open_options_.Contains(dbForwardOnly);
}

bool TVuDaoTable::EngineBOF() const {
  try {
    return recordset_->Bof();
  } catch (...) {
    return true;
  }
}

bool TVuDaoTable::EngineEOF() const {
  try {
    return recordset_->Eof();
  } catch (...) {
    return true;
  }
}

vcl::TGetResult TVuDaoTable::GetRecord(vcl::TRecordBuffer buffer, vcl::TGetMode mode, bool) {
  if (!recordset_) return vcl::grError;
  if (ControlsDisabled() && batch_mode_ && post_in_progress_ && mode != vcl::gmCurrent && !FilterEventActive())
    return vcl::grEOF;
  // A pending insert or engine edit has no engine row to read.
  if (State() == vcl::dsInsert) return vcl::grError;
  if (State() == vcl::dsEdit && recordset_->EditMode() == jet::dbEditInProgress) return vcl::grError;

  TVuRecInfo *b = Rec(buffer);
  for (;;) {
    vcl::TGetResult result = vcl::grOK;
    try {
      switch (mode) {
        case vcl::gmCurrent:
          if (recordset_->Bof()) result = vcl::grBOF;
          if (recordset_->Eof()) result = vcl::grEOF;
          break;
        case vcl::gmNext:
          if (!(Forward() && current_position_ == -1) && !recordset_->Eof()) recordset_->MoveNext();
          if (recordset_->Eof()) {
            result = vcl::grEOF;
          } else {
            ++current_position_;
            ++fetch_position_;
          }
          break;
        case vcl::gmPrior:
          if (Forward()) {
            result = vcl::grBOF;
            break;
          }
          if (!recordset_->Bof()) recordset_->MovePrevious();
          if (recordset_->Bof()) {
            result = vcl::grBOF;
          } else {
            --current_position_;
            --fetch_position_;
          }
          break;
      }
    } catch (const jet::EJetError &e) {
      if (e.Number() != jet::kErrRecordDeleted) throw;
      result = vcl::grError;
    }
    if (result == vcl::grEOF)
      known_rows_ = current_position_ + 1;
    else
      known_rows_ = std::max(known_rows_, current_position_);
    if (result != vcl::grOK) return result;
    if (!ReadRecord(b, true)) {
      // A row deleted elsewhere: skip it when moving, report it otherwise.
      if (mode == vcl::gmCurrent) return vcl::grError;
      continue;
    }
    if (AcceptRecord(buffer)) return vcl::grOK;
    if (mode == vcl::gmCurrent) return vcl::grError;
  }
}

void TVuDaoTable::InternalFirst() {
  current_position_ = -1;
  fetch_position_ = -1;
  if (!recordset_ || Forward()) return;
  IgnoreFailure("an empty or moving recordset is read from its start anyway", [&] {
    if (recordset_->Bof() && recordset_->Eof()) return;
    recordset_->MoveFirst();
    recordset_->MovePrevious();
  });
}

int TVuDaoTable::SnapshotCount() {
  auto snap = recordset_->OpenRecordset(jet::dbOpenSnapshot, 0);
  int n = 0;
  IgnoreFailure("a snapshot that cannot be counted counts nothing", [&] {
    if (!(snap->Bof() && snap->Eof())) snap->MoveLast();
    n = snap->RecordCount();
  });
  IgnoreFailure("the counting snapshot is thrown away whatever its closing says", [&] { snap->Close(); });
  return n;
}

void TVuDaoTable::InternalLast() {
  if (!recordset_) return;
  if (EngineBOF() && EngineEOF()) {
    current_position_ = -1;
    return;
  }
  if (Forward()) {
    const bool at_eof = EngineEOF();
    IgnoreFailure("a forward-only recordset read to its end is at its end", [&] {
      while (!recordset_->Eof()) {
        recordset_->MoveNext();
        ++fetch_position_;
      }
    });
    if (!at_eof) --fetch_position_;
    current_position_ = fetch_position_;
    return;
  }
  const int previous = current_position_;
  int count = -1;
  try {
    recordset_->MoveLast();
    recordset_->MoveNext();
    count = recordset_->RecordCount();
  } catch (const jet::EJetError &) {
    return;
  }
  current_position_ = count;
  if (recordset_->Type() == jet::dbOpenTable && (count > known_rows_ || count < previous)) {
    int checked = count;
    try {
      checked = SnapshotCount();
    } catch (const jet::EJetError &) {
      return;
    }
    current_position_ = checked;
    known_rows_ = checked;
    if (checked != count && warn_on_bad_database_)
      vcl::DatabaseError(QStringLiteral("Database %1 needs to be repaired and compacted!").arg(database_->Database()));
  }
}

void TVuDaoTable::GotoBookmarkBytes(const QByteArray &bookmark) {
  try {
    recordset_->SetBookmark(bookmark.left(4));
  } catch (const jet::EJetError &e) {
    if (e.Number() == jet::kErrRecordDeleted) InternalFirst();
    throw;
  }
}

void TVuDaoTable::InternalSetToRecord(vcl::TRecordBuffer buffer) {
  if (!buffer || !recordset_ || (EngineBOF() && EngineEOF())) return;
  TVuRecInfo *b = Rec(buffer);
  if (b->BookmarkFlag != vcl::bfCurrent && b->BookmarkFlag != vcl::bfInserted) return;
  const int old = current_position_;
  if (b->Position >= 0 || b->BookmarkFlag == vcl::bfCurrent) current_position_ = b->Position;
  if (Forward() || State() == vcl::dsSetKey) return;
  if (!bookmarkable_) {
    try {
      if (FilterEventActive()) throw 0;
      if (current_position_ != old) recordset_->Move(current_position_ - old);
    } catch (...) {
      recordset_->MoveFirst();
      recordset_->Move(current_position_);
    }
    return;
  }
  if (State() == vcl::dsEdit || State() == vcl::dsInsert) return;
  if (b->Bookmark.size() < 4) return;
  try {
    GotoBookmarkBytes(b->Bookmark);
  } catch (const rtl::Exception &e) {
    InternalFirst();
    CursorPosChanged();
    vcl::DatabaseError(e.Message());
  }
}

void TVuDaoTable::InternalGotoBookmark(const vcl::TBookmark &bookmark) {
  if (!Active() && !recordset_)
    vcl::DatabaseError(QStringLiteral("TVuDaoTable.InternalGotoBookmark: Cannot goto Bookmark - Table is not Active"));
  if (bookmark.size() < 4) vcl::DatabaseError(QStringLiteral("Invalid Bookmark!"));
  if (!bookmarkable_) vcl::DatabaseError(QStringLiteral("Bookmarks are not supported!"));
  try {
    GotoBookmarkBytes(bookmark);
  } catch (const jet::EJetError &) {
    // Not one of the recordset's rows (or no longer one).
    vcl::DatabaseError(QStringLiteral("Invalid Bookmark!"));
  }
  IgnoreFailure("a position the engine cannot tell is counted again on the next read", [&] {
    const int pos = recordset_->AbsolutePosition();
    if (pos >= 0) current_position_ = pos;
  });
}

bool TVuDaoTable::BookmarkValid(const vcl::TBookmark &bookmark) {
  if (!Active() || IsEmpty() || !bookmarkable_ || bookmark.size() < 4) return false;
  QByteArray here;
  IgnoreFailure("without the cursor's bookmark the cursor is found again on the next read",
                [&] { here = recordset_->Bookmark(); });
  bool valid = false;
  IgnoreFailure("a bookmark the recordset refuses is not valid", [&] {
    recordset_->SetBookmark(bookmark.left(4));
    valid = true;
  });
  IgnoreFailure("the cursor is found again on the next read", [&] {
    if (!here.isEmpty()) recordset_->SetBookmark(here);
  });
  CursorPosChanged();
  return valid;
}

// ---------------------------------------------------------------------------
// Counting and numbering.

int TVuDaoTable::CountByWalking() {
  const vcl::TDataSetState saved = SetTempState(vcl::dsBrowse);
  const int position = current_position_;
  vcl::TRecordBuffer scratch = AllocRecordBuffer();
  int n = 0;
  try {
    InternalFirst();
    while (GetRecord(scratch, vcl::gmNext, false) == vcl::grOK) ++n;
  } catch (...) {
    FreeRecordBuffer(scratch);
    RestoreState(saved);
    current_position_ = position;
    CursorPosChanged();
    throw;
  }
  FreeRecordBuffer(scratch);
  RestoreState(saved);
  current_position_ = position;
  CursorPosChanged();
  return n;
}

int TVuDaoTable::RecordCount() {
  if (!Active() || !recordset_) return -1;
  if (Forward()) return -1;
  if (use_record_count_ && !count_stale_) {
    known_rows_ = cached_count_;
    return cached_count_;
  }
  count_stale_ = false;
  int result = -1;
  if (EngineBOF() && EngineEOF()) {
    result = 0;
    current_position_ = -1;
  } else if (FilterEventActive()) {
    result = CountByWalking();
  } else {
    try {
      result = recordset_->RecordCount();
      if (recordset_->Type() == jet::dbOpenTable && result > known_rows_) {
        const int checked = SnapshotCount();
        if (checked != result && warn_on_bad_database_)
          vcl::DatabaseError(
              QStringLiteral("Database %1 needs to be repaired and compacted!").arg(database_->Database()));
        result = checked;
      }
    } catch (const jet::EJetError &) {
      result = -1;
    }
  }
  cached_count_ = result;
  known_rows_ = result;
  return result;
}

int TVuDaoTable::RecNo() {
  if (!Active() || !recordset_) return -1;
  if (State() == vcl::dsInsert) return -1;
  UpdateCursorPos();
  if (!use_get_rec_no_) return -1;
  if (current_position_ < -1) rec_no_stale_ = true;
  if (Forward()) return current_position_ + 1;
  if (EngineBOF()) return -1;
  if (FilterEventActive()) {
    const QByteArray target = IsEmpty() ? QByteArray() : Rec(ActiveBuffer())->Bookmark;
    const vcl::TDataSetState saved = SetTempState(vcl::dsBrowse);
    vcl::TRecordBuffer scratch = AllocRecordBuffer();
    const int position = current_position_;
    int n = 0;
    bool found = false;
    IgnoreFailure("a row that cannot be read ends the count there", [&] {
      InternalFirst();
      while (GetRecord(scratch, vcl::gmNext, false) == vcl::grOK) {
        ++n;
        if (Rec(scratch)->Bookmark == target) {
          found = true;
          break;
        }
      }
    });
    FreeRecordBuffer(scratch);
    RestoreState(saved);
    current_position_ = position;
    CursorPosChanged();
    UpdateCursorPos();
    return found ? n : -1;
  }
  IgnoreFailure("a position the engine cannot tell keeps the one counted", [&] {
    const int pos = recordset_->AbsolutePosition();
    if (pos >= 0) current_position_ = pos;
  });
  if (rec_no_stale_ && !IsEmpty()) Rec(ActiveBuffer())->Position = current_position_;
  rec_no_stale_ = false;
  return current_position_ + 1;
}

int TVuDaoTable::RecNoOfBookmark(const QByteArray &bookmark) {
  if (!recordset_ || bookmark.size() < 4) return -1;
  auto clone = recordset_->Clone();
  int pos = -1;
  IgnoreFailure("a row the engine cannot place has no number", [&] {
    clone->SetBookmark(bookmark.left(4));
    pos = clone->AbsolutePosition();
  });
  IgnoreFailure("the copy is thrown away whatever its closing says", [&] { clone->Close(); });
  return pos < 0 ? -1 : pos + 1;
}

void TVuDaoTable::SetRecNo(int value) {
  CheckBrowseMode();
  if (!recordset_ || value < 1) return;
  CursorPosChanged();
  DoBeforeScroll();
  if (FilterEventActive()) {
    const int position = current_position_;
    vcl::TRecordBuffer scratch = AllocRecordBuffer();
    int n = 0;
    bool reached = false;
    IgnoreFailure("a row that cannot be read ends the walk there", [&] {
      InternalFirst();
      while (GetRecord(scratch, vcl::gmNext, false) == vcl::grOK) {
        if (++n == value) {
          reached = true;
          break;
        }
      }
    });
    FreeRecordBuffer(scratch);
    if (!reached) {
      current_position_ = position;
      CursorPosChanged();
      UpdateCursorPos();
      DoAfterScroll();
      return;
    }
  } else {
    try {
      recordset_->MoveFirst();
      recordset_->Move(value - 1);
      if (recordset_->Eof()) {
        // Past the end: stay where the table was.
        CursorPosChanged();
        UpdateCursorPos();
        DoAfterScroll();
        return;
      }
      current_position_ = value - 1;
    } catch (const jet::EJetError &) {
      CursorPosChanged();
      UpdateCursorPos();
      DoAfterScroll();
      return;
    }
  }
  Resync(vcl::rmExact | vcl::rmCenter);
  DoAfterScroll();
}

void TVuDaoTable::SetBookmarkFlag(vcl::TRecordBuffer buffer, vcl::TBookmarkFlag flag) {
  vcl::TDataSet::SetBookmarkFlag(buffer, flag);
  if (batch_mode_ && ControlsDisabled() && (flag == vcl::bfEOF || flag == vcl::bfInserted)) post_in_progress_ = true;
}

void TVuDaoTable::ResyncOrReopen() {
  count_stale_ = true;
  try {
    if (!ControlsDisabled()) InternalRefresh();
    Resync(vcl::rmExact | vcl::rmCenter);
  } catch (...) {
    const int position = current_position_;
    IgnoreFailure("the table is reopened below whatever the state change says", [&] { SetState(vcl::dsBrowse); });
    ReopenAfterChange(false);
    if (position >= 0 && position < RecordCount())
      MoveBy(position);
    else
      Last();
  }
}

void TVuDaoTable::InternalRefresh() {
  count_stale_ = true;
  if (!recordset_) return;
  // Rows changed or deleted elsewhere show on the next read; a dynaset
  // re-reads its values live, so only the position needs checking.
  try {
    if (!EngineBOF() && !EngineEOF()) recordset_->Move(0);
  } catch (const jet::EJetError &) {
    QByteArray here;
    IgnoreFailure("the recordset is read again from its start", [&] { here = recordset_->Bookmark(); });
    recordset_->Requery();
    InternalFirst();
  }
}

void TVuDaoTable::InternalHandleException() {
  try {
    throw;
  } catch (const rtl::EAbort &) {
    return;  // a silent abort ends here; anything else goes on to the caller
  }
}

}  // namespace dao
