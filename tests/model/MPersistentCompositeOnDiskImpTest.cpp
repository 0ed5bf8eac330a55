// The record store: the file it writes, storing, taking, peeking and
// replacing objects, reopening, and damaged files.
#include "model/MPersistentCompositeOnDiskImp.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "model/GCountedPtr.h"
#include "model/GRecord.h"
#include "model/GRecordComposite.h"
#include "model/GRecordProxy.h"
#include "model/MPersistentComposite.h"
#include "model/MPersistentCompositeOnDisk.h"
#include "rw/RWDiskBTree.h"
#include "rw/RWFactory.h"
#include "rw/RWFileSpaceManager.h"
#include "rw/RWStringID.h"
#include "support/ModelTestClasses.h"
#include "support/RecordStoreTestSupport.h"
#include "support/ModelRoundTrip.h"
#include "w32test/Testing.h"

using recordtest::Leaf;
using recordtest::OtherLeaf;
using recordtest::Path;
using recordtest::ValueOf;

namespace {

class OtherLeafEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { RWFactoryAddClass(&TestOtherLeafCreate, TestOtherLeafClassId, RWStringID("TestOtherLeaf")); }
  void TearDown() override {
    RWFactoryRemoveClassId(TestOtherLeafClassId);
    RWFactoryRemoveStringId(RWStringID("TestOtherLeaf"));
  }
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new OtherLeafEnvironment);

class RecordStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    recordtest::MakeRecordsFolder();
    liveBefore_ = TestLeaf::live;
    name_ = std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".dat";
  }
  void TearDown() override { EXPECT_EQ(TestLeaf::live, liveBefore_) << "leaves leaked or deleted twice"; }

  // A store opened on this test's file (or another one), held by a handle.
  GCountedRef Open(const std::string& name = std::string()) {
    return GCountedRef(new MPersistentCompositeOnDiskImp(RWCString(Path(name.empty() ? name_ : name).c_str()), 0));
  }
  static MPersistentCompositeOnDiskImp& Store(const GCountedRef& handle) {
    return *static_cast<MPersistentCompositeOnDiskImp*>(handle.Pointee());
  }
  std::string FileName() const { return name_; }

  std::string name_;
  int liveBefore_ = 0;
};

TEST_F(RecordStoreTest, NewFileHoldsTheTreeHeaderFirstAndNoIndexUntilClosed) {
  GCountedRef store = Open();
  ASSERT_EQ(Store(store).ErrorState(), 0);
  const std::string bytes = recordtest::Contents(FileName());
  ASSERT_GE(bytes.size(), 12u);
  // The file-space header: the tree's 40-byte header is the first block (at
  // 284, after the header and the first free-list node, which is 0x10C
  // bytes), and the used space ends after it.
  const unsigned char header[] = {0x1C, 0x01, 0x00, 0x00, 0x44, 0x01, 0x00, 0x00, 0x0C, 0x01, 0x00, 0x00};
  EXPECT_EQ(bytes.substr(0, 12), std::string(reinterpret_cast<const char*>(header), 12));
  store.Pointee()->AddChildHandle(Leaf(1));
  {
    RWFileSpaceManager manager(Path(FileName()).c_str(), "rb");
    RWDiskBTree tree(&manager, 10, 0, 16, 0, -1, 0, 10, 10);
    RWCString stored;
    int32_t offset;
    EXPECT_FALSE(tree.FindKey(MPersistentCompositeOnDiskImp::kIndexKey, stored, offset));
  }
  store.Assign(GCountedRef());
  recordtest::RecordFileKeys keys(FileName());
  EXPECT_EQ(keys.FirstBlock(), 284);
  EXPECT_TRUE(keys.Find(MPersistentCompositeOnDiskImp::kIndexKey).has_value());
  EXPECT_EQ(keys.Count(), 2u);
}

