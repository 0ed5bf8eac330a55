#include "pdl/XLOperators.h"

#include <algorithm>

namespace {

// Operator codes.
enum : uint8_t {
  kBeginSession = 0x41, kEndSession = 0x42, kBeginPage = 0x43, kEndPage = 0x44, kVendorUnique = 0x46,
  kComment = 0x47, kOpenDataSource = 0x48, kCloseDataSource = 0x49, kEchoComment = 0x4A, kQuery = 0x4B,
  kBeginFontHeader = 0x4F, kReadFontHeader = 0x50, kEndFontHeader = 0x51, kBeginChar = 0x52, kReadChar = 0x53,
  kEndChar = 0x54, kRemoveFont = 0x55, kSetCharAttributes = 0x56, kSetColorTreatment = 0x58,
  kBeginStream = 0x5B, kReadStream = 0x5C, kEndStream = 0x5D, kExecStream = 0x5E, kRemoveStream = 0x5F,
  kPopGS = 0x60, kPushGS = 0x61, kSetClipReplace = 0x62, kSetBrushSource = 0x63, kSetCharAngle = 0x64,
  kSetCharScale = 0x65, kSetCharShear = 0x66, kSetClipIntersect = 0x67, kSetClipRectangle = 0x68,
  kSetClipToPage = 0x69, kSetColorSpace = 0x6A, kSetCursor = 0x6B, kSetCursorRel = 0x6C,
  kSetHalftoneMethod = 0x6D, kSetFillMode = 0x6E, kSetFont = 0x6F, kSetLineDash = 0x70, kSetLineCap = 0x71,
  kSetLineJoin = 0x72, kSetMiterLimit = 0x73, kSetPageDefaultCTM = 0x74, kSetPageOrigin = 0x75,
  kSetPageRotation = 0x76, kSetPageScale = 0x77, kSetPatternTxMode = 0x78, kSetPenSource = 0x79,
  kSetPenWidth = 0x7A, kSetROP = 0x7B, kSetSourceTxMode = 0x7C, kSetCharBoldValue = 0x7D,
  kSetNeutralAxis = 0x7E, kSetClipMode = 0x7F, kSetPathToClip = 0x80, kSetCharSubMode = 0x81,
  kCloseSubPath = 0x84, kNewPath = 0x85, kPaintPath = 0x86, kArcPath = 0x91, kSetColorTrapping = 0x92,
  kBezierPath = 0x93, kSetAdaptiveHalftoning = 0x94, kBezierRelPath = 0x95, kChord = 0x96, kChordPath = 0x97,
  kEllipse = 0x98, kEllipsePath = 0x99, kLinePath = 0x9B, kLineRelPath = 0x9D, kPie = 0x9E, kPiePath = 0x9F,
  kRectangle = 0xA0, kRectanglePath = 0xA1, kRoundRectangle = 0xA2, kRoundRectanglePath = 0xA3, kText = 0xA8,
  kTextPath = 0xA9, kBeginImage = 0xB0, kReadImage = 0xB1, kEndImage = 0xB2, kBeginRastPattern = 0xB3,
  kReadRastPattern = 0xB4, kEndRastPattern = 0xB5, kBeginScan = 0xB6, kEndScan = 0xB8, kScanLineRel = 0xB9,
  kPassThrough = 0xBF,
};

// Attribute identifiers.
enum : uint8_t {
  aPaletteDepth = 0x02, aColorSpace = 0x03, aNullBrush = 0x04, aNullPen = 0x05, aPaletteData = 0x06,
  aPatternSelectID = 0x08, aGrayLevel = 0x09, aRGBColor = 0x0B, aNewDestinationSize = 0x0D,
  aPrimaryArray = 0x0E, aPrimaryDepth = 0x0F, aColorimetricColorSpace = 0x11, aXYChromaticities = 0x12,
  aWhiteReferencePoint = 0x13, aCRGBMinMax = 0x14, aGammaGain = 0x15, aColorSpaceCodes = 0x16,
  aAllObjectTypes = 0x1D, aTextObjects = 0x1E, aVectorObjects = 0x1F, aRasterObjects = 0x20,
  aDeviceMatrix = 0x21, aDitherMatrixDataType = 0x22, aDitherOrigin = 0x23, aMediaSize = 0x25,
  aMediaSource = 0x26, aMediaType = 0x27, aOrientation = 0x28, aPageAngle = 0x29, aPageOrigin = 0x2A,
  aPageScale = 0x2B, aROP3 = 0x2C, aTxMode = 0x2D, aCustomMediaSize = 0x2F, aCustomMediaSizeUnits = 0x30,
  aPageCopies = 0x31, aDitherMatrixSize = 0x32, aDitherMatrixDepth = 0x33, aArcDirection = 0x41,
  aBoundingBox = 0x42, aDashOffset = 0x43, aEllipseDimension = 0x44, aEndPoint = 0x45, aFillMode = 0x46,
  aLineCapStyle = 0x47, aLineJoinStyle = 0x48, aMiterLength = 0x49, aLineDashStyle = 0x4A, aPenWidth = 0x4B,
  aPoint = 0x4C, aNumberOfPoints = 0x4D, aSolidLine = 0x4E, aStartPoint = 0x4F, aPointType = 0x50,
  aControlPoint1 = 0x51, aControlPoint2 = 0x52, aClipRegion = 0x53, aClipMode = 0x54, aColorDepth = 0x62,
  aBlockHeight = 0x63, aColorMapping = 0x64, aCompressMode = 0x65, aDestinationSize = 0x67,
  aPatternPersistence = 0x68, aPatternDefineID = 0x69, aSourceHeight = 0x6B, aSourceWidth = 0x6C,
  aStartLine = 0x6D, aPadBytesMultiple = 0x6E, aNumberOfScanLines = 0x73, aColorTreatment = 0x78,
  aCommentData = 0x81, aDataOrg = 0x82, aMeasure = 0x86, aSourceType = 0x88, aUnitsPerMeasure = 0x89,
  aQueryKey = 0x8A, aStreamName = 0x8B, aStreamDataLength = 0x8C, aPCLSelectFont = 0x8D, aErrorReport = 0x8F,
  aVUExtension = 0x91, aVUDataLength = 0x92, aVUAttr1 = 0x93, aCharAngle = 0xA1, aCharCode = 0xA2,
  aCharDataSize = 0xA3, aCharScale = 0xA4, aCharShear = 0xA5, aCharSize = 0xA6, aFontHeaderLength = 0xA7,
  aFontName = 0xA8, aFontFormat = 0xA9, aSymbolSet = 0xAA, aTextData = 0xAB, aCharSubModeArray = 0xAC,
  aWritingMode = 0xAD, aXSpacingData = 0xAF, aYSpacingData = 0xB0, aCharBoldValue = 0xB1,
};

// VUAttr1 to VUAttr9 are consecutive.
constexpr uint8_t VUAttr(int n) { return static_cast<uint8_t>(aVUAttr1 + n - 1); }

void Op(XLStream* s, uint8_t code) { XLWriteOperator(s, code); }
void Id(XLStream* s, uint8_t id) { XLWriteAttributeId(s, id); }

// A tagged value and its attribute identifier.
void UByte(XLStream* s, uint8_t v, uint8_t id) { XLWriteUByte(s, v), Id(s, id); }
void UInt16(XLStream* s, uint16_t v, uint8_t id) { XLWriteUInt16(s, v), Id(s, id); }
void SInt16(XLStream* s, int16_t v, uint8_t id) { XLWriteSInt16(s, v), Id(s, id); }
void UInt32(XLStream* s, uint32_t v, uint8_t id) { XLWriteUInt32(s, v), Id(s, id); }
void Real32(XLStream* s, float v, uint8_t id) { XLWriteReal32(s, v), Id(s, id); }
void UInt16XY(XLStream* s, uint16_t x, uint16_t y, uint8_t id) { XLWriteUInt16XY(s, x, y), Id(s, id); }
void Real32XY(XLStream* s, float x, float y, uint8_t id) { XLWriteReal32XY(s, x, y), Id(s, id); }
void UBytes(XLStream* s, const uint8_t* v, uint32_t n, uint8_t id) { XLWriteUByteArray(s, v, n), Id(s, id); }
void Real32s(XLStream* s, const float* v, uint32_t n, uint8_t id) { XLWriteReal32Array(s, v, n), Id(s, id); }

// Coordinates of the four geometry forms.
void XY(XLStream* s, int16_t x, int16_t y) { XLWriteSInt16XY(s, x, y); }
void XY(XLStream* s, uint16_t x, uint16_t y) { XLWriteUInt16XY(s, x, y); }
void XY(XLStream* s, int32_t x, int32_t y) { XLWriteSInt32XY(s, x, y); }
void XY(XLStream* s, uint32_t x, uint32_t y) { XLWriteUInt32XY(s, x, y); }
void XY(XLStream* s, float x, float y) { XLWriteReal32XY(s, x, y); }
void Box(XLStream* s, int16_t a, int16_t b, int16_t c, int16_t d) { XLWriteSInt16Box(s, a, b, c, d); }
void Box(XLStream* s, uint16_t a, uint16_t b, uint16_t c, uint16_t d) { XLWriteUInt16Box(s, a, b, c, d); }
void Box(XLStream* s, int32_t a, int32_t b, int32_t c, int32_t d) { XLWriteSInt32Box(s, a, b, c, d); }
void Box(XLStream* s, float a, float b, float c, float d) { XLWriteReal32Box(s, a, b, c, d); }

template <class T>
void PointAttr(XLStream* s, T x, T y, uint8_t id) {
  XY(s, x, y);
  Id(s, id);
}

template <class T>
void BoxAttr(XLStream* s, T x1, T y1, T x2, T y2) {
  Box(s, x1, y1, x2, y2);
  Id(s, aBoundingBox);
}

template <class T>
void BoxEnds(XLStream* s, T x1, T y1, T x2, T y2, T sx, T sy, T ex, T ey) {
  BoxAttr(s, x1, y1, x2, y2);
  PointAttr(s, sx, sy, aStartPoint);
  PointAttr(s, ex, ey, aEndPoint);
}

template <class T, class D>
void RoundRect(XLStream* s, T x1, T y1, T x2, T y2, D ex, D ey, uint8_t op) {
  BoxAttr(s, x1, y1, x2, y2);
  PointAttr(s, ex, ey, aEllipseDimension);
  Op(s, op);
}

// The three object kinds in one operator.
void Objects(XLStream* s, uint8_t text, uint8_t vector, uint8_t raster) {
  UByte(s, text, aTextObjects);
  UByte(s, vector, aVectorObjects);
  UByte(s, raster, aRasterObjects);
}

// The colour-source forms shared by SetBrushSource and SetPenSource.
struct Source {
  uint8_t op, nullId;
};
constexpr Source kBrush{kSetBrushSource, aNullBrush};
constexpr Source kPen{kSetPenSource, aNullPen};

void SourceGrayReal(XLStream* s, Source k, float g) { Real32(s, g, aGrayLevel), Op(s, k.op); }
void SourceGray(XLStream* s, Source k, uint8_t g) { UByte(s, g, aGrayLevel), Op(s, k.op); }
void SourceNull(XLStream* s, Source k) { UByte(s, 0, k.nullId), Op(s, k.op); }
void SourcePattern(XLStream* s, Source k, int16_t id) { SInt16(s, id, aPatternSelectID), Op(s, k.op); }
void SourcePatternScaled(XLStream* s, Source k, uint16_t w, uint16_t h, int16_t id) {
  UInt16XY(s, w, h, aNewDestinationSize);
  SourcePattern(s, k, id);
}
void SourceRGBReal(XLStream* s, Source k, float r, float g, float b) {
  const float rgb[3] = {r, g, b};
  Real32s(s, rgb, 3, aRGBColor);
  Op(s, k.op);
}
void SourceRGB(XLStream* s, Source k, uint8_t r, uint8_t g, uint8_t b) {
  const uint8_t rgb[3] = {r, g, b};
  UBytes(s, rgb, 3, aRGBColor);
  Op(s, k.op);
}
void SourcePrimary(XLStream* s, Source k, uint8_t depth, const uint8_t* p, uint32_t n) {
  UByte(s, depth, aPrimaryDepth);
  UBytes(s, p, n, aPrimaryArray);
  Op(s, k.op);
}

// BeginPage: the size part of each form, then the optional type and source.
void PageHead(XLStream* s, uint8_t orientation, uint8_t mediaSize) {
  UByte(s, orientation, aOrientation);
  UByte(s, mediaSize, aMediaSize);
}
void PageHeadCustom(XLStream* s, uint8_t orientation, float w, float h, uint8_t units) {
  UByte(s, orientation, aOrientation);
  Real32XY(s, w, h, aCustomMediaSize);
  UByte(s, units, aCustomMediaSizeUnits);
}

void ImageHead(XLStream* s, uint8_t mapping, uint8_t depth) {
  UByte(s, mapping, aColorMapping);
  UByte(s, depth, aColorDepth);
}

template <class T>
void Block(XLStream* s, T start, T height, uint8_t compress);
template <>
void Block(XLStream* s, uint16_t start, uint16_t height, uint8_t compress) {
  UInt16(s, start, aStartLine);
  UInt16(s, height, aBlockHeight);
  UByte(s, compress, aCompressMode);
}
template <>
void Block(XLStream* s, uint32_t start, uint32_t height, uint8_t compress) {
  UInt32(s, start, aStartLine);
  UInt32(s, height, aBlockHeight);
  UByte(s, compress, aCompressMode);
}

void Name(XLStream* s, const uint8_t* name, uint32_t length) { UBytes(s, name, length, aFontName); }

// Spacing arrays of Text and TextPath.
bool AllBytes(const int16_t* values, uint32_t count) {
  return std::all_of(values, values + count, [](int16_t v) { return v >= 0 && v <= 255; });
}
void Spacing(XLStream* s, uint32_t count, const int16_t* x, const int16_t* y) {
  if (x != nullptr && y != nullptr) {
    XLWriteSInt16Array(s, x, count), Id(s, aXSpacingData);
    XLWriteSInt16Array(s, y, count), Id(s, aYSpacingData);
    return;
  }
  const int16_t* one = x != nullptr ? x : y;
  if (one == nullptr) return;
  if (AllBytes(one, count))
    XLWriteUByteArrayFrom16(s, reinterpret_cast<const uint16_t*>(one), count);
  else
    XLWriteSInt16Array(s, one, count);
  Id(s, x != nullptr ? aXSpacingData : aYSpacingData);
}

template <class C>
void TextOp(XLStream* s, const C* codes, uint32_t count, const int16_t* x, const int16_t* y, uint8_t op) {
  if constexpr (sizeof(C) == 1)
    XLWriteUByteArray(s, codes, count);
  else
    XLWriteUInt16Array(s, codes, count);
  Id(s, aTextData);
  Spacing(s, count, x, y);
  Op(s, op);
}

// Scan lines.
constexpr uint8_t kScanLineData = 0x03;
uint8_t PairType(const uint16_t* values, uint32_t valueCount) {
  return std::all_of(values, values + valueCount, [](uint16_t v) { return v <= 255; }) ? 0 : 2;
}
uint32_t LineBytes(uint8_t pairType, uint32_t pairCount) { return 7 + (pairType == 0 ? 2 : 4) * pairCount; }

void LineHead(XLStream* s, uint16_t x, uint16_t y, uint16_t n, uint8_t type) {
  XLWriteRawUInt16(s, x);
  XLWriteRawUInt16(s, y);
  XLWriteRawUInt16(s, n);
  XLWriteRawByte(s, type);
}
void LineValues(XLStream* s, const uint16_t* values, uint32_t valueCount, uint8_t type) {
  if (type == 0)
    XLWriteRawBytesFrom16(s, values, valueCount);
  else
    XLWriteRawUInt16Array(s, values, valueCount);
}

// The buffer's words.
enum : uint32_t { wCapacity, wNext, wFirst, wBytes, wLines, wData };
constexpr uint32_t kMinScanBuffer = 10;

// The VUExtension rows of the table-driven vendor-unique form and their kind.
struct VendorRow {
  uint32_t extension;
  uint8_t kind;
};
constexpr VendorRow kVendorRows[kXLVendorTableRows] = {
    {0x7176301B, 5}, {0x7176301C, 5}, {0x7176301D, 5}, {0x7176301E, 5}, {0x71763001, 4}, {0x71763002, 4},
    {0x71763003, 4}, {0x71763004, 4}, {0x71763005, 4}, {0x71763006, 4}, {0x71763007, 4}, {0x71763008, 4},
    {0x71763009, 3}, {0x7176300A, 2}, {0x7176300B, 3}, {0x7176300C, 1}, {0x7176300D, 2}, {0x7176300E, 1},
    {0x7176300F, 1}, {0x71763010, 3}, {0x71763011, 3}, {0x71763012, 3}, {0x71763013, 3}, {0x71763014, 3},
    {0x71763015, 3}, {0x71763016, 3}, {0x71763017, 3}, {0x71763018, 3}, {0x71763019, 3}, {0x7176301A, 5}};

}  // namespace

