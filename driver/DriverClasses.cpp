#include "driver/DriverClasses.h"

#include "driver/GDynamicLibrary.h"
#include "rw/RWFactory.h"
#include "rw/RWStringID.h"

namespace {

struct DriverClassEntry {
  RWCollectable* (*create)();
  RWClassID id;
  const char* name;
};

// New classes are appended here.
const DriverClassEntry kDriverClasses[] = {
    {&GDynamicLibraryCreate, GDynamicLibraryClassId, "GDynamicLibrary"},
};

}  // namespace

void RegisterDriverClasses() {
  for (const DriverClassEntry& entry : kDriverClasses) RWFactoryAddClass(entry.create, entry.id, RWStringID(entry.name));
}

void UnregisterDriverClasses() {
  for (const DriverClassEntry& entry : kDriverClasses) {
    RWFactoryRemoveClassId(entry.id);
    RWFactoryRemoveStringId(RWStringID(entry.name));
  }
}
