#include "graphics/GGeometryFilter.h"

#include "model/GCommandComposite.h"
#include "model/GGraphicBundle.h"
#include "model/GState.h"
#include "printpath/GNoCommand.h"

GGeometryFilter::GGeometryFilter(const int32_t* id) : GPeripheral(id) {}
GGeometryFilter::GGeometryFilter(const GGeometryFilter& other) = default;
GGeometryFilter& GGeometryFilter::operator=(const GGeometryFilter& other) {
  if (this != &other) {
    GPeripheral::operator=(other);
    transform_ = other.transform_;
  }
  return *this;
}
GGeometryFilter::~GGeometryFilter() = default;

int32_t GGeometryFilter::ReduceDegrees(int32_t degrees) {
  const int32_t reduced = degrees % 360;
  return reduced < 0 ? reduced + 360 : reduced;
}

GCountedPtr GGeometryFilter::PassTransform(GCommand* command) {
  GCountedPtr held(command);
  GState* settings = command != nullptr ? command->DetachSettings() : nullptr;
  if (settings == nullptr) return held;
  if (auto* own = dynamic_cast<GTransformAttribute*>(settings->RemoveChildByClass(GTransformAttributeClassId))) {
    GTransformAttribute composed;
    ComposeTransforms(composed, transform_, *own);
    *own = composed;
    settings->AddChild(own);
    // A command read from a page file goes back to it changed.
    command->SetModified(1);
  }
  command->SetSettings(settings);
  return held;
}

GTransformAttribute GGeometryFilter::FoldIntoPage(GState* settings, bool filterOutside) {
  if (settings == nullptr) return transform_;
  auto* own = dynamic_cast<GTransformAttribute*>(settings->FindByClass(GTransformAttributeClassId));
  if (own == nullptr) {
    settings->AddChild(new GTransformAttribute(transform_));
    return transform_;
  }
  GTransformAttribute composed;
  ComposeTransforms(composed, filterOutside ? transform_ : *own, filterOutside ? *own : transform_);
  GShortPoint offset;
  GRealPair scale;
  composed.GetOffset(offset);
  composed.GetScale(scale);
  own->SetRotation(composed.GetRotation());
  own->SetOffset(offset);
  own->SetScale(scale);
  return *own;
}

GCountedPtr GGeometryFilter::WithTransform(GCommand* command, const GTransformAttribute& transform) {
  auto* composite = new GCommandComposite;
  GCountedPtr result(composite);
  command->PinResources();
  composite->AddChild(command);
  auto* bundle = new GGraphicBundle;
  bundle->AddChild(new GTransformAttribute(transform));
  auto* carrier = new GNullCommand;
  carrier->SetSettings(bundle);
  composite->AddChild(carrier);
  return result;
}
