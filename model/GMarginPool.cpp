#include "model/GMarginPool.h"

#include <cstring>
#include <new>

#include "model/GAttribute.h"
#include "model/GFeatureIds.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

constexpr size_t kRecordBytes = GMarginPool::kRecordValues * sizeof(int32_t);

// An array of count records, or null when count is 0 or memory runs out.
int32_t* NewRecords(uint64_t count) {
  if (count == 0 || count > 0xFFFFFFFFu / GMarginPool::kRecordValues) return nullptr;
  return new (std::nothrow) int32_t[count * GMarginPool::kRecordValues];
}

}  // namespace

GMarginPool::GMarginPool() : MPersistentObject(GFeatureIds::kMarginTable) {}

GMarginPool::GMarginPool(const int32_t& id) : MPersistentObject(id) {}

GMarginPool::GMarginPool(const GMarginPool& other) : MPersistentObject(other) {
  Assign(other.records_, other.count_);
}

GMarginPool& GMarginPool::operator=(const GMarginPool& other) {
  if (this != &other) {
    MPersistentObject::operator=(other);
    Assign(other.records_, other.count_);
  }
  return *this;
}

GMarginPool::~GMarginPool() { Clear(); }

void GMarginPool::Clear() {
  delete[] records_;
  records_ = nullptr;
  count_ = 0;
}

bool GMarginPool::Assign(const int32_t* records, uint32_t count) {
  // Copied before the old array goes: records may be that array.
  int32_t* fresh = records != nullptr ? NewRecords(count) : nullptr;
  if (fresh != nullptr) std::memcpy(fresh, records, count * kRecordBytes);
  Clear();
  if (fresh == nullptr) return count == 0 || records == nullptr;
  records_ = fresh;
  count_ = count;
  return true;
}

QV_PERSISTENT_KIND_DEFINE(GMarginPool, MPersistentObject, GMarginPoolClassId)

int32_t GMarginPool::Add(const int32_t* record) {
  if (record == nullptr || count_ >= 0x7FFFFFFFu) return -1;
  int32_t* fresh = NewRecords(static_cast<uint64_t>(count_) + 1);
  if (fresh == nullptr) return -1;
  if (count_ != 0) std::memcpy(fresh, records_, count_ * kRecordBytes);
  std::memcpy(fresh + count_ * kRecordValues, record, kRecordBytes);
  delete[] records_;
  records_ = fresh;
  return static_cast<int32_t>(count_++);
}

const int32_t* GMarginPool::Get(uint32_t index) const {
  if (records_ == nullptr || index >= count_) return nullptr;
  return records_ + static_cast<size_t>(index) * kRecordValues;
}

// ---- Persistence ----

// The version, the record count and each record's values (as unsigned
// 32-bit words). The array grows
// with what was actually read, never on the word of the stored count; a
// pool without memory for what was read is left empty.
template <typename Archive>
void GMarginPool::Members(Archive& archive) {
  if constexpr (Archive::kReading) Clear();
  archive.Version(ClassVersion());
  uint32_t count = records_ != nullptr ? count_ : 0;
  archive(count);
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    uint32_t capacity = 0;
    bool outOfMemory = false;
    int32_t record[kRecordValues] = {};
    for (uint32_t i = 0; i < count && !outOfMemory; ++i) {
      for (uint32_t v = 0; v < kRecordValues; ++v) archive(rwm::As<uint32_t>(record[v]));
      if (!archive.Ok()) break;
      outOfMemory = !AppendRestored(record, capacity);
    }
    if (outOfMemory) {
      Clear();
    } else if (capacity != count_) {
      Assign(records_, count_);
    }
  } else {
    for (size_t i = 0; i < static_cast<size_t>(count) * kRecordValues; ++i) archive(rwm::As<uint32_t>(records_[i]));
  }
}

RW_STORED_MEMBERS_DEFINE(GMarginPool, MPersistentObject)

bool GMarginPool::AppendRestored(const int32_t* record, uint32_t& capacity) {
  // The array grows with what was read (doubling), never on the word of the
  // stored count, and shrinks to the count when the reading ends.
  if (count_ == capacity) {
    const uint32_t wanted = capacity < 4 ? 4 : (capacity > 0x3FFFFFFFu ? 0x7FFFFFFFu : 2 * capacity);
    int32_t* fresh = NewRecords(wanted);
    if (fresh == nullptr) return false;
    if (count_ != 0) std::memcpy(fresh, records_, count_ * kRecordBytes);
    delete[] records_;
    records_ = fresh;
    capacity = wanted;
  }
  std::memcpy(records_ + static_cast<size_t>(count_) * kRecordValues, record, kRecordBytes);
  ++count_;
  return true;
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GMarginPool*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GMarginPool*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GMarginPoolCreate() { return new GMarginPool; }
