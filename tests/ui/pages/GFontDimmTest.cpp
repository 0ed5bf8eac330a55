// GFontDimm: new descriptor files for devices that are not enabled, edits
// of an enabled device's file, the bytes written and the round trip through
// the reader.
#include "ui/pages/GFontDimm.h"

#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "model/GDeviceFontList.h"
#include "support/FontDescriptorTestSupport.h"
#include "w32test/Testing.h"

namespace {

using qvfont::Descriptor;
using qvfont::EntrySpec;
using qvfont::Get16;
using qvfont::Get32;

std::string DimmStr(const RWCString& s) { return std::string(s.Data(), s.Length()); }
std::u16string Wide(const RWWString& s) { return std::u16string(s.Data(), s.Length()); }

GFontEntryFixedPart Fixed(const EntrySpec& e) {
  return GFontEntryFixedPart(e.weight, e.italic, e.flags, e.kind, e.pixelHeight, e.codes);
}

struct Seen {
  std::string name;
  std::string selection;
  GFontEntryFixedPart fixed;
};
int Collect(const RWCString& name, const RWCString& selection, const GFontEntryFixedPart& fixed, void* data) {
  static_cast<std::vector<Seen>*>(data)->push_back({DimmStr(name), DimmStr(selection), fixed});
  return 1;
}

class FontDimmTest : public qvfont::FontDeviceTest {
 protected:
  std::vector<Seen> Walk(int device) {
    GFontCatalogReader reader(device, Printer());
    std::vector<Seen> seen;
    reader.ForEachFont(&Collect, &seen);
    return seen;
  }
  std::u16string StoredValue(int device) {
    auto value = Data(FontDeviceValueName(device));
    if (!value) return u"<missing>";
    std::u16string text;
    for (size_t i = 0; i + 1 < value->data.size(); i += 2)
      text += static_cast<char16_t>(value->data[i] | (value->data[i + 1] << 8));
    while (!text.empty() && text.back() == 0) text.pop_back();
    return text;
  }
};

TEST_F(FontDimmTest, ANewDimmGetsANewFileWithThreeFonts) {
  GFontDimm dimm(6, Printer());
  dimm.SetDimmName(RWWString(u"Office Fonts"));
  // The device is not enabled, so the file is a new one of the driver
  // directory, named from the device's template.
  const std::u16string path = Wide(dimm.GetPath());
  EXPECT_TRUE(std::regex_match(std::string(path.begin(), path.end()),
                               std::regex(R"(C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\qvdim[0-9A-Z]{2}1\.qvd)")))
      << std::string(path.begin(), path.end());
  EXPECT_EQ(Wide(dimm.GetVendor()), u"QV Tensbury Lab");
  EXPECT_EQ(Wide(dimm.GetDimmName()), u"Office Fonts");

  EntrySpec a{"Alpha", "\x1b(s0p10h12v0s0b3T", 400, 0, 0x30, 2, 50, {5}};
  EntrySpec b{"Beta", "\x1b(s1p12v1s3b4148T", 700, 1, 0x21, 2, 0, {210, 5}};
  EntrySpec c{"Gamma", "\x1b(s1p12v0s0b4101T", 400, 0, 0x21, 3, 0, {210, 202, 57}};
  EXPECT_EQ(dimm.AddFont(RWCString("Alpha"), RWCString(a.selection.c_str()), Fixed(a)), 1);
  EXPECT_EQ(dimm.AddFont(RWCString("Beta -Bd -It"), RWCString(b.selection.c_str()), Fixed(b)), 1);
  EXPECT_EQ(dimm.AddFont(RWCString("Gamma"), RWCString(c.selection.c_str()), Fixed(c)), 1);
  EXPECT_EQ(dimm.GetFontCount(), 3);
  ASSERT_EQ(dimm.WriteFile(), 1);

  // Each added font went in front of the others, and the file is the one
  // the layout describes.
  auto bytes = File(dimm.GetPath());
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(*bytes, Descriptor({c, b, a}, 1, "Office Fonts", "QV Tensbury Lab"));
  EXPECT_EQ(Get32(*bytes, 28), 3);
  EXPECT_EQ(Get32(*bytes, 14), 44);  // the header of three fonts
  EXPECT_EQ(bytes->substr(bytes->size() - 3), "QVD");
  // The device now records the file by its name in the driver directory.
  EXPECT_EQ(StoredValue(6), path.substr(path.rfind(u'\\') + 1));

  // What the reader gives back is what was added.
  auto seen = Walk(6);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].name, "Gamma");
  EXPECT_EQ(seen[1].name, "Beta -Bd -It");
  EXPECT_EQ(seen[1].selection, b.selection);
  EXPECT_EQ(seen[2].name, "Alpha");
  const EntrySpec* specs[] = {&c, &b, &a};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(seen[i].fixed.Weight(), specs[i]->weight);
    EXPECT_EQ(seen[i].fixed.Italic(), specs[i]->italic);
    EXPECT_EQ(seen[i].fixed.Flags(), specs[i]->flags);
    EXPECT_EQ(seen[i].fixed.KindByte(), specs[i]->kind);
    EXPECT_EQ(seen[i].fixed.PixelHeight(), specs[i]->pixelHeight);
    ASSERT_EQ(seen[i].fixed.CodeCount(), static_cast<int>(specs[i]->codes.size()));
    for (int k = 0; k < seen[i].fixed.CodeCount(); ++k) EXPECT_EQ(seen[i].fixed.Code(k), specs[i]->codes[k]);
  }
}

