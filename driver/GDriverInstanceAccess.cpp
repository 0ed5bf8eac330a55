#include "driver/GDriverInstanceAccess.h"

#include <atomic>

namespace {

std::atomic<RWWString (*)(GDriverInstance*)> g_printerName{nullptr};
std::atomic<MPersistentObject* (*)(GDriverInstance*)> g_printerConfiguration{nullptr};

}  // namespace

void SetDriverInstanceAccess(const GDriverInstanceAccess& access) {
  g_printerName.store(access.printerName);
  g_printerConfiguration.store(access.printerConfiguration);
}

bool HasDriverInstanceAccess() {
  return g_printerName.load() != nullptr || g_printerConfiguration.load() != nullptr;
}

RWWString InstancePrinterName(GDriverInstance* instance) {
  auto accessor = g_printerName.load();
  if (instance == nullptr || accessor == nullptr) return RWWString();
  return accessor(instance);
}

MPersistentObject* InstancePrinterConfiguration(GDriverInstance* instance) {
  auto accessor = g_printerConfiguration.load();
  if (instance == nullptr || accessor == nullptr) return nullptr;
  return accessor(instance);
}
