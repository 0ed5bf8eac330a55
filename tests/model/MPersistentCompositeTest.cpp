#include "model/MPersistentComposite.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/GCountedPtr.h"
#include "model/MPersistentIterator.h"
#include "support/ErrorCapture.h"
#include "support/ModelTestClasses.h"

namespace {

const int32_t kCompositeRoot = 100;
const int32_t kInner = 200;
const int32_t kCompositeA = 1;
const int32_t kCompositeB = 2;
const int32_t kCompositeC = 3;
const int32_t kMissing = 99;

class MPersistentCompositeTest : public ::testing::Test {
 protected:
  void SetUp() override { live_ = TestLeaf::live; }
  void TearDown() override {
    root_.reset();
    EXPECT_EQ(TestLeaf::live, live_) << "test leaves leaked or deleted twice";
  }

  // root(100): inner(200){ a(1, value 10), b(2, value 20) }, b'(2, value 30), c(3)
  void BuildTree() {
    root_ = std::make_unique<MPersistentComposite>(kCompositeRoot);
    inner_ = new MPersistentComposite(kInner);
    a_ = new TestLeaf(10, kCompositeA);
    b_ = new TestLeaf(20, kCompositeB);
    secondB_ = new TestLeaf(30, kCompositeB);
    c_ = new TestLeaf(40, kCompositeC);
    inner_->AddChild(a_);
    inner_->AddChild(b_);
    root_->AddChild(inner_);
    root_->AddChild(secondB_);
    root_->AddChild(c_);
  }

  std::unique_ptr<MPersistentComposite> root_;
  MPersistentComposite* inner_ = nullptr;
  TestLeaf* a_ = nullptr;
  TestLeaf* b_ = nullptr;
  TestLeaf* secondB_ = nullptr;
  TestLeaf* c_ = nullptr;

 private:
  int live_ = 0;
};

std::vector<int32_t> ValuesOf(MPersistentComposite& composite) {
  std::vector<int32_t> values;
  std::unique_ptr<MPersistentIterator> it(composite.CreateIterator());
  while (it->Advance()) {
    auto* leaf = dynamic_cast<TestLeaf*>(it->Current());
    values.push_back(leaf != nullptr ? leaf->Value() : -1);
  }
  return values;
}

TEST_F(MPersistentCompositeTest, FindsSearchDepthFirstBelowTheComposite) {
  BuildTree();
  // The first child's descendant wins over the later direct child.
  EXPECT_EQ(root_->FindById(kCompositeB), b_);
  EXPECT_EQ(root_->FindById(kCompositeC), c_);
  // The composite does not test itself; a nested composite is found.
  EXPECT_EQ(root_->FindById(kCompositeRoot), nullptr);
  EXPECT_EQ(root_->FindById(kInner), inner_);
  EXPECT_EQ(root_->FindById(kMissing), nullptr);
  EXPECT_EQ(root_->FindByClass(TestLeafClassId), a_);
  EXPECT_EQ(root_->FindByClass(MPersistentCompositeClassId), inner_);
  EXPECT_EQ(root_->FindByKind(MPersistentObjectClassId), inner_);
  TestLeaf probe(30, kCompositeB);
  EXPECT_EQ(root_->FindMatch(&probe), secondB_);
}

TEST_F(MPersistentCompositeTest, CollectsTakeLeavesOnlyAndSelectsLeaveNothingWhenEmpty) {
  BuildTree();
  MPersistentComposite into;
  EXPECT_EQ(root_->CollectById(kCompositeB, &into), &into);
  EXPECT_EQ(ValuesOf(into), (std::vector<int32_t>{20, 30}));
  EXPECT_EQ(b_->HolderCount(), 1);  // held by inner and by into

  // Nested composites are never collected.
  std::unique_ptr<MPersistentComposite> none(root_->SelectByClass(MPersistentCompositeClassId));
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(root_->SelectById(kMissing), nullptr);

  std::unique_ptr<MPersistentComposite> leaves(root_->SelectByKind(TestLeafClassId));
  ASSERT_NE(leaves, nullptr);
  EXPECT_EQ(ValuesOf(*leaves), (std::vector<int32_t>{10, 20, 30, 40}));
}

TEST_F(MPersistentCompositeTest, CollectingIntoTheTreeItselfEnds) {
  BuildTree();
  // The target is the root: the walk covers the children present at its
  // start and does not chase what it adds.
  root_->CollectById(kCompositeC, root_.get());
  EXPECT_EQ(root_->GetEntryCount(), 4);
  EXPECT_EQ(c_->HolderCount(), 1);
}

TEST_F(MPersistentCompositeTest, RemoveGivesTheChildItselfOrACopyWhenShared) {
  BuildTree();
  // Held only by the composite: the child itself, now unheld.
  std::unique_ptr<MPersistentObject> removed(root_->RemoveChild(c_));
  EXPECT_EQ(removed.get(), c_);
  EXPECT_EQ(c_->HolderCount(), -1);
  EXPECT_EQ(root_->GetEntryCount(), 2);

  // Held elsewhere too: a copy, and the shared child stays with its holder.
  GCountedPtr keeper(b_);
  std::unique_ptr<MPersistentObject> copy(root_->RemoveChildById(kCompositeB));
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy.get(), b_);
  EXPECT_TRUE(copy->Matches(b_));
  EXPECT_EQ(b_->HolderCount(), 0);
  EXPECT_EQ(inner_->GetEntryCount(), 1);

