// The timed modal dialog: skipped when its show-again setting is 0, ends as
// OK once its seconds have passed, and its "do not show again" box becomes a
// logged change of that setting, undone with the dialog's other changes.
#include "ui/framework/GTimedModalDialog.h"

#include <gtest/gtest.h>

#include "support/ModalDialogFixture.h"
#include "win32/Kernel.h"
#include "w32test/Testing.h"

namespace uisession {
namespace {

using w32test::ControlKind;
using w32test::DialogAction;

constexpr UINT kTimedModalDialogTemplate = 7300;
constexpr int32_t kShowAgain = kNestedValue;  // a value feature of the fixture (5: shown)

class GTimedModalDialogTest : public ModalDialogTest {
 protected:
  void SetUp() override {
    ModalDialogTest::SetUp();
    LoadLibraryWith({{kTimedModalDialogTemplate, w32test::DialogSpec{u"Notice",
                                                     {{GTimedModalDialog::kDontShowAgain, ControlKind::kCheckBox,
                                                       u"Do not show again"},
                                                      {IDOK, ControlKind::kButton, u"OK"}}}}});
  }
  int Run(std::vector<DialogAction> script, int withUndo = 1, const int32_t* id = &kShowAgain, int16_t seconds = 3) {
    GTimedModalDialog dialog(static_cast<int16_t>(kTimedModalDialogTemplate), session_.get(), seconds, id, 0, 0);
    w32test::QueueDialogScript(std::move(script));
    return dialog.DoModal(nullptr, withUndo);
  }
};

TEST_F(GTimedModalDialogTest, TurnedOffItEndsAtOnceAsOk) {
  Set(kShowAgain, 0);
  bool shown = false;
  EXPECT_EQ(Run({DialogAction::Inspect([&](HWND) { shown = true; }), DialogAction::Close(IDCANCEL)}), IDOK);
  EXPECT_FALSE(shown);
  EXPECT_TRUE(LastRunOf(kTimedModalDialogTemplate).timers.empty());
  w32test::ClearDialogScripts();
}

TEST_F(GTimedModalDialogTest, EndsOnTheFirstTickAfterItsSeconds) {
  bool openAfterFirstTick = false;
  const int result = Run({DialogAction::Inspect([](HWND) { w32test::AdvanceTickCount(2000); }),
                          DialogAction::FireTimer(GTimedModalDialog::kTimerId),
                          DialogAction::Message(WM_TIMER, 77, 0),  // another timer's tick
                          DialogAction::Inspect([&](HWND) {
                            openAfterFirstTick = true;
                            w32test::AdvanceTickCount(1000);
                          }),
                          DialogAction::FireTimer(GTimedModalDialog::kTimerId),
                          DialogAction::Inspect([](HWND) { ADD_FAILURE() << "still open after 3 seconds"; })});
  EXPECT_EQ(result, IDOK);
  EXPECT_TRUE(openAfterFirstTick);
  const w32test::DialogRun run = LastRunOf(kTimedModalDialogTemplate);
  ASSERT_EQ(run.timers.size(), 1u);
  EXPECT_EQ(run.timers[0].id, GTimedModalDialog::kTimerId);
  EXPECT_EQ(run.timers[0].elapse, 250u);
  EXPECT_TRUE(run.timers[0].killed);
  w32test::ClearDialogScripts();
}

TEST_F(GTimedModalDialogTest, DoNotShowAgainIsASettingUndoneWithTheDialog) {
  EXPECT_EQ(Run({DialogAction::SetCheck(GTimedModalDialog::kDontShowAgain, true), DialogAction::Close(IDOK)}), IDOK);
  EXPECT_EQ(ValueOf(kShowAgain), 0);

  Set(kShowAgain, 5);
  EXPECT_EQ(Run({DialogAction::SetCheck(GTimedModalDialog::kDontShowAgain, true), DialogAction::Close(IDCANCEL)}),
            IDCANCEL);
  EXPECT_EQ(ValueOf(kShowAgain), 5) << "Cancel undoes it with the dialog's other changes";
  EXPECT_EQ(session_->GetUpdateNesting(), 0);

  EXPECT_EQ(Run({DialogAction::Close(IDOK)}), IDOK);
  EXPECT_EQ(ValueOf(kShowAgain), 5) << "unchecked: still wanted";
}

TEST_F(GTimedModalDialogTest, WithoutAShowAgainFeatureItIsAlwaysShown) {
  const int32_t missing = 9999;
  EXPECT_EQ(Run({DialogAction::SetCheck(GTimedModalDialog::kDontShowAgain, true), DialogAction::Close(8)}, 0,
                &missing),
            8);
  EXPECT_EQ(ValueOf(missing), -9999) << "nothing is made up";
  EXPECT_EQ(Run({DialogAction::Close(IDOK)}, 0, nullptr), IDOK);
}

}  // namespace
}  // namespace uisession
