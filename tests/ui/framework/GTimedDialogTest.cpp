// The print-time message dialog run by the stand-in's dialog manager from a
// resource library of the module table: its texts and fonts, the user's
// "do not show again", the owner, the library's load count and the seam the
// driver core reaches it through.
#include "ui/framework/GTimedDialog.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "driver/GUIServices.h"
#include "support/ScopedUpwardServices.h"
#include "ui/framework/GCPSOSUI.h"
#include "ui/framework/UIResources.h"
#include "win32/Dialog.h"
#include "win32/Module.h"
#include "w32test/Testing.h"
#include "win32/User.h"
#include "win32/Window.h"

namespace {

using w32test::ControlKind;
using w32test::DialogAction;

constexpr const char16_t* kLibrary = u"QVRES.DLL";
constexpr int kNotice = 11540;

// The notice's template as the resource library holds it.
w32test::DialogSpec NoticeTemplate() {
  return w32test::DialogSpec{u"Job Storage",
                             {{GTimedDialog::kTitle, ControlKind::kStatic, u"", false},
                              {GTimedDialog::kText1, ControlKind::kStatic, u"", false},
                              {GTimedDialog::kText2, ControlKind::kRichEdit, u"", false},
                              {GTimedDialog::kText3, ControlKind::kRichEdit, u"", false},
                              {GTimedDialog::kFrame, ControlKind::kRichEdit, u"", false},
                              {GTimedDialog::kText4, ControlKind::kStatic, u"", false},
                              {GTimedDialog::kDontShowAgain, ControlKind::kCheckBox, u"Do not show again", false},
                              {IDOK, ControlKind::kButton, u"OK", false},
                              {9, ControlKind::kButton, u"Help", false}}};
}

class GTimedDialogTest : public ::testing::Test {
 protected:
  qvtest::ScopedUpwardServices services_;

  void SetUp() override {
    w32test::Reset();
    w32test::ModuleSpec spec;
    spec.name = kLibrary;
    spec.dialogs[kNotice] = NoticeTemplate();
    w32test::InstallModule(spec);
  }
  void TearDown() override {
    w32test::Reset();
  }

  static std::unique_ptr<GTimedDialog> Notice(const RWWString& job = RWWString(u"Payroll")) {
    return std::make_unique<GTimedDialog>(kNotice, 10, RWWString(u"Front Desk"), RWWString(u"LPT1:"),
                                          RWWString(u"jsmith"), job, RWWString(u"Second floor"));
  }
  static w32test::DialogRun LastRun() {
    const auto runs = w32test::DialogRuns();
    return runs.empty() ? w32test::DialogRun() : runs.back();
  }
};

TEST_F(GTimedDialogTest, TheFiveTextsGoToTheirControlsInOrder) {
  auto dialog = Notice();
  w32test::QueueDialogScript({DialogAction::Close(IDOK)});
  EXPECT_EQ(dialog->DoModal(nullptr, RWWString(kLibrary)), IDOK);

  const w32test::DialogRun run = LastRun();
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.templateId, static_cast<UINT>(kNotice));
  EXPECT_EQ(run.controls.at(GTimedDialog::kTitle).text, u"Front Desk");
  EXPECT_EQ(run.controls.at(GTimedDialog::kText1).text, u"LPT1:");
  EXPECT_EQ(run.controls.at(GTimedDialog::kText2).text, u"jsmith");
  EXPECT_EQ(run.controls.at(GTimedDialog::kText3).text, u"Payroll");
  EXPECT_EQ(run.controls.at(GTimedDialog::kText4).text, u"Second floor");
  EXPECT_EQ(dialog->GetShowAgain(), 1) << "the box was left clear";
}

TEST_F(GTimedDialogTest, ThreeTextsAreBoldOnTheButtonFace) {
  auto dialog = Notice();
  const int fontsBefore = w32test::LiveFontCount();
  dialog->DoModal(nullptr, RWWString(kLibrary));
  const w32test::DialogRun run = LastRun();
  const w32test::ControlState& title = run.controls.at(GTimedDialog::kTitle);
  ASSERT_TRUE(title.fontKnown);
  for (int id : {GTimedDialog::kText2, GTimedDialog::kText3, GTimedDialog::kFrame}) {
    SCOPED_TRACE(id);
    const w32test::ControlState& control = run.controls.at(id);
    ASSERT_TRUE(control.fontKnown);
    EXPECT_NE(control.font, title.font);
    EXPECT_EQ(control.fontDescription.lfWeight, title.fontDescription.lfWeight | FW_BOLD);
    EXPECT_EQ(control.fontDescription.lfHeight, title.fontDescription.lfHeight);
    EXPECT_EQ(std::u16string(control.fontDescription.lfFaceName), std::u16string(title.fontDescription.lfFaceName));
    EXPECT_EQ(control.fontDescription.lfQuality, PROOF_QUALITY);
    EXPECT_TRUE(control.backgroundSet);
    EXPECT_EQ(control.background, GetSysColor(COLOR_BTNFACE));
  }
  EXPECT_EQ(run.controls.at(GTimedDialog::kText1).font, title.font) << "text 1 keeps the dialog's font";
  // The bold font lives as long as the object, and goes with it.
  EXPECT_EQ(w32test::LiveFontCount(), fontsBefore + 1);
  dialog.reset();
  EXPECT_EQ(w32test::LiveFontCount(), fontsBefore);
}

