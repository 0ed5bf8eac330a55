// The module's own UI provider: how many pages each sheet kind announces,
// which pages pass 2 fills and where, what it refuses to fill, what
// UIDestroy releases, and what UIConfigToSettings takes from the printer's
// discovered configuration into the installable options.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "driver/GUIServices.h"
#include "model/GAttributeComposite.h"
#include "model/GBin.h"
#include "model/GConfiguration.h"
#include "model/GCountedPtr.h"
#include "model/GFeatureIds.h"
#include "model/GPaperHandlingDevice.h"
#include "model/GPeripheral.h"
#include "model/GRangeAttribute.h"
#include "model/GSettingQuery.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentIterator.h"
#include "resources/StringTable.h"
#include "support/DriverInstanceTestSupport.h"
#include "support/RecordingPeripheral.h"
#include "ui/framework/GCPSOSUI.h"
#include "ui/framework/GPropertyPage.h"
#include "support/AttributeBuilders.h"
#include "ui/framework/UIResources.h"
#include "ui/pages/UIProvider.h"
#include "w32test/Testing.h"

namespace {

using namespace GFeatureIds;

constexpr char16_t kUILibrary[] = u"QVRESUI.DLL";

using qvtest::Group;
using qvtest::Text;
using qvtest::Value;

// A host whose resource library is the test's.
class Host : public qvtest::TestDriverInstance {
 public:
  RWWString GetResourceModulePath() override { return RWWString(library.c_str()); }
  std::u16string library = kUILibrary;
};

// ---- Page assembly ----

class UIProviderPagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    w32test::ModuleSpec spec;
    spec.name = kUILibrary;
    spec.strings = ModuleStringTable();
    w32test::InstallModule(spec);

    // The device model: the printer entry whose configuration says whether
    // the PS page is shown.
    auto* model = Group(900);
    const int32_t entry = kDeviceEntry;
    printer_ = new qvtest::RecordingPeripheral;
    printer_->SetFeatureId(entry);
    model->AddChild(printer_);
    host_.SetDeviceModel(model);
    settings_.reset(Group(360, {Value(kPaperSize, 1)}));

    data_.size = sizeof(GUIData);
    data_.host = &host_;
    data_.settings = settings_.get();
    data_.printer = model;
    data_.accessFlags = GUIAccess::kChangesAllowed;
  }
  void TearDown() override {
    UIDestroy(&data_);
    FreePages();
    w32test::Reset();
  }

  void EnablePSPage() { printer_->GetConfiguration()->AddChild(Value(592, 1)); }

  // The pages and links the bridge allocates for pass 2.
  void AllocatePages(int16_t count) {
    pages_.assign(count, PROPSHEETPAGEW{});
    links_.assign(count, PageLink{});
    for (int16_t i = 0; i < count; ++i) {
      pages_[i].dwSize = sizeof(PROPSHEETPAGEW);
      links_[i].size = sizeof(PageLink);
      links_[i].data = &data_;
      pages_[i].lParam = reinterpret_cast<LPARAM>(&links_[i]);
    }
    data_.pages = pages_.data();
    data_.pageCount = count;
  }
  void FreePages() {
    for (PROPSHEETPAGEW& page : pages_) {
      if (page.pszTitle != nullptr && !IS_INTRESOURCE(page.pszTitle)) delete[] page.pszTitle;
      page.pszTitle = nullptr;
    }
  }
  // The dialog ids of the filled pages, 0 for a page left alone.
  std::vector<int> Templates() const {
    std::vector<int> ids;
    for (const PROPSHEETPAGEW& page : pages_) ids.push_back(static_cast<int>(reinterpret_cast<uintptr_t>(page.pszTemplate)));
    return ids;
  }
  std::vector<std::u16string> Titles() const {
    std::vector<std::u16string> titles;
    for (const PROPSHEETPAGEW& page : pages_) titles.push_back(page.pszTitle != nullptr ? page.pszTitle : u"-");
    return titles;
  }

  Host host_;
  GPeripheral* printer_ = nullptr;
  std::unique_ptr<GAttributeComposite> settings_;
  GUIData data_;
  std::vector<PROPSHEETPAGEW> pages_;
  std::vector<PageLink> links_;
};

