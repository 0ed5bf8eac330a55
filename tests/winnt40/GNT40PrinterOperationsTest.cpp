// The driver object's printer-level operations: printer set-up, connection
// events, upgrade and DevQueryPrintEx.
#include <gtest/gtest.h>

#include "model/GFeatureIds.h"
#include "support/DriverObjectTestSupport.h"
#include "model/GCustomMediaSize.h"
#include "model/GPersistOutStream.h"
#include "rw/RWPersistence.h"
#include "rw/RWVirtualStream.h"
#include "support/ScopedUpwardServices.h"
#include "win32/CompStui.h"
#include "win32/DevMode.h"
#include "win32/File.h"
#include "win32/Rpc.h"
#include "w32test/Testing.h"
#include "winnt40/GNT40PrinterDevMode.h"

namespace {

using qvdrv::DriverObjectTest;

class PrinterOperationsTest : public DriverObjectTest {
 protected:
  std::u16string DataText(const std::u16string& name) {
    auto value = Data(name);
    if (!value) return u"<missing>";
    std::u16string text;
    for (size_t i = 0; i + 1 < value->data.size(); i += 2)
      text.push_back(static_cast<char16_t>(value->data[i] | value->data[i + 1] << 8));
    while (!text.empty() && text.back() == 0) text.pop_back();
    return text;
  }
  void InstallResources() {
    w32test::ModuleSpec spec;
    spec.name = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVRES.DLL";
    spec.strings = {{12004, kTray}, {12001, u"Invalid DEVMODE structure"}};
    w32test::InstallModule(spec);
  }
  static constexpr const char16_t* kTray = u"Mismatch: User selected a tray that has not been installed.";
};

TEST_F(PrinterOperationsTest, SetUpWritesTheStampsAndTheUuid) {
  GNT40Driver& driver = MakeDriver();
  w32test::QueueUuid(UUID{0x01020304, 0x0506, 0x0708, {9, 10, 11, 12, 13, 14, 15, 16}});
  std::u16string name(kPrinter);
  EXPECT_EQ(driver.PrinterEvent(name.data(), 3, 0, 0), TRUE);
  EXPECT_EQ(DataText(u"PrinterUUID"), u"01020304-0506-0708-090a-0b0c0d0e0f10");
  EXPECT_EQ(DataText(u"LastUpdateType"), u"Default");
  EXPECT_NE(DataText(u"LastUpdated"), u"<missing>");
  EXPECT_TRUE(Data(u"365").has_value());
  EXPECT_EQ(driver.GetCreationPrinterHandle(), handles_.front());  // given back
}

// The set-up installs the device's forms and the default watermarks: a
// custom size of the configuration becomes a printer form, and an empty
// watermark pool gets the four default records.
TEST_F(PrinterOperationsTest, SetUpInstallsFormsAndDefaultWatermarks) {
  GNT40Driver& driver = MakeDriver();
  MPersistentObject* device = driver.GetPrinterConfiguration()->FindById(359);
  ASSERT_NE(device, nullptr);
  auto* pool = dynamic_cast<GAttributeComposite*>(device->FindById(378));
  ASSERT_NE(pool, nullptr);
  pool->RemoveAllChildren();
  const int32_t id = 0;
  device->FindById(276)->AddChild(
      new GCustomMediaSize(17000, RWCString("Label 100 x 50"), GCustomMediaSize::kMicrometre, 100000, 50000, &id));
  std::u16string name(kPrinter);
  EXPECT_EQ(driver.PrinterEvent(name.data(), 3, 0, 0), TRUE);

  HANDLE printer = Open();
  DWORD needed = 0;
  GetFormW(printer, u"Label 100 x 50", 1, nullptr, 0, &needed);
  ASSERT_GT(needed, 0u);
  std::vector<BYTE> form(needed);
  ASSERT_TRUE(GetFormW(printer, u"Label 100 x 50", 1, form.data(), needed, &needed));
  EXPECT_EQ(reinterpret_cast<FORM_INFO_1W*>(form.data())->Flags, static_cast<DWORD>(FORM_PRINTER));
  EXPECT_EQ(reinterpret_cast<FORM_INFO_1W*>(form.data())->Size.cx, 100000);

  // The watermarks went into the stored preferences.
  auto value = Data(u"366");
  ASSERT_TRUE(value.has_value());
  const int32_t preferencesId = 366;
  std::unique_ptr<GAttributeComposite> preferences(driver.LoadSettingsGroup(&preferencesId));
  ASSERT_NE(preferences, nullptr);
  auto* stored = dynamic_cast<GAttributeComposite*>(preferences->FindById(378));
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->GetEntryCount(), 4);
}

