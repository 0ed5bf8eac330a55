// The driver object's document-level operations: the document property
// sheet (DrvDocumentPropertySheets), DEVMODE in and out without a sheet
// (DrvDocumentProperties, DrvAdvancedDocumentProperties), the conversion of
// DEVMODEs (DrvConvertDevMode), the sheet request they build with the steps
// the device sheet shares (opening and closing a sheet, ending the
// configuration export), and the exported stand-in callback NonPropPageSheet.
//
// DEVMODEs and sizes come from applications and the spooler. The driver
// writes a caller's DEVMODE only after the caller was told the size
// (DrvDocumentProperties with mode 0), or, in DrvConvertDevMode, when the
// size the caller gives holds the whole DEVMODE; a DEVMODE is inspected only
// as far as its own size words say it reaches.
#include <memory>

#include "driver/DevmodePrivateArea.h"
#include "driver/GSettingValue.h"
#include "driver/GUIServices.h"
#include "driver/GUpwardServices.h"
#include "driver/osfactry.h"
#include "model/GAttributeComposite.h"
#include "model/GFeatureIds.h"
#include "model/GOSVersionInfo.h"
#include "model/GPeripheral.h"
#include "model/MPersistentObject.h"
#include "win32/CompStui.h"
#include "win32/DevMode.h"
#include "win32/Kernel.h"
#include "win32/Spooler.h"
#include "winnt40/GNT40CapabilityRecords.h"
#include "winnt40/GNT40PrinterDevMode.h"
#include "winnt40/GNT40SheetAccess.h"
#include "winnt40/nt40qddi.h"

using namespace GFeatureIds;

