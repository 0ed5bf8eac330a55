#include "pdl/XLStream.h"

#include <array>
#include <cstring>
#include <new>
#include <string>
#include <type_traits>

#include "pdl/GOutputSink.h"

namespace {

// Data type tags of the binding.
enum : uint8_t {
  kTagUByte = 0xC0,
  kTagUInt16 = 0xC1,
  kTagUInt32 = 0xC2,
  kTagSInt16 = 0xC3,
  kTagSInt32 = 0xC4,
  kTagReal32 = 0xC5,
  kTagUByteArray = 0xC8,
  kTagUInt16Array = 0xC9,
  kTagUInt32Array = 0xCA,
  kTagSInt16Array = 0xCB,
  kTagSInt32Array = 0xCC,
  kTagReal32Array = 0xCD,
  kTagUByteXY = 0xD0,
  kTagUInt16XY = 0xD1,
  kTagUInt32XY = 0xD2,
  kTagSInt16XY = 0xD3,
  kTagSInt32XY = 0xD4,
  kTagReal32XY = 0xD5,
  kTagUByteBox = 0xE0,
  kTagUInt16Box = 0xE1,
  kTagUInt32Box = 0xE2,
  kTagSInt16Box = 0xE3,
  kTagSInt32Box = 0xE4,
  kTagReal32Box = 0xE5,
  kAttributePrefix = 0xF8,
  kEmbeddedLong = 0xFA,
  kEmbeddedShort = 0xFB,
};

constexpr uint32_t kMaxArrayCount = 0xFFFF;

struct TagCodeRange {
  uint8_t first, last;
};

// The accepted codes; every accepted code is written as itself.
constexpr TagCodeRange kOperators[] = {{0x41, 0x44}, {0x46, 0x4C}, {0x4F, 0x56}, {0x58, 0x58}, {0x5B, 0x82},
                                    {0x84, 0x86}, {0x91, 0x99}, {0x9B, 0x9B}, {0x9D, 0xA3}, {0xA8, 0xAA},
                                    {0xB0, 0xB6}, {0xB8, 0xB9}, {0xBF, 0xBF}};
constexpr TagCodeRange kAttributes[] = {{0x01, 0x2D}, {0x2F, 0x36}, {0x41, 0x54}, {0x61, 0x69}, {0x6B, 0x73},
                                     {0x78, 0x78}, {0x81, 0x82}, {0x86, 0x86}, {0x88, 0x8D}, {0x8F, 0x8F},
                                     {0x91, 0xAD}, {0xAF, 0xB1}};

template <size_t N>
constexpr std::array<uint8_t, 256> MakeTable(const TagCodeRange (&ranges)[N]) {
  std::array<uint8_t, 256> table{};
  for (const TagCodeRange& range : ranges)
    for (unsigned code = range.first; code <= range.last; ++code) table[code] = static_cast<uint8_t>(code);
  return table;
}

constexpr std::array<uint8_t, 256> kOperatorTable = MakeTable(kOperators);
constexpr std::array<uint8_t, 256> kAttributeTable = MakeTable(kAttributes);

void Rewind(XLStream* s) {
  s->room = s->size;
  s->writePointer = s->buffer;
}

// Hands the buffered bytes to the sink. The sink is asked to rewind the
// stream; the stream rewinds itself as well, so a sink that did not can
// never make a write land past the buffer.
void HandOn(XLStream* s) {
  if (s->sink != nullptr) s->sink->Flush(s, s->userValue, s->buffer, s->size - s->room);
  Rewind(s);
}

void Advance(XLStream* s, int32_t n) {
  s->writePointer += n;
  s->room -= n;
  s->total = static_cast<int32_t>(static_cast<uint32_t>(s->total) + static_cast<uint32_t>(n));
}

void Fail(XLStream* s, int16_t code) {
  s->error = code;
  if (s->errorCount < INT16_MAX) ++s->errorCount;
}

bool Usable(const XLStream* s) { return s != nullptr && s->error == 0; }

// Bytes in pieces of whatever room there is.
void PutChunked(XLStream* s, const uint8_t* data, uint32_t count) {
  while (count > 0) {
    if (s->room <= 0) HandOn(s);
    const uint32_t part = count < static_cast<uint32_t>(s->room) ? count : static_cast<uint32_t>(s->room);
    std::memcpy(s->writePointer, data, part);
    Advance(s, static_cast<int32_t>(part));
    data += part;
    count -= part;
  }
}

// One item (a tag, a code or a payload) kept whole in one buffer: the
// buffer is handed on first when the item does not fit in the room left.
// An item larger than the whole buffer (only with a tiny buffer) goes in
// pieces rather than past the buffer's end.
void PutItem(XLStream* s, const uint8_t* data, uint32_t n) {
  if (!Usable(s) || n == 0) return;
  if (n > static_cast<uint32_t>(s->size)) {
    PutChunked(s, data, n);
    return;
  }
  if (s->room < static_cast<int32_t>(n)) HandOn(s);
  std::memcpy(s->writePointer, data, n);
  Advance(s, static_cast<int32_t>(n));
}

void PutByte(XLStream* s, uint8_t byte) { PutItem(s, &byte, 1); }

// Byte orders.
template <class T>
uint32_t Bits(T value) {
  if constexpr (sizeof(T) == 4) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return bits;
  } else {
    return static_cast<uint32_t>(static_cast<std::make_unsigned_t<T>>(value));
  }
}

