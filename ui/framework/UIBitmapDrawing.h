// Drawing the UI resource library's bitmaps into owner-drawn controls: the
// size of a bitmap, placing it in a control's client area, and three ways of
// drawing it (plain, on the button face with its background in the face
// colour, and transparent over what the control shows). Everything is
// composed off screen and copied in one go; when a device context or a
// bitmap cannot be made nothing is drawn, and what was made is released.
#pragma once

#include "win32/Gdi.h"
#include "win32/Types.h"

// The colour that stands for the background of a bitmap drawn without a
// mask of its own.
constexpr COLORREF kUIMaskKeyColour = RGB(128, 128, 0);

// {0, 0, width, height} of the bitmap, or an empty rectangle when it cannot
// be loaded.
void GetBitmapSize(int bitmapId, RECT* out);
// Places the bitmap in the control's client area: alignment 0 centres it
// both ways, 1 vertically (at the left edge), 2 horizontally (at the top),
// anything else puts it top-left. Mode 1 draws it on the button face, 2
// transparently (with the mask, or from its top-left colour when mask is 0),
// anything else plainly.
void DrawControlBitmap(HWND control, int bitmapId, int maskId, int alignment, int mode);
// Copies the bitmap to (x, y) of the control.
void DrawBitmapPlain(HWND control, int x, int y, int bitmapId);
// Paints the control with the button-face colour and the bitmap at (x, y),
// the bitmap's background (the area of its top-left colour) in the face
// colour too.
void DrawBitmapOnFace(HWND control, int x, int y, int bitmapId);
// Draws the bitmap at (x, y) over what the control shows, leaving its
// background out: the white pixels of the mask bitmap, or, with mask 0, the
// area of the bitmap's top-left colour.
void DrawBitmapMasked(HWND control, int x, int y, int bitmapId, int maskId);
// Draws the bitmap at (x, y) of a device context (a memory one, say) leaving
// out its background, the area of its top-left colour.
void OverlayBitmap(HDC dc, int x, int y, int bitmapId);
// Loads a bitmap of the UI resource library; null when it has none. The
// caller deletes it.
HBITMAP LoadUIBitmap(int bitmapId);
// Fills the rectangle, given in device units, with the button-face colour.
void FillRectWithButtonFace(HDC dc, const RECT* rect);
