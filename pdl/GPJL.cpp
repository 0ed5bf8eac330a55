#include "pdl/GPJL.h"

#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

namespace {

const int32_t* const kSections[] = {&GGraphicsStateId, &GPageStateId, &GJobSettingsId};

}  // namespace

void GPJL::AddSections(bool currentOnlyWhenMissing) {
  for (const int32_t* id : kSections) {
    if (GState* current = GetCurrentState()) {
      if (!currentOnlyWhenMissing || current->FindById(*id) == nullptr) current->AddChild(new GState(id));
    }
    if (currentOnlyWhenMissing) continue;
    if (GState* defaults = GetDefaultState()) defaults->AddChild(new GState(id));
  }
}

GPJL::GPJL() : progress_(1) {
  mediaState_.MarkEmbedded();
  AddSections(false);
}

GPJL::GPJL(const int32_t* id) : GPeripheralComposite(id), progress_(1) {
  mediaState_.MarkEmbedded();
  AddSections(false);
}

GPJL::GPJL(const RWCString& name, GState* defaultState, GConfiguration* configuration, const int32_t* id,
           int32_t addOnListId, int32_t addOnKind, int32_t addOnMode)
    : GPeripheralComposite(name, defaultState, configuration, id, addOnListId, addOnKind, addOnMode), progress_(1) {
  mediaState_.MarkEmbedded();
  AddSections(true);
}

GPJL::GPJL(const GPJL& other)
    : GPeripheralComposite(other), mediaState_(other.mediaState_), jobName_(other.jobName_), progress_(other.progress_) {
  mediaState_.MarkEmbedded();
}

GPJL& GPJL::operator=(const GPJL& other) {
  if (&other == this) return *this;
  GPeripheralComposite::operator=(other);
  mediaState_ = other.mediaState_;
  jobName_ = other.jobName_;
  progress_ = other.progress_;
  return *this;
}

GPJL::~GPJL() = default;

GPJL* GPJL::CreateSameKind() const { return new GPJL; }
GPJL* GPJL::Clone() const { return new GPJL(*this); }
RWClassID GPJL::ClassId() const { return GPJLClassId; }

int GPJL::DerivesFrom(RWClassID classId) const {
  return classId == GPJLClassId || GPeripheralComposite::DerivesFrom(classId);
}

uint32_t GPJL::MembersStoreSize() const {
  SizingScope sizing(this);
  return GPeripheralComposite::MembersStoreSize() + 8 + mediaState_.StoredByteCount() +
         static_cast<uint32_t>(jobName_.Length());
}

void GPJL::SaveMembers(RWVirtualOutStream& stream) const {
  GPeripheralComposite::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  RWWriteObjectPointer(stream, &mediaState_);
  jobName_.SaveTo(stream);
}

void GPJL::SaveMembersToFile(RWBinaryFile& file) const {
  GPeripheralComposite::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  RWWriteObjectPointerToFile(file, &mediaState_);
  jobName_.SaveToFile(file);
}

void GPJL::RestoreMembers(RWVirtualInStream& stream) {
  MRestoreScope scope(this);
  GPeripheralComposite::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  RWReadObjectInto(stream, &mediaState_);
  if (!stream.Good() || RWReadTableGuard::RestoreFailed()) return;
  jobName_.RestoreFrom(stream);
}

void GPJL::RestoreMembersFromFile(RWBinaryFile& file) {
  MRestoreScope scope(this);
  GPeripheralComposite::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  RWReadObjectIntoFromFile(file, &mediaState_);
  if (file.HasError() || file.IsAtEnd() || RWReadTableGuard::RestoreFailed()) return;
  jobName_.RestoreFromFile(file);
}

RWCollectable* GPJLCreate() { return new GPJL; }
