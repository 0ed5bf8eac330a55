// GNT40CapabilityRecords: the fixed-form answers that the driver object
// writes into a caller's capability or DEVMODE buffer: the private
// capability record, the n-up list, the printer personality entry, a tray
// name entry and the host mark of an application's DEVMODE. Each writes
// exactly the bytes its answer takes and no more.
#pragma once

#include <cstddef>
#include <cstdint>

#include "rw/RWCString.h"
#include "rw/RWWString.h"
#include "win32/Types.h"

class GNT40CapabilityRecords {
 public:
  // The private capability index and the size of its record.
  static constexpr WORD kPrivateIndex = 22097;
  static constexpr DWORD kPrivateRecordSize = 1538;
  // The n-up choices and the entries of the personality and tray names.
  static constexpr int kNupCount = 5;
  static constexpr int kPersonalityLength = 32;
  static constexpr int kBinNameLength = 24;
  // The host mark: tag, its length and the mode that asks for it.
  static constexpr uint32_t kHostMarkTag = 0x51565156;  // "VQVQ"
  static constexpr uint16_t kHostMarkSize = 152;
  static constexpr DWORD kHostMarkMode = 0x100A;

  // The 1538-byte record: the word 22098, then three 512-byte zero-padded
  // texts (the interface name, the help file and its topic).
  static void WritePrivateRecord(void* out);
  // {2, 4, 6, 9, 16} as DWORDs.
  static void WriteNupChoices(void* out);
  // One entry of kPersonalityLength wide characters: the first characters
  // of the narrow text, each byte widened on its own, zero-padded.
  static void WritePersonality(void* out, const RWCString& text);
  // Tray name entry `index` of kBinNameLength characters: the prefix (or
  // none), then the text, cut so that the name and its terminator fit; the
  // rest of the entry is zero.
  static void WriteBinName(void* out, int index, const WCHAR* prefix, const RWWString& text);

  // Marks a DEVMODE that was just written into a caller's buffer of
  // `written` bytes: dmDriverExtra = max(1172 - dmSize, 152) (never more
  // than the written bytes after dmSize), then at dmSize a block of 152
  // bytes, cleared, with the tag at its start and its length after the tag.
  // Nothing changes unless the block lies inside the written bytes; answers
  // whether the mark was made.
  static bool WriteHostMark(void* dm, size_t written);
};
