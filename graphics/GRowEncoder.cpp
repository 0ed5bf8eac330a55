#include "graphics/GRowEncoder.h"

#include <algorithm>
#include <cstring>

namespace {

uint64_t Load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

void Complement(uint8_t* p, uint32_t count) {
  uint32_t i = 0;
  for (; i + 8 <= count; i += 8) {
    const uint64_t v = ~Load64(p + i);
    std::memcpy(p + i, &v, sizeof v);
  }
  for (; i < count; ++i) p[i] = static_cast<uint8_t>(~p[i]);
}

}  // namespace

// ---- GRowEncoder ----

void GRowEncoder::ComputeRowBytes() {
  GRect bounds;
  source_->GetBounds(bounds);
  const int64_t width = std::max<int64_t>(bounds.Width(), 0);
  rowBytes_ = static_cast<uint32_t>((static_cast<uint64_t>(source_->GetBitsPerPixel()) * width + 7) / 8);
  sourceRowBytes_ = source_->GetRowBytes();
  // The source writes up to its own row bytes; the padding goes after the
  // row bytes.
  input_.assign(std::max<size_t>(sourceRowBytes_, static_cast<size_t>(rowBytes_) + PadCount()), 0);
}

int32_t GRowEncoder::ReadSourceRow(int16_t& row, uint32_t& length, uint8_t& repeat, uint8_t& rowsCovered) {
  if (source_ == nullptr) {
    length = 0;
    return 0;
  }
  const int32_t status = source_->ReadRow(input_.data(), row, length, repeat, rowsCovered);
  // A short row reads as zeros beyond its end, never as an earlier row.
  if (length != 0 && length < rowBytes_) std::memset(input_.data() + length, 0, rowBytes_ - length);
  return status;
}

// ---- GUncompressedRowEncoder ----

int32_t GUncompressedRowEncoder::Start() {
  if (source_ == nullptr) return 0;
  started_ = 1;
  ComputeRowBytes();
  input_.clear();  // rows are read into the caller's buffer
  return 1;
}

uint32_t GUncompressedRowEncoder::GetRowBytes() {
  return (source_ != nullptr ? source_->GetRowBytes() : 0) + alignment_;
}

int32_t GUncompressedRowEncoder::ReadRow(uint8_t* buffer, int16_t& row, uint32_t& length, uint8_t& repeat,
                                         uint8_t& rowsCovered) {
  if (source_ == nullptr) {
    length = 0;
    return 0;
  }
  const int32_t status = source_->ReadRow(buffer, row, length, repeat, rowsCovered);
  if (length == 0) return status;
  if (invert_ != 0) Complement(buffer, length);
  const uint32_t remainder = length % alignment_;
  if (remainder != 0) {
    std::memset(buffer + length, 0, alignment_ - remainder);
    length += alignment_ - remainder;
  }
  return status;
}

// ---- GRunLengthRowEncoder ----

int32_t GRunLengthRowEncoder::Start() {
  if (source_ == nullptr) return 0;
  started_ = 1;
  ComputeRowBytes();
  return 1;
}

uint32_t GRunLengthRowEncoder::GetRowBytes() {
  const uint32_t pad = PadCount();
  const uint32_t stated = rowBytes_ + (rowBytes_ + 126) / 127 + (pad != 0 ? 2 : 0);
  return std::max(stated, MostEncoded(rowBytes_ + pad));
}

// Equivalent to the byte-by-byte state machine of the method: a run that
// starts with two equal bytes is a repeat run; a literal run ends at 128
// bytes or gives up a pair that a third equal byte turns into a repeat run.
uint32_t GRunLengthRowEncoder::Encode(const uint8_t* in, uint32_t count, uint8_t* out) {
  uint8_t* o = out;
  uint32_t i = 0;
  while (i < count) {
    if (i + 1 < count && in[i] == in[i + 1]) {
      const uint8_t v = in[i];
      const uint32_t end = std::min(count, i + 128);
      uint32_t j = i + 2;
      if (j + 8 <= end) {
        const uint64_t pattern = 0x0101010101010101ull * v;
        while (j + 8 <= end && Load64(in + j) == pattern) j += 8;
      }
      while (j < end && in[j] == v) ++j;
      *o++ = static_cast<uint8_t>(257 - (j - i));
      *o++ = v;
      i = j;
      continue;
    }
    const uint32_t start = i;
    uint32_t literal = i + 1 < count ? 2 : 1;
    uint32_t k = start + literal;
    while (k < count) {
      if (in[k] == in[k - 1] && in[k - 1] == in[k - 2]) {
        literal -= 2;  // the pair and this byte start a repeat run
        break;
      }
      if (literal == 128) break;
      ++literal;
      ++k;
    }
    *o++ = static_cast<uint8_t>(literal - 1);
    std::memcpy(o, in + start, literal);
    o += literal;
    i = start + literal;
  }
  return static_cast<uint32_t>(o - out);
}

