#include "model/GRenderAttribute.h"

#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GRenderAttribute::GRenderAttribute() = default;
GRenderAttribute::GRenderAttribute(const int32_t* id) : GAttribute(id) {}
GRenderAttribute::GRenderAttribute(const GRenderAttribute& other) = default;
GRenderAttribute& GRenderAttribute::operator=(const GRenderAttribute& other) = default;
GRenderAttribute::~GRenderAttribute() = default;

RWClassID GRenderAttribute::ClassId() const { return GRenderAttributeClassId; }

int GRenderAttribute::DerivesFrom(RWClassID classId) const {
  return classId == GRenderAttributeClassId || GAttribute::DerivesFrom(classId);
}

int GRenderAttribute::Matches(const MPersistentObject* other) const { return GAttribute::Matches(other); }

uint32_t GRenderAttribute::MembersStoreSize() const { return GAttribute::MembersStoreSize() + 4; }

void GRenderAttribute::SaveMembers(RWVirtualOutStream& stream) const {
  GAttribute::SaveMembers(stream);
  stream.PutULong(ClassVersion());
}

void GRenderAttribute::SaveMembersToFile(RWBinaryFile& file) const {
  GAttribute::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
}

void GRenderAttribute::RestoreMembers(RWVirtualInStream& stream) {
  GAttribute::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
}

void GRenderAttribute::RestoreMembersFromFile(RWBinaryFile& file) {
  GAttribute::RestoreMembersFromFile(file);
  uint32_t version = 0;
  file.ReadULong(version);
}

GColorAttribute::GColorAttribute(const int32_t* id) : GRenderAttribute(id) {}
GColorAttribute::GColorAttribute(const GColorAttribute& other) = default;
GColorAttribute& GColorAttribute::operator=(const GColorAttribute& other) = default;
GColorAttribute::~GColorAttribute() = default;
