#include "graphics/GBitmapImp.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <optional>

#include "graphics/GPaletteTable.h"
#include "model/MPersistentRead.h"
#include "model/MStoredMembers.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

namespace {

// Pixel data is read in pieces of this size, so that a damaged length
// reserves no more than the input really holds.
constexpr uint32_t kReadPiece = 64 * 1024;

bool IsGrayMode(int32_t mode) {
  return mode == kBitmapRowGray || mode == kBitmapRowGray1 || mode == kBitmapRowGray4;
}

// One plane of one stored row: the bytes the body holds from the row's
// start. Bytes past them read as 0, so that a row that the data does not
// cover, and the byte after a row's last one that realigned bits join
// with, never read outside the data.
struct PlaneRow {
  const uint8_t* bytes = nullptr;
  uint64_t available = 0;
  uint8_t At(uint64_t i) const { return i < available ? bytes[i] : 0; }
};

// Reads length bytes in pieces, the block growing with what was read.
// Answers the block (new[]), or null when the input ends first.
template <typename ReadPiece>
uint8_t* ReadPixelBytes(uint32_t length, ReadPiece readPiece) {
  uint8_t* block = nullptr;
  uint32_t capacity = 0;
  for (uint32_t done = 0; done < length;) {
    const uint32_t piece = std::min(length - done, kReadPiece);
    if (done + piece > capacity) {
      uint64_t grown = std::max<uint64_t>(static_cast<uint64_t>(capacity) * 2, done + piece);
      grown = std::min<uint64_t>(grown, length);
      auto* fresh = new (std::nothrow) uint8_t[grown];
      if (fresh == nullptr) {
        delete[] block;
        return nullptr;
      }
      if (done != 0) std::memcpy(fresh, block, done);
      delete[] block;
      block = fresh;
      capacity = static_cast<uint32_t>(grown);
    }
    if (!readPiece(block + done, piece)) {
      delete[] block;
      return nullptr;
    }
    done += piece;
  }
  return block;
}

}  // namespace

GBitmapImp::GBitmapImp()
    : ownsData_(1),
      data_(nullptr),
      dataLength_(0),
      rowAlignment_(0),
      bitsPerPixel_(0),
      planes_(0),
      componentOrder_(0),
      compression_(0),
      bottomUp_(0),
      mirror_(0),
      masksGiven_(0),
      segmentStep_(0),
      rowsPerSegment_(0),
      reservedValue_(0),
      packedRowBytes_(0),
      stride_(0),
      decodedSize_(0),
      decodedSizeValid_(0),
      grayFunction_(nullptr) {}

GBitmapImp::GBitmapImp(const GBitmapDescription& d)
    : ownsData_(d.ownsData),
      data_(d.data),
      dataLength_(d.data != nullptr ? d.dataLength : 0),
      rowAlignment_(d.rowAlignment),
      bounds_(d.bounds),
      bitsPerPixel_(d.bitsPerPixel),
      planes_(d.planes),
      componentOrder_(d.componentOrder),
      compression_(d.compression),
      palette_(d.palette),
      bottomUp_(d.bottomUp),
      mirror_(d.mirror),
      masksGiven_(d.masksGiven),
      segmentStep_(d.segmentStep),
      rowsPerSegment_(d.rowsPerSegment),
      reservedValue_(d.reservedValue),
      packedRowBytes_(0),
      stride_(0),
      decodedSize_(0),
      decodedSizeValid_(0),
      grayFunction_(nullptr) {
  masks_[0].mask = d.redMask;
  masks_[1].mask = d.greenMask;
  masks_[2].mask = d.blueMask;
  SetDerivedFields();
  if (compression_ == 1 || compression_ == 2) DecodeRunLength();
}

GBitmapImp::GBitmapImp(const GBitmapImp& other) : MPersistentObject(other), data_(nullptr) { CopyFrom(other); }

GBitmapImp& GBitmapImp::Assign(const GBitmapImp& other) {
  if (this != &other) {
    MPersistentObject::operator=(other);
    // The palette is cloned before the old one goes: the other body may
    // live only through something this one holds.
    FreeData();
    CopyFrom(other);
  }
  return *this;
}

