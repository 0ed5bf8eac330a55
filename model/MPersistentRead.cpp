#include "model/MPersistentRead.h"

#include "rw/RWError.h"
#include "rw/RWReadTable.h"

void MRefuseTypedRead(MPersistentObject* object) {
  if (object == nullptr) return;
  RWReadTableGuard guard;
  if (guard.IsTopLevel()) {
    if (object->HolderCount() == -1) delete object;
  } else {
    RWMessageText text(RWToolsMsg_REF());
    RWRaiseInternalLogicError(RWInternalLogicError(text));
  }
}
