// MPersistentObject: the root of every object of the settings model. It adds
// to RWCollectable a holder count for the counted handles, a feature id by
// which settings are found and a serial number, and fixes the one interface
// through which trees of model objects are searched, edited, copied and
// iterated whether or not a node has children.
#pragma once

#include <cstdint>

#include "model/MPersistentKind.h"
#include "rw/RWMembers.h"
#include "rw/RWCollectable.h"

class GCountedPtr;
class GCountedRef;
class MPersistentComposite;
class MPersistentIterator;

constexpr RWClassID MPersistentObjectClassId = 751;

class MPersistentObject : public RWCollectable {
 public:
  // Default id 0; both take the next serial.
  MPersistentObject();
  explicit MPersistentObject(const int32_t& id);
  // Copies id and serial, never the holder count (a copy starts unheld).
  MPersistentObject(const MPersistentObject& other);
  MPersistentObject& operator=(const MPersistentObject& other);
  ~MPersistentObject() override;

  static RWClassID StaticClassId() { return MPersistentObjectClassId; }
  static uint32_t ClassVersion() { return 1; }

  // ---- RWCollectable ----
  // Every concrete class makes a default object / a copy of its own class.
  MPersistentObject* CreateSameKind() const override = 0;
  MPersistentObject* Clone() const override = 0;
  RWClassID ClassId() const override;
  // Identity order.
  int CompareTo(const RWCollectable* other) const override;
  // Same class id and Matches.
  bool IsEqual(const RWCollectable* other) const override;
  // Stored: version 1, the feature id and the serial (12 bytes).
  RW_STORED_MEMBERS();

  // ---- The model's interface; a leaf's behaviour here ----
  virtual int DerivesFrom(RWClassID classId) const;
  // The ids are equal; every class adds its class id and own fields.
  virtual int Matches(const MPersistentObject* other) const;
  virtual int DiffersFrom(const MPersistentObject* other) const;
  // A leaf neither keeps nor deletes the object.
  virtual void AddChild(MPersistentObject* child);
  virtual void PrependChild(MPersistentObject* child);
  // The removes hand back an object that the caller owns, or null.
  virtual MPersistentObject* RemoveChild(const MPersistentObject* child);
  virtual MPersistentObject* RemoveChildById(const int32_t& id);
  virtual MPersistentObject* RemoveChildByClass(const RWClassID& classId);
  // The replaces store a deep copy of with; the caller keeps with. 1 when
  // something was replaced.
  virtual int ReplaceChildById(const int32_t& id, const MPersistentObject* with);
  virtual int ReplaceChildByClass(const RWClassID& classId, const MPersistentObject* with);
  virtual int ReplaceChild(const MPersistentObject* old, const MPersistentObject* with);
  virtual int ReplaceChildByKind(const RWClassID& classId, const MPersistentObject* with);
  // Handle forms of the child operations; only the on-disk composite keeps
  // children by handle, everything else ignores them or answers empty.
  virtual void AddChildHandle(const GCountedRef& child);
  virtual void InsertChildHandle(const GCountedRef& child);
  virtual void RemoveChildHandle(GCountedRef& out, const GCountedRef& child);
  virtual void RemoveChildHandleById(GCountedRef& out, const int32_t& id);
  virtual void RemoveChildHandleByClass(GCountedRef& out, const RWClassID& classId);
  virtual int ReplaceChildHandleById(const int32_t& id, const GCountedRef& with);
  virtual int ReplaceChildHandleByClass(const RWClassID& classId, const GCountedRef& with);
  virtual void RemoveAllChildren();
  // Finds return a borrowed object (this for a matching leaf) or null.
  virtual MPersistentObject* FindById(const int32_t& id);
  virtual MPersistentObject* FindByClass(const RWClassID& classId);
  virtual MPersistentObject* FindMatch(const MPersistentObject* other);
  virtual MPersistentObject* FindByKind(const RWClassID& classId);
  // Collects add matching leaves to into (which then holds them too) and
  // return into; selects return a new composite of the matches, or null.
  virtual MPersistentComposite* CollectByClass(const RWClassID& classId, MPersistentComposite* into);
  virtual MPersistentComposite* CollectById(const int32_t& id, MPersistentComposite* into);
  virtual MPersistentComposite* SelectById(const int32_t& id);
  virtual MPersistentComposite* SelectByClass(const RWClassID& classId);
  virtual MPersistentComposite* CollectByKind(const RWClassID& classId, MPersistentComposite* into);
  virtual MPersistentComposite* SelectByKind(const RWClassID& classId);
  // out holds this object when it matches, else out is empty. They test only
  // the object itself, never its children.
  virtual void HandleById(GCountedRef& out, const int32_t& id);
  virtual void HandleByClass(GCountedRef& out, const RWClassID& classId);
  virtual void HandleMatching(GCountedRef& out, const MPersistentObject* const& other);
  virtual MPersistentComposite* AsComposite();
  virtual uint32_t GetSerial() const;
  // 1 for a leaf; a composite answers its direct children.
  virtual int GetEntryCount() const;
  // 1 for a leaf; a composite answers 1 + its children's node counts.
  virtual int GetNodeCount() const;
  // A new iterator over the direct children; the caller deletes it.
  virtual MPersistentIterator* CreateIterator();
  virtual RWClassID GetTypeId() const;
  // A leaf's Clone; a composite's new object of its class with the id and
  // deep copies of the children. The caller owns the result.
  virtual MPersistentObject* DeepCopy() const;

