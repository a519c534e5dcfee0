// Where the designer's floating tool windows (the inspector and the
// alignment palette) open: inside the screen's work area, over the
// designer's client area but not its title bar, and clear of each other.
// Rectangles are whole windows, frames included, in screen coordinates.
#pragma once

#include <vector>

#include "platform/vcl/graphicstypes.h"

namespace report {

// Whether a window at `place` lies wholly inside `area` and meets none of
// `avoid` (the designer's title bar, the tool windows already placed).
bool KvToolWindowFits(const vcl::TRect &place, const vcl::TRect &area, const std::vector<vcl::TRect> &avoid);

// `wanted` moved (not resized) as little as it takes: inside `area`, then
// below or beside each rectangle of `avoid` it meets, as long as it stays
// inside. When no such place exists, the place inside the area nearest to
// `wanted`.
vcl::TRect KvToolWindowInside(const vcl::TRect &wanted, const vcl::TRect &area, const std::vector<vcl::TRect> &avoid);

}  // namespace report
