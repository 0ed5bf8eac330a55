// GDriverInstance: model look-ups with their defaults on a missing or
// damaged model, the paper and form operations, the installable options,
// the media pools, the enumerators and the stored objects.
#include "driver/GDriverInstance.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "model/GFeatureIds.h"
#include "support/DriverInstanceTestSupport.h"
#include "driver/MassStorageFonts.h"
#include "support/ScriptedFactory.h"
#include "model/GAttributeComposite.h"
#include "model/GCapabilities.h"
#include "model/GConfiguration.h"
#include "model/GCountedPtr.h"
#include "model/GCustomMediaSize.h"
#include "model/GDeviceFontList.h"
#include "model/GDeviceFontListComposite.h"
#include "model/GEnumAttribute.h"
#include "model/GLocaleInfo.h"
#include "model/GMedia.h"
#include "model/GMediaPool.h"
#include "model/GPaperHandlingDevice.h"
#include "model/GPeripheral.h"
#include "model/GPersistOutStream.h"
#include "model/GRangeAttribute.h"
#include "model/GResourceMapping.h"
#include "model/GResourceMappingList.h"
#include "model/GStringAttribute.h"
#include "model/GTray.h"
#include "model/GValueAttribute.h"
#include "model/MAssociationList.h"
#include "model/MPersistentAssociation.h"
#include "model/MPersistentComposite.h"
#include "rw/RWPersistence.h"
#include "support/ScopedUpwardServices.h"
#include "support/AttributeBuilders.h"

namespace {

using qvtest::TestDriverInstance;

constexpr int32_t kNoId = 0;

using qvtest::Value;
using qvtest::Text;
using qvtest::Group;

// A peripheral with child peripherals, found by id as the printer's are.
class TestPeripheral : public GPeripheral {
 public:
  explicit TestPeripheral(int32_t id) : GPeripheral(&id) {}
  TestPeripheral* CreateSameKind() const override { return new TestPeripheral(0); }
  TestPeripheral* Clone() const override { return new TestPeripheral(FeatureId()); }
  void Add(GPeripheral* child) { children_.emplace_back(child); }
  MPersistentObject* FindById(const int32_t& id) override {
    for (GCountedPtr& child : children_) {
      if (child->FeatureId() == id) return child.Pointee();
      if (MPersistentObject* found = child->FindById(id)) return found;
    }
    return nullptr;
  }

 private:
  std::vector<GCountedPtr> children_;
};

// The platform: printer data in memory and a settable country.
class Factory : public qvtest::ScriptedFactory {
 public:
  int country = -1;  // -1: no locale record
  int localesMade = 0;
  std::map<std::u16string, DWORD> dwords;
  std::map<std::u16string, std::u16string> strings;

  GLocaleInfo* CreateLocaleInfo() override {
    ++localesMade;
    if (country < 0) return nullptr;
    auto* locale = new GLocaleInfo;
    locale->country = country;
    return locale;
  }
  int SetPrinterDataDword(GDriverInstance*, const RWWString& name, DWORD value) override {
    dwords[qvtest::Text(name)] = value;
    return 1;
  }
  DWORD GetPrinterDataDword(GDriverInstance*, const RWWString& name, DWORD fallback) override {
    auto it = dwords.find(qvtest::Text(name));
    return it != dwords.end() ? it->second : fallback;
  }
  RWWString GetPrinterDataString(GDriverInstance*, const RWWString& name, const RWWString& fallback) override {
    auto it = strings.find(qvtest::Text(name));
    return it != strings.end() ? RWWString(it->second.c_str()) : fallback;
  }
};

// A small device model: the printer entry (76) with its generator (101) and
// PJL peripheral (106) inside the model root (353).
class DriverInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    factory = std::make_unique<Factory>();
    services_.Change([&](GUpwardServices& s) { s.factory = factory.get(); });
    auto* root = new MPersistentComposite(353);
    printer = new TestPeripheral(76);
    generator = new TestPeripheral(101);
    pjl = new TestPeripheral(106);
    printer->Add(generator);
    printer->Add(pjl);
    root->AddChild(printer);
    instance.SetDeviceModel(root);
    configuration = printer->GetConfiguration();
    autoConfiguration = Group(228);
    configuration->AddChild(autoConfiguration);
  }
  void TearDown() override { services_.Restore(); }

  GMediaPool* AddPool(int32_t id) {
    auto* pool = new GMediaPool(&id);
    configuration->AddChild(pool);
    return pool;
  }
  static GMedia* Medium(int16_t paperId, int16_t width, int16_t height, int16_t left, int16_t top, int16_t right,
                        int16_t bottom, uint16_t dpi = 600) {
    const GShortPoint size(width, height);
    const GShortPoint extent(static_cast<int16_t>(width - left - right), static_cast<int16_t>(height - top - bottom));
    const GShortPoint origin(left, top);
    return new GMedia("paper", &size, &extent, &origin, 0, paperId, dpi, dpi, &GFeatureIds::kCustomMedia);
  }
  void AddPaperMapping(int16_t spoolerPaper, int16_t paperId) {
    if (instance.GetPaperMappings() == nullptr) instance.SetPaperMappings(new GResourceMappingList(191));
    instance.GetPaperMappings()->AddIfNew(new GResourceMapping(1000 + paperId, spoolerPaper, paperId, kNoId));
  }

  qvtest::ScopedUpwardServices services_;
  std::unique_ptr<Factory> factory;
  TestDriverInstance instance;
  TestPeripheral* printer = nullptr;
  TestPeripheral* generator = nullptr;
  TestPeripheral* pjl = nullptr;
  GConfiguration* configuration = nullptr;
  GAttributeComposite* autoConfiguration = nullptr;
};

// ---- Missing and damaged models ----

