#include "driver/GUIServices.h"

#include "driver/GUpwardServices.h"

GSheetBridge::~GSheetBridge() = default;

GTimedMessage::~GTimedMessage() = default;

GSheetBridge* CreateSheetBridge() {
  const GUIServices services = UpwardServices().ui;
  return services.createSheetBridge != nullptr ? services.createSheetBridge() : nullptr;
}

int LoadUIStringService(int id, RWWString* out) {
  const GUIServices services = UpwardServices().ui;
  if (services.loadUIString != nullptr) return services.loadUIString(id, out);
  if (out != nullptr) *out = RWWString();
  return 0;
}

GTimedMessage* CreateTimedMessage(int dialogId, int period, const RWWString& title, const RWWString& text1,
                                  const RWWString& text2, const RWWString& text3, const RWWString& text4) {
  const GUIServices services = UpwardServices().ui;
  if (services.createTimedMessage == nullptr) return nullptr;
  return services.createTimedMessage(dialogId, period, title, text1, text2, text3, text4);
}
