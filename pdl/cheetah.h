// GCheetah: the printer-language generator for PCL XL. It is a generator
// peripheral (the printer's child with feature id 101) that turns the
// commands and graphics of a job into a PCL XL stream: the session and its
// data source around the job, one page description per page with its
// medium, orientation, duplex and copies, and the paths, shapes, clips,
// pens, brushes and colours of the drawing. It writes through its own
// stream encoder (XLStream) into an 8192-byte buffer whose full buffers its
// output sink hands to the job's output channel. Its stored body keeps the
// settings that survive in the device model: a reserved setting, the
// output sink's write status and write-enabled flag, the resolution and the
// colour output flag.
//
// The job and page operations are in cheetah.cpp, the drawing operations
// and graphics-state receivers in cheetahDraw.cpp, colour and palettes in
// cheetahColor.cpp, images in cheetahImage.cpp, text and font selection in
// cheetahText.cpp and font download in cheetahFont.cpp.
#pragma once

#include <cstdint>
#include <vector>

#include "model/GCountedPtr.h"
#include "model/GShortPoint.h"
#include "pdl/GOutputSink.h"
#include "pdl/GPdlGenerator.h"
#include "pdl/XLStream.h"
#include "rw/RWMembers.h"

class GBitmap;
class GCheetahDownloadHandle;
class GDitherMatrix;
class GDownloadHandle;
class GFontFaceHandle;
class GScaledFont;
class GTextEscapements;
class GTextString;
class GTTFontReader;
class GMedia;
class GPaletteTable;
struct GRect;

constexpr RWClassID GCheetahClassId = 767;

class GCheetah : public GPdlGenerator {
 public:
  // Size of the stream buffer.
  static constexpr int32_t kStreamBufferSize = 8192;

  // Source kinds of the pen and the brush.
  enum SourceKind : int32_t {
    kSourceSolid = 0,
    kSourcePatternWithBackground = 1,
    kSourcePatternNoBackground = 2,
    kSourceNone = 3,
  };

  // Reserved setting 1, write status 0, writing enabled, 600 by 600 dpi,
  // no colour output, current point (0, 0), render mode 1, page counter
  // and current duplex -1; a new stream.
  GCheetah();
  explicit GCheetah(const int32_t* id);
  GCheetah(const RWCString& name, GState* defaultState, GConfiguration* configuration, const int32_t* id,
           int32_t addOnListId, int32_t addOnKind, int32_t addOnMode);
  GCheetah(const GCheetah& other);
  // Nothing when the two do not differ.
  GCheetah& operator=(const GCheetah& other);
  // Destroys the stream without flushing it.
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

  // Stored body after the generator base's: version 1, reserved setting
  // (16-bit), write status (16-bit), write enabled (32-bit), horizontal and
  // vertical resolution (16-bit each), colour output (32-bit). A restored
  // generator starts a new stream.
  RW_STORED_MEMBERS();

  // A document end or page end reaches the children first and then this
  // generator (which writes the page's or the job's end after them); any
  // other command reaches this generator first and, when it succeeds, the
  // children. A failure comes back as an error command.
  GCountedPtr Send(GCommand* command) override;
  // The composite's rebuild; the page counter and the current duplex are
  // unknown again (-1).
  void RebuildCurrentState() override;

  // ---- Job and page (cheetah.cpp) ----
  // Every operation answers the write status, taken and cleared, unless a
  // step fails earlier with its own status.
  //
  // The base's start (channel, budget), the stream header, the job
  // settings (colour, resolution, render mode, dither matrix, duplex),
  // BeginSession and OpenDataSource.
  int16_t DocumentStart(GDocumentStart* command) override;
  // CloseDataSource and EndSession, the stream flushed; an owned channel is
  // closed (its failure answered).
  int16_t DocumentEnd(GDocumentEnd* command) override;
  // A comment of 120 letters H, the stream flushed and the channel's
  // document ended.
  int16_t DocumentBreak(GCommand* command) override;
  // One channel document per page; the graphics state reset; duplex,
  // media source, media type and size; BeginPage and the page set-up.
  int16_t PageStart(GPageStart* command) override;
  // EndPage with the page's copies; the stream flushed.
  int16_t PageEnd(GPageEnd* command) override;
  // In a document: CloseDataSource and EndSession, the stream flushed.
  int16_t JobAbort(GJobAbort* command) override;
  // Bytes for this generator (target class 767) go out as PassThrough.
  int16_t PassThrough(GPassThroughCommand* command) override;
  // These settings need nothing of the generator: the changed mark is
  // cleared.
  int16_t SetValue(GValueAttribute* value) override;
  int16_t SetString(GStringAttribute* text) override;
  int16_t SetEnum(GEnumAttribute* enumeration) override;
  int16_t SetRange(GRangeAttribute* range) override;

