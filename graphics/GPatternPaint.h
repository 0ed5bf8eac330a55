// GPatternSource: what a paint that fills with a tiled bitmap tells the
// generators that define it as a printer pattern: the bitmap of one tile,
// whether the tile is to be enlarged with the device's resolution, and
// whether it paints its own background (a tile without one leaves the
// page showing through its white pixels). A pattern paint implements this
// beside GPaint and applies itself through the generator's pattern
// receivers.
#pragma once

#include "graphics/GBitmap.h"

class GPatternSource {
 public:
  virtual ~GPatternSource() = default;
  // The tile; empty when the paint has none.
  virtual GBitmap GetPatternBitmap() const = 0;
  // Non-zero when the tile asks to be scaled to the device's resolution.
  virtual int IsScaledPattern() const = 0;
  // Non-zero when the tile paints its background.
  virtual int HasPatternBackground() const = 0;
};
