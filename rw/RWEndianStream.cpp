#include "rw/RWEndianStream.h"

#include <algorithm>
#include <type_traits>

#include "rw/RWError.h"
#include "rw/RWMemoryStreamBuf.h"

namespace {

// The sizes this system stores: short, int, long, wide character, size_t.
const unsigned char kStoredSizes[5] = {2, 4, 4, 2, 4};

void RaiseStream(const RWStreamState* stream) {
  RWMessageText text(RWToolsMsg_STREAM());
  RWRaiseStreamIoError(RWStreamIoError(text, stream));
}

}  // namespace

// ---- RWEndianOutStream ----

RWEndianOutStream::RWEndianOutStream(std::ostream& stream, int order) : RWBinaryOutStream(stream) { Start(order); }

RWEndianOutStream::RWEndianOutStream(std::streambuf* buffer, int order) : RWBinaryOutStream(buffer) {
  Start(order);
}

RWEndianOutStream::~RWEndianOutStream() = default;

void RWEndianOutStream::Start(int order) {
  // The header must open the stream: refuse a target that already holds
  // data. A fixed-capacity memory buffer's end is its room, so what it
  // holds is asked of it directly (RWStreamBufHeldBytes).
  if (RWStreamBufHeldBytes(Buffer()) != 0) {
    SetState(RW_STREAM_FAIL);
    RaiseStream(this);
    return;
  }
  if (order == HostOrder) {
    order_ = RWHostIsBigEndian() ? 1 : 0;
  } else {
    order_ = order == LittleEndian ? 0 : 1;
  }
  const unsigned char header[9] = {'e', 's', 1, static_cast<unsigned char>(order_), kStoredSizes[0],
                                   kStoredSizes[1], kStoredSizes[2], kStoredSizes[3], kStoredSizes[4]};
  PutBytes(header, sizeof header);
  SetBigEndian(order_ == 1);
}

// ---- RWEndianInStream ----

RWEndianInStream::RWEndianInStream(std::istream& stream) : RWBinaryInStream(stream) { ReadHeader(); }
RWEndianInStream::RWEndianInStream(std::streambuf* buffer) : RWBinaryInStream(buffer) { ReadHeader(); }
RWEndianInStream::~RWEndianInStream() = default;

void RWEndianInStream::RaiseBadStream() {
  SetState(RW_STREAM_FAIL);
  RaiseStream(this);
}

void RWEndianInStream::ReadHeader() {
  static const unsigned char kMagic[3] = {'e', 's', 1};
  unsigned char byte = 0;
  for (unsigned char expected : kMagic) {
    if (GetBytes(&byte, 1) != 1 || byte != expected || !Good()) {
      RaiseBadStream();
      return;
    }
  }
  if (GetBytes(&byte, 1) != 1 || !Good()) {
    RaiseBadStream();
    return;
  }
  bigEndian_ = byte != 0 ? 1 : 0;
  int32_t* const sizes[5] = {&shortSize_, &intSize_, &longSize_, &wideCharSize_, &sizeTSize_};
  for (int32_t* size : sizes) {
    // A size of 0 would make every read of that type consume nothing, so a
    // reader looping until the stream fails would never stop.
    if (GetBytes(&byte, 1) != 1 || !Good() || byte == 0) {
      RaiseBadStream();
      return;
    }
    *size = byte;
  }
  SetBigEndian(bigEndian_ != 0);
}

template <typename T>
bool RWEndianInStream::ReadInteger(T& value, int32_t storedSize) {
  constexpr size_t host = sizeof(T);
  const size_t stored = static_cast<size_t>(storedSize);  // 1..255, checked by ReadHeader
  unsigned char bytes[256];
  if (GetBytes(bytes, stored) != stored) return false;
  // Put the bytes in little-endian order, low byte first.
  if (bigEndian_) std::reverse(bytes, bytes + stored);
  const bool isSigned = std::is_signed_v<T>;
  unsigned char kept[sizeof(T)];
  if (stored >= host) {
    // The extra high-order bytes must only extend the kept value's sign.
    const unsigned char fill = (isSigned && (bytes[host - 1] & 0x80)) ? 0xFF : 0x00;
    for (size_t i = host; i < stored; ++i) {
      if (bytes[i] != fill) {
        SetState(RW_STREAM_FAIL);
        return false;
      }
    }
    std::copy(bytes, bytes + host, kept);
  } else {
    const unsigned char fill = (isSigned && (bytes[stored - 1] & 0x80)) ? 0xFF : 0x00;
    std::copy(bytes, bytes + stored, kept);
    std::fill(kept + stored, kept + host, fill);
  }
  uint64_t bits = 0;
  for (size_t i = 0; i < host; ++i) bits |= static_cast<uint64_t>(kept[i]) << (8 * i);
  value = static_cast<T>(bits);
  return true;
}

template <typename T>
RWVirtualInStream& RWEndianInStream::ReadIntegers(T* values, unsigned count, int32_t storedSize) {
  if (count == 0) GetBytes(nullptr, 0);  // a get on a failed stream still reports it
  for (unsigned i = 0; i < count; ++i) {
    if (!ReadInteger(values[i], storedSize)) break;
  }
  return *this;
}

RWVirtualInStream& RWEndianInStream::GetULongs(uint32_t* v, unsigned n) { return ReadIntegers(v, n, longSize_); }
RWVirtualInStream& RWEndianInStream::GetUInts(uint32_t* v, unsigned n) { return ReadIntegers(v, n, intSize_); }
RWVirtualInStream& RWEndianInStream::GetUShorts(uint16_t* v, unsigned n) { return ReadIntegers(v, n, shortSize_); }
RWVirtualInStream& RWEndianInStream::GetShorts(int16_t* v, unsigned n) { return ReadIntegers(v, n, shortSize_); }
RWVirtualInStream& RWEndianInStream::GetLongs(int32_t* v, unsigned n) { return ReadIntegers(v, n, longSize_); }
RWVirtualInStream& RWEndianInStream::GetInts(int32_t* v, unsigned n) { return ReadIntegers(v, n, intSize_); }

RWVirtualInStream& RWEndianInStream::GetULong(uint32_t& value) { return ReadIntegers(&value, 1, longSize_); }
RWVirtualInStream& RWEndianInStream::GetUInt(uint32_t& value) { return ReadIntegers(&value, 1, intSize_); }
RWVirtualInStream& RWEndianInStream::GetUShort(uint16_t& value) { return ReadIntegers(&value, 1, shortSize_); }
RWVirtualInStream& RWEndianInStream::GetShort(int16_t& value) { return ReadIntegers(&value, 1, shortSize_); }
RWVirtualInStream& RWEndianInStream::GetLong(int32_t& value) { return ReadIntegers(&value, 1, longSize_); }
RWVirtualInStream& RWEndianInStream::GetInt(int32_t& value) { return ReadIntegers(&value, 1, intSize_); }

RWVirtualInStream& RWEndianInStream::GetString(char* buffer, unsigned size) {
  // The length is a size_t of the writer: 4 bytes in this system.
  uint32_t length = 0;
  if (!ReadInteger(length, sizeTSize_)) {
    if (size > 0) buffer[0] = '\0';
    SetState(RW_STREAM_FAIL | RW_STREAM_BAD);
    return *this;
  }
  GetStringBody(buffer, size, length);
  return *this;
}
