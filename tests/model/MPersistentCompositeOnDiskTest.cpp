// The on-disk composite and the record-file registry: sharing one store per
// file, opening and closing, the delete flag, the stored form, and a store
// read back by a new process.
#include "model/MPersistentCompositeOnDisk.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "model/GCountedPtr.h"
#include "model/MPersistentCompositeOnDiskImp.h"
#include "model/RecordFileRegistry.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWPersistence.h"
#include "rw/RWPortableStream.h"
#include "support/ModelTestClasses.h"
#include "support/RecordStoreTestSupport.h"
#include "support/ModelRoundTrip.h"
#include "w32test/Testing.h"

using recordtest::Leaf;
using recordtest::Path;
using recordtest::ValueOf;
using recordtest::WideName;

namespace {

class OnDiskCompositeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    recordtest::MakeRecordsFolder();
    name_ = std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".dat";
    entriesBefore_ = RecordFileRegistry::Count();
  }
  void TearDown() override { EXPECT_EQ(RecordFileRegistry::Count(), entriesBefore_); }

  RWCString Name() const { return RWCString(Path(name_).c_str()); }
  bool IndexWritten() {
    recordtest::RecordFileKeys keys(name_);
    return keys.Find(MPersistentCompositeOnDiskImp::kIndexKey).has_value();
  }

  std::string name_;
  size_t entriesBefore_ = 0;
};

TEST_F(OnDiskCompositeTest, CompositesOfOneFileShareItsStore) {
  MPersistentCompositeOnDisk first(WideName(name_), 0, 1);
  MPersistentCompositeOnDisk second(WideName(name_), 0, 2);
  EXPECT_EQ(RecordFileRegistry::CountEntries(Name()), 2u);
  GCountedRef a, b;
  first.GetStore(a);
  second.GetStore(b);
  ASSERT_FALSE(a.IsEmpty());
  EXPECT_EQ(a.Pointee(), b.Pointee());
  first.AddChildHandle(Leaf(5, 50));
  GCountedRef out;
  second.HandleById(out, 50);
  EXPECT_EQ(ValueOf(out), 5);
  a.Assign(GCountedRef());
  b.Assign(GCountedRef());

  first.Close();
  EXPECT_EQ(first.State(), MPersistentCompositeOnDisk::kClosed);
  EXPECT_EQ(RecordFileRegistry::CountEntries(Name()), 1u);
  EXPECT_FALSE(IndexWritten());  // still open through the second
  second.Close();
  EXPECT_EQ(RecordFileRegistry::CountEntries(Name()), 0u);
  EXPECT_TRUE(IndexWritten());
}

TEST_F(OnDiskCompositeTest, OpeningTwiceOrClosingTwiceChangesNothing) {
  MPersistentCompositeOnDisk composite(WideName(name_), 0, 1);
  EXPECT_EQ(composite.State(), MPersistentCompositeOnDisk::kOpen);
  composite.Open(Name());
  EXPECT_EQ(RecordFileRegistry::CountEntries(Name()), 1u);
  composite.Close();
  composite.Close();
  EXPECT_EQ(RecordFileRegistry::CountEntries(Name()), 0u);
  EXPECT_EQ(composite.State(), MPersistentCompositeOnDisk::kClosed);
  // Any forwarded operation opens it again on its name.
  composite.AddChildHandle(Leaf(1, 1));
  EXPECT_EQ(composite.State(), MPersistentCompositeOnDisk::kOpen);
  EXPECT_EQ(composite.GetEntryCount(), 1);
}

