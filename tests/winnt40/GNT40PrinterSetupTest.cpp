// Printer set-up: spooler forms, default watermarks, the DIMM font
// descriptor and the font descriptor files of printer connections.
#include "winnt40/GNT40PrinterSetup.h"

#include <gtest/gtest.h>

#include "model/GCustomMediaSize.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GMediaPool.h"
#include "model/GResourceMapping.h"
#include "model/GResourceMappingList.h"
#include "support/PrinterSetupTestSupport.h"
#include "win32/File.h"
#include "w32test/Testing.h"

namespace {

using qvtest::MakeGroup;
using qvtest::MakeText;
using qvtest::MakeValue;

class PrinterSetupTest : public qvtest::PrinterSetupTest {
 protected:
  GNT40PrinterSetup Setter() { return GNT40PrinterSetup(instance_.get(), instance_->handle); }
  static std::u16string InDriverDirectory(const char16_t* name) {
    return std::u16string(kDriverDirectory) + u"\\" + name;
  }
};

// ---- Font descriptor files of connections ----

TEST_F(PrinterSetupTest, FetchCopiesFromTheServerTryingVersion3ThenVersion2) {
  PutText(u"DIMMFonts1", u"QVDIMM1.FNT");
  PutText(u"DiskFonts1", InDriverDirectory(u"QVDISK.FNT"));
  ASSERT_TRUE(w32test::PutFile(u"\\\\PRINTSRV\\print$\\w32x86\\3\\QVDIMM1.FNT", "dimm v3"));
  ASSERT_TRUE(w32test::PutFile(u"\\\\PRINTSRV\\print$\\w32x86\\2\\QVDIMM1.FNT", "dimm v2"));
  ASSERT_TRUE(w32test::PutFile(u"\\\\PRINTSRV\\print$\\w32x86\\2\\QVDISK.FNT", "disk v2"));
  ASSERT_TRUE(w32test::PutFile(InDriverDirectory(u"QVDISK.FNT").c_str(), "old"));

  Setter().FetchServerFontFiles(RWWString(kPrinter));

  EXPECT_EQ(w32test::FileContents(InDriverDirectory(u"QVDIMM1.FNT").c_str()), "dimm v3");
  EXPECT_EQ(w32test::FileContents(InDriverDirectory(u"QVDISK.FNT").c_str()), "disk v2");
  EXPECT_EQ(w32test::OpenPrinterCount(), 1u);  // only the instance's own handle
}

// The descriptor paths of a connection come from the server: a path outside
// the driver directory is never written.
TEST_F(PrinterSetupTest, FetchWritesOnlyPlainFilesOfTheDriverDirectory) {
  const std::u16string outside = u"C:\\WINNT\\System32\\QVCORE.DLL";
  const std::u16string climbing = InDriverDirectory(u"..\\..\\QVCORE.DLL");
  PutText(u"FlashFonts1", outside);
  PutText(u"FlashFonts2", climbing);
  ASSERT_TRUE(w32test::PutFile(outside.c_str(), "system file"));
  ASSERT_TRUE(w32test::PutFile(u"\\\\PRINTSRV\\print$\\w32x86\\3\\QVCORE.DLL", "from the server"));

  Setter().FetchServerFontFiles(RWWString(kPrinter));

  EXPECT_EQ(w32test::FileContents(outside.c_str()), "system file");
  EXPECT_EQ(w32test::FileContents(u"C:\\WINNT\\System32\\spool\\QVCORE.DLL"), std::nullopt);
}

TEST_F(PrinterSetupTest, FetchNeedsAServerPartAndAnOpenablePrinter) {
  PutText(u"DIMMFonts1", u"QVDIMM1.FNT");
  ASSERT_TRUE(w32test::PutFile(u"\\\\PRINTSRV\\print$\\w32x86\\3\\QVDIMM1.FNT", "dimm"));
  w32test::PrinterSetup local;
  local.name = u"LocalLaser";
  w32test::AddPrinter(local);

  Setter().FetchServerFontFiles(RWWString(u"LocalLaser"));     // no separator
  Setter().FetchServerFontFiles(RWWString(u"\\\\NOSRV\\nope"));  // cannot be opened
  EXPECT_EQ(w32test::FileContents(InDriverDirectory(u"QVDIMM1.FNT").c_str()), std::nullopt);
  EXPECT_EQ(w32test::OpenPrinterCount(), 1u);
}

TEST_F(PrinterSetupTest, DeleteRemovesOnlyDescriptorFilesOfTheDriverDirectory) {
  const std::u16string outside = u"C:\\WINNT\\System32\\QVCORE.DLL";
  PutText(u"DIMMFonts2", u"QVDIMM2.FNT");
  PutText(u"ROMAddOnFonts1", outside);
  ASSERT_TRUE(w32test::PutFile(InDriverDirectory(u"QVDIMM2.FNT").c_str(), "dimm"));
  ASSERT_TRUE(w32test::PutFile(outside.c_str(), "system file"));

  Setter().DeleteServerFontFiles(RWWString(kPrinter));

  EXPECT_EQ(w32test::FileContents(InDriverDirectory(u"QVDIMM2.FNT").c_str()), std::nullopt);
  EXPECT_EQ(w32test::FileContents(outside.c_str()), "system file");
}

TEST(PrinterSetupPaths, FileOfDirectory) {
  const std::u16string dir = u"C:\\Drivers\\2";
  struct Case {
    const char16_t* path;
    bool inside;
  } cases[] = {
      {u"C:\\Drivers\\2\\A.FNT", true},   {u"c:\\drivers\\2\\a.fnt", true},
      {u"C:\\Drivers\\2\\sub\\A.FNT", false}, {u"C:\\Drivers\\2\\..\\A.FNT", false},
      {u"C:\\Drivers\\2\\..", false},     {u"C:\\Drivers\\2\\", false},
      {u"C:\\Drivers\\22\\A.FNT", false}, {u"C:\\Drivers\\2\\a/../b", false},
      {u"D:\\A.FNT", false},              {u"C:\\Drivers\\2\\x:y", false},
  };
  for (const Case& c : cases) EXPECT_EQ(GNT40PrinterSetup::IsFileOfDirectory(c.path, dir), c.inside);
  EXPECT_FALSE(GNT40PrinterSetup::IsFileOfDirectory(u"\\A.FNT", u""));
}

// ---- DIMM font descriptor ----

TEST_F(PrinterSetupTest, RegisterDimmFontsStoresTheDescriptorOfTheFirstDimm) {
  configuration_->AddChild(MakeText(445, "QVDIMM.FNT"));
  configuration_->AddChild(MakeValue(317, 1));
  Setter().RegisterDimmFonts();
  EXPECT_EQ(DataText(u"DIMMFonts1"), u"QVDIMM.FNT");
  EXPECT_EQ(DataDword(u"MassStorageFonts"), 1u);
}

TEST_F(PrinterSetupTest, RegisterDimmFontsLeavesTheFlagWhen317IsZero) {
  configuration_->AddChild(MakeText(445, "QVDIMM.FNT"));
  configuration_->AddChild(MakeValue(317, 0));
  Setter().RegisterDimmFonts();
  EXPECT_EQ(DataText(u"DIMMFonts1"), u"QVDIMM.FNT");
  EXPECT_FALSE(Data(u"MassStorageFonts").has_value());
}

TEST_F(PrinterSetupTest, RegisterDimmFontsWithoutDescriptorWritesNothing) {
  configuration_->AddChild(MakeValue(317, 1));
  Setter().RegisterDimmFonts();
  configuration_->AddChild(MakeText(445, ""));
  Setter().RegisterDimmFonts();
  EXPECT_FALSE(Data(u"DIMMFonts1").has_value());
  EXPECT_FALSE(Data(u"MassStorageFonts").has_value());
}

// ---- Watermarks ----

struct Watermark {
  std::string name, text, face;
  int16_t charSet, style, size, shade, id;
};

Watermark ReadWatermark(MPersistentObject* record) {
  auto text = [&](int32_t id) {
    auto* s = dynamic_cast<GStringAttribute*>(record->FindById(id));
    return s != nullptr ? std::string(s->GetString().Data(), s->GetString().Length()) : std::string("<missing>");
  };
  auto value = [&](int32_t id) {
    auto* v = dynamic_cast<GValueAttribute*>(record->FindById(id));
    return v != nullptr ? v->GetValue() : int16_t(-999);
  };
  for (int32_t id : {389, 392, 394, 396, 397}) EXPECT_EQ(value(id), 0) << id;
  EXPECT_EQ(value(393), 1);
  EXPECT_EQ(value(398), value(403));
  EXPECT_EQ(value(399), value(403));
  EXPECT_EQ(value(400), value(403));
  return {text(384), text(385), text(386), value(387), value(388), value(390), value(403), value(1112)};
}

class WatermarkTest : public PrinterSetupTest {
 protected:
  void SetUp() override {
    PrinterSetupTest::SetUp();
    settings_ = MakeGroup(360);
    GAttributeComposite* preferences = MakeGroup(366);
    pool_ = MakeGroup(378);
    preferences->AddChild(pool_);
    settings_->AddChild(preferences);
    instance_->InstallSettings(settings_);
  }
  std::vector<Watermark> Records() {
    std::vector<Watermark> out;
    GAttributeCompositeIterator it(pool_);
    while (it.Advance()) {
      EXPECT_EQ(it.Current()->FeatureId(), 380);
      out.push_back(ReadWatermark(it.Current()));
    }
    return out;
  }
  GAttributeComposite* settings_ = nullptr;
  GAttributeComposite* pool_ = nullptr;
};

TEST_F(WatermarkTest, FourDefaultRecordsFromTheResourceModule) {
  InstallResources({{11077, u"80"}, {11078, u"90"}, {11079, u"140"}, {11080, u"220"}, {11060, u" (none)"},
                    {11074, u"Confidential"}, {11076, u"SAMPLE"}, {11075, u"Draft"}});
  w32test::SetVersionTranslations(kResources, {{0x0409, 1252}});
  settings_->AddChild(MakeValue(924, 180));

  Setter().CreateDefaultWatermarks(settings_);

  const std::vector<Watermark> records = Records();
  ASSERT_EQ(records.size(), 4u);
  const Watermark expected[] = {
      {"", " (none)", "Arial", 0, 0, 80, 180, 0},
      {"Confidential", "Confidential", "Arial", 0, 1, 90, 180, 1},
      {"SAMPLE", "SAMPLE", "Arial", 0, 1, 140, 180, 3},
      {"Draft", "Draft", "Arial", 0, 1, 220, 180, 2},
  };
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(records[i].name, expected[i].name);
    EXPECT_EQ(records[i].text, expected[i].text);
    EXPECT_EQ(records[i].face, expected[i].face);
    EXPECT_EQ(records[i].charSet, expected[i].charSet);
    EXPECT_EQ(records[i].style, expected[i].style);
    EXPECT_EQ(records[i].size, expected[i].size);
    EXPECT_EQ(records[i].shade, expected[i].shade);
    EXPECT_EQ(records[i].id, expected[i].id);
  }
  EXPECT_EQ(w32test::ModuleLoadCount(kResources), 0u);  // freed again
}

