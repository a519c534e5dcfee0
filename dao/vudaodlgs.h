// The table dialogs the data grid opens from its menu: choosing an index,
// building a filter from condition rows, choosing the sort fields, a quick
// find on one field and a date or time picker. Each is a modal form whose
// Execute fills it from the table, shows it and hands back what the user
// chose. What a dialog computes (the filter text, the sort lines, the index
// list, the searches) lives in free functions below, so it can be checked
// without a window; the forms only move values between controls and them.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "platform/rtl/datetime.h"
#include "platform/vcl/db/db.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/listctrls.h"
#include "platform/vcl/stdctrls.h"

namespace dao {

class TVuDaoTable;

// --- what the dialogs compute -------------------------------------------------

// The first entry of the index list, standing for "no index".
QString NoIndexEntry();
// "Don't use an Index" followed by the engine's indexes of the table.
QStringList IndexChoices(TVuDaoTable *table);
// Field name and "Ascending"/"Descending" of each field of an index.
std::vector<std::pair<QString, QString>> IndexFieldRows(TVuDaoTable *table, const QString &index_name);

// One condition row of the filter dialog.
struct FilterRow {
  QString field, op, value, conjunction;
};
// The operators offered, each with its own blanks (" = ", " LIKE "...).
QStringList FilterOperators();
// False for " IS NULL " and " IS NOT NULL ", which take no value.
bool OperatorTakesValue(const QString &op);
// A stored condition line: field, operator, value and conjunction joined by "***".
FilterRow ParseConditionLine(const QString &line);
QString ConditionLine(const FilterRow &row);
// The filter text of the rows in order; rows without a field or operator,
// or needing a value and having none, are skipped. `type_of` gives the
// field's type. The used rows are appended to `lines` as condition lines.
// A date that does not parse, or a number field given something that is
// not a number, raises EConvertError.
QString BuildFilterText(const std::vector<FilterRow> &rows,
                        const std::function<vcl::TFieldType(const QString &)> &type_of, QStringList *lines);

// One field of a sort.
struct SortEntry {
  QString name;
  bool descending = false;
};
std::vector<SortEntry> ParseSortLines(const QStringList &lines);
QStringList SortLines(const std::vector<SortEntry> &entries, bool brackets);

// The fields a find (visible data fields) or a seek (the current index's
// data fields) offers.
QStringList SearchFields(TVuDaoTable *table, bool seek);
// The pre-filled patterns of date and time values ("dd/mm/yyyy", "hh:mm:ss"
// with the locale's separators).
QString DatePattern();
QString TimePattern();
// Searches as the find dialogs do: a seek locates the first row; a find
// goes to the next match and wraps to the first. True when a row was found.
bool SearchTable(TVuDaoTable *table, bool seek, const QStringList &fields, const QStringList &values);

// --- the dialogs -------------------------------------------------------------------

// A modal dialog form of the library, centred and freed after one use.
class TVuDaoDialog : public vcl::TForm {
  ORBISCA_CLASS(TVuDaoDialog, vcl::TForm)
 public:
  explicit TVuDaoDialog(vcl::TComponent *owner, const QString &caption);

 protected:
  vcl::TButton *AddButton(const QString &caption, int left, int top, vcl::TModalResult result);
  vcl::TLabel *AddLabel(const QString &caption, int left, int top);
  template <typename C>
  C *Add(int left, int top, int width) {
    auto *c = new C(this);
    c->SetParent(this);
    c->SetBounds(left, top, width, c->Height());
    return c;
  }
};

class TVuDaoSelectIndex : public TVuDaoDialog {
  ORBISCA_CLASS(TVuDaoSelectIndex, TVuDaoDialog)
 public:
  explicit TVuDaoSelectIndex(vcl::TComponent *owner = nullptr);
  // On OK: true and the chosen name (empty for no index).
  bool Execute(TVuDaoTable *table, QString &index_name);

  void Fill(TVuDaoTable *table, const QString &index_name);
  QString Chosen() const;
  vcl::TComboBox *IndexBox() const { return index_box_; }
  vcl::TCheckBox *LiveView() const { return live_view_; }
  // The rows the field grid shows: "name\tdirection".
  QStringList FieldRows() const { return field_rows_; }

