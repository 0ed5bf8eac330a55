#include <gtest/gtest.h>

#include "winnt40/GNT40SheetAccess.h"

namespace {

constexpr uint32_t kNT4 = 0x40000;
constexpr uint32_t kW2K = 0x50000;
constexpr uint32_t kXP = 0x50001;

struct AccessCase {
  const char* what;
  DWORD mode;
  int remote;
  uint32_t os;
  int explorer;
  int noPermission;
  DWORD expected;
};

TEST(GNT40SheetAccessTest, FlagsFollowModeAndRights) {
  const AccessCase cases[] = {
      {"plain, may write", 0, 0, kXP, 0, 0, 0},
      {"plain, may not write, NT 4", 0, 0, kNT4, 0, 1, 2},
      {"plain, may not write, XP", 0, 0, kXP, 0, 1, 2 | 4 | 8},
      {"no permission", 0x20, 0, kXP, 0, 0, 1 | 4 | 8},
      {"no permission on NT 4", 0x20, 0, kNT4, 0, 0, 1},
      {"no permission with advanced", 0x30, 0, kXP, 0, 0, 1 | 4 | 8},
      {"advanced", 0x10, 0, kXP, 0, 1, 2},
      {"user default, may not write", 0x40, 0, kXP, 0, 1, 4 | 8},
      {"user default, may write", 0x40, 0, kXP, 0, 0, 0},
      {"remote from an application", 0, 1, kXP, 0, 0, 2},
      {"remote on NT 4 from the shell", 0, 1, kNT4, 1, 0, 2},
      {"remote from the shell, may write", 0, 1, kXP, 1, 0, 0},
      {"remote from the shell, may not write", 0, 1, kXP, 1, 1, 2 | 4 | 8},
      {"other mode bits do not count", 0x0A, 0, kW2K, 0, 0, 0},
  };
  for (const AccessCase& c : cases) {
    EXPECT_EQ(GNT40SheetAccess::Flags(c.mode, c.remote, c.os, c.explorer, c.noPermission), c.expected) << c.what;
  }
}

TEST(GNT40SheetAccessTest, PerUserOnlyAfterVersion4) {
  EXPECT_EQ(GNT40SheetAccess::IsPerUser(1, kW2K), 1);
  EXPECT_EQ(GNT40SheetAccess::IsPerUser(1, 0x4FFFF), 0);
  EXPECT_EQ(GNT40SheetAccess::IsPerUser(0, kXP), 0);
}

TEST(GNT40SheetAccessTest, ShellPathInAnyCase) {
  EXPECT_EQ(GNT40SheetAccess::IsShellPath(u"C:\\WINNT\\explorer.exe"), 1);
  EXPECT_EQ(GNT40SheetAccess::IsShellPath(u"C:\\WINNT\\EXPLORER.EXE"), 1);
  EXPECT_EQ(GNT40SheetAccess::IsShellPath(u"C:\\Apps\\Explorer.Exe.bak"), 1);
  EXPECT_EQ(GNT40SheetAccess::IsShellPath(u"C:\\Apps\\EXPLORE.EXE"), 0);
  EXPECT_EQ(GNT40SheetAccess::IsShellPath(u"C:\\Apps\\word.exe"), 0);
  EXPECT_EQ(GNT40SheetAccess::IsShellPath(u""), 0);
  EXPECT_EQ(GNT40SheetAccess::IsShellPath(nullptr), 0);
}

}  // namespace
