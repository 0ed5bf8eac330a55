#include "model/GCapabilities.h"

#include <new>
#include <vector>

#include "model/MPersistentRead.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

constexpr uint32_t kNoSuchBit = 0xFFFFFFFFu;
// Stored bytes are read in pieces of this size, so memory follows what the
// input really holds rather than the bit count it claims.
constexpr size_t kCapabilitiesReadChunk = 64 * 1024;

// Reads the bytes of count bits through readPiece. Answers false when the
// input ends (or memory runs out) first.
template <typename ReadPiece>
bool ReadBitBytes(uint32_t count, std::vector<uint8_t>& bytes, const ReadPiece& readPiece) {
  const size_t total = (static_cast<size_t>(count) + 7) / 8;
  try {
    for (size_t done = 0; done < total;) {
      const size_t piece = total - done < kCapabilitiesReadChunk ? total - done : kCapabilitiesReadChunk;
      bytes.resize(done + piece);
      if (!readPiece(bytes.data() + done, piece)) return false;
      done += piece;
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace

GCapabilities::GCapabilities() = default;
GCapabilities::GCapabilities(const int32_t& id) : MPersistentObject(id) {}
GCapabilities::GCapabilities(const int32_t& id, uint32_t count) : MPersistentObject(id), bits_(count) {}

GCapabilities::GCapabilities(const int32_t& id, uint32_t count, uint32_t bit) : MPersistentObject(id), bits_(count) {
  Set(bit);
}

GCapabilities::GCapabilities(const int32_t& id, uint32_t count, const uint32_t* bits, uint16_t listCount)
    : MPersistentObject(id), bits_(count) {
  SetMany(bits, listCount);
}

GCapabilities::GCapabilities(const GCapabilities& other) = default;

GCapabilities& GCapabilities::operator=(const GCapabilities& other) {
  if (this != &other) {
    MPersistentObject::operator=(other);
    bits_ = other.bits_;
  }
  return *this;
}

GCapabilities::~GCapabilities() = default;

QV_PERSISTENT_KIND_DEFINE(GCapabilities, MPersistentObject, GCapabilitiesClassId)

int GCapabilities::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !MPersistentObject::Matches(other)) return 0;
  auto* capabilities = dynamic_cast<const GCapabilities*>(other);
  return capabilities != nullptr && capabilities->bits_.Equals(bits_);
}

// ---- The bits ----

void GCapabilities::Set(uint32_t bit) {
  if (bit == kNoSuchBit) return;
  if (bit >= bits_.BitCount()) bits_.Resize(static_cast<size_t>(bit) + 1);
  bits_.SetBit(bit);
}

void GCapabilities::SetMany(const uint32_t* bits, uint16_t count) {
  if (bits == nullptr || count == 0) return;
  uint32_t largest = 0;
  bool any = false;
  for (uint16_t i = 0; i < count; ++i) {
    if (bits[i] == kNoSuchBit) continue;
    if (!any || bits[i] > largest) largest = bits[i];
    any = true;
  }
  if (!any) return;
  if (largest >= bits_.BitCount()) bits_.Resize(static_cast<size_t>(largest) + 1);
  for (uint16_t i = 0; i < count; ++i) {
    if (bits[i] != kNoSuchBit) bits_.SetBit(bits[i]);
  }
}

void GCapabilities::ClearBit(uint32_t bit) {
  if (bit < bits_.BitCount()) bits_.ClearBit(bit);
}

void GCapabilities::ClearMany(const uint32_t* bits, uint16_t count) {
  if (bits == nullptr) return;
  for (uint16_t i = 0; i < count; ++i) ClearBit(bits[i]);
}

int GCapabilities::Has(uint32_t bit) const { return bit < bits_.BitCount() && bits_.TestBit(bit) ? 1 : 0; }

int GCapabilities::HasAll(const uint32_t* bits, uint16_t count) const {
  if (count != 0 && bits == nullptr) return 0;
  for (uint16_t i = 0; i < count; ++i) {
    if (!Has(bits[i])) return 0;
  }
  return 1;
}

int GCapabilities::HasAny(const uint32_t* bits, uint16_t count) const {
  if (bits == nullptr) return 0;
  for (uint16_t i = 0; i < count; ++i) {
    if (Has(bits[i])) return 1;
  }
  return 0;
}

// ---- Persistence ----

// The version, the bit count and the bits' bytes, one text character
// each. A stored count of 0 reads nothing more and leaves the bits as they
// were; any other count replaces them once all of its bytes have been read.
template <typename Archive>
void GCapabilities::Members(Archive& archive) {
  archive.Version(ClassVersion());
  if constexpr (Archive::kReading) {
    uint32_t count = 0;
    archive(count);
    if (!archive.Ok() || count == 0) return;
    std::vector<uint8_t> bytes;
    const bool whole = ReadBitBytes(
        count, bytes, [&archive](uint8_t* piece, size_t n) { return archive.TextPiece(piece, n); });
    if (!whole) {
      archive.Fail();
      return;
    }
    bits_ = RWBitVector(bytes.data(), count);
  } else {
    uint32_t count = GetBitCount();
    archive(count);
    archive.TextBytes(bits_.Bytes(), static_cast<uint32_t>(bits_.ByteCount()));
  }
}

RW_STORED_MEMBERS_DEFINE(GCapabilities, MPersistentObject)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GCapabilities*& out) { return MReadPersistentAs(stream, out); }

RWBinaryFile& operator>>(RWBinaryFile& file, GCapabilities*& out) { return MReadPersistentAs(file, out); }

RWCollectable* GCapabilitiesCreate() { return new GCapabilities; }
