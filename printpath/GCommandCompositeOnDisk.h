// GCommandCompositeOnDisk: a command that stands for an ordered list of
// commands kept as records of an on-disk record store rather than in
// memory, so that whole pages or documents can be spooled. Commands enter
// the store through the handle operations; a peripheral replays them
// through the composite's iterator, which reads each record back (and, for
// a spooled page, first restores the job's downloaded fonts) and writes a
// replaced member back to the store.
#pragma once

#include <cstdint>

#include "model/GCommand.h"
#include "model/GFeatureIds.h"
#include "model/MPersistentCompositeOnDisk.h"
#include "model/MPersistentIterator.h"
#include "rw/RWWString.h"
#include "rw/RWMembers.h"


class GCommandCompositeOnDisk : public GCommand {
 public:
  // Callback of ForEachChild: a handle on each record's object in turn.
  typedef void (*RecordFunction)(GCountedRef* record, int userData);

  // Without a file (what the class factory makes before a restore).
  GCommandCompositeOnDisk();
  // Opens (creates) the record file at once. With the delete flag 1 the
  // file is removed when the last composite of it goes.
  GCommandCompositeOnDisk(const RWWString& fileName, int32_t deleteFlag, const int32_t* id);
  // Shares the settings and the store.
  GCommandCompositeOnDisk(const GCommandCompositeOnDisk& other);
  GCommandCompositeOnDisk& operator=(const GCommandCompositeOnDisk& other);
  ~GCommandCompositeOnDisk() override;

  static RWClassID StaticClassId() { return GCommandCompositeOnDiskClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GCommandCompositeOnDisk);
  // The same object, or equal class ids, matching command parts and
  // matching stores.
  int Matches(const MPersistentObject* other) const override;

  // Stored body after the command part: version 1, then the store as one
  // object (its file name, state and delete flag); the records stay in the
  // store's file.
  RW_STORED_MEMBERS();

  // ---- Records ----
  // A command is appended to the store as a new record; anything else is
  // ignored.
  void AddChildHandle(const GCountedRef& child) override;
  void RemoveChildHandle(GCountedRef& out, const GCountedRef& child) override;
  void RemoveChildHandleById(GCountedRef& out, const int32_t& id) override;
  void RemoveChildHandleByClass(GCountedRef& out, const RWClassID& classId) override;
  int ReplaceChildHandleById(const int32_t& id, const GCountedRef& with) override;
  int ReplaceChildHandleByClass(const RWClassID& classId, const GCountedRef& with) override;
  void HandleById(GCountedRef& out, const int32_t& id) override;
  void HandleByClass(GCountedRef& out, const RWClassID& classId) override;
  void HandleMatching(GCountedRef& out, const MPersistentObject* const& other) override;
  int GetEntryCount() const override;
  int GetNodeCount() const override;
  // A GCommandCompositeOnDiskIterator; the caller deletes it.
  MPersistentIterator* CreateIterator() override;

  // Settings by handle go to the store: assigning replaces the record with
  // id 406 by the settings (stamped 406); fetching takes that record out.
  void AssignSettings(const GCountedPtr& settings) override;
  GCountedPtr GetSettingsHandle() const override;

  // Writes the index and closes the file; the records stay readable.
  void Close();
  // 0 while the store works; any other value: the spool failed.
  int GetStoreError();
  // Calls the function with a handle on each record's object in order,
  // holding the record-file lock.
  virtual void ForEachChild(RecordFunction function, int userData);

  // The composite does not dispatch: 0 without calling the peripheral.
  int16_t Dispatch(GPeripheral* peripheral) override;

  MPersistentCompositeOnDisk& Store() { return store_; }

 private:
  friend class GCommandCompositeOnDiskIterator;
  // Reloads the job's fonts named by the settings (attributes 407, 408)
  // through the upward services' spool-font load, under SpoolLock.
  void RestoreFonts();

  // mutable: fetching the settings takes their record out of the store.
  mutable MPersistentCompositeOnDisk store_;
};

// The iterator of an on-disk composite: it opens the store for the walk
// (restoring the job's fonts first) and closes it again when it goes, when
// the walk was what opened it. It holds the composite's store while it
// lives.
class GCommandCompositeOnDiskIterator : public MPersistentHandleIterator {
 public:
  explicit GCommandCompositeOnDiskIterator(GCommandCompositeOnDisk* composite);
  ~GCommandCompositeOnDiskIterator() override;

  MPersistentObject* Current() override;
  void ReplaceCurrent(MPersistentObject* object) override;
  int Advance() override;
  void Reset() override;
  void CurrentHandle(GCountedRef& out) override;
  void RemoveCurrent() override;
  void ReplaceCurrentHandle(const GCountedRef& object) override;
  int AdvanceHandle() override;

 private:
  GCommandCompositeOnDisk* composite_;
  GCountedRef store_;
  MPersistentHandleIterator* inner_;
  bool opened_;
};

RWCollectable* GCommandCompositeOnDiskCreate();
