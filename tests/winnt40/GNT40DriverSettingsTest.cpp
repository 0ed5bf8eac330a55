// The settings base of the driver object: default settings from the device
// model, model variants, printer-data bound options, stored setting groups,
// the per-user watermark pool, the DEVMODE object and the DEVMODE size.
#include <gtest/gtest.h>

#include <map>

#include "model/GFeatureIds.h"
#include "model/GValueAttribute.h"
#include "support/DriverObjectTestSupport.h"
#include "win32/CodePage.h"
#include "win32/DevMode.h"
#include "win32/Registry.h"
#include "w32test/Testing.h"
#include "winnt40/GNT40PrinterDevMode.h"

namespace qvdrv {
namespace {

using Settings = GNT40DriverSettings;

class GNT40DriverSettingsTest : public DriverObjectTest {};

TEST_F(GNT40DriverSettingsTest, DefaultSettingsJoinTheConfigurationGroupAndTheDefaultState) {
  GNT40Driver& driver = MakeDriver();
  std::unique_ptr<GAttributeComposite> settings(driver.CreateDefaultSettings());
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(settings->FeatureId(), GFeatureIds::kSettingsRoot);
  MPersistentObject* job = Child(settings.get(), GFeatureIds::kDocumentSettings);
  ASSERT_NE(job, nullptr);
  // The page medium gives way to the paper of the user's country (Letter).
  EXPECT_EQ(Child(job, GFeatureIds::kPageMedia), nullptr);
  EXPECT_EQ(Get(job, GFeatureIds::kPaperSize), 1);
  EXPECT_EQ(Get(job, 291), 1);
  EXPECT_NE(Child(settings.get(), GFeatureIds::kPageSettings), nullptr);
  EXPECT_EQ(Get(Child(settings.get(), GFeatureIds::kInstallableOptions), 308), 0);
  // The device model itself is not touched.
  EXPECT_EQ(Get(driver.FindPrinter()->GetDefaultState(), GFeatureIds::kPageMedia), 7);
}

TEST_F(GNT40DriverSettingsTest, MissingDeviceEntryGivesASettingsRootInsteadOfACrash) {
  driver_ = std::make_unique<GNT40Driver>(Open(), RWWString(kPrinter), RWWString(kDriver), RWWString(u"LPT1:"));
  std::unique_ptr<GAttributeComposite> settings(driver_->CreateDefaultSettings());
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(settings->FeatureId(), GFeatureIds::kSettingsRoot);
  EXPECT_EQ(Get(Child(settings.get(), GFeatureIds::kDocumentSettings), GFeatureIds::kPaperSize), 1);
  // A device entry without the configuration group: the same.
  auto* model = new MPersistentComposite(353);
  const int32_t printerId = 76;
  model->AddChild(new TestPrinter(RWCString("Bare"), nullptr, nullptr, &printerId, 64, kAddOnNone, kNoAddOns));
  driver_->SetDeviceModel(model);
  settings.reset(driver_->CreateDefaultSettings());
  ASSERT_NE(settings, nullptr);
  EXPECT_NE(Child(settings.get(), GFeatureIds::kDocumentSettings), nullptr);
  // And the DEVMODE object can still be made from them.
  EXPECT_EQ(driver_->LoadDevMode(nullptr), 1);
  EXPECT_NE(driver_->GetDevModeSettings(), nullptr);
}

TEST_F(GNT40DriverSettingsTest, ModelVariantComesFromTheDriverName) {
  // Marker 1500 comes with the variant "quarrin 4700dn", 1501 with
  // "quarrin 4700"; -9999 means the marker is missing.
  const struct {
    const char16_t* driverName;
    int32_t dn;
    int32_t plain;
  } cases[] = {
      {u"quarrin 4700dn series", 1, -9999},   // the text before the blank before "series"
      {u"Quarrin 4700dn SERIES", 1, -9999},   // found, and the entry matched, without regard to case
      {u"quarrin 4700 pcl 6", -9999, 1},      // no "series": "pcl"
      {u"quarrin 4700", -9999, -9999},        // neither: no variant
      {u"series 4700", -9999, -9999},         // at the very start: no character before it, no variant
      {u"pcl", -9999, -9999},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.driverName, c.driverName + std::char_traits<char16_t>::length(c.driverName)));
    GNT40Driver& driver = MakeDriver(true, c.driverName);
    std::unique_ptr<GAttributeComposite> settings(driver.CreateDefaultSettings());
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(Get(settings.get(), 1500), c.dn);
    EXPECT_EQ(Get(settings.get(), 1501), c.plain);
  }
  // Without the configuration's switch the driver name is not looked at.
  GNT40Driver& plain = MakeDriver(false, u"quarrin 4700dn series");
  std::unique_ptr<GAttributeComposite> settings(plain.CreateDefaultSettings());
  EXPECT_EQ(Get(settings.get(), 1500), -9999);
}

