// The entry points the spooler, the graphics engine and the common
// property-sheet UI call. Each is a thin stub: mark the module used,
// describe the printer by a key, obtain the printer's driver object from the
// driver server, call exactly one of its operations and give it back.
#include <new>

#include "driver/GDriverExtension.h"
#include "driver/GModuleKeeper.h"
#include "driver/drvrsrvr.h"
#include "model/GStringConversion.h"
#include "module/GPrinterHandleTable.h"
#include "module/ModuleState.h"
#include "rw/RWCString.h"
#include "ui/framework/GAboutFeature.h"
#include "ui/framework/GPropertyPage.h"
#include "ui/pages/UIProvider.h"
#include "win32/DriverUI.h"
#include "win32/Kernel.h"
#include "winnt40/nt40qddi.h"

namespace {

// Document events.
constexpr INT kCreateDcPre = 1;
constexpr INT kDeleteDc = 10;
constexpr INT kDocumentEventFailure = -1;

RWWString NameOf(const WCHAR* text) { return text != nullptr ? RWWString(text) : RWWString(); }

// Opens the printer's driver object; null when there is none.
GNT40Driver* OpenDriver(HANDLE printer, const RWWString& name, int* handle) {
  GDriverServer* server = qvmodule::Server();
  if (server == nullptr) return nullptr;
  auto* key = new (std::nothrow) GPrinterKey(printer, name, 0);
  if (key == nullptr) return nullptr;
  return static_cast<GNT40Driver*>(server->OpenDriver(key, handle));
}

void CloseDriver(int handle) {
  if (GDriverServer* server = qvmodule::Server()) server->CloseDriver(handle);
}

// The common stub: open, one operation, close. Without a driver object the
// result is `missing`.
template <class Result, class Operation>
Result WithDriver(HANDLE printer, const RWWString& name, Result missing, Operation operation) {
  int handle = 0;
  GNT40Driver* driver = OpenDriver(printer, name, &handle);
  if (driver == nullptr) return missing;
  const Result result = operation(driver);
  CloseDriver(handle);
  return result;
}

}  // namespace

QV_EXPORT LONG DrvDeviceCapabilities(HANDLE printer, LPWSTR deviceName, WORD capability, LPVOID output,
                                     DEVMODEW* devMode) {
  qvmodule::Keeper().Touch();
  return WithDriver<LONG>(printer, NameOf(deviceName), 0, [&](GNT40Driver* driver) {
    return driver->DeviceCapabilities(printer, deviceName, capability, output, devMode);
  });
}

QV_EXPORT LONG DrvDocumentProperties(HWND window, HANDLE printer, LPWSTR deviceName, DEVMODEW* out, DEVMODEW* in,
                                     DWORD mode) {
  qvmodule::Keeper().Touch();
  return WithDriver<LONG>(printer, NameOf(deviceName), 0, [&](GNT40Driver* driver) {
    return driver->DocumentProperties(window, printer, deviceName, out, in, mode);
  });
}

QV_EXPORT LONG DrvAdvancedDocumentProperties(HWND window, HANDLE printer, LPWSTR deviceName, DEVMODEW* out,
                                             DEVMODEW* in) {
  qvmodule::Keeper().Touch();
  return WithDriver<LONG>(printer, NameOf(deviceName), 0, [&](GNT40Driver* driver) {
    return driver->AdvancedDocumentProperties(window, printer, deviceName, out, in);
  });
}

QV_EXPORT BOOL PrinterProperties(HWND window, HANDLE printer) {
  qvmodule::Keeper().Touch();
  return WithDriver<BOOL>(printer, RWWString(), 0,
                          [&](GNT40Driver* driver) { return driver->PrinterProperties(window, printer); });
}

QV_EXPORT BOOL DrvConvertDevMode(LPWSTR printerName, DEVMODEW* in, DEVMODEW* out, LONG* size, DWORD mode) {
  qvmodule::Keeper().Touch();
  // Opening the driver object reads printer data, which leaves size-probe
  // codes in the last error; the conversion sets its own error, and a mode
  // it does not serve leaves the caller's untouched.
  const DWORD callerError = GetLastError();
  return WithDriver<BOOL>(nullptr, NameOf(printerName), 0, [&](GNT40Driver* driver) {
    SetLastError(callerError);
    return driver->ConvertDevMode(printerName, in, out, size, mode);
  });
}

