// GKeyedCache: an ordered table from a 32-bit key to a persistent object, the
// store of the font database (faces) and of the font pool (TrueType fonts).
// An event callback decides what a restore does when a stored entry meets a
// held one under the same key, and which entries a purge removes; a save
// filter given to each save decides which entries are written. The cache
// deletes a value only when a restore replaces it or a purge removes it;
// otherwise the owner's counts decide a value's life.
//
// Stored form (file and virtual stream alike): the number of entries
// written (32-bit), then for each in key order its key (32-bit) and the
// value as a framed object.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

class MPersistentObject;
class RWBinaryFile;
class RWVirtualInStream;
class RWVirtualOutStream;

class GKeyedCache {
 public:
  // Events of the event callback.
  static constexpr int kPurgeQuery = 1;  // existing = the entry; 1 removes it
  static constexpr int kAdded = 3;       // value = the entry a restore inserted
  static constexpr int kConflict = 5;    // 1 replaces existing by the restored value
  // Events of the save filter.
  static constexpr int kCountQuery = 0;
  static constexpr int kWriteQuery = 1;
  static constexpr int kWritten = 2;

  typedef int (*EventCallback)(MPersistentObject* value, MPersistentObject* existing, int event);
  typedef int (*SaveFilter)(MPersistentObject* value, int event, void* userData);

  explicit GKeyedCache(EventCallback callback = nullptr);
  // Forgets every entry; the values are not deleted.
  ~GKeyedCache();
  GKeyedCache(const GKeyedCache&) = delete;
  GKeyedCache& operator=(const GKeyedCache&) = delete;

  // 1 when inserted, 0 when the key is present (nothing changes) or the
  // value is null.
  int Insert(uint32_t key, MPersistentObject* value);
  MPersistentObject* Find(uint32_t key) const;
  // Removes the entry and returns its value (not deleted), or null.
  MPersistentObject* Remove(uint32_t key);
  int Contains(uint32_t key) const;
  uint32_t GetCount() const;
  // The number of entries; *keys receives a new array of the keys in order
  // (the caller deletes it with delete[]), null when empty.
  uint32_t GetKeys(uint32_t** keys) const;
  // Removes and deletes every value the callback answers 1 to the purge
  // query for.
  void Purge();

  // 1; on the file 0 when the file reports an error.
  int SaveToStream(RWVirtualOutStream& stream, SaveFilter filter, void* userData);
  int SaveToFile(RWBinaryFile& file, SaveFilter filter, void* userData);
  // Merges the stored entries (see the event callback). 1 on success; 0
  // when the input is damaged or ends early (what was read by then stays).
  int RestoreFromStream(RWVirtualInStream& stream);
  int RestoreFromFile(RWBinaryFile& file);

 private:
  template <typename Out>
  int Save(Out& out, SaveFilter filter, void* userData);
  template <typename In>
  int Restore(In& in);
  // Takes a restored pair in: inserted, merged or discarded.
  void Merge(uint32_t key, MPersistentObject* restored);

  EventCallback callback_;
  std::map<uint32_t, MPersistentObject*> entries_;
};
