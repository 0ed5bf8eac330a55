#include "config/GMediaHandlers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "config/GDMCClient.h"
#include "config/GDMCHandlerFactory.h"
#include "config/GDMCLibrary.h"
#include "support/DriverInstanceTestSupport.h"
#include "model/GConfiguration.h"
#include "model/GCountedPtr.h"
#include "model/GPaperHandlingDevice.h"
#include "model/GPeripheral.h"
#include "model/GTray.h"
#include "model/MPersistentComposite.h"
#include "support/ConfigTestSupport.h"

namespace {

using qvtest::FakeDMC;
using qvtest::MakeGroup;
using qvtest::SetDMCFeature;
using qvtest::ValueIn;
using qvtest::ValuesOf;

// The printer entry (76) of a device model, holding the printer
// configuration with the paper-handling devices.
class MediaHandlersTestPrinter : public GPeripheral {
 public:
  MediaHandlersTestPrinter() : GPeripheral(&kId) {}
  MediaHandlersTestPrinter* CreateSameKind() const override { return new MediaHandlersTestPrinter; }
  MediaHandlersTestPrinter* Clone() const override { return new MediaHandlersTestPrinter; }
  static constexpr int32_t kId = 76;
};

// A driver instance whose custom sizes resolve to a standard paper.
class PaperInstance : public qvtest::TestDriverInstance {
 public:
  int16_t ResolvePaperId(GAttributeComposite* settings, int16_t paperId) override {
    resolved.emplace_back(settings, paperId);
    return paperId == 16385 ? 9 : paperId;
  }
  std::vector<std::pair<GAttributeComposite*, int16_t>> resolved;
};

struct TrayDef {
  const char* name;
  int16_t number;
};

constexpr const char16_t* kMediaPath = u"printing/MediaType";
constexpr const char16_t* kMediaRestPath = u"printing/UseDiffFirstPageChoice/MediaTypeRest";
constexpr const char16_t* kBackCoverMediaPath =
    u"printing/UseDiffFirstPageChoice/BackCoverChoice/BackCoverMediaTypeSetting";
constexpr const char16_t* kInputBinPath = u"printing/InputBin";
constexpr const char16_t* kInputBinRestPath = u"printing/UseDiffFirstPageChoice/InputBinRest";
constexpr const char16_t* kBackCoverTrayPath = u"printing/UseDiffFirstPageChoice/BackCoverChoice/BackCoverTrayChoice";
constexpr const char16_t* kPaperPath = u"printing/PaperSize";
constexpr const char16_t* kTargetPath = u"printing/FitToOtherSizeChoice/TargetSizeChoice";
constexpr const char16_t* kDiffPath = u"printing/UseDiffFirstPageChoice";
constexpr const char16_t* kBackCoverPath = u"printing/UseDiffFirstPageChoice/BackCoverChoice";
constexpr const char16_t* kFitPath = u"printing/FitToOtherSizeChoice";

constexpr int16_t kMediaHandlersUntouched = 12345;

class MediaHandlersTest : public qvtest::ConfigLibraryTest {
 protected:
  void SetUp() override {
    ConfigLibraryTest::SetUp();
    InstallLibrary();
    library = std::make_unique<GDMCLibrary>();
    const int32_t changesId = 1101;
    changes = std::make_unique<GAttributeComposite>(&changesId);
    settings = std::make_unique<GAttributeComposite>();
    GAttributeComposite* job = MakeGroup(362, {{260, kMediaHandlersUntouched}, {272, kMediaHandlersUntouched}, {920, 0}, {270, 0}, {921, 0}});
    AddString(job, 973, "Untouched");
    settings->AddChild(job);
    GAttributeComposite* job2 = MakeGroup(364, {{264, 1}, {258, kMediaHandlersUntouched}, {263, kMediaHandlersUntouched}});
    AddString(job2, 261, "Untouched");
    AddString(job2, 262, "Untouched");
    settings->AddChild(job2);
    GAttributeComposite* preferences = MakeGroup(366);
    preferences->AddChild(MakeGroup(1102));
    settings->AddChild(preferences);

    auto* model = new MPersistentComposite(353);
    printer = new MediaHandlersTestPrinter;
    model->AddChild(printer);
    instance.SetDeviceModel(model);
    const int32_t devicesId = 90;
    devices = new GAttributeComposite(&devicesId);
    printer->GetConfiguration()->AddChild(devices);
  }

  static void AddString(GAttributeComposite* group, int32_t id, const char* text) {
    group->AddChild(new GStringAttribute(text, &id));
  }
  // A paper-handling device with one option holding the trays.
  void AddDevice(int32_t kind, int32_t installed, const std::vector<TrayDef>& trays) {
    const int32_t noId = 0;
    auto* device = new GPaperHandlingDevice(RWCString("Unit"), kind, 1, installed, 0, 0, &noId);
    auto* option = new GAttributeComposite;
    for (const TrayDef& t : trays) option->AddChild(new GTray(t.name, t.number, &noId));
    device->SetOption(1, GCountedPtr(option));
    devices->AddChild(device);
  }
  std::string Text(int32_t id) {
    auto* s = dynamic_cast<GStringAttribute*>(settings->FindById(id));
    return s != nullptr ? std::string(s->GetString().Data(), s->GetString().Length()) : "<missing>";
  }
  int16_t Value(int32_t id) {
    auto* v = dynamic_cast<GValueAttribute*>(settings->FindById(id));
    return v != nullptr ? v->GetValue() : int16_t(-32768);
  }
  void SetValue(int32_t id, int16_t value) { dynamic_cast<GValueAttribute*>(settings->FindById(id))->SetValue(value); }
  void SetText(int32_t id, const char* text) { dynamic_cast<GStringAttribute*>(settings->FindById(id))->SetString(text); }
  // Feature ids of the change list, in order.
  std::vector<int32_t> ChangedIds() {
    std::vector<int32_t> ids;
    for (int i = 0; i < changes->GetEntryCount(); ++i) ids.push_back(changes->ChildAt(i)->FeatureId());
    return ids;
  }
  std::vector<std::pair<int32_t, int16_t>> Locked() {
    return ValuesOf(dynamic_cast<GAttributeComposite*>(settings->FindById(1102)));
  }
  static std::vector<std::u16string> Exports() { return ConfigLibraryTest::Exports(); }
  void ClearRecords() {
    changes->RemoveAllChildren();
    FakeDMC().exports.clear();
    FakeDMC().calls.clear();
    FakeDMC().buffers.clear();
  }

