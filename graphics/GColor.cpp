#include "graphics/GColor.h"

#include "model/MPersistentRead.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

// ---- GColor ----

GColor::~GColor() = default;

QV_PERSISTENT_ID_DEFINE(GColor, MPersistentObject, GColorClassId)

// The version of this part carries no fields of its own: it is read and
// not compared.
template <typename Archive>
void GColor::Members(Archive& archive) {
  archive.AnyVersion(ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(GColor, MPersistentObject)

// ---- GRGBColor ----

GRGBColor::GRGBColor() : red_(0), green_(0), blue_(0), fourth_(0) {}

GRGBColor::GRGBColor(uint8_t red, uint8_t green, uint8_t blue, uint8_t fourth)
    : red_(red), green_(green), blue_(blue), fourth_(fourth) {}

GRGBColor::GRGBColor(const GRGBTriple& triple, uint8_t fourth)
    : red_(triple.GetRed()), green_(triple.GetGreen()), blue_(triple.GetBlue()), fourth_(fourth) {}

GRGBColor::GRGBColor(const GRGBColor& other)
    : GColor(other), red_(other.red_), green_(other.green_), blue_(other.blue_), fourth_(other.fourth_) {}

GRGBColor& GRGBColor::Assign(const GRGBColor& other) {
  if (this != &other) {
    GColor::operator=(other);
    red_ = other.red_;
    green_ = other.green_;
    blue_ = other.blue_;
    fourth_ = other.fourth_;
  }
  return *this;
}

GRGBColor::~GRGBColor() = default;

QV_PERSISTENT_KIND_DEFINE(GRGBColor, GColor, GRGBColorClassId)

int GRGBColor::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  auto* color = dynamic_cast<const GRGBColor*>(other);
  return color != nullptr && color->red_ == red_ && color->green_ == green_ && color->blue_ == blue_ &&
         color->fourth_ == fourth_;
}

GRGBColor* GRGBColor::GetRGBColor(GRGBColor* target) const {
  if (target != nullptr) target->Assign(*this);
  return target;
}

void GRGBColor::Set(uint8_t red, uint8_t green, uint8_t blue, uint8_t fourth) {
  SetRed(red);
  SetGreen(green);
  SetBlue(blue);
  SetFourthByte(fourth);
}

void GRGBColor::GetComponents(uint8_t* red, uint8_t* green, uint8_t* blue, uint8_t* fourth) const {
  if (red != nullptr) *red = GetRed();
  if (green != nullptr) *green = GetGreen();
  if (blue != nullptr) *blue = GetBlue();
  if (fourth != nullptr) *fourth = GetFourthByte();
}

void GRGBColor::Negate(GRGBTriple* out) const {
  if (out == nullptr) return;
  *out = GRGBTriple(static_cast<uint8_t>(256 - red_), static_cast<uint8_t>(256 - green_),
                    static_cast<uint8_t>(256 - blue_));
}

// ---- Arithmetic ----
//
// Every operand is a byte before it takes part (a scalar through its low
// byte), so no intermediate value can overflow an int; the result is
// brought back to a byte, which is the arithmetic modulo 256.

namespace {

uint8_t LowByte(int scalar) { return static_cast<uint8_t>(static_cast<unsigned>(scalar) & 0xFFu); }

struct Add {
  uint8_t operator()(uint8_t a, uint8_t b) const { return static_cast<uint8_t>(a + b); }
};
struct Subtract {
  uint8_t operator()(uint8_t a, uint8_t b) const { return static_cast<uint8_t>(a - b); }
};
struct Multiply {
  uint8_t operator()(uint8_t a, uint8_t b) const {
    return static_cast<uint8_t>(static_cast<unsigned>(a) * static_cast<unsigned>(b));
  }
};
// A zero divisor is outside the operator's domain; it gives 255 rather
// than a fault.
struct Divide {
  uint8_t operator()(uint8_t a, uint8_t b) const { return b == 0 ? 255 : static_cast<uint8_t>(a / b); }
};

template <typename Op>
GRGBColor Combined(uint8_t r1, uint8_t g1, uint8_t b1, uint8_t r2, uint8_t g2, uint8_t b2, Op op) {
  return GRGBColor(op(r1, r2), op(g1, g2), op(b1, b2), 255);
}

}  // namespace

template <typename Op>
GRGBColor& GRGBColor::Combine(uint8_t r, uint8_t g, uint8_t b, Op op) {
  red_ = op(red_, r);
  green_ = op(green_, g);
  blue_ = op(blue_, b);
  SetFourthByte(255);
  return *this;
}

GRGBColor& GRGBColor::operator+=(const GRGBColor& o) { return Combine(o.red_, o.green_, o.blue_, Add()); }
GRGBColor& GRGBColor::operator-=(const GRGBColor& o) { return Combine(o.red_, o.green_, o.blue_, Subtract()); }
GRGBColor& GRGBColor::operator*=(const GRGBColor& o) { return Combine(o.red_, o.green_, o.blue_, Multiply()); }
GRGBColor& GRGBColor::operator/=(const GRGBColor& o) { return Combine(o.red_, o.green_, o.blue_, Divide()); }

GRGBColor& GRGBColor::operator+=(int scalar) {
  const uint8_t s = LowByte(scalar);
  return Combine(s, s, s, Add());
}
GRGBColor& GRGBColor::operator-=(int scalar) {
  const uint8_t s = LowByte(scalar);
  return Combine(s, s, s, Subtract());
}
GRGBColor& GRGBColor::operator*=(int scalar) {
  const uint8_t s = LowByte(scalar);
  return Combine(s, s, s, Multiply());
}
GRGBColor& GRGBColor::operator/=(int scalar) {
  const uint8_t s = LowByte(scalar);
  return Combine(s, s, s, Divide());
}

#define QV_COLOR_OPERATORS(SYMBOL, OP)                                                                     \
  GRGBColor operator SYMBOL(const GRGBColor& a, const GRGBColor& b) {                                     \
    return Combined(a.GetRed(), a.GetGreen(), a.GetBlue(), b.GetRed(), b.GetGreen(), b.GetBlue(), OP());  \
  }                                                                                                        \
  GRGBColor operator SYMBOL(const GRGBColor& a, int scalar) {                                             \
    const uint8_t s = LowByte(scalar);                                                                     \
    return Combined(a.GetRed(), a.GetGreen(), a.GetBlue(), s, s, s, OP());                                 \
  }                                                                                                        \
  GRGBColor operator SYMBOL(int scalar, const GRGBColor& a) {                                             \
    const uint8_t s = LowByte(scalar);                                                                     \
    return Combined(s, s, s, a.GetRed(), a.GetGreen(), a.GetBlue(), OP());                                 \
  }

QV_COLOR_OPERATORS(+, Add)
QV_COLOR_OPERATORS(-, Subtract)
QV_COLOR_OPERATORS(*, Multiply)
QV_COLOR_OPERATORS(/, Divide)

#undef QV_COLOR_OPERATORS

// ---- Persistence ----

// The four bytes are taken only when all four were read, so a cut input
// leaves the colour as it was.
template <typename Archive>
void GRGBColor::Members(Archive& archive) {
  archive.Version(ClassVersion());
  unsigned char bytes[4] = {red_, green_, blue_, fourth_};
  archive.Array(bytes, 4);
  if constexpr (Archive::kReading) {
    if (archive.Ok()) Set(bytes[0], bytes[1], bytes[2], bytes[3]);
  }
}

RW_STORED_MEMBERS_DEFINE(GRGBColor, GColor)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GColor*& out) { return MReadPersistentAs(stream, out); }
RWBinaryFile& operator>>(RWBinaryFile& file, GColor*& out) { return MReadPersistentAs(file, out); }

RWCollectable* GRGBColorCreate() { return new GRGBColor; }
