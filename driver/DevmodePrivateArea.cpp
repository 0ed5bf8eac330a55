#include "driver/DevmodePrivateArea.h"

#include <algorithm>
#include <cstring>

namespace {

const uint8_t* Bytes(const void* base) { return static_cast<const uint8_t*>(base); }
uint8_t* Bytes(void* base) { return static_cast<uint8_t*>(base); }

// The dmFields bit of each public field and the offset just past the field,
// for dropping the bits of fields a short DEVMODE does not hold.
struct FieldEnd {
  uint32_t bit;
  size_t end;
};
constexpr FieldEnd kFieldEnds[] = {
    {DM_ORIENTATION, offsetof(DEVMODEW, dmOrientation) + 2},
    {DM_PAPERSIZE, offsetof(DEVMODEW, dmPaperSize) + 2},
    {DM_PAPERLENGTH, offsetof(DEVMODEW, dmPaperLength) + 2},
    {DM_PAPERWIDTH, offsetof(DEVMODEW, dmPaperWidth) + 2},
    {DM_SCALE, offsetof(DEVMODEW, dmScale) + 2},
    {DM_COPIES, offsetof(DEVMODEW, dmCopies) + 2},
    {DM_DEFAULTSOURCE, offsetof(DEVMODEW, dmDefaultSource) + 2},
    {DM_PRINTQUALITY, offsetof(DEVMODEW, dmPrintQuality) + 2},
    {DM_COLOR, offsetof(DEVMODEW, dmColor) + 2},
    {DM_DUPLEX, offsetof(DEVMODEW, dmDuplex) + 2},
    {DM_YRESOLUTION, offsetof(DEVMODEW, dmYResolution) + 2},
    {DM_TTOPTION, offsetof(DEVMODEW, dmTTOption) + 2},
    {DM_COLLATE, offsetof(DEVMODEW, dmCollate) + 2},
    {DM_FORMNAME, offsetof(DEVMODEW, dmFormName) + 2 * CCHFORMNAME},
    {DM_ICMMETHOD, offsetof(DEVMODEW, dmICMMethod) + 4},
    {DM_ICMINTENT, offsetof(DEVMODEW, dmICMIntent) + 4},
};

}  // namespace

uint16_t DevmodePrivateArea::GetWord(const void* base, size_t offset) {
  const uint8_t* p = Bytes(base) + offset;
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t DevmodePrivateArea::GetDword(const void* base, size_t offset) {
  const uint8_t* p = Bytes(base) + offset;
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

void DevmodePrivateArea::SetWord(void* base, size_t offset, uint16_t value) {
  uint8_t* p = Bytes(base) + offset;
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
}

void DevmodePrivateArea::SetDword(void* base, size_t offset, uint32_t value) {
  uint8_t* p = Bytes(base) + offset;
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

size_t DevmodePrivateArea::Extent(const void* dm) {
  return static_cast<size_t>(GetWord(dm, offsetof(DEVMODEW, dmSize))) +
         GetWord(dm, offsetof(DEVMODEW, dmDriverExtra));
}

RWWString DevmodePrivateArea::GetWideField(const void* base, size_t offset, size_t count) {
  WCHAR chars[256];
  size_t n = 0;
  while (n < count && n < 256) {
    const WCHAR c = static_cast<WCHAR>(GetWord(base, offset + 2 * n));
    if (c == 0) break;
    chars[n++] = c;
  }
  return RWWString(chars, n);
}

void DevmodePrivateArea::SetWideField(void* base, size_t offset, size_t count, const RWWString& text) {
  if (count == 0) return;
  const size_t n = std::min(text.Length(), count - 1);
  for (size_t i = 0; i < count; ++i) SetWord(base, offset + 2 * i, i < n ? static_cast<uint16_t>(text[i]) : 0);
}

bool DevmodePrivateArea::WideFieldEquals(const void* base, size_t offset, size_t count, const RWWString& text) {
  if (count == 0) return text.Length() == 0;
  const size_t n = std::min(text.Length(), count - 1);
  if (n != text.Length()) return false;
  for (size_t i = 0; i < n; ++i)
    if (GetWord(base, offset + 2 * i) != static_cast<uint16_t>(text[i])) return false;
  return GetWord(base, offset + 2 * n) == 0;
}

void DevmodePrivateArea::MakeImage(const void* dm, uint8_t* image) {
  std::memset(image, 0, kTotalSize);
  const size_t size = GetWord(dm, offsetof(DEVMODEW, dmSize));
  const size_t extra = GetWord(dm, offsetof(DEVMODEW, dmDriverExtra));
  // The head is always there; the rest of the public part only as far as
  // dmSize reaches.
  const size_t publicBytes = std::max(kHeadSize, std::min(size, kPublicSize));
  std::memcpy(image, dm, publicBytes);
  SetWord(image, offsetof(DEVMODEW, dmSize), static_cast<uint16_t>(std::min(size, kPublicSize)));
  uint32_t fields = GetFields(image);
  for (const FieldEnd& f : kFieldEnds)
    if (f.end > size) fields &= ~f.bit;
  SetFields(image, fields);
  if (size == kPublicSize) {
    const size_t privateBytes = std::min(extra, kDriverExtra);
    std::memcpy(image + kPublicSize, Bytes(dm) + kPublicSize, privateBytes);
    SetWord(image, offsetof(DEVMODEW, dmDriverExtra), static_cast<uint16_t>(privateBytes));
  } else {
    SetWord(image, offsetof(DEVMODEW, dmDriverExtra), 0);
  }
}
