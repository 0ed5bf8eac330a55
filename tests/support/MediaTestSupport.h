// Hand-made file forms for the media, tray and colour attribute tests:
// little-endian values, attribute bodies and stored texts.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "support/ModelRoundTrip.h"

namespace qvtest {

// Little-endian bytes of a file form, as StoredBytes, with texts.
class MediaBytes {
 public:
  MediaBytes& U16(uint16_t v) {
    Put(v, 2);
    return *this;
  }
  MediaBytes& U32(uint32_t v) {
    Put(v, 4);
    return *this;
  }
  MediaBytes& Marker() { return U32(0x8888); }
  MediaBytes& Ref(uint32_t index) { return U16(0xFFFF).U32(index); }
  // The persistent base body.
  MediaBytes& Base(int32_t id, uint32_t serial) { return U32(1).U32(static_cast<uint32_t>(id)).U32(serial); }
  // The persistent base and attribute bodies.
  MediaBytes& Attribute(int32_t id, uint32_t serial, int32_t changed = 1) {
    return Base(id, serial).U32(1).U32(static_cast<uint32_t>(changed));
  }
  // A stored string: length, then the characters.
  MediaBytes& Text(const char* text) {
    U32(static_cast<uint32_t>(std::strlen(text)));
    bytes_.append(text);
    return *this;
  }
  MediaBytes& Raw(const std::string& bytes) {
    bytes_ += bytes;
    return *this;
  }
  const std::string& Bytes() const { return bytes_; }

 private:
  void Put(uint32_t v, int n) {
    for (int i = 0; i < n; ++i) bytes_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  }
  std::string bytes_;
};

}  // namespace qvtest
