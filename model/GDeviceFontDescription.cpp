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

QV_PERSISTENT_KIND_DEFINE(GDeviceFontDescription, MPersistentObject, GDeviceFontDescriptionClassId)

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

// Version 0 ends the reading; any other version reads the fields, and a
// version below 2 has no font id and location (they become 0). The symbol
// sets are appended as they are read: the stored count reserves nothing, so
// a damaged count costs no memory beyond the values actually present.
template <typename Archive>
void GDeviceFontDescription::Members(Archive& archive) {
  const uint32_t version = archive.AnyVersion(ClassVersion());
  if (version == 0) archive.Stop();
  archive(name_, selectString_, symbolSet_);
  uint32_t count = static_cast<uint32_t>(symbolSets_.Count());
  archive(count);
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    ResetSymbolSets();
    for (uint32_t i = 0; i < count; ++i) {
      int32_t value = 0;
      archive(value);
      if (!archive.Ok()) return;
      AppendRestored(value);
    }
  } else {
    archive.Array(symbolSets_.Data(), count);
  }
  archive(weight_, style_, catalogueClass_, catalogueFlag_, scalability_, height_);
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    if (version < 2) {
      fontId_ = 0;
      location_ = 0;
      return;
    }
  }
  archive(fontId_, location_);
}

RW_STORED_MEMBERS_DEFINE(GDeviceFontDescription, MPersistentObject)

// Version 0 ends the reading; any other version reads the fields, and a
// version below 2 has no font id and location (they become 0). The symbol
// sets are appended as they are read: the stored count reserves nothing, so
// a damaged count costs no memory beyond the values actually present.

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GDeviceFontDescription*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GDeviceFontDescription*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GDeviceFontDescriptionCreate() { return new GDeviceFontDescription; }
