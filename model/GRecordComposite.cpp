#include "model/GRecordComposite.h"

#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

#include "model/GCountedPtr.h"
#include "model/MPersistentCompositeOnDiskImp.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWError.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

namespace {

// One element of a record list: the link, the handle on its record, and
// its place in the list's order (increasing along the list).
struct GRecordLink : RWDlistLink {
  explicit GRecordLink(const GRecordRef& held) : record(held) {}
  GRecordRef record;
  uint64_t order = 0;
};

uint64_t OrderOf(const RWDlistLink* link) { return static_cast<const GRecordLink*>(link)->order; }

// The composite records whose children are being read on this thread,
// innermost last. A child that is one of them would make a record hold
// itself.
thread_local std::vector<const GRecordComposite*> t_restoring;

class RestoringScope {
 public:
  explicit RestoringScope(const GRecordComposite* record) { t_restoring.push_back(record); }
  ~RestoringScope() { t_restoring.pop_back(); }
  RestoringScope(const RestoringScope&) = delete;
  RestoringScope& operator=(const RestoringScope&) = delete;

  static bool Contains(const GRecord* record) {
    for (const GRecordComposite* r : t_restoring)
      if (r == record) return true;
    return false;
  }
};

// A reference that cannot be a child record: the restore fails (the
// restore's interceptor takes the error) and frees what it created.
void RaiseBadRecord() {
  RWMessageText text(RWToolsMsg_REF());
  RWRaiseInternalLogicError(RWInternalLogicError(text));
}

}  // namespace

// ---- The index's search summary ----

// For each record of the index: the keys that a search of it can answer,
// by kind (class id, feature id, serial), each with the record's order; and
// the records a search must always visit, those holding a proxy (which
// searches another store) or a record of another class. A composite record
// may lose children after it was summarised: its keys then stay, and a
// search visits it for nothing, which is harmless.
class GRecordComposite::SearchSummary {
 public:
  using Slot = std::pair<int64_t, uint64_t>;  // key value, order

  void Add(RWDlistLink* link) {
    const uint64_t order = OrderOf(link);
    std::vector<Keys> keys;
    bool always = false;
    Collect(GRecordComposite::RecordAt(link), keys, always);
    if (always) alwaysVisited_.emplace(order, link);
    for (const Keys& k : keys) {
      byKind_[0].emplace(Slot(k.classId, order), link);
      byKind_[1].emplace(Slot(k.featureId, order), link);
      byKind_[2].emplace(Slot(k.serial, order), link);
    }
    // A plain record's keys never change and are read from it again; a
    // composite's children may go, so what it was summarised with is kept.
    if (keys.size() > 1) composite_.emplace(link, std::move(keys));
  }

  void Remove(RWDlistLink* link) {
    const uint64_t order = OrderOf(link);
    alwaysVisited_.erase(order);
    const auto found = composite_.find(link);
    if (found == composite_.end()) {
      Erase(KeysOf(*GRecordComposite::RecordAt(link)), order);
      return;
    }
    for (const Keys& k : found->second) Erase(k, order);
    composite_.erase(found);
  }

  // The first link after the order that can answer the key, or null.
  RWDlistLink* Next(uint64_t after, const GRecordKey& key) const {
    RWDlistLink* best = nullptr;
    uint64_t bestOrder = UINT64_MAX;
    if (key.valid) {
      const int64_t value = KeyValue(key);
      const auto& slots = byKind_[key.kind];
      const auto it = slots.lower_bound(Slot(value, after + 1));
      if (it != slots.end() && it->first.first == value) {
        best = it->second;
        bestOrder = it->first.second;
      }
    }
    const auto always = alwaysVisited_.lower_bound(after + 1);
    if (always != alwaysVisited_.end() && always->first < bestOrder) best = always->second;
    return best;
  }

 private:
  static int64_t KeyValue(const GRecordKey& key) {
    switch (key.kind) {
      case GRecordKey::kClass: return key.classId;
      case GRecordKey::kFeatureId: return key.featureId;
      case GRecordKey::kSerial: return key.serial;
    }
    return 0;
  }

  struct Keys {
    uint32_t classId;
    int32_t featureId;
    uint32_t serial;
  };
  static Keys KeysOf(const GRecord& record) { return {record.RecordClassId(), record.FeatureId(), record.Serial()}; }

