// The stored forms of RWCString and RWWString on the typed binary file and on
// the three kinds of virtual stream, and their restores from damaged input.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <sstream>
#include <string>

#include "rw/RWBinaryFile.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWCString.h"
#include "rw/RWEndianStream.h"
#include "rw/RWMemoryStreamBuf.h"
#include "rw/RWPortableStream.h"
#include "rw/RWWString.h"
#include "support/ErrorCapture.h"
#include "win32/File.h"
#include "w32test/Testing.h"

namespace {

std::string StringPersistenceBytes(std::initializer_list<unsigned> values) {
  std::string s;
  for (unsigned v : values) s.push_back(static_cast<char>(v));
  return s;
}

RWCString Narrow(const std::string& s) { return RWCString(s.data(), s.size()); }
std::string Std(const RWCString& s) { return std::string(s.Data(), s.Length()); }

// A narrow text of n bytes with every byte value, NULs included.
std::string AllBytes(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 7 + 3);
  return s;
}

RWWString WideOf(size_t n) {
  RWWString s;
  for (size_t i = 0; i < n; ++i) s.AppendRepeated(static_cast<WCHAR>(i * 40503u + 1), 1);
  return s;
}

// ---- On the typed binary file ----

class StringFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    ASSERT_TRUE(w32test::MakeDirectories(u"C:\\Spool"));
  }
  void TearDown() override { w32test::Reset(); }

  static constexpr const char* kPath = "C:\\Spool\\Strings.dat";
  static std::string Contents() { return w32test::FileContents(u"C:\\Spool\\Strings.dat").value_or("<missing>"); }
  static void Store(const std::string& bytes) { ASSERT_TRUE(w32test::PutFile(u"C:\\Spool\\Strings.dat", bytes)); }
};

TEST_F(StringFileTest, StoredFormsAreTheLengthThenTheCharacters) {
  {
    RWBinaryFile file(kPath, "wb+");
    EXPECT_TRUE(RWCString("abc").SaveToFile(file));
  }
  EXPECT_EQ(Contents(), StringPersistenceBytes({0x03, 0, 0, 0, 0x61, 0x62, 0x63}));
  {
    RWBinaryFile file(kPath, "wb+");
    EXPECT_TRUE(RWCString().SaveToFile(file));
  }
  EXPECT_EQ(Contents(), StringPersistenceBytes({0, 0, 0, 0}));
  {
    RWBinaryFile file(kPath, "wb+");
    EXPECT_TRUE(RWWString(u"A\u20AC").SaveToFile(file));
    EXPECT_TRUE(RWWString().SaveToFile(file));
  }
  EXPECT_EQ(Contents(), StringPersistenceBytes({0x02, 0, 0, 0, 0x41, 0x00, 0xAC, 0x20, 0, 0, 0, 0}));
}

TEST_F(StringFileTest, StringsRoundTripInSequence) {
  const RWCString narrow[] = {RWCString(), RWCString("abc"), Narrow(AllBytes(10000))};
  const RWWString wide[] = {RWWString(), RWWString(u"\u00E9t\u00E9"), WideOf(5000)};
  {
    RWBinaryFile file(kPath, "wb+");
    for (int k = 0; k < 3; ++k) {
      EXPECT_TRUE(narrow[k].SaveToFile(file));
      EXPECT_TRUE(wide[k].SaveToFile(file));
    }
  }
  RWBinaryFile file(kPath);
  for (int k = 0; k < 3; ++k) {
    RWCString n("old");
    RWWString w(u"old");
    EXPECT_TRUE(n.RestoreFromFile(file));
    EXPECT_TRUE(w.RestoreFromFile(file));
    EXPECT_EQ(Std(n), Std(narrow[k]));
    EXPECT_TRUE(w == wide[k]) << k;
    EXPECT_EQ(n.Data()[n.Length()], '\0');
    EXPECT_EQ(w.Data()[w.Length()], 0);
  }
  EXPECT_FALSE(file.HasError());
}

