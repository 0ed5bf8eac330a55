#include "model/GPeripheral.h"

#include <algorithm>
#include <optional>

#include "model/GConfiguration.h"
#include "model/GErrorCommand.h"
#include "model/GFeatureIds.h"
#include "model/GOutputChannel.h"
#include "model/GState.h"
#include "model/MPersistentComposite.h"
#include "model/MPersistentIterator.h"
#include "model/MStoredMembers.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

namespace {

// Class id of the transform attribute (a graphics-state attribute).
constexpr RWClassID kTransformAttributeClassId = 103;

// Tag bytes of the stored observer list.
constexpr char kListTag = ':';

// The composite whose list of children is being read on this thread, while
// its direct children are being read; null everywhere else.
thread_local GPeripheral* t_listParent = nullptr;

bool Differ(const MPersistentObject* a, const MPersistentObject* b) {
  if (a == nullptr || b == nullptr) return a != b;
  return a->DiffersFrom(b) != 0;
}

bool PeripheralStreamOk(const RWVirtualInStream& stream) { return stream.Good() && !RWReadTableGuard::RestoreFailed(); }

bool PeripheralFileOk(const RWBinaryFile& file) {
  return !file.HasError() && !file.IsAtEnd() && !RWReadTableGuard::RestoreFailed();
}

}  // namespace

// ---- Construction ----

GPeripheral::GPeripheral()
    : mode_(0),
      addOnListId_(GFeatureIds::kAddOnList),
      addOnKind_(kAddOnNone),
      addOnMode_(kNoAddOns),
      currentState_(new GState(&GFeatureIds::kPeripheralState)),
      defaultState_(new GState(&GFeatureIds::kPeripheralState)),
      configuration_(new GConfiguration(GFeatureIds::kPeripheralConfiguration)),
      active_(1),
      outputChannel_(nullptr),
      ownsChannel_(0) {}

GPeripheral::GPeripheral(const int32_t* id)
    : GAttribute(id),
      mode_(0),
      addOnListId_(GFeatureIds::kAddOnList),
      addOnKind_(kAddOnNone),
      addOnMode_(kNoAddOns),
      currentState_(new GState(&GFeatureIds::kPeripheralState)),
      defaultState_(new GState(&GFeatureIds::kPeripheralState)),
      configuration_(new GConfiguration(GFeatureIds::kPeripheralConfiguration)),
      active_(1),
      outputChannel_(nullptr),
      ownsChannel_(0) {}

GPeripheral::GPeripheral(const RWCString& name, GState* defaultState, GConfiguration* configuration,
                         const int32_t* id, int32_t addOnListId, int32_t addOnKind, int32_t addOnMode)
    : GAttribute(id),
      name_(name),
      mode_(0),
      addOnListId_(addOnListId),
      addOnKind_(addOnKind),
      addOnMode_(addOnMode),
      active_(1),
      outputChannel_(nullptr),
      ownsChannel_(0) {
  if (configuration == nullptr) configuration = new GConfiguration(GFeatureIds::kPeripheralConfiguration);
  if (defaultState == nullptr) defaultState = new GState;
  // Nobody observes a peripheral under construction, so the base versions
  // are called directly.
  configuration_ = GCountedPtr(configuration);
  GPeripheral::SetDefaultState(defaultState);
  // The current state is rebuilt from the default state.
  auto* current = static_cast<GState*>(defaultState->DeepCopy());
  current->SetFeatureId(GFeatureIds::kPeripheralState);
  currentState_ = GCountedPtr(current);
}

GPeripheral::GPeripheral(const GPeripheral& other)
    : GAttribute(other),
      name_(other.name_),
      mode_(0),
      addOnListId_(other.addOnListId_),
      addOnKind_(other.addOnKind_),
      addOnMode_(other.addOnMode_),
      currentState_(other.currentState_),
      defaultState_(other.defaultState_),
      configuration_(other.configuration_),
      active_(other.active_),
      outputChannel_(nullptr),
      ownsChannel_(0) {}

