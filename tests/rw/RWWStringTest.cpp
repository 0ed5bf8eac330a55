#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "rw/RWCString.h"
#include "rw/RWWString.h"
#include "support/ErrorCapture.h"
#include "win32/CRuntime.h"
#include "win32/CodePage.h"
#include "w32test/Testing.h"

namespace {

std::u16string WStringText(const RWWString& s) { return std::u16string(s.Data(), s.Length()); }
std::string WStringText(const RWCString& s) { return std::string(s.Data(), s.Length()); }

// A string held alone in a block of the given capacity.
RWWString WithCapacity(size_t capacity, const WCHAR* text) {
  RWWString s(capacity);
  s.AssignText(text);
  return s;
}

int WStringSign(int v) { return (v > 0) - (v < 0); }

uint32_t WStringRotl5(uint32_t h) { return (h << 5) | (h >> 27); }

const WCHAR* const kWStringEmptyData = RWWString().Data();

// Tests that depend on the C runtime's locale start from "C" and leave it so.
class RWWStringLocale : public ::testing::Test {
 protected:
  void SetUp() override { w32test::Reset(); }
  void TearDown() override { w32test::Reset(); }
};

// ---- Blocks and capacity ----

TEST(RWWStringBlock, EmptyStringsShareOneBlockThatIsNeverFreed) {
  {
    std::vector<RWWString> many;
    for (int i = 0; i < 50; ++i) {
      many.emplace_back();
      many.emplace_back(u"");
      many.emplace_back(size_t(0));
      many.emplace_back(u"abc", 0);
      many.emplace_back(u'x', 0);
      many.emplace_back("");
      many.emplace_back("", RWMultibyte);
      many.push_back(RWWString().Copy());
    }
    for (const RWWString& s : many) {
      EXPECT_EQ(s.Data(), kWStringEmptyData);
      EXPECT_EQ(s.Capacity(), 0u);
      EXPECT_TRUE(s.IsEmpty());
    }
  }
  RWWString again;
  EXPECT_EQ(again.Data(), kWStringEmptyData);
  EXPECT_EQ(again.Data()[0], 0);
}

TEST(RWWStringBlock, RoundCapacityAndItsOwnPolicy) {
  const size_t cases[][2] = {{0, 15}, {15, 15}, {16, 31}, {31, 31}, {32, 47}, {48, 63}};
  for (auto& c : cases) EXPECT_EQ(RWWString::RoundCapacity(c[0]), c[1]) << c[0];
  // The wide policy is separate from the narrow string's.
  EXPECT_EQ(RWWString::SetResizeIncrement(32), 16u);
  EXPECT_EQ(RWWString::RoundCapacity(16), 47u);
  EXPECT_EQ(RWCString::RoundCapacity(16), 31u);
  EXPECT_EQ(RWWString::SetInitialCapacity(7), 15u);
  EXPECT_EQ(RWWString(u'x').Capacity(), 7u);
  EXPECT_EQ(RWWString::SetInitialCapacity(15), 7u);
  EXPECT_EQ(RWWString::SetResizeIncrement(16), 32u);
  EXPECT_EQ(RWWString::SetMaxWaste(15), 15u);
}

struct WStringCapacityCase {
  const char* name;
  std::function<RWWString()> make;
  size_t capacity;
  std::u16string text;
};

TEST(RWWStringBlock, CapacityOfNewBlocks) {
  static RWWString source(u"0123456789abcdefghij");  // 20 characters
  const WStringCapacityCase cases[] = {
      {"C text", [] { return RWWString(u"hello"); }, 5, u"hello"},
      {"counted with 0", [] { return RWWString(u"ab\0cd", 5); }, 5, std::u16string(u"ab\0cd", 5)},
      {"one character", [] { return RWWString(u'x'); }, 15, u"x"},
      {"repeated character", [] { return RWWString(u'x', 20); }, 20, std::u16string(20, u'x')},
      {"with capacity", [] { return RWWString(size_t(40)); }, 40, u""},
      {"from view", [] { return RWWString(source.SubStringView(2, 17)); }, 31, u"23456789abcdefghi"},
      {"from null view", [] { return RWWString(source.SubStringOfPattern(u"zz", 0, 0)); }, 15, u""},
      {"concat 15 + 1", [] { return RWWString::ConcatTextFirst(u"abcdefghijklmno", RWWString(u"p")); }, 31,
       u"abcdefghijklmnop"},
      {"concat 16 + 16", [] { return RWWString::Concat(RWWString(u'a', 16), RWWString(u'b', 16)); }, 47,
       std::u16string(16, u'a') + std::u16string(16, u'b')},
      {"copy", [] { return WithCapacity(47, u"twenty characters!!!").Copy(); }, 20, u"twenty characters!!!"},
      {"append 1 through edit", [] { return RWWString(u"abcdefghijklmno").AppendText(u"p"); }, 31,
       u"abcdefghijklmnop"},
      {"append 1 repeated", [] { return RWWString(u"abcdefghijklmno").AppendRepeated(u'p', 1); }, 16,
       u"abcdefghijklmnop"},
      {"prepend reallocates", [] { return RWWString(u"abc").PrependRepeated(u'-', 2); }, 15, u"--abc"},
      {"set capacity", [] { RWWString s = WithCapacity(100, u"abc"); s.SetCapacity(30); return s; }, 30, u"abc"},
      {"clear keeps roomy block", [] { RWWString s = WithCapacity(47, u"abc"); s.ClearWithCapacity(10); return s; },
       47, u""},
      {"clear with more room", [] { RWWString s = WithCapacity(47, u"abc"); s.ClearWithCapacity(100); return s; },
       100, u""},
      {"widened", [] { return RWWString("abc"); }, 3, u"abc"},
      {"widened counted", [] { return RWWString("ab\0c", 4); }, 4, std::u16string(u"ab\0c", 4)},
      {"widened character", [] { return RWWString('\xE9'); }, 1, u"\u00E9"},
      {"widened narrow string", [] { return RWWString(RWCString("narrow")); }, 6, u"narrow"},
      {"resize longer pads with blanks", [] { RWWString s(u"ab"); s.Resize(4); return s; }, 4, u"ab  "},
  };
  for (const WStringCapacityCase& c : cases) {
    RWWString s = c.make();
    EXPECT_EQ(s.Capacity(), c.capacity) << c.name;
    EXPECT_EQ(WStringText(s), c.text) << c.name;
    EXPECT_EQ(s.Data()[s.Length()], 0) << c.name;
  }
}

TEST(RWWStringBlock, ShrinkStaysInPlaceUpToFifteenCharactersOfWaste) {
  const WCHAR* forty = u"0123456789012345678901234567890123456789";
  RWWString s = WithCapacity(47, forty);
  const WCHAR* block = s.Data();
  s.Resize(35);  // waste 12
  EXPECT_EQ(s.Data(), block);
  s.Resize(32);  // waste exactly 15
  EXPECT_EQ(s.Data(), block);
  EXPECT_EQ(WStringText(s), std::u16string(forty, 32));

  RWWString t = WithCapacity(47, forty);
  t.Resize(30);  // waste 17
  EXPECT_EQ(t.Capacity(), 31u);
  EXPECT_EQ(WStringText(t), std::u16string(forty, 30));
}

TEST(RWWStringBlock, AssignEmptyTextInPlaceOrToTheEmptyBlock) {
  RWWString alone = WithCapacity(20, u"abc");
  const WCHAR* block = alone.Data();
  alone.AssignText(u"");
  EXPECT_EQ(alone.Data(), block);
  EXPECT_EQ(alone.Capacity(), 20u);
  EXPECT_EQ(alone.Length(), 0u);
  EXPECT_EQ(crt::wcslen(alone.Data()), 0u);  // reads as an empty C text

  RWWString shared(u"abc");
  RWWString other = shared;
  shared.AssignText(u"");
  EXPECT_EQ(shared.Data(), kWStringEmptyData);
  EXPECT_EQ(WStringText(other), u"abc");
}

// ---- Copy on write ----

TEST(RWWStringCopyOnWrite, CopiesShareUntilOneWrites) {
  using Writer = std::function<void(RWWString&)>;
  const std::pair<const char*, Writer> writers[] = {
      {"CharAt", [](RWWString& s) { s.CharAt(0) = u'X'; }},
      {"ToUpperInPlace", [](RWWString& s) { s.ToUpperInPlace(); }},
      {"ReplaceRange", [](RWWString& s) { s.ReplaceRange(0, 1, u"X", 1); }},
      {"AppendRepeated", [](RWWString& s) { s.AppendRepeated(u'!', 1); }},
      {"PrependRepeated", [](RWWString& s) { s.PrependRepeated(u'!', 1); }},
      {"view", [](RWWString& s) { s.SubStringView(0, 2).ToUpperInPlace(); }},
  };
  for (const auto& w : writers) {
    RWWString original = WithCapacity(31, u"shared text");
    RWWString copy = original;
    EXPECT_EQ(copy.Data(), original.Data()) << w.first;
    w.second(copy);
    EXPECT_NE(copy.Data(), original.Data()) << w.first;
    EXPECT_EQ(WStringText(original), u"shared text") << w.first;
    EXPECT_NE(WStringText(copy), u"shared text") << w.first;
  }
}

TEST(RWWStringCopyOnWrite, ConcurrentCopiesKeepTheCount) {
  RWWString s(u"counted by many threads");
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&s] {
      for (int i = 0; i < 2000; ++i) {
        RWWString copy = s;
        RWWString other;
        other = copy;
      }
    });
  for (auto& t : threads) t.join();
  // One holder again: a write stays in the block.
  const WCHAR* block = s.Data();
  s.CharAt(0) = u'C';
  EXPECT_EQ(s.Data(), block);
}

