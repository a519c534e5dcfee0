// The data grid: one row per record, one column per field, over a data
// source.
//
// Columns are made from the dataset's visible fields (titles from their
// DisplayLabel, widths from DisplayWidth) whenever the field list changes;
// their titles and widths may be changed afterwards. The grid sees the
// records through its data link's window: the link holds as many records as
// there are visible rows, and the grid draws row r by making it the link's
// active record for the moment. The current row follows the dataset's
// current record and the arrow in the indicator column marks it. A grid
// may ask its link for more records than fit (SetLoadedRowCount): its rows
// then number all the records held, and the shown ones scroll within them
// from TopRow, which always keeps the current row in view.
//
// Up/Down move one record, PgUp/PgDn a page, Ctrl+Home/Ctrl+End to the
// first and last record, Left/Right/Home/End among the columns (Tab and
// Shift+Tab too, with dgTabs); a click on a row makes its record current, a
// click on a title fires OnTitleClick. Columns wider together than the grid
// scroll sideways under a horizontal scroll bar. More records than the rows
// that fit bring a vertical scroll bar on the right: its thumb stands at the
// current record among all of them, and moving it (or turning the wheel
// over the grid) moves the current record. A column's width starts at
// its field's display width in the grid's font ("0" wide characters), or its
// title's when that is wider.
//
// With dgEditing the grid edits in its cells (dbgrids_edit.cpp): typing a
// character or F2 opens an editor over the selected cell (the record goes
// into edit mode); Enter writes the text into the field and posts the
// record, leaving the row posts it too, Esc cancels the record's changes;
// Insert inserts a record and Down past the last one appends one;
// Ctrl+Delete deletes the current record after asking. A value the field
// refuses keeps the editor open with the text as typed.
#pragma once

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "platform/vcl/controls.h"
#include "platform/vcl/db/db.h"
#include "platform/vcl/stdctrls.h"

class QScrollBar;

namespace vcl {

class TDBGrid;

// dgMultiSelect is kept for grids that select several records; this grid
// itself only stores it.
enum TDBGridOption {
  dgTitles,
  dgIndicator,
  dgColLines,
  dgRowLines,
  dgRowSelect,
  dgAlwaysShowSelection,
  dgEditing,
  dgMultiSelect,
  dgTabs,
  dgConfirmDelete
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
  // The grid's link to its data source.
  TDataLink *DataLink() const;
  TDBGridOptions Options() const { return options_; }
  void SetOptions(TDBGridOptions options);
  int DefaultRowHeight() const { return row_height_; }
  void SetDefaultRowHeight(int value);
  // Whether the grid lets the user change data.
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value) { read_only_ = value; }

  // --- editing in the cells ---------------------------------------------------------
  // Whether the editor is open over the selected cell.
  bool EditorMode() const;
  // true opens the editor when the cell may be edited; false writes its
  // text into the field (raising what the field refuses) and closes it.
  void SetEditorMode(bool value);
  // The editor while it is open (nullptr otherwise).
  TCustomEdit *InplaceEditor() const;

  // --- sideways scrolling -----------------------------------------------------------
  // The first column shown after the indicator.
  int LeftCol() const { return left_col_; }
  void SetLeftCol(int column);
  // Whether the columns are wider together than the grid (the scroll bar shows).
  bool HorzScrollBarVisible() const;
  // Whether the dataset has more records than the rows that fit (the
  // vertical scroll bar shows), and that bar, for the tests that drag it.
  bool VertScrollBarVisible() const { return vbar_shown_; }
  QScrollBar *VertScrollBar() const;

  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  TColumn *Columns(int index) const;
  // The column that has the focus within the row.
  int SelectedIndex() const { return selected_; }
  void SetSelectedIndex(int index);
  TField *SelectedField() const;

  // Data rows that fit in the grid.
  int VisibleRowCount() const;
  // The height of the data area (the client area less the scroll bar).
  int DataHeight() const;
  // Records the link holds (at most VisibleRowCount, unless a loaded row
  // count asks for more).
  int RowCount() const;
  // The current record's row among them (-1 without data).
  int CurrentRow() const;
  // The first row shown: 0 unless the grid holds more rows than fit.
  int TopRow() const { return top_row_; }
  // The text shown in data row `row`, column `column`.
  QString CellText(int row, int column) const;
  // The value behind that cell (Null when empty or outside the data).
  rtl::Variant CellValue(int row, int column) const;
  // The cell's rectangle; title row -1. A row above TopRow lies above the
  // data area, one past the shown rows below it.
  TRect CellRect(int row, int column) const;
  // The bookmark of the record shown in data row `row` (empty outside).
  TBookmark RowBookmark(int row) const;

  TDBGridClickEvent OnTitleClick;
  TDBGridClickEvent OnCellClick;

