// Fuzz target: bitmaps from arbitrary bytes. An even first byte makes the
// rest a bitmap description (depth, planes, size, flags, masks, span) and
// its pixel data, run-length encoded or not; every row is then converted in
// every mode, and the image reduced in colour depth. An odd first byte
// makes the rest a stored graph, restored through the virtual streams and
// the file form, whose bitmaps' rows are converted as well. Nothing may
// read or write outside the data, and no row may be longer than its
// predicted size.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "graphics/GBitmap.h"
#include "graphics/GGrayConversion.h"
#include "graphics/GraphicsClasses.h"
#include "model/ModelClasses.h"
#include "printpath/PrintPathClasses.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWLibraryClasses.h"
#include "rw/RWMemoryStreamBuf.h"
#include "support/FuzzGraphSupport.h"
#include "win32/File.h"
#include "w32test/Testing.h"

namespace {

constexpr size_t kHeader = 21;
// Rows and columns read per bitmap, so that one input stays quick.
constexpr int32_t kMostRows = 24;
constexpr int32_t kMostColumns = 4096;

void ReadRows(const GBitmapImp* body, int16_t x0, int16_t x1) {
  const int32_t height = body->GetHeight() < kMostRows ? body->GetHeight() : kMostRows;
  int32_t width = body->GetWidth() < kMostColumns ? body->GetWidth() : kMostColumns;
  std::vector<uint8_t> buffer;
  for (int32_t row = 0; row < height; ++row) {
    for (int32_t mode = 0; mode <= 4; ++mode) {
      for (int span = 0; span < 2; ++span) {
        const int16_t from = span == 0 ? 0 : x0;
        const int16_t to = span == 0 ? static_cast<int16_t>(width) : x1;
        const uint32_t expected = body->RowBytes(from, to, mode);
        // The buffer is exactly the predicted size: a longer row is an
        // over-write the sanitizer sees.
        buffer.assign(expected, 0);
        const uint32_t written = body->GetRow(buffer.data(), from, to, static_cast<int16_t>(row), mode);
        if (written != 0 && written != expected) __builtin_trap();
      }
    }
  }
}

void FromDescription(const uint8_t* data, size_t size) {
  if (size < kHeader) return;
  static const uint8_t kDepths[8] = {1, 4, 8, 16, 24, 32, 2, 0};
  GBitmapDescription d;
  d.bitsPerPixel = kDepths[data[1] & 7];
  d.planes = data[2] & 3;
  d.bounds = GRect(0, 0, data[3], data[4]);
  const uint8_t flags = data[5];
  d.bottomUp = flags & 1;
  d.mirror = (flags >> 1) & 1;
  d.componentOrder = (flags >> 2) & 1;
  d.masksGiven = (flags >> 3) & 1;
  d.compression = (flags >> 4) & 3;
  d.rowAlignment = data[6];
  if ((flags & 0x40) != 0) {
    d.segmentStep = 1;
    d.rowsPerSegment = data[6] & 7;
  }
  uint32_t masks[3];
  std::memcpy(masks, data + 7, sizeof masks);
  d.redMask = masks[0];
  d.greenMask = masks[1];
  d.blueMask = masks[2];
  const int16_t x0 = data[19];
  const int16_t x1 = data[20];
  const size_t length = size - kHeader;
  if (length != 0) {
    // An exact copy, so that any read past the data is seen.
    d.data = new uint8_t[length];
    std::memcpy(d.data, data + kHeader, length);
  }
  d.dataLength = static_cast<uint32_t>(length);
  d.ownsData = 1;
  GBitmap bitmap(d);
  bitmap.SetGrayFunction((flags & 0x80) != 0 ? &WeightedGray : &LuminanceGray);
  ReadRows(bitmap.GetBody(), x0, x1);
  GBitmap reduced;
  bitmap.ReduceColorDepth(reduced);
  if (!reduced.IsEmpty()) ReadRows(reduced.GetBody(), x0, x1);
}

// Reads the rows of a restored bitmap or body, then deletes it.
void ReadRestored(MPersistentObject* root) {
  std::unique_ptr<MPersistentObject> owned(root);
  const GBitmapImp* body = dynamic_cast<GBitmapImp*>(root);
  if (auto* bitmap = dynamic_cast<GBitmap*>(root)) body = bitmap->GetBody();
  if (body != nullptr) ReadRows(body, 1, 7);
}

void FromStoredForm(const uint8_t* data, size_t size) {
  {
    RWMemoryStreamBuf buffer(RWMemoryStreamBuf::ForReading{}, data, size);
    RWBinaryInStream in(&buffer);
    MPersistentObject* root = nullptr;
    qvfuzz::g_inRestore = true;
    MPersistentObject::ReadPersistentObject(in, root);
    qvfuzz::g_inRestore = false;
    ReadRestored(root);
  }
  const std::string path = "C:\\FuzzBitmap\\rows.bin";
  if (w32test::PutFile(qvfuzz::WidePath(path).c_str(), std::string(reinterpret_cast<const char*>(data), size))) {
    RWBinaryFile file(path.c_str(), "rb");
    MPersistentObject* root = nullptr;
    qvfuzz::g_inRestore = true;
    MPersistentObject::ReadPersistentObject(file, root);
    qvfuzz::g_inRestore = false;
    ReadRestored(root);
  }
  qvfuzz::RestoreGraphs(data, size, "C:\\FuzzBitmap");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    RWSetErrorHandler(&qvfuzz::OnGraphRestoreError);
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    RegisterPrintPathClasses();
    RegisterGraphicsClasses();
    static const uint8_t weights[4] = {8, 77, 150, 29};
    LoadGrayWeights(weights, 4);
    return w32test::MakeDirectories(u"C:\\FuzzBitmap");
  }();
  if (!ready || size == 0) return 0;
  if ((data[0] & 1) == 0)
    FromDescription(data + 1, size - 1);
  else
    FromStoredForm(data + 1, size - 1);
  return 0;
}
