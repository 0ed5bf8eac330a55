// What a dialog looks like: the picture the stand-in draws of a running
// dialog (its size, the pixels a check box, a selection or hiding changes,
// an owner-drawn control the dialog paints itself), templates carried as
// data, and a sheet run that shows its pages to a picture sink.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win32/CompStui.h"
#include "win32/Dialog.h"
#include "win32/Gdi.h"
#include "win32/Module.h"
#include "win32/Window.h"
#include "w32test/Testing.h"

namespace {

using w32test::ControlKind;
using w32test::DialogAction;
using w32test::Picture;

constexpr UINT kPictureTemplate = 700;
constexpr int kPictureCheck = 701, kPictureCombo = 702, kPictureLabel = 703, kPictureOwnerDrawn = 704, kPictureHidden = 705;
constexpr COLORREF kPictureRed = RGB(255, 0, 0);

// Paints the owner-drawn control red; every other message is left alone.
INT_PTR Procedure(HWND, UINT message, WPARAM, LPARAM lParam) {
  if (message != WM_DRAWITEM) return 0;
  const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
  if (item->CtlID != static_cast<UINT>(kPictureOwnerDrawn)) return 0;
  HBRUSH red = CreateSolidBrush(kPictureRed);
  FillRect(item->hDC, &item->rcItem, red);
  DeleteObject(red);
  return 1;
}

const IMAGE_RESOURCE_CONTROL kControls[] = {
    {kPictureCheck, IMAGE_CONTROL_CHECKBOX, u"&Staple", 10, 10, 120, 18, 0},
    {kPictureCombo, IMAGE_CONTROL_COMBOBOX, u"", 10, 40, 150, 22, 0},
    {kPictureLabel, IMAGE_CONTROL_STATIC, u"Paper", 10, 70, 100, 16, 0},
    {kPictureOwnerDrawn, IMAGE_CONTROL_STATIC, u"", 170, 10, 40, 30, 0},
    {kPictureHidden, IMAGE_CONTROL_CHECKBOX, u"Hidden", 10, 100, 120, 18, IMAGE_CONTROL_HIDDEN},
};
const IMAGE_RESOURCE_DIALOG kDialogs[] = {{kPictureTemplate, u"Picture", 220, 130, 5, kControls}};

class DialogPictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    w32test::ModuleSpec spec;
    spec.name = u"QVPICT.DLL";
    spec.loadCount = 1;
    spec.dialogs = w32test::DialogTemplates(kDialogs, 1);
    module_ = reinterpret_cast<HINSTANCE>(w32test::InstallModule(spec));
  }
  void TearDown() override { w32test::Reset(); }

  // The pictures taken at each Inspect step of one run, after the actions
  // before it.
  std::vector<Picture> Run(std::vector<DialogAction> actions) {
    std::vector<Picture> pictures;
    std::vector<DialogAction> script;
    script.push_back(DialogAction::Inspect([&](HWND dialog) { pictures.push_back(w32test::DrawDialog(dialog)); }));
    for (DialogAction& a : actions) {
      script.push_back(std::move(a));
      script.push_back(DialogAction::Inspect([&](HWND dialog) { pictures.push_back(w32test::DrawDialog(dialog)); }));
    }
    w32test::QueueDialogScript(std::move(script));
    DialogBoxParamW(module_, MAKEINTRESOURCEW(kPictureTemplate), nullptr, &Procedure, 0);
    return pictures;
  }

  static COLORREF At(const Picture& p, int x, int y) { return p.pixels[static_cast<size_t>(y) * p.width + x]; }
  // The number of pixels that differ inside the rectangle, and outside it.
  static std::pair<int, int> Differences(const Picture& a, const Picture& b, RECT inside) {
    int in = 0, out = 0;
    for (int y = 0; y < a.height; ++y)
      for (int x = 0; x < a.width; ++x)
        if (At(a, x, y) != At(b, x, y))
          (x >= inside.left && x < inside.right && y >= inside.top && y < inside.bottom ? in : out)++;
    return {in, out};
  }

  HINSTANCE module_ = nullptr;
};

TEST_F(DialogPictureTest, PictureHasTheTemplatesSizeAndShowsItsControls) {
  const std::vector<Picture> pictures = Run({});
  ASSERT_EQ(pictures.size(), 1u);
  const Picture& p = pictures[0];
  EXPECT_EQ(p.width, 220);
  EXPECT_EQ(p.height, 130);
  ASSERT_EQ(p.pixels.size(), 220u * 130u);
  // The combo box is a white field; the dialog around it is not.
  EXPECT_EQ(At(p, 20, 50), RGB(255, 255, 255));
  EXPECT_NE(At(p, 200, 120), RGB(255, 255, 255));
  // The owner-drawn control is what the dialog painted.
  EXPECT_EQ(At(p, 190, 25), kPictureRed);
  // The label's text put dark pixels into its rectangle.
  int dark = 0;
  for (int y = 70; y < 86; ++y)
    for (int x = 10; x < 110; ++x)
      if ((At(p, x, y) & 0xFF) < 128) ++dark;
  EXPECT_GT(dark, 20) << "the label's text is drawn (fonts-dejavu-core)";
  // The hidden check box is not drawn.
  for (int y = 100; y < 118; ++y)
    for (int x = 10; x < 130; ++x) ASSERT_EQ(At(p, x, y), At(p, 215, 125)) << x << "," << y;
}

