#include "model/GBinaryData.h"

#include <cstring>
#include <new>

#include "model/MPersistentRead.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

// Bytes are read in pieces of this size, so memory follows what the input
// really holds rather than the length it claims.
constexpr size_t kReadChunk = 64 * 1024;

unsigned char* CopyOf(const unsigned char* data, uint32_t length) {
  if (data == nullptr || length == 0) return nullptr;
  auto* copy = new unsigned char[length];
  std::memcpy(copy, data, length);
  return copy;
}

}  // namespace

GBinaryData::GBinaryData() = default;

GBinaryData::GBinaryData(unsigned char* data, uint32_t length, int owner, const int32_t& id)
    : MPersistentObject(id), data_(data), length_(length), owner_(owner) {}

GBinaryData::GBinaryData(const GBinaryData& other) : MPersistentObject() {
  if (other.length_ != 0 && other.data_ != nullptr) {
    data_ = CopyOf(other.data_, other.length_);
    length_ = other.length_;
    owner_ = 1;
  }
}

GBinaryData& GBinaryData::operator=(const GBinaryData& other) {
  if (this != &other) {
    unsigned char* copy = CopyOf(other.data_, other.length_);
    Clear();
    if (copy != nullptr) SetData(copy, other.length_, 1);
  }
  return *this;
}

GBinaryData::~GBinaryData() { Clear(); }

QV_PERSISTENT_KIND_DEFINE(GBinaryData, MPersistentObject, GBinaryDataClassId)

int GBinaryData::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !MPersistentObject::Matches(other)) return 0;
  auto* blob = dynamic_cast<const GBinaryData*>(other);
  if (blob == nullptr || blob->length_ != length_) return 0;
  if (blob->data_ == data_ || length_ == 0) return 1;
  if (blob->data_ == nullptr || data_ == nullptr) return 0;
  return std::memcmp(blob->data_, data_, length_) == 0;
}

void GBinaryData::SetData(unsigned char* data, uint32_t length, int owner) {
  if (owner_ && data_ != data) delete[] data_;
  data_ = data;
  length_ = length;
  owner_ = owner;
}

unsigned char* GBinaryData::Detach() {
  unsigned char* data = data_;
  data_ = nullptr;
  length_ = 0;
  owner_ = 0;
  return data;
}

void GBinaryData::Clear() {
  if (owner_) delete[] data_;
  data_ = nullptr;
  length_ = 0;
  owner_ = 0;
}

// ---- Persistence ----

namespace {

// Reads length stored bytes through readPiece (which fills a piece and
// answers whether it could). The buffer grows as the bytes arrive, so memory
// follows what the input really holds, never the length it claims. Answers
// the bytes (null for length 0) and whether every read succeeded; when the
// buffer cannot grow, the rest of the bytes is still read and skipped and
// no bytes are answered.
template <typename ReadPiece>
unsigned char* ReadStoredBytes(uint32_t length, bool& complete, const ReadPiece& readPiece) {
  complete = true;
  unsigned char* buffer = nullptr;
  size_t capacity = 0;
  bool skipping = false;
  unsigned char scratch[4096];
  for (size_t done = 0; done < length;) {
    size_t piece = length - done < kReadChunk ? length - done : kReadChunk;
    unsigned char* target = nullptr;
    if (!skipping && done + piece > capacity) {
      size_t grown = capacity == 0 ? piece : capacity * 2;
      if (grown > length) grown = length;
      auto* fresh = new (std::nothrow) unsigned char[grown];
      if (fresh == nullptr) {
        delete[] buffer;
        buffer = nullptr;
        skipping = true;
      } else {
        if (done != 0) std::memcpy(fresh, buffer, done);
        delete[] buffer;
        buffer = fresh;
        capacity = grown;
      }
    }
    if (skipping) {
      if (piece > sizeof(scratch)) piece = sizeof(scratch);
      target = scratch;
    } else {
      if (done + piece > capacity) piece = capacity - done;
      target = buffer + done;
    }
    if (!readPiece(target, piece)) {
      complete = false;
      break;
    }
    done += piece;
  }
  if (!complete || skipping) {
    delete[] buffer;
    return nullptr;
  }
  return buffer;
}

}  // namespace

// The version, the length, the owner flag and the bytes, one text
// character each. The restored object always owns the buffer it made,
// whatever flag was stored: nobody else knows of that buffer, so nobody else
// could free it. The stored flag only said who owned the bytes of the object
// saved.
template <typename Archive>
void GBinaryData::Members(Archive& archive) {
  archive.Version(ClassVersion());
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    Clear();
    uint32_t length = 0;
    int32_t owner = 0;
    archive(length, owner);
    if (!archive.Ok()) return;
    bool complete = false;
    unsigned char* data = ReadStoredBytes(
        length, complete, [&archive](unsigned char* piece, size_t count) { return archive.TextPiece(piece, count); });
    if (data != nullptr) SetData(data, length, 1);
  } else {
    archive(length_, rwm::As<int32_t>(owner_));
    archive.TextBytes(data_, length_);
  }
}

RW_STORED_MEMBERS_DEFINE(GBinaryData, MPersistentObject)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GBinaryData*& out) { return MReadPersistentAs(stream, out); }

RWBinaryFile& operator>>(RWBinaryFile& file, GBinaryData*& out) { return MReadPersistentAs(file, out); }

RWCollectable* GBinaryDataCreate() { return new GBinaryData; }
