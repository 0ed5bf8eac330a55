// RWWString's text on the classic streams: characters as two bytes, low byte
// first, with the streams' width, fill byte, left-adjust flag and state.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "rw/RWMemoryStreamBuf.h"
#include "rw/RWWString.h"

namespace {

// The bytes of a wide text as it travels.
std::string Wire(std::u16string_view text) {
  std::string bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

std::u16string Text(const RWWString& s) { return std::u16string(s.Data(), s.Length()); }

TEST(RWWStringStreamTest, ReadToDelimiterConsumesTheDelimiterAndKeepsItOut) {
  std::istringstream in(Wire(u"ab,\u20ACd,"));
  RWWString s(u"old");
  s.ReadToDelimiter(in, u',', false);
  EXPECT_EQ(Text(s), u"ab");
  EXPECT_TRUE(in.good());
  s.ReadToDelimiter(in, u',', false);
  EXPECT_EQ(Text(s), u"\u20ACd");
  EXPECT_TRUE(in.good());
  // Nothing left: the read fails at once and leaves an empty string.
  s.ReadToDelimiter(in, u',', false);
  EXPECT_EQ(Text(s), u"");
  EXPECT_TRUE(in.fail());
}

TEST(RWWStringStreamTest, ReadersStopAtTheEndKeepingWhatWasRead) {
  struct Case {
    const char* name;
    std::string bytes;
    int reader;  // 0 line, 1 line skipping white space, 2 string, 3 all
    std::u16string expected;
    bool failed;
  } cases[] = {
      {"line", Wire(u"  one\ntwo"), 0, u"  one", false},
      {"line skipping blank lines", Wire(u" \n\t one\ntwo"), 1, u"one", false},
      {"line without its end", Wire(u"one"), 0, u"one", true},
      {"string to its 0", Wire(std::u16string(u"a b\0c", 5)), 2, u"a b", false},
      {"all", Wire(std::u16string(u"x\ny\0z", 5)), 3, std::u16string(u"x\ny\0z", 5), true},
      {"all with an odd last byte", Wire(u"xy") + "q", 3, u"xy", true},
      {"line with an odd last byte", Wire(u"xy") + "q", 0, u"xy", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::istringstream in(c.bytes);
    RWWString s(u"previous text");
    switch (c.reader) {
      case 0: s.ReadLine(in, false); break;
      case 1: s.ReadLine(in, true); break;
      case 2: s.ReadString(in); break;
      default: s.ReadAll(in); break;
    }
    EXPECT_EQ(Text(s), c.expected);
    EXPECT_EQ(in.fail(), c.failed);
    EXPECT_FALSE(in.bad());
    EXPECT_EQ(s.Data()[s.Length()], 0);
  }
}

TEST(RWWStringStreamTest, ReadTokenHonoursAndResetsTheWidth) {
  std::istringstream in(Wire(u"  abcdefg\thij"));
  RWWString s;
  in.width(5);
  s.ReadToken(in);
  EXPECT_EQ(Text(s), u"abcde");
  EXPECT_EQ(in.width(), 0);
  EXPECT_TRUE(in.good());
  s.ReadToken(in);  // the tab ending it is consumed
  EXPECT_EQ(Text(s), u"fg");
  EXPECT_TRUE(in.good());
  s.ReadToken(in);
  EXPECT_EQ(Text(s), u"hij");
  EXPECT_TRUE(in.fail());
}

TEST(RWWStringStreamTest, LongReadsGrowAndGiveBackWaste) {
  std::u16string text;
  for (int i = 0; i < 1000; ++i) text.push_back(static_cast<char16_t>(u'A' + i % 26));
  {
    std::istringstream in(Wire(text));
    RWWString s;
    s.ReadAll(in);
    EXPECT_EQ(Text(s), text);
    EXPECT_LE(s.Capacity() - s.Length(), 15u);
  }
  {
    std::istringstream in(Wire(text + u" tail"));
    RWWString s;
    s.ReadToken(in);
    EXPECT_EQ(Text(s), text);
    EXPECT_LE(s.Capacity() - s.Length(), 15u);
  }
  {
    // A short text in a large private block comes back to a rounded size.
    std::istringstream in(Wire(u"ab\n"));
    RWWString s(static_cast<size_t>(500));
    s.ReadLine(in, false);
    EXPECT_EQ(Text(s), u"ab");
    EXPECT_EQ(s.Capacity(), 15u);
  }
}

TEST(RWWStringStreamTest, AFailedStreamIsNotRead) {
  std::istringstream in(Wire(u"abc"));
  in.setstate(std::ios_base::failbit);
  RWWString s(u"old");
  s.ReadAll(in);
  EXPECT_EQ(Text(s), u"");
  in.clear();
  s.ReadAll(in);  // nothing was consumed before
  EXPECT_EQ(Text(s), u"abc");
}

TEST(RWWStringStreamTest, WriteToPadsToTheWidthOnTheRequestedSide) {
  struct Case {
    const char* name;
    std::streamsize width;
    bool left;
    char fill;
    std::string expected;
  } cases[] = {
      {"right", 5, false, '*', Wire(u"**ab\u20AC")},
      {"left", 5, true, '*', Wire(u"ab\u20AC**")},
      {"narrower than the text", 2, false, '*', Wire(u"ab\u20AC")},
      {"no width", 0, true, '*', Wire(u"ab\u20AC")},
      {"fill byte sign-extended", 4, false, '\xA0', Wire(u"\uFFA0ab\u20AC")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::ostringstream out;
    out.width(c.width);
    out.fill(c.fill);
    if (c.left) out.setf(std::ios_base::left, std::ios_base::adjustfield);
    RWWString(u"ab\u20AC").WriteTo(out);
    EXPECT_EQ(out.str(), c.expected);
    EXPECT_EQ(out.width(), 0);
    EXPECT_TRUE(out.good());
  }
}

TEST(RWWStringStreamTest, WriteToReportsAShortWriteAndSkipsAFailedStream) {
  char room[5];
  RWMemoryStreamBuf buffer(RWMemoryStreamBuf::ForWriting{}, room, sizeof room);
  std::ostream out(&buffer);
  RWWString(u"abc").WriteTo(out);
  EXPECT_TRUE(out.fail());
  EXPECT_EQ(std::string(room, 4), Wire(u"ab"));

  std::ostringstream failed;
  failed.setstate(std::ios_base::failbit);
  failed.width(4);
  RWWString(u"abc").WriteTo(failed);
  EXPECT_EQ(failed.str(), "");
}

TEST(RWWStringStreamTest, WrittenTextReadsBack) {
  std::stringstream io;
  const RWWString line(u"\u00E9t\u00E9 \U0001F600");
  line.WriteTo(io);
  RWWString(u"\n").WriteTo(io);
  RWWString back;
  back.ReadLine(io, false);
  EXPECT_TRUE(back == line);
}

}  // namespace
