// GTextString: the characters of a text with their encoding (bytes or 16-bit
// codes), and their conversion between encodings: to and from Unicode through
// the code-page converter, and into downloaded-glyph codes through a
// generator's glyph-code allocator, which is how the generators re-encode a
// text for a font they download.
//
// GTextEscapements: the advance of the pen after each character, split into
// x and y (device units, y downward); an absent axis is all zeros.
//
// Text encoding ids: 1 glyph indexes, 2 allocated glyph codes, 3 symbol, 16
// Unicode, 17 to 23 double-byte code pages, the others single-byte code
// pages.
#pragma once

#include <cstdint>
#include <memory>

#include "graphics/GAngle.h"
#include "graphics/GArrayHolder.h"
#include "model/MPersistentKind.h"
#include "model/MPersistentObject.h"
#include "rw/RWMembers.h"

class GGlyphCodeAllocator;

constexpr RWClassID GTextStringClassId = 802;
constexpr RWClassID GTextEscapementsClassId = 803;

namespace textenc {
constexpr int32_t kGlyphIndex = 1;
constexpr int32_t kGlyphCode = 2;
constexpr int32_t kSymbol = 3;
constexpr int32_t kUnicode = 16;
constexpr int32_t kShiftJis = 17;
}  // namespace textenc

// Whether the byte starts a two-byte character of the encoding.
bool IsLeadByte(int32_t encoding, uint8_t byte);
// 1 for 16-bit code encodings (1, 16), 2 for double-byte text (17 to 23), 0
// for the others.
int GetEncodingClass(int32_t encoding);

class GTextString : public MPersistentObject {
 public:
  // No characters, length 0, size 0, encoding 0.
  GTextString();
  // Takes the holder over; the characters are owned as the holder says. A
  // holder with fewer elements than length shortens the length to them.
  GTextString(GArrayHolder<uint8_t>* bytes, uint16_t length, int32_t encoding);
  GTextString(GArrayHolder<uint16_t>* codes, uint16_t length, int32_t encoding);
  // The source converted to the target encoding (see the source file); the
  // allocator maps codes for encoding 2 (none maps every code to 0).
  GTextString(const GTextString& source, int32_t targetEncoding, GGlyphCodeAllocator* allocator);
  // Owned copies of the characters.
  GTextString(const GTextString& other);
  GTextString& operator=(const GTextString&) = delete;
  ~GTextString() override;

  static RWClassID StaticClassId() { return GTextStringClassId; }
  static uint32_t ClassVersion() { return 1; }
  QV_PERSISTENT_KIND(GTextString);
  int Matches(const MPersistentObject* other) const override;
  // Stored body: version 1, length (16-bit), character size, encoding, then
  // the characters (bytes or 16-bit codes).
  RW_STORED_MEMBERS();

  static bool IsSingleByteEncoding(int32_t encoding);

  uint16_t GetLength() const { return length_; }
  int32_t GetCharSize() const { return charSize_; }
  int32_t GetEncoding() const { return encoding_; }
  // The character (byte or code); 0 past the end or without characters.
  uint16_t GetChar(uint32_t index) const;
  // The first byte or code, null when there are none.
  const uint8_t* GetBytes() const { return bytes_ != nullptr && bytes_->Count() != 0 ? bytes_->Data() : nullptr; }
  const uint16_t* GetWideChars() const { return codes_ != nullptr && codes_->Count() != 0 ? codes_->Data() : nullptr; }
  // Copies borrowed characters into an owned array.
  virtual void MakeOwned();

 private:
  void SetBytes(uint8_t* bytes, uint16_t length);
  void SetCodes(uint16_t* codes, uint16_t length);

  std::unique_ptr<GArrayHolder<uint8_t>> bytes_;    // character size 1
  std::unique_ptr<GArrayHolder<uint16_t>> codes_;   // character size 2
  uint16_t length_ = 0;
  int32_t charSize_ = 0;
  int32_t encoding_ = 0;
};

class GTextEscapements : public MPersistentObject {
 public:
  GTextEscapements();
  // Takes both holders over (either may be null).
  GTextEscapements(GArrayHolder<int16_t>* x, GArrayHolder<int16_t>* y, uint16_t count);
  // Advances along the baseline at the angle (see the source file); takes
  // the holder over.
  GTextEscapements(const GAngle& angle, GArrayHolder<int16_t>* advances);
  GTextEscapements(const GTextEscapements& other);
  GTextEscapements& operator=(const GTextEscapements&) = delete;
  ~GTextEscapements() override;

  static RWClassID StaticClassId() { return GTextEscapementsClassId; }
  static uint32_t ClassVersion() { return 1; }
  QV_PERSISTENT_KIND(GTextEscapements);
  int Matches(const MPersistentObject* other) const override;
  // Stored body: version 1, count, then per axis a flag and, when 1, count
  // advances.
  RW_STORED_MEMBERS();

  uint16_t GetCount() const { return count_; }
  // The advance; 0 when the axis is absent or the index is past it.
  int16_t GetX(uint32_t index) const { return Get(x_.get(), index); }
  int16_t GetY(uint32_t index) const { return Get(y_.get(), index); }
  const int16_t* GetXAdvances() const { return First(x_.get()); }
  const int16_t* GetYAdvances() const { return First(y_.get()); }
  void SetX(uint32_t index, int16_t value) { Set(x_, index, value); }
  void SetY(uint32_t index, int16_t value) { Set(y_, index, value); }

 private:
  static int16_t Get(const GArrayHolder<int16_t>* axis, uint32_t index) {
    return axis != nullptr && index < axis->Count() ? axis->Data()[index] : 0;
  }
  static const int16_t* First(const GArrayHolder<int16_t>* axis) {
    return axis != nullptr && axis->Count() != 0 ? axis->Data() : nullptr;
  }
  void Set(std::unique_ptr<GArrayHolder<int16_t>>& axis, uint32_t index, int16_t value);

  std::unique_ptr<GArrayHolder<int16_t>> x_;
  std::unique_ptr<GArrayHolder<int16_t>> y_;
  uint16_t count_ = 0;
};

RWCollectable* GTextStringCreate();
RWCollectable* GTextEscapementsCreate();
