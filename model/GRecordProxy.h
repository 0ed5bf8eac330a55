// GRecordProxy: the record of a composite that keeps its children in a
// record file of its own (an on-disk composite). Besides the record fields
// it holds a copy of that composite, so that a search that does not name
// the composite itself goes on into the composite's own store.
#pragma once

#include <cstdint>

#include "model/GCountedPtr.h"
#include "model/GRecord.h"
#include "rw/RWCollectableKind.h"
#include "rw/RWMembers.h"

constexpr RWClassID GRecordProxyClassId = 784;

class GRecordProxy : public GRecord {
 public:
  // No held object.
  GRecordProxy();
  // The composite's record fields and a Clone of it.
  explicit GRecordProxy(const MPersistentObject& composite);
  // The same record fields and a Clone of the held object.
  GRecordProxy(const GRecordProxy& other);
  ~GRecordProxy() override;

  static RWClassID StaticClassId() { return GRecordProxyClassId; }
  static uint32_t ClassVersion() { return 1; }

  RW_COLLECTABLE_KIND(GRecordProxy);
  // The record's size, the version and the held object's stored size.
  RW_STORED_MEMBERS();

  // The held composite, borrowed; null when there is none.
  MPersistentObject* Held() const { return held_.Pointee(); }

 protected:
  // The proxy's own key first; otherwise the held composite's handle
  // operations. Replacing by a matching object never goes further than
  // the proxy itself and never replaces it.
  void Take(GCountedRef& out, const GRecordKey& key, MPersistentCompositeOnDiskImp& store) override;
  int Replace(const GRecordKey& key, const GCountedRef& with, MPersistentCompositeOnDiskImp& store) override;
  void Peek(GCountedRef& out, const GRecordKey& key, MPersistentCompositeOnDiskImp& store) override;

 private:
  // Held by a counted handle: a damaged index that names one object in two
  // proxies then cannot make both delete it.
  GCountedRef held_;
};

RWCollectable* GRecordProxyCreate();
