#include "model/GDeviceFontList.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "model/GDeviceFontListComposite.h"
#include "model/GPersistableULong.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "model/MAssociationList.h"
#include "model/MPersistentIterator.h"
#include "rw/RWPersistence.h"
#include "support/ModelRoundTrip.h"
#include "support/StoredBody.h"
#include "w32test/Testing.h"

namespace {

using qvtest::ModelForm;
using qvtest::StoredBody;

const int32_t kDevice1 = 416;
const int32_t kDevice2 = 417;
const int32_t kDevice3 = 420;
const int32_t kNoId = 0;

GDeviceFontDescription Font(const char* name, int32_t symbolSet = 277) {
  GDeviceFontDescription::SymbolSetVector sets(64);
  sets.Append(symbolSet);
  return GDeviceFontDescription(RWCString(name), RWCString("(s3T"), symbolSet, sets, 400, 0, 16, 0, 1, 12, 0, 4);
}

// A map from keys (id 0) to texts.
MAssociationList* Map(std::initializer_list<std::pair<uint32_t, const char*>> pairs) {
  auto* map = new MAssociationList;
  for (const auto& p : pairs)
    map->Add(new MPersistentAssociation(new GPersistableULong(p.first), new GStringAttribute(p.second, &kNoId), kNoId));
  return map;
}

std::unique_ptr<GDeviceFontList> MakeList(const int32_t& id = kDevice1) {
  auto list = std::make_unique<GDeviceFontList>(id);
  list->AddFont(Font("Courier"));
  list->AddFont(Font("Univers", 14));
  list->SetStamp(20240101);
  list->SetFirstMap(Map({{5, "five"}, {6, "six"}}));
  list->SetSecondMap(Map({{0x00010005, "long five"}}));
  return list;
}

TEST(GDeviceFontList, HoldsCopiesOfItsFontsInOrder) {
  GDeviceFontList list(kDevice1);
  GDeviceFontDescription courier = Font("Courier");
  list.AddFont(courier);
  list.AddFont(Font("Univers"));
  EXPECT_EQ(list.GetCount(), 2u);
  GDeviceFontDescription out;
  EXPECT_EQ(list.GetFont(1, out), 1);
  EXPECT_EQ(out.GetName(), RWCString("Univers"));
  EXPECT_EQ(list.GetFont(2, out), 0);

  GDeviceFontDescription* found = nullptr;
  auto isUnivers = [](GDeviceFontDescription* font, int) { return font->GetName() == RWCString("Univers") ? 1 : 0; };
  EXPECT_EQ(list.FindFontWhere(isUnivers, 0, found), 1);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->GetName(), RWCString("Univers"));
  auto none = [](GDeviceFontDescription*, int) { return 0; };
  EXPECT_EQ(list.FindFontWhere(none, 0, found), 0);

  list.Clear();
  EXPECT_EQ(list.GetCount(), 0u);
  EXPECT_EQ(list.LookupFirst(5), nullptr);
}

TEST(GDeviceFontList, LookupsUseTheLowBitsForTheFirstMapAndTheWholeKeyForTheSecond) {
  auto list = MakeList();
  ASSERT_NE(list->LookupFirst(0x00010005), nullptr);
  EXPECT_STREQ(list->LookupFirst(0x00010005), "five");
  EXPECT_EQ(list->LookupSecond(5), nullptr);
  EXPECT_STREQ(list->LookupSecond(0x00010005), "long five");
  EXPECT_EQ(list->LookupFirst(7), nullptr);

  // Keys stored with another id are not found.
  auto* map = new MAssociationList;
  auto* key = new GPersistableULong(9);
  key->SetFeatureId(3);
  map->Add(new MPersistentAssociation(key, new GStringAttribute("nine", &kNoId), kNoId));
  // A value that is no text gives no text.
  map->Add(new MPersistentAssociation(new GPersistableULong(10), new GValueAttribute(10, &kNoId), kNoId));
  list->SetFirstMap(map);
  EXPECT_EQ(list->LookupFirst(9), nullptr);
  EXPECT_EQ(list->LookupFirst(10), nullptr);
  // Setting the map it already holds keeps it.
  list->SetFirstMap(list->GetFirstMap());
  EXPECT_EQ(list->GetFirstMap(), map);
}