TEST_F(GNT40DriverSettingsTest, BaseValueInPrinterDataNamesTheVariant) {
  GNT40Driver& driver = MakeDriver(true, u"quarrin 4700dn series");
  PutString(u"Base", u"quarrin 4700");
  std::unique_ptr<GAttributeComposite> settings(driver.CreateDefaultSettings());
  EXPECT_EQ(Get(settings.get(), 1501), 1);
  EXPECT_EQ(Get(settings.get(), 1500), -9999);
}

TEST_F(GNT40DriverSettingsTest, PrinterDataBoundOptionsAndTheTrueTypeFlag) {
  GNT40Driver& driver = MakeDriver();
  PutDword(u"DuplexUnitInstalled", 1);
  PutString(u"AccessoryOutputBins", u"K5203");
  PutDword(u"DriverWorkSpace", 5000);  // outside the range 100-3200: ignored
  w32test::SetOemCodePage(1361);
  std::unique_ptr<GAttributeComposite> settings(driver.CreateDefaultSettings());
  MPersistentObject* options = Child(settings.get(), GFeatureIds::kInstallableOptions);
  EXPECT_EQ(Get(options, 308), 1);
  EXPECT_EQ(TextOf(options, 316), "K5203");
  EXPECT_EQ(Get(options, 307), 800);
  EXPECT_EQ(Get(driver.GetPrinterConfiguration(), GFeatureIds::kTrueTypeAsBitmap), 1);

  PutDword(u"DriverWorkSpace", 1600);
  w32test::SetOemCodePage(437);
  settings.reset(driver.CreateDefaultSettings());
  EXPECT_EQ(Get(Child(settings.get(), GFeatureIds::kInstallableOptions), 307), 1600);
  EXPECT_EQ(Get(driver.GetPrinterConfiguration(), GFeatureIds::kTrueTypeAsBitmap), 0);
}

TEST_F(GNT40DriverSettingsTest, SaveSettingsStoresTheGroupsAndHandsTheRestToTheDevMode) {
  GNT40Driver& driver = MakeDriver();
  ASSERT_EQ(driver.LoadDevMode(nullptr), 1);
  std::unique_ptr<GAttributeComposite> settings(driver.GetDocumentSettings());
  ASSERT_NE(settings, nullptr);
  const int32_t uiState = GFeatureIds::kUIState;
  settings->AddChild(Group(uiState, {Value(0x40000017, 2)}));
  GValueAttribute* copies = dynamic_cast<GValueAttribute*>(GSettingValue::Find(settings.get(), 291));
  ASSERT_NE(copies, nullptr);
  copies->SetValue(5);
  GSettingValue::Set(Child(settings.get(), GFeatureIds::kInstallableOptions), 308, 1);

  EXPECT_EQ(driver.SaveSettings(settings.get(), 1), 1);
  for (const char16_t* name : {u"365", u"366", u"368"}) EXPECT_TRUE(Data(name).has_value()) << Text16(RWWString(name)).size();
  // The DEVMODE keeps the document settings without the stored groups and
  // the UI state; the caller's settings get everything back.
  GAttributeComposite* kept = driver.GetDevModeSettings();
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(Get(kept, 291), 5);
  for (int32_t id : {GFeatureIds::kInstallableOptions, GFeatureIds::kDriverPreferences,
                     GFeatureIds::kExtensionRegistryGroup, GFeatureIds::kUIState}) {
    EXPECT_EQ(Child(kept, id), nullptr) << id;
    EXPECT_NE(Child(settings.get(), id), nullptr) << id;
  }

  // Read back: the stored groups join a copy of the DEVMODE's settings.
  std::unique_ptr<GAttributeComposite> again(driver.GetDocumentSettings());
  EXPECT_EQ(Get(again.get(), 291), 5);
  EXPECT_EQ(Get(Child(again.get(), GFeatureIds::kInstallableOptions), 308), 1);
  EXPECT_EQ(Child(again.get(), GFeatureIds::kUIState), nullptr);
}

