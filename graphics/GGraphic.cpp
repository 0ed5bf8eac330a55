#include "graphics/GGraphic.h"

#include <unordered_set>
#include <vector>

#include "model/GAttribute.h"
#include "model/GCommandComposite.h"
#include "model/GGraphicBundle.h"
#include "model/GPeripheral.h"
#include "model/GState.h"
#include "model/MPersistentIterator.h"
#include "model/MStoredMembers.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

namespace {

GState* Stamped(GState* settings) {
  if (settings != nullptr) settings->SetFeatureId(GFeatureIds::kGraphicsState);
  return settings;
}

bool IsGraphic(const MPersistentObject* object) {
  return object != nullptr && object->DerivesFrom(GGraphicClassId) && dynamic_cast<const GGraphic*>(object) != nullptr;
}

// True when target is from or lies somewhere below it, paths included (a
// path hides its pieces from the generic walks, but holding itself through
// a piece would still be a cycle). Each composite is walked once.
bool Reaches(const MPersistentObject* from, const MPersistentObject* target) {
  std::unordered_set<const MPersistentObject*> visited;
  std::vector<const MPersistentObject*> pending{from};
  while (!pending.empty()) {
    const MPersistentObject* object = pending.back();
    pending.pop_back();
    if (object == target) return true;
    auto* composite = dynamic_cast<const GGraphicComposite*>(object);
    if (composite == nullptr || !visited.insert(object).second) continue;
    for (size_t i = 0; i < composite->MemberCount(); ++i) pending.push_back(composite->MemberAt(i));
  }
  return false;
}

}  // namespace

// ---- GGraphic ----

GGraphic::GGraphic(GState* settings, const int32_t* id) : GCommand(Stamped(settings), id) {}

GGraphic::GGraphic(const GGraphic& other) : GCommand(other) {
  if (GetSettings() != nullptr) GetSettings()->SetFeatureId(GFeatureIds::kGraphicsState);
}

GGraphic& GGraphic::operator=(const GGraphic& other) {
  GCommand::operator=(other);
  return *this;
}

GGraphic::~GGraphic() = default;

QV_PERSISTENT_ID_DEFINE(GGraphic, GCommand, GGraphicClassId)

int GGraphic::Matches(const MPersistentObject* other) const { return GCommand::Matches(other); }

void GGraphic::SetSettings(MPersistentObject* settings) {
  auto* bundle = dynamic_cast<GGraphicBundle*>(settings);
  if (bundle == nullptr || !bundle->DerivesFrom(GGraphicBundleClassId)) {
    DropOffered(settings);
    return;
  }
  bundle->SetFeatureId(GFeatureIds::kGraphicsState);
  GCommand::SetSettings(bundle);
}

