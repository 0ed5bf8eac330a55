// GCheetah: the printer-language generator for PCL XL. It is a generator
// peripheral (the printer's child with feature id 101) that turns the
// commands and graphics of a job into a PCL XL stream. Its stored body keeps
// the settings that survive in the device model: a reserved setting, the
// output sink's write status and write-enabled flag, the resolution and the
// colour output flag.
#pragma once

#include <cstdint>

#include "pdl/GPdlGenerator.h"
#include "rw/RWMembers.h"

constexpr RWClassID GCheetahClassId = 767;

class GCheetah : public GPdlGenerator {
 public:
  // Reserved setting 1, write status 0, writing enabled, 600 by 600 dpi,
  // no colour output, current point (0, 0).
  GCheetah();
  explicit GCheetah(const int32_t* id);
  GCheetah(const RWCString& name, GState* defaultState, GConfiguration* configuration, const int32_t* id,
           int32_t addOnListId, int32_t addOnKind, int32_t addOnMode);
  GCheetah(const GCheetah& other);
  // Nothing when the two do not differ.
  GCheetah& operator=(const GCheetah& other);
  ~GCheetah() override;

  static RWClassID StaticClassId() { return GCheetahClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GCheetah);
  // The generator base's match, and equal reserved setting, colour output
  // and current point.
  int Matches(const MPersistentObject* other) const override;
  // Asks the target to take a copy of this generator
  // (UsePclXlGenerator).
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
  // (16-bit), write status (16-bit), write enabled (32-bit), horizontal and
  // vertical resolution (16-bit each), colour output (32-bit).
  RW_STORED_MEMBERS();

  int16_t GetReservedSetting() const { return reservedSetting_; }
  uint16_t GetWriteStatus() const { return writeStatus_; }
  int32_t GetWriteEnabled() const { return writeEnabled_; }
  uint16_t GetXResolution() const { return xResolution_; }
  uint16_t GetYResolution() const { return yResolution_; }
  int32_t GetColourOutput() const { return colourOutput_; }
  int16_t GetCurrentX() const { return currentX_; }
  int16_t GetCurrentY() const { return currentY_; }

 protected:
  // Set by the job, page and drawing operations.
  int16_t reservedSetting_ = 1;
  uint16_t writeStatus_ = 0;
  int32_t writeEnabled_ = 1;
  uint16_t xResolution_ = 600;
  uint16_t yResolution_ = 600;
  int32_t colourOutput_ = 0;
  int16_t currentX_ = 0;
  int16_t currentY_ = 0;

 private:
  // The stored output settings, in the shared block's order.
  OutputBlock Output() const;
  void TakeOutput(const OutputBlock& block);
  void CopyValues(const GCheetah& other);
};

RWCollectable* GCheetahCreate();
