// The driver object's printer-level spooler operations: printer events
// (set-up of a new printer, font files of connections), the upgrade from an
// older driver and the check whether a job can print with its DEVMODE.
#include <atomic>
#include <memory>
#include <vector>

#include "driver/GExternalModule.h"
#include "driver/GUpwardServices.h"
#include "driver/osfactry.h"
#include "model/GAttributeComposite.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GRangeAttribute.h"
#include "model/GSettingQuery.h"
#include "model/GValueAttribute.h"
#include "win32/CompStui.h"
#include "win32/DevMode.h"
#include "win32/Kernel.h"
#include "win32/Module.h"
#include "win32/Spooler.h"
#include "winnt40/GNT40PrinterDevMode.h"
#include "winnt40/GNT40PrinterEvents.h"
#include "winnt40/GNT40PrinterSetup.h"
#include "winnt40/nt40qddi.h"

using namespace GFeatureIds;

namespace {

// Access asked for the printer while it is set up or upgraded.
constexpr DWORD kSetUpAccess = 0x000F000C;
// Pause between closing and reopening the printer during the set-up.
constexpr DWORD kSetUpPause = 3000;


HANDLE OpenForSetUp(const RWWString& name) {
  HANDLE printer = nullptr;
  PRINTER_DEFAULTSW defaults{nullptr, nullptr, kSetUpAccess};
  if (name.IsEmpty() || !OpenPrinterW(name.Data(), &printer, &defaults)) return nullptr;
  return printer;
}

}  // namespace

GAttributeComposite* GNT40Driver::CurrentDocumentSettings() {
  if (StoredDocumentSettings() == nullptr || (GetDevModeState() & kRebuildSettings) != 0)
    SetStoredDocumentSettings(GetDocumentSettings());
  return StoredDocumentSettings();
}

// ---- Printer events ----

BOOL GNT40Driver::PrinterEvent(LPWSTR printerName, INT event, DWORD, LPARAM) {
  const RWWString name = printerName != nullptr ? RWWString(printerName) : RWWString();
  if (event == kPrinterEventInitialize) return SetUpPrinter(name);
  return GNT40PrinterEvents(this).HandleEvent(name, event);
}

BOOL GNT40Driver::SetUpPrinter(const RWWString& name) {
  // The set-up works under a handle of its own in place of the creation
  // handle, which is given back at the end.
  const HANDLE previous = printer_;
  printer_ = OpenForSetUp(name);
  if (printer_ == nullptr) {
    printer_ = previous;
    return FALSE;
  }
  GNT40PrinterSetup setup(this, printer_);
  GNT40PrinterEvents events(this);
  setup.RegisterDimmFonts();

  BOOL result = FALSE;
  if (LoadDevMode(nullptr)) {
    GAttributeComposite* settings = CurrentDocumentSettings();
    setup.CreateDefaultWatermarks(settings);
    MPersistentObject* setUpGroup = settings != nullptr ? settings->FindById(kDocumentSettings2) : nullptr;
    // The agent's mini-installer runs, when asked for, while the
    // auto-configuration asks the agent; deleting the launcher stops it.
    const bool installerWanted =
        GSettingQuery::NumberOr(setUpGroup, kAgentUpdate, 0, GSettingQuery::kValueOrRange) == 1;
    std::unique_ptr<GExternalModule> installer;
    if (installerWanted) {
      if (GOSFactory* factory = GOSFactory::GetInstance())
        installer.reset(factory->CreateMiniInstallerLauncher(name, printer_, nullptr));
    }
    if (GSettingQuery::NumberOr(setUpGroup, kAutoConfigure, 0, GSettingQuery::kValueOrRange) == 1)
      RunAutoConfiguration(0);

    const RWWString date = GNT40PrinterEvents::UpdateDateText();
    events.WriteUpdateStamp(date, RWWString(u"Default"));
    MPersistentObject* autoConfiguration =
        GetPrinterConfiguration() != nullptr ? GetPrinterConfiguration()->FindById(kAutoConfiguration) : nullptr;
    const int32_t state =
        GSettingQuery::NumberOr(autoConfiguration, kAutoConfigurationState, -1, GSettingQuery::kValueOrRange);
    if (GOSFactory* factory = GOSFactory::GetInstance()) {
      if (state == 2) {
        factory->SetPrinterDataString(this, RWWString(u"EACLastUpdate"), date);
        factory->SetPrinterDataString(this, RWWString(u"LastUpdateType"), RWWString(u"Auto"));
      } else if (state == 0 && installerWanted && (installer == nullptr || !installer->IsLoaded())) {
        // The installer was asked for but never ran.
        factory->SetPrinterDataString(this, RWWString(u"EACLastUpdate"), RWWString(u"ERROR"));
      }
    }
    installer.reset();
    SaveSettings(settings, 1);
    int16_t resolution[2] = {0, 0};
    int32_t orientation = 0;
    if (GNT40PrinterDevMode* devMode = GetDevModeObject()) {
      if (const DEVMODEW* dm = devMode->GetBuffer()) {
        orientation = dm->dmOrientation == DMORIENT_PORTRAIT ? 0 : 90;
        resolution[0] = dm->dmPrintQuality;
        resolution[1] = dm->dmYResolution;
      }
    }
    setup.InstallForms(orientation, resolution);
    result = TRUE;
  }
  events.WritePrinterUuid();

  ClosePrinter(printer_);
  printer_ = nullptr;
  Sleep(kSetUpPause);
  printer_ = OpenForSetUp(name);
  if (printer_ == nullptr) {
    printer_ = previous;
    return result;
  }
  // A printer whose defaults come from the configuration library takes them
  // now, before its settings are stored.
  if (GAttributeComposite* settings = CurrentDocumentSettings()) {
    if (GSettingQuery::NumberOr(settings, kConfigurationLibrary, 0, GSettingQuery::kValueOrRange) == 1) {
      if (GOSFactory* factory = GOSFactory::GetInstance()) {
        factory->SetPrinterDataString(this, RWWString(u"Stale"), RWWString(u"FALSE"));
      }
      const GNT40DocumentServices services = UpwardServices().documents;
      if (services.update != nullptr) services.update(settings, this, name, 0);
    }
  }
  if (GAttributeComposite* settings = CurrentDocumentSettings()) {
    if (SaveSettings(settings, 1)) StoreDevModeInPrinter();
  }
  ClosePrinter(printer_);
  printer_ = previous;
  return result;
}

