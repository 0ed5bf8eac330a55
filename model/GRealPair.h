// GRealPair: two 32-bit floats, the scale factors of a transform and of a
// peripheral (x across the page, y down it). A value of the model so that
// the peripheral interface can answer a page's scale; the graphics objects
// use the same type.
#pragma once

struct GRealPair {
  float x = 0.0f;
  float y = 0.0f;

  GRealPair() = default;
  GRealPair(float px, float py) : x(px), y(py) {}

  // Exact comparison: a scale either is the stored factor or it is not.
  bool operator==(const GRealPair& other) const { return x == other.x && y == other.y; }
  bool operator!=(const GRealPair& other) const { return !(*this == other); }
};
