// GNT40Driver: the per-printer driver object of the user-interface module.
// The NT 4.0 platform factory creates one for a printer key; the driver
// server fills it from the driver's data file, keeps it under a handle and
// hands it to every spooler entry point, which calls exactly one of its
// spooler operations. The object joins the driver instance (names, device
// model, document settings, paper and tray services), the settings base
// (the DEVMODE object, the stored setting groups and the spooler forms) and
// its own operations: the printer's location, the administrative printer
// handle, writing the DEVMODE into the printer, the help file and the
// overrides of the driver instance (auto-configuration, rebinding to another
// printer, extension registration).
//
// The document operations, the device sheet and the capability handlers
// are defined in GNT40DocumentProperties.cpp, GNT40DeviceProperties.cpp and
// GNT40DeviceCapabilities.cpp.
#pragma once

#include <cstdint>
#include <memory>

#include "driver/GDriverInstance.h"
#include "driver/GUpwardServices.h"
#include "rw/RWWString.h"
#include "win32/DevMode.h"
#include "win32/DriverUI.h"
#include "win32/Types.h"
#include "winnt40/GNT40DriverSettings.h"
#include "winnt40/GNT40PaperList.h"

class GNT40DocumentEventHost;
class GSheetBridge;
struct SheetRequest;

class GNT40Driver : public GUIDriverInstance, public GNT40DriverSettings {
 public:
  // Access asked for the administrative printer handle.
  static constexpr DWORD kAdminAccess = 0x000F000C;
  // Characters of the paths read with GetModuleFileNameW.
  static constexpr DWORD kPathLength = 260;
  // Characters of a paper's display name.
  static constexpr int kDisplayNameChars = 256;

  // Keeps the printer handle and the three names; then the host-module check.
  GNT40Driver(HANDLE printer, const RWWString& printerName, const RWWString& driverName,
              const RWWString& portName);
  // Closes the administrative handle and frees what the object owns.
  ~GNT40Driver() override;

  // ---- Overrides of GUIDriverInstance ----
  // PRINTER_INFO_2.pLocation ("" when null); out unchanged when the printer
  // cannot be queried.
  void GetPrinterLocation(RWWString& out) override;
  RWWString GetJobDisplayName() override;

  // ---- Spooler operations, one per entry point ----
  virtual LONG DeviceCapabilities(HANDLE printer, LPWSTR deviceName, WORD capability, LPVOID output,
                                  DEVMODEW* devMode);
  virtual LONG DocumentProperties(HWND window, HANDLE printer, LPWSTR deviceName, DEVMODEW* out, DEVMODEW* in,
                                  DWORD mode);
  virtual LONG DocumentPropertySheets(PROPSHEETUI_INFO* info, LPARAM lParam);
  virtual LONG AdvancedDocumentProperties(HWND window, HANDLE printer, LPWSTR deviceName, DEVMODEW* out,
                                          DEVMODEW* in);
  virtual BOOL ConvertDevMode(LPWSTR printerName, DEVMODEW* in, DEVMODEW* out, LONG* size, DWORD mode);
  virtual LONG DevicePropertySheets(PROPSHEETUI_INFO* info, LPARAM lParam);
  virtual BOOL PrinterProperties(HWND window, HANDLE printer);
  virtual BOOL DevQueryPrintEx(DEVQUERYPRINT_INFO* info);
  virtual BOOL UpgradePrinter(DWORD level, DRIVER_UPGRADE_INFO_1* info);
  virtual BOOL PrinterEvent(LPWSTR printerName, INT event, DWORD flags, LPARAM lParam);
  virtual INT DocumentEvent(HANDLE printer, HDC dc, INT event, ULONG inSize, LPVOID in, ULONG outSize, LPVOID out);

