#include "win32/Dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win32/Kernel.h"
#include "win32/Module.h"
#include "w32test/Testing.h"
#include "win32/User.h"
#include "win32/Window.h"

namespace {

using w32test::ControlKind;
using w32test::DialogAction;

constexpr UINT kDialogTemplate = 300;
constexpr int kTitle = 301, kCheck = 302, kApply = 303, kDialogEdit = 304, kRich = 305, kLocked = 306;

// What a dialog procedure saw, in order.
struct Seen {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// The object behind the test dialogs: it keeps itself in DWL_USER from
// WM_INITDIALOG to WM_DESTROY and logs the messages it receives.
struct Probe {
  std::vector<Seen> seen;
  bool endOnCommand = true;  // a command from IDOK/IDCANCEL/kApply ends the dialog
  bool slotHeldThis = true;  // DWL_USER gave back this object on every message
  INT_PTR commandAnswer = 1;

  static INT_PTR Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    Probe* probe = nullptr;
    if (message == WM_INITDIALOG) {
      probe = reinterpret_cast<Probe*>(lParam);
      SetWindowLongPtrW(dialog, DWL_USER, lParam);
    } else {
      probe = reinterpret_cast<Probe*>(GetWindowLongPtrW(dialog, DWL_USER));
    }
    if (probe == nullptr) return 0;
    probe->seen.push_back(Seen{message, wParam, lParam});
    if (message != WM_INITDIALOG && reinterpret_cast<Probe*>(GetWindowLongPtrW(dialog, DWL_USER)) != probe) {
      probe->slotHeldThis = false;
    }
    if (message == WM_COMMAND) {
      const int id = LOWORD(wParam);
      if (probe->endOnCommand && (id == IDOK || id == IDCANCEL || id == kApply)) EndDialog(dialog, id);
      return probe->commandAnswer;
    }
    if (message == WM_DESTROY) SetWindowLongPtrW(dialog, DWL_USER, 0);
    return 0;
  }

  std::vector<UINT> Messages() const {
    std::vector<UINT> messages;
    for (const Seen& s : seen) messages.push_back(s.message);
    return messages;
  }
};

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    w32test::ModuleSpec spec;
    spec.name = u"QVRES.DLL";
    spec.dialogs[kDialogTemplate] = w32test::DialogSpec{
        u"Notice",
        {{kTitle, ControlKind::kStatic, u"title", false},
         {kCheck, ControlKind::kCheckBox, u"Do not show again", false},
         {kApply, ControlKind::kButton, u"Apply", false},
         {kDialogEdit, ControlKind::kEdit, u"", false},
         {kRich, ControlKind::kRichEdit, u"", false},
         {kLocked, ControlKind::kButton, u"Locked", true},
         {IDOK, ControlKind::kButton, u"OK", false}}};
    w32test::InstallModule(spec);
    module_ = reinterpret_cast<HINSTANCE>(LoadLibraryW(u"QVRES.DLL"));
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override { w32test::Reset(); }

  INT_PTR Run(Probe* probe, HWND owner = nullptr, UINT id = kDialogTemplate) {
    return DialogBoxParamW(module_, MAKEINTRESOURCEW(id), owner, &Probe::Procedure, reinterpret_cast<LPARAM>(probe));
  }

  HINSTANCE module_ = nullptr;
};

TEST_F(DialogTest, TheProcedureSeesInitThenTheScriptThenDestroy) {
  Probe probe;
  w32test::QueueDialogScript({DialogAction::Message(0x0400, 7, 9), DialogAction::Click(kApply)});
  EXPECT_EQ(Run(&probe), kApply);

  ASSERT_EQ(probe.Messages(), (std::vector<UINT>{WM_INITDIALOG, 0x0400, WM_COMMAND, WM_DESTROY}));
  // The init parameter is the whole pointer, and DWL_USER keeps it intact.
  EXPECT_EQ(probe.seen[0].lParam, reinterpret_cast<LPARAM>(&probe));
  EXPECT_TRUE(probe.slotHeldThis);
  EXPECT_EQ(probe.seen[1].wParam, 7u);
  EXPECT_EQ(probe.seen[1].lParam, 9);
  EXPECT_EQ(probe.seen[2].wParam, MAKEWPARAM(kApply, BN_CLICKED));
  EXPECT_NE(probe.seen[2].lParam, 0) << "the command names the button's window";

  const auto runs = w32test::DialogRuns();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].module, module_);
  EXPECT_EQ(runs[0].templateId, kDialogTemplate);
  EXPECT_TRUE(runs[0].finished);
  EXPECT_EQ(runs[0].result, kApply);
  // The dialog and its controls are gone after the run.
  EXPECT_EQ(GetDlgItem(runs[0].window, kTitle), nullptr);
  EXPECT_EQ(IsWindowEnabled(runs[0].window), FALSE);
}

