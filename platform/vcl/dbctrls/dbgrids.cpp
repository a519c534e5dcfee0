// The data grid (see dbgrids.h).
#include "platform/vcl/dbctrls/dbgrids.h"

#include <QFontMetrics>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <cstdlib>

#include "platform/rtl/ignorefailure.h"
#include "platform/vcl/ctrlsupport.h"
#include "platform/vcl/dbctrls/dbctrls.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/reportfailures.h"

namespace vcl {

class TDBGrid::GridLink : public TDataLink {
 public:
  explicit GridLink(TDBGrid *grid) : grid_(grid) {}

 protected:
  void ActiveChanged() override { grid_->LinkActiveChanged(); }
  void LayoutChanged() override { grid_->LinkLayoutChanged(); }
  void DataSetChanged() override { grid_->LinkDataChanged(); }
  void DataSetScrolled(int) override { grid_->LinkScrolled(); }
  void RecordChanged(TField *) override { grid_->LinkDataChanged(); }
  void EditingChanged() override { grid_->LinkDataChanged(); }
  // The dataset is about to post (or to move and post): the editor's text
  // goes into its field first.
  void UpdateData() override { grid_->LinkUpdateData(); }

 private:
  TDBGrid *grid_;
};

void TColumn::SetTitle(const QString &title) {
  title_ = title;
  if (grid_ != nullptr) grid_->Invalidate();
}

void TColumn::SetWidth(int width) {
  width_ = std::max(width, 0);
  if (grid_ == nullptr) return;
  // The columns may now be wider than the grid, or no longer.
  grid_->UpdateScrollBar();
  grid_->Invalidate();
}

TDBGrid::TDBGrid(TComponent *owner) : TCustomControl(owner), link_(std::make_unique<GridLink>(this)) {
  SetControlStyle(ControlStyle() + TControlStyle{csOpaque});
  SetParentColor(false);
  SetColor(clWindow);
  SetTabStop(true);
  SetBounds(0, 0, 320, 120);
}

TDBGrid::~TDBGrid() {
  link_->SetDataSource(nullptr);
  columns_.clear();
}

QWidget *TDBGrid::CreateWidget(QWidget *parent_widget) {
  QWidget *w = TCustomControl::CreateWidget(parent_widget);
  hbar_ = new QScrollBar(Qt::Horizontal, w);
  hbar_->setFocusPolicy(Qt::NoFocus);
  hbar_->hide();
  QObject::connect(hbar_, &QScrollBar::valueChanged, w, [this](int v) {
    if (v != left_col_) ReportFailures(this, [this, v] { SetLeftCol(v); });
  });
  vbar_ = new QScrollBar(Qt::Vertical, w);
  vbar_->setFocusPolicy(Qt::NoFocus);
  vbar_->hide();
  QObject::connect(vbar_, &QScrollBar::valueChanged, w,
                   [this](int v) { ReportFailures(this, [this, v] { VertBarMoved(v); }); });
  return w;
}

// Columns built (or widened) before the widget existed may already need
// the scroll bar.
void TDBGrid::InitWidget() {
  TCustomControl::InitWidget();
  UpdateScrollBar();
}

TDataSource *TDBGrid::DataSource() const { return link_->DataSource(); }

TDataLink *TDBGrid::DataLink() const { return link_.get(); }

void TDBGrid::SetDataSource(TDataSource *source) {
  if (TDataSource *old = link_->DataSource()) old->RemoveFreeNotification(this);
  link_->SetDataSource(source);
  if (source != nullptr) source->FreeNotification(this);
  BuildColumns();
  UpdateBufferCount();
  Invalidate();
}

void TDBGrid::Notification(TComponent *component, TOperation operation) {
  TCustomControl::Notification(component, operation);
  if (operation == opRemove && link_ != nullptr && component == link_->DataSource()) {
    link_->SetDataSource(nullptr);
    BuildColumns();
  }
}

void TDBGrid::SetOptions(TDBGridOptions options) {
  options_ = options;
  UpdateBufferCount();
  Invalidate();
}

void TDBGrid::SetDefaultRowHeight(int value) {
  row_height_ = std::max(value, 4);
  UpdateBufferCount();
  Invalidate();
}

TColumn *TDBGrid::Columns(int index) const {
  if (index < 0 || index >= ColumnCount()) rtl::ListIndexError(index);
  return columns_[static_cast<size_t>(index)].get();
}

void TDBGrid::SetSelectedIndex(int index) {
  if (columns_.empty()) return;
  index = std::clamp(index, 0, ColumnCount() - 1);
  if (index != selected_ && EditorMode()) {
    // The text typed in the column left goes into its field.
    WriteEditor();
    HideEditor();
  }
  selected_ = index;
  // The selected column comes into view.
  if (selected_ < left_col_) {
    SetLeftCol(selected_);
  } else {
    int left = left_col_;
    const int room = ClientWidth() - IndicatorWidth() - VertBarWidth();
    const auto span = [this](int from, int to) {
      int w = 0;
      for (int i = from; i <= to; ++i) w += columns_[static_cast<size_t>(i)]->width_ + 1;
      return w;
    };
    while (left < selected_ && span(left, selected_) > room) ++left;
    if (left != left_col_) SetLeftCol(left);
  }
  PlaceEditor();
  Invalidate();
}

int TDBGrid::ColumnsWidth() const {
  int w = 0;
  for (const auto &c : columns_) w += c->width_ + 1;
  return w;
}

QScrollBar *TDBGrid::VertScrollBar() const { return vbar_; }

bool TDBGrid::HorzScrollBarVisible() const {
  return ColumnsWidth() > ClientWidth() - IndicatorWidth() - VertBarWidth();
}

int TDBGrid::VertBarWidth() const {
  return vbar_ != nullptr && vbar_shown_ ? vbar_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0;
}

void TDBGrid::SetLeftCol(int column) {
  column = std::clamp(column, 0, std::max(0, ColumnCount() - 1));
  if (column == left_col_) return;
  left_col_ = column;
  UpdateScrollBar();
  PlaceEditor();
  Invalidate();
}

void TDBGrid::UpdateScrollBar() {
  if (hbar_ == nullptr || vbar_ == nullptr || updating_bars_) return;
  updating_bars_ = true;
  // The vertical bar first: the rows that fit count the horizontal bar
  // the columns need at the full width; once shown, the vertical bar
  // narrows the columns' room, which may bring the horizontal one.
  TDataSet *ds = link_->Active() ? link_->DataSet() : nullptr;
  int records = -1;
  int position = -1;
  if (ds != nullptr)
    rtl::IgnoreFailure("a dataset that cannot count its records shows no vertical bar", [&] {
      records = ds->RecordCount();
      position = ds->RecNo();
    });
  vbar_shown_ = false;
  vbar_shown_ = records > VisibleRowCount();
  const bool show = HorzScrollBarVisible();
  if (!show && left_col_ != 0) {
    left_col_ = 0;
    Invalidate();
  }
  const int h = hbar_->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  hbar_->setGeometry(0, ClientHeight() - h, ClientWidth() - VertBarWidth(), h);
  {
    const QSignalBlocker block(hbar_);
    hbar_->setRange(0, std::max(0, ColumnCount() - 1));
    hbar_->setPageStep(1);
    hbar_->setValue(left_col_);
  }
  hbar_->setVisible(show);
  vbar_->setGeometry(ClientWidth() - h, 0, h, ClientHeight() - (show ? h : 0));
  {
    const QSignalBlocker block(vbar_);
    vbar_->setRange(0, std::max(0, records - 1));
    vbar_->setPageStep(std::max(1, VisibleRowCount()));
    vbar_->setValue(std::max(0, position - 1));
  }
  vbar_->setVisible(vbar_shown_);
  updating_bars_ = false;
}

void TDBGrid::VertBarMoved(int value) {
  TDataSet *ds = link_->Active() ? link_->DataSet() : nullptr;
  if (ds == nullptr) return;
  const int current = ds->RecNo();
  if (value == 0)
    ds->First();
  else if (value >= vbar_->maximum())
    ds->Last();
  else if (current > 0)
    ds->MoveBy(value + 1 - current);
  UpdateScrollBar();
}

bool TDBGrid::DoMouseWheel(TShiftState shift, int delta, const TPoint &pos) {
  if (TCustomControl::DoMouseWheel(shift, delta, pos)) return true;
  TDataSet *ds = link_->Active() ? link_->DataSet() : nullptr;
  if (ds == nullptr || delta == 0) return false;
  // One record per notch, as the arrow keys move.
  const int notches = delta / 120 != 0 ? delta / 120 : (delta > 0 ? 1 : -1);
  ds->MoveBy(-notches);
  return true;
}

int TDBGrid::DataHeight() const {
  int h = ClientHeight();
  if (hbar_ != nullptr && HorzScrollBarVisible()) h -= hbar_->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  return std::max(0, h);
}

TField *TDBGrid::SelectedField() const {
  return selected_ < ColumnCount() ? columns_[static_cast<size_t>(selected_)]->field_ : nullptr;
}

void TDBGrid::BuildColumns() {
  columns_.clear();
  TDataSet *ds = link_->Active() ? link_->DataSet() : nullptr;
  if (ds != nullptr) {
    // Widths as the grid's font measures them, also before anything is painted.
    const QFontMetrics metrics(Font()->ToQFont());
    const int char_width = std::max(1, metrics.horizontalAdvance(QLatin1Char('0')));
    for (int i = 0; i < ds->FieldCount(); ++i) {
      TField *f = ds->Fields()[i];
      if (!f->Visible()) continue;
      auto col = std::make_unique<TColumn>();
      col->grid_ = this;
      col->field_name_ = f->FieldName();
      col->field_ = f;
      col->title_ = f->DisplayLabel();
      // Wide enough for the field's display width or its title.
      col->width_ = std::max(f->DisplayWidth() * char_width, metrics.horizontalAdvance(col->title_)) + 4;
      col->alignment_ = f->Alignment();
      col->index_ = static_cast<int>(columns_.size());
      columns_.push_back(std::move(col));
    }
  }
  if (selected_ >= ColumnCount()) selected_ = std::max(0, ColumnCount() - 1);
  if (left_col_ >= ColumnCount()) left_col_ = 0;
  UpdateScrollBar();
}

int TDBGrid::TitleHeight() const {
  if (!options_.Contains(dgTitles)) return 0;
  return title_height_ > 0 ? title_height_ : row_height_;
}

void TDBGrid::SetTitleRowHeight(int height) {
  height = std::max(height, 0);
  if (height == title_height_) return;
  title_height_ = height;
  UpdateBufferCount();
  PlaceEditor();
  Invalidate();
}

void TDBGrid::SetRowSizing(bool on) {
  row_sizing_ = on;
  sizing_top_ = -1;
  if (widget_ != nullptr && on) widget_->setMouseTracking(true);
}

int TDBGrid::RowLineAt(int x, int y) const {
  if (!row_sizing_ || x < 0 || x >= IndicatorWidth() || y < TitleHeight()) return -1;
  // Within two pixels of the line that ends the row.
  const int row = (y - TitleHeight() + 2) / row_height_ - 1;
  const int line = TitleHeight() + (row + 1) * row_height_ - 1;
  return row >= 0 && std::abs(y - line) <= 2 ? row : -1;
}

void TDBGrid::MouseMove(TShiftState shift, int x, int y) {
  if (sizing_top_ >= 0) {
    SetDefaultRowHeight(y - sizing_top_ + 1);
  } else if (widget_ != nullptr && row_sizing_) {
    if (RowLineAt(x, y) >= 0)
      widget_->setCursor(Qt::SplitVCursor);
    else
      SetCursor(Cursor());
  }
  TCustomControl::MouseMove(shift, x, y);
}

void TDBGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (sizing_top_ >= 0 && button == mbLeft) {
    sizing_top_ = -1;
    SetCursor(Cursor());
    RowHeightsChanged();
  }
  TCustomControl::MouseUp(button, shift, x, y);
}
int TDBGrid::IndicatorWidth() const { return options_.Contains(dgIndicator) ? indicator_width_ : 0; }

