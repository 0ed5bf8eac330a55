#include "printpath/GJobAbort.h"

#include "model/GPeripheral.h"
#include "printpath/CommandBody.h"

using namespace printpath_body;

GJobAbort::GJobAbort(const int32_t* id) : GCommand(id) {}
GJobAbort::GJobAbort(const GJobAbort& other) = default;

GJobAbort& GJobAbort::operator=(const GJobAbort& other) {
  GCommand::operator=(other);
  return *this;
}

GJobAbort::~GJobAbort() = default;

QV_PERSISTENT_KIND_DEFINE(GJobAbort, GCommand, GJobAbortClassId)

int GJobAbort::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  return GCommand::Matches(other);
}

int16_t GJobAbort::Dispatch(GPeripheral* peripheral) {
  return peripheral != nullptr ? peripheral->JobAbort(this) : kNoReceiver;
}

template <typename Archive>
void GJobAbort::Members(Archive& archive) {
  VersionOnlyMembers(archive, ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(GJobAbort, GCommand)

RWCollectable* GJobAbortCreate() { return new GJobAbort; }