  // ---- Document operations (GNT40DocumentProperties.cpp) ----
  // DEVMODE in and out without a sheet, for a DOCUMENTPROPERTYHEADER.
  virtual LONG DocumentPropertiesWorker(DOCUMENTPROPERTYHEADER* header);
  // Builds the header; with DM_PROMPT runs the document sheet, else the
  // worker.
  virtual LONG DocumentPropertiesWithHeader(HWND window, HANDLE printer, LPWSTR deviceName, DEVMODEW* out,
                                            DEVMODEW* in, DWORD mode);
  // The request of a document sheet with a copy of the document settings
  // (owned by the request); null when the settings cannot be made.
  virtual SheetRequest* CreateSheetRequest();
  virtual void FreeSheetRequest(SheetRequest* request);

  // ---- Steps both property sheets share (GNT40DocumentProperties.cpp) ----
  // Closes a sheet left open, then builds the request and the bridge for
  // the common UI's call (its host handle and callback), with the sheet
  // value and access flags, and opens the sheet: the bridge's page count.
  // 0 when the request or the bridge cannot be made (nothing is kept then).
  int16_t OpenPropertySheet(PROPSHEETUI_INFO* info, int sheetKind, int accessFlags);
  // Closes the open sheet, deletes the bridge and frees the request.
  void ClosePropertySheet();
  // After an OK that stored the settings: when they use the configuration
  // library (1100 is 1) and the printer-data DWORD `marker` is set, the
  // shell's sheet restores the factory contexts; the marker becomes 0.
  void EndConfigurationExport(GAttributeComposite* settings, const RWWString& marker);

  // ---- Capability handlers (GNT40DeviceCapabilities.cpp), slot order ----
  // Each writes into output only when it is given; the result is the
  // capability's answer.
  virtual LONG CapBinNames(void* output);
  virtual LONG CapBins(void* output);
  virtual LONG CapCopies();
  virtual LONG CapDriver();
  virtual LONG CapDuplex();
  virtual LONG CapEnumResolutions(void* output);
  virtual LONG CapExtra();
  virtual LONG CapFields();
  virtual LONG CapFileDependencies(void* output);
  virtual void CapMaxExtent(LONG* out);
  virtual void CapMinExtent(LONG* out);
  virtual LONG CapOrientation();
  virtual LONG CapPaperNames(void* output);
  virtual LONG CapPapers(void* output);
  virtual LONG CapPaperSize(void* output);
  virtual LONG CapSize();
  virtual LONG CapTrueType();
  virtual LONG CapVersion();
  virtual LONG CapOther(WORD capability, void* output);
  virtual LONG CapCollate();
  virtual LONG CapPrivate(void* output);
  // Rebuilds the paper list and copies the parts asked for (names of 64
  // characters, WORD numbers, POINT sizes); the count, -1 when empty.
  virtual LONG BuildPaperList(void* names, void* numbers, void* sizes);
  virtual LONG CapColorDevice();
  virtual LONG CapNup(void* output);
  virtual LONG CapStaple();
  virtual LONG CapPrinterMem();
  virtual LONG CapPrintRate();
  virtual LONG CapPrintRatePpm();
  virtual LONG CapPrintRateUnit();
  virtual LONG CapPersonality(void* output);
  virtual LONG CapMediaReady(void* output);

  // The printer name, the creation handle and 0.
  virtual void GetKeyInfo(RWWString* printerName, HANDLE* printer, int* reserved);
  // Configuration string 374 with this module's directory in front; the
  // configuration string alone when the module's path has no directory.
  virtual void GetHelpFileName(RWWString& out);

  // ---- Administrative printer handle ----
  // Opens the printer with PRINTER_ALL_ACCESS (closing an open one first);
  // 1 on success, else 0 with the handle null.
  virtual int OpenAdminPrinterHandle();
  // Closes it and stops using it; 1.
  virtual int CloseAdminPrinterHandle();
  // The use flag becomes (flag == 1); a request for 1 is ignored while the
  // administrative handle is closed.
  virtual void SetUseAdminHandle(int flag);
  // 1 when printer data can be written, retrying with the administrative
  // handle (which then stays in use).
  virtual int CanWritePrinterData();
  // Writes the DEVMODE object's buffer as the printer's default DEVMODE
  // (SetPrinterW level 2); its result, 0 without handle or buffer.
  virtual int StoreDevModeInPrinter();