void TDBGrid::SetIndicatorWidth(int width) {
  width = std::max(width, 1);
  if (width == indicator_width_) return;
  indicator_width_ = width;
  UpdateScrollBar();
  PlaceEditor();
  Invalidate();
}

void TDBGrid::DrawCornerCell(const TRect &r) {
  TCanvas *c = Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(r);
}

void TDBGrid::DrawIndicatorCell(const TRect &r, int, bool current) {
  TCanvas *c = Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(r);
  if (!current) return;
  // The arrow of the current record.
  c->Brush()->SetColor(clBtnText);
  c->Pen()->SetColor(clBtnText);
  const int cy = r.Top + (r.Bottom - r.Top) / 2;
  c->Polygon({Point(r.Left + 3, cy - 4), Point(r.Left + 7, cy), Point(r.Left + 3, cy + 4)});
}

int TDBGrid::VisibleRowCount() const { return std::max(1, (DataHeight() - TitleHeight()) / row_height_); }

void TDBGrid::UpdateBufferCount() {
  link_->SetBufferCount(std::max(VisibleRowCount(), loaded_rows_));
  ShowCurrentRow();
}

void TDBGrid::SetLoadedRowCount(int rows) {
  rows = std::max(rows, 0);
  if (rows == loaded_rows_) return;
  TDataSet *ds = link_->Active() ? link_->DataSet() : nullptr;
  if (rows < loaded_rows_ && ds != nullptr && ds->State() == dsBrowse && CurrentRow() >= 0) {
    // The dataset keeps the records up to its active one when its window
    // shrinks: the last shown row stands in for the current record for the
    // moment, so the shown records stay in the window.
    const int last = ShownRowsEnd() - 1;
    const int after_current = last - CurrentRow();
    loaded_rows_ = rows;
    link_->SetActiveRecord(last);
    UpdateBufferCount();
    link_->SetActiveRecord(link_->ActiveRecord() - after_current);
  }
  loaded_rows_ = rows;
  UpdateBufferCount();
  UpdateScrollBar();
  PlaceEditor();
  Invalidate();
}

