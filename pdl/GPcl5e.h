// GPcl5e: the page-description generator for PCL 5e with GL/2 vector
// graphics. It is a generator peripheral (the printer's child with feature
// id 101) that writes the escape sequences and GL/2 instructions of a job:
// every sequence comes from an escape template run by its formatter into
// its 8192-byte output stream, which its output sink empties into the job's
// output channel. The job and page escapes, the switching between PCL and
// GL/2 mode, the GL/2 pens, colours and fill patterns and the GL/2 path
// output are its own (GPcl5e.cpp, GPcl5eDrawingState.cpp, GPcl5ePaths.cpp).
// Its stored body keeps the current pattern id, the output sink's latched
// status and output-ok flag, the resolution, the colour mode and the
// colour-treatment mode.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/GPaletteTable.h"
#include "graphics/GRect.h"
#include "model/GCountedPtr.h"
#include "pdl/GEscapeFormatter.h"
#include "pdl/GOutputSink.h"
#include "pdl/GPdlGenerator.h"
#include "pdl/GPenPalette.h"
#include "pdl/PclStream.h"
#include "rw/RWCString.h"
#include "rw/RWMembers.h"

class GBitmap;
class GDeviceFontDescription;
class GDeviceFontList;
class GFontFaceHandle;
class GPcl5eDownloadHandle;
class GScaledFont;
class GTextString;
class GClip;
class GPaint;
class GRasterGraphic;
class GDitherMatrix;
class GMedia;
class GRenderInstance;
class GPolygonGraphic;
class GShapeGraphic;
struct GShortPoint;

constexpr RWClassID GPcl5eClassId = 788;

class GPcl5e : public GPdlGenerator {
 public:
  static constexpr int32_t kStreamSize = 8192;

  // Pattern id 1, output status 0, output ok, resolution 0 by 0 until a
  // document starts, colour mode 2, colour-treatment mode 2, cursor at
  // (0, 0) with both force flags set; a new output stream.
  GPcl5e();
  explicit GPcl5e(const int32_t* id);
  GPcl5e(const RWCString& name, GState* defaultState, GConfiguration* configuration, const int32_t* id,
         int32_t addOnListId, int32_t addOnKind, int32_t addOnMode);
  // Takes the other's values but makes its own stream and pen palette.
  GPcl5e(const GPcl5e& other);
  // Nothing for itself, nor when the base reports no difference.
  GPcl5e& operator=(const GPcl5e& other);
  // Destroys the stream without flushing it.
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
  // Back to the constructed job, page and drawing memories.
  void RebuildCurrentState() override;

  // ---- Job and page ----
  int16_t DocumentStart(GDocumentStart* command) override;
  int16_t DocumentEnd(GDocumentEnd* command) override;
  int16_t DocumentBreak(GCommand* command) override;
  int16_t PageStart(GPageStart* command) override;
  int16_t PageEnd(GPageEnd* command) override;
  int16_t JobAbort(GJobAbort* command) override;
  int16_t PassThrough(GPassThroughCommand* command) override;

  // ---- Graphics state ----
  int16_t SetBrush(GBrush* brush) override;
  int16_t SetNoBrush(GNoBrush* brush) override;
  int16_t SetPen(GPen* pen) override;
  int16_t SetNoPen(GNoPen* pen) override;
  int16_t SetDashedPen(GDashedPen* pen) override;
  int16_t SetLineCap(GCap* cap) override;
  int16_t SetLineJoin(GJoint* joint) override;
  int16_t SetMiterJoin(GMiterJoint* joint) override;
  int16_t SetFillMode(GFillMode* fillMode) override;
  int16_t ClipToPage(GClipToPage* clip) override;
  int16_t ClipToRectangles(GClipToRectangle* clip) override;
  int16_t ClipToRectangle(GClipToSingleRectangle* clip) override;
  int16_t SetRasterOperation(GRasterOperation* operation) override;
  int16_t SetTransform(GTransformAttribute* transform) override;

  // The font and pattern operations of the generator section. Pattern
  // paints are not in place yet: they write nothing and answer 0.
  // RemoveDownloadedFont takes the soft-font id in decimal (what the
  // download record passes when the cache releases a font) and deletes
  // that soft font in the printer.
  int16_t RemoveDownloadedFont(const RWCString& fontName) override;
  int16_t SetPenPattern(GPaint*) override { return 0; }
  int16_t SetBrushPattern(GPaint*) override { return 0; }
  int16_t SetPenColor(GColorPaint* paint) override;
  int16_t SetBrushColor(GColorPaint* paint) override;

