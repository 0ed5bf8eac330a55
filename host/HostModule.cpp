#include "host/HostModule.h"

#include <dlfcn.h>

#include <chrono>
#include <map>
#include <string>
#include <thread>

#include "resources/StringTable.h"
#include "win32/Module.h"

namespace {
using DllMainProc = BOOL (*)(HINSTANCE, DWORD, LPVOID);
constexpr DWORD kProcessDetach = 0;
constexpr DWORD kProcessAttach = 1;
constexpr const char16_t* kResourceModuleName = u"QVRS4700.DLL";

// The string ids the sample model's tray and bin mappings name.
std::map<UINT, std::u16string> FamilyStrings() {
  return {{1301, u"Tray 1"},   {1302, u"Tray 2"},   {1303, u"Tray 3"},
          {1305, u"Envelope Feeder"}, {1401, u"Top Bin"}, {1402, u"Rear Bin"}};
}
}  // namespace

bool HostModule::Open(const std::string& file, std::string* why) {
  w32test::ModuleSpec self;
  self.name = kModulePath;
  self.loadCount = 1;  // the reference the loader holds while the module is mapped
  self.strings = ModuleStringTable();
  instance_ = reinterpret_cast<HINSTANCE>(w32test::InstallModule(self));
  // The sample family's resource library beside it: the module's texts and
  // the names of the family's trays and bins.
  w32test::ModuleSpec resources;
  resources.name = kResourceModuleName;
  resources.path = std::u16string(kDriverDirectory) + u"\\" + kResourceModuleName;
  resources.strings = ModuleStringTable();
  for (const auto& [id, text] : FamilyStrings()) resources.strings[id] = text;
  w32test::InstallModule(resources);

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
