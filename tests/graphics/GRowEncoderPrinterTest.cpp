// Encoded raster rows as a printer reads them: images go through the
// pipeline into each row encoder, the rows are framed as PCL raster
// graphics with the matching compression method, and the independent PCL
// interpreter prints them. The printed pixels must be the image's.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "graphics/GDitherMatrix.h"
#include "graphics/GRasterPipelineBuilder.h"
#include "graphics/GRectangleStage.h"
#include "graphics/GRowEncoder.h"
#include "support/RasterTestSupport.h"

#ifndef QV_GPCL6
#define QV_GPCL6 ""
#endif

namespace {

using rastertest::Bytes;
using rastertest::MakeBitmap;
using rastertest::Noise;

std::string Interpreter() {
  const char* set = std::getenv("QV_GPCL6");
  const std::string path = set != nullptr && *set != '\0' ? set : QV_GPCL6;
  return !path.empty() && access(path.c_str(), X_OK) == 0 ? path : std::string();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

struct Page {
  int width = 0;
  int height = 0;
  std::string pixels;  // one gray byte a pixel
  bool Dark(int x, int y) const { return static_cast<unsigned char>(pixels[static_cast<size_t>(y) * width + x]) < 128; }
};

// Prints the job at 300 dpi; the first page, or an empty one with the
// interpreter's messages in errors.
Page Print(const std::string& interpreter, const std::string& job, const std::string& name, std::string& errors) {
  const std::string base = ::testing::TempDir() + "qv_raster_" + std::to_string(getpid()) + "_" + name;
  const std::string jobPath = base + ".pcl";
  const std::string errorPath = base + ".err";
  const std::string pagePath = base + "-1.pgm";
  std::ofstream(jobPath, std::ios::binary) << job;
  const std::string command = "'" + interpreter + "' -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pgmraw -r300 -o '" + base +
                              "-%d.pgm' '" + jobPath + "' >'" + errorPath + "' 2>&1";
  const int status = std::system(command.c_str());
  errors = ReadFile(errorPath) + (status != 0 ? " (exit status " + std::to_string(status) + ")" : "");
  const std::string image = ReadFile(pagePath);
  std::remove(jobPath.c_str());
  std::remove(errorPath.c_str());
  std::remove(pagePath.c_str());
  Page page;
  // "P5", width, height, maximum, then the pixels.
  size_t at = 0;
  int fields[4] = {0, 0, 0, 0};
  for (int f = 0; f < 4; ++f) {
    while (at < image.size() && (std::isspace(static_cast<unsigned char>(image[at])) || image[at] == '#')) {
      if (image[at] == '#') at = image.find('\n', at);
      if (at == std::string::npos) return page;
      ++at;
    }
    const size_t start = at;
    while (at < image.size() && !std::isspace(static_cast<unsigned char>(image[at]))) ++at;
    if (f > 0) fields[f] = std::atoi(image.substr(start, at - start).c_str());
  }
  ++at;
  if (fields[1] <= 0 || fields[2] <= 0 || image.size() < at + static_cast<size_t>(fields[1]) * fields[2]) return page;
  page.width = fields[1];
  page.height = fields[2];
  page.pixels = image.substr(at, static_cast<size_t>(page.width) * page.height);
  return page;
}

// The PCL job: raster graphics at 300 dpi at (150, 150), the given
// compression method, one transfer per encoded row.
std::string Job(int method, int width, const std::vector<Bytes>& rows) {
  std::string job = "\x1b" "E" "\x1b*t300R" "\x1b*p150x150Y" "\x1b*r" + std::to_string(width) + "S" "\x1b*r1A";
  job += "\x1b*b" + std::to_string(method) + "M";
  for (const Bytes& row : rows) {
    job += "\x1b*b" + std::to_string(row.size()) + "W";
    job.append(row.begin(), row.end());
  }
  job += "\x1b*rB" "\f" "\x1b" "E";
  return job;
}

// Every row the pipeline delivers, rows times.
std::vector<Bytes> EncodedRows(GRasterPipelineBuilder& builder, int rows) {
  std::vector<Bytes> out;
  int covered = 0;
  while (covered < rows) {
    Bytes buffer(builder.GetRowBytes());
    int16_t row = 0;
    uint32_t length = 0;
    uint8_t repeat = 1;
    uint8_t rowsCovered = 1;
    builder.ReadRow(buffer.data(), row, length, repeat, rowsCovered);
    buffer.resize(length);
    for (int i = 0; i < repeat; ++i) out.push_back(buffer);
    covered += repeat * rowsCovered;
  }
  return out;
}

// A 1-bit image (1 = ink) of the given width: a solid top row and left
// column that place it on the page, blank rows, text-like rows, repeated
// rows and noise.
Bytes OneBitImage(int width, int height) {
  const size_t rowBytes = (static_cast<size_t>(width) + 7) / 8;
  Bytes data(rowBytes * height, 0);
  Noise noise(11);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = data.data() + rowBytes * y;
    if (y == 0) {
      std::memset(row, 0xFF, rowBytes);
    } else if (y % 9 == 4) {
      // blank
    } else if (y % 9 >= 5 && y % 9 <= 6) {
      std::memcpy(row, row - rowBytes, rowBytes);
    } else if (y % 9 == 7) {
      for (size_t x = 0; x < rowBytes; ++x) row[x] = noise.Next();
    } else {
      for (size_t x = 0; x < rowBytes; ++x) row[x] = noise.Next() % 5 == 0 ? noise.Next() : 0x00;
    }
    row[0] |= 0x80;
    // Clear the bits past the width, which no printer prints.
    if (width % 8 != 0) row[rowBytes - 1] &= static_cast<uint8_t>(0xFF << (8 - width % 8));
  }
  return data;
}

bool Ink(const Bytes& data, int width, int x, int y) {
  const size_t rowBytes = (static_cast<size_t>(width) + 7) / 8;
  return (data[rowBytes * y + x / 8] >> (7 - x % 8)) & 1;
}

// The page's pixels at the image's place (found by its top-left corner)
// match the image, and nothing is printed beside it.
void ExpectPrinted(const Page& page, const Bytes& image, int width, int height) {
  ASSERT_GT(page.width, 0);
  int top = -1;
  int left = -1;
  for (int y = 0; y < page.height && top < 0; ++y)
    for (int x = 0; x < page.width; ++x)
      if (page.Dark(x, y)) {
        top = y;
        left = x;
        break;
      }
  ASSERT_GE(top, 0) << "nothing printed";
  ASSERT_LE(left + width, page.width);
  ASSERT_LE(top + height, page.height);
  int wrong = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (page.Dark(left + x, top + y) != Ink(image, width, x, y) && ++wrong <= 5)
        ADD_FAILURE() << "pixel (" << x << ", " << y << ")";
  EXPECT_EQ(wrong, 0);
  size_t dark = 0;
  for (char c : page.pixels) dark += static_cast<unsigned char>(c) < 128;
  size_t ink = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) ink += Ink(image, width, x, y);
  EXPECT_EQ(dark, ink) << "pixels printed outside the image";
}

class RowEncoderPrinterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    interpreter_ = Interpreter();
    // Without the interpreter the output goes unjudged: a failure.
    ASSERT_FALSE(interpreter_.empty()) << "the PCL interpreter (gpcl6) is not at ../shared/tools/pcl; "
                                          "set QV_GPCL6 to its path";
  }
  std::string interpreter_;
};

struct Method {
  int pcl;
  const char* name;
};

GRowEncoder* EncoderFor(int method, int32_t invert) {
  switch (method) {
    case 2: return new GRunLengthRowEncoder(1, invert);
    case 3: return new GDeltaRowEncoder(1, invert, 0);
    case 5: return new GAdaptiveRowEncoder(1, invert);
    default: return new GUncompressedRowEncoder(1, invert);
  }
}

TEST_F(RowEncoderPrinterTest, EveryMethodPrintsTheImage) {
  const int width = 203;
  const int height = 60;
  const Bytes image = OneBitImage(width, height);
  for (int method : {0, 2, 3, 5}) {
    SCOPED_TRACE("method " + std::to_string(method));
    GRect source(0, 0, width, height);
    GRasterPipelineBuilder builder(GRect(0, 0, width, height), &source, nullptr, MakeBitmap(1, width, height, image),
                                   kBitmapRowColor, 0, nullptr, EncoderFor(method, 0), 0, LuminanceGray);
    std::string errors;
    const Page page = Print(interpreter_, Job(method, width, EncodedRows(builder, height)),
                            "m" + std::to_string(method), errors);
    EXPECT_EQ(errors, "");
    ExpectPrinted(page, image, width, height);
  }
}

