#include "model/GCountedPtr.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "model/GCountedPtrVector.h"
#include "model/MPersistentComposite.h"
#include "rw/RWFactory.h"
#include "rw/RWPersistence.h"
#include "support/ModelRoundTrip.h"
#include "support/ModelTestClasses.h"
#include "w32test/Testing.h"

namespace {

const int32_t kId1 = 1;
const int32_t kId2 = 2;

class GCountedPtrTest : public ::testing::Test {
 protected:
  void SetUp() override { live_ = TestLeaf::live; }
  // Every test leaf made in the test is gone again.
  void TearDown() override { EXPECT_EQ(TestLeaf::live, live_); }

 private:
  int live_ = 0;
};

TEST_F(GCountedPtrTest, TwoHandlesCountUpAndTheSecondReleaseDeletes) {
  auto* leaf = new TestLeaf(1, kId1);
  EXPECT_EQ(leaf->HolderCount(), -1);
  auto first = std::make_unique<GCountedPtr>(leaf);
  EXPECT_EQ(leaf->HolderCount(), 0);
  {
    GCountedPtr second(*first);
    EXPECT_EQ(leaf->HolderCount(), 1);
  }
  EXPECT_EQ(leaf->HolderCount(), 0);
  const int before = TestLeaf::live;
  first.reset();
  EXPECT_EQ(TestLeaf::live, before - 1);
}

TEST_F(GCountedPtrTest, AssigningTheSamePointeeChangesNoCount) {
  auto* leaf = new TestLeaf(1, kId1);
  GCountedPtr a(leaf);
  GCountedPtr b(leaf);
  a.Assign(a);
  a.Assign(b);
  b = a;
  EXPECT_EQ(leaf->HolderCount(), 1);
  GCountedRef r(leaf);
  r.Assign(r);
  EXPECT_EQ(leaf->HolderCount(), 2);
}

TEST_F(GCountedPtrTest, AssignLetsGoOfTheOldAndHoldsTheNew) {
  auto* oldLeaf = new TestLeaf(1, kId1);
  auto* newLeaf = new TestLeaf(2, kId2);
  GCountedPtr handle(oldLeaf);
  GCountedPtr other(newLeaf);
  const int before = TestLeaf::live;
  handle.Assign(other);
  EXPECT_EQ(TestLeaf::live, before - 1);  // the old pointee had no other holder
  EXPECT_EQ(handle.Pointee(), newLeaf);
  EXPECT_EQ(newLeaf->HolderCount(), 1);
  handle.Assign(GCountedPtr());
  EXPECT_TRUE(handle.IsEmpty());
  EXPECT_EQ(newLeaf->HolderCount(), 0);
}

TEST_F(GCountedPtrTest, AssigningAHandleOwnedByTheOldPointeeKeepsItAlive) {
  // The composite holds the leaf; assigning the leaf's handle (inside the
  // composite) to the handle that holds the composite must take the leaf
  // before the composite goes.
  auto* composite = new MPersistentComposite;
  auto* leaf = new TestLeaf(1, kId1);
  composite->AddChild(leaf);
  GCountedPtr handle(composite);
  handle.Assign(*composite->Children().At(0));
  EXPECT_EQ(handle.Pointee(), leaf);
  EXPECT_EQ(leaf->HolderCount(), 0);
}

TEST_F(GCountedPtrTest, EmptyHandlesCopyStoreAndRestoreAsEmpty) {
  GCountedPtr empty;
  GCountedPtr copy(empty);
  EXPECT_TRUE(copy.IsEmpty());
  EXPECT_EQ(empty.MembersStoreSize(), 6u);
  EXPECT_EQ(empty.CopyPointee(), nullptr);
  EXPECT_EQ(empty.DerivesFrom(GCountedPtrClassId), 1);
  EXPECT_EQ(empty.DerivesFrom(MPersistentObjectClassId), 1);
  EXPECT_EQ(empty.DerivesFrom(MPersistentCompositeClassId), 0);

  for (qvtest::ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    GCountedPtr target(new TestLeaf(3, kId1));
    const std::string bytes = qvtest::SaveInForm(&empty, form);
    if (form == qvtest::ModelForm::kFile) {
      w32test::PutFile(qvtest::ModelTestFilePathW(), bytes);
      RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
      EXPECT_EQ(RWReadObjectIntoFromFile(file, &target), &target);
    } else {
      std::istringstream in(bytes, std::ios::binary);
      std::unique_ptr<RWVirtualInStream> stream;
      if (form == qvtest::ModelForm::kPortableText) stream = std::make_unique<RWPortableInStream>(in);
      if (form == qvtest::ModelForm::kNativeBinary) stream = std::make_unique<RWBinaryInStream>(in);
      if (form == qvtest::ModelForm::kByteOrderTagged) stream = std::make_unique<RWEndianInStream>(in);
      EXPECT_EQ(RWReadObjectInto(*stream, &target), &target);
    }
    EXPECT_TRUE(target.IsEmpty());  // and its old pointee is gone (fixture)
  }
}

TEST_F(GCountedPtrTest, AHandleRoundTripsItsPointeeInEveryForm) {
  auto* composite = new MPersistentComposite(kId2);
  composite->AddChild(new TestLeaf(5, kId1));
  GCountedPtr handle(composite);
  qvtest::ExpectStoredByteCountIsWritten(handle);
  EXPECT_EQ(handle.MembersStoreSize(), composite->StoredByteCount() - 4);

  for (qvtest::ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    const std::string bytes = qvtest::SaveInForm(&handle, form);
    GCountedPtr target;
    if (form == qvtest::ModelForm::kFile) {
      w32test::PutFile(qvtest::ModelTestFilePathW(), bytes);
      RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
      RWReadObjectIntoFromFile(file, &target);
    } else {
      std::istringstream in(bytes, std::ios::binary);
      std::unique_ptr<RWVirtualInStream> stream;
      if (form == qvtest::ModelForm::kPortableText) stream = std::make_unique<RWPortableInStream>(in);
      if (form == qvtest::ModelForm::kNativeBinary) stream = std::make_unique<RWBinaryInStream>(in);
      if (form == qvtest::ModelForm::kByteOrderTagged) stream = std::make_unique<RWEndianInStream>(in);
      RWReadObjectInto(*stream, &target);
    }
    ASSERT_FALSE(target.IsEmpty());
    EXPECT_NE(target.Pointee(), composite);
    EXPECT_TRUE(target->Matches(composite));
    EXPECT_EQ(target->HolderCount(), 0);
  }
}

TEST_F(GCountedPtrTest, RestoringAHandleKeepsASharedOldPointeeWithItsOtherHolder) {
  auto* shared = new TestLeaf(1, kId1);
  GCountedPtr keeper(shared);
  GCountedPtr handle(shared);
  GCountedPtr source(new TestLeaf(2, kId2));
  const std::string bytes = qvtest::SaveInForm(&source, qvtest::ModelForm::kNativeBinary);
  std::istringstream in(bytes, std::ios::binary);
  RWBinaryInStream stream(in);
  RWReadObjectInto(stream, &handle);
  EXPECT_EQ(shared->HolderCount(), 0);  // still alive, held by keeper
  EXPECT_EQ(shared->Value(), 1);
  ASSERT_FALSE(handle.IsEmpty());
  EXPECT_EQ(static_cast<TestLeaf*>(handle.Pointee())->Value(), 2);
}

TEST_F(GCountedPtrTest, TheFactoryCreatesNoHandle) {
  EXPECT_EQ(RWFactoryCreate(GCountedPtrClassId), nullptr);
  GCountedPtr handle;
  EXPECT_EQ(handle.Clone(), nullptr);
  EXPECT_EQ(handle.CreateSameKind(), nullptr);
  EXPECT_EQ(handle.ClassId(), 773);
}

TEST_F(GCountedPtrTest, TakePointeeHandsOverTheObjectOrACopy) {
  // Last holder: the object itself, unheld.
  auto* leaf = new TestLeaf(1, kId1);
  GCountedPtr handle(leaf);
  std::unique_ptr<MPersistentObject> taken(handle.TakePointee(nullptr));
  EXPECT_EQ(taken.get(), leaf);
  EXPECT_EQ(leaf->HolderCount(), -1);
  EXPECT_TRUE(handle.IsEmpty());

  // Shared: a clone; the other holder keeps the object. The handle then
  // holds the new pointee.
  auto* shared = new TestLeaf(2, kId2);
  GCountedPtr keeper(shared);
  GCountedPtr second(shared);
  auto* replacement = new TestLeaf(3, kId1);
  std::unique_ptr<MPersistentObject> copy(second.TakePointee(replacement));
  EXPECT_NE(copy.get(), shared);
  EXPECT_TRUE(copy->Matches(shared));
  EXPECT_EQ(copy->HolderCount(), -1);
  EXPECT_EQ(shared->HolderCount(), 0);
  EXPECT_EQ(second.Pointee(), replacement);
  EXPECT_EQ(replacement->HolderCount(), 0);

  GCountedPtr empty;
  EXPECT_EQ(empty.TakePointee(nullptr), nullptr);
}

TEST_F(GCountedPtrTest, CopyPointeeIsAnUnheldDeepCopy) {
  auto* composite = new MPersistentComposite(kId2);
  auto* leaf = new TestLeaf(4, kId1);
  composite->AddChild(leaf);
  GCountedPtr handle(composite);
  std::unique_ptr<MPersistentObject> copy(handle.CopyPointee());
  EXPECT_EQ(copy->HolderCount(), -1);
  EXPECT_TRUE(copy->Matches(composite));
  EXPECT_NE(copy->FindById(kId1), leaf);  // the children were copied too
}

TEST_F(GCountedPtrTest, ConcurrentHoldersDeleteExactlyOnce) {
  auto* leaf = new TestLeaf(1, kId1);
  auto* root = new GCountedPtr(leaf);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([root] {
      for (int i = 0; i < 2000; ++i) {
        GCountedPtr a(*root);
        GCountedRef b(a.Pointee());
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(leaf->HolderCount(), 0);
  delete root;
}

TEST_F(GCountedPtrTest, TheVectorFindsAndRemovesByPointeeIdentity) {
  auto* a = new TestLeaf(1, kId1);
  auto* twin = new TestLeaf(1, kId1);  // matches a, but is another object
  GCountedPtrVector v;
  v.Append(GCountedPtr(a));
  v.Append(GCountedPtr(twin));
  v.Append(GCountedPtr(a));
  EXPECT_EQ(v.IndexOf(GCountedPtr(twin)), 1u);
  EXPECT_EQ(v.CountOf(GCountedPtr(a)), 2u);
  EXPECT_EQ(a->HolderCount(), 1);
  EXPECT_EQ(v.RemoveAll(GCountedPtr(a)), 2u);  // the argument holds a across the removal
  EXPECT_EQ(v.Count(), 1u);
  EXPECT_EQ(v.At(0)->Pointee(), twin);
  EXPECT_EQ(v.RemoveFirst(GCountedPtr(twin)), 1u);
  EXPECT_EQ(v.Count(), 0u);
}

}  // namespace
