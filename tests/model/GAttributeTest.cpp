// The attribute base and the scalar attributes: identity and kind answers,
// matching, the changed flag and Merge, the apply protocol through a
// recording peripheral, and the stored bodies.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "model/GAttribute.h"
#include "model/GAttributeComposite.h"
#include "model/GDisplayStringAttribute.h"
#include "model/GEnumAttribute.h"
#include "model/GRangeAttribute.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GValue32Attribute.h"
#include "model/GValueAttribute.h"
#include "support/ModelRoundTrip.h"
#include "support/RecordingPeripheral.h"
#include "w32test/Testing.h"

namespace {

using qvtest::ModelForm;
using qvtest::StoredBytes;

const int32_t kCopies = 12;
const int32_t kDuplex = 13;

TEST(GAttributeTest, ANewAttributeIsChangedWithTheGivenFeatureId) {
  GValueAttribute plain;
  EXPECT_EQ(plain.FeatureId(), 0);
  EXPECT_EQ(plain.changed, 1);
  EXPECT_EQ(plain.GetValue(), 0);
  GValueAttribute withId(5, &kCopies);
  EXPECT_EQ(withId.FeatureId(), kCopies);
  EXPECT_EQ(withId.changed, 1);
  GStringAttribute noId(static_cast<const char*>(nullptr), nullptr);
  EXPECT_EQ(noId.FeatureId(), 0);
  EXPECT_EQ(noId.GetString().Length(), 0u);
}

TEST(GAttributeTest, KindAnswersFollowTheClassTree) {
  struct Case {
    std::unique_ptr<GAttribute> attribute;
    RWClassID own;
    bool composite;
  };
  Case cases[] = {
      {std::make_unique<GValueAttribute>(), 763, false},
      {std::make_unique<GValue32Attribute>(), 789, false},
      {std::make_unique<GStringAttribute>(), 776, false},
      {std::make_unique<GDisplayStringAttribute>(), 787, false},
      {std::make_unique<GRangeAttribute>(), 762, false},
      {std::make_unique<GAttributeComposite>(), 757, true},
      {std::make_unique<GState>(), 758, true},
      {std::make_unique<GEnumAttribute>(), 764, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.own);
    EXPECT_EQ(c.attribute->ClassId(), c.own);
    EXPECT_EQ(c.attribute->GetTypeId(), c.own);
    EXPECT_TRUE(c.attribute->DerivesFrom(c.own));
    EXPECT_TRUE(c.attribute->DerivesFrom(753));
    EXPECT_TRUE(c.attribute->DerivesFrom(751));
    EXPECT_EQ(c.attribute->DerivesFrom(757) != 0, c.composite);
    EXPECT_FALSE(c.attribute->DerivesFrom(752));
  }
}

TEST(GAttributeTest, ScalarsMatchOnClassFeatureIdAndValue) {
  GValueAttribute a(3, &kCopies);
  GValueAttribute same(3, &kCopies);
  GValueAttribute otherValue(4, &kCopies);
  GValueAttribute otherId(3, &kDuplex);
  GValue32Attribute wide(3, &kCopies);
  EXPECT_TRUE(a.Matches(&same));
  EXPECT_FALSE(a.Matches(&otherValue));
  EXPECT_FALSE(a.Matches(&otherId));
  // Equal id and value, but another class.
  EXPECT_FALSE(a.Matches(&wide));
  EXPECT_FALSE(wide.Matches(&a));
  EXPECT_TRUE(a.DiffersFrom(&wide));

  GStringAttribute text("Letter", &kCopies);
  GStringAttribute upper("LETTER", &kCopies);
  GStringAttribute equal(RWCString("Letter"), &kCopies);
  EXPECT_FALSE(text.Matches(&upper));
  EXPECT_TRUE(text.Matches(&equal));
}

TEST(GAttributeTest, ValueSettersAndFlags) {
  GValueAttribute v;
  EXPECT_EQ(v.SetValue(-7), -7);
  EXPECT_EQ(v.GetValue(), -7);
  EXPECT_TRUE(v.IsSet());
  v.SetFlag(2);
  EXPECT_EQ(v.GetValue(), 1);
  v.SetFlag(0);
  EXPECT_EQ(v.GetValue(), 0);
  EXPECT_TRUE(v.IsClear());

  GStringAttribute s("x", &kCopies);
  s.SetString(static_cast<const char*>(nullptr));
  EXPECT_EQ(s.GetString().Length(), 0u);
  s.SetString(RWCString("abc"));
  EXPECT_EQ(std::string(s.GetString().Data()), "abc");
}

TEST(GAttributeTest, CloneKeepsIdSerialFlagAndValue) {
  GStringAttribute s("Tray 2", &kDuplex);
  s.changed = 0;
  std::unique_ptr<GStringAttribute> copy(s.Clone());
  EXPECT_EQ(copy->FeatureId(), kDuplex);
  EXPECT_EQ(copy->GetSerial(), s.GetSerial());
  EXPECT_EQ(copy->changed, 0);
  EXPECT_TRUE(copy->Matches(&s));
}

TEST(GAttributeTest, MergeTakesIdentityAndFlagButNeverTheValue) {
  GValueAttribute target(1, &kCopies);
  target.changed = 0;
  const uint32_t serial = target.GetSerial();

  // Matching: nothing changes.
  GValueAttribute same(1, &kCopies);
  target.Merge(&same);
  EXPECT_EQ(target.GetSerial(), serial);
  EXPECT_EQ(target.changed, 0);

  // Another value: id, serial and flag are taken, the value stays.
  GValueAttribute other(9, &kCopies);
  target.Merge(&other);
  EXPECT_EQ(target.GetSerial(), other.GetSerial());
  EXPECT_EQ(target.changed, 1);
  EXPECT_EQ(target.GetValue(), 1);

  // Another feature id.
  GValueAttribute elsewhere(1, &kDuplex);
  elsewhere.changed = 0;
  target.Merge(&elsewhere);
  EXPECT_EQ(target.FeatureId(), kDuplex);
  EXPECT_EQ(target.changed, 0);
  EXPECT_EQ(target.GetValue(), 1);

  target.Merge(nullptr);
  EXPECT_EQ(target.FeatureId(), kDuplex);
}

TEST(GAttributeTest, EachKindCallsItsOneReceiverOperation) {
  qvtest::RecordingPeripheral receiver;
  receiver.SetResult("SetValue", 7);
  receiver.SetResult("SetRange", 9);
  GValueAttribute value(1, &kCopies);
  GStringAttribute text("a", &kDuplex);
  GRangeAttribute range(0, 10, 1, 5, &kCopies);
  GEnumAttribute enumeration(&kDuplex);
  GValue32Attribute wide(1, &kCopies);
  GDisplayStringAttribute display(&kCopies, 3, "x", "");

  EXPECT_EQ(value.ApplyTo(&receiver), 7);
  EXPECT_EQ(text.ApplyTo(&receiver), 0);
  EXPECT_EQ(range.ApplyTo(&receiver), 9);
  EXPECT_EQ(enumeration.ApplyTo(&receiver), 0);
  // These apply nothing.
  EXPECT_EQ(wide.ApplyTo(&receiver), 0);
  EXPECT_EQ(display.ApplyTo(&receiver), 0);

  ASSERT_EQ(receiver.Calls().size(), 4u);
  EXPECT_EQ(receiver.Operations(), (std::vector<std::string>{"SetValue", "SetString", "SetRange", "SetEnum"}));
  EXPECT_EQ(receiver.Calls()[0].argument, static_cast<const void*>(&value));
  EXPECT_EQ(receiver.Calls()[3].argument, static_cast<const void*>(&enumeration));
  // Only the enumeration clears its own flag.
  EXPECT_EQ(value.changed, 1);
  EXPECT_EQ(range.changed, 1);
  EXPECT_EQ(enumeration.changed, 0);
  // No receiver: nothing is called.
  EXPECT_EQ(value.ApplyTo(nullptr), 0);
}

TEST(GAttributeTest, ScalarsRoundTripInEveryForm) {
  GValueAttribute value(-300, &kCopies);
  value.changed = 0;
  GValue32Attribute wide(-70000, &kDuplex);
  GStringAttribute text("Letter", &kCopies);
  GStringAttribute empty("", &kCopies);
  qvtest::ExpectRoundTripsInAllForms(value);
  qvtest::ExpectRoundTripsInAllForms(wide);
  qvtest::ExpectRoundTripsInAllForms(text);
  qvtest::ExpectRoundTripsInAllForms(empty);

  // The flag comes back as stored.
  qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(&value, ModelForm::kFile), ModelForm::kFile);
  std::unique_ptr<MPersistentObject> copy(read.object);
  ASSERT_NE(dynamic_cast<GValueAttribute*>(copy.get()), nullptr);
  EXPECT_EQ(static_cast<GValueAttribute*>(copy.get())->changed, 0);
}