namespace {

using SV = GSettingValue;
using Area = DevmodePrivateArea;

// DEVMODE mode bits of the document entry points.
constexpr DWORD kUpdate = 0x01;  // DM_UPDATE / DM_OUT_DEFAULT
constexpr DWORD kCopy = 0x02;    // DM_COPY / DM_OUT_BUFFER
constexpr DWORD kPrompt = 0x04;  // DM_PROMPT / DM_IN_PROMPT
constexpr DWORD kInBuffer = 0x08;
constexpr DWORD kUserDefault = 0x40;
constexpr DWORD kAdvancedMode = kCopy | kPrompt | 0x10;  // 22

// Conversion modes.
constexpr DWORD kConvert = 1;        // CDM_CONVERT
constexpr DWORD kDriverDefault = 4;  // CDM_DRIVER_DEFAULT

constexpr LONG kIdOk = 1;
constexpr LONG kIdCancel = 2;

// Sheet header flags (PSUIHDRF_NOAPPLYNOW | PSUIHDRF_PROPTITLE, and
// PSUIHDRF_DEFTITLE for the user's defaults).
constexpr WORD kDocumentHeaderFlags = 6;
constexpr WORD kDefaultTitleFlag = 16;

// The sheet value of the document sheet.
constexpr int kDocumentSheet = 3;
// Services of the bidirectional configuration providers.
constexpr unsigned kBidirectionalServices = 0x10000;

const WCHAR* const kExportPrinting = u"ExportPrinting";

GOSFactory* DocumentFactory() { return GOSFactory::GetInstance(); }

uint32_t OSVersion() {
  GOSFactory* factory = DocumentFactory();
  return factory != nullptr ? factory->GetOSVersion().GetVersion() : 0;
}

HINSTANCE DocumentOwnModule() {
  GOSFactory* factory = DocumentFactory();
  return factory != nullptr ? factory->GetModuleHandle() : nullptr;
}

// The document sheet that a prompt opens, run on the object that asked for
// it: the header carries the object along.
struct PromptHeader {
  DOCUMENTPROPERTYHEADER header;
  GNT40Driver* driver;
};

LONG PromptSheet(PROPSHEETUI_INFO* info, LPARAM lParam) {
  auto* prompt = reinterpret_cast<PromptHeader*>(info != nullptr ? info->lParamInit : lParam);
  if (prompt == nullptr || prompt->driver == nullptr) return -1;
  return prompt->driver->DocumentPropertySheets(info, lParam);
}

// The access check of every sheet call: whether the driver may not change
// the printer's settings; also sets the per-user flag of the settings.
int CheckSheetAccess(GNT40Driver& driver) {
  int noPermission = 1;
  if (driver.IsRemotePrinter() != 0) {
    if (driver.GetAdminPrinterHandle() != nullptr) {
      noPermission = 0;
    } else if (driver.OpenAdminPrinterHandle() != 0) {
      noPermission = 0;
      driver.CloseAdminPrinterHandle();
    }
  } else if (driver.CanWritePrinterData() != 0) {
    noPermission = 0;
  }
  driver.SetPerUserFlag(GNT40SheetAccess::IsPerUser(noPermission, OSVersion()));
  return noPermission;
}

// Gives an open administrative handle up.
void ReleaseAdminHandle(GNT40Driver& driver) {
  if (driver.GetAdminPrinterHandle() == nullptr) return;
  driver.SetUseAdminHandle(0);
  driver.CloseAdminPrinterHandle();
}

// PROPSHEETUI_REASON_INIT: the DEVMODE, the request and the bridge, and
// the pages handed to the common UI.
LONG OpenDocumentSheet(GNT40Driver& driver, PROPSHEETUI_INFO* info, DOCUMENTPROPERTYHEADER* header, int noPermission) {
  if (GOSFactory* factory = DocumentFactory()) factory->SetPrinterDataDword(&driver, kExportPrinting, 1);
  driver.LoadDevMode((header->fMode & kInBuffer) != 0 ? header->pdmIn : nullptr);
  const int flags = static_cast<int>(GNT40SheetAccess::Flags(header->fMode, driver.IsRemotePrinter(), OSVersion(),
                                                             GNT40SheetAccess::IsShellProcess(), noPermission));
  const int16_t count = driver.OpenPropertySheet(info, kDocumentSheet, flags);
  info->Result = 0;
  return count != 0 ? 1 : 0;
}

// PROPSHEETUI_REASON_SET_RESULT with OK: store the sheet's settings and
// hand the DEVMODE out.
void ApplyDocumentSheet(GNT40Driver& driver, DOCUMENTPROPERTYHEADER* header) {
  SheetRequest* request = driver.GetSheetRequest();
  GAttributeComposite* settings = request != nullptr ? request->settings : nullptr;

  const int store = request != nullptr && (request->accessFlags & 3) == 0 ? 1 : 0;
  if (settings != nullptr && driver.SaveSettings(settings, store) != 0) {
    driver.EndConfigurationExport(settings, RWWString(kExportPrinting));
  }

  int32_t jobStorage = 0;
  if (settings != nullptr && SV::Get(settings, kLocalJobStorage, &jobStorage)) {
    driver.SetLocalJobStorage(jobStorage == 0 ? 1 : 0);
  }

  if ((header->fMode & (kUpdate | kCopy)) != 0 && header->pdmOut != nullptr) {
    if (GNT40PrinterDevMode* object = driver.GetDevModeObject()) object->CopyTo(header->pdmOut);
  }
}

// Opens the printer of a conversion into the driver object's creation
// handle; 0 when it cannot be opened.
int OpenConversionPrinter(GNT40Driver& driver, LPWSTR printerName) {
  if (printerName == nullptr) return 0;
  HANDLE probe = nullptr;
  if (OpenPrinterW(printerName, &probe, nullptr) == 0 || probe == nullptr) return 0;
  bool local = false;
  DWORD needed = 0;
  GetPrinterW(probe, 2, nullptr, 0, &needed);
  if (needed != 0) {
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[needed]);
    if (buffer != nullptr && GetPrinterW(probe, 2, buffer.get(), needed, &needed) != 0) {
      local = reinterpret_cast<PRINTER_INFO_2W*>(buffer.get())->pServerName == nullptr;
    }
  }
  ClosePrinter(probe);

  // A local printer is opened with every right, so that its default
  // DEVMODE can be written; a connection with the default rights.
  PRINTER_DEFAULTSW all{nullptr, nullptr, GNT40Driver::kAdminAccess};
  HANDLE printer = nullptr;
  if (OpenPrinterW(printerName, &printer, local ? &all : nullptr) == 0 || printer == nullptr) return 0;
  driver.SetCreationPrinterHandle(printer);
  return 1;
}

