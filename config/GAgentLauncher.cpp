#include "config/GAgentLauncher.h"

#include <string>

#include "driver/osfactry.h"
#include "win32/Module.h"

namespace {

constexpr DWORD kRequestMissing = 0xFFFFFFFFu;
constexpr DWORD kLaunchRequested = 1;

}  // namespace

GAgentLauncher::GAgentLauncher(const RWWString& printerName, HANDLE printer) : GExternalModule(printerName, printer) {}

GAgentLauncher::~GAgentLauncher() = default;

int GAgentLauncher::IsBlocked() { return 0; }

int GAgentLauncher::SetPending(int) { return 1; }

RWWString GAgentLauncher::PrinterDataKey(const RWWString& printerName) {
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory == nullptr || printerName.IsEmpty()) return RWWString();
  std::u16string name(printerName.Data(), printerName.Length());
  std::u16string key = kPrintersKey + name;
  if (!factory->MachineKeyExists(RWWString(key.data(), key.size()))) {
    // The registry keeps a connection ("\\server\printer") under its name
    // with the backslashes turned into commas.
    for (char16_t& c : name)
      if (c == u'\\') c = u',';
    key = kPrintersKey + name;
    if (!factory->MachineKeyExists(RWWString(key.data(), key.size()))) return RWWString();
  }
  key += u"\\PrinterDriverData";
  return RWWString(key.data(), key.size());
}

void GAgentLauncher::StartIfRequested() {
  GOSFactory* factory = GOSFactory::GetInstance();
  const RWWString key = PrinterDataKey(GetPrinterName());
  if (factory == nullptr || key.IsEmpty()) return;
  const RWWString name(kRequestValueName);
  DWORD request = factory->ReadMachineDword(key, name, kRequestMissing);
  if (request == kRequestMissing) {
    // A printer that never asked: the value is created cleared, and the
    // helper is started this once.
    factory->CreateMachineDwordIfMissing(key, name, 0);
    request = kLaunchRequested;
  }
  if (request != kLaunchRequested || IsBlocked() != 0) return;
  SetPending(1);
  if (LoadAndStart()) {
    SetLoaded(1);
  } else {
    SetPending(0);
    SetLoaded(0);
  }
}

int GAgentLauncher::LoadAndStart() {
  HMODULE module = LoadLibraryW(GetModulePath().Data());
  if (module == nullptr) return 0;
  SetModule(module);
  const int started = Start();
  if (started == 0 || started == 1) return 1;
  FreeLibrary(module);
  SetModule(nullptr);
  return 0;
}

void GAgentLauncher::Unload() {
  if (!IsLoaded()) return;
  if (GetModule() != nullptr) FreeLibrary(GetModule());
  SetModule(nullptr);
  SetLoaded(0);
}
