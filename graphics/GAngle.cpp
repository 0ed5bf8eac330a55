#include "graphics/GAngle.h"

#include <cmath>

namespace {

constexpr float kRadiansPerDegree = 0.017453292f;

}  // namespace

float GAngle::Normalize(float degrees) {
  if (!std::isfinite(degrees)) return 0.0f;
  float reduced = std::fmod(degrees, 360.0f);
  if (reduced < 0.0f) reduced += 360.0f;
  // A tiny negative remainder rounds up to 360 when it is moved up; that is
  // the angle 0. Negative zero is zero as well.
  if (reduced >= 360.0f || reduced == 0.0f) reduced = 0.0f;
  return reduced;
}

void GAngle::SetDegrees(float degrees) { degrees_ = Normalize(degrees); }

float GAngle::Sin() const { return std::sin(degrees_ * kRadiansPerDegree); }

float GAngle::Cos() const { return std::cos(degrees_ * kRadiansPerDegree); }
