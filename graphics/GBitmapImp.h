// GBitmapImp: the shared body of a bitmap (GBitmap). It owns the pixel
// data, the palette and the description of the layout, decodes run-length
// data (the 4- and 8-bit forms of device-independent bitmaps) once when it
// is built, and hands out any span of any row converted to what the raster
// code reads: bits, nibbles and bytes realigned, three planes interleaved,
// 16- and 32-bit pixels unpacked through their masks, 24-bit colour turned
// into gray, rows flipped right to left.
//
// Pixel data comes from applications and spool files. Every row read is
// bounded by the data the body holds (bytes beyond it read as 0), a span
// outside the image or a layout no bitmap can have reads nothing, and the
// run-length decoder never writes outside its block nor reads past its
// input.
#pragma once

#include <cstdint>

#include "graphics/GGrayConversion.h"
#include "graphics/GRect.h"
#include "model/GCountedPtr.h"
#include "model/MPersistentObject.h"

class GPaletteTable;

constexpr RWClassID GBitmapImpClassId = 552;

// The description a bitmap is made from, field by field in the order its
// creators give them.
struct GBitmapDescription {
  int32_t ownsData = 1;         // 1: the body frees data (allocated with new[])
  uint8_t* data = nullptr;      // the pixel bytes
  uint32_t dataLength = 0;      // their count
  uint8_t rowAlignment = 1;     // rows are padded to a multiple of it
  GRect bounds;                 // width = right - left, height = bottom - top
  uint8_t bitsPerPixel = 0;     // 1, 4, 8, 16, 24 or 32
  uint8_t planes = 1;           // 1, or 3 for 1 or 8 bits per pixel
  int32_t componentOrder = 0;   // 1: red, green, blue; else blue, green, red
  int32_t compression = 0;      // 0 none, 1 run-length 4-bit, 2 run-length 8-bit
  GPaletteTable* palette = nullptr;  // taken by the body; may be null
  int32_t bottomUp = 0;         // the first stored row is the bottom one
  int32_t mirror = 0;           // rows are delivered right to left
  int32_t masksGiven = 0;       // the masks describe 16- and 32-bit pixels
  uint32_t redMask = 0;
  uint32_t greenMask = 0;
  uint32_t blueMask = 0;
  int16_t segmentStep = 0;      // non-zero: 64 KB segmented row addressing
  int16_t rowsPerSegment = 0;
  int32_t reservedValue = 0;    // stored and compared only
};

// Row modes of GetRow: 0, 1 and 4 turn 24-bit colour into gray; 2 gives
// colour in the stored order; 3 gives colour with red and blue swapped.
enum GBitmapRowMode : int32_t {
  kBitmapRowGray = 0,
  kBitmapRowGray1 = 1,
  kBitmapRowColor = 2,
  kBitmapRowSwapped = 3,
  kBitmapRowGray4 = 4,
};

class GBitmapImp : public MPersistentObject {
 public:
  // No data, no palette, every field 0, owns data 1.
  GBitmapImp();
  // Takes the description (the data when ownsData is 1, the palette in any
  // case), computes the derived fields and decodes run-length data. A
  // description whose run-length form does not fit its depth (compression
  // 1 needs 4 bits, 2 needs 8 bits, one plane), or whose decoded image
  // would be larger than kMaxDecodedBytes, leaves the body without data.
  explicit GBitmapImp(const GBitmapDescription& description);
  // A copy of every field, with its own copy of the data and the palette.
  GBitmapImp(const GBitmapImp& other);
  GBitmapImp& operator=(const GBitmapImp& other) { return Assign(other); }
  GBitmapImp& Assign(const GBitmapImp& other);
  ~GBitmapImp() override;

  static RWClassID StaticClassId() { return GBitmapImpClassId; }
  static uint32_t ClassVersion() { return 2; }
  // The largest block the run-length decoder allocates.
  static constexpr uint32_t kMaxDecodedBytes = 256u << 20;

  QV_PERSISTENT_KIND(GBitmapImp);
  // The same body, or every layout field, the palettes (when both have one)
  // and the pixel bytes equal.
  int Matches(const MPersistentObject* other) const override;

  // Stored body after the persistent base: version 2, the description and
  // derived fields, the palette as an object reference, the mirror flag,
  // the pixel bytes (see the source).
  RW_STORED_MEMBERS();

