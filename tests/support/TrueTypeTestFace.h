// A face handle with TrueType outlines for the generator tests: the test
// face's metrics over a font file read by TestFontReader. Character codes
// map to glyphs as the TrueType reader maps them for the text's encoding.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "graphics/GTrueTypeFace.h"
#include "support/FontTestClasses.h"
#include "support/TestFontReader.h"

namespace qvtest {

class TestTrueTypeFaceHandle : public TestFaceHandle, public GTrueTypeFace {
 public:
  TestTrueTypeFaceHandle(GFontFace* face, std::shared_ptr<TestFontReader> reader)
      : TestFaceHandle(face, 0), reader_(std::move(reader)) {}
  TestTrueTypeFaceHandle(const TestTrueTypeFaceHandle&) = default;
  TestTrueTypeFaceHandle* Clone() const override { return new TestTrueTypeFaceHandle(*this); }

  uint32_t GetTrueTypeTableLength(uint32_t tagIndex) override {
    return tagIndex < GTTFontReader::kTagCount ? reader_->GetTableLength(0, GTTFontReader::kTags[tagIndex]) : 0;
  }
  uint32_t GetTrueTypeTable(uint32_t tagIndex, std::unique_ptr<GByteBuffer>& out) override {
    out.reset();
    if (tagIndex >= GTTFontReader::kTagCount) return 0;
    return reader_->ReadTable(0, GTTFontReader::kTags[tagIndex], out, 0);
  }
  int GetTrueTypeGlyphCount(uint16_t* out) override { return reader_->GetGlyphCount(0, out); }
  int GetTrueTypeDescender(int16_t* out) override { return reader_->GetTypoDescender(0, out); }
  int GetGlyphHorizontalMetrics(uint16_t glyph, uint16_t* advance, int16_t* sideBearing) override {
    return reader_->GetHorizontalMetrics(0, glyph, advance, sideBearing);
  }
  int GetGlyphVerticalMetrics(uint16_t glyph, uint16_t* advance, int16_t* sideBearing) override {
    return reader_->GetVerticalMetrics(0, glyph, advance, sideBearing);
  }
  uint32_t GetGlyphOutlineData(uint16_t glyph, std::unique_ptr<GByteBuffer>& out) override {
    std::unique_ptr<GByteBuffer> data;
    const uint32_t length = reader_->GetGlyphData(0, 0, glyph, data);
    out.reset();
    if (data == nullptr) return 0;
    auto* bytes = length != 0 ? new uint8_t[length] : nullptr;
    if (length != 0) std::memcpy(bytes, data->GetData(), length);
    out = std::make_unique<GByteBuffer>(bytes, length, 1);
    return length;
  }
  uint16_t GetGlyphIndexOf(uint16_t code, int32_t encoding) override {
    return reader_->GetGlyphIndex(0, 0, code, encoding);
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
    if (em == 0 || GetGlyphHorizontalMetrics(GetGlyphIndexOf(code, 16), &advance, &bearing) == 0) return 0;
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