TEST_F(OnDiskCompositeTest, NameErrorAndIdentity) {
  MPersistentCompositeOnDisk never(0);
  EXPECT_EQ(never.HasError(), 0);
  EXPECT_EQ(never.State(), MPersistentCompositeOnDisk::kClosed);
  RWCString name;
  never.GetFileName(name);
  EXPECT_TRUE(name.IsEmpty());

  MPersistentCompositeOnDisk composite(WideName(name_), 0, 7);
  composite.GetFileName(name);
  EXPECT_EQ(name, Name());
  EXPECT_EQ(composite.HasError(), 0);
  EXPECT_EQ(composite.FeatureId(), 7);
  EXPECT_TRUE(composite.DerivesFrom(781));
  EXPECT_TRUE(composite.DerivesFrom(751));
  EXPECT_FALSE(composite.DerivesFrom(752));
  // The plain child operations are a leaf's: nothing enters this way.
  auto* leaf = new TestLeaf(1, 1);
  composite.AddChild(leaf);
  EXPECT_EQ(composite.GetEntryCount(), 0);
  EXPECT_EQ(composite.FindById(1), nullptr);
  delete leaf;

  // A clone shares the store and matches; it holds no entry of its own.
  std::unique_ptr<MPersistentCompositeOnDisk> clone(composite.Clone());
  EXPECT_EQ(clone->AttachedStore(), composite.AttachedStore());
  EXPECT_TRUE(composite.Matches(clone.get()));
  EXPECT_EQ(RecordFileRegistry::CountEntries(Name()), 1u);
  MPersistentCompositeOnDisk other(WideName(name_ + ".other"), 0, 7);
  EXPECT_FALSE(composite.Matches(&other));
  MPersistentCompositeOnDisk assigned(0);
  assigned = composite;
  EXPECT_TRUE(assigned.Matches(&composite));
  EXPECT_EQ(assigned.GetSerial(), composite.GetSerial());
  clone.reset();
  assigned.Close();
  other.Close();
  composite.Close();
}

TEST_F(OnDiskCompositeTest, FileThatCannotBeOpenedGivesAnOpenCompositeInError) {
  MPersistentCompositeOnDisk composite(RWWString(u"C:\\Records\\bad|name.dat"), 0, 1);
  EXPECT_EQ(composite.State(), MPersistentCompositeOnDisk::kOpen);
  EXPECT_NE(composite.HasError(), 0);
  composite.AddChildHandle(Leaf(1, 1));
  EXPECT_EQ(composite.GetEntryCount(), 0);
  GCountedRef out;
  composite.HandleById(out, 1);
  EXPECT_TRUE(out.IsEmpty());
  composite.Close();
  // Closed, it answers what it found last.
  EXPECT_NE(composite.HasError(), 0);
}

TEST_F(OnDiskCompositeTest, DeleteFlagRemovesTheFileWhenTheLastUserLetsGo) {
  {
    MPersistentCompositeOnDisk alone(WideName(name_), 1, 1);
    alone.AddChildHandle(Leaf(1, 1));
    EXPECT_TRUE(recordtest::FileExists(name_));
  }
  EXPECT_FALSE(recordtest::FileExists(name_));

  // While another composite works on the file, it stays.
  MPersistentCompositeOnDisk keeper(WideName(name_), 0, 1);
  {
    MPersistentCompositeOnDisk deleting(WideName(name_), 1, 2);
    deleting.AddChildHandle(Leaf(2, 2));
  }
  ASSERT_TRUE(recordtest::FileExists(name_));
  GCountedRef out;
  keeper.RemoveChildHandleById(out, 2);
  EXPECT_EQ(ValueOf(out), 2);
  keeper.AddChildHandle(Leaf(3, 3));
  keeper.Close();
  EXPECT_FALSE(recordtest::FileExists(name_));
}

TEST_F(OnDiskCompositeTest, RestoredCompositeIsOpenOnItsFile) {
  MPersistentCompositeOnDisk original(WideName(name_), 0, 3);
  original.AddChildHandle(Leaf(4, 40));
  qvtest::ExpectStoredByteCountIsWritten(original);
  for (qvtest::ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(&original, form), form);
    ASSERT_FALSE(read.failed);
    std::unique_ptr<MPersistentObject> owned(read.object);
    auto* restored = dynamic_cast<MPersistentCompositeOnDisk*>(read.object);
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->State(), MPersistentCompositeOnDisk::kOpen);
    EXPECT_EQ(restored->FeatureId(), 3);
    EXPECT_EQ(restored->DeleteFlag(), 0);
    RWCString name;
    restored->GetFileName(name);
    EXPECT_EQ(name, Name());
    EXPECT_EQ(restored->AttachedStore(), original.AttachedStore());
    EXPECT_TRUE(restored->Matches(&original));
    GCountedRef out;
    restored->HandleById(out, 40);
    EXPECT_EQ(ValueOf(out), 4);
    EXPECT_EQ(RecordFileRegistry::CountEntries(Name()), 2u);
  }
  // A closed composite is stored closed, and comes back open.
  original.Close();
  qvtest::ModelRead read =
      qvtest::RestoreFromForm(qvtest::SaveInForm(&original, qvtest::ModelForm::kFile), qvtest::ModelForm::kFile);
  std::unique_ptr<MPersistentObject> owned(read.object);
  auto* restored = dynamic_cast<MPersistentCompositeOnDisk*>(read.object);
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(restored->State(), MPersistentCompositeOnDisk::kOpen);
  EXPECT_EQ(restored->GetEntryCount(), 1);
}