TEST_F(WatermarkTest, MissingStringsKeepThePreviousValues) {
  // Only the second record's strings exist: the first gets the defaults,
  // the later ones keep the second's size and text.
  InstallResources({{11078, u"90"}, {11074, u"Confidential"}});
  Setter().CreateDefaultWatermarks(settings_);
  const std::vector<Watermark> records = Records();
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0].text, "");
  EXPECT_EQ(records[0].size, 100);
  EXPECT_EQ(records[0].shade, 224);  // no 924 in the settings
  EXPECT_EQ(records[0].charSet, 255);  // no version block: code page 0
  for (size_t i = 1; i < 4; ++i) {
    EXPECT_EQ(records[i].text, "Confidential");
    EXPECT_EQ(records[i].size, 90);
  }
}

TEST_F(WatermarkTest, WithoutResourceModuleTheRecordsAreStillAdded) {
  instance_->resourcePath = RWWString(u"C:\\nowhere\\QVRES.DLL");
  Setter().CreateDefaultWatermarks(settings_);
  const std::vector<Watermark> records = Records();
  ASSERT_EQ(records.size(), 4u);
  for (const Watermark& w : records) {
    EXPECT_EQ(w.text, "");
    EXPECT_EQ(w.size, 100);
    EXPECT_EQ(w.face, "Arial");
    EXPECT_EQ(w.charSet, 255);
  }
}