GPeripheral& GPeripheral::operator=(const GPeripheral& other) {
  if (&other == this || !other.DiffersFrom(this)) return *this;
  GAttribute::operator=(other);
  name_ = other.name_;
  mode_ = 0;
  addOnListId_ = other.addOnListId_;
  addOnKind_ = other.addOnKind_;
  addOnMode_ = other.addOnMode_;
  currentState_ = other.currentState_;
  defaultState_ = other.defaultState_;
  configuration_ = other.configuration_;
  active_ = other.active_;
  ClearSectionCache();
  DropOutputChannel();
  return *this;
}

GPeripheral::~GPeripheral() { DropOutputChannel(); }

QV_PERSISTENT_ID_DEFINE(GPeripheral, GAttribute, GPeripheralClassId)

int GPeripheral::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* peripheral = dynamic_cast<const GPeripheral*>(other);
  if (peripheral == nullptr || !GAttribute::Matches(other)) return 0;
  return name_ == peripheral->name_ && mode_ == peripheral->mode_ && addOnListId_ == peripheral->addOnListId_ &&
         addOnKind_ == peripheral->addOnKind_ && addOnMode_ == peripheral->addOnMode_ &&
         active_ == peripheral->active_ && !Differ(currentState_.Pointee(), peripheral->currentState_.Pointee()) &&
         !Differ(defaultState_.Pointee(), peripheral->defaultState_.Pointee()) &&
         !Differ(configuration_.Pointee(), peripheral->configuration_.Pointee());
}

MPersistentObject* GPeripheral::DeepCopy() const {
  auto* copy = static_cast<GPeripheral*>(Clone());
  if (copy == nullptr) return nullptr;
  copy->currentState_ = GCountedPtr(currentState_.CopyPointee());
  copy->defaultState_ = GCountedPtr(defaultState_.CopyPointee());
  copy->configuration_ = GCountedPtr(configuration_.CopyPointee());
  return copy;
}

// ---- Data ----

void GPeripheral::SetDefaultState(GState* state) {
  if (state == nullptr) return;
  state->SetFeatureId(GFeatureIds::kPeripheralState);
  defaultState_ = GCountedPtr(state);
}

void GPeripheral::SetCurrentState(GState* state) {
  if (state == nullptr) return;
  state->SetFeatureId(GFeatureIds::kPeripheralState);
  currentState_ = GCountedPtr(state);
  ClearSectionCache();
}

void GPeripheral::SetConfiguration(GConfiguration* configuration) {
  if (configuration == nullptr) return;
  configuration_ = GCountedPtr(configuration);
  OnPeripheralChanged(this);
}

GState* GPeripheral::ResetDefaultState() {
  return static_cast<GState*>(defaultState_.TakePointee(new GState(&GFeatureIds::kPeripheralState)));
}

GState* GPeripheral::ResetCurrentState() {
  ClearSectionCache();
  return static_cast<GState*>(currentState_.TakePointee(new GState(&GFeatureIds::kPeripheralState)));
}

GConfiguration* GPeripheral::ResetConfiguration() {
  auto* old =
      static_cast<GConfiguration*>(configuration_.TakePointee(new GConfiguration(GFeatureIds::kPeripheralConfiguration)));
  OnPeripheralChanged(this);
  return old;
}

void GPeripheral::RebuildCurrentState() {
  Activate();
  GState* current = nullptr;
  if (const MPersistentObject* defaults = defaultState_.Pointee()) {
    current = dynamic_cast<GState*>(defaults->DeepCopy());
  }
  if (current == nullptr) current = new GState;
  current->SetFeatureId(GFeatureIds::kPeripheralState);
  currentState_ = GCountedPtr(current);
  ClearSectionCache();
  OnPeripheralChanged(this);
  DropOutputChannel();
}

void GPeripheral::ClearSectionCache() {
  graphicsSection_ = GCountedPtr();
  pageSection_ = GCountedPtr();
  jobSection_ = GCountedPtr();
}

GCountedPtr* GPeripheral::SectionSlot(int32_t sectionId) {
  switch (sectionId) {
    case GFeatureIds::kGraphicsState: return &graphicsSection_;
    case GFeatureIds::kPageState: return &pageSection_;
    case GFeatureIds::kJobSettings: return &jobSection_;
    default: return nullptr;
  }
}

