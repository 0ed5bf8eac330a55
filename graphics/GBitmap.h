// GBitmap: the image of a raster graphic, a raster pattern or the
// watermark's shading pattern. A small persistent handle that graphics hold
// by value and copy freely: copies share one body (GBitmapImp), which owns
// the pixels, the palette and the layout and is deleted with its last
// holder. The raster pipeline reads images only through GetRow; the
// generators also reduce small colour images to palette or 1-bit images
// (ReduceColorDepth).
#pragma once

#include <cstdint>

#include "graphics/GBitmapImp.h"
#include "model/GCountedPtr.h"
#include "model/MPersistentObject.h"
#include "rw/RWMembers.h"

constexpr RWClassID GBitmapClassId = 551;

class GBitmap : public MPersistentObject {
 public:
  // Empty: no body.
  GBitmap();
  // A new body made from the description (see GBitmapImp).
  explicit GBitmap(const GBitmapDescription& description);
  // Both share the other's body.
  GBitmap(const GBitmap& other);
  GBitmap& operator=(const GBitmap& other) { return Assign(other); }
  GBitmap& Assign(const GBitmap& other);
  ~GBitmap() override;

  static RWClassID StaticClassId() { return GBitmapClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GBitmap);
  // The same body, or both hold bodies that match.
  int Matches(const MPersistentObject* other) const override;

  // Stored body after the persistent base: version 1, then the body as an
  // object reference (the null object when empty). A body stored once and
  // referred to again in the same graph is read back shared.
  RW_STORED_MEMBERS();

  // The body (null when empty) and how many bitmaps share it.
  GBitmapImp* GetBody() const { return static_cast<GBitmapImp*>(body_.Pointee()); }
  int32_t GetShareCount() const;

  // Forwarding accessors; on an empty bitmap they answer zeros and nulls
  // (SetPalette then deletes the palette it was given).
  void GetBounds(GRect& out) const;
  uint32_t GetDataSize() const;
  uint32_t GetBitsPerPixel() const;
  uint32_t GetRowBytes(int16_t x0, int16_t x1) const;
  uint32_t GetRow(uint8_t* buffer, int16_t x0, int16_t x1, int16_t row, int32_t mode) const;
  int32_t GetCompression() const;
  int IsCompressed() const;
  GPaletteTable* GetPalette() const;
  void SetPalette(GPaletteTable* palette);
  uint8_t* GetBits() const;
  int MakeDataOwned();
  void SetGrayFunction(GGrayFunction function);
  uint32_t GetDecodedSize();
  uint32_t GetRedMask() const;
  uint32_t GetGreenMask() const;
  uint32_t GetBlueMask() const;
  int32_t HasMasks() const;
  uint8_t GetRowAlignment() const;
  int32_t IsBottomUp() const;
  int32_t IsMirrored() const;
  int16_t GetRowsPerSegment() const;
  int16_t GetSegmentStep() const;
  int IsSegmented() const;
  int32_t GetReservedValue() const;
  int IsValid() const { return 1; }
  int IsEmpty() const { return body_.IsEmpty() ? 1 : 0; }

  // A bitmap of fewer bits per pixel when that is possible, else one
  // sharing this body: a colour image of fewer than 32768 pixels and at
  // most 256 colours becomes an 8-bit palette image, and an 8-bit image
  // with a palette of at most 2 entries a 1-bit image.
  void ReduceColorDepth(GBitmap& out) const;
  // The image of a bitmap stored packed (the expanded size, 32 bits low
  // byte first, then the packed bytes), with its palette; an empty bitmap
  // when the data does not expand to a whole image of the bounds.
  GBitmap ExpandPacked() const;

 private:
  GCountedRef body_;  // a GBitmapImp, or empty
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GBitmap*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GBitmap*& out);

RWCollectable* GBitmapCreate();