template <class T>
void Encode(T value, bool bigEndian, uint8_t* out) {
  const uint32_t bits = Bits(value);
  for (size_t i = 0; i < sizeof(T); ++i) {
    const size_t shift = 8 * (bigEndian ? sizeof(T) - 1 - i : i);
    out[i] = static_cast<uint8_t>(bits >> shift);
  }
}

template <class T>
void PutValue(XLStream* s, T value, bool bigEndian = false) {
  uint8_t bytes[sizeof(T)];
  Encode(value, bigEndian, bytes);
  PutItem(s, bytes, sizeof(T));
}

// Several values of one type as one payload item (a pair or a box).
template <class T, size_t N>
void PutValues(XLStream* s, const T (&values)[N]) {
  uint8_t bytes[sizeof(T) * N];
  for (size_t i = 0; i < N; ++i) Encode(values[i], false, bytes + i * sizeof(T));
  PutItem(s, bytes, sizeof bytes);
}

// An array of elements. Little-endian integer arrays go in chunks of as
// many whole elements as fit in the room left. Real32 and big-endian arrays
// are kept in one buffer when they fit in one; a longer one goes in chunks
// of whole elements the same way instead of past the buffer's end.
template <class T>
void PutArray(XLStream* s, const T* values, uint32_t count, bool bigEndian) {
  if (!Usable(s) || count == 0 || values == nullptr) return;
  constexpr uint32_t kSize = sizeof(T);
  const bool whole = bigEndian || std::is_floating_point_v<T>;
  const uint64_t bytes = static_cast<uint64_t>(count) * kSize;
  if (whole && bytes <= static_cast<uint64_t>(s->size) && s->room < static_cast<int32_t>(bytes)) HandOn(s);
  if (kSize > static_cast<uint32_t>(s->size)) {
    for (uint32_t i = 0; i < count; ++i) PutValue(s, values[i], bigEndian);
    return;
  }
  uint32_t done = 0;
  while (done < count) {
    if (s->room < static_cast<int32_t>(kSize)) HandOn(s);
    uint32_t part = static_cast<uint32_t>(s->room) / kSize;
    if (part > count - done) part = count - done;
    for (uint32_t i = 0; i < part; ++i) Encode(values[done + i], bigEndian, s->writePointer + i * kSize);
    Advance(s, static_cast<int32_t>(part * kSize));
    done += part;
  }
}

