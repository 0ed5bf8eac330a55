#include "printpath/GPeripheralComposite.h"

#include <algorithm>
#include <string>

#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GState.h"
#include "model/MStoredMembers.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"
#include "model/GCommand.h"
#include "model/GSettingQuery.h"
#include "model/GStringAttribute.h"
#include "printpath/GPeripheralProxy.h"

namespace {

bool Differ(const MPersistentObject* a, const MPersistentObject* b) {
  if (a == nullptr || b == nullptr) return a != b;
  return a->DiffersFrom(b) != 0;
}

bool IsPeripheral(const MPersistentObject* object) {
  return object != nullptr && object->DerivesFrom(GPeripheralClassId) &&
         dynamic_cast<const GPeripheral*>(object) != nullptr;
}

// An own state or own configuration read from storage: a GState, or a
// GConfiguration for the configuration. Anything else is refused.
bool IsOwnPart(const MPersistentObject* object, bool configuration) {
  if (object == nullptr) return true;
  if (dynamic_cast<const GState*>(object) != nullptr) return true;
  return configuration && dynamic_cast<const GConfiguration*>(object) != nullptr;
}

// One own part as an object reference: a state, or for the configuration a
// state or a configuration. A read of anything else fails the restore and
// stops the members; what was read is adopted by the handle, which deletes
// it from now on.
template <typename Archive>
void OwnPart(Archive& archive, GCountedPtr& slot, bool configuration) {
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    MPersistentObject* object = nullptr;
    MPersistentObject::ReadPersistentObject(archive.Input(), object);
    if (!MStored::Going(archive.Input())) {
      archive.Stop();
      return;
    }
    if (!IsOwnPart(object, configuration)) {
      GRefuseRead(object);
      archive.Stop();
      return;
    }
    RWReadTableGuard::Adopt(object);
    slot = GCountedPtr(object);
  } else {
    archive.Pointer(slot.Pointee());
  }
}

size_t Occurrences(const std::vector<GPeripheral*>& list, const GPeripheral* p) {
  return static_cast<size_t>(std::count(list.begin(), list.end(), p));
}

}  // namespace

// ---- Construction ----

void GPeripheralComposite::InitOwnParts() {
  // The list is a member read in place; no stored reference may hand it to
  // another holder.
  children_.MarkEmbedded();
  active_.MarkEmbedded();
  ownCurrentState_ = GCountedPtr(new GState(&GFeatureIds::kPeripheralState));
  ownDefaultState_ = GCountedPtr(new GState(&GFeatureIds::kPeripheralState));
  ownConfiguration_ = GCountedPtr(new GState(&GFeatureIds::kPeripheralConfiguration));
}

GPeripheralComposite::GPeripheralComposite() {
  InitOwnParts();
  RebuildConfiguration();
}

GPeripheralComposite::GPeripheralComposite(const int32_t* id) : GPeripheral(id) {
  InitOwnParts();
  RebuildConfiguration();
}

GPeripheralComposite::GPeripheralComposite(const RWCString& name, GState* defaultState,
                                           GConfiguration* configuration, const int32_t* id, int32_t addOnListId,
                                           int32_t addOnKind, int32_t addOnMode)
    : GPeripheral(name, defaultState, configuration, id, addOnListId, addOnKind, addOnMode) {
  InitOwnParts();
  // The configuration given is this composite's own: the peripheral's
  // configuration is derived from it and the children's, and rebuilding
  // that must not lose what was given.
  if (configuration != nullptr) {
    ownConfiguration_ = ConfigurationHandle();
    ConfigurationHandle() = GCountedPtr(new GConfiguration(GFeatureIds::kPeripheralConfiguration));
  }
  RebuildConfiguration();
}

GPeripheralComposite::GPeripheralComposite(const GPeripheralComposite& other)
    : GPeripheral(other),
      ownCurrentState_(other.ownCurrentState_),
      ownDefaultState_(other.ownDefaultState_),
      ownConfiguration_(other.ownConfiguration_),
      children_(other.children_) {
  children_.MarkEmbedded();
  active_.MarkEmbedded();
  ObserveChildren();
}

