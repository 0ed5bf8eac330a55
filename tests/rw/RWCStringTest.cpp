#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "rw/RWCString.h"
#include "rw/RWStringID.h"
#include "support/ErrorCapture.h"

namespace {

std::string Text(const RWCString& s) { return std::string(s.Data(), s.Length()); }

// A string held alone in a block of the given capacity.
RWCString WithCapacity(size_t capacity, const char* text) {
  RWCString s(capacity);
  s.AssignText(text);
  return s;
}

int Sign(int v) { return (v > 0) - (v < 0); }

uint32_t Rotl5(uint32_t h) { return (h << 5) | (h >> 27); }

const char* const kEmptyData = RWCString().Data();

// ---- Blocks and capacity ----

TEST(RWCStringBlock, EmptyStringsShareOneBlockThatIsNeverFreed) {
  {
    std::vector<RWCString> many;
    for (int i = 0; i < 100; ++i) {
      many.emplace_back();
      many.emplace_back("");
      many.emplace_back(size_t(0));
      many.emplace_back("abc", 0);
      many.emplace_back('x', 0);
    }
    for (const RWCString& s : many) {
      EXPECT_EQ(s.Data(), kEmptyData);
      EXPECT_EQ(s.Capacity(), 0u);
      EXPECT_TRUE(s.IsEmpty());
    }
  }
  // Every holder is gone; the block is still there and still empty.
  RWCString again;
  EXPECT_EQ(again.Data(), kEmptyData);
  EXPECT_EQ(again.Data()[0], 0);
}

TEST(RWCStringBlock, RoundCapacitySteps) {
  const size_t cases[][2] = {{0, 15}, {1, 15}, {15, 15}, {16, 31}, {31, 31}, {32, 47}, {47, 47}, {48, 63}};
  for (auto& c : cases) EXPECT_EQ(RWCString::RoundCapacity(c[0]), c[1]) << c[0];
}

TEST(RWCStringBlock, PolicySettersReturnThePreviousValue) {
  EXPECT_EQ(RWCString::SetResizeIncrement(32), 16u);
  EXPECT_EQ(RWCString::RoundCapacity(16), 47u);
  EXPECT_EQ(RWCString::SetInitialCapacity(7), 15u);
  EXPECT_EQ(RWCString::RoundCapacity(8), 39u);
  EXPECT_EQ(RWCString('x').Capacity(), 7u);
  EXPECT_EQ(RWCString::SetInitialCapacity(15), 7u);
  EXPECT_EQ(RWCString::SetResizeIncrement(16), 32u);
  EXPECT_EQ(RWCString::SetMaxWaste(15), 15u);
}

struct CapacityCase {
  const char* name;
  std::function<RWCString()> make;
  size_t capacity;
  std::string text;
};

TEST(RWCStringBlock, CapacityOfNewBlocks) {
  static RWCString source("0123456789abcdefghij");  // 20 characters
  const CapacityCase cases[] = {
      {"C text", [] { return RWCString("hello"); }, 5, "hello"},
      {"counted with NUL", [] { return RWCString("ab\0cd", 5); }, 5, std::string("ab\0cd", 5)},
      {"one character", [] { return RWCString('x'); }, 15, "x"},
      {"repeated character", [] { return RWCString('x', 20); }, 20, std::string(20, 'x')},
      {"with capacity", [] { return RWCString(size_t(40)); }, 40, ""},
      {"from view", [] { return RWCString(source.SubStringView(2, 17)); }, 31, "23456789abcdefghi"},
      {"from null view", [] { return RWCString(source.SubStringOfPattern("zz", 0, 0)); }, 15, ""},
      {"concat 7 + 8", [] { return RWCString::ConcatText(RWCString("abcdefg"), "hijklmno"); }, 15, "abcdefghijklmno"},
      {"concat 15 + 1", [] { return RWCString::ConcatTextFirst("abcdefghijklmno", RWCString("p")); }, 31,
       "abcdefghijklmnop"},
      {"concat 16 + 16", [] { return RWCString::Concat(RWCString('a', 16), RWCString('b', 16)); }, 47,
       std::string(16, 'a') + std::string(16, 'b')},
      {"concat with null", [] { return RWCString(nullptr, 5, "abc", 3); }, 15, "abc"},
      {"copy", [] { return WithCapacity(47, "twenty characters!!!").Copy(); }, 20, "twenty characters!!!"},
      {"append 1 through edit", [] { return RWCString("abcdefghijklmno").ReplaceRange(15, 0, "p", 1); }, 31,
       "abcdefghijklmnop"},
      {"append 1 repeated", [] { return RWCString("abcdefghijklmno").AppendRepeated('p', 1); }, 16,
       "abcdefghijklmnop"},
      {"prepend reallocates", [] { return RWCString("abc").PrependRepeated('-', 2); }, 15, "--abc"},
      {"set capacity grows", [] { RWCString s("abc"); s.SetCapacity(100); return s; }, 100, "abc"},
      {"set capacity shrinks", [] { RWCString s = WithCapacity(100, "abc"); s.SetCapacity(30); return s; }, 30,
       "abc"},
      {"set capacity to length", [] { RWCString s = WithCapacity(100, "abc"); s.SetCapacity(3); return s; }, 100,
       "abc"},
      {"clear keeps roomy block", [] { RWCString s = WithCapacity(47, "abc"); s.ClearWithCapacity(10); return s; },
       47, ""},
      {"clear with more room", [] { RWCString s = WithCapacity(47, "abc"); s.ClearWithCapacity(100); return s; },
       100, ""},
      {"resize longer", [] { RWCString s("ab"); s.Resize(4); return s; }, 4, "ab  "},
  };
  for (const CapacityCase& c : cases) {
    RWCString s = c.make();
    EXPECT_EQ(s.Capacity(), c.capacity) << c.name;
    EXPECT_EQ(Text(s), c.text) << c.name;
    EXPECT_EQ(s.Data()[s.Length()], 0) << c.name;
  }
}

TEST(RWCStringBlock, MakeUniqueAndClearOfASharedBlock) {
  RWCString a = WithCapacity(47, "shared");
  RWCString b = a;
  b.MakeUnique();
  EXPECT_NE(b.Data(), a.Data());
  EXPECT_EQ(b.Capacity(), 6u);
  EXPECT_EQ(Text(b), "shared");

  RWCString c = a;
  c.ClearWithCapacity(20);  // shared: a new block of exactly 20
  EXPECT_EQ(c.Capacity(), 20u);
  EXPECT_TRUE(c.IsEmpty());
  EXPECT_EQ(Text(a), "shared");
}

TEST(RWCStringBlock, ShrinkStaysInPlaceUpToFifteenCharactersOfWaste) {
  RWCString s = WithCapacity(47, "0123456789012345678901234567890123456789");
  ASSERT_EQ(s.Length(), 40u);
  const char* block = s.Data();
  s.Resize(35);  // waste 12
  EXPECT_EQ(s.Data(), block);
  EXPECT_EQ(s.Capacity(), 47u);
  EXPECT_EQ(Text(s), "01234567890123456789012345678901234");
  s.Resize(32);  // waste exactly 15
  EXPECT_EQ(s.Data(), block);

  RWCString t = WithCapacity(47, "0123456789012345678901234567890123456789");
  t.Resize(30);  // waste 17
  EXPECT_EQ(t.Capacity(), 31u);
  EXPECT_EQ(Text(t), "012345678901234567890123456789");
}

TEST(RWCStringBlock, AssignEmptyText) {
  RWCString alone = WithCapacity(20, "abc");
  const char* block = alone.Data();
  alone.AssignText("");
  EXPECT_EQ(alone.Data(), block);
  EXPECT_EQ(alone.Capacity(), 20u);
  EXPECT_EQ(alone.Length(), 0u);
  EXPECT_EQ(alone.Data()[0], 0);

  RWCString shared("abc");
  RWCString other = shared;
  shared.AssignText("");
  EXPECT_EQ(shared.Data(), kEmptyData);
  EXPECT_EQ(Text(other), "abc");
}

// ---- Copy on write ----

TEST(RWCStringCopyOnWrite, CopiesShareUntilOneWrites) {
  using Writer = std::function<void(RWCString&)>;
  const std::pair<const char*, Writer> writers[] = {
      {"CharAt", [](RWCString& s) { s.CharAt(0) = 'J'; }},
      {"ReplaceRange", [](RWCString& s) { s.ReplaceRange(1, 1, "E", 1); }},
      {"remove", [](RWCString& s) { s.ReplaceRange(0, 2, nullptr, 0); }},
      {"AppendRepeated", [](RWCString& s) { s.AppendRepeated('!', 1); }},
      {"AppendRepeated none", [](RWCString& s) { s.AppendRepeated('!', 0); }},
      {"PrependRepeated", [](RWCString& s) { s.PrependRepeated('>', 2); }},
      {"ToUpperInPlace", [](RWCString& s) { s.ToUpperInPlace(); }},
      {"ToLowerInPlace", [](RWCString& s) { s.ToLowerInPlace(); }},
      {"AssignText", [](RWCString& s) { s.AssignText("other"); }},
      {"view Assign", [](RWCString& s) { s.SubStringView(1, 2).AssignText("ipp"); }},
      {"view CharAt", [](RWCString& s) { s.SubStringView(1, 2).CharAt(0) = 'a'; }},
      {"view ToUpper", [](RWCString& s) { s.SubStringView(1, 2).ToUpperInPlace(); }},
      {"ClearWithCapacity", [](RWCString& s) { s.ClearWithCapacity(0); }},
  };
  for (const auto& [name, write] : writers) {
    RWCString original("Hello");
    const char* block = original.Data();
    RWCString copy = original;
    EXPECT_EQ(copy.Data(), block) << name;
    write(copy);
    EXPECT_EQ(original.Data(), block) << name;
    EXPECT_EQ(Text(original), "Hello") << name;
    EXPECT_NE(copy.Data(), block) << name;
  }
}

TEST(RWCStringCopyOnWrite, AssignSharesAndReleases) {
  RWCString a("first"), b("second");
  b = a;
  EXPECT_EQ(b.Data(), a.Data());
  b = b;
  EXPECT_EQ(Text(b), "first");
  RWCString c = RWCString::ToUpperCopy(a);
  EXPECT_EQ(Text(c), "FIRST");
  EXPECT_EQ(Text(RWCString::ToLowerCopy(c)), "first");
  EXPECT_EQ(Text(a), "first");
}

// Threads copy and release one shared block while writing their own copies;
// the count must come back to a single holder with the text intact.
TEST(RWCStringCopyOnWrite, ConcurrentCopiesKeepTheCount) {
  RWCString shared("shared text");
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&shared, t] {
      for (int i = 0; i < 5000; ++i) {
        RWCString mine = shared;
        RWCString another = mine;
        another.CharAt(0) = static_cast<char>('a' + t);
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(Text(shared), "shared text");
  const char* block = shared.Data();
  shared.CharAt(0) = 'S';  // one holder again: written in place
  EXPECT_EQ(shared.Data(), block);
}

// ---- Hashes ----

TEST(RWCStringHash, ExactHash) {
  const uint32_t abcd = 0x64636261u;  // "abcd" read as a little-endian word
  const uint32_t afterWord = Rotl5(4) ^ abcd;
  struct Case {
    std::string text;
    uint32_t expected;
  } cases[] = {
      {"", 0u},
      {"abcd", Rotl5(4) ^ abcd},                                  // no final step
      {"abcde", Rotl5(Rotl5(5) ^ abcd) ^ 0x65u},                  // one rest byte
      {"abcd\xE9", Rotl5(Rotl5(5) ^ abcd) ^ 0xFFFFFFE9u},         // sign-extended rest byte
      {"ab\xE9", Rotl5(3) ^ 0xFFFFFFE9u},                         // high byte swallows the others
      {"\xE9" "ab", Rotl5(3) ^ ((0xFFFFFFE9u << 16) | 0x6162u)},  // first character highest
      {std::string("a\0b", 3), Rotl5(3) ^ 0x610062u},
      {"Hello, world", 0x31FADE30u},
  };
  EXPECT_EQ(afterWord, 0x646362E1u);
  for (const Case& c : cases) {
    RWCString s(c.text.data(), c.text.size());
    EXPECT_EQ(s.Hash(), c.expected) << c.text;
    EXPECT_EQ(RWCString::HashOf(s), c.expected);
    EXPECT_EQ(s.HashWithCase(0), c.expected);
  }
}

TEST(RWCStringHash, FoldCaseHash) {
  // h = length; h = upper(c) ^ rotl(h, 5) for each character.
  const uint32_t ab = 0x42u ^ Rotl5(0x41u ^ Rotl5(2));
  const std::pair<const char*, uint32_t> cases[] = {
      {"", 0u}, {"ab", ab}, {"AB", ab}, {"aB", ab}, {"a1", 0x31u ^ Rotl5(0x41u ^ Rotl5(2))}};
  for (const auto& [text, expected] : cases) {
    RWCString s(text);
    EXPECT_EQ(s.HashFoldCase(), expected) << text;
    EXPECT_EQ(s.HashWithCase(1), expected) << text;
  }
  EXPECT_NE(RWCString("ab").Hash(), RWCString("AB").Hash());
}

// ---- Comparisons ----

TEST(RWCStringCompare, CompareAndCompareText) {
  struct Case {
    std::string a, b;
    int ignoreCase;
    int compare;      // sign of Compare
    int compareText;  // CompareText result
  } cases[] = {
      {"abc", "abc", 0, 0, 0},
      {"abc", "abd", 0, -1, -1},
      {"abd", "abc", 0, 1, 1},
      {"ab", "abc", 0, -1, -1},
      {"abc", "ab", 0, 1, 1},
      {"", "", 0, 0, 0},
      {"", "a", 0, -1, -1},
      {"abc", "ABC", 0, 1, 1},
      {"abc", "ABC", 1, 0, 0},
      {"ABD", "abc", 1, 1, 1},
      {"Ab", "aBc", 1, -1, -1},
      // 0xE9 against 'A': unsigned bytes exactly, lowered signed bytes ignoring case.
      {"x\xE9", "xA", 0, 1, -1},
      {"x\xE9", "xA", 1, -1, -1},
      {std::string("a\0", 2), "a", 0, 1, 1},
  };
  for (const Case& c : cases) {
    RWCString a(c.a.data(), c.a.size()), b(c.b.data(), c.b.size());
    EXPECT_EQ(Sign(a.Compare(b, c.ignoreCase)), c.compare) << c.a << " / " << c.b << " " << c.ignoreCase;
    EXPECT_EQ(a.CompareText(c.b.c_str(), c.ignoreCase), c.compareText) << c.a << " / " << c.b << " " << c.ignoreCase;
  }
  // Ignoring case the answer is exactly -1 / 1.
  EXPECT_EQ(RWCString("x\xE9").Compare(RWCString("xA"), 1), -1);
  EXPECT_EQ(RWCString("abd").Compare(RWCString("ABC"), 1), 1);
}

TEST(RWCStringCompare, Equality) {
  RWCString nul("ab\0", 3);
  EXPECT_FALSE(RWCString::EqualsText(nul, "ab"));
  EXPECT_TRUE(RWCString::EqualsText(RWCString("ab"), "ab"));
  EXPECT_FALSE(RWCString::EqualsText(RWCString("ab"), "abc"));
  EXPECT_FALSE(RWCString::EqualsText(RWCString("ab"), "a"));
  EXPECT_TRUE(RWCString::EqualsText(RWCString(), ""));
  EXPECT_TRUE(RWCString("ab") == "ab");
  EXPECT_TRUE(RWCString("ab") == RWCString("ab"));
  EXPECT_FALSE(nul == RWCString("ab"));
  EXPECT_TRUE(RWCString("ab") != "AB");
}

TEST(RWCStringCompare, CollationFollowsCollate) {
  RWCString a("apple"), b("apricot");
  RWCString ka = RWCString::CollationKey(a), kb = RWCString::CollationKey(b);
  EXPECT_FALSE(ka.IsEmpty());
  EXPECT_EQ(Sign(std::strcmp(ka.Data(), kb.Data())), Sign(a.Collate(b.Data())));
  EXPECT_EQ(a.Collate("apple"), 0);
  EXPECT_LT(a.Collate("b"), 0);
}

// ---- Searching ----

TEST(RWCStringSearch, FindPattern) {
  struct Case {
    std::string text;
    const char* pattern;
    size_t n, start;
    int ignoreCase;
    size_t expected;
  } cases[] = {
      {"hello world", "world", 5, 0, 0, 6},
      {"hello world", "WORLD", 5, 0, 0, RW_NPOS},
      {"hello world", "WORLD", 5, 0, 1, 6},
      {"hello world", "o", 1, 5, 0, 7},
      {"hello world", "hello", 5, 1, 0, RW_NPOS},
      {"aaab", "aab", 3, 0, 0, 1},
      {"abc", "abcd", 4, 0, 0, RW_NPOS},
      {"abc", "c", 1, 2, 0, 2},
      {"abc", "c", 1, 3, 0, RW_NPOS},
      {"abc", "", 0, 0, 0, 0},
      {"abc", "", 0, 2, 0, 2},
      {"abc", "", 0, 3, 0, 3},
      {"abc", "", 0, 4, 0, RW_NPOS},
      {"abc", "", 0, RW_NPOS, 0, RW_NPOS},
      {"", "", 0, 0, 0, 0},
      {std::string("ab\0cd", 5), "\0c", 2, 0, 0, 2},
      {std::string("ab\0cd", 5), "cd", 2, 0, 0, 3},
  };
  for (const Case& c : cases) {
    RWCString s(c.text.data(), c.text.size());
    EXPECT_EQ(s.FindPattern(c.pattern, c.n, c.start, c.ignoreCase), c.expected)
        << c.text << " / " << c.pattern << " from " << c.start;
  }
}

TEST(RWCStringSearch, CSearchesStopAtTheFirstNul) {
  RWCString s("ab\0cdb", 6);
  EXPECT_EQ(s.IndexOfChar('c'), RW_NPOS);
  EXPECT_EQ(s.FindChar('c'), 3u);
  EXPECT_EQ(s.IndexOfChar('b'), 1u);
  EXPECT_EQ(s.LastIndexOfChar('b'), 1u);
  EXPECT_EQ(s.FindLastChar('b'), 5u);
  EXPECT_EQ(s.IndexOfAnyCharText("dc"), RW_NPOS);
  EXPECT_EQ(s.IndexOfAnyChar("dc", 2), 3u);
  EXPECT_EQ(s.IndexOfAnyChar("xy", 2), RW_NPOS);
  EXPECT_EQ(s.IndexOfChar('\0'), 2u);
  EXPECT_EQ(s.FindChar('\0'), 2u);
  EXPECT_EQ(s.FindChar('z'), RW_NPOS);
  EXPECT_EQ(s.FindLastChar('z'), RW_NPOS);
  // The terminator is not a character of the text.
  EXPECT_EQ(RWCString("abc").IndexOfChar('\0'), RW_NPOS);
  EXPECT_EQ(RWCString("abc").LastIndexOfChar('\0'), RW_NPOS);
}

TEST(RWCStringSearch, StripChar) {
  struct Case {
    const char* text;
    int mode;
    size_t start, extent;  // start RW_NPOS: the null view
  } cases[] = {
      {"  ab  ", 1, 2, 4}, {"  ab  ", 2, 0, 4}, {"  ab  ", 3, 2, 2}, {"ab", 3, 0, 2},
      {"    ", 3, RW_NPOS, 0}, {"    ", 2, RW_NPOS, 0}, {"", 3, RW_NPOS, 0}, {"  ab  ", 0, 0, 6},
  };
  for (const Case& c : cases) {
    RWCString s(c.text);
    RWCSubString v = s.StripChar(c.mode, ' ');
    EXPECT_EQ(v.Start(), c.start) << '"' << c.text << "\" mode " << c.mode;
    EXPECT_EQ(v.Extent(), c.extent) << '"' << c.text << "\" mode " << c.mode;
  }
  RWCString s("xxabxx");
  EXPECT_EQ(Text(RWCString(s.StripChar(3, 'x'))), "ab");
}

TEST(RWCStringSearch, ClassificationAndMultibyteLength) {
  EXPECT_TRUE(RWCString("plain").IsAscii());
  EXPECT_FALSE(RWCString("caf\xE9").IsAscii());
  EXPECT_EQ(RWCString("plain").MultibyteLength(), 5u);
  EXPECT_EQ(RWCString().MultibyteLength(), 0u);
  EXPECT_EQ(RWCString("ab\0cd", 5).MultibyteLength(), 2u);
}

// ---- Editing ----

TEST(RWCStringEdit, ReplaceRangeForms) {
  RWCString s("hello");
  s.ReplaceRange(s.Length(), 0, " world", 6);  // append
  EXPECT_EQ(Text(s), "hello world");
  s.ReplaceRange(0, 0, ">> ", 3);  // prepend
  EXPECT_EQ(Text(s), ">> hello world");
  s.ReplaceRange(3, 5, "bye", 3);  // replace
  EXPECT_EQ(Text(s), ">> bye world");
  s.ReplaceRange(6, 100, nullptr, 0);  // remove; the extent is cut at the end
  EXPECT_EQ(Text(s), ">> bye");
  s.ReplaceRange(3, 0, std::string("\0", 1).c_str(), 1);  // NULs are characters
  EXPECT_EQ(Text(s), std::string(">> \0bye", 7));
  EXPECT_EQ(s.Data()[s.Length()], 0);
}

// New characters taken from the string's own text: the edit must read them
// before it moves anything.
TEST(RWCStringEdit, ReplaceRangeFromTheStringsOwnText) {
  struct Case {
    size_t position, extent, from, count;
    const char* expected;
  } cases[] = {
      {1, 2, 3, 3, "adefdef"},
      {3, 0, 0, 6, "abcabcdefdef"},
      {0, 6, 2, 2, "cd"},
      {4, 2, 0, 4, "abcdabcd"},
      {0, 0, 5, 1, "fabcdef"},
  };
  for (const Case& c : cases) {
    RWCString s = WithCapacity(47, "abcdef");  // roomy and held alone
    s.ReplaceRange(c.position, c.extent, s.Data() + c.from, c.count);
    EXPECT_EQ(Text(s), c.expected);
    EXPECT_EQ(s.Data()[s.Length()], 0);
  }
  RWCString t = WithCapacity(47, "abcdef");
  t.AssignText(t.Data() + 2);
  EXPECT_EQ(Text(t), "cdef");
  RWCSubString v = t.SubStringView(1, 2);
  v.Assign(t);
  EXPECT_EQ(Text(t), "ccdeff");
}

TEST(RWCStringEdit, RepeatedCharacters) {
  RWCString roomy = WithCapacity(15, "abc");
  const char* block = roomy.Data();
  roomy.PrependRepeated('-', 2);
  EXPECT_EQ(roomy.Data(), block);  // in place
  EXPECT_EQ(Text(roomy), "--abc");
  roomy.AppendRepeated('+', 3);
  EXPECT_EQ(roomy.Data(), block);
  EXPECT_EQ(Text(roomy), "--abc+++");
  EXPECT_EQ(roomy.Data()[roomy.Length()], 0);

  RWCString empty;
  empty.AppendRepeated('x', 0);
  empty.PrependRepeated('x', 0);
  EXPECT_EQ(empty.Data(), kEmptyData);
  empty.PrependRepeated('x', 3);
  EXPECT_EQ(Text(empty), "xxx");
  EXPECT_EQ(empty.Capacity(), 15u);
}

TEST(RWCStringEdit, CharAtWritesOneCharacter) {
  RWCString s("abc");
  s.CharAt(1) = 'X';
  EXPECT_EQ(Text(s), "aXc");
  EXPECT_EQ(s[2], 'c');
}

// ---- Index errors ----

TEST(RWCStringErrors, CharAtIndexErrors) {
  RWCString s("hello");
  EXPECT_EQ(qvtest::RaisedText([&] { s.CharAt(5); }),
            "[INDEXERR] Illegal Index (5) for collection or string with 5 elements");
  EXPECT_EQ(qvtest::RaisedText([&] { s.CharAt(RW_NPOS); }),
            "[NPOSINDEX] The value RW_NPOS cannot be used as an index.");
  EXPECT_EQ(qvtest::RaisedText([&] { RWCString().CharAt(0); }),
            "[INDEXERR] Illegal Index (0) for collection or string with 0 elements");
  EXPECT_EQ(qvtest::RaisedText([&] { (void)s[7]; }),
            "[INDEXERR] Illegal Index (7) for collection or string with 5 elements");
  EXPECT_EQ(qvtest::RaisedText([&] { s.CharAt(4); }), "");
}

// A handler that returns lets the caller go on: it must write somewhere
// harmless, not beyond the text.
TEST(RWCStringErrors, AccessAfterAReturningHandlerTouchesNothing) {
  qvtest::ScopedErrorCapture capture;
  RWCString s("hello");
  RWCString shared = s;
  s.CharAt(5) = 'X';
  s.CharAt(RW_NPOS) = 'Y';
  s.SubStringView(1, 2).CharAt(2) = 'Z';
  EXPECT_EQ(Text(s), "hello");
  EXPECT_EQ(s.Data()[5], 0);
  EXPECT_EQ(s.Data(), shared.Data());  // a refused access copies nothing
  ASSERT_EQ(qvtest::ScopedErrorCapture::Texts().size(), 3u);
  EXPECT_EQ(qvtest::ScopedErrorCapture::Texts()[2],
            "[INDEXERR] Illegal Index (2) for collection or string with 2 elements");
}

TEST(RWCStringErrors, EditAtAPositionBeyondTheTextIsRefused) {
  struct Case {
    size_t position;
    const char* text;
  } cases[] = {
      {6, "[INDEXERR] Illegal Index (6) for collection or string with 5 elements"},
      {1000, "[INDEXERR] Illegal Index (1000) for collection or string with 5 elements"},
      {RW_NPOS, "[NPOSINDEX] The value RW_NPOS cannot be used as an index."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(qvtest::RaisedText([&] { RWCString("hello").ReplaceRange(c.position, 0, "abc", 3); }), c.text);
    qvtest::ScopedErrorCapture capture;
    RWCString s = WithCapacity(15, "hello");
    s.ReplaceRange(c.position, 2, "abc", 3);
    s.ReplaceRange(c.position, 0, nullptr, 0);
    EXPECT_EQ(Text(s), "hello");
    EXPECT_EQ(s.Capacity(), 15u);
    EXPECT_EQ(qvtest::ScopedErrorCapture::Texts().size(), 2u);
  }
  // The end of the text is a valid position.
  RWCString s("hello");
  EXPECT_EQ(qvtest::RaisedText([&] { s.ReplaceRange(5, 0, "!", 1); }), "");
  EXPECT_EQ(Text(s), "hello!");
}

TEST(RWCStringErrors, LengthsBeyondThirtyTwoBitsFailBeforeAnyChange) {
  RWCString s("hello");
  RWCString shared = s;
  EXPECT_THROW(s.AppendRepeated('x', RW_NPOS), std::bad_alloc);
  EXPECT_THROW(s.PrependRepeated('x', RW_NPOS - 2), std::bad_alloc);
  EXPECT_THROW(s.ReplaceRange(5, 0, "x", RW_NPOS), std::bad_alloc);
  EXPECT_THROW(s.SetCapacity(size_t(1) << 32), std::bad_alloc);
  EXPECT_THROW(RWCString('x', size_t(1) << 32), std::bad_alloc);
  EXPECT_THROW(RWCString(size_t(1) << 33), std::bad_alloc);
  EXPECT_EQ(Text(s), "hello");
  EXPECT_EQ(s.Data(), shared.Data());
}

// ---- Views ----

TEST(RWCSubString, ReplaceThroughAView) {
  RWCString s("hello world");
  RWCSubString v = s.SubStringOfPattern("WORLD", 0, 1);
  EXPECT_EQ(v.Start(), 6u);
  EXPECT_EQ(v.Extent(), 5u);
  v.AssignText("there!");
  EXPECT_EQ(Text(s), "hello there!");
  EXPECT_EQ(v.Extent(), 6u);
  v.ToUpperInPlace();
  EXPECT_EQ(Text(s), "hello THERE!");
  s.SubStringView(0, 5).ToUpperInPlace();
  s.SubStringView(6, 6).ToLowerInPlace();
  EXPECT_EQ(Text(s), "HELLO there!");
  v.Assign(s.SubStringView(0, 1));
  EXPECT_EQ(Text(s), "HELLO H");

  RWCSubString none = s.SubStringOfPattern("zzz", 0, 0);
  EXPECT_TRUE(none.IsNull());
  EXPECT_EQ(none.Extent(), 0u);
  none.AssignText("ignored");
  none.ToUpperInPlace();
  EXPECT_EQ(Text(s), "HELLO H");
}

TEST(RWCSubString, Equality) {
  RWCString s("abcabc"), empty;
  RWCSubString first = s.SubStringView(0, 3), second = s.SubStringView(3, 3);
  RWCSubString emptyView = s.SubStringView(2, 0);
  RWCSubString null = s.SubStringOfPattern("x", 0, 0);
  EXPECT_TRUE(first.Equals(second));
  EXPECT_TRUE(first.Equals(RWCString("abc")));
  EXPECT_TRUE(first.EqualsText("abc"));
  EXPECT_FALSE(first.EqualsText("ab"));
  EXPECT_FALSE(first.Equals(s.SubStringView(1, 3)));
  EXPECT_TRUE(null.Equals(empty));
  EXPECT_TRUE(null.Equals(null));
  EXPECT_TRUE(null.EqualsText(""));
  EXPECT_FALSE(null.Equals(RWCString("a")));
  EXPECT_FALSE(null.EqualsText("a"));
  EXPECT_FALSE(null.Equals(first));
  EXPECT_TRUE(emptyView.EqualsText(""));
  EXPECT_TRUE(emptyView.Equals(null));
}

TEST(RWCSubString, CharAt) {
  RWCString s("abcdef");
  RWCSubString v = s.SubStringView(2, 3);
  v.CharAt(0) = 'X';
  v.CharAtUnchecked(2) = 'Z';
  EXPECT_EQ(Text(s), "abXdZf");
  EXPECT_EQ(qvtest::RaisedText([&] { v.CharAt(3); }),
            "[INDEXERR] Illegal Index (3) for collection or string with 3 elements");
  EXPECT_EQ(qvtest::RaisedText([&] { v.CharAt(RW_NPOS); }),
            "[NPOSINDEX] The value RW_NPOS cannot be used as an index.");
}

// SubStringView does not check; a view that does not lie within its string
// (made so, or left behind when the string shrank) is refused when used.
TEST(RWCSubString, AViewOutsideItsStringIsRefusedWhenUsed) {
  EXPECT_EQ(qvtest::RaisedText([] { RWCString::RaiseSubStringError(5, 3, 4); }),
            "[SUBSTRING] Illegal substring (3, 4) from 5 element RWCString");
  RWCString s("hello");
  RWCSubString v = s.SubStringView(3, 4);
  EXPECT_EQ(qvtest::RaisedText([&] { v.AssignText("x"); }),
            "[SUBSTRING] Illegal substring (3, 4) from 5 element RWCString");
  RWCSubString late = s.SubStringView(2, 3);
  s.Resize(2);
  EXPECT_EQ(qvtest::RaisedText([&] { late.CharAt(1); }),
            "[SUBSTRING] Illegal substring (2, 3) from 2 element RWCString");

  qvtest::ScopedErrorCapture capture;
  RWCSubString far = s.SubStringView(100, 50);
  far.AssignText("x");
  far.ToUpperInPlace();
  far.CharAt(0) = 'Q';
  EXPECT_FALSE(far.EqualsText("x"));
  EXPECT_TRUE(RWCString(far).IsEmpty());
  EXPECT_EQ(Text(s), "he");
  EXPECT_EQ(qvtest::ScopedErrorCapture::Texts().size(), 5u);
}

// ---- String ids ----

TEST(RWStringID, CopiesTheString) {
  RWStringID a("GMedia");
  RWStringID b = a;
  RWStringID c(RWCString("RWCollectable"));
  EXPECT_EQ(Text(b.String()), "GMedia");
  c = a;
  EXPECT_STREQ(c.Data(), "GMedia");
  EXPECT_TRUE(RWStringID().String().IsEmpty());
}

}  // namespace
