#include "winnt40/nt40qddi.h"

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "driver/GUIServices.h"
#include "driver/drvrsrvr.h"
#include "driver/osfactry.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GResourceMappingList.h"
#include "model/GStringAttribute.h"
#include "model/GStringConversion.h"
#include "win32/Kernel.h"
#include "win32/Module.h"
#include "win32/Spooler.h"
#include "winnt40/GNT40DocumentEventHost.h"
#include "winnt40/GNT40OSFactory.h"
#include "winnt40/GNT40PrinterDevMode.h"

using namespace GFeatureIds;

namespace {

// Failure result of the document events.
constexpr INT kDocumentEventFailure = -1;

const WCHAR kWriteTestName[] = u"RegWriteTestStr";

std::u16string QddiU16(const RWWString& s) { return std::u16string(s.Data(), s.Length()); }

// A heap copy of the text, zero-terminated, for the GUIData record.
WCHAR* HeapCopy(const RWWString& text) {
  auto* copy = new WCHAR[text.Length() + 1];
  for (size_t i = 0; i < text.Length(); ++i) copy[i] = text.Data()[i];
  copy[text.Length()] = 0;
  return copy;
}

// The printer's level-2 record, read into an owned buffer; empty on failure.
std::vector<BYTE> QddiPrinterInfo2(HANDLE printer) {
  std::vector<BYTE> buffer;
  if (printer == nullptr) return buffer;
  DWORD needed = 0;
  GetPrinterW(printer, 2, nullptr, 0, &needed);
  if (needed < sizeof(PRINTER_INFO_2W)) return buffer;
  buffer.resize(needed);
  if (!GetPrinterW(printer, 2, buffer.data(), needed, &needed)) buffer.clear();
  return buffer;
}

GDriverInstance* CreateDriver(GPrinterKey* key) {
  if (key == nullptr) return nullptr;
  return new (std::nothrow)
      GNT40Driver(key->GetPrinterHandle(), key->GetPrinterName(), key->GetDriverName(), key->GetPortName());
}

HANDLE PrinterHandle(GDriverInstance* instance) {
  auto* driver = dynamic_cast<GNT40Driver*>(instance);
  return driver != nullptr ? driver->GetPrinterHandle() : nullptr;
}

int KeyInfo(GDriverInstance* instance, RWWString* printerName, HANDLE* printer) {
  auto* driver = dynamic_cast<GNT40Driver*>(instance);
  if (driver == nullptr) return 0;
  int reserved = 0;
  driver->GetKeyInfo(printerName, printer, &reserved);
  return 1;
}

}  // namespace

GNT40DriverHooks NT40DriverHooks() {
  GNT40DriverHooks hooks;
  hooks.createDriver = &CreateDriver;
  hooks.printerHandle = &PrinterHandle;
  hooks.keyInfo = &KeyInfo;
  return hooks;
}

// ---- Life ----

GNT40Driver::GNT40Driver(HANDLE printer, const RWWString& printerName, const RWWString& driverName,
                         const RWWString& portName)
    : printer_(printer) {
  SetNames(printerName, driverName, portName);
  CheckHostModule();
}

GNT40Driver::~GNT40Driver() {
  // The document events first: a notice thread still running uses the object.
  documentEvents_.reset();
  if (adminPrinter_ != nullptr) CloseAdminPrinterHandle();
  // A sheet still open when the object goes: its pages and records go too.
  if (sheetRequest_ != nullptr && bridge_ != nullptr && sheetRequest_->uiData != nullptr) {
    bridge_->CloseSheet(sheetRequest_);
  }
  FreeSheetRequest(sheetRequest_);
  delete bridge_;
}

void GNT40Driver::SetSheetBridge(GSheetBridge* bridge) {
  if (bridge_ != bridge) delete bridge_;
  bridge_ = bridge;
}

int GNT40Driver::CheckHostModule() {
  WCHAR host[kPathLength] = {};
  const DWORD length = GetModuleFileNameW(nullptr, host, kPathLength);
  if (length == 0 || length >= kPathLength) host[0] = 0;
  if (std::u16string(host) == std::u16string(hostModule_)) return 0;
  for (size_t i = 0; i < kPathLength; ++i) hostModule_[i] = host[i];
  GNT40DriverSettings::RefreshAppFlags();
  return 1;
}

// ---- GUIDriverInstance ----

