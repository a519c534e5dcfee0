// The lookup list: rows of the lookup source drawn in the control with a
// scroll bar of its own, selection by keys, mouse and wheel, and the popup
// form of it that the combo drops down (see mwlookup.h).
#include <QScrollBar>
#include <QWidget>
#include <algorithm>

#include "controls/extended/mwlookup.h"
#include "controls/extended/tooledit.h"

namespace ext {

using namespace vcl;

// --- TMwDBLookupList ------------------------------------------------------------------------------

TMwDBLookupList::TMwDBLookupList(TComponent *owner) : TMwLookupControl(owner) {
  SetBounds(0, 0, 121, 0);
  SetRowCount(7);
  scroll_timer_.OnTimer = [this] { TimerScroll(); };
}

int TMwDBLookupList::RowCount() const { return std::max(1, (Height() - border_size_) / ItemHeight()); }

void TMwDBLookupList::SetRowCount(int rows) {
  rows = std::clamp(rows, 1, 50);
  SetHeight(rows * ItemHeight() + border_size_);
  lookup_link_->SetBufferCount(std::max(1, EmptyRowShown() ? rows - 1 : rows));
}

int TMwDBLookupList::RowsWidth() const {
  return std::max(0, ClientWidth() - (scroll_bar_shown_ ? VScrollBarWidth() : 0));
}

void TMwDBLookupList::AttachScrollBar(QWidget *w) {
  scroll_bar_ = new QScrollBar(Qt::Vertical, w);
  scroll_bar_->setRange(0, 4);
  scroll_bar_->setPageStep(1);
  scroll_bar_->setTracking(false);
  scroll_bar_->setFocusPolicy(Qt::NoFocus);
  scroll_bar_->hide();
  QObject::connect(scroll_bar_, &QAbstractSlider::actionTriggered, w, [this](int action) { ScrollAction(action); });
  QObject::connect(scroll_bar_, &QAbstractSlider::sliderReleased, w, [this] {
    // Only the ends of the track mean a place in the records.
    const int pos = scroll_bar_->sliderPosition();
    TDataSet *ds = lookup_link_->DataSet();
    if (list_active_ && pos == 0) ds->First();
    if (list_active_ && pos == 4) ds->Last();
    UpdateScrollBar();
  });
}

QWidget *TMwDBLookupList::CreateWidget(QWidget *parent_widget) {
  QWidget *w = TMwLookupControl::CreateWidget(parent_widget);
  AttachScrollBar(w);
  return w;
}

void TMwDBLookupList::InitWidget() {
  TMwLookupControl::InitWidget();
  UpdateScrollBar();
}

void TMwDBLookupList::Resize() {
  TMwLookupControl::Resize();
  lookup_link_->SetBufferCount(std::max(1, EmptyRowShown() ? RowCount() - 1 : RowCount()));
  UpdateScrollBar();
}

void TMwDBLookupList::UpdateScrollBar() {
  TDataSet *ds = lookup_link_->DataSet();
  const bool shown =
      list_active_ && lookup_link_->RecordCount() > 0 && lookup_link_->RecordCount() >= lookup_link_->BufferCount();
  int pos = 0;
  if (shown && !ds->Bof()) pos = ds->Eof() ? 4 : 2;
  const bool changed = shown != scroll_bar_shown_;
  scroll_bar_shown_ = shown;
  if (scroll_bar_ != nullptr) {
    const int sbw = VScrollBarWidth();
    scroll_bar_->setGeometry(Width() - 1 - sbw, 1, sbw, std::max(0, Height() - 2));
    scroll_bar_->setVisible(shown);
    // Also from inside an action: the slider then keeps this position.
    scroll_bar_->setValue(pos);
    scroll_bar_->setSliderPosition(pos);
  }
  if (changed) Invalidate();
}

void TMwDBLookupList::ScrollRows(int rows) {
  if (!list_active_ || rows == 0) return;
  TDataSet *ds = lookup_link_->DataSet();
  // Moving the cursor just past the window's edge makes the window follow.
  if (rows < 0)
    ds->MoveBy(rows - lookup_link_->ActiveRecord());
  else
    ds->MoveBy(lookup_link_->RecordCount() - 1 - lookup_link_->ActiveRecord() + rows);
  UpdateScrollBar();
  Invalidate();
}

void TMwDBLookupList::ScrollAction(int action) {
  if (!list_active_) return;
  const int page = std::max(1, lookup_link_->RecordCount() - 1);
  TDataSet *ds = lookup_link_->DataSet();
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      ScrollRows(-1);
      break;
    case QAbstractSlider::SliderSingleStepAdd:
      ScrollRows(1);
      break;
    case QAbstractSlider::SliderPageStepSub:
      ScrollRows(-page);
      break;
    case QAbstractSlider::SliderPageStepAdd:
      ScrollRows(page);
      break;
    case QAbstractSlider::SliderToMinimum:
      ds->First();
      break;
    case QAbstractSlider::SliderToMaximum:
      ds->Last();
      break;
    default:
      return;  // thumb drags end in sliderReleased
  }
  UpdateScrollBar();
  Invalidate();
}

