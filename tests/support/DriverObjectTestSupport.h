// Test support for the NT 4.0 driver object and its settings base: a small
// device model (the printer entry with its configuration and default state),
// a printer installed in the stand-in, this module's entry in the module
// table, and a fresh platform factory with the driver object's hooks.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "driver/GSettingValue.h"
#include "driver/osfactry.h"
#include "model/GAttributeComposite.h"
#include "model/GConfiguration.h"
#include "model/GPeripheral.h"
#include "model/GRangeAttribute.h"
#include "model/GSelectionString.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "model/MAssociationList.h"
#include "model/MPersistentAssociation.h"
#include "model/MPersistentComposite.h"
#include "model/MPersistentIterator.h"
#include "support/ScopedUpwardServices.h"
#include "win32/Module.h"
#include "win32/Spooler.h"
#include "w32test/Testing.h"
#include "winnt40/GNT40OSFactory.h"
#include "winnt40/nt40qddi.h"
#include "support/AttributeBuilders.h"

namespace qvdrv {

using qvtest::Value;
using qvtest::Text;
using qvtest::Group;
inline GRangeAttribute* Range(int32_t id, int16_t min, int16_t max, int16_t value) {
  return new GRangeAttribute(min, max, 1, value, &id);
}
inline GState* State(int32_t id, std::initializer_list<MPersistentObject*> children = {}) {
  auto* state = new GState(&id);
  for (MPersistentObject* child : children) state->AddChild(child);
  return state;
}

// The 16-bit value under root (depth first), or -9999 when missing.
inline int32_t Get(MPersistentObject* root, int32_t id) { return GSettingValue::GetOr(root, id, -9999); }
inline std::string TextOf(MPersistentObject* root, int32_t id) {
  RWCString text;
  if (!GSettingValue::TextOf(GSettingValue::Find(root, id), &text)) return "<missing>";
  return std::string(text.Data(), text.Length());
}
inline MPersistentObject* Child(MPersistentObject* in, int32_t id) {
  if (in == nullptr) return nullptr;
  std::unique_ptr<MPersistentIterator> it(in->CreateIterator());
  while (it && it->Advance())
    if (it->Current() != nullptr && it->Current()->FeatureId() == id) return it->Current();
  return nullptr;
}
inline std::u16string Text16(const RWWString& s) { return std::u16string(s.Data(), s.Length()); }

// A printer entry: the base receiver operations, nothing overridden.
class TestPrinter : public GPeripheral {
 public:
  using GPeripheral::GPeripheral;
  TestPrinter* CreateSameKind() const override { return new TestPrinter; }
  TestPrinter* Clone() const override { return new TestPrinter(*this); }
  int16_t ApplyTo(GPeripheral*) override { return 0; }
};

// A watermark record of the pool (378): name 384, size 385.
inline GAttributeComposite* Watermark(const char* name, int16_t size) {
  return Group(380, {Text(384, name), Value(385, size)});
}

// The printer configuration of the test device.
inline GConfiguration* MakeConfiguration(bool variantSwitch) {
  auto* configuration = new GConfiguration(198);
  configuration->AddChild(
      Group(359, {Group(365, {Value(308, 0), Range(307, 100, 3200, 800), Text(316, ""), Value(275, 0)}),
                  Group(366, {Value(940, 0), Group(378, {Watermark("Confidential", 90), Watermark("Draft", 220)})}),
                  Group(368, {}), Group(276, {}), Group(63, {Text(0, "QVUIPROV.DLL")})}));
  // Options bound to printer-data values: option id -> value name.
  auto* bound = new MAssociationList(950);
  const struct {
    int16_t option;
    const char* name;
  } bindings[] = {{308, "DuplexUnitInstalled"}, {316, "AccessoryOutputBins"}, {307, "DriverWorkSpace"}};
  for (const auto& b : bindings)
    bound->Add(new MPersistentAssociation(Value(0, b.option), new GSelectionString(b.name, 0, 0), 0));
  configuration->AddChild(bound);
  configuration->AddChild(Value(958, 0));
  if (variantSwitch) configuration->AddChild(Value(1122, 1));
  // Named model variants: each brings a marker setting (1500, 1501) that the
  // defaults take over.
  configuration->AddChild(Group(375, {Group(0, {Text(376, "quarrin 4700dn"), Group(360, {Value(1500, 1)})}),
                                      Group(0, {Text(376, "quarrin 4700"), Group(360, {Value(1501, 1)})})}));
  configuration->AddChild(Text(374, "QVHELP.HLP"));
  configuration->AddChild(Text(401, "QVRES.DLL"));
  return configuration;
}

// The device model root (353) with the printer entry (76).
inline MPersistentObject* MakeDeviceModel(bool variantSwitch = false) {
  GState* defaults = State(243, {State(246, {Value(259, 7), Value(260, 23), Value(291, 1)}),
                                 State(256, {Value(265, 0)})});
  const int32_t printerId = 76;
  auto* printer = new TestPrinter(RWCString("Quarrin 4700 Series"), defaults, MakeConfiguration(variantSwitch),
                                  &printerId, 64, kAddOnNone, kNoAddOns);
  auto* root = new MPersistentComposite(353);
  root->AddChild(printer);
  return root;
}

class DriverObjectTest : public ::testing::Test {
 protected:
  static constexpr const char16_t* kPrinter = u"Front Desk";
  static constexpr const char16_t* kDriver = u"quarrin 4700dn series";
  static constexpr const char16_t* kModulePath = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVUI.DLL";

