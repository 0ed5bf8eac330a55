// MPersistentCompositeOnDisk: a composite whose children live in a record
// file instead of in memory. Callers hold it; it forwards the handle
// operations of the model interface to the store of its file
// (MPersistentCompositeOnDiskImp), which every composite of the same file
// name shares through the record-file registry. Objects enter and leave it
// only through the handle operations; the plain child operations keep the
// behaviour of a leaf.
#pragma once

#include <cstdint>

#include "model/GCountedPtr.h"
#include "model/MPersistentObject.h"
#include "rw/RWCString.h"
#include "rw/RWWString.h"
#include "rw/RWMembers.h"

class MPersistentCompositeOnDiskImp;

constexpr RWClassID MPersistentCompositeOnDiskClassId = 781;

class MPersistentCompositeOnDisk : public MPersistentObject {
 public:
  static constexpr int32_t kOpen = 1;
  static constexpr int32_t kClosed = 2;

  // Closed, without a file name. With the delete flag 1 the file is removed
  // once the last user of it has let go.
  explicit MPersistentCompositeOnDisk(int32_t deleteFlag = 0);
  // Open on the file (the name converted to narrow text).
  MPersistentCompositeOnDisk(const RWWString& fileName, int32_t deleteFlag, const int32_t& id);
  // The other's feature id, serial, delete flag, file name, state and store
  // (shared).
  MPersistentCompositeOnDisk(const MPersistentCompositeOnDisk& other);
  // Nothing when both are one object or share the store; else this one is
  // closed, then the feature id, serial, delete flag, store, file name and
  // state are copied.
  MPersistentCompositeOnDisk& operator=(const MPersistentCompositeOnDisk& other);
  // Closes; then lets go of the store. With the delete flag the file goes
  // when the store does (at once when nobody else has the file open).
  ~MPersistentCompositeOnDisk() override;

  static RWClassID StaticClassId() { return MPersistentCompositeOnDiskClassId; }
  static uint32_t ClassVersion() { return 1; }

  // Attaches to the store of the file through the registry; nothing when
  // open already. The composite's own file name is not changed.
  void Open(const RWCString& fileName);
  // Detaches and lets go of the store; nothing when closed. When the last
  // holder lets go, the store writes its index and closes the file.
  void Close();
  // The name of the store's open file; empty when it has none.
  void GetFileName(RWCString& out);
  // 0 when the store works; non-zero after its file failed. A closed
  // composite answers what it found last.
  int HasError();
  // The store, opened on the stored file name first when closed.
  void GetStore(GCountedRef& out);

  // ---- RWCollectable ----
  QV_PERSISTENT_KIND(MPersistentCompositeOnDisk);
  // Restoring keeps the delete flag and the name and leaves the composite
  // open on that file. It attaches to the file's store at its first use,
  // after the restore: the store reads its own file then, as a read of its
  // own rather than inside the restore under way.
  // The state word read is not used (the composite opens whatever it says)
  // but it is kept: until a caller closes the composite, a save writes that
  // word back unchanged, so a stored graph saves again to the same bytes
  // (a composite stored closed would otherwise come back as stored open).
  RW_STORED_MEMBERS();

  // Same class, file name, state, store object and delete flag.
  int Matches(const MPersistentObject* other) const override;

  // ---- Forwarded to the store ----
  void AddChildHandle(const GCountedRef& child) override;
  void InsertChildHandle(const GCountedRef& child) override;
  void RemoveChildHandle(GCountedRef& out, const GCountedRef& child) override;
  void RemoveChildHandleById(GCountedRef& out, const int32_t& id) override;
  void RemoveChildHandleByClass(GCountedRef& out, const RWClassID& classId) override;
  int ReplaceChildHandleById(const int32_t& id, const GCountedRef& with) override;
  int ReplaceChildHandleByClass(const RWClassID& classId, const GCountedRef& with) override;
  void RemoveAllChildren() override;
  void HandleById(GCountedRef& out, const int32_t& id) override;
  void HandleByClass(GCountedRef& out, const RWClassID& classId) override;
  void HandleMatching(GCountedRef& out, const MPersistentObject* const& other) override;
  int GetEntryCount() const override;
  int GetNodeCount() const override;
  MPersistentIterator* CreateIterator() override;
  virtual int ReplaceMatchingHandle(const GCountedRef& object, const GCountedRef& with);
  virtual void IgnoreRequest(int32_t first, int32_t second);

  // ---- State ----
  int32_t State() const { return state_; }
  int32_t DeleteFlag() const { return deleteFlag_; }
  const RWCString& StoredFileName() const { return fileName_; }
  // The store held now, without opening anything; null when none.
  const MPersistentCompositeOnDiskImp* AttachedStore() const;

 private:
  // The store (attaching or opening first); keep holds it for the caller.
  MPersistentCompositeOnDiskImp* Store(GCountedRef& keep);
  // Takes the registry entry of a composite left open by a restore.
  void AttachRestored();
  // After a restore: open on the name, attached at the first use; the
  // state word read is kept for the saves.
  void OpenRestored(const RWCString& name, int32_t deleteFlag, int32_t storedState);
  // The state word a save writes.
  int32_t StateToStore() const;

  RWCString fileName_;
  int32_t state_ = kClosed;
  GCountedRef store_;
  int32_t deleteFlag_;
  int32_t lastError_ = 0;
  bool attachPending_ = false;
  // The state word of the restore, written back by the saves while
  // keepStoredState_ holds (from the restore to the next Close).
  int32_t storedState_ = kClosed;
  bool keepStoredState_ = false;
};

RWCollectable* MPersistentCompositeOnDiskCreate();
