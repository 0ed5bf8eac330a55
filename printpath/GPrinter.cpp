#include "printpath/GPrinter.h"

#include <initializer_list>
#include <vector>

#include "model/GErrorCommand.h"
#include "model/GFeatureIds.h"
#include "model/GOutputChannel.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/MStoredMembers.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GJobAbort.h"
#include "printpath/GOutputChannelSource.h"
#include "printpath/GPageCommand.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

constexpr int32_t kDefaultPrinterMode = 2;

bool PrinterIsPeripheral(const MPersistentObject* object) {
  return object != nullptr && object->DerivesFrom(GPeripheralClassId) &&
         dynamic_cast<const GPeripheral*>(object) != nullptr;
}

// A non-zero status puts an error command carrying it and the command in
// the command's place.
GCountedPtr ErrorOr(int16_t status, const GCountedPtr& command) {
  if (status == 0) return command;
  return GCountedPtr(new GErrorCommand(static_cast<uint16_t>(status), CommandOf(command)));
}

void InsertAddOnsOf(GPeripheral* child) {
  if (auto* composite = dynamic_cast<GPeripheralComposite*>(child)) composite->InsertAddOns();
}

void RemoveAddOnsOf(GPeripheral* child) {
  if (auto* composite = dynamic_cast<GPeripheralComposite*>(child)) composite->RemoveAddOns();
}

// Merges each state given into a new state stamped 243.
GState* MergedState(std::initializer_list<GState*> first, const std::vector<GState*>& rest) {
  auto* merged = new GState(&GFeatureIds::kPeripheralState);
  for (GState* state : first)
    if (state != nullptr && state != merged) merged->Merge(state);
  for (GState* state : rest)
    if (state != nullptr && state != merged) merged->Merge(state);
  return merged;
}

}  // namespace

GPrinter::GPrinter() : printerMode_(kDefaultPrinterMode), pjlChild_(nullptr), generatorChild_(nullptr) {
  OnPeripheralChanged(this);
}

GPrinter::GPrinter(const int32_t* id)
    : GPeripheralComposite(id), printerMode_(kDefaultPrinterMode), pjlChild_(nullptr), generatorChild_(nullptr) {
  OnPeripheralChanged(this);
}

GPrinter::GPrinter(const RWCString& name, GState* defaultState, GConfiguration* configuration, const int32_t* id)
    : GPeripheralComposite(name, defaultState, configuration, id, 0, kAddOnNone, kNoAddOns),
      printerMode_(kDefaultPrinterMode),
      pjlChild_(nullptr),
      generatorChild_(nullptr) {
  OnPeripheralChanged(this);
}

GPrinter::GPrinter(const GPrinter& other)
    : GPeripheralComposite(other), printerMode_(other.printerMode_), pjlChild_(nullptr), generatorChild_(nullptr) {
  // The copy shares the children; its pointers are its own look-ups.
  LocateChildren();
}

GPrinter& GPrinter::operator=(const GPrinter& other) {
  if (&other == this || !other.DiffersFrom(this)) return *this;
  GPeripheralComposite::operator=(other);
  printerMode_ = other.printerMode_;
  LocateChildren();
  return *this;
}

GPrinter::~GPrinter() = default;

QV_PERSISTENT_KIND_DEFINE(GPrinter, GPeripheralComposite, GPrinterClassId)

int GPrinter::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  auto* printer = dynamic_cast<const GPrinter*>(other);
  return printer != nullptr && GPeripheral::Matches(other) && printerMode_ == printer->printerMode_;
}

void GPrinter::LocateChildren() {
  pjlChild_ = nullptr;
  generatorChild_ = nullptr;
  // The direct children only: the pointers are not held, and the printer
  // holds its direct children.
  for (size_t i = 0; i < ChildCount(); ++i) {
    GPeripheral* child = ChildAt(i);
    if (child == nullptr) continue;
    if (pjlChild_ == nullptr && child->FeatureId() == GFeatureIds::kPjlPeripheral) pjlChild_ = child;
    if (generatorChild_ == nullptr && child->FeatureId() == GFeatureIds::kGeneratorPeripheral) generatorChild_ = child;
  }
}

GPeripheral* GPrinter::GetPjlChild() {
  LocateChildren();
  return pjlChild_;
}

GPeripheral* GPrinter::GetGeneratorChild() {
  LocateChildren();
  return generatorChild_;
}

void GPrinter::ChildrenChanged() { LocateChildren(); }

int GPrinter::IsPrinterModeOne() const { return printerMode_ == 1 ? 1 : 0; }

// ---- Children ----

