// The scale filter: which jobs it takes part in, the transform each page
// start brings along, the transforms of the drawings it scales, and the
// scale it reports. The rendered pages are judged in the host's tests.
#include "graphics/GScalePageFilter.h"

#include <gtest/gtest.h>

#include "model/GCommandComposite.h"
#include "model/GFeatureIds.h"
#include "model/GGraphicBundle.h"
#include "model/GState.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentIterator.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GNoCommand.h"
#include "printpath/GPageCommand.h"

namespace {

GState* JobWithScale(int percent) {
  const int32_t jobId = GFeatureIds::kJobSettings;
  auto* state = new GState(&jobId);
  const int32_t scaleId = GFeatureIds::kScaleChoice;
  state->AddChild(new GValueAttribute(static_cast<int16_t>(percent), &scaleId));
  return state;
}

void StartJob(GScalePageFilter& filter, int percent) {
  filter.RebuildCurrentState();
  GCountedPtr start(new GDocumentStart(RWWString(u"doc"), RWCString(), RWWString(u"FILE:"), nullptr, JobWithScale(percent)));
  filter.Send(static_cast<GCommand*>(start.Pointee()));
}

void ExpectTransform(const GTransformAttribute* t, GShortPoint offset, float scale) {
  ASSERT_NE(t, nullptr);
  GShortPoint o;
  GRealPair s;
  t->GetOffset(o);
  t->GetScale(s);
  EXPECT_EQ(o, offset) << o.x << "," << o.y;
  EXPECT_FLOAT_EQ(s.x, scale);
  EXPECT_FLOAT_EQ(s.y, scale);
}

TEST(GScalePageFilterTest, AHundredPercentLeavesTheJobAlone) {
  GScalePageFilter filter;
  StartJob(filter, 100);
  EXPECT_EQ(filter.IsActive(), 0);
  EXPECT_EQ(filter.GetEffectFlags(), 0);
}

TEST(GScalePageFilterTest, EachPageStartBringsTheScaleAndDrawingsAreScaledWithIt) {
  GScalePageFilter filter;
  StartJob(filter, 50);
  EXPECT_EQ(filter.IsActive(), 1);
  EXPECT_EQ(filter.GetEffectFlags(), 10);
  const int32_t pageId = GFeatureIds::kPageState;
  GCountedPtr pageStart(new GPageStart(new GState(&pageId)));
  GCountedPtr result = filter.Send(static_cast<GCommand*>(pageStart.Pointee()));
  auto* composite = dynamic_cast<GCommandComposite*>(result.Pointee());
  ASSERT_NE(composite, nullptr);
  MPersistentIterator* it = composite->CreateIterator();
  ASSERT_TRUE(it->Advance());
  EXPECT_EQ(it->Current(), pageStart.Pointee());
  ASSERT_TRUE(it->Advance());
  auto* companion = dynamic_cast<GNullCommand*>(it->Current());
  EXPECT_FALSE(it->Advance());
  delete it;
  ASSERT_NE(companion, nullptr);
  ASSERT_NE(companion->GetSettings(), nullptr);
  EXPECT_EQ(companion->GetSettings()->FeatureId(), GFeatureIds::kGraphicsState);
  ExpectTransform(dynamic_cast<GTransformAttribute*>(companion->GetSettings()->FindByClass(GTransformAttributeClassId)),
                  GShortPoint{0, 0}, 0.5f);

  auto* bundle = new GGraphicBundle;
  bundle->AddChild(new GTransformAttribute(0, GShortPoint{100, 40}, GRealPair(1.0f, 1.0f)));
  auto* text = new GNullCommand;
  text->SetSettings(bundle);
  GCountedPtr held(text);
  filter.Send(text);
  ExpectTransform(dynamic_cast<GTransformAttribute*>(text->GetSettings()->FindByClass(GTransformAttributeClassId)),
                  GShortPoint{50, 20}, 0.5f);
}

TEST(GScalePageFilterTest, TheScaleIsTheJobsUnlessAnEarlierStageGaveIt) {
  GScalePageFilter filter;
  GCountedPtr job(JobWithScale(50));
  int32_t code = 0;
  EXPECT_EQ(filter.GetScale(static_cast<GState*>(job.Pointee()), nullptr, 1, &code), GRealPair(0.5f, 0.5f));
  code = GGeometryFilter::kScaleGiven;
  EXPECT_EQ(filter.GetScale(static_cast<GState*>(job.Pointee()), nullptr, 1, &code), GRealPair(0.0f, 0.0f));
  code = 0;
  EXPECT_EQ(filter.GetScale(nullptr, nullptr, 1, &code), GRealPair(1.0f, 1.0f));
}

}  // namespace
