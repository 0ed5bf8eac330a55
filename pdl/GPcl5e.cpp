#include "pdl/GPcl5e.h"

#include "model/MStoredMembers.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GPcl5e::GPcl5e() = default;

GPcl5e::GPcl5e(const int32_t* id) : GPdlGenerator(id) {}

GPcl5e::GPcl5e(const RWCString& name, GState* defaultState, GConfiguration* configuration, const int32_t* id,
               int32_t addOnListId, int32_t addOnKind, int32_t addOnMode)
    : GPdlGenerator(name, defaultState, configuration, id, addOnListId, addOnKind, addOnMode) {}

void GPcl5e::CopyValues(const GPcl5e& other) {
  patternId_ = other.patternId_;
  outputStatus_ = other.outputStatus_;
  outputOk_ = other.outputOk_;
  xResolution_ = other.xResolution_;
  yResolution_ = other.yResolution_;
  colourMode_ = other.colourMode_;
  colourTreatmentMode_ = other.colourTreatmentMode_;
  cursorX_ = other.cursorX_;
  cursorY_ = other.cursorY_;
  forceX_ = other.forceX_;
  forceY_ = other.forceY_;
}

GPcl5e::GPcl5e(const GPcl5e& other) : GPdlGenerator(other) { CopyValues(other); }

GPcl5e& GPcl5e::operator=(const GPcl5e& other) {
  if (&other == this || !other.DiffersFrom(this)) return *this;
  GPdlGenerator::operator=(other);
  CopyValues(other);
  return *this;
}

GPcl5e::~GPcl5e() = default;

QV_PERSISTENT_KIND_DEFINE(GPcl5e, GPdlGenerator, GPcl5eClassId)

int GPcl5e::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  auto* generator = dynamic_cast<const GPcl5e*>(other);
  return generator != nullptr && GPdlGenerator::Matches(other) && patternId_ == generator->patternId_ &&
         colourMode_ == generator->colourMode_ && colourTreatmentMode_ == generator->colourTreatmentMode_ &&
         cursorX_ == generator->cursorX_ && cursorY_ == generator->cursorY_ && forceX_ == generator->forceX_ &&
         forceY_ == generator->forceY_;
}

int16_t GPcl5e::ApplyTo(GPeripheral* target) { return target != nullptr ? target->UsePcl5eGenerator(this) : 0; }

// The output block and, after it, the colour treatment mode.
template <typename Archive>
void GPcl5e::Members(Archive& archive) {
  MStored::RestoreScope<Archive> scope(this);
  OutputBlock block = Output();
  int32_t treatment = colourTreatmentMode_;
  if (!OutputBlockMembers(archive, ClassVersion(), block, &treatment)) return;
  if constexpr (Archive::kReading) {
    TakeOutput(block);
    colourTreatmentMode_ = treatment;
  }
}

QV_PERIPHERAL_MEMBERS_DEFINE(GPcl5e, GPdlGenerator)

GPdlGenerator::OutputBlock GPcl5e::Output() const {
  return {patternId_, outputStatus_, outputOk_, xResolution_, yResolution_, colourMode_};
}

void GPcl5e::TakeOutput(const OutputBlock& block) {
  patternId_ = block.setting;
  outputStatus_ = block.sinkStatus;
  outputOk_ = block.sinkEnabled;
  xResolution_ = block.xResolution;
  yResolution_ = block.yResolution;
  colourMode_ = block.colour;
}

RWCollectable* GPcl5eCreate() { return new GPcl5e; }
