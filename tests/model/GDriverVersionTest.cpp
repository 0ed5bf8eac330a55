// Tests of the driver's version number and build stamp.
#include "model/GDriverVersion.h"

#include <gtest/gtest.h>

namespace {

TEST(GDriverVersionTest, ReportsVersion4_2_1_8) {
  int high = -1;
  int low = -1;
  GetDriverVersion(high, low);
  EXPECT_EQ(high, 0x00040002);
  EXPECT_EQ(low, 0x00010008);
}

TEST(GDriverVersionTest, BuildStampAndFurtherQueries) {
  EXPECT_STREQ(GetDriverBuildDate(), "Jun 29 2001");
  EXPECT_STREQ(GetDriverBuildTime(), "21:42:28");
  EXPECT_EQ(GetDriverPatchLevel(), 0);
  EXPECT_EQ(GetDriverPrivateBuild(), 0);
  EXPECT_EQ(GetDriverSpecialBuild(), 0);
}

}  // namespace
