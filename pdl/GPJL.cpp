#include "pdl/GPJL.h"

#include "driver/osfactry.h"
#include "driver/GDriverInstance.h"
#include "model/GConfiguration.h"
#include "model/GErrorCommand.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GOutputChannel.h"
#include "model/GStringAttribute.h"
#include "model/GStringConversion.h"
#include "model/MStoredMembers.h"
#include "model/GValueAttribute.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GJobAbort.h"
#include "printpath/GOutputChannelSource.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

namespace {

const int32_t* const kSections[] = {&GFeatureIds::kGraphicsState, &GFeatureIds::kPageState, &GFeatureIds::kJobSettings};

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

QV_PERSISTENT_KIND_DEFINE(GPJL, GPeripheralComposite, GPJLClassId)

// The version, the media state as one object (read in place), the job
// name.
template <typename Archive>
void GPJL::Members(Archive& archive) {
  MStored::RestoreScope<Archive> scope(this);
  archive.Version(ClassVersion());
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    if constexpr (Archive::kKind == rwm::Kind::kReadStream)
      RWReadObjectInto(archive.Input(), &mediaState_);
    else
      RWReadObjectIntoFromFile(archive.Input(), &mediaState_);
    if (!MStored::Going(archive)) return;
  } else {
    archive.Embedded(mediaState_);
  }
  archive(jobName_);
}

QV_PERIPHERAL_MEMBERS_DEFINE(GPJL, GPeripheralComposite)

// ---- The header ----

void GPJL::AppendExtensionLines(GPjlLineWriter& out) {
  auto* lines = dynamic_cast<GAttributeComposite*>(JobSettings()->FindById(GFeatureIds::kExtensionPjlLines));
  if (lines == nullptr) return;
  for (size_t i = 0; i < lines->Children().Count(); ++i) {
    if (auto* line = dynamic_cast<GStringAttribute*>(lines->ChildAt(i))) out.AppendPrintableLine(line->GetString());
  }
}

void GPJL::AppendHeaderLines(GPjlLineWriter& out, GDocumentStart* command) {
  // The job's settings, in the table's order.
  GPjlSettingsTable::AppendLines(out, GPjlJob{JobSettings(), GetConfiguration(), command});
  // The media given for this job are forgotten (no settings line reads them).
  mediaState_.RemoveAllChildren();
  // The children see the document start.
  GCountedPtr held(command);
  for (size_t i = 0; i < ChildCount(); ++i) {
    if (GPeripheral* child = ChildAt(i)) child->Send(command);
  }
  // The extension's lines.
  AppendExtensionLines(out);
  // The printer language, from this peripheral's current state.
  if (const RWCString* language = GPjlSettingsTable::FindText(GetCurrentState(), GFeatureIds::kPdlLanguageName))
    out.AppendEnterLanguage(*language);
}

// ---- Commands ----

GCountedPtr GPJL::Send(GCommand* command) {
  GCountedPtr held(command);
  if (command == nullptr || !IsActive()) return held;
  const RWClassID classId = command->ClassId();
  if (classId != GDocumentStartClassId && classId != GDocumentEndClassId && classId != GJobAbortClassId)
    return held;
  int16_t switchValue = 1;
  if (GPjlSettingsTable::FindValue(JobSettings(), GFeatureIds::kPjlJobCommands, switchValue) && switchValue == 0) return held;
  const int16_t status = command->Dispatch(this);
  if (status == 0) return held;
  return GCountedPtr(new GErrorCommand(static_cast<uint16_t>(status), command));
}

