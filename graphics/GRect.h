// GRect: a rectangle of signed 16-bit coordinates, left, top, right and
// bottom, in the units of its owner (device units for destinations, bounds
// and clips; image pixels for bitmaps and raster source rectangles). Right
// and bottom lie just outside the rectangle.
#pragma once

#include <algorithm>
#include <cstdint>

struct GRect {
  int16_t left = 0;
  int16_t top = 0;
  int16_t right = 0;
  int16_t bottom = 0;

  GRect() = default;
  GRect(int16_t l, int16_t t, int16_t r, int16_t b) : left(l), top(t), right(r), bottom(b) {}

  bool Equals(const GRect& other) const {
    return this == &other ||
           (left == other.left && top == other.top && right == other.right && bottom == other.bottom);
  }
  // Only a zero width or height is empty; a reversed rectangle is not.
  bool IsEmpty() const { return left == right || top == bottom; }
  // The common part, or (0, 0, 0, 0) when the rectangles do not overlap
  // (touching rectangles included).
  GRect Intersect(const GRect& other) const {
    const int16_t l = std::max(left, other.left);
    const int16_t t = std::max(top, other.top);
    const int16_t r = std::min(right, other.right);
    const int16_t b = std::min(bottom, other.bottom);
    if (l < r && t < b) return GRect(l, t, r, b);
    return GRect();
  }
  // right - left and bottom - top, widened so that no coordinate pair
  // overflows.
  int32_t Width() const { return static_cast<int32_t>(right) - left; }
  int32_t Height() const { return static_cast<int32_t>(bottom) - top; }
};