  // The stream header; with flag 0 its comment names the product or the
  // driver version.
  virtual void EnsureStreamStarted(int32_t flag);
  // The protocol class and revision the device reads: the configuration's
  // when it holds both and the application does not ask for the basic
  // one, else 2.0.
  virtual void GetProtocolVersion(uint16_t* protocolClass, uint16_t* revision);
  // True when the device's protocol is at least the one asked.
  virtual bool SupportsProtocol(uint16_t protocolClass, uint16_t revision);
  int32_t CheckEscapeText(const RWCString& text) override;

  // ---- Drawing (cheetahDraw.cpp) ----
  int16_t DrawArc(GGraphic* graphic) override;
  int16_t DrawChord(GGraphic* graphic) override;
  int16_t DrawEllipse(GGraphic* graphic) override;
  int16_t EndScanLines(GGraphic* graphic) override;
  int16_t DrawPath(GGraphic* graphic) override;
  int16_t DrawPie(GGraphic* graphic) override;
  int16_t DrawPolyBezier(GGraphic* graphic) override;
  int16_t DrawPolyBezierTo(GGraphic* graphic) override;
  int16_t DrawPolyline(GGraphic* graphic) override;
  int16_t DrawPolylineTo(GGraphic* graphic) override;
  int16_t DrawPolygon(GGraphic* graphic) override;
  int16_t DrawRectangle(GGraphic* graphic) override;
  int16_t DrawRoundRectangle(GGraphic* graphic) override;
  int16_t ScanLines(GGraphic* graphic) override;
  int16_t BeginScanLines(GGraphic* graphic) override;

  int16_t SetBrush(GBrush* brush) override;
  int16_t SetLineCap(GCap* cap) override;
  int16_t ClipToPage(GClipToPage* clip) override;
  int16_t ClipToPath(GClipToPath* clip) override;
  int16_t ClipToRectangles(GClipToRectangle* clip) override;
  int16_t ClipToRectangle(GClipToSingleRectangle* clip) override;
  int16_t SetColorMap(GColorMap* colorMap) override;
  int16_t SetHalftone(GHalftone* halftone) override;
  int16_t SetDashedPen(GDashedPen* pen) override;
  int16_t SetFillMode(GFillMode* fillMode) override;
  int16_t SetLineJoin(GJoint* joint) override;
  int16_t SetMiterJoin(GMiterJoint* joint) override;
  int16_t SetNoBrush(GNoBrush* brush) override;
  int16_t SetNoPen(GNoPen* pen) override;
  int16_t SetPen(GPen* pen) override;
  int16_t SetRasterOperation(GRasterOperation* operation) override;
  // Only inside a page: the page's default CTM, then origin, rotation and
  // scale; outside a page nothing is written and the mark stays.
  int16_t SetTransform(GTransformAttribute* transform) override;

  // ---- Colour (cheetahColor.cpp) ----
  // A colour as the pen's or the brush's source: RGB with colour output,
  // else the gray level of the colour.
  int16_t SetPenColor(GColorPaint* paint) override;
  int16_t SetBrushColor(GColorPaint* paint) override;
  // A pattern as the pen's or the brush's source: its raster pattern when
  // it can be defined, else the null source.
  int16_t SetPenPattern(GPaint* pattern) override;
  int16_t SetBrushPattern(GPaint* pattern) override;
  // Defines the bitmap of a pattern paint (GPatternSource) as raster
  // pattern id, enlarged with the resolution when it asks to be or when
  // patterns are scaled and it has no background; false when the paint has
  // no bitmap or an empty one.
  virtual bool DefinePattern(GPaint* paint, int16_t patternId);

  // ---- Images (cheetahImage.cpp) ----
  // A raster graphic cut to the page and the clip, then drawn; nothing when
  // nothing of it is visible.
  int16_t DrawRaster(GGraphic* graphic) override;
  // Draws the source rectangle of the bitmap into the destination, or with
  // the pattern flag defines it as raster pattern patternId: the rows go
  // through a raster pipeline into the render mode's compression and out
  // in blocks of at least 16 KB, or as one JPEG stream for a photograph in
  // render mode 512. Packed (LZW) bitmap data is expanded first.
  virtual bool DrawImage(const GBitmap& bitmap, const GRect& sourceRect, const GRect& destination, int32_t pattern,
                         int16_t patternId);
  // Whether a 24-bit image is drawn as a photograph: large enough, and with
  // the quality preset 0 no more than a few sharp neighbour differences
  // in a sample of its rows.
  bool IsPhotographic(const GBitmap& bitmap, const GRect& sourceRect);
  // The colour space of an image, with its palette padded to 2^bits
  // entries when it has one (and, for RGB, fewer than 24 bits a pixel);
  // true when a palette was written.
  bool SendRGBPalette(const GPaletteTable* palette, uint32_t bitsPerPixel);
  bool SendGrayPalette(const GPaletteTable* palette, uint32_t bitsPerPixel);

