// Fuzz target: arbitrary bytes as the driver's data file. The bytes are
// written as the data file of an installed printer in the stand-in, and the
// driver server opens that printer's driver object as the module's entry
// points do: it creates the NT 4.0 driver object through the platform
// factory and restores the device model, the paper and source mappings and
// the capability mappings from the file. A damaged file may only fail the
// open (no driver object); nothing may crash, hang, over-read, leak or reach
// the container library's error handler (which would end the process). When
// the open succeeds the object must answer the size of its DEVMODE. The
// cached instance is dropped after every input, so that each one reads the
// file afresh.
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/ConfigClasses.h"
#include "driver/DriverClasses.h"
#include "driver/drvrsrvr.h"
#include "model/ModelClasses.h"
#include "pdl/GeneratorClasses.h"
#include "printpath/PrintPathClasses.h"
#include "rw/RWError.h"
#include "rw/RWLibraryClasses.h"
#include "win32/File.h"
#include "win32/Spooler.h"
#include "winnt40/GNT40OSFactory.h"
#include "winnt40/nt40qddi.h"

namespace {

constexpr const char16_t* kDirectory = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2";
constexpr const char16_t* kDataFile = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QUARRIN.DAT";
constexpr const char16_t* kPrinter = u"Front Desk";

// Whatever reaches the handler would end the module's process.
void OnError(const RWLibraryError&) { __builtin_trap(); }

GDriverServer* SetUp() {
  RWSetErrorHandler(&OnError);
  CreateNT40OSFactory();
  RWRegisterLibraryClasses();
  RegisterModelClasses();
  RegisterDriverClasses();
  RegisterPrintPathClasses();
  RegisterGeneratorClasses();
  RegisterConfigClasses();
  InstallNT40Driver();
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
  auto* driver = static_cast<GNT40Driver*>(server->OpenDriver(new GPrinterKey(nullptr, RWWString(kPrinter), 0), &handle));
  if (driver != nullptr) {
    if (driver->DocumentProperties(nullptr, nullptr, const_cast<LPWSTR>(kPrinter), nullptr, nullptr, 0) <= 0)
      __builtin_trap();
    server->CloseDriver(handle);
  }
  server->DropCaches();
  return 0;
}
