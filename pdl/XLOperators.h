// The PCL XL operator writers: one small function per operator form on top
// of the stream encoder (XLStream.h). Each writes the operator's attributes,
// each a tagged value followed by its attribute identifier, in a fixed order
// and with fixed data types, and then the operator byte; the order and the
// types are what the printer receives. Writers keep no state and take the
// stream first; a stream with a stored error (or none) makes them no-ops.
//
// Geometry operators come in four forms that differ only in the type of
// their coordinates: S16 (sint16), U16 (uint16), S32 (sint32) and R32
// (real32), e.g. XLRectangleS16 ... XLRectangleR32. Names and byte arrays
// take a pointer and a 32-bit count; an array too long for the format's
// 16-bit count stores the stream error -6 instead of a wrong count.
#pragma once

#include <cstdint>

#include "pdl/XLStream.h"

// Expands W(Name, Suffix, CoordinateType) for the four coordinate forms.
#define XL_IN_FOUR_FORMS(W, Name) \
  W(Name, S16, int16_t)           \
  W(Name, U16, uint16_t)          \
  W(Name, S32, int32_t)           \
  W(Name, R32, float)

#define XL_DECLARE_BOX(Name, Sfx, T) void XL##Name##Sfx(XLStream* stream, T x1, T y1, T x2, T y2);
#define XL_DECLARE_POINT(Name, Sfx, T) void XL##Name##Sfx(XLStream* stream, T x, T y);
#define XL_DECLARE_BOX_ENDS(Name, Sfx, T)                                                                    \
  void XL##Name##Sfx(XLStream* stream, T x1, T y1, T x2, T y2, T startX, T startY, T endX, T endY);
#define XL_DECLARE_ARC(Name, Sfx, T)                                                                         \
  void XL##Name##Sfx(XLStream* stream, T x1, T y1, T x2, T y2, T startX, T startY, T endX, T endY,          \
                     uint8_t direction);
#define XL_DECLARE_BEZIER(Name, Sfx, T)                                                                      \
  void XL##Name##Sfx(XLStream* stream, T c1x, T c1y, T c2x, T c2y, T endX, T endY);
#define XL_DECLARE_CLIP_RECT(Name, Sfx, T)                                                                   \
  void XL##Name##Sfx(XLStream* stream, T x1, T y1, T x2, T y2, uint8_t clipRegion);

// Session, page and data source.
void XLBeginSession(XLStream* stream, uint16_t unitsX, uint16_t unitsY, uint8_t measure);
void XLBeginSession(XLStream* stream, uint16_t unitsX, uint16_t unitsY, uint8_t measure, uint8_t errorReport);
void XLEndSession(XLStream* stream);
// BeginPage. The custom forms write CustomMediaSize as a real32 pair, the
// type that can carry a paper of 8.5 inches, then CustomMediaSizeUnits.
void XLBeginPage(XLStream* stream, uint8_t orientation, uint8_t mediaSize);
void XLBeginPage(XLStream* stream, uint8_t orientation, uint8_t mediaSize, uint8_t mediaSource);
void XLBeginPageTyped(XLStream* stream, uint8_t orientation, uint8_t mediaSize, const uint8_t* mediaType,
                      uint32_t typeLength, uint8_t mediaSource);
void XLBeginPageCustom(XLStream* stream, uint8_t orientation, float width, float height, uint8_t units);
void XLBeginPageCustom(XLStream* stream, uint8_t orientation, float width, float height, uint8_t units,
                       uint8_t mediaSource);
void XLBeginPageCustomTyped(XLStream* stream, uint8_t orientation, float width, float height, uint8_t units,
                            const uint8_t* mediaType, uint32_t typeLength, uint8_t mediaSource);
