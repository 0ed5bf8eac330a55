#include "driver/GUIServices.h"

#include <mutex>

namespace {

std::mutex& ServicesMutex() {
  static std::mutex mutex;
  return mutex;
}

GUIServices& Services() {
  static GUIServices services;
  return services;
}

GUIServices Snapshot() {
  std::lock_guard<std::mutex> lock(ServicesMutex());
  return Services();
}

}  // namespace

GSheetBridge::~GSheetBridge() = default;

GTimedMessage::~GTimedMessage() = default;

void SetUIServices(const GUIServices& services) {
  std::lock_guard<std::mutex> lock(ServicesMutex());
  Services() = services;
}

const GUIServices& GetUIServices() {
  std::lock_guard<std::mutex> lock(ServicesMutex());
  return Services();
}

GSheetBridge* CreateSheetBridge() {
  const GUIServices services = Snapshot();
  return services.createSheetBridge != nullptr ? services.createSheetBridge() : nullptr;
}

int LoadUIStringService(int id, RWWString* out) {
  const GUIServices services = Snapshot();
  if (services.loadUIString != nullptr) return services.loadUIString(id, out);
  if (out != nullptr) *out = RWWString();
  return 0;
}

GTimedMessage* CreateTimedMessage(int dialogId, int period, const RWWString& title, const RWWString& text1,
                                  const RWWString& text2, const RWWString& text3, const RWWString& text4) {
  const GUIServices services = Snapshot();
  if (services.createTimedMessage == nullptr) return nullptr;
  return services.createTimedMessage(dialogId, period, title, text1, text2, text3, text4);
}
