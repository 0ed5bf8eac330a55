#include "model/GDeviceFontDescription.h"

#include "model/GAttribute.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

constexpr uint32_t kSymbolSetCapacity = 64;

}  // namespace

GDeviceFontDescription::GDeviceFontDescription() : symbolSets_(kSymbolSetCapacity) {}

GDeviceFontDescription::GDeviceFontDescription(const RWCString& name, const RWCString& selectString,
                                               int32_t symbolSet, const SymbolSetVector& symbolSets,
                                               uint16_t weight, int32_t style, int32_t catalogueClass,
                                               int32_t catalogueFlag, int32_t scalability, int16_t height,
                                               uint16_t fontId, int32_t location)
    : name_(name),
      selectString_(selectString),
      symbolSet_(symbolSet),
      symbolSets_(symbolSets),
      weight_(weight),
      style_(style),
      catalogueClass_(catalogueClass),
      catalogueFlag_(catalogueFlag),
      scalability_(scalability),
      height_(height),
      fontId_(fontId),
      location_(location) {}

GDeviceFontDescription::GDeviceFontDescription(const GDeviceFontDescription& other)
    : MPersistentObject(other), symbolSets_(kSymbolSetCapacity) {
  CopyFields(other);
}

GDeviceFontDescription& GDeviceFontDescription::operator=(const GDeviceFontDescription& other) {
  if (this != &other) {
    MPersistentObject::operator=(other);
    CopyFields(other);
  }
  return *this;
}

GDeviceFontDescription::~GDeviceFontDescription() = default;

void GDeviceFontDescription::ResetSymbolSets() { symbolSets_ = SymbolSetVector(kSymbolSetCapacity); }

void GDeviceFontDescription::AppendRestored(int32_t value) {
  // Past the first 64 the vector doubles, so a long stored list is read in
  // linear time.
  const size_t count = symbolSets_.Count();
  if (count == symbolSets_.Capacity()) symbolSets_.SetCapacity(count < kSymbolSetCapacity ? kSymbolSetCapacity : 2 * count);
  symbolSets_.Append(value);
}

void GDeviceFontDescription::CopyFields(const GDeviceFontDescription& other) {
  name_ = other.name_;
  selectString_ = other.selectString_;
  symbolSet_ = other.symbolSet_;
  ResetSymbolSets();
  for (size_t i = 0; i < other.symbolSets_.Count(); ++i) symbolSets_.Append(other.symbolSets_.Data()[i]);
  weight_ = other.weight_;
  style_ = other.style_;
  catalogueClass_ = other.catalogueClass_;
  catalogueFlag_ = other.catalogueFlag_;
  scalability_ = other.scalability_;
  height_ = other.height_;
  fontId_ = other.fontId_;
  location_ = other.location_;
}

GDeviceFontDescription* GDeviceFontDescription::CreateSameKind() const { return new GDeviceFontDescription; }
GDeviceFontDescription* GDeviceFontDescription::Clone() const { return new GDeviceFontDescription(*this); }
RWClassID GDeviceFontDescription::ClassId() const { return GDeviceFontDescriptionClassId; }

int GDeviceFontDescription::DerivesFrom(RWClassID classId) const {
  return classId == GDeviceFontDescriptionClassId || MPersistentObject::DerivesFrom(classId);
}

int GDeviceFontDescription::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !MPersistentObject::Matches(other)) return 0;
  auto* font = dynamic_cast<const GDeviceFontDescription*>(other);
  if (font == nullptr) return 0;
  if (!(font->name_ == name_) || !(font->selectString_ == selectString_)) return 0;
  if (font->symbolSet_ != symbolSet_ || font->weight_ != weight_ || font->style_ != style_ ||
      font->catalogueClass_ != catalogueClass_ || font->catalogueFlag_ != catalogueFlag_ ||
      font->scalability_ != scalability_ || font->height_ != height_ || font->fontId_ != fontId_ ||
      font->location_ != location_)
    return 0;
  if (font->symbolSets_.Count() != symbolSets_.Count()) return 0;
  for (size_t i = 0; i < symbolSets_.Count(); ++i)
    if (font->symbolSets_.Data()[i] != symbolSets_.Data()[i]) return 0;
  return 1;
}

