// Bitmaps, brushes and screen contexts of the stand-in: colour and
// monochrome copies, raster operations, flood fills, and the rules on
// selecting and deleting objects.
#include <gtest/gtest.h>

#include <vector>

#include "win32/Dialog.h"
#include "win32/Gdi.h"
#include "win32/Module.h"
#include "w32test/Testing.h"
#include "win32/Window.h"

namespace {

class GdiBitmapTest : public ::testing::Test {
 protected:
  void SetUp() override { w32test::Reset(); }
  void TearDown() override { w32test::Reset(); }
};

TEST_F(GdiBitmapTest, MonochromeAndColourCopies) {
  HDC colour = CreateCompatibleDC(nullptr);
  HDC mono = CreateCompatibleDC(nullptr);
  // A 4-bit-wide monochrome bitmap from bits: rows of two bytes, 1 is white.
  const BYTE bits[] = {0xA0, 0x00, 0x50, 0x00};
  HBITMAP maskBits = CreateBitmap(4, 2, 1, 1, bits);
  HBITMAP picture = CreateBitmap(4, 2, 1, 32, nullptr);
  ASSERT_NE(maskBits, nullptr);
  ASSERT_NE(picture, nullptr);
  HGDIOBJ oldMono = SelectObject(mono, maskBits);
  HGDIOBJ oldColour = SelectObject(colour, picture);
  ASSERT_NE(oldMono, nullptr);
  EXPECT_EQ(GetPixel(mono, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(mono, 1, 0), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(mono, 1, 1), RGB(255, 255, 255));
  // Monochrome to colour: black is the text colour, white the background.
  SetTextColor(colour, RGB(10, 20, 30));
  SetBkColor(colour, RGB(200, 100, 50));
  EXPECT_TRUE(BitBlt(colour, 0, 0, 4, 2, mono, 0, 0, SRCCOPY));
  EXPECT_EQ(GetPixel(colour, 0, 0), RGB(200, 100, 50));
  EXPECT_EQ(GetPixel(colour, 1, 0), RGB(10, 20, 30));
  // Colour to monochrome: the source's background colour turns white.
  SetBkColor(colour, RGB(10, 20, 30));
  EXPECT_TRUE(BitBlt(mono, 0, 0, 4, 2, colour, 0, 0, SRCCOPY));
  EXPECT_EQ(GetPixel(mono, 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(mono, 1, 0), RGB(255, 255, 255));
  // Raster operations on colour.
  HBRUSH brush = CreateSolidBrush(RGB(0xF0, 0x0F, 0xFF));
  const RECT all{0, 0, 4, 2};
  FillRect(colour, &all, brush);
  EXPECT_TRUE(BitBlt(colour, 0, 0, 1, 1, colour, 1, 0, SRCINVERT));
  EXPECT_EQ(GetPixel(colour, 0, 0), RGB(0, 0, 0));
  EXPECT_FALSE(BitBlt(colour, 0, 0, 1, 1, colour, 1, 0, 0x00FF0062));  // not offered
  EXPECT_EQ(GetPixel(colour, 9, 9), CLR_INVALID);
  // Selected objects cannot be deleted; a bitmap goes into one context only.
  EXPECT_FALSE(DeleteObject(picture));
  EXPECT_EQ(SelectObject(mono, picture), nullptr);
  EXPECT_EQ(SelectObject(colour, oldColour), picture);
  EXPECT_EQ(SelectObject(mono, oldMono), maskBits);
  EXPECT_TRUE(DeleteObject(picture));
  EXPECT_TRUE(DeleteObject(maskBits));
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_TRUE(DeleteDC(colour));
  EXPECT_TRUE(DeleteDC(mono));
  EXPECT_EQ(w32test::LiveBitmapCount(), 0);
  EXPECT_EQ(w32test::OpenScreenDcCount(), 0);
}

TEST_F(GdiBitmapTest, FloodFillAndWindowSurface) {
  HWND window = w32test::CreateTestWindow(u"Static");
  ASSERT_TRUE(w32test::SetClientSize(window, 3, 3));
  RECT client{};
  ASSERT_TRUE(GetClientRect(window, &client));
  EXPECT_EQ(client.right, 3);
  EXPECT_EQ(client.bottom, 3);
  HDC dc = GetDC(window);
  ASSERT_NE(dc, nullptr);
  // A wall of blue down the middle column.
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  const RECT wall{1, 0, 2, 3};
  FillRect(dc, &wall, blue);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  HGDIOBJ old = SelectObject(dc, red);
  EXPECT_TRUE(ExtFloodFill(dc, 0, 0, RGB(0, 0, 0), FLOODFILLSURFACE));
  EXPECT_FALSE(ExtFloodFill(dc, 0, 0, RGB(0, 0, 0), FLOODFILLSURFACE));  // nothing black there now
  SelectObject(dc, old);
  EXPECT_EQ(ReleaseDC(window, dc), 1);
  const COLORREF r = RGB(255, 0, 0), b = RGB(0, 0, 255), k = RGB(0, 0, 0);
  EXPECT_EQ(w32test::WindowPixels(window), (std::vector<COLORREF>{r, b, k, r, b, k, r, b, k}));
  EXPECT_TRUE(DeleteObject(red));
  EXPECT_TRUE(DeleteObject(blue));
  EXPECT_EQ(GetDC(nullptr), nullptr);
}

TEST_F(GdiBitmapTest, BitmapResources) {
  w32test::ModuleSpec spec;
  spec.name = u"PICTURES.DLL";
  spec.bitmaps[7] = w32test::BitmapSpec{2, 1, {RGB(1, 2, 3), RGB(4, 5, 6)}};
  spec.bitmaps[8] = w32test::BitmapSpec{2, 2, {RGB(1, 2, 3)}};  // damaged: too few pixels
  w32test::InstallModule(spec);
  HMODULE module = LoadLibraryW(u"PICTURES.DLL");
  ASSERT_NE(module, nullptr);
  HBITMAP bitmap = LoadBitmapW(module, MAKEINTRESOURCEW(7));
  ASSERT_NE(bitmap, nullptr);
  BITMAP info{};
  EXPECT_EQ(GetObjectW(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
  EXPECT_EQ(info.bmWidth, 2);
  EXPECT_EQ(info.bmHeight, 1);
  EXPECT_EQ(info.bmBitsPixel, 32);
  EXPECT_EQ(LoadBitmapW(module, MAKEINTRESOURCEW(8)), nullptr);
  EXPECT_EQ(LoadBitmapW(module, MAKEINTRESOURCEW(9)), nullptr);
  EXPECT_TRUE(DeleteObject(bitmap));
  FreeLibrary(module);
  EXPECT_EQ(LoadBitmapW(module, MAKEINTRESOURCEW(7)), nullptr);  // no longer loaded
}

}  // namespace

namespace {

TEST_F(GdiBitmapTest, ShapesGoThroughTheAnisotropicMappingAndAreRecorded) {
  HWND window = w32test::CreateTestWindow(u"Static");
  ASSERT_TRUE(w32test::SetClientSize(window, 4, 4));
  HDC dc = GetDC(window);
  // Ten logical units to one pixel.
  EXPECT_EQ(SetMapMode(dc, MM_ANISOTROPIC), MM_TEXT);
  EXPECT_TRUE(SetWindowExtEx(dc, 40, 40, nullptr));
  EXPECT_TRUE(SetViewportExtEx(dc, 4, 4, nullptr));
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  HPEN blue = CreatePen(PS_SOLID, 1, RGB(0, 0, 255));
  HGDIOBJ oldBrush = SelectObject(dc, red);
  HGDIOBJ oldPen = SelectObject(dc, blue);
  EXPECT_TRUE(Rectangle(dc, 0, 0, 30, 30));  // a blue frame round one red pixel
  SelectObject(dc, GetStockObject(NULL_PEN));
  SelectObject(dc, GetStockObject(NULL_BRUSH));
  EXPECT_TRUE(Rectangle(dc, 0, 0, 40, 40));  // draws nothing
  SelectObject(dc, GetStockObject(WHITE_PEN));
  MoveToEx(dc, 0, 35, nullptr);
  EXPECT_TRUE(LineTo(dc, 40, 35));  // the bottom row, white
  const std::vector<w32test::ShapeRecord> shapes = w32test::DcShapes(dc);
  ASSERT_EQ(shapes.size(), 3u);
  EXPECT_EQ(shapes[0].kind, w32test::ShapeRecord::kRectangle);
  EXPECT_EQ(shapes[0].devicePoints[1].x, 3);
  EXPECT_EQ(shapes[0].brush, RGB(255, 0, 0));
  EXPECT_EQ(shapes[1].pen, CLR_INVALID);
  EXPECT_EQ(shapes[1].brush, CLR_INVALID);
  EXPECT_EQ(shapes[2].points[1].x, 40);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  EXPECT_TRUE(DeleteObject(red));
  EXPECT_TRUE(DeleteObject(blue));
  EXPECT_EQ(ReleaseDC(window, dc), 1);
  const COLORREF B = RGB(0, 0, 255), R = RGB(255, 0, 0), K = 0, W = RGB(255, 255, 255);
  EXPECT_EQ(w32test::WindowPixels(window), (std::vector<COLORREF>{B, B, B, K, B, R, B, K, B, B, B, K, W, W, W, W}));
}

}  // namespace
