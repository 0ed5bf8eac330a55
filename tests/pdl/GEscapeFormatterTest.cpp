// The escape-template formatter: templates with their arguments against the
// exact bytes they must produce, in buffer mode and in stream mode alike;
// polyline-encoded numbers against an independent encoder in Python; and
// templates, formulas and arguments that must not take a run outside its
// template, its stack or the caller's buffer.
#include "pdl/GEscapeFormatter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/PythonJudge.h"

using namespace std::string_literals;

namespace {

using Cells = std::vector<std::pair<char, int32_t>>;

class CollectingCallback : public PclStreamCallback {
 public:
  int16_t Flush(PclStream* stream, uint32_t, const uint8_t* data, int32_t length) override {
    bytes.append(reinterpret_cast<const char*>(data), static_cast<size_t>(length));
    PclStreamRewind(stream);
    return 0;
  }
  std::string bytes;
};

void SetCells(GEscapeFormatter& formatter, const Cells& cells) {
  for (const auto& [letter, value] : cells) formatter.SetCell(letter - 'A', value);
}

// Runs the template into a buffer and, with a second formatter, into a
// small stream (so that long output crosses buffer boundaries); both must
// agree. Returns the bytes.
std::string RunTemplate(const std::string& text, const Cells& cells = {}, bool base32 = false) {
  GEscapeFormatter formatter;
  SetCells(formatter, cells);
  formatter.SetBase32(base32);
  formatter.SetTemplate(text.c_str());
  std::vector<uint8_t> buffer(4096);
  uint32_t count = formatter.RunToBuffer(buffer.data(), static_cast<uint32_t>(buffer.size()));
  EXPECT_FALSE(formatter.LastRunOverflowed()) << text;
  EXPECT_EQ(formatter.GetTemplate(), text.c_str()) << text;
  std::string fromBuffer(reinterpret_cast<const char*>(buffer.data()), count);

  CollectingCallback callback;
  PclStream* stream = PclStreamCreate(7, &callback, 0);
  GEscapeFormatter streamed;
  SetCells(streamed, cells);
  streamed.SetBase32(base32);
  streamed.SetStream(stream);
  streamed.SetTemplate(text.c_str());
  uint32_t streamedCount = streamed.RunToStream();
  PclStreamFlush(stream);
  PclStreamDestroy(stream);
  EXPECT_EQ(streamedCount, count) << text;
  EXPECT_EQ(qvtest::Hex(callback.bytes), qvtest::Hex(fromBuffer)) << text;
  EXPECT_EQ(streamed.GetTemplate(), text.c_str()) << text;
  return fromBuffer;
}

struct Case {
  std::string text;
  Cells cells;
  std::string expected;
};

void ExpectCases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    EXPECT_EQ(qvtest::Hex(RunTemplate(c.text, c.cells)), qvtest::Hex(c.expected)) << "template " << c.text;
  }
}

TEST(GEscapeFormatterTest, LiteralAndHexBytes) {
  ExpectCases({
      {"#1BE", {}, "\x1b" "E"s},
      {"#1b", {}, "\x1b"s},
      {"#0C#00#ff#Fa", {}, "\x0c\x00\xff\xfa"s},
      {"#zz#G1#1x", {}, "\x00\x01\x10"s},  // other characters count 0
      {"%%%0a, b;c", {}, "%\0a, b;c"s},
      {"#1B&l%fA%A0X#0C", {{'A', 3}}, "\x1b&l3X\x0c"s},
      {"", {}, ""},
  });
}

TEST(GEscapeFormatterTest, DecimalFormat) {
  ExpectCases({
      {"%fA%A0", {{'A', -7}}, "-7"},
      {"%fA%A0", {{'A', 0}}, "0"},
      {"%fA%A3", {{'A', 5}}, "005"},
      {"%fA%A3", {{'A', 12345}}, "12345"},
      {"%fA%A7", {{'A', 42}}, "0000042"},
      {"%fA%A8", {{'A', 5}}, ""},
      {"%fA%Ax", {{'A', 5}}, ""},
      {"%fA%A3", {{'A', -5}}, "-05"},  // the sign stays in front of the padding
      {"%fA%A0", {{'A', INT32_MIN}}, "-2147483648"},
      {"%fA%A0", {{'A', 16777216}}, "16777216"},
      {"%fA 2/%A0", {{'A', -7}}, "-3"},  // truncated toward zero
  });
}

