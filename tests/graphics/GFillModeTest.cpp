// Fill mode and raster operation: defaults, reading of extended codes,
// matching without the feature id, and applying themselves.
#include "graphics/GFillMode.h"

#include <gtest/gtest.h>

#include "support/RecordingPeripheral.h"

namespace {

TEST(GFillModeTest, DefaultsAreNotGivenAndApplyGoesToTheirOperations) {
  GFillMode mode;
  GRasterOperation rop;
  EXPECT_EQ(mode.GetMode(), kFillNotGiven);
  EXPECT_EQ(rop.GetKind(), kRopNotGiven);
  EXPECT_EQ(rop.GetCode(), 0);
  EXPECT_EQ(mode.FeatureId(), 0);
  qvtest::RecordingPeripheral peripheral;
  peripheral.SetResult("SetRasterOperation", 4);
  EXPECT_EQ(mode.ApplyTo(&peripheral), 0);
  EXPECT_EQ(rop.ApplyTo(&peripheral), 4);
  EXPECT_EQ(peripheral.Operations(), (std::vector<std::string>{"SetFillMode", "SetRasterOperation"}));
  EXPECT_EQ(peripheral.Calls()[0].argument, &mode);
  EXPECT_EQ(peripheral.Calls()[1].argument, &rop);
  for (RWClassID id : {102, 754, 753, 751}) EXPECT_TRUE(mode.DerivesFrom(id));
  for (RWClassID id : {401, 754, 753, 751}) EXPECT_TRUE(rop.DerivesFrom(id));
  EXPECT_EQ(mode.GetTypeId(), 102);
  EXPECT_EQ(rop.GetTypeId(), 401);
}

TEST(GFillModeTest, ExtendedCodesCarryTransparencyInTheirHighByte) {
  struct Case {
    uint16_t code;
    int32_t kind;
    uint8_t ternary;
    bool transparent;
  } cases[] = {
      {0xA0CC, kRopExtended, 0xCC, true},  {0xB0CC, kRopExtended, 0xCC, false},
      {0xAFFF, kRopExtended, 0xFF, true},  {0x9FF0, kRopExtended, 0xF0, false},
      {0xA0CC, kRopTernary, 0xCC, false},  {240, kRopTernary, 240, false},
  };
  for (const Case& c : cases) {
    GRasterOperation rop(c.code, c.kind, nullptr);
    EXPECT_EQ(rop.GetTernaryCode(), c.ternary) << c.code;
    EXPECT_EQ(rop.IsTransparent(), c.transparent) << c.code;
  }
}

TEST(GFillModeTest, MatchingComparesValuesNotFeatureIds) {
  const int32_t a = 182, b = 9;
  GFillMode m1(kFillEvenOdd, &a), m2(kFillEvenOdd, &b), m3(kFillWinding, &a);
  EXPECT_TRUE(m1.Matches(&m2));
  EXPECT_FALSE(m1.Matches(&m3));
  GRasterOperation r1(0xCC, kRopTernary, &a), r2(0xCC, kRopTernary, &b), r3(0xCC, kRopExtended, &a);
  EXPECT_TRUE(r1.Matches(&r2));
  EXPECT_FALSE(r1.Matches(&r3));
  EXPECT_FALSE(m1.Matches(&r1));
  GRasterOperation copy(r3);
  EXPECT_TRUE(copy.Matches(&r3));
  EXPECT_EQ(copy.FeatureId(), a);
}

}  // namespace