void GPrinter::NameLanguage(MPersistentObject* child) {
  if (!PrinterIsPeripheral(child) || !child->DerivesFrom(GGeneratorKindId)) return;
  auto* generator = static_cast<GPeripheral*>(child);
  // The PJL peripheral reads the name from the shared state, which the
  // printer merges from each child's current state; a composite keeps its
  // own part apart, and it gets the name too.
  GState* states[2] = {generator->GetCurrentState(), nullptr};
  if (auto* composite = dynamic_cast<GPeripheralComposite*>(generator)) states[1] = composite->GetOwnCurrentState();
  if (states[1] == states[0]) states[1] = nullptr;
  for (GState* state : states) {
    if (state == nullptr) continue;
    // One name only: a generator taken in again is not named twice.
    delete state->RemoveChildById(GFeatureIds::kPdlLanguageName);
    state->AddChild(new GStringAttribute(generator->Name(), &GFeatureIds::kPdlLanguageName));
  }
}

void GPrinter::AddChild(MPersistentObject* child) {
  NameLanguage(child);
  GPeripheralComposite::AddChild(child);
}

void GPrinter::PrependChild(MPersistentObject* child) {
  NameLanguage(child);
  GPeripheralComposite::PrependChild(child);
}

int16_t GPrinter::UseChild(int32_t featureId, GPeripheral* peripheral) {
  if (peripheral == nullptr) return 0;
  // A copy first: the peripheral given may be the very child replaced, or
  // live in the state cleaned below.
  auto* copy = static_cast<GPeripheral*>(peripheral->Clone());
  // It takes the place of the child with that id.
  copy->SetFeatureId(featureId);
  if (GState* current = GetCurrentState()) delete current->RemoveChildById(featureId);
  for (size_t i = 0; i < ChildCount(); ++i) {
    GPeripheral* child = ChildAt(i);
    if (child == nullptr || child->FeatureId() != featureId) continue;
    delete RemoveChild(child);
    break;
  }
  AddChild(copy);
  return 0;
}

int16_t GPrinter::UsePclXlGenerator(GPeripheral* generator) { return UseChild(GFeatureIds::kGeneratorPeripheral, generator); }
int16_t GPrinter::UsePcl5eGenerator(GPeripheral* generator) { return UseChild(GFeatureIds::kGeneratorPeripheral, generator); }
int16_t GPrinter::UsePostScriptGenerator(GPeripheral* generator) {
  return UseChild(GFeatureIds::kGeneratorPeripheral, generator);
}
int16_t GPrinter::UsePjl(GPeripheral* pjl) { return UseChild(GFeatureIds::kPjlPeripheral, pjl); }

// ---- States ----

void GPrinter::OnPeripheralChanged(GPeripheral* source) {
  RebuildConfiguration();
  LocateChildren();
  std::vector<GState*> currents;
  std::vector<GState*> defaults;
  const GCountedPtrVector held = HeldChildren();
  for (size_t i = 0; i < held.Count(); ++i) {
    auto* child = dynamic_cast<GPeripheral*>(held.Data()[i].Pointee());
    if (child == nullptr) continue;
    currents.push_back(child->GetCurrentState());
    defaults.push_back(child->GetDefaultState());
  }
  GCountedPtr current(MergedState({GetOwnCurrentState()}, currents));
  GCountedPtr defaultState(MergedState({GetOwnDefaultState()}, defaults));
  GPeripheral::SetCurrentState(static_cast<GState*>(current.Pointee()));
  GPeripheral::SetDefaultState(static_cast<GState*>(defaultState.Pointee()));
  // From here the printer and every child share one current state:
  // settings merged at the printer reach the PJL peripheral and the
  // generator.
  for (size_t i = 0; i < held.Count(); ++i) {
    auto* child = dynamic_cast<GPeripheral*>(held.Data()[i].Pointee());
    if (child == nullptr) continue;
    child->SetDefaultState(static_cast<GState*>(defaultState.Pointee()));
    child->SetCurrentState(static_cast<GState*>(current.Pointee()));
  }
  GPeripheral::OnPeripheralChanged(source);
}

// ---- Passing commands ----

GCountedPtr GPrinter::Send(GCommand* command) { return GPeripheral::Send(command); }

void GPrinter::ApplyChangedAttributes(int32_t) {}

GCountedPtr GPrinter::PassTo(GPeripheral* child, GCountedPtr command, int32_t settingsId) {
  if (child == nullptr) return command;
  // The child is held while it works: the command may make the printer
  // let go of it.
  GCountedPtr heldChild(child);
  child->ApplyChangedAttributes(settingsId);
  return child->Send(CommandOf(command));
}

