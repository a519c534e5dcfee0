// The inside of a recordset, shared by the code that opens recordsets
// (database.cpp) and the code that moves and edits them (recordset.cpp).
#pragma once

#include <QHash>
#include <memory>
#include <string>
#include <vector>

#include "platform/jet/recordset.h"
#include "platform/jet/store.h"

namespace jet {

// The row ids of a set. A clone (every search of the data-access layer
// makes one) shares them with its original until one of the two changes
// its own: copying fifty thousand ids for a search costs more than the
// search.
class KeyList {
 public:
  using const_iterator = std::vector<std::int64_t>::const_iterator;

  size_t size() const { return data_ ? data_->size() : 0; }
  bool empty() const { return size() == 0; }
  std::int64_t operator[](size_t i) const { return (*data_)[i]; }
  std::int64_t back() const { return data_->back(); }
  const_iterator begin() const { return data_ ? data_->cbegin() : Empty().cbegin(); }
  const_iterator end() const { return data_ ? data_->cend() : Empty().cend(); }

  void push_back(std::int64_t key) { Own().push_back(key); }
  void reserve(size_t n) { Own().reserve(n); }
  void clear() { data_.reset(); }
  void erase_at(size_t i) {
    std::vector<std::int64_t> &own = Own();
    own.erase(own.begin() + static_cast<std::ptrdiff_t>(i));
  }

 private:
  static const std::vector<std::int64_t> &Empty() {
    static const std::vector<std::int64_t> none;
    return none;
  }
  std::vector<std::int64_t> &Own() {
    if (!data_) {
      data_ = std::make_shared<std::vector<std::int64_t>>();
    } else if (data_.use_count() > 1) {
      data_ = std::make_shared<std::vector<std::int64_t>>(*data_);
    }
    return *data_;
  }
  std::shared_ptr<std::vector<std::int64_t>> data_;
};

// The rows of a copy, packed: each value as its parts (see ColumnParts)
// in one buffer. A copy of a day's list keeps hundreds of rows of which a
// grid reads a screenful: values are made only for the rows read.
class PackedRows {
 public:
  // Appends the statement's current row (`count` columns from `offset`,
  // each read as its field's type).
  void Add(const detail::Stmt &st, int offset, const std::vector<FieldInfo> &infos);
  size_t size() const { return starts_.size(); }
  // Row `index`'s values.
  void Read(size_t index, size_t count, std::vector<rtl::Variant> &out) const;
  // The kind of the first value of `column` that is not Null (kNull when all are).
  detail::ColumnParts::Kind FirstKind(size_t column, size_t count) const;

 private:
  // Decodes the value at `at` and moves past it.
  detail::ColumnParts Next(size_t &at) const;
  std::string data_;
  std::vector<size_t> starts_;
};

struct Recordset::Impl {
  std::shared_ptr<detail::Store> store;
  int type = dbOpenDynaset;
  int options = 0;
  QString name;
  bool updatable = false;
  bool forward_only = false;
  bool closed = false;
  int max_records = 0;

  // Live: keys are row ids of `table`; key_sql lists them, source_sql has
  // "__rowid" as its first column and the fields after it (for Filter,
  // Sort and Find); row_sql reads one row by id.
  bool live = false;
  QString table;
  QString key_sql;
  QString source_sql;
  QString row_sql;
  bool row_sql_generic = false;  // row_sql is source_sql filtered by __rowid
  // Copy: data_sql gives the rows (its first `data_offset` columns
  // skipped), with copy_params. A copy larger than CopyRowsInMemory() goes
  // to a temporary SQLite table instead of memory, and is then read like a
  // live set over that table (`spill` keeps the table while any recordset
  // made from this one needs it).
  bool is_copy = false;
  QString data_sql;
  int data_offset = 0;
  std::vector<rtl::Variant> copy_params;
  std::shared_ptr<const PackedRows> rows;
  struct TempTable {
    std::shared_ptr<detail::Store> store;
    QString name;
    ~TempTable();
  };
  std::shared_ptr<TempTable> spill;

  std::vector<rtl::Variant> params;
  std::vector<FieldInfo> infos;
  std::vector<int> table_col;  // field -> column of `table`, -1 when computed
  std::vector<ColumnInfo> criteria_fields;

  // Table recordsets: the current index.
  struct IndexField {
    QString name;
    bool descending = false;
    FieldInfo info;
  };
  std::vector<IndexField> index_fields;
  QString order_terms = QStringLiteral("rowid");

  // The set and the cursor.
  KeyList keys;
  mutable QHash<std::int64_t, int> pos_of;
  mutable bool pos_valid = false;
  // Keys in ascending order (the usual case: row id order) are found by
  // binary search, without building the map.
  bool keys_sorted = true;
  int pos = -1;
  bool on_deleted = false;

  // The last row read (live recordsets).
  mutable std::int64_t cached_key = -1;
  mutable std::uint64_t cached_gen = 0;
  mutable std::uint64_t cached_epoch = 0;
  mutable std::vector<rtl::Variant> cached;
  // Rows read ahead of the cursor, in one statement for several ids: each
  // statement takes the file's lock, which costs more than reading a row.
  // Valid for the generation and refresh epoch they were read in.
  struct Batch {
    QHash<std::int64_t, size_t> index;  // id -> row of `rows`
    PackedRows rows;
    std::uint64_t gen = 0;
    std::uint64_t epoch = 0;
  };
  mutable std::shared_ptr<Batch> batch;
  mutable int last_read_pos = -1;
  bool ReadFromBatch(std::int64_t key) const;
  void ReadBatch() const;

  // Pending Edit / AddNew.
  int edit_mode = dbEditNone;
  std::vector<rtl::Variant> buf;
  std::vector<bool> changed;
  std::int64_t edit_key = 0;
  QByteArray last_modified;
  // The INSERT of the last Update and which fields it wrote: rows added one
  // after the other mostly write the same fields.
  QString insert_sql;
  std::vector<int> insert_columns;

  // Table recordsets show every row of their table: the generation of the
  // file that their key list matches, and the resync when others wrote.
  std::uint64_t known_gen = 0;
  void SyncTable();
  void NoteOwnWrite(std::uint64_t before);
  // Runs a bound write statement (reset afterwards, also when it fails) and
  // notes the write as this set's own; returns the rows it changed.
  int Write(detail::Stmt &st);

  // Set when the keys were taken from the recordset this one was opened
  // from, so that opening does not read them again.
  bool keys_taken = false;

  int Size() const;
  int PositionOf(std::int64_t key) const;
  void InvalidatePositions();
  void Append(std::int64_t key);
  void Fill();
  void LoadKeys();
  bool InRowIdOrder(const QString &order) const;
  void Spill();
  const std::vector<rtl::Variant> &CurrentRow() const;
};

namespace detail {
// Rows a copy keeps in memory before it moves to a temporary table; tests
// lower it.
int CopyRowsInMemory();
void SetCopyRowsInMemory(int rows);
}  // namespace detail

}  // namespace jet
