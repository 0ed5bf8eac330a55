// GPersistableULong: one unsigned 32-bit integer as a model object. Values order
// and compare by value; it is the key type of the device font lists.
#pragma once

#include <cstdint>

#include "model/GPersistableNumber.h"

constexpr RWClassID GPersistableULongClassId = 778;

class GPersistableULong : public GPersistableNumber<uint32_t, GPersistableULongClassId> {
 public:
  // Id 0, a new serial.
  explicit GPersistableULong(uint32_t value = 0);

  GPersistableULong* CreateSameKind() const override;
  GPersistableULong* Clone() const override;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GPersistableULong*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GPersistableULong*& out);

RWCollectable* GPersistableULongCreate();