TEST_F(UIProviderPagesTest, FirstPassAnnouncesThePagesOfTheSheetKind) {
  struct Case {
    int sheetKind;
    bool psPage;
    int16_t pages;
  };
  const Case cases[] = {{3, false, 5}, {3, true, 6}, {1, false, 5}, {4, false, 2}, {4, true, 2},
                        {7, false, 7}, {7, true, 8}, {0, false, 0}, {8, false, 0}};
  for (const Case& c : cases) {
    SetUp();
    if (c.psPage) EnablePSPage();
    data_.sheetKind = c.sheetKind;
    EXPECT_EQ(UIInitialize(&data_, 0), c.pages) << "kind " << c.sheetKind << " ps " << c.psPage;
    // The first pass builds nothing.
    EXPECT_EQ(data_.providerData, nullptr);
  }
}

TEST_F(UIProviderPagesTest, SecondPassFillsDocumentPagesBeforeDevicePagesFromTheStartIndex) {
  EnablePSPage();
  data_.sheetKind = 7;
  AllocatePages(10);
  ASSERT_EQ(UIInitialize(&data_, 1), 8);
  EXPECT_EQ(Templates(), (std::vector<int>{0, 3000, 6000, 2000, 4000, 6500, 1000, 12000, 7000, 0}));
  EXPECT_EQ(Titles(), (std::vector<std::u16string>{u"-", u"Finishing", u"Effects", u"Paper", u"Destination", u"-",
                                                    u"Basics", u"-", u"-", u"-"}));
  HINSTANCE resources = GetUIResourceInstance();
  ASSERT_NE(resources, nullptr);
  for (int i = 1; i <= 8; ++i) {
    EXPECT_EQ(pages_[i].hInstance, resources) << i;
    EXPECT_NE(links_[i].pageObject, nullptr) << i;
    EXPECT_EQ(pages_[i].pfnDlgProc, &GPropertyPage::PropertyPageProc) << i;
  }
  EXPECT_EQ(links_[0].pageObject, nullptr);
  ASSERT_NE(UIProviderSession(&data_), nullptr);

  // Destroy releases the page objects and the session, and the library.
  EXPECT_EQ(UIDestroy(&data_), 0);
  for (const PageLink& link : links_) EXPECT_EQ(link.pageObject, nullptr);
  EXPECT_EQ(data_.providerData, nullptr);
  EXPECT_EQ(GetUIResourceInstance(), nullptr);
}

TEST_F(UIProviderPagesTest, PagesThatDoNotFitThePageArrayAreNotFilled) {
  data_.sheetKind = 3;
  struct Case {
    int16_t pageCount;
    int16_t start;
  };
  // The single-page modes give one page and a mode in place of the start;
  // a start near the end or before the array is refused as well.
  const Case cases[] = {{1, GSheetMode::kPromptPage}, {1, 0}, {5, 1}, {6, 2}, {5, -1}};
  for (const Case& c : cases) {
    AllocatePages(c.pageCount);
    EXPECT_EQ(UIInitialize(&data_, c.start), 0) << c.pageCount << " " << c.start;
    for (const PROPSHEETPAGEW& page : pages_) EXPECT_EQ(page.hInstance, nullptr);
    EXPECT_EQ(data_.providerData, nullptr);
  }
}

TEST_F(UIProviderPagesTest, WithoutTheResourceLibraryNothingIsBuilt) {
  host_.library = u"MISSING.DLL";
  data_.sheetKind = 3;
  AllocatePages(5);
  EXPECT_EQ(UIInitialize(&data_, 0), 0);
  EXPECT_EQ(Templates(), std::vector<int>(5, 0));
  EXPECT_EQ(data_.providerData, nullptr);
}

TEST_F(UIProviderPagesTest, ValueNamesOfTheSharedMaps) {
  EXPECT_EQ(OutputDeviceKindNameId(0), 11150);
  EXPECT_EQ(OutputDeviceKindNameId(5), 11157);
  EXPECT_EQ(OutputDeviceKindNameId(1), 0xFFFF);
  EXPECT_EQ(ResolutionNameId(2), 12122);
  EXPECT_EQ(ResolutionNameId(7), 0xFFFF);
  EXPECT_EQ(ResolutionNameId(-1), 0xFFFF);
  EXPECT_EQ(BookletNameId(0), 11032);
  EXPECT_EQ(BookletNameId(10), 13525);
  EXPECT_EQ(BookletNameId(14), 13624);
  EXPECT_EQ(BookletNameId(15), 0xFFFF);
  EXPECT_EQ(PageOrderNameId(3), 11050);
  EXPECT_EQ(PageOrderNameId(4), 0xFFFF);
  EXPECT_EQ(LookupSourceNameId(6, nullptr), 0xFFFF);
}

