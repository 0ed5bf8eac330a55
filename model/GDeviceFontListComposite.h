// GDeviceFontListComposite: the device font lists of a printer, one
// GDeviceFontList per storage device under the device's id. The driver
// instance stores it as "AddedFonts". For the model's search interface it is
// a leaf; its lists are reached through the operations here and through
// CreateIterator.
#pragma once

#include <cstdint>

#include "model/MPersistentComposite.h"
#include "model/MPersistentObject.h"
#include "rw/RWMembers.h"

constexpr RWClassID GDeviceFontListCompositeClassId = 873;

class GDeviceFontListComposite : public MPersistentObject {
 public:
  // Id 414, no lists.
  GDeviceFontListComposite();
  // Id 0 and a new serial; shares the source's lists.
  GDeviceFontListComposite(const GDeviceFontListComposite& other);
  // Shares the source's lists in place of its own.
  GDeviceFontListComposite& operator=(const GDeviceFontListComposite& other);
  ~GDeviceFontListComposite() override;

  static RWClassID StaticClassId() { return GDeviceFontListCompositeClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GDeviceFontListComposite);
  RW_STORED_MEMBERS();
  // Same class and id, and lists that match in order.
  int Matches(const MPersistentObject* other) const override;
  // Over the lists; the caller deletes it.
  MPersistentIterator* CreateIterator() override;

  // The container holds the list.
  void Add(MPersistentObject* list);
  void Prepend(MPersistentObject* list);
  // The caller owns the result (a copy when the list is held elsewhere).
  MPersistentObject* RemoveById(int32_t id);
  // A deep copy of with replaces the list of that id; 1 when one was there.
  int ReplaceById(int32_t id, const MPersistentObject* with);
  void RemoveAll();
  // The list of that id, borrowed, or null.
  MPersistentObject* FindListById(int32_t id);
  int GetCount() const { return lists_.GetEntryCount(); }
  // Adds a deep copy of each direct child of other, in order.
  void AddAllFrom(MPersistentObject* other);
  // Each direct child of other replaces the list of its id (as a deep
  // copy), or is put in front (as a deep copy) when there is none.
  void Merge(MPersistentObject* other);

  MPersistentComposite& Lists() { return lists_; }

 private:
  MPersistentComposite lists_;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GDeviceFontListComposite*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GDeviceFontListComposite*& out);

RWCollectable* GDeviceFontListCompositeCreate();
