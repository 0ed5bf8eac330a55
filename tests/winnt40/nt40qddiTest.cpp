// The NT 4.0 driver object: creation through the platform factory, the
// administrative printer handle, writing the DEVMODE into the printer, the
// printer's location and help file, rebinding, auto-configuration through
// the UI providers and extension registration.
#include <gtest/gtest.h>

#include "driver/GUIServices.h"
#include "driver/drvrsrvr.h"
#include "support/DriverObjectTestSupport.h"
#include "support/ScopedUpwardServices.h"
#include "winnt40/GNT40PrinterDevMode.h"
#include "w32test/Testing.h"

namespace qvdrv {
namespace {

class GNT40DriverTest : public DriverObjectTest {};

TEST_F(GNT40DriverTest, FactoryCreatesTheDriverObjectThroughTheHooks) {
  HANDLE printer = Open();
  GPrinterKey key(printer, RWWString(kPrinter), RWWString(kDriver), RWWString(u"LPT1:"), 0);
  std::unique_ptr<GDriverInstance> instance(factory_->CreateDriver(&key));
  auto* driver = dynamic_cast<GNT40Driver*>(instance.get());
  ASSERT_NE(driver, nullptr);
  EXPECT_EQ(driver->GetDriverObject(), static_cast<void*>(driver));
  EXPECT_EQ(driver->GetRenderObject(), nullptr);
  EXPECT_EQ(Text16(driver->GetPrinterName()), kPrinter);
  EXPECT_EQ(Text16(driver->GetPortName()), u"LPT1:");
  EXPECT_EQ(factory_->GetPrinterHandle(driver), printer);
  RWWString name;
  HANDLE handle = nullptr;
  int reserved = 7;
  driver->GetKeyInfo(&name, &handle, &reserved);
  EXPECT_EQ(Text16(name), kPrinter);
  EXPECT_EQ(handle, printer);
  EXPECT_EQ(reserved, 0);
  std::unique_ptr<GPrinterKey> copy(driver->GetPrinterKey());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Equals(&key), 1);
}

TEST_F(GNT40DriverTest, AdministrativeHandleIsUsedOnlyWhileOpen) {
  GNT40Driver& driver = MakeDriver(false, kDriver, false);
  HANDLE plain = driver.GetPrinterHandle();
  driver.SetUseAdminHandle(1);  // nothing open: ignored
  EXPECT_EQ(driver.IsUsingAdminHandle(), 0);
  ASSERT_EQ(driver.OpenAdminPrinterHandle(), 1);
  HANDLE admin = driver.GetAdminPrinterHandle();
  ASSERT_NE(admin, nullptr);
  EXPECT_EQ(driver.GetPrinterHandle(), plain);
  driver.SetUseAdminHandle(1);
  EXPECT_EQ(driver.GetPrinterHandle(), admin);
  EXPECT_EQ(factory_->GetPrinterHandle(&driver), admin);
  // Opening again closes the old handle first.
  const size_t open = w32test::OpenPrinterCount();
  ASSERT_EQ(driver.OpenAdminPrinterHandle(), 1);
  EXPECT_EQ(w32test::OpenPrinterCount(), open);
  EXPECT_EQ(driver.CloseAdminPrinterHandle(), 1);
  EXPECT_EQ(driver.GetAdminPrinterHandle(), nullptr);
  EXPECT_EQ(driver.IsUsingAdminHandle(), 0);
  EXPECT_EQ(driver.GetPrinterHandle(), plain);
}

TEST_F(GNT40DriverTest, CanWritePrinterDataRetriesWithTheAdministrativeHandle) {
  GNT40Driver& driver = MakeDriver(false, kDriver, false);
  // The plain handle may not write; the administrative one may.
  EXPECT_EQ(driver.CanWritePrinterData(), 1);
  EXPECT_NE(driver.GetAdminPrinterHandle(), nullptr);
  EXPECT_EQ(driver.IsUsingAdminHandle(), 1);
  EXPECT_TRUE(Data(u"RegWriteTestStr").has_value());
  // Already open and the write still fails: no second retry.
  driver.SetUseAdminHandle(0);
  EXPECT_EQ(driver.CanWritePrinterData(), 0);
  driver.CloseAdminPrinterHandle();

  // A user without administrative rights: 0, and nothing stays open.
  w32test::RefuseAccess(kPrinter);
  const size_t open = w32test::OpenPrinterCount();
  EXPECT_EQ(driver.CanWritePrinterData(), 0);
  EXPECT_EQ(driver.GetAdminPrinterHandle(), nullptr);
  EXPECT_EQ(w32test::OpenPrinterCount(), open);
}

TEST_F(GNT40DriverTest, StoreDevModeInPrinterWritesTheBufferAsTheDefault) {
  GNT40Driver& driver = MakeDriver(false, kDriver, false);
  EXPECT_EQ(driver.StoreDevModeInPrinter(), 0);  // no DEVMODE object yet
  ASSERT_EQ(driver.LoadDevMode(nullptr), 1);
  EXPECT_EQ(driver.StoreDevModeInPrinter(), 0);  // the plain handle may not set the printer
  ASSERT_EQ(driver.OpenAdminPrinterHandle(), 1);
  driver.SetUseAdminHandle(1);
  EXPECT_EQ(driver.StoreDevModeInPrinter(), 1);
  const std::vector<BYTE> stored = w32test::PrinterDevMode(kPrinter);
  ASSERT_EQ(stored.size(), 1172u);
  const auto* buffer = reinterpret_cast<const BYTE*>(driver.GetDevModeObject()->GetBuffer());
  EXPECT_TRUE(std::equal(stored.begin(), stored.end(), buffer));
  // A new object for the printer takes that DEVMODE.
  driver.DeleteDevModeObject();
  ASSERT_EQ(driver.LoadDevMode(nullptr), 1);
  EXPECT_EQ(driver.GetDevModeObject()->IsLoadedFromPrinter(), 1);
}

TEST_F(GNT40DriverTest, LocationAndHelpFile) {
  GNT40Driver& driver = MakeDriver();
  RWWString location(u"unchanged");
  driver.GetPrinterLocation(location);
  EXPECT_EQ(Text16(location), u"Second floor");
  AddPrinter(kPrinter, u"");
  driver.GetPrinterLocation(location);
  EXPECT_EQ(Text16(location), u"");
  // A printer that cannot be queried leaves the output alone.
  GNT40Driver orphan(nullptr, RWWString(u"Gone"), RWWString(kDriver), RWWString(u""));
  location = RWWString(u"kept");
  orphan.GetPrinterLocation(location);
  EXPECT_EQ(Text16(location), u"kept");

  RWWString help;
  driver.GetHelpFileName(help);
  EXPECT_EQ(Text16(help), u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVHELP.HLP");
  factory_->SetModuleHandle(nullptr);
  w32test::SetProcessImagePath(u"SPOOLSV.EXE");  // a path without a directory
  driver.GetHelpFileName(help);
  EXPECT_EQ(Text16(help), u"QVHELP.HLP");
}

TEST_F(GNT40DriverTest, HostModuleCheckRefreshesTheFlagsOnlyForAnotherProcess) {
  SetProcessAppFlags(0x2);
  GNT40Driver& driver = MakeDriver();
  EXPECT_EQ(driver.GetAppFlags(), 0x2u);
  SetProcessAppFlags(0x4);
  driver.RefreshAppFlags();  // the same executable: nothing happens
  EXPECT_EQ(driver.GetAppFlags(), 0x2u);
  w32test::SetProcessImagePath(u"C:\\APPS\\WRITER.EXE");
  driver.RefreshAppFlags();
  EXPECT_EQ(driver.GetAppFlags(), 0x4u);
}

TEST_F(GNT40DriverTest, RebindKeepsTheDevModeForTheSamePrinterOnly) {
  GNT40Driver& driver = MakeDriver();
  ASSERT_EQ(driver.LoadDevMode(nullptr), 1);
  HANDLE other = Open();
  GPrinterKey same(other, RWWString(kPrinter), RWWString(u"new driver"), RWWString(u"LPT2:"), 0);
  driver.Rebind(&same);
  EXPECT_NE(driver.GetDevModeObject(), nullptr);
  EXPECT_EQ(driver.GetCreationPrinterHandle(), other);
  EXPECT_EQ(Text16(driver.GetDriverName()), u"new driver");
  EXPECT_EQ(Text16(driver.GetPortName()), u"LPT2:");

  AddPrinter(u"Back Office", u"");
  GPrinterKey next(nullptr, RWWString(u"Back Office"), RWWString(kDriver), RWWString(u"LPT1:"), 0);
  driver.Rebind(&next);
  EXPECT_EQ(driver.GetDevModeObject(), nullptr);
  EXPECT_EQ(Text16(driver.GetPrinterName()), u"Back Office");
}

// ---- Auto-configuration through the UI providers ----

int16_t g_updateResult = 0;
class FakeUpdateSession : public GUpdateSession {
 public:
  int16_t Update(MPersistentObject*, int) override { return g_updateResult; }
};
GUpdateSession* FakeSessionSource(GDriverInstance*, const RWWString&, int) { return new FakeUpdateSession; }

struct BridgeLog {
  int made = 0;
  int calls = 0;
  int16_t answer = 0;
  int size = 0;
  GDriverInstance* host = nullptr;
  GAttributeComposite* settings = nullptr;
  MPersistentObject* printer = nullptr;
  std::u16string driver, printerName, port;
};
BridgeLog g_bridge;

class FakeBridge : public GSheetBridge {
 public:
  int16_t OpenSheet(SheetRequest*, int16_t) override { return 0; }
  int16_t CloseSheet(SheetRequest*) override { return 0; }
  int16_t ConfigToSettings(GUIData* data) override {
    ++g_bridge.calls;
    g_bridge.size = data->size;
    g_bridge.host = data->host;
    g_bridge.settings = data->settings;
    g_bridge.printer = data->printer;
    g_bridge.driver = data->driverName;
    g_bridge.printerName = data->printerName;
    g_bridge.port = data->portName;
    return g_bridge.answer;
  }
};
GSheetBridge* MakeFakeBridge() {
  ++g_bridge.made;
  return new FakeBridge;
}

class AutoConfigurationTest : public DriverObjectTest {
 protected:
  void SetUp() override {
    DriverObjectTest::SetUp();
    g_bridge = BridgeLog();
    g_updateResult = 0;
    services_.Change([](GUpwardServices& s) { s.updateSession = &FakeSessionSource; });
    GUIServices services;
    services.createSheetBridge = &MakeFakeBridge;
    services_.Change([&](GUpwardServices& s) { s.ui = services; });
  }
  void TearDown() override {
    DriverObjectTest::TearDown();
  }
};

TEST_F(AutoConfigurationTest, ProvidersRunOnlyWhenTheUpdateAnsweredNothing) {
  GNT40Driver& driver = MakeDriver();
  g_updateResult = 7;
  EXPECT_EQ(driver.RunAutoConfiguration(0), 7);
  EXPECT_EQ(g_bridge.made, 0);
  g_updateResult = 0;
  EXPECT_EQ(driver.RunAutoConfiguration(1), 0);  // forced: the base result
  EXPECT_EQ(g_bridge.made, 0);

  g_bridge.answer = 4;
  EXPECT_EQ(driver.RunAutoConfiguration(0), 1);
  EXPECT_EQ(g_bridge.calls, 1);
  EXPECT_EQ(g_bridge.size, static_cast<int>(sizeof(GUIData)));
  EXPECT_EQ(g_bridge.host, static_cast<GDriverInstance*>(&driver));
  EXPECT_NE(g_bridge.settings, nullptr);  // made from the defaults
  EXPECT_EQ(g_bridge.printer, driver.GetDeviceModel());
  EXPECT_EQ(g_bridge.driver, kDriver);
  EXPECT_EQ(g_bridge.printerName, kPrinter);
  EXPECT_EQ(g_bridge.port, u"LPT1:");

  g_bridge.answer = 0;
  EXPECT_EQ(driver.RunAutoConfiguration(0), 0);
  // Without the framework's services there is no bridge: the base result.
  services_.Change([](GUpwardServices& s) { s.ui = GUIServices(); });
  EXPECT_EQ(driver.RunAutoConfiguration(0), 0);
}

TEST_F(GNT40DriverTest, RegisterExtensionWithoutExtensionsKeepsNothingOpen) {
  GNT40Driver& driver = MakeDriver(false, kDriver, false);
  // The configuration allows no extensions (984 absent): 5, and the
  // administrative handle opened for the write test is closed again.
  const size_t open = w32test::OpenPrinterCount();
  EXPECT_EQ(driver.RegisterExtension("QVEXT.DLL", 0), 5);
  EXPECT_EQ(driver.GetAdminPrinterHandle(), nullptr);
  EXPECT_EQ(w32test::OpenPrinterCount(), open);
  EXPECT_NE(driver.GetDevModeObject(), nullptr);
  EXPECT_TRUE(w32test::PrinterDevMode(kPrinter).empty());
}

}  // namespace
}  // namespace qvdrv