GBitmapImp::~GBitmapImp() { FreeData(); }

void GBitmapImp::CopyFrom(const GBitmapImp& other) {
  data_ = nullptr;
  dataLength_ = 0;
  ownsData_ = 1;
  if (other.data_ != nullptr && other.dataLength_ != 0) {
    data_ = new uint8_t[other.dataLength_];
    std::memcpy(data_, other.data_, other.dataLength_);
    dataLength_ = other.dataLength_;
  }
  rowAlignment_ = other.rowAlignment_;
  bounds_ = other.bounds_;
  bitsPerPixel_ = other.bitsPerPixel_;
  planes_ = other.planes_;
  componentOrder_ = other.componentOrder_;
  compression_ = other.compression_;
  GPaletteTable* palette = other.GetPalette();
  palette_ = GCountedRef(palette != nullptr ? palette->Clone() : nullptr);
  bottomUp_ = other.bottomUp_;
  mirror_ = other.mirror_;
  masksGiven_ = other.masksGiven_;
  for (int i = 0; i < 3; ++i) masks_[i] = other.masks_[i];
  segmentStep_ = other.segmentStep_;
  rowsPerSegment_ = other.rowsPerSegment_;
  reservedValue_ = other.reservedValue_;
  packedRowBytes_ = other.packedRowBytes_;
  stride_ = other.stride_;
  decodedSize_ = other.decodedSize_;
  decodedSizeValid_ = other.decodedSizeValid_;
  grayFunction_ = other.grayFunction_;
}

void GBitmapImp::FreeData() {
  if (ownsData_ != 0) delete[] data_;
  data_ = nullptr;
  dataLength_ = 0;
}

QV_PERSISTENT_KIND_DEFINE(GBitmapImp, MPersistentObject, GBitmapImpClassId)

GPaletteTable* GBitmapImp::GetPalette() const { return static_cast<GPaletteTable*>(palette_.Pointee()); }

void GBitmapImp::SetPalette(GPaletteTable* palette) { palette_ = GCountedRef(palette); }

int GBitmapImp::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* body = dynamic_cast<const GBitmapImp*>(other);
  if (body == nullptr || other->ClassId() != ClassId()) return 0;
  if (body->dataLength_ != dataLength_ || body->decodedSize_ != decodedSize_ ||
      body->decodedSizeValid_ != decodedSizeValid_ || !body->bounds_.Equals(bounds_) ||
      body->bitsPerPixel_ != bitsPerPixel_ || body->planes_ != planes_ ||
      body->componentOrder_ != componentOrder_ || body->compression_ != compression_ ||
      body->bottomUp_ != bottomUp_ || body->rowAlignment_ != rowAlignment_ ||
      body->rowsPerSegment_ != rowsPerSegment_ || body->reservedValue_ != reservedValue_ ||
      body->segmentStep_ != segmentStep_ || body->stride_ != stride_ || body->packedRowBytes_ != packedRowBytes_ ||
      body->masksGiven_ != masksGiven_ || body->mirror_ != mirror_)
    return 0;
  for (int i = 0; i < 3; ++i)
    if (body->masks_[i].mask != masks_[i].mask || body->masks_[i].shift != masks_[i].shift ||
        body->masks_[i].bits != masks_[i].bits)
      return 0;
  const GPaletteTable* mine = GetPalette();
  const GPaletteTable* theirs = body->GetPalette();
  if (mine != nullptr && theirs != nullptr && !mine->Matches(theirs)) return 0;
  if (dataLength_ == 0) return 1;
  if (data_ == nullptr || body->data_ == nullptr) return data_ == body->data_;
  return std::memcmp(data_, body->data_, dataLength_) == 0;
}

// ---- Layout ----

