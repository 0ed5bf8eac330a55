// The association and the association list: copying pairs with missing
// halves, key replacement on Add, look-ups, ownership of what is removed or
// refused, and the stored forms.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "model/GPersistableLong.h"
#include "model/GPersistableULong.h"
#include "model/GSelectionString.h"
#include "model/MAssociationList.h"
#include "model/MPersistentAssociation.h"
#include "rw/RWReadTable.h"
#include "support/ModelRoundTrip.h"
#include "support/ModelTestClasses.h"
#include "w32test/Testing.h"

namespace {

using qvtest::ModelForm;
using qvtest::StoredBytes;

const int32_t kAssociationNoId = 0;
const int32_t kPairId = 12;
const int32_t kListId = 40;

MPersistentAssociation* Pair(uint32_t key, const char* text, const int32_t& id = kPairId) {
  return new MPersistentAssociation(new GPersistableULong(key), new GSelectionString(text, 1, kAssociationNoId), id);
}

const char* TextOf(const MPersistentObject* value) {
  auto* text = dynamic_cast<const GSelectionString*>(value);
  return text != nullptr ? text->GetText().Data() : nullptr;
}

class AssociationTest : public ::testing::Test {
 protected:
  void SetUp() override { live_ = TestLeaf::live; }
  void TearDown() override { EXPECT_EQ(TestLeaf::live, live_) << "test leaves leaked or deleted twice"; }

