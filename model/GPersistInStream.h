// GPersistInStream: the holder through which stored objects are read, from
// the caller's bytes in memory or from a file. It owns the byte stream and
// the virtual input stream of the chosen format over it.
#pragma once

#include <cstddef>
#include <memory>
#include <streambuf>

#include "rw/RWVirtualStream.h"
#include "rw/RWWString.h"

// The format numbers of both holders: 0 portable text streams, 1 native
// binary streams, 2 byte-order tagged streams (header first). Any other
// number gives a holder without a virtual stream.
class GPersistInStream {
 public:
  // Reads the length bytes at bytes; they are not copied and must outlive
  // the holder.
  GPersistInStream(const void* bytes, size_t length, int format);
  // Reads the file of that name (narrowed under the current code page). A
  // file that cannot be opened gives a failed byte stream: the virtual
  // stream is bad from the start.
  GPersistInStream(const RWWString& fileName, int format);
  // Deletes the virtual stream, then the byte stream (closing a file).
  virtual ~GPersistInStream();

  GPersistInStream(const GPersistInStream&) = delete;
  GPersistInStream& operator=(const GPersistInStream&) = delete;

  // The virtual stream (borrowed), or null for an unknown format.
  virtual RWVirtualInStream* GetStream();
  // The byte stream's read position; -1 when it has none.
  virtual int Tell();
  // Input streams are not repositioned: does nothing.
  virtual void Seek(int position);

 private:
  void MakeStream(int format, bool opened);

  std::unique_ptr<std::streambuf> bytes_;
  std::unique_ptr<RWVirtualInStream> stream_;
};
