// GPassThroughCommand: a command that carries raw bytes for the printer,
// meant for the generator of one class (the other generators ignore it).
// The bytes are borrowed from whoever made the command until MakeDataOwned
// copies them into a buffer of the command's own.
#pragma once

#include <cstdint>

#include "model/GCommand.h"
#include "rw/RWMembers.h"

constexpr RWClassID GPassThroughCommandClassId = 608;

class GPassThroughCommand : public GCommand {
 public:
  // Borrows the bytes.
  GPassThroughCommand(const uint8_t* data, uint16_t length, uint16_t targetClassId, const int32_t* id);
  // The copy borrows the bytes of the source.
  GPassThroughCommand(const GPassThroughCommand& other);
  GPassThroughCommand& operator=(const GPassThroughCommand& other);
  // Deletes the buffer when the command owns it.
  ~GPassThroughCommand() override;

  static RWClassID StaticClassId() { return GPassThroughCommandClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GPassThroughCommand);
  // Same class, matching command parts, equal length, target and owned
  // flag, and equal bytes (the same buffer counts as equal).
  int Matches(const MPersistentObject* other) const override;

  // Copies the bytes into a buffer of its own unless it owns them already;
  // 1 on success, 0 when the copy cannot be allocated (nothing changes).
  int MakeDataOwned();

  // Stored body after the command part: version 1, length, target class
  // id, then the bytes one by one. A restored command owns the bytes it read.
  RW_STORED_MEMBERS();

  // The peripheral's PassThrough with this command.
  int16_t Dispatch(GPeripheral* peripheral) override;

  const uint8_t* GetData() const { return data_; }
  uint16_t GetLength() const { return length_; }
  uint16_t GetTargetClassId() const { return targetClassId_; }
  int IsDataOwned() const { return owned_; }

 private:
  void ReleaseData();

  const uint8_t* data_;
  uint16_t length_;
  uint16_t targetClassId_;
  int owned_;
};

RWCollectable* GPassThroughCommandCreate();