TEST(GDeviceFontList, CopiesMatchAndTheStampIsNotCompared) {
  auto list = MakeList();
  GDeviceFontList copy(*list);
  EXPECT_TRUE(copy.Matches(list.get()));
  EXPECT_EQ(copy.GetSerial(), list->GetSerial());
  EXPECT_NE(copy.GetFirstMap(), list->GetFirstMap());
  EXPECT_STREQ(copy.LookupFirst(6), "six");
  copy.SetStamp(1);
  EXPECT_TRUE(copy.Matches(list.get()));

  GDeviceFontList fewer(kDevice1);
  fewer.CopyFrom(*list);
  fewer.CopyFrom(fewer);  // from itself: nothing changes
  EXPECT_TRUE(fewer.Matches(list.get()));
  fewer.AddFont(Font("Extra"));
  EXPECT_FALSE(fewer.Matches(list.get()));

  GDeviceFontList otherMap(*list);
  otherMap.SetSecondMap(Map({{0x00010005, "other"}}));
  EXPECT_FALSE(otherMap.Matches(list.get()));
  otherMap.SetSecondMap(nullptr);
  EXPECT_FALSE(otherMap.Matches(list.get()));

  GDeviceFontList assigned(kDevice2);
  assigned = *list;
  EXPECT_EQ(assigned.FeatureId(), kDevice1);
  EXPECT_TRUE(assigned.Matches(list.get()));
  assigned = assigned;
  EXPECT_TRUE(assigned.Matches(list.get()));
}

TEST(GDeviceFontList, RoundTripsInEveryForm) {
  auto list = MakeList();
  qvtest::ExpectRoundTripsInAllForms(*list);
  qvtest::ExpectStoredByteCountIsWritten(*list);
  GDeviceFontList empty(kDevice2);
  qvtest::ExpectRoundTripsInAllForms(empty);
  qvtest::ExpectStoredByteCountIsWritten(empty);
  for (ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(list.get(), form), form);
    std::unique_ptr<MPersistentObject> copy(read.object);
    auto* restored = dynamic_cast<GDeviceFontList*>(copy.get());
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->GetStamp(), 20240101u);
    EXPECT_STREQ(restored->LookupSecond(0x00010005), "long five");
  }
}

// A stored list of the version given, with one font (and for version 3 a
// null first map and a second map without entries).
std::string StoredList(uint32_t version) {
  StoredBody bytes;
  bytes.Top(856).Base(kDevice1, 2).U32(version).U32(1);
  bytes.U16(855).Base(0, 3).U32(2).Str("F").Str("S").I32(1).U32(0).U16(400).I32(0).I32(0).I32(0).I32(1).U16(12);
  bytes.U16(0).I32(4);
  if (version >= 2) bytes.U32(77);
  if (version >= 3) bytes.Ref(0).U16(772).Base(0, 4).U32(1).U32(0).U32(1);
  return bytes.Bytes();
}

TEST(GDeviceFontList, EveryStoredVersionRestores) {
  for (uint32_t version : {1u, 2u, 3u, 4u}) {
    SCOPED_TRACE(version);
    qvtest::ModelRead read = qvtest::RestoreFromForm(StoredList(version), ModelForm::kFile);
    std::unique_ptr<MPersistentObject> copy(read.object);
    auto* list = dynamic_cast<GDeviceFontList*>(copy.get());
    ASSERT_NE(list, nullptr);
    EXPECT_FALSE(read.failed);
    EXPECT_EQ(list->GetCount(), 1u);
    EXPECT_EQ(list->GetStamp(), version >= 2 ? 77u : 0u);
    EXPECT_EQ(list->GetFirstMap(), nullptr);
    EXPECT_EQ(list->GetSecondMap() != nullptr, version >= 3);
  }
}

