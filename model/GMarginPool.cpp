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

uint32_t GMarginPool::MembersStoreSize() const {
  return MPersistentObject::MembersStoreSize() + 8 + 64 * count_;
}

void GMarginPool::SaveMembers(RWVirtualOutStream& stream) const {
  MPersistentObject::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  const uint32_t count = records_ != nullptr ? count_ : 0;
  stream.PutULong(count);
  for (size_t i = 0; i < static_cast<size_t>(count) * kRecordValues; ++i)
    stream.PutULong(static_cast<uint32_t>(records_[i]));
}

void GMarginPool::SaveMembersToFile(RWBinaryFile& file) const {
  MPersistentObject::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  const uint32_t count = records_ != nullptr ? count_ : 0;
  file.WriteULong(count);
  for (size_t i = 0; i < static_cast<size_t>(count) * kRecordValues; ++i)
    file.WriteULong(static_cast<uint32_t>(records_[i]));
}

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

void GMarginPool::RestoreMembers(RWVirtualInStream& stream) {
  MPersistentObject::RestoreMembers(stream);
  Clear();
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  uint32_t count = 0;
  stream.GetULong(count);
  if (!stream.Good()) return;
  uint32_t capacity = 0;
  bool outOfMemory = false;
  int32_t record[kRecordValues];
  for (uint32_t i = 0; i < count && !outOfMemory; ++i) {
    for (uint32_t v = 0; v < kRecordValues; ++v) {
      uint32_t value = 0;
      stream.GetULong(value);
      record[v] = static_cast<int32_t>(value);
    }
    if (!stream.Good()) break;
    outOfMemory = !AppendRestored(record, capacity);
  }
  if (outOfMemory) {
    Clear();
  } else if (capacity != count_) {
    Assign(records_, count_);
  }
}

void GMarginPool::RestoreMembersFromFile(RWBinaryFile& file) {
  MPersistentObject::RestoreMembersFromFile(file);
  Clear();
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  uint32_t count = 0;
  if (!file.ReadULong(count)) return;
  uint32_t capacity = 0;
  bool outOfMemory = false;
  int32_t record[kRecordValues];
  for (uint32_t i = 0; i < count && !outOfMemory; ++i) {
    bool complete = true;
    for (uint32_t v = 0; v < kRecordValues && complete; ++v) {
      uint32_t value = 0;
      complete = file.ReadULong(value);
      record[v] = static_cast<int32_t>(value);
    }
    if (!complete) break;
    outOfMemory = !AppendRestored(record, capacity);
  }
  if (outOfMemory) {
    Clear();
  } else if (capacity != count_) {
    Assign(records_, count_);
  }
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