  // ---- Drawing ----
  int16_t DrawArc(GGraphic* graphic) override;
  int16_t DrawChord(GGraphic* graphic) override;
  int16_t DrawEllipse(GGraphic* graphic) override;
  int16_t DrawPath(GGraphic* graphic) override;
  int16_t DrawPie(GGraphic* graphic) override;
  int16_t DrawPolyBezier(GGraphic* graphic) override;
  int16_t DrawPolyBezierTo(GGraphic* graphic) override;
  int16_t DrawPolyline(GGraphic* graphic) override;
  int16_t DrawPolylineTo(GGraphic* graphic) override;
  int16_t DrawPolygon(GGraphic* graphic) override;
  int16_t DrawRectangle(GGraphic* graphic) override;
  int16_t DrawRoundRectangle(GGraphic* graphic) override;
  // Scan lines: a shape graphic whose point 0 carries the row (its y) and
  // whose further points are runs (x1, x2) of that row.
  int16_t BeginScanLines(GGraphic* graphic) override;
  int16_t ScanLines(GGraphic* graphic) override;
  int16_t EndScanLines(GGraphic* graphic) override;
  // ---- Text, printer fonts and soft fonts (GPcl5eText.cpp,
  // GPcl5eFonts.cpp, GPcl5eSoftFont.cpp) ----
  // A text-string graphic: its font's download record found or made, the
  // missing characters downloaded, the font selected and the characters
  // printed; the output status.
  int16_t DrawText(GGraphic* graphic) override;
  // Handling bytes: 4, 8, 20, 32, 48, 72, or 128 for a font or text this
  // generator cannot print with the printer's fonts.
  int32_t QueryFontHandling(GFontFace* face) override;
  int32_t QueryTextHandling(const GFontMetrics* metrics, int32_t kind, int32_t selector, const char** outText,
                            int32_t italic, int32_t weight, GDeviceFontDescription** outDescription) override;
  // Non-zero when the text holds an ESC character.
  int32_t CheckEscapeText(const RWCString& text) override;

  // The 16-bit symbol-set code of a text encoding (number x 32 + letter -
  // 64), 0 for an encoding without one.
  static uint16_t SymbolSetForEncoding(int32_t encoding);
  // Whether the printer font serves the face's metrics.
  static bool MatchesPrinterFont(const GDeviceFontDescription& font, const GFontMetrics& metrics);
  // The GL/2 font definition ("SD...") of a PCL font selection text.
  static RWCString ToLabelFontDefinition(const char* text, size_t length);
  // The byte that makes the bytes sum to 0 modulo 256.
  static uint8_t ComputeChecksum(const uint8_t* bytes, size_t count);
  // The longest font header that one header command carries.
  static constexpr uint32_t kMaxFontHeader = 32767;
  int16_t GetSelectedFontId() const { return primaryFontId_; }

  // A raster graphic, written as PCL raster graphics (GPcl5eRaster.cpp):
  // once inside each rectangle of a several-rectangle clip, else once.
  int16_t DrawRaster(GGraphic* graphic) override;

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
  void SetColourMode(int32_t mode) { colourMode_ = mode; }
  int IsInGl2() const { return inGl2_; }

  // Capability bits of the generator's configuration (112, then 136).
  enum Capability : uint32_t {
    kCapText = 1u << 0,
    kCapPixelPlacement = 1u << 1,
    kCapRasterOperations = 1u << 2,
    kCapSwapRotatedSizes = 1u << 3,
    kCapAlignToEdge = 1u << 4,
    kCapRectangles = 1u << 8,
    kCapCustomCode101 = 1u << 9,
    kCapCustomDecipoints = 1u << 10,
    kCapNoDuplex = 1u << 11,
  };
  uint32_t GetCapabilities() const { return capabilities_; }

  // Reads the capability set from the configuration; leaves the flags when
  // the configuration has none.
  virtual void ReadCapabilities();

  // ---- Raster output (GPcl5eRaster.cpp) ----
  // Writes one image (pattern 0) or defines the user-defined pattern id
  // (pattern 1): the source span of the bitmap drawn into the destination
  // (device dots, from the imageable origin), cut by an inside clip (may be
  // null). paletteFlag: a 1-bit image's bits are inverted, its palette
  // holding the dark colour at 0. Empty spans draw nothing.
  virtual int16_t DrawImage(const GBitmap& bitmap, int32_t pattern, int32_t patternId, GRect source,
                            GRect destination, GClip* clip, int32_t paletteFlag);
  // Defines the tile of a pattern paint as the pattern id, reduced in
  // colour depth when the paint asks to be scaled or carries colour rows;
  // paletteId receives the palette its cells index (1 in the monochrome
  // mode). 0 when the paint has no tile.
  virtual int32_t DefinePattern(GPaint* paint, int32_t id, int32_t* paletteId);
  // Selects the paint of a fill or an edge: kind 0 colour, 1 and 2 pattern,
  // 3 none; pen 1 edges, pen 2 fills; inGl2 says which language selects it.
  virtual void SelectPaint(int32_t kind, int32_t pen, int32_t inGl2);

