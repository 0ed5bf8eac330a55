// Enumerations: options of one class without duplicates, the selection and
// how it follows removals, replacements, copies and restores, and the
// stored form.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "model/GEnumAttribute.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "support/ModelRoundTrip.h"
#include "support/RecordingPeripheral.h"
#include "support/AttributeTestClasses.h"
#include "support/ModelTestClasses.h"
#include "w32test/Testing.h"

namespace {

using qvtest::ModelForm;
using qvtest::StoredBytes;

const int32_t kResolution = 50;
const int32_t kEnumAttributeOption = 7;

int16_t ValueOf(const MPersistentObject* o) { return dynamic_cast<const GValueAttribute&>(*o).GetValue(); }

class GEnumAttributeTest : public ::testing::Test {
 protected:
  void SetUp() override { live_ = TestLiveValue::live; }
  void TearDown() override { EXPECT_EQ(TestLiveValue::live, live_) << "options leaked or deleted twice"; }

  // Options 300, 600, 1200 under one feature id; the first is selected.
  static std::unique_ptr<GEnumAttribute> Resolutions() {
    auto e = std::make_unique<GEnumAttribute>(&kResolution);
    for (int16_t dpi : {300, 600, 1200}) e->AddChild(new GValueAttribute(dpi, &kEnumAttributeOption));
    return e;
  }

