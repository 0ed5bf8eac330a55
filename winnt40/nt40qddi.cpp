#include "winnt40/nt40qddi.h"

#include <atomic>
#include <new>

#include "driver/drvrsrvr.h"
#include "win32/CRuntime.h"
#include "win32/Module.h"
#include "winnt40/GNT40OSFactory.h"

namespace {

std::atomic<uint32_t> g_appFlags{0};

// Failure results of the spooler interfaces.
constexpr LONG kLongFailure = -1;
constexpr INT kDocumentEventFailure = -1;

GDriverInstance* CreateDriver(GPrinterKey* key) {
  return new (std::nothrow)
      GNT40Driver(key->GetPrinterHandle(), key->GetPrinterName(), key->GetDriverName(), key->GetPortName());
}

HANDLE PrinterHandle(GDriverInstance* instance) {
  auto* driver = dynamic_cast<GNT40Driver*>(instance);
  return driver != nullptr ? driver->GetCreationPrinterHandle() : nullptr;
}

int KeyInfo(GDriverInstance* instance, RWWString* printerName, HANDLE* printer) {
  auto* driver = dynamic_cast<GNT40Driver*>(instance);
  if (driver == nullptr) return 0;
  int reserved = 0;
  driver->GetKeyInfo(printerName, printer, &reserved);
  return 1;
}

}  // namespace

void SetProcessAppFlags(uint32_t flags) { g_appFlags.store(flags); }
uint32_t ProcessAppFlags() { return g_appFlags.load(); }

void InstallNT40Driver() {
  GNT40DriverHooks hooks;
  hooks.createDriver = &CreateDriver;
  hooks.printerHandle = &PrinterHandle;
  hooks.keyInfo = &KeyInfo;
  SetNT40DriverHooks(hooks);
}

void RemoveNT40Driver() { SetNT40DriverHooks(GNT40DriverHooks()); }

GNT40Driver::GNT40Driver(HANDLE printer, const RWWString& printerName, const RWWString& driverName,
                         const RWWString& portName)
    : printer_(printer) {
  SetNames(printerName, driverName, portName);
  RefreshAppFlags();
}

GNT40Driver::~GNT40Driver() = default;

// ---- Spooler operations ----

LONG GNT40Driver::DeviceCapabilities(HANDLE, LPWSTR, WORD, LPVOID, DEVMODEW*) { return kLongFailure; }

LONG GNT40Driver::DocumentProperties(HWND, HANDLE, LPWSTR, DEVMODEW*, DEVMODEW*, DWORD) { return kLongFailure; }

LONG GNT40Driver::DocumentPropertySheets(PROPSHEETUI_INFO*, LPARAM) { return kLongFailure; }

LONG GNT40Driver::AdvancedDocumentProperties(HWND, HANDLE, LPWSTR, DEVMODEW*, DEVMODEW*) { return kLongFailure; }

BOOL GNT40Driver::ConvertDevMode(LPWSTR, DEVMODEW*, DEVMODEW*, LONG*, DWORD) { return FALSE; }

LONG GNT40Driver::DevicePropertySheets(PROPSHEETUI_INFO*, LPARAM) { return kLongFailure; }

BOOL GNT40Driver::PrinterProperties(HWND, HANDLE) { return FALSE; }

BOOL GNT40Driver::DevQueryPrintEx(DEVQUERYPRINT_INFO*) { return FALSE; }

BOOL GNT40Driver::UpgradePrinter(DWORD, DRIVER_UPGRADE_INFO_1*) { return FALSE; }

BOOL GNT40Driver::PrinterEvent(LPWSTR, INT, DWORD, LPARAM) { return FALSE; }

INT GNT40Driver::DocumentEvent(HANDLE, HDC, INT, ULONG, LPVOID, ULONG, LPVOID) { return kDocumentEventFailure; }

void GNT40Driver::GetKeyInfo(RWWString* printerName, HANDLE* printer, int* reserved) {
  if (printerName != nullptr) *printerName = GetPrinterName();
  if (printer != nullptr) *printer = printer_;
  if (reserved != nullptr) *reserved = 0;
}

// ---- GDriverInstance ----

void GNT40Driver::RefreshAppFlags() {
  WCHAR host[260] = {};
  const DWORD length = GetModuleFileNameW(nullptr, host, 260);
  if (length == 0 || length >= 260) host[0] = 0;
  if (crt::wcscmp(host, hostModule_) == 0) return;
  for (size_t i = 0; i < 260; ++i) hostModule_[i] = host[i];
  SetAppFlags(ProcessAppFlags());
}

void* GNT40Driver::GetRenderObject() { return nullptr; }

void* GNT40Driver::GetDriverObject() { return this; }

GAttributeComposite* GNT40Driver::CreateDefaultSettings() { return nullptr; }

GAttributeComposite* GNT40Driver::GetDocumentSettings() { return nullptr; }

void GNT40Driver::Rebind(GPrinterKey* key) {
  GUIDriverInstance::Rebind(key);
  if (key == nullptr) return;
  printer_ = key->GetPrinterHandle();
  SetNames(key->GetPrinterName(), key->GetDriverName(), key->GetPortName());
  RefreshAppFlags();
}

void GNT40Driver::Release() {}

GPrinterKey* GNT40Driver::GetPrinterKey() {
  return new (std::nothrow) GPrinterKey(printer_, GetPrinterName(), GetDriverName(), GetPortName(), 0);
}

RWWString GNT40Driver::GetJobStorageKeyPath() { return RWWString(); }

GAttributeComposite* GNT40Driver::GetDevModeSettings() { return nullptr; }