TEST_F(DialogPictureTest, CheckingABoxChangesOnlyItsOwnPixels) {
  const std::vector<Picture> pictures = Run({DialogAction::SetCheck(kPictureCheck, true), DialogAction::SetCheck(kPictureCheck, false)});
  ASSERT_EQ(pictures.size(), 3u);
  const auto [inside, outside] = Differences(pictures[0], pictures[1], RECT{10, 10, 130, 28});
  EXPECT_GT(inside, 5);
  EXPECT_EQ(outside, 0);
  // Clearing it again gives the first picture back.
  EXPECT_EQ(pictures[2].pixels, pictures[0].pixels);
}

TEST_F(DialogPictureTest, ComboBoxShowsItsSelectedItem) {
  std::vector<Picture> pictures;
  w32test::QueueDialogScript(
      {DialogAction::Inspect([&](HWND dialog) {
         SendDlgItemMessageW(dialog, kPictureCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"Letter"));
         SendDlgItemMessageW(dialog, kPictureCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"Legal"));
         pictures.push_back(w32test::DrawDialog(dialog));
       }),
       DialogAction::Select(kPictureCombo, 1),
       DialogAction::Inspect([&](HWND dialog) { pictures.push_back(w32test::DrawDialog(dialog)); })});
  DialogBoxParamW(module_, MAKEINTRESOURCEW(kPictureTemplate), nullptr, &Procedure, 0);
  ASSERT_EQ(pictures.size(), 2u);
  const auto [inside, outside] = Differences(pictures[0], pictures[1], RECT{10, 40, 160, 62});
  EXPECT_GT(inside, 20);
  EXPECT_EQ(outside, 0);
}

TEST_F(DialogPictureTest, ClosedDialogOrOtherWindowGivesNoPicture) {
  EXPECT_TRUE(w32test::DrawDialog(nullptr).pixels.empty());
  HWND window = w32test::CreateTestWindow(u"Other");
  const Picture p = w32test::DrawDialog(window);
  EXPECT_EQ(p.pixels.size(), static_cast<size_t>(p.width) * p.height);
}

TEST_F(DialogPictureTest, TemplatesAsDataKeepTheirControlsInOrder) {
  const auto templates = w32test::DialogTemplates(kDialogs, 1);
  ASSERT_EQ(templates.count(kPictureTemplate), 1u);
  const w32test::DialogSpec& spec = templates.at(kPictureTemplate);
  EXPECT_EQ(spec.caption, u"Picture");
  ASSERT_EQ(spec.controls.size(), 5u);
  EXPECT_EQ(spec.controls[1].kind, ControlKind::kComboBox);
  EXPECT_EQ(spec.controls[3].x, 170);
  EXPECT_TRUE(spec.controls[4].hidden);
  EXPECT_FALSE(spec.controls[4].disabled);
  // An unknown kind becomes static text.
  const IMAGE_RESOURCE_CONTROL odd[] = {{1, 99, u"?", 0, 0, 1, 1, 0}};
  const IMAGE_RESOURCE_DIALOG oddDialog[] = {{9, nullptr, 10, 10, 1, odd}};
  EXPECT_EQ(w32test::DialogTemplates(oddDialog, 1).at(9).controls[0].kind, ControlKind::kStatic);
  EXPECT_TRUE(w32test::DialogTemplates(nullptr, 3).empty());
}

// A sheet run with a picture sink shows each of its pages; without one it
// shows none.
INT_PTR PageProcedure(HWND, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG && lParam == 0) ADD_FAILURE() << "the page gets its record";
  return 0;
}
HINSTANCE g_pages = nullptr;
LONG PictureSheetFunction(PROPSHEETUI_INFO* info, LPARAM) {
  if (info->Reason == PROPSHEETUI_REASON_INIT) {
    for (int i = 0; i < 2; ++i) {
      PROPSHEETPAGEW page{};
      page.dwSize = sizeof page;
      page.hInstance = g_pages;
      page.pszTemplate = MAKEINTRESOURCEW(kPictureTemplate);
      page.pfnDlgProc = &PageProcedure;
      info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_ADD_PROPSHEETPAGEW, reinterpret_cast<LPARAM>(&page), 0);
    }
  }
  return 1;
}

TEST_F(DialogPictureTest, SheetRunShowsItsPagesToThePictureSink) {
  g_pages = module_;
  std::vector<Picture> shown;
  w32host::SetPagePictureSink([&](const w32host::SheetPageRecord&, const Picture& p) { shown.push_back(p); });
  DWORD result = 0;
  EXPECT_GT(CommonPropertySheetUIW(nullptr, &PictureSheetFunction, 0, &result), 0);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].width, 220);
  w32host::SetPagePictureSink(nullptr);
  CommonPropertySheetUIW(nullptr, &PictureSheetFunction, 0, &result);
  EXPECT_EQ(shown.size(), 2u);
}

}  // namespace