GCountedPtr GPrinter::Filter(GCommand* command) {
  GCountedPtr result(command);
  if (command == nullptr) return result;
  LocateChildren();
  // Held for the call: a command may replace a child.
  GCountedPtr pjlHeld(pjlChild_);
  GCountedPtr generatorHeld(generatorChild_);
  GPeripheral* pjl = pjlChild_;
  GPeripheral* generator = generatorChild_;
  GState* settings = command->GetSettings();
  const int32_t settingsId = settings != nullptr ? settings->FeatureId() : 0;
  switch (command->ClassId()) {
    case GDocumentStartClassId: {
      InsertAddOnsOf(pjl);
      InsertAddOnsOf(generator);
      result = ErrorOr(DocumentStart(static_cast<GDocumentStart*>(command)), result);
      result = PassTo(pjl, result, settingsId);
      result = PassTo(generator, result, settingsId);
      return result;
    }
    case GDocumentEndClassId: {
      if (settings != nullptr) {
        result = PassTo(generator, result, settingsId);
        result = PassTo(pjl, result, settingsId);
      }
      result = ErrorOr(DocumentEnd(static_cast<GDocumentEnd*>(command)), result);
      RemoveAddOnsOf(generator);
      RemoveAddOnsOf(pjl);
      return result;
    }
    case GPageEndClassId: {
      if (settings != nullptr) {
        result = PassTo(generator, result, settingsId);
        result = PassTo(pjl, result, settingsId);
      }
      return ErrorOr(PageEnd(static_cast<GPageEnd*>(command)), result);
    }
    case GJobAbortClassId: {
      if (generator != nullptr) result = generator->Send(CommandOf(result));
      if (pjl != nullptr) result = pjl->Send(CommandOf(result));
      result = ErrorOr(JobAbort(static_cast<GJobAbort*>(command)), result);
      RemoveAddOnsOf(generator);
      RemoveAddOnsOf(pjl);
      return result;
    }
    default:
      break;
  }
  if (generator == nullptr) return result;
  if (settings != nullptr) generator->ApplyChangedAttributes(settingsId);
  return ErrorOr(command->Dispatch(generator), result);
}

GRealPair GPrinter::GetScale(GState* jobState, GState* pageSettings, int32_t pageNumber, int32_t* code) {
  LocateChildren();
  GRealPair scale(1.0f, 1.0f);
  for (GPeripheral* child : {generatorChild_, pjlChild_}) {
    if (child == nullptr || !child->IsActive()) continue;
    GCountedPtr held(child);
    const GRealPair factor = child->GetScale(jobState, pageSettings, pageNumber, code);
    scale.x *= factor.x;
    scale.y *= factor.y;
    if (scale.x == 0.0f && scale.y == 0.0f) break;
  }
  return scale;
}

// ---- Job boundaries and the output channel ----

int16_t GPrinter::DocumentStart(GDocumentStart* command) {
  if (OwnsOutputChannel()) DropOutputChannel();
  if (command != nullptr && command->GetOutputChannel() != nullptr) {
    // An earlier stage opened the channel: used, not owned.
    SetOutputChannel(command->GetOutputChannel(), 0);
  } else {
    const RWWString port = command != nullptr ? command->GetPortName() : RWWString();
    GOutputChannel* channel = OpenOutputChannel(command != nullptr ? command->GetDriverInstance() : nullptr, port, 0);
    if (channel == nullptr) return GStatusNoOutputChannel;
    if (channel->IsReady() == 0) {
      delete channel;
      return GStatusNoOutputChannel;
    }
    SetOutputChannel(channel, 1);
    if (command != nullptr) command->SetOutputChannel(channel);
    const int16_t status = channel->Open(command != nullptr ? command->GetDocumentName() : RWWString());
    if (status != 0) return status;
  }
  EnterDocument();
  return 0;
}

int16_t GPrinter::DocumentEnd(GDocumentEnd*) {
  int16_t status = 0;
  if (OwnsOutputChannel() && GetOutputChannel() != nullptr) {
    status = GetOutputChannel()->Close();
    DropOutputChannel();
  }
  EnterIdle();
  return status;
}

int16_t GPrinter::DocumentBreak(GCommand*) { return 0; }

int16_t GPrinter::PageEnd(GPageEnd*) {
  GOutputChannel* channel = GetOutputChannel();
  return channel == nullptr || channel->IsClosed() != 0 ? GOutputChannel::kNotAllowed : 0;
}

int16_t GPrinter::JobAbort(GJobAbort*) {
  EnterIdle();
  if (!OwnsOutputChannel() || GetOutputChannel() == nullptr) return 0;
  const int16_t status = GetOutputChannel()->Abort();
  DropOutputChannel();
  return status;
}

// ---- Persistence ----

// The children are located again after the composite's part was read; then
// the version and the printer mode.
template <typename Archive>
void GPrinter::Members(Archive& archive) {
  if constexpr (Archive::kReading) LocateChildren();
  archive.Version(ClassVersion());
  int32_t mode = printerMode_;
  archive(mode);
  if constexpr (Archive::kReading) {
    if (archive.Ok()) printerMode_ = mode;
  }
}

QV_PERIPHERAL_MEMBERS_DEFINE(GPrinter, GPeripheralComposite)

RWCollectable* GPrinterCreate() { return new GPrinter; }