  // Converts columns x0 to x1 - 1 of row (0 is the top row of the image)
  // into buffer and answers the bytes written: (effective bits per pixel x
  // (x1 - x0) + 7) div 8, or x1 - x0 for gray rows. A span outside the
  // image, an empty span and a layout no bitmap can have write nothing and
  // answer 0.
  uint32_t GetRow(uint8_t* buffer, int16_t x0, int16_t x1, int16_t row, int32_t mode) const;
  // The bytes GetRow writes for the span in the mode.
  uint32_t RowBytes(int16_t x0, int16_t x1, int32_t mode) const;

  // 4 for 1 bit in 3 planes; 24 for 16 and 32 bits; else bits x planes.
  uint32_t EffectiveBitsPerPixel() const;
  // Whether the layout is one that rows can be read from.
  bool IsReadable() const;

  // ---- Fields ----
  const GRect& GetBounds() const { return bounds_; }
  int32_t GetWidth() const { return bounds_.Width() > 0 ? bounds_.Width() : 0; }
  int32_t GetHeight() const { return bounds_.Height() > 0 ? bounds_.Height() : 0; }
  uint32_t GetDataLength() const { return dataLength_; }
  const uint8_t* GetData() const { return data_; }
  uint8_t* GetData() { return data_; }
  int32_t OwnsData() const { return ownsData_; }
  uint8_t GetBitsPerPixel() const { return bitsPerPixel_; }
  uint8_t GetPlanes() const { return planes_; }
  int32_t GetComponentOrder() const { return componentOrder_; }
  int32_t GetCompression() const { return compression_; }
  GPaletteTable* GetPalette() const;
  // Deletes the palette held and takes the given one (null allowed).
  void SetPalette(GPaletteTable* palette);
  int32_t IsBottomUp() const { return bottomUp_; }
  int32_t IsMirrored() const { return mirror_; }
  int32_t HasMasks() const { return masksGiven_; }
  uint32_t GetRedMask() const { return masks_[0].mask; }
  uint32_t GetGreenMask() const { return masks_[1].mask; }
  uint32_t GetBlueMask() const { return masks_[2].mask; }
  uint8_t GetMaskShift(int component) const { return masks_[component].shift; }
  uint8_t GetMaskBitCount(int component) const { return masks_[component].bits; }
  uint8_t GetRowAlignment() const { return rowAlignment_; }
  int16_t GetSegmentStep() const { return segmentStep_; }
  int16_t GetRowsPerSegment() const { return rowsPerSegment_; }
  int32_t GetReservedValue() const { return reservedValue_; }
  uint32_t GetStride() const { return stride_; }
  uint32_t GetPackedRowBytes() const { return packedRowBytes_; }
  GGrayFunction GetGrayFunction() const { return grayFunction_; }
  void SetGrayFunction(GGrayFunction function) { grayFunction_ = function; }
  // Twice the data length while compressed, else the data length; worked
  // out on the first call and kept.
  uint32_t GetDecodedSize();
  // When the data is borrowed, makes a copy the body owns. 0 when the copy
  // cannot be allocated (the data stays borrowed).
  int MakeDataOwned();

 private:
  struct Mask {
    uint32_t mask = 0;
    uint8_t shift = 0;
    uint8_t bits = 0;
  };

  void SetDerivedFields();
  void DecodeRunLength();
  void FreeData();
  void CopyFrom(const GBitmapImp& other);
  // The 8-bit value of one mask's component of a pixel value.
  uint8_t Component(uint32_t value, int component) const;
  uint8_t Gray(uint8_t red, uint8_t green, uint8_t blue) const;

  int32_t ownsData_;
  uint8_t* data_;
  uint32_t dataLength_;
  uint8_t rowAlignment_;
  GRect bounds_;
  uint8_t bitsPerPixel_;
  uint8_t planes_;
  int32_t componentOrder_;
  int32_t compression_;
  GCountedRef palette_;  // a GPaletteTable, or empty
  int32_t bottomUp_;
  int32_t mirror_;
  int32_t masksGiven_;
  Mask masks_[3];  // red, green, blue
  int16_t segmentStep_;
  int16_t rowsPerSegment_;
  int32_t reservedValue_;

  uint32_t packedRowBytes_;
  uint32_t stride_;
  uint32_t decodedSize_;
  int32_t decodedSizeValid_;
  GGrayFunction grayFunction_;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GBitmapImp*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GBitmapImp*& out);

RWCollectable* GBitmapImpCreate();
