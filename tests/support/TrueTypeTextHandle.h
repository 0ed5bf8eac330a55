// A face handle for tests whose face has TrueType outlines: a test reader
// over a font file supplies the tables and glyphs, and each glyph's bitmap
// is a solid block of the handle's glyph size standing on the baseline.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>

#include "graphics/GByteBuffer.h"
#include "graphics/GFontFace.h"
#include "support/FontTestClasses.h"
#include "support/TestFontReader.h"

namespace qvtest {

class TrueTypeTextHandle : public TestFaceHandle {
 public:
  TrueTypeTextHandle(GFontFace* face, std::shared_ptr<TestFontReader> reader)
      : TestFaceHandle(face, 0), reader_(std::move(reader)) {}
  TrueTypeTextHandle(const TrueTypeTextHandle&) = default;
  TrueTypeTextHandle* Clone() const override { return new TrueTypeTextHandle(*this); }
  GTTFontReader* GetTrueTypeReader(uint32_t* source) const override {
    if (source != nullptr) *source = 0;
    return reader_.get();
  }
  // A solid glyph of glyphWidth x glyphHeight pixels standing on the
  // baseline; rows padded to 32 bits.
  uint32_t GetGlyphBitmap(uint16_t, int32_t, int16_t box[4], GByteBuffer** out) override {
    const uint32_t row = ((glyphWidth + 31) / 32) * 4;
    const uint32_t size = row * glyphHeight;
    auto* bits = new uint8_t[size]();
    for (int y = 0; y < glyphHeight; ++y)
      for (int x = 0; x < glyphWidth; ++x) bits[y * row + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    *out = new GByteBuffer(bits, size, 1);
    box[0] = 0;
    box[1] = static_cast<int16_t>(glyphHeight);
    box[2] = static_cast<int16_t>(glyphWidth);
    box[3] = static_cast<int16_t>(glyphHeight);
    return size;
  }

 private:
  std::shared_ptr<TestFontReader> reader_;
};

}  // namespace qvtest
