// GAngle: an angle in degrees, kept normalised into [0, 360), as the text
// escapements, the font faces and the generators' text output use it.
#pragma once

class GAngle {
 public:
  GAngle() = default;
  explicit GAngle(float degrees) { SetDegrees(degrees); }

  // Stores the angle normalised into [0, 360). The reduction is one fmod,
  // so a huge value costs no more than a small one; a value that is not a
  // number (or infinite) gives 0.
  void SetDegrees(float degrees);
  float GetDegrees() const { return degrees_; }
  // Of the angle in radians (degrees times the single-precision pi / 180).
  float Sin() const;
  float Cos() const;

  static float Normalize(float degrees);

 private:
  float degrees_ = 0.0f;
};
