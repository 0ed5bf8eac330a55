// GExtensionUIManager: one UI provider of a property sheet. A provider is a
// module that exports the private UI interface ("UI_INTERFACEVERSION" = 2,
// "UI_INITIALIZE", "UI_DESTROY", "UI_CONFIGTOSETTINGS",
// "UI_SETTINGSTOCONFIG"), loaded by name or from this module's directory.
// The name "GExtensionUIManager" selects the built-in host of driver
// extension pages (GBuiltInExtensionManager) without touching the file
// system.
#pragma once

#include <cstdint>

#include "rw/RWWString.h"
#include "win32/Types.h"

class GBuiltInExtensionManager;
struct GUIData;

class GExtensionUIManager {
 public:
  typedef int (*InterfaceVersionProc)();
  typedef int16_t (*InitializeProc)(GUIData* data, int16_t start);
  typedef int16_t (*DataProc)(GUIData* data);

  // The interface version a provider must answer.
  static constexpr int kInterfaceVersion = 2;

  explicit GExtensionUIManager(const RWWString& name);
  GExtensionUIManager(const GExtensionUIManager&) = delete;
  GExtensionUIManager& operator=(const GExtensionUIManager&) = delete;
  // Frees the module and deletes the built-in host.
  virtual ~GExtensionUIManager();

  // Unloads what is loaded and loads the provider; 1 on success.
  int Load(const RWWString& name);
  int IsLoaded() const;
  // The provider's entries; 0 when the entry is missing.
  int16_t Initialize(GUIData* data, int16_t start);
  int16_t Destroy(GUIData* data);
  int16_t ConfigToSettings(GUIData* data);

  const RWWString& GetName() const { return name_; }
  int GetInterfaceVersion() const { return interfaceVersion_; }
  // The built-in host when the name selected it, else null.
  GBuiltInExtensionManager* GetBuiltIn() const { return builtIn_; }

 private:
  void Unload();

  RWWString name_;
  HMODULE module_ = nullptr;
  GBuiltInExtensionManager* builtIn_ = nullptr;  // owned
  int interfaceVersion_ = 0;
  InitializeProc initialize_ = nullptr;
  DataProc destroy_ = nullptr;
  DataProc configToSettings_ = nullptr;
  DataProc settingsToConfig_ = nullptr;
};
