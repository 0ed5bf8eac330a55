#include "graphics/GCacheBytes.h"

#include <cstring>
#include <new>

#include "model/GAttribute.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"

namespace {

// The largest piece read at a time, and so the most memory a block can
// take beyond the bytes the input really holds.
constexpr uint32_t kPiece = 64 * 1024;

// Reads count bytes through readPiece (which fills a piece and answers
// whether it could) into a block that doubles as the bytes arrive.
template <typename ReadPiece>
bool ReadBlock(uint32_t count, uint8_t*& block, const ReadPiece& readPiece) {
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

}  // namespace

// ---- Output ----

void GCacheStreamOutput::Bytes(const uint8_t* bytes, uint32_t count) {
  if (count != 0 && bytes != nullptr) stream_.PutUChars(bytes, count);
}

void GCacheStreamOutput::Object(const MPersistentObject* object) { RWWriteObjectPointer(stream_, object); }

void GCacheFileOutput::Bytes(const uint8_t* bytes, uint32_t count) {
  if (count != 0 && bytes != nullptr) file_.WriteChars(reinterpret_cast<const char*>(bytes), count);
}

void GCacheFileOutput::Object(const MPersistentObject* object) { RWWriteObjectPointerToFile(file_, object); }

// ---- Stream input ----

bool GCacheStreamInput::Good() const { return stream_.Good() && !RWReadTableGuard::RestoreFailed(); }
bool GCacheStreamInput::U8(uint8_t& v) { return Good() && stream_.GetUChar(v).Good(); }
bool GCacheStreamInput::U16(uint16_t& v) { return Good() && stream_.GetUShort(v).Good(); }
bool GCacheStreamInput::U32(uint32_t& v) { return Good() && stream_.GetULong(v).Good(); }
bool GCacheStreamInput::I32(int32_t& v) { return Good() && stream_.GetLong(v).Good(); }

bool GCacheStreamInput::Bytes(uint32_t count, uint8_t*& block) {
  if (!Good()) {
    block = nullptr;
    return false;
  }
  return ReadBlock(count, block, [this](uint8_t* piece, uint32_t n) { return stream_.GetUChars(piece, n).Good(); });
}

void GCacheStreamInput::Object(MPersistentObject*& object) {
  object = nullptr;
  if (Good()) MPersistentObject::ReadPersistentObject(stream_, object);
}

void GCacheStreamInput::Fail() {
  GFailRestore();
  stream_.SetState(RW_STREAM_FAIL);
}

// ---- File input ----

bool GCacheFileInput::Good() const { return !file_.HasError() && !RWReadTableGuard::RestoreFailed(); }
bool GCacheFileInput::U8(uint8_t& v) {
  unsigned char c = 0;
  if (!Good() || !file_.ReadUChar(c)) return false;
  v = c;
  return true;
}
bool GCacheFileInput::U16(uint16_t& v) { return Good() && file_.ReadUShort(v); }
bool GCacheFileInput::U32(uint32_t& v) { return Good() && file_.ReadULong(v); }
bool GCacheFileInput::I32(int32_t& v) { return Good() && file_.ReadInt(v); }

bool GCacheFileInput::Bytes(uint32_t count, uint8_t*& block) {
  if (!Good()) {
    block = nullptr;
    return false;
  }
  return ReadBlock(count, block,
                   [this](uint8_t* piece, uint32_t n) { return file_.ReadChars(reinterpret_cast<char*>(piece), n); });
}

void GCacheFileInput::Object(MPersistentObject*& object) {
  object = nullptr;
  if (Good()) MPersistentObject::ReadPersistentObject(file_, object);
}

void GCacheFileInput::Fail() { GFailRestore(); }