void XLEndPage(XLStream* stream);
void XLEndPageCopies(XLStream* stream, uint16_t copies);
void XLEndPageCopiesSource(XLStream* stream, uint16_t copies, uint8_t mediaSource);
void XLEndPageSource(XLStream* stream, uint8_t mediaSource);
void XLOpenDataSource(XLStream* stream, uint8_t sourceType);
void XLOpenDataSource(XLStream* stream, uint8_t sourceType, uint8_t dataOrg);
void XLCloseDataSource(XLStream* stream);
void XLComment(XLStream* stream, const uint8_t* data, uint32_t length);
void XLEchoComment(XLStream* stream, const uint8_t* data, uint32_t length);
void XLQuery(XLStream* stream, const uint8_t* key, uint32_t length);
// The operator, then the bytes as embedded data (FA form).
void XLPassThrough(XLStream* stream, const uint8_t* data, uint32_t length);
void XLBeginStream(XLStream* stream, const uint8_t* name, uint32_t length);
void XLReadStream(XLStream* stream, uint32_t dataLength);
void XLEndStream(XLStream* stream);
void XLExecStream(XLStream* stream, uint32_t dataLength);
void XLRemoveStream(XLStream* stream, uint32_t dataLength);

// Vendor-unique settings (VendorUnique; each begins with VUExtension).
void XLVendorUnique(XLStream* stream, uint32_t extension);                      // VUExtension only
void XLVendorUniqueByte(XLStream* stream, uint8_t value1);                      // 0x71762002
void XLVendorUniqueTwoBytes(XLStream* stream, uint8_t value1, uint8_t value2);  // 0x71762001
// 0x71761001 or 0x71761002: VUAttr1 ubyte, VUAttr2 uint16.
void XLVendorUniqueByteWord(XLStream* stream, uint32_t extension, uint8_t value1, uint16_t value2);
// 0x71761003: VUAttr2 ubyte, VUAttr1 uint16, VUDataLength, the operator and
// the data bytes straight after it, with no embedded-data prefix.
void XLVendorUniqueData(XLStream* stream, uint8_t value2, uint16_t value1, const uint8_t* data, uint32_t length);
// The table-driven form: values for VUAttr1 to VUAttr9, written by the
// row's kind. The table has 30 rows (0 to 29); another row writes nothing
// and answers false.
struct XLVendorValues {
  uint16_t value1 = 0, value2 = 0, value3 = 0, value4 = 0;
  uint32_t value5 = 0;
  uint8_t value6 = 0;
  float value7 = 0, value8 = 0;
  uint16_t value9 = 0;
};
constexpr uint32_t kXLVendorTableRows = 30;
bool XLVendorUniqueTable(XLStream* stream, uint32_t row, const XLVendorValues& values);

// Graphics state.
void XLPushGS(XLStream* stream);
void XLPopGS(XLStream* stream);
void XLSetPageDefaultCTM(XLStream* stream);
void XLSetClipToPage(XLStream* stream);
void XLSetPathToClip(XLStream* stream);
void XLSetBrushSourceGrayReal(XLStream* stream, float gray);
void XLSetBrushSourceGray(XLStream* stream, uint8_t gray);
void XLSetBrushSourceNull(XLStream* stream);
void XLSetBrushSourcePattern(XLStream* stream, int16_t patternId);
void XLSetBrushSourcePatternScaled(XLStream* stream, uint16_t width, uint16_t height, int16_t patternId);
void XLSetBrushSourceRGBReal(XLStream* stream, float red, float green, float blue);
void XLSetBrushSourceRGB(XLStream* stream, uint8_t red, uint8_t green, uint8_t blue);
void XLSetBrushSourcePrimary(XLStream* stream, uint8_t depth, const uint8_t* primaries, uint32_t count);
void XLSetPenSourceGrayReal(XLStream* stream, float gray);
void XLSetPenSourceGray(XLStream* stream, uint8_t gray);
void XLSetPenSourceNull(XLStream* stream);
void XLSetPenSourcePattern(XLStream* stream, int16_t patternId);
void XLSetPenSourcePatternScaled(XLStream* stream, uint16_t width, uint16_t height, int16_t patternId);
void XLSetPenSourceRGBReal(XLStream* stream, float red, float green, float blue);
void XLSetPenSourceRGB(XLStream* stream, uint8_t red, uint8_t green, uint8_t blue);
void XLSetPenSourcePrimary(XLStream* stream, uint8_t depth, const uint8_t* primaries, uint32_t count);
void XLSetColorSpace(XLStream* stream, uint8_t colorSpace);
void XLSetColorSpacePalette(XLStream* stream, uint8_t colorSpace, uint8_t paletteDepth, const uint8_t* palette,
                            uint32_t length);
void XLSetColorimetricColorSpace(XLStream* stream, uint8_t colorSpace, const float chromaticities[6],
                                 const float whitePoint[2], const float minMax[6], const float gammaGain[6]);
