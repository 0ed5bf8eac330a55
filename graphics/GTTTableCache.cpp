#include "graphics/GTTTableCache.h"

#include <cstring>
#include <utility>

#include "graphics/GCacheBytes.h"
#include "model/MPersistentRead.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GTTTableCache::GTTTableCache() : counter_(0) {}

GTTTableCache::GTTTableCache(const GTTTableCache& other) : MPersistentObject(other), counter_(other.counter_) {
  CopyEntriesOf(other);
}

GTTTableCache& GTTTableCache::operator=(const GTTTableCache& other) {
  if (this != &other) {
    MPersistentObject::operator=(other);
    counter_ = other.counter_;
    CopyEntriesOf(other);
  }
  return *this;
}

GTTTableCache::~GTTTableCache() = default;

void GTTTableCache::CopyEntriesOf(const GTTTableCache& other) {
  for (uint32_t i = 0; i < kEntryCount; ++i) {
    const Entry& from = other.entries_[i];
    Entry& to = entries_[i];
    to.present = from.present;
    to.length = from.length;
    to.data.reset();
    if (from.length != 0) {
      to.data.reset(new uint8_t[from.length]);
      std::memcpy(to.data.get(), from.data.get(), from.length);
    }
  }
}

void GTTTableCache::Clear() {
  for (Entry& entry : entries_) entry = Entry();
}

QV_PERSISTENT_KIND_DEFINE(GTTTableCache, MPersistentObject, GTTTableCacheClassId)

int GTTTableCache::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !MPersistentObject::Matches(other)) return 0;
  auto* cache = dynamic_cast<const GTTTableCache*>(other);
  if (cache == nullptr) return 0;
  for (uint32_t i = 0; i < kEntryCount; ++i) {
    const Entry& mine = entries_[i];
    const Entry& theirs = cache->entries_[i];
    if (mine.present != theirs.present || mine.length != theirs.length) return 0;
    if (mine.length != 0 && std::memcmp(mine.data.get(), theirs.data.get(), mine.length) != 0) return 0;
  }
  return 1;
}

int GTTTableCache::GetEntryCount() const { return static_cast<int>(counter_); }

// ---- Entries ----

int GTTTableCache::AddTable(uint32_t tagIndex, GByteBuffer* buffer) {
  std::unique_ptr<GByteBuffer> taken(buffer);
  if (tagIndex >= kEntryCount) return 0;
  const uint32_t length = taken != nullptr ? taken->GetLength() : 0;
  std::unique_ptr<uint8_t[]> data(length != 0 ? taken->TakeData() : nullptr);
  if (length != 0 && data == nullptr) return 0;
  Entry& entry = entries_[tagIndex];
  entry.present = 1;
  entry.length = length;
  entry.data = std::move(data);
  ++counter_;
  return 1;
}

GByteBuffer* GTTTableCache::FindTable(uint32_t tagIndex) const {
  if (tagIndex >= kEntryCount || entries_[tagIndex].present == 0) return nullptr;
  const Entry& entry = entries_[tagIndex];
  if (entry.length == 0) return new GByteBuffer(nullptr, 0, 1);
  return new GByteBuffer(entry.data.get(), entry.length, 0);
}

bool GTTTableCache::IsPresent(uint32_t tagIndex) const {
  return tagIndex < kEntryCount && entries_[tagIndex].present != 0;
}

uint32_t GTTTableCache::GetLength(uint32_t tagIndex) const {
  return tagIndex < kEntryCount ? entries_[tagIndex].length : 0;
}

void GTTTableCache::AssignFrom(GTTTableCache& other) {
  if (&other == this) return;
  for (uint32_t i = 0; i < kEntryCount; ++i) {
    Entry& from = other.entries_[i];
    Entry& to = entries_[i];
    if (from.present == 0 || to.present != 0) continue;
    to = std::move(from);
    from = Entry();
  }
}

// ---- Persistence ----

// A stored cache is spool data: the entry count may not exceed the 26 tag
// indexes and a present flag must be 0 or 1, else the input is damaged and
// the restore fails. A shorter list leaves the remaining entries absent.
// Each table's bytes are read in pieces, so a damaged length reserves no
// more than the input holds. The entries read before the input ends stay.
template <typename Archive>
void GTTTableCache::Members(Archive& archive) {
  archive.Version(ClassVersion());
  if constexpr (Archive::kReading) {
    unsigned char count = 0;
    uint32_t counter = 0;
    archive(count, counter);
    if (!archive.Ok()) return;
    if (count > kEntryCount) {
      GCacheFail(archive);
      return;
    }
    Clear();
    counter_ = counter;
    for (uint32_t i = 0; i < count; ++i) {
      int32_t present = 0;
      archive(present);
      if (!archive.Ok()) return;
      if (present == 0) continue;
      if (present != 1) {
        GCacheFail(archive);
        return;
      }
      uint32_t length = 0;
      uint8_t* block = nullptr;
      archive(length);
      if (!archive.Ok() || !GCacheBlock(archive, length, block)) return;
      Entry& entry = entries_[i];
      entry.present = 1;
      entry.length = length;
      entry.data.reset(block);
    }
  } else {
    unsigned char count = kEntryCount;
    archive(count, counter_);
    for (Entry& entry : entries_) {
      // Anything but 0 is written as 1, the one value a reader accepts.
      int32_t present = entry.present != 0 ? 1 : 0;
      archive(present);
      if (present == 0) continue;
      archive(entry.length);
      archive.Array(reinterpret_cast<unsigned char*>(entry.data.get()), entry.length);
    }
  }
}

RW_STORED_MEMBERS_DEFINE(GTTTableCache, MPersistentObject)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GTTTableCache*& out) {
  return MReadPersistentAs(stream, out);
}

RWBinaryFile& operator>>(RWBinaryFile& file, GTTTableCache*& out) { return MReadPersistentAs(file, out); }

RWCollectable* GTTTableCacheCreate() { return new GTTTableCache; }
