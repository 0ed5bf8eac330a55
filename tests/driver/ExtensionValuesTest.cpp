#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "driver/ExtensionValues.h"
#include "driver/GDriverExtension.h"
#include "model/GEnumAttribute.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "support/ExtensionTestSupport.h"

namespace {

using qvtest::ExtTestCommand;
using qvtest::ExtTestGenerator;
using qvtest::Group;
using qvtest::Text;
using qvtest::Value;

constexpr int16_t kUntouched = -777;

GMedia* PageMedia(int16_t paperId, int32_t orientation, const char* mediaType) {
  const GShortPoint size(5100, 6600);
  const GShortPoint extent(4900, 6300);
  const GShortPoint origin(100, 120);
  return new GMedia("Paper", &size, &extent, &origin, orientation, paperId, 600, 600, &GFeatureIds::kPageMedia, 0, nullptr,
                    mediaType);
}

GAttributeComposite* Resolution(int16_t x, int16_t y, int16_t bits, int32_t id = 249) {
  GAttributeComposite* resolution = Group(id);
  resolution->AddChild(Value(323, x));
  resolution->AddChild(Value(324, y));
  resolution->AddChild(Value(325, bits));
  return resolution;
}

GAttributeComposite* Options(std::initializer_list<std::pair<int32_t, int16_t>> values) {
  GAttributeComposite* options = Group(365);
  for (const auto& [id, value] : values) options->AddChild(Value(id, value));
  return options;
}

GAttributeComposite* NUp(int32_t id, int16_t value) {
  GAttributeComposite* layout = Group(329);
  layout->AddChild(Value(id, value));
  return layout;
}

class ExtensionValuesTest : public ::testing::Test {
 protected:
  int16_t Ask(uint16_t id, GAttributeComposite* settings = nullptr) {
    out = kUntouched;
    return GetExtensionValue(id, &out, settings, &extension);
  }
  // Sets the job's current command and returns it.
  ExtTestCommand* Command(RWClassID classId) {
    command = std::make_unique<ExtTestCommand>(classId);
    extension.GetInfoBlock()->command = command.get();
    return command.get();
  }