TEST_F(RecordStoreTest, ObjectsComeBackAfterReopeningAndTakingFreesTheirKeys) {
  uint32_t serials[3];
  {
    GCountedRef store = Open();
    for (int i = 0; i < 3; ++i) {
      GCountedRef leaf = Leaf(10 + i, 100 + i);
      serials[i] = leaf->GetSerial();
      leaf->AddChildHandle(GCountedRef());  // a leaf ignores handles
      store.Pointee()->AddChildHandle(leaf);
    }
    EXPECT_EQ(store->GetEntryCount(), 3);
  }
  {
    recordtest::RecordFileKeys keys(FileName());
    for (uint32_t serial : serials) EXPECT_TRUE(keys.Find(GRecord::KeyOf(serial).Data()).has_value());
  }
  {
    GCountedRef store = Open();
    EXPECT_EQ(Store(store).ErrorState(), 0);
    EXPECT_EQ(store->GetEntryCount(), 3);
    GCountedRef taken;
    store->RemoveChildHandleById(taken, 101);
    EXPECT_EQ(ValueOf(taken), 11);
    EXPECT_EQ(taken->GetSerial(), serials[1]);
    EXPECT_EQ(store->GetEntryCount(), 2);
  }
  recordtest::RecordFileKeys keys(FileName());
  EXPECT_FALSE(keys.Find(GRecord::KeyOf(serials[1]).Data()).has_value());
  EXPECT_TRUE(keys.Find(GRecord::KeyOf(serials[0]).Data()).has_value());
  EXPECT_TRUE(keys.Find(GRecord::KeyOf(serials[2]).Data()).has_value());
}

TEST_F(RecordStoreTest, TakenBlocksAreReused) {
  GCountedRef store = Open();
  store->AddChildHandle(Leaf(1, 1));
  const size_t before = recordtest::Contents(FileName()).size();
  for (int i = 0; i < 50; ++i) {
    store->AddChildHandle(Leaf(i, 2));
    GCountedRef taken;
    store->RemoveChildHandleById(taken, 2);
    ASSERT_EQ(ValueOf(taken), i);
  }
  // Fifty objects went through one freed block; the file did not grow by
  // fifty blocks.
  EXPECT_LT(recordtest::Contents(FileName()).size(), before + 5 * 36);
}

TEST_F(RecordStoreTest, PeekLeavesTheObjectAndTakeRemovesIt) {
  GCountedRef store = Open();
  store->AddChildHandle(Leaf(7, 5));
  GCountedRef first, second, taken, again;
  store->HandleById(first, 5);
  store->HandleById(second, 5);
  ASSERT_FALSE(first.IsEmpty());
  ASSERT_FALSE(second.IsEmpty());
  EXPECT_NE(first.Pointee(), second.Pointee());
  EXPECT_TRUE(first->Matches(second.Pointee()));
  store->RemoveChildHandleById(taken, 5);
  EXPECT_EQ(ValueOf(taken), 7);
  store->RemoveChildHandleById(again, 5);
  EXPECT_TRUE(again.IsEmpty());
  EXPECT_EQ(store->GetEntryCount(), 0);
}

TEST_F(RecordStoreTest, SearchesByClassIdAndSerial) {
  GCountedRef store = Open();
  GCountedRef a = Leaf(1, 10);
  GCountedRef b = OtherLeaf(2, 20);
  GCountedRef c = OtherLeaf(3, 30);
  for (const GCountedRef* h : {&a, &b, &c}) store->AddChildHandle(*h);
  GCountedRef out;
  store->HandleByClass(out, TestOtherLeafClassId);
  EXPECT_EQ(ValueOf(out), 2);
  store->HandleMatching(out, c.Pointee());
  EXPECT_EQ(ValueOf(out), 3);
  store->RemoveChildHandle(out, c);
  EXPECT_EQ(ValueOf(out), 3);
  store->RemoveChildHandleByClass(out, TestOtherLeafClassId);
  EXPECT_EQ(ValueOf(out), 2);
  store->RemoveChildHandleByClass(out, TestOtherLeafClassId);
  EXPECT_TRUE(out.IsEmpty());
  store->RemoveChildHandleByClass(out, TestLeafClassId);
  EXPECT_EQ(ValueOf(out), 1);
}