// For a printer without a stored DEVMODE: the driver's defaults, updated
// from the configuration library when the device uses it, become the
// printer's DEVMODE. currentPool is the watermark pool of the instance's
// document settings, or null.
int StoreConversionDefaults(GNT40Driver& driver, LPWSTR printerName, MPersistentObject* currentPool) {
  std::unique_ptr<GAttributeComposite> defaults(driver.CreateDefaultSettings());
  if (defaults == nullptr) return 0;
  if (SV::GetOr(defaults.get(), kConfigurationLibrary, 0) == 1) {
    // The watermarks the printer already has stay.
    MPersistentObject* preferences = defaults->FindById(GFeatureIds::kDriverPreferences);
    if (preferences != nullptr && currentPool != nullptr &&
        preferences->FindById(GFeatureIds::kWatermarkPool) != nullptr) {
      preferences->ReplaceChildById(GFeatureIds::kWatermarkPool, currentPool);
    }
    if (GOSFactory* factory = DocumentFactory()) factory->SetPrinterDataString(&driver, u"Stale", u"FALSE");
    const GNT40DocumentServices services = UpwardServices().documents;
    if (services.update != nullptr) {
      services.update(defaults.get(), &driver, printerName != nullptr ? RWWString(printerName) : RWWString(), 0);
    }
  }
  if (driver.SaveSettings(defaults.get(), 0) == 0) return 0;
  driver.StoreDevModeInPrinter();
  return 1;
}
}  // namespace

// Stands in for the common property sheet's callback when the driver opens
// a sheet by itself: it answers its third argument.
extern "C" __attribute__((visibility("default"))) ULONG NonPropPageSheet(void*, UINT, LPARAM lParam1, LPARAM) {
  return static_cast<ULONG>(lParam1);
}

// ---- Sheet request ----

SheetRequest* GNT40Driver::CreateSheetRequest() {
  auto* request = new (std::nothrow) SheetRequest;
  if (request == nullptr) return nullptr;
  request->size = static_cast<int>(sizeof(SheetRequest));
  request->host = this;
  request->settings = GetDocumentSettings();
  if (request->settings == nullptr) {
    FreeSheetRequest(request);
    return nullptr;
  }
  request->printer = FindPrinter();
  request->sheetKind = kDocumentSheet;

  const GNT40DocumentServices services = UpwardServices().documents;
  const int providers = services.countProviders != nullptr ? services.countProviders(kBidirectionalServices) : 0;
  SV::Set(request->settings, kAutoConfigurationState, static_cast<int16_t>(providers != 0 ? 1 : 0));
  return request;
}

void GNT40Driver::FreeSheetRequest(SheetRequest* request) {
  if (request == nullptr) return;
  delete request->settings;
  delete request;
}

// ---- Steps both property sheets share ----

int16_t GNT40Driver::OpenPropertySheet(PROPSHEETUI_INFO* info, int sheetKind, int accessFlags) {
  // A sheet left open by an earlier run goes first.
  ClosePropertySheet();

  SheetRequest* request = CreateSheetRequest();
  GSheetBridge* bridge = request != nullptr ? CreateSheetBridge() : nullptr;
  if (request == nullptr || bridge == nullptr) {
    FreeSheetRequest(request);
    delete bridge;
    return 0;
  }
  request->hostHandle = info->hComPropSheet;
  request->hostCallback = info->pfnComPropSheet;
  request->sheetKind = sheetKind;
  request->accessFlags = accessFlags;
  SetSheetRequest(request);
  SetSheetBridge(bridge);
  return bridge->OpenSheet(request, 0);
}

void GNT40Driver::ClosePropertySheet() {
  SheetRequest* request = GetSheetRequest();
  if (GSheetBridge* bridge = GetSheetBridge()) {
    if (request != nullptr) bridge->CloseSheet(request);
    SetSheetBridge(nullptr);
  }
  SetSheetRequest(nullptr);
  FreeSheetRequest(request);
}

void GNT40Driver::EndConfigurationExport(GAttributeComposite* settings, const RWWString& marker) {
  GOSFactory* factory = DocumentFactory();
  if (settings == nullptr || factory == nullptr) return;
  if (SV::GetOr(settings, kConfigurationLibrary, 0) != 1 || factory->GetPrinterDataDword(this, marker, 0) == 0) return;
  // Only the shell's sheet brings the factory contexts back; the marker
  // ends with every such OK.
  const GNT40DocumentServices services = UpwardServices().documents;
  if (GNT40SheetAccess::IsShellProcess() != 0 && services.restoreFactory != nullptr) {
    services.restoreFactory(settings, this, GetPrinterName());
  }
  factory->SetPrinterDataDword(this, marker, 0);
}

