#include "graphics/GBitmap.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <memory>
#include <vector>

#include "graphics/GColor.h"
#include "graphics/GPaletteTable.h"
#include "model/GByteStream.h"
#include "model/GLZWCompressor.h"
#include "model/MPersistentRead.h"
#include "model/MStoredMembers.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

namespace {

// Colour images of this many pixels or more are not reduced.
constexpr uint64_t kMaxReducedPixels = 0x8000;
// The most colours a palette image holds.
constexpr size_t kMaxPaletteColors = 256;

}  // namespace

GBitmap::GBitmap() = default;

GBitmap::GBitmap(const GBitmapDescription& description) : body_(new GBitmapImp(description)) {}

GBitmap::GBitmap(const GBitmap& other) : MPersistentObject(other), body_(other.body_) {}

GBitmap& GBitmap::Assign(const GBitmap& other) {
  if (this != &other) {
    MPersistentObject::operator=(other);
    body_ = other.body_;
  }
  return *this;
}

GBitmap::~GBitmap() = default;

QV_PERSISTENT_KIND_DEFINE(GBitmap, MPersistentObject, GBitmapClassId)

int GBitmap::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* bitmap = dynamic_cast<const GBitmap*>(other);
  if (bitmap == nullptr || other->ClassId() != ClassId()) return 0;
  if (bitmap->GetBody() == GetBody()) return 1;
  if (GetBody() == nullptr || bitmap->GetBody() == nullptr) return 0;
  return GetBody()->Matches(bitmap->GetBody());
}

int32_t GBitmap::GetShareCount() const { return body_.IsEmpty() ? 0 : GetBody()->HolderCount() + 1; }

// ---- Forwarding accessors ----

void GBitmap::GetBounds(GRect& out) const { out = body_.IsEmpty() ? GRect() : GetBody()->GetBounds(); }
uint32_t GBitmap::GetDataSize() const { return body_.IsEmpty() ? 0 : GetBody()->GetDataLength(); }
uint32_t GBitmap::GetBitsPerPixel() const { return body_.IsEmpty() ? 0 : GetBody()->EffectiveBitsPerPixel(); }

uint32_t GBitmap::GetRowBytes(int16_t x0, int16_t x1) const {
  return body_.IsEmpty() ? 0 : GetBody()->RowBytes(x0, x1, kBitmapRowColor);
}

uint32_t GBitmap::GetRow(uint8_t* buffer, int16_t x0, int16_t x1, int16_t row, int32_t mode) const {
  return body_.IsEmpty() ? 0 : GetBody()->GetRow(buffer, x0, x1, row, mode);
}

int32_t GBitmap::GetCompression() const { return body_.IsEmpty() ? 0 : GetBody()->GetCompression(); }
int GBitmap::IsCompressed() const { return GetCompression() != 0 ? 1 : 0; }
GPaletteTable* GBitmap::GetPalette() const { return body_.IsEmpty() ? nullptr : GetBody()->GetPalette(); }

void GBitmap::SetPalette(GPaletteTable* palette) {
  if (!body_.IsEmpty())
    GetBody()->SetPalette(palette);
  else
    delete palette;
}

uint8_t* GBitmap::GetBits() const { return body_.IsEmpty() ? nullptr : GetBody()->GetData(); }
int GBitmap::MakeDataOwned() { return body_.IsEmpty() ? 1 : GetBody()->MakeDataOwned(); }

void GBitmap::SetGrayFunction(GGrayFunction function) {
  if (!body_.IsEmpty()) GetBody()->SetGrayFunction(function);
}

