// Fuzz target: inflates arbitrary bytes through the stream compressor into a
// fixed room, as a DEVMODE's private area is read. Whatever the input, the
// call must end without a crash, a hang or a write past the room, and it must
// agree with stock zlib: content that zlib inflates completely and that fits
// the room is given back exactly; anything else gives 0 and writes nothing.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <istream>
#include <ostream>
#include <vector>

#include "model/GStreamCompressor.h"
#include "rw/RWMemoryStreamBuf.h"

namespace {

constexpr size_t kRoom = 4096;
constexpr size_t kGuard = 64;
constexpr unsigned char kFill = 0xA5;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<unsigned char> block(kRoom + kGuard, kFill);
  RWMemoryStreamBuf inBuffer(RWMemoryStreamBuf::ForReading{}, data, size);
  RWMemoryStreamBuf outBuffer(RWMemoryStreamBuf::ForWriting{}, block.data(), kRoom);
  std::istream in(&inBuffer);
  std::ostream out(&outBuffer);
  const int result = GStreamCompressor().Uncompress(in, out);

  for (size_t i = kRoom; i < block.size(); ++i)
    if (block[i] != kFill) abort();

  // Stock zlib's reading of the same bytes, with the same content limit.
  std::vector<unsigned char> expected(GStreamCompressor::kMaxContent);
  uLongf expectedLength = expected.size();
  const bool stockReads = size <= GStreamCompressor::kMaxPacked &&
                          uncompress(expected.data(), &expectedLength, data, size) == Z_OK &&
                          expectedLength <= kRoom;
  if (result != (stockReads ? 1 : 0)) abort();
  if (stockReads) {
    if (outBuffer.Size() != expectedLength) abort();
    if (expectedLength && std::memcmp(block.data(), expected.data(), expectedLength) != 0) abort();
  } else {
    for (size_t i = 0; i < kRoom; ++i)
      if (block[i] != kFill) abort();
  }
  return 0;
}
