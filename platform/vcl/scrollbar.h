// The stand-alone scroll bar control: a range, a position and the steps of
// a click on an arrow (small change) or on the track (large change). A
// position set by code or moved by the user fires OnChange once.
#pragma once

#include "platform/vcl/controls.h"

class QScrollBar;

namespace vcl {

ORBISCA_ENUM(TScrollBarKind, sbHorizontal, sbVertical)

class TScrollBar : public TWinControl {
  ORBISCA_CLASS(TScrollBar, TWinControl)

 public:
  static constexpr int kDefaultMax = 100;

  explicit TScrollBar(TComponent *owner);

  TScrollBarKind Kind() const { return kind_; }
  void SetKind(TScrollBarKind kind);
  int Min() const { return min_; }
  void SetMin(int value) { SetParams(position_, value, max_); }
  int Max() const { return max_; }
  void SetMax(int value) { SetParams(position_, min_, value); }
  int Position() const { return position_; }
  void SetPosition(int value) { SetParams(value, min_, max_); }
  // All three at once; the position is kept within the range (a maximum
  // below the minimum is taken as the minimum).
  void SetParams(int position, int min, int max);
  int SmallChange() const { return small_change_; }
  void SetSmallChange(int value);
  int LargeChange() const { return large_change_; }
  void SetLargeChange(int value);

  TNotifyEvent OnChange;
  // Internal: the user moved the bar.
  void UserScrolled(int position);

 protected:
  QWidget *CreateWidget(QWidget *parent_widget) override;
  void InitWidget() override;
  Qt::FocusPolicy WidgetFocusPolicy() const override { return Qt::NoFocus; }

 private:
  QScrollBar *Bar() const;
  void ApplyToWidget();
  TScrollBarKind kind_ = sbHorizontal;
  int min_ = 0;
  int max_ = kDefaultMax;
  int position_ = 0;
  int small_change_ = 1;
  int large_change_ = 1;
  bool updating_ = false;
};

}  // namespace vcl
