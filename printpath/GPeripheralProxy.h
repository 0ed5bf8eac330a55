// GPeripheralProxy: the child that stands for one add-on peripheral inside
// a peripheral composite for the length of a job. It owns the add-on's
// module, creates the add-on's peripheral object through the module's
// create entry and destroys it through its destroy entry, and passes the
// commands it receives to that object. The entry names follow the add-on
// kind ("_C_PCL_ADDON" and "_D_PCL_ADDON" for kind 2, and so on).
//
// The add-on module interface, in this 64-bit build: the create entry
// takes a pointer to two 32-bit words, both 0, and answers a pointer to a
// new peripheral (null for none); the destroy entry takes a pointer to one
// pointer-sized slot holding the peripheral to destroy. A pointer is never
// squeezed into a 32-bit word.
#pragma once

#include <cstdint>

#include "driver/GDynamicLibrary.h"
#include "model/GCountedPtr.h"
#include "model/GPeripheral.h"
#include "rw/RWWString.h"

constexpr RWClassID GPeripheralProxyClassId = 779;

// The two entries of an add-on module.
using GAddOnCreateEntry = GPeripheral* (*)(const uint32_t* words);
using GAddOnDestroyEntry = int32_t (*)(GPeripheral* const* object);

class GPeripheralProxy : public GPeripheral {
 public:
  // No add-on, empty entry names, kind none (6), mode 2, no module.
  GPeripheralProxy();
  // The module by name, the entry names of the kind; mode 1 creates the
  // add-on at once.
  GPeripheralProxy(const RWWString& moduleName, int32_t kind, int32_t mode);
  // The same add-on object (one more holder), entry names, kind, mode and
  // a library object of its own for the same module.
  GPeripheralProxy(const GPeripheralProxy& other);
  GPeripheralProxy& operator=(const GPeripheralProxy& other);
  // Destroys the add-on through the module, then lets the module go.
  ~GPeripheralProxy() override;

  static RWClassID StaticClassId() { return GPeripheralProxyClassId; }
  static uint32_t ClassVersion() { return 1; }
  QV_PERSISTENT_KIND(GPeripheralProxy);

  // Same class, equal peripheral parts, matching libraries, equal entry
  // names, kind and mode, and the same add-on object.
  int Matches(const MPersistentObject* other) const override;

  // Stored body after the peripheral's: version 1; the library; the create
  // and destroy names; mode; kind; the add-on as an object reference. A
  // read keeps the add-on that the module creates for the restored proxy.
  RW_STORED_MEMBERS();

  // 1 when the proxy holds an add-on object.
  int IsLoaded() const { return addOn_.Pointee() != nullptr ? 1 : 0; }
  GPeripheral* GetAddOn() const { return static_cast<GPeripheral*>(addOn_.Pointee()); }
  const RWWString& GetCreateEntry() const { return createEntry_; }
  const RWWString& GetDestroyEntry() const { return destroyEntry_; }
  int32_t GetKind() const { return kind_; }
  int32_t GetMode() const { return mode_; }
  const GDynamicLibrary& GetLibrary() const { return library_; }

  // The add-on's answer; without an add-on the command itself, except in
  // mode 0, where a fresh add-on is made and destroyed around the command.
  GCountedPtr Send(GCommand* command) override;
  int GetEffectFlags() override { return 0; }

  // Loads the module and asks the create entry for a new add-on.
  void CreateAddOn();
  // Hands the add-on (or a clone when others still hold it) to the destroy
  // entry and lets the module go.
  void ReleaseAddOn();

  // The entry names of an add-on kind; empty for a kind outside 0 to 4.
  static RWWString CreateEntryName(int32_t kind);
  static RWWString DestroyEntryName(int32_t kind);

 private:
  GCountedPtr addOn_;
  RWWString createEntry_;
  RWWString destroyEntry_;
  int32_t kind_ = kAddOnNone;
  int32_t mode_ = kNoAddOns;
  GDynamicLibrary library_;
};

RWCollectable* GPeripheralProxyCreate();
