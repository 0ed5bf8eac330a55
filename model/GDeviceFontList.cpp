#include "model/GDeviceFontList.h"

#include <new>

#include "model/GPersistableULong.h"
#include "model/GStringAttribute.h"
#include "model/MAssociationList.h"
#include "model/MStoredMembers.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

// ---- Construction ----

GDeviceFontList::GDeviceFontList() = default;

GDeviceFontList::GDeviceFontList(const int32_t& id) : MPersistentObject(id) {}

GDeviceFontList::GDeviceFontList(const GDeviceFontList& other) : MPersistentObject(other) { CopyFrom(other); }

GDeviceFontList& GDeviceFontList::operator=(const GDeviceFontList& other) {
  MPersistentObject::operator=(other);
  CopyFrom(other);
  return *this;
}

GDeviceFontList::~GDeviceFontList() { DeleteFonts(); }

QV_PERSISTENT_KIND_DEFINE(GDeviceFontList, MPersistentObject, GDeviceFontListClassId)

// ---- Fonts and maps ----

void GDeviceFontList::DeleteFonts() {
  while (RWSlistLink* link = fonts_.RemoveAfter(fonts_.Head())) {
    if (link == fonts_.Tail()) break;
    delete static_cast<FontNode*>(link);
  }
  fonts_.Init();
}

void GDeviceFontList::AppendNode(FontNode* node) { fonts_.InsertAfter(fonts_.Last(), node); }

void GDeviceFontList::AddFont(const GDeviceFontDescription& font) {
  auto* node = new (std::nothrow) FontNode;
  if (node == nullptr) return;
  node->font = font;
  AppendNode(node);
}

void GDeviceFontList::CopyFrom(const GDeviceFontList& other) {
  // Copying a list from itself would delete what it copies.
  if (&other == this) return;
  auto copyMap = [](const GCountedPtr& map) {
    auto* list = dynamic_cast<MAssociationList*>(map.Pointee());
    return GCountedPtr(list != nullptr ? list->Clone() : nullptr);
  };
  firstMap_ = copyMap(other.firstMap_);
  secondMap_ = copyMap(other.secondMap_);
  DeleteFonts();
  for (RWSlistLink* p = other.fonts_.First(); p != other.fonts_.Tail(); p = p->next)
    AddFont(static_cast<FontNode*>(p)->font);
  stamp_ = other.stamp_;
}

void GDeviceFontList::Clear() {
  DeleteFonts();
  firstMap_ = GCountedPtr();
  secondMap_ = GCountedPtr();
}

int GDeviceFontList::GetFont(uint32_t index, GDeviceFontDescription& out) const {
  if (index >= fonts_.Count()) return 0;
  RWSlistLink* p = fonts_.First();
  for (uint32_t i = 0; i < index; ++i) p = p->next;
  out = static_cast<FontNode*>(p)->font;
  return 1;
}

int GDeviceFontList::FindFontWhere(FontPredicate predicate, int userData, GDeviceFontDescription*& out) {
  if (predicate == nullptr) return 0;
  for (RWSlistLink* p = fonts_.First(); p != fonts_.Tail(); p = p->next) {
    GDeviceFontDescription* font = &static_cast<FontNode*>(p)->font;
    if (predicate(font, userData)) {
      out = font;
      return 1;
    }
  }
  return 0;
}

void GDeviceFontList::SetFirstMap(MAssociationList* map) { firstMap_ = GCountedPtr(map); }
void GDeviceFontList::SetSecondMap(MAssociationList* map) { secondMap_ = GCountedPtr(map); }
MAssociationList* GDeviceFontList::GetFirstMap() const { return dynamic_cast<MAssociationList*>(firstMap_.Pointee()); }
MAssociationList* GDeviceFontList::GetSecondMap() const {
  return dynamic_cast<MAssociationList*>(secondMap_.Pointee());
}