TEST(DriverInstanceWithoutModel, EveryQueryGivesItsDefault) {
  TestDriverInstance instance;
  EXPECT_EQ(instance.FindPrinter(), nullptr);
  EXPECT_EQ(instance.GetPrinterConfiguration(), nullptr);
  EXPECT_EQ(instance.GetCapabilitySet(), nullptr);
  EXPECT_EQ(instance.GetMediaPool(), nullptr);
  EXPECT_EQ(instance.RunAutoConfiguration(0), 603);
  EXPECT_EQ(instance.ApplyDocumentSettings(nullptr), 0);
  EXPECT_EQ(instance.GetColorCapability(), 0);
  EXPECT_EQ(instance.IsResolutionSupported(600, 600), 0);
  EXPECT_EQ(instance.CheckPaperId(nullptr, 1, 0, 600, 600), 1);
  EXPECT_EQ(instance.IsMediaTypeAllowed(RWCString("Plain")), 1);
  EXPECT_EQ(instance.IsTrueTypeBitmapRequired(), 0);
  EXPECT_EQ(instance.GetResourceModulePath().Length(), 0u);
  EXPECT_EQ(instance.RegisterExtension("", 0), 0);
  EXPECT_EQ(instance.IsSourceSupported(1), 0);
  const int16_t resolution[2] = {600, 600};
  EXPECT_EQ(instance.EnumerateMedia(nullptr, nullptr, 0, resolution, 0, 0, nullptr), -1);
  EXPECT_EQ(instance.EnumerateInputTrays(nullptr, nullptr, 0, nullptr), -1);
  EXPECT_EQ(instance.EnumerateOutputBins(nullptr, nullptr, nullptr), -1);
  int16_t out = 7;
  EXPECT_EQ(instance.DmPaperToPaperId(1, &out), 0);
  EXPECT_EQ(out, 7);
  GPaperRequest request;
  EXPECT_EQ(instance.IsPaperSupported(&request), 1);  // no settings to refuse it
  EXPECT_EQ(instance.IsPaperSupported(nullptr), 0);
  EXPECT_EQ(instance.IsMediaSizeWithinLimits(16385, nullptr), 0);
  EXPECT_EQ(instance.ApplyNamedModelEntry(RWWString(u"x"), nullptr), 0);
}

TEST(DriverInstanceWithoutModel, ADeviceEntryOfAnotherClassIsNoPrinter) {
  TestDriverInstance instance;
  auto* root = new MPersistentComposite(353);
  root->AddChild(Value(76, 1));
  instance.SetDeviceModel(root);
  EXPECT_EQ(instance.FindPrinter(), nullptr);
  EXPECT_EQ(instance.GetPrinterConfiguration(), nullptr);
  EXPECT_EQ(instance.GetColorCapability(), 0);
}

TEST(DriverInstanceWithoutModel, MappingListsOfAnotherClassAreDropped) {
  TestDriverInstance instance;
  instance.SetPaperMappings(new MPersistentComposite(191));
  EXPECT_EQ(instance.GetPaperMappings(), nullptr);
  instance.SetSourceMappings(new GResourceMappingList(84));
  ASSERT_NE(instance.GetSourceMappings(), nullptr);
  instance.SetSourceMappings(Value(84, 3));
  EXPECT_EQ(instance.GetSourceMappings(), nullptr);
}

TEST_F(DriverInstanceTest, CapabilitySetIsPrinterCapabilitiesInTheCapabilityGroup) {
  auto* group = new MPersistentComposite(112);
  group->AddChild(new GCapabilities(136, 8, 3));
  group->AddChild(new GCapabilities(135, 8, 1));
  configuration->AddChild(group);
  ASSERT_NE(instance.GetCapabilitySet(), nullptr);
  EXPECT_EQ(instance.GetCapabilitySet()->FeatureId(), 135);
  EXPECT_EQ(instance.QueryCapabilitySet(1), 1);
  EXPECT_EQ(instance.QueryCapabilitySet(3), 0);
}

TEST_F(DriverInstanceTest, ACapabilityIdOfAnotherClassIsNoSet) {
  auto* group = new MPersistentComposite(112);
  group->AddChild(Value(135, 1));
  configuration->AddChild(group);
  EXPECT_EQ(instance.GetCapabilitySet(), nullptr);
  EXPECT_EQ(instance.QueryCapabilitySet(0), 0);
}

TEST_F(DriverInstanceTest, ColourValueIsCachedUntilRebind) {
  configuration->AddChild(Value(339, 1));
  EXPECT_EQ(instance.GetColorCapability(), 1);
  static_cast<GValueAttribute*>(configuration->FindById(339))->SetValue(0);
  EXPECT_EQ(instance.GetColorCapability(), 1);
  instance.Rebind(nullptr);
  EXPECT_EQ(instance.GetColorCapability(), 0);
}

// ---- Paper ids ----

TEST_F(DriverInstanceTest, DefaultPaperFollowsTheCountry) {
  const struct {
    int country;
    int16_t paper;
  } cases[] = {{49, 23}, {1, 1}, {55, 1}, {0, 1}, {2, 1}, {3, 23}, {59, 1}, {60, 23}, {500, 1}, {599, 1}, {600, 23}};
  for (const auto& c : cases) {
    TestDriverInstance fresh;
    factory->country = c.country;
    EXPECT_EQ(fresh.GetDefaultPaperId(), c.paper) << c.country;
  }
  TestDriverInstance noLocale;
  factory->country = -1;
  EXPECT_EQ(noLocale.GetDefaultPaperId(), 1);
  const int made = factory->localesMade;
  EXPECT_EQ(noLocale.GetDefaultPaperId(), 1);
  EXPECT_EQ(factory->localesMade, made);  // cached
}

TEST_F(DriverInstanceTest, CheckPaperIdUsesThePaperList) {
  EXPECT_EQ(instance.CheckPaperId(nullptr, 16384, 0, 600, 600), 2);
  EXPECT_EQ(instance.CheckPaperId(nullptr, 5, 0, 600, 600), 1);  // no list
  auto* list = new MAssociationList(192);
  list->Add(new MPersistentAssociation(Value(kNoId, 1), Text(kNoId, "LETTER"), kNoId));
  list->Add(new MPersistentAssociation(Value(kNoId, 23), Text(kNoId, "A4"), kNoId));
  configuration->AddChild(list);
  EXPECT_EQ(instance.CheckPaperId(nullptr, 23, 0, 600, 600), 1);
  EXPECT_EQ(instance.CheckPaperId(nullptr, 5, 0, 600, 600), 2);
  EXPECT_EQ(instance.CheckPaperId(nullptr, 16383, 0, 600, 600), 2);
  EXPECT_EQ(instance.CheckPaperId(nullptr, -1, 0, 600, 600), 2);

  GAttributeComposite* settings = Group(360);
  settings->AddChild(Value(260, 23));
  EXPECT_EQ(instance.CheckPaperForSettings(settings, 5), 1);
  delete settings;
}