// A restored composite is open whatever state word it was stored with, but
// it saves that word back: a stored graph read and saved again gives the
// same bytes, a closed composite's included.
TEST_F(OnDiskCompositeTest, RestoredCompositeSavesAgainToTheSameBytes) {
  MPersistentCompositeOnDisk open(WideName(name_), 0, 3);
  open.AddChildHandle(Leaf(4, 40));
  MPersistentCompositeOnDisk closed(WideName(name_), 1, 5);
  closed.Close();
  MPersistentCompositeOnDisk unnamed(0);
  for (qvtest::ModelForm form : qvtest::kAllModelForms) {
    for (const MPersistentCompositeOnDisk* original : {&open, &closed, &unnamed}) {
      SCOPED_TRACE(std::string(qvtest::ModelFormName(form)) + ", state " + std::to_string(original->State()));
      const std::string first = qvtest::SaveInForm(original, form);
      qvtest::ModelRead read = qvtest::RestoreFromForm(first, form);
      ASSERT_FALSE(read.failed);
      std::unique_ptr<MPersistentObject> owned(read.object);
      auto* restored = dynamic_cast<MPersistentCompositeOnDisk*>(read.object);
      ASSERT_NE(restored, nullptr);
      EXPECT_EQ(restored->State(), MPersistentCompositeOnDisk::kOpen);
      EXPECT_EQ(qvtest::SaveInForm(restored, form), first);
      std::unique_ptr<MPersistentCompositeOnDisk> clone(restored->Clone());
      EXPECT_EQ(qvtest::SaveInForm(clone.get(), form), first);
    }
  }
}

// A state word that is neither open nor closed, as another program may have
// stored it, still gives an open composite, and is written back as read
// until the composite is closed; from then on it stores its own state.
TEST_F(OnDiskCompositeTest, StoredStateWordIsKeptUntilTheCompositeIsClosed) {
  const RWCString name = Name();
  auto stored = [&](uint32_t state) {
    qvtest::StoredBytes bytes;
    bytes.Marker().U16(MPersistentCompositeOnDiskClassId).Base(6, 1).U32(1).U32(state).U32(name.Length());
    std::string text = bytes.Bytes() + std::string(name.Data(), name.Length());
    qvtest::StoredBytes flag;
    flag.U32(0);
    return text + flag.Bytes();
  };
  const std::string foreign = stored(7);
  qvtest::ModelRead read = qvtest::RestoreFromForm(foreign, qvtest::ModelForm::kFile);
  ASSERT_FALSE(read.failed);
  std::unique_ptr<MPersistentObject> owned(read.object);
  auto* restored = dynamic_cast<MPersistentCompositeOnDisk*>(read.object);
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(restored->State(), MPersistentCompositeOnDisk::kOpen);
  EXPECT_EQ(qvtest::SaveInForm(restored, qvtest::ModelForm::kFile), foreign);
  // Used, it is still the composite that was read.
  restored->AddChildHandle(Leaf(1, 10));
  EXPECT_EQ(qvtest::SaveInForm(restored, qvtest::ModelForm::kFile), foreign);

  restored->Close();
  EXPECT_EQ(qvtest::SaveInForm(restored, qvtest::ModelForm::kFile), stored(MPersistentCompositeOnDisk::kClosed));
  EXPECT_EQ(restored->GetEntryCount(), 1);  // opens it again
  EXPECT_EQ(qvtest::SaveInForm(restored, qvtest::ModelForm::kFile), stored(MPersistentCompositeOnDisk::kOpen));
  restored->Close();
}

