#include "model/GMediaPool.h"

#include <new>

#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GMediaPool::GMediaPool() = default;
GMediaPool::GMediaPool(const int32_t* id) : GEnumAttribute(id) {}
GMediaPool::GMediaPool(const GMediaPool& other) = default;

GMediaPool& GMediaPool::operator=(const GMediaPool& other) {
  if (this != &other) GEnumAttribute::operator=(other);
  return *this;
}

GMediaPool::~GMediaPool() = default;

QV_PERSISTENT_KIND_DEFINE(GMediaPool, GEnumAttribute, GMediaPoolClassId)

int GMediaPool::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  return GEnumAttribute::Matches(other);
}

template <typename Archive>
void GMediaPool::Members(Archive& archive) {
  archive.AnyVersion(ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(GMediaPool, GEnumAttribute)

GMediaQueryIterator* GMediaPool::CreateMediaQuery(int32_t orientation, uint16_t xResolution, uint16_t yResolution,
                                                  const GShortPoint& minimum, const GShortPoint& maximum) {
  return new (std::nothrow) GMediaQueryIterator(this, orientation, xResolution, yResolution, minimum, maximum);
}

GMedia* GMediaPool::FindMedia(int16_t paperId, int32_t orientation, uint16_t xResolution, uint16_t yResolution) {
  GMediaQueryIterator* query =
      CreateMediaQuery(orientation, xResolution, yResolution, GShortPoint(0, 0), GShortPoint(32767, 32767));
  if (query == nullptr) return nullptr;
  GMedia* found = nullptr;
  while (found == nullptr && query->Advance()) {
    GMedia* medium = query->CurrentMedia();
    if (medium->GetPaperId() == paperId) found = medium;
  }
  delete query;
  return found;
}

GMedia* GMediaPool::FindMediaAtResolution(int16_t paperId, int32_t orientation, uint16_t resolution) {
  return FindMedia(paperId, orientation, resolution, resolution);
}

// ---- GMediaQueryIterator ----

GMediaQueryIterator::GMediaQueryIterator(GMediaPool* pool, int32_t orientation, uint16_t xResolution,
                                         uint16_t yResolution, const GShortPoint& minimum,
                                         const GShortPoint& maximum)
    : GAttributeCompositeIterator(pool),
      orientation_(orientation),
      xResolution_(xResolution),
      yResolution_(yResolution),
      minimum_(minimum),
      maximum_(maximum) {}

GMediaQueryIterator::~GMediaQueryIterator() = default;

bool GMediaQueryIterator::Fits(const GMedia& medium) const {
  const GShortPoint& size = *medium.GetSize();
  return medium.GetOrientation() == orientation_ && medium.GetXResolution() == xResolution_ &&
         medium.GetYResolution() == yResolution_ && size.x >= minimum_.x && size.x <= maximum_.x &&
         size.y >= minimum_.y && size.y <= maximum_.y;
}

int GMediaQueryIterator::Advance() {
  while (GAttributeCompositeIterator::Advance()) {
    // A pool read from a damaged file may hold something other than a
    // medium, or an empty place: those are passed over.
    const auto* medium = dynamic_cast<const GMedia*>(Current());
    if (medium != nullptr && Fits(*medium)) return 1;
  }
  return 0;
}

GMedia* GMediaQueryIterator::CurrentMedia() { return dynamic_cast<GMedia*>(Current()); }

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GMediaPool*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GMediaPool*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GMediaPoolCreate() { return new GMediaPool; }