TEST_F(DialogTest, WithoutAScriptTheDialogIsCancelledAndNeverBlocks) {
  Probe cancels;
  EXPECT_EQ(Run(&cancels), IDCANCEL);
  EXPECT_EQ(cancels.Messages(), (std::vector<UINT>{WM_INITDIALOG, WM_COMMAND, WM_DESTROY}));
  EXPECT_EQ(cancels.seen[1].wParam, MAKEWPARAM(IDCANCEL, BN_CLICKED));

  // A procedure that ignores Esc still ends, with IDCANCEL; so does one whose
  // script runs out.
  Probe stubborn;
  stubborn.endOnCommand = false;
  EXPECT_EQ(Run(&stubborn), IDCANCEL);
  Probe shortScript;
  shortScript.endOnCommand = false;
  w32test::QueueDialogScript({DialogAction::Click(kCheck)});
  EXPECT_EQ(Run(&shortScript), IDCANCEL);
  EXPECT_EQ(shortScript.Messages(), (std::vector<UINT>{WM_INITDIALOG, WM_COMMAND, WM_COMMAND, WM_DESTROY}));
}

TEST_F(DialogTest, CloseEndsWithItsIdEvenWhenTheProcedureDoesNot) {
  Probe stubborn;
  stubborn.endOnCommand = false;
  w32test::QueueDialogScript({DialogAction::Close(8), DialogAction::Click(kApply)});
  EXPECT_EQ(Run(&stubborn), 8);
  // The procedure was told; the actions after the end are not performed.
  EXPECT_EQ(stubborn.Messages(), (std::vector<UINT>{WM_INITDIALOG, WM_COMMAND, WM_DESTROY}));
  EXPECT_EQ(LOWORD(stubborn.seen[1].wParam), 8);
}

TEST_F(DialogTest, AProcedureThatEndsAtInitGetsNoActions) {
  struct Local {
    static INT_PTR Procedure(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
      if (message == WM_INITDIALOG) EndDialog(dialog, 1);
      if (message == WM_COMMAND) ++*reinterpret_cast<int*>(GetWindowLongPtrW(dialog, DWL_USER));
      if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWL_USER, lParam);
      return 0;
    }
  };
  int commands = 0;
  w32test::QueueDialogScript({DialogAction::Click(kApply)});
  EXPECT_EQ(DialogBoxParamW(module_, MAKEINTRESOURCEW(kDialogTemplate), nullptr, &Local::Procedure,
                            reinterpret_cast<LPARAM>(&commands)),
            1);
  EXPECT_EQ(commands, 0);
}

TEST_F(DialogTest, CheckBoxesFollowTheUserAndTheProgram) {
  Probe probe;
  std::vector<UINT> states;
  auto state = [&](HWND dialog) {
    states.push_back(IsDlgButtonChecked(dialog, kCheck));
    states.push_back(static_cast<UINT>(SendDlgItemMessageW(dialog, kCheck, BM_GETCHECK, 0, 0)));
  };
  w32test::QueueDialogScript({
      DialogAction::Inspect(state),
      DialogAction::Click(kCheck),  // the user checks it
      DialogAction::Inspect(state),
      DialogAction::SetCheck(kCheck, true),  // already checked: no click
      DialogAction::Inspect([](HWND dialog) { CheckDlgButton(dialog, kCheck, BST_UNCHECKED); }),
      DialogAction::Inspect(state),
      DialogAction::SetCheck(kCheck, true),  // clicks again
      DialogAction::Inspect([](HWND dialog) { SendDlgItemMessageW(dialog, kCheck, BM_SETCHECK, BST_CHECKED, 0); }),
      DialogAction::Inspect(state),
      DialogAction::Inspect([&](HWND dialog) {
        // A push button has no check; a missing control answers 0.
        states.push_back(IsDlgButtonChecked(dialog, kApply));
        SendDlgItemMessageW(dialog, kApply, BM_SETCHECK, BST_CHECKED, 0);
        states.push_back(IsDlgButtonChecked(dialog, kApply));
        EXPECT_EQ(CheckDlgButton(dialog, 999, BST_CHECKED), FALSE);
        states.push_back(IsDlgButtonChecked(dialog, 999));
      }),
      DialogAction::Close(IDOK),
  });
  EXPECT_EQ(Run(&probe), IDOK);
  EXPECT_EQ(states, (std::vector<UINT>{0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 0}));
  int clicks = 0;
  for (const Seen& s : probe.seen)
    if (s.message == WM_COMMAND && LOWORD(s.wParam) == kCheck) ++clicks;
  EXPECT_EQ(clicks, 2) << "only real changes are clicks";
  EXPECT_EQ(w32test::DialogRuns()[0].controls.at(kCheck).check, static_cast<UINT>(BST_CHECKED));
}

