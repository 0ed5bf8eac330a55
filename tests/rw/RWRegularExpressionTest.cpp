#include <gtest/gtest.h>

#include <string>

#include "rw/RWCString.h"
#include "rw/RWRegularExpression.h"
#include "support/ErrorCapture.h"

namespace {

const char kBadRe[] = "[BADRE] Attempt to use invalid regular expression";

RWCString Str(const std::string& s) { return RWCString(s.data(), s.size()); }

// ---- Compiling ----

struct CompileCase {
  std::string pattern;
  int32_t status;
};

TEST(RWRegularExpressionCompile, StatusOfPatterns) {
  const CompileCase cases[] = {
      {"a", 0},
      {"Microsoft [A-Z,a-z]+ - ", 0},
      {"^abc$", 0},
      {"x*x", 0},
      {"x*x*", 0},  // the closure written for the copy goes back to the first x
      {"[ab]*[ab]", 0},
      {"\\$*$", 0},  // literal $ repeated, then the end anchor
      {"$*", 0},     // a $ that is not last is a literal and can be repeated
      {"a^*", 0},    // so is a ^ that is not first
      {"", 1},
      {"*a", 1},
      {"+a", 1},
      {"?a", 1},
      {"[abc", 1},
      {"[]", 1},
      {"[]a]", 1},
      {"[^]", 1},
      {"a[b", 1},
      {"a**", 3},
      {"a*+", 3},
      {"a?*", 3},
      {"^*", 3},
      {"^+", 3},
      {"a$*", 0},  // $ followed by * is not last: a literal
      {"\\***", 3},  // literal *, its closure written ahead, then a closure on the closure
  };
  for (const auto& c : cases) {
    RWRegularExpression re(Str(c.pattern));
    EXPECT_EQ(re.TakeStatus(), c.status) << c.pattern;
  }
}

TEST(RWRegularExpressionCompile, NullTextIsAnEmptyPattern) {
  RWRegularExpression re(static_cast<const char*>(nullptr));
  EXPECT_EQ(re.TakeStatus(), RWRegularExpression::kIllegalPattern);
}

// The program holds 256 codes and always keeps one for its end code.
TEST(RWRegularExpressionCompile, ProgramSizeLimits) {
  const std::string cls = "[a]";  // 17 codes
  const CompileCase cases[] = {
      {std::string(255, 'a'), 0},
      {std::string(256, 'a'), 3},
      {std::string(254, 'a') + "*", 0},
      {std::string(255, 'a') + "*", 3},   // the closure code itself would not fit
      {std::string(253, 'a') + "*a", 0},  // written ahead for the copy
      {std::string(254, 'a') + "*a", 3},
      {std::string(238, 'a') + cls, 0},
      {std::string(239, 'a') + cls, 3},
      {std::string(237, 'a') + cls + "*", 0},
      {std::string(238, 'a') + cls + "*", 3},
      {std::string(254, 'a') + "$", 0},
      {std::string(255, 'a') + "$", 3},
  };
  for (const auto& c : cases) {
    RWRegularExpression re(c.pattern.c_str());
    EXPECT_EQ(re.TakeStatus(), c.status) << c.pattern.size() << " " << c.pattern.substr(c.pattern.size() - 4);
  }
  std::string fifteen, sixteen;
  for (int i = 0; i < 15; ++i) fifteen += cls;
  sixteen = fifteen + cls;
  EXPECT_EQ(RWRegularExpression(fifteen.c_str()).TakeStatus(), 0);  // 255 codes
  EXPECT_EQ(RWRegularExpression(sixteen.c_str()).TakeStatus(), 3);
}

TEST(RWRegularExpressionCompile, LongestPatternsStillMatch) {
  RWRegularExpression re(std::string(255, 'a').c_str());
  size_t length = 0;
  RWCString text = Str("b" + std::string(255, 'a'));
  EXPECT_EQ(re.IndexIn(text, length, 0), 1u);
  EXPECT_EQ(length, 255u);
  EXPECT_EQ(re.IndexIn(Str(std::string(254, 'a')), length, 0), RW_NPOS);
}

// ---- Searching ----

struct SearchCase {
  std::string pattern;
  std::string text;
  size_t start;
  size_t position;
  size_t length;
};

void RunSearchCases(const SearchCase* cases, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const SearchCase& c = cases[i];
    RWRegularExpression re(Str(c.pattern));
    ASSERT_EQ(re.TakeStatus(), 0) << c.pattern;
    size_t length = 99;
    EXPECT_EQ(re.IndexIn(Str(c.text), length, c.start), c.position) << c.pattern << " in " << c.text;
    EXPECT_EQ(length, c.length) << c.pattern << " in " << c.text;
  }
}

