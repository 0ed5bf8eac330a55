// PclStream: the PCL 5e generator's buffered output stream. A plain record
// with free functions: bytes collect in one fixed buffer, and each full
// buffer is handed to a flush callback (the generator's output sink), which
// sends it on to the output channel.
#pragma once

#include <cstdint>

struct PclStream;

// The receiver of a full (or explicitly flushed) buffer. When the stream
// calls it because a write needs room, the stream has not rewound itself:
// the callback sends the bytes and rewinds the stream (PclStreamRewind)
// before it returns. A non-zero status means the bytes could not be sent.
class PclStreamCallback {
 public:
  virtual int16_t Flush(PclStream* stream, uint32_t userValue, const uint8_t* data, int32_t length) = 0;

 protected:
  ~PclStreamCallback() = default;
};

struct PclStream {
  uint8_t* buffer;           // owned
  int32_t size;              // capacity in bytes
  int32_t room;              // bytes still free; size when empty
  uint8_t* writePointer;     // buffer + (size - room)
  uint8_t* end;              // buffer + size
  uint32_t total;            // bytes accepted since creation (wraps at 2^32)
  int16_t errorCode;         // 0 while usable; non-zero: nothing more is accepted
  int16_t errorCount;        // failures seen by the stream
  PclStreamCallback* callback;  // not owned
  uint32_t userValue;        // handed back to every callback call
};

// A stream with a buffer of size bytes, or null when size is not positive,
// the callback is missing or memory ran out.
PclStream* PclStreamCreate(int32_t size, PclStreamCallback* callback, uint32_t userValue);
// Frees the buffer and the record without flushing; returns the total.
uint32_t PclStreamDestroy(PclStream* stream);
// Hands the buffered bytes (possibly none) to the callback, then rewinds.
// Returns the callback's status (0 without a stream or a callback).
int16_t PclStreamFlush(PclStream* stream);
// Empties the buffer without sending it: room = size, write pointer = buffer.
void PclStreamRewind(PclStream* stream);
// Appends one byte, handing a full buffer to the callback first.
void PclStreamPutByte(PclStream* stream, uint8_t byte);
// Appends length bytes, handing each full buffer to the callback. A length
// of 0 or less writes nothing. The second form takes the place that holds
// the stream.
void PclStreamWrite(PclStream* stream, const void* data, int32_t length);
void PclStreamWrite(PclStream** holder, const void* data, int32_t length);
// Announces that length bytes follow; the stream needs no preparation.
void PclStreamReserve(PclStream* stream, int32_t length);