// ---- Upgrade ----

BOOL GNT40Driver::UpgradePrinter(DWORD level, DRIVER_UPGRADE_INFO_1* info) {
  const int migrated = GNT40PrinterEvents(this).MigrateStoredSettings();
  if (level != 1 || info == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  BOOL result = FALSE;
  const RWWString name = info->pPrinterName != nullptr ? RWWString(info->pPrinterName) : RWWString();
  const HANDLE previous = printer_;
  printer_ = OpenForSetUp(name);
  if (printer_ == nullptr) {
    printer_ = previous;
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // A new DEVMODE object for the opened printer.
  DeleteDevModeObject();
  const bool usable = LoadDevMode(nullptr) != 0 && IsDefaultsLoaded() == 0;
  if (usable || migrated) {
    result = TRUE;
  } else {
    DWORD needed = 0;
    GetPrinterW(printer_, 2, nullptr, 0, &needed);
    std::vector<BYTE> info2(needed);
    const bool haveInfo = needed >= sizeof(PRINTER_INFO_2W) &&
                          GetPrinterW(printer_, 2, info2.data(), needed, &needed) != FALSE;
    GAttributeComposite* defaults = CreateDefaultSettings();
    if (defaults != nullptr) SaveSettings(defaults, 1);
    delete defaults;
    const DEVMODEW* stored = haveInfo ? reinterpret_cast<PRINTER_INFO_2W*>(info2.data())->pDevMode : nullptr;
    if (stored != nullptr && GetDevModeObject() != nullptr) GetDevModeObject()->LoadFrom(stored);
  }
  ClosePrinter(printer_);
  printer_ = previous;
  return result;
}

// ---- DevQueryPrintEx ----

BOOL GNT40Driver::DevQueryPrintEx(DEVQUERYPRINT_INFO* info) {
  if (info == nullptr || info->cbSize != sizeof(DEVQUERYPRINT_INFO) || info->Level != 1 || info->hPrinter == nullptr)
    return FALSE;
  if (info->pDevMode == nullptr) return TRUE;
  if (!LoadDevMode(nullptr)) return FALSE;
  GAttributeComposite* settings = CurrentDocumentSettings();
  GNT40PrinterDevMode* devMode = GetDevModeObject();
  if (settings == nullptr || devMode == nullptr) return FALSE;
  ApplyDocumentSettings(nullptr);
  uint32_t rejected = 0;
  if (devMode->Validate(nullptr, info->pDevMode, 0, &rejected)) return TRUE;

  const UINT id = GNT40PrinterEvents::MessageForRejectedFields(rejected);
  const RWWString path = GetResourceModulePath();
  HMODULE resources = path.IsEmpty() ? nullptr : LoadLibraryW(path.Data());
  GNT40PrinterEvents::ReportMessage(resources, id, info->pszErrorStr, info->cchErrorStr, &info->cchNeeded);
  if (resources != nullptr) FreeLibrary(resources);
  return FALSE;
}

// ---- Device sheet from the printers folder ----

BOOL GNT40Driver::PrinterProperties(HWND window, HANDLE printer) {
  const PFNPROPSHEETUI entry = UpwardServices().devicePropertySheets;
  if (entry == nullptr) return FALSE;
  DEVICEPROPERTYHEADER header{};
  header.cbSize = sizeof(DEVICEPROPERTYHEADER);
  header.Flags = 0;
  header.hPrinter = printer;
  header.pszPrinterName = nullptr;
  DWORD result = 1;
  // A sheet that could not run leaves the result as it was: only a run that
  // succeeded answers with its result.
  const LONG run = CommonPropertySheetUIW(window, entry, reinterpret_cast<LPARAM>(&header), &result);
  return run > 0 && result != 0 ? TRUE : FALSE;
}
