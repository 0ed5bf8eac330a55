// GResourceMapping: ties one paper source or output bin together across its
// three names: the string resource of its display name, the number reported
// to the operating system, and the driver-side item number.
#pragma once

#include <cstdint>

#include "model/MPersistentObject.h"

constexpr RWClassID GResourceMappingClassId = 1004;

class GResourceMapping : public MPersistentObject {
 public:
  // The resource id that stands for "no resource".
  static constexpr int32_t kNoResource = 0x0FFFFFFF;

  // No resource, codes 0.
  GResourceMapping();
  GResourceMapping(int32_t resourceId, int16_t systemCode, int16_t deviceCode, const int32_t& id);
  // Copy id, serial and the three fields.
  GResourceMapping(const GResourceMapping& other);
  GResourceMapping& operator=(const GResourceMapping& other);
  ~GResourceMapping() override;

  static RWClassID StaticClassId() { return GResourceMappingClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GResourceMapping);
  RW_STORED_MEMBERS();

  // Same class and id and all three fields equal.
  int Matches(const MPersistentObject* other) const override;

  int32_t GetResourceId() const { return resourceId_; }
  int16_t GetSystemCode() const { return systemCode_; }
  int16_t GetDeviceCode() const { return deviceCode_; }

 private:
  int32_t resourceId_ = kNoResource;
  int16_t systemCode_ = 0;
  int16_t deviceCode_ = 0;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GResourceMapping*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GResourceMapping*& out);

RWCollectable* GResourceMappingCreate();
