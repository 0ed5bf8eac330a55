// Range attributes: the value never leaves [min, max], whatever the
// constructor, setters, steps or a stored body give.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "model/GRangeAttribute.h"
#include "support/ModelRoundTrip.h"

namespace {

using qvtest::ModelForm;
using qvtest::StoredBytes;

const int32_t kMemory = 21;

struct Fields {
  int16_t min, max, step, value;
};

void ExpectFields(const GRangeAttribute& r, Fields f) {
  EXPECT_EQ(r.GetMin(), f.min);
  EXPECT_EQ(r.GetMax(), f.max);
  EXPECT_EQ(r.GetStep(), f.step);
  EXPECT_EQ(r.GetValue(), f.value);
}

TEST(GRangeAttributeTest, TheConstructorMakesASoundRange) {
  struct Case {
    Fields given, held;
  };
  const Case cases[] = {
      {{10, 5, 0, 7}, {10, 10, 1, 10}},
      {{0, 50, 5, 60}, {0, 50, 5, 50}},
      {{0, 50, 5, -1}, {0, 50, 5, 0}},
      {{-10, 10, -3, 4}, {-10, 10, 1, 4}},
      {{0, 0, 1, 0}, {0, 0, 1, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.given.min << " " << c.given.max << " " << c.given.step << " "
                                    << c.given.value);
    ExpectFields(GRangeAttribute(c.given.min, c.given.max, c.given.step, c.given.value, &kMemory), c.held);
  }
  ExpectFields(GRangeAttribute(), {0, 0, 1, 0});
}

TEST(GRangeAttributeTest, SettersAndStepsStayInBounds) {
  GRangeAttribute r(0, 50, 5, 10, &kMemory);
  r.SetValue(100);
  EXPECT_EQ(r.GetValue(), 50);
  EXPECT_TRUE(r.Contains(50));
  EXPECT_FALSE(r.Contains(51));
  EXPECT_FALSE(r.Contains(-1));
  r.Increment();
  EXPECT_EQ(r.GetValue(), 50);
  r.SetValue(3);
  r.Decrement();
  EXPECT_EQ(r.GetValue(), 0);
  r.SetValue(-100);
  EXPECT_EQ(r.GetValue(), 0);

  // Bounds never cross, and the value follows a bound that moved past it.
  r.SetValue(40);
  r.SetMax(-5);
  EXPECT_EQ(r.GetMax(), 0);
  EXPECT_EQ(r.GetValue(), 0);
  r.SetMax(30);
  r.SetValue(30);
  r.SetMin(100);
  EXPECT_EQ(r.GetMin(), 30);
  r.SetMin(10);
  EXPECT_EQ(r.GetMin(), 10);
  EXPECT_EQ(r.GetValue(), 30);
  r.SetMax(20);
  EXPECT_EQ(r.GetValue(), 20);
  r.SetStep(0);
  EXPECT_EQ(r.GetStep(), 0);
  r.Increment();
  EXPECT_EQ(r.GetValue(), 20);
}

TEST(GRangeAttributeTest, StepsAtTheEndsOfTheShortRangeStopAtTheBound) {
  GRangeAttribute high(0, 32767, 10, 32765, &kMemory);
  high.Increment();
  EXPECT_EQ(high.GetValue(), 32767);
  GRangeAttribute low(-32768, 0, 10, -32765, &kMemory);
  low.Decrement();
  EXPECT_EQ(low.GetValue(), -32768);
  GRangeAttribute big(-32768, 32767, 32767, 1, &kMemory);
  big.Increment();
  EXPECT_EQ(big.GetValue(), 32767);
  big.SetStep(-32768);
  big.Increment();
  EXPECT_EQ(big.GetValue(), -1);
}

TEST(GRangeAttributeTest, MatchingComparesEveryField) {
  GRangeAttribute a(0, 50, 5, 10, &kMemory);
  GRangeAttribute b(0, 50, 5, 10, &kMemory);
  EXPECT_TRUE(a.Matches(&b));
  b.SetStep(6);
  EXPECT_FALSE(a.Matches(&b));
  GRangeAttribute c(0, 50, 5, 15, &kMemory);
  EXPECT_FALSE(a.Matches(&c));
  GRangeAttribute d(0, 50, 5, 10, nullptr);
  EXPECT_FALSE(a.Matches(&d));
}

TEST(GRangeAttributeTest, RoundTripsAndTheFileForm) {
  GRangeAttribute r(-4, 1000, 4, 512, &kMemory);
  qvtest::ExpectRoundTripsInAllForms(r);
  qvtest::ExpectStoredByteCountIsWritten(r);
  r.SetSerial(9);
  const std::string expected = StoredBytes()
                                   .Marker()
                                   .U16(762)
                                   .Base(kMemory, 9)
                                   .U32(1)
                                   .U32(1)
                                   .U32(1)
                                   .U16(0xFFFC)
                                   .U16(1000)
                                   .U16(4)
                                   .U16(512)
                                   .Bytes();
  EXPECT_EQ(qvtest::SaveInForm(&r, ModelForm::kFile), expected);
}

TEST(GRangeAttributeTest, ARestoredRangeIsBroughtBackInsideItsBounds) {
  struct Case {
    Fields stored, held;
  };
  const Case cases[] = {
      {{0, 50, 5, 99}, {0, 50, 5, 50}},
      {{0, 50, 5, -7}, {0, 50, 5, 0}},
      {{40, 10, 0, 5}, {40, 40, 0, 40}},
  };
  for (const Case& c : cases) {
    const std::string bytes = StoredBytes()
                                  .Marker()
                                  .U16(762)
                                  .Base(kMemory, 1)
                                  .U32(1)
                                  .U32(1)
                                  .U32(1)
                                  .U16(static_cast<uint16_t>(c.stored.min))
                                  .U16(static_cast<uint16_t>(c.stored.max))
                                  .U16(static_cast<uint16_t>(c.stored.step))
                                  .U16(static_cast<uint16_t>(c.stored.value))
                                  .Bytes();
    qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, ModelForm::kFile);
    std::unique_ptr<MPersistentObject> copy(read.object);
    auto* r = dynamic_cast<GRangeAttribute*>(copy.get());
    ASSERT_NE(r, nullptr);
    ExpectFields(*r, c.held);
    // Saved again and read through a stream form, it stays the same.
    GRangeAttribute again(*r);
    qvtest::ExpectRoundTripsInAllForms(again);
  }
}

}  // namespace
