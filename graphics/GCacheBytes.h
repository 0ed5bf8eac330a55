// GCacheBytes: the typed reads and writes that the font caches' stored
// bodies are made of, over the two stored forms (a virtual stream or the
// typed binary file), so that each cache writes and reads its body once.
// The caches travel with a job's spool data, so a read trusts nothing: a
// counted block of bytes is read in pieces into a buffer that grows with
// what actually arrives, never with the length the input claims.
#pragma once

#include <cstdint>

#include "model/MPersistentObject.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

// Writes of one stored body.
class GCacheStreamOutput {
 public:
  explicit GCacheStreamOutput(RWVirtualOutStream& stream) : stream_(stream) {}
  void U8(uint8_t v) { stream_.PutUChar(v); }
  void U16(uint16_t v) { stream_.PutUShort(v); }
  void U32(uint32_t v) { stream_.PutULong(v); }
  void I32(int32_t v) { stream_.PutLong(v); }
  void Bytes(const uint8_t* bytes, uint32_t count);
  // The object with its framing (the null object for null).
  void Object(const MPersistentObject* object);

 private:
  RWVirtualOutStream& stream_;
};

class GCacheFileOutput {
 public:
  explicit GCacheFileOutput(RWBinaryFile& file) : file_(file) {}
  void U8(uint8_t v) { file_.WriteUChar(v); }
  void U16(uint16_t v) { file_.WriteUShort(v); }
  void U32(uint32_t v) { file_.WriteULong(v); }
  void I32(int32_t v) { file_.WriteInt(v); }
  void Bytes(const uint8_t* bytes, uint32_t count);
  void Object(const MPersistentObject* object);

 private:
  RWBinaryFile& file_;
};

// Reads of one stored body. Each read answers whether the whole value was
// read; Good answers whether reading may go on (the input is sound and the
// restore, if one is in progress, has not failed).
class GCacheStreamInput {
 public:
  explicit GCacheStreamInput(RWVirtualInStream& stream) : stream_(stream) {}
  bool Good() const;
  bool U8(uint8_t& v);
  bool U16(uint16_t& v);
  bool U32(uint32_t& v);
  bool I32(int32_t& v);
  // count stored bytes in a new block (delete[]); block is null for count 0
  // and whenever the answer is false, which it is when the input ends
  // early or memory runs out.
  bool Bytes(uint32_t count, uint8_t*& block);
  // One framed object; null for the stored null object and when the read
  // failed.
  void Object(MPersistentObject*& object);
  // Marks the input damaged: the restore fails and the stream fails.
  void Fail();

 private:
  RWVirtualInStream& stream_;
};

class GCacheFileInput {
 public:
  explicit GCacheFileInput(RWBinaryFile& file) : file_(file) {}
  bool Good() const;
  bool U8(uint8_t& v);
  bool U16(uint16_t& v);
  bool U32(uint32_t& v);
  bool I32(int32_t& v);
  bool Bytes(uint32_t count, uint8_t*& block);
  void Object(MPersistentObject*& object);
  void Fail();

 private:
  RWBinaryFile& file_;
};
