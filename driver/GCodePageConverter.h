// GCodePageConverter: converts characters and text between encodings for
// the print path. The converter is process-wide and obtained lazily from the
// platform factory (GetCodePageConverter); a platform that offers none
// answers null, and callers go on without conversion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "win32/Types.h"

class GCodePageConverter {
 public:
  GCodePageConverter() = default;
  GCodePageConverter(const GCodePageConverter&) = delete;
  GCodePageConverter& operator=(const GCodePageConverter&) = delete;

  // The Unicode code of a character of the encoding.
  virtual uint32_t ToUnicode(uint32_t code, int encodingId) = 0;
  // Narrow text of the code page to wide text, count characters including
  // the terminator; the characters written.
  virtual int NarrowToWide(const char* source, WCHAR* destination, UINT codePage, int count) = 0;
  // Wide text to narrow text of the code page, likewise.
  virtual int WideToNarrow(const WCHAR* source, char* destination, UINT codePage, int count) = 0;
  // The code of a Unicode character in the encoding (a single-byte result
  // in the low byte).
  virtual uint32_t FromUnicode(uint32_t unicode, int encodingId) = 0;
  // 1 when the encoding is one the converter knows.
  virtual int IsEncodingKnown(int encodingId) = 0;
  // Frees the blocks the converter owns and deletes the process-wide
  // converter lock.
  virtual ~GCodePageConverter();

 protected:
  // Blocks allocated with malloc that the converter owns.
  std::vector<void*> blocks_;
};

// The process-wide converter, or null when the platform offers none. Lock
// failures report ids 301 and 302 with the source name "unicode".
GCodePageConverter* GetCodePageConverter();
