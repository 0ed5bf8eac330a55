#include "rw/RWBlockCache.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rw/RWBinaryFile.h"
#include "win32/File.h"
#include "w32test/Testing.h"

namespace {

const char kBlockCachePath[] = "C:\\Temp\\blocks.dat";
const char16_t kBlockCacheWidePath[] = u"C:\\Temp\\blocks.dat";
constexpr uint32_t kBlock = 8;

class RWBlockCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    ASSERT_TRUE(w32test::MakeDirectories(u"C:\\Temp"));
    // Twelve blocks; block i is filled with the letter 'a' + i.
    std::string bytes;
    for (int i = 0; i < 12; ++i) bytes += std::string(kBlock, static_cast<char>('a' + i));
    ASSERT_TRUE(w32test::PutFile(kBlockCacheWidePath, bytes));
    file_ = std::make_unique<RWBinaryFile>(kBlockCachePath);
  }
  void TearDown() override {
    file_.reset();
    w32test::Reset();
  }

  // Changes a block in the file behind the cache's back.
  void Overwrite(int block, char c) {
    const std::string bytes(kBlock, c);
    ASSERT_TRUE(file_->SeekTo(block * static_cast<int32_t>(kBlock)));
    ASSERT_TRUE(file_->WriteChars(bytes.data(), bytes.size()));
  }

  static char Read(RWBlockCache& cache, int block) {
    char buffer[kBlock] = {};
    EXPECT_TRUE(cache.Read(block * static_cast<int32_t>(kBlock), buffer));
    return buffer[0];
  }

  std::unique_ptr<RWBinaryFile> file_;
};

TEST_F(RWBlockCacheTest, TheSlotUnusedLongestIsReplaced) {
  RWBlockCache cache(file_.get(), 10, kBlock);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(Read(cache, i), 'a' + i);
  EXPECT_EQ(Read(cache, 0), 'a');  // block 0 is fresh again; block 1 is now the oldest
  EXPECT_EQ(Read(cache, 10), 'k');
  Overwrite(0, 'X');
  Overwrite(1, 'Y');
  Overwrite(2, 'Z');
  EXPECT_EQ(Read(cache, 0), 'a');  // still cached
  EXPECT_EQ(Read(cache, 2), 'c');  // still cached
  EXPECT_EQ(Read(cache, 1), 'Y');  // was replaced, so read from the file
}

TEST_F(RWBlockCacheTest, WritesGoThroughToTheFileAtOnce) {
  RWBlockCache cache(file_.get(), 2, kBlock);
  const char bytes[kBlock] = {'1', '2', '3', '4', '5', '6', '7', '8'};
  ASSERT_TRUE(cache.Write(3 * kBlock, bytes));
  file_->Flush();
  const std::string contents = w32test::FileContents(kBlockCacheWidePath).value_or("");
  EXPECT_EQ(contents.substr(3 * kBlock, kBlock), "12345678");
  EXPECT_EQ(Read(cache, 3), '1');
}

// Written back, a changed block reaches the file when its slot is given up
// or at FlushBlocks, and is read from the cache meanwhile; a forgotten
// block is never written.
TEST_F(RWBlockCacheTest, WrittenBackBlocksReachTheFileWhenGivenUpOrFlushed) {
  RWBlockCache cache(file_.get(), 2, kBlock, true);
  auto fileBlock = [&](int block) {
    file_->Flush();
    return w32test::FileContents(kBlockCacheWidePath).value_or("").substr(block * kBlock, kBlock);
  };
  const std::string ones(kBlock, '1'), twos(kBlock, '2'), threes(kBlock, '3'), fours(kBlock, '4');
  ASSERT_TRUE(cache.Write(1 * kBlock, ones.data()));
  ASSERT_TRUE(cache.Write(2 * kBlock, twos.data()));
  EXPECT_EQ(fileBlock(1), std::string(kBlock, 'b'));
  EXPECT_EQ(Read(cache, 1), '1');
  ASSERT_TRUE(cache.Write(3 * kBlock, threes.data()));  // block 2 is given up
  EXPECT_EQ(fileBlock(2), twos);
  EXPECT_EQ(fileBlock(3), std::string(kBlock, 'd'));
  cache.Forget(1 * kBlock);
  ASSERT_TRUE(cache.Write(4 * kBlock, fours.data()));
  ASSERT_TRUE(cache.FlushBlocks());
  EXPECT_EQ(fileBlock(1), std::string(kBlock, 'b'));
  EXPECT_EQ(fileBlock(3), threes);
  EXPECT_EQ(fileBlock(4), fours);
}

TEST_F(RWBlockCacheTest, ABlockPastTheEndOfTheFileIsNotRead) {
  RWBlockCache cache(file_.get(), 2, kBlock);
  char buffer[kBlock];
  EXPECT_FALSE(cache.Read(12 * kBlock, buffer));
  EXPECT_FALSE(cache.Read(11 * kBlock + 4, buffer));  // half a block
  EXPECT_FALSE(cache.Read(-1, buffer));
  file_->ClearError();
  // The failed reads left nothing behind that a later read could be served.
  std::string tail(kBlock, 'T');
  ASSERT_TRUE(file_->SeekToEnd());
  ASSERT_TRUE(file_->WriteChars(tail.data(), tail.size()));
  EXPECT_EQ(Read(cache, 12), 'T');
}

TEST_F(RWBlockCacheTest, CapacityIsAtLeastOneAndFitsThirtyTwoBits) {
  EXPECT_EQ(RWBlockCache(file_.get(), 0, kBlock).Capacity(), 1u);
  EXPECT_EQ(RWBlockCache(file_.get(), 0xFFFFFFFFu, 488).Capacity(), 0xFFFFFFFFu / 488);
}

}  // namespace