// ---- Taking the discovered configuration ----

GPaperHandlingDevice* Device(const char* name, int32_t kind, int32_t installable, int32_t installed) {
  const int32_t id = 91;
  auto* device = new GPaperHandlingDevice(RWCString(name), kind, installable, installed, 0, 0, &id);
  return device;
}

GBin* Bin(const char* name, int16_t type) {
  const int32_t id = 92;
  return new GBin(RWCString(name), type, &id);
}

// An output device whose option 3 holds bins of the types 1 to 5 and 17,
// 18.
GPaperHandlingDevice* Mailbox(const char* name) {
  GPaperHandlingDevice* device = Device(name, GPaperHandlingDevice::kOutputDevice, 1, 1);
  const int32_t option = 93;
  auto* bins = new GAttributeComposite(&option);
  const char* names[] = {"Top", "Rear", "Stapler", "Bin 1", "Bin 2"};
  for (int16_t i = 0; i < 5; ++i) bins->AddChild(Bin(names[i], static_cast<int16_t>(i + 1)));
  bins->AddChild(Bin("Bin 14", 17));
  bins->AddChild(Bin("Bin 15", 18));
  device->SetOption(3, GCountedPtr(bins));
  return device;
}

class UIConfigToSettingsTest : public ::testing::Test {
 public:
  void SetUp() override {
    const int32_t entry = kDeviceEntry;
    auto* model = Group(900);
    printer_ = new qvtest::RecordingPeripheral;
    printer_->SetFeatureId(entry);
    model->AddChild(printer_);
    model_.reset(model);
    discovered_ = Group(kAutoConfiguration, {Value(kAutoConfigurationState, 2), Value(kDiscoveredDuplexUnit, 1),
                                             Value(kDiscoveredPlurexMode, 1), Value(kDiscoveredHardDisk, 3)});
    const int32_t workSpace = kDriverWorkSpaceSetting;
    discovered_->AddChild(new GRangeAttribute(100, 3200, 50, 1600, &workSpace));
    discovered_->AddChild(Group(kDiscoveredMediaNames, {Text(0, "Glossy"), Text(0, "Bond")}));
    devices_ = Group(kPaperHandlingDevices);
    discovered_->AddChild(devices_);
    printer_->GetConfiguration()->AddChild(discovered_);

    options_ = Group(kInstallableOptions, {Value(kAutoConfigurationState, 0), Value(kDriverWorkSpace, 800),
                                           Value(kDuplexUnit, 0), Value(kCollationUnit, 0),
                                           Value(kPrinterHardDisk, 0), Text(kOptionalPaperSources, "K5202"),
                                           Value(kEnvFeeder, 1), Text(kAccessoryOutputBins, "K5203"),
                                           Group(kDiscoveredMediaNames, {Text(0, "Old")})});
    settings_.reset(Group(360, {options_}));
    data_.size = sizeof(GUIData);
    data_.settings = settings_.get();
    data_.printer = model_.get();
  }

  int Number(int32_t id) { return GSettingQuery::ShortOr(options_, id, -999); }
  std::string String(int32_t id) {
    RWCString text("<none>");
    GSettingQuery::TextAt(options_, id, &text);
    return std::string(text.Data(), text.Length());
  }
  std::vector<std::string> Names(int32_t id) {
    std::vector<std::string> names;
    MPersistentObject* list = GSettingQuery::Find(options_, id);
    if (list == nullptr) return names;
    MPersistentIterator* it = list->CreateIterator();
    while (it != nullptr && it->Advance()) {
      RWCString text;
      if (GSettingQuery::Text(it->Current(), &text)) names.emplace_back(text.Data(), text.Length());
    }
    delete it;
    return names;
  }

  std::unique_ptr<GAttributeComposite> model_;
  GPeripheral* printer_ = nullptr;
  GAttributeComposite* discovered_ = nullptr;
  GAttributeComposite* devices_ = nullptr;
  GAttributeComposite* options_ = nullptr;
  std::unique_ptr<GAttributeComposite> settings_;
  GUIData data_;
};