  // ---- Text and font selection (cheetahText.cpp) ----
  // The font a face's text needs (a printer-resident one, or the face
  // downloaded), its characters sent, the font selected and the text
  // written at the graphic's position with its advances.
  int16_t DrawText(GGraphic* graphic) override;
  // RemoveFont; the current font, when it is the one removed, is selected
  // again by the next text.
  int16_t RemoveDownloadedFont(const RWCString& fontName) override;
  // 16 for outlines, + 32 for bitmaps, 4 for neither; 8 (72 for a font in
  // locations 4 to 7) when a printer-resident font stands in.
  int32_t QueryFontHandling(GFontFace* face) override;
  int32_t QueryTextHandling(const GFontMetrics* metrics, int32_t kind, int32_t selector, const char** outText,
                            int32_t italic, int32_t weight, GDeviceFontDescription** outDescription) override;
  int16_t LookupStyleCode(int16_t n) override;

  // The values that select a font and its character attributes.
  struct FontSelection {
    RWCString name;
    float size = 0.0f;
    uint16_t symbolSet = 0;
    float bold = 0.0f;
    float shearX = 0.0f;
    float shearY = 0.0f;
    float scaleX = 1.0f;
    float scaleY = 1.0f;
    float angle = 0.0f;
    uint8_t subMode = 0;
    uint8_t writingMode = 0;
  };
  // A new printer-font handle for the first device font that matches the
  // face, or null.
  GDownloadHandle* FindDeviceFont(GFontFaceHandle* face);
  // 1 when the description stands for the requested metrics.
  static int MatchDeviceFont(const GDeviceFontDescription* description, const GFontMetrics* request);
  void SelectDeviceFont(GFontFaceHandle* face, const GDeviceFontDescription* description, int32_t encoding);
  void SelectTrueTypeFont(GFontFaceHandle* face, int32_t glyphEncoding);
  void SelectBitmapFont(GScaledFont& face, int32_t glyphEncoding);
  // Writes what differs from the text state, and takes it.
  void ApplyFontSelection(const FontSelection& selection);
  void WriteText(GShortPoint position, const GTextString& text, const GTextEscapements* escapements);
  // The page's scale (1.0 for a missing or zero factor).
  void GetPageScale(float* x, float* y);
  const FontSelection& GetTextState() const { return textState_; }

  // ---- Font download (cheetahFont.cpp) ----
  // A new record for the face (TrueType when it has outlines, else bitmaps)
  // with its header sent, in the cache and attached to the face; null when
  // the face has neither.
  GDownloadHandle* DownloadFont(GFontFaceHandle* face, int32_t glyphEncoding, int32_t textEncoding);
  void DownloadBitmapHeader(GScaledFont& face);
  // 1 when the header was written; 0 when the face lacks what it needs.
  int DownloadTrueTypeHeader(GFontFaceHandle* face, int32_t textEncoding);
  // Header data in ReadFontHeader pieces of at most 65535 bytes, padded to
  // a multiple of 4 when asked.
  void WriteFontHeaderData(const uint8_t* bytes, uint32_t length, bool pad);
  // The table as header data with its pad, exactly length bytes before it.
  void WriteTrueTypeTable(GTTFontReader* reader, uint32_t source, uint32_t tagIndex, uint32_t length);
  void DownloadInitialGlyphs(GFontFaceHandle* face);
  void DownloadTrueTypeChars(GFontFaceHandle* face, const GTextString& source, const GTextString& sent);
  void DownloadBitmapChars(GScaledFont& face, const GTextString& source, const GTextString& sent);
  // One glyph (and the components of a composite not yet sent) as
  // characters; the bytes written.
  uint32_t DownloadGlyph(GFontFaceHandle* face, GCheetahDownloadHandle* record, uint16_t glyph, uint16_t code,
                         int depth = 0);
  static uint16_t GetSymbolSet(int32_t encoding);
  static int32_t GetDownloadEncoding(int32_t encoding);

  // ---- Reading ----
  int16_t GetReservedSetting() const { return reservedSetting_; }
  uint16_t GetWriteStatus() const { return writeStatus_; }
  int32_t GetWriteEnabled() const { return writeEnabled_; }
  uint16_t GetXResolution() const { return xResolution_; }
  uint16_t GetYResolution() const { return yResolution_; }
  int32_t GetColourOutput() const { return colourOutput_; }
  int16_t GetCurrentX() const { return currentX_; }
  int16_t GetCurrentY() const { return currentY_; }
  int16_t GetRenderMode() const { return renderMode_; }
  int16_t GetPageCounter() const { return pageCounter_; }
  int16_t GetCurrentDuplex() const { return currentDuplex_; }
  int16_t GetPageCopies() const { return pageCopies_; }
  GMedia* GetPageMedia() const;
  GDitherMatrix* GetDitherMatrix() const;
  int32_t GetTransparencyRequest() const { return transparency_; }
  int32_t GetPenSourceKind() const { return penSource_; }
  int32_t GetBrushSourceKind() const { return brushSource_; }
  XLStream* GetStream() const { return stream_.get(); }