TEST_F(GNT40DriverSettingsTest, MissingStoredGroupFallsBackToTheDefaults) {
  GNT40Driver& driver = MakeDriver();
  ASSERT_EQ(driver.LoadDevMode(nullptr), 1);
  std::unique_ptr<GAttributeComposite> settings(driver.GetDocumentSettings());
  GSettingValue::Set(settings.get(), 291, 9);
  ASSERT_EQ(driver.SaveSettings(settings.get(), 1), 1);
  w32test::WritePrinterData(kPrinter, u"368", REG_DWORD, {0, 0, 0, 0});  // damaged: no chunks
  std::unique_ptr<GAttributeComposite> read(driver.GetDocumentSettings());
  EXPECT_EQ(Get(read.get(), 291), 1);
}

TEST_F(GNT40DriverSettingsTest, StoredObjectOfAnotherKindIsNotAGroup) {
  GNT40Driver& driver = MakeDriver();
  std::unique_ptr<GValueAttribute> value(Value(365, 4));
  ASSERT_NE(factory_->StoreObject(&driver, RWWString(u"365"), value.get()), 0);
  const int32_t id = GFeatureIds::kInstallableOptions;
  EXPECT_EQ(driver.LoadSettingsGroup(&id), nullptr);
  std::unique_ptr<GAttributeComposite> group(Group(365, {Value(308, 1)}));
  ASSERT_EQ(driver.StoreSettingsGroup(group.get()), 1);
  std::unique_ptr<GAttributeComposite> loaded(driver.LoadSettingsGroup(&id));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(Get(loaded.get(), 308), 1);
}

TEST_F(GNT40DriverSettingsTest, PerUserWatermarkReplacesThePrinterOneOfTheSameName) {
  GNT40Driver& driver = MakeDriver();
  PutString(u"PrinterUUID", u"{1234}");
  ASSERT_EQ(driver.LoadDevMode(nullptr), 1);
  // The user's own pool: a "Draft" of another size and a record of its own.
  std::unique_ptr<GAttributeComposite> userPool(Group(378, {Watermark("Draft", 300), Watermark("Mine", 40)}));
  ASSERT_NE(factory_->StoreObject(&driver, driver.UserWatermarkPoolLocation(), userPool.get()), 0);
  EXPECT_EQ(Text16(driver.UserWatermarkPoolLocation()),
            u"???\\-2147483647\\Software\\Quorvale\\{1234}\\LocalWatermarkPoolData\\LocalWatermarkPool");

  driver.SetPerUserFlag(1);
  std::unique_ptr<GAttributeComposite> settings(driver.GetDocumentSettings());
  MPersistentObject* pool = GSettingValue::Find(Child(settings.get(), GFeatureIds::kDriverPreferences), 378);
  ASSERT_NE(pool, nullptr);
  std::map<std::string, std::pair<int32_t, int32_t>> records;  // name -> (size, origin)
  int count = 0;
  std::unique_ptr<MPersistentIterator> it(pool->CreateIterator());
  while (it->Advance()) {
    ++count;
    records[TextOf(it->Current(), 384)] = {Get(it->Current(), 385), Get(it->Current(), GFeatureIds::kWatermarkOrigin)};
  }
  EXPECT_EQ(count, 3);
  EXPECT_EQ(records["Confidential"], std::make_pair(90, 1));
  EXPECT_EQ(records["Draft"], std::make_pair(300, 2));
  EXPECT_EQ(records["Mine"], std::make_pair(40, 2));

  // Saving writes only the user's records back to the user's pool.
  ASSERT_EQ(driver.SaveSettings(settings.get(), 1), 1);
  std::unique_ptr<MPersistentObject> saved(factory_->LoadObject(&driver, driver.UserWatermarkPoolLocation(), 0));
  ASSERT_NE(saved, nullptr);
  EXPECT_EQ(saved->GetEntryCount(), 2);
  EXPECT_EQ(Get(saved.get(), 385), 300);
}