bool TMwDBLookupList::DoMouseWheel(TShiftState shift, int delta, const TPoint &pos) {
  if (TMwLookupControl::DoMouseWheel(shift, delta, pos)) return true;
  if (!list_active_ || delta == 0) return false;
  const int page = std::max(1, lookup_link_->RecordCount() - 1);
  ScrollRows(delta < 0 ? page : -page);
  return true;
}

void TMwDBLookupList::LookupActiveChanged() {
  lookup_link_->SetBufferCount(std::max(1, EmptyRowShown() ? RowCount() - 1 : RowCount()));
  TMwLookupControl::LookupActiveChanged();
  UpdateScrollBar();
}

void TMwDBLookupList::LookupDataChanged() {
  TMwLookupControl::LookupDataChanged();
  UpdateScrollBar();
}

void TMwDBLookupList::SelectFirst() {
  TDataSet *ds = lookup_link_->DataSet();
  if (!CanModify()) return;
  ds->First();
  SelectKeyValue(FieldText(key_field_));
}

void TMwDBLookupList::SelectLast() {
  TDataSet *ds = lookup_link_->DataSet();
  if (!CanModify()) return;
  ds->Last();
  SelectKeyValue(FieldText(key_field_));
}

void TMwDBLookupList::MoveSelection(int distance) {
  if (!CanModify()) return;
  search_text_.clear();
  TDataSet *ds = lookup_link_->DataSet();
  if (value_ == EmptyValue()) {
    if (distance > 0) SelectFirst();
    return;
  }
  // Start from the record that holds the value; when none does, only
  // re-locate it.
  if (FieldText(key_field_) != value_) {
    LocateKey();
    return;
  }
  const bool at_first = ds->Bof() || (distance < 0 && ds->MoveBy(-1) == 0);
  if (distance < 0 && !at_first) ds->MoveBy(1);
  if (distance < 0 && at_first && EmptyRowShown()) {
    ClearValue();
    return;
  }
  ds->MoveBy(distance);
  SelectKeyValue(FieldText(key_field_));
}

void TMwDBLookupList::KeyDown(int &key, TShiftState shift) {
  TMwLookupControl::KeyDown(key, shift);
  if (!CanModify()) return;
  const int page = std::max(1, RowCount() - 1 - (EmptyRowShown() ? 1 : 0));
  switch (key) {
    case VK_UP:
    case VK_LEFT:
      MoveSelection(-1);
      break;
    case VK_DOWN:
    case VK_RIGHT:
      MoveSelection(1);
      break;
    case VK_PRIOR:
      MoveSelection(-page);
      break;
    case VK_NEXT:
      MoveSelection(page);
      break;
    case VK_HOME:
      search_text_.clear();
      SelectFirst();
      break;
    case VK_END:
      search_text_.clear();
      SelectLast();
      break;
    default:
      return;
  }
  key = 0;
}

void TMwDBLookupList::SelectRowAt(int y) {
  int row = (y - border_size_ / 2) / ItemHeight();
  if (y < border_size_ / 2) return;
  if (EmptyRowShown()) {
    if (row == 0) {
      if (value_ != EmptyValue()) ClearValue();
      return;
    }
    --row;
  }
  if (row >= lookup_link_->RecordCount()) return;
  const int saved = lookup_link_->ActiveRecord();
  lookup_link_->SetActiveRecord(row);
  const QString key = FieldText(key_field_);
  lookup_link_->SetActiveRecord(saved);
  if (key == value_ && FieldText(key_field_) == key) return;
  Locate(key_field_, key, true);
  SelectKeyValue(key);
}