  std::unique_ptr<GDMCLibrary> library;
  std::unique_ptr<GAttributeComposite> changes;
  std::unique_ptr<GAttributeComposite> settings;
  PaperInstance instance;
  MediaHandlersTestPrinter* printer = nullptr;
  GAttributeComposite* devices = nullptr;
};

// ---- Media type ----

// The rows of the media table whose names are fixed, as {option, media name}.
const std::vector<std::pair<std::u16string, std::string>>& FixedMediaRows() {
  static const std::vector<std::pair<std::u16string, std::string>> rows = {
      {u"AUTO", ""},
      {u"PLAIN", "Plain"},
      {u"PREPRINTED", "Preprinted"},
      {u"LETTERHEAD", "Letterhead"},
      {u"TRANSPARENCY", "Transparency"},
      {u"PREPUNCHED", "Prepunched"},
      {u"LABELS", "Labels"},
      {u"BOND", "Bond"},
      {u"RECYCLED", "Recycled"},
      {u"COLOR", "Color"},
      {u"CARDSTOCK_GP", "Card Stock"},
      {u"CARDSTOCK", "Card Stock"},
      {u"ROUGH", "Rough"},
      {u"HEAVY_GP", "Heavy"},
      {u"LIGHT_GP", "Light"},
      {u"GLOSS", "Gloss"},
      {u"HEAVY", "Heavy"},
      {u"LIGHT", "Light"},
      {u"HEAVY_GLOSSY", "Heavy Gloss"},
      {u"NON_QV_HEAVY_GLOSSY", "NQV Heavy Gloss"},
      {u"HEAVY_GLOSSY_GP", "Heavy Gloss"},
      {u"GLOSSY_FILM", "Gloss Film"},
      {u"28_LB_TYPE1", "Type28lb1"},
      {u"28_LB_TYPE2", "Type28lb2"},
      {u"ENVELOPE", "Envelope"},
      {u"GLOSSY(75_105GM2)", "Gloss"},
  };
  return rows;
}

TEST_F(MediaHandlersTest, EveryMediaOptionImportsItsNameAndEveryNameExportsItsFirstOption) {
  // The exported option of a name is the first fixed row holding it.
  const std::vector<std::pair<std::string, std::u16string>> exported = {
      {"Card Stock", u"CARDSTOCK_GP"}, {"Heavy", u"HEAVY_GP"}, {"Light", u"LIGHT_GP"},
      {"Heavy Gloss", u"HEAVY_GLOSSY"}, {"Gloss", u"GLOSS"}};
  for (const auto& [option, name] : FixedMediaRows()) {
    SCOPED_TRACE(std::string(option.begin(), option.end()));
    ClearRecords();
    SetText(261, "Untouched");
    SetDMCFeature(kMediaPath, option);
    GMediaTypeHandler handler(library.get(), 0);
    ASSERT_EQ(handler.Import(settings.get(), changes.get()), 1);
    EXPECT_EQ(Text(261), name);
    EXPECT_EQ(ChangedIds(), std::vector<int32_t>{261});
    EXPECT_EQ(FakeDMC().buffers[0].capacityUnits, 255u);

    FakeDMC().exports.clear();
    ASSERT_EQ(handler.Export(settings.get()), 1);
    std::u16string expected = option;
    for (const auto& [n, o] : exported)
      if (n == name) expected = o;
    EXPECT_EQ(Exports(), std::vector<std::u16string>{std::u16string(kMediaPath) + u"=" + expected});
  }
}

TEST_F(MediaHandlersTest, MediaTableHasItsFortySevenRowsAndTheClientsPhotoPapers) {
  GMediaTypeHandler handler(library.get(), 0);
  EXPECT_EQ(handler.GetOptionCount(), 47);
  // The fixed rows stand at their places.
  EXPECT_EQ(std::u16string(GMediaTypeHandler::kRows[11].option), u"PREPRINTED");
  EXPECT_EQ(std::u16string(GMediaTypeHandler::kRows[36].option), u"HEAVY_GLOSSY");
  // Each of the photo papers the client knows imports from one option.
  for (const char* photo : GDMCClient::kPhotoMediaNames) {
    SCOPED_TRACE(photo);
    const GMediaRow* row = std::find_if(std::begin(GMediaTypeHandler::kRows), std::end(GMediaTypeHandler::kRows),
                                        [&](const GMediaRow& r) { return std::string(r.mediaName) == photo; });
    ASSERT_NE(row, std::end(GMediaTypeHandler::kRows));
    SetDMCFeature(kMediaPath, row->option);
    EXPECT_EQ(handler.Import(settings.get(), changes.get()), 1);
    EXPECT_EQ(Text(261), photo);
  }
  // Every option text is unique up to the two repeated rows of the table.
  std::set<std::u16string> options;
  for (const GMediaRow& r : GMediaTypeHandler::kRows) options.insert(r.option);
  EXPECT_EQ(options.size(), 45u);
}

TEST_F(MediaHandlersTest, EachModeReadsItsPathAndAttributeAndLocksTheMediaType) {
  struct Case {
    int mode;
    std::u16string path;
    int32_t id;
  };
  const Case cases[] = {{0, kMediaPath, 261}, {1, kMediaRestPath, 262}, {2, kBackCoverMediaPath, 973}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    ClearRecords();
    dynamic_cast<GAttributeComposite*>(settings->FindById(1102))->RemoveAllChildren();
    SetDMCFeature(c.path, u"BOND", {{u"lock", u"TRUE"}});
    GMediaTypeHandler handler(library.get(), c.mode);
    EXPECT_EQ(handler.GetAttributeId(), c.id);
    EXPECT_EQ(handler.Import(settings.get(), changes.get()), 1);
    EXPECT_EQ(Text(c.id), "Bond");
    EXPECT_EQ(ChangedIds(), std::vector<int32_t>{c.id});
    EXPECT_EQ(Locked(), (std::vector<std::pair<int32_t, int16_t>>{{0, 261}}));
    FakeDMC().exports.clear();
    EXPECT_EQ(handler.Export(settings.get()), 1);
    EXPECT_EQ(Exports(), std::vector<std::u16string>{c.path + u"=BOND"});
  }
}

TEST_F(MediaHandlersTest, LockNeedsTheAnswerOneAndTheTextTrue) {
  struct Case {
    std::u16string lock;
    int answer;
    bool locked;
  };
  const Case cases[] = {{u"TRUE", 1, true}, {u"true", 1, true}, {u"True", 1, false}, {u"FALSE", 1, false},
                        {u"TRUE", 2, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.lock.begin(), c.lock.end()) + " " + std::to_string(c.answer));
    dynamic_cast<GAttributeComposite*>(settings->FindById(1102))->RemoveAllChildren();
    FakeDMC().lockAnswer = c.answer;
    // An option outside the table is still checked for its lock.
    SetDMCFeature(kMediaPath, u"NO_SUCH_MEDIA", {{u"lock", c.lock}});
    GMediaTypeHandler handler(library.get(), 0);
    EXPECT_EQ(handler.Import(settings.get(), changes.get()), 0);
    EXPECT_EQ(Locked().size(), c.locked ? 1u : 0u);
  }
}