// Session, page and data source.

void XLBeginSession(XLStream* s, uint16_t ux, uint16_t uy, uint8_t measure) {
  UInt16XY(s, ux, uy, aUnitsPerMeasure);
  UByte(s, measure, aMeasure);
  Op(s, kBeginSession);
}
void XLBeginSession(XLStream* s, uint16_t ux, uint16_t uy, uint8_t measure, uint8_t errorReport) {
  UInt16XY(s, ux, uy, aUnitsPerMeasure);
  UByte(s, measure, aMeasure);
  UByte(s, errorReport, aErrorReport);
  Op(s, kBeginSession);
}
void XLEndSession(XLStream* s) { Op(s, kEndSession); }

void XLBeginPage(XLStream* s, uint8_t orientation, uint8_t mediaSize) {
  PageHead(s, orientation, mediaSize);
  Op(s, kBeginPage);
}
void XLBeginPage(XLStream* s, uint8_t orientation, uint8_t mediaSize, uint8_t source) {
  PageHead(s, orientation, mediaSize);
  UByte(s, source, aMediaSource);
  Op(s, kBeginPage);
}
void XLBeginPageTyped(XLStream* s, uint8_t orientation, uint8_t mediaSize, const uint8_t* type, uint32_t typeLength,
                      uint8_t source) {
  PageHead(s, orientation, mediaSize);
  UBytes(s, type, typeLength, aMediaType);
  UByte(s, source, aMediaSource);
  Op(s, kBeginPage);
}
void XLBeginPageCustom(XLStream* s, uint8_t orientation, float w, float h, uint8_t units) {
  PageHeadCustom(s, orientation, w, h, units);
  Op(s, kBeginPage);
}
void XLBeginPageCustom(XLStream* s, uint8_t orientation, float w, float h, uint8_t units, uint8_t source) {
  PageHeadCustom(s, orientation, w, h, units);
  UByte(s, source, aMediaSource);
  Op(s, kBeginPage);
}
void XLBeginPageCustomTyped(XLStream* s, uint8_t orientation, float w, float h, uint8_t units, const uint8_t* type,
                            uint32_t typeLength, uint8_t source) {
  PageHeadCustom(s, orientation, w, h, units);
  UBytes(s, type, typeLength, aMediaType);
  UByte(s, source, aMediaSource);
  Op(s, kBeginPage);
}

