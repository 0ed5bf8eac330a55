// MPersistentCompositeOnDiskImp: the store behind every on-disk composite
// of one file name. It owns the open record file (a file-space manager
// holding a disk B-tree from record keys to block offsets) and the index of
// records of the objects in the file. Each object added is written into a
// block of its own; objects are read back by record, taken out of the file
// or left in it; the index is written into the file under "IndexOfRecords"
// when the store is destroyed, so the next opening of the file finds the
// objects again. MPersistentCompositeOnDiskIterator walks the index.
#pragma once

#include <cstdint>

#include "model/GCountedPtr.h"
#include "model/GRecord.h"
#include "model/GRecordComposite.h"
#include "model/MPersistentIterator.h"
#include "model/MPersistentKind.h"
#include "model/MPersistentObject.h"
#include "rw/RWCString.h"

class RWDiskBTree;
class RWFileSpaceManager;

constexpr RWClassID MPersistentCompositeOnDiskImpClassId = 782;

class MPersistentCompositeOnDiskImp : public MPersistentObject {
 public:
  // Records the index may hold directly before it refuses new objects.
  static constexpr int kMaxIndexRecords = 1073741807;
  // The key under which a closed file keeps its index.
  static constexpr const char* kIndexKey = "IndexOfRecords";

  // A store without a file.
  MPersistentCompositeOnDiskImp();
  // Opens the file (an existing one with its index, else a new one). A file
  // that cannot be opened, or whose index is damaged, leaves the store with
  // its error flag set.
  MPersistentCompositeOnDiskImp(const RWCString& fileName, const int32_t& id);
  // A store without a file, with the other's feature id and serial.
  MPersistentCompositeOnDiskImp(const MPersistentCompositeOnDiskImp& other);
  MPersistentCompositeOnDiskImp& operator=(const MPersistentCompositeOnDiskImp&) = delete;
  // Writes the index into the file and closes it (or removes the file when
  // that was asked for).
  ~MPersistentCompositeOnDiskImp() override;