TEST_F(WatermarkTest, APoolWithEntriesIsLeftAlone) {
  pool_->AddChild(MakeGroup(380));
  InstallResources({{11077, u"80"}});
  Setter().CreateDefaultWatermarks(settings_);
  EXPECT_EQ(pool_->GetEntryCount(), 1);
  // Settings without the pool: nothing to fill, no crash.
  GAttributeComposite* bare = MakeGroup(360);
  Setter().CreateDefaultWatermarks(bare);
  Setter().CreateDefaultWatermarks(nullptr);
  EXPECT_EQ(bare->GetEntryCount(), 0);
  delete bare;
}

TEST_F(WatermarkTest, TheResourceModulesCodePageChoosesFaceAndCharacterSet) {
  InstallResources({});
  w32test::SetVersionTranslations(kResources, {{0x0411, 932}, {0x0409, 1252}});
  Setter().CreateDefaultWatermarks(settings_);
  const std::vector<Watermark> records = Records();
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0].face, "\x82\x6C\x82\x72\x20\x82\x6F\x96\xBE\x92\xA9");
  EXPECT_EQ(records[0].charSet, 128);
}

TEST(WatermarkFont, TableOfCodePages) {
  struct Case {
    UINT codePage;
    const char* face;
    int16_t charSet;
  } cases[] = {
      {874, "Arial", 222},
      {932, "\x82\x6C\x82\x72\x20\x82\x6F\x96\xBE\x92\xA9", 128},
      {936, "\xCB\xCE\xCC\xE5", 134},
      {949, "\xB9\xD9\xC5\xC1", 129},
      {950, "\xB7\x73\xB2\xD3\xA9\xFA\xC5\xE9", 136},
      {1200, "Arial", 0},
      {1252, "Arial", 0},
      {1250, "Arial", 238},
      {1251, "Arial", 204},
      {1253, "Arial", 161},
      {1254, "Arial", 162},
      {1255, "Arial", 177},
      {1256, "Arial", 178},
      {1257, "Arial", 186},
      {1361, "Arial", 130},
      {0, "Arial", 255},
      {437, "Arial", 255},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.codePage);
    const GWatermarkFont font = GNT40PrinterSetup::WatermarkFontFor(c.codePage);
    EXPECT_EQ(std::string(font.face.Data(), font.face.Length()), c.face);
    EXPECT_EQ(font.charSet, c.charSet);
  }
}