 private:
  int live_ = 0;
};

TEST_F(GEnumAttributeTest, OptionsAreOfOneClassWithoutDuplicatesAndTheFirstIsSelected) {
  GEnumAttribute e(&kResolution);
  EXPECT_EQ(e.GetSelected(), nullptr);
  EXPECT_EQ(e.GetElementClass(), 0);
  auto* first = new TestLiveValue(300, &kEnumAttributeOption);
  e.AddChild(first);
  EXPECT_EQ(e.GetElementClass(), GValueAttributeClassId);
  EXPECT_EQ(e.GetSelected(), first);
  e.AddChild(new TestLiveValue(600, &kEnumAttributeOption));
  e.AddChild(new TestLiveValue(300, &kEnumAttributeOption));            // equal: destroyed
  e.AddChild(first);                                      // the same option: stays
  e.AddChild(new GStringAttribute("300", &kEnumAttributeOption));      // another class: destroyed
  e.AddChild(new TestLeaf(1, kEnumAttributeOption));                   // not an attribute: destroyed
  EXPECT_EQ(e.GetEntryCount(), 2);
  EXPECT_EQ(first->HolderCount(), 0);
  EXPECT_EQ(e.GetSelected(), first);
  // A held option of another class is refused but not destroyed.
  GCountedPtr holder(new GStringAttribute("x", &kEnumAttributeOption));
  e.AddChild(holder.Pointee());
  EXPECT_EQ(e.GetEntryCount(), 2);
  EXPECT_EQ(e.GetTypeId(), 764);
}

TEST_F(GEnumAttributeTest, SelectionMovesWithoutWrappingAround) {
  auto e = Resolutions();
  GValueAttribute probe(1200, &kEnumAttributeOption);
  EXPECT_EQ(e->Select(&probe), e->ChildAt(2));
  EXPECT_EQ(ValueOf(e->GetSelected()), 1200);
  e->SelectNext();
  EXPECT_EQ(ValueOf(e->GetSelected()), 1200);
  e->SelectPrevious();
  e->SelectPrevious();
  e->SelectPrevious();
  EXPECT_EQ(ValueOf(e->GetSelected()), 300);
  GValueAttribute missing(2400, &kEnumAttributeOption);
  EXPECT_EQ(e->Select(&missing), nullptr);
  EXPECT_EQ(ValueOf(e->GetSelected()), 300);
}

TEST_F(GEnumAttributeTest, RemovalsKeepTheSelectionOnItsOptionOrMoveItToTheFirst) {
  auto e = Resolutions();
  e->SelectNext();
  e->SelectNext();  // 1200
  std::unique_ptr<GAttribute> removed(e->RemoveChild(e->ChildAt(0)));
  EXPECT_EQ(ValueOf(e->GetSelected()), 1200);
  removed.reset(e->RemoveChild(e->GetSelected()));
  EXPECT_EQ(ValueOf(e->GetSelected()), 600);
  e->AddChild(new GValueAttribute(100, &kEnumAttributeOption));
  e->SelectNext();
  removed.reset(e->RemoveChildById(kEnumAttributeOption));  // the first found: 600
  EXPECT_EQ(ValueOf(removed.get()), 600);
  EXPECT_EQ(ValueOf(e->GetSelected()), 100);
  removed.reset(e->RemoveChildByClass(GValueAttributeClassId));
  EXPECT_EQ(e->GetSelected(), nullptr);
  EXPECT_EQ(e->GetEntryCount(), 0);
  auto f = Resolutions();
  f->RemoveAllChildren();
  EXPECT_EQ(f->GetSelected(), nullptr);
}

TEST_F(GEnumAttributeTest, ReplacingTheSelectedOptionSelectsTheReplacement) {
  auto e = Resolutions();
  e->SelectNext();  // 600
  GValueAttribute replacement(720, &kEnumAttributeOption);
  EXPECT_EQ(e->ReplaceChild(e->GetSelected(), &replacement), 1);
  EXPECT_EQ(ValueOf(e->GetSelected()), 720);
  EXPECT_EQ(e->GetSelected(), e->ChildAt(1));
  // By id reaches the first option; the selection stays on the second.
  GValueAttribute low(150, &kEnumAttributeOption);
  EXPECT_EQ(e->ReplaceChildById(kEnumAttributeOption, &low), 1);
  EXPECT_EQ(ValueOf(e->ChildAt(0)), 150);
  EXPECT_EQ(ValueOf(e->GetSelected()), 720);

  // Through an iterator.
  std::unique_ptr<MPersistentIterator> it(e->CreateIterator());
  it->Advance();
  it->Advance();
  it->ReplaceCurrent(new TestLiveValue(800, &kEnumAttributeOption));
  EXPECT_EQ(ValueOf(e->GetSelected()), 800);
  EXPECT_EQ(e->GetSelected(), e->ChildAt(1));
}

TEST_F(GEnumAttributeTest, ADeepCopyKeepsTheSelectionAndCopiesEveryOption) {
  auto e = Resolutions();
  e->SelectNext();
  e->SelectNext();  // 1200
  std::unique_ptr<GEnumAttribute> copy(dynamic_cast<GEnumAttribute*>(e->DeepCopy()));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->GetEntryCount(), 3);
  ASSERT_NE(copy->GetSelected(), nullptr);
  EXPECT_EQ(copy->GetSelected(), copy->ChildAt(2));
  EXPECT_NE(copy->GetSelected(), e->GetSelected());
  EXPECT_TRUE(copy->Matches(e.get()));
  EXPECT_EQ(copy->GetElementClass(), GValueAttributeClassId);

  // A shallow copy shares the options and selects the same one.
  std::unique_ptr<GEnumAttribute> clone(e->Clone());
  EXPECT_EQ(clone->GetSelected(), e->GetSelected());
  // No selection is copied as none.
  GEnumAttribute none(&kResolution);
  std::unique_ptr<GEnumAttribute> noneCopy(dynamic_cast<GEnumAttribute*>(none.DeepCopy()));
  EXPECT_EQ(noneCopy->GetSelected(), nullptr);
}

TEST_F(GEnumAttributeTest, MatchingComparesOptionsAndSelection) {
  auto a = Resolutions();
  auto b = Resolutions();
  EXPECT_TRUE(a->Matches(b.get()));
  b->SelectNext();
  EXPECT_FALSE(a->Matches(b.get()));
  GEnumAttribute empty(&kResolution);
  EXPECT_FALSE(a->Matches(&empty));
  EXPECT_TRUE(empty.Matches(&empty));
}

