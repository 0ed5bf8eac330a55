#include "model/GResourceMapping.h"

#include "model/MPersistentRead.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GResourceMapping::GResourceMapping() = default;

GResourceMapping::GResourceMapping(int32_t resourceId, int16_t systemCode, int16_t deviceCode, const int32_t& id)
    : MPersistentObject(id), resourceId_(resourceId), systemCode_(systemCode), deviceCode_(deviceCode) {}

GResourceMapping::GResourceMapping(const GResourceMapping& other) = default;

GResourceMapping& GResourceMapping::operator=(const GResourceMapping& other) {
  if (this != &other) {
    MPersistentObject::operator=(other);
    resourceId_ = other.resourceId_;
    systemCode_ = other.systemCode_;
    deviceCode_ = other.deviceCode_;
  }
  return *this;
}

GResourceMapping::~GResourceMapping() = default;

QV_PERSISTENT_KIND_DEFINE(GResourceMapping, MPersistentObject, GResourceMappingClassId)

int GResourceMapping::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !MPersistentObject::Matches(other)) return 0;
  auto* mapping = dynamic_cast<const GResourceMapping*>(other);
  return mapping != nullptr && mapping->resourceId_ == resourceId_ && mapping->systemCode_ == systemCode_ &&
         mapping->deviceCode_ == deviceCode_;
}

// ---- Persistence ----

template <typename Archive>
void GResourceMapping::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive(rwm::As<uint32_t>(resourceId_), rwm::As<uint16_t>(systemCode_), deviceCode_);
}

RW_STORED_MEMBERS_DEFINE(GResourceMapping, MPersistentObject)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GResourceMapping*& out) {
  return MReadPersistentAs(stream, out);
}

RWBinaryFile& operator>>(RWBinaryFile& file, GResourceMapping*& out) { return MReadPersistentAs(file, out); }

RWCollectable* GResourceMappingCreate() { return new GResourceMapping; }
