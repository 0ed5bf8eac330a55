#include "rw/RWStoreTable.h"

namespace {

thread_local RWStoreTable* t_storeTable = nullptr;

}  // namespace

RWStoreTable::RWStoreTable() {
  uint32_t index;
  Enter(&RWNullObjectInstance, index);
}

// The objects belong to their owners.
RWStoreTable::~RWStoreTable() = default;

bool RWStoreTable::Enter(const RWCollectable* object, uint32_t& index) {
  const auto [entry, added] = objects_.try_emplace(object, Count());
  index = entry->second;
  return added;
}

bool RWStoreTable::EnterStringId(const RWStringID& id, uint32_t& index) {
  const RWCString& text = id.String();
  const auto [entry, added] = stringIds_.try_emplace(std::string(text.Data(), text.Length()), Count());
  index = entry->second;
  return added;
}

uint32_t RWStoreTable::Count() const { return static_cast<uint32_t>(objects_.size() + stringIds_.size()); }

RWStoreTableGuard::RWStoreTableGuard() : table_(t_storeTable), topLevel_(false) {
  if (table_ == nullptr) {
    table_ = new RWStoreTable;
    t_storeTable = table_;
    topLevel_ = true;
  }
}

RWStoreTableGuard::~RWStoreTableGuard() {
  if (topLevel_) {
    t_storeTable = nullptr;
    delete table_;
  }
}