  EXPECT_EQ(root_->RemoveChildByClass(MPersistentObjectClassId), nullptr);
  EXPECT_EQ(root_->RemoveChildById(kMissing), nullptr);
  std::unique_ptr<MPersistentObject> nested(root_->RemoveChildByClass(MPersistentCompositeClassId));
  EXPECT_EQ(nested.get(), inner_);
  EXPECT_EQ(ValuesOf(*root_), (std::vector<int32_t>{30}));
}

TEST_F(MPersistentCompositeTest, ReplaceStoresADeepCopyAndTheCallerKeepsTheArgument) {
  BuildTree();
  TestLeaf replacement(77, kCompositeB);
  EXPECT_EQ(root_->ReplaceChildById(kCompositeB, &replacement), 1);
  replacement.SetValue(78);  // the tree holds its own copy
  auto* found = dynamic_cast<TestLeaf*>(root_->FindById(kCompositeB));
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->Value(), 77);
  EXPECT_EQ(inner_->GetEntryCount(), 2);
  EXPECT_EQ(root_->ReplaceChildById(kMissing, &replacement), 0);

  // Replacing a child by itself: it is copied before it is let go.
  EXPECT_EQ(root_->ReplaceChild(c_, c_), 1);
  c_ = nullptr;
  EXPECT_EQ(dynamic_cast<TestLeaf*>(root_->FindById(kCompositeC))->Value(), 40);
  EXPECT_EQ(root_->ReplaceChild(inner_, nullptr), 0);
  EXPECT_EQ(root_->ReplaceChildByKind(MPersistentCompositeClassId, &replacement), 1);
  EXPECT_EQ(ValuesOf(*root_), (std::vector<int32_t>{78, 30, 40}));
}

TEST_F(MPersistentCompositeTest, CopiesShareChildrenAndDeepCopiesDoNot) {
  BuildTree();
  MPersistentComposite copy(*root_);
  EXPECT_EQ(copy.GetSerial(), root_->GetSerial());
  EXPECT_EQ(copy.FindById(kCompositeA), a_);
  a_->SetValue(11);
  EXPECT_EQ(dynamic_cast<TestLeaf*>(copy.FindById(kCompositeA))->Value(), 11);
  EXPECT_EQ(inner_->HolderCount(), 1);

  std::unique_ptr<MPersistentObject> deep(root_->DeepCopy());
  EXPECT_EQ(deep->ClassId(), MPersistentCompositeClassId);
  EXPECT_EQ(deep->FeatureId(), kCompositeRoot);
  EXPECT_NE(deep->GetSerial(), root_->GetSerial());
  EXPECT_TRUE(deep->Matches(root_.get()));
  EXPECT_NE(deep->FindById(kCompositeA), a_);
  EXPECT_EQ(deep->GetNodeCount(), root_->GetNodeCount());
  EXPECT_EQ(root_->GetNodeCount(), 6);
  EXPECT_EQ(root_->GetEntryCount(), 3);
}

