// The PCL 5e generator's raster output, printed by the independent PCL
// interpreter at device resolution: a 1-bit image drawn 1:1 prints its
// black and white blocks, and a gray image enlarged by the pipeline prints its grays
// within the dither's tolerance.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "graphics/GBitmap.h"
#include "graphics/GClip.h"
#include "graphics/GRasterGraphic.h"
#include "support/Pcl5JobDriver.h"
#include "support/PclInterpreter.h"
#include "support/RasterTestSupport.h"

namespace {

using qvtest::Pcl5JobDriver;
using qvtest::Pcl5PageSpec;

// Draws the image on one Letter page and renders it at 600 dpi; the page,
// or an empty one after a failure.
qvtest::GrayPage Pcl5RasterPage(Pcl5JobDriver& job, const GBitmap& bitmap, const GRect& source,
                                const GRect& destination, const std::string& name, const GRect* clip = nullptr) {
  const std::string interpreter = qvtest::PclInterpreter();
  EXPECT_FALSE(interpreter.empty()) << qvtest::kNoInterpreter;
  if (interpreter.empty()) return qvtest::GrayPage(std::string());
  EXPECT_EQ(job.StartDocument(), 0);
  EXPECT_EQ(job.StartPage(Pcl5PageSpec()), 0);
  if (clip != nullptr) {
    GClipToSingleRectangle rectangle(*clip, 0, 0, nullptr);
    EXPECT_EQ(job.generator->ClipToRectangle(&rectangle), 0);
  }
  EXPECT_EQ(job.Draw(new GRasterGraphic(bitmap, nullptr, source, destination, GBitmap())), 0);
  EXPECT_EQ(job.EndPage(), 0);
  EXPECT_EQ(job.EndDocument(), 0);
  if (const char* keep = std::getenv("QV_PCL5_KEEP")) std::ofstream(std::string(keep) + name + ".pcl", std::ios::binary) << job.Bytes();
  qvtest::RenderedJob rendered = qvtest::RenderPcl(interpreter, job.Bytes(), name, 600);
  EXPECT_EQ(rendered.errors, "");
  EXPECT_EQ(rendered.pages.size(), 1u);
  return rendered.pages.empty() ? qvtest::GrayPage(std::string()) : rendered.pages[0];
}

size_t Pcl5RasterCount(const std::string& text, const std::string& what) {
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

const GShortPoint kPcl5RasterOrigin = qvtest::Pcl5ImageableOrigin(qvtest::kPcl5LetterId, 0);

TEST(GPcl5eRaster, OneBitImagePrintsItsBlocksOverSeveralBands) {
  // 2000 x 300: blocks of 100 x 50 pixels, black and white in a
  // checkerboard; 250 bytes a row, more than one band of rows. Without a
  // palette of its own a 1-bit image has the default one: 0 white, 1 black.
  const int width = 2000;
  const int height = 300;
  const size_t rowBytes = width / 8;
  rastertest::Bytes bits(rowBytes * height);
  auto white = [](int x, int y) { return (x / 100 + y / 50) % 2 != 0; };
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (!white(x, y)) bits[rowBytes * y + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
  Pcl5JobDriver job;
  const GRect area(0, 0, width, height);
  const GRect destination(300, 400, 300 + width, 400 + height);
  const qvtest::GrayPage page =
      Pcl5RasterPage(job, rastertest::MakeBitmap(1, width, height, bits), area, destination, "onebit");
  ASSERT_GT(page.width, 0);
  EXPECT_GE(Pcl5RasterCount(job.Bytes(), "\x1B*b"), static_cast<size_t>(height)) << "one transfer a row";
  EXPECT_EQ(Pcl5RasterCount(job.Bytes(), "\x1B*r0F"), 1u);
  int wrong = 0;
  for (int y = 5; y < height; y += 10)
    for (int x = 5; x < width; x += 10) {
      // Away from the blocks' edges.
      if (x % 100 < 3 || x % 100 > 97 || y % 50 < 3 || y % 50 > 47) continue;
      const bool dark = page.Dark(x + destination.left + kPcl5RasterOrigin.x, y + destination.top + kPcl5RasterOrigin.y);
      if (dark == white(x, y) && ++wrong <= 5) ADD_FAILURE() << "pixel (" << x << ", " << y << ")";
    }
  EXPECT_EQ(wrong, 0);
  // Nothing beside the image.
  EXPECT_FALSE(page.Dark(destination.left + kPcl5RasterOrigin.x - 3, destination.top + kPcl5RasterOrigin.y + 10));
  EXPECT_FALSE(page.Dark(destination.right + kPcl5RasterOrigin.x + 2, destination.top + kPcl5RasterOrigin.y + 10));
  EXPECT_FALSE(page.Dark(destination.left + kPcl5RasterOrigin.x + 10, destination.bottom + kPcl5RasterOrigin.y + 2));
}

class GPcl5eRasterDepth : public ::testing::TestWithParam<int> {};

TEST_P(GPcl5eRasterDepth, EnlargedImagePrintsItsGraysWithinTheDithersTolerance) {
  // Eight vertical bands of gray, 0 to 255, each 16 pixels wide, drawn
  // three times as large; as 8-bit gray or as 24-bit colour pixels.
  const int bits = GetParam();
  const int bytes = bits / 8;
  const int width = 128;
  const int height = 40;
  rastertest::Bytes image(static_cast<size_t>(width) * height * bytes);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < bytes; ++c)
        image[(static_cast<size_t>(y) * width + x) * bytes + c] = static_cast<uint8_t>(x / 16 * 255 / 7);
  Pcl5JobDriver job;
  const GRect destination(600, 600, 600 + 3 * width, 600 + 3 * height);
  const qvtest::GrayPage page =
      Pcl5RasterPage(job, rastertest::MakeBitmap(static_cast<uint8_t>(bits), width, height, image),
                     GRect(0, 0, width, height), destination, "gray" + std::to_string(bits));
  ASSERT_GT(page.width, 0);
  // One bit a pixel on the wire, whatever the image's depth.
  EXPECT_NE(job.Bytes().find("\x1B*r384s1A"), std::string::npos);
  for (int band = 0; band < 8; ++band) {
    // The mean of a 32 x 32 block in the middle of the band.
    const int cx = destination.left + kPcl5RasterOrigin.x + band * 48 + 24;
    const int cy = destination.top + kPcl5RasterOrigin.y + 60;
    long sum = 0;
    for (int y = cy - 16; y < cy + 16; ++y)
      for (int x = cx - 16; x < cx + 16; ++x) sum += page.At(x, y);
    const int mean = static_cast<int>(sum / (32 * 32));
    EXPECT_NEAR(mean, band * 255 / 7, 40) << "band " << band;
  }
  // Rows of a 1-bit 384-pixel image: never more than 48 bytes and a count.
  size_t at = 0;
  while ((at = job.Bytes().find("\x1B*b", at)) != std::string::npos) {
    at += 3;
    const int length = std::atoi(job.Bytes().c_str() + at);
    EXPECT_LE(length, 49);
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, GPcl5eRasterDepth, ::testing::Values(8, 24));

TEST(GPcl5eRaster, ClipRectangleCutsTheImage) {
  // A black 1-bit image, 400 x 200, enlarged twice; the clip keeps its
  // left half and its top half.
  const int width = 400;
  const int height = 200;
  const rastertest::Bytes bits(static_cast<size_t>(width / 8) * height, 0xFF);
  Pcl5JobDriver job;
  const GRect destination(600, 600, 600 + 2 * width, 600 + 2 * height);
  const GRect clip(0, 0, 600 + width, 600 + height);
  const qvtest::GrayPage page = Pcl5RasterPage(job, rastertest::MakeBitmap(1, width, height, bits),
                                               GRect(0, 0, width, height), destination, "clipped", &clip);
  ASSERT_GT(page.width, 0);
  auto dark = [&](int x, int y) { return page.Dark(x + kPcl5RasterOrigin.x, y + kPcl5RasterOrigin.y); };
  EXPECT_TRUE(dark(610, 610));
  EXPECT_TRUE(dark(600 + width - 10, 600 + height - 10));
  EXPECT_FALSE(dark(600 + width + 10, 610)) << "right of the clip";
  EXPECT_FALSE(dark(610, 600 + height + 10)) << "below the clip";
  EXPECT_FALSE(dark(600 + 2 * width - 10, 600 + 2 * height - 10));
}

}  // namespace
