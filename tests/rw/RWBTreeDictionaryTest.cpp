#include "rw/RWBTreeDictionary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "rw/RWPortableStream.h"
#include "rw/RWSlistCollectables.h"
#include "support/SortedTestItems.h"
#include "support/ErrorCapture.h"
#include "w32test/Testing.h"

namespace {

using qvtest::ExpectValidTree;
using qvtest::Form;
using qvtest::KeyValue;
using qvtest::SortKey;

// Keys and values the test owns, made on demand.
class Pool {
 public:
  SortKey* operator()(int value) {
    keys_.push_back(std::make_unique<SortKey>(value));
    return keys_.back().get();
  }

 private:
  std::vector<std::unique_ptr<SortKey>> keys_;
};

// (key, value) numbers in key order; a null value shows as -1.
std::vector<std::pair<int, int>> Pairs(const RWBTreeDictionary& d) {
  std::vector<std::pair<int, int>> pairs;
  d.ApplyToPairs(
      [](RWCollectable* k, RWCollectable* v, void* out) {
        static_cast<std::vector<std::pair<int, int>>*>(out)->emplace_back(KeyValue(k), KeyValue(v));
      },
      &pairs);
  return pairs;
}

std::vector<RWCollectable*> Associations(const RWBTreeDictionary& d) {
  std::vector<RWCollectable*> out;
  d.ApplyToEach([](RWCollectable* e, void* o) { static_cast<std::vector<RWCollectable*>*>(o)->push_back(e); },
                &out);
  return out;
}

TEST(RWBTreeDictionary, PairsAreFoundUpdatedAndRemovedByAnEqualKey) {
  Pool make;
  RWBTreeDictionary d;
  SortKey* k1 = make(1);
  SortKey* v1 = make(10);
  EXPECT_EQ(d.InsertPair(k1, v1), k1);
  SortKey* k3 = make(3);
  EXPECT_EQ(d.InsertPair(k3, make(30)), k3);
  SortKey* k2 = make(2);
  EXPECT_EQ(d.InsertPair(k2, nullptr), k2);
  // An equal key already present: nothing stored.
  EXPECT_EQ(d.InsertPair(make(1), make(99)), nullptr);
  // No pair without a key.
  EXPECT_EQ(d.InsertPair(nullptr, make(5)), nullptr);
  EXPECT_EQ(d.Count(), 3u);
  EXPECT_EQ(Pairs(d), (std::vector<std::pair<int, int>>{{1, 10}, {2, -1}, {3, 30}}));

  SortKey probe(1);
  EXPECT_EQ(d.FindValue(&probe), v1);
  EXPECT_EQ(d.FindEqual(&probe), k1);  // the stored key, not the probe
  EXPECT_TRUE(d.Contains(&probe));
  EXPECT_EQ(d.CountEqual(&probe), 1u);
  RWCollectable* value = make(0);
  EXPECT_EQ(d.FindKeyAndValue(&probe, value), k1);
  EXPECT_EQ(value, v1);

  SortKey absent(7);
  EXPECT_EQ(d.FindValue(&absent), nullptr);
  EXPECT_EQ(d.FindKeyAndValue(&absent, value), nullptr);
  EXPECT_EQ(value, nullptr);
  EXPECT_EQ(d.SetValue(&absent, make(70)), nullptr);
  EXPECT_EQ(d.Count(), 3u);

  SortKey* v1b = make(11);
  EXPECT_EQ(d.SetValue(&probe, v1b), v1);
  EXPECT_EQ(d.FindValue(&probe), v1b);

  // Removal hands back the stored key (and value) and frees only the
  // association.
  EXPECT_EQ(d.RemoveKeyAndValue(&probe, value), k1);
  EXPECT_EQ(value, v1b);
  EXPECT_EQ(d.RemoveKeyAndValue(&probe, value), nullptr);
  EXPECT_EQ(value, nullptr);
  SortKey three(3);
  EXPECT_EQ(KeyValue(d.RemoveEqual(&three)), 3);
  EXPECT_EQ(d.RemoveEqual(&three), nullptr);
  EXPECT_EQ(Pairs(d), (std::vector<std::pair<int, int>>{{2, -1}}));
}

TEST(RWBTreeDictionary, DeletingOperationsDeleteEachKeyAndValueOnce) {
  SortKey probe(1), two(2);
  const int before = SortKey::Live();
  RWBTreeDictionary d;
  auto* same = new SortKey(1);
  d.InsertPair(same, same);  // key and value are one object
  d.InsertPair(new SortKey(2), new SortKey(20));
  EXPECT_EQ(SortKey::Live(), before + 3);
  d.RemoveEqualAndDelete(&probe);
  EXPECT_EQ(SortKey::Live(), before + 2);
  d.RemoveEqualAndDelete(&two);
  EXPECT_EQ(SortKey::Live(), before);
  d.RemoveEqualAndDelete(&two);  // absent: nothing
  EXPECT_TRUE(d.IsEmpty());

  // A value shared by several keys, a key that is another pair's value and
  // a null value are each handled once.
  auto* shared = new SortKey(100);
  auto* k5 = new SortKey(5);
  for (int i = 0; i < 200; ++i) d.InsertPair(new SortKey(1000 + i), shared);
  d.InsertPair(k5, nullptr);
  d.InsertPair(new SortKey(6), k5);
  EXPECT_EQ(SortKey::Live(), before + 203);
  d.RemoveAndDeleteAll();
  EXPECT_TRUE(d.IsEmpty());
  EXPECT_EQ(SortKey::Live(), before);
}

TEST(RWBTreeDictionary, AGraphThatHoldsTheDictionaryInsideItselfCanStillBeDeleted) {
  // As a graph read from outside may: the dictionary is a value of its own,
  // and one of its associations is another pair's key.
  SortKey three(3);
  const int before = SortKey::Live();
  auto* d = new RWBTreeDictionary;
  d->InsertPair(new SortKey(1), d);
  RWCollectable* association = Associations(*d).front();
  d->InsertPair(new SortKey(2), association);
  d->RemoveAndDeleteAll();
  EXPECT_EQ(SortKey::Live(), before);
  d->InsertPair(new SortKey(3), d);
  d->RemoveEqualAndDelete(&three);
  EXPECT_EQ(SortKey::Live(), before);
  delete d;
}

TEST(RWBTreeDictionary, SelectionsAndCopiesShareKeysAndValuesButNotAssociations) {
  Pool make;
  RWBTreeDictionary d;
  for (int i = 0; i < 20; ++i) d.InsertPair(make(i), make(100 + i));

  std::unique_ptr<RWBTreeDictionary> even(d.SelectKeys(
      [](const RWCollectable* k, const void*) { return KeyValue(k) % 2 == 0; }, nullptr));
  EXPECT_EQ(even->Count(), 10u);
  SortKey four(4);
  EXPECT_EQ(even->FindEqual(&four), d.FindEqual(&four));
  EXPECT_EQ(even->FindValue(&four), d.FindValue(&four));

  const int limit = 105;
  std::unique_ptr<RWBTreeDictionary> low(d.SelectPairs(
      [](const RWCollectable*, const RWCollectable* v, const void* data) {
        return KeyValue(v) < *static_cast<const int*>(data);
      },
      &limit));
  EXPECT_EQ(Pairs(*low), (std::vector<std::pair<int, int>>{{0, 100}, {1, 101}, {2, 102}, {3, 103}, {4, 104}}));

  RWBTreeDictionary copy(d);
  std::unique_ptr<RWCollectable> clone(d.Clone());
  RWBTreeDictionary assigned;
  assigned.InsertPair(make(50), make(500));
  assigned = d;
  const RWBTreeDictionary* copies[] = {&copy, static_cast<const RWBTreeDictionary*>(clone.get()), &assigned};
  for (const RWBTreeDictionary* other : copies) {
    EXPECT_EQ(Pairs(*other), Pairs(d));
    EXPECT_EQ(other->FindEqual(&four), d.FindEqual(&four));
    const auto mine = Associations(d);
    const auto theirs = Associations(*other);
    for (size_t i = 0; i < mine.size(); ++i) EXPECT_NE(mine[i], theirs[i]);
    EXPECT_TRUE(other->IsEqual(&d));
  }
  assigned.Assign(assigned);
  EXPECT_EQ(assigned.Count(), 20u);
  std::unique_ptr<RWCollectable> fresh(d.CreateSameKind());
  EXPECT_EQ(fresh->ClassId(), 0x8004);
  EXPECT_TRUE(dynamic_cast<RWBTreeDictionary*>(fresh.get())->IsEmpty());
}

TEST(RWBTreeDictionary, EqualityComparesTheValuesStoredUnderEachKey) {
  Pool make;
  auto build = [&make](std::vector<std::pair<int, int>> pairs) {
    auto d = std::make_unique<RWBTreeDictionary>();
    for (auto [k, v] : pairs) d->InsertPair(make(k), v < 0 ? nullptr : make(v));
    return d;
  };
  const auto base = build({{1, 10}, {2, -1}, {3, 30}});
  const struct {
    const char* name;
    std::vector<std::pair<int, int>> pairs;
    bool equal;
  } cases[] = {
      {"equal values in other objects", {{3, 30}, {1, 10}, {2, -1}}, true},
      {"another value", {{1, 10}, {2, -1}, {3, 31}}, false},
      {"a value where null is stored", {{1, 10}, {2, 20}, {3, 30}}, false},
      {"null where a value is stored", {{1, -1}, {2, -1}, {3, 30}}, false},
      {"another key", {{1, 10}, {2, -1}, {4, 30}}, false},
      {"one pair fewer", {{1, 10}, {2, -1}}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto other = build(c.pairs);
    EXPECT_EQ(base->IsEqual(other.get()), c.equal);
    EXPECT_EQ(other->IsEqual(base.get()), c.equal);
  }
  // A tree of the same associations has another class id.
  RWBTree tree;
  for (RWCollectable* a : Associations(*base)) tree.Add(a);
  EXPECT_FALSE(base->IsEqual(&tree));
  EXPECT_FALSE(tree.IsEqual(base.get()));
  tree.RemoveAll();

  // Dictionaries that hold themselves as values compare without endless
  // recursion.
  RWBTreeDictionary a, b;
  a.InsertPair(make(1), &a);
  b.InsertPair(make(1), &b);
  EXPECT_TRUE(a.IsEqual(&a));
  EXPECT_FALSE(a.IsEqual(&b));
}

TEST(RWBTreeDictionary, ManyPairsStayInKeyOrderThroughRemovals) {
  Pool make;
  RWBTreeDictionary d;
  // More pairs than two levels can hold (101 nodes of 100).
  constexpr int kPairs = 12000;
  std::vector<int> keys(kPairs);
  for (int i = 0; i < kPairs; ++i) keys[static_cast<size_t>(i)] = i;
  std::mt19937 random(9);
  std::shuffle(keys.begin(), keys.end(), random);
  for (int k : keys) ASSERT_NE(d.InsertPair(make(k), make(k + 1)), nullptr);
  EXPECT_EQ(d.Height(), 3u);
  ExpectValidTree(d);
  std::shuffle(keys.begin(), keys.end(), random);
  for (size_t i = 0; i < kPairs - 500; ++i) {
    SortKey probe(keys[i]);
    RWCollectable* value = nullptr;
    ASSERT_EQ(KeyValue(d.RemoveKeyAndValue(&probe, value)), keys[i]);
    ASSERT_EQ(KeyValue(value), keys[i] + 1);
  }
  ExpectValidTree(d);
  std::vector<int> rest(keys.begin() + (kPairs - 500), keys.end());
  std::sort(rest.begin(), rest.end());
  const auto pairs = Pairs(d);
  ASSERT_EQ(pairs.size(), rest.size());
  for (size_t i = 0; i < rest.size(); ++i) EXPECT_EQ(pairs[i], std::make_pair(rest[i], rest[i] + 1));
}

// ---- Stored form ----

class RWBTreeDictionaryStoredTest : public qvtest::StoredFormTest {
 protected:
  // Nothing may reach the error handler: damaged input fails the restore.
  qvtest::ScopedErrorCapture errors_;
};

TEST_F(RWBTreeDictionaryStoredTest, ADictionarySurvivesEveryFormWithItsSharedValues) {
  Pool make;
  RWBTreeDictionary d;
  SortKey* shared = make(7);
  for (int i = 0; i < 150; ++i) d.InsertPair(make(i), i % 3 == 0 ? shared : make(1000 + i));
  d.InsertPair(make(500), nullptr);
  for (Form form : qvtest::kAllForms) {
    SCOPED_TRACE(qvtest::FormName(form));
    SortKey k0(0), k3(3), k500(500);
    const int before = SortKey::Live();
    qvtest::RestoredGraph r = qvtest::RestoreGraph(form, qvtest::SaveGraph(form, &d));
    auto* restored = dynamic_cast<RWBTreeDictionary*>(r.object);
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->ClassId(), 0x8004);
    EXPECT_EQ(Pairs(*restored), Pairs(d));
    EXPECT_TRUE(restored->IsEqual(&d));
    ExpectValidTree(*restored);
    EXPECT_EQ(restored->FindValue(&k0), restored->FindValue(&k3));  // one object again
    EXPECT_EQ(restored->FindValue(&k500), nullptr);
    EXPECT_EQ(SortKey::Live(), before + 151 + 1 + 100);  // keys, the shared value, the others
    restored->RemoveAndDeleteAll();
    delete restored;
    EXPECT_EQ(SortKey::Live(), before);
  }
  EXPECT_TRUE(errors_.Texts().empty());
}

// Writes its elements in list order under the dictionary's class id, so
// that a test can store any sequence as a dictionary's elements.
class ForgedDictionary : public RWSlistCollectables {
 public:
  RWClassID ClassId() const override { return RWBTreeDictionaryClassId; }
};

TEST_F(RWBTreeDictionaryStoredTest, StoredPairsOutOfOrderAreSortedByKey) {
  Pool make;
  std::vector<std::unique_ptr<RWCollectableAssociation>> pairs;
  ForgedDictionary forged;
  for (int k : {5, 1, 4, 2, 3}) {
    pairs.push_back(std::make_unique<RWCollectableAssociation>(make(k), make(10 * k)));
    forged.Add(pairs.back().get());
  }
  for (Form form : qvtest::kAllForms) {
    SCOPED_TRACE(qvtest::FormName(form));
    qvtest::RestoredGraph r = qvtest::RestoreGraph(form, qvtest::SaveGraph(form, &forged));
    auto* restored = dynamic_cast<RWBTreeDictionary*>(r.object);
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(Pairs(*restored), (std::vector<std::pair<int, int>>{{1, 10}, {2, 20}, {3, 30}, {4, 40}, {5, 50}}));
    restored->RemoveAndDeleteAll();
    delete restored;
  }
}

TEST_F(RWBTreeDictionaryStoredTest, DamagedStoredDictionariesFailCleanlyInEveryForm) {
  Pool make;
  SortKey* k1 = make(1);
  RWCollectableAssociation a1(k1, make(10));
  RWCollectableAssociation a1again(make(1), make(11));
  RWCollectableAssociation a2(make(2), make(20));
  RWCollectableAssociation noKey(nullptr, make(30));
  RWCollectableIDAssociation idPair(make(3), nullptr);
  auto forge = [](std::vector<RWCollectable*> elements) {
    auto d = std::make_unique<ForgedDictionary>();
    for (RWCollectable* e : elements) d->Add(e);
    return d;
  };
  // Two dictionaries that share one association, which both would delete.
  auto first = forge({&a2, &a1});
  auto second = forge({&a1});
  RWSlistCollectables both;
  both.Add(first.get());
  both.Add(second.get());

  const struct {
    const char* name;
    std::unique_ptr<ForgedDictionary> forged;
    const RWCollectable* root;
  } cases[] = {
      {"an element that is not an association", forge({&a1, k1}), nullptr},
      {"a null element", forge({&a1, nullptr}), nullptr},
      {"a null key", forge({&a2, &noKey}), nullptr},
      {"a key stored twice", forge({&a1, &a2, &a1again}), nullptr},
      {"one association twice", forge({&a1, &a2, &a1}), nullptr},
      {"an association of another dictionary", nullptr, &both},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const RWCollectable* root = c.root != nullptr ? c.root : c.forged.get();
    for (Form form : qvtest::kAllForms) {
      SCOPED_TRACE(qvtest::FormName(form));
      qvtest::RestoredGraph r = qvtest::RestoreGraph(form, qvtest::SaveGraph(form, root));
      EXPECT_EQ(r.object, nullptr);
      EXPECT_EQ(r.failure.substr(0, 8), "[STREAM]");
      EXPECT_TRUE(r.inputFailed);
    }
  }
  // An ID association is an association: accepted.
  auto withId = forge({&a1, &idPair});
  qvtest::RestoredGraph r = qvtest::RestoreGraph(Form::File, qvtest::SaveGraph(Form::File, withId.get()));
  auto* restored = dynamic_cast<RWBTreeDictionary*>(r.object);
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(restored->Count(), 2u);
  restored->RemoveAndDeleteAll();
  delete restored;
  EXPECT_TRUE(errors_.Texts().empty());
}

TEST_F(RWBTreeDictionaryStoredTest, ATruncatedDictionaryFailsCleanlyAndLeavesAnExistingOneEmpty) {
  Pool make;
  RWBTreeDictionary d;
  for (int i = 0; i < 4; ++i) d.InsertPair(make(i), make(10 + i));
  for (Form form : qvtest::kAllForms) {
    SCOPED_TRACE(qvtest::FormName(form));
    const std::string bytes = qvtest::SaveGraph(form, &d);
    const size_t start = form == Form::File ? 4 : (form == Form::Endian ? 10 : 1);
    for (size_t cut = start; cut < bytes.size(); ++cut) {
      SCOPED_TRACE(cut);
      qvtest::RestoredGraph r = qvtest::RestoreGraph(form, bytes.substr(0, cut));
      EXPECT_EQ(r.object, nullptr);
      EXPECT_NE(r.failure, "");
    }
  }
  // Read into an existing dictionary, the pairs read before the damage
  // point to keys the failed restore freed: the dictionary lets them go.
  const std::string bytes = qvtest::SaveGraph(Form::File, &d);
  ASSERT_TRUE(w32test::PutFile(qvtest::kSortedWidePath, bytes.substr(0, bytes.size() - 3)));
  RWBTreeDictionary target;
  target.InsertPair(make(99), nullptr);
  {
    RWBinaryFile file(qvtest::kSortedPath, "rb");
    EXPECT_EQ(RWReadObjectIntoFromFile(file, &target), nullptr);
  }
  EXPECT_TRUE(target.IsEmpty());
  EXPECT_TRUE(errors_.Texts().empty());
}

TEST_F(RWBTreeDictionaryStoredTest, ABodyRestoredOnItsOwnFailsItsStreamWhenDamaged) {
  // The elements of a dictionary written without the framing around them:
  // a count, then two associations with equal keys.
  Pool make;
  RWCollectableAssociation first(make(1), make(10));
  RWCollectableAssociation second(make(1), make(11));
  ForgedDictionary forged;
  forged.Add(&first);
  forged.Add(&second);
  std::stringbuf buffer;
  {
    RWPortableOutStream out(&buffer);
    forged.SaveMembers(out);
  }
  const int before = SortKey::Live();
  RWBTreeDictionary d;
  RWPortableInStream in(&buffer);
  d.RestoreMembers(in);
  EXPECT_TRUE(in.Fail());
  EXPECT_TRUE(d.IsEmpty());
  EXPECT_EQ(SortKey::Live(), before);  // what the body created is freed
  EXPECT_TRUE(errors_.Texts().empty());
}

}  // namespace
