#include "rw/RWCollectableAssociation.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "rw/RWBTree.h"
#include "rw/RWHashTable.h"
#include "support/SortedTestItems.h"
#include "support/ErrorCapture.h"

namespace {

using qvtest::Form;
using qvtest::KeyValue;
using qvtest::SortKey;

TEST(RWCollectableAssociation, StandsForItsKeyInComparisonsHashesAndEquality) {
  SortKey key(5), equal(5), above(9), below(1), value(50);
  RWCollectableAssociation a(&key, &value);
  EXPECT_TRUE(a.IsEqual(&equal));
  EXPECT_TRUE(a.IsEqual(&key));
  EXPECT_FALSE(a.IsEqual(&above));
  EXPECT_FALSE(a.IsEqual(nullptr));
  EXPECT_EQ(a.CompareTo(&equal), 0);
  EXPECT_LT(a.CompareTo(&above), 0);
  EXPECT_GT(a.CompareTo(&below), 0);
  EXPECT_EQ(a.Hash(), key.Hash());
  // Two associations order by their keys.
  RWCollectableAssociation b(&above, nullptr);
  EXPECT_LT(a.CompareTo(&b), 0);
  EXPECT_GT(b.CompareTo(&a), 0);

  EXPECT_EQ(a.SetValue(&above), &value);
  EXPECT_EQ(a.Value(), &above);
  std::unique_ptr<RWCollectable> clone(a.Clone());
  auto* copy = dynamic_cast<RWCollectableAssociation*>(clone.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->ClassId(), 0x8008);
  EXPECT_EQ(copy->Key(), &key);
  EXPECT_EQ(copy->Value(), &above);
  std::unique_ptr<RWCollectable> fresh(a.CreateSameKind());
  EXPECT_EQ(static_cast<RWCollectableAssociation*>(fresh.get())->Key(), nullptr);

  // A null key sorts below everything and equals nothing.
  RWCollectableAssociation none(nullptr, &value);
  EXPECT_LT(none.CompareTo(&below), 0);
  EXPECT_GT(a.CompareTo(&none), 0);
  EXPECT_EQ(none.Hash(), 0u);
  EXPECT_FALSE(none.IsEqual(&key));
}

TEST(RWCollectableIDAssociation, StandsForItsKeyObjectOnly) {
  SortKey key(5), equal(5);
  RWCollectableIDAssociation a(&key, nullptr);
  RWCollectableIDAssociation sameKey(&key, &equal);
  RWCollectableIDAssociation otherKey(&equal, nullptr);
  RWCollectableAssociation byValue(&key, nullptr);
  EXPECT_EQ(a.ClassId(), 0x805F);
  EXPECT_TRUE(a.IsEqual(&key));
  EXPECT_FALSE(a.IsEqual(&equal));  // equal, but another object
  EXPECT_TRUE(a.IsEqual(&sameKey));
  EXPECT_FALSE(a.IsEqual(&otherKey));
  EXPECT_FALSE(a.IsEqual(&byValue));  // not an ID association, not the key
  EXPECT_EQ(a.CompareTo(&key), 0);
  const bool keyBelow = reinterpret_cast<uintptr_t>(&key) < reinterpret_cast<uintptr_t>(&equal);
  EXPECT_EQ(a.CompareTo(&equal), keyBelow ? -1 : 1);
  // Another ID association compares by its key, as equality does.
  EXPECT_EQ(a.CompareTo(&sameKey), 0);
  EXPECT_EQ(a.CompareTo(&otherKey), keyBelow ? -1 : 1);
  const auto address = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&key));
  EXPECT_EQ(a.Hash(), address ^ (address >> 3));
  std::unique_ptr<RWCollectable> clone(a.Clone());
  EXPECT_EQ(clone->ClassId(), 0x805F);
  EXPECT_TRUE(clone->IsEqual(&a));

  // A sorted collection of ID associations finds them by key object and by
  // another ID association with the same key.
  RWBTree tree;
  std::vector<std::unique_ptr<SortKey>> keys;
  std::vector<std::unique_ptr<RWCollectableIDAssociation>> pairs;
  for (int i = 0; i < 300; ++i) {
    keys.push_back(std::make_unique<SortKey>(0));  // all equal by value
    pairs.push_back(std::make_unique<RWCollectableIDAssociation>(keys.back().get(), nullptr));
    ASSERT_EQ(tree.Add(pairs.back().get()), pairs.back().get());
  }
  qvtest::ExpectValidTree(tree);
  RWCollectableIDAssociation probe(keys[123].get(), nullptr);
  EXPECT_EQ(tree.FindEqual(keys[123].get()), pairs[123].get());
  EXPECT_EQ(tree.FindEqual(&probe), pairs[123].get());
  EXPECT_EQ(tree.Add(&probe), pairs[123].get());
  EXPECT_EQ(tree.RemoveEqual(&probe), pairs[123].get());
  EXPECT_EQ(tree.FindEqual(keys[123].get()), nullptr);
}

