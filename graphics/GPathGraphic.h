// GPathGraphic: a graphic that holds a path, an ordered list of pieces (shape
// graphics or nested paths) and a closed flag. Unlike the composite it
// derives from, a path is sent and drawn as one command: it calls the
// peripheral's DrawPath, whose generator visits the pieces through the
// member iterator and writes each as segments of the current path. The
// same object is the outline of a clip to a path.
#pragma once

#include <cstdint>

#include "graphics/GGraphic.h"
#include "graphics/GRect.h"

constexpr RWClassID GPathGraphicClassId = 603;

class GPathGraphic : public GGraphicComposite {
 public:
  // No settings, no pieces, open.
  GPathGraphic();
  GPathGraphic(GState* settings, const int32_t* id);
  // Shares the settings and the pieces, copies the closed flag.
  GPathGraphic(const GPathGraphic& other);
  ~GPathGraphic() override;

  static RWClassID StaticClassId() { return GPathGraphicClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GPathGraphic);
  // The same class, equal closed flags and matching composite parts.
  int Matches(const MPersistentObject* other) const override;
  // Stored body after the composite part: version 1, the closed flag.
  RW_STORED_MEMBERS();

  // Null: a path is one command to the print path, and a leaf to the
  // generic find and collect walks.
  MPersistentComposite* AsComposite() override;
  // An iterator that yields nothing (the pieces are reached through
  // CreateMemberIterator).
  MPersistentIterator* CreateIterator() override;
  // A leaf's answers: the find, collect and select walks of the model do
  // not enter a path.
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
  // GPeripheral::DrawPath.
  int16_t Dispatch(GPeripheral* peripheral) override;

  // Marks the figure closed; nothing opens it again.
  void Close() { closed_ = 1; }
  int32_t IsClosed() const { return closed_; }
  // The union of the bounds of the shape pieces and the nested paths;
  // (0, 0, 0, 0) when no piece contributes.
  GRect GetBounds() const;

 private:
  int32_t closed_ = 0;
};

RWCollectable* GPathGraphicCreate();
