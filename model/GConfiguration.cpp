#include "model/GConfiguration.h"

#include "model/MPersistentRead.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GConfiguration::GConfiguration() = default;
GConfiguration::GConfiguration(const int32_t& id) : MPersistentComposite(id) {}
GConfiguration::GConfiguration(const GConfiguration& other) = default;

GConfiguration& GConfiguration::operator=(const GConfiguration& other) {
  MPersistentComposite::operator=(other);
  return *this;
}

GConfiguration::~GConfiguration() = default;

QV_PERSISTENT_KIND_DEFINE(GConfiguration, MPersistentComposite, GConfigurationClassId)

void GConfiguration::AddChild(MPersistentObject* child) {
  if (child == nullptr) return;
  if (child->ClassId() != GConfigurationClassId) {
    const GCountedPtrVector& children = Children();
    for (size_t i = 0; i < children.Count(); ++i) {
      const MPersistentObject* existing = children.Data()[i].Pointee();
      if (existing == nullptr || !child->Matches(existing)) continue;
      // A duplicate. The caller gave away an object that nobody holds, so
      // it is destroyed; one that is held (this very child, or a child of
      // another tree) belongs to its holders and is left alone, as is one
      // that holds this configuration.
      if (child->HolderCount() == -1 && child != existing && !WouldHoldItself(child)) delete child;
      return;
    }
  }
  MPersistentComposite::AddChild(child);
}

// ---- Persistence ----

// Restored children are appended as stored, without the duplicate test;
// the version is written and read, and any stored version is accepted.
template <typename Archive>
void GConfiguration::Members(Archive& archive) {
  archive.AnyVersion(ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(GConfiguration, MPersistentComposite)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GConfiguration*& out) {
  return MReadPersistentAs(stream, out);
}

RWBinaryFile& operator>>(RWBinaryFile& file, GConfiguration*& out) { return MReadPersistentAs(file, out); }

RWCollectable* GConfigurationCreate() { return new GConfiguration; }