TEST(RWCollectableAssociation, KeysThatLeadBackToTheAssociationStillGiveAnAnswer) {
  // Associations whose keys lead back to themselves, as a graph read from
  // outside can hold: comparing, hashing and testing them ends, and a tree
  // of them keeps its structure.
  RWCollectableAssociation self(&self, nullptr);
  RWCollectableAssociation a;
  RWCollectableAssociation b(&a, nullptr);
  a = RWCollectableAssociation(&b, nullptr);
  SortKey plain(1);
  for (RWCollectableAssociation* x : {&self, &a, &b}) {
    for (const RWCollectable* y : {static_cast<const RWCollectable*>(&self), static_cast<const RWCollectable*>(&a),
                                   static_cast<const RWCollectable*>(&b), static_cast<const RWCollectable*>(&plain)}) {
      const int order = x->CompareTo(y);
      EXPECT_TRUE(order >= -1 && order <= 1);
      (void)x->IsEqual(y);
    }
    (void)x->Hash();
  }
  RWBTree tree;
  for (RWCollectable* x : {static_cast<RWCollectable*>(&a), static_cast<RWCollectable*>(&b),
                           static_cast<RWCollectable*>(&self), static_cast<RWCollectable*>(&plain)})
    tree.Add(x);
  qvtest::ExpectValidTree(tree, /*ordered=*/false);
  tree.RemoveEqual(&self);
  qvtest::ExpectValidTree(tree, /*ordered=*/false);
  tree.RemoveAll();
  RWSet set;
  set.Add(&a);
  set.Add(&self);
  EXPECT_GE(set.Count(), 1u);
  set.RemoveAll();
}

// ---- Stored form ----

class RWCollectableAssociationStoredTest : public qvtest::StoredFormTest {
 protected:
  qvtest::ScopedErrorCapture errors_;
};

TEST_F(RWCollectableAssociationStoredTest, TheKeyThenTheValueEachWithIdentity) {
  using qvtest::Bytes;
  using qvtest::Int32;
  SortKey key(4);
  RWCollectableAssociation nullValue(&key, nullptr);
  RWCollectableAssociation selfValued(&key, &key);
  RWCollectableIDAssociation id(&key, nullptr);
  const std::string keyBytes = Bytes({0x17, 0x03}) + Int32(4);
  const std::string null = Bytes({0xFF, 0xFF}) + Int32(0);
  const struct {
    const char* name;
    const RWCollectable* object;
    std::string bytes;
  } cases[] = {
      {"null value", &nullValue, Bytes({0x88, 0x88, 0, 0, 0x08, 0x80}) + keyBytes + null},
      // The association takes index 1 and the key index 2: the value is a
      // back reference to 2.
      {"value is the key", &selfValued, Bytes({0x88, 0x88, 0, 0, 0x08, 0x80}) + keyBytes + Bytes({0xFF, 0xFF}) + Int32(2)},
      {"ID association", &id, Bytes({0x88, 0x88, 0, 0, 0x5F, 0x80}) + keyBytes + null},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(qvtest::SaveGraph(Form::File, c.object), c.bytes);
    EXPECT_EQ(c.object->StoredByteCount(), c.bytes.size());
  }
}

TEST_F(RWCollectableAssociationStoredTest, AssociationsSurviveEveryForm) {
  SortKey key(4), value(40);
  RWCollectableAssociation plain(&key, &value);
  RWCollectableAssociation selfValued(&key, &key);
  RWCollectableIDAssociation id(&key, nullptr);
  for (const RWCollectableAssociation* original : {&plain, &selfValued, static_cast<RWCollectableAssociation*>(&id)}) {
    for (Form form : qvtest::kAllForms) {
      SCOPED_TRACE(qvtest::FormName(form));
      qvtest::RestoredGraph r = qvtest::RestoreGraph(form, qvtest::SaveGraph(form, original));
      auto* restored = dynamic_cast<RWCollectableAssociation*>(r.object);
      ASSERT_NE(restored, nullptr);
      EXPECT_EQ(restored->ClassId(), original->ClassId());
      EXPECT_EQ(KeyValue(restored->Key()), 4);
      if (original->Value() == nullptr) {
        EXPECT_EQ(restored->Value(), nullptr);
      } else if (original->Value() == original->Key()) {
        EXPECT_EQ(restored->Value(), restored->Key());
      } else {
        EXPECT_EQ(KeyValue(restored->Value()), 40);
        delete restored->Value();
      }
      delete restored->Key();
      delete restored;
    }
  }
  EXPECT_TRUE(errors_.Texts().empty());
}

}  // namespace
