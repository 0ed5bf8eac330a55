#include "config/GProvider.h"

#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GProvider::GProvider() = default;
GProvider::GProvider(const GProvider& other) = default;
GProvider::~GProvider() = default;

// The version is written and read, and any stored version is accepted.
template <typename Archive>
void GProvider::Members(Archive& archive) {
  archive.AnyVersion(ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(GProvider, MPersistentObject)

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
