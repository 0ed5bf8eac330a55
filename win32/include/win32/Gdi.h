// GDI calls of the stand-in on a printer device context: escapes, text
// output with fonts, colours and clipping, device capabilities, text extents
// and nested save/restore. A device context is a recording one that a test
// creates; it keeps every escape and text output it receives, so that tests
// can read back what the module sent, and answers escapes from a script.
#pragma once

#include <string>
#include <vector>

#include "win32/Types.h"

typedef struct HDC__* HDC;
typedef void* HGDIOBJ;
typedef struct HFONT__* HFONT;
typedef struct HBITMAP__* HBITMAP;
typedef struct HBRUSH__* HBRUSH;
typedef struct HPEN__* HPEN;
typedef DWORD COLORREF;

#define GetRValue(c) ((BYTE)((c)&0xFF))
#define GetGValue(c) ((BYTE)(((c) >> 8)&0xFF))
#define GetBValue(c) ((BYTE)(((c) >> 16)&0xFF))
#define RGB(r, g, b) \
  ((COLORREF)(((BYTE)(r) | ((WORD)((BYTE)(g)) << 8)) | (((DWORD)(BYTE)(b)) << 16)))

#define LF_FACESIZE 32

struct LOGFONTW {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  WCHAR lfFaceName[LF_FACESIZE];
};
static_assert(sizeof(LOGFONTW) == 92, "LOGFONTW is 92 bytes");

struct DOCINFOW {
  int cbSize;
  LPCWSTR lpszDocName;
  LPCWSTR lpszOutput;
  LPCWSTR lpszDatatype;
  DWORD fwType;
};

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};
struct POINT {
  LONG x;
  LONG y;
};

struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
};

// Raster operations of BitBlt and the modes of ExtFloodFill.
#define SRCCOPY 0x00CC0020u
#define SRCPAINT 0x00EE0086u
#define SRCAND 0x008800C6u
#define SRCINVERT 0x00660046u
#define FLOODFILLBORDER 0
#define FLOODFILLSURFACE 1

// GetDeviceCaps indexes.
#define HORZSIZE 4
#define VERTSIZE 6
#define HORZRES 8
#define VERTRES 10
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define PHYSICALWIDTH 110
#define PHYSICALHEIGHT 111

#define GM_COMPATIBLE 1
#define GM_ADVANCED 2
#define MM_TEXT 1
#define MM_ANISOTROPIC 8
// Pen styles and stock objects.
#define PS_SOLID 0
#define PS_DOT 2
#define PS_NULL 5
#define WHITE_BRUSH 0
#define NULL_BRUSH 5
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define TRANSPARENT 1
#define OPAQUE 2
#define TA_LEFT 0
#define TA_TOP 0
#define DEFAULT_CHARSET 1
#define OUT_TT_PRECIS 4
#define FW_NORMAL 400
#define FW_BOLD 700
#define PROOF_QUALITY 2
#define GDI_ERROR 0xFFFFFFFFu
#define CLR_INVALID 0xFFFFFFFFu
#define ERROR_REGION 0
#define SIMPLEREGION 2

// a * b / c rounded half away from zero, with a 64-bit product; -1 when c is
// 0 or the result does not fit in 32 bits.
int MulDiv(int a, int b, int c);

// Sends an escape; the answer is the script's for the code (by default 0)
// and the scripted output bytes (at most outSize) are copied into out.
int ExtEscape(HDC dc, int escape, int inSize, LPCSTR in, int outSize, LPSTR out);
int GetDeviceCaps(HDC dc, int index);
// Saves the context's state and answers its new depth (1 for the first);
// RestoreDC with a negative level goes back that many saves, with a positive
// one to that saved state; 0 for a level that is not saved.
int SaveDC(HDC dc);
BOOL RestoreDC(HDC dc, int level);
int SetGraphicsMode(HDC dc, int mode);
BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* previous);
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* previous);
UINT SetTextAlign(HDC dc, UINT align);
int SetMapMode(HDC dc, int mode);
int GetMapMode(HDC dc);
COLORREF SetTextColor(HDC dc, COLORREF colour);
COLORREF GetTextColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
int SetTextCharacterExtra(HDC dc, int extra);
int GetTextCharacterExtra(HDC dc);
// The clip becomes its intersection with the rectangle.
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
HFONT CreateFontIndirectW(const LOGFONTW* font);
// Selecting a font answers the font it replaces (null for the device's own).
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
// For a font: with a null buffer the size of its LOGFONTW; else copies the
// LOGFONTW when the buffer holds one and answers its size. 0 for an object
// that is no font or a buffer too small.
int GetObjectW(HGDIOBJ object, int size, LPVOID buffer);
// Extents are deterministic: every character is as wide as the font's height
// magnitude times 6 / 10 (width when set), and the text as high as the height
// magnitude (both 0 without a font's height: the device font is 100 units).
BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, SIZE* size);
BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const INT* dx);