TEST_F(PrinterSetupTest, ResourceCodePageIsTheFirstTranslations) {
  EXPECT_EQ(GNT40PrinterSetup::ResourceCodePage(RWWString(kResources)), 0u);
  w32test::SetVersionTranslations(kResources, {{0x0405, 1250}, {0x0409, 1252}});
  EXPECT_EQ(GNT40PrinterSetup::ResourceCodePage(RWWString(kResources)), 1250u);
  EXPECT_EQ(GNT40PrinterSetup::ResourceCodePage(RWWString()), 0u);
}

// ---- Forms ----

class FormsTest : public PrinterSetupTest {
 protected:
  void SetUp() override {
    PrinterSetupTest::SetUp();
    const int32_t poolId = 189;
    pool_ = new GMediaPool(&poolId);
    configuration_->AddChild(pool_);
    instance_->SetPaperMappings(new GResourceMappingList(191));
  }
  // A medium of the pool at 600 dpi with its paper mapping.
  void AddMedium(int16_t paperId, int16_t width, int16_t height, int16_t spoolerPaper, int32_t stringId) {
    const GShortPoint size(width, height);
    const GShortPoint extent(static_cast<int16_t>(width - 200), static_cast<int16_t>(height - 200));
    const GShortPoint origin(100, 100);
    pool_->AddChild(new GMedia("paper", &size, &extent, &origin, 0, paperId, 600, 600, &GFeatureIds::kCustomMedia));
    instance_->GetPaperMappings()->AddIfNew(new GResourceMapping(stringId, spoolerPaper, paperId, 0));
  }
  void AddCustomSize(const char* name, uint32_t width, uint32_t height) {
    if (customSizes_ == nullptr) {
      GAttributeComposite* device = MakeGroup(359);
      customSizes_ = MakeGroup(276);
      device->AddChild(customSizes_);
      configuration_->AddChild(device);
    }
    const int32_t id = 0;
    customSizes_->AddChild(
        new GCustomMediaSize(17000, RWCString(name), GCustomMediaSize::kMicrometre, width, height, &id));
  }
  // The form of that name: flags and size, or nothing.
  std::optional<FORM_INFO_1W> Form(const char16_t* name) {
    DWORD needed = 0;
    GetFormW(instance_->handle, name, 1, nullptr, 0, &needed);
    if (needed == 0) return std::nullopt;
    buffer_.assign(needed, 0);
    if (!GetFormW(instance_->handle, name, 1, buffer_.data(), needed, &needed)) return std::nullopt;
    return *reinterpret_cast<FORM_INFO_1W*>(buffer_.data());
  }
  void AddUserForm(const char16_t* name, LONG cx, LONG cy) {
    std::u16string n(name);
    FORM_INFO_1W form{FORM_USER, n.data(), {cx, cy}, {0, 0, cx, cy}};
    ASSERT_TRUE(AddFormW(instance_->handle, 1, reinterpret_cast<LPBYTE>(&form)));
  }