TEST_F(MediaHandlersTest, SameFirstPageCarriesTheMediaToTheRestAndTheBackCover) {
  SetValue(264, 0);
  SetDMCFeature(kMediaPath, u"AUTO");
  GMediaTypeHandler handler(library.get(), 0);
  EXPECT_EQ(handler.Import(settings.get(), changes.get()), 1);
  EXPECT_EQ(Text(261), "");
  EXPECT_EQ(Text(262), "");
  EXPECT_EQ(Text(973), "");
  EXPECT_EQ(ChangedIds(), (std::vector<int32_t>{261, 262, 973}));

  // With a different first page only the main media changes.
  ClearRecords();
  SetValue(264, 1);
  SetDMCFeature(kMediaPath, u"PLAIN");
  EXPECT_EQ(handler.Import(settings.get(), changes.get()), 1);
  EXPECT_EQ(Text(261), "Plain");
  EXPECT_EQ(Text(262), "");
  EXPECT_EQ(ChangedIds(), std::vector<int32_t>{261});

  // The rest-of-document media does not carry itself on.
  ClearRecords();
  SetValue(264, 0);
  SetDMCFeature(kMediaRestPath, u"BOND");
  EXPECT_EQ(GMediaTypeHandler(library.get(), 1).Import(settings.get(), changes.get()), 1);
  EXPECT_EQ(ChangedIds(), std::vector<int32_t>{262});
  EXPECT_EQ(Text(973), "");
}

TEST_F(MediaHandlersTest, AMediaChangedTwiceKeepsOneEntryWithTheLastText) {
  GMediaTypeHandler handler(library.get(), 0);
  SetDMCFeature(kMediaPath, u"BOND");
  EXPECT_EQ(handler.Import(settings.get(), changes.get()), 1);
  SetDMCFeature(kMediaPath, u"LABELS");
  EXPECT_EQ(handler.Import(settings.get(), changes.get()), 1);
  ASSERT_EQ(ChangedIds(), std::vector<int32_t>{261});
  auto* held = dynamic_cast<GStringAttribute*>(changes->ChildAt(0));
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(held->GetString(), "Labels");
  EXPECT_NE(static_cast<GAttribute*>(held), settings->FindById(261));
}

TEST_F(MediaHandlersTest, UnknownMediaAndMissingAttributesChangeNothing) {
  GMediaTypeHandler handler(library.get(), 0);
  // The path is unknown: nothing read, no lock asked.
  EXPECT_EQ(handler.Import(settings.get(), changes.get()), 0);
  EXPECT_EQ(std::count(FakeDMC().calls.begin(), FakeDMC().calls.end(), "DMCGetNamedFeatureAttribute"), 0);
  // A text in another case is another text.
  SetDMCFeature(kMediaPath, u"plain");
  EXPECT_EQ(handler.Import(settings.get(), changes.get()), 0);
  EXPECT_EQ(Text(261), "Untouched");
  EXPECT_EQ(changes->GetEntryCount(), 0);
  // A media name that no row has is not exported.
  FakeDMC().exports.clear();
  EXPECT_EQ(handler.Export(settings.get()), 0);
  EXPECT_TRUE(FakeDMC().exports.empty());
  // Without the attribute.
  GAttributeComposite empty;
  ClearRecords();
  EXPECT_EQ(handler.Import(&empty, changes.get()), 0);
  EXPECT_EQ(handler.Export(&empty), 0);
  EXPECT_TRUE(FakeDMC().calls.empty());
  // A value attribute under the media's id is no media name.
  GAttributeComposite wrongKind;
  wrongKind.AddChild(MakeGroup(364, {{261, 1}}));
  EXPECT_EQ(handler.Import(&wrongKind, changes.get()), 0);
  EXPECT_EQ(handler.Export(&wrongKind), 0);
}

