#include "graphics/GKeyedCache.h"

#include <vector>

#include "model/MPersistentObject.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWVirtualStream.h"

namespace {

// The typed calls of the two stored forms, so that a save and a restore are
// written once.
bool KeyedPutULong(RWVirtualOutStream& stream, uint32_t value) {
  stream.PutULong(value);
  return stream.Good();
}
bool KeyedPutULong(RWBinaryFile& file, uint32_t value) { return file.WriteULong(value); }
bool KeyedGetULong(RWVirtualInStream& stream, uint32_t& value) {
  stream.GetULong(value);
  return stream.Good();
}
bool KeyedGetULong(RWBinaryFile& file, uint32_t& value) { return file.ReadULong(value); }
void KeyedPutObject(RWVirtualOutStream& stream, const MPersistentObject* value) { RWWriteObjectPointer(stream, value); }
void KeyedPutObject(RWBinaryFile& file, const MPersistentObject* value) { RWWriteObjectPointerToFile(file, value); }
void KeyedGetObject(RWVirtualInStream& stream, RWCollectable*& value) { RWReadObjectPointer(stream, value); }
void KeyedGetObject(RWBinaryFile& file, RWCollectable*& value) { RWReadObjectPointerFromFile(file, value); }
bool KeyedOutputFailed(RWVirtualOutStream& stream) { return !stream.Good(); }
bool KeyedOutputFailed(RWBinaryFile& file) { return file.HasError(); }
bool KeyedInputFailed(RWVirtualInStream& stream) { return !stream.Good(); }
bool KeyedInputFailed(RWBinaryFile& file) { return file.HasError() || file.IsAtEnd(); }

}  // namespace

GKeyedCache::GKeyedCache(EventCallback callback) : callback_(callback) {}

GKeyedCache::~GKeyedCache() = default;

int GKeyedCache::Insert(uint32_t key, MPersistentObject* value) {
  if (value == nullptr) return 0;
  return entries_.emplace(key, value).second ? 1 : 0;
}

MPersistentObject* GKeyedCache::Find(uint32_t key) const {
  auto it = entries_.find(key);
  return it != entries_.end() ? it->second : nullptr;
}

MPersistentObject* GKeyedCache::Remove(uint32_t key) {
  auto it = entries_.find(key);
  if (it == entries_.end()) return nullptr;
  MPersistentObject* value = it->second;
  entries_.erase(it);
  return value;
}

int GKeyedCache::Contains(uint32_t key) const { return entries_.count(key) != 0 ? 1 : 0; }

uint32_t GKeyedCache::GetCount() const { return static_cast<uint32_t>(entries_.size()); }

uint32_t GKeyedCache::GetKeys(uint32_t** keys) const {
  if (keys != nullptr) {
    *keys = nullptr;
    if (!entries_.empty()) {
      *keys = new uint32_t[entries_.size()];
      uint32_t i = 0;
      for (const auto& entry : entries_) (*keys)[i++] = entry.first;
    }
  }
  return GetCount();
}

void GKeyedCache::Purge() {
  if (callback_ == nullptr) return;
  std::vector<uint32_t> doomed;
  for (const auto& entry : entries_)
    if (callback_(nullptr, entry.second, kPurgeQuery) == 1) doomed.push_back(entry.first);
  for (uint32_t key : doomed) delete Remove(key);
}

template <typename Out>
int GKeyedCache::Save(Out& out, SaveFilter filter, void* userData) {
  uint32_t count = 0;
  for (const auto& entry : entries_)
    if (filter == nullptr || filter(entry.second, kCountQuery, userData) == 1) ++count;
  KeyedPutULong(out, count);
  // The count was taken before the writes; an entry that the write query
  // then refuses is left out, so the number written is never above it.
  uint32_t written = 0;
  for (const auto& entry : entries_) {
    if (KeyedOutputFailed(out)) return 0;
    if (written == count) break;
    if (filter != nullptr && filter(entry.second, kWriteQuery, userData) != 1) continue;
    KeyedPutULong(out, entry.first);
    KeyedPutObject(out, entry.second);
    ++written;
    if (filter != nullptr) filter(entry.second, kWritten, userData);
  }
  return KeyedOutputFailed(out) ? 0 : 1;
}

int GKeyedCache::SaveToStream(RWVirtualOutStream& stream, SaveFilter filter, void* userData) {
  Save(stream, filter, userData);
  return 1;
}

int GKeyedCache::SaveToFile(RWBinaryFile& file, SaveFilter filter, void* userData) {
  return Save(file, filter, userData);
}

void GKeyedCache::Merge(uint32_t key, MPersistentObject* restored) {
  auto it = entries_.find(key);
  if (it == entries_.end()) {
    entries_.emplace(key, restored);
    if (callback_ != nullptr) callback_(restored, nullptr, kAdded);
    return;
  }
  MPersistentObject* existing = it->second;
  if (existing == restored) return;
  if (callback_ == nullptr || callback_(restored, existing, kConflict) == 1) {
    it->second = restored;
    delete existing;
  } else {
    delete restored;
  }
}

// Entries are read one at a time, so a damaged count reserves nothing; a
// stored value that is not a persistent object is discarded.
template <typename In>
int GKeyedCache::Restore(In& in) {
  uint32_t count = 0;
  if (!KeyedGetULong(in, count)) return 0;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t key = 0;
    if (!KeyedGetULong(in, key)) return 0;
    RWCollectable* read = nullptr;
    KeyedGetObject(in, read);
    if (KeyedInputFailed(in)) {
      delete read;
      return 0;
    }
    if (read == nullptr) continue;
    auto* value = dynamic_cast<MPersistentObject*>(read);
    if (value == nullptr) {
      delete read;
      continue;
    }
    Merge(key, value);
  }
  return 1;
}

int GKeyedCache::RestoreFromStream(RWVirtualInStream& stream) { return Restore(stream); }

int GKeyedCache::RestoreFromFile(RWBinaryFile& file) { return Restore(file); }