TEST_F(DriverInstanceTest, PaperMappingsConvertBothWays) {
  AddPaperMapping(9, 23);
  int16_t out = 0;
  EXPECT_EQ(instance.DmPaperToPaperId(9, &out), 1);
  EXPECT_EQ(out, 23);
  EXPECT_EQ(instance.PaperIdToDmPaper(23, &out), 1);
  EXPECT_EQ(out, 9);
  EXPECT_EQ(instance.PaperIdToDmPaper(1, &out), 0);
}

TEST_F(DriverInstanceTest, AddCustomFormTakesTheFirstFreeIdAndReplacesTheSameName) {
  const int32_t listId = 276;
  GEnumAttribute list(&listId);
  list.AddChild(new GCustomMediaSize(16385, "Card", 3, 100000, 150000, &kNoId));
  list.AddChild(new GCustomMediaSize(16386, "Strip", 3, 80000, 250000, &kNoId));
  auto* size = new GCustomMediaSize(0, "Card", 3, 120000, 160000, &kNoId);
  EXPECT_EQ(instance.AddCustomForm(size, &list, 0), 1);
  EXPECT_EQ(size->GetPaperId(), 16387);
  EXPECT_EQ(list.GetEntryCount(), 2);
  EXPECT_GE(list.IndexOfChild(size), 0);

  EXPECT_EQ(instance.DeleteCustomForm(size, &list, 0), 1);
  EXPECT_EQ(list.GetEntryCount(), 1);
  GCustomMediaSize absent(0, "None", 3, 1, 1, &kNoId);
  EXPECT_EQ(instance.DeleteCustomForm(&absent, &list, 0), 0);
}

TEST_F(DriverInstanceTest, AddCustomFormRefusesWhenEveryIdIsUsed) {
  const int32_t listId = 276;
  GEnumAttribute list(&listId);
  for (int id = 16385; id <= 17383; ++id) {
    list.AddChild(new GCustomMediaSize(static_cast<int16_t>(id), "", 3, static_cast<uint32_t>(id), 1, &kNoId));
  }
  GCustomMediaSize size(0, "Last", 3, 1, 1, &kNoId);
  EXPECT_EQ(instance.AddCustomForm(&size, &list, 0), 0);
  EXPECT_EQ(size.GetPaperId(), 0);
}

// ---- Media ----

TEST_F(DriverInstanceTest, MediaPoolFollowsTheMarginChoices) {
  GMediaPool* printerPool = AddPool(189);
  printerPool->AddChild(Medium(1, 5100, 6600, 100, 150, 200, 50));
  GMediaPool* emulated = AddPool(195);
  GAttributeComposite* settings = Group(360);
  settings->AddChild(Value(711, 0));
  settings->AddChild(Value(713, 0));
  instance.InstallSettings(settings);
  EXPECT_EQ(instance.GetMediaPool(), printerPool);

  static_cast<GValueAttribute*>(settings->FindById(711))->SetValue(1);
  EXPECT_EQ(instance.GetMediaPool(), emulated);

  static_cast<GValueAttribute*>(settings->FindById(711))->SetValue(0);
  static_cast<GValueAttribute*>(settings->FindById(713))->SetValue(1);
  GMediaPool* symmetric = instance.GetMediaPool();
  ASSERT_NE(symmetric, nullptr);
  EXPECT_NE(symmetric, printerPool);
  EXPECT_EQ(symmetric->FeatureId(), 0);
  EXPECT_EQ(instance.GetMediaPool(), symmetric);  // cached
  GMedia* medium = symmetric->FindMedia(1, 0, 600, 600);
  ASSERT_NE(medium, nullptr);
  EXPECT_EQ(*medium->GetSize(), GShortPoint(5100, 6600));
  EXPECT_EQ(*medium->GetImageableOrigin(), GShortPoint(200, 150));
  EXPECT_EQ(*medium->GetImageableExtent(), GShortPoint(4700, 6300));
}

TEST_F(DriverInstanceTest, SymmetricPoolOfDamagedMediaStaysWithinThePaper) {
  GMediaPool* pool = AddPool(189);
  pool->AddChild(Medium(1, 100, 100, 300, -50, 0, 0));
  GAttributeComposite* settings = Group(360);
  settings->AddChild(Value(713, 1));
  instance.InstallSettings(settings);
  GMedia* medium = instance.GetMediaPool()->FindMedia(1, 0, 600, 600);
  ASSERT_NE(medium, nullptr);
  EXPECT_GE(medium->GetImageableExtent()->x, 0);
  EXPECT_GE(medium->GetImageableExtent()->y, 0);
}

TEST_F(DriverInstanceTest, EnumerateMediaFiltersByMappingAndCountsWhatItPasses) {
  GMediaPool* pool = AddPool(189);
  pool->AddChild(Medium(1, 5100, 6600, 100, 100, 100, 100));
  pool->AddChild(Medium(23, 4960, 7016, 100, 100, 100, 100));
  pool->AddChild(Medium(6, 5100, 8400, 100, 100, 100, 100));
  pool->AddChild(Medium(1, 2550, 3300, 50, 50, 50, 50, 300));
  AddPaperMapping(1, 1);
  AddPaperMapping(9, 23);
  const int16_t resolution[2] = {600, 600};
  int counter = 0;
  EXPECT_EQ(instance.EnumerateMedia(nullptr, nullptr, 0, resolution, 0, 0, &counter), 1);
  EXPECT_EQ(counter, 3);
  EXPECT_EQ(instance.EnumerateMedia(nullptr, nullptr, 0, resolution, 1, 0, &counter), 1);
  EXPECT_EQ(counter, 2);

  struct Seen {
    std::vector<int16_t> papers;
    std::vector<int> indexes;
  } seen;
  auto record = [](GMedia* medium, GResourceMapping* mapping, int index, void* context, int* found) -> int {
    auto* s = static_cast<Seen*>(context);
    s->papers.push_back(medium->GetPaperId());
    s->indexes.push_back(index);
    if (mapping != nullptr && mapping->GetSystemCode() == 9) *found = 1;
    return 1;
  };
  EXPECT_EQ(instance.EnumerateMedia(record, &seen, 0, resolution, 1, 0, nullptr), 1);
  EXPECT_EQ(seen.papers, (std::vector<int16_t>{1, 23}));
  EXPECT_EQ(seen.indexes, (std::vector<int>{0, 1}));

  const int16_t none[2] = {1200, 1200};
  EXPECT_EQ(instance.EnumerateMedia(nullptr, nullptr, 0, none, 0, 0, &counter), -1);
  EXPECT_EQ(counter, 0);
}

