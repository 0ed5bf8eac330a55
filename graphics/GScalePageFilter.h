// GScalePageFilter: prints every page of a job scaled by the percentage the
// job asks for (ScaleChoice). Each page start brings a transform of that
// scale into the graphics state below it, and the transforms the drawings
// carry are scaled with it.
#pragma once

#include <cstdint>

#include "graphics/GGeometryFilter.h"
#include "rw/RWMembers.h"

constexpr RWClassID GScalePageFilterClassId = 1104;

class GScalePageFilter : public GGeometryFilter {
 public:
  explicit GScalePageFilter(const int32_t* id = nullptr);
  GScalePageFilter(const GScalePageFilter& other);
  GScalePageFilter& operator=(const GScalePageFilter& other);
  ~GScalePageFilter() override;

  static RWClassID StaticClassId() { return GScalePageFilterClassId; }
  static uint32_t ClassVersion() { return 1; }
  QV_PERSISTENT_KIND(GScalePageFilter);
  // After the peripheral part: version 1. Reading resets the transform
  // and the factor.
  RW_STORED_MEMBERS();

  GCountedPtr Filter(GCommand* command) override;
  // (0, 0) when an earlier stage gave the page its scale; the job's
  // ScaleChoice as a factor; else (1, 1).
  GRealPair GetScale(GState* jobState, GState* pageSettings, int32_t pageNumber, int32_t* code) override;
  // 10 (the page geometry changes) once a job has scaled.
  int GetEffectFlags() override { return geometry_ != 0 ? 10 : 0; }

  float GetFactor() const { return factor_; }

 private:
  GCountedPtr StartDocument(GCommand* command);
  GCountedPtr StartPage(GCommand* command);

  float factor_ = 1.0f;
  int geometry_ = 0;
};

RWCollectable* GScalePageFilterCreate();
