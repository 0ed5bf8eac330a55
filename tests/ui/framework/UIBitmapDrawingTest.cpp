// Bitmaps of the UI resource library drawn into an owner-drawn control,
// read back from the control's pixels: placement, the three drawing modes,
// and failures that leave the control as it was and release everything.
#include "ui/framework/UIBitmapDrawing.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/framework/UIResources.h"
#include "win32/Dialog.h"
#include "win32/Module.h"
#include "w32test/Testing.h"
#include "win32/Window.h"

namespace {

constexpr const char16_t* kBitmapDrawingLibrary = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVRES.DLL";
constexpr int kPicture = 500;
constexpr int kPictureMask = 501;
constexpr int kMissing = 502;
constexpr COLORREF R = RGB(255, 0, 0);  // the picture's background
constexpr COLORREF B = RGB(0, 0, 255);
constexpr COLORREF W = RGB(255, 255, 255);
constexpr COLORREF K = RGB(0, 0, 0);
constexpr COLORREF kGreen = RGB(0, 160, 0);  // what the control shows before
constexpr int kWidth = 10;
constexpr int kHeight = 7;

// 4 x 3: a blue bar on a red background, and its mask.
const std::vector<COLORREF> kPicturePixels = {R, R, R, R,  //
                                              R, B, B, R,  //
                                              R, R, R, R};
const std::vector<COLORREF> kMaskPixels = {W, W, W, W,  //
                                           W, K, K, W,  //
                                           W, W, W, W};

class UIBitmapDrawingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    w32test::ModuleSpec spec;
    spec.name = kBitmapDrawingLibrary;
    spec.bitmaps[kPicture] = w32test::BitmapSpec{4, 3, kPicturePixels};
    spec.bitmaps[kPictureMask] = w32test::BitmapSpec{4, 3, kMaskPixels};
    w32test::InstallModule(spec);
    ASSERT_EQ(LoadUIResourceLibrary(RWWString(kBitmapDrawingLibrary)), 1);
    control_ = w32test::CreateTestWindow(u"Button");
    ASSERT_TRUE(w32test::SetClientSize(control_, kWidth, kHeight));
    Paint(kGreen);
  }
  void TearDown() override {
    EXPECT_EQ(w32test::LiveBitmapCount(), 0);
    EXPECT_EQ(w32test::LiveBrushCount(), 0);
    EXPECT_EQ(w32test::OpenScreenDcCount(), 0);
    while (GetUIResourceInstance() != nullptr) FreeUIResourceLibrary();
    w32test::Reset();
  }

  // Fills the whole control with the colour.
  void Paint(COLORREF colour) {
    HDC dc = GetDC(control_);
    ASSERT_NE(dc, nullptr);
    HBRUSH brush = CreateSolidBrush(colour);
    const RECT all{0, 0, kWidth, kHeight};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    ReleaseDC(control_, dc);
  }

  // The control filled with `around`, and the picture at (x, y) with its
  // background pixels replaced by `background` (or kept when it is 0).
  static std::vector<COLORREF> Expected(COLORREF around, int x, int y, COLORREF background, bool keepBackground) {
    std::vector<COLORREF> out(kWidth * kHeight, around);
    for (int j = 0; j < 3; ++j) {
      for (int i = 0; i < 4; ++i) {
        const COLORREF p = kPicturePixels[j * 4 + i];
        if (x + i >= kWidth || y + j >= kHeight) continue;
        out[(y + j) * kWidth + x + i] = p == R && !keepBackground ? background : p;
      }
    }
    return out;
  }

  HWND control_ = nullptr;
};

TEST_F(UIBitmapDrawingTest, BitmapSize) {
  RECT size{9, 9, 9, 9};
  GetBitmapSize(kPicture, &size);
  EXPECT_EQ(size.left, 0);
  EXPECT_EQ(size.top, 0);
  EXPECT_EQ(size.right, 4);
  EXPECT_EQ(size.bottom, 3);
  GetBitmapSize(kMissing, &size);
  EXPECT_EQ(size.right, 0);
  EXPECT_EQ(size.bottom, 0);
  GetBitmapSize(kPicture, nullptr);
  FreeUIResourceLibrary();
  GetBitmapSize(kPicture, &size);
  EXPECT_EQ(size.right, 0);
}

TEST_F(UIBitmapDrawingTest, PlacementFollowsTheAlignment) {
  struct {
    int alignment;
    int x, y;
  } const cases[] = {
      {0, 3, 2},  // (10 - 4) / 2, (7 - 3) / 2
      {1, 0, 2},
      {2, 3, 0},
      {3, 0, 0},
      {-1, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.alignment);
    Paint(kGreen);
    DrawControlBitmap(control_, kPicture, 0, c.alignment, 0);
    EXPECT_EQ(w32test::WindowPixels(control_), Expected(kGreen, c.x, c.y, 0, true));
  }
}

