// GPaperHandlingDevice: one paper-handling accessory of the printer family,
// an input unit (its options hold GTray objects) or an output unit (GBin
// objects). It carries the accessory's model name, whether it is optional
// and installed, how the auto-configuration recognises it, and its
// configurations: attribute composites under 16-bit keys, one of them
// selected. Iterating a device walks the trays or bins of the selected one.
#pragma once

#include <cstdint>

#include "model/GAttribute.h"
#include "model/GCountedPtr.h"
#include "model/GDisplayString.h"
#include "rw/RWCString.h"
#include "rw/RWHashedDictionary.h"
#include "rw/RWMembers.h"

class GAttributeComposite;
class RWShortList;

constexpr RWClassID GPaperHandlingDeviceClassId = 1010;

class GPaperHandlingDevice : public GAttribute {
 public:
  enum Kind : int32_t { kInputDevice = 0, kOutputDevice = 1 };

  // The option table: 16 buckets, a key's bucket is the key (zero-extended)
  // modulo 16, each bucket in insertion order; it never grows.
  typedef RWHashedDictionary<int16_t, GCountedPtr> OptionTable;
  static constexpr uint32_t kOptionBuckets = 16;

  // Feature id 0, empty name, input device, installable and not installed,
  // no options, detection mode and option source 0.
  GPaperHandlingDevice();
  // No options; a device that is not installable is installed.
  GPaperHandlingDevice(const RWCString& name, int32_t kind, int32_t installable, int32_t installed,
                       int32_t detectionMode, int32_t optionSource, const int32_t* id);
  // The same with the display string from resource id, text and module name.
  GPaperHandlingDevice(int16_t resourceId, const RWCString& name, int32_t kind, int32_t installable,
                       int32_t installed, int32_t detectionMode, int32_t optionSource, const char* displayText,
                       const char* moduleName, const int32_t* id);
  // Every member; the copy holds the same option composites.
  GPaperHandlingDevice(const GPaperHandlingDevice& other);
  GPaperHandlingDevice& operator=(const GPaperHandlingDevice& other);
  ~GPaperHandlingDevice() override;

  static RWClassID StaticClassId() { return GPaperHandlingDeviceClassId; }
  static uint32_t ClassVersion() { return 2; }

  QV_PERSISTENT_KIND(GPaperHandlingDevice);
  RW_STORED_MEMBERS();
  // Same class and feature id, the same values and display string, and as
  // many options; the option composites themselves are not compared.
  int Matches(const MPersistentObject* other) const override;
  // Over the children of the selected option's composite; an empty
  // iterator when there is none. The caller deletes it.
  MPersistentIterator* CreateIterator() override;
  // A device applies nothing: 1.
  int16_t ApplyTo(GPeripheral* receiver) override;

  // Stores the handle under key, in place of an entry of the same key; the
  // first option stored selects itself.
  void SetOption(int16_t key, const GCountedPtr& option);
  // Removes the entry and hands its composite to the caller (a copy when it
  // is held elsewhere); null when the key is absent. Removing the selected
  // option selects the first remaining one, or 0.
  MPersistentObject* RemoveOption(int16_t key);
  // 1 and the key selected when the table holds a composite under it; else 0.
  int SelectOption(int16_t key);
  // The composite under key (the table keeps it), or null.
  GAttributeComposite* GetOption(int16_t key) const;
  int HasOption(int16_t key) const { return GetOption(key) != nullptr; }
  uint32_t GetOptionCount() const { return options_.Count(); }
  // Empties the list, then appends every key in table order.
  void GetOptionKeys(RWShortList& keys) const;
  // The smallest non-zero and the largest entry counts of the options; 0
  // when there is none.
  int GetMinOptionSize() const;
  int GetMaxOptionSize() const;
  // The entry count of the selected option, 0 when there is none.
  int GetSelectedOptionSize() const;

  // A flag of 0 also makes the device installed.
  void SetInstallable(int32_t flag);
  // Only for an installable device: stores the flag and answers 1; else 0.
  int SetInstalled(int32_t flag);
  // Store the value and return the previous one.
  int32_t SetDetectionMode(int32_t mode);
  int32_t SetOptionSource(int32_t source);

  RWCString GetName() const { return name_; }
  int32_t GetKind() const { return kind_; }
  int32_t IsInstallable() const { return installable_; }
  int32_t IsInstalled() const { return installed_; }
  int32_t GetDetectionMode() const { return detectionMode_; }
  int32_t GetOptionSource() const { return optionSource_; }
  int16_t GetSelectedOption() const { return selectedOption_; }
  GDisplayString& GetDisplayString() { return displayString_; }
  const GDisplayString& GetDisplayString() const { return displayString_; }
  void SetDisplayString(const GDisplayString& displayString) { displayString_ = displayString; }

  // The table, for walking the options in table order.
  const OptionTable& Options() const { return options_; }

 private:
  static uint32_t HashKey(const int16_t& key);
  // Stores the handle under key (an entry of the same key is replaced).
  void PutOption(int16_t key, const GCountedPtr& option);
  void CopyOptions(const GPaperHandlingDevice& other);
  // Calls f(key, handle) for every entry in table order.
  template <typename F>
  void ForEachOption(F f) const;
  // The defaults of a body stored before detection mode and option source.
  void ApplyVersionOneDefaults();

  RWCString name_;
  int32_t kind_ = kInputDevice;
  int32_t installable_ = 1;
  int32_t installed_ = 0;
  int16_t selectedOption_ = 0;
  mutable OptionTable options_;
  int32_t detectionMode_ = 0;
  int32_t optionSource_ = 0;
  GDisplayString displayString_;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GPaperHandlingDevice*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GPaperHandlingDevice*& out);

RWCollectable* GPaperHandlingDeviceCreate();
