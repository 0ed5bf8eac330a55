#include "config/GOutputHandlers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/GDMCHandlerFactory.h"
#include "model/GPaperHandlingDevice.h"
#include "support/HandlerTestSupport.h"

namespace {

using qvtest::FakeDMC;
using qvtest::SetDMCFeature;
using qvtest::ValueIn;
using qvtest::Values;

class OutputHandlersTest : public qvtest::HandlerTest {};

// ---- Output bin ----

TEST_F(OutputHandlersTest, OutputBinOptionsImportTheirFirstValueRefinedByTheAccessory) {
  struct Case {
    std::u16string option;
    const char* accessory;  // null: no 316 in the settings
    int16_t bin;
  } cases[] = {
      {u"Auto", nullptr, 0},
      {u"Top", nullptr, 1},
      {u"Left", nullptr, 2},
      {u"StackerFaceDown", nullptr, 12},
      {u"StackerFaceUp", nullptr, 11},
      {u"Booklet", "K5210", 10},
      {u"Stacker-Stapled", nullptr, 14},
      {u"Stacker-Stapled", "K5210", 9},
      {u"Stacker-Stapled", "K5211", 3},
      {u"Stacker-Stapled", "K5212", 3},
      {u"Stacker-Stapled", "K5213", 14},
      {u"Stacker", nullptr, 13},
      {u"Stacker", "", 13},
      {u"Stacker", "K5213", 15},
      {u"Stacker", "K5212", 4},
      {u"Stacker", "K5211", 4},
      {u"Stacker", "K5210", 4},
      {u"Stacker", "K5214", 13},
      {u"Stacker", "k5213", 13},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.accessory ? c.accessory : "-"));
    ClearRun();
    auto root = Root({{248, 99}});
    if (c.accessory != nullptr) AddText(root.get(), 365, 316, c.accessory);
    SetDMCFeature(u"printing/OutputBin", c.option);
    GOutputBinHandler handler(library.get());
    EXPECT_EQ(handler.Import(root.get(), changes.get()), 1);
    EXPECT_EQ(Value(root.get(), 362, 248), c.bin);
    EXPECT_EQ(Changes(), (Values{{248, c.bin}}));
    EXPECT_NE(changes->ChildAt(0), ValueIn(root.get(), 362, 248));  // a copy
    EXPECT_EQ(FakeDMC().buffers.at(0).capacityUnits, 255u);
  }
}

TEST_F(OutputHandlersTest, OutputBinWithAnUnknownOptionStillRecordsTheBin) {
  auto root = Root({{248, 1}});
  SetDMCFeature(u"printing/OutputBin", u"stacker");
  GOutputBinHandler handler(library.get());
  EXPECT_EQ(handler.Import(root.get(), changes.get()), 0);
  EXPECT_EQ(Value(root.get(), 362, 248), 1);
  EXPECT_EQ(Changes(), (Values{{248, 1}}));
  // An unknown path or a missing attribute records nothing.
  ClearRun();
  FakeDMC().features.clear();
  EXPECT_EQ(handler.Import(root.get(), changes.get()), 0);
  EXPECT_EQ(changes->GetEntryCount(), 0);
  auto bare = Root({});
  SetDMCFeature(u"printing/OutputBin", u"Top");
  FakeDMC().calls.clear();
  EXPECT_EQ(handler.Import(bare.get(), changes.get()), 0);
  EXPECT_EQ(Calls("DMCSetContext"), 0);
  EXPECT_EQ(handler.Export(bare.get()), 0);
  // Without a change list the import still works.
  EXPECT_EQ(handler.Import(root.get(), nullptr), 1);
  EXPECT_EQ(Value(root.get(), 362, 248), 1);
}

TEST_F(OutputHandlersTest, OutputBinExportsTheFirstTextOfItsValue) {
  struct Case {
    int16_t bin;
    std::u16string text;  // empty: nothing written
  } cases[] = {{0, u"Auto"},  {1, u"Top"},          {2, u"Left"},          {14, u"Stacker-Stapled"},
               {9, u"Stacker-Stapled"}, {3, u"Stacker-Stapled"}, {13, u"Stacker"}, {15, u"Stacker"},
               {4, u"Stacker"}, {12, u"StackerFaceDown"}, {11, u"StackerFaceUp"}, {10, u"Booklet"},
               {5, u""},     {-1, u""}};
  for (const Case& c : cases) {
    ClearRun();
    auto root = Root({{248, c.bin}});
    GOutputBinHandler handler(library.get());
    EXPECT_EQ(handler.Export(root.get()), c.text.empty() ? 0 : 1) << c.bin;
    std::vector<std::u16string> expected;
    if (!c.text.empty()) expected.push_back(u"printing/OutputBin=" + c.text);
    EXPECT_EQ(Exports(), expected) << c.bin;
  }
}

