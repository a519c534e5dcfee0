// An in-memory dataset for tests of the data-access contract and of what
// is built on it (data-aware controls, the report engine's dataset adapter).
// Rows live in a vector; every column is kept as a Variant in the field's
// native kind. It implements the cursor slots plainly, honours the record
// filter event in every walk, and carries a few switches that make posting,
// editing or deleting fail so that the error events can be exercised.
#pragma once

#include <QString>
#include <vector>

#include "platform/vcl/db/db.h"

namespace testdb {

class TMemDataSet : public vcl::TDataSet {
 public:
  explicit TMemDataSet(vcl::TComponent *owner = nullptr);
  ~TMemDataSet() override;

  // Columns are declared before the dataset opens.
  void AddColumn(const QString &name, vcl::TFieldType type, int size = 0, bool required = false);
  // Appends a stored row directly, without events (for filling fixtures).
  void AddRow(const std::vector<rtl::Variant> &values);
  int StoredRowCount() const { return static_cast<int>(rows_.size()); }
  rtl::Variant StoredValue(int row, const QString &column) const;

  // Failure switches: the next `n` calls of the operation raise
  // EDatabaseError ("Post failed", "Edit failed", "Delete failed").
  int post_failures = 0;
  int edit_failures = 0;
  int delete_failures = 0;
  bool read_only = false;
  // Rows read from the store into buffers, for checks on re-fetching.
  int fetch_count = 0;

  int RecordCount() override;
  int RecNo() override;
  void SetRecNo(int value) override;
  bool BookmarkValid(const vcl::TBookmark &bookmark) override;
  int CompareBookmarks(const vcl::TBookmark &a, const vcl::TBookmark &b) override;
  bool GetFieldData(vcl::TField *field, rtl::Variant *value) override;
  void SetFieldData(vcl::TField *field, const rtl::Variant &value) override;

 protected:
  vcl::TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(vcl::TRecordBuffer &buffer) override;
  vcl::TGetResult GetRecord(vcl::TRecordBuffer buffer, vcl::TGetMode mode, bool do_check) override;
  void InternalInitRecord(vcl::TRecordBuffer buffer) override;
  void InternalGotoBookmark(const vcl::TBookmark &bookmark) override;
  void InternalOpen() override;
  void InternalClose() override;
  bool IsCursorOpen() const override { return open_; }
  void InternalFirst() override { cursor_ = -1; }
  void InternalLast() override { cursor_ = static_cast<int>(rows_.size()); }
  void InternalInitFieldDefs() override;
  void InternalEdit() override;
  void InternalPost() override;
  void InternalCancel() override;
  void InternalDelete() override;
  void InternalAddRecord(vcl::TRecordBuffer buffer, bool append) override;
  bool GetCanModify() const override { return !read_only; }

 private:
  struct Column {
    QString name;
    vcl::TFieldType type;
    int size;
    bool required;
  };
  struct Row {
    int id;
    std::vector<rtl::Variant> values;
  };
  struct MemRecord : vcl::TRecordData {
    std::vector<rtl::Variant> values;
  };

  static vcl::TBookmark IdBookmark(int id);
  static int BookmarkId(const vcl::TBookmark &bookmark);
  int RowOfId(int id) const;
  void ReadRow(int row, MemRecord *record);
  // Index of the accepted row `row` among accepted rows (0-based); walks
  // with the filter when it is in force.
  bool RowAccepted(int row);
  void InsertRow(int position, MemRecord *record);

  std::vector<Column> columns_;
  std::vector<Row> rows_;
  int next_id_ = 1;
  int cursor_ = -1;
  bool open_ = false;
  MemRecord old_record_;
  bool has_old_record_ = false;
};

}  // namespace testdb