TEST_F(UIBitmapDrawingTest, OnTheFaceTheBackgroundTakesTheFaceColour) {
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  DrawControlBitmap(control_, kPicture, 0, 0, 1);
  EXPECT_EQ(w32test::WindowPixels(control_), Expected(face, 3, 2, face, false));
  // The resource itself is unchanged: a plain draw shows the red again.
  DrawBitmapPlain(control_, 0, 0, kPicture);
  EXPECT_EQ(w32test::WindowPixels(control_)[0], R);
}

TEST_F(UIBitmapDrawingTest, MaskedDrawingLeavesTheBackgroundOut) {
  struct {
    const char* name;
    int mask;
  } const cases[] = {{"mask from the top-left colour", 0}, {"mask bitmap", kPictureMask}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Paint(kGreen);
    DrawControlBitmap(control_, kPicture, c.mask, 2, 2);
    EXPECT_EQ(w32test::WindowPixels(control_), Expected(kGreen, 3, 0, kGreen, false));
  }
}

TEST_F(UIBitmapDrawingTest, KeyColourInsideThePictureIsKeptWhenNotConnected) {
  // Only the area connected to the top-left pixel is background.
  w32test::ModuleSpec spec;
  spec.name = kBitmapDrawingLibrary;
  spec.bitmaps[kPicture] = w32test::BitmapSpec{3, 1, {R, B, R}};
  spec.loadCount = 1;  // the reference the UI holds
  w32test::InstallModule(spec);
  DrawBitmapMasked(control_, 0, 0, kPicture, 0);
  const std::vector<COLORREF> pixels = w32test::WindowPixels(control_);
  EXPECT_EQ(pixels[0], kGreen);
  EXPECT_EQ(pixels[1], B);
  EXPECT_EQ(pixels[2], R);
}

TEST_F(UIBitmapDrawingTest, FailuresDrawNothingAndReleaseEverything) {
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const std::vector<COLORREF> drawn[] = {Expected(kGreen, 3, 2, 0, true), Expected(face, 3, 2, face, false),
                                         Expected(kGreen, 3, 2, kGreen, false)};
  const std::vector<COLORREF> untouched(kWidth * kHeight, kGreen);
  struct {
    const char* call;
    bool failsMode[3];  // the modes that make the call
  } const cases[] = {
      {"GetDC", {true, true, true}},
      {"CreateCompatibleDC", {true, true, true}},
      {"LoadBitmapW", {true, true, true}},
      {"CreateCompatibleBitmap", {false, true, true}},
      {"CreateSolidBrush", {false, true, true}},
      {"CreateBitmap", {false, false, true}},
  };
  for (int mode = 0; mode <= 2; ++mode) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.call) + " in mode " + std::to_string(mode));
      Paint(kGreen);
      w32test::FailCall(c.call, ERROR_NOT_ENOUGH_MEMORY, 3);
      DrawControlBitmap(control_, kPicture, 0, 0, mode);
      w32test::ClearFailures();
      EXPECT_EQ(w32test::WindowPixels(control_), c.failsMode[mode] ? untouched : drawn[mode]);
      EXPECT_EQ(w32test::LiveBitmapCount(), 0);
      EXPECT_EQ(w32test::LiveBrushCount(), 0);
      EXPECT_EQ(w32test::OpenScreenDcCount(), 0);
    }
  }
}

TEST_F(UIBitmapDrawingTest, MissingBitmapOrLibraryDrawsNothing) {
  const std::vector<COLORREF> before = w32test::WindowPixels(control_);
  for (int mode = 0; mode <= 2; ++mode) {
    DrawControlBitmap(control_, kMissing, 0, 0, mode);
    DrawControlBitmap(control_, kPicture, kMissing, 0, 2);
    DrawControlBitmap(nullptr, kPicture, 0, 0, mode);
  }
  FreeUIResourceLibrary();
  for (int mode = 0; mode <= 2; ++mode) DrawControlBitmap(control_, kPicture, 0, 0, mode);
  EXPECT_EQ(w32test::WindowPixels(control_), before);
}

TEST_F(UIBitmapDrawingTest, ButtonFaceFillTakesDeviceUnits) {
  HDC dc = GetDC(control_);
  ASSERT_NE(dc, nullptr);
  SetViewportOrgEx(dc, 2, 1, nullptr);
  const RECT device{2, 1, 4, 3};
  FillRectWithButtonFace(dc, &device);
  FillRectWithButtonFace(dc, nullptr);
  ReleaseDC(control_, dc);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const std::vector<COLORREF> pixels = w32test::WindowPixels(control_);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const bool inside = x >= 2 && x < 4 && y >= 1 && y < 3;
      EXPECT_EQ(pixels[y * kWidth + x], inside ? face : kGreen) << x << "," << y;
    }
  }
}

}  // namespace
