// Helpers of the PCL XL encoder tests: a sink that collects what a stream
// hands on, a stream over it, and hex texts for readable comparisons.
#pragma once

#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "pdl/GOutputSink.h"
#include "pdl/XLStream.h"

namespace qvtest {

// Collects every buffer the stream hands on and, as the generator's sink
// does, rewinds the stream (unless told not to).
class CollectingSink : public GOutputSink {
 public:
  int16_t Flush(void* stream, uint32_t userValue, const uint8_t* data, int32_t length) override {
    bytes.append(reinterpret_cast<const char*>(data), static_cast<size_t>(length));
    flushes.push_back(length);
    users.push_back(userValue);
    if (rewind) {
      auto* s = static_cast<XLStream*>(stream);
      s->room = s->size;
      s->writePointer = s->buffer;
    }
    return 0;
  }

  std::string bytes;
  std::vector<int32_t> flushes;
  std::vector<uint32_t> users;
  bool rewind = true;
};

// A stream over its own collecting sink.
struct XLFixture {
  explicit XLFixture(int32_t size = 8192) : stream(XLStreamCreate(size, &sink, 0)) {}
  // Everything written so far, the buffer flushed.
  std::string Bytes() {
    XLStreamFlush(stream.get());
    return sink.bytes;
  }
  XLStream* operator*() { return stream.get(); }

  CollectingSink sink;
  XLStreamPtr stream;
};

// "C0 FC F8 2C 7B" for those bytes.
inline std::string SpacedHex(const std::string& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (unsigned char c : bytes) {
    if (!text.empty()) text += ' ';
    text += kDigits[c >> 4];
    text += kDigits[c & 15];
  }
  return text;
}

// The bytes of a hex text; blanks between bytes are optional.
inline std::string FromHex(const std::string& text) {
  std::string bytes;
  int high = -1;
  for (char c : text) {
    if (std::isspace(static_cast<unsigned char>(c))) continue;
    const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::toupper(c) - 'A' + 10;
    if (high < 0) {
      high = digit;
    } else {
      bytes += static_cast<char>(high * 16 + digit);
      high = -1;
    }
  }
  return bytes;
}

}  // namespace qvtest
