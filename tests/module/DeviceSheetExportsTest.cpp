// The device sheet as the printers folder opens it: PrinterProperties runs
// the common property-sheet UI on the module's DrvDevicePropertySheets, whose
// bridge takes its page from the UI provider the sample model names. The
// module is loaded with dlopen and attached; a printer of the sample device
// model is installed in the stand-in.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "driver/GUIServices.h"
#include "support/LoadedModule.h"
#include "win32/CompStui.h"
#include "win32/DriverUI.h"
#include "win32/File.h"
#include "win32/Module.h"
#include "win32/Spooler.h"
#include "w32test/Testing.h"

#ifdef QV_SAMPLE_MODEL_FILE

namespace {

constexpr const char16_t* kDirectory = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2";
constexpr const char16_t* kModulePath = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVUI.DLL";
constexpr const char16_t* kDataFile = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QUARRIN.DAT";
constexpr const char16_t* kPrinter = u"Front Desk";
constexpr size_t kDevModeSize = 1172;

using PrinterPropertiesProc = BOOL (*)(HWND, HANDLE);
using PropertySheetsProc = LONG (*)(PROPSHEETUI_INFO*, LPARAM);

// The UI provider's side: one page for every sheet; what the sheets asked.
std::vector<int> g_sheetKinds;
std::vector<int> g_accessFlags;
int Version() { return 2; }
int16_t Initialize(GUIData* data, int16_t) {
  if (data->pages == nullptr) {
    g_sheetKinds.push_back(data->sheetKind);
    g_accessFlags.push_back(data->accessFlags);
  }
  return 1;
}
int16_t NoOp(GUIData*) { return 0; }

class DeviceSheetExportsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    g_sheetKinds.clear();
    g_accessFlags.clear();
    // The module is also the UI provider the sample model names ("QVUI.DLL").
    w32test::ModuleSpec self;
    self.name = kModulePath;
    self.loadCount = 1;
    if (provider_) {
      self.exports["UI_INTERFACEVERSION"] = w32test::Export(&Version);
      self.exports["UI_INITIALIZE"] = w32test::Export(&Initialize);
      self.exports["UI_DESTROY"] = w32test::Export(&NoOp);
      self.exports["UI_CONFIGTOSETTINGS"] = w32test::Export(&NoOp);
      self.exports["UI_SETTINGSTOCONFIG"] = w32test::Export(&NoOp);
    }
    module_ = reinterpret_cast<HINSTANCE>(w32test::InstallModule(self));

    const std::string model = qvtest::ReadHostFile(QV_SAMPLE_MODEL_FILE);
    ASSERT_GT(model.size(), 100u) << QV_SAMPLE_MODEL_FILE;
    ASSERT_TRUE(w32test::PutFile(kDataFile, model));
    w32test::PrinterSetup setup;
    setup.name = kPrinter;
    setup.driverName = u"Quarrin 4700";
    setup.driverDirectory = kDirectory;
    setup.dataFile = kDataFile;
    setup.directoryAction = DSPRINT_PUBLISH;
    w32test::AddPrinter(setup);

    ASSERT_TRUE(loaded_.Load(QV_MODULE_FILE, module_, kModulePath));
    properties_ = Symbol<PrinterPropertiesProc>("PrinterProperties");
    sheets_ = Symbol<PropertySheetsProc>("DrvDevicePropertySheets");
    ASSERT_TRUE(properties_ && sheets_);
    // The printers folder opens the printer with the right to change it.
    PRINTER_DEFAULTSW all{nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(kPrinter, &printer_, &all));
  }

  void TearDown() override {
    if (printer_ != nullptr) ClosePrinter(printer_);
    loaded_.Release();
  }

  template <class Proc>
  Proc Symbol(const char* name) {
    return loaded_.Symbol<Proc>(name);
  }

  bool Stored(const char16_t* name) { return w32test::ReadPrinterData(kPrinter, name).has_value(); }

  bool provider_ = true;
  qvtest::LoadedModule loaded_;
  HINSTANCE module_ = nullptr;
  HANDLE printer_ = nullptr;
  PrinterPropertiesProc properties_ = nullptr;
  PropertySheetsProc sheets_ = nullptr;
};

TEST_F(DeviceSheetExportsTest, OkThroughPrinterPropertiesStoresThePrinter) {
  w32test::QueueSheetResult(CPSUI_OK);
  EXPECT_EQ(properties_(nullptr, printer_), TRUE);
  EXPECT_EQ(w32test::SheetReasons(), (std::vector<WORD>{PROPSHEETUI_REASON_INIT, PROPSHEETUI_REASON_GET_INFO_HEADER,
                                                        PROPSHEETUI_REASON_SET_RESULT, PROPSHEETUI_REASON_DESTROY}));
  EXPECT_EQ(w32test::SheetPages().size(), 1u);
  ASSERT_FALSE(g_sheetKinds.empty());
  EXPECT_EQ(g_sheetKinds.front(), 4);
  EXPECT_EQ(g_accessFlags.front(), GUIAccess::kChangesAllowed);

  EXPECT_TRUE(Stored(u"ExportConfig"));
  EXPECT_TRUE(Stored(u"PhySetting"));
  EXPECT_TRUE(Stored(u"365"));
  EXPECT_EQ(w32test::PrinterDevMode(kPrinter).size(), kDevModeSize);
  EXPECT_EQ(w32test::DirectoryActions(kPrinter), std::vector<DWORD>{DSPRINT_UPDATE});
}

TEST_F(DeviceSheetExportsTest, CancelIsNoSuccessAndStoresNoDevMode) {
  w32test::QueueSheetResult(CPSUI_CANCEL);
  EXPECT_EQ(properties_(nullptr, printer_), FALSE);
  EXPECT_EQ(w32test::SheetReasons().size(), 4u);
  EXPECT_TRUE(w32test::PrinterDevMode(kPrinter).empty());
  EXPECT_TRUE(w32test::DirectoryActions(kPrinter).empty());
}

// A module whose UI provider gives no page.
class DeviceSheetWithoutPagesTest : public DeviceSheetExportsTest {
 protected:
  DeviceSheetWithoutPagesTest() { provider_ = false; }
};

TEST_F(DeviceSheetWithoutPagesTest, NoPageIsNoSheetAndNoSuccess) {
  EXPECT_EQ(properties_(nullptr, printer_), FALSE);
  EXPECT_EQ(w32test::SheetReasons(),
            (std::vector<WORD>{PROPSHEETUI_REASON_INIT, PROPSHEETUI_REASON_DESTROY}));
  EXPECT_FALSE(Stored(u"ExportConfig"));
}

TEST_F(DeviceSheetExportsTest, NoCallRecordOrNoHeaderIsAnError) {
  EXPECT_EQ(sheets_(nullptr, 0), -1);
  PROPSHEETUI_INFO info{};
  info.cbSize = sizeof info;
  EXPECT_EQ(sheets_(&info, 0), -1);
}

}  // namespace

#endif  // QV_SAMPLE_MODEL_FILE
