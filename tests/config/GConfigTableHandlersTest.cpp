#include "config/GConfigTableHandlers.h"

#include <gtest/gtest.h>

#include <functional>

#include "config/GDMCLibrary.h"
#include "support/ConfigTestSupport.h"

namespace {

using qvtest::FakeDMC;
using qvtest::MakeGroup;
using qvtest::ValueIn;
using qvtest::ValuesOf;

using Maker = std::function<GConfigFeatureHandler*(GDMCLibrary*)>;
template <class H>
Maker Make() {
  return [](GDMCLibrary* library) { return new H(library); };
}

enum Rule { kNone, kCopy, kNew };

// Each handler as the feature tree and the settings know it: options as
// "text=value" in order.
struct HandlerCase {
  const char* name;
  Maker make;
  std::u16string path;
  std::u16string exportPath;
  int32_t group;
  int32_t id;
  std::vector<std::pair<std::u16string, int16_t>> options;
  size_t bytes;
  Rule rule;
  bool strict;
};

const std::vector<HandlerCase>& Cases() {
  static const std::vector<HandlerCase> cases = {
      {"SymmetricalMargins", Make<GSymmetricalMarginsHandler>(), u"printing/QVSymmetricalMargins",
       u"printing/QVSymmetricalMargins", 362, 713, {{u"FALSE", 0}, {u"TRUE", 1}}, 510, kCopy, false},
      {"EmulateSTMargins", Make<GEmulateSTMarginsHandler>(), u"printing/QVEmulateSTMargins",
       u"printing/QVEmulateSTMargins", 362, 711, {{u"FALSE", 0}, {u"TRUE", 1}}, 510, kCopy, false},
      {"StraightPaperPath", Make<GStraightPaperPathHandler>(), u"printing/StraightPaperPath",
       u"printing/StraightPaperPath", 362, 905, {{u"OFF", 0}, {u"ON", 1}}, 510, kCopy, true},
      {"ManualDuplex", Make<GManualDuplexHandler>(), u"physical/ManualDuplex", u"physical/ManualDuplex", 365, 245,
       {{u"Disabled", 0}, {u"Enabled", 3}}, 510, kCopy, false},
      {"Tray1", Make<GTray1Handler>(), u"physical/Tray1", u"physical/Tray1", 365, 974,
       {{u"NotInstalled", 0}, {u"Installed", 1}}, 510, kNone, false},
      {"PageOrder", Make<GPageOrderHandler>(), u"printing/PageOrder", u"printing/PageOrder", 362, 710,
       {{u"FrontToBack", 0}, {u"BackToFront", 1}}, 510, kNew, true},
      {"IgnoreCollationChoice", Make<GIgnoreCollationChoiceHandler>(), u"printing/IgnoreCollationChoice",
       u"printing/IgnoreCollationChoice", 364, 451, {{u"OFF", 0}, {u"ON", 1}}, 128, kNone, false},
      {"BinderChoice", Make<GBinderChoiceHandler>(), u"printing/BinderChoice", u"printing/BindChoice", 362, 612,
       {{u"DontBindThisJob", 0}, {u"BindThisJob", 1}, {u"BindStacker", 3}}, 510, kCopy, false},
      {"PatternScalingChoice", Make<GPatternScalingChoiceHandler>(), u"printing/PatternScalingChoice",
       u"printing/PatternScalingChoice", 362, 277, {{u"NeverScalePatterns", 0}, {u"AlwaysScalePatterns", 1}}, 256,
       kNone, false},
      {"ZepChoice", Make<GZepChoiceHandler>(), u"printing/ZepChoice", u"printing/ZepChoice", 362, 250,
       {{u"NotSupported", -1}, {u"OFF", 0}, {u"Light", 1}, {u"Medium", 2}, {u"Dark", 3}, {u"ON", 4},
        {u"MinValue", -1}, {u"MaxValue", 4}},
       256, kNone, false},
      {"KivChoice", Make<GKivChoiceHandler>(), u"printing/KivChoice", u"printing/KivChoice", 362, 251,
       {{u"NotSupported", -1}, {u"ON", 1}, {u"OFF", 0}, {u"PageProtOff", 2}, {u"PageProtLetter", 3},
        {u"PageProtLegal", 4}, {u"PageProtA4", 5}, {u"MinValue", -1}, {u"MaxValue", 5}},
       256, kNone, false},
      {"RasterizationChoice", Make<GRasterizationChoiceHandler>(), u"printing/RasterizationChoice",
       u"printing/RasterizationChoice", 362, 255,
       {{u"RasterizationAuto", 0}, {u"RasterizationVector", 1}, {u"RasterizationGRaster", 2},
        {u"RasterizationRaster", 3}},
       256, kNone, false},
      {"JobRetentionModeChoice", Make<GJobRetentionModeChoiceHandler>(), u"printing/JobRetentionModeChoice",
       u"printing/JobRetentionModeChoice", 362, 287,
       {{u"NotSupported", -1}, {u"OFF", 0}, {u"QuickCopy", 1}, {u"ProofNHold", 2}, {u"StoreJob", 3},
        {u"PrivatePrint", 4}},
       510, kCopy, false},
      {"EdgeToEdge", Make<GEdgeToEdgeHandler>(), u"printing/EdgeToEdge", u"printing/EdgeToEdge", 362, 442,
       {{u"NotSupported", -1}, {u"Supported", 2}, {u"OFF", 0}, {u"ON", 1}}, 510, kCopy, false},
      {"MonoChromeChoice", Make<GMonoChromeChoiceHandler>(), u"physical/MonoChromeChoice",
       u"physical/MonoChromeChoice", 365, 518, {{u"OFF", 0}, {u"ON", 1}}, 64, kNone, false},
      {"CollationUnit", Make<GCollationUnitHandler>(), u"physical/CollationUnit", u"physical/CollationUnitSetting",
       365, 310, {{u"FALSE", 0}, {u"TRUE", 1}}, 256, kNone, false},
      {"DeviceIsPlurex", Make<GDeviceIsPlurexHandler>(), u"physical/DeviceIsPlurex", u"physical/DeviceIsPlurex", 365,
       310, {{u"Installed", 1}, {u"NotInstalled", 0}}, 64, kNone, false},
      {"ScannerChoice", Make<GScannerChoiceHandler>(), u"physical/ScannerChoice", u"physical/ScannerChoice", 365, 918,
       {{u"NotInstalled", 0}, {u"Installed", 1}}, 256, kNone, false},
      {"BinderUnit", Make<GBinderUnitHandler>(), u"physical/BinderUnit", u"physical/binderunit", 365, 613,
       {{u"NotInstalled", 0}, {u"Installed", 1}}, 510, kCopy, false},
      {"DuplexUnit", Make<GDuplexUnitHandler>(), u"physical/DuplexUnit", u"physical/duplexunit", 365, 308,
       {{u"NotInstalled", 0}, {u"Installed", 1}}, 510, kCopy, false},
      {"BookletTargetSize", Make<GBookletTargetSizeHandler>(), u"printing/BookletTargetSize",
       u"printing/BookletTargetSize", 362, 280,
       {{u"LETTER", 1}, {u"11X17", 21}, {u"LEGAL", 6}, {u"A4", 23}, {u"A3", 22}, {u"B4_JIS", 39}, {u"B5_JIS", 40}},
       510, kCopy, false},
      {"TTAsBitmapSetting", Make<GTTAsBitmapSettingHandler>(), u"printing/TTAsBitmapSetting",
       u"printing/TTAsBitmapSetting", 364, 293, {{u"TTModeOutline", 0}, {u"TTModeBitmap", 1}}, 510, kNew, false},
      {"ScalePageChoice", Make<GScalePageChoiceHandler>(), u"printing/ScalePageChoice", u"printing/ScalePageChoice",
       362, 271, {{u"FitWithoutScaling", 0}, {u"ScaleToFit", 1}}, 256, kCopy, false},
      {"TextAsBlack", Make<GTextAsBlackHandler>(), u"printing/TextAsBlack", u"printing/TextAsBlack", 362, 585,
       {{u"FALSE", 0}, {u"TRUE", 1}}, 510, kNew, false},
      {"Orientation", Make<GOrientationHandler>(), u"printing/Orientation", u"printing/Orientation", 362, 265,
       {{u"Portrait", 0}, {u"Landscape", 90}, {u"RotatedLandscape", 270}, {u"RotatedPortrait", 180}}, 510, kCopy,
       false},
      {"Sparetone", Make<GSparetoneHandler>(), u"printing/Sparetone", u"printing/Sparetone", 362, 252,
       {{u"FALSE", 0}, {u"TRUE", 1}}, 510, kCopy, false},
      {"EnvFeeder", Make<GEnvFeederHandler>(), u"physical/EnvFeeder", u"physical/EnvFeeder", 365, 275,
       {{u"NotInstalled", 0}, {u"Installed", 1}}, 256, kNone, false},
      {"JobRetention", Make<GJobRetentionHandler>(), u"physical/JobRetention", u"physical/JobRetention", 365, 520,
       {{u"Disabled", 0}, {u"Enabled", 1}}, 64, kNone, false},
      {"JobRetentionAvailable", Make<GJobRetentionAvailableHandler>(), u"physical/JobRetentionAvailable",
       u"physical/JobRetentionAvailable", 365, 441, {{u"FALSE", 0}, {u"TRUE", 1}}, 64, kNone, false},
      {"PrinterHardDisk", Make<GPrinterHardDiskHandler>(), u"physical/PrinterHardDisk", u"physical/PrinterHardDisk",
       365, 239, {{u"NotInstalled", 0}, {u"Installed", 1}}, 510, kCopy, false},
  };
  return cases;
}

constexpr int16_t kUntouched = 12345;  // a value no table has

class TableHandlersTest : public qvtest::ConfigLibraryTest {
 protected:
  void SetUp() override {
    ConfigLibraryTest::SetUp();
    InstallLibrary();
    library = std::make_unique<GDMCLibrary>();
    const int32_t changesId = 1101;
    changes = std::make_unique<GAttributeComposite>(&changesId);
  }
  // Groups 362, 364, 365 and 366 with the attribute at kUntouched; manual
  // duplex on, so the straight paper path imports.
  std::unique_ptr<GAttributeComposite> Settings(int32_t group, int32_t id) {
    auto root = std::make_unique<GAttributeComposite>();
    for (int32_t g : {362, 364, 365}) root->AddChild(MakeGroup(g));
    dynamic_cast<GAttributeComposite*>(root->FindById(group))->AddChild(new GValueAttribute(kUntouched, &id));
    const int32_t manualDuplex = 245;
    if (id != manualDuplex) {
      dynamic_cast<GAttributeComposite*>(root->FindById(365))->AddChild(new GValueAttribute(3, &manualDuplex));
    }
    return root;
  }
  std::unique_ptr<GDMCLibrary> library;
  std::unique_ptr<GAttributeComposite> changes;
};

TEST_F(TableHandlersTest, EveryOptionImportsItsValueAndRecordsByTheRule) {
  for (const HandlerCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    for (const auto& [text, value] : c.options) {
      auto root = Settings(c.group, c.id);
      changes->RemoveAllChildren();
      FakeDMC().buffers.clear();
      qvtest::SetDMCFeature(c.path, text);
      std::unique_ptr<GConfigFeatureHandler> handler(c.make(library.get()));
      // The first row with the text wins.
      int16_t expected = value;
      for (const auto& option : c.options) {
        if (option.first == text) {
          expected = option.second;
          break;
        }
      }
      EXPECT_EQ(handler->Import(root.get(), changes.get()), 1);
      EXPECT_EQ(ValueIn(root.get(), c.group, c.id)->GetValue(), expected);
      if (c.rule == kNone) {
        EXPECT_EQ(changes->GetEntryCount(), 0);
      } else {
        EXPECT_EQ(ValuesOf(changes.get()), (std::vector<std::pair<int32_t, int16_t>>{{c.id, expected}}));
        if (c.rule == kCopy) {
          EXPECT_NE(changes->ChildAt(0), ValueIn(root.get(), c.group, c.id));
        }
      }
      ASSERT_FALSE(FakeDMC().buffers.empty());
      EXPECT_EQ(FakeDMC().buffers[0].capacityUnits, c.bytes / 2);
      EXPECT_TRUE(FakeDMC().buffers[0].blankFilled);
    }
  }
}

TEST_F(TableHandlersTest, UnknownOptionsAndMissingAttributesChangeNothing) {
  for (const HandlerCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    auto root = Settings(c.group, c.id);
    changes->RemoveAllChildren();
    std::unique_ptr<GConfigFeatureHandler> handler(c.make(library.get()));
    // The path is unknown to the library.
    EXPECT_EQ(handler->Import(root.get(), changes.get()), 0);
    // A text in another case is another text.
    qvtest::SetDMCFeature(c.path, c.options[0].first + u"x");
    EXPECT_EQ(handler->Import(root.get(), changes.get()), 0);
    EXPECT_EQ(ValueIn(root.get(), c.group, c.id)->GetValue(), kUntouched);
    EXPECT_EQ(changes->GetEntryCount(), 0);
    // Without the attribute.
    GAttributeComposite empty;
    EXPECT_EQ(handler->Import(&empty, changes.get()), 0);
    EXPECT_EQ(handler->Export(&empty), 0);
    // A value without a row is not exported.
    FakeDMC().exports.clear();
    EXPECT_EQ(handler->Export(root.get()), 0);
    EXPECT_TRUE(FakeDMC().exports.empty());
  }
}

TEST_F(TableHandlersTest, EveryValueExportsItsFirstText) {
  for (const HandlerCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    for (const auto& option : c.options) {
      auto root = Settings(c.group, c.id);
      ValueIn(root.get(), c.group, c.id)->SetValue(option.second);
      std::u16string first;
      for (const auto& o : c.options) {
        if (o.second == option.second) {
          first = o.first;
          break;
        }
      }
      FakeDMC().exports.clear();
      std::unique_ptr<GConfigFeatureHandler> handler(c.make(library.get()));
      EXPECT_EQ(handler->Export(root.get()), 1);
      EXPECT_EQ(Exports(), (std::vector<std::u16string>{c.exportPath + u"=" + first}));

      // A refused value: strict exports answer 0, the others 1.
      FakeDMC().exports.clear();
      FakeDMC().refusedExports = {c.exportPath + u"=" + first};
      EXPECT_EQ(handler->Export(root.get()), c.strict ? 0 : 1);
      FakeDMC().refusedExports.clear();
    }
  }
}

TEST_F(TableHandlersTest, StraightPaperPathImportsOnlyWithManualDuplexOn) {
  qvtest::SetDMCFeature(u"printing/StraightPaperPath", u"ON");
  for (int16_t manual : {0, 3}) {
    auto root = std::make_unique<GAttributeComposite>();
    root->AddChild(MakeGroup(362, {{905, 0}}));
    root->AddChild(MakeGroup(365, {{245, manual}}));
    GStraightPaperPathHandler handler(library.get());
    EXPECT_EQ(handler.Import(root.get(), changes.get()), manual != 0 ? 1 : 0);
    EXPECT_EQ(ValueIn(root.get(), 362, 905)->GetValue(), manual != 0 ? 1 : 0);
  }
  auto root = std::make_unique<GAttributeComposite>();
  root->AddChild(MakeGroup(362, {{905, 0}}));
  GStraightPaperPathHandler handler(library.get());
  EXPECT_EQ(handler.Import(root.get(), changes.get()), 0);
}

TEST_F(TableHandlersTest, Tray1InstalledSetsItsCompanionSetting) {
  struct Case {
    std::u16string option;
    int16_t before;
    int result;
    int16_t companion;
  } cases[] = {
      {u"Installed", 0, 1, 8},
      {u"NotInstalled", 1, 1, 5},
      {u"Unknown", 1, 0, 8},  // installed before: the companion follows anyway
      {u"Unknown", 0, 0, 5},
  };
  for (const Case& c : cases) {
    auto root = std::make_unique<GAttributeComposite>();
    root->AddChild(MakeGroup(365, {{974, c.before}, {274, 5}}));
    qvtest::SetDMCFeature(u"physical/Tray1", c.option);
    GTray1Handler handler(library.get());
    EXPECT_EQ(handler.Import(root.get(), changes.get()), c.result);
    EXPECT_EQ(ValueIn(root.get(), 365, 274)->GetValue(), c.companion);
  }
  EXPECT_EQ(changes->GetEntryCount(), 0);

  // Without 274 only the tray changes.
  auto root = std::make_unique<GAttributeComposite>();
  root->AddChild(MakeGroup(365, {{974, 0}}));
  qvtest::SetDMCFeature(u"physical/Tray1", u"Installed");
  GTray1Handler handler(library.get());
  EXPECT_EQ(handler.Import(root.get(), changes.get()), 1);
  EXPECT_EQ(ValueIn(root.get(), 365, 974)->GetValue(), 1);
}

TEST_F(TableHandlersTest, MarginHandlersSetTheCurrentFeatureEvenWithoutTheirAttribute) {
  qvtest::SetDMCFeature(u"printing/QVSymmetricalMargins", u"TRUE");
  qvtest::SetDMCFeature(u"printing/QVEmulateSTMargins", u"TRUE");
  GAttributeComposite empty;
  GSymmetricalMarginsHandler symmetrical(library.get());
  EXPECT_EQ(symmetrical.Import(&empty, changes.get()), 0);
  EXPECT_EQ(FakeDMC().current, u"printing/QVSymmetricalMargins");
  GEmulateSTMarginsHandler emulate(library.get());
  EXPECT_EQ(emulate.Import(&empty, changes.get()), 0);
  EXPECT_EQ(FakeDMC().current, u"printing/QVEmulateSTMargins");
}

TEST_F(TableHandlersTest, ScaleFromLargePaperTakesOnlyUpperCaseTrue) {
  struct Case {
    std::u16string option;
    int16_t value;
  } cases[] = {{u"TRUE", 1}, {u"true", 0}, {u"FALSE", 0}, {u"", 0}, {u"Installed", 0}};
  for (const Case& c : cases) {
    auto root = std::make_unique<GAttributeComposite>();
    root->AddChild(MakeGroup(365, {{915, 7}}));
    qvtest::SetDMCFeature(u"physical/ScaleFromLargePaper", c.option);
    FakeDMC().buffers.clear();
    GScaleFromLargePaperHandler handler(library.get());
    EXPECT_EQ(handler.Import(root.get(), changes.get()), 1);
    EXPECT_EQ(ValueIn(root.get(), 365, 915)->GetValue(), c.value);
    EXPECT_EQ(FakeDMC().buffers.at(0).capacityUnits, 128u);
  }
  EXPECT_EQ(changes->GetEntryCount(), 0);

  for (int16_t value : {1, 0, 2}) {
    auto root = std::make_unique<GAttributeComposite>();
    root->AddChild(MakeGroup(365, {{915, value}}));
    FakeDMC().exports.clear();
    FakeDMC().refusedExports = {u"physical/ScaleFromLargePaper=TRUE", u"physical/ScaleFromLargePaper=FALSE"};
    GScaleFromLargePaperHandler handler(library.get());
    EXPECT_EQ(handler.Export(root.get()), 1);
    EXPECT_EQ(Exports(), (std::vector<std::u16string>{value == 1 ? u"physical/ScaleFromLargePaper=TRUE"
                                                                  : u"physical/ScaleFromLargePaper=FALSE"}));
  }
  GScaleFromLargePaperHandler handler(library.get());
  GAttributeComposite empty;
  EXPECT_EQ(handler.Import(&empty, changes.get()), 0);
  EXPECT_EQ(handler.Export(&empty), 0);
}

TEST_F(TableHandlersTest, HandlersWithoutLibraryAnswerZero) {
  for (const HandlerCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    auto root = Settings(c.group, c.id);
    ValueIn(root.get(), c.group, c.id)->SetValue(c.options[0].second);
    std::unique_ptr<GConfigFeatureHandler> handler(c.make(nullptr));
    EXPECT_EQ(handler->Import(root.get(), changes.get()), 0);
    EXPECT_EQ(handler->Export(root.get()), 0);
  }
}

}  // namespace
