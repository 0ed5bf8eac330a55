// States and graphic bundles: one member per setting, merging that marks
// and then applies exactly the differences, the ownership of what is added,
// and the bundle's members under their fixed feature ids.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/GEnumAttribute.h"
#include "model/GGraphicBundle.h"
#include "model/GRangeAttribute.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GValue32Attribute.h"
#include "model/GValueAttribute.h"
#include "support/ModelRoundTrip.h"
#include "support/RecordingPeripheral.h"
#include "support/AttributeTestClasses.h"

namespace {

const int32_t kJob = 246;
const int32_t kStatePage = 256;
const int32_t kStateCopies = 1;
const int32_t kStateDuplex = 2;
const int32_t kOrientation = 3;
const int32_t kName = 4;
const int32_t kStateResolution = 5;

int16_t StateValueOf(MPersistentObject* o) { return dynamic_cast<GValueAttribute&>(*o).GetValue(); }

class GStateTest : public ::testing::Test {
 protected:
  void SetUp() override { live_ = TestLiveValue::live; }
  void TearDown() override { EXPECT_EQ(TestLiveValue::live, live_) << "attributes leaked or deleted twice"; }

 private:
  int live_ = 0;
};

TEST_F(GStateTest, AddingReplacesTheSameSettingInPlaceOrDropsAnEqualOne) {
  GState state(&kJob);
  state.AddChild(new GValueAttribute(1, &kStateCopies));
  state.AddChild(new GValueAttribute(0, &kStateDuplex));
  state.AddChild(new GValueAttribute(5, &kStateCopies));
  ASSERT_EQ(state.GetEntryCount(), 2);
  EXPECT_EQ(state.ChildAt(0)->FeatureId(), kStateCopies);
  EXPECT_EQ(StateValueOf(state.ChildAt(0)), 5);

  GAttribute* kept = state.ChildAt(0);
  state.AddChild(new TestLiveValue(5, &kStateCopies));  // equal: dropped (and destroyed)
  EXPECT_EQ(state.ChildAt(0), kept);
  EXPECT_EQ(state.GetEntryCount(), 2);

  // Another type id under the same feature id is another setting.
  state.AddChild(new GValue32Attribute(5, &kStateCopies));
  EXPECT_EQ(state.GetEntryCount(), 3);
  EXPECT_TRUE(state.DerivesFrom(758));
  EXPECT_TRUE(state.DerivesFrom(757));
}

TEST_F(GStateTest, AddingNeverDestroysAnObjectThatIsHeldOrIsTheMemberItself) {
  GState state(&kJob);
  auto* member = new TestLiveValue(1, &kStateCopies);
  state.AddChild(member);
  // The very member again: it stays, alive and held once.
  state.AddChild(member);
  EXPECT_EQ(state.GetEntryCount(), 1);
  EXPECT_EQ(state.ChildAt(0), member);
  EXPECT_EQ(member->HolderCount(), 0);

  // An equal attribute that another state holds: not added, not destroyed.
  GState other(&kStatePage);
  auto* shared = new TestLiveValue(1, &kStateCopies);
  other.AddChild(shared);
  state.AddChild(shared);
  EXPECT_EQ(state.ChildAt(0), member);
  EXPECT_EQ(other.ChildAt(0), shared);
  EXPECT_EQ(StateValueOf(other.ChildAt(0)), 1);
  EXPECT_EQ(shared->HolderCount(), 0);

  // A different one that is held elsewhere replaces the member and is shared.
  auto* differs = new TestLiveValue(2, &kStateCopies);
  other.AddChild(new TestLiveValue(0, &kStateDuplex));
  GCountedPtr holder(differs);
  state.AddChild(differs);
  EXPECT_EQ(state.ChildAt(0), differs);
  EXPECT_EQ(differs->HolderCount(), 1);
}

// The printer's state: copies 1, duplex 0, orientation 0, a name and a
// nested page state.
std::unique_ptr<GState> MakeCurrent() {
  auto state = std::make_unique<GState>(&kJob);
  state->AddChild(new GValueAttribute(1, &kStateCopies));
  state->AddChild(new GValueAttribute(0, &kStateDuplex));
  state->AddChild(new GValueAttribute(0, &kOrientation));
  state->AddChild(new GStringAttribute("job", &kName));
  auto* page = new GState(&kStatePage);
  page->AddChild(new GValueAttribute(600, &kStateResolution));
  page->AddChild(new GValueAttribute(1, &kOrientation));
  state->AddChild(page);
  state->MarkAllUnchanged();
  page->MarkAllUnchanged();
  return state;
}

TEST_F(GStateTest, MergingMarksAndAppliesExactlyTheDifferencesInStateOrder) {
  auto current = MakeCurrent();
  // Settings with the same id: duplex and the name differ, copies does not,
  // a new setting comes in, and the nested page state differs in one value.
  GState settings(&kJob);
  settings.AddChild(new GStringAttribute("report", &kName));
  settings.AddChild(new GValueAttribute(1, &kStateCopies));
  settings.AddChild(new GValueAttribute(1, &kStateDuplex));
  settings.AddChild(new GRangeAttribute(0, 10, 1, 4, &kStateResolution));
  auto* page = new GState(&kStatePage);
  page->AddChild(new GValueAttribute(600, &kStateResolution));
  page->AddChild(new GValueAttribute(2, &kOrientation));
  settings.AddChild(page);
  GAttribute* copies = current->ChildAt(0);

  current->Merge(&settings);

  ASSERT_EQ(current->GetEntryCount(), 6);
  EXPECT_EQ(current->ChildAt(0), copies);  // equal: kept
  EXPECT_EQ(copies->changed, 0);
  EXPECT_EQ(current->ChildAt(1), settings.ChildAt(2));  // replaced in place, shared
  EXPECT_EQ(current->ChildAt(1)->changed, 1);
  EXPECT_EQ(current->ChildAt(2)->changed, 0);
  EXPECT_EQ(current->ChildAt(3), settings.ChildAt(0));
  EXPECT_EQ(current->ChildAt(5), settings.ChildAt(3));  // appended, shared
  // The nested state was merged member by member, not replaced.
  auto* currentPage = dynamic_cast<GState*>(current->ChildAt(4));
  ASSERT_NE(currentPage, nullptr);
  EXPECT_NE(currentPage, page);
  EXPECT_EQ(currentPage->ChildAt(0)->changed, 0);
  EXPECT_EQ(currentPage->ChildAt(1), page->ChildAt(1));
  EXPECT_EQ(currentPage->ChildAt(1)->changed, 1);

  // Applying sends exactly the differences, in the state's order.
  qvtest::RecordingPeripheral receiver;
  current->ApplyTo(&receiver);
  EXPECT_EQ(receiver.Operations(), (std::vector<std::string>{"SetValue", "SetString", "SetValue", "SetRange"}));
  EXPECT_EQ(receiver.FeatureIds(), (std::vector<int32_t>{kStateDuplex, kName, kOrientation, kStateResolution}));
  EXPECT_EQ(receiver.Calls()[2].attribute, page->ChildAt(1));
  EXPECT_EQ(current->changed, 0);
  EXPECT_EQ(currentPage->changed, 0);
}

TEST_F(GStateTest, MergingOneDifferingValueAppliesOnce) {
  auto current = MakeCurrent();
  std::unique_ptr<GState> settings(dynamic_cast<GState*>(current->DeepCopy()));
  dynamic_cast<GValueAttribute*>(settings->FindById(kStateCopies))->SetValue(3);
  current->Merge(settings.get());
  qvtest::RecordingPeripheral receiver;
  current->ApplyTo(&receiver);
  ASSERT_EQ(receiver.Calls().size(), 1u);
  EXPECT_EQ(receiver.FeatureIds(), std::vector<int32_t>{kStateCopies});
}

TEST_F(GStateTest, MergingAStateWithAnotherIdAddsItAsOneChangedMember) {
  auto current = MakeCurrent();
  auto* other = new GState(&kStateDuplex);
  other->changed = 0;
  other->AddChild(new GValueAttribute(1, &kStateCopies));
  current->Merge(other);  // taken over
  ASSERT_EQ(current->GetEntryCount(), 6);
  EXPECT_EQ(current->ChildAt(5), other);
  EXPECT_EQ(other->changed, 1);
  // A state does not differ from itself.
  current->Merge(current.get());
  EXPECT_EQ(current->GetEntryCount(), 6);
}

TEST_F(GStateTest, ANestedGraphicBundleIsReplacedWholeWhenItDiffers) {
  GState current(&kJob);
  auto* bundle = new GGraphicBundle;
  bundle->SetPen(new TestPen(1, &kStateCopies));
  current.AddChild(bundle);
  current.MarkAllUnchanged();
  GState settings(&kJob);
  auto* newBundle = new GGraphicBundle;
  newBundle->SetPen(new TestPen(2, &kStateCopies));
  settings.AddChild(newBundle);
  current.Merge(&settings);
  EXPECT_EQ(current.ChildAt(0), newBundle);
  EXPECT_EQ(newBundle->changed, 1);
}

TEST_F(GStateTest, StatesAndBundlesRoundTripInEveryForm) {
  auto current = MakeCurrent();
  current->ChildAt(1)->changed = 1;
  qvtest::ExpectRoundTripsInAllForms(*current);
  qvtest::ExpectStoredByteCountIsWritten(*current);
  GGraphicBundle bundle;
  bundle.AddChild(new GValueAttribute(2, &GGraphicBundle::kFillModeId));
  qvtest::ExpectRoundTripsInAllForms(bundle);
  qvtest::ExpectStoredByteCountIsWritten(bundle);
}

TEST_F(GStateTest, BundleMembersLiveUnderTheirFixedIds) {
  GGraphicBundle bundle;
  EXPECT_EQ(bundle.FeatureId(), 244);
  EXPECT_EQ(GGraphicBundle(&kStateCopies).FeatureId(), 244);
  EXPECT_EQ(bundle.ClassId(), 101);
  EXPECT_TRUE(bundle.DerivesFrom(758));

  auto* pen = new TestPen(3, &kStateCopies);
  bundle.SetPen(pen);
  EXPECT_EQ(pen->FeatureId(), 160);
  EXPECT_EQ(bundle.GetPen(), pen);
  // An equal pen is dropped, a different one replaces it in place.
  bundle.SetBrush(new TestPen(1, nullptr));
  bundle.SetPen(new TestPen(3, nullptr));
  EXPECT_EQ(bundle.GetPen(), pen);
  auto* wider = new TestPen(5, nullptr);
  bundle.SetPen(wider);
  EXPECT_EQ(bundle.GetPen(), wider);
  EXPECT_EQ(bundle.ChildAt(0), wider);

  struct Member {
    void (GGraphicBundle::*set)(GAttribute*);
    GAttribute* (GGraphicBundle::*get)();
    GAttribute* (GGraphicBundle::*detach)();
    int32_t id;
  };
  const Member members[] = {
      {&GGraphicBundle::SetBrush, &GGraphicBundle::GetBrush, &GGraphicBundle::DetachBrush, 154},
      {&GGraphicBundle::SetLineCap, &GGraphicBundle::GetLineCap, &GGraphicBundle::DetachLineCap, 166},
      {&GGraphicBundle::SetClip, &GGraphicBundle::GetClip, &GGraphicBundle::DetachClip, 177},
      {&GGraphicBundle::SetFillMode, &GGraphicBundle::GetFillMode, &GGraphicBundle::DetachFillMode, 182},
      {&GGraphicBundle::SetLineJoin, &GGraphicBundle::GetLineJoin, &GGraphicBundle::DetachLineJoin, 172},
      {&GGraphicBundle::SetPen, &GGraphicBundle::GetPen, &GGraphicBundle::DetachPen, 160},
      {&GGraphicBundle::SetRasterOperation, &GGraphicBundle::GetRasterOperation,
       &GGraphicBundle::DetachRasterOperation, 183},
  };
  GGraphicBundle fresh;
  for (const Member& m : members) {
    SCOPED_TRACE(m.id);
    EXPECT_EQ((fresh.*m.detach)(), nullptr);
    auto* attribute = new TestPen(static_cast<int16_t>(m.id), &kStateCopies);
    (fresh.*m.set)(attribute);
    EXPECT_EQ(attribute->FeatureId(), m.id);
    EXPECT_EQ((fresh.*m.get)(), attribute);
  }
  EXPECT_EQ(fresh.GetEntryCount(), 7);
  // Detached members belong to the caller; a shared one comes back as a copy.
  std::unique_ptr<GAttribute> clip(fresh.DetachClip());
  EXPECT_EQ(clip->FeatureId(), 177);
  EXPECT_EQ(fresh.GetClip(), nullptr);
  GState holder(&kJob);
  holder.AddChild(fresh.GetPen());
  std::unique_ptr<GAttribute> penCopy(fresh.DetachPen());
  EXPECT_NE(penCopy.get(), holder.ChildAt(0));
  EXPECT_EQ(fresh.GetEntryCount(), 5);
}

}  // namespace