TEST(GEscapeFormatterTest, FixedPointFormat) {
  ExpectCases({
      {"%fA%F0", {{'A', 2}}, "2."},
      {"%fA 20000/%F7", {{'A', 3}}, "0.0001"},
      {"%f1016A/1 10000/+%F6", {{'A', 600}}, "1.6934"},
      {"%f0 0.5-%F1", {}, "-0.5"},
      {"%f0 1.5-%F1", {}, "-1.5"},
      {"%f3.05%F4", {}, "3.0499"},  // digits are cut, never rounded
      {"%fA%F2", {{'A', -3}}, "-3.00"},
      {"%fA 2/%F3", {{'A', 7}}, "3.500"},
      {"%fA24/1 1000/+%F3", {{'A', 300}}, "12.501"},
      {"%fA%Fx", {{'A', 1}}, ""},
  });
}

TEST(GEscapeFormatterTest, PolylineEncodedFormat) {
  ExpectCases({
      {"%fA%G0", {{'A', 0}}, "\xbf"s},
      {"%fA%G0", {{'A', 100}}, "\x47\xc2"s},
      {"%f0C-%G0", {{'C', 5}}, "\xca"s},
      {"%f1 2/%G1", {}, "\xc1"s},  // 0.5 scaled by 2 is 1
      {"%fA%G0%fB%G0", {{'A', 1}, {'B', -1}}, "\xc1\xc2"s},
      {"%fA%Gx", {{'A', 1}}, ""},
  });
  // Base 32: digits 63-94, the last one 95-126.
  EXPECT_EQ(qvtest::Hex(RunTemplate("%fA%G0", {{'A', 10}}, true)), "73");
  EXPECT_EQ(qvtest::Hex(RunTemplate("%fA%G0", {{'A', 100}}, true)), "4765");
}

TEST(GEscapeFormatterTest, ByteFormats) {
  ExpectCases({
      {"%fC%I2", {{'C', 300}}, "\x01\x2c"s},
      {"%fE%H1", {{'E', 300}}, "\x2c"s},
      {"%fA%I1", {{'A', 0x010203}}, "\x03"s},
      {"%fA%I3", {{'A', 0x010203}}, "\x01\x02\x03"s},
      {"%fA%I4", {{'A', 0x010203}}, "\x00\x01\x02\x03"s},
      {"%fA%I0", {{'A', -1}}, "\xff\xff\xff\xff"s},
      {"%fA%I5", {{'A', 1}}, ""},
      {"%fA%H2", {{'A', 0x0102}}, "\x02\x01"s},
      {"%fA%H3", {{'A', 0x010203}}, "\x03\x02\x01"s},
      {"%fA%Q0", {{'A', 0x010203}}, "\x03\x02\x01\x00"s},
      {"%fA%H9", {{'A', 1}}, ""},
      {"x%fA%sy", {{'A', 9}}, "xy"},
  });
}

TEST(GEscapeFormatterTest, FormulaOperators) {
  ExpectCases({
      {"%f7 2+%A0", {}, "9"},
      {"%f7 2-%A0", {}, "5"},
      {"%f7 2*%A0", {}, "14"},
      {"%f7 2/%F1", {}, "3.5"},
      {"%f1 2<%A0,%f2 1<%A0,%f2 2<%A0", {}, "1,0,0"},
      {"%f2 2=%A0,%f2 1=%A0", {}, "1,0"},
      {"%f2 1>%A0,%f1 2>%A0,%f2 2>%A0", {}, "1,0,0"},
      {"%f0!%A0,%f5!%A0,%f0 0-!%A0", {}, "1,0,1"},
      {"%f0 7 2/i-%F1,%f0 7-2/i%F1", {}, "-3.0,-3.0"},
      {"%fABCDEFGH+++++++%A0", {{'A', 1}, {'B', 2}, {'C', 3}, {'D', 4}, {'E', 5}, {'F', 6}, {'G', 7}, {'H', 8}}, "36"},
      {"%f0.46 100*%A0", {}, "46"},
      {"%f1 10000/%F4", {}, "0.0000"},  // a float just below 1/10000, cut
      {"%f1 10000/1 100000/+%F4", {}, "0.0001"},
      {"%f1234567%A0", {}, "1234567"},
      {"%f12.5 x 2*%F1", {}, "25.0"},  // other characters separate
      {"%fA B-C*%A0", {{'A', 10}, {'B', 4}, {'C', -3}}, "-18"},
  });
}

