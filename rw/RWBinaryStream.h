// The native binary virtual streams: every value is its stored bytes, back
// to back, little-endian, with the stored sizes of this system (16-bit
// short, 32-bit int and long, 32-bit float, 64-bit double, 1-byte chars) and
// no padding. Strings are a 4-byte length and the characters. The byte-order
// tagged streams build on these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <ostream>

#include "rw/RWVirtualStream.h"

class RWBinaryOutStream : public RWVirtualOutStream {
 public:
  // Writes through the stream's buffer.
  explicit RWBinaryOutStream(std::ostream& stream);
  // Writes through the buffer (not owned; a null buffer gives a bad stream).
  explicit RWBinaryOutStream(std::streambuf* buffer);
  ~RWBinaryOutStream() override;

  int32_t ReadState() const override;
  void Clear(int32_t bits = 0) override;

  RWVirtualOutStream& PutString(const char* text, unsigned count) override;
  RWVirtualOutStream& PutUShort(uint16_t value) override;
  RWVirtualOutStream& PutShort(int16_t value) override;
  RWVirtualOutStream& PutULong(uint32_t value) override;
  RWVirtualOutStream& PutLong(int32_t value) override;
  RWVirtualOutStream& PutUInt(uint32_t value) override;
  RWVirtualOutStream& PutInt(int32_t value) override;
  RWVirtualOutStream& PutFloat(float value) override;
  RWVirtualOutStream& PutDouble(double value) override;
  RWVirtualOutStream& PutUCharText(unsigned char value) override;
  RWVirtualOutStream& PutCharText(char value) override;
  // Syncs the buffer; sets bad when that fails.
  RWVirtualOutStream& Flush() override;
  RWVirtualOutStream& PutDoubles(const double* values, unsigned count) override;
  RWVirtualOutStream& PutFloats(const float* values, unsigned count) override;
  RWVirtualOutStream& PutULongs(const uint32_t* values, unsigned count) override;
  RWVirtualOutStream& PutLongs(const int32_t* values, unsigned count) override;
  RWVirtualOutStream& PutUInts(const uint32_t* values, unsigned count) override;
  RWVirtualOutStream& PutInts(const int32_t* values, unsigned count) override;
  RWVirtualOutStream& PutUShorts(const uint16_t* values, unsigned count) override;
  RWVirtualOutStream& PutShorts(const int16_t* values, unsigned count) override;
  RWVirtualOutStream& PutUChars(const unsigned char* values, unsigned count) override;
  RWVirtualOutStream& PutUChar(unsigned char value) override;
  RWVirtualOutStream& PutChars(const char* values, unsigned count) override;
  RWVirtualOutStream& PutChar(char value) override;

 protected:
  // Writes the bytes unchanged. When the stream has already failed nothing
  // is written; when not all bytes can be written the fail bit is set.
  void PutBytes(const void* bytes, size_t count);
  // Multi-byte values are written big-endian from now on (the byte-order
  // tagged writer asks for it); bytes and chars are unaffected.
  void SetBigEndian(bool big) { bigEndian_ = big; }
  std::streambuf* Buffer() const { return stream_.rdbuf(); }

 private:
  template <typename T>
  RWVirtualOutStream& PutValues(const T* values, unsigned count);

  std::ostream stream_;
  bool bigEndian_ = false;
};

class RWBinaryInStream : public RWVirtualInStream {
 public:
  // Reads through the stream's buffer.
  explicit RWBinaryInStream(std::istream& stream);
  // Reads through the buffer (not owned; a null buffer gives a bad stream).
  explicit RWBinaryInStream(std::streambuf* buffer);
  ~RWBinaryInStream() override;

  int32_t ReadState() const override;
  void Clear(int32_t bits = 0) override;

  RWVirtualInStream& GetULongs(uint32_t* values, unsigned count) override;
  RWVirtualInStream& GetUInts(uint32_t* values, unsigned count) override;
  RWVirtualInStream& GetUShorts(uint16_t* values, unsigned count) override;
  RWVirtualInStream& GetUChars(unsigned char* values, unsigned count) override;
  RWVirtualInStream& GetShorts(int16_t* values, unsigned count) override;
  RWVirtualInStream& GetLongs(int32_t* values, unsigned count) override;
  RWVirtualInStream& GetInts(int32_t* values, unsigned count) override;
  RWVirtualInStream& GetFloats(float* values, unsigned count) override;
  RWVirtualInStream& GetDoubles(double* values, unsigned count) override;
  RWVirtualInStream& GetChars(char* values, unsigned count) override;
  RWVirtualInStream& GetUChar(unsigned char& value) override;
  RWVirtualInStream& GetChar(char& value) override;
  // The next byte; -1 at end.
  int Get() override;
  RWVirtualInStream& GetString(char* buffer, unsigned size) override;
  RWVirtualInStream& GetULong(uint32_t& value) override;
  RWVirtualInStream& GetUInt(uint32_t& value) override;
  RWVirtualInStream& GetUShort(uint16_t& value) override;
  RWVirtualInStream& GetUCharText(unsigned char& value) override;
  RWVirtualInStream& GetShort(int16_t& value) override;
  RWVirtualInStream& GetLong(int32_t& value) override;
  RWVirtualInStream& GetInt(int32_t& value) override;
  RWVirtualInStream& GetFloat(float& value) override;
  RWVirtualInStream& GetDouble(double& value) override;
  RWVirtualInStream& GetCharText(char& value) override;

 protected:
  // Reads up to count bytes and answers how many were read. When the stream
  // has already failed nothing is read and the fail bit is set; a short read
  // sets eof and fail.
  size_t GetBytes(void* bytes, size_t count);
  // The part of GetString after the length: copies min (length, size - 1)
  // characters and the terminator, consumes the rest of a longer string
  // while the stream is good and then sets fail.
  void GetStringBody(char* buffer, unsigned size, uint32_t length);
  // Multi-byte values are read big-endian from now on.
  void SetBigEndian(bool big) { bigEndian_ = big; }
  bool IsBigEndian() const { return bigEndian_; }

 private:
  template <typename T>
  RWVirtualInStream& GetValues(T* values, unsigned count);

  std::istream stream_;
  bool bigEndian_ = false;
};