TEST_F(FontDimmTest, HeaderSizesFollowTheCount) {
  for (int n : {0, 1, 2, 3}) {
    SCOPED_TRACE(n);
    GFontDimm dimm(8, Printer());
    std::vector<EntrySpec> specs;
    for (int i = 0; i < n; ++i) {
      EntrySpec e{"F" + std::to_string(i), "s"};
      specs.insert(specs.begin(), e);
      ASSERT_EQ(dimm.AddFont(RWCString(e.name.c_str()), RWCString("s"), Fixed(e)), 1);
    }
    ASSERT_EQ(dimm.WriteFile(), 1);
    auto bytes = File(dimm.GetPath());
    ASSERT_TRUE(bytes.has_value());
    const int32_t header = n > 1 ? 32 + 4 * n : 36;
    EXPECT_EQ(Get32(*bytes, 14), header);
    EXPECT_EQ(Get32(*bytes, 4), header + 14 + 16);  // "New Font DIMM", "QV Tensbury Lab"
    EXPECT_EQ(Get32(*bytes, 24), 0x00010000);
    EXPECT_EQ(*bytes, Descriptor(specs, 1, "New Font DIMM", "QV Tensbury Lab"));
    GFontCatalogReader reader(8, Printer());
    std::unique_ptr<GDeviceFontList> list(reader.ReadFontList());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(static_cast<int>(list->GetCount()), n);
  }
}

