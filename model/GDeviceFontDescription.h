// GDeviceFontDescription: one font that lives in the printer (ROM, disk,
// flash or a font DIMM): its name, the command text that selects it, its
// symbol sets, weight, style, height and where it lives. Device font lists
// keep these descriptions by value; generators match requested fonts
// against them instead of downloading a font.
#pragma once

#include <cstdint>

#include "model/MPersistentObject.h"
#include "rw/RWCString.h"
#include "rw/RWOrderedVector.h"

constexpr RWClassID GDeviceFontDescriptionClassId = 855;

class GDeviceFontDescription : public MPersistentObject {
 public:
  typedef RWOrderedVector<int32_t> SymbolSetVector;

  // Empty name and select string, no symbol sets (capacity 64), numbers 0.
  GDeviceFontDescription();
  // Copies every value; the symbol sets are a copy of the given vector.
  GDeviceFontDescription(const RWCString& name, const RWCString& selectString, int32_t symbolSet,
                         const SymbolSetVector& symbolSets, uint16_t weight, int32_t style, int32_t catalogueClass,
                         int32_t catalogueFlag, int32_t scalability, int16_t height, uint16_t fontId,
                         int32_t location);
  // Copy every field (id and serial too); the symbol sets are rebuilt in an
  // emptied vector of capacity 64.
  GDeviceFontDescription(const GDeviceFontDescription& other);
  GDeviceFontDescription& operator=(const GDeviceFontDescription& other);
  ~GDeviceFontDescription() override;

  static RWClassID StaticClassId() { return GDeviceFontDescriptionClassId; }
  static uint32_t ClassVersion() { return 2; }

  QV_PERSISTENT_KIND(GDeviceFontDescription);
  RW_STORED_MEMBERS();
  // Same class and id, equal texts and numbers, and the same symbol sets in
  // the same order.
  int Matches(const MPersistentObject* other) const override;

  const RWCString& GetName() const { return name_; }
  const RWCString& GetSelectString() const { return selectString_; }
  int32_t GetSymbolSet() const { return symbolSet_; }
  const SymbolSetVector& GetSymbolSets() const { return symbolSets_; }
  uint16_t GetWeight() const { return weight_; }
  int32_t GetStyle() const { return style_; }
  int32_t GetCatalogueClass() const { return catalogueClass_; }
  int32_t GetCatalogueFlag() const { return catalogueFlag_; }
  int32_t GetScalability() const { return scalability_; }
  int16_t GetHeight() const { return height_; }
  uint16_t GetFontId() const { return fontId_; }
  int32_t GetLocation() const { return location_; }

 private:
  void CopyFields(const GDeviceFontDescription& other);
  // Empties the symbol sets and gives the vector its initial capacity.
  void ResetSymbolSets();
  void AppendRestored(int32_t value);

  RWCString name_;
  RWCString selectString_;
  int32_t symbolSet_ = 0;
  SymbolSetVector symbolSets_;
  uint16_t weight_ = 0;
  int32_t style_ = 0;
  int32_t catalogueClass_ = 0;
  int32_t catalogueFlag_ = 0;
  int32_t scalability_ = 0;
  int16_t height_ = 0;
  uint16_t fontId_ = 0;
  int32_t location_ = 0;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GDeviceFontDescription*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GDeviceFontDescription*& out);

RWCollectable* GDeviceFontDescriptionCreate();
