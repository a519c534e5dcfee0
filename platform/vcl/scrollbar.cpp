// The scroll bar control over QScrollBar (see scrollbar.h).
#include "platform/vcl/scrollbar.h"

#include <QScrollBar>
#include <algorithm>

#include "platform/vcl/reportfailures.h"

namespace vcl {

namespace {

// The size a new bar has, as the platform makes it.
constexpr int kDefaultLength = 121;
constexpr int kDefaultThickness = 16;

}  // namespace

TScrollBar::TScrollBar(TComponent *owner) : TWinControl(owner) {
  SetControlStyle(ControlStyle() - TControlStyle{csClickEvents, csDoubleClicks});
  SetBounds(0, 0, kDefaultLength, kDefaultThickness);
}

QWidget *TScrollBar::CreateWidget(QWidget *parent_widget) {
  auto *bar = new TControlWidget<QScrollBar>(this, parent_widget);
  QObject::connect(bar, &QScrollBar::valueChanged, bar,
                   [this](int value) { ReportFailures(this, [this, value] { UserScrolled(value); }); });
  return bar;
}

QScrollBar *TScrollBar::Bar() const { return static_cast<QScrollBar *>(widget_); }

void TScrollBar::InitWidget() {
  TWinControl::InitWidget();
  ApplyToWidget();
}

void TScrollBar::ApplyToWidget() {
  if (widget_ == nullptr) return;
  updating_ = true;
  Bar()->setOrientation(kind_ == sbHorizontal ? Qt::Horizontal : Qt::Vertical);
  Bar()->setRange(min_, max_);
  Bar()->setSingleStep(small_change_);
  Bar()->setPageStep(large_change_);
  Bar()->setValue(position_);
  updating_ = false;
}

void TScrollBar::SetKind(TScrollBarKind kind) {
  if (kind == kind_) return;
  kind_ = kind;
  SetBounds(Left(), Top(), Height(), Width());
  ApplyToWidget();
}

void TScrollBar::SetParams(int position, int min, int max) {
  max = std::max(max, min);
  position = std::clamp(position, min, max);
  const bool moved = position != position_;
  min_ = min;
  max_ = max;
  position_ = position;
  ApplyToWidget();
  if (moved && OnChange) OnChange(this);
}

void TScrollBar::SetSmallChange(int value) {
  small_change_ = std::max(1, value);
  ApplyToWidget();
}

void TScrollBar::SetLargeChange(int value) {
  large_change_ = std::max(1, value);
  ApplyToWidget();
}

void TScrollBar::UserScrolled(int position) {
  if (updating_ || position == position_) return;
  position_ = std::clamp(position, min_, max_);
  if (OnChange) OnChange(this);
}

ORBISCA_PUBLISHED(TScrollBar, TWinControl) {
  p.Property("Kind", &TScrollBar::Kind, &TScrollBar::SetKind).Default(sbHorizontal);
  p.Property("LargeChange", &TScrollBar::LargeChange, &TScrollBar::SetLargeChange).Default(1);
  p.Property("Max", &TScrollBar::Max, &TScrollBar::SetMax).Default(TScrollBar::kDefaultMax);
  p.Property("Min", &TScrollBar::Min, &TScrollBar::SetMin).Default(0);
  p.Property("Position", &TScrollBar::Position, &TScrollBar::SetPosition).Default(0);
  p.Property("SmallChange", &TScrollBar::SmallChange, &TScrollBar::SetSmallChange).Default(1);
  p.Event("OnChange", &TScrollBar::OnChange);
}

}  // namespace vcl
