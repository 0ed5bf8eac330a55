// GPcl5e: the page-description generator for PCL 5e with GL/2 vector
// graphics. It is a generator peripheral (the printer's child with feature
// id 101) that writes the escape sequences and GL/2 instructions of a job.
// Its stored body keeps the current pattern id, the output sink's latched
// status and output-ok flag, the resolution, the colour mode and the
// colour-treatment mode.
#pragma once

#include <cstdint>

#include "pdl/GPdlGenerator.h"
#include "rw/RWMembers.h"

constexpr RWClassID GPcl5eClassId = 788;

class GPcl5e : public GPdlGenerator {
 public:
  // Pattern id 1, output status 0, output ok, resolution 0 by 0 until a
  // document starts, colour mode 2, colour-treatment mode 2, cursor at
  // (0, 0) with both force flags set.
  GPcl5e();
  explicit GPcl5e(const int32_t* id);
  GPcl5e(const RWCString& name, GState* defaultState, GConfiguration* configuration, const int32_t* id,
         int32_t addOnListId, int32_t addOnKind, int32_t addOnMode);
  GPcl5e(const GPcl5e& other);
  // Nothing for itself, nor when the base reports no difference.
  GPcl5e& operator=(const GPcl5e& other);
  ~GPcl5e() override;

  static RWClassID StaticClassId() { return GPcl5eClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GPcl5e);
  // The generator base's match, and equal current pattern id, colour and
  // colour-treatment modes and cursor cache.
  int Matches(const MPersistentObject* other) const override;
  // Asks the target to take a copy of this generator
  // (UsePcl5eGenerator).
  int16_t ApplyTo(GPeripheral* target) override;

  // The font and paint operations of the generator section. This
  // generator's font download and drawing output are not in place yet: they
  // write nothing and answer 0.
  int16_t RemoveDownloadedFont(const RWCString&) override { return 0; }
  int16_t SetPenPattern(GPaint*) override { return 0; }
  int16_t SetPenColor(GColorPaint*) override { return 0; }
  int16_t SetBrushPattern(GPaint*) override { return 0; }
  int16_t SetBrushColor(GColorPaint*) override { return 0; }

  // Stored body after the generator base's: version 1, current pattern id
  // (16-bit), latched output status (16-bit), output-ok flag (32-bit), x
  // and y resolution (16-bit each), colour mode (32-bit), colour-treatment
  // mode (32-bit).
  RW_STORED_MEMBERS();

  int16_t GetPatternId() const { return patternId_; }
  uint16_t GetOutputStatus() const { return outputStatus_; }
  int32_t GetOutputOk() const { return outputOk_; }
  uint16_t GetXResolution() const { return xResolution_; }
  uint16_t GetYResolution() const { return yResolution_; }
  int32_t GetColourMode() const { return colourMode_; }
  int32_t GetColourTreatmentMode() const { return colourTreatmentMode_; }

 protected:
  // Set by the job, page and drawing operations.
  int16_t patternId_ = 1;
  uint16_t outputStatus_ = 0;
  int32_t outputOk_ = 1;
  uint16_t xResolution_ = 0;
  uint16_t yResolution_ = 0;
  int32_t colourMode_ = 2;
  int32_t colourTreatmentMode_ = 2;
  // Cursor cache in dots; a set force flag makes the next move send that
  // coordinate.
  int16_t cursorX_ = 0;
  int16_t cursorY_ = 0;
  int32_t forceX_ = 1;
  int32_t forceY_ = 1;

 private:
  // The stored output settings, in the shared block's order.
  OutputBlock Output() const;
  void TakeOutput(const OutputBlock& block);
  void CopyValues(const GPcl5e& other);
};

RWCollectable* GPcl5eCreate();
