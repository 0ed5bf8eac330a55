// GSymetricalDuplexFilter: lines up the printable areas of the two sides
// of a duplex sheet. Unless the printer scales duplex pages itself, each
// duplex page is shrunk and centred so that its left and right (top and
// bottom) margins become equal, and the transforms of its drawings take
// that placement in.
#pragma once

#include <cstdint>

#include "graphics/GGeometryFilter.h"
#include "rw/RWMembers.h"

class GMedia;

constexpr RWClassID GSymetricalDuplexFilterClassId = 1117;

class GSymetricalDuplexFilter : public GGeometryFilter {
 public:
  explicit GSymetricalDuplexFilter(const int32_t* id = nullptr);
  GSymetricalDuplexFilter(const GSymetricalDuplexFilter& other);
  GSymetricalDuplexFilter& operator=(const GSymetricalDuplexFilter& other);
  ~GSymetricalDuplexFilter() override;

  static RWClassID StaticClassId() { return GSymetricalDuplexFilterClassId; }
  static uint32_t ClassVersion() { return 1; }
  QV_PERSISTENT_KIND(GSymetricalDuplexFilter);
  // After the peripheral part: version 1. Reading resets the transform,
  // the duplex, the automatic scaling and the side.
  RW_STORED_MEMBERS();

  GCountedPtr Filter(GCommand* command) override;
  // (0, 0) when an earlier stage gave the page its scale; the equalising
  // scale of a duplex page when the printer does not scale; else (1, 1).
  GRealPair GetScale(GState* jobState, GState* pageSettings, int32_t pageNumber, int32_t* code) override;
  // 10 (the page geometry changes) unless the printer scales duplex pages.
  int GetEffectFlags() override { return autoScaling_ == 0 ? 10 : 0; }

  // The transform that equalises the margins of a page of the medium.
  static GTransformAttribute EqualisingTransform(const GMedia& medium);

  int IsBackSide() const { return backSide_; }

 private:
  GCountedPtr StartDocument(GCommand* command);
  GCountedPtr StartPage(GCommand* command);

  int16_t duplex_ = 0;
  int16_t autoScaling_ = 0;
  int backSide_ = 0;
};

RWCollectable* GSymetricalDuplexFilterCreate();
