#include "driver/GSettingValue.h"

#include "model/GRangeAttribute.h"
#include "model/GSettingQuery.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentObject.h"

MPersistentObject* GSettingValue::Find(MPersistentObject* root, int32_t id) { return GSettingQuery::Find(root, id); }

bool GSettingValue::ValueOf(const MPersistentObject* object, int32_t* value) {
  return GSettingQuery::Number(object, value, GSettingQuery::kAnyNumber);
}

bool GSettingValue::Get(MPersistentObject* root, int32_t id, int32_t* value) {
  return GSettingQuery::NumberAt(root, id, value, GSettingQuery::kAnyNumber);
}

bool GSettingValue::Get16(MPersistentObject* root, int32_t id, int16_t* value) {
  int32_t v = 0;
  if (!Get(root, id, &v)) return false;
  *value = static_cast<int16_t>(v);
  return true;
}

int32_t GSettingValue::GetOr(MPersistentObject* root, int32_t id, int32_t fallback) {
  return GSettingQuery::NumberOr(root, id, fallback, GSettingQuery::kAnyNumber);
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
  return GSettingQuery::Text(object, text, GSettingQuery::kAnyText);
}

bool GSettingValue::GetText(MPersistentObject* root, int32_t id, RWCString* text) {
  return GSettingQuery::TextAt(root, id, text, GSettingQuery::kAnyText);
}

bool GSettingValue::SetText(MPersistentObject* root, int32_t id, const RWCString& text) {
  auto* s = dynamic_cast<GStringAttribute*>(Find(root, id));
  if (s == nullptr) return false;
  s->SetString(text);
  return true;
}