// A composite is written as its children's blocks and then a shell of itself;
// one index record with a child record per child.
TEST_F(RecordStoreTest, CompositeIsStoredAsChildrenAndShellAndComesBackWhole) {
  const int32_t compositeId = 77;
  uint32_t serials[3];
  {
    auto* composite = new MPersistentComposite(compositeId);
    composite->AddChild(new TestLeaf(1, 11));
    composite->AddChild(new TestOtherLeaf(2, 12));
    GCountedRef handle(composite);
    serials[0] = composite->Children().At(0)->Pointee()->GetSerial();
    serials[1] = composite->Children().At(1)->Pointee()->GetSerial();
    serials[2] = composite->GetSerial();
    GCountedRef store = Open();
    store->AddChildHandle(handle);
    GRecordComposite& index = Store(store).Index();
    ASSERT_EQ(index.GetChildCount(), 1);
    GRecord* record = GRecordComposite::RecordAt(index.Links().First());
    ASSERT_NE(record->AsComposite(), nullptr);
    EXPECT_EQ(record->AsComposite()->GetChildCount(), 2);
    EXPECT_EQ(record->Serial(), serials[2]);
    EXPECT_EQ(store->GetEntryCount(), 2);
  }
  {
    recordtest::RecordFileKeys keys(FileName());
    EXPECT_EQ(keys.Count(), 4u);  // two children, the shell and the index
    // Children first, then the shell, in ascending blocks.
    EXPECT_LT(*keys.Find(GRecord::KeyOf(serials[0]).Data()), *keys.Find(GRecord::KeyOf(serials[1]).Data()));
    EXPECT_LT(*keys.Find(GRecord::KeyOf(serials[1]).Data()), *keys.Find(GRecord::KeyOf(serials[2]).Data()));
  }
  GCountedRef store = Open();
  GCountedRef taken;
  store->RemoveChildHandleById(taken, compositeId);
  ASSERT_FALSE(taken.IsEmpty());
  auto* composite = dynamic_cast<MPersistentComposite*>(taken.Pointee());
  ASSERT_NE(composite, nullptr);
  EXPECT_EQ(composite->GetSerial(), serials[2]);
  ASSERT_EQ(composite->GetEntryCount(), 2);
  EXPECT_EQ(ValueOf(GCountedRef(composite->Children().At(0)->Pointee())), 1);
  EXPECT_EQ(composite->Children().At(1)->Pointee()->ClassId(), TestOtherLeafClassId);
  EXPECT_EQ(store->GetEntryCount(), 0);
}

TEST_F(RecordStoreTest, ChildInsideAStoredCompositeIsFoundAndTakenAlone) {
  GCountedRef store = Open();
  auto* composite = new MPersistentComposite(1);
  auto* inner = new MPersistentComposite(2);
  inner->AddChild(new TestLeaf(5, 50));
  inner->AddChild(new TestLeaf(6, 60));
  composite->AddChild(inner);
  composite->AddChild(new TestLeaf(7, 70));
  store->AddChildHandle(GCountedRef(composite));
  EXPECT_EQ(store->GetEntryCount(), 3);
  GCountedRef out;
  store->RemoveChildHandleById(out, 60);  // two levels down
  EXPECT_EQ(ValueOf(out), 6);
  EXPECT_EQ(store->GetEntryCount(), 2);
  store->RemoveChildHandleById(out, 1);
  auto* back = dynamic_cast<MPersistentComposite*>(out.Pointee());
  ASSERT_NE(back, nullptr);
  // The outer records stayed; the taken child is no longer part of it.
  EXPECT_EQ(back->GetNodeCount(), 4);
  EXPECT_NE(back->FindById(50), nullptr);
  EXPECT_EQ(back->FindById(60), nullptr);
}

// A copy keeps its source's serial; storing it while the source is stored
// would write a block under a key that is taken.
TEST_F(RecordStoreTest, AnObjectWhoseSerialIsStoredAlreadyIsRefused) {
  GCountedRef store = Open();
  GCountedRef original = Leaf(1, 9);
  store->AddChildHandle(original);
  const size_t size = recordtest::Contents(FileName()).size();
  GCountedRef copy(original->Clone());
  static_cast<TestLeaf*>(copy.Pointee())->SetValue(2);
  store->AddChildHandle(copy);
  EXPECT_EQ(store->GetEntryCount(), 1);
  EXPECT_EQ(Store(store).ErrorState(), 0);
  EXPECT_EQ(recordtest::Contents(FileName()).size(), size);
  // A composite with a stored serial anywhere inside is refused whole.
  auto* composite = new MPersistentComposite(3);
  composite->AddChild(new TestLeaf(4, 4));
  composite->AddChild(original->Clone());
  store->AddChildHandle(GCountedRef(composite));
  EXPECT_EQ(store->GetEntryCount(), 1);
  GCountedRef out;
  store->HandleById(out, 4);
  EXPECT_TRUE(out.IsEmpty());
  // Once the original is taken, the copy can go in.
  store->RemoveChildHandleById(out, 9);
  EXPECT_EQ(ValueOf(out), 1);
  store->AddChildHandle(copy);
  store->RemoveChildHandleById(out, 9);
  EXPECT_EQ(ValueOf(out), 2);
}