void GBitmapImp::SetDerivedFields() {
  const uint64_t width = static_cast<uint64_t>(GetWidth());
  packedRowBytes_ = static_cast<uint32_t>((bitsPerPixel_ * width + 7) / 8);
  // An alignment of 0 is taken as 1 (rows unpadded).
  const uint32_t alignment = rowAlignment_ != 0 ? rowAlignment_ : 1;
  stride_ = (packedRowBytes_ + alignment - 1) / alignment * alignment;
  if (bitsPerPixel_ == 16 || bitsPerPixel_ == 32) {
    if (masksGiven_ == 0) {
      const bool sixteen = bitsPerPixel_ == 16;
      masks_[0] = {sixteen ? 0x7C00u : 0xFF0000u, static_cast<uint8_t>(sixteen ? 10 : 16), static_cast<uint8_t>(sixteen ? 5 : 8)};
      masks_[1] = {sixteen ? 0x03E0u : 0xFF00u, static_cast<uint8_t>(sixteen ? 5 : 8), static_cast<uint8_t>(sixteen ? 5 : 8)};
      masks_[2] = {sixteen ? 0x001Fu : 0xFFu, 0, static_cast<uint8_t>(sixteen ? 5 : 8)};
    } else {
      const uint32_t pixelBits = bitsPerPixel_ == 16 ? 0xFFFFu : 0xFFFFFFFFu;
      for (Mask& m : masks_) {
        const uint32_t bits = m.mask & pixelBits;
        m.shift = bits != 0 ? static_cast<uint8_t>(std::countr_zero(bits)) : 0;
        m.bits = static_cast<uint8_t>(std::popcount(bits));
      }
    }
  } else {
    for (Mask& m : masks_) {
      m.shift = 0;
      m.bits = 0;
    }
  }
}

uint32_t GBitmapImp::EffectiveBitsPerPixel() const {
  if (bitsPerPixel_ == 1 && planes_ == 3) return 4;
  if (bitsPerPixel_ == 16 || bitsPerPixel_ == 32) return 24;
  return static_cast<uint32_t>(bitsPerPixel_) * planes_;
}

bool GBitmapImp::IsReadable() const {
  switch (bitsPerPixel_) {
    case 1:
    case 8:
      if (planes_ != 1 && planes_ != 3) return false;
      break;
    case 4:
    case 16:
    case 24:
    case 32:
      if (planes_ != 1) return false;
      break;
    default:
      return false;
  }
  // A compressed body only comes from a stored form (construction decodes);
  // its bytes are no pixels.
  if (compression_ != 0) return false;
  if (segmentStep_ != 0 && rowsPerSegment_ <= 0) return false;
  return true;
}

uint32_t GBitmapImp::RowBytes(int16_t x0, int16_t x1, int32_t mode) const {
  if (x1 <= x0) return 0;
  const uint32_t n = static_cast<uint32_t>(x1 - x0);
  const uint32_t effective = EffectiveBitsPerPixel();
  if (effective == 24 && IsGrayMode(mode)) return n;
  return static_cast<uint32_t>((static_cast<uint64_t>(effective) * n + 7) / 8);
}

uint32_t GBitmapImp::GetDecodedSize() {
  if (decodedSizeValid_ == 0) {
    const uint64_t size = compression_ != 0 ? static_cast<uint64_t>(dataLength_) * 2 : dataLength_;
    decodedSize_ = static_cast<uint32_t>(std::min<uint64_t>(size, UINT32_MAX));
    decodedSizeValid_ = 1;
  }
  return decodedSize_;
}

int GBitmapImp::MakeDataOwned() {
  if (ownsData_ != 0) return 1;
  if (data_ == nullptr || dataLength_ == 0) {
    data_ = nullptr;
    dataLength_ = 0;
    ownsData_ = 1;
    return 1;
  }
  auto* copy = new (std::nothrow) uint8_t[dataLength_];
  if (copy == nullptr) return 0;
  std::memcpy(copy, data_, dataLength_);
  data_ = copy;
  ownsData_ = 1;
  return 1;
}

// ---- Run-length decoding ----