// An enabled device's file is edited in place: the fonts keep their order,
// names are written without their style suffixes, disabling touches bit 7
// of byte 21 only, and every write increments the revision.
TEST_F(FontDimmTest, EditingAnEnabledDimmChangesOnlyWhatWasEdited) {
  EntrySpec regular{"Univers", "u", 400, 0};
  EntrySpec boldItalic{"Univers", "ubi", 700, 1};
  EntrySpec other{"Courier", "c", 400, 0, 0x30, 2, 0, {5, 210}};
  const std::string original = Descriptor({regular, boldItalic, other}, 41);
  InstallDescriptor(7, u"qvdimXY2.qvd", original);
  SetFontDeviceState(Printer(), 7, 1);

  GFontDimm dimm(7, Printer());
  EXPECT_EQ(dimm.ContainsFont(RWCString("Univers -Bd -It")), 1);
  EXPECT_EQ(dimm.ContainsFont(RWCString("Univers -Bd")), 0);
  EXPECT_EQ(dimm.ContainsFont(RWCString("Courier")), 1);
  EXPECT_EQ(dimm.GetFontCount(), 3);
  EXPECT_EQ(Wide(dimm.GetDimmName()), u"Office DIMM");
  EXPECT_EQ(Wide(dimm.GetVendor()), u"Acme Type");
  EXPECT_EQ(Wide(dimm.GetPath()), qvfont::InDirectory(u"qvdimXY2.qvd"));

  // Nothing changed: nothing is written.
  dimm.Flush();
  EXPECT_EQ(*File(dimm.GetPath()), original);

  ASSERT_EQ(dimm.SetFontEnabled(RWCString("Univers -Bd -It"), 0), 1);
  EXPECT_EQ(dimm.SetFontEnabled(RWCString("Univers -It"), 0), 0);
  dimm.Flush();
  std::string expected = original;
  qvfont::Put32(expected, 8, 42);
  const size_t entry = static_cast<size_t>(Get32(original, 36));
  expected[entry + 21] = static_cast<char>(expected[entry + 21] | 0x80);
  EXPECT_EQ(*File(dimm.GetPath()), expected);

  // The list leaves the disabled font out; the walk still reports it.
  {
    GFontCatalogReader reader(7, Printer());
    std::unique_ptr<GDeviceFontList> list(reader.ReadFontList());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetCount(), 2u);
    EXPECT_EQ(list->GetStamp(), 42u);
  }
  ASSERT_EQ(Walk(7).size(), 3u);
  EXPECT_TRUE(Walk(7)[1].fixed.IsDisabled());

  // Enabled again, the file is the original but for its revision.
  ASSERT_EQ(dimm.SetFontEnabled(RWCString("Univers -Bd -It"), 1), 1);
  ASSERT_EQ(dimm.WriteFile(), 1);
  qvfont::Put32(expected, 8, 43);
  expected[entry + 21] = original[entry + 21];
  EXPECT_EQ(*File(dimm.GetPath()), expected);

  // A second editor of the same file reads the current state.
  GFontDimm again(7, Printer());
  ASSERT_EQ(again.RemoveFont(RWCString("Courier")), 1);
  EXPECT_EQ(again.RemoveFont(RWCString("Courier")), 0);
  again.Flush();
  EXPECT_EQ(*File(again.GetPath()), Descriptor({regular, boldItalic}, 44));
}

TEST_F(FontDimmTest, AddingChecksTheNameAndTheFixedPart) {
  InstallDescriptor(9, u"qvdim004.qvd", Descriptor({EntrySpec{"Times", "t"}}, 3));
  SetFontDeviceState(Printer(), 9, 1);
  GFontDimm dimm(9, Printer());
  const EntrySpec spec{"Times", "t2"};
  // The name is taken (the file's entries are read first).
  EXPECT_EQ(dimm.AddFont(RWCString("Times"), RWCString("t2"), Fixed(spec)), 0);
  EXPECT_FALSE(dimm.IsModified());

  // A fixed part whose codes are not all there, or with a negative count.
  std::vector<uint8_t> shortBytes = Fixed(EntrySpec{"X", "x", 400, 0, 0x21, 2, 0, {5, 6, 7}}).Bytes();
  shortBytes.resize(shortBytes.size() - 2);
  GFontEntryFixedPart part;
  EXPECT_FALSE(GFontEntryFixedPart::FromBytes(shortBytes.data(), shortBytes.size(), &part));
  std::vector<uint8_t> negative = Fixed(spec).Bytes();
  negative[24] = 0xFF;
  negative[25] = 0xFF;
  EXPECT_FALSE(GFontEntryFixedPart::FromBytes(negative.data(), negative.size(), &part));
  EXPECT_FALSE(GFontEntryFixedPart::FromBytes(negative.data(), 25, &part));

  // A name too long for the file's 16-bit length.
  const std::string longName(40000, 'n');
  EXPECT_EQ(dimm.AddFont(RWCString(longName.c_str()), RWCString("l"), Fixed(spec)), 0);

  // A fixed part with a stale size field and trailing bytes is stored whole
  // and with its size set.
  std::vector<uint8_t> loose = Fixed(spec).Bytes();
  loose[0] = 99;
  loose.push_back(0xEE);
  ASSERT_TRUE(GFontEntryFixedPart::FromBytes(loose.data(), loose.size(), &part));
  EXPECT_EQ(part.Size(), 28u);
  EXPECT_EQ(dimm.AddFont(RWCString("Times -Bd"), RWCString("tb"), part), 1);
  EXPECT_TRUE(dimm.IsModified());
  ASSERT_EQ(dimm.WriteFile(), 1);
  auto seen = Walk(9);
  ASSERT_EQ(seen.size(), 2u);
  // Weight 400 gives no suffix: the suffix given to AddFont is not stored.
  EXPECT_EQ(seen[0].name, "Times");
  EXPECT_EQ(seen[0].selection, "tb");
  EXPECT_EQ(seen[0].fixed.StoredSize(), 28);
  EXPECT_EQ(seen[1].selection, "t");
  EXPECT_EQ(Get32(*File(dimm.GetPath()), 8), 4);
}

