// The printer set-up's use of the agent: the mini-installer started when
// the settings ask for it, the auto-configuration, and the stamps that
// record the outcome ("EACLastUpdate", "LastUpdateType"). The launcher and
// the update session are stand-ins installed through the driver core's
// hooks, so the test watches what the set-up does with them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/GExternalModule.h"
#include "support/DriverObjectTestSupport.h"
#include "support/ScopedUpwardServices.h"
#include "win32/Spooler.h"

namespace {

using qvdrv::DriverObjectTest;
using qvdrv::Group;
using qvdrv::Value;

struct Watch {
  std::vector<std::string> events;  // "launcher", "session", "deleted"
  RWWString printerName;
  HANDLE printer = nullptr;
  bool printerUsable = false;  // the handle was an open printer handle
  int loaded = 0;              // what the launchers report
  int16_t stateAfterUpdate = -1;  // 313 as the session leaves it; -1 untouched
};
Watch g_watch;

class FakeLauncher : public GExternalModule {
 public:
  FakeLauncher(const RWWString& name, HANDLE printer) : GExternalModule(name, printer) { SetLoaded(g_watch.loaded); }
  ~FakeLauncher() override { g_watch.events.push_back("deleted"); }
  int Start() override { return 0; }
  int Stop() override { return 0; }
};

GExternalModule* CreateLauncher(const RWWString& name, HANDLE printer) {
  g_watch.events.push_back("launcher");
  g_watch.printerName = name;
  g_watch.printer = printer;
  DWORD needed = 0;
  SetLastError(0);
  GetPrinterW(printer, 2, nullptr, 0, &needed);
  g_watch.printerUsable = GetLastError() == ERROR_INSUFFICIENT_BUFFER;
  return new FakeLauncher(name, printer);
}

class FakeSession : public GUpdateSession {
 public:
  int16_t Update(MPersistentObject* configuration, int modelCheck) override {
    g_watch.events.push_back("session");
    EXPECT_EQ(modelCheck, 1);
    if (g_watch.stateAfterUpdate >= 0) {
      auto* state = dynamic_cast<GValueAttribute*>(configuration->FindById(228)->FindById(313));
      if (state != nullptr) state->SetValue(g_watch.stateAfterUpdate);
    }
    return g_watch.stateAfterUpdate == 2 ? 0 : 1;
  }
};

GUpdateSession* CreateSession(GDriverInstance*, const RWWString&, int) { return new FakeSession; }

class SetUpAutoConfigurationTest : public DriverObjectTest {
 protected:
  void SetUp() override {
    DriverObjectTest::SetUp();
    g_watch = Watch();
    services_.Change([](GUpwardServices& s) { s.miniInstaller = &CreateLauncher; });
    services_.Change([](GUpwardServices& s) { s.updateSession = &CreateSession; });
  }
  void TearDown() override {
    DriverObjectTest::TearDown();
  }