  // ---- Non-virtual ----
  int32_t FeatureId() const { return id_; }
  void SetFeatureId(const int32_t& id) { id_ = id; }
  // Stores a serial unchanged.
  void SetSerial(const uint32_t& serial) { serial_ = serial; }
  // Sets the serial of this object and of every descendant to 0.
  void ClearSerials();
  // Takes the next value of the process-wide serial counter.
  void AssignNextSerial();
  // Holders minus one: -1 while no handle holds the object.
  int32_t HolderCount() const { return static_cast<int32_t>(holders_); }
  // Marks an object that lives inside its owner (a member held by value and
  // read in place). A read never hands it out, so no handle or container
  // can come to hold, and later delete, it. Copies are not marked.
  void MarkEmbedded() { embedded_ = true; }
  bool IsEmbedded() const { return embedded_; }

  // Reads one object through the framing. out receives the object (null for
  // the stored null object, and when the restore failed). Anything that is
  // not a model object, and an object that is still being read further up
  // (a stored cycle), is refused: out is null, and inside a restore the
  // restore fails as on a bad reference.
  static void ReadPersistentObject(RWVirtualInStream& stream, MPersistentObject*& out);
  static void ReadPersistentObject(RWBinaryFile& file, MPersistentObject*& out);

  // The process-wide serial counter (0 at load).
  static uint32_t SerialCounter();
  static void SetSerialCounter(uint32_t value);

 private:
  friend class GCountedPtr;
  friend class GCountedRef;

  uint32_t holders_;  // -1 (0xFFFFFFFF): no holder
  int32_t id_;
  uint32_t serial_;
  bool embedded_;
};

// Marks an object whose body is being read, for the length of a scope.
// ReadPersistentObject does not hand out an object that is still being read
// (a stored graph that refers back to an ancestor would make the ancestor
// hold itself), and nested reads are bounded in depth. Classes that read
// handles or children use it around their body.
class MRestoreScope {
 public:
  explicit MRestoreScope(const MPersistentObject* object);
  ~MRestoreScope();
  MRestoreScope(const MRestoreScope&) = delete;
  MRestoreScope& operator=(const MRestoreScope&) = delete;

  static bool IsRestoring(const MPersistentObject* object);

 private:
  const MPersistentObject* object_;
  MRestoreScope* outer_;
};

// Extraction of a model object pointer through ReadPersistentObject.
RWVirtualInStream& operator>>(RWVirtualInStream& stream, MPersistentObject*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, MPersistentObject*& out);