// ---- Hash ----

TEST(RWWStringHash, PairsOfCharactersThenTheOddOne) {
  // Three characters: one word of characters 1 and 2 (first in the low half),
  // then the third once more.
  RWWString three(u"\u20ACz\uFFFF");
  uint32_t h = WStringRotl5(3) ^ (0x20ACu | (uint32_t(u'z') << 16));
  EXPECT_EQ(three.Hash(), WStringRotl5(h) ^ 0xFFFFu);
  RWWString four(u"abcd");
  uint32_t h4 = WStringRotl5(4) ^ (uint32_t(u'a') | uint32_t(u'b') << 16);
  EXPECT_EQ(four.Hash(), WStringRotl5(h4) ^ (uint32_t(u'c') | uint32_t(u'd') << 16));
  EXPECT_EQ(RWWString(u"\u0100").Hash(), WStringRotl5(1) ^ 0x100u);
  EXPECT_EQ(RWWString().Hash(), 0u);
  EXPECT_EQ(RWWString::HashOf(three), three.Hash());
  EXPECT_EQ(three.HashWithCase(0), three.Hash());
}

TEST(RWWStringHash, FoldCaseHashUpperCases) {
  RWWString s(u"a\u00E9\u0436");
  uint32_t h = 3;
  for (WCHAR c : {u'A', u'\u00C9', u'\u0416'}) h = uint32_t(c) ^ WStringRotl5(h);
  EXPECT_EQ(s.HashFoldCase(), h);
  EXPECT_EQ(RWWString(u"A\u00C9\u0416").HashFoldCase(), h);
  EXPECT_EQ(s.HashWithCase(1), h);
  EXPECT_NE(s.Hash(), RWWString(u"A\u00C9\u0416").Hash());
}

