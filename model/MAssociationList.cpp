#include "model/MAssociationList.h"

#include "model/MPersistentRead.h"
#include "model/MStoredMembers.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

MAssociationList::MAssociationList() = default;
MAssociationList::MAssociationList(const int32_t& id) : MPersistentComposite(id) {}
MAssociationList::MAssociationList(const MAssociationList& other) = default;

MAssociationList& MAssociationList::operator=(const MAssociationList& other) {
  MPersistentComposite::operator=(other);
  return *this;
}

MAssociationList::~MAssociationList() = default;

QV_PERSISTENT_KIND_DEFINE(MAssociationList, MPersistentComposite, MAssociationListClassId)

int MAssociationList::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  return MPersistentComposite::Matches(other);
}

// ---- The map ----

void MAssociationList::AddChild(MPersistentObject* child) {
  if (child == nullptr || !child->DerivesFrom(MPersistentAssociationClassId)) return;
  if (auto* association = dynamic_cast<MPersistentAssociation*>(child)) Add(association);
}

void MAssociationList::Add(MPersistentAssociation* association) {
  if (association == nullptr) return;
  // Held across the removal: the pair being replaced may be this very
  // association, or hold it.
  GCountedRef keep(association);
  // Every pair with the key goes: a restored list may hold several, and one
  // left behind would hide the new pair from the look-ups. The removed pair
  // is the old one itself when the list was its only holder, else a copy;
  // either way it is ours to delete.
  while (MPersistentAssociation* old = FindAssociation(association->GetKey()))
    delete MPersistentComposite::RemoveChild(old);
  MPersistentComposite::AddChild(association);
}

MPersistentObject* MAssociationList::DeepCopy() const {
  // Copied here rather than by the generic walk, which would hand AddChild
  // copies of non-associations that it leaves alone, and so lose them.
  MAssociationList* copy = CreateSameKind();
  copy->SetFeatureId(FeatureId());
  const GCountedPtrVector& children = Children();
  for (size_t i = 0; i < children.Count(); ++i) {
    auto* association = dynamic_cast<const MPersistentAssociation*>(children.Data()[i].Pointee());
    if (association == nullptr) continue;
    MPersistentObject* pair = association->DeepCopy();
    if (auto* typed = dynamic_cast<MPersistentAssociation*>(pair))
      copy->Add(typed);
    else
      delete pair;
  }
  return copy;
}

MPersistentAssociation* MAssociationList::FindAssociation(const MPersistentObject* key) const {
  // A key is an object, which cannot travel in FindChildWhere's int, so the
  // children are walked here. A restored list may hold empty places and
  // objects of other classes; they are passed over.
  const GCountedPtrVector& children = Children();
  for (size_t i = 0; i < children.Count(); ++i) {
    auto* association = dynamic_cast<MPersistentAssociation*>(children.Data()[i].Pointee());
    if (association == nullptr) continue;
    const MPersistentObject* mine = association->GetKey();
    if (mine == nullptr || key == nullptr) {
      if (mine == key) return association;
    } else if (mine->Matches(key)) {
      return association;
    }
  }
  return nullptr;
}

MPersistentObject* MAssociationList::GetValueFor(const MPersistentObject* key) const {
  MPersistentAssociation* association = FindAssociation(key);
  return association != nullptr ? association->GetValue() : nullptr;
}

MPersistentAssociation* MAssociationList::RemoveKey(const MPersistentObject* key) {
  MPersistentAssociation* found = FindAssociation(key);
  if (found == nullptr) return nullptr;
  // The removal hands back the association or a Clone of it: the same class.
  return static_cast<MPersistentAssociation*>(MPersistentComposite::RemoveChild(found));
}

MPersistentAssociation* MAssociationList::RemoveAssociation(const MPersistentAssociation* association) {
  return association != nullptr ? RemoveKey(association->GetKey()) : nullptr;
}

// ---- Persistence ----

// The children are appended as stored, duplicates included. The version
// follows them and is not checked.
template <typename Archive>
void MAssociationList::Members(Archive& archive) {
  if (MStored::InputGood(archive)) archive.AnyVersion(ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(MAssociationList, MPersistentComposite)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, MAssociationList*& out) {
  return MReadPersistentAs(stream, out);
}

RWBinaryFile& operator>>(RWBinaryFile& file, MAssociationList*& out) { return MReadPersistentAs(file, out); }

RWCollectable* MAssociationListCreate() { return new MAssociationList; }
