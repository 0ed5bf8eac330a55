// GEnumAttribute: an enumerated setting (resolution, n-up layout, the media
// pool). Its children are the allowed options, all of one class and no two
// equal; one of them is selected. It applies itself with the receiver's
// SetEnum. The selection is kept as the position of the selected option,
// so replacing an option in place keeps it selected (the replacement is
// selected), and removing options moves it with the list.
#pragma once

#include "rw/RWMembers.h"

#include <cstdint>

#include "model/GAttributeComposite.h"

constexpr RWClassID GEnumAttributeClassId = 764;

class GEnumAttribute : public GAttributeComposite {
 public:
  // No options, no selection, element class 0.
  GEnumAttribute();
  explicit GEnumAttribute(const int32_t* id);
  // Shares the options; the same element class and the same selected option.
  GEnumAttribute(const GEnumAttribute& other);
  GEnumAttribute& operator=(const GEnumAttribute& other);
  ~GEnumAttribute() override;

  static RWClassID StaticClassId() { return GEnumAttributeClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GEnumAttribute);
  RWClassID GetTypeId() const override;
  // The container body, the version, the selected option (a reference to
  // one of the options already written) and the element class.
  RW_STORED_MEMBERS();
  // Same class, matching options, equal element classes, and both without
  // a selection or both with selected options that match.
  int Matches(const MPersistentObject* other) const override;

  // Takes the option over. An option of another class than the options
  // already held is destroyed; one equal to a held option is dropped (and
  // destroyed unless it is that option or a handle holds it). Otherwise it
  // is appended, and selected when nothing is selected yet.
  void AddChild(MPersistentObject* option) override;
  // The option found by FindById / FindByClass, removed by identity.
  GAttribute* RemoveChildById(const int32_t& id) override;
  GAttribute* RemoveChildByClass(const RWClassID& classId) override;
  // The container's, then no selection.
  void RemoveAllChildren() override;
  // A new enumeration of deep copies of the options that selects the copy
  // of the selected option.
  MPersistentObject* DeepCopy() const override;
  // Does nothing: an enumeration is never merged member by member.
  void Merge(GAttribute* other) override;
  // The receiver's SetEnum with itself; then clears its own changed flag.
  int16_t ApplyTo(GPeripheral* receiver) override;

  // The selected option, borrowed; null when none.
  GAttribute* GetSelected() const;
  // Selects the held option that is option or matches it and returns it;
  // null (and no change) when there is none.
  GAttribute* Select(const MPersistentObject* option);
  // The next / previous option in child order; nothing at either end or
  // without a selection.
  void SelectNext();
  void SelectPrevious();
  RWClassID GetElementClass() const { return elementClass_; }

 protected:
  void ChildRemovedAt(size_t index) override;

 private:
  // The position of the direct child that is option or matches it, or -1.
  long IndexOfHeldOption(const MPersistentObject* option);
  // Takes the selected option read back: one of the options, or nothing.
  void TakeSelection(MPersistentObject* read);

  long selected_;  // position of the selected option, -1 for none
  RWClassID elementClass_;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GEnumAttribute*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GEnumAttribute*& out);

RWCollectable* GEnumAttributeCreate();