void XLEndPage(XLStream* s) { Op(s, kEndPage); }
void XLEndPageCopies(XLStream* s, uint16_t copies) { UInt16(s, copies, aPageCopies), Op(s, kEndPage); }
void XLEndPageCopiesSource(XLStream* s, uint16_t copies, uint8_t source) {
  UInt16(s, copies, aPageCopies);
  UByte(s, source, aMediaSource);
  Op(s, kEndPage);
}
void XLEndPageSource(XLStream* s, uint8_t source) { UByte(s, source, aMediaSource), Op(s, kEndPage); }

void XLOpenDataSource(XLStream* s, uint8_t type) { UByte(s, type, aSourceType), Op(s, kOpenDataSource); }
void XLOpenDataSource(XLStream* s, uint8_t type, uint8_t org) {
  UByte(s, type, aSourceType);
  UByte(s, org, aDataOrg);
  Op(s, kOpenDataSource);
}
void XLCloseDataSource(XLStream* s) { Op(s, kCloseDataSource); }
void XLComment(XLStream* s, const uint8_t* d, uint32_t n) { UBytes(s, d, n, aCommentData), Op(s, kComment); }
void XLEchoComment(XLStream* s, const uint8_t* d, uint32_t n) { UBytes(s, d, n, aCommentData), Op(s, kEchoComment); }
void XLQuery(XLStream* s, const uint8_t* key, uint32_t n) { UBytes(s, key, n, aQueryKey), Op(s, kQuery); }
void XLPassThrough(XLStream* s, const uint8_t* d, uint32_t n) {
  Op(s, kPassThrough);
  XLWriteEmbeddedBytes(s, d, n);
}
void XLBeginStream(XLStream* s, const uint8_t* name, uint32_t n) {
  UBytes(s, name, n, aStreamName);
  Op(s, kBeginStream);
}
void XLReadStream(XLStream* s, uint32_t n) { UInt32(s, n, aStreamDataLength), Op(s, kReadStream); }
void XLEndStream(XLStream* s) { Op(s, kEndStream); }
void XLExecStream(XLStream* s, uint32_t n) { UInt32(s, n, aStreamDataLength), Op(s, kExecStream); }
void XLRemoveStream(XLStream* s, uint32_t n) { UInt32(s, n, aStreamDataLength), Op(s, kRemoveStream); }