  static RWClassID StaticClassId() { return MPersistentCompositeOnDiskImpClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(MPersistentCompositeOnDiskImp);
  // The base body and a version: the file and the index are never part of
  // a model stream.
  RW_STORED_MEMBERS();

  // Same class, feature id and the very same records in the same order.
  int Matches(const MPersistentObject* other) const override;

  // ---- The composite interface, over the index ----
  // Stores the object (an empty handle is ignored).
  void AddChildHandle(const GCountedRef& child) override;
  void InsertChildHandle(const GCountedRef& child) override;
  // Take the first stored object with the child's serial, the feature id,
  // the class id out of the file.
  void RemoveChildHandle(GCountedRef& out, const GCountedRef& child) override;
  void RemoveChildHandleById(GCountedRef& out, const int32_t& id) override;
  void RemoveChildHandleByClass(GCountedRef& out, const RWClassID& classId) override;
  int ReplaceChildHandleById(const int32_t& id, const GCountedRef& with) override;
  int ReplaceChildHandleByClass(const RWClassID& classId, const GCountedRef& with) override;
  // Empties the file: an empty store on the same file name.
  void RemoveAllChildren() override;
  // Read the first stored object with the key; it stays in the file.
  void HandleById(GCountedRef& out, const int32_t& id) override;
  void HandleByClass(GCountedRef& out, const RWClassID& classId) override;
  void HandleMatching(GCountedRef& out, const MPersistentObject* const& other) override;
  // Both the number of stored objects that the index's records stand for.
  int GetEntryCount() const override;
  int GetNodeCount() const override;
  // A new MPersistentCompositeOnDiskIterator; the caller deletes it.
  MPersistentIterator* CreateIterator() override;
  // Replaces the first stored object with the object's serial.
  virtual int ReplaceMatchingHandle(const GCountedRef& object, const GCountedRef& with);
  // Has no effect.
  virtual void IgnoreRequest(int32_t first, int32_t second);

  // ---- Store operations ----
  // Writes the object (a composite as its children and then a shell of
  // itself) and returns its record, which a top-level store also appends
  // to the index. Empty when nothing was stored: the error flag is set, the
  // index is full, or a serial of the object is stored already.
  GRecordRef StoreObject(const GCountedRef& object, int replacing);
  // Writes the object into a new block under the record's key; 0 (nothing
  // written) when the key is present already or the file fails.
  int WriteRecord(const GRecord& record, const MPersistentObject& object);
  // The record's object, taken out of the file (its key and block are
  // gone afterwards); a composite record brings its children back into the
  // object. Empty when the key is not in the file or the block is damaged.
  void TakeObject(GCountedRef& out, GRecord& record);
  // The same, leaving the object in the file.
  void PeekObject(GCountedRef& out, GRecord& record);
  // Takes the record's object out and stores the new one in its place
  // (its record appended to the index, see TakeReplacement); 1 when done.
  // Nothing changes when the new object cannot be stored.
  int ReplaceObject(GRecord& record, const GCountedRef& with);
  // The record that the last successful ReplaceObject made; empty after.
  GRecordRef TakeReplacement();

  // ---- State ----
  const RWCString& FileName() const { return fileName_; }
  // A file is open (it may have failed since).
  bool HasFile() const { return manager_ != nullptr; }
  // 1 after a failed opening or a file error.
  int ErrorFlag() const { return errorFlag_; }
  // Non-zero when the store has failed: its flag or its file's error
  // indicator.
  int ErrorState() const;
  GRecordComposite& Index() { return index_; }
  // The file is removed when the store is destroyed (at its last release).
  void RemoveFileWhenDestroyed() { removeFile_ = true; }

 private:
  friend class MPersistentCompositeOnDiskIterator;
  class FileErrorScope;
  class SearchGuard;

  void OpenFile();
  // The tree of an existing file has the record keys' parameters.
  bool TreeIsARecordTree();
  void ReadIndex();
  void CloseFile();
  // The file is usable: open, no error flag, no error indicator.
  bool FileUsable() const;
  void NoteFileError();
  // Reads the record's object; remove takes its key and block as well.
  void ReadObject(GCountedRef& out, GRecord& record, bool remove);
  // Whether the object (and, for a composite, its children) can be stored:
  // none of their serials is stored already, except those of allowed, and
  // no serial comes twice.
  bool KeysAreFree(MPersistentObject& object, const GRecord* allowed);
  // Refuses an on-disk composite that is kept in this store's own file.
  bool IsThisStore(MPersistentObject& object) const;
  // Frees the keys and blocks of the record's children (and with self, of
  // the record itself): what a store that failed half-way had written.
  void DiscardRecord(GRecord& record, bool self);

  RWFileSpaceManager* manager_ = nullptr;
  RWDiskBTree* tree_ = nullptr;
  GRecordComposite index_;
  RWCString fileName_;
  int32_t errorFlag_ = 0;
  bool removeFile_ = false;
  int searching_ = 0;  // a search of the index runs on this store
  GRecordRef lastReplacement_;
};

// The handle-form iterator over a store's index. It reads objects with the
// store's peek (they stay in the file); it does not hold the store and must
// not outlive it.
class MPersistentCompositeOnDiskIterator : public MPersistentHandleIterator {
 public:
  explicit MPersistentCompositeOnDiskIterator(MPersistentCompositeOnDiskImp* store);
  ~MPersistentCompositeOnDiskIterator() override;

  // Always null: stored objects are reached only through handles.
  MPersistentObject* Current() override;
  // As ReplaceCurrentHandle.
  void ReplaceCurrent(MPersistentObject* object) override;
  // 1 while on a record; at the end 0, and the cursor goes back before the
  // first record.
  int Advance() override;
  void Reset() override;
  // The object of the record under the cursor (read, left in the file).
  void CurrentHandle(GCountedRef& out) override;
  // Takes the current object out of the store.
  void RemoveCurrent() override;
  // Replaces the current object in the store by the object.
  void ReplaceCurrentHandle(const GCountedRef& object) override;
  int AdvanceHandle() override;

 private:
  bool OnRecord() const;
  // Puts the cursor back after the list changed under it: on the link that
  // holds current, else on the one holding previous (or before the first
  // record), or with onNext on the link after that one.
  void Recover(const GRecordRef& current, const GRecordRef& previous, bool onNext);

  MPersistentCompositeOnDiskImp* store_;
  RWDlistLink* cursor_;
};

RWCollectable* MPersistentCompositeOnDiskImpCreate();