uint32_t GBitmap::GetDecodedSize() { return body_.IsEmpty() ? 0 : GetBody()->GetDecodedSize(); }
uint32_t GBitmap::GetRedMask() const { return body_.IsEmpty() ? 0 : GetBody()->GetRedMask(); }
uint32_t GBitmap::GetGreenMask() const { return body_.IsEmpty() ? 0 : GetBody()->GetGreenMask(); }
uint32_t GBitmap::GetBlueMask() const { return body_.IsEmpty() ? 0 : GetBody()->GetBlueMask(); }
int32_t GBitmap::HasMasks() const { return body_.IsEmpty() ? 0 : GetBody()->HasMasks(); }
uint8_t GBitmap::GetRowAlignment() const { return body_.IsEmpty() ? 0 : GetBody()->GetRowAlignment(); }
int32_t GBitmap::IsBottomUp() const { return body_.IsEmpty() ? 0 : GetBody()->IsBottomUp(); }
int32_t GBitmap::IsMirrored() const { return body_.IsEmpty() ? 0 : GetBody()->IsMirrored(); }
int16_t GBitmap::GetRowsPerSegment() const { return body_.IsEmpty() ? 0 : GetBody()->GetRowsPerSegment(); }
int16_t GBitmap::GetSegmentStep() const { return body_.IsEmpty() ? 0 : GetBody()->GetSegmentStep(); }
int GBitmap::IsSegmented() const { return GetSegmentStep() != 0 ? 1 : 0; }
int32_t GBitmap::GetReservedValue() const { return body_.IsEmpty() ? 0 : GetBody()->GetReservedValue(); }

// ---- Colour reduction ----

GBitmap GBitmap::ExpandPacked() const {
  GBitmapImp* body = GetBody();
  const uint8_t* data = GetBits();
  const uint32_t length = GetDataSize();
  if (body == nullptr || data == nullptr || length < 4) return GBitmap();
  const uint32_t expanded = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
                            static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
  GRect bounds;
  GetBounds(bounds);
  const uint32_t bits = GetBitsPerPixel();
  const uint64_t rowBytes = (static_cast<uint64_t>(bits) * static_cast<uint64_t>(std::abs(bounds.Width())) + 7) / 8;
  const uint64_t whole = rowBytes * static_cast<uint64_t>(std::abs(bounds.Height()));
  // The expanded size must hold the image and stay within what a bitmap may
  // hold: a damaged size is not believed.
  if (expanded == 0 || expanded < whole || expanded > GBitmapImp::kMaxDecodedBytes) return GBitmap();
  std::unique_ptr<uint8_t[]> out(new (std::nothrow) uint8_t[expanded]);
  if (!out) return GBitmap();
  GMemoryByteSource in(data + 4, length - 4);
  GMemoryByteSink sink(out.get(), expanded);
  GLZWCompressor lzw;
  if (lzw.Expand(in, sink) == 0 || sink.Length() != expanded) return GBitmap();
  GBitmapDescription description;
  description.ownsData = 1;
  description.data = out.release();
  description.dataLength = expanded;
  description.bounds = bounds;
  description.bitsPerPixel = static_cast<uint8_t>(bits);
  description.componentOrder = body->GetComponentOrder();
  description.bottomUp = body->IsBottomUp();
  description.palette = GetPalette() != nullptr ? new GPaletteTable(*GetPalette()) : nullptr;
  return GBitmap(description);
}

