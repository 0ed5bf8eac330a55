#include "model/GPersistOutStream.h"

#include <climits>
#include <string>

#include "model/GStdioFileBuf.h"
#include "model/GStringConversion.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWCString.h"
#include "rw/RWEndianStream.h"
#include "rw/RWError.h"
#include "rw/RWMemoryStreamBuf.h"
#include "rw/RWPortableStream.h"

GPersistOutStream::GPersistOutStream(void* buffer, size_t capacity, int format)
    : bytes_(std::make_unique<RWMemoryStreamBuf>(RWMemoryStreamBuf::ForWriting{}, buffer, capacity)) {
  MakeStream(format, true);
}

GPersistOutStream::GPersistOutStream(const RWWString& fileName, int format) {
  RWCString narrow;
  ToNarrowString(fileName, narrow);
  // Created with protection 0644 (less the process's umask), or truncated.
  bool opened = false;
  bytes_ = GStdioFileBuf::Open(narrow.Data(), "wb", std::ios_base::out | std::ios_base::trunc, &opened);
  MakeStream(format, opened);
}

GPersistOutStream::~GPersistOutStream() {
  stream_.reset();
  bytes_.reset();
}

void GPersistOutStream::MakeStream(int format, bool opened) {
  // A byte stream that could not be opened is handed over as none, which
  // gives a virtual stream that is bad from the start.
  std::streambuf* buffer = opened ? bytes_.get() : nullptr;
  switch (format) {
    case 0:
      stream_ = std::make_unique<RWPortableOutStream>(buffer);
      break;
    case 1:
      stream_ = std::make_unique<RWBinaryOutStream>(buffer);
      break;
    case 2: {
      // In the host's own order; the header goes out at once. A target that
      // cannot take it leaves the stream failed rather than ending the
      // process through the error handler.
      RWQuietErrorScope quiet;
      stream_ = std::make_unique<RWEndianOutStream>(buffer, RWEndianOutStream::HostOrder);
      break;
    }
    default:
      break;
  }
}

RWVirtualOutStream* GPersistOutStream::GetStream() { return stream_.get(); }

int GPersistOutStream::Tell() {
  const std::streamoff position = bytes_->pubseekoff(0, std::ios_base::cur, std::ios_base::out);
  return position < 0 || position > INT_MAX ? -1 : static_cast<int>(position);
}

void GPersistOutStream::Seek(int position) {
  if (position < 0) return;
  bytes_->pubseekpos(position, std::ios_base::out);
}
