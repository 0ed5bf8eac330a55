// The driver instance's cache of printer-resident fonts read through the
// installed descriptor reader: the descriptor files in the driver directory
// become the device font lists of "AddedFonts", and follow the files as
// they change.
#include "ui/pages/FontCatalogSource.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "driver/GDriverInstance.h"
#include "model/GDeviceFontList.h"
#include "model/GDeviceFontListComposite.h"
#include "support/FontDescriptorTestSupport.h"
#include "support/ScopedUpwardServices.h"
#include "ui/pages/GFontDimm.h"
#include "w32test/Testing.h"

namespace {

using qvfont::Descriptor;
using qvfont::EntrySpec;

std::vector<std::string> Names(MPersistentObject* list) {
  std::vector<std::string> names;
  auto* fonts = dynamic_cast<GDeviceFontList*>(list);
  if (fonts == nullptr) return {"<no list>"};
  for (uint32_t i = 0; i < fonts->GetCount(); ++i) {
    GDeviceFontDescription font;
    fonts->GetFont(i, font);
    names.emplace_back(font.GetName().Data(), font.GetName().Length());
  }
  return names;
}

class FontCatalogSourceTest : public qvfont::FontDeviceTest {
 protected:
  void SetUp() override {
    FontDeviceTest::SetUp();
    services_.Change([](GUpwardServices& s) { s.fontCatalog = &CreateFontCatalog; });
  }
  void TearDown() override {
    FontDeviceTest::TearDown();
  }
  std::unique_ptr<GDeviceFontListComposite> Load() {
    MPersistentObject* loaded = driver_->LoadAddedFonts();
    auto* fonts = dynamic_cast<GDeviceFontListComposite*>(loaded);
    if (fonts == nullptr) delete loaded;
    return std::unique_ptr<GDeviceFontListComposite>(fonts);
  }
  std::unique_ptr<GDeviceFontListComposite> Stored() {
    MPersistentObject* stored = driver_->LoadStoredObject(RWWString(u"AddedFonts"));
    auto* fonts = dynamic_cast<GDeviceFontListComposite*>(stored);
    if (fonts == nullptr) delete stored;
    return std::unique_ptr<GDeviceFontListComposite>(fonts);
  }
};

TEST_F(FontCatalogSourceTest, SourceMakesReadersForTheTenDevices) {
  for (int device : {-1, 10}) EXPECT_EQ(CreateFontCatalog(device, Printer()), nullptr);
  InstallDescriptor(0, u"rom.qvd", Descriptor({EntrySpec{"Rom", "r"}}, 12));
  std::unique_ptr<GDeviceFontCatalog> catalog(CreateFontCatalog(0, Printer()));
  ASSERT_NE(catalog, nullptr);
  ASSERT_TRUE(catalog->Open());
  ASSERT_TRUE(catalog->ReadDescriptor());
  EXPECT_EQ(catalog->GetStamp(), 12);
  std::unique_ptr<MPersistentObject> list(catalog->BuildFontList());
  EXPECT_EQ(Names(list.get()), std::vector<std::string>{"Rom"});
  std::unique_ptr<GDeviceFontCatalog> none(CreateFontCatalog(1, Printer()));
  ASSERT_NE(none, nullptr);
  EXPECT_FALSE(none->Open());
}

TEST_F(FontCatalogSourceTest, AddedFontsFollowTheDescriptorFiles) {
  // Nothing on mass storage and nothing cached: no list.
  EXPECT_EQ(Load(), nullptr);

  // A disk with two fonts (a device that is not known yet is enabled when
  // its file reads), a DIMM that was never enabled and one that is.
  InstallDescriptor(2, u"qvdsk001.qvd", Descriptor({EntrySpec{"Disk A", "a"}, EntrySpec{"Disk B", "b"}}, 3));
  InstallDescriptor(6, u"qvdim001.qvd", Descriptor({EntrySpec{"Dimm One", "1"}}, 5));
  InstallDescriptor(7, u"qvdim002.qvd", Descriptor({EntrySpec{"Dimm Two", "2"}}, 8));
  SetFontDeviceState(Printer(), 7, 1);

  auto fonts = Load();
  ASSERT_NE(fonts, nullptr);
  EXPECT_EQ(fonts->GetCount(), 2);
  EXPECT_EQ(Names(fonts->FindListById(420)), (std::vector<std::string>{"Disk A", "Disk B"}));
  EXPECT_EQ(static_cast<GDeviceFontList*>(fonts->FindListById(420))->GetStamp(), 3u);
  EXPECT_EQ(Names(fonts->FindListById(423)), std::vector<std::string>{"Dimm Two"});
  EXPECT_EQ(fonts->FindListById(422), nullptr);
  EXPECT_EQ(GetFontDeviceState(Printer(), 2), 1);
  EXPECT_EQ(GetFontDeviceState(Printer(), 6), 0);
  EXPECT_EQ(IsMassStorageFontsPresent(Printer()), 1);
  auto stored = Stored();
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->GetCount(), 2);

  // The DIMM's writer adds a font: the newer revision replaces the list.
  {
    GFontDimm dimm(7, Printer());
    ASSERT_EQ(dimm.AddFont(RWCString("Dimm Three"), RWCString("3"), GFontEntryFixedPart(400, 0, 0x21, 2, 0, {210})),
              1);
    dimm.Flush();
  }
  fonts = Load();
  ASSERT_NE(fonts, nullptr);
  EXPECT_EQ(Names(fonts->FindListById(423)), (std::vector<std::string>{"Dimm Three", "Dimm Two"}));
  EXPECT_EQ(static_cast<GDeviceFontList*>(fonts->FindListById(423))->GetStamp(), 9u);

  // The disk's file is gone: its list goes, and its state is not known.
  RemoveFontDeviceFile(Printer(), 2, RWWString(qvfont::InDirectory(u"qvdsk001.qvd").c_str()));
  EXPECT_FALSE(w32test::FileContents(qvfont::InDirectory(u"qvdsk001.qvd").c_str()).has_value());
  fonts = Load();
  ASSERT_NE(fonts, nullptr);
  EXPECT_EQ(fonts->FindListById(420), nullptr);
  EXPECT_NE(fonts->FindListById(423), nullptr);
  EXPECT_EQ(GetFontDeviceState(Printer(), 2), 0);
  stored = Stored();
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->GetCount(), 1);

  // A descriptor damaged in place gives no fonts; the cached list goes.
  ASSERT_TRUE(w32test::PutFile(qvfont::InDirectory(u"qvdim002.qvd").c_str(), std::string(20, '\x7F')));
  fonts = Load();
  ASSERT_NE(fonts, nullptr);
  EXPECT_EQ(fonts->GetCount(), 0);
  EXPECT_EQ(IsMassStorageFontsPresent(Printer()), 0);
}

}  // namespace
