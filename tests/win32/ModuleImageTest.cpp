// Library images: LoadLibrary maps the host file named for a Windows path,
// with the resources of its resource section and its exports, and attaches
// and detaches it through DllMain.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "win32/Module.h"
#include "w32test/Testing.h"

namespace {

constexpr const char16_t* kPath = u"C:\\Program Files\\Test\\TESTIMG.DLL";

class ModuleImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    // The test's own reference to the image reaches its counters; the
    // loader's dlopen of the same file shares them.
    image_ = dlopen(QV_TEST_IMAGE_FILE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(image_, nullptr) << dlerror();
    attaches_ = static_cast<int*>(dlsym(image_, "g_attaches"));
    detaches_ = static_cast<int*>(dlsym(image_, "g_detaches"));
    refuse_ = static_cast<int*>(dlsym(image_, "g_refuseAttach"));
    section_ = static_cast<IMAGE_RESOURCE_SECTION*>(dlsym(image_, IMAGE_RESOURCE_SECTION_NAME));
    ASSERT_TRUE(attaches_ && detaches_ && refuse_ && section_);
    saved_ = *section_;
    *attaches_ = *detaches_ = *refuse_ = 0;
    w32host::SetModuleImage(kPath, QV_TEST_IMAGE_FILE);
  }
  void TearDown() override {
    w32test::Reset();
    if (section_ != nullptr) *section_ = saved_;
    if (image_ != nullptr) dlclose(image_);
  }

  static std::u16string String(HMODULE module, UINT id) {
    char16_t buffer[64] = {};
    const int length = LoadStringW(module, id, buffer, 64);
    return std::u16string(buffer, static_cast<size_t>(length > 0 ? length : 0));
  }

  void* image_ = nullptr;
  int* attaches_ = nullptr;
  int* detaches_ = nullptr;
  int* refuse_ = nullptr;
  IMAGE_RESOURCE_SECTION* section_ = nullptr;
  IMAGE_RESOURCE_SECTION saved_{};
};

TEST_F(ModuleImageTest, LoadLibraryMapsTheImageWithItsResourcesAndExports) {
  HMODULE module = LoadLibraryW(kPath);
  ASSERT_NE(module, nullptr) << GetLastError();
  EXPECT_EQ(*attaches_, 1);
  EXPECT_EQ(*static_cast<HINSTANCE*>(dlsym(image_, "g_instance")), reinterpret_cast<HINSTANCE>(module));

  EXPECT_EQ(String(module, 1), u"First");  // the first text of an id given twice
  EXPECT_EQ(String(module, 7), u"Seventh");
  SetLastError(0);
  EXPECT_EQ(String(module, 2), u"");  // an entry without text
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));

  using AnswerProc = int (*)();
  FARPROC answer = GetProcAddress(module, "Answer");
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(reinterpret_cast<AnswerProc>(answer)(), 42);
  EXPECT_EQ(GetProcAddress(module, "Missing"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));

  char16_t path[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(module, path, MAX_PATH), 0u);
  EXPECT_EQ(std::u16string(path), kPath);
  EXPECT_EQ(GetModuleHandleW(u"testimg"), module);
}

TEST_F(ModuleImageTest, TheLastReferenceDetachesAndUnmaps) {
  HMODULE module = LoadLibraryW(kPath);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(LoadLibraryW(u"c:/program files/test/testimg"), module);  // the same image, another reference
  EXPECT_EQ(*attaches_, 1);
  EXPECT_EQ(w32host::ModuleLoadCount(kPath), 2u);

  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_EQ(*detaches_, 0);
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_EQ(*detaches_, 1);
  EXPECT_EQ(w32host::ModuleLoadCount(kPath), 0u);
  EXPECT_EQ(GetModuleHandleW(kPath), nullptr);
  EXPECT_EQ(String(module, 1), u"");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND));
  EXPECT_FALSE(FreeLibrary(module));

  // Loading it again maps and attaches it afresh.
  HMODULE again = LoadLibraryW(kPath);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(*attaches_, 2);
  EXPECT_EQ(String(again, 7), u"Seventh");
  EXPECT_TRUE(FreeLibrary(again));
  EXPECT_EQ(*detaches_, 2);
}

TEST_F(ModuleImageTest, ARefusedAttachLoadsNothing) {
  *refuse_ = 1;
  EXPECT_EQ(LoadLibraryW(kPath), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DLL_INIT_FAILED));
  EXPECT_EQ(*attaches_, 1);
  EXPECT_EQ(*detaches_, 0);  // a library that refused to attach is not detached
  EXPECT_EQ(w32host::ModuleLoadCount(kPath), 0u);
  EXPECT_EQ(GetModuleHandleW(kPath), nullptr);
}

TEST_F(ModuleImageTest, OnlyANamedImageIsMapped) {
  const struct {
    const char16_t* name;
    const char* why;
  } cases[] = {
      {u"C:\\Program Files\\Test\\OTHER.DLL", "no image named for the path"},
      {u"TESTIMG.DLL", "a bare name: images are named by their path"},
  };
  for (const auto& c : cases) {
    SetLastError(0);
    EXPECT_EQ(LoadLibraryW(c.name), nullptr) << c.why;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND)) << c.why;
  }
  w32host::SetModuleImage(kPath, "/nonexistent/libnothing.so");
  EXPECT_EQ(LoadLibraryW(kPath), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  w32host::SetModuleImage(kPath, "");
  EXPECT_EQ(LoadLibraryW(kPath), nullptr);
  EXPECT_EQ(*attaches_, 0);
}

TEST_F(ModuleImageTest, ASectionOfAnotherVersionOrSignatureCarriesNothing) {
  for (int field = 0; field < 2; ++field) {
    *section_ = saved_;
    if (field == 0) section_->version = IMAGE_RESOURCE_VERSION + 1;
    else section_->signature = 0;
    HMODULE module = LoadLibraryW(kPath);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(String(module, 1), u"") << field;
    EXPECT_NE(GetProcAddress(module, "Answer"), nullptr) << field;
    EXPECT_TRUE(FreeLibrary(module));
  }
}

TEST_F(ModuleImageTest, AnInstalledEntryComesBeforeTheImage) {
  w32test::ModuleSpec own;
  own.name = kPath;
  own.strings[1] = u"Own";
  HMODULE installed = w32test::InstallModule(own);
  EXPECT_EQ(LoadLibraryW(kPath), installed);
  EXPECT_EQ(String(installed, 1), u"Own");
  EXPECT_EQ(*attaches_, 0);
}

TEST_F(ModuleImageTest, GetModuleHandleExFindsAndPinsTheImageOfAnAddress) {
  HMODULE module = LoadLibraryW(kPath);
  ASSERT_NE(module, nullptr);
  const auto inside = reinterpret_cast<LPCWSTR>(GetProcAddress(module, "Answer"));
  HMODULE found = nullptr;
  EXPECT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN, inside,
                                 &found));
  EXPECT_EQ(found, module);
  EXPECT_EQ(w32host::ModuleLoadCount(kPath), 1u);  // no reference added

  // An address of an image the loader did not map (this program's own).
  static const char kHere = 0;
  EXPECT_FALSE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&kHere), &found));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(found, nullptr);

  // Only the address form is offered.
  for (DWORD flags : {DWORD{0}, DWORD{GET_MODULE_HANDLE_EX_FLAG_PIN}, DWORD{GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | 0x2}}) {
    EXPECT_FALSE(GetModuleHandleExW(flags, inside, &found)) << flags;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << flags;
  }
  EXPECT_TRUE(FreeLibrary(module));
}

}  // namespace
