#include "printpath/GDocumentBreak.h"

#include "model/GPeripheral.h"
#include "printpath/CommandBody.h"

using namespace printpath_body;

GDocumentBreak::GDocumentBreak(const int32_t* id) : GCommand(id) {}
GDocumentBreak::GDocumentBreak(const GDocumentBreak& other) = default;

GDocumentBreak& GDocumentBreak::operator=(const GDocumentBreak& other) {
  GCommand::operator=(other);
  return *this;
}

GDocumentBreak::~GDocumentBreak() = default;

QV_PERSISTENT_KIND_DEFINE(GDocumentBreak, GCommand, GDocumentBreakClassId)

int GDocumentBreak::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  return GCommand::Matches(other);
}

int16_t GDocumentBreak::Dispatch(GPeripheral* peripheral) {
  return peripheral != nullptr ? peripheral->DocumentBreak(this) : kNoReceiver;
}

template <typename Archive>
void GDocumentBreak::Members(Archive& archive) {
  VersionOnlyMembers(archive, ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(GDocumentBreak, GCommand)

RWCollectable* GDocumentBreakCreate() { return new GDocumentBreak; }
