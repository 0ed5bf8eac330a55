// Fuzz target: arbitrary bytes as the font descriptor file of a font DIMM.
// The file is the descriptor of an enabled DIMM device of an installed
// printer; the catalogue reader reads it into a device font list and walks
// it with a callback, and the DIMM writer loads it, disables a font and
// writes it anew. A damaged file may only give fewer fonts: nothing may
// crash, hang, over-read, leak or reach the container library's error
// handler. The file the writer wrote must read back with as many fonts as
// the writer held.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "driver/DriverClasses.h"
#include "driver/GUpwardServices.h"
#include "driver/MassStorageFonts.h"
#include "model/GDeviceFontList.h"
#include "model/ModelClasses.h"
#include "rw/RWError.h"
#include "rw/RWLibraryClasses.h"
#include "ui/pages/GFontCatalogReader.h"
#include "ui/pages/GFontDimm.h"
#include "win32/File.h"
#include "win32/Module.h"
#include "win32/Spooler.h"
#include "w32test/Testing.h"
#include "winnt40/GNT40OSFactory.h"

namespace {

constexpr const char16_t* kDirectory = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2";
constexpr const char16_t* kModule = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVUI.DLL";
constexpr const char16_t* kFile = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\qvdimFZ1.qvd";
constexpr const char16_t* kPrinter = u"Front Desk";
constexpr int kDevice = 6;

// The driver instance as the platform factory sees it: the printer's name
// and a handle with every right.
struct Printer {
  RWWString name{kPrinter};
  HANDLE handle = nullptr;
};
Printer g_printer;
GDriverInstance* Instance() { return reinterpret_cast<GDriverInstance*>(&g_printer); }

void OnError(const RWLibraryError&) { __builtin_trap(); }

bool SetUp() {
  RWSetErrorHandler(&OnError);
  RWRegisterLibraryClasses();
  RegisterModelClasses();
  RegisterDriverClasses();
  if (!w32test::MakeDirectories(kDirectory)) return false;
  w32test::ModuleSpec self;
  self.name = kModule;
  self.loadCount = 1;
  HINSTANCE module = reinterpret_cast<HINSTANCE>(w32test::InstallModule(self));
  w32test::PrinterSetup setup;
  setup.name = kPrinter;
  setup.driverName = u"Quarrin 4700";
  setup.driverDirectory = kDirectory;
  w32test::AddPrinter(setup);
  PRINTER_DEFAULTSW all{nullptr, nullptr, PRINTER_ALL_ACCESS};
  if (!OpenPrinterW(kPrinter, &g_printer.handle, &all)) return false;

  auto* factory = new GNT40OSFactory;
  factory->SetModuleHandle(module);
  GUpwardServices services;
  services.factory = factory;
  services.instance.printerName = [](GDriverInstance* i) { return reinterpret_cast<Printer*>(i)->name; };
  services.instance.printerConfiguration = [](GDriverInstance*) -> MPersistentObject* { return nullptr; };
  services.nt40Driver.printerHandle = [](GDriverInstance* i) { return reinterpret_cast<Printer*>(i)->handle; };
  services.nt40Driver.keyInfo = [](GDriverInstance* i, RWWString* name, HANDLE* handle) {
    *name = reinterpret_cast<Printer*>(i)->name;
    *handle = reinterpret_cast<Printer*>(i)->handle;
    return 1;
  };
  InstallUpwardServices(services);
  return true;
}

int Count(const RWCString&, const RWCString&, const GFontEntryFixedPart&, void* data) {
  ++*static_cast<int*>(data);
  return 1;
}

int FirstName(const RWCString& name, const RWCString&, const GFontEntryFixedPart&, void* data) {
  auto* first = static_cast<RWCString*>(data);
  if (first->IsEmpty()) *first = name;
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = SetUp();
  if (!ready) return 0;
  if (!w32test::PutFile(kFile, std::string(reinterpret_cast<const char*>(data), size))) return 0;
  SetFontDeviceFilePath(Instance(), kDevice, RWWString(kFile));
  SetFontDeviceState(Instance(), kDevice, 1);

  RWCString first;
  {
    GFontCatalogReader reader(kDevice, Instance());
    std::unique_ptr<GDeviceFontList> list(reader.ReadFontList());
    int seen = 0;
    if (reader.ForEachFont(&Count, &seen) != seen) __builtin_trap();
    reader.ForEachFont(&FirstName, &first);
    // The list holds the enabled fonts with codes, which the walk sees too.
    if (list != nullptr && static_cast<int>(list->GetCount()) > seen) __builtin_trap();
  }

  GFontDimm dimm(kDevice, Instance());
  dimm.ContainsFont(RWCString("x"));
  if (!first.IsEmpty()) dimm.SetFontEnabled(first, 0);
  if (dimm.WriteFile() == 1) {
    GFontCatalogReader reader(kDevice, Instance());
    int seen = 0;
    reader.ForEachFont(&Count, &seen);
    if (seen != dimm.GetFontCount()) __builtin_trap();
  }
  return 0;
}
