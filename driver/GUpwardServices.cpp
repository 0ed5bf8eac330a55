#include "driver/GUpwardServices.h"

#include <mutex>

namespace {

// The record is read far more often than it is installed; every read takes
// a copy under the lock and calls the service outside it, so a service may
// itself read the record.
std::mutex& RecordLock() {
  static std::mutex lock;
  return lock;
}

GUpwardServices& Installed() {
  static GUpwardServices record;
  return record;
}

}  // namespace

GUpwardServices InstallUpwardServices(const GUpwardServices& services) {
  std::lock_guard<std::mutex> hold(RecordLock());
  GUpwardServices previous = Installed();
  Installed() = services;
  return previous;
}

GUpwardServices UpwardServices() {
  std::lock_guard<std::mutex> hold(RecordLock());
  return Installed();
}

void WithdrawFactory(const GOSFactory* factory) {
  std::lock_guard<std::mutex> hold(RecordLock());
  if (factory != nullptr && Installed().factory == factory) Installed().factory = nullptr;
}