TEST_F(DriverInstanceTest, PaperSupportComesFromMediaThenCustomSizes) {
  GMediaPool* pool = AddPool(189);
  pool->AddChild(Medium(1, 5100, 6600, 100, 100, 100, 100));
  AddPaperMapping(1, 1);
  AddPaperMapping(256, 16385);
  GPaperRequest request;
  request.resolution[0] = 600;
  request.resolution[1] = 600;
  request.spoolerPaper = 1;
  EXPECT_EQ(instance.IsPaperSupported(&request), 1);

  request.spoolerPaper = 256;
  EXPECT_EQ(instance.IsPaperSupported(&request), 1);  // no settings
  GAttributeComposite* settings = Group(360);
  instance.InstallSettings(settings);
  EXPECT_EQ(instance.IsPaperSupported(&request), 0);  // no custom list
  const int32_t listId = 276;
  auto* list = new GEnumAttribute(&listId);
  // 4 x 6 inches in micrometres: 2400 x 3600 pixels at 600 dpi.
  list->AddChild(new GCustomMediaSize(16385, "Card", 3, 101600, 152400, &kNoId));
  settings->AddChild(list);
  EXPECT_EQ(instance.IsPaperSupported(&request), 1);

  // With the custom limits, the pool's smallest and largest custom sizes.
  pool->AddChild(Medium(17385, 3000, 4000, 0, 0, 0, 0));
  pool->AddChild(Medium(17384, 5100, 8400, 0, 0, 0, 0));
  request.customLimits = 1;
  EXPECT_EQ(instance.IsPaperSupported(&request), 0);
  request.customLimits = 0;
  EXPECT_EQ(instance.IsPaperSupported(&request), 1);

  // A resolution of 0 supports no custom size and divides by nothing.
  request.resolution[0] = 0;
  EXPECT_EQ(instance.IsPaperSupported(&request), 0);
}

TEST_F(DriverInstanceTest, CustomSizesAreCheckedAgainstThePoolsLimits) {
  GMediaPool* pool = AddPool(189);
  pool->AddChild(Medium(17388, 5100, 8400, 0, 0, 0, 0));
  GAttributeComposite* settings = Group(360);
  settings->AddChild(Value(265, 0));
  GAttributeComposite* resolution = Group(249);
  resolution->AddChild(Value(323, 600));
  resolution->AddChild(Value(324, 600));
  settings->AddChild(resolution);
  const int32_t listId = 276;
  auto* list = new GEnumAttribute(&listId);
  list->AddChild(new GCustomMediaSize(16385, "Card", 3, 101600, 152400, &kNoId));   // 2400 x 3600
  list->AddChild(new GCustomMediaSize(16386, "Banner", 3, 101600, 457200, &kNoId));  // 2400 x 10800
  settings->AddChild(list);
  instance.InstallSettings(settings);
  EXPECT_EQ(instance.IsMediaSizeWithinLimits(16385, nullptr), 0);  // no minimum medium
  pool->AddChild(Medium(17389, 1800, 3000, 0, 0, 0, 0));
  EXPECT_EQ(instance.IsMediaSizeWithinLimits(16385, nullptr), 1);
  EXPECT_EQ(instance.IsMediaSizeWithinLimits(16386, nullptr), 0);
  EXPECT_EQ(instance.IsMediaSizeWithinLimits(16390, nullptr), 0);  // no such size
  static_cast<GValueAttribute*>(resolution->FindById(323))->SetValue(0);
  EXPECT_EQ(instance.IsMediaSizeWithinLimits(16385, nullptr), 0);  // resolution 0
}

// ---- Fonts on mass storage ----

// A descriptor reader that answers from a table of devices.
struct Catalogue {
  bool readable = false;
  int32_t stamp = 0;
};
std::map<int, Catalogue> g_catalogues;

class TableReader : public GDeviceFontCatalog {
 public:
  explicit TableReader(int device) : device_(device) {}
  bool Open() override { return g_catalogues[device_].readable; }
  bool ReadDescriptor() override { return true; }
  int32_t GetStamp() override { return g_catalogues[device_].stamp; }
  MPersistentObject* BuildFontList() override { return new GDeviceFontList(0); }

 private:
  int device_;
};

GDeviceFontCatalog* MakeReader(int device, GDriverInstance*) { return new TableReader(device); }

