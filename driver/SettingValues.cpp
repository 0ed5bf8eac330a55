#include "driver/SettingValues.h"

#include "model/GPersistableLong.h"
#include "model/GRangeAttribute.h"
#include "model/GStringAttribute.h"
#include "model/GValue32Attribute.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentObject.h"

MPersistentObject* FindSetting(MPersistentObject* tree, int32_t id) {
  return tree != nullptr ? tree->FindById(id) : nullptr;
}

MPersistentObject* FindSettingIn(MPersistentObject* tree, int32_t group, int32_t id) {
  return FindSetting(FindSetting(tree, group), id);
}

bool SettingNumber(const MPersistentObject* object, int32_t* out) {
  if (auto* value = dynamic_cast<const GValueAttribute*>(object)) {
    *out = value->GetValue();
  } else if (auto* range = dynamic_cast<const GRangeAttribute*>(object)) {
    *out = range->GetValue();
  } else if (auto* value32 = dynamic_cast<const GValue32Attribute*>(object)) {
    *out = value32->GetValue();
  } else if (auto* number = dynamic_cast<const GPersistableLong*>(object)) {
    *out = number->GetValue();
  } else {
    return false;
  }
  return true;
}

int32_t SettingNumberOr(MPersistentObject* tree, int32_t id, int32_t fallback) {
  int32_t value = fallback;
  return SettingNumber(FindSetting(tree, id), &value) ? value : fallback;
}

bool SettingText(const MPersistentObject* object, RWCString* out) {
  auto* text = dynamic_cast<const GStringAttribute*>(object);
  if (text == nullptr) return false;
  *out = text->GetString();
  return true;
}
