// DevmodePrivateArea: the byte layout of the DEVMODE this driver writes (the
// 220-byte public record, a 46-byte private header and a 906-byte settings
// area), with the little-endian helpers through which every DEVMODE field is
// read and written, and the bounded copy that turns a DEVMODE from outside
// into a full-size image before anything looks at it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "rw/RWWString.h"
#include "win32/DevMode.h"

class DevmodePrivateArea {
 public:
  // Sizes.
  static constexpr size_t kPublicSize = 220;
  static constexpr size_t kHeaderSize = 46;
  static constexpr size_t kSettingsAreaSize = 906;
  static constexpr size_t kTotalSize = kPublicSize + kHeaderSize + kSettingsAreaSize;  // 1172
  static constexpr size_t kSettingsCapacity = 902;
  static constexpr size_t kDriverExtra = kHeaderSize + kSettingsAreaSize;  // 952
  // The fixed head of any DEVMODE a caller passes: name through dmFields.
  static constexpr size_t kHeadSize = 76;

  // Offsets of the private header and the settings area.
  static constexpr size_t kPrivateSizeOffset = 220;
  static constexpr size_t kHeaderSizeOffset = 222;
  static constexpr size_t kDriverTagOffset = 224;
  static constexpr size_t kDriverTagSize = 32;
  static constexpr size_t kJobValueOffset = 256;
  static constexpr size_t kTimeBiasOffset = 260;
  static constexpr size_t kFormatTagOffset = 262;
  static constexpr size_t kVersionOffset = 264;
  static constexpr size_t kSettingsLengthOffset = 266;
  static constexpr size_t kSettingsCapacityOffset = 268;
  static constexpr size_t kSettingsOffset = 270;

  // Values of the header.
  static constexpr uint16_t kFormatTag = 4;
  static constexpr uint16_t kPrivateVersion = 50;

  // ---- Fixed-width little-endian access ----
  static uint16_t GetWord(const void* base, size_t offset);
  static int16_t GetShort(const void* base, size_t offset) { return static_cast<int16_t>(GetWord(base, offset)); }
  static uint32_t GetDword(const void* base, size_t offset);
  static void SetWord(void* base, size_t offset, uint16_t value);
  static void SetShort(void* base, size_t offset, int16_t value) { SetWord(base, offset, static_cast<uint16_t>(value)); }
  static void SetDword(void* base, size_t offset, uint32_t value);

  // dmFields of a DEVMODE and its bits.
  static uint32_t GetFields(const void* dm) { return GetDword(dm, offsetof(DEVMODEW, dmFields)); }
  static void SetFields(void* dm, uint32_t fields) { SetDword(dm, offsetof(DEVMODEW, dmFields), fields); }
  static void SetFieldBits(void* dm, uint32_t bits) { SetFields(dm, GetFields(dm) | bits); }
  static void ClearFieldBits(void* dm, uint32_t bits) { SetFields(dm, GetFields(dm) & ~bits); }

  // The bytes a DEVMODE spans: dmSize + dmDriverExtra.
  static size_t Extent(const void* dm);

  // A wide-character field of count characters (dmDeviceName, dmFormName):
  // read up to the first zero; written with at most count - 1 characters and
  // the rest zero-filled, so the last character is always 0.
  static RWWString GetWideField(const void* base, size_t offset, size_t count);
  static void SetWideField(void* base, size_t offset, size_t count, const RWWString& text);
  // Whether the field holds text (up to its first zero, at most count - 1
  // characters) equal to the given text.
  static bool WideFieldEquals(const void* base, size_t offset, size_t count, const RWWString& text);

  // Makes a full-size image (kTotalSize bytes) of a DEVMODE from outside,
  // reading no byte beyond its extent: the public part is its first
  // min(dmSize, 220) bytes, and the fields that lie beyond dmSize lose their
  // dmFields bits; the private part (the dmDriverExtra bytes after a 220-byte
  // public part, at most 952) is copied only when dmSize is 220, else it is
  // left zero and the image's dmDriverExtra is 0. Everything else is zero.
  // The image's dmSize and dmDriverExtra tell what it holds.
  static void MakeImage(const void* dm, uint8_t* image);
};
