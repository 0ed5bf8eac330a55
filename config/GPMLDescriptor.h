// GPMLDescriptor: one printer object that the network registry agent is to
// watch, named by the registry value that receives it, with its object
// number and the bytes of the agent's request for it. Stored with the
// settings model's framing; ordered and matched by name.
#pragma once

#include <cstdint>

#include "model/MPersistentObject.h"
#include "rw/RWCString.h"
#include "rw/RWWString.h"

constexpr RWClassID GPMLDescriptorClassId = 956;

class GPMLDescriptor : public MPersistentObject {
 public:
  // Empty name, number 0, no data.
  GPMLDescriptor();
  GPMLDescriptor(const RWWString& name, int32_t number);
  GPMLDescriptor(const RWWString& name, int32_t number, const RWCString& data);
  GPMLDescriptor(const GPMLDescriptor& other);
  GPMLDescriptor& operator=(const GPMLDescriptor& other);
  ~GPMLDescriptor() override;

  static RWClassID StaticClassId() { return GPMLDescriptorClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GPMLDescriptor);
  // Same class, same feature id and equal names.
  int Matches(const MPersistentObject* other) const override;

  RW_STORED_MEMBERS();

  const RWWString& GetName() const { return name_; }
  int32_t GetNumber() const { return number_; }
  // The request bytes; may hold zero bytes.
  const RWCString& GetData() const { return data_; }
  void SetNameAndNumber(const RWWString& name, int32_t number);
  void SetData(const RWCString& data);
  // By name, in the exact order of wide strings.
  bool IsLessThan(const GPMLDescriptor& other) const;

 private:
  RWWString name_;
  int32_t number_;
  RWCString data_;
};

RWCollectable* GPMLDescriptorCreate();
