// The symmetrical duplex filter: the transform that equalises a page's
// margins, which jobs it takes part in, and the sides it counts.
#include "graphics/GSymetricalDuplexFilter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <utility>

#include "model/GCommandComposite.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GState.h"
#include "model/GValueAttribute.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GPageCommand.h"
#include "support/PrinterInstanceTestSupport.h"

namespace {

GMedia Uneven() {
  // Margins of 150 on the left and 250 on the right of a 5100-pixel sheet.
  const GShortPoint size{5100, 6600}, extent{4700, 6360}, origin{150, 120};
  GMedia medium("Letter", &size, &extent, &origin, 0, 1, 600, 600, nullptr);
  medium.SetFeatureId(GFeatureIds::kPageMedia);
  return medium;
}

GState* State(int32_t id, std::initializer_list<std::pair<int32_t, int16_t>> values) {
  auto* state = new GState(&id);
  for (const auto& [key, value] : values) state->AddChild(new GValueAttribute(value, &key));
  return state;
}

TEST(GSymetricalDuplexFilterTest, UnevenMarginsAreEqualisedByShrinkingAndCentring) {
  const float s = 1.0f - 100.0f / 4700.0f;
  const GTransformAttribute t = GSymetricalDuplexFilter::EqualisingTransform(Uneven());
  GRealPair scale;
  GShortPoint offset;
  t.GetScale(scale);
  t.GetOffset(offset);
  EXPECT_FLOAT_EQ(scale.x, s);
  EXPECT_FLOAT_EQ(scale.y, s);
  EXPECT_EQ(offset.x, static_cast<int>((5100 - 4700 * s) * 0.5f) - static_cast<int>(150 * s));
  // The equalised page's left and right margins are the same.
  const double left = offset.x + 150 * s, right = 5100 - (left + 4700 * s);
  EXPECT_NEAR(left, right, 2.0);  // truncated to whole pixels
}

// A print-side instance whose printer has a duplex unit.
GConfiguration* WithDuplexUnit() {
  auto* configuration = new GConfiguration(GFeatureIds::kPeripheralConfiguration);
  const int32_t unitId = GFeatureIds::kDiscoveredDuplexUnit;
  configuration->AddChild(new GValueAttribute(1, &unitId));
  return configuration;
}

class SymetricalDuplexJobTest : public ::testing::Test {
 protected:
  GCountedPtr Send(GCommand* command) {
    GCountedPtr held(command);
    return filter_.Send(command);
  }
  void Start(std::initializer_list<std::pair<int32_t, int16_t>> job) {
    filter_.RebuildCurrentState();
    Send(new GDocumentStart(RWWString(u"doc"), RWCString(), RWWString(u"FILE:"), &instance_,
                            State(GFeatureIds::kJobSettings, job)));
  }
  GCountedPtr Page(int16_t duplex) {
    GState* settings = State(GFeatureIds::kPageState, {{GFeatureIds::kDuplex, duplex}});
    settings->AddChild(new GMedia(Uneven()));
    return Send(new GPageStart(settings));
  }
  qvtest::PrinterConfiguredInstance instance_{WithDuplexUnit()};
  GSymetricalDuplexFilter filter_;
};

TEST_F(SymetricalDuplexJobTest, DuplexPagesCarryTheEqualisingTransformAndTheSidesAlternate) {
  Start({{GFeatureIds::kDuplex, 2}, {GFeatureIds::kQVAutoDuplexScaling, 0}});
  ASSERT_EQ(filter_.IsActive(), 1);
  EXPECT_EQ(filter_.GetEffectFlags(), 10);
  GCountedPtr first = Page(2);
  EXPECT_EQ(first.Pointee()->ClassId(), GCommandCompositeClassId);
  EXPECT_EQ(filter_.IsBackSide(), 1);
  Page(2);
  EXPECT_EQ(filter_.IsBackSide(), 0);
  Page(2);
  // A simplex page goes back to the front.
  GCountedPtr simplex = Page(0);
  EXPECT_EQ(simplex.Pointee()->ClassId(), GPageStartClassId);
  EXPECT_EQ(filter_.IsBackSide(), 0);
}

TEST_F(SymetricalDuplexJobTest, ThePrintersOwnScalingOrNoSettingLeavesThePagesAlone) {
  Start({{GFeatureIds::kDuplex, 2}, {GFeatureIds::kQVAutoDuplexScaling, 1}});
  EXPECT_EQ(filter_.IsActive(), 1);
  EXPECT_EQ(filter_.GetEffectFlags(), 0);
  GCountedPtr settings(State(GFeatureIds::kPageState, {{GFeatureIds::kDuplex, 2}}));
  int32_t code = 0;
  EXPECT_EQ(filter_.GetScale(nullptr, static_cast<GState*>(settings.Pointee()), 1, &code), GRealPair(1.0f, 1.0f));
  Start({{GFeatureIds::kDuplex, 2}});
  EXPECT_EQ(filter_.IsActive(), 0);
}

}  // namespace
