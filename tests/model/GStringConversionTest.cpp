// Tests of the narrow/wide string conversions under the C runtime's code page.
#include "model/GStringConversion.h"

#include <gtest/gtest.h>

#include <string>

#include "win32/CRuntime.h"
#include "w32test/Testing.h"

namespace {

class GStringConversionTest : public ::testing::Test {
 protected:
  void SetUp() override { w32test::Reset(); }
  void TearDown() override { w32test::Reset(); }
};

std::u16string Wide(const RWWString& s) { return std::u16string(s.Data(), s.Length()); }
std::string Narrow(const RWCString& s) { return std::string(s.Data(), s.Length()); }

TEST_F(GStringConversionTest, ToWideStringConvertsUnderTheCurrentCodePage) {
  RWWString out(u"stale");
  EXPECT_EQ(ToWideString(RWCString(""), out), 1);
  EXPECT_EQ(Wide(out), u"");

  ASSERT_NE(crt::setlocale(".1252"), nullptr);
  EXPECT_EQ(ToWideString(RWCString("caf\xE9 \x80"), out), 1);
  EXPECT_EQ(Wide(out), u"caf\u00E9 \u20AC");

  // Shift-JIS: two double-byte characters.
  ASSERT_NE(crt::setlocale(".932"), nullptr);
  EXPECT_EQ(ToWideString(RWCString("\x93\xFA\x96\x7B"), out), 1);
  EXPECT_EQ(Wide(out), u"\u65E5\u672C");
}

TEST_F(GStringConversionTest, ToWideStringOfAnUnconvertibleTextIsEmpty) {
  ASSERT_NE(crt::setlocale(".932"), nullptr);
  RWWString out(u"stale");
  // A lead byte without its trail byte.
  EXPECT_EQ(ToWideString(RWCString("ab\x93"), out), 1);
  EXPECT_TRUE(out.IsEmpty());
}

TEST_F(GStringConversionTest, ToNarrowStringKeepsAsciiCharactersAsTheyAre) {
  // An ASCII text is taken byte for byte under any code page, 0s included;
  // the runtime's conversion would stop at the first 0.
  ASSERT_NE(crt::setlocale(".932"), nullptr);
  const WCHAR chars[] = {u'a', 0, u'b', 0x7F};
  RWCString out("stale");
  EXPECT_EQ(ToNarrowString(RWWString(chars, 4), out), 1);
  EXPECT_EQ(Narrow(out), std::string("a\0b\x7F", 4));

  EXPECT_EQ(ToNarrowString(RWWString(), out), 1);
  EXPECT_TRUE(out.IsEmpty());
}

TEST_F(GStringConversionTest, ToNarrowStringConvertsOtherTextUnderTheCurrentCodePage) {
  RWCString out;
  ASSERT_NE(crt::setlocale(".1252"), nullptr);
  EXPECT_EQ(ToNarrowString(RWWString(u"caf\u00E9 \u20AC"), out), 1);
  EXPECT_EQ(Narrow(out), "caf\xE9 \x80");

  // Not the low bytes: each character may take the code page's longest form.
  ASSERT_NE(crt::setlocale(".932"), nullptr);
  EXPECT_EQ(ToNarrowString(RWWString(u"x\u65E5\u672Cy"), out), 1);
  EXPECT_EQ(Narrow(out), "x\x93\xFA\x96\x7By");

  ASSERT_NE(crt::setlocale(".65001"), nullptr);
  EXPECT_EQ(ToNarrowString(RWWString(u"\u00E9\u65E5\U0001F600"), out), 1);
  EXPECT_EQ(Narrow(out), "\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80");
}

TEST_F(GStringConversionTest, ToNarrowStringOfAnUnrepresentableTextIsEmpty) {
  ASSERT_NE(crt::setlocale(".1252"), nullptr);
  RWCString out("stale");
  EXPECT_EQ(ToNarrowString(RWWString(u"ab\u65E5"), out), 1);
  EXPECT_TRUE(out.IsEmpty());
}

TEST_F(GStringConversionTest, RoundTripUnderACodePage) {
  ASSERT_NE(crt::setlocale(".1252"), nullptr);
  std::string all;
  for (int c = 1; c < 256; ++c) {
    // Bytes that 1252 leaves undefined have no wide form.
    if (c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D) continue;
    all.push_back(static_cast<char>(c));
  }
  RWWString wide;
  RWCString back;
  ToWideString(RWCString(all.data(), all.size()), wide);
  EXPECT_EQ(wide.Length(), all.size());
  ToNarrowString(wide, back);
  EXPECT_EQ(Narrow(back), all);
}

}  // namespace
