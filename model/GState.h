// GState: one state of a print-path stage (its current or default state,
// its configuration, the settings a command carries). A container of
// attributes in which each kind of setting occurs once: adding an attribute
// replaces the one with the same type id and feature id, and merging
// another state brings in only what differs and marks it changed, so the
// next apply sends only the differences.
#pragma once

#include <cstdint>

#include "model/GAttributeComposite.h"
#include "rw/RWMembers.h"

constexpr RWClassID GStateClassId = 758;

class GState : public GAttributeComposite {
 public:
  GState();
  explicit GState(const int32_t* id);
  GState(const GState& other);
  GState& operator=(const GState& other);
  ~GState() override;

  static RWClassID StaticClassId() { return GStateClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GState);
  RW_STORED_MEMBERS();

  // Takes the object over. A member with the same type id and feature id is
  // replaced at its position when it differs; when it matches, the state
  // keeps it and the new object is destroyed (unless it is that member or a
  // handle holds it). Otherwise the object is appended.
  void AddChild(MPersistentObject* child) override;
  // Another kind or feature id: other (marked changed) is added as one
  // member. The same kind and id: each member of other that is missing here
  // or differs is shared in and marked changed; nested plain states merge
  // member by member, and one that took in a difference is marked changed
  // too, so that applying this state reaches the difference.
  void Merge(GAttribute* other) override;

 protected:
  // The position of the first member with the type id and feature id of
  // the attribute, or -1.
  long IndexOfSameSetting(const GAttribute* attribute) const;

 private:
  // Merge; true when something was brought in or replaced.
  bool MergeFrom(GAttribute* other);
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GState*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GState*& out);

RWCollectable* GStateCreate();
