#include "model/GFormToTrayDatabase.h"

#include <new>

#include "model/GStringConversion.h"
#include "model/MPersistentIterator.h"
#include "model/MStoredMembers.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GFormToTrayDatabase::GFormToTrayDatabase() = default;

GFormToTrayDatabase::GFormToTrayDatabase(const int32_t* id) : GAttribute(id) {}

GFormToTrayDatabase::GFormToTrayDatabase(const GFormToTrayDatabase& other)
    : GAttribute(other),
      defaultMediaType_(other.defaultMediaType_),
      defaultPaperSize_(other.defaultPaperSize_),
      entries_(other.entries_) {}

GFormToTrayDatabase& GFormToTrayDatabase::operator=(const GFormToTrayDatabase& other) {
  if (this != &other) {
    GAttribute::operator=(other);
    defaultMediaType_ = other.defaultMediaType_;
    defaultPaperSize_ = other.defaultPaperSize_;
    entries_ = other.entries_;
  }
  return *this;
}

GFormToTrayDatabase::~GFormToTrayDatabase() = default;

QV_PERSISTENT_KIND_DEFINE(GFormToTrayDatabase, GAttribute, GFormToTrayDatabaseClassId)

int16_t GFormToTrayDatabase::ApplyTo(GPeripheral*) { return 1; }

int GFormToTrayDatabase::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !GAttribute::Matches(other)) return 0;
  auto* database = dynamic_cast<const GFormToTrayDatabase*>(other);
  return database != nullptr && entries_.Matches(&database->entries_);
}

// ---- Look-ups ----

template <typename Match>
GFormToTrayAssociation* GFormToTrayDatabase::FindWhere(Match match) const {
  // A stored table may hold other attributes among its entries; only the
  // entries count.
  GFormToTrayAssociation* found = nullptr;
  MPersistentIterator* it = entries_.CreateIterator();
  while (found == nullptr && it->Advance()) {
    auto* entry = dynamic_cast<GFormToTrayAssociation*>(it->Current());
    if (entry != nullptr && match(*entry)) found = entry;
  }
  delete it;
  return found;
}

GFormToTrayAssociation* GFormToTrayDatabase::FindByTray(int16_t tray) const {
  return FindWhere([&](const GFormToTrayAssociation& e) { return e.GetTray() == tray; });
}

GFormToTrayAssociation* GFormToTrayDatabase::FindByPaperSize(int16_t paperSize) const {
  return FindWhere([&](const GFormToTrayAssociation& e) { return e.GetPaperSize() == paperSize; });
}

GFormToTrayAssociation* GFormToTrayDatabase::FindByMediaType(int16_t mediaType) const {
  return FindWhere([&](const GFormToTrayAssociation& e) { return e.GetMediaType() == mediaType; });
}

int GFormToTrayDatabase::HasAssignments() const {
  return FindWhere([&](const GFormToTrayAssociation& e) {
           return e.GetPaperSize() != defaultPaperSize_ || e.GetMediaType() != defaultMediaType_;
         }) != nullptr;
}

int16_t GFormToTrayDatabase::GetPaperSizeForTray(int16_t tray) const {
  GFormToTrayAssociation* entry = FindByTray(tray);
  return entry != nullptr ? entry->GetPaperSize() : defaultPaperSize_;
}

int16_t GFormToTrayDatabase::GetMediaTypeForTray(int16_t tray) const {
  GFormToTrayAssociation* entry = FindByTray(tray);
  return entry != nullptr ? entry->GetMediaType() : defaultMediaType_;
}

int16_t GFormToTrayDatabase::GetMediaTypeForPaperSize(int16_t paperSize) const {
  GFormToTrayAssociation* entry = FindByPaperSize(paperSize);
  return entry != nullptr ? entry->GetMediaType() : defaultMediaType_;
}

int16_t GFormToTrayDatabase::GetPaperSizeForMediaType(int16_t mediaType) const {
  GFormToTrayAssociation* entry = FindByMediaType(mediaType);
  return entry != nullptr ? entry->GetPaperSize() : defaultPaperSize_;
}

int16_t GFormToTrayDatabase::GetFirstAssignedPaperSize() const {
  GFormToTrayAssociation* entry =
      FindWhere([&](const GFormToTrayAssociation& e) { return e.GetPaperSize() != defaultPaperSize_; });
  return entry != nullptr ? entry->GetPaperSize() : defaultPaperSize_;
}

int16_t GFormToTrayDatabase::GetFirstAssignedMediaType() const {
  GFormToTrayAssociation* entry =
      FindWhere([&](const GFormToTrayAssociation& e) { return e.GetMediaType() != defaultMediaType_; });
  return entry != nullptr ? entry->GetMediaType() : defaultMediaType_;
}

int GFormToTrayDatabase::IsPaperAndMediaAssigned(int16_t paperSize, int16_t mediaType) const {
  return FindWhere([&](const GFormToTrayAssociation& e) {
           return e.GetPaperSize() == paperSize && e.GetMediaType() == mediaType;
         }) != nullptr;
}

int GFormToTrayDatabase::IsFormAssigned(int16_t paperSize, const RWWString& formName) const {
  return FindWhere([&](const GFormToTrayAssociation& e) {
           return e.GetPaperSize() == paperSize && e.GetFormName().Length() == formName.Length() &&
                  e.GetFormName() == formName;
         }) != nullptr;
}

void GFormToTrayDatabase::GetTrays(RWOrderedVector<int16_t>& trays) const {
  FindWhere([&](const GFormToTrayAssociation& e) {
    trays.Append(e.GetTray());
    return false;
  });
}

// ---- Editing ----

int GFormToTrayDatabase::RemoveTray(int16_t tray) {
  GFormToTrayAssociation* entry = FindByTray(tray);
  if (entry == nullptr) return 0;
  // The caller owns what a remove hands back: the entry itself, or a copy
  // when another table shares it.
  delete entries_.RemoveChild(entry);
  return 1;
}

void GFormToTrayDatabase::AssignTray(int16_t tray, int16_t paperSize, int16_t mediaType) {
  RemoveTray(tray);
  if (auto* entry = new (std::nothrow) GFormToTrayAssociation(tray, paperSize, mediaType)) entries_.AddChild(entry);
}

void GFormToTrayDatabase::AssignTrayWithForm(int16_t tray, int16_t paperSize, int16_t mediaType,
                                             const char* formName) {
  RWWString wide;
  ToWideString(RWCString(formName != nullptr ? formName : ""), wide);
  RemoveTray(tray);
  if (auto* entry = new (std::nothrow) GFormToTrayAssociation(tray, paperSize, mediaType, wide))
    entries_.AddChild(entry);
}

void GFormToTrayDatabase::ResetTray(int16_t tray) { AssignTray(tray, defaultPaperSize_, defaultMediaType_); }

void GFormToTrayDatabase::Clear() { entries_.RemoveAllChildren(); }

// ---- Persistence ----

// The version, then the entries' members in place.
template <typename Archive>
void GFormToTrayDatabase::Members(Archive& archive) {
  MStored::RestoreScope<Archive> scope(this);
  archive.Version(ClassVersion());
  archive.Body(entries_);
}

RW_STORED_MEMBERS_DEFINE(GFormToTrayDatabase, GAttribute)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GFormToTrayDatabase*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GFormToTrayDatabase*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GFormToTrayDatabaseCreate() { return new GFormToTrayDatabase; }