  // The keys a search of the record can name: those of plain and composite
  // records throughout; any other record makes the whole entry one to visit
  // always.
  static void Collect(GRecord* record, std::vector<Keys>& keys, bool& always) {
    const RWClassID id = record->ClassId();
    if (id != GRecordClassId && id != GRecordCompositeClassId) {
      always = true;
      return;
    }
    keys.push_back(KeysOf(*record));
    if (id != GRecordCompositeClassId) return;
    const RWIntrusiveDlist& links = record->AsComposite()->Links();
    for (RWDlistLink* link = links.First(); link != links.Tail(); link = link->next)
      Collect(GRecordComposite::RecordAt(link), keys, always);
  }

  void Erase(const Keys& k, uint64_t order) {
    byKind_[0].erase(Slot(k.classId, order));
    byKind_[1].erase(Slot(k.featureId, order));
    byKind_[2].erase(Slot(k.serial, order));
  }

  std::map<Slot, RWDlistLink*> byKind_[3];
  std::map<uint64_t, RWDlistLink*> alwaysVisited_;
  // The keys each composite entry was summarised with.
  std::unordered_map<const RWDlistLink*, std::vector<Keys>> composite_;
};

GRecordComposite::GRecordComposite() = default;

GRecordComposite::GRecordComposite(const MPersistentObject& composite) : GRecord(composite) {}

GRecordComposite::GRecordComposite(const GRecordComposite& other) : GRecord(other) {
  for (RWDlistLink* link = other.records_.First(); link != other.records_.Tail(); link = link->next)
    AddRecord(GRecordRef(RecordAt(link)));
}

GRecordComposite::~GRecordComposite() { ClearRecords(); }

RW_COLLECTABLE_KIND_DEFINE(GRecordComposite)

GRecord* GRecordComposite::RecordAt(const RWDlistLink* link) {
  return static_cast<const GRecordLink*>(link)->record.Pointee();
}

RWDlistLink* GRecordComposite::LastLinkOf(const GRecord* record) const {
  for (RWDlistLink* link = records_.Last(); link != records_.Head(); link = link->previous)
    if (RecordAt(link) == record) return link;
  return nullptr;
}

void GRecordComposite::DropLink(RWDlistLink* link) { delete static_cast<GRecordLink*>(UnlinkRecord(link)); }

RWDlistLink* GRecordComposite::UnlinkRecord(RWDlistLink* link) {
  if (summary_ != nullptr) summary_->Remove(link);
  return records_.Unlink(link);
}

void GRecordComposite::LinkRecordAfter(RWDlistLink* previous, RWDlistLink* link) {
  records_.InsertAfter(previous, link);
  if (summary_ != nullptr) summary_->Add(link);
}

void GRecordComposite::ForgetSearchSummary() { summary_.reset(); }

RWDlistLink* GRecordComposite::FirstToVisit(const GRecordKey& key) {
  if (!isIndex_) return records_.First();
  if (summary_ == nullptr) {
    summary_ = std::make_unique<SearchSummary>();
    for (RWDlistLink* link = records_.First(); link != records_.Tail(); link = link->next) summary_->Add(link);
  }
  RWDlistLink* next = summary_->Next(0, key);
  return next != nullptr ? next : records_.Tail();
}

RWDlistLink* GRecordComposite::NextToVisit(RWDlistLink* link, const GRecordKey& key) {
  if (summary_ == nullptr || !isIndex_) return link->next;
  RWDlistLink* next = summary_->Next(OrderOf(link), key);
  return next != nullptr ? next : records_.Tail();
}

GRecordComposite* GRecordComposite::AsComposite() { return this; }

void GRecordComposite::AddRecord(const GRecordRef& record) {
  if (record.IsEmpty()) return;
  auto* link = new GRecordLink(record);
  link->order = ++lastOrder_;
  LinkRecordAfter(records_.Last(), link);
}

void GRecordComposite::ClearRecords() {
  summary_.reset();
  // Each record is let go of after its link has left the list, so a record
  // whose deletion reaches this list again finds it consistent.
  while (!records_.IsEmpty()) DropLink(records_.First());
}

int GRecordComposite::GetChildCount() const { return static_cast<int>(records_.Count()); }

int GRecordComposite::GetRecordCount() const {
  int count = 0;
  for (RWDlistLink* link = records_.First(); link != records_.Tail(); link = link->next)
    count += RecordAt(link)->GetRecordCount();
  return count;
}

