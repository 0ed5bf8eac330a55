#include "driver/GCompactSettingsCodec.h"

#include <gtest/gtest.h>

#include "tests/model/ModelTestClasses.h"

namespace {

TEST(GCompactSettingsCodecTest, SixteenBitModeKeepsTheLowBitsOfIdsAndVersions) {
  GCompactSettingsCodec codec;
  EXPECT_EQ(codec.Mode(), 1);
  EXPECT_EQ(codec.MapIdForWrite(0x4000005C), 0x005C);
  EXPECT_EQ(codec.MapIdForRead(0xFFFF), 0xFFFF);
  EXPECT_EQ(codec.MapVersionForWrite(0x10003u), 3u);
  EXPECT_EQ(codec.MapVersionForRead(3u), 3u);
}

TEST(GCompactSettingsCodecTest, ThirtyTwoBitModeLeavesThemAlone) {
  GCompactSettingsCodec codec;
  TestLeaf leaf;
  codec.Encode(&leaf, nullptr, nullptr, 1);
  EXPECT_EQ(codec.Mode(), 0);
  EXPECT_EQ(codec.MapIdForWrite(0x4000005C), 0x4000005C);
  EXPECT_EQ(codec.MapVersionForRead(0x10003u), 0x10003u);
  // Any other selector leaves the mode as it was.
  codec.Decode(nullptr, nullptr, nullptr, 7);
  EXPECT_EQ(codec.Mode(), 0);
}

}  // namespace