 private:
  int live_ = 0;
};

// ---- The association ----

TEST_F(AssociationTest, CopiesOfPairsWithMissingHalvesCopyWhatIsThere) {
  // The factory's object has neither half; neither has one restored from a
  // stored pair of null objects.
  MPersistentAssociation empty;
  std::unique_ptr<MPersistentAssociation> copy(empty.Clone());
  EXPECT_EQ(copy->GetKey(), nullptr);
  EXPECT_EQ(copy->GetValue(), nullptr);
  EXPECT_TRUE(copy->Matches(&empty));

  MPersistentAssociation keyOnly(new TestLeaf(1, kAssociationNoId), nullptr, kPairId);
  MPersistentAssociation copied(keyOnly);
  ASSERT_NE(copied.GetKey(), nullptr);
  EXPECT_NE(copied.GetKey(), keyOnly.GetKey());
  EXPECT_EQ(copied.GetValue(), nullptr);

  // Assignment from a pair without halves empties the target.
  MPersistentAssociation full(new TestLeaf(2, kAssociationNoId), new TestLeaf(3, kAssociationNoId), kPairId);
  full = empty;
  EXPECT_EQ(full.GetKey(), nullptr);
  EXPECT_EQ(full.GetValue(), nullptr);
  EXPECT_EQ(full.FeatureId(), kPairId);

  const std::string nulls = StoredBytes()
                                .Marker()
                                .U16(MPersistentAssociationClassId)
                                .Base(kPairId, 7)
                                .U32(1)
                                .Ref(0)
                                .Ref(0)
                                .Bytes();
  qvtest::ModelRead read = qvtest::RestoreFromForm(nulls, ModelForm::kFile);
  ASSERT_NE(read.object, nullptr);
  std::unique_ptr<MPersistentObject> restored(read.object);
  std::unique_ptr<MPersistentObject> deep(restored->DeepCopy());
  auto* pair = dynamic_cast<MPersistentAssociation*>(deep.get());
  ASSERT_NE(pair, nullptr);
  EXPECT_EQ(pair->GetKey(), nullptr);
  EXPECT_EQ(pair->GetValue(), nullptr);
}

TEST_F(AssociationTest, ACloneHasIdZeroANewSerialAndClonedHalves) {
  std::unique_ptr<MPersistentAssociation> pair(Pair(5, "Tray 5"));
  std::unique_ptr<MPersistentAssociation> clone(pair->Clone());
  EXPECT_EQ(clone->FeatureId(), 0);
  EXPECT_NE(clone->GetSerial(), pair->GetSerial());
  EXPECT_NE(clone->GetKey(), pair->GetKey());
  EXPECT_NE(clone->GetValue(), pair->GetValue());
  EXPECT_TRUE(clone->GetKey()->Matches(pair->GetKey()));
  EXPECT_STREQ(TextOf(clone->GetValue()), "Tray 5");
  // The id differs, so the pairs do not match.
  EXPECT_FALSE(clone->Matches(pair.get()));
  pair.reset();
  EXPECT_STREQ(TextOf(clone->GetValue()), "Tray 5");
}

TEST_F(AssociationTest, MatchesComparesIdKeyAndValue) {
  std::unique_ptr<MPersistentAssociation> a(Pair(5, "A"));
  std::unique_ptr<MPersistentAssociation> same(Pair(5, "A"));
  std::unique_ptr<MPersistentAssociation> otherKey(Pair(6, "A"));
  std::unique_ptr<MPersistentAssociation> otherValue(Pair(5, "B"));
  std::unique_ptr<MPersistentAssociation> otherId(Pair(5, "A", kListId));
  MPersistentAssociation keyless(nullptr, new GSelectionString("A", 1, kAssociationNoId), kPairId);
  EXPECT_TRUE(a->Matches(same.get()));
  EXPECT_TRUE(a->Matches(a.get()));
  EXPECT_FALSE(a->Matches(otherKey.get()));
  EXPECT_FALSE(a->Matches(otherValue.get()));
  EXPECT_FALSE(a->Matches(otherId.get()));
  EXPECT_FALSE(a->Matches(&keyless));
  EXPECT_FALSE(keyless.Matches(a.get()));
  EXPECT_TRUE(a->DerivesFrom(MPersistentAssociationClassId));
  EXPECT_TRUE(a->DerivesFrom(MPersistentObjectClassId));
  EXPECT_FALSE(a->DerivesFrom(MPersistentCompositeClassId));
}

TEST_F(AssociationTest, ThePairsStoredFormIsBaseVersionKeyAndValue) {
  MPersistentAssociation pair(new TestLeaf(9, 3), nullptr, kPairId);
  pair.SetSerial(20);
  pair.GetKey()->SetSerial(21);
  const std::string expected = StoredBytes()
                                   .Marker()
                                   .U16(MPersistentAssociationClassId)
                                   .Base(kPairId, 20)
                                   .U32(1)
                                   .U16(TestLeafClassId)
                                   .Base(3, 21)
                                   .U32(1)
                                   .U32(9)
                                   .Ref(0)
                                   .Bytes();
  EXPECT_EQ(qvtest::SaveInForm(&pair, ModelForm::kFile), expected);
  qvtest::ExpectStoredByteCountIsWritten(pair);
  qvtest::ExpectRoundTripsInAllForms(pair);
}

TEST_F(AssociationTest, AnUnknownPairVersionReadsNothingMore) {
  MPersistentAssociation pair(new TestLeaf(1, kAssociationNoId), new TestLeaf(2, kAssociationNoId), kPairId);
  MPersistentObject* key = pair.GetKey();
  w32test::MakeDirectories(u"C:\\ModelTests");
  w32test::PutFile(qvtest::ModelTestFilePathW(), StoredBytes().Base(kListId, 8).U32(2).Ref(0).Bytes());
  RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
  pair.RestoreMembersFromFile(file);
  EXPECT_EQ(pair.FeatureId(), kListId);
  EXPECT_EQ(pair.GetKey(), key);
  uint16_t next = 0;
  EXPECT_TRUE(file.ReadUShort(next));
  EXPECT_EQ(next, 0xFFFF);
}

// ---- The list ----

TEST_F(AssociationTest, AddingAnEqualKeyReplacesTheOldPairAtTheEnd) {
  MAssociationList list(kListId);
  list.Add(new MPersistentAssociation(new GPersistableULong(1), new TestLeaf(10, kAssociationNoId), kAssociationNoId));
  list.Add(Pair(2, "two"));
  const int before = TestLeaf::live;
  list.Add(new MPersistentAssociation(new GPersistableULong(1), new TestLeaf(11, kAssociationNoId), kAssociationNoId));
  EXPECT_EQ(list.GetEntryCount(), 2);
  EXPECT_EQ(TestLeaf::live, before);  // the old pair's value went with it, the new one came
  auto* last = dynamic_cast<MPersistentAssociation*>(list.Children().Data()[1].Pointee());
  ASSERT_NE(last, nullptr);
  GPersistableULong one(1);
  EXPECT_EQ(list.FindAssociation(&one), last);
  EXPECT_EQ(static_cast<TestLeaf*>(list.GetValueFor(&one))->Value(), 11);
}

TEST_F(AssociationTest, AddingAPairThatIsAlreadyThereKeepsIt) {
  MAssociationList list;
  MPersistentAssociation* pair = Pair(1, "one");
  list.Add(pair);
  list.Add(Pair(2, "two"));
  list.Add(pair);
  list.AddChild(pair);
  EXPECT_EQ(list.GetEntryCount(), 2);
  EXPECT_EQ(list.Children().Data()[1].Pointee(), pair);
  EXPECT_EQ(pair->HolderCount(), 0);
  EXPECT_STREQ(TextOf(pair->GetValue()), "one");
}

TEST_F(AssociationTest, AddChildTakesOnlyAssociations) {
  MAssociationList list;
  TestLeaf leaf(1, kAssociationNoId);
  list.AddChild(&leaf);
  list.AddChild(nullptr);
  EXPECT_EQ(list.GetEntryCount(), 0);
  EXPECT_EQ(leaf.HolderCount(), -1);
  list.AddChild(Pair(3, "three"));
  EXPECT_EQ(list.GetEntryCount(), 1);
  EXPECT_TRUE(list.DerivesFrom(MAssociationListClassId));
  EXPECT_TRUE(list.DerivesFrom(MPersistentCompositeClassId));
}

TEST_F(AssociationTest, LookUpsCompareKeysByMatches) {
  MAssociationList list;
  list.Add(Pair(1, "one"));
  GPersistableULong one(1);
  GPersistableULong two(2);
  GPersistableLong signedOne(1);
  GPersistableULong oneWithId(1);
  oneWithId.SetFeatureId(4);
  EXPECT_STREQ(TextOf(list.GetValueFor(&one)), "one");
  EXPECT_EQ(list.GetValueFor(&two), nullptr);
  EXPECT_EQ(list.GetValueFor(&signedOne), nullptr);
  EXPECT_EQ(list.GetValueFor(&oneWithId), nullptr);
  EXPECT_EQ(list.GetValueFor(nullptr), nullptr);
  EXPECT_EQ(list.RemoveKey(&two), nullptr);
}

TEST_F(AssociationTest, RemovedPairsBelongToTheCaller) {
  MAssociationList list;
  list.Add(Pair(1, "one"));
  MPersistentAssociation* shared = Pair(2, "two");
  list.Add(shared);
  std::unique_ptr<MAssociationList> other(list.Clone());  // shares both pairs

  GPersistableULong one(1);
  std::unique_ptr<MPersistentAssociation> removed(list.RemoveKey(&one));
  ASSERT_NE(removed, nullptr);
  EXPECT_STREQ(TextOf(removed->GetValue()), "one");
  EXPECT_EQ(list.GetEntryCount(), 1);
  EXPECT_EQ(other->GetEntryCount(), 2);

  // Held by both lists: the caller gets a copy, the other list keeps it.
  std::unique_ptr<MPersistentAssociation> probe(Pair(2, "anything"));
  std::unique_ptr<MPersistentAssociation> copy(list.RemoveAssociation(probe.get()));
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy.get(), shared);
  EXPECT_EQ(list.GetEntryCount(), 0);
  EXPECT_EQ(other->Children().Data()[1].Pointee(), shared);
  EXPECT_EQ(shared->HolderCount(), 0);
  EXPECT_EQ(list.RemoveAssociation(nullptr), nullptr);
}