  GDriverExtension extension;
  std::unique_ptr<ExtTestCommand> command;
  int16_t out = kUntouched;
};

// ---- The user-interface side: values read from the settings given ----

struct SettingsCase {
  const char* name;
  uint16_t id;
  std::function<void(GAttributeComposite*)> fill;
  int16_t answer;
  int16_t value;
};

TEST_F(ExtensionValuesTest, ValuesFromTheSettingsFollowTheCodeTables) {
  const SettingsCase cases[] = {
      {"A4 paper", 30, [](auto* s) { s->AddChild(Value(260, 23)); }, 0, 33},
      {"custom paper", 30, [](auto* s) { s->AddChild(Value(260, 0x4000)); }, 0, 59},
      {"postcard", 30, [](auto* s) { s->AddChild(Value(260, 55)); }, 0, 46},
      {"landscape", 70, [](auto* s) { s->AddChild(Value(265, 90)); }, 0, 72},
      {"odd angle kept", 70, [](auto* s) { s->AddChild(Value(265, 45)); }, 0, 45},
      {"Gloss", 80, [](auto* s) { s->AddChild(Text(261, "Gloss")); }, 0, 97},
      {"Glossy", 80, [](auto* s) { s->AddChild(Text(261, "Glossy")); }, 0, 97},
      {"lower-case plain", 80, [](auto* s) { s->AddChild(Text(261, "plain")); }, 0, 83},
      {"automatic media", 80, [](auto* s) { s->AddChild(Text(261, "")); }, 0, 83},
      {"28 lb Type2", 81, [](auto* s) { s->AddChild(Text(262, "28 lb Type2")); }, 0, 99},
      {"back cover envelope", 82, [](auto* s) { s->AddChild(Text(973, "Envelope")); }, 0, 100},
      {"tray 1", 110, [](auto* s) { s->AddChild(Value(258, 1)); }, 0, 116},
      {"tray 26", 110, [](auto* s) { s->AddChild(Value(258, 26)); }, 0, 125},
      {"extension tray 30", 110, [](auto* s) { s->AddChild(Value(258, 30)); }, 0, 30},
      {"rest tray 19", 111, [](auto* s) { s->AddChild(Value(263, 19)); }, 0, 113},
      {"back cover tray 13", 112, [](auto* s) { s->AddChild(Value(921, 13)); }, 0, 118},
      {"bin 4", 130, [](auto* s) { s->AddChild(Value(248, 4)); }, 0, 149},
      {"bin 27", 130, [](auto* s) { s->AddChild(Value(248, 27)); }, 0, 148},
      {"extension bin 59", 130, [](auto* s) { s->AddChild(Value(248, 59)); }, 0, 59},
      {"duplex long edge", 150, [](auto* s) { s->AddChild(Value(253, 1)); }, 0, 152},
      {"simplex", 150, [](auto* s) { s->AddChild(Value(253, 0)); }, 0, 0},
      {"booklet 2", 160, [](auto* s) { s->AddChild(Value(279, 2)); }, 0, 162},
      {"booklet size A3", 165, [](auto* s) { s->AddChild(Value(280, 22)); }, 0, 36},
      {"4-up", 170, [](auto* s) { s->AddChild(NUp(266, 4)); }, 0, 173},
      {"1-up", 170, [](auto* s) { s->AddChild(NUp(266, 1)); }, 0, 0},
      {"n-up value outside the n-up group", 170, [](auto* s) { s->AddChild(Value(266, 4)); }, 1, kUntouched},
      {"page order 3", 180, [](auto* s) { s->AddChild(NUp(268, 3)); }, 0, 184},
      {"stapler", 190, [](auto* s) { s->AddChild(Value(278, 5)); }, 0, 5},
      {"stapling 7", 191, [](auto* s) { s->AddChild(Value(278, 1)); s->AddChild(Value(289, 7)); }, 0, 199},
      {"stapling 8 kept", 191, [](auto* s) { s->AddChild(Value(278, 1)); s->AddChild(Value(289, 8)); }, 0, 8},
      {"stapling without stapler", 191, [](auto* s) { s->AddChild(Value(289, 7)); }, 1, kUntouched},
      {"300 dpi 1 bit", 200, [](auto* s) { s->AddChild(Resolution(300, 300, 1)); }, 0, 201},
      {"600 dpi 1 bit", 200, [](auto* s) { s->AddChild(Resolution(600, 600, 1)); }, 0, 202},
      {"600 dpi 2 bits", 200, [](auto* s) { s->AddChild(Resolution(600, 600, 2)); }, 0, 204},
      {"1200 dpi", 200, [](auto* s) { s->AddChild(Resolution(1200, 1200, 8)); }, 0, 203},
      {"1200 x 600", 200, [](auto* s) { s->AddChild(Resolution(1200, 600, 1)); }, 0, 1200},
      {"edge to edge without capability", 210, [](auto* s) { s->AddChild(Value(442, 3)); }, 0, 211},
      {"edge to edge capability -1", 210,
       [](auto* s) { s->AddChild(Options({{444, -1}})); s->AddChild(Value(442, 3)); }, 0, 211},
      {"edge to edge -1", 210,
       [](auto* s) { s->AddChild(Options({{444, 1}})); s->AddChild(Value(442, -1)); }, 0, 211},
      {"edge to edge kept", 210,
       [](auto* s) { s->AddChild(Options({{444, 1}})); s->AddChild(Value(442, 3)); }, 0, 3},
      {"edge to edge missing", 210, [](auto* s) { s->AddChild(Options({{444, 1}})); }, 1, kUntouched},
      {"fit to size 2", 220, [](auto* s) { s->AddChild(Value(270, 2)); }, 0, 0},
      {"fit to size 1", 220, [](auto* s) { s->AddChild(Value(270, 1)); }, 0, 1},
      {"scale page", 224, [](auto* s) { s->AddChild(Value(271, 1)); }, 0, 1},
      {"scale percent", 230, [](auto* s) { s->AddChild(Value(269, 150)); }, 0, 150},
      {"copies", 240, [](auto* s) { s->AddChild(Value(291, 12)); }, 0, 12},
      {"collate", 245, [](auto* s) { s->AddChild(Value(292, 1)); }, 0, 1},
      {"collate missing still answers", 245, [](auto*) {}, 0, 0},
      {"target size legal", 250, [](auto* s) { s->AddChild(Value(272, 6)); }, 0, 32},
      {"hard disk", 260, [](auto* s) { s->AddChild(Options({{239, 1}})); }, 0, 1},
      {"duplex unit 2", 261, [](auto* s) { s->AddChild(Options({{308, 2}})); }, 0, 0},
      {"memory", 262, [](auto* s) { s->AddChild(Options({{925, 64}})); }, 0, 64},
      {"option 307", 263, [](auto* s) { s->AddChild(Options({{307, 3}})); }, 0, 3},
      {"collation unit", 264, [](auto* s) { s->AddChild(Options({{310, 1}})); }, 0, 1},
      {"hard disk outside the options", 260, [](auto* s) { s->AddChild(Value(239, 1)); }, 1, kUntouched},
      {"spare tone", 265, [](auto* s) { s->AddChild(Value(252, 2)); }, 0, 2},
      {"geometry with settings", 60, [](auto* s) { s->AddChild(PageMedia(1, 0, "")); }, 4, kUntouched},
      {"missing attribute", 240, [](auto*) {}, 1, kUntouched},
      {"id outside the table", 999, [](auto* s) { s->AddChild(Value(291, 1)); }, 3, kUntouched},
  };
  for (const SettingsCase& c : cases) {
    SCOPED_TRACE(c.name);
    GAttributeComposite settings;
    c.fill(&settings);
    EXPECT_EQ(Ask(c.id, &settings), c.answer);
    EXPECT_EQ(out, c.value);
  }
}

TEST_F(ExtensionValuesTest, AnEnumeratedSettingAnswersItsSelection) {
  GAttributeComposite settings;
  auto* resolutions = new GEnumAttribute(nullptr);
  resolutions->SetFeatureId(GFeatureIds::kResolution);
  resolutions->AddChild(Resolution(300, 300, 1, 0));
  GAttributeComposite* second = Resolution(600, 600, 2, 0);
  resolutions->AddChild(second);
  ASSERT_EQ(resolutions->Select(second), second);
  settings.AddChild(resolutions);
  ASSERT_EQ(Ask(200, &settings), 0);
  EXPECT_EQ(out, 204);
}

TEST_F(ExtensionValuesTest, WithoutContextOrOutputTheAnswerIsOne) {
  GAttributeComposite settings;
  settings.AddChild(Value(291, 2));
  int16_t value = kUntouched;
  EXPECT_EQ(GetExtensionValue(240, &value, &settings, nullptr), 1);
  EXPECT_EQ(GetExtensionValue(240, nullptr, &settings, &extension), 1);
  EXPECT_EQ(value, kUntouched);
}

// ---- Print time: the job command chooses the source ----

TEST_F(ExtensionValuesTest, TheDeviceTypeFollowsTheGenerator) {
  EXPECT_EQ(Ask(10), 1);
  ExtTestGenerator pclXl(101, 767);
  ExtTestGenerator pcl5e(101, 788);
  ExtTestGenerator postScript(101, 768);
  extension.GetInfoBlock()->generator = &pclXl;
  EXPECT_EQ(Ask(10), 0);
  EXPECT_EQ(out, 12);
  extension.GetInfoBlock()->generator = &pcl5e;
  EXPECT_EQ(Ask(10), 0);
  EXPECT_EQ(out, 11);
  extension.GetInfoBlock()->generator = &postScript;
  EXPECT_EQ(Ask(10), 1);
  EXPECT_EQ(out, kUntouched);
}

TEST_F(ExtensionValuesTest, StartCommandsReadThePageMediumAndPageEndTheDocumentSettings) {
  GAttributeComposite document;
  document.AddChild(Value(260, 1));
  document.AddChild(Value(265, 180));
  document.AddChild(Text(261, "Labels"));
  extension.GetInfoBlock()->documentSettings = &document;

  for (RWClassID start : {705u, 709u}) {
    SCOPED_TRACE(start);
    Command(start)->GetSettings()->AddChild(PageMedia(23, 90, "Transparency"));
    EXPECT_EQ(Ask(30), 0);
    EXPECT_EQ(out, 33);
    EXPECT_EQ(Ask(70), 0);
    EXPECT_EQ(out, 72);
    EXPECT_EQ(Ask(80), 0);
    EXPECT_EQ(out, 94);
  }

  Command(710);
  EXPECT_EQ(Ask(30), 0);
  EXPECT_EQ(out, 31);
  EXPECT_EQ(Ask(70), 0);
  EXPECT_EQ(out, 73);
  EXPECT_EQ(Ask(80), 0);
  EXPECT_EQ(out, 87);
}

TEST_F(ExtensionValuesTest, GeometryComesFromThePageMediumInDots) {
  Command(709)->GetSettings()->AddChild(PageMedia(1, 0, ""));
  const int16_t expected[] = {5100, 6600, 4900, 6300, 120, 180, 100, 100};
  for (uint16_t id = 60; id <= 67; ++id) {
    SCOPED_TRACE(id);
    EXPECT_EQ(Ask(id), 0);
    EXPECT_EQ(out, expected[id - 60]);
  }
  // At the page end the document settings have no page medium.
  GAttributeComposite document;
  extension.GetInfoBlock()->documentSettings = &document;
  Command(710);
  EXPECT_EQ(Ask(60), 1);
}

TEST_F(ExtensionValuesTest, EachIdReadsTheSourceOfItsPhase) {
  GAttributeComposite document;
  document.AddChild(Value(258, 2));   // tray 2 -> 126
  document.AddChild(Value(248, 1));   // bin 1 -> 132
  document.AddChild(Value(291, 4));   // copies
  document.AddChild(Value(247, 3));   // printer copies
  document.AddChild(Options({{925, 32}}));
  extension.GetInfoBlock()->documentSettings = &document;

  // Document start: the input bin from the document, the output bin and
  // the copies from the command.
  GState* start = Command(705)->GetSettings();
  start->AddChild(Value(258, 3));
  start->AddChild(Value(248, 5));
  start->AddChild(Value(291, 9));
  EXPECT_EQ(Ask(110), 0);
  EXPECT_EQ(out, 126);
  EXPECT_EQ(Ask(130), 0);
  EXPECT_EQ(out, 135);
  EXPECT_EQ(Ask(240), 0);
  EXPECT_EQ(out, 9);

  // Page start: the other way round.
  GState* page = Command(709)->GetSettings();
  page->AddChild(Value(258, 3));
  page->AddChild(Value(248, 5));
  page->AddChild(Value(291, 9));
  EXPECT_EQ(Ask(110), 0);
  EXPECT_EQ(out, 117);
  EXPECT_EQ(Ask(130), 0);
  EXPECT_EQ(out, 132);
  EXPECT_EQ(Ask(240), 0);
  EXPECT_EQ(out, 4);

  // Print time collation comes from the printer copies; options from the
  // document settings.
  EXPECT_EQ(Ask(245), 0);
  EXPECT_EQ(out, 1);
  EXPECT_EQ(Ask(262), 0);
  EXPECT_EQ(out, 32);
}

TEST_F(ExtensionValuesTest, OutsideTheStartAndPageCommandsNothingIsRead) {
  GAttributeComposite document;
  document.AddChild(Value(291, 4));
  extension.GetInfoBlock()->documentSettings = &document;
  for (RWClassID other : {706u, 601u}) {
    SCOPED_TRACE(other);
    Command(other);
    EXPECT_EQ(Ask(240), 1);
    EXPECT_EQ(Ask(245), 1);
    EXPECT_EQ(out, kUntouched);
  }
  extension.GetInfoBlock()->command = nullptr;
  EXPECT_EQ(Ask(240), 1);
  EXPECT_EQ(Ask(999), 3);
}

TEST(ExtensionCodeTables, PaperTrayAndBinCodes) {
  const std::pair<int16_t, int16_t> papers[] = {{1, 31},  {6, 32},  {8, 40},  {13, 42}, {14, 43}, {15, 41}, {16, 44},
                                                {17, 34}, {21, 35}, {22, 36}, {23, 33}, {27, 37}, {39, 38}, {40, 39},
                                                {41, 47}, {42, 48}, {43, 50}, {44, 49}, {55, 46}, {2, 59},  {0x4000, 59}};
  for (const auto& [paper, code] : papers) EXPECT_EQ(ExtensionPaperCode(paper), code) << paper;
  const std::pair<int16_t, int16_t> trays[] = {{1, 116},  {2, 126},  {3, 117},  {4, 127},  {5, 128}, {6, 115},
                                               {13, 118}, {18, 114}, {19, 113}, {20, 119}, {21, 120}, {26, 125},
                                               {7, 7},    {28, 28},  {47, 47},  {-1, -1}};
  for (const auto& [tray, code] : trays) EXPECT_EQ(ExtensionTrayCode(tray), code) << tray;
  const std::pair<int16_t, int16_t> bins[] = {{0, 131},  {1, 132},  {2, 133}, {3, 134},  {4, 149},  {5, 135},
                                              {6, 136},  {16, 137}, {27, 148}, {7, 7},   {15, 15},  {30, 30}};
  for (const auto& [bin, code] : bins) EXPECT_EQ(ExtensionBinCode(bin), code) << bin;
  const std::pair<const char*, int16_t> media[] = {
      {"Bond", 84},        {"Card Stock", 85},  {"Color", 86},      {"Labels", 87},       {"Letterhead", 88},
      {"Plain", 89},       {"Preprinted", 90},  {"Prepunched", 91}, {"Recycled", 92},     {"Rough", 93},
      {"Transparency", 94}, {"Vellum", 95},     {"Heavy", 96},      {"Glossy", 97},       {"Gloss", 97},
      {"28lb Type1", 98},  {"28 lb Type1", 98}, {"28lb Type2", 99}, {"28 lb Type2", 99},  {"Envelope", 100},
      {"PLAIN", 83},       {"Bond ", 83},       {"", 83}};
  for (const auto& [name, code] : media) EXPECT_EQ(ExtensionMediaCode(RWCString(name)), code) << name;
}

}  // namespace
