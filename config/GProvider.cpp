#include "config/GProvider.h"

#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GProvider::GProvider() = default;
GProvider::GProvider(const GProvider& other) = default;
GProvider::~GProvider() = default;

uint32_t GProvider::MembersStoreSize() const { return MPersistentObject::MembersStoreSize() + 4; }

void GProvider::SaveMembers(RWVirtualOutStream& stream) const {
  MPersistentObject::SaveMembers(stream);
  stream.PutULong(ClassVersion());
}

void GProvider::SaveMembersToFile(RWBinaryFile& file) const {
  MPersistentObject::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
}

void GProvider::RestoreMembers(RWVirtualInStream& stream) {
  MPersistentObject::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
}

void GProvider::RestoreMembersFromFile(RWBinaryFile& file) {
  MPersistentObject::RestoreMembersFromFile(file);
  uint32_t version = 0;
  file.ReadULong(version);
}

int GProvider::DerivesFrom(RWClassID classId) const {
  return classId == GProviderClassId || MPersistentObject::DerivesFrom(classId);
}

int GProvider::Matches(const MPersistentObject* other) const {
  return other != nullptr && MPersistentObject::Matches(other);
}

GProviderSession* GProvider::CreateSession(GDriverInstance*, const RWCString&, int, const RWWString&) {
  return nullptr;
}

GOutputChannel* GProvider::CreateOutputChannel(MPersistentObject*, const RWCString&, int, const RWWString&) {
  return nullptr;
}

int GProvider::SupportsServices(int services) {
  const int mask = GetServiceMask();
  return (services | mask) == mask ? 1 : 0;
}

GProviderSession::GProviderSession(GProvider* provider, GDriverInstance* instance, const RWWString& portName)
    : provider_(provider), instance_(instance), portName_(portName) {}

GProviderSession::~GProviderSession() = default;

RWCString GProviderSession::GetText() { return text_; }

RWCString GProviderSession::GetReportedModel() { return reportedModel_; }
