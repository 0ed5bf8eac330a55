#include "pdl/cheetah.h"

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

GCheetah* GCheetah::CreateSameKind() const { return new GCheetah; }
GCheetah* GCheetah::Clone() const { return new GCheetah(*this); }
RWClassID GCheetah::ClassId() const { return GCheetahClassId; }

int GCheetah::DerivesFrom(RWClassID classId) const {
  return classId == GCheetahClassId || GPdlGenerator::DerivesFrom(classId);
}

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

uint32_t GCheetah::MembersStoreSize() const { return GPdlGenerator::MembersStoreSize() + 20; }

void GCheetah::SaveMembers(RWVirtualOutStream& stream) const {
  GPdlGenerator::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  stream.PutShort(reservedSetting_);
  stream.PutUShort(writeStatus_);
  stream.PutLong(writeEnabled_);
  stream.PutUShort(xResolution_);
  stream.PutUShort(yResolution_);
  stream.PutLong(colourOutput_);
}

void GCheetah::SaveMembersToFile(RWBinaryFile& file) const {
  GPdlGenerator::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  file.WriteShort(reservedSetting_);
  file.WriteUShort(writeStatus_);
  file.WriteLong(writeEnabled_);
  file.WriteUShort(xResolution_);
  file.WriteUShort(yResolution_);
  file.WriteLong(colourOutput_);
}

void GCheetah::RestoreMembers(RWVirtualInStream& stream) {
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
  writeStatus_ = status;
  writeEnabled_ = enabled;
  xResolution_ = x;
  yResolution_ = y;
  colourOutput_ = colour;
}

void GCheetah::RestoreMembersFromFile(RWBinaryFile& file) {
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
  writeStatus_ = status;
  writeEnabled_ = enabled;
  xResolution_ = x;
  yResolution_ = y;
  colourOutput_ = colour;
}

RWCollectable* GCheetahCreate() { return new GCheetah; }
