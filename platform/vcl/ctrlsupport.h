// Small pieces shared by the implementation files of the further standard
// controls (page control, menus, lists, buttons, mask edit): the platform's
// 3D frame. (Handlers called from a Qt signal run through ReportFailures,
// reportfailures.h.)
#pragma once

#include <QPainter>
#include <QPen>
#include <QRect>
#include <exception>

#include "platform/rtl/exceptions.h"
#include "platform/vcl/forms.h"

namespace vcl::support {

// A frame of `width` pixels, `top` on the top and left, `bottom` on the
// bottom and right; `r` shrinks to what is inside.
inline void Frame3D(TCanvas *canvas, TRect &r, TColor top, TColor bottom, int width) {
  for (int i = 0; i < width; ++i) {
    canvas->Pen()->SetColor(top);
    canvas->MoveTo(r.Left, r.Bottom - 1);
    canvas->LineTo(r.Left, r.Top);
    canvas->LineTo(r.Right - 1, r.Top);
    canvas->Pen()->SetColor(bottom);
    canvas->LineTo(r.Right - 1, r.Bottom - 1);
    canvas->LineTo(r.Left - 1, r.Bottom - 1);
    InflateRect(r, -1, -1);
  }
}

// The focus mark of a push button: a dotted rectangle inside its bevel,
// drawn whenever the button has the focus (Qt's styles show theirs only
// after a key moved the focus, or not at all).
inline void DrawFocusMark(QPainter &painter, const QRect &button, const QColor &ink) {
  constexpr int kInset = 4;
  const QRect r = button.adjusted(kInset, kInset, -kInset - 1, -kInset - 1);
  if (r.width() <= 0 || r.height() <= 0) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(ink, 1, Qt::DotLine));
  painter.drawRect(r);
  painter.restore();
}

}  // namespace vcl::support
