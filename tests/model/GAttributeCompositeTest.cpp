// The attribute container: adding and its ownership rules, depth-first
// finds, detaches and replaces, applying the changed children, merging,
// matching, copying, the iterator, and the stored form.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/GAttributeComposite.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentComposite.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "support/ErrorCapture.h"
#include "support/ModelRoundTrip.h"
#include "support/RecordingPeripheral.h"
#include "support/AttributeTestClasses.h"
#include "support/ModelTestClasses.h"
#include "w32test/Testing.h"

namespace {

using qvtest::ModelForm;
using qvtest::StoredBytes;

const int32_t kRoot = 360;
const int32_t kGroup = 362;
const int32_t kA = 1;
const int32_t kB = 2;
const int32_t kC = 3;

GValueAttribute* Value(int16_t v, const int32_t& id) { return new GValueAttribute(v, &id); }
int16_t ValueOf(MPersistentObject* o) { return dynamic_cast<GValueAttribute&>(*o).GetValue(); }

class GAttributeCompositeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    values_ = TestLiveValue::live;
    leaves_ = TestLeaf::live;
  }
  void TearDown() override {
    EXPECT_EQ(TestLiveValue::live, values_) << "attributes leaked or deleted twice";
    EXPECT_EQ(TestLeaf::live, leaves_);
  }

 private:
  int values_ = 0;
  int leaves_ = 0;
};

TEST_F(GAttributeCompositeTest, AddChildTakesAttributesAndDestroysAnythingElseUnlessHeld) {
  GAttributeComposite c(&kRoot);
  c.AddChild(nullptr);
  c.AddChild(new TestLiveValue(1, &kA));
  c.AddChild(new TestLeaf(1, kB));  // not an attribute: destroyed
  EXPECT_EQ(c.GetEntryCount(), 1);

  // A non-attribute that a handle holds is refused but left with its holder.
  GCountedPtr holder(new TestLeaf(2, kB));
  c.AddChild(holder.Pointee());
  EXPECT_EQ(c.GetEntryCount(), 1);
  EXPECT_EQ(holder.Pointee()->HolderCount(), 0);

  // The container never holds itself, nor a container that holds it.
  c.AddChild(&c);
  auto* outer = new GAttributeComposite(&kGroup);
  GCountedPtr outerHolder(outer);
  outer->AddChild(c.Clone());
  GAttributeComposite* inner = dynamic_cast<GAttributeComposite*>(outer->ChildAt(0));
  inner->AddChild(outer);
  EXPECT_EQ(inner->GetEntryCount(), 1);
}

TEST_F(GAttributeCompositeTest, CapacityGrowsBySixtyFourAndCloneSharesChildren) {
  GAttributeComposite c(&kRoot);
  EXPECT_EQ(c.Children().Capacity(), 10u);
  for (int i = 0; i < 11; ++i) c.AddChild(Value(static_cast<int16_t>(i), kA));
  EXPECT_EQ(c.Children().Capacity(), 74u);
  std::unique_ptr<GAttributeComposite> copy(c.Clone());
  EXPECT_EQ(copy->Children().Capacity(), 11u);
  EXPECT_EQ(copy->ChildAt(3), c.ChildAt(3));
  EXPECT_EQ(c.ChildAt(3)->HolderCount(), 1);
  EXPECT_EQ(copy->GetSerial(), c.GetSerial());
  std::unique_ptr<GAttributeComposite> emptyCopy(GAttributeComposite(&kRoot).Clone());
  EXPECT_EQ(emptyCopy->Children().Capacity(), 0u);
  emptyCopy->AddChild(Value(1, kA));
  EXPECT_EQ(emptyCopy->GetEntryCount(), 1);
  c.RemoveAllChildren();
  EXPECT_EQ(c.GetEntryCount(), 0);
  EXPECT_EQ(c.Children().Capacity(), 64u);
  EXPECT_EQ(copy->GetEntryCount(), 11);
}