TEST_F(RecordStoreTest, ReplaceKeepsTheIndexOrderAndCount) {
  GCountedRef store = Open();
  store->AddChildHandle(Leaf(1, 1));
  store->AddChildHandle(OtherLeaf(2, 2));
  store->AddChildHandle(Leaf(3, 3));
  EXPECT_EQ(store->ReplaceChildHandleByClass(TestOtherLeafClassId, Leaf(20, 22)), 1);
  GRecordComposite& index = Store(store).Index();
  ASSERT_EQ(index.GetChildCount(), 3);
  std::vector<int32_t> ids;
  for (RWDlistLink* link = index.Links().First(); link != index.Links().Tail(); link = link->next)
    ids.push_back(GRecordComposite::RecordAt(link)->FeatureId());
  EXPECT_EQ(ids, (std::vector<int32_t>{1, 22, 3}));
  GCountedRef out;
  store->HandleById(out, 2);
  EXPECT_TRUE(out.IsEmpty());
  store->HandleById(out, 22);
  EXPECT_EQ(ValueOf(out), 20);
  // Replacing an object by a changed copy of itself (same serial) works.
  GCountedRef changed(out->Clone());
  static_cast<TestLeaf*>(changed.Pointee())->SetValue(21);
  EXPECT_EQ(static_cast<MPersistentCompositeOnDiskImp*>(store.Pointee())->ReplaceMatchingHandle(out, changed), 1);
  store->HandleById(out, 22);
  EXPECT_EQ(ValueOf(out), 21);
  EXPECT_EQ(store->ReplaceChildHandleById(99, Leaf(0)), 0);
}

TEST_F(RecordStoreTest, ReplacingAChildOfAStoredCompositeKeepsItInTheComposite) {
  GCountedRef store = Open();
  auto* composite = new MPersistentComposite(1);
  composite->AddChild(new TestLeaf(5, 5));
  composite->AddChild(new TestLeaf(6, 6));
  store->AddChildHandle(GCountedRef(composite));
  EXPECT_EQ(store->ReplaceChildHandleById(6, Leaf(60, 61)), 1);
  EXPECT_EQ(Store(store).Index().GetChildCount(), 1);
  GCountedRef out;
  store->RemoveChildHandleById(out, 1);
  auto* back = dynamic_cast<MPersistentComposite*>(out.Pointee());
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(back->GetEntryCount(), 2);
  EXPECT_EQ(back->Children().At(1)->Pointee()->FeatureId(), 61);
}

// Every search answers with the first record in the index's order that
// names its key, however records came, went or were replaced before, and
// also for a key that a replacement put below the index's own records.
TEST_F(RecordStoreTest, SearchesAnswerTheFirstRecordInOrderAsTheIndexChanges) {
  GCountedRef store = Open();
  for (int i = 0; i < 12; ++i) store->AddChildHandle(Leaf(i, i % 3));  // values 0..11, ids 0 1 2 0 1 2 ...
  auto* composite = new MPersistentComposite(40);
  composite->AddChild(new TestLeaf(50, 5));
  store->AddChildHandle(GCountedRef(composite));
  auto peek = [&](int32_t id) {
    GCountedRef out;
    store->HandleById(out, id);
    return out.IsEmpty() ? -1 : ValueOf(out);
  };
  auto take = [&](int32_t id) {
    GCountedRef out;
    store->RemoveChildHandleById(out, id);
    return out.IsEmpty() ? -1 : ValueOf(out);
  };
  EXPECT_EQ(peek(1), 1);
  // The replacement takes the old record's place: it comes before every
  // other record of its id.
  EXPECT_EQ(store->ReplaceChildHandleById(1, Leaf(100, 2)), 1);
  EXPECT_EQ(peek(1), 4);
  EXPECT_EQ(peek(2), 100);
  EXPECT_EQ(take(0), 0);
  EXPECT_EQ(take(0), 3);
  EXPECT_EQ(peek(0), 6);
  // A key that exists only below a composite's record, before and after
  // its replacement there, and a later record of the same key.
  EXPECT_EQ(peek(5), 50);
  EXPECT_EQ(store->ReplaceChildHandleById(5, Leaf(70, 7)), 1);
  EXPECT_EQ(peek(5), -1);
  store->AddChildHandle(Leaf(80, 7));
  EXPECT_EQ(peek(7), 70);
  EXPECT_EQ(take(7), 70);
  EXPECT_EQ(peek(7), 80);
  GCountedRef last = Leaf(90, 9);
  store->AddChildHandle(last);
  GCountedRef out;
  store->HandleMatching(out, last.Pointee());
  EXPECT_EQ(ValueOf(out), 90);
  EXPECT_EQ(peek(3), -1);
  // The order survives closing and reopening.
  store.Assign(GCountedRef());
  store = Open();
  EXPECT_EQ(peek(2), 100);
  EXPECT_EQ(take(2), 100);
  EXPECT_EQ(take(2), 2);
  EXPECT_EQ(peek(1), 4);
}