TEST_F(OnDiskCompositeTest, RestoredCompositeWithTheDeleteFlagRemovesItsFile) {
  MPersistentCompositeOnDisk named(WideName(name_), 1, 1);
  named.AddChildHandle(Leaf(1, 1));
  // Stored with its name and flag, read back, let go without use: the file
  // goes with the last user, the original.
  qvtest::ModelRead read =
      qvtest::RestoreFromForm(qvtest::SaveInForm(&named, qvtest::ModelForm::kFile), qvtest::ModelForm::kFile);
  ASSERT_NE(read.object, nullptr);
  delete read.object;
  EXPECT_TRUE(recordtest::FileExists(name_));
  named.Close();
  EXPECT_FALSE(recordtest::FileExists(name_));
  // Nobody holds the file: the restored composite removes it by name.
  {
    MPersistentCompositeOnDisk writer(WideName(name_), 0, 1);
    writer.AddChildHandle(Leaf(1, 1));
  }
  read = qvtest::RestoreFromForm(qvtest::SaveInForm(&named, qvtest::ModelForm::kFile), qvtest::ModelForm::kFile);
  ASSERT_NE(read.object, nullptr);
  EXPECT_TRUE(recordtest::FileExists(name_));
  delete read.object;
  EXPECT_FALSE(recordtest::FileExists(name_));
}

TEST_F(OnDiskCompositeTest, RegistryReleaseAtExitWritesTheIndex) {
  MPersistentCompositeOnDisk composite(WideName(name_), 0, 1);
  composite.AddChildHandle(Leaf(6, 60));
  GCountedRef keep;
  composite.GetStore(keep);
  keep.Assign(GCountedRef());
  // What process exit does: every entry lets go.
  RecordFileRegistry::ReleaseAll();
  EXPECT_EQ(RecordFileRegistry::Count(), 0u);
  // The composite still holds the store: the index is written once it lets
  // go too.
  composite.Close();
  EXPECT_TRUE(IndexWritten());
  MPersistentCompositeOnDisk reader(WideName(name_), 0, 1);
  GCountedRef out;
  reader.HandleById(out, 60);
  EXPECT_EQ(ValueOf(out), 6);
  reader.Close();
}

// ---- A new process ----

const char kRootVariable[] = "QV_RECORD_STORE_ROOT";

// Run only as the helper of the test below, in a process of its own: it
// writes a store and leaves it open, to be closed by the process's end.
TEST(RecordStoreProcess, DISABLED_WriteStoreAndExit) {
  const char* root = std::getenv(kRootVariable);
  ASSERT_NE(root, nullptr);
  w32test::SetFileRoot(root);
  recordtest::MakeRecordsFolder();
  static MPersistentCompositeOnDisk* const composite = [] {
    static MPersistentCompositeOnDisk store(WideName("process.dat"), 0, 1);
    return &store;
  }();
  for (int i = 0; i < 5; ++i) composite->AddChildHandle(Leaf(100 + i, i + 1));
  auto* group = new MPersistentComposite(9);
  group->AddChild(new TestLeaf(7, 70));
  group->AddChild(new TestLeaf(8, 80));
  composite->AddChildHandle(GCountedRef(group));
}

TEST(RecordStoreProcess, StoreWrittenByAnotherProcessReturnsItsObjects) {
  recordtest::MakeRecordsFolder();
  std::remove((w32test::FileRoot() + "/c/records/process.dat").c_str());
  char self[4096];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  ASSERT_GT(length, 0);
  self[length] = '\0';
  const std::string command = std::string(kRootVariable) + "='" + w32test::FileRoot() + "' '" + self +
                              "' --gtest_also_run_disabled_tests"
                              " --gtest_filter=RecordStoreProcess.DISABLED_WriteStoreAndExit > /dev/null 2>&1";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);

  MPersistentCompositeOnDisk composite(WideName("process.dat"), 1, 1);
  ASSERT_EQ(composite.HasError(), 0);
  EXPECT_EQ(composite.GetEntryCount(), 7);
  for (int i = 0; i < 5; ++i) {
    GCountedRef out;
    composite.RemoveChildHandleById(out, i + 1);
    EXPECT_EQ(ValueOf(out), 100 + i);
  }
  GCountedRef group;
  composite.RemoveChildHandleById(group, 9);
  ASSERT_NE(group.Pointee(), nullptr);
  ASSERT_NE(group->AsComposite(), nullptr);
  EXPECT_EQ(group->GetEntryCount(), 2);
  MPersistentObject* found = group->FindById(80);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(static_cast<TestLeaf*>(found)->Value(), 8);
}

}  // namespace