  // Pending settings of the two modes (bits).
  enum PendingPcl : uint32_t { kPclSourceTransparency = 1, kPclPatternTransparency = 2, kPclRasterOperation = 4 };
  enum PendingGl2 : uint32_t { kGl2SourceTransparency = 1, kGl2Transparency = 2, kGl2MergeControl = 4,
                               kGl2InputWindow = 8 };

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
  // The output sink: the stream hands it full buffers, it sends them to
  // the channel under the shared rule and rewinds the stream.
  class Sink : public GOutputSink, public PclStreamCallback {
   public:
    explicit Sink(GPcl5e* owner) : owner_(owner) {}
    using GOutputSink::Flush;
    int16_t Flush(PclStream* stream, uint32_t userValue, const uint8_t* data, int32_t length) override;

   private:
    GPcl5e* owner_;
  };

  // The stored output settings, in the shared block's order.
  OutputBlock Output() const;
  void TakeOutput(const OutputBlock& block);
  void CopyValues(const GPcl5e& other);
  void CreateStream();
  void ResetJobMemories();
  void ResetPageDrawingState();
  // No brush colour: fills are white until a brush sets one.
  void ResetBrushColor();

  // ---- Output (GPcl5e.cpp) ----
  // Runs the template with the cells A to H; answers the bytes written.
  uint32_t Emit(const char* text, int32_t a = 0, int32_t b = 0, int32_t c = 0, int32_t d = 0, int32_t e = 0,
                int32_t f = 0, int32_t g = 0, int32_t h = 0);
  // Writes bytes as they are, through the stream.
  void EmitRaw(const void* data, int32_t length);
  int16_t FlushStream();
  // The latched status, reset to 0 (the output stays off).
  int16_t TakeOutputStatus();
  void EnterPclMode(uint32_t pending, bool reset);
  void EnterGl2Mode(uint32_t pending);
  void SetMode(int gl2);
  void SelectPalette(int id);
  void MoveCursor(int16_t x, int16_t y, bool forceX, bool forceY);
  void SetOrientation(int code);
  // The job's strings of feature 986, unchanged, straight to the channel
  // after what the stream holds.
  void WriteJobStrings(GState* job);
  void WriteCustomSizeRegistration(const GMedia& media, int degrees, bool front);
  // The page's medium: the own copy, the page state's, or a default.
  const GMedia& PageMedia() const;
  // The dither matrix width (8 without a matrix).
  int DitherWidth() const;
  void ChooseDitherMatrix(GState* job);
  // The print-side instance of the job (null without one, or when the job
  // was started by something else).
  GRenderInstance* RenderInstance() const;
  // The gray of a colour, 0 black to 255 white, by the render instance's
  // conversion (luminance without an instance).
  uint8_t GrayOf(const uint8_t rgb[3]) const;
  // Puts the default graphics state in place for the page, and the page's
  // transform into it.
  void ResetGraphicsState(GState* page);
  // The colour and rendering set-up: colour mode and palettes.
  void ColourSetup();

  // ---- Drawing state (GPcl5eDrawingState.cpp) ----
  void SelectPen(int pen);
  void SetFillType(int type);
  void SetPenWidth(int width);
  void SetRotation(int rotation);
  void SetForceBlack(int flag);
  void SetPatternTransparency(int32_t value);
  void SetSourceTransparency(int32_t value);
  void SelectPaintWithTransparency(int32_t kind, int32_t pen, int32_t inGl2);
  void ApplyPenPaintAndWidth(GPen* pen);
  int DefineGrayPattern(uint8_t red, uint8_t green, uint8_t blue);
  int ChoosePalette(uint8_t red, uint8_t green, uint8_t blue) const;