TEST_F(DriverInstanceTest, AddedFontsFollowTheDevicesCatalogues) {
  services_.Change([](GUpwardServices& s) { s.fontCatalog = &MakeReader; });
  g_catalogues.clear();
  // Without fonts on mass storage and nothing stored there is nothing to do.
  EXPECT_EQ(instance.LoadAddedFonts(), nullptr);

  factory->strings[u"ROMAddOnFonts1"] = u"rom1.fdf";
  g_catalogues[0] = {true, 5};   // device 0: readable, state not known yet
  g_catalogues[6] = {true, 9};   // a DIMM must be enabled first
  auto* stored = new GDeviceFontListComposite;
  stored->Add(new GDeviceFontList(417));  // device 1, whose catalogue is gone
  ASSERT_EQ(factory->StoreObject(&instance, RWWString(u"AddedFonts"), stored), 1);
  delete stored;
  const size_t writesBefore = factory->blobWrites.size();

  std::unique_ptr<MPersistentObject> loaded(instance.LoadAddedFonts());
  auto* fonts = dynamic_cast<GDeviceFontListComposite*>(loaded.get());
  ASSERT_NE(fonts, nullptr);
  EXPECT_EQ(fonts->GetCount(), 1);
  auto* device0 = dynamic_cast<GDeviceFontList*>(fonts->FindListById(416));
  ASSERT_NE(device0, nullptr);
  EXPECT_EQ(device0->GetStamp(), 5u);
  EXPECT_EQ(fonts->FindListById(417), nullptr);
  EXPECT_EQ(fonts->FindListById(422), nullptr);
  EXPECT_EQ(GetFontDeviceState(&instance, 0), 1);
  EXPECT_EQ(GetFontDeviceState(&instance, 1), 0);
  EXPECT_EQ(factory->dwords[u"MassStorageFonts"], 1u);
  EXPECT_EQ(factory->blobWrites.size(), writesBefore + 1);

  // Nothing newer: nothing is stored again. A newer catalogue replaces.
  loaded.reset(instance.LoadAddedFonts());
  EXPECT_EQ(factory->blobWrites.size(), writesBefore + 1);
  g_catalogues[0].stamp = 6;
  loaded.reset(instance.LoadAddedFonts());
  fonts = dynamic_cast<GDeviceFontListComposite*>(loaded.get());
  ASSERT_NE(fonts, nullptr);
  EXPECT_EQ(static_cast<GDeviceFontList*>(fonts->FindListById(416))->GetStamp(), 6u);
  EXPECT_EQ(factory->blobWrites.size(), writesBefore + 2);
}

TEST_F(DriverInstanceTest, MediaTypesOnTheExclusionListAreNotAllowed) {
  EXPECT_EQ(instance.IsMediaTypeAllowed(RWCString("Labels")), 1);
  GAttributeComposite* list = Group(1132);
  list->AddChild(Text(kNoId, "Labels"));
  configuration->AddChild(list);
  EXPECT_EQ(instance.IsMediaTypeAllowed(RWCString("Labels")), 0);
  EXPECT_EQ(instance.IsMediaTypeAllowed(RWCString("labels")), 1);
}

// ---- Resolutions, sources and bins ----

TEST_F(DriverInstanceTest, ResolutionsComeFromTheResolutionList) {
  GAttributeComposite* list = Group(206);
  GAttributeComposite* entry = Group(kNoId);
  entry->AddChild(Value(323, 600));
  entry->AddChild(Value(324, 300));
  list->AddChild(entry);
  list->AddChild(Value(kNoId, 5));  // not an entry
  configuration->AddChild(list);
  EXPECT_EQ(instance.IsResolutionSupported(600, 300), 1);
  EXPECT_EQ(instance.IsResolutionSupported(600, 600), 0);
}

GPaperHandlingDevice* InputDevice(const char* name, int installable, std::vector<int16_t> trays) {
  auto* device = new GPaperHandlingDevice(RWCString(name), GPaperHandlingDevice::kInputDevice, installable,
                                          installable == 0 ? 1 : 0, 2, 0, &kNoId);
  GAttributeComposite* option = Group(kNoId);
  for (int16_t number : trays) option->AddChild(new GTray("tray", number, &kNoId));
  device->SetOption(1, GCountedPtr(option));
  device->SelectOption(1);
  return device;
}

TEST_F(DriverInstanceTest, InputTraysComeFromInstalledDevicesInTheListedOrder) {
  GAttributeComposite* devices = Group(90);
  devices->AddChild(InputDevice("Main", 0, {1, 2}));
  devices->AddChild(InputDevice("Feeder", 1, {3}));
  devices->AddChild(InputDevice("Lower", 0, {4}));
  autoConfiguration->AddChild(devices);
  auto* sources = new GResourceMappingList(84);
  sources->AddIfNew(new GResourceMapping(1, 257, 1, kNoId));
  sources->AddIfNew(new GResourceMapping(2, 258, 2, kNoId));
  sources->AddIfNew(new GResourceMapping(4, 260, 4, kNoId));
  instance.SetSourceMappings(sources);

  auto record = [](GTray* tray, GResourceMapping*, int, void* context, int*) -> int {
    static_cast<std::vector<int16_t>*>(context)->push_back(tray->GetTrayNumber());
    return 1;
  };
  std::vector<int16_t> seen;
  int counter = 0;
  EXPECT_EQ(instance.EnumerateInputTrays(record, &seen, 0, &counter), -1);  // nobody set the flag
  EXPECT_EQ(seen, (std::vector<int16_t>{1, 2, 4}));
  EXPECT_EQ(counter, 3);
  EXPECT_EQ(instance.IsSourceSupported(4), 1);
  EXPECT_EQ(instance.IsSourceSupported(3), 0);

  GAttributeComposite* order = Group(1114);
  order->AddChild(Value(kNoId, 4));
  order->AddChild(Value(kNoId, 1));
  configuration->AddChild(order);
  seen.clear();
  instance.EnumerateInputTrays(record, &seen, 1, &counter);
  EXPECT_EQ(seen, (std::vector<int16_t>{4, 1}));
}

TEST_F(DriverInstanceTest, OutputBinsAddDiscoveredMediaNames) {
  auto* bins = new GResourceMappingList(194);
  bins->AddIfNew(new GResourceMapping(10, 16680, 30, kNoId));
  bins->AddIfNew(new GResourceMapping(11, 16681, 51, kNoId));
  instance.SetCapabilityMappings(bins);
  GAttributeComposite* names = Group(701);
  names->AddChild(Text(kNoId, "Glossy"));
  names->AddChild(Text(kNoId, "Heavy"));
  names->AddChild(Text(kNoId, "Bond"));
  autoConfiguration->AddChild(names);

  std::vector<std::pair<int16_t, int16_t>> seen;
  auto record = [](GResourceMapping* bin, GResourceMapping*, int, void* context, int* found) -> int {
    static_cast<std::vector<std::pair<int16_t, int16_t>>*>(context)->push_back(
        {bin->GetSystemCode(), bin->GetDeviceCode()});
    *found = 1;
    return 1;
  };
  EXPECT_EQ(instance.EnumerateOutputBins(record, &seen, nullptr), 1);
  // Device code 51 is a known bin: the second name adds nothing.
  const std::vector<std::pair<int16_t, int16_t>> expected = {
      {16680, 30}, {16681, 51}, {16690, 50}, {16692, 52}};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(instance.IsSourceMapped(30), 1);
  EXPECT_EQ(instance.IsSourceMapped(52), 1);
  EXPECT_EQ(instance.IsSourceMapped(53), 0);
}

