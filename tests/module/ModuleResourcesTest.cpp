// The module carries its own resources: whoever loads libqvui.so through the
// platform's loader finds the module's string table through LoadStringW,
// without installing anything for it.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "resources/StringTable.h"
#include "win32/Module.h"
#include "w32test/Testing.h"

namespace {

constexpr const char16_t* kModulePath = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVUI.DLL";

class ModuleResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override { w32test::Reset(); }
  void TearDown() override {
    // The module's keeper thread gives its reference back a period or two
    // after the last use; the last reference detaches the module.
    for (int i = 0; i < 2000 && w32host::ModuleLoadCount(kModulePath) > 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(w32host::ModuleLoadCount(kModulePath), 0u);
    w32test::Reset();
  }
};

TEST_F(ModuleResourcesTest, LoadLibraryFindsEveryStringTheModuleImageCarries) {
  w32host::SetModuleImage(kModulePath, QV_MODULE_FILE);
  HMODULE module = LoadLibraryW(kModulePath);
  ASSERT_NE(module, nullptr) << GetLastError();
  EXPECT_NE(GetProcAddress(module, "DrvDocumentProperties"), nullptr);

  size_t count = 0;
  const StringTableEntry* entries = StringTableEntries(&count);
  ASSERT_GT(count, 200u);
  for (size_t i = 0; i < count; ++i) {
    char16_t buffer[512] = {};
    const int length = LoadStringW(module, entries[i].id, buffer, 512);
    EXPECT_EQ(std::u16string(buffer, static_cast<size_t>(length)), entries[i].text) << entries[i].id;
  }
  char16_t buffer[16] = {};
  EXPECT_EQ(LoadStringW(module, 1, buffer, 16), 0);  // an id the table lacks
  EXPECT_TRUE(FreeLibrary(module));
}

}  // namespace