// The count of a tagged array, refusing one the count field cannot hold.
bool PutArrayHead(XLStream* s, uint8_t tag, uint32_t count) {
  if (!Usable(s)) return false;
  if (count > kMaxArrayCount) {
    Fail(s, kXLOverflow);
    return false;
  }
  PutByte(s, tag);
  XLWriteUInt16(s, static_cast<uint16_t>(count));
  return Usable(s);
}

template <class T>
void TaggedArray(XLStream* s, uint8_t tag, const T* values, uint32_t count) {
  if (values == nullptr) count = 0;
  if (PutArrayHead(s, tag, count)) PutArray(s, values, count, false);
}

template <class T>
void Tagged(XLStream* s, uint8_t tag, T value) {
  PutByte(s, tag);
  PutValue(s, value);
}

template <class T>
void TaggedXY(XLStream* s, uint8_t tag, T x, T y) {
  PutByte(s, tag);
  const T values[2] = {x, y};
  PutValues(s, values);
}

template <class T>
void TaggedBox(XLStream* s, uint8_t tag, T a, T b, T c, T d) {
  PutByte(s, tag);
  const T values[4] = {a, b, c, d};
  PutValues(s, values);
}

// Embedded data of count elements: FA, the byte length, the elements.
template <class T>
void Embedded(XLStream* s, const T* values, uint32_t count, bool bigEndian) {
  if (!Usable(s)) return;
  if (values == nullptr) count = 0;  // the length always matches what follows
  const uint64_t length = static_cast<uint64_t>(count) * sizeof(T);
  if (length > UINT32_MAX) {
    Fail(s, kXLOverflow);
    return;
  }
  XLWriteEmbeddedLongLength(s, static_cast<uint32_t>(length));
  PutArray(s, values, count, bigEndian);
}

// The low byte of each 16-bit value.
void PutLowBytes(XLStream* s, const uint16_t* values, uint32_t count) {
  if (values == nullptr) return;
  for (uint32_t i = 0; i < count && Usable(s); ++i) PutByte(s, static_cast<uint8_t>(values[i]));
}

}  // namespace

XLStream* XLStreamCreate(int32_t size, GOutputSink* sink, uint32_t userValue, int16_t* error) {
  auto fail = [&](int16_t code) -> XLStream* {
    if (error != nullptr) *error = code;
    return nullptr;
  };
  if (sink == nullptr) return fail(kXLNoSink);
  if (size <= 0) return fail(kXLZeroBufferSize);
  auto* stream = new (std::nothrow) XLStream;
  if (stream == nullptr) return fail(kXLOutOfMemory);
  stream->buffer = new (std::nothrow) uint8_t[static_cast<size_t>(size)];
  if (stream->buffer == nullptr) {
    delete stream;
    return fail(kXLOutOfMemory);
  }
  stream->size = size;
  stream->room = size;
  stream->writePointer = stream->buffer;
  stream->end = stream->buffer + size;
  stream->total = 0;
  stream->error = 0;
  stream->errorCount = 0;
  stream->sink = sink;
  stream->userValue = userValue;
  if (error != nullptr) *error = kXLNoError;
  return stream;
}

int32_t XLStreamDestroy(XLStream* stream) {
  if (stream == nullptr) return 0;
  const int32_t total = stream->total;
  delete[] stream->buffer;
  delete stream;
  return total;
}

void XLStreamFlush(XLStream* stream) {
  if (stream == nullptr || stream->sink == nullptr) return;
  HandOn(stream);
}

bool XLIsAcceptedOperator(uint32_t code) { return code < 256 && kOperatorTable[code] != 0; }
bool XLIsAcceptedAttribute(uint32_t identifier) { return identifier < 256 && kAttributeTable[identifier] != 0; }

void XLWriteOperator(XLStream* stream, uint32_t code) {
  if (stream == nullptr) return;
  if (!XLIsAcceptedOperator(code)) {
    Fail(stream, kXLBadOperator);
    return;
  }
  PutByte(stream, kOperatorTable[code]);
}