// ---- Installable options ----

class ApplySettingsTest : public DriverInstanceTest {
 protected:
  void SetUp() override {
    DriverInstanceTest::SetUp();
    options = Group(365);
    settings = Group(360);
    settings->AddChild(options);
    instance.InstallSettings(settings);
  }
  int16_t ValueIn(MPersistentObject* in, int32_t id) {
    MPersistentObject* found = in->FindById(id);
    if (auto* value = dynamic_cast<GValueAttribute*>(found)) return value->GetValue();
    if (auto* range = dynamic_cast<GRangeAttribute*>(found)) return range->GetValue();
    ADD_FAILURE() << "no value " << id;
    return -1;
  }
  GAttributeComposite* settings = nullptr;
  GAttributeComposite* options = nullptr;
};

TEST_F(ApplySettingsTest, CopiesInstalledOptionsWhereBothExist) {
  const struct {
    int32_t from;
    int16_t value;
    int32_t to;
    bool inAuto;
    int16_t expected;
  } cases[] = {
      {925, 128, 201, true, 128}, {918, 1, 1011, true, 1},  {308, 1, 204, true, 1},  {245, 1, 245, false, 1},
      {310, 1, 231, true, 1},     {311, 1, 311, false, 1},  {239, 2, 226, true, 0},  {239, 1, 226, true, 1},
      {441, 1, 441, true, 1},     {915, 0, 915, false, 0},  {976, 3, 976, true, 3},
  };
  for (const auto& c : cases) {
    MPersistentObject* target = c.inAuto ? static_cast<MPersistentObject*>(autoConfiguration) : configuration;
    delete target->RemoveChildById(c.to);
    target->AddChild(Value(c.to, 99));
    delete options->RemoveChildById(c.from);
    options->AddChild(Value(c.from, c.value));
    EXPECT_EQ(instance.ApplyDocumentSettings(nullptr), 1);
    EXPECT_EQ(ValueIn(target, c.to), c.expected) << c.from;
  }
  // 317 goes to the generator's configuration.
  generator->GetConfiguration()->AddChild(Value(317, 0));
  options->AddChild(Value(317, 4));
  instance.ApplyDocumentSettings(nullptr);
  EXPECT_EQ(ValueIn(generator->GetConfiguration(), 317), 4);
}

TEST_F(ApplySettingsTest, WorkSpaceIsTakenFromTheDiscoveredOneAndClamped) {
  const int32_t id = 202;
  autoConfiguration->AddChild(new GRangeAttribute(100, 1600, 100, 800, &id));
  options->AddChild(Value(307, 3000));
  EXPECT_EQ(instance.ApplyDocumentSettings(settings), 1);
  EXPECT_EQ(ValueIn(generator->GetConfiguration(), 202), 1600);
  EXPECT_EQ(ValueIn(autoConfiguration, 202), 800);  // the discovered value stays
}

TEST_F(ApplySettingsTest, SettingsThatAreTheOptionsGroupItselfWork) {
  configuration->AddChild(Value(311, 0));
  GAttributeComposite* own = Group(365);
  own->AddChild(Value(311, 1));
  EXPECT_EQ(instance.ApplyDocumentSettings(own), 1);
  EXPECT_EQ(ValueIn(configuration, 311), 1);
  delete own;
}

GPaperHandlingDevice* OutputDevice(const char* name) {
  auto* device =
      new GPaperHandlingDevice(RWCString(name), GPaperHandlingDevice::kOutputDevice, 1, 0, 2, 0, &kNoId);
  device->SetOption(1, GCountedPtr(Group(kNoId)));
  device->SetOption(2, GCountedPtr(Group(kNoId)));
  device->SelectOption(1);
  return device;
}

TEST_F(ApplySettingsTest, PaperHandlingDevicesFollowTheOptions) {
  GAttributeComposite* devices = Group(90);
  GPaperHandlingDevice* mailbox = OutputDevice("Mailbox");
  GPaperHandlingDevice* stacker = OutputDevice("Stacker");
  stacker->SetInstalled(1);
  GPaperHandlingDevice* feeder = InputDevice("Feeder", 1, {3});
  feeder->SetOption(2, GCountedPtr(Group(kNoId)));
  GPaperHandlingDevice* second = InputDevice("Feeder", 1, {6});
  GPaperHandlingDevice* envelopes = InputDevice("Envelopes", 1, {5});
  GPaperHandlingDevice* fixed = InputDevice("Main", 0, {1});
  fixed->SetOption(2, GCountedPtr(Group(kNoId)));
  for (GPaperHandlingDevice* d : {mailbox, stacker, feeder, second, envelopes, fixed}) devices->AddChild(d);
  autoConfiguration->AddChild(devices);

  options->AddChild(Text(316, "Mailbox"));
  options->AddChild(Value(213, 2));
  options->AddChild(Text(315, "Feeder"));
  options->AddChild(Value(318, 2));
  options->AddChild(Value(275, 1));
  options->AddChild(Value(274, 2));
  EXPECT_EQ(instance.ApplyDocumentSettings(nullptr), 1);

  EXPECT_EQ(mailbox->IsInstalled(), 1);
  EXPECT_EQ(mailbox->GetSelectedOption(), 2);
  EXPECT_EQ(stacker->IsInstalled(), 0);
  EXPECT_EQ(feeder->IsInstalled(), 1);
  EXPECT_EQ(feeder->GetSelectedOption(), 2);
  EXPECT_EQ(second->IsInstalled(), 0);  // the choice is used once
  EXPECT_EQ(envelopes->IsInstalled(), 1);
  EXPECT_EQ(fixed->GetSelectedOption(), 2);
}

