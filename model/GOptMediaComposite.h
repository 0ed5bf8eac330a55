// GOptMediaComposite: an option list attribute holding the options that
// belong to one medium; the key names the medium.
#pragma once

#include <cstdint>

#include "model/GOptionListAttribute.h"

constexpr RWClassID GOptMediaCompositeClassId = 796;

class GOptMediaComposite : public GOptionListAttribute {
 public:
  // Feature id 0, key and value 0 (a restore fills them), no entries.
  GOptMediaComposite();
  // Feature id 0, the key and value, no entries.
  GOptMediaComposite(int16_t key, int16_t value);
  GOptMediaComposite(const GOptMediaComposite& other);
  GOptMediaComposite& operator=(const GOptMediaComposite& other);
  ~GOptMediaComposite() override;

  static RWClassID StaticClassId() { return GOptMediaCompositeClassId; }

  QV_PERSISTENT_KIND(GOptMediaComposite);

  // Appends one entry.
  void AddOption(int16_t value);
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GOptMediaComposite*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GOptMediaComposite*& out);

RWCollectable* GOptMediaCompositeCreate();
