#include "graphics/GTransformAttribute.h"

#include <cmath>
#include <limits>

#include "model/GPeripheral.h"
#include "rw/RWMembers.h"

namespace {

// The scaled offset as a 16-bit coordinate: truncated toward zero; what
// lies beyond 16 bits (or is not a number) is held at the nearest end
// rather than wrapped to the other side of the page.
int16_t ScaledOffset(int16_t offset, float scale) {
  const float product = std::trunc(static_cast<float>(offset) * scale);
  if (std::isnan(product)) return 0;
  if (product >= static_cast<float>(std::numeric_limits<int16_t>::max())) return std::numeric_limits<int16_t>::max();
  if (product <= static_cast<float>(std::numeric_limits<int16_t>::min())) return std::numeric_limits<int16_t>::min();
  return static_cast<int16_t>(product);
}

}  // namespace

GTransformAttribute::GTransformAttribute() : rotation_(0), scale_(1.0f, 1.0f) {}

GTransformAttribute::GTransformAttribute(int16_t rotation, const GShortPoint& offset, const GRealPair& scale)
    : rotation_(rotation), offset_(offset), scale_(scale) {}

GTransformAttribute::GTransformAttribute(const GTransformAttribute& other) = default;
GTransformAttribute& GTransformAttribute::operator=(const GTransformAttribute& other) = default;
GTransformAttribute::~GTransformAttribute() = default;

QV_PERSISTENT_KIND_DEFINE(GTransformAttribute, GAttribute, GTransformAttributeClassId)

int GTransformAttribute::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* transform = dynamic_cast<const GTransformAttribute*>(other);
  if (transform == nullptr || transform->ClassId() != ClassId() || !GAttribute::Matches(other)) return 0;
  return transform->rotation_ == rotation_ && transform->scale_ == scale_ && transform->offset_ == offset_;
}

int16_t GTransformAttribute::ApplyTo(GPeripheral* receiver) {
  return receiver != nullptr ? receiver->SetTransform(this) : 0;
}

template <typename Archive>
void GTransformAttribute::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive(rotation_, offset_.x, offset_.y, scale_.x, scale_.y);
}

RW_STORED_MEMBERS_DEFINE(GTransformAttribute, GAttribute)

GTransformAttribute& ComposeTransforms(GTransformAttribute& result, const GTransformAttribute& outer,
                                       const GTransformAttribute& inner) {
  GShortPoint outerOffset, innerOffset;
  GRealPair outerScale, innerScale;
  outer.GetOffset(outerOffset);
  outer.GetScale(outerScale);
  inner.GetOffset(innerOffset);
  inner.GetScale(innerScale);
  const GShortPoint offset(static_cast<int16_t>(outerOffset.x + ScaledOffset(innerOffset.x, outerScale.x)),
                           static_cast<int16_t>(outerOffset.y + ScaledOffset(innerOffset.y, outerScale.y)));
  const GRealPair scale(innerScale.x * outerScale.x, innerScale.y * outerScale.y);
  const auto rotation = static_cast<int16_t>(inner.GetRotation() + outer.GetRotation());
  result = GTransformAttribute(rotation, offset, scale);
  return result;
}

RWCollectable* GTransformAttributeCreate() { return new GTransformAttribute; }