TEST(GEscapeFormatterTest, DirectValues) {
  ExpectCases({
      {"%A%A0", {{'A', 42}}, "42"},
      {"%123%A4", {}, "0123"},
      {"%C%I2", {{'C', 300}}, "\x01\x2c"s},
      {"%B%s1", {{'B', 0x0102}}, "\x02"s},  // "s" is the little-endian format here
      {"%5%F2", {}, "5.00"},
      {"%3%G0", {}, "\xc5"s},
      {"%H%A0", {{'H', -9}}, "-9"},
      {"%16777217%A0", {}, "16777217"},  // integers, not rounded through a float
  });
}

TEST(GEscapeFormatterTest, Conditionals) {
  const std::string simple = "%iA%s[then]%e[else]%Eend";
  EXPECT_EQ(RunTemplate(simple, {{'A', 1}}), "[then]end");
  EXPECT_EQ(RunTemplate(simple, {{'A', 0}}), "[else]end");
  EXPECT_EQ(RunTemplate("%iA 2/%sT%eF%E", {{'A', 1}}), "F");  // 0.5 truncates to 0
  EXPECT_EQ(RunTemplate("%iA%A0!%e?%E", {{'A', 2}}), "2!");
  EXPECT_EQ(RunTemplate("%iA%A0!%e?%E", {{'A', 0}}), "0?");

  const std::string nested = "%iA%sa%iB%sb%ec%Ed%ee%Ef";
  EXPECT_EQ(RunTemplate(nested, {{'A', 0}, {'B', 1}}), "ef");
  EXPECT_EQ(RunTemplate(nested, {{'A', 1}, {'B', 0}}), "acdf");
  EXPECT_EQ(RunTemplate(nested, {{'A', 1}, {'B', 1}}), "abdf");
  EXPECT_EQ(RunTemplate("%i0%s100%%%e50%%%E"), "50%");

  // A false condition whose else is missing finds no target: the run ends.
  EXPECT_EQ(RunTemplate("x%i0%sabc%Exyz"), "x");
}

TEST(GEscapeFormatterTest, RunsLeaveTheTemplateInPlaceAndKeepTheCells) {
  GEscapeFormatter formatter;
  const char* text = "%fA%A0,%fB%A0";
  formatter.SetTemplate(text);
  formatter.SetCell(0, 12);
  formatter.SetCell(1, -3);
  uint8_t buffer[32];
  EXPECT_EQ(formatter.RunToBuffer(buffer, sizeof buffer), 5u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 5), "12,-3");
  EXPECT_EQ(formatter.GetTemplate(), text);
  formatter.SetCell(1, 4);
  EXPECT_EQ(formatter.RunToBuffer(buffer, sizeof buffer), 4u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 4), "12,4");
  EXPECT_EQ(formatter.GetCell(0), 12);
  // Only cells A to H exist.
  formatter.SetCell(8, 99);
  formatter.SetCell(-1, 99);
  EXPECT_EQ(formatter.GetCell(8), 0);
  EXPECT_EQ(formatter.GetCell(-1), 0);
}

