// The PCL output stream: where full buffers are handed to the callback, what
// a flush and a destroy do, and how the stream holds up when the callback
// fails or breaks its contract.
#include "pdl/PclStream.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Keeps every block it is handed and rewinds the stream as the contract
// asks, unless told to behave otherwise.
class RecordingCallback : public PclStreamCallback {
 public:
  int16_t Flush(PclStream* stream, uint32_t userValue, const uint8_t* data, int32_t length) override {
    blocks.emplace_back(reinterpret_cast<const char*>(data), static_cast<size_t>(length));
    userValues.push_back(userValue);
    if (rewinds) PclStreamRewind(stream);
    int16_t answer = statuses.empty() ? 0 : statuses.front();
    if (!statuses.empty()) statuses.erase(statuses.begin());
    return answer;
  }

  std::string All() const {
    std::string all;
    for (const auto& block : blocks) all += block;
    return all;
  }

  std::vector<std::string> blocks;
  std::vector<uint32_t> userValues;
  std::vector<int16_t> statuses;  // answered in turn, then 0
  bool rewinds = true;
};

std::string Pattern(size_t length, int seed = 0) {
  std::string bytes(length, '\0');
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>((i * 7 + seed) % 251);
  return bytes;
}

struct StreamDeleter {
  void operator()(PclStream* stream) const { PclStreamDestroy(stream); }
};
using StreamPtr = std::unique_ptr<PclStream, StreamDeleter>;

StreamPtr MakeStream(RecordingCallback& callback, int32_t size = 8192, uint32_t userValue = 0) {
  return StreamPtr(PclStreamCreate(size, &callback, userValue));
}

TEST(PclStreamTest, CreationSetsAnEmptyBufferAndRefusesBadArguments) {
  RecordingCallback callback;
  StreamPtr stream = MakeStream(callback);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->size, 8192);
  EXPECT_EQ(stream->room, 8192);
  EXPECT_EQ(stream->writePointer, stream->buffer);
  EXPECT_EQ(stream->end, stream->buffer + 8192);
  EXPECT_EQ(stream->total, 0u);
  EXPECT_EQ(stream->errorCode, 0);
  EXPECT_EQ(stream->errorCount, 0);

  EXPECT_EQ(PclStreamCreate(0, &callback, 0), nullptr);
  EXPECT_EQ(PclStreamCreate(-1, &callback, 0), nullptr);
  EXPECT_EQ(PclStreamCreate(8192, nullptr, 0), nullptr);
}

TEST(PclStreamTest, The8193rdByteFirstHandsOnTheFullBuffer) {
  RecordingCallback callback;
  StreamPtr stream = MakeStream(callback, 8192, 77);
  std::string bytes = Pattern(8193);
  for (size_t i = 0; i < 8192; ++i) PclStreamPutByte(stream.get(), static_cast<uint8_t>(bytes[i]));
  EXPECT_TRUE(callback.blocks.empty());
  EXPECT_EQ(stream->room, 0);
  EXPECT_EQ(stream->writePointer, stream->end);

  PclStreamPutByte(stream.get(), static_cast<uint8_t>(bytes[8192]));
  ASSERT_EQ(callback.blocks.size(), 1u);
  EXPECT_EQ(callback.blocks[0], bytes.substr(0, 8192));
  EXPECT_EQ(callback.userValues[0], 77u);
  EXPECT_EQ(stream->room, 8191);
  EXPECT_EQ(stream->total, 8193u);
  EXPECT_EQ(stream->buffer[0], static_cast<uint8_t>(bytes[8192]));
}

TEST(PclStreamTest, ABlockLargerThanTheBufferIsHandedOnInFullBuffers) {
  RecordingCallback callback;
  StreamPtr stream = MakeStream(callback);
  std::string bytes = Pattern(20000);
  PclStreamWrite(stream.get(), bytes.data(), 20000);
  ASSERT_EQ(callback.blocks.size(), 2u);
  EXPECT_EQ(callback.blocks[0].size(), 8192u);
  EXPECT_EQ(callback.blocks[1].size(), 8192u);
  EXPECT_EQ(stream->size - stream->room, 3616);
  EXPECT_EQ(stream->writePointer, stream->buffer + 3616);
  EXPECT_EQ(stream->total, 20000u);

  EXPECT_EQ(PclStreamFlush(stream.get()), 0);
  ASSERT_EQ(callback.blocks.size(), 3u);
  EXPECT_EQ(callback.blocks[2].size(), 3616u);
  EXPECT_EQ(callback.All(), bytes);
  EXPECT_EQ(stream->room, 8192);
}

TEST(PclStreamTest, MixedWritesArriveWholeAndInOrder) {
  // Exactly full, one over, several buffers, empty and negative lengths,
  // single bytes in between.
  const int32_t lengths[] = {8192, 1, 8191, 8193, 0, 16384, -5, 3, 20000, 8192};
  RecordingCallback callback;
  StreamPtr stream = MakeStream(callback);
  std::string expected;
  int seed = 0;
  for (int32_t length : lengths) {
    std::string part = Pattern(length > 0 ? static_cast<size_t>(length) : 4, ++seed);
    PclStreamWrite(stream.get(), part.data(), length);
    if (length > 0) expected += part;
    PclStreamPutByte(stream.get(), 0xA5);
    expected += '\xA5';
  }
  EXPECT_EQ(stream->total, expected.size());
  PclStreamFlush(stream.get());
  EXPECT_EQ(callback.All(), expected);
  for (size_t i = 0; i + 1 < callback.blocks.size(); ++i) EXPECT_EQ(callback.blocks[i].size(), 8192u) << i;
}

