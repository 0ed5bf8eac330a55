// Shape graphics and the path: construction from borrowed and owned point
// lists, polygon closing, the poly-Bezier start point, bounds, matching,
// and the path's one drawing call and bounds over its pieces.
#include "graphics/GShapeGraphic.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "graphics/GPathGraphic.h"
#include "model/GCountedPtr.h"
#include "model/GGraphicBundle.h"
#include "model/MPersistentIterator.h"
#include "support/RecordingPeripheral.h"

namespace {

using Points = std::vector<GShortPoint>;

Points ListOf(const GShapeGraphic& shape) {
  Points points;
  for (uint32_t i = 0; i < shape.GetPointCount(); ++i) points.push_back(*shape.GetPoint(i));
  return points;
}

bool SameRect(const GRect& a, const GRect& b) { return a.Equals(b); }

TEST(GShapeGraphicTest, APolygonIsClosedByPuttingItsLastPointInFront) {
  struct Case {
    Points given;
    Points expected;
    bool stillBorrowed;
  } cases[] = {
      {{{0, 0}, {10, 0}, {10, 10}}, {{10, 10}, {0, 0}, {10, 0}, {10, 10}}, false},
      {{{0, 0}, {10, 0}, {10, 10}, {0, 0}}, {{0, 0}, {10, 0}, {10, 10}, {0, 0}}, true},
      {{{4, 4}}, {{4, 4}}, true},
      {{}, {}, true},
  };
  for (Case& c : cases) {
    GPointList list(c.given.data(), static_cast<uint32_t>(c.given.size()), false);
    GPolygonGraphic polygon(list, nullptr, nullptr);
    EXPECT_EQ(ListOf(polygon), c.expected);
    EXPECT_EQ(polygon.GetPointList().Owns() != 0, !c.stillBorrowed);
  }
}

TEST(GShapeGraphicTest, AnOwningListIsCopiedAndABorrowingOneBorrowed) {
  auto* owned = new GShortPoint[2]{{1, 1}, {1, 1}};
  GPointList owning(owned, 2, true);
  GPolygonGraphic fromOwned(owning, nullptr, nullptr);
  EXPECT_EQ(fromOwned.GetPointList().Owns(), 1);
  EXPECT_NE(fromOwned.GetPoint(0), owned);

  Points borrowed{{1, 1}, {1, 1}};
  GPointList borrowing(borrowed.data(), 2, false);
  GPolygonGraphic fromBorrowed(borrowing, nullptr, nullptr);
  EXPECT_EQ(fromBorrowed.GetPoint(0), borrowed.data());
  // A copy of an owning shape owns its own copy; of a borrowing one borrows.
  GPolygonGraphic ownedCopy(fromOwned);
  EXPECT_EQ(ownedCopy.GetPointList().Owns(), 1);
  EXPECT_NE(ownedCopy.GetPoint(0), fromOwned.GetPoint(0));
  GPolygonGraphic borrowedCopy(fromBorrowed);
  EXPECT_EQ(borrowedCopy.GetPoint(0), borrowed.data());
}

TEST(GShapeGraphicTest, APolyBezierTakesItsFirstPointAsStart) {
  Points seven{{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}};
  GPointList list(seven.data(), 7, false);
  GPolyBezierGraphic bezier(list, nullptr, nullptr);
  EXPECT_EQ(bezier.GetStartPoint(), GShortPoint(1, 1));
  EXPECT_EQ(bezier.GetPointCount(), 6u);
  EXPECT_EQ(bezier.GetBezierCount(), 2u);
  EXPECT_EQ(*bezier.GetPoint(0), GShortPoint(2, 2));
  // Pinned: the copy starts at the second point; the creator's array is untouched.
  bezier.PinResources();
  EXPECT_EQ(*bezier.GetPoint(0), GShortPoint(2, 2));
  EXPECT_NE(bezier.GetPoint(0), seven.data() + 1);

  Points one{{9, 9}};
  GPointList single(one.data(), 1, false);
  GPolyBezierGraphic short1(single, nullptr, nullptr);
  EXPECT_EQ(short1.GetStartPoint(), GShortPoint(9, 9));
  EXPECT_EQ(short1.GetPointCount(), 0u);
  EXPECT_EQ(short1.GetBezierCount(), 0u);

  // An owned list stepped past its first point is still freed whole, and
  // copies keep the polygon mode.
  auto* owned = new GShortPoint[4]{{0, 0}, {1, 1}, {2, 2}, {3, 3}};
  GPointList owning(owned, 4, true);
  GPolyBezierGraphic fromOwned(owning, nullptr, nullptr);
  fromOwned.SetPolygonMode(1);
  GPolyBezierGraphic copy(fromOwned);
  EXPECT_EQ(copy.GetPolygonMode(), 1);
  EXPECT_EQ(ListOf(copy), (Points{{1, 1}, {2, 2}, {3, 3}}));
  EXPECT_TRUE(copy.Matches(&fromOwned));
  copy.SetPolygonMode(0);
  EXPECT_TRUE(copy.Matches(&fromOwned)) << "the polygon mode takes no part";
}

TEST(GShapeGraphicTest, BoundsAreGivenOrTheBoxOfStartAndPoints) {
  GRectangleGraphic rectangle(GRect(10, 20, 110, 220), nullptr, nullptr);
  EXPECT_TRUE(SameRect(rectangle.GetBounds(), GRect(10, 20, 110, 220)));
  GRectangleGraphic rectangleCopy(rectangle);
  EXPECT_EQ(rectangleCopy.BoundsValid(), 0);
  EXPECT_TRUE(SameRect(rectangleCopy.GetBounds(), GRect(10, 20, 110, 220)));

  // The start point (0, 0) of a polygon seeds the box.
  Points three{{5, 5}, {8, 9}, {6, 7}};
  GPointList list(three.data(), 3, false);
  GPolygonGraphic polygon(list, nullptr, nullptr);
  EXPECT_TRUE(SameRect(polygon.GetBounds(), GRect(0, 0, 8, 9)));

  Points one{{5, 5}};
  GPointList single(one.data(), 1, false);
  GPolygonGraphic lone(single, nullptr, nullptr);
  EXPECT_TRUE(SameRect(lone.GetBounds(), GRect()));
  EXPECT_EQ(lone.BoundsValid(), 1);

  Points negative{{-100, 50}, {30, -40}, {10, 10}, {11, 11}};
  GPointList curve(negative.data(), 4, false);
  GPolyBezierGraphic bezier(curve, nullptr, nullptr);
  EXPECT_TRUE(SameRect(bezier.GetBounds(), GRect(-100, -40, 30, 50)));
}

TEST(GShapeGraphicTest, MatchingComparesClassAndEveryGeometricField) {
  Points a{{1, 1}, {2, 3}, {1, 1}};
  Points b{{1, 1}, {2, 4}, {1, 1}};
  GPointList la(a.data(), 3, false), lb(b.data(), 3, false);
  GPolygonGraphic pa(la, nullptr, nullptr), pa2(la, nullptr, nullptr), pb(lb, nullptr, nullptr);
  EXPECT_TRUE(pa.Matches(&pa2));
  EXPECT_FALSE(pa.Matches(&pb));
  pa2.SetCornerSize(GShortPoint(1, 1));
  EXPECT_FALSE(pa.Matches(&pa2));
  GPolyBezierGraphic bezier;
  GPolygonGraphic empty;
  EXPECT_FALSE(empty.Matches(&bezier)) << "different classes with equal fields";
  GRectangleGraphic r1(GRect(0, 0, 5, 5), nullptr, nullptr), r2(GRect(0, 0, 5, 6), nullptr, nullptr);
  EXPECT_FALSE(r1.Matches(&r2));
  GRectangleGraphic r3(GRect(0, 0, 5, 5), nullptr, nullptr);
  r3.SetArcDirection(0);
  EXPECT_FALSE(r1.Matches(&r3));
}

TEST(GPathGraphicTest, APathIsOneDrawingCallWhateverItsPieces) {
  auto* path = new GPathGraphic(new GGraphicBundle, nullptr);
  GCountedPtr held(path);
  for (int i = 0; i < 3; ++i) path->AddChild(new GRectangleGraphic(GRect(0, 0, 1, 1), nullptr, nullptr));
  qvtest::RecordingPeripheral peripheral;
  peripheral.Send(path);
  EXPECT_EQ(peripheral.Operations(), std::vector<std::string>{"DrawPath"});

  // The generic walks do not enter a path; its members are still there.
  EXPECT_EQ(path->AsComposite(), nullptr);
  std::unique_ptr<MPersistentIterator> it(path->CreateIterator());
  EXPECT_EQ(it->Advance(), 0);
  EXPECT_EQ(path->FindByClass(GRectangleGraphicClassId), nullptr);
  GGraphicComposite holder;
  holder.AddChild(path);
  EXPECT_EQ(holder.FindByClass(GRectangleGraphicClassId), nullptr);
  EXPECT_EQ(holder.FindByClass(GPathGraphicClassId), path);
  std::unique_ptr<MPersistentIterator> members(path->CreateMemberIterator());
  int count = 0;
  while (members->Advance() != 0) ++count;
  EXPECT_EQ(count, 3);

  // The same pieces in a plain composite are drawn one by one.
  auto* composite = new GGraphicComposite;
  GCountedPtr heldComposite(composite);
  for (size_t i = 0; i < path->MemberCount(); ++i) composite->AddChild(path->MemberAt(i));
  peripheral.Clear();
  peripheral.Send(composite);
  EXPECT_EQ(peripheral.Operations(), (std::vector<std::string>{"DrawRectangle", "DrawRectangle", "DrawRectangle"}));
}

TEST(GPathGraphicTest, BoundsUniteShapePiecesAndNestedPaths) {
  GPathGraphic empty;
  EXPECT_TRUE(SameRect(empty.GetBounds(), GRect()));

  GPathGraphic outer;
  auto* inner = new GPathGraphic;
  inner->AddChild(new GRectangleGraphic(GRect(10, 20, 30, 40), nullptr, nullptr));
  outer.AddChild(inner);
  EXPECT_TRUE(SameRect(outer.GetBounds(), GRect(10, 20, 30, 40)));

  GPathGraphic two;
  two.AddChild(new GRectangleGraphic(GRect(0, 0, 10, 10), nullptr, nullptr));
  two.AddChild(new GRectangleGraphic(GRect(-5, 5, 5, 20), nullptr, nullptr));
  two.AddChild(new GGraphicComposite);  // contributes nothing
  EXPECT_TRUE(SameRect(two.GetBounds(), GRect(-5, 0, 10, 20)));
}

TEST(GPathGraphicTest, ClosingIsFinalAndACloneSharesThePieces) {
  GPathGraphic path;
  EXPECT_EQ(path.IsClosed(), 0);
  auto* piece = new GRectangleGraphic(GRect(0, 0, 2, 2), nullptr, nullptr);
  path.AddChild(piece);
  path.Close();
  EXPECT_EQ(path.IsClosed(), 1);
  std::unique_ptr<GPathGraphic> clone(path.Clone());
  EXPECT_EQ(clone->IsClosed(), 1);
  EXPECT_EQ(clone->MemberAt(0), piece);
  EXPECT_TRUE(clone->Matches(&path));
  GPathGraphic open;
  open.AddChild(new GRectangleGraphic(GRect(0, 0, 2, 2), nullptr, nullptr));
  EXPECT_FALSE(open.Matches(&path));
}

}  // namespace
