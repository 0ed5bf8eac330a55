// The UI resource library: counted loading and the string loader over the
// module's string table.
#include <gtest/gtest.h>

#include "resources/StringTable.h"
#include "ui/framework/UIResources.h"
#include "win32/Module.h"
#include "w32test/Testing.h"

namespace {

constexpr const char16_t* kResourcesLibrary = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVUI.DLL";

class UIResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    w32test::ModuleSpec spec;
    spec.name = kResourcesLibrary;
    spec.strings = ModuleStringTable();
    w32test::InstallModule(spec);
  }
  void TearDown() override {
    while (GetUIResourceInstance() != nullptr) FreeUIResourceLibrary();
    w32test::Reset();
  }
};

TEST_F(UIResourcesTest, TwoSheetsShareOneLoad) {
  EXPECT_EQ(LoadUIResourceLibrary(RWWString(kResourcesLibrary)), 1);
  EXPECT_EQ(LoadUIResourceLibrary(RWWString(kResourcesLibrary)), 1);
  EXPECT_EQ(w32test::ModuleLoadCount(kResourcesLibrary), 1u);
  EXPECT_EQ(FreeUIResourceLibrary(), 0);
  EXPECT_NE(GetUIResourceInstance(), nullptr);
  EXPECT_NE(FreeUIResourceLibrary(), 0);
  EXPECT_EQ(GetUIResourceInstance(), nullptr);
  EXPECT_EQ(w32test::ModuleLoadCount(kResourcesLibrary), 0u);
  EXPECT_EQ(FreeUIResourceLibrary(), 0);  // nothing left to free
}

TEST_F(UIResourcesTest, MissingLibraryLoadsNothing) {
  EXPECT_EQ(LoadUIResourceLibrary(RWWString(u"NOWHERE.DLL")), 0);
  EXPECT_EQ(GetUIResourceInstance(), nullptr);
  RWWString text(u"stale");
  EXPECT_EQ(LoadUIString(10120, &text), 0);
  EXPECT_TRUE(text.IsEmpty());
  // A failed load does not count: the next load is a real one.
  EXPECT_EQ(LoadUIResourceLibrary(RWWString(kResourcesLibrary)), 1);
  EXPECT_NE(GetUIResourceInstance(), nullptr);
}

TEST_F(UIResourcesTest, StringsComeFromTheLibrary) {
  ASSERT_EQ(LoadUIResourceLibrary(RWWString(kResourcesLibrary)), 1);
  RWWString text;
  EXPECT_EQ(LoadUIString(10120, &text), 11);
  EXPECT_EQ(std::u16string(text.Data(), text.Length()), u"Custom Size");
  EXPECT_EQ(LoadUIString(11007, &text), 0);  // empty on purpose
  EXPECT_TRUE(text.IsEmpty());
  EXPECT_EQ(LoadUIString(-5, &text), 0);
}

// The instance is process-wide: another test of the program (a print-time
// dialog on a driver object) may have recorded one already.
TEST(UIModuleInstanceTest, TheFirstInstanceGivenIsKept) {
  const HINSTANCE before = GetModuleInstance();
  const HINSTANCE first = before != nullptr ? before : reinterpret_cast<HINSTANCE>(0x1000);
  SetModuleInstance(reinterpret_cast<HINSTANCE>(0x1000));
  EXPECT_EQ(GetModuleInstance(), first);
  SetModuleInstance(reinterpret_cast<HINSTANCE>(0x2000));
  EXPECT_EQ(GetModuleInstance(), first);
}

}  // namespace
