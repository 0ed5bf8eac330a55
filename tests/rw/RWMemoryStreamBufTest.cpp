// The memory stream buffer: bounded reads and writes over the caller's block
// and the one meaning of its end.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "rw/RWMemoryStreamBuf.h"

namespace {

TEST(RWMemoryStreamBuf, TheEndOfAWritingBufferIsItsCapacity) {
  char block[10];
  RWMemoryStreamBuf buffer(RWMemoryStreamBuf::ForWriting{}, block, sizeof block);
  std::ostream out(&buffer);
  out << "abc";
  EXPECT_EQ(out.tellp(), 3);
  EXPECT_EQ(buffer.Size(), 3u);
  // Measuring the room: seek to the end, take the position, seek back.
  EXPECT_EQ(buffer.pubseekoff(0, std::ios_base::end, std::ios_base::out), 10);
  EXPECT_EQ(buffer.pubseekpos(0, std::ios_base::out), 0);
  EXPECT_EQ(buffer.Size(), 3u);  // seeking back keeps what was written
  EXPECT_EQ(RWStreamBufHeldBytes(&buffer), 3);
  // A writing buffer has no read side.
  EXPECT_EQ(buffer.pubseekoff(0, std::ios_base::cur, std::ios_base::in), -1);
}

TEST(RWMemoryStreamBuf, TheEndOfAReadingBufferIsItsLength) {
  const char data[] = {'x', 'y', 'z'};
  RWMemoryStreamBuf buffer(RWMemoryStreamBuf::ForReading{}, data, sizeof data);
  EXPECT_EQ(buffer.pubseekoff(0, std::ios_base::end, std::ios_base::in), 3);
  EXPECT_EQ(buffer.sgetc(), std::char_traits<char>::eof());
  EXPECT_EQ(buffer.pubseekoff(-2, std::ios_base::cur, std::ios_base::in), 1);
  EXPECT_EQ(buffer.sbumpc(), 'y');
  EXPECT_EQ(buffer.Size(), 3u);
  EXPECT_EQ(buffer.pubseekoff(0, std::ios_base::cur, std::ios_base::out), -1);
}

TEST(RWMemoryStreamBuf, SeeksOutsideTheBlockAreRefused) {
  char block[8];
  RWMemoryStreamBuf buffer(RWMemoryStreamBuf::ForWriting{}, block, sizeof block);
  const struct {
    std::streamoff offset;
    std::ios_base::seekdir dir;
  } refused[] = {{-1, std::ios_base::beg}, {9, std::ios_base::beg}, {1, std::ios_base::end},
                 {-9, std::ios_base::end}, {INT64_MIN, std::ios_base::cur}, {INT64_MAX, std::ios_base::end}};
  for (const auto& r : refused) {
    EXPECT_EQ(buffer.pubseekoff(r.offset, r.dir, std::ios_base::out), -1) << r.offset;
    EXPECT_EQ(buffer.Position(), 0u);
  }
  EXPECT_EQ(buffer.pubseekoff(-3, std::ios_base::end, std::ios_base::out), 5);
  EXPECT_EQ(buffer.pubseekoff(2, std::ios_base::cur, std::ios_base::in | std::ios_base::out), 7);
}

TEST(RWMemoryStreamBuf, WritesStopAtTheCapacity) {
  std::unique_ptr<char[]> block(new char[4]);  // exactly 4 bytes: an overrun is a sanitizer report
  RWMemoryStreamBuf buffer(RWMemoryStreamBuf::ForWriting{}, block.get(), 4);
  EXPECT_EQ(buffer.sputn("abcdef", 6), 4);
  EXPECT_EQ(buffer.sputc('g'), std::char_traits<char>::eof());
  EXPECT_EQ(buffer.Size(), 4u);
  std::ostream out(&buffer);
  out << 'x';
  EXPECT_TRUE(out.fail());
}

TEST(RWMemoryStreamBuf, HeldBytesOfOtherBuffersIsTheirEnd) {
  std::stringbuf empty;
  EXPECT_EQ(RWStreamBufHeldBytes(&empty), 0);
  std::stringbuf used("abcd");
  EXPECT_EQ(RWStreamBufHeldBytes(&used), 4);
  EXPECT_EQ(RWStreamBufHeldBytes(nullptr), -1);
}

}  // namespace
