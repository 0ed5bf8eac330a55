// GRecord: what a record store keeps in memory for one object that it has
// written into its file: the object's class id, serial and feature id. The
// serial names the object's block in the file (GetKey). Records answer the
// store's searches: the first stored object of a class, of a feature id or
// with a serial is taken out of the file, read, or replaced, through the
// store. GRecordRef is the counted handle by which records are held.
#pragma once

#include <cstdint>

#include "rw/RWCString.h"
#include "rw/RWCollectable.h"
#include "rw/RWCollectableKind.h"
#include "rw/RWMembers.h"

class GCountedRef;
class GRecord;
class GRecordComposite;
class MPersistentCompositeOnDiskImp;
class MPersistentObject;

constexpr RWClassID GRecordClassId = 783;

// A counted handle on a record: taking a record adds a holder, letting go
// removes one, and the handle that removes the last holder deletes it.
class GRecordRef {
 public:
  GRecordRef() : pointee_(nullptr) {}
  explicit GRecordRef(GRecord* record);
  GRecordRef(const GRecordRef& other);
  GRecordRef& operator=(const GRecordRef& other) { return Assign(other); }
  ~GRecordRef();

  GRecordRef& Assign(const GRecordRef& other);

  GRecord* Pointee() const { return pointee_; }
  GRecord* operator->() const { return pointee_; }
  GRecord& operator*() const { return *pointee_; }
  bool IsEmpty() const { return pointee_ == nullptr; }

 private:
  void Release();

  GRecord* pointee_;
};

// What a search looks for: a class id, a feature id, or the serial of a
// given object.
struct GRecordKey {
  enum Kind { kClass, kFeatureId, kSerial };

  static GRecordKey ForClass(RWClassID classId) { return {kClass, classId, 0, nullptr}; }
  static GRecordKey ForFeatureId(int32_t id) { return {kFeatureId, 0, id, nullptr}; }
  // A null object names no record.
  static GRecordKey ForObject(const MPersistentObject* object);

  // The record's own class id, feature id or serial is the one looked for.
  bool Names(const GRecord& record) const;

  Kind kind;
  RWClassID classId;
  int32_t featureId;
  const MPersistentObject* object;  // kSerial: the object whose serial counts
  uint32_t serial = 0;
  bool valid = true;
};

class GRecord : public RWCollectable {
 public:
  // Class id 0, serial 0, feature id 0.
  GRecord();
  // The object's class id, serial and feature id.
  explicit GRecord(const MPersistentObject& object);
  // An unheld record with the same class id, serial and feature id.
  GRecord(const GRecord& other);
  GRecord& operator=(const GRecord&) = delete;
  ~GRecord() override;

  static RWClassID StaticClassId() { return GRecordClassId; }
  static uint32_t ClassVersion() { return 1; }

  RW_COLLECTABLE_KIND(GRecord);
  // 14: version, class id, serial and feature id.
  RW_STORED_MEMBERS();

  // ---- The record interface ----
  // Null for records without child records.
  virtual GRecordComposite* AsComposite();
  // Records without child records ignore it.
  virtual void AddRecord(const GRecordRef& record);
  // The first stored object with the key, taken out of the store's file;
  // out is empty when there is none.
  virtual void TakeByClass(GCountedRef& out, const RWClassID& classId, MPersistentCompositeOnDiskImp& store);
  virtual void TakeById(GCountedRef& out, const int32_t& id, MPersistentCompositeOnDiskImp& store);
  virtual void TakeMatching(GCountedRef& out, const MPersistentObject* object, MPersistentCompositeOnDiskImp& store);
  // Replaces the first stored object with the key by the object with; 1
  // when one was replaced.
  virtual int ReplaceByClass(const RWClassID& classId, const GCountedRef& with, MPersistentCompositeOnDiskImp& store);
  virtual int ReplaceById(const int32_t& id, const GCountedRef& with, MPersistentCompositeOnDiskImp& store);
  virtual int ReplaceMatching(const MPersistentObject* object, const GCountedRef& with,
                              MPersistentCompositeOnDiskImp& store);
  // The first stored object with the key, read; it stays in the file.
  virtual void PeekByClass(GCountedRef& out, const RWClassID& classId, MPersistentCompositeOnDiskImp& store);
  virtual void PeekById(GCountedRef& out, const int32_t& id, MPersistentCompositeOnDiskImp& store);
  virtual void PeekMatching(GCountedRef& out, const MPersistentObject* object, MPersistentCompositeOnDiskImp& store);
  // The stored objects this record stands for.
  virtual int GetRecordCount() const;

  // ---- Non-virtual ----
  RWClassID RecordClassId() const { return classId_; }
  uint32_t Serial() const { return serial_; }
  int32_t FeatureId() const { return featureId_; }
  // The record's key in the store's file: the serial in lower-case
  // hexadecimal without leading zeros.
  RWCString GetKey() const { return KeyOf(serial_); }
  static RWCString KeyOf(uint32_t serial);
  // Holders minus one: -1 while no handle holds the record.
  int32_t HolderCount() const { return static_cast<int32_t>(holders_); }

 protected:
  // The three searches for any key; the named operations call them. A
  // plain record answers for itself only.
  virtual void Take(GCountedRef& out, const GRecordKey& key, MPersistentCompositeOnDiskImp& store);
  virtual int Replace(const GRecordKey& key, const GCountedRef& with, MPersistentCompositeOnDiskImp& store);
  virtual void Peek(GCountedRef& out, const GRecordKey& key, MPersistentCompositeOnDiskImp& store);

  // The searches of this record as a plain record (for the subclasses).
  void TakeOwn(GCountedRef& out, const GRecordKey& key, MPersistentCompositeOnDiskImp& store);
  int ReplaceOwn(const GRecordKey& key, const GCountedRef& with, MPersistentCompositeOnDiskImp& store);
  void PeekOwn(GCountedRef& out, const GRecordKey& key, MPersistentCompositeOnDiskImp& store);

 private:
  friend class GRecordComposite;
  friend class GRecordRef;

  uint32_t holders_;
  RWClassID classId_;
  uint32_t serial_;
  int32_t featureId_;
};

RWCollectable* GRecordCreate();
