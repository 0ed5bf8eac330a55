#include "config/GDMCClient.h"

#include <gtest/gtest.h>

#include "config/GConfigNumberHandlers.h"
#include "config/GConfigTableHandlers.h"
#include "config/GDMCHandlerFactory.h"
#include "config/GDMCLibrary.h"
#include "config/GNT40DMCClient.h"
#include "model/GFeatureIds.h"
#include "support/DriverInstanceTestSupport.h"
#include "model/GConfiguration.h"
#include "model/GPeripheral.h"
#include "model/MPersistentComposite.h"
#include "support/ConfigTestSupport.h"
#include "win32/Registry.h"
#include "win32/Version.h"
#include "w32test/Testing.h"

namespace {

using qvtest::FakeDMC;
using qvtest::MakeGroup;
using qvtest::SetDMCFeature;
using qvtest::ValueIn;
using qvtest::ValuesOf;

// The printer entry (76) of a device model, holding the printer
// configuration.
class TestPrinter : public GPeripheral {
 public:
  TestPrinter() : GPeripheral(&GFeatureIds::kDeviceEntry) {}
  TestPrinter* CreateSameKind() const override { return new TestPrinter; }
  TestPrinter* Clone() const override { return new TestPrinter; }
};

// Counts the settings applied to the device model.
class CountingInstance : public qvtest::TestDriverInstance {
 public:
  int ApplyDocumentSettings(GAttributeComposite* settings) override {
    applied.push_back(settings);
    return 1;
  }
  std::vector<GAttributeComposite*> applied;
};

// The machine key of a local printer.
const std::u16string kPrinters = u"System\\CurrentControlSet\\Control\\Print\\Printers";

class DMCClientTest : public qvtest::ConfigLibraryTest {
 protected:
  void SetUp() override {
    ConfigLibraryTest::SetUp();
    InstallLibrary();
    BuildSettings();
    auto* model = new MPersistentComposite(353);
    printer = new TestPrinter;
    model->AddChild(printer);
    instance.SetDeviceModel(model);
    factory->machineKeys.insert(kPrinters + u"\\Office");
  }
  void BuildSettings() {
    settings = std::make_unique<GAttributeComposite>();
    GAttributeComposite* job = MakeGroup(362, {{901, 0}, {265, 0}, {1029, 0}});
    const int32_t resolutionId = 249;
    auto* resolution = new GAttributeComposite(&resolutionId);
    for (int32_t id : {323, 324}) resolution->AddChild(new GValueAttribute(300, &id));
    job->AddChild(resolution);
    settings->AddChild(job);
    GAttributeComposite* job2 = MakeGroup(364, {{291, 1}, {264, 0}});
    const int32_t mediaId = 261;
    job2->AddChild(new GStringAttribute("Plain", &mediaId));
    settings->AddChild(job2);
    settings->AddChild(MakeGroup(365, {{308, 0}, {310, 0}, {925, 16}}));
  }
  void SetAutoConfigurationState(int16_t state) {
    GConfiguration* configuration = printer->GetConfiguration();
    ASSERT_NE(configuration, nullptr);
    configuration->AddChild(MakeGroup(228, {{313, state}}));
  }
  GStringAttribute* Media() { return dynamic_cast<GStringAttribute*>(settings->FindById(364)->FindById(261)); }
  int16_t X() { return ValueIn(settings.get(), 249, 323)->GetValue(); }
  int16_t Y() { return ValueIn(settings.get(), 249, 324)->GetValue(); }
  std::u16string PrinterString(const std::u16string& name) {
    auto it = factory->printerStrings.find(name);
    return it != factory->printerStrings.end() ? it->second : u"<unset>";
  }
  long Count(const std::string& entry) { return std::count(FakeDMC().calls.begin(), FakeDMC().calls.end(), entry); }

