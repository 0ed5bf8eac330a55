// The PCL XL operator writers: the attributes each writes, in order and
// with their data types, before its operator byte; the choices the text
// and scan-line writers make; and a whole job written through them that
// the independent interpreter renders.
#include "pdl/XLOperators.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/PclInterpreter.h"
#include "support/XLStreamTestSupport.h"

namespace {

using qvtest::FromHex;
using qvtest::SpacedHex;
using qvtest::XLFixture;

struct WriterCase {
  const char* what;
  std::function<void(XLStream*)> write;
  const char* bytes;
};

void ExpectBytes(const std::vector<WriterCase>& cases) {
  for (const WriterCase& c : cases) {
    XLFixture f;
    c.write(*f);
    EXPECT_EQ(SpacedHex(f.Bytes()), c.bytes) << c.what;
    EXPECT_EQ((*f)->error, 0) << c.what;
  }
}

TEST(XLOperatorsTest, SessionPageAndDataSourceWriters) {
  const uint8_t plain[] = {'P', 'L'};
  ExpectBytes({
      {"BeginSession", [](XLStream* s) { XLBeginSession(s, 600, 600, 0, 3); },
       "D1 58 02 58 02 F8 89 C0 00 F8 86 C0 03 F8 8F 41"},
      {"BeginSession without error report", [](XLStream* s) { XLBeginSession(s, 300, 600, 0); },
       "D1 2C 01 58 02 F8 89 C0 00 F8 86 41"},
      {"EndSession", [](XLStream* s) { XLEndSession(s); }, "42"},
      {"BeginPage", [](XLStream* s) { XLBeginPage(s, 1, 2); }, "C0 01 F8 28 C0 02 F8 25 43"},
      {"BeginPage with source", [](XLStream* s) { XLBeginPage(s, 0, 0, 4); },
       "C0 00 F8 28 C0 00 F8 25 C0 04 F8 26 43"},
      {"BeginPage with type", [&](XLStream* s) { XLBeginPageTyped(s, 0, 0, plain, 2, 1); },
       "C0 00 F8 28 C0 00 F8 25 C8 C1 02 00 50 4C F8 27 C0 01 F8 26 43"},
      // A custom paper of 8.5 by 14 inches in landscape.
      {"BeginPage custom", [](XLStream* s) { XLBeginPageCustom(s, 1, 14.0f, 8.5f, 0); },
       "C0 01 F8 28 D5 00 00 60 41 00 00 08 41 F8 2F C0 00 F8 30 43"},
      {"BeginPage custom with source", [](XLStream* s) { XLBeginPageCustom(s, 0, 1.0f, 2.0f, 0, 3); },
       "C0 00 F8 28 D5 00 00 80 3F 00 00 00 40 F8 2F C0 00 F8 30 C0 03 F8 26 43"},
      {"BeginPage custom with type", [&](XLStream* s) { XLBeginPageCustomTyped(s, 0, 1.0f, 2.0f, 0, plain, 2, 3); },
       "C0 00 F8 28 D5 00 00 80 3F 00 00 00 40 F8 2F C0 00 F8 30 C8 C1 02 00 50 4C F8 27 C0 03 F8 26 43"},
      {"EndPage", [](XLStream* s) { XLEndPage(s); }, "44"},
      {"EndPage copies", [](XLStream* s) { XLEndPageCopies(s, 2); }, "C1 02 00 F8 31 44"},
      {"EndPage copies and source", [](XLStream* s) { XLEndPageCopiesSource(s, 2, 5); },
       "C1 02 00 F8 31 C0 05 F8 26 44"},
      {"EndPage source", [](XLStream* s) { XLEndPageSource(s, 5); }, "C0 05 F8 26 44"},
      {"OpenDataSource", [](XLStream* s) { XLOpenDataSource(s, 0, 1); }, "C0 00 F8 88 C0 01 F8 82 48"},
      {"OpenDataSource type only", [](XLStream* s) { XLOpenDataSource(s, 0); }, "C0 00 F8 88 48"},
      {"CloseDataSource", [](XLStream* s) { XLCloseDataSource(s); }, "49"},
      {"Comment", [&](XLStream* s) { XLComment(s, plain, 2); }, "C8 C1 02 00 50 4C F8 81 47"},
      {"EchoComment", [&](XLStream* s) { XLEchoComment(s, plain, 2); }, "C8 C1 02 00 50 4C F8 81 4A"},
      {"Query", [&](XLStream* s) { XLQuery(s, plain, 2); }, "C8 C1 02 00 50 4C F8 8A 4B"},
      {"PassThrough", [&](XLStream* s) { XLPassThrough(s, plain, 2); }, "BF FA 02 00 00 00 50 4C"},
      {"BeginStream", [&](XLStream* s) { XLBeginStream(s, plain, 2); }, "C8 C1 02 00 50 4C F8 8B 5B"},
      {"ReadStream", [](XLStream* s) { XLReadStream(s, 9); }, "C2 09 00 00 00 F8 8C 5C"},
      {"EndStream", [](XLStream* s) { XLEndStream(s); }, "5D"},
      {"ExecStream", [](XLStream* s) { XLExecStream(s, 9); }, "C2 09 00 00 00 F8 8C 5E"},
      {"RemoveStream", [](XLStream* s) { XLRemoveStream(s, 9); }, "C2 09 00 00 00 F8 8C 5F"},
  });
}

TEST(XLOperatorsTest, VendorUniqueWriters) {
  const uint8_t data[] = {0xFA, 0xFB, 0x01};
  ExpectBytes({
      {"extension only", [](XLStream* s) { XLVendorUnique(s, 0x71762008); }, "C2 08 20 76 71 F8 91 46"},
      {"one byte", [](XLStream* s) { XLVendorUniqueByte(s, 3); }, "C2 02 20 76 71 F8 91 C0 03 F8 93 46"},
      {"two bytes", [](XLStream* s) { XLVendorUniqueTwoBytes(s, 3, 4); },
       "C2 01 20 76 71 F8 91 C0 03 F8 93 C0 04 F8 94 46"},
      {"byte and word", [](XLStream* s) { XLVendorUniqueByteWord(s, 0x71761002, 3, 0x0102); },
       "C2 02 10 76 71 F8 91 C0 03 F8 93 C1 02 01 F8 94 46"},
      // The data bytes follow the operator straight, with no FA or FB.
      {"data block", [&](XLStream* s) { XLVendorUniqueData(s, 7, 0x0201, data, 3); },
       "C2 03 10 76 71 F8 91 C0 07 F8 94 C1 01 02 F8 93 C2 03 00 00 00 F8 92 46 FA FB 01"},
  });

  XLVendorValues v;
  v.value1 = 1, v.value2 = 2, v.value3 = 3, v.value4 = 4, v.value5 = 5, v.value6 = 6;
  v.value7 = 1.0f, v.value8 = 2.0f, v.value9 = 9;
  struct Row {
    uint32_t row;
    const char* bytes;
  };
  const std::vector<Row> rows = {
      {0, "C2 1B 30 76 71 F8 91 46"},  // kind 5: the extension only
      {4, "C2 01 30 76 71 F8 91 C2 05 00 00 00 F8 97 46"},  // kind 4
      {12, "C2 09 30 76 71 F8 91 C2 05 00 00 00 F8 97 C1 04 00 F8 96 C1 03 00 F8 95 C1 02 00 F8 94 C1 01 00 F8 93 "
           "46"},  // kind 3
      {13, "C2 0A 30 76 71 F8 91 C2 05 00 00 00 F8 97 C1 04 00 F8 96 C1 03 00 F8 95 C1 02 00 F8 94 C1 01 00 F8 93 "
           "C0 06 F8 98 C1 09 00 F8 9B 46"},  // kind 2
      {15, "C2 0C 30 76 71 F8 91 C2 05 00 00 00 F8 97 C1 04 00 F8 96 C1 03 00 F8 95 C1 02 00 F8 94 C1 01 00 F8 93 "
           "C0 06 F8 98 C5 00 00 00 40 F8 9A C5 00 00 80 3F F8 99 46"},  // kind 1
      {29, "C2 1A 30 76 71 F8 91 46"},  // the last row, kind 5
  };
  for (const Row& r : rows) {
    XLFixture f;
    EXPECT_TRUE(XLVendorUniqueTable(*f, r.row, v));
    EXPECT_EQ(SpacedHex(f.Bytes()), r.bytes) << "row " << r.row;
  }
  XLFixture f;
  EXPECT_FALSE(XLVendorUniqueTable(*f, kXLVendorTableRows, v));
  EXPECT_EQ(f.Bytes(), "") << "a row past the table writes nothing";
}

TEST(XLOperatorsTest, GraphicsStateWriters) {
  const uint8_t palette[] = {0, 255};
  const uint16_t dashes[] = {10, 20};
  const float six[6] = {1, 1, 1, 1, 1, 1};
  const float two[2] = {1, 1};
  const float five[5] = {1, 1, 1, 1, 1};
  const std::string one = "00 00 80 3F ";
  ExpectBytes({
      {"SetROP", [](XLStream* s) { XLSetROP(s, 252); }, "C0 FC F8 2C 7B"},
      {"PushGS PopGS and others", [](XLStream* s) {
         XLPushGS(s), XLPopGS(s), XLSetPageDefaultCTM(s), XLSetClipToPage(s), XLSetPathToClip(s);
       },
       "61 60 74 69 80"},
      {"brush gray real", [](XLStream* s) { XLSetBrushSourceGrayReal(s, 1.0f); }, "C5 00 00 80 3F F8 09 63"},
      {"brush gray", [](XLStream* s) { XLSetBrushSourceGray(s, 128); }, "C0 80 F8 09 63"},
      {"brush null", [](XLStream* s) { XLSetBrushSourceNull(s); }, "C0 00 F8 04 63"},
      {"brush pattern", [](XLStream* s) { XLSetBrushSourcePattern(s, -3); }, "C3 FD FF F8 08 63"},
      {"brush pattern scaled", [](XLStream* s) { XLSetBrushSourcePatternScaled(s, 8, 8, 2); },
       "D1 08 00 08 00 F8 0D C3 02 00 F8 08 63"},
      {"brush RGB", [](XLStream* s) { XLSetBrushSourceRGB(s, 1, 2, 3); }, "C8 C1 03 00 01 02 03 F8 0B 63"},
      {"brush RGB real", [](XLStream* s) { XLSetBrushSourceRGBReal(s, 1, 1, 1); },
       "CD C1 03 00 00 00 80 3F 00 00 80 3F 00 00 80 3F F8 0B 63"},
      {"brush primary", [&](XLStream* s) { XLSetBrushSourcePrimary(s, 0, palette, 2); },
       "C0 00 F8 0F C8 C1 02 00 00 FF F8 0E 63"},
      {"pen null", [](XLStream* s) { XLSetPenSourceNull(s); }, "C0 00 F8 05 79"},
      {"pen gray", [](XLStream* s) { XLSetPenSourceGray(s, 0); }, "C0 00 F8 09 79"},
      {"pen RGB", [](XLStream* s) { XLSetPenSourceRGB(s, 1, 2, 3); }, "C8 C1 03 00 01 02 03 F8 0B 79"},
      {"pen pattern scaled", [](XLStream* s) { XLSetPenSourcePatternScaled(s, 8, 8, 2); },
       "D1 08 00 08 00 F8 0D C3 02 00 F8 08 79"},
      {"color space", [](XLStream* s) { XLSetColorSpace(s, 1); }, "C0 01 F8 03 6A"},
      {"color space palette", [&](XLStream* s) { XLSetColorSpacePalette(s, 1, 2, palette, 2); },
       "C0 01 F8 03 C0 02 F8 02 C8 C1 02 00 00 FF F8 06 6A"},
      {"colorimetric", [&](XLStream* s) { XLSetColorimetricColorSpace(s, 5, six, two, six, six); },
       ("C0 05 F8 11 CD C1 06 00 " + one + one + one + one + one + one + "F8 12 CD C1 02 00 " + one + one +
        "F8 13 CD C1 06 00 " + one + one + one + one + one + one + "F8 14 CD C1 06 00 " + one + one + one + one +
        one + one + "F8 15 6A")
           .c_str()},
      {"color space codes", [&](XLStream* s) { XLSetColorSpaceCodes(s, 4, five); },
       ("C0 04 F8 16 C5 " + one + "F8 17 C5 " + one + "F8 18 C5 " + one + "F8 19 C5 " + one + "F8 1A C5 " + one +
        "F8 1B 6A")
           .c_str()},
      {"color treatment", [](XLStream* s) { XLSetColorTreatment(s, 1); }, "C0 01 F8 78 58"},
      {"color treatment objects", [](XLStream* s) { XLSetColorTreatmentObjects(s, 1, 2, 3); },
       "C0 01 F8 1E C0 02 F8 1F C0 03 F8 20 58"},
      {"halftone device", [](XLStream* s) { XLSetHalftoneMethod(s, 1); }, "C0 01 F8 21 6D"},
      {"halftone objects origin", [](XLStream* s) { XLSetHalftoneMethodObjects(s, 1, 2, 3, 4, 5); },
       "C0 01 F8 1E C0 02 F8 1F C0 03 F8 20 D1 04 00 05 00 F8 23 6D"},
      {"halftone matrix", [](XLStream* s) { XLSetHalftoneMethodMatrix(s, 16, 16, 2, 0); },
       "D1 10 00 10 00 F8 32 C0 02 F8 33 C0 00 F8 22 6D"},
      {"halftone matrix origin", [](XLStream* s) { XLSetHalftoneMethodMatrix(s, 16, 16, 2, 0, 1, 1); },
       "D1 10 00 10 00 F8 32 C0 02 F8 33 C0 00 F8 22 D1 01 00 01 00 F8 23 6D"},
      {"neutral axis", [](XLStream* s) {
         XLSetNeutralAxisObjects(s, 1, 2, 3), XLSetNeutralAxisText(s, 1), XLSetNeutralAxisVector(s, 1);
         XLSetNeutralAxisRaster(s, 1), XLSetNeutralAxisAll(s, 1);
       },
       "C0 01 F8 1E C0 02 F8 1F C0 03 F8 20 7E C0 01 F8 1E 7E C0 01 F8 1F 7E C0 01 F8 20 7E C0 01 F8 1D 7E"},
      {"trapping and adaptive", [](XLStream* s) {
         XLSetColorTrapping(s, 2), XLSetAdaptiveHalftoningAll(s, 1), XLSetAdaptiveHalftoningObjects(s, 1, 1, 0);
       },
       "C0 02 F8 1D 92 C0 01 F8 1D 94 C0 01 F8 1E C0 01 F8 1F C0 00 F8 20 94"},
      {"modes", [](XLStream* s) {
         XLSetSourceTxMode(s, 1), XLSetPatternTxMode(s, 0), XLSetFillMode(s, 1), XLSetLineCap(s, 2);
         XLSetLineJoin(s, 3), XLSetClipMode(s, 0), XLSetClipReplace(s, 0), XLSetClipIntersect(s, 1);
       },
       "C0 01 F8 2D 7C C0 00 F8 2D 78 C0 01 F8 46 6E C0 02 F8 47 71 C0 03 F8 48 72 C0 00 F8 54 7F C0 00 F8 53 62 "
       "C0 01 F8 53 67"},
      {"miter and width", [](XLStream* s) {
         XLSetMiterLimit(s, 10), XLSetMiterLimitReal(s, 1), XLSetPenWidth(s, 5), XLSetPenWidthReal(s, 1);
       },
       "C1 0A 00 F8 49 73 C5 00 00 80 3F F8 49 73 C1 05 00 F8 4B 7A C5 00 00 80 3F F8 4B 7A"},
      {"dashes", [&](XLStream* s) {
         XLSetLineDash(s, dashes, 2), XLSetLineDashOffset(s, dashes, 2, 5), XLSetLineDashSolid(s);
       },
       "C9 C1 02 00 0A 00 14 00 F8 4A 70 C9 C1 02 00 0A 00 14 00 F8 4A C1 05 00 F8 43 70 C0 00 F8 4E 70"},
      {"clip rectangle", [](XLStream* s) { XLSetClipRectangleU16(s, 1, 2, 3, 4, 0); },
       "E1 01 00 02 00 03 00 04 00 F8 42 C0 00 F8 53 68"},
      {"cursor forms", [](XLStream* s) {
         XLSetCursorS16(s, -1, 2), XLSetCursorU16(s, 1, 2), XLSetCursorS32(s, 1, 2), XLSetCursorR32(s, 1, 1);
       },
       "D3 FF FF 02 00 F8 4C 6B D1 01 00 02 00 F8 4C 6B D4 01 00 00 00 02 00 00 00 F8 4C 6B "
       "D5 00 00 80 3F 00 00 80 3F F8 4C 6B"},
      {"cursor measure", [](XLStream* s) { XLSetCursorMeasure(s, 0, 1, 1); },
       "C0 00 F8 86 D5 00 00 80 3F 00 00 80 3F F8 89 6B"},
      {"cursor rel and origin", [](XLStream* s) { XLSetCursorRelS16(s, 1, 2), XLSetPageOriginU16(s, 1, 2); },
       "D3 01 00 02 00 F8 4C 6C D1 01 00 02 00 F8 2A 75"},
      {"page rotation and scale", [](XLStream* s) {
         XLSetPageRotation(s, 90), XLSetPageRotationReal(s, 1), XLSetPageScale(s, 1, 1);
       },
       "C3 5A 00 F8 29 76 C5 00 00 80 3F F8 29 76 D5 00 00 80 3F 00 00 80 3F F8 2B 77"},
  });
}

TEST(XLOperatorsTest, PathAndShapeWriters) {
  ExpectBytes({
      {"Rectangle S16", [](XLStream* s) { XLRectangleS16(s, 10, 20, 110, 220); },
       "E3 0A 00 14 00 6E 00 DC 00 F8 42 A0"},
      {"Rectangle forms", [](XLStream* s) {
         XLRectangleU16(s, 1, 2, 3, 4), XLRectangleS32(s, 1, 2, 3, 4), XLRectangleR32(s, 1, 1, 1, 1);
       },
       "E1 01 00 02 00 03 00 04 00 F8 42 A0 E4 01 00 00 00 02 00 00 00 03 00 00 00 04 00 00 00 F8 42 A0 "
       "E5 00 00 80 3F 00 00 80 3F 00 00 80 3F 00 00 80 3F F8 42 A0"},
      {"box operators", [](XLStream* s) {
         XLRectanglePathS16(s, 1, 2, 3, 4), XLEllipseS16(s, 1, 2, 3, 4), XLEllipsePathS16(s, 1, 2, 3, 4);
       },
       "E3 01 00 02 00 03 00 04 00 F8 42 A1 E3 01 00 02 00 03 00 04 00 F8 42 98 E3 01 00 02 00 03 00 04 00 F8 42 99"},
      {"ArcPath", [](XLStream* s) { XLArcPathS16(s, 0, 0, 100, 100, 100, 50, 50, 100, 1); },
       "E3 00 00 00 00 64 00 64 00 F8 42 D3 64 00 32 00 F8 4F D3 32 00 64 00 F8 45 C0 01 F8 41 91"},
      {"Chord Pie and their paths", [](XLStream* s) {
         XLChordU16(s, 0, 0, 1, 1, 1, 0, 0, 1), XLChordPathU16(s, 0, 0, 1, 1, 1, 0, 0, 1);
         XLPieU16(s, 0, 0, 1, 1, 1, 0, 0, 1), XLPiePathU16(s, 0, 0, 1, 1, 1, 0, 0, 1);
       },
       "E1 00 00 00 00 01 00 01 00 F8 42 D1 01 00 00 00 F8 4F D1 00 00 01 00 F8 45 96 "
       "E1 00 00 00 00 01 00 01 00 F8 42 D1 01 00 00 00 F8 4F D1 00 00 01 00 F8 45 97 "
       "E1 00 00 00 00 01 00 01 00 F8 42 D1 01 00 00 00 F8 4F D1 00 00 01 00 F8 45 9E "
       "E1 00 00 00 00 01 00 01 00 F8 42 D1 01 00 00 00 F8 4F D1 00 00 01 00 F8 45 9F"},
      // EllipseDimension: uint16 for S16 and U16, uint32 (RoundRectangle) or
      // sint32 (RoundRectanglePath) for S32, real32 for R32.
      {"RoundRectangle S16", [](XLStream* s) { XLRoundRectangleS16(s, 0, 0, 9, 9, 2, 3); },
       "E3 00 00 00 00 09 00 09 00 F8 42 D1 02 00 03 00 F8 44 A2"},
      {"RoundRectangle S32", [](XLStream* s) { XLRoundRectangleS32(s, 0, 0, 9, 9, 2, 3); },
       "E4 00 00 00 00 00 00 00 00 09 00 00 00 09 00 00 00 F8 42 D2 02 00 00 00 03 00 00 00 F8 44 A2"},
      {"RoundRectanglePath S32", [](XLStream* s) { XLRoundRectanglePathS32(s, 0, 0, 9, 9, 2, 3); },
       "E4 00 00 00 00 00 00 00 00 09 00 00 00 09 00 00 00 F8 42 D4 02 00 00 00 03 00 00 00 F8 44 A3"},
      {"RoundRectangle R32", [](XLStream* s) { XLRoundRectangleR32(s, 1, 1, 1, 1, 1, 1); },
       "E5 00 00 80 3F 00 00 80 3F 00 00 80 3F 00 00 80 3F F8 42 D5 00 00 80 3F 00 00 80 3F F8 44 A2"},
      {"RoundRectanglePath U16", [](XLStream* s) { XLRoundRectanglePathU16(s, 0, 0, 9, 9, 2, 3); },
       "E1 00 00 00 00 09 00 09 00 F8 42 D1 02 00 03 00 F8 44 A3"},
      {"paths", [](XLStream* s) { XLNewPath(s), XLCloseSubPath(s), XLPaintPath(s); }, "85 84 86"},
      {"lines", [](XLStream* s) { XLLinePathS16(s, 1, 2), XLLineRelPathS16(s, -1, 2); },
       "D3 01 00 02 00 F8 45 9B D3 FF FF 02 00 F8 45 9D"},
      {"bezier", [](XLStream* s) { XLBezierPathU16(s, 1, 2, 3, 4, 5, 6), XLBezierRelPathS16(s, 1, 2, 3, 4, 5, 6); },
       "D1 01 00 02 00 F8 51 D1 03 00 04 00 F8 52 D1 05 00 06 00 F8 45 93 "
       "D3 01 00 02 00 F8 51 D3 03 00 04 00 F8 52 D3 05 00 06 00 F8 45 95"},
      {"point lists", [](XLStream* s) {
         XLLinePathPoints(s, 4, 3), XLLineRelPathPoints(s, 7, 1), XLBezierPathPoints(s, 3, 3);
         XLBezierRelPathPoints(s, 3, 1);
       },
       "C1 04 00 F8 4D C0 03 F8 50 9B C1 07 00 F8 4D C0 01 F8 50 9D C1 03 00 F8 4D C0 03 F8 50 93 "
       "C1 03 00 F8 4D C0 01 F8 50 95"},
  });
}

TEST(XLOperatorsTest, ImageAndPatternWriters) {
  ExpectBytes({
      {"BeginImage", [](XLStream* s) { XLBeginImage(s, 1, 2, 10, 20, 30, 40); },
       "C0 01 F8 64 C0 02 F8 62 C1 0A 00 F8 6C C1 14 00 F8 6B D1 1E 00 28 00 F8 67 B0"},
      {"BeginImage 32", [](XLStream* s) { XLBeginImage32(s, 0, 0, 10, 20, 30, 40); },
       "C0 00 F8 64 C0 00 F8 62 C2 0A 00 00 00 F8 6C C2 14 00 00 00 F8 6B D1 1E 00 28 00 F8 67 B0"},
      {"ReadImage", [](XLStream* s) { XLReadImage(s, 0, 16, 3); }, "C1 00 00 F8 6D C1 10 00 F8 63 C0 03 F8 65 B1"},
      {"ReadImage 32", [](XLStream* s) { XLReadImage32(s, 1, 2, 0); },
       "C2 01 00 00 00 F8 6D C2 02 00 00 00 F8 63 C0 00 F8 65 B1"},
      {"ReadImage padded", [](XLStream* s) { XLReadImagePadded(s, 1, 2, 0, 1); },
       "C2 01 00 00 00 F8 6D C2 02 00 00 00 F8 63 C0 00 F8 65 C0 01 F8 6E B1"},
      {"EndImage", [](XLStream* s) { XLEndImage(s); }, "B2"},
      {"BeginRastPattern", [](XLStream* s) { XLBeginRastPattern(s, 0, 0, 2, 2, 8, 8, 5, 0); },
       "C0 00 F8 64 C0 00 F8 62 C1 02 00 F8 6C C1 02 00 F8 6B D1 08 00 08 00 F8 67 C3 05 00 F8 69 C0 00 F8 68 B3"},
      {"BeginRastPattern 32", [](XLStream* s) { XLBeginRastPattern32(s, 0, 0, 2, 2, 8, 8, 5); },
       "C0 00 F8 64 C0 00 F8 62 C2 02 00 00 00 F8 6C C2 02 00 00 00 F8 6B D2 08 00 00 00 08 00 00 00 F8 67 "
       "C3 05 00 F8 69 B3"},
      {"ReadRastPattern", [](XLStream* s) { XLReadRastPattern(s, 0, 2, 0), XLReadRastPattern32(s, 0, 2, 0); },
       "C1 00 00 F8 6D C1 02 00 F8 63 C0 00 F8 65 B4 C2 00 00 00 00 F8 6D C2 02 00 00 00 F8 63 C0 00 F8 65 B4"},
      {"ends and scans", [](XLStream* s) { XLEndRastPattern(s), XLBeginScan(s), XLEndScan(s); }, "B5 B6 B8"},
  });
}

TEST(XLOperatorsTest, FontWriters) {
  const uint8_t name[] = {'F', '1'};
  const uint8_t modes[] = {1, 2, 3};
  ExpectBytes({
      {"font header", [&](XLStream* s) {
         XLBeginFontHeader(s, name, 2, 0), XLReadFontHeader(s, 80), XLEndFontHeader(s);
       },
       "C8 C1 02 00 46 31 F8 A8 C0 00 F8 A9 4F C1 50 00 F8 A7 50 51"},
      {"char", [&](XLStream* s) { XLBeginChar(s, name, 2), XLReadChar(s, 65, 300), XLEndChar(s); },
       "C8 C1 02 00 46 31 F8 A8 52 C1 41 00 F8 A2 C2 2C 01 00 00 F8 A3 53 54"},
      {"RemoveFont", [&](XLStream* s) { XLRemoveFont(s, name, 2); }, "C8 C1 02 00 46 31 F8 A8 55"},
      {"SetFont", [&](XLStream* s) { XLSetFont(s, name, 2, 1.0f, 629); },
       "C8 C1 02 00 46 31 F8 A8 C5 00 00 80 3F F8 A6 C1 75 02 F8 AA 6F"},
      {"SetFont PCL", [&](XLStream* s) { XLSetFontPCL(s, name, 2); }, "C8 C1 02 00 46 31 F8 8D 6F"},
      {"char attributes", [](XLStream* s) {
         XLSetCharAttributes(s, 1), XLSetCharAngle(s, -90), XLSetCharAngleReal(s, 1), XLSetCharScale(s, 1, 1);
       },
       "C0 01 F8 AD 56 C3 A6 FF F8 A1 64 C5 00 00 80 3F F8 A1 64 D5 00 00 80 3F 00 00 80 3F F8 A4 65"},
      {"shear and bold", [](XLStream* s) {
         XLSetCharShear(s, 1, -1), XLSetCharShearReal(s, 1, 1), XLSetCharBoldValue(s, 1);
       },
       "D3 01 00 FF FF F8 A5 66 D5 00 00 80 3F 00 00 80 3F F8 A5 66 C5 00 00 80 3F F8 B1 7D"},
      {"sub mode, count modulo 256", [&](XLStream* s) { XLSetCharSubMode(s, modes, 257); },
       "C8 C1 01 00 01 F8 AC 81"},
  });
}

TEST(XLOperatorsTest, TextSpacingIsBytesOnlyWhenEveryValueFitsAByte) {
  const uint8_t codes[] = {'A', 'B'};
  const uint16_t wide[] = {0x0141, 0x0042};
  const int16_t small[] = {0, 255};
  const int16_t large[] = {10, 256};
  const int16_t negative[] = {-1, 10};
  ExpectBytes({
      {"no spacing", [&](XLStream* s) { XLText(s, codes, 2, nullptr, nullptr); }, "C8 C1 02 00 41 42 F8 AB A8"},
      {"x spacing in bytes", [&](XLStream* s) { XLText(s, codes, 2, small, nullptr); },
       "C8 C1 02 00 41 42 F8 AB C8 C1 02 00 00 FF F8 AF A8"},
      {"a value of 256", [&](XLStream* s) { XLText(s, codes, 2, large, nullptr); },
       "C8 C1 02 00 41 42 F8 AB CB C1 02 00 0A 00 00 01 F8 AF A8"},
      {"a value of -1", [&](XLStream* s) { XLText(s, codes, 2, negative, nullptr); },
       "C8 C1 02 00 41 42 F8 AB CB C1 02 00 FF FF 0A 00 F8 AF A8"},
      {"y spacing alone", [&](XLStream* s) { XLTextPath(s, codes, 2, nullptr, small); },
       "C8 C1 02 00 41 42 F8 AB C8 C1 02 00 00 FF F8 B0 A9"},
      {"both always words", [&](XLStream* s) { XLText(s, codes, 2, small, small); },
       "C8 C1 02 00 41 42 F8 AB CB C1 02 00 00 00 FF 00 F8 AF CB C1 02 00 00 00 FF 00 F8 B0 A8"},
      {"16-bit codes", [&](XLStream* s) { XLText16(s, wide, 2, nullptr, nullptr); },
       "C9 C1 02 00 41 01 42 00 F8 AB A8"},
      {"16-bit codes on a path", [&](XLStream* s) { XLTextPath16(s, wide, 2, small, nullptr); },
       "C9 C1 02 00 41 01 42 00 F8 AB C8 C1 02 00 00 FF F8 AF A9"},
  });
}

TEST(XLOperatorsTest, NamesLongerThanTheCountFieldStopTheStream) {
  std::vector<uint8_t> name(0x10000, 'a');
  XLFixture f;
  XLSetFont(*f, name.data(), static_cast<uint32_t>(name.size()), 12.0f, 629);
  EXPECT_EQ((*f)->error, kXLOverflow);
  EXPECT_EQ(f.Bytes(), "") << "no name with a count of 0 and 65536 bytes after it";
}

// A scan line: the operator, the embedded length, 0x03, x start, y, pair
// count, pair type, then the values.
TEST(XLOperatorsTest, ScanLineValuesAreBytesUntilOneExceeds255) {
  const uint16_t bytes[] = {1, 2, 255, 4};
  const uint16_t words[] = {1, 2, 256, 4};
  ExpectBytes({
      {"pair type 0", [&](XLStream* s) { XLScanLineRel(s, 7, 3, bytes, 2); },
       "B9 FB 0C 03 03 00 07 00 02 00 00 01 02 FF 04"},
      {"pair type 2", [&](XLStream* s) { XLScanLineRel(s, 7, 3, words, 2); },
       "B9 FB 10 03 03 00 07 00 02 00 02 01 00 02 00 00 01 04 00"},
      {"header", [&](XLStream* s) { XLScanLineRelHeader(s, 7, 3, 2); }, "B9 FB 10 03 03 00 07 00 02 00 02"},
  });
}

TEST(XLOperatorsTest, BufferedScanLinesGoOutTogether) {
  const uint16_t first[] = {1, 2};
  const uint16_t second[] = {300, 4};
  uint16_t buffer[64];

  // One line: no NumberOfScanLines.
  {
    XLFixture f;
    XLScanLineBufferInit(buffer, 64);
    XLScanLineBuffered(*f, 7, 3, first, 1, buffer);
    EXPECT_EQ(f.Bytes(), "") << "a stored line waits for the flush";
    XLScanLineBufferFlush(*f, buffer);
    EXPECT_EQ(SpacedHex(f.Bytes()), "B6 B9 FB 0A 03 03 00 07 00 01 00 00 01 02 B8");
    EXPECT_EQ(buffer[4], 0) << "the flush empties the buffer";
    XLScanLineBufferFlush(*f, buffer);
    EXPECT_EQ(SpacedHex(f.Bytes()), "B6 B9 FB 0A 03 03 00 07 00 01 00 00 01 02 B8") << "an empty buffer writes nothing";
  }
  // Two lines, the second with words: the count and one embedded block.
  {
    XLFixture f;
    XLScanLineBufferInit(buffer, 64);
    XLScanLineBuffered(*f, 7, 3, first, 1, buffer);
    XLScanLineBuffered(*f, 8, 4, second, 1, buffer);
    XLScanLineBufferFlush(*f, buffer);
    EXPECT_EQ(SpacedHex(f.Bytes()),
              "B6 C1 02 00 F8 73 B9 FB 15 03 03 00 07 00 01 00 00 01 02 04 00 08 00 01 00 02 2C 01 04 00 B8");
  }
  // A line that does not fit even an empty buffer goes out at once, with
  // the same bytes as the same line flushed from a buffer.
  {
    std::vector<uint16_t> values(40, 9);
    XLFixture f;
    XLScanLineBufferInit(buffer, 64);
    XLScanLineBuffered(*f, 7, 3, first, 1, buffer);
    XLScanLineBuffered(*f, 8, 4, values.data(), 20, buffer);  // 44 words of 53 free: stored
    XLScanLineBufferFlush(*f, buffer);
    const std::string flushed = f.Bytes();

    XLFixture g;
    uint16_t small[20];
    XLScanLineBufferInit(small, 20);
    XLScanLineBuffered(*g, 8, 4, values.data(), 20, small);
    const std::string direct = g.Bytes();
    EXPECT_EQ(SpacedHex(direct.substr(0, 10)), "B6 B9 FB 30 03 04 00 08 00 14");
    EXPECT_EQ(direct.back(), '\xB8');
    EXPECT_EQ(small[4], 0) << "nothing stored";
    // The flushed pair holds the first line too; the second line's record is
    // the same bytes.
    EXPECT_NE(flushed.find(direct.substr(5, direct.size() - 6)), std::string::npos);
  }
  // A buffer below 10 words is unusable and writes nothing.
  {
    XLFixture f;
    XLScanLineBufferInit(buffer, 9);
    XLScanLineBuffered(*f, 7, 3, first, 1, buffer);
    XLScanLineBufferFlush(*f, buffer);
    EXPECT_EQ(f.Bytes(), "");
  }
}

// Many wide lines in a large buffer: the 16-bit embedded byte count must
// never wrap, so every ScanLineRel's length says exactly how many bytes
// follow it.
TEST(XLOperatorsTest, BufferedScanLinesNeverWrapTheirByteCount) {
  std::vector<uint16_t> buffer(65535);
  std::vector<uint16_t> values(2000, 300);  // 1000 pairs as words: 4007 bytes, 2004 words a line
  XLFixture f;
  XLScanLineBufferInit(buffer.data(), static_cast<uint32_t>(buffer.size()));
  for (uint16_t y = 0; y < 40; ++y) XLScanLineBuffered(*f, y, 0, values.data(), 1000, buffer.data());
  XLScanLineBufferFlush(*f, buffer.data());
  const std::string out = f.Bytes();

  size_t at = 0;
  int lines = 0;
  while (at < out.size()) {
    ASSERT_EQ(static_cast<uint8_t>(out[at++]), 0xB6) << "BeginScan at " << at;
    int count = 1;
    if (static_cast<uint8_t>(out[at]) == 0xC1) {
      count = static_cast<uint8_t>(out[at + 1]) | static_cast<uint8_t>(out[at + 2]) << 8;
      at += 5;  // C1 nn nn F8 73
    }
    ASSERT_EQ(static_cast<uint8_t>(out[at++]), 0xB9);
    uint32_t length = 0;
    if (static_cast<uint8_t>(out[at]) == 0xFB) {
      length = static_cast<uint8_t>(out[at + 1]);
      at += 2;
    } else {
      ASSERT_EQ(static_cast<uint8_t>(out[at]), 0xFA);
      for (int i = 0; i < 4; ++i) length |= static_cast<uint32_t>(static_cast<uint8_t>(out[at + 1 + i])) << (8 * i);
      at += 5;
    }
    EXPECT_EQ(length, 1u + 4007u * count);
    at += length;
    ASSERT_LT(at, out.size());
    ASSERT_EQ(static_cast<uint8_t>(out[at++]), 0xB8) << "EndScan right after the data";
    lines += count;
  }
  EXPECT_EQ(lines, 40);
}

// A whole job written through the writers, rendered by the independent
// interpreter at 50 dots per inch: it must parse without a word of
// complaint, give its three pages at their sizes, and mark where the shapes
// are and nowhere else. The job reaches the interpreter as it reaches a
// printer, after the PJL line that enters the language. Its geometry uses
// the 16-bit coordinate forms and a real32 gray level; the interpreter
// refuses the sint32 and real32 coordinate forms of Rectangle, Ellipse,
// SetCursor and LinePath (an IllegalAttributeDataType), so a job keeps to
// the 16-bit forms for those.
TEST(XLOperatorsTest, TheInterpreterRendersAJobWrittenThroughTheWriters) {
  const std::string interpreter = qvtest::PclInterpreter();
  ASSERT_FALSE(interpreter.empty()) << qvtest::kNoInterpreter;

  XLFixture f;
  XLStream* s = *f;
  const char comment[] = " writer test";
  XLWriteStreamHeader(s, 2, 0, comment, sizeof comment - 1);
  XLBeginSession(s, 600, 600, 0, 0);
  XLOpenDataSource(s, 0, 1);

  // Page 1: Letter, portrait. A filled rectangle from (1, 1) to (3, 2)
  // inches, and a square of 1 inch at (4, 4) inches drawn as a path of
  // relative sint16 points given as embedded data.
  XLBeginPage(s, 0, 0);
  XLSetColorSpace(s, 1);
  XLSetClipMode(s, 0);
  XLSetPenSourceNull(s);
  XLSetBrushSourceGray(s, 0);
  XLRectangleU16(s, 600, 600, 1800, 1200);
  XLNewPath(s);
  XLSetCursorS16(s, 2400, 2400);
  XLLineRelPathPoints(s, 3, 3);
  const uint16_t square[] = {600, 0, 0, 600, static_cast<uint16_t>(-600), 0};
  XLWriteEmbeddedUInt16(s, square, 6);
  XLCloseSubPath(s);
  XLPaintPath(s);
  XLEndPageCopies(s, 1);

  // Page 2: A4, landscape. An ellipse filling the box from (1, 1) to (3, 3)
  // inches; a stroked horizontal line 5 to 7 inches
  // across at 4 inches down, 0.1 inch wide.
  XLBeginPage(s, 1, 2);
  XLSetColorSpace(s, 1);
  XLSetPenSourceNull(s);
  XLSetBrushSourceGrayReal(s, 0.0f);
  XLEllipseS16(s, 600, 600, 1800, 1800);
  XLSetBrushSourceNull(s);
  XLSetPenSourceGray(s, 0);
  XLSetPenWidth(s, 60);
  XLNewPath(s);
  XLSetCursorS16(s, 3000, 2400);
  XLLinePathU16(s, 4200, 2400);
  XLPaintPath(s);
  XLEndPage(s);

  // Page 3: a custom paper of 8.5 by 14 inches, portrait: a rectangle near
  // its foot, which only a page taller than Letter shows.
  XLBeginPageCustom(s, 0, 8.5f, 14.0f, 0);
  XLSetColorSpace(s, 1);
  XLSetPenSourceNull(s);
  XLSetBrushSourceGray(s, 0);
  XLRectangleS16(s, 600, 7200, 1200, 7800);
  XLEndPage(s);

  XLCloseDataSource(s);
  XLEndSession(s);
  ASSERT_EQ(s->error, 0) << XLErrorName(s->error);
  const std::string job = "\x1b%-12345X@PJL ENTER LANGUAGE=PCLXL\r\n" + f.Bytes();

  const qvtest::RenderedJob rendered = qvtest::RenderPcl(interpreter, job, "xl_writers", 50);
  EXPECT_EQ(rendered.status, 0);
  EXPECT_EQ(rendered.errors, "") << "the interpreter reports nothing about the job";
  ASSERT_EQ(rendered.pages.size(), 3u);

  // Letter is 8.5 by 11 inches.
  const qvtest::GrayPage& letter = rendered.pages[0];
  EXPECT_EQ(letter.width, 425);
  EXPECT_EQ(letter.height, 550);
  struct Sample {
    int x, y;
    bool dark;
  };
  // Samples are given on the page as drawn; a landscape page lies turned on
  // its portrait sheet, its top left corner at the sheet's bottom left.
  const auto check = [](const qvtest::GrayPage& page, const std::vector<Sample>& samples, bool landscape,
                        const char* which) {
    for (const Sample& p : samples) {
      const bool dark = landscape ? page.Dark(p.y, page.height - 1 - p.x) : page.Dark(p.x, p.y);
      EXPECT_EQ(dark, p.dark) << which << " at (" << p.x << ", " << p.y << ")";
    }
  };
  check(letter,
        {{100, 75, true}, {55, 55, true}, {145, 95, true},                        // the rectangle
         {45, 75, false}, {155, 75, false}, {100, 45, false}, {100, 105, false},  // around it
         {225, 225, true}, {205, 205, true}, {245, 245, true},                    // the square
         {195, 225, false}, {255, 225, false}, {225, 195, false}, {225, 255, false}},
        false, "Letter");

  // A4 is 210 by 297 mm; the landscape page is drawn across it.
  const qvtest::GrayPage& a4 = rendered.pages[1];
  EXPECT_NEAR(a4.width, 413, 1);
  EXPECT_NEAR(a4.height, 584, 1);
  check(a4,
        {{100, 100, true}, {100, 55, true}, {55, 100, true},    // the ellipse's centre and sides
         {57, 57, false}, {143, 143, false},                    // its box's corners stay white
         {260, 200, true}, {300, 200, true}, {340, 200, true},  // the stroked line
         {300, 190, false}, {300, 210, false}, {240, 200, false}, {360, 200, false}},
        true, "A4 landscape");
  EXPECT_FALSE(a4.Dark(100, 100)) << "the landscape page is turned, not drawn upright";

  // The custom paper: CustomMediaSize as a real32 pair in inches.
  const qvtest::GrayPage& custom = rendered.pages[2];
  EXPECT_EQ(custom.width, 425);
  EXPECT_EQ(custom.height, 700);
  check(custom, {{75, 625, true}, {75, 595, false}, {75, 655, false}, {45, 625, false}, {105, 625, false}},
        false, "custom");
  EXPECT_GT(custom.DarkPixels(), 2000u);
  EXPECT_LT(custom.DarkPixels(), 3000u) << "only the rectangle";
}

}  // namespace

