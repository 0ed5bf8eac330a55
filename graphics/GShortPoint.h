// GShortPoint and GRealPair: the small geometry values of the graphics
// objects. A point is a pair of signed 16-bit device coordinates (shape
// point lists, offsets, corner sizes); a real pair is two 32-bit floats
// (the scale factors of a transform and of a peripheral).
#pragma once

#include <cstdint>

#include "model/GRealPair.h"

struct GShortPoint {
  int16_t x = 0;
  int16_t y = 0;

  GShortPoint() = default;
  GShortPoint(int16_t px, int16_t py) : x(px), y(py) {}

  bool operator==(const GShortPoint& other) const { return x == other.x && y == other.y; }
  bool operator!=(const GShortPoint& other) const { return !(*this == other); }
};

