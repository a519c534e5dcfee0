// Alignment of the selected objects (see kvalign.h).
#include "report/designer/kvalign.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "report/engine/model/kvclass.h"

namespace report {

namespace {

// One axis: the position and the size along it.
struct Axis {
  std::int32_t TkvView::*Pos;
  std::int32_t TkvView::*Size;
};
constexpr Axis kHorz{&TkvView::x, &TkvView::dx};
constexpr Axis kVert{&TkvView::y, &TkvView::dy};

bool MoveTo(TkvView *view, const Axis &axis, std::int32_t pos) {
  if (view->*axis.Pos == pos) return false;
  view->*axis.Pos = pos;
  return true;
}

// Each object's position from the reference's: `where(view)`.
template <class Where>
bool Line(const std::vector<TkvView *> &selected, const Axis &axis, Where where) {
  bool moved = false;
  for (TkvView *view : selected) moved |= MoveTo(view, axis, where(view));
  return moved;
}

// The group moves as one so that it is centred in `extent`.
bool CentreInPage(const std::vector<TkvView *> &selected, const Axis &axis, int extent) {
  std::int64_t low = std::numeric_limits<std::int64_t>::max();
  std::int64_t high = std::numeric_limits<std::int64_t>::min();
  for (const TkvView *view : selected) {
    low = std::min<std::int64_t>(low, view->*axis.Pos);
    high = std::max<std::int64_t>(high, std::int64_t(view->*axis.Pos) + view->*axis.Size);
  }
  const std::int64_t shift = low + (high - low - extent) / 2;
  bool moved = false;
  for (TkvView *view : selected) moved |= MoveTo(view, axis, std::int32_t(view->*axis.Pos - shift));
  return moved;
}

// Equal steps between the first and the last object along the axis; the
// order is the numeric order of the positions, an object at the same place
// as an earlier one (in page order) going before it.
bool Spread(const std::vector<TkvView *> &selected, const Axis &axis) {
  std::vector<TkvView *> order(selected.rbegin(), selected.rend());
  std::stable_sort(order.begin(), order.end(),
                   [&axis](const TkvView *a, const TkvView *b) { return a->*axis.Pos < b->*axis.Pos; });
  const auto n = static_cast<std::int64_t>(order.size());
  const std::int64_t first = order.front()->*axis.Pos;
  const std::int64_t step = (std::int64_t(order.back()->*axis.Pos) - first) / (n - 1);
  bool moved = false;
  for (std::int64_t i = 1; i + 1 < n; ++i)
    moved |= MoveTo(order[static_cast<size_t>(i)], axis, std::int32_t(first + i * step));
  return moved;
}

}  // namespace

int KvAlignmentMinimum(TkvAlignment alignment) {
  switch (alignment) {
    case TkvAlignment::CentreInPageHorz:
    case TkvAlignment::CentreInPageVert:
      return 1;
    case TkvAlignment::SpreadHorz:
    case TkvAlignment::SpreadVert:
      return 3;
    default:
      return 2;
  }
}

TkvView *KvAlignmentReference(const std::vector<TkvView *> &selected, TkvView *clicked_last) {
  if (selected.empty()) return nullptr;
  if (clicked_last != nullptr && std::find(selected.begin(), selected.end(), clicked_last) != selected.end())
    return clicked_last;
  return selected.back();
}

bool KvAlignViews(const std::vector<TkvView *> &selected, TkvView *reference, TkvAlignment alignment, int page_width,
                  int page_height) {
  if (static_cast<int>(selected.size()) < KvAlignmentMinimum(alignment)) return false;
  if (reference == nullptr) reference = selected.back();
  const TkvView &r = *reference;
  switch (alignment) {
    case TkvAlignment::Left:
      return Line(selected, kHorz, [&r](const TkvView *) { return r.x; });
    case TkvAlignment::Top:
      return Line(selected, kVert, [&r](const TkvView *) { return r.y; });
    case TkvAlignment::Right:
      return Line(selected, kHorz, [&r](const TkvView *v) { return r.x + r.dx - v->dx; });
    case TkvAlignment::Bottom:
      return Line(selected, kVert, [&r](const TkvView *v) { return r.y + r.dy - v->dy; });
    case TkvAlignment::CentresHorz:
      return Line(selected, kHorz, [&r](const TkvView *v) { return r.x + r.dx / 2 - v->dx / 2; });
    case TkvAlignment::CentresVert:
      return Line(selected, kVert, [&r](const TkvView *v) { return r.y + r.dy / 2 - v->dy / 2; });
    case TkvAlignment::CentreInPageHorz:
      return CentreInPage(selected, kHorz, page_width);
    case TkvAlignment::CentreInPageVert:
      return CentreInPage(selected, kVert, page_height);
    case TkvAlignment::SpreadHorz:
      return Spread(selected, kHorz);
    case TkvAlignment::SpreadVert:
      return Spread(selected, kVert);
  }
  return false;
}

}  // namespace report
