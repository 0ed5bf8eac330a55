// RWStoreTable: the identity table of one save. It numbers every object (by
// address) and every class string id in the order a save first reaches
// them, so that the second time either is met the save writes its index
// instead. RWStoreTableGuard binds one table to the current thread for the
// whole of an outermost save (or size computation); nested writes share it.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "rw/RWCollectable.h"
#include "rw/RWStringID.h"

class RWStoreTable {
 public:
  // A table holding the null object (RWNullObjectInstance) at index 0.
  RWStoreTable();
  ~RWStoreTable();
  RWStoreTable(const RWStoreTable&) = delete;
  RWStoreTable& operator=(const RWStoreTable&) = delete;

  // Each entry is found or added with one hash look-up, so a save stays
  // linear in the objects it writes.
  // Enters the object. True when it was new: index receives the index it
  // takes (the number of entries before it). False when it was there
  // already: index receives its index.
  bool Enter(const RWCollectable* object, uint32_t& index);
  // The same for a class string id (compared by length and bytes).
  bool EnterStringId(const RWStringID& id, uint32_t& index);
  // The number of entries (objects and string ids).
  uint32_t Count() const;

 private:
  // Objects by address; class string ids by their bytes. Both share one
  // numbering, in the order of first entry.
  std::unordered_map<const RWCollectable*, uint32_t> objects_;
  std::unordered_map<std::string, uint32_t> stringIds_;
};

// Makes the thread's store table available for one operation. The first
// guard of a thread (the outermost operation) creates the table and deletes
// it when it ends; guards made while it lives share it.
class RWStoreTableGuard {
 public:
  RWStoreTableGuard();
  ~RWStoreTableGuard();
  RWStoreTableGuard(const RWStoreTableGuard&) = delete;
  RWStoreTableGuard& operator=(const RWStoreTableGuard&) = delete;

  bool IsTopLevel() const { return topLevel_; }
  RWStoreTable& Table() const { return *table_; }

 private:
  RWStoreTable* table_;
  bool topLevel_;
};
