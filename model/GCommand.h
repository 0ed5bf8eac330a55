// GCommand: the base of the command objects that travel down the print
// path. A command may carry settings (a GState) that the receiving
// peripheral merges into its state before it acts, and it knows the one
// peripheral operation that handles it (Dispatch). The settings model keeps
// only this much of it; the commands themselves belong to the print path.
#pragma once

#include <cstdint>

#include "model/GCountedPtr.h"
#include "model/MPersistentObject.h"

class GPeripheral;
class GState;

constexpr RWClassID GCommandClassId = 601;

class GCommand : public MPersistentObject {
 public:
  // No settings.
  explicit GCommand(const int32_t* id);
  // Holds one reference on the settings (none when null).
  GCommand(GState* settings, const int32_t* id);
  // Shares the settings.
  GCommand(const GCommand& other);
  GCommand& operator=(const GCommand& other);
  ~GCommand() override;

  static RWClassID StaticClassId() { return GCommandClassId; }
  RWClassID ClassId() const override;
  int DerivesFrom(RWClassID classId) const override;
  // The persistent base matches, and the settings are the same object or
  // two settings that match.
  int Matches(const MPersistentObject* other) const override;

  // The settings, without taking a reference; null when none.
  GState* GetSettings() const;
  // Holds the new settings before letting go of the old ones, so passing
  // the settings already held is safe.
  virtual void SetSettings(GState* settings);
  // Called before a command list takes the command in; the base does nothing.
  virtual void PinResources();
  // Calls the one peripheral operation that handles this command with
  // itself and returns its status.
  virtual int16_t Dispatch(GPeripheral* peripheral) = 0;

 private:
  GCountedPtr settings_;
};
