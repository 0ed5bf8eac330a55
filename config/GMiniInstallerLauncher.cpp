#include "config/GMiniInstallerLauncher.h"

#include <new>
#include <string>

#include "driver/osfactry.h"
#include "win32/Module.h"
#include "win32/Spooler.h"

GMiniInstallerLauncher::GMiniInstallerLauncher(const RWWString& printerName, HANDLE printer)
    : GAgentLauncher(printerName, printer) {
  if (printer == nullptr) {
    HANDLE opened = nullptr;
    if (!printerName.IsEmpty() && OpenPrinterW(printerName.Data(), &opened, nullptr) && opened != nullptr) {
      SetPrinterHandle(opened);
      ownsHandle_ = 1;
    }
  }
  if (GetPrinterHandle() == nullptr) return;
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory == nullptr) return;
  const RWWString directory = factory->GetDriverDirectory();
  std::u16string path(directory.Data(), directory.Length());
  path += u"\\";
  path += kModuleName;
  SetModulePath(RWWString(path.data(), path.size()));
  StartIfRequested();
}

GMiniInstallerLauncher::~GMiniInstallerLauncher() {
  if (IsLoaded()) Stop();
  if (ownsHandle_ && GetPrinterHandle() != nullptr) {
    ClosePrinter(GetPrinterHandle());
    SetPrinterHandle(nullptr);
    ownsHandle_ = 0;
  }
  Unload();
}

int GMiniInstallerLauncher::Start() {
  if (GetModule() == nullptr) return -1;
  initialize_ = reinterpret_cast<InitializeProc>(GetProcAddress(GetModule(), "InitializeMiniInstaller"));
  if (initialize_ == nullptr) return -1;
  if (GetPrinterHandle() != nullptr) return initialize_(GetPrinterHandle(), nullptr, 1);
  return initialize_(nullptr, GetPrinterName().Data(), 1);
}

int GMiniInstallerLauncher::Stop() {
  if (!IsLoaded()) return -1;
  int result = -1;
  kill_ = reinterpret_cast<KillProc>(GetProcAddress(GetModule(), "KillMiniInstaller"));
  if (kill_ != nullptr && GetPrinterHandle() != nullptr) result = kill_(GetPrinterHandle(), nullptr, 1);
  if (GetModule() != nullptr) FreeLibrary(GetModule());
  SetModule(nullptr);
  SetLoaded(0);
  return result;
}

GExternalModule* NewMiniInstallerLauncher(const RWWString& printerName, HANDLE printer) {
  return new (std::nothrow) GMiniInstallerLauncher(printerName, printer);
}