TEST_F(MediaHandlersTest, ARefusedMediaExportTriesTheNextRowOfTheSameName) {
  SetText(261, "Card Stock");
  FakeDMC().refusedExports = {std::u16string(kMediaPath) + u"=CARDSTOCK_GP"};
  GMediaTypeHandler handler(library.get(), 0);
  EXPECT_EQ(handler.Export(settings.get()), 1);
  EXPECT_EQ(Exports(), (std::vector<std::u16string>{std::u16string(kMediaPath) + u"=CARDSTOCK_GP",
                                                    std::u16string(kMediaPath) + u"=CARDSTOCK"}));
  // Every row refused: 0.
  SetText(261, "Bond");
  FakeDMC().refusedExports = {std::u16string(kMediaPath) + u"=BOND"};
  EXPECT_EQ(handler.Export(settings.get()), 0);
}

TEST_F(MediaHandlersTest, OverlongAndUnterminatedOptionTextsStayWithinTheBuffer) {
  GMediaTypeHandler handler(library.get(), 0);
  // Longer than the buffer: cut by the library, matches nothing.
  SetDMCFeature(kMediaPath, std::u16string(600, u'P'), {{u"lock", std::u16string(600, u'T')}});
  EXPECT_EQ(handler.Import(settings.get(), changes.get()), 0);
  // A library that leaves its texts unterminated.
  FakeDMC().noTerminators = true;
  SetDMCFeature(kMediaPath, u"PLAIN", {{u"lock", u"TRUE"}});
  EXPECT_EQ(handler.Import(settings.get(), changes.get()), 0);
  EXPECT_EQ(Text(261), "Untouched");
  EXPECT_TRUE(Locked().empty());
}

// ---- Input bin ----

// The tray table as {option, tray name}.
const std::vector<std::pair<std::u16string, const char*>>& TrayRows() {
  static const std::vector<std::pair<std::u16string, const char*>> rows = {
      {u"PrinterSelect", "Auto Select"}, {u"EnvFeed", "Envelope Feeder"}, {u"ManualFeed", "Manual Feed"},
      {u"Tray1", "Tray 1"},             {u"Tray2", "Tray 2"},            {u"Tray2_500", "Tray2_500"},
      {u"Tray3", "Tray 3"},             {u"Tray3_500", "Tray3_500"},     {u"Tray3_250", "Tray3_250"},
      {u"Tray3_1500", "Tray3_1500"},    {u"Tray4_500", "Tray4_500"},     {u"Tray4_1500", "Tray4_1500"},
      {u"Tray4_2000", "Tray4_2000"},    {u"Tray4", "Tray 4"},            {u"Tray5", "Tray 5"},
      {u"Tray6", "Tray 6"},             {u"Tray7", "Tray 7"},            {u"Tray8", "Tray 8"},
      {u"Tray9", "Tray 9"},             {u"Tray10", "Tray 10"},          {u"Tray11", "Tray 11"},
      {u"Tray12", "Tray 12"}};
  return rows;
}

TEST_F(MediaHandlersTest, EveryTrayOptionFindsItsInstalledTrayAndExportsBack) {
  // One installed input device with a tray of every name, numbered from 100.
  std::vector<TrayDef> trays;
  for (size_t i = 0; i < TrayRows().size(); ++i) trays.push_back({TrayRows()[i].second, int16_t(100 + i)});
  AddDevice(GPaperHandlingDevice::kInputDevice, 1, trays);
  GInputBinHandler handler(library.get(), &instance, 0);
  EXPECT_EQ(handler.GetOptionCount(), 22);
  for (size_t i = 0; i < TrayRows().size(); ++i) {
    const auto& [option, name] = TrayRows()[i];
    SCOPED_TRACE(name);
    ClearRecords();
    SetDMCFeature(kInputBinPath, option);
    EXPECT_EQ(handler.Import(settings.get(), changes.get()), 1);
    // "PrinterSelect" is the automatic selection without looking for a tray.
    const int16_t expected = option == u"PrinterSelect" ? 19 : int16_t(100 + i);
    EXPECT_EQ(Value(258), expected);
    EXPECT_EQ(ValuesOf(changes.get()), (std::vector<std::pair<int32_t, int16_t>>{{258, expected}}));
    FakeDMC().exports.clear();
    EXPECT_EQ(handler.Export(settings.get()), 1);
    EXPECT_EQ(Exports(), std::vector<std::u16string>{std::u16string(kInputBinPath) + u"=" + option});
  }
}

