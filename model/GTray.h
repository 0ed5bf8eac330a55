// GTray: one input tray of a paper-handling accessory: its name, the
// paper-source number by which settings and the print path select it, its
// capacity and fill level, the medium loaded in it and its display name.
// Trays live in the option composites of the paper-handling devices; the
// driver-extension interface builds them for extension trays.
#pragma once

#include <cstdint>

#include "model/GAttribute.h"
#include "model/GCountedPtr.h"
#include "rw/RWCString.h"
#include "rw/RWMembers.h"

class GDisplayString;
class GMedia;
class GPeripheral;

constexpr RWClassID GTrayClassId = 1001;

class GTray : public GAttribute {
 public:
  // Feature id 0, empty name, tray number 0, parameters 0, capacity and
  // level -1 (not given), no medium, the default display string.
  GTray();
  GTray(const char* name, int16_t trayNumber, const int32_t* id);
  // Takes the medium over (it may be null).
  GTray(const char* name, int16_t trayNumber, int32_t parameter1, int32_t parameter2, int32_t capacity,
        int32_t level, GMedia* medium, const int32_t* id);
  // The same with the display string built from the resource id, the text
  // and the module name (null texts give empty strings).
  GTray(int16_t resourceId, const char* name, int16_t trayNumber, int32_t parameter1, int32_t parameter2,
        int32_t capacity, int32_t level, GMedia* medium, const char* displayText, const char* moduleName,
        const int32_t* id);
  // Feature id, serial, changed flag and every member; the medium and the
  // display string are copied into objects of the copy's own.
  GTray(const GTray& other);
  GTray& operator=(const GTray& other);
  ~GTray() override;

  static RWClassID StaticClassId() { return GTrayClassId; }
  // Version 2 added the display string; versions 1 and 2 are read.
  static uint32_t ClassVersion() { return 2; }

  QV_PERSISTENT_KIND(GTray);
  RW_STORED_MEMBERS();
  // Same class and feature id, equal members, matching display strings, and
  // either no medium on both sides or media that match.
  int Matches(const MPersistentObject* other) const override;
  // The receiver's SetTray with this tray.
  int16_t ApplyTo(GPeripheral* receiver) override;

  const RWCString& GetName() const { return name_; }
  int16_t GetTrayNumber() const { return trayNumber_; }
  int32_t GetCapacity() const { return capacity_; }
  int32_t GetLevel() const { return level_; }
  int32_t GetParameter1() const { return parameter1_; }
  int32_t GetParameter2() const { return parameter2_; }
  void SetParameter1(int32_t value) { parameter1_ = value; }
  void SetParameter2(int32_t value) { parameter2_ = value; }
  void SetCapacity(int32_t value) { capacity_ = value; }
  // Without the percent flag the value is a sheet count: 1 when it is
  // stored, 0 when it is refused and the level kept. With the flag it is a
  // percentage of the capacity.
  int SetLevel(int32_t value, int percent = 0);

  // The medium, or null; the tray keeps it.
  GMedia* GetMedia() const;
  // Lets go of the current medium and takes the new one over (may be null).
  void SetMedia(GMedia* medium);
  // Hands the medium to the caller, who owns it then; the tray has none.
  GMedia* ReleaseMedia();

  GDisplayString& GetDisplayString();
  const GDisplayString& GetDisplayString() const;
  void SetDisplayString(const GDisplayString& displayString);

 private:
  void CopyMembers(const GTray& other);
  // The tray's display string as an object of its own (copy on write).
  GDisplayString& OwnDisplayString();
  // The medium and display string are read in place into fresh objects
  // held by the tray; the rest of the restore is shared by both forms.

  RWCString name_;
  int16_t trayNumber_;
  int32_t parameter1_;
  int32_t parameter2_;
  int32_t capacity_;
  int32_t level_;
  // The medium and the display string are held through handles: a stored
  // graph that refers to either object again elsewhere then shares it
  // instead of leaving it with two owners.
  GCountedPtr medium_;
  GCountedPtr displayString_;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GTray*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GTray*& out);

RWCollectable* GTrayCreate();