TEST_F(RecordStoreTest, ReplacementThatCannotBeStoredChangesNothing) {
  GCountedRef store = Open();
  GCountedRef other = Leaf(1, 1);
  store->AddChildHandle(other);
  store->AddChildHandle(Leaf(2, 2));
  // The replacement's serial belongs to another stored object.
  EXPECT_EQ(store->ReplaceChildHandleById(2, GCountedRef(other->Clone())), 0);
  GCountedRef out;
  store->HandleById(out, 2);
  EXPECT_EQ(ValueOf(out), 2);
  EXPECT_EQ(store->GetEntryCount(), 2);
}

TEST_F(RecordStoreTest, RemoveAllChildrenLeavesAnEmptyStoreOnTheSameFile) {
  GCountedRef store = Open();
  for (int i = 0; i < 20; ++i) store->AddChildHandle(Leaf(i, i));
  store->RemoveAllChildren();
  EXPECT_EQ(store->GetEntryCount(), 0);
  EXPECT_EQ(Store(store).ErrorState(), 0);
  EXPECT_EQ(Store(store).FileName(), RWCString(Path(FileName()).c_str()));
  GCountedRef out;
  store->HandleById(out, 3);
  EXPECT_TRUE(out.IsEmpty());
  store->AddChildHandle(Leaf(42, 42));
  store.Assign(Open(FileName() + ".other"));  // closes the first
  store.Assign(Open());
  store->HandleById(out, 42);
  EXPECT_EQ(ValueOf(out), 42);
  EXPECT_EQ(store->GetEntryCount(), 1);
}

TEST_F(RecordStoreTest, IteratorWalksPeeksRemovesAndReplaces) {
  GCountedRef store = Open();
  for (int i = 0; i < 5; ++i) store->AddChildHandle(Leaf(i, i));
  std::unique_ptr<MPersistentIterator> it(store->CreateIterator());
  auto* handles = dynamic_cast<MPersistentHandleIterator*>(it.get());
  ASSERT_NE(handles, nullptr);
  std::vector<int32_t> seen;
  while (handles->AdvanceHandle()) {
    EXPECT_EQ(handles->Current(), nullptr);
    GCountedRef out;
    handles->CurrentHandle(out);
    seen.push_back(ValueOf(out));
    if (ValueOf(out) == 1 || ValueOf(out) == 3) handles->RemoveCurrent();
    if (ValueOf(out) == 2) handles->ReplaceCurrentHandle(Leaf(20, 20));
  }
  EXPECT_EQ(seen, (std::vector<int32_t>{0, 1, 2, 3, 4}));
  seen.clear();
  while (handles->Advance()) {
    GCountedRef out;
    handles->CurrentHandle(out);
    seen.push_back(ValueOf(out));
  }
  EXPECT_EQ(seen, (std::vector<int32_t>{0, 20, 4}));
  // Everything can be removed through the iterator.
  handles->Reset();
  while (handles->Advance()) handles->RemoveCurrent();
  EXPECT_EQ(store->GetEntryCount(), 0);
}