// root { group { a=1, b=2 }, b=20, c=3 }
std::unique_ptr<GAttributeComposite> MakeTree() {
  auto root = std::make_unique<GAttributeComposite>(&kRoot);
  auto* group = new GAttributeComposite(&kGroup);
  group->AddChild(Value(1, kA));
  group->AddChild(Value(2, kB));
  root->AddChild(group);
  root->AddChild(Value(20, kB));
  root->AddChild(Value(3, kC));
  return root;
}

TEST_F(GAttributeCompositeTest, FindsAreDepthFirstInOrderAndNeverTestTheContainerItself) {
  auto root = MakeTree();
  EXPECT_EQ(ValueOf(root->FindById(kB)), 2);  // the grandchild wins over the later child
  EXPECT_EQ(root->FindById(kRoot), nullptr);
  EXPECT_EQ(root->FindById(kGroup), root->ChildAt(0));
  EXPECT_EQ(root->FindByClass(GValueAttributeClassId), root->ChildAt(0)->FindById(kA));
  EXPECT_EQ(root->FindByKind(GAttributeCompositeClassId), root->ChildAt(0));
  EXPECT_EQ(root->FindByKind(753), root->ChildAt(0));

  // A leaf qualifies by matching, a container only by identity.
  GValueAttribute probe(3, &kC);
  EXPECT_EQ(root->FindMatch(&probe), root->ChildAt(2));
  GAttributeComposite groupLookalike(*dynamic_cast<GAttributeComposite*>(root->ChildAt(0)));
  EXPECT_EQ(root->FindMatch(&groupLookalike), nullptr);
  EXPECT_EQ(root->FindMatch(root->ChildAt(0)), root->ChildAt(0));
}

TEST_F(GAttributeCompositeTest, SelectsAndCollectsGatherLeavesOnly) {
  auto root = MakeTree();
  std::unique_ptr<MPersistentComposite> both(root->SelectById(kB));
  ASSERT_NE(both, nullptr);
  EXPECT_EQ(both->GetEntryCount(), 2);
  EXPECT_EQ(ValueOf(both->Children().Data()[0].Pointee()), 2);
  EXPECT_EQ(root->FindById(kB)->HolderCount(), 1);  // shared with the selection
  EXPECT_EQ(root->SelectById(999), nullptr);
  EXPECT_EQ(root->SelectByClass(GAttributeCompositeClassId), nullptr);  // containers are never collected
  std::unique_ptr<MPersistentComposite> values(root->SelectByKind(GValueAttributeClassId));
  ASSERT_NE(values, nullptr);
  EXPECT_EQ(values->GetEntryCount(), 4);
  EXPECT_EQ(root->GetNodeCount(), 6);
  EXPECT_EQ(root->GetEntryCount(), 3);
}

TEST_F(GAttributeCompositeTest, RemoveGivesTheChildOrACopyWhenItIsStillShared) {
  auto root = MakeTree();
  GAttributeComposite other(&kGroup);
  GAttribute* shared = root->FindById(kC);
  other.AddChild(shared);
  std::unique_ptr<GAttribute> copy(root->RemoveChildById(kC));
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy.get(), shared);
  EXPECT_EQ(ValueOf(copy.get()), 3);
  EXPECT_EQ(other.ChildAt(0), shared);
  EXPECT_EQ(shared->HolderCount(), 0);
  EXPECT_EQ(root->GetEntryCount(), 2);

  // Held only here: the child itself, unheld. Removal reaches the grandchild.
  GAttribute* a = root->FindById(kA);
  std::unique_ptr<GAttribute> taken(root->RemoveChildById(kA));
  EXPECT_EQ(taken.get(), a);
  EXPECT_EQ(taken->HolderCount(), -1);
  EXPECT_EQ(root->ChildAt(0)->GetEntryCount(), 1);
  std::unique_ptr<GAttribute> byClass(root->RemoveChildByClass(GAttributeCompositeClassId));
  ASSERT_NE(byClass, nullptr);
  EXPECT_EQ(root->GetEntryCount(), 1);
  EXPECT_EQ(root->RemoveChild(nullptr), nullptr);
  EXPECT_EQ(root->RemoveChildById(999), nullptr);
}

