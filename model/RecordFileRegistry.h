// RecordFileRegistry: the process-wide list of the record files that on-disk
// composites have open. Each open composite has one entry {file name,
// store}; all entries of one name share one store, so every composite of a
// file works on the same open file and index. RecordFileLock is the one
// lock of all record stores of the process: the registry and the stores'
// file operations run inside it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/GCountedPtr.h"
#include "rw/RWCString.h"

class MPersistentCompositeOnDiskImp;

class RecordFileLock {
 public:
  // The critical section is made at start-up, or at the first use when
  // that comes earlier; it is recursive, so locked operations may nest.
  static void Enter();
  static void Leave();

  // Holds the lock for the length of a scope.
  class Scope {
   public:
    Scope() { Enter(); }
    ~Scope() { Leave(); }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
  };
};

class RecordFileRegistry {
 public:
  // Adds an entry for the name and sets store to the name's store: the one
  // of the first entry with that name (the new entry goes right after it),
  // else a store of that name that is still alive without entries (a copy
  // of a composite holds it), else a new store opened on the file with the
  // feature id (the new entry goes at the end). So one file never has two
  // stores, each with its own idea of the file's content.
  static void Attach(const RWCString& name, const int32_t& id, GCountedRef& store);
  // A store made here is being destroyed: it is no longer found by name.
  static void Forget(const MPersistentCompositeOnDiskImp* store);
  // Removes the first entry with the name; false when there was none.
  // remaining tells whether another entry of the name is left.
  static bool Detach(const RWCString& name, bool& remaining);
  // The store of the first entry with the name; empty when there is none.
  static GCountedRef StoreOf(const RWCString& name);
  // Entries with the name (bytes compared, case counts), and in all.
  static size_t CountEntries(const RWCString& name);
  static size_t Count();
  // Lets every entry go and empties the list (at process exit): stores of
  // which an entry was the last holder write their index and close.
  static void ReleaseAll();
};
