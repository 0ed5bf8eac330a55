// GShortPoint and GRealPair: the small geometry values of the graphics
// objects. A point is a pair of signed 16-bit device coordinates (shape
// point lists, offsets, corner sizes); a real pair is two 32-bit floats
// (the scale factors of a transform and of a peripheral).
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

struct GRealPair {
  float x = 0.0f;
  float y = 0.0f;

  GRealPair() = default;
  GRealPair(float px, float py) : x(px), y(py) {}

  // Exact comparison: a scale either is the stored factor or it is not.
  bool operator==(const GRealPair& other) const { return x == other.x && y == other.y; }
  bool operator!=(const GRealPair& other) const { return !(*this == other); }
};
