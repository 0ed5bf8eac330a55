// The agent's mini-installer launcher: whether the printer's request makes
// it load "QVBMINI.DLL", how it starts and stops the installer, and that it
// gives back exactly what it took (module references, printer handles).
#include "config/GMiniInstallerLauncher.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "support/FakeCompanionModules.h"
#include "support/ScopedUpwardServices.h"
#include "win32/Module.h"
#include "win32/Registry.h"
#include "win32/Spooler.h"
#include "w32test/Testing.h"
#include "winnt40/GNT40OSFactory.h"

namespace {

constexpr const char16_t* kMiniInstallerLauncherDriverDirectory = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2";
constexpr const char16_t* kPrinter = u"Front Desk";
constexpr const char16_t* kPrintersKey = u"System\\CurrentControlSet\\Control\\Print\\Printers\\";

class MiniInstallerLauncherTest : public ::testing::Test {
 protected:
  qvtest::ScopedUpwardServices services_;

  void SetUp() override {
    w32test::Reset();
    w32test::ModuleSpec self;
    self.name = std::u16string(kMiniInstallerLauncherDriverDirectory) + u"\\QVUI.DLL";
    self.loadCount = 1;
    const HMODULE module = w32test::InstallModule(self);
    factory_ = new GNT40OSFactory;
    services_.Change([&](GUpwardServices& s) { s.factory = factory_; });
    factory_->SetModuleHandle(reinterpret_cast<HINSTANCE>(module));
    AddPrinter(kPrinter);
  }
  void TearDown() override {
    for (HANDLE h : handles_) ClosePrinter(h);
    delete factory_;
    w32test::Reset();
  }

  static void AddPrinter(const std::u16string& name) {
    w32test::PrinterSetup setup;
    setup.name = name;
    setup.driverName = u"quarrin 4700dn series";
    w32test::AddPrinter(setup);
  }
  HANDLE Open(const std::u16string& name = kPrinter) {
    HANDLE handle = nullptr;
    EXPECT_TRUE(OpenPrinterW(name.c_str(), &handle, nullptr));
    if (handle != nullptr) handles_.push_back(handle);
    return handle;
  }
  static void SetRequest(const std::u16string& printer, DWORD value) {
    w32test::WritePrinterData(printer, u"QvrdbUpdateRequest", REG_DWORD,
                              {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), 0, 0});
  }
  static std::optional<DWORD> Request(const std::u16string& printer) {
    auto value = w32test::ReadPrinterData(printer, u"QvrdbUpdateRequest");
    if (!value || value->type != REG_DWORD || value->data.size() != 4) return std::nullopt;
    return value->data[0] | value->data[1] << 8 | value->data[2] << 16 | static_cast<DWORD>(value->data[3]) << 24;
  }
  static DWORD Loads() { return w32test::ModuleLoadCount(InstallerPath().c_str()); }
  static std::u16string InstallerPath() { return std::u16string(kMiniInstallerLauncherDriverDirectory) + u"\\QVBMINI.DLL"; }

  GNT40OSFactory* factory_ = nullptr;
  std::vector<HANDLE> handles_;
};

TEST_F(MiniInstallerLauncherTest, ARequestOfZeroLoadsNothing) {
  qvtest::InstallMiniInstaller(kMiniInstallerLauncherDriverDirectory);
  SetRequest(kPrinter, 0);
  GMiniInstallerLauncher launcher(kPrinter, Open());
  EXPECT_EQ(launcher.IsLoaded(), 0);
  EXPECT_TRUE(qvtest::MiniInstaller().calls.empty());
  EXPECT_EQ(Loads(), 0u);
  EXPECT_EQ(launcher.GetModulePath(), RWWString(InstallerPath().c_str()));
}

TEST_F(MiniInstallerLauncherTest, AMissingRequestIsCreatedClearedAndTheInstallerStarts) {
  qvtest::InstallMiniInstaller(kMiniInstallerLauncherDriverDirectory);
  ASSERT_FALSE(Request(kPrinter).has_value());
  const HANDLE printer = Open();
  {
    GMiniInstallerLauncher launcher(kPrinter, printer);
    EXPECT_EQ(Request(kPrinter), std::optional<DWORD>(0));
    EXPECT_EQ(launcher.IsLoaded(), 1);
    EXPECT_EQ(launcher.OwnsPrinterHandle(), 0);
    EXPECT_EQ(Loads(), 1u);
    ASSERT_EQ(qvtest::MiniInstaller().calls.size(), 1u);
    const qvtest::MiniInstallerCall& start = qvtest::MiniInstaller().calls[0];
    EXPECT_EQ(start.entry, "InitializeMiniInstaller");
    EXPECT_EQ(start.printer, printer);
    EXPECT_EQ(start.printerName, u"<null>");
    EXPECT_EQ(start.mode, 1);
  }
  // Deleting it stops the installer with the same handle and unloads it.
  ASSERT_EQ(qvtest::MiniInstaller().calls.size(), 2u);
  EXPECT_EQ(qvtest::MiniInstaller().calls[1].entry, "KillMiniInstaller");
  EXPECT_EQ(qvtest::MiniInstaller().calls[1].printer, printer);
  EXPECT_EQ(qvtest::MiniInstaller().calls[1].printerName, u"<null>");
  EXPECT_EQ(qvtest::MiniInstaller().calls[1].mode, 1);
  EXPECT_EQ(Loads(), 0u);
}

