// Opening a TrueType face and reading 1,000 glyph outlines through the
// reader, measured against FreeType doing the same on the same font (its
// face opened from memory, each glyph loaded unscaled and unhinted). The
// counter x_freetype is the reader's time over FreeType's.
#include <benchmark/benchmark.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <vector>

#include "bench/BenchFloor.h"
#include "graphics/GTTFontReader.h"

namespace {

constexpr const char* kBenchFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr int kOutlines = 1000;

const std::vector<uint8_t>& BenchFontBytes() {
  static const std::vector<uint8_t> bytes = [] {
    std::ifstream in(kBenchFontPath, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }();
  return bytes;
}

// A reader over a font file in memory: its table directory is indexed once
// when the face is opened.
class BenchFontReader : public GTTFontReader {
 public:
  explicit BenchFontReader(const std::vector<uint8_t>& file) : file_(file) {
    const uint32_t size = static_cast<uint32_t>(file_.size());
    uint16_t tables = 0;
    GTTReadU16(file_.data(), size, 4, tables);
    for (uint32_t i = 0; i < tables; ++i) {
      uint32_t tag = 0, offset = 0, length = 0;
      const uint64_t record = 12 + 16u * i;
      if (GTTReadU32(file_.data(), size, record, tag) && GTTReadU32(file_.data(), size, record + 8, offset) &&
          GTTReadU32(file_.data(), size, record + 12, length) && uint64_t{offset} + length <= size)
        directory_[tag] = {offset, length};
    }
  }
  BenchFontReader* CreateSameKind() const override { return new BenchFontReader(file_); }
  BenchFontReader* Clone() const override { return new BenchFontReader(file_); }
  uint32_t SourceOperation1(uint32_t, uint32_t, uint32_t, uint32_t) override { return 0; }
  uint32_t SourceOperation2(uint32_t, uint32_t, uint32_t, uint32_t) override { return 0; }
  uint32_t ReadTable(uint32_t, uint32_t tag, std::unique_ptr<GByteBuffer>& out, uint32_t) override {
    auto it = directory_.find(tag);
    if (it == directory_.end() || it->second.second == 0) return 0;
    auto* bytes = new uint8_t[it->second.second];
    std::memcpy(bytes, file_.data() + it->second.first, it->second.second);
    out = std::make_unique<GByteBuffer>(bytes, it->second.second, 1);
    return it->second.second;
  }
  uint32_t ReadTablePart(uint32_t, uint32_t tag, uint32_t at, uint8_t* destination, uint32_t count) override {
    auto it = directory_.find(tag);
    if (it == directory_.end() || uint64_t{at} + count > it->second.second) return 0;
    std::memcpy(destination, file_.data() + it->second.first + at, count);
    return count;
  }
  uint32_t GetTableLength(uint32_t, uint32_t tag) override {
    auto it = directory_.find(tag);
    return it != directory_.end() ? it->second.second : 0;
  }
  int CanCacheTables() override { return 1; }
  int RenderGlyph(uint32_t, int32_t, uint16_t, uint16_t, std::unique_ptr<GByteBuffer>&, int32_t, int32_t,
                  const GFontMetrics&) override {
    return 0;
  }
  int32_t SourceOperation3(uint32_t, uint16_t, int16_t, int32_t, const GFontMetrics&) override { return 0; }

 private:
  const std::vector<uint8_t>& file_;
  std::map<uint32_t, std::pair<uint32_t, uint32_t>> directory_;
};

uint64_t ReaderOutlines() {
  BenchFontReader reader(BenchFontBytes());
  uint16_t count = 1;
  reader.GetGlyphCount(0, &count);
  uint64_t bytes = 0;
  for (int i = 0; i < kOutlines; ++i) {
    GGlyphRequest request;
    request.glyph = static_cast<uint16_t>(i % count);
    reader.ProcessGlyph(request);
    std::unique_ptr<GByteBuffer> data;
    bytes += reader.GetGlyphData(0, 1, request.glyph, data);
  }
  return bytes;
}

uint64_t FreeTypeOutlines(FT_Library library) {
  FT_Face face = nullptr;
  const auto& file = BenchFontBytes();
  if (FT_New_Memory_Face(library, file.data(), static_cast<FT_Long>(file.size()), 0, &face) != 0) return 0;
  uint64_t points = 0;
  for (int i = 0; i < kOutlines; ++i) {
    if (FT_Load_Glyph(face, static_cast<FT_UInt>(i % face->num_glyphs), FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) == 0)
      points += static_cast<uint64_t>(face->glyph->outline.n_points);
  }
  FT_Done_Face(face);
  return points;
}

void BM_TrueTypeOpenAndReadOutlines(benchmark::State& state) {
  if (BenchFontBytes().empty()) {
    state.SkipWithError("the font is not installed");
    return;
  }
  FT_Library library = nullptr;
  FT_Init_FreeType(&library);
  const double freeTypeSeconds = qvbench::FloorSeconds([&] { benchmark::DoNotOptimize(FreeTypeOutlines(library)); });
  double seconds = 0;
  for (auto _ : state) {
    const auto start = qvbench::Clock::now();
    benchmark::DoNotOptimize(ReaderOutlines());
    seconds += qvbench::SecondsSince(start);
  }
  FT_Done_FreeType(library);
  const double perFace = seconds / static_cast<double>(state.iterations());
  state.counters["x_freetype"] = perFace / freeTypeSeconds;
}
BENCHMARK(BM_TrueTypeOpenAndReadOutlines)->Unit(benchmark::kMillisecond);

}  // namespace
