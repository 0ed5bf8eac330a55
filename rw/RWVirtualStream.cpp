#include "rw/RWVirtualStream.h"

#include <cstring>

RWStreamState::~RWStreamState() = default;

bool RWStreamState::Eof() const { return (ReadState() & RW_STREAM_EOF) != 0; }
bool RWStreamState::Fail() const { return (ReadState() & (RW_STREAM_FAIL | RW_STREAM_BAD)) != 0; }
bool RWStreamState::Bad() const { return (ReadState() & RW_STREAM_BAD) != 0; }
bool RWStreamState::Good() const { return ReadState() == 0; }

RWVirtualOutStream& RWVirtualOutStream::PutCString(const char* text) {
  return PutString(text, static_cast<unsigned>(std::strlen(text)));
}

namespace {

bool ComputeHostBigEndian() {
  const uint32_t one = 1;
  unsigned char first;
  std::memcpy(&first, &one, 1);
  return first == 0;
}

}  // namespace

bool RWHostIsBigEndian() {
  static const bool big = ComputeHostBigEndian();
  return big;
}

int32_t RWStreamBitsFromIos(std::ios_base::iostate state) {
  int32_t bits = 0;
  if (state & std::ios_base::eofbit) bits |= RW_STREAM_EOF;
  if (state & std::ios_base::failbit) bits |= RW_STREAM_FAIL;
  if (state & std::ios_base::badbit) bits |= RW_STREAM_BAD;
  return bits;
}

std::ios_base::iostate RWIosFromStreamBits(int32_t bits) {
  std::ios_base::iostate state = std::ios_base::goodbit;
  if (bits & RW_STREAM_EOF) state |= std::ios_base::eofbit;
  if (bits & RW_STREAM_FAIL) state |= std::ios_base::failbit;
  if (bits & RW_STREAM_BAD) state |= std::ios_base::badbit;
  return state;
}