// The module is freed exactly once and KillMiniInstaller called exactly
// once: a reference the test holds itself survives the launcher.
TEST_F(MiniInstallerLauncherTest, DeletingALoadedLauncherKillsOnceAndFreesOnce) {
  qvtest::InstallMiniInstaller(kMiniInstallerLauncherDriverDirectory);
  const HMODULE own = LoadLibraryW(InstallerPath().c_str());
  ASSERT_NE(own, nullptr);
  SetRequest(kPrinter, 1);
  auto launcher = std::make_unique<GMiniInstallerLauncher>(kPrinter, Open());
  ASSERT_EQ(launcher->IsLoaded(), 1);
  EXPECT_EQ(Loads(), 2u);
  launcher.reset();
  EXPECT_EQ(qvtest::MiniInstaller().Count("KillMiniInstaller"), 1u);
  EXPECT_EQ(Loads(), 1u);
  FreeLibrary(own);
}

TEST_F(MiniInstallerLauncherTest, StopUnloadsOnceAndTheDestructorDoesNotStopAgain) {
  qvtest::InstallMiniInstaller(kMiniInstallerLauncherDriverDirectory);
  qvtest::MiniInstaller().killResult = 7;
  SetRequest(kPrinter, 1);
  {
    GMiniInstallerLauncher launcher(kPrinter, Open());
    ASSERT_EQ(launcher.IsLoaded(), 1);
    EXPECT_EQ(launcher.Stop(), 7);
    EXPECT_EQ(launcher.IsLoaded(), 0);
    EXPECT_EQ(launcher.GetModule(), nullptr);
    EXPECT_EQ(Loads(), 0u);
    EXPECT_EQ(launcher.Stop(), -1);
  }
  EXPECT_EQ(qvtest::MiniInstaller().Count("KillMiniInstaller"), 1u);
}

