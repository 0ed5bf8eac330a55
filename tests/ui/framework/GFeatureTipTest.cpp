// Feature tips: when the tip beside a governed control shows, what its
// button draws, the reason it tells when clicked, and its cursor.
#include <gtest/gtest.h>

#include "support/RuleTestSupport.h"
#include "ui/framework/GFeatureTipAccessor.h"
#include "ui/framework/GFeatureTipButton.h"
#include "ui/framework/GRuleCatalogue.h"
#include "win32/Gdi.h"
#include "win32/Window.h"
#include "w32test/Testing.h"

namespace uisession {
namespace {

constexpr int32_t kAvailability = GRuleKeys::kDuplex.availability;
constexpr int32_t kReason = GRuleKeys::kDuplex.reason;

class FeatureTipTest : public RuleSessionTest {
 protected:
  void SetKeys(int16_t availability, int16_t reason) {
    GSettingsView ui = session_->GetUIStateView();
    ui.SetInt(&kAvailability, availability);
    ui.SetInt(&kReason, reason);
  }
  GFeatureTipButton* MakeButton(int16_t kind = 0) {
    button_ = std::make_unique<GFeatureTipButton>(new GFeatureTipAccessor(session_.get(), &kAvailability, &kReason),
                                                  kind);
    return button_.get();
  }
  std::unique_ptr<GFeatureTipButton> button_;
};

TEST_F(FeatureTipTest, TheTipShowsBesideADisabledControlAndForNotes) {
  const struct {
    int access;
    int16_t availability;
    int16_t reason;
    int16_t tip;
    const char* what;
  } cases[] = {
      {2, 0, 0, 2, "nothing to explain"},
      {2, 1, 5111, 0, "disabled with a reason"},
      {2, 1, 11902, 2, "disabled without a tip"},
      {2, 0, 5302, 0, "a note beside an enabled control"},
      {2, 2, 5301, 0, "a note beside a hidden control"},
      {2, 2, 5111, 2, "hidden"},
      {2, 0, 5111, 2, "enabled, the reason is no note"},
      {3, 1, 5111, 2, "no permission"},
      {1, 0, 5302, 2, "no permission, a note"},
      {2, 1, 0, 2, "disabled but no reason stored: an empty box"},
      {2, 1, 5398, 2, "a reason the string table lacks"},
      {2, 0, 5399, 2, "a note the string table lacks"},
      {2, 1, -7, 2, "a damaged reason"},
  };
  GFeatureTipAccessor tip(session_.get(), &kAvailability, &kReason);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    data_.accessFlags = c.access;
    SetKeys(c.availability, c.reason);
    EXPECT_EQ(tip.GetReason(), c.reason);
    EXPECT_EQ(tip.GetAvailability(), c.tip);
  }
}

TEST_F(FeatureTipTest, KeysNoRuleWroteReadAsNothingToExplain) {
  GFeatureTipAccessor tip(session_.get(), &kAvailability, &kReason);
  EXPECT_EQ(tip.GetReason(), 0);
  EXPECT_EQ(tip.GetAvailability(), 2);
  GFeatureTipAccessor noKeys(session_.get(), nullptr, nullptr);
  EXPECT_EQ(noKeys.GetAvailability(), 2);
  GFeatureTipAccessor noSession(nullptr, &kAvailability, &kReason);
  EXPECT_EQ(noSession.GetAvailability(), 2);
}

TEST_F(FeatureTipTest, ARulesReasonReachesTheTipThroughRevalidate) {
  int16_t reason = 5111;
  AddRule("duplex", [&](TestRule& rule, const std::list<int32_t>&, int) {
    if (reason != 0) rule.Publish(kAvailability, reason == 5302 ? 0 : 1, kReason, reason);
  }, [](TestRule& rule) { rule.ResetKeys(kAvailability, kReason); });
  GFeatureTipButton* button = MakeButton();
  session_->Revalidate(1);
  EXPECT_EQ(button->GetAvailability(), 0);
  reason = 0;
  session_->Revalidate(1);
  EXPECT_EQ(button->GetAvailability(), 2);
  reason = 5302;
  session_->Revalidate(1);
  EXPECT_EQ(button->GetAvailability(), 0) << "a note keeps the control enabled and shows its tip";
  EXPECT_EQ(ValueOf(kAvailability), 0);
}

TEST_F(FeatureTipTest, ClickingTellsTheReason) {
  GFeatureTipButton* button = MakeButton();
  button->OnAttach();
  SetKeys(1, 5111);
  InFinishingDialog([&](HWND dialog) {
    SetWindowLongPtrW(dialog, DWL_MSGRESULT, 0);
    EXPECT_EQ(button->OnMessage(dialog, kDuplexTip, WM_COMMAND, MAKEWPARAM(kDuplexTip, BN_CLICKED),
                                reinterpret_cast<LPARAM>(GetDlgItem(dialog, kDuplexTip))),
              1);
    EXPECT_EQ(GetWindowLongPtrW(dialog, DWL_MSGRESULT), 1);
    EXPECT_EQ(w32test::CursorResourceId(GetCursor()), 11270u);
    ASSERT_EQ(w32test::MessageBoxes().size(), 1u);
    const auto& box = w32test::MessageBoxes()[0];
    EXPECT_EQ(box.text, "This feature is not available with the currently selected paper size (see \"Paper\" tab).");
    EXPECT_EQ(box.caption, "Feature Tip");
    EXPECT_EQ(box.type, static_cast<UINT>(MB_ICONINFORMATION));

    // Another notification only takes the cursor; a reason without text
    // shows no empty box.
    EXPECT_EQ(button->OnMessage(dialog, kDuplexTip, WM_COMMAND, MAKEWPARAM(kDuplexTip, 6), 0), 1);
    SetKeys(1, 0);
    EXPECT_EQ(button->OnMessage(dialog, kDuplexTip, WM_COMMAND, MAKEWPARAM(kDuplexTip, BN_CLICKED), 0), 1);
    EXPECT_EQ(w32test::MessageBoxes().size(), 1u);
  });
}

TEST_F(FeatureTipTest, TheButtonHasItsOwnCursor) {
  GFeatureTipButton* button = MakeButton();
  button->OnAttach();
  EXPECT_EQ(w32test::CursorResourceId(GetCursor()), 32512u) << "attaching sets the arrow";
  InFinishingDialog([&](HWND dialog) {
    HWND tip = GetDlgItem(dialog, kDuplexTip);
    HWND other = GetDlgItem(dialog, kDuplexBox);
    EXPECT_EQ(button->OnMessage(dialog, kDuplexTip, WM_SETCURSOR, reinterpret_cast<WPARAM>(other), 0), 0);
    EXPECT_EQ(w32test::CursorResourceId(GetCursor()), 32512u);
    EXPECT_EQ(button->OnMessage(dialog, kDuplexTip, WM_SETCURSOR, reinterpret_cast<WPARAM>(tip), 0), 1);
    EXPECT_EQ(w32test::CursorResourceId(GetCursor()), 11270u);
    EXPECT_EQ(GetWindowLongPtrW(dialog, DWL_MSGRESULT), 1);
    EXPECT_EQ(button->OnMessage(dialog, kDuplexTip, WM_TIMER, 0, 0), 0);
  });
}

class FeatureTipWithoutCursorTest : public FeatureTipTest {
 protected:
  void SetUp() override {
    withTipCursor_ = false;
    FeatureTipTest::SetUp();
  }
};

TEST_F(FeatureTipWithoutCursorTest, ALibraryWithoutTheCursorLeavesTheArrow) {
  GFeatureTipButton* button = MakeButton();
  button->OnAttach();
  ASSERT_NE(button->GetTipCursor(), nullptr) << "a missing cursor would hide the pointer";
  EXPECT_EQ(w32test::CursorResourceId(button->GetTipCursor()), 32512u);
}

TEST_F(FeatureTipTest, TheButtonDrawsItsPictureOnTheFace) {
  const struct {
    int16_t kind;
    UINT state;
    COLORREF centre;
  } cases[] = {
      {0, 0, kTipColour},
      {0, ODS_SELECTED, kTipPressedColour},
      {1, 0, kSecondTipColour},
      {1, ODS_SELECTED | ODS_FOCUS, kSecondTipPressedColour},
      {0, ODS_FOCUS, kTipColour},
  };
  const COLORREF face = GetSysColor(COLOR_BTNFACE) & 0xFFFFFF;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind * 100 + static_cast<int>(c.state));
    GFeatureTipButton* button = MakeButton(c.kind);
    InFinishingDialog([&](HWND dialog) {
      HWND tip = GetDlgItem(dialog, kDuplexTip);
      ASSERT_TRUE(w32test::SetClientSize(tip, 7, 7));
      HDC dc = GetDC(tip);
      DRAWITEMSTRUCT item{};
      item.CtlType = ODT_BUTTON;
      item.CtlID = kDuplexTip;
      item.itemAction = ODA_DRAWENTIRE;
      item.itemState = c.state;
      item.hwndItem = tip;
      item.hDC = dc;
      item.rcItem = RECT{0, 0, 7, 7};
      EXPECT_EQ(button->OnMessage(dialog, kDuplexTip, WM_DRAWITEM, kDuplexTip, reinterpret_cast<LPARAM>(&item)), 0);
      ReleaseDC(tip, dc);
      const std::vector<COLORREF> pixels = w32test::WindowPixels(tip);
      ASSERT_EQ(pixels.size(), 49u);
      EXPECT_EQ(pixels[3 * 7 + 3], c.centre) << "centred";
      EXPECT_EQ(pixels[2 * 7 + 2], face) << "the picture's background is the face";
      const bool focus = (c.state & ODS_FOCUS) != 0;
      EXPECT_EQ(pixels[0], focus ? (~face & 0xFFFFFF) : face) << "focus rectangle";
      EXPECT_EQ(pixels[1], face);
      EXPECT_EQ(pixels[1 * 7 + 1], face);
    });
  }
}

TEST_F(FeatureTipTest, ADrawItemForAnotherControlDrawsNothing) {
  GFeatureTipButton* button = MakeButton();
  InFinishingDialog([&](HWND dialog) {
    HWND box = GetDlgItem(dialog, kDuplexBox);
    ASSERT_TRUE(w32test::SetClientSize(box, 7, 7));
    DRAWITEMSTRUCT item{};
    item.CtlID = kDuplexBox;
    item.hwndItem = box;
    EXPECT_EQ(button->OnMessage(dialog, kDuplexTip, WM_DRAWITEM, kDuplexBox, reinterpret_cast<LPARAM>(&item)), 0);
    EXPECT_EQ(button->OnMessage(dialog, kDuplexTip, WM_DRAWITEM, kDuplexTip, 0), 0);
    EXPECT_TRUE(w32test::WindowPixels(box).empty());
  });
}

}  // namespace
}  // namespace uisession
