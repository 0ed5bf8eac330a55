// The built-in host of driver-extension pages, selected by the provider
// name "GExtensionUIManager": it reads the extension records of the
// settings, loads the extensions that have pages from the driver directory
// and copies their pages into the sheet; extension pages reach their
// settings through the manager they are given.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "driver/GUIServices.h"
#include "model/GAttributeComposite.h"
#include "model/GFeatureIds.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "support/AttributeBuilders.h"
#include "support/ScopedUpwardServices.h"
#include "support/ScriptedFactory.h"
#include "ui/framework/GBuiltInExtensionManager.h"
#include "ui/framework/GCPSOSUI.h"
#include "ui/framework/GExtensionUIManager.h"
#include "ui/framework/QVDrvInterface.h"
#include "w32test/Testing.h"

namespace {

using namespace GFeatureIds;

constexpr char16_t kExtensionPath[] = u"C:\\Drivers\\QVEXTUI.DLL";

using qvtest::Group;
using qvtest::Text;
using qvtest::Value;

// The fake extension: two pages, each with its template; what it saw.
INT_PTR ExtensionPageProc(HWND, UINT, WPARAM, LPARAM) { return 0; }
int g_releases = 0;
std::string g_settingsSeen;
int Pages(uint16_t* count, ExtensionPageRecord* records, void* queryInterface, void* uiContext) {
  *count = 2;
  if (records == nullptr) return 0;
  // The page function gets the module's query entry and reads its settings
  // through the UI context it was given.
  QVDrvUITable table{};
  if (queryInterface == nullptr ||
      reinterpret_cast<int (*)(int16_t, void*)>(queryInterface)(kUIInterfaceId, &table) != 0) {
    return 1;
  }
  char buffer[50] = {};
  if (table.getExtSettings(buffer, 5, "ext.one", uiContext) == kResultDone) g_settingsSeen.assign(buffer, 5);
  for (int i = 0; i < 2; ++i) {
    records[i].dwFlags = 0x20;
    records[i].pszTemplate = reinterpret_cast<LPCWSTR>(static_cast<uintptr_t>(100 + i));
    records[i].pfnDlgProc = &ExtensionPageProc;
  }
  return 0;
}
int Release(void*) {
  ++g_releases;
  return 7;
}
int QueryInterface(int16_t id, void* table) {
  if (id != kExtensionPageInterface) return 5;
  *static_cast<ExtensionPageTable*>(table) = {&Pages, &Release};
  return 0;
}

GAttributeComposite* Extension(int16_t slot, const char* id, int16_t flags, const char* module) {
  return Group(0, {Text(kExtensionVendor, "Vendor"), Text(kExtensionId, id), Text(kExtensionVersion, "1.0"),
                   Value(kExtensionFlags, flags), Text(kExtensionText116, module),
                   Text(kExtensionModuleName, "QVEXTRT.DLL"), Value(kExtensionIndex, slot)});
}

class GBuiltInExtensionManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    g_releases = 0;
    g_settingsSeen.clear();
    services_.Change([&](GUpwardServices& s) { s.factory = &factory_; });
    w32test::ModuleSpec extension;
    extension.name = kExtensionPath;
    extension.exports["QVExt_QueryInterface"] = w32test::Export(&QueryInterface);
    w32test::InstallModule(extension);

    auto* registry = Group(987, {Extension(0, "ext.one", kExtensionHasPages, "QVEXTUI.DLL"),
                                 Extension(5, "ext.far", kExtensionHasPages, "QVEXTUI.DLL"),
                                 Extension(1, "ext.quiet", 0, "QVEXTUI.DLL"),
                                 Extension(2, "ext.lost", kExtensionHasPages, "MISSING.DLL")});
    auto* stored = Group(kExtensionSettingsList,
                         {Group(0, {Value(kExtensionIndex, 0), Text(kExtensionSettingsText, "ABCDE")})});
    settings_.reset(Group(360, {Group(kExtensionRegistryGroup, {registry}), Group(kExtensionSettingsGroup, {stored})}));
    data_.size = sizeof(GUIData);
    data_.settings = settings_.get();
    data_.sheetKind = 3;
  }
  void TearDown() override {
    services_.Restore();
    w32test::Reset();
  }

  qvtest::ScriptedFactory factory_;
  qvtest::ScopedUpwardServices services_;
  std::unique_ptr<GAttributeComposite> settings_;
  GUIData data_;
};

