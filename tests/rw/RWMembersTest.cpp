// The stored-members archives: one Members template gives the file form's
// size, both writes and both reads. A small class with every kind of member
// checks that the size is the bytes written, that both forms read back what
// was written, that a cut input keeps what was read and leaves the rest,
// and that an unknown version reads nothing of the class's own members.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "rw/RWBinaryFile.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWMembers.h"
#include "rw/RWPortableStream.h"
#include "win32/File.h"
#include "w32test/Testing.h"

namespace {

class Sample : public RWCollectable {
 public:
  RW_STORED_MEMBERS();

  int16_t small = 0;
  int32_t code = 0;  // stored as 16 bits
  RWCString name;
  RWWString wide;
  uint32_t table[3] = {};
  double ratio = 0;
  uint32_t version = 2;
};

template <typename Archive>
void Sample::Members(Archive& archive) {
  archive.Version(version);
  archive(small, rwm::As<uint16_t>(code), name, wide);
  archive.Array(table, 3);
  archive(ratio);
}

RW_STORED_MEMBERS_DEFINE(Sample, RWCollectable)

Sample Filled() {
  Sample s;
  s.small = -7;
  s.code = 0xBEEF;
  s.name = RWCString("Letter");
  s.wide = RWWString(u"A4");
  s.table[0] = 1;
  s.table[1] = 0xFFFFFFFFu;
  s.table[2] = 3;
  s.ratio = 0.25;
  return s;
}

void ExpectSame(const Sample& a, const Sample& b) {
  EXPECT_EQ(a.small, b.small);
  EXPECT_EQ(a.code, b.code);
  EXPECT_EQ(a.name, b.name);
  EXPECT_TRUE(a.wide == b.wide);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(a.table[i], b.table[i]);
  EXPECT_EQ(a.ratio, b.ratio);
}

class RWMembersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    ASSERT_TRUE(w32test::MakeDirectories(u"C:\\Spool"));
  }
  void TearDown() override { w32test::Reset(); }

  static constexpr const char* kPath = "C:\\Spool\\Members.dat";

  static std::string FileForm(const Sample& s) {
    {
      RWBinaryFile file(kPath, "wb+");
      s.SaveMembersToFile(file);
    }
    return w32test::FileContents(u"C:\\Spool\\Members.dat").value_or("<missing>");
  }
  static void ReadFile(const std::string& bytes, Sample& into) {
    w32test::PutFile(u"C:\\Spool\\Members.dat", bytes);
    RWBinaryFile file(kPath, "rb");
    into.RestoreMembersFromFile(file);
  }
};

TEST_F(RWMembersTest, TheSizeIsWhatTheFileFormWrites) {
  const Sample s = Filled();
  const std::string bytes = FileForm(s);
  // Version 4, short 2, the code 2, name 4 + 6, wide 4 + 4, table 12, ratio 8.
  EXPECT_EQ(bytes.size(), 46u);
  EXPECT_EQ(s.MembersStoreSize(), bytes.size());
  // The code is stored as its 16 bits, little-endian, after the short.
  EXPECT_EQ(static_cast<unsigned char>(bytes[6]), 0xEF);
  EXPECT_EQ(static_cast<unsigned char>(bytes[7]), 0xBE);
}

TEST_F(RWMembersTest, EveryFormReadsBackWhatItWrote) {
  const Sample s = Filled();
  Sample fromFile;
  ReadFile(FileForm(s), fromFile);
  ExpectSame(fromFile, s);

  std::ostringstream text;
  {
    RWPortableOutStream out(text);
    s.SaveMembers(out);
  }
  std::istringstream textIn(text.str());
  RWPortableInStream in(textIn);
  Sample fromText;
  fromText.RestoreMembers(in);
  ExpectSame(fromText, s);

  std::ostringstream binary(std::ios::out | std::ios::binary);
  {
    RWBinaryOutStream out(binary);
    s.SaveMembers(out);
  }
  std::istringstream binaryIn(binary.str(), std::ios::in | std::ios::binary);
  RWBinaryInStream bin(binaryIn);
  Sample fromBinary;
  fromBinary.RestoreMembers(bin);
  ExpectSame(fromBinary, s);
}

