#include "model/GPersistInStream.h"

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

GPersistInStream::GPersistInStream(const void* bytes, size_t length, int format)
    : bytes_(std::make_unique<RWMemoryStreamBuf>(RWMemoryStreamBuf::ForReading{}, bytes, length)) {
  MakeStream(format, true);
}

GPersistInStream::GPersistInStream(const RWWString& fileName, int format) {
  RWCString narrow;
  ToNarrowString(fileName, narrow);
  bool opened = false;
  bytes_ = GStdioFileBuf::Open(narrow.Data(), "rb", std::ios_base::in, &opened);
  MakeStream(format, opened);
}

GPersistInStream::~GPersistInStream() {
  stream_.reset();
  bytes_.reset();
}

void GPersistInStream::MakeStream(int format, bool opened) {
  // A byte stream that could not be opened is handed over as none, which
  // gives a virtual stream that is bad from the start.
  std::streambuf* buffer = opened ? bytes_.get() : nullptr;
  switch (format) {
    case 0:
      stream_ = std::make_unique<RWPortableInStream>(buffer);
      break;
    case 1:
      stream_ = std::make_unique<RWBinaryInStream>(buffer);
      break;
    case 2: {
      // The reader takes its header at once; a missing or damaged header
      // (outside input) leaves the stream failed rather than ending the
      // process through the error handler.
      RWQuietErrorScope quiet;
      stream_ = std::make_unique<RWEndianInStream>(buffer);
      break;
    }
    default:
      break;
  }
}

RWVirtualInStream* GPersistInStream::GetStream() { return stream_.get(); }

int GPersistInStream::Tell() {
  const std::streamoff position = bytes_->pubseekoff(0, std::ios_base::cur, std::ios_base::in);
  return position < 0 || position > INT_MAX ? -1 : static_cast<int>(position);
}

void GPersistInStream::Seek(int) {}
