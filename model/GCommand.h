// GCommand: the base of the command objects that travel down the print
// path: job and page boundaries, errors, raw bytes for the printer, header
// requests and the graphics objects. A command may carry settings (a
// GState) that the receiving peripheral merges into its state before it
// acts, and it knows the one peripheral operation that handles it: a
// peripheral calls Dispatch with itself, the command calls that operation
// with itself, and the operation's status comes back (0 done, anything else
// an error code that the peripheral turns into an error command).
#pragma once

#include <cstdint>

#include "model/GCountedPtr.h"
#include "model/MPersistentObject.h"
#include "rw/RWMembers.h"

class GPeripheral;
class GState;

constexpr RWClassID GCommandClassId = 601;

// Class ids of the command family that the print path tells apart by id.
constexpr RWClassID GNoCommandClassId = 715;
constexpr RWClassID GErrorCommandClassId = 714;
constexpr RWClassID GDocumentBreakClassId = 718;
// The command composite whose members live in a record store: it hands its
// members out only through handles.
constexpr RWClassID GCommandCompositeOnDiskClassId = 606;

class GCommand : public MPersistentObject {
 public:
  // No settings.
  explicit GCommand(const int32_t* id);
  // Holds one reference on the settings (none when null).
  GCommand(GState* settings, const int32_t* id);
  // Shares the settings; the copy's modified flag is clear.
  GCommand(const GCommand& other);
  GCommand& operator=(const GCommand& other);
  ~GCommand() override;

  static RWClassID StaticClassId() { return GCommandClassId; }
  static uint32_t ClassVersion() { return 1; }
  QV_PERSISTENT_ID();
  // The persistent base matches, and the settings are the same object or
  // two settings that match.
  int Matches(const MPersistentObject* other) const override;

  // Stored body after the persistent base: version 1, the settings as an
  // object reference (the null object when none).
  RW_STORED_MEMBERS();

  // The settings, without taking a reference; null when none.
  GState* GetSettings() const;

  // 1 in every command class.
  virtual int ReservedQuery();
  // Holds the new settings before letting go of the old ones, so passing
  // the settings already held is safe; null drops them. Settings are a
  // GState: any other object is refused and destroyed (unless a handle
  // holds it), and the old settings stay.
  virtual void SetSettings(MPersistentObject* settings);
  // The same from a counted handle; anything but a GState is not held.
  virtual void AssignSettings(const GCountedPtr& settings);
  // Lets go of the settings and hands them to the caller, who owns the
  // result: the object itself when the command was its last holder, else a
  // copy (the object stays with its other holders). Null without settings.
  virtual GState* DetachSettings();
  // A counted handle on the settings (empty without settings).
  virtual GCountedPtr GetSettingsHandle() const;
  // Called before a command list takes the command in; the base does nothing.
  virtual void PinResources();
  // Calls the one peripheral operation that handles this command with
  // itself and returns its status.
  virtual int16_t Dispatch(GPeripheral* peripheral) = 0;

  // Set when a peripheral replaced a member of this command composite;
  // cleared by every Send that receives the command.
  int IsModified() const { return modified_; }
  void SetModified(int modified) { modified_ = modified != 0 ? 1 : 0; }

  // Status a dispatching command answers when there is no peripheral to
  // receive it: the command cannot be carried out.
  static constexpr int16_t kNoReceiver = 1;

 protected:
  // Destroys an object offered to the command and not kept, unless a
  // handle holds it.
  static void DropOffered(MPersistentObject* object);

 private:
  GCountedPtr settings_;
  int modified_;
};

// The command a handle holds, or null.
inline GCommand* CommandOf(const GCountedPtr& handle) { return dynamic_cast<GCommand*>(handle.Pointee()); }