GPeripheralComposite& GPeripheralComposite::operator=(const GPeripheralComposite& other) {
  if (&other == this || !other.DiffersFrom(this)) return *this;
  // Taking the other's children must not make this composite its own
  // descendant.
  for (const GPeripheral* child : other.DirectChildren())
    if (children_.WouldHoldItself(child)) return *this;
  GPeripheral::operator=(other);
  StopObservingChildren();
  children_.Children() = other.children_.Children();
  ObserveChildren();
  ownCurrentState_ = other.ownCurrentState_;
  ownDefaultState_ = other.ownDefaultState_;
  ownConfiguration_ = other.ownConfiguration_;
  active_.RemoveAllChildren();
  ChildrenChanged();
  OnPeripheralChanged(this);
  return *this;
}

GPeripheralComposite::~GPeripheralComposite() { StopObservingChildren(); }

QV_PERSISTENT_KIND_DEFINE(GPeripheralComposite, GPeripheral, GPeripheralCompositeClassId)

int GPeripheralComposite::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  auto* composite = dynamic_cast<const GPeripheralComposite*>(other);
  if (composite == nullptr || !GPeripheral::Matches(other)) return 0;
  return !Differ(ownCurrentState_.Pointee(), composite->ownCurrentState_.Pointee()) &&
         !Differ(ownDefaultState_.Pointee(), composite->ownDefaultState_.Pointee()) &&
         !Differ(ownConfiguration_.Pointee(), composite->ownConfiguration_.Pointee()) &&
         children_.Matches(&composite->children_);
}

MPersistentObject* GPeripheralComposite::DeepCopy() const {
  auto* copy = static_cast<GPeripheralComposite*>(GPeripheral::DeepCopy());
  if (copy == nullptr) return nullptr;
  copy->ownCurrentState_ = GCountedPtr(ownCurrentState_.CopyPointee());
  copy->ownDefaultState_ = GCountedPtr(ownDefaultState_.CopyPointee());
  copy->ownConfiguration_ = GCountedPtr(ownConfiguration_.CopyPointee());
  copy->RemoveAllChildren();
  for (GPeripheral* child : DirectChildren()) copy->AddChild(child->DeepCopy());
  return copy;
}

// ---- Observer bookkeeping ----

std::vector<GPeripheral*> GPeripheralComposite::DirectChildren() const {
  std::vector<GPeripheral*> list;
  const GCountedPtrVector& handles = children_.Children();
  for (size_t i = 0; i < handles.Count(); ++i) {
    auto* child = dynamic_cast<GPeripheral*>(handles.Data()[i].Pointee());
    if (child != nullptr) list.push_back(child);
  }
  return list;
}

void GPeripheralComposite::ObserveChildren() {
  for (GPeripheral* child : DirectChildren()) child->AddObserver(this);
}

void GPeripheralComposite::StopObservingChildren() {
  for (GPeripheral* child : DirectChildren()) child->RemoveAllObserverEntries(this);
}

void GPeripheralComposite::Rewire(const std::vector<GPeripheral*>& before) {
  // Every child is observed once for each place it holds in the list. The
  // children that left are still alive here (the caller keeps them so).
  const std::vector<GPeripheral*> after = DirectChildren();
  std::vector<GPeripheral*> seen;
  for (GPeripheral* child : before) {
    if (Occurrences(seen, child) != 0) continue;
    seen.push_back(child);
    for (size_t n = Occurrences(after, child); n < Occurrences(before, child); ++n) child->RemoveObserver(this);
  }
  for (GPeripheral* child : after) {
    if (Occurrences(seen, child) != 0) continue;
    seen.push_back(child);
    for (size_t n = Occurrences(before, child); n < Occurrences(after, child); ++n) child->AddObserver(this);
  }
  PruneActive(after);
  ChildrenChanged();
  if (before != after) OnPeripheralChanged(this);
}

void GPeripheralComposite::PruneActive(const std::vector<GPeripheral*>& children) {
  // A child that left the composite takes no further part in the job.
  GCountedPtrVector& active = active_.Children();
  for (size_t i = active.Count(); i-- > 0;) {
    auto* child = dynamic_cast<GPeripheral*>(active.Data()[i].Pointee());
    if (child == nullptr || Occurrences(children, child) == 0) active.RemoveAt(i);
  }
}

void GPeripheralComposite::ChildrenChanged() {}

// ---- Children ----

