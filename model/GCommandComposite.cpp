#include "model/GCommandComposite.h"

#include "model/GAttribute.h"
#include "model/GCountedPtr.h"
#include "model/MChildSearch.h"
#include "model/MPersistentIterator.h"
#include "model/MStoredMembers.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWMembers.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

namespace {

bool IsCommand(const MPersistentObject* object) {
  return object != nullptr && object->DerivesFrom(GCommandClassId) && dynamic_cast<const GCommand*>(object) != nullptr;
}


}  // namespace

GCommandComposite::GCommandComposite() : GCommand(nullptr) { members_.MarkEmbedded(); }

GCommandComposite::GCommandComposite(const GCommandComposite& other) : GCommand(other), members_(other.members_) {
  members_.MarkEmbedded();
}

GCommandComposite& GCommandComposite::operator=(const GCommandComposite& other) {
  if (this != &other) {
    // Taking the other's members must not make this composite a member of
    // itself.
    const GCountedPtrVector& theirs = other.members_.Children();
    for (size_t i = 0; i < theirs.Count(); ++i)
      if (WouldHoldItself(theirs.Data()[i].Pointee())) return *this;
    GCommand::operator=(other);
    members_ = other.members_;
  }
  return *this;
}

GCommandComposite::~GCommandComposite() = default;

QV_PERSISTENT_KIND_DEFINE(GCommandComposite, GCommand, GCommandCompositeClassId)

int GCommandComposite::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* composite = dynamic_cast<const GCommandComposite*>(other);
  if (composite == nullptr || composite->ClassId() != ClassId() || !GCommand::Matches(other)) return 0;
  return members_.Matches(&composite->members_);
}

// ---- Members ----

bool GCommandComposite::WouldHoldItself(const MPersistentObject* object) const {
  if (object == nullptr) return false;
  // Each composite is walked once, so a damaged graph cannot make the walk
  // run for ever.
  return MChildSearch::Reaches(const_cast<MPersistentObject*>(object), this,
                               [](MPersistentObject* o) { return o->AsComposite() != nullptr; });
}

bool GCommandComposite::Accept(MPersistentObject* child) {
  if (child == nullptr) return false;
  // A composite that holds this one (or this one itself) stays with its
  // holders: taking it would make a cycle that no walk gets out of.
  if (WouldHoldItself(child)) return false;
  if (!IsCommand(child)) {
    DropOffered(child);
    return false;
  }
  return true;
}

bool GCommandComposite::AcceptReplacement(const MPersistentObject* with) const {
  return IsCommand(with) && !WouldHoldItself(with);
}

void GCommandComposite::AddChild(MPersistentObject* child) {
  if (!Accept(child)) return;
  const size_t count = members_.Children().Count();
  members_.AddChild(child);
  if (members_.Children().Count() != count) SetModified(1);
}

void GCommandComposite::PrependChild(MPersistentObject* child) {
  if (!Accept(child)) return;
  const size_t count = members_.Children().Count();
  members_.PrependChild(child);
  if (members_.Children().Count() != count) SetModified(1);
}

MPersistentObject* GCommandComposite::RemoveChild(const MPersistentObject* child) {
  MPersistentObject* removed = members_.RemoveChild(child);
  if (removed != nullptr) SetModified(1);
  return removed;
}

MPersistentObject* GCommandComposite::RemoveChildById(const int32_t& id) {
  MPersistentObject* removed = members_.RemoveChildById(id);
  if (removed != nullptr) SetModified(1);
  return removed;
}

MPersistentObject* GCommandComposite::RemoveChildByClass(const RWClassID& classId) {
  MPersistentObject* removed = members_.RemoveChildByClass(classId);
  if (removed != nullptr) SetModified(1);
  return removed;
}

int GCommandComposite::ReplaceChildById(const int32_t& id, const MPersistentObject* with) {
  const int replaced = AcceptReplacement(with) ? members_.ReplaceChildById(id, with) : 0;
  if (replaced != 0) SetModified(1);
  return replaced;
}

int GCommandComposite::ReplaceChildByClass(const RWClassID& classId, const MPersistentObject* with) {
  const int replaced = AcceptReplacement(with) ? members_.ReplaceChildByClass(classId, with) : 0;
  if (replaced != 0) SetModified(1);
  return replaced;
}

int GCommandComposite::ReplaceChild(const MPersistentObject* old, const MPersistentObject* with) {
  const int replaced = AcceptReplacement(with) ? members_.ReplaceChild(old, with) : 0;
  if (replaced != 0) SetModified(1);
  return replaced;
}

int GCommandComposite::ReplaceChildByKind(const RWClassID& classId, const MPersistentObject* with) {
  const int replaced = AcceptReplacement(with) ? members_.ReplaceChildByKind(classId, with) : 0;
  if (replaced != 0) SetModified(1);
  return replaced;
}