  void Notification(TComponent *component, TOperation operation) override;

  // Internal: the link's news.
  virtual void LinkActiveChanged();
  void LinkLayoutChanged();
  virtual void LinkDataChanged();
  void LinkScrolled();
  void LinkUpdateData();

 protected:
  void Paint() override;
  void KeyDown(int &key, TShiftState shift) override;
  void KeyPress(QChar &key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  QWidget *CreateWidget(QWidget *parent_widget) override;
  void InitWidget() override;
  void WMGetDlgCode(TMessage &message) override;
  void Resize() override;
  bool DoMouseWheel(TShiftState shift, int delta, const TPoint &pos) override;
  void DoEnter() override;
  void DoExit() override;
  // Draws one data cell (its background, text and selection); grids that
  // draw more (check boxes, frames) override it.
  virtual void DrawColumnCell(const TRect &rect, int row, int column, bool highlighted);
  // Draws one column title; grids that mark titles override it.
  virtual void DrawTitleCell(const TRect &rect, int column);
  int TitleHeight() const;
  int IndicatorWidth() const;
  // The indicator column's width while dgIndicator is on (kIndicatorWidth
  // by default).
  static constexpr int kIndicatorWidth = 11;
  void SetIndicatorWidth(int width);
  // Draws the top-left corner cell (title row, indicator column).
  virtual void DrawCornerCell(const TRect &rect);
  // Draws a data row's indicator cell; `current` marks the current record.
  virtual void DrawIndicatorCell(const TRect &rect, int row, bool current);
  // The title row's own height (0: a row's), for grids that wrap titles.
  void SetTitleRowHeight(int height);
  // Lets the user size the rows: dragging a row's bottom line in the
  // indicator column makes its new height every row's; RowHeightsChanged
  // follows.
  void SetRowSizing(bool on);
  bool RowSizing() const { return row_sizing_; }
  virtual void RowHeightsChanged() {}
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  // Asks the link for `rows` records when that is more than the rows that
  // fit (0: the rows that fit, as usual). Fewer rows again keep the shown
  // records in the link's window.
  void SetLoadedRowCount(int rows);
  int LoadedRowCount() const { return loaded_rows_; }
  // Whether the selected cell may be edited now: dgEditing, a grid and a
  // field that are not read-only, a dataset that can change.
  virtual bool CanEditShow() const;
  // Puts the record in edit mode for the editor; false when it cannot be.
  bool CanEditModify();

 public:
  // Internal: the editor's keys (Enter, Esc, Tab, Up, Down...) and its exit.
  void EditorKeyDown(int &key, TShiftState shift);
  void EditorExit();

 private:
  class GridLink;
  friend class TColumn;  // a column's new width may bring or take the scroll bar
  void BuildColumns();
  void UpdateBufferCount();
  // Moves TopRow as little as keeps the current row shown.
  void ShowCurrentRow();
  // The row under y in the data area, -1 when none is shown there.
  int RowAt(int y) const;
  // One past the last row shown.
  int ShownRowsEnd() const;
  int ColumnLeft(int column) const;
  void ShowEditor(const QString &text, bool select_all);
  void HideEditor();
  void PlaceEditor();
  // Writes the editor's text into the selected field when it changed.
  void WriteEditor();
  void MoveColumn(int column);
  // Shows, hides and places both scroll bars, and sets their thumbs.
  void UpdateScrollBar();
  // The width the vertical bar takes from the columns (0 when hidden).
  int VertBarWidth() const;
  // The bar was moved by the user: the current record follows.
  void VertBarMoved(int value);
  int ColumnsWidth() const;
  std::unique_ptr<GridLink> link_;
  std::vector<std::unique_ptr<TColumn>> columns_;
  TDBGridOptions options_{dgTitles, dgIndicator, dgColLines, dgRowLines, dgTabs, dgConfirmDelete};
  int row_height_ = 18;
  int title_height_ = 0;
  int indicator_width_ = kIndicatorWidth;
  bool row_sizing_ = false;
  int sizing_top_ = -1;  // while a row is being sized, its top
  // The data row whose bottom line is under (x, y) in the indicator
  // column, -1 when none.
  int RowLineAt(int x, int y) const;
  int selected_ = 0;
  bool read_only_ = false;
  int left_col_ = 0;
  int loaded_rows_ = 0;
  int top_row_ = 0;
  TCustomEdit *editor_ = nullptr;
  bool editor_dirty_ = false;
  bool hiding_editor_ = false;
  // Guarded: the bars die with the widget, which the base class frees
  // after this part of the grid is gone.
  QPointer<QScrollBar> hbar_;
  QPointer<QScrollBar> vbar_;
  bool vbar_shown_ = false;
  bool updating_bars_ = false;
};

}  // namespace vcl
