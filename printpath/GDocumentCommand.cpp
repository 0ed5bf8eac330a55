#include "printpath/GDocumentCommand.h"

#include "driver/drvrsrvr.h"
#include "model/GFeatureIds.h"
#include "model/GPeripheral.h"
#include "model/GState.h"
#include "printpath/CommandBody.h"

using namespace printpath_body;

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

uint32_t GDocumentCommand::MembersStoreSize() const {
  return GCommand::MembersStoreSize() + 4 + StringSize(documentName_) + StringSize(portName_);
}

void GDocumentCommand::SaveMembers(RWVirtualOutStream& stream) const {
  GCommand::SaveMembers(stream);
  WriteULong(stream, ClassVersion());
  WriteString(stream, documentName_);
  WriteString(stream, portName_);
}

void GDocumentCommand::SaveMembersToFile(RWBinaryFile& file) const {
  GCommand::SaveMembersToFile(file);
  WriteULong(file, ClassVersion());
  WriteString(file, documentName_);
  WriteString(file, portName_);
}

template <typename Input>
void GDocumentCommand::RestoreBody(Input& input) {
  if (!Good(input) || !ReadVersion(input, ClassVersion())) return;
  RWWString documentName;
  RWWString portName;
  if (!ReadString(input, documentName) || !ReadString(input, portName)) return;
  documentName_ = documentName;
  portName_ = portName;
}

void GDocumentCommand::RestoreMembers(RWVirtualInStream& stream) {
  GCommand::RestoreMembers(stream);
  RestoreBody(stream);
}

void GDocumentCommand::RestoreMembersFromFile(RWBinaryFile& file) {
  GCommand::RestoreMembersFromFile(file);
  RestoreBody(file);
}

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

uint32_t GDocumentStart::MembersStoreSize() const {
  int32_t handle = 0;
  return GDocumentCommand::MembersStoreSize() + (InstanceHandle(handle) ? 12 : 8);
}

template <typename Output>
void GDocumentStart::SaveBody(Output& output) const {
  WriteULong(output, ClassVersion());
  // An instance the driver server does not know cannot be found again by
  // a reader: it is stored as none.
  int32_t handle = 0;
  const bool attached = InstanceHandle(handle);
  WriteLong(output, attached ? 1 : 0);
  if (attached) WriteLong(output, handle);
}

void GDocumentStart::SaveMembers(RWVirtualOutStream& stream) const {
  GDocumentCommand::SaveMembers(stream);
  SaveBody(stream);
}

void GDocumentStart::SaveMembersToFile(RWBinaryFile& file) const {
  GDocumentCommand::SaveMembersToFile(file);
  SaveBody(file);
}

template <typename Input>
void GDocumentStart::RestoreBody(Input& input) {
  if (!Good(input) || !ReadVersion(input, ClassVersion())) return;
  int32_t flag = 0;
  if (!ReadLong(input, flag)) return;
  instance_ = nullptr;
  if (flag != 1) return;
  int32_t handle = 0;
  if (!ReadLong(input, handle)) return;
  // The live instance of this process under the handle, never a stored copy.
  if (GDriverServer* server = GDriverServer::GetInstance()) instance_ = server->FindRenderDriverInstance(handle);
}

void GDocumentStart::RestoreMembers(RWVirtualInStream& stream) {
  GDocumentCommand::RestoreMembers(stream);
  RestoreBody(stream);
}

void GDocumentStart::RestoreMembersFromFile(RWBinaryFile& file) {
  GDocumentCommand::RestoreMembersFromFile(file);
  RestoreBody(file);
}

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

uint32_t GDocumentEnd::MembersStoreSize() const { return GDocumentCommand::MembersStoreSize() + 4; }

void GDocumentEnd::SaveMembers(RWVirtualOutStream& stream) const {
  GDocumentCommand::SaveMembers(stream);
  WriteULong(stream, ClassVersion());
}

void GDocumentEnd::SaveMembersToFile(RWBinaryFile& file) const {
  GDocumentCommand::SaveMembersToFile(file);
  WriteULong(file, ClassVersion());
}

void GDocumentEnd::RestoreMembers(RWVirtualInStream& stream) {
  GDocumentCommand::RestoreMembers(stream);
  if (Good(stream)) ReadVersion(stream, ClassVersion());
}

void GDocumentEnd::RestoreMembersFromFile(RWBinaryFile& file) {
  GDocumentCommand::RestoreMembersFromFile(file);
  if (Good(file)) ReadVersion(file, ClassVersion());
}

RWCollectable* GDocumentEndCreate() { return new GDocumentEnd; }
