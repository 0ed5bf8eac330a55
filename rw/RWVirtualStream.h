// The typed stream interfaces that persistence code writes and reads
// through without knowing the encoding: the shared state interface
// (RWStreamState) and the abstract output and input streams. The concrete
// encodings are the portable text, native binary and byte-order tagged
// streams.
#pragma once

#include <cstdint>
#include <ios>

// State bits of a virtual stream. In every concrete stream they are the bits
// of the stream-library object the stream works through.
enum RWStreamBits : int32_t {
  RW_STREAM_EOF = 1,
  RW_STREAM_FAIL = 2,
  RW_STREAM_BAD = 4,
};

class RWStreamState {
 public:
  virtual ~RWStreamState();
  // The eof bit is set.
  virtual bool Eof() const;
  // The fail or the bad bit is set.
  virtual bool Fail() const;
  // The bad bit is set.
  virtual bool Bad() const;
  // No bit is set.
  virtual bool Good() const;
  // The bits (RWStreamBits).
  virtual int32_t ReadState() const = 0;
  // Replaces the bits.
  virtual void Clear(int32_t bits = 0) = 0;

  // Adds bits to the current ones.
  void SetState(int32_t bits) { Clear(ReadState() | bits); }
};

// Typed output. A value put by one operation is read back by its
// counterpart of RWVirtualInStream (PutUShort by GetUShort, PutCharText by
// GetCharText, PutUChars by GetUChars, ...). Array counts are element counts.
class RWVirtualOutStream : public virtual RWStreamState {
 public:
  RWVirtualOutStream() = default;
  RWVirtualOutStream(const RWVirtualOutStream&) = delete;
  RWVirtualOutStream& operator=(const RWVirtualOutStream&) = delete;

  // A string that carries its own length.
  virtual RWVirtualOutStream& PutString(const char* text, unsigned count) = 0;
  virtual RWVirtualOutStream& PutUShort(uint16_t value) = 0;
  virtual RWVirtualOutStream& PutShort(int16_t value) = 0;
  virtual RWVirtualOutStream& PutULong(uint32_t value) = 0;
  virtual RWVirtualOutStream& PutLong(int32_t value) = 0;
  virtual RWVirtualOutStream& PutUInt(uint32_t value) = 0;
  virtual RWVirtualOutStream& PutInt(int32_t value) = 0;
  virtual RWVirtualOutStream& PutFloat(float value) = 0;
  virtual RWVirtualOutStream& PutDouble(double value) = 0;
  // The character forms.
  virtual RWVirtualOutStream& PutUCharText(unsigned char value) = 0;
  virtual RWVirtualOutStream& PutCharText(char value) = 0;
  // PutString (text, strlen (text)).
  virtual RWVirtualOutStream& PutCString(const char* text);
  virtual RWVirtualOutStream& Flush() = 0;
  virtual RWVirtualOutStream& PutDoubles(const double* values, unsigned count) = 0;
  virtual RWVirtualOutStream& PutFloats(const float* values, unsigned count) = 0;
  virtual RWVirtualOutStream& PutULongs(const uint32_t* values, unsigned count) = 0;
  virtual RWVirtualOutStream& PutLongs(const int32_t* values, unsigned count) = 0;
  virtual RWVirtualOutStream& PutUInts(const uint32_t* values, unsigned count) = 0;
  virtual RWVirtualOutStream& PutInts(const int32_t* values, unsigned count) = 0;
  virtual RWVirtualOutStream& PutUShorts(const uint16_t* values, unsigned count) = 0;
  virtual RWVirtualOutStream& PutShorts(const int16_t* values, unsigned count) = 0;
  // Bytes and chars as numbers.
  virtual RWVirtualOutStream& PutUChars(const unsigned char* values, unsigned count) = 0;
  virtual RWVirtualOutStream& PutUChar(unsigned char value) = 0;
  virtual RWVirtualOutStream& PutChars(const char* values, unsigned count) = 0;
  virtual RWVirtualOutStream& PutChar(char value) = 0;

  // 1: strings are written with PutString (every stream of this system).
  int32_t StringForm() const { return stringForm_; }

 private:
  int32_t stringForm_ = 1;
};

// Typed input; the counterpart of RWVirtualOutStream. A get that fails
// leaves its target (or the rest of an array) as it was and leaves the
// stream failed, so every later get does nothing.
class RWVirtualInStream : public virtual RWStreamState {
 public:
  RWVirtualInStream() = default;
  RWVirtualInStream(const RWVirtualInStream&) = delete;
  RWVirtualInStream& operator=(const RWVirtualInStream&) = delete;

  virtual RWVirtualInStream& GetULongs(uint32_t* values, unsigned count) = 0;
  virtual RWVirtualInStream& GetUInts(uint32_t* values, unsigned count) = 0;
  virtual RWVirtualInStream& GetUShorts(uint16_t* values, unsigned count) = 0;
  virtual RWVirtualInStream& GetUChars(unsigned char* values, unsigned count) = 0;
  virtual RWVirtualInStream& GetShorts(int16_t* values, unsigned count) = 0;
  virtual RWVirtualInStream& GetLongs(int32_t* values, unsigned count) = 0;
  virtual RWVirtualInStream& GetInts(int32_t* values, unsigned count) = 0;
  virtual RWVirtualInStream& GetFloats(float* values, unsigned count) = 0;
  virtual RWVirtualInStream& GetDoubles(double* values, unsigned count) = 0;
  virtual RWVirtualInStream& GetChars(char* values, unsigned count) = 0;
  virtual RWVirtualInStream& GetUChar(unsigned char& value) = 0;
  virtual RWVirtualInStream& GetChar(char& value) = 0;
  // The next value as int; -1 when the stream is at end afterwards.
  virtual int Get() = 0;
  // Reads what PutString wrote: at most size - 1 characters, then a
  // terminator. A longer stored string is consumed whole and leaves the
  // stream failed with the first size - 1 characters in the buffer.
  virtual RWVirtualInStream& GetString(char* buffer, unsigned size) = 0;
  virtual RWVirtualInStream& GetULong(uint32_t& value) = 0;
  virtual RWVirtualInStream& GetUInt(uint32_t& value) = 0;
  virtual RWVirtualInStream& GetUShort(uint16_t& value) = 0;
  virtual RWVirtualInStream& GetUCharText(unsigned char& value) = 0;
  virtual RWVirtualInStream& GetShort(int16_t& value) = 0;
  virtual RWVirtualInStream& GetLong(int32_t& value) = 0;
  virtual RWVirtualInStream& GetInt(int32_t& value) = 0;
  virtual RWVirtualInStream& GetFloat(float& value) = 0;
  virtual RWVirtualInStream& GetDouble(double& value) = 0;
  virtual RWVirtualInStream& GetCharText(char& value) = 0;

  int32_t StringForm() const { return stringForm_; }

 private:
  int32_t stringForm_ = 1;
};

// The host's byte order, taken once from the first byte of a stored 32-bit
// value 1 (the host is big-endian when that byte is 0).
bool RWHostIsBigEndian();

// Maps between RWStreamBits and the stream library's state bits.
int32_t RWStreamBitsFromIos(std::ios_base::iostate state);
std::ios_base::iostate RWIosFromStreamBits(int32_t bits);
