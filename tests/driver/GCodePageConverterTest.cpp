// The driver core's own code-page converter, judged by Python's codecs: every
// byte of each single-byte code page to Unicode, and a sample of characters
// of each double-byte code page both ways.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/GCodePageConverter.h"
#include "support/PythonJudge.h"

namespace {

struct ConverterPage {
  int encoding;
  const char* codec;
};

const ConverterPage kSingleBytePages[] = {{4, "cp1252"}, {5, "cp1250"}, {6, "cp1254"}, {7, "cp1251"},
                                          {8, "cp1253"}, {9, "cp1255"}, {10, "cp1256"}, {11, "cp874"},
                                          {12, "cp1257"}, {14, "cp1258"}, {15, "cp850"}, {30, "cp1252"}};

TEST(GBuiltInCodePageConverterTest, SingleBytePagesAgreeWithPython) {
  std::string script;
  for (const ConverterPage& page : kSingleBytePages)
    script += "for b in range(0x20, 0x100):\n"
              "    try: print(ord(bytes([b]).decode('" + std::string(page.codec) + "')))\n"
              "    except Exception: print(0)\n";
  std::string output;
  if (!qvtest::RunPython(script, &output)) GTEST_SKIP() << "python3 is not available";
  const std::vector<std::string> lines = qvtest::Lines(output);
  ASSERT_EQ(lines.size(), std::size(kSingleBytePages) * 0xE0);
  GBuiltInCodePageConverter converter;
  size_t line = 0;
  for (const ConverterPage& page : kSingleBytePages) {
    SCOPED_TRACE(page.codec);
    for (uint32_t b = 0x20; b < 0x100; ++b, ++line) {
      const uint32_t expected = static_cast<uint32_t>(std::stoul(lines[line]));
      EXPECT_EQ(converter.ToUnicode(b, page.encoding), expected) << "byte " << b;
      if (expected != 0) EXPECT_EQ(converter.FromUnicode(expected, page.encoding), b) << "byte " << b;
    }
  }
}

TEST(GBuiltInCodePageConverterTest, DoubleBytePagesAgreeWithPython) {
  const ConverterPage pages[] = {{17, "cp932"}, {18, "cp936"}, {19, "cp936"}, {20, "cp949"},
                                 {21, "cp949"}, {22, "johab"}, {23, "cp950"}};
  const std::vector<uint32_t> characters = {0x41, 0x3042, 0x30AB, 0x4E2D, 0x6587, 0xAC00, 0xD55C, 0x3000, 0xFF01};
  std::string script = "chars = [";
  for (uint32_t c : characters) script += std::to_string(c) + ",";
  script += "]\n";
  for (const ConverterPage& page : pages)
    script += "for c in chars:\n"
              "    try: print(int.from_bytes(chr(c).encode('" + std::string(page.codec) + "'), 'big'))\n"
              "    except Exception: print(0)\n";
  std::string output;
  if (!qvtest::RunPython(script, &output)) GTEST_SKIP() << "python3 is not available";
  const std::vector<std::string> lines = qvtest::Lines(output);
  ASSERT_EQ(lines.size(), std::size(pages) * characters.size());
  GBuiltInCodePageConverter converter;
  size_t line = 0;
  for (const ConverterPage& page : pages) {
    SCOPED_TRACE(page.codec);
    for (uint32_t c : characters) {
      const uint32_t expected = static_cast<uint32_t>(std::stoul(lines[line++]));
      // Python's Big5 puts the kana in the range the system's code page 950
      // keeps for user-defined characters (private use).
      if (page.encoding == 23 && c >= 0x3040 && c <= 0x30FF) continue;
      EXPECT_EQ(converter.FromUnicode(c, page.encoding), expected) << "U+" << std::hex << c;
      if (expected != 0) EXPECT_EQ(converter.ToUnicode(expected, page.encoding), c) << "U+" << std::hex << c;
    }
  }
}

TEST(GBuiltInCodePageConverterTest, UnicodeSymbolAndGlyphEncodings) {
  GBuiltInCodePageConverter converter;
  EXPECT_EQ(converter.ToUnicode(0x3042, 16), 0x3042u);
  EXPECT_EQ(converter.FromUnicode(0x3042, 16), 0x3042u);
  EXPECT_EQ(converter.FromUnicode(0xF041, 3), 0x41u);
  EXPECT_EQ(converter.ToUnicode(0x41, 1), 0u);
  EXPECT_EQ(converter.FromUnicode(0x41, 2), 0u);
  EXPECT_EQ(converter.IsEncodingKnown(17), 1);
  EXPECT_EQ(converter.IsEncodingKnown(13), 0);
  EXPECT_EQ(converter.ToUnicode(0x123456, 4), 0u);
  WCHAR wide[4] = {};
  EXPECT_EQ(converter.NarrowToWide("\x80" "A", wide, 1252, 2), 2);
  EXPECT_EQ(wide[0], 0x20AC);
  char narrow[4] = {};
  EXPECT_EQ(converter.WideToNarrow(wide, narrow, 1252, 2), 2);
  EXPECT_EQ(narrow[0], '\x80');
}

}  // namespace
