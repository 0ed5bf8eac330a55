// The driver object's capability answers on the sample device model, with
// the model changed where a case needs a value the sample does not hold.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/GSettingValue.h"
#include "model/GAttributeComposite.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GFormToTrayDatabase.h"
#include "model/GMedia.h"
#include "model/GMediaPool.h"
#include "model/GPersistOutStream.h"
#include "model/GRangeAttribute.h"
#include "model/GResourceMapping.h"
#include "model/GResourceMappingList.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentComposite.h"
#include "rw/RWPersistence.h"
#include "support/NT40DriverFixture.h"
#include "win32/Kernel.h"
#include "w32test/Testing.h"
#include "winnt40/GNT40PrinterDevMode.h"

namespace qvtest {
namespace {

using SV = GSettingValue;

enum : WORD {
  DC_FIELDS = 1,
  DC_PAPERS = 2,
  DC_PAPERSIZE = 3,
  DC_MINEXTENT = 4,
  DC_MAXEXTENT = 5,
  DC_BINS = 6,
  DC_DUPLEX = 7,
  DC_SIZE = 8,
  DC_EXTRA = 9,
  DC_BINNAMES = 12,
  DC_ENUMRESOLUTIONS = 13,
  DC_PAPERNAMES = 16,
  DC_ORIENTATION = 17,
  DC_COPIES = 18,
  DC_COLLATE = 22,
  DC_PERSONALITY = 25,
  DC_PRINTRATE = 26,
  DC_PRINTERMEM = 28,
  DC_MEDIAREADY = 29,
  DC_STAPLE = 30,
  DC_PRINTRATEPPM = 31,
  DC_COLORDEVICE = 32,
};

template <class T>
T* Add(MPersistentObject* parent, T* child) {
  parent->AddChild(child);
  return child;
}
GValueAttribute* Value(int32_t id, int16_t value) { return new GValueAttribute(value, &id); }

std::u16string Entry(const std::vector<char16_t>& entries, size_t index, size_t length) {
  std::u16string s;
  for (size_t i = 0; i < length && entries[index * length + i] != 0; ++i) s += entries[index * length + i];
  return s;
}

class GNT40DeviceCapabilitiesTest : public NT40DriverTest {
 protected:
  LONG Caps(WORD index, void* output = nullptr, DEVMODEW* dm = nullptr) {
    return driver_->DeviceCapabilities(printer_, Name(), index, output, dm);
  }
  MPersistentObject* Configuration() { return driver_->GetPrinterConfiguration(); }
  // The installable options the defaults are made from.
  MPersistentObject* Options() { return SV::Find(Configuration(), 365); }
  // The printer's stored groups and DEVMODE object go: the next call makes
  // the defaults from the model again and stores them.
  void ForgetStoredSettings() {
    for (const char16_t* group : {u"365", u"366", u"368"}) factory_->DeletePrinterDataValue(driver_, RWWString(group));
    driver_->DeleteDevModeObject();
  }
};

TEST_F(GNT40DeviceCapabilitiesTest, ConfigurationAnswers) {
  auto* copies = dynamic_cast<GRangeAttribute*>(SV::Find(Configuration(), 199));
  ASSERT_NE(copies, nullptr);
  copies->SetMax(500);
  ASSERT_TRUE(SV::Set(Configuration(), 310, 1));
  ASSERT_TRUE(SV::Set(Configuration(), 339, 1));
  ASSERT_TRUE(SV::Set(Configuration(), 925, 128));
  ASSERT_TRUE(SV::SetText(Configuration(), 560, RWCString("PCL XL Class 2.1 with a name longer than an entry")));

  EXPECT_EQ(Caps(DC_COPIES), 500);
  EXPECT_EQ(Caps(DC_COLLATE), 1);
  EXPECT_EQ(Caps(DC_COLORDEVICE), 1);
  EXPECT_EQ(Caps(DC_PRINTERMEM), 128);
  std::vector<char16_t> name(33, u'#');
  EXPECT_EQ(Caps(DC_PERSONALITY, name.data()), 1);
  EXPECT_EQ(Entry(name, 0, 32), u"PCL XL Class 2.1 with a name lon");
  EXPECT_EQ(name[32], u'#');

  // A collation unit of 2, a colour value of 2: neither counts.
  ASSERT_TRUE(SV::Set(Configuration(), 310, 2));
  ASSERT_TRUE(SV::Set(Configuration(), 339, 2));
  EXPECT_EQ(Caps(DC_COLLATE), 0);
  EXPECT_EQ(Caps(DC_COLORDEVICE), 0);
}

TEST_F(GNT40DeviceCapabilitiesTest, InstalledOptionsOfTheDocumentSettings) {
  // The sample family has a duplex unit and a stapler installed.
  EXPECT_EQ(Caps(DC_DUPLEX), 1);
  EXPECT_EQ(Caps(DC_STAPLE), 1);
  // Without them, neither is offered.
  ASSERT_TRUE(SV::Set(Options(), 308, 0));
  ASSERT_TRUE(SV::Set(Options(), 311, 0));
  ForgetStoredSettings();
  EXPECT_EQ(Caps(DC_DUPLEX), 0);
  EXPECT_EQ(Caps(DC_STAPLE), 0);
  // The stored installable options say what is installed; duplex and the
  // stapler read them again on every call.
  ASSERT_TRUE(SV::Set(Options(), 245, 1));
  ASSERT_TRUE(SV::Set(Options(), 311, 1));
  ASSERT_TRUE(SV::Set(Options(), 976, 24));
  const int32_t grayRate = 1024;
  Configuration()->AddChild(new GValueAttribute(30, &grayRate));
  // New defaults: the printer's stored groups go, the next call stores them.
  ForgetStoredSettings();
  EXPECT_EQ(Caps(DC_DUPLEX), 1);
  EXPECT_EQ(Caps(DC_STAPLE), 1);
  EXPECT_EQ(Caps(DC_PRINTRATE), 24);
  // Colour printed as gray does not apply without a colour group: the rate.
  EXPECT_EQ(Caps(DC_PRINTRATEPPM), 24);
}

TEST_F(GNT40DeviceCapabilitiesTest, PaperListEndsWithTheCustomSize) {
  ASSERT_EQ(driver_->LoadDevMode(nullptr), 1);
  const LONG n = driver_->CapPapers(nullptr);
  ASSERT_GE(n, 1);
  std::vector<WORD> numbers(n);
  std::vector<char16_t> names(n * 64);
  std::vector<LONG> sizes(2 * n);
  EXPECT_EQ(driver_->BuildPaperList(names.data(), numbers.data(), sizes.data()), n);
  // The sample maps Letter, Legal and A4.
  EXPECT_EQ(numbers, (std::vector<WORD>{1, 5, 9, 256}));
  EXPECT_EQ(Entry(names, 1, 64), u"Legal");
  EXPECT_EQ(Entry(names, 3, 64), u"Custom Size");
  EXPECT_EQ(sizes[4], 2100);  // A4 in tenths of a millimetre
  EXPECT_EQ(sizes[5], 2970);
  // The sample's custom size starts as Letter.
  EXPECT_EQ(sizes[6], 2159);
  EXPECT_EQ(sizes[7], 2794);
  EXPECT_EQ(driver_->GetDevModeState() & GNT40DriverSettings::kRebuildPaperList, 0);
}

TEST_F(GNT40DeviceCapabilitiesTest, FormsOfTheSpoolerWithoutAMappingAreLeftOut) {
  // A user form is offered under its 1-based spooler number.
  FORM_INFO_1W form{};
  std::u16string name = u"Index Card";
  form.Flags = FORM_USER;
  form.pName = name.data();
  form.Size = {76200, 127000};
  form.ImageableArea = {0, 0, 76200, 127000};
  ASSERT_TRUE(AddFormW(printer_, 1, reinterpret_cast<LPBYTE>(&form)));
  const LONG n = Caps(DC_PAPERS);
  ASSERT_EQ(n, 5);
  std::vector<WORD> numbers(n);
  std::vector<LONG> sizes(2 * n);
  std::vector<char16_t> names(n * 64);
  Caps(DC_PAPERS, numbers.data());
  Caps(DC_PAPERSIZE, sizes.data());
  Caps(DC_PAPERNAMES, names.data());
  EXPECT_EQ(Entry(names, 3, 64), u"Index Card");
  EXPECT_GT(numbers[3], 9);
  EXPECT_EQ(sizes[6], 762);
  EXPECT_EQ(sizes[7], 1270);
  EXPECT_EQ(numbers[4], 256);
}

TEST_F(GNT40DeviceCapabilitiesTest, TheCustomSizeComesFromTheSettings) {
  ASSERT_EQ(driver_->LoadDevMode(nullptr), 1);
  GAttributeComposite* settings = driver_->GetDevModeSettings();
  ASSERT_NE(settings, nullptr);
  ASSERT_TRUE(SV::Set(settings, 1260, 1500));
  ASSERT_TRUE(SV::Set(settings, 1261, 2500));
  driver_->SetDevModeState(driver_->GetDevModeState() | GNT40DriverSettings::kRebuildSettings);
  const LONG n = driver_->CapPaperSize(nullptr);
  std::vector<LONG> sizes(2 * n);
  EXPECT_EQ(driver_->CapPaperSize(sizes.data()), n);
  EXPECT_EQ(sizes[2 * n - 2], 1500);
  EXPECT_EQ(sizes[2 * n - 1], 2500);
}

TEST_F(GNT40DeviceCapabilitiesTest, AssignedFormsReduceTheTraysToFormSelect) {
  EXPECT_EQ(Caps(DC_MEDIAREADY), 0);
  const LONG trays = Caps(DC_BINS);
  ASSERT_GE(trays, 1);

  const int32_t databaseId = 510;
  auto* database = new GFormToTrayDatabase(&databaseId);
  database->AssignTray(1, 1, 0);
  Options()->AddChild(database);
  ForgetStoredSettings();

  WORD bin = 0;
  EXPECT_EQ(Caps(DC_BINS, &bin), 1);
  EXPECT_EQ(bin, 15);
  std::vector<char16_t> name(24, u'#');
  EXPECT_EQ(Caps(DC_BINNAMES, name.data()), 1);
  EXPECT_EQ(Entry(name, 0, 24), u"Form Select");
  // Media ready lists the paper names.
  const LONG n = Caps(DC_PAPERNAMES);
  EXPECT_EQ(Caps(DC_MEDIAREADY), n);
  std::vector<char16_t> names(n * 64);
  EXPECT_EQ(Caps(DC_MEDIAREADY, names.data()), n);
}

TEST_F(GNT40DeviceCapabilitiesTest, TraysAndBinsWithTheirNames) {
  // The sample's standard input device holds trays 1 and 2; with the
  // output bins not listed, they are all.
  ASSERT_TRUE(SV::Set(Options(), 197, 0));
  ForgetStoredSettings();
  const LONG n = Caps(DC_BINS);
  ASSERT_EQ(n, 2);
  std::vector<WORD> bins(n + 1, 0xFFFF);
  std::vector<char16_t> names((n + 1) * 24, u'#');
  EXPECT_EQ(Caps(DC_BINS, bins.data()), n);
  EXPECT_EQ(Caps(DC_BINNAMES, names.data()), n);
  EXPECT_EQ(bins, (std::vector<WORD>{1, 2, 0xFFFF}));
  // Tray names begin with a blank.
  EXPECT_EQ(Entry(names, 0, 24), u" Tray 1");
  EXPECT_EQ(Entry(names, 1, 24), u" Tray 2");
  EXPECT_EQ(names[2 * 24], u'#');

  // With the output bins listed, the bin mappings follow, without the blank.
  ASSERT_TRUE(SV::Set(Options(), 197, 1));
  ForgetStoredSettings();
  const LONG all = Caps(DC_BINS);
  ASSERT_GT(all, n);
  std::vector<WORD> allBins(all);
  std::vector<char16_t> allNames(all * 24);
  EXPECT_EQ(Caps(DC_BINS, allBins.data()), all);
  EXPECT_EQ(Caps(DC_BINNAMES, allNames.data()), all);
  EXPECT_EQ(allBins[2], 16680);
  EXPECT_EQ(Entry(allNames, 2, 24), u"Top Bin");
}

TEST_F(GNT40DeviceCapabilitiesTest, ResolutionPairsSkipRepeats) {
  MPersistentObject* list = SV::Find(Configuration(), 206);
  ASSERT_NE(list, nullptr);
  auto addPair = [&](int16_t x, int16_t y) {
    auto* entry = new GAttributeComposite(nullptr);
    entry->AddChild(Value(323, x));
    entry->AddChild(Value(324, y));
    list->AddChild(entry);
  };
  addPair(300, 300);  // the same as the last one: left out
  addPair(1200, 600);
  auto* quality = new GAttributeComposite(nullptr);
  quality->AddChild(Value(902, 150));
  list->AddChild(quality);

  const LONG n = Caps(DC_ENUMRESOLUTIONS);
  ASSERT_EQ(n, 4);
  std::vector<LONG> pairs(2 * n + 1, -7);
  EXPECT_EQ(Caps(DC_ENUMRESOLUTIONS, pairs.data()), 4);
  EXPECT_EQ(pairs, (std::vector<LONG>{600, 600, 300, 300, 1200, 600, 150, 150, -7}));
}

TEST_F(GNT40DeviceCapabilitiesTest, ExtentsNeedAResolution) {
  ASSERT_EQ(driver_->LoadDevMode(nullptr), 1);
  // At the sample's 600 dpi the pool's limits (3 x 5 to 8.5 x 14 inches)
  // convert to tenths of a millimetre.
  GAttributeComposite* settings = driver_->GetDevModeSettings();
  LONG smallest = 0;
  LONG largest = 0;
  LONG extent = -5;
  driver_->CapMinExtent(&smallest);
  driver_->CapMaxExtent(&largest);
  EXPECT_EQ(smallest, (1270 << 16) | 762);
  EXPECT_EQ(largest, (3556 << 16) | 2159);

  // A zero resolution in the settings is no resolution.
  ASSERT_TRUE(SV::Set(settings, 323, 0));
  driver_->CapMaxExtent(&extent);
  EXPECT_EQ(extent, 0);
}

TEST_F(GNT40DeviceCapabilitiesTest, OrientationOfTheDevModeSettings) {
  ASSERT_EQ(driver_->LoadDevMode(nullptr), 1);
  GAttributeComposite* settings = driver_->GetDevModeSettings();
  ASSERT_NE(settings, nullptr);
  while (MPersistentObject* orientation = settings->RemoveChildById(265)) delete orientation;
  EXPECT_EQ(driver_->CapOrientation(), 0) << "no Orientation attribute";
  settings->AddChild(Value(265, 0));
  EXPECT_EQ(driver_->CapOrientation(), 90);
  for (int16_t rotated : {180, 270}) {
    ASSERT_TRUE(SV::Set(settings, 265, rotated));
    EXPECT_EQ(driver_->CapOrientation(), 270) << rotated;
  }
  ASSERT_TRUE(SV::Set(settings, 265, 90));
  EXPECT_EQ(driver_->CapOrientation(), 90);
}

TEST_F(GNT40DeviceCapabilitiesTest, PublicOnlyHostsGetNoExtraBytes) {
  EXPECT_EQ(Caps(DC_EXTRA), 952);
  SetProcessAppFlags(0x100);
  w32test::SetProcessImagePath(u"C:\\Apps\\OLDAPP.EXE");
  driver_->RefreshAppFlags();
  EXPECT_EQ(Caps(DC_EXTRA), 0);
  SetProcessAppFlags(0);
}

}  // namespace
}  // namespace qvtest