// Decodes the 4-bit (compression 1) or 8-bit (compression 2) run-length
// form into (height + 1) rows of stride bytes. Every pixel write checks
// the row against the height and every read the position against the data
// length: a run or delta that would cross either ends decoding there, and
// the rows decoded so far stay.
void GBitmapImp::DecodeRunLength() {
  const bool four = compression_ == 1;
  const bool fits = planes_ == 1 && bitsPerPixel_ == (four ? 4 : 8);
  const int32_t width = GetWidth();
  const int32_t height = GetHeight();
  const uint64_t size = (static_cast<uint64_t>(height) + 1) * stride_;
  uint8_t* out = nullptr;
  if (fits && size <= kMaxDecodedBytes) out = new (std::nothrow) uint8_t[size]();
  if (out == nullptr) {
    // No image can be made of it: the body keeps no data, and its rows read
    // as nothing but zero pixels.
    FreeData();
    compression_ = 0;
    return;
  }
  const uint8_t* in = data_;
  const uint32_t length = dataLength_;
  uint32_t i = 0;
  int32_t x = 0;
  int32_t y = 0;
  bool wrapped = false;
  // Writes one pixel at the position and advances it; false once the
  // position is past the last row.
  auto put = [&](uint8_t value) {
    if (y >= height) return false;
    uint8_t* row = out + static_cast<uint64_t>(y) * stride_;
    if (four)
      row[x / 2] |= (x % 2 == 0) ? static_cast<uint8_t>(value << 4) : static_cast<uint8_t>(value & 0x0F);
    else
      row[x] = value;
    if (++x >= width) {
      x = 0;
      ++y;
      wrapped = true;
    }
    return true;
  };
  bool done = width == 0 || height == 0;
  while (!done && y < height && length - i >= 2) {
    const uint8_t count = in[i];
    const uint8_t second = in[i + 1];
    // Whether the operation before this one ended its row by filling it.
    const bool afterWrap = wrapped;
    wrapped = false;
    i += 2;
    if (count != 0) {
      for (uint32_t k = 0; k < count && !done; ++k) {
        const uint8_t value = four ? (k % 2 == 0 ? second >> 4 : second & 0x0F) : second;
        done = !put(value);
      }
      continue;
    }
    switch (second) {
      case 0:  // end of line
        // Right after a run that filled its row the row has already ended;
        // anywhere else, at a row's start too, it ends a row (one left
        // empty is a row of its own).
        if (!afterWrap) {
          x = 0;
          ++y;
        }
        break;
      case 1:  // end of bitmap
        done = true;
        break;
      case 2: {  // delta
        if (length - i < 2) {
          done = true;
          break;
        }
        const uint8_t dx = in[i];
        const uint8_t dy = in[i + 1];
        i += 2;
        y += dy;
        x += dx;
        y += x / width;
        x %= width;
        if (y >= height) done = true;
        break;
      }
      default: {  // absolute run
        const uint32_t bytes = four ? (second + 1u) / 2 : second;
        for (uint32_t k = 0; k < second && !done; ++k) {
          const uint32_t at = i + (four ? k / 2 : k);
          if (at >= length) {
            done = true;
            break;
          }
          const uint8_t byte = in[at];
          done = !put(four ? (k % 2 == 0 ? byte >> 4 : byte & 0x0F) : byte);
        }
        i += std::min(bytes, length - i);
        if ((i & 1) != 0 && i < length) ++i;
        break;
      }
    }
  }
  FreeData();
  data_ = out;
  dataLength_ = static_cast<uint32_t>(size);
  ownsData_ = 1;
  compression_ = 0;
}

// ---- Row conversion ----

uint8_t GBitmapImp::Component(uint32_t value, int component) const {
  const Mask& m = masks_[component];
  if (m.bits == 0) return 0;
  uint64_t c = m.shift < 32 ? (value & m.mask) >> m.shift : 0;
  const uint32_t n = std::min<uint32_t>(m.bits, 32);
  if (n == 8) return static_cast<uint8_t>(c);
  const uint64_t top = (uint64_t{1} << n) - 1;
  if (n < 8) return static_cast<uint8_t>(c * (255 / top));
  return static_cast<uint8_t>(c / (top / 255));
}

