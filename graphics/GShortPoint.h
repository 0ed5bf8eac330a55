// GShortPoint and GRealPair: the small geometry values of the graphics
// objects. A point is a pair of signed 16-bit device coordinates (shape
// point lists, offsets, corner sizes); a real pair is two 32-bit floats
// (the scale factors of a transform and of a peripheral).
#pragma once

#include <cstdint>

#include "model/GShortPoint.h"

struct GRealPair {
  float x = 0.0f;
  float y = 0.0f;

  GRealPair() = default;
  GRealPair(float px, float py) : x(px), y(py) {}

  // Exact comparison: a scale either is the stored factor or it is not.
  bool operator==(const GRealPair& other) const { return x == other.x && y == other.y; }
  bool operator!=(const GRealPair& other) const { return !(*this == other); }
};
