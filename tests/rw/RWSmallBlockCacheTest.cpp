#include <gtest/gtest.h>

#include <vector>

#include "rw/RWSmallBlockCache.h"

namespace {

class SmallBlockCache : public ::testing::Test {
 protected:
  void SetUp() override { RWSmallBlockCacheRelease(); }
  void TearDown() override { RWSmallBlockCacheRelease(); }
};

TEST_F(SmallBlockCache, FreedBlocksComeBackMostRecentFirst) {
  void* a = RWSmallBlockAllocate(3);
  void* b = RWSmallBlockAllocate(4);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a, b);
  RWSmallBlockFree(a, 3);
  RWSmallBlockFree(b, 4);  // 3 and 4 share the class of 4 bytes
  EXPECT_EQ(RWSmallBlockCachedCount(4), 2u);
  EXPECT_EQ(RWSmallBlockCachedCount(2), 0u);
  EXPECT_EQ(RWSmallBlockAllocate(4), b);
  EXPECT_EQ(RWSmallBlockAllocate(3), a);
  EXPECT_EQ(RWSmallBlockCachedCount(4), 0u);
  // Another class does not hand out these blocks.
  RWSmallBlockFree(a, 4);
  void* c = RWSmallBlockAllocate(6);
  EXPECT_NE(c, a);
  static_cast<char*>(c)[5] = 1;  // the rounded size is usable
  RWSmallBlockFree(c, 5);
  RWSmallBlockFree(b, 3);
}

TEST_F(SmallBlockCache, KeepsAtMostFivePerClassAndPassesOtherSizesThrough) {
  std::vector<void*> blocks;
  for (int i = 0; i < 7; ++i) blocks.push_back(RWSmallBlockAllocate(10));
  for (void* block : blocks) RWSmallBlockFree(block, 10);
  EXPECT_EQ(RWSmallBlockCachedCount(10), 5u);
  EXPECT_EQ(RWSmallBlockCachedCount(9), 5u);

  void* big = RWSmallBlockAllocate(11);
  RWSmallBlockFree(big, 11);
  EXPECT_EQ(RWSmallBlockCachedCount(11), 0u);
  RWSmallBlockFree(nullptr, 4);
  EXPECT_EQ(RWSmallBlockCachedCount(4), 0u);

  RWSmallBlockCacheRelease();
  EXPECT_EQ(RWSmallBlockCachedCount(10), 0u);
}

}  // namespace
