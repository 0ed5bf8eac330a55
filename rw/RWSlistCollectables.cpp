#include "rw/RWSlistCollectables.h"

namespace {

// Element equality for the searches: the element's IsEqual with the target.
// A null pointer stored in the list matches nothing (there is no object to
// ask).
bool ElementIsEqual(const RWCollectable* element, const void* target) {
  return element != nullptr && RWCollectableIsEqual(element, target);
}

// Comparing lists compares their elements, which may be collections in
// turn, and a stored graph read from outside can make collections contain
// one another. Past this nesting a list equals only itself, so every
// comparison ends.
constexpr int kMaxSlistEqualityNesting = 64;
thread_local int t_slistEqualityNesting = 0;

struct SlistEqualityNesting {
  SlistEqualityNesting() { ++t_slistEqualityNesting; }
  ~SlistEqualityNesting() { --t_slistEqualityNesting; }
};

}  // namespace

// ---- RWSlistCollectables ----

RWSlistCollectables::~RWSlistCollectables() = default;

RW_COLLECTABLE_KIND_DEFINE(RWSlistCollectables)

bool RWSlistCollectables::IsEqual(const RWCollectable* other) const {
  if (other == this) return true;
  if (other == nullptr || other->ClassId() != ClassId()) return false;
  if (t_slistEqualityNesting >= kMaxSlistEqualityNesting) return false;
  SlistEqualityNesting nesting;
  const RWSlistCollectables* list = dynamic_cast<const RWSlistCollectables*>(other);
  if (list == nullptr || list->Count() != Count()) return false;
  const RWIntrusiveSlist& mine = list_.Links();
  const RWIntrusiveSlist& theirs = list->list_.Links();
  const RWSlistLink* p = mine.First();
  const RWSlistLink* q = theirs.First();
  for (; p != mine.Tail() && q != theirs.Tail(); p = p->next, q = q->next) {
    const RWCollectable* a = static_cast<const RWPointerSlistNode*>(p)->element;
    const RWCollectable* b = static_cast<const RWPointerSlistNode*>(q)->element;
    if (a == nullptr ? b != nullptr : !a->IsEqual(b)) return false;
  }
  return true;
}

void RWSlistCollectables::ApplyToEach(RWApplyCollectable function, void* userData) const {
  list_.Apply(function, userData);
}

void RWSlistCollectables::RemoveAll() { list_.Clear(); }

uint32_t RWSlistCollectables::Count() const { return list_.Count(); }

RWCollectable* RWSlistCollectables::FindEqual(const RWCollectable* x) const {
  return list_.FindMatch(&ElementIsEqual, x);
}

RWCollectable* RWSlistCollectables::Add(RWCollectable* x) { return list_.Append(x); }

bool RWSlistCollectables::IsEmpty() const { return list_.IsEmpty(); }

uint32_t RWSlistCollectables::CountEqual(const RWCollectable* x) const {
  return list_.CountMatches(&ElementIsEqual, x);
}

RWCollectable* RWSlistCollectables::RemoveEqual(const RWCollectable* x) {
  return list_.RemoveMatch(&ElementIsEqual, x);
}

RWCollectable* RWSlistCollectables::Append(RWCollectable* x) { return list_.Append(x); }

RWCollectable* RWSlistCollectables::At(uint32_t i) const { return list_.At(i); }

RWCollectable*& RWSlistCollectables::At(uint32_t i) { return list_.At(i); }

RWCollectable* RWSlistCollectables::First() const { return list_.First(); }

int32_t RWSlistCollectables::IndexOf(const RWCollectable* x) const {
  return list_.IndexOfMatch(&ElementIsEqual, x);
}

RWCollectable* RWSlistCollectables::InsertAt(uint32_t i, RWCollectable* x) { return list_.InsertAt(i, x); }

RWCollectable* RWSlistCollectables::Last() const { return list_.Last(); }

RWCollectable* RWSlistCollectables::Prepend(RWCollectable* x) { return list_.Prepend(x); }

RWCollectable* RWSlistCollectables::InsertAfterIndex(uint32_t i, RWCollectable* x) {
  return list_.InsertAfterIndex(i, x);
}

// ---- RWSlistCollectablesStack ----

RWSlistCollectablesStack::~RWSlistCollectablesStack() = default;

RW_COLLECTABLE_KIND_DEFINE(RWSlistCollectablesStack)

RWCollectable* RWSlistCollectablesStack::Add(RWCollectable* x) { return list_.Prepend(x); }

RWCollectable* RWSlistCollectablesStack::RemoveEqual(const RWCollectable*) { return list_.RemoveFirst(); }

void RWSlistCollectablesStack::RemoveEqualAndDelete(const RWCollectable*) {}

RWCollectable* RWSlistCollectablesStack::Append(RWCollectable*) { return nullptr; }

namespace {
void AppendToList(RWObjectCollection& collection, RWCollectable* element) {
  static_cast<RWSlistCollectablesStack&>(collection).List().Append(element);
}
}  // namespace

void RWSlistCollectablesStack::RestoreMembers(RWVirtualInStream& stream) { RestoreElements(stream, &AppendToList); }

void RWSlistCollectablesStack::RestoreMembersFromFile(RWBinaryFile& file) {
  RestoreElementsFromFile(file, &AppendToList);
}

// ---- RWSlistCollectablesIterator ----

RWSlistCollectablesIterator::~RWSlistCollectablesIterator() = default;

RWCollectable* RWSlistCollectablesIterator::FindNext(const RWCollectable* target) {
  return cursor_.FindNextMatch(&ElementIsEqual, target);
}

RWCollectable* RWSlistCollectablesIterator::Key() const { return cursor_.Key(); }

RWCollectable* RWSlistCollectablesIterator::Next() { return cursor_.Next(); }

void RWSlistCollectablesIterator::Reset() { cursor_.Reset(); }

RWCollectable* RWSlistCollectablesIterator::RemoveNext(const RWCollectable* target) {
  return cursor_.RemoveNextMatch(&ElementIsEqual, target);
}

// ---- Factory create functions ----

RWCollectable* RWSlistCollectablesCreate() { return new RWSlistCollectables; }

RWCollectable* RWSlistCollectablesStackCreate() { return new RWSlistCollectablesStack; }