TEST_F(PrinterOperationsTest, SetUpOfAPrinterThatCannotBeOpenedFails) {
  GNT40Driver& driver = MakeDriver();
  std::u16string name(u"No such printer");
  EXPECT_EQ(driver.PrinterEvent(name.data(), 3, 0, 0), FALSE);
  EXPECT_FALSE(Data(u"PrinterUUID").has_value());
}

TEST_F(PrinterOperationsTest, OtherEventsAreAnsweredWithoutSetUp) {
  GNT40Driver& driver = MakeDriver();
  std::u16string name(kPrinter);
  EXPECT_EQ(driver.PrinterEvent(name.data(), 4, 0, 0), TRUE);
  EXPECT_EQ(driver.PrinterEvent(name.data(), 1, 0, 0), TRUE);
  EXPECT_EQ(driver.PrinterEvent(name.data(), 42, 0, 0), FALSE);
  EXPECT_FALSE(Data(u"PrinterUUID").has_value());
}

TEST_F(PrinterOperationsTest, DevQueryPrintExChecksTheRecordFirst) {
  GNT40Driver& driver = MakeDriver();
  WCHAR text[8] = {u'#'};
  DEVQUERYPRINT_INFO info{};
  info.cbSize = 20;
  info.Level = 1;
  info.hPrinter = Open();
  info.pszErrorStr = text;
  info.cchErrorStr = 8;
  EXPECT_EQ(driver.DevQueryPrintEx(&info), FALSE);
  EXPECT_EQ(text[0], u'#');
  info.cbSize = sizeof(DEVQUERYPRINT_INFO);
  EXPECT_EQ(driver.DevQueryPrintEx(&info), TRUE);  // no DEVMODE
  info.Level = 2;
  EXPECT_EQ(driver.DevQueryPrintEx(&info), FALSE);
}

TEST_F(PrinterOperationsTest, AnInvalidOrientationGetsTheGeneralMessage) {
  InstallResources();
  GNT40Driver& driver = MakeDriver();
  ASSERT_TRUE(driver.LoadDevMode(nullptr));
  std::vector<BYTE> job(driver.GetDevModeObject()->GetBufferSize());
  ASSERT_TRUE(driver.GetDevModeObject()->CopyTo(reinterpret_cast<DEVMODEW*>(job.data())));
  auto* dm = reinterpret_cast<DEVMODEW*>(job.data());
  dm->dmFields |= DM_ORIENTATION;
  dm->dmOrientation = 7;
  WCHAR text[64];
  DEVQUERYPRINT_INFO info{};
  info.cbSize = sizeof(DEVQUERYPRINT_INFO);
  info.Level = 1;
  info.hPrinter = Open();
  info.pDevMode = dm;
  info.pszErrorStr = text;
  info.cchErrorStr = 64;
  EXPECT_EQ(driver.DevQueryPrintEx(&info), FALSE);
  EXPECT_EQ(std::u16string(text), u"Invalid DEVMODE structure");
  EXPECT_EQ(info.cchNeeded, 26u);
  // A buffer of no characters is left alone.
  text[0] = u'#';
  info.cchErrorStr = 0;
  EXPECT_EQ(driver.DevQueryPrintEx(&info), FALSE);
  EXPECT_EQ(text[0], u'#');
  EXPECT_EQ(info.cchNeeded, 26u);
}

TEST_F(PrinterOperationsTest, AJobForAnUninstalledTrayGetsTheTrayMessage) {
  InstallResources();
  GNT40Driver& driver = MakeDriver();
  ASSERT_TRUE(driver.LoadDevMode(nullptr));
  std::vector<BYTE> job(driver.GetDevModeObject()->GetBufferSize());
  ASSERT_TRUE(driver.GetDevModeObject()->CopyTo(reinterpret_cast<DEVMODEW*>(job.data())));
  auto* dm = reinterpret_cast<DEVMODEW*>(job.data());
  dm->dmFields |= DM_DEFAULTSOURCE;
  dm->dmDefaultSource = 260;  // no tray of the device has this bin
  WCHAR text[128];
  DEVQUERYPRINT_INFO info{};
  info.cbSize = sizeof(DEVQUERYPRINT_INFO);
  info.Level = 1;
  info.hPrinter = Open();
  info.pDevMode = dm;
  info.pszErrorStr = text;
  info.cchErrorStr = 128;
  EXPECT_EQ(driver.DevQueryPrintEx(&info), FALSE);
  EXPECT_EQ(std::u16string(text), kTray);
  EXPECT_EQ(info.cchNeeded, std::u16string(kTray).size() + 1);
}