  const int16_t resolution_[2] = {600, 600};
  GMediaPool* pool_ = nullptr;
  GAttributeComposite* customSizes_ = nullptr;
  std::vector<BYTE> buffer_;
};

TEST_F(FormsTest, DeviceMediaWithoutSpoolerPaperBecomePrinterForms) {
  InstallResources({{5001, u"Banner 8 x 36"}, {5002, u"Letter"}, {5003, u"Postcard XL"}});
  AddMedium(1, 5100, 6600, 1, 5002);      // Letter: the spooler has it built in
  AddMedium(30, 4800, 21600, 300, 5001);  // 8 x 36 inch, a driver paper number
  AddMedium(31, 2400, 3600, 0, 5003);     // 4 x 6 inch, no paper number
  EXPECT_EQ(Setter().InstallForms(0, resolution_), 1);

  auto banner = Form(u"Banner 8 x 36");
  ASSERT_TRUE(banner.has_value());
  EXPECT_EQ(banner->Flags, static_cast<DWORD>(FORM_PRINTER));
  EXPECT_EQ(banner->Size.cx, 203200);
  EXPECT_EQ(banner->Size.cy, 914400);
  EXPECT_EQ(banner->ImageableArea.left, 0);
  EXPECT_EQ(banner->ImageableArea.right, 203200);
  EXPECT_EQ(banner->ImageableArea.bottom, 914400);
  auto postcard = Form(u"Postcard XL");
  ASSERT_TRUE(postcard.has_value());
  EXPECT_EQ(postcard->Size.cx, 101600);
  EXPECT_EQ(postcard->Size.cy, 152400);
  EXPECT_EQ(Form(u"Letter")->Flags, static_cast<DWORD>(FORM_BUILTIN));
  EXPECT_EQ(w32test::ModuleLoadCount(kResources), 0u);
  // A second run finds the forms it added.
  EXPECT_EQ(Setter().InstallForms(0, resolution_), 0);
}

TEST_F(FormsTest, AUserFormOfTheSameSizeWithinATenthOfAMillimetreIsEnough) {
  InstallResources({{5001, u"Banner 8 x 36"}});
  AddMedium(30, 4800, 21600, 300, 5001);
  AddUserForm(u"My banner", 203200 + 100, 914400 - 100);
  EXPECT_EQ(Setter().InstallForms(0, resolution_), 0);
  EXPECT_FALSE(Form(u"Banner 8 x 36").has_value());
}

TEST_F(FormsTest, ASizeJustOutsideTheToleranceGetsItsForm) {
  InstallResources({{5001, u"Banner 8 x 36"}});
  AddMedium(30, 4800, 21600, 300, 5001);
  AddUserForm(u"My banner", 203200 + 101, 914400);
  EXPECT_EQ(Setter().InstallForms(0, resolution_), 1);
  EXPECT_TRUE(Form(u"Banner 8 x 36").has_value());
}

TEST_F(FormsTest, CustomSizesAreAddedEvenWithoutResourceModule) {
  instance_->resourcePath = RWWString(u"C:\\nowhere\\QVRES.DLL");
  AddMedium(30, 4800, 21600, 300, 5001);
  AddCustomSize("Label 100 x 50", 100000, 50000);
  AddCustomSize("Same as user", 90000, 40000);
  AddUserForm(u"Existing", 90050, 40000);
  EXPECT_EQ(Setter().InstallForms(0, resolution_), 1);
  auto label = Form(u"Label 100 x 50");
  ASSERT_TRUE(label.has_value());
  EXPECT_EQ(label->Flags, static_cast<DWORD>(FORM_PRINTER));
  EXPECT_EQ(label->Size.cx, 100000);
  EXPECT_EQ(label->Size.cy, 50000);
  EXPECT_FALSE(Form(u"Same as user").has_value());
  EXPECT_FALSE(Form(u"Banner 8 x 36").has_value());
}

TEST_F(FormsTest, AFormOfTheSameNameIsLeftAlone) {
  InstallResources({});
  AddCustomSize("Label", 100000, 50000);
  AddUserForm(u"Label", 70000, 70000);
  EXPECT_EQ(Setter().InstallForms(0, resolution_), 0);
  EXPECT_EQ(Form(u"Label")->Size.cx, 70000);
}

}  // namespace
