// Tests of the input holder: the stream kind of each format over memory and
// a file, reading back what the output holder wrote, the read position, and
// files that cannot be opened.
#include "model/GPersistInStream.h"

#include <gtest/gtest.h>

#include <string>

#include "model/GPersistOutStream.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWEndianStream.h"
#include "rw/RWPortableStream.h"
#include "support/ErrorCapture.h"
#include "win32/File.h"
#include "w32test/Testing.h"

namespace {

class GPersistInStreamTest : public ::testing::Test {
 protected:
  void SetUp() override { w32test::Reset(); }
  void TearDown() override { w32test::Reset(); }
};

void PutValues(RWVirtualOutStream& out) {
  out.PutUShort(0xBEEF).PutLong(-123456).PutDouble(2.5).PutString("Letter", 6).PutCharText('q');
}

void ExpectValues(RWVirtualInStream& in) {
  uint16_t u = 0;
  int32_t l = 0;
  double d = 0;
  char text[16] = {};
  char c = 0;
  in.GetUShort(u).GetLong(l).GetDouble(d).GetString(text, sizeof text).GetCharText(c);
  EXPECT_TRUE(in.Good());
  EXPECT_EQ(u, 0xBEEF);
  EXPECT_EQ(l, -123456);
  EXPECT_EQ(d, 2.5);
  EXPECT_STREQ(text, "Letter");
  EXPECT_EQ(c, 'q');
}

bool IsKind(int format, RWVirtualInStream* s) {
  switch (format) {
    case 0:
      return dynamic_cast<RWPortableInStream*>(s) != nullptr;
    case 1:
      return dynamic_cast<RWBinaryInStream*>(s) != nullptr && dynamic_cast<RWEndianInStream*>(s) == nullptr;
    case 2:
      return dynamic_cast<RWEndianInStream*>(s) != nullptr;
  }
  return false;
}

TEST_F(GPersistInStreamTest, EachFormatReadsBackWhatWasWrittenToMemory) {
  for (int format : {0, 1, 2}) {
    SCOPED_TRACE(format);
    std::string block(256, '\0');
    GPersistOutStream out(block.data(), block.size(), format);
    PutValues(*out.GetStream());
    ASSERT_TRUE(out.GetStream()->Good());
    const int length = out.Tell();

    GPersistInStream in(block.data(), static_cast<size_t>(length), format);
    ASSERT_NE(in.GetStream(), nullptr);
    EXPECT_TRUE(IsKind(format, in.GetStream()));
    ExpectValues(*in.GetStream());
    EXPECT_EQ(in.Tell(), length);
    EXPECT_EQ(in.GetStream()->Get(), -1);  // nothing read past the length
  }
}

TEST_F(GPersistInStreamTest, EachFormatReadsBackWhatWasWrittenToAFile) {
  for (int format : {0, 1, 2}) {
    SCOPED_TRACE(format);
    const RWWString name(u"C:\\Drivers\\Model.qvd");
    ASSERT_TRUE(w32test::MakeDirectories(u"C:\\Drivers"));
    int length = 0;
    {
      GPersistOutStream out(name, format);
      PutValues(*out.GetStream());
      length = out.Tell();
    }
    GPersistInStream in(name, format);
    ASSERT_NE(in.GetStream(), nullptr);
    EXPECT_TRUE(IsKind(format, in.GetStream()));
    ExpectValues(*in.GetStream());
    EXPECT_EQ(in.Tell(), length);
  }
}

TEST_F(GPersistInStreamTest, TellFollowsReadingAndSeekDoesNothing) {
  const std::string bytes("\x01\x00\x00\x00\x02\x00\x00\x00\x03\x00\x00\x00", 12);
  GPersistInStream in(bytes.data(), bytes.size(), 1);
  EXPECT_EQ(in.Tell(), 0);
  uint32_t value = 0;
  in.GetStream()->GetULong(value);
  EXPECT_EQ(in.Tell(), 4);
  in.Seek(0);
  EXPECT_EQ(in.Tell(), 4);
  in.GetStream()->GetULong(value);
  EXPECT_EQ(value, 2u);

  // A tagged reader has consumed its header before the first value.
  std::string block(32, '\0');
  GPersistOutStream out(block.data(), block.size(), 2);
  GPersistInStream tagged(block.data(), static_cast<size_t>(out.Tell()), 2);
  EXPECT_EQ(tagged.Tell(), 9);
}

TEST_F(GPersistInStreamTest, OtherFormatsGiveNoStream) {
  const char bytes[4] = {1, 2, 3, 4};
  GPersistInStream memory(bytes, sizeof bytes, 3);
  EXPECT_EQ(memory.GetStream(), nullptr);
  ASSERT_TRUE(w32test::PutFile(u"C:\\x.bin", "abcd"));
  GPersistInStream file(RWWString(u"C:\\x.bin"), -1);
  EXPECT_EQ(file.GetStream(), nullptr);
}

TEST_F(GPersistInStreamTest, AFileThatCannotBeOpenedGivesABadStreamFromTheStart) {
  ASSERT_TRUE(w32test::MakeDirectories(u"C:\\Drivers"));
  for (const char16_t* path : {u"C:\\Drivers\\Missing.qvd", u"C:\\Drivers", u""}) {
    for (int format : {0, 1}) {
      GPersistInStream in{RWWString(path), format};
      ASSERT_NE(in.GetStream(), nullptr);
      EXPECT_FALSE(in.GetStream()->Good());
      uint32_t value = 5;
      in.GetStream()->GetULong(value);
      EXPECT_EQ(value, 5u);
      EXPECT_EQ(in.Tell(), -1);
    }
  }
}

// The tagged reader reads its header at once; a missing or damaged header
// is outside input: the stream is failed and the error handler (whose
// default ends the process) is not reached.
TEST_F(GPersistInStreamTest, TaggedFormatWithAMissingHeaderGivesAFailedStream) {
  const std::string damaged = "xs\x01\x00\x02\x04\x04\x02\x04";
  EXPECT_EQ(qvtest::RaisedText([&] {
              GPersistInStream in(damaged.data(), damaged.size(), 2);
              ASSERT_NE(in.GetStream(), nullptr);
              EXPECT_FALSE(in.GetStream()->Good());
            }),
            "");
  EXPECT_EQ(qvtest::RaisedText([&] {
              GPersistInStream in(RWWString(u"C:\\Missing.bin"), 2);
              ASSERT_NE(in.GetStream(), nullptr);
              EXPECT_FALSE(in.GetStream()->Good());
            }),
            "");
}

TEST_F(GPersistInStreamTest, ReadsNoFurtherThanTheGivenLength) {
  // The length covers the first value only; the byte after it is never read.
  const std::string bytes("\x07\x00\x00\x00\x09", 5);
  GPersistInStream in(bytes.data(), 4, 1);
  uint32_t first = 0;
  unsigned char next = 0;
  in.GetStream()->GetULong(first).GetUChar(next);
  EXPECT_EQ(first, 7u);
  EXPECT_EQ(next, 0);
  EXPECT_TRUE(in.GetStream()->Fail());
}

}  // namespace