uint8_t GBitmapImp::Gray(uint8_t red, uint8_t green, uint8_t blue) const {
  // With no function set (callers set one first) the luminance weights hold.
  if (grayFunction_ == nullptr || grayFunction_ == &LuminanceGray)
    return static_cast<uint8_t>((30u * red + 59u * green + 11u * blue) / 100);
  return static_cast<uint8_t>(grayFunction_(red, green, blue) & 0xFF);
}

uint32_t GBitmapImp::GetRow(uint8_t* buffer, int16_t x0, int16_t x1, int16_t row, int32_t mode) const {
  const int32_t width = GetWidth();
  const int32_t height = GetHeight();
  if (buffer == nullptr || !IsReadable() || x0 < 0 || x1 <= x0 || x1 > width || row < 0 || row >= height) return 0;
  const uint32_t n = static_cast<uint32_t>(x1 - x0);
  const uint32_t written = RowBytes(x0, x1, mode);

  // The stored row and where it starts. Rows count from the top of the
  // image, so a bottom-up image reads its rows from the end of the data.
  const int32_t stored = bottomUp_ != 0 ? height - row - 1 : row;
  const uint64_t rowBytes = static_cast<uint64_t>(planes_) * stride_;
  uint64_t offset = 0;
  if (segmentStep_ == 0) {
    offset = static_cast<uint64_t>(stored) * rowBytes;
  } else {
    // 64 KB segments: whole segments of rowsPerSegment rows lie segment
    // step x 64 KB apart; inside one, rows wrap within its 64 KB.
    const uint64_t segment = static_cast<uint64_t>(stored / rowsPerSegment_);
    const uint64_t inside = static_cast<uint64_t>(stored % rowsPerSegment_) * rowBytes;
    offset = segment * static_cast<uint16_t>(segmentStep_) * 65536u + inside % 65536u;
  }
  PlaneRow planes[3];
  for (uint32_t p = 0; p < planes_ && p < 3; ++p) {
    const uint64_t start = offset + static_cast<uint64_t>(p) * stride_;
    if (data_ != nullptr && start < dataLength_) planes[p] = {data_ + start, dataLength_ - start};
  }
  const PlaneRow& src = planes[0];
  const bool swap = (componentOrder_ == 1) != (mode == kBitmapRowSwapped);
  const bool gray = EffectiveBitsPerPixel() == 24 && IsGrayMode(mode);
  const bool mirror = mirror_ != 0;
  // Output pixel j comes from column x0 + k, k = j, or n - 1 - j when mirrored.
  auto column = [&](uint32_t j) -> uint64_t { return static_cast<uint64_t>(x0) + (mirror ? n - 1 - j : j); };

  if (bitsPerPixel_ == 1 && planes_ == 1) {
    if (!mirror) {
      const uint64_t first = static_cast<uint64_t>(x0) / 8;
      const uint32_t shift = static_cast<uint32_t>(x0) % 8;
      for (uint32_t i = 0; i < written; ++i) {
        uint32_t value = static_cast<uint32_t>(src.At(first + i)) << shift;
        if (shift != 0) value |= src.At(first + i + 1) >> (8 - shift);
        buffer[i] = static_cast<uint8_t>(value);
      }
    } else {
      std::memset(buffer, 0, written);
      for (uint32_t j = 0; j < n; ++j) {
        const uint64_t c = column(j);
        if ((src.At(c / 8) >> (7 - c % 8)) & 1) buffer[j / 8] |= static_cast<uint8_t>(0x80 >> (j % 8));
      }
    }
    return written;
  }

  if (bitsPerPixel_ == 1 && planes_ == 3) {
    std::memset(buffer, 0, written);
    for (uint32_t j = 0; j < n; ++j) {
      const uint64_t c = column(j);
      auto bit = [&](int p) { return (planes[p].At(c / 8) >> (7 - c % 8)) & 1; };
      const uint8_t nibble =
          swap ? static_cast<uint8_t>(bit(2) * 4 + bit(1) * 2 + bit(0)) : static_cast<uint8_t>(bit(0) * 4 + bit(1) * 2 + bit(2));
      buffer[j / 2] |= (j % 2 == 0) ? static_cast<uint8_t>(nibble << 4) : nibble;
    }
    if (n % 2 != 0) buffer[n / 2] |= 0x07;
    return written;
  }

  if (bitsPerPixel_ == 4) {
    if (!mirror) {
      const uint64_t first = static_cast<uint64_t>(x0) / 2;
      const bool odd = x0 % 2 != 0;
      for (uint32_t i = 0; i < written; ++i)
        buffer[i] = odd ? static_cast<uint8_t>((src.At(first + i) << 4) | (src.At(first + i + 1) >> 4))
                        : src.At(first + i);
    } else {
      std::memset(buffer, 0, written);
      for (uint32_t j = 0; j < n; ++j) {
        const uint64_t c = column(j);
        const uint8_t nibble = (c % 2 == 0) ? src.At(c / 2) >> 4 : src.At(c / 2) & 0x0F;
        buffer[j / 2] |= (j % 2 == 0) ? static_cast<uint8_t>(nibble << 4) : nibble;
      }
    }
    return written;
  }

  if (bitsPerPixel_ == 8 && planes_ == 1) {
    for (uint32_t j = 0; j < n; ++j) buffer[j] = src.At(column(j));
    return written;
  }

  // The 24-bit family: three components per pixel, in the stored order
  // (s0, s1, s2) for 24 bits and three planes, (blue, green, red) unpacked
  // through the masks for 16 and 32 bits.
  for (uint32_t j = 0; j < n; ++j) {
    const uint64_t c = column(j);
    uint8_t s0 = 0;
    uint8_t s1 = 0;
    uint8_t s2 = 0;
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    if (bitsPerPixel_ == 8) {  // three planes
      s0 = planes[0].At(c);
      s1 = planes[1].At(c);
      s2 = planes[2].At(c);
    } else if (bitsPerPixel_ == 24) {
      s0 = src.At(c * 3);
      s1 = src.At(c * 3 + 1);
      s2 = src.At(c * 3 + 2);
    } else {
      uint32_t value = 0;
      if (bitsPerPixel_ == 16) {
        value = src.At(c * 2) | static_cast<uint32_t>(src.At(c * 2 + 1)) << 8;
      } else {
        for (int k = 3; k >= 0; --k) value = (value << 8) | src.At(c * 4 + k);
      }
      s0 = Component(value, 2);  // blue
      s1 = Component(value, 1);
      s2 = Component(value, 0);  // red
    }
    if (gray) {
      if (bitsPerPixel_ == 32) {
        r = s2;
        g = s1;
        b = s0;
      } else if (componentOrder_ == 1) {
        // Stored red, green, blue; for 16 bits the mask components in red,
        // green, blue order.
        if (bitsPerPixel_ == 16) {
          r = s2;
          g = s1;
          b = s0;
        } else {
          r = s0;
          g = s1;
          b = s2;
        }
      } else if (bitsPerPixel_ == 16) {
        // Blue, green, red of the masks: the red-mask component takes the
        // blue weight.
        r = s0;
        g = s1;
        b = s2;
      } else {
        r = s2;
        g = s1;
        b = s0;
      }
      buffer[j] = Gray(r, g, b);
      continue;
    }
    uint8_t* out = buffer + static_cast<uint64_t>(j) * 3;
    // As stored (for 16 and 32 bits blue, green, red), reversed with swap.
    out[0] = swap ? s2 : s0;
    out[1] = s1;
    out[2] = swap ? s0 : s2;
  }
  return written;
}

