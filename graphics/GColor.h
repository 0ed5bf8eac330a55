// GColor: the colour value of the drawing model, and GRGBColor, its one
// concrete form (red, green, blue and a fourth byte). Every reader gets the
// components of any colour through GColor::GetRGBColor. GRGBTriple is the
// plain three-byte value that colour negation yields.
//
// The fourth byte is stored, copied and compared with the colour; the
// arithmetic operators set it to 255, the default constructor to 0. Nothing
// reads it for output: the generators and raster stages use red, green and
// blue only.
#pragma once

#include <cstdint>

#include "model/MPersistentObject.h"

constexpr RWClassID GColorClassId = 51;
constexpr RWClassID GRGBColorClassId = 53;

class GRGBColor;

class GRGBTriple {
 public:
  GRGBTriple() = default;
  GRGBTriple(uint8_t red, uint8_t green, uint8_t blue) : red_(red), green_(green), blue_(blue) {}

  uint8_t GetRed() const { return red_; }
  uint8_t GetGreen() const { return green_; }
  uint8_t GetBlue() const { return blue_; }

  friend bool operator==(const GRGBTriple& a, const GRGBTriple& b) {
    return a.red_ == b.red_ && a.green_ == b.green_ && a.blue_ == b.blue_;
  }

 private:
  uint8_t red_ = 0;
  uint8_t green_ = 0;
  uint8_t blue_ = 0;
};

class GColor : public MPersistentObject {
 public:
  GColor() = default;
  explicit GColor(const int32_t& id) : MPersistentObject(id) {}
  GColor(const GColor& other) = default;
  GColor& operator=(const GColor& other) = default;
  ~GColor() override;

  static RWClassID StaticClassId() { return GColorClassId; }
  static uint32_t ClassVersion() { return 1; }

  GColor* CreateSameKind() const override = 0;
  GColor* Clone() const override = 0;
  QV_PERSISTENT_ID();

  RW_STORED_MEMBERS();

  virtual void SetFourthByte(uint8_t value) = 0;
  virtual uint8_t GetFourthByte() const = 0;
  // Makes target a GRGBColor copy of this colour (all four bytes, and the
  // persistent base) and returns it. target is the caller's.
  virtual GRGBColor* GetRGBColor(GRGBColor* target) const = 0;
};

class GRGBColor : public GColor {
 public:
  // All four bytes 0.
  GRGBColor();
  GRGBColor(uint8_t red, uint8_t green, uint8_t blue, uint8_t fourth);
  GRGBColor(const GRGBTriple& triple, uint8_t fourth);
  GRGBColor(const GRGBColor& other);
  // Copies the four bytes and the persistent base.
  GRGBColor& operator=(const GRGBColor& other) { return Assign(other); }
  GRGBColor& Assign(const GRGBColor& other);
  ~GRGBColor() override;

  static RWClassID StaticClassId() { return GRGBColorClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GRGBColor);
  // The same object, or a colour of the same class with the same four
  // bytes; the feature id is not compared.
  int Matches(const MPersistentObject* other) const override;

  RW_STORED_MEMBERS();

  void SetFourthByte(uint8_t value) override { fourth_ = value; }
  uint8_t GetFourthByte() const override { return fourth_; }
  GRGBColor* GetRGBColor(GRGBColor* target) const override;

  uint8_t GetRed() const { return red_; }
  uint8_t GetGreen() const { return green_; }
  uint8_t GetBlue() const { return blue_; }
  void SetRed(uint8_t value) { red_ = value; }
  void SetGreen(uint8_t value) { green_ = value; }
  void SetBlue(uint8_t value) { blue_ = value; }
  void Set(uint8_t red, uint8_t green, uint8_t blue, uint8_t fourth);
  void GetComponents(uint8_t* red, uint8_t* green, uint8_t* blue, uint8_t* fourth) const;
  // (256 - c) modulo 256 for each of red, green and blue.
  void Negate(GRGBTriple* out) const;

  // Component arithmetic modulo 256; a scalar takes part through its low
  // byte; each result has fourth byte 255. Division is unsigned; a zero
  // divisor gives 255 (the limit of the quotient).
  GRGBColor& operator+=(const GRGBColor& other);
  GRGBColor& operator-=(const GRGBColor& other);
  GRGBColor& operator*=(const GRGBColor& other);
  GRGBColor& operator/=(const GRGBColor& other);
  GRGBColor& operator+=(int scalar);
  GRGBColor& operator-=(int scalar);
  GRGBColor& operator*=(int scalar);
  GRGBColor& operator/=(int scalar);

 private:
  // Applies op to each of red, green and blue with the matching byte of
  // (r, g, b), then sets the fourth byte to 255.
  template <typename Op>
  GRGBColor& Combine(uint8_t r, uint8_t g, uint8_t b, Op op);

  uint8_t red_;
  uint8_t green_;
  uint8_t blue_;
  uint8_t fourth_;
};

GRGBColor operator+(const GRGBColor& a, const GRGBColor& b);
GRGBColor operator-(const GRGBColor& a, const GRGBColor& b);
GRGBColor operator*(const GRGBColor& a, const GRGBColor& b);
GRGBColor operator/(const GRGBColor& a, const GRGBColor& b);
GRGBColor operator+(const GRGBColor& a, int scalar);
GRGBColor operator-(const GRGBColor& a, int scalar);
GRGBColor operator*(const GRGBColor& a, int scalar);
GRGBColor operator/(const GRGBColor& a, int scalar);
// The scalar is the left operand: scalar - c, scalar / c.
GRGBColor operator+(int scalar, const GRGBColor& a);
GRGBColor operator-(int scalar, const GRGBColor& a);
GRGBColor operator*(int scalar, const GRGBColor& a);
GRGBColor operator/(int scalar, const GRGBColor& a);

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GColor*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GColor*& out);

RWCollectable* GRGBColorCreate();