TEST_F(GAttributeCompositeTest, ReplacePutsADeepCopyInPlaceAndKeepsItsPosition) {
  auto root = MakeTree();
  GValueAttribute replacement(99, &kC);
  EXPECT_EQ(root->ReplaceChildById(kC, &replacement), 1);
  replacement.SetValue(100);
  EXPECT_EQ(ValueOf(root->ChildAt(2)), 99);
  EXPECT_NE(root->ChildAt(2), &replacement);
  // The first qualifying child, depth first: the grandchild.
  GValueAttribute b(55, &kB);
  EXPECT_EQ(root->ReplaceChildById(kB, &b), 1);
  EXPECT_EQ(ValueOf(root->ChildAt(0)->FindById(kB)), 55);
  EXPECT_EQ(ValueOf(root->ChildAt(1)), 20);
  EXPECT_EQ(root->ReplaceChild(root->ChildAt(1), &b), 1);
  EXPECT_EQ(ValueOf(root->ChildAt(1)), 55);
  EXPECT_EQ(root->ReplaceChildByKind(GAttributeCompositeClassId, &b), 1);
  EXPECT_EQ(ValueOf(root->ChildAt(0)), 55);
  EXPECT_EQ(root->ReplaceChildById(999, &b), 0);
  // Only an attribute takes an attribute's place.
  TestLeaf leaf(1, kC);
  EXPECT_EQ(root->ReplaceChildById(kC, &leaf), 0);
}

TEST_F(GAttributeCompositeTest, ApplyToSendsOnlyChangedChildrenInOrderAndKeepsTheLastNonZeroResult) {
  GAttributeComposite c(&kRoot);
  c.AddChild(Value(1, kA));
  c.AddChild(new GStringAttribute("x", &kB));
  c.AddChild(Value(3, kC));
  c.ChildAt(1)->changed = 0;
  qvtest::RecordingPeripheral receiver;
  receiver.SetResult("SetValue", 4);
  EXPECT_EQ(c.ApplyTo(&receiver), 4);
  EXPECT_EQ(receiver.FeatureIds(), (std::vector<int32_t>{kA, kC}));
  EXPECT_EQ(c.changed, 0);
  // Scalar children keep their flags; the owner clears them.
  EXPECT_EQ(c.ChildAt(0)->changed, 1);
  c.MarkAllUnchanged();
  receiver.Clear();
  c.changed = 1;
  EXPECT_EQ(c.ApplyTo(&receiver), 0);
  EXPECT_TRUE(receiver.Calls().empty());
  EXPECT_EQ(c.changed, 0);
  c.MarkAllChanged();
  EXPECT_EQ(c.changed, 1);
  EXPECT_EQ(c.ChildAt(1)->changed, 1);
  receiver.SetResult("SetString", 8);
  receiver.SetResult("SetValue", 0);
  EXPECT_EQ(c.ApplyTo(&receiver), 8);
}

TEST_F(GAttributeCompositeTest, MergeAddsACopyOfAnotherContainerOrCopiesOfTheSameOnesChildren) {
  GAttributeComposite c(&kRoot);
  c.AddChild(Value(1, kA));
  GAttributeComposite same(&kRoot);
  same.AddChild(Value(2, kB));
  same.AddChild(Value(3, kC));
  c.Merge(&same);
  ASSERT_EQ(c.GetEntryCount(), 3);
  EXPECT_EQ(ValueOf(c.ChildAt(1)), 2);
  EXPECT_NE(c.ChildAt(1), same.ChildAt(0));  // copies, not shared
  GAttributeComposite other(&kGroup);
  other.AddChild(Value(4, kA));
  c.Merge(&other);
  ASSERT_EQ(c.GetEntryCount(), 4);
  EXPECT_EQ(c.ChildAt(3)->FeatureId(), kGroup);
  EXPECT_EQ(c.ChildAt(3)->GetEntryCount(), 1);
  // Merging with itself doubles its own children without looping.
  c.Merge(&c);
  EXPECT_EQ(c.GetEntryCount(), 8);
}

