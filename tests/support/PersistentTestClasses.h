// Small persistent classes for the framing tests, registered with the class
// factory by ScopedPersistentTestClasses:
//   TestNode  (781)   a 32-bit value and a pointer it does not own;
//   TestLeaf  (782)   a 32-bit value;
//   TestOwner (783)   a child it owns (deleted with it) and adopts when it
//                     restores it;
//   TestNamed (an id from RWNewClassId, stored by the string id
//              "TestNamed"): a value and a pointer it does not own.
#pragma once

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "rw/RWBTreeDictionary.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWCollectableAssociation.h"
#include "rw/RWCollectable.h"
#include "rw/RWError.h"
#include "rw/RWFactory.h"
#include "rw/RWLibraryClasses.h"
#include "rw/RWObjectCollection.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWVirtualStream.h"

namespace qvtest {

class TestNode : public RWCollectable {
 public:
  static constexpr RWClassID kId = 781;
  TestNode() = default;
  explicit TestNode(int32_t v, RWCollectable* l = nullptr) : value(v), link(l) {}
  RWClassID ClassId() const override { return kId; }
  uint32_t MembersStoreSize() const override {
    return 4 + (link != nullptr ? link->StoredByteCount() : RWNullObjectInstance.StoredByteCount());
  }
  void SaveMembers(RWVirtualOutStream& s) const override {
    s.PutInt(value);
    RWWriteObjectPointer(s, link);
  }
  void SaveMembersToFile(RWBinaryFile& f) const override {
    f.WriteInt(value);
    RWWriteObjectPointerToFile(f, link);
  }
  void RestoreMembers(RWVirtualInStream& s) override {
    s.GetInt(value);
    RWReadObjectPointer(s, link);
  }
  void RestoreMembersFromFile(RWBinaryFile& f) override {
    f.ReadInt(value);
    RWReadObjectPointerFromFile(f, link);
  }

  int32_t value = 0;
  RWCollectable* link = nullptr;
};

class TestLeaf : public RWCollectable {
 public:
  static constexpr RWClassID kId = 782;
  TestLeaf() = default;
  explicit TestLeaf(int32_t v) : value(v) {}
  RWClassID ClassId() const override { return kId; }
  uint32_t MembersStoreSize() const override { return 4; }
  void SaveMembers(RWVirtualOutStream& s) const override { s.PutInt(value); }
  void SaveMembersToFile(RWBinaryFile& f) const override { f.WriteInt(value); }
  void RestoreMembers(RWVirtualInStream& s) override { s.GetInt(value); }
  void RestoreMembersFromFile(RWBinaryFile& f) override {
    f.ReadInt(value);
    // A negative value stands for a body that finds its own data wrong and
    // raises an error that is not one of damaged framing.
    if (value < 0) RWRaiseIndexOutOfRange(static_cast<uint32_t>(value), 0);
  }

  int32_t value = 0;
};

class TestOwner : public RWCollectable {
 public:
  static constexpr RWClassID kId = 783;
  TestOwner() = default;
  explicit TestOwner(RWCollectable* c) : child(c) {}
  ~TestOwner() override { delete child; }
  RWClassID ClassId() const override { return kId; }
  uint32_t MembersStoreSize() const override {
    return child != nullptr ? child->StoredByteCount() : RWNullObjectInstance.StoredByteCount();
  }
  void SaveMembers(RWVirtualOutStream& s) const override { RWWriteObjectPointer(s, child); }
  void SaveMembersToFile(RWBinaryFile& f) const override { RWWriteObjectPointerToFile(f, child); }
  void RestoreMembers(RWVirtualInStream& s) override {
    RWReadObjectPointer(s, child);
    RWReadTableGuard::Adopt(child);
  }
  void RestoreMembersFromFile(RWBinaryFile& f) override {
    RWReadObjectPointerFromFile(f, child);
    RWReadTableGuard::Adopt(child);
  }

  RWCollectable* child = nullptr;
};

class TestNamed : public TestNode {
 public:
  static RWClassID Id() {
    static const RWClassID id = RWNewClassId();
    return id;
  }
  TestNamed() = default;
  explicit TestNamed(int32_t v, RWCollectable* l = nullptr) : TestNode(v, l) {}
  RWClassID ClassId() const override { return Id(); }
};

// Registers the library's classes and the test classes for as long as it
// lives, and takes them out again: the factory is left as it was found, so
// the factory's own tests may run after it in the same process.
class ScopedPersistentTestClasses {
 public:
  ScopedPersistentTestClasses() {
    RWRegisterLibraryClasses();
    RWFactoryAddClass([]() -> RWCollectable* { return new TestNode; }, TestNode::kId, RWStringID("TestNode"));
    RWFactoryAddClass([]() -> RWCollectable* { return new TestLeaf; }, TestLeaf::kId, RWStringID("TestLeaf"));
    RWFactoryAddClass([]() -> RWCollectable* { return new TestOwner; }, TestOwner::kId, RWStringID("TestOwner"));
    RWFactoryAddClass([]() -> RWCollectable* { return new TestNamed; }, TestNamed::Id(), RWStringID("TestNamed"));
  }
  ~ScopedPersistentTestClasses() {
    for (RWClassID id : {TestNode::kId, TestLeaf::kId, TestOwner::kId, TestNamed::Id()}) RWFactoryRemoveClassId(id);
    for (const char* name : {"TestNode", "TestLeaf", "TestOwner", "TestNamed"}) RWFactoryRemoveStringId(RWStringID(name));
    RWUnregisterLibraryClasses();
  }
  ScopedPersistentTestClasses(const ScopedPersistentTestClasses&) = delete;
  ScopedPersistentTestClasses& operator=(const ScopedPersistentTestClasses&) = delete;
};

// Deletes every object reachable from root once. The test classes and the
// collections do not own what they point to, except TestOwner (its child)
// and RWBTreeDictionary (its associations): what an owner deletes is walked
// but not deleted here. Associations lead on to their keys and values.
inline void DeleteGraph(RWCollectable* root) {
  std::unordered_set<RWCollectable*> seen;
  std::unordered_set<RWCollectable*> owned;
  std::vector<RWCollectable*> order;
  std::vector<RWCollectable*> work{root};
  auto pushElements = [](RWCollectable* e, void* w) { static_cast<std::vector<RWCollectable*>*>(w)->push_back(e); };
  while (!work.empty()) {
    RWCollectable* object = work.back();
    work.pop_back();
    if (object == nullptr || !seen.insert(object).second) continue;
    order.push_back(object);
    if (auto* node = dynamic_cast<TestNode*>(object)) work.push_back(node->link);
    if (auto* owner = dynamic_cast<TestOwner*>(object)) {
      owned.insert(owner->child);
      work.push_back(owner->child);
    }
    if (auto* association = dynamic_cast<RWCollectableAssociation*>(object)) {
      work.push_back(association->Key());
      work.push_back(association->Value());
    }
    if (auto* dictionary = dynamic_cast<RWBTreeDictionary*>(object)) {
      std::vector<RWCollectable*> associations;
      dictionary->ApplyToEach(pushElements, &associations);
      for (RWCollectable* a : associations) {
        owned.insert(a);
        work.push_back(a);
      }
    } else if (auto* collection = dynamic_cast<RWObjectCollection*>(object)) {
      collection->ApplyToEach(pushElements, &work);
    }
  }
  for (RWCollectable* object : order)
    if (owned.count(object) == 0) delete object;
}

}  // namespace qvtest
