// The driver object's device property sheet on the sample device model, run
// by the stand-in's common property-sheet UI with a scripted bridge in place
// of the user interface: what opening the sheet marks and keeps, what OK
// stores with and without the right to change the printer, the stamp of
// changed installable options, the factory restore of the configuration
// export, the directory-service update, and PrinterProperties on top.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "driver/GSettingValue.h"
#include "driver/GUIServices.h"
#include "model/GAttributeComposite.h"
#include "model/GFeatureIds.h"
#include "model/GValueAttribute.h"
#include "support/NT40DriverFixture.h"
#include "support/ScopedUpwardServices.h"
#include "w32test/Testing.h"
#include "win32/CompStui.h"
#include "win32/Module.h"
#include "win32/Time.h"
#include "winnt40/GNT40DriverSettings.h"

namespace qvtest {
namespace {

constexpr int32_t kOptions = GFeatureIds::kInstallableOptions;
using GFeatureIds::kMemory;
using GFeatureIds::kConfigurationLibrary;

// The bridge the user interface would give: it records the request and
// answers a page count.
class DeviceBridge : public GSheetBridge {
 public:
  static inline int opened = 0;
  static inline int closed = 0;
  static inline int16_t pages = 2;
  static inline SheetRequest seen;

  int16_t OpenSheet(SheetRequest* request, int16_t) override {
    ++opened;
    seen = *request;
    return pages;
  }
  int16_t CloseSheet(SheetRequest*) override {
    ++closed;
    return 0;
  }
  int16_t ConfigToSettings(GUIData*) override { return 0; }
};

// The configuration library's factory restore, as the module would install it.
struct RestoreCall {
  GDriverInstance* instance = nullptr;
  std::u16string printer;
};
std::vector<RestoreCall> g_restores;
int RecordRestore(GAttributeComposite*, GDriverInstance* instance, const RWWString& printer) {
  g_restores.push_back({instance, std::u16string(printer.Data(), printer.Length())});
  return 1;
}

// The sheet function the common UI calls: the module's export opens the
// driver object; here the test's object answers.
GNT40Driver* g_sheetDriver = nullptr;
LONG DeviceSheet(PROPSHEETUI_INFO* info, LPARAM lParam) {
  return g_sheetDriver != nullptr ? g_sheetDriver->DevicePropertySheets(info, lParam) : -1;
}

class GNT40DeviceSheetTest : public NT40DriverTest {
 protected:
  void AdjustPrinter(w32test::PrinterSetup& setup) override { setup.directoryAction = directoryAction_; }

  void SetUp() override {
    NT40DriverTest::SetUp();
    DeviceBridge::opened = 0;
    DeviceBridge::closed = 0;
    DeviceBridge::pages = 2;
    DeviceBridge::seen = SheetRequest();
    g_restores.clear();
    GUIServices services;
    services.createSheetBridge = []() -> GSheetBridge* { return new DeviceBridge; };
    services_.Change([&](GUpwardServices& s) { s.ui = services; });
    GNT40DocumentServices documentServices;
    documentServices.restoreFactory = &RecordRestore;
    services_.Change([&](GUpwardServices& s) { s.documents = documentServices; });
    g_sheetDriver = driver_;
  }
  void TearDown() override {
    g_sheetDriver = nullptr;
    NT40DriverTest::TearDown();
  }

  // Runs the device sheet through the common UI; the user's answer is
  // `answer`, and `during` runs while the sheet is shown.
  DWORD RunSheet(WORD headerFlags = 0, LONG answer = CPSUI_OK, std::function<void(SheetRequest&)> during = {}) {
    DEVICEPROPERTYHEADER header{};
    header.cbSize = sizeof header;
    header.Flags = headerFlags;
    header.hPrinter = printer_;
    w32test::QueueSheetResult(answer);
    w32test::SetSheetAction([this, during](HANDLE) {
      SheetRequest* request = driver_->GetSheetRequest();
      ASSERT_NE(request, nullptr);
      if (during) during(*request);
    });
    DWORD result = 99;
    run_ = CommonPropertySheetUIW(nullptr, &DeviceSheet, reinterpret_cast<LPARAM>(&header), &result);
    w32test::SetSheetAction({});
    return result;
  }

  static void ChangeMemory(SheetRequest& request, int16_t megabytes) {
    ASSERT_TRUE(GSettingValue::Set(request.settings->FindById(kOptions), kMemory, megabytes));
  }
  // The settings keep the flag from one sheet to the next (it travels in
  // the DEVMODE): each run sets it.
  static void UseConfigurationLibrary(SheetRequest& request, int16_t flag = 1) {
    if (GSettingValue::Set(request.settings, kConfigurationLibrary, flag)) return;
    const int32_t id = kConfigurationLibrary;
    request.settings->AddChild(new GValueAttribute(flag, &id));
  }

