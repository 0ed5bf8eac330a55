// The portable text form: number formats, escapes, line breaking, and the
// reader's handling of strings and damaged text.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "rw/RWPortableStream.h"
#include "support/ErrorCapture.h"

namespace {

template <typename F>
std::string Written(F&& write) {
  std::stringbuf text;
  RWPortableOutStream out(&text);
  write(out);
  EXPECT_TRUE(out.Good());
  return text.str();
}

TEST(RWPortableOutStream, NumbersAreDecimalTextOnePerLine) {
  struct Case {
    const char* name;
    std::function<void(RWVirtualOutStream&)> put;
    const char* text;
  } cases[] = {
      {"Short", [](RWVirtualOutStream& o) { o.PutShort(-32768); }, "-32768\n"},
      {"UShort", [](RWVirtualOutStream& o) { o.PutUShort(65535); }, "65535\n"},
      {"Int", [](RWVirtualOutStream& o) { o.PutInt(-7); }, "-7\n"},
      {"UInt", [](RWVirtualOutStream& o) { o.PutUInt(4000000000u); }, "4000000000\n"},
      {"Long", [](RWVirtualOutStream& o) { o.PutLong(INT32_MIN); }, "-2147483648\n"},
      {"ULong", [](RWVirtualOutStream& o) { o.PutULong(4294967295u); }, "4294967295\n"},
      {"Char as %d", [](RWVirtualOutStream& o) { o.PutChar(static_cast<char>(0xE9)); }, "-23\n"},
      {"UChar as %u", [](RWVirtualOutStream& o) { o.PutUChar(0xE9); }, "233\n"},
      {"Float", [](RWVirtualOutStream& o) { o.PutFloat(1.5f); }, "1.500000e+00\n"},
      {"Double", [](RWVirtualOutStream& o) { o.PutDouble(0.1); }, "1.000000000000000e-01\n"},
      {"Double exponent", [](RWVirtualOutStream& o) { o.PutDouble(-2.5e-300); }, "-2.500000000000000e-300\n"},
      {"Chars", [](RWVirtualOutStream& o) { const char c[] = {'A', '\0'}; o.PutChars(c, 2); }, "65\n0\n"},
      {"UShorts", [](RWVirtualOutStream& o) { const uint16_t v[] = {1, 2}; o.PutUShorts(v, 2); }, "1\n2\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(Written(c.put), c.text) << c.name;
}

TEST(RWPortableOutStream, FloatsAndDoublesMatchTheCLibraryForms) {
  // The C library's printf is the judge of "%.6e" and "%.15e".
  const double values[] = {0.0, -0.0, 1.0, 3.14159265358979, 1e-310, 1.7976931348623157e308, -123456.789, 2.0 / 3.0};
  for (double v : values) {
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.15e\n", v);
    EXPECT_EQ(Written([&](RWVirtualOutStream& o) { o.PutDouble(v); }), expected);
    const float f = static_cast<float>(v);
    std::snprintf(expected, sizeof expected, "%.6e\n", static_cast<double>(f));
    EXPECT_EQ(Written([&](RWVirtualOutStream& o) { o.PutFloat(f); }), expected);
  }
}

TEST(RWPortableOutStream, CharactersAreEscaped) {
  const std::string all = "\b\t\n\f\r\"\\{}a~! \xe9\x7f\x01";
  EXPECT_EQ(Written([&](RWVirtualOutStream& o) { o.PutString(all.data(), static_cast<unsigned>(all.size())); }),
            "\"\\b\\t\\n\\f\\r\\\"\\\\\\[\\]a~!\\x20\\xe9\\x7f\\x01\"");
  EXPECT_EQ(Written([](RWVirtualOutStream& o) { o.PutCharText('{'); }), "\\[");
  EXPECT_EQ(Written([](RWVirtualOutStream& o) { o.PutUCharText(0xE9); }), "\\xe9");
  // Character forms have no separator.
  EXPECT_EQ(Written([](RWVirtualOutStream& o) { o.PutCharText('a').PutCharText('b'); }), "ab");
  EXPECT_EQ(Written([](RWVirtualOutStream& o) { o.PutCString("a b"); }), "\"a\\x20b\"");
}

TEST(RWPortableOutStream, LinesBreakBeforeColumn81) {
  std::string text = Written([](RWVirtualOutStream& o) {
    for (int i = 0; i < 100; ++i) o.PutCharText('a');
  });
  EXPECT_EQ(text, std::string(80, 'a') + "\n" + std::string(20, 'a'));

  // An escape that would pass column 80 moves to the next line whole.
  text = Written([](RWVirtualOutStream& o) {
    for (int i = 0; i < 79; ++i) o.PutCharText('a');
    o.PutCharText('{');
    o.PutCharText('b');
  });
  EXPECT_EQ(text, std::string(79, 'a') + "\n\\[b");

  // Numbers do not reset the count; the quotes of strings count.
  text = Written([](RWVirtualOutStream& o) {
    for (int i = 0; i < 78; ++i) o.PutCharText('a');
    o.PutInt(5);
    o.PutCString("bc");
  });
  EXPECT_EQ(text, std::string(78, 'a') + "5\n\"b\nc\"");
  RWPortableOutStream counter(static_cast<std::streambuf*>(nullptr));
  EXPECT_EQ(counter.Column(), 0);
}

TEST(RWPortableInStream, EscapesAndLineBreaksReadBack) {
  std::stringbuf text("\\[ \\] \\x4 \\xe9\n\\q \"ab\n\\\"\\x20\\xe\n9c\"");
  RWPortableInStream in(&text);
  char c = 0;
  in.GetCharText(c);
  EXPECT_EQ(c, '{');
  in.GetCharText(c);
  EXPECT_EQ(c, '}');
  in.GetCharText(c);
  EXPECT_EQ(c, '\x04');  // one digit, ended by the space
  unsigned char uc = 0;
  in.GetUCharText(uc);
  EXPECT_EQ(uc, 0xE9);
  in.GetCharText(c);
  EXPECT_EQ(c, 'q');  // an unknown escape stands for itself
  char buffer[16];
  in.GetString(buffer, sizeof buffer);
  // Newlines inside are skipped; "\xe" stops at the newline.
  EXPECT_STREQ(buffer, "ab\" \x0e" "9c");
  EXPECT_TRUE(in.Good());
}

TEST(RWPortableInStream, ShortBufferTruncatesAndConsumesTheString) {
  std::stringbuf text(Written([](RWVirtualOutStream& o) {
    o.PutCString("0123456\\\"89");
    o.PutInt(77);
  }));
  RWPortableInStream in(&text);
  char buffer[4] = {'x', 'x', 'x', 'x'};
  in.GetString(buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "012");
  EXPECT_TRUE(in.Fail());
  in.Clear();
  int32_t next = 0;
  in.GetInt(next);
  EXPECT_EQ(next, 77);  // the escaped quote inside did not end the skip
}

TEST(RWPortableInStream, MissingOpeningQuoteRaisesSynstreamAndFails) {
  std::stringbuf text("  abc\" 5");
  RWPortableInStream in(&text);
  char buffer[8] = "zzzzzzz";
  const std::string raised = qvtest::RaisedText([&] { in.GetString(buffer, sizeof buffer); });
  EXPECT_EQ(raised, "[SYNSTREAM] Syntax error in input stream: expected \", got a");
  EXPECT_TRUE(in.Fail());
  EXPECT_STREQ(buffer, "");

  // With a handler that returns, the stream stays failed and reads stop.
  std::stringbuf again("x 5");
  RWPortableInStream in2(&again);
  qvtest::ScopedErrorCapture capture;
  in2.GetString(buffer, sizeof buffer);
  ASSERT_EQ(capture.Texts().size(), 1u);
  int32_t value = -1;
  in2.GetInt(value);
  EXPECT_EQ(value, -1);
  EXPECT_TRUE(in2.Fail());
}

TEST(RWPortableInStream, DamagedTextFailsTheStream) {
  struct Case {
    const char* text;
    std::function<void(RWVirtualInStream&)> get;
  } cases[] = {
      {"70000\n", [](RWVirtualInStream& i) { int16_t v = 3; i.GetShort(v); EXPECT_EQ(v, 3); }},
      {"-40000\n", [](RWVirtualInStream& i) { int16_t v = 3; i.GetShort(v); EXPECT_EQ(v, 3); }},
      {"99999999999\n", [](RWVirtualInStream& i) { int32_t v = 3; i.GetInt(v); EXPECT_EQ(v, 3); }},
      {"99999999999\n", [](RWVirtualInStream& i) { char v = 3; i.GetChar(v); EXPECT_EQ(v, 3); }},
      {"seven\n", [](RWVirtualInStream& i) { uint32_t v = 3; i.GetULong(v); EXPECT_EQ(v, 3u); }},
      {"1e999\n", [](RWVirtualInStream& i) { double v = 3; i.GetDouble(v); }},
      {"", [](RWVirtualInStream& i) { char v = 3; i.GetCharText(v); EXPECT_EQ(v, 3); }},
      {"\\", [](RWVirtualInStream& i) { char v = 3; i.GetCharText(v); EXPECT_EQ(v, 3); }},
      {"\"abc", [](RWVirtualInStream& i) { char b[8]; i.GetString(b, 8); EXPECT_STREQ(b, "abc"); }},
      {"\"ab\\", [](RWVirtualInStream& i) { char b[8]; i.GetString(b, 8); EXPECT_STREQ(b, "ab"); }},
      {"", [](RWVirtualInStream& i) { char b[8] = "q"; i.GetString(b, 8); EXPECT_STREQ(b, ""); }},
      {"1 2", [](RWVirtualInStream& i) { int16_t v[3] = {9, 9, 9}; i.GetShorts(v, 3); EXPECT_EQ(v[2], 9); }},
  };
  for (const auto& c : cases) {
    std::stringbuf text(c.text);
    RWPortableInStream in(&text);
    c.get(in);
    EXPECT_TRUE(in.Fail()) << '"' << c.text << '"';
  }
}

TEST(RWPortableInStream, GetReadsAnIntAndAnswersMinusOneAtEnd) {
  std::stringbuf text("12\n-3\n7");
  RWPortableInStream in(&text);
  EXPECT_EQ(in.Get(), 12);
  EXPECT_EQ(in.Get(), -3);
  EXPECT_EQ(in.Get(), -1);  // 7 was read, but the stream is at end
  EXPECT_TRUE(in.Eof());
}

}  // namespace
