// GTTTableCache: the whole TrueType tables that a font reader has read,
// kept by the reader's tag index (0 to 25), so that a table is fetched from
// the font once. An entry can also record that the font has no such table
// (present with length 0). The cache is saved with its reader, so that a
// font travelling with a job's spool data arrives with its tables already
// read, and the caches of two copies of one font can be merged. Entries are
// never evicted.
#pragma once

#include <cstdint>
#include <memory>

#include "graphics/GByteBuffer.h"
#include "model/MPersistentObject.h"
#include "rw/RWMembers.h"

constexpr RWClassID GTTTableCacheClassId = 872;

class GTTTableCache : public MPersistentObject {
 public:
  // The number of entries: one per tag index of the reader's tag table.
  static constexpr uint32_t kEntryCount = 26;

  // Every entry absent; the counter 0.
  GTTTableCache();
  // Copies every entry's bytes and the counter.
  GTTTableCache(const GTTTableCache& other);
  GTTTableCache& operator=(const GTTTableCache& other);
  ~GTTTableCache() override;

  static RWClassID StaticClassId() { return GTTTableCacheClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GTTTableCache);
  // Same class and feature id, and every entry equal: present flags,
  // lengths and bytes.
  int Matches(const MPersistentObject* other) const override;
  // The counter: how many tables were added, replacements included.
  int GetEntryCount() const override;

  // Stored body after the persistent base: version 1; the entry count 26
  // (8-bit); the counter (32-bit); then each entry: present (int32) and,
  // when 1, its length (32-bit) and that many bytes.
  RW_STORED_MEMBERS();

  // Merges the other cache into this one: every entry present there and
  // absent here moves here (the other's entry becomes absent). Entries
  // present in both stay where they are. The counters do not change.
  virtual void AssignFrom(GTTTableCache& other);

  // Makes the entry present with the buffer's length and bytes (none for
  // length 0: the font has no such table; a null buffer counts as such)
  // and counts the add. The cache takes the buffer's bytes when the buffer
  // owns them (the buffer stays a view of them) or copies them, and
  // deletes the buffer. 1 when stored; 0, with nothing changed, for a tag
  // index of 26 or more or when no memory was left for a copy.
  int AddTable(uint32_t tagIndex, GByteBuffer* buffer);
  // A new buffer the caller deletes: null when the entry is absent (or the
  // tag index is out of range); an empty owning buffer when the entry
  // records a missing table; otherwise a view of the cached bytes, valid
  // while the entry is neither replaced nor merged away.
  GByteBuffer* FindTable(uint32_t tagIndex) const;
  // Whether the entry is present, and its length (0 when absent).
  bool IsPresent(uint32_t tagIndex) const;
  uint32_t GetLength(uint32_t tagIndex) const;

 private:
  struct Entry {
    int32_t present = 0;
    uint32_t length = 0;
    std::unique_ptr<uint8_t[]> data;  // length bytes, null when length is 0
  };

  void CopyEntriesOf(const GTTTableCache& other);
  void Clear();
  uint32_t counter_;
  Entry entries_[kEntryCount];
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GTTTableCache*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GTTTableCache*& out);

RWCollectable* GTTTableCacheCreate();