// An on-disk composite inside an in-memory composite is written whole, with
// a proxy record; taken back, it is a child of the composite again and its
// file still holds its objects.
TEST_F(RecordStoreTest, OnDiskCompositeInsideACompositeComesBackAsItsChild) {
  const std::string innerName = FileName() + ".inner";
  {
    auto* inner = new MPersistentCompositeOnDisk(recordtest::WideName(innerName), 0, 5);
    GCountedRef innerHandle(inner);
    inner->AddChildHandle(Leaf(8, 80));
    auto* outer = new MPersistentComposite(1);
    outer->AddChild(inner);
    outer->AddChild(new TestLeaf(9, 90));
    GCountedRef outerHandle(outer);
    innerHandle.Assign(GCountedRef());
    GCountedRef store = Open();
    store->AddChildHandle(outerHandle);
    GRecord* record = GRecordComposite::RecordAt(Store(store).Index().Links().First());
    ASSERT_NE(record->AsComposite(), nullptr);
    GRecord* proxy = GRecordComposite::RecordAt(record->AsComposite()->Links().First());
    EXPECT_EQ(proxy->ClassId(), GRecordProxyClassId);
    // A search for an object inside the inner store goes through the proxy.
    GCountedRef out;
    store->HandleById(out, 80);
    EXPECT_EQ(ValueOf(out), 8);
  }
  ASSERT_TRUE(recordtest::FileExists(innerName));
  GCountedRef store = Open();
  GCountedRef out;
  store->RemoveChildHandleById(out, 1);
  auto* outer = dynamic_cast<MPersistentComposite*>(out.Pointee());
  ASSERT_NE(outer, nullptr);
  ASSERT_EQ(outer->GetEntryCount(), 2);
  auto* inner = dynamic_cast<MPersistentCompositeOnDisk*>(outer->Children().At(0)->Pointee());
  ASSERT_NE(inner, nullptr);
  GCountedRef innerLeaf;
  inner->HandleById(innerLeaf, 80);
  EXPECT_EQ(ValueOf(innerLeaf), 8);
  out.Assign(GCountedRef());
  EXPECT_TRUE(recordtest::FileExists(innerName));
}

TEST_F(RecordStoreTest, AStoreIsNotKeptInItsOwnFile) {
  MPersistentCompositeOnDisk composite(recordtest::WideName(FileName()), 0, 1);
  composite.AddChildHandle(Leaf(1, 1));
  GCountedRef self(composite.Clone());
  composite.AddChildHandle(self);
  EXPECT_EQ(composite.GetEntryCount(), 1);
}

// Thousands of random stores and takes, with reopenings in between, agree
// with a map of what should be in the store.
TEST_F(RecordStoreTest, RandomStoresAndTakesAgreeWithAMap) {
  std::mt19937 random(12345);
  std::map<int32_t, int32_t> expected;  // feature id -> value
  GCountedRef store = Open();
  int32_t nextId = 1;
  for (int step = 0; step < 4000; ++step) {
    const unsigned action = random() % 100;
    if (action < 55 || expected.empty()) {
      const int32_t id = nextId++;
      const int32_t value = static_cast<int32_t>(random() % 100000);
      store->AddChildHandle(random() % 2 ? Leaf(value, id) : OtherLeaf(value, id));
      expected[id] = value;
    } else if (action < 90) {
      auto it = expected.begin();
      std::advance(it, random() % expected.size());
      GCountedRef out;
      store->RemoveChildHandleById(out, it->first);
      ASSERT_EQ(ValueOf(out), it->second) << "step " << step;
      expected.erase(it);
    } else if (action < 97) {
      auto it = expected.begin();
      std::advance(it, random() % expected.size());
      GCountedRef out;
      store->HandleById(out, it->first);
      ASSERT_EQ(ValueOf(out), it->second) << "step " << step;
    } else {
      store.Assign(GCountedRef());
      store.Assign(Open());
      ASSERT_EQ(Store(store).ErrorState(), 0);
    }
    ASSERT_EQ(store->GetEntryCount(), static_cast<int>(expected.size()));
  }
  store.Assign(GCountedRef());
  store.Assign(Open());
  for (const auto& [id, value] : expected) {
    GCountedRef out;
    store->RemoveChildHandleById(out, id);
    ASSERT_EQ(ValueOf(out), value);
  }
  EXPECT_EQ(store->GetEntryCount(), 0);
}

