#include "rw/RWMemoryStreamBuf.h"

#include <climits>

RWMemoryStreamBuf::RWMemoryStreamBuf(ForReading, const void* bytes, size_t length)
    // The get area is never written through: putback only steps back over
    // the byte that is already there.
    : block_(const_cast<char*>(static_cast<const char*>(bytes))), limit_(bytes ? length : 0), writing_(false) {
  setg(block_, block_, block_ + limit_);
}

RWMemoryStreamBuf::RWMemoryStreamBuf(ForWriting, void* buffer, size_t capacity)
    : block_(static_cast<char*>(buffer)), limit_(buffer ? capacity : 0), writing_(true) {
  setp(block_, block_ + limit_);
}

RWMemoryStreamBuf::~RWMemoryStreamBuf() = default;

size_t RWMemoryStreamBuf::Position() const {
  return writing_ ? static_cast<size_t>(pptr() - pbase()) : static_cast<size_t>(gptr() - eback());
}

size_t RWMemoryStreamBuf::Size() const {
  if (!writing_) return limit_;
  // Only writing advances what the buffer holds: a seek past the data (as
  // when the room is measured by seeking to the end) adds nothing.
  const size_t now = Position();
  return now > seekedTo_ && now > highWater_ ? now : highWater_;
}

void RWMemoryStreamBuf::MoveTo(size_t position) {
  if (!writing_) {
    setg(block_, block_ + position, block_ + limit_);
    return;
  }
  highWater_ = Size();
  seekedTo_ = position;
  setp(block_, block_ + limit_);
  // pbump takes an int; a large block is reached in steps.
  while (position > 0) {
    const size_t step = position > static_cast<size_t>(INT_MAX) ? static_cast<size_t>(INT_MAX) : position;
    pbump(static_cast<int>(step));
    position -= step;
  }
}

RWMemoryStreamBuf::pos_type RWMemoryStreamBuf::seekoff(off_type offset, std::ios_base::seekdir dir,
                                                       std::ios_base::openmode which) {
  const std::ios_base::openmode side = writing_ ? std::ios_base::out : std::ios_base::in;
  if (!(which & side)) return pos_type(off_type(-1));
  off_type base;
  switch (dir) {
    case std::ios_base::beg:
      base = 0;
      break;
    case std::ios_base::cur:
      base = static_cast<off_type>(Position());
      break;
    case std::ios_base::end:
      // The one definition of a memory buffer's end: its length when
      // reading, its capacity when writing.
      base = static_cast<off_type>(limit_);
      break;
    default:
      return pos_type(off_type(-1));
  }
  const off_type room = static_cast<off_type>(limit_);
  if ((offset < 0 && offset < -base) || (offset > 0 && offset > room - base)) return pos_type(off_type(-1));
  const off_type target = base + offset;
  if (target != static_cast<off_type>(Position())) MoveTo(static_cast<size_t>(target));
  return pos_type(target);
}

RWMemoryStreamBuf::pos_type RWMemoryStreamBuf::seekpos(pos_type position, std::ios_base::openmode which) {
  return seekoff(off_type(position), std::ios_base::beg, which);
}

std::streamoff RWStreamBufHeldBytes(std::streambuf* buffer) {
  if (buffer == nullptr) return -1;
  if (auto* memory = dynamic_cast<RWMemoryStreamBuf*>(buffer)) {
    if (memory->IsWriting()) return static_cast<std::streamoff>(memory->Size());
  }
  return std::streamoff(buffer->pubseekoff(0, std::ios_base::end, std::ios_base::out));
}
