// GBinaryData: a byte blob carried through the model and its stored form.
// The object frees its bytes when its owner flag is set.
#pragma once

#include <cstdint>

#include "model/MPersistentObject.h"
#include "rw/RWMembers.h"

constexpr RWClassID GBinaryDataClassId = 4;

class GBinaryData : public MPersistentObject {
 public:
  // No data, length 0, flag 0.
  GBinaryData();
  // Stores the three values; with owner 1 the object frees data (allocated
  // with new[]) when done.
  GBinaryData(unsigned char* data, uint32_t length, int owner, const int32_t& id);
  // A new object (id 0, a new serial) holding its own copy of the bytes.
  GBinaryData(const GBinaryData& other);
  // Frees its own bytes and takes its own copy of the source's; id and
  // serial stay.
  GBinaryData& operator=(const GBinaryData& other);
  ~GBinaryData() override;

  static RWClassID StaticClassId() { return GBinaryDataClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GBinaryData);
  // Base, version, length, flag and the bytes.
  RW_STORED_MEMBERS();

  // Same class, id and length, and the same data or equal bytes.
  int Matches(const MPersistentObject* other) const override;

  // Frees the current bytes when owned, then stores the three values.
  void SetData(unsigned char* data, uint32_t length, int owner);
  // Hands the bytes to the caller and empties the object.
  unsigned char* Detach();
  // Frees the bytes when owned and empties the object.
  void Clear();

  unsigned char* GetData() const { return data_; }
  uint32_t GetLength() const { return length_; }
  int IsOwner() const { return owner_; }

 private:
  unsigned char* data_ = nullptr;
  uint32_t length_ = 0;
  int owner_ = 0;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GBinaryData*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GBinaryData*& out);

RWCollectable* GBinaryDataCreate();
