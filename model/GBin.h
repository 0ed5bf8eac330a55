// GBin: one output bin of a paper-handling accessory: its name, the bin code
// by which settings and the print path select it, capacity and fill level,
// four values of the device model that nothing here interprets, and its
// display name. Bins live in the option composites of an output device.
#pragma once

#include <cstdint>

#include "model/GAttribute.h"
#include "model/GDisplayString.h"
#include "rw/RWCString.h"

constexpr RWClassID GBinClassId = 1009;

class GBin : public GAttribute {
 public:
  // Feature id 0, empty name, bin code 0, parameters 0, capacity and level
  // -1, default display string.
  GBin();
  GBin(const RWCString& name, int16_t binType, const int32_t* id);
  GBin(const RWCString& name, int16_t binType, int32_t parameter1, int32_t parameter2, int32_t capacity,
       int32_t level, int32_t parameter3, int32_t parameter4, const int32_t* id);
  // The display string from resource id, text and module name (null texts
  // give empty strings).
  GBin(int16_t resourceId, const RWCString& name, int16_t binType, int32_t parameter1, int32_t parameter2,
       int32_t capacity, int32_t level, int32_t parameter3, int32_t parameter4, const char* displayText,
       const char* moduleName, const int32_t* id);
  GBin(const GBin& other);
  GBin& operator=(const GBin& other);
  ~GBin() override;

  static RWClassID StaticClassId() { return GBinClassId; }
  static uint32_t ClassVersion() { return 2; }

  QV_PERSISTENT_KIND(GBin);
  RW_STORED_MEMBERS();
  // Same class and feature id, every value equal, display strings alike.
  int Matches(const MPersistentObject* other) const override;
  // A bin applies nothing: 1.
  int16_t ApplyTo(GPeripheral* receiver) override;

  const RWCString& GetName() const { return name_; }
  void SetName(const RWCString& name) { name_ = name; }
  int16_t GetBinType() const { return binType_; }
  int32_t GetParameter1() const { return parameter1_; }
  int32_t GetParameter2() const { return parameter2_; }
  int32_t GetParameter3() const { return parameter3_; }
  int32_t GetParameter4() const { return parameter4_; }
  void SetParameter1(int32_t value) { parameter1_ = value; }
  void SetParameter2(int32_t value) { parameter2_ = value; }
  void SetParameter3(int32_t value) { parameter3_ = value; }
  void SetParameter4(int32_t value) { parameter4_ = value; }
  int32_t GetCapacity() const { return capacity_; }
  void SetCapacity(int32_t capacity) { capacity_ = capacity; }
  int32_t GetLevel() const { return level_; }
  // As a tray's level: without percent a sheet count from -1 (not given) up
  // to the capacity; with percent a share (0 to 100) of a known capacity,
  // rounded down. 1 when taken, else 0 and the level stays.
  int SetLevel(int32_t value, int percent);
  GDisplayString& GetDisplayString() { return displayString_; }
  const GDisplayString& GetDisplayString() const { return displayString_; }
  void SetDisplayString(const GDisplayString& displayString) { displayString_ = displayString; }

 private:
  RWCString name_;
  int16_t binType_ = 0;
  int32_t parameter1_ = 0;
  int32_t parameter2_ = 0;
  int32_t capacity_ = -1;
  int32_t level_ = -1;
  int32_t parameter3_ = 0;
  int32_t parameter4_ = 0;
  GDisplayString displayString_;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GBin*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GBin*& out);

RWCollectable* GBinCreate();
