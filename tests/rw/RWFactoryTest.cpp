#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "support/CollectableTestItems.h"
#include "rw/RWFactory.h"
#include "rw/RWHashTable.h"
#include "rw/RWLibraryClasses.h"
#include "rw/RWSlistCollectables.h"
#include "rw/RWSmallBlockCache.h"

namespace {

using qvtest::Item;

RWCollectable* MakeOne() { return new Item(1); }
RWCollectable* MakeTwo() { return new Item(2); }

std::string Text(const RWStringID& id) { return std::string(id.Data(), id.String().Length()); }

// Every test leaves the factory as it found it: gone.
class Factory : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(RWFactoryExists()); }
  void TearDown() override {
    RWFactoryRemoveClassId(783);
    RWFactoryRemoveStringId("First");
    RWFactoryRemoveStringId("Second");
    RWFactoryRemoveClassId(784);
    RWFactoryRemoveStringId("No_RWStringID");
    RWUnregisterLibraryClasses();
    EXPECT_FALSE(RWFactoryExists());
  }
};

TEST_F(Factory, FirstRegistrationWins) {
  RWFactoryAddClass(&MakeOne, 783, "First");
  RWFactoryAddClass(&MakeTwo, 783, "Second");  // id taken; the string id is new
  std::unique_ptr<RWCollectable> made(RWFactoryCreate(783));
  EXPECT_EQ(qvtest::ValueOf(made.get()), 1);
  EXPECT_EQ(Text(RWFactoryStringIdOf(783)), "First");
  // The new string id did register, with its own create function.
  std::unique_ptr<RWCollectable> second(RWFactoryCreateByStringId("Second"));
  EXPECT_EQ(qvtest::ValueOf(second.get()), 2);
  EXPECT_EQ(RWFactoryClassIdOf("Second"), 783);

  RWFactoryAddClass(&MakeTwo, 784, "First");  // string id taken
  std::unique_ptr<RWCollectable> byName(RWFactoryCreateByStringId("First"));
  EXPECT_EQ(qvtest::ValueOf(byName.get()), 1);
  EXPECT_EQ(RWFactoryClassIdOf("First"), 783);
  std::unique_ptr<RWCollectable> byId(RWFactoryCreate(784));
  EXPECT_EQ(qvtest::ValueOf(byId.get()), 2);
}

TEST_F(Factory, UnknownKeysGiveNullAndTheNoClassAnswers) {
  // With no factory at all.
  EXPECT_EQ(RWFactoryCreate(783), nullptr);
  EXPECT_EQ(RWFactoryCreateByStringId("First"), nullptr);
  EXPECT_EQ(Text(RWFactoryStringIdOf(783)), "NoID");
  EXPECT_EQ(RWFactoryClassIdOf("First"), 0x8000);
  RWFactoryRemoveClassId(783);  // nothing to remove: harmless
  EXPECT_FALSE(RWFactoryExists());

  RWFactoryAddClass(&MakeOne, 783, "First");
  EXPECT_EQ(RWFactoryCreate(0x8000), nullptr);
  EXPECT_EQ(RWFactoryCreate(782), nullptr);
  EXPECT_EQ(RWFactoryCreateByStringId("first"), nullptr);  // case counts
  EXPECT_EQ(RWFactoryCreateByStringId("Firs"), nullptr);
  EXPECT_EQ(Text(RWFactoryStringIdOf(782)), "NoID");
  EXPECT_EQ(RWFactoryClassIdOf("Other"), 0x8000);
}

TEST_F(Factory, RegistrationWithoutAStringId) {
  RWFactoryAddClassId(&MakeTwo, 784);
  EXPECT_EQ(Text(RWFactoryStringIdOf(784)), "No_RWStringID");
  EXPECT_EQ(RWFactoryClassIdOf("No_RWStringID"), 784);

  RWFactory own;
  own.AddClassId(&MakeOne, 9);
  EXPECT_EQ(Text(own.StringIdOf(9)), "NoID");
  EXPECT_EQ(own.CreatorOf(9), &MakeOne);
  EXPECT_EQ(own.EntryCount(), 2u);
}

