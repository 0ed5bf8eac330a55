// Registration of the settings model's persistent classes with the class
// factory. Registration is explicit: the module calls RegisterModelClasses
// when it starts and UnregisterModelClasses when it unloads; tests call them
// from a test environment. Every class is registered before any stored
// graph is read, so the framing can create any model class it meets.
#pragma once

#include "rw/RWCollectable.h"

// One registered class: its create function, class id and class name.
struct ModelClassEntry {
  RWCollectable* (*create)();
  RWClassID id;
  const char* name;
};

// The registered classes, in registration order.
const ModelClassEntry* ModelClasses(unsigned* count);

// Registers every class of the table under its id and its name.
void RegisterModelClasses();
// Removes each of them, id first, then name.
void UnregisterModelClasses();