void GNT40Driver::GetPrinterLocation(RWWString& out) {
  const std::vector<BYTE> buffer = QddiPrinterInfo2(GetPrinterHandle());
  if (buffer.empty()) return;
  const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
  out = info->pLocation != nullptr ? RWWString(info->pLocation) : RWWString();
}

RWWString GNT40Driver::GetJobDisplayName() { return jobDisplayName_; }

// ---- Spooler operations ----

// DevicePropertySheets: GNT40DeviceProperties.cpp. PrinterProperties,
// PrinterEvent, UpgradePrinter and DevQueryPrintEx:
// GNT40PrinterOperations.cpp.

INT GNT40Driver::DocumentEvent(HANDLE printer, HDC dc, INT event, ULONG inSize, LPVOID in, ULONG outSize,
                               LPVOID out) {
  if (!documentEvents_) documentEvents_.reset(new (std::nothrow) GNT40DocumentEventHost(this));
  if (!documentEvents_) return kDocumentEventFailure;
  return documentEvents_->Events().DocumentEvent(printer, dc, event, inSize, in, outSize, out);
}

void GNT40Driver::GetKeyInfo(RWWString* printerName, HANDLE* printer, int* reserved) {
  if (printerName != nullptr) *printerName = GetPrinterName();
  if (printer != nullptr) *printer = printer_;
  if (reserved != nullptr) *reserved = 0;
}

void GNT40Driver::GetHelpFileName(RWWString& out) {
  RWWString name;
  if (auto* text = dynamic_cast<GStringAttribute*>(
          GetPrinterConfiguration() != nullptr ? GetPrinterConfiguration()->FindById(kHelpFileName) : nullptr)) {
    ToWideString(text->GetString(), name);
  }
  out = name;
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory == nullptr) return;
  WCHAR path[kPathLength] = {};
  const DWORD length = GetModuleFileNameW(factory->GetModuleHandle(), path, kPathLength);
  if (length == 0 || length >= kPathLength) return;
  const std::u16string text(path, length);
  const size_t slash = text.find_last_of(u'\\');
  if (slash == std::u16string::npos) return;
  const std::u16string full = text.substr(0, slash + 1) + QddiU16(name);
  out = RWWString(full.data(), full.size());
}

// ---- Administrative printer handle ----

int GNT40Driver::OpenAdminPrinterHandle() {
  if (adminPrinter_ != nullptr) CloseAdminPrinterHandle();
  PRINTER_DEFAULTSW defaults{nullptr, nullptr, kAdminAccess};
  const std::u16string name = QddiU16(GetPrinterName());
  HANDLE handle = nullptr;
  if (!OpenPrinterW(name.c_str(), &handle, &defaults)) {
    adminPrinter_ = nullptr;
    return 0;
  }
  adminPrinter_ = handle;
  return 1;
}

int GNT40Driver::CloseAdminPrinterHandle() {
  if (adminPrinter_ != nullptr) ClosePrinter(adminPrinter_);
  adminPrinter_ = nullptr;
  useAdmin_ = 0;
  return 1;
}

void GNT40Driver::SetUseAdminHandle(int flag) {
  if (flag == 1 && adminPrinter_ == nullptr) return;
  useAdmin_ = flag == 1 ? 1 : 0;
}

HANDLE GNT40Driver::GetPrinterHandle() { return useAdmin_ != 0 ? adminPrinter_ : printer_; }

// The paper's display name is the text of its paper mapping's string id in
// the resource module (at most 256 characters); a paper without one is
// matched by size only.
int GNT40Driver::MatchPaperByName(int16_t paperId, int16_t* spoolerPaper) {
  if (spoolerPaper == nullptr) return 0;
  RWWString displayName;
  GResourceMappingList* mappings = GetPaperMappings();
  GResourceMapping* mapping = mappings != nullptr ? mappings->FindByDeviceCode(paperId) : nullptr;
  const RWWString modulePath = GetResourceModulePath();
  if (mapping != nullptr && mapping->GetResourceId() != 0 && !modulePath.IsEmpty()) {
    if (HMODULE resources = LoadLibraryW(modulePath.Data())) {
      WCHAR text[kDisplayNameChars + 1] = {};
      const int length = LoadStringW(resources, static_cast<UINT>(mapping->GetResourceId()), text,
                                     kDisplayNameChars + 1);
      if (length > 0) displayName = RWWString(text, static_cast<size_t>(length));
      FreeLibrary(resources);
    }
  }
  return PaperIdToSpoolerPaper(paperId, displayName, spoolerPaper);
}

