#include "win32/CodePage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/PythonJudge.h"
#include "win32/Kernel.h"
#include "w32test/Testing.h"

namespace {

class CodePageTest : public ::testing::Test {
 protected:
  void SetUp() override { w32test::Reset(); }
  void TearDown() override { w32test::Reset(); }
};

std::u16string ToWide(UINT cp, const std::string& bytes, DWORD flags = 0) {
  int n = MultiByteToWideChar(cp, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::u16string out(static_cast<size_t>(n), u'\0');
  if (n > 0) {
    EXPECT_EQ(MultiByteToWideChar(cp, flags, bytes.data(), static_cast<int>(bytes.size()), out.data(), n), n);
  }
  return out;
}

std::string ToBytes(UINT cp, const std::u16string& text, LPCSTR defaultChar = nullptr, BOOL* used = nullptr) {
  int n = WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, defaultChar, used);
  std::string out(static_cast<size_t>(n), '\0');
  if (n > 0) {
    EXPECT_EQ(WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), out.data(), n, defaultChar,
                                  used),
              n);
  }
  return out;
}

// ---- Results judged by Python's codecs ----------------------------------

struct DecodeCase {
  UINT cp;
  const char* pythonName;
  std::string bytes;
};

struct EncodeCase {
  UINT cp;
  const char* pythonName;
  std::u16string text;
};

TEST_F(CodePageTest, ConversionsAgreeWithPython) {
  const std::vector<DecodeCase> decode = {
      {1252, "cp1252", "plain ASCII"},
      {1252, "cp1252", "\x80\x8A\x9F\xA0\xE9\xFF"},
      {1252, "cp1252", std::string("a\x81" "b\x8D\x8F\x90\x9D", 7)},  // undefined bytes
      {932, "cp932", "\x82\xA0\x82\xA2 kana \x93\xFA\x96\x7B\xB1\xDF"},
      {932, "cp932", "\x82\x20x"},                                     // lead byte with a bad trail
      {932, "cp932", "ab\x82"},                                         // cut after a lead byte
      {936, "gbk", "\xC4\xE3\xBA\xC3"},
      {1251, "cp1251", "\xCF\xF0\xE8\xE2\xE5\xF2"},
      {65001, "utf-8", "\xE2\x82\xAC \xF0\x9F\x98\x80 \xC3\xA9"},
      {65001, "utf-8", "\xE2\x82" "A\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80\xFF"},  // ill-formed pieces
  };
  const std::vector<EncodeCase> encode = {
      {1252, "cp1252", u"\u20AC\u0160\u00FF abc"},
      {1252, "cp1252", u"\u3042\u0100x"},  // not in 1252
      {932, "cp932", u"\u3042\u65E5\uFF71 x"},
      {932, "cp932", u"\u00E9"},
      {65001, "utf-8", u"\u20AC\U0001F600\u00E9"},
      {1251, "cp1251", u"\u041F\u0440\u0438"},
  };
  std::string script = "import sys\n";
  for (const auto& c : decode)
    script += "print(bytes.fromhex('" + qvtest::Hex(c.bytes) + "').decode('" + c.pythonName +
              "','replace').encode('utf-16-le').hex())\n";
  for (const auto& c : encode)
    script += "print(bytes.fromhex('" + qvtest::HexUtf16(c.text) + "').decode('utf-16-le').encode('" +
              c.pythonName + "','replace').hex())\n";
  std::string output;
  if (!qvtest::RunPython(script, &output)) GTEST_SKIP() << "python3 is not available";
  std::vector<std::string> lines = qvtest::Lines(output);
  ASSERT_EQ(lines.size(), decode.size() + encode.size());
  for (size_t i = 0; i < decode.size(); ++i)
    EXPECT_EQ(qvtest::HexUtf16(ToWide(decode[i].cp, decode[i].bytes)), lines[i])
        << "decoding case " << i << " in " << decode[i].pythonName;
  for (size_t i = 0; i < encode.size(); ++i)
    EXPECT_EQ(qvtest::Hex(ToBytes(encode[i].cp, encode[i].text)), lines[decode.size() + i])
        << "encoding case " << i << " in " << encode[i].pythonName;
}

// ---- MultiByteToWideChar ------------------------------------------------