void XLWriteAttributeId(XLStream* stream, uint32_t identifier) {
  if (stream == nullptr) return;
  if (!XLIsAcceptedAttribute(identifier)) {
    Fail(stream, kXLBadAttribute);
    return;
  }
  PutByte(stream, kAttributePrefix);
  PutByte(stream, kAttributeTable[identifier]);
}

void XLWriteStreamHeader(XLStream* stream, uint32_t protocolClass, uint32_t revision, const char* comment,
                         uint32_t commentLength) {
  if (!Usable(stream)) return;
  static constexpr char kName[] = ") QV-PCL XL";
  const std::string numbers = ";" + std::to_string(protocolClass & 0xFFFF) + ";" +
                              std::to_string(revision & 0xFFFF) + ";Comment";
  PutChunked(stream, reinterpret_cast<const uint8_t*>(kName), sizeof kName - 1);
  PutChunked(stream, reinterpret_cast<const uint8_t*>(numbers.data()), static_cast<uint32_t>(numbers.size()));
  if (comment != nullptr) PutChunked(stream, reinterpret_cast<const uint8_t*>(comment), commentLength);
  PutByte(stream, 0x0A);
}

const char* XLErrorName(int32_t code) {
  switch (code) {
    case kXLNoError: return "XL Library: No Errors Detected";
    case kXLInitFailed: return "XL Library: Initialization Failed";
    case kXLBadOperator: return "XL Library: Operator Number Undefined";
    case kXLOutOfMemory: return "XL Library: Out of Memory";
    case kXLZeroBufferSize: return "XL Library: A Stream Buffer Size of Zero Was Requested";
    case kXLOverflow: return "XL Library: Stream Output Buffer Overflowed";
    case kXLFlushFailed: return "XL Library: Attempt to Flush Output Buffer Failed";
    default: return "XL Library: Number of Error Reported is Undefined";
  }
}

uint16_t XLStringLength(const char* text) {
  return text != nullptr ? static_cast<uint16_t>(std::strlen(text)) : 0;
}

void XLWriteUByte(XLStream* s, uint8_t v) { Tagged(s, kTagUByte, v); }
void XLWriteUInt16(XLStream* s, uint16_t v) { Tagged(s, kTagUInt16, v); }
void XLWriteSInt16(XLStream* s, int16_t v) { Tagged(s, kTagSInt16, v); }
void XLWriteUInt32(XLStream* s, uint32_t v) { Tagged(s, kTagUInt32, v); }
void XLWriteSInt32(XLStream* s, int32_t v) { Tagged(s, kTagSInt32, v); }
void XLWriteReal32(XLStream* s, float v) { Tagged(s, kTagReal32, v); }

void XLWriteUByteXY(XLStream* s, uint8_t x, uint8_t y) { TaggedXY(s, kTagUByteXY, x, y); }
void XLWriteUInt16XY(XLStream* s, uint16_t x, uint16_t y) { TaggedXY(s, kTagUInt16XY, x, y); }
void XLWriteSInt16XY(XLStream* s, int16_t x, int16_t y) { TaggedXY(s, kTagSInt16XY, x, y); }
void XLWriteUInt32XY(XLStream* s, uint32_t x, uint32_t y) { TaggedXY(s, kTagUInt32XY, x, y); }
void XLWriteSInt32XY(XLStream* s, int32_t x, int32_t y) { TaggedXY(s, kTagSInt32XY, x, y); }
void XLWriteReal32XY(XLStream* s, float x, float y) { TaggedXY(s, kTagReal32XY, x, y); }