// What counts as a started installer, and what is given back when it does
// not start.
TEST_F(MiniInstallerLauncherTest, OnlyAStartAnsweringZeroOrOneKeepsTheInstaller) {
  struct Case {
    const char* what;
    bool installed;
    std::vector<std::string> entries;
    int initializeResult;
    int loaded;
    size_t starts;
  };
  const std::vector<std::string> both = {"InitializeMiniInstaller", "KillMiniInstaller"};
  const Case cases[] = {
      {"answers 1", true, both, 1, 1, 1},
      {"answers 0", true, both, 0, 1, 1},
      {"answers 2", true, both, 2, 0, 1},
      {"answers -1", true, both, -1, 0, 1},
      {"no start entry", true, {"KillMiniInstaller"}, 1, 0, 0},
      {"no module", false, both, 1, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    w32test::RemoveModule(InstallerPath().c_str());
    if (c.installed) qvtest::InstallMiniInstaller(kMiniInstallerLauncherDriverDirectory, c.entries);
    qvtest::MiniInstaller() = qvtest::FakeMiniInstallerState();
    qvtest::MiniInstaller().initializeResult = c.initializeResult;
    SetRequest(kPrinter, 1);
    {
      GMiniInstallerLauncher launcher(kPrinter, Open());
      EXPECT_EQ(launcher.IsLoaded(), c.loaded);
      EXPECT_EQ(qvtest::MiniInstaller().Count("InitializeMiniInstaller"), c.starts);
      EXPECT_EQ(Loads(), static_cast<DWORD>(c.loaded));
    }
    // A launcher that never loaded never stops anything.
    EXPECT_EQ(qvtest::MiniInstaller().Count("KillMiniInstaller"), static_cast<size_t>(c.loaded));
    EXPECT_EQ(Loads(), 0u);
  }
}

TEST_F(MiniInstallerLauncherTest, WithoutAStopEntryTheModuleIsStillFreed) {
  qvtest::InstallMiniInstaller(kMiniInstallerLauncherDriverDirectory, {"InitializeMiniInstaller"});
  SetRequest(kPrinter, 1);
  {
    GMiniInstallerLauncher launcher(kPrinter, Open());
    ASSERT_EQ(launcher.IsLoaded(), 1);
    EXPECT_EQ(Loads(), 1u);
  }
  EXPECT_EQ(Loads(), 0u);
}

// Without a handle the launcher opens the printer itself, starts the
// installer with that handle, and closes it again.
TEST_F(MiniInstallerLauncherTest, WithoutAHandleItOpensAndClosesThePrinterItself) {
  qvtest::InstallMiniInstaller(kMiniInstallerLauncherDriverDirectory);
  SetRequest(kPrinter, 1);
  const size_t open = w32test::OpenPrinterCount();
  {
    GMiniInstallerLauncher launcher(kPrinter, nullptr);
    EXPECT_EQ(launcher.OwnsPrinterHandle(), 1);
    EXPECT_NE(launcher.GetPrinterHandle(), nullptr);
    EXPECT_EQ(launcher.IsLoaded(), 1);
    EXPECT_EQ(w32test::OpenPrinterCount(), open + 1);
    ASSERT_EQ(qvtest::MiniInstaller().calls.size(), 1u);
    EXPECT_EQ(qvtest::MiniInstaller().calls[0].printer, launcher.GetPrinterHandle());
  }
  EXPECT_EQ(w32test::OpenPrinterCount(), open);
  EXPECT_EQ(qvtest::MiniInstaller().Count("KillMiniInstaller"), 1u);
}

TEST_F(MiniInstallerLauncherTest, APrinterThatCannotBeOpenedLoadsNothing) {
  qvtest::InstallMiniInstaller(kMiniInstallerLauncherDriverDirectory);
  GMiniInstallerLauncher launcher(u"No Such Printer", nullptr);
  EXPECT_EQ(launcher.IsLoaded(), 0);
  EXPECT_EQ(launcher.GetPrinterHandle(), nullptr);
  EXPECT_TRUE(launcher.GetModulePath().IsEmpty());
  EXPECT_TRUE(qvtest::MiniInstaller().calls.empty());
}

// A connection ("\\server\printer") has no key of its own name: its data
// lives under the name with every backslash turned into a comma.
TEST_F(MiniInstallerLauncherTest, AConnectionIsLookedUpUnderItsNameWithCommas) {
  const std::u16string connection = u"\\\\print-01\\Shared Laser";
  AddPrinter(connection);
  ASSERT_FALSE(w32test::RegistryKeyExists(HKEY_LOCAL_MACHINE, kPrintersKey + connection));
  ASSERT_TRUE(w32test::RegistryKeyExists(HKEY_LOCAL_MACHINE, std::u16string(kPrintersKey) + u",,print-01,Shared Laser"));
  qvtest::InstallMiniInstaller(kMiniInstallerLauncherDriverDirectory);

  SetRequest(connection, 0);
  EXPECT_EQ(GMiniInstallerLauncher(RWWString(connection.c_str()), Open(connection)).IsLoaded(), 0);
  SetRequest(connection, 1);
  EXPECT_EQ(GMiniInstallerLauncher(RWWString(connection.c_str()), Open(connection)).IsLoaded(), 1);
  EXPECT_EQ(GAgentLauncher::PrinterDataKey(RWWString(connection.c_str())),
            RWWString((std::u16string(kPrintersKey) + u",,print-01,Shared Laser\\PrinterDriverData").c_str()));
}

TEST_F(MiniInstallerLauncherTest, APrinterWithoutARegistryKeyLoadsNothing) {
  qvtest::InstallMiniInstaller(kMiniInstallerLauncherDriverDirectory);
  EXPECT_TRUE(GAgentLauncher::PrinterDataKey(RWWString(u"Unknown")).IsEmpty());
  // A handle of another printer does not make the unknown name's request.
  GMiniInstallerLauncher launcher(u"Unknown", Open());
  EXPECT_EQ(launcher.IsLoaded(), 0);
  EXPECT_TRUE(qvtest::MiniInstaller().calls.empty());
  EXPECT_FALSE(w32test::RegistryKeyExists(HKEY_LOCAL_MACHINE, std::u16string(kPrintersKey) + u"Unknown"));
}

// The platform factory hands the launcher out through the creator the
// module installs; the driver core sees only the companion-module base.
TEST_F(MiniInstallerLauncherTest, TheFactoryHandsOutTheLauncherThroughTheInstalledCreator) {
  qvtest::InstallMiniInstaller(kMiniInstallerLauncherDriverDirectory);
  SetRequest(kPrinter, 1);
  services_.Change([](GUpwardServices& s) { s.miniInstaller = &NewMiniInstallerLauncher; });
  std::unique_ptr<GExternalModule> launcher(factory_->CreateMiniInstallerLauncher(kPrinter, Open(), nullptr));
  services_.Change([](GUpwardServices& s) { s.miniInstaller = nullptr; });
  ASSERT_NE(launcher, nullptr);
  EXPECT_NE(dynamic_cast<GMiniInstallerLauncher*>(launcher.get()), nullptr);
  EXPECT_EQ(launcher->IsLoaded(), 1);
  launcher.reset();
  EXPECT_EQ(qvtest::MiniInstaller().Count("KillMiniInstaller"), 1u);
  EXPECT_EQ(Loads(), 0u);
}

}  // namespace