uint32_t GRunLengthRowEncoder::EncodeRow(uint8_t* row, uint8_t* out) {
  uint8_t* in = input_.data();
  if (row != in) std::memcpy(in, row, rowBytes_);
  if (invert_ != 0) Complement(in, rowBytes_);
  const uint32_t pad = PadCount();
  std::memset(in + rowBytes_, 0, pad);
  return Encode(in, rowBytes_ + pad, out);
}

int32_t GRunLengthRowEncoder::ReadRow(uint8_t* buffer, int16_t& row, uint32_t& length, uint8_t& repeat,
                                      uint8_t& rowsCovered) {
  const int32_t status = ReadSourceRow(row, length, repeat, rowsCovered);
  if (length == 0) return status;
  length = EncodeRow(input_.data(), buffer);
  return status;
}

// ---- GDeltaRowEncoder ----

int32_t GDeltaRowEncoder::Start() {
  if (source_ == nullptr) return 0;
  started_ = 1;
  ComputeRowBytes();
  seed_.assign(rowBytes_, 0);
  ClearSeed();
  return 1;
}

uint32_t GDeltaRowEncoder::GetRowBytes() { return rowBytes_ + (rowBytes_ + 7) / 8 + (lengthPrefix_ != 0 ? 2 : 0); }

uint32_t GDeltaRowEncoder::EncodeRow(const uint8_t* row, uint8_t* out) {
  uint8_t* o = out + (lengthPrefix_ != 0 ? 2 : 0);
  uint8_t* seed = seed_.data();
  const uint32_t n = rowBytes_;
  uint32_t j = 0;
  uint32_t unchanged = 0;
  while (j < n) {
    // Unchanged bytes, eight at a time where possible.
    const uint32_t from = j;
    while (j + 8 <= n && Load64(row + j) == Load64(seed + j)) j += 8;
    while (j < n && row[j] == seed[j]) ++j;
    unchanged += j - from;
    if (j >= n) break;
    // A run of 1 to 8 changed bytes.
    const uint32_t start = j;
    while (j < n && j - start < 8 && row[j] != seed[j]) {
      seed[j] = row[j];
      ++j;
    }
    const uint32_t count = j - start;
    const uint8_t high = static_cast<uint8_t>((count - 1) * 32);
    if (unchanged < 31) {
      *o++ = static_cast<uint8_t>(high + unchanged);
    } else {
      *o++ = static_cast<uint8_t>(high + 31);
      uint32_t rest = unchanged - 31;
      for (; rest >= 255; rest -= 255) *o++ = 255;
      *o++ = static_cast<uint8_t>(rest);
    }
    for (uint32_t i = 0; i < count; ++i) *o++ = invert_ != 0 ? static_cast<uint8_t>(~row[start + i]) : row[start + i];
    unchanged = 0;
  }
  uint32_t length = static_cast<uint32_t>(o - out);
  if (lengthPrefix_ != 0) {
    const uint32_t body = length - 2;
    out[0] = static_cast<uint8_t>(body & 0xFF);
    out[1] = static_cast<uint8_t>((body >> 8) & 0xFF);
  }
  return length;
}

int32_t GDeltaRowEncoder::ReadRow(uint8_t* buffer, int16_t& row, uint32_t& length, uint8_t& repeat,
                                  uint8_t& rowsCovered) {
  const int32_t status = ReadSourceRow(row, length, repeat, rowsCovered);
  if (length == 0) return status;
  length = EncodeRow(input_.data(), buffer);
  return status;
}

// ---- GAdaptiveRowEncoder ----

GAdaptiveRowEncoder::GAdaptiveRowEncoder(uint16_t alignment, int32_t invert) : GRowEncoder(alignment, invert) {}

GAdaptiveRowEncoder::~GAdaptiveRowEncoder() = default;