TEST_F(DialogTest, DisabledAndMissingControlsCannotBeClicked) {
  Probe probe;
  w32test::QueueDialogScript({DialogAction::Click(kLocked), DialogAction::Click(999), DialogAction::Click(kTitle),
                              DialogAction::SetCheck(kLocked, true),
                              DialogAction::Inspect([](HWND dialog) { EnableWindow(GetDlgItem(dialog, IDOK), FALSE); }),
                              DialogAction::Close(IDOK), DialogAction::Click(kApply)});
  EXPECT_EQ(Run(&probe), kApply);
  EXPECT_EQ(w32test::DialogRuns()[0].ignoredActions, 5);
  EXPECT_FALSE(w32test::DialogRuns()[0].controls.at(kLocked).enabled);
  EXPECT_FALSE(w32test::DialogRuns()[0].controls.at(IDOK).enabled);
}

TEST_F(DialogTest, TextsAreSetReadAndKept) {
  Probe probe;
  w32test::QueueDialogScript({DialogAction::Inspect([](HWND dialog) {
    EXPECT_EQ(SetDlgItemTextW(dialog, kTitle, u"Front Desk"), TRUE);
    EXPECT_EQ(SendDlgItemMessageW(dialog, kDialogEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(u"typed")), TRUE);
    WCHAR buffer[6] = {};
    EXPECT_EQ(GetDlgItemTextW(dialog, kTitle, buffer, 6), 5u);  // cut to the buffer
    EXPECT_EQ(std::u16string(buffer), u"Front");
    EXPECT_EQ(SendDlgItemMessageW(dialog, kTitle, WM_GETTEXTLENGTH, 0, 0), 10);
    WCHAR whole[32] = {};
    EXPECT_EQ(SendDlgItemMessageW(dialog, kDialogEdit, WM_GETTEXT, 32, reinterpret_cast<LPARAM>(whole)), 5);
    EXPECT_EQ(std::u16string(whole), u"typed");
    // The template's texts are there from the start.
    EXPECT_EQ(GetDlgItemTextW(dialog, kApply, whole, 32), 5u);
    EXPECT_EQ(std::u16string(whole), u"Apply");
    SetLastError(0);
    buffer[0] = u'x';
    EXPECT_EQ(GetDlgItemTextW(dialog, 999, buffer, 6), 0u);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CONTROL_ID_NOT_FOUND));
    EXPECT_EQ(SetDlgItemTextW(dialog, 999, u"lost"), FALSE);
    EXPECT_EQ(GetWindowTextW(dialog, whole, 32), 6);
    EXPECT_EQ(std::u16string(whole), u"Notice");
  })});
  Run(&probe);
  const auto controls = w32test::DialogRuns()[0].controls;
  EXPECT_EQ(controls.at(kTitle).text, u"Front Desk");
  EXPECT_EQ(controls.at(kDialogEdit).text, u"typed");
  EXPECT_EQ(controls.at(kDialogEdit).kind, ControlKind::kEdit);
  EXPECT_EQ(controls.size(), 7u);
}