TEST_F(StringFileTest, ADamagedFileLeavesTheStringAsItWas) {
  struct Case {
    const char* name;
    std::string bytes;
    bool narrowToo = true;  // also damaged for a narrow string
  } cases[] = {
      {"no length at all", ""},
      {"length cut short", StringPersistenceBytes({0x03, 0x00})},
      {"body cut short", StringPersistenceBytes({0x0A, 0, 0, 0, 'a', 'b', 'c'})},
      {"huge length", StringPersistenceBytes({0xF0, 0xFF, 0xFF, 0xFF, 'a', 'b'})},
      {"odd byte of a wide character", StringPersistenceBytes({0x02, 0, 0, 0, 'a', 0, 'b'}), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Store(c.bytes);
    if (c.narrowToo) {
      RWBinaryFile file(kPath);
      RWCString s("kept");
      EXPECT_FALSE(s.RestoreFromFile(file));
      EXPECT_EQ(Std(s), "kept");
      EXPECT_TRUE(file.IsAtEnd());
      EXPECT_FALSE(file.HasError());
    }
    RWBinaryFile file(kPath);
    RWWString w(u"kept");
    EXPECT_FALSE(w.RestoreFromFile(file));
    EXPECT_TRUE(w == u"kept");
    EXPECT_TRUE(file.IsAtEnd());
  }
}

TEST_F(StringFileTest, ASaveOnAFileThatCannotBeWrittenFails) {
  Store("x");
  RWBinaryFile file(kPath, "rb");
  EXPECT_FALSE(RWCString("abc").SaveToFile(file));
  EXPECT_FALSE(RWWString(u"abc").SaveToFile(file));
}

// ---- On the virtual streams ----

enum class Kind { Portable, Binary, Endian };

std::unique_ptr<RWVirtualOutStream> MakeOut(Kind kind, std::stringbuf& buffer) {
  switch (kind) {
    case Kind::Portable: return std::make_unique<RWPortableOutStream>(&buffer);
    case Kind::Binary: return std::make_unique<RWBinaryOutStream>(&buffer);
    case Kind::Endian: return std::make_unique<RWEndianOutStream>(&buffer, RWEndianOutStream::BigEndian);
  }
  return nullptr;
}

std::unique_ptr<RWVirtualInStream> MakeIn(Kind kind, std::streambuf* buffer) {
  switch (kind) {
    case Kind::Portable: return std::make_unique<RWPortableInStream>(buffer);
    case Kind::Binary: return std::make_unique<RWBinaryInStream>(buffer);
    case Kind::Endian: return std::make_unique<RWEndianInStream>(buffer);
  }
  return nullptr;
}

const char* KindName(Kind kind) {
  return kind == Kind::Portable ? "portable" : kind == Kind::Binary ? "binary" : "tagged big-endian";
}

TEST(StringStreamTest, NativeBinaryFormsCarryTheNarrowLengthTwice) {
  std::stringbuf buffer;
  {
    RWBinaryOutStream out(&buffer);
    RWCString("abc").SaveTo(out);
    RWWString(u"A\u20AC").SaveTo(out);
    RWCString().SaveTo(out);
    EXPECT_TRUE(out.Good());
  }
  EXPECT_EQ(buffer.str(), StringPersistenceBytes({0x03, 0, 0, 0, 0x03, 0, 0, 0, 0x61, 0x62, 0x63,  //
                                 0x02, 0, 0, 0, 0x41, 0x00, 0xAC, 0x20,           //
                                 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(StringStreamTest, PortableFormIsTheLengthAndTheQuotedText) {
  std::stringbuf buffer;
  {
    RWPortableOutStream out(&buffer);
    RWCString("ab").SaveTo(out);
    RWWString(u"\u0101").SaveTo(out);
  }
  EXPECT_EQ(buffer.str().substr(0, 2), "2\n");
  EXPECT_NE(buffer.str().find("\"ab\""), std::string::npos);
  EXPECT_NE(buffer.str().find("1\n257\n"), std::string::npos);
}

class StringStreamKindTest : public ::testing::TestWithParam<Kind> {};

TEST_P(StringStreamKindTest, StringsRoundTripInSequence) {
  const RWCString narrow[] = {RWCString(), RWCString("a \"quoted\"\n\\ text"), Narrow(AllBytes(9000))};
  const RWWString wide[] = {RWWString(), RWWString(u"\u00E9t\u00E9 \uFFFF"), WideOf(5000)};
  std::stringbuf buffer;
  {
    auto out = MakeOut(GetParam(), buffer);
    for (int k = 0; k < 3; ++k) {
      narrow[k].SaveTo(*out);
      wide[k].SaveTo(*out);
    }
    EXPECT_TRUE(out->Good());
  }
  auto in = MakeIn(GetParam(), &buffer);
  for (int k = 0; k < 3; ++k) {
    RWCString n("old");
    RWWString w(u"old");
    n.RestoreFrom(*in);
    w.RestoreFrom(*in);
    EXPECT_EQ(Std(n), Std(narrow[k])) << k;
    EXPECT_TRUE(w == wide[k]) << k;
    EXPECT_EQ(n.Data()[n.Length()], '\0');
    EXPECT_EQ(w.Data()[w.Length()], 0);
  }
  EXPECT_FALSE(in->Fail());
}

TEST_P(StringStreamKindTest, ATruncatedStreamLeavesTheStringsAsTheyWere) {
  std::stringbuf buffer;
  size_t narrowEnd = 0;
  {
    auto out = MakeOut(GetParam(), buffer);
    RWCString("abcdefgh").SaveTo(*out);
    narrowEnd = buffer.str().size();
    RWWString(u"abcdefgh").SaveTo(*out);
  }
  const std::string whole = buffer.str();
  // Every cut of the stream, at every length up to the whole.
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    SCOPED_TRACE(cut);
    qvtest::ScopedErrorCapture errors;  // a cut header raises STREAM
    RWMemoryStreamBuf bytes(RWMemoryStreamBuf::ForReading{}, whole.data(), cut);
    auto in = MakeIn(GetParam(), &bytes);
    RWCString n("kept");
    RWWString w(u"kept");
    n.RestoreFrom(*in);
    w.RestoreFrom(*in);
    EXPECT_EQ(Std(n), cut >= narrowEnd ? "abcdefgh" : "kept");
    EXPECT_TRUE(w == u"kept");
    EXPECT_TRUE(in->Fail());
  }
}

TEST_P(StringStreamKindTest, AHugeStoredLengthFailsWithoutReadingOrAllocatingIt) {
  std::stringbuf buffer;
  {
    auto out = MakeOut(GetParam(), buffer);
    out->PutUInt(0xFFFFFFF0u);
    out->PutUInt(0xFFFFFFF0u);
    out->PutChars("abc", 3);
  }
  const std::string stored = buffer.str();
  for (int wide = 0; wide < 2; ++wide) {
    RWMemoryStreamBuf bytes(RWMemoryStreamBuf::ForReading{}, stored.data(), stored.size());
    auto in = MakeIn(GetParam(), &bytes);
    RWCString n("kept");
    RWWString w(u"kept");
    if (wide)
      w.RestoreFrom(*in);
    else
      n.RestoreFrom(*in);
    EXPECT_TRUE(in->Fail());
    EXPECT_EQ(Std(n), "kept");
    EXPECT_TRUE(w == u"kept");
  }
}

INSTANTIATE_TEST_SUITE_P(AllKinds, StringStreamKindTest,
                         ::testing::Values(Kind::Portable, Kind::Binary, Kind::Endian),
                         [](const auto& info) {
                           std::string name = KindName(info.param);
                           return name.substr(0, name.find(' '));
                         });

TEST(StringStreamTest, AStreamStringWhoseLengthDisagreesIsRefused) {
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      // The stored length promises 5 characters, the string holds 3: the
      // last two were never read.
      {"shorter", StringPersistenceBytes({5, 0, 0, 0, 3, 0, 0, 0, 'a', 'b', 'c', 'x', 'y'})},
      {"longer", StringPersistenceBytes({2, 0, 0, 0, 3, 0, 0, 0, 'a', 'b', 'c'})},
      {"empty but holding one", StringPersistenceBytes({0, 0, 0, 0, 1, 0, 0, 0, 'a'})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RWMemoryStreamBuf bytes(RWMemoryStreamBuf::ForReading{}, c.bytes.data(), c.bytes.size());
    RWBinaryInStream in(&bytes);
    RWCString s("kept");
    s.RestoreFrom(in);
    EXPECT_TRUE(in.Fail());
    EXPECT_EQ(Std(s), "kept");
  }
}

TEST(StringStreamTest, AStreamStringAboveTheLimitIsRefusedBeforeItsBody) {
  std::string bytes = StringPersistenceBytes({0, 0, 0, 0, 'r', 'e', 's', 't'});
  const uint32_t n = static_cast<uint32_t>(RWCString::kMaxStreamStringLength + 1);
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(n >> (8 * i));
  RWMemoryStreamBuf buffer(RWMemoryStreamBuf::ForReading{}, bytes.data(), bytes.size());
  RWBinaryInStream in(&buffer);
  RWCString s("kept");
  s.RestoreFrom(in);
  EXPECT_TRUE(in.Fail());
  EXPECT_EQ(Std(s), "kept");
  EXPECT_EQ(buffer.Position(), 4u);
}

TEST(StringStreamTest, AStreamAlreadyFailedRestoresNothing) {
  std::stringbuf buffer;
  {
    RWBinaryOutStream out(&buffer);
    RWCString("abc").SaveTo(out);
    RWWString(u"abc").SaveTo(out);
  }
  RWBinaryInStream in(&buffer);
  in.Clear(RW_STREAM_FAIL);
  RWCString n("kept");
  RWWString w(u"kept");
  n.RestoreFrom(in);
  w.RestoreFrom(in);
  EXPECT_EQ(Std(n), "kept");
  EXPECT_TRUE(w == u"kept");
}

}  // namespace
