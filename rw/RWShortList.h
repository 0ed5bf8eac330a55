// RWShortList: a list of 16-bit values (feature ids, option keys, source
// codes) kept as heap nodes on an RWIntrusiveSlist. The list owns its nodes
// and deletes them when it is cleared or destroyed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "rw/RWIntrusiveSlist.h"

struct RWShortListNode : RWSlistLink {
  int16_t value = 0;
};

class RWShortList {
 public:
  RWShortList() = default;
  ~RWShortList();
  RWShortList(const RWShortList&) = delete;
  RWShortList& operator=(const RWShortList&) = delete;

  // Appends a new node holding the value.
  void Append(int16_t value);
  // True when some node holds the value.
  bool Contains(int16_t value) const;
  // Deletes every node and leaves the list empty.
  void Clear();

  size_t Count() const { return list_.Count(); }
  bool IsEmpty() const { return list_.IsEmpty(); }

  // The underlying list; its links are RWShortListNode objects.
  RWIntrusiveSlist& AsSlist() { return list_; }
  const RWIntrusiveSlist& AsSlist() const { return list_; }

 private:
  RWIntrusiveSlist list_;
};
