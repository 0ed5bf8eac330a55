#include "model/MPersistentObject.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "model/GCountedPtr.h"
#include "model/MPersistentComposite.h"
#include "model/MPersistentIterator.h"
#include "rw/RWBinaryStream.h"
#include "support/ModelRoundTrip.h"
#include "support/ModelTestClasses.h"

namespace {

const int32_t kId7 = 7;
const int32_t kId8 = 8;

TEST(MPersistentObjectSerial, RunsFromOneAndSkipsZeroWhenTheCounterWraps) {
  MPersistentObject::SetSerialCounter(0);
  TestLeaf first(0, kId7);
  TestLeaf second;
  EXPECT_EQ(first.GetSerial(), 1u);
  EXPECT_EQ(second.GetSerial(), 2u);

  MPersistentObject::SetSerialCounter(0xFFFFFFFFu);
  TestLeaf last;
  TestLeaf wrapped;
  EXPECT_EQ(last.GetSerial(), 0xFFFFFFFFu);
  EXPECT_EQ(wrapped.GetSerial(), 1u);
}

TEST(MPersistentObjectSerial, CopiesShareTheSerialAndStartUnheld) {
  auto* source = new TestLeaf(3, kId7);
  GCountedPtr holder(source);
  EXPECT_EQ(source->HolderCount(), 0);

  TestLeaf copy(*source);
  EXPECT_EQ(copy.GetSerial(), source->GetSerial());
  EXPECT_EQ(copy.FeatureId(), 7);
  EXPECT_EQ(copy.HolderCount(), -1);

  TestLeaf assigned(1, kId8);
  assigned = *source;
  EXPECT_EQ(assigned.GetSerial(), source->GetSerial());
  EXPECT_EQ(assigned.HolderCount(), -1);
}

TEST(MPersistentObjectSerial, ClearSerialsClearsTheWholeTree) {
  MPersistentComposite root;
  auto* inner = new MPersistentComposite;
  auto* leaf = new TestLeaf(1, kId7);
  inner->AddChild(leaf);
  root.AddChild(inner);
  root.AddChild(new TestLeaf(2, kId8));

  root.ClearSerials();
  EXPECT_EQ(root.GetSerial(), 0u);
  EXPECT_EQ(inner->GetSerial(), 0u);
  EXPECT_EQ(leaf->GetSerial(), 0u);
  EXPECT_EQ(root.FindById(kId8)->GetSerial(), 0u);
}

// The stored body of the base, read from a native binary stream.
struct BodyCase {
  const char* name;
  uint32_t version, id, serial;
  int32_t expectedId;
  bool keepsConstructedSerial;
  uint32_t valuesConsumed;
};

class MPersistentObjectBody : public ::testing::TestWithParam<BodyCase> {};

TEST_P(MPersistentObjectBody, RestoresAsTheVersionAndSerialSay) {
  const BodyCase& c = GetParam();
  std::ostringstream bytes(std::ios::binary);
  {
    RWBinaryOutStream out(bytes);
    out.PutULong(c.version).PutULong(c.id).PutULong(c.serial).PutULong(0xABCD);
  }
  std::istringstream in(bytes.str(), std::ios::binary);
  RWBinaryInStream stream(in);
  TestLeaf leaf(0, kId7);
  const uint32_t constructed = leaf.GetSerial();
  leaf.MPersistentObject::RestoreMembers(stream);
  EXPECT_EQ(leaf.FeatureId(), c.expectedId);
  EXPECT_EQ(leaf.GetSerial(), c.keepsConstructedSerial ? constructed : c.serial);
  // The stream stands right after what the body consumed.
  uint32_t next = 0;
  stream.GetULong(next);
  const uint32_t values[] = {c.version, c.id, c.serial, 0xABCD};
  EXPECT_EQ(next, values[c.valuesConsumed]);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MPersistentObjectBody,
    ::testing::Values(BodyCase{"StoredSerialReplacesTheConstructed", 1, 42, 99, 42, false, 3},
                      BodyCase{"ZeroSerialKeepsTheConstructed", 1, 42, 0, 42, true, 3},
                      BodyCase{"OtherVersionReadsOnlyTheVersion", 2, 42, 99, 7, true, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MPersistentObjectBody, FileFormIsVersionIdSerial) {
  TestLeaf leaf(5, kId7);
  leaf.SetSerial(0x01020304u);
  const std::string bytes = qvtest::SaveInForm(&leaf, qvtest::ModelForm::kFile);
  // Marker, class tag, then the base body, then the leaf's own part.
  const std::string expected = qvtest::StoredBytes()
                                   .Marker()
                                   .U16(TestLeafClassId)
                                   .Base(7, 0x01020304u)
                                   .U32(1)
                                   .U32(5)
                                   .Bytes();
  EXPECT_EQ(bytes, expected);
}

TEST(MPersistentObjectLeaf, ChildOperationsLeaveTheLeafAlone) {
  TestLeaf leaf(1, kId7);
  TestLeaf other(2, kId8);
  leaf.AddChild(&other);
  leaf.PrependChild(&other);
  EXPECT_EQ(other.HolderCount(), -1);  // not taken: the caller still owns it
  EXPECT_EQ(leaf.RemoveChild(&other), nullptr);
  EXPECT_EQ(leaf.RemoveChildById(kId7), nullptr);
  EXPECT_EQ(leaf.ReplaceChildById(kId7, &other), 0);
  EXPECT_EQ(leaf.AsComposite(), nullptr);
  EXPECT_EQ(leaf.GetEntryCount(), 1);
  EXPECT_EQ(leaf.GetNodeCount(), 1);

  std::unique_ptr<MPersistentIterator> it(leaf.CreateIterator());
  EXPECT_EQ(it->Advance(), 0);
  EXPECT_EQ(it->Current(), nullptr);

  // The handle answer is empty (its old pointee, held only there, goes).
  const int live = TestLeaf::live;
  GCountedRef out(new TestLeaf(3, kId8));
  leaf.RemoveChildHandleById(out, kId7);
  EXPECT_TRUE(out.IsEmpty());
  EXPECT_EQ(TestLeaf::live, live);
}

TEST(MPersistentObjectLeaf, FindsAndHandlesAnswerTheLeafItself) {
  auto* leaf = new TestLeaf(1, kId7);
  GCountedPtr owner(leaf);
  EXPECT_EQ(leaf->FindById(kId7), leaf);
  EXPECT_EQ(leaf->FindById(kId8), nullptr);
  EXPECT_EQ(leaf->FindByClass(TestLeafClassId), leaf);
  EXPECT_EQ(leaf->FindByKind(MPersistentObjectClassId), leaf);
  EXPECT_EQ(leaf->FindByKind(MPersistentCompositeClassId), nullptr);
  TestLeaf same(1, kId7);
  EXPECT_EQ(leaf->FindMatch(&same), leaf);

  GCountedRef handle;
  leaf->HandleByClass(handle, TestLeafClassId);
  EXPECT_EQ(handle.Pointee(), leaf);
  EXPECT_EQ(leaf->HolderCount(), 1);
  leaf->HandleById(handle, kId8);
  EXPECT_TRUE(handle.IsEmpty());
  EXPECT_EQ(leaf->HolderCount(), 0);
  leaf->HandleMatching(handle, &same);
  EXPECT_EQ(handle.Pointee(), leaf);
}

TEST(MPersistentObjectLeaf, SelectByIdWrapsAMatchingLeafInANewComposite) {
  auto* leaf = new TestLeaf(1, kId7);
  std::unique_ptr<MPersistentComposite> selected(leaf->SelectById(kId7));
  ASSERT_NE(selected, nullptr);
  EXPECT_EQ(selected->GetEntryCount(), 1);
  EXPECT_EQ(selected->FindById(kId7), leaf);
  EXPECT_EQ(leaf->HolderCount(), 0);  // held by the new composite, which deletes it
  EXPECT_EQ(leaf->SelectById(kId8), nullptr);
}

TEST(MPersistentObjectLeaf, CollectAddsOnlyAMatchingLeaf) {
  auto* leaf = new TestLeaf(1, kId7);
  MPersistentComposite into;
  EXPECT_EQ(leaf->CollectById(kId8, &into), &into);
  EXPECT_EQ(into.GetEntryCount(), 0);
  EXPECT_EQ(leaf->CollectByClass(TestLeafClassId, &into), &into);
  EXPECT_EQ(into.GetEntryCount(), 1);
}

TEST(MPersistentObjectLeaf, DeepCopyOfALeafIsItsClone) {
  TestLeaf leaf(9, kId7);
  std::unique_ptr<MPersistentObject> copy(leaf.DeepCopy());
  EXPECT_EQ(copy->ClassId(), TestLeafClassId);
  EXPECT_EQ(copy->GetSerial(), leaf.GetSerial());
  EXPECT_TRUE(copy->Matches(&leaf));
}

TEST(MPersistentObjectLeaf, IsEqualNeedsTheSameClassAsWellAsMatches) {
  TestLeaf leaf(0, kId7);
  MPersistentComposite composite(kId7);
  // The base part alone matches (same id), the classes differ.
  EXPECT_TRUE(composite.MPersistentObject::Matches(&leaf));
  EXPECT_FALSE(leaf.IsEqual(&composite));
  EXPECT_FALSE(composite.IsEqual(&leaf));
  TestLeaf twin(0, kId7);
  EXPECT_TRUE(leaf.IsEqual(&twin));
  EXPECT_FALSE(leaf.IsEqual(nullptr));
  EXPECT_EQ(leaf.CompareTo(&leaf), 0);
  EXPECT_EQ(leaf.CompareTo(&twin), &leaf < &twin ? -1 : 1);
}

}  // namespace
