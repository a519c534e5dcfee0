// The vocabulary of the graphics (see graphics.h): their exceptions and the
// platform's points, rectangles and sizes with the rectangle helpers.
#pragma once

#include <QRect>

#include "platform/rtl/exceptions.h"

namespace vcl {

using rtl::Exception;
ORBISCA_EXCEPTION(EInvalidGraphic, Exception)
ORBISCA_EXCEPTION(EInvalidGraphicOperation, Exception)
ORBISCA_EXCEPTION(EJPEG, EInvalidGraphic)

// ---------------------------------------------------------------------------
// Points and rectangles

struct TPoint {
  int X = 0;
  int Y = 0;
  constexpr bool operator==(const TPoint &) const = default;
};

// Right and Bottom are exclusive: Rect(0, 0, 10, 10) is 10 x 10 pixels.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  constexpr int Width() const { return Right - Left; }
  constexpr int Height() const { return Bottom - Top; }
  constexpr TPoint TopLeft() const { return {Left, Top}; }
  constexpr TPoint BottomRight() const { return {Right, Bottom}; }
  constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  constexpr bool operator==(const TRect &) const = default;
};

struct TSize {
  int cx = 0;
  int cy = 0;
  constexpr bool operator==(const TSize &) const = default;
};

constexpr TPoint Point(int x, int y) { return {x, y}; }
constexpr TRect Rect(int left, int top, int right, int bottom) { return {left, top, right, bottom}; }
constexpr TRect Bounds(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }
// Grows (or with negative values shrinks) the rectangle on every side.
void InflateRect(TRect &r, int dx, int dy);
void OffsetRect(TRect &r, int dx, int dy);
// Left/Top inclusive, Right/Bottom exclusive.
bool PtInRect(const TRect &r, const TPoint &p);
// The common part of a and b into dest; false (and an empty dest) when none.
bool IntersectRect(TRect &dest, const TRect &a, const TRect &b);
// The smallest rectangle holding both; an empty side does not count.
bool UnionRect(TRect &dest, const TRect &a, const TRect &b);
bool IsRectEmpty(const TRect &r);

QRect ToQRect(const TRect &r);
TRect FromQRect(const QRect &r);

}  // namespace vcl
