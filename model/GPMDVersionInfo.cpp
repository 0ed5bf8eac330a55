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

GPMDVersionInfo* GPMDVersionInfo::CreateSameKind() const { return new GPMDVersionInfo; }
GPMDVersionInfo* GPMDVersionInfo::Clone() const { return new GPMDVersionInfo(*this); }
RWClassID GPMDVersionInfo::ClassId() const { return GPMDVersionInfoClassId; }

int GPMDVersionInfo::DerivesFrom(RWClassID classId) const {
  return classId == GPMDVersionInfoClassId || MPersistentObject::DerivesFrom(classId);
}

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

uint32_t GPMDVersionInfo::MembersStoreSize() const {
  uint32_t size = MPersistentObject::MembersStoreSize() + 26;
  for (size_t i = 0; i < strings_.Count(); ++i) size += static_cast<uint32_t>(strings_.Data()[i].Length()) + 4;
  return size;
}

void GPMDVersionInfo::SaveMembers(RWVirtualOutStream& stream) const {
  MPersistentObject::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  stream.PutULong(secondVersion_);
  stream.PutULong(firstVersion_);
  stream.PutUShort(value_);
  stream.PutULong(firstInt_);
  stream.PutULong(secondInt_);
  stream.PutUInt(static_cast<uint32_t>(strings_.Count()));
  for (size_t i = 0; i < strings_.Count(); ++i) strings_.Data()[i].SaveTo(stream);
}

void GPMDVersionInfo::SaveMembersToFile(RWBinaryFile& file) const {
  MPersistentObject::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  file.WriteULong(secondVersion_);
  file.WriteULong(firstVersion_);
  file.WriteUShort(value_);
  file.WriteULong(firstInt_);
  file.WriteULong(secondInt_);
  file.WriteUInt(static_cast<uint32_t>(strings_.Count()));
  for (size_t i = 0; i < strings_.Count(); ++i) strings_.Data()[i].SaveToFile(file);
}

void GPMDVersionInfo::RestoreMembers(RWVirtualInStream& stream) {
  MPersistentObject::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  stream.GetULong(secondVersion_);
  stream.GetULong(firstVersion_);
  stream.GetUShort(value_);
  stream.GetULong(firstInt_);
  stream.GetULong(secondInt_);
  ClearStrings();
  uint32_t count = 0;
  stream.GetUInt(count);
  // One string at a time: the stored count reserves nothing, and the first
  // failed read ends the list.
  for (uint32_t i = 0; i < count && stream.Good(); ++i) {
    RWCString text;
    text.RestoreFrom(stream);
    if (stream.Good()) AppendRestored(text);
  }
}

void GPMDVersionInfo::RestoreMembersFromFile(RWBinaryFile& file) {
  MPersistentObject::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  if (!file.ReadULong(secondVersion_) || !file.ReadULong(firstVersion_) || !file.ReadUShort(value_) ||
      !file.ReadULong(firstInt_) || !file.ReadULong(secondInt_))
    return;
  ClearStrings();
  uint32_t count = 0;
  if (!file.ReadUInt(count)) return;
  for (uint32_t i = 0; i < count; ++i) {
    RWCString text;
    if (!text.RestoreFromFile(file)) break;
    AppendRestored(text);
  }
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GPMDVersionInfo*& out) {
  return MReadPersistentAs(stream, out);
}

RWBinaryFile& operator>>(RWBinaryFile& file, GPMDVersionInfo*& out) { return MReadPersistentAs(file, out); }

RWCollectable* GPMDVersionInfoCreate() { return new GPMDVersionInfo; }