  // ---- Raster (GPcl5eRaster.cpp) ----
  // The size of the band buffer that collects encoded rows, and the fill
  // above which a band goes to the stream.
  static constexpr uint32_t kBandSize = 32528;
  static constexpr uint32_t kBandLimit = 32512;
  // The palettes whose colours images set (3 to 9).
  static constexpr int kFirstImagePalette = 3;
  static constexpr int kLastImagePalette = 9;
  // The graphic drawn under one clip (null: none): an inside clip cuts
  // the destination.
  int16_t DrawRasterClipped(GRasterGraphic* raster, GClip* clip);
  // The same with the destination and the clip in device dots.
  int16_t DrawClippedDevice(GRasterGraphic* raster, const GRect& source, const GRect& destination, GClip* clip);
  // Selects the palette id and writes the colours of the palette into it
  // (as grays in colour mode 0).
  void SendPalette(const GPaletteTable& palette, int id);
  // The colours of an indexed image of bits per pixel (its own palette, or
  // the gray ramp of its depth when null) into the palette id, unless that
  // palette holds them already; the palette is then selected.
  void SetImagePalette(const GPaletteTable* own, uint32_t bits, int id);
  // The palettes hold what the colour set-up put there.
  void ForgetImagePalettes();

  // ---- Text (GPcl5eText.cpp, GPcl5eFonts.cpp, GPcl5eSoftFont.cpp) ----
  struct TextRun;
  void ResetTextState();
  GPcl5eDownloadHandle* FindFontRecord(GFontFaceHandle* face);
  // The first printer font of the device-font lists that serves the
  // metrics (and its list), or null.
  GDeviceFontDescription* FindPrinterFont(const GFontMetrics& metrics, GDeviceFontList** list) const;
  GPcl5eDownloadHandle* CreatePrinterFontRecord(GFontFaceHandle* face);
  // A bitmap soft font when bitmapsOnly, else a TrueType one where the
  // face has outlines whose header fits one command.
  GPcl5eDownloadHandle* CreateSoftFontRecord(GFontFaceHandle* face, int32_t glyphEncoding, bool bitmapsOnly);
  GPcl5eDownloadHandle* NewRecord(GFontFaceHandle* face, const char* kindTag, int32_t kind, int32_t glyphEncoding);
  int32_t PrinterEncodingOf(const GDeviceFontDescription& font, GFontFaceHandle* face, int32_t encoding) const;
  // The printer font for PCL text, or for a GL/2 label (forLabel).
  void SelectPrinterFont(GFontFaceHandle* face, const GDeviceFontDescription& font, int32_t encoding, bool forLabel);
  // Runs the selection template set up into the label buffer and writes
  // its GL/2 font definition.
  void WriteLabelFontDefinition();
  RWCString SelectionTemplate(const GDeviceFontDescription& font) const;
  void SetSelectionCells(GFontFaceHandle* face, const GDeviceFontDescription& font, int32_t rotated);
  void SelectTrueTypeSoftFont(GFontFaceHandle* face, GPcl5eDownloadHandle* record, int32_t glyphEncoding);
  void SelectBitmapSoftFont(GScaledFont& scaled, GPcl5eDownloadHandle* record, int32_t glyphEncoding);
  void SetTextPath(int32_t path);
  void SelectFontById(int32_t id);
  void SetTextDirection(float angle);
  int32_t HeightCentipoints(int32_t height) const;
  bool BuildTrueTypeHeader(GFontFaceHandle* face, int32_t id, std::vector<uint8_t>& header, bool& tooLarge);
  int SendTrueTypeFontHeader(GFontFaceHandle* face, GPcl5eDownloadHandle* record);
  // The header of the record's font, or of one of its 256-code blocks (id).
  int SendBitmapFontHeader(GScaledFont& scaled, GPcl5eDownloadHandle* record, int32_t id);
  // The soft font that holds a bitmap character's code, and the code in it.
  int32_t BitmapFontIdOf(GPcl5eDownloadHandle* record, uint16_t code, uint16_t* inFont);
  void SendInitialTrueTypeCharacters(GFontFaceHandle* face, GPcl5eDownloadHandle* record);
  void AddTrueTypeCharacters(GFontFaceHandle* face, GPcl5eDownloadHandle* record, const GTextString& text,
                             const GTextString& codes);
  void AddBitmapCharacters(GScaledFont& scaled, GPcl5eDownloadHandle* record, const GTextString& text,
                           const GTextString& codes);
  uint32_t SendTrueTypeGlyph(GFontFaceHandle* face, GPcl5eDownloadHandle* record, uint16_t glyph, uint16_t code,
                             int depth);
  void ReleaseUntilAvailable(uint64_t needed);
  void DeleteSoftFont(int32_t id);
  void PrintText(const TextRun& run);
  void PrintLabel(const TextRun& run, uint32_t index, int32_t x, int32_t y, bool rotatedPath);
  void WriteTextCodes(const GTextString& text, bool transparent);
  int ClassifyGlyph(const TextRun& run, int32_t x, int32_t y, uint32_t index) const;