TEST_F(RecordStoreTest, StoreWithoutAFileStoresAndFindsNothing) {
  GCountedRef store(new MPersistentCompositeOnDiskImp(RWCString("C:\\Records\\no|such.dat"), 0));
  EXPECT_NE(Store(store).ErrorState(), 0);
  EXPECT_FALSE(Store(store).HasFile());
  store->AddChildHandle(Leaf(1, 1));
  EXPECT_EQ(store->GetEntryCount(), 0);
  GCountedRef out;
  store->HandleById(out, 1);
  EXPECT_TRUE(out.IsEmpty());
  // A store made by the class factory has no file either.
  GCountedRef made(static_cast<MPersistentObject*>(MPersistentCompositeOnDiskImpCreate()));
  EXPECT_FALSE(Store(made).HasFile());
  EXPECT_EQ(Store(made).ErrorState(), 0);
}

TEST_F(RecordStoreTest, StoredBodyAndSizeOfTheStore) {
  GCountedRef store = Open();
  store->AddChildHandle(Leaf(1, 1));
  qvtest::ExpectStoredByteCountIsWritten(*store.Pointee());
  // Its file and index are not part of a model stream: what comes back is
  // a store without a file.
  const std::string bytes = qvtest::SaveInForm(store.Pointee(), qvtest::ModelForm::kFile);
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, qvtest::ModelForm::kFile);
  ASSERT_NE(read.object, nullptr);
  GCountedRef copy(read.object);
  EXPECT_EQ(copy->ClassId(), MPersistentCompositeOnDiskImpClassId);
  EXPECT_FALSE(Store(copy).HasFile());
  EXPECT_EQ(copy->GetSerial(), store->GetSerial());
  GCountedRef clone(store->Clone());
  EXPECT_FALSE(Store(clone).HasFile());
  EXPECT_EQ(clone->GetEntryCount(), 0);
  EXPECT_TRUE(clone->DerivesFrom(782));
  EXPECT_TRUE(clone->DerivesFrom(751));
  EXPECT_FALSE(store->Matches(clone.Pointee()));
  EXPECT_TRUE(store->Matches(store.Pointee()));
}

// ---- Damaged files ----

class DamagedRecordFileTest : public RecordStoreTest {
 protected:
  // A closed store file of three leaves; returns the index block's offset.
  int32_t WriteSoundFile() {
    crt::remove(Path(FileName()).c_str());
    {
      GCountedRef store = Open();
      for (int i = 0; i < 3; ++i) store->AddChildHandle(Leaf(i, i + 1));
    }
    recordtest::RecordFileKeys keys(FileName());
    return *keys.Find(MPersistentCompositeOnDiskImp::kIndexKey);
  }
  void Patch(size_t at, const std::string& bytes) {
    std::string file = recordtest::Contents(FileName());
    ASSERT_LE(at + bytes.size(), file.size());
    file.replace(at, bytes.size(), bytes);
    w32test::PutFile(recordtest::WidePath(FileName()).c_str(), file);
  }
  static std::string U32(uint32_t v) {
    std::string s;
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    return s;
  }
};

