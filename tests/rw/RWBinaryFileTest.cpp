#include "rw/RWBinaryFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "win32/File.h"
#include "w32test/Testing.h"

namespace {

const char* const kPath = "C:\\Spool\\Values.dat";
const char16_t* const kWidePath = u"C:\\Spool\\Values.dat";

class RWBinaryFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    ASSERT_TRUE(w32test::MakeDirectories(u"C:\\Spool"));
  }
  void TearDown() override { w32test::Reset(); }

  static std::string Contents() { return w32test::FileContents(kWidePath).value_or("<missing>"); }
};

std::string Bytes(std::initializer_list<unsigned> values) {
  std::string s;
  for (unsigned v : values) s.push_back(static_cast<char>(v));
  return s;
}

TEST_F(RWBinaryFileTest, WithoutModeCreatesAMissingFileThenOpensItForUpdate) {
  {
    RWBinaryFile file(kPath);
    EXPECT_STREQ(file.GetMode(), "wb+");  // "rb+" failed first
    EXPECT_TRUE(file.Exists());
    EXPECT_TRUE(file.IsEmpty());
    EXPECT_FALSE(file.HasError());
    EXPECT_TRUE(file.WriteInt(7));
  }
  // The second open finds the file and keeps its contents.
  RWBinaryFile again("c:/SPOOL/values.DAT");
  EXPECT_STREQ(again.GetMode(), "rb+");
  EXPECT_FALSE(again.IsEmpty());
  int32_t value = 0;
  EXPECT_TRUE(again.ReadInt(value));
  EXPECT_EQ(value, 7);
}

TEST_F(RWBinaryFileTest, AFileThatDoesNotOpenFailsEveryOperation) {
  RWBinaryFile file("C:\\Spool\\Missing.dat", "rb");
  EXPECT_STREQ(file.GetMode(), "rb");
  EXPECT_FALSE(file.Exists());
  int32_t i = 5;
  char chars[4] = {'x', 'x', 'x', 'x'};
  char text[4] = {'x', 'x', 'x', 'x'};
  EXPECT_FALSE(file.ReadInt(i));
  EXPECT_EQ(i, 5);
  EXPECT_FALSE(file.ReadChars(chars, 4));
  EXPECT_FALSE(file.ReadCString(text, sizeof text));
  EXPECT_EQ(text[0], '\0');
  EXPECT_FALSE(file.WriteInt(1));
  EXPECT_FALSE(file.WriteChars("ab", 2));
  EXPECT_FALSE(file.WriteCString("ab"));
  EXPECT_FALSE(file.SeekTo(0));
  EXPECT_FALSE(file.SeekToEnd());
  EXPECT_FALSE(file.Flush());
  EXPECT_EQ(file.CurrentOffset(), -1);
  // Callers that stop on the indicators stop.
  EXPECT_TRUE(file.HasError());
  EXPECT_TRUE(file.IsAtEnd());
  EXPECT_FALSE(file.IsEmpty());
  file.ClearError();
  EXPECT_FALSE(w32test::FileContents(u"C:\\Spool\\Missing.dat").has_value());
}

TEST_F(RWBinaryFileTest, ValuesAreStoredLittleEndianWithFixedWidths) {
  {
    RWBinaryFile file(kPath, "wb+");
    EXPECT_TRUE(file.WriteChar('A'));
    EXPECT_TRUE(file.WriteUChar(0xFE));
    EXPECT_TRUE(file.WriteShort(-2));
    EXPECT_TRUE(file.WriteUShort(0x1234));
    EXPECT_TRUE(file.WriteInt(-3));
    EXPECT_TRUE(file.WriteUInt(0x89ABCDEF));
    EXPECT_TRUE(file.WriteLong(0x01020304));
    EXPECT_TRUE(file.WriteULong(0xFFFFFFFE));
    EXPECT_TRUE(file.WriteFloat(1.0f));
    EXPECT_TRUE(file.WriteDouble(-2.0));
    EXPECT_EQ(file.CurrentOffset(), 1 + 1 + 2 + 2 + 4 + 4 + 4 + 4 + 4 + 8);
  }
  EXPECT_EQ(Contents(), Bytes({0x41, 0xFE, 0xFE, 0xFF, 0x34, 0x12, 0xFD, 0xFF, 0xFF, 0xFF, 0xEF, 0xCD, 0xAB, 0x89,
                               0x04, 0x03, 0x02, 0x01, 0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00,
                               0x00, 0x00, 0x00, 0x00, 0x00, 0xC0}));

  RWBinaryFile file(kPath);
  char c = 0;
  unsigned char uc = 0;
  int16_t s = 0;
  uint16_t us = 0;
  int32_t i = 0, l = 0;
  uint32_t ui = 0, ul = 0;
  float f = 0;
  double d = 0;
  EXPECT_TRUE(file.ReadChar(c) && file.ReadUChar(uc) && file.ReadShort(s) && file.ReadUShort(us) &&
              file.ReadInt(i) && file.ReadUInt(ui) && file.ReadLong(l) && file.ReadULong(ul) && file.ReadFloat(f) &&
              file.ReadDouble(d));
  EXPECT_EQ(c, 'A');
  EXPECT_EQ(uc, 0xFE);
  EXPECT_EQ(s, -2);
  EXPECT_EQ(us, 0x1234);
  EXPECT_EQ(i, -3);
  EXPECT_EQ(ui, 0x89ABCDEFu);
  EXPECT_EQ(l, 0x01020304);
  EXPECT_EQ(ul, 0xFFFFFFFEu);
  EXPECT_EQ(f, 1.0f);
  EXPECT_EQ(d, -2.0);
}