// ---- Bitmaps on screen ----
// A window's device context paints on the window's client area, a surface
// of its client size (w32test::SetClientSize) whose pixels a test reads back.
// A memory context starts with a 1 x 1 monochrome bitmap; the bitmaps
// selected into it are its surface. Monochrome pixels are black or white;
// copying colour to monochrome makes the source's background colour white
// and every other colour black, copying monochrome to colour makes black the
// destination's text colour and white its background colour. Coordinates are
// logical (MM_TEXT with the context's origins) and clipped to the surface.
// Each creating call takes failures from w32test::FailCall.
HDC GetDC(HWND window);
// 1 when the context was the window's, else 0.
int ReleaseDC(HWND window, HDC dc);

// Font families. The stand-in knows a settable list of faces (by default
// "Arial", "Courier New" and "Times New Roman" as TrueType faces of the
// ANSI character set, and "System" as a raster face).
#define RASTER_FONTTYPE 0x0001
#define DEVICE_FONTTYPE 0x0002
#define TRUETYPE_FONTTYPE 0x0004
struct TEXTMETRICW {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  WCHAR tmFirstChar;
  WCHAR tmLastChar;
  WCHAR tmDefaultChar;
  WCHAR tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
};
typedef int (*FONTENUMPROCW)(const LOGFONTW* font, const TEXTMETRICW* metrics, DWORD fontType, LPARAM lParam);
// A null family walks one face of every family; a name walks the faces of
// that family (none when unknown). The last callback result; 1 when none
// was called; 0 for a null context or procedure.
int EnumFontFamiliesW(HDC dc, LPCWSTR family, FONTENUMPROCW procedure, LPARAM lParam);
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
// A bitmap of the context's kind (monochrome for a memory context that
// holds its first bitmap), all black.
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// A monochrome (1 bit per pixel) or colour bitmap; bits (rows of 16-bit
// aligned bytes for 1 bit, 32-bit pixels otherwise) may be null.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
// A new copy of the module's bitmap resource (an integer id); null when the
// module has none.
HBITMAP LoadBitmapW(HINSTANCE module, LPCWSTR name);
HBRUSH CreateSolidBrush(COLORREF colour);
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
// The focus rectangle: inverts every other pixel of the rectangle's one-pixel
// border, starting at its top-left corner, so that a second call takes it
// away again. FALSE for no context or no rectangle.
BOOL DrawFocusRect(HDC dc, const RECT* rect);
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop);
// Fills with the selected brush (white without one): FLOODFILLSURFACE the
// area of the colour around the point, FLOODFILLBORDER the area bounded by
// the colour. FALSE when there is nothing to fill.
BOOL ExtFloodFill(HDC dc, int x, int y, COLORREF colour, UINT type);
// CLR_INVALID outside the surface.
COLORREF GetPixel(HDC dc, int x, int y);
COLORREF SetBkColor(HDC dc, COLORREF colour);
// Device to logical points under the context's origins.
BOOL DPtoLP(HDC dc, POINT* points, int count);

// ---- Shapes ----
// Drawing goes through the context's mapping: under MM_ANISOTROPIC a
// logical point p lands on (p - window origin) * viewport extent / window
// extent + viewport origin; under MM_TEXT the extents are 1. Every shape is
// recorded (w32test::DcShapes) with its logical and device points; on a
// window or memory context it is also painted: the interior with the
// selected brush, the outline and lines with the selected pen (its width
// logical like the coordinates, at least one pixel), a null brush or pen
// paints nothing.
BOOL SetWindowExtEx(HDC dc, int x, int y, SIZE* previous);
BOOL SetViewportExtEx(HDC dc, int x, int y, SIZE* previous);
HPEN CreatePen(int style, int width, COLORREF colour);
// The stock brushes and pens above; null for another index.
HGDIOBJ GetStockObject(int index);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL MoveToEx(HDC dc, int x, int y, POINT* previous);
BOOL LineTo(HDC dc, int x, int y);
BOOL Polygon(HDC dc, const POINT* points, int count);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF colour);