TEST_F(GAttributeCompositeTest, MatchesComparesChildrenInOrder) {
  GAttributeComposite a(&kRoot);
  a.AddChild(Value(1, kA));
  a.AddChild(Value(2, kB));
  GAttributeComposite b(&kRoot);
  b.AddChild(Value(2, kB));
  b.AddChild(Value(1, kA));
  EXPECT_FALSE(a.Matches(&b));
  std::unique_ptr<MPersistentObject> copy(a.DeepCopy());
  EXPECT_TRUE(a.Matches(copy.get()));
  EXPECT_NE(copy->GetSerial(), a.GetSerial());
  GAttributeComposite otherId(&kGroup);
  EXPECT_FALSE(GAttributeComposite(&kRoot).Matches(&otherId));
}

TEST_F(GAttributeCompositeTest, DeepCopyCopiesEveryLevel) {
  auto root = MakeTree();
  std::unique_ptr<GAttributeComposite> copy(dynamic_cast<GAttributeComposite*>(root->DeepCopy()));
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(copy->Matches(root.get()));
  EXPECT_NE(copy->ChildAt(0), root->ChildAt(0));
  EXPECT_NE(copy->FindById(kA), root->FindById(kA));
  dynamic_cast<GValueAttribute*>(copy->FindById(kA))->SetValue(50);
  EXPECT_EQ(ValueOf(root->FindById(kA)), 1);
}

TEST_F(GAttributeCompositeTest, ClearSerialsClearsTheWholeAttributeTree) {
  auto root = MakeTree();
  MPersistentComposite holder;
  holder.AddChild(root->Clone());
  holder.ClearSerials();
  EXPECT_EQ(root->FindById(kA)->GetSerial(), 0u);
  EXPECT_EQ(root->ChildAt(0)->GetSerial(), 0u);
  EXPECT_EQ(root->ChildAt(2)->GetSerial(), 0u);
}

TEST_F(GAttributeCompositeTest, ForEachChildAndFindChildWhere) {
  auto root = MakeTree();
  static std::vector<int32_t> seen;
  seen.clear();
  root->ForEachChild([](GCountedPtr* child, int data) { seen.push_back(child->Pointee()->FeatureId() + data); },
                     1000);
  EXPECT_EQ(seen, (std::vector<int32_t>{1000 + kGroup, 1000 + kB, 1000 + kC}));
  GAttribute* found = root->FindChildWhere(
      [](GCountedPtr* child, int id) { return child->Pointee()->FeatureId() == id ? 1 : 0; }, kC);
  EXPECT_EQ(found, root->ChildAt(2));
  EXPECT_EQ(root->FindChildWhere([](GCountedPtr*, int) { return 0; }, 0), nullptr);
}