TEST_F(MediaHandlersTest, TraysAreFoundByTheFirstNameThatContainsTheTrayName) {
  // Output devices and devices that are not installed do not count.
  AddDevice(GPaperHandlingDevice::kOutputDevice, 1, {{"Tray 1 Bin", 50}});
  AddDevice(GPaperHandlingDevice::kInputDevice, 0, {{"Tray 1", 60}});
  AddDevice(GPaperHandlingDevice::kInputDevice, 1, {{"Tray 10", 10}, {"Tray 1", 1}});
  AddDevice(GPaperHandlingDevice::kInputDevice, 1, {{"Lower Tray 1", 2}});
  GInputBinHandler handler(library.get(), &instance, 0);
  struct Case {
    std::u16string option;
    int16_t number;
  };
  const Case cases[] = {
      {u"Tray1", 10},        // "Tray 10" holds "Tray 1" and comes first
      {u"tray1", 10},        // unknown option: the empty name, the first installed input tray
      {u"Tray2", 19},        // no tray holds "Tray 2"
      {u"PrinterSelect", 19},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.option.begin(), c.option.end()));
    ClearRecords();
    SetDMCFeature(kInputBinPath, c.option);
    EXPECT_EQ(handler.Import(settings.get(), changes.get()), 1);
    EXPECT_EQ(Value(258), c.number);
    EXPECT_EQ(changes->GetEntryCount(), 1);
  }
  // Exporting: the first installed input tray with the number names the row.
  struct Out {
    int16_t number;
    std::u16string option;
  };
  const Out outs[] = {{10, u"Tray10"}, {1, u"Tray1"}, {2, u"PrinterSelect"}, {50, u"PrinterSelect"},
                      {60, u"PrinterSelect"}, {77, u"PrinterSelect"}, {19, u"PrinterSelect"}};
  for (const Out& o : outs) {
    SCOPED_TRACE(o.number);
    FakeDMC().exports.clear();
    SetValue(258, o.number);
    EXPECT_EQ(handler.Export(settings.get()), 1);
    EXPECT_EQ(Exports(), std::vector<std::u16string>{std::u16string(kInputBinPath) + u"=" + o.option});
  }
}

TEST_F(MediaHandlersTest, WithoutInstalledInputTraysEverySourceIsAutomatic) {
  AddDevice(GPaperHandlingDevice::kInputDevice, 0, {{"Tray 1", 1}});
  for (GDriverInstance* driver : {static_cast<GDriverInstance*>(&instance), static_cast<GDriverInstance*>(nullptr)}) {
    GInputBinHandler handler(library.get(), driver, 0);
    for (const char16_t* option : {u"Tray1", u"ManualFeed", u"Nonsense"}) {
      SetValue(258, kMediaHandlersUntouched);
      SetDMCFeature(kInputBinPath, option);
      EXPECT_EQ(handler.Import(settings.get(), changes.get()), 1);
      EXPECT_EQ(Value(258), 19);
    }
    FakeDMC().exports.clear();
    SetValue(258, 1);
    EXPECT_EQ(handler.Export(settings.get()), 1);
    EXPECT_EQ(Exports(), std::vector<std::u16string>{std::u16string(kInputBinPath) + u"=PrinterSelect"});
  }
}

TEST_F(MediaHandlersTest, InputBinModesCarryTheSourceAndLockTheInputBin) {
  AddDevice(GPaperHandlingDevice::kInputDevice, 1, {{"Tray 2", 2}, {"Tray 3", 3}});
  SetValue(264, 0);
  SetDMCFeature(kInputBinPath, u"Tray3", {{u"lock", u"true"}});
  EXPECT_EQ(GInputBinHandler(library.get(), &instance, 0).Import(settings.get(), changes.get()), 1);
  EXPECT_EQ(ValuesOf(changes.get()), (std::vector<std::pair<int32_t, int16_t>>{{258, 3}, {263, 3}, {921, 3}}));
  EXPECT_EQ(Locked(), (std::vector<std::pair<int32_t, int16_t>>{{0, 258}}));

  struct Case {
    int mode;
    std::u16string path;
    int32_t id;
  };
  const Case cases[] = {{1, kInputBinRestPath, 263}, {2, kBackCoverTrayPath, 921}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    ClearRecords();
    dynamic_cast<GAttributeComposite*>(settings->FindById(1102))->RemoveAllChildren();
    SetDMCFeature(c.path, u"Tray2", {{u"lock", u"TRUE"}});
    GInputBinHandler handler(library.get(), &instance, c.mode);
    EXPECT_EQ(handler.Import(settings.get(), changes.get()), 1);
    EXPECT_EQ(ValuesOf(changes.get()), (std::vector<std::pair<int32_t, int16_t>>{{c.id, 2}}));
    EXPECT_EQ(Locked(), (std::vector<std::pair<int32_t, int16_t>>{{0, 258}}));
    EXPECT_EQ(handler.Export(settings.get()), 1);
    EXPECT_EQ(Exports(), std::vector<std::u16string>{c.path + u"=Tray2"});
  }
  // A missing attribute or path gives 0.
  GAttributeComposite empty;
  GInputBinHandler handler(library.get(), &instance, 0);
  EXPECT_EQ(handler.Import(&empty, changes.get()), 0);
  EXPECT_EQ(handler.Export(&empty), 0);
  FakeDMC().features.clear();
  EXPECT_EQ(handler.Import(settings.get(), changes.get()), 0);
}

// ---- Paper size ----

