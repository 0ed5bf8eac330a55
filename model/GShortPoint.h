// GShortPoint: a pair of signed 16-bit values, the small geometry value of
// the model and the graphics objects: paper sizes and offsets of a medium
// (x the width, y the height), shape points, corner sizes and offsets of
// the graphics objects in device coordinates.
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
