#include "rw/RWLibraryClasses.h"

#include "rw/RWBTree.h"
#include "rw/RWBTreeDictionary.h"
#include "rw/RWCollectableAssociation.h"
#include "rw/RWFactory.h"
#include "rw/RWHashTable.h"
#include "rw/RWSlistCollectables.h"

namespace {

const RWLibraryClassEntry kLibraryClasses[] = {
    {&RWCollectableCreate, RWCollectableClassId, "RWCollectable"},
    {&RWSlistCollectablesCreate, RWSlistCollectablesClassId, "RWSlistCollectables"},
    {&RWSlistCollectablesStackCreate, RWSlistCollectablesStackClassId, "RWSlistCollectablesStack"},
    {&RWHashTableCreate, RWHashTableClassId, "RWHashTable"},
    {&RWSetCreate, RWSetClassId, "RWSet"},
    {&RWIdentitySetCreate, RWIdentitySetClassId, "RWIdentitySet"},
    {&RWBTreeCreate, RWBTreeClassId, "RWBTree"},
    {&RWBTreeDictionaryCreate, RWBTreeDictionaryClassId, "RWBTreeDictionary"},
    {&RWCollectableAssociationCreate, RWCollectableAssociationClassId, "RWCollectableAssociation"},
    {&RWCollectableIDAssociationCreate, RWCollectableIDAssociationClassId, "RWCollectableIDAssociation"},
};

}  // namespace

RWCollectable* RWCollectableCreate() { return new RWCollectable; }

const RWLibraryClassEntry* RWLibraryClasses(unsigned* count) {
  if (count != nullptr) *count = sizeof(kLibraryClasses) / sizeof(kLibraryClasses[0]);
  return kLibraryClasses;
}

void RWRegisterLibraryClasses() {
  for (const RWLibraryClassEntry& c : kLibraryClasses) RWFactoryAddClass(c.create, c.id, RWStringID(c.name));
}

void RWUnregisterLibraryClasses() {
  for (const RWLibraryClassEntry& c : kLibraryClasses) {
    RWFactoryRemoveClassId(c.id);
    RWFactoryRemoveStringId(RWStringID(c.name));
  }
}
