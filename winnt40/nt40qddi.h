// GNT40Driver: the per-printer driver object of the user-interface module.
// The NT 4.0 platform factory creates one for a printer key; the driver
// server fills it from the driver's data file, keeps it under a handle and
// hands it to every spooler entry point, which calls exactly one of its
// spooler operations.
//
// This is the object's frame: its identity (the key it was made for, the
// host module, the driver-server handle of the property sheets) and the
// spooler operations in their final form of call. The operations whose
// work belongs to the settings, property-sheet, capability and event
// services answer the failure result of their spooler interface until
// those services are built.
#pragma once

#include <cstdint>

#include "driver/GDriverInstance.h"
#include "rw/RWWString.h"
#include "win32/DriverUI.h"
#include "win32/Types.h"

class GNT40Driver : public GUIDriverInstance {
 public:
  // Keeps the printer handle and the three names; then the host-module check.
  GNT40Driver(HANDLE printer, const RWWString& printerName, const RWWString& driverName,
              const RWWString& portName);
  ~GNT40Driver() override;

  // ---- Spooler operations, one per entry point ----
  // Each answers its interface's failure result until its service is built:
  // -1 (GDI_ERROR, ERR_CPSUI_GETLASTERROR, DOCUMENTEVENT_FAILURE) or FALSE.
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

  // The printer name and the creation handle.
  virtual void GetKeyInfo(RWWString* printerName, HANDLE* printer, int* reserved);

  // ---- GDriverInstance ----
  // Host-module check: when the calling process's executable differs from
  // the one seen last, takes the process-wide application flags again.
  void RefreshAppFlags() override;
  void* GetRenderObject() override;
  // This object.
  void* GetDriverObject() override;
  GAttributeComposite* CreateDefaultSettings() override;
  GAttributeComposite* GetDocumentSettings() override;
  // Takes the key's handle and names.
  void Rebind(GPrinterKey* key) override;
  void Release() override;
  // A new key with the creation handle and the three names.
  GPrinterKey* GetPrinterKey() override;
  RWWString GetJobStorageKeyPath() override;
  GAttributeComposite* GetDevModeSettings() override;

  HANDLE GetCreationPrinterHandle() const { return printer_; }
  // The handle under which the property-sheet entry points opened this object.
  void SetServerHandle(int handle) { serverHandle_ = handle; }
  int GetServerHandle() const { return serverHandle_; }

 private:
  HANDLE printer_;
  WCHAR hostModule_[260] = {};
  int serverHandle_ = 0;
};

// The application flags read at module attach, which every driver object copies.
void SetProcessAppFlags(uint32_t flags);
uint32_t ProcessAppFlags();

// Lets the NT 4.0 platform factory create GNT40Driver objects (module start).
void InstallNT40Driver();
// Removes that again (module detach).
void RemoveNT40Driver();
