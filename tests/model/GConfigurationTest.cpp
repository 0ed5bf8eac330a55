// The configuration root: the duplicate test of AddChild, and that it never
// destroys an object that something still holds; restores keep what was
// stored.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "model/GConfiguration.h"
#include "support/ModelRoundTrip.h"
#include "support/ModelTestClasses.h"

namespace {

using qvtest::ModelForm;
using qvtest::StoredBytes;

const int32_t kConfigurationRoot = 359;
const int32_t kOption = 21;

class GConfigurationTest : public ::testing::Test {
 protected:
  void SetUp() override { live_ = TestLeaf::live; }
  void TearDown() override { EXPECT_EQ(TestLeaf::live, live_) << "test leaves leaked or deleted twice"; }

 private:
  int live_ = 0;
};

TEST_F(GConfigurationTest, AMatchingUnheldObjectIsDestroyedAndNotAdded) {
  GConfiguration config(kConfigurationRoot);
  config.AddChild(new TestLeaf(1, kOption));
  const int live = TestLeaf::live;
  config.AddChild(new TestLeaf(1, kOption));
  EXPECT_EQ(config.GetEntryCount(), 1);
  EXPECT_EQ(TestLeaf::live, live);
  // Another value is no duplicate.
  config.AddChild(new TestLeaf(2, kOption));
  EXPECT_EQ(config.GetEntryCount(), 2);
  config.AddChild(nullptr);
  EXPECT_EQ(config.GetEntryCount(), 2);
}

TEST_F(GConfigurationTest, AddingAChildAgainKeepsIt) {
  GConfiguration config(kConfigurationRoot);
  auto* leaf = new TestLeaf(1, kOption);
  config.AddChild(leaf);
  config.AddChild(leaf);
  EXPECT_EQ(config.GetEntryCount(), 1);
  EXPECT_EQ(config.FindById(kOption), leaf);
  EXPECT_EQ(leaf->Value(), 1);
  EXPECT_EQ(leaf->HolderCount(), 0);
}

TEST_F(GConfigurationTest, AMatchingObjectHeldByAnotherTreeStaysWithIt) {
  GConfiguration config(kConfigurationRoot);
  config.AddChild(new TestLeaf(1, kOption));
  MPersistentComposite other;
  auto* shared = new TestLeaf(1, kOption);
  other.AddChild(shared);
  config.AddChild(shared);
  EXPECT_EQ(config.GetEntryCount(), 1);
  EXPECT_EQ(other.FindById(kOption), shared);
  EXPECT_EQ(shared->HolderCount(), 0);
  EXPECT_EQ(shared->Value(), 1);
}

TEST_F(GConfigurationTest, OnlyDirectChildrenAreCompared) {
  GConfiguration config(kConfigurationRoot);
  auto* nested = new MPersistentComposite(5);
  nested->AddChild(new TestLeaf(1, kOption));
  config.AddChild(nested);
  config.AddChild(new TestLeaf(1, kOption));
  EXPECT_EQ(config.GetEntryCount(), 2);
}

TEST_F(GConfigurationTest, NestedConfigurationsAreAlwaysAppended) {
  GConfiguration config(kConfigurationRoot);
  config.AddChild(new GConfiguration(kOption));
  config.AddChild(new GConfiguration(kOption));
  EXPECT_EQ(config.GetEntryCount(), 2);
  // The configuration itself is refused as its own child, and survives.
  config.AddChild(&config);
  EXPECT_EQ(config.GetEntryCount(), 2);
  EXPECT_TRUE(config.DerivesFrom(GConfigurationClassId));
  EXPECT_TRUE(config.DerivesFrom(MPersistentCompositeClassId));
}

TEST_F(GConfigurationTest, ARestoredConfigurationKeepsMatchingChildren) {
  StoredBytes b;
  b.Marker().U16(GConfigurationClassId).Base(kConfigurationRoot, 1).U32(1).U32(2);
  b.U16(TestLeafClassId).Base(kOption, 2).U32(1).U32(1);
  b.U16(TestLeafClassId).Base(kOption, 3).U32(1).U32(1);
  b.U32(1);  // the configuration's own version
  qvtest::ModelRead read = qvtest::RestoreFromForm(b.Bytes(), ModelForm::kFile);
  ASSERT_NE(read.object, nullptr);
  EXPECT_FALSE(read.failed);
  std::unique_ptr<MPersistentObject> restored(read.object);
  EXPECT_EQ(restored->ClassId(), GConfigurationClassId);
  EXPECT_EQ(restored->GetEntryCount(), 2);
  qvtest::ExpectRoundTripsInAllForms(*restored);
  // Saved again it is the same bytes.
  EXPECT_EQ(qvtest::SaveInForm(restored.get(), ModelForm::kFile), b.Bytes());
  // A deep copy goes through AddChild, which filters the duplicate.
  std::unique_ptr<MPersistentObject> deep(restored->DeepCopy());
  EXPECT_EQ(deep->GetEntryCount(), 1);
}

TEST_F(GConfigurationTest, RoundTripsAndCountsItsStoredSize) {
  GConfiguration config(kConfigurationRoot);
  config.AddChild(new TestLeaf(1, kOption));
  auto* nested = new GConfiguration(kOption);
  nested->AddChild(new TestLeaf(2, kOption));
  config.AddChild(nested);
  qvtest::ExpectRoundTripsInAllForms(config);
  qvtest::ExpectStoredByteCountIsWritten(config);
  EXPECT_EQ(GConfiguration().MembersStoreSize(), MPersistentComposite().MembersStoreSize() + 4);
}

}  // namespace