TEST_F(MPersistentCompositeTest, MatchesComparesIdCountAndChildrenInOrder) {
  BuildTree();
  std::unique_ptr<MPersistentObject> same(root_->DeepCopy());
  EXPECT_TRUE(root_->Matches(same.get()));
  EXPECT_FALSE(root_->DiffersFrom(same.get()));

  std::unique_ptr<MPersistentObject> changed(root_->DeepCopy());
  dynamic_cast<TestLeaf*>(changed->FindById(kCompositeC))->SetValue(0);
  EXPECT_FALSE(root_->Matches(changed.get()));

  std::unique_ptr<MPersistentObject> shorter(root_->DeepCopy());
  delete shorter->RemoveChildById(kCompositeC);
  EXPECT_FALSE(root_->Matches(shorter.get()));

  MPersistentComposite otherId(kMissing);
  MPersistentComposite emptyRoot(kCompositeRoot);
  EXPECT_FALSE(otherId.Matches(&emptyRoot));
  TestRefusingComposite otherClass;
  MPersistentComposite plain;
  otherClass.SetFeatureId(0);
  EXPECT_FALSE(plain.Matches(&otherClass));
}

TEST_F(MPersistentCompositeTest, AssignmentCopiesOnlyWhenTheSourceDiffers) {
  BuildTree();
  MPersistentComposite target(kMissing);
  target.AddChild(new TestLeaf(1, kCompositeA));
  target = *root_;
  EXPECT_EQ(target.FeatureId(), kCompositeRoot);
  EXPECT_EQ(target.GetSerial(), root_->GetSerial());
  EXPECT_EQ(target.FindById(kCompositeC), c_);

  MPersistentComposite twin(kCompositeRoot);
  const uint32_t serial = twin.GetSerial();
  MPersistentComposite alike(kCompositeRoot);
  twin = alike;  // they match: nothing changes
  EXPECT_EQ(twin.GetSerial(), serial);
}

TEST_F(MPersistentCompositeTest, CapacityGrowsBy64AndResetsTo64) {
  MPersistentComposite composite;
  EXPECT_EQ(composite.Children().Capacity(), 10u);
  for (int i = 0; i < 10; ++i) composite.AddChild(new TestLeaf(i, kCompositeA));
  EXPECT_EQ(composite.Children().Capacity(), 10u);
  composite.AddChild(new TestLeaf(10, kCompositeA));
  EXPECT_EQ(composite.Children().Capacity(), 74u);

  MPersistentComposite prepended;
  for (int i = 0; i < 10; ++i) prepended.PrependChild(new TestLeaf(i, kCompositeA));
  prepended.PrependChild(new TestLeaf(10, kCompositeA));
  EXPECT_EQ(prepended.Children().Capacity(), 74u);
  EXPECT_EQ(ValuesOf(prepended).front(), 10);

  composite.RemoveAllChildren();
  EXPECT_EQ(composite.GetEntryCount(), 0);
  EXPECT_EQ(composite.Children().Capacity(), 64u);
}

TEST_F(MPersistentCompositeTest, ATreeNeverHoldsItself) {
  BuildTree();
  // Self-adoption, adopting an ancestor, and an iterator replacement that
  // would close a loop are refused; nothing is deleted.
  root_->AddChild(root_.get());
  inner_->AddChild(root_.get());
  inner_->PrependChild(inner_);
  EXPECT_EQ(root_->GetEntryCount(), 3);
  EXPECT_EQ(inner_->GetEntryCount(), 2);
  EXPECT_EQ(root_->HolderCount(), -1);
  EXPECT_EQ(inner_->HolderCount(), 0);

  std::unique_ptr<MPersistentIterator> it(inner_->CreateIterator());
  ASSERT_TRUE(it->Advance());
  it->ReplaceCurrent(root_.get());
  EXPECT_EQ(it->Current(), a_);

  // Assigning an ancestor's children to a composite below it would make the
  // composite its own child.
  MPersistentComposite* target = inner_;
  *target = *root_;
  EXPECT_EQ(inner_->FeatureId(), kInner);
  EXPECT_EQ(root_->GetNodeCount(), 6);
}

TEST_F(MPersistentCompositeTest, AddingAChildTwiceHoldsItTwice) {
  BuildTree();
  root_->AddChild(c_);
  EXPECT_EQ(root_->GetEntryCount(), 4);
  EXPECT_EQ(c_->HolderCount(), 1);
  // Removing one place leaves the other: the caller gets a copy.
  std::unique_ptr<MPersistentObject> removed(root_->RemoveChild(c_));
  EXPECT_NE(removed.get(), c_);
  EXPECT_EQ(c_->HolderCount(), 0);
}