TEST_F(GEnumAttributeTest, ApplyCallsSetEnumAndClearsItsFlagMergeDoesNothing) {
  auto e = Resolutions();
  qvtest::RecordingPeripheral receiver;
  receiver.SetResult("SetEnum", 3);
  EXPECT_EQ(e->ApplyTo(&receiver), 3);
  EXPECT_EQ(receiver.Operations(), std::vector<std::string>{"SetEnum"});
  EXPECT_EQ(receiver.Calls()[0].attribute, e.get());
  EXPECT_EQ(e->changed, 0);
  auto other = Resolutions();
  other->SelectNext();
  e->Merge(other.get());
  EXPECT_EQ(ValueOf(e->GetSelected()), 300);
  EXPECT_EQ(e->GetEntryCount(), 3);
}

TEST_F(GEnumAttributeTest, TheSelectionSurvivesEveryStoredForm) {
  auto e = Resolutions();
  e->SelectNext();
  qvtest::ExpectRoundTripsInAllForms(*e);
  qvtest::ExpectStoredByteCountIsWritten(*e);
  GEnumAttribute empty(&kResolution);
  qvtest::ExpectRoundTripsInAllForms(empty);
  qvtest::ExpectStoredByteCountIsWritten(empty);
  for (ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(e.get(), form), form);
    std::unique_ptr<MPersistentObject> copy(read.object);
    auto* restored = dynamic_cast<GEnumAttribute*>(copy.get());
    ASSERT_NE(restored, nullptr);
    // The very child of the restored tree.
    EXPECT_EQ(restored->GetSelected(), restored->ChildAt(1));
    EXPECT_EQ(restored->GetElementClass(), GValueAttributeClassId);
  }
}

// The stored body of an enumeration of two options, with the enumeration's
// own version and selection reference given.
std::string StoredEnum(uint32_t enumVersion, uint32_t selectionIndex) {
  StoredBytes bytes;
  bytes.Marker().U16(GEnumAttributeClassId).Base(kResolution, 1).U32(1).U32(1);  // attribute, changed
  bytes.U32(1).U32(2);                                                             // container, two options
  for (int16_t v : {300, 600})
    bytes.U16(GValueAttributeClassId).Base(kEnumAttributeOption, 0).U32(1).U32(1).U32(1).U16(static_cast<uint16_t>(v));
  bytes.U32(enumVersion);
  if (enumVersion == 1) bytes.Ref(selectionIndex).U16(GValueAttributeClassId);
  return bytes.Bytes();
}

TEST_F(GEnumAttributeTest, ARestoreThatDoesNotReadTheSelectionBackLeavesNone) {
  // Slots: 1 the enumeration, 2 and 3 the options.
  qvtest::ModelRead read = qvtest::RestoreFromForm(StoredEnum(1, 3), ModelForm::kFile);
  std::unique_ptr<MPersistentObject> good(read.object);
  auto* e = dynamic_cast<GEnumAttribute*>(good.get());
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(ValueOf(e->GetSelected()), 600);

  // Into an enumeration that had options and a selection: the new options
  // replace them, and with an unknown version nothing is selected.
  auto target = Resolutions();
  target->SelectNext();
  w32test::PutFile(qvtest::ModelTestFilePathW(), StoredEnum(2, 0));
  {
    RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
    RWReadObjectIntoFromFile(file, target.get());
  }
  EXPECT_EQ(target->GetEntryCount(), 2);
  EXPECT_EQ(target->GetSelected(), nullptr);
  EXPECT_EQ(target->GetElementClass(), GValueAttributeClassId);
}

TEST_F(GEnumAttributeTest, ASelectionThatIsNoOptionFailsTheRestore) {
  // Slot 1 is the enumeration itself.
  qvtest::ModelRead read = qvtest::RestoreFromForm(StoredEnum(1, 1), ModelForm::kFile);
  EXPECT_TRUE(read.failed);
  EXPECT_EQ(read.object, nullptr);
  // A stored null selection reads back as none.
  qvtest::ModelRead none = qvtest::RestoreFromForm(StoredEnum(1, 0), ModelForm::kFile);
  std::unique_ptr<MPersistentObject> copy(none.object);
  auto* e = dynamic_cast<GEnumAttribute*>(copy.get());
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->GetSelected(), nullptr);
}

}  // namespace
