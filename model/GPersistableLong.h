// GPersistableLong: one signed 32-bit integer as a model object. Values order
// and compare by value.
#pragma once

#include <cstdint>

#include "model/GPersistableNumber.h"

constexpr RWClassID GPersistableLongClassId = 777;

class GPersistableLong : public GPersistableNumber<int32_t, GPersistableLongClassId> {
 public:
  // Id 0, a new serial.
  explicit GPersistableLong(int32_t value = 0);

  GPersistableLong* CreateSameKind() const override;
  GPersistableLong* Clone() const override;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GPersistableLong*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GPersistableLong*& out);

RWCollectable* GPersistableLongCreate();
