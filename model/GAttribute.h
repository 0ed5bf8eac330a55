// GAttribute: the base of every typed setting of the model (values, strings,
// enumerations, ranges, media, trays, colour and graphic-state settings, and
// the containers of settings). It adds a changed flag to the persistent
// object and applies itself to a receiver (a peripheral of the print path)
// by double dispatch: ApplyTo calls the one receiver operation of its kind.
#pragma once

#include <cstdint>

#include "model/MPersistentObject.h"
#include "rw/RWVirtualStream.h"

class GPeripheral;
class RWBinaryFile;

constexpr RWClassID GAttributeClassId = 753;

class GAttribute : public MPersistentObject {
 public:
  // Feature id 0, a fresh serial, changed.
  GAttribute();
  // Feature id *id (0 for a null pointer), a fresh serial, changed.
  explicit GAttribute(const int32_t* id);
  // Copies feature id, serial and the changed flag.
  GAttribute(const GAttribute& other);
  GAttribute& operator=(const GAttribute& other);
  ~GAttribute() override;

  static RWClassID StaticClassId() { return GAttributeClassId; }
  static uint32_t ClassVersion() { return 1; }

  RW_STORED_MEMBERS();

  int DerivesFrom(RWClassID classId) const override;
  // The feature ids are equal; subclasses add their class and values.
  int Matches(const MPersistentObject* other) const override;
  // A plain attribute has no children: an iterator that yields nothing.
  MPersistentIterator* CreateIterator() override;

  // Takes over another attribute's feature id, serial and changed flag when
  // the two differ; no value of a subclass is copied. Containers merge their
  // children instead.
  virtual void Merge(GAttribute* other);
  // Calls the receiver operation of this attribute's kind with itself and
  // returns the receiver's result; 0 means nothing to report.
  virtual int16_t ApplyTo(GPeripheral* receiver) = 0;

  // 1: not applied to the receiver since it was last set; 0: applied.
  // Containers, states and the print path read and write it directly.
  int32_t changed;
};

// Refuses an object that a typed read got but cannot use (wrong class, or
// not where it may stand): inside a restore the restore fails and its end
// frees what it created; after an outermost read the object, which nothing
// else refers to, is deleted when no handle holds it.
void GRefuseRead(MPersistentObject* object);
// Inside a restore, marks it failed (damaged input); outside one, nothing.
void GFailRestore();

// Reads one object and hands it out as a T, refusing anything else.
template <typename T>
void GReadTypedObject(RWVirtualInStream& stream, T*& out) {
  MPersistentObject* object = nullptr;
  MPersistentObject::ReadPersistentObject(stream, object);
  out = dynamic_cast<T*>(object);
  if (object != nullptr && out == nullptr) {
    GRefuseRead(object);
    stream.SetState(RW_STREAM_FAIL);
  }
}

template <typename T>
void GReadTypedObject(RWBinaryFile& file, T*& out) {
  MPersistentObject* object = nullptr;
  MPersistentObject::ReadPersistentObject(file, object);
  out = dynamic_cast<T*>(object);
  if (object != nullptr && out == nullptr) GRefuseRead(object);
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GAttribute*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GAttribute*& out);
