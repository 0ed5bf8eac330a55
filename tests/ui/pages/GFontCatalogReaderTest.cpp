// GFontCatalogReader: descriptor files read into device font lists and
// through the callback walk, and damaged files.
#include "ui/pages/GFontCatalogReader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/GDeviceFontDescription.h"
#include "model/GDeviceFontList.h"
#include "support/FontDescriptorTestSupport.h"
#include "ui/pages/FontDescriptorFormat.h"

namespace {

using qvfont::Descriptor;
using qvfont::EntrySpec;

std::vector<int32_t> Sets(const GDeviceFontDescription& font) {
  const auto& sets = font.GetSymbolSets();
  return std::vector<int32_t>(sets.Data(), sets.Data() + sets.Count());
}

std::string FontCatalogReaderStr(const RWCString& s) { return std::string(s.Data(), s.Length()); }

class FontCatalogReaderTest : public qvfont::FontDeviceTest {
 protected:
  // The list read from device's file, or null.
  std::unique_ptr<GDeviceFontList> Read(int device) {
    GFontCatalogReader reader(device, Printer());
    return std::unique_ptr<GDeviceFontList>(reader.ReadFontList());
  }
  std::vector<GDeviceFontDescription> Fonts(const GDeviceFontList& list) {
    std::vector<GDeviceFontDescription> fonts(list.GetCount());
    for (uint32_t i = 0; i < list.GetCount(); ++i) list.GetFont(i, fonts[i]);
    return fonts;
  }
  struct Seen {
    std::string name;
    std::string selection;
    GFontEntryFixedPart fixed;
  };
  static int Collect(const RWCString& name, const RWCString& selection, const GFontEntryFixedPart& fixed, void* data) {
    static_cast<std::vector<Seen>*>(data)->push_back({FontCatalogReaderStr(name), FontCatalogReaderStr(selection), fixed});
    return 10;
  }
};

TEST_F(FontCatalogReaderTest, AFontOfTheFileBecomesADeviceFontDescription) {
  EntrySpec e;
  e.name = "Garamond Pro";
  e.selection = "\x1b(s1p{size}v0s0b4197T";
  e.weight = 400;
  e.italic = 0;
  e.flags = 0x11;  // roman, variable pitch
  e.kind = 2;
  e.pixelHeight = 41;
  e.codes = {210, 5};
  InstallDescriptor(6, u"qvdimAB1.qvd", Descriptor({e}, 7));

  GFontCatalogReader reader(6, Printer());
  int32_t id = 0;
  ASSERT_NE(reader.Open(&id), nullptr);
  EXPECT_EQ(id, 422);
  id = 0;
  ASSERT_NE(reader.ReadHeader(&id), nullptr);
  EXPECT_EQ(id, 422);
  EXPECT_EQ(reader.GetRevision(), 7);
  std::unique_ptr<GDeviceFontList> list(reader.ReadFontList());
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->FeatureId(), 422);
  EXPECT_EQ(list->GetStamp(), 7u);
  ASSERT_EQ(list->GetCount(), 1u);
  GDeviceFontDescription font;
  ASSERT_EQ(list->GetFont(0, font), 1);
  EXPECT_EQ(FontCatalogReaderStr(font.GetName()), "Garamond Pro");
  EXPECT_EQ(FontCatalogReaderStr(font.GetSelectString()), e.selection);
  EXPECT_EQ(font.GetSymbolSet(), 4);  // the second code stands for 3
  EXPECT_EQ(Sets(font), (std::vector<int32_t>{4, 3}));
  EXPECT_EQ(font.GetWeight(), 400);
  EXPECT_EQ(font.GetStyle(), 0);
  EXPECT_EQ(font.GetCatalogueClass(), 0x10);
  EXPECT_EQ(font.GetCatalogueFlag(), 1);
  EXPECT_EQ(font.GetScalability(), 1);
  EXPECT_EQ(font.GetHeight(), 41);
  EXPECT_EQ(font.GetFontId(), 0);
  EXPECT_EQ(font.GetLocation(), 4);
}