const char* GDeviceFontList::Lookup(const GCountedPtr& map, uint32_t key) {
  auto* list = dynamic_cast<MAssociationList*>(map.Pointee());
  if (list == nullptr) return nullptr;
  // The probe has id 0, so only keys stored with id 0 and an equal value
  // are found.
  GPersistableULong probe(key);
  MPersistentAssociation* association = list->FindAssociation(&probe);
  if (association == nullptr) return nullptr;
  // A stored map may pair a key with something other than a text.
  auto* text = dynamic_cast<GStringAttribute*>(association->GetValue());
  return text != nullptr ? text->GetString().Data() : nullptr;
}

const char* GDeviceFontList::LookupFirst(int32_t key) const {
  return Lookup(firstMap_, static_cast<uint32_t>(key) & 0xFFFFu);
}

const char* GDeviceFontList::LookupSecond(int32_t key) const { return Lookup(secondMap_, static_cast<uint32_t>(key)); }

int GDeviceFontList::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !MPersistentObject::Matches(other)) return 0;
  auto* list = dynamic_cast<const GDeviceFontList*>(other);
  if (list == nullptr) return 0;
  auto mapsAlike = [](const GCountedPtr& a, const GCountedPtr& b) {
    if (a.Pointee() == b.Pointee()) return true;
    return a.Pointee() != nullptr && b.Pointee() != nullptr && a.Pointee()->Matches(b.Pointee());
  };
  if (!mapsAlike(firstMap_, list->firstMap_) || !mapsAlike(secondMap_, list->secondMap_)) return 0;
  if (fonts_.Count() != list->fonts_.Count()) return 0;
  for (RWSlistLink *p = fonts_.First(), *q = list->fonts_.First(); p != fonts_.Tail(); p = p->next, q = q->next)
    if (!static_cast<FontNode*>(p)->font.Matches(&static_cast<FontNode*>(q)->font)) return 0;
  return 1;
}

// ---- Persistence ----

// The version, the font count and each font as an object, the stamp, then
// the two maps as object references. Reading: version 0 reads nothing
// more. Otherwise the fonts are replaced by the stored ones, each read in
// place into a new entry (the stored count reserves nothing: the first
// failed read ends the list); a version below 2 has no stamp (0) and one
// below 3 no maps (none); only an association list is taken as a map.
// Versions above 3 are read as 3.
template <typename Archive>
void GDeviceFontList::Members(Archive& archive) {
  MStored::RestoreScope<Archive> scope(this);
  const uint32_t version = archive.AnyVersion(ClassVersion());
  uint32_t count = static_cast<uint32_t>(fonts_.Count());
  if constexpr (Archive::kReading) {
    if (!archive.Ok() || version == 0) return;
    DeleteFonts();
    archive(rwm::AsUInt(count));
    if (!archive.Ok()) return;
    for (uint32_t i = 0; i < count; ++i) {
      auto* node = new (std::nothrow) FontNode;
      if (node == nullptr) {
        archive.Fail();
        return;
      }
      archive.Embedded(node->font);
      if (!MStored::Going(archive)) {
        delete node;
        return;
      }
      AppendNode(node);
    }
    stamp_ = 0;
    if (version >= 2) archive(stamp_);
    firstMap_ = GCountedPtr();
    secondMap_ = GCountedPtr();
    if (version < 3) return;
  } else {
    archive(rwm::AsUInt(count));
    for (RWSlistLink* p = fonts_.First(); p != fonts_.Tail(); p = p->next)
      archive.Embedded(static_cast<FontNode*>(p)->font);
    archive(stamp_);
  }
  MStored::Held<MAssociationList>(archive, firstMap_);
  MStored::Held<MAssociationList>(archive, secondMap_);
}

RW_STORED_MEMBERS_DEFINE(GDeviceFontList, MPersistentObject)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GDeviceFontList*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GDeviceFontList*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GDeviceFontListCreate() { return new GDeviceFontList; }