TEST(RWRegularExpressionSearch, ClassesAndClosures) {
  const SearchCase cases[] = {
      // The print path's job-name prefix; the comma is a class member.
      {"Microsoft [A-Z,a-z]+ - ", "Microsoft Word - Letter.doc", 0, 0, 17},
      {"Microsoft [A-Z,a-z]+ - ", "Microsoft Word,Excel - x", 0, 0, 23},
      {"Microsoft [A-Z,a-z]+ - ", "Microsoft Word 97 - x", 0, RW_NPOS, 0},
      {"[A-Z,a-z]+", "12 ab,CD 3", 0, 3, 5},
      {"[A-Z,a-z]+", "12 34", 0, RW_NPOS, 0},
      {"[^a-c]+", "abcxyzab", 0, 3, 3},
      {"[z-a]+", "09mq!", 0, 2, 2},  // a range in either order
      {"[-a]+", "x-a-", 0, 1, 3},    // a leading - is literal
      {"[a-]+", "x-a-", 0, 1, 3},    // so is a trailing one
      {"[a-c-e]+", "x-ea", 0, 1, 3},  // a - after a range is literal
      {"[\\]]", "a]", 0, 1, 1},
      {"[\\x41-\\x43]+", "xCBAD", 0, 1, 3},
      {"a+", "baaa", 0, 1, 3},
      {"a*", "baaa", 0, 0, 0},
      {"ba*", "baaa", 0, 0, 4},
      {"b.*c", "abxcxcx", 0, 1, 5},  // greedy, then gives back to the last c
      {"b.+c", "abcbxc", 0, 1, 5},
      {"b.+c", "abc", 0, RW_NPOS, 0},  // + needs one character first
      {"a.c", "a\nc abc", 0, 4, 3},  // . never matches a newline
      {".+", "\nab\n", 0, 1, 2},
      {"a?b", "xb", 0, 1, 1},
      {"a?b", "xab", 0, 1, 2},
      {"x*x", "axxx", 0, 1, 3},  // compiled as x then x*
      {"a*ab", "aaab", 0, 0, 4},
      {"a*ab", "b", 0, RW_NPOS, 0},
      {"a?a", "a", 0, 0, 1},  // compiled as a then a?
      {"a?a", "aa", 0, 0, 2},
      {"[ab]?a", "a", 0, RW_NPOS, 0},  // the optional class keeps the a
      {"[ab]?a", "ba", 0, 0, 2},
      {"[ab]*[ab]", "cabba", 0, 1, 4},
      {"x*x*", "", 0, 0, 0},
      {"x*x*", "axx", 0, 0, 0},
      {"x*x*y", "axxy", 0, 1, 3},
      {"x*x*x", "axxx", 0, 1, 3},
      {"x*x+", "x", 0, 0, 1},
      {"\\$*$", "a$$", 0, 1, 2},
      // A closure on a character that only looks like the next one stays
      // with its own element.
      {"\\\\*\\n", "a\n", 0, 1, 1},
      {"\\.*.", "ab", 0, 0, 1},
  };
  RunSearchCases(cases, sizeof cases / sizeof cases[0]);
}

