// GTrueTypeFace: what a concrete face handle whose face has TrueType
// outlines offers to the generators that download the outlines: the font's
// tables by the TrueType reader's tag index (GTTFontReader::TagIndex), its
// glyph count and typographic descender, each glyph's metrics and "glyf"
// bytes, and the glyph of a character code in a text encoding. A concrete
// handle derives from GFontFaceHandle and from this; a generator reaches it
// through a dynamic cast of the handle, and a face without it has no
// outlines to send.
#pragma once

#include <cstdint>
#include <memory>

#include "graphics/GByteBuffer.h"

class GTrueTypeFace {
 public:
  virtual ~GTrueTypeFace() = default;

  // The table's length, 0 when the font has no such table.
  virtual uint32_t GetTrueTypeTableLength(uint32_t tagIndex) = 0;
  // The table's bytes in a new owning buffer (not the reader's cached
  // copy); their count, 0 with out null when they cannot be had.
  virtual uint32_t GetTrueTypeTable(uint32_t tagIndex, std::unique_ptr<GByteBuffer>& out) = 0;
  // Non-zero with *out set when the font gives the value.
  virtual int GetTrueTypeGlyphCount(uint16_t* out) = 0;
  virtual int GetTrueTypeDescender(int16_t* out) = 0;
  virtual int GetGlyphHorizontalMetrics(uint16_t glyph, uint16_t* advance, int16_t* sideBearing) = 0;
  virtual int GetGlyphVerticalMetrics(uint16_t glyph, uint16_t* advance, int16_t* sideBearing) = 0;
  // The glyph's "glyf" bytes in a new owning buffer; their count (0 for a
  // glyph without outline, and on failure with out null).
  virtual uint32_t GetGlyphOutlineData(uint16_t glyph, std::unique_ptr<GByteBuffer>& out) = 0;
  // The glyph of the character code in the text encoding; 0 when the font
  // has none.
  virtual uint16_t GetGlyphIndexOf(uint16_t code, int32_t encoding) = 0;
};
