// Test support for the NT 4.0 platform layer: a printer installed in the
// stand-in, a stand-in for the driver instance (reached through the access
// hooks the driver module installs in the real system), and a fresh
// GNT40OSFactory as the process-wide factory for each test.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "driver/GDriverInstanceAccess.h"
#include "driver/osfactry.h"
#include "support/ScopedUpwardServices.h"
#include "win32/Spooler.h"
#include "w32test/Testing.h"
#include "winnt40/GNT40OSFactory.h"

namespace qvtest {

// What the hooks read for a driver instance.
struct FakeInstance {
  RWWString printerName;
  HANDLE handle = nullptr;  // the driver object's own printer handle
  bool hasDriverObject = true;
  MPersistentObject* configuration = nullptr;
};

inline GDriverInstance* AsInstance(FakeInstance* fake) { return reinterpret_cast<GDriverInstance*>(fake); }
inline FakeInstance* FromInstance(GDriverInstance* instance) { return reinterpret_cast<FakeInstance*>(instance); }

inline std::u16string Text(const RWWString& s) { return std::u16string(s.Data(), s.Length()); }

inline std::vector<BYTE> Bytes(const std::string& s) { return std::vector<BYTE>(s.begin(), s.end()); }

// Little-endian bytes of a DWORD, as a REG_DWORD holds them.
inline std::vector<BYTE> DwordBytes(DWORD v) {
  return {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v >> 16), static_cast<BYTE>(v >> 24)};
}

inline std::vector<BYTE> WideBytes(const std::u16string& s, bool terminated) {
  std::vector<BYTE> out;
  for (char16_t c : s) {
    out.push_back(static_cast<BYTE>(c & 0xFF));
    out.push_back(static_cast<BYTE>(c >> 8));
  }
  if (terminated) out.insert(out.end(), {0, 0});
  return out;
}

class NT40Test : public ::testing::Test {
 protected:
  static constexpr const char16_t* kPrinter = u"Office Laser 5";
  static constexpr const char16_t* kDriverDirectory = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2";

  void SetUp() override {
    w32test::Reset();
    w32test::PrinterSetup setup;
    setup.name = kPrinter;
    setup.driverName = u"QV Office Laser";
    setup.driverDirectory = kDriverDirectory;
    setup.driverPath = u"QVDRV.DLL";
    setup.dataFile = u"QVOFFICE.QVD";
    setup.configFile = u"QVUI.DLL";
    w32test::AddPrinter(setup);

    factory_ = new GNT40OSFactory;
    services_.Change([&](GUpwardServices& s) {
      s.factory = factory_;
      s.instance.printerName = [](GDriverInstance* i) { return FromInstance(i)->printerName; };
      s.instance.printerConfiguration = [](GDriverInstance* i) { return FromInstance(i)->configuration; };
      s.nt40Driver.printerHandle = [](GDriverInstance* i) { return FromInstance(i)->handle; };
      s.nt40Driver.keyInfo = [](GDriverInstance* i, RWWString* name, HANDLE* printer) {
        FakeInstance* fake = FromInstance(i);
        if (!fake->hasDriverObject) return 0;
        *name = fake->printerName;
        *printer = fake->handle;
        return 1;
      };
    });

    instance_.printerName = RWWString(kPrinter);
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(kPrinter, &instance_.handle, &defaults));
    unopened_.printerName = RWWString(kPrinter);
  }

  void TearDown() override {
    if (instance_.handle != nullptr) ClosePrinter(instance_.handle);
    services_.Restore();
    delete factory_;
  }

  GDriverInstance* Instance() { return AsInstance(&instance_); }
  // An instance whose driver object has no printer handle of its own.
  GDriverInstance* Unopened() { return AsInstance(&unopened_); }


 public:
  std::optional<w32test::RegistryValue> Data(const std::u16string& name) {
    return w32test::ReadPrinterData(kPrinter, name);
  }
  void PutData(const std::u16string& name, DWORD type, std::vector<BYTE> bytes) {
    w32test::WritePrinterData(kPrinter, name, type, std::move(bytes));
  }
  std::vector<std::u16string> DataNames() { return w32test::PrinterDataNames(kPrinter); }

 protected:
  ScopedUpwardServices services_;
  GNT40OSFactory* factory_ = nullptr;
  FakeInstance instance_;
  FakeInstance unopened_;
};

}  // namespace qvtest

namespace qvtest {

// Records fatal-error reports while it lives, so that a report does not end
// the test process; the driver server's shut-down is not installed.
class FatalErrorRecorderForNT40 {
 public:
  FatalErrorRecorderForNT40() {
    reports.clear();
    previous_ = SetFatalErrorHandler([](const GFatalErrorReport& r) { reports.push_back(r); });
  }
  ~FatalErrorRecorderForNT40() { SetFatalErrorHandler(previous_); }
  static inline std::vector<GFatalErrorReport> reports;

 private:
  GFatalErrorHandler previous_;
};

}  // namespace qvtest