void GPeripheralComposite::TakeChild(MPersistentObject* child, bool atFront) {
  if (child == nullptr) return;
  if (!IsPeripheral(child)) {
    // Only peripherals are children; ownership came with the call.
    if (child->HolderCount() == -1 && !children_.WouldHoldItself(child)) delete child;
    return;
  }
  const size_t count = children_.Children().Count();
  if (atFront) {
    children_.PrependChild(child);
  } else {
    children_.AddChild(child);
  }
  // Refused by the list (it would hold itself, or is full): not a child.
  if (children_.Children().Count() == count) return;
  static_cast<GPeripheral*>(child)->AddObserver(this);
  ChildrenChanged();
  OnPeripheralChanged(this);
}

void GPeripheralComposite::AddChild(MPersistentObject* child) { TakeChild(child, false); }
void GPeripheralComposite::PrependChild(MPersistentObject* child) { TakeChild(child, true); }

MPersistentObject* GPeripheralComposite::RemoveChild(const MPersistentObject* child) {
  const std::vector<GPeripheral*> before = DirectChildren();
  // A removed child is either handed back or a copy of it is, while other
  // holders keep the original: either way it is alive for the rewiring.
  MPersistentObject* removed = children_.RemoveChild(child);
  Rewire(before);
  return removed;
}

MPersistentObject* GPeripheralComposite::RemoveChildById(const int32_t& id) {
  const std::vector<GPeripheral*> before = DirectChildren();
  MPersistentObject* removed = children_.RemoveChildById(id);
  Rewire(before);
  return removed;
}

MPersistentObject* GPeripheralComposite::RemoveChildByClass(const RWClassID& classId) {
  const std::vector<GPeripheral*> before = DirectChildren();
  MPersistentObject* removed = children_.RemoveChildByClass(classId);
  Rewire(before);
  return removed;
}

void GPeripheralComposite::RemoveAllChildren() {
  StopObservingChildren();
  children_.RemoveAllChildren();
  active_.RemoveAllChildren();
  ChildrenChanged();
  OnPeripheralChanged(this);
}

int GPeripheralComposite::ReplaceChildById(const int32_t& id, const MPersistentObject* with) {
  const std::vector<GPeripheral*> before = DirectChildren();
  // The old children stay held until the links are rewired.
  GCountedPtrVector held(children_.Children());
  const int result = IsPeripheral(with) ? children_.ReplaceChildById(id, with) : 0;
  Rewire(before);
  return result;
}

int GPeripheralComposite::ReplaceChildByClass(const RWClassID& classId, const MPersistentObject* with) {
  const std::vector<GPeripheral*> before = DirectChildren();
  // The old children stay held until the links are rewired.
  GCountedPtrVector held(children_.Children());
  const int result = IsPeripheral(with) ? children_.ReplaceChildByClass(classId, with) : 0;
  Rewire(before);
  return result;
}

int GPeripheralComposite::ReplaceChild(const MPersistentObject* old, const MPersistentObject* with) {
  const std::vector<GPeripheral*> before = DirectChildren();
  // The old children stay held until the links are rewired.
  GCountedPtrVector held(children_.Children());
  const int result = IsPeripheral(with) ? children_.ReplaceChild(old, with) : 0;
  Rewire(before);
  return result;
}

int GPeripheralComposite::ReplaceChildByKind(const RWClassID& classId, const MPersistentObject* with) {
  const std::vector<GPeripheral*> before = DirectChildren();
  // The old children stay held until the links are rewired.
  GCountedPtrVector held(children_.Children());
  const int result = IsPeripheral(with) ? children_.ReplaceChildByKind(classId, with) : 0;
  Rewire(before);
  return result;
}