TEST_F(RWBinaryFileTest, ArraysRoundTripAcrossManyBuffersAndAShortReadKeepsWholeItems) {
  std::vector<int16_t> shorts(5000);
  std::vector<int32_t> ints(3000);
  std::vector<double> doubles(1100);
  for (size_t k = 0; k < shorts.size(); ++k) shorts[k] = static_cast<int16_t>(k * 37 - 20000);
  for (size_t k = 0; k < ints.size(); ++k) ints[k] = static_cast<int32_t>(k * 1000003);
  for (size_t k = 0; k < doubles.size(); ++k) doubles[k] = static_cast<double>(k) / 3.0;
  const float floats[3] = {0.5f, -1.25f, 3e10f};
  {
    RWBinaryFile file(kPath, "wb+");
    EXPECT_TRUE(file.WriteShorts(shorts.data(), shorts.size()));
    EXPECT_TRUE(file.WriteInts(ints.data(), ints.size()));
    EXPECT_TRUE(file.WriteLongs(ints.data(), 2));
    EXPECT_TRUE(file.WriteFloats(floats, 3));
    EXPECT_TRUE(file.WriteDoubles(doubles.data(), doubles.size()));
    EXPECT_TRUE(file.WriteChars("xyz", 3));
  }
  EXPECT_EQ(Contents().size(), 5000 * 2 + 3000 * 4 + 2 * 4 + 3 * 4 + 1100 * 8 + 3u);
  EXPECT_EQ(Contents().substr(0, 4), Bytes({0xE0, 0xB1, 0x05, 0xB2}));  // -20000, -19963

  RWBinaryFile file(kPath);
  std::vector<int16_t> s2(shorts.size());
  std::vector<int32_t> i2(ints.size());
  std::vector<double> d2(doubles.size());
  int32_t l2[2];
  float f2[3];
  EXPECT_TRUE(file.ReadShorts(s2.data(), s2.size()));
  EXPECT_TRUE(file.ReadInts(i2.data(), i2.size()));
  EXPECT_TRUE(file.ReadLongs(l2, 2));
  EXPECT_TRUE(file.ReadFloats(f2, 3));
  EXPECT_TRUE(file.ReadDoubles(d2.data(), d2.size()));
  EXPECT_EQ(s2, shorts);
  EXPECT_EQ(i2, ints);
  EXPECT_EQ(d2, doubles);
  EXPECT_EQ(l2[1], ints[1]);
  EXPECT_EQ(f2[2], 3e10f);
  // Three bytes left: one whole short is read, the second is cut short.
  int16_t tail[3] = {9, 9, 9};
  EXPECT_FALSE(file.ReadShorts(tail, 3));
  EXPECT_EQ(tail[0], static_cast<int16_t>('x' | 'y' << 8));
  EXPECT_EQ(tail[1], 9);
  EXPECT_EQ(tail[2], 9);
  EXPECT_TRUE(file.IsAtEnd());
  EXPECT_FALSE(file.HasError());
}