TEST_F(GNT40DriverSettingsTest, LoadDevModeReusesAnEqualDevModeAndTakesACallersOne) {
  GNT40Driver& driver = MakeDriver();
  ASSERT_EQ(driver.LoadDevMode(nullptr), 1);
  GNT40PrinterDevMode* first = driver.GetDevModeObject();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(driver.GetDevModeState(), -1);
  EXPECT_EQ(driver.IsDefaultsLoaded(), 1);

  std::vector<BYTE> image(Settings::kFullDevModeSize);
  ASSERT_EQ(first->CopyTo(reinterpret_cast<DEVMODEW*>(image.data())), 1);
  // The same DEVMODE again: nothing is rebuilt.
  EXPECT_EQ(driver.LoadDevMode(reinterpret_cast<DEVMODEW*>(image.data())), 1);
  EXPECT_EQ(driver.GetDevModeObject(), first);

  // A caller's DEVMODE with other copies: a new object holding them.
  auto* dm = reinterpret_cast<DEVMODEW*>(image.data());
  dm->dmCopies = 3;
  dm->dmFields |= DM_COPIES;
  EXPECT_EQ(driver.LoadDevMode(dm), 1);
  EXPECT_EQ(driver.IsDefaultsLoaded(), 0);
  EXPECT_EQ(Get(driver.GetDevModeSettings(), 291), 3);

  // Defaults twice: the second call only makes a fresh object and marks the
  // paper list for rebuilding.
  EXPECT_EQ(driver.LoadDevMode(nullptr), 1);
  driver.SetDevModeState(0);
  EXPECT_EQ(driver.LoadDevMode(nullptr), 1);
  EXPECT_EQ(driver.GetDevModeState(), Settings::kRebuildPaperList);
}

// A printer without a DEVMODE of its own: the fresh object of a second
// defaults load hands out the same DEVMODE as the first load, with its
// public fields and its settings, not the bare defaults with an empty
// settings area.
TEST_F(GNT40DriverSettingsTest, DefaultsLoadedAgainGiveTheSameDevMode) {
  GNT40Driver& driver = MakeDriver();
  auto handOut = [&] {
    std::vector<BYTE> image(Settings::kFullDevModeSize, 0xEE);
    EXPECT_EQ(driver.LoadDevMode(nullptr), 1);
    EXPECT_EQ(driver.GetDevModeObject()->CopyTo(reinterpret_cast<DEVMODEW*>(image.data())), 1);
    return image;
  };
  const std::vector<BYTE> first = handOut();
  const auto* dm = reinterpret_cast<const DEVMODEW*>(first.data());
  ASSERT_NE(dm->dmFields & DM_COPIES, 0u);
  ASSERT_GT(first[266] | (first[267] << 8), 0) << "the first load writes the settings";

  const std::vector<BYTE> second = handOut();
  EXPECT_EQ(driver.IsDefaultsLoaded(), 1);
  EXPECT_EQ(driver.GetDevModeState() & Settings::kRebuildPaperList, Settings::kRebuildPaperList);
  // The same DEVMODE, settings and all: the stored graph does not carry the
  // serial numbers the process gave the objects.
  EXPECT_EQ(first, second);
  EXPECT_EQ(Get(driver.GetDevModeSettings(), 291), 1);
  std::vector<BYTE> again = second;
  EXPECT_EQ(driver.LoadDevMode(reinterpret_cast<DEVMODEW*>(again.data())), 1);
  EXPECT_EQ(Get(driver.GetDevModeSettings(), 291), 1);
}

