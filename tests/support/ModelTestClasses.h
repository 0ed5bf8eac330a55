// Small model classes for the model's tests: a leaf with one stored field
// that counts its live instances, and a composite whose AddChild refuses
// everything. Both follow the persistence pattern of every model class and
// are registered by the test environment.
#pragma once

#include <cstdint>

#include "model/MPersistentComposite.h"
#include "model/MPersistentObject.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

constexpr RWClassID TestLeafClassId = 1990;
constexpr RWClassID TestRefusingCompositeClassId = 1991;

class TestLeaf : public MPersistentObject {
 public:
  // Instances alive now: a leak or a double delete shows here.
  static inline int live = 0;

  TestLeaf() { ++live; }
  TestLeaf(int32_t value, const int32_t& id) : MPersistentObject(id), value_(value) { ++live; }
  TestLeaf(const TestLeaf& other) : MPersistentObject(other), value_(other.value_) { ++live; }
  TestLeaf& operator=(const TestLeaf& other) = default;
  ~TestLeaf() override { --live; }

  static RWClassID StaticClassId() { return TestLeafClassId; }
  static uint32_t ClassVersion() { return 1; }

  TestLeaf* CreateSameKind() const override { return new TestLeaf; }
  TestLeaf* Clone() const override { return new TestLeaf(*this); }
  RWClassID ClassId() const override { return TestLeafClassId; }
  int DerivesFrom(RWClassID id) const override { return id == TestLeafClassId || MPersistentObject::DerivesFrom(id); }
  int Matches(const MPersistentObject* other) const override {
    auto* leaf = dynamic_cast<const TestLeaf*>(other);
    return leaf != nullptr && MPersistentObject::Matches(other) && leaf->value_ == value_;
  }
  uint32_t MembersStoreSize() const override { return MPersistentObject::MembersStoreSize() + 4 + 4; }
  void SaveMembers(RWVirtualOutStream& stream) const override {
    MPersistentObject::SaveMembers(stream);
    stream.PutULong(ClassVersion());
    stream.PutLong(value_);
  }
  void SaveMembersToFile(RWBinaryFile& file) const override {
    MPersistentObject::SaveMembersToFile(file);
    file.WriteULong(ClassVersion());
    file.WriteLong(value_);
  }
  void RestoreMembers(RWVirtualInStream& stream) override {
    MPersistentObject::RestoreMembers(stream);
    uint32_t version = 0;
    stream.GetULong(version);
    if (!stream.Good() || version != ClassVersion()) return;
    stream.GetLong(value_);
  }
  void RestoreMembersFromFile(RWBinaryFile& file) override {
    MPersistentObject::RestoreMembersFromFile(file);
    uint32_t version = 0;
    if (!file.ReadULong(version) || version != ClassVersion()) return;
    file.ReadLong(value_);
  }

  int32_t Value() const { return value_; }
  void SetValue(int32_t value) { value_ = value; }

 private:
  int32_t value_ = 0;
};

// A list that takes no children through AddChild (as some derived lists
// filter what they are given): a refused object that nobody holds is
// destroyed. Restore must still bring back every child.
class TestRefusingComposite : public MPersistentComposite {
 public:
  TestRefusingComposite* CreateSameKind() const override { return new TestRefusingComposite; }
  TestRefusingComposite* Clone() const override { return new TestRefusingComposite(*this); }
  RWClassID ClassId() const override { return TestRefusingCompositeClassId; }
  int DerivesFrom(RWClassID id) const override {
    return id == TestRefusingCompositeClassId || MPersistentComposite::DerivesFrom(id);
  }
  void AddChild(MPersistentObject* child) override {
    if (child != nullptr && child->HolderCount() == -1) delete child;
  }
};

inline RWCollectable* TestLeafCreate() { return new TestLeaf; }
inline RWCollectable* TestRefusingCompositeCreate() { return new TestRefusingComposite; }