// ---- DrvDocumentPropertySheets ----

LONG GNT40Driver::DocumentPropertySheets(PROPSHEETUI_INFO* info, LPARAM lParam) {
  auto* header = reinterpret_cast<DOCUMENTPROPERTYHEADER*>(info != nullptr ? info->lParamInit : lParam);
  if (header == nullptr) return -1;
  const int noPermission = CheckSheetAccess(*this);

  if (info == nullptr) {
    const LONG result = DocumentPropertiesWorker(header);
    ReleaseAdminHandle(*this);
    return result;
  }

  switch (info->Reason) {
    case PROPSHEETUI_REASON_INIT:
      return OpenDocumentSheet(*this, info, header, noPermission);
    case PROPSHEETUI_REASON_GET_INFO_HEADER: {
      auto* sheetHeader = reinterpret_cast<PROPSHEETUI_INFO_HEADER*>(lParam);
      if (sheetHeader == nullptr) return 0;
      sheetHeader->Flags = kDocumentHeaderFlags;
      if ((header->fMode & kUserDefault) != 0) sheetHeader->Flags |= kDefaultTitleFlag;
      sheetHeader->pTitle = header->pszPrinterName;
      sheetHeader->hInst = DocumentOwnModule();
      sheetHeader->IconID = 0;
      return 1;
    }
    case PROPSHEETUI_REASON_DESTROY: {
      ClosePropertySheet();
      ReleaseAdminHandle(*this);
      // The per-user mode lasts as long as the sheet.
      SetPerUserFlag(0);
      return 1;
    }
    case PROPSHEETUI_REASON_SET_RESULT: {
      auto* result = reinterpret_cast<SETRESULT_INFO*>(lParam);
      if (result == nullptr) return 0;
      if (result->Result == CPSUI_OK) ApplyDocumentSheet(*this, header);
      info->Result = static_cast<ULONG_PTR>(result->Result);
      return 1;
    }
    default:
      return 0;
  }
}

// ---- DrvDocumentProperties and DrvAdvancedDocumentProperties ----

LONG GNT40Driver::DocumentProperties(HWND window, HANDLE printer, LPWSTR deviceName, DEVMODEW* out, DEVMODEW* in,
                                     DWORD mode) {
  if (mode == 0 || out == nullptr) return GetDevModeSize(1);
  const LONG r = DocumentPropertiesWithHeader(window, printer, deviceName, out, in, mode);
  if (r > 0) return kIdOk;
  if (r < 0) return r;
  return kIdCancel;
}

LONG GNT40Driver::AdvancedDocumentProperties(HWND window, HANDLE printer, LPWSTR deviceName, DEVMODEW* out,
                                             DEVMODEW* in) {
  if (out == nullptr) return GetDevModeSize(1);
  return DocumentPropertiesWithHeader(window, printer, deviceName, out, in, kAdvancedMode) > 0 ? 1 : 0;
}

LONG GNT40Driver::DocumentPropertiesWithHeader(HWND window, HANDLE printer, LPWSTR deviceName, DEVMODEW* out,
                                               DEVMODEW* in, DWORD mode) {
  PromptHeader prompt{};
  DOCUMENTPROPERTYHEADER& header = prompt.header;
  header.cbSize = static_cast<WORD>(sizeof(DOCUMENTPROPERTYHEADER));
  header.hPrinter = printer;
  header.pszPrinterName = deviceName;
  header.pdmIn = in;
  header.pdmOut = out;
  header.cbOut = 0;
  header.fMode = mode;
  if ((mode & kPrompt) == 0) return DocumentPropertiesWorker(&header);

  // The sheet runs on this object: its function finds the object behind
  // the header.
  prompt.driver = this;
  DWORD result = 0;
  const LONG run = CommonPropertySheetUIW(window, &PromptSheet, reinterpret_cast<LPARAM>(&prompt), &result);
  return run < 0 ? run : static_cast<LONG>(result);
}