int16_t GPJL::DocumentStart(GDocumentStart* command) {
  if (command == nullptr) return GStatusNoOutputChannel;
  if (GOSFactory* factory = GOSFactory::GetInstance()) {
    if (factory->SuppressesProgress() != 0) progress_ = 0;
  }
  // A header already written and not yet closed by a footer belongs to a
  // job that never ended; the new job starts afresh.
  EnterIdle();
  const int16_t status = TakeOrOpenJobChannel(this, command, command->GetDriverInstance());
  if (status != 0) return status;
  GOutputChannel* channel = GetOutputChannel();

  RWCString narrow;
  ToNarrowString(command->GetDocumentName(), narrow);
  jobName_ = QuotedValue(narrow);

  RWCString header;
  GPjlLineWriter out(header);
  out.AppendUel();
  out.AppendJobLine(jobName_);
  AppendHeaderLines(out, command);

  const int16_t written = channel->WriteString(header, nullptr);
  if (written != 0) return written;
  if (progress_ != 0) static_cast<void>(channel->IsClosed());
  EnterDocument();
  return 0;
}

int16_t GPJL::DocumentEnd(GDocumentEnd* command) {
  // Only a job whose header went out gets a footer: an end without it would
  // close a job the printer never saw begin.
  const bool headerWritten = IsInDocument() != 0;
  EnterIdle();
  GCountedPtr held(command);
  for (size_t i = 0; i < ChildCount(); ++i) {
    if (GPeripheral* child = ChildAt(i)) child->Send(command);
  }
  GOutputChannel* channel = GetOutputChannel();
  if (!headerWritten || channel == nullptr) return 0;

  RWCString footer;
  GPjlLineWriter out(footer);
  out.AppendUel();
  AppendExtensionLines(out);
  out.AppendEojLine(jobName_);
  int16_t noClosingUel = 0;
  if (!(GPjlSettingsTable::FindValue(GetConfiguration(), GFeatureIds::kNoClosingUel, noClosingUel) && noClosingUel != 0))
    out.AppendUel();

  const int16_t status = channel->WriteString(footer, nullptr);
  if (status != 0) return status;
  if (OwnsOutputChannel()) return channel->Close();
  return 0;
}

int16_t GPJL::JobAbort(GJobAbort* command) {
  EnterIdle();
  static_cast<void>(GPeripheralComposite::JobAbort(command));
  return 0;
}

void GPJL::OnPeripheralChanged(GPeripheral*) {
  if (GConfiguration* configuration = GetConfiguration()) {
    configuration->RemoveAllChildren();
    if (MPersistentObject* own = GetOwnConfiguration()) configuration->AddChild(own);
    for (size_t i = 0; i < ChildCount(); ++i) {
      GPeripheral* child = ChildAt(i);
      GConfiguration* childConfiguration = child != nullptr ? child->GetConfiguration() : nullptr;
      if (childConfiguration != nullptr && childConfiguration != configuration)
        configuration->AddChild(childConfiguration);
    }
  }
  auto* current = new GState(&GFeatureIds::kPeripheralState);
  auto* defaults = new GState(&GFeatureIds::kPeripheralState);
  GCountedPtr heldCurrent(current);
  GCountedPtr heldDefaults(defaults);
  current->Merge(GetOwnCurrentState());
  defaults->Merge(GetOwnDefaultState());
  for (size_t i = 0; i < ChildCount(); ++i) {
    GPeripheral* child = ChildAt(i);
    if (child == nullptr) continue;
    defaults->Merge(child->GetDefaultState());
    current->Merge(child->GetCurrentState());
  }
  // Only the peripheral's states change; the own states stay its own part.
  GPeripheral::SetCurrentState(current);
  GPeripheral::SetDefaultState(defaults);
  for (size_t i = 0; i < ChildCount(); ++i) {
    if (GPeripheral* child = ChildAt(i)) {
      child->SetDefaultState(defaults);
      child->SetCurrentState(current);
    }
  }
  GPeripheral::OnPeripheralChanged(this);
}

int16_t GPJL::SetMedia(GMedia* media) {
  if (media != nullptr) mediaState_.AddChild(media->Clone());
  return 0;
}

int16_t GPJL::SetValue(GValueAttribute*) { return 0; }
int16_t GPJL::SetString(GStringAttribute*) { return 0; }
int16_t GPJL::SetEnum(GEnumAttribute*) { return 0; }
int16_t GPJL::SetRange(GRangeAttribute*) { return 0; }

RWCollectable* GPJLCreate() { return new GPJL; }