// A device that is not enabled gets a new file even when it has one: the
// old one stays as it was.
TEST_F(FontDimmTest, ADisabledDeviceGetsANewFile) {
  const std::string old = Descriptor({EntrySpec{"Old", "o"}}, 9);
  InstallDescriptor(6, u"qvdimOL1.qvd", old);
  SetFontDeviceState(Printer(), 6, 2);
  GFontDimm dimm(6, Printer());
  EXPECT_EQ(dimm.ContainsFont(RWCString("Old")), 0);
  EXPECT_NE(Wide(dimm.GetPath()), qvfont::InDirectory(u"qvdimOL1.qvd"));
  ASSERT_EQ(dimm.AddFont(RWCString("New"), RWCString("n"), Fixed(EntrySpec{"New", "n"})), 1);
  ASSERT_EQ(dimm.WriteFile(), 1);
  // The same object writes the same file again.
  ASSERT_EQ(dimm.AddFont(RWCString("Newer"), RWCString("m"), Fixed(EntrySpec{"Newer", "m"})), 1);
  ASSERT_EQ(dimm.WriteFile(), 1);
  EXPECT_EQ(*File(dimm.GetPath()),
            Descriptor({EntrySpec{"Newer", "m"}, EntrySpec{"New", "n"}}, 2, "New Font DIMM", "QV Tensbury Lab"));
  EXPECT_EQ(*w32test::FileContents(qvfont::InDirectory(u"qvdimOL1.qvd").c_str()), old);
  RWWString recorded;
  GetFontDeviceFilePath(&recorded, Printer(), 6);
  EXPECT_EQ(Wide(recorded), Wide(dimm.GetPath()));
}

// A damaged file on an enabled device: the writer starts a new header and
// writes a sound file in its place.
TEST_F(FontDimmTest, ADamagedFileIsReplacedByASoundOne) {
  for (const std::string& damaged : {std::string("QVD"), std::string(80, '\xFF')}) {
    InstallDescriptor(2, u"qvdskAA1.qvd", damaged);
    SetFontDeviceState(Printer(), 2, 1);
    GFontDimm dimm(2, Printer());
    EXPECT_EQ(dimm.ContainsFont(RWCString("x")), 0);
    EXPECT_EQ(Wide(dimm.GetDimmName()), u"New Font DIMM");
    ASSERT_EQ(dimm.AddFont(RWCString("Disk Font"), RWCString("d"), Fixed(EntrySpec{"Disk Font", "d"})), 1);
    dimm.Flush();
    EXPECT_EQ(*File(dimm.GetPath()),
              Descriptor({EntrySpec{"Disk Font", "d"}}, 1, "New Font DIMM", "QV Tensbury Lab"));
  }
}

// A file that cannot be written leaves the device as it was.
TEST_F(FontDimmTest, AnUnwritablePathRecordsNothing) {
  ASSERT_EQ(SetFontDeviceFilePath(Printer(), 3, RWWString(u"C:\\No\\Such\\Folder\\fonts.qvd")), 1);
  SetFontDeviceState(Printer(), 3, 1);
  GFontDimm dimm(3, Printer());
  ASSERT_EQ(dimm.AddFont(RWCString("A"), RWCString("a"), Fixed(EntrySpec{"A", "a"})), 1);
  EXPECT_EQ(dimm.WriteFile(), 0);
  EXPECT_TRUE(dimm.IsModified());
  EXPECT_EQ(StoredValue(3), u"C:\\No\\Such\\Folder\\fonts.qvd");
}

}  // namespace
