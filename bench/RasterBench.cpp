// The row encoders on a 600-dpi Letter page of office content (5100 x 6600
// gray pixels: blank rows, text-like rows of short dark marks, a photo
// band), read row by row through the pipeline's encoder as a generator
// reads them. Each reports its input rate ("GBps") and its time as a ratio
// to two floors of the same rows taken in the same run: memcpy of every
// row ("x_memcpy") and zlib level 1 of the page ("x_zlib1"). The JPEG
// encoder compresses a colour photo and is reported as a ratio to
// libjpeg called directly on the same image with the same settings
// ("x_libjpeg").
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <jpeglib.h>

#include "bench/BenchFloor.h"
#include "graphics/GJpegRowEncoder.h"
#include "graphics/GRowEncoder.h"

namespace {

constexpr int16_t kWidth = 5100;
constexpr int16_t kHeight = 6600;

class Random {
 public:
  uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }

 private:
  uint32_t state_ = 2463534242u;
};

// One byte per pixel, 255 white: a margin, paragraphs of text lines (each
// line 40 rows of marks 2 to 12 pixels wide, then blank leading), a photo
// band of a third of the page, more text, a margin.
const std::vector<uint8_t>& OfficePage() {
  static const std::vector<uint8_t> page = [] {
    std::vector<uint8_t> p(static_cast<size_t>(kWidth) * kHeight, 255);
    Random random;
    for (int y = 300; y < kHeight - 300; ++y) {
      uint8_t* row = p.data() + static_cast<size_t>(y) * kWidth;
      if (y >= 2200 && y < 4400) {
        for (int x = 300; x < kWidth - 300; ++x)
          row[x] = static_cast<uint8_t>((x / 20 + y / 15) % 200 + random.Next() % 24);
        continue;
      }
      if (y % 60 >= 40) continue;  // leading between lines
      const uint32_t lineSeed = static_cast<uint32_t>(y / 60) * 7919u;
      Random marks;
      for (uint32_t i = 0; i < lineSeed % 13; ++i) marks.Next();
      for (int x = 300; x < kWidth - 300;) {
        const int mark = 2 + static_cast<int>(marks.Next() % 11);
        const bool ink = ((marks.Next() >> 3) % 3) != 0 && ((y + x) % 7) != 0;
        if (ink)
          for (int k = 0; k < mark && x + k < kWidth - 300; ++k) row[x + k] = 0;
        x += mark + 2 + static_cast<int>(marks.Next() % 6);
      }
    }
    return p;
  }();
  return page;
}

// Serves the rows of an image of bits-per-pixel depth from memory.
class MemorySource : public GRasterSource {
 public:
  MemorySource(const uint8_t* data, int16_t width, int16_t height, uint8_t bits)
      : data_(data), width_(width), height_(height), bits_(bits) {
    rowBytes_ = static_cast<uint32_t>(width) * bits / 8;
  }
  int32_t ReadRow(uint8_t* buffer, int16_t& row, uint32_t& length, uint8_t& repeat, uint8_t& rowsCovered) override {
    repeat = 1;
    rowsCovered = 1;
    row = next_;
    if (next_ >= height_) {
      length = 0;
      return 0;
    }
    std::memcpy(buffer, data_ + static_cast<size_t>(next_) * rowBytes_, rowBytes_);
    ++next_;
    length = rowBytes_;
    return 0;
  }
  uint32_t GetRowBytes() override { return rowBytes_; }
  void GetBounds(GRect& out) override { out = GRect(0, 0, width_, height_); }
  uint8_t GetBitsPerPixel() override { return bits_; }

 private:
  const uint8_t* data_;
  int16_t width_;
  int16_t height_;
  uint8_t bits_;
  int16_t next_ = 0;
};

// Encodes every row of the page with the encoder; answers the output bytes.
uint64_t EncodePage(GRowEncoder& encoder) {
  MemorySource source(OfficePage().data(), kWidth, kHeight, 8);
  encoder.SetSource(&source);
  encoder.Start();
  std::vector<uint8_t> buffer(encoder.GetRowBytes());
  uint64_t total = 0;
  for (int y = 0; y < kHeight; ++y) {
    int16_t row = 0;
    uint32_t length = 0;
    uint8_t repeat = 1;
    uint8_t covered = 1;
    encoder.ReadRow(buffer.data(), row, length, repeat, covered);
    total += length;
  }
  benchmark::DoNotOptimize(buffer.data());
  return total;
}

double MemcpyFloor() {
  const auto& page = OfficePage();
  std::vector<uint8_t> row(kWidth);
  return qvbench::FloorSeconds([&] {
    for (int y = 0; y < kHeight; ++y) {
      std::memcpy(row.data(), page.data() + static_cast<size_t>(y) * kWidth, kWidth);
      benchmark::DoNotOptimize(row.data());
      benchmark::ClobberMemory();
    }
  });
}

