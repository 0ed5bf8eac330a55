#include "config/GConfigNumberHandlers.h"

#include <gtest/gtest.h>

#include "config/GDMCLibrary.h"
#include "support/ConfigTestSupport.h"

namespace {

using qvtest::FakeDMC;
using qvtest::MakeGroup;
using qvtest::ValueIn;
using qvtest::ValuesOf;

class NumberHandlersTest : public qvtest::ConfigLibraryTest {
 protected:
  void SetUp() override {
    ConfigLibraryTest::SetUp();
    InstallLibrary();
    library = std::make_unique<GDMCLibrary>();
    const int32_t changesId = 1101;
    changes = std::make_unique<GAttributeComposite>(&changesId);
    root = std::make_unique<GAttributeComposite>();
    root->AddChild(MakeGroup(362, {{269, 100}, {1133, 4}}));
    root->AddChild(MakeGroup(364, {{291, 1}}));
    root->AddChild(MakeGroup(365, {{925, 16}, {202, 100}}));
  }
  std::unique_ptr<GDMCLibrary> library;
  std::unique_ptr<GAttributeComposite> changes;
  std::unique_ptr<GAttributeComposite> root;
};

struct ImportCase {
  std::u16string text;
  int result;
  int16_t value;  // afterwards
};

template <class H>
void CheckImports(NumberHandlersTest* test, GDMCLibrary* library, GAttributeComposite* root,
                  GAttributeComposite* changes, const std::vector<ImportCase>& cases) {
  const GNumberFeature& f = H::kFeature;
  for (const ImportCase& c : cases) {
    SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
    changes->RemoveAllChildren();
    FakeDMC().buffers.clear();
    qvtest::SetDMCFeature(f.path, c.text);
    const int16_t before = ValueIn(root, f.group, f.id)->GetValue();
    H handler(library);
    EXPECT_EQ(handler.Import(root, changes), c.result);
    EXPECT_EQ(ValueIn(root, f.group, f.id)->GetValue(), c.result != 0 ? c.value : before);
    if (c.result != 0) {
      EXPECT_EQ(ValuesOf(changes), (std::vector<std::pair<int32_t, int16_t>>{{f.id, c.value}}));
    } else {
      EXPECT_EQ(changes->GetEntryCount(), 0);
    }
    // The text buffer and the 64-byte narrow buffer of the conversion.
    ASSERT_EQ(FakeDMC().buffers.size(), 2u);
    EXPECT_EQ(FakeDMC().buffers[0].capacityUnits, f.bufferBytes / 2u);
    EXPECT_EQ(FakeDMC().buffers[1].entry, "DMCWideToChar");
    EXPECT_EQ(FakeDMC().buffers[1].capacityUnits, 64u);
    EXPECT_TRUE(FakeDMC().buffers[1].blankFilled);
  }
  (void)test;
}

TEST_F(NumberHandlersTest, CopiesAcceptNumbersWhoseLowSixteenBitsAreSet) {
  CheckImports<GCopiesHandler>(this, library.get(), root.get(), changes.get(),
                               {{u"5", 1, 5}, {u"  12", 1, 12}, {u"0", 0, 0}, {u"65536", 0, 0}, {u"65537", 1, 1},
                                {u"40000", 1, static_cast<int16_t>(40000)}, {u"abc", 0, 0}, {u"-1", 1, -1}});
}

TEST_F(NumberHandlersTest, MemoryAndWorkSpaceAcceptTheSameWay) {
  CheckImports<GMemoryHandler>(this, library.get(), root.get(), changes.get(),
                               {{u"64", 1, 64}, {u"0", 0, 0}, {u"131072", 0, 0}});
  CheckImports<GDriverWorkSpaceSettingHandler>(this, library.get(), root.get(), changes.get(),
                                               {{u"250", 1, 250}, {u"", 0, 0}});
}

TEST_F(NumberHandlersTest, ScaleAcceptsTwentyFiveToFourHundred) {
  CheckImports<GScaleChoiceHandler>(this, library.get(), root.get(), changes.get(),
                                    {{u"24", 0, 0}, {u"25", 1, 25}, {u"400", 1, 400}, {u"401", 0, 0},
                                     {u"-50", 0, 0}, {u"150%", 1, 150}});
}

TEST_F(NumberHandlersTest, DryTimeMapsStepsAndRefusesEverythingElse) {
  CheckImports<GDryTimeHandler>(this, library.get(), root.get(), changes.get(),
                                {{u"-15", 1, 1}, {u"-10", 1, 2}, {u"-5", 1, 3}, {u"5", 1, 5}, {u"10", 1, 6},
                                 {u"15", 1, 7}, {u"20", 1, 8}, {u"25", 1, 9}, {u"30", 1, 10}, {u"0", 0, 0},
                                 {u"7", 0, 0}, {u"35", 0, 0}});
}

TEST_F(NumberHandlersTest, ExportsWriteDecimalTextsAndAnswerTheLibrary) {
  struct Case {
    std::function<GConfigFeatureHandler*()> make;
    int32_t group;
    int32_t id;
    int16_t value;
    std::u16string exported;
  } cases[] = {
      {[&] { return new GCopiesHandler(library.get()); }, 364, 291, 3, u"printing/Copies=3"},
      {[&] { return new GCopiesHandler(library.get()); }, 364, 291, -25536, u"printing/Copies=40000"},
      {[&] { return new GMemoryHandler(library.get()); }, 365, 925, 128, u"physical/Memory=128"},
      {[&] { return new GDriverWorkSpaceSettingHandler(library.get()); }, 365, 202, 300,
       u"physical/DriverWorkSpaceSetting=300"},
      {[&] { return new GScaleChoiceHandler(library.get()); }, 362, 269, 75, u"printing/ScaleChoice=75"},
      {[&] { return new GDryTimeHandler(library.get()); }, 362, 1133, 2, u"printing/DryTime=-10"},
      {[&] { return new GDryTimeHandler(library.get()); }, 362, 1133, 10, u"printing/DryTime=30"},
      {[&] { return new GDryTimeHandler(library.get()); }, 362, 1133, 4, u"printing/DryTime=0"},
      {[&] { return new GDryTimeHandler(library.get()); }, 362, 1133, 99, u"printing/DryTime=0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.exported.begin(), c.exported.end()));
    ValueIn(root.get(), c.group, c.id)->SetValue(c.value);
    std::unique_ptr<GConfigFeatureHandler> handler(c.make());
    FakeDMC().exports.clear();
    EXPECT_EQ(handler->Export(root.get()), 1);
    EXPECT_EQ(Exports(), (std::vector<std::u16string>{c.exported}));
    FakeDMC().refusedExports = {c.exported};
    EXPECT_EQ(handler->Export(root.get()), 0);
    FakeDMC().refusedExports.clear();
  }
}

TEST_F(NumberHandlersTest, WorkSpaceExportNeedsTheOptionsGroupAndTakesTheFirstAttributeAnywhere) {
  auto settings = std::make_unique<GAttributeComposite>();
  settings->AddChild(MakeGroup(362, {{202, 77}}));
  GDriverWorkSpaceSettingHandler handler(library.get());
  EXPECT_EQ(handler.Export(settings.get()), 0);
  settings->AddChild(MakeGroup(365, {{202, 300}}));
  EXPECT_EQ(handler.Export(settings.get()), 1);
  EXPECT_EQ(Exports(), (std::vector<std::u16string>{u"physical/DriverWorkSpaceSetting=77"}));
}

TEST_F(NumberHandlersTest, UnknownPathOrMissingAttributeGivesZero) {
  GCopiesHandler copies(library.get());
  EXPECT_EQ(copies.Import(root.get(), changes.get()), 0);
  GAttributeComposite empty;
  qvtest::SetDMCFeature(u"printing/Copies", u"4");
  EXPECT_EQ(copies.Import(&empty, changes.get()), 0);
  EXPECT_EQ(copies.Export(&empty), 0);
  EXPECT_EQ(changes->GetEntryCount(), 0);
}

}  // namespace