  std::optional<w32test::RegistryValue> Data(const char16_t* name) { return w32test::ReadPrinterData(kPrinter, name); }
  void PutDword(const char16_t* name, DWORD value) {
    w32test::WritePrinterData(kPrinter, name, REG_DWORD,
                              {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
                               static_cast<BYTE>(value >> 24)});
  }
  void PutString(const char16_t* name, const std::u16string& text) {
    std::vector<BYTE> bytes;
    for (char16_t c : text) {
      bytes.push_back(static_cast<BYTE>(c & 0xFF));
      bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    w32test::WritePrinterData(kPrinter, name, REG_SZ, bytes);
  }
  std::u16string DataText(const char16_t* name) {
    const auto value = Data(name);
    if (!value.has_value()) return u"<missing>";
    std::u16string text;
    for (size_t i = 0; i + 1 < value->data.size(); i += 2) {
      const char16_t c = static_cast<char16_t>(value->data[i] | (value->data[i + 1] << 8));
      if (c == 0) break;
      text += c;
    }
    return text;
  }
  DWORD DataDword(const char16_t* name) {
    const auto value = Data(name);
    if (!value.has_value() || value->data.size() != 4) return 0xDEADBEEF;
    return static_cast<DWORD>(value->data[0] | (value->data[1] << 8) | (value->data[2] << 16) |
                              (static_cast<DWORD>(value->data[3]) << 24));
  }
  // The printer's installable options as printer data keeps them.
  int32_t StoredOption(int32_t id) {
    std::unique_ptr<GAttributeComposite> group(driver_->LoadSettingsGroup(&kOptions));
    return group != nullptr ? GSettingValue::GetOr(group.get(), id, -9999) : -9999;
  }
  void SetToday() {
    SYSTEMTIME local{};
    local.wYear = 2026;
    local.wMonth = 11;
    local.wDay = 4;
    local.wHour = 9;
    ASSERT_TRUE(w32test::SetLocalClock(local, 0));
  }

  DWORD directoryAction_ = DSPRINT_PUBLISH;
  LONG run_ = 0;
};

TEST_F(GNT40DeviceSheetTest, OkStoresThePrinterWideSettings) {
  EXPECT_EQ(RunSheet(), static_cast<DWORD>(CPSUI_OK));
  EXPECT_EQ(run_, 1);
  EXPECT_EQ(w32test::SheetReasons(), (std::vector<WORD>{PROPSHEETUI_REASON_INIT, PROPSHEETUI_REASON_GET_INFO_HEADER,
                                                        PROPSHEETUI_REASON_SET_RESULT, PROPSHEETUI_REASON_DESTROY}));
  EXPECT_EQ(DeviceBridge::opened, 1);
  EXPECT_EQ(DeviceBridge::closed, 1);
  EXPECT_EQ(DeviceBridge::seen.sheetKind, 4);
  EXPECT_EQ(DeviceBridge::seen.accessFlags, GUIAccess::kChangesAllowed);
  EXPECT_EQ(DeviceBridge::seen.host, static_cast<GDriverInstance*>(driver_));
  EXPECT_NE(DeviceBridge::seen.hostHandle, nullptr);
  EXPECT_NE(DeviceBridge::seen.hostCallback, nullptr);
  EXPECT_EQ(driver_->GetSheetRequest(), nullptr) << "the request went with the sheet";
  EXPECT_EQ(driver_->GetSheetBridge(), nullptr);

  // Opening marked the export and kept the options as they were.
  EXPECT_EQ(DataDword(u"ExportConfig"), 1u) << "without the configuration library the marker stays";
  std::unique_ptr<MPersistentObject> kept(factory_->LoadObject(driver_, RWWString(u"PhySetting"), 0));
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(kept->FeatureId(), kOptions);
  EXPECT_EQ(GSettingValue::GetOr(kept.get(), kMemory, -1), 64);

  // OK stored the groups and the printer's DEVMODE, and told the directory.
  EXPECT_EQ(StoredOption(kMemory), 64);
  EXPECT_TRUE(Data(u"366").has_value());
  EXPECT_EQ(w32test::PrinterDevMode(kPrinter).size(), kDevModeSize);
  EXPECT_EQ(w32test::DirectoryActions(kPrinter), std::vector<DWORD>{DSPRINT_UPDATE});
  EXPECT_EQ(driver_->GetAdminPrinterHandle(), nullptr);
  EXPECT_EQ(driver_->IsUsingAdminHandle(), 0);
  // The options did not change: no stamp.
  EXPECT_FALSE(Data(u"LastUpdated").has_value());
  EXPECT_FALSE(Data(u"LastUpdateType").has_value());
}

TEST_F(GNT40DeviceSheetTest, ChangedInstallableOptionsAreStampedAsTheUsers) {
  SetToday();
  RunSheet(0, CPSUI_OK, [](SheetRequest& request) { ChangeMemory(request, 128); });
  EXPECT_EQ(StoredOption(kMemory), 128);
  EXPECT_EQ(DataText(u"LastUpdated"), u"11/ 04/ 2026");
  EXPECT_EQ(DataText(u"LastUpdateType"), u"User");

  // The next sheet opens with the options as stored; unchanged, they leave
  // the stamp as it is.
  PutString(u"LastUpdateType", u"Default");
  RunSheet();
  EXPECT_EQ(DataText(u"LastUpdateType"), u"Default");
}

TEST_F(GNT40DeviceSheetTest, CancelStoresNothing) {
  RunSheet(0, CPSUI_CANCEL, [](SheetRequest& request) { ChangeMemory(request, 128); });
  EXPECT_EQ(DeviceBridge::closed, 1);
  // What the printer's first DEVMODE stored from the model's defaults stays.
  EXPECT_EQ(StoredOption(kMemory), 64);
  EXPECT_TRUE(w32test::PrinterDevMode(kPrinter).empty());
  EXPECT_TRUE(w32test::DirectoryActions(kPrinter).empty());
  EXPECT_FALSE(Data(u"LastUpdated").has_value());
  EXPECT_EQ(DataDword(u"ExportConfig"), 1u);
  EXPECT_EQ(driver_->GetSheetRequest(), nullptr);
}

TEST_F(GNT40DeviceSheetTest, WithoutPermissionOkNeverSaves) {
  SetToday();
  const DWORD result = RunSheet(1 /* DPS_NOPERMISSION */, CPSUI_OK, [](SheetRequest& request) {
    ChangeMemory(request, 128);
    UseConfigurationLibrary(request);
  });
  EXPECT_EQ(result, static_cast<DWORD>(CPSUI_OK));
  EXPECT_EQ(DeviceBridge::seen.accessFlags, GUIAccess::kNoPrinterChanges);
  EXPECT_EQ(StoredOption(kMemory), 64);
  EXPECT_TRUE(w32test::PrinterDevMode(kPrinter).empty());
  EXPECT_TRUE(w32test::DirectoryActions(kPrinter).empty());
  EXPECT_FALSE(Data(u"LastUpdated").has_value());
  EXPECT_TRUE(g_restores.empty());
  EXPECT_EQ(DataDword(u"ExportConfig"), 1u);
}

// The factory restore of the configuration export: only when the settings
// use the configuration library, the marker is set and the shell called.
TEST_F(GNT40DeviceSheetTest, FactoryRestoreOnlyForTheShellsExport) {
  struct Case {
    const char* what;
    bool library;
    bool clearMarker;
    const char16_t* process;
    size_t restores;
    DWORD markerAfter;
  } cases[] = {
      {"library, marker, shell", true, false, u"C:\\WINNT\\explorer.exe", 1, 0},
      {"another process", true, false, u"C:\\Apps\\Writer.exe", 0, 0},
      {"no library", false, false, u"C:\\WINNT\\EXPLORER.EXE", 0, 1},
      {"marker cleared meanwhile", true, true, u"C:\\WINNT\\EXPLORER.EXE", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_restores.clear();
    w32test::SetProcessImagePath(c.process);
    RunSheet(0, CPSUI_OK, [&](SheetRequest& request) {
      UseConfigurationLibrary(request, c.library ? 1 : 0);
      if (c.clearMarker) PutDword(u"ExportConfig", 0);
    });
    ASSERT_EQ(g_restores.size(), c.restores);
    if (c.restores != 0) {
      EXPECT_EQ(g_restores[0].instance, static_cast<GDriverInstance*>(driver_));
      EXPECT_EQ(g_restores[0].printer, kPrinter);
    }
    EXPECT_EQ(DataDword(u"ExportConfig"), c.markerAfter);
  }
}

TEST_F(GNT40DeviceSheetTest, SheetHeaderAndUnknownReasons) {
  DEVICEPROPERTYHEADER header{};
  header.cbSize = sizeof header;
  header.hPrinter = printer_;
  PROPSHEETUI_INFO info{};
  info.lParamInit = reinterpret_cast<LPARAM>(&header);
  info.Reason = PROPSHEETUI_REASON_GET_INFO_HEADER;
  PROPSHEETUI_INFO_HEADER sheetHeader{};
  EXPECT_EQ(driver_->DevicePropertySheets(&info, reinterpret_cast<LPARAM>(&sheetHeader)), 1);
  EXPECT_EQ(sheetHeader.Flags, 6);
  ASSERT_NE(sheetHeader.pTitle, nullptr);
  EXPECT_EQ(std::u16string(sheetHeader.pTitle), kPrinter);
  EXPECT_EQ(sheetHeader.hInst, module_);
  EXPECT_EQ(sheetHeader.IconID, 64082u);
  EXPECT_EQ(driver_->DevicePropertySheets(&info, 0), 0) << "no header record to fill";

  info.Reason = 7;
  EXPECT_EQ(driver_->DevicePropertySheets(&info, 0), 0);
  info.Reason = PROPSHEETUI_REASON_SET_RESULT;
  EXPECT_EQ(driver_->DevicePropertySheets(&info, 0), 0) << "no result record";

  EXPECT_EQ(driver_->DevicePropertySheets(nullptr, reinterpret_cast<LPARAM>(&header)), -1);
  PROPSHEETUI_INFO withoutHeader{};
  EXPECT_EQ(driver_->DevicePropertySheets(&withoutHeader, 0), -1);
}

// A sheet that cannot open (no bridge, or a bridge without pages) fails
// INIT and leaves no marker and no request behind.
TEST_F(GNT40DeviceSheetTest, ASheetThatCannotOpenFails) {
  for (bool bridge : {false, true}) {
    SCOPED_TRACE(bridge ? "no pages" : "no bridge");
    if (!bridge) {
      services_.Change([](GUpwardServices& s) { s.ui = GUIServices(); });
    } else {
      GUIServices services;
      services.createSheetBridge = []() -> GSheetBridge* { return new DeviceBridge; };
      services_.Change([&](GUpwardServices& s) { s.ui = services; });
      DeviceBridge::pages = 0;
    }
    RunSheet();
    EXPECT_LT(run_, 0);
    EXPECT_FALSE(Data(u"ExportConfig").has_value());
    EXPECT_FALSE(Data(u"PhySetting").has_value());
    EXPECT_EQ(driver_->GetSheetRequest(), nullptr);
    EXPECT_EQ(driver_->GetSheetBridge(), nullptr);
  }
}

TEST_F(GNT40DeviceSheetTest, PrinterPropertiesAnswersWhatTheSheetDid) {
  services_.Change([](GUpwardServices& s) { s.devicePropertySheets = &DeviceSheet; });
  w32test::QueueSheetResult(CPSUI_OK);
  EXPECT_EQ(driver_->PrinterProperties(nullptr, printer_), TRUE);
  EXPECT_EQ(w32test::PrinterDevMode(kPrinter).size(), kDevModeSize);
  w32test::QueueSheetResult(CPSUI_CANCEL);
  EXPECT_EQ(driver_->PrinterProperties(nullptr, printer_), FALSE);
  DeviceBridge::pages = 0;
  EXPECT_EQ(driver_->PrinterProperties(nullptr, printer_), FALSE) << "a sheet that did not open is no success";
}

// The directory service hears of the change only for a published printer
// whose publication is not under way; the state is read whatever the size
// of its object name.
class DirectoryUpdateTest : public GNT40DeviceSheetTest, public ::testing::WithParamInterface<DWORD> {
 protected:
  void AdjustPrinter(w32test::PrinterSetup& setup) override {
    setup.directoryAction = GetParam();
    setup.objectGuid = u"{6b1d1e7a-52c3-4f0e-9a2b-0c5f6e7d8a91}";
  }
};

TEST_P(DirectoryUpdateTest, UpdateOnlyForAPublishedPrinter) {
  RunSheet();
  const bool published = GetParam() == DSPRINT_PUBLISH;
  EXPECT_EQ(w32test::DirectoryActions(kPrinter), published ? std::vector<DWORD>{DSPRINT_UPDATE} : std::vector<DWORD>{});
  EXPECT_EQ(w32test::PrinterDevMode(kPrinter).size(), kDevModeSize) << "the settings are stored all the same";
  EXPECT_EQ(driver_->GetAdminPrinterHandle(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(States, DirectoryUpdateTest,
                         ::testing::Values(DWORD{DSPRINT_PUBLISH}, DWORD{DSPRINT_UNPUBLISH}, DWORD{DSPRINT_PENDING},
                                           DWORD{DSPRINT_PENDING | DSPRINT_PUBLISH}));

}  // namespace
}  // namespace qvtest
