#include "model/GPersistableLong.h"

#include "model/MPersistentRead.h"

GPersistableLong::GPersistableLong(int32_t value) : GPersistableNumber(value) {}

GPersistableLong* GPersistableLong::CreateSameKind() const { return new GPersistableLong; }
GPersistableLong* GPersistableLong::Clone() const { return new GPersistableLong(*this); }

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GPersistableLong*& out) {
  return MReadPersistentAs(stream, out);
}

RWBinaryFile& operator>>(RWBinaryFile& file, GPersistableLong*& out) { return MReadPersistentAs(file, out); }

RWCollectable* GPersistableLongCreate() { return new GPersistableLong; }
