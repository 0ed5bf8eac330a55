// The stand-in's table of kernel handles. Semaphores, threads, open files and
// file searches are kernel objects; a handle names one until it is closed.
// Handle values are small multiples of four, like those of the platform, and
// are never reused, so a stale handle is recognised as invalid.
#pragma once

#include <memory>

#include "win32/Types.h"

namespace w32detail {

class KernelObject {
 public:
  virtual ~KernelObject();
  // File searches are closed with FindClose, not CloseHandle.
  virtual bool ClosedByCloseHandle() const { return true; }
};

// Adds the object and returns its new handle.
HANDLE AddHandle(std::shared_ptr<KernelObject> object);
// The object of a handle; null for an unknown or closed handle.
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);
template <class T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}
// Removes the handle; the object lives on while someone else holds it.
// False for an unknown handle.
bool RemoveHandle(HANDLE handle);
size_t HandleCount();

}  // namespace w32detail
