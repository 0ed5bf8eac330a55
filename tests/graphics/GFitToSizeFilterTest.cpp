// The fit-to-size filter's placement of a page on the target paper:
// centred without scaling, or scaled to the target's printable area; the
// filter staying out of jobs that print on their own paper. The rendered
// pages are judged in the host's tests.
#include "graphics/GFitToSizeFilter.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GState.h"
#include "model/GValueAttribute.h"
#include "printpath/GDocumentCommand.h"

namespace {

GMedia Medium(int16_t w, int16_t h, int16_t ew, int16_t eh, int16_t ox, int16_t oy) {
  const GShortPoint size{w, h}, extent{ew, eh}, origin{ox, oy};
  return GMedia("", &size, &extent, &origin, 0, 0, 600, 600, nullptr);
}

void ExpectPlacement(const GTransformAttribute& t, GShortPoint offset, float scale) {
  GShortPoint o;
  GRealPair s;
  t.GetOffset(o);
  t.GetScale(s);
  EXPECT_EQ(o, offset) << o.x << "," << o.y;
  EXPECT_FLOAT_EQ(s.x, scale);
  EXPECT_FLOAT_EQ(s.y, scale);
}

TEST(GFitToSizeFilterTest, APageIsCentredOnTheTargetWithoutScaling) {
  const GMedia target = Medium(5100, 6600, 4860, 6360, 120, 120);
  const GMedia page = Medium(4800, 6000, 4560, 5760, 120, 120);
  ExpectPlacement(GFitToSizeFilter::ComputeFitTransform(target, page, 0), GShortPoint{150, 300}, 1.0f);
}

TEST(GFitToSizeFilterTest, ALongerPageIsScaledToTheTargetsHeightAndCentredAcross) {
  const GMedia letter = Medium(5100, 6600, 4800, 6200, 150, 200);
  const GMedia legal = Medium(5100, 8400, 4800, 8200, 150, 100);
  const float s = 6200.0f / 8200.0f;
  const int x = std::min((5100 - static_cast<int>(5100 * s)) >> 1, 4800 - static_cast<int>(4800 * s)) -
                static_cast<int>(150 * s) + 150;
  const int y = 200 - static_cast<int>(100 * s);
  ExpectPlacement(GFitToSizeFilter::ComputeFitTransform(letter, legal, 1),
                  GShortPoint{static_cast<int16_t>(x), static_cast<int16_t>(y)}, s);
}

TEST(GFitToSizeFilterTest, AJobWithoutATargetIsLeftAlone) {
  GFitToSizeFilter filter;
  filter.RebuildCurrentState();
  const int32_t jobId = GFeatureIds::kJobSettings, fitId = GFeatureIds::kFitToOtherSizeChoice;
  auto* settings = new GState(&jobId);
  settings->AddChild(new GValueAttribute(1, &fitId));  // fit asked, but no target medium
  GCountedPtr start(new GDocumentStart(RWWString(u"doc"), RWCString(), RWWString(u"FILE:"), nullptr, settings));
  filter.Send(static_cast<GCommand*>(start.Pointee()));
  EXPECT_EQ(filter.IsActive(), 0);
  EXPECT_EQ(filter.GetEffectFlags(), 0);
  int32_t code = GGeometryFilter::kScaleGiven;
  EXPECT_EQ(filter.GetScale(settings, nullptr, 1, &code), GRealPair(0.0f, 0.0f));
}

}  // namespace