TEST_F(MPersistentCompositeTest, IteratorWalksRestartsAndReplaces) {
  BuildTree();
  std::unique_ptr<MPersistentIterator> it(root_->CreateIterator());
  std::vector<MPersistentObject*> seen;
  while (it->Advance()) seen.push_back(it->Current());
  EXPECT_EQ(seen, (std::vector<MPersistentObject*>{inner_, secondB_, c_}));
  // After answering 0 it starts again at the first child.
  ASSERT_EQ(it->Advance(), 1);
  EXPECT_EQ(it->Current(), inner_);
  ASSERT_EQ(it->Advance(), 1);
  auto* fresh = new TestLeaf(50, kCompositeA);
  it->ReplaceCurrent(fresh);  // secondB_ was held only here: it goes
  secondB_ = nullptr;
  EXPECT_EQ(it->Current(), fresh);
  EXPECT_EQ(ValuesOf(*root_), (std::vector<int32_t>{-1, 50, 40}));
  it->Reset();
  EXPECT_EQ(it->Advance(), 1);
  EXPECT_EQ(it->Current(), inner_);

  // On an empty composite the replacement is appended.
  MPersistentComposite empty;
  std::unique_ptr<MPersistentIterator> onEmpty(empty.CreateIterator());
  onEmpty->ReplaceCurrent(new TestLeaf(1, kCompositeA));
  EXPECT_EQ(empty.GetEntryCount(), 1);
}

TEST_F(MPersistentCompositeTest, AnIteratorOffTheListRaisesTheIndexErrorAndReadsNothing) {
  BuildTree();
  std::unique_ptr<MPersistentIterator> it(root_->CreateIterator());
  EXPECT_EQ(qvtest::RaisedText([&] { it->Current(); }).rfind("[INDEXERR]", 0), 0u);

  // Children removed under the cursor: the cursor is past the end now.
  it->Advance();
  it->Advance();
  it->Advance();
  delete root_->RemoveChild(c_);
  c_ = nullptr;
  delete root_->RemoveChild(secondB_);
  secondB_ = nullptr;
  qvtest::ScopedErrorCapture capture;
  EXPECT_EQ(it->Current(), nullptr);
  auto* replacement = new TestLeaf(1, kCompositeA);
  it->ReplaceCurrent(replacement);  // refused at the insertion: the object goes
  ASSERT_EQ(capture.Texts().size(), 2u);
  EXPECT_EQ(capture.Texts()[0], "[INDEXERR] Illegal Index (2) for collection or string with 1 elements");
  EXPECT_EQ(root_->GetEntryCount(), 1);
  EXPECT_EQ(it->Advance(), 0);
}

TEST_F(MPersistentCompositeTest, ForEachChildStopsWhenTheFunctionShrinksTheList) {
  BuildTree();
  static std::vector<int32_t> seen;
  seen.clear();
  root_->ForEachChild([](GCountedPtr* child, int add) { seen.push_back(child->Pointee()->FeatureId() + add); }, 1000);
  EXPECT_EQ(seen, (std::vector<int32_t>{1200, 1002, 1003}));

  static MPersistentComposite* target;
  target = root_.get();
  seen.clear();
  qvtest::ScopedErrorCapture capture;
  root_->ForEachChild(
      [](GCountedPtr* child, int) {
        seen.push_back(child->Pointee()->FeatureId());
        if (target->GetEntryCount() == 3) delete target->RemoveChildById(kCompositeC);
      },
      0);
  EXPECT_EQ(seen, (std::vector<int32_t>{kInner, kCompositeB}));
  ASSERT_EQ(capture.Texts().size(), 1u);
  EXPECT_EQ(capture.Texts()[0], "[INDEXERR] Illegal Index (2) for collection or string with 2 elements");
  c_ = nullptr;
}

TEST_F(MPersistentCompositeTest, FindChildWhereAnswersTheFirstAcceptedChild) {
  BuildTree();
  auto byValue = [](GCountedPtr* child, int value) {
    auto* leaf = dynamic_cast<TestLeaf*>(child->Pointee());
    return leaf != nullptr && leaf->Value() == value ? 1 : 0;
  };
  EXPECT_EQ(root_->FindChildWhere(byValue, 40), c_);
  EXPECT_EQ(root_->FindChildWhere(byValue, 10), nullptr);  // direct children only
}

}  // namespace
