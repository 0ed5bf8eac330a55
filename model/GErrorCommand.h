// GErrorCommand: what travels down the print path in place of a command
// whose processing failed. It carries the failing operation's status and
// the command that failed; later stages pass it on untouched, and its
// dispatch reaches the peripheral's Error operation.
#pragma once

#include <cstdint>

#include "model/GCommand.h"
#include "rw/RWMembers.h"

class GErrorCommand : public GCommand {
 public:
  // Holds a reference on the failed command (none when null).
  GErrorCommand(uint16_t status, GCommand* failed);
  // Shares the settings and the failed command.
  GErrorCommand(const GErrorCommand& other);
  GErrorCommand& operator=(const GErrorCommand& other);
  ~GErrorCommand() override;

  static RWClassID StaticClassId() { return GErrorCommandClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GErrorCommand);
  // The same object; else the same class, matching command parts, equal
  // statuses and the same failed command object.
  int Matches(const MPersistentObject* other) const override;

  // Stored body after the command part: version 1, status (16-bit), a
  // 32-bit flag (1 when a failed command follows) and the failed command.
  RW_STORED_MEMBERS();

  // The peripheral's Error with this command.
  int16_t Dispatch(GPeripheral* peripheral) override;

  uint16_t GetStatus() const { return status_; }
  // Borrowed; null when none.
  GCommand* GetFailedCommand() const;

 private:
  uint16_t status_;
  GCountedPtr failed_;  // GCommand
};

RWCollectable* GErrorCommandCreate();
