// Typed reads of one model object through the framing: the extraction
// operators of each model class read any model object and hand it out only
// when it is of the wanted class (or derives from it).
#pragma once

#include "model/MPersistentObject.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

// Disposes of an object that was read where another class was wanted:
// inside a restore it fails the restore (as a bad reference), whose end
// frees what it created; after an outermost read nothing else refers to the
// object, so it is freed here.
void MRefuseTypedRead(MPersistentObject* object);

// Reads one object; out receives it when it is a T, else null (a stored
// null object gives null too). An object of another class is refused and
// the input is left failed.
template <typename T>
RWVirtualInStream& MReadPersistentAs(RWVirtualInStream& stream, T*& out) {
  MPersistentObject* object = nullptr;
  MPersistentObject::ReadPersistentObject(stream, object);
  out = dynamic_cast<T*>(object);
  if (object != nullptr && out == nullptr) {
    MRefuseTypedRead(object);
    stream.SetState(RW_STREAM_FAIL);
  }
  return stream;
}

template <typename T>
RWBinaryFile& MReadPersistentAs(RWBinaryFile& file, T*& out) {
  MPersistentObject* object = nullptr;
  MPersistentObject::ReadPersistentObject(file, object);
  out = dynamic_cast<T*>(object);
  if (object != nullptr && out == nullptr) MRefuseTypedRead(object);
  return file;
}
