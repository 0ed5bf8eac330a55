// The clip attributes: defaults, bounds of each kind, matching, copying and
// assignment, and the peripheral operation each applies itself with.
#include "graphics/GClip.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "graphics/GPathGraphic.h"
#include "graphics/GShapeGraphic.h"
#include "support/RecordingPeripheral.h"

namespace {

bool Same(const GRect& a, const GRect& b) { return a.Equals(b); }

GPathGraphic* PathAround(const GRect& rect) {
  auto* path = new GPathGraphic;
  path->AddChild(new GRectangleGraphic(rect, nullptr, nullptr));
  return path;
}

TEST(GClipTest, EveryKindAppliesItselfWithItsOwnOperationAndReportsTypeId756) {
  struct Case {
    std::shared_ptr<GClip> clip;
    const char* operation;
    RWClassID id;
  } cases[] = {
      {std::make_shared<GClipToPage>(), "ClipToPage", 503},
      {std::make_shared<GClipToPath>(), "ClipToPath", 502},
      {std::make_shared<GClipToRectangle>(), "ClipToRectangles", 501},
      {std::make_shared<GClipToSingleRectangle>(), "ClipToRectangle", 504},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.operation);
    qvtest::RecordingPeripheral peripheral;
    peripheral.SetResult(c.operation, 3);
    EXPECT_EQ(c.clip->ApplyTo(&peripheral), 3);
    ASSERT_EQ(peripheral.Calls().size(), 1u);
    EXPECT_EQ(peripheral.Calls()[0].operation, c.operation);
    EXPECT_EQ(peripheral.Calls()[0].argument, c.clip.get());
    EXPECT_EQ(c.clip->GetTypeId(), 756);
    for (RWClassID base : {c.id, RWClassID(756), RWClassID(754), RWClassID(753), RWClassID(751)})
      EXPECT_TRUE(c.clip->DerivesFrom(base)) << base;
  }
}

TEST(GClipTest, DefaultsAndBoundsOfEachKind) {
  GClipToPage page;
  EXPECT_EQ(page.GetClipRegion(), kClipInside);
  EXPECT_EQ(page.GetClipRule(), kClipWinding);
  GRect out(1, 1, 1, 1);
  EXPECT_EQ(page.GetBounds(out), 0);

  GClipToRectangle empty;
  EXPECT_EQ(empty.GetClipRegion(), kClipRegionNotGiven);
  EXPECT_EQ(empty.GetClipRule(), kClipRuleNotGiven);
  EXPECT_EQ(empty.GetBounds(out), 0);
  EXPECT_TRUE(Same(out, GRect(1, 1, 1, 1))) << "untouched";

  GRectVector rects;
  rects.Append(GRect(0, 0, 10, 10));
  rects.Append(GRect(20, -5, 30, 5));
  GClipToRectangle two(rects, kClipOutside, kClipEvenOdd, nullptr);
  ASSERT_EQ(two.GetBounds(out), 1);
  EXPECT_TRUE(Same(out, GRect(0, -5, 30, 10)));
  two.GetRectangle(2, out);
  EXPECT_TRUE(Same(out, GRect()));
  two.GetRectangle(1, out);
  EXPECT_TRUE(Same(out, GRect(20, -5, 30, 5)));

  GClipToPath noPath;
  EXPECT_EQ(noPath.GetBounds(out), 0);
  GClipToPath path(PathAround(GRect(3, 4, 5, 6)), kClipInside, kClipWinding, nullptr);
  ASSERT_EQ(path.GetBounds(out), 1);
  EXPECT_TRUE(Same(out, GRect(3, 4, 5, 6)));

  GClipToSingleRectangle single(GRect(-1, -2, 3, 4), kClipInside, kClipEvenOdd, nullptr);
  ASSERT_EQ(single.GetBounds(out), 1);
  EXPECT_TRUE(Same(out, GRect(-1, -2, 3, 4)));
}

