#include "model/GFormToTrayAssociation.h"

#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

namespace {

const int32_t kNoFeature = 0;

}  // namespace

GFormToTrayAssociation::GFormToTrayAssociation()
    : paperSize_(0, &kNoFeature), tray_(0, &kNoFeature), mediaType_(0, &kNoFeature) {}

GFormToTrayAssociation::GFormToTrayAssociation(int16_t tray, int16_t paperSize, int16_t mediaType)
    : paperSize_(paperSize, &kNoFeature), tray_(tray, &kNoFeature), mediaType_(mediaType, &kNoFeature) {}

GFormToTrayAssociation::GFormToTrayAssociation(int16_t tray, int16_t paperSize, int16_t mediaType,
                                               const RWWString& formName)
    : paperSize_(paperSize, &kNoFeature),
      tray_(tray, &kNoFeature),
      mediaType_(mediaType, &kNoFeature),
      formName_(formName) {}

GFormToTrayAssociation::GFormToTrayAssociation(const GFormToTrayAssociation& other)
    : GAttribute(other),
      paperSize_(other.paperSize_),
      tray_(other.tray_),
      mediaType_(other.mediaType_),
      formName_(other.formName_) {}

GFormToTrayAssociation& GFormToTrayAssociation::operator=(const GFormToTrayAssociation& other) {
  if (this != &other) {
    GAttribute::operator=(other);
    paperSize_ = other.paperSize_;
    tray_ = other.tray_;
    mediaType_ = other.mediaType_;
    formName_ = other.formName_;
  }
  return *this;
}

GFormToTrayAssociation::~GFormToTrayAssociation() = default;

GFormToTrayAssociation* GFormToTrayAssociation::CreateSameKind() const { return new GFormToTrayAssociation; }
GFormToTrayAssociation* GFormToTrayAssociation::Clone() const { return new GFormToTrayAssociation(*this); }
RWClassID GFormToTrayAssociation::ClassId() const { return GFormToTrayAssociationClassId; }

int GFormToTrayAssociation::DerivesFrom(RWClassID classId) const {
  return classId == GFormToTrayAssociationClassId || GAttribute::DerivesFrom(classId);
}

int16_t GFormToTrayAssociation::ApplyTo(GPeripheral*) { return 1; }

int GFormToTrayAssociation::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !GAttribute::Matches(other)) return 0;
  auto* entry = dynamic_cast<const GFormToTrayAssociation*>(other);
  return entry != nullptr && paperSize_.Matches(&entry->paperSize_) && tray_.Matches(&entry->tray_) &&
         mediaType_.Matches(&entry->mediaType_) && formName_.Length() == entry->formName_.Length() &&
         formName_ == entry->formName_;
}

// ---- Persistence ----

uint32_t GFormToTrayAssociation::MembersStoreSize() const {
  // The three values are written with their class tags (2 bytes each).
  RWStoreTableGuard guard;
  return GAttribute::MembersStoreSize() + paperSize_.StoredByteCount() + tray_.StoredByteCount() +
         mediaType_.StoredByteCount() + 2 * static_cast<uint32_t>(formName_.Length()) + 8;
}

void GFormToTrayAssociation::SaveMembers(RWVirtualOutStream& stream) const {
  GAttribute::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  RWWriteObjectPointer(stream, &paperSize_);
  RWWriteObjectPointer(stream, &tray_);
  RWWriteObjectPointer(stream, &mediaType_);
  formName_.SaveTo(stream);
}

void GFormToTrayAssociation::SaveMembersToFile(RWBinaryFile& file) const {
  GAttribute::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  RWWriteObjectPointerToFile(file, &paperSize_);
  RWWriteObjectPointerToFile(file, &tray_);
  RWWriteObjectPointerToFile(file, &mediaType_);
  formName_.SaveToFile(file);
}

void GFormToTrayAssociation::RestoreMembers(RWVirtualInStream& stream) {
  GAttribute::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  if (RWReadObjectInto(stream, &paperSize_) == nullptr || RWReadObjectInto(stream, &tray_) == nullptr ||
      RWReadObjectInto(stream, &mediaType_) == nullptr)
    return;
  formName_.RestoreFrom(stream);
}

void GFormToTrayAssociation::RestoreMembersFromFile(RWBinaryFile& file) {
  GAttribute::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  if (RWReadObjectIntoFromFile(file, &paperSize_) == nullptr || RWReadObjectIntoFromFile(file, &tray_) == nullptr ||
      RWReadObjectIntoFromFile(file, &mediaType_) == nullptr)
    return;
  formName_.RestoreFromFile(file);
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GFormToTrayAssociation*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GFormToTrayAssociation*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GFormToTrayAssociationCreate() { return new GFormToTrayAssociation; }
