// GCapabilities: the numbered capability bits of a device model, read with
// the stored device model and queried bit by bit. Bits at or above the bit
// count do not exist: they test clear and are not stored.
#pragma once

#include <cstdint>

#include "model/MPersistentObject.h"
#include "rw/RWBitVector.h"
#include "rw/RWMembers.h"

constexpr RWClassID GCapabilitiesClassId = 1003;

class GCapabilities : public MPersistentObject {
 public:
  // No bits.
  GCapabilities();
  explicit GCapabilities(const int32_t& id);
  // count bits, all clear.
  GCapabilities(const int32_t& id, uint32_t count);
  // count bits, then Set (bit).
  GCapabilities(const int32_t& id, uint32_t count, uint32_t bit);
  // count bits, then SetMany (bits, listCount).
  GCapabilities(const int32_t& id, uint32_t count, const uint32_t* bits, uint16_t listCount);
  // Copy id, serial and the bits.
  GCapabilities(const GCapabilities& other);
  GCapabilities& operator=(const GCapabilities& other);
  ~GCapabilities() override;

  static RWClassID StaticClassId() { return GCapabilitiesClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GCapabilities);
  // Base, version, bit count and the bytes of the bits.
  RW_STORED_MEMBERS();

  // Same class and id, the same bit count and the same bits.
  int Matches(const MPersistentObject* other) const override;

  // Grows the set to bit + 1 bits when needed, then sets the bit. The bit
  // count is 32-bit, so bit 0xFFFFFFFF cannot exist and is not set.
  void Set(uint32_t bit);
  // Grows the set to one more than the largest listed bit when needed, then
  // sets every listed bit (as Set, 0xFFFFFFFF is left out).
  void SetMany(const uint32_t* bits, uint16_t count);
  // Clears the bit when it exists.
  void ClearBit(uint32_t bit);
  void ClearMany(const uint32_t* bits, uint16_t count);
  // 1 when the bit exists and is set.
  int Has(uint32_t bit) const;
  // 1 when every listed bit exists and is set (1 for an empty list).
  int HasAll(const uint32_t* bits, uint16_t count) const;
  // 1 when some listed bit exists and is set (0 for an empty list).
  int HasAny(const uint32_t* bits, uint16_t count) const;
  uint32_t GetBitCount() const { return static_cast<uint32_t>(bits_.BitCount()); }
  uint32_t CountSet() const { return static_cast<uint32_t>(bits_.CountSet()); }

 private:
  RWBitVector bits_;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GCapabilities*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GCapabilities*& out);

RWCollectable* GCapabilitiesCreate();
