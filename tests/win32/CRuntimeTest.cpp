#include "win32/CRuntime.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/PythonJudge.h"
#include "win32/CodePage.h"
#include "w32test/Testing.h"

namespace {

class CRuntimeTest : public ::testing::Test {
 protected:
  void SetUp() override { w32test::Reset(); }
  void TearDown() override { w32test::Reset(); }
};

// ---- Locale ------------------------------------------------------------

TEST_F(CRuntimeTest, LocaleSelection) {
  EXPECT_STREQ(crt::setlocale(nullptr), "C");
  EXPECT_EQ(crt::CurrentCodePage(), 0u);
  EXPECT_EQ(crt::mb_cur_max(), 1);

  EXPECT_STREQ(crt::setlocale(".ACP"), ".1252");
  EXPECT_EQ(crt::CurrentCodePage(), 1252u);
  EXPECT_EQ(crt::mb_cur_max(), 1);

  w32test::SetAnsiCodePage(932);
  EXPECT_EQ(crt::CurrentCodePage(), 1252u);  // ".ACP" was resolved when it was set
  EXPECT_STREQ(crt::setlocale(".ACP"), ".932");
  EXPECT_EQ(crt::mb_cur_max(), 2);
  EXPECT_STREQ(crt::setlocale(".65001"), ".65001");
  EXPECT_EQ(crt::mb_cur_max(), 4);

  // Refused locales leave the current one.
  for (const char* bad : {".4242", "Klingon", ".", ".12a", ".0", ".1", ".1234567"}) {
    EXPECT_EQ(crt::setlocale(bad), nullptr) << bad;
    EXPECT_EQ(crt::CurrentCodePage(), 65001u) << bad;
  }
  EXPECT_STREQ(crt::setlocale("C"), "C");
  crt::setlocale(".1252");
  w32test::Reset();
  EXPECT_EQ(crt::CurrentCodePage(), 0u);
}

// ---- Case mapping, judged by Python -------------------------------------

TEST_F(CRuntimeTest, WideCaseTablesAgreeWithPythonOverTheirCoverage) {
  // Python's full mappings, taken only where they are one character; other
  // characters keep their own value.
  const char* script =
      "ranges = [(0, 0x17F), (0x386, 0x3CE), (0x400, 0x4FF)]\n"
      "for lo, hi in ranges:\n"
      "  for c in range(lo, hi + 1):\n"
      "    ch = chr(c); l = ch.lower(); u = ch.upper()\n"
      "    l = ord(l) if len(l) == 1 else c\n"
      "    u = ord(u) if len(u) == 1 else c\n"
      "    print('%x %x %x' % (c, l, u))\n";
  std::string output;
  if (!qvtest::RunPython(script, &output)) GTEST_SKIP() << "python3 is not available";
  std::vector<std::string> lines = qvtest::Lines(output);
  ASSERT_EQ(lines.size(), 0x180u + (0x3CE - 0x386 + 1) + 0x100);
  for (const std::string& line : lines) {
    unsigned c, l, u;
    ASSERT_EQ(std::sscanf(line.c_str(), "%x %x %x", &c, &l, &u), 3);
    EXPECT_EQ(crt::towlower(static_cast<WCHAR>(c)), l) << std::hex << "U+" << c;
    EXPECT_EQ(crt::towupper(static_cast<WCHAR>(c)), u) << std::hex << "U+" << c;
  }
  // Outside the coverage a unit is its own case.
  EXPECT_EQ(crt::towupper(0x0180), 0x0180);
  EXPECT_EQ(crt::towlower(0xFF21), 0xFF21);
}

TEST_F(CRuntimeTest, NarrowCaseUnderCodePagesAgreesWithPython) {
  // For each byte: the code page's character, case-mapped, back in the code
  // page when it is one byte there; otherwise the byte itself.
  const char* script =
      "for cp in ['cp1252', 'cp1250', 'cp1251', 'cp1253']:\n"
      "  row = []\n"
      "  for b in range(256):\n"
      "    lo = up = b\n"
      "    try:\n"
      "      ch = bytes([b]).decode(cp)\n"
      "      for f, name in ((str.lower, 'lo'), (str.upper, 'up')):\n"
      "        m = f(ch)\n"
      "        try:\n"
      "          e = m.encode(cp)\n"
      "          if len(m) == 1 and len(e) == 1:\n"
      "            if name == 'lo': lo = e[0]\n"
      "            else: up = e[0]\n"
      "        except UnicodeError: pass\n"
      "    except UnicodeError: pass\n"
      "    row.append('%02x%02x' % (lo, up))\n"
      "  print(''.join(row))\n";
  std::string output;
  if (!qvtest::RunPython(script, &output)) GTEST_SKIP() << "python3 is not available";
  std::vector<std::string> lines = qvtest::Lines(output);
  const char* locales[] = {".1252", ".1250", ".1251", ".1253"};
  ASSERT_EQ(lines.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    ASSERT_NE(crt::setlocale(locales[i]), nullptr);
    ASSERT_EQ(lines[i].size(), 256u * 4);
    for (int b = 0; b < 256; ++b) {
      unsigned lo = std::stoul(lines[i].substr(4 * b, 2), nullptr, 16);
      unsigned up = std::stoul(lines[i].substr(4 * b + 2, 2), nullptr, 16);
      EXPECT_EQ(crt::tolower(b), static_cast<int>(lo)) << locales[i] << " byte " << b;
      EXPECT_EQ(crt::toupper(b), static_cast<int>(up)) << locales[i] << " byte " << b;
    }
  }
}

TEST_F(CRuntimeTest, NarrowCharacterClasses) {
  // "C": ASCII only.
  EXPECT_EQ(crt::toupper(0xE9), 0xE9);
  EXPECT_EQ(crt::toupper('q'), 'Q');
  EXPECT_FALSE(crt::isspace(0xA0));
  EXPECT_TRUE(crt::isspace('\t'));
  crt::setlocale(".1252");
  EXPECT_EQ(crt::toupper(0xE9), 0xC9);
  EXPECT_EQ(crt::toupper(0xFF), 0x9F);  // y diaeresis: its capital is 0x9F in 1252
  EXPECT_TRUE(crt::isspace(0xA0));
  EXPECT_FALSE(crt::isspace(0x85));  // the ellipsis in 1252
  // A char passed straight (sign-extended) comes back the same way.
  EXPECT_EQ(crt::toupper(static_cast<signed char>(0xE9)), static_cast<signed char>(0xC9));
  EXPECT_EQ(crt::tolower(-1), -1);  // EOF
  EXPECT_EQ(crt::tolower(0x1234), 0x1234);
  crt::setlocale(".932");
  EXPECT_EQ(crt::tolower(0x82), 0x82);  // a lead byte has no case
  EXPECT_EQ(crt::tolower('A'), 'a');
}

TEST_F(CRuntimeTest, WideWhiteSpace) {
  for (WCHAR c : {u'\t', u'\r', u' ', u'\u00A0', u'\u2003', u'\u3000'}) EXPECT_TRUE(crt::iswspace(c)) << int(c);
  for (WCHAR c : {u'a', u'\0', u'\u200B', u'\uFEFF', u'\u00B7'}) EXPECT_FALSE(crt::iswspace(c)) << int(c);
}

// ---- Multibyte characters ------------------------------------------------

TEST_F(CRuntimeTest, MultibyteLengths) {
  struct Case {
    const char* locale;
    std::string bytes;
    size_t n;
    int expected;
  };
  const Case cases[] = {
      {"C", "\xE9", 1, 1},
      {"C", "", 1, 0},
      {".1252", "\xE9", 1, 1},
      {".1252", "\x81", 1, -1},      // undefined in iconv's 1252
      {".932", "\x82\xA0", 2, 2},
      {".932", "\x82\xA0", 1, -1},   // incomplete within the bound
      {".932", std::string("\x82\0", 2), 2, -1},
      {".932", "\x82\x20", 2, -1},   // bad trail byte
      {".932", "\xB1", 1, 1},
      {".932", "\x80", 1, -1},       // no character in iconv's 932
      {".65001", "\xE2\x82\xAC", 3, 3},
      {".65001", "\xE2\x82\xAC", 2, -1},
      {".65001", "\xC0\xAF", 2, -1},
      {".1252", "a", 0, -1},
  };
  for (const auto& c : cases) {
    ASSERT_NE(crt::setlocale(c.locale), nullptr);
    EXPECT_EQ(crt::mblen(c.bytes.data(), c.n), c.expected) << c.locale << " " << qvtest::Hex(c.bytes);
  }
  EXPECT_EQ(crt::mblen(nullptr, 0), 0);
}

TEST_F(CRuntimeTest, MultibyteToWideIsBoundedByBytesAndCapacity) {
  WCHAR out[8];
  crt::setlocale(".932");
  // The byte bound stops after the first character even though more follow.
  EXPECT_EQ(crt::mbstowcs_n(out, 8, "\x82\xA0\x82\xA2", 2), 1u);
  EXPECT_EQ(out[0], u'\u3042');
  // A NUL inside the bound ends the text.
  EXPECT_EQ(crt::mbstowcs_n(out, 8, "a\0b", 3), 1u);
  // The capacity bounds the characters written.
  EXPECT_EQ(crt::mbstowcs_n(out, 1, "\x82\xA0\x82\xA2", 4), 1u);
  EXPECT_EQ(crt::mbstowcs_n(nullptr, 0, "\x82\xA0\x82\xA2xy", 6), 4u);
  // A character cut by the bound, or an invalid one, fails.
  EXPECT_EQ(crt::mbstowcs_n(out, 8, "\x82\xA0\x82", 3), static_cast<size_t>(-1));
  EXPECT_EQ(crt::mbstowcs_n(out, 8, "\x80", 1), static_cast<size_t>(-1));
  crt::setlocale(".65001");
  // A surrogate pair is not split by the capacity.
  EXPECT_EQ(crt::mbstowcs_n(out, 2, "a\xF0\x9F\x98\x80", 5), 1u);
  EXPECT_EQ(crt::mbstowcs_n(out, 3, "a\xF0\x9F\x98\x80", 5), 3u);
  EXPECT_EQ(out[1], 0xD83D);
  crt::setlocale("C");
  EXPECT_EQ(crt::mbstowcs_n(out, 8, "\xE9\x80", 2), 2u);
  EXPECT_EQ(out[0], 0x00E9);
  EXPECT_EQ(out[1], 0x0080);
}

TEST_F(CRuntimeTest, WideToMultibyte) {
  char out[8];
  crt::setlocale(".1252");
  EXPECT_EQ(crt::wcstombs(nullptr, u"\u20ACab", 0), 3u);
  std::memset(out, '#', sizeof out);
  EXPECT_EQ(crt::wcstombs(out, u"\u20ACab", 8), 3u);
  EXPECT_STREQ(out, "\x80" "ab");
  EXPECT_EQ(crt::wcstombs(out, u"a\u3042", 8), static_cast<size_t>(-1));  // no 1252 byte for it
  crt::setlocale(".932");
  // A character that does not fit whole ends the conversion, without a NUL.
  std::memset(out, '#', sizeof out);
  EXPECT_EQ(crt::wcstombs(out, u"a\u3042", 2), 1u);
  EXPECT_EQ(std::string(out, 2), "a#");
  EXPECT_EQ(crt::wcstombs(out, u"a\u3042", 3), 3u);
  EXPECT_EQ(std::string(out, 4), "a\x82\xA0#");
  crt::setlocale(".65001");
  const WCHAR lone[] = {u'a', 0xD800, u'b', 0};
  EXPECT_EQ(crt::wcstombs(out, lone, 8), static_cast<size_t>(-1));
  crt::setlocale("C");
  EXPECT_EQ(crt::wcstombs(out, u"\u00E9", 8), 1u);
  EXPECT_EQ(out[0], '\xE9');
  EXPECT_EQ(crt::wcstombs(out, u"\u0100", 8), static_cast<size_t>(-1));
}

// ---- Collation -----------------------------------------------------------

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

TEST_F(CRuntimeTest, NarrowCollationAndItsTransform) {
  // 0x80 is U+20AC in 1252, so it sorts after 0xFF (U+00FF); in "C" bytes decide.
  EXPECT_LT(crt::strcoll("\x80", "\xFF"), 0);
  crt::setlocale(".1252");
  EXPECT_GT(crt::strcoll("\x80", "\xFF"), 0);
  EXPECT_EQ(crt::strcoll("abc", "abc"), 0);
  const char* texts[] = {"", "a", "ab", "b", "\x80", "\xFF", "\xE9t\xE9", "Z", "\x9F"};
  for (const char* locale : {"C", ".1252", ".932"}) {
    crt::setlocale(locale);
    for (const char* a : texts) {
      for (const char* b : texts) {
        char ka[64], kb[64];
        ASSERT_LT(crt::strxfrm(ka, a, sizeof ka), sizeof ka);
        ASSERT_LT(crt::strxfrm(kb, b, sizeof kb), sizeof kb);
        EXPECT_EQ(Sign(std::strcmp(ka, kb)), Sign(crt::strcoll(a, b))) << locale << " " << a << " " << b;
      }
    }
  }
  // The transform is written only when it fits with its NUL.
  crt::setlocale(".1252");
  size_t len = crt::strxfrm(nullptr, "abc", 0);
  std::vector<char> key(len + 1, '#');
  EXPECT_EQ(crt::strxfrm(key.data(), "abc", len), len);
  EXPECT_EQ(std::string(key.begin(), key.end()), std::string(len + 1, '#'));
  EXPECT_EQ(crt::strxfrm(key.data(), "abc", len + 1), len);
  EXPECT_EQ(key[len], '\0');
}

TEST_F(CRuntimeTest, WideCollationIsCodePointOrder) {
  const WCHAR bmpTop[] = {0xFFFF, 0};
  const WCHAR astral[] = {0xD800, 0xDC00, 0};  // U+10000
  EXPECT_LT(crt::wcscoll(bmpTop, astral), 0);
  EXPECT_GT(crt::wcscmp(bmpTop, astral), 0);  // unit order differs
  EXPECT_LT(crt::wcscoll(u"ab", u"abc"), 0);
  EXPECT_EQ(crt::wcscoll(u"\u00E9", u"\u00E9"), 0);
  const WCHAR* texts[] = {u"", u"a", u"\u00E9", u"\u3042", bmpTop, astral, u"ab"};
  for (const WCHAR* a : texts) {
    for (const WCHAR* b : texts) {
      WCHAR ka[8], kb[8];
      ASSERT_LT(crt::wcsxfrm(ka, a, 8), 8u);
      ASSERT_LT(crt::wcsxfrm(kb, b, 8), 8u);
      EXPECT_EQ(Sign(crt::wcscmp(ka, kb)), Sign(crt::wcscoll(a, b)));
    }
  }
  WCHAR small[2] = {u'#', u'#'};
  EXPECT_EQ(crt::wcsxfrm(small, u"ab", 2), 2u);
  EXPECT_EQ(small[0], u'#');
}

TEST_F(CRuntimeTest, WideSearchHelpers) {
  const WCHAR* s = u"a,b;c,";
  EXPECT_EQ(crt::wcslen(s), 6u);
  EXPECT_EQ(crt::wcschr(s, u','), s + 1);
  EXPECT_EQ(crt::wcschr(s, u'\0'), s + 6);
  EXPECT_EQ(crt::wcschr(s, u'x'), nullptr);
  EXPECT_EQ(crt::wcsrchr(s, u','), s + 5);
  EXPECT_EQ(crt::wcspbrk(s, u";x"), s + 3);
  EXPECT_EQ(crt::wcspbrk(s, u"xy"), nullptr);
  // Units compare unsigned: 0x8000 is above 'a'.
  EXPECT_GT(crt::wcscmp(u"\u8000", u"a"), 0);
}

}  // namespace