void GBitmap::ReduceColorDepth(GBitmap& out) const {
  out = *this;
  const GBitmapImp* body = GetBody();
  if (body == nullptr || !body->IsReadable()) return;
  const uint32_t effective = body->EffectiveBitsPerPixel();
  if (effective < 8) return;
  const int32_t width = body->GetWidth();
  const int32_t height = body->GetHeight();
  auto describe = [width, height](uint8_t bits) {
    GBitmapDescription d;
    d.ownsData = 1;
    d.rowAlignment = 1;
    d.bounds = GRect(0, 0, static_cast<int16_t>(width), static_cast<int16_t>(height));
    d.bitsPerPixel = bits;
    d.planes = 1;
    d.componentOrder = 1;
    return d;
  };

  GBitmap eight(*this);
  if (effective == 24) {
    const uint64_t pixels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    if (pixels >= kMaxReducedPixels) return;
    std::vector<uint32_t> colors;  // 0xRRGGBB, in order of first use
    std::vector<uint8_t> indices(pixels);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    for (int32_t y = 0; y < height; ++y) {
      body->GetRow(row.data(), 0, static_cast<int16_t>(width), static_cast<int16_t>(y), kBitmapRowColor);
      for (int32_t x = 0; x < width; ++x) {
        const uint8_t* p = &row[static_cast<size_t>(x) * 3];
        const uint32_t color = static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
        size_t index = 0;
        while (index < colors.size() && colors[index] != color) ++index;
        if (index == colors.size()) {
          if (colors.size() == kMaxPaletteColors) return;
          colors.push_back(color);
        }
        indices[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(index);
      }
    }
    std::vector<std::unique_ptr<GColor>> entries;
    std::vector<GColor*> pointers;
    for (uint32_t color : colors) {
      entries.emplace_back(new GRGBColor(static_cast<uint8_t>(color >> 16), static_cast<uint8_t>(color >> 8),
                                         static_cast<uint8_t>(color), 255));
      pointers.push_back(entries.back().get());
    }
    GBitmapDescription d = describe(8);
    if (pixels != 0) {
      d.data = new uint8_t[pixels];
      std::memcpy(d.data, indices.data(), pixels);
      d.dataLength = static_cast<uint32_t>(pixels);
    }
    d.palette = new GPaletteTable(pointers);
    eight = GBitmap(d);
  } else if (effective != 8) {
    return;
  }

  const GBitmapImp* source = eight.GetBody();
  const GPaletteTable* palette = source->GetPalette();
  if (palette != nullptr && palette->GetCount() < 3) {
    const uint32_t rowBytes = (static_cast<uint32_t>(width) + 7) / 8;
    const uint64_t length = static_cast<uint64_t>(rowBytes) * static_cast<uint64_t>(height);
    GBitmapDescription d = describe(1);
    std::vector<uint8_t> row(static_cast<size_t>(width));
    if (length != 0) {
      d.data = new uint8_t[length]();
      d.dataLength = static_cast<uint32_t>(length);
      for (int32_t y = 0; y < height; ++y) {
        source->GetRow(row.data(), 0, static_cast<int16_t>(width), static_cast<int16_t>(y), kBitmapRowSwapped);
        uint8_t* bits = d.data + static_cast<uint64_t>(y) * rowBytes;
        for (int32_t x = 0; x < width; ++x)
          if (row[x] != 0) bits[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
    }
    d.palette = palette->Clone();
    out = GBitmap(d);
    return;
  }
  out = eight;
}

// ---- Persistence ----

// The version, then the body as an object reference; the body shares the
// identity table of the save the bitmap belongs to. A body read is adopted
// by the bitmap; a failed read leaves the body the bitmap had.
template <typename Archive>
void GBitmap::Members(Archive& archive) {
  MStored::RestoreScope<Archive> scope(this);
  archive.Version(ClassVersion());
  if constexpr (Archive::kReading) {
    if (!archive.Ok() || RWReadTableGuard::RestoreFailed()) return;
    GBitmapImp* body = nullptr;
    archive.Input() >> body;
    if (body != nullptr) RWReadTableGuard::Adopt(body);
    if (body != nullptr || MStored::Going(archive.Input(), true)) body_ = GCountedRef(body);
  } else {
    archive.Pointer(GetBody());
  }
}

RW_STORED_MEMBERS_DEFINE(GBitmap, MPersistentObject)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GBitmap*& out) { return MReadPersistentAs(stream, out); }

RWBinaryFile& operator>>(RWBinaryFile& file, GBitmap*& out) { return MReadPersistentAs(file, out); }

RWCollectable* GBitmapCreate() { return new GBitmap; }
