#include "rw/RWShortList.h"

RWShortList::~RWShortList() { Clear(); }

void RWShortList::Append(int16_t value) {
  RWShortListNode* node = new RWShortListNode;
  node->value = value;
  list_.InsertAfter(list_.Last(), node);
}

bool RWShortList::Contains(int16_t value) const {
  for (const RWSlistLink* p = list_.First(); p != list_.Tail(); p = p->next)
    if (static_cast<const RWShortListNode*>(p)->value == value) return true;
  return false;
}

void RWShortList::Clear() {
  RWSlistLink* p = list_.First();
  while (p != list_.Tail()) {
    RWSlistLink* next = p->next;
    delete static_cast<RWShortListNode*>(p);
    p = next;
  }
  list_.Init();
}
