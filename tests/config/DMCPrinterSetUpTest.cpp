// The configuration library end to end: a new printer whose defaults come
// from the library is set up by the NT 4.0 driver object, which reaches the
// client through the document services the module installs.
#include <gtest/gtest.h>

#include "config/GNT40DMCClient.h"
#include "tests/support/FakeConfigLibrary.h"
#include "tests/winnt40/DriverObjectTestSupport.h"
#include "win32/Process.h"
#include "winnt40/GNT40DocumentServices.h"

namespace {

using qvdrv::Get;
using qvdrv::Value;
using qvtest::FakeDMC;
using qvtest::SetDMCFeature;

constexpr const char16_t* kDriverDirectory = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2";

class DMCPrinterSetUpTest : public qvdrv::DriverObjectTest {
 protected:
  void SetUp() override {
    DriverObjectTest::SetUp();
    GNT40DocumentServices services;
    services.update = &GNT40DMCClient::RunUpdate;
    services.restoreFactory = &GNT40DMCClient::RunRestoreFactory;
    SetNT40DocumentServices(services);
  }
  void TearDown() override {
    SetNT40DocumentServices(GNT40DocumentServices());
    DriverObjectTest::TearDown();
  }
  // The test device with the library switch (1100) in its settings and the
  // page order (710) among its job defaults.
  GNT40Driver& MakeLibraryDriver(int16_t useLibrary) {
    GNT40Driver& driver = MakeDriver();
    driver.GetPrinterConfiguration()->FindById(359)->AddChild(Value(1100, useLibrary));
    driver.FindPrinter()->GetDefaultState()->FindById(246)->AddChild(Value(710, 0));
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
};

TEST_F(DMCPrinterSetUpTest, SetUpTakesInstalledOptionsAndJobDefaultsFromTheLibrary) {
  qvtest::InstallFakeConfigLibrary(kDriverDirectory);
  SetDMCFeature(u"physical/DuplexUnit", u"Installed");
  SetDMCFeature(u"printing/PageOrder", u"BackToFront");
  PutString(u"Stale", u"TRUE");  // the set-up clears it before the update

  GNT40Driver& driver = MakeLibraryDriver(1);
  std::u16string name(kPrinter);
  EXPECT_EQ(driver.PrinterEvent(name.data(), 3, 0, 0), TRUE);

  EXPECT_EQ(FakeDMC().startConfig, (std::vector<std::u16string>{u"Front Desk"}));
  EXPECT_EQ(FakeDMC().calls.back(), "DMCEndConfig");
  EXPECT_EQ(DataText(u"Stale"), u"FALSE");
  EXPECT_EQ(DataText(u"LastUpdateType"), u"Admin");
  EXPECT_EQ(DataText(u"DMCLastUpdate"), DataText(u"LastUpdated"));
  EXPECT_NE(DataText(u"DMCLastUpdate"), u"ERROR");
  EXPECT_TRUE(Data(u"DMCQuickset").has_value());

  // The stored installable options and the printer's DEVMODE carry the
  // library's values.
  const int32_t optionsId = 365;
  std::unique_ptr<GAttributeComposite> options(driver.LoadSettingsGroup(&optionsId));
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(Get(options.get(), 308), 1);
  std::unique_ptr<GAttributeComposite> quickSets(
      dynamic_cast<GAttributeComposite*>(factory_->LoadObject(&driver, RWWString(u"DMCQuickset"), 0)));
  ASSERT_NE(quickSets, nullptr);
  EXPECT_EQ(Get(quickSets.get(), 710), 1);
  EXPECT_EQ(Get(driver.GetDevModeSettings(), 710), 1);
}

TEST_F(DMCPrinterSetUpTest, SetUpWithoutTheLibraryStampsAnErrorAndGoesOn) {
  GNT40Driver& driver = MakeLibraryDriver(1);
  std::u16string name(kPrinter);
  EXPECT_EQ(driver.PrinterEvent(name.data(), 3, 0, 0), TRUE);
  EXPECT_EQ(DataText(u"DMCLastUpdate"), u"ERROR");
  EXPECT_EQ(DataText(u"LastUpdateType"), u"Default");
  EXPECT_FALSE(w32test::StartedCommands().empty());
}

TEST_F(DMCPrinterSetUpTest, PrintersThatDoNotUseTheLibraryAreNotUpdated) {
  qvtest::InstallFakeConfigLibrary(kDriverDirectory);
  SetDMCFeature(u"physical/DuplexUnit", u"Installed");
  GNT40Driver& driver = MakeLibraryDriver(0);
  std::u16string name(kPrinter);
  EXPECT_EQ(driver.PrinterEvent(name.data(), 3, 0, 0), TRUE);
  EXPECT_TRUE(FakeDMC().calls.empty());
  EXPECT_EQ(DataText(u"Stale"), u"<missing>");
  EXPECT_EQ(DataText(u"DMCLastUpdate"), u"<missing>");
}

}  // namespace
