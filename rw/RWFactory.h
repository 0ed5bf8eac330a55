// RWFactory: the process-wide class factory. It maps a stored 16-bit class
// id, or a class's string id, back to a function that creates an empty
// object of that class, which is how a stored object graph is read back.
// Each persistent class registers itself under both keys when the module
// starts; the first registration of an id, and of a string id, wins. The
// factory is made by the first registration and destroyed when its last
// entry is removed. A factory lock guards the singleton pointer and an
// entries lock guards insertion, look-up for creation and removal; both are
// created on first use.
#pragma once

#include <cstdint>

#include "rw/RWCollectable.h"
#include "rw/RWHashTable.h"
#include "rw/RWStringID.h"

// Creates a new default-constructed object of one class.
typedef RWCollectable* (*RWUserCreator)();

// The entry found by class id: hash is the id, equal when the ids are.
class RWFactoryIdEntry : public RWCollectable {
 public:
  RWFactoryIdEntry(RWClassID id, RWUserCreator create, const RWStringID& stringId)
      : id_(id), create_(create), stringId_(stringId) {}
  ~RWFactoryIdEntry() override;
  uint32_t Hash() const override;
  bool IsEqual(const RWCollectable* other) const override;

  RWClassID Id() const { return id_; }
  RWUserCreator Creator() const { return create_; }
  const RWStringID& StringId() const { return stringId_; }

 private:
  RWClassID id_;
  RWUserCreator create_;
  RWStringID stringId_;
};

// The entry found by string id: hash is the string's hash (case-sensitive),
// equal when the strings have the same length and bytes.
class RWFactoryStringEntry : public RWCollectable {
 public:
  RWFactoryStringEntry(RWClassID id, RWUserCreator create, const RWStringID& stringId)
      : id_(id), create_(create), stringId_(stringId) {}
  ~RWFactoryStringEntry() override;
  uint32_t Hash() const override;
  bool IsEqual(const RWCollectable* other) const override;

  RWClassID Id() const { return id_; }
  RWUserCreator Creator() const { return create_; }
  const RWStringID& StringId() const { return stringId_; }

 private:
  RWClassID id_;
  RWUserCreator create_;
  RWStringID stringId_;
};

// The factory's table; the free functions below lock around it.
class RWFactory {
 public:
  RWFactory();
  RWFactory(const RWFactory&) = delete;
  RWFactory& operator=(const RWFactory&) = delete;
  // Deletes every remaining entry.
  ~RWFactory();

  // Registers the class under its id and its string id; an id or string id
  // already present keeps its first registration.
  void AddClass(RWUserCreator create, RWClassID id, const RWStringID& stringId);
  // Registers a class that has no string id of its own under "NoID".
  void AddClassId(RWUserCreator create, RWClassID id);
  // Each removes and deletes one entry when present.
  void RemoveClassId(RWClassID id);
  void RemoveStringId(const RWStringID& stringId);

  // The create function registered for the key, or null.
  RWUserCreator CreatorOf(RWClassID id) const;
  RWUserCreator CreatorOfStringId(const RWStringID& stringId) const;
  // The registered string id, or "NoID".
  RWStringID StringIdOf(RWClassID id) const;
  // The registered class id, or 0x8000.
  RWClassID ClassIdOf(const RWStringID& stringId) const;

  bool IsEmpty() const { return entries_.IsEmpty(); }
  uint32_t EntryCount() const { return entries_.Count(); }

 private:
  RWSet entries_;
};

// Registers the class with the factory, making the factory when there is
// none. A second registration of an id or string id is ignored.
void RWFactoryAddClass(RWUserCreator create, RWClassID id, const RWStringID& stringId);
// Registers a class without a string id of its own under "No_RWStringID".
void RWFactoryAddClassId(RWUserCreator create, RWClassID id);
// Each removes one entry; when the factory is left empty it is destroyed
// and the collections' small-block cache is released.
void RWFactoryRemoveClassId(RWClassID id);
void RWFactoryRemoveStringId(const RWStringID& stringId);

// A new object of the registered class (the caller owns it), or null when
// the class is not registered.
RWCollectable* RWFactoryCreate(RWClassID id);
RWCollectable* RWFactoryCreateByStringId(const RWStringID& stringId);
// The registered string id, or "NoID" when the class or the factory does
// not exist.
RWStringID RWFactoryStringIdOf(RWClassID id);
// The registered class id, or 0x8000 when the string is not registered or
// there is no factory.
RWClassID RWFactoryClassIdOf(const RWStringID& stringId);
// Whether the factory exists now (it is made by the first registration and
// destroyed with its last entry).
bool RWFactoryExists();
