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

GResourceMapping* GResourceMapping::CreateSameKind() const { return new GResourceMapping; }
GResourceMapping* GResourceMapping::Clone() const { return new GResourceMapping(*this); }
RWClassID GResourceMapping::ClassId() const { return GResourceMappingClassId; }

int GResourceMapping::DerivesFrom(RWClassID classId) const {
  return classId == GResourceMappingClassId || MPersistentObject::DerivesFrom(classId);
}

int GResourceMapping::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !MPersistentObject::Matches(other)) return 0;
  auto* mapping = dynamic_cast<const GResourceMapping*>(other);
  return mapping != nullptr && mapping->resourceId_ == resourceId_ && mapping->systemCode_ == systemCode_ &&
         mapping->deviceCode_ == deviceCode_;
}

// ---- Persistence ----

uint32_t GResourceMapping::MembersStoreSize() const { return MPersistentObject::MembersStoreSize() + 12; }

void GResourceMapping::SaveMembers(RWVirtualOutStream& stream) const {
  MPersistentObject::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  stream.PutULong(static_cast<uint32_t>(resourceId_));
  stream.PutUShort(static_cast<uint16_t>(systemCode_));
  stream.PutShort(deviceCode_);
}

void GResourceMapping::SaveMembersToFile(RWBinaryFile& file) const {
  MPersistentObject::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  file.WriteULong(static_cast<uint32_t>(resourceId_));
  file.WriteUShort(static_cast<uint16_t>(systemCode_));
  file.WriteShort(deviceCode_);
}

void GResourceMapping::RestoreMembers(RWVirtualInStream& stream) {
  MPersistentObject::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  uint32_t resourceId = 0;
  uint16_t systemCode = 0;
  stream.GetULong(resourceId);
  if (!stream.Good()) return;
  resourceId_ = static_cast<int32_t>(resourceId);
  stream.GetUShort(systemCode);
  if (!stream.Good()) return;
  systemCode_ = static_cast<int16_t>(systemCode);
  stream.GetShort(deviceCode_);
}

void GResourceMapping::RestoreMembersFromFile(RWBinaryFile& file) {
  MPersistentObject::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  uint32_t resourceId = 0;
  uint16_t systemCode = 0;
  if (!file.ReadULong(resourceId)) return;
  resourceId_ = static_cast<int32_t>(resourceId);
  if (!file.ReadUShort(systemCode)) return;
  systemCode_ = static_cast<int16_t>(systemCode);
  file.ReadShort(deviceCode_);
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GResourceMapping*& out) {
  return MReadPersistentAs(stream, out);
}

RWBinaryFile& operator>>(RWBinaryFile& file, GResourceMapping*& out) { return MReadPersistentAs(file, out); }

RWCollectable* GResourceMappingCreate() { return new GResourceMapping; }