TEST(GClipTest, CopiesKeepTheClipPartAndAssignmentReplacesOnlyTheOwnField) {
  const int32_t id = 177;
  GClipToSingleRectangle single(GRect(1, 2, 3, 4), kClipOutside, kClipEvenOdd, &id);
  std::unique_ptr<GClipToSingleRectangle> clone(single.Clone());
  EXPECT_EQ(clone->GetClipRegion(), kClipOutside);
  EXPECT_EQ(clone->GetClipRule(), kClipEvenOdd);
  EXPECT_EQ(clone->FeatureId(), id);
  EXPECT_TRUE(clone->Matches(&single));

  GClipToSingleRectangle target(GRect(), kClipInside, kClipWinding, nullptr);
  target = single;
  EXPECT_TRUE(Same(target.GetRectangle(), GRect(1, 2, 3, 4)));
  EXPECT_EQ(target.GetClipRegion(), kClipInside);
  EXPECT_EQ(target.FeatureId(), 0);

  GClipToRectangle list(GRect(0, 0, 1, 1), kClipInside, kClipWinding, nullptr);
  GClipToRectangle other(GRect(5, 5, 6, 6), kClipOutside, kClipEvenOdd, &id);
  list = other;
  EXPECT_EQ(list.GetCount(), 1u);
  GRect r;
  list.GetRectangle(0, r);
  EXPECT_TRUE(Same(r, GRect(5, 5, 6, 6)));
  EXPECT_EQ(list.GetClipRegion(), kClipInside);
}

TEST(GClipTest, AClipToPathOwnsItsPathAndCopiesCloneIt) {
  auto clip = std::make_unique<GClipToPath>(PathAround(GRect(0, 0, 8, 8)), kClipInside, kClipWinding, nullptr);
  std::unique_ptr<GClipToPath> clone(clip->Clone());
  ASSERT_NE(clone->GetPath(), nullptr);
  EXPECT_NE(clone->GetPath(), clip->GetPath());
  EXPECT_TRUE(clone->Matches(clip.get()));
  clip.reset();
  GRect out;
  ASSERT_EQ(clone->GetBounds(out), 1);
  EXPECT_TRUE(Same(out, GRect(0, 0, 8, 8)));

  GClipToPath assigned;
  assigned = *clone;
  ASSERT_NE(assigned.GetPath(), nullptr);
  EXPECT_NE(assigned.GetPath(), clone->GetPath());
  EXPECT_EQ(assigned.GetClipRegion(), kClipRegionNotGiven);
  GClipToPath none;
  assigned = none;
  EXPECT_EQ(assigned.GetPath(), nullptr);
  const GClipToPath& alias = *clone;
  *clone = alias;
  EXPECT_NE(clone->GetPath(), nullptr);
}

TEST(GClipTest, MatchingComparesIdRuleRegionAndTheOwnField) {
  const int32_t id = 177;
  GClipToSingleRectangle a(GRect(0, 0, 5, 5), kClipInside, kClipWinding, &id);
  GClipToSingleRectangle b(GRect(0, 0, 5, 5), kClipInside, kClipWinding, &id);
  EXPECT_TRUE(a.Matches(&b));
  b.SetRectangle(GRect(0, 0, 5, 6));
  EXPECT_FALSE(a.Matches(&b));
  GClipToSingleRectangle c(GRect(0, 0, 5, 5), kClipInside, kClipEvenOdd, &id);
  EXPECT_FALSE(a.Matches(&c));
  GClipToSingleRectangle d(GRect(0, 0, 5, 5), kClipInside, kClipWinding, nullptr);
  EXPECT_FALSE(a.Matches(&d));
  GClipToRectangle list(GRect(0, 0, 5, 5), kClipInside, kClipWinding, &id);
  EXPECT_FALSE(a.Matches(&list)) << "different kinds never match";

  GClipToPath withPath(PathAround(GRect(0, 0, 1, 1)), kClipInside, kClipWinding, nullptr);
  GClipToPath samePath(PathAround(GRect(0, 0, 1, 1)), kClipInside, kClipWinding, nullptr);
  GClipToPath otherPath(PathAround(GRect(0, 0, 1, 2)), kClipInside, kClipWinding, nullptr);
  GClipToPath noPath(nullptr, kClipInside, kClipWinding, nullptr);
  GClipToPath noPath2(nullptr, kClipInside, kClipWinding, nullptr);
  EXPECT_TRUE(withPath.Matches(&samePath));
  EXPECT_FALSE(withPath.Matches(&otherPath));
  EXPECT_FALSE(withPath.Matches(&noPath));
  EXPECT_FALSE(noPath.Matches(&withPath));
  EXPECT_TRUE(noPath.Matches(&noPath2));
}

}  // namespace
