// GMiniInstallerLauncher: loads the network registry agent's mini-installer
// ("QVBMINI.DLL" in the driver's directory) for one printer when the printer
// asks for it, starts it with "InitializeMiniInstaller" and stops it with
// "KillMiniInstaller" when the launcher is deleted. The platform factory
// hands it out; the printer set-up asks IsLoaded, runs the auto-configuration
// while the installer runs, and deletes it.
#pragma once

#include "config/GAgentLauncher.h"
#include "rw/RWWString.h"
#include "win32/Types.h"

class GMiniInstallerLauncher : public GAgentLauncher {
 public:
  // The mini-installer's entry points (C calling convention).
  using InitializeProc = int (*)(HANDLE printer, const WCHAR* printerName, int mode);
  using KillProc = int (*)(HANDLE printer, const WCHAR* printerName, int mode);

  // Opens the printer when no handle is given (the launcher then closes it
  // again); without a handle nothing is loaded. Otherwise the module path is
  // the driver directory's "QVBMINI.DLL" and the installer is started when
  // the printer asks for it.
  GMiniInstallerLauncher(const RWWString& printerName, HANDLE printer);
  // Stops the installer when it runs, closes a handle the launcher opened,
  // and unloads.
  ~GMiniInstallerLauncher() override;

  // "InitializeMiniInstaller" as (handle, null, 1), or (null, printer name,
  // 1) without a handle: its result; -1 when the entry is missing.
  int Start() override;
  // -1 when nothing is loaded. Otherwise "KillMiniInstaller" as (handle,
  // null, 1) when the entry and a handle exist (its result, else -1); the
  // module is freed either way.
  int Stop() override;

  int OwnsPrinterHandle() const { return ownsHandle_; }

  static constexpr const char16_t* kModuleName = u"QVBMINI.DLL";

 private:
  InitializeProc initialize_ = nullptr;
  KillProc kill_ = nullptr;
  int ownsHandle_ = 0;
};

// The launcher as the platform factory's creator hands it out; null when
// it cannot be made.
GExternalModule* NewMiniInstallerLauncher(const RWWString& printerName, HANDLE printer);