QV_EXPORT BOOL DevQueryPrintEx(DEVQUERYPRINT_INFO* info) {
  qvmodule::Keeper().Touch();
  if (info == nullptr) return 0;
  return WithDriver<BOOL>(info->hPrinter, RWWString(), 0,
                          [&](GNT40Driver* driver) { return driver->DevQueryPrintEx(info); });
}

QV_EXPORT BOOL DrvUpgradePrinter(DWORD level, DRIVER_UPGRADE_INFO_1* info) {
  qvmodule::Keeper().Touch();
  if (level != 1 || info == nullptr || info->pPrinterName == nullptr || info->pOldDriverDirectory == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return WithDriver<BOOL>(nullptr, NameOf(info->pPrinterName), 0,
                          [&](GNT40Driver* driver) { return driver->UpgradePrinter(level, info); });
}

QV_EXPORT BOOL DrvPrinterEvent(LPWSTR printerName, INT event, DWORD flags, LPARAM lParam) {
  qvmodule::Keeper().Touch();
  return WithDriver<BOOL>(nullptr, NameOf(printerName), 0, [&](GNT40Driver* driver) {
    return driver->PrinterEvent(printerName, event, flags, lParam);
  });
}

QV_EXPORT DWORD QVDrv_RegisterExtension(LPCSTR printerName, LPVOID, LPCSTR extensionModule, int remove) {
  RWWString name;
  if (printerName != nullptr) ToWideString(RWCString(printerName), name);
  return WithDriver<DWORD>(nullptr, name, 1, [&](GNT40Driver* driver) {
    GDriverInstance* instance = driver;
    return static_cast<DWORD>(static_cast<uint16_t>(instance->RegisterExtension(extensionModule, remove)));
  });
}

// ---- Callbacks of driver extensions at print time ----

QV_EXPORT SHORT QVDrv_GetValue(INT valueId, SHORT* out, LPVOID context) {
  return DriverGetValue(valueId, out, context);
}

QV_EXPORT SHORT QVDrv_GetExtSettings(LPSTR buffer, UINT length, LPCSTR extensionId, LPVOID context) {
  return DriverGetExtSettings(buffer, length, extensionId, context);
}

QV_EXPORT SHORT QVDrv_SetExtSettings(LPCSTR buffer, UINT length, LPCSTR extensionId, LPVOID context) {
  return DriverSetExtSettings(buffer, length, extensionId, context);
}

// ---- Property sheets ----
//
// The common UI calls a sheet's entry point once per reason. The driver
// object opened at the first call (PROPSHEETUI_REASON_INIT) travels in the
// call record's UserData, its server handle in the object itself, until the
// last call (PROPSHEETUI_REASON_DESTROY) gives it back.

namespace {

template <class Operation>
LONG SheetLifeCycle(PROPSHEETUI_INFO* info, HANDLE printer, Operation operation) {
  GNT40Driver* driver = nullptr;
  if (info->Reason == PROPSHEETUI_REASON_INIT) {
    int handle = 0;
    driver = OpenDriver(printer, RWWString(), &handle);
    if (driver == nullptr) return 0;
    driver->SetServerHandle(handle);
    info->UserData = reinterpret_cast<ULONG_PTR>(driver);
  } else {
    driver = reinterpret_cast<GNT40Driver*>(info->UserData);
    if (driver == nullptr) return 0;
  }
  const LONG result = operation(driver);
  if (info->Reason == PROPSHEETUI_REASON_DESTROY) {
    CloseDriver(driver->GetServerHandle());
    // The object now belongs to the server again (and may be reused for
    // another printer): the record must not lead to it any more.
    info->UserData = 0;
  }
  return result;
}

}  // namespace

QV_EXPORT LONG DrvDocumentPropertySheets(PROPSHEETUI_INFO* info, LPARAM lParam) {
  qvmodule::Keeper().Touch();
  auto* header = reinterpret_cast<DOCUMENTPROPERTYHEADER*>(info != nullptr ? info->lParamInit : lParam);
  if (header == nullptr) return -1;
  if (info == nullptr) {
    return WithDriver<LONG>(header->hPrinter, RWWString(), 0, [&](GNT40Driver* driver) {
      return driver->DocumentPropertySheets(nullptr, lParam);
    });
  }
  return SheetLifeCycle(info, header->hPrinter,
                        [&](GNT40Driver* driver) { return driver->DocumentPropertySheets(info, lParam); });
}

QV_EXPORT LONG DrvDevicePropertySheets(PROPSHEETUI_INFO* info, LPARAM lParam) {
  qvmodule::Keeper().Touch();
  if (info == nullptr) return -1;
  auto* header = reinterpret_cast<DEVICEPROPERTYHEADER*>(info->lParamInit);
  if (header == nullptr) return -1;
  return SheetLifeCycle(info, header->hPrinter,
                        [&](GNT40Driver* driver) { return driver->DevicePropertySheets(info, lParam); });
}

// The window procedure of every property page the module fills.
QV_EXPORT INT_PTR PropertyPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return GPropertyPage::PropertyPageProc(window, message, wParam, lParam);
}