TEST_F(AssociationTest, ARestoredListKeepsDuplicatesUntilAnAddOfTheirKey) {
  // list { pair(key 1, "a"), leaf, null, pair(key 1, "b") } with its trailing version.
  StoredBytes b;
  b.Marker().U16(MAssociationListClassId).Base(kListId, 1).U32(1).U32(4);
  b.U16(MPersistentAssociationClassId).Base(kAssociationNoId, 2).U32(1);
  b.U16(GPersistableULongClassId).Base(kAssociationNoId, 3).U32(1).U32(1);
  b.U16(GPersistableULongClassId).Base(kAssociationNoId, 4).U32(1).U32(100);
  b.U16(TestLeafClassId).Base(kAssociationNoId, 5).U32(1).U32(0);
  b.Ref(0);
  b.U16(MPersistentAssociationClassId).Base(kAssociationNoId, 6).U32(1);
  b.Ref(3);  // the same key object as the first pair
  b.U16(GPersistableULongClassId).Base(kAssociationNoId, 7).U32(1).U32(200);
  b.U32(1);  // the list's own version
  qvtest::ModelRead read = qvtest::RestoreFromForm(b.Bytes(), ModelForm::kFile);
  ASSERT_NE(read.object, nullptr);
  EXPECT_FALSE(read.failed);
  std::unique_ptr<MPersistentObject> restored(read.object);
  auto* list = dynamic_cast<MAssociationList*>(restored.get());
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->GetEntryCount(), 4);
  GPersistableULong one(1);
  auto* value = dynamic_cast<GPersistableULong*>(list->GetValueFor(&one));
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->GetValue(), 100u);  // the first of the two
  // Both pairs hold the one stored key; it goes once, with the last holder.
  auto* first = dynamic_cast<MPersistentAssociation*>(list->Children().Data()[0].Pointee());
  auto* second = dynamic_cast<MPersistentAssociation*>(list->Children().Data()[3].Pointee());
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(first->GetKey(), second->GetKey());
  qvtest::ExpectRoundTripsInAllForms(*list);
  // A deep copy adds copies of the pairs through Add and leaves the rest out.
  std::unique_ptr<MPersistentObject> deep(list->DeepCopy());
  EXPECT_EQ(deep->GetEntryCount(), 1);
  EXPECT_EQ(static_cast<GPersistableULong*>(static_cast<MAssociationList*>(deep.get())->GetValueFor(&one))->GetValue(),
            200u);
  // Add restores the invariant: one pair for the key, the new one.
  list->Add(new MPersistentAssociation(new GPersistableULong(1), new GPersistableULong(300), kAssociationNoId));
  EXPECT_EQ(list->GetEntryCount(), 3);
  EXPECT_EQ(static_cast<GPersistableULong*>(list->GetValueFor(&one))->GetValue(), 300u);
}

TEST_F(AssociationTest, AListRoundTripsAndCountsItsStoredSize) {
  MAssociationList list(kListId);
  list.Add(Pair(1, "Upper tray"));
  list.Add(Pair(2, "Lower tray"));
  list.Add(new MPersistentAssociation(new GPersistableULong(3), nullptr, kAssociationNoId));
  qvtest::ExpectRoundTripsInAllForms(list);
  qvtest::ExpectStoredByteCountIsWritten(list);
  // The composite's body and one more version word.
  MPersistentComposite plain;
  EXPECT_EQ(MAssociationList().MembersStoreSize(), plain.MembersStoreSize() + 4);

  std::unique_ptr<MPersistentObject> deep(list.DeepCopy());
  EXPECT_EQ(deep->ClassId(), MAssociationListClassId);
  EXPECT_EQ(deep->GetEntryCount(), 3);
  GPersistableULong two(2);
  EXPECT_STREQ(TextOf(static_cast<MAssociationList*>(deep.get())->GetValueFor(&two)), "Lower tray");
}

}  // namespace