MPersistentObject* GPeripheralComposite::FindById(const int32_t& id) { return children_.FindById(id); }
MPersistentObject* GPeripheralComposite::FindByClass(const RWClassID& classId) {
  return children_.FindByClass(classId);
}
MPersistentObject* GPeripheralComposite::FindMatch(const MPersistentObject* other) {
  return children_.FindMatch(other);
}
MPersistentObject* GPeripheralComposite::FindByKind(const RWClassID& classId) {
  return children_.FindByKind(classId);
}
MPersistentComposite* GPeripheralComposite::CollectByClass(const RWClassID& classId, MPersistentComposite* into) {
  return children_.CollectByClass(classId, into);
}
MPersistentComposite* GPeripheralComposite::CollectById(const int32_t& id, MPersistentComposite* into) {
  return children_.CollectById(id, into);
}
MPersistentComposite* GPeripheralComposite::SelectById(const int32_t& id) { return children_.SelectById(id); }
MPersistentComposite* GPeripheralComposite::SelectByClass(const RWClassID& classId) {
  return children_.SelectByClass(classId);
}
MPersistentComposite* GPeripheralComposite::CollectByKind(const RWClassID& classId, MPersistentComposite* into) {
  return children_.CollectByKind(classId, into);
}
MPersistentComposite* GPeripheralComposite::SelectByKind(const RWClassID& classId) {
  return children_.SelectByKind(classId);
}
MPersistentComposite* GPeripheralComposite::AsComposite() { return &children_; }
int GPeripheralComposite::GetEntryCount() const { return children_.GetEntryCount(); }
int GPeripheralComposite::GetNodeCount() const { return children_.GetNodeCount(); }
MPersistentIterator* GPeripheralComposite::CreateIterator() { return children_.CreateIterator(); }

GPeripheral* GPeripheralComposite::ChildAt(size_t index) const {
  const GCountedPtrVector& handles = children_.Children();
  if (index >= handles.Count()) return nullptr;
  return dynamic_cast<GPeripheral*>(handles.Data()[index].Pointee());
}

// ---- States and configuration ----

void GPeripheralComposite::SetDefaultState(GState* state) {
  if (state == nullptr) return;
  GPeripheral::SetDefaultState(state);
  ownDefaultState_ = GCountedPtr(state);
}

void GPeripheralComposite::SetCurrentState(GState* state) {
  if (state == nullptr) return;
  GPeripheral::SetCurrentState(state);
  ownCurrentState_ = GCountedPtr(state);
}

void GPeripheralComposite::SetConfiguration(GConfiguration* configuration) {
  if (configuration == nullptr) return;
  ownConfiguration_ = GCountedPtr(configuration);
  OnPeripheralChanged(this);
}

GConfiguration* GPeripheralComposite::ResetConfiguration() {
  MPersistentObject* old = ownConfiguration_.TakePointee(new GConfiguration(GFeatureIds::kPeripheralConfiguration));
  OnPeripheralChanged(this);
  // Until a configuration is set the own one is a plain state, which is no
  // configuration to hand back: it goes.
  auto* configuration = dynamic_cast<GConfiguration*>(old);
  if (configuration == nullptr) delete old;
  return configuration;
}

void GPeripheralComposite::RebuildCurrentState() {
  // The children may change the list while they rebuild (through their
  // observers); the walk holds what it visits.
  const GCountedPtrVector held = HeldChildren();
  for (size_t i = 0; i < held.Count(); ++i) {
    auto* child = dynamic_cast<GPeripheral*>(held.Data()[i].Pointee());
    if (child != nullptr) child->RebuildCurrentState();
  }
  GPeripheral::SetDefaultState(GetOwnDefaultState());
  GState* current = nullptr;
  if (const MPersistentObject* defaults = ownDefaultState_.Pointee())
    current = dynamic_cast<GState*>(defaults->DeepCopy());
  if (current == nullptr) current = new GState;
  current->SetFeatureId(GFeatureIds::kPeripheralState);
  ownCurrentState_ = GCountedPtr(current);
  GPeripheral::RebuildCurrentState();
}

void GPeripheralComposite::RebuildConfiguration() {
  GConfiguration* configuration = GetConfiguration();
  // Emptying the own configuration would lose it.
  if (configuration == nullptr || configuration == ownConfiguration_.Pointee()) return;
  // The pieces are held while the configuration is emptied: one of them
  // may have had the configuration as its last holder.
  GCountedPtr own(ownConfiguration_);
  const GCountedPtrVector held = HeldChildren();
  configuration->RemoveAllChildren();
  if (own.Pointee() != nullptr) configuration->AddChild(own.Pointee());
  for (size_t i = 0; i < held.Count(); ++i) {
    auto* child = dynamic_cast<GPeripheral*>(held.Data()[i].Pointee());
    if (child == nullptr) continue;
    // A child that shares this configuration (a copy of this composite)
    // adds nothing: the configuration never holds itself.
    if (GConfiguration* theirs = child->GetConfiguration()) configuration->AddChild(theirs);
  }
}

