// GRecordComposite: the record of a composite that a record store has
// written as its children's blocks followed by a shell of the composite
// itself. It holds the child records in order, each by a counted handle.
// The store's index of everything it holds is one too: its own fields stay
// zero, so its searches always go on to its children. The index keeps, once
// it has been searched, a summary of which of its records can answer which
// key, so that a search visits only those (in order) instead of every record.
#pragma once

#include <cstdint>
#include <memory>

#include "model/GRecord.h"
#include "rw/RWCollectableKind.h"
#include "rw/RWIntrusiveDlist.h"
#include "rw/RWMembers.h"

constexpr RWClassID GRecordCompositeClassId = 785;

class GRecordComposite : public GRecord {
 public:
  // No child records, class id, serial and feature id 0 (an index).
  GRecordComposite();
  // The composite's record fields and no child records yet.
  explicit GRecordComposite(const MPersistentObject& composite);
  // The same record fields and the same child records (shared).
  GRecordComposite(const GRecordComposite& other);
  // Lets go of every child record.
  ~GRecordComposite() override;

  static RWClassID StaticClassId() { return GRecordCompositeClassId; }
  static uint32_t ClassVersion() { return 1; }

  RW_COLLECTABLE_KIND(GRecordComposite);
  // The version, count and the children. Restoring reads only records,
  // each a new one that nothing else holds: a damaged input that names
  // anything else (another object, a record already placed, one of the
  // records still being read) fails the restore, so the records always form
  // a tree.
  RW_STORED_MEMBERS();

  GRecordComposite* AsComposite() override;
  // Appends the record (an empty handle is ignored).
  void AddRecord(const GRecordRef& record) override;
  // The sum of the children's record counts; the composite's own record is
  // not counted.
  int GetRecordCount() const override;
  // Lets go of every child record.
  virtual void ClearRecords();
  // The number of direct child records.
  virtual int GetChildCount() const;

  // ---- The list of child records ----
  RWIntrusiveDlist& Links() { return records_; }
  // The record that a link of this list holds.
  static GRecord* RecordAt(const RWDlistLink* link);
  // The last link that holds the record, or null.
  RWDlistLink* LastLinkOf(const GRecord* record) const;
  // Makes this the index of a store: its own record then never answers a
  // search (an object stored with serial 0 would otherwise name it, and
  // taking the index would take everything).
  void MarkAsIndex() { isIndex_ = true; }
  // Forgets the index's search summary; the next search makes it anew. For
  // a change below the index's own records that adds keys (a record
  // replaced inside a composite record).
  void ForgetSearchSummary();

 protected:
  // The composite's own record first, then the children in order: a child
  // whose own key matches answers (and, for take and replace, leaves this
  // list); any other child searches its own children or store.
  void Take(GCountedRef& out, const GRecordKey& key, MPersistentCompositeOnDiskImp& store) override;
  int Replace(const GRecordKey& key, const GCountedRef& with, MPersistentCompositeOnDiskImp& store) override;
  void Peek(GCountedRef& out, const GRecordKey& key, MPersistentCompositeOnDiskImp& store) override;

 private:
  class SearchSummary;

  // The links a search for the key visits, in list order: every link, or
  // for an index those its summary names (made on the index's first search).
  RWDlistLink* FirstToVisit(const GRecordKey& key);
  RWDlistLink* NextToVisit(RWDlistLink* link, const GRecordKey& key);
  // Unlinks the link, keeping the summary right, and returns it.
  RWDlistLink* UnlinkRecord(RWDlistLink* link);
  // Links the link after previous, keeping the summary right.
  void LinkRecordAfter(RWDlistLink* previous, RWDlistLink* link);
  // Reads the child records after the version; read gets one reference.
  template <typename ReadOne>
  void RestoreChildren(uint32_t count, ReadOne read);
  // Unlinks the link and lets go of its record.
  void DropLink(RWDlistLink* link);

  RWIntrusiveDlist records_;
  bool isIndex_ = false;
  uint64_t lastOrder_ = 0;  // the order of the last link added
  std::unique_ptr<SearchSummary> summary_;
};

RWCollectable* GRecordCompositeCreate();
