// Small pieces shared by the implementation files of the further standard
// controls (page control, menus, lists, buttons, mask edit): the platform's
// 3D frame. (Handlers called from a Qt signal run through ReportFailures,
// reportfailures.h.)
#pragma once

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

}  // namespace vcl::support
