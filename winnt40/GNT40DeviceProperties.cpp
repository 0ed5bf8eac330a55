// The driver object's device property sheet (DrvDevicePropertySheets): the
// printer-wide sheet with the installable options, opened from the
// printers folder. Opening it marks the printer's data ("ExportConfig") and
// keeps the installable options as they were ("PhySetting"); an OK with the
// right to change the printer stores the settings, ends the configuration
// export, stamps a change of the installable options, writes the printer's
// DEVMODE and tells the directory service that the printer changed.
#include <memory>
#include <new>

#include "driver/GUIServices.h"
#include "driver/osfactry.h"
#include "model/GAttributeComposite.h"
#include "model/GFeatureIds.h"
#include "win32/CompStui.h"
#include "win32/DriverUI.h"
#include "win32/Spooler.h"
#include "winnt40/GNT40PrinterEvents.h"
#include "winnt40/nt40qddi.h"

namespace {

// The sheet value of the device sheet.
constexpr int kDeviceSheet = 4;
// DEVICEPROPERTYHEADER flag: the caller may not change the printer.
constexpr WORD kNoPermission = 1;  // DPS_NOPERMISSION
// Header flags (PSUIHDRF_NOAPPLYNOW | PSUIHDRF_PROPTITLE) and the sheet's icon.
constexpr WORD kHeaderFlags = 6;
constexpr ULONG_PTR kDeviceSheetIcon = 64082;
// Directory-service state that is left alone: the printer is not published.
constexpr DWORD kNotPublished = 4;
// Room a PRINTER_INFO_7 may ask for: the record and its object's GUID text.
constexpr DWORD kDirectoryInfoLimit = 4096;

const WCHAR* const kExportConfig = u"ExportConfig";
const WCHAR* const kPhySetting = u"PhySetting";

GOSFactory* Factory() { return GOSFactory::GetInstance(); }

// PROPSHEETUI_REASON_INIT: the printer's DEVMODE, the request and the
// bridge; the marker and the installable options as the sheet opens them.
LONG OpenDeviceSheet(GNT40Driver& driver, PROPSHEETUI_INFO* info, const DEVICEPROPERTYHEADER* header) {
  driver.LoadDevMode(nullptr);
  const int flags = (header->Flags & kNoPermission) != 0 ? GUIAccess::kNoPrinterChanges : GUIAccess::kChangesAllowed;
  const int16_t count = driver.OpenPropertySheet(info, kDeviceSheet, flags);
  info->Result = 0;
  // A sheet without pages is no sheet: the common UI is told so, and the
  // printer's data keeps no marker of a sheet that never opened.
  if (count <= 0) return 0;

  GOSFactory* factory = Factory();
  if (factory != nullptr) factory->SetPrinterDataDword(&driver, kExportConfig, 1);
  SheetRequest* request = driver.GetSheetRequest();
  GAttributeComposite* settings = request != nullptr ? request->settings : nullptr;
  MPersistentObject* options = settings != nullptr ? settings->FindById(GFeatureIds::kInstallableOptions) : nullptr;
  if (options != nullptr) driver.StoreStoredObject(RWWString(kPhySetting), options);
  return 1;
}

// Tells the directory service that the printer's settings changed, under
// an administrative handle of its own; a printer that is not published is
// left alone, as is one whose state cannot be read.
void UpdateDirectoryEntry(GNT40Driver& driver) {
  if (driver.GetAdminPrinterHandle() != nullptr || driver.OpenAdminPrinterHandle() == 0) return;
  driver.SetUseAdminHandle(1);
  HANDLE printer = driver.GetPrinterHandle();

  DWORD needed = 0;
  std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[sizeof(PRINTER_INFO_7W)]);
  bool read = buffer != nullptr && GetPrinterW(printer, 7, buffer.get(), sizeof(PRINTER_INFO_7W), &needed) != FALSE;
  if (!read && buffer != nullptr && needed > sizeof(PRINTER_INFO_7W) && needed <= kDirectoryInfoLimit) {
    buffer.reset(new (std::nothrow) BYTE[needed]);
    read = buffer != nullptr && GetPrinterW(printer, 7, buffer.get(), needed, &needed) != FALSE;
  }
  if (read) {
    const DWORD action = reinterpret_cast<const PRINTER_INFO_7W*>(buffer.get())->dwAction;
    // A publication still on its way is not overtaken either.
    if (action != kNotPublished && (action & DSPRINT_PENDING) == 0) {
      PRINTER_INFO_7W update{nullptr, DSPRINT_UPDATE};
      SetPrinterW(printer, 7, reinterpret_cast<LPBYTE>(&update), 0);
    }
  }
  driver.SetUseAdminHandle(0);
  driver.CloseAdminPrinterHandle();
}

// PROPSHEETUI_REASON_SET_RESULT with OK and the right to change the
// printer.
void ApplyDeviceSheet(GNT40Driver& driver) {
  SheetRequest* request = driver.GetSheetRequest();
  GAttributeComposite* settings = request != nullptr ? request->settings : nullptr;
  if (settings == nullptr || driver.SaveSettings(settings, 1) == 0) return;

  driver.EndConfigurationExport(settings, RWWString(kExportConfig));
  // The installable options differ from those the sheet opened with: the
  // user configured the printer.
  MPersistentObject* options = settings->FindById(GFeatureIds::kInstallableOptions);
  if (options != nullptr && driver.IsPhySettingCurrent(options) == 0) {
    GNT40PrinterEvents(&driver).WriteUpdateStamp(GNT40PrinterEvents::UpdateDateText(), RWWString(u"User"));
  }
  driver.StoreDevModeInPrinter();
  UpdateDirectoryEntry(driver);
}

}  // namespace

LONG GNT40Driver::DevicePropertySheets(PROPSHEETUI_INFO* info, LPARAM lParam) {
  if (info == nullptr) return -1;
  auto* header = reinterpret_cast<DEVICEPROPERTYHEADER*>(info->lParamInit);
  if (header == nullptr) return -1;

  switch (info->Reason) {
    case PROPSHEETUI_REASON_INIT:
      return OpenDeviceSheet(*this, info, header);
    case PROPSHEETUI_REASON_GET_INFO_HEADER: {
      auto* sheetHeader = reinterpret_cast<PROPSHEETUI_INFO_HEADER*>(lParam);
      if (sheetHeader == nullptr) return 0;
      sheetHeader->Flags = kHeaderFlags;
      // The name lives in this object, which outlives the sheet.
      sheetHeader->pTitle = const_cast<LPWSTR>(GetPrinterName().Data());
      GOSFactory* factory = Factory();
      sheetHeader->hInst = factory != nullptr ? factory->GetModuleHandle() : nullptr;
      sheetHeader->IconID = kDeviceSheetIcon;
      return 1;
    }
    case PROPSHEETUI_REASON_DESTROY:
      ClosePropertySheet();
      return 1;
    case PROPSHEETUI_REASON_SET_RESULT: {
      auto* result = reinterpret_cast<SETRESULT_INFO*>(lParam);
      if (result == nullptr) return 0;
      SheetRequest* request = GetSheetRequest();
      if (result->Result == CPSUI_OK && request != nullptr &&
          (request->accessFlags & GUIAccess::kNoPrinterChanges) == 0) {
        ApplyDeviceSheet(*this);
      }
      info->Result = static_cast<ULONG_PTR>(result->Result);
      return 1;
    }
    default:
      return 0;
  }
}
