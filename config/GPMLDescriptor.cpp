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

QV_PERSISTENT_KIND_DEFINE(GPMLDescriptor, MPersistentObject, GPMLDescriptorClassId)

int GPMLDescriptor::Matches(const MPersistentObject* other) const {
  if (other == nullptr || other->ClassId() != GPMLDescriptorClassId || !MPersistentObject::Matches(other)) return 0;
  return static_cast<const GPMLDescriptor*>(other)->name_ == name_ ? 1 : 0;
}

template <typename Archive>
void GPMLDescriptor::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive(name_, number_, data_);
}

RW_STORED_MEMBERS_DEFINE(GPMLDescriptor, MPersistentObject)

void GPMLDescriptor::SetNameAndNumber(const RWWString& name, int32_t number) {
  name_ = name;
  number_ = number;
}

void GPMLDescriptor::SetData(const RWCString& data) { data_ = data; }

bool GPMLDescriptor::IsLessThan(const GPMLDescriptor& other) const { return name_.Compare(other.name_, 0) < 0; }

RWCollectable* GPMLDescriptorCreate() { return new GPMLDescriptor; }
