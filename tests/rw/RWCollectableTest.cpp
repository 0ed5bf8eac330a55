#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "rw/RWCollectable.h"

namespace {

TEST(RWCollectable, BaseBehaviour) {
  RWCollectable a, b;
  EXPECT_EQ(a.ClassId(), 0x8007);
  EXPECT_EQ(a.MembersStoreSize(), 0u);
  EXPECT_TRUE(a.IsEqual(&a));
  EXPECT_FALSE(a.IsEqual(&b));
  EXPECT_EQ(a.CompareTo(&a), 0);
  const RWCollectable* low = &a < &b ? &a : &b;
  const RWCollectable* high = &a < &b ? &b : &a;
  EXPECT_EQ(high->CompareTo(low), 1);
  EXPECT_EQ(low->CompareTo(high), -1);
  uint32_t addr = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&a));
  EXPECT_EQ(a.Hash(), addr ^ (addr >> 3));
  RWCollectable* made = a.CreateSameKind();
  EXPECT_EQ(made->ClassId(), 0x8007);
  delete made;
  EXPECT_TRUE(RWCollectableIsEqual(&a, &a));
  EXPECT_EQ(RWNullObjectInstance.ClassId(), 0x8007);
}

TEST(RWCollectable, StringIdClassRange) {
  EXPECT_FALSE(RWIsStringIdClass(0x8FFF));
  EXPECT_TRUE(RWIsStringIdClass(0x9000));
  EXPECT_TRUE(RWIsStringIdClass(0xF000));
  EXPECT_FALSE(RWIsStringIdClass(0xF001));
  RWClassID first = RWNewClassId();
  EXPECT_TRUE(RWIsStringIdClass(first));
  EXPECT_EQ(RWNewClassId(), first + 1);
}

TEST(RWCountedRef, DecrementReturnsTheValueBefore) {
  static RWModuleLock lock;
  uint32_t count = 0;
  EXPECT_EQ(RWCountedRefDecrement(count, lock), 0u);
  EXPECT_EQ(count, 0xFFFFFFFFu);  // -1: no holder
  EXPECT_EQ(RWCountedRefIncrement(count, lock), 0);
  EXPECT_EQ(RWCountedRefIncrement(count, lock), 0);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(RWCountedRefDecrement(count, lock), 1u);
}

// Two modules with their own locks change one object's count at once: the
// count must not lose an update.
TEST(RWCountedRef, CountIsSafeAcrossDifferentModuleLocks) {
  static RWModuleLock moduleA, moduleB;
  uint32_t count = 0;
  constexpr int kRounds = 20000;
  auto work = [&](RWModuleLock& lock) {
    for (int i = 0; i < kRounds; ++i) {
      RWCountedRefIncrement(count, lock);
      RWCountedRefIncrement(count, lock);
      RWCountedRefDecrement(count, lock);
    }
  };
  std::thread t1(work, std::ref(moduleA));
  std::thread t2(work, std::ref(moduleB));
  t1.join();
  t2.join();
  EXPECT_EQ(count, static_cast<uint32_t>(2 * kRounds));
}

}  // namespace
