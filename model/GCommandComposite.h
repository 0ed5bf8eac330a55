// GCommandComposite: a command that stands for an ordered list of other
// commands, so that one command can be replaced by several on its way down
// the print path (a page together with the data an extension adds to it).
// The members are held by counted handles in a member list; the composite
// itself does not dispatch.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/GCommand.h"
#include "model/MPersistentComposite.h"

constexpr RWClassID GCommandCompositeClassId = 605;

class GCommandComposite : public GCommand {
 public:
  // Feature id 0, no members.
  GCommandComposite();
  // Shares the settings and the members.
  GCommandComposite(const GCommandComposite& other);
  GCommandComposite& operator=(const GCommandComposite& other);
  ~GCommandComposite() override;

  static RWClassID StaticClassId() { return GCommandCompositeClassId; }

  GCommandComposite* CreateSameKind() const override;
  GCommandComposite* Clone() const override;
  RWClassID ClassId() const override;
  int DerivesFrom(RWClassID classId) const override;
  // The same object, or the command parts match and the members match in order.
  int Matches(const MPersistentObject* other) const override;

  // Appends a command (the composite takes it over); anything else is
  // deleted at once unless a handle holds it.
  void AddChild(MPersistentObject* child) override;
  // The member list, which is how a sender recognises a composite.
  MPersistentComposite* AsComposite() override;
  int GetEntryCount() const override;
  // Over the members; the caller deletes it.
  MPersistentIterator* CreateIterator() override;

  // Pins every member in order.
  void PinResources() override;
  // A composite does not dispatch: 0 without calling the peripheral.
  int16_t Dispatch(GPeripheral* peripheral) override;

  // Member i, borrowed; null past the end.
  GCommand* MemberAt(size_t index) const;

 private:
  MPersistentComposite members_;
};
