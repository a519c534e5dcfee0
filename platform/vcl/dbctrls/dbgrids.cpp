// The data grid (see dbgrids.h).
#include "platform/vcl/dbctrls/dbgrids.h"

#include <algorithm>

#include "platform/vcl/ctrlsupport.h"

namespace vcl {

class TDBGrid::GridLink : public TDataLink {
 public:
  explicit GridLink(TDBGrid *grid) : grid_(grid) {}

 protected:
  void ActiveChanged() override { grid_->LinkActiveChanged(); }
  void LayoutChanged() override { grid_->LinkLayoutChanged(); }
  void DataSetChanged() override { grid_->LinkDataChanged(); }
  void DataSetScrolled(int) override { grid_->LinkDataChanged(); }
  void RecordChanged(TField *) override { grid_->LinkDataChanged(); }
  void EditingChanged() override { grid_->LinkDataChanged(); }

 private:
  TDBGrid *grid_;
};

void TColumn::SetTitle(const QString &title) {
  title_ = title;
  if (grid_ != nullptr) grid_->Invalidate();
}

void TColumn::SetWidth(int width) {
  width_ = std::max(width, 0);
  if (grid_ != nullptr) grid_->Invalidate();
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

TDataSource *TDBGrid::DataSource() const { return link_->DataSource(); }

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
  if (index < 0 || index >= ColumnCount())
    throw rtl::EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
  return columns_[static_cast<size_t>(index)].get();
}

void TDBGrid::SetSelectedIndex(int index) {
  if (columns_.empty()) return;
  selected_ = std::clamp(index, 0, ColumnCount() - 1);
  Invalidate();
}

TField *TDBGrid::SelectedField() const {
  return selected_ < ColumnCount() ? columns_[static_cast<size_t>(selected_)]->field_ : nullptr;
}

void TDBGrid::BuildColumns() {
  columns_.clear();
  TDataSet *ds = link_->Active() ? link_->DataSet() : nullptr;
  if (ds != nullptr) {
    const int char_width = std::max(1, Canvas()->HandleAllocated() ? Canvas()->TextWidth("0") : 7);
    for (int i = 0; i < ds->FieldCount(); ++i) {
      TField *f = ds->Fields()[i];
      if (!f->Visible()) continue;
      auto col = std::make_unique<TColumn>();
      col->grid_ = this;
      col->field_name_ = f->FieldName();
      col->field_ = f;
      col->title_ = f->DisplayLabel();
      // Wide enough for the field's display width or its title.
      col->width_ = std::max(f->DisplayWidth(), static_cast<int>(col->title_.size())) * char_width + 4;
      col->alignment_ = f->Alignment();
      col->index_ = static_cast<int>(columns_.size());
      columns_.push_back(std::move(col));
    }
  }
  if (selected_ >= ColumnCount()) selected_ = std::max(0, ColumnCount() - 1);
}

int TDBGrid::TitleHeight() const { return options_.Contains(dgTitles) ? row_height_ : 0; }
int TDBGrid::IndicatorWidth() const { return options_.Contains(dgIndicator) ? 11 : 0; }

int TDBGrid::VisibleRowCount() const { return std::max(1, (ClientHeight() - TitleHeight()) / row_height_); }

void TDBGrid::UpdateBufferCount() { link_->SetBufferCount(VisibleRowCount()); }

int TDBGrid::RowCount() const { return link_->Active() ? link_->RecordCount() : 0; }

int TDBGrid::CurrentRow() const {
  if (!link_->Active() || RowCount() == 0) return -1;
  return link_->ActiveRecord();
}

int TDBGrid::ColumnLeft(int column) const {
  int x = IndicatorWidth();
  for (int i = 0; i < column && i < ColumnCount(); ++i) x += columns_[static_cast<size_t>(i)]->width_ + 1;
  return x;
}

TRect TDBGrid::CellRect(int row, int column) const {
  const int top = row < 0 ? 0 : TitleHeight() + row * row_height_;
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

void TDBGrid::LinkDataChanged() { Invalidate(); }

// The window of records follows the height, with or without a widget.
void TDBGrid::Resize() {
  TCustomControl::Resize();
  UpdateBufferCount();
}

void TDBGrid::Paint() {
  TCanvas *c = Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  c->SetFont(Font());
  const int rows = RowCount();
  const int current = CurrentRow();
  const bool show_selection = Focused() || options_.Contains(dgAlwaysShowSelection);
  const auto cell = [&](const TRect &r, const QString &text, TAlignment align, TColor back, TColor fore) {
    c->Brush()->SetColor(back);
    c->FillRect(r);
    c->Font()->SetColor(fore);
    TRect t = r;
    InflateRect(t, -2, 0);
    unsigned flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    if (align == taRightJustify) flags |= DT_RIGHT;
    if (align == taCenter) flags |= DT_CENTER;
    c->Brush()->SetStyle(bsClear);
    DrawText(c, text, t, flags);
    c->Brush()->SetStyle(bsSolid);
  };
  if (options_.Contains(dgTitles)) {
    if (IndicatorWidth() > 0)
      cell(Rect(0, 0, IndicatorWidth(), TitleHeight()), QString(), taLeftJustify, clBtnFace, clBtnText);
    for (int col = 0; col < ColumnCount(); ++col) DrawTitleCell(CellRect(-1, col), col);
  }
  for (int row = 0; row < rows; ++row) {
    if (IndicatorWidth() > 0) {
      const TRect r = Bounds(0, TitleHeight() + row * row_height_, IndicatorWidth(), row_height_);
      cell(r, QString(), taLeftJustify, clBtnFace, clBtnText);
      if (row == current) {
        // The arrow of the current record.
        c->Brush()->SetColor(clBtnText);
        const int cy = r.Top + row_height_ / 2;
        c->Pen()->SetColor(clBtnText);
        c->Polygon({Point(r.Left + 3, cy - 4), Point(r.Left + 7, cy), Point(r.Left + 3, cy + 4)});
      }
    }
    for (int col = 0; col < ColumnCount(); ++col) {
      const bool highlighted = show_selection && row == current && (options_.Contains(dgRowSelect) || col == selected_);
      DrawColumnCell(CellRect(row, col), row, col, highlighted);
    }
  }
  // Grid lines.
  c->Pen()->SetColor(clBtnFace);
  const int bottom = TitleHeight() + rows * row_height_;
  if (options_.Contains(dgColLines))
    for (int col = 0; col < ColumnCount(); ++col) {
      const int x = ColumnLeft(col) + columns_[static_cast<size_t>(col)]->width_;
      c->MoveTo(x, 0);
      c->LineTo(x, bottom);
    }
  if (options_.Contains(dgRowLines))
    for (int row = 0; row <= rows; ++row) {
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

void TDBGrid::WMGetDlgCode(TMessage &m) { m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; }

void TDBGrid::KeyDown(int &key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  TDataSet *ds = link_->Active() ? link_->DataSet() : nullptr;
  if (key == 0 || ds == nullptr) return;
  const bool ctrl = shift.Contains(ssCtrl);
  switch (key) {
    case VK_UP:
      ds->Prior();
      break;
    case VK_DOWN:
      ds->Next();
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
    default:
      return;
  }
  key = 0;
}

void TDBGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && CanFocus() && !Focused()) SetFocus();
  int column = -1;
  for (int col = 0; col < ColumnCount(); ++col) {
    const TRect r = CellRect(0, col);
    if (x >= r.Left && x < r.Right + 1) column = col;
  }
  if (button == mbLeft && column >= 0) {
    if (y < TitleHeight()) {
      if (OnTitleClick) OnTitleClick(columns_[static_cast<size_t>(column)].get());
    } else {
      const int row = (y - TitleHeight()) / row_height_;
      if (row < RowCount()) {
        SetSelectedIndex(column);
        const int distance = row - CurrentRow();
        if (distance != 0) link_->MoveBy(distance);
        if (OnCellClick) OnCellClick(columns_[static_cast<size_t>(column)].get());
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
