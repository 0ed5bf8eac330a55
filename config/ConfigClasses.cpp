#include "config/ConfigClasses.h"

#include "config/GNRAProvider.h"
#include "config/GPMLDescriptor.h"
#include "rw/RWFactory.h"
#include "rw/RWStringID.h"

namespace {

// New classes are appended here.
const ModelClassEntry kConfigClasses[] = {
    {&GPMLDescriptorCreate, GPMLDescriptorClassId, "GPMLDescriptor"},
    {&GNRAProviderCreate, GNRAProviderClassId, "GNRAProvider"},
};

}  // namespace

const ModelClassEntry* ConfigClasses(unsigned* count) {
  if (count != nullptr) *count = sizeof(kConfigClasses) / sizeof(kConfigClasses[0]);
  return kConfigClasses;
}

void RegisterConfigClasses() {
  for (const ModelClassEntry& entry : kConfigClasses)
    RWFactoryAddClass(entry.create, entry.id, RWStringID(entry.name));
}

void UnregisterConfigClasses() {
  for (const ModelClassEntry& entry : kConfigClasses) {
    RWFactoryRemoveClassId(entry.id);
    RWFactoryRemoveStringId(RWStringID(entry.name));
  }
}