MPersistentObject* GCommandComposite::FindById(const int32_t& id) { return members_.FindById(id); }
MPersistentObject* GCommandComposite::FindByClass(const RWClassID& classId) { return members_.FindByClass(classId); }
MPersistentObject* GCommandComposite::FindMatch(const MPersistentObject* other) { return members_.FindMatch(other); }
MPersistentObject* GCommandComposite::FindByKind(const RWClassID& classId) { return members_.FindByKind(classId); }
MPersistentComposite* GCommandComposite::CollectByClass(const RWClassID& classId, MPersistentComposite* into) {
  return members_.CollectByClass(classId, into);
}
MPersistentComposite* GCommandComposite::CollectById(const int32_t& id, MPersistentComposite* into) {
  return members_.CollectById(id, into);
}
MPersistentComposite* GCommandComposite::SelectById(const int32_t& id) { return members_.SelectById(id); }
MPersistentComposite* GCommandComposite::SelectByClass(const RWClassID& classId) {
  return members_.SelectByClass(classId);
}
MPersistentComposite* GCommandComposite::CollectByKind(const RWClassID& classId, MPersistentComposite* into) {
  return members_.CollectByKind(classId, into);
}
MPersistentComposite* GCommandComposite::SelectByKind(const RWClassID& classId) {
  return members_.SelectByKind(classId);
}

MPersistentComposite* GCommandComposite::AsComposite() { return &members_; }

int GCommandComposite::GetEntryCount() const { return members_.GetEntryCount(); }

int GCommandComposite::GetNodeCount() const { return members_.GetNodeCount(); }

MPersistentIterator* GCommandComposite::CreateIterator() { return members_.CreateIterator(); }

void GCommandComposite::PinResources() {
  // Pinning may run code of the members; the walk keeps them alive.
  GCountedPtrVector held(members_.Children());
  for (size_t i = 0; i < held.Count(); ++i) {
    auto* command = dynamic_cast<GCommand*>(held.Data()[i].Pointee());
    if (command != nullptr && command != this) command->PinResources();
  }
}

int16_t GCommandComposite::Dispatch(GPeripheral*) { return 0; }

GCommand* GCommandComposite::MemberAt(size_t index) const {
  const GCountedPtrVector& members = members_.Children();
  if (index >= members.Count()) return nullptr;
  return dynamic_cast<GCommand*>(members.Data()[index].Pointee());
}

// ---- Persistence ----

// Only commands travel in a composite: anything else is damage. A restored
// composite reports itself unmodified.
template <typename Archive>
void GCommandComposite::Members(Archive& archive) {
  MStored::RestoreScope<Archive> scope(this);
  if (GMemberListMembers(archive, members_, &IsCommand)) SetModified(0);
}

RW_STORED_MEMBERS_DEFINE(GCommandComposite, GCommand)

// ---- Stored member lists ----

template <typename Archive>
bool GMemberListMembers(Archive& archive, MPersistentComposite& list, bool (*accept)(const MPersistentObject*)) {
  if constexpr (!Archive::kReading) {
    archive.Version(GCommandComposite::ClassVersion());
    archive.Embedded(list);
    return false;
  } else {
    if (!MStored::Going(archive)) return false;
    archive.Version(GCommandComposite::ClassVersion());
    if (!archive.Ok()) return false;
    list.RemoveAllChildren();
    if constexpr (Archive::kKind == rwm::Kind::kReadStream)
      RWReadObjectInto(archive.Input(), &list);
    else
      RWReadObjectIntoFromFile(archive.Input(), &list);
    if (!MStored::Going(archive.Input(), true)) return false;
    const GCountedPtrVector& members = list.Children();
    for (size_t i = 0; i < members.Count(); ++i) {
      if (accept(members.Data()[i].Pointee())) continue;
      list.RemoveAllChildren();
      GFailRestore();
      archive.Fail();
      return false;
    }
    return true;
  }
}

using GMemberListAccept = bool (*)(const MPersistentObject*);
template bool GMemberListMembers(rwm::SizeArchive&, MPersistentComposite&, GMemberListAccept);
template bool GMemberListMembers(rwm::StreamWriter&, MPersistentComposite&, GMemberListAccept);
template bool GMemberListMembers(rwm::FileWriter&, MPersistentComposite&, GMemberListAccept);
template bool GMemberListMembers(rwm::StreamReader&, MPersistentComposite&, GMemberListAccept);
template bool GMemberListMembers(rwm::FileReader&, MPersistentComposite&, GMemberListAccept);

RWCollectable* GCommandCompositeCreate() { return new GCommandComposite; }