void XLWriteUByteBox(XLStream* s, uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
  TaggedBox(s, kTagUByteBox, a, b, c, d);
}
void XLWriteUInt16Box(XLStream* s, uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
  TaggedBox(s, kTagUInt16Box, a, b, c, d);
}
void XLWriteSInt16Box(XLStream* s, int16_t a, int16_t b, int16_t c, int16_t d) {
  TaggedBox(s, kTagSInt16Box, a, b, c, d);
}
void XLWriteUInt32Box(XLStream* s, uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
  TaggedBox(s, kTagUInt32Box, a, b, c, d);
}
void XLWriteSInt32Box(XLStream* s, int32_t a, int32_t b, int32_t c, int32_t d) {
  TaggedBox(s, kTagSInt32Box, a, b, c, d);
}
void XLWriteReal32Box(XLStream* s, float a, float b, float c, float d) { TaggedBox(s, kTagReal32Box, a, b, c, d); }

void XLWriteUByteArray(XLStream* s, const uint8_t* v, uint32_t n) { TaggedArray(s, kTagUByteArray, v, n); }
void XLWriteUInt16Array(XLStream* s, const uint16_t* v, uint32_t n) { TaggedArray(s, kTagUInt16Array, v, n); }
void XLWriteSInt16Array(XLStream* s, const int16_t* v, uint32_t n) { TaggedArray(s, kTagSInt16Array, v, n); }
void XLWriteUInt32Array(XLStream* s, const uint32_t* v, uint32_t n) { TaggedArray(s, kTagUInt32Array, v, n); }
void XLWriteSInt32Array(XLStream* s, const int32_t* v, uint32_t n) { TaggedArray(s, kTagSInt32Array, v, n); }
void XLWriteReal32Array(XLStream* s, const float* v, uint32_t n) { TaggedArray(s, kTagReal32Array, v, n); }

void XLWriteUByteArrayFrom16(XLStream* s, const uint16_t* v, uint32_t n) {
  if (v == nullptr) n = 0;
  if (PutArrayHead(s, kTagUByteArray, n)) PutLowBytes(s, v, n);
}

void XLWriteEmbeddedLength(XLStream* s, uint32_t length) {
  if (length < 256) {
    PutByte(s, kEmbeddedShort);
    PutByte(s, static_cast<uint8_t>(length));
  } else {
    XLWriteEmbeddedLongLength(s, length);
  }
}

void XLWriteEmbeddedLongLength(XLStream* s, uint32_t length) {
  PutByte(s, kEmbeddedLong);
  PutValue(s, length);
}

void XLWriteEmbeddedBytes(XLStream* s, const uint8_t* d, uint32_t n) { Embedded(s, d, n, false); }
void XLWriteEmbeddedUInt16(XLStream* s, const uint16_t* v, uint32_t n) { Embedded(s, v, n, false); }
void XLWriteEmbeddedUInt16BE(XLStream* s, const uint16_t* v, uint32_t n) { Embedded(s, v, n, true); }
void XLWriteEmbeddedUInt32(XLStream* s, const uint32_t* v, uint32_t n) { Embedded(s, v, n, false); }
void XLWriteEmbeddedUInt32BE(XLStream* s, const uint32_t* v, uint32_t n) { Embedded(s, v, n, true); }
void XLWriteEmbeddedReal32(XLStream* s, const float* v, uint32_t n) { Embedded(s, v, n, false); }
void XLWriteEmbeddedReal32BE(XLStream* s, const float* v, uint32_t n) { Embedded(s, v, n, true); }