// ---- Persistence ----

uint32_t GDeviceFontDescription::MembersStoreSize() const {
  return MPersistentObject::MembersStoreSize() + 46 + static_cast<uint32_t>(name_.Length()) +
         static_cast<uint32_t>(selectString_.Length()) + 4 * static_cast<uint32_t>(symbolSets_.Count());
}

void GDeviceFontDescription::SaveMembers(RWVirtualOutStream& stream) const {
  MPersistentObject::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  name_.SaveTo(stream);
  selectString_.SaveTo(stream);
  stream.PutLong(symbolSet_);
  stream.PutULong(static_cast<uint32_t>(symbolSets_.Count()));
  for (size_t i = 0; i < symbolSets_.Count(); ++i) stream.PutLong(symbolSets_.Data()[i]);
  stream.PutUShort(weight_);
  stream.PutLong(style_);
  stream.PutLong(catalogueClass_);
  stream.PutLong(catalogueFlag_);
  stream.PutLong(scalability_);
  stream.PutShort(height_);
  stream.PutUShort(fontId_);
  stream.PutLong(location_);
}

void GDeviceFontDescription::SaveMembersToFile(RWBinaryFile& file) const {
  MPersistentObject::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  name_.SaveToFile(file);
  selectString_.SaveToFile(file);
  file.WriteLong(symbolSet_);
  file.WriteULong(static_cast<uint32_t>(symbolSets_.Count()));
  for (size_t i = 0; i < symbolSets_.Count(); ++i) file.WriteLong(symbolSets_.Data()[i]);
  file.WriteUShort(weight_);
  file.WriteLong(style_);
  file.WriteLong(catalogueClass_);
  file.WriteLong(catalogueFlag_);
  file.WriteLong(scalability_);
  file.WriteShort(height_);
  file.WriteUShort(fontId_);
  file.WriteLong(location_);
}

// Version 0 ends the reading; any other version reads the fields, and a
// version below 2 has no font id and location (they become 0). The symbol
// sets are appended as they are read: the stored count reserves nothing, so
// a damaged count costs no memory beyond the values actually present.

void GDeviceFontDescription::RestoreMembers(RWVirtualInStream& stream) {
  MPersistentObject::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version == 0) return;
  name_.RestoreFrom(stream);
  selectString_.RestoreFrom(stream);
  stream.GetLong(symbolSet_);
  uint32_t count = 0;
  stream.GetULong(count);
  if (!stream.Good()) return;
  ResetSymbolSets();
  for (uint32_t i = 0; i < count; ++i) {
    int32_t value = 0;
    stream.GetLong(value);
    if (!stream.Good()) return;
    AppendRestored(value);
  }
  stream.GetUShort(weight_);
  stream.GetLong(style_);
  stream.GetLong(catalogueClass_);
  stream.GetLong(catalogueFlag_);
  stream.GetLong(scalability_);
  stream.GetShort(height_);
  if (version < 2) {
    fontId_ = 0;
    location_ = 0;
    return;
  }
  stream.GetUShort(fontId_);
  stream.GetLong(location_);
}

void GDeviceFontDescription::RestoreMembersFromFile(RWBinaryFile& file) {
  MPersistentObject::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version == 0) return;
  if (!name_.RestoreFromFile(file) || !selectString_.RestoreFromFile(file)) return;
  uint32_t count = 0;
  if (!file.ReadLong(symbolSet_) || !file.ReadULong(count)) return;
  ResetSymbolSets();
  for (uint32_t i = 0; i < count; ++i) {
    int32_t value = 0;
    if (!file.ReadLong(value)) return;
    AppendRestored(value);
  }
  if (!file.ReadUShort(weight_) || !file.ReadLong(style_) || !file.ReadLong(catalogueClass_) ||
      !file.ReadLong(catalogueFlag_) || !file.ReadLong(scalability_) || !file.ReadShort(height_))
    return;
  if (version < 2) {
    fontId_ = 0;
    location_ = 0;
    return;
  }
  if (file.ReadUShort(fontId_)) file.ReadLong(location_);
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GDeviceFontDescription*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GDeviceFontDescription*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GDeviceFontDescriptionCreate() { return new GDeviceFontDescription; }
