#include "model/GStreamCompressor.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>

namespace {

// A deflate and an inflate state kept between calls. Setting one up costs
// far more than packing a DEVMODE's settings (a full-size window and hash
// tables to allocate and clear); a reset state packs to the same bytes as a
// fresh one.
class ZlibStates {
 public:
  ZlibStates() = default;
  ZlibStates(const ZlibStates&) = delete;
  ZlibStates& operator=(const ZlibStates&) = delete;
  ~ZlibStates() {
    if (deflating_) deflateEnd(&deflater_);
    if (inflating_) inflateEnd(&inflater_);
  }

  // As zlib's compress (default level): Z_OK, Z_BUF_ERROR when the result
  // does not fit, or another error.
  int Compress(Bytef* out, uLongf* outLength, const Bytef* in, size_t inLength) {
    if (!deflating_) {
      deflater_ = z_stream{};
      if (deflateInit(&deflater_, Z_DEFAULT_COMPRESSION) != Z_OK) return Z_MEM_ERROR;
      deflating_ = true;
    } else if (deflateReset(&deflater_) != Z_OK) {
      return Z_STREAM_ERROR;
    }
    deflater_.next_in = const_cast<Bytef*>(in);
    deflater_.avail_in = static_cast<uInt>(inLength);
    deflater_.next_out = out;
    deflater_.avail_out = static_cast<uInt>(*outLength);
    const int result = deflate(&deflater_, Z_FINISH);
    *outLength = deflater_.total_out;
    if (result == Z_STREAM_END) return Z_OK;
    return result == Z_OK ? Z_BUF_ERROR : result;
  }

  // As zlib's uncompress: Z_OK, Z_BUF_ERROR when the content does not fit,
  // Z_DATA_ERROR for a damaged or incomplete stream, or another error.
  int Uncompress(Bytef* out, uLongf* outLength, const Bytef* in, size_t inLength) {
    if (!inflating_) {
      inflater_ = z_stream{};
      if (inflateInit(&inflater_) != Z_OK) return Z_MEM_ERROR;
      inflating_ = true;
    } else if (inflateReset(&inflater_) != Z_OK) {
      return Z_STREAM_ERROR;
    }
    inflater_.next_in = const_cast<Bytef*>(in);
    inflater_.avail_in = static_cast<uInt>(inLength);
    inflater_.next_out = out;
    inflater_.avail_out = static_cast<uInt>(*outLength);
    const int result = inflate(&inflater_, Z_FINISH);
    *outLength = inflater_.total_out;
    if (result == Z_STREAM_END) return Z_OK;
    if (result == Z_NEED_DICT) return Z_DATA_ERROR;
    if (result == Z_BUF_ERROR || result == Z_OK) return inflater_.avail_out == 0 ? Z_BUF_ERROR : Z_DATA_ERROR;
    return result;
  }

 private:
  z_stream deflater_{};
  z_stream inflater_{};
  bool deflating_ = false;
  bool inflating_ = false;
};

// One set of states waits between calls; a call takes it (or makes one
// when another thread has it) and gives it back (freeing it when another
// came back first). Freed when the module is unloaded.
class SpareStates {
 public:
  ~SpareStates() { delete spare_.exchange(nullptr); }
  std::unique_ptr<ZlibStates> Take() {
    ZlibStates* states = spare_.exchange(nullptr);
    return std::unique_ptr<ZlibStates>(states != nullptr ? states : new (std::nothrow) ZlibStates);
  }
  void Give(std::unique_ptr<ZlibStates> states) { delete spare_.exchange(states.release()); }

 private:
  std::atomic<ZlibStates*> spare_{nullptr};
};

SpareStates g_spare;

// Runs work on the spare states; Z_MEM_ERROR when none can be had.
template <typename Work>
int WithStates(Work work) {
  std::unique_ptr<ZlibStates> states = g_spare.Take();
  if (!states) return Z_MEM_ERROR;
  const int result = work(*states);
  g_spare.Give(std::move(states));
  return result;
}

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
  if (WithStates([&](ZlibStates& z) { return z.Compress(packed.get(), &packedLength, plain.get(), length); }) != Z_OK)
    return 0;

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
  const int result =
      WithStates([&](ZlibStates& z) { return z.Uncompress(content.get(), &contentLength, packed.get(), length); });
  if (roomIsTheLimit && (result == Z_BUF_ERROR || (result == Z_OK && contentLength > static_cast<size_t>(room)))) {
    // Nothing is written; the failed output tells the caller it was too
    // small.
    out.setstate(std::ios_base::failbit);
    return 0;
  }
  if (result != Z_OK) return 0;
  return WriteAtStart(out, content.get(), contentLength);
}