TEST_F(UIConfigToSettingsTest, DiscoveredStateTwoIsCopiedIntoTheOptions) {
  EXPECT_EQ(UIConfigToSettings(&data_), 0);
  EXPECT_EQ(Number(kAutoConfigurationState), 2);
  EXPECT_EQ(Number(kDriverWorkSpace), 1600);
  EXPECT_EQ(Number(kDuplexUnit), 1);
  EXPECT_EQ(Number(kCollationUnit), 1);
  EXPECT_EQ(Number(kPrinterHardDisk), 1);
  EXPECT_EQ(Names(kDiscoveredMediaNames), (std::vector<std::string>{"Glossy", "Bond"}));
  // No installed accessory: the accessories are cleared.
  EXPECT_EQ(String(kOptionalPaperSources), "");
  EXPECT_EQ(Number(kEnvFeeder), 0);
  EXPECT_EQ(String(kAccessoryOutputBins), "");
}

TEST_F(UIConfigToSettingsTest, AnotherStateCopiesOnlyTheState) {
  static_cast<GValueAttribute*>(discovered_->FindById(kAutoConfigurationState))->SetValue(1);
  EXPECT_EQ(UIConfigToSettings(&data_), 0);
  EXPECT_EQ(Number(kAutoConfigurationState), 1);
  EXPECT_EQ(Number(kDriverWorkSpace), 800);
  EXPECT_EQ(String(kAccessoryOutputBins), "K5203");
  EXPECT_EQ(Number(kEnvFeeder), 1);
}

TEST_F(UIConfigToSettingsTest, InstalledAccessoriesBecomeTheOptionsFirstOutputDeviceWins) {
  devices_->AddChild(Device("K5205", GPaperHandlingDevice::kOutputDevice, 1, 0));  // not installed
  devices_->AddChild(Mailbox("K5204"));
  devices_->AddChild(Device("K5206", GPaperHandlingDevice::kOutputDevice, 1, 1));
  devices_->AddChild(Device("K5209", GPaperHandlingDevice::kInputDevice, 1, 1));
  devices_->AddChild(Device("Tray 1", GPaperHandlingDevice::kInputDevice, 0, 1));  // built in
  devices_->AddChild(Device("K5208", GPaperHandlingDevice::kInputDevice, 1, 1));
  devices_->AddChild(Device("K5202", GPaperHandlingDevice::kInputDevice, 1, 1));
  EXPECT_EQ(UIConfigToSettings(&data_), 0);
  EXPECT_EQ(String(kAccessoryOutputBins), "K5204");
  EXPECT_EQ(Number(kOutputAccessoryMode), 3);
  EXPECT_EQ(Names(kDiscoveredBinNames), (std::vector<std::string>{"Bin 1", "Bin 2", "Bin 14"}));
  EXPECT_EQ(Number(kEnvFeeder), 1);
  // The envelope feeder is never the optional source; K5208 stands for K5201.
  EXPECT_EQ(String(kOptionalPaperSources), "K5201");
}

TEST_F(UIConfigToSettingsTest, MissingPiecesCopyNothing) {
  struct Case {
    const char* what;
    std::function<void(UIConfigToSettingsTest&)> damage;
  };
  const Case cases[] = {
      {"no printer", [](UIConfigToSettingsTest& t) { t.data_.printer = nullptr; }},
      {"no device entry",
       [](UIConfigToSettingsTest& t) { delete t.model_->RemoveChild(t.printer_); }},
      {"no auto-configuration",
       [](UIConfigToSettingsTest& t) { delete t.printer_->GetConfiguration()->RemoveChild(t.discovered_); }},
      {"no installable options", [](UIConfigToSettingsTest& t) { t.data_.settings = nullptr; }},
  };
  for (const Case& c : cases) {
    SetUp();
    c.damage(*this);
    EXPECT_EQ(UIConfigToSettings(&data_), 0) << c.what;
    EXPECT_EQ(Number(kAutoConfigurationState), 0) << c.what;
    EXPECT_EQ(String(kAccessoryOutputBins), "K5203") << c.what;
  }
  EXPECT_EQ(UIConfigToSettings(nullptr), 0);
}

}  // namespace
