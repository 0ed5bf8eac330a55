// GPersistOutStream: the holder through which stored objects are written,
// into a caller's buffer of fixed capacity or into a file. It owns the byte
// stream and the virtual output stream of the chosen format over it. The
// formats are those of GPersistInStream: 0 portable text, 1 native binary,
// 2 byte-order tagged; any other number gives no virtual stream.
#pragma once

#include <cstddef>
#include <memory>
#include <streambuf>

#include "rw/RWVirtualStream.h"
#include "rw/RWWString.h"

class GPersistOutStream {
 public:
  // Writes into the capacity bytes at buffer, from its start. A write beyond
  // the capacity writes nothing and leaves the virtual stream failed.
  GPersistOutStream(void* buffer, size_t capacity, int format);
  // Creates or truncates the file of that name (narrowed under the current
  // code page), with protection 0644. A file that cannot be created gives a
  // failed byte stream: the virtual stream is bad from the start.
  GPersistOutStream(const RWWString& fileName, int format);
  // Deletes the virtual stream, then the byte stream (closing a file).
  virtual ~GPersistOutStream();

  GPersistOutStream(const GPersistOutStream&) = delete;
  GPersistOutStream& operator=(const GPersistOutStream&) = delete;

  // The virtual stream (borrowed), or null for an unknown format. A format-2
  // stream has already written its byte-order header.
  virtual RWVirtualOutStream* GetStream();
  // The byte stream's write position: the bytes written from the start, or
  // the place a Seek moved to; -1 when it has none.
  virtual int Tell();
  // Moves the write position (to patch bytes written earlier). A position
  // outside the stream leaves it where it was.
  virtual void Seek(int position);

 private:
  void MakeStream(int format, bool opened);

  std::unique_ptr<std::streambuf> bytes_;
  std::unique_ptr<RWVirtualOutStream> stream_;
};
