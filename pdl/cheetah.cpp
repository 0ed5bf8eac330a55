#include "pdl/cheetah.h"

#include "model/MStoredMembers.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GCheetah::GCheetah() = default;

GCheetah::GCheetah(const int32_t* id) : GPdlGenerator(id) {}

GCheetah::GCheetah(const RWCString& name, GState* defaultState, GConfiguration* configuration, const int32_t* id,
                   int32_t addOnListId, int32_t addOnKind, int32_t addOnMode)
    : GPdlGenerator(name, defaultState, configuration, id, addOnListId, addOnKind, addOnMode) {}

void GCheetah::CopyValues(const GCheetah& other) {
  reservedSetting_ = other.reservedSetting_;
  writeStatus_ = other.writeStatus_;
  writeEnabled_ = other.writeEnabled_;
  xResolution_ = other.xResolution_;
  yResolution_ = other.yResolution_;
  colourOutput_ = other.colourOutput_;
  currentX_ = other.currentX_;
  currentY_ = other.currentY_;
}

GCheetah::GCheetah(const GCheetah& other) : GPdlGenerator(other) { CopyValues(other); }

GCheetah& GCheetah::operator=(const GCheetah& other) {
  if (&other == this || !other.DiffersFrom(this)) return *this;
  GPdlGenerator::operator=(other);
  CopyValues(other);
  return *this;
}

GCheetah::~GCheetah() = default;

QV_PERSISTENT_KIND_DEFINE(GCheetah, GPdlGenerator, GCheetahClassId)

int GCheetah::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  auto* generator = dynamic_cast<const GCheetah*>(other);
  return generator != nullptr && GPdlGenerator::Matches(other) && reservedSetting_ == generator->reservedSetting_ &&
         colourOutput_ == generator->colourOutput_ && currentX_ == generator->currentX_ &&
         currentY_ == generator->currentY_;
}

int16_t GCheetah::ApplyTo(GPeripheral* target) {
  return target != nullptr ? target->UsePclXlGenerator(this) : 0;
}

// The output block.
template <typename Archive>
void GCheetah::Members(Archive& archive) {
  MStored::RestoreScope<Archive> scope(this);
  OutputBlock block = Output();
  if (!OutputBlockMembers(archive, ClassVersion(), block)) return;
  if constexpr (Archive::kReading) TakeOutput(block);
}

QV_PERIPHERAL_MEMBERS_DEFINE(GCheetah, GPdlGenerator)

GPdlGenerator::OutputBlock GCheetah::Output() const {
  return {reservedSetting_, writeStatus_, writeEnabled_, xResolution_, yResolution_, colourOutput_};
}

void GCheetah::TakeOutput(const OutputBlock& block) {
  reservedSetting_ = block.setting;
  writeStatus_ = block.sinkStatus;
  writeEnabled_ = block.sinkEnabled;
  xResolution_ = block.xResolution;
  yResolution_ = block.yResolution;
  colourOutput_ = block.colour;
}

RWCollectable* GCheetahCreate() { return new GCheetah; }