// ---- Persistence ----

// The version, the fields of the layout and the masks, the palette as an
// object reference, the mirror flag and the pixel data. Every field is read
// before any is taken, so a cut or damaged body leaves the body as it was.
// The stored stride, sizes and mask shifts must be those the layout gives;
// rows are read within the data whatever it holds. The pixel data is read
// piecewise, bounded by what the input holds.
template <typename Archive>
void GBitmapImp::Members(Archive& archive) {
  constexpr bool kReading = Archive::kReading;
  MStored::RestoreScope<Archive> scope(this);
  if (!MStored::Going(archive, true)) return;
  archive.Version(ClassVersion());
  if (!archive.Ok()) return;
  // A read fills a local body; the size and the writes look at this one.
  std::optional<GBitmapImp> local;
  if constexpr (kReading) local.emplace();
  GBitmapImp& body = kReading ? *local : *this;
  uint32_t length = data_ != nullptr ? dataLength_ : 0;
  archive(body.ownsData_, length, body.bounds_.left, body.bounds_.top, body.bounds_.right, body.bounds_.bottom,
          body.bitsPerPixel_, body.planes_, body.componentOrder_, body.compression_, body.bottomUp_,
          body.rowAlignment_, body.rowsPerSegment_, rwm::As<uint32_t>(body.reservedValue_),
          rwm::As<uint16_t>(body.segmentStep_), body.decodedSize_, body.decodedSizeValid_, body.stride_,
          body.packedRowBytes_, body.masksGiven_);
  for (Mask& m : body.masks_) archive(m.mask, m.shift, m.bits);
  int32_t mirror = mirror_;
  if constexpr (!kReading) {
    archive.Pointer(GetPalette());
    archive(mirror);
    archive.Block(data_, length);
  } else {
    if (!MStored::Going(archive, true)) return;
    // The layout is worked out again from the bounds, depth and alignment;
    // a stored stride, row size or mask split that disagrees with it, or a
    // kept decoded size that disagrees with the data, marks a damaged body.
    const uint32_t storedStride = body.stride_;
    const uint32_t storedPacked = body.packedRowBytes_;
    const Mask storedMasks[3] = {body.masks_[0], body.masks_[1], body.masks_[2]};
    body.SetDerivedFields();
    if (body.stride_ != storedStride || body.packedRowBytes_ != storedPacked) return;
    for (int i = 0; i < 3; ++i)
      if (body.masks_[i].shift != storedMasks[i].shift || body.masks_[i].bits != storedMasks[i].bits) return;
    if (body.decodedSizeValid_ != 0 && length != 0) {
      const uint64_t decoded = body.compression_ != 0 ? static_cast<uint64_t>(length) * 2 : length;
      if (body.decodedSize_ != std::min<uint64_t>(decoded, UINT32_MAX)) return;
    }
    GPaletteTable* palette = nullptr;
    archive.Input() >> palette;
    const bool paletteRead = MStored::Going(archive.Input());
    // The body holds the palette from here, so a failed restore must not
    // delete it as well.
    if (palette != nullptr) RWReadTableGuard::Adopt(palette);
    GCountedRef heldPalette(palette);
    if (!paletteRead) return;
    archive(mirror);
    if (!archive.Ok()) return;
    uint8_t* data = nullptr;
    if (length != 0) {
      data = ReadPixelBytes(length, [&archive](uint8_t* piece, uint32_t count) {
        archive.Block(piece, count);
        return archive.Ok();
      });
      if (data == nullptr) return;
    }
    FreeData();
    body.mirror_ = mirror;
    body.ownsData_ = data != nullptr ? 1 : body.ownsData_;
    const int32_t ownsData = body.ownsData_;
    // The fields come over from the local body; its data and palette do not.
    CopyFrom(body);
    ownsData_ = ownsData;
    data_ = data;
    dataLength_ = length;
    palette_ = heldPalette;
    grayFunction_ = nullptr;
  }
}

RW_STORED_MEMBERS_DEFINE(GBitmapImp, MPersistentObject)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GBitmapImp*& out) { return MReadPersistentAs(stream, out); }

RWBinaryFile& operator>>(RWBinaryFile& file, GBitmapImp*& out) { return MReadPersistentAs(file, out); }

RWCollectable* GBitmapImpCreate() { return new GBitmapImp; }
