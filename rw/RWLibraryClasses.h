// Registration of the container library's own persistent classes with the
// class factory. Registration is explicit: the module calls
// RWRegisterLibraryClasses when it starts (static registration objects in a
// static library would be dropped by the linker), and
// RWUnregisterLibraryClasses when it unloads. Tests call them from a
// fixture or test environment.
#pragma once

#include "rw/RWCollectable.h"

// One registered class: its create function, class id and class name.
struct RWLibraryClassEntry {
  RWCollectable* (*create)();
  RWClassID id;
  const char* name;
};

// The registered classes, in registration order.
const RWLibraryClassEntry* RWLibraryClasses(unsigned* count);

// Registers RWCollectable, the library's registered collections and the
// associations under their class ids and class-name string ids.
void RWRegisterLibraryClasses();
// Removes each of them, id first, then string id.
void RWUnregisterLibraryClasses();

// The create function of RWCollectable itself: a new plain object.
RWCollectable* RWCollectableCreate();
