#include "model/GFormToTrayAssociation.h"

#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

namespace {

const int32_t kNoTrayFeature = 0;

}  // namespace

GFormToTrayAssociation::GFormToTrayAssociation()
    : paperSize_(0, &kNoTrayFeature), tray_(0, &kNoTrayFeature), mediaType_(0, &kNoTrayFeature) {}

GFormToTrayAssociation::GFormToTrayAssociation(int16_t tray, int16_t paperSize, int16_t mediaType)
    : paperSize_(paperSize, &kNoTrayFeature), tray_(tray, &kNoTrayFeature), mediaType_(mediaType, &kNoTrayFeature) {}

GFormToTrayAssociation::GFormToTrayAssociation(int16_t tray, int16_t paperSize, int16_t mediaType,
                                               const RWWString& formName)
    : paperSize_(paperSize, &kNoTrayFeature),
      tray_(tray, &kNoTrayFeature),
      mediaType_(mediaType, &kNoTrayFeature),
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

QV_PERSISTENT_KIND_DEFINE(GFormToTrayAssociation, GAttribute, GFormToTrayAssociationClassId)

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

// The three values are objects of the graph; the form name follows.
template <typename Archive>
void GFormToTrayAssociation::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive.Embedded(paperSize_);
  archive.Embedded(tray_);
  archive.Embedded(mediaType_);
  archive(formName_);
}

RW_STORED_MEMBERS_DEFINE(GFormToTrayAssociation, GAttribute)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GFormToTrayAssociation*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GFormToTrayAssociation*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GFormToTrayAssociationCreate() { return new GFormToTrayAssociation; }