void GPeripheralComposite::OnPeripheralChanged(GPeripheral* source) {
  RebuildConfiguration();
  GPeripheral::OnPeripheralChanged(source);
}

// ---- Passing commands ----

namespace {

bool IsOrHolds(GCommand* command, RWClassID classId) {
  if (command->ClassId() == classId) return true;
  return command->AsComposite() != nullptr && command->FindByClass(classId) != nullptr;
}

bool EndsTheWalk(const GCommand* command) {
  if (command == nullptr) return false;
  const RWClassID classId = command->ClassId();
  return classId == GNoCommandClassId || classId == GErrorCommandClassId;
}

constexpr RWClassID kDocumentStartClassId = 705;
constexpr RWClassID kDocumentEndClassId = 706;
constexpr RWClassID kJobAbortClassId = 713;

}  // namespace

GPeripheral* GPeripheralComposite::ActiveAt(size_t index) const {
  const GCountedPtrVector& handles = active_.Children();
  if (index >= handles.Count()) return nullptr;
  return dynamic_cast<GPeripheral*>(handles.Data()[index].Pointee());
}

void GPeripheralComposite::InsertAddOns() {
  if (GetAddOnMode() == kNoAddOns) return;
  MPersistentObject* list = GSettingQuery::Find(GetConfiguration(), GetAddOnListId());
  if (list == nullptr) return;
  // The printer inserts its children's add-ons before it passes them the
  // document start, which inserts them again: one set per job.
  {
    const GCountedPtrVector held = HeldChildren();
    for (size_t i = 0; i < held.Count(); ++i)
      if (held.Data()[i].Pointee() != nullptr && held.Data()[i].Pointee()->ClassId() == GPeripheralProxyClassId) return;
  }
  // One proxy per module name, in list order; a proxy whose module gave
  // no add-on object is dropped.
  std::vector<GPeripheralProxy*> proxies;
  GSettingQuery::ForEachChild(list, [&](MPersistentObject* entry) {
    auto* name = dynamic_cast<GStringAttribute*>(entry);
    if (name == nullptr) return true;
    const RWCString& text = name->GetString();
    std::u16string wide;
    for (size_t i = 0; i < text.Length(); ++i) wide.push_back(static_cast<unsigned char>(text.Data()[i]));
    auto* proxy = new GPeripheralProxy(RWWString(wide.data(), wide.size()), GetAddOnKind(), GetAddOnMode());
    if (proxy->IsLoaded() != 0) proxies.push_back(proxy);
    else delete proxy;
    return true;
  });
  // The add-ons stand in front of the own children, in list order.
  for (auto it = proxies.rbegin(); it != proxies.rend(); ++it) PrependChild(*it);
}

void GPeripheralComposite::RemoveAddOns() {
  if (GetAddOnMode() == kNoAddOns) return;
  std::vector<GPeripheralProxy*> proxies;
  {
    const GCountedPtrVector held = HeldChildren();
    for (size_t i = 0; i < held.Count(); ++i) {
      MPersistentObject* child = held.Data()[i].Pointee();
      if (child != nullptr && child->ClassId() == GPeripheralProxyClassId)
        if (auto* proxy = dynamic_cast<GPeripheralProxy*>(child)) proxies.push_back(proxy);
    }
  }
  for (GPeripheralProxy* proxy : proxies) {
    // The add-on goes back to its module now, whoever else still holds the
    // proxy (the active list, a walk in progress); what the lists hand
    // back is then an empty shell.
    proxy->ReleaseAddOn();
    delete active_.RemoveChild(proxy);
    delete RemoveChild(proxy);
  }
}

