#include "pdl/GPostScript.h"

#include "model/MStoredMembers.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GPostScript::GPostScript() : writer_(std::make_unique<PSLIB>(this)) {}

GPostScript::GPostScript(const int32_t* id) : GPdlGenerator(id), writer_(std::make_unique<PSLIB>(this)) {}

GPostScript::GPostScript(const RWCString& name, GState* defaultState, GConfiguration* configuration,
                         const int32_t* id, int32_t addOnListId, int32_t addOnKind, int32_t addOnMode)
    : GPdlGenerator(name, defaultState, configuration, id, addOnListId, addOnKind, addOnMode),
      writer_(std::make_unique<PSLIB>(this)) {}

GPostScript::GPostScript(const GPostScript& other)
    : GPdlGenerator(other),
      reservedSetting_(other.reservedSetting_),
      sinkStatus_(other.sinkStatus_),
      sinkEnabled_(other.sinkEnabled_),
      xResolution_(other.xResolution_),
      yResolution_(other.yResolution_),
      colourMode_(other.colourMode_),
      currentX_(other.currentX_),
      currentY_(other.currentY_),
      scalePatterns_(other.scalePatterns_),
      twoBitRaster_(other.twoBitRaster_),
      compressImages_(other.compressImages_),
      fontOption571_(other.fontOption571_),
      ditherMatrix_(other.ditherMatrix_),
      writer_(std::make_unique<PSLIB>(this)) {}

GPostScript& GPostScript::operator=(const GPostScript& other) {
  if (&other == this || !other.DiffersFrom(this)) return *this;
  GPdlGenerator::operator=(other);
  reservedSetting_ = other.reservedSetting_;
  sinkEnabled_ = other.sinkEnabled_;
  xResolution_ = other.xResolution_;
  yResolution_ = other.yResolution_;
  colourMode_ = other.colourMode_;
  currentX_ = other.currentX_;
  currentY_ = other.currentY_;
  scalePatterns_ = other.scalePatterns_;
  twoBitRaster_ = other.twoBitRaster_;
  compressImages_ = other.compressImages_;
  ditherMatrix_ = other.ditherMatrix_;
  // A fresh writer: nothing of the other's job carries over.
  writer_ = std::make_unique<PSLIB>(this);
  return *this;
}

GPostScript::~GPostScript() = default;

QV_PERSISTENT_KIND_DEFINE(GPostScript, GPdlGenerator, GPostScriptClassId)

int GPostScript::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  auto* generator = dynamic_cast<const GPostScript*>(other);
  return generator != nullptr && GPdlGenerator::Matches(other) && reservedSetting_ == generator->reservedSetting_ &&
         colourMode_ == generator->colourMode_ && currentX_ == generator->currentX_ &&
         currentY_ == generator->currentY_;
}

int16_t GPostScript::ApplyTo(GPeripheral* target) {
  return target != nullptr ? target->UsePostScriptGenerator(this) : 0;
}

// The output block.
template <typename Archive>
void GPostScript::Members(Archive& archive) {
  MStored::RestoreScope<Archive> scope(this);
  OutputBlock block = Output();
  if (!OutputBlockMembers(archive, ClassVersion(), block)) return;
  if constexpr (Archive::kReading) TakeOutput(block);
}

QV_PERIPHERAL_MEMBERS_DEFINE(GPostScript, GPdlGenerator)

GPdlGenerator::OutputBlock GPostScript::Output() const {
  return {reservedSetting_, sinkStatus_, sinkEnabled_, xResolution_, yResolution_, colourMode_};
}

void GPostScript::TakeOutput(const OutputBlock& block) {
  reservedSetting_ = block.setting;
  sinkStatus_ = block.sinkStatus;
  sinkEnabled_ = block.sinkEnabled;
  xResolution_ = block.xResolution;
  yResolution_ = block.yResolution;
  colourMode_ = block.colour;
}

RWCollectable* GPostScriptCreate() { return new GPostScript; }
