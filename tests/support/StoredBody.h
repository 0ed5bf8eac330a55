// Little-endian file-form bytes for hand-made stored bodies in the model's
// tests: typed values, the library's string form, and whole object frames.
#pragma once

#include <cstdint>
#include <string>

#include "support/ModelRoundTrip.h"

namespace qvtest {

class StoredBody {
 public:
  StoredBody& U16(uint16_t v) { return Raw(StoredBytes().U16(v).Bytes()); }
  StoredBody& U32(uint32_t v) { return Raw(StoredBytes().U32(v).Bytes()); }
  StoredBody& I32(int32_t v) { return U32(static_cast<uint32_t>(v)); }
  // The narrow string's stored form: length, then the bytes.
  StoredBody& Str(const std::string& s) {
    U32(static_cast<uint32_t>(s.size()));
    return Raw(s);
  }
  // The outermost marker and a class tag.
  StoredBody& Top(uint16_t classId) { return U32(0x8888).U16(classId); }
  // The persistent base body: version 1, id, serial.
  StoredBody& Base(int32_t id, uint32_t serial) { return U32(1).I32(id).U32(serial); }
  // The attribute body: the persistent base, version 1, changed flag.
  StoredBody& Attribute(int32_t id, uint32_t serial, int32_t changed) {
    return Base(id, serial).U32(1).I32(changed);
  }
  // A back reference (index 0 is the null object).
  StoredBody& Ref(uint32_t index) { return U16(0xFFFF).U32(index); }
  StoredBody& Raw(const std::string& bytes) {
    bytes_ += bytes;
    return *this;
  }
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

}  // namespace qvtest
