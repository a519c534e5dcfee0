// A recordset of the database engine: rows of a table, of a stored query or
// of SQL text, walked with a cursor. Four kinds:
// - table (dbOpenTable): every row of one table, in the order of the chosen
//   `Index`; `Seek` finds rows by the index's keys;
// - dynaset: the set of rows is fixed when it opens (their row ids), the
//   values are read live, so changes made elsewhere show; rows it adds go at
//   its end; a row deleted elsewhere raises 3167 when it is reached.
//   Editable when it reads one table;
// - snapshot: a copy taken at open, read only;
// - forward-only: a snapshot that only moves forward.
// A bookmark is a 4-byte array holding the row's id; clones share them.
#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

#include "platform/jet/field.h"
#include "platform/rtl/variant.h"

namespace jet {

namespace detail {
class Store;
struct RecordsetDef;
}  // namespace detail

class Recordset;
using RecordsetPtr = std::shared_ptr<Recordset>;

// Criteria and a sort order (the texts of a recordset's Filter and Sort)
// given when a recordset opens: the recordset opened is the one that
// setting them on the recordset of the source and opening a recordset from
// it would give, of the same type and options, but a snapshot copies only
// the rows that pass instead of the whole source first.
struct RowSelection {
  QString filter;
  QString sort;
  bool IsEmpty() const { return filter.trimmed().isEmpty() && sort.trimmed().isEmpty(); }
};

class Recordset : public std::enable_shared_from_this<Recordset> {
 public:
  ~Recordset();
  Recordset(const Recordset &) = delete;
  Recordset &operator=(const Recordset &) = delete;

  int Type() const;
  const QString &Name() const;  // the source: table name, query name or SQL
  bool Updatable() const;
  bool Bookmarkable() const;  // all but forward-only
  bool IsOpen() const;
  void Close();

  // Cursor.
  // At the start / at the end (the engine's BOF and EOF).
  bool Bof() const;
  bool Eof() const;
  void MoveFirst();
  void MoveLast();
  void MoveNext();
  void MovePrevious();
  // Moves `rows` from the current row, or from `start` when a bookmark is given.
  void Move(int rows, const QByteArray &start = {});
  // Rows of the set (less the ones this recordset deleted); -1 for
  // forward-only recordsets.
  int RecordCount() const;
  int AbsolutePosition() const;  // 0-based; -1 at BOF/EOF
  void SetAbsolutePosition(int position);
  double PercentPosition() const;
  void SetPercentPosition(double percent);
  QByteArray Bookmark() const;
  void SetBookmark(const QByteArray &bookmark);
  QByteArray LastModified() const;

  // Fields of the current row.
  jet::Fields &GetFields() { return fields_; }
  Field &Fields(int index) { return fields_.Item(index); }
  Field &Fields(const QString &name) { return fields_.Item(name); }
  int FieldCount() const { return fields_.Count(); }

  // Sort and Filter take effect in the recordset that OpenRecordset makes
  // from this one.
  const QString &Sort() const { return sort_; }
  void SetSort(const QString &sort) { sort_ = sort; }
  const QString &Filter() const { return filter_; }
  void SetFilter(const QString &filter) { filter_ = filter; }
  RecordsetPtr OpenRecordset(int type = dbOpenDefault, int options = 0);
  RecordsetPtr Clone();
  void Requery();

  // Table recordsets: the index by name, then Seek with "=", ">=", ">",
  // "<=" or "<" and 1 to 13 key values in the index's order.
  const QString &Index() const { return index_; }
  void SetIndex(const QString &index_name);
  void Seek(const QString &comparison, const std::vector<rtl::Variant> &keys);

  // Criteria in the engine's syntax, searched in the recordset's order from
  // the current row; NoMatch tells whether a row was found (the cursor
  // stays where it was when none was).
  void FindFirst(const QString &criteria);
  void FindLast(const QString &criteria);
  void FindNext(const QString &criteria);
  void FindPrevious(const QString &criteria);
  bool NoMatch() const { return no_match_; }

  // Editing.
  void Edit();
  void AddNew();
  void Update();
  void CancelUpdate();
  void Delete();
  int EditMode() const;
  bool LockEdits() const { return lock_edits_; }
  void SetLockEdits(bool v) { lock_edits_ = v; }
  int CacheSize() const { return 0; }

  // Engine side.
  struct Impl;
  static RecordsetPtr Create(std::unique_ptr<Impl> impl);
  // The recordset of `impl` narrowed by `selection` (see RowSelection),
  // the derived one opened with `type` and `options`.
  static RecordsetPtr Create(std::unique_ptr<Impl> impl, const RowSelection &selection, int type, int options);
  rtl::Variant ValueAt(int field) const;
  void SetValueAt(int field, const rtl::Variant &value);

 private:
  Recordset();
  enum class Dir { First, Last, Next, Previous };
  void Find(Dir dir, const QString &criteria);
  static std::unique_ptr<Impl> Derived(const Impl &base, const QString &filter, const QString &sort, int type,
                                       int options);
  void BuildFields();
  void CheckOpen() const;
  void CheckCurrent() const;

  std::unique_ptr<Impl> d_;
  jet::Fields fields_;
  QString sort_;
  QString filter_;
  QString index_;
  bool no_match_ = false;
  bool lock_edits_ = false;
};

}  // namespace jet
