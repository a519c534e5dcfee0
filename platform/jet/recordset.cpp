// Recordsets: how each kind gets its rows, moves, finds, seeks and edits.
//
// A live recordset (table, or dynaset over one table) keeps only the row
// ids of its set, taken at open, and reads a row's values when the cursor
// reaches it, together with the rows that follow it the way the cursor
// moves; what was read is kept until anything writes to the file (here, or
// elsewhere and a refresh finds it). A snapshot keeps the values themselves. Positions are indexes into the key
// list; a bookmark is the key (row id, or row number + 1 in a snapshot) as
// four little-endian bytes, so clones understand each other's bookmarks.
#include "platform/jet/recordset.h"

#include <sqlite3.h>

#include <QHash>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/jet/recordset_impl.h"

namespace jet {

using detail::Raise;

namespace {

QByteArray KeyToBookmark(std::int64_t key) {
  QByteArray b(4, '\0');
  const auto k = static_cast<std::uint32_t>(key);
  for (int i = 0; i < 4; ++i) b[i] = static_cast<char>((k >> (8 * i)) & 0xff);
  return b;
}

bool BookmarkToKey(const QByteArray &b, std::int64_t &key) {
  if (b.size() < 4) return false;
  std::uint32_t k = 0;
  for (int i = 0; i < 4; ++i) k |= static_cast<std::uint32_t>(static_cast<unsigned char>(b[i])) << (8 * i);
  key = static_cast<std::int32_t>(k);
  return true;
}

[[noreturn]] void NoCurrent() {
  Raise(kErrNoCurrentRecord, QStringLiteral("No current record."), QStringLiteral("DAO.Recordset"));
}
[[noreturn]] void Deleted() {
  Raise(kErrRecordDeleted, QStringLiteral("Record is deleted."), QStringLiteral("DAO.Recordset"));
}
[[noreturn]] void ReadOnlyRs() {
  Raise(kErrReadOnly, QString::fromUtf8(kMsgReadOnly), QStringLiteral("DAO.Recordset"));
}
[[noreturn]] void Invalid(const QString &what) {
  Raise(kErrInvalidOperation, QStringLiteral("Operation is not supported for this type of object: %1.").arg(what),
        QStringLiteral("DAO.Recordset"));
}

}  // namespace

// ---- Impl -----------------------------------------------------------------------

int Recordset::Impl::Size() const { return static_cast<int>(keys.size()); }

void Recordset::Impl::InvalidatePositions() { pos_valid = false; }

int Recordset::Impl::PositionOf(std::int64_t key) const {
  if (keys_sorted) {
    const auto it = std::lower_bound(keys.begin(), keys.end(), key);
    return it != keys.end() && *it == key ? static_cast<int>(it - keys.begin()) : -1;
  }
  if (!pos_valid) {
    pos_of.clear();
    pos_of.reserve(static_cast<int>(keys.size()));
    for (int i = 0; i < Size(); ++i) pos_of.insert(keys[static_cast<size_t>(i)], i);
    pos_valid = true;
  }
  return pos_of.value(key, -1);
}

namespace detail {
namespace {
int copy_rows_in_memory = 20000;
int temp_counter = 0;
}  // namespace
int CopyRowsInMemory() { return copy_rows_in_memory; }
void SetCopyRowsInMemory(int rows) { copy_rows_in_memory = rows; }
}  // namespace detail

Recordset::Impl::TempTable::~TempTable() {
  if (store && store->IsOpen()) {
    const QByteArray sql = "DROP TABLE IF EXISTS temp." + detail::Store::Quote(name).toUtf8();
    sqlite3_exec(store->Db(), sql.constData(), nullptr, nullptr, nullptr);
  }
}

void Recordset::Impl::Spill() {
  const QString name = QStringLiteral("jet_copy_%1").arg(++detail::temp_counter);
  QStringList decls, cols;
  for (int i = 0; i < data_offset; ++i) decls << QStringLiteral("\"__skip%1\"").arg(i);
  for (size_t i = 0; i < infos.size(); ++i) {
    // Column names are the fields' names, so criteria read the same; a
    // repeated name gets a number.
    QString col = infos[i].name;
    for (int n = 2; cols.contains(detail::Store::Quote(col), Qt::CaseInsensitive); ++n)
      col = infos[i].name + QString::number(n);
    cols << detail::Store::Quote(col);
    FieldInfo f = infos[i];
    f.required = false;
    f.size = 0;
    decls << detail::Store::ColumnDecl(f, false).replace(QStringLiteral(" NOT NULL DEFAULT 0"), QString());
  }
  store->Exec(
      QStringLiteral("CREATE TEMP TABLE %1 (%2)").arg(detail::Store::Quote(name), decls.join(QStringLiteral(", "))));
  auto holder = std::make_shared<TempTable>();
  holder->store = store;
  holder->name = name;
  spill = holder;
  // Inserted in the query's order, so the row ids keep it.
  detail::Stmt st = store->Prepare(QStringLiteral("INSERT INTO temp.%1 %2").arg(detail::Store::Quote(name), data_sql));
  st.BindAll(copy_params);
  st.Step();
  if (max_records > 0)
    store->Exec(
        QStringLiteral("DELETE FROM temp.%1 WHERE rowid > %2").arg(detail::Store::Quote(name)).arg(max_records));
  live = true;
  table = name;
  params.clear();
  const QString list = cols.join(QStringLiteral(", "));
  row_sql = QStringLiteral("SELECT %1 FROM temp.%2 WHERE rowid = ?1").arg(list, detail::Store::Quote(name));
  row_sql_generic = false;
  source_sql = QStringLiteral("SELECT rowid AS __rowid, %1 FROM temp.%2").arg(list, detail::Store::Quote(name));
  key_sql = QStringLiteral("SELECT rowid FROM temp.%1 ORDER BY rowid").arg(detail::Store::Quote(name));
  criteria_fields.clear();
  for (size_t i = 0; i < infos.size(); ++i)
    criteria_fields.push_back(
        {cols[static_cast<int>(i)].mid(1, cols[static_cast<int>(i)].size() - 2), infos[i].type, infos[i].size});
}

namespace {

// A statement of the store's cache, reset when the work with it is over
// (done, stopped early or failed), so that it holds no read open.
class CachedStatement {
 public:
  CachedStatement(detail::Store &store, const QString &sql) : st_(store.Cached(sql)) {}
  ~CachedStatement() { st_.Reset(); }
  CachedStatement(const CachedStatement &) = delete;
  CachedStatement &operator=(const CachedStatement &) = delete;
  detail::Stmt *operator->() const { return &st_; }
  detail::Stmt &operator*() const { return st_; }