TEST_F(FontCatalogReaderTest, DefaultSymbolSetAndList) {
  struct Case {
    std::vector<int16_t> codes;
    int32_t defaultSet;
    std::vector<int32_t> sets;
  } cases[] = {
      {{5}, 3, {3}},
      {{210}, 4, {4}},
      {{999}, 0, {0}},
      {{210, 5}, 4, {4, 3}},
      {{210, 202}, 16, {4, 17, 16}},
      {{210, 207}, 16, {4, 16}},           // 207 stands for 16 already
      {{207, 210, 5}, 16, {16, 4, 3}},     // only the second code decides
      {{101, 51, 57, 215}, 16, {4, 9, 8, 12, 16}},
  };
  std::vector<EntrySpec> entries;
  for (size_t i = 0; i < std::size(cases); ++i) {
    EntrySpec e;
    e.name = "Font " + std::to_string(i);
    e.selection = "sel";
    e.codes = cases[i].codes;
    entries.push_back(e);
  }
  InstallDescriptor(2, u"disk.qvd", Descriptor(entries));
  auto list = Read(2);
  ASSERT_NE(list, nullptr);
  auto fonts = Fonts(*list);
  ASSERT_EQ(fonts.size(), std::size(cases));
  for (size_t i = 0; i < fonts.size(); ++i) {
    EXPECT_EQ(fonts[i].GetSymbolSet(), cases[i].defaultSet) << i;
    EXPECT_EQ(Sets(fonts[i]), cases[i].sets) << i;
  }
}

TEST_F(FontCatalogReaderTest, SymbolSetsOfEveryCode) {
  const std::vector<std::pair<std::vector<int>, int32_t>> table = {
      {{5}, 3},
      {{6}, 53},
      {{7}, 55},
      {{8}, 54},
      {{51, 52, 53, 54, 58, 214}, 9},
      {{55, 153, 211}, 7},
      {{56, 215}, 12},
      {{57, 213}, 8},
      {{101, 102, 106, 107, 210}, 4},
      {{103, 208}, 5},
      {{105, 152, 212}, 6},
      {{108, 151, 209}, 14},
      {{201}, 15},
      {{202}, 17},
      {{203}, 18},
      {{204}, 19},
      {{205}, 21},
      {{206}, 23},
      {{207}, 16},
      {{216}, 22},
      {{217}, 20},
      {{0, 1, 4, 9, 50, 59, 100, 104, 109, 150, 154, 200, 218, -5, 32767}, 0},
  };
  for (const auto& [codes, set] : table)
    for (int code : codes) EXPECT_EQ(fontdescriptor::SymbolSetOfCode(code), set) << code;
}

TEST_F(FontCatalogReaderTest, FormatPitchFamilyAndDeviceKind) {
  struct Case {
    uint8_t flags;
    uint8_t kind;
    int32_t family;
    int32_t pitch;
    int32_t format;
  } cases[] = {
      {0x20, 2, 0x20, 0, 1}, {0x21, 3, 0x20, 1, 2}, {0x30, 4, 0x30, 0, 5}, {0x50, 5, 0x50, 1, 0},
      {0x5F, 1, 0x50, 1, 0}, {0x60, 2, 0, 0, 1},    {0x0F, 2, 0, 1, 1},    {0x10, 0x82, 0x10, 0, 1},
  };
  std::vector<EntrySpec> entries;
  for (const Case& c : cases) {
    EntrySpec e;
    e.name = "F" + std::to_string(entries.size());
    e.selection = "s";
    e.flags = c.flags;
    e.kind = c.kind;
    entries.push_back(e);
  }
  // The last case is disabled: it shows in the callback walk only.
  InstallDescriptor(4, u"flash.qvd", Descriptor(entries));
  auto list = Read(4);
  ASSERT_NE(list, nullptr);
  auto fonts = Fonts(*list);
  ASSERT_EQ(fonts.size(), std::size(cases) - 1);
  for (size_t i = 0; i < fonts.size(); ++i) {
    EXPECT_EQ(fonts[i].GetCatalogueClass(), cases[i].family) << i;
    EXPECT_EQ(fonts[i].GetCatalogueFlag(), cases[i].pitch) << i;
    EXPECT_EQ(fonts[i].GetScalability(), cases[i].format) << i;
    EXPECT_EQ(fonts[i].GetLocation(), 3) << i;
  }

  // Where the fonts live follows the device; a DIMM entry with flags bit 2
  // counts as 7.
  const int32_t kinds[kFontDeviceCount] = {1, 1, 2, 2, 3, 3, 4, 4, 4, 4};
  EntrySpec plain;
  plain.name = "P";
  plain.selection = "s";
  EntrySpec seven = plain;
  seven.name = "Q";
  seven.flags = 0x24;
  for (int device = 0; device < kFontDeviceCount; ++device) {
    InstallDescriptor(device, u"dev" + std::u16string(1, static_cast<char16_t>(u'0' + device)) + u".qvd",
                      Descriptor({plain, seven}));
    auto deviceList = Read(device);
    ASSERT_NE(deviceList, nullptr) << device;
    EXPECT_EQ(deviceList->FeatureId(), FontDeviceId(device));
    auto deviceFonts = Fonts(*deviceList);
    ASSERT_EQ(deviceFonts.size(), 2u);
    EXPECT_EQ(deviceFonts[0].GetLocation(), kinds[device]) << device;
    EXPECT_EQ(deviceFonts[1].GetLocation(), device >= 6 ? 7 : kinds[device]) << device;
  }
}

