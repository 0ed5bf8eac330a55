// A document sheet run through the common property-sheet UI of the
// stand-in on a real driver object: INIT loads the printer's DEVMODE and the
// document settings and opens the sheet through the installed bridge, the
// user changes settings on the page, OK saves them (the stored setting
// groups and the DEVMODE), DESTROY closes the sheet.
#include <gtest/gtest.h>

#include "driver/GUIServices.h"
#include "model/GFeatureIds.h"
#include "support/DriverObjectTestSupport.h"
#include "support/ScopedUpwardServices.h"
#include "ui/framework/GCPSOSUI.h"
#include "win32/CompStui.h"
#include "w32test/Testing.h"

namespace qvdrv {
namespace {

// The UI provider of the sheet: one page; during the run the user changes
// the copies and the duplex unit and the session leaves its UI state.
GUIData* g_sheetData = nullptr;
int DocumentSheetRunVersion() { return 2; }
int16_t DocumentSheetRunInitialize(GUIData* data, int16_t start) {
  g_sheetData = data;
  if (data->pages == nullptr) return 1;
  auto* title = new WCHAR[6]{u'P', u'a', u'p', u'e', u'r', 0};
  data->pages[start].pszTitle = title;
  return 1;
}
int16_t Destroy(GUIData*) {
  g_sheetData = nullptr;
  return 0;
}
int16_t DocumentSheetRunNoOp(GUIData*) { return 0; }

void UserChangesSettings(HANDLE) {
  ASSERT_NE(g_sheetData, nullptr);
  GAttributeComposite* settings = g_sheetData->settings;
  GSettingValue::Set(settings, 291, 4);
  GSettingValue::Set(Child(settings, GFeatureIds::kInstallableOptions), 308, 1);
  settings->AddChild(Group(GFeatureIds::kUIState, {Value(0x40000017, 1)}));
}

// What the driver object's document-sheet entry does with the reasons.
struct SheetContext {
  GNT40Driver* driver = nullptr;
  SheetRequest request;
  GSheetBridge* bridge = nullptr;
  int saved = -1;
};

LONG DocumentSheet(PROPSHEETUI_INFO* info, LPARAM lParam) {
  auto* context = reinterpret_cast<SheetContext*>(info->lParamInit);
  GNT40Driver* driver = context->driver;
  SheetRequest& request = context->request;
  switch (info->Reason) {
    case PROPSHEETUI_REASON_INIT:
      if (driver->LoadDevMode(nullptr) != 1) return -1;
      request.size = sizeof(SheetRequest);
      request.host = driver;
      request.settings = driver->GetDocumentSettings();
      request.printer = driver->FindPrinter();
      request.sheetKind = 3;
      request.hostHandle = info->hComPropSheet;
      request.hostCallback = info->pfnComPropSheet;
      context->bridge = CreateSheetBridge();
      if (context->bridge == nullptr || context->bridge->OpenSheet(&request, 0) == 0) return -1;
      return 1;
    case PROPSHEETUI_REASON_GET_INFO_HEADER:
      return 1;
    case PROPSHEETUI_REASON_SET_RESULT:
      if (reinterpret_cast<SETRESULT_INFO*>(lParam)->Result == CPSUI_OK) {
        context->saved = driver->SaveSettings(request.settings, 1);
      }
      return 1;
    case PROPSHEETUI_REASON_DESTROY:
      if (context->bridge != nullptr) context->bridge->CloseSheet(&request);
      delete context->bridge;
      context->bridge = nullptr;
      delete request.settings;
      request.settings = nullptr;
      return 1;
  }
  return -1;
}

class DocumentSheetRunTest : public DriverObjectTest {
 protected:
  void SetUp() override {
    DriverObjectTest::SetUp();
    w32test::ModuleSpec provider;
    provider.name = u"C:\\WINDOWS\\SYSTEM32\\QVUIPROV.DLL";
    provider.exports["UI_INTERFACEVERSION"] = w32test::Export(&DocumentSheetRunVersion);
    provider.exports["UI_INITIALIZE"] = w32test::Export(&DocumentSheetRunInitialize);
    provider.exports["UI_DESTROY"] = w32test::Export(&Destroy);
    provider.exports["UI_CONFIGTOSETTINGS"] = w32test::Export(&DocumentSheetRunNoOp);
    provider.exports["UI_SETTINGSTOCONFIG"] = w32test::Export(&DocumentSheetRunNoOp);
    w32test::InstallModule(provider);
    services_.Change([](GUpwardServices& s) { AddUIFrameworkServices(&s); });
    w32test::SetSheetAction(&UserChangesSettings);
  }
  void TearDown() override {
    DriverObjectTest::TearDown();
  }