 private:
  detail::Stmt &st_;
};

}  // namespace

void Recordset::Impl::LoadKeys() {
  // Sets are opened again and again with the same statement (the day's
  // list after every sale): it is prepared once.
  const CachedStatement st(*store, key_sql);
  st->BindAll(params);
  while (st->Step()) {
    keys.push_back(st->Int(0));
    if (max_records > 0 && Size() >= max_records) break;
  }
}

void Recordset::Impl::Fill() {
  store->CheckOpen();
  keys.clear();
  InvalidatePositions();
  cached_key = -1;
  pos = -1;
  on_deleted = false;
  if (is_copy) {
    live = false;
    spill.reset();
    rows.reset();
  }
  if (live) {
    LoadKeys();
  } else {
    auto data = std::make_shared<PackedRows>();
    const size_t n = infos.size();
    bool too_big = false;
    {
      const CachedStatement st(*store, data_sql);
      st->BindAll(copy_params);
      while (st->Step()) {
        if (static_cast<int>(data->size()) >= detail::CopyRowsInMemory()) {
          too_big = true;
          break;
        }
        data->Add(*st, data_offset, infos);
        if (max_records > 0 && static_cast<int>(data->size()) >= max_records) break;
      }
    }
    // Computed columns the translator could not type take the type of
    // their first value.
    for (size_t i = 0; i < n; ++i) {
      FieldInfo &f = infos[i];
      if (f.type != kUnknownType) continue;
      switch (data->FirstKind(i, n)) {
        case detail::ColumnParts::kInteger:
        case detail::ColumnParts::kInt64:
          f.type = dbLong;
          break;
        case detail::ColumnParts::kDouble:
          f.type = dbDouble;
          break;
        case detail::ColumnParts::kBytes:
          f.type = dbLongBinary;
          break;
        default:
          f.type = dbText;
          break;
      }
      f.size = FieldInfo::DefaultSize(f.type);
    }
    if (too_big) {
      Spill();
      LoadKeys();
    } else {
      rows = data;
      keys.reserve(data->size());
      for (size_t i = 0; i < data->size(); ++i) keys.push_back(static_cast<std::int64_t>(i) + 1);
    }
  }
  keys_sorted = std::is_sorted(keys.begin(), keys.end());
  if (!keys.empty()) pos = 0;
  known_gen = store->Generation();
}

void Recordset::Impl::SyncTable() {
  if (type != dbOpenTable || !live || known_gen == store->Generation()) return;
  // Someone else wrote to the file: take the table's rows again and stay
  // on the same row when it is still there.
  const bool had_row = !on_deleted && pos >= 0 && pos < Size();
  const std::int64_t key = had_row ? keys[static_cast<size_t>(pos)] : 0;
  const int old_pos = pos;
  const bool at_end = pos >= Size();
  Fill();
  if (had_row) {
    const int p = PositionOf(key);
    pos = p >= 0 ? p : std::min(old_pos, Size());
  } else {
    pos = at_end ? Size() : -1;
  }
}

void Recordset::Impl::NoteOwnWrite(std::uint64_t before) {
  // Our own write keeps the key list right; anybody else's does not.
  if (known_gen == before) known_gen = store->Generation();
}

int Recordset::Impl::Write(detail::Stmt &st) {
  try {
    st.Step();
  } catch (...) {
    st.Reset();
    throw;
  }
  st.Reset();
  const int changes = sqlite3_changes(store->Db());
  const std::uint64_t before = store->Generation();
  store->Touch();
  NoteOwnWrite(before);
  return changes;
}

void Recordset::Impl::Append(std::int64_t key) {
  if (!keys.empty() && key <= keys.back()) keys_sorted = false;
  keys.push_back(key);
  if (pos_valid) pos_of.insert(key, Size() - 1);
}

const std::vector<rtl::Variant> &Recordset::Impl::CurrentRow() const {
  store->CheckOpen();
  if (on_deleted) Deleted();
  if (pos < 0 || pos >= Size()) NoCurrent();
  const std::int64_t key = keys[static_cast<size_t>(pos)];
  if (!live) {
    // A copy does not change: its row is made once while the cursor stays.
    if (cached_key != key) {
      rows->Read(static_cast<size_t>(key - 1), infos.size(), cached);
      cached_key = key;
    }
    return cached;
  }
  if (cached_key == key && cached_gen == store->Generation() && cached_epoch == detail::RefreshEpoch()) return cached;
  if (!row_sql_generic) {
    if (!ReadFromBatch(key)) {
      ReadBatch();
      ReadFromBatch(key);  // a row not found is read alone below, and reported deleted
    }
    last_read_pos = pos;
    if (cached_key == key) return cached;
  }
  detail::Stmt &st = store->Cached(row_sql);
  if (row_sql_generic) {
    st.BindAll(params);
    st.Bind(static_cast<int>(params.size()) + 1, rtl::Variant(static_cast<long long>(key)));
  } else {
    st.Bind(1, rtl::Variant(static_cast<long long>(key)));
  }
  if (!st.Step()) {
    st.Reset();
    Deleted();
  }
  const int offset = row_sql_generic ? 1 : 0;
  cached.assign(infos.size(), rtl::Variant());
  for (size_t i = 0; i < infos.size(); ++i) cached[i] = st.Value(static_cast<int>(i) + offset, infos[i].type);
  st.Reset();
  cached_key = key;
  cached_gen = store->Generation();
  cached_epoch = detail::RefreshEpoch();
  return cached;
}

namespace {

// Rows read ahead in one statement.
constexpr int kBatchRows = 64;

}  // namespace

bool Recordset::Impl::ReadFromBatch(std::int64_t key) const {
  if (!batch || batch->gen != store->Generation() || batch->epoch != detail::RefreshEpoch()) return false;
  const auto found = batch->index.constFind(key);
  if (found == batch->index.cend()) return false;
  batch->rows.Read(*found, infos.size(), cached);
  cached_key = key;
  cached_gen = batch->gen;
  cached_epoch = batch->epoch;
  return true;
}

// Reads the rows of the ids from the cursor on, in the way it moves (back
// when it went back), as "SELECT rowid, <the row's columns> FROM <table>
// WHERE rowid IN (...)".
void Recordset::Impl::ReadBatch() const {
  static const QString kOne = QStringLiteral(" WHERE rowid = ?1");
  static const QString kSelect = QStringLiteral("SELECT ");
  if (!row_sql.startsWith(kSelect) || !row_sql.endsWith(kOne)) return;
  static const QString kIn = [] {
    QStringList marks;
    for (int i = 1; i <= kBatchRows; ++i) marks << QStringLiteral("?%1").arg(i);
    return QStringLiteral(" WHERE rowid IN (%1)").arg(marks.join(QStringLiteral(", ")));
  }();
  const QString sql = QStringLiteral("SELECT rowid, ") +
                      row_sql.mid(kSelect.size(), row_sql.size() - kSelect.size() - kOne.size()) + kIn;
  const bool back = last_read_pos >= 0 && pos < last_read_pos;
  auto fresh = std::make_shared<Batch>();
  detail::Stmt &st = store->Cached(sql);
  for (int i = 0; i < kBatchRows; ++i) {
    const int p = back ? pos - i : pos + i;
    st.Bind(i + 1, p >= 0 && p < Size() ? rtl::Variant(static_cast<long long>(keys[static_cast<size_t>(p)]))
                                        : rtl::Variant::Null());
  }
  try {
    while (st.Step()) {
      fresh->index.insert(st.Int(0), fresh->rows.size());
      fresh->rows.Add(st, 1, infos);
    }
  } catch (...) {
    st.Reset();
    throw;
  }
  st.Reset();
  fresh->gen = store->Generation();
  fresh->epoch = detail::RefreshEpoch();
  batch = fresh;
}

// ---- Recordset ---------------------------------------------------------------------

Recordset::Recordset() = default;

Recordset::~Recordset() {
  for (const auto &f : fields_) f->owner_ = nullptr;
}

RecordsetPtr Recordset::Create(std::unique_ptr<Impl> impl) {
  RecordsetPtr rs(new Recordset);
  rs->d_ = std::move(impl);
  if (!rs->d_->keys_taken) rs->d_->Fill();
  rs->d_->keys_taken = false;
  rs->BuildFields();
  return rs;
}

void Recordset::BuildFields() {
  fields_.Clear();
  for (size_t i = 0; i < d_->infos.size(); ++i) {
    FieldInfo info = d_->infos[i];
    info.ordinal = static_cast<int>(i);
    const bool writable =
        d_->updatable && i < d_->table_col.size() && d_->table_col[i] >= 0 && !(info.attributes & dbAutoIncrField);
    if (writable)
      info.attributes |= dbUpdatableField;
    else
      info.attributes &= ~dbUpdatableField;
    auto field = std::make_shared<Field>(info);
    field->owner_ = this;
    field->index_ = static_cast<int>(i);
    fields_.Add(field);
  }
}

void Recordset::CheckOpen() const {
  if (!d_ || d_->closed)
    Raise(kErrObjectClosed, QString::fromLatin1(kMsgObjectClosed), QStringLiteral("DAO.Recordset"));
  d_->store->CheckOpen();
}

void Recordset::CheckCurrent() const {
  CheckOpen();
  if (d_->on_deleted) Deleted();
  if (d_->pos < 0 || d_->pos >= d_->Size()) NoCurrent();
}

int Recordset::Type() const { return d_->type; }
const QString &Recordset::Name() const { return d_->name; }
bool Recordset::Updatable() const { return d_->updatable; }
bool Recordset::IsOpen() const { return d_ && !d_->closed && d_->store->IsOpen(); }

void Recordset::Close() {
  if (d_) {
    d_->closed = true;
    d_->edit_mode = dbEditNone;
  }
}

bool Recordset::Bof() const {
  CheckOpen();
  if (d_->keys.empty()) return true;
  return !d_->on_deleted && d_->pos < 0;
}

bool Recordset::Eof() const {
  CheckOpen();
  if (d_->keys.empty()) return true;
  return !d_->on_deleted && d_->pos >= d_->Size();
}

bool Recordset::Bookmarkable() const { return d_ && !d_->forward_only; }

void Recordset::MoveFirst() {
  CheckOpen();
  d_->SyncTable();
  if (d_->forward_only && d_->pos > 0) Invalid(QStringLiteral("MoveFirst on a forward-only recordset"));
  d_->edit_mode = dbEditNone;
  d_->on_deleted = false;
  d_->pos = d_->keys.empty() ? -1 : 0;
  if (d_->keys.empty()) NoCurrent();
}

void Recordset::MoveLast() {
  CheckOpen();
  d_->SyncTable();
  d_->edit_mode = dbEditNone;
  d_->on_deleted = false;
  if (d_->keys.empty()) {
    d_->pos = -1;
    NoCurrent();
  }
  d_->pos = d_->Size() - 1;
}

void Recordset::MoveNext() {
  CheckOpen();
  d_->edit_mode = dbEditNone;
  if (d_->on_deleted) {
    d_->on_deleted = false;  // the next row slid into the deleted one's place
    return;
  }
  if (d_->pos >= d_->Size()) NoCurrent();
  ++d_->pos;
}

void Recordset::MovePrevious() {
  CheckOpen();
  if (d_->forward_only) Invalid(QStringLiteral("MovePrevious on a forward-only recordset"));
  d_->edit_mode = dbEditNone;
  if (d_->on_deleted) {
    d_->on_deleted = false;
    --d_->pos;
    return;
  }
  if (d_->pos < 0) NoCurrent();
  --d_->pos;
}

void Recordset::Move(int rows, const QByteArray &start) {
  CheckOpen();
  if (d_->forward_only && rows < 0) Invalid(QStringLiteral("Move backwards on a forward-only recordset"));
  d_->edit_mode = dbEditNone;
  int base = d_->pos;
  if (!start.isEmpty()) {
    std::int64_t key = 0;
    if (!BookmarkToKey(start, key) || d_->PositionOf(key) < 0)
      Raise(kErrNotBookmark, QStringLiteral("Not a valid bookmark."), QStringLiteral("DAO.Recordset"));
    base = d_->PositionOf(key);
  } else if (d_->on_deleted) {
    if (rows > 0) --rows;  // the deleted row's place is already the next row
  } else if (rows != 0 && (base < 0 || base >= d_->Size())) {
    NoCurrent();
  }
  d_->on_deleted = false;
  const long long target = static_cast<long long>(base) + rows;
  d_->pos = static_cast<int>(std::clamp<long long>(target, -1, d_->Size()));
}

int Recordset::RecordCount() const {
  CheckOpen();
  d_->SyncTable();
  if (d_->forward_only) return std::min(d_->pos + 1, d_->Size());
  return d_->Size();
}

int Recordset::AbsolutePosition() const {
  CheckOpen();
  if (d_->on_deleted || d_->pos < 0 || d_->pos >= d_->Size()) return -1;
  return d_->pos;
}

void Recordset::SetAbsolutePosition(int position) {
  CheckOpen();
  if (position < 0 || position >= d_->Size())
    Raise(kErrInvalidArgument, QStringLiteral("Invalid argument."), QStringLiteral("DAO.Recordset"));
  d_->edit_mode = dbEditNone;
  d_->on_deleted = false;
  d_->pos = position;
}

double Recordset::PercentPosition() const {
  CheckOpen();
  if (d_->keys.empty() || d_->pos < 0) return 0;
  if (d_->pos >= d_->Size()) return 100;
  if (d_->Size() == 1) return 0;
  return 100.0 * d_->pos / (d_->Size() - 1);
}

void Recordset::SetPercentPosition(double percent) {
  CheckOpen();
  if (percent < 0 || percent > 100 || std::isnan(percent))
    Raise(kErrInvalidArgument, QStringLiteral("Invalid argument."), QStringLiteral("DAO.Recordset"));
  if (d_->keys.empty()) NoCurrent();
  d_->on_deleted = false;
  d_->pos = static_cast<int>(std::lround(percent / 100.0 * (d_->Size() - 1)));
}

QByteArray Recordset::Bookmark() const {
  CheckCurrent();
  if (d_->edit_mode == dbEditAdd) NoCurrent();
  return KeyToBookmark(d_->keys[static_cast<size_t>(d_->pos)]);
}

void Recordset::SetBookmark(const QByteArray &bookmark) {
  CheckOpen();
  std::int64_t key = 0;
  if (!BookmarkToKey(bookmark, key))
    Raise(kErrNotBookmark, QStringLiteral("Not a valid bookmark."), QStringLiteral("DAO.Recordset"));
  int p = d_->PositionOf(key);
  if (p < 0) {
    // A row this recordset no longer lists: deleted, or never one of its rows.
    if (d_->live) {
      detail::Stmt &st =
          d_->store->Cached(QStringLiteral("SELECT 1 FROM %1 WHERE rowid = ?1").arg(detail::Store::Quote(d_->table)));
      st.Bind(1, rtl::Variant(static_cast<long long>(key)));
      const bool exists = st.Step();
      st.Reset();
      if (!exists) Deleted();
      if (d_->type == dbOpenTable) {
        // A table recordset shows every row of its table, also those added
        // through other recordsets since it opened.
        d_->Append(key);
        p = d_->Size() - 1;
      }
    }
    if (p < 0) Raise(kErrNotBookmark, QStringLiteral("Not a valid bookmark."), QStringLiteral("DAO.Recordset"));
  }
  d_->edit_mode = dbEditNone;
  d_->on_deleted = false;
  d_->pos = p;
  if (d_->live) d_->CurrentRow();  // a row deleted elsewhere is reported now (3167)
}

QByteArray Recordset::LastModified() const {
  CheckOpen();
  if (d_->last_modified.isEmpty())
    Raise(kErrNoCurrentRecord, QStringLiteral("No current record."), QStringLiteral("DAO.Recordset"));
  return d_->last_modified;
}

rtl::Variant Recordset::ValueAt(int field) const {
  CheckOpen();
  if (d_->edit_mode != dbEditNone) return d_->buf[static_cast<size_t>(field)];
  return d_->CurrentRow()[static_cast<size_t>(field)];
}

void Recordset::SetValueAt(int field, const rtl::Variant &value) {
  CheckOpen();
  if (d_->edit_mode == dbEditNone)
    Raise(kErrUpdateWithoutEdit, QStringLiteral("Update or CancelUpdate without AddNew or Edit."),
          QStringLiteral("DAO.Field"));
  const FieldInfo &info = fields_.Item(field).Info();
  if (!(info.attributes & dbUpdatableField))
    Raise(3164, QStringLiteral("Field '%1' cannot be updated.").arg(info.name), QStringLiteral("DAO.Field"));
  d_->buf[static_cast<size_t>(field)] = detail::ConvertForField(value, info);
  d_->changed[static_cast<size_t>(field)] = true;
}

// ---- derived recordsets ---------------------------------------------------------

RecordsetPtr Recordset::Clone() {
  CheckOpen();
  auto impl = std::make_unique<Impl>(*d_);
  impl->pos = -1;
  impl->on_deleted = false;
  impl->edit_mode = dbEditNone;
  impl->cached_key = -1;
  impl->last_modified.clear();
  RecordsetPtr rs(new Recordset);
  rs->d_ = std::move(impl);
  rs->BuildFields();
  rs->index_ = index_;
  return rs;
}

// Whether `order` (an ORDER BY clause) lists this table set's rows in the
// order its ids are already in: all the rows of one table, read since the
// last write, by its counter ascending.
bool Recordset::Impl::InRowIdOrder(const QString &order) const {
  if (!live || type == dbOpenTable || order.isEmpty() || !keys_sorted || known_gen != store->Generation()) return false;
  const detail::TableInfo *t = store->FindTable(table);
  if (t == nullptr ||
      key_sql != QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid").arg(detail::Store::Quote(t->name)))
    return false;
  for (const FieldInfo &f : infos) {
    if (!(f.attributes & dbAutoIncrField)) continue;
    const QString name = QStringLiteral("[%1]").arg(f.name);
    return order == QStringLiteral(" ORDER BY ") + TranslateSort(name, criteria_fields) ||
           order == QStringLiteral(" ORDER BY ") + TranslateSort(name + QStringLiteral(" ASC"), criteria_fields);
  }
  return false;
}

RecordsetPtr Recordset::OpenRecordset(int type, int options) {
  CheckOpen();
  return Create(Derived(*d_, filter_, sort_, type, options));
}

std::unique_ptr<Recordset::Impl> Recordset::Derived(const Impl &base_set, const QString &filter, const QString &sort,
                                                    int type, int options) {
  if (type == dbOpenDefault) type = base_set.type == dbOpenTable ? dbOpenDynaset : base_set.type;
  if (type == dbOpenTable) Invalid(QStringLiteral("a table recordset opened from a recordset"));
  QString where, order;
  if (!filter.trimmed().isEmpty())
    where = QStringLiteral(" WHERE ") + TranslateCriteria(filter, base_set.criteria_fields);
  if (!sort.trimmed().isEmpty()) order = QStringLiteral(" ORDER BY ") + TranslateSort(sort, base_set.criteria_fields);
  auto impl = std::make_unique<Impl>(base_set);
  impl->type = type;
  impl->options = options;
  impl->forward_only = type == dbOpenForwardOnly || (options & dbForwardOnly);
  impl->edit_mode = dbEditNone;
  impl->last_modified.clear();
  impl->rows.reset();
  const QString base = base_set.live ? base_set.source_sql : base_set.data_sql;
  QString derived = QStringLiteral("SELECT * FROM (%1)%2%3").arg(base, where, order);
  // Rows that sort alike keep the order the copy's statement gives them,
  // as when its rows are sorted: numbered as they come, after the filter.
  const bool numbered = !base_set.live && !order.isEmpty();
  if (numbered)
    derived = QStringLiteral("SELECT * FROM (SELECT row_number() OVER () AS __pos, * FROM (%1)%2)%3, __pos")
                  .arg(base, where, order);
  if (base_set.live && type == dbOpenDynaset) {
    impl->is_copy = false;
    impl->source_sql = derived;
    // Only the ids are needed; the ORDER BY stays on the outer statement.
    impl->key_sql = QStringLiteral("SELECT __rowid FROM (%1)%2%3").arg(base, where, order);
    impl->updatable = base_set.updatable && !(options & dbReadOnly);
    if (where.isEmpty() && base_set.InRowIdOrder(order)) {
      // The whole table sorted by its counter, which is its row id, is the
      // set this one already has in the same order (a journal of a million
      // rows opened sorted by its counter reads its ids once).
      impl->keys_taken = true;
      impl->pos = impl->keys.empty() ? -1 : 0;
      impl->on_deleted = false;
      impl->cached_key = -1;
    }
  } else {
    impl->live = false;
    impl->is_copy = true;
    impl->copy_params = base_set.params;
    impl->updatable = false;
    impl->data_sql = derived;
    // The row ids and numbers stay out of the copy's fields.
    impl->data_offset = (base_set.live ? 1 : base_set.data_offset) + (numbered ? 1 : 0);
  }
  return impl;
}

RecordsetPtr Recordset::Create(std::unique_ptr<Impl> impl, const RowSelection &selection, int type, int options) {
  if (selection.IsEmpty()) return Create(std::move(impl));
  // A copy is narrowed in its own statement, which is what the recordset
  // made from a copy kept in memory runs too. A copy moved to a temporary
  // table reads the same there, unless its rows decide its fields (a type
  // only the first value gives, two fields of one name) or a row limit
  // applies before the filter: such a copy is taken whole first.
  bool direct = impl->is_copy && !impl->live && impl->max_records == 0;
  QSet<QString> names;
  for (const FieldInfo &f : impl->infos) {
    const QString name = f.name.toLower();
    if (f.type == kUnknownType || names.contains(name)) direct = false;
    names.insert(name);
  }
  if (direct) return Create(Derived(*impl, selection.filter, selection.sort, type, options));
  RecordsetPtr base = Create(std::move(impl));
  base->SetFilter(selection.filter);
  base->SetSort(selection.sort);
  RecordsetPtr narrowed = base->OpenRecordset(type, options);
  base->Close();
  return narrowed;
}

void Recordset::Requery() {
  CheckOpen();
  d_->edit_mode = dbEditNone;
  d_->Fill();
  if (!d_->index_fields.empty()) SetIndex(index_);
}

// ---- index and seek ---------------------------------------------------------------

void Recordset::SetIndex(const QString &index_name) {
  CheckOpen();
  if (d_->type != dbOpenTable) Invalid(QStringLiteral("Index is for table recordsets"));
  const detail::TableInfo *t = d_->store->FindTable(d_->table);
  if (!t) Raise(kErrTableNotFound, QStringLiteral("Tabella «%1» non trovata.").arg(d_->table));
  QString order = QStringLiteral("rowid");
  d_->index_fields.clear();
  if (!index_name.isEmpty()) {
    const detail::IndexInfo *idx = t->FindIndex(index_name);
    if (!idx)
      Raise(3800, QStringLiteral("'%1' is not an index in this table.").arg(index_name),
            QStringLiteral("DAO.Recordset"));
    QStringList terms;
    for (const auto &[name, desc] : idx->fields) {
      const int c = t->Column(name);
      d_->index_fields.push_back({t->columns[static_cast<size_t>(c)].name, desc, t->columns[static_cast<size_t>(c)]});
      terms << detail::Store::Quote(t->columns[static_cast<size_t>(c)].name) +
                   (desc ? QStringLiteral(" DESC") : QString());
    }
    order = terms.join(QStringLiteral(", ")) + QStringLiteral(", rowid");
  }
  index_ = index_name;
  d_->key_sql = QStringLiteral("SELECT rowid FROM %1 ORDER BY %2").arg(detail::Store::Quote(d_->table), order);
  d_->order_terms = order;
  d_->edit_mode = dbEditNone;
  d_->Fill();
}

void Recordset::Seek(const QString &comparison, const std::vector<rtl::Variant> &keys) {
  CheckOpen();
  if (d_->type != dbOpenTable) Invalid(QStringLiteral("Seek is for table recordsets"));
  if (d_->index_fields.empty())
    Raise(3019, QStringLiteral("Operation invalid without a current index."), QStringLiteral("DAO.Recordset"));
  const QString op = comparison.trimmed();
  if (op != QLatin1String("=") && op != QLatin1String(">=") && op != QLatin1String(">") && op != QLatin1String("<=") &&
      op != QLatin1String("<"))
    Raise(kErrInvalidArgument, QStringLiteral("Invalid argument: the comparison '%1'.").arg(comparison));
  const int n = static_cast<int>(keys.size());
  if (n < 1 || n > 13 || n > static_cast<int>(d_->index_fields.size()))
    Raise(kErrInvalidArgument,
          QStringLiteral("Seek takes 1 to %1 key values for this index.").arg(d_->index_fields.size()));
  d_->edit_mode = dbEditNone;
  std::vector<rtl::Variant> values;
  for (int i = 0; i < n; ++i) {
    const auto &f = d_->index_fields[static_cast<size_t>(i)];
    rtl::Variant v = keys[static_cast<size_t>(i)];
    if (!v.IsEmptyOrNull()) {
      FieldInfo wide = f.info;
      wide.size = 0;  // a longer key simply finds nothing
      v = detail::ConvertForField(v, wide);
    }
    values.push_back(v);
  }
  // The keys compare in the index's order: a lexicographic condition where a
  // descending column turns "greater" into "smaller".
  auto col = [&](int i) { return detail::Store::Quote(d_->index_fields[static_cast<size_t>(i)].name); };
  auto eq = [&](int i) {
    return values[static_cast<size_t>(i)].IsEmptyOrNull() ? col(i) + QStringLiteral(" IS NULL")
                                                          : col(i) + QStringLiteral(" = ?%1").arg(i + 1);
  };
  const bool forward = op.startsWith(QLatin1Char('>')) || op == QLatin1String("=");
  QString cond;
  if (op == QLatin1String("=")) {
    QStringList all;
    for (int i = 0; i < n; ++i) all << eq(i);
    cond = all.join(QStringLiteral(" AND "));
  } else {
    const bool strict = op.size() == 1;
    QStringList alternatives;
    for (int k = 0; k < n; ++k) {
      if (values[static_cast<size_t>(k)].IsEmptyOrNull()) continue;
      QStringList terms;
      for (int i = 0; i < k; ++i) terms << eq(i);
      const bool desc = d_->index_fields[static_cast<size_t>(k)].descending;
      const bool greater = forward != desc;
      terms << col(k) + (greater ? QStringLiteral(" > ?%1") : QStringLiteral(" < ?%1")).arg(k + 1);
      alternatives << QLatin1Char('(') + terms.join(QStringLiteral(" AND ")) + QLatin1Char(')');
    }
    if (!strict) {
      QStringList all;
      for (int i = 0; i < n; ++i) all << eq(i);
      alternatives << QLatin1Char('(') + all.join(QStringLiteral(" AND ")) + QLatin1Char(')');
    }
    cond = alternatives.isEmpty() ? QStringLiteral("0") : alternatives.join(QStringLiteral(" OR "));
  }
  QString order = d_->order_terms;
  if (!forward) {
    // Backwards: the last row in index order that satisfies the condition.
    QStringList rev;
    for (const auto &f : d_->index_fields)
      rev << detail::Store::Quote(f.name) + (f.descending ? QStringLiteral(" ASC") : QStringLiteral(" DESC"));
    rev << QStringLiteral("rowid DESC");
    order = rev.join(QStringLiteral(", "));
  }
  detail::Stmt &st = d_->store->Cached(QStringLiteral("SELECT rowid FROM %1 WHERE %2 ORDER BY %3 LIMIT 1")
                                           .arg(detail::Store::Quote(d_->table), cond, order));
  for (int i = 0; i < n; ++i)
    if (!values[static_cast<size_t>(i)].IsEmptyOrNull()) st.Bind(i + 1, values[static_cast<size_t>(i)]);
  const bool found = st.Step();
  const std::int64_t key = found ? st.Int(0) : 0;
  st.Reset();
  no_match_ = !found;
  if (!found) return;
  int p = d_->PositionOf(key);
  if (p < 0) {
    d_->Append(key);
    p = d_->Size() - 1;
  }
  d_->on_deleted = false;
  d_->pos = p;
}

// ---- find ------------------------------------------------------------------------

void Recordset::FindFirst(const QString &criteria) { Find(Dir::First, criteria); }
void Recordset::FindLast(const QString &criteria) { Find(Dir::Last, criteria); }
void Recordset::FindNext(const QString &criteria) { Find(Dir::Next, criteria); }
void Recordset::FindPrevious(const QString &criteria) { Find(Dir::Previous, criteria); }

void Recordset::Find(Dir dir, const QString &criteria) {
  CheckOpen();
  if (d_->type == dbOpenTable) Invalid(QStringLiteral("Find on a table recordset (use Seek)"));
  if (d_->forward_only) Invalid(QStringLiteral("Find on a forward-only recordset"));
  const QString expr = TranslateCriteria(criteria, d_->criteria_fields);
  d_->edit_mode = dbEditNone;
  const int size = d_->Size();
  // Where the search starts and which way it goes.
  int from = 0;
  bool up = true;
  switch (dir) {
    case Dir::First:
      from = 0;
      break;
    case Dir::Last:
      from = size - 1;
      up = false;
      break;
    case Dir::Next:
      from = d_->on_deleted ? d_->pos : d_->pos + 1;
      if (d_->pos < 0) from = 0;
      break;
    case Dir::Previous:
      from = d_->pos - 1;
      if (d_->pos >= size) from = size - 1;
      up = false;
      break;
  }
  int found = -1;
  if (d_->live) {
    // The rows that match, by key; then the nearest one in this set's order.
    detail::Stmt st = d_->store->Prepare(QStringLiteral("SELECT __rowid FROM (%1) WHERE %2").arg(d_->source_sql, expr));
    st.BindAll(d_->params);
    while (st.Step()) {
      const int p = d_->PositionOf(st.Int(0));
      if (p < 0) continue;
      if (up ? (p >= from && (found < 0 || p < found)) : (p <= from && p > found)) found = p;
    }
  } else {
    // A copy: each row's values go through the condition in SQLite, so the
    // criteria mean exactly what they mean in a query.
    QStringList cols;
    for (size_t i = 0; i < d_->infos.size(); ++i) {
      const FieldInfo &f = d_->infos[i];
      QString p = QStringLiteral("?%1").arg(i + 1);
      if (f.type == dbText || f.type == dbMemo)
        p = QStringLiteral("CAST(%1 AS TEXT) COLLATE %2").arg(p, QLatin1String(kCollationName));
      cols << p + QStringLiteral(" AS ") + detail::Store::Quote(f.name);
    }
    detail::Stmt st = d_->store->Prepare(
        QStringLiteral("SELECT 1 FROM (SELECT %1) WHERE %2").arg(cols.join(QStringLiteral(", ")), expr));
    std::vector<rtl::Variant> row;
    for (int p = from; p >= 0 && p < size; p += up ? 1 : -1) {
      d_->rows->Read(static_cast<size_t>(d_->keys[static_cast<size_t>(p)] - 1), d_->infos.size(), row);
      st.Reset();
      st.BindAll(row);
      if (st.Step()) {
        found = p;
        break;
      }
    }
  }
  no_match_ = found < 0;
  if (found >= 0) {
    d_->pos = found;
    d_->on_deleted = false;
  }
}

// ---- editing --------------------------------------------------------------------

int Recordset::EditMode() const { return d_ ? d_->edit_mode : dbEditNone; }

void Recordset::Edit() {
  CheckCurrent();
  if (!d_->updatable) ReadOnlyRs();
  const auto &row = d_->CurrentRow();
  d_->buf = row;
  d_->changed.assign(row.size(), false);
  d_->edit_key = d_->keys[static_cast<size_t>(d_->pos)];
  d_->edit_mode = dbEditInProgress;
}

void Recordset::AddNew() {
  CheckOpen();
  if (!d_->updatable) ReadOnlyRs();
  const detail::TableInfo *t = d_->store->FindTable(d_->table);
  if (!t) Raise(kErrTableNotFound, QStringLiteral("Tabella «%1» non trovata.").arg(d_->table));
  d_->buf.assign(d_->infos.size(), rtl::Variant::Null());
  d_->changed.assign(d_->infos.size(), false);
  d_->edit_key = 0;
  for (size_t i = 0; i < d_->infos.size(); ++i) {
    const int c = d_->table_col[i];
    if (c < 0) continue;
    const FieldInfo &col = t->columns[static_cast<size_t>(c)];
    if (c == t->rowid_column) {
      d_->edit_key = d_->store->NextRowId(t->name);
      d_->buf[i] = rtl::Variant(static_cast<int>(d_->edit_key));
    } else {
      d_->buf[i] = detail::EvaluateDefault(*d_->store, col);
      if (!d_->buf[i].IsNull()) d_->changed[i] = true;
    }
  }
  d_->edit_mode = dbEditAdd;
}

void Recordset::CancelUpdate() {
  CheckOpen();
  if (d_->edit_mode == dbEditNone)
    Raise(kErrUpdateWithoutEdit, QStringLiteral("Update or CancelUpdate without AddNew or Edit."),
          QStringLiteral("DAO.Recordset"));
  d_->edit_mode = dbEditNone;
  d_->buf.clear();
  d_->changed.clear();
}

void Recordset::Update() {
  CheckOpen();
  if (d_->edit_mode == dbEditNone)
    Raise(kErrUpdateWithoutEdit, QStringLiteral("Update or CancelUpdate without AddNew or Edit."),
          QStringLiteral("DAO.Recordset"));
  const detail::TableInfo *t = d_->store->FindTable(d_->table);
  if (!t) Raise(kErrTableNotFound, QStringLiteral("Tabella «%1» non trovata.").arg(d_->table));
  detail::Store &store = *d_->store;
  const QString table = detail::Store::Quote(t->name);
  if (d_->edit_mode == dbEditAdd) {
    std::vector<int> columns;
    std::vector<rtl::Variant> values;
    std::vector<bool> written(t->columns.size(), false);
    for (size_t i = 0; i < d_->infos.size(); ++i) {
      const int c = d_->table_col[i];
      if (c < 0 || written[static_cast<size_t>(c)]) continue;
      if (!d_->changed[i] && c != t->rowid_column) continue;
      written[static_cast<size_t>(c)] = true;
      columns.push_back(c);
      values.push_back(d_->buf[i]);
    }
    // Columns this recordset does not show still get their defaults.
    for (size_t c = 0; c < t->columns.size(); ++c) {
      if (written[c] || static_cast<int>(c) == t->rowid_column) continue;
      if (t->columns[c].default_value.isEmpty() && t->columns[c].type != dbBoolean) continue;
      const rtl::Variant v = detail::EvaluateDefault(store, t->columns[c]);
      if (v.IsNull()) continue;
      columns.push_back(static_cast<int>(c));
      values.push_back(v);
    }
    if (d_->insert_sql.isEmpty() || columns != d_->insert_columns) {
      QStringList cols, marks;
      for (size_t i = 0; i < columns.size(); ++i) {
        cols << detail::Store::Quote(t->columns[static_cast<size_t>(columns[i])].name);
        marks << QStringLiteral("?%1").arg(i + 1);
      }
      d_->insert_sql = cols.isEmpty()
                           ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
                           : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                 .arg(table, cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
      d_->insert_columns = columns;
    }
    detail::Stmt &st = store.Cached(d_->insert_sql);
    st.BindAll(values);
    d_->Write(st);
    const std::int64_t key = sqlite3_last_insert_rowid(store.Db());
    d_->Append(key);  // added rows go at the end of the set
    d_->last_modified = KeyToBookmark(key);
  } else {
    QStringList sets;
    std::vector<rtl::Variant> values;
    for (size_t i = 0; i < d_->infos.size(); ++i) {
      if (!d_->changed[i] || d_->table_col[i] < 0) continue;
      sets << QStringLiteral("%1 = ?%2")
                  .arg(detail::Store::Quote(t->columns[static_cast<size_t>(d_->table_col[i])].name))
                  .arg(values.size() + 1);
      values.push_back(d_->buf[i]);
    }
    if (!sets.isEmpty()) {
      values.push_back(rtl::Variant(static_cast<long long>(d_->edit_key)));
      detail::Stmt &st = store.Cached(QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?%3")
                                          .arg(table, sets.join(QStringLiteral(", ")))
                                          .arg(values.size()));
      st.BindAll(values);
      if (d_->Write(st) == 0) {
        d_->edit_mode = dbEditNone;
        Deleted();
      }
    }
    d_->last_modified = KeyToBookmark(d_->edit_key);
  }
  d_->edit_mode = dbEditNone;
  d_->buf.clear();
  d_->changed.clear();
}

void Recordset::Delete() {
  CheckCurrent();
  if (!d_->updatable) ReadOnlyRs();
  d_->edit_mode = dbEditNone;
  const std::int64_t key = d_->keys[static_cast<size_t>(d_->pos)];
  detail::Stmt &st =
      d_->store->Cached(QStringLiteral("DELETE FROM %1 WHERE rowid = ?1").arg(detail::Store::Quote(d_->table)));
  st.Bind(1, rtl::Variant(static_cast<long long>(key)));
  const int changes = d_->Write(st);
  d_->keys.erase_at(static_cast<size_t>(d_->pos));
  d_->InvalidatePositions();
  d_->on_deleted = true;
  if (changes == 0) Deleted();
}

// ---- Field value access -------------------------------------------------------

namespace {
Recordset &OwnerOf(Recordset *owner) {
  if (!owner)
    Raise(kErrInvalidOperation, QStringLiteral("Invalid operation: the field belongs to no open recordset."),
          QStringLiteral("DAO.Field"));
  return *owner;
}
}  // namespace

rtl::Variant Field::Value() const { return OwnerOf(owner_).ValueAt(index_); }

void Field::SetValue(const rtl::Variant &value) { OwnerOf(owner_).SetValueAt(index_, value); }

int Field::FieldSize() const {
  const rtl::Variant v = Value();
  if (v.IsNull()) return 0;
  if (v.Type() == rtl::VarType::Bytes) return static_cast<int>(v.AsBytes().size());
  return static_cast<int>(v.AsString().toUtf8().size());
}

QByteArray Field::GetChunk(int offset, int bytes) const {
  const rtl::Variant v = Value();
  if (v.IsNull()) return {};
  const QByteArray data = v.Type() == rtl::VarType::Bytes ? v.AsBytes() : v.AsString().toUtf8();
  if (offset < 0 || bytes < 0)
    detail::Raise(kErrInvalidArgument, QStringLiteral("Invalid argument."), QStringLiteral("DAO.Field"));
  return data.mid(offset, bytes);
}

void Field::AppendChunk(const QByteArray &data) {
  Recordset &rs = OwnerOf(owner_);
  const rtl::Variant old = rs.ValueAt(index_);
  if (info_.type == dbMemo || info_.type == dbText)
    SetValue(rtl::VarToStr(old) + QString::fromUtf8(data));
  else
    SetValue(rtl::Variant((old.IsNull() ? QByteArray() : old.AsBytes()) + data));
}

}  // namespace jet