int32_t GAdaptiveRowEncoder::Start() {
  if (source_ == nullptr) return 0;
  started_ = 1;
  ComputeRowBytes();
  threshold_ = rowBytes_ / 3;
  runLength_ = std::make_unique<GRunLengthRowEncoder>(alignment_, invert_);
  delta_ = std::make_unique<GDeltaRowEncoder>(alignment_, invert_, 0);
  runLength_->SetSource(source_);
  delta_->SetSource(source_);
  runLength_->Start();
  delta_->Start();
  firstRowDone_ = false;
  failed_ = false;
  return 1;
}

uint32_t GAdaptiveRowEncoder::GetRowBytes() {
  const uint32_t pad = PadCount();
  const uint32_t stated =
      rowBytes_ + 6 + std::max((rowBytes_ + 126) / 127 + (pad != 0 ? 2 : 0), (rowBytes_ + 7) / 8);
  // A block of any of the three kinds, and the duplicate block after it.
  const uint32_t most = 6 + std::max({GRunLengthRowEncoder::MostEncoded(rowBytes_ + pad),
                                      rowBytes_ + (rowBytes_ + 7) / 8, rowBytes_ + pad});
  return std::max(stated, most);
}

int32_t GAdaptiveRowEncoder::ResetSeedRow() {
  if (delta_ != nullptr) delta_->ClearSeed();
  firstRowDone_ = false;
  failed_ = false;
  return 0;
}

uint32_t GAdaptiveRowEncoder::EncodeBlock(uint8_t mode, const uint8_t* in, uint8_t* data) {
  const uint32_t n = rowBytes_;
  if (mode == 3) return delta_->EncodeRow(in, data);
  if (mode == 2) return runLength_->EncodeRow(const_cast<uint8_t*>(in), data);
  const uint32_t pad = PadCount();
  std::memcpy(data, in, n);
  if (invert_ != 0) Complement(data, n);
  std::memset(data + n, 0, pad);
  return n + pad;
}

int32_t GAdaptiveRowEncoder::ReadRow(uint8_t* buffer, int16_t& row, uint32_t& length, uint8_t& repeat,
                                     uint8_t& rowsCovered) {
  if (failed_) {
    length = 0;
    return kRowTooLong;
  }
  const int32_t status = ReadSourceRow(row, length, repeat, rowsCovered);
  if (length == 0 || delta_ == nullptr) return status;
  uint8_t* in = input_.data();
  uint8_t* seed = delta_->GetSeed();
  const uint32_t n = rowBytes_;
  uint32_t same = 0;
  if (firstRowDone_) {
    for (uint32_t j = 0; j < n; ++j) same += in[j] == seed[j];
  }
  firstRowDone_ = true;
  uint32_t alike = 0;
  for (uint32_t j = 1; j < n; ++j) alike += in[j] == in[j - 1];

  // The method the counts suggest, then the others: a block carries its
  // length in 16 bits, so a block longer than 65535 bytes takes the first
  // method whose block fits. Only the delta method changes the seed as it
  // goes, so it is compared with the previous row whenever it is tried.
  uint8_t* data = buffer + 3;
  const uint8_t preferred = (alike < threshold_ && same < threshold_) ? 0 : same < alike ? 2 : 3;
  const uint8_t order[3][3] = {{0, 2, 3}, {2, 3, 0}, {3, 2, 0}};
  uint8_t mode = preferred;
  uint32_t size = 0;
  bool fits = false;
  for (uint8_t candidate : order[preferred == 0 ? 0 : preferred == 2 ? 1 : 2]) {
    mode = candidate;
    size = EncodeBlock(candidate, in, data);
    if (size <= kMostBlockBytes) {
      fits = true;
      break;
    }
  }
  if (!fits) {
    // No method fits the row into one block: the image cannot be sent this
    // way, and a cut length would make the printer misread everything after.
    failed_ = true;
    length = 0;
    return kRowTooLong;
  }
  // The delta method has brought the seed up to the row as it went.
  if (mode != 3) std::memcpy(seed, in, n);
  buffer[0] = mode;
  buffer[1] = static_cast<uint8_t>((size >> 8) & 0xFF);
  buffer[2] = static_cast<uint8_t>(size & 0xFF);
  length = 3 + size;
  if (repeat > 1 && rowsCovered == 1) {
    const uint32_t more = repeat - 1u;
    buffer[length] = 5;
    buffer[length + 1] = static_cast<uint8_t>(more >> 8);
    buffer[length + 2] = static_cast<uint8_t>(more & 0xFF);
    length += 3;
    rowsCovered = repeat;
    repeat = 1;
  }
  return status;
}