// Attribute 0x16 as ubyte, then attributes 0x17 to 0x1B as real32.
void XLSetColorSpaceCodes(XLStream* stream, uint8_t value16, const float values17To1B[5]);
void XLSetColorTreatment(XLStream* stream, uint8_t treatment);
void XLSetColorTreatmentObjects(XLStream* stream, uint8_t text, uint8_t vector, uint8_t raster);
void XLSetHalftoneMethod(XLStream* stream, uint8_t deviceMatrix);
void XLSetHalftoneMethodObjects(XLStream* stream, uint8_t text, uint8_t vector, uint8_t raster);
void XLSetHalftoneMethodObjects(XLStream* stream, uint8_t text, uint8_t vector, uint8_t raster, uint16_t originX,
                                uint16_t originY);
// The dither matrix itself follows as embedded data written by the caller.
void XLSetHalftoneMethodMatrix(XLStream* stream, uint16_t width, uint16_t height, uint8_t depth, uint8_t dataType);
void XLSetHalftoneMethodMatrix(XLStream* stream, uint16_t width, uint16_t height, uint8_t depth, uint8_t dataType,
                               uint16_t originX, uint16_t originY);
void XLSetNeutralAxisObjects(XLStream* stream, uint8_t text, uint8_t vector, uint8_t raster);
void XLSetNeutralAxisText(XLStream* stream, uint8_t text);
void XLSetNeutralAxisVector(XLStream* stream, uint8_t vector);
void XLSetNeutralAxisRaster(XLStream* stream, uint8_t raster);
void XLSetNeutralAxisAll(XLStream* stream, uint8_t all);
void XLSetColorTrapping(XLStream* stream, uint8_t all);
void XLSetAdaptiveHalftoningObjects(XLStream* stream, uint8_t text, uint8_t vector, uint8_t raster);
void XLSetAdaptiveHalftoningAll(XLStream* stream, uint8_t all);
void XLSetROP(XLStream* stream, uint8_t rop3);
void XLSetSourceTxMode(XLStream* stream, uint8_t mode);
void XLSetPatternTxMode(XLStream* stream, uint8_t mode);
void XLSetFillMode(XLStream* stream, uint8_t mode);
void XLSetLineCap(XLStream* stream, uint8_t cap);
void XLSetLineJoin(XLStream* stream, uint8_t join);
void XLSetMiterLimit(XLStream* stream, uint16_t length);
void XLSetMiterLimitReal(XLStream* stream, float length);
void XLSetPenWidth(XLStream* stream, uint16_t width);
void XLSetPenWidthReal(XLStream* stream, float width);
void XLSetLineDash(XLStream* stream, const uint16_t* dashes, uint32_t count);
void XLSetLineDashOffset(XLStream* stream, const uint16_t* dashes, uint32_t count, uint16_t offset);
void XLSetLineDashSolid(XLStream* stream);
void XLSetClipReplace(XLStream* stream, uint8_t clipRegion);
void XLSetClipIntersect(XLStream* stream, uint8_t clipRegion);
XL_IN_FOUR_FORMS(XL_DECLARE_CLIP_RECT, SetClipRectangle)
void XLSetClipMode(XLStream* stream, uint8_t mode);
XL_IN_FOUR_FORMS(XL_DECLARE_POINT, SetCursor)
void XLSetCursorMeasure(XLStream* stream, uint8_t measure, float unitsX, float unitsY);
XL_IN_FOUR_FORMS(XL_DECLARE_POINT, SetCursorRel)
XL_IN_FOUR_FORMS(XL_DECLARE_POINT, SetPageOrigin)
void XLSetPageRotation(XLStream* stream, int16_t angle);
void XLSetPageRotationReal(XLStream* stream, float angle);
void XLSetPageScale(XLStream* stream, float x, float y);

