// The portable text virtual streams: numbers as decimal text, one per line;
// characters and strings escaped so the text is printable ASCII without
// spaces, with lines broken before column 81. A stream written on any host
// reads back on any other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <ostream>

#include "rw/RWVirtualStream.h"

class RWPortableOutStream : public RWVirtualOutStream {
 public:
  // Writes through the stream's buffer.
  explicit RWPortableOutStream(std::ostream& stream);
  // Writes through the buffer (not owned; a null buffer gives a bad stream).
  explicit RWPortableOutStream(std::streambuf* buffer);
  ~RWPortableOutStream() override;

  int32_t ReadState() const override;
  void Clear(int32_t bits = 0) override;

  // A double quote, the characters escaped, a double quote; no length.
  RWVirtualOutStream& PutString(const char* text, unsigned count) override;
  RWVirtualOutStream& PutUShort(uint16_t value) override;
  RWVirtualOutStream& PutShort(int16_t value) override;
  RWVirtualOutStream& PutULong(uint32_t value) override;
  RWVirtualOutStream& PutLong(int32_t value) override;
  RWVirtualOutStream& PutUInt(uint32_t value) override;
  RWVirtualOutStream& PutInt(int32_t value) override;
  // As C's "%.6e".
  RWVirtualOutStream& PutFloat(float value) override;
  // As C's "%.15e".
  RWVirtualOutStream& PutDouble(double value) override;
  RWVirtualOutStream& PutUCharText(unsigned char value) override;
  RWVirtualOutStream& PutCharText(char value) override;
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
  // The value as "%u".
  RWVirtualOutStream& PutUChar(unsigned char value) override;
  RWVirtualOutStream& PutChars(const char* values, unsigned count) override;
  // The value as "%d".
  RWVirtualOutStream& PutChar(char value) override;

  // Characters written on the current line by the character forms and
  // strings (the newlines after numbers do not reset it).
  int32_t Column() const { return column_; }

 private:
  template <typename T>
  void PutNumber(T value);
  void PutText(const char* text, size_t count);
  // Writes one character escaped, breaking the line first when the escape
  // would pass column 80.
  void PutEscaped(unsigned char c);
  // Writes length characters of the current line, breaking the line first
  // when they would pass column 80.
  void PutInLine(const char* text, int32_t length);

  std::ostream stream_;
  int32_t column_ = 0;
};

class RWPortableInStream : public RWVirtualInStream {
 public:
  // Reads through the stream's buffer.
  explicit RWPortableInStream(std::istream& stream);
  // Reads through the buffer (not owned; a null buffer gives a bad stream).
  explicit RWPortableInStream(std::streambuf* buffer);
  ~RWPortableInStream() override;

  int32_t ReadState() const override;
  void Clear(int32_t bits = 0) override;

  // Numbers: leading white space skipped, decimal; a value out of range for
  // the type sets fail.
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
  // A number; its low byte.
  RWVirtualInStream& GetUChar(unsigned char& value) override;
  RWVirtualInStream& GetChar(char& value) override;
  // An int; -1 when the stream is at end afterwards.
  int Get() override;
  // A string in double quotes. A missing opening quote raises SYNSTREAM as
  // RWExternalDataError and leaves the stream failed. The buffer always
  // ends with a terminator (when size > 0).
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

 private:
  template <typename T>
  bool Extract(T& value);
  template <typename T>
  RWVirtualInStream& ExtractAll(T* values, unsigned count);
  // One escaped character, skipping newlines before it.
  bool GetEscaped(char& value);
  // Consumes the rest of a string up to its closing quote.
  void SkipRestOfString();

  std::istream stream_;
};