namespace qvtest {
namespace {

// A data file whose device model has no device entry, hence no printer
// configuration, media pool, trays or resolutions.
class EmptyModelTest : public NT40DriverTest {
 protected:
  void WriteDataFile() override {
    MPersistentComposite root;
    root.AddChild(new MPersistentComposite(353));
    root.AddChild(new GResourceMappingList(191));
    root.AddChild(new GResourceMappingList(84));
    GPersistOutStream out(RWWString(kDataFile), 1);
    ASSERT_NE(out.GetStream(), nullptr);
    RWWriteObjectPointer(*out.GetStream(), &root);
    ASSERT_TRUE(out.GetStream()->Good());
  }
};

TEST_F(EmptyModelTest, EveryAnswerHasASafeDefault) {
  ASSERT_EQ(driver_->GetPrinterConfiguration(), nullptr);
  std::vector<uint8_t> output(4096, 0);
  for (WORD index = 0; index <= 40; ++index) {
    const LONG r = driver_->DeviceCapabilities(printer_, Name(), index, output.data(), nullptr);
    EXPECT_GE(r, -1) << index;
  }
  EXPECT_EQ(driver_->DeviceCapabilities(printer_, Name(), 18, nullptr, nullptr), 0);  // DC_COPIES
  EXPECT_EQ(driver_->DeviceCapabilities(printer_, Name(), 13, nullptr, nullptr), 0);  // DC_ENUMRESOLUTIONS
  EXPECT_EQ(driver_->DeviceCapabilities(printer_, Name(), 4, nullptr, nullptr), 0);   // DC_MINEXTENT
  // The paper list still ends with the custom size.
  const LONG papers = driver_->DeviceCapabilities(printer_, Name(), 2, nullptr, nullptr);
  ASSERT_GE(papers, 1);
  std::vector<WORD> numbers(papers);
  driver_->DeviceCapabilities(printer_, Name(), 2, numbers.data(), nullptr);
  EXPECT_EQ(numbers.back(), 256);

  EXPECT_EQ(driver_->DocumentProperties(nullptr, printer_, Name(), nullptr, nullptr, 0), 1172);
  std::vector<uint8_t> dm(kDevModeSize, 0);
  const LONG copied = driver_->DocumentProperties(nullptr, printer_, Name(), AsDevMode(dm), nullptr, 2);
  EXPECT_TRUE(copied == 1 || copied < 0) << copied;
  LONG size = 1172;
  driver_->ConvertDevMode(Name(), nullptr, AsDevMode(dm), &size, 4);
}

}  // namespace
}  // namespace qvtest