// A gray image enlarged and dithered by the pipeline (1 = white there),
// complemented by the encoder so that the printer's 1 is ink, and folded
// into duplicate-row blocks by the adaptive method.
TEST_F(RowEncoderPrinterTest, DitheredAndEnlargedImagesPrintInverted) {
  const int width = 37;
  const int height = 12;
  Bytes gray(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) gray[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(x * 7 + y * 3);
  gray[0] = 0;  // the top-left corner is ink wherever it lands
  const uint8_t thresholds[16] = {8, 136, 40, 168, 200, 72, 232, 104, 56, 184, 24, 152, 248, 120, 216, 88};
  GDitherMatrix matrix(4, 4, thresholds, 300, nullptr);
  // Scaling mode 1 always dithers; the destination is twice the size, but
  // rows come at the source size: the image is dithered 1:1.
  for (int method : {0, 2, 3, 5}) {
    SCOPED_TRACE("method " + std::to_string(method));
    GRect source(0, 0, width, height);
    GRasterPipelineBuilder reference(GRect(0, 0, width, height), &source, nullptr, MakeBitmap(8, width, height, gray),
                                     kBitmapRowColor, 1, &matrix, nullptr, 0, LuminanceGray);
    std::vector<Bytes> rows = EncodedRows(reference, height);
    Bytes expected;
    for (Bytes& row : rows) {
      for (auto& b : row) b = static_cast<uint8_t>(~b);
      if (width % 8 != 0) row.back() &= static_cast<uint8_t>(0xFF << (8 - width % 8));
      expected.insert(expected.end(), row.begin(), row.end());
    }
    GRasterPipelineBuilder builder(GRect(0, 0, width, height), &source, nullptr, MakeBitmap(8, width, height, gray),
                                   kBitmapRowColor, 1, &matrix, EncoderFor(method, 1), 0, LuminanceGray);
    std::string errors;
    const Page page = Print(interpreter_, Job(method, width, EncodedRows(builder, height)),
                            "d" + std::to_string(method), errors);
    EXPECT_EQ(errors, "");
    ExpectPrinted(page, expected, width, height);
  }
  // Rows repeated by the scale stage: adaptive duplicate blocks.
  {
    const int tall = 3 * height;
    auto* scaled = new GBitmapSource(kBitmapRowColor, GRect(0, 0, width, height),
                                     MakeBitmap(1, width, height, OneBitImage(width, height)));
    GRasterPipelineBuilder builder(scaled, new GScaleStage(GRect(0, 0, width, static_cast<int16_t>(tall))), nullptr,
                                   nullptr, nullptr, new GAdaptiveRowEncoder(1, 0));
    // Each block is a row and a duplicate block: three rows covered.
    const std::vector<Bytes> blocks = EncodedRows(builder, tall);
    EXPECT_EQ(blocks.size(), static_cast<size_t>(height));
    const Bytes small = OneBitImage(width, height);
    const size_t rowBytes = (width + 7) / 8;
    Bytes expected;
    for (int y = 0; y < tall; ++y) expected.insert(expected.end(), small.begin() + rowBytes * (y / 3),
                                                   small.begin() + rowBytes * (y / 3 + 1));
    std::string errors;
    const Page page = Print(interpreter_, Job(5, width, blocks), "dup", errors);
    EXPECT_EQ(errors, "");
    ExpectPrinted(page, expected, width, tall);
  }
}

}  // namespace