TEST_F(OutputHandlersTest, OutputBinLockNeedsTheAnswerOneAndTheTextTrue) {
  struct Case {
    std::u16string lock;  // empty: no attribute
    int answer;
    bool locked;
  } cases[] = {{u"TRUE", 1, true}, {u"true", 1, true}, {u"True", 1, false},
               {u"FALSE", 1, false}, {u"TRUE", 2, false}, {u"", 1, false}};
  for (const Case& c : cases) {
    auto root = Root({{248, 0}});
    std::map<std::u16string, std::u16string> attributes;
    if (!c.lock.empty()) attributes[u"lock"] = c.lock;
    // Also an unknown option is checked for its lock.
    SetDMCFeature(u"printing/OutputBin", u"Nowhere", attributes);
    FakeDMC().lockAnswer = c.answer;
    GOutputBinHandler handler(library.get());
    EXPECT_EQ(handler.Import(root.get(), changes.get()), 0);
    EXPECT_EQ(Locked(root.get()), c.locked ? std::vector<int16_t>{248} : std::vector<int16_t>{});
  }
}

// ---- Stapling and the stapler ----

TEST_F(OutputHandlersTest, StaplingOptionsImportIntoStaplingOrStitching) {
  struct Case {
    std::u16string option;
    const char* accessory;
    int16_t stapling, stitching;
    int result;
  } cases[] = {
      {u"Default", nullptr, 0, 0, 1},     {u"1parallel", nullptr, 1, 0, 1},  {u"1diagonal", nullptr, 2, 0, 1},
      {u"2parallel", nullptr, 3, 0, 1},   {u"3parallel", nullptr, 4, 0, 1},  {u"6parallel", nullptr, 5, 0, 1},
      {u"None", nullptr, 7, 0, 1},        {u"1parallel", "K5210", 8, 0, 1},  {u"2parallel", "K5210", 9, 0, 1},
      {u"1parallel", "K5211", 1, 0, 1},   {u"3parallel", "K5210", 4, 0, 1},  {u"Stitching", nullptr, 50, 1, 1},
      {u"Stitching", "K5210", 50, 1, 1},  {u"Staple", nullptr, 50, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.option.begin(), c.option.end()));
    ClearRun();
    auto root = Root({{289, 50}, {982, 0}});
    if (c.accessory != nullptr) AddText(root.get(), 365, 316, c.accessory);
    SetDMCFeature(u"printing/StaplerChoice/Stapling", c.option);
    GStaplingHandler handler(library.get());
    EXPECT_EQ(handler.Import(root.get(), changes.get()), c.result);
    EXPECT_EQ(Value(root.get(), 362, 289), c.stapling);
    EXPECT_EQ(Value(root.get(), 362, 982), c.stitching);
    // The target is recorded, matched or not.
    const bool stitching = c.option == u"Stitching";
    EXPECT_EQ(Changes(), (Values{{stitching ? 982 : 289, stitching ? c.stitching : c.stapling}}));
  }
  // Stitching without its attribute.
  auto root = Root({{289, 50}});
  SetDMCFeature(u"printing/StaplerChoice/Stapling", u"Stitching");
  ClearRun();
  EXPECT_EQ(GStaplingHandler(library.get()).Import(root.get(), changes.get()), 0);
  EXPECT_EQ(changes->GetEntryCount(), 0);
}

TEST_F(OutputHandlersTest, StaplingWithoutItsPathFollowsTheStaplerSwitch) {
  for (int16_t stapler : {0, 1}) {
    ClearRun();
    auto root = Root({{289, 0}, {278, stapler}});
    GStaplingHandler handler(library.get());
    EXPECT_EQ(handler.Import(root.get(), changes.get()), stapler);
    EXPECT_EQ(Value(root.get(), 362, 289), stapler);
    EXPECT_EQ(Changes(), (stapler ? Values{{289, 1}} : Values{}));
  }
  auto root = Root({{289, 0}});
  EXPECT_EQ(GStaplingHandler(library.get()).Import(root.get(), changes.get()), 0);
}

TEST_F(OutputHandlersTest, StaplingExportsItsTextOrTheStitchingPair) {
  struct Case {
    int16_t stapling, stitching;
    std::vector<std::u16string> exports;
    int result;
  } cases[] = {
      {1, 0, {u"printing/StaplerChoice/Stapling=1parallel"}, 1},
      {8, 0, {u"printing/StaplerChoice/Stapling=1parallel"}, 1},
      {9, 0, {u"printing/StaplerChoice/Stapling=2parallel"}, 1},
      {2, 1, {u"printing/StaplerChoice/Stapling=1diagonal"}, 1},
      {7, 0, {u"printing/StaplerChoice/Stapling=None"}, 1},
      {7, 1, {u"printing/StaplerChoice=TRUE", u"printing/StaplerChoice/Stapling=Stitching"}, 1},
      {6, 0, {}, 0},
  };
  for (const Case& c : cases) {
    ClearRun();
    auto root = Root({{289, c.stapling}, {982, c.stitching}});
    EXPECT_EQ(GStaplingHandler(library.get()).Export(root.get()), c.result) << c.stapling;
    EXPECT_EQ(Exports(), c.exports) << c.stapling;
  }
}

