// The module's string table as LoadStringW reads it from the module entry.
#include <gtest/gtest.h>

#include "resources/StringTable.h"
#include "win32/Module.h"
#include "w32test/Testing.h"

namespace {

class StringTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    w32test::ModuleSpec self;
    self.name = u"QVUI.DLL";
    self.loadCount = 1;
    self.strings = ModuleStringTable();
    module_ = reinterpret_cast<HINSTANCE>(w32test::InstallModule(self));
  }
  void TearDown() override { w32test::Reset(); }

  std::u16string Load(UINT id, int size = 256) {
    std::u16string buffer(static_cast<size_t>(size), u'\0');
    const int length = LoadStringW(module_, id, buffer.data(), size);
    return buffer.substr(0, static_cast<size_t>(length));
  }

  HINSTANCE module_ = nullptr;
};

TEST_F(StringTableTest, TextsLoadExactlyAsAuthored) {
  const struct {
    UINT id;
    const char16_t* text;
  } cases[] = {
      {10120, u"Custom Size"},
      {11052, u" Default Print Settings"},  // the leading blank is part of the name
      {11008, u"A custom paper already exists with that name.  Do you want to replace the existing item?"},
      {5144, u"The configuration settings cannot be updated automatically because \nbidirectional communication is "
             u"not available now."},
      {11020, u" by "},
      {12111, u"UNTITLED"},
      {11173, u"Mailbox 7"},
      {5101, u"The selected paper type cannot be used with the \"Print on Both Sides\" (duplexing) feature."},
  };
  for (const auto& c : cases) EXPECT_EQ(Load(c.id), c.text) << c.id;
}

TEST_F(StringTableTest, StringsLeftOutOnPurposeAreMissing) {
  // Empty or absent on purpose: they load as nothing.
  for (UINT id : {11007u, 11014u, 11017u, 11098u, 11902u, 12130u, 13602u, 13620u, 14001u, 14113u}) {
    EXPECT_EQ(Load(id), u"") << id;
  }
}

TEST_F(StringTableTest, EntriesAreInAscendingOrderWithoutDuplicates) {
  size_t count = 0;
  const StringTableEntry* entries = StringTableEntries(&count);
  ASSERT_GT(count, 200u);
  for (size_t i = 1; i < count; ++i) EXPECT_LT(entries[i - 1].id, entries[i].id);
  EXPECT_EQ(ModuleStringTable().size(), count);
  // Every text fits the 256-character buffer of the UI string loader.
  for (size_t i = 0; i < count; ++i) EXPECT_LT(std::u16string(entries[i].text).size(), 256u) << entries[i].id;
}

TEST_F(StringTableTest, ShortBufferCutsTheText) {
  EXPECT_EQ(Load(10120, 7), u"Custom");
}

}  // namespace
