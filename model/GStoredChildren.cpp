#include "model/GStoredChildren.h"

#include "rw/RWPersistence.h"

uint32_t GStoredChildren::ReferencesSize(const GCountedPtrVector& children) {
  uint32_t size = 0;
  for (size_t i = 0; i < children.Count(); ++i) {
    const MPersistentObject* child = children.Data()[i].Pointee();
    size += child != nullptr ? child->StoredByteCount() : 6;
  }
  return size;
}

void GStoredChildren::Save(RWVirtualOutStream& stream, const GCountedPtrVector& children) {
  stream.PutUInt(static_cast<uint32_t>(children.Count()));
  for (size_t i = 0; i < children.Count(); ++i) RWWriteObjectPointer(stream, children.Data()[i].Pointee());
}

void GStoredChildren::Save(RWBinaryFile& file, const GCountedPtrVector& children) {
  file.WriteUInt(static_cast<uint32_t>(children.Count()));
  for (size_t i = 0; i < children.Count(); ++i) RWWriteObjectPointerToFile(file, children.Data()[i].Pointee());
}

void GStoredChildren::AppendRestored(GCountedPtrVector& children, MPersistentObject* child, size_t growth) {
  const size_t count = children.Count();
  if (count == children.Capacity()) children.SetCapacity(count + (count > growth ? count : growth));
  RWReadTableGuard::Adopt(child);
  children.Append(GCountedPtr(child));
}
