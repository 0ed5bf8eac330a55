// GPersistableULong: one unsigned 32-bit integer as a model object. Values order
// and compare by value; it is the key type of the device font lists.
#pragma once

#include <cstdint>

#include "model/MPersistentObject.h"

constexpr RWClassID GPersistableULongClassId = 778;

class GPersistableULong : public MPersistentObject {
 public:
  // Id 0, a new serial.
  explicit GPersistableULong(uint32_t value = 0);
  // Id 0, a new serial and the source's value: neither id nor serial is
  // copied.
  GPersistableULong(const GPersistableULong& other);
  // Takes the value only.
  GPersistableULong& operator=(const GPersistableULong& other);
  ~GPersistableULong() override;

  static RWClassID StaticClassId() { return GPersistableULongClassId; }
  static uint32_t ClassVersion() { return 1; }

  GPersistableULong* CreateSameKind() const override;
  GPersistableULong* Clone() const override;
  RWClassID ClassId() const override;
  // Another class: identity order; else three-way by value.
  int CompareTo(const RWCollectable* other) const override;
  // Same class and value; ids are not compared.
  bool IsEqual(const RWCollectable* other) const override;
  // Base, version and the value.
  uint32_t MembersStoreSize() const override;
  void RestoreMembers(RWVirtualInStream& stream) override;
  void RestoreMembersFromFile(RWBinaryFile& file) override;
  void SaveMembers(RWVirtualOutStream& stream) const override;
  void SaveMembersToFile(RWBinaryFile& file) const override;

  int DerivesFrom(RWClassID classId) const override;
  // Same class, id and value.
  int Matches(const MPersistentObject* other) const override;

  uint32_t GetValue() const { return value_; }

 private:
  uint32_t value_;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GPersistableULong*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GPersistableULong*& out);

RWCollectable* GPersistableULongCreate();
