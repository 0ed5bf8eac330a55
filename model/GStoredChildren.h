// GStoredChildren: the stored form of a composite's children, shared by the
// model composite and the container of attributes. After the owner's
// version come the child count (32-bit) and each child as an object
// reference; a stored null child is kept as an empty place. Restoring reads
// one child at a time and ends the list at the first failed read, so a
// stored count reserves nothing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/GCountedPtrVector.h"
#include "model/MPersistentObject.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWMembers.h"
#include "rw/RWReadTable.h"
#include "rw/RWVirtualStream.h"

class GStoredChildren {
 public:
  // The children's part of the stored size, without version and count: each
  // child's object reference (a null child is a 6-byte reference too). The
  // caller holds the store table for the whole body.
  static uint32_t ReferencesSize(const GCountedPtrVector& children);

  // Count, then each child as an object reference.
  static void Save(RWVirtualOutStream& stream, const GCountedPtrVector& children);
  static void Save(RWBinaryFile& file, const GCountedPtrVector& children);

  // Appends a restored child. The list grows with what was actually read,
  // by growth places at first and doubling once past that, so a long list
  // costs linear time. The list deletes the child when it lets go of it, so
  // a failed restore must not delete it too.
  static void AppendRestored(GCountedPtrVector& children, MPersistentObject* child, size_t growth);

  // Reads the count and then the children, handing each child read (or a
  // stored null child) to append; a failed read adds none.
  // The list as one step of an owner's Members: its size, its write, or
  // its read handing each child to append.
  template <typename Archive, typename Append>
  static void Members(Archive& archive, const GCountedPtrVector& children, Append append) {
    if constexpr (Archive::kKind == rwm::Kind::kSize)
      archive.AddBytes(4 + ReferencesSize(children));
    else if constexpr (Archive::kKind == rwm::Kind::kWriteStream)
      Save(archive.Stream(), children);
    else if constexpr (Archive::kKind == rwm::Kind::kWriteFile)
      Save(archive.File(), children);
    else if (archive.Ok())
      Restore(archive.Input(), append);
  }

  template <typename Append>
  static void Restore(RWVirtualInStream& stream, Append append) {
    uint32_t count = 0;
    stream.GetUInt(count);
    for (uint32_t i = 0; i < count && stream.Good() && !RWReadTableGuard::RestoreFailed(); ++i) {
      MPersistentObject* child = nullptr;
      MPersistentObject::ReadPersistentObject(stream, child);
      const bool failed = !stream.Good() || RWReadTableGuard::RestoreFailed();
      if (child != nullptr || !failed) append(child);
    }
  }

  template <typename Append>
  static void Restore(RWBinaryFile& file, Append append) {
    uint32_t count = 0;
    if (!file.ReadUInt(count)) return;
    auto failed = [&file] { return file.HasError() || file.IsAtEnd() || RWReadTableGuard::RestoreFailed(); };
    for (uint32_t i = 0; i < count && !failed(); ++i) {
      MPersistentObject* child = nullptr;
      MPersistentObject::ReadPersistentObject(file, child);
      if (child != nullptr || !failed()) append(child);
    }
  }
};
