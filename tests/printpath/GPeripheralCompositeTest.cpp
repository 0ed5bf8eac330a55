// The peripheral composite: its own parts, its children and the observer
// links to them, and its stored body (with the peripheral's) in every form.
#include "printpath/GPeripheralComposite.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "model/GConfiguration.h"
#include "model/GCountedPtr.h"
#include "model/GFeatureIds.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "printpath/PrintPathClasses.h"
#include "rw/RWFactory.h"
#include "rw/RWReadTable.h"
#include "support/ModelRoundTrip.h"

namespace {

using qvtest::kAllModelForms;
using qvtest::ModelForm;
using qvtest::ModelFormName;
using qvtest::RestoreFromForm;
using qvtest::SaveInForm;

const int32_t kStage = 700;
const int32_t kChildA = 701;
const int32_t kChildB = 702;
using GFeatureIds::kPrinterCopies;
using GFeatureIds::kProductModelNumber;
using GFeatureIds::kJobSettings;

// A composite whose every stored part differs from the defaults.
std::unique_ptr<GPeripheralComposite> MakePopulated() {
  auto defaults = new GState;
  defaults->AddChild(new GValueAttribute(3, &kPrinterCopies));
  auto* configuration = new GConfiguration(198);
  configuration->AddChild(new GStringAttribute("Model 7", &kProductModelNumber));
  auto composite = std::make_unique<GPeripheralComposite>("Stage", defaults, configuration, &kStage, 0, 4, 1);
  composite->GetCurrentState()->AddChild(new GState(&kJobSettings));
  composite->GetOwnCurrentState()->AddChild(new GValueAttribute(5, &kPrinterCopies));
  composite->GetOwnDefaultState()->AddChild(new GStringAttribute("own", &kProductModelNumber));
  composite->AddChild(new GPeripheralComposite(&kChildA));
  auto* child = new GPeripheralComposite(&kChildB);
  child->SetName("second");
  child->AddChild(new GPeripheralComposite(&kChildA));  // a grandchild
  composite->AddChild(child);
  return composite;
}

TEST(GPeripheralCompositeTest, IsRegisteredAndKnowsItsKinds) {
  std::unique_ptr<RWCollectable> made(RWFactoryCreate(770));
  auto* composite = dynamic_cast<GPeripheralComposite*>(made.get());
  ASSERT_NE(composite, nullptr);
  EXPECT_EQ(composite->ClassId(), 770);
  for (RWClassID id : {770, 760, 753, 751}) EXPECT_TRUE(composite->DerivesFrom(id)) << id;
  EXPECT_FALSE(composite->DerivesFrom(761));
  EXPECT_EQ(composite->FeatureId(), 0);
  ASSERT_NE(composite->GetOwnCurrentState(), nullptr);
  EXPECT_EQ(composite->GetOwnCurrentState()->FeatureId(), 243);
  EXPECT_EQ(composite->GetOwnDefaultState()->FeatureId(), 243);
  ASSERT_NE(composite->GetOwnConfiguration(), nullptr);
  EXPECT_EQ(composite->GetOwnConfiguration()->ClassId(), GStateClassId);
  EXPECT_EQ(composite->GetOwnConfiguration()->FeatureId(), 198);
  EXPECT_EQ(composite->GetEntryCount(), 0);
}

TEST(GPeripheralCompositeTest, ChildrenAreObservedWhileTheCompositeHoldsThem) {
  GPeripheralComposite composite(&kStage);
  auto* a = new GPeripheralComposite(&kChildA);
  auto* b = new GPeripheralComposite(&kChildB);
  composite.AddChild(a);
  composite.PrependChild(b);
  ASSERT_EQ(composite.ChildCount(), 2u);
  EXPECT_EQ(composite.ChildAt(0), b);
  EXPECT_EQ(composite.ChildAt(1), a);
  EXPECT_EQ(a->ObserverAt(0), &composite);
  EXPECT_EQ(composite.FindById(kChildA), a);

  // A removed child is handed back and no longer observed.
  std::unique_ptr<MPersistentObject> removed(composite.RemoveChildById(kChildA));
  EXPECT_EQ(removed.get(), a);
  EXPECT_EQ(a->ObserverCount(), 0u);
  EXPECT_EQ(composite.ChildCount(), 1u);

  // A child held elsewhere too outlives the composite without a link back.
  GCountedPtr keep(b);
  {
    GPeripheralComposite other(&kStage);
    other.AddChild(b);
    EXPECT_EQ(b->ObserverCount(), 2u);
  }
  EXPECT_EQ(b->ObserverCount(), 1u);
  composite.RemoveAllChildren();
  EXPECT_EQ(b->ObserverCount(), 0u);
  EXPECT_EQ(composite.ChildCount(), 0u);
}

TEST(GPeripheralCompositeTest, OnlyPeripheralsBecomeChildren) {
  GPeripheralComposite composite(&kStage);
  // Handed over and refused: destroyed (the sanitizer sees a leak otherwise).
  composite.AddChild(new GValueAttribute(1, &kPrinterCopies));
  // Held by a handle: left with its holder.
  GCountedPtr held(new GValueAttribute(2, &kPrinterCopies));
  composite.AddChild(held.Pointee());
  EXPECT_EQ(composite.ChildCount(), 0u);
  // A composite never holds itself.
  composite.AddChild(&composite);
  EXPECT_EQ(composite.ChildCount(), 0u);
  EXPECT_EQ(composite.ObserverCount(), 0u);
}

TEST(GPeripheralCompositeTest, AReplacedChildIsNoLongerObservedAndItsReplacementIs) {
  GPeripheralComposite composite(&kStage);
  auto* old = new GPeripheralComposite(&kChildA);
  GCountedPtr keep(old);
  composite.AddChild(old);
  GPeripheralComposite with(&kChildB);
  ASSERT_EQ(composite.ReplaceChildById(kChildA, &with), 1);
  EXPECT_EQ(old->ObserverCount(), 0u);
  GPeripheral* replacement = composite.ChildAt(0);
  ASSERT_NE(replacement, nullptr);
  EXPECT_NE(replacement, &with);
  EXPECT_EQ(replacement->FeatureId(), kChildB);
  ASSERT_EQ(replacement->ObserverCount(), 1u);
  EXPECT_EQ(replacement->ObserverAt(0), &composite);
  EXPECT_EQ(with.ObserverCount(), 0u);
  GValueAttribute notAPeripheral(1, &kPrinterCopies);
  EXPECT_EQ(composite.ReplaceChildById(kChildB, &notAPeripheral), 0);
  EXPECT_EQ(composite.ChildAt(0), replacement);
}

TEST(GPeripheralCompositeTest, CopiesShareTheChildrenAndDeepCopiesDoNot) {
  std::unique_ptr<GPeripheralComposite> original = MakePopulated();
  {
    GPeripheralComposite copy(*original);
    EXPECT_EQ(copy.ChildAt(0), original->ChildAt(0));
    EXPECT_EQ(copy.GetOwnCurrentState(), original->GetOwnCurrentState());
    EXPECT_EQ(original->ChildAt(0)->ObserverCount(), 2u);
    EXPECT_TRUE(copy.Matches(original.get()));
  }
  EXPECT_EQ(original->ChildAt(0)->ObserverCount(), 1u);

  std::unique_ptr<MPersistentObject> deep(original->DeepCopy());
  auto* copy = dynamic_cast<GPeripheralComposite*>(deep.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(copy->Matches(original.get()));
  ASSERT_EQ(copy->ChildCount(), 2u);
  EXPECT_NE(copy->ChildAt(0), original->ChildAt(0));
  EXPECT_NE(copy->GetOwnCurrentState(), original->GetOwnCurrentState());
  ASSERT_EQ(copy->ChildAt(1)->ObserverCount(), 1u);
  EXPECT_EQ(copy->ChildAt(1)->ObserverAt(0), copy);

  original->ChildAt(1)->SetName("changed");
  EXPECT_FALSE(copy->Matches(original.get()));
}

TEST(GPeripheralCompositeTest, RoundTripsInEveryFormWithItsStoredSize) {
  std::unique_ptr<GPeripheralComposite> original = MakePopulated();
  qvtest::ExpectRoundTripsInAllForms(*original);
  qvtest::ExpectStoredByteCountIsWritten(*original);
  // A fresh one too (nothing but defaults).
  GPeripheralComposite fresh;
  qvtest::ExpectRoundTripsInAllForms(fresh);
  qvtest::ExpectStoredByteCountIsWritten(fresh);
}

TEST(GPeripheralCompositeTest, RestoredChildrenObserveTheirRestoredParent) {
  std::unique_ptr<GPeripheralComposite> original = MakePopulated();
  for (ModelForm form : kAllModelForms) {
    SCOPED_TRACE(ModelFormName(form));
    qvtest::ModelRead read = RestoreFromForm(SaveInForm(original.get(), form), form);
    std::unique_ptr<MPersistentObject> owned(read.object);
    auto* composite = dynamic_cast<GPeripheralComposite*>(read.object);
    ASSERT_NE(composite, nullptr);
    ASSERT_EQ(composite->ChildCount(), 2u);
    for (size_t i = 0; i < 2; ++i) {
      GPeripheral* child = composite->ChildAt(i);
      ASSERT_EQ(child->ObserverCount(), 1u);
      EXPECT_EQ(child->ObserverAt(0), composite);
    }
    auto* second = dynamic_cast<GPeripheralComposite*>(composite->ChildAt(1));
    ASSERT_NE(second, nullptr);
    ASSERT_EQ(second->ChildCount(), 1u);
    EXPECT_EQ(second->ChildAt(0)->ObserverAt(0), second);
    EXPECT_EQ(composite->Name(), RWCString("Stage"));
    EXPECT_EQ(composite->GetAddOnKind(), 4);
    EXPECT_EQ(composite->GetMode(), 0);
  }
}

TEST(GPeripheralCompositeTest, StatesSharedInMemoryAreRestoredShared) {
  GPeripheralComposite composite(&kStage);
  auto* child = new GPeripheralComposite(&kChildA);
  composite.AddChild(child);
  auto* shared = new GState;
  shared->AddChild(new GValueAttribute(2, &kPrinterCopies));
  composite.SetCurrentState(shared);
  child->SetCurrentState(shared);
  qvtest::ExpectStoredByteCountIsWritten(composite);
  for (ModelForm form : kAllModelForms) {
    SCOPED_TRACE(ModelFormName(form));
    qvtest::ModelRead read = RestoreFromForm(SaveInForm(&composite, form), form);
    std::unique_ptr<MPersistentObject> owned(read.object);
    auto* restored = dynamic_cast<GPeripheralComposite*>(read.object);
    ASSERT_NE(restored, nullptr);
    ASSERT_EQ(restored->ChildCount(), 1u);
    EXPECT_EQ(restored->ChildAt(0)->GetCurrentState(), restored->GetCurrentState());
    EXPECT_EQ(restored->GetOwnCurrentState(), restored->GetCurrentState());
  }
}

// ---- Damaged input ----

TEST(GPeripheralCompositeTest, EveryTruncationFailsCleanly) {
  std::unique_ptr<GPeripheralComposite> original = MakePopulated();
  for (ModelForm form : kAllModelForms) {
    SCOPED_TRACE(ModelFormName(form));
    const std::string bytes = SaveInForm(original.get(), form);
    // Every cut of the binary forms; the text form in steps.
    const size_t step = form == ModelForm::kPortableText ? 7 : 1;
    for (size_t cut = 0; cut < bytes.size(); cut += step) {
      qvtest::ModelRead read = RestoreFromForm(bytes.substr(0, cut), form);
      EXPECT_EQ(read.object, nullptr) << cut;
      delete read.object;
    }
  }
}

TEST(GPeripheralCompositeTest, AnObserverThatIsNotTheHoldingCompositeFailsTheRestore) {
  GPeripheralComposite composite(&kStage);
  auto* child = new GPeripheralComposite(&kChildA);
  composite.AddChild(child);
  // A link to a peripheral that does not hold the child: in the stored form
  // that peripheral is written inside the child's observer list.
  GPeripheralComposite stranger(&kChildB);
  child->AddObserver(&stranger);
  for (ModelForm form : kAllModelForms) {
    SCOPED_TRACE(ModelFormName(form));
    qvtest::ModelRead read = RestoreFromForm(SaveInForm(&composite, form), form);
    EXPECT_TRUE(read.failed);
    EXPECT_EQ(read.object, nullptr);
    delete read.object;
  }
  child->RemoveObserver(&stranger);
  // A child stored on its own names its parent, which it is not read under.
  for (ModelForm form : kAllModelForms) {
    SCOPED_TRACE(ModelFormName(form));
    qvtest::ModelRead read = RestoreFromForm(SaveInForm(child, form), form);
    EXPECT_TRUE(read.failed);
    EXPECT_EQ(read.object, nullptr);
    delete read.object;
  }
}

TEST(GPeripheralCompositeTest, AStoredChildThatIsNoPeripheralFailsTheRestore) {
  GPeripheralComposite composite(&kStage);
  // Past the composite's own operations, straight into its list.
  composite.AsComposite()->AddChild(new GValueAttribute(1, &kPrinterCopies));
  for (ModelForm form : kAllModelForms) {
    SCOPED_TRACE(ModelFormName(form));
    qvtest::ModelRead read = RestoreFromForm(SaveInForm(&composite, form), form);
    EXPECT_TRUE(read.failed);
    EXPECT_EQ(read.object, nullptr);
    delete read.object;
  }
}

TEST(GPeripheralCompositeTest, AnObserverListTagOtherThanTheListTagFailsTheRestore) {
  GPeripheralComposite composite(&kStage);
  std::string bytes = SaveInForm(&composite, ModelForm::kFile);
  // Marker, class tag, the object and attribute bodies, the version, then
  // the default state, current state and configuration as new objects.
  const size_t tagAt = 4 + 2 + 12 + 8 + 4 + (2 + composite.GetDefaultState()->MembersStoreSize()) +
                       (2 + composite.GetCurrentState()->MembersStoreSize()) +
                       (2 + composite.GetConfiguration()->MembersStoreSize());
  ASSERT_LT(tagAt, bytes.size());
  ASSERT_EQ(bytes[tagAt], ':');
  {
    qvtest::ModelRead read = RestoreFromForm(bytes, ModelForm::kFile);
    EXPECT_FALSE(read.failed);
    delete read.object;
  }
  for (char tag : {'@', '\0', 'x'}) {
    SCOPED_TRACE(tag);
    bytes[tagAt] = tag;
    qvtest::ModelRead read = RestoreFromForm(bytes, ModelForm::kFile);
    EXPECT_TRUE(read.failed);
    EXPECT_EQ(read.object, nullptr);
    delete read.object;
  }
}

}  // namespace