  std::unique_ptr<GAttributeComposite> settings;
  CountingInstance instance;
  TestPrinter* printer = nullptr;
};

TEST_F(DMCClientTest, ConnectionNamesAreCutAndSplit) {
  struct Case {
    std::u16string name;
    std::u16string connection, registry, printerPart, shortName, fullName;
  } cases[] = {
      {u"\\\\server\\Office,Ne00:", u"\\\\server\\Office", u",,server,Office", u"Office", u"Office",
       u"\\\\server\\Office"},
      {u"Office", u"Office", u"Office", u"Office", u"Office", u"Office"},
      {u"Office,LPT1", u"Office", u"Office", u"Office", u"Office", u"Office"},
      {u"A,B,C", u"A,B", u"A,B", u"A,B", u"A,B", u"A,B"},
      {u"\\\\s\\", u"\\\\s\\", u",,s,", u"", u"", u"\\\\s\\"},
      {u"", u"", u"", u"", u"", u""},
  };
  for (const Case& c : cases) {
    GNT40DMCClient client(settings.get(), &instance);
    client.SetConnectionName(RWWString(c.name.c_str()));
    EXPECT_EQ(qvtest::Text(client.GetConnectionName()), c.connection);
    EXPECT_EQ(qvtest::Text(client.GetRegistryName()), c.registry);
    EXPECT_EQ(qvtest::Text(client.GetPrinterPart()), c.printerPart);
    EXPECT_EQ(qvtest::Text(client.GetShortName()), c.shortName);
    EXPECT_EQ(qvtest::Text(client.GetFullName()), c.fullName);
  }
}

TEST_F(DMCClientTest, StaleRulesFollowTheUpdateType) {
  struct Case {
    const char* what;
    std::u16string name;
    int type;
    std::set<std::u16string> machineKeys, userKeys;
    std::map<std::u16string, std::u16string> machineValues, userValues;
    int stale;
    std::u16string connection;
  } cases[] = {
      {"printer key, TRUE", u"\\\\srv\\Office", 0, {kPrinters + u"\\Office"}, {},
       {{kPrinters + u"\\Office\\PrinterDriverData|Stale", u"TRUE"}}, {}, 1, u"Office"},
      {"printer key, lower-case true", u"\\\\srv\\Office", 1, {kPrinters + u"\\Office"}, {},
       {{kPrinters + u"\\Office\\PrinterDriverData|Stale", u"true"}}, {}, 0, u"Office"},
      {"printer key, no value", u"Office", 0, {kPrinters + u"\\Office"}, {}, {}, {}, 0, u"Office"},
      {"connection key", u"\\\\srv\\Office", 0, {kPrinters + u"\\,,srv,Office"}, {},
       {{kPrinters + u"\\,,srv,Office\\PrinterDriverData|Stale", u"TRUE"}}, {}, 1, u"\\\\srv\\Office"},
      {"connection key, FALSE", u"\\\\srv\\Office,x", 0, {kPrinters + u"\\,,srv,Office"}, {}, {}, {}, 0,
       u"\\\\srv\\Office"},
      {"no key", u"\\\\srv\\Office", 0, {}, {}, {}, {}, 1, u"\\\\srv\\Office"},
      {"user connection", u"\\\\srv\\Office", 2, {}, {u"Printers\\Connections\\,,srv,Office"}, {},
       {{u"Printers\\Connections\\,,srv,Office|Stale", u"TRUE"}}, 1, u"\\\\srv\\Office"},
      {"user connection, not stale", u"\\\\srv\\Office", 2, {}, {u"Printers\\Connections\\,,srv,Office"}, {}, {}, 0,
       u"\\\\srv\\Office"},
      {"no user connection", u"\\\\srv\\Office", 2, {kPrinters + u"\\Office"}, {}, {}, {}, 1, u"\\\\srv\\Office"},
      {"other type", u"Office", 7, {}, {}, {}, {}, 0, u"Office"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    factory->machineKeys = c.machineKeys;
    factory->userKeys = c.userKeys;
    factory->machineValues = c.machineValues;
    factory->userValues = c.userValues;
    struct Probe : GNT40DMCClient {
      using GNT40DMCClient::GNT40DMCClient;
      void SetType(int type) { updateType_ = type; }
    } client(settings.get(), &instance);
    client.SetType(c.type);
    client.SetConnectionName(RWWString(c.name.c_str()));
    EXPECT_EQ(client.IsStale(), c.stale);
    EXPECT_EQ(qvtest::Text(client.GetConnectionName()), c.connection);
  }
}

TEST_F(DMCClientTest, DerivedResolutionFollowsQualityFirstPageAndMedia) {
  struct Case {
    int16_t quality;
    const char* media;
    int16_t differentFirstPage;
    int16_t dpi;
    int16_t photo;
  } cases[] = {
      {1, "Plain", 0, 600, 0},  {0, "Plain", 0, 300, 0},        {0, "Bond", 0, 600, 0},   {-1, "Bond", 0, 300, 0},
      {-1, "Plain", 1, 600, 0}, {0, "Plain", 1, 600, 0},        {2, "", 0, 600, 0},       {0, "Photo Glossy", 0, 600, 1},
      {-1, "Photo Film", 0, 300, 1}, {0, "photo glossy", 0, 600, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.media);
    ValueIn(settings.get(), 362, 901)->SetValue(c.quality);
    ValueIn(settings.get(), 362, 1029)->SetValue(0);
    ValueIn(settings.get(), 364, 264)->SetValue(c.differentFirstPage);
    Media()->SetString(c.media);
    GNT40DMCClient client(settings.get(), &instance);
    client.DeriveResolution();
    EXPECT_EQ(X(), c.dpi);
    EXPECT_EQ(Y(), c.dpi);
    EXPECT_EQ(ValueIn(settings.get(), 362, 1029)->GetValue(), c.photo);
    std::vector<std::pair<int32_t, int16_t>> expected;
    if (c.photo) expected.emplace_back(1029, 1);
    expected.emplace_back(323, c.dpi);
    expected.emplace_back(324, c.dpi);
    EXPECT_EQ(ValuesOf(client.GetChangeList()), expected);
  }
}

TEST_F(DMCClientTest, DerivedResolutionNeedsEveryAttribute) {
  for (int32_t missing : {901, 249, 261, 323}) {
    BuildSettings();
    delete settings->RemoveChildById(missing);
    GNT40DMCClient client(settings.get(), &instance);
    client.DeriveResolution();
    EXPECT_EQ(client.GetChangeList()->GetEntryCount(), 0) << missing;
  }
}

TEST_F(DMCClientTest, FactoryComparesNamesExactly) {
  GNT40DMCClient client(settings.get(), &instance);
  struct Case {
    const WCHAR* name;
    bool (*is)(GConfigFeatureHandler*);
  } cases[] = {
      {u"DuplexUnit", [](GConfigFeatureHandler* h) { return dynamic_cast<GDuplexUnitHandler*>(h) != nullptr; }},
      {u"JobRetention", [](GConfigFeatureHandler* h) { return dynamic_cast<GJobRetentionHandler*>(h) != nullptr; }},
      {u"JobRetentionAvailable",
       [](GConfigFeatureHandler* h) { return dynamic_cast<GJobRetentionAvailableHandler*>(h) != nullptr; }},
      {u"ScaleChoice", [](GConfigFeatureHandler* h) { return dynamic_cast<GScaleChoiceHandler*>(h) != nullptr; }},
      {u"ScalePageChoice",
       [](GConfigFeatureHandler* h) { return dynamic_cast<GScalePageChoiceHandler*>(h) != nullptr; }},
      {u"duplex", [](GConfigFeatureHandler* h) { return h == nullptr; }},
      {u"duplexunit", [](GConfigFeatureHandler* h) { return h == nullptr; }},
      {u"Copies ", [](GConfigFeatureHandler* h) { return h == nullptr; }},
      {u"", [](GConfigFeatureHandler* h) { return h == nullptr; }},
  };
  for (const Case& c : cases) {
    std::unique_ptr<GConfigFeatureHandler> handler(client.CreateHandler(c.name));
    EXPECT_TRUE(c.is(handler.get())) << qvtest::Text(RWWString(c.name)).size();
    if (handler != nullptr) {
      EXPECT_EQ(handler->GetLibrary(), client.GetLibrary());
    }
  }
  // Every row has a creator that makes a handler; the names are unique.
  size_t count = 0;
  const GConfigHandlerEntry* entries = ConfigHandlerEntries(&count);
  EXPECT_EQ(count, 55u);
  std::set<std::u16string> names;
  for (size_t i = 0; i < count; ++i) {
    names.insert(entries[i].name);
    std::unique_ptr<GConfigFeatureHandler> handler(client.CreateHandler(entries[i].name));
    EXPECT_NE(entries[i].create, nullptr) << i;
    EXPECT_NE(handler, nullptr) << i;
  }
  EXPECT_EQ(names.size(), count);
}

// ---- The update ----

class DMCUpdateTest : public DMCClientTest {
 protected:
  void SetUp() override {
    DMCClientTest::SetUp();
    SetDMCFeature(u"physical/DuplexUnit", u"Installed");
    SetDMCFeature(u"printing/Copies", u"3");
    SetDMCFeature(u"printing/Orientation", u"Landscape");
    SetDMCFeature(u"factory/physical/DuplexUnit", u"NotInstalled");
    SetDMCFeature(u"factory/printing/Orientation", u"Portrait");
  }
};

TEST_F(DMCUpdateTest, MachineUpdateImportsOptionsThenJobDefaultsAndStampsTheDate) {
  int result = 0;
  {
    GNT40DMCClient client(settings.get(), &instance);
    result = client.Update(RWWString(u"Office"), 0);
    EXPECT_EQ(client.IsPhysicalChanged(), 1);
    EXPECT_EQ(client.IsPrintingChanged(), 1);
  }
  EXPECT_EQ(result, 1);
  EXPECT_EQ(FakeDMC().startConfig, (std::vector<std::u16string>{u"Office"}));
  EXPECT_EQ(FakeDMC().startConfigTypes, (std::vector<int>{0}));
  EXPECT_EQ(ValueIn(settings.get(), 365, 308)->GetValue(), 1);
  EXPECT_EQ(ValueIn(settings.get(), 364, 291)->GetValue(), 3);
  EXPECT_EQ(ValueIn(settings.get(), 362, 265)->GetValue(), 90);
  EXPECT_EQ(instance.applied, (std::vector<GAttributeComposite*>{settings.get()}));
  EXPECT_EQ(PrinterString(u"LastUpdateType"), u"Admin");
  EXPECT_EQ(PrinterString(u"DMCLastUpdate"), u"03/ 07/ 2026");
  EXPECT_EQ(FakeDMC().calls.back(), "DMCEndConfig");
  // The resolution follows (quality 0, plain paper) and the job changes are
  // stored as the quick sets when the client goes.
  EXPECT_EQ(X(), 300);
  ASSERT_EQ(factory->blobWrites, (std::vector<std::u16string>{u"DMCQuickset"}));
  std::unique_ptr<MPersistentObject> stored(factory->LoadObject(&instance, RWWString(u"DMCQuickset"), 0));
  auto* quickSets = dynamic_cast<GAttributeComposite*>(stored.get());
  ASSERT_NE(quickSets, nullptr);
  EXPECT_EQ(quickSets->FeatureId(), 1101);
  EXPECT_EQ(ValuesOf(quickSets), (std::vector<std::pair<int32_t, int16_t>>{
                                     {308, 1}, {291, 3}, {265, 90}, {323, 300}, {324, 300}}));
}

TEST_F(DMCUpdateTest, QuickSetsAreStoredOnlyAfterJobChanges) {
  FakeDMC().features.erase(FakeDMC().features.begin() + 1, FakeDMC().features.begin() + 3);
  SetDMCFeature(u"printing/Unknown", u"x");
  {
    GNT40DMCClient client(settings.get(), &instance);
    EXPECT_EQ(client.Update(RWWString(u"Office"), 0), 1);
    EXPECT_EQ(client.IsPrintingChanged(), 0);
  }
  EXPECT_TRUE(factory->blobWrites.empty());
  EXPECT_EQ(PrinterString(u"DMCLastUpdate"), u"03/ 07/ 2026");
}

TEST_F(DMCUpdateTest, AnImportThatChangedNothingStampsAnError) {
  FakeDMC().features.clear();
  SetDMCFeature(u"physical/Unknown", u"x");
  SetDMCFeature(u"printing/Copies", u"0");  // refused
  GNT40DMCClient client(settings.get(), &instance);
  EXPECT_EQ(client.Update(RWWString(u"Office"), 0), 1);
  EXPECT_EQ(PrinterString(u"DMCLastUpdate"), u"ERROR");
  EXPECT_TRUE(instance.applied.empty());
  EXPECT_EQ(PrinterString(u"LastUpdateType"), u"<unset>");
}

TEST_F(DMCUpdateTest, AutoConfiguredPrinterTakesOnlyTheJobDefaults) {
  SetAutoConfigurationState(2);
  GNT40DMCClient client(settings.get(), &instance);
  EXPECT_EQ(client.IsAutoConfigured(), 1);
  EXPECT_EQ(client.Update(RWWString(u"Office"), 0), 1);
  EXPECT_EQ(ValueIn(settings.get(), 365, 308)->GetValue(), 0);
  EXPECT_EQ(ValueIn(settings.get(), 364, 291)->GetValue(), 3);
}

TEST_F(DMCUpdateTest, AutoConfigurationInAnotherStateIsNotAutoConfigured) {
  SetAutoConfigurationState(1);
  GNT40DMCClient client(settings.get(), &instance);
  EXPECT_EQ(client.IsAutoConfigured(), 0);
  qvtest::TestDriverInstance bare;
  GNT40DMCClient withoutModel(settings.get(), &bare);
  EXPECT_EQ(withoutModel.IsAutoConfigured(), 0);
}

TEST_F(DMCUpdateTest, UnlistablePhysicalContextStopsBeforeTheJobDefaults) {
  FakeDMC().unknownContexts = {u"physical"};
  GNT40DMCClient client(settings.get(), &instance);
  EXPECT_EQ(client.Update(RWWString(u"Office"), 0), 0);
  EXPECT_EQ(ValueIn(settings.get(), 364, 291)->GetValue(), 1);
  // A failed run is not stamped, but the run is ended.
  EXPECT_EQ(PrinterString(u"DMCLastUpdate"), u"<unset>");
  EXPECT_EQ(Count("DMCEndConfig"), 1);
}

TEST_F(DMCUpdateTest, PhysicalListMustAnswerOneWhilePrintingTakesAnyNonZero) {
  FakeDMC().enumFeaturesResult = 2;
  GNT40DMCClient client(settings.get(), &instance);
  EXPECT_EQ(client.ImportPhysical(), 0);
  EXPECT_EQ(client.ExportContext(RWWString(u"factory/physical")), 0);
  EXPECT_EQ(client.ImportPrinting(), 1);
  EXPECT_EQ(ValueIn(settings.get(), 364, 291)->GetValue(), 3);
}

TEST_F(DMCUpdateTest, UserConnectionUpdateSkipsTheOldFamily) {
  factory->userKeys.insert(u"Printers\\Connections\\,,srv,Office");
  {
    // NT 4.0 (the stand-in's default) is of the family that is skipped.
    w32test::SetRegistryString(HKEY_LOCAL_MACHINE, u"SYSTEM\\CurrentControlSet\\Control\\ProductOptions",
                               u"ProductType", u"WinNT");
    ASSERT_EQ(factory->GetOSVersion().GetFamilyCode(), 4);
    GNT40DMCClient client(settings.get(), &instance);
    EXPECT_EQ(client.Update(RWWString(u"\\\\srv\\Office"), 2), 0);
    EXPECT_EQ(ValueIn(settings.get(), 364, 291)->GetValue(), 1);
  }
  w32test::OsVersion windows98;
  windows98.platformId = VER_PLATFORM_WIN32_WINDOWS;
  windows98.minor = 10;
  windows98.build = 1998;
  w32test::SetOsVersion(windows98);
  ASSERT_EQ(factory->GetOSVersion().GetFamilyCode(), 0);
  {
    GNT40DMCClient client(settings.get(), &instance);
    EXPECT_EQ(client.Update(RWWString(u"\\\\srv\\Office"), 2), 1);
    EXPECT_EQ(ValueIn(settings.get(), 364, 291)->GetValue(), 3);
    EXPECT_EQ(ValueIn(settings.get(), 365, 308)->GetValue(), 0);
  }
  EXPECT_EQ(FakeDMC().startConfig.back(), u"\\\\srv\\Office");
  EXPECT_EQ(FakeDMC().startConfigTypes.back(), 2);
}

TEST_F(DMCUpdateTest, OtherModesImportNothing) {
  GNT40DMCClient client(settings.get(), &instance);
  EXPECT_EQ(client.Update(RWWString(u"Office"), 1), 0);
  EXPECT_EQ(Count("DMCEnumFeatures"), 0);
  EXPECT_EQ(Count("DMCEndConfig"), 1);
}

TEST_F(DMCUpdateTest, MissingLibraryOrStalePrinterStampsAnError) {
  {
    factory->machineValues[kPrinters + u"\\Office\\PrinterDriverData|Stale"] = u"TRUE";
    GNT40DMCClient client(settings.get(), &instance);
    EXPECT_EQ(client.Update(RWWString(u"Office"), 0), 0);
    EXPECT_EQ(PrinterString(u"DMCLastUpdate"), u"ERROR");
    EXPECT_EQ(Count("DMCStartConfig"), 0);
  }
  factory->printerStrings.clear();
  w32test::RemoveModule(u"C:\\Drivers\\QVCDMC32.dll");
  {
    GNT40DMCClient client(settings.get(), &instance);
    EXPECT_EQ(client.Update(RWWString(u"Office"), 0), 0);
    EXPECT_EQ(PrinterString(u"DMCLastUpdate"), u"ERROR");
    EXPECT_EQ(client.ImportPhysical(), 0);
    EXPECT_EQ(client.ImportPrinting(), 0);
    EXPECT_EQ(client.ExportContext(RWWString(u"factory/printing")), 0);
    EXPECT_EQ(client.RestoreFactory(RWWString(u"Office")), 0);
  }
}

TEST_F(DMCUpdateTest, RefusedRunIsNeitherStampedNorEnded) {
  FakeDMC().startConfigResult = 0;
  GNT40DMCClient client(settings.get(), &instance);
  EXPECT_EQ(client.Update(RWWString(u"Office"), 0), 0);
  EXPECT_TRUE(factory->printerStrings.empty());
  EXPECT_EQ(FakeDMC().calls, (std::vector<std::string>{"DMCStartConfig"}));
}

TEST_F(DMCUpdateTest, LaterFeatureOfTheSameAttributeWins) {
  FakeDMC().features.clear();
  SetDMCFeature(u"physical/DeviceIsPlurex", u"Installed");
  SetDMCFeature(u"physical/CollationUnit", u"FALSE");
  {
    GNT40DMCClient client(settings.get(), &instance);
    EXPECT_EQ(client.ImportPhysical(), 1);
  }
  EXPECT_EQ(ValueIn(settings.get(), 365, 310)->GetValue(), 0);
  FakeDMC().features.clear();
  SetDMCFeature(u"physical/CollationUnit", u"FALSE");
  SetDMCFeature(u"physical/DeviceIsPlurex", u"Installed");
  {
    GNT40DMCClient client(settings.get(), &instance);
    EXPECT_EQ(client.ImportPhysical(), 1);
  }
  EXPECT_EQ(ValueIn(settings.get(), 365, 310)->GetValue(), 1);
}

TEST_F(DMCUpdateTest, WalkBuffersHaveTheirDocumentedSizes) {
  GNT40DMCClient client(settings.get(), &instance);
  EXPECT_EQ(client.ImportPrinting(), 1);
  bool sawList = false;
  bool sawToken = false;
  for (const auto& seen : FakeDMC().buffers) {
    if (seen.entry == "DMCEnumFeatures") {
      sawList = true;
      EXPECT_EQ(seen.capacityUnits, 1024u);  // 2048 bytes
      EXPECT_TRUE(seen.blankFilled);
    }
    if (seen.entry == "DMCEnumListToken") {
      sawToken = true;
      EXPECT_EQ(seen.capacityUnits, 255u);  // 510 bytes
      EXPECT_TRUE(seen.blankFilled);
    }
  }
  EXPECT_TRUE(sawList);
  EXPECT_TRUE(sawToken);
}

TEST_F(DMCUpdateTest, AListThatNeverEndsIsCut) {
  FakeDMC().endlessTokens = true;
  GNT40DMCClient client(settings.get(), &instance);
  EXPECT_EQ(client.ImportPrinting(), 1);
  EXPECT_EQ(Count("DMCEnumListToken"), GDMCClient::kMaxFeaturesPerWalk);
}

TEST_F(DMCUpdateTest, AnswersWithoutTerminatorsAreBounded) {
  FakeDMC().noTerminators = true;
  GNT40DMCClient client(settings.get(), &instance);
  EXPECT_EQ(client.Update(RWWString(u"Office"), 0), 1);
}

TEST_F(DMCUpdateTest, RestoreFactoryExportsBothFactoryContexts) {
  ValueIn(settings.get(), 365, 308)->SetValue(1);
  ValueIn(settings.get(), 362, 265)->SetValue(180);
  GNT40DMCClient client(settings.get(), &instance);
  EXPECT_EQ(client.RestoreFactory(RWWString(u"Office")), 1);
  EXPECT_EQ(FakeDMC().startExport, (std::vector<std::u16string>{u"Office"}));
  EXPECT_EQ(Exports(), (std::vector<std::u16string>{u"physical/duplexunit=Installed",
                                                    u"printing/Orientation=RotatedPortrait"}));
  EXPECT_EQ(FakeDMC().calls.back(), "DMCEndExport");
  // Exports change no setting and store no quick sets.
  EXPECT_EQ(client.IsPrintingChanged(), 0);
}

TEST_F(DMCUpdateTest, RestoreFactoryStopsWhenThePhysicalContextFails) {
  FakeDMC().unknownContexts = {u"factory/physical"};
  GNT40DMCClient client(settings.get(), &instance);
  EXPECT_EQ(client.RestoreFactory(RWWString(u"Office")), 0);
  EXPECT_TRUE(FakeDMC().exports.empty());
  EXPECT_EQ(Count("DMCEndExport"), 1);

  FakeDMC().calls.clear();
  FakeDMC().startExportResult = 0;
  EXPECT_EQ(client.RestoreFactory(RWWString(u"Office")), 0);
  EXPECT_EQ(FakeDMC().calls, (std::vector<std::string>{"DMCStartExport"}));
}

TEST_F(DMCUpdateTest, UnreadableClockLeavesTheDateEmpty) {
  factory->clockWorks = false;
  GNT40DMCClient client(settings.get(), &instance);
  EXPECT_EQ(client.Update(RWWString(u"Office"), 0), 1);
  EXPECT_EQ(PrinterString(u"DMCLastUpdate"), u"");
}

TEST_F(DMCUpdateTest, FailedQuickSetStoreIsReported) {
  factory->failBlobWrite = true;
  GNT40DMCClient client(settings.get(), &instance);
  EXPECT_EQ(client.SaveQuickSets(nullptr), 1);
  EXPECT_EQ(client.SaveQuickSets(client.GetChangeList()), 0);
  factory->failBlobWrite = false;
  EXPECT_EQ(client.SaveQuickSets(client.GetChangeList()), 1);
}

}  // namespace