// Cut inside the version, after the short, after the code, inside the name
// and after it: what came before the cut is read, everything after keeps
// its old value. A stream string carries its count twice (the string's and
// the stream's), so the name ends 4 bytes later in the stream form.
TEST_F(RWMembersTest, ACutInputKeepsWhatWasReadAndLeavesTheRest) {
  const Sample s = Filled();
  const std::string bytes = FileForm(s);
  struct Cut {
    size_t fileLength, streamLength;
    bool small, code, name;
  };
  const Cut cuts[] = {{3, 3, false, false, false},
                      {6, 6, true, false, false},
                      {8, 8, true, true, false},
                      {13, 13, true, true, false},
                      {18, 22, true, true, true}};
  for (const Cut& cut : cuts) {
    SCOPED_TRACE(cut.fileLength);
    for (int form = 0; form < 2; ++form) {
      Sample read;
      read.name = RWCString("old");
      read.table[2] = 99;
      if (form == 0) {
        ReadFile(bytes.substr(0, cut.fileLength), read);
      } else {
        std::ostringstream binary(std::ios::out | std::ios::binary);
        {
          RWBinaryOutStream out(binary);
          s.SaveMembers(out);
        }
        std::istringstream in(binary.str().substr(0, cut.streamLength), std::ios::in | std::ios::binary);
        RWBinaryInStream stream(in);
        read.RestoreMembers(stream);
      }
      EXPECT_EQ(read.small, cut.small ? s.small : 0);
      EXPECT_EQ(read.code, cut.code ? s.code : 0);
      EXPECT_EQ(read.name, cut.name ? s.name : RWCString("old"));
      EXPECT_EQ(read.table[2], 99u);
      EXPECT_EQ(read.ratio, 0);
    }
  }
}

TEST_F(RWMembersTest, AnUnknownVersionReadsNoneOfTheMembers) {
  Sample newer = Filled();
  newer.version = 3;
  Sample read;  // expects version 2
  ReadFile(FileForm(newer), read);
  ExpectSame(read, Sample());
}

// A holder of a sample by value, written in place (no class tag), and a
// count that a read refuses when it is negative.
class Holder : public RWCollectable {
 public:
  RW_STORED_MEMBERS();

  Sample inner;
  int32_t count = 0;
  int32_t after = 0;
};

template <typename Archive>
void Holder::Members(Archive& archive) {
  archive.Version(1);
  archive.Body(inner);
  archive(count);
  if constexpr (Archive::kReading) {
    if (archive.Ok() && count < 0) archive.Fail();
  }
  archive(after);
}

RW_STORED_MEMBERS_DEFINE(Holder, RWCollectable)

std::string BinaryForm(const RWCollectable& object) {
  std::ostringstream binary(std::ios::out | std::ios::binary);
  {
    RWBinaryOutStream out(binary);
    object.SaveMembers(out);
  }
  return binary.str();
}

TEST_F(RWMembersTest, AMemberHeldByValueIsStoredInPlaceInEveryForm) {
  Holder h;
  h.inner = Filled();
  h.count = 5;
  h.after = 6;
  {
    RWBinaryFile file(kPath, "wb+");
    h.SaveMembersToFile(file);
  }
  const std::string bytes = w32test::FileContents(u"C:\\Spool\\Members.dat").value_or("");
  // The version, then exactly the inner sample's own file form, then the
  // two values.
  EXPECT_EQ(bytes.size(), 4u + 46u + 8u);
  EXPECT_EQ(h.MembersStoreSize(), bytes.size());
  EXPECT_EQ(bytes.substr(4, 46), FileForm(h.inner));

  Holder fromFile;
  w32test::PutFile(u"C:\\Spool\\Members.dat", bytes);
  {
    RWBinaryFile file(kPath, "rb");
    fromFile.RestoreMembersFromFile(file);
  }
  ExpectSame(fromFile.inner, h.inner);
  EXPECT_EQ(fromFile.count, 5);
  EXPECT_EQ(fromFile.after, 6);

  std::istringstream in(BinaryForm(h), std::ios::in | std::ios::binary);
  RWBinaryInStream stream(in);
  Holder fromStream;
  fromStream.RestoreMembers(stream);
  EXPECT_TRUE(stream.Good());
  ExpectSame(fromStream.inner, h.inner);
  EXPECT_EQ(fromStream.count, 5);
  EXPECT_EQ(fromStream.after, 6);
}