  // A driver whose settings carry the set-up group (364) with the
  // installer (1025) and auto-configuration (306) switches, and whose
  // configuration has the auto-configuration state (313 = 0).
  GNT40Driver& MakeSetUpDriver(int16_t installer, int16_t autoConfigure) {
    GNT40Driver& driver = MakeDriver();
    GConfiguration* configuration = driver.GetPrinterConfiguration();
    configuration->FindById(359)->AddChild(Group(364, {Value(1025, installer), Value(306, autoConfigure)}));
    configuration->AddChild(Group(228, {Value(313, 0)}));
    return driver;
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

  BOOL SetUpPrinter(GNT40Driver& driver) {
    std::u16string name(kPrinter);
    return driver.PrinterEvent(name.data(), 3, 0, 0);
  }
};

struct OutcomeCase {
  const char* what;
  int16_t installer;
  int16_t autoConfigure;
  int loaded;
  int16_t stateAfterUpdate;
  const char16_t* eac;  // "<date>": the set-up's date; "<missing>": not written
  const char16_t* updateType;
  std::vector<std::string> events;
};

const OutcomeCase kOutcomes[] = {
    {"InstallerRanUpdateDone", 1, 1, 1, 2, u"<date>", u"Auto", {"launcher", "session", "deleted"}},
    {"InstallerNotLoadedNoUpdate", 1, 0, 0, -1, u"ERROR", u"Default", {"launcher", "deleted"}},
    {"InstallerNotLoadedUpdateFailed", 1, 1, 0, 1, u"<missing>", u"Default", {"launcher", "session", "deleted"}},
    {"InstallerNotLoadedStateUntouched", 1, 1, 0, -1, u"ERROR", u"Default", {"launcher", "session", "deleted"}},
    {"InstallerLoadedNoUpdate", 1, 0, 1, -1, u"<missing>", u"Default", {"launcher", "deleted"}},
    {"NoInstallerAskedFor", 0, 0, 1, -1, u"<missing>", u"Default", {}},
    {"NoInstallerUpdateDone", 0, 1, 0, 2, u"<date>", u"Auto", {"session"}},
};

class SetUpOutcomeTest : public SetUpAutoConfigurationTest, public ::testing::WithParamInterface<OutcomeCase> {};

TEST_P(SetUpOutcomeTest, IsStamped) {
  const OutcomeCase& c = GetParam();
  g_watch.loaded = c.loaded;
  g_watch.stateAfterUpdate = c.stateAfterUpdate;
  GNT40Driver& driver = MakeSetUpDriver(c.installer, c.autoConfigure);
  const HANDLE creation = driver.GetCreationPrinterHandle();
  EXPECT_EQ(SetUpPrinter(driver), TRUE);
  // The launcher lives around the auto-configuration and is deleted before
  // the set-up ends.
  EXPECT_EQ(g_watch.events, c.events);
  const std::u16string eac = DataText(u"EACLastUpdate");
  if (std::u16string(c.eac) == u"<date>") {
    EXPECT_EQ(eac, DataText(u"LastUpdated"));
    EXPECT_NE(eac, u"<missing>");
  } else {
    EXPECT_EQ(eac, c.eac);
  }
  EXPECT_EQ(DataText(u"LastUpdateType"), c.updateType);
  if (c.installer == 1) {
    // Started for the printer with the set-up's own handle, open then.
    EXPECT_EQ(qvdrv::Text16(g_watch.printerName), std::u16string(kPrinter));
    EXPECT_NE(g_watch.printer, nullptr);
    EXPECT_NE(g_watch.printer, creation);
    EXPECT_TRUE(g_watch.printerUsable);
  }
  EXPECT_EQ(driver.GetCreationPrinterHandle(), creation);
}

INSTANTIATE_TEST_SUITE_P(Cases, SetUpOutcomeTest, ::testing::ValuesIn(kOutcomes),
                         [](const ::testing::TestParamInfo<OutcomeCase>& info) { return info.param.what; });

// Without a creator no installer can start: when one was asked for, the
// set-up records the failure.
TEST_F(SetUpAutoConfigurationTest, AnInstallerThatCannotBeCreatedIsAnError) {
  services_.Change([](GUpwardServices& s) { s.miniInstaller = nullptr; });
  GNT40Driver& driver = MakeSetUpDriver(1, 0);
  EXPECT_EQ(SetUpPrinter(driver), TRUE);
  EXPECT_EQ(DataText(u"EACLastUpdate"), u"ERROR");
  EXPECT_EQ(DataText(u"LastUpdateType"), u"Default");
}

// Settings without the set-up group start nothing and stamp nothing.
TEST_F(SetUpAutoConfigurationTest, WithoutTheSetUpGroupNothingStarts) {
  GNT40Driver& driver = MakeDriver();
  driver.GetPrinterConfiguration()->AddChild(Group(228, {Value(313, 0)}));
  EXPECT_EQ(SetUpPrinter(driver), TRUE);
  EXPECT_TRUE(g_watch.events.empty());
  EXPECT_EQ(DataText(u"EACLastUpdate"), u"<missing>");
}

}  // namespace
