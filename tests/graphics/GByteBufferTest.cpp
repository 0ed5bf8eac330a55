// Byte buffers: who owns the block as it is taken, detached and made
// owned; and the integer key.
#include "graphics/GByteBuffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <utility>

#include "graphics/GIntegerKey.h"

namespace {

uint8_t* Block(const char* text) {
  const size_t n = std::strlen(text);
  auto* block = new uint8_t[n];
  std::memcpy(block, text, n);
  return block;
}

TEST(GByteBufferTest, TakeDataOfAnOwningBufferHandsOverItsBlock) {
  uint8_t* block = Block("abc");
  GByteBuffer buffer(block, 3, 1);
  uint8_t* taken = buffer.TakeData();
  EXPECT_EQ(taken, block);
  EXPECT_EQ(buffer.OwnsData(), 0);
  EXPECT_EQ(buffer.GetData(), block);  // the pointer stays
  EXPECT_EQ(buffer.GetLength(), 3u);
  delete[] taken;  // the buffer frees nothing when it goes (the sanitizer checks)
}

TEST(GByteBufferTest, TakeDataOfABorrowedBlockIsACopy) {
  uint8_t bytes[4] = {1, 2, 3, 4};
  GByteBuffer buffer(bytes, 4, 0);
  std::unique_ptr<uint8_t[]> copy(buffer.TakeData());
  ASSERT_NE(copy.get(), nullptr);
  EXPECT_NE(copy.get(), bytes);
  EXPECT_EQ(std::memcmp(copy.get(), bytes, 4), 0);
  EXPECT_EQ(buffer.OwnsData(), 0);
  EXPECT_EQ(GByteBuffer(bytes, 0, 0).TakeData(), nullptr);
}

TEST(GByteBufferTest, DetachMakesAnOwningBufferOfTheBytes) {
  uint8_t bytes[3] = {7, 8, 9};
  GByteBuffer borrowed(bytes, 3, 0);
  std::unique_ptr<GByteBuffer> detached(borrowed.Detach());
  EXPECT_EQ(detached->OwnsData(), 1);
  EXPECT_EQ(detached->GetLength(), 3u);
  EXPECT_NE(detached->GetData(), bytes);
  EXPECT_EQ(detached->GetData()[2], 9);

  uint8_t* block = Block("xy");
  GByteBuffer owning(block, 2, 1);
  std::unique_ptr<GByteBuffer> moved(owning.Detach());
  EXPECT_EQ(moved->GetData(), block);
  EXPECT_EQ(owning.OwnsData(), 0);

  GByteBuffer empty(nullptr, 0, 0);
  std::unique_ptr<GByteBuffer> none(empty.Detach());
  EXPECT_EQ(none->GetData(), nullptr);
  EXPECT_EQ(none->GetLength(), 0u);
}

TEST(GByteBufferTest, MakeOwnedCopiesABorrowedBlockOnce) {
  uint8_t bytes[2] = {5, 6};
  GByteBuffer buffer(bytes, 2, 0);
  EXPECT_EQ(buffer.MakeOwned(), 1);
  EXPECT_EQ(buffer.OwnsData(), 1);
  EXPECT_NE(buffer.GetData(), bytes);
  uint8_t* own = buffer.GetData();
  EXPECT_EQ(buffer.MakeOwned(), 1);
  EXPECT_EQ(buffer.GetData(), own);
  bytes[0] = 0;
  EXPECT_EQ(buffer.GetData()[0], 5);
  GByteBuffer empty(bytes, 0, 0);
  EXPECT_EQ(empty.MakeOwned(), 1);
  EXPECT_EQ(empty.OwnsData(), 0);
}

TEST(GByteBufferTest, ANullBlockHasNoLengthSoNothingReadsPastIt) {
  GByteBuffer buffer(nullptr, 100, 0);
  EXPECT_EQ(buffer.GetLength(), 0u);
  EXPECT_EQ(buffer.TakeData(), nullptr);
  EXPECT_EQ(buffer.MakeOwned(), 1);
  std::unique_ptr<GByteBuffer> detached(buffer.Detach());
  EXPECT_EQ(detached->GetLength(), 0u);
}

TEST(GByteBufferTest, MovingHandsTheBlockOverWithoutFreeingItTwice) {
  uint8_t* block = Block("moved");
  GByteBuffer first(block, 5, 1);
  GByteBuffer second(std::move(first));
  EXPECT_EQ(second.OwnsData(), 1);
  EXPECT_EQ(first.OwnsData(), 0);
  GByteBuffer third(Block("old"), 3, 1);
  third = std::move(second);
  EXPECT_EQ(third.GetData(), block);
  EXPECT_EQ(third.OwnsData(), 1);
  EXPECT_EQ(second.OwnsData(), 0);
}

TEST(GIntegerKeyTest, KeysAreEqualByIdentityOrValue) {
  GIntegerKey a(5);
  GIntegerKey b(5);
  GIntegerKey c(-5);
  EXPECT_EQ(a.GetValue(), 5);
  EXPECT_TRUE(a.IsEqual(&a));
  EXPECT_TRUE(a.IsEqual(&b));
  EXPECT_FALSE(a.IsEqual(&c));
  EXPECT_FALSE(a.IsEqual(nullptr));
}

}  // namespace
