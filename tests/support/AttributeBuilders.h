// Builders of the small settings trees the tests make: a value, a text and
// a group of children under a feature id, each new and owned by the caller
// (or by the group it is added to).
#pragma once

#include <cstdint>
#include <initializer_list>

#include "model/GAttributeComposite.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"

namespace qvtest {

inline GValueAttribute* Value(int32_t id, int16_t value) { return new GValueAttribute(value, &id); }
inline GStringAttribute* Text(int32_t id, const char* text) { return new GStringAttribute(text, &id); }
inline GAttributeComposite* Group(int32_t id, std::initializer_list<MPersistentObject*> children = {}) {
  auto* group = new GAttributeComposite(&id);
  for (MPersistentObject* child : children) group->AddChild(child);
  return group;
}

}  // namespace qvtest