TEST_F(OutputHandlersTest, StaplerChoiceNeedsAnInstalledStaplerAndRunsTheStapling) {
  SetDMCFeature(u"printing/StaplerChoice", u"TRUE");
  SetDMCFeature(u"printing/StaplerChoice/Stapling", u"2parallel");
  // No stapler: nothing at all.
  for (Values options : {Values{}, Values{{311, 0}}}) {
    ClearRun();
    auto root = Root({{278, 0}, {289, 0}}, {}, options);
    EXPECT_EQ(GStaplerChoiceHandler(library.get()).Import(root.get(), changes.get()), 0);
    EXPECT_EQ(Value(root.get(), 362, 289), 0);
    EXPECT_TRUE(FakeDMC().calls.empty());
  }
  ClearRun();
  auto root = Root({{278, 0}, {289, 0}}, {}, {{311, 1}});
  EXPECT_EQ(GStaplerChoiceHandler(library.get()).Import(root.get(), changes.get()), 1);
  EXPECT_EQ(Value(root.get(), 362, 278), 1);
  EXPECT_EQ(Value(root.get(), 362, 289), 3);
  EXPECT_EQ(Changes(), (Values{{278, 1}, {289, 3}}));

  // Stitching below leaves the switch alone; the stapling still imports.
  ClearRun();
  SetDMCFeature(u"printing/StaplerChoice/Stapling", u"Stitching");
  root = Root({{278, 0}, {289, 0}, {982, 0}}, {}, {{311, 1}});
  EXPECT_EQ(GStaplerChoiceHandler(library.get()).Import(root.get(), changes.get()), 0);
  EXPECT_EQ(Value(root.get(), 362, 278), 0);
  EXPECT_EQ(Value(root.get(), 362, 982), 1);

  // Unknown option: 0, the stapling imports all the same.
  ClearRun();
  SetDMCFeature(u"printing/StaplerChoice", u"Yes");
  SetDMCFeature(u"printing/StaplerChoice/Stapling", u"None");
  root = Root({{278, 0}, {289, 0}}, {}, {{311, 1}});
  EXPECT_EQ(GStaplerChoiceHandler(library.get()).Import(root.get(), changes.get()), 0);
  EXPECT_EQ(Value(root.get(), 362, 289), 7);
}

TEST_F(OutputHandlersTest, StaplerChoiceExportsTheSwitchThenTheStapling) {
  auto root = Root({{278, 1}, {289, 4}});
  EXPECT_EQ(GStaplerChoiceHandler(library.get()).Export(root.get()), 1);
  EXPECT_EQ(Exports(), (std::vector<std::u16string>{u"printing/StaplerChoice=TRUE",
                                                     u"printing/StaplerChoice/Stapling=3parallel"}));
  ClearRun();
  root = Root({{278, 5}, {289, 0}});
  EXPECT_EQ(GStaplerChoiceHandler(library.get()).Export(root.get()), 0);
  EXPECT_EQ(Exports(), (std::vector<std::u16string>{u"printing/StaplerChoice/Stapling=Default"}));
}

// ---- Duplex ----