TEST_F(CodePageTest, MultiByteKnownCharacters) {
  EXPECT_EQ(ToWide(1252, "\x80"), u"\u20AC");
  EXPECT_EQ(ToWide(932, "\x82\xA0"), u"\u3042");
  EXPECT_EQ(ToWide(CP_UTF8, "\xE3\x81\x82"), u"\u3042");
}

TEST_F(CodePageTest, MultiByteWholeTextCountsTheNul) {
  EXPECT_EQ(MultiByteToWideChar(1252, 0, "abc", -1, nullptr, 0), 4);
  WCHAR out[8];
  for (auto& c : out) c = u'#';
  ASSERT_EQ(MultiByteToWideChar(932, 0, "\x82\xA0z", -1, out, 8), 3);
  EXPECT_EQ(out[0], u'\u3042');
  EXPECT_EQ(out[1], u'z');
  EXPECT_EQ(out[2], u'\0');
  EXPECT_EQ(out[3], u'#');
  // An explicit count converts exactly that many bytes, NULs included.
  EXPECT_EQ(MultiByteToWideChar(1252, 0, "a\0b", 3, out, 8), 3);
  EXPECT_EQ(out[1], u'\0');
  EXPECT_EQ(out[2], u'b');
}

TEST_F(CodePageTest, MultiByteBufferSizes) {
  WCHAR out[4];
  for (auto& c : out) c = u'#';
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(1252, 0, "abcd", 4, out, 3), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(MultiByteToWideChar(1252, 0, "abcd", -1, out, 4), 0);  // the NUL does not fit
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(MultiByteToWideChar(1252, 0, "abcd", 4, out, 4), 4);  // exactly enough
  EXPECT_EQ(std::u16string(out, 4), u"abcd");
}

TEST_F(CodePageTest, MultiByteInvalidInput) {
  // Lenient: each invalid piece becomes U+FFFD.
  EXPECT_EQ(ToWide(1252, "a\x81z"), u"a\uFFFDz");
  EXPECT_EQ(ToWide(932, "\x82"), u"\uFFFD");
  // Strict: the call fails.
  struct Case {
    UINT cp;
    std::string bytes;
  };
  const Case strict[] = {{1252, "a\x81z"}, {932, "\x82"}, {932, "\x82\x20"}, {CP_UTF8, "\xC3"}, {CP_UTF8, "\xED\xA0\x80"}};
  for (const auto& c : strict) {
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(c.cp, MB_ERR_INVALID_CHARS, c.bytes.data(), static_cast<int>(c.bytes.size()),
                                  nullptr, 0),
              0)
        << qvtest::Hex(c.bytes);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION)) << qvtest::Hex(c.bytes);
  }
  EXPECT_EQ(ToWide(932, "\x82\xA0", MB_ERR_INVALID_CHARS), u"\u3042");
}