GState* GPeripheral::GetStateSection(int32_t sectionId) {
  GState* current = GetCurrentState();
  GCountedPtr* slot = SectionSlot(sectionId);
  if (slot == nullptr || current == nullptr) return current;
  // A cached section serves as long as the current state still holds it.
  if (auto* cached = static_cast<GState*>(slot->Pointee())) {
    if (current->IndexOfChild(cached) >= 0 || current->FindById(sectionId) == cached) return cached;
    *slot = GCountedPtr();
  }
  auto* section = dynamic_cast<GState*>(current->FindById(sectionId));
  if (section == nullptr) {
    section = new GState(&sectionId);
    current->AddChild(section);
    if (current->IndexOfChild(section) < 0) return current;  // refused and destroyed
  }
  *slot = GCountedPtr(section);
  return section;
}

void GPeripheral::MergeSettings(GState* settings) {
  if (settings == nullptr) return;
  GState* section = GetStateSection(settings->FeatureId());
  if (section != nullptr) section->Merge(settings);
}

void GPeripheral::ApplyChangedAttributes(int32_t sectionId) {
  GState* section = GetStateSection(sectionId);
  if (section == nullptr) return;
  // The section is held for the walk: applying an attribute may make this
  // stage replace its state.
  GCountedPtr held(section);
  if (sectionId == GFeatureIds::kGraphicsState) {
    // A graphic's bundle is a state of its own kind, so the section keeps
    // it as one nested member: its transform is looked for there as well.
    GAttribute* transform = nullptr;
    GState* holder = nullptr;
    for (size_t i = 0; i < section->Children().Count() && transform == nullptr; ++i) {
      GAttribute* attribute = section->ChildAt(i);
      if (attribute == nullptr || !attribute->changed) continue;
      if (attribute->ClassId() == kTransformAttributeClassId) {
        transform = attribute;
        break;
      }
      auto* nested = dynamic_cast<GState*>(attribute);
      for (size_t k = 0; nested != nullptr && k < nested->Children().Count(); ++k) {
        GAttribute* member = nested->ChildAt(k);
        if (member != nullptr && member->ClassId() == kTransformAttributeClassId && member->changed) {
          transform = member;
          holder = nested;
          break;
        }
      }
    }
    if (transform != nullptr) {
      // A new transform makes every graphics attribute go out again, the
      // transform first.
      GCountedPtr keepTransform(transform);
      GCountedPtr keepHolder(holder);
      transform->ApplyTo(this);
      section->MarkAllChanged();
      if (holder != nullptr) holder->MarkAllChanged();
      transform->changed = 0;
    }
  }
  // Applying may change the section's list, so the members are taken first.
  GCountedPtrVector members;
  for (size_t i = 0; i < section->Children().Count(); ++i) members.Append(section->Children().Data()[i]);
  for (size_t i = 0; i < members.Count(); ++i) {
    auto* attribute = dynamic_cast<GAttribute*>(members.Data()[i].Pointee());
    // The flag stays: the stages that share this state apply it too.
    if (attribute != nullptr && attribute->changed) attribute->ApplyTo(this);
  }
}

// ---- Sending ----

namespace {

// A command that stands for a list of commands: an in-memory composite
// answers its member list, the on-disk one is known by its class.
bool IsCommandList(GCommand* command) {
  return command->AsComposite() != nullptr || command->ClassId() == GCommandCompositeOnDiskClassId;
}

}  // namespace

GCountedPtr GPeripheral::Send(GCommand* command) {
  // Held for the whole call: a stage may let go of the command it got.
  GCountedPtr held(command);
  if (command == nullptr || !active_) return held;
  command->SetModified(0);
  if (IsCommandList(command)) return SendComposite(command);
  const RWClassID classId = command->ClassId();
  if (classId == GNoCommandClassId || classId == GErrorCommandClassId) return held;
  if (GState* settings = command->GetSettings()) {
    // The settings are held while they merge: merging may let go of the
    // command's last other holder.
    GCountedPtr heldSettings(settings);
    const int32_t sectionId = settings->FeatureId();
    MergeSettings(settings);
    ApplyChangedAttributes(sectionId);
  }
  return Filter(command);
}