  // ---- Paths (GPcl5ePaths.cpp) ----
  void ClosePolygonSubpath();
  void BeginFigure(bool closed);
  void EndFigure(uint8_t savedFlags);
  void FillAndEdge();
  void DropPolygonCache();
  void ResetPathState();
  int16_t DrawOneRectangle(const GRect& rect);
  // Writes the curve points after "BZ": "x,y," and the last "x,y".
  void EmitCurvePoints(const GShortPoint* points, int count);
  int16_t DrawArcFigure(GGraphic* graphic, int kind);

  // Output.
  Sink sink_{this};
  PclStream* stream_ = nullptr;
  GEscapeFormatter formatter_;
  uint32_t lastTick_ = 0;
  std::unique_ptr<GPenPalette> palette_;

  // Mode.
  int32_t inGl2_ = 0;
  int32_t gl2SetUp_ = 0;
  int32_t scalingSent_ = 0;
  uint32_t pendingPcl_ = 0;
  uint32_t pendingGl2_ = 0;
  uint16_t rasterOperation_ = 240;
  int32_t patternTransparency_ = 1;
  int32_t sourceTransparency_ = 1;
  int32_t clipKind_ = 0;  // 0 none, 1 rectangle, 2 reset
  int32_t clipKindSent_ = 0;
  int16_t clipLeft_ = 0, clipTop_ = 0, clipRight_ = 0, clipBottom_ = 0;
  int paletteSelected_ = 10;

  // Job.
  int32_t patternScaling_ = 1;
  int32_t twoBits_ = 0;
  int16_t imageMode_ = 1;
  int32_t edgeToEdge_ = 0;
  int16_t duplexSent_ = -1;
  int16_t sideCounter_ = -1;
  int16_t binSent_ = 0;
  int16_t paperSent_ = -1;
  RWCString mediaTypeSent_;
  GCountedPtr ditherMatrix_;  // GDitherMatrix
  float scaleX_ = 1.0f;
  float scaleY_ = 1.0f;
  // The offset (page dots) and rotation of the transform last set.
  int16_t transformOffsetX_ = 0;
  int16_t transformOffsetY_ = 0;
  int transformRotation_ = 0;
  uint32_t capabilities_ = 0;

  // Page.
  GCountedPtr pageMedia_;  // GMedia of the page state, or the own copy
  int orientationSent_ = 0;
  int16_t copies_ = 1;
  int32_t inScanLines_ = 0;
  // "#1B*r0F" (raster presentation) is still to be sent.
  int32_t rasterPresentation_ = -1;
  // The colours last sent into each image palette (3 to 9); null when
  // they are not known.
  std::unique_ptr<GPaletteTable> imagePalettes_[kLastImagePalette - kFirstImagePalette + 1];
  // The rectangles of a several-rectangle clip, and whether the clip is an
  // outside clip.
  std::vector<GRect> clipRects_;
  int32_t clipOutside_ = 0;

  // Drawing state.
  int32_t drawingFlags_ = 1;  // bit 0 pen, bit 1 brush
  int32_t fillRule_ = 0;
  int32_t penKind_ = 3;
  int32_t brushKind_ = 3;
  int32_t forceBlack_ = 0;
  int penWidthSent_ = -1;
  int rotationSent_ = -1;
  int penSelected_ = 10;
  int fillTypeSent_ = 0;
  int32_t lineTypeSet_ = 0;
  uint8_t lastPen_[3] = {0, 0, 0};
  int lastPenPalette_ = 10;
  uint8_t lastFill_[3] = {0, 0, 0};
  int lastFillPalette_ = 10;
  int32_t fillSelectedPcl_ = 0;
  int32_t fillSelectedGl2_ = 0;
  int32_t solidPrint_ = 1;
  int32_t hasBrushColor_ = 0;
  uint8_t brushColor_[3] = {255, 255, 255};
  int penWidth_ = 0;  // the width of the pen set, in dots

  // Text: the current-font memory of the page and the text buffer.
  RWCString fontSelection_;
  int32_t fontId_ = 0;
  float fontHeight_ = 0.0f;
  int16_t symbolSet_ = 0;
  int16_t verticalFont_ = 0;
  float textAngle_ = 0.0f;
  int8_t textPath_ = 0;
  int16_t primaryFontId_ = -1;
  int32_t italicSimulated_ = 0;
  int32_t boldSimulated_ = 0;
  int16_t offsetX_ = 0;
  int16_t offsetY_ = 0;

  // Paths.
  int16_t penX_ = 0;
  int16_t penY_ = 0;
  uint8_t polygonFlags_ = 0;
  GCountedPtr polygonCache_;  // GPolygonGraphic
};

RWCollectable* GPcl5eCreate();