TEST(PclStreamTest, ExactlyOneBufferStaysBufferedUntilTheNextByte) {
  RecordingCallback callback;
  StreamPtr stream = MakeStream(callback);
  std::string bytes = Pattern(8192);
  PclStreamWrite(stream.get(), bytes.data(), 8192);
  EXPECT_TRUE(callback.blocks.empty());
  PclStreamWrite(stream.get(), "x", 1);
  ASSERT_EQ(callback.blocks.size(), 1u);
  EXPECT_EQ(callback.blocks[0], bytes);
}

TEST(PclStreamTest, FlushOfAnEmptyStreamStillCallsTheCallbackAndReturnsItsStatus) {
  RecordingCallback callback;
  StreamPtr stream = MakeStream(callback);
  callback.statuses = {0};
  EXPECT_EQ(PclStreamFlush(stream.get()), 0);
  ASSERT_EQ(callback.blocks.size(), 1u);
  EXPECT_EQ(callback.blocks[0].size(), 0u);

  PclStreamWrite(stream.get(), "abc", 3);
  callback.statuses = {12};
  EXPECT_EQ(PclStreamFlush(stream.get()), 12);
  EXPECT_EQ(callback.blocks[1], "abc");
  EXPECT_EQ(stream->room, 8192);
  EXPECT_EQ(stream->errorCode, 12);
}

TEST(PclStreamTest, DestroyDiscardsWhatWasNotFlushedAndReturnsTheTotal) {
  RecordingCallback callback;
  PclStream* stream = PclStreamCreate(8192, &callback, 0);
  std::string bytes = Pattern(9000);
  PclStreamWrite(stream, bytes.data(), 9000);
  EXPECT_EQ(PclStreamDestroy(stream), 9000u);
  ASSERT_EQ(callback.blocks.size(), 1u);  // the full buffer only
  EXPECT_EQ(PclStreamDestroy(nullptr), 0u);
}

TEST(PclStreamTest, BothWriteEntryPointsAndNullArgumentsBehave) {
  RecordingCallback callback;
  StreamPtr stream = MakeStream(callback);
  PclStream* held = stream.get();
  PclStreamWrite(&held, "ab", 2);
  PclStreamWrite(stream.get(), "cd", 2);
  PclStreamReserve(stream.get(), 64);
  PclStreamWrite(stream.get(), nullptr, 10);
  PclStreamWrite(static_cast<PclStream*>(nullptr), "x", 1);
  PclStreamWrite(static_cast<PclStream**>(nullptr), "x", 1);
  PclStream* none = nullptr;
  PclStreamWrite(&none, "x", 1);
  PclStreamPutByte(nullptr, 'x');
  EXPECT_EQ(PclStreamFlush(nullptr), 0);
  EXPECT_EQ(stream->total, 4u);
  PclStreamFlush(stream.get());
  EXPECT_EQ(callback.All(), "abcd");
}

TEST(PclStreamTest, ACallbackFailureIsKeptAndTheStreamAcceptsNothingMore) {
  RecordingCallback callback;
  StreamPtr stream = MakeStream(callback, 16);
  callback.statuses = {5};
  std::string bytes = Pattern(40);
  PclStreamWrite(stream.get(), bytes.data(), 40);
  ASSERT_EQ(callback.blocks.size(), 1u);
  EXPECT_EQ(stream->errorCode, 5);
  EXPECT_EQ(stream->errorCount, 1);
  EXPECT_EQ(stream->total, 16u);
  PclStreamPutByte(stream.get(), 'x');
  PclStreamWrite(stream.get(), "yz", 2);
  EXPECT_EQ(stream->total, 16u);
  EXPECT_EQ(callback.blocks.size(), 1u);

  // The same through put-byte.
  RecordingCallback second;
  StreamPtr other = MakeStream(second, 4);
  second.statuses = {-3};
  for (int i = 0; i < 10; ++i) PclStreamPutByte(other.get(), static_cast<uint8_t>(i));
  EXPECT_EQ(other->errorCode, -3);
  EXPECT_EQ(other->total, 4u);
  EXPECT_EQ(second.blocks.size(), 1u);
}

TEST(PclStreamTest, ACallbackThatDoesNotRewindNeitherOverrunsNorRepeats) {
  RecordingCallback callback;
  callback.rewinds = false;
  StreamPtr stream = MakeStream(callback, 8);
  std::string bytes = Pattern(30);
  PclStreamWrite(stream.get(), bytes.data(), 20);
  for (size_t i = 20; i < 30; ++i) PclStreamPutByte(stream.get(), static_cast<uint8_t>(bytes[i]));
  PclStreamFlush(stream.get());
  EXPECT_EQ(callback.All(), bytes);
  EXPECT_EQ(stream->total, 30u);
  EXPECT_EQ(stream->errorCode, 0);
}

}  // namespace
