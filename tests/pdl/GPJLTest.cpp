// The PJL peripheral's data: the state sections it starts with, its media
// state and job name, and its stored body.
#include "pdl/GPJL.h"

#include <gtest/gtest.h>

#include <memory>

#include "model/GFeatureIds.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "printpath/GPrinter.h"
#include "rw/RWFactory.h"
#include "support/ModelRoundTrip.h"

namespace {

using qvtest::kAllModelForms;
using qvtest::ModelForm;
using qvtest::ModelFormName;

using GFeatureIds::kPageMedia;
using GFeatureIds::kPrinterCopies;

void ExpectSections(GState* state) {
  ASSERT_NE(state, nullptr);
  ASSERT_EQ(state->Children().Count(), 3u);
  const int32_t ids[] = {244, 256, 246};
  for (size_t i = 0; i < 3; ++i) {
    GAttribute* section = state->ChildAt(i);
    ASSERT_NE(dynamic_cast<GState*>(section), nullptr);
    EXPECT_EQ(section->FeatureId(), ids[i]);
  }
}

TEST(GPJLTest, IsRegisteredAndStartsWithItsStateSections) {
  std::unique_ptr<RWCollectable> made(RWFactoryCreate(769));
  auto* pjl = dynamic_cast<GPJL*>(made.get());
  ASSERT_NE(pjl, nullptr);
  for (RWClassID id : {769, 770, 760, 753, 751}) EXPECT_TRUE(pjl->DerivesFrom(id)) << id;
  EXPECT_FALSE(pjl->DerivesFrom(765));
  ExpectSections(pjl->GetCurrentState());
  ExpectSections(pjl->GetDefaultState());
  EXPECT_EQ(pjl->GetProgressFlag(), 1);
  EXPECT_TRUE(pjl->GetJobName().IsEmpty());
  EXPECT_EQ(pjl->GetMediaState().Children().Count(), 0u);
  GPJL byId(&GFeatureIds::kPjlPeripheral);
  ExpectSections(byId.GetCurrentState());
}

TEST(GPJLTest, TheFullConstructorAddsOnlyMissingSectionsToTheCurrentState) {
  auto* defaults = new GState;
  auto* jobSettings = new GState(&GFeatureIds::kJobSettings);
  jobSettings->AddChild(new GValueAttribute(2, &kPrinterCopies));
  defaults->AddChild(jobSettings);
  GPJL pjl("PJL", defaults, nullptr, &GFeatureIds::kPjlPeripheral, 64, 4, 2);
  GState* current = pjl.GetCurrentState();
  ASSERT_EQ(current->Children().Count(), 3u);
  EXPECT_EQ(current->ChildAt(0)->FeatureId(), 246);  // the copied one, kept
  EXPECT_NE(current->ChildAt(0)->FindById(kPrinterCopies), nullptr);
  EXPECT_EQ(current->ChildAt(1)->FeatureId(), 244);
  EXPECT_EQ(current->ChildAt(2)->FeatureId(), 256);
  EXPECT_EQ(pjl.GetDefaultState()->Children().Count(), 1u);
}

TEST(GPJLTest, CopiesShareTheMediaAttributes) {
  GPJL pjl(&GFeatureIds::kPjlPeripheral);
  auto* media = new GValueAttribute(3, &kPageMedia);
  pjl.GetMediaState().AddChild(media);
  pjl.SetJobName("Report");
  GPJL copy(pjl);
  EXPECT_EQ(copy.GetMediaState().ChildAt(0), media);
  EXPECT_EQ(copy.GetJobName(), RWCString("Report"));
  std::unique_ptr<GPJL> clone(pjl.Clone());
  EXPECT_EQ(clone->GetMediaState().ChildAt(0), media);
}

TEST(GPJLTest, RoundTripsWithItsMediaStateAndJobName) {
  GPJL pjl("PJL", nullptr, nullptr, &GFeatureIds::kPjlPeripheral, 64, 4, 2);
  pjl.GetMediaState().AddChild(new GValueAttribute(3, &kPageMedia));
  pjl.GetMediaState().AddChild(new GStringAttribute("Letter", &kPageMedia));
  pjl.SetJobName("Quarterly report");
  pjl.GetCurrentState()->FindById(GFeatureIds::kJobSettings)->AddChild(new GValueAttribute(2, &kPrinterCopies));
  qvtest::ExpectRoundTripsInAllForms(pjl);
  qvtest::ExpectStoredByteCountIsWritten(pjl);
  for (ModelForm form : kAllModelForms) {
    SCOPED_TRACE(ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(&pjl, form), form);
    std::unique_ptr<MPersistentObject> owned(read.object);
    auto* restored = dynamic_cast<GPJL*>(read.object);
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->GetJobName(), RWCString("Quarterly report"));
    EXPECT_TRUE(restored->GetMediaState().Matches(&pjl.GetMediaState()));
    EXPECT_TRUE(restored->GetMediaState().IsEmbedded());
  }
}

TEST(GPJLTest, EveryTruncationFailsCleanly) {
  GPJL pjl(&GFeatureIds::kPjlPeripheral);
  pjl.GetMediaState().AddChild(new GValueAttribute(3, &kPageMedia));
  pjl.SetJobName("Report");
  for (ModelForm form : {ModelForm::kFile, ModelForm::kNativeBinary}) {
    SCOPED_TRACE(ModelFormName(form));
    const std::string bytes = qvtest::SaveInForm(&pjl, form);
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
      qvtest::ModelRead read = qvtest::RestoreFromForm(bytes.substr(0, cut), form);
      EXPECT_EQ(read.object, nullptr) << cut;
      delete read.object;
    }
  }
}

}  // namespace
