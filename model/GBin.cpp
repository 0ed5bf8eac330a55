#include "model/GBin.h"

#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

GBin::GBin() = default;

GBin::GBin(const RWCString& name, int16_t binType, const int32_t* id) : GAttribute(id), name_(name), binType_(binType) {}

GBin::GBin(const RWCString& name, int16_t binType, int32_t parameter1, int32_t parameter2, int32_t capacity,
           int32_t level, int32_t parameter3, int32_t parameter4, const int32_t* id)
    : GAttribute(id),
      name_(name),
      binType_(binType),
      parameter1_(parameter1),
      parameter2_(parameter2),
      capacity_(capacity),
      level_(level),
      parameter3_(parameter3),
      parameter4_(parameter4) {}

GBin::GBin(int16_t resourceId, const RWCString& name, int16_t binType, int32_t parameter1, int32_t parameter2,
           int32_t capacity, int32_t level, int32_t parameter3, int32_t parameter4, const char* displayText,
           const char* moduleName, const int32_t* id)
    : GBin(name, binType, parameter1, parameter2, capacity, level, parameter3, parameter4, id) {
  displayString_ = GDisplayString(resourceId, displayText, moduleName);
}

GBin::GBin(const GBin& other)
    : GAttribute(other),
      name_(other.name_),
      binType_(other.binType_),
      parameter1_(other.parameter1_),
      parameter2_(other.parameter2_),
      capacity_(other.capacity_),
      level_(other.level_),
      parameter3_(other.parameter3_),
      parameter4_(other.parameter4_),
      displayString_(other.displayString_) {}

GBin& GBin::operator=(const GBin& other) {
  if (this != &other) {
    GAttribute::operator=(other);
    name_ = other.name_;
    binType_ = other.binType_;
    parameter1_ = other.parameter1_;
    parameter2_ = other.parameter2_;
    capacity_ = other.capacity_;
    level_ = other.level_;
    parameter3_ = other.parameter3_;
    parameter4_ = other.parameter4_;
    displayString_ = other.displayString_;
  }
  return *this;
}

GBin::~GBin() = default;

GBin* GBin::CreateSameKind() const { return new GBin; }
GBin* GBin::Clone() const { return new GBin(*this); }
RWClassID GBin::ClassId() const { return GBinClassId; }

int GBin::DerivesFrom(RWClassID classId) const { return classId == GBinClassId || GAttribute::DerivesFrom(classId); }

int16_t GBin::ApplyTo(GPeripheral*) { return 1; }

int GBin::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !GAttribute::Matches(other)) return 0;
  auto* bin = dynamic_cast<const GBin*>(other);
  return bin != nullptr && bin->name_ == name_ && bin->binType_ == binType_ && bin->parameter1_ == parameter1_ &&
         bin->parameter2_ == parameter2_ && bin->capacity_ == capacity_ && bin->level_ == level_ &&
         bin->parameter3_ == parameter3_ && bin->parameter4_ == parameter4_ &&
         !displayString_.DiffersFrom(&bin->displayString_);
}

int GBin::SetLevel(int32_t value, int percent) {
  if (!percent) {
    if (value < -1 || value > capacity_) return 0;
    level_ = value;
    return 1;
  }
  if (capacity_ <= 0 || value < 0 || value > 100) return 0;
  level_ = static_cast<int32_t>(static_cast<int64_t>(capacity_) * value / 100);
  return 1;
}

// ---- Persistence ----

uint32_t GBin::MembersStoreSize() const {
  // The display string is written with its class tag, as a new object of
  // this save.
  RWStoreTableGuard guard;
  return GAttribute::MembersStoreSize() + 34 + static_cast<uint32_t>(name_.Length()) +
         displayString_.StoredByteCount();
}

void GBin::SaveMembers(RWVirtualOutStream& stream) const {
  GAttribute::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  name_.SaveTo(stream);
  stream.PutShort(binType_);
  stream.PutLong(parameter1_);
  stream.PutLong(parameter2_);
  stream.PutLong(capacity_);
  stream.PutLong(level_);
  stream.PutLong(parameter3_);
  stream.PutLong(parameter4_);
  RWWriteObjectPointer(stream, &displayString_);
}

void GBin::SaveMembersToFile(RWBinaryFile& file) const {
  GAttribute::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  name_.SaveToFile(file);
  file.WriteShort(binType_);
  file.WriteLong(parameter1_);
  file.WriteLong(parameter2_);
  file.WriteLong(capacity_);
  file.WriteLong(level_);
  file.WriteLong(parameter3_);
  file.WriteLong(parameter4_);
  RWWriteObjectPointerToFile(file, &displayString_);
}

// A version above 2 ends the reading after the version; versions 0 and 1
// have no display string, and the bin keeps the one it has.

void GBin::RestoreMembers(RWVirtualInStream& stream) {
  GAttribute::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version > ClassVersion()) return;
  name_.RestoreFrom(stream);
  stream.GetShort(binType_);
  stream.GetLong(parameter1_);
  stream.GetLong(parameter2_);
  stream.GetLong(capacity_);
  stream.GetLong(level_);
  stream.GetLong(parameter3_);
  stream.GetLong(parameter4_);
  if (stream.Good() && version == 2) RWReadObjectInto(stream, &displayString_);
}

void GBin::RestoreMembersFromFile(RWBinaryFile& file) {
  GAttribute::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version > ClassVersion()) return;
  if (!name_.RestoreFromFile(file) || !file.ReadShort(binType_) || !file.ReadLong(parameter1_) ||
      !file.ReadLong(parameter2_) || !file.ReadLong(capacity_) || !file.ReadLong(level_) ||
      !file.ReadLong(parameter3_) || !file.ReadLong(parameter4_))
    return;
  if (version == 2) RWReadObjectIntoFromFile(file, &displayString_);
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GBin*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GBin*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GBinCreate() { return new GBin; }