TEST(GEscapeFormatterTest, PolylineNumbersAgreeWithAnIndependentEncoder) {
  const int32_t numerators[] = {0,     1,      -1,      31,       32,       -16,       63,        64,
                                -32,   4095,   4096,    -2048,    100000,   -100000,   16777217,  123456789,
                                -77777, INT32_MAX, INT32_MIN};
  const int32_t denominators[] = {1, 3, -7, 1000};
  const int fractionBits[] = {0, 1, 5, 9};
  struct Sample {
    int32_t a, b;
    int bits;
    bool base32;
    std::string ours;
  };
  std::vector<Sample> samples;
  std::ostringstream script;
  script << "import struct\n"
            "def f32(x): return struct.unpack('<f', struct.pack('<f', x))[0]\n"
            "cases = [\n";
  for (int32_t a : numerators)
    for (int32_t b : denominators)
      for (int bits : fractionBits)
        for (bool base32 : {false, true}) {
          std::string text = "%fA B/%G" + std::to_string(bits);
          samples.push_back({a, b, bits, base32, qvtest::Hex(RunTemplate(text, {{'A', a}, {'B', b}}, base32))});
          script << "(" << a << "," << b << "," << bits << "," << (base32 ? 1 : 0) << "),\n";
        }
  script << "]\n"
            "for a, b, bits, b32 in cases:\n"
            "    v = f32(f32(a) / f32(b))\n"
            "    w = int(v * 2 ** bits)\n"
            "    w = max(min(w, 2 ** 31 - 1), -2 ** 31)\n"
            "    z = 2 * w if w >= 0 else -2 * w + 1\n"
            "    base, last = (32, 95) if b32 else (64, 191)\n"
            "    out = []\n"
            "    while z >= base:\n"
            "        out.append(z % base + 63)\n"
            "        z //= base\n"
            "    out.append(z + last)\n"
            "    print(bytes(out).hex())\n";
  std::string output;
  ASSERT_TRUE(qvtest::RunPython(script.str(), &output));
  std::vector<std::string> lines = qvtest::Lines(output);
  ASSERT_EQ(lines.size(), samples.size());
  for (size_t i = 0; i < samples.size(); ++i) {
    const Sample& s = samples[i];
    EXPECT_EQ(s.ours, lines[i]) << s.a << "/" << s.b << " bits " << s.bits << " base32 " << s.base32;
  }
}

// Templates that end inside an element, direct values that name no cell or
// no number, and formulas the stack cannot hold or that have no result.
TEST(GEscapeFormatterTest, DamagedTemplatesStayInsideThemselves) {
  std::string hundredOnes, hundredAndOneOnes;
  for (int i = 0; i < 100; ++i) hundredOnes += "1 ";
  hundredAndOneOnes = hundredOnes + "1 ";
  ExpectCases({
      // Ends inside an element: the run stops there.
      {"ab#", {}, "ab"},
      {"ab#1", {}, "ab"},
      {"x%", {}, "x"},
      {"x%fA", {{'A', 1}}, "x"},
      {"x%fA%", {{'A', 1}}, "x"},
      {"x%fA%A", {{'A', 1}}, "x"},
      {"x%A", {{'A', 1}}, "x"},
      {"x%A%", {{'A', 1}}, "x"},
      {"x%A%A", {{'A', 1}}, "x"},
      // Not a cell A to H, not a plain decimal integer: nothing printed.
      {"%Z%A0x", {}, "x"},
      {"%a%A0x", {}, "x"},
      {"%AB%A0x", {{'A', 1}}, "x"},
      {"%-5%A0x", {}, "x"},
      {"%1x%A0x", {}, "x"},
      {"%2147483648%A0x%2147483647%A0", {}, "x2147483647"},
      {"%99999999999999999999%A0x", {}, "x"},
      // The stack holds 100 values.
      {"%f" + hundredOnes + "%A0", {}, "1"},
      {"%f" + hundredAndOneOnes + "%A0x", {}, "x"},
      // Too few values for an operator or for the result.
      {"%f+%A0x", {}, "x"},
      {"%f1+%A0x", {}, "x"},
      {"%f!%A0x", {}, "x"},
      {"%fi%A0x", {}, "x"},
      {"%f%A0x", {}, "x"},
      {"%f %sx", {}, "x"},
      // Literals of more than seven digits or with two points.
      {"%f12345678%A0x", {}, "x"},
      {"%f1.2.3%A0x", {}, "x"},
      // Division by zero and results that are no finite number.
      {"%f1 0/%A0x", {}, "x"},
      {"%fA B/%F2x", {{'A', 5}, {'B', 0}}, "x"},
      {"%f0 0/%G0x", {}, "x"},
      {"%f9999999 9999999*9999999*9999999*9999999*9999999*%A0x", {}, "x"},
      // A faulty condition counts as false.
      {"%i1 0/%sT%eF%E", {}, "F"},
      // The next formula starts on an empty stack after a fault.
      {"%f1 2 3 4 1 0/%A0%f+%A0x", {}, "x"},
  });
}

