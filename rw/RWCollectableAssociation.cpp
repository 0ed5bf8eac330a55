#include "rw/RWCollectableAssociation.h"

#include "rw/RWPersistence.h"

namespace {

// An association compares, hashes and tests equality by asking its key,
// which may be another association, and a stored graph read from outside
// can chain associations through their keys without end (an association
// that is its own key). Past this nesting an association answers by its
// own identity, so every such question ends.
constexpr int kMaxKeyNesting = 64;
thread_local int t_keyNesting = 0;

struct KeyNesting {
  KeyNesting() { ++t_keyNesting; }
  ~KeyNesting() { --t_keyNesting; }
  static bool TooDeep() { return t_keyNesting >= kMaxKeyNesting; }
};

uint32_t AddressHash(const void* object) {
  const uint32_t a = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(object));
  return a ^ (a >> 3);
}

}  // namespace

// ---- RWCollectableAssociation ----

RWCollectableAssociation::~RWCollectableAssociation() = default;

RWCollectable* RWCollectableAssociation::SetValue(RWCollectable* value) {
  RWCollectable* old = value_;
  value_ = value;
  return old;
}

RWCollectable* RWCollectableAssociation::CreateSameKind() const { return new RWCollectableAssociation; }

RWCollectable* RWCollectableAssociation::Clone() const { return new RWCollectableAssociation(key_, value_); }

RWClassID RWCollectableAssociation::ClassId() const { return RWCollectableAssociationClassId; }

// The key, then the value, each an object of the graph; a read starts from
// an empty association.
template <typename Archive>
void RWCollectableAssociation::Members(Archive& archive) {
  if constexpr (Archive::kReading) {
    key_ = nullptr;
    value_ = nullptr;
  }
  archive.Pointer(key_);
  archive.Pointer(value_);
}

RW_STORED_MEMBERS_DEFINE(RWCollectableAssociation, RWCollectable)

int RWCollectableAssociation::CompareTo(const RWCollectable* x) const {
  if (KeyNesting::TooDeep()) return RWCollectable::CompareTo(x);
  KeyNesting nesting;
  // A null key is below everything but another null key; x's comparison
  // is not asked about a null pointer it may not expect.
  if (key_ == nullptr) return x == nullptr ? 0 : -1;
  if (x == nullptr) return 1;
  return -x->CompareTo(key_);
}

uint32_t RWCollectableAssociation::Hash() const {
  if (KeyNesting::TooDeep()) return RWCollectable::Hash();
  KeyNesting nesting;
  return key_ != nullptr ? key_->Hash() : 0;
}

bool RWCollectableAssociation::IsEqual(const RWCollectable* x) const {
  if (KeyNesting::TooDeep()) return x == this;
  KeyNesting nesting;
  return x != nullptr && key_ != nullptr && x->IsEqual(key_);
}

// ---- RWCollectableIDAssociation ----

RWCollectableIDAssociation::~RWCollectableIDAssociation() = default;

RWCollectable* RWCollectableIDAssociation::CreateSameKind() const { return new RWCollectableIDAssociation; }

RWCollectable* RWCollectableIDAssociation::Clone() const { return new RWCollectableIDAssociation(key_, value_); }

RWClassID RWCollectableIDAssociation::ClassId() const { return RWCollectableIDAssociationClassId; }

int RWCollectableIDAssociation::CompareTo(const RWCollectable* x) const {
  const RWCollectable* other = x;
  if (x != nullptr && x->ClassId() == RWCollectableIDAssociationClassId) {
    if (const auto* association = dynamic_cast<const RWCollectableAssociation*>(x)) other = association->Key();
  }
  const uintptr_t a = reinterpret_cast<uintptr_t>(key_);
  const uintptr_t b = reinterpret_cast<uintptr_t>(other);
  return a == b ? 0 : (a < b ? -1 : 1);
}

uint32_t RWCollectableIDAssociation::Hash() const { return AddressHash(key_); }

bool RWCollectableIDAssociation::IsEqual(const RWCollectable* x) const {
  if (x != nullptr && x->ClassId() == RWCollectableIDAssociationClassId) {
    const auto* association = dynamic_cast<const RWCollectableAssociation*>(x);
    return association != nullptr && association->Key() == key_;
  }
  return x == key_;
}

// ---- Factory create functions ----

RWCollectable* RWCollectableAssociationCreate() { return new RWCollectableAssociation; }

RWCollectable* RWCollectableIDAssociationCreate() { return new RWCollectableIDAssociation; }
