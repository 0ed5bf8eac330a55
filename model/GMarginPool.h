// GMarginPool: the device model's table of unprintable margins. Each record
// holds, for the orientations 0, 90, 180 and 270 degrees in that order, the
// left, top, right and bottom margins in micrometres; the media built for
// custom paper sizes take their margins from record 0.
#pragma once

#include <cstdint>

#include "model/MPersistentObject.h"
#include "rw/RWMembers.h"

constexpr RWClassID GMarginPoolClassId = 1014;

class GMarginPool : public MPersistentObject {
 public:
  // Values per record: four orientations of left, top, right, bottom.
  static constexpr uint32_t kRecordValues = 16;

  // Feature id 959, no records.
  GMarginPool();
  explicit GMarginPool(const int32_t& id);
  // Copies every record into an array of its own.
  GMarginPool(const GMarginPool& other);
  GMarginPool& operator=(const GMarginPool& other);
  ~GMarginPool() override;

  static RWClassID StaticClassId() { return GMarginPoolClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GMarginPool);
  RW_STORED_MEMBERS();

  // Appends a copy of the 16 values; the new record's index, or -1 (and no
  // change) when record is null or memory runs out.
  int32_t Add(const int32_t* record);
  // The record at index, or null when there is none.
  const int32_t* Get(uint32_t index) const;
  uint32_t GetCount() const { return count_; }

 private:
  void Clear();
  // Takes a copy of count records; false (and no records) when memory runs out.
  bool Assign(const int32_t* records, uint32_t count);
  // Appends one restored record, growing the array geometrically.
  bool AppendRestored(const int32_t* record, uint32_t& capacity);

  uint32_t count_ = 0;
  int32_t* records_ = nullptr;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GMarginPool*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GMarginPool*& out);

RWCollectable* GMarginPoolCreate();
