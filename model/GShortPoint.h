// GShortPoint: two signed 16-bit values, the small geometry value of the
// model and of the graphics objects: a paper size (x the width, y the
// height), an offset, a device point.
#pragma once

#include <cstdint>

struct GShortPoint {
  int16_t x = 0;
  int16_t y = 0;

  GShortPoint() = default;
  GShortPoint(int16_t px, int16_t py) : x(px), y(py) {}
  bool operator==(const GShortPoint& other) const { return x == other.x && y == other.y; }
  bool operator!=(const GShortPoint& other) const { return !(*this == other); }
};