double ZlibFloor() {
  const auto& page = OfficePage();
  std::vector<uint8_t> out(compressBound(static_cast<uLong>(page.size())));
  return qvbench::FloorSeconds([&] {
    uLongf size = static_cast<uLongf>(out.size());
    compress2(out.data(), &size, page.data(), static_cast<uLong>(page.size()), 1);
    benchmark::DoNotOptimize(out.data());
  });
}

template <typename MakeEncoder>
void RunEncoder(benchmark::State& state, MakeEncoder make) {
  const double memcpySeconds = MemcpyFloor();
  const double zlibSeconds = ZlibFloor();
  double seconds = 0;
  uint64_t output = 0;
  for (auto _ : state) {
    auto encoder = make();
    const auto start = qvbench::Clock::now();
    output = EncodePage(*encoder);
    seconds += qvbench::SecondsSince(start);
  }
  const double perPage = seconds / static_cast<double>(state.iterations());
  state.counters["GBps"] = static_cast<double>(OfficePage().size()) / perPage / 1e9;
  state.counters["x_memcpy"] = perPage / memcpySeconds;
  state.counters["x_zlib1"] = perPage / zlibSeconds;
  state.counters["ratio_out_in"] = static_cast<double>(output) / static_cast<double>(OfficePage().size());
}

void BM_RunLengthRows(benchmark::State& state) {
  RunEncoder(state, [] { return std::make_unique<GRunLengthRowEncoder>(1, 0); });
}
BENCHMARK(BM_RunLengthRows)->Unit(benchmark::kMillisecond);

void BM_DeltaRows(benchmark::State& state) {
  RunEncoder(state, [] { return std::make_unique<GDeltaRowEncoder>(1, 0, 1); });
}
BENCHMARK(BM_DeltaRows)->Unit(benchmark::kMillisecond);

void BM_AdaptiveRows(benchmark::State& state) {
  RunEncoder(state, [] { return std::make_unique<GAdaptiveRowEncoder>(1, 0); });
}
BENCHMARK(BM_AdaptiveRows)->Unit(benchmark::kMillisecond);

// ---- JPEG ----

constexpr int16_t kPhotoWidth = 1200;
constexpr int16_t kPhotoHeight = 1600;

const std::vector<uint8_t>& Photo() {
  static const std::vector<uint8_t> photo = [] {
    std::vector<uint8_t> p(static_cast<size_t>(kPhotoWidth) * kPhotoHeight * 3);
    Random random;
    for (int y = 0; y < kPhotoHeight; ++y)
      for (int x = 0; x < kPhotoWidth; ++x) {
        uint8_t* q = p.data() + (static_cast<size_t>(y) * kPhotoWidth + x) * 3;
        q[0] = static_cast<uint8_t>((x / 5 + y / 9) % 256);
        q[1] = static_cast<uint8_t>((x * y / 3000) % 256);
        q[2] = static_cast<uint8_t>(128 + static_cast<int>(random.Next() % 32) - 16);
      }
    return p;
  }();
  return photo;
}

// libjpeg on the same rows with the encoder's settings, into memory.
unsigned long DirectJpeg(std::vector<uint8_t>& out) {
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* block = out.data();
  unsigned long size = out.size();
  jpeg_mem_dest(&info, &block, &size);
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  info.image_width = kPhotoWidth;
  info.image_height = kPhotoHeight;
  info.input_components = 3;
  info.data_precision = 8;
  jpeg_default_colorspace(&info);
  jpeg_set_quality(&info, 95, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row(static_cast<size_t>(kPhotoWidth) * 3);
  for (int y = 0; y < kPhotoHeight; ++y) {
    // The same copy of each row that the pipeline makes.
    std::memcpy(row.data(), Photo().data() + row.size() * y, row.size());
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  if (block != out.data()) free(block);  // it grew beyond the block: not expected
  jpeg_destroy_compress(&info);
  return size;
}

void BM_JpegRows(benchmark::State& state) {
  std::vector<uint8_t> direct(Photo().size() + 65536);
  const double directSeconds = qvbench::FloorSeconds([&] { benchmark::DoNotOptimize(DirectJpeg(direct)); });
  std::vector<uint8_t> block(Photo().size() + 65536);
  double seconds = 0;
  uint32_t total = 0;
  for (auto _ : state) {
    const auto start = qvbench::Clock::now();
    MemorySource source(Photo().data(), kPhotoWidth, kPhotoHeight, 24);
    GJpegRowEncoder encoder(1, 0);
    encoder.SetSource(&source);
    encoder.Start();
    SetJpegOutput(block.data(), static_cast<uint32_t>(block.size()));
    int16_t row = 0;
    uint32_t length = 0;
    uint8_t repeat = 1;
    uint8_t covered = 1;
    encoder.ReadRow(nullptr, row, length, repeat, covered);
    total = length;
    seconds += qvbench::SecondsSince(start);
  }
  if (total == 0) state.SkipWithError("the JPEG encoder failed");
  const double perImage = seconds / static_cast<double>(state.iterations());
  state.counters["x_libjpeg"] = perImage / directSeconds;
  state.counters["bytes"] = total;
}
BENCHMARK(BM_JpegRows)->Unit(benchmark::kMillisecond);

}  // namespace