const std::vector<std::pair<std::u16string, int16_t>>& PaperRows() {
  static const std::vector<std::pair<std::u16string, int16_t>> rows = {
      {u"UNDEFINED", 0},
      {u"LETTER", 1},
      {u"LETTER_EXTRA", 2},
      {u"LETTER_EXTRA_TRANSVERSE", 3},
      {u"LETTER_TRANSVERSE", 4},
      {u"LETTER_SMALL", 5},
      {u"LEGAL", 6},
      {u"LEGAL_EXTRA", 7},
      {u"ENV_10", 8},
      {u"ENV_11", 9},
      {u"ENV_12", 10},
      {u"ENV_14", 11},
      {u"ENV_9", 12},
      {u"ENV_C5", 13},
      {u"ENV_B5", 14},
      {u"ENV_DL", 15},
      {u"ENV_MONARCH", 16},
      {u"EXECUTIVE", 17},
      {u"FOLIO", 18},
      {u"LEDGER", 19},
      {u"10X14", 20},
      {u"11X17", 21},
      {u"A3", 22},
      {u"A4", 23},
      {u"A4_EXTRA", 24},
      {u"A4_TRANSVERSE", 25},
      {u"A4_SMALL", 26},
      {u"A5", 27},
      {u"B4", 28},
      {u"B5", 56},
      {u"BSHEET", 30},
      {u"CSHEET", 31},
      {u"DSHEET", 32},
      {u"ESHEET", 33},
      {u"NOTE", 34},
      {u"QUARTO", 35},
      {u"STATEMENT", 36},
      {u"TABLOID", 37},
      {u"TABLOID_EXTRA", 38},
      {u"B4_JIS", 39},
      {u"B5_JIS", 40},
      {u"DBL_JAPANESE_POSTCARD", 71},
      {u"EXECUTIVE_JIS", 42},
      {u"16K", 43},
      {u"8K", 44},
      {u"11X17_MAX", 45},
      {u"A3_OVERSIZE", 46},
      {u"INDEX_CARD_3X5", 47},
      {u"INDEX_CARD_4X6", 48},
      {u"INDEX_CARD_5X8", 49},
      {u"ENV_A2", 50},
      {u"A6_CARD", 51},
      {u"ENV_C6", 52},
      {u"JISB6", 53},
      {u"JIS_POSTCARD", 54},
      {u"POSTCARD", 55},
      {u"B5ISO", 56},
      {u"A6", 57},
      {u"85x13", 58},
      {u"JENV_CHOU3", 59},
      {u"JENV_CHOU4", 60},
      {u"HAGAKI_CARD", 61},
      {u"SUPERB", 62},
      {u"425_X_6", 63},
      {u"JAPANESE_POSTCARD", 69},
      {u"DBL_JAPANESE_POSTCARD_ROTATED", 70},
      {u"12X18", 68},
      {u"QV_GREETING_CARD_ENV", 73},
      {u"OfukuHagaki", 72},
  };
  return rows;
}

TEST_F(MediaHandlersTest, EveryPaperOptionImportsItsIdAndEveryIdExportsItsFirstOption) {
  ASSERT_EQ(PaperRows().size(), 69u);
  GPaperSizeHandler handler(library.get(), &instance, 0);
  EXPECT_EQ(handler.GetOptionCount(), 69);
  for (const auto& [option, id] : PaperRows()) {
    SCOPED_TRACE(std::string(option.begin(), option.end()));
    ClearRecords();
    SetValue(260, kMediaHandlersUntouched);
    SetDMCFeature(kPaperPath, option);
    EXPECT_EQ(handler.Import(settings.get(), changes.get()), 1);
    EXPECT_EQ(Value(260), id);
    EXPECT_EQ(ValuesOf(changes.get()), (std::vector<std::pair<int32_t, int16_t>>{{260, id}, {1111, 0}}));
    EXPECT_NE(changes->ChildAt(0), settings->FindById(260));
    EXPECT_EQ(handler.Export(settings.get()), 1);
    const std::u16string first = id == 56 ? u"B5" : option;
    EXPECT_EQ(Exports(), std::vector<std::u16string>{std::u16string(kPaperPath) + u"=" + first});
  }
}

TEST_F(MediaHandlersTest, PaperSizeModesAndFailures) {
  // Mode 1 is the fit-to target; any other mode the paper size.
  GPaperSizeHandler target(library.get(), &instance, 1);
  EXPECT_EQ(target.GetAttributeId(), 272);
  SetDMCFeature(kTargetPath, u"A4");
  EXPECT_EQ(target.Import(settings.get(), nullptr), 1);
  EXPECT_EQ(Value(272), 23);
  EXPECT_EQ(Value(260), kMediaHandlersUntouched);
  EXPECT_EQ(GPaperSizeHandler(library.get(), &instance, 7).GetAttributeId(), 260);

  // An unknown option or a missing attribute changes nothing.
  SetDMCFeature(kTargetPath, u"a4");
  EXPECT_EQ(target.Import(settings.get(), changes.get()), 0);
  EXPECT_EQ(Value(272), 23);
  EXPECT_EQ(changes->GetEntryCount(), 0);
  // The paper size stands in the job settings 362 only.
  GAttributeComposite elsewhere;
  elsewhere.AddChild(MakeGroup(364, {{272, 1}}));
  EXPECT_EQ(target.Import(&elsewhere, changes.get()), 0);
  EXPECT_EQ(target.Export(&elsewhere), 0);
  // An id without a row is not exported.
  ClearRecords();
  SetValue(272, 29);
  EXPECT_EQ(target.Export(settings.get()), 0);
  EXPECT_TRUE(FakeDMC().exports.empty());
}

TEST_F(MediaHandlersTest, CustomPaperExportsAsTheStandardPaperOfItsSize) {
  GPaperSizeHandler handler(library.get(), &instance, 0);
  SetValue(260, 16385);
  EXPECT_EQ(handler.Export(settings.get()), 1);
  EXPECT_EQ(Exports(), std::vector<std::u16string>{std::u16string(kPaperPath) + u"=ENV_11"});
  ASSERT_EQ(instance.resolved.size(), 1u);
  EXPECT_EQ(instance.resolved[0].first, settings.get());
  // A custom size without a standard twin has no row.
  SetValue(260, 16386);
  EXPECT_EQ(handler.Export(settings.get()), 0);
  // Ids up to 4000 are not resolved.
  instance.resolved.clear();
  SetValue(260, 23);
  EXPECT_EQ(handler.Export(settings.get()), 1);
  EXPECT_TRUE(instance.resolved.empty());
}

