// The configuration library end to end: a new printer whose defaults come
// from the library is set up by the NT 4.0 driver object, and the device
// sheet's OK restores the library's factory contexts; the driver object
// reaches the client through the document services the module installs.
#include <gtest/gtest.h>

#include "config/GNT40DMCClient.h"
#include "driver/GSettingValue.h"
#include "driver/GUIServices.h"
#include "support/DriverObjectTestSupport.h"
#include "support/FakeConfigLibrary.h"
#include "support/ScopedUpwardServices.h"
#include "w32test/Testing.h"
#include "win32/CompStui.h"
#include "win32/Process.h"

namespace {

using qvdrv::Get;
using qvdrv::Value;
using qvtest::FakeDMC;
using qvtest::SetDMCFeature;

constexpr const char16_t* kDriverDirectory = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2";

// The user interface's part of a sheet: nothing but a page count.
class QuietBridge : public GSheetBridge {
 public:
  int16_t OpenSheet(SheetRequest*, int16_t) override { return 1; }
  int16_t CloseSheet(SheetRequest*) override { return 0; }
  int16_t ConfigToSettings(GUIData*) override { return 0; }
};

GNT40Driver* g_sheetDriver = nullptr;
LONG DeviceSheet(PROPSHEETUI_INFO* info, LPARAM lParam) {
  return g_sheetDriver != nullptr ? g_sheetDriver->DevicePropertySheets(info, lParam) : -1;
}

class DMCPrinterSetUpTest : public qvdrv::DriverObjectTest {
 protected:
  void SetUp() override {
    DriverObjectTest::SetUp();
    GNT40DocumentServices services;
    services.update = &GNT40DMCClient::RunUpdate;
    services.restoreFactory = &GNT40DMCClient::RunRestoreFactory;
    services_.Change([&](GUpwardServices& s) { s.documents = services; });
  }
  void TearDown() override {
    g_sheetDriver = nullptr;
    DriverObjectTest::TearDown();
  }
  // The test device with the library switch (1100) in its settings and the
  // page order (710) among its job defaults.
  GNT40Driver& MakeLibraryDriver(int16_t useLibrary) {
    GNT40Driver& driver = MakeDriver();
    driver.GetPrinterConfiguration()->FindById(359)->AddChild(Value(1100, useLibrary));
    driver.FindPrinter()->GetDefaultState()->FindById(246)->AddChild(Value(710, 0));
    return driver;
  }
  std::u16string DataText(const std::u16string& name) {
    auto value = Data(name);
    if (!value) return u"<missing>";
    std::u16string text;
    for (size_t i = 0; i + 1 < value->data.size(); i += 2)
      text.push_back(static_cast<char16_t>(value->data[i] | value->data[i + 1] << 8));
    while (!text.empty() && text.back() == 0) text.pop_back();
    return text;
  }
};

TEST_F(DMCPrinterSetUpTest, SetUpTakesInstalledOptionsAndJobDefaultsFromTheLibrary) {
  qvtest::InstallFakeConfigLibrary(kDriverDirectory);
  SetDMCFeature(u"physical/DuplexUnit", u"Installed");
  SetDMCFeature(u"printing/PageOrder", u"BackToFront");
  PutString(u"Stale", u"TRUE");  // the set-up clears it before the update

  GNT40Driver& driver = MakeLibraryDriver(1);
  std::u16string name(kPrinter);
  EXPECT_EQ(driver.PrinterEvent(name.data(), 3, 0, 0), TRUE);

  EXPECT_EQ(FakeDMC().startConfig, (std::vector<std::u16string>{u"Front Desk"}));
  EXPECT_EQ(FakeDMC().calls.back(), "DMCEndConfig");
  EXPECT_EQ(DataText(u"Stale"), u"FALSE");
  EXPECT_EQ(DataText(u"LastUpdateType"), u"Admin");
  EXPECT_EQ(DataText(u"DMCLastUpdate"), DataText(u"LastUpdated"));
  EXPECT_NE(DataText(u"DMCLastUpdate"), u"ERROR");
  EXPECT_TRUE(Data(u"DMCQuickset").has_value());

  // The stored installable options and the printer's DEVMODE carry the
  // library's values.
  const int32_t optionsId = 365;
  std::unique_ptr<GAttributeComposite> options(driver.LoadSettingsGroup(&optionsId));
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(Get(options.get(), 308), 1);
  std::unique_ptr<GAttributeComposite> quickSets(
      dynamic_cast<GAttributeComposite*>(factory_->LoadObject(&driver, RWWString(u"DMCQuickset"), 0)));
  ASSERT_NE(quickSets, nullptr);
  EXPECT_EQ(Get(quickSets.get(), 710), 1);
  EXPECT_EQ(Get(driver.GetDevModeSettings(), 710), 1);
}

TEST_F(DMCPrinterSetUpTest, SetUpWithoutTheLibraryStampsAnErrorAndGoesOn) {
  GNT40Driver& driver = MakeLibraryDriver(1);
  std::u16string name(kPrinter);
  EXPECT_EQ(driver.PrinterEvent(name.data(), 3, 0, 0), TRUE);
  EXPECT_EQ(DataText(u"DMCLastUpdate"), u"ERROR");
  EXPECT_EQ(DataText(u"LastUpdateType"), u"Default");
  EXPECT_FALSE(w32test::StartedCommands().empty());
}

TEST_F(DMCPrinterSetUpTest, PrintersThatDoNotUseTheLibraryAreNotUpdated) {
  qvtest::InstallFakeConfigLibrary(kDriverDirectory);
  SetDMCFeature(u"physical/DuplexUnit", u"Installed");
  GNT40Driver& driver = MakeLibraryDriver(0);
  std::u16string name(kPrinter);
  EXPECT_EQ(driver.PrinterEvent(name.data(), 3, 0, 0), TRUE);
  EXPECT_TRUE(FakeDMC().calls.empty());
  EXPECT_EQ(DataText(u"Stale"), u"<missing>");
  EXPECT_EQ(DataText(u"DMCLastUpdate"), u"<missing>");
}

TEST_F(DMCPrinterSetUpTest, DeviceSheetOkFromTheShellRestoresTheFactoryContexts) {
  qvtest::InstallFakeConfigLibrary(kDriverDirectory);
  SetDMCFeature(u"factory/physical/DuplexUnit", u"NotInstalled");
  SetDMCFeature(u"factory/printing/PageOrder", u"FrontToBack");
  GNT40Driver& driver = MakeLibraryDriver(1);
  GUIServices ui;
  ui.createSheetBridge = []() -> GSheetBridge* { return new QuietBridge; };
  services_.Change([&](GUpwardServices& s) { s.ui = ui; });
  g_sheetDriver = &driver;
  w32test::SetProcessImagePath(u"C:\\WINNT\\EXPLORER.EXE");

  // The user installs the duplex unit and picks back-to-front in the sheet.
  DEVICEPROPERTYHEADER header{};
  header.cbSize = sizeof header;
  header.hPrinter = driver.GetCreationPrinterHandle();
  w32test::QueueSheetResult(CPSUI_OK);
  w32test::SetSheetAction([&driver](HANDLE) {
    SheetRequest* request = driver.GetSheetRequest();
    ASSERT_NE(request, nullptr);
    ASSERT_TRUE(GSettingValue::Set(request->settings, 308, 1));
    ASSERT_TRUE(GSettingValue::Set(request->settings, 710, 1));
  });
  DWORD result = 0;
  CommonPropertySheetUIW(nullptr, &DeviceSheet, reinterpret_cast<LPARAM>(&header), &result);
  w32test::SetSheetAction({});

  EXPECT_EQ(FakeDMC().startExport, (std::vector<std::u16string>{u"Front Desk"}));
  std::vector<std::u16string> exported;
  for (const auto& [path, option] : FakeDMC().exports) exported.push_back(path + u"=" + option);
  EXPECT_EQ(exported, (std::vector<std::u16string>{u"physical/duplexunit=Installed", u"printing/PageOrder=BackToFront"}));
  EXPECT_EQ(FakeDMC().calls.back(), "DMCEndExport");
  // An export stores no quick sets.
  EXPECT_FALSE(Data(u"DMCQuickset").has_value());
}

}  // namespace
