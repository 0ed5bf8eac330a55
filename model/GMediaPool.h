// GMediaPool: the media a printer supports, as an enumeration whose options
// are GMedia objects (one per paper size, orientation and resolution) with
// one selected. The driver instance and the paper and source mapping look
// media up in it by paper id, orientation and resolution, and walk the
// media whose size lies within bounds with a GMediaQueryIterator.
#pragma once

#include <cstdint>

#include "model/GAttributeComposite.h"
#include "model/GEnumAttribute.h"
#include "model/GMedia.h"
#include "rw/RWMembers.h"

constexpr RWClassID GMediaPoolClassId = 1006;

class GMediaQueryIterator;

class GMediaPool : public GEnumAttribute {
 public:
  GMediaPool();
  explicit GMediaPool(const int32_t* id);
  GMediaPool(const GMediaPool& other);
  GMediaPool& operator=(const GMediaPool& other);
  ~GMediaPool() override;

  static RWClassID StaticClassId() { return GMediaPoolClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GMediaPool);
  // The enumeration's body and the pool's own version.
  RW_STORED_MEMBERS();
  // Same class, then the enumeration's match.
  int Matches(const MPersistentObject* other) const override;

  // A new iterator over the media of this orientation and resolution whose
  // width and height lie within minimum..maximum (both ends included); the
  // caller deletes it. Null when it cannot be allocated.
  GMediaQueryIterator* CreateMediaQuery(int32_t orientation, uint16_t xResolution, uint16_t yResolution,
                                        const GShortPoint& minimum, const GShortPoint& maximum);
  // The first medium of the paper id at that orientation and resolution,
  // borrowed from the pool; null when there is none.
  GMedia* FindMedia(int16_t paperId, int32_t orientation, uint16_t xResolution, uint16_t yResolution);
  // FindMedia with the same resolution across and down.
  GMedia* FindMediaAtResolution(int16_t paperId, int32_t orientation, uint16_t resolution);
};

// Walks the media of a pool that fit a query: orientation, x and y
// resolution equal, and width and height within the bounds (signed 16-bit,
// both ends included). Children that are not media are passed over.
class GMediaQueryIterator : public GAttributeCompositeIterator {
 public:
  GMediaQueryIterator(GMediaPool* pool, int32_t orientation, uint16_t xResolution, uint16_t yResolution,
                      const GShortPoint& minimum, const GShortPoint& maximum);
  ~GMediaQueryIterator() override;

  // Moves on to the next medium that fits: 1 when the cursor stands on one;
  // at the end the cursor goes back before the first child and 0 is
  // returned.
  int Advance() override;

  // The medium under the cursor (after Advance answered 1), borrowed.
  GMedia* CurrentMedia();

 private:
  bool Fits(const GMedia& medium) const;

  int32_t orientation_;
  uint16_t xResolution_;
  uint16_t yResolution_;
  GShortPoint minimum_;
  GShortPoint maximum_;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GMediaPool*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GMediaPool*& out);

RWCollectable* GMediaPoolCreate();
