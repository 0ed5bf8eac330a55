// Tests of the output holder: the stream kind of each format over a memory
// buffer and a file, the byte-order header written first, the capacity of a
// memory buffer, the write position, and files that cannot be created.
#include "model/GPersistOutStream.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <optional>
#include <string>

#include "rw/RWBinaryStream.h"
#include "rw/RWEndianStream.h"
#include "rw/RWPortableStream.h"
#include "support/ErrorCapture.h"
#include "win32/CRuntime.h"
#include "win32/File.h"
#include "w32test/Testing.h"

namespace {

class GPersistOutStreamTest : public ::testing::Test {
 protected:
  void SetUp() override { w32test::Reset(); }
  void TearDown() override { w32test::Reset(); }
};

std::string Str(std::initializer_list<unsigned char> bytes) { return std::string(bytes.begin(), bytes.end()); }

const std::string kHeader = Str({'e', 's', 1, 0, 2, 4, 4, 2, 4});  // little-endian host, this writer's sizes
const std::string kValues = Str({4, 3, 2, 1, 2, 0, 0, 0, 'a', 'b'});

void PutValues(GPersistOutStream& holder) { holder.GetStream()->PutULong(0x01020304).PutString("ab", 2); }

struct FormatCase {
  int format;
  std::string bytes;  // what PutValues leaves; empty: not checked byte by byte
  bool (*isKind)(RWVirtualOutStream*);
};

const FormatCase kFormats[] = {
    {0, "", [](RWVirtualOutStream* s) { return dynamic_cast<RWPortableOutStream*>(s) != nullptr; }},
    {1, kValues,
     [](RWVirtualOutStream* s) {
       return dynamic_cast<RWBinaryOutStream*>(s) != nullptr && dynamic_cast<RWEndianOutStream*>(s) == nullptr;
     }},
    {2, kHeader + kValues, [](RWVirtualOutStream* s) { return dynamic_cast<RWEndianOutStream*>(s) != nullptr; }},
};

TEST_F(GPersistOutStreamTest, EachFormatGivesItsStreamOverMemory) {
  for (const auto& c : kFormats) {
    SCOPED_TRACE(c.format);
    std::string block(64, '\0');
    GPersistOutStream holder(block.data(), block.size(), c.format);
    ASSERT_NE(holder.GetStream(), nullptr);
    EXPECT_TRUE(c.isKind(holder.GetStream()));
    PutValues(holder);
    EXPECT_TRUE(holder.GetStream()->Good());
    if (!c.bytes.empty()) {
      EXPECT_EQ(block.substr(0, c.bytes.size()), c.bytes);
      EXPECT_EQ(holder.Tell(), static_cast<int>(c.bytes.size()));
    } else {
      EXPECT_GT(holder.Tell(), 0);
    }
  }
}

TEST_F(GPersistOutStreamTest, EachFormatGivesItsStreamOverAFileThatClosesWithTheHolder) {
  for (const auto& c : kFormats) {
    SCOPED_TRACE(c.format);
    const char16_t* path = u"C:\\Spool\\Out.bin";
    ASSERT_TRUE(w32test::PutFile(path, "old contents that are longer than the new ones"));
    int told = 0;
    {
      GPersistOutStream holder(RWWString(path), c.format);
      ASSERT_NE(holder.GetStream(), nullptr);
      EXPECT_TRUE(c.isKind(holder.GetStream()));
      PutValues(holder);
      EXPECT_TRUE(holder.GetStream()->Good());
      told = holder.Tell();
    }
    const std::optional<std::string> contents = w32test::FileContents(path);
    ASSERT_TRUE(contents.has_value());
    EXPECT_EQ(static_cast<int>(contents->size()), told);
    if (!c.bytes.empty()) {
      EXPECT_EQ(*contents, c.bytes);
    }
  }
}

TEST_F(GPersistOutStreamTest, TaggedFormatWritesItsHeaderBeforeAnyObject) {
  std::string block(32, '\0');
  GPersistOutStream memory(block.data(), block.size(), 2);
  EXPECT_EQ(memory.Tell(), 9);
  EXPECT_EQ(block.substr(0, 9), kHeader);
  EXPECT_EQ(static_cast<RWEndianOutStream*>(memory.GetStream())->ByteOrder(), 0);

  ASSERT_TRUE(w32test::MakeDirectories(u"C:\\Spool"));
  {
    GPersistOutStream file(RWWString(u"C:\\Spool\\Tagged.bin"), 2);
    EXPECT_EQ(file.Tell(), 9);
  }
  EXPECT_EQ(w32test::FileContents(u"C:\\Spool\\Tagged.bin"), kHeader);
}

TEST_F(GPersistOutStreamTest, OtherFormatsGiveNoStream) {
  std::string block(16, '\0');
  for (int format : {3, -1, 100}) {
    GPersistOutStream holder(block.data(), block.size(), format);
    EXPECT_EQ(holder.GetStream(), nullptr);
    EXPECT_EQ(holder.Tell(), 0);
  }
}

// Writing stops at the capacity: the stream fails and not a byte lands past
// it.
TEST_F(GPersistOutStreamTest, WritesBeyondTheCapacityFailTheStream) {
  std::string block(16, '\x77');
  GPersistOutStream holder(block.data(), 6, 1);
  holder.GetStream()->PutULong(1);
  EXPECT_TRUE(holder.GetStream()->Good());
  holder.GetStream()->PutULong(2);
  EXPECT_TRUE(holder.GetStream()->Fail());
  EXPECT_EQ(block.substr(6), std::string(10, '\x77'));

  std::string small(8, '\0');
  GPersistOutStream tagged(small.data(), small.size(), 2);  // no room for the header
  EXPECT_TRUE(tagged.GetStream()->Fail());
}

TEST_F(GPersistOutStreamTest, SeekMovesTheWritePositionToPatchEarlierBytes) {
  std::string block(16, '\0');
  GPersistOutStream holder(block.data(), block.size(), 1);
  holder.GetStream()->PutULong(0).PutULong(7).PutULong(8);
  ASSERT_EQ(holder.Tell(), 12);
  holder.Seek(0);
  holder.GetStream()->PutULong(0xAABBCCDD);
  EXPECT_EQ(holder.Tell(), 4);
  holder.Seek(12);
  EXPECT_EQ(holder.Tell(), 12);
  EXPECT_EQ(block.substr(0, 12), Str({0xDD, 0xCC, 0xBB, 0xAA, 7, 0, 0, 0, 8, 0, 0, 0}));

  // Outside the buffer: the position stays.
  holder.Seek(17);
  EXPECT_EQ(holder.Tell(), 12);
  holder.Seek(-1);
  EXPECT_EQ(holder.Tell(), 12);
}

TEST_F(GPersistOutStreamTest, FileIsCreatedWithProtection0644) {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ASSERT_TRUE(w32test::MakeDirectories(u"C:\\Spool"));
  {
    GPersistOutStream holder(RWWString(u"C:\\Spool\\Mode.bin"), 1);
    EXPECT_TRUE(holder.GetStream()->Good());
  }
  struct stat info {};
  ASSERT_EQ(::stat(w32test::MapPath(u"C:\\Spool\\Mode.bin").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u & ~mask);
}

TEST_F(GPersistOutStreamTest, NameIsNarrowedUnderTheCodePage) {
  ASSERT_NE(crt::setlocale(".1252"), nullptr);
  ASSERT_TRUE(w32test::MakeDirectories(u"C:\\Data"));
  {
    GPersistOutStream holder(RWWString(u"C:\\Data\\R\u00E9glages.bin"), 1);
    holder.GetStream()->PutUShort(0x4241);
    EXPECT_TRUE(holder.GetStream()->Good());
  }
  EXPECT_EQ(w32test::FileContents(u"C:\\Data\\r\u00E9glages.BIN"), "AB");
}

// The tagged writer must find its target's end before its header; a file
// that could not be created has none: the stream is failed and the error
// handler (whose default ends the process) is not reached.
TEST_F(GPersistOutStreamTest, TaggedFormatOnAFileThatCannotBeCreatedGivesAFailedStream) {
  EXPECT_EQ(qvtest::RaisedText([] {
              GPersistOutStream holder(RWWString(u"C:\\NoSuchDir\\x.bin"), 2);
              ASSERT_NE(holder.GetStream(), nullptr);
              EXPECT_FALSE(holder.GetStream()->Good());
            }),
            "");
}

TEST_F(GPersistOutStreamTest, AFileThatCannotBeCreatedGivesABadStream) {
  ASSERT_TRUE(w32test::MakeDirectories(u"C:\\Spool\\Sub"));
  ASSERT_NE(crt::setlocale(".1252"), nullptr);
  for (const char16_t* path : {u"C:\\NoSuchDir\\x.bin", u"C:\\Spool\\Sub", u"", u"C:\\Spool\\\u65E5.bin"}) {
    for (int format : {0, 1}) {
      GPersistOutStream holder{RWWString(path), format};
      ASSERT_NE(holder.GetStream(), nullptr);
      EXPECT_TRUE(holder.GetStream()->Bad());
      holder.GetStream()->PutULong(1);
      EXPECT_FALSE(holder.GetStream()->Good());
      EXPECT_EQ(holder.Tell(), -1);
    }
  }
}

}  // namespace