GCountedPtr GPeripheralComposite::Send(GCommand* command) {
  GCountedPtr result(command);
  if (command == nullptr || !IsActive()) return result;
  if (IsOrHolds(command, kDocumentStartClassId)) {
    InsertAddOns();
    active_.RemoveAllChildren();
    // Every active child sees the document start, even one that an earlier
    // child turned into an error.
    const GCountedPtrVector held = HeldChildren();
    for (size_t i = 0; i < held.Count(); ++i) {
      auto* child = dynamic_cast<GPeripheral*>(held.Data()[i].Pointee());
      if (child == nullptr || !child->IsActive()) continue;
      result = child->Send(CommandOf(result));
      if (child->IsActive()) active_.AddChild(child);
    }
    return result;
  }
  const GCountedPtrVector active = active_.Children();
  for (size_t i = 0; i < active.Count(); ++i) {
    auto* child = dynamic_cast<GPeripheral*>(active.Data()[i].Pointee());
    if (child == nullptr || !child->IsActive()) continue;
    result = child->Send(CommandOf(result));
    if (EndsTheWalk(CommandOf(result))) return result;
  }
  if (IsOrHolds(command, kDocumentEndClassId) || IsOrHolds(command, kJobAbortClassId)) {
    RemoveAddOns();
    active_.RemoveAllChildren();
  }
  return result;
}

int GPeripheralComposite::SupportsScaling() {
  const GCountedPtrVector held = HeldChildren();
  for (size_t i = 0; i < held.Count(); ++i) {
    auto* child = dynamic_cast<GPeripheral*>(held.Data()[i].Pointee());
    if (child != nullptr && child->SupportsScaling() == 0) return 0;
  }
  return 1;
}

int GPeripheralComposite::GetEffectFlags() {
  int flags = 0;
  const GCountedPtrVector active = active_.Children();
  for (size_t i = 0; i < active.Count(); ++i) {
    auto* child = dynamic_cast<GPeripheral*>(active.Data()[i].Pointee());
    if (child != nullptr) flags |= child->GetEffectFlags();
  }
  return flags;
}

GRealPair GPeripheralComposite::GetScale(GState* jobState, GState* pageSettings, int32_t pageNumber, int32_t* code) {
  GRealPair scale(1.0f, 1.0f);
  const GCountedPtrVector active = active_.Children();
  for (size_t i = 0; i < active.Count(); ++i) {
    auto* child = dynamic_cast<GPeripheral*>(active.Data()[i].Pointee());
    if (child == nullptr) continue;
    const GRealPair factor = child->GetScale(jobState, pageSettings, pageNumber, code);
    scale.x *= factor.x;
    scale.y *= factor.y;
    if (scale.x == 0.0f && scale.y == 0.0f) break;
  }
  return scale;
}

GState* GPeripheralComposite::GetOwnCurrentState() const {
  return static_cast<GState*>(ownCurrentState_.Pointee());
}

GState* GPeripheralComposite::GetOwnDefaultState() const {
  return static_cast<GState*>(ownDefaultState_.Pointee());
}

// ---- Persistence ----

bool GPeripheralComposite::AdoptRestoredChildren() {
  const GCountedPtrVector& handles = children_.Children();
  for (size_t i = 0; i < handles.Count(); ++i) {
    if (!IsPeripheral(handles.Data()[i].Pointee())) return false;
  }
  // A child read as a direct child names this composite as its observer; a
  // child met again through a back reference was read elsewhere, so it is
  // observed here as well. Either way each place in the list is observed.
  for (GPeripheral* child : DirectChildren()) child->RemoveAllObserverEntries(this);
  ObserveChildren();
  ChildrenChanged();
  return true;
}

// The children as one object read in place, then the own parts. A child
// list that holds anything but peripherals fails the restore.
template <typename Archive>
void GPeripheralComposite::Members(Archive& archive) {
  MStored::RestoreScope<Archive> scope(this);
  archive.Version(ClassVersion());
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    StopObservingChildren();
    {
      ChildListRead list(this);
      archive.Embedded(children_);
    }
    if (!MStored::Going(archive.Input())) return;
    if (!AdoptRestoredChildren()) {
      GFailRestore();
      archive.Fail();
      return;
    }
  } else {
    archive.Embedded(children_);
  }
  OwnPart(archive, ownCurrentState_, false);
  OwnPart(archive, ownDefaultState_, false);
  OwnPart(archive, ownConfiguration_, true);
}

QV_PERIPHERAL_MEMBERS_DEFINE(GPeripheralComposite, GPeripheral)

RWCollectable* GPeripheralCompositeCreate() { return new GPeripheralComposite; }