  void SetUp() override {
    w32test::Reset();
    SetProcessAppFlags(0);
    AddPrinter(kPrinter, u"Second floor");
    w32test::ModuleSpec self;
    self.name = kModulePath;
    self.loadCount = 1;
    module_ = reinterpret_cast<HINSTANCE>(w32test::InstallModule(self));
    factory_ = new GNT40OSFactory;
    factory_->SetModuleHandle(module_);
    services_.Change([&](GUpwardServices& s) {
      s.factory = factory_;
      s.nt40Driver = NT40DriverHooks();
    });
  }

  void TearDown() override {
    driver_.reset();
    for (HANDLE h : handles_) ClosePrinter(h);
    services_.Restore();
    delete factory_;
    SetProcessAppFlags(0);
    w32test::Reset();
  }

  void AddPrinter(const char16_t* name, const char16_t* location) {
    w32test::PrinterSetup setup;
    setup.name = name;
    setup.driverName = kDriver;
    setup.location = location;
    w32test::AddPrinter(setup);
  }

  // A printer handle with the ordinary user's access, or with every right.
  HANDLE Open(const char16_t* name = kPrinter, bool admin = false) {
    HANDLE handle = nullptr;
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    EXPECT_TRUE(OpenPrinterW(name, &handle, admin ? &defaults : nullptr));
    if (handle != nullptr) handles_.push_back(handle);
    return handle;
  }

  // A driver object for the printer, with the test device model, made for a
  // handle with every right (as the spooler's own calls have) or for an
  // ordinary user's handle.
  GNT40Driver& MakeDriver(bool variantSwitch = false, const char16_t* driverName = kDriver, bool admin = true) {
    driver_ = std::make_unique<GNT40Driver>(Open(kPrinter, admin), RWWString(kPrinter), RWWString(driverName),
                                            RWWString(u"LPT1:"));
    driver_->SetDeviceModel(MakeDeviceModel(variantSwitch));
    return *driver_;
  }

  std::optional<w32test::RegistryValue> Data(const std::u16string& name) {
    return w32test::ReadPrinterData(kPrinter, name);
  }
  void PutDword(const std::u16string& name, DWORD value) {
    w32test::WritePrinterData(kPrinter, name, REG_DWORD,
                              {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
                               static_cast<BYTE>(value >> 24)});
  }
  void PutString(const std::u16string& name, const std::u16string& text) {
    std::vector<BYTE> bytes;
    for (char16_t c : text) {
      bytes.push_back(static_cast<BYTE>(c & 0xFF));
      bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    w32test::WritePrinterData(kPrinter, name, REG_SZ, bytes);
  }

  HINSTANCE module_ = nullptr;
  GNT40OSFactory* factory_ = nullptr;
  qvtest::ScopedUpwardServices services_;
  std::unique_ptr<GNT40Driver> driver_;
  std::vector<HANDLE> handles_;
};

}  // namespace qvdrv
