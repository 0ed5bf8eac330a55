#include "rw/RWBinaryStream.h"

#include <cstring>
#include <type_traits>

namespace {

// The unsigned type of a value's size, to move its bytes through.
template <typename T>
using BitsOf = std::conditional_t<sizeof(T) == 1, uint8_t,
                                  std::conditional_t<sizeof(T) == 2, uint16_t,
                                                     std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>>>;

template <typename T>
void Encode(T value, bool bigEndian, unsigned char* out) {
  BitsOf<T> bits;
  std::memcpy(&bits, &value, sizeof(T));
  for (size_t i = 0; i < sizeof(T); ++i) {
    const unsigned char byte = static_cast<unsigned char>(bits >> (8 * i));
    out[bigEndian ? sizeof(T) - 1 - i : i] = byte;
  }
}

template <typename T>
T Decode(const unsigned char* in, bool bigEndian) {
  BitsOf<T> bits = 0;
  for (size_t i = 0; i < sizeof(T); ++i) {
    const BitsOf<T> byte = in[bigEndian ? sizeof(T) - 1 - i : i];
    bits = static_cast<BitsOf<T>>(bits | (byte << (8 * i)));
  }
  T value;
  std::memcpy(&value, &bits, sizeof(T));
  return value;
}

// Arrays move through a small stack chunk: no allocation however large the
// count.
constexpr size_t kStreamChunk = 512;

}  // namespace

// ---- RWBinaryOutStream ----

RWBinaryOutStream::RWBinaryOutStream(std::ostream& stream) : stream_(stream.rdbuf()) {}
RWBinaryOutStream::RWBinaryOutStream(std::streambuf* buffer) : stream_(buffer) {}
RWBinaryOutStream::~RWBinaryOutStream() = default;

int32_t RWBinaryOutStream::ReadState() const { return RWStreamBitsFromIos(stream_.rdstate()); }
void RWBinaryOutStream::Clear(int32_t bits) { stream_.clear(RWIosFromStreamBits(bits)); }

void RWBinaryOutStream::PutBytes(const void* bytes, size_t count) {
  if (stream_.rdstate() != std::ios_base::goodbit || stream_.rdbuf() == nullptr) {
    stream_.setstate(std::ios_base::failbit);
    return;
  }
  const char* p = static_cast<const char*>(bytes);
  while (count > 0) {
    const std::streamsize want = static_cast<std::streamsize>(count > kStreamChunk ? kStreamChunk : count);
    const std::streamsize wrote = stream_.rdbuf()->sputn(p, want);
    if (wrote != want) {
      stream_.setstate(std::ios_base::failbit);
      return;
    }
    p += wrote;
    count -= static_cast<size_t>(wrote);
  }
}

template <typename T>
RWVirtualOutStream& RWBinaryOutStream::PutValues(const T* values, unsigned count) {
  unsigned char chunk[kStreamChunk];
  size_t used = 0;
  for (unsigned i = 0; i < count; ++i) {
    if (used + sizeof(T) > kStreamChunk) {
      PutBytes(chunk, used);
      used = 0;
    }
    Encode(values[i], bigEndian_, chunk + used);
    used += sizeof(T);
  }
  if (used > 0 || count == 0) PutBytes(chunk, used);
  return *this;
}

RWVirtualOutStream& RWBinaryOutStream::PutString(const char* text, unsigned count) {
  PutValues(&count, 1);
  PutBytes(text, count);
  return *this;
}

RWVirtualOutStream& RWBinaryOutStream::PutUShort(uint16_t value) { return PutValues(&value, 1); }
RWVirtualOutStream& RWBinaryOutStream::PutShort(int16_t value) { return PutValues(&value, 1); }
RWVirtualOutStream& RWBinaryOutStream::PutULong(uint32_t value) { return PutValues(&value, 1); }
RWVirtualOutStream& RWBinaryOutStream::PutLong(int32_t value) { return PutValues(&value, 1); }
RWVirtualOutStream& RWBinaryOutStream::PutUInt(uint32_t value) { return PutValues(&value, 1); }
RWVirtualOutStream& RWBinaryOutStream::PutInt(int32_t value) { return PutValues(&value, 1); }
RWVirtualOutStream& RWBinaryOutStream::PutFloat(float value) { return PutValues(&value, 1); }
RWVirtualOutStream& RWBinaryOutStream::PutDouble(double value) { return PutValues(&value, 1); }
RWVirtualOutStream& RWBinaryOutStream::PutUCharText(unsigned char value) { return PutValues(&value, 1); }
RWVirtualOutStream& RWBinaryOutStream::PutCharText(char value) { return PutValues(&value, 1); }