  // The stored group of that id, read back from printer data.
  std::unique_ptr<GAttributeComposite> Stored(int32_t id) { return std::unique_ptr<GAttributeComposite>(driver_->LoadSettingsGroup(&id)); }
};

TEST_F(DocumentSheetRunTest, OkStoresTheSettingGroupsAndTheDevMode) {
  GNT40Driver& driver = MakeDriver();
  SheetContext context;
  context.driver = &driver;
  DWORD result = 0;
  ASSERT_EQ(CommonPropertySheetUIW(nullptr, &DocumentSheet, reinterpret_cast<LPARAM>(&context), &result), 1);
  EXPECT_EQ(result, static_cast<DWORD>(CPSUI_OK));
  EXPECT_EQ(context.saved, 1);
  ASSERT_EQ(w32test::SheetPages().size(), 1u);
  EXPECT_EQ(w32test::SheetPages()[0].title, u"Paper");
  EXPECT_EQ(g_sheetData, nullptr);  // the provider destroyed its pages

  // The three groups are in printer data; the user's change of an
  // installable option is in "365", never the UI state.
  std::unique_ptr<GAttributeComposite> options = Stored(GFeatureIds::kInstallableOptions);
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(Get(options.get(), 308), 1);
  for (int32_t id : {GFeatureIds::kDriverPreferences, GFeatureIds::kExtensionRegistryGroup}) {
    std::unique_ptr<GAttributeComposite> group = Stored(id);
    ASSERT_NE(group, nullptr) << id;
    EXPECT_EQ(GSettingValue::Find(group.get(), GFeatureIds::kUIState), nullptr);
  }
  // The document settings are in the DEVMODE object, without the groups.
  GAttributeComposite* devmode = driver.GetDevModeSettings();
  ASSERT_NE(devmode, nullptr);
  EXPECT_EQ(Get(devmode, 291), 4);
  EXPECT_EQ(Child(devmode, GFeatureIds::kUIState), nullptr);
  EXPECT_EQ(Child(devmode, GFeatureIds::kInstallableOptions), nullptr);
  // And a fresh read joins them again.
  std::unique_ptr<GAttributeComposite> read(driver.GetDocumentSettings());
  EXPECT_EQ(Get(read.get(), 291), 4);
  EXPECT_EQ(Get(Child(read.get(), GFeatureIds::kInstallableOptions), 308), 1);
}

TEST_F(DocumentSheetRunTest, CancelStoresNothingOfTheUsersChanges) {
  GNT40Driver& driver = MakeDriver();
  SheetContext context;
  context.driver = &driver;
  w32test::QueueSheetResult(CPSUI_CANCEL);
  DWORD result = 7;
  ASSERT_EQ(CommonPropertySheetUIW(nullptr, &DocumentSheet, reinterpret_cast<LPARAM>(&context), &result), 1);
  EXPECT_EQ(result, static_cast<DWORD>(CPSUI_CANCEL));
  EXPECT_EQ(context.saved, -1);
  // What the first DEVMODE stored from the model's defaults stays.
  std::unique_ptr<GAttributeComposite> options = Stored(GFeatureIds::kInstallableOptions);
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(Get(options.get(), 308), 0);
  EXPECT_EQ(Get(driver.GetDevModeSettings(), 291), 1);
}

}  // namespace
}  // namespace qvdrv