void TDBGrid::ShowCurrentRow() {
  if (loaded_rows_ == 0) {
    top_row_ = 0;
    return;
  }
  const int visible = VisibleRowCount();
  top_row_ = std::clamp(top_row_, 0, std::max(0, RowCount() - visible));
  const int current = CurrentRow();
  if (current < 0) return;
  if (current < top_row_)
    top_row_ = current;
  else if (current >= top_row_ + visible)
    top_row_ = current - visible + 1;
}

int TDBGrid::ShownRowsEnd() const {
  return loaded_rows_ > 0 ? std::min(RowCount(), top_row_ + VisibleRowCount()) : RowCount();
}

int TDBGrid::RowAt(int y) const {
  if (y < TitleHeight() || y >= DataHeight()) return -1;
  const int row = top_row_ + (y - TitleHeight()) / row_height_;
  return row < ShownRowsEnd() ? row : -1;
}

int TDBGrid::RowCount() const { return link_->Active() ? link_->RecordCount() : 0; }

int TDBGrid::CurrentRow() const {
  if (!link_->Active() || RowCount() == 0) return -1;
  return link_->ActiveRecord();
}

// Columns left of LeftCol lie before the indicator (they are not drawn).
int TDBGrid::ColumnLeft(int column) const {
  int x = IndicatorWidth();
  for (int i = left_col_; i < column && i < ColumnCount(); ++i) x += columns_[static_cast<size_t>(i)]->width_ + 1;
  for (int i = column; i < left_col_ && i < ColumnCount(); ++i) x -= columns_[static_cast<size_t>(i)]->width_ + 1;
  return x;
}