// Vendor-unique settings.

void XLVendorUnique(XLStream* s, uint32_t extension) { UInt32(s, extension, aVUExtension), Op(s, kVendorUnique); }
void XLVendorUniqueByte(XLStream* s, uint8_t v1) {
  UInt32(s, 0x71762002, aVUExtension);
  UByte(s, v1, VUAttr(1));
  Op(s, kVendorUnique);
}
void XLVendorUniqueTwoBytes(XLStream* s, uint8_t v1, uint8_t v2) {
  UInt32(s, 0x71762001, aVUExtension);
  UByte(s, v1, VUAttr(1));
  UByte(s, v2, VUAttr(2));
  Op(s, kVendorUnique);
}
void XLVendorUniqueByteWord(XLStream* s, uint32_t extension, uint8_t v1, uint16_t v2) {
  UInt32(s, extension, aVUExtension);
  UByte(s, v1, VUAttr(1));
  UInt16(s, v2, VUAttr(2));
  Op(s, kVendorUnique);
}
void XLVendorUniqueData(XLStream* s, uint8_t v2, uint16_t v1, const uint8_t* data, uint32_t length) {
  UInt32(s, 0x71761003, aVUExtension);
  UByte(s, v2, VUAttr(2));
  UInt16(s, v1, VUAttr(1));
  UInt32(s, data != nullptr ? length : 0, aVUDataLength);
  Op(s, kVendorUnique);
  XLWriteRawBytes(s, data, length);
}
bool XLVendorUniqueTable(XLStream* s, uint32_t row, const XLVendorValues& v) {
  if (row >= kXLVendorTableRows) return false;
  const VendorRow& entry = kVendorRows[row];
  UInt32(s, entry.extension, aVUExtension);
  if (entry.kind < 5) UInt32(s, v.value5, VUAttr(5));
  if (entry.kind < 4) {
    UInt16(s, v.value4, VUAttr(4));
    UInt16(s, v.value3, VUAttr(3));
    UInt16(s, v.value2, VUAttr(2));
    UInt16(s, v.value1, VUAttr(1));
  }
  if (entry.kind < 3) UByte(s, v.value6, VUAttr(6));
  if (entry.kind < 2) {
    Real32(s, v.value8, VUAttr(8));
    Real32(s, v.value7, VUAttr(7));
  }
  if (entry.kind == 2) UInt16(s, v.value9, VUAttr(9));
  Op(s, kVendorUnique);
  return true;
}

// Graphics state.

void XLPushGS(XLStream* s) { Op(s, kPushGS); }
void XLPopGS(XLStream* s) { Op(s, kPopGS); }
void XLSetPageDefaultCTM(XLStream* s) { Op(s, kSetPageDefaultCTM); }
void XLSetClipToPage(XLStream* s) { Op(s, kSetClipToPage); }
void XLSetPathToClip(XLStream* s) { Op(s, kSetPathToClip); }

void XLSetBrushSourceGrayReal(XLStream* s, float g) { SourceGrayReal(s, kBrush, g); }
void XLSetBrushSourceGray(XLStream* s, uint8_t g) { SourceGray(s, kBrush, g); }
void XLSetBrushSourceNull(XLStream* s) { SourceNull(s, kBrush); }
void XLSetBrushSourcePattern(XLStream* s, int16_t id) { SourcePattern(s, kBrush, id); }
void XLSetBrushSourcePatternScaled(XLStream* s, uint16_t w, uint16_t h, int16_t id) {
  SourcePatternScaled(s, kBrush, w, h, id);
}
void XLSetBrushSourceRGBReal(XLStream* s, float r, float g, float b) { SourceRGBReal(s, kBrush, r, g, b); }
void XLSetBrushSourceRGB(XLStream* s, uint8_t r, uint8_t g, uint8_t b) { SourceRGB(s, kBrush, r, g, b); }
void XLSetBrushSourcePrimary(XLStream* s, uint8_t depth, const uint8_t* p, uint32_t n) {
  SourcePrimary(s, kBrush, depth, p, n);
}
void XLSetPenSourceGrayReal(XLStream* s, float g) { SourceGrayReal(s, kPen, g); }
void XLSetPenSourceGray(XLStream* s, uint8_t g) { SourceGray(s, kPen, g); }
void XLSetPenSourceNull(XLStream* s) { SourceNull(s, kPen); }
void XLSetPenSourcePattern(XLStream* s, int16_t id) { SourcePattern(s, kPen, id); }
void XLSetPenSourcePatternScaled(XLStream* s, uint16_t w, uint16_t h, int16_t id) {
  SourcePatternScaled(s, kPen, w, h, id);
}
void XLSetPenSourceRGBReal(XLStream* s, float r, float g, float b) { SourceRGBReal(s, kPen, r, g, b); }
void XLSetPenSourceRGB(XLStream* s, uint8_t r, uint8_t g, uint8_t b) { SourceRGB(s, kPen, r, g, b); }
void XLSetPenSourcePrimary(XLStream* s, uint8_t depth, const uint8_t* p, uint32_t n) {
  SourcePrimary(s, kPen, depth, p, n);
}

