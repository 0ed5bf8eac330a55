// The option-list attributes (media options, booklet pairs): entries by
// index, matching without the travelling value, copies, and the stored
// form with its versions and bounded count.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "model/GAttributeComposite.h"
#include "model/GBookletComposite.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentIterator.h"
#include "model/GOptMediaComposite.h"
#include "support/ModelRoundTrip.h"
#include "support/RecordingPeripheral.h"
#include "w32test/Testing.h"

namespace {

using qvtest::ModelForm;
using qvtest::StoredBytes;

TEST(GOptionListAttributeTest, EntriesAreReadByIndex) {
  GOptMediaComposite list(4, 9);
  EXPECT_EQ(list.GetOption(0), -1);
  list.AddOption(10);
  list.AddOption(20);
  list.AddOption(30);
  EXPECT_EQ(list.GetKey(), 4);
  EXPECT_EQ(list.GetValue(), 9);
  EXPECT_EQ(list.GetOptionCount(), 3);
  EXPECT_EQ(list.GetOption(2), 30);
  EXPECT_EQ(list.GetOption(3), -1);
  EXPECT_EQ(list.GetOption(-1), -1);
  EXPECT_EQ(list.FeatureId(), 0);

  GBookletComposite booklet(1, 0);
  booklet.AddOptionPair(3, 4);
  booklet.AddOptionPair(3, 4);
  EXPECT_EQ(booklet.GetOptionCount(), 4);
  for (int16_t i = 0; i < 4; ++i) EXPECT_EQ(booklet.GetOption(i), i % 2 == 0 ? 3 : 4);
}

TEST(GOptionListAttributeTest, MatchingIgnoresTheValueAndKindsDiffer) {
  GOptMediaComposite a(4, 1);
  GOptMediaComposite b(4, 2);
  a.AddOption(5);
  b.AddOption(5);
  EXPECT_TRUE(a.Matches(&b));
  b.AddOption(6);
  EXPECT_FALSE(a.Matches(&b));
  GOptMediaComposite otherKey(5, 1);
  otherKey.AddOption(5);
  EXPECT_FALSE(a.Matches(&otherKey));
  GBookletComposite booklet(4, 1);
  EXPECT_FALSE(GOptMediaComposite(4, 1).Matches(&booklet));
  EXPECT_TRUE(booklet.DerivesFrom(794));
  EXPECT_FALSE(booklet.DerivesFrom(796));
  EXPECT_TRUE(a.DerivesFrom(796));
}

TEST(GOptionListAttributeTest, CloneOwnsAListOfItsOwn) {
  GOptMediaComposite a(4, 7);
  a.AddOption(1);
  a.changed = 0;
  std::unique_ptr<GOptMediaComposite> copy(a.Clone());
  copy->AddOption(2);
  EXPECT_EQ(a.GetOptionCount(), 1);
  EXPECT_EQ(copy->GetValue(), 7);
  EXPECT_EQ(copy->changed, 0);
  EXPECT_EQ(copy->GetSerial(), a.GetSerial());
}

TEST(GOptionListAttributeTest, ApplyingDoesNothingAndAnswersOne) {
  qvtest::RecordingPeripheral receiver;
  GOptMediaComposite media(1, 1);
  GBookletComposite booklet(1, 1);
  EXPECT_EQ(media.ApplyTo(&receiver), 1);
  EXPECT_EQ(booklet.ApplyTo(&receiver), 1);
  EXPECT_TRUE(receiver.Calls().empty());
}

// Option lists are not walked as containers: they answer no iterator at
// all, and every walk over a settings tree that holds them still works.
TEST(GOptionListAttributeTest, NoIteratorAndTreesHoldingThemStillWalk) {
  GOptMediaComposite media(1, 1);
  GBookletComposite booklet(1, 1);
  EXPECT_EQ(std::unique_ptr<MPersistentIterator>(media.CreateIterator()), nullptr);
  EXPECT_EQ(std::unique_ptr<MPersistentIterator>(booklet.CreateIterator()), nullptr);

  const int32_t rootId = 360;
  const int32_t groupId = 362;
  const int32_t valueId = 291;
  GAttributeComposite root(&rootId);
  auto* group = new GAttributeComposite(&groupId);
  auto* list = new GOptMediaComposite(4, 2);
  list->AddOption(10);
  group->AddChild(list);
  auto* pairs = new GBookletComposite(5, 0);
  pairs->AddOptionPair(3, 4);
  group->AddChild(pairs);
  group->AddChild(new GValueAttribute(7, &valueId));
  root.AddChild(group);

  // Searched past, copied deep, merged and stripped of serials.
  EXPECT_NE(root.FindById(valueId), nullptr);
  EXPECT_EQ(root.FindById(999), nullptr);
  std::unique_ptr<MPersistentObject> copy(root.DeepCopy());
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(copy->Matches(&root) != 0);
  GAttributeComposite merged(&rootId);
  merged.Merge(&root);
  EXPECT_NE(merged.FindById(groupId), nullptr);
  copy->ClearSerials();
  EXPECT_EQ(list->GetOption(0), 10);
}

TEST(GOptionListAttributeTest, RoundTripsAndTheFileForm) {
  GOptMediaComposite media(4, -2);
  media.AddOption(10);
  media.AddOption(-20);
  GBookletComposite booklet(3, 1);
  booklet.AddOptionPair(1, 2);
  qvtest::ExpectRoundTripsInAllForms(media);
  qvtest::ExpectRoundTripsInAllForms(booklet);
  qvtest::ExpectRoundTripsInAllForms(GOptMediaComposite());
  qvtest::ExpectStoredByteCountIsWritten(media);
  media.SetSerial(2);
  const std::string expected = StoredBytes()
                                   .Marker()
                                   .U16(796)
                                   .Base(0, 2)
                                   .U32(1)
                                   .U32(1)
                                   .U32(2)  // version
                                   .U16(4)
                                   .U16(0xFFFE)
                                   .U32(2)
                                   .U16(10)
                                   .U16(0xFFEC)
                                   .Bytes();
  EXPECT_EQ(qvtest::SaveInForm(&media, ModelForm::kFile), expected);
}

std::string StoredList(uint32_t version, uint32_t count, int entries) {
  StoredBytes bytes;
  bytes.Marker().U16(796).Base(0, 1).U32(1).U32(1).U32(version).U16(8).U16(9).U32(count);
  for (int i = 0; i < entries; ++i) bytes.U16(static_cast<uint16_t>(100 + i));
  return bytes.Bytes();
}

TEST(GOptionListAttributeTest, VersionsAndDamagedCounts) {
  // Version 1 has the layout of version 2.
  qvtest::ModelRead v1 = qvtest::RestoreFromForm(StoredList(1, 2, 2), ModelForm::kFile);
  std::unique_ptr<MPersistentObject> first(v1.object);
  auto* list = dynamic_cast<GOptMediaComposite*>(first.get());
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->GetOptionCount(), 2);
  EXPECT_EQ(list->GetOption(1), 101);

