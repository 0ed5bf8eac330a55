// MStoredMembers: the steps that the model's Members templates add to the
// container library's archives. A model object held by a handle is stored
// as an object reference; its read checks the class, lets the handle adopt
// what was read and stops the members when the read failed. Going says
// whether a restore may go on: the input is good and no object of the
// restore failed.
#pragma once

#include <optional>

#include "model/GAttribute.h"
#include "model/GCountedPtr.h"
#include "model/MPersistentObject.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWMembers.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWVirtualStream.h"

namespace MStored {

// The input is good and no object of the restore failed; a file is also
// not at its end, unless the last value read was an object (atEndAllowed).
inline bool Going(RWVirtualInStream& stream, bool = false) {
  return stream.Good() && !RWReadTableGuard::RestoreFailed();
}
inline bool Going(RWBinaryFile& file, bool atEndAllowed = false) {
  return !file.HasError() && (atEndAllowed || !file.IsAtEnd()) && !RWReadTableGuard::RestoreFailed();
}

// For a read: the input is good (a file is not at its end), whatever the
// restore's objects did. Size and writes always go on.
template <typename Archive>
bool InputGood(Archive& archive) {
  if constexpr (Archive::kKind == rwm::Kind::kReadStream)
    return archive.Input().Good();
  else if constexpr (Archive::kKind == rwm::Kind::kReadFile)
    return !archive.Input().HasError() && !archive.Input().IsAtEnd();
  else
    return true;
}

// For a read: Going over the archive's input (the values read so far were
// all read, too). Size and writes always go on.
template <typename Archive>
bool Going(Archive& archive, bool atEndAllowed = false) {
  if constexpr (Archive::kReading)
    return archive.Ok() && Going(archive.Input(), atEndAllowed);
  else
    return true;
}

// For a read, marks the object as being restored for the scope's life (a
// reference back to it is then refused); nothing for size and writes.
template <typename Archive>
class RestoreScope {
 public:
  explicit RestoreScope(const MPersistentObject* object) {
    if constexpr (Archive::kReading) scope_.emplace(object);
  }

 private:
  std::optional<MRestoreScope> scope_;
};

// A model object of class T held by handle, as an object reference (the
// null object when the handle is empty). A read of another class fails the
// restore; what was read is adopted by the handle, which lets go of it.
template <typename T, typename Archive>
void Held(Archive& archive, GCountedPtr& handle) {
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    T* object = nullptr;
    GReadTypedObject(archive.Input(), object);
    if (!Going(archive.Input(), true)) {
      archive.Stop();
      return;
    }
    RWReadTableGuard::Adopt(object);
    handle.Assign(GCountedPtr(object));
  } else {
    archive.Pointer(handle.Pointee());
  }
}

// A model object of class T held by a reference handle, as an object
// reference (the null object when the handle is empty). A read of another
// class fails the restore; what was read is adopted by the handle.
template <typename T, typename Archive>
void TypedRef(Archive& archive, GCountedRef& handle) {
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    T* object = nullptr;
    GReadTypedObject(archive.Input(), object);
    if (!Going(archive.Input(), true)) {
      archive.Stop();
      return;
    }
    if (object != nullptr) RWReadTableGuard::Adopt(object);
    handle = GCountedRef(object);
  } else {
    archive.Pointer(handle.Pointee());
  }
}

// A model object of any class held by a reference handle. What was read
// (null when nothing was) replaces what the handle held, which adopts it.
template <typename Archive>
void Ref(Archive& archive, GCountedRef& handle) {
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    MPersistentObject* object = nullptr;
    MPersistentObject::ReadPersistentObject(archive.Input(), object);
    if (object != nullptr) RWReadTableGuard::Adopt(object);
    handle = GCountedRef(object);
  } else {
    archive.Pointer(handle.Pointee());
  }
}

// For a read: reads an object in place into target. True when the input
// held target's own object (not a reference to another) and is still good;
// otherwise the members stop.
template <typename Archive>
bool Into(Archive& archive, RWCollectable& target) {
  static_assert(Archive::kReading, "an object is read in place only by a read");
  if (!archive.Ok()) return false;
  RWCollectable* read = nullptr;
  if constexpr (Archive::kKind == rwm::Kind::kReadStream)
    read = RWReadObjectInto(archive.Input(), &target);
  else
    read = RWReadObjectIntoFromFile(archive.Input(), &target);
  if (read == &target && InputGood(archive)) return true;
  archive.Stop();
  return false;
}

}  // namespace MStored

// For a peripheral, in place of RW_STORED_MEMBERS_DEFINE: the size is
// counted in the peripheral's own sizing scope (the identity table opened
// with the peripheral itself, so the children's links back to it are back
// references), not in a table of its own that would hide the peripheral
// from its base classes' count.
#define QV_PERIPHERAL_MEMBERS_DEFINE(Class, Base)         \
  uint32_t Class::MembersStoreSize() const {              \
    SizingScope sizing(this);                             \
    return Base::MembersStoreSize() + rwm::SizeOf(*this); \
  }                                                       \
  RW_STORED_MEMBERS_DEFINE_READS_AND_WRITES(Class, Base)