TEST_F(Factory, RemovingTheLastEntryDestroysTheFactory) {
  RWFactoryAddClass(&MakeOne, 783, "First");
  EXPECT_TRUE(RWFactoryExists());
  void* block = RWSmallBlockAllocate(4);
  RWSmallBlockFree(block, 4);
  EXPECT_EQ(RWSmallBlockCachedCount(4), 1u);

  RWFactoryRemoveClassId(783);
  EXPECT_EQ(RWFactoryCreate(783), nullptr);
  EXPECT_TRUE(RWFactoryExists());  // the string entry is still there
  std::unique_ptr<RWCollectable> stillByName(RWFactoryCreateByStringId("First"));
  EXPECT_NE(stillByName, nullptr);
  RWFactoryRemoveStringId("First");
  EXPECT_FALSE(RWFactoryExists());
  EXPECT_EQ(RWSmallBlockCachedCount(4), 0u);  // released with the factory

  // A later registration makes a new factory.
  RWFactoryAddClass(&MakeTwo, 783, "First");
  std::unique_ptr<RWCollectable> made(RWFactoryCreate(783));
  EXPECT_EQ(qvtest::ValueOf(made.get()), 2);
}

TEST_F(Factory, LibraryClassesAreRegisteredUnderBothKeys) {
  RWRegisterLibraryClasses();
  RWRegisterLibraryClasses();  // again: ignored
  struct Case {
    RWClassID id;
    const char* name;
  } cases[] = {
      {0x8007, "RWCollectable"}, {0x8033, "RWSlistCollectables"}, {0x8036, "RWSlistCollectablesStack"},
      {0x805E, "RWHashTable"},   {0x802B, "RWSet"},               {0x8025, "RWIdentitySet"},
      {0x8003, "RWBTree"},       {0x8004, "RWBTreeDictionary"},   {0x8008, "RWCollectableAssociation"},
      {0x805F, "RWCollectableIDAssociation"},
  };
  for (const Case& c : cases) {
    std::unique_ptr<RWCollectable> byId(RWFactoryCreate(c.id));
    std::unique_ptr<RWCollectable> byName(RWFactoryCreateByStringId(c.name));
    ASSERT_NE(byId, nullptr) << c.name;
    ASSERT_NE(byName, nullptr) << c.name;
    EXPECT_EQ(byId->ClassId(), c.id);
    EXPECT_EQ(byName->ClassId(), c.id);
    EXPECT_EQ(Text(RWFactoryStringIdOf(c.id)), c.name);
    EXPECT_EQ(RWFactoryClassIdOf(c.name), c.id);
    if (auto* table = dynamic_cast<RWHashTable*>(byId.get())) {
      EXPECT_EQ(table->BucketCount(), 64u);
    }
  }
  // The abstract collection id is not registered.
  EXPECT_EQ(RWFactoryCreate(0x801D), nullptr);
  RWUnregisterLibraryClasses();
  EXPECT_FALSE(RWFactoryExists());
}

TEST_F(Factory, EntriesHashAndCompareByTheirKey) {
  RWFactoryIdEntry id(783, &MakeOne, "First");
  RWFactoryIdEntry sameId(783, &MakeTwo, "Second");
  RWFactoryStringEntry name(783, &MakeOne, "First");
  RWFactoryStringEntry sameName(1, nullptr, "First");
  RWFactoryStringEntry longer(783, nullptr, RWStringID(RWCString("First\0x", 7)));
  EXPECT_EQ(id.Hash(), 783u);
  EXPECT_TRUE(id.IsEqual(&sameId));
  EXPECT_FALSE(id.IsEqual(&name));  // an id entry never equals a string entry
  EXPECT_EQ(name.Hash(), RWCString("First").Hash());
  EXPECT_TRUE(name.IsEqual(&sameName));
  EXPECT_FALSE(name.IsEqual(&id));
  EXPECT_FALSE(name.IsEqual(&longer));  // same leading bytes, other length
}

TEST_F(Factory, ConcurrentCreationAndRegistration) {
  RWRegisterLibraryClasses();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 200; ++i) {
        RWFactoryAddClass(&MakeOne, static_cast<RWClassID>(1000 + t), RWStringID("Extra"));
        delete RWFactoryCreate(0x805E);
        delete RWFactoryCreateByStringId("RWSet");
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < 4; ++t) RWFactoryRemoveClassId(static_cast<RWClassID>(1000 + t));
  RWFactoryRemoveStringId("Extra");
  EXPECT_EQ(RWFactoryClassIdOf("Extra"), 0x8000);
}

}  // namespace