// A value the class refuses fails the stream (its reader sees the damage)
// and stops the members that follow, in both forms.
TEST_F(RWMembersTest, ARefusedValueFailsTheStreamAndStopsTheMembers) {
  Holder h;
  h.count = -1;
  h.after = 6;
  std::istringstream in(BinaryForm(h), std::ios::in | std::ios::binary);
  RWBinaryInStream stream(in);
  Holder fromStream;
  fromStream.RestoreMembers(stream);
  EXPECT_FALSE(stream.Good());
  EXPECT_EQ(fromStream.after, 0);

  {
    RWBinaryFile file(kPath, "wb+");
    h.SaveMembersToFile(file);
  }
  RWBinaryFile file(kPath, "rb");
  Holder fromFile;
  fromFile.RestoreMembersFromFile(file);
  EXPECT_EQ(fromFile.after, 0);
}

}  // namespace

namespace {

// Bytes stored one text character each, read back piece by piece.
class TextRun : public RWCollectable {
 public:
  RW_STORED_MEMBERS();
  std::string bytes;
  bool zeros = false;  // written without bytes: as many zeros
  bool whole = false;  // the last read got every byte
};

template <typename Archive>
void TextRun::Members(Archive& archive) {
  uint32_t count = static_cast<uint32_t>(bytes.size());
  archive(count);
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    std::string read(count, '?');
    whole = archive.TextPiece(reinterpret_cast<unsigned char*>(read.data()), count);
    if (whole) bytes = read;
  } else {
    archive.TextBytes(zeros ? nullptr : reinterpret_cast<const unsigned char*>(bytes.data()), count);
  }
}

RW_STORED_MEMBERS_DEFINE(TextRun, RWCollectable)

}  // namespace

TEST_F(RWMembersTest, TextBytesReadBackInEveryFormAndZerosStandForMissingBytes) {
  TextRun run;
  run.bytes = std::string("a \\\n\0\xFF{}:@z", 11);
  {
    RWBinaryFile file(kPath, "wb+");
    run.SaveMembersToFile(file);
  }
  const std::string fileForm = w32test::FileContents(u"C:\\Spool\\Members.dat").value_or("");
  EXPECT_EQ(fileForm.size(), 4u + 11u);
  EXPECT_EQ(run.MembersStoreSize(), fileForm.size());
  EXPECT_EQ(fileForm.substr(4), run.bytes) << "the file form holds the bytes as they are";
  {
    TextRun back;
    w32test::PutFile(u"C:\\Spool\\Members.dat", fileForm);
    RWBinaryFile file(kPath, "rb");
    back.RestoreMembersFromFile(file);
    EXPECT_TRUE(back.whole);
    EXPECT_EQ(back.bytes, run.bytes);
  }
  for (bool portable : {true, false}) {
    SCOPED_TRACE(portable ? "text stream" : "binary stream");
    std::ostringstream out(std::ios::out | std::ios::binary);
    if (portable) {
      RWPortableOutStream stream(out);
      run.SaveMembers(stream);
    } else {
      RWBinaryOutStream stream(out);
      run.SaveMembers(stream);
    }
    std::istringstream in(out.str(), std::ios::in | std::ios::binary);
    TextRun back;
    if (portable) {
      RWPortableInStream stream(in);
      back.RestoreMembers(stream);
    } else {
      RWBinaryInStream stream(in);
      back.RestoreMembers(stream);
    }
    EXPECT_TRUE(back.whole);
    EXPECT_EQ(back.bytes, run.bytes);
  }

  // Without bytes the run is written as that many zeros; a run cut short
  // is not read whole.
  TextRun zeros;
  zeros.bytes = "abc";
  zeros.zeros = true;
  {
    RWBinaryFile file(kPath, "wb+");
    zeros.SaveMembersToFile(file);
  }
  const std::string zeroForm = w32test::FileContents(u"C:\\Spool\\Members.dat").value_or("");
  EXPECT_EQ(zeroForm.substr(4), std::string(3, '\0'));
  TextRun cut;
  w32test::PutFile(u"C:\\Spool\\Members.dat", fileForm.substr(0, fileForm.size() - 3));
  RWBinaryFile file(kPath, "rb");
  cut.RestoreMembersFromFile(file);
  EXPECT_FALSE(cut.whole);
  EXPECT_TRUE(cut.bytes.empty());
}