// Every case must fail the opening cleanly (no end of the process, which
// would end this test too, no over-read under the sanitizers) and leave the
// damaged file as it was.
TEST_F(DamagedRecordFileTest, DamagedIndexFailsTheStoreAndLeavesTheFile) {
  struct Case {
    const char* what;
    size_t offset;  // from the index block
    std::string bytes;
  };
  // Index block: marker (4), tag 785 (2), GRecord body (14), version (4),
  // count (4), then the children.
  const std::vector<Case> cases = {
      {"marker", 0, U32(0x1234)},
      {"class tag of another class", 4, std::string("\x0F\x03", 2)},
      {"child count far beyond the block", 24, U32(0x7FFFFFFF)},
      {"child that is no record", 28, std::string("\xC6\x07", 2)},      // TestLeaf's class tag
      {"child referring back to the index", 28, std::string("\xFF\xFF\x01\x00\x00\x00", 6)},
      {"child of an unknown class", 28, std::string("\x34\x12", 2)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int32_t index = WriteSoundFile();
    Patch(static_cast<size_t>(index) + c.offset, c.bytes);
    const std::string damaged = recordtest::Contents(FileName());
    {
      GCountedRef store = Open();
      EXPECT_NE(Store(store).ErrorState(), 0);
      EXPECT_EQ(store->GetEntryCount(), 0);
      store->AddChildHandle(Leaf(9, 9));
      GCountedRef out;
      store->HandleById(out, 1);
      EXPECT_TRUE(out.IsEmpty());
    }
    EXPECT_EQ(recordtest::Contents(FileName()), damaged);
  }
}

TEST_F(DamagedRecordFileTest, ChildRecordsThatFormACycleAreRefused) {
  // A composite record whose second child refers back to the first child
  // record (shared) and whose third refers to itself.
  {
    GCountedRef store = Open();
    auto* composite = new MPersistentComposite(1);
    for (int i = 0; i < 3; ++i) composite->AddChild(new TestLeaf(i, 10 + i));
    store->AddChildHandle(GCountedRef(composite));
  }
  const int32_t index = *recordtest::RecordFileKeys(FileName()).Find(MPersistentCompositeOnDiskImp::kIndexKey);
  // Index: 6 + 14 + 8 = 28, the composite record: tag (2) + 14 + 8, then its
  // first child record: tag + 14 bytes. Table: 1 index, 2 composite, 3 child.
  const size_t firstChild = static_cast<size_t>(index) + 28 + 24;
  for (uint32_t target : {2u, 3u}) {
    SCOPED_TRACE(target);
    std::string file = recordtest::Contents(FileName());
    std::string back = std::string("\xFF\xFF", 2) + U32(target);
    file.replace(firstChild + 16, back.size(), back);
    w32test::PutFile(recordtest::WidePath(FileName()).c_str(), file);
    GCountedRef store = Open();
    EXPECT_NE(Store(store).ErrorState(), 0);
    EXPECT_EQ(store->GetEntryCount(), 0);
  }
}

TEST_F(DamagedRecordFileTest, DamagedObjectBlockGivesNothingAndTheStoreGoesOn) {
  WriteSoundFile();
  {
    GCountedRef store = Open();
    GRecord* second = GRecordComposite::RecordAt(Store(store).Index().Links().First()->next);
    const uint32_t serial = second->Serial();
    store.Assign(GCountedRef());
    const int32_t block = *recordtest::RecordFileKeys(FileName()).Find(GRecord::KeyOf(serial).Data());
    Patch(static_cast<size_t>(block), U32(0x4321));  // the marker
  }
  GCountedRef store = Open();
  ASSERT_EQ(Store(store).ErrorState(), 0);
  GCountedRef out;
  store->RemoveChildHandleById(out, 2);
  EXPECT_TRUE(out.IsEmpty());
  EXPECT_EQ(Store(store).ErrorState(), 0);
  store->RemoveChildHandleById(out, 3);
  EXPECT_EQ(ValueOf(out), 2);
  store->AddChildHandle(Leaf(5, 5));
  store->HandleById(out, 5);
  EXPECT_EQ(ValueOf(out), 5);
}

TEST_F(DamagedRecordFileTest, DamagedFileStructuresFailTheStoreWithoutEndingTheProcess) {
  const std::vector<std::pair<size_t, std::string>> cases = {
      {8, U32(77)},                 // node size of the free list
      {4, U32(5)},                  // end of the used space
      {0, U32(0x7FFFFFF0)},         // the first block (the tree's header)
      {12 + 260, U32(0x7FFFFFF0)},  // the number of holes in the first free-list node
      {12 + 264, U32(0x7FFFFFF0)},  // the next node of the free-list ring
      {284 + 16, U32(200)},         // the tree's key length
      {284 + 36, U32(1)},           // the tree's keys are binary
  };
  for (const auto& [at, bytes] : cases) {
    SCOPED_TRACE(at);
    WriteSoundFile();
    Patch(at, bytes);
    GCountedRef store = Open();
    store->AddChildHandle(Leaf(1, 100));
    GCountedRef out;
    store->HandleById(out, 1);
    store->RemoveChildHandleById(out, 2);
    EXPECT_NE(Store(store).ErrorState(), 0);
  }
}

TEST_F(DamagedRecordFileTest, ExistingFileWithoutAnIndexStartsEmpty) {
  {
    RWFileSpaceManager manager(Path(FileName()).c_str());
    RWDiskBTree tree(&manager);
  }
  GCountedRef store = Open();
  EXPECT_EQ(Store(store).ErrorState(), 0);
  EXPECT_EQ(store->GetEntryCount(), 0);
  store->AddChildHandle(Leaf(1, 1));
  EXPECT_EQ(store->GetEntryCount(), 1);
}

}  // namespace