void XLSetColorSpace(XLStream* s, uint8_t space) { UByte(s, space, aColorSpace), Op(s, kSetColorSpace); }
void XLSetColorSpacePalette(XLStream* s, uint8_t space, uint8_t depth, const uint8_t* palette, uint32_t n) {
  UByte(s, space, aColorSpace);
  UByte(s, depth, aPaletteDepth);
  UBytes(s, palette, n, aPaletteData);
  Op(s, kSetColorSpace);
}
void XLSetColorimetricColorSpace(XLStream* s, uint8_t space, const float chromaticities[6],
                                 const float whitePoint[2], const float minMax[6], const float gammaGain[6]) {
  UByte(s, space, aColorimetricColorSpace);
  Real32s(s, chromaticities, 6, aXYChromaticities);
  Real32s(s, whitePoint, 2, aWhiteReferencePoint);
  Real32s(s, minMax, 6, aCRGBMinMax);
  Real32s(s, gammaGain, 6, aGammaGain);
  Op(s, kSetColorSpace);
}
void XLSetColorSpaceCodes(XLStream* s, uint8_t value16, const float values[5]) {
  UByte(s, value16, aColorSpaceCodes);
  for (int i = 0; i < 5; ++i) {
    const float value = values != nullptr ? values[i] : 0.0f;
    Real32(s, value, static_cast<uint8_t>(aColorSpaceCodes + 1 + i));
  }
  Op(s, kSetColorSpace);
}
void XLSetColorTreatment(XLStream* s, uint8_t t) { UByte(s, t, aColorTreatment), Op(s, kSetColorTreatment); }
void XLSetColorTreatmentObjects(XLStream* s, uint8_t t, uint8_t v, uint8_t r) {
  Objects(s, t, v, r);
  Op(s, kSetColorTreatment);
}
void XLSetHalftoneMethod(XLStream* s, uint8_t m) { UByte(s, m, aDeviceMatrix), Op(s, kSetHalftoneMethod); }
void XLSetHalftoneMethodObjects(XLStream* s, uint8_t t, uint8_t v, uint8_t r) {
  Objects(s, t, v, r);
  Op(s, kSetHalftoneMethod);
}
void XLSetHalftoneMethodObjects(XLStream* s, uint8_t t, uint8_t v, uint8_t r, uint16_t ox, uint16_t oy) {
  Objects(s, t, v, r);
  UInt16XY(s, ox, oy, aDitherOrigin);
  Op(s, kSetHalftoneMethod);
}
void XLSetHalftoneMethodMatrix(XLStream* s, uint16_t w, uint16_t h, uint8_t depth, uint8_t type) {
  UInt16XY(s, w, h, aDitherMatrixSize);
  UByte(s, depth, aDitherMatrixDepth);
  UByte(s, type, aDitherMatrixDataType);
  Op(s, kSetHalftoneMethod);
}
void XLSetHalftoneMethodMatrix(XLStream* s, uint16_t w, uint16_t h, uint8_t depth, uint8_t type, uint16_t ox,
                               uint16_t oy) {
  UInt16XY(s, w, h, aDitherMatrixSize);
  UByte(s, depth, aDitherMatrixDepth);
  UByte(s, type, aDitherMatrixDataType);
  UInt16XY(s, ox, oy, aDitherOrigin);
  Op(s, kSetHalftoneMethod);
}
void XLSetNeutralAxisObjects(XLStream* s, uint8_t t, uint8_t v, uint8_t r) {
  Objects(s, t, v, r);
  Op(s, kSetNeutralAxis);
}
void XLSetNeutralAxisText(XLStream* s, uint8_t t) { UByte(s, t, aTextObjects), Op(s, kSetNeutralAxis); }
void XLSetNeutralAxisVector(XLStream* s, uint8_t v) { UByte(s, v, aVectorObjects), Op(s, kSetNeutralAxis); }
void XLSetNeutralAxisRaster(XLStream* s, uint8_t r) { UByte(s, r, aRasterObjects), Op(s, kSetNeutralAxis); }
void XLSetNeutralAxisAll(XLStream* s, uint8_t a) { UByte(s, a, aAllObjectTypes), Op(s, kSetNeutralAxis); }
void XLSetColorTrapping(XLStream* s, uint8_t a) { UByte(s, a, aAllObjectTypes), Op(s, kSetColorTrapping); }
void XLSetAdaptiveHalftoningObjects(XLStream* s, uint8_t t, uint8_t v, uint8_t r) {
  Objects(s, t, v, r);
  Op(s, kSetAdaptiveHalftoning);
}
void XLSetAdaptiveHalftoningAll(XLStream* s, uint8_t a) {
  UByte(s, a, aAllObjectTypes);
  Op(s, kSetAdaptiveHalftoning);
}
void XLSetROP(XLStream* s, uint8_t rop) { UByte(s, rop, aROP3), Op(s, kSetROP); }
void XLSetSourceTxMode(XLStream* s, uint8_t m) { UByte(s, m, aTxMode), Op(s, kSetSourceTxMode); }
void XLSetPatternTxMode(XLStream* s, uint8_t m) { UByte(s, m, aTxMode), Op(s, kSetPatternTxMode); }
void XLSetFillMode(XLStream* s, uint8_t m) { UByte(s, m, aFillMode), Op(s, kSetFillMode); }
void XLSetLineCap(XLStream* s, uint8_t c) { UByte(s, c, aLineCapStyle), Op(s, kSetLineCap); }
void XLSetLineJoin(XLStream* s, uint8_t j) { UByte(s, j, aLineJoinStyle), Op(s, kSetLineJoin); }
void XLSetMiterLimit(XLStream* s, uint16_t l) { UInt16(s, l, aMiterLength), Op(s, kSetMiterLimit); }
void XLSetMiterLimitReal(XLStream* s, float l) { Real32(s, l, aMiterLength), Op(s, kSetMiterLimit); }
void XLSetPenWidth(XLStream* s, uint16_t w) { UInt16(s, w, aPenWidth), Op(s, kSetPenWidth); }
void XLSetPenWidthReal(XLStream* s, float w) { Real32(s, w, aPenWidth), Op(s, kSetPenWidth); }
void XLSetLineDash(XLStream* s, const uint16_t* d, uint32_t n) {
  XLWriteUInt16Array(s, d, n), Id(s, aLineDashStyle);
  Op(s, kSetLineDash);
}
void XLSetLineDashOffset(XLStream* s, const uint16_t* d, uint32_t n, uint16_t offset) {
  XLWriteUInt16Array(s, d, n), Id(s, aLineDashStyle);
  UInt16(s, offset, aDashOffset);
  Op(s, kSetLineDash);
}
void XLSetLineDashSolid(XLStream* s) { UByte(s, 0, aSolidLine), Op(s, kSetLineDash); }
void XLSetClipReplace(XLStream* s, uint8_t r) { UByte(s, r, aClipRegion), Op(s, kSetClipReplace); }
void XLSetClipIntersect(XLStream* s, uint8_t r) { UByte(s, r, aClipRegion), Op(s, kSetClipIntersect); }
void XLSetClipMode(XLStream* s, uint8_t m) { UByte(s, m, aClipMode), Op(s, kSetClipMode); }
void XLSetCursorMeasure(XLStream* s, uint8_t measure, float ux, float uy) {
  UByte(s, measure, aMeasure);
  Real32XY(s, ux, uy, aUnitsPerMeasure);
  Op(s, kSetCursor);
}
void XLSetPageRotation(XLStream* s, int16_t a) { SInt16(s, a, aPageAngle), Op(s, kSetPageRotation); }
void XLSetPageRotationReal(XLStream* s, float a) { Real32(s, a, aPageAngle), Op(s, kSetPageRotation); }
void XLSetPageScale(XLStream* s, float x, float y) { Real32XY(s, x, y, aPageScale), Op(s, kSetPageScale); }