GCountedPtr GPeripheral::Filter(GCommand* command) {
  GCountedPtr held(command);
  if (command == nullptr) return held;
  const int16_t status = command->Dispatch(this);
  if (status == 0) return held;
  return GCountedPtr(new GErrorCommand(static_cast<uint16_t>(status), command));
}

GCountedPtr GPeripheral::SendComposite(GCommand* composite) {
  GCountedPtr held(composite);
  if (composite == nullptr || !IsCommandList(composite)) return held;
  MPersistentIterator* it = composite->CreateIterator();
  if (it == nullptr) return held;
  if (composite->ClassId() == GCommandCompositeOnDiskClassId) {
    // The members live in a record store: each is read back through its
    // handle, and one that comes back replaced or changed is written back.
    if (auto* records = dynamic_cast<MPersistentHandleIterator*>(it)) {
      while (active_ && records->AdvanceHandle()) {
        GCountedRef record;
        records->CurrentHandle(record);
        auto* member = dynamic_cast<GCommand*>(record.Pointee());
        if (member == nullptr) continue;
        GCountedPtr heldMember(member);
        GCountedPtr result = Send(member);
        GCommand* replacement = CommandOf(result);
        const bool failed = replacement != nullptr && replacement->ClassId() == GErrorCommandClassId;
        if (replacement != nullptr && (replacement != member || replacement->IsModified())) {
          replacement->SetModified(0);
          records->ReplaceCurrentHandle(GCountedRef(replacement));
          composite->SetModified(1);
        }
        // The error stays in the member's place and goes on with the
        // composite, so that the job's sender sees it and aborts the job;
        // the members after it are not sent.
        if (failed) break;
      }
    }
    delete it;
    return held;
  }
  while (active_ && it->Advance()) {
    auto* member = dynamic_cast<GCommand*>(it->Current());
    if (member == nullptr) continue;
    GCountedPtr heldMember(member);
    GCountedPtr result = Send(member);
    GCommand* replacement = CommandOf(result);
    const bool failed = replacement != nullptr && replacement->ClassId() == GErrorCommandClassId;
    if (replacement != nullptr && (replacement != member || replacement->IsModified())) {
      replacement->SetModified(0);
      if (replacement != member) it->ReplaceCurrent(replacement);
      composite->SetModified(1);
    }
    // As above: the error takes the member's place and travels on.
    if (failed) break;
  }
  delete it;
  return held;
}

void GPeripheral::SetName(const RWCString& name) { name_ = name; }
void GPeripheral::GetName(RWCString& out) const { out = name_; }

void GPeripheral::AddObserver(GPeripheral* observer) {
  if (observer != nullptr) observers_.push_back(observer);
}

void GPeripheral::RemoveObserver(GPeripheral* observer) {
  auto it = std::find(observers_.begin(), observers_.end(), observer);
  if (it != observers_.end()) observers_.erase(it);
}