TEST_F(GTimedDialogTest, CheckingTheBoxTurnsTheDialogOff) {
  struct Case {
    const char* what;
    std::vector<DialogAction> script;
    int result;
    int showAgain;
  };
  const Case cases[] = {
      {"checked, OK", {DialogAction::SetCheck(GTimedDialog::kDontShowAgain, true), DialogAction::Close(IDOK)}, IDOK, 0},
      {"checked, closed by Esc", {DialogAction::Click(GTimedDialog::kDontShowAgain)}, IDCANCEL, 0},
      {"checked and cleared again",
       {DialogAction::Click(GTimedDialog::kDontShowAgain), DialogAction::Click(GTimedDialog::kDontShowAgain),
        DialogAction::Close(8)},
       8,
       1},
      {"left clear", {DialogAction::Close(IDCANCEL)}, IDCANCEL, 1},
      {"no script", {}, IDCANCEL, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto dialog = Notice();
    if (!c.script.empty()) w32test::QueueDialogScript(c.script);
    EXPECT_EQ(dialog->DoModal(nullptr, RWWString(kLibrary)), c.result);
    EXPECT_EQ(dialog->GetShowAgain(), c.showAgain);
  }
}

TEST_F(GTimedDialogTest, TheOwnerIsDisabledDuringTheRunAndTheLibraryFreedAfterIt) {
  HWND owner = w32test::CreateTestWindow(u"AppWindow", u"Editor");
  auto dialog = Notice();
  DWORD loadsDuringRun = 0;
  bool ownerEnabledDuringRun = true;
  w32test::QueueDialogScript({DialogAction::Inspect([&](HWND) {
                                loadsDuringRun = w32test::ModuleLoadCount(kLibrary);
                                ownerEnabledDuringRun = IsWindowEnabled(owner) != FALSE;
                              }),
                              DialogAction::Close(IDOK)});
  EXPECT_EQ(dialog->DoModal(owner, RWWString(kLibrary)), IDOK);

  EXPECT_EQ(loadsDuringRun, 1u);
  EXPECT_FALSE(ownerEnabledDuringRun);
  EXPECT_EQ(LastRun().disabledWindows, std::vector<HWND>{owner}) << "the dialog disabled its owner itself";
  const auto calls = w32test::EnableWindowCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].window, owner);
  EXPECT_FALSE(calls[0].enable);
  EXPECT_TRUE(calls[1].enable);
  EXPECT_EQ(IsWindowEnabled(owner), TRUE);
  EXPECT_EQ(w32test::ModuleLoadCount(kLibrary), 0u);
  EXPECT_EQ(GetUIResourceInstance(), nullptr);
}

TEST_F(GTimedDialogTest, AnOwnerDisabledBeforeStaysDisabledAndNoOwnerIsLeftAlone) {
  HWND owner = w32test::CreateTestWindow(u"AppWindow", u"Editor");
  EnableWindow(owner, FALSE);
  Notice()->DoModal(owner, RWWString(kLibrary));
  EXPECT_EQ(IsWindowEnabled(owner), FALSE);
  EXPECT_EQ(w32test::EnableWindowCalls().size(), 1u) << "only the test's own call";

  Notice()->DoModal(nullptr, RWWString(kLibrary));
  EXPECT_EQ(w32test::EnableWindowCalls().size(), 1u);
  EXPECT_EQ(LastRun().owner, nullptr);
}

TEST_F(GTimedDialogTest, WithoutItsLibraryOrTemplateNothingIsShown) {
  HWND owner = w32test::CreateTestWindow(u"AppWindow", u"Editor");
  auto dialog = Notice();
  EXPECT_EQ(dialog->DoModal(owner, RWWString(u"NOWHERE.DLL")), -1);
  EXPECT_EQ(dialog->DoModal(owner, RWWString()), -1);
  EXPECT_TRUE(w32test::EnableWindowCalls().empty());

  // A library without the template: the owner comes back and the library
  // is freed all the same.
  w32test::ModuleSpec bare;
  bare.name = u"BARE.DLL";
  w32test::InstallModule(bare);
  EXPECT_EQ(dialog->DoModal(owner, RWWString(u"BARE.DLL")), -1);
  EXPECT_EQ(IsWindowEnabled(owner), TRUE);
  EXPECT_EQ(w32test::ModuleLoadCount(u"BARE.DLL"), 0u);
  EXPECT_TRUE(w32test::DialogRuns().empty());
  EXPECT_EQ(dialog->GetShowAgain(), 1);
}