// ---- Stored form ----

// The version, the record count and each record as an object reference;
// the records are sized as references inside one save, as written.
template <typename Archive>
void GRecordComposite::Members(Archive& archive) {
  archive.Version(ClassVersion());
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    ClearRecords();
  }
  uint32_t count = static_cast<uint32_t>(records_.Count());
  archive(count);
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    RestoreChildren(count, [&archive] {
      RWCollectable* object = nullptr;
      archive.Pointer(object);
      return object;
    });
  } else {
    for (RWDlistLink* link = records_.First(); link != records_.Tail(); link = link->next)
      archive.Pointer(RecordAt(link));
  }
}

RW_STORED_MEMBERS_DEFINE(GRecordComposite, GRecord)

template <typename ReadOne>
void GRecordComposite::RestoreChildren(uint32_t count, ReadOne read) {
  RestoringScope scope(this);
  // Every reference takes bytes of the input, and a failed or ended read
  // ends the loop: the stored count bounds nothing by itself.
  for (uint32_t i = 0; i < count; ++i) {
    RWCollectable* object = read();
    if (RWReadTableGuard::RestoreFailed()) return;
    auto* record = dynamic_cast<GRecord*>(object);
    if (record == nullptr || record->HolderCount() != -1 || RestoringScope::Contains(record)) {
      RaiseBadRecord();
      return;
    }
    // Held from now on by this list, which lets go of it itself.
    RWReadTableGuard::Adopt(record);
    AddRecord(GRecordRef(record));
  }
}

// ---- Searches ----

void GRecordComposite::Take(GCountedRef& out, const GRecordKey& key, MPersistentCompositeOnDiskImp& store) {
  out.Assign(GCountedRef());
  if (!isIndex_) {
    TakeOwn(out, key, store);
    if (!out.IsEmpty()) return;
  }
  for (RWDlistLink* link = FirstToVisit(key); link != records_.Tail(); link = NextToVisit(link, key)) {
    GRecordRef child(RecordAt(link));
    if (key.Names(*child)) {
      child->Take(out, key, store);
      DropLink(link);
      return;
    }
    child->Take(out, key, store);
    if (!out.IsEmpty()) return;
  }
}

int GRecordComposite::Replace(const GRecordKey& key, const GCountedRef& with, MPersistentCompositeOnDiskImp& store) {
  if (!isIndex_) {
    if (ReplaceOwn(key, with, store) == 1) return 1;
  }
  for (RWDlistLink* link = FirstToVisit(key); link != records_.Tail(); link = NextToVisit(link, key)) {
    GRecordRef child(RecordAt(link));
    if (key.Names(*child)) {
      const int result = child->Replace(key, with, store);
      if (result == 1) {
        // The store appended the new object's record to its index; it
        // takes the old record's place here.
        GRecordRef made = store.TakeReplacement();
        GRecordComposite& index = store.Index();
        RWDlistLink* madeLink = made.IsEmpty() ? nullptr : index.LastLinkOf(made.Pointee());
        if (madeLink != nullptr) {
          index.UnlinkRecord(madeLink);
          // It takes the old record's place in the order as well.
          const uint64_t order = OrderOf(link);
          records_.InsertAfter(link, madeLink);
          DropLink(link);
          static_cast<GRecordLink*>(madeLink)->order = order;
          if (summary_ != nullptr) summary_->Add(madeLink);
          // Below the index's own records the new record's keys are not in
          // the index's summary.
          if (this != &index) index.ForgetSearchSummary();
        }
      }
      return result;
    }
    if (child->Replace(key, with, store) == 1) return 1;
  }
  return 0;
}

void GRecordComposite::Peek(GCountedRef& out, const GRecordKey& key, MPersistentCompositeOnDiskImp& store) {
  out.Assign(GCountedRef());
  if (!isIndex_) {
    PeekOwn(out, key, store);
    if (!out.IsEmpty()) return;
  }
  for (RWDlistLink* link = FirstToVisit(key); link != records_.Tail(); link = NextToVisit(link, key)) {
    GRecordRef child(RecordAt(link));
    child->Peek(out, key, store);
    if (!out.IsEmpty() || key.Names(*child)) return;
  }
}

RWCollectable* GRecordCompositeCreate() { return new GRecordComposite; }
