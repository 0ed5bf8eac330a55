// A tiled paint for the generators' pattern tests: its bitmap, whether it
// asks to be scaled and whether it has a background; it applies itself
// through the generator's pattern receivers.
#pragma once

#include <cstdint>

#include "graphics/GBitmap.h"
#include "graphics/GPaint.h"
#include "graphics/GPatternPaint.h"
#include "pdl/GPdlGenerator.h"

namespace qvtest {

class TilePaint : public GPaint, public GPatternSource {
 public:
  TilePaint(GBitmap tile, int scaled, int background) : tile_(tile), scaled_(scaled), background_(background) {}
  TilePaint* CreateSameKind() const override { return new TilePaint(GBitmap(), 0, 1); }
  TilePaint* Clone() const override { return new TilePaint(*this); }
  int16_t ApplyAsPen(GPeripheral* target) override {
    auto* generator = dynamic_cast<GPdlGenerator*>(target);
    return generator != nullptr ? generator->SetPenPattern(this) : 0;
  }
  int16_t ApplyAsBrush(GPeripheral* target) override {
    auto* generator = dynamic_cast<GPdlGenerator*>(target);
    return generator != nullptr ? generator->SetBrushPattern(this) : 0;
  }
  // Another tile paint of the same tile and flags.
  int Matches(const MPersistentObject* other) const override {
    const auto* tile = dynamic_cast<const TilePaint*>(other);
    return tile != nullptr && tile->tile_.GetBody() == tile_.GetBody() && tile->scaled_ == scaled_ &&
                   tile->background_ == background_
               ? 1
               : 0;
  }
  GBitmap GetPatternBitmap() const override { return tile_; }
  int IsScaledPattern() const override { return scaled_; }
  int HasPatternBackground() const override { return background_; }

 private:
  GBitmap tile_;
  int scaled_;
  int background_;
};

}  // namespace qvtest
