// The graphics-object base and composite: the settings bundle stamped as
// the graphics state, the send protocol through a peripheral (the state
// applied, the transform first, then each drawing call), member handling,
// and the geometry values GRect and GArrayHolder.
#include "graphics/GGraphic.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "graphics/GArrayHolder.h"
#include "graphics/GBrush.h"
#include "graphics/GClip.h"
#include "graphics/GFillMode.h"
#include "graphics/GPaint.h"
#include "graphics/GPathGraphic.h"
#include "graphics/GPen.h"
#include "graphics/GShapeGraphic.h"
#include "graphics/GTransformAttribute.h"
#include "model/GCountedPtr.h"
#include "model/GGraphicBundle.h"
#include "model/GPeripheral.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentIterator.h"
#include "support/RecordingPeripheral.h"

namespace {

using Ops = std::vector<std::string>;

// A peripheral that, like the generators, clears an attribute's changed
// flag once it has put it into effect.
class ClearingPeripheral : public qvtest::RecordingPeripheral {
 public:
  int16_t SetBrush(GBrush* a) override { return Done(RecordingPeripheral::SetBrush(a), a); }
  int16_t SetPen(GPen* a) override { return Done(RecordingPeripheral::SetPen(a), a); }
  int16_t ClipToRectangle(GClipToSingleRectangle* a) override {
    return Done(RecordingPeripheral::ClipToRectangle(a), a);
  }
  int16_t SetFillMode(GFillMode* a) override { return Done(RecordingPeripheral::SetFillMode(a), a); }
  int16_t SetRasterOperation(GRasterOperation* a) override {
    return Done(RecordingPeripheral::SetRasterOperation(a), a);
  }
  int16_t SetTransform(GTransformAttribute* a) override { return Done(RecordingPeripheral::SetTransform(a), a); }

