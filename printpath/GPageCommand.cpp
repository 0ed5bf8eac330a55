#include "printpath/GPageCommand.h"

#include "model/GFeatureIds.h"
#include "model/GPeripheral.h"
#include "model/GState.h"
#include "printpath/CommandBody.h"

using namespace printpath_body;

namespace {

GState* PageStampedSettings(GState* settings) {
  if (settings == nullptr) settings = new GState;
  settings->SetFeatureId(GFeatureIds::kPageState);
  return settings;
}

// Both page boundaries store only their class version after the page body.
constexpr uint32_t kBoundaryVersion = 1;

}  // namespace

// ---- GPageCommand ----

GPageCommand::GPageCommand(GState* settings, const int32_t* id) : GCommand(PageStampedSettings(settings), id) {}
GPageCommand::GPageCommand(const GPageCommand& other) = default;

GPageCommand& GPageCommand::operator=(const GPageCommand& other) {
  GCommand::operator=(other);
  return *this;
}

GPageCommand::~GPageCommand() = default;

QV_PERSISTENT_ID_DEFINE(GPageCommand, GCommand, GPageCommandClassId)

void GPageCommand::SetSettings(MPersistentObject* settings) {
  auto* state = dynamic_cast<GState*>(settings);
  if (state == nullptr || !state->DerivesFrom(GStateClassId)) {
    DropOffered(settings);
    return;
  }
  state->SetFeatureId(GFeatureIds::kPageState);
  GCommand::SetSettings(state);
}

template <typename Archive>
void GPageCommand::Members(Archive& archive) {
  VersionOnlyMembers(archive, ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(GPageCommand, GCommand)

// ---- GPageStart ----

GPageStart::GPageStart(GState* settings, const int32_t* id) : GPageCommand(settings, id) {}
GPageStart::GPageStart(const GPageStart& other) = default;

GPageStart& GPageStart::operator=(const GPageStart& other) {
  GPageCommand::operator=(other);
  return *this;
}

GPageStart::~GPageStart() = default;

QV_PERSISTENT_KIND_DEFINE(GPageStart, GPageCommand, GPageStartClassId)

int GPageStart::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  return GCommand::Matches(other);
}

int16_t GPageStart::Dispatch(GPeripheral* peripheral) {
  return peripheral != nullptr ? peripheral->PageStart(this) : kNoReceiver;
}

template <typename Archive>
void GPageStart::Members(Archive& archive) {
  VersionOnlyMembers(archive, kBoundaryVersion);
}

RW_STORED_MEMBERS_DEFINE(GPageStart, GPageCommand)

RWCollectable* GPageStartCreate() { return new GPageStart; }

// ---- GPageEnd ----

GPageEnd::GPageEnd(GState* settings, const int32_t* id) : GPageCommand(settings, id) {}
GPageEnd::GPageEnd(const GPageEnd& other) = default;

GPageEnd& GPageEnd::operator=(const GPageEnd& other) {
  GPageCommand::operator=(other);
  return *this;
}

GPageEnd::~GPageEnd() = default;

QV_PERSISTENT_KIND_DEFINE(GPageEnd, GPageCommand, GPageEndClassId)

int GPageEnd::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  return GCommand::Matches(other);
}

int16_t GPageEnd::Dispatch(GPeripheral* peripheral) {
  return peripheral != nullptr ? peripheral->PageEnd(this) : kNoReceiver;
}

template <typename Archive>
void GPageEnd::Members(Archive& archive) {
  VersionOnlyMembers(archive, kBoundaryVersion);
}

RW_STORED_MEMBERS_DEFINE(GPageEnd, GPageCommand)

RWCollectable* GPageEndCreate() { return new GPageEnd; }
