// GPeripheralComposite: a peripheral made of an ordered list of child
// peripherals. Besides the peripheral's own parts it keeps its own part of
// the current and default state and its own configuration, and it observes
// each child it holds. It is the base of the PJL peripheral, of the
// printer-language generators and of the printer. The model's tree
// operations (finds, collects, counts, the iterator) work on the children.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/GCountedPtr.h"
#include "model/GFeatureIds.h"
#include "model/GPeripheral.h"
#include "model/MPersistentComposite.h"

constexpr RWClassID GPeripheralCompositeClassId = 770;

class GPeripheralComposite : public GPeripheral {
 public:
  // The peripheral's parts, a new empty GState (243) as own current and as
  // own default state, a new empty GState (198) as own configuration, no
  // children.
  GPeripheralComposite();
  explicit GPeripheralComposite(const int32_t* id);
  GPeripheralComposite(const RWCString& name, GState* defaultState, GConfiguration* configuration,
                       const int32_t* id, int32_t addOnListId, int32_t addOnKind, int32_t addOnMode);
  // Shares the children (and observes them, as it holds them) and the own
  // states and configuration.
  GPeripheralComposite(const GPeripheralComposite& other);
  // Nothing when the two do not differ; otherwise as the copy.
  GPeripheralComposite& operator=(const GPeripheralComposite& other);
  // Stops observing every child, then lets go of them.
  ~GPeripheralComposite() override;

  static RWClassID StaticClassId() { return GPeripheralCompositeClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GPeripheralComposite);
  // Same class, equal peripheral parts, own states and own configuration
  // that do not differ, and children that match pairwise.
  int Matches(const MPersistentObject* other) const override;
  // A clone with deep copies of the peripheral's and its own states and
  // configuration, and deep copies of the children added one by one.
  MPersistentObject* DeepCopy() const override;

  // Stored body after the peripheral's: version 1; the children as one
  // object (a list whose members are the child peripherals); own current
  // state, own default state, own configuration as object references.
  RW_STORED_MEMBERS();

  // ---- Children ----
  // A peripheral is appended (prepended) and observed; anything else is
  // destroyed unless a handle holds it. An object that would make the tree
  // hold itself is left alone.
  void AddChild(MPersistentObject* child) override;
  void PrependChild(MPersistentObject* child) override;
  // The caller owns what comes back (the child itself, or a copy when it is
  // still held elsewhere); the composite stops observing the child.
  MPersistentObject* RemoveChild(const MPersistentObject* child) override;
  MPersistentObject* RemoveChildById(const int32_t& id) override;
  MPersistentObject* RemoveChildByClass(const RWClassID& classId) override;
  void RemoveAllChildren() override;
  // A deep copy of a peripheral takes the place of the child; a child that
  // leaves is no longer observed and the new one is. Non-peripherals are
  // refused (0).
  int ReplaceChildById(const int32_t& id, const MPersistentObject* with) override;
  int ReplaceChildByClass(const RWClassID& classId, const MPersistentObject* with) override;
  int ReplaceChild(const MPersistentObject* old, const MPersistentObject* with) override;
  int ReplaceChildByKind(const RWClassID& classId, const MPersistentObject* with) override;
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
  // The list of children. Changes made on it directly bypass the observer
  // bookkeeping; use the composite's own operations to change children.
  MPersistentComposite* AsComposite() override;
  int GetEntryCount() const override;
  int GetNodeCount() const override;
  MPersistentIterator* CreateIterator() override;

  // Child i, borrowed; null when there is none.
  GPeripheral* ChildAt(size_t index) const;
  size_t ChildCount() const { return children_.Children().Count(); }

  // ---- Passing commands ----
  // A document start (alone or inside a command composite) lets each
  // active child see it in turn and keeps the children that stay active as
  // the active list of the job. Any other command goes through the active
  // list in order; a child that answers with an error or no-op command ends
  // the walk, and that answer is returned. A document end or job abort then
  // empties the active list. The walk holds the children it visits, so a
  // child that leaves the composite on the way is neither lost nor reused.
  GCountedPtr Send(GCommand* command) override;
  // The children that took the current job's document start, in child
  // order; none outside a job.
  size_t ActiveCount() const { return active_.Children().Count(); }
  GPeripheral* ActiveAt(size_t index) const;
  // Add-on peripherals join the children at a document start and leave at
  // its end. A composite without add-ons (add-on mode 2) has nothing to do.
  virtual void InsertAddOns();
  virtual void RemoveAddOns();

  // ---- States and configuration ----
  // Stamp id 243 and hold the state both as the peripheral's and as the own
  // state.
  void SetDefaultState(GState* state) override;
  void SetCurrentState(GState* state) override;
  // Holds the configuration as own configuration, then rebuilds the
  // derived configuration.
  void SetConfiguration(GConfiguration* configuration) override;
  // A new empty own configuration (a GConfiguration, 198) in place of the
  // old one, which the caller owns (a copy when others still hold it).
  GConfiguration* ResetConfiguration() override;
  // The children first; then the own current state becomes a deep copy of
  // the own default state, which is also the peripheral's default state,
  // and the peripheral's rebuild follows.
  void RebuildCurrentState() override;
  // The peripheral's configuration becomes the own configuration followed
  // by each child's, in child order; then the observers are told.
  void OnPeripheralChanged(GPeripheral* source) override;
  // 1 when every child answers 1, active or not.
  int SupportsScaling() override;
  // The OR of the active children's flags.
  int GetEffectFlags() override;
  // (1.0, 1.0) times the scale of each active child, component by
  // component, with the arguments passed on; the walk ends once both
  // components are zero.
  GRealPair GetScale(GState* jobState, GState* pageSettings, int32_t pageNumber, int32_t* code) override;
  GState* GetOwnCurrentState() const;
  GState* GetOwnDefaultState() const;
  // A GState until a configuration is set, then a GConfiguration.
  MPersistentObject* GetOwnConfiguration() const { return ownConfiguration_.Pointee(); }

 protected:
  // Called after the children changed through this composite (added,
  // removed, replaced, restored, copied).
  virtual void ChildrenChanged();
  // Rebuilds the peripheral's configuration from the own one and the
  // children's.
  void RebuildConfiguration();
  // The direct children, each held for as long as the caller keeps the list.
  GCountedPtrVector HeldChildren() const { return children_.Children(); }

 private:
  void InitOwnParts();
  // Takes the child in (at the front or the back) and observes it.
  void TakeChild(MPersistentObject* child, bool atFront);
  void ObserveChildren();
  void StopObservingChildren();
  // Brings the observer links in step after the list changed from before.
  void Rewire(const std::vector<GPeripheral*>& before);
  std::vector<GPeripheral*> DirectChildren() const;
  // Drops from the active list every peripheral that is not a child now.
  void PruneActive(const std::vector<GPeripheral*>& children);
  // After the list was read: every member a peripheral that this composite
  // observes. False for a member that is not a peripheral.
  bool AdoptRestoredChildren();

  GCountedPtr ownCurrentState_;   // GState, 243
  GCountedPtr ownDefaultState_;   // GState, 243
  GCountedPtr ownConfiguration_;  // GState or GConfiguration, 198
  MPersistentComposite children_;
  // The children that stay active in the current job; not stored.
  MPersistentComposite active_;
};

RWCollectable* GPeripheralCompositeCreate();
