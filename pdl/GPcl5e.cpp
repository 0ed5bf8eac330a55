#include "pdl/GPcl5e.h"

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

GPcl5e* GPcl5e::CreateSameKind() const { return new GPcl5e; }
GPcl5e* GPcl5e::Clone() const { return new GPcl5e(*this); }
RWClassID GPcl5e::ClassId() const { return GPcl5eClassId; }

int GPcl5e::DerivesFrom(RWClassID classId) const {
  return classId == GPcl5eClassId || GPdlGenerator::DerivesFrom(classId);
}

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

uint32_t GPcl5e::MembersStoreSize() const { return GPdlGenerator::MembersStoreSize() + 24; }

void GPcl5e::SaveMembers(RWVirtualOutStream& stream) const {
  GPdlGenerator::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  stream.PutShort(patternId_);
  stream.PutUShort(outputStatus_);
  stream.PutLong(outputOk_);
  stream.PutUShort(xResolution_);
  stream.PutUShort(yResolution_);
  stream.PutLong(colourMode_);
  stream.PutLong(colourTreatmentMode_);
}

void GPcl5e::SaveMembersToFile(RWBinaryFile& file) const {
  GPdlGenerator::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  file.WriteShort(patternId_);
  file.WriteUShort(outputStatus_);
  file.WriteLong(outputOk_);
  file.WriteUShort(xResolution_);
  file.WriteUShort(yResolution_);
  file.WriteLong(colourMode_);
  file.WriteLong(colourTreatmentMode_);
}

void GPcl5e::RestoreMembers(RWVirtualInStream& stream) {
  MRestoreScope scope(this);
  GPdlGenerator::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  int16_t pattern = 0;
  uint16_t status = 0;
  int32_t ok = 0;
  uint16_t x = 0;
  uint16_t y = 0;
  int32_t colour = 0;
  int32_t treatment = 0;
  stream.GetShort(pattern);
  stream.GetUShort(status);
  stream.GetLong(ok);
  stream.GetUShort(x);
  stream.GetUShort(y);
  stream.GetLong(colour);
  stream.GetLong(treatment);
  if (!stream.Good()) return;
  patternId_ = pattern;
  outputStatus_ = status;
  outputOk_ = ok;
  xResolution_ = x;
  yResolution_ = y;
  colourMode_ = colour;
  colourTreatmentMode_ = treatment;
}

void GPcl5e::RestoreMembersFromFile(RWBinaryFile& file) {
  MRestoreScope scope(this);
  GPdlGenerator::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  int16_t pattern = 0;
  uint16_t status = 0;
  int32_t ok = 0;
  uint16_t x = 0;
  uint16_t y = 0;
  int32_t colour = 0;
  int32_t treatment = 0;
  if (!file.ReadShort(pattern) || !file.ReadUShort(status) || !file.ReadLong(ok) || !file.ReadUShort(x) ||
      !file.ReadUShort(y) || !file.ReadLong(colour) || !file.ReadLong(treatment))
    return;
  patternId_ = pattern;
  outputStatus_ = status;
  outputOk_ = ok;
  xResolution_ = x;
  yResolution_ = y;
  colourMode_ = colour;
  colourTreatmentMode_ = treatment;
}

RWCollectable* GPcl5eCreate() { return new GPcl5e; }
