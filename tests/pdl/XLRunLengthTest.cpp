// The stream encoder's run-length coding of raster rows: known answers for
// runs, literals and padding, a decoder's round trip over many rows, and
// the limit that lets a caller fall back to other coding.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "pdl/XLStream.h"
#include "support/XLStreamTestSupport.h"

namespace {

using qvtest::FromHex;
using qvtest::SpacedHex;

// PackBits decoding, as the printer reads the runs.
std::vector<uint8_t> XlUnpackRuns(const std::string& runs) {
  std::vector<uint8_t> out;
  size_t i = 0;
  while (i < runs.size()) {
    const auto control = static_cast<int8_t>(runs[i++]);
    if (control >= 0) {
      for (int k = 0; k <= control && i < runs.size(); ++k) out.push_back(static_cast<uint8_t>(runs[i++]));
    } else if (control != -128 && i < runs.size()) {
      out.insert(out.end(), static_cast<size_t>(1 - control), static_cast<uint8_t>(runs[i++]));
    }
  }
  return out;
}

std::string XlRunsOf(const std::vector<uint8_t>& data, uint32_t limit = 0, uint32_t* size = nullptr) {
  qvtest::XLFixture fixture(64);  // a small buffer: runs cross flushes
  uint32_t written = 0;
  XLWriteRunLength(*fixture, limit, data.data(), static_cast<uint32_t>(data.size()), &written);
  if (size != nullptr) *size = written;
  return fixture.Bytes();
}

TEST(XLRunLengthTest, KnownAnswers) {
  struct Case {
    const char* name;
    std::vector<uint8_t> data;
    std::string runs;
  } cases[] = {
      {"four equal bytes", {0xAA, 0xAA, 0xAA, 0xAA}, "FD AA"},
      {"five different bytes and three bytes of padding", {1, 2, 3, 4, 5}, "04 01 02 03 04 05 FE 00"},
      {"one byte of padding is a literal zero", {7, 7, 9}, "FF 07 00 09 00 00"},
      {"a literal stops before a pair", {1, 2, 3, 3, 3, 3, 4, 5}, "01 01 02 FD 03 01 04 05"},
      {"nothing", {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    uint32_t size = 99;
    EXPECT_EQ(SpacedHex(XlRunsOf(c.data, 0, &size)), SpacedHex(FromHex(c.runs)));
    EXPECT_EQ(size, FromHex(c.runs).size());
    uint32_t counted = 99;
    XLRunLengthSize(c.data.data(), static_cast<uint32_t>(c.data.size()), &counted);
    EXPECT_EQ(counted, size);
  }
}

TEST(XLRunLengthTest, RunsAreAtMost127BytesAndDecodeToThePaddedRow) {
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    std::vector<uint8_t> row(random() % 700);
    // Long equal stretches and noise.
    for (size_t i = 0; i < row.size(); ++i) row[i] = (i / 150) % 2 == 0 ? 0x55 : static_cast<uint8_t>(random() % 4);
    uint32_t size = 0;
    const std::string runs = XlRunsOf(row, 0, &size);
    std::vector<uint8_t> padded = row;
    padded.resize((row.size() + 3) / 4 * 4, 0);
    ASSERT_EQ(XlUnpackRuns(runs), padded) << "round " << round;
    ASSERT_EQ(size, runs.size());
    for (size_t i = 0; i < runs.size();) {
      const auto control = static_cast<int8_t>(runs[i]);
      ASSERT_NE(control, -128);
      i += control >= 0 ? 2 + control : 2;
    }
  }
}

TEST(XLRunLengthTest, ALimitStopsBeforeTheNextRunAndReportsNoSize) {
  std::vector<uint8_t> noise(40);
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(i * 37);
  std::vector<uint8_t> row(300, 0x11);
  row.insert(row.end(), noise.begin(), noise.end());
  uint32_t size = 99;
  const std::string stopped = XlRunsOf(row, 4, &size);
  EXPECT_EQ(size, 0u) << "the limit was reached before the data ended";
  EXPECT_EQ(SpacedHex(stopped), "82 11 82 11") << "what was written before the limit stays";
  // A limit the runs stay below changes nothing.
  uint32_t whole = 0;
  XLRunLengthSize(row.data(), static_cast<uint32_t>(row.size()), &whole);
  EXPECT_EQ(XlRunsOf(row, whole + 1, &size), XlRunsOf(row));
  EXPECT_EQ(size, whole);
}

}  // namespace
