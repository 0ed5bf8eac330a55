#include "winnt40/GNT40CapabilityRecords.h"

#include <cstring>

namespace {

constexpr size_t kTextField = 512;
constexpr uint16_t kPrivateRecordTag = 22098;
// The whole DEVMODE the driver reports and the offsets of its size words.
constexpr size_t kDevModeTotal = 1172;
constexpr size_t kSizeOffset = 68;
constexpr size_t kDriverExtraOffset = 70;

void PutWord(uint8_t* at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void PutDword(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint16_t GetWord(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }

// Wide characters go into the caller's buffer in the process's own order.
void PutWide(uint8_t* at, WCHAR c) { std::memcpy(at, &c, sizeof c); }

void PutText(uint8_t* at, const char* text) {
  std::memset(at, 0, kTextField);
  const size_t n = std::strlen(text);
  std::memcpy(at, text, n < kTextField ? n : kTextField - 1);
}

}  // namespace

void GNT40CapabilityRecords::WritePrivateRecord(void* out) {
  auto* bytes = static_cast<uint8_t*>(out);
  PutWord(bytes, kPrivateRecordTag);
  PutText(bytes + 2, "QVGDI6");
  PutText(bytes + 2 + kTextField, "syshnts.hlp");
  PutText(bytes + 2 + 2 * kTextField, "hints_system");
}

void GNT40CapabilityRecords::WriteNupChoices(void* out) {
  static constexpr DWORD kChoices[kNupCount] = {2, 4, 6, 9, 16};
  std::memcpy(out, kChoices, sizeof kChoices);
}

void GNT40CapabilityRecords::WritePersonality(void* out, const RWCString& text) {
  auto* bytes = static_cast<uint8_t*>(out);
  const size_t length = text.Length();
  for (size_t i = 0; i < static_cast<size_t>(kPersonalityLength); ++i) {
    const WCHAR c = i < length ? static_cast<WCHAR>(static_cast<unsigned char>(text.Data()[i])) : WCHAR(0);
    PutWide(bytes + i * sizeof(WCHAR), c);
  }
}

void GNT40CapabilityRecords::WriteBinName(void* out, int index, const WCHAR* prefix, const RWWString& text) {
  auto* entry = static_cast<uint8_t*>(out) + static_cast<size_t>(index) * kBinNameLength * sizeof(WCHAR);
  size_t n = 0;
  const size_t room = static_cast<size_t>(kBinNameLength) - 1;
  if (prefix != nullptr) {
    for (; prefix[n] != 0 && n < room; ++n) PutWide(entry + n * sizeof(WCHAR), prefix[n]);
  }
  for (size_t i = 0; i < text.Length() && n < room; ++i, ++n) {
    if (text.Data()[i] == 0) break;
    PutWide(entry + n * sizeof(WCHAR), text.Data()[i]);
  }
  for (; n < static_cast<size_t>(kBinNameLength); ++n) PutWide(entry + n * sizeof(WCHAR), 0);
}

bool GNT40CapabilityRecords::WriteHostMark(void* dm, size_t written) {
  auto* bytes = static_cast<uint8_t*>(dm);
  if (written < kDriverExtraOffset + 2) return false;
  const size_t size = GetWord(bytes + kSizeOffset);
  if (size < kDriverExtraOffset + 2 || size > written || written - size < kHostMarkSize) return false;
  // The private part the DEVMODE claims never reaches past the written
  // bytes, so a reader that trusts dmDriverExtra stays inside the buffer.
  size_t extra = size < kDevModeTotal && kDevModeTotal - size > kHostMarkSize ? kDevModeTotal - size : kHostMarkSize;
  if (extra > written - size) extra = written - size;
  PutWord(bytes + kDriverExtraOffset, static_cast<uint16_t>(extra));
  uint8_t* block = bytes + size;
  std::memset(block, 0, kHostMarkSize);
  PutDword(block, kHostMarkTag);
  PutWord(block + 4, kHostMarkSize);
  return true;
}
