// GFitToSizeFilter: prints a document on another paper size. The whole
// document is given the target paper; a page laid out for another size is
// centred on it, or scaled to fit its printable area, by a transform that
// the page start brings along and the drawings' transforms take in.
#pragma once

#include <cstdint>

#include "graphics/GGeometryFilter.h"
#include "model/GMedia.h"
#include "rw/RWMembers.h"

class GDriverInstance;
class GRenderInstance;

constexpr RWClassID GFitToSizeFilterClassId = 1103;

class GFitToSizeFilter : public GGeometryFilter {
 public:
  explicit GFitToSizeFilter(const int32_t* id = nullptr);
  GFitToSizeFilter(const GFitToSizeFilter& other);
  GFitToSizeFilter& operator=(const GFitToSizeFilter& other);
  ~GFitToSizeFilter() override;

  static RWClassID StaticClassId() { return GFitToSizeFilterClassId; }
  static uint32_t ClassVersion() { return 1; }
  QV_PERSISTENT_KIND(GFitToSizeFilter);
  // After the peripheral part: version 1 and the target medium. Reading
  // resets the transform and empties the page medium.
  RW_STORED_MEMBERS();

  GCountedPtr Filter(GCommand* command) override;
  // (0, 0) when an earlier stage gave the page its scale; the scale that
  // fits a page of another size onto the job's target; else (1, 1).
  GRealPair GetScale(GState* jobState, GState* pageSettings, int32_t pageNumber, int32_t* code) override;
  // 10 (the page geometry changes) while the job scales to fit.
  int GetEffectFlags() override { return scaleToFit_ != 0 ? 10 : 0; }

  // The transform that puts a page of medium page onto the target: centred
  // without scaling, or scaled to the target's printable area (scaleToFit
  // 1) and centred along the spare side.
  static GTransformAttribute ComputeFitTransform(const GMedia& target, const GMedia& page, int scaleToFit);

  const GMedia& GetTargetMedium() const { return target_; }

 private:
  GCountedPtr StartDocument(GCommand* command);
  GCountedPtr StartPage(GCommand* command);
  GRenderInstance* Renderer() const;

  GMedia page_;
  GMedia target_;
  int scaleToFit_ = 0;
  GDriverInstance* instance_ = nullptr;
};

RWCollectable* GFitToSizeFilterCreate();
