// GRasterGraphic: a graphic that draws a rectangle of an image (the source
// rectangle, in image pixels) into a rectangle of the page (the destination
// rectangle, in device units). It carries the image as a GBitmap, sharing
// its body with the bitmap it was made from, and a second bitmap that is
// stored, copied and compared with it but drawn by no generator. The
// generators cut both rectangles down to the visible part of the clip
// (ClipRects) and feed the image through the raster pipeline.
//
// GPreScaledRasterGraphic: the same for an image already scaled to device
// resolution; the generators do not scale it by the page's transform again.
#pragma once

#include <cstdint>

#include "graphics/GBitmap.h"
#include "graphics/GGraphic.h"
#include "graphics/GRect.h"

class GClip;

constexpr RWClassID GRasterGraphicClassId = 604;
constexpr RWClassID GPreScaledRasterGraphicClassId = 609;

class GRasterGraphic : public GGraphic {
 public:
  // No settings, feature id 0, empty bitmaps, zero rectangles.
  GRasterGraphic();
  GRasterGraphic(const GBitmap& image, GState* settings, const GRect& source, const GRect& destination,
                 const GBitmap& second);
  GRasterGraphic(const GBitmap& image, const GRect& source, const GRect& destination, const GBitmap& second,
                 GState* settings, const int32_t* id);
  // Shares the settings and both bitmap bodies.
  GRasterGraphic(const GRasterGraphic& other);
  GRasterGraphic& operator=(const GRasterGraphic&) = delete;
  ~GRasterGraphic() override;

  static RWClassID StaticClassId() { return GRasterGraphicClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GRasterGraphic);
  // The same class, matching graphic parts and images, equal rectangles and
  // matching second bitmaps.
  int Matches(const MPersistentObject* other) const override;

  // Stored body after the graphic part: version 1, the image as a framed
  // object, the source and destination rectangles (16-bit each), the
  // second bitmap framed. The bitmaps are read into the members; a version
  // other than 1 leaves the object as it was.
  RW_STORED_MEMBERS();

  // The image takes a copy of pixel data it only borrows.
  void PinResources() override;
  // GPeripheral::DrawRaster.
  int16_t Dispatch(GPeripheral* peripheral) override;
  // 0 here; 1 for an image already at device resolution.
  virtual int IsPreScaled() const { return 0; }

  GBitmap GetBitmap() const { return image_; }
  GBitmap GetSecondBitmap() const { return second_; }
  void GetSourceRect(GRect& out) const { out = source_; }
  void GetDestRect(GRect& out) const { out = destination_; }

  // Cuts the source and destination rectangles down to the part of the
  // destination the clip leaves visible. Both outputs are zero when
  // nothing is visible. Answers 1, or 0 when the source had to be widened
  // to whole pixels so that the new destination reaches beyond the visible
  // part.
  int ClipRects(const GClip* clip, GRect& sourceOut, GRect& destinationOut) const;

 private:
  GBitmap image_;
  GRect source_;
  GRect destination_;
  GBitmap second_;
};

class GPreScaledRasterGraphic : public GRasterGraphic {
 public:
  GPreScaledRasterGraphic();
  GPreScaledRasterGraphic(const GBitmap& image, const GRect& source, const GRect& destination, const GBitmap& second,
                          GState* settings, const int32_t* id);
  GPreScaledRasterGraphic(const GPreScaledRasterGraphic& other);
  ~GPreScaledRasterGraphic() override;

  static RWClassID StaticClassId() { return GPreScaledRasterGraphicClassId; }

  QV_PERSISTENT_KIND(GPreScaledRasterGraphic);
  int IsPreScaled() const override { return 1; }
};

RWCollectable* GRasterGraphicCreate();
RWCollectable* GPreScaledRasterGraphicCreate();
