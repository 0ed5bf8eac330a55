// XLStream: the PCL XL generator's stream encoder. A plain record with free
// functions that encode tagged data values, attribute identifiers, operators
// and embedded data in the binary, low-byte-first binding of PCL XL
// (protocol class 2.x) into one output buffer, handing every full buffer to
// the user's sink. It knows nothing of pages, fonts or graphics; the
// operator writers (XLOperators.h) sit on top of it. Nothing throws: a
// failure is stored in the record, and from then on every writer of that
// stream does nothing.
#pragma once

#include <cstdint>
#include <memory>

class GOutputSink;

// Error codes kept in XLStream::error (texts from XLErrorName).
enum : int16_t {
  kXLNoError = 0,
  kXLInitFailed = -1,
  kXLBadOperator = -2,
  kXLBadAttribute = -3,
  kXLOutOfMemory = -4,
  kXLZeroBufferSize = -5,
  kXLOverflow = -6,
  kXLFlushFailed = -7,
  kXLNoSink = -8,
};

struct XLStream {
  uint8_t* buffer;       // owned
  int32_t size;          // capacity in bytes
  int32_t room;          // bytes still free; size when empty
  uint8_t* writePointer;  // buffer + (size - room)
  uint8_t* end;          // buffer + size
  int32_t total;         // bytes written since creation, across flushes
  int16_t error;         // 0 while usable; once set, nothing more is written
  int16_t errorCount;    // failures recorded
  GOutputSink* sink;     // not owned
  uint32_t userValue;    // handed back to every sink call
};

// Stream lifetime. Create gives none when the sink is missing (-8), the size
// is not positive (-5) or memory ran out (-4); the code goes to *error when
// it is given. Destroy frees without flushing and returns the total.
XLStream* XLStreamCreate(int32_t size, GOutputSink* sink, uint32_t userValue, int16_t* error = nullptr);
int32_t XLStreamDestroy(XLStream* stream);
// Hands the buffered bytes (possibly none) to the sink and rewinds.
void XLStreamFlush(XLStream* stream);

// Owns a stream and destroys it (without flushing) when it goes.
struct XLStreamDeleter {
  void operator()(XLStream* stream) const { XLStreamDestroy(stream); }
};
using XLStreamPtr = std::unique_ptr<XLStream, XLStreamDeleter>;

// Codes. An operator or attribute identifier outside the accepted tables
// stores -2 or -3 and writes nothing.
void XLWriteOperator(XLStream* stream, uint32_t code);
void XLWriteAttributeId(XLStream* stream, uint32_t identifier);
bool XLIsAcceptedOperator(uint32_t code);
bool XLIsAcceptedAttribute(uint32_t identifier);
// ") QV-PCL XL;<class>;<revision>;Comment" + the comment bytes + line feed.
void XLWriteStreamHeader(XLStream* stream, uint32_t protocolClass, uint32_t revision, const char* comment,
                         uint32_t commentLength);
const char* XLErrorName(int32_t code);
// Length of a zero-terminated text as a 16-bit count (0 for none).
uint16_t XLStringLength(const char* text);

// Tagged single values, pairs (x first) and boxes (in the order given).
void XLWriteUByte(XLStream* stream, uint8_t value);
void XLWriteUInt16(XLStream* stream, uint16_t value);
void XLWriteSInt16(XLStream* stream, int16_t value);
void XLWriteUInt32(XLStream* stream, uint32_t value);
void XLWriteSInt32(XLStream* stream, int32_t value);
void XLWriteReal32(XLStream* stream, float value);
void XLWriteUByteXY(XLStream* stream, uint8_t x, uint8_t y);
void XLWriteUInt16XY(XLStream* stream, uint16_t x, uint16_t y);
void XLWriteSInt16XY(XLStream* stream, int16_t x, int16_t y);
void XLWriteUInt32XY(XLStream* stream, uint32_t x, uint32_t y);
void XLWriteSInt32XY(XLStream* stream, int32_t x, int32_t y);
void XLWriteReal32XY(XLStream* stream, float x, float y);
void XLWriteUByteBox(XLStream* stream, uint8_t a, uint8_t b, uint8_t c, uint8_t d);
void XLWriteUInt16Box(XLStream* stream, uint16_t a, uint16_t b, uint16_t c, uint16_t d);
void XLWriteSInt16Box(XLStream* stream, int16_t a, int16_t b, int16_t c, int16_t d);
void XLWriteUInt32Box(XLStream* stream, uint32_t a, uint32_t b, uint32_t c, uint32_t d);
void XLWriteSInt32Box(XLStream* stream, int32_t a, int32_t b, int32_t c, int32_t d);
void XLWriteReal32Box(XLStream* stream, float a, float b, float c, float d);