TEST_F(GNT40DriverSettingsTest, DevModeSizeFollowsTheApplicationFlags) {
  GNT40Driver& driver = MakeDriver();
  EXPECT_EQ(driver.GetDevModeSize(1), 1172);

  SetProcessAppFlags(0x100);
  w32test::SetProcessImagePath(u"C:\\APPS\\WRITER.EXE");  // another host: the flags are taken again
  driver.RefreshAppFlags();
  ASSERT_EQ(driver.GetAppFlags() & 0x100, 0x100u);
  // No "Printers\DevModes2" key: 220 and nothing written.
  EXPECT_EQ(driver.GetDevModeSize(1), 220);
  EXPECT_FALSE(w32test::RegistryKeyExists(HKEY_CURRENT_USER, u"Printers\\DevModes2"));

  // The user's stored DEVMODE is cut to its public part.
  std::vector<BYTE> stored(1172, 0x5A);
  stored[68] = 0xDC;  // dmSize 220
  stored[69] = 0;
  stored[70] = 0xB8;  // dmDriverExtra 952
  stored[71] = 0x03;
  w32test::SetRegistryValue(HKEY_CURRENT_USER, u"Printers\\DevModes2", kPrinter, REG_BINARY, stored);
  EXPECT_EQ(driver.GetDevModeSize(1), 220);
  auto read = w32test::ReadRegistryValue(HKEY_CURRENT_USER, u"Printers\\DevModes2", kPrinter);
  ASSERT_TRUE(read.has_value());
  const std::vector<BYTE>& after = read->data;
  ASSERT_EQ(after.size(), 220u);
  EXPECT_EQ(after[68] | (after[69] << 8), 220);
  EXPECT_EQ(after[70] | (after[71] << 8), 0);
}

TEST_F(GNT40DriverSettingsTest, EnableDevmodeAppflagCanClearTheFlags) {
  SetProcessAppFlags(0x40000 | 0x2);
  w32test::SetRegistryDword(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Quorvale\\QV FA Drivers", u"EnableDevmodeAppflag", 0);
  GNT40Driver& driver = MakeDriver();
  EXPECT_EQ(driver.GetAppFlags(), 0x2u);
  EXPECT_EQ(driver.GetDevModeSize(0), 1172);
  // HKCU is asked first and wins.
  w32test::SetRegistryDword(HKEY_CURRENT_USER, u"SOFTWARE\\Quorvale\\QV FA Drivers", u"EnableDevmodeAppflag", 1);
  EXPECT_EQ(GNT40DriverSettings::IsDevmodeAppflagEnabled(), 1);
}

TEST_F(GNT40DriverSettingsTest, PathsAndTheRemotePrinterQuery) {
  GNT40Driver& driver = MakeDriver();
  PutString(u"PrinterUUID", u"{AB}");
  EXPECT_EQ(Text16(driver.GetJobStorageKeyPath()), u"Software\\Quorvale\\{AB}\\LocalJobStorageData");
  driver.SetLocalJobStorage(1);
  EXPECT_EQ(factory_->ReadUserDword(driver.GetJobStorageKeyPath(), RWWString(u"LocalJobStorage"), 7), 1u);
  EXPECT_EQ(Text16(driver.GetResourceModulePath()), u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVRES.DLL");
  EXPECT_EQ(driver.IsRemotePrinter(), 0);

  w32test::PrinterSetup remote;
  remote.name = u"\\\\server\\Shared";
  remote.serverName = u"\\\\server";
  remote.driverName = kDriver;
  w32test::AddPrinter(remote);
  GNT40Driver connection(Open(u"\\\\server\\Shared"), RWWString(u"\\\\server\\Shared"), RWWString(kDriver),
                         RWWString(u""));
  EXPECT_EQ(connection.IsRemotePrinter(), 1);
}

}  // namespace
}  // namespace qvdrv