  // ---- Overrides of GDriverInstance ----
  // Host-module check: when the calling process's executable differs from
  // the one seen last, the application flags are taken again.
  void RefreshAppFlags() override;
  void* GetRenderObject() override;
  // This object.
  void* GetDriverObject() override;
  // The base query first; when it answers nothing (and not forced), the
  // UI providers take the configuration into the settings.
  int16_t RunAutoConfiguration(int forced) override;
  // Takes the key's handle and names; a new printer name drops the DEVMODE
  // object.
  void Rebind(GPrinterKey* key) override;
  void Release() override;
  // A new key with the creation handle and the three names (caller owns it).
  GPrinterKey* GetPrinterKey() override;
  // Registers or removes a driver extension and stores the result as the
  // printer's default DEVMODE.
  int16_t RegisterExtension(const char* name, int remove) override;

  // ---- GSpoolerFormServices ----
  // The administrative handle while in use, else the creation handle.
  HANDLE GetPrinterHandle() override;
  // PaperIdToDmPaper, where a device paper without a DMPAPER number also
  // matches a user or printer form that carries the paper's display name.
  int MatchPaperByName(int16_t paperId, int16_t* spoolerPaper) override;

  // ---- Plain accessors ----
  HANDLE GetCreationPrinterHandle() const { return printer_; }
  // DrvConvertDevMode works on a printer it opens by name.
  void SetCreationPrinterHandle(HANDLE printer) { printer_ = printer; }
  HANDLE GetAdminPrinterHandle() const { return adminPrinter_; }
  int IsUsingAdminHandle() const { return useAdmin_; }
  // The handle under which the property-sheet entry points opened this object.
  void SetServerHandle(int handle) { serverHandle_ = handle; }
  int GetServerHandle() const { return serverHandle_; }
  void SetJobDisplayName(const RWWString& name) { jobDisplayName_ = name; }
  // The sheet open on this object (owned while it is open), and its bridge.
  SheetRequest* GetSheetRequest() const { return sheetRequest_; }
  void SetSheetRequest(SheetRequest* request) { sheetRequest_ = request; }
  GSheetBridge* GetSheetBridge() const { return bridge_; }
  // Takes the bridge over, deleting the one held before.
  void SetSheetBridge(GSheetBridge* bridge);

 protected:
  // The capability handlers' instance document settings, rebuilt when the
  // DEVMODE changed (always: on every call).
  GAttributeComposite* RefreshDocumentSettings(int always);

  // The capability handlers' paper list (owned).
  GNT40PaperList paperList_;
  // STARTPAGE events of the current document; the watermark mode and gray
  // flag of the document.
  int pageCounter_ = 0;
  int watermarkMode_ = 0;
  int watermarkGray_ = 0;

 private:
  // The host-module check; 1 when the flags were taken again.
  int CheckHostModule();
  // PRINTER_EVENT_INITIALIZE: sets the new printer up.
  BOOL SetUpPrinter(const RWWString& printerName);
  // The document settings, rebuilt when missing or when the DEVMODE object
  // asks for it.
  GAttributeComposite* CurrentDocumentSettings();

  HANDLE printer_;
  HANDLE adminPrinter_ = nullptr;
  int useAdmin_ = 0;
  WCHAR hostModule_[kPathLength] = {};
  RWWString jobDisplayName_;
  SheetRequest* sheetRequest_ = nullptr;
  GSheetBridge* bridge_ = nullptr;
  int serverHandle_ = 0;
  // The document events' state, made at the first event; the host reads and
  // rebuilds the settings the object holds.
  friend class GNT40DocumentEventHost;
  std::unique_ptr<GNT40DocumentEventHost> documentEvents_;
};

// The hooks by which the NT 4.0 platform factory creates GNT40Driver
// objects and reaches their printer handle and key, for the upward
// services. PrinterProperties runs the upward services'
// devicePropertySheets as the sheet function.
GNT40DriverHooks NT40DriverHooks();

// Stands in for the common property sheet's host function when the driver
// opens a sheet by itself: it answers its third argument (exported).
extern "C" ULONG NonPropPageSheet(void* sheet, UINT function, LPARAM lParam1, LPARAM lParam2);
