#include "model/GStreamCompressor.h"

#include <zlib.h>

#include <algorithm>
#include <memory>
#include <new>

namespace {

using Bytes = std::unique_ptr<Bytef[]>;

// Allocates count bytes; null when they cannot be had.
Bytes Allocate(size_t count) { return Bytes(new (std::nothrow) Bytef[count == 0 ? 1 : count]); }

// The length of the input from its start to its end, with the read position
// left at the start; -1 when the input cannot be measured.
std::streamoff MeasureInput(std::istream& in) {
  in.seekg(0, std::ios_base::end);
  const std::streamoff length = in.tellg();
  in.seekg(0, std::ios_base::beg);
  return in.fail() ? -1 : length;
}

// Reads exactly count bytes from the read position.
bool ReadExactly(std::istream& in, Bytef* bytes, size_t count) {
  in.read(reinterpret_cast<char*>(bytes), static_cast<std::streamsize>(count));
  return static_cast<size_t>(in.gcount()) == count;
}

// The room of the output: where a seek of its write position to the end
// lands (a memory buffer's capacity). The write position is left at the
// start. -1 when the output cannot be measured.
std::streamoff MeasureRoom(std::ostream& out) {
  out.seekp(0, std::ios_base::end);
  const std::streamoff room = out.tellp();
  out.seekp(0, std::ios_base::beg);
  return out.fail() ? -1 : room;
}

int WriteAtStart(std::ostream& out, const Bytef* bytes, size_t count) {
  out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(count));
  return out.fail() ? 0 : 1;
}

}  // namespace

int GStreamCompressor::Compress(std::istream& in, std::ostream& out) {
  const std::streamoff measured = MeasureInput(in);
  if (measured < 0) return 0;
  const size_t length = static_cast<size_t>(measured);
  Bytes plain = Allocate(length);
  if (!plain || !ReadExactly(in, plain.get(), length)) return 0;

  // A result that does not fit in as many bytes as the input is not worth
  // storing; zlib answers an error for it.
  Bytes packed = Allocate(length);
  if (!packed) return 0;
  uLongf packedLength = length;
  if (compress(packed.get(), &packedLength, plain.get(), length) != Z_OK) return 0;

  const std::streamoff room = MeasureRoom(out);
  if (room < 0) return 0;
  if (packedLength > static_cast<size_t>(room)) {
    // Nothing is written; the failed output tells the caller it was too
    // small.
    out.setstate(std::ios_base::failbit);
    return 0;
  }
  return WriteAtStart(out, packed.get(), packedLength);
}

int GStreamCompressor::Uncompress(std::istream& in, std::ostream& out) {
  // The input may come from outside: its length is bounded before anything
  // is allocated or read, and so is the inflated content.
  const std::streamoff measured = MeasureInput(in);
  if (measured < 0 || static_cast<size_t>(measured) > kMaxPacked) return 0;
  const size_t length = static_cast<size_t>(measured);
  const std::streamoff room = MeasureRoom(out);
  if (room < 0) return 0;
  // Inflation is bounded by the content limit, or by the room when that is
  // smaller; then one byte more than the room tells content that overflows
  // it from a damaged stream.
  const bool roomIsTheLimit = static_cast<size_t>(room) < kMaxContent;
  const size_t limit = roomIsTheLimit ? static_cast<size_t>(room) + 1 : kMaxContent;

  Bytes packed = Allocate(length);
  if (!packed || !ReadExactly(in, packed.get(), length)) return 0;
  Bytes content = Allocate(limit);
  if (!content) return 0;
  uLongf contentLength = limit;
  const int result = uncompress(content.get(), &contentLength, packed.get(), length);
  if (roomIsTheLimit && (result == Z_BUF_ERROR || (result == Z_OK && contentLength > static_cast<size_t>(room)))) {
    // Nothing is written; the failed output tells the caller it was too
    // small.
    out.setstate(std::ios_base::failbit);
    return 0;
  }
  if (result != Z_OK) return 0;
  return WriteAtStart(out, content.get(), contentLength);
}
