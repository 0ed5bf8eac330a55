// Counted handles over the holder count of model objects. GCountedPtr is the
// persistent handle in which composites keep their children and model
// classes keep shared sub-objects; GCountedRef is the bare counted pointer
// that the model's handle operations answer with. Taking an object adds a
// holder, letting go removes one, and the handle that removes the last
// holder deletes the object.
#pragma once

#include <cstdint>

#include "model/MPersistentObject.h"
#include "rw/RWCollectable.h"
#include "rw/RWMembers.h"

constexpr RWClassID GCountedPtrClassId = 773;

class GCountedPtr : public RWCollectable {
 public:
  GCountedPtr() : pointee_(nullptr) {}
  // Holds the object when it is not null.
  explicit GCountedPtr(MPersistentObject* object);
  GCountedPtr(const GCountedPtr& other);
  GCountedPtr& operator=(const GCountedPtr& other) { return Assign(other); }
  ~GCountedPtr() override;

  static RWClassID StaticClassId() { return GCountedPtrClassId; }

  // A handle is never created alone: both answer null.
  RWCollectable* CreateSameKind() const override;
  RWCollectable* Clone() const override;
  RWClassID ClassId() const override;
  // The stored size of the pointee as an object reference (6 when empty).
  RW_STORED_MEMBERS();
  virtual int DerivesFrom(RWClassID classId) const;
  // The pointee's DeepCopy, unheld and owned by the caller; null when empty.
  virtual MPersistentObject* CopyPointee() const;

  // Lets go of the old pointee and holds the other's; nothing when both
  // already hold the same object.
  GCountedPtr& Assign(const GCountedPtr& other);
  // Hands the pointee to the caller: the object itself when this handle was
  // its last holder (not deleted), else a Clone that the caller owns; null
  // when empty. Then holds the new pointee (or nothing).
  MPersistentObject* TakePointee(MPersistentObject* newPointee);

  MPersistentObject* Pointee() const { return pointee_; }
  MPersistentObject* operator->() const { return pointee_; }
  bool IsEmpty() const { return pointee_ == nullptr; }

 private:
  void Hold(MPersistentObject* object);
  void Release();

  MPersistentObject* pointee_;
};

// The bare counted pointer: the same holding rules without persistence.
class GCountedRef {
 public:
  GCountedRef() : pointee_(nullptr) {}
  explicit GCountedRef(MPersistentObject* object);
  GCountedRef(const GCountedRef& other);
  GCountedRef& operator=(const GCountedRef& other) { return Assign(other); }
  ~GCountedRef();

  GCountedRef& Assign(const GCountedRef& other);

  MPersistentObject* Pointee() const { return pointee_; }
  MPersistentObject* operator->() const { return pointee_; }
  bool IsEmpty() const { return pointee_ == nullptr; }

 private:
  MPersistentObject* pointee_;
};

// The class factory's create function for GCountedPtr: null, because a
// stored handle is only ever read into an existing one.
RWCollectable* GCountedPtrCreate();