  // A later version: key and value are read, the entries kept.
  GOptMediaComposite target(1, 1);
  target.AddOption(55);
  w32test::PutFile(qvtest::ModelTestFilePathW(), StoredList(3, 0, 0).substr(0, StoredList(3, 0, 0).size() - 4));
  {
    RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
    RWReadObjectIntoFromFile(file, &target);
  }
  EXPECT_EQ(target.GetKey(), 8);
  EXPECT_EQ(target.GetValue(), 9);
  EXPECT_EQ(target.GetOptionCount(), 1);
  EXPECT_EQ(target.GetOption(0), 55);

  // Counts no list can have (the count is answered as a short), even with
  // the entries there, or more entries than the input holds.
  struct Case {
    uint32_t count;
    int entries;
  };
  for (Case c : {Case{0xFFFFFFFFu, 2}, Case{0x8000u, 0x8000}, Case{3u, 2}}) {
    SCOPED_TRACE(c.count);
    qvtest::ModelRead read = qvtest::RestoreFromForm(StoredList(2, c.count, c.entries), ModelForm::kFile);
    EXPECT_TRUE(read.failed);
    EXPECT_EQ(read.object, nullptr);
  }
  qvtest::ModelRead longest = qvtest::RestoreFromForm(StoredList(2, 0x7FFF, 0x7FFF), ModelForm::kFile);
  std::unique_ptr<MPersistentObject> full(longest.object);
  ASSERT_NE(full, nullptr);
  EXPECT_EQ(dynamic_cast<GOptMediaComposite&>(*full).GetOptionCount(), 0x7FFF);
}

}  // namespace
