// Colour interpolation, palettes and blends of the styled drawing
// routines; see qelgraph.h. The painting itself is in qelpaint.cpp.
#include "controls/styled/qelgraph.h"

#include <cmath>

#include "platform/rtl/numbers.h"

namespace qel {

using vcl::ColorToRGB;
using vcl::GetBValue;
using vcl::GetGValue;
using vcl::GetRValue;
using vcl::RGB;

void BuildGradientColors(TColor from, TColor to, int count, bool clear, TQELColorList *list) {
  if (list == nullptr || count <= 0) return;
  if (clear) list->clear();
  from = ColorToRGB(from);
  to = ColorToRGB(to);
  const int last = count - 1;
  if (last < 1) {
    // One colour has no steps to divide: it is the start colour (appending
    // adds nothing, the list already ends with it).
    if (clear) list->push_back(from);
    return;
  }
  const int r = GetRValue(from), g = GetGValue(from), b = GetBValue(from);
  const int dr = GetRValue(to) - r, dg = GetGValue(to) - g, db = GetBValue(to) - b;
  for (int i = clear ? 0 : 1; i <= last; ++i)
    list->push_back(RGB(r + rtl::MulDiv(i, dr, last), g + rtl::MulDiv(i, dg, last), b + rtl::MulDiv(i, db, last)));
}

TQELPalette CreateGradientPalette(const TQELColorList &list) {
  if (list.empty()) return nullptr;
  return std::make_shared<const TQELColorList>(list);
}

TColor BlendColor(TColor a, TColor b, int w, int n) {
  // System colours carry an index, not bytes: blend what they show.
  a = ColorToRGB(a);
  b = ColorToRGB(b);
  if (n == 0) return a;
  auto channel = [&](int ca, int cb) { return ca + static_cast<int>(std::lround(double(w) * (cb - ca) / n)); };
  return RGB(channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)),
             channel(GetBValue(a), GetBValue(b)));
}

}  // namespace qel
