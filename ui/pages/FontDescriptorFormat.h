// The font descriptor file (".qvd") of a mass-storage font device: the
// numbers of its layout, the fixed part of one font entry, the symbol-set
// codes it uses and the style suffixes of its font names.
//
// File: a header (32 bytes, then an int32 offset per entry, at least one
// slot), the DIMM name and the vendor (zero-terminated 8-bit texts), the
// entries, and the trailer "QVD". All integers are little-endian.
// Entry: the fixed part (26 bytes and k int16 symbol-set codes), the font
// name and the selection string (zero-terminated 8-bit texts).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "rw/RWCString.h"

namespace fontdescriptor {

// Header fields, by byte offset.
constexpr size_t kReservedAt = 0;
constexpr size_t kFirstEntryAt = 4;
constexpr size_t kRevisionAt = 8;
constexpr size_t kDimmNameLengthAt = 12;
constexpr size_t kDimmNameOffsetAt = 14;
constexpr size_t kVendorLengthAt = 18;
constexpr size_t kVendorOffsetAt = 20;
constexpr size_t kVersionAt = 24;
constexpr size_t kCountAt = 28;
constexpr size_t kOffsetTableAt = 32;
// The smallest header: the fixed fields and one offset slot.
constexpr size_t kMinHeaderSize = 36;
// A header (with its names) larger than this is taken for a damaged file;
// it leaves room for some 65000 entries.
constexpr size_t kMaxHeaderSize = 256 * 1024;
constexpr int32_t kNewFileVersion = 0x00010000;
constexpr const char kTrailer[3] = {'Q', 'V', 'D'};

// Entry fields, by byte offset from the entry's start.
constexpr size_t kFixedSizeAt = 0;
constexpr size_t kNameLengthAt = 4;
constexpr size_t kNameOffsetAt = 6;
constexpr size_t kSelectionLengthAt = 10;
constexpr size_t kSelectionOffsetAt = 12;
constexpr size_t kWeightAt = 16;
constexpr size_t kItalicAt = 18;
constexpr size_t kFlagsAt = 20;
constexpr size_t kKindAt = 21;
constexpr size_t kPixelHeightAt = 22;
constexpr size_t kCodeCountAt = 24;
constexpr size_t kCodesAt = 26;
// What the reader reads of an entry first: the fixed fields and one code.
constexpr size_t kEntryHeadSize = 28;

// Bits of the flags byte and of the kind byte.
constexpr uint8_t kVariablePitch = 0x01;
constexpr uint8_t kDimmKindSeven = 0x04;
constexpr uint8_t kFamilyMask = 0xF0;
constexpr uint8_t kDisabled = 0x80;
constexpr uint8_t kFormatKindMask = 0x7F;

// Weights from this one up are bold.
constexpr int kBoldWeight = 700;

// The little-endian integers of a byte run; the caller has checked the bounds.
int16_t ReadInt16(const uint8_t* at);
int32_t ReadInt32(const uint8_t* at);
void WriteInt16(uint8_t* at, int16_t value);
void WriteInt32(uint8_t* at, int32_t value);

// The device-font symbol set a code of the file stands for, 0 for a code
// it does not know.
int32_t SymbolSetOfCode(int code);

// " -Bd" for a weight of 700 or more, then " -It" for a non-zero italic.
RWCString AppendStyleSuffix(const RWCString& name, int weight, int italic);
// The name cut at " -Bd" and then at " -It": what stands before them.
RWCString StripStyleSuffix(const RWCString& name);

}  // namespace fontdescriptor

// The fixed part of one font entry: 26 bytes of fields and k symbol-set
// codes. The reader hands it to a catalogue walk's callback; the writer
// keeps a copy per font and writes it back, with the name and selection
// fields set anew.
class GFontEntryFixedPart {
 public:
  // A fixed part without codes, every field 0 but the size.
  GFontEntryFixedPart();
  // A fixed part with these fields; flags and kind are the raw bytes 20
  // and 21.
  GFontEntryFixedPart(int16_t weight, int16_t italic, uint8_t flags, uint8_t kind, int16_t pixelHeight,
                      const std::vector<int16_t>& codes);

  // Takes the bytes over when they hold a whole fixed part: at least 26
  // bytes, a code count k from 0 to 32767 and the 2k bytes of the codes;
  // bytes past the codes are dropped. False (and out unchanged) otherwise.
  static bool FromBytes(const uint8_t* bytes, size_t size, GFontEntryFixedPart* out);

  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  size_t Size() const { return bytes_.size(); }

  int32_t StoredSize() const;
  int16_t Weight() const;
  int16_t Italic() const;
  uint8_t Flags() const { return bytes_[fontdescriptor::kFlagsAt]; }
  uint8_t KindByte() const { return bytes_[fontdescriptor::kKindAt]; }
  // The format kind: the low seven bits of byte 21.
  int FormatKind() const { return KindByte() & fontdescriptor::kFormatKindMask; }
  bool IsDisabled() const { return (KindByte() & fontdescriptor::kDisabled) != 0; }
  void SetDisabled(bool disabled);
  int16_t PixelHeight() const;
  int CodeCount() const;
  int16_t Code(int index) const;

  // The fields a writer fills in, as int16 and int32 at an offset inside
  // the fixed fields.
  void SetInt16(size_t at, int16_t value);
  void SetInt32(size_t at, int32_t value);
  int16_t Int16At(size_t at) const;
  int32_t Int32At(size_t at) const;

 private:
  std::vector<uint8_t> bytes_;
};

bool operator==(const GFontEntryFixedPart& a, const GFontEntryFixedPart& b);