LONG GNT40Driver::DocumentPropertiesWorker(DOCUMENTPROPERTYHEADER* header) {
  if (header == nullptr) return -1;
  if (header->fMode == 0 || header->pdmOut == nullptr) return GetDevModeSize(1);
  const FormListHold holdForms(*this);
  if (LoadDevMode((header->fMode & (kPrompt | kInBuffer)) != 0 ? header->pdmIn : nullptr) == 0) return -1;
  GNT40PrinterDevMode* object = GetDevModeObject();
  if (object == nullptr) return -1;

  LONG result = 1;
  size_t written = 0;
  if ((header->fMode & (kUpdate | kCopy)) != 0) {
    // Settings that do not fit the private area are not handed out as a
    // DEVMODE without them.
    if (object->HasUnwrittenSettings() != 0) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return -1;
    }
    result = object->CopyTo(header->pdmOut);
    // What was just written: the DEVMODE's own size words tell.
    if (result != 0) written = Area::Extent(header->pdmOut);
  }
  // The host mark goes only where this call wrote the DEVMODE.
  if (header->fMode == GNT40CapabilityRecords::kHostMarkMode && written != 0) {
    GNT40CapabilityRecords::WriteHostMark(header->pdmOut, written);
  }
  return result;
}

// ---- DrvConvertDevMode ----

BOOL GNT40Driver::ConvertDevMode(LPWSTR printerName, DEVMODEW* in, DEVMODEW* out, LONG* size, DWORD mode) {
  // A failure without an error code of its own leaves the caller's last
  // error as it was, whatever the calls made on the way left in it.
  const DWORD callerError = GetLastError();
  // Driver defaults: a DEVMODE object made without a printer. Its settings
  // come from the printer or from the driver's defaults below; whatever way
  // the conversion ends, the object is left with settings.
  ReplaceDevModeObject(new (std::nothrow) GNT40PrinterDevMode(this, GNT40PrinterDevMode::WithoutSettings{}));
  GNT40PrinterDevMode* object = GetDevModeObject();
  if (object == nullptr) {
    SetLastError(callerError);
    return FALSE;
  }
  struct LeaveWithSettings {
    GNT40PrinterDevMode* object;
    ~LeaveWithSettings() {
      // Reading the defaults leaves printer-data codes behind: the answer's
      // last error stays.
      const DWORD answerError = GetLastError();
      object->TakeDefaultSettingsIfNone();
      SetLastError(answerError);
    }
  } leaveWithSettings{object};
  // Taking the printer's DEVMODE, checking it and applying the caller's
  // each look at the forms: the list is read once for them.
  const FormListHold holdForms(*this);

  bool load = false;
  bool write = false;
  DWORD error = 0;
  if (mode == kConvert) {
    // Each buffer is looked at only as far as it is known to reach: the
    // input by its own size words, the output once the caller's size says
    // it holds a whole DEVMODE.
    if (in == nullptr || out == nullptr || size == nullptr || object->IsDriverDevmode(in) == 0) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    load = true;
    write = true;
  } else if (mode == kDriverDefault) {
    write = true;
  } else {
    SetLastError(callerError);
    return FALSE;
  }

  const LONG total = object->GetTotalSize();
  if (write && (size == nullptr || *size < total)) {
    if (size != nullptr) *size = total;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  if (mode == kConvert && object->IsDriverDevmode(out) == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }

  BOOL ok = OpenConversionPrinter(*this, printerName) ? TRUE : FALSE;
  if (ok && object->TakePrinterDevMode(GetPrinterHandle()) == 0) {
    GAttributeComposite* current = StoredDocumentSettings();
    MPersistentObject* pool = current != nullptr ? current->FindById(kWatermarkPool) : nullptr;
    if (StoreConversionDefaults(*this, printerName, pool) == 0) ok = FALSE;
  }
  if (ok && load && object->LoadFrom(in) == 0) {
    ok = FALSE;
    error = ERROR_INVALID_PARAMETER;
  }
  // Settings that do not fit the private area: no DEVMODE without them, and
  // a failure that says so.
  if (object->HasUnwrittenSettings() != 0) {
    ok = FALSE;
    if (error == 0) error = ERROR_NOT_ENOUGH_MEMORY;
  }
  if (ok && write && out != nullptr) {
    if (object->CopyTo(out) != 0) {
      *size = total;
    } else {
      ok = FALSE;
    }
  }

  if (GetCreationPrinterHandle() != nullptr) ClosePrinter(GetCreationPrinterHandle());
  SetCreationPrinterHandle(nullptr);
  SetDevModeState(-1);
  if (!ok) SetLastError(error != 0 ? error : callerError);
  return ok;
}