TEST_F(DialogTest, TimersTickOnlyWhileSet) {
  struct Local {
    static INT_PTR Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
      auto* ticks = reinterpret_cast<std::vector<UINT_PTR>*>(GetWindowLongPtrW(dialog, DWL_USER));
      switch (message) {
        case WM_INITDIALOG:
          SetWindowLongPtrW(dialog, DWL_USER, lParam);
          EXPECT_EQ(SetTimer(dialog, 19283, 250, nullptr), 19283u);
          EXPECT_EQ(SetTimer(dialog, 7, 10, nullptr), 7u);
          return 1;
        case WM_TIMER:
          ticks->push_back(wParam);
          if (wParam == 7) {
            EXPECT_EQ(KillTimer(dialog, 7), TRUE);
          }
          return 0;
        case WM_DESTROY:
          KillTimer(dialog, 19283);
          return 0;
      }
      return 0;
    }
  };
  std::vector<UINT_PTR> ticks;
  w32test::QueueDialogScript({DialogAction::FireTimer(7), DialogAction::FireTimer(7), DialogAction::FireTimer(19283),
                              DialogAction::FireTimer(5), DialogAction::Close(IDOK)});
  EXPECT_EQ(DialogBoxParamW(module_, MAKEINTRESOURCEW(kDialogTemplate), nullptr, &Local::Procedure,
                            reinterpret_cast<LPARAM>(&ticks)),
            IDOK);
  EXPECT_EQ(ticks, (std::vector<UINT_PTR>{7, 19283}));
  const auto run = w32test::DialogRuns()[0];
  EXPECT_EQ(run.ignoredActions, 2);
  ASSERT_EQ(run.timers.size(), 2u);
  EXPECT_EQ(run.timers[0].id, 19283u);
  EXPECT_EQ(run.timers[0].elapse, 250u);
  EXPECT_TRUE(run.timers[0].killed);
  EXPECT_TRUE(run.timers[1].killed);
  // Timers need a window.
  SetLastError(0);
  EXPECT_EQ(SetTimer(nullptr, 1, 10, nullptr), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(SetTimer(run.window, 1, 10, nullptr), 0u);
  EXPECT_EQ(KillTimer(run.window, 19283), FALSE);
}

TEST_F(DialogTest, TheOwnerIsDisabledForTheRun) {
  HWND owner = w32test::CreateTestWindow(u"AppWindow", u"Editor");
  HWND other = w32test::CreateTestWindow(u"AppWindow", u"Palette");
  Probe probe;
  bool ownerEnabledDuringRun = true;
  w32test::QueueDialogScript({DialogAction::Inspect([&](HWND dialog) {
    ownerEnabledDuringRun = IsWindowEnabled(owner) != FALSE;
    EXPECT_EQ(GetParent(dialog), owner);
  })});
  Run(&probe, owner);
  EXPECT_FALSE(ownerEnabledDuringRun);
  EXPECT_EQ(IsWindowEnabled(owner), TRUE);
  EXPECT_TRUE(w32test::DialogRuns()[0].disabledWindows.empty());
  EXPECT_TRUE(w32test::EnableWindowCalls().empty()) << "the dialog manager's own disabling is no call";

  // An owner the caller disabled stays disabled after the run, and the run
  // lists what the caller disabled.
  EXPECT_EQ(EnableWindow(owner, FALSE), FALSE);
  EXPECT_EQ(EnableWindow(other, FALSE), FALSE);
  Run(&probe, owner);
  EXPECT_EQ(IsWindowEnabled(owner), FALSE);
  EXPECT_EQ(w32test::DialogRuns()[1].disabledWindows, (std::vector<HWND>{owner, other}));
  EXPECT_NE(EnableWindow(owner, TRUE), FALSE) << "it was disabled";
  ASSERT_EQ(w32test::EnableWindowCalls().size(), 3u);
  EXPECT_EQ(w32test::EnableWindowCalls()[2].window, owner);
  EXPECT_TRUE(w32test::EnableWindowCalls()[2].enable);
}