 private:
  static int16_t Done(int16_t status, GAttribute* attribute) {
    attribute->changed = 0;
    return status;
  }
};

GPointList* Borrowed(std::vector<GShortPoint>& points) {
  return new GPointList(points.data(), static_cast<uint32_t>(points.size()), false);
}

// A bundle with every kind of graphics-state attribute, the transform added
// last to show that it still goes out first.
GGraphicBundle* FullBundle() {
  auto* bundle = new GGraphicBundle;
  bundle->SetClip(new GClipToSingleRectangle(GRect(0, 0, 100, 100), kClipInside, kClipWinding, nullptr));
  bundle->SetPen(new GPen(3, new GColorPaint(new GRGBColor(0, 0, 0, 255)), nullptr));
  bundle->SetBrush(new GBrush(new GColorPaint(new GRGBColor(255, 0, 0, 255)), nullptr));
  bundle->SetFillMode(new GFillMode(kFillEvenOdd, nullptr));
  bundle->SetRasterOperation(new GRasterOperation(0xCC, kRopTernary, nullptr));
  bundle->AddChild(new GTransformAttribute(90, GShortPoint(10, 20), GRealPair(0.5f, 0.5f)));
  return bundle;
}

TEST(GGraphicTest, ACompositeOfEveryFigureReachesThePeripheralStateFirstThenOneDrawEach) {
  std::vector<GShortPoint> polygonPoints{{0, 0}, {10, 0}, {10, 10}};
  std::vector<GShortPoint> bezierPoints{{0, 0}, {1, 1}, {2, 2}, {3, 3}};
  std::unique_ptr<GPointList> polygonList(Borrowed(polygonPoints));
  std::unique_ptr<GPointList> bezierList(Borrowed(bezierPoints));

  GGraphicBundle* bundle = FullBundle();
  auto* path = new GPathGraphic(bundle, nullptr);
  path->AddChild(new GRectangleGraphic(GRect(1, 2, 3, 4), nullptr, nullptr));
  auto* rectangle = new GRectangleGraphic(GRect(5, 5, 50, 50), bundle, nullptr);
  auto* polygon = new GPolygonGraphic(*polygonList, bundle, nullptr);
  auto* bezier = new GPolyBezierGraphic(*bezierList, bundle, nullptr);
  auto* composite = new GGraphicComposite(nullptr, nullptr);
  for (GGraphic* g : std::vector<GGraphic*>{path, rectangle, polygon, bezier}) composite->AddChild(g);
  GCountedPtr held(composite);

  ClearingPeripheral peripheral;
  GCountedPtr out = peripheral.Send(composite);
  EXPECT_EQ(out.Pointee(), composite);
  EXPECT_EQ(peripheral.Operations(),
            (Ops{"SetTransform", "ClipToRectangle", "SetPen", "SetBrush", "SetFillMode", "SetRasterOperation",
                 "DrawPath", "DrawRectangle", "DrawPolygon", "DrawPolyBezier"}));
  // Each drawing call gets the graphic itself; the path's piece is not sent.
  const auto& calls = peripheral.Calls();
  ASSERT_EQ(calls.size(), 10u);
  EXPECT_EQ(calls[6].argument, path);
  EXPECT_EQ(calls[7].argument, rectangle);
  EXPECT_EQ(calls[8].argument, polygon);
  EXPECT_EQ(calls[9].argument, bezier);
  EXPECT_EQ(bundle->FeatureId(), GGraphicsSectionId);
}

TEST(GGraphicTest, ADrawingStatusComesBackAsAnErrorCommandAndAnEmptyCompositeDrawsNothing) {
  qvtest::RecordingPeripheral peripheral;
  auto* empty = new GGraphicComposite;
  GCountedPtr emptyHeld(empty);
  peripheral.Send(empty);
  EXPECT_TRUE(peripheral.Operations().empty());

  peripheral.SetResult("DrawRectangle", 77);
  auto* rectangle = new GRectangleGraphic(GRect(0, 0, 1, 1), new GGraphicBundle, nullptr);
  GCountedPtr held(rectangle);
  EXPECT_EQ(rectangle->Dispatch(&peripheral), 77);
  GCountedPtr out = peripheral.Send(rectangle);
  ASSERT_NE(out.Pointee(), nullptr);
  EXPECT_EQ(out->ClassId(), GErrorCommandClassId);
  EXPECT_EQ(rectangle->Dispatch(nullptr), GCommand::kNoReceiver);
  EXPECT_EQ(empty->Dispatch(&peripheral), 0);
}

TEST(GGraphicTest, SettingsAreStampedAsTheGraphicsStateAndOnlyBundlesAreTaken) {
  const int32_t id = 12;
  auto* bundle = new GGraphicBundle;
  bundle->SetFeatureId(0);
  GRectangleGraphic built(GRect(), bundle, &id);
  EXPECT_EQ(built.GetSettings(), bundle);
  EXPECT_EQ(bundle->FeatureId(), GGraphicsSectionId);
  EXPECT_EQ(built.FeatureId(), id);

  GRectangleGraphic bare;
  EXPECT_EQ(bare.GetSettings(), nullptr);
  auto* second = new GGraphicBundle;
  second->SetFeatureId(5);
  bare.SetSettings(second);
  EXPECT_EQ(bare.GetSettings(), second);
  EXPECT_EQ(second->FeatureId(), GGraphicsSectionId);

  // A state that is not a bundle is refused (and destroyed); the bundle stays.
  bare.SetSettings(new GState);
  EXPECT_EQ(bare.GetSettings(), second);
  bare.SetSettings(new GValueAttribute(1, &id));
  EXPECT_EQ(bare.GetSettings(), second);
  // A copy shares the bundle.
  GRectangleGraphic copy(bare);
  EXPECT_EQ(copy.GetSettings(), second);
}

TEST(GGraphicTest, KindTestsAnswerForEveryBase) {
  struct Case {
    std::shared_ptr<MPersistentObject> object;
    std::vector<RWClassID> yes;
    std::vector<RWClassID> no;
  } cases[] = {
      {std::make_shared<GGraphicComposite>(), {607, 602, 601, 751}, {603, 651}},
      {std::make_shared<GPathGraphic>(), {603, 607, 602, 601, 751}, {651}},
      {std::make_shared<GRectangleGraphic>(), {659, 651, 602, 601, 751}, {607, 657}},
      {std::make_shared<GPolygonGraphic>(), {657, 651, 602, 601, 751}, {659}},
      {std::make_shared<GPolyBezierGraphic>(), {653, 651, 602, 601, 751}, {657}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.object->ClassId());
    for (RWClassID id : c.yes) EXPECT_TRUE(c.object->DerivesFrom(id)) << id;
    for (RWClassID id : c.no) EXPECT_FALSE(c.object->DerivesFrom(id)) << id;
  }
}

TEST(GGraphicTest, ACompositeTakesGraphicsOnlyAndNeverItself) {
  auto* composite = new GGraphicComposite;
  GCountedPtr held(composite);
  const int32_t id = 3;
  composite->AddChild(new GValueAttribute(1, &id));  // destroyed: not a graphic
  EXPECT_EQ(composite->MemberCount(), 0u);
  composite->AddChild(composite);
  EXPECT_EQ(composite->MemberCount(), 0u);

  // A path that would hold itself through a nested path is refused too.
  auto* outer = new GPathGraphic;
  auto* inner = new GPathGraphic;
  composite->AddChild(outer);
  outer->AddChild(inner);
  inner->AddChild(outer);
  EXPECT_EQ(inner->MemberCount(), 0u);
  EXPECT_EQ(composite->ReplaceChild(outer, composite), 0);
  EXPECT_EQ(composite->MemberCount(), 1u);
  EXPECT_EQ(composite->MemberAt(0), outer);
  EXPECT_EQ(composite->MemberAt(1), nullptr);
  EXPECT_EQ(composite->GetEntryCount(), 1);

  // A copy shares the members.
  GGraphicComposite copy(*composite);
  EXPECT_EQ(copy.MemberAt(0), outer);
  EXPECT_TRUE(copy.Matches(composite));
}

TEST(GGraphicTest, PinningACompositeMakesEveryMembersBorrowedPointsOwned) {
  std::vector<GShortPoint> points{{1, 1}, {2, 2}, {1, 1}};
  std::unique_ptr<GPointList> list(Borrowed(points));
  auto* polygon = new GPolygonGraphic(*list, nullptr, nullptr);
  GGraphicComposite composite;
  composite.AddChild(polygon);
  ASSERT_EQ(polygon->GetPointList().Owns(), 0);
  composite.PinResources();
  EXPECT_EQ(polygon->GetPointList().Owns(), 1);
  points[0] = GShortPoint(9, 9);  // the creator's array changes; the copy does not
  EXPECT_EQ(polygon->GetPoint(0)->x, 1);
}

TEST(GRectTest, IntersectionEmptinessAndEquality) {
  struct Case {
    GRect a, b, expected;
  } cases[] = {
      {GRect(0, 0, 10, 10), GRect(10, 0, 20, 10), GRect(0, 0, 0, 0)},
      {GRect(0, 0, 10, 10), GRect(5, 5, 20, 20), GRect(5, 5, 10, 10)},
      {GRect(-20, -20, -10, -10), GRect(-15, -30, 0, -12), GRect(-15, -20, -10, -12)},
      {GRect(0, 0, 10, 10), GRect(20, 20, 30, 30), GRect(0, 0, 0, 0)},
  };
  for (const Case& c : cases) EXPECT_TRUE(c.a.Intersect(c.b).Equals(c.expected));
  EXPECT_TRUE(GRect(3, 4, 3, 9).IsEmpty());
  EXPECT_TRUE(GRect(1, 2, 7, 2).IsEmpty());
  EXPECT_FALSE(GRect(5, 5, 1, 1).IsEmpty());
}

TEST(GArrayHolderTest, MakeOwnedCopiesOnlyABorrowedNonEmptyArray) {
  GArrayHolder<GShortPoint> empty;
  EXPECT_EQ(empty.MakeOwned(), 1);
  EXPECT_EQ(empty.Owns(), 0);
  EXPECT_EQ(empty.Data(), nullptr);

  auto* owned = new GShortPoint[2];
  GArrayHolder<GShortPoint> owning(owned, 2, true);
  EXPECT_EQ(owning.MakeOwned(), 1);
  EXPECT_EQ(owning.Data(), owned);

  GShortPoint borrowed[3] = {{1, 2}, {3, 4}, {5, 6}};
  GArrayHolder<GShortPoint> holder(borrowed, 3, false);
  holder.DropFirst();
  EXPECT_EQ(holder.MakeOwned(), 1);
  EXPECT_EQ(holder.Owns(), 1);
  EXPECT_NE(holder.Data(), borrowed + 1);
  EXPECT_EQ(holder.Count(), 2u);
  EXPECT_EQ(holder.Data()[0], GShortPoint(3, 4));
}

}  // namespace