TEST_F(GAttributeCompositeTest, TheIteratorWalksReplacesAndStartsOver) {
  GAttributeComposite c(&kRoot);
  c.AddChild(Value(1, kA));
  c.AddChild(Value(2, kB));
  std::unique_ptr<MPersistentIterator> it(c.CreateIterator());
  EXPECT_NE(qvtest::RaisedText([&] { it->Current(); }).find("[INDEXERR]"), std::string::npos);
  ASSERT_TRUE(it->Advance());
  ASSERT_TRUE(it->Advance());
  it->ReplaceCurrent(new TestLiveValue(9, &kC));
  EXPECT_EQ(ValueOf(it->Current()), 9);
  EXPECT_EQ(c.GetEntryCount(), 2);
  EXPECT_FALSE(it->Advance());
  // Off the list (-1) with children left: the index error for that index,
  // and the object given is not kept (nor leaked).
  EXPECT_NE(qvtest::RaisedText([&] { it->ReplaceCurrent(new TestLiveValue(8, &kC)); }).find("[NPOSINDEX]"),
            std::string::npos);
  EXPECT_EQ(c.GetEntryCount(), 2);
  ASSERT_TRUE(it->Advance());
  EXPECT_EQ(ValueOf(it->Current()), 1);
  // A non-attribute is not taken.
  it->ReplaceCurrent(new TestLeaf(1, kA));
  EXPECT_EQ(ValueOf(it->Current()), 1);
  // An empty container takes the object by appending it.
  GAttributeComposite empty;
  std::unique_ptr<MPersistentIterator> onEmpty(empty.CreateIterator());
  onEmpty->ReplaceCurrent(Value(5, kA));
  EXPECT_EQ(empty.GetEntryCount(), 1);
}

TEST_F(GAttributeCompositeTest, ANestedTreeWithASharedChildRoundTripsInEveryForm) {
  auto root = MakeTree();
  GAttribute* shared = root->FindById(kC);
  dynamic_cast<GAttributeComposite*>(root->ChildAt(0))->AddChild(shared);
  root->ChildAt(1)->changed = 0;
  qvtest::ExpectRoundTripsInAllForms(*root);
  qvtest::ExpectStoredByteCountIsWritten(*root);
  for (ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(root.get(), form), form);
    std::unique_ptr<MPersistentObject> copy(read.object);
    auto* restored = dynamic_cast<GAttributeComposite*>(copy.get());
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->ChildAt(0)->FindById(kC), restored->ChildAt(2));
    EXPECT_EQ(restored->ChildAt(1)->changed, 0);
    EXPECT_EQ(restored->Children().Capacity(), 64u);
  }
}

TEST_F(GAttributeCompositeTest, RestoringDropsThePreviousChildren) {
  GAttributeComposite stored(&kRoot);
  stored.AddChild(Value(7, kB));
  const std::string bytes = qvtest::SaveInForm(&stored, ModelForm::kFile);

  GAttributeComposite target(&kGroup);
  target.AddChild(new TestLiveValue(1, &kA));
  w32test::PutFile(qvtest::ModelTestFilePathW(), bytes);
  {
    RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
    EXPECT_EQ(RWReadObjectIntoFromFile(file, &target), &target);
  }
  ASSERT_EQ(target.GetEntryCount(), 1);
  EXPECT_EQ(ValueOf(target.ChildAt(0)), 7);
  EXPECT_EQ(target.FeatureId(), kRoot);
}

TEST_F(GAttributeCompositeTest, AStoredChildThatIsNoAttributeFailsTheRestore) {
  const std::string bytes = StoredBytes()
                                .Marker()
                                .U16(GAttributeCompositeClassId)
                                .Base(kRoot, 1)
                                .U32(1)
                                .U32(1)  // changed
                                .U32(1)  // container version
                                .U32(1)  // one child
                                .U16(TestLeafClassId)
                                .Base(kA, 2)
                                .U32(1)
                                .U32(5)
                                .Bytes();
  for (ModelForm form : {ModelForm::kFile}) {
    qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, form);
    EXPECT_TRUE(read.failed);
    EXPECT_EQ(read.object, nullptr);
  }
  // A huge stored count reserves nothing: the restore stops at the end.
  const std::string huge = StoredBytes()
                               .Marker()
                               .U16(GAttributeCompositeClassId)
                               .Base(kRoot, 1)
                               .U32(1)
                               .U32(1)
                               .U32(1)
                               .U32(0xFFFFFFF0u)
                               .Bytes();
  qvtest::ModelRead read = qvtest::RestoreFromForm(huge, ModelForm::kFile);
  EXPECT_TRUE(read.failed);
  EXPECT_EQ(read.object, nullptr);
}

}  // namespace
