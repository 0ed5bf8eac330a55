#include "config/GPMLDescriptor.h"

#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GPMLDescriptor::GPMLDescriptor() : number_(0) {}

GPMLDescriptor::GPMLDescriptor(const RWWString& name, int32_t number) : name_(name), number_(number) {}

GPMLDescriptor::GPMLDescriptor(const RWWString& name, int32_t number, const RWCString& data)
    : name_(name), number_(number), data_(data) {}

GPMLDescriptor::GPMLDescriptor(const GPMLDescriptor& other) = default;
GPMLDescriptor& GPMLDescriptor::operator=(const GPMLDescriptor& other) = default;
GPMLDescriptor::~GPMLDescriptor() = default;

GPMLDescriptor* GPMLDescriptor::CreateSameKind() const { return new GPMLDescriptor; }
GPMLDescriptor* GPMLDescriptor::Clone() const { return new GPMLDescriptor(*this); }
RWClassID GPMLDescriptor::ClassId() const { return GPMLDescriptorClassId; }

int GPMLDescriptor::DerivesFrom(RWClassID classId) const {
  return classId == GPMLDescriptorClassId || MPersistentObject::DerivesFrom(classId);
}

int GPMLDescriptor::Matches(const MPersistentObject* other) const {
  if (other == nullptr || other->ClassId() != GPMLDescriptorClassId || !MPersistentObject::Matches(other)) return 0;
  return static_cast<const GPMLDescriptor*>(other)->name_ == name_ ? 1 : 0;
}

uint32_t GPMLDescriptor::MembersStoreSize() const {
  // Version, name length, number and data length, then the characters.
  return MPersistentObject::MembersStoreSize() + 16 + 2 * static_cast<uint32_t>(name_.Length()) +
         static_cast<uint32_t>(data_.Length());
}

void GPMLDescriptor::SaveMembers(RWVirtualOutStream& stream) const {
  MPersistentObject::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  name_.SaveTo(stream);
  stream.PutLong(number_);
  data_.SaveTo(stream);
}

void GPMLDescriptor::SaveMembersToFile(RWBinaryFile& file) const {
  MPersistentObject::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  name_.SaveToFile(file);
  file.WriteLong(number_);
  data_.SaveToFile(file);
}

void GPMLDescriptor::RestoreMembers(RWVirtualInStream& stream) {
  MPersistentObject::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  name_.RestoreFrom(stream);
  if (!stream.Good()) return;
  int32_t number = 0;
  stream.GetLong(number);
  if (!stream.Good()) return;
  number_ = number;
  data_.RestoreFrom(stream);
}

void GPMLDescriptor::RestoreMembersFromFile(RWBinaryFile& file) {
  MPersistentObject::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  if (!name_.RestoreFromFile(file)) return;
  int32_t number = 0;
  if (!file.ReadLong(number)) return;
  number_ = number;
  data_.RestoreFromFile(file);
}

void GPMLDescriptor::SetNameAndNumber(const RWWString& name, int32_t number) {
  name_ = name;
  number_ = number;
}

void GPMLDescriptor::SetData(const RWCString& data) { data_ = data; }

bool GPMLDescriptor::IsLessThan(const GPMLDescriptor& other) const { return name_.Compare(other.name_, 0) < 0; }

RWCollectable* GPMLDescriptorCreate() { return new GPMLDescriptor; }
