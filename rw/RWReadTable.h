// RWReadTable: the identity table of one restore. Slot i holds what index i
// of the stored graph stands for: an object read so far, or (in the slot
// after the first object of a class stored by string id) that class's id.
// Back references in the input are resolved through it. The table also
// keeps the state of the restore it serves: whether it has failed, and which
// objects it created, so that a failed restore can free them.
//
// RWReadTableGuard binds one table to the current thread for the whole of an
// outermost restore; nested reads share it. While the outermost guard lives,
// the errors that damaged input raises (MAGIC, REF, NOCREATE, STREAM,
// SYNSTREAM) do not reach the error handler: they fail the restore instead,
// and every later read of that restore reads nothing.
//
// Ownership after a failed restore: the outermost guard deletes every object
// the restore created except those that a restored owner has adopted
// (RWReadTableGuard::Adopt). Collections hold their elements without owning
// them, so elements are deleted with the rest; a class whose objects delete
// restored objects they hold (through counted handles, say) must adopt each
// one as it takes it, or the object would be deleted twice.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "rw/RWCollectable.h"

// One slot: an object, or a class id.
struct RWReadTableEntry {
  static RWReadTableEntry ForObject(RWCollectable* object) { return {object, 0, false}; }
  static RWReadTableEntry ForClassId(RWClassID id) { return {nullptr, id, true}; }

  RWCollectable* object;
  RWClassID classId;
  bool holdsClassId;
};

class RWReadTable {
 public:
  // Capacity 30, slot 0 the null object (RWNullObjectInstance).
  RWReadTable();
  ~RWReadTable();
  RWReadTable(const RWReadTable&) = delete;
  RWReadTable& operator=(const RWReadTable&) = delete;

  uint32_t Count() const { return count_; }
  uint32_t Capacity() const { return capacity_; }
  // Slot i (i < Count ()).
  const RWReadTableEntry& Slot(uint32_t i) const { return slots_[i]; }

  // Appends the entry; index receives its slot. Grows the array when it is
  // full (RWGrowCapacity); false when the array cannot grow (nothing is
  // appended).
  bool Append(uint32_t& index, const RWReadTableEntry& entry);

  // Resolves a back reference. Raises REF (RWInternalLogicError) and
  // returns false when index is not below Count (), when its slot holds a
  // class id, or when expected is given and the slot holds another object.
  // Otherwise object receives the slot's object (the null object as null).
  bool ObjectAt(uint32_t index, const RWCollectable* expected, RWCollectable*& object);
  // The class id held in slot index; raises REF and returns false when the
  // index is not below Count () or the slot holds an object.
  bool ClassIdAt(uint32_t index, RWClassID& id);

  // ---- State of the restore ----
  bool Failed() const { return failed_; }
  // Marks the restore failed; the first text given is kept.
  void Fail(const char* text);
  const std::string& FailureText() const { return failureText_; }
  // Remembers an object the restore created (it is freed if the restore
  // fails, unless adopted).
  void Created(RWCollectable* object);
  void Adopt(const RWCollectable* object);
  // Deletes the created objects that were not adopted, latest first.
  void DeleteCreated();

  // Nesting depth of the references being read, bounded so that a damaged
  // input cannot exhaust the stack.
  uint32_t& Depth() { return depth_; }

 private:
  RWReadTableEntry* slots_;
  uint32_t count_ = 0;
  uint32_t capacity_ = 0;
  uint32_t depth_ = 0;
  bool failed_ = false;
  std::string failureText_;
  // Created objects in order of creation, and those adopted since.
  std::vector<RWCollectable*> created_;
  std::unordered_set<const RWCollectable*> adopted_;
};

// Makes the thread's read table available for one operation. The first
// guard of a thread (the outermost restore) creates the table, routes the
// damaged-input errors into it, and at its end deletes what a failed restore
// created (see above) and then the table; guards made while it lives share
// the table.
class RWReadTableGuard {
 public:
  RWReadTableGuard();
  ~RWReadTableGuard();
  RWReadTableGuard(const RWReadTableGuard&) = delete;
  RWReadTableGuard& operator=(const RWReadTableGuard&) = delete;

  bool IsTopLevel() const { return topLevel_; }
  RWReadTable& Table() const { return *table_; }
  // Appends to the thread's table (see RWReadTable::Append).
  bool Append(uint32_t& index, const RWReadTableEntry& entry) { return table_->Append(index, entry); }

  // Called by an owner that has taken an object returned by a restore in
  // progress on this thread and will delete it itself. Does nothing when no
  // restore is in progress.
  static void Adopt(const RWCollectable* object);
  // True while a restore is in progress on this thread and has failed.
  static bool RestoreFailed();
  // Why this thread's latest outermost restore failed (the text of the
  // error, or of EOF for input that ended early); empty when it did not.
  static std::string LastFailureText();

 private:
  RWReadTable* table_;
  bool topLevel_;
  int uncaught_ = 0;
  class Interceptor;
  Interceptor* interceptor_ = nullptr;
};
