// GCacheBytes: the steps the font caches' stored members add to the
// archives (rw/RWMembers.h). The caches travel with a job's spool data, so
// a read trusts nothing: a counted block of bytes is read in pieces into a
// buffer that grows with what actually arrives, never with the length the
// input claims, and damage fails the whole restore.
#pragma once

#include <cstdint>
#include <cstring>
#include <new>

// Reads count bytes through readPiece (which fills a piece and answers
// whether it could) into a new block (delete[]) that grows as the bytes
// arrive, never with the count the input claims. block is null for count 0
// and when the answer is false: the input ended or memory ran out.
template <typename ReadPiece>
bool GCacheReadBlock(uint32_t count, uint8_t*& block, const ReadPiece& readPiece) {
  constexpr uint32_t kPiece = 64 * 1024;
  block = nullptr;
  if (count == 0) return true;
  uint8_t* buffer = nullptr;
  uint32_t capacity = 0;
  for (uint32_t done = 0; done < count;) {
    const uint32_t piece = count - done < kPiece ? count - done : kPiece;
    if (done + piece > capacity) {
      uint64_t grown = capacity == 0 ? piece : static_cast<uint64_t>(capacity) * 2;
      if (grown > count) grown = count;
      auto* fresh = new (std::nothrow) uint8_t[grown];
      if (fresh == nullptr) {
        delete[] buffer;
        return false;
      }
      if (done != 0) std::memcpy(fresh, buffer, done);
      delete[] buffer;
      buffer = fresh;
      capacity = static_cast<uint32_t>(grown);
    }
    if (!readPiece(buffer + done, piece)) {
      delete[] buffer;
      return false;
    }
    done += piece;
  }
  block = buffer;
  return true;
}

// For the caches' Members: a counted block of bytes, written as the
// stored form has always held it (one unsigned char each) and read in
// pieces.
template <typename Archive>
bool GCacheBlock(Archive& archive, uint32_t count, uint8_t*& block) {
  return GCacheReadBlock(count, block, [&archive](uint8_t* piece, uint32_t n) {
    archive.Array(reinterpret_cast<unsigned char*>(piece), n);
    return archive.Ok();
  });
}

// For the caches' Members: the input is damaged; the restore fails.
void GCacheFailRestore();
template <typename Archive>
void GCacheFail(Archive& archive) {
  GCacheFailRestore();
  archive.Fail();
}

