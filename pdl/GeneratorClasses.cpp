#include "pdl/GeneratorClasses.h"

#include "pdl/GPJL.h"
#include "pdl/GPcl5e.h"
#include "pdl/GPostScript.h"
#include "pdl/cheetah.h"
#include "rw/RWFactory.h"
#include "rw/RWStringID.h"

namespace {

// New classes are appended here.
const ModelClassEntry kGeneratorClasses[] = {
    {&GPJLCreate, GPJLClassId, "GPJL"},
    {&GCheetahCreate, GCheetahClassId, "GCheetah"},
    {&GPostScriptCreate, GPostScriptClassId, "GPostScript"},
    {&GPcl5eCreate, GPcl5eClassId, "GPcl5e"},
};

}  // namespace

const ModelClassEntry* GeneratorClasses(unsigned* count) {
  if (count != nullptr) *count = sizeof(kGeneratorClasses) / sizeof(kGeneratorClasses[0]);
  return kGeneratorClasses;
}

void RegisterGeneratorClasses() {
  for (const ModelClassEntry& entry : kGeneratorClasses)
    RWFactoryAddClass(entry.create, entry.id, RWStringID(entry.name));
}

void UnregisterGeneratorClasses() {
  for (const ModelClassEntry& entry : kGeneratorClasses) {
    RWFactoryRemoveClassId(entry.id);
    RWFactoryRemoveStringId(RWStringID(entry.name));
  }
}