TEST_F(ApplySettingsTest, StoredMapsReplaceTheModelsMaps) {
  auto* trays = new GResourceMappingList(84);
  trays->AddIfNew(new GResourceMapping(7, 300, 9, kNoId));
  ASSERT_EQ(factory->StoreObject(&instance, RWWString(u"DEKOSTrayMap"), trays), 1);
  delete trays;
  auto* pdlMap = new MAssociationList(85);
  pdlMap->Add(new MPersistentAssociation(Value(kNoId, 9), Value(kNoId, 7), kNoId));
  ASSERT_EQ(factory->StoreObject(&instance, RWWString(u"DEKPDLTrayMap"), pdlMap), 1);
  delete pdlMap;
  generator->GetConfiguration()->AddChild(new MAssociationList(85));
  GAttributeComposite* binPool = Group(90);
  binPool->AddChild(InputDevice("Stored", 0, {8}));
  ASSERT_EQ(factory->StoreObject(&instance, RWWString(u"DEKBinPool"), binPool), 1);
  delete binPool;
  autoConfiguration->AddChild(Group(90));

  EXPECT_EQ(instance.ApplyDocumentSettings(nullptr), 1);
  ASSERT_NE(instance.GetSourceMappings(), nullptr);
  EXPECT_NE(instance.GetSourceMappings()->FindByDeviceCode(9), nullptr);
  EXPECT_EQ(generator->GetConfiguration()->FindById(85)->GetEntryCount(), 1);
  EXPECT_EQ(autoConfiguration->FindById(90)->GetEntryCount(), 1);
  EXPECT_EQ(instance.IsSourceSupported(8), 0);  // tray 8 has no source mapping
}

// ---- Auto-configuration ----

struct RecordingSession : GUpdateSession {
  static inline int live = 0;
  static inline MPersistentObject* updated = nullptr;
  RecordingSession() { ++live; }
  ~RecordingSession() override { --live; }
  int16_t Update(MPersistentObject* configuration, int modelCheck) override {
    updated = configuration;
    return static_cast<int16_t>(modelCheck == 1 ? 42 : 0);
  }
};

GUpdateSession* MakeSession(GDriverInstance*, const RWWString& port, int services) {
  if (services != 0x10000 || !(port == u"LPT1:")) return nullptr;
  return new RecordingSession;
}

TEST_F(DriverInstanceTest, AutoConfigurationRunsOneSessionOnThePrinterConfiguration) {
  EXPECT_EQ(instance.RunAutoConfiguration(0), 603);  // no provider
  services_.Change([](GUpwardServices& s) { s.updateSession = &MakeSession; });
  EXPECT_EQ(instance.RunAutoConfiguration(0), 42);
  EXPECT_EQ(RecordingSession::updated, configuration);
  EXPECT_EQ(RecordingSession::live, 0);
  TestDriverInstance bare;
  EXPECT_EQ(bare.RunAutoConfiguration(0), 603);
  EXPECT_EQ(RecordingSession::live, 0);
}

// ---- Extensions and named entries ----

TEST_F(DriverInstanceTest, RegisterExtensionAnswersFromTheConfiguration) {
  EXPECT_EQ(instance.RegisterExtension("", 0), 0);
  EXPECT_EQ(instance.RegisterExtension(nullptr, 0), 0);
  EXPECT_EQ(instance.RegisterExtension("ext.dll", 0), 5);
  configuration->AddChild(Value(984, 3));
  EXPECT_EQ(instance.RegisterExtension("", 0), 3);
}

TEST_F(DriverInstanceTest, NamedModelEntryMergesItsSettings) {
  GAttributeComposite* list = Group(375);
  GAttributeComposite* entry = Group(kNoId);
  entry->AddChild(Text(376, "quarrin 4700dn"));
  GAttributeComposite* entrySettings = Group(360);
  entrySettings->AddChild(Value(308, 1));
  entry->AddChild(entrySettings);
  list->AddChild(entry);
  configuration->AddChild(list);

  const int32_t rootId = 360;
  GAttributeComposite settings(&rootId);
  EXPECT_EQ(instance.ApplyNamedModelEntry(RWWString(u"Quarrin 4700DN"), &settings), 1);
  EXPECT_NE(settings.FindById(308), nullptr);
  EXPECT_EQ(instance.ApplyNamedModelEntry(RWWString(u"Quarrin 4700"), &settings), 0);
}

// A variant's settings take the place of the settings' own, however deep:
// its installable options replace those the settings already have, in
// place, and what the settings lack is added. Nothing else changes.
TEST_F(DriverInstanceTest, NamedModelEntryReplacesNestedSettings) {
  GAttributeComposite* list = Group(375);
  GAttributeComposite* entry = Group(kNoId);
  entry->AddChild(Text(376, "quarrin 4700m"));
  GAttributeComposite* entrySettings = Group(360);
  GAttributeComposite* entryOptions = Group(365);
  entryOptions->AddChild(Value(308, 0));
  entryOptions->AddChild(Value(245, 1));
  entryOptions->AddChild(Value(930, 2));
  entrySettings->AddChild(entryOptions);
  entrySettings->AddChild(Value(291, 4));
  entry->AddChild(entrySettings);
  list->AddChild(entry);
  configuration->AddChild(list);

  const int32_t rootId = 360;
  GAttributeComposite settings(&rootId);
  GAttributeComposite* options = Group(365);
  options->AddChild(Value(308, 1));
  options->AddChild(Value(245, 0));
  options->AddChild(Value(236, 7));
  settings.AddChild(options);
  GAttributeComposite* job = Group(357);
  job->AddChild(Value(291, 1));
  settings.AddChild(job);
  ASSERT_EQ(instance.ApplyNamedModelEntry(RWWString(u"quarrin 4700m"), &settings), 1);

  ASSERT_EQ(settings.GetEntryCount(), 3) << "the options group is taken over, not added a second time";
  ASSERT_EQ(settings.ChildAt(0), options);
  ASSERT_EQ(options->GetEntryCount(), 4);
  const struct {
    int32_t id;
    int16_t value;
  } expected[] = {{308, 0}, {245, 1}, {236, 7}, {930, 2}};
  for (size_t i = 0; i < std::size(expected); ++i) {
    auto* value = dynamic_cast<GValueAttribute*>(options->ChildAt(i));
    ASSERT_NE(value, nullptr) << i;
    EXPECT_EQ(value->FeatureId(), expected[i].id) << i;
    EXPECT_EQ(value->GetValue(), expected[i].value) << expected[i].id;
  }
  // A setting of the variant the settings lack at its level is added there;
  // the job group's own copies are left alone.
  auto* copies = dynamic_cast<GValueAttribute*>(settings.ChildAt(2));
  ASSERT_NE(copies, nullptr);
  EXPECT_EQ(copies->FeatureId(), 291);
  EXPECT_EQ(copies->GetValue(), 4);
  auto* jobCopies = dynamic_cast<GValueAttribute*>(job->FindById(291));
  ASSERT_NE(jobCopies, nullptr);
  EXPECT_EQ(jobCopies->GetValue(), 1);
  // The variant itself is not changed by being applied.
  EXPECT_EQ(entryOptions->GetEntryCount(), 3);
}

