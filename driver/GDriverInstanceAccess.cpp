#include "driver/GDriverInstanceAccess.h"

#include "driver/GDriverInstance.h"
#include "model/GAttributeComposite.h"
#include "model/GConfiguration.h"

RWWString InstancePrinterName(GDriverInstance* instance) {
  if (instance == nullptr) return RWWString();
  const auto accessor = UpwardServices().instance.printerName;
  return accessor != nullptr ? accessor(instance) : instance->GetPrinterName();
}

MPersistentObject* InstancePrinterConfiguration(GDriverInstance* instance) {
  if (instance == nullptr) return nullptr;
  const auto accessor = UpwardServices().instance.printerConfiguration;
  if (accessor != nullptr) return accessor(instance);
  return instance->GetPrinterConfiguration();
}

MPersistentObject* InstanceDefaultSettings(GDriverInstance* instance) {
  if (instance == nullptr) return nullptr;
  const auto accessor = UpwardServices().instance.createDefaultSettings;
  if (accessor != nullptr) return accessor(instance);
  return instance->CreateDefaultSettings();
}
