// GBookletComposite: an option list attribute holding booklet option
// values, added in pairs.
#pragma once

#include <cstdint>

#include "model/GOptionListAttribute.h"

constexpr RWClassID GBookletCompositeClassId = 794;

class GBookletComposite : public GOptionListAttribute {
 public:
  // Feature id 0, key and value 0 (a restore fills them), no entries.
  GBookletComposite();
  // Feature id 0, the key and value, no entries.
  GBookletComposite(int16_t key, int16_t value);
  GBookletComposite(const GBookletComposite& other);
  GBookletComposite& operator=(const GBookletComposite& other);
  ~GBookletComposite() override;

  static RWClassID StaticClassId() { return GBookletCompositeClassId; }

  QV_PERSISTENT_KIND(GBookletComposite);

  // Appends first, then second.
  void AddOptionPair(int16_t first, int16_t second);
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GBookletComposite*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GBookletComposite*& out);

RWCollectable* GBookletCompositeCreate();