// ---- Choice handlers ----

TEST_F(MediaHandlersTest, DifferentFirstPageImportsTheRestAndTheBackCover) {
  AddDevice(GPaperHandlingDevice::kInputDevice, 1, {{"Tray 2", 2}, {"Tray 3", 3}});
  SetValue(264, 0);
  SetDMCFeature(kDiffPath, u"DifferentFirstPage");
  SetDMCFeature(kMediaRestPath, u"BOND");
  SetDMCFeature(kInputBinRestPath, u"Tray3");
  SetDMCFeature(kBackCoverPath, u"UseAlternateSource");
  SetDMCFeature(kBackCoverMediaPath, u"LABELS");
  SetDMCFeature(kBackCoverTrayPath, u"Tray2");
  GUseDiffFirstPageChoiceHandler handler(library.get(), &instance);
  EXPECT_EQ(handler.Import(settings.get(), changes.get()), 1);
  EXPECT_EQ(Value(264), 1);
  EXPECT_EQ(Text(262), "Bond");
  EXPECT_EQ(Value(263), 3);
  EXPECT_EQ(Value(920), 2);
  EXPECT_EQ(Text(973), "Labels");
  EXPECT_EQ(Value(921), 2);
  EXPECT_EQ(ChangedIds(), (std::vector<int32_t>{264, 262, 263, 920, 973, 921}));

  // Export writes the same features back, in the same order.
  FakeDMC().exports.clear();
  EXPECT_EQ(handler.Export(settings.get()), 1);
  EXPECT_EQ(Exports(), (std::vector<std::u16string>{
                           std::u16string(kDiffPath) + u"=DifferentFirstPage",
                           std::u16string(kMediaRestPath) + u"=BOND",
                           std::u16string(kInputBinRestPath) + u"=Tray3",
                           std::u16string(kBackCoverPath) + u"=UseAlternateSource",
                           std::u16string(kBackCoverMediaPath) + u"=LABELS",
                           std::u16string(kBackCoverTrayPath) + u"=Tray2",
                       }));
}

TEST_F(MediaHandlersTest, SameFirstPageReadsNoSubFeature) {
  SetDMCFeature(kDiffPath, u"SameFirstPage");
  SetDMCFeature(kMediaRestPath, u"BOND");
  SetDMCFeature(kBackCoverPath, u"UseAlternateSource");
  GUseDiffFirstPageChoiceHandler handler(library.get(), &instance);
  EXPECT_EQ(handler.Import(settings.get(), changes.get()), 1);
  EXPECT_EQ(Value(264), 0);
  EXPECT_EQ(std::count(FakeDMC().calls.begin(), FakeDMC().calls.end(), "DMCSetContext"), 1);
  EXPECT_EQ(ChangedIds(), std::vector<int32_t>{264});
  FakeDMC().exports.clear();
  EXPECT_EQ(handler.Export(settings.get()), 1);
  EXPECT_EQ(Exports(), std::vector<std::u16string>{std::u16string(kDiffPath) + u"=SameFirstPage"});
  // An unknown option: 0, and nothing more is read.
  SetDMCFeature(kDiffPath, u"Different");
  EXPECT_EQ(handler.Import(settings.get(), changes.get()), 0);
}

TEST_F(MediaHandlersTest, UnknownSubFeaturesLeaveTheParentsResult) {
  SetDMCFeature(kDiffPath, u"DifferentFirstPage");
  SetDMCFeature(kBackCoverPath, u"UseAlternateSource");
  SetDMCFeature(kFitPath, u"FitToOtherSize");
  EXPECT_EQ(GUseDiffFirstPageChoiceHandler(library.get(), &instance).Import(settings.get(), changes.get()), 1);
  EXPECT_EQ(Text(262), "Untouched");
  EXPECT_EQ(Value(263), kMediaHandlersUntouched);
  EXPECT_EQ(Text(973), "Untouched");
  EXPECT_EQ(GBackCoverChoiceHandler(library.get(), &instance).Import(settings.get(), changes.get()), 1);
  EXPECT_EQ(GFitToOtherSizeChoiceHandler(library.get(), &instance).Import(settings.get(), changes.get()), 1);
  EXPECT_EQ(Value(272), kMediaHandlersUntouched);
  EXPECT_EQ(ChangedIds(), (std::vector<int32_t>{264, 920, 920, 270}));
}