TEST_F(DialogTest, RunsThatCannotStart) {
  Probe probe;
  struct Case {
    const char* what;
    HINSTANCE module;
    LPCWSTR name;
    HWND owner;
    DLGPROC procedure;
    INT_PTR result;
    DWORD error;
  } cases[] = {
      {"missing template", module_, MAKEINTRESOURCEW(999), nullptr, &Probe::Procedure, -1,
       ERROR_RESOURCE_NAME_NOT_FOUND},
      {"named template", module_, u"NOTICE", nullptr, &Probe::Procedure, -1, ERROR_RESOURCE_NAME_NOT_FOUND},
      {"module not loaded", reinterpret_cast<HINSTANCE>(0x7770000), MAKEINTRESOURCEW(kDialogTemplate), nullptr,
       &Probe::Procedure, -1, ERROR_RESOURCE_DATA_NOT_FOUND},
      {"no procedure", module_, MAKEINTRESOURCEW(kDialogTemplate), nullptr, nullptr, -1, ERROR_INVALID_PARAMETER},
      {"owner is no window", module_, MAKEINTRESOURCEW(kDialogTemplate), reinterpret_cast<HWND>(0x12345), &Probe::Procedure,
       0, ERROR_INVALID_WINDOW_HANDLE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetLastError(0);
    EXPECT_EQ(DialogBoxParamW(c.module, c.name, c.owner, c.procedure, reinterpret_cast<LPARAM>(&probe)), c.result);
    EXPECT_EQ(GetLastError(), c.error);
  }
  EXPECT_TRUE(probe.seen.empty());
  EXPECT_TRUE(w32test::DialogRuns().empty());
  w32test::FailCall("DialogBoxParamW", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(Run(&probe), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(EndDialog(reinterpret_cast<HWND>(0x12345), 1), FALSE);
}

TEST_F(DialogTest, ADialogOpenedFromADialogTakesTheNextScript) {
  struct Local {
    static INT_PTR Outer(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
      if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWL_USER, lParam);
      if (message == WM_COMMAND && LOWORD(wParam) == kApply) {
        auto* inner = reinterpret_cast<Probe*>(GetWindowLongPtrW(dialog, DWL_USER));
        HINSTANCE module = reinterpret_cast<HINSTANCE>(GetModuleHandleW(u"QVRES.DLL"));
        const INT_PTR answer = DialogBoxParamW(module, MAKEINTRESOURCEW(kDialogTemplate), dialog, &Probe::Procedure,
                                               reinterpret_cast<LPARAM>(inner));
        EndDialog(dialog, answer + 100);
      }
      return 0;
    }
  };
  Probe inner;
  w32test::QueueDialogScript({DialogAction::Click(kApply)});
  w32test::QueueDialogScript({DialogAction::Close(IDOK)});
  EXPECT_EQ(DialogBoxParamW(module_, MAKEINTRESOURCEW(kDialogTemplate), nullptr, &Local::Outer,
                            reinterpret_cast<LPARAM>(&inner)),
            101);
  const auto runs = w32test::DialogRuns();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[1].owner, runs[0].window);
  EXPECT_EQ(runs[1].result, IDOK);
  EXPECT_TRUE(runs[1].disabledWindows.empty()) << "the outer dialog's disabled button is no window of its caller's";
}

TEST_F(DialogTest, ControlsCarryTheDialogFontAndRichEditsTheirBackground) {
  Probe probe;
  w32test::QueueDialogScript({DialogAction::Inspect([](HWND dialog) {
    HFONT font = reinterpret_cast<HFONT>(SendDlgItemMessageW(dialog, kTitle, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTW description{};
    EXPECT_EQ(GetObjectW(font, 0, nullptr), static_cast<int>(sizeof description));
    EXPECT_EQ(GetObjectW(font, 10, &description), 0);
    ASSERT_EQ(GetObjectW(font, sizeof description, &description), static_cast<int>(sizeof description));
    EXPECT_EQ(description.lfWeight, FW_NORMAL);
    description.lfWeight = FW_BOLD;
    HFONT bold = CreateFontIndirectW(&description);
    SendDlgItemMessageW(dialog, kRich, WM_SETFONT, reinterpret_cast<WPARAM>(bold), TRUE);
    EXPECT_EQ(static_cast<DWORD>(SendDlgItemMessageW(dialog, kRich, EM_SETBKGNDCOLOR, 0, GetSysColor(COLOR_BTNFACE))),
              GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(SendDlgItemMessageW(dialog, kDialogEdit, EM_SETBKGNDCOLOR, 0, 5), 0) << "a plain edit has no such message";
  })});
  const int fontsBefore = w32test::LiveFontCount();
  Run(&probe);
  const auto controls = w32test::DialogRuns()[0].controls;
  ASSERT_TRUE(controls.at(kRich).fontKnown);
  EXPECT_EQ(controls.at(kRich).fontDescription.lfWeight, FW_BOLD);
  EXPECT_EQ(controls.at(kTitle).fontDescription.lfWeight, FW_NORMAL);
  EXPECT_TRUE(controls.at(kRich).backgroundSet);
  EXPECT_EQ(controls.at(kRich).background, GetSysColor(COLOR_BTNFACE));
  EXPECT_FALSE(controls.at(kDialogEdit).backgroundSet);
  // The dialog's own font went with it; the program's bold font is its own.
  EXPECT_EQ(w32test::LiveFontCount(), fontsBefore + 1);
  EXPECT_EQ(DeleteObject(controls.at(kRich).font), TRUE);
}

TEST_F(DialogTest, AHandledMessageAnswersTheResultSlot) {
  Probe probe;
  probe.endOnCommand = false;
  LRESULT answered = -1;
  w32test::QueueDialogScript({DialogAction::Inspect([&](HWND dialog) {
    EXPECT_EQ(SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 42), 0);
    answered = SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kDialogEdit, 0), 0);
  })});
  Run(&probe);
  EXPECT_EQ(answered, 42);
}

TEST_F(DialogTest, HelpCallsAreRecorded) {
  EXPECT_EQ(WinHelpA(nullptr, "C:\\HELP\\QVHELP.HLP", HELP_CONTEXT, 435), TRUE);
  EXPECT_EQ(WinHelpA(nullptr, "", HELP_CONTEXT, 1), FALSE);
  EXPECT_EQ(WinHelpA(nullptr, nullptr, HELP_QUIT, 0), FALSE);
  const auto calls = w32test::HelpCalls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].file, "C:\\HELP\\QVHELP.HLP");
  EXPECT_EQ(calls[0].command, static_cast<UINT>(HELP_CONTEXT));
  EXPECT_EQ(calls[0].data, 435u);
  w32test::Reset();
  EXPECT_TRUE(w32test::HelpCalls().empty());
}

