#include "ui/framework/GExtensionUIManager.h"

#include <string>

#include "driver/osfactry.h"
#include "ui/framework/GBuiltInExtensionManager.h"
#include "win32/Module.h"

namespace {

const char kBuiltInName[] = "GExtensionUIManager";

template <class F>
F Entry(HMODULE module, const char* name) {
  return reinterpret_cast<F>(GetProcAddress(module, name));
}

// The directory of this module's file with the name after it; empty when
// the module's path cannot be read.
std::u16string InModuleDirectory(const RWWString& name) {
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory == nullptr) return std::u16string();
  WCHAR path[260] = {};
  const DWORD length = GetModuleFileNameW(factory->GetModuleHandle(), path, 260);
  if (length == 0 || length >= 260) return std::u16string();
  std::u16string text(path, length);
  const size_t slash = text.find_last_of(u'\\');
  if (slash == std::u16string::npos) return std::u16string();
  return text.substr(0, slash + 1) + std::u16string(name.Data(), name.Length());
}

}  // namespace

GExtensionUIManager::GExtensionUIManager(const RWWString& name) { Load(name); }

GExtensionUIManager::~GExtensionUIManager() { Unload(); }

void GExtensionUIManager::Unload() {
  if (module_ != nullptr) FreeLibrary(module_);
  module_ = nullptr;
  delete builtIn_;
  builtIn_ = nullptr;
  interfaceVersion_ = 0;
  initialize_ = nullptr;
  destroy_ = nullptr;
  configToSettings_ = nullptr;
  settingsToConfig_ = nullptr;
}

int GExtensionUIManager::Load(const RWWString& name) {
  Unload();
  name_ = name;
  if (name.ToMultibyte() == RWCString(kBuiltInName)) {
    builtIn_ = new GBuiltInExtensionManager;
    return 1;
  }

  module_ = LoadLibraryW(name.Data());
  if (module_ == nullptr) {
    const std::u16string path = InModuleDirectory(name);
    if (!path.empty()) module_ = LoadLibraryW(path.c_str());
  }
  if (module_ == nullptr) return 0;

  auto version = Entry<InterfaceVersionProc>(module_, "UI_INTERFACEVERSION");
  if (version != nullptr) {
    interfaceVersion_ = version();
    if (interfaceVersion_ == kInterfaceVersion) {
      initialize_ = Entry<InitializeProc>(module_, "UI_INITIALIZE");
      destroy_ = Entry<DataProc>(module_, "UI_DESTROY");
      configToSettings_ = Entry<DataProc>(module_, "UI_CONFIGTOSETTINGS");
      settingsToConfig_ = Entry<DataProc>(module_, "UI_SETTINGSTOCONFIG");
      if (initialize_ != nullptr && destroy_ != nullptr && configToSettings_ != nullptr &&
          settingsToConfig_ != nullptr) {
        return 1;
      }
    }
  }
  Unload();
  return 0;
}

int GExtensionUIManager::IsLoaded() const { return module_ != nullptr || builtIn_ != nullptr ? 1 : 0; }

int16_t GExtensionUIManager::Initialize(GUIData* data, int16_t start) {
  if (builtIn_ != nullptr) return builtIn_->Initialize(data, start);
  return initialize_ != nullptr ? initialize_(data, start) : 0;
}

int16_t GExtensionUIManager::Destroy(GUIData* data) {
  if (builtIn_ != nullptr) return builtIn_->Destroy(data);
  return destroy_ != nullptr ? destroy_(data) : 0;
}

int16_t GExtensionUIManager::ConfigToSettings(GUIData* data) {
  if (builtIn_ != nullptr) return builtIn_->ConfigToSettings(data);
  return configToSettings_ != nullptr ? configToSettings_(data) : 0;
}