int GNT40Driver::CanWritePrinterData() {
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory == nullptr) return 0;
  const RWWString name(kWriteTestName);
  if (factory->SetPrinterDataString(this, name, name) != 0) return 1;
  if (adminPrinter_ != nullptr || OpenAdminPrinterHandle() == 0) return 0;
  SetUseAdminHandle(1);
  if (factory->SetPrinterDataString(this, name, name) != 0) return 1;
  SetUseAdminHandle(0);
  CloseAdminPrinterHandle();
  return 0;
}

int GNT40Driver::StoreDevModeInPrinter() {
  HANDLE printer = GetPrinterHandle();
  GNT40PrinterDevMode* devMode = GetDevModeObject();
  DEVMODEW* buffer = devMode != nullptr ? devMode->GetBuffer() : nullptr;
  if (printer == nullptr || buffer == nullptr) return 0;
  std::vector<BYTE> info = QddiPrinterInfo2(printer);
  if (info.empty()) return 0;
  auto* record = reinterpret_cast<PRINTER_INFO_2W*>(info.data());
  record->pDevMode = buffer;
  record->pSecurityDescriptor = nullptr;
  SetLastError(0);
  const GNT40TakenDevMode::PrinterWrite noteWrite;
  return SetPrinterW(printer, 2, info.data(), 0) ? 1 : 0;
}

// ---- GDriverInstance ----

void GNT40Driver::RefreshAppFlags() { CheckHostModule(); }

void* GNT40Driver::GetRenderObject() { return nullptr; }

void* GNT40Driver::GetDriverObject() { return this; }

int16_t GNT40Driver::RunAutoConfiguration(int forced) {
  // The configuration is updated in place: takes made before are stale.
  const GNT40TakenDevMode::PrinterWrite noteWrite;
  const int16_t result = GDriverInstance::RunAutoConfiguration(forced);
  if (result != 0 || forced != 0) return result;

  if (StoredDocumentSettings() == nullptr) SetStoredDocumentSettings(CreateDefaultSettings());
  std::unique_ptr<GSheetBridge> bridge(CreateSheetBridge());
  if (bridge == nullptr) return result;

  GUIData data;
  data.size = sizeof(GUIData);
  data.host = this;
  data.settings = StoredDocumentSettings();
  data.printer = GetDeviceModel();
  // The record's window slot carries the module's handle here, as the
  // providers of an auto-configuration expect.
  GOSFactory* factory = GOSFactory::GetInstance();
  data.ownerWindow = factory != nullptr ? reinterpret_cast<HWND>(factory->GetModuleHandle()) : nullptr;
  data.pageCount = 0;
  data.driverName = HeapCopy(GetDriverName());
  data.printerName = HeapCopy(GetPrinterName());
  data.portName = HeapCopy(GetPortName());
  const int16_t answer = bridge->ConfigToSettings(&data);
  delete[] data.driverName;
  delete[] data.printerName;
  delete[] data.portName;
  return answer != 0 ? 1 : result;
}

void GNT40Driver::Rebind(GPrinterKey* key) {
  GUIDriverInstance::Rebind(key);
  if (key != nullptr) {
    printer_ = key->GetPrinterHandle();
    RWWString printerName = GetPrinterName();
    if (printerName.Length() != key->GetPrinterName().Length() ||
        QddiU16(printerName) != QddiU16(key->GetPrinterName())) {
      printerName = key->GetPrinterName();
      DeleteDevModeObject();
    }
    SetNames(printerName, key->GetDriverName(), key->GetPortName());
  }
  RefreshAppFlags();
}

void GNT40Driver::Release() {}

GPrinterKey* GNT40Driver::GetPrinterKey() {
  return new (std::nothrow) GPrinterKey(printer_, GetPrinterName(), GetDriverName(), GetPortName(), 0);
}

int16_t GNT40Driver::RegisterExtension(const char* name, int remove) {
  if (IsRemotePrinter() == 0) CanWritePrinterData();
  LoadDevMode(nullptr);
  SetStoredDocumentSettings(GetDocumentSettings());
  const int16_t code = GDriverInstance::RegisterExtension(name, remove);
  if (name != nullptr && name[0] != 0 && code == 0) {
    if (SaveSettings(StoredDocumentSettings(), 1) != 0) StoreDevModeInPrinter();
  }
  if (adminPrinter_ != nullptr) {
    SetUseAdminHandle(0);
    CloseAdminPrinterHandle();
  }
  return code;
}
