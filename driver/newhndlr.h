// The memory reserve and the new-handler of the module. At attach a small
// block is set aside and NewHandler is installed for the global allocation
// operator; when an allocation fails, the handler gives the reserve back,
// has the driver server release what it can (ReleaseMemoryOrFail), builds a
// fresh reserve and lets the allocator try again.
#pragma once

#include <cstddef>

class MemoryReserve {
 public:
  // Installs NewHandler (remembering the handler it replaces, the first
  // time only) and sets aside a block of size bytes (0 keeps the size set
  // before, 1024 at first). Does nothing without a platform factory.
  static void Install(size_t size);
  // Puts the replaced handler back, frees the block and deletes the lock.
  static void Remove();

  // The current reserve size, and whether a block is set aside.
  static size_t Size();
  static bool HasBlock();

  static constexpr size_t kDefaultSize = 1024;
};

// Called by the allocator when an allocation failed; returning makes it try
// again. Without a reserve there is nothing left to give back: a critical
// error 101.
void NewHandler();
