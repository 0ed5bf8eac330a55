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

GConfiguration* GConfiguration::CreateSameKind() const { return new GConfiguration; }
GConfiguration* GConfiguration::Clone() const { return new GConfiguration(*this); }
RWClassID GConfiguration::ClassId() const { return GConfigurationClassId; }

int GConfiguration::DerivesFrom(RWClassID classId) const {
  return classId == GConfigurationClassId || MPersistentComposite::DerivesFrom(classId);
}

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

uint32_t GConfiguration::MembersStoreSize() const { return MPersistentComposite::MembersStoreSize() + 4; }

void GConfiguration::SaveMembers(RWVirtualOutStream& stream) const {
  MPersistentComposite::SaveMembers(stream);
  stream.PutULong(ClassVersion());
}

void GConfiguration::SaveMembersToFile(RWBinaryFile& file) const {
  MPersistentComposite::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
}

void GConfiguration::RestoreMembers(RWVirtualInStream& stream) {
  // Restored children are appended as stored, without the duplicate test.
  MPersistentComposite::RestoreMembers(stream);
  uint32_t version = 0;
  if (stream.Good()) stream.GetULong(version);
}

void GConfiguration::RestoreMembersFromFile(RWBinaryFile& file) {
  MPersistentComposite::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.HasError() && !file.IsAtEnd()) file.ReadULong(version);
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GConfiguration*& out) {
  return MReadPersistentAs(stream, out);
}

RWBinaryFile& operator>>(RWBinaryFile& file, GConfiguration*& out) { return MReadPersistentAs(file, out); }

RWCollectable* GConfigurationCreate() { return new GConfiguration; }