 protected:
  // The output sink of the stream: full buffers go to the output channel.
  class StreamSink : public GOutputSink {
   public:
    explicit StreamSink(GCheetah* owner) : owner_(owner) {}
    int16_t Flush(void* stream, uint32_t userValue, const uint8_t* data, int32_t length) override;

   private:
    GCheetah* owner_;
  };

  // Takes the write status and clears it.
  int16_t TakeWriteStatus();
  // Clears the attribute's changed mark; the write status, taken.
  int16_t ClearChangedMark(GAttribute* attribute);
  // Writes the buffered bytes out.
  void FlushStream();
  // Writes bytes straight to the channel, past the stream (raw inserts).
  void WriteToChannel(const uint8_t* data, uint32_t length);
  // The stream is written to (null when its creation failed: the writers
  // then do nothing).
  XLStream* S() const { return stream_.get(); }
  void NewStream();

  // Drawing helpers (cheetahDraw.cpp).
  using BoxEndsWriter = void (*)(XLStream*, int16_t, int16_t, int16_t, int16_t, int16_t, int16_t, int16_t, int16_t);
  int16_t DrawBoxWithEnds(GGraphic* graphic, BoxEndsWriter write);
  void OpenPath();
  void ClosePath();
  void Paint();
  void WriteRelativeRuns(const std::vector<int16_t>& deltas, uint32_t deltasPerItem, bool bezier);
  void DrawRelativePoints(const GShortPoint* points, uint32_t count);
  uint8_t ClipModeAndRegion(int32_t rule, int32_t region);
  bool SourceIsSolidOrTransparentPattern(int32_t kind) const {
    return kind == kSourceSolid || kind == kSourcePatternNoBackground;
  }
  int16_t SetPatternSource(GPaint* pattern, bool pen);
  int16_t SetColorSource(GColorPaint* paint, bool pen);

  // Job and page helpers (cheetah.cpp).
  void WriteRawInserts();
  void WriteDuplex(int16_t value);
  void WriteMedia(GState* page, int16_t orientation);
  void ResetGraphicsState();
  void WriteColourTreatment(GState* page);
  // The device's value of a colour-control code for this generator.
  template <class Setting>
  uint8_t DeviceValueOf(uint8_t code);

  // Set by the job, page and drawing operations.
  int16_t reservedSetting_ = 1;
  uint16_t writeStatus_ = 0;
  int32_t writeEnabled_ = 1;
  uint16_t xResolution_ = 600;
  uint16_t yResolution_ = 600;
  int32_t colourOutput_ = 0;
  int16_t currentX_ = 0;
  int16_t currentY_ = 0;

  StreamSink sink_{this};
  XLStreamPtr stream_;
  uint32_t lastTick_ = 0;
  int32_t transparency_ = 0;
  int32_t penSource_ = kSourceSolid;
  int32_t brushSource_ = kSourceSolid;
  int32_t patternScaling_ = 1;
  int32_t twoBitsPerPixel_ = 0;
  int16_t renderMode_ = 1;
  int16_t qualityPreset_ = 0;
  GCountedPtr ditherMatrix_;  // GDitherMatrix, shared with the device model
  int32_t edgeToEdge_ = 0;
  GCountedPtr pageMedia_;  // GMedia of the current page, none outside a page
  int16_t pageCopies_ = 1;
  int16_t lastMediaSource_ = -1;
  RWCString lastMediaType_;
  int16_t pageCounter_ = -1;
  int32_t duplexSwitching_ = 1;
  int16_t currentDuplex_ = -1;
  int32_t buildingClip_ = 0;
  int32_t inScanLines_ = 0;
  FontSelection textState_;

  // Font helpers (cheetahFont.cpp, cheetahText.cpp).
  // Releases the least recently used fonts until bytes are available or
  // nothing more can be released.
  void MakeRoom(uint32_t bytes);
  // New, empty downloaded-font cache and glyph-code allocator; the memory
  // the fonts held is given back.
  void NewDownloadState();
  void ResetTextState() { textState_ = FontSelection(); }
  // The font counter in decimal, the kind ("TT" or "BM") and the face's
  // name; the counter moves on.
  RWCString NextFontName(const char* kind, const RWCString& faceName);

 private:
  // The stored output settings, in the shared block's order.
  OutputBlock Output() const;
  void TakeOutput(const OutputBlock& block);
  void CopyValues(const GCheetah& other);
};

RWCollectable* GCheetahCreate();