TEST(GAttributeTest, TheFileFormOfAValueIsBaseFlagAndValue) {
  GValueAttribute value(0x1234, &kCopies);
  value.SetSerial(77);
  value.changed = 0;
  const std::string expected = StoredBytes()
                                   .Marker()
                                   .U16(763)
                                   .Base(kCopies, 77)
                                   .U32(1)  // attribute version
                                   .U32(0)  // changed
                                   .U32(1)  // value version
                                   .U16(0x1234)
                                   .Bytes();
  EXPECT_EQ(qvtest::SaveInForm(&value, ModelForm::kFile), expected);
}

TEST(GAttributeTest, AnUnknownAttributeVersionLeavesTheFlagAndStopsThatPart) {
  // Attribute version 2: its flag is not read; the value part that follows
  // reads the next words as its own (version 1, then the value).
  const std::string bytes = StoredBytes()
                                .Marker()
                                .U16(763)
                                .Base(kCopies, 5)
                                .U32(2)  // attribute version the class does not read
                                .U32(1)  // taken as the value's version
                                .U16(42)
                                .Bytes();
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, ModelForm::kFile);
  std::unique_ptr<MPersistentObject> copy(read.object);
  auto* value = dynamic_cast<GValueAttribute*>(copy.get());
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->changed, 1);
  EXPECT_EQ(value->GetValue(), 42);
  EXPECT_EQ(value->FeatureId(), kCopies);
}

TEST(GAttributeTest, TypedReadsRefuseAnotherClass) {
  GStringAttribute text("x", &kCopies);
  const std::string bytes = qvtest::SaveInForm(&text, ModelForm::kFile);
  w32test::PutFile(qvtest::ModelTestFilePathW(), bytes);
  RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
  GValueAttribute* value = reinterpret_cast<GValueAttribute*>(1);
  file >> value;
  EXPECT_EQ(value, nullptr);
}

}  // namespace