TEST(RWRegularExpressionSearch, AnchorsAndStart) {
  const SearchCase cases[] = {
      {"x*$", "abc", 0, 3, 0},
      {"$", "abc", 0, 3, 0},
      {"c$", "abcc", 0, 3, 1},
      {"^", "abc", 0, 0, 0},
      {"^$", "", 0, 0, 0},
      {"^a", "ba", 0, RW_NPOS, 0},
      {"^b", "abc", 1, 1, 1},  // the start anchor holds where the search starts
      {"^b", "abc", 0, RW_NPOS, 0},
      {"a$b", "xa$b", 0, 1, 3},  // $ not last is a literal
      {"a^", "ba^", 0, 1, 2},    // ^ not first is a literal
      {"b", "abcb", 2, 3, 1},
      {"x*", "abc", 3, 3, 0},  // an empty match at the end is found
      {"a", "abc", 3, RW_NPOS, 0},
  };
  RunSearchCases(cases, sizeof cases / sizeof cases[0]);
}

TEST(RWRegularExpressionSearch, Escapes) {
  const SearchCase cases[] = {
      {"\\x41", "xA", 0, 1, 1},
      {"\\101", "xA", 0, 1, 1},
      {"\\^A", "x\x01", 0, 1, 1},
      {"\\^a", "x\x01", 0, 1, 1},
      {"\\q", "aq", 0, 1, 1},
      {"\\b\\e\\f\\n\\r\\s\\t", "-\b\x1b\f\n\r \t", 0, 1, 7},
      {"\\B\\E\\F\\N\\R\\S\\T", "-\b\x1b\f\n\r \t", 0, 1, 7},
      {"\\xg", "axg", 0, 1, 2},  // x without a hex digit is the letter
      {"\\X", "aX", 0, 1, 1},
      {"\\x4g", "a\x04g", 0, 1, 2},  // one hex digit
      {"\\x414", "AA4", 0, 1, 2},    // at most two
      {"\\0", std::string("a\0", 2), 0, 1, 1},
      {"\\1011", "AA1", 0, 1, 2},  // at most three octal digits
      {"\\777", "a\xff", 0, 1, 1},  // modulo 256
      {"\\8", "a8", 0, 1, 1},
      {"a\\", "xa\\", 0, 1, 2},  // a backslash ending the pattern is itself
      {"\\*", "a*", 0, 1, 1},
      {"\\.", "a.", 0, 1, 1},
      {"\\[", "a[", 0, 1, 1},
  };
  RunSearchCases(cases, sizeof cases / sizeof cases[0]);
}

TEST(RWRegularExpressionSearch, PatternAndTextWithNulCharacters) {
  RWRegularExpression re(Str(std::string("a\0b", 3)));
  ASSERT_EQ(re.TakeStatus(), 0);
  size_t length = 0;
  EXPECT_EQ(re.IndexIn(Str(std::string("xa\0b", 4)), length, 0), 1u);
  EXPECT_EQ(length, 3u);
  EXPECT_EQ(re.IndexIn(Str("xab"), length, 0), RW_NPOS);
}

TEST(RWRegularExpressionSearch, StartBeyondTheTextLeavesLengthAlone) {
  RWRegularExpression re("a*");
  size_t length = 77;
  EXPECT_EQ(re.IndexIn(Str("abc"), length, 4), RW_NPOS);
  EXPECT_EQ(length, 77u);
  EXPECT_EQ(re.IndexIn(Str("abc"), length, RW_NPOS), RW_NPOS);
  EXPECT_EQ(length, 77u);
}

// Many repetitions over a text that never matches: failed tails are
// remembered, so this finishes (it would take astronomically long without).
TEST(RWRegularExpressionSearch, ManyRepetitionsWithoutMatch) {
  std::string pattern;
  for (int i = 0; i < 40; ++i) pattern += "a*b?";
  pattern += "c";
  RWRegularExpression re(pattern.c_str());
  ASSERT_EQ(re.TakeStatus(), 0);
  size_t length = 5;
  EXPECT_EQ(re.IndexIn(Str(std::string(300, 'a')), length, 0), RW_NPOS);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(re.IndexIn(Str(std::string(300, 'a') + "c"), length, 0), 0u);
  EXPECT_EQ(length, 301u);
}

// ---- Invalid patterns ----

TEST(RWRegularExpressionInvalid, SearchingRaisesBadRe) {
  for (const char* pattern : {"a**", "", "[ab", "^*"}) {
    RWRegularExpression re(pattern);
    size_t length = 0;
    EXPECT_EQ(qvtest::RaisedText([&] { re.IndexIn(RWCString("aaa"), length, 0); }), kBadRe) << pattern;
  }
}

