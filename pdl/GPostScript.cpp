#include "pdl/GPostScript.h"

#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GPostScript::GPostScript() = default;

GPostScript::GPostScript(const int32_t* id) : GPdlGenerator(id) {}

GPostScript::GPostScript(const RWCString& name, GState* defaultState, GConfiguration* configuration,
                         const int32_t* id, int32_t addOnListId, int32_t addOnKind, int32_t addOnMode)
    : GPdlGenerator(name, defaultState, configuration, id, addOnListId, addOnKind, addOnMode) {}

GPostScript::GPostScript(const GPostScript& other)
    : GPdlGenerator(other),
      reservedSetting_(other.reservedSetting_),
      sinkStatus_(other.sinkStatus_),
      sinkEnabled_(other.sinkEnabled_),
      xResolution_(other.xResolution_),
      yResolution_(other.yResolution_),
      colourMode_(other.colourMode_),
      currentX_(other.currentX_),
      currentY_(other.currentY_) {}

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
  return *this;
}

GPostScript::~GPostScript() = default;

GPostScript* GPostScript::CreateSameKind() const { return new GPostScript; }
GPostScript* GPostScript::Clone() const { return new GPostScript(*this); }
RWClassID GPostScript::ClassId() const { return GPostScriptClassId; }

int GPostScript::DerivesFrom(RWClassID classId) const {
  return classId == GPostScriptClassId || GPdlGenerator::DerivesFrom(classId);
}

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

uint32_t GPostScript::MembersStoreSize() const { return GPdlGenerator::MembersStoreSize() + 20; }

void GPostScript::SaveMembers(RWVirtualOutStream& stream) const {
  GPdlGenerator::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  stream.PutShort(reservedSetting_);
  stream.PutUShort(sinkStatus_);
  stream.PutLong(sinkEnabled_);
  stream.PutUShort(xResolution_);
  stream.PutUShort(yResolution_);
  stream.PutLong(colourMode_);
}

void GPostScript::SaveMembersToFile(RWBinaryFile& file) const {
  GPdlGenerator::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  file.WriteShort(reservedSetting_);
  file.WriteUShort(sinkStatus_);
  file.WriteLong(sinkEnabled_);
  file.WriteUShort(xResolution_);
  file.WriteUShort(yResolution_);
  file.WriteLong(colourMode_);
}

void GPostScript::RestoreMembers(RWVirtualInStream& stream) {
  MRestoreScope scope(this);
  GPdlGenerator::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  int16_t reserved = 0;
  uint16_t status = 0;
  int32_t enabled = 0;
  uint16_t x = 0;
  uint16_t y = 0;
  int32_t colour = 0;
  stream.GetShort(reserved);
  stream.GetUShort(status);
  stream.GetLong(enabled);
  stream.GetUShort(x);
  stream.GetUShort(y);
  stream.GetLong(colour);
  if (!stream.Good()) return;
  reservedSetting_ = reserved;
  sinkStatus_ = status;
  sinkEnabled_ = enabled;
  xResolution_ = x;
  yResolution_ = y;
  colourMode_ = colour;
}

void GPostScript::RestoreMembersFromFile(RWBinaryFile& file) {
  MRestoreScope scope(this);
  GPdlGenerator::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  int16_t reserved = 0;
  uint16_t status = 0;
  int32_t enabled = 0;
  uint16_t x = 0;
  uint16_t y = 0;
  int32_t colour = 0;
  if (!file.ReadShort(reserved) || !file.ReadUShort(status) || !file.ReadLong(enabled) || !file.ReadUShort(x) ||
      !file.ReadUShort(y) || !file.ReadLong(colour))
    return;
  reservedSetting_ = reserved;
  sinkStatus_ = status;
  sinkEnabled_ = enabled;
  xResolution_ = x;
  yResolution_ = y;
  colourMode_ = colour;
}

RWCollectable* GPostScriptCreate() { return new GPostScript; }
