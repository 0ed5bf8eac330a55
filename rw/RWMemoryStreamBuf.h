// A stream buffer over the caller's own bytes, for the virtual streams and
// the stream holders: it reads a fixed block, or writes into a block of fixed
// capacity. It never allocates, never owns the block and never touches
// memory outside it; a write beyond the capacity writes nothing and fails.
//
// What "end" means for a memory buffer (every seek relative to the end, and
// every caller that measures a buffer by seeking to its end, use this):
//   - a reading buffer ends after its last byte: the end is its length;
//   - a writing buffer ends at its capacity: a seek to the end of a writing
//     buffer answers the room it offers (the capacity), however many bytes
//     were written. Seeking to the end of a fresh writing buffer therefore
//     does not answer 0.
// What a writing buffer holds is Size(): the highest position reached by
// writing.
// Code that must know whether a target already holds data (the byte-order
// tagged writer refuses a target that is not empty) uses
// RWStreamBufHeldBytes, which asks Size() of a memory buffer and seeks to
// the end of any other buffer.
#pragma once

#include <cstddef>
#include <streambuf>

class RWMemoryStreamBuf : public std::streambuf {
 public:
  struct ForReading {};
  struct ForWriting {};

  // Reads the length bytes at bytes (not copied; they must outlive the
  // buffer).
  RWMemoryStreamBuf(ForReading, const void* bytes, size_t length);
  // Writes into the capacity bytes at buffer, from its start.
  RWMemoryStreamBuf(ForWriting, void* buffer, size_t capacity);
  ~RWMemoryStreamBuf() override;

  bool IsWriting() const { return writing_; }
  // The length of a reading buffer, the capacity of a writing one: its end.
  size_t Capacity() const { return limit_; }
  // The bytes the buffer holds: the length of a reading buffer; in a writing
  // one the highest position reached by writing (seeking alone adds nothing).
  size_t Size() const;
  // The current read or write position.
  size_t Position() const;

 protected:
  pos_type seekoff(off_type offset, std::ios_base::seekdir dir, std::ios_base::openmode which) override;
  pos_type seekpos(pos_type position, std::ios_base::openmode which) override;

 private:
  void MoveTo(size_t position);

  char* block_;
  size_t limit_;
  size_t highWater_ = 0;  // the end of the bytes written before the last seek
  size_t seekedTo_ = 0;   // where the last seek put the write position
  bool writing_;
};

// The number of bytes a buffer's output side already holds: Size() of a
// memory buffer; for any other buffer the position of a seek to the end of
// its output side (which leaves the write position there), or -1 when that
// seek fails.
std::streamoff RWStreamBufHeldBytes(std::streambuf* buffer);