// Taking the status does not make a failed pattern usable: its program is
// incomplete and running it would read past the codes that were written.
TEST(RWRegularExpressionInvalid, TakingTheStatusKeepsThePatternInvalid) {
  RWRegularExpression re((std::string(255, 'a') + "*").c_str());
  EXPECT_EQ(re.TakeStatus(), 3);
  EXPECT_EQ(re.TakeStatus(), 0);
  size_t length = 0;
  EXPECT_EQ(qvtest::RaisedText([&] { re.IndexIn(RWCString("aaa"), length, 0); }), kBadRe);
  RWRegularExpression copy(re);
  EXPECT_EQ(qvtest::RaisedText([&] { copy.IndexIn(RWCString("aaa"), length, 0); }), kBadRe);
}

TEST(RWRegularExpressionInvalid, AHandlerThatReturnsGetsNoMatch) {
  qvtest::ScopedErrorCapture capture;
  RWRegularExpression re("[]");
  size_t length = 9;
  EXPECT_EQ(re.IndexIn(RWCString("[]"), length, 0), RW_NPOS);
  EXPECT_EQ(length, 0u);
  ASSERT_EQ(capture.Texts().size(), 1u);
  EXPECT_EQ(capture.Texts()[0], kBadRe);
}

// ---- Copy and assignment ----

TEST(RWRegularExpressionAssign, CopiesAndRecompiles) {
  RWRegularExpression digits("[0-9]+");
  RWRegularExpression copy(digits);
  size_t length = 0;
  EXPECT_EQ(copy.IndexIn(RWCString("ab123c"), length, 0), 2u);
  EXPECT_EQ(length, 3u);

  RWRegularExpression bad("a**");
  RWRegularExpression badCopy(bad);
  EXPECT_EQ(badCopy.TakeStatus(), 3);

  copy.AssignText("c$");
  EXPECT_EQ(copy.TakeStatus(), 0);
  EXPECT_EQ(copy.IndexIn(RWCString("ab123c"), length, 0), 5u);
  EXPECT_EQ(length, 1u);
  // The original is untouched by its copy's new pattern.
  EXPECT_EQ(digits.IndexIn(RWCString("ab123c"), length, 0), 2u);

  copy.AssignText(RWCString("**"));
  EXPECT_EQ(copy.TakeStatus(), 1);
  EXPECT_EQ(qvtest::RaisedText([&] { copy.IndexIn(RWCString("a"), length, 0); }), kBadRe);

  copy.Assign(digits);
  EXPECT_EQ(copy.TakeStatus(), 0);
  EXPECT_EQ(copy.IndexIn(RWCString("x9"), length, 0), 1u);

  RWRegularExpression& self = copy;
  copy = self;
  EXPECT_EQ(copy.IndexIn(RWCString("x9"), length, 0), 1u);
  EXPECT_EQ(length, 1u);
}

// ---- The string's side ----

TEST(RWRegularExpressionString, IndexOfRegexAndSubString) {
  RWRegularExpression prefix("Microsoft [A-Z,a-z]+ - ");
  RWCString title("Microsoft Word - Report");
  size_t length = 0;
  EXPECT_EQ(title.IndexOfRegex(prefix, length, 0), 0u);
  EXPECT_EQ(length, 17u);

  RWCSubString match = title.SubStringOfRegex(prefix);
  EXPECT_EQ(match.Start(), 0u);
  EXPECT_EQ(match.Extent(), 17u);
  match.AssignText("");
  EXPECT_TRUE(RWCString::EqualsText(title, "Report"));

  RWCSubString none = title.SubStringOfRegex(prefix);
  EXPECT_TRUE(none.IsNull());
  EXPECT_EQ(none.Extent(), 0u);

  RWCString numbers("1 22 333");
  RWCSubString later = numbers.SubStringOfRegex(RWRegularExpression("[0-9]+"), 2);
  EXPECT_EQ(later.Start(), 2u);
  EXPECT_EQ(later.Extent(), 2u);
}

}  // namespace
