// A modal dialog opened from a page: the page's update cycles are closed
// while it runs and reopened afterwards, the owner is disabled meanwhile,
// and with undo Cancel puts back what the dialog changed. OK, Cancel and 8
// reach their wrapper before they end the dialog.
#include "ui/framework/GModalDialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "support/ModalDialogFixture.h"
#include "ui/framework/GFeatureAccessor.h"
#include "ui/framework/GWrapper.h"
#include "w32test/Testing.h"

namespace uisession {
namespace {

using w32test::ControlKind;
using w32test::DialogAction;

constexpr UINT kModalDialogTemplate = 7200;
constexpr int kModalDialogDuplexCheck = 7201;

// A check box bound to a 0/1 feature; counts the commands it was given.
class ModalDialogCheckWrapper : public GWrapper {
 public:
  ModalDialogCheckWrapper(GKeyedFeatureAccessor* accessor, const GControlRow* table, std::vector<int>* commands)
      : GWrapper(accessor, table), keyed_(accessor), commands_(commands) {}
  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_COMMAND) commands_->push_back(LOWORD(wParam));
    if (message == WM_COMMAND && HIWORD(wParam) != BN_CLICKED) return 0;
    return GWrapper::OnMessage(message, wParam, lParam);
  }
  void SetControlFromFeature(int) override {
    CheckDlgButton(GetDialogHwnd(), kModalDialogDuplexCheck, keyed_->GetValue() != 0 ? BST_CHECKED : BST_UNCHECKED);
  }
  void ReadControlIntoFeature() override {
    keyed_->SetValue(IsDlgButtonChecked(GetDialogHwnd(), kModalDialogDuplexCheck) == BST_CHECKED ? 1 : 0);
  }
  void RefreshAvailability() override {}

 private:
  GKeyedFeatureAccessor* keyed_;
  std::vector<int>* commands_;
};
const GControlRow kModalDialogDuplexRows[] = {{kModalDialogDuplexCheck, -1}, {IDOK, -1}, {0, 0}};

class GModalDialogTest : public ModalDialogTest {
 protected:
  void SetUp() override {
    ModalDialogTest::SetUp();
    LoadLibraryWith({{kModalDialogTemplate, w32test::DialogSpec{u"More",
                                                     {{kModalDialogDuplexCheck, ControlKind::kCheckBox, u"Both sides"},
                                                      {IDOK, ControlKind::kButton, u"OK"},
                                                      {IDCANCEL, ControlKind::kButton, u"Cancel"}}}}});
  }
  GModalDialog* MakeDialog() {
    dialog_ = std::make_unique<GModalDialog>(static_cast<int16_t>(kModalDialogTemplate), session_.get(), 0, 0);
    dialog_->AddWrapper(new ModalDialogCheckWrapper(new GKeyedFeatureAccessor(session_.get(), &kDuplex), kModalDialogDuplexRows, &commands_));
    return dialog_.get();
  }
  std::unique_ptr<GModalDialog> dialog_;
  std::vector<int> commands_;
};

TEST_F(GModalDialogTest, ThePagesCyclesCloseForTheRunAndReopen) {
  GModalDialog* dialog = MakeDialog();
  OwnerRun([&](HWND owner) {
    // The page is inside two cycles when it opens the dialog.
    session_->BeginUpdate(owner);
    session_->BeginUpdate(owner);
    session_->SetRefreshNeeded(0);
    int nestingInside = -1;
    w32test::QueueDialogScript({DialogAction::Inspect([&](HWND) { nestingInside = session_->GetUpdateNesting(); }),
                                DialogAction::Click(kModalDialogDuplexCheck), DialogAction::Close(IDOK)});
    EXPECT_EQ(dialog->DoModal(owner, 1), IDOK);
    EXPECT_EQ(nestingInside, 0);
    EXPECT_EQ(session_->GetUpdateNesting(), 2);
    EXPECT_EQ(session_->GetUpdateContext(), owner);
    EXPECT_EQ(session_->GetUndoDepth(), 0u);
    session_->EndUpdate();
    EXPECT_EQ(session_->GetRefreshNeeded(), 1) << "the page refreshes after the dialog";
    session_->EndUpdate();
    EXPECT_NE(IsWindowEnabled(owner), FALSE) << "the owner is enabled again";
  });
  const w32test::DialogRun run = LastRunOf(kModalDialogTemplate);
  ASSERT_TRUE(run.finished);
  EXPECT_NE(std::find(run.disabledWindows.begin(), run.disabledWindows.end(), run.owner), run.disabledWindows.end())
      << "the owner was disabled while the dialog ran";
  EXPECT_EQ(ValueOf(kDuplex), 1) << "OK keeps the change";
}

TEST_F(GModalDialogTest, OutsideAnyCycleNoCycleIsLeftOpen) {
  GModalDialog* dialog = MakeDialog();
  w32test::QueueDialogScript({DialogAction::Close(IDOK)});
  EXPECT_EQ(dialog->DoModal(nullptr, 0), IDOK);
  EXPECT_EQ(session_->GetUpdateNesting(), 0);
}

TEST_F(GModalDialogTest, CancelWithUndoPutsTheDialogsChangesBack) {
  const struct {
    int withUndo;
    int button;
    int duplexAfter;
  } cases[] = {{1, IDCANCEL, 0}, {1, IDOK, 1}, {0, IDCANCEL, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.withUndo * 10 + c.button);
    Set(kDuplex, 0);
    GModalDialog* dialog = MakeDialog();
    w32test::QueueDialogScript({DialogAction::Click(kModalDialogDuplexCheck), DialogAction::Close(c.button)});
    EXPECT_EQ(dialog->DoModal(nullptr, c.withUndo), c.button);
    EXPECT_EQ(ValueOf(kDuplex), c.duplexAfter);
    EXPECT_EQ(session_->GetUndoDepth(), 0u);
  }
}

TEST_F(GModalDialogTest, EndingButtonsReachTheirWrapperFirst) {
  GModalDialog* dialog = MakeDialog();
  w32test::QueueDialogScript({DialogAction::Message(WM_COMMAND, MAKEWPARAM(8, BN_CLICKED), 0)});
  EXPECT_EQ(dialog->DoModal(nullptr, 0), 8) << "8 ends the dialog even without a control";
  EXPECT_TRUE(commands_.empty()) << "no control 8: nothing routed";

  commands_.clear();
  dialog = MakeDialog();
  w32test::QueueDialogScript({DialogAction::Close(IDOK)});
  EXPECT_EQ(dialog->DoModal(nullptr, 0), IDOK);
  EXPECT_EQ(commands_, std::vector<int>{IDOK}) << "the wrapper owning OK saw it";
}

TEST_F(GModalDialogTest, AMissingTemplateFailsAndRestoresTheSession) {
  GModalDialog dialog(7299, session_.get(), 0, 0);
  session_->BeginUpdate(nullptr);
  EXPECT_EQ(dialog.DoModal(nullptr, 1), -1);
  EXPECT_EQ(session_->GetUpdateNesting(), 1);
  EXPECT_EQ(session_->GetUndoDepth(), 0u);
  session_->EndUpdate();
}

}  // namespace
}  // namespace uisession
