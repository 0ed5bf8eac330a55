// Test support for the driver object's document and capability operations:
// a printer of the sample device model installed in the stand-in, the NT
// 4.0 platform factory and the driver server as the module sets them up,
// and the printer's driver object opened through the server.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "driver/GDriverInstance.h"
#include "driver/drvrsrvr.h"
#include "driver/osfactry.h"
#include "graphics/GraphicsClasses.h"
#include "pdl/GeneratorClasses.h"
#include "printpath/PrintPathClasses.h"
#include "support/ScopedUpwardServices.h"
#include "win32/DevMode.h"
#include "win32/File.h"
#include "win32/Module.h"
#include "win32/Spooler.h"
#include "w32test/Testing.h"
#include "winnt40/GNT40OSFactory.h"
#include "winnt40/nt40qddi.h"

namespace qvtest {

class NT40DriverTest : public ::testing::Test {
 protected:
  // The sample model holds print-path and generator objects.
  static void SetUpTestSuite() {
    RegisterPrintPathClasses();
    RegisterGraphicsClasses();
    RegisterGeneratorClasses();
  }
  static void TearDownTestSuite() {
    UnregisterGeneratorClasses();
    UnregisterGraphicsClasses();
    UnregisterPrintPathClasses();
  }

  static constexpr const char16_t* kDirectory = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2";
  static constexpr const char16_t* kModulePath = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVUI.DLL";
  static constexpr const char16_t* kResourcePath = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVRS4700.DLL";
  static constexpr const char16_t* kDataFile = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QUARRIN.DAT";
  static constexpr const char16_t* kPrinter = u"Front Desk";
  static constexpr const char16_t* kDriver = u"Quarrin 4700";
  static constexpr size_t kDevModeSize = 1172;

  void SetUp() override {
    w32test::Reset();
    w32test::ModuleSpec self;
    self.name = kModulePath;
    self.loadCount = 1;
    self.strings[10120] = u"Custom Size";
    module_ = reinterpret_cast<HINSTANCE>(w32test::InstallModule(self));
    // The resource module the configuration names, with the sample's tray
    // and bin names.
    w32test::ModuleSpec resources;
    resources.name = kResourcePath;
    resources.strings = {{1301, u"Tray 1"},          {1302, u"Tray 2"},  {1303, u"Tray 3"},
                         {1305, u"Envelope Feeder"}, {1401, u"Top Bin"}, {1402, u"Rear Bin"}};
    w32test::InstallModule(resources);

    WriteDataFile();
    w32test::PrinterSetup setup;
    setup.name = kPrinter;
    setup.driverName = kDriver;
    setup.driverDirectory = kDirectory;
    setup.dataFile = kDataFile;
    AdjustPrinter(setup);
    w32test::AddPrinter(setup);
    PrinterInstalled();

    factory_ = new GNT40OSFactory;
    factory_->SetModuleHandle(module_);
    services_.Change([&](GUpwardServices& s) {
      s.factory = factory_;
      s.nt40Driver = NT40DriverHooks();
      s.criticalShutdown = &GDriverServer::RunCriticalShutdown;
    });
    server_ = GDriverServer::CreateInstance();
    ASSERT_NE(server_, nullptr);
    // The printer is opened as the printers folder opens it, with the right
    // to change its data, unless a test asks for a user's handle.
    PRINTER_DEFAULTSW all{nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(kPrinter, &printer_, userHandle_ ? nullptr : &all));
    driver_ = Open(printer_, &handle_);
    ASSERT_NE(driver_, nullptr);
  }

  void TearDown() override {
    if (driver_ != nullptr) server_->CloseDriver(handle_);
    delete GDriverServer::GetInstance();
    if (printer_ != nullptr) ClosePrinter(printer_);
    services_.Restore();
    delete factory_;
  }

  // A test may change the printer before it is installed, and the rights
  // on it once it is.
  virtual void AdjustPrinter(w32test::PrinterSetup&) {}
  virtual void PrinterInstalled() {}
  // The driver's data file: the sample device model unless a test writes
  // another one.
  virtual void WriteDataFile() {
    std::ifstream file(QV_SAMPLE_MODEL_FILE, std::ios::binary);
    const std::string model((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_GT(model.size(), 100u) << QV_SAMPLE_MODEL_FILE;
    ASSERT_TRUE(w32test::PutFile(kDataFile, model));
  }

  GNT40Driver* Open(HANDLE printer, int* handle) {
    return static_cast<GNT40Driver*>(server_->OpenDriver(new GPrinterKey(printer, RWWString(kPrinter), 0), handle));
  }

  LPWSTR Name() { return const_cast<LPWSTR>(kPrinter); }

  static uint16_t Word(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
  }
  static int16_t Short(const std::vector<uint8_t>& b, size_t at) { return static_cast<int16_t>(Word(b, at)); }
  static uint32_t Dword(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(Word(b, at)) | (static_cast<uint32_t>(Word(b, at + 2)) << 16);
  }
  static void PutWord(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
  }
  static DEVMODEW* AsDevMode(std::vector<uint8_t>& b) { return reinterpret_cast<DEVMODEW*>(b.data()); }

  qvtest::ScopedUpwardServices services_;
  HINSTANCE module_ = nullptr;
  GNT40OSFactory* factory_ = nullptr;
  GDriverServer* server_ = nullptr;
  HANDLE printer_ = nullptr;
  GNT40Driver* driver_ = nullptr;
  int handle_ = 0;
  bool userHandle_ = false;
};

}  // namespace qvtest
