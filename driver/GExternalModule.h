// GExternalModule: the base of the launchers of companion modules that work
// for one printer (the agent's mini-installer). It holds the printer's name
// and handle, the companion's path and module handle, and whether the
// companion was loaded and started. The driver core creates launchers
// through the platform factory, asks IsLoaded and deletes them; loading,
// starting and stopping belong to the derived launcher, which lives in a
// higher layer.
#pragma once

#include "rw/RWWString.h"
#include "win32/Types.h"

class GExternalModule {
 public:
  // Nothing loaded, no path, no module.
  GExternalModule(const RWWString& printerName, HANDLE printer);
  GExternalModule(const GExternalModule&) = delete;
  GExternalModule& operator=(const GExternalModule&) = delete;

  // Releases the two strings only: the derived launcher stops and unloads
  // its module in its own destructor.
  virtual ~GExternalModule();
  // Starts / stops the companion; the derived launcher's result codes.
  virtual int Start() = 0;
  virtual int Stop() = 0;

  // 1 after the companion was loaded and started.
  int IsLoaded() const { return loaded_; }

  const RWWString& GetPrinterName() const { return printerName_; }
  HANDLE GetPrinterHandle() const { return printer_; }
  const RWWString& GetModulePath() const { return modulePath_; }
  HMODULE GetModule() const { return module_; }

 protected:
  void SetPrinterHandle(HANDLE printer) { printer_ = printer; }
  void SetLoaded(int loaded) { loaded_ = loaded; }
  void SetModulePath(const RWWString& path) { modulePath_ = path; }
  void SetModule(HMODULE module) { module_ = module; }

 private:
  RWWString printerName_;
  HANDLE printer_;
  int loaded_;
  RWWString modulePath_;
  HMODULE module_;
};
