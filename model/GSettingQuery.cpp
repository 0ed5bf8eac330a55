#include "model/GSettingQuery.h"

#include "model/GEnumAttribute.h"
#include "model/GPersistableLong.h"
#include "model/GRangeAttribute.h"
#include "model/GSelectionString.h"
#include "model/GStringAttribute.h"
#include "model/GValue32Attribute.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentObject.h"

namespace GSettingQuery {

namespace {

// The object an enumeration stands for (its selection, followed through
// nested enumerations), or the object itself; null when the chain is too
// deep or ends without a selection.
const MPersistentObject* Resolve(const MPersistentObject* object, Classes accepted) {
  if ((accepted & kEnumSelection) == 0) return object;
  for (int depth = 0; object != nullptr; ++depth) {
    auto* enumeration = dynamic_cast<const GEnumAttribute*>(object);
    if (enumeration == nullptr) return object;
    if (depth >= kEnumDepth) return nullptr;
    object = enumeration->GetSelected();
  }
  return nullptr;
}

}  // namespace

MPersistentObject* Find(MPersistentObject* root, int32_t id) { return root != nullptr ? root->FindById(id) : nullptr; }

MPersistentObject* FindPath(MPersistentObject* root, std::initializer_list<int32_t> path) {
  for (int32_t id : path) root = Find(root, id);
  return root;
}

bool Number(const MPersistentObject* object, int32_t* out, Classes accepted) {
  object = Resolve(object, accepted);
  if (object == nullptr) return false;
  if (auto* value = dynamic_cast<const GValueAttribute*>(object); value != nullptr && (accepted & kValue) != 0) {
    *out = value->GetValue();
  } else if (auto* range = dynamic_cast<const GRangeAttribute*>(object); range != nullptr && (accepted & kRange) != 0) {
    *out = range->GetValue();
  } else if (auto* value32 = dynamic_cast<const GValue32Attribute*>(object);
             value32 != nullptr && (accepted & kValue32) != 0) {
    *out = value32->GetValue();
  } else if (auto* number = dynamic_cast<const GPersistableLong*>(object);
             number != nullptr && (accepted & kLong) != 0) {
    *out = number->GetValue();
  } else if (auto* selection = dynamic_cast<const GSelectionString*>(object);
             selection != nullptr && (accepted & kSelection) != 0) {
    *out = selection->GetValue();
  } else {
    return false;
  }
  return true;
}

bool NumberAt(MPersistentObject* root, int32_t id, int32_t* out, Classes accepted) {
  return Number(Find(root, id), out, accepted);
}

int32_t NumberOr(MPersistentObject* root, int32_t id, int32_t fallback, Classes accepted) {
  int32_t value = fallback;
  return NumberAt(root, id, &value, accepted) ? value : fallback;
}

bool Short(const MPersistentObject* object, int16_t* out, Classes accepted) {
  int32_t number = 0;
  if (!Number(object, &number, accepted)) return false;
  *out = static_cast<int16_t>(number);
  return true;
}

bool ShortAt(MPersistentObject* root, int32_t id, int16_t* out, Classes accepted) {
  return Short(Find(root, id), out, accepted);
}

int16_t ShortOr(MPersistentObject* root, int32_t id, int16_t fallback, Classes accepted) {
  int16_t value = fallback;
  return ShortAt(root, id, &value, accepted) ? value : fallback;
}

bool Text(const MPersistentObject* object, RWCString* out, Classes accepted) {
  object = Resolve(object, accepted);
  if (object == nullptr) return false;
  if (auto* text = dynamic_cast<const GStringAttribute*>(object); text != nullptr && (accepted & kString) != 0) {
    *out = text->GetString();
  } else if (auto* selection = dynamic_cast<const GSelectionString*>(object);
             selection != nullptr && (accepted & kSelection) != 0) {
    *out = selection->GetText();
  } else {
    return false;
  }
  return true;
}

bool TextAt(MPersistentObject* root, int32_t id, RWCString* out, Classes accepted) {
  return Text(Find(root, id), out, accepted);
}

}  // namespace GSettingQuery