TEST_F(DialogTest, WindowsHaveParentsTitlesAndDialogSlots) {
  HWND sheet = w32test::CreateTestWindow(u"#32770", u"Front Desk Properties");
  HWND page = w32test::CreateTestWindow(u"#32770", u"", nullptr, sheet);
  HWND plain = w32test::CreateTestWindow(u"AppWindow", u"Editor");
  EXPECT_EQ(GetParent(page), sheet);
  EXPECT_EQ(GetParent(sheet), nullptr);
  EXPECT_EQ(FindWindowW(nullptr, u"Front Desk Properties"), sheet);

  WCHAR title[8] = {};
  EXPECT_EQ(GetWindowTextW(sheet, title, 8), 7);
  EXPECT_EQ(std::u16string(title), u"Front D");
  EXPECT_EQ(SetWindowTextW(sheet, u"Front Desk Properties - Quarrin"), TRUE);
  EXPECT_EQ(FindWindowW(nullptr, u"Front Desk Properties - Quarrin"), sheet);

  EXPECT_EQ(SetWindowLongPtrW(page, DWL_USER, reinterpret_cast<LONG_PTR>(&title)), 0);
  EXPECT_EQ(GetWindowLongPtrW(page, DWL_USER), reinterpret_cast<LONG_PTR>(&title));
  SetLastError(0);
  EXPECT_EQ(SetWindowLongPtrW(plain, DWL_USER, 5), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
  EXPECT_EQ(GetWindowLongPtrW(page, 16), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));

  w32test::DestroyTestWindow(page);
  SetLastError(0);
  EXPECT_EQ(GetParent(page), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_EQ(EnableWindow(page, FALSE), FALSE);
  EXPECT_EQ(SetWindowTextW(page, u"x"), FALSE);
  EXPECT_EQ(GetWindowLongPtrW(page, DWL_USER), 0);
}

// A modal dialog runs on the thread that opens it, as the job-storage
// notice does on a thread of its own; the script queued by the test reaches it.
TEST_F(DialogTest, ADialogRunsOnTheThreadThatOpensIt) {
  struct Job {
    HINSTANCE module;
    Probe probe;
    INT_PTR result = 0;
  } job{module_, {}, 0};
  w32test::QueueDialogScript({DialogAction::Click(kApply)});
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](void* context) -> DWORD {
        auto* j = static_cast<Job*>(context);
        j->result = DialogBoxParamW(j->module, MAKEINTRESOURCEW(kDialogTemplate), nullptr, &Probe::Procedure,
                                    reinterpret_cast<LPARAM>(&j->probe));
        return 0;
      },
      &job, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  EXPECT_EQ(job.result, kApply);
}

}  // namespace