// Geometry in the four coordinate forms.

#define XL_DEFINE_CLIP_RECT(Name, Sfx, T)                                   \
  void XL##Name##Sfx(XLStream* s, T x1, T y1, T x2, T y2, uint8_t region) { \
    BoxAttr(s, x1, y1, x2, y2);                                             \
    UByte(s, region, aClipRegion);                                          \
    Op(s, kSetClipRectangle);                                               \
  }
#define XL_DEFINE_POINT(Name, Sfx, T, id, op) \
  void XL##Name##Sfx(XLStream* s, T x, T y) { PointAttr(s, x, y, id), Op(s, op); }
#define XL_DEFINE_BOX(Name, Sfx, T, op) \
  void XL##Name##Sfx(XLStream* s, T x1, T y1, T x2, T y2) { BoxAttr(s, x1, y1, x2, y2), Op(s, op); }
#define XL_DEFINE_BOX_ENDS(Name, Sfx, T, op)                                                         \
  void XL##Name##Sfx(XLStream* s, T x1, T y1, T x2, T y2, T sx, T sy, T ex, T ey) {                 \
    BoxEnds(s, x1, y1, x2, y2, sx, sy, ex, ey);                                                      \
    Op(s, op);                                                                                       \
  }
#define XL_DEFINE_ARC(Name, Sfx, T)                                                                  \
  void XL##Name##Sfx(XLStream* s, T x1, T y1, T x2, T y2, T sx, T sy, T ex, T ey, uint8_t direction) { \
    BoxEnds(s, x1, y1, x2, y2, sx, sy, ex, ey);                                                      \
    UByte(s, direction, aArcDirection);                                                              \
    Op(s, kArcPath);                                                                                 \
  }
#define XL_DEFINE_BEZIER(Name, Sfx, T, op)                                       \
  void XL##Name##Sfx(XLStream* s, T c1x, T c1y, T c2x, T c2y, T ex, T ey) {      \
    PointAttr(s, c1x, c1y, aControlPoint1);                                      \
    PointAttr(s, c2x, c2y, aControlPoint2);                                      \
    PointAttr(s, ex, ey, aEndPoint);                                             \
    Op(s, op);                                                                   \
  }

// Binds the operator code (and attribute) of each geometry writer.
#define XL_FORMS_WITH(W, Name, ...)  \
  W(Name, S16, int16_t, __VA_ARGS__) \
  W(Name, U16, uint16_t, __VA_ARGS__) \
  W(Name, S32, int32_t, __VA_ARGS__) \
  W(Name, R32, float, __VA_ARGS__)

XL_IN_FOUR_FORMS(XL_DEFINE_CLIP_RECT, SetClipRectangle)
XL_FORMS_WITH(XL_DEFINE_POINT, SetCursor, aPoint, kSetCursor)
XL_FORMS_WITH(XL_DEFINE_POINT, SetCursorRel, aPoint, kSetCursorRel)
XL_FORMS_WITH(XL_DEFINE_POINT, SetPageOrigin, aPageOrigin, kSetPageOrigin)
XL_FORMS_WITH(XL_DEFINE_POINT, LinePath, aEndPoint, kLinePath)
XL_FORMS_WITH(XL_DEFINE_POINT, LineRelPath, aEndPoint, kLineRelPath)
XL_IN_FOUR_FORMS(XL_DEFINE_ARC, ArcPath)
XL_FORMS_WITH(XL_DEFINE_BOX_ENDS, Chord, kChord)
XL_FORMS_WITH(XL_DEFINE_BOX_ENDS, ChordPath, kChordPath)
XL_FORMS_WITH(XL_DEFINE_BOX_ENDS, Pie, kPie)
XL_FORMS_WITH(XL_DEFINE_BOX_ENDS, PiePath, kPiePath)
XL_FORMS_WITH(XL_DEFINE_BOX, Ellipse, kEllipse)
XL_FORMS_WITH(XL_DEFINE_BOX, EllipsePath, kEllipsePath)
XL_FORMS_WITH(XL_DEFINE_BOX, Rectangle, kRectangle)
XL_FORMS_WITH(XL_DEFINE_BOX, RectanglePath, kRectanglePath)
XL_FORMS_WITH(XL_DEFINE_BEZIER, BezierPath, kBezierPath)
XL_FORMS_WITH(XL_DEFINE_BEZIER, BezierRelPath, kBezierRelPath)

