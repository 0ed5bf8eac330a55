// GConfiguration: the root of a device configuration tree, under which the
// installed options and settings of one peripheral are gathered. It keeps
// no two direct children that match each other, except nested
// configurations.
#pragma once

#include <cstdint>

#include "model/MPersistentComposite.h"

constexpr RWClassID GConfigurationClassId = 759;

class GConfiguration : public MPersistentComposite {
 public:
  GConfiguration();
  explicit GConfiguration(const int32_t& id);
  // Shares the source's children.
  GConfiguration(const GConfiguration& other);
  GConfiguration& operator=(const GConfiguration& other);
  ~GConfiguration() override;

  static RWClassID StaticClassId() { return GConfigurationClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GConfiguration);
  RW_STORED_MEMBERS();

  // Appends the object as the composite does, unless it is no
  // configuration and matches one of the direct children: then it is not
  // added, and it is destroyed only when nothing holds it (an object that
  // is already a child here, or held by another tree, stays with its
  // holders). Null is ignored; configurations are always appended.
  // Every container whose AddChild refuses duplicates (the states of the
  // attribute model among them) must follow the same rule: destroy a
  // refused object only when no handle holds it.
  void AddChild(MPersistentObject* child) override;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GConfiguration*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GConfiguration*& out);

RWCollectable* GConfigurationCreate();
