// Small collectables for the collection tests: a value compared and hashed
// by its number, with a count of live objects so that tests can see what a
// delete-all really deleted.
#pragma once

#include <cstdint>
#include <vector>

#include "rw/RWObjectCollection.h"

namespace qvtest {

constexpr RWClassID kTestItemClassId = 0x0123;

class Item : public RWCollectable {
 public:
  explicit Item(int value) : value_(value) { ++Live(); }
  Item(const Item& other) : RWCollectable(), value_(other.value_) { ++Live(); }
  ~Item() override { --Live(); }

  static int& Live() {
    static int live = 0;
    return live;
  }

  RWCollectable* CreateSameKind() const override { return new Item(0); }
  RWCollectable* Clone() const override { return new Item(*this); }
  RWClassID ClassId() const override { return kTestItemClassId; }
  uint32_t Hash() const override { return static_cast<uint32_t>(value_); }
  bool IsEqual(const RWCollectable* other) const override {
    const Item* item = dynamic_cast<const Item*>(other);
    return item != nullptr && item->value_ == value_;
  }
  int Value() const { return value_; }

 private:
  int value_;
};

inline int ValueOf(const RWCollectable* c) {
  const Item* item = dynamic_cast<const Item*>(c);
  return item == nullptr ? -1 : item->Value();
}

// The values of a collection's elements in ApplyToEach order.
inline std::vector<int> Values(const RWObjectCollection& collection) {
  std::vector<int> values;
  collection.ApplyToEach([](RWCollectable* e, void* out) { static_cast<std::vector<int>*>(out)->push_back(ValueOf(e)); },
                         &values);
  return values;
}

// The elements themselves in ApplyToEach order.
inline std::vector<RWCollectable*> Elements(const RWObjectCollection& collection) {
  std::vector<RWCollectable*> elements;
  collection.ApplyToEach([](RWCollectable* e, void* out) { static_cast<std::vector<RWCollectable*>*>(out)->push_back(e); },
                         &elements);
  return elements;
}

}  // namespace qvtest
