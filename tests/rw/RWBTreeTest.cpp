#include "rw/RWBTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "rw/RWBTreeDictionary.h"
#include "rw/RWSlistCollectables.h"
#include "support/SortedTestItems.h"
#include "support/ErrorCapture.h"

namespace {

using qvtest::ExpectValidTree;
using qvtest::Form;
using qvtest::KeyValue;
using qvtest::KeyValues;
using qvtest::SortKey;

std::vector<int> Range(int first, int last) {
  std::vector<int> values(static_cast<size_t>(last - first + 1));
  std::iota(values.begin(), values.end(), first);
  return values;
}

std::vector<int> Concat(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A tree together with the keys it points to, which the test owns.
class TreeOfKeys {
 public:
  SortKey* Make(int value) {
    keys_.push_back(std::make_unique<SortKey>(value));
    return keys_.back().get();
  }
  void Insert(const std::vector<int>& values) {
    for (int v : values) tree.Add(Make(v));
  }
  RWBTree tree;

 private:
  std::vector<std::unique_ptr<SortKey>> keys_;
};

// One node as the tests describe it: its values in order.
std::vector<int> NodeValues(const RWBTreeNode* node) {
  std::vector<int> values;
  for (uint32_t i = 0; i < node->count; ++i) values.push_back(KeyValue(node->elements[i]));
  return values;
}

// Expects a two-level tree: the root's values, and each child as its first
// and last value (each child of 50 consecutive values or more is checked
// by its bounds and count).
struct ChildShape {
  int first;
  int last;
  uint32_t count;
};

void ExpectTwoLevels(const RWBTree& tree, const std::vector<int>& root, const std::vector<ChildShape>& children) {
  ASSERT_EQ(tree.Height(), 2u);
  EXPECT_EQ(NodeValues(tree.Root()), root);
  ASSERT_EQ(tree.Root()->count + 1, children.size());
  for (size_t i = 0; i < children.size(); ++i) {
    SCOPED_TRACE(i);
    const std::vector<int> values = NodeValues(tree.Root()->children[i]);
    ASSERT_EQ(values.size(), children[i].count);
    EXPECT_EQ(values.front(), children[i].first);
    EXPECT_EQ(values.back(), children[i].last);
  }
}

// ---- Insertion ----

TEST(RWBTree, OneHundredElementsFitTheRootAndTheHundredAndFirstSplitsIt) {
  TreeOfKeys t;
  t.Insert(Range(1, 100));
  EXPECT_EQ(t.tree.Height(), 1u);
  EXPECT_EQ(t.tree.Root()->count, 100u);
  EXPECT_TRUE(t.tree.Root()->IsLeaf());
  ExpectValidTree(t.tree);

  t.Insert({101});
  EXPECT_EQ(t.tree.Count(), 101u);
  ExpectTwoLevels(t.tree, {51}, {{1, 50, 50}, {52, 101, 50}});
  ExpectValidTree(t.tree);
}

TEST(RWBTree, TheSplitHandsUpTheFiftyFirstOfTheHundredAndOneWhereverTheNewElementFalls) {
  const struct {
    const char* name;
    std::vector<int> inserts;
    int raised;
    ChildShape left, right;
  } cases[] = {
      {"new element first", Concat(Range(1, 100), {0}), 50, {0, 49, 50}, {51, 100, 50}},
      {"new element last", Range(1, 101), 51, {1, 50, 50}, {52, 101, 50}},
      // Even numbers 0 to 198, then 101: the 101 elements in order have 100
      // at index 50.
      {"new element in the middle", [] {
         std::vector<int> v;
         for (int i = 0; i < 100; ++i) v.push_back(2 * i);
         v.push_back(101);
         return v;
       }(),
       100, {0, 98, 50}, {101, 198, 50}},
      {"new element is the one raised", Concat(Concat(Range(1, 50), Range(52, 101)), {51}), 51, {1, 50, 50},
       {52, 101, 50}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TreeOfKeys t;
    t.Insert(c.inserts);
    ExpectTwoLevels(t.tree, {c.raised}, {c.left, c.right});
    ExpectValidTree(t.tree);
  }
}

TEST(RWBTree, AnEqualElementIsReturnedInsteadOfBeingAdded) {
  TreeOfKeys t;
  t.Insert(Range(1, 150));
  SortKey* present = static_cast<SortKey*>(t.tree.FindEqual(t.Make(77)));
  ASSERT_NE(present, nullptr);
  SortKey* again = t.Make(77);
  EXPECT_EQ(t.tree.Add(again), present);
  EXPECT_EQ(t.tree.Count(), 150u);
  EXPECT_EQ(t.tree.CountEqual(again), 1u);
  EXPECT_EQ(t.tree.CountEqual(t.Make(151)), 0u);
  // The element itself is refused as well; null is never stored.
  EXPECT_EQ(t.tree.Add(present), present);
  EXPECT_EQ(t.tree.Add(nullptr), nullptr);
  EXPECT_EQ(t.tree.FindEqual(nullptr), nullptr);
  EXPECT_EQ(t.tree.RemoveEqual(nullptr), nullptr);
  EXPECT_EQ(t.tree.Count(), 150u);
  ExpectValidTree(t.tree);
}

// ---- Removal ----

TEST(RWBTree, RemovalBorrowsFromASiblingOrMergesAndFreesAnEmptyRoot) {
  const struct {
    const char* name;
    std::vector<int> inserts;
    int removed;
    std::vector<int> root;              // the root's values after the removal
    std::vector<ChildShape> children;   // empty: a single level remains
  } cases[] = {
      // The first child falls to 49; its right sibling holds exactly 50:
      // the two merge with the separator and the emptied root is freed.
      {"merge with the right sibling", Range(1, 101), 1, Range(2, 101), {}},
      // The right sibling holds 51: one element moves through the root.
      {"borrow from the right sibling", Range(1, 102), 1, {52}, {{2, 51, 50}, {53, 102, 50}}},
      // The last child falls to 49 and borrows from a left sibling of 51.
      {"last child borrows from the left", Concat(Range(1, 101), {0}), 101, {50}, {{0, 49, 50}, {51, 100, 50}}},
      // The last child borrows from a left sibling of exactly 50, which is
      // then too small: the two merge.
      {"last child borrows, then merges", Range(1, 101), 101, Range(1, 100), {}},
      // The separator goes: its predecessor (the left child's last element)
      // takes its place, and the left child borrows from the right.
      {"inner element replaced by its predecessor", Range(1, 102), 51, {52}, {{1, 50, 50}, {53, 102, 50}}},
      {"absent element", Range(1, 101), 500, {51}, {{1, 50, 50}, {52, 101, 50}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TreeOfKeys t;
    t.Insert(c.inserts);
    SortKey probe(c.removed);
    RWCollectable* removed = t.tree.RemoveEqual(&probe);
    const bool present = std::find(c.inserts.begin(), c.inserts.end(), c.removed) != c.inserts.end();
    if (present) {
      ASSERT_NE(removed, nullptr);
      EXPECT_EQ(KeyValue(removed), c.removed);
      EXPECT_NE(removed, &probe);  // the stored element, not the argument
    } else {
      EXPECT_EQ(removed, nullptr);
    }
    EXPECT_EQ(t.tree.Count(), c.inserts.size() - (present ? 1 : 0));
    EXPECT_EQ(t.tree.FindEqual(&probe), nullptr);
    if (c.children.empty()) {
      EXPECT_EQ(t.tree.Height(), 1u);
      EXPECT_EQ(NodeValues(t.tree.Root()), c.root);
    } else {
      ExpectTwoLevels(t.tree, c.root, c.children);
    }
    ExpectValidTree(t.tree);
  }
}

TEST(RWBTree, RemovingEverythingFreesTheLastNode) {
  TreeOfKeys t;
  t.Insert(Range(1, 3));
  for (int v : {2, 1, 3}) {
    SortKey probe(v);
    EXPECT_EQ(KeyValue(t.tree.RemoveEqual(&probe)), v);
  }
  EXPECT_TRUE(t.tree.IsEmpty());
  EXPECT_EQ(t.tree.Root(), nullptr);
  EXPECT_EQ(t.tree.Height(), 0u);
  SortKey probe(1);
  EXPECT_EQ(t.tree.RemoveEqual(&probe), nullptr);
}

// Random insertions and removals against std::set, through three levels
// and back, checking the whole structure as it goes.
TEST(RWBTree, RandomOperationsKeepEveryInvariant) {
  TreeOfKeys t;
  std::set<int> model;
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> value(0, 19999);
  uint32_t maxHeight = 0;
  for (int step = 0; step < 40000; ++step) {
    const int v = value(random);
    // Mostly insertions first, then mostly removals.
    const bool insert = step < 24000 ? random() % 4 != 0 : random() % 4 == 0;
    if (insert) {
      SortKey* key = t.Make(v);
      RWCollectable* result = t.tree.Add(key);
      const bool added = model.insert(v).second;
      EXPECT_EQ(result == key, added);
      EXPECT_EQ(KeyValue(result), v);
    } else {
      SortKey probe(v);
      RWCollectable* removed = t.tree.RemoveEqual(&probe);
      EXPECT_EQ(removed != nullptr, model.erase(v) == 1);
    }
    maxHeight = std::max(maxHeight, t.tree.Height());
    if (step % 4000 == 0) ExpectValidTree(t.tree);
  }
  ExpectValidTree(t.tree);
  EXPECT_EQ(maxHeight, 3u);
  EXPECT_EQ(KeyValues(t.tree), std::vector<int>(model.begin(), model.end()));
  // Remove the rest in random order.
  std::vector<int> rest(model.begin(), model.end());
  std::shuffle(rest.begin(), rest.end(), random);
  for (size_t i = 0; i < rest.size(); ++i) {
    SortKey probe(rest[i]);
    ASSERT_EQ(KeyValue(t.tree.RemoveEqual(&probe)), rest[i]);
    if (i % 1000 == 0) ExpectValidTree(t.tree);
  }
  EXPECT_TRUE(t.tree.IsEmpty());
  EXPECT_EQ(t.tree.Height(), 0u);
}

// Elements whose comparisons contradict one another (as elements restored
// from a damaged or hostile graph may) can leave the order wrong, but never
// the structure: every node stays within its bounds, every element that a
// removal returns has left the tree, and nothing is lost or freed twice.
class Erratic : public RWCollectable {
 public:
  explicit Erratic(std::mt19937& random) : random_(random) {}
  int CompareTo(const RWCollectable*) const override { return static_cast<int>(random_() % 3) - 1; }

 private:
  std::mt19937& random_;
};

TEST(RWBTree, ContradictoryComparisonsNeverBreakTheStructure) {
  std::mt19937 random(7);
  std::vector<std::unique_ptr<Erratic>> elements;
  RWBTree tree;
  std::set<RWCollectable*> held;
  for (int i = 0; i < 3000; ++i) {
    elements.push_back(std::make_unique<Erratic>(random));
    RWCollectable* result = tree.Add(elements.back().get());
    if (result == elements.back().get()) held.insert(result);
    ASSERT_EQ(held.count(result), 1u);
  }
  ASSERT_EQ(tree.Count(), held.size());
  ExpectValidTree(tree, /*ordered=*/false);
  for (int pass = 0; pass < 3; ++pass) {
    for (auto& element : elements) {
      RWCollectable* removed = tree.RemoveEqual(element.get());
      if (removed == nullptr) continue;
      ASSERT_EQ(held.erase(removed), 1u);  // it was held, and is no longer
    }
    ExpectValidTree(tree, /*ordered=*/false);
    ASSERT_EQ(tree.Count(), held.size());
  }
  std::set<RWCollectable*> walked;
  tree.ApplyToEach([](RWCollectable* e, void* out) { static_cast<std::set<RWCollectable*>*>(out)->insert(e); },
                   &walked);
  EXPECT_EQ(walked, held);
}

// ---- Whole-tree operations ----

TEST(RWBTree, CopiesShareTheElementsAndCompareByContents) {
  TreeOfKeys t;
  std::vector<int> values = Range(1, 300);
  std::shuffle(values.begin(), values.end(), std::mt19937(3));
  t.Insert(values);

  RWBTree copy(t.tree);
  EXPECT_EQ(KeyValues(copy), Range(1, 300));
  SortKey probe(42);
  EXPECT_EQ(copy.FindEqual(&probe), t.tree.FindEqual(&probe));  // shared
  ExpectValidTree(copy);

  std::unique_ptr<RWCollectable> clone(t.tree.Clone());
  EXPECT_EQ(clone->ClassId(), 0x8003);
  EXPECT_TRUE(t.tree.IsEqual(clone.get()));
  std::unique_ptr<RWCollectable> empty(t.tree.CreateSameKind());
  EXPECT_EQ(dynamic_cast<RWBTree*>(empty.get())->Count(), 0u);

  RWBTree other;
  other.Add(t.Make(5000));
  other = t.tree;  // empties first
  EXPECT_EQ(KeyValues(other), Range(1, 300));
  other.Assign(other);  // assigning a tree to itself keeps it
  EXPECT_EQ(other.Count(), 300u);

  // Equality: same class and count, each element contained in the other.
  EXPECT_TRUE(t.tree.IsEqual(&copy));
  copy.RemoveEqual(&probe);
  EXPECT_FALSE(t.tree.IsEqual(&copy));
  copy.Add(t.Make(1000));
  EXPECT_FALSE(t.tree.IsEqual(&copy));  // same count, other contents
  RWBTreeDictionary dictionary;
  EXPECT_FALSE(RWBTree().IsEqual(&dictionary));  // another class id
  EXPECT_FALSE(t.tree.IsEqual(nullptr));
}

TEST(RWBTree, RemoveAllLeavesTheElementsAndRemoveAndDeleteAllDeletesThem) {
  const int before = SortKey::Live();
  {
    RWBTree tree;
    for (int v = 0; v < 500; ++v) tree.Add(new SortKey(v));
    EXPECT_EQ(SortKey::Live(), before + 500);
    std::vector<RWCollectable*> kept;
    tree.ApplyToEach([](RWCollectable* e, void* out) { static_cast<std::vector<RWCollectable*>*>(out)->push_back(e); },
                     &kept);
    tree.RemoveAll();
    EXPECT_TRUE(tree.IsEmpty());
    EXPECT_EQ(tree.Height(), 0u);
    EXPECT_EQ(SortKey::Live(), before + 500);
    for (RWCollectable* e : kept) tree.Add(e);
    tree.RemoveAndDeleteAll();
    EXPECT_EQ(SortKey::Live(), before);
    EXPECT_EQ(tree.Count(), 0u);
  }
}

// ---- Stored form ----

class RWBTreeStoredTest : public qvtest::StoredFormTest {
 protected:
  // Nothing may reach the error handler: damaged input fails the restore.
  qvtest::ScopedErrorCapture errors_;
};

TEST_F(RWBTreeStoredTest, TheFileFormIsTheCountThenTheElementsInAscendingOrder) {
  TreeOfKeys t;
  t.Insert({3, 1, 2});
  using qvtest::Bytes;
  using qvtest::Int32;
  const std::string expected = Bytes({0x88, 0x88, 0, 0, 0x03, 0x80}) + Int32(3) + Bytes({0x17, 0x03}) + Int32(1) +
                               Bytes({0x17, 0x03}) + Int32(2) + Bytes({0x17, 0x03}) + Int32(3);
  EXPECT_EQ(qvtest::SaveGraph(Form::File, &t.tree), expected);
  EXPECT_EQ(t.tree.StoredByteCount(), expected.size());
}

TEST_F(RWBTreeStoredTest, ATreeSurvivesEveryForm) {
  TreeOfKeys t;
  std::vector<int> values = Range(0, 249);
  std::shuffle(values.begin(), values.end(), std::mt19937(11));
  t.Insert(values);
  for (Form form : qvtest::kAllForms) {
    SCOPED_TRACE(qvtest::FormName(form));
    qvtest::RestoredGraph r = qvtest::RestoreGraph(form, qvtest::SaveGraph(form, &t.tree));
    auto* tree = dynamic_cast<RWBTree*>(r.object);
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->ClassId(), 0x8003);
    EXPECT_EQ(KeyValues(*tree), Range(0, 249));
    ExpectValidTree(*tree);
    EXPECT_TRUE(tree->IsEqual(&t.tree));
    tree->RemoveAndDeleteAll();
    delete tree;
  }
  EXPECT_TRUE(errors_.Texts().empty());
}

// Writes its elements in list order under the tree's class id: a stored
// tree whose elements are out of order.
class ForgedTree : public RWSlistCollectables {
 public:
  RWClassID ClassId() const override { return RWBTreeClassId; }
};

TEST_F(RWBTreeStoredTest, ARestoredTreeSortsWhatItReadsWhateverTheStoredOrder) {
  TreeOfKeys keys;
  ForgedTree forged;
  std::vector<int> values = Range(0, 299);
  std::shuffle(values.begin(), values.end(), std::mt19937(5));
  for (int v : values) forged.Add(keys.Make(v));
  // The same object again, and a null: neither is stored twice or at all.
  forged.Add(forged.First());
  forged.Add(nullptr);
  for (Form form : qvtest::kAllForms) {
    SCOPED_TRACE(qvtest::FormName(form));
    qvtest::RestoredGraph r = qvtest::RestoreGraph(form, qvtest::SaveGraph(form, &forged));
    auto* tree = dynamic_cast<RWBTree*>(r.object);
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->Count(), 300u);
    EXPECT_EQ(KeyValues(*tree), Range(0, 299));
    ExpectValidTree(*tree);
    tree->RemoveAndDeleteAll();
    delete tree;
  }
  EXPECT_TRUE(errors_.Texts().empty());
}

TEST_F(RWBTreeStoredTest, ATruncatedTreeFailsCleanlyInEveryForm) {
  TreeOfKeys t;
  t.Insert(Range(1, 4));
  for (Form form : qvtest::kAllForms) {
    SCOPED_TRACE(qvtest::FormName(form));
    const std::string bytes = qvtest::SaveGraph(form, &t.tree);
    const size_t start = form == Form::File ? 4 : (form == Form::Endian ? 10 : 1);
    for (size_t cut = start; cut < bytes.size(); ++cut) {
      SCOPED_TRACE(cut);
      qvtest::RestoredGraph r = qvtest::RestoreGraph(form, bytes.substr(0, cut));
      EXPECT_EQ(r.object, nullptr);
      EXPECT_NE(r.failure, "");
      EXPECT_TRUE(r.inputFailed);
    }
  }
  EXPECT_TRUE(errors_.Texts().empty());
}

}  // namespace
