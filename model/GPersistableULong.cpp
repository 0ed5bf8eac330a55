#include "model/GPersistableULong.h"

#include "model/MPersistentRead.h"

GPersistableULong::GPersistableULong(uint32_t value) : GPersistableNumber(value) {}

GPersistableULong* GPersistableULong::CreateSameKind() const { return new GPersistableULong; }
GPersistableULong* GPersistableULong::Clone() const { return new GPersistableULong(*this); }

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GPersistableULong*& out) {
  return MReadPersistentAs(stream, out);
}

RWBinaryFile& operator>>(RWBinaryFile& file, GPersistableULong*& out) { return MReadPersistentAs(file, out); }

RWCollectable* GPersistableULongCreate() { return new GPersistableULong; }
