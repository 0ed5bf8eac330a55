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
#include <string>

#include "graphics/GBitmap.h"
#include "graphics/GRect.h"
#include "graphics/GShortPoint.h"
#include "model/GCountedPtr.h"
#include "pdl/GOutputSink.h"
#include "pdl/GPdlGenerator.h"
#include "pdl/PSLIB.h"
#include "rw/RWMembers.h"

class GClip;
class GDeviceFontDescription;
class GDeviceFontList;
class GDownloadHandle;
class GFontFaceHandle;
class GTextString;
class GDitherMatrix;
class GMedia;
class GPen;

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

  // Downloaded fonts are deleted through DeleteDownloadedFont when the
  // cache releases them; by name nothing is done.
  int16_t RemoveDownloadedFont(const RWCString&) override { return 0; }

  // Commands go to this generator first and then through its active
  // children; a document or page end goes through the children first.
  // A failing status becomes an error command.
  GCountedPtr Send(GCommand* command) override;

  // ---- Drawing (GPostScriptDraw.cpp) ----
  // Each starts driver drawing (stream mode 1) and answers the sink status.
  int16_t DrawArc(GGraphic* graphic) override;
  int16_t DrawChord(GGraphic* graphic) override;
  int16_t DrawEllipse(GGraphic* graphic) override;
  int16_t DrawPie(GGraphic* graphic) override;
  int16_t DrawRectangle(GGraphic* graphic) override;
  int16_t DrawRoundRectangle(GGraphic* graphic) override;
  int16_t DrawPolygon(GGraphic* graphic) override;
  int16_t DrawPolyline(GGraphic* graphic) override;
  int16_t DrawPolylineTo(GGraphic* graphic) override;
  int16_t DrawPolyBezier(GGraphic* graphic) override;
  int16_t DrawPolyBezierTo(GGraphic* graphic) override;
  int16_t DrawPath(GGraphic* graphic) override;
  int16_t BeginScanLines(GGraphic* graphic) override;
  int16_t ScanLines(GGraphic* graphic) override;
  int16_t EndScanLines(GGraphic* graphic) override;
  // Attribute receivers; each clears the attribute's changed mark.
  int16_t SetBrush(GBrush* brush) override;
  int16_t SetNoBrush(GNoBrush* brush) override;
  int16_t SetBrushColor(GColorPaint* paint) override;
  int16_t SetBrushPattern(GPaint* pattern) override;
  int16_t SetPen(GPen* pen) override;
  int16_t SetNoPen(GNoPen* pen) override;
  int16_t SetDashedPen(GDashedPen* pen) override;
  int16_t SetPenColor(GColorPaint* paint) override;
  int16_t SetPenPattern(GPaint* pattern) override;
  int16_t SetLineCap(GCap* cap) override;
  int16_t SetLineJoin(GJoint* joint) override;
  int16_t SetMiterJoin(GMiterJoint* joint) override;
  int16_t SetFillMode(GFillMode* fillMode) override;
  int16_t ClipToPage(GClipToPage* clip) override;
  int16_t ClipToPath(GClipToPath* clip) override;
  int16_t ClipToRectangles(GClipToRectangle* clip) override;
  int16_t ClipToRectangle(GClipToSingleRectangle* clip) override;
  int16_t SetRasterOperation(GRasterOperation* operation) override;
  // Only inside a page: the device transform, then the attribute's offset,
  // rotation and scale.
  int16_t SetTransform(GTransformAttribute* transform) override;
  // Feature 601 says whether application data came first.
  int16_t SetValue(GValueAttribute* value) override;
  int16_t SetColorMap(GColorMap* colorMap) override;
  int16_t SetHalftone(GHalftone* halftone) override;
  int16_t SetString(GStringAttribute* text) override;
  int16_t SetEnum(GEnumAttribute* enumeration) override;
  int16_t SetRange(GRangeAttribute* range) override;

  // ---- Images and patterns (GPostScriptImage.cpp) ----
  // The raster graphic cut to the page and to the graphics state's clip.
  int16_t DrawRaster(GGraphic* graphic) override;
  // Writes the bitmap (source span) as an image at the destination, or as
  // a pattern the procset defines and leaves for "G" or "K".
  virtual void DrawImage(const GBitmap& bitmap, GRect source, GRect destination, bool pattern, int32_t transparent,
                         int32_t kind);
  // 1 when the paint's pattern was written (kind 1 brush, 2 pen), 0 when
  // it cannot be.
  virtual int32_t DefinePattern(GPaint* pattern, int32_t kind);
  // The pattern of a bitmap: a square cell, scaled to the device when
  // asked; 0 for an empty bitmap.
  int32_t DefinePatternBitmap(const GBitmap& bitmap, int32_t transparent, int32_t deviceScaling, int32_t kind);
  // A colour's gray byte by the job's gray conversion.
  uint8_t GrayOf(uint8_t red, uint8_t green, uint8_t blue) const;
  // The job's dither matrix (the configuration's, for the resolution).
  GDitherMatrix* GetDitherMatrix();

  // ---- Text (GPostScriptText.cpp) ----
  // The text in a printer font re-encoded for its code page, or in a font
  // downloaded as Type 3 or Type 42.
  int16_t DrawText(GGraphic* graphic) override;
  // 128 for double-byte faces and vertical faces with outlines; else 16
  // with outlines, then 32 with bitmaps (8 when a printer font matches),
  // 4 without.
  int32_t QueryFontHandling(GFontFace* face) override;
  int32_t QueryTextHandling(const GFontMetrics* metrics, int32_t kind, int32_t selector, const char** outText,
                            int32_t italic, int32_t weight, GDeviceFontDescription** outDescription) override;
  // The first description of the device-font lists that serves the
  // metrics (weight, style, encoding, name; size and scale for bitmaps).
  GDeviceFontDescription* FindPrinterFont(const GFontMetrics& metrics, GDeviceFontList** list = nullptr) const;
  static bool MatchesPrinterFont(const GDeviceFontDescription& description, const GFontMetrics& metrics);
  // The glyph encoding of a downloaded font for a text encoding: 2 for
  // glyph indices and double-byte texts, else the text's.
  static int32_t MapGlyphEncoding(int32_t encoding);
  // The mapping that re-encodes printer fonts for the encoding, once a job.
  void WriteGlyphMapping(int32_t encoding);
  int32_t GetCurrentMapping() const { return currentMapping_; }

  // ---- Downloaded fonts (GPostScriptFonts.cpp) ----
  // Explicit download: a bitmap face as Type 3 sub-font 0 with all 256
  // codes, an outline face as a complete Type 42 sub-font 0.
  int16_t DownloadFace(GDownloadFace* command) override;
  // The font number of a downloaded font: the leading digits of its name.
  static int32_t FontNumberOf(const RWCString& name);
  // Writes the lines that replace each defined sub-font of the font (so
  // the printer can reclaim it) and forgets them.
  void DeleteDownloadedFont(int32_t font, int32_t kind);
  // The sub-font table: 512 fonts by 256 sub-fonts, made by the first
  // download of a job. Fonts from 512 up are never recorded.
  void EnsureSubFontTable();
  void ReleaseSubFontTable();
  bool IsSubFontDefined(int32_t font, int32_t subFont) const;
  void MarkSubFontDefined(int32_t font, int32_t subFont);
  void ClearFontSubFonts(int32_t font);
  int32_t GetHighestMarkedFont() const { return highestMarkedFont_; }
  // Type 1 pieces: a charstring number (1, 2 or 5 bytes); the format's
  // encryption with a key (eexec 55665, charstrings 4330); the plain
  // charstring of a glyph outline (the face's outline layout), false for
  // an empty or damaged one.
  static std::string EncodeCharstringNumber(int32_t value);
  static std::string Type1Encrypt(const std::string& plain, uint16_t key);
  static bool BuildCharstring(const uint8_t* outline, uint32_t size, std::string& plain);

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
  // data (2), writing what the change needs; driver drawing on a page
  // without a transform of its own first gets the device transform.
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
  // Drawing state.
  GCountedPtr ditherMatrix_;  // GDitherMatrix of the configuration
  uint16_t rasterOperation_ = 0;
  int32_t inScanLines_ = 0;
  int32_t deviceTransformPending_ = 0;
  uint8_t brushRgb_[3] = {0, 0, 0};

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

  // The stream mode change of EnsureStreamStarted.
  void SwitchStreamMode(int32_t mode);
  // Picks the job's dither matrix from the configuration's list.
  void ChooseDitherMatrix();
  // The default graphics state for the page, and the page's transform in
  // it.
  void ResetGraphicsState();

  // Drawing helpers (GPostScriptDraw.cpp).
  void BeginShape();
  void EndShape();
  void WritePoint(const GShortPoint& p);
  void WritePoints(const GShortPoint* points, uint32_t count);
  void WriteBox(const GRect& box);
  void WriteRectangleOperands(const GRect& r);
  int16_t DrawArcShape(GGraphic* graphic, const char* op, bool ordered);
  int32_t WriteClipRule(GClip* clip);
  void WritePenWidthAndPaint(GPen* pen);
  int16_t ClearMark(GAttribute* attribute);
  bool IsMaskRasterOperation() const;

  // The stored output settings, in the shared block's order.
  OutputBlock Output() const;
  void TakeOutput(const OutputBlock& block);

  // Text and font helpers (GPostScriptText.cpp, GPostScriptFonts.cpp).
  GDownloadHandle* FindDownloadRecord(GFontFaceHandle* face, int32_t encoding);
  GDownloadHandle* CreatePrinterFontRecord(GFontFaceHandle* face);
  GDownloadHandle* ChooseFontFormat(GFontFaceHandle* face, int32_t glyphEncoding);
  GDownloadHandle* NewRecord(GFontFaceHandle* face, const RWCString& name, int32_t kind, int32_t glyphEncoding);
  void EnsureDownloadState();
  int32_t WriteFontProcSet(int32_t which);
  void SelectTextFont(GFontFaceHandle* face, GDownloadHandle* record, int32_t encoding, int32_t subFont);
  void ShowTextRuns(GFontFaceHandle* face, GDownloadHandle* record, int32_t encoding, GShortPoint position,
                    const uint16_t* codes, uint32_t count, int32_t bytesPerCode, const int16_t* xAdvances,
                    const int16_t* yAdvances);
  void DefineBitmapSubFont(GFontFaceHandle* face, GDownloadHandle* record, int32_t subFont);
  void AddBitmapGlyphs(GFontFaceHandle* face, GDownloadHandle* record, const uint16_t* text, const uint16_t* codes,
                       uint32_t count);
  // One glyph's AddImg (std: AddImgStd) entry and its rows; the bytes
  // written.
  uint32_t WriteBitmapGlyph(GFontFaceHandle* face, int32_t font, uint16_t lookup, uint16_t code, int32_t subFont,
                            bool standard);
  void FreeSpace(uint32_t need);
  // The Type 3 and Type 42 procsets (and with mappings, the six glyph
  // mappings) inside the standard procset's dictionary, once a job: for
  // PostScript of the application's own that downloads fonts.
  void WriteFontProcSetsInStandardDictionary(bool withMappings);
  void DefineType1SubFont(GFontFaceHandle* face, GDownloadHandle* record, int32_t subFont);
  void AddType1Glyphs(GFontFaceHandle* face, GDownloadHandle* record, const uint16_t* text, const uint16_t* codes,
                      uint32_t count, int32_t encoding);
  // The eexec section: "currentfile eexec", the encrypted text in lines of
  // 64 digits, 512 zeros and "cleartomark".
  void WriteEexecSection(const std::string& plain, bool withHeader);
  bool DefineType42SubFont(GFontFaceHandle* face, GDownloadHandle* record, int32_t subFont, bool explicitDownload);
  void AddType42Glyphs(GFontFaceHandle* face, GDownloadHandle* record, const uint16_t* codes, uint32_t count,
                       int32_t encoding);

  std::unique_ptr<uint8_t[]> subFontTable_;
  int32_t highestMarkedFont_ = -1;
  int32_t currentMapping_ = -1;

  std::unique_ptr<PSLIB> writer_;
};

RWCollectable* GPostScriptCreate();

// The luminance of a colour as a byte, 0 black to 255 white.
uint8_t PsGrayByte(uint8_t red, uint8_t green, uint8_t blue);