TRect TDBGrid::CellRect(int row, int column) const {
  const int top = row < 0 ? 0 : TitleHeight() + (row - top_row_) * row_height_;
  const int left = ColumnLeft(column);
  const int width = column < ColumnCount() ? columns_[static_cast<size_t>(column)]->width_ : 0;
  return Bounds(left, top, width, row < 0 ? TitleHeight() : row_height_);
}

QString TDBGrid::CellText(int row, int column) const {
  if (row < 0 || row >= RowCount() || column < 0 || column >= ColumnCount()) return QString();
  TField *f = columns_[static_cast<size_t>(column)]->field_;
  if (f == nullptr) return QString();
  // The fields read the link's active record: show row `row` for a moment.
  const int saved = link_->ActiveRecord();
  link_->SetActiveRecord(row);
  QString text;
  try {
    text = f->DisplayText();
  } catch (const rtl::Exception &) {
    text.clear();
  }
  link_->SetActiveRecord(saved);
  return text;
}

TBookmark TDBGrid::RowBookmark(int row) const {
  if (row < 0 || row >= RowCount() || link_->DataSet() == nullptr) return {};
  const int saved = link_->ActiveRecord();
  link_->SetActiveRecord(row);
  TBookmark bookmark;
  try {
    bookmark = link_->DataSet()->GetBookmark();
  } catch (const rtl::Exception &) {
    bookmark.clear();
  }
  link_->SetActiveRecord(saved);
  return bookmark;
}

rtl::Variant TDBGrid::CellValue(int row, int column) const {
  if (row < 0 || row >= RowCount() || column < 0 || column >= ColumnCount()) return rtl::Variant();
  TField *f = columns_[static_cast<size_t>(column)]->field_;
  if (f == nullptr) return rtl::Variant();
  const int saved = link_->ActiveRecord();
  link_->SetActiveRecord(row);
  rtl::Variant value;
  try {
    value = f->Value();
  } catch (const rtl::Exception &) {
    value = rtl::Variant();
  }
  link_->SetActiveRecord(saved);
  return value;
}

