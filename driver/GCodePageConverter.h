// GCodePageConverter: converts characters and text between encodings for
// the print path. The converter is process-wide and obtained lazily from the
// platform factory (GetCodePageConverter); when the platform offers none (the
// platform factories of this module create none), the driver core's own
// GBuiltInCodePageConverter serves, which converts through the system's
// code pages. Callers still guard a null converter.
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

// The driver core's converter. Text encoding ids map to code pages: 4 1252,
// 5 1250, 6 1254, 7 1251, 8 1253, 9 1255, 10 1256, 11 874, 12 1257, 14 1258,
// 15 850, 17 932, 18 and 19 936, 20 and 21 949, 22 1361, 23 950, the other
// single-byte ids (24 to 52) 1252. Unicode (16) and symbol (3) keep their
// codes (symbol keeps the low byte); glyph indexes and glyph codes (1, 2) are
// not characters and convert to 0. A character without a conversion gives 0.
class GBuiltInCodePageConverter : public GCodePageConverter {
 public:
  uint32_t ToUnicode(uint32_t code, int encodingId) override;
  int NarrowToWide(const char* source, WCHAR* destination, UINT codePage, int count) override;
  int WideToNarrow(const WCHAR* source, char* destination, UINT codePage, int count) override;
  uint32_t FromUnicode(uint32_t unicode, int encodingId) override;
  int IsEncodingKnown(int encodingId) override;

  // The code page of a text encoding id, 0 for none.
  static UINT CodePageOf(int encodingId);
};

// The process-wide converter: the platform factory's when it offers one,
// else the built-in one (also without a factory). Lock failures report ids
// 301 and 302 with the source name "unicode".
GCodePageConverter* GetCodePageConverter();
