// Fuzz target: expands arbitrary bytes as an LZW stream into a bounded
// buffer. Whatever the input, the expansion must end without a crash, a hang
// or a write past the buffer; a stream that expands completely must survive a
// round trip through the encoder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "model/GByteStream.h"
#include "model/GLZWCompressor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::vector<uint8_t> expanded(1 << 16);
  GLZWCompressor lzw;
  GMemoryByteSource in(data, size);
  GMemoryByteSink out(expanded.data(), expanded.size());
  if (lzw.Expand(in, out) != 1) return 0;

  const size_t length = out.Length();
  std::vector<uint8_t> packed(length * 2 + 64);
  GMemoryByteSource plain(expanded.data(), length);
  GMemoryByteSink packedOut(packed.data(), packed.size());
  if (lzw.Compress(plain, packedOut) != 1) abort();

  std::vector<uint8_t> again(length + 1);
  GMemoryByteSource packedIn(packed.data(), packedOut.Length());
  GMemoryByteSink againOut(again.data(), again.size());
  if (lzw.Expand(packedIn, againOut) != 1 || againOut.Length() != length ||
      (length && std::memcmp(again.data(), expanded.data(), length) != 0))
    abort();
  return 0;
}
