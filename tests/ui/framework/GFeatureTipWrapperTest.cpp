// The feature-tip wrapper in a running dialog: the tip button shows, greys
// or hides as the rule's keys say, a click tells the reason without touching
// the settings, and the button takes its own cursor.
#include "ui/framework/GFeatureTipWrapper.h"

#include <gtest/gtest.h>

#include "support/RuleTestSupport.h"
#include "ui/framework/GModalDialog.h"
#include "ui/framework/GRuleCatalogue.h"
#include "win32/Gdi.h"
#include "win32/Window.h"
#include "w32test/Testing.h"

namespace uisession {
namespace {

using w32test::DialogAction;

constexpr int32_t kFeatureTipWrapperAvailability = GRuleKeys::kDuplex.availability;
constexpr int32_t kFeatureTipWrapperReason = GRuleKeys::kDuplex.reason;
const GControlRow kTipRows[] = {{kDuplexTip, -1}, {0, 0}};

class FeatureTipWrapperTest : public RuleSessionTest {
 protected:
  void SetKeys(int16_t availability, int16_t reason) {
    GSettingsView ui = session_->GetUIStateView();
    ui.SetInt(&kFeatureTipWrapperAvailability, availability);
    ui.SetInt(&kFeatureTipWrapperReason, reason);
  }
  // Runs the Finishing dialog with a tip wrapper over the duplex tip.
  w32test::DialogRun Run(std::vector<DialogAction> script) {
    GModalDialog dialog(static_cast<int16_t>(kFinishingDialog), session_.get(), 0, 0);
    dialog.AddWrapper(new GFeatureTipWrapper(new GFeatureTipAccessor(session_.get(), &kFeatureTipWrapperAvailability, &kFeatureTipWrapperReason),
                                             kTipRows, 0));
    script.push_back(DialogAction::Close(IDOK));
    w32test::QueueDialogScript(std::move(script));
    EXPECT_EQ(dialog.DoModal(nullptr, 0), IDOK);
    const auto runs = w32test::DialogRuns();
    return runs.empty() ? w32test::DialogRun() : runs.back();
  }
};

TEST_F(FeatureTipWrapperTest, TheButtonFollowsTheRulesKeys) {
  const struct {
    int16_t availability;
    int16_t reason;
    bool visible;
    bool enabled;
  } cases[] = {
      {1, 5111, true, true},    // beside a disabled control: the tip explains why
      {0, 5302, true, true},    // a note
      {0, 0, false, false},     // nothing to explain
      {1, 11902, false, false}, // disabled without a tip
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reason);
    SetKeys(c.availability, c.reason);
    const w32test::DialogRun run = Run({});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.controls.at(kDuplexTip).visible, c.visible);
    EXPECT_EQ(run.controls.at(kDuplexTip).enabled, c.enabled);
  }
}

TEST_F(FeatureTipWrapperTest, AClickTellsTheReasonAndChangesNoSetting) {
  SetKeys(1, 5111);
  const int before = ValueOf(kDuplex);
  const w32test::DialogRun run = Run({DialogAction::Click(kDuplexTip), DialogAction::Inspect([](HWND) {
                                        EXPECT_EQ(w32test::CursorResourceId(GetCursor()), 11270u);
                                      })});
  EXPECT_EQ(run.ignoredActions, 0);
  ASSERT_EQ(w32test::MessageBoxes().size(), 1u);
  EXPECT_EQ(w32test::MessageBoxes()[0].caption, "Feature Tip");
  EXPECT_EQ(w32test::MessageBoxes()[0].text,
            "This feature is not available with the currently selected paper size (see \"Paper\" tab).");
  EXPECT_EQ(ValueOf(kDuplex), before);
  EXPECT_EQ(ValueOf(kFeatureTipWrapperAvailability), 1) << "the tip writes nothing back";
}

TEST_F(FeatureTipWrapperTest, TheCursorOverTheButtonIsTheTips) {
  SetKeys(1, 5111);
  Run({DialogAction::Inspect([](HWND dialog) {
    // The arrow after attaching; the tip's over the button.
    EXPECT_EQ(w32test::CursorResourceId(GetCursor()), 32512u);
    SendMessageW(dialog, WM_SETCURSOR, reinterpret_cast<WPARAM>(GetDlgItem(dialog, kDuplexBox)), 0);
    EXPECT_EQ(w32test::CursorResourceId(GetCursor()), 32512u);
    SendMessageW(dialog, WM_SETCURSOR, reinterpret_cast<WPARAM>(GetDlgItem(dialog, kDuplexTip)), 0);
    EXPECT_EQ(w32test::CursorResourceId(GetCursor()), 11270u);
  })});
}

TEST_F(FeatureTipWrapperTest, TheWrapperOwnsItsAccessorOnce) {
  auto* accessor = new GFeatureTipAccessor(session_.get(), &kFeatureTipWrapperAvailability, &kFeatureTipWrapperReason);
  {
    GFeatureTipWrapper wrapper(accessor, kTipRows, 1);
    EXPECT_EQ(wrapper.GetAccessor(), accessor);
    EXPECT_EQ(wrapper.GetButton().GetAccessor(), accessor);
    EXPECT_EQ(wrapper.GetButton().GetIconKind(), 1);
  }  // deleted exactly once (the sanitizer would report a second delete)
}

}  // namespace
}  // namespace uisession
