#include "driver/GSettingValue.h"

#include "model/GPersistableLong.h"
#include "model/GRangeAttribute.h"
#include "model/GSelectionString.h"
#include "model/GStringAttribute.h"
#include "model/GValue32Attribute.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentObject.h"

MPersistentObject* GSettingValue::Find(MPersistentObject* root, int32_t id) {
  return root != nullptr ? root->FindById(id) : nullptr;
}

bool GSettingValue::ValueOf(const MPersistentObject* object, int32_t* value) {
  if (object == nullptr) return false;
  if (auto* v = dynamic_cast<const GValueAttribute*>(object)) {
    *value = v->GetValue();
  } else if (auto* r = dynamic_cast<const GRangeAttribute*>(object)) {
    *value = r->GetValue();
  } else if (auto* v32 = dynamic_cast<const GValue32Attribute*>(object)) {
    *value = v32->GetValue();
  } else if (auto* l = dynamic_cast<const GPersistableLong*>(object)) {
    *value = l->GetValue();
  } else {
    return false;
  }
  return true;
}

bool GSettingValue::Get(MPersistentObject* root, int32_t id, int32_t* value) {
  return ValueOf(Find(root, id), value);
}

bool GSettingValue::Get16(MPersistentObject* root, int32_t id, int16_t* value) {
  int32_t v = 0;
  if (!Get(root, id, &v)) return false;
  *value = static_cast<int16_t>(v);
  return true;
}

int32_t GSettingValue::GetOr(MPersistentObject* root, int32_t id, int32_t fallback) {
  int32_t v = 0;
  return Get(root, id, &v) ? v : fallback;
}

bool GSettingValue::SetObject(MPersistentObject* object, int16_t value) {
  if (auto* v = dynamic_cast<GValueAttribute*>(object)) {
    v->SetValue(value);
    return true;
  }
  if (auto* r = dynamic_cast<GRangeAttribute*>(object)) {
    r->SetValue(value);
    return true;
  }
  return false;
}

bool GSettingValue::Set(MPersistentObject* root, int32_t id, int16_t value) {
  return SetObject(Find(root, id), value);
}

bool GSettingValue::TextOf(const MPersistentObject* object, RWCString* text) {
  if (auto* s = dynamic_cast<const GStringAttribute*>(object)) {
    *text = s->GetString();
    return true;
  }
  if (auto* s = dynamic_cast<const GSelectionString*>(object)) {
    *text = s->GetText();
    return true;
  }
  return false;
}

bool GSettingValue::GetText(MPersistentObject* root, int32_t id, RWCString* text) {
  return TextOf(Find(root, id), text);
}

bool GSettingValue::SetText(MPersistentObject* root, int32_t id, const RWCString& text) {
  auto* s = dynamic_cast<GStringAttribute*>(Find(root, id));
  if (s == nullptr) return false;
  s->SetString(text);
  return true;
}
