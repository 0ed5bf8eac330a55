#include "config/GQualityHandlers.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "config/GDMCHandlerFactory.h"
#include "model/GTintwrightAttribute.h"
#include "support/HandlerTestSupport.h"

namespace {

using qvtest::FakeDMC;
using qvtest::MakeGroup;
using qvtest::SetDMCFeature;
using qvtest::ValueIn;
using qvtest::ValuesOf;
using qvtest::Values;
using QualityHandlersTexts = std::vector<std::u16string>;

class QualityHandlersTest : public qvtest::HandlerTest {};

// ---- Print quality with its own attribute ----

TEST_F(QualityHandlersTest, PrintQualityAttributeImportsAndExportsItsOptions) {
  const std::pair<std::u16string, int16_t> options[] = {
      {u"Fast", -2}, {u"FastNormal", -1}, {u"Normal", 0}, {u"Best", 1}, {u"Custom", 99}};
  for (const auto& [text, value] : options) {
    ClearRun();
    SetDMCFeature(u"printing/PrintQuality", text);
    auto root = Root({{901, 50}});
    GPrintQualityHandler handler(library.get(), &instance);
    EXPECT_EQ(handler.Import(root.get(), changes.get()), 1);
    EXPECT_EQ(Value(root.get(), 362, 901), value);
    EXPECT_EQ(Changes(), (Values{{901, value}}));
    EXPECT_NE(changes->ChildAt(0), ValueIn(root.get(), 362, 901));
    EXPECT_EQ(handler.Export(root.get()), 1);
    EXPECT_EQ(Exports(), (QualityHandlersTexts{u"printing/PrintQuality=" + text}));
  }
  ClearRun();
  SetDMCFeature(u"printing/PrintQuality", u"best");
  auto root = Root({{901, 50}});
  EXPECT_EQ(GPrintQualityHandler(library.get(), &instance).Import(root.get(), changes.get()), 0);
  EXPECT_EQ(Value(root.get(), 362, 901), 50);
  EXPECT_EQ(GPrintQualityHandler(library.get(), &instance).Export(root.get()), 0);
  auto bare = std::make_unique<GAttributeComposite>();
  EXPECT_EQ(GPrintQualityHandler(library.get(), &instance).Import(bare.get(), changes.get()), 0);
  EXPECT_EQ(GPrintQualityHandler(library.get(), &instance).Export(bare.get()), 0);
}

// ---- Print quality through the presets ----

class PresetTest : public QualityHandlersTest {
 protected:
  // Preset 326 ("Best") and 327 ("Normal") in the printer configuration.
  void AddPreset(int32_t id, int16_t base, bool condition) {
    Values members = {{218, base},      {221, int16_t(base + 1)}, {443, int16_t(base + 2)},
                      {219, int16_t(base + 3)}, {242, int16_t(base + 4)}, {220, 1},
                      {589, int16_t(base + 6)}, {586, int16_t(base + 7)}, {587, int16_t(base + 8)},
                      {588, int16_t(base + 9)}, {402, int16_t(base + 10)}, {409, int16_t(base + 11)},
                      {705, int16_t(base + 12)}, {404, int16_t(base + 13)}, {913, int16_t(base + 14)},
                      {912, int16_t(base + 15)}, {593, int16_t(condition ? 1 : 0)}};
    GAttributeComposite* preset = MakeGroup(id, members);
    preset->AddChild(MakeGroup(222, {{223, 600}, {224, int16_t(base == 10 ? 600 : 300)}, {225, 1}}));
    Configuration()->AddChild(preset);
  }
  // Settings that carry every setting the presets feed.
  static std::unique_ptr<GAttributeComposite> PresetRoot() {
    auto root = Root({{250, 0}, {277, 0}, {442, 0}, {251, 0}, {245, 0}, {405, 0}, {703, 0}, {911, 0}, {585, 0}},
                     {{255, 0}, {293, 0}, {585, 0}, {582, 0}, {583, 0}, {584, 0}, {900, 0}, {910, 0}});
    root->AddChild(MakeGroup(1, {}));
    GAttributeComposite* job = Group(root.get(), 362);
    job->AddChild(MakeGroup(249, {{323, 0}, {324, 0}, {325, 0}}));
    return root;
  }
  static int16_t Resolution(GAttributeComposite* root, int32_t id) {
    return dynamic_cast<GValueAttribute*>(Group(root, 362)->FindById(249)->FindById(id))->GetValue();
  }
};

TEST_F(PresetTest, BestCopiesPreset326AndTheTreesOwnFeaturesWin) {
  AddPreset(326, 10, false);
  AddPreset(327, 40, true);
  SetDMCFeature(u"printing/PrintQuality", u"Best");
  SetDMCFeature(u"printing/TTAsBitmapSetting", u"TTModeOutline");
  auto root = PresetRoot();
  GPrintQualityHandler handler(library.get(), &instance);
  EXPECT_EQ(handler.Import(root.get(), changes.get()), 1);
  EXPECT_EQ(Value(root.get(), 362, 250), 10);  // ZepChoice from 218
  EXPECT_EQ(Value(root.get(), 362, 277), 11);
  EXPECT_EQ(Value(root.get(), 362, 442), 12);
  EXPECT_EQ(Value(root.get(), 362, 251), 13);
  EXPECT_EQ(Value(root.get(), 364, 255), 14);
  EXPECT_EQ(Value(root.get(), 364, 585), 16);
  EXPECT_EQ(Value(root.get(), 364, 582), 0);  // 593 is off in this preset
  EXPECT_EQ(Value(root.get(), 364, 583), 0);
  EXPECT_EQ(Value(root.get(), 364, 584), 0);
  EXPECT_EQ(Value(root.get(), 362, 245), 20);
  EXPECT_EQ(Value(root.get(), 362, 405), 21);
  EXPECT_EQ(Value(root.get(), 362, 703), 22);
  EXPECT_EQ(Value(root.get(), 364, 900), 23);
  EXPECT_EQ(Value(root.get(), 364, 910), 24);
  EXPECT_EQ(Value(root.get(), 362, 911), 25);
  EXPECT_EQ(Resolution(root.get(), 323), 600);
  EXPECT_EQ(Resolution(root.get(), 324), 600);
  EXPECT_EQ(Resolution(root.get(), 325), 1);
  // The preset set TTAsBitmapSetting to 1; the tree's own option follows.
  EXPECT_EQ(Value(root.get(), 364, 293), 0);
  EXPECT_EQ(Changes(), (Values{{250, 10}, {277, 11}, {442, 12}, {251, 13}, {255, 14}, {293, 1}, {585, 16},
                               {245, 20}, {405, 21}, {703, 22}, {900, 23}, {323, 600}, {324, 600}, {325, 1},
                               {910, 24}, {911, 25}, {293, 0}}));
}

TEST_F(PresetTest, NormalCopiesPreset327WithItsConditionalRows) {
  AddPreset(326, 10, false);
  AddPreset(327, 40, true);
  SetDMCFeature(u"printing/PrintQuality", u"Normal");
  auto root = PresetRoot();
  EXPECT_EQ(GPrintQualityHandler(library.get(), &instance).Import(root.get(), changes.get()), 1);
  EXPECT_EQ(Value(root.get(), 362, 250), 40);
  EXPECT_EQ(Value(root.get(), 364, 582), 47);
  EXPECT_EQ(Value(root.get(), 364, 583), 48);
  EXPECT_EQ(Value(root.get(), 364, 584), 49);
  EXPECT_EQ(Resolution(root.get(), 324), 300);
}

TEST_F(PresetTest, OtherTextsMissingPresetsAndNoChangeList) {
  AddPreset(326, 10, false);
  struct Case {
    const char* what;
    std::u16string text;
    bool withChanges;
    int result;
    int16_t zep;
  } cases[] = {
      {"fast is no preset", u"Fast", true, 0, 0},
      {"custom is no preset", u"Custom", true, 0, 0},
      {"no preset 327", u"Normal", true, 1, 0},
      {"no change list", u"Best", false, 1, 0},
      {"best", u"Best", true, 1, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ClearRun();
    SetDMCFeature(u"printing/PrintQuality", c.text);
    auto root = PresetRoot();
    EXPECT_EQ(GPrintQualityHandler(library.get(), &instance).Import(root.get(), c.withChanges ? changes.get() : nullptr),
              c.result);
    EXPECT_EQ(Value(root.get(), 362, 250), c.zep);
  }
  // The path unknown: 0; the text-as-black feature alone still counts.
  FakeDMC().features.clear();
  auto root = PresetRoot();
  EXPECT_EQ(GPrintQualityHandler(library.get(), &instance).Import(root.get(), changes.get()), 0);
  SetDMCFeature(u"printing/TextAsBlack", u"TRUE");
  EXPECT_EQ(GPrintQualityHandler(library.get(), &instance).Import(root.get(), changes.get()), 1);
  EXPECT_EQ(Value(root.get(), 362, 585), 1);
}

TEST_F(PresetTest, ExportNamesThePresetTheSettingsMatch) {
  AddPreset(326, 10, false);
  AddPreset(327, 40, true);
  struct Case {
    const char* what;
    std::u16string imported;  // the preset copied first, empty: none
    std::function<void(GAttributeComposite*)> change;
    QualityHandlersTexts exports;
  } cases[] = {
      {"best", u"Best", nullptr, {u"printing/PrintQuality=Best"}},
      {"normal", u"Normal", nullptr, {u"printing/PrintQuality=Normal"}},
      {"best, a conditional row off in the preset differs", u"Best",
       [](GAttributeComposite* r) { ValueIn(r, 364, 582)->SetValue(5); }, {u"printing/PrintQuality=Best"}},
      {"normal, a conditional row differs", u"Normal",
       [](GAttributeComposite* r) { ValueIn(r, 364, 582)->SetValue(5); }, {}},
      {"normal, the y resolution differs", u"Normal",
       [](GAttributeComposite* r) {
         dynamic_cast<GValueAttribute*>(Group(r, 362)->FindById(249)->FindById(324))->SetValue(600);
       },
       {}},
      {"neither", u"", nullptr, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto root = PresetRoot();
    if (!c.imported.empty()) {
      SetDMCFeature(u"printing/PrintQuality", c.imported);
      ASSERT_EQ(GPrintQualityHandler(library.get(), &instance).Import(root.get(), changes.get()), 1);
    }
    if (c.change) c.change(root.get());
    ClearRun();
    EXPECT_EQ(GPrintQualityHandler(library.get(), &instance).Export(root.get()), c.exports.empty() ? 0 : 1);
    EXPECT_EQ(Exports(), c.exports);
  }
}

TEST_F(PresetTest, WithoutPresetsExportWritesBest) {
  auto root = PresetRoot();
  EXPECT_EQ(GPrintQualityHandler(library.get(), &instance).Export(root.get()), 1);
  EXPECT_EQ(GPrintQualityHandler(library.get(), nullptr).Export(root.get()), 1);
  EXPECT_EQ(Exports(), (QualityHandlersTexts{u"printing/PrintQuality=Best", u"printing/PrintQuality=Best"}));
}

// ---- Resolution ----

TEST_F(QualityHandlersTest, ResolutionSetsDotsPerInchAndBitsPerPixel) {
  struct Case {
    std::u16string text;
    int16_t dpi, bits;
  } cases[] = {{u"600dpi", 600, 1},          {u"300dpi", 300, 1},          {u"RAPIDOT_1200", 1200, 2},
               {u"CRISPA_1200", 1200, 1},     {u"CRISPA_1200_141", 1200, 1}, {u"CRISPA_1200_180", 1200, 1},
               {u"CRISPA_1200_212", 1200, 1}};
  for (const Case& c : cases) {
    ClearRun();
    SetDMCFeature(u"printing/Resolution", c.text);
    auto root = Root({});
    Group(root.get(), 362)->AddChild(MakeGroup(249, {{323, 0}, {324, 0}, {325, 0}}));
    GResolutionHandler handler(library.get());
    EXPECT_EQ(handler.Import(root.get(), changes.get()), 1);
    EXPECT_EQ(ValueIn(root.get(), 249, 323)->GetValue(), c.dpi);
    EXPECT_EQ(ValueIn(root.get(), 249, 324)->GetValue(), c.dpi);
    EXPECT_EQ(ValueIn(root.get(), 249, 325)->GetValue(), c.bits);
    EXPECT_EQ(changes->GetEntryCount(), 0);
    EXPECT_EQ(FakeDMC().buffers.at(0).capacityUnits, 128u);
  }
  // A member missing, or an unknown option: nothing changes.
  for (int32_t missing : {323, 324, 325}) {
    Values members = {{323, 0}, {324, 0}, {325, 0}};
    std::erase_if(members, [&](const auto& m) { return m.first == missing; });
    auto root = Root({});
    Group(root.get(), 362)->AddChild(MakeGroup(249, members));
    EXPECT_EQ(GResolutionHandler(library.get()).Import(root.get(), changes.get()), 0) << missing;
  }
  SetDMCFeature(u"printing/Resolution", u"1200dpi");
  auto root = Root({});
  Group(root.get(), 362)->AddChild(MakeGroup(249, {{323, 7}, {324, 7}, {325, 7}}));
  EXPECT_EQ(GResolutionHandler(library.get()).Import(root.get(), changes.get()), 0);
  EXPECT_EQ(ValueIn(root.get(), 249, 323)->GetValue(), 7);
}

TEST_F(QualityHandlersTest, ResolutionExportsTheOptionOfItsDotsPerInch) {
  struct Case {
    int16_t dpi, bits;
    QualityHandlersTexts exports;
  } cases[] = {{600, 1, {u"printing/Resolution=600dpi"}},
               {300, 2, {u"printing/Resolution=300dpi"}},
               {1200, 2, {u"printing/Resolution=RAPIDOT_1200"}},
               {1200, 1, {u"printing/Resolution=CRISPA_1200"}},
               {1200, 8, {}},
               {2, 1, {}}};
  for (const Case& c : cases) {
    ClearRun();
    auto root = Root({});
    Group(root.get(), 362)->AddChild(MakeGroup(249, {{323, c.dpi}, {324, c.dpi}, {325, c.bits}}));
    EXPECT_EQ(GResolutionHandler(library.get()).Export(root.get()), c.exports.empty() ? 0 : 1);
    EXPECT_EQ(Exports(), c.exports);
  }
}

// ---- Print colour as grey ----

TEST_F(QualityHandlersTest, PrintColorAsGrayOnImportsItsOption) {
  struct Case {
    std::u16string text;
    int16_t gray;
    int result;
    int16_t option;
  } cases[] = {{u"TRUE", 1, 1, 1},    {u"Enable", 1, 1, 1}, {u"Disable", 0, 1, 50},
               {u"FALSE", 0, 1, 50},  {u"On", 50, 0, 50}};
  SetDMCFeature(u"printing/PrintColorAsGray[TRUE]/PrintColorAsGrayOptions", u"BlackOnly");
  for (const Case& c : cases) {
    ClearRun();
    SetDMCFeature(u"printing/PrintColorAsGray", c.text);
    auto root = Root({{410, 50}}, {{296, 50}});
    EXPECT_EQ(GPrintColorAsGrayHandler(library.get()).Import(root.get(), changes.get()), c.result);
    EXPECT_EQ(Value(root.get(), 364, 296), c.gray);
    EXPECT_EQ(Value(root.get(), 362, 410), c.option);
    Values expected;
    if (c.result) expected.emplace_back(296, c.gray);
    if (c.option != 50) expected.emplace_back(410, c.option);
    EXPECT_EQ(Changes(), expected);
  }
  // Already on from before: the option is read though the text is unknown.
  ClearRun();
  SetDMCFeature(u"printing/PrintColorAsGray", u"On");
  auto root = Root({{410, 50}}, {{296, 1}});
  EXPECT_EQ(GPrintColorAsGrayHandler(library.get()).Import(root.get(), changes.get()), 1);
  EXPECT_EQ(Value(root.get(), 362, 410), 1);
  // Without the attribute nothing is asked.
  ClearRun();
  auto bare = Root({{410, 50}});
  EXPECT_EQ(GPrintColorAsGrayHandler(library.get()).Import(bare.get(), changes.get()), 0);
  EXPECT_TRUE(FakeDMC().calls.empty());
}

TEST_F(QualityHandlersTest, PrintColorAsGrayLockAcceptsAnyNonZeroAnswer) {
  for (int answer : {1, 3}) {
    FakeDMC().lockAnswer = answer;
    SetDMCFeature(u"printing/PrintColorAsGray", u"Unknown", {{u"lock", u"TRUE"}});
    auto root = Root({}, {{296, 0}});
    EXPECT_EQ(GPrintColorAsGrayHandler(library.get()).Import(root.get(), changes.get()), 0);
    EXPECT_EQ(Locked(root.get()), std::vector<int16_t>{296});
  }
  SetDMCFeature(u"printing/PrintColorAsGray", u"TRUE", {{u"lock", u"yes"}});
  auto root = Root({}, {{296, 0}});
  GPrintColorAsGrayHandler(library.get()).Import(root.get(), changes.get());
  EXPECT_TRUE(Locked(root.get()).empty());
}

TEST_F(QualityHandlersTest, PrintColorAsGrayExportTriesItsTextsInOrder) {
  struct Case {
    int16_t gray;
    QualityHandlersTexts refused;
    QualityHandlersTexts exports;
    int result;
  } cases[] = {
      {1, {}, {u"printing/PrintColorAsGray=Enable", u"printing/PrintColorAsGray[TRUE]/PrintColorAsGrayOptions=HighQuality"}, 1},
      {0, {}, {u"printing/PrintColorAsGray=Disable", u"printing/PrintColorAsGray[TRUE]/PrintColorAsGrayOptions=HighQuality"}, 1},
      {1, {u"printing/PrintColorAsGray=Enable"},
       {u"printing/PrintColorAsGray=Enable", u"printing/PrintColorAsGray=TRUE",
        u"printing/PrintColorAsGray[TRUE]/PrintColorAsGrayOptions=HighQuality"},
       1},
      {0, {u"printing/PrintColorAsGray=Disable", u"printing/PrintColorAsGray=FALSE"},
       {u"printing/PrintColorAsGray=Disable", u"printing/PrintColorAsGray=FALSE",
        u"printing/PrintColorAsGray[TRUE]/PrintColorAsGrayOptions=HighQuality"},
       1},
      {5, {}, {u"printing/PrintColorAsGray[TRUE]/PrintColorAsGrayOptions=HighQuality"}, 1},
  };
  for (const Case& c : cases) {
    ClearRun();
    FakeDMC().refusedExports = c.refused;
    auto root = Root({{410, 0}}, {{296, c.gray}});
    EXPECT_EQ(GPrintColorAsGrayHandler(library.get()).Export(root.get()), c.result);
    EXPECT_EQ(Exports(), c.exports);
  }
  FakeDMC().refusedExports.clear();
  ClearRun();
  auto root = Root({}, {{296, 7}});
  EXPECT_EQ(GPrintColorAsGrayHandler(library.get()).Export(root.get()), 0);
  EXPECT_TRUE(Exports().empty());
}

TEST_F(QualityHandlersTest, PrintColorAsGrayOptionsAlone) {
  for (const auto& [text, value] : {std::pair<std::u16string, int16_t>{u"BlackOnly", 1}, {u"HighQuality", 0}}) {
    ClearRun();
    SetDMCFeature(u"printing/PrintColorAsGray[TRUE]/PrintColorAsGrayOptions", text);
    auto root = Root({{410, 50}});
    GPrintColorAsGrayOptionsHandler handler(library.get());
    EXPECT_EQ(handler.Import(root.get(), changes.get()), 1);
    EXPECT_EQ(Changes(), (Values{{410, value}}));
    EXPECT_EQ(handler.Export(root.get()), 1);
    EXPECT_EQ(Exports(), (QualityHandlersTexts{u"printing/PrintColorAsGray[TRUE]/PrintColorAsGrayOptions=" + text}));
  }
}

// ---- Colour control ----

const std::u16string kTw = u"printing/QVTintwright/QVTintwright_";

// Every sub-feature's import and export as the colour table gives them.
TEST_F(QualityHandlersTest, ColourSubFeatureTablesMapOptionsAndCodes) {
  struct Case {
    std::u16string name;
    std::vector<std::pair<std::u16string, int>> imports;  // "" stands for any other text
    std::vector<std::pair<int, std::u16string>> exports;  // -1 stands for any other code
  } cases[] = {
      {u"Text_Halftone", {{u"Smooth", 42}, {u"", 41}}, {{41, u"Detail"}, {-1, u"Smooth"}}},
      {u"Text_NeutralGrays", {{u"4-Color", 71}, {u"", 70}}, {{70, u"BlackOnly"}, {-1, u"4-Color"}}},
      {u"Graphics_Halftone", {{u"Smooth", 52}, {u"", 51}}, {{51, u"Detail"}, {-1, u"Smooth"}}},
      {u"Graphics_NeutralGrays", {{u"4-Color", 81}, {u"", 80}}, {{80, u"BlackOnly"}, {-1, u"4-Color"}}},
      {u"Photo_Halftone", {{u"Smooth", 62}, {u"", 61}}, {{61, u"Detail"}, {-1, u"Smooth"}}},
      {u"Photo_NeutralGrays", {{u"BlackOnly", 90}, {u"", 91}}, {{91, u"4-Color"}, {-1, u"BlackOnly"}}},
      {u"ColorOptions_RGBColor", {{u"Device", 99}, {u"", 98}}, {{98, u"Default-sRGB"}, {-1, u"Device"}}},
      {u"Text_SRGBColor", {{u"Default-sRGB", 100}, {u"Device", 102}, {u"", 101}},
       {{100, u"Default-sRGB"}, {101, u"Vivid"}, {-1, u"Device"}}},
      {u"Graphics_SRGBColor", {{u"Default-sRGB", 103}, {u"Device", 105}, {u"", 104}},
       {{103, u"Default-sRGB"}, {104, u"Vivid"}, {-1, u"Device"}}},
      {u"Photo_SRGBColor", {{u"Default-sRGB", 106}, {u"Device", 108}, {u"", 107}},
       {{106, u"Default-sRGB"}, {107, u"Vivid"}, {-1, u"Device"}}},
      {u"ColorOptions_EdgeControl", {{u"Maximum", 96}, {u"Off", 93}, {u"Light", 94}, {u"", 95}},
       {{96, u"Maximum"}, {93, u"Off"}, {94, u"Light"}, {-1, u"Normal"}}},
  };
  ASSERT_EQ(std::size(cases), GTintwrightHandler::kSubFeatureCount);
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& feature = GTintwrightHandler::kSubFeatures[i];
    const Case& c = cases[i];
    EXPECT_EQ(std::u16string(feature.path), kTw + c.name);
    for (const auto& [text, code] : c.imports) {
      if (!text.empty()) {
        EXPECT_EQ(GTintwrightHandler::ImportCode(feature, text.c_str()), code);
      } else {
        for (const WCHAR* other : {u"Vivid", u"Normal", u"", u"smooth", u"Detail"}) {
          EXPECT_EQ(GTintwrightHandler::ImportCode(feature, other), code) << i;
        }
      }
    }
    for (const auto& [code, text] : c.exports) {
      if (code >= 0) {
        EXPECT_EQ(std::u16string(GTintwrightHandler::ExportText(feature, static_cast<uint8_t>(code))), text);
      } else {
        for (int other : {0, 1, 95, 97, 109, 255}) {
          EXPECT_EQ(std::u16string(GTintwrightHandler::ExportText(feature, static_cast<uint8_t>(other))), text) << i;
        }
      }
    }
  }
}

class TintwrightTest : public QualityHandlersTest {
 protected:
  // Group 364 with 304 and, when asked, a colour-control attribute.
  std::unique_ptr<GAttributeComposite> TintRoot(int version, int16_t value = 0) {
    auto root = Root({}, {{304, value}});
    const int32_t id = 295;
    if (version == 1) Group(root.get(), 364)->AddChild(new GTintwrightEnhancedAttribute(&id));
    if (version == 2) Group(root.get(), 364)->AddChild(new GTintwrightEnhancedAttributeVer2(&id));
    return root;
  }
  static GTintwrightEnhancedAttribute* First(GAttributeComposite* root) {
    return dynamic_cast<GTintwrightEnhancedAttribute*>(Group(root, 364)->FindByClass(797));
  }
  static GTintwrightEnhancedAttributeVer2* Second(GAttributeComposite* root) {
    return dynamic_cast<GTintwrightEnhancedAttributeVer2*>(Group(root, 364)->FindByClass(1201));
  }
  static int Code(GAttributeComposite* root, int type, int selector) {
    unsigned char code = 0;
    if (auto* first = First(root)) return first->GetEnhancedSetting(type, selector, &code) ? code : -1;
    if (auto* second = Second(root)) return second->GetCode(type, selector, &code) ? code : -1;
    return -1;
  }
  // Every colour sub-feature of the tree with a non-default option.
  void SetAllColours() {
    SetDMCFeature(kTw + u"Text_Halftone", u"Smooth");
    SetDMCFeature(kTw + u"Text_NeutralGrays", u"4-Color");
    SetDMCFeature(kTw + u"Graphics_Halftone", u"Smooth");
    SetDMCFeature(kTw + u"Graphics_NeutralGrays", u"4-Color");
    SetDMCFeature(kTw + u"Photo_Halftone", u"Smooth");
    SetDMCFeature(kTw + u"Photo_NeutralGrays", u"BlackOnly");
    SetDMCFeature(kTw + u"ColorOptions_RGBColor", u"Device");
    SetDMCFeature(kTw + u"Text_SRGBColor", u"Device");
    SetDMCFeature(kTw + u"Graphics_SRGBColor", u"Default-sRGB");
    SetDMCFeature(kTw + u"Photo_SRGBColor", u"Vivid");
    SetDMCFeature(kTw + u"ColorOptions_EdgeControl", u"Maximum");
  }
};

TEST_F(TintwrightTest, AutomaticChangesNothing) {
  SetDMCFeature(u"printing/QVTintwright", u"Automatic");
  SetAllColours();
  auto root = TintRoot(1, 2);
  EXPECT_EQ(GTintwrightHandler(library.get()).Import(root.get(), changes.get()), 0);
  EXPECT_EQ(Value(root.get(), 364, 304), 2);
  EXPECT_EQ(Code(root.get(), 0, 1), 41);
  EXPECT_EQ(changes->GetEntryCount(), 0);
  auto bare = Root({});
  EXPECT_EQ(GTintwrightHandler(library.get()).Import(bare.get(), changes.get()), 0);
  EXPECT_EQ(GTintwrightHandler(library.get()).Export(bare.get()), 0);
}

TEST_F(TintwrightTest, ManualImportsTheFirstVersionsCodes) {
  SetDMCFeature(u"printing/QVTintwright", u"Manual");
  SetAllColours();
  auto root = TintRoot(1);
  EXPECT_EQ(GTintwrightHandler(library.get()).Import(root.get(), changes.get()), 1);
  EXPECT_EQ(Value(root.get(), 364, 304), 6);
  const std::vector<std::tuple<int, int, int>> expected = {{0, 1, 42}, {0, 0, 71}, {1, 1, 52}, {1, 0, 81},
                                                           {2, 1, 62}, {2, 0, 90}, {3, 3, 99}, {3, 2, 96}};
  for (const auto& [type, selector, code] : expected) EXPECT_EQ(Code(root.get(), type, selector), code);
  ASSERT_EQ(changes->GetEntryCount(), 2);
  EXPECT_EQ(ValuesOf(changes.get()), (Values{{304, 6}}));
  auto* copy = dynamic_cast<GTintwrightEnhancedAttribute*>(changes->ChildAt(1));
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, First(root.get()));
  unsigned char code = 0;
  ASSERT_EQ(copy->GetEnhancedSetting(3, 2, &code), 1);
  EXPECT_EQ(code, 96);
  // 256-byte buffers for the feature and each sub-feature.
  for (const auto& b : FakeDMC().buffers) {
    if (b.entry == "DMCGet") {
      EXPECT_EQ(b.capacityUnits, 128u);
    }
  }
}

TEST_F(TintwrightTest, ManualImportsTheSecondVersionsCodes) {
  SetDMCFeature(u"printing/QVTintwright", u"Manual");
  SetAllColours();
  auto root = TintRoot(2);
  EXPECT_EQ(GTintwrightHandler(library.get()).Import(root.get(), changes.get()), 1);
  const std::vector<std::tuple<int, int, int>> expected = {{0, 1, 42}, {0, 0, 71}, {1, 1, 52},  {1, 0, 81},
                                                           {2, 1, 62}, {2, 0, 90}, {0, 3, 102}, {1, 3, 103},
                                                           {2, 3, 107}, {3, 2, 96}};
  for (const auto& [type, selector, code] : expected) EXPECT_EQ(Code(root.get(), type, selector), code);
  // Exporting writes the ten sub-features back.
  ClearRun();
  EXPECT_EQ(GTintwrightHandler(library.get()).Export(root.get()), 1);
  EXPECT_EQ(Exports(), (QualityHandlersTexts{u"printing/QVTintwright=Manual", kTw + u"Text_Halftone=Smooth",
                              kTw + u"Text_NeutralGrays=4-Color", kTw + u"Graphics_Halftone=Smooth",
                              kTw + u"Graphics_NeutralGrays=4-Color", kTw + u"Photo_Halftone=Smooth",
                              kTw + u"Photo_NeutralGrays=BlackOnly", kTw + u"Text_SRGBColor=Device",
                              kTw + u"Graphics_SRGBColor=Default-sRGB", kTw + u"Photo_SRGBColor=Vivid",
                              kTw + u"ColorOptions_EdgeControl=Maximum"}));
}

TEST_F(TintwrightTest, AMissingCountingPathKeepsEveryCode) {
  const std::u16string counting[] = {u"Text_Halftone",        u"Text_NeutralGrays", u"Graphics_Halftone",
                                     u"Graphics_NeutralGrays", u"Photo_Halftone",    u"Photo_NeutralGrays",
                                     u"ColorOptions_EdgeControl"};
  for (int version : {1, 2}) {
    for (const std::u16string& missing : counting) {
      FakeDMC().features.clear();
      ClearRun();
      SetDMCFeature(u"printing/QVTintwright", u"Manual");
      SetAllColours();
      std::erase_if(FakeDMC().features, [&](const auto& f) { return f.path == kTw + missing; });
      auto root = TintRoot(version);
      EXPECT_EQ(GTintwrightHandler(library.get()).Import(root.get(), changes.get()), 1);
      EXPECT_EQ(Value(root.get(), 364, 304), 6);
      EXPECT_EQ(Code(root.get(), 0, 0), 70) << version;  // the defaults stay
      EXPECT_EQ(Code(root.get(), 3, 2), 95) << version;
      EXPECT_EQ(changes->GetEntryCount(), 1);
    }
  }
  // The colour paths do not count: the rest is written, those codes stay.
  for (int version : {1, 2}) {
    FakeDMC().features.clear();
    ClearRun();
    SetDMCFeature(u"printing/QVTintwright", u"Manual");
    SetAllColours();
    std::erase_if(FakeDMC().features, [](const auto& f) { return f.path.find(u"RGBColor") != std::u16string::npos; });
    auto root = TintRoot(version);
    EXPECT_EQ(GTintwrightHandler(library.get()).Import(root.get(), changes.get()), 1);
    EXPECT_EQ(Code(root.get(), 0, 0), 71);
    EXPECT_EQ(Code(root.get(), version == 1 ? 3 : 2, 3), version == 1 ? 98 : 106);
    EXPECT_EQ(changes->GetEntryCount(), 2);
  }
}

TEST_F(TintwrightTest, WithoutAColourObjectManualStillSetsTheMode) {
  SetDMCFeature(u"printing/QVTintwright", u"Manual");
  SetAllColours();
  auto root = TintRoot(0);
  EXPECT_EQ(GTintwrightHandler(library.get()).Import(root.get(), changes.get()), 1);
  EXPECT_EQ(Value(root.get(), 364, 304), 6);
  EXPECT_EQ(Changes(), (Values{{304, 6}}));
  ClearRun();
  EXPECT_EQ(GTintwrightHandler(library.get()).Export(root.get()), 1);
  EXPECT_EQ(Exports(), (QualityHandlersTexts{u"printing/QVTintwright=Manual"}));
}

TEST_F(TintwrightTest, ExportWritesAutomaticOrTheFirstVersionsOptions) {
  for (int16_t value : {0, 1, 5, 7, -1}) {
    ClearRun();
    auto root = TintRoot(1, value);
    EXPECT_EQ(GTintwrightHandler(library.get()).Export(root.get()), 1);
    EXPECT_EQ(Exports(), (QualityHandlersTexts{u"printing/QVTintwright=Automatic"}));
  }
  ClearRun();
  auto root = TintRoot(1, 6);  // the default codes
  EXPECT_EQ(GTintwrightHandler(library.get()).Export(root.get()), 1);
  EXPECT_EQ(Exports(), (QualityHandlersTexts{u"printing/QVTintwright=Manual", kTw + u"Text_Halftone=Detail",
                              kTw + u"Text_NeutralGrays=BlackOnly", kTw + u"Graphics_Halftone=Detail",
                              kTw + u"Graphics_NeutralGrays=BlackOnly", kTw + u"Photo_Halftone=Detail",
                              kTw + u"Photo_NeutralGrays=4-Color", kTw + u"ColorOptions_RGBColor=Default-sRGB",
                              kTw + u"ColorOptions_EdgeControl=Normal"}));
}

TEST_F(TintwrightTest, UnterminatedAnswersAreCutAtTheBuffer) {
  SetDMCFeature(u"printing/QVTintwright", u"Manual");
  SetAllColours();
  FakeDMC().noTerminators = true;
  auto root = TintRoot(1);
  // "Manual" followed by filler is another text: nothing happens, and
  // nothing is read past the buffers.
  EXPECT_EQ(GTintwrightHandler(library.get()).Import(root.get(), changes.get()), 0);
  EXPECT_EQ(Value(root.get(), 364, 304), 0);
  FakeDMC().noTerminators = false;
}

// ---- The client's table ----

TEST_F(QualityHandlersTest, TheClientTableCreatesTheseHandlers) {
  std::unique_ptr<GConfigFeatureHandler> h(CreateConfigFeatureHandler(u"PrintQuality", library.get(), &instance));
  EXPECT_NE(dynamic_cast<GPrintQualityHandler*>(h.get()), nullptr);
  h.reset(CreateConfigFeatureHandler(u"Resolution", library.get(), &instance));
  EXPECT_NE(dynamic_cast<GResolutionHandler*>(h.get()), nullptr);
  h.reset(CreateConfigFeatureHandler(u"PrintColorAsGray", library.get(), &instance));
  EXPECT_NE(dynamic_cast<GPrintColorAsGrayHandler*>(h.get()), nullptr);
  h.reset(CreateConfigFeatureHandler(u"QVTintwright", library.get(), &instance));
  EXPECT_NE(dynamic_cast<GTintwrightHandler*>(h.get()), nullptr);
  h.reset(CreateConfigFeatureHandler(u"PrintColorAsGrayOptions", library.get(), &instance));
  EXPECT_EQ(h, nullptr);

  // The print-quality handler reads the presets through the instance.
  auto* preset = MakeGroup(326, {{218, 3}});
  Configuration()->AddChild(preset);
  SetDMCFeature(u"printing/PrintQuality", u"Best");
  auto root = Root({{250, 0}});
  h.reset(CreateConfigFeatureHandler(u"PrintQuality", library.get(), &instance));
  EXPECT_EQ(h->Import(root.get(), changes.get()), 1);
  EXPECT_EQ(Value(root.get(), 362, 250), 3);
}

}  // namespace