// Tagged arrays: the tag, the element count as a tagged uint16, the
// elements. An array's count field holds at most 65535: a longer array
// cannot be expressed, so it stores -6 and writes nothing rather than a
// count that disagrees with the elements.
void XLWriteUByteArray(XLStream* stream, const uint8_t* values, uint32_t count);
void XLWriteUInt16Array(XLStream* stream, const uint16_t* values, uint32_t count);
void XLWriteSInt16Array(XLStream* stream, const int16_t* values, uint32_t count);
void XLWriteUInt32Array(XLStream* stream, const uint32_t* values, uint32_t count);
void XLWriteSInt32Array(XLStream* stream, const int32_t* values, uint32_t count);
void XLWriteReal32Array(XLStream* stream, const float* values, uint32_t count);
// A ubyte array of the low byte of each 16-bit value.
void XLWriteUByteArrayFrom16(XLStream* stream, const uint16_t* values, uint32_t count);

// Embedded data. The length form picks FB + one byte below 256, else FA +
// four bytes; the long form and the typed writers always use FA. A byte
// length that does not fit 32 bits stores -6.
void XLWriteEmbeddedLength(XLStream* stream, uint32_t length);
void XLWriteEmbeddedLongLength(XLStream* stream, uint32_t length);
void XLWriteEmbeddedBytes(XLStream* stream, const uint8_t* data, uint32_t count);
void XLWriteEmbeddedUInt16(XLStream* stream, const uint16_t* values, uint32_t count);
void XLWriteEmbeddedUInt16BE(XLStream* stream, const uint16_t* values, uint32_t count);
void XLWriteEmbeddedUInt32(XLStream* stream, const uint32_t* values, uint32_t count);
void XLWriteEmbeddedUInt32BE(XLStream* stream, const uint32_t* values, uint32_t count);
void XLWriteEmbeddedReal32(XLStream* stream, const float* values, uint32_t count);
void XLWriteEmbeddedReal32BE(XLStream* stream, const float* values, uint32_t count);

// Raw values, no tag, low byte first unless named BE.
void XLWriteRawByte(XLStream* stream, uint8_t value);
void XLWriteRawUInt16(XLStream* stream, uint16_t value);
void XLWriteRawUInt16BE(XLStream* stream, uint16_t value);
void XLWriteRawUInt32(XLStream* stream, uint32_t value);
void XLWriteRawUInt32BE(XLStream* stream, uint32_t value);
void XLWriteRawReal32(XLStream* stream, float value);
void XLWriteRawReal32BE(XLStream* stream, float value);
void XLWriteRawBytes(XLStream* stream, const uint8_t* data, uint32_t count);
void XLWriteRawBytesFrom16(XLStream* stream, const uint16_t* values, uint32_t count);
void XLWriteRawUInt16Array(XLStream* stream, const uint16_t* values, uint32_t count);
void XLWriteRawUInt16ArrayBE(XLStream* stream, const uint16_t* values, uint32_t count);
void XLWriteRawUInt32Array(XLStream* stream, const uint32_t* values, uint32_t count);
void XLWriteRawUInt32ArrayBE(XLStream* stream, const uint32_t* values, uint32_t count);
void XLWriteRawReal32Array(XLStream* stream, const float* values, uint32_t count);
void XLWriteRawReal32ArrayBE(XLStream* stream, const float* values, uint32_t count);

// Run-length coding of raster data (PackBits runs of at most 127 bytes: a
// literal run of n bytes is n - 1 and the bytes, a repeat of n equal bytes
// is 1 - n and the byte), the decoded data padded with zero bytes to a
// multiple of 4. Size gives the encoded size, padding included, without
// writing. Write writes the runs as raw bytes and gives their size in
// *size; with a limit other than 0 it stops before a run once the size has
// reached the limit, and *size is then 0 (the caller sends the data
// another way). The padding run is not held to the limit.
void XLRunLengthSize(const uint8_t* data, uint32_t length, uint32_t* size);
void XLWriteRunLength(XLStream* stream, uint32_t limit, const uint8_t* data, uint32_t length, uint32_t* size);