template <typename Archive>
void GGraphic::Members(Archive& archive) {
  archive.AnyVersion(ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(GGraphic, GCommand)

// ---- GGraphicComposite ----

GGraphicComposite::GGraphicComposite() : GGraphic(nullptr, nullptr) { members_.MarkEmbedded(); }

GGraphicComposite::GGraphicComposite(GState* settings, const int32_t* id) : GGraphic(settings, id) {
  members_.MarkEmbedded();
}

GGraphicComposite::GGraphicComposite(const GGraphicComposite& other) : GGraphic(other), members_(other.members_) {
  members_.MarkEmbedded();
}

GGraphicComposite& GGraphicComposite::operator=(const GGraphicComposite& other) {
  if (this != &other) {
    for (size_t i = 0; i < other.MemberCount(); ++i)
      if (WouldHoldItself(other.MemberAt(i))) return *this;
    GGraphic::operator=(other);
    members_ = other.members_;
  }
  return *this;
}

GGraphicComposite::~GGraphicComposite() = default;

QV_PERSISTENT_KIND_DEFINE(GGraphicComposite, GGraphic, GGraphicCompositeClassId)

int GGraphicComposite::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* composite = dynamic_cast<const GGraphicComposite*>(other);
  if (composite == nullptr || composite->ClassId() != ClassId() || !GGraphic::Matches(other)) return 0;
  return members_.Matches(&composite->members_);
}

// ---- Members ----

bool GGraphicComposite::WouldHoldItself(const MPersistentObject* object) const {
  return object != nullptr && Reaches(object, this);
}

bool GGraphicComposite::AcceptReplacement(const MPersistentObject* with) const {
  return IsGraphic(with) && !WouldHoldItself(with);
}

void GGraphicComposite::AddChild(MPersistentObject* child) {
  if (child == nullptr || WouldHoldItself(child)) return;
  if (!IsGraphic(child)) {
    DropOffered(child);
    return;
  }
  members_.AddChild(child);
}

MPersistentObject* GGraphicComposite::RemoveChild(const MPersistentObject* child) { return members_.RemoveChild(child); }
MPersistentObject* GGraphicComposite::RemoveChildById(const int32_t& id) { return members_.RemoveChildById(id); }
MPersistentObject* GGraphicComposite::RemoveChildByClass(const RWClassID& classId) {
  return members_.RemoveChildByClass(classId);
}
int GGraphicComposite::ReplaceChildById(const int32_t& id, const MPersistentObject* with) {
  return AcceptReplacement(with) ? members_.ReplaceChildById(id, with) : 0;
}
int GGraphicComposite::ReplaceChildByClass(const RWClassID& classId, const MPersistentObject* with) {
  return AcceptReplacement(with) ? members_.ReplaceChildByClass(classId, with) : 0;
}
int GGraphicComposite::ReplaceChild(const MPersistentObject* old, const MPersistentObject* with) {
  return AcceptReplacement(with) ? members_.ReplaceChild(old, with) : 0;
}
int GGraphicComposite::ReplaceChildByKind(const RWClassID& classId, const MPersistentObject* with) {
  return AcceptReplacement(with) ? members_.ReplaceChildByKind(classId, with) : 0;
}
void GGraphicComposite::RemoveAllChildren() { members_.RemoveAllChildren(); }
MPersistentObject* GGraphicComposite::FindById(const int32_t& id) { return members_.FindById(id); }
MPersistentObject* GGraphicComposite::FindByClass(const RWClassID& classId) { return members_.FindByClass(classId); }
MPersistentObject* GGraphicComposite::FindMatch(const MPersistentObject* other) { return members_.FindMatch(other); }
MPersistentObject* GGraphicComposite::FindByKind(const RWClassID& classId) { return members_.FindByKind(classId); }
MPersistentComposite* GGraphicComposite::CollectByClass(const RWClassID& classId, MPersistentComposite* into) {
  return members_.CollectByClass(classId, into);
}
MPersistentComposite* GGraphicComposite::CollectById(const int32_t& id, MPersistentComposite* into) {
  return members_.CollectById(id, into);
}
MPersistentComposite* GGraphicComposite::SelectById(const int32_t& id) { return members_.SelectById(id); }
MPersistentComposite* GGraphicComposite::SelectByClass(const RWClassID& classId) {
  return members_.SelectByClass(classId);
}
MPersistentComposite* GGraphicComposite::CollectByKind(const RWClassID& classId, MPersistentComposite* into) {
  return members_.CollectByKind(classId, into);
}
MPersistentComposite* GGraphicComposite::SelectByKind(const RWClassID& classId) {
  return members_.SelectByKind(classId);
}

MPersistentComposite* GGraphicComposite::AsComposite() { return &members_; }
int GGraphicComposite::GetEntryCount() const { return members_.GetEntryCount(); }
int GGraphicComposite::GetNodeCount() const { return members_.GetNodeCount(); }
MPersistentIterator* GGraphicComposite::CreateIterator() { return members_.CreateIterator(); }
MPersistentIterator* GGraphicComposite::CreateMemberIterator() { return members_.CreateIterator(); }

size_t GGraphicComposite::MemberCount() const { return members_.Children().Count(); }

GGraphic* GGraphicComposite::MemberAt(size_t index) const {
  const GCountedPtrVector& members = members_.Children();
  if (index >= members.Count()) return nullptr;
  return dynamic_cast<GGraphic*>(members.Data()[index].Pointee());
}

void GGraphicComposite::PinResources() {
  // Pinning may run code of the members; the walk keeps them alive.
  GCountedPtrVector held(members_.Children());
  for (size_t i = 0; i < held.Count(); ++i) {
    auto* graphic = dynamic_cast<GGraphic*>(held.Data()[i].Pointee());
    if (graphic != nullptr && graphic != this) graphic->PinResources();
  }
}

int16_t GGraphicComposite::Dispatch(GPeripheral*) { return 0; }

// ---- Persistence ----

// Only graphics are members: anything else is damage.
template <typename Archive>
void GGraphicComposite::Members(Archive& archive) {
  MStored::RestoreScope<Archive> scope(this);
  GMemberListMembers(archive, members_, &IsGraphic);
}

RW_STORED_MEMBERS_DEFINE(GGraphicComposite, GGraphic)

RWCollectable* GGraphicCompositeCreate() { return new GGraphicComposite; }
