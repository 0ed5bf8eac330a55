// Colours: the component arithmetic modulo 256, negation, the fourth byte,
// matching, and the stored form.
#include "graphics/GColor.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>

#include "rw/RWFactory.h"
#include "support/ModelRoundTrip.h"

namespace {

using qvtest::ModelForm;
using qvtest::StoredBytes;

struct Bytes4 {
  int r, g, b, fourth;
};

void ExpectColor(const GRGBColor& c, Bytes4 want) {
  EXPECT_EQ(c.GetRed(), want.r);
  EXPECT_EQ(c.GetGreen(), want.g);
  EXPECT_EQ(c.GetBlue(), want.b);
  EXPECT_EQ(c.GetFourthByte(), want.fourth);
}

TEST(GColorTest, IsRegisteredAndDerivesFromTheColourAndTheModelBase) {
  std::unique_ptr<RWCollectable> made(RWFactoryCreate(GRGBColorClassId));
  auto* color = dynamic_cast<GRGBColor*>(made.get());
  ASSERT_NE(color, nullptr);
  ExpectColor(*color, {0, 0, 0, 0});
  for (RWClassID id : {53, 51, 751}) EXPECT_TRUE(color->DerivesFrom(id)) << id;
  EXPECT_FALSE(color->DerivesFrom(151));
  EXPECT_EQ(color->GetTypeId(), 53);
  EXPECT_EQ(color->FeatureId(), 0);
}

TEST(GColorTest, ConstructorsAndAccessorsKeepTheFourBytes) {
  ExpectColor(GRGBColor(1, 2, 3, 4), {1, 2, 3, 4});
  ExpectColor(GRGBColor(GRGBTriple(9, 8, 7), 255), {9, 8, 7, 255});
  GRGBColor c;
  c.Set(10, 20, 30, 40);
  uint8_t r = 0, g = 0, b = 0, f = 0;
  c.GetComponents(&r, &g, &b, &f);
  EXPECT_EQ(r, 10);
  EXPECT_EQ(g, 20);
  EXPECT_EQ(b, 30);
  EXPECT_EQ(f, 40);
  c.SetFourthByte(7);
  EXPECT_EQ(c.GetFourthByte(), 7);

  // GetRGBColor copies all four bytes and the persistent base.
  const int32_t id = 44;
  GRGBColor source(5, 6, 7, 8);
  source.SetFeatureId(id);
  const GColor& asColor = source;
  GRGBColor target;
  EXPECT_EQ(asColor.GetRGBColor(&target), &target);
  ExpectColor(target, {5, 6, 7, 8});
  EXPECT_EQ(target.FeatureId(), id);
}

TEST(GColorTest, NegationIsTwoHundredFiftySixMinusEachComponentModulo256) {
  GRGBTriple out;
  GRGBColor(0, 1, 255, 9).Negate(&out);
  EXPECT_EQ(out, GRGBTriple(0, 255, 1));
  GRGBColor(128, 200, 56, 0).Negate(&out);
  EXPECT_EQ(out, GRGBTriple(128, 56, 200));
}

// One table for every operator form: component arithmetic modulo 256,
// fourth byte 255 in every result.
TEST(GColorTest, ArithmeticWrapsModulo256AndSetsTheFourthByte) {
  const GRGBColor a(200, 10, 0, 0);
  const GRGBColor b(100, 20, 0, 7);
  struct Case {
    const char* what;
    GRGBColor result;
    Bytes4 want;
  };
  const Case cases[] = {
      {"colour + colour", a + b, {44, 30, 0, 255}},
      {"colour - colour", a - b, {100, 246, 0, 255}},
      {"colour * colour", a * b, {(200 * 100) % 256, 200, 0, 255}},
      {"colour / colour", GRGBColor(200, 21, 9, 0) / GRGBColor(100, 20, 3, 0), {2, 1, 3, 255}},
      {"colour + scalar", a + 100, {44, 110, 100, 255}},
      {"colour - scalar", a - 20, {180, 246, 236, 255}},
      {"colour * scalar", a * 3, {(600) % 256, 30, 0, 255}},
      {"colour / scalar", a / 3, {66, 3, 0, 255}},
      {"scalar + colour", 100 + a, {44, 110, 100, 255}},
      {"scalar - colour", 3 - GRGBColor(5, 0, 0, 0), {254, 3, 3, 255}},
      {"scalar * colour", 2 * a, {144, 20, 0, 255}},
      {"scalar / colour", 200 / GRGBColor(100, 7, 200, 0), {2, 28, 1, 255}},
      // A scalar takes part through its low byte only.
      {"low byte of the scalar", a + 0x1FF, {199, 9, 255, 255}},
      {"negative scalar", a + (-1), {199, 9, 255, 255}},
      {"INT_MIN", a * INT_MIN, {0, 0, 0, 255}},
      {"INT_MAX", GRGBColor(1, 2, 3, 0) * INT_MAX, {255, 254, 253, 255}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectColor(c.result, c.want);
  }
}

TEST(GColorTest, CompoundOperatorsChangeTheColourInPlace) {
  GRGBColor c(200, 10, 0, 0);
  c += GRGBColor(100, 20, 0, 7);
  ExpectColor(c, {44, 30, 0, 255});
  c.SetFourthByte(1);
  c -= 50;
  ExpectColor(c, {250, 236, 206, 255});
  c *= GRGBColor(2, 1, 0, 0);
  ExpectColor(c, {244, 236, 0, 255});
  c /= 2;
  ExpectColor(c, {122, 118, 0, 255});
  c /= GRGBColor(2, 2, 2, 0);
  ExpectColor(c, {61, 59, 0, 255});
}

TEST(GColorTest, AZeroDivisorGivesTheLimitInsteadOfAFault) {
  ExpectColor(GRGBColor(10, 0, 7, 0) / GRGBColor(0, 0, 7, 0), {255, 255, 1, 255});
  ExpectColor(GRGBColor(10, 20, 30, 0) / 256, {255, 255, 255, 255});
  ExpectColor(5 / GRGBColor(0, 5, 1, 0), {255, 1, 5, 255});
  GRGBColor c(1, 2, 3, 4);
  c /= 0;
  ExpectColor(c, {255, 255, 255, 255});
}

TEST(GColorTest, MatchesComparesTheFourBytesButNotTheFeatureId) {
  GRGBColor black(0, 0, 0, 255);
  EXPECT_FALSE(GRGBColor().Matches(&black));  // the fourth byte differs
  GRGBColor other(0, 0, 0, 255);
  other.SetFeatureId(99);
  EXPECT_TRUE(black.Matches(&other));
  EXPECT_TRUE(black.Matches(&black));
  EXPECT_FALSE(black.Matches(nullptr));
  for (Bytes4 d : {Bytes4{1, 0, 0, 255}, Bytes4{0, 1, 0, 255}, Bytes4{0, 0, 1, 255}}) {
    GRGBColor near(d.r, d.g, d.b, d.fourth);
    EXPECT_FALSE(black.Matches(&near));
  }
  // Copies and assignment carry the four bytes.
  GRGBColor copy(GRGBColor(1, 2, 3, 4));
  ExpectColor(copy, {1, 2, 3, 4});
  GRGBColor assigned;
  assigned = copy;
  EXPECT_TRUE(assigned.Matches(&copy));
  std::unique_ptr<GColor> clone(copy.Clone());
  EXPECT_TRUE(clone->Matches(&copy));
}

TEST(GColorTest, TheStoredFormIsTheBaseTwoVersionsAndFourBytes) {
  const int32_t id = 12;
  GRGBColor color(1, 2, 250, 255);
  color.SetFeatureId(id);
  qvtest::ExpectRoundTripsInAllForms(color);
  qvtest::ExpectStoredByteCountIsWritten(color);
  EXPECT_EQ(color.MembersStoreSize(), 12u + 4u + 8u);

  const std::string bytes = qvtest::SaveInForm(&color, ModelForm::kFile);
  const std::string want = StoredBytes().Marker().U16(GRGBColorClassId).Base(id, color.GetSerial()).U32(1).U32(1).Bytes() +
                           std::string("\x01\x02\xFA\xFF", 4);
  EXPECT_EQ(bytes, want);
}

TEST(GColorTest, AnotherVersionOrACutBodyLeavesTheBytesAsTheyWere) {
  const std::string head = StoredBytes().Marker().U16(GRGBColorClassId).Base(3, 9).U32(1).Bytes();
  // Own version 2: the four bytes are not read.
  {
    qvtest::ModelRead read =
        qvtest::RestoreFromForm(head + StoredBytes().U32(2).Bytes(), ModelForm::kFile);
    std::unique_ptr<MPersistentObject> owned(read.object);
    auto* color = dynamic_cast<GRGBColor*>(read.object);
    ASSERT_NE(color, nullptr);
    ExpectColor(*color, {0, 0, 0, 0});
    EXPECT_EQ(color->FeatureId(), 3);
  }
  // Only three of the four bytes: the restore fails and nothing is handed out.
  qvtest::ModelRead read =
      qvtest::RestoreFromForm(head + StoredBytes().U32(1).Bytes() + std::string("\x01\x02\x03", 3), ModelForm::kFile);
  EXPECT_TRUE(read.failed);
  EXPECT_EQ(read.object, nullptr);
  delete read.object;
}

}  // namespace
