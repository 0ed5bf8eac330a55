// GNoCommand and GNullCommand: the two placeholders of the print path. A
// page filter that swallows a command sends a GNoCommand down in its place
// (every stage passes it on untouched, and it never carries settings); a
// filter that records a page uses a GNullCommand as a content placeholder
// that every peripheral ignores. Neither calls the peripheral.
#pragma once

#include <cstdint>

#include "model/GCommand.h"

constexpr RWClassID GNullCommandClassId = 712;

class GNoCommand : public GCommand {
 public:
  explicit GNoCommand(const int32_t* id = nullptr);
  GNoCommand(const GNoCommand& other);
  GNoCommand& operator=(const GNoCommand& other);
  ~GNoCommand() override;

  static RWClassID StaticClassId() { return GNoCommandClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GNoCommand);
  int Matches(const MPersistentObject* other) const override;

  RW_STORED_MEMBERS();

  // Never holds settings: what it is given is destroyed (unless a handle
  // holds it) / the handle is dropped.
  void SetSettings(MPersistentObject* settings) override;
  void AssignSettings(const GCountedPtr& settings) override;
  // 0 without calling the peripheral.
  int16_t Dispatch(GPeripheral* peripheral) override;
};

class GNullCommand : public GCommand {
 public:
  explicit GNullCommand(const int32_t* id = nullptr);
  GNullCommand(const GNullCommand& other);
  GNullCommand& operator=(const GNullCommand& other);
  ~GNullCommand() override;

  static RWClassID StaticClassId() { return GNullCommandClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GNullCommand);
  int Matches(const MPersistentObject* other) const override;

  RW_STORED_MEMBERS();

  // 0 without calling the peripheral.
  int16_t Dispatch(GPeripheral* peripheral) override;
};

RWCollectable* GNoCommandCreate();
RWCollectable* GNullCommandCreate();
