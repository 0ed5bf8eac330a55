// The three page-description generators and their common base: class ids,
// kinds, defaults, copies and stored bodies, one table row per generator.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "model/GFeatureIds.h"
#include "pdl/GPdlGenerator.h"
#include "pdl/GPcl5e.h"
#include "pdl/GPostScript.h"
#include "pdl/cheetah.h"
#include "printpath/GPrinter.h"
#include "rw/RWFactory.h"
#include "support/ModelRoundTrip.h"
#include "support/GeneratorTestClasses.h"

namespace {

using qvtest::kAllModelForms;
using qvtest::ModelForm;
using qvtest::ModelFormName;

struct GeneratorCase {
  const char* name;
  RWClassID classId;
  // A populated generator, and another whose only difference is its
  // current point.
  std::function<GPdlGenerator*()> makePopulated;
  std::function<GPdlGenerator*()> makeMoved;
  uint32_t ownBytes;  // version and fields after the generator base
  const char* useOperation;
  // The stored fields that Matches does not compare are equal.
  std::function<bool(const GPdlGenerator&, const GPdlGenerator&)> sameStoredFields;
};

void PrintTo(const GeneratorCase& c, std::ostream* os) { *os << c.name; }

template <typename T, typename Get>
bool SameFields(const GPdlGenerator& a, const GPdlGenerator& b, Get get) {
  auto* x = dynamic_cast<const T*>(&a);
  auto* y = dynamic_cast<const T*>(&b);
  return x != nullptr && y != nullptr && get(*x) == get(*y);
}

const GeneratorCase kCases[] = {
    {"PCL XL", 767,
     [] {
       auto* g = new qvtest::TestCheetah(&GFeatureIds::kGeneratorPeripheral);
       g->Populate();
       return g;
     },
     [] {
       auto* g = new qvtest::TestCheetah(&GFeatureIds::kGeneratorPeripheral);
       g->Populate();
       g->SetCurrentPoint(10, 20);
       return g;
     },
     20, "UsePclXlGenerator",
     [](const GPdlGenerator& a, const GPdlGenerator& b) {
       return SameFields<GCheetah>(a, b, [](const GCheetah& g) {
         return std::to_string(g.GetWriteStatus()) + "," + std::to_string(g.GetWriteEnabled()) + "," +
                std::to_string(g.GetXResolution()) + "," + std::to_string(g.GetYResolution());
       });
     }},
    {"PostScript", 768,
     [] {
       auto* g = new qvtest::TestPostScript(&GFeatureIds::kGeneratorPeripheral);
       g->Populate();
       return g;
     },
     [] {
       auto* g = new qvtest::TestPostScript(&GFeatureIds::kGeneratorPeripheral);
       g->Populate();
       g->SetCurrentPoint(-1, 1);
       return g;
     },
     20, "UsePostScriptGenerator",
     [](const GPdlGenerator& a, const GPdlGenerator& b) {
       return SameFields<GPostScript>(a, b, [](const GPostScript& g) {
         return std::to_string(g.GetSinkStatus()) + "," + std::to_string(g.GetSinkEnabled()) + "," +
                std::to_string(g.GetXResolution()) + "," + std::to_string(g.GetYResolution());
       });
     }},
    {"PCL 5e", 788,
     [] {
       auto* g = new qvtest::TestPcl5e(&GFeatureIds::kGeneratorPeripheral);
       g->Populate();
       return g;
     },
     [] {
       auto* g = new qvtest::TestPcl5e(&GFeatureIds::kGeneratorPeripheral);
       g->Populate();
       g->SetCurrentPoint(3, 4);
       return g;
     },
     24, "UsePcl5eGenerator",
     [](const GPdlGenerator& a, const GPdlGenerator& b) {
       return SameFields<GPcl5e>(a, b, [](const GPcl5e& g) {
         return std::to_string(g.GetOutputStatus()) + "," + std::to_string(g.GetOutputOk()) + "," +
                std::to_string(g.GetXResolution()) + "," + std::to_string(g.GetYResolution());
       });
     }},
};

class GeneratorsTest : public ::testing::TestWithParam<GeneratorCase> {};

TEST_P(GeneratorsTest, IsRegisteredUnderItsClassIdAndKnowsItsKinds) {
  const GeneratorCase& c = GetParam();
  std::unique_ptr<RWCollectable> made(RWFactoryCreate(c.classId));
  auto* generator = dynamic_cast<GPdlGenerator*>(made.get());
  ASSERT_NE(generator, nullptr);
  EXPECT_EQ(generator->ClassId(), c.classId);
  for (RWClassID id : std::initializer_list<RWClassID>{c.classId, 765, 770, 760, 753, 751}) EXPECT_TRUE(generator->DerivesFrom(id)) << id;
  EXPECT_FALSE(generator->DerivesFrom(761));
  EXPECT_FALSE(generator->DerivesFrom(769));
  EXPECT_EQ(generator->FeatureId(), 0);
  EXPECT_EQ(generator->GetInDocumentFlag(), 0);
  EXPECT_EQ(generator->GetProgressFlag(), 1);
  EXPECT_FALSE(generator->IsInsidePath());
  std::unique_ptr<MPersistentObject> same(generator->CreateSameKind());
  EXPECT_EQ(same->ClassId(), c.classId);
}

TEST_P(GeneratorsTest, RoundTripsEveryStoredFieldInEveryForm) {
  const GeneratorCase& c = GetParam();
  std::unique_ptr<GPdlGenerator> generator(c.makePopulated());
  generator->SetName("Language");
  qvtest::ExpectRoundTripsInAllForms(*generator);
  qvtest::ExpectStoredByteCountIsWritten(*generator);
  for (ModelForm form : kAllModelForms) {
    SCOPED_TRACE(ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(generator.get(), form), form);
    std::unique_ptr<MPersistentObject> owned(read.object);
    auto* restored = dynamic_cast<GPdlGenerator*>(read.object);
    ASSERT_NE(restored, nullptr);
    EXPECT_TRUE(c.sameStoredFields(*restored, *generator));
    EXPECT_EQ(restored->GetInDocumentFlag(), generator->GetInDocumentFlag());
    EXPECT_EQ(restored->GetPathDepth(), generator->GetPathDepth());
    EXPECT_EQ(restored->GetFontCounter(), 0);
  }
}

TEST_P(GeneratorsTest, TheStoredSizeIsTheBaseAndItsOwnFields) {
  const GeneratorCase& c = GetParam();
  std::unique_ptr<GPdlGenerator> generator(c.makePopulated());
  // A plain composite with the same peripheral parts is the base of both.
  GPeripheralComposite composite(&GFeatureIds::kGeneratorPeripheral);
  EXPECT_EQ(generator->MembersStoreSize(), composite.MembersStoreSize() + 18 + c.ownBytes);
}

TEST_P(GeneratorsTest, ACopyKeepsTheStoredValuesAndStartsItsFontCountersAgain) {
  const GeneratorCase& c = GetParam();
  std::unique_ptr<GPdlGenerator> generator(c.makePopulated());
  std::unique_ptr<GPdlGenerator> copy(static_cast<GPdlGenerator*>(generator->Clone()));
  EXPECT_EQ(copy->ClassId(), c.classId);
  EXPECT_TRUE(copy->Matches(generator.get()));
  EXPECT_TRUE(c.sameStoredFields(*copy, *generator));
  EXPECT_EQ(copy->GetFontCounter(), 0);
  EXPECT_EQ(copy->GetClipPathFlag(), generator->GetClipPathFlag());
}

TEST_P(GeneratorsTest, MatchesComparesTheCurrentPoint) {
  const GeneratorCase& c = GetParam();
  std::unique_ptr<GPdlGenerator> a(c.makePopulated());
  std::unique_ptr<GPdlGenerator> b(c.makeMoved());
  EXPECT_FALSE(a->Matches(b.get()));
  EXPECT_FALSE(b->Matches(a.get()));
  a->SetClipPathFlag(a->GetClipPathFlag() != 0 ? 0 : 1);
  std::unique_ptr<GPdlGenerator> c2(c.makePopulated());
  EXPECT_FALSE(a->Matches(c2.get()));  // the base's flags count too
}

TEST_P(GeneratorsTest, ApplyToHandsTheGeneratorToItsOperation) {
  const GeneratorCase& c = GetParam();
  std::unique_ptr<GPdlGenerator> generator(c.makePopulated());
  qvtest::UseRecorder target;
  EXPECT_EQ(generator->ApplyTo(&target), 5);
  EXPECT_EQ(target.operation, c.useOperation);
  EXPECT_EQ(target.argument, generator.get());
}

TEST_P(GeneratorsTest, EveryTruncationFailsCleanly) {
  const GeneratorCase& c = GetParam();
  std::unique_ptr<GPdlGenerator> generator(c.makePopulated());
  for (ModelForm form : {ModelForm::kFile, ModelForm::kByteOrderTagged}) {
    SCOPED_TRACE(ModelFormName(form));
    const std::string bytes = qvtest::SaveInForm(generator.get(), form);
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
      qvtest::ModelRead read = qvtest::RestoreFromForm(bytes.substr(0, cut), form);
      EXPECT_EQ(read.object, nullptr) << cut;
      delete read.object;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Generators, GeneratorsTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<GeneratorCase>& info) {
                           std::string name = info.param.name;
                           for (char& ch : name)
                             if (ch == ' ') ch = '_';
                           return name;
                         });

TEST(GeneratorBaseTest, IsNotRegistered) {
  std::unique_ptr<RWCollectable> made(RWFactoryCreate(765));
  EXPECT_EQ(made, nullptr);
}

}  // namespace