void XLWriteRawByte(XLStream* s, uint8_t v) { PutByte(s, v); }
void XLWriteRawUInt16(XLStream* s, uint16_t v) { PutValue(s, v); }
void XLWriteRawUInt16BE(XLStream* s, uint16_t v) { PutValue(s, v, true); }
void XLWriteRawUInt32(XLStream* s, uint32_t v) { PutValue(s, v); }
void XLWriteRawUInt32BE(XLStream* s, uint32_t v) { PutValue(s, v, true); }
void XLWriteRawReal32(XLStream* s, float v) { PutValue(s, v); }
void XLWriteRawReal32BE(XLStream* s, float v) { PutValue(s, v, true); }
void XLWriteRawBytes(XLStream* s, const uint8_t* d, uint32_t n) { PutArray(s, d, n, false); }
void XLWriteRawBytesFrom16(XLStream* s, const uint16_t* v, uint32_t n) { PutLowBytes(s, v, n); }
void XLWriteRawUInt16Array(XLStream* s, const uint16_t* v, uint32_t n) { PutArray(s, v, n, false); }
void XLWriteRawUInt16ArrayBE(XLStream* s, const uint16_t* v, uint32_t n) { PutArray(s, v, n, true); }
void XLWriteRawUInt32Array(XLStream* s, const uint32_t* v, uint32_t n) { PutArray(s, v, n, false); }
void XLWriteRawUInt32ArrayBE(XLStream* s, const uint32_t* v, uint32_t n) { PutArray(s, v, n, true); }
void XLWriteRawReal32Array(XLStream* s, const float* v, uint32_t n) { PutArray(s, v, n, false); }
void XLWriteRawReal32ArrayBE(XLStream* s, const float* v, uint32_t n) { PutArray(s, v, n, true); }

// ---- Run-length coding ----

namespace {

constexpr uint32_t kMaxRun = 127;

// Calls emit(control byte, first data byte, data byte count) for each run
// of the data and then for the padding; emit answers false to stop (the
// padding is then left out too).
template <typename Emit>
void ForEachRun(const uint8_t* data, uint32_t length, Emit emit) {
  if (data == nullptr) length = 0;
  uint32_t i = 0;
  while (i < length) {
    if (i + 1 < length && data[i] == data[i + 1]) {
      uint32_t run = 2;
      while (i + run < length && run < kMaxRun && data[i + run] == data[i]) ++run;
      if (!emit(static_cast<uint8_t>(1 - static_cast<int32_t>(run)), data + i, 1u)) return;
      i += run;
      continue;
    }
    uint32_t end = i + 1;
    while (end < length && end - i < kMaxRun && !(end + 1 < length && data[end] == data[end + 1])) ++end;
    if (!emit(static_cast<uint8_t>(end - i - 1), data + i, end - i)) return;
    i = end;
  }
  const uint32_t padding = (4 - length % 4) % 4;
  static const uint8_t kZero = 0;
  if (padding == 1) {
    emit(0, &kZero, 1);
  } else if (padding > 1) {
    emit(static_cast<uint8_t>(1 - static_cast<int32_t>(padding)), &kZero, 1);
  }
}

}  // namespace

void XLRunLengthSize(const uint8_t* data, uint32_t length, uint32_t* size) {
  uint32_t total = 0;
  ForEachRun(data, length, [&total](uint8_t, const uint8_t*, uint32_t bytes) {
    total += 1 + bytes;
    return true;
  });
  if (size != nullptr) *size = total;
}

void XLWriteRunLength(XLStream* stream, uint32_t limit, const uint8_t* data, uint32_t length, uint32_t* size) {
  if (data == nullptr) length = 0;
  uint32_t total = 0;
  bool stopped = false;
  const uint32_t padding = (4 - length % 4) % 4;
  uint32_t dataLeft = length;
  ForEachRun(data, length, [&](uint8_t control, const uint8_t* bytes, uint32_t count) {
    // The padding run comes after all the data and is not held to the limit.
    const bool isPadding = dataLeft == 0 && padding != 0;
    if (!isPadding && limit != 0 && total >= limit) {
      stopped = true;
      return false;
    }
    XLWriteRawByte(stream, control);
    XLWriteRawBytes(stream, bytes, count);
    total += 1 + count;
    if (!isPadding) dataLeft -= control >= 0x80 ? static_cast<uint32_t>(1 - static_cast<int8_t>(control)) : count;
    return true;
  });
  if (size != nullptr) *size = stopped ? 0 : total;
}
