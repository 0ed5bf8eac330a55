// The byte-order tagged virtual streams: native binary values after a 9-byte
// header that records the writer's byte order and integer sizes, so a reader
// on any host converts what it reads. The header is 'e', 's', 1, the order
// (0 little-endian, 1 big-endian), then the sizes of short, int, long, wide
// character and size_t: always 2, 4, 4, 2, 4 from this writer.
#pragma once

#include <cstdint>

#include "rw/RWBinaryStream.h"

class RWEndianOutStream : public RWBinaryOutStream {
 public:
  // Byte-order selectors of the constructors.
  enum { LittleEndian = 0, BigEndian = 1, HostOrder = 2 };

  // Both write the header at once. The target must be empty: a target that
  // already holds data, or whose end cannot be found, raises STREAM as
  // RWStreamIoError and leaves the stream failed. A selector other than 0
  // and 2 means big-endian.
  RWEndianOutStream(std::ostream& stream, int order);
  RWEndianOutStream(std::streambuf* buffer, int order);
  ~RWEndianOutStream() override;

  // The order written: 0 little-endian, 1 big-endian.
  int32_t ByteOrder() const { return order_; }

 private:
  void Start(int order);

  int32_t order_ = 0;
};

class RWEndianInStream : public RWBinaryInStream {
 public:
  // Both read the header at once. A header that does not start 'e', 's', 1,
  // that ends early, or that gives an integer size of 0, raises STREAM as
  // RWStreamIoError and leaves the stream failed.
  explicit RWEndianInStream(std::istream& stream);
  explicit RWEndianInStream(std::streambuf* buffer);
  ~RWEndianInStream() override;

  // What the header recorded.
  int32_t StoredShortSize() const { return shortSize_; }
  int32_t StoredIntSize() const { return intSize_; }
  int32_t StoredLongSize() const { return longSize_; }
  int32_t StoredWideCharSize() const { return wideCharSize_; }
  int32_t StoredSizeTSize() const { return sizeTSize_; }
  int32_t StoredBigEndian() const { return bigEndian_; }

  RWVirtualInStream& GetULongs(uint32_t* values, unsigned count) override;
  RWVirtualInStream& GetUInts(uint32_t* values, unsigned count) override;
  RWVirtualInStream& GetUShorts(uint16_t* values, unsigned count) override;
  RWVirtualInStream& GetShorts(int16_t* values, unsigned count) override;
  RWVirtualInStream& GetLongs(int32_t* values, unsigned count) override;
  RWVirtualInStream& GetInts(int32_t* values, unsigned count) override;
  // The length is read in the stored size_t width; when it cannot be read
  // the buffer is left empty and the stream failed and bad.
  RWVirtualInStream& GetString(char* buffer, unsigned size) override;
  RWVirtualInStream& GetULong(uint32_t& value) override;
  RWVirtualInStream& GetUInt(uint32_t& value) override;
  RWVirtualInStream& GetUShort(uint16_t& value) override;
  RWVirtualInStream& GetShort(int16_t& value) override;
  RWVirtualInStream& GetLong(int32_t& value) override;
  RWVirtualInStream& GetInt(int32_t& value) override;

 private:
  void ReadHeader();
  void RaiseBadStream();
  // Reads one integer stored in storedSize bytes into the value of
  // sizeof (T) bytes. A stored value that does not fit sets fail and leaves
  // the value as it was.
  template <typename T>
  bool ReadInteger(T& value, int32_t storedSize);
  template <typename T>
  RWVirtualInStream& ReadIntegers(T* values, unsigned count, int32_t storedSize);

  int32_t shortSize_ = 2;
  int32_t intSize_ = 4;
  int32_t longSize_ = 4;
  int32_t wideCharSize_ = 2;
  int32_t sizeTSize_ = 4;
  int32_t bigEndian_ = 0;
};