TEST_F(GBuiltInExtensionManagerTest, ExtensionPagesAreAnnouncedAndCopiedIntoTheSheet) {
  GExtensionUIManager provider{RWWString(u"GExtensionUIManager")};
  ASSERT_EQ(provider.IsLoaded(), 1);
  // Only the extension with pages whose module loads adds any; slot 5 is
  // ignored.
  ASSERT_EQ(provider.Initialize(&data_, 0), 2);
  ASSERT_NE(provider.GetBuiltIn(), nullptr);
  EXPECT_EQ(provider.GetBuiltIn()->GetCount(), 3);
  EXPECT_EQ(w32test::ModuleLoadCount(kExtensionPath), 1u);

  std::vector<PROPSHEETPAGEW> pages(4, PROPSHEETPAGEW{});
  data_.pages = pages.data();
  data_.pageCount = 4;
  EXPECT_EQ(provider.Initialize(&data_, 1), 2);
  HMODULE extension = w32test::InstalledModule(kExtensionPath);
  EXPECT_EQ(pages[0].hInstance, nullptr);
  for (int i = 1; i <= 2; ++i) {
    EXPECT_EQ(pages[i].hInstance, extension);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(pages[i].pszTemplate), static_cast<uintptr_t>(99 + i));
    EXPECT_EQ(pages[i].pfnDlgProc, &ExtensionPageProc);
    EXPECT_EQ(pages[i].dwFlags, 0x20u);
  }
  EXPECT_EQ(pages[3].hInstance, nullptr);
  EXPECT_EQ(g_settingsSeen, "ABCDE");

  // Destroy releases the extension and unloads it.
  EXPECT_EQ(provider.Destroy(&data_), 7);
  EXPECT_EQ(g_releases, 1);
  EXPECT_EQ(w32test::ModuleLoadCount(kExtensionPath), 0u);
}

TEST_F(GBuiltInExtensionManagerTest, PagesPastThePageArrayAreNotCopied) {
  GBuiltInExtensionManager manager;
  ASSERT_EQ(manager.Initialize(&data_, 0), 2);
  std::vector<PROPSHEETPAGEW> pages(2, PROPSHEETPAGEW{});
  data_.pages = pages.data();
  data_.pageCount = 2;
  EXPECT_EQ(manager.Initialize(&data_, 1), 2);
  EXPECT_EQ(pages[0].hInstance, nullptr);
  EXPECT_NE(pages[1].hInstance, nullptr);
  manager.Destroy(&data_);
}

TEST_F(GBuiltInExtensionManagerTest, DeviceSheetsAndOtherSheetsGetNoExtensionPages) {
  for (int kind : {4, 7, 0}) {
    data_.sheetKind = kind;
    GBuiltInExtensionManager manager;
    EXPECT_EQ(manager.Initialize(&data_, 0), 0) << kind;
    EXPECT_EQ(w32test::ModuleLoadCount(kExtensionPath), 0u);
  }
}

TEST_F(GBuiltInExtensionManagerTest, ExtensionWithoutItsEntryAddsNoPagesAndDestroyReportsNoRelease) {
  w32test::ModuleSpec bare;
  bare.name = kExtensionPath;
  w32test::InstallModule(bare);
  GBuiltInExtensionManager manager;
  EXPECT_EQ(manager.Initialize(&data_, 0), 0);
  EXPECT_EQ(manager.Destroy(&data_), 1);
  EXPECT_EQ(w32test::ModuleLoadCount(kExtensionPath), 0u);
}

TEST_F(GBuiltInExtensionManagerTest, SettingsWrittenByAPageReachTheStoredRecordAndTheContext) {
  GBuiltInExtensionManager manager;
  ASSERT_EQ(manager.Initialize(&data_, 0), 2);
  EXPECT_EQ(QVDrv_UISetExtSettings("XYZ", 3, "ext.one", &manager), kResultDone);
  char buffer[3] = {};
  EXPECT_EQ(QVDrv_UIGetExtSettings(buffer, 3, "ext.one", &manager), kResultDone);
  EXPECT_EQ(std::string(buffer, 3), "XYZ");
  manager.SetExtensionSettings(0, RWCString("Q"));
  EXPECT_EQ(QVDrv_UIGetExtSettings(buffer, 3, "ext.one", &manager), kResultBufferLong);
  manager.Destroy(&data_);
}

TEST_F(GBuiltInExtensionManagerTest, ABridgeNamingTheBuiltInProviderHandsTheExtensionPagesToTheHost) {
  settings_->AddChild(Group(kUIProviders, {Text(0, "GExtensionUIManager")}));
  SheetRequest request;
  request.size = sizeof(SheetRequest);
  request.settings = settings_.get();
  request.sheetKind = 3;
  request.hostHandle = w32test::NewHostSheet();
  request.hostCallback = w32test::HostFunction();
  GCPSOSUI bridge;
  EXPECT_EQ(bridge.OpenSheet(&request, 0), 2);
  HMODULE extension = w32test::InstalledModule(kExtensionPath);
  std::vector<uintptr_t> templates;
  for (const auto& page : w32test::SheetPages()) {
    EXPECT_EQ(page.record.hInstance, extension);
    templates.push_back(reinterpret_cast<uintptr_t>(page.record.pszTemplate));
  }
  EXPECT_EQ(templates, (std::vector<uintptr_t>{100, 101}));
  EXPECT_EQ(bridge.CloseSheet(&request), 0);
  EXPECT_EQ(g_releases, 1);
  EXPECT_EQ(w32test::ModuleLoadCount(kExtensionPath), 0u);
}

}  // namespace
