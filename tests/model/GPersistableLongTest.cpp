// The persistable 32-bit integers: value order, equality without ids,
// matching with ids, copies and stored forms.
#include <gtest/gtest.h>

#include <memory>

#include "model/GPersistableLong.h"
#include "model/GPersistableULong.h"
#include "support/ModelRoundTrip.h"

namespace {

TEST(GPersistableLongTest, CompareToOrdersByValueWithTheRightSign) {
  EXPECT_EQ(GPersistableULong(0xFFFFFFFF).CompareTo(std::make_unique<GPersistableULong>(1).get()), 1);
  EXPECT_EQ(GPersistableLong(-1).CompareTo(std::make_unique<GPersistableLong>(1).get()), -1);
  EXPECT_EQ(GPersistableLong(4).CompareTo(std::make_unique<GPersistableLong>(4).get()), 0);
  EXPECT_EQ(GPersistableULong(1).CompareTo(std::make_unique<GPersistableULong>(2).get()), -1);
  // Another class: identity order, never 0.
  GPersistableLong signedOne(1);
  GPersistableULong unsignedOne(1);
  EXPECT_NE(signedOne.CompareTo(&unsignedOne), 0);
  EXPECT_EQ(signedOne.CompareTo(&unsignedOne), -unsignedOne.CompareTo(&signedOne));
}

TEST(GPersistableLongTest, IsEqualIgnoresIdsAndMatchesDoesNot) {
  GPersistableULong a(7);
  GPersistableULong b(7);
  b.SetFeatureId(2);
  EXPECT_TRUE(a.IsEqual(&b));
  EXPECT_FALSE(a.Matches(&b));
  EXPECT_FALSE(a.IsEqual(std::make_unique<GPersistableLong>(7).get()));
  EXPECT_FALSE(a.Matches(std::make_unique<GPersistableLong>(7).get()));
  b.SetFeatureId(0);
  EXPECT_TRUE(a.Matches(&b));
}

TEST(GPersistableLongTest, ACopyTakesTheValueOnly) {
  GPersistableLong source(-5);
  source.SetFeatureId(3);
  GPersistableLong copy(source);
  EXPECT_EQ(copy.GetValue(), -5);
  EXPECT_EQ(copy.FeatureId(), 0);
  EXPECT_NE(copy.GetSerial(), source.GetSerial());
  std::unique_ptr<GPersistableLong> clone(source.Clone());
  EXPECT_EQ(clone->FeatureId(), 0);
}

TEST(GPersistableLongTest, ExtremeValuesRoundTripInEveryForm) {
  for (int32_t v : {INT32_MIN, -1, 0, INT32_MAX}) {
    GPersistableLong number(v);
    number.SetFeatureId(6);
    qvtest::ExpectRoundTripsInAllForms(number);
    qvtest::ExpectStoredByteCountIsWritten(number);
  }
  for (uint32_t v : {0u, 0x80000000u, 0xFFFFFFFFu}) {
    GPersistableULong number(v);
    qvtest::ExpectRoundTripsInAllForms(number);
    qvtest::ExpectStoredByteCountIsWritten(number);
  }
}

}  // namespace
