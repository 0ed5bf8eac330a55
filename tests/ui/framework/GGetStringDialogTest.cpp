// The text-entry dialog: its prompt and length limit, OK only for a text
// with more than blanks, and the text as typed kept with either button.
#include "ui/framework/GGetStringDialog.h"

#include <gtest/gtest.h>

#include "support/ModalDialogFixture.h"
#include "w32test/Testing.h"

namespace uisession {
namespace {

using w32test::ControlKind;
using w32test::DialogAction;

constexpr int kPromptString = 11901;  // any string of the table

class GGetStringDialogTest : public ModalDialogTest {
 protected:
  void SetUp() override {
    ModalDialogTest::SetUp();
    LoadLibraryWith({{GGetStringDialog::kTemplate,
                      w32test::DialogSpec{u"Name",
                                          {{GGetStringDialog::kPrompt, ControlKind::kStatic, u"template"},
                                           {GGetStringDialog::kEdit, ControlKind::kEdit, u""},
                                           {IDOK, ControlKind::kButton, u"OK"},
                                           {IDCANCEL, ControlKind::kButton, u"Cancel"}}}}});
  }
};

TEST_F(GGetStringDialogTest, OkNeedsMoreThanBlanks) {
  GGetStringDialog dialog(nullptr, kPromptString, 8);
  std::vector<bool> okEnabled;
  auto look = [&] { return DialogAction::Inspect([&](HWND d) { okEnabled.push_back(IsWindowEnabled(GetDlgItem(d, IDOK)) != FALSE); }); };
  w32test::QueueDialogScript({look(), DialogAction::Type(GGetStringDialog::kEdit, u"   "), look(),
                              DialogAction::Click(IDOK), DialogAction::Type(GGetStringDialog::kEdit, u"  Draft copies"),
                              look(), DialogAction::Click(IDOK)});
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(okEnabled, (std::vector<bool>{false, false, true}));
  EXPECT_TRUE(dialog.GetText() == RWWString("  Draft "));  // as typed, cut to the limit
  const w32test::DialogRun run = LastRunOf(GGetStringDialog::kTemplate);
  EXPECT_EQ(run.ignoredActions, 1) << "a disabled OK cannot be clicked";
  EXPECT_EQ(run.controls.at(GGetStringDialog::kPrompt).text, u"Feature Tip");
  EXPECT_EQ(run.controls.at(GGetStringDialog::kEdit).limit, 8);
}

TEST_F(GGetStringDialogTest, CancelKeepsTheTypedTextButAnswersCancel) {
  GGetStringDialog dialog(nullptr, 1, 0);  // a prompt the table lacks, no limit
  w32test::QueueDialogScript({DialogAction::Type(GGetStringDialog::kEdit, u"  "), DialogAction::Close(IDCANCEL)});
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_TRUE(dialog.GetText() == RWWString("  "));
  const w32test::DialogRun run = LastRunOf(GGetStringDialog::kTemplate);
  EXPECT_EQ(run.controls.at(GGetStringDialog::kPrompt).text, u"template") << "no prompt string: left as it is";
  EXPECT_EQ(run.controls.at(GGetStringDialog::kEdit).limit, 0);
}

}  // namespace
}  // namespace uisession
