// Resource mappings and their list: defaults, the uniqueness tests of the
// add operations, look-ups in list order, removal ownership and the stored
// forms.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "model/GResourceMapping.h"
#include "model/GResourceMappingList.h"
#include "support/ModelRoundTrip.h"
#include "support/ModelTestClasses.h"

namespace {

using qvtest::ModelForm;
using qvtest::StoredBytes;

const int32_t kResourceMappingNoId = 0;

GResourceMapping* Mapping(int32_t resource, int16_t system, int16_t device) {
  return new GResourceMapping(resource, system, device, kResourceMappingNoId);
}

TEST(GResourceMappingTest, TheDefaultMappingHasNoResource) {
  GResourceMapping mapping;
  EXPECT_EQ(mapping.GetResourceId(), 0x0FFFFFFF);
  EXPECT_EQ(mapping.GetSystemCode(), 0);
  EXPECT_EQ(mapping.GetDeviceCode(), 0);
  EXPECT_EQ(mapping.FeatureId(), 0);
}

TEST(GResourceMappingTest, MatchesComparesIdAndAllThreeFields) {
  GResourceMapping mapping(100, 7, 28, kResourceMappingNoId);
  std::unique_ptr<GResourceMapping> same(Mapping(100, 7, 28));
  EXPECT_TRUE(mapping.Matches(same.get()));
  EXPECT_FALSE(mapping.Matches(std::unique_ptr<GResourceMapping>(Mapping(101, 7, 28)).get()));
  EXPECT_FALSE(mapping.Matches(std::unique_ptr<GResourceMapping>(Mapping(100, 8, 28)).get()));
  EXPECT_FALSE(mapping.Matches(std::unique_ptr<GResourceMapping>(Mapping(100, 7, 29)).get()));
  same->SetFeatureId(1);
  EXPECT_FALSE(mapping.Matches(same.get()));
}

TEST(GResourceMappingTest, TheStoredFormAndSignedCodes) {
  GResourceMapping mapping(-2, -3, -4, kResourceMappingNoId);
  mapping.SetSerial(6);
  const std::string expected = StoredBytes()
                                   .Marker()
                                   .U16(GResourceMappingClassId)
                                   .Base(kResourceMappingNoId, 6)
                                   .U32(1)
                                   .U32(0xFFFFFFFE)
                                   .U16(0xFFFD)
                                   .U16(0xFFFC)
                                   .Bytes();
  EXPECT_EQ(qvtest::SaveInForm(&mapping, ModelForm::kFile), expected);
  qvtest::ExpectStoredByteCountIsWritten(mapping);
  qvtest::ExpectRoundTripsInAllForms(mapping);
}

TEST(GResourceMappingTest, AddIfNewRefusesAKnownDeviceCodeOrResourceId) {
  GResourceMappingList list;
  EXPECT_EQ(list.AddIfNew(Mapping(100, 1, 28)), 1);
  // New device code, known resource id.
  std::unique_ptr<GResourceMapping> sameResource(Mapping(100, 2, 29));
  EXPECT_EQ(list.AddIfNew(sameResource.get()), 0);
  EXPECT_EQ(list.GetEntryCount(), 1);
  EXPECT_EQ(sameResource->HolderCount(), -1);  // still the caller's
  // Known device code.
  std::unique_ptr<GResourceMapping> sameDevice(Mapping(101, 2, 28));
  EXPECT_EQ(list.AddIfNew(sameDevice.get()), 0);
  EXPECT_EQ(list.AddIfNewDeviceCode(sameDevice.get()), 0);
  // The device-code test alone takes the first one.
  EXPECT_EQ(list.AddIfNewDeviceCode(sameResource.release()), 1);
  EXPECT_EQ(list.GetEntryCount(), 2);
  EXPECT_EQ(list.AddIfNew(nullptr), 0);
  EXPECT_EQ(list.AddIfNewDeviceCode(nullptr), 0);
}

TEST(GResourceMappingTest, AddChildLeavesTheListAndTheObjectAlone) {
  GResourceMappingList list;
  GResourceMapping mapping(1, 2, 3, kResourceMappingNoId);
  list.AddChild(&mapping);
  EXPECT_EQ(list.GetEntryCount(), 0);
  EXPECT_EQ(mapping.HolderCount(), -1);
  // So a deep copy is empty, and a Clone shares the mappings.
  list.AddIfNew(Mapping(1, 2, 3));
  std::unique_ptr<MPersistentObject> deep(list.DeepCopy());
  EXPECT_EQ(deep->GetEntryCount(), 0);
  std::unique_ptr<GResourceMappingList> clone(list.Clone());
  EXPECT_EQ(clone->FindByDeviceCode(3), list.FindByDeviceCode(3));
}

TEST(GResourceMappingTest, FindsAnswerTheFirstInListOrder) {
  GResourceMappingList list;
  list.AddIfNew(Mapping(100, 7, 28));
  list.AddIfNew(Mapping(101, 7, 29));
  list.AddIfNew(Mapping(102, -1, 30));
  EXPECT_EQ(list.FindBySystemCode(7)->GetResourceId(), 100);
  EXPECT_EQ(list.FindBySystemCode(-1)->GetDeviceCode(), 30);
  EXPECT_EQ(list.FindByDeviceCode(29)->GetResourceId(), 101);
  EXPECT_EQ(list.FindByResourceId(102)->GetSystemCode(), -1);
  EXPECT_EQ(list.FindBySystemCode(8), nullptr);
  EXPECT_EQ(list.FindByDeviceCode(31), nullptr);
  EXPECT_EQ(list.FindByResourceId(0x0FFFFFFF), nullptr);
}

TEST(GResourceMappingTest, RemovesHandTheMappingOrACopyToTheCaller) {
  GResourceMappingList list;
  list.AddIfNew(Mapping(100, 7, 28));
  list.AddIfNew(Mapping(101, 8, 29));
  list.AddIfNew(Mapping(102, 9, 30));
  std::unique_ptr<GResourceMappingList> other(list.Clone());
  GResourceMapping* shared = list.FindByDeviceCode(29);

  std::unique_ptr<GResourceMapping> bySystem(list.RemoveBySystemCode(7));
  ASSERT_NE(bySystem, nullptr);
  EXPECT_EQ(bySystem->GetResourceId(), 100);
  EXPECT_NE(bySystem.get(), other->FindByResourceId(100));  // held by the other list: a copy
  std::unique_ptr<GResourceMapping> byDevice(list.RemoveByDeviceCode(29));
  ASSERT_NE(byDevice, nullptr);
  EXPECT_NE(byDevice.get(), shared);
  EXPECT_EQ(other->FindByDeviceCode(29), shared);

  other.reset();  // now the list is the only holder of the last mapping
  GResourceMapping* last = list.FindByResourceId(102);
  std::unique_ptr<GResourceMapping> byResource(list.RemoveByResourceId(102));
  EXPECT_EQ(byResource.get(), last);
  EXPECT_EQ(byResource->HolderCount(), -1);
  EXPECT_EQ(list.GetEntryCount(), 0);
  EXPECT_EQ(list.RemoveByResourceId(102), nullptr);
}

TEST(GResourceMappingTest, ARestoredListKeepsEveryStoredMapping) {
  // Duplicate device codes, a stored null and a stranger: all kept, and the
  // look-ups pass over what is no mapping.
  StoredBytes b;
  b.Marker().U16(GResourceMappingListClassId).Base(kResourceMappingNoId, 1).U32(1).U32(4);
  b.U16(TestLeafClassId).Base(kResourceMappingNoId, 2).U32(1).U32(28);
  b.Ref(0);
  b.U16(GResourceMappingClassId).Base(kResourceMappingNoId, 3).U32(1).U32(100).U16(1).U16(28);
  b.U16(GResourceMappingClassId).Base(kResourceMappingNoId, 4).U32(1).U32(101).U16(2).U16(28);
  b.U32(1);
  qvtest::ModelRead read = qvtest::RestoreFromForm(b.Bytes(), ModelForm::kFile);
  ASSERT_NE(read.object, nullptr);
  EXPECT_FALSE(read.failed);
  std::unique_ptr<MPersistentObject> restored(read.object);
  auto* list = dynamic_cast<GResourceMappingList*>(restored.get());
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->GetEntryCount(), 4);
  ASSERT_NE(list->FindByDeviceCode(28), nullptr);
  EXPECT_EQ(list->FindByDeviceCode(28)->GetResourceId(), 100);
  EXPECT_EQ(list->FindBySystemCode(2)->GetResourceId(), 101);
  qvtest::ExpectRoundTripsInAllForms(*list);
  qvtest::ExpectStoredByteCountIsWritten(*list);
}

TEST(GResourceMappingTest, AListRoundTripsInEveryForm) {
  GResourceMappingList list(5);
  list.AddIfNew(Mapping(100, 7, 28));
  list.AddIfNew(Mapping(101, 8, 29));
  qvtest::ExpectRoundTripsInAllForms(list);
  qvtest::ExpectStoredByteCountIsWritten(list);
  EXPECT_TRUE(list.DerivesFrom(GResourceMappingListClassId));
  EXPECT_TRUE(list.DerivesFrom(MPersistentCompositeClassId));
  EXPECT_FALSE(list.DerivesFrom(GResourceMappingClassId));
  // A plain composite with the same children is another class.
  MPersistentComposite plain(5);
  EXPECT_FALSE(list.Matches(&plain));
}

}  // namespace