void TMwDBLookupList::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TMwLookupControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  search_text_.clear();
  if (!IsPopupList() && CanFocus()) SetFocus();
  if (!CanModify()) return;
  SelectRowAt(y);
  tracking_ = true;
  mouse_y_ = y;
  if (HandleAllocated() && Handle()->isVisible()) SetCaptureControl(this);
}

void TMwDBLookupList::MouseMove(TShiftState shift, int x, int y) {
  TMwLookupControl::MouseMove(shift, x, y);
  if (!tracking_ || !CanModify()) return;
  if (y >= 0 && y < Height()) SelectRowAt(y);
  mouse_y_ = y;
  TimerScroll();
}

void TMwDBLookupList::TimerScroll() {
  int delta = 0, distance = 0;
  if (mouse_y_ < 0) {
    delta = -1;
    distance = -mouse_y_;
  } else if (mouse_y_ >= Height()) {
    delta = 1;
    distance = mouse_y_ - Height() + 1;
  }
  if (delta == 0 || !tracking_ || !CanModify()) {
    scroll_timer_.Stop();
    return;
  }
  TDataSet *ds = lookup_link_->DataSet();
  if (ds->MoveBy(delta) != 0) SelectKeyValue(FieldText(key_field_));
  // Further from the list, faster.
  // The platform's window timers never tick faster than every 10 ms; a
  // 0 ms timer here would spin the event loop for as long as the drag lasts.
  const int interval = std::max(10, 200 - 15 * distance);
  if (!scroll_timer_.Enabled() || scroll_timer_.Interval() != interval) scroll_timer_.Start(interval);
}

void TMwDBLookupList::StopTracking() {
  scroll_timer_.Stop();
  if (tracking_ && GetCaptureControl() == this) SetCaptureControl(nullptr);
  tracking_ = false;
}

void TMwDBLookupList::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  StopTracking();
  TMwLookupControl::MouseUp(button, shift, x, y);
}

void TMwDBLookupList::Paint() {
  TCanvas *c = Canvas();
  c->Font()->Assign(Font());
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  const int ih = ItemHeight();
  int y = border_size_ / 2;
  const int right = RowsWidth() - border_size_ / 2;
  auto row = [&](bool is_empty, bool selected, TColor back) {
    const TRect r = Rect(border_size_ / 2, y, right, y + ih);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(selected ? clHighlight : back);
    c->FillRect(r);
    c->Font()->SetColor(selected ? clHighlightText : Font()->Color());
    const int margin = DrawRowImage(c, r, is_empty);
    DrawRowText(c, Rect(r.Left + margin, r.Top, r.Right, r.Bottom), RowColumns(is_empty));
    if (selected && (Focused() || IsPopupList())) c->DrawFocusRect(r);
    y += ih;
  };
  if (EmptyRowShown()) row(true, value_ == EmptyValue(), EmptyItemColor());
  if (list_active_) {
    const int saved = lookup_link_->ActiveRecord();
    for (int i = 0; i < lookup_link_->RecordCount(); ++i) {
      lookup_link_->SetActiveRecord(i);
      row(false, FieldText(key_field_) == value_ && value_ != EmptyValue(), Color());
    }
    lookup_link_->SetActiveRecord(saved);
  }
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(clWindowFrame);
  if (border_style_ == bsSingle) c->FrameRect(ClientRect());
  TMwLookupControl::Paint();
}

// --- TMwPopupDataList ------------------------------------------------------------------------------

TMwPopupDataList::TMwPopupDataList(TComponent *owner) : TMwDBLookupList(owner) {
  SetVisible(false);
  SetTabStop(false);
}

QWidget *TMwPopupDataList::CreateWidget(QWidget *) {
  auto *w =
      new TControlWidget<QWidget>(this, nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
  w->setAttribute(Qt::WA_ShowWithoutActivating);
  w->setFocusPolicy(Qt::NoFocus);
  AttachScrollBar(w);
  return w;
}

void TMwPopupDataList::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TMwDBLookupList::MouseUp(button, shift, x, y);
  if (button == mbLeft && OnCloseUp) OnCloseUp(x >= 0 && y >= 0 && x < Width() && y < Height());
}

ORBISCA_PUBLISHED(TMwDBLookupList, TMwLookupControl) {
  p.Property("BorderStyle", &TMwDBLookupList::BorderStyle, &TMwDBLookupList::SetBorderStyle).Default(vcl::bsSingle);
}

}  // namespace ext
