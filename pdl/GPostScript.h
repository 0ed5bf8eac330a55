// GPostScript: the PostScript Level 2 page-description generator. It is a
// generator peripheral (the printer's child with feature id 101) that turns
// the commands and graphics of a job into one DSC-structured PostScript job
// per document. Every byte goes through its writer (PSLIB), which hands
// full buffers back to the generator as its output sink; the sink writes
// them to the job's channel. Its stored body keeps a reserved setting, the
// output sink's status and enabled flag, the resolution and the colour
// mode. The job operations are in GPostScriptJob.cpp.
#pragma once

#include <cstdint>
#include <memory>

#include "pdl/GOutputSink.h"
#include "pdl/GPdlGenerator.h"
#include "pdl/PSLIB.h"
#include "rw/RWMembers.h"

class GMedia;

constexpr RWClassID GPostScriptClassId = 768;

class GPostScript : public GPdlGenerator, public GOutputSink {
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

  // ---- Job operations ----
  // The job settings into a reset writer (nothing is written yet: the
  // header goes out with the first page).
  int16_t DocumentStart(GDocumentStart* command) override;
  // Each page is its own document on the channel; the page's medium (a
  // default Letter page without one), orientation, copies and input bin go
  // into the writer, then the header (first page) and the page setup.
  int16_t PageStart(GPageStart* command) override;
  int16_t PageEnd(GPageEnd* command) override;
  // The trailer; closes an owned channel.
  int16_t DocumentEnd(GDocumentEnd* command) override;
  // Drops the job without a trailer.
  int16_t JobAbort(GJobAbort* command) override;
  // Raw PostScript addressed to this generator's class.
  int16_t PassThrough(GPassThroughCommand* command) override;
  // Procset 0 (kind 19: again, even when it was written).
  int16_t DownloadHeader(GDownloadHeaderCommand* command) override;
  // Resets the writer and the application-data state with the state.
  void RebuildCurrentState() override;

  // Moves between nothing started (0), driver drawing (1) and application
  // data (2), writing what the change needs.
  virtual void EnsureStreamStarted(int32_t mode);

  // The writer form of the output sink: the bytes go to the channel; the
  // first failing write is kept and later output dropped.
  int16_t Write(const uint8_t* data, uint32_t length) override;
  // The sink status, cleared.
  uint16_t TakeStatus();

  PSLIB& Writer() { return *writer_; }
  int32_t GetApplicationMode() const { return applicationMode_; }
  int32_t GetStreamMode() const { return streamMode_; }
  uint32_t GetPageCount() const { return pageCount_; }
  GMedia* GetCurrentMedia() const { return currentMedia_; }

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

  // Job values read at document start.
  int32_t scalePatterns_ = 0;
  int32_t twoBitRaster_ = 0;
  int16_t compressImages_ = 0;
  int32_t wrapApplicationData_ = 0;
  int32_t forceBitmapFonts_ = 0;
  int32_t applicationMode_ = 0;  // 0 the generator writes the job; 1, 2 the application does
  int16_t trueTypeDownloadKind_ = 1;
  int16_t fontOption571_ = 2;
  // Page and stream state.
  int32_t firstPagePending_ = 0;
  uint32_t pageCount_ = 0;
  int32_t streamMode_ = 0;
  int32_t applicationDataFirst_ = 0;
  int16_t lastInputBin_ = -1;
  RWCString lastMediaType_;
  GMedia* currentMedia_ = nullptr;  // not owned; the page's
  int32_t fontProcSetsWritten_ = 0;
  uint32_t progressMark_ = 0;

 private:
  // Reads the job settings into the writer and the job values.
  void ReadJobSettings(GState* job);
  // The page's medium, orientation, copies and input bin into the writer.
  void ReadPageSettings(GState* page, GState* job);
  // The medium's size in points, and its media type.
  void TakeMedia(GState* page, GState* job);
  // The colour-control codes of the job as the writer's colour-rendering
  // texts, through the configuration's colour-map and halftone lists.
  void TakeColourControl(GState* job);

  // The stored output settings, in the shared block's order.
  OutputBlock Output() const;
  void TakeOutput(const OutputBlock& block);

  std::unique_ptr<PSLIB> writer_;
};

RWCollectable* GPostScriptCreate();
