#include "graphics/GPathGraphic.h"

#include <algorithm>

#include "graphics/GShapeGraphic.h"
#include "model/GPeripheral.h"
#include "model/MPersistentIterator.h"
#include "rw/RWMembers.h"

GPathGraphic::GPathGraphic() = default;
GPathGraphic::GPathGraphic(GState* settings, const int32_t* id) : GGraphicComposite(settings, id) {}
GPathGraphic::GPathGraphic(const GPathGraphic& other) = default;
GPathGraphic::~GPathGraphic() = default;

QV_PERSISTENT_KIND_DEFINE(GPathGraphic, GGraphicComposite, GPathGraphicClassId)

int GPathGraphic::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* path = dynamic_cast<const GPathGraphic*>(other);
  if (path == nullptr || path->ClassId() != ClassId() || path->closed_ != closed_) return 0;
  return GGraphicComposite::Matches(other);
}

MPersistentComposite* GPathGraphic::AsComposite() { return nullptr; }

MPersistentIterator* GPathGraphic::CreateIterator() { return new MPersistentNullIterator; }

MPersistentObject* GPathGraphic::FindById(const int32_t& id) { return MPersistentObject::FindById(id); }
MPersistentObject* GPathGraphic::FindByClass(const RWClassID& classId) {
  return MPersistentObject::FindByClass(classId);
}
MPersistentObject* GPathGraphic::FindMatch(const MPersistentObject* other) {
  return MPersistentObject::FindMatch(other);
}
MPersistentObject* GPathGraphic::FindByKind(const RWClassID& classId) { return MPersistentObject::FindByKind(classId); }
MPersistentComposite* GPathGraphic::CollectByClass(const RWClassID& classId, MPersistentComposite* into) {
  return MPersistentObject::CollectByClass(classId, into);
}
MPersistentComposite* GPathGraphic::CollectById(const int32_t& id, MPersistentComposite* into) {
  return MPersistentObject::CollectById(id, into);
}
MPersistentComposite* GPathGraphic::SelectById(const int32_t& id) { return MPersistentObject::SelectById(id); }
MPersistentComposite* GPathGraphic::SelectByClass(const RWClassID& classId) {
  return MPersistentObject::SelectByClass(classId);
}
MPersistentComposite* GPathGraphic::CollectByKind(const RWClassID& classId, MPersistentComposite* into) {
  return MPersistentObject::CollectByKind(classId, into);
}
MPersistentComposite* GPathGraphic::SelectByKind(const RWClassID& classId) {
  return MPersistentObject::SelectByKind(classId);
}

int16_t GPathGraphic::Dispatch(GPeripheral* peripheral) {
  return peripheral != nullptr ? peripheral->DrawPath(this) : kNoReceiver;
}

// A path cannot hold itself (the composite refuses it and a restore cannot
// refer back to an ancestor), so the walk ends.
GRect GPathGraphic::GetBounds() const {
  GRect result;
  bool any = false;
  for (size_t i = 0; i < MemberCount(); ++i) {
    GGraphic* piece = MemberAt(i);
    GRect box;
    if (auto* shape = dynamic_cast<GShapeGraphic*>(piece); shape != nullptr && shape->DerivesFrom(GShapeGraphicClassId))
      box = shape->GetBounds();
    else if (auto* path = dynamic_cast<GPathGraphic*>(piece); path != nullptr && path->DerivesFrom(GPathGraphicClassId))
      box = path->GetBounds();
    else
      continue;
    if (!any) {
      result = box;
      any = true;
      continue;
    }
    result.left = std::min(result.left, box.left);
    result.top = std::min(result.top, box.top);
    result.right = std::max(result.right, box.right);
    result.bottom = std::max(result.bottom, box.bottom);
  }
  return result;
}

template <typename Archive>
void GPathGraphic::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive(closed_);
}

RW_STORED_MEMBERS_DEFINE(GPathGraphic, GGraphicComposite)

RWCollectable* GPathGraphicCreate() { return new GPathGraphic; }
