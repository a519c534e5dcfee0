// The designer's rulers (see kvruler.h).
#include "report/designer/kvruler.h"

#include "report/designer/kvsurface.h"

namespace report {

namespace {

constexpr int kTickInset = 5;
constexpr int kNumberRise = 6;
constexpr int kFontSize = 7;
constexpr vcl::TColor kMarginColor = 0x808080;

}  // namespace

TCanvasPanel::TCanvasPanel(vcl::TComponent *owner, bool vertical) : vcl::TCustomControl(owner), vertical_(vertical) {
  SetColor(vcl::clWhite);
  SetControlStyle(ControlStyle() + vcl::TControlStyle{vcl::csOpaque});
}

void TCanvasPanel::SetUnit(int unit) {
  if (unit == unit_) return;
  unit_ = unit;
  Invalidate();
}

void TCanvasPanel::SetMargins(int start, int end) {
  margin_start_ = start;
  margin_end_ = end;
  Invalidate();
}

void TCanvasPanel::Paint() {
  vcl::TCanvas *c = Canvas();
  const int w = Width(), h = Height();
  const int length = vertical_ ? h : w;
  const int thickness = vertical_ ? w : h;
  c->Brush()->SetStyle(vcl::bsSolid);
  c->Brush()->SetColor(vcl::clWhite);
  c->FillRect(vcl::Rect(0, 0, w, h));
  c->Brush()->SetColor(kMarginColor);
  if (margin_start_ > 0) c->FillRect(vertical_ ? vcl::Rect(0, 0, w, margin_start_) : vcl::Rect(0, 0, margin_start_, h));
  if (margin_end_ > 0)
    c->FillRect(vertical_ ? vcl::Rect(0, h - margin_end_, w, h) : vcl::Rect(w - margin_end_, 0, w, h));
  c->Font()->SetName(QStringLiteral("Times New Roman"));
  c->Font()->SetSize(kFontSize);
  c->Font()->SetColor(vcl::clBlack);
  c->Brush()->SetStyle(vcl::bsClear);
  c->Pen()->SetColor(vcl::clBlack);
  c->Pen()->SetWidth(1);
  for (const TkvRulerMark &mark : KvRulerMarks(length, unit_)) {
    const int p = mark.Position;
    if (!mark.Number) {
      if (vertical_) {
        c->MoveTo(kTickInset, p);
        c->LineTo(thickness - kTickInset, p);
      } else {
        c->MoveTo(p, kTickInset);
        c->LineTo(p, thickness - kTickInset);
      }
      continue;
    }
    const QString text = QString::number(mark.Value);
    const int tw = c->TextWidth(text);
    if (vertical_)
      c->TextOut((thickness - tw) / 2, p - kNumberRise, text);
    else
      c->TextOut(p - tw / 2, 1, text);
  }
}

}  // namespace report