void GPeripheral::RemoveAllObserverEntries(GPeripheral* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void GPeripheral::OnPeripheralChanged(GPeripheral*) {
  // An observer may add or remove observers while it is told (a composite
  // that drops a child). The list is walked from a copy, and each entry is
  // told only while it is still in the list: a removed observer may be gone.
  const std::vector<GPeripheral*> snapshot = observers_;
  std::vector<GPeripheral*> told;
  for (GPeripheral* observer : snapshot) {
    const size_t listed = static_cast<size_t>(std::count(observers_.begin(), observers_.end(), observer));
    const size_t already = static_cast<size_t>(std::count(told.begin(), told.end(), observer));
    if (listed <= already) continue;
    told.push_back(observer);
    observer->OnPeripheralChanged(this);
  }
}

void GPeripheral::SetOutputChannel(GOutputChannel* channel, int owned) {
  if (channel != outputChannel_) DropOutputChannel();
  outputChannel_ = channel;
  ownsChannel_ = channel != nullptr && owned != 0 ? 1 : 0;
}

void GPeripheral::DropOutputChannel() {
  GOutputChannel* channel = outputChannel_;
  const bool owned = ownsChannel_ != 0;
  outputChannel_ = nullptr;
  ownsChannel_ = 0;
  if (owned) delete channel;
}

int GPeripheral::SupportsScaling() { return 1; }
int GPeripheral::GetEffectFlags() { return 0; }
GRealPair GPeripheral::GetScale(GState*, GState*, int32_t, int32_t*) { return GRealPair(1.0f, 1.0f); }

void GPeripheral::EnterDocument() { mode_ = 1; }
void GPeripheral::EnterPage() { mode_ = 2; }
void GPeripheral::EnterIdle() { mode_ = 0; }
int GPeripheral::IsInDocument() const { return mode_ == 1; }
int GPeripheral::IsInPage() const { return mode_ == 2; }

GState* GPeripheral::GetCurrentState() const { return static_cast<GState*>(currentState_.Pointee()); }
GState* GPeripheral::GetDefaultState() const { return static_cast<GState*>(defaultState_.Pointee()); }
GConfiguration* GPeripheral::GetConfiguration() const {
  return static_cast<GConfiguration*>(configuration_.Pointee());
}

int16_t GPeripheral::ApplyTo(GPeripheral* target) {
  int16_t result = 0;
  // The state is held for the walk: an attribute applied to the target may
  // make this peripheral let go of it.
  GCountedPtr held(currentState_);
  if (auto* state = static_cast<GState*>(held.Pointee())) {
    for (size_t i = 0; i < state->Children().Count(); ++i) {
      GAttribute* attribute = state->ChildAt(i);
      if (attribute == nullptr) continue;
      const int16_t status = attribute->ApplyTo(target);
      if (status != 0) result = status;
    }
  }
  changed = 0;
  return result;
}

// ---- Persistence ----

GPeripheral::ChildListRead::ChildListRead(GPeripheral* parent) : outer_(t_listParent) { t_listParent = parent; }
GPeripheral::ChildListRead::~ChildListRead() { t_listParent = outer_; }

GPeripheral::SizingScope::SizingScope(const GPeripheral* self) {
  uint32_t index = 0;
  if (guard_.IsTopLevel()) guard_.Table().Enter(self, index);
}

// The version, the default and current states and the configuration as
// object references, the observer list (tag, count, each observer as an
// object reference), the name and the three add-on values. Inside one
// save, shared states and observers already met are 6-byte back
// references. A read takes the add-on values only when all three were read.
template <typename Archive>
void GPeripheral::Members(Archive& archive) {
  constexpr bool kReading = Archive::kReading;
  MStored::RestoreScope<Archive> scope(this);
  // Only this peripheral's own list may name the parent; what it holds
  // (its states, its configuration) is no direct child of that parent.
  GPeripheral* parent = t_listParent;
  std::optional<ChildListRead> own;
  if constexpr (kReading) own.emplace(nullptr);
  archive.Version(ClassVersion());
  if constexpr (kReading) {
    if (!archive.Ok()) return;
    mode_ = 0;
    ClearSectionCache();
  }
  MStored::Held<GState>(archive, defaultState_);
  MStored::Held<GState>(archive, currentState_);
  MStored::Held<GConfiguration>(archive, configuration_);
  char tag = kListTag;
  archive(tag);
  if constexpr (kReading) {
    if (Archive::kKind == rwm::Kind::kReadStream ? !MStored::Going(archive) : !archive.Ok()) return;
    if (tag != kListTag) {
      // Observer lists are never shared, so the back-reference form of the
      // list cannot stand here: damaged input.
      GFailRestore();
      archive.Fail();
      return;
    }
    observers_.clear();
    bool read = false;
    if constexpr (Archive::kKind == rwm::Kind::kReadStream)
      read = RestoreObservers(archive.Input(), parent);
    else
      read = RestoreObserversFromFile(archive.Input(), parent);
    if (!read) {
      archive.Stop();
      return;
    }
  } else {
    uint32_t count = static_cast<uint32_t>(observers_.size());
    archive(count);
    for (const GPeripheral* observer : observers_) archive.Pointer(observer);
  }
  archive(name_);
  if (!MStored::Going(archive, true)) return;
  int32_t listId = addOnListId_;
  int32_t kind = addOnKind_;
  int32_t addOnMode = addOnMode_;
  archive(listId, kind, addOnMode);
  if (!archive.Ok()) return;
  addOnListId_ = listId;
  addOnKind_ = kind;
  addOnMode_ = addOnMode;
}

QV_PERIPHERAL_MEMBERS_DEFINE(GPeripheral, GAttribute)

bool GPeripheral::AcceptObserver(RWCollectable* object, GPeripheral* parent) {
  // The only observer a stored peripheral may name is the composite that is
  // reading it as a direct child: that composite holds it and unregisters
  // itself when it goes. Anything else (a null entry, an object the entry
  // itself created, another peripheral) would leave a link that nothing
  // clears: the restore fails.
  if (object != nullptr && object == parent) {
    observers_.push_back(parent);
    return true;
  }
  if (object != nullptr) {
    if (auto* model = dynamic_cast<MPersistentObject*>(object)) {
      GRefuseRead(model);
      return false;
    }
    RWReadTableGuard guard;
    if (guard.IsTopLevel()) delete object;
  }
  GFailRestore();
  return false;
}

bool GPeripheral::RestoreObservers(RWVirtualInStream& stream, GPeripheral* parent) {
  uint32_t count = 0;
  stream.GetULong(count);
  // One entry at a time: the stored count reserves nothing.
  for (uint32_t i = 0; i < count && PeripheralStreamOk(stream); ++i) {
    RWCollectable* object = nullptr;
    RWReadObjectPointer(stream, object);
    if (!PeripheralStreamOk(stream)) return false;
    if (!AcceptObserver(object, parent)) {
      stream.SetState(RW_STREAM_FAIL);
      return false;
    }
  }
  return PeripheralStreamOk(stream);
}

bool GPeripheral::RestoreObserversFromFile(RWBinaryFile& file, GPeripheral* parent) {
  uint32_t count = 0;
  if (!file.ReadULong(count)) return false;
  for (uint32_t i = 0; i < count && PeripheralFileOk(file); ++i) {
    RWCollectable* object = nullptr;
    RWReadObjectPointerFromFile(file, object);
    if (!PeripheralFileOk(file)) return false;
    if (!AcceptObserver(object, parent)) return false;
  }
  return PeripheralFileOk(file);
}

// ---- Drawing operations ----

int16_t GPeripheral::DrawArc(GGraphic*) { return 0; }
int16_t GPeripheral::DrawChord(GGraphic*) { return 0; }
int16_t GPeripheral::DrawEllipse(GGraphic*) { return 0; }
int16_t GPeripheral::EndScanLines(GGraphic*) { return 0; }
int16_t GPeripheral::DrawPath(GGraphic*) { return 0; }
int16_t GPeripheral::DrawPie(GGraphic*) { return 0; }
int16_t GPeripheral::DrawPolyBezier(GGraphic*) { return 0; }
int16_t GPeripheral::DrawPolyBezierTo(GGraphic*) { return 0; }
int16_t GPeripheral::DrawPolyline(GGraphic*) { return 0; }
int16_t GPeripheral::DrawPolylineTo(GGraphic*) { return 0; }
int16_t GPeripheral::DrawPolygon(GGraphic*) { return 0; }
int16_t GPeripheral::DrawRectangle(GGraphic*) { return 0; }
int16_t GPeripheral::DrawRaster(GGraphic*) { return 0; }
int16_t GPeripheral::DrawRoundRectangle(GGraphic*) { return 0; }
int16_t GPeripheral::ScanLines(GGraphic*) { return 0; }
int16_t GPeripheral::BeginScanLines(GGraphic*) { return 0; }
int16_t GPeripheral::DrawText(GGraphic*) { return 0; }
int16_t GPeripheral::DownloadFace(GDownloadFace*) { return 0; }

// ---- Command operations ----

int16_t GPeripheral::DocumentStart(GDocumentStart*) {
  EnterDocument();
  return 0;
}

int16_t GPeripheral::DocumentEnd(GDocumentEnd*) {
  EnterIdle();
  return 0;
}

int16_t GPeripheral::DocumentBreak(GCommand*) { return 0; }

int16_t GPeripheral::PageStart(GPageStart*) {
  EnterPage();
  return 0;
}

int16_t GPeripheral::PageEnd(GPageEnd*) {
  EnterDocument();
  return 0;
}

int16_t GPeripheral::JobAbort(GJobAbort*) {
  EnterIdle();
  if (ownsChannel_ && outputChannel_ != nullptr) return outputChannel_->Abort();
  return 0;
}

int16_t GPeripheral::Error(GErrorCommand*) { return 0; }
int16_t GPeripheral::PassThrough(GPassThroughCommand*) { return 0; }
int16_t GPeripheral::DownloadHeader(GDownloadHeaderCommand*) { return 0; }
int16_t GPeripheral::ReservedCommand1(MPersistentObject*) { return 0; }
int16_t GPeripheral::ReservedCommand2(MPersistentObject*) { return 0; }
int16_t GPeripheral::ReservedAttribute(GAttribute*) { return 0; }

// ---- Receiver operations ----

int16_t GPeripheral::SetBrush(GBrush*) { return 0; }
int16_t GPeripheral::SetLineCap(GCap*) { return 0; }
int16_t GPeripheral::ClipToPage(GClipToPage*) { return 0; }
int16_t GPeripheral::ClipToPath(GClipToPath*) { return 0; }
int16_t GPeripheral::ClipToRectangles(GClipToRectangle*) { return 0; }
int16_t GPeripheral::ClipToRectangle(GClipToSingleRectangle*) { return 0; }
int16_t GPeripheral::SetColorMap(GColorMap*) { return 0; }
int16_t GPeripheral::SetDashedPen(GDashedPen*) { return 0; }
int16_t GPeripheral::SetFillMode(GFillMode*) { return 0; }
int16_t GPeripheral::SetHalftone(GHalftone*) { return 0; }
int16_t GPeripheral::SetHalftoneEnhanced(GHalftoneEnhanced*) { return 0; }
int16_t GPeripheral::SetNeutralGrays(GNeutralGrays*) { return 0; }
int16_t GPeripheral::SetEdgeControl(GEdgeControl*) { return 0; }
int16_t GPeripheral::SetSRGBColor(GSRGBColor*) { return 0; }
int16_t GPeripheral::SetSRGBExtension(GSRGBExtension*) { return 0; }
int16_t GPeripheral::SetLineJoin(GJoint*) { return 0; }
int16_t GPeripheral::SetMiterJoin(GMiterJoint*) { return 0; }
int16_t GPeripheral::SetNoBrush(GNoBrush*) { return 0; }
int16_t GPeripheral::SetNoPen(GNoPen*) { return 0; }
int16_t GPeripheral::SetPen(GPen*) { return 0; }
int16_t GPeripheral::SetRasterOperation(GRasterOperation*) { return 0; }
int16_t GPeripheral::SetValue(GValueAttribute*) { return 0; }
int16_t GPeripheral::SetString(GStringAttribute*) { return 0; }
int16_t GPeripheral::SetEnum(GEnumAttribute*) { return 0; }
int16_t GPeripheral::SetRange(GRangeAttribute*) { return 0; }
int16_t GPeripheral::UsePclXlGenerator(GPeripheral*) { return 0; }
int16_t GPeripheral::UsePcl5eGenerator(GPeripheral*) { return 0; }
int16_t GPeripheral::UsePostScriptGenerator(GPeripheral*) { return 0; }
int16_t GPeripheral::UsePjl(GPeripheral*) { return 0; }
int16_t GPeripheral::SetMedia(GMedia*) { return 0; }
int16_t GPeripheral::SetTray(GTray*) { return 0; }
int16_t GPeripheral::SetTransform(GTransformAttribute*) { return 0; }
int16_t GPeripheral::SetPenColor(GColorPaint*) { return 0; }
int16_t GPeripheral::SetBrushColor(GColorPaint*) { return 0; }