void TDBGrid::LinkActiveChanged() {
  BuildColumns();
  UpdateBufferCount();
  Invalidate();
}

void TDBGrid::LinkLayoutChanged() {
  BuildColumns();
  Invalidate();
}

void TDBGrid::LinkDataChanged() {
  UpdateScrollBar();
  UpdateBufferCount();
  PlaceEditor();
  Invalidate();
}

// The window of records follows the height, with or without a widget.
void TDBGrid::Resize() {
  TCustomControl::Resize();
  UpdateScrollBar();
  UpdateBufferCount();
  PlaceEditor();
}

void TDBGrid::Paint() {
  TCanvas *c = Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  c->SetFont(Font());
  ShowCurrentRow();
  const int end = ShownRowsEnd();
  const int current = CurrentRow();
  const bool show_selection = Focused() || options_.Contains(dgAlwaysShowSelection);
  if (options_.Contains(dgTitles)) {
    if (IndicatorWidth() > 0) DrawCornerCell(Rect(0, 0, IndicatorWidth(), TitleHeight()));
    for (int col = left_col_; col < ColumnCount(); ++col) DrawTitleCell(CellRect(-1, col), col);
  }
  for (int row = top_row_; row < end; ++row) {
    if (IndicatorWidth() > 0)
      DrawIndicatorCell(Bounds(0, CellRect(row, 0).Top, IndicatorWidth(), row_height_), row, row == current);
    for (int col = left_col_; col < ColumnCount(); ++col) {
      const bool highlighted = show_selection && row == current && (options_.Contains(dgRowSelect) || col == selected_);
      DrawColumnCell(CellRect(row, col), row, col, highlighted);
    }
  }
  // Grid lines.
  c->Pen()->SetColor(clBtnFace);
  const int shown = std::max(0, end - top_row_);
  const int bottom = TitleHeight() + shown * row_height_;
  if (options_.Contains(dgColLines))
    for (int col = left_col_; col < ColumnCount(); ++col) {
      const int x = ColumnLeft(col) + columns_[static_cast<size_t>(col)]->width_;
      c->MoveTo(x, 0);
      c->LineTo(x, bottom);
    }
  if (options_.Contains(dgRowLines))
    for (int row = 0; row <= shown; ++row) {
      const int y = TitleHeight() + row * row_height_ - 1;
      c->MoveTo(0, y);
      c->LineTo(ColumnLeft(ColumnCount()), y);
    }
}

void TDBGrid::DrawColumnCell(const TRect &r, int row, int column, bool highlighted) {
  TCanvas *c = Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(highlighted ? clHighlight : Color());
  c->FillRect(r);
  c->Font()->SetColor(highlighted ? clHighlightText : Font()->Color());
  TRect t = r;
  InflateRect(t, -2, 0);
  unsigned flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
  const TAlignment align = columns_[static_cast<size_t>(column)]->alignment_;
  if (align == taRightJustify) flags |= DT_RIGHT;
  if (align == taCenter) flags |= DT_CENTER;
  c->Brush()->SetStyle(bsClear);
  DrawText(c, CellText(row, column), t, flags);
  c->Brush()->SetStyle(bsSolid);
}

