// GPersistableLong: one signed 32-bit integer as a model object. Values order
// and compare by value.
#pragma once

#include <cstdint>

#include "model/MPersistentObject.h"

constexpr RWClassID GPersistableLongClassId = 777;

class GPersistableLong : public MPersistentObject {
 public:
  // Id 0, a new serial.
  explicit GPersistableLong(int32_t value = 0);
  // Id 0, a new serial and the source's value: neither id nor serial is
  // copied.
  GPersistableLong(const GPersistableLong& other);
  // Takes the value only.
  GPersistableLong& operator=(const GPersistableLong& other);
  ~GPersistableLong() override;

  static RWClassID StaticClassId() { return GPersistableLongClassId; }
  static uint32_t ClassVersion() { return 1; }

  GPersistableLong* CreateSameKind() const override;
  GPersistableLong* Clone() const override;
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

  int32_t GetValue() const { return value_; }

 private:
  int32_t value_;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GPersistableLong*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GPersistableLong*& out);

RWCollectable* GPersistableLongCreate();
