#include "pdl/GPackedBitmap.h"

#include <cstdlib>
#include <memory>
#include <new>

#include "graphics/GBitmapImp.h"
#include "graphics/GPaletteTable.h"
#include "model/GByteStream.h"
#include "model/GLZWCompressor.h"

GBitmap ExpandPackedBitmap(const GBitmap& bitmap) {
  GBitmapImp* body = bitmap.GetBody();
  const uint8_t* data = bitmap.GetBits();
  const uint32_t length = bitmap.GetDataSize();
  if (body == nullptr || data == nullptr || length < 4) return GBitmap();
  const uint32_t expanded = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
                            static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
  GRect bounds;
  bitmap.GetBounds(bounds);
  const uint32_t bits = bitmap.GetBitsPerPixel();
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
  description.palette = bitmap.GetPalette() != nullptr ? new GPaletteTable(*bitmap.GetPalette()) : nullptr;
  return GBitmap(description);
}