void TDBGrid::DrawTitleCell(const TRect &r, int column) {
  TCanvas *c = Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(r);
  c->Font()->SetColor(clBtnText);
  TRect t = r;
  InflateRect(t, -2, 0);
  c->Brush()->SetStyle(bsClear);
  DrawText(c, columns_[static_cast<size_t>(column)]->title_, t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  c->Brush()->SetStyle(bsSolid);
}

void TDBGrid::WMGetDlgCode(TMessage &m) {
  m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
  if (options_.Contains(dgTabs)) m.Result |= DLGC_WANTTAB;
}

void TDBGrid::KeyDown(int &key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  TDataSet *ds = link_->Active() ? link_->DataSet() : nullptr;
  if (key == 0 || ds == nullptr) return;
  const bool ctrl = shift.Contains(ssCtrl);
  const bool editing = options_.Contains(dgEditing) && !read_only_ && ds->CanModify();
  switch (key) {
    case VK_UP:
      ds->Prior();
      break;
    case VK_DOWN:
      // Down past the last record appends one to fill in; a new record
      // nobody typed into waits there.
      if (ds->State() == dsInsert && !ds->Modified()) break;
      ds->Next();
      if (editing && ds->Eof() && ds->State() == dsBrowse) ds->Append();
      break;
    case VK_PRIOR:
      ds->MoveBy(-VisibleRowCount());
      break;
    case VK_NEXT:
      ds->MoveBy(VisibleRowCount());
      break;
    case VK_HOME:
      if (ctrl)
        ds->First();
      else
        SetSelectedIndex(0);
      break;
    case VK_END:
      if (ctrl)
        ds->Last();
      else
        SetSelectedIndex(ColumnCount() - 1);
      break;
    case VK_LEFT:
      SetSelectedIndex(selected_ - 1);
      break;
    case VK_RIGHT:
      SetSelectedIndex(selected_ + 1);
      break;
    case VK_TAB:
      if (!options_.Contains(dgTabs) || ctrl) return;
      MoveColumn(shift.Contains(ssShift) ? selected_ - 1 : selected_ + 1);
      break;
    case VK_F2:
      if (!CanEditShow()) return;
      SetEditorMode(true);
      break;
    case VK_INSERT:
      if (!editing || shift.Contains(ssShift)) return;
      ds->Insert();
      break;
    case VK_DELETE:
      if (!ctrl || !editing || ds->IsEmpty()) return;
      if (options_.Contains(dgConfirmDelete) &&
          MessageDlg(QString::fromUtf8(kDeleteRecordQuestion), mtConfirmation, TMsgDlgButtons{mbOK, mbCancel}) != mrOk)
        break;
      ds->Delete();
      break;
    case VK_ESCAPE:
      if (ds->State() != dsEdit && ds->State() != dsInsert) return;
      ds->Cancel();
      break;
    default:
      return;
  }
  key = 0;
}

void TDBGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && CanFocus() && !Focused() && !EditorMode()) SetFocus();
  if (const int row = button == mbLeft ? RowLineAt(x, y) : -1; row >= 0) {
    // A row's bottom line: the drag sizes the rows, it selects nothing.
    if (EditorMode()) SetEditorMode(false);
    sizing_top_ = TitleHeight() + row * row_height_;
    TCustomControl::MouseDown(button, shift, x, y);
    return;
  }
  int column = -1;
  for (int col = left_col_; col < ColumnCount() && x >= IndicatorWidth(); ++col) {
    const TRect r = CellRect(0, col);
    if (x >= r.Left && x < r.Right + 1) column = col;
  }
  if (button == mbLeft && column < 0 && x < IndicatorWidth()) {
    // A row's indicator makes its record current.
    const int row = RowAt(y);
    if (row >= 0 && row != CurrentRow()) {
      if (EditorMode()) SetEditorMode(false);
      link_->MoveBy(row - CurrentRow());
    }
  }
  if (button == mbLeft && column >= 0) {
    if (y < TitleHeight()) {
      if (OnTitleClick) OnTitleClick(columns_[static_cast<size_t>(column)].get());
    } else {
      const int row = RowAt(y);
      if (row >= 0) {
        const bool same_cell = row == CurrentRow() && column == selected_;
        if (EditorMode() && !same_cell) SetEditorMode(false);
        SetSelectedIndex(column);
        const int distance = row - CurrentRow();
        if (distance != 0) link_->MoveBy(distance);
        if (OnCellClick) OnCellClick(columns_[static_cast<size_t>(column)].get());
        // A second click on the selected cell opens its editor.
        if (same_cell && !EditorMode() && CanEditShow() && !shift.Contains(ssDouble)) SetEditorMode(true);
      }
    }
  }
  TCustomControl::MouseDown(button, shift, x, y);
}

void TDBGrid::DoEnter() {
  Invalidate();
  TCustomControl::DoEnter();
}

void TDBGrid::DoExit() {
  Invalidate();
  TCustomControl::DoExit();
}

ORBISCA_PUBLISHED(TDBGrid, TWinControl) {
  p.Property("DataSource", &TDBGrid::DataSource, &TDBGrid::SetDataSource);
  p.Property("DefaultRowHeight", &TDBGrid::DefaultRowHeight, &TDBGrid::SetDefaultRowHeight).Default(18);
}

namespace {
[[maybe_unused]] const bool kGridRegistered = [] {
  RegisterClass<TDBGrid>();
  return true;
}();
}  // namespace

}  // namespace vcl