RWVirtualOutStream& RWBinaryOutStream::Flush() {
  if (stream_.rdbuf() == nullptr || stream_.rdbuf()->pubsync() == -1) stream_.setstate(std::ios_base::badbit);
  return *this;
}

RWVirtualOutStream& RWBinaryOutStream::PutDoubles(const double* v, unsigned n) { return PutValues(v, n); }
RWVirtualOutStream& RWBinaryOutStream::PutFloats(const float* v, unsigned n) { return PutValues(v, n); }
RWVirtualOutStream& RWBinaryOutStream::PutULongs(const uint32_t* v, unsigned n) { return PutValues(v, n); }
RWVirtualOutStream& RWBinaryOutStream::PutLongs(const int32_t* v, unsigned n) { return PutValues(v, n); }
RWVirtualOutStream& RWBinaryOutStream::PutUInts(const uint32_t* v, unsigned n) { return PutValues(v, n); }
RWVirtualOutStream& RWBinaryOutStream::PutInts(const int32_t* v, unsigned n) { return PutValues(v, n); }
RWVirtualOutStream& RWBinaryOutStream::PutUShorts(const uint16_t* v, unsigned n) { return PutValues(v, n); }
RWVirtualOutStream& RWBinaryOutStream::PutShorts(const int16_t* v, unsigned n) { return PutValues(v, n); }
RWVirtualOutStream& RWBinaryOutStream::PutUChars(const unsigned char* v, unsigned n) {
  PutBytes(v, n);
  return *this;
}
RWVirtualOutStream& RWBinaryOutStream::PutUChar(unsigned char value) { return PutValues(&value, 1); }
RWVirtualOutStream& RWBinaryOutStream::PutChars(const char* v, unsigned n) {
  PutBytes(v, n);
  return *this;
}
RWVirtualOutStream& RWBinaryOutStream::PutChar(char value) { return PutValues(&value, 1); }

// ---- RWBinaryInStream ----

RWBinaryInStream::RWBinaryInStream(std::istream& stream) : stream_(stream.rdbuf()) {}
RWBinaryInStream::RWBinaryInStream(std::streambuf* buffer) : stream_(buffer) {}
RWBinaryInStream::~RWBinaryInStream() = default;

int32_t RWBinaryInStream::ReadState() const { return RWStreamBitsFromIos(stream_.rdstate()); }
void RWBinaryInStream::Clear(int32_t bits) { stream_.clear(RWIosFromStreamBits(bits)); }

size_t RWBinaryInStream::GetBytes(void* bytes, size_t count) {
  if (stream_.rdstate() != std::ios_base::goodbit || stream_.rdbuf() == nullptr) {
    stream_.setstate(std::ios_base::failbit);
    return 0;
  }
  char* p = static_cast<char*>(bytes);
  size_t got = 0;
  while (got < count) {
    const size_t rest = count - got;
    const std::streamsize want = static_cast<std::streamsize>(rest > kStreamChunk ? kStreamChunk : rest);
    const std::streamsize read = stream_.rdbuf()->sgetn(p + got, want);
    got += static_cast<size_t>(read > 0 ? read : 0);
    if (read != want) {
      stream_.setstate(std::ios_base::eofbit | std::ios_base::failbit);
      break;
    }
  }
  return got;
}

template <typename T>
RWVirtualInStream& RWBinaryInStream::GetValues(T* values, unsigned count) {
  unsigned char chunk[kStreamChunk];
  const unsigned perChunk = static_cast<unsigned>(kStreamChunk / sizeof(T));
  unsigned done = 0;
  if (count == 0) GetBytes(chunk, 0);  // a get on a failed stream still reports it
  while (done < count) {
    const unsigned now = count - done < perChunk ? count - done : perChunk;
    const size_t got = GetBytes(chunk, now * sizeof(T));
    // Whole elements read are stored; a partial last one is not.
    const size_t whole = got / sizeof(T);
    for (size_t i = 0; i < whole; ++i) values[done + i] = Decode<T>(chunk + i * sizeof(T), bigEndian_);
    if (got != now * sizeof(T)) break;
    done += now;
  }
  return *this;
}