// Images, buffered scan lines, a clip rectangle and a dashed pen on one
// Letter page, rendered by the interpreter at 50 dots per inch (12 units a
// dot).
TEST(XLOperatorsTest, TheInterpreterDrawsImagesScanLinesClipsAndDashes) {
  const std::string interpreter = qvtest::PclInterpreter();
  ASSERT_FALSE(interpreter.empty()) << qvtest::kNoInterpreter;

  XLFixture f;
  XLStream* s = *f;
  XLWriteStreamHeader(s, 2, 0, nullptr, 0);
  XLBeginSession(s, 600, 600, 0, 0);
  XLOpenDataSource(s, 0, 1);
  XLBeginPage(s, 0, 0);
  XLSetColorSpace(s, 1);
  XLSetPenSourceNull(s);
  XLSetBrushSourceGray(s, 0);

  // An 8-bit gray image of 4 by 4 pixels, black on the left and white on
  // the right, drawn 1 inch square at (1, 1) inch.
  XLSetCursorU16(s, 600, 600);
  XLBeginImage(s, 0, 2, 4, 4, 600, 600);
  XLReadImage(s, 0, 4, 0);
  const uint8_t rows[16] = {0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255};
  XLWriteEmbeddedBytes(s, rows, 16);
  XLEndImage(s);

  // Sixty scan lines a unit apart from 2 inches down: a run from 4 to 5
  // inches (words) and one from 6 inches, 200 units long (bytes), through a
  // small buffer that flushes several times.
  uint16_t buffer[64];
  XLScanLineBufferInit(buffer, 64);
  const uint16_t wide[] = {2400, 600};
  const uint16_t narrow[] = {0, 200};
  for (uint16_t y = 1200; y < 1260; ++y) {
    XLScanLineBuffered(s, y, 0, wide, 1, buffer);
    XLScanLineBuffered(s, y, 3600, narrow, 1, buffer);
  }
  XLScanLineBufferFlush(s, buffer);

  // A clip of 1 by 1 inch at (1, 5) inches; a large rectangle shows only
  // inside it.
  XLSetClipRectangleU16(s, 600, 3000, 1200, 3600, 0);
  XLRectangleU16(s, 0, 2400, 4800, 4200);
  XLSetClipToPage(s);

  // A dashed line at 8 inches down from 1 to 5 inches across: half an inch
  // on, half an inch off.
  XLSetBrushSourceNull(s);
  XLSetPenSourceGray(s, 0);
  XLSetPenWidth(s, 60);
  const uint16_t dashes[] = {300, 300};
  XLSetLineDash(s, dashes, 2);
  XLNewPath(s);
  XLSetCursorU16(s, 600, 4800);
  XLLinePathU16(s, 3000, 4800);
  XLPaintPath(s);
  XLEndPage(s);
  XLCloseDataSource(s);
  XLEndSession(s);
  ASSERT_EQ(s->error, 0) << XLErrorName(s->error);

  const std::string job = "\x1b%-12345X@PJL ENTER LANGUAGE=PCLXL\r\n" + f.Bytes();
  const qvtest::RenderedJob rendered = qvtest::RenderPcl(interpreter, job, "xl_images", 50);
  EXPECT_EQ(rendered.status, 0);
  EXPECT_EQ(rendered.errors, "") << "the interpreter reports nothing about the job";
  ASSERT_EQ(rendered.pages.size(), 1u);
  const qvtest::GrayPage& page = rendered.pages[0];
  struct Sample {
    int x, y;
    bool dark;
    const char* what;
  };
  const std::vector<Sample> samples = {
      {60, 75, true, "image, black half"},    {90, 75, false, "image, white half"},
      {40, 75, false, "left of the image"},   {60, 105, false, "below the image"},
      {225, 102, true, "wide scan run"},      {195, 102, false, "before the wide run"},
      {255, 102, false, "after the wide run"}, {225, 110, false, "below the scan lines"},
      {308, 102, true, "narrow scan run"},    {320, 102, false, "after the narrow run"},
      {75, 275, true, "inside the clip"},     {40, 275, false, "left of the clip"},
      {110, 275, false, "right of the clip"}, {75, 215, false, "above the clip"},
      {75, 330, false, "below the clip"},     {62, 400, true, "first dash"},
      {87, 400, false, "first gap"},          {112, 400, true, "second dash"},
      {137, 400, false, "second gap"},        {112, 410, false, "beside the dashes"},
  };
  for (const Sample& p : samples)
    EXPECT_EQ(page.Dark(p.x, p.y), p.dark) << p.what << " at (" << p.x << ", " << p.y << ")";
}