// The dialog procedure of the "About This Driver" dialog.
QV_EXPORT INT_PTR AboutBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return GAboutFeature::AboutBoxProc(window, message, wParam, lParam);
}

// ---- The private UI interface: the module is a UI provider of its own ----

QV_EXPORT int UI_INTERFACEVERSION() { return UIInterfaceVersion(); }

QV_EXPORT SHORT UI_INITIALIZE(GUIData* data, SHORT start) { return UIInitialize(data, start); }

QV_EXPORT SHORT UI_DESTROY(GUIData* data) { return UIDestroy(data); }

QV_EXPORT SHORT UI_CONFIGTOSETTINGS(GUIData* data) { return UIConfigToSettings(data); }

QV_EXPORT SHORT UI_SETTINGSTOCONFIG(GUIData* data) { return UISettingsToConfig(data); }

// ---- Document events ----

QV_EXPORT INT DrvDocumentEvent(HANDLE printer, HDC dc, INT event, ULONG inSize, LPVOID in, ULONG outSize,
                               LPVOID out) {
  qvmodule::Keeper().Touch();
  GDriverServer* server = qvmodule::Server();
  GPrinterHandleTable* table = qvmodule::PrinterHandles();
  if (server == nullptr || table == nullptr) return kDocumentEventFailure;

  GNT40Driver* driver = nullptr;
  if (event == kCreateDcPre) {
    int handle = 0;
    driver = OpenDriver(printer, RWWString(), &handle);
    if (driver == nullptr) return kDocumentEventFailure;
    int replaced = 0;
    const int put = table->Put(printer, handle, &replaced);
    if (put < 0) {
      CloseDriver(handle);
      return kDocumentEventFailure;
    }
    // A second create-DC-pre for the same printer handle takes the entry
    // over; the handle it held is closed rather than leaked.
    if (put == 1) CloseDriver(replaced);
    qvmodule::Keeper().SetDocumentActive(1);
  } else {
    int handle = 0;
    if (table->Find(printer, &handle) == 0) return kDocumentEventFailure;
    driver = static_cast<GNT40Driver*>(server->FindDriver(handle));
    if (driver == nullptr) return kDocumentEventFailure;
  }

  const INT result = driver->DocumentEvent(printer, dc, event, inSize, in, outSize, out);

  // A create-DC-pre that did not succeed gets no delete-DC from the graphics
  // engine: its entry goes now.
  if ((event == kCreateDcPre && result <= 0) || event == kDeleteDc) {
    int handle = 0;
    uint32_t remaining = 0;
    // Only the handle actually taken out of the table is closed, so two
    // calls racing for one entry cannot close it twice.
    if (table->Remove(printer, &handle, &remaining) != 0) {
      CloseDriver(handle);
      if (remaining == 0) qvmodule::Keeper().SetDocumentActive(0);
    }
  }
  return result;
}