TEST(GDeviceFontList, ARestoreReplacesFontsAndMapsAndVersionZeroKeepsThem) {
  // Read into a populated list, a version 1 body drops the maps.
  auto list = MakeList();
  w32test::MakeDirectories(u"C:\\ModelTests");
  w32test::PutFile(qvtest::ModelTestFilePathW(), StoredList(1));
  {
    RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
    EXPECT_EQ(RWReadObjectIntoFromFile(file, list.get()), list.get());
  }
  EXPECT_EQ(list->GetCount(), 1u);
  EXPECT_EQ(list->GetStamp(), 0u);
  EXPECT_EQ(list->GetFirstMap(), nullptr);
  EXPECT_EQ(list->GetSecondMap(), nullptr);

  auto kept = MakeList();
  w32test::PutFile(qvtest::ModelTestFilePathW(), StoredBody().Top(856).Base(kDevice3, 2).U32(0).Bytes());
  RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
  EXPECT_EQ(RWReadObjectIntoFromFile(file, kept.get()), kept.get());
  EXPECT_EQ(kept->FeatureId(), kDevice3);
  EXPECT_EQ(kept->GetCount(), 2u);
  EXPECT_EQ(kept->GetStamp(), 20240101u);
  EXPECT_NE(kept->GetFirstMap(), nullptr);
}

TEST(GDeviceFontList, DamagedInputFailsCleanly) {
  auto list = MakeList();
  for (ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    const std::string bytes = qvtest::SaveInForm(list.get(), form);
    for (size_t length = 0; length < bytes.size(); ++length) {
      qvtest::ModelRead read = qvtest::RestoreFromForm(bytes.substr(0, length), form);
      if (read.object != nullptr) {
        EXPECT_TRUE(list->Matches(read.object));
      }
      delete read.object;
    }
  }
  // Both maps are one stored object: the list holds it twice and frees it once.
  StoredBody shared;
  shared.Top(856).Base(kDevice1, 2).U32(3).U32(0).U32(5);
  shared.U16(772).Base(0, 4).U32(1).U32(0).U32(1).Ref(2);
  qvtest::ModelRead read = qvtest::RestoreFromForm(shared.Bytes(), ModelForm::kFile);
  std::unique_ptr<MPersistentObject> copy(read.object);
  auto* restored = dynamic_cast<GDeviceFontList*>(copy.get());
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(restored->GetFirstMap(), restored->GetSecondMap());

  // A font count far beyond the data, and a map that is no association list.
  StoredBody huge;
  huge.Top(856).Base(kDevice1, 2).U32(3).U32(0xFFFFFFFFu);
  read = qvtest::RestoreFromForm(huge.Bytes(), ModelForm::kFile);
  EXPECT_EQ(read.object, nullptr);
  EXPECT_TRUE(read.failed);
  StoredBody wrongMap;
  wrongMap.Top(856).Base(kDevice1, 2).U32(3).U32(0).U32(5).U16(763).Attribute(0, 3, 1).U32(1).U16(5).Ref(0);
  read = qvtest::RestoreFromForm(wrongMap.Bytes(), ModelForm::kFile);
  EXPECT_EQ(read.object, nullptr);
  EXPECT_TRUE(read.failed);
}

// ---- The container of lists ----

