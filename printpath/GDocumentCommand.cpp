#include "printpath/GDocumentCommand.h"

#include "driver/drvrsrvr.h"
#include "model/GFeatureIds.h"
#include "model/GPeripheral.h"
#include "model/GState.h"
#include "model/MStoredMembers.h"

namespace {

GState* StampedSettings(GState* settings) {
  if (settings == nullptr) settings = new GState;
  settings->SetFeatureId(GFeatureIds::kJobSettings);
  return settings;
}

}  // namespace

// ---- GDocumentCommand ----

GDocumentCommand::GDocumentCommand(const RWWString& documentName, const RWWString& portName, GState* settings,
                                   const int32_t* id)
    : GCommand(StampedSettings(settings), id),
      documentName_(documentName),
      portName_(portName),
      outputChannel_(nullptr) {}

GDocumentCommand::GDocumentCommand(const GDocumentCommand& other)
    : GCommand(other),
      documentName_(other.documentName_),
      portName_(other.portName_),
      outputChannel_(other.outputChannel_) {}

GDocumentCommand& GDocumentCommand::operator=(const GDocumentCommand& other) {
  if (this != &other) {
    GCommand::operator=(other);
    documentName_ = other.documentName_;
    portName_ = other.portName_;
    outputChannel_ = other.outputChannel_;
  }
  return *this;
}

GDocumentCommand::~GDocumentCommand() = default;

QV_PERSISTENT_ID_DEFINE(GDocumentCommand, GCommand, GDocumentCommandClassId)

int GDocumentCommand::Matches(const MPersistentObject* other) const {
  auto* command = dynamic_cast<const GDocumentCommand*>(other);
  if (command == nullptr || !GCommand::Matches(other)) return 0;
  return portName_ == command->portName_ && documentName_ == command->documentName_;
}

void GDocumentCommand::SetSettings(MPersistentObject* settings) {
  auto* state = dynamic_cast<GState*>(settings);
  if (state == nullptr || !state->DerivesFrom(GStateClassId)) {
    DropOffered(settings);
    return;
  }
  state->SetFeatureId(GFeatureIds::kJobSettings);
  GCommand::SetSettings(state);
}

// The version and the document and port names; the names are taken only
// when both were read.
template <typename Archive>
void GDocumentCommand::Members(Archive& archive) {
  if (!MStored::Going(archive)) return;
  archive.Version(ClassVersion());
  RWWString documentName = documentName_;
  RWWString portName = portName_;
  archive(documentName, portName);
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    documentName_ = documentName;
    portName_ = portName;
  }
}

RW_STORED_MEMBERS_DEFINE(GDocumentCommand, GCommand)

// ---- GDocumentStart ----

GDocumentStart::GDocumentStart(const int32_t* id)
    : GDocumentCommand(RWWString(), RWWString(), nullptr, id), instance_(nullptr) {}

GDocumentStart::GDocumentStart(const RWWString& documentName, const RWCString& jobText, const RWWString& portName,
                               GDriverInstance* instance, GState* settings, const int32_t* id)
    : GDocumentCommand(documentName, portName, settings, id), instance_(instance), jobText_(jobText) {}

GDocumentStart::GDocumentStart(const GDocumentStart& other)
    : GDocumentCommand(other), instance_(other.instance_), jobText_(other.jobText_) {}

GDocumentStart& GDocumentStart::operator=(const GDocumentStart& other) {
  if (this != &other) {
    GDocumentCommand::operator=(other);
    instance_ = other.instance_;
    jobText_ = other.jobText_;
  }
  return *this;
}

GDocumentStart::~GDocumentStart() = default;

QV_PERSISTENT_KIND_DEFINE(GDocumentStart, GDocumentCommand, GDocumentStartClassId)

int GDocumentStart::Matches(const MPersistentObject* other) const {
  auto* start = dynamic_cast<const GDocumentStart*>(other);
  if (start == nullptr || start->ClassId() != ClassId() || start->instance_ != instance_) return 0;
  return GDocumentCommand::Matches(other);
}

int16_t GDocumentStart::Dispatch(GPeripheral* peripheral) {
  return peripheral != nullptr ? peripheral->DocumentStart(this) : kNoReceiver;
}

bool GDocumentStart::InstanceHandle(int32_t& handle) const {
  if (instance_ == nullptr) return false;
  GDriverServer* server = GDriverServer::GetInstance();
  int found = 0;
  if (server == nullptr || !server->GetRenderHandle(&found, instance_)) return false;
  handle = found;
  return true;
}

// The version, whether an instance follows, and its handle in the driver
// server's print-side table. An instance the driver server does not know
// cannot be found again by a reader: it is stored as none. A read finds the
// live instance of this process under the handle, never a stored copy.
template <typename Archive>
void GDocumentStart::Members(Archive& archive) {
  if (!MStored::Going(archive)) return;
  archive.Version(ClassVersion());
  if constexpr (Archive::kReading) {
    int32_t flag = 0;
    archive(flag);
    if (!archive.Ok()) return;
    instance_ = nullptr;
    if (flag != 1) return;
    int32_t handle = 0;
    archive(handle);
    if (!archive.Ok()) return;
    if (GDriverServer* server = GDriverServer::GetInstance()) instance_ = server->FindRenderDriverInstance(handle);
  } else {
    int32_t handle = 0;
    const bool attached = InstanceHandle(handle);
    archive(static_cast<int32_t>(attached ? 1 : 0));
    if (attached) archive(handle);
  }
}

RW_STORED_MEMBERS_DEFINE(GDocumentStart, GDocumentCommand)

RWCollectable* GDocumentStartCreate() { return new GDocumentStart; }

// ---- GDocumentEnd ----

GDocumentEnd::GDocumentEnd(const int32_t* id) : GDocumentCommand(RWWString(), RWWString(), nullptr, id) {}
GDocumentEnd::GDocumentEnd(const GDocumentEnd& other) = default;

GDocumentEnd& GDocumentEnd::operator=(const GDocumentEnd& other) {
  GDocumentCommand::operator=(other);
  return *this;
}

GDocumentEnd::~GDocumentEnd() = default;

QV_PERSISTENT_KIND_DEFINE(GDocumentEnd, GDocumentCommand, GDocumentEndClassId)

int GDocumentEnd::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  return GDocumentCommand::Matches(other);
}

int16_t GDocumentEnd::Dispatch(GPeripheral* peripheral) {
  return peripheral != nullptr ? peripheral->DocumentEnd(this) : kNoReceiver;
}

// The version; any stored version is accepted.
template <typename Archive>
void GDocumentEnd::Members(Archive& archive) {
  if (MStored::Going(archive)) archive.AnyVersion(ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(GDocumentEnd, GDocumentCommand)

RWCollectable* GDocumentEndCreate() { return new GDocumentEnd; }
