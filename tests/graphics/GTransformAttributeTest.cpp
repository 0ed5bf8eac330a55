// The transform attribute: the identity default, composition of an outer
// and an inner transform, matching, and applying itself.
#include "graphics/GTransformAttribute.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "support/RecordingPeripheral.h"

namespace {

struct Parts {
  int16_t rotation;
  GShortPoint offset;
  GRealPair scale;
};

GTransformAttribute Make(const Parts& p) { return GTransformAttribute(p.rotation, p.offset, p.scale); }

void ExpectParts(const GTransformAttribute& t, const Parts& p) {
  GShortPoint offset;
  GRealPair scale;
  t.GetOffset(offset);
  t.GetScale(scale);
  EXPECT_EQ(t.GetRotation(), p.rotation);
  EXPECT_EQ(offset, p.offset) << offset.x << "," << offset.y;
  EXPECT_EQ(scale, p.scale) << scale.x << "," << scale.y;
}

TEST(GTransformAttributeTest, TheDefaultIsTheIdentity) {
  GTransformAttribute identity;
  ExpectParts(identity, {0, {0, 0}, {1.0f, 1.0f}});
  EXPECT_EQ(identity.FeatureId(), 0);
  EXPECT_EQ(identity.changed, 1);
  for (RWClassID id : {103, 753, 751}) EXPECT_TRUE(identity.DerivesFrom(id));
  EXPECT_FALSE(identity.DerivesFrom(754));
  EXPECT_EQ(identity.GetTypeId(), 103);
}

TEST(GTransformAttributeTest, ComposeAppliesTheInnerFirstAndTruncatesScaledOffsets) {
  const Parts identity{0, {0, 0}, {1.0f, 1.0f}};
  const Parts some{270, {-7, 9}, {0.25f, 3.0f}};
  struct Case {
    Parts outer, inner, expected;
  } cases[] = {
      {identity, some, some},
      {some, identity, some},
      {{0, {100, 200}, {0.5f, 0.5f}}, {90, {50, -30}, {2.0f, 1.0f}}, {90, {125, 185}, {1.0f, 0.5f}}},
      {{0, {0, 0}, {0.5f, 0.5f}}, {0, {3, -3}, {1.0f, 1.0f}}, {0, {1, -1}, {0.5f, 0.5f}}},
      {{180, {0, 0}, {1.0f, 1.0f}}, {180, {0, 0}, {1.0f, 1.0f}}, {360, {0, 0}, {1.0f, 1.0f}}},
      {{-90, {0, 0}, {1.0f, 1.0f}}, {90, {0, 0}, {1.0f, 1.0f}}, {0, {0, 0}, {1.0f, 1.0f}}},
      // A scaled offset beyond 16 bits is held at the end of the range,
      // not wrapped to the other side of the page.
      {{0, {0, 0}, {1000.0f, -1000.0f}}, {0, {1000, 1000}, {1.0f, 1.0f}}, {0, {32767, -32768}, {1000.0f, -1000.0f}}},
  };
  for (const Case& c : cases) {
    GTransformAttribute result(5, GShortPoint(1, 1), GRealPair(9.0f, 9.0f));
    const int32_t id = 44;
    result.SetFeatureId(id);
    result.changed = 0;
    GTransformAttribute& returned = ComposeTransforms(result, Make(c.outer), Make(c.inner));
    EXPECT_EQ(&returned, &result);
    ExpectParts(result, c.expected);
    EXPECT_EQ(result.FeatureId(), 0);
    EXPECT_EQ(result.changed, 1);
  }
}

TEST(GTransformAttributeTest, MatchingIgnoresTheChangedFlagButNotTheFeatureId) {
  GTransformAttribute a(90, GShortPoint(1, 2), GRealPair(0.5f, 2.0f));
  GTransformAttribute b(a);
  b.changed = 0;
  EXPECT_TRUE(a.Matches(&b));
  b.SetFeatureId(7);
  EXPECT_FALSE(a.Matches(&b));
  GTransformAttribute c(a);
  c.SetScale(GRealPair(0.5f, 2.0001f));
  EXPECT_FALSE(a.Matches(&c));
  GTransformAttribute d(a);
  d.SetOffset(GShortPoint(1, 3));
  EXPECT_FALSE(a.Matches(&d));
  GTransformAttribute e(a);
  e.SetRotation(91);
  EXPECT_FALSE(a.Matches(&e));
  EXPECT_EQ(e.changed, 1) << "setters leave the changed flag alone";
}

TEST(GTransformAttributeTest, AppliesItselfThroughSetTransform) {
  qvtest::RecordingPeripheral peripheral;
  peripheral.SetResult("SetTransform", 9);
  GTransformAttribute t;
  EXPECT_EQ(t.ApplyTo(&peripheral), 9);
  ASSERT_EQ(peripheral.Calls().size(), 1u);
  EXPECT_EQ(peripheral.Calls()[0].operation, "SetTransform");
  EXPECT_EQ(peripheral.Calls()[0].argument, &t);
  EXPECT_EQ(t.ApplyTo(nullptr), 0);
}

}  // namespace
