// GResourceMappingList: the resource mappings of one kind of item (paper
// sources, output bins, an extension's tray map). Mappings enter only
// through AddIfNew or AddIfNewDeviceCode, which keep device codes (and
// resource ids) unique; AddChild takes nothing.
#pragma once

#include <cstdint>

#include "model/GResourceMapping.h"
#include "model/MPersistentComposite.h"
#include "rw/RWMembers.h"

constexpr RWClassID GResourceMappingListClassId = 1005;

class GResourceMappingList : public MPersistentComposite {
 public:
  GResourceMappingList();
  explicit GResourceMappingList(const int32_t& id);
  // Shares the source's mappings.
  GResourceMappingList(const GResourceMappingList& other);
  GResourceMappingList& operator=(const GResourceMappingList& other);
  ~GResourceMappingList() override;

  static RWClassID StaticClassId() { return GResourceMappingListClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GResourceMappingList);
  // The composite's body and the list's own version.
  RW_STORED_MEMBERS();

  int Matches(const MPersistentObject* other) const override;
  // Ignored: the object is neither added nor deleted.
  void AddChild(MPersistentObject* child) override;
  // A new empty list with the id: mappings never enter through AddChild, so
  // a deep copy has none. Clone shares the mappings.
  MPersistentObject* DeepCopy() const override;

  // Appends the mapping (the list takes it over) and answers 1, unless a
  // mapping with its device code or its resource id is present: then 0 and
  // the mapping stays with the caller.
  int AddIfNew(GResourceMapping* mapping);
  // The same, testing the device code only.
  int AddIfNewDeviceCode(GResourceMapping* mapping);

  // The first mapping with the value, borrowed; null when none.
  GResourceMapping* FindBySystemCode(int16_t code);
  GResourceMapping* FindByDeviceCode(int16_t code);
  GResourceMapping* FindByResourceId(int32_t resourceId);
  // Remove what the matching find answers and hand it to the caller (a
  // copy when it is still held elsewhere); null when none.
  GResourceMapping* RemoveBySystemCode(int16_t code);
  GResourceMapping* RemoveByDeviceCode(int16_t code);
  GResourceMapping* RemoveByResourceId(int32_t resourceId);

 private:
  // Appends through the composite; 1 when the list took the mapping.
  int Append(GResourceMapping* mapping);
  GResourceMapping* Remove(GResourceMapping* found);
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GResourceMappingList*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GResourceMappingList*& out);

RWCollectable* GResourceMappingListCreate();
