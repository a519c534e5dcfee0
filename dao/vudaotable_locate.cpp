// The table's searches and the master-detail link. Searches run on a clone
// of the recordset (an index Seek on table recordsets, the engine's
// FindFirst with criteria on the others), so the table's cursor moves only
// when a row is found. Every path means the same thing by the options: a
// partial key is a prefix of the column's text, and without the
// case-insensitive option the case must match too; the engine's answer is
// checked against that before a row counts as found.
#include <algorithm>
#include <cmath>

#include "dao/vudaodatabase.h"
#include "dao/vudaotable.h"
#include "platform/jet/engine.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/ignorefailure.h"

namespace dao {

using rtl::IgnoreFailure;

namespace {

[[noreturn]] void Fail(const QString &text) { vcl::DatabaseError(text); }

enum FindDirection { kFirst, kLast, kNext, kPrior };

}  // namespace

// ---------------------------------------------------------------------------
// Keys and criteria.

TVuDaoTable::KeySpec TVuDaoTable::SplitKeys(const QString &key_fields, const rtl::Variant &key_values) const {
  KeySpec keys;
  keys.fields = SplitKeyFields(key_fields);
  keys.values = SplitKeyValues(key_values);
  if (keys.fields.size() != static_cast<int>(keys.values.size()))
    Fail(QStringLiteral("Number of elements in the KeyValues array must be equal to the number of fields."));
  for (const QString &name : keys.fields) {
    const int k = Defs().IndexOf(name);
    if (k < 0) vcl::FieldNotFoundError(name, this);
    keys.field_index.push_back(k);
  }
  return keys;
}

QString TVuDaoTable::BuildLookupKeySQL(const QString &key_fields, const rtl::Variant &key_values,
                                       vcl::TLocateOptions options) const {
  const KeySpec keys = SplitKeys(key_fields, key_values);
  SearchOptions opts;
  opts.case_insensitive = (options & vcl::loCaseInsensitive) != 0;
  opts.partial_key = (options & vcl::loPartialKey) != 0;
  QStringList terms;
  for (int i = 0; i < keys.fields.size(); ++i) {
    const int k = keys.field_index[static_cast<size_t>(i)];
    const bool guid = k < static_cast<int>(guid_fields_.size()) && guid_fields_[static_cast<size_t>(k)];
    const ValueKind kind = KindOfFieldType(Defs()[k]->DataType(), guid);
    terms << LookupTerm(keys.fields[i], kind, keys.values[static_cast<size_t>(i)], opts, use_brackets_);
  }
  return JoinTerms(terms);
}

QString TVuDaoTable::BuildKeySQL(const QString &key_fields, const rtl::Variant &key_values) const {
  const KeySpec keys = SplitKeys(key_fields, key_values);
  QStringList terms;
  for (int i = 0; i < keys.fields.size(); ++i) {
    const int k = keys.field_index[static_cast<size_t>(i)];
    const bool guid = k < static_cast<int>(guid_fields_.size()) && guid_fields_[static_cast<size_t>(k)];
    const ValueKind kind = KindOfFieldType(Defs()[k]->DataType(), guid);
    terms << LookupTerm(keys.fields[i], kind, keys.values[static_cast<size_t>(i)], {}, use_brackets_,
                        QStringLiteral("Unable to build Key SQL!"));
  }
  return JoinTerms(terms);
}

// True when the current row of `rs` holds the keys, by the options.
bool TVuDaoTable::RowMatches(jet::Recordset &rs, const KeySpec &keys, vcl::TLocateOptions options) const {
  if (rs.Bof() || rs.Eof()) return false;
  for (size_t i = 0; i < keys.values.size(); ++i) {
    const int k = keys.field_index[i];
    const rtl::Variant &key = keys.values[i];
    rtl::Variant v;
    try {
      v = rs.Fields(k).Value();
    } catch (const rtl::Exception &) {
      return false;
    }
    const QString key_text = rtl::VarToStr(key);
    if (key.IsNull() || key_text == QLatin1String("NULL")) {
      if (!v.IsEmptyOrNull()) return false;
      continue;
    }
    const vcl::TFieldType type = Defs()[k]->DataType();
    const bool guid = k < static_cast<int>(guid_fields_.size()) && guid_fields_[static_cast<size_t>(k)];
    const ValueKind kind = KindOfFieldType(type, guid);
    if (key_text.isEmpty() && kind != ValueKind::Text) {
      if (!v.IsEmptyOrNull()) return false;
      continue;
    }
    if (v.IsEmptyOrNull()) return false;
    try {
      switch (kind) {
        case ValueKind::Text: {
          const QString have = v.Type() == rtl::VarType::Bytes ? QString::fromLatin1(v.AsBytes()) : v.AsString();
          const Qt::CaseSensitivity cs = (options & vcl::loCaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
          if (options & vcl::loPartialKey) {
            if (!have.startsWith(key_text, cs)) return false;
          } else if (have.compare(key_text, cs) != 0) {
            return false;
          }
          break;
        }
        case ValueKind::Number: {
          bool ok = false;
          const double want = NumberText(key).toDouble(&ok);
          if (!ok || want != v.AsDouble()) return false;
          break;
        }
        case ValueKind::Boolean: {
          bool want = false;
          if (key.Type() == rtl::VarType::Boolean || key.IsNumeric()) {
            want = key.AsBoolean();
          } else {
            const std::optional<int> b = BooleanTextValue(key_text);
            if (!b) return false;
            want = *b != 0;
          }
          if (want != v.AsBoolean()) return false;
          break;
        }
        case ValueKind::Date:
        case ValueKind::Time:
        case ValueKind::DateTime: {
          const std::optional<rtl::TDateTime> want = KeyDateTime(key);
          if (!want) return false;
          const rtl::TDateTime have = v.AsDateTime();
          if (kind == ValueKind::Date) {
            if (std::floor(have) != std::floor(*want)) return false;
          } else if (kind == ValueKind::Time) {
            const double a = std::fabs(have - std::trunc(have)), b = std::fabs(*want - std::trunc(*want));
            if (std::fabs(a - b) * rtl::MSecsPerDay >= 1000) return false;
          } else if (std::fabs(have - *want) * rtl::MSecsPerDay >= 1000) {
            return false;
          }
          break;
        }
        case ValueKind::Guid: {
          const std::optional<QByteArray> want =
              key.Type() == rtl::VarType::Bytes ? std::optional<QByteArray>(key.AsBytes()) : GuidBytes(key_text);
          const std::optional<QByteArray> have =
              v.Type() == rtl::VarType::Bytes ? std::optional<QByteArray>(v.AsBytes()) : GuidBytes(v.AsString());
          if (!want || !have || *want != *have) return false;
          break;
        }
        case ValueKind::Bytes:
          if (v.AsBytes() != key_text.toLatin1()) return false;
          break;
        case ValueKind::Unknown:
          return false;
      }
    } catch (const rtl::Exception &) {
      return false;
    }
  }
  return true;
}

// The engine's criteria already mean what the options say, except that
// it compares text without regard to case: only a case-sensitive text key
// that has letters needs the row read back and checked.
bool TVuDaoTable::CriteriaNeedCheck(const KeySpec &keys, vcl::TLocateOptions options) const {
  if (options & vcl::loCaseInsensitive) return false;
  for (size_t i = 0; i < keys.values.size(); ++i) {
    const int k = keys.field_index[i];
    if (KindOfFieldType(Defs()[k]->DataType()) != ValueKind::Text) continue;
    const QString text = rtl::VarToStr(keys.values[i]);
    if (text.toLower() != text.toUpper()) return true;
  }
  return false;
}

const vcl::TIndexDef *TVuDaoTable::ChooseIndex(const QStringList &key_fields) const {
  vcl::TIndexDefs &defs = const_cast<TVuDaoTable *>(this)->IndexDefs();
  auto contains = [](const QStringList &list, const QString &name) { return list.contains(name, Qt::CaseInsensitive); };
  auto exact = [&]() -> const vcl::TIndexDef * {
    for (int i = 0; i < defs.Count(); ++i) {
      const QStringList f = defs[i]->FieldList();
      if (f.size() != key_fields.size()) continue;
      bool all = true;
      for (const QString &k : key_fields) all = all && contains(f, k);
      if (all) return defs[i];
    }
    return nullptr;
  };
  auto covering = [&]() -> const vcl::TIndexDef * {
    for (int i = 0; i < defs.Count(); ++i) {
      const QStringList f = defs[i]->FieldList();
      if (f.isEmpty() || !contains(key_fields, f.first())) continue;
      bool all = true;
      for (const QString &k : key_fields) all = all && contains(f, k);
      if (all) return defs[i];
    }
    return nullptr;
  };
  auto named = [&]() -> const vcl::TIndexDef * {
    if (index_name_.isEmpty()) return nullptr;
    const int i = defs.IndexOf(index_name_);
    return i >= 0 ? defs[i] : nullptr;
  };
  if (auto_find_index_) {
    if (auto *d = exact()) return d;
    if (auto *d = covering()) return d;
    return named();
  }
  if (auto *d = named()) return d;
  if (auto *d = exact()) return d;
  return covering();
}

// ---------------------------------------------------------------------------
// Locate.

// From the engine's match on `clone`, goes on in the search's direction
// until a row also passes the checks the criteria cannot make (case).
bool TVuDaoTable::FollowMatches(jet::Recordset &clone, const QString &criteria, const KeySpec &keys,
                                vcl::TLocateOptions options, bool forward) const {
  const bool check = CriteriaNeedCheck(keys, options);
  while (!clone.NoMatch()) {
    if (!check || RowMatches(clone, keys, options)) return true;
    if (forward)
      clone.FindNext(criteria);
    else
      clone.FindPrevious(criteria);
  }
  return false;
}

// Ends a search made on a clone: the clone is closed whatever happened and
// the table moves only when a row was found.
// Whether the current row holds `keys` exactly and they are the whole of a
// unique index, whose fields compare as texts or numbers (a date key is
// matched by its day, which several rows of a unique index may share).
bool TVuDaoTable::HoldsUniqueKey(const KeySpec &keys, vcl::TLocateOptions options) {
  if (!bookmarkable_ || State() != vcl::dsBrowse || (options & vcl::loPartialKey) || keys.fields.isEmpty())
    return false;
  for (const int k : keys.field_index) {
    const bool guid = k < static_cast<int>(guid_fields_.size()) && guid_fields_[static_cast<size_t>(k)];
    const ValueKind kind = KindOfFieldType(Defs()[k]->DataType(), guid);
    if (kind != ValueKind::Text && kind != ValueKind::Number) return false;
  }
  vcl::TIndexDefs &defs = IndexDefs();
  bool unique = false;
  for (int i = 0; i < defs.Count() && !unique; ++i) {
    const vcl::TIndexDef *index = defs[i];
    if (!index->Options().Contains(vcl::ixPrimary) && !index->Options().Contains(vcl::ixUnique)) continue;
    const QStringList fields = index->FieldList();
    if (fields.size() != keys.fields.size()) continue;
    unique = std::all_of(keys.fields.begin(), keys.fields.end(),
                         [&](const QString &f) { return fields.contains(f, Qt::CaseInsensitive); });
  }
  return unique && RowMatches(*recordset_, keys, options);
}

bool TVuDaoTable::FinishSearch(jet::Recordset &clone, bool found) {
  QByteArray bookmark;
  int position = -1;
  if (found) {
    bookmark = clone.Bookmark();
    IgnoreFailure("a position the engine cannot tell is found again from the bookmark",
                  [&] { position = clone.AbsolutePosition(); });
  }
  IgnoreFailure("the search's copy is thrown away whatever its closing says", [&] { clone.Close(); });
  if (!found) return false;
  MoveToFound(bookmark, position);
  return true;
}

void TVuDaoTable::MoveToFound(const QByteArray &bookmark, int absolute_position) {
  CheckBrowseMode();
  CursorPosChanged();
  DoBeforeScroll();
  GotoBookmarkBytes(bookmark);
  current_position_ = absolute_position >= 0 ? absolute_position : current_position_;
  Resync(vcl::rmExact | vcl::rmCenter);
  DoAfterScroll();
}

bool TVuDaoTable::Locate(const QString &key_fields, const rtl::Variant &key_values, vcl::TLocateOptions options) {
  if (!Active() || IsEmpty() || batch_mode_ || FilterEventActive() || !database_ || !database_->Connected())
    return false;
  const KeySpec keys = SplitKeys(key_fields, key_values);
  // A pending edit is posted only when a row is found (MoveToFound); the
  // search itself runs on a clone.
  if (State() == vcl::dsBrowse) UpdateCursorPos();

  if (HoldsUniqueKey(keys, options)) {
    // The current row is the one the search would find: no other row can
    // hold a unique key (a sale looks up again the article it shows).
    QByteArray bookmark;
    int position = -1;
    IgnoreFailure("a position the engine cannot tell is found again from the bookmark", [&] {
      bookmark = recordset_->Bookmark();
      position = recordset_->AbsolutePosition();
    });
    if (!bookmark.isEmpty()) {
      MoveToFound(bookmark, position);
      return true;
    }
  }

  if (!bookmarkable_) {
    // Row by row on a clone: the table's cursor moves only on a match.
    auto clone = recordset_->Clone();
    int pos = 0;
    bool found = false;
    IgnoreFailure("a search the engine cannot run finds nothing", [&] {
      clone->MoveFirst();
      while (!clone->Eof()) {
        if (RowMatches(*clone, keys, options)) {
          found = true;
          break;
        }
        clone->MoveNext();
        ++pos;
      }
    });
    IgnoreFailure("the search's copy is thrown away whatever its closing says", [&] { clone->Close(); });
    if (!found) return false;
    CheckBrowseMode();
    CursorPosChanged();
    DoBeforeScroll();
    recordset_->MoveFirst();
    recordset_->Move(pos);
    current_position_ = pos;
    Resync(vcl::rmExact | vcl::rmCenter);
    DoAfterScroll();
    return true;
  }

  std::shared_ptr<jet::Recordset> clone;
  bool found = false;
  if (recordset_->Type() == jet::dbOpenTable) {
    const vcl::TIndexDef *index = ChooseIndex(keys.fields);
    if (!index)
      Fail(QStringLiteral("Index Property is Empty!\r\nYou must set an index before using Locate with StandardTables"));
    const QStringList index_fields = index->FieldList();
    // Seek on the leading index fields that are keys; the others are
    // checked on the rows that follow.
    std::vector<rtl::Variant> seek_keys;
    KeySpec prefix;
    for (const QString &f : index_fields) {
      int at = -1;
      for (int j = 0; j < keys.fields.size() && at < 0; ++j)
        if (keys.fields[j].compare(f, Qt::CaseInsensitive) == 0) at = j;
      if (at < 0 || seek_keys.size() >= 13) break;
      rtl::Variant key = keys.values[static_cast<size_t>(at)];
      const int k = keys.field_index[static_cast<size_t>(at)];
      const ValueKind kind = KindOfFieldType(FieldDefs()[k]->DataType());
      if (kind == ValueKind::Date || kind == ValueKind::Time || kind == ValueKind::DateTime) {
        if (const std::optional<rtl::TDateTime> dt = KeyDateTime(key)) key = rtl::Variant::FromDate(*dt);
      }
      if (rtl::VarToStr(key) == QLatin1String("NULL")) key = rtl::Variant::Null();
      seek_keys.push_back(key);
      prefix.fields << keys.fields[at];
      prefix.values.push_back(keys.values[static_cast<size_t>(at)]);
      prefix.field_index.push_back(k);
    }
    const bool whole = static_cast<int>(seek_keys.size()) == index_fields.size() &&
                       keys.fields.size() == index_fields.size() && !(options & vcl::loPartialKey);
    clone = recordset_->Clone();
    clone->SetIndex(index->Name());
    IgnoreFailure("an empty copy has no first row: the seek finds nothing", [&] { clone->MoveFirst(); });
    if (seek_keys.empty()) {
      // The chosen index (by name) leads with a column that is not a key:
      // there is nothing to seek on, so every row is checked in turn.
      while (!clone->Eof() && !found) {
        found = RowMatches(*clone, keys, options);
        if (!found) clone->MoveNext();
      }
    } else {
      clone->Seek(whole ? QStringLiteral("=") : QStringLiteral(">="), seek_keys);
    }
    if (!seek_keys.empty() && !clone->NoMatch()) {
      // ">=" lands on the first row not below the keys; only rows that
      // still hold them count, never the next greater one.
      const vcl::TLocateOptions loose = options | vcl::loCaseInsensitive;
      while (!clone->Eof() && RowMatches(*clone, prefix, loose)) {
        if (RowMatches(*clone, keys, options)) {
          found = true;
          break;
        }
        clone->MoveNext();
      }
    }
  } else {
    const QString criteria = BuildLookupKeySQL(key_fields, key_values, options);
    clone = recordset_->Clone();
    IgnoreFailure("an empty copy has no first row: the search finds nothing", [&] { clone->MoveFirst(); });
    clone->FindFirst(criteria);
    found = FollowMatches(*clone, criteria, keys, options, true);
  }
  return FinishSearch(*clone, found);
}

// ---------------------------------------------------------------------------
// The find family.

bool TVuDaoTable::FindByKey(int direction, const QString &key_fields, const rtl::Variant &key_values,
                            vcl::TLocateOptions options) {
  if (!Active() || IsEmpty() || FilterEventActive()) return false;
  const KeySpec keys = SplitKeys(key_fields, key_values);
  if (State() == vcl::dsBrowse) UpdateCursorPos();
  if (!bookmarkable_) return false;
  const QString criteria = BuildLookupKeySQL(key_fields, key_values, options);
  auto clone = recordset_->Clone();
  IgnoreFailure("without the current row the search starts from the first", [&] {
    const QByteArray here = Rec(ActiveBuffer())->Bookmark;
    if (here.size() >= 4) clone->SetBookmark(here);
  });
  const bool forward = direction == kFirst || direction == kNext;
  switch (direction) {
    case kFirst:
      clone->FindFirst(criteria);
      break;
    case kLast:
      clone->FindLast(criteria);
      break;
    case kNext:
      clone->FindNext(criteria);
      break;
    default:
      clone->FindPrevious(criteria);
      break;
  }
  const bool found = FollowMatches(*clone, criteria, keys, options, forward);
  return FinishSearch(*clone, found);
}

bool TVuDaoTable::FindFirstByKey(const QString &f, const rtl::Variant &v, vcl::TLocateOptions o) {
  return FindByKey(kFirst, f, v, o);
}
bool TVuDaoTable::FindLastByKey(const QString &f, const rtl::Variant &v, vcl::TLocateOptions o) {
  return FindByKey(kLast, f, v, o);
}
bool TVuDaoTable::FindNextByKey(const QString &f, const rtl::Variant &v, vcl::TLocateOptions o) {
  return FindByKey(kNext, f, v, o);
}
bool TVuDaoTable::FindPriorByKey(const QString &f, const rtl::Variant &v, vcl::TLocateOptions o) {
  return FindByKey(kPrior, f, v, o);
}

void TVuDaoTable::SetFindRequest(const QString &key_fields, const rtl::Variant &key_values,
                                 vcl::TLocateOptions options) {
  find_fields_ = key_fields;
  find_values_ = key_values;
  find_options_ = options;
  find_stored_ = true;
}

bool TVuDaoTable::FindRecord(bool restart, bool go_forward) {
  if (!find_stored_ || find_values_.IsEmptyOrNull()) return false;
  const int direction = restart ? (go_forward ? kFirst : kLast) : (go_forward ? kNext : kPrior);
  return FindByKey(direction, find_fields_, find_values_, find_options_);
}

// ---------------------------------------------------------------------------
// Lookup.

rtl::Variant TVuDaoTable::Lookup(const QString &key_fields, const rtl::Variant &key_values,
                                 const QString &result_fields) {
  rtl::Variant result = rtl::Variant::Null();
  if (!Active() || IsEmpty()) return result;
  SplitKeys(key_fields, key_values);
  const QStringList results = SplitKeyFields(result_fields);
  if (results.isEmpty()) Fail(QStringLiteral("ResultFields are not defined"));
  std::vector<vcl::TField *> fields;
  bool calculated = false;
  for (const QString &name : results) {
    vcl::TField *f = FindField(name);
    if (!f && FieldDefs().IndexOf(name) < 0) Fail(QStringLiteral("Invalid field name: ") + name);
    fields.push_back(f);
    if (f && (f->FieldKind() == vcl::fkCalculated || f->FieldKind() == vcl::fkLookup)) calculated = true;
  }
  const QString criteria = BuildKeySQL(key_fields, key_values);
  const QString previous = recordset_->Filter();
  std::shared_ptr<jet::Recordset> found;
  recordset_->SetFilter(criteria);
  try {
    database_->Idle();
    found = recordset_->OpenRecordset(jet::dbOpenSnapshot, jet::dbDenyRead);
  } catch (...) {
    recordset_->SetFilter(previous);
    throw;
  }
  recordset_->SetFilter(previous);
  try {
    if (!(found->Bof() && found->Eof())) {
      found->MoveFirst();
      if (calculated) {
        vcl::TRecordBuffer temp = AllocRecordBuffer();
        try {
          ReadRecord(Rec(temp), false, found.get());
          GetCalcFields(temp);
          vcl::TRecordBuffer saved_filter = FilterBuffer();
          SetFilterBuffer(temp);
          const vcl::TDataSetState saved = SetTempState(vcl::dsFilter);
          std::vector<rtl::Variant> values;
          try {
            for (vcl::TField *f : fields) values.push_back(f ? f->Value() : rtl::Variant::Null());
          } catch (...) {
            RestoreState(saved);
            SetFilterBuffer(saved_filter);
            throw;
          }
          RestoreState(saved);
          SetFilterBuffer(saved_filter);
          result = values.size() == 1 ? values.front() : rtl::Variant(values);
        } catch (...) {
          FreeRecordBuffer(temp);
          throw;
        }
        FreeRecordBuffer(temp);
      } else if (results.size() == 1) {
        result = found->Fields(results.first()).Value();
      } else {
        std::vector<rtl::Variant> values;
        for (const QString &name : results) values.push_back(found->Fields(name).Value());
        result = rtl::Variant(values);
      }
    }
  } catch (...) {
    IgnoreFailure("the first failure is the one raised", [&] { found->Close(); });
    throw;
  }
  IgnoreFailure("the lookup's copy is thrown away whatever its closing says", [&] { found->Close(); });
  return result;
}

// ---------------------------------------------------------------------------
// Master-detail.

vcl::TDataSource *TVuDaoTable::MasterSource() const { return master_link_ ? master_link_->DataSource() : nullptr; }
vcl::TDataSource *TVuDaoTable::GetDataSource() const { return MasterSource(); }

void TVuDaoTable::SetMasterSource(vcl::TDataSource *source) {
  if (source == MasterSource()) return;
  if (source && (source->DataSet() == this || IsLinkedTo(source))) Fail(QStringLiteral("Circular links not allowed!"));
  master_link_->SetDataSource(source);
  if (!source) SetMasterFields({});
  if (Active()) ReopenRecordset();
}

void TVuDaoTable::SetMasterFields(const QStringList &lines) {
  master_fields_ = lines;
  detail_field_names_.clear();
  master_field_names_.clear();
  for (const FieldPair &p : ParseMasterFields(lines)) {
    detail_field_names_ << p.detail;
    master_field_names_ << p.master;
  }
  master_link_->SetFieldNames(master_field_names_.join(QLatin1Char(';')));
  if (Active()) ReopenRecordset();
}

QString TVuDaoTable::CombineFilter(const QString &detail) const {
  if (Filtered() && !Filter().isEmpty()) {
    if (detail.isEmpty()) return Filter();
    return QStringLiteral("(") + Filter() + QStringLiteral(") AND (") + detail + QStringLiteral(")");
  }
  return detail;
}

QString TVuDaoTable::BuildMasterDetailSQL() const {
  if (detail_field_names_.size() != master_field_names_.size())
    Fail(QStringLiteral("The number of Master and Detail fields must be equal!"));
  vcl::TDataSource *source = MasterSource();
  vcl::TDataSet *master = source ? source->DataSet() : nullptr;
  if (!master) return QString();
  QStringList terms;
  const QString failure = QStringLiteral("Unable to build Master/Detail SQL Relationship!");
  for (int i = 0; i < detail_field_names_.size(); ++i) {
    vcl::TField *m = master->FieldByName(master_field_names_[i]);
    // While opening, the definitions are not built yet: the engine's
    // column tells the type.
    ValueKind kind = ValueKind::Unknown;
    const int k = Defs().IndexOf(detail_field_names_[i]);
    if (k >= 0) {
      const bool guid = k < static_cast<int>(guid_fields_.size()) && guid_fields_[static_cast<size_t>(k)];
      kind = KindOfFieldType(Defs()[k]->DataType(), guid);
    } else if (jet::Field *column = recordset_ ? recordset_->GetFields().Find(detail_field_names_[i]) : nullptr) {
      const int type = column->Type() == jet::dbDate ? 23 : column->Type();
      kind = KindOfFieldType(MapEngineType(type), column->Type() == jet::dbGUID);
    } else {
      vcl::FieldNotFoundError(detail_field_names_[i], this);
    }
    rtl::Variant value = m->IsNull() ? rtl::Variant::Null() : m->Value();
    if (!value.IsNull() && (kind == ValueKind::Date || kind == ValueKind::Time || kind == ValueKind::DateTime))
      value = rtl::Variant::FromDate(m->AsDateTime());
    // A master text "NULL" is a value, not the null marker of key lists.
    if (kind == ValueKind::Text && !value.IsNull())
      terms << QStringLiteral("(") + BracketName(detail_field_names_[i], use_brackets_) + QStringLiteral(" = ") +
                   QuoteString(value.AsString()) + QStringLiteral(")");
    else
      terms << LookupTerm(detail_field_names_[i], kind, value, {}, use_brackets_, failure);
  }
  return JoinTerms(terms);
}

void TVuDaoTable::ApplyMasterDetail() {
  vcl::TDataSource *source = MasterSource();
  if (!source || !source->DataSet() || detail_field_names_.isEmpty()) return;
  vcl::TDataSet *master = source->DataSet();
  if (!master->Active() && master_auto_activate_) master->Open();
  if (!master->Active() || !source->Enabled()) return;
  // An SQL text with parameters named like the master fields takes their
  // values as parameters instead of a filter.
  if (!sql_.isEmpty()) {
    bool assigned = false;
    for (int i = 0; i < master_field_names_.size(); ++i)
      if (vcl::TParam *p = params_.FindParam(master_field_names_[i])) {
        vcl::TField *m = master->FindField(master_field_names_[i]);
        if (m && param_check_ && master->State() != vcl::dsSetKey) {
          if (p->DataType() == vcl::ftUnknown) p->SetDataType(m->DataType());
          p->SetValue(m->IsNull() ? rtl::Variant::Null() : m->Value());
          assigned = true;
        }
      }
    if (assigned) {
      auto reopened = database_->DaoDatabase()->OpenRecordset(SubstituteParams(sql_), table_type_,
                                                              OpenOptionBits(open_options_), lock_type_);
      IgnoreFailure("the reopened recordset replaces the old one whatever its closing says",
                    [&] { recordset_->Close(); });
      recordset_ = reopened;
      return;
    }
  }
  const QString condition = CombineFilter(BuildMasterDetailSQL());
  if (condition.isEmpty()) return;
  const int options = OpenOptionBits(open_options_);
  if (!table_name_.isEmpty()) {
    QString text = QStringLiteral("Select * From [") + table_name_ + QStringLiteral("] Where ") + condition;
    if (!sort_text_.isEmpty()) text += QStringLiteral(" Order By ") + sort_text_;
    text += QLatin1Char(';');
    const int type = table_type_ == jet::dbOpenTable ? jet::dbOpenDynaset : table_type_;
    auto detail = database_->DaoDatabase()->OpenRecordset(text, type, options, lock_type_);
    IgnoreFailure("the detail recordset replaces the old one whatever its closing says", [&] { recordset_->Close(); });
    recordset_ = detail;
  } else {
    recordset_->SetFilter(condition);
    base_recordset_ = recordset_;
    recordset_ =
        base_recordset_->OpenRecordset(table_type_ == jet::dbOpenTable ? jet::dbOpenDynaset : table_type_, options);
  }
}

void TVuDaoTable::MasterChanged() {
  if (!Active() || opening_ || IsDestroying()) return;
  if (!master_link_->Active() || detail_field_names_.isEmpty() || ControlsDisabled()) return;
  vcl::TDataSet *master = master_link_->DataSet();
  if (master && master->ControlsDisabled()) return;
  ReopenAfterChange(false);
}

void TVuDaoTable::MasterDisabled() {
  if (Active()) CheckBrowseMode();
}

}  // namespace dao