RWVirtualInStream& RWBinaryInStream::GetULongs(uint32_t* v, unsigned n) { return GetValues(v, n); }
RWVirtualInStream& RWBinaryInStream::GetUInts(uint32_t* v, unsigned n) { return GetValues(v, n); }
RWVirtualInStream& RWBinaryInStream::GetUShorts(uint16_t* v, unsigned n) { return GetValues(v, n); }
RWVirtualInStream& RWBinaryInStream::GetUChars(unsigned char* v, unsigned n) { return GetValues(v, n); }
RWVirtualInStream& RWBinaryInStream::GetShorts(int16_t* v, unsigned n) { return GetValues(v, n); }
RWVirtualInStream& RWBinaryInStream::GetLongs(int32_t* v, unsigned n) { return GetValues(v, n); }
RWVirtualInStream& RWBinaryInStream::GetInts(int32_t* v, unsigned n) { return GetValues(v, n); }
RWVirtualInStream& RWBinaryInStream::GetFloats(float* v, unsigned n) { return GetValues(v, n); }
RWVirtualInStream& RWBinaryInStream::GetDoubles(double* v, unsigned n) { return GetValues(v, n); }
RWVirtualInStream& RWBinaryInStream::GetChars(char* v, unsigned n) { return GetValues(v, n); }
RWVirtualInStream& RWBinaryInStream::GetUChar(unsigned char& value) { return GetValues(&value, 1); }
RWVirtualInStream& RWBinaryInStream::GetChar(char& value) { return GetValues(&value, 1); }

int RWBinaryInStream::Get() {
  unsigned char byte;
  if (GetBytes(&byte, 1) != 1) return -1;
  return byte;
}

void RWBinaryInStream::GetStringBody(char* buffer, unsigned size, uint32_t length) {
  const uint32_t keep = size == 0 ? 0 : (length < size - 1 ? length : size - 1);
  const size_t got = keep > 0 ? GetBytes(buffer, keep) : 0;
  if (size > 0) buffer[got] = '\0';
  if (length > keep) {
    // Consume the rest of the stored string so the stream stays in step,
    // then report the truncation.
    char scratch[kStreamChunk];
    uint32_t rest = length - keep;
    while (rest > 0 && stream_.good()) {
      const uint32_t now = rest < kStreamChunk ? rest : static_cast<uint32_t>(kStreamChunk);
      if (GetBytes(scratch, now) != now) break;
      rest -= now;
    }
    stream_.setstate(std::ios_base::failbit);
  }
}

RWVirtualInStream& RWBinaryInStream::GetString(char* buffer, unsigned size) {
  uint32_t length;
  GetValues(&length, 1);
  if (!stream_.good()) {
    if (size > 0) buffer[0] = '\0';
    return *this;
  }
  GetStringBody(buffer, size, length);
  return *this;
}

RWVirtualInStream& RWBinaryInStream::GetULong(uint32_t& value) { return GetValues(&value, 1); }
RWVirtualInStream& RWBinaryInStream::GetUInt(uint32_t& value) { return GetValues(&value, 1); }
RWVirtualInStream& RWBinaryInStream::GetUShort(uint16_t& value) { return GetValues(&value, 1); }
RWVirtualInStream& RWBinaryInStream::GetUCharText(unsigned char& value) { return GetValues(&value, 1); }
RWVirtualInStream& RWBinaryInStream::GetShort(int16_t& value) { return GetValues(&value, 1); }
RWVirtualInStream& RWBinaryInStream::GetLong(int32_t& value) { return GetValues(&value, 1); }
RWVirtualInStream& RWBinaryInStream::GetInt(int32_t& value) { return GetValues(&value, 1); }
RWVirtualInStream& RWBinaryInStream::GetFloat(float& value) { return GetValues(&value, 1); }
RWVirtualInStream& RWBinaryInStream::GetDouble(double& value) { return GetValues(&value, 1); }
RWVirtualInStream& RWBinaryInStream::GetCharText(char& value) { return GetValues(&value, 1); }