TEST_F(OutputHandlersTest, DuplexImportsTheEdgeAndTurnsThePageOrder) {
  struct Case {
    const char* what;
    std::u16string duplex;
    std::u16string edge;  // empty: no edge path
    int16_t expected;
    int result;
    int16_t pageOrder;
  } cases[] = {
      {"short edge", u"TRUE", u"ShortEdge", 1, 1, 1},
      {"long edge", u"TRUE", u"LongEdge", 2, 1, 1},
      {"no edge path", u"TRUE", u"", 2, 0, 1},
      {"unknown edge", u"TRUE", u"Sideways", 50, 0, 1},
      {"off", u"FALSE", u"LongEdge", 0, 1, 0},
      {"lower-case on", u"true", u"LongEdge", 50, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeDMC().features.clear();
    ClearRun();
    SetDMCFeature(u"printing/Duplex", c.duplex);
    if (!c.edge.empty()) SetDMCFeature(u"printing/Duplex/DuplexEdge", c.edge);
    auto root = Root({{253, 50}, {710, 0}}, {}, {{308, 1}});
    GDuplexHandler handler(library.get());
    EXPECT_EQ(handler.Import(root.get(), changes.get()), c.result);
    EXPECT_EQ(Value(root.get(), 362, 253), c.expected);
    EXPECT_EQ(Value(root.get(), 362, 710), c.pageOrder);
    Values expected{{253, c.expected}};
    if (c.pageOrder == 1) expected.emplace_back(710, 1);
    EXPECT_EQ(Changes(), expected);
  }
}

TEST_F(OutputHandlersTest, DuplexNeedsAUnitOrManualDuplex) {
  SetDMCFeature(u"printing/Duplex", u"TRUE");
  SetDMCFeature(u"printing/Duplex/DuplexEdge", u"ShortEdge");
  struct Case {
    Values options;
    int result;
  } cases[] = {
      {{}, 0},          {{{308, 0}}, 0},           {{{245, 1}}, 0}, {{{245, 0}, {308, 2}}, 0},
      {{{308, 1}}, 1},  {{{245, 3}}, 1},           {{{245, 3}, {308, 0}}, 1},
  };
  for (const Case& c : cases) {
    ClearRun();
    auto root = Root({{253, 0}}, {}, c.options);
    EXPECT_EQ(GDuplexHandler(library.get()).Import(root.get(), changes.get()), c.result);
    EXPECT_EQ(Value(root.get(), 362, 253), c.result);
    if (c.result == 0) {
      EXPECT_TRUE(FakeDMC().calls.empty());
    }
  }
  // No group 365 at all.
  auto root = std::make_unique<GAttributeComposite>();
  root->AddChild(qvtest::MakeGroup(362, {{253, 0}}));
  EXPECT_EQ(GDuplexHandler(library.get()).Import(root.get(), changes.get()), 0);
}

TEST_F(OutputHandlersTest, DuplexOnBringsAutomaticScalingAndSymmetricalMargins) {
  // No scaling path: the duplex answer "TRUE" stands for it.
  SetDMCFeature(u"printing/Duplex", u"TRUE");
  SetDMCFeature(u"printing/Duplex/DuplexEdge", u"ShortEdge");
  auto root = Root({{253, 0}, {710, 1}, {983, 0}, {713, 0}}, {}, {{245, 3}});
  EXPECT_EQ(GDuplexHandler(library.get()).Import(root.get(), changes.get()), 1);
  EXPECT_EQ(Value(root.get(), 362, 253), 1);
  EXPECT_EQ(Value(root.get(), 362, 710), 1);
  EXPECT_EQ(Value(root.get(), 362, 983), 1);
  EXPECT_EQ(Value(root.get(), 362, 713), 1);
  EXPECT_EQ(Changes(), (Values{{253, 1}, {983, 1}, {713, 1}}));

  // The scaling's own answer wins; off leaves the margins.
  ClearRun();
  SetDMCFeature(u"printing/Duplex/QVAutoDuplexScaling", u"FALSE");
  root = Root({{253, 0}, {983, 1}, {713, 0}}, {}, {{245, 3}});
  EXPECT_EQ(GDuplexHandler(library.get()).Import(root.get(), changes.get()), 1);
  EXPECT_EQ(Value(root.get(), 362, 983), 0);
  EXPECT_EQ(Value(root.get(), 362, 713), 0);

  // The duplex edge unknown but the scaling known: the result is the
  // scaling's.
  ClearRun();
  SetDMCFeature(u"printing/Duplex/DuplexEdge", u"Sideways");
  root = Root({{253, 0}, {983, 0}}, {}, {{245, 3}});
  EXPECT_EQ(GDuplexHandler(library.get()).Import(root.get(), changes.get()), 0);  // 253 stays 0: no scaling
  root = Root({{253, 1}, {983, 0}}, {}, {{245, 3}});
  EXPECT_EQ(GDuplexHandler(library.get()).Import(root.get(), changes.get()), 1);
  EXPECT_EQ(Value(root.get(), 362, 983), 0);
}

TEST_F(OutputHandlersTest, AutomaticDuplexScalingAlone) {
  struct Case {
    std::u16string duplex;
    std::u16string scaling;  // empty: no path
    int16_t expected;
    int result;
  } cases[] = {{u"TRUE", u"", 1, 1},       {u"TRUE", u"FALSE", 0, 1}, {u"TRUE", u"TRUE", 1, 1},
               {u"FALSE", u"TRUE", 0, 1},   {u"TRUE", u"Maybe", 50, 0}};
  for (const Case& c : cases) {
    FakeDMC().features.clear();
    ClearRun();
    SetDMCFeature(u"printing/Duplex", c.duplex);
    if (!c.scaling.empty()) SetDMCFeature(u"printing/Duplex/QVAutoDuplexScaling", c.scaling);
    auto root = Root({{983, 50}, {713, 0}}, {}, {{308, 1}});
    GAutoDuplexScalingHandler handler(library.get());
    EXPECT_EQ(handler.Import(root.get(), changes.get()), c.result);
    EXPECT_EQ(Value(root.get(), 362, 983), c.expected);
    EXPECT_EQ(Value(root.get(), 362, 713), c.expected == 1 ? 1 : 0);
  }
  auto root = Root({{983, 0}}, {}, {{308, 0}});
  EXPECT_EQ(GAutoDuplexScalingHandler(library.get()).Import(root.get(), changes.get()), 0);
  for (int16_t v : {0, 1}) {
    ClearRun();
    root = Root({{983, v}});
    EXPECT_EQ(GAutoDuplexScalingHandler(library.get()).Export(root.get()), 1);
    EXPECT_EQ(Exports(), (std::vector<std::u16string>{std::u16string(u"printing/Duplex/QVAutoDuplexScaling=") +
                                                      (v ? u"TRUE" : u"FALSE")}));
  }
}

TEST_F(OutputHandlersTest, DuplexLockAcceptsAnyNonZeroAnswer) {
  for (int answer : {1, 2, -1}) {
    FakeDMC().lockAnswer = answer;
    SetDMCFeature(u"printing/Duplex", u"FALSE", {{u"lock", u"true"}});
    auto root = Root({{253, 0}}, {}, {{308, 1}});
    GDuplexHandler(library.get()).Import(root.get(), changes.get());
    EXPECT_EQ(Locked(root.get()), std::vector<int16_t>{253}) << answer;
  }
}

TEST_F(OutputHandlersTest, DuplexExportsSwitchEdgeAndScaling) {
  struct Case {
    int16_t duplex;
    std::vector<std::u16string> exports;
    int result;
  } cases[] = {
      {0, {u"printing/Duplex=FALSE", u"printing/Duplex/QVAutoDuplexScaling=TRUE"}, 1},
      {1,
       {u"printing/Duplex=TRUE", u"printing/Duplex/DuplexEdge=ShortEdge",
        u"printing/Duplex/QVAutoDuplexScaling=TRUE"},
       1},
      {2,
       {u"printing/Duplex=TRUE", u"printing/Duplex/DuplexEdge=LongEdge",
        u"printing/Duplex/QVAutoDuplexScaling=TRUE"},
       1},
      {3, {u"printing/Duplex/QVAutoDuplexScaling=TRUE"}, 1},
  };
  for (const Case& c : cases) {
    ClearRun();
    auto root = Root({{253, c.duplex}, {983, 1}});
    EXPECT_EQ(GDuplexHandler(library.get()).Export(root.get()), c.result);
    EXPECT_EQ(Exports(), c.exports);
  }
  // A value without a row and no scaling: nothing.
  ClearRun();
  auto root = Root({{253, 3}});
  EXPECT_EQ(GDuplexHandler(library.get()).Export(root.get()), 0);
  EXPECT_TRUE(Exports().empty());
}

// ---- Booklet and pages per sheet ----

TEST_F(OutputHandlersTest, BookletForcesOnePagePerSheetAndBlocksTheNUpImport) {
  struct Case {
    std::u16string option;
    int16_t booklet;
    int16_t nUp;
  } cases[] = {{u"OFF", 0, 4}, {u"LeftEdge", 1, 1}, {u"RightEdge", 2, 1}};
  for (const Case& c : cases) {
    ClearRun();
    SetDMCFeature(u"printing/BookletPrintingChoice", c.option);
    SetDMCFeature(u"printing/NUpChoice", u"FourUp");
    auto root = Root({{279, 50}, {266, 4}});
    // A pages-per-sheet copy recorded earlier in the walk follows too.
    const int32_t nUpId = 266;
    changes->AddChild(new GValueAttribute(4, &nUpId));
    EXPECT_EQ(GBookletPrintingChoiceHandler(library.get()).Import(root.get(), changes.get()), 1);
    EXPECT_EQ(Value(root.get(), 362, 279), c.booklet);
    EXPECT_EQ(Value(root.get(), 362, 266), c.nUp);
    EXPECT_EQ(Changes(), (Values{{266, c.nUp}, {279, c.booklet}}));

    FakeDMC().calls.clear();
    const int nUpResult = GNUpChoiceHandler(library.get()).Import(root.get(), changes.get());
    EXPECT_EQ(nUpResult, c.booklet == 0 ? 1 : 0);
    if (c.booklet != 0) {
      EXPECT_TRUE(FakeDMC().calls.empty());
    }
  }
  ClearRun();
  auto root = Root({{279, 1}});
  EXPECT_EQ(GBookletPrintingChoiceHandler(library.get()).Export(root.get()), 1);
  EXPECT_EQ(Exports(), (std::vector<std::u16string>{u"printing/BookletPrintingChoice=LeftEdge"}));
}

TEST_F(OutputHandlersTest, NUpImportsItsOptionsAndThenTheSheetLayout) {
  const std::pair<std::u16string, int16_t> options[] = {{u"OneUp", 1}, {u"TwoUp", 2},   {u"FourUp", 4},
                                                        {u"SixUp", 6}, {u"NineUp", 9}, {u"SixteenUp", 16}};
  SetDMCFeature(u"printing/NUpChoice/NUpPageOrderChoice", u"DownThenLeft");
  SetDMCFeature(u"printing/NUpChoice/NUpBordersChoice", u"PrintBorders");
  for (const auto& [text, value] : options) {
    ClearRun();
    SetDMCFeature(u"printing/NUpChoice", text);
    auto root = Root({{266, 50}, {267, 50}, {268, 50}});
    EXPECT_EQ(GNUpChoiceHandler(library.get()).Import(root.get(), changes.get()), 1);
    EXPECT_EQ(Changes(), (Values{{266, value}, {268, 3}, {267, 1}}));
    EXPECT_EQ(FakeDMC().buffers.at(0).capacityUnits, 128u);
  }
  // Unknown option: the sheet layout still imports.
  ClearRun();
  SetDMCFeature(u"printing/NUpChoice", u"EightUp");
  auto root = Root({{266, 50}, {267, 50}, {268, 50}});
  EXPECT_EQ(GNUpChoiceHandler(library.get()).Import(root.get(), changes.get()), 0);
  EXPECT_EQ(Changes(), (Values{{268, 3}, {267, 1}}));
  // Unknown path: nothing.
  ClearRun();
  FakeDMC().features.clear();
  EXPECT_EQ(GNUpChoiceHandler(library.get()).Import(root.get(), changes.get()), 0);
  EXPECT_EQ(changes->GetEntryCount(), 0);
}

TEST_F(OutputHandlersTest, SheetLayoutOptionsImportAndExport) {
  struct Case {
    std::u16string path;
    int32_t id;
    std::vector<std::pair<std::u16string, int16_t>> options;
    size_t chars;
  } cases[] = {
      {u"printing/NUpChoice/NUpBordersChoice", 267, {{u"NoBorders", 0}, {u"PrintBorders", 1}}, 128},
      {u"printing/NUpChoice/NUpPageOrderChoice",
       268,
       {{u"RightThenDown", 0}, {u"DownThenRight", 1}, {u"LeftThenDown", 2}, {u"DownThenLeft", 3}},
       255},
  };
  for (const Case& c : cases) {
    for (const auto& [text, value] : c.options) {
      ClearRun();
      SetDMCFeature(c.path, text);
      auto root = Root({{c.id, 50}});
      std::unique_ptr<GConfigFeatureHandler> handler;
      if (c.id == 267) handler = std::make_unique<GNUpBordersChoiceHandler>(library.get());
      else handler = std::make_unique<GNUpPageOrderChoiceHandler>(library.get());
      EXPECT_EQ(handler->Import(root.get(), changes.get()), 1);
      EXPECT_EQ(Changes(), (Values{{c.id, value}}));
      EXPECT_EQ(FakeDMC().buffers.at(0).capacityUnits, c.chars);
      EXPECT_EQ(handler->Export(root.get()), 1);
      EXPECT_EQ(Exports(), (std::vector<std::u16string>{c.path + u"=" + text}));
    }
  }
}

TEST_F(OutputHandlersTest, NUpExportsTheSheetLayoutOnlyForSeveralPages) {
  auto root = Root({{266, 1}, {267, 1}, {268, 2}});
  EXPECT_EQ(GNUpChoiceHandler(library.get()).Export(root.get()), 1);
  EXPECT_EQ(Exports(), (std::vector<std::u16string>{u"printing/NUpChoice=OneUp"}));
  ClearRun();
  root = Root({{266, 9}, {267, 1}, {268, 2}});
  EXPECT_EQ(GNUpChoiceHandler(library.get()).Export(root.get()), 1);
  EXPECT_EQ(Exports(), (std::vector<std::u16string>{u"printing/NUpChoice=NineUp",
                                                     u"printing/NUpChoice/NUpPageOrderChoice=LeftThenDown",
                                                     u"printing/NUpChoice/NUpBordersChoice=PrintBorders"}));
  ClearRun();
  root = Root({{266, 3}, {267, 0}, {268, 0}});
  EXPECT_EQ(GNUpChoiceHandler(library.get()).Export(root.get()), 0);
  EXPECT_EQ(Exports().size(), 2u);
}

// ---- Installed output accessory and paper source ----

class DeviceOptionTest : public OutputHandlersTest {
 protected:
  void SetUp() override {
    OutputHandlersTest::SetUp();
    const int32_t listId = 90;
    auto* list = new GAttributeComposite(&listId);
    const int32_t noId = 0;
    for (const char* name : {"K5211", "K5210", "K5210", "Quarrin 550 Sheet Feeder", ""}) {
      list->AddChild(new GPaperHandlingDevice(RWCString(name), GPaperHandlingDevice::kOutputDevice, 1, 0, 2, 0, &noId));
    }
    Configuration()->AddChild(list);
  }
  // The installed flags of the devices, in list order.
  std::vector<int> Installed() {
    std::vector<int> out;
    auto* list = dynamic_cast<GAttributeComposite*>(Configuration()->FindById(90));
    for (int i = 0; i < list->GetEntryCount(); ++i) {
      out.push_back(dynamic_cast<GPaperHandlingDevice*>(list->ChildAt(i))->IsInstalled());
    }
    return out;
  }
};

TEST_F(DeviceOptionTest, AccessoryTextIsStoredSetsItsFlagsAndInstallsItsDevice) {
  struct Case {
    std::u16string option;
    std::string stored;
    int16_t stapler, flag;
    std::vector<int> installed;
  } cases[] = {
      // The empty text installs no device, not even one without a name.
      {u"NotInstalled", "", 0, 0, {0, 0, 0, 0, 0}},
      {u"K5210", "K5210", 1, 1, {0, 1, 0, 0, 0}},
      {u"K5211", "K5211", 1, 0, {1, 0, 0, 0, 0}},
      {u"K5214", "K5214", 1, 0, {0, 0, 0, 0, 0}},
      {u"K5212", "K5212", 0, 0, {0, 0, 0, 0, 0}},
      {u"k5210", "k5210", 0, 0, {0, 0, 0, 0, 0}},
      {u"Quarrin 550 Sheet Feeder", "Quarrin 550 Sheet Feeder", 0, 0, {0, 0, 0, 1, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    TearDown();
    SetUp();
    SetDMCFeature(u"physical/AccessoryOutputBins", c.option);
    auto root = Root({}, {}, {{311, 0}, {981, 0}});
    AddText(root.get(), 365, 316, "previous");
    GAccessoryOutputBinsHandler handler(library.get(), &instance);
    EXPECT_EQ(handler.Import(root.get(), changes.get()), 1);
    EXPECT_EQ(TextOf(root.get(), 365, 316), c.stored);
    EXPECT_EQ(Value(root.get(), 365, 311), c.stapler);
    EXPECT_EQ(Value(root.get(), 365, 981), c.flag);
    EXPECT_EQ(Installed(), c.installed);
    EXPECT_EQ(changes->GetEntryCount(), 0);
    // The narrowing buffer is 128 bytes, blank-filled.
    bool sawNarrow = false;
    for (const auto& b : FakeDMC().buffers) {
      if (b.entry != "DMCWideToChar") continue;
      sawNarrow = true;
      EXPECT_EQ(b.capacityUnits, 128u);
      EXPECT_TRUE(b.blankFilled);
    }
    EXPECT_TRUE(sawNarrow);
  }
}

TEST_F(DeviceOptionTest, AccessoryWithoutItsAttributeOrPathDoesNothing) {
  auto root = Root({}, {}, {{311, 0}});
  SetDMCFeature(u"physical/AccessoryOutputBins", u"K5210");
  GAccessoryOutputBinsHandler handler(library.get(), &instance);
  EXPECT_EQ(handler.Import(root.get(), changes.get()), 0);
  EXPECT_EQ(handler.Export(root.get()), 0);
  EXPECT_EQ(Value(root.get(), 365, 311), 0);
  FakeDMC().features.clear();
  AddText(root.get(), 365, 316, "K5211");
  EXPECT_EQ(handler.Import(root.get(), changes.get()), 0);
  EXPECT_EQ(TextOf(root.get(), 365, 316), "K5211");
  // Without a driver instance the text is stored all the same.
  SetDMCFeature(u"physical/AccessoryOutputBins", u"K5210");
  EXPECT_EQ(GAccessoryOutputBinsHandler(library.get(), nullptr).Import(root.get(), changes.get()), 1);
  EXPECT_EQ(TextOf(root.get(), 365, 316), "K5210");
  EXPECT_EQ(Installed(), (std::vector<int>{0, 0, 0, 0, 0}));
}

TEST_F(DeviceOptionTest, DeviceTextsExportWithTheirNoneWord) {
  struct Case {
    bool accessory;
    const char* stored;
    std::u16string exported;
  } cases[] = {
      {true, "", u"physical/AccessoryOutputBins=NotInstalled"},
      {true, "K5213", u"physical/AccessoryOutputBins=K5213"},
      {false, "", u"physical/OptionalPaperSources=None"},
      {false, "Quarrin 550 Sheet Feeder", u"physical/OptionalPaperSources=Quarrin 550 Sheet Feeder"},
  };
  for (const Case& c : cases) {
    ClearRun();
    auto root = Root({});
    AddText(root.get(), 365, c.accessory ? 316 : 315, c.stored);
    std::unique_ptr<GConfigFeatureHandler> handler;
    if (c.accessory) handler = std::make_unique<GAccessoryOutputBinsHandler>(library.get(), &instance);
    else handler = std::make_unique<GOptionalPaperSourcesHandler>(library.get(), &instance);
    EXPECT_EQ(handler->Export(root.get()), 1);
    EXPECT_EQ(Exports(), (std::vector<std::u16string>{c.exported}));
  }
}

TEST_F(DeviceOptionTest, PaperSourceImportsWithoutTheAccessoryFlags) {
  for (const auto& [option, stored] : {std::pair<std::u16string, std::string>{u"None", ""},
                                       {u"Quarrin 550 Sheet Feeder", "Quarrin 550 Sheet Feeder"},
                                       {u"K5210", "K5210"}}) {
    TearDown();
    SetUp();
    SetDMCFeature(u"physical/OptionalPaperSources", option);
    auto root = Root({}, {}, {{311, 0}, {981, 0}});
    AddText(root.get(), 365, 315, "x");
    EXPECT_EQ(GOptionalPaperSourcesHandler(library.get(), &instance).Import(root.get(), changes.get()), 1);
    EXPECT_EQ(TextOf(root.get(), 365, 315), stored);
    EXPECT_EQ(Value(root.get(), 365, 311), 0);
    EXPECT_EQ(Value(root.get(), 365, 981), 0);
    EXPECT_EQ(Installed()[3], stored == "Quarrin 550 Sheet Feeder" ? 1 : 0);
    EXPECT_EQ(Installed()[1], stored == "K5210" ? 1 : 0);
  }
}

TEST_F(DeviceOptionTest, OverLongAndUnterminatedTextsAreCut) {
  // A text longer than the buffers: the library cuts it at 127 characters
  // when narrowing.
  const std::u16string longText(300, u'A');
  SetDMCFeature(u"physical/AccessoryOutputBins", longText);
  auto root = Root({});
  AddText(root.get(), 365, 316, "");
  GAccessoryOutputBinsHandler handler(library.get(), &instance);
  EXPECT_EQ(handler.Import(root.get(), changes.get()), 1);
  EXPECT_EQ(TextOf(root.get(), 365, 316), std::string(127, 'A'));

  // A library that leaves its texts unterminated.
  FakeDMC().noTerminators = true;
  EXPECT_EQ(handler.Import(root.get(), changes.get()), 1);
  EXPECT_LE(TextOf(root.get(), 365, 316).size(), 127u);
  FakeDMC().noTerminators = false;

  // A stored text longer than 127 characters goes out cut.
  ClearRun();
  dynamic_cast<GStringAttribute*>(Group(root.get(), 365)->FindById(316))->SetString(std::string(400, 'B').c_str());
  EXPECT_EQ(handler.Export(root.get()), 1);
  EXPECT_EQ(Exports(), (std::vector<std::u16string>{u"physical/AccessoryOutputBins=" + std::u16string(127, u'B')}));
}

// ---- The client's table ----

TEST_F(OutputHandlersTest, TheClientTableCreatesTheseHandlers) {
  struct Case {
    const WCHAR* name;
    bool (*is)(GConfigFeatureHandler*);
  } cases[] = {
      {u"OutputBin", [](GConfigFeatureHandler* h) { return dynamic_cast<GOutputBinHandler*>(h) != nullptr; }},
      {u"Stapling", [](GConfigFeatureHandler* h) { return dynamic_cast<GStaplingHandler*>(h) != nullptr; }},
      {u"StaplerChoice", [](GConfigFeatureHandler* h) { return dynamic_cast<GStaplerChoiceHandler*>(h) != nullptr; }},
      {u"Duplex", [](GConfigFeatureHandler* h) { return dynamic_cast<GDuplexHandler*>(h) != nullptr; }},
      {u"QVAutoDuplexScaling",
       [](GConfigFeatureHandler* h) { return dynamic_cast<GAutoDuplexScalingHandler*>(h) != nullptr; }},
      {u"BookletPrintingChoice",
       [](GConfigFeatureHandler* h) { return dynamic_cast<GBookletPrintingChoiceHandler*>(h) != nullptr; }},
      {u"NUpChoice", [](GConfigFeatureHandler* h) { return dynamic_cast<GNUpChoiceHandler*>(h) != nullptr; }},
      {u"AccessoryOutputBins",
       [](GConfigFeatureHandler* h) { return dynamic_cast<GAccessoryOutputBinsHandler*>(h) != nullptr; }},
      {u"OptionalPaperSources",
       [](GConfigFeatureHandler* h) { return dynamic_cast<GOptionalPaperSourcesHandler*>(h) != nullptr; }},
      {u"NUpBordersChoice", [](GConfigFeatureHandler* h) { return h == nullptr; }},
  };
  for (const Case& c : cases) {
    std::unique_ptr<GConfigFeatureHandler> handler(CreateConfigFeatureHandler(c.name, library.get(), &instance));
    EXPECT_TRUE(c.is(handler.get())) << std::u16string(c.name).size();
    if (handler != nullptr) {
      EXPECT_EQ(handler->GetLibrary(), library.get());
    }
    if (auto* device = dynamic_cast<GDeviceOptionHandler*>(handler.get())) {
      EXPECT_EQ(device->GetDriverInstance(), &instance);
    }
  }
}

}  // namespace