TEST_F(MediaHandlersTest, BackCoverChoices) {
  AddDevice(GPaperHandlingDevice::kInputDevice, 1, {{"Tray 4", 4}});
  SetDMCFeature(kBackCoverMediaPath, u"BOND");
  SetDMCFeature(kBackCoverTrayPath, u"Tray4");
  GBackCoverChoiceHandler handler(library.get(), &instance);
  struct Case {
    std::u16string option;
    int16_t value;
    bool subFeatures;
  };
  const Case cases[] = {{u"NoBackPage", 0, false}, {u"UseFirstPage", 1, false}, {u"UseAlternateSource", 2, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.option.begin(), c.option.end()));
    ClearRecords();
    SetText(973, "Untouched");
    SetValue(921, 0);
    SetDMCFeature(kBackCoverPath, c.option);
    EXPECT_EQ(handler.Import(settings.get(), changes.get()), 1);
    EXPECT_EQ(Value(920), c.value);
    EXPECT_EQ(Text(973), c.subFeatures ? "Bond" : "Untouched");
    EXPECT_EQ(Value(921), c.subFeatures ? 4 : 0);
    FakeDMC().exports.clear();
    EXPECT_EQ(handler.Export(settings.get()), 1);
    std::vector<std::u16string> expected = {std::u16string(kBackCoverPath) + u"=" + c.option};
    if (c.subFeatures) {
      expected.push_back(std::u16string(kBackCoverMediaPath) + u"=BOND");
      expected.push_back(std::u16string(kBackCoverTrayPath) + u"=Tray4");
    }
    EXPECT_EQ(Exports(), expected);
  }
  // A value without a row writes nothing.
  SetValue(920, 5);
  FakeDMC().exports.clear();
  EXPECT_EQ(handler.Export(settings.get()), 0);
  EXPECT_TRUE(FakeDMC().exports.empty());
}

TEST_F(MediaHandlersTest, FitToOtherSizeAlsoImportsTheTargetSize) {
  SetDMCFeature(kFitPath, u"FitToOtherSize");
  SetDMCFeature(kTargetPath, u"LEGAL");
  GFitToOtherSizeChoiceHandler handler(library.get(), &instance);
  EXPECT_EQ(handler.Import(settings.get(), changes.get()), 1);
  EXPECT_EQ(Value(270), 1);
  EXPECT_EQ(Value(272), 6);
  EXPECT_EQ(ValuesOf(changes.get()), (std::vector<std::pair<int32_t, int16_t>>{{270, 1}, {272, 6}, {1111, 0}}));
  FakeDMC().exports.clear();
  EXPECT_EQ(handler.Export(settings.get()), 1);
  EXPECT_EQ(Exports(), (std::vector<std::u16string>{std::u16string(kFitPath) + u"=FitToOtherSize",
                                                    std::u16string(kTargetPath) + u"=LEGAL"}));
  // Actual size: the target is neither read nor written.
  ClearRecords();
  SetDMCFeature(kFitPath, u"PrintActualSize");
  SetDMCFeature(kTargetPath, u"A4");
  EXPECT_EQ(handler.Import(settings.get(), changes.get()), 1);
  EXPECT_EQ(Value(272), 6);
  EXPECT_EQ(handler.Export(settings.get()), 1);
  EXPECT_EQ(Exports(), std::vector<std::u16string>{std::u16string(kFitPath) + u"=PrintActualSize"});
}

TEST_F(MediaHandlersTest, CreatorsMakeTheMainFeatureHandlers) {
  // The creators fit the client's handler table.
  const GConfigHandlerCreator creators[] = {&CreateMediaTypeHandler, &CreateInputBinHandler, &CreatePaperSizeHandler,
                                            &CreateUseDiffFirstPageChoiceHandler, &CreateFitToOtherSizeChoiceHandler};
  EXPECT_EQ(std::size(creators), 5u);
  std::unique_ptr<GConfigFeatureHandler> media(CreateMediaTypeHandler(library.get(), &instance));
  std::unique_ptr<GConfigFeatureHandler> bin(CreateInputBinHandler(library.get(), &instance));
  std::unique_ptr<GConfigFeatureHandler> paper(CreatePaperSizeHandler(library.get(), &instance));
  std::unique_ptr<GConfigFeatureHandler> diff(CreateUseDiffFirstPageChoiceHandler(library.get(), &instance));
  std::unique_ptr<GConfigFeatureHandler> fit(CreateFitToOtherSizeChoiceHandler(library.get(), &instance));
  EXPECT_EQ(dynamic_cast<GMediaTypeHandler*>(media.get())->GetAttributeId(), 261);
  EXPECT_EQ(dynamic_cast<GInputBinHandler*>(bin.get())->GetAttributeId(), 258);
  EXPECT_EQ(dynamic_cast<GPaperSizeHandler*>(paper.get())->GetAttributeId(), 260);
  EXPECT_NE(dynamic_cast<GUseDiffFirstPageChoiceHandler*>(diff.get()), nullptr);
  EXPECT_NE(dynamic_cast<GFitToOtherSizeChoiceHandler*>(fit.get()), nullptr);
  for (GConfigFeatureHandler* h : {media.get(), bin.get(), paper.get(), diff.get(), fit.get()}) {
    EXPECT_EQ(h->GetLibrary(), library.get());
  }
  // The input bin reads the instance's trays.
  AddDevice(GPaperHandlingDevice::kInputDevice, 1, {{"Tray 5", 5}});
  SetDMCFeature(kInputBinPath, u"Tray5");
  EXPECT_EQ(bin->Import(settings.get(), changes.get()), 1);
  EXPECT_EQ(Value(258), 5);
}

TEST_F(MediaHandlersTest, HandlersWithoutALibraryDoNothing) {
  GMediaTypeHandler media;
  GInputBinHandler bin;
  GPaperSizeHandler paper;
  GUseDiffFirstPageChoiceHandler diff;
  GBackCoverChoiceHandler back;
  GFitToOtherSizeChoiceHandler fit;
  for (GConfigFeatureHandler* h : std::initializer_list<GConfigFeatureHandler*>{&media, &bin, &paper, &diff, &back, &fit}) {
    EXPECT_EQ(h->Import(settings.get(), changes.get()), 0);
    EXPECT_EQ(h->Export(settings.get()), 0);
  }
  EXPECT_EQ(changes->GetEntryCount(), 0);
  EXPECT_EQ(media.GetAttributeId(), 261);
}

}  // namespace