TEST_F(FontCatalogReaderTest, TheCallbackSeesEveryFontWithItsStyleSuffix) {
  EntrySpec regular{"Univers", "u", 400, 0};
  EntrySpec boldItalic{"Univers", "ubi", 700, 1};
  EntrySpec italic{"Univers", "ui", 699, -1};
  EntrySpec black{"Univers", "ub", 900, 0};
  black.kind = 0x82;  // disabled
  EntrySpec noCodes{"Empty", "e"};
  noCodes.codes = {};
  InstallDescriptor(7, u"dimm2.qvd", Descriptor({regular, boldItalic, noCodes, italic, black}));

  GFontCatalogReader reader(7, Printer());
  std::vector<Seen> seen;
  EXPECT_EQ(reader.ForEachFont(&Collect, &seen), 40);
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0].name, "Univers");
  EXPECT_EQ(seen[1].name, "Univers -Bd -It");
  EXPECT_EQ(seen[2].name, "Univers -It");
  EXPECT_EQ(seen[3].name, "Univers -Bd");
  EXPECT_EQ(seen[3].selection, "ub");
  EXPECT_TRUE(seen[3].fixed.IsDisabled());
  const std::string fixed = qvfont::FixedPart(boldItalic);
  EXPECT_EQ(seen[1].fixed.Bytes(), std::vector<uint8_t>(fixed.begin(), fixed.end()));

  // The list leaves the disabled font and the one without codes out.
  auto list = Read(7);
  ASSERT_NE(list, nullptr);
  auto fonts = Fonts(*list);
  ASSERT_EQ(fonts.size(), 3u);
  EXPECT_EQ(FontCatalogReaderStr(fonts[1].GetName()), "Univers");  // the list keeps the bare name
  EXPECT_EQ(fonts[1].GetStyle(), 1);
  EXPECT_EQ(fonts[2].GetStyle(), -1);
}

TEST_F(FontCatalogReaderTest, NoFileNoFonts) {
  // No path for the device.
  EXPECT_EQ(Read(3), nullptr);
  GFontCatalogReader reader(3, Printer());
  int32_t id = 0;
  EXPECT_EQ(reader.Open(&id), nullptr);
  EXPECT_EQ(id, 421);
  EXPECT_EQ(reader.ReadHeader(&id), nullptr);
  EXPECT_EQ(reader.GetRevision(), 0);
  std::vector<Seen> seen;
  EXPECT_EQ(reader.ForEachFont(&Collect, &seen), 0);
  // A path whose file is missing.
  ASSERT_EQ(SetFontDeviceFilePath(Printer(), 3, RWWString(u"gone.qvd")), 1);
  EXPECT_EQ(Read(3), nullptr);
}

