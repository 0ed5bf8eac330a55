#include "rw/RWBTreeDictionary.h"

#include "rw/RWBinaryFile.h"
#include "rw/RWError.h"
#include "rw/RWHashTable.h"
#include "rw/RWReadTable.h"
#include "rw/RWVirtualStream.h"

namespace {

// Comparing dictionaries compares their values, which may be dictionaries
// in turn, and a stored graph read from outside can make a dictionary hold
// itself as a value. Past this nesting a dictionary equals only itself, so
// every comparison ends.
constexpr int kMaxEqualityNesting = 64;
thread_local int t_equalityNesting = 0;

struct EqualityNesting {
  EqualityNesting() { ++t_equalityNesting; }
  ~EqualityNesting() { --t_equalityNesting; }
};

RWCollectableAssociation* AsAssociation(RWCollectable* element) {
  return dynamic_cast<RWCollectableAssociation*>(element);
}

// Marks the restore in progress on this thread as failed: the stored
// dictionary is damaged. The framing then fails the input and frees what
// the restore created.
void FailRestore() {
  RWReadTableGuard guard;
  guard.Table().Fail(RWToolsMsg_STREAM()->text);
}

}  // namespace

RWBTreeDictionary::RWBTreeDictionary(const RWBTreeDictionary& other) : RWBTree() { Assign(other); }

RWBTreeDictionary::~RWBTreeDictionary() { DeleteAssociations(); }

void RWBTreeDictionary::Assign(const RWBTreeDictionary& other) {
  if (&other == this) return;
  RemoveAll();
  other.ApplyToEach(
      [](RWCollectable* element, void* target) {
        auto* self = static_cast<RWBTreeDictionary*>(target);
        RWCollectableAssociation* clone = AsAssociation(element != nullptr ? element->Clone() : nullptr);
        if (clone == nullptr) return;
        if (self->Add(clone) != clone) {
          delete clone;
          return;
        }
        clone->heldByDictionary_ = true;
      },
      this);
}

RW_COLLECTABLE_KIND_DEFINE(RWBTreeDictionary)

bool RWBTreeDictionary::IsEqual(const RWCollectable* other) const {
  if (other == this) return true;
  if (other == nullptr || other->ClassId() != RWBTreeDictionaryClassId) return false;
  const auto* dictionary = dynamic_cast<const RWBTreeDictionary*>(other);
  if (dictionary == nullptr || dictionary->Count() != Count()) return false;
  if (t_equalityNesting >= kMaxEqualityNesting) return false;
  EqualityNesting nesting;
  struct Comparison {
    const RWBTreeDictionary* other;
    bool equal;
  } comparison{dictionary, true};
  ApplyToEach(
      [](RWCollectable* element, void* data) {
        auto& c = *static_cast<Comparison*>(data);
        if (!c.equal) return;
        RWCollectableAssociation* association = AsAssociation(element);
        RWCollectable* theirs = nullptr;
        if (association == nullptr || c.other->FindKeyAndValue(association->Key(), theirs) == nullptr) {
          c.equal = false;
          return;
        }
        const RWCollectable* mine = association->Value();
        c.equal = mine == nullptr || theirs == nullptr ? mine == theirs : theirs->IsEqual(mine);
      },
      &comparison);
  return comparison.equal;
}

void RWBTreeDictionary::DeleteAssociations() {
  ApplyToEach([](RWCollectable* element, void*) { delete element; }, nullptr);
}

void RWBTreeDictionary::RemoveAll() {
  DeleteAssociations();
  RWBTree::RemoveAll();
}

void RWBTreeDictionary::RemoveAndDeleteAll() {
  // Each key and value once, by identity. The dictionary itself and its own
  // associations (which a graph read from outside can hold as keys or
  // values) are not among them: they are freed by RemoveAll, or are the
  // object being worked on.
  RWIdentitySet distinct(Count() / 4);
  RWIdentitySet associations(Count() / 4);
  struct Sets {
    RWIdentitySet* distinct;
    RWIdentitySet* associations;
  } sets{&distinct, &associations};
  ApplyToEach(
      [](RWCollectable* element, void* data) {
        auto& s = *static_cast<Sets*>(data);
        s.associations->Add(element);
        if (RWCollectableAssociation* association = AsAssociation(element)) {
          s.distinct->Add(association->Key());
          s.distinct->Add(association->Value());
        }
      },
      &sets);
  distinct.RemoveAllOf(associations);
  distinct.RemoveEqual(this);
  distinct.RemoveAndDeleteAll();
  RemoveAll();
}

RWCollectable* RWBTreeDictionary::FindEqual(const RWCollectable* x) const {
  RWCollectableAssociation* association = FindAssociation(x);
  return association != nullptr ? association->Key() : nullptr;
}

RWCollectable* RWBTreeDictionary::RemoveEqual(const RWCollectable* x) {
  RWCollectable* value = nullptr;
  return RemoveKeyAndValue(x, value);
}

void RWBTreeDictionary::RemoveEqualAndDelete(const RWCollectable* x) {
  RWCollectable* removed = RWBTree::RemoveEqual(x);
  if (removed == nullptr) return;
  RWCollectableAssociation* association = AsAssociation(removed);
  RWCollectable* key = association != nullptr ? association->Key() : nullptr;
  RWCollectable* value = association != nullptr ? association->Value() : nullptr;
  // Each object once; the dictionary itself is never deleted from inside.
  if (key != removed && key != this) delete key;
  if (value != key && value != removed && value != this) delete value;
  delete removed;
}

