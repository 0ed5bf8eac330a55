#include "ui/pages/FontDescriptorFormat.h"

#include <cstring>
#include <string>

namespace fontdescriptor {

int16_t ReadInt16(const uint8_t* at) { return static_cast<int16_t>(static_cast<uint16_t>(at[0] | (at[1] << 8))); }

int32_t ReadInt32(const uint8_t* at) {
  const uint32_t v = static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
                     (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
  return static_cast<int32_t>(v);
}

void WriteInt16(uint8_t* at, int16_t value) {
  const auto v = static_cast<uint16_t>(value);
  at[0] = static_cast<uint8_t>(v);
  at[1] = static_cast<uint8_t>(v >> 8);
}

void WriteInt32(uint8_t* at, int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

int32_t SymbolSetOfCode(int code) {
  switch (code) {
    case 5:
      return 3;
    case 6:
      return 53;
    case 7:
      return 55;
    case 8:
      return 54;
    case 51:
    case 52:
    case 53:
    case 54:
    case 58:
    case 214:
      return 9;
    case 55:
    case 153:
    case 211:
      return 7;
    case 56:
    case 215:
      return 12;
    case 57:
    case 213:
      return 8;
    case 101:
    case 102:
    case 106:
    case 107:
    case 210:
      return 4;
    case 103:
    case 208:
      return 5;
    case 105:
    case 152:
    case 212:
      return 6;
    case 108:
    case 151:
    case 209:
      return 14;
    case 201:
      return 15;
    case 202:
      return 17;
    case 203:
      return 18;
    case 204:
      return 19;
    case 205:
      return 21;
    case 206:
      return 23;
    case 207:
      return 16;
    case 216:
      return 22;
    case 217:
      return 20;
    default:
      return 0;
  }
}

RWCString AppendStyleSuffix(const RWCString& name, int weight, int italic) {
  RWCString out = name;
  if (weight >= kBoldWeight) out = RWCString::ConcatText(out, " -Bd");
  if (italic != 0) out = RWCString::ConcatText(out, " -It");
  return out;
}

RWCString StripStyleSuffix(const RWCString& name) {
  // The texts are cut at their first zero, as a C text would be.
  std::string text(name.Data(), std::strlen(name.Data()));
  for (const char* suffix : {" -Bd", " -It"}) {
    const size_t at = text.find(suffix);
    if (at != std::string::npos) text.resize(at);
  }
  return RWCString(text.data(), text.size());
}

}  // namespace fontdescriptor

using namespace fontdescriptor;

GFontEntryFixedPart::GFontEntryFixedPart() : bytes_(kCodesAt, 0) { WriteInt32(&bytes_[kFixedSizeAt], kCodesAt); }

GFontEntryFixedPart::GFontEntryFixedPart(int16_t weight, int16_t italic, uint8_t flags, uint8_t kind,
                                         int16_t pixelHeight, const std::vector<int16_t>& codes)
    : bytes_(kCodesAt + 2 * codes.size(), 0) {
  WriteInt32(&bytes_[kFixedSizeAt], static_cast<int32_t>(bytes_.size()));
  WriteInt16(&bytes_[kWeightAt], weight);
  WriteInt16(&bytes_[kItalicAt], italic);
  bytes_[kFlagsAt] = flags;
  bytes_[kKindAt] = kind;
  WriteInt16(&bytes_[kPixelHeightAt], pixelHeight);
  WriteInt16(&bytes_[kCodeCountAt], static_cast<int16_t>(codes.size()));
  for (size_t i = 0; i < codes.size(); ++i) WriteInt16(&bytes_[kCodesAt + 2 * i], codes[i]);
}

bool GFontEntryFixedPart::FromBytes(const uint8_t* bytes, size_t size, GFontEntryFixedPart* out) {
  if (bytes == nullptr || out == nullptr || size < kCodesAt) return false;
  const int16_t count = ReadInt16(bytes + kCodeCountAt);
  if (count < 0) return false;
  const size_t whole = kCodesAt + 2 * static_cast<size_t>(count);
  if (size < whole) return false;
  out->bytes_.assign(bytes, bytes + whole);
  return true;
}

int32_t GFontEntryFixedPart::StoredSize() const { return Int32At(kFixedSizeAt); }
int16_t GFontEntryFixedPart::Weight() const { return Int16At(kWeightAt); }
int16_t GFontEntryFixedPart::Italic() const { return Int16At(kItalicAt); }
int16_t GFontEntryFixedPart::PixelHeight() const { return Int16At(kPixelHeightAt); }

void GFontEntryFixedPart::SetDisabled(bool disabled) {
  if (disabled)
    bytes_[kKindAt] = static_cast<uint8_t>(bytes_[kKindAt] | kDisabled);
  else
    bytes_[kKindAt] = static_cast<uint8_t>(bytes_[kKindAt] & ~kDisabled);
}

int GFontEntryFixedPart::CodeCount() const { return static_cast<int>((bytes_.size() - kCodesAt) / 2); }

int16_t GFontEntryFixedPart::Code(int index) const {
  if (index < 0 || index >= CodeCount()) return 0;
  return ReadInt16(&bytes_[kCodesAt + 2 * static_cast<size_t>(index)]);
}

void GFontEntryFixedPart::SetInt16(size_t at, int16_t value) {
  if (at + 2 <= kCodesAt) WriteInt16(&bytes_[at], value);
}

void GFontEntryFixedPart::SetInt32(size_t at, int32_t value) {
  if (at + 4 <= kCodesAt) WriteInt32(&bytes_[at], value);
}

int16_t GFontEntryFixedPart::Int16At(size_t at) const { return at + 2 <= kCodesAt ? ReadInt16(&bytes_[at]) : 0; }

int32_t GFontEntryFixedPart::Int32At(size_t at) const { return at + 4 <= kCodesAt ? ReadInt32(&bytes_[at]) : 0; }

bool operator==(const GFontEntryFixedPart& a, const GFontEntryFixedPart& b) { return a.Bytes() == b.Bytes(); }