TEST_F(CodePageTest, MultiByteBadParameters) {
  WCHAR out[4];
  struct Case {
    UINT cp;
    const char* src;
    int bytes;
    WCHAR* dst;
    int chars;
  };
  const Case cases[] = {
      {1252, nullptr, 3, out, 4},  // no source
      {1252, "abc", 0, out, 4},    // empty source
      {1252, "abc", -2, out, 4},   // negative count other than -1
      {1252, "abc", 3, out, -1},   // negative buffer size
      {1252, "abc", 3, nullptr, 4},
      {12345, "abc", 3, out, 4},   // unknown code page
  };
  for (const auto& c : cases) {
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(c.cp, 0, c.src, c.bytes, c.dst, c.chars), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
}

// ---- WideCharToMultiByte ------------------------------------------------

TEST_F(CodePageTest, WideKnownCharacters) {
  EXPECT_EQ(ToBytes(1252, u"\u20AC"), "\x80");
  EXPECT_EQ(ToBytes(932, u"\u3042"), "\x82\xA0");
  EXPECT_EQ(ToBytes(CP_UTF8, u"\U0001F600"), "\xF0\x9F\x98\x80");
}

TEST_F(CodePageTest, WideDefaultCharacter) {
  BOOL used = FALSE;
  EXPECT_EQ(ToBytes(1252, u"a\u3042b", nullptr, &used), "a?b");
  EXPECT_TRUE(used);
  EXPECT_EQ(ToBytes(1252, u"a\u00E9b", nullptr, &used), "a\xE9" "b");
  EXPECT_FALSE(used);
  EXPECT_EQ(ToBytes(1252, u"x\u3042", "*", &used), "x*");
  EXPECT_TRUE(used);
  // An unpaired surrogate: the default character, or U+FFFD in UTF-8; a pair
  // the code page cannot hold is one default character.
  EXPECT_EQ(ToBytes(1252, std::u16string(u"a") + char16_t(0xD800) + u"b"), "a?b");
  EXPECT_EQ(ToBytes(1252, u"\U0001F600"), "?");
  EXPECT_EQ(ToBytes(CP_UTF8, std::u16string(1, char16_t(0xDC00)) + u"z"), "\xEF\xBF\xBDz");
}

TEST_F(CodePageTest, WideSizesAndParameters) {
  const WCHAR text[] = u"\u3042b";
  EXPECT_EQ(WideCharToMultiByte(932, 0, text, -1, nullptr, 0, nullptr, nullptr), 4);  // 2 + 1 + NUL
  char out[8] = "#######";
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(932, 0, text, -1, out, 3, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  ASSERT_EQ(WideCharToMultiByte(932, 0, text, -1, out, 4, nullptr, nullptr), 4);
  EXPECT_EQ(std::string(out, 5), std::string("\x82\xA0" "b\0#", 5));

  BOOL used = FALSE;
  struct Case {
    UINT cp;
    const WCHAR* src;
    int chars;
    char* dst;
    int bytes;
    LPCSTR defaultChar;
    LPBOOL used;
  };
  const Case cases[] = {
      {1252, nullptr, 2, out, 8, nullptr, nullptr},
      {1252, text, 0, out, 8, nullptr, nullptr},
      {1252, text, -3, out, 8, nullptr, nullptr},
      {1252, text, 2, out, -1, nullptr, nullptr},
      {1252, text, 2, nullptr, 8, nullptr, nullptr},
      {4242, text, 2, out, 8, nullptr, nullptr},
      {CP_UTF8, text, 2, out, 8, "?", nullptr},  // UTF-8 takes no default character
      {CP_UTF8, text, 2, out, 8, nullptr, &used},
  };
  for (const auto& c : cases) {
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(c.cp, 0, c.src, c.chars, c.dst, c.bytes, c.defaultChar, c.used), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
}

// ---- The ANSI code page -------------------------------------------------

TEST_F(CodePageTest, AnsiCodePageIsSettableAndReset) {
  EXPECT_EQ(GetACP(), 1252u);
  EXPECT_EQ(ToWide(CP_ACP, "\x80"), u"\u20AC");
  w32test::SetAnsiCodePage(932);
  EXPECT_EQ(GetACP(), 932u);
  EXPECT_EQ(ToWide(CP_ACP, "\x82\xA0"), u"\u3042");
  EXPECT_EQ(ToBytes(CP_ACP, u"\u3042"), "\x82\xA0");
  w32test::Reset();
  EXPECT_EQ(GetACP(), 1252u);
}

TEST_F(CodePageTest, CodePageLayout) {
  w32test::CodePageLayout layout;
  ASSERT_TRUE(w32test::GetCodePageLayout(932, &layout));
  EXPECT_EQ(layout.maxCharSize, 2);
  EXPECT_TRUE(layout.lead[0x82]);
  EXPECT_TRUE(layout.lead[0xE0]);
  EXPECT_FALSE(layout.lead['A']);
  EXPECT_TRUE(layout.single[0xB1]);  // half-width katakana stand alone
  EXPECT_EQ(layout.unicode[0xB1], u'\uFF71');
  ASSERT_TRUE(w32test::GetCodePageLayout(1252, &layout));
  EXPECT_EQ(layout.maxCharSize, 1);
  EXPECT_EQ(layout.unicode[0x80], u'\u20AC');
  EXPECT_FALSE(layout.single[0x81]);
  ASSERT_TRUE(w32test::GetCodePageLayout(CP_UTF8, &layout));
  EXPECT_EQ(layout.maxCharSize, 4);
  EXPECT_FALSE(w32test::GetCodePageLayout(4242, &layout));
}

TEST_F(CodePageTest, InjectedFailure) {
  w32test::FailCall("MultiByteToWideChar", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(MultiByteToWideChar(1252, 0, "a", 1, nullptr, 0), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(MultiByteToWideChar(1252, 0, "a", 1, nullptr, 0), 1);
}

}  // namespace