TEST_F(GTimedDialogTest, TheTimerRunsButDoesNotCloseTheDialog) {
  auto dialog = Notice();
  dialog->SetHelpFile(RWCString("C:\\DRIVERS\\QVHELP.HLP"));
  bool openAfterTicks = false;
  w32test::QueueDialogScript({DialogAction::FireTimer(static_cast<int>(GTimedDialog::kTimerId)),
                              DialogAction::FireTimer(static_cast<int>(GTimedDialog::kTimerId)),
                              DialogAction::Click(9),
                              DialogAction::Inspect([&](HWND window) {
                                openAfterTicks = GetDlgItem(window, GTimedDialog::kTitle) != nullptr;
                              }),
                              DialogAction::Close(IDOK)});
  EXPECT_EQ(dialog->DoModal(nullptr, RWWString(kLibrary)), IDOK);
  EXPECT_TRUE(openAfterTicks);

  const w32test::DialogRun run = LastRun();
  EXPECT_EQ(run.ignoredActions, 0);
  ASSERT_EQ(run.timers.size(), 1u);
  EXPECT_EQ(run.timers[0].id, GTimedDialog::kTimerId);
  EXPECT_EQ(run.timers[0].elapse, 10u);
  EXPECT_TRUE(run.timers[0].killed);
  // Help opens the help file on the notice's context.
  const auto help = w32test::HelpCalls();
  ASSERT_EQ(help.size(), 1u);
  EXPECT_EQ(help[0].file, "C:\\DRIVERS\\QVHELP.HLP");
  EXPECT_EQ(help[0].command, static_cast<UINT>(HELP_CONTEXT));
  EXPECT_EQ(help[0].data, GTimedDialog::kHelpContext);
}

TEST_F(GTimedDialogTest, LongTextsAreShownWhole) {
  const std::u16string job(600, u'J');
  auto dialog = Notice(RWWString(job.c_str()));
  dialog->DoModal(nullptr, RWWString(kLibrary));
  EXPECT_EQ(LastRun().controls.at(GTimedDialog::kText3).text, job);
}

TEST_F(GTimedDialogTest, ASecondRunMakesItsBoldFontAfresh) {
  auto dialog = Notice();
  const int fontsBefore = w32test::LiveFontCount();
  w32test::QueueDialogScript({DialogAction::Click(GTimedDialog::kDontShowAgain)});
  dialog->DoModal(nullptr, RWWString(kLibrary));
  dialog->DoModal(nullptr, RWWString(kLibrary));
  EXPECT_EQ(w32test::LiveFontCount(), fontsBefore + 1);
  EXPECT_EQ(dialog->GetShowAgain(), 0) << "a choice once made is kept";
}

TEST_F(GTimedDialogTest, TheDriverCoreReachesItThroughItsSeam) {
  EXPECT_EQ(CreateTimedMessage(kNotice, 10, RWWString(u"a"), RWWString(), RWWString(), RWWString(), RWWString()),
            nullptr);
  services_.Change([](GUpwardServices& s) { AddUIFrameworkServices(&s); });
  std::unique_ptr<GTimedMessage> message(CreateTimedMessage(kNotice, 10, RWWString(u"Front Desk"),
                                                            RWWString(u"LPT1:"), RWWString(u"jsmith"),
                                                            RWWString(u"Payroll"), RWWString(u"Second floor")));
  ASSERT_NE(message, nullptr);
  message->SetHelpFile(RWCString("QVHELP.HLP"));
  w32test::QueueDialogScript({DialogAction::Click(9), DialogAction::SetCheck(GTimedDialog::kDontShowAgain, true),
                              DialogAction::Close(IDOK)});
  EXPECT_EQ(message->DoModal(nullptr, RWWString(kLibrary)), IDOK);
  EXPECT_EQ(message->GetShowAgain(), 0);
  EXPECT_EQ(LastRun().controls.at(GTimedDialog::kTitle).text, u"Front Desk");
  ASSERT_EQ(w32test::HelpCalls().size(), 1u);
  EXPECT_EQ(w32test::HelpCalls()[0].file, "QVHELP.HLP");
}

}  // namespace
