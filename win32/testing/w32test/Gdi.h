// The testing interface of the stand-in, part Gdi: see "w32test/Testing.h".
#pragma once

#include <string>
#include <vector>

#include "w32host/Administration.h"
#include "win32/Gdi.h"

namespace w32test {

using w32host::EscapeRecord;


struct TextOutRecord {
  int x = 0;
  int y = 0;
  std::u16string text;
  LOGFONTW font{};  // the selected font (all zero for the device's own)
  COLORREF colour = 0;
  int bkMode = 0;
  int mapMode = 0;
  int graphicsMode = 0;
  int charExtra = 0;
  RECT clip{};
  int saveDepth = 0;  // saves in force when the text was drawn
};

// A rectangle, a line, a polygon or a pixel drawn on a context.
struct ShapeRecord {
  enum Kind { kRectangle, kLine, kPolygon, kPixel } kind = kRectangle;
  std::vector<POINT> points;        // logical: a rectangle's two corners, a line's ends
  std::vector<POINT> devicePoints;  // the same under the context's mapping
  COLORREF pen = 0;                 // CLR_INVALID: no outline
  int penStyle = 0;
  int penWidth = 0;
  COLORREF brush = 0;               // CLR_INVALID: no fill
};

// One entry of what a device context received, in order.
struct DcEvent {
  enum Kind { kEscape, kText, kShape } kind = kEscape;
  EscapeRecord escape;
  TextOutRecord text;
  ShapeRecord shape;
};

// One face EnumFontFamiliesW reports.
struct FontFamilySpec {
  std::u16string face;
  BYTE charSet = 0;
  DWORD fontType = TRUETYPE_FONTTYPE;
};
// Replaces the faces the system knows; Reset() brings the default list back.
void SetFontFamilies(std::vector<FontFamilySpec> families);

struct DcSetup {
  int horzRes = 5100;
  int vertRes = 6600;
  int logPixelsX = 600;
  int logPixelsY = 600;
};

// A new recording device context; Reset() drops every context.
HDC CreateRecordingDC(const DcSetup& setup = DcSetup());
// Every escape and text output the context received, in order.
const std::vector<DcEvent>& DcEvents(HDC dc);
std::vector<EscapeRecord> DcEscapes(HDC dc);
std::vector<TextOutRecord> DcTexts(HDC dc);
std::vector<ShapeRecord> DcShapes(HDC dc);
// Escape answers: the result and the output bytes for a code.
void ScriptEscape(HDC dc, int code, int result, const std::string& output = std::string());
// Saves still in force; live fonts (created, not deleted).
int DcSaveDepth(HDC dc);
int LiveFontCount();
// State of a context as it stands.
int DcBkMode(HDC dc);

// The client area of a window as its device contexts left it, row by row
// (empty when nothing was painted).
std::vector<COLORREF> WindowPixels(HWND window);
// Bitmaps and brushes not deleted; window and memory contexts not released.
int LiveBitmapCount();
int LiveBrushCount();
int OpenScreenDcCount();

}  // namespace w32test
