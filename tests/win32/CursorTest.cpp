// Cursors and the focus rectangle of the stand-in.
#include <gtest/gtest.h>

#include <vector>

#include "win32/Dialog.h"
#include "win32/Gdi.h"
#include "win32/Module.h"
#include "w32test/Testing.h"
#include "win32/User.h"
#include "win32/Window.h"

namespace {

class CursorTest : public ::testing::Test {
 protected:
  void SetUp() override { w32test::Reset(); }
  void TearDown() override { w32test::Reset(); }
};

TEST_F(CursorTest, ModuleAndSystemCursors) {
  w32test::ModuleSpec spec;
  spec.name = u"QVRES.DLL";
  spec.cursors = {700};
  HMODULE module = w32test::InstallModule(spec);

  SetLastError(0);
  EXPECT_EQ(LoadCursorW(module, MAKEINTRESOURCEW(700)), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND)) << "not loaded";
  ASSERT_EQ(LoadLibraryW(u"QVRES.DLL"), module);
  HCURSOR tip = LoadCursorW(module, MAKEINTRESOURCEW(700));
  ASSERT_NE(tip, nullptr);
  EXPECT_EQ(LoadCursorW(module, MAKEINTRESOURCEW(700)), tip) << "a shared resource";
  EXPECT_EQ(LoadCursorW(module, MAKEINTRESOURCEW(701)), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
  EXPECT_EQ(LoadCursorW(module, u"TIP"), nullptr) << "integer ids only";
  HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  ASSERT_NE(arrow, nullptr);
  EXPECT_NE(arrow, tip);
  EXPECT_EQ(LoadCursorW(nullptr, MAKEINTRESOURCEW(700)), nullptr);
  EXPECT_EQ(w32test::CursorResourceId(tip), 700u);
  EXPECT_EQ(w32test::CursorResourceId(arrow), 32512u);
  EXPECT_EQ(w32test::CursorResourceId(nullptr), 0u);

  EXPECT_EQ(GetCursor(), nullptr);
  EXPECT_EQ(SetCursor(arrow), nullptr);
  EXPECT_EQ(SetCursor(tip), arrow);
  EXPECT_EQ(GetCursor(), tip);
  EXPECT_EQ(w32test::SetCursorCount(), 2);
  w32test::Reset();
  EXPECT_EQ(GetCursor(), nullptr);
  EXPECT_EQ(w32test::SetCursorCount(), 0);
}

TEST_F(CursorTest, TheFocusRectangleInvertsEveryOtherBorderPixelAndComesOffAgain) {
  HWND window = w32test::CreateTestWindow(u"Button");
  ASSERT_TRUE(w32test::SetClientSize(window, 5, 4));
  HDC dc = GetDC(window);
  HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  const RECT all{0, 0, 5, 4};
  FillRect(dc, &all, white);
  DeleteObject(white);
  const RECT focus{0, 0, 5, 4};
  EXPECT_TRUE(DrawFocusRect(dc, &focus));
  const COLORREF W = RGB(255, 255, 255);
  const COLORREF K = 0;
  EXPECT_EQ(w32test::WindowPixels(window), (std::vector<COLORREF>{K, W, K, W, K,  //
                                                                  W, W, W, W, W,  //
                                                                  K, W, W, W, K,  //
                                                                  W, K, W, K, W}));
  EXPECT_TRUE(DrawFocusRect(dc, &focus));
  EXPECT_EQ(w32test::WindowPixels(window), std::vector<COLORREF>(20, W));
  const RECT huge{-100000, -100000, 100000, 100000};
  EXPECT_TRUE(DrawFocusRect(dc, &huge)) << "clipped to the surface";
  EXPECT_FALSE(DrawFocusRect(dc, nullptr));
  EXPECT_FALSE(DrawFocusRect(nullptr, &focus));
  ReleaseDC(window, dc);
}

}  // namespace