// An older driver left the installable options in the portable form: the
// upgrade stores them again in the current form and enables the DIMM font
// devices (two bits each in "DisabledMSDs").
TEST_F(PrinterOperationsTest, UpgradeReencodesTheStoredObjects) {
  GNT40Driver& driver = MakeDriver();
  std::vector<BYTE> portable;
  for (int32_t id : {365, 366, 368}) {
    std::unique_ptr<GAttributeComposite> group(qvdrv::Group(id, {qvdrv::Value(308, 1)}));
    std::vector<unsigned char> buffer(4096);
    GPersistOutStream out(buffer.data(), buffer.size(), 0);
    RWWriteObjectPointer(*out.GetStream(), group.get());
    out.GetStream()->Flush();
    ASSERT_TRUE(out.GetStream()->Good());
    const std::vector<BYTE> bytes(buffer.begin(), buffer.begin() + out.Tell());
    if (id == 365) portable = bytes;
    ASSERT_EQ(factory_->WriteBlob(&driver, RWWString(std::to_string(id).c_str()), bytes.data(),
                                  static_cast<DWORD>(bytes.size())),
              1);
  }

  std::u16string name(kPrinter), old(u"C:\\old");
  DRIVER_UPGRADE_INFO_1 info{name.data(), old.data()};
  EXPECT_EQ(driver.UpgradePrinter(1, &info), TRUE);  // migrated

  auto stored = Data(u"365");
  ASSERT_TRUE(stored.has_value());
  EXPECT_NE(stored->data, portable);
  std::unique_ptr<MPersistentObject> reloaded(driver.LoadStoredObject(RWWString(u"365")));
  ASSERT_NE(reloaded, nullptr);
  EXPECT_EQ(reloaded->FeatureId(), 365);
  auto mask = Data(u"DisabledMSDs");
  ASSERT_TRUE(mask.has_value());
  EXPECT_EQ(mask->data, (std::vector<BYTE>{0x00, 0x50, 0x05, 0x00}));
  EXPECT_EQ(driver.GetCreationPrinterHandle(), handles_.front());  // given back
}

// An older driver left the shared quick-set pool in the portable form: the
// upgrade rebuilds each quick set over the model's quick-set template, and a
// user's quick set keeps its name, its owner mark and its values.
TEST_F(PrinterOperationsTest, UpgradeKeepsTheUsersQuickSets) {
  using qvdrv::Group;
  using qvdrv::Text;
  using qvdrv::Value;
  GNT40Driver& driver = MakeDriver();
  // The model's quick-set template names the settings a quick set restores:
  // PaperSize, Duplex and MeasurementSystem, the last new in this model.
  std::unique_ptr<GAttributeComposite> quickSetTemplate(Group(375, {Value(260, 1), Value(253, 0), Value(285, 2)}));
  ASSERT_TRUE(driver.GetPrinterConfiguration()->ReplaceChildById(375, quickSetTemplate.get()));

  using GFeatureIds::kQuickSetPool;
  auto storePortable = [&](const char16_t* name, const MPersistentObject& object) {
    std::vector<unsigned char> buffer(4096);
    GPersistOutStream out(buffer.data(), buffer.size(), 0);
    RWWriteObjectPointer(*out.GetStream(), &object);
    out.GetStream()->Flush();
    ASSERT_TRUE(out.GetStream()->Good());
    ASSERT_EQ(factory_->WriteBlob(&driver, RWWString(name), buffer.data(), static_cast<DWORD>(out.Tell())), 1);
  };
  std::unique_ptr<GAttributeComposite> options(Group(365, {Value(308, 1)}));
  storePortable(u"365", *options);
  std::unique_ptr<GAttributeComposite> pool(
      Group(kQuickSetPool, {Group(0, {Value(260, 5), Value(253, 1), Text(376, "Letterhead"), Value(1124, 1)}),
                    Group(0, {Value(260, 9), Text(376, "Envelopes"), Value(1124, 0)})}));
  storePortable(u"QuicksetPool", *pool);

  std::u16string name(kPrinter), old(u"C:\\old");
  DRIVER_UPGRADE_INFO_1 info{name.data(), old.data()};
  driver.UpgradePrinter(1, &info);  // not migrated: 366 and 368 are missing

  std::unique_ptr<MPersistentObject> reloaded(driver.LoadStoredObject(RWWString(u"QuicksetPool")));
  ASSERT_NE(reloaded, nullptr);
  EXPECT_EQ(reloaded->FeatureId(), kQuickSetPool);
  auto* converted = dynamic_cast<GAttributeComposite*>(reloaded.get());
  ASSERT_NE(converted, nullptr);
  ASSERT_EQ(converted->GetEntryCount(), 2);
  auto valueOf = [](MPersistentObject* quickSet, int32_t id) {
    auto* value = dynamic_cast<GValueAttribute*>(quickSet->FindById(id));
    return value != nullptr ? value->GetValue() : -1;
  };
  const struct {
    const char* name;
    int16_t paper, duplex, owner;
  } expected[] = {{"Letterhead", 5, 1, 1}, {"Envelopes", 9, 0, 0}};
  for (size_t index = 0; index < 2; ++index) {
    const auto& e = expected[index];
    SCOPED_TRACE(e.name);
    GAttribute* quickSet = converted->ChildAt(index);
    ASSERT_NE(quickSet, nullptr);
    EXPECT_EQ(quickSet->FeatureId(), 0) << "a user's quick set is no model template";
    auto* label = dynamic_cast<GStringAttribute*>(quickSet->FindById(376));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->GetString(), RWCString(e.name));
    EXPECT_EQ(valueOf(quickSet, 260), e.paper);
    EXPECT_EQ(valueOf(quickSet, 253), e.duplex) << "a value the quick set lacked comes from the template";
    EXPECT_EQ(valueOf(quickSet, 285), 2);
    EXPECT_EQ(valueOf(quickSet, 1124), e.owner);
  }
}

