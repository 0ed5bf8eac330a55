#include "driver/DriverClasses.h"

#include "driver/GDynamicLibrary.h"
#include "rw/RWFactory.h"
#include "rw/RWStringID.h"

namespace {

// New classes are appended here.
const ModelClassEntry kDriverClasses[] = {
    {&GDynamicLibraryCreate, GDynamicLibraryClassId, "GDynamicLibrary"},
};

}  // namespace

const ModelClassEntry* DriverClasses(unsigned* count) {
  if (count != nullptr) *count = sizeof(kDriverClasses) / sizeof(kDriverClasses[0]);
  return kDriverClasses;
}

void RegisterDriverClasses() {
  for (const ModelClassEntry& entry : kDriverClasses) RWFactoryAddClass(entry.create, entry.id, RWStringID(entry.name));
}

void UnregisterDriverClasses() {
  for (const ModelClassEntry& entry : kDriverClasses) {
    RWFactoryRemoveClassId(entry.id);
    RWFactoryRemoveStringId(RWStringID(entry.name));
  }
}
