#include "model/GRecordComposite.h"

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

// One element of a record list: the link and the handle on its record.
struct GRecordLink : RWDlistLink {
  explicit GRecordLink(const GRecordRef& held) : record(held) {}
  GRecordRef record;
};

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

GRecordComposite::GRecordComposite() = default;

GRecordComposite::GRecordComposite(const MPersistentObject& composite) : GRecord(composite) {}

GRecordComposite::GRecordComposite(const GRecordComposite& other) : GRecord(other) {
  for (RWDlistLink* link = other.records_.First(); link != other.records_.Tail(); link = link->next)
    AddRecord(GRecordRef(RecordAt(link)));
}

GRecordComposite::~GRecordComposite() { ClearRecords(); }

RWCollectable* GRecordComposite::CreateSameKind() const { return new GRecordComposite; }
GRecordComposite* GRecordComposite::Clone() const { return new GRecordComposite(*this); }
RWClassID GRecordComposite::ClassId() const { return GRecordCompositeClassId; }

GRecord* GRecordComposite::RecordAt(const RWDlistLink* link) {
  return static_cast<const GRecordLink*>(link)->record.Pointee();
}

RWDlistLink* GRecordComposite::LastLinkOf(const GRecord* record) const {
  for (RWDlistLink* link = records_.Last(); link != records_.Head(); link = link->previous)
    if (RecordAt(link) == record) return link;
  return nullptr;
}

void GRecordComposite::DropLink(RWDlistLink* link) { delete static_cast<GRecordLink*>(records_.Unlink(link)); }

GRecordComposite* GRecordComposite::AsComposite() { return this; }

void GRecordComposite::AddRecord(const GRecordRef& record) {
  if (record.IsEmpty()) return;
  records_.InsertAfter(records_.Last(), new GRecordLink(record));
}

void GRecordComposite::ClearRecords() {
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

uint32_t GRecordComposite::MembersStoreSize() const {
  // The children are sized as references inside one save, as written.
  RWStoreTableGuard guard;
  uint32_t size = GRecord::MembersStoreSize() + 8;
  for (RWDlistLink* link = records_.First(); link != records_.Tail(); link = link->next)
    size += RecordAt(link)->StoredByteCount();
  return size;
}

void GRecordComposite::SaveMembers(RWVirtualOutStream& stream) const {
  GRecord::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  stream.PutULong(static_cast<uint32_t>(records_.Count()));
  for (RWDlistLink* link = records_.First(); link != records_.Tail(); link = link->next)
    RWWriteObjectPointer(stream, RecordAt(link));
}

void GRecordComposite::SaveMembersToFile(RWBinaryFile& file) const {
  GRecord::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  file.WriteULong(static_cast<uint32_t>(records_.Count()));
  for (RWDlistLink* link = records_.First(); link != records_.Tail(); link = link->next)
    RWWriteObjectPointerToFile(file, RecordAt(link));
}

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

void GRecordComposite::RestoreMembers(RWVirtualInStream& stream) {
  GRecord::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  ClearRecords();
  uint32_t count = 0;
  stream.GetULong(count);
  if (!stream.Good()) return;
  RestoreChildren(count, [&stream] {
    RWCollectable* object = nullptr;
    RWReadObjectPointer(stream, object);
    return object;
  });
}

void GRecordComposite::RestoreMembersFromFile(RWBinaryFile& file) {
  GRecord::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  ClearRecords();
  uint32_t count = 0;
  if (!file.ReadULong(count)) return;
  RestoreChildren(count, [&file] {
    RWCollectable* object = nullptr;
    RWReadObjectPointerFromFile(file, object);
    return object;
  });
}

// ---- Searches ----

void GRecordComposite::Take(GCountedRef& out, const GRecordKey& key, MPersistentCompositeOnDiskImp& store) {
  out.Assign(GCountedRef());
  if (!isIndex_) {
    TakeOwn(out, key, store);
    if (!out.IsEmpty()) return;
  }
  for (RWDlistLink* link = records_.First(); link != records_.Tail(); link = link->next) {
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
  for (RWDlistLink* link = records_.First(); link != records_.Tail(); link = link->next) {
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
          index.records_.Unlink(madeLink);
          records_.InsertAfter(link, madeLink);
          DropLink(link);
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
  for (RWDlistLink* link = records_.First(); link != records_.Tail(); link = link->next) {
    GRecordRef child(RecordAt(link));
    child->Peek(out, key, store);
    if (!out.IsEmpty() || key.Names(*child)) return;
  }
}

RWCollectable* GRecordCompositeCreate() { return new GRecordComposite; }