 private:
  void IndexChanged();
  TVuDaoTable *table_ = nullptr;
  vcl::TComboBox *index_box_;
  vcl::TListBox *field_grid_;
  vcl::TCheckBox *live_view_;
  QStringList field_rows_;
};

class TVuDaoFilterBy : public TVuDaoDialog {
  ORBISCA_CLASS(TVuDaoFilterBy, TVuDaoDialog)
 public:
  static constexpr int kRows = 9;
  explicit TVuDaoFilterBy(vcl::TComponent *owner = nullptr);
  bool Execute(TVuDaoTable *table, QString &filter, QStringList &lines);

  void Fill(TVuDaoTable *table, const QStringList &lines);
  // The filter text and lines of the rows as they are now.
  QString Collect(QStringList *lines) const;
  void ClearAll();
  struct Row {
    vcl::TComboBox *field, *op, *conjunction;
    vcl::TEdit *value;
  };
  const Row &RowAt(int i) const { return rows_[static_cast<size_t>(i)]; }

 private:
  void OperatorChanged(int i);
  TVuDaoTable *table_ = nullptr;
  std::vector<Row> rows_;
};

class TVuDaoSortByDialog : public TVuDaoDialog {
  ORBISCA_CLASS(TVuDaoSortByDialog, TVuDaoDialog)
 public:
  explicit TVuDaoSortByDialog(vcl::TComponent *owner = nullptr);
  bool Execute(const QStringList &all_fields, QStringList &sort_lines, bool brackets);

  void Fill(const QStringList &all_fields, const QStringList &sort_lines);
  QStringList Collect(bool brackets) const { return SortLines(sorted_, brackets); }
  // The buttons' actions on the selected entries.
  void AddSelected();
  void RemoveSelected();
  void MoveSelected(int delta);
  void SetSelectedDirection(bool descending);
  vcl::TListBox *Available() const { return available_; }
  vcl::TListBox *Order() const { return order_; }
  vcl::TComboBox *DirectionBox() const { return direction_; }

 private:
  void Show();
  std::vector<SortEntry> sorted_;
  QStringList available_names_;
  vcl::TListBox *available_, *order_, *directions_;
  vcl::TComboBox *direction_;
};

class TDTPicker : public TVuDaoDialog {
  ORBISCA_CLASS(TDTPicker, TVuDaoDialog)
 public:
  explicit TDTPicker(vcl::TComponent *owner = nullptr);
  // On OK the date (or, with `time`, the time) typed in the locale's form.
  bool Execute(rtl::TDateTime &value, bool time);
  vcl::TEdit *Picker() const { return picker_; }

 private:
  vcl::TEdit *picker_;
};

class TVudaoFindSeekDialog : public TVuDaoDialog {
  ORBISCA_CLASS(TVudaoFindSeekDialog, TVuDaoDialog)
 public:
  static constexpr int kMaxRows = 301;
  explicit TVudaoFindSeekDialog(vcl::TComponent *owner = nullptr);
  // Searches while open; true on OK.
  bool Execute(TVuDaoTable *table, bool seek);

  void Fill(TVuDaoTable *table, bool seek);
  // "Do Search" with the checked rows; true when a row was found.
  bool DoSearch();
  struct Row {
    QString field;
    vcl::TCheckBox *check;
    vcl::TEdit *value;
    vcl::TButton *picker;  // hidden unless the field is a date or a time
  };
  int RowCount() const { return static_cast<int>(rows_.size()); }
  const Row &RowAt(int i) const { return rows_[static_cast<size_t>(i)]; }
  QString Heading() const { return heading_->Caption(); }

 private:
  TVuDaoTable *table_ = nullptr;
  bool seek_ = false;
  vcl::TLabel *heading_;
  vcl::TWinControl *box_;
  std::vector<Row> rows_;
};

class TQFS : public TVuDaoDialog {
  ORBISCA_CLASS(TQFS, TVuDaoDialog)
 public:
  explicit TQFS(vcl::TComponent *owner = nullptr);
  bool Execute(TVuDaoTable *table, bool seek, const QString &field);

  void Fill(TVuDaoTable *table, bool seek, const QString &field);
  // "Cerca": searches with the field and value shown; true when found.
  bool DoSearch();
  vcl::TComboBox *FieldBox() const { return field_box_; }
  vcl::TEdit *ValueEdit() const { return value_edit_; }
  vcl::TButton *PickerButton() const { return picker_; }
  QString Heading() const { return heading_->Caption(); }

 private:
  void FieldChanged();
  TVuDaoTable *table_ = nullptr;
  bool seek_ = false;
  vcl::TLabel *heading_;
  vcl::TComboBox *field_box_;
  vcl::TEdit *value_edit_;
  vcl::TButton *picker_;
};

}  // namespace dao
