// Test support for the printer set-up and printer-event operations: a real
// driver instance with a small device model (printer entry 76 and its
// configuration), bound to a printer of the stand-in through the access
// hooks, the NT 4.0 platform factory, the module in the driver directory
// and a resource module with the strings the operations load.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "driver/GDriverInstance.h"
#include "driver/GDriverInstanceAccess.h"
#include "driver/osfactry.h"
#include "model/GAttributeComposite.h"
#include "model/GConfiguration.h"
#include "model/GCountedPtr.h"
#include "model/GPeripheral.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentComposite.h"
#include "support/ScopedUpwardServices.h"
#include "win32/Module.h"
#include "win32/Spooler.h"
#include "w32test/Testing.h"
#include "win32/VersionInfo.h"
#include "winnt40/GNT40OSFactory.h"

namespace qvtest {

inline GValueAttribute* MakeValue(int32_t id, int16_t value) { return new GValueAttribute(value, &id); }
inline GStringAttribute* MakeText(int32_t id, const char* text) { return new GStringAttribute(text, &id); }
inline GAttributeComposite* MakeGroup(int32_t id) { return new GAttributeComposite(&id); }

// A printer entry whose children are found by id.
class SetupPeripheral : public GPeripheral {
 public:
  explicit SetupPeripheral(int32_t id) : GPeripheral(&id) {}
  SetupPeripheral* CreateSameKind() const override { return new SetupPeripheral(0); }
  SetupPeripheral* Clone() const override { return new SetupPeripheral(FeatureId()); }
};

class SetupDriverInstance : public GUIDriverInstance {
 public:
  explicit SetupDriverInstance(const RWWString& printerName) {
    SetNames(printerName, RWWString(u"QV Office Laser"), RWWString(u"LPT1:"));
  }
  void InstallSettings(GAttributeComposite* settings) { SetStoredDocumentSettings(settings); }

  void RefreshAppFlags() override {}
  // The settings root with the groups the upgrade rewrites: 365, 366, 368.
  GAttributeComposite* CreateDefaultSettings() override {
    GAttributeComposite* root = MakeGroup(360);
    for (int32_t id : {365, 366, 368}) {
      GAttributeComposite* group = MakeGroup(id);
      group->AddChild(MakeValue(id + 1000, 7));
      root->AddChild(group);
    }
    return root;
  }
  GAttributeComposite* GetDocumentSettings() override { return StoredDocumentSettings(); }
  GPrinterKey* GetPrinterKey() override { return nullptr; }
  RWWString GetJobStorageKeyPath() override { return RWWString(); }
  GAttributeComposite* GetDevModeSettings() override { return StoredDocumentSettings(); }
  RWWString GetResourceModulePath() override { return resourcePath; }

  RWWString resourcePath;
  HANDLE handle = nullptr;
};


inline std::u16string Wide(const RWWString& s) { return std::u16string(s.Data(), s.Length()); }

class PrinterSetupTest : public ::testing::Test {
 public:
  static constexpr const char16_t* kPrinter = u"\\\\PRINTSRV\\Office Laser 5";
  static constexpr const char16_t* kDriverDirectory = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2";
  static constexpr const char16_t* kResources = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVRES.DLL";

 protected:
  void SetUp() override {
    w32test::Reset();
    w32test::PrinterSetup setup;
    setup.name = kPrinter;
    setup.driverName = u"QV Office Laser";
    setup.driverDirectory = kDriverDirectory;
    w32test::AddPrinter(setup);

    factory_ = new GNT40OSFactory;
    services_.Change([&](GUpwardServices& s) {
      s.factory = factory_;
      s.nt40Driver.printerHandle = [](GDriverInstance* i) -> HANDLE {
        return dynamic_cast<SetupDriverInstance*>(i)->handle;
      };
      s.nt40Driver.keyInfo = [](GDriverInstance* i, RWWString* name, HANDLE* printer) {
        *name = i->GetPrinterName();
        *printer = dynamic_cast<SetupDriverInstance*>(i)->handle;
        return 1;
      };
    });
    w32test::ModuleSpec self;
    self.name = u"QVUI.DLL";
    self.path = std::u16string(kDriverDirectory) + u"\\QVUI.DLL";
    self.loadCount = 1;
    factory_->SetModuleHandle(w32test::InstallModule(self));

    instance_ = std::make_unique<SetupDriverInstance>(RWWString(kPrinter));
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(kPrinter, &instance_->handle, &defaults));

    auto* root = new MPersistentComposite(353);
    printer_ = new SetupPeripheral(76);
    root->AddChild(printer_);
    instance_->SetDeviceModel(root);
    configuration_ = printer_->GetConfiguration();
  }

  void TearDown() override {
    if (instance_ != nullptr && instance_->handle != nullptr) ClosePrinter(instance_->handle);
    instance_.reset();
    services_.Restore();
    delete factory_;
  }

  // Installs the resource module with these strings and makes it the
  // instance's resource module.
  void InstallResources(const std::map<UINT, std::u16string>& strings) {
    w32test::ModuleSpec spec;
    spec.name = u"QVRES.DLL";
    spec.path = kResources;
    spec.strings = strings;
    w32test::InstallModule(spec);
    instance_->resourcePath = RWWString(kResources);
  }

  std::optional<w32test::RegistryValue> Data(const std::u16string& name) {
    return w32test::ReadPrinterData(kPrinter, name);
  }
  std::u16string DataText(const std::u16string& name) {
    auto value = Data(name);
    if (!value) return u"<missing>";
    std::u16string text;
    for (size_t i = 0; i + 1 < value->data.size(); i += 2)
      text.push_back(static_cast<char16_t>(value->data[i] | value->data[i + 1] << 8));
    while (!text.empty() && text.back() == 0) text.pop_back();
    return text;
  }
  DWORD DataDword(const std::u16string& name, DWORD missing = 0xDEADu) {
    auto value = Data(name);
    if (!value || value->data.size() < 4) return missing;
    return static_cast<DWORD>(value->data[0] | value->data[1] << 8 | value->data[2] << 16 | value->data[3] << 24);
  }
  void PutText(const std::u16string& name, const std::u16string& text) {
    std::vector<BYTE> bytes;
    for (char16_t c : text) {
      bytes.push_back(static_cast<BYTE>(c & 0xFF));
      bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    w32test::WritePrinterData(kPrinter, name, REG_SZ, bytes);
  }
  void PutDword(const std::u16string& name, DWORD v) {
    w32test::WritePrinterData(kPrinter, name, REG_DWORD,
                              {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v >> 16),
                               static_cast<BYTE>(v >> 24)});
  }

  GNT40OSFactory* factory_ = nullptr;
  std::unique_ptr<SetupDriverInstance> instance_;
  ScopedUpwardServices services_;
  SetupPeripheral* printer_ = nullptr;
  GConfiguration* configuration_ = nullptr;
};

}  // namespace qvtest