// Damaged files: whatever the bytes, the reader stops at the damage and
// keeps the fonts read before it.
TEST_F(FontCatalogReaderTest, DamagedFilesGiveTheFontsBeforeTheDamage) {
  EntrySpec a{"Alpha", "a"};
  EntrySpec b{"Beta", "b"};
  EntrySpec c{"Gamma", "c"};
  const std::string good = Descriptor({a, b, c});
  const size_t first = static_cast<size_t>(qvfont::Get32(good, 4));
  const size_t second = static_cast<size_t>(qvfont::Get32(good, 36));
  const size_t third = static_cast<size_t>(qvfont::Get32(good, 40));

  struct Case {
    const char* what;
    std::string bytes;
    int fonts;  // -1: no list at all
  };
  auto with32 = [&](size_t at, int32_t v) {
    std::string bytes = good;
    qvfont::Put32(bytes, at, v);
    return bytes;
  };
  auto with16 = [&](size_t at, int16_t v) {
    std::string bytes = good;
    qvfont::Put16(bytes, at, v);
    return bytes;
  };
  std::vector<Case> cases = {
      {"whole", good, 3},
      {"empty", std::string(), -1},
      {"35 bytes", good.substr(0, 35), -1},
      {"header only", good.substr(0, first), 0},
      {"cut in the second entry", good.substr(0, second + 10), 1},
      {"cut in the third name", good.substr(0, third + 28), 2},
      {"first entry offset past the end", with32(4, static_cast<int32_t>(good.size() + 1)), -1},
      {"first entry offset below 36", with32(4, 20), -1},
      {"negative first entry offset", with32(4, -1), -1},
      {"huge count", with32(28, 0x7FFFFFFF), -1},
      {"negative count", with32(28, -3), -1},
      {"count past its table: names read as offsets", with32(28, 4), 3},
      {"count past the header", with32(28, 40), -1},
      {"negative entry offset", with32(36, -100), 1},
      {"entry offset past the end", with32(36, 0x7FFFFFF0), 1},
      {"negative name length", with16(second + 4, -2), 1},
      {"name offset past the end", with32(second + 6, 0x7FFFFFFF), 1},
      {"negative selection offset", with32(second + 12, -8), 1},
      {"name length past the end", with16(third + 4, 0x7FFF), 2},
      {"code count past the end", with16(third + 24, 0x7FFF), 2},
      {"negative code count", with16(second + 24, -1), 2},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    InstallDescriptor(1, u"rom2.qvd", test.bytes);
    auto list = Read(1);
    if (test.fonts < 0) {
      EXPECT_EQ(list, nullptr);
    } else {
      ASSERT_NE(list, nullptr);
      EXPECT_EQ(static_cast<int>(list->GetCount()), test.fonts);
    }
    GFontCatalogReader reader(1, Printer());
    std::vector<Seen> seen;
    reader.ForEachFont(&Collect, &seen);
    EXPECT_EQ(static_cast<int>(seen.size()), test.fonts < 0 ? 0 : test.fonts);
  }
}

// Every entry offset may name the same entry: the walk reads a bounded
// multiple of the file, whatever the count.
TEST_F(FontCatalogReaderTest, EntriesThatRepeatOneLargeEntryAreBounded) {
  EntrySpec big{"Big", "b"};
  big.codes = std::vector<int16_t>(3000, 210);
  std::string bytes = Descriptor({big});
  const int32_t entry = qvfont::Get32(bytes, 32);
  const int32_t count = 8000;
  // Rebuild the header with a table of count slots, all naming the entry
  // after the table.
  std::string head(32 + 4 * count, '\0');
  head.replace(0, 32, bytes.substr(0, 32));
  const int32_t shift = 4 * count - 4;
  qvfont::Put32(head, 4, qvfont::Get32(bytes, 4) + shift);
  qvfont::Put32(head, 14, qvfont::Get32(bytes, 14) + shift);
  qvfont::Put32(head, 20, qvfont::Get32(bytes, 20) + shift);
  qvfont::Put32(head, 28, count);
  for (int32_t i = 0; i < count; ++i) qvfont::Put32(head, 32 + 4 * i, entry + shift);
  InstallDescriptor(5, u"flash2.qvd", head + bytes.substr(36));
  auto list = Read(5);
  ASSERT_NE(list, nullptr);
  EXPECT_GE(list->GetCount(), 1u);
  EXPECT_LT(list->GetCount(), 20u);
}

}  // namespace
