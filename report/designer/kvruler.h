// The designer's two rulers: white strips along the top and the left of
// the page, as long as the page, marked every five unit steps (a number at
// every other mark: tens of pixels, centimetres or inches) with the
// page's margins in grey when the page uses them.
#pragma once

#include "platform/vcl/controls.h"

namespace report {

class TCanvasPanel : public vcl::TCustomControl {
  ORBISCA_CLASS(TCanvasPanel, vcl::TCustomControl)

 public:
  TCanvasPanel(vcl::TComponent *owner, bool vertical);

  bool Vertical() const { return vertical_; }
  int Unit() const { return unit_; }
  void SetUnit(int unit);
  // The grey areas at the start and the end of the ruler (0 for none).
  void SetMargins(int start, int end);

 protected:
  void Paint() override;
  Qt::FocusPolicy WidgetFocusPolicy() const override { return Qt::NoFocus; }

 private:
  bool vertical_;
  int unit_ = 1;
  int margin_start_ = 0;
  int margin_end_ = 0;
};

}  // namespace report