// Paths and shapes.
void XLNewPath(XLStream* stream);
void XLCloseSubPath(XLStream* stream);
void XLPaintPath(XLStream* stream);
XL_IN_FOUR_FORMS(XL_DECLARE_ARC, ArcPath)
XL_IN_FOUR_FORMS(XL_DECLARE_BOX_ENDS, Chord)
XL_IN_FOUR_FORMS(XL_DECLARE_BOX_ENDS, ChordPath)
XL_IN_FOUR_FORMS(XL_DECLARE_BOX_ENDS, Pie)
XL_IN_FOUR_FORMS(XL_DECLARE_BOX_ENDS, PiePath)
XL_IN_FOUR_FORMS(XL_DECLARE_BOX, Ellipse)
XL_IN_FOUR_FORMS(XL_DECLARE_BOX, EllipsePath)
XL_IN_FOUR_FORMS(XL_DECLARE_BOX, Rectangle)
XL_IN_FOUR_FORMS(XL_DECLARE_BOX, RectanglePath)
// EllipseDimension: uint16 in the S16 and U16 forms, uint32 (RoundRectangle)
// or sint32 (RoundRectanglePath) in the S32 form, real32 in the R32 form.
void XLRoundRectangleS16(XLStream* stream, int16_t x1, int16_t y1, int16_t x2, int16_t y2, uint16_t ellipseX,
                         uint16_t ellipseY);
void XLRoundRectangleU16(XLStream* stream, uint16_t x1, uint16_t y1, uint16_t x2, uint16_t y2, uint16_t ellipseX,
                         uint16_t ellipseY);
void XLRoundRectangleS32(XLStream* stream, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t ellipseX,
                         uint32_t ellipseY);
void XLRoundRectangleR32(XLStream* stream, float x1, float y1, float x2, float y2, float ellipseX, float ellipseY);
void XLRoundRectanglePathS16(XLStream* stream, int16_t x1, int16_t y1, int16_t x2, int16_t y2, uint16_t ellipseX,
                             uint16_t ellipseY);
void XLRoundRectanglePathU16(XLStream* stream, uint16_t x1, uint16_t y1, uint16_t x2, uint16_t y2,
                             uint16_t ellipseX, uint16_t ellipseY);
void XLRoundRectanglePathS32(XLStream* stream, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t ellipseX,
                             int32_t ellipseY);
void XLRoundRectanglePathR32(XLStream* stream, float x1, float y1, float x2, float y2, float ellipseX,
                             float ellipseY);
XL_IN_FOUR_FORMS(XL_DECLARE_POINT, LinePath)
XL_IN_FOUR_FORMS(XL_DECLARE_POINT, LineRelPath)
XL_IN_FOUR_FORMS(XL_DECLARE_BEZIER, BezierPath)
XL_IN_FOUR_FORMS(XL_DECLARE_BEZIER, BezierRelPath)
// Point lists: NumberOfPoints and PointType; the caller writes the points
// as embedded data after the operator.
void XLLinePathPoints(XLStream* stream, uint16_t count, uint8_t pointType);
void XLLineRelPathPoints(XLStream* stream, uint16_t count, uint8_t pointType);
void XLBezierPathPoints(XLStream* stream, uint16_t count, uint8_t pointType);
void XLBezierRelPathPoints(XLStream* stream, uint16_t count, uint8_t pointType);

// Images, patterns and scan lines.
void XLBeginImage(XLStream* stream, uint8_t colorMapping, uint8_t colorDepth, uint16_t sourceWidth,
                  uint16_t sourceHeight, uint16_t destinationWidth, uint16_t destinationHeight);
void XLBeginImage32(XLStream* stream, uint8_t colorMapping, uint8_t colorDepth, uint32_t sourceWidth,
                    uint32_t sourceHeight, uint16_t destinationWidth, uint16_t destinationHeight);
// The row data follows as embedded data written by the caller.
void XLReadImage(XLStream* stream, uint16_t startLine, uint16_t blockHeight, uint8_t compressMode);
void XLReadImage32(XLStream* stream, uint32_t startLine, uint32_t blockHeight, uint8_t compressMode);
void XLReadImagePadded(XLStream* stream, uint32_t startLine, uint32_t blockHeight, uint8_t compressMode,
                       uint8_t padBytesMultiple);
void XLEndImage(XLStream* stream);
void XLBeginRastPattern(XLStream* stream, uint8_t colorMapping, uint8_t colorDepth, uint16_t sourceWidth,
                        uint16_t sourceHeight, uint16_t destinationWidth, uint16_t destinationHeight,
                        int16_t patternId, uint8_t persistence);
void XLBeginRastPattern32(XLStream* stream, uint8_t colorMapping, uint8_t colorDepth, uint32_t sourceWidth,
                          uint32_t sourceHeight, uint32_t destinationWidth, uint32_t destinationHeight,
                          int16_t patternId);