namespace qvtest {
namespace {

// A device paper without a DMPAPER number (a 100 x 148 mm postcard, string
// 1299 "Postcard" of the resource module) matches a user form of its size
// by number; the driver object's name matching also finds a user form that
// carries its display name, whatever that form's size.
TEST_F(GNT40DeviceCapabilitiesTest, TheDriverObjectMatchesPaperByItsDisplayName) {
  w32test::ModuleSpec resources;
  resources.name = kResourcePath;
  resources.strings = {{1299, u"Postcard"}};
  w32test::InstallModule(resources);
  const int16_t postcard = 40;
  driver_->GetPaperMappings()->AddIfNew(new GResourceMapping(1299, 0, postcard, 0));
  auto* pool = dynamic_cast<GMediaPool*>(SV::Find(Configuration(), 189));
  ASSERT_NE(pool, nullptr);
  for (int32_t orientation : {0, 90}) {
    const GShortPoint size(orientation == 0 ? 2362 : 3496, orientation == 0 ? 3496 : 2362);
    pool->AddChild(new GMedia("Postcard", &size, &size, nullptr, orientation, postcard, 600, 600,
                              &GFeatureIds::kCustomMedia));
  }
  ASSERT_EQ(driver_->LoadDevMode(nullptr), 1);

  auto addForm = [&](std::u16string name, LONG width, LONG length) {
    FORM_INFO_1W form{};
    form.Flags = FORM_USER;
    form.pName = name.data();
    form.Size = {width, length};
    form.ImageableArea = {0, 0, width, length};
    ASSERT_TRUE(AddFormW(printer_, 1, reinterpret_cast<LPBYTE>(&form)));
  };
  // A form of the postcard's name but not its size.
  addForm(u"Postcard", 101600, 152400);
  const LONG named = Caps(DC_PAPERS);  // the forms' 1-based numbers run to here
  int16_t number = -1;
  EXPECT_EQ(driver_->PaperIdToDmPaper(postcard, &number), 0) << "by size, no form matches";
  number = -1;
  ASSERT_EQ(driver_->MatchPaperByName(postcard, &number), 1);
  ASSERT_GT(number, 0);
  std::vector<char16_t> names(static_cast<size_t>(named) * 64);
  Caps(DC_PAPERNAMES, names.data());
  // The settings base alone still matches by size only.
  GSpoolerFormServices& base = *driver_;
  int16_t baseNumber = -1;
  EXPECT_EQ(base.GSpoolerFormServices::MatchPaperByName(postcard, &baseNumber), 0);

  // A form of the postcard's size is found by both, by its number.
  addForm(u"Card 100x148", 100000, 148000);
  int16_t bySize = -1;
  ASSERT_EQ(driver_->PaperIdToDmPaper(postcard, &bySize), 1);
  int16_t byName = -1;
  ASSERT_EQ(driver_->MatchPaperByName(postcard, &byName), 1);
  EXPECT_EQ(byName, number) << "the named form comes first in the list";
  EXPECT_NE(bySize, number);
}

}  // namespace
}  // namespace qvtest
