// The stand-in's list, edit and up-down controls and the user actions on
// them: combo and list box messages with their errors, what a scripted
// selection, typing or spin sends the dialog, visibility, and finding the
// control under a point.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win32/Dialog.h"
#include "win32/Kernel.h"
#include "win32/Module.h"
#include "w32test/Testing.h"
#include "win32/User.h"
#include "win32/Window.h"

namespace {

using w32test::ControlKind;
using w32test::DialogAction;

constexpr UINT kTemplate = 500;
constexpr int kCombo = 501, kList = 502, kMulti = 503, kEdit = 504, kSpin = 505, kHidden = 506, kGrey = 507;

// Every WM_COMMAND and WM_NOTIFY the dialog received; refuses spins while
// `refuseSpin` is set.
struct Recorder {
  std::vector<std::pair<int, int>> commands;  // {id, notification}
  std::vector<NMUPDOWN> spins;
  bool refuseSpin = false;

  static INT_PTR Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWL_USER, lParam);
    auto* self = reinterpret_cast<Recorder*>(GetWindowLongPtrW(dialog, DWL_USER));
    if (self == nullptr) return 0;
    if (message == WM_COMMAND) self->commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
    if (message == WM_NOTIFY) {
      const auto* change = reinterpret_cast<const NMUPDOWN*>(lParam);
      if (change->hdr.code == UDN_DELTAPOS) {
        self->spins.push_back(*change);
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, self->refuseSpin ? 1 : 0);
        return 1;
      }
    }
    return 0;
  }
};

class DialogControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    w32test::ModuleSpec spec;
    spec.name = u"QVCTLS.DLL";
    spec.dialogs[kTemplate] = w32test::DialogSpec{u"Controls",
                                                  {{kCombo, ControlKind::kComboBox, u"", false, false, 0, 0, 80, 12},
                                                   {kList, ControlKind::kListBox, u"", false, false, 0, 20, 80, 40},
                                                   {kMulti, ControlKind::kMultiSelectListBox, u"", false},
                                                   {kEdit, ControlKind::kEdit, u"", false},
                                                   {kSpin, ControlKind::kUpDown, u"", false},
                                                   {kHidden, ControlKind::kComboBox, u"", false, true},
                                                   {kGrey, ControlKind::kListBox, u"", true}},
                                                  100,
                                                  80};
    w32test::InstallModule(spec);
    module_ = reinterpret_cast<HINSTANCE>(LoadLibraryW(u"QVCTLS.DLL"));
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override { w32test::Reset(); }

  w32test::DialogRun Run(Recorder* recorder, std::vector<DialogAction> script) {
    w32test::QueueDialogScript(std::move(script));
    DialogBoxParamW(module_, MAKEINTRESOURCEW(kTemplate), nullptr, &Recorder::Procedure,
                    reinterpret_cast<LPARAM>(recorder));
    return w32test::DialogRuns().back();
  }
  // Fills the combo box and both lists with the same three items.
  static DialogAction Fill() {
    return DialogAction::Inspect([](HWND dialog) {
      for (const char16_t* text : {u"Letter", u"Legal", u"A4"}) {
        SendDlgItemMessageW(dialog, kCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        SendDlgItemMessageW(dialog, kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        SendDlgItemMessageW(dialog, kMulti, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        SendDlgItemMessageW(dialog, kHidden, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        SendDlgItemMessageW(dialog, kGrey, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
      }
    });
  }

  HINSTANCE module_ = nullptr;
};

TEST_F(DialogControlsTest, ComboBoxMessagesKeepItemsDataAndSelection) {
  Recorder recorder;
  const w32test::DialogRun run = Run(&recorder, {Fill(), DialogAction::Inspect([](HWND dialog) {
    auto send = [dialog](UINT message, WPARAM wParam, LPARAM lParam) {
      return SendDlgItemMessageW(dialog, kCombo, message, wParam, lParam);
    };
    EXPECT_EQ(send(CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(send(CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(send(CB_SETITEMDATA, 1, 260), CB_OKAY);
    EXPECT_EQ(send(CB_SETITEMDATA, 3, 1), CB_ERR);
    EXPECT_EQ(send(CB_GETITEMDATA, 1, 0), 260);
    EXPECT_EQ(send(CB_GETITEMDATA, 7, 0), CB_ERR);
    EXPECT_EQ(send(CB_GETLBTEXTLEN, 0, 0), 6);
    EXPECT_EQ(send(CB_GETLBTEXTLEN, 3, 0), CB_ERR);
    WCHAR text[8] = {};
    EXPECT_EQ(send(CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text)), 5);
    EXPECT_EQ(std::u16string(text), u"Legal");
    EXPECT_EQ(send(CB_GETLBTEXT, 3, reinterpret_cast<LPARAM>(text)), CB_ERR);
    // Selecting shows the item in the edit field; an index out of range clears both.
    EXPECT_EQ(send(CB_SETCURSEL, 2, 0), 2);
    EXPECT_EQ(send(CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(send(WM_GETTEXTLENGTH, 0, 0), 2);
    EXPECT_EQ(send(CB_SETCURSEL, 5, 0), CB_ERR);
    EXPECT_EQ(send(CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(send(WM_GETTEXTLENGTH, 0, 0), 0);
    // Deleting before the selection moves it; deleting it clears it.
    send(CB_SETCURSEL, 2, 0);
    EXPECT_EQ(send(CB_DELETESTRING, 0, 0), 2);
    EXPECT_EQ(send(CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(send(CB_DELETESTRING, 1, 0), 1);
    EXPECT_EQ(send(CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(send(CB_DELETESTRING, 4, 0), CB_ERR);
    EXPECT_EQ(send(CB_SETDROPPEDWIDTH, 120, 0), 120);
    EXPECT_EQ(send(CB_GETDROPPEDWIDTH, 0, 0), 120);
    // List messages mean nothing to a combo box.
    EXPECT_EQ(send(LB_GETCOUNT, 0, 0), 0);
  })});
  const w32test::ControlState& combo = run.controls.at(kCombo);
  EXPECT_EQ(combo.items, (std::vector<std::u16string>{u"Legal"}));
  EXPECT_EQ(combo.itemData, (std::vector<LONG_PTR>{260}));
  EXPECT_EQ(combo.droppedWidth, 120);
}

TEST_F(DialogControlsTest, ListBoxesSelectOneOrMany) {
  Recorder recorder;
  const w32test::DialogRun run = Run(&recorder, {Fill(), DialogAction::Inspect([](HWND dialog) {
    EXPECT_EQ(SendDlgItemMessageW(dialog, kList, LB_SETCURSEL, 1, 0), 1);
    EXPECT_EQ(SendDlgItemMessageW(dialog, kList, LB_GETSEL, 1, 0), 1);
    EXPECT_EQ(SendDlgItemMessageW(dialog, kList, LB_GETSELCOUNT, 0, 0), LB_ERR);
    EXPECT_EQ(SendDlgItemMessageW(dialog, kList, LB_SETSEL, TRUE, 0), LB_ERR);
    // A multiple-selection box: LB_SETSEL, with -1 for every item.
    EXPECT_EQ(SendDlgItemMessageW(dialog, kMulti, LB_SETCURSEL, 1, 0), LB_ERR);
    EXPECT_EQ(SendDlgItemMessageW(dialog, kMulti, LB_SETSEL, TRUE, -1), LB_OKAY);
    EXPECT_EQ(SendDlgItemMessageW(dialog, kMulti, LB_SETSEL, FALSE, 1), LB_OKAY);
    EXPECT_EQ(SendDlgItemMessageW(dialog, kMulti, LB_SETSEL, TRUE, 3), LB_ERR);
    EXPECT_EQ(SendDlgItemMessageW(dialog, kMulti, LB_GETSELCOUNT, 0, 0), 2);
    INT selected[1] = {-5};
    // At most as many indexes as the buffer holds.
    EXPECT_EQ(SendDlgItemMessageW(dialog, kMulti, LB_GETSELITEMS, 1, reinterpret_cast<LPARAM>(selected)), 1);
    EXPECT_EQ(selected[0], 0);
  })});
  EXPECT_EQ(run.controls.at(kList).selection, 1);
  EXPECT_EQ(run.controls.at(kMulti).selectedItems, (std::vector<int>{0, 2}));
}

TEST_F(DialogControlsTest, SelectionsTypingAndSpinsNotifyTheDialog) {
  Recorder recorder;
  const w32test::DialogRun run = Run(
      &recorder, {Fill(), DialogAction::Inspect([](HWND dialog) {
                    SendDlgItemMessageW(dialog, kEdit, EM_LIMITTEXT, 4, 0);
                    SendDlgItemMessageW(dialog, kSpin, UDM_SETRANGE, 0, MAKELPARAM(10, 1));
                    SendDlgItemMessageW(dialog, kSpin, UDM_SETPOS, 0, MAKELPARAM(9, 0));
                  }),
                  DialogAction::Select(kCombo, 1), DialogAction::Select(kList, 2),
                  DialogAction::SetSelected(kMulti, 0, true), DialogAction::Type(kEdit, u"123456"),
                  DialogAction::Type(kCombo, u"Custom"), DialogAction::Spin(kSpin, 3),
                  DialogAction::Inspect([&recorder](HWND) { recorder.refuseSpin = true; }),
                  DialogAction::Spin(kSpin, -4)});
  EXPECT_EQ(recorder.commands, (std::vector<std::pair<int, int>>{{kCombo, CBN_SELCHANGE},
                                                                  {kList, LBN_SELCHANGE},
                                                                  {kMulti, LBN_SELCHANGE},
                                                                  {kEdit, EN_CHANGE},
                                                                  {kCombo, CBN_EDITCHANGE},
                                                                  {IDCANCEL, BN_CLICKED}}));
  ASSERT_EQ(recorder.spins.size(), 2u);
  EXPECT_EQ(recorder.spins[0].hdr.idFrom, static_cast<UINT_PTR>(kSpin));
  EXPECT_EQ(recorder.spins[0].iPos, 9);
  EXPECT_EQ(recorder.spins[0].iDelta, 3);
  EXPECT_EQ(recorder.spins[1].iPos, 10) << "the first spin stopped at the top of the range";
  EXPECT_EQ(run.controls.at(kSpin).position, 10) << "the refused spin did not move";
  EXPECT_EQ(run.controls.at(kCombo).selection, 1);
  EXPECT_EQ(run.controls.at(kCombo).text, u"Custom");
  EXPECT_EQ(run.controls.at(kList).selection, 2);
  EXPECT_EQ(run.controls.at(kMulti).selectedItems, (std::vector<int>{0}));
  EXPECT_EQ(run.controls.at(kEdit).text, u"1234") << "cut to the edit's limit";
  EXPECT_EQ(run.ignoredActions, 0);
}

TEST_F(DialogControlsTest, ActionsAUserCannotMakeAreIgnored) {
  Recorder recorder;
  const w32test::DialogRun run =
      Run(&recorder, {Fill(), DialogAction::Select(kHidden, 0), DialogAction::Select(kGrey, 0),
                      DialogAction::Select(kCombo, 3), DialogAction::Select(kEdit, 0),
                      DialogAction::SetSelected(kList, 0, true), DialogAction::SetSelected(kMulti, 9, true),
                      DialogAction::Type(kSpin, u"1"), DialogAction::Spin(kEdit, 1), DialogAction::Select(999, 0)});
  EXPECT_EQ(run.ignoredActions, 9);
  EXPECT_EQ(recorder.commands.size(), 1u) << "only the closing Esc";
}

TEST_F(DialogControlsTest, ShownAndHiddenWindowsAndTheControlUnderAPoint) {
  Recorder recorder;
  const w32test::DialogRun run = Run(&recorder, {DialogAction::Inspect([](HWND dialog) {
    HWND combo = GetDlgItem(dialog, kCombo);
    HWND list = GetDlgItem(dialog, kList);
    EXPECT_TRUE(IsWindowVisible(combo));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, kHidden)));
    EXPECT_NE(ShowWindow(combo, SW_HIDE), FALSE) << "it was visible";
    EXPECT_FALSE(IsWindowVisible(combo));
    EXPECT_EQ(ShowWindow(combo, SW_SHOW), FALSE);
    EXPECT_EQ(ShowWindow(nullptr, SW_SHOW), FALSE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    // Hidden and disabled controls are found too.
    ShowWindow(list, SW_HIDE);
    EXPECT_EQ(ChildWindowFromPoint(dialog, POINT{5, 5}), combo);
    EXPECT_EQ(ChildWindowFromPoint(dialog, POINT{79, 59}), list);
    EXPECT_EQ(ChildWindowFromPoint(dialog, POINT{80, 59}), dialog) << "in the dialog, on no control";
    EXPECT_EQ(ChildWindowFromPoint(dialog, POINT{100, 10}), nullptr) << "outside";
    EXPECT_EQ(ChildWindowFromPoint(dialog, POINT{-1, 10}), nullptr);
    EXPECT_EQ(ChildWindowFromPoint(nullptr, POINT{5, 5}), nullptr);
  })});
  EXPECT_TRUE(run.controls.at(kCombo).visible);
  EXPECT_FALSE(run.controls.at(kList).visible);
}

}  // namespace
