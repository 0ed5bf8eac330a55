// GCommandComposite: a command that stands for an ordered list of other
// commands, so that one command can be replaced by several on its way down
// the print path (a page together with its copies, a document start
// followed by every spooled page). The members are held by counted handles
// in a member list; the composite itself does not dispatch.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/GCommand.h"
#include "model/MPersistentComposite.h"
#include "rw/RWMembers.h"

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
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GCommandComposite);
  // The same object, or the command parts match and the members match in order.
  int Matches(const MPersistentObject* other) const override;

  // Stored body after the command part: version 1, then the member list as
  // one object (its count and each member). A restored composite reports
  // itself unmodified; a stored member that is not a command fails the read.
  RW_STORED_MEMBERS();

  // Appends (prepends) a command, which the composite takes over, and marks
  // the composite modified. Anything else is deleted at once unless a
  // handle holds it; a command that would make the composite contain
  // itself (this composite, or one that holds it somewhere below) is
  // refused and left to its holders.
  void AddChild(MPersistentObject* child) override;
  void PrependChild(MPersistentObject* child) override;
  // Forwarded to the member list; the composite is marked modified only
  // when something was removed (replaced), and the list's answer returned.
  MPersistentObject* RemoveChild(const MPersistentObject* child) override;
  MPersistentObject* RemoveChildById(const int32_t& id) override;
  MPersistentObject* RemoveChildByClass(const RWClassID& classId) override;
  // The replacements must be commands too; anything else replaces nothing.
  int ReplaceChildById(const int32_t& id, const MPersistentObject* with) override;
  int ReplaceChildByClass(const RWClassID& classId, const MPersistentObject* with) override;
  int ReplaceChild(const MPersistentObject* old, const MPersistentObject* with) override;
  int ReplaceChildByKind(const RWClassID& classId, const MPersistentObject* with) override;
  // Searches and collections over the members.
  MPersistentObject* FindById(const int32_t& id) override;
  MPersistentObject* FindByClass(const RWClassID& classId) override;
  MPersistentObject* FindMatch(const MPersistentObject* other) override;
  MPersistentObject* FindByKind(const RWClassID& classId) override;
  MPersistentComposite* CollectByClass(const RWClassID& classId, MPersistentComposite* into) override;
  MPersistentComposite* CollectById(const int32_t& id, MPersistentComposite* into) override;
  MPersistentComposite* SelectById(const int32_t& id) override;
  MPersistentComposite* SelectByClass(const RWClassID& classId) override;
  MPersistentComposite* CollectByKind(const RWClassID& classId, MPersistentComposite* into) override;
  MPersistentComposite* SelectByKind(const RWClassID& classId) override;
  // The member list, which is how a sender recognises a composite.
  MPersistentComposite* AsComposite() override;
  int GetEntryCount() const override;
  int GetNodeCount() const override;
  // Over the members; the caller deletes it.
  MPersistentIterator* CreateIterator() override;

  // Pins every member in order.
  void PinResources() override;
  // A composite does not dispatch: 0 without calling the peripheral.
  int16_t Dispatch(GPeripheral* peripheral) override;

  // Member i, borrowed; null past the end.
  GCommand* MemberAt(size_t index) const;

 private:
  // True when holding the object would make this composite contain itself.
  bool WouldHoldItself(const MPersistentObject* object) const;
  // A command that may become a member; deletes what is refused and not held.
  bool Accept(MPersistentObject* child);
  bool AcceptReplacement(const MPersistentObject* with) const;

  MPersistentComposite members_;
};

// The stored member list of a command that holds one (the command
// composite, the graphic composite), after the command's own part: version
// 1, then the list as one object. A read starts only on input that is
// still good; a stored version other than 1 leaves the list as it is; a
// member that accept refuses empties the list and fails the restore. The
// reads answer true when a list was read. One step of the holder's
// Members: the size and the writes walk it as well.
template <typename Archive>
bool GMemberListMembers(Archive& archive, MPersistentComposite& list, bool (*accept)(const MPersistentObject* member));

RWCollectable* GCommandCompositeCreate();
