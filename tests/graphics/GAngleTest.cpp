// GAngle: normalisation into [0, 360) for every kind of value, never by a
// loop, and the sine and cosine of the normalised angle.
#include "graphics/GAngle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(GAngleTest, NormalisesIntoZeroTo360) {
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    float given, expected;
  } cases[] = {
      {0.0f, 0.0f},     {90.0f, 90.0f},   {180.0f, 180.0f},   {270.0f, 270.0f},  {360.0f, 0.0f},
      {-30.0f, 330.0f}, {725.0f, 5.0f},   {-720.0f, 0.0f},    {-90.0f, 270.0f},  {-0.0f, 0.0f},
      {359.5f, 359.5f}, {-1e-6f, 0.0f},   {1e30f, std::fmod(1e30f, 360.0f)},
      {-1e30f, 360.0f - std::fmod(1e30f, 360.0f)},
      {std::numeric_limits<float>::quiet_NaN(), 0.0f}, {inf, 0.0f}, {-inf, 0.0f},
      {std::numeric_limits<float>::max(), std::fmod(std::numeric_limits<float>::max(), 360.0f)},
  };
  for (const Case& c : cases) {
    GAngle angle(c.given);
    EXPECT_EQ(angle.GetDegrees(), c.expected) << c.given;
    EXPECT_GE(angle.GetDegrees(), 0.0f);
    EXPECT_LT(angle.GetDegrees(), 360.0f);
    EXPECT_FALSE(std::signbit(angle.GetDegrees())) << c.given;
  }
  GAngle set;
  EXPECT_EQ(set.GetDegrees(), 0.0f);
  set.SetDegrees(-30.0f);
  EXPECT_EQ(set.GetDegrees(), 330.0f);
}

TEST(GAngleTest, SineAndCosineOfTheAngleInRadians) {
  struct Case {
    float degrees, sin, cos;
  } cases[] = {{0, 0, 1}, {90, 1, 0}, {180, 0, -1}, {270, -1, 0}, {-90, -1, 0}, {450, 1, 0}, {30, 0.5f, 0.8660254f}};
  for (const Case& c : cases) {
    GAngle angle(c.degrees);
    EXPECT_NEAR(angle.Sin(), c.sin, 1e-5) << c.degrees;
    EXPECT_NEAR(angle.Cos(), c.cos, 1e-5) << c.degrees;
  }
}

}  // namespace