TEST_F(PrinterOperationsTest, UpgradeWithoutInfoIsAnInvalidParameter) {
  GNT40Driver& driver = MakeDriver();
  SetLastError(0);
  EXPECT_EQ(driver.UpgradePrinter(1, nullptr), FALSE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  std::u16string name(u"No such printer"), old(u"C:\\old");
  DRIVER_UPGRADE_INFO_1 info{name.data(), old.data()};
  SetLastError(0);
  EXPECT_EQ(driver.UpgradePrinter(1, &info), FALSE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace

namespace {

int g_sheetCalls = 0;
LONG FailingSheet(PROPSHEETUI_INFO*, LPARAM) {
  ++g_sheetCalls;
  return -1;
}
LONG WorkingSheet(PROPSHEETUI_INFO* info, LPARAM) {
  ++g_sheetCalls;
  if (info != nullptr && info->Reason == PROPSHEETUI_REASON_INIT) {
    auto* header = reinterpret_cast<DEVICEPROPERTYHEADER*>(info->lParamInit);
    if (header == nullptr || header->cbSize != sizeof(DEVICEPROPERTYHEADER)) return -1;
  }
  return 1;
}

class PrinterPropertiesTest : public qvdrv::DriverObjectTest {
 protected:
  void TearDown() override {
    DriverObjectTest::TearDown();
  }
};

// A sheet that fails leaves the result at its start value: that is no
// success.
TEST_F(PrinterPropertiesTest, ASheetThatFailsIsNoSuccess) {
  GNT40Driver& driver = MakeDriver();
  g_sheetCalls = 0;
  EXPECT_EQ(driver.PrinterProperties(nullptr, Open()), FALSE);  // no sheet entry
  services_.Change([](GUpwardServices& s) { s.devicePropertySheets = &FailingSheet; });
  EXPECT_EQ(driver.PrinterProperties(nullptr, Open()), FALSE);
  EXPECT_GT(g_sheetCalls, 0);
}

TEST_F(PrinterPropertiesTest, TheSheetsResultIsTheAnswer) {
  GNT40Driver& driver = MakeDriver();
  services_.Change([](GUpwardServices& s) { s.devicePropertySheets = &WorkingSheet; });
  w32test::QueueSheetResult(CPSUI_OK);
  EXPECT_EQ(driver.PrinterProperties(nullptr, Open()), TRUE);
  w32test::QueueSheetResult(CPSUI_CANCEL);
  EXPECT_EQ(driver.PrinterProperties(nullptr, Open()), FALSE);
}

}  // namespace