// ---- Comparison ----

TEST(RWWStringCompare, ExactOrderIsThatOfTheLittleEndianBytes) {
  RWWString high(u"\u0100"), low(u"\u00FF");
  // Byte images 00 01 and FF 00: 0x0100 sorts first exactly ...
  EXPECT_LT(high.Compare(low, 0), 0);
  EXPECT_GT(low.Compare(high, 0), 0);
  // ... and last when the lowered values compare as unsigned 16-bit numbers.
  EXPECT_EQ(high.Compare(low, 1), 1);
  EXPECT_EQ(low.Compare(high, 1), -1);
}

TEST(RWWStringCompare, CompareAndCompareText) {
  struct Case {
    const WCHAR* a;
    const WCHAR* b;
    int ignoreCase;
    int expected;
  };
  const Case cases[] = {
      {u"abc", u"abc", 0, 0},
      {u"abc", u"abd", 0, -1},
      {u"abcd", u"abc", 0, 1},
      {u"ab", u"abc", 0, -1},
      {u"", u"", 0, 0},
      {u"ABC", u"abc", 0, -1},
      {u"ABC", u"abc", 1, 0},
      {u"\u0394\u0416\u00C9", u"\u03B4\u0436\u00E9", 1, 0},  // Greek, Cyrillic, Latin-1
      {u"\u8000", u"a", 1, 1},                                // unsigned values
      {u"abc", u"ABD", 1, -1},
  };
  for (const Case& c : cases) {
    RWWString a(c.a), b(c.b);
    EXPECT_EQ(WStringSign(a.Compare(b, c.ignoreCase)), c.expected);
    EXPECT_EQ(a.CompareText(c.b, c.ignoreCase), c.expected);
    EXPECT_EQ(WStringSign(b.Compare(a, c.ignoreCase)), -c.expected);
  }
}

