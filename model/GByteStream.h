// Byte sources and sinks: the one-byte-at-a-time streams that the LZW coder
// and its bit stream read and write, with bounded memory implementations.
#pragma once

#include <cstddef>
#include <cstdint>

// A byte input stream. Read answers false at the end of the input or on a
// read error; Failed tells the two apart afterwards.
class GByteSource {
 public:
  virtual ~GByteSource() = default;
  virtual bool Read(uint8_t& byte) = 0;
  virtual bool Failed() const { return false; }
};

// A byte output stream. Write answers false when the byte could not be
// written (no room, device error); Flush answers whether the stream is good.
class GByteSink {
 public:
  virtual ~GByteSink() = default;
  virtual bool Write(uint8_t byte) = 0;
  virtual bool Flush() { return true; }
};

// Reads the caller's bytes (not copied; they must outlive the source).
class GMemoryByteSource : public GByteSource {
 public:
  GMemoryByteSource(const uint8_t* data, size_t length) : data_(data), length_(data ? length : 0) {}
  bool Read(uint8_t& byte) override;
  size_t Position() const { return position_; }

 private:
  const uint8_t* data_;
  size_t length_;
  size_t position_ = 0;
};

// Writes into the caller's buffer of a fixed capacity. A write beyond the
// capacity fails and puts the sink into its failed state, so a producer can
// never write more than the caller allowed.
class GMemoryByteSink : public GByteSink {
 public:
  GMemoryByteSink(uint8_t* buffer, size_t capacity) : buffer_(buffer), capacity_(buffer ? capacity : 0) {}
  bool Write(uint8_t byte) override;
  bool Flush() override { return !failed_; }
  // Number of bytes written from the start of the buffer.
  size_t Length() const { return length_; }
  bool Failed() const { return failed_; }

 private:
  uint8_t* buffer_;
  size_t capacity_;
  size_t length_ = 0;
  bool failed_ = false;
};