TEST(GDeviceFontListComposite, IsALeafWhoseListsAreReachedByItsOwnOperations) {
  GDeviceFontListComposite lists;
  EXPECT_EQ(lists.FeatureId(), 414);
  lists.Add(MakeList(kDevice1).release());
  lists.Add(MakeList(kDevice2).release());
  EXPECT_EQ(lists.GetCount(), 2);
  EXPECT_EQ(lists.AsComposite(), nullptr);
  EXPECT_EQ(lists.FindById(kDevice1), nullptr);  // the model's find tests only the container
  ASSERT_NE(lists.FindListById(kDevice2), nullptr);
  EXPECT_EQ(lists.FindListById(kDevice2)->FeatureId(), kDevice2);
  std::unique_ptr<MPersistentIterator> it(lists.CreateIterator());
  int count = 0;
  while (it->Advance()) ++count;
  EXPECT_EQ(count, 2);

  std::unique_ptr<MPersistentObject> removed(lists.RemoveById(kDevice1));
  ASSERT_NE(removed, nullptr);
  EXPECT_EQ(lists.GetCount(), 1);
  lists.Prepend(removed.release());
  it.reset(lists.CreateIterator());
  ASSERT_TRUE(it->Advance());
  EXPECT_EQ(it->Current()->FeatureId(), kDevice1);
  it.reset();
  lists.RemoveAll();
  EXPECT_EQ(lists.GetCount(), 0);
  EXPECT_TRUE(lists.DerivesFrom(873) && lists.DerivesFrom(751));
}

TEST(GDeviceFontListComposite, CopiesShareTheLists) {
  GDeviceFontListComposite lists;
  lists.Add(MakeList(kDevice1).release());
  GDeviceFontListComposite copy(lists);
  EXPECT_EQ(copy.FeatureId(), 0);
  EXPECT_NE(copy.GetSerial(), lists.GetSerial());
  EXPECT_EQ(copy.FindListById(kDevice1), lists.FindListById(kDevice1));
  GDeviceFontListComposite assigned;
  assigned.Add(MakeList(kDevice3).release());
  assigned = lists;
  EXPECT_EQ(assigned.GetCount(), 1);
  EXPECT_EQ(assigned.FindListById(kDevice1), lists.FindListById(kDevice1));
}

TEST(GDeviceFontListComposite, MergeReplacesListsOfKnownDevicesAndPutsNewOnesInFront) {
  GDeviceFontListComposite lists;
  lists.Add(MakeList(kDevice1).release());
  lists.Add(MakeList(kDevice2).release());

  GDeviceFontListComposite update;
  auto* newer = new GDeviceFontList(kDevice2);
  newer->AddFont(Font("Newer"));
  update.Add(newer);
  update.Add(new GDeviceFontList(kDevice3));
  lists.Merge(&update);

  ASSERT_EQ(lists.GetCount(), 3);
  std::unique_ptr<MPersistentIterator> it(lists.CreateIterator());
  std::vector<int32_t> ids;
  while (it->Advance()) ids.push_back(it->Current()->FeatureId());
  EXPECT_EQ(ids, (std::vector<int32_t>{kDevice3, kDevice1, kDevice2}));
  auto* replaced = dynamic_cast<GDeviceFontList*>(lists.FindListById(kDevice2));
  ASSERT_NE(replaced, nullptr);
  EXPECT_NE(replaced, newer);  // a deep copy
  EXPECT_EQ(replaced->GetCount(), 1u);

  // Adding every list of the container to itself doubles it, once.
  lists.AddAllFrom(&lists);
  EXPECT_EQ(lists.GetCount(), 6);
  lists.Merge(&lists);
  EXPECT_EQ(lists.GetCount(), 6);
}

TEST(GDeviceFontListComposite, RoundTrips) {
  GDeviceFontListComposite lists;
  lists.Add(MakeList(kDevice1).release());
  lists.Add(new GDeviceFontList(kDevice2));
  qvtest::ExpectRoundTripsInAllForms(lists);
  qvtest::ExpectStoredByteCountIsWritten(lists);

  for (ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    const std::string bytes = qvtest::SaveInForm(&lists, form);
    for (size_t length = 0; length < bytes.size(); length += 3) {
      qvtest::ModelRead read = qvtest::RestoreFromForm(bytes.substr(0, length), form);
      if (read.object != nullptr) {
        EXPECT_TRUE(lists.Matches(read.object));
      }
      delete read.object;
    }
  }
}

}  // namespace
