#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "win32/File.h"
#include "win32/Module.h"
#include "w32test/Testing.h"

namespace {

DWORD GetAppFlags() { return 0x1234; }

class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    w32test::ModuleSpec companion;
    companion.name = u"QVBAFD32.DLL";
    companion.path = u"C:\\Drivers\\3\\QVBAFD32.DLL";
    companion.exports["GetAppFlags"] = w32test::Export(GetAppFlags);
    companion.strings[101] = u"Basics";
    companion.strings[102] = u"Caf\u00e9";
    w32test::InstallModule(companion);
  }
  void TearDown() override { w32test::Reset(); }
};

TEST_F(ModuleTest, LoadingCountsReferencesAndFindsExports) {
  EXPECT_EQ(w32test::ModuleLoadCount(u"qvbafd32.dll"), 0u);
  EXPECT_EQ(GetModuleHandleW(u"QVBAFD32.DLL"), nullptr);  // installed, not loaded
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));

  HMODULE byPath = LoadLibraryA("c:\\drivers\\3\\qvbafd32.dll");
  ASSERT_NE(byPath, nullptr);
  HMODULE byName = LoadLibraryW(u"QVBAFD32");  // ".dll" is added
  EXPECT_EQ(byName, byPath);
  EXPECT_EQ(LoadLibraryExW(u"C:/Drivers/3/./QVBAFD32.DLL", nullptr, 0), byPath);
  EXPECT_EQ(w32test::ModuleLoadCount(u"QVBAFD32.DLL"), 3u);
  EXPECT_EQ(GetModuleHandleA("qvbafd32.dll"), byPath);
  EXPECT_EQ(w32test::ModuleLoadCount(u"QVBAFD32.DLL"), 3u);

  auto flags = reinterpret_cast<DWORD (*)()>(GetProcAddress(byPath, "GetAppFlags"));
  ASSERT_NE(flags, nullptr);
  EXPECT_EQ(flags(), 0x1234u);
  EXPECT_EQ(GetProcAddress(byPath, "getappflags"), nullptr);  // export names keep their case
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_EQ(GetProcAddress(byPath, reinterpret_cast<LPCSTR>(1)), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));

  EXPECT_TRUE(FreeLibrary(byPath));
  EXPECT_TRUE(FreeLibrary(byPath));
  EXPECT_TRUE(FreeLibrary(byPath));
  EXPECT_EQ(w32test::ModuleLoadCount(u"QVBAFD32.DLL"), 0u);
  // A handle whose last reference is gone is no longer valid.
  EXPECT_FALSE(FreeLibrary(byPath));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(GetProcAddress(byPath, "GetAppFlags"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(w32test::InstalledModule(u"qvbafd32.dll"), byPath);
}

TEST_F(ModuleTest, MissingModulesAndWrongDirectories) {
  const char16_t* missing[] = {u"qvkeys32.dll", u"C:\\Other\\QVBAFD32.DLL", u"QVBAFD32.EXE", u""};
  for (auto name : missing) {
    EXPECT_EQ(LoadLibraryW(name), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  }
  EXPECT_EQ(w32test::ModuleLoadCount(u"QVBAFD32.DLL"), 0u);
  w32test::FailCall("LoadLibraryW", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(LoadLibraryW(u"QVBAFD32.DLL"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(w32test::ModuleLoadCount(u"QVBAFD32.DLL"), 0u);
}

TEST_F(ModuleTest, StringTableLoadsWithTruncation) {
  HMODULE m = LoadLibraryW(u"QVBAFD32.DLL");
  WCHAR w[256];
  EXPECT_EQ(LoadStringW(m, 101, w, 256), 6);
  EXPECT_EQ(std::u16string(w), u"Basics");
  EXPECT_EQ(LoadStringW(m, 101, w, 4), 3);
  EXPECT_EQ(std::u16string(w), u"Bas");
  EXPECT_EQ(LoadStringW(m, 999, w, 256), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
  EXPECT_EQ(w[0], 0);
  EXPECT_EQ(LoadStringW(m, 101 + 0x10000, w, 256), 0);  // ids are 16-bit
  EXPECT_EQ(LoadStringW(m, 101, w, 0), 0);

  char a[8];
  EXPECT_EQ(LoadStringA(m, 101, a, 8), 6);
  EXPECT_STREQ(a, "Basics");
  EXPECT_EQ(LoadStringA(m, 101, a, 2), 1);
  EXPECT_STREQ(a, "B");

  FreeLibrary(m);
  EXPECT_EQ(LoadStringW(m, 101, w, 256), 0);  // the module is gone
}

TEST_F(ModuleTest, FileNameTruncatesWithInsufficientBuffer) {
  HMODULE m = LoadLibraryW(u"QVBAFD32.DLL");
  const std::u16string path = u"C:\\Drivers\\3\\QVBAFD32.DLL";  // 25 characters
  WCHAR w[64];
  EXPECT_EQ(GetModuleFileNameW(m, w, 64), 25u);
  EXPECT_EQ(std::u16string(w), path);
  EXPECT_EQ(GetModuleFileNameW(m, w, 26), 25u);

  SetLastError(0);
  EXPECT_EQ(GetModuleFileNameW(m, w, 25), 25u);  // no room for the terminator
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::u16string(w), path.substr(0, 24));

  char a[8];
  EXPECT_EQ(GetModuleFileNameA(m, a, 8), 8u);
  EXPECT_STREQ(a, "C:\\Driv");  // 7 characters and the terminator
  EXPECT_EQ(GetModuleFileNameA(m, a, 0), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

  // The executable answers for the null module.
  w32test::SetProcessImagePath(u"C:\\Apps\\Writer.exe");
  EXPECT_EQ(GetModuleFileNameW(nullptr, w, 64), 18u);
  EXPECT_EQ(std::u16string(w), u"C:\\Apps\\Writer.exe");
  EXPECT_EQ(GetModuleHandleW(nullptr), GetModuleHandleW(u"writer.exe"));
  FreeLibrary(m);
}

TEST_F(ModuleTest, InstalledModulesAreFilesToo) {
  w32test::ModuleSpec keys;
  keys.name = u"qvkeys32.dll";
  w32test::InstallModule(keys);
  OFSTRUCT of;
  EXPECT_NE(OpenFile("qvkeys32.dll", &of, OF_EXIST), HFILE_ERROR);
  EXPECT_STREQ(of.szPathName, "C:\\WINDOWS\\SYSTEM32\\qvkeys32.dll");
  EXPECT_EQ(GetFileAttributesW(u"C:\\Drivers\\3\\QVBAFD32.DLL"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));

  EXPECT_TRUE(w32test::RemoveModule(u"QVKEYS32.DLL"));
  EXPECT_EQ(OpenFile("qvkeys32.dll", &of, OF_EXIST), HFILE_ERROR);
  EXPECT_EQ(LoadLibraryW(u"qvkeys32.dll"), nullptr);
  EXPECT_FALSE(w32test::RemoveModule(u"QVKEYS32.DLL"));
}

TEST_F(ModuleTest, ResetLeavesOnlyTheExecutable) {
  w32test::Reset();
  EXPECT_EQ(w32test::InstalledModule(u"QVBAFD32.DLL"), nullptr);
  WCHAR w[64];
  EXPECT_GT(GetModuleFileNameW(nullptr, w, 64), 0u);
  EXPECT_EQ(std::u16string(w), u"C:\\WINDOWS\\SYSTEM32\\SPOOLSV.EXE");
}

// A keep-loaded thread holds a reference to a module and gives it back as it
// ends, in one call.
struct Guard {
  bool* flag;
  ~Guard() { *flag = true; }
};
struct KeeperState {
  HMODULE self = nullptr;
  bool unwound = false;
  bool ranPast = false;
};

DWORD KeeperThread(LPVOID p) {
  auto* s = static_cast<KeeperState*>(p);
  Guard g{&s->unwound};
  FreeLibraryAndExitThread(s->self, 3);
  s->ranPast = true;
  return 0;
}

TEST_F(ModuleTest, FreeLibraryAndExitThreadDropsTheReferenceAndEndsTheThread) {
  w32test::ModuleSpec self;
  self.name = u"qvui.dll";
  self.path = u"C:\\Drivers\\3\\qvui.dll";
  self.loadCount = 1;  // loaded by the host
  HMODULE module = w32test::InstallModule(self);
  KeeperState s;
  s.self = LoadLibraryA("C:\\Drivers\\3\\qvui.dll");
  ASSERT_EQ(s.self, module);
  EXPECT_EQ(w32test::ModuleLoadCount(u"qvui.dll"), 2u);

  HANDLE t = CreateThread(nullptr, 4096, KeeperThread, &s, 0, nullptr);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(WaitForSingleObject(t, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  CloseHandle(t);
  EXPECT_EQ(w32test::ModuleLoadCount(u"qvui.dll"), 1u);
  EXPECT_TRUE(s.unwound);
  EXPECT_FALSE(s.ranPast);
}

}  // namespace
