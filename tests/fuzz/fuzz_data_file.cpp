// Fuzz target: arbitrary bytes as the driver's data file. The bytes are
// written as the data file of an installed printer in the stand-in, and the
// driver server opens that printer's driver object as the module's entry
// points do: it creates the NT 4.0 driver object through the platform
// factory and restores the device model, the paper and source mappings and
// the capability mappings from the file. A damaged file may only fail the
// open (no driver object); nothing may crash, hang, over-read, leak or reach
// the container library's error handler (which would end the process). When
// the open succeeds the object serves what the model gives: the size of its
// DEVMODE, its default DEVMODE and the capability lists. The cached instance
// is dropped after every input, so that each one reads the file afresh.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/ConfigClasses.h"
#include "driver/DriverClasses.h"
#include "driver/GUpwardServices.h"
#include "driver/drvrsrvr.h"
#include "model/ModelClasses.h"
#include "pdl/GeneratorClasses.h"
#include "printpath/PrintPathClasses.h"
#include "rw/RWError.h"
#include "rw/RWLibraryClasses.h"
#include "win32/File.h"
#include "win32/Spooler.h"
#include "w32test/Testing.h"
#include "winnt40/GNT40OSFactory.h"
#include "winnt40/nt40qddi.h"

namespace {

constexpr const char16_t* kDirectory = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2";
constexpr const char16_t* kDataFile = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QUARRIN.DAT";
constexpr const char16_t* kPrinter = u"Front Desk";

constexpr size_t kDevModeSize = 1172;
constexpr DWORD kCopyMode = 2;  // DM_COPY
// The capability lists that the device model fills: papers, paper sizes,
// bins, bin names, resolutions, and the bytes of one entry of each.
struct ListCapability {
  WORD index;
  size_t entrySize;
};
constexpr ListCapability kLists[] = {{2, 2}, {3, 8}, {6, 2}, {12, 48}, {13, 8}};

// Whatever reaches the handler would end the module's process.
void OnError(const RWLibraryError&) { __builtin_trap(); }

GDriverServer* SetUp() {
  RWSetErrorHandler(&OnError);
  GUpwardServices services;
  services.factory = new GNT40OSFactory;
  services.nt40Driver = NT40DriverHooks();
  services.criticalShutdown = &GDriverServer::RunCriticalShutdown;
  InstallUpwardServices(services);
  RWRegisterLibraryClasses();
  RegisterModelClasses();
  RegisterDriverClasses();
  RegisterPrintPathClasses();
  RegisterGeneratorClasses();
  RegisterConfigClasses();
  if (!w32test::MakeDirectories(kDirectory)) return nullptr;
  w32test::PrinterSetup setup;
  setup.name = kPrinter;
  setup.driverName = u"Quarrin 4700";
  setup.driverDirectory = kDirectory;
  setup.dataFile = kDataFile;
  w32test::AddPrinter(setup);
  return GDriverServer::CreateInstance();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static GDriverServer* const server = SetUp();
  if (server == nullptr) return 0;
  if (!w32test::PutFile(kDataFile, std::string(reinterpret_cast<const char*>(data), size))) return 0;

  int handle = 0;
  auto* key = new GPrinterKey(nullptr, RWWString(kPrinter), 0);
  auto* driver = static_cast<GNT40Driver*>(server->OpenDriver(key, &handle));
  if (driver != nullptr) {
    // The model the file gave must serve the driver's defaults and its
    // lists: the DEVMODE's size, the default DEVMODE (when the object writes
    // one) in the driver's layout, and no list past the count it answers.
    LPWSTR name = const_cast<LPWSTR>(kPrinter);
    if (driver->DocumentProperties(nullptr, nullptr, name, nullptr, nullptr, 0) != static_cast<LONG>(kDevModeSize))
      __builtin_trap();
    std::vector<uint8_t> devMode(kDevModeSize + 16, 0xA5);
    if (driver->DocumentProperties(nullptr, nullptr, name, reinterpret_cast<DEVMODEW*>(devMode.data()), nullptr,
                                   kCopyMode) == 1) {
      if (devMode[68] != 220 || devMode[69] != 0 || devMode[70] != 952 % 256 || devMode[71] != 952 / 256)
        __builtin_trap();
    }
    for (size_t i = kDevModeSize; i < devMode.size(); ++i)
      if (devMode[i] != 0xA5) __builtin_trap();
    for (const auto& list : kLists) {
      const LONG count = driver->DeviceCapabilities(nullptr, name, list.index, nullptr, nullptr);
      if (count <= 0 || count > 4096) continue;
      std::vector<uint8_t> entries((static_cast<size_t>(count) + 1) * list.entrySize, 0xA5);
      driver->DeviceCapabilities(nullptr, name, list.index, entries.data(), nullptr);
      for (size_t i = static_cast<size_t>(count) * list.entrySize; i < entries.size(); ++i)
        if (entries[i] != 0xA5) __builtin_trap();
    }
    server->CloseDriver(handle);
  }
  server->DropCaches();
  return 0;
}