// ---- Stored physical settings ----

TEST_F(DriverInstanceTest, PhysicalSettingsAreCurrentUnlessAStoredValueDiffers) {
  GAttributeComposite current(nullptr);
  current.AddChild(Value(925, 64));
  current.AddChild(Text(316, "Mailbox"));
  current.AddChild(Value(927, 1));
  EXPECT_EQ(instance.IsPhySettingCurrent(&current), 1);  // nothing stored

  GAttributeComposite stored(nullptr);
  stored.AddChild(Value(925, 64));
  stored.AddChild(Text(316, "Mailbox"));
  ASSERT_EQ(factory->StoreObject(&instance, RWWString(u"PhySetting"), &stored), 1);
  EXPECT_EQ(instance.IsPhySettingCurrent(&current), 1);  // "FAILED": bundles not looked at
  factory->strings[u"LastUpdateType"] = u"User";
  EXPECT_EQ(instance.IsPhySettingCurrent(&current), 1);
  factory->strings[u"LastUpdateType"] = u"Admin";
  EXPECT_EQ(instance.IsPhySettingCurrent(&current), 0);
  static_cast<GValueAttribute*>(current.FindById(927))->SetValue(14119);
  EXPECT_EQ(instance.IsPhySettingCurrent(&current), 1);

  static_cast<GValueAttribute*>(current.FindById(925))->SetValue(128);
  EXPECT_EQ(instance.IsPhySettingCurrent(&current), 0);
  static_cast<GValueAttribute*>(current.FindById(925))->SetValue(64);
  static_cast<GStringAttribute*>(current.FindById(316))->SetString("Stacker");
  EXPECT_EQ(instance.IsPhySettingCurrent(&current), 0);
  EXPECT_EQ(instance.IsPhySettingCurrent(nullptr), 1);
}

TEST_F(DriverInstanceTest, CopyNUpSettingsCopiesTheValuesBothHave) {
  GAttributeComposite source(nullptr);
  GAttributeComposite* document = Group(362);
  document->AddChild(Value(266, 4));
  document->AddChild(Value(268, 2));
  source.AddChild(document);
  GAttributeComposite destination(nullptr);
  GAttributeComposite* layout = Group(329);
  layout->AddChild(Value(266, 1));
  layout->AddChild(Value(267, 1));
  destination.AddChild(layout);
  EXPECT_EQ(instance.CopyNUpSettings(&source, &destination), &destination);
  EXPECT_EQ(static_cast<GValueAttribute*>(layout->FindById(266))->GetValue(), 4);
  EXPECT_EQ(static_cast<GValueAttribute*>(layout->FindById(267))->GetValue(), 1);
  EXPECT_EQ(layout->FindById(268), nullptr);
}

// ---- Re-encoding ----

class DefaultsInstance : public TestDriverInstance {
 public:
  GAttributeComposite* CreateDefaultSettings() override {
    GAttributeComposite* root = Group(360);
    GAttributeComposite* options = Group(365);
    options->AddChild(Value(925, 64));
    options->AddChild(Value(308, 0));
    root->AddChild(options);
    return root;
  }
};

// Stores the object in the portable form, as an older driver left it.
void StorePortable(Factory& factory, const std::u16string& name, const MPersistentObject& object) {
  std::vector<unsigned char> buffer(4096);
  GPersistOutStream out(buffer.data(), buffer.size(), 0);
  RWWriteObjectPointer(*out.GetStream(), &object);
  out.GetStream()->Flush();
  ASSERT_TRUE(out.GetStream()->Good());
  factory.blobs[name] = std::vector<BYTE>(buffer.begin(), buffer.begin() + out.Tell());
}

TEST_F(DriverInstanceTest, ReencodingRewritesAStoredObjectInTheCurrentForm) {
  DefaultsInstance reencoder;
  GAttributeComposite* options = Group(365);
  options->AddChild(Value(925, 128));
  StorePortable(*factory, u"365", *options);
  delete options;

  EXPECT_EQ(reencoder.ReencodeNamedObject(RWWString(u"365")), 1);
  std::unique_ptr<MPersistentObject> reloaded(reencoder.LoadStoredObject(RWWString(u"365")));
  ASSERT_NE(reloaded, nullptr);
  EXPECT_EQ(reloaded->FeatureId(), 365);
  auto* memory = dynamic_cast<GValueAttribute*>(reloaded->FindById(925));
  ASSERT_NE(memory, nullptr);
  EXPECT_EQ(memory->GetValue(), 128);
  // The codec fills in what the stored object lacked.
  EXPECT_NE(reloaded->FindById(308), nullptr);

  EXPECT_EQ(reencoder.ReencodeNamedObject(RWWString(u"missing")), 0);
  factory->blobs[u"damaged"] = std::vector<BYTE>{1, 2, 3, 4, 5};
  EXPECT_EQ(reencoder.ReencodeNamedObject(RWWString(u"damaged")), 0);
}

}  // namespace