TEST(RWWStringCompare, Equality) {
  RWWString s(u"ab\0c", 4);
  EXPECT_TRUE(s == RWWString(u"ab\0c", 4));
  EXPECT_FALSE(s == RWWString(u"ab"));
  EXPECT_FALSE(RWWString::EqualsText(s, u"ab"));  // the C text ends at the 0
  EXPECT_TRUE(RWWString::EqualsText(RWWString(u"ab"), u"ab"));
  EXPECT_FALSE(RWWString::EqualsText(RWWString(u"ab"), u"abc"));
  EXPECT_TRUE(RWWString() == u"");
}

TEST(RWWStringCompare, FoldCaseComparisonOfWideTexts) {
  struct Case {
    const WCHAR* a;
    const WCHAR* b;
    int expected;
  };
  const Case cases[] = {
      {u"abc", u"ABC", 0},
      {u"abc", u"abd", -1},
      {u"abd", u"ABC", 1},
      {u"\u00E9t\u00E9", u"\u00C9T\u00C9", 0},
      {u"a", u"_", -1},  // upper-cased: 'A' (0x41) is below '_' (0x5F)
      {u"\u00E9", u"z", 1},
      // The walk ends with the shorter text: a prefix compares equal.
      {u"abc", u"ab", 0},
      {u"", u"x", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(RWWideCompareFoldCase(c.a, c.b), c.expected);
  EXPECT_EQ(RWWideCompareFoldCaseN(u"abcX", u"ABCy", 3), 0);
  EXPECT_EQ(RWWideCompareFoldCaseN(u"abcX", u"ABCy", 4), -1);
  EXPECT_EQ(RWWideCompareFoldCaseN(u"x", u"y", 0), 0);
  EXPECT_EQ(RWWideCompareFoldCaseN(u"ab", u"abc", 10), 0);
}

TEST(RWWStringCompare, CollationKeysOrderAsCollate) {
  const WCHAR astral[] = {0xD83D, 0xDE00, 0};
  const WCHAR* texts[] = {u"", u"a", u"ab", u"\u00E9", u"\uFFFF", astral};
  for (const WCHAR* a : texts) {
    RWWString key = RWWString::CollationKey(RWWString(a));
    EXPECT_EQ(key.Length(), crt::wcslen(a) + 1);  // the transform and its 0
    for (const WCHAR* b : texts) {
      RWWString other = RWWString::CollationKey(RWWString(b));
      EXPECT_EQ(WStringSign(crt::wcscmp(key.Data(), other.Data())), WStringSign(RWWString(a).Collate(b)));
    }
  }
  EXPECT_LT(RWWString(u"\uFFFF").Collate(astral), 0);  // code-point order
}

// ---- Searching ----

TEST(RWWStringSearch, FindPattern) {
  struct Case {
    const WCHAR* text;
    const WCHAR* pattern;
    size_t start;
    int ignoreCase;
    size_t expected;
  };
  const Case cases[] = {
      {u"hello world", u"world", 0, 0, 6},
      {u"hello world", u"o", 5, 0, 7},          // starts after the first o
      {u"hello world", u"WORLD", 0, 0, RW_NPOS},
      {u"hello world", u"WORLD", 0, 1, 6},
      {u"une \u00E9cole", u"\u00C9COLE", 0, 1, 4},
      {u"abcabc", u"abc", 1, 0, 3},
      {u"abc", u"abc", 0, 0, 0},               // start + n = length
      {u"abc", u"abcd", 0, 0, RW_NPOS},
      {u"abc", u"c", 3, 0, RW_NPOS},
      {u"abc", u"", 3, 0, 3},                  // empty pattern at the end
      {u"abc", u"", 4, 0, RW_NPOS},            // beyond the end
      {u"abc", u"a", RW_NPOS, 0, RW_NPOS},
      {u"aaab", u"aab", 0, 0, 1},
  };
  for (const Case& c : cases) {
    RWWString s(c.text);
    EXPECT_EQ(s.FindPatternText(c.pattern, c.start, c.ignoreCase), c.expected)
        << "start " << c.start << " ignoreCase " << c.ignoreCase;
    if (c.start == 0) {
      EXPECT_EQ(s.Contains(c.pattern, c.ignoreCase), c.expected != RW_NPOS);
    }
  }
  // Counted patterns may hold 0.
  RWWString z(u"a\0b\0c", 5);
  EXPECT_EQ(z.FindPattern(u"b\0c", 3, 0, 0), 2u);
}

TEST(RWWStringSearch, CSearchesStopAtTheFirstZero) {
  RWWString s(u"ab\0cb", 5);
  EXPECT_EQ(s.IndexOfChar(u'c'), RW_NPOS);
  EXPECT_EQ(s.FindChar(u'c'), 3u);
  EXPECT_EQ(s.IndexOfChar(0), 2u);                  // the embedded 0 is a character
  EXPECT_EQ(RWWString(u"ab").IndexOfChar(0), RW_NPOS);  // the terminator is not
  EXPECT_EQ(s.LastIndexOfChar(u'b'), 1u);
  EXPECT_EQ(s.FindLastChar(u'b'), 4u);
  EXPECT_EQ(s.IndexOfAnyCharText(u"xc"), RW_NPOS);
  EXPECT_EQ(s.IndexOfAnyChar(u"xc", 2), 3u);
  EXPECT_EQ(s.IndexOfAnyChar(u"\0", 1), 2u);
  EXPECT_EQ(RWWString(u"abc").IndexOfAnyCharText(u"cb"), 1u);
}

TEST(RWWStringSearch, StripChar) {
  RWWString s(u"  mid  ");
  RWWSubString both = s.StripChar(3, u' ');
  EXPECT_EQ(both.Start(), 2u);
  EXPECT_EQ(both.Extent(), 3u);
  EXPECT_EQ(s.StripChar(1, u' ').Extent(), 5u);
  EXPECT_EQ(s.StripChar(2, u' ').Start(), 0u);
  EXPECT_EQ(s.StripChar(2, u' ').Extent(), 5u);
  RWWString blanks(u"   ");
  EXPECT_TRUE(blanks.StripChar(3, u' ').IsNull());
  RWWString empty;
  EXPECT_TRUE(empty.StripChar(3, u' ').IsNull());
}

// ---- Editing ----

TEST(RWWStringEdit, TextForms) {
  RWWString s(u"world");
  s.PrependText(u"hello ");
  EXPECT_EQ(WStringText(s), u"hello world");
  s.AppendText(u"!");
  s.InsertText(5, u",");
  EXPECT_EQ(WStringText(s), u"hello, world!");
  s.ReplaceText(7, 5, u"there");
  EXPECT_EQ(WStringText(s), u"hello, there!");
  s.ReplaceText(100, 3, u"?");  // the position is clamped to the length
  EXPECT_EQ(WStringText(s), u"hello, there!?");
  s.ReplaceRange(5, 100, nullptr, 0);  // the extent is clamped too
  EXPECT_EQ(WStringText(s), u"hello");
  s.Resize(2);
  EXPECT_EQ(WStringText(s), u"he");
  RWWString t = RWWString::ConcatText(s, u"llo");
  EXPECT_EQ(WStringText(t), u"hello");
  EXPECT_EQ(WStringText(RWWString::ToUpperCopy(t)), u"HELLO");
  EXPECT_EQ(WStringText(RWWString::ToLowerCopy(RWWString(u"\u0416\u00C9"))), u"\u0436\u00E9");
  EXPECT_EQ(WStringText(t), u"hello");
}

TEST(RWWStringEdit, ReplaceRangeFromTheStringsOwnText) {
  RWWString s = WithCapacity(47, u"abcdefgh");
  s.ReplaceRange(0, 2, s.Data() + 4, 4);
  EXPECT_EQ(WStringText(s), u"efghcdefgh");
  RWWString t = WithCapacity(47, u"abcdefgh");
  t.ReplaceRange(6, 0, t.Data(), 8);
  EXPECT_EQ(WStringText(t), u"abcdefabcdefghgh");
}

TEST(RWWStringEdit, RepeatedCharacters) {
  RWWString s = WithCapacity(31, u"abc");
  const WCHAR* block = s.Data();
  s.AppendRepeated(u'-', 3);
  s.PrependRepeated(u'+', 2);
  EXPECT_EQ(s.Data(), block);  // room enough: in place
  EXPECT_EQ(WStringText(s), u"++abc---");
  RWWString e;
  e.AppendRepeated(u'x', 0);
  EXPECT_EQ(e.Data(), kWStringEmptyData);
}

TEST(RWWStringEdit, CharAtWritesOneCharacter) {
  RWWString s(u"abc");
  s.CharAt(1) = u'\u3042';
  EXPECT_EQ(WStringText(s), u"a\u3042c");
  EXPECT_EQ(s[1], u'\u3042');
}

// ---- Errors ----

TEST(RWWStringErrors, IndexErrors) {
  RWWString s(u"hello");
  EXPECT_EQ(qvtest::RaisedText([&] { s.CharAt(5); }),
            "[INDEXERR] Illegal Index (5) for collection or string with 5 elements");
  EXPECT_EQ(qvtest::RaisedText([&] { s.CharAt(RW_NPOS); }),
            "[NPOSINDEX] The value RW_NPOS cannot be used as an index.");
  EXPECT_EQ(qvtest::RaisedText([&] { (void)s[7]; }),
            "[INDEXERR] Illegal Index (7) for collection or string with 5 elements");
  // The view checks against its extent with the INDEX message.
  EXPECT_EQ(qvtest::RaisedText([&] { s.SubStringView(1, 2).CharAt(2); }), "[INDEX] Index (2) out of range [0->2]");
  EXPECT_EQ(qvtest::RaisedText([&] { s.SubStringView(1, 2).CharAt(RW_NPOS); }),
            "[INDEX] Index (4294967295) out of range [0->2]");
  EXPECT_EQ(qvtest::RaisedText([&] { s.SubStringOfPattern(u"zz", 0, 0).CharAt(0); }),
            "[INDEX] Index (0) out of range [0->0]");
  EXPECT_EQ(qvtest::RaisedText([&] { RWWString::RaiseSubStringError(5, 3, 4); }),
            "[SUBSTRING] Illegal substring (3, 4) from 5 element RWCString");
  EXPECT_EQ(qvtest::RaisedText([&] { s.SubStringView(1, 2).CharAt(1); }), "");
}

// A handler that returns lets the caller go on: it must write somewhere
// harmless, not beyond the text.
TEST(RWWStringErrors, AccessAfterAReturningHandlerTouchesNothing) {
  qvtest::ScopedErrorCapture capture;
  RWWString s(u"hello");
  RWWString shared = s;
  s.CharAt(5) = u'X';
  s.CharAt(RW_NPOS) = u'Y';
  s.SubStringView(1, 2).CharAt(2) = u'Z';
  s.SubStringView(4, 3).CharAt(2) = u'W';  // within the extent, beyond the text
  EXPECT_EQ(WStringText(s), u"hello");
  EXPECT_EQ(s.Data()[5], 0);
  EXPECT_EQ(s.Data(), shared.Data());
  ASSERT_EQ(qvtest::ScopedErrorCapture::Texts().size(), 4u);
  EXPECT_EQ(qvtest::ScopedErrorCapture::Texts()[3], "[SUBSTRING] Illegal substring (4, 3) from 5 element RWCString");
}

TEST(RWWStringErrors, EditAtAPositionBeyondTheTextIsRefused) {
  struct Case {
    size_t position;
    const char* text;
  } cases[] = {
      {6, "[INDEXERR] Illegal Index (6) for collection or string with 5 elements"},
      {1000, "[INDEXERR] Illegal Index (1000) for collection or string with 5 elements"},
      {RW_NPOS, "[NPOSINDEX] The value RW_NPOS cannot be used as an index."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(qvtest::RaisedText([&] { RWWString(u"hello").ReplaceRange(c.position, 0, u"abc", 3); }), c.text);
    qvtest::ScopedErrorCapture capture;
    RWWString s = WithCapacity(15, u"hello");
    RWWString shared = s;
    s.ReplaceRange(c.position, 2, u"abc", 3);
    s.InsertText(c.position, u"abc");
    shared.ReplaceRange(c.position, 0, nullptr, 0);
    EXPECT_EQ(WStringText(s), u"hello");
    EXPECT_EQ(s.Capacity(), 15u);
    EXPECT_EQ(s.Data(), shared.Data());  // nothing was even copied
    EXPECT_EQ(qvtest::ScopedErrorCapture::Texts().size(), 3u);
  }
  RWWString s(u"hello");
  EXPECT_EQ(qvtest::RaisedText([&] { s.InsertText(5, u"!"); }), "");  // the end is a valid position
  EXPECT_EQ(WStringText(s), u"hello!");
}

TEST(RWWStringErrors, LengthsBeyondThirtyTwoBitsFailBeforeAnyChange) {
  RWWString s(u"hello");
  RWWString shared = s;
  EXPECT_THROW(s.AppendRepeated(u'x', RW_NPOS), std::bad_alloc);
  EXPECT_THROW(s.ReplaceRange(5, 0, u"x", RW_NPOS), std::bad_alloc);
  EXPECT_THROW(RWWString(u'x', size_t(1) << 32), std::bad_alloc);
  EXPECT_EQ(WStringText(s), u"hello");
  EXPECT_EQ(s.Data(), shared.Data());
}

// ---- Views ----

TEST(RWWSubString, ReplaceCompareAndCase) {
  RWWString s(u"hello world");
  RWWSubString v = s.SubStringOfPattern(u"WORLD", 0, 1);
  EXPECT_EQ(v.Start(), 6u);
  EXPECT_TRUE(v.EqualsText(u"world"));
  v.AssignText(u"there!");
  EXPECT_EQ(WStringText(s), u"hello there!");
  EXPECT_EQ(v.Extent(), 6u);
  v.ToUpperInPlace();
  EXPECT_EQ(WStringText(s), u"hello THERE!");
  RWWString other(u"THERE!");
  EXPECT_TRUE(v.Equals(other));
  EXPECT_TRUE(v.Equals(other.SubStringView(0, 6)));
  v.Assign(RWWString(u"you"));
  EXPECT_EQ(WStringText(s), u"hello you");
  s.SubStringView(0, 5).Assign(other.SubStringView(0, 5));
  EXPECT_EQ(WStringText(s), u"THERE you");
  s.SubStringView(0, 5).ToLowerInPlace();
  EXPECT_EQ(WStringText(s), u"there you");
  RWWSubString none = s.SubStringOfPattern(u"zz", 0, 0);
  none.AssignText(u"ignored");
  EXPECT_EQ(WStringText(s), u"there you");
  EXPECT_TRUE(none.Equals(RWWString()));
  EXPECT_TRUE(none.EqualsText(u""));
  EXPECT_FALSE(none.EqualsText(u"x"));
  EXPECT_EQ(WStringText(RWWString(s.SubStringView(6, 3))), u"you");
}

TEST(RWWSubString, AViewOutsideItsStringIsRefusedWhenUsed) {
  RWWString s(u"abcdef");
  RWWSubString v = s.SubStringView(4, 2);
  s.Resize(3);
  qvtest::ScopedErrorCapture capture;
  v.AssignText(u"xyz");
  v.ToUpperInPlace();
  EXPECT_FALSE(v.EqualsText(u"ef"));
  EXPECT_EQ(WStringText(s), u"abc");
  EXPECT_EQ(qvtest::ScopedErrorCapture::Texts().size(), 3u);
  EXPECT_EQ(qvtest::ScopedErrorCapture::Texts()[0], "[SUBSTRING] Illegal substring (4, 2) from 3 element RWCString");
}

// ---- Narrow and wide ----

TEST_F(RWWStringLocale, WideningIgnoresTheCodePage) {
  crt::setlocale(".932");
  EXPECT_EQ(WStringText(RWWString("\x82\xA0\xE9")), u"\u0082\u00A0\u00E9");
  EXPECT_EQ(WStringText(RWWString('\xFF')), u"\u00FF");
  EXPECT_EQ(WStringText(RWWString(RWCString("a\0\x80", 3))), std::u16string(u"a\0\u0080", 3));
}

struct MultibyteCase {
  const char* locale;
  std::string bytes;
  std::u16string expected;
};

TEST_F(RWWStringLocale, MultibyteConversionUnderCodePages) {
  const MultibyteCase cases[] = {
      {".1252", "\x80", u"\u20AC"},
      {".1252", "caf\xE9", u"caf\u00E9"},
      {".932", "\x82\xA0", u"\u3042"},
      {".932", "A\x82\xA0\xB1z", u"A\u3042\uFF71z"},
      {".65001", "\xF0\x9F\x98\x80!", u"\U0001F600!"},
      {"C", "\x80\xE9", u"\u0080\u00E9"},
      // Invalid multibyte text gives an empty string.
      {".932", "\x82", u""},
      {".932", "ab\x82 ", u""},
      {".1252", "a\x81", u""},
      {".65001", "\xC3(", u""},
  };
  for (const MultibyteCase& c : cases) {
    ASSERT_NE(crt::setlocale(c.locale), nullptr);
    RWWString fromText(c.bytes.c_str(), RWMultibyte);
    RWWString fromCount(c.bytes.data(), c.bytes.size(), RWMultibyte);
    RWWString fromNarrow(RWCString(c.bytes.data(), c.bytes.size()), RWMultibyte);
    for (const RWWString* s : {&fromText, &fromCount, &fromNarrow}) {
      EXPECT_EQ(WStringText(*s), c.expected) << c.locale << " " << c.bytes;
      EXPECT_EQ(s->Capacity(), c.expected.size());
    }
  }
}

// The count bounds the bytes read, not the characters written: two bytes of
// a four-byte text are one character, and nothing past the count is read.
TEST_F(RWWStringLocale, MultibyteCountBoundsTheBytesRead) {
  crt::setlocale(".932");
  EXPECT_EQ(WStringText(RWWString("\x82\xA0\x82\xA2", 2, RWMultibyte)), u"\u3042");
  EXPECT_EQ(WStringText(RWWString("\x82\xA0\x82\xA2", 3, RWMultibyte)), u"");  // cut inside a character
  for (size_t n : {size_t(5), size_t(70)}) {
    // A heap buffer of exactly n bytes with no NUL: the sanitizer sees any over-read.
    std::unique_ptr<char[]> bytes(new char[n]);
    for (size_t i = 0; i < n; ++i) bytes[i] = 'a';
    RWWString s(bytes.get(), n, RWMultibyte);
    EXPECT_EQ(WStringText(s), std::u16string(n, u'a'));
  }
}

// Texts below 64 bytes convert in the local work area, longer ones in a heap
// area of count + 1 characters; both give the whole text.
TEST_F(RWWStringLocale, MultibyteWorkAreaEitherSideOf64Bytes) {
  crt::setlocale(".932");
  for (size_t bytes : {size_t(62), size_t(63), size_t(64), size_t(65), size_t(300)}) {
    // Double-byte characters with one ASCII character to make up odd counts.
    std::string text;
    std::u16string expected;
    while (text.size() + 2 <= bytes) {
      text += "\x82\xA0";
      expected += u'\u3042';
    }
    if (text.size() < bytes) {
      text += 'x';
      expected += u'x';
    }
    EXPECT_EQ(WStringText(RWWString(text.c_str(), RWMultibyte)), expected) << bytes;
  }
  // One character per byte fills the area to its last character.
  crt::setlocale(".1252");
  for (size_t bytes : {size_t(63), size_t(64), size_t(200)}) {
    std::string text(bytes, '\xE9');
    EXPECT_EQ(WStringText(RWWString(text.c_str(), RWMultibyte)), std::u16string(bytes, u'\u00E9')) << bytes;
  }
}

TEST_F(RWWStringLocale, ToMultibyte) {
  crt::setlocale(".1252");
  EXPECT_EQ(WStringText(RWWString(u"\u20ACuro").ToMultibyte()), "\x80uro");
  EXPECT_EQ(WStringText(RWWString(u"\u3042").ToMultibyte()), "");  // no 1252 form
  EXPECT_EQ(WStringText(RWWString(u"ab\0cd", 5).ToMultibyte()), "ab");
  crt::setlocale(".932");
  EXPECT_EQ(WStringText(RWWString(u"\u3042\u3044x").ToMultibyte()), "\x82\xA0\x82\xA2x");
  crt::setlocale(".65001");
  EXPECT_EQ(WStringText(RWWString(u"\U0001F600\u00E9").ToMultibyte()), "\xF0\x9F\x98\x80\xC3\xA9");
  crt::setlocale("C");
  EXPECT_EQ(WStringText(RWWString(u"\u00E9").ToMultibyte()), "\xE9");
  EXPECT_EQ(WStringText(RWWString().ToMultibyte()), "");
}

TEST(RWWStringNarrow, NarrowAsciiKeepsTheLowByte) {
  RWWString euro(u"\u20AC");
  EXPECT_FALSE(euro.IsAscii());
  EXPECT_EQ(WStringText(euro.NarrowAscii()), "\xAC");
  RWWString mixed(u"a\0\u0141z", 4);
  EXPECT_EQ(WStringText(mixed.NarrowAscii()), std::string("a\0\x41z", 4));
  EXPECT_TRUE(RWWString(u"plain\x7F").IsAscii());
  EXPECT_FALSE(RWWString(u"\u0080").IsAscii());
}

}  // namespace
