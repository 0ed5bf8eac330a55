#include "host/HostModule.h"

#include <dlfcn.h>

#include <chrono>
#include <thread>

#include "resources/StringTable.h"
#include "win32/Module.h"

namespace {
using DllMainProc = BOOL (*)(HINSTANCE, DWORD, LPVOID);
constexpr DWORD kProcessDetach = 0;
constexpr DWORD kProcessAttach = 1;
}  // namespace

bool HostModule::Open(const std::string& file, std::string* why) {
  w32test::ModuleSpec self;
  self.name = kModulePath;
  self.loadCount = 1;  // the reference the loader holds while the module is mapped
  self.strings = ModuleStringTable();
  instance_ = reinterpret_cast<HINSTANCE>(w32test::InstallModule(self));

  library_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library_ == nullptr) {
    const char* error = dlerror();
    *why = "cannot load the module " + file + ": " + (error != nullptr ? error : "unknown error");
    return false;
  }
  auto dllMain = Entry<DllMainProc>("DllMain");
  if (dllMain == nullptr) {
    *why = "the module " + file + " has no DllMain";
    return false;
  }
  if (!dllMain(instance_, kProcessAttach, nullptr)) {
    *why = "the module " + file + " refused to attach";
    return false;
  }
  attached_ = true;
  return true;
}

void HostModule::Detach() {
  if (attached_) Entry<DllMainProc>("DllMain")(instance_, kProcessDetach, nullptr);
  attached_ = false;
}

void HostModule::Close() {
  Detach();
  if (library_ != nullptr) {
    // The keeper thread gives its reference back within a period or two.
    for (int i = 0; i < 1000 && w32test::ModuleLoadCount(kModulePath) > 1; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (library_ != nullptr) {
    dlclose(library_);
    library_ = nullptr;
  }
}

void* HostModule::Symbol(const char* name) const { return library_ != nullptr ? dlsym(library_, name) : nullptr; }
