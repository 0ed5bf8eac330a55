#include "model/GPMDVersionInfo.h"

#include "model/MPersistentRead.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

constexpr size_t kStringCapacity = 64;

}  // namespace

GPMDVersionInfo::GPMDVersionInfo() : strings_(kStringCapacity) {}

GPMDVersionInfo::GPMDVersionInfo(uint32_t firstVersion, uint32_t secondVersion, uint16_t value, const int32_t& id)
    : MPersistentObject(id),
      firstVersion_(firstVersion),
      secondVersion_(secondVersion),
      value_(value),
      strings_(kStringCapacity) {}

GPMDVersionInfo::GPMDVersionInfo(const GPMDVersionInfo& other) = default;

GPMDVersionInfo& GPMDVersionInfo::operator=(const GPMDVersionInfo& other) {
  if (this != &other) {
    MPersistentObject::operator=(other);
    firstVersion_ = other.firstVersion_;
    secondVersion_ = other.secondVersion_;
    value_ = other.value_;
    firstInt_ = other.firstInt_;
    secondInt_ = other.secondInt_;
    strings_ = other.strings_;
  }
  return *this;
}

GPMDVersionInfo::~GPMDVersionInfo() = default;

QV_PERSISTENT_KIND_DEFINE(GPMDVersionInfo, MPersistentObject, GPMDVersionInfoClassId)

int GPMDVersionInfo::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !MPersistentObject::Matches(other)) return 0;
  auto* info = dynamic_cast<const GPMDVersionInfo*>(other);
  if (info == nullptr || info->firstVersion_ != firstVersion_ || info->secondVersion_ != secondVersion_ ||
      info->value_ != value_ || info->firstInt_ != firstInt_ || info->secondInt_ != secondInt_ ||
      info->strings_.Count() != strings_.Count())
    return 0;
  for (size_t i = 0; i < strings_.Count(); ++i) {
    if (!RWOrderedVectorEquality<RWCString>::Equal(info->strings_.Data()[i], strings_.Data()[i])) return 0;
  }
  return 1;
}

uint16_t GPMDVersionInfo::IncrementMinor(uint32_t& version) {
  const uint16_t minor = static_cast<uint16_t>(version & 0xFFFF);
  if (minor != 0xFFFF) version = (version & 0xFFFF0000u) | static_cast<uint32_t>(minor + 1);
  return minor;
}

uint16_t GPMDVersionInfo::IncrementMajor(uint32_t& version) {
  const uint16_t major = static_cast<uint16_t>(version >> 16);
  if (major != 0xFFFF) version = static_cast<uint32_t>(major + 1) << 16;
  return major;
}

void GPMDVersionInfo::AddString(const RWCString& text) { strings_.Append(text); }

void GPMDVersionInfo::ClearStrings() { strings_ = RWStringVector(kStringCapacity); }

void GPMDVersionInfo::AppendRestored(const RWCString& text) {
  const size_t count = strings_.Count();
  if (count == strings_.Capacity()) strings_.SetCapacity(count + (count > kStringCapacity ? count : kStringCapacity));
  strings_.Append(text);
}

// ---- Persistence ----

// The second version is stored before the first.

// The numbers, then the count and the strings. A read takes one string at
// a time: the stored count reserves nothing, and the first failed read
// ends the list.
template <typename Archive>
void GPMDVersionInfo::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive(secondVersion_, firstVersion_, value_, firstInt_, secondInt_);
  uint32_t count = static_cast<uint32_t>(strings_.Count());
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    ClearStrings();
    archive(count);
    for (uint32_t i = 0; i < count && archive.Ok(); ++i) {
      RWCString text;
      archive(text);
      if (archive.Ok()) AppendRestored(text);
    }
  } else {
    archive(count);
    for (uint32_t i = 0; i < count; ++i) archive(strings_.Data()[i]);
  }
}

RW_STORED_MEMBERS_DEFINE(GPMDVersionInfo, MPersistentObject)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GPMDVersionInfo*& out) {
  return MReadPersistentAs(stream, out);
}

RWBinaryFile& operator>>(RWBinaryFile& file, GPMDVersionInfo*& out) { return MReadPersistentAs(file, out); }

RWCollectable* GPMDVersionInfoCreate() { return new GPMDVersionInfo; }
