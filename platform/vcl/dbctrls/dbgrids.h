// The data grid: one row per record, one column per field, over a data
// source.
//
// Columns are made from the dataset's visible fields (titles from their
// DisplayLabel, widths from DisplayWidth) whenever the field list changes;
// their titles and widths may be changed afterwards. The grid sees the
// records through its data link's window: the link holds as many records as
// there are visible rows, and the grid draws row r by making it the link's
// active record for the moment. The current row follows the dataset's
// current record and the arrow in the indicator column marks it.
//
// The grid shows and navigates, it does not edit: Up/Down move one record,
// PgUp/PgDn a page, Ctrl+Home/Ctrl+End to the first and last record,
// Left/Right/Home/End among the columns; a click on a row makes its record
// current, a click on a title fires OnTitleClick.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "platform/vcl/controls.h"
#include "platform/vcl/db/db.h"

namespace vcl {

class TDBGrid;

// dgEditing and dgMultiSelect are kept for grids that edit in place or
// select several records; this grid itself only stores them.
enum TDBGridOption {
  dgTitles,
  dgIndicator,
  dgColLines,
  dgRowLines,
  dgRowSelect,
  dgAlwaysShowSelection,
  dgEditing,
  dgMultiSelect
};
using TDBGridOptions = TEnumSet<TDBGridOption>;

class TColumn {
 public:
  QString FieldName() const { return field_name_; }
  TField *Field() const { return field_; }
  QString Title() const { return title_; }
  void SetTitle(const QString &title);
  int Width() const { return width_; }
  void SetWidth(int width);
  TAlignment Alignment() const { return alignment_; }
  int Index() const { return index_; }

 private:
  friend class TDBGrid;
  TDBGrid *grid_ = nullptr;
  QString field_name_;
  TField *field_ = nullptr;
  QString title_;
  int width_ = 64;
  TAlignment alignment_ = taLeftJustify;
  int index_ = 0;
};

using TDBGridClickEvent = std::function<void(TColumn *column)>;

class TDBGrid : public TCustomControl {
  ORBISCA_CLASS(TDBGrid, TCustomControl)

 public:
  explicit TDBGrid(TComponent *owner);
  ~TDBGrid() override;

  TDataSource *DataSource() const;
  void SetDataSource(TDataSource *source);
  TDBGridOptions Options() const { return options_; }
  void SetOptions(TDBGridOptions options);
  int DefaultRowHeight() const { return row_height_; }
  void SetDefaultRowHeight(int value);
  // Whether the grid lets the user change data (grids that edit honour it).
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value) { read_only_ = value; }

  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  TColumn *Columns(int index) const;
  // The column that has the focus within the row.
  int SelectedIndex() const { return selected_; }
  void SetSelectedIndex(int index);
  TField *SelectedField() const;

  // Data rows that fit in the grid.
  int VisibleRowCount() const;
  // Records the link holds (at most VisibleRowCount).
  int RowCount() const;
  // The current record's row among them (-1 without data).
  int CurrentRow() const;
  // The text shown in data row `row`, column `column`.
  QString CellText(int row, int column) const;
  // The value behind that cell (Null when empty or outside the data).
  rtl::Variant CellValue(int row, int column) const;
  // The cell's rectangle; title row -1.
  TRect CellRect(int row, int column) const;

  TDBGridClickEvent OnTitleClick;
  TDBGridClickEvent OnCellClick;

  void Notification(TComponent *component, TOperation operation) override;

  // Internal: the link's news.
  virtual void LinkActiveChanged();
  void LinkLayoutChanged();
  void LinkDataChanged();

 protected:
  void Paint() override;
  void KeyDown(int &key, TShiftState shift) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void WMGetDlgCode(TMessage &message) override;
  void Resize() override;
  void DoEnter() override;
  void DoExit() override;
  // Draws one data cell (its background, text and selection); grids that
  // draw more (check boxes, frames) override it.
  virtual void DrawColumnCell(const TRect &rect, int row, int column, bool highlighted);
  // Draws one column title; grids that mark titles override it.
  virtual void DrawTitleCell(const TRect &rect, int column);
  int TitleHeight() const;
  int IndicatorWidth() const;

 private:
  class GridLink;
  void BuildColumns();
  void UpdateBufferCount();
  int ColumnLeft(int column) const;
  std::unique_ptr<GridLink> link_;
  std::vector<std::unique_ptr<TColumn>> columns_;
  TDBGridOptions options_{dgTitles, dgIndicator, dgColLines, dgRowLines};
  int row_height_ = 18;
  int selected_ = 0;
  bool read_only_ = false;
};

}  // namespace vcl
