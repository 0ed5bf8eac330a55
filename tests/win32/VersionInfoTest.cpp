#include "win32/VersionInfo.h"

#include <gtest/gtest.h>

#include <vector>

#include "w32test/Testing.h"

namespace {

TEST(VersionInfoTest, BlockAnswersTranslationsAndStrings) {
  w32test::Reset();
  w32test::VersionStrings info;
  info.translations = {{0x0407, 0x04E4}, {0x0409, 0x04B0}};
  info.strings = {{u"\\StringFileInfo\\040904b0\\FileDescription", u"Word Pad"}};
  w32test::SetFileVersionInfo(u"C:\\Apps\\Pad.exe", info);
  DWORD handle = 9;
  DWORD size = GetFileVersionInfoSizeW(u"c:\\apps\\PAD.EXE", &handle);
  ASSERT_GT(size, 0u);
  EXPECT_EQ(handle, 0u);
  std::vector<BYTE> block(size);
  EXPECT_FALSE(GetFileVersionInfoW(u"C:\\Apps\\Pad.exe", 0, size - 1, block.data()));
  ASSERT_TRUE(GetFileVersionInfoW(u"C:\\Apps\\Pad.exe", 0, size, block.data()));
  LPVOID value = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &value, &len));
  ASSERT_EQ(len, 8u);
  const WORD* pairs = static_cast<const WORD*>(value);
  EXPECT_EQ(pairs[2], 0x0409);
  EXPECT_EQ(pairs[3], 0x04B0);
  ASSERT_TRUE(VerQueryValueW(block.data(), u"\\StringFileInfo\\040904B0\\FileDescription", &value, &len));
  EXPECT_EQ(std::u16string(static_cast<const WCHAR*>(value)), u"Word Pad");
  EXPECT_EQ(len, 9u);
  EXPECT_FALSE(VerQueryValueW(block.data(), u"\\StringFileInfo\\040904B0\\ProductName", &value, &len));
  EXPECT_EQ(GetFileVersionInfoSizeW(u"C:\\Other.exe", &handle), 0u);
  // A block that is not one, or cut short, answers nothing.
  block[8] = 0xFF;
  block[9] = 0xFF;
  EXPECT_FALSE(VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &value, &len));
  w32test::Reset();
}

}  // namespace