// ---- Stored form ----

bool RWBTreeDictionary::TakeRestored(RWCollectable* element) {
  RWCollectableAssociation* association = AsAssociation(element);
  if (association == nullptr || association->Key() == nullptr || association->heldByDictionary_) return false;
  if (Add(association) != association) return false;
  association->heldByDictionary_ = true;
  // The dictionary deletes it from now on, also when the restore fails.
  RWReadTableGuard::Adopt(association);
  return true;
}

void RWBTreeDictionary::RestoreMembers(RWVirtualInStream& stream) {
  // One restore for the whole body, also when it is called on its own.
  RWReadTableGuard guard;
  RemoveAll();
  RestoreElements(stream, [](RWObjectCollection& collection, RWCollectable* element) {
    if (!static_cast<RWBTreeDictionary&>(collection).TakeRestored(element)) FailRestore();
  });
  if (guard.Table().Failed()) {
    // The pairs read so far may refer to keys and values that the failed
    // restore frees.
    RemoveAll();
    stream.SetState(RW_STREAM_FAIL);
  }
}

void RWBTreeDictionary::RestoreMembersFromFile(RWBinaryFile& file) {
  RWReadTableGuard guard;
  RemoveAll();
  RestoreElementsFromFile(file, [](RWObjectCollection& collection, RWCollectable* element) {
    if (!static_cast<RWBTreeDictionary&>(collection).TakeRestored(element)) FailRestore();
  });
  if (guard.Table().Failed()) {
    RemoveAll();
    // As the framing leaves a failed file: at its end with the end
    // indicator set, so that every further read fails at once.
    file.SeekToEnd();
    char byte;
    file.ReadChar(byte);
  }
}

// ---- Pairs ----

RWCollectableAssociation* RWBTreeDictionary::FindAssociation(const RWCollectable* key) const {
  return AsAssociation(RWBTree::FindEqual(key));
}

RWCollectable* RWBTreeDictionary::InsertPair(RWCollectable* key, RWCollectable* value) {
  if (key == nullptr) return nullptr;
  auto* association = new RWCollectableAssociation(key, value);
  if (Add(association) != association) {
    delete association;
    return nullptr;
  }
  association->heldByDictionary_ = true;
  return key;
}

RWCollectable* RWBTreeDictionary::FindValue(const RWCollectable* key) const {
  RWCollectableAssociation* association = FindAssociation(key);
  return association != nullptr ? association->Value() : nullptr;
}

RWCollectable* RWBTreeDictionary::FindKeyAndValue(const RWCollectable* key, RWCollectable*& value) const {
  RWCollectableAssociation* association = FindAssociation(key);
  value = association != nullptr ? association->Value() : nullptr;
  return association != nullptr ? association->Key() : nullptr;
}

RWCollectable* RWBTreeDictionary::SetValue(const RWCollectable* key, RWCollectable* value) {
  RWCollectableAssociation* association = FindAssociation(key);
  return association != nullptr ? association->SetValue(value) : nullptr;
}

RWCollectable* RWBTreeDictionary::RemoveKeyAndValue(const RWCollectable* key, RWCollectable*& value) {
  value = nullptr;
  RWCollectable* removed = RWBTree::RemoveEqual(key);
  if (removed == nullptr) return nullptr;
  RWCollectableAssociation* association = AsAssociation(removed);
  RWCollectable* storedKey = association != nullptr ? association->Key() : nullptr;
  if (association != nullptr) value = association->Value();
  delete removed;
  return storedKey;
}

void RWBTreeDictionary::ApplyToPairs(RWApplyKeyAndValue function, void* userData) const {
  struct Call {
    RWApplyKeyAndValue function;
    void* userData;
  } call{function, userData};
  ApplyToEach(
      [](RWCollectable* element, void* data) {
        auto& c = *static_cast<Call*>(data);
        if (RWCollectableAssociation* association = AsAssociation(element))
          c.function(association->Key(), association->Value(), c.userData);
      },
      &call);
}

RWBTreeDictionary* RWBTreeDictionary::SelectKeys(RWTestKey predicate, const void* userData) const {
  struct Selection {
    RWTestKey predicate;
    const void* userData;
    RWBTreeDictionary* result;
  } selection{predicate, userData, new RWBTreeDictionary};
  ApplyToPairs(
      [](RWCollectable* key, RWCollectable* value, void* data) {
        auto& s = *static_cast<Selection*>(data);
        if (s.predicate(key, s.userData)) s.result->InsertPair(key, value);
      },
      &selection);
  return selection.result;
}

RWBTreeDictionary* RWBTreeDictionary::SelectPairs(RWTestKeyAndValue predicate, const void* userData) const {
  struct Selection {
    RWTestKeyAndValue predicate;
    const void* userData;
    RWBTreeDictionary* result;
  } selection{predicate, userData, new RWBTreeDictionary};
  ApplyToPairs(
      [](RWCollectable* key, RWCollectable* value, void* data) {
        auto& s = *static_cast<Selection*>(data);
        if (s.predicate(key, value, s.userData)) s.result->InsertPair(key, value);
      },
      &selection);
  return selection.result;
}

RWCollectable* RWBTreeDictionaryCreate() { return new RWBTreeDictionary; }