void XLReadRastPattern(XLStream* stream, uint16_t startLine, uint16_t blockHeight, uint8_t compressMode);
void XLReadRastPattern32(XLStream* stream, uint32_t startLine, uint32_t blockHeight, uint8_t compressMode);
void XLEndRastPattern(XLStream* stream);
void XLBeginScan(XLStream* stream);
void XLEndScan(XLStream* stream);

// ScanLineRel. One line: the operator and embedded data of the byte 0x03
// and the line record x start, y, pair count n (uint16 each), pair type,
// then the 2n values (start-skip and run-length pairs) as bytes (pair type
// 0, when every value is at most 255) or as uint16 (pair type 2). The
// writers take y before the x start and write the x start first.
void XLScanLineRel(XLStream* stream, uint16_t y, uint16_t xStart, const uint16_t* values, uint16_t pairCount);
// The operator, the length, 0x03 and the record head with pair type 2; the
// caller writes the 2n values with XLWriteRawUInt16.
void XLScanLineRelHeader(XLStream* stream, uint16_t y, uint16_t xStart, uint16_t pairCount);
// Buffered scan lines in a caller-owned array of 16-bit words: word 0 the
// capacity in words, 1 the next free word, 2 the first line word, 3 the
// embedded byte count, 4 the number of lines, the lines from word 5. A
// capacity below 10 leaves the buffer unusable; one above 65535 words is
// used as 65535.
void XLScanLineBufferInit(uint16_t* buffer, uint32_t capacity);
// Stores the line, flushing the buffer first when it is full; a line that
// does not fit even an empty buffer goes out at once between BeginScan and
// EndScan.
void XLScanLineBuffered(XLStream* stream, uint16_t y, uint16_t xStart, const uint16_t* values, uint16_t pairCount,
                        uint16_t* buffer);
// Writes the stored lines as BeginScan, [NumberOfScanLines,] ScanLineRel
// and EndScan, and empties the buffer; nothing when it is empty or unusable.
void XLScanLineBufferFlush(XLStream* stream, uint16_t* buffer);

// Fonts and text.
void XLBeginFontHeader(XLStream* stream, const uint8_t* name, uint32_t length, uint8_t format);
void XLReadFontHeader(XLStream* stream, uint16_t headerLength);
void XLEndFontHeader(XLStream* stream);
void XLBeginChar(XLStream* stream, const uint8_t* name, uint32_t length);
void XLReadChar(XLStream* stream, uint16_t charCode, uint32_t dataSize);
void XLEndChar(XLStream* stream);
void XLRemoveFont(XLStream* stream, const uint8_t* name, uint32_t length);
void XLSetFont(XLStream* stream, const uint8_t* name, uint32_t length, float charSize, uint16_t symbolSet);
void XLSetFontPCL(XLStream* stream, const uint8_t* selection, uint32_t length);
void XLSetCharAttributes(XLStream* stream, uint8_t writingMode);
void XLSetCharAngle(XLStream* stream, int16_t angle);
void XLSetCharAngleReal(XLStream* stream, float angle);
void XLSetCharScale(XLStream* stream, float x, float y);
void XLSetCharShear(XLStream* stream, int16_t x, int16_t y);
void XLSetCharShearReal(XLStream* stream, float x, float y);
void XLSetCharBoldValue(XLStream* stream, float value);
// The count is taken modulo 256.
void XLSetCharSubMode(XLStream* stream, const uint8_t* modes, uint32_t count);
// Text and TextPath with 8-bit or 16-bit codes, then the spacing arrays
// (either may be none; each holds count values). One spacing array goes as
// a ubyte array when all its values lie in 0..255, else as sint16; both go
// as sint16 arrays.
void XLText(XLStream* stream, const uint8_t* codes, uint32_t count, const int16_t* xSpacing,
            const int16_t* ySpacing);
void XLText16(XLStream* stream, const uint16_t* codes, uint32_t count, const int16_t* xSpacing,
              const int16_t* ySpacing);
void XLTextPath(XLStream* stream, const uint8_t* codes, uint32_t count, const int16_t* xSpacing,
                const int16_t* ySpacing);
void XLTextPath16(XLStream* stream, const uint16_t* codes, uint32_t count, const int16_t* xSpacing,
                  const int16_t* ySpacing);
