// GPostScript: the PostScript Level 2 page-description generator. It is a
// generator peripheral (the printer's child with feature id 101) that turns
// the commands and graphics of a job into one DSC-structured PostScript job
// per document. Its stored body keeps a reserved setting, the output sink's
// status and enabled flag, the resolution and the colour mode.
#pragma once

#include <cstdint>

#include "pdl/GPdlGenerator.h"
#include "rw/RWMembers.h"

constexpr RWClassID GPostScriptClassId = 768;

class GPostScript : public GPdlGenerator {
 public:
  // Reserved setting 1, sink status 0, sink enabled, 600 by 600 dpi, colour
  // mode 0, current point (0, 0).
  GPostScript();
  explicit GPostScript(const int32_t* id);
  GPostScript(const RWCString& name, GState* defaultState, GConfiguration* configuration, const int32_t* id,
              int32_t addOnListId, int32_t addOnKind, int32_t addOnMode);
  GPostScript(const GPostScript& other);
  // Nothing when the two are the same or do not differ; the sink status is
  // not taken.
  GPostScript& operator=(const GPostScript& other);
  ~GPostScript() override;

  static RWClassID StaticClassId() { return GPostScriptClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GPostScript);
  // The generator base's match, and equal reserved setting, colour mode and
  // current point.
  int Matches(const MPersistentObject* other) const override;
  // Asks the target to take a copy of this generator
  // (UsePostScriptGenerator).
  int16_t ApplyTo(GPeripheral* target) override;

  // The font and paint operations of the generator section. This
  // generator's font download and drawing output are not in place yet: they
  // write nothing and answer 0.
  int16_t RemoveDownloadedFont(const RWCString&) override { return 0; }
  int16_t SetPenPattern(GPaint*) override { return 0; }
  int16_t SetPenColor(GColorPaint*) override { return 0; }
  int16_t SetBrushPattern(GPaint*) override { return 0; }
  int16_t SetBrushColor(GColorPaint*) override { return 0; }

  // Stored body after the generator base's: version 1, reserved setting
  // (16-bit), sink status (16-bit), sink enabled (32-bit), x and y
  // resolution (16-bit each), colour mode (32-bit).
  RW_STORED_MEMBERS();

  int16_t GetReservedSetting() const { return reservedSetting_; }
  uint16_t GetSinkStatus() const { return sinkStatus_; }
  int32_t GetSinkEnabled() const { return sinkEnabled_; }
  uint16_t GetXResolution() const { return xResolution_; }
  uint16_t GetYResolution() const { return yResolution_; }
  int32_t GetColourMode() const { return colourMode_; }
  int16_t GetCurrentX() const { return currentX_; }
  int16_t GetCurrentY() const { return currentY_; }

 protected:
  // Set by the job, page and drawing operations.
  int16_t reservedSetting_ = 1;
  uint16_t sinkStatus_ = 0;
  int32_t sinkEnabled_ = 1;
  uint16_t xResolution_ = 600;
  uint16_t yResolution_ = 600;
  int32_t colourMode_ = 0;  // 1 colour, 0 gray
  int16_t currentX_ = 0;
  int16_t currentY_ = 0;
 private:
  // The stored output settings, in the shared block's order.
  OutputBlock Output() const;
  void TakeOutput(const OutputBlock& block);
};

RWCollectable* GPostScriptCreate();
