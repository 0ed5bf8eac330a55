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

uint32_t GTTTableCache::MembersStoreSize() const {
  uint32_t size = MPersistentObject::MembersStoreSize() + 9;
  for (const Entry& entry : entries_) size += entry.present != 0 ? entry.length + 8 : 4;
  return size;
}

template <typename Output>
void GTTTableCache::SaveBody(Output& output) const {
  output.U32(ClassVersion());
  output.U8(static_cast<uint8_t>(kEntryCount));
  output.U32(counter_);
  for (const Entry& entry : entries_) {
    // Anything but 0 is written as 1, the one value a reader accepts.
    output.I32(entry.present != 0 ? 1 : 0);
    if (entry.present == 0) continue;
    output.U32(entry.length);
    output.Bytes(entry.data.get(), entry.length);
  }
}

void GTTTableCache::SaveMembers(RWVirtualOutStream& stream) const {
  MPersistentObject::SaveMembers(stream);
  GCacheStreamOutput output(stream);
  SaveBody(output);
}

void GTTTableCache::SaveMembersToFile(RWBinaryFile& file) const {
  MPersistentObject::SaveMembersToFile(file);
  GCacheFileOutput output(file);
  SaveBody(output);
}

// A stored cache is spool data: the entry count may not exceed the 26 tag
// indexes and a present flag must be 0 or 1, else the input is damaged and
// the restore fails. A shorter list leaves the remaining entries absent.
// Each table's bytes are read in pieces, so a damaged length reserves no
// more than the input holds. The entries read before the input ends stay.
template <typename Input>
void GTTTableCache::RestoreBody(Input& input) {
  uint32_t version = 0;
  if (!input.U32(version) || version != ClassVersion()) return;
  uint8_t count = 0;
  uint32_t counter = 0;
  if (!input.U8(count) || !input.U32(counter)) return;
  if (count > kEntryCount) {
    input.Fail();
    return;
  }
  Clear();
  counter_ = counter;
  for (uint32_t i = 0; i < count; ++i) {
    int32_t present = 0;
    if (!input.I32(present)) return;
    if (present == 0) continue;
    if (present != 1) {
      input.Fail();
      return;
    }
    uint32_t length = 0;
    uint8_t* block = nullptr;
    if (!input.U32(length) || !input.Bytes(length, block)) return;
    Entry& entry = entries_[i];
    entry.present = 1;
    entry.length = length;
    entry.data.reset(block);
  }
}

void GTTTableCache::RestoreMembers(RWVirtualInStream& stream) {
  MPersistentObject::RestoreMembers(stream);
  GCacheStreamInput input(stream);
  RestoreBody(input);
}

void GTTTableCache::RestoreMembersFromFile(RWBinaryFile& file) {
  MPersistentObject::RestoreMembersFromFile(file);
  GCacheFileInput input(file);
  RestoreBody(input);
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GTTTableCache*& out) {
  return MReadPersistentAs(stream, out);
}

RWBinaryFile& operator>>(RWBinaryFile& file, GTTTableCache*& out) { return MReadPersistentAs(file, out); }

RWCollectable* GTTTableCacheCreate() { return new GTTTableCache; }
