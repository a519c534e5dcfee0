// Where the designer's tool windows open (see kvtoolplace.h).
#include "report/designer/kvtoolplace.h"

#include <algorithm>

namespace report {

namespace {

bool Meet(const vcl::TRect &a, const vcl::TRect &b) {
  return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

bool Inside(const vcl::TRect &r, const vcl::TRect &area) {
  return r.Left >= area.Left && r.Top >= area.Top && r.Right <= area.Right && r.Bottom <= area.Bottom;
}

vcl::TRect MovedTo(const vcl::TRect &r, int left, int top) { return {left, top, left + r.Width(), top + r.Height()}; }

// Inside the area; a window larger than the area keeps its top left corner
// (its title bar) on the screen.
vcl::TRect Clamped(const vcl::TRect &r, const vcl::TRect &area) {
  const int left = std::max(area.Left, std::min(r.Left, area.Right - r.Width()));
  const int top = std::max(area.Top, std::min(r.Top, area.Bottom - r.Height()));
  return MovedTo(r, left, top);
}

}  // namespace

bool KvToolWindowFits(const vcl::TRect &place, const vcl::TRect &area, const std::vector<vcl::TRect> &avoid) {
  if (!Inside(place, area)) return false;
  return std::none_of(avoid.begin(), avoid.end(), [&place](const vcl::TRect &r) { return Meet(place, r); });
}

vcl::TRect KvToolWindowInside(const vcl::TRect &wanted, const vcl::TRect &area, const std::vector<vcl::TRect> &avoid) {
  const vcl::TRect start = Clamped(wanted, area);
  if (KvToolWindowFits(start, area, avoid)) return start;
  // Each obstacle offers the places just below it, left of it and right of
  // it; the nearest that fits wins.
  std::vector<vcl::TRect> tries;
  for (const vcl::TRect &r : avoid) {
    tries.push_back(MovedTo(start, start.Left, r.Bottom));
    tries.push_back(MovedTo(start, r.Left - start.Width(), start.Top));
    tries.push_back(MovedTo(start, r.Right, start.Top));
  }
  // Two obstacles at once: below one and beside another.
  const size_t singles = tries.size();
  for (size_t i = 0; i < singles; ++i)
    for (const vcl::TRect &r : avoid) {
      tries.push_back(MovedTo(tries[i], tries[i].Left, std::max(tries[i].Top, r.Bottom)));
      tries.push_back(MovedTo(tries[i], r.Left - start.Width(), tries[i].Top));
    }
  const auto distance = [&start](const vcl::TRect &r) {
    return std::abs(r.Left - start.Left) + std::abs(r.Top - start.Top);
  };
  const vcl::TRect *best = nullptr;
  for (const vcl::TRect &t : tries)
    if (KvToolWindowFits(t, area, avoid) && (best == nullptr || distance(t) < distance(*best))) best = &t;
  return best != nullptr ? *best : start;
}

}  // namespace report
