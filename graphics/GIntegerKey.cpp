#include "graphics/GIntegerKey.h"

GIntegerKey::~GIntegerKey() = default;

bool GIntegerKey::IsEqual(const GIntegerKey* other) const {
  return other != nullptr && (other == this || other->value_ == value_);
}
