#include "pdl/PclStream.h"

#include <cstring>
#include <new>

namespace {

// Records a failure of the callback. The first failure becomes the error
// code, after which the stream accepts nothing more: the bytes it would
// buffer could never be sent.
void NoteCallbackStatus(PclStream* stream, int16_t status) {
  if (status == 0) return;
  if (stream->errorCode == 0) stream->errorCode = status;
  if (stream->errorCount < INT16_MAX) ++stream->errorCount;
}

// The callback is asked to rewind the stream when it is called for room.
// One that did not (or left the record inconsistent) would make the next
// byte land past the buffer or a block write spin forever; the bytes were
// handed over either way, so the stream rewinds itself.
void SettleAfterCallback(PclStream* stream) {
  bool consistent = stream->room > 0 && stream->room <= stream->size &&
                    stream->writePointer == stream->buffer + (stream->size - stream->room);
  if (!consistent) PclStreamRewind(stream);
}

// Called when the buffer is full in the middle of a write.
void HandOnFullBuffer(PclStream* stream) {
  int16_t status = 0;
  if (stream->callback) {
    status = stream->callback->Flush(stream, stream->userValue, stream->buffer, stream->size - stream->room);
  }
  NoteCallbackStatus(stream, status);
  SettleAfterCallback(stream);
}

}  // namespace

PclStream* PclStreamCreate(int32_t size, PclStreamCallback* callback, uint32_t userValue) {
  if (size <= 0 || callback == nullptr) return nullptr;
  auto* stream = new (std::nothrow) PclStream;
  if (!stream) return nullptr;
  stream->buffer = new (std::nothrow) uint8_t[static_cast<size_t>(size)];
  if (!stream->buffer) {
    delete stream;
    return nullptr;
  }
  stream->size = size;
  stream->room = size;
  stream->writePointer = stream->buffer;
  stream->end = stream->buffer + size;
  stream->total = 0;
  stream->errorCode = 0;
  stream->errorCount = 0;
  stream->callback = callback;
  stream->userValue = userValue;
  return stream;
}

uint32_t PclStreamDestroy(PclStream* stream) {
  if (!stream) return 0;
  uint32_t total = stream->total;
  delete[] stream->buffer;
  delete stream;
  return total;
}

void PclStreamRewind(PclStream* stream) {
  if (!stream) return;
  stream->room = stream->size;
  stream->writePointer = stream->buffer;
}

int16_t PclStreamFlush(PclStream* stream) {
  if (!stream || !stream->callback) return 0;
  int16_t status = stream->callback->Flush(stream, stream->userValue, stream->buffer, stream->size - stream->room);
  NoteCallbackStatus(stream, status);
  PclStreamRewind(stream);
  return status;
}

void PclStreamPutByte(PclStream* stream, uint8_t byte) {
  if (!stream || stream->errorCode != 0) return;
  if (stream->room <= 0) {
    HandOnFullBuffer(stream);
    if (stream->errorCode != 0) return;
  }
  *stream->writePointer++ = byte;
  --stream->room;
  ++stream->total;
}

void PclStreamWrite(PclStream* stream, const void* data, int32_t length) {
  if (!stream || !data) return;
  const auto* from = static_cast<const uint8_t*>(data);
  while (length > 0 && stream->errorCode == 0) {
    if (stream->room <= 0) {
      HandOnFullBuffer(stream);
      if (stream->errorCode != 0) return;
    }
    int32_t part = length < stream->room ? length : stream->room;
    std::memcpy(stream->writePointer, from, static_cast<size_t>(part));
    stream->writePointer += part;
    stream->room -= part;
    stream->total += static_cast<uint32_t>(part);
    from += part;
    length -= part;
  }
}

void PclStreamWrite(PclStream** holder, const void* data, int32_t length) {
  if (!holder) return;
  PclStreamWrite(*holder, data, length);
}

void PclStreamReserve(PclStream* stream, int32_t length) {}
