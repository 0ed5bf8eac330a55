// A face handle with TrueType outlines for the generator tests: the test
// face's metrics over a font file read by TestFontReader (or a reader
// derived from it), which the handle offers as its TrueType reader with
// source value 0. Each glyph's bitmap is a solid block of the handle's
// glyph size standing on the baseline.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "graphics/GByteBuffer.h"
#include "graphics/GFontFace.h"
#include "support/FontTestClasses.h"
#include "support/TestFontReader.h"

namespace qvtest {

class TestTrueTypeFaceHandle : public TestFaceHandle {
 public:
  TestTrueTypeFaceHandle(GFontFace* face, std::shared_ptr<TestFontReader> reader)
      : TestFaceHandle(face, 0), reader_(std::move(reader)) {}
  TestTrueTypeFaceHandle(const TestTrueTypeFaceHandle&) = default;
  TestTrueTypeFaceHandle* Clone() const override { return new TestTrueTypeFaceHandle(*this); }
  GTTFontReader* GetTrueTypeReader(uint32_t* source) const override {
    if (source != nullptr) *source = 0;
    return reader_.get();
  }
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

  TestFontReader& Reader() { return *reader_; }
  // The font's units per em ("head" offset 18).
  uint16_t UnitsPerEm() {
    uint8_t bytes[2] = {0, 0};
    reader_->ReadTablePart(0, GTTFontReader::kTags[GTTFontReader::kHead], 18, bytes, 2);
    return static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
  }
  // The advance of the character in device pixels at the face's height.
  int16_t AdvanceOf(uint16_t code) {
    uint16_t advance = 0;
    int16_t bearing = 0;
    const uint16_t em = UnitsPerEm();
    if (em == 0 || reader_->GetHorizontalMetrics(0, reader_->GetGlyphIndex(0, 0, code, 16), &advance, &bearing) == 0)
      return 0;
    return static_cast<int16_t>((advance * GetHeight() + em / 2) / em);
  }

 private:
  std::shared_ptr<TestFontReader> reader_;
};

// The description of a TrueType test face of the given name and height in
// device pixels: upright, weight 400, Windows Latin 1 (encoding 4) as its
// own encoding, characters 32 to 255, no scaling and no angle.
inline GFontMetrics TrueTypeFaceMetrics(const char* name, int16_t height) {
  GFontMetrics m;
  m.verticalResolution = 600;
  m.horizontalResolution = 600;
  m.height = height;
  m.weight = 400;
  m.metricInt1 = 0;
  m.metricInt4 = 4;
  m.metricReal1 = 1.0f;
  m.metricReal2 = 1.0f;
  m.firstChar = 32;
  m.lastChar = 255;
  m.defaultChar = 63;
  m.name = name;
  return m;
}

// A face (kind 2: outlines) over the font file; null when the file cannot
// be read. The handle holds the face.
inline TestTrueTypeFaceHandle* MakeTrueTypeFace(const std::string& path, const char* name, int16_t height,
                                                GFontDownloadExtras extras = {}) {
  std::vector<uint8_t> file = ReadFontFile(path);
  if (file.empty()) return nullptr;
  auto* face = new TestFontFace(TrueTypeFaceMetrics(name, height), extras);
  face->kind = 2;
  return new TestTrueTypeFaceHandle(face, std::make_shared<TestFontReader>(1, std::move(file)));
}

inline constexpr const char* kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
inline constexpr const char* kLiberationSerif = "/usr/share/fonts/truetype/liberation2/LiberationSerif-Regular.ttf";

}  // namespace qvtest