void XLRoundRectangleS16(XLStream* s, int16_t x1, int16_t y1, int16_t x2, int16_t y2, uint16_t ex, uint16_t ey) {
  RoundRect(s, x1, y1, x2, y2, ex, ey, kRoundRectangle);
}
void XLRoundRectangleU16(XLStream* s, uint16_t x1, uint16_t y1, uint16_t x2, uint16_t y2, uint16_t ex, uint16_t ey) {
  RoundRect(s, x1, y1, x2, y2, ex, ey, kRoundRectangle);
}
void XLRoundRectangleS32(XLStream* s, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t ex, uint32_t ey) {
  RoundRect(s, x1, y1, x2, y2, ex, ey, kRoundRectangle);
}
void XLRoundRectangleR32(XLStream* s, float x1, float y1, float x2, float y2, float ex, float ey) {
  RoundRect(s, x1, y1, x2, y2, ex, ey, kRoundRectangle);
}
void XLRoundRectanglePathS16(XLStream* s, int16_t x1, int16_t y1, int16_t x2, int16_t y2, uint16_t ex,
                             uint16_t ey) {
  RoundRect(s, x1, y1, x2, y2, ex, ey, kRoundRectanglePath);
}
void XLRoundRectanglePathU16(XLStream* s, uint16_t x1, uint16_t y1, uint16_t x2, uint16_t y2, uint16_t ex,
                             uint16_t ey) {
  RoundRect(s, x1, y1, x2, y2, ex, ey, kRoundRectanglePath);
}
void XLRoundRectanglePathS32(XLStream* s, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t ex, int32_t ey) {
  RoundRect(s, x1, y1, x2, y2, ex, ey, kRoundRectanglePath);
}
void XLRoundRectanglePathR32(XLStream* s, float x1, float y1, float x2, float y2, float ex, float ey) {
  RoundRect(s, x1, y1, x2, y2, ex, ey, kRoundRectanglePath);
}

void XLNewPath(XLStream* s) { Op(s, kNewPath); }
void XLCloseSubPath(XLStream* s) { Op(s, kCloseSubPath); }
void XLPaintPath(XLStream* s) { Op(s, kPaintPath); }

static void PointList(XLStream* s, uint16_t n, uint8_t type, uint8_t op) {
  UInt16(s, n, aNumberOfPoints);
  UByte(s, type, aPointType);
  Op(s, op);
}
void XLLinePathPoints(XLStream* s, uint16_t n, uint8_t type) { PointList(s, n, type, kLinePath); }
void XLLineRelPathPoints(XLStream* s, uint16_t n, uint8_t type) { PointList(s, n, type, kLineRelPath); }
void XLBezierPathPoints(XLStream* s, uint16_t n, uint8_t type) { PointList(s, n, type, kBezierPath); }
void XLBezierRelPathPoints(XLStream* s, uint16_t n, uint8_t type) { PointList(s, n, type, kBezierRelPath); }

// Images, patterns and scan lines.

void XLBeginImage(XLStream* s, uint8_t mapping, uint8_t depth, uint16_t sw, uint16_t sh, uint16_t dw, uint16_t dh) {
  ImageHead(s, mapping, depth);
  UInt16(s, sw, aSourceWidth);
  UInt16(s, sh, aSourceHeight);
  UInt16XY(s, dw, dh, aDestinationSize);
  Op(s, kBeginImage);
}
void XLBeginImage32(XLStream* s, uint8_t mapping, uint8_t depth, uint32_t sw, uint32_t sh, uint16_t dw,
                    uint16_t dh) {
  ImageHead(s, mapping, depth);
  UInt32(s, sw, aSourceWidth);
  UInt32(s, sh, aSourceHeight);
  UInt16XY(s, dw, dh, aDestinationSize);
  Op(s, kBeginImage);
}
void XLReadImage(XLStream* s, uint16_t start, uint16_t height, uint8_t compress) {
  Block(s, start, height, compress);
  Op(s, kReadImage);
}
void XLReadImage32(XLStream* s, uint32_t start, uint32_t height, uint8_t compress) {
  Block(s, start, height, compress);
  Op(s, kReadImage);
}
void XLReadImagePadded(XLStream* s, uint32_t start, uint32_t height, uint8_t compress, uint8_t pad) {
  Block(s, start, height, compress);
  UByte(s, pad, aPadBytesMultiple);
  Op(s, kReadImage);
}
void XLEndImage(XLStream* s) { Op(s, kEndImage); }
void XLBeginRastPattern(XLStream* s, uint8_t mapping, uint8_t depth, uint16_t sw, uint16_t sh, uint16_t dw,
                        uint16_t dh, int16_t id, uint8_t persistence) {
  ImageHead(s, mapping, depth);
  UInt16(s, sw, aSourceWidth);
  UInt16(s, sh, aSourceHeight);
  UInt16XY(s, dw, dh, aDestinationSize);
  SInt16(s, id, aPatternDefineID);
  UByte(s, persistence, aPatternPersistence);
  Op(s, kBeginRastPattern);
}
void XLBeginRastPattern32(XLStream* s, uint8_t mapping, uint8_t depth, uint32_t sw, uint32_t sh, uint32_t dw,
                          uint32_t dh, int16_t id) {
  ImageHead(s, mapping, depth);
  UInt32(s, sw, aSourceWidth);
  UInt32(s, sh, aSourceHeight);
  XY(s, dw, dh), Id(s, aDestinationSize);
  SInt16(s, id, aPatternDefineID);
  Op(s, kBeginRastPattern);
}
void XLReadRastPattern(XLStream* s, uint16_t start, uint16_t height, uint8_t compress) {
  Block(s, start, height, compress);
  Op(s, kReadRastPattern);
}
void XLReadRastPattern32(XLStream* s, uint32_t start, uint32_t height, uint8_t compress) {
  Block(s, start, height, compress);
  Op(s, kReadRastPattern);
}
void XLEndRastPattern(XLStream* s) { Op(s, kEndRastPattern); }
void XLBeginScan(XLStream* s) { Op(s, kBeginScan); }
void XLEndScan(XLStream* s) { Op(s, kEndScan); }

void XLScanLineRel(XLStream* s, uint16_t y, uint16_t x, const uint16_t* values, uint16_t pairs) {
  const uint32_t valueCount = values != nullptr ? 2u * pairs : 0u;
  if (valueCount == 0) pairs = 0;
  const uint8_t type = PairType(values, valueCount);
  Op(s, kScanLineRel);
  XLWriteEmbeddedLength(s, 1 + LineBytes(type, pairs));
  XLWriteRawByte(s, kScanLineData);
  LineHead(s, x, y, pairs, type);
  LineValues(s, values, valueCount, type);
}

void XLScanLineRelHeader(XLStream* s, uint16_t y, uint16_t x, uint16_t pairs) {
  Op(s, kScanLineRel);
  XLWriteEmbeddedLength(s, 1 + LineBytes(2, pairs));
  XLWriteRawByte(s, kScanLineData);
  LineHead(s, x, y, pairs, 2);
}

