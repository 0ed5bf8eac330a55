// GGraphic: the base of the graphics objects, the commands of the print path
// that each draw one thing (a path, a shape, an image, a text string). A
// graphic carries its graphic state as its settings, a GGraphicBundle that
// is always stamped with the graphics-state section id (244), so that a
// peripheral merges it into that section and applies the changed attributes
// before the graphic calls its one drawing operation.
//
// GGraphicComposite: a graphic that stands for an ordered list of member
// graphics. A peripheral sends the members one by one; the composite itself
// draws nothing. GPathGraphic (a path) derives from it but is sent whole.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/GCommand.h"
#include "model/MPersistentComposite.h"

class GState;

constexpr RWClassID GGraphicClassId = 602;
constexpr RWClassID GGraphicCompositeClassId = 607;

class GGraphic : public GCommand {
 public:
  // Holds one reference on the settings, which are stamped with id 244.
  GGraphic(GState* settings, const int32_t* id);
  GGraphic(const GGraphic& other);
  GGraphic& operator=(const GGraphic& other);
  ~GGraphic() override;

  static RWClassID StaticClassId() { return GGraphicClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_ID();
  // Same feature id, and the same settings or settings that match.
  int Matches(const MPersistentObject* other) const override;
  // Stored body after the command part: a version, read and not compared.
  RW_STORED_MEMBERS();

  // A graphic bundle is stamped with id 244 and installed; anything else is
  // destroyed (unless a handle holds it) and the old settings stay.
  void SetSettings(MPersistentObject* settings) override;
};

class GGraphicComposite : public GGraphic {
 public:
  // Feature id 0, no settings, no members.
  GGraphicComposite();
  // The graphic part and an empty member list.
  GGraphicComposite(GState* settings, const int32_t* id);
  // Shares the settings and the members (new handles on the same objects).
  GGraphicComposite(const GGraphicComposite& other);
  GGraphicComposite& operator=(const GGraphicComposite& other);
  ~GGraphicComposite() override;

  static RWClassID StaticClassId() { return GGraphicCompositeClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GGraphicComposite);
  // The same object, or the same class, matching graphic parts and members
  // that match in order.
  int Matches(const MPersistentObject* other) const override;

  // Stored body after the graphic part: version 1, then the member list as
  // one object. A stored version other than 1 leaves the members as they
  // were; a stored member that is not a graphic fails the read.
  RW_STORED_MEMBERS();

  // Appends a graphic, which the composite takes over. Anything else is
  // destroyed at once unless a handle holds it; a graphic that would make
  // the composite contain itself is refused and left to its holders.
  void AddChild(MPersistentObject* child) override;
  MPersistentObject* RemoveChild(const MPersistentObject* child) override;
  MPersistentObject* RemoveChildById(const int32_t& id) override;
  MPersistentObject* RemoveChildByClass(const RWClassID& classId) override;
  // The replacements must be graphics too; anything else replaces nothing.
  int ReplaceChildById(const int32_t& id, const MPersistentObject* with) override;
  int ReplaceChildByClass(const RWClassID& classId, const MPersistentObject* with) override;
  int ReplaceChild(const MPersistentObject* old, const MPersistentObject* with) override;
  int ReplaceChildByKind(const RWClassID& classId, const MPersistentObject* with) override;
  void RemoveAllChildren() override;
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
  // The member list, which is how a peripheral recognises a composite.
  MPersistentComposite* AsComposite() override;
  int GetEntryCount() const override;
  int GetNodeCount() const override;
  // Over the members in order; the caller deletes it.
  MPersistentIterator* CreateIterator() override;

  // Pins every member in order.
  void PinResources() override;
  // Draws nothing: 0.
  int16_t Dispatch(GPeripheral* peripheral) override;

  // The members, whatever the kind of composite (a path hides them from the
  // generic walks but its drawing visits them here). The caller deletes
  // the iterator.
  MPersistentIterator* CreateMemberIterator();
  size_t MemberCount() const;
  // Member i, borrowed; null past the end.
  GGraphic* MemberAt(size_t index) const;

 private:
  bool WouldHoldItself(const MPersistentObject* object) const;
  bool AcceptReplacement(const MPersistentObject* with) const;

  MPersistentComposite members_;
};

RWCollectable* GGraphicCompositeCreate();
