#include "model/GByteStream.h"

bool GMemoryByteSource::Read(uint8_t& byte) {
  if (position_ >= length_) return false;
  byte = data_[position_++];
  return true;
}

bool GMemoryByteSink::Write(uint8_t byte) {
  if (failed_ || length_ >= capacity_) {
    failed_ = true;
    return false;
  }
  buffer_[length_++] = byte;
  return true;
}