TEST(GEscapeFormatterTest, ValuesBeyondThirtyTwoBitsPrintAtTheLimit) {
  ExpectCases({
      {"%fA 1000*%A0", {{'A', 3000000}}, "2147483647"},
      {"%fA 1000*%A0", {{'A', -3000000}}, "-2147483648"},
      {"%fA%A0", {{'A', INT32_MAX}}, "2147483647"},  // 2^31 as a float
      {"%fA 1000*%I0", {{'A', 3000000}}, "\x7f\xff\xff\xff"s},
      {"%fA 1000*%H0", {{'A', -3000000}}, "\x00\x00\x00\x80"s},
      {"%fA 1000*%F2", {{'A', 3000000}}, "2147483647.00"},
      {"%fA 1000*%F2", {{'A', -3000000}}, "-2147483648.00"},
  });
  // The most negative 32-bit value encodes as 2^32 + 1 with its sign bit.
  EXPECT_EQ(qvtest::Hex(RunTemplate("%fA%G9", {{'A', INT32_MIN}})), qvtest::Hex("\x40\x3f\x3f\x3f\x3f\xc3"s));
}

TEST(GEscapeFormatterTest, BufferModeNeverWritesPastTheCallersSize) {
  GEscapeFormatter formatter;
  formatter.SetTemplate("#1B&l%fA%A0X");
  formatter.SetCell(0, 12345);
  uint8_t buffer[12];
  std::memset(buffer, 0xEE, sizeof buffer);
  EXPECT_EQ(formatter.RunToBuffer(buffer, 4), 4u);
  EXPECT_TRUE(formatter.LastRunOverflowed());
  EXPECT_EQ(std::memcmp(buffer, "\x1b&l1", 4), 0);
  for (size_t i = 4; i < sizeof buffer; ++i) EXPECT_EQ(buffer[i], 0xEE) << i;

  // Exactly enough room is not an overflow.
  EXPECT_EQ(formatter.RunToBuffer(buffer, 9), 9u);
  EXPECT_FALSE(formatter.LastRunOverflowed());
  EXPECT_EQ(std::memcmp(buffer, "\x1b&l12345X", 9), 0);

  EXPECT_EQ(formatter.RunToBuffer(buffer, 0), 0u);
  EXPECT_TRUE(formatter.LastRunOverflowed());
  EXPECT_EQ(formatter.RunToBuffer(nullptr, 100), 0u);
  EXPECT_TRUE(formatter.LastRunOverflowed());
}

TEST(GEscapeFormatterTest, NothingIsProducedWithoutATemplateOrAStream) {
  GEscapeFormatter formatter;
  uint8_t buffer[8];
  EXPECT_EQ(formatter.RunToBuffer(buffer, sizeof buffer), 0u);
  EXPECT_EQ(formatter.RunToStream(), 0u);
  formatter.SetTemplate("abc");
  EXPECT_EQ(formatter.RunToStream(), 0u);  // no stream set
  EXPECT_EQ(formatter.RunToBuffer(buffer, sizeof buffer), 3u);
}

TEST(GEscapeFormatterTest, StreamModeFillsTheStreamAcrossFlushes) {
  CollectingCallback callback;
  PclStream* stream = PclStreamCreate(8192, &callback, 0);
  GEscapeFormatter formatter;
  formatter.SetStream(stream);
  formatter.SetTemplate("#1B*b%fA%A0W");
  std::string expected;
  for (int32_t i = 0; i < 2000; ++i) {
    formatter.SetCell(0, i);
    uint32_t count = formatter.RunToStream();
    std::string piece = "\x1b*b" + std::to_string(i) + "W";
    EXPECT_EQ(count, piece.size());
    expected += piece;
  }
  EXPECT_GT(expected.size(), 8192u);
  EXPECT_EQ(stream->total, expected.size());
  PclStreamFlush(stream);
  PclStreamDestroy(stream);
  EXPECT_EQ(callback.bytes, expected);
}

}  // namespace
