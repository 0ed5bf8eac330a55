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

QV_PERSISTENT_KIND_DEFINE(GBin, GAttribute, GBinClassId)

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

// A version above 2 ends the reading after the version; versions 0 and 1
// have no display string, and the bin keeps the one it has. The display
// string is an object of the graph.
template <typename Archive>
void GBin::Members(Archive& archive) {
  const uint32_t version = archive.VersionUpTo(ClassVersion());
  archive(name_, binType_, parameter1_, parameter2_, capacity_, level_, parameter3_, parameter4_);
  if (version == 2) archive.Embedded(displayString_);
}

RW_STORED_MEMBERS_DEFINE(GBin, GAttribute)

// A version above 2 ends the reading after the version; versions 0 and 1
// have no display string, and the bin keeps the one it has.

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GBin*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GBin*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GBinCreate() { return new GBin; }