void XLScanLineBufferInit(uint16_t* buffer, uint32_t capacity) {
  if (buffer == nullptr) return;
  if (capacity < kMinScanBuffer) {
    if (capacity > wCapacity) buffer[wCapacity] = 0;
    return;
  }
  buffer[wCapacity] = static_cast<uint16_t>(std::min<uint32_t>(capacity, 0xFFFF));
  buffer[wNext] = wData;
  buffer[wFirst] = wData;
  buffer[wBytes] = 1;  // the 0x03 byte
  buffer[wLines] = 0;
}

void XLScanLineBufferFlush(XLStream* s, uint16_t* buffer) {
  if (buffer == nullptr || buffer[wCapacity] < kMinScanBuffer || buffer[wLines] == 0) return;
  XLBeginScan(s);
  if (buffer[wLines] > 1) UInt16(s, buffer[wLines], aNumberOfScanLines);
  Op(s, kScanLineRel);
  XLWriteEmbeddedLength(s, buffer[wBytes]);
  XLWriteRawByte(s, kScanLineData);
  uint32_t at = buffer[wFirst];
  for (uint32_t line = 0; line < buffer[wLines]; ++line) {
    // Stored lines end at the next free word; never read past it.
    if (at + 4 > buffer[wNext] || at + 4 + 2u * buffer[at + 2] > buffer[wNext]) break;
    const uint16_t pairs = buffer[at + 2];
    const uint8_t type = static_cast<uint8_t>(buffer[at + 3]);
    LineHead(s, buffer[at], buffer[at + 1], pairs, type);
    LineValues(s, buffer + at + 4, 2u * pairs, type);
    at += 4 + 2u * pairs;
  }
  XLScanLineBufferInit(buffer, buffer[wCapacity]);
  XLEndScan(s);
}

void XLScanLineBuffered(XLStream* s, uint16_t y, uint16_t x, const uint16_t* values, uint16_t pairs,
                        uint16_t* buffer) {
  if (buffer == nullptr || buffer[wCapacity] < kMinScanBuffer) return;
  if (values == nullptr) pairs = 0;
  const uint32_t words = 2u * pairs + 4;
  const uint8_t type = PairType(values, 2u * pairs);
  const uint32_t bytes = LineBytes(type, pairs);
  // The line must fit the free words, and the embedded byte count, a
  // 16-bit word, must not wrap.
  auto fits = [&] {
    return words < static_cast<uint32_t>(buffer[wCapacity] - buffer[wNext]) &&
           buffer[wBytes] + bytes <= 0xFFFF;
  };
  if (!fits()) XLScanLineBufferFlush(s, buffer);
  if (!fits()) {
    XLBeginScan(s);
    XLScanLineRel(s, y, x, values, pairs);
    XLEndScan(s);
    return;
  }
  uint16_t* line = buffer + buffer[wNext];
  line[0] = x;
  line[1] = y;
  line[2] = pairs;
  line[3] = type;
  std::copy(values, values + 2u * pairs, line + 4);
  buffer[wNext] = static_cast<uint16_t>(buffer[wNext] + words);
  buffer[wBytes] = static_cast<uint16_t>(buffer[wBytes] + bytes);
  ++buffer[wLines];
}

// Fonts and text.

void XLBeginFontHeader(XLStream* s, const uint8_t* name, uint32_t n, uint8_t format) {
  Name(s, name, n);
  UByte(s, format, aFontFormat);
  Op(s, kBeginFontHeader);
}
void XLReadFontHeader(XLStream* s, uint16_t n) { UInt16(s, n, aFontHeaderLength), Op(s, kReadFontHeader); }
void XLEndFontHeader(XLStream* s) { Op(s, kEndFontHeader); }
void XLBeginChar(XLStream* s, const uint8_t* name, uint32_t n) { Name(s, name, n), Op(s, kBeginChar); }
void XLReadChar(XLStream* s, uint16_t code, uint32_t size) {
  UInt16(s, code, aCharCode);
  UInt32(s, size, aCharDataSize);
  Op(s, kReadChar);
}
void XLEndChar(XLStream* s) { Op(s, kEndChar); }
void XLRemoveFont(XLStream* s, const uint8_t* name, uint32_t n) { Name(s, name, n), Op(s, kRemoveFont); }
void XLSetFont(XLStream* s, const uint8_t* name, uint32_t n, float size, uint16_t symbolSet) {
  Name(s, name, n);
  Real32(s, size, aCharSize);
  UInt16(s, symbolSet, aSymbolSet);
  Op(s, kSetFont);
}
void XLSetFontPCL(XLStream* s, const uint8_t* d, uint32_t n) { UBytes(s, d, n, aPCLSelectFont), Op(s, kSetFont); }
void XLSetCharAttributes(XLStream* s, uint8_t m) { UByte(s, m, aWritingMode), Op(s, kSetCharAttributes); }
void XLSetCharAngle(XLStream* s, int16_t a) { SInt16(s, a, aCharAngle), Op(s, kSetCharAngle); }
void XLSetCharAngleReal(XLStream* s, float a) { Real32(s, a, aCharAngle), Op(s, kSetCharAngle); }
void XLSetCharScale(XLStream* s, float x, float y) { Real32XY(s, x, y, aCharScale), Op(s, kSetCharScale); }
void XLSetCharShear(XLStream* s, int16_t x, int16_t y) {
  XLWriteSInt16XY(s, x, y), Id(s, aCharShear);
  Op(s, kSetCharShear);
}
void XLSetCharShearReal(XLStream* s, float x, float y) { Real32XY(s, x, y, aCharShear), Op(s, kSetCharShear); }
void XLSetCharBoldValue(XLStream* s, float v) { Real32(s, v, aCharBoldValue), Op(s, kSetCharBoldValue); }
void XLSetCharSubMode(XLStream* s, const uint8_t* modes, uint32_t n) {
  UBytes(s, modes, n % 256, aCharSubModeArray);
  Op(s, kSetCharSubMode);
}
void XLText(XLStream* s, const uint8_t* c, uint32_t n, const int16_t* x, const int16_t* y) {
  TextOp(s, c, n, x, y, kText);
}
void XLText16(XLStream* s, const uint16_t* c, uint32_t n, const int16_t* x, const int16_t* y) {
  TextOp(s, c, n, x, y, kText);
}
void XLTextPath(XLStream* s, const uint8_t* c, uint32_t n, const int16_t* x, const int16_t* y) {
  TextOp(s, c, n, x, y, kTextPath);
}
void XLTextPath16(XLStream* s, const uint16_t* c, uint32_t n, const int16_t* x, const int16_t* y) {
  TextOp(s, c, n, x, y, kTextPath);
}