TEST_F(RWBinaryFileTest, ReadIntAtEndSetsTheEndIndicatorButNoError) {
  RWBinaryFile file(kPath);
  EXPECT_TRUE(file.WriteShort(1));
  EXPECT_TRUE(file.SeekTo(0));
  int32_t value = 42;
  EXPECT_FALSE(file.ReadInt(value));  // only two bytes there
  EXPECT_TRUE(file.IsAtEnd());
  EXPECT_FALSE(file.HasError());
  file.ClearError();
  EXPECT_FALSE(file.IsAtEnd());
}

TEST_F(RWBinaryFileTest, SeeksAndOffsets) {
  RWBinaryFile file(kPath);
  EXPECT_TRUE(file.WriteInts(std::vector<int32_t>{10, 11, 12}.data(), 3));
  EXPECT_EQ(file.CurrentOffset(), 12);
  EXPECT_TRUE(file.SeekTo(4));
  int32_t value = 0;
  EXPECT_TRUE(file.ReadInt(value));
  EXPECT_EQ(value, 11);
  EXPECT_TRUE(file.SeekToEnd());
  EXPECT_EQ(file.CurrentOffset(), 12);
  EXPECT_FALSE(file.SeekTo(-1));
  EXPECT_TRUE(file.Flush());
}

TEST_F(RWBinaryFileTest, EraseLeavesAnEmptyFileOpenForWriting) {
  RWBinaryFile file(kPath);
  EXPECT_TRUE(file.WriteCString("contents"));
  EXPECT_FALSE(file.IsEmpty());  // counts what is still buffered
  EXPECT_TRUE(file.Erase());
  EXPECT_TRUE(file.IsEmpty());
  EXPECT_STREQ(file.GetMode(), "wb+");
  EXPECT_EQ(Contents(), "");
  EXPECT_TRUE(file.WriteUShort(0xABCD));
  EXPECT_TRUE(file.Flush());
  EXPECT_EQ(Contents(), Bytes({0xCD, 0xAB}));
}

TEST_F(RWBinaryFileTest, EraseOfAFileThatCannotBeRemovedFailsAndCloses) {
  // Never opened and not there: the removal fails and nothing is created.
  RWBinaryFile file("C:\\Spool\\Gone.dat", "rb");
  EXPECT_FALSE(file.Erase());
  EXPECT_FALSE(file.Exists());
  EXPECT_FALSE(file.WriteInt(1));
  EXPECT_TRUE(file.HasError());
}

TEST_F(RWBinaryFileTest, ExistsChecksTheMappedPath) {
  RWBinaryFile file(kPath);
  EXPECT_TRUE(RWBinaryFile::Exists(kPath));
  EXPECT_TRUE(RWBinaryFile::Exists("c:\\spool\\VALUES.DAT", 4));
  EXPECT_TRUE(RWBinaryFile::Exists("C:\\Spool", 0));  // a directory is there too
  EXPECT_FALSE(RWBinaryFile::Exists("C:\\Spool\\Other.dat"));
  EXPECT_FALSE(RWBinaryFile::Exists(kPath, 1));  // not an access mode
  EXPECT_FALSE(RWBinaryFile::Exists(nullptr));
  EXPECT_FALSE(RWBinaryFile::Exists(""));
}

TEST_F(RWBinaryFileTest, CStringsCarryTheirTerminatorAndReadsAreBounded) {
  RWBinaryFile file(kPath);
  EXPECT_TRUE(file.WriteCString("hello"));
  EXPECT_TRUE(file.WriteCString("world"));
  EXPECT_TRUE(file.WriteChars("end", 3));  // no terminator before the end of the file
  EXPECT_TRUE(file.Flush());
  EXPECT_EQ(Contents(), std::string("hello\0world\0end", 15));

  EXPECT_TRUE(file.SeekTo(0));
  char big[16];
  EXPECT_TRUE(file.ReadCString(big, sizeof big));
  EXPECT_STREQ(big, "hello");
  // A text longer than the buffer is cut and consumed whole.
  char small[4];
  EXPECT_FALSE(file.ReadCString(small, sizeof small));
  EXPECT_STREQ(small, "wor");
  EXPECT_TRUE(file.ReadCString(big, sizeof big));
  EXPECT_STREQ(big, "end");
  EXPECT_TRUE(file.IsAtEnd());
  EXPECT_FALSE(file.ReadCString(big, 0));
}

TEST_F(RWBinaryFileTest, TheModeKeptIsAtMostEightCharacters) {
  RWBinaryFile file(kPath, "w+bcnSRT D");
  EXPECT_TRUE(file.WriteChar('z'));
  EXPECT_STREQ(file.GetMode(), "w+bcnSRT");
}

}  // namespace
