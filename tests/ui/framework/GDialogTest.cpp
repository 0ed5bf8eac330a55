// The dialog base and the control wrappers run through the stand-in's dialog
// manager on a UI session: controls take their first states from the
// settings, user actions write the settings inside update cycles with their
// changes logged, a rule's availability greys and hides controls, and a
// rule's own change reaches the other wrappers in the same cycle. Help,
// mouse and notification routing, and the wrappers' show/enable bookkeeping.
#include "ui/framework/GDialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/UISessionFixture.h"
#include "ui/framework/GComboBox.h"
#include "ui/framework/GFeatureAccessor.h"
#include "ui/framework/GUIRule.h"
#include "ui/framework/GWrapper.h"
#include "win32/CompStui.h"
#include "win32/Dialog.h"
#include "win32/Kernel.h"
#include "win32/Module.h"
#include "win32/User.h"
#include "win32/Window.h"
#include "w32test/Testing.h"

namespace uisession {
namespace {

using w32test::ControlKind;
using w32test::DialogAction;

constexpr UINT kTemplate = 4100;
constexpr int kDuplexCheck = 4101;
constexpr int kCopiesEdit = 4102;
constexpr int kCopiesLabel = 4103;
constexpr int kPaperCombo = 4104;
constexpr int kSpare = 4105;  // a control no wrapper owns
constexpr int kCopiesSpin = 4106;
constexpr int kHighId = 0x9001;  // an id that is negative as a short
constexpr int kMissing = 4199;  // a control the template lacks
constexpr int16_t kHelpContext = 321;

// UI-state keys the fake rule writes: availability of the copies controls.
constexpr int32_t kCopiesAvailability = 0x40000100;

// Ids seen by the fake rule in each OnChange, with the force flag.
struct RuleLog {
  std::vector<std::vector<int32_t>> changes;
  std::vector<int> forces;
  int inits = 0;
};

// Duplex greys the copies; with the paper set to 5 (a paper that cannot be
// printed on both sides) it hides them and turns duplex off.
class FakeDuplexRule : public GUIRule {
 public:
  FakeDuplexRule(GUISession* session, RuleLog* log) : GUIRule(session), log_(log) {}
  void Init() override {
    ++log_->inits;
    ClearValue(&kCopiesAvailability);
  }
  void OnChange(const std::list<int32_t>& changed, int force) override {
    log_->changes.emplace_back(changed.begin(), changed.end());
    log_->forces.push_back(force);
    GSettingsView view = session_->GetSettingsView();
    int duplex = 0;
    int paper = 0;
    view.GetInt(&kDuplex, &duplex);
    view.GetInt(&kPaperSize, &paper);
    if (paper == 5 && duplex != 0) {
      view.SetInt(&kDuplex, 0);
      duplex = 0;
    }
    // Written once, so that an unchanged level wakes no rule.
    const int16_t level = paper == 5 ? GWrapper::kHidden : duplex != 0 ? GWrapper::kShownDisabled : 0;
    session_->GetUIStateView().SetInt(&kCopiesAvailability, level);
  }

 private:
  RuleLog* log_;
};

// A keyed accessor whose availability is a UI-state key.
class StateAccessor : public GKeyedFeatureAccessor {
 public:
  StateAccessor(GUISession* session, int32_t id, int32_t availabilityKey)
      : GKeyedFeatureAccessor(session, &id), availabilityKey_(availabilityKey) {}
  int16_t GetAvailability() override { return ReadValue(&availabilityKey_); }

 private:
  int32_t availabilityKey_;
};

// What the wrappers saw, shared by the test.
struct WrapperLog {
  std::vector<int16_t> nestingAtMessage;  // the session's update nesting in OnMessage
  std::vector<UINT> messages;
  int setCalls = 0;
  int forcedSetCalls = 0;
};

// A check box bound to a 0/1 feature.
class CheckWrapper : public GWrapper {
 public:
  CheckWrapper(GKeyedFeatureAccessor* accessor, const GControlRow* table, WrapperLog* log)
      : GWrapper(accessor, table), keyed_(accessor), log_(log) {}
  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    log_->messages.push_back(message);
    log_->nestingAtMessage.push_back(keyed_->GetSession()->GetUpdateNesting());
    if (message == WM_COMMAND && HIWORD(wParam) != BN_CLICKED) return 0;
    return GWrapper::OnMessage(message, wParam, lParam);
  }
  void SetControlFromFeature(int force) override {
    ++log_->setCalls;
    if (force == 0 && keyed_->HasChanged() == 0) return;
    ++log_->forcedSetCalls;
    CheckDlgButton(GetDialogHwnd(), GetControlId(0), keyed_->GetValue() != 0 ? BST_CHECKED : BST_UNCHECKED);
  }
  void ReadControlIntoFeature() override {
    keyed_->SetValue(IsDlgButtonChecked(GetDialogHwnd(), GetControlId(0)) == BST_CHECKED ? 1 : 0);
  }
  void RefreshAvailability() override { ApplyAvailability(keyed_->GetAvailability()); }

 private:
  GKeyedFeatureAccessor* keyed_;
  WrapperLog* log_;
};

// An edit (and its label) showing a number; availability from the rule.
class NumberWrapper : public GWrapper {
 public:
  NumberWrapper(GKeyedFeatureAccessor* accessor, const GControlRow* table)
      : GWrapper(accessor, table), keyed_(accessor) {}
  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_COMMAND && HIWORD(wParam) != EN_CHANGE) return 0;
    return GWrapper::OnMessage(message, wParam, lParam);
  }
  void SetControlFromFeature(int force) override {
    if (force == 0 && keyed_->HasChanged() == 0) return;
    const std::u16string text = [](int v) {
      std::string s = std::to_string(v);
      return std::u16string(s.begin(), s.end());
    }(keyed_->GetValue());
    SetDlgItemTextW(GetDialogHwnd(), GetControlId(0), text.c_str());
  }
  void ReadControlIntoFeature() override {
    WCHAR text[16] = {};
    GetDlgItemTextW(GetDialogHwnd(), GetControlId(0), text, 16);
    int value = 0;
    for (const WCHAR* c = text; *c >= u'0' && *c <= u'9'; ++c) value = value * 10 + (*c - u'0');
    keyed_->SetValue(static_cast<int16_t>(value));
  }
  void RefreshAvailability() override { ApplyAvailability(keyed_->GetAvailability()); }

 private:
  GKeyedFeatureAccessor* keyed_;
};

// A combo box of papers, item data the paper id.
class PaperWrapper : public GWrapper {
 public:
  PaperWrapper(GKeyedFeatureAccessor* accessor, const GControlRow* table)
      : GWrapper(accessor, table), keyed_(accessor) {}
  void OnAttach() override {
    combo_.Attach(GetDialogHwnd(), static_cast<int16_t>(GetControlId(0)));
    combo_.ResetContent();
    combo_.AddStringWithData(RWWString(u"Letter"), 1);
    combo_.AddStringWithData(RWWString(u"Legal"), 5);
    combo_.AddStringWithData(RWWString(u"A4"), 9);
  }
  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_COMMAND && HIWORD(wParam) != CBN_SELCHANGE) return 0;
    return GWrapper::OnMessage(message, wParam, lParam);
  }
  void SetControlFromFeature(int force) override {
    if (force != 0 || keyed_->HasChanged() != 0) combo_.SelectByItemData(keyed_->GetValue());
  }
  void ReadControlIntoFeature() override {
    const int data = combo_.GetSelectedItemData();
    if (data >= 0) keyed_->SetValue(static_cast<int16_t>(data));
  }
  void RefreshAvailability() override { ApplyAvailability(keyed_->GetAvailability()); }

 private:
  GKeyedFeatureAccessor* keyed_;
  GComboBox combo_;
};

const GControlRow kDuplexRows[] = {{kDuplexCheck, 1001}, {0, 0}};
const GControlRow kCopiesRows[] = {{kCopiesEdit, 1002}, {kCopiesLabel, -1}, {0, 0}};
const GControlRow kPaperRows[] = {{kPaperCombo, 1003}, {0, 0}};

// The window procedure a page or modal dialog gives the dialog base: the
// object in DWL_USER from WM_INITDIALOG to WM_DESTROY.
INT_PTR TestDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  GDialog* dialog = nullptr;
  if (message == WM_INITDIALOG) {
    dialog = reinterpret_cast<GDialog*>(lParam);
    if (dialog == nullptr) return 0;
    dialog->SetHwnd(window);
    SetWindowLongPtrW(window, DWL_USER, lParam);
  } else {
    dialog = reinterpret_cast<GDialog*>(GetWindowLongPtrW(window, DWL_USER));
    if (dialog == nullptr) return 0;
  }
  const INT_PTR result = dialog->DialogProc(message, wParam, lParam);
  if (message == WM_DESTROY) SetWindowLongPtrW(window, DWL_USER, 0);
  return result;
}

class GDialogTest : public UISessionTest {
 protected:
  void SetUp() override {
    UISessionTest::SetUp();
    w32test::ModuleSpec spec;
    spec.name = u"QVDLGRES.DLL";
    w32test::DialogSpec page{u"Basics",
                             {{kDuplexCheck, ControlKind::kCheckBox, u"Print on both sides", false, false, 10, 10, 100, 12},
                              {kCopiesEdit, ControlKind::kEdit, u"", false, false, 10, 30, 40, 12},
                              {kCopiesLabel, ControlKind::kStatic, u"Copies", false, false, 60, 30, 40, 12},
                              {kPaperCombo, ControlKind::kComboBox, u"", false, false, 10, 50, 100, 60},
                              {kSpare, ControlKind::kButton, u"More", false, false, 10, 120, 40, 14},
                              {kCopiesSpin, ControlKind::kUpDown, u"", false},
                              {kHighId, ControlKind::kCheckBox, u"Landscape", false},
                              {GDialog::kHelpButton, ControlKind::kButton, u"Help", false},
                              {IDOK, ControlKind::kButton, u"OK", false}},
                             200,
                             150};
    spec.dialogs[kTemplate] = page;
    w32test::InstallModule(spec);
    module_ = reinterpret_cast<HINSTANCE>(LoadLibraryW(u"QVDLGRES.DLL"));
    ASSERT_NE(module_, nullptr);
    session_->AddRule(new FakeDuplexRule(session_.get(), &rules_));
  }

  std::unique_ptr<GDialog> MakeDialog(bool helpTable = false) {
    auto dialog = std::make_unique<GDialog>(static_cast<int16_t>(kTemplate), session_.get(), 1, kHelpContext);
    dialog->AddWrapper(new CheckWrapper(new GKeyedFeatureAccessor(session_.get(), &kDuplex), kDuplexRows, &log_));
    dialog->AddWrapper(new NumberWrapper(new StateAccessor(session_.get(), kCopies, kCopiesAvailability), kCopiesRows));
    dialog->AddWrapper(new PaperWrapper(new GKeyedFeatureAccessor(session_.get(), &kPaperSize), kPaperRows));
    if (helpTable) dialog->BuildHelpTable();
    return dialog;
  }

  w32test::DialogRun Run(GDialog* dialog, std::vector<DialogAction> script) {
    script.push_back(DialogAction::Close(IDOK));
    w32test::QueueDialogScript(std::move(script));
    DialogBoxParamW(module_, MAKEINTRESOURCEW(kTemplate), nullptr, &TestDialogProc, reinterpret_cast<LPARAM>(dialog));
    const auto runs = w32test::DialogRuns();
    return runs.empty() ? w32test::DialogRun() : runs.back();
  }

  // Runs the dialog template with a procedure that does nothing, for a
  // check on its live controls.
  void Inspect(std::function<void(HWND)> check) {
    w32test::QueueDialogScript({DialogAction::Inspect(std::move(check))});
    DialogBoxParamW(module_, MAKEINTRESOURCEW(kTemplate), nullptr, &NoProcedure, 0);
  }
  static INT_PTR NoProcedure(HWND, UINT, WPARAM, LPARAM) { return 0; }

  int UIState(int32_t key) {
    int value = -9999;
    session_->GetUIStateView().GetInt(&key, &value);
    return value;
  }

  HINSTANCE module_ = nullptr;
  RuleLog rules_;
  WrapperLog log_;
};

TEST_F(GDialogTest, ControlsStartFromTheSettingsAndTheRules) {
  Set(kDuplex, 1);
  Set(kCopies, 3);
  Set(kPaperSize, 9);
  auto dialog = MakeDialog();
  const w32test::DialogRun run = Run(dialog.get(), {});
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.controls.at(kDuplexCheck).check, static_cast<UINT>(BST_CHECKED));
  EXPECT_EQ(run.controls.at(kCopiesEdit).text, u"3");
  EXPECT_EQ(run.controls.at(kPaperCombo).selection, 2);
  EXPECT_EQ(run.controls.at(kPaperCombo).text, u"A4");
  EXPECT_EQ(run.controls.at(kPaperCombo).itemData, (std::vector<LONG_PTR>{1, 5, 9}));
  // Duplex is on: the rule greyed both copies controls, the rest is usable.
  EXPECT_FALSE(run.controls.at(kCopiesEdit).enabled);
  EXPECT_FALSE(run.controls.at(kCopiesLabel).enabled);
  EXPECT_TRUE(run.controls.at(kCopiesEdit).visible);
  EXPECT_TRUE(run.controls.at(kDuplexCheck).enabled);
  // WM_INITDIALOG ran a forced revalidation.
  EXPECT_EQ(rules_.inits, 1);
  ASSERT_FALSE(rules_.forces.empty());
  EXPECT_EQ(rules_.forces.front(), 1);
  EXPECT_EQ(session_->GetUpdateNesting(), 0);
}

TEST_F(GDialogTest, AClickWritesTheSettingInsideAnUpdateCycleAndTheRuleGreysTheCopies) {
  auto dialog = MakeDialog();
  std::vector<int32_t> loggedDuring;
  bool copiesEnabledBefore = false;
  bool copiesEnabledAfter = true;
  const w32test::DialogRun run =
      Run(dialog.get(), {DialogAction::Inspect([&](HWND window) {
                           copiesEnabledBefore = IsWindowEnabled(GetDlgItem(window, kCopiesEdit)) != FALSE;
                         }),
                         DialogAction::Click(kDuplexCheck), DialogAction::Inspect([&](HWND window) {
                           copiesEnabledAfter = IsWindowEnabled(GetDlgItem(window, kCopiesEdit)) != FALSE;
                           for (const GChangeRecord* record : session_->GetChangeLog())
                             loggedDuring.push_back(record->GetFeatureId());
                         })});
  EXPECT_TRUE(copiesEnabledBefore);
  EXPECT_FALSE(copiesEnabledAfter);
  EXPECT_EQ(ValueOf(kDuplex), 1);
  // The change of the click is logged; the cycle is closed afterwards.
  EXPECT_NE(std::find(loggedDuring.begin(), loggedDuring.end(), kDuplex), loggedDuring.end());
  ASSERT_FALSE(log_.nestingAtMessage.empty());
  EXPECT_EQ(log_.nestingAtMessage.back(), 1);
  EXPECT_EQ(session_->GetUpdateNesting(), 0);
  EXPECT_EQ(UIState(kCopiesAvailability), 1);
  // The rule saw the click's change (not forced).
  ASSERT_GE(rules_.changes.size(), 2u);
  EXPECT_EQ(rules_.changes[1], (std::vector<int32_t>{kDuplex}));
  EXPECT_EQ(rules_.forces[1], 0);
  EXPECT_EQ(run.controls.at(kDuplexCheck).check, static_cast<UINT>(BST_CHECKED));
}

TEST_F(GDialogTest, ARuleChangeReachesTheOtherWrappersInTheSameCycle) {
  Set(kDuplex, 1);
  auto dialog = MakeDialog();
  bool duplexCheckedAfter = true;
  bool copiesVisibleAfter = true;
  const w32test::DialogRun run =
      Run(dialog.get(), {DialogAction::Select(kPaperCombo, 1), DialogAction::Inspect([&](HWND window) {
                           duplexCheckedAfter = IsDlgButtonChecked(window, kDuplexCheck) == BST_CHECKED;
                           copiesVisibleAfter = IsWindowVisible(GetDlgItem(window, kCopiesEdit)) != FALSE;
                         })});
  EXPECT_EQ(ValueOf(kPaperSize), 5);
  // The rule turned duplex off; the check box followed in the same cycle.
  EXPECT_EQ(ValueOf(kDuplex), 0);
  EXPECT_FALSE(duplexCheckedAfter);
  EXPECT_FALSE(copiesVisibleAfter);
  EXPECT_FALSE(run.controls.at(kCopiesLabel).visible);
  EXPECT_FALSE(run.controls.at(kCopiesLabel).enabled);
  EXPECT_EQ(UIState(kCopiesAvailability), 2);
  EXPECT_EQ(session_->GetUpdateNesting(), 0);
}

TEST_F(GDialogTest, TypedTextIsReadBackIntoTheFeature) {
  auto dialog = MakeDialog();
  Run(dialog.get(), {DialogAction::Type(kCopiesEdit, u"12")});
  EXPECT_EQ(ValueOf(kCopies), 12);
}

TEST_F(GDialogTest, UnownedAndMissingControlsStillMakeAnUpdateCycle) {
  auto dialog = MakeDialog();
  int messagesBefore = 0;
  Run(dialog.get(), {DialogAction::Inspect([&](HWND) {
                       messagesBefore = static_cast<int>(log_.messages.size());
                       // An earlier operation asked for a full refresh.
                       session_->SetRefreshNeeded(1);
                     }),
                     DialogAction::Click(kSpare),
                     DialogAction::Message(WM_COMMAND, MAKEWPARAM(kMissing, BN_CLICKED), 0),
                     DialogAction::Inspect([&](HWND) {
                       EXPECT_EQ(session_->GetUpdateNesting(), 0);
                       EXPECT_EQ(session_->GetRefreshNeeded(), 0);
                     })});
  // No wrapper took the messages, not even the one whose row misses its control.
  EXPECT_EQ(static_cast<int>(log_.messages.size()), messagesBefore);
  // The click on the spare button ran the rules forced, as the flag asked.
  EXPECT_EQ(rules_.inits, 2);
}

TEST_F(GDialogTest, SetActiveRefreshesFromSettingsChangedElsewhere) {
  auto dialog = MakeDialog();
  NMHDR setActive{nullptr, 0, PSN_SETACTIVE};
  std::u16string copiesShown;
  Run(dialog.get(), {DialogAction::Inspect([&](HWND) { Set(kCopies, 7); }),
                     DialogAction::Message(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&setActive)),
                     DialogAction::Inspect([&](HWND window) {
                       WCHAR text[8] = {};
                       GetDlgItemTextW(window, kCopiesEdit, text, 8);
                       copiesShown = text;
                     })});
  EXPECT_EQ(copiesShown, u"7");
}

TEST_F(GDialogTest, KillActiveIsBroadcastToEveryWrapper) {
  auto dialog = MakeDialog();
  NMHDR killActive{nullptr, 0, PSN_KILLACTIVE};
  Run(dialog.get(), {DialogAction::Message(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&killActive)),
                     DialogAction::Message(WM_NOTIFY, 0, 0)});
  ASSERT_FALSE(log_.messages.empty());
  EXPECT_EQ(log_.messages.back(), static_cast<UINT>(WM_NOTIFY));
  EXPECT_EQ(log_.nestingAtMessage.back(), 1);
  EXPECT_EQ(session_->GetUpdateNesting(), 0);
}

TEST_F(GDialogTest, HelpButtonAndPageHelpOpenTheDialogsContext) {
  auto dialog = MakeDialog();
  NMHDR help{nullptr, 0, PSN_HELP};
  Run(dialog.get(), {DialogAction::Click(GDialog::kHelpButton),
                     DialogAction::Message(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&help))});
  const auto calls = w32test::HelpCalls();
  ASSERT_EQ(calls.size(), 2u);
  for (const w32test::HelpCall& call : calls) {
    EXPECT_EQ(call.command, static_cast<UINT>(HELP_CONTEXT));
    EXPECT_EQ(call.data, static_cast<ULONG_PTR>(kHelpContext));
    EXPECT_EQ(call.file, std::string(dialog->GetHelpFile().Data()));
  }
  // The Help button is not routed to any wrapper.
  EXPECT_TRUE(log_.messages.empty());
}

struct HelpCase {
  const char* name;
  bool helpTable;
  int control;
  bool helpShown;
  size_t rows;  // rows of the table given to WinHelp
};

TEST_F(GDialogTest, WhatsThisHelpUsesTheDialogsTableOrTheWrappers) {
  const HelpCase cases[] = {
      {"dialog table, any control", true, kSpare, true, 4},
      {"wrapper's table", false, kCopiesEdit, true, 2},
      {"no wrapper", false, kSpare, false, 0},
  };
  for (const HelpCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto dialog = MakeDialog(c.helpTable);
    std::vector<GControlRow> given;
    bool shown = false;
    Run(dialog.get(), {DialogAction::Inspect([&](HWND window) {
      const size_t before = w32test::HelpCalls().size();
      HELPINFO info{};
      info.cbSize = sizeof info;
      info.hItemHandle = GetDlgItem(window, c.control);
      SendMessageW(window, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
      SendMessageW(window, WM_HELP, 0, 0);  // no HELPINFO: nothing
      const auto calls = w32test::HelpCalls();
      shown = calls.size() > before;
      if (!shown) return;
      EXPECT_EQ(calls.size(), before + 1);
      EXPECT_EQ(calls.back().command, static_cast<UINT>(HELP_WM_HELP));
      EXPECT_EQ(calls.back().window, info.hItemHandle);
      // The table is read while the dialog (its owner) lives.
      for (const auto* row = reinterpret_cast<const GControlRow*>(calls.back().data); row->controlId != 0; ++row)
        given.push_back(*row);
    })});
    EXPECT_EQ(shown, c.helpShown);
    EXPECT_EQ(given.size(), c.rows);
  }
}

TEST_F(GDialogTest, AContextMenuWithoutHelpGoesToTheWrapper) {
  auto dialog = MakeDialog();
  const GControlRow noHelp[] = {{kSpare, -1}, {0, 0}};
  dialog->AddWrapper(new CheckWrapper(new GKeyedFeatureAccessor(session_.get(), &kOrientation), noHelp, &log_));
  Run(dialog.get(), {DialogAction::Inspect([&](HWND window) {
    SendMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(GetDlgItem(window, kSpare)), 0);
  })});
  EXPECT_TRUE(w32test::HelpCalls().empty());
  ASSERT_FALSE(log_.messages.empty());
  EXPECT_EQ(log_.messages.back(), static_cast<UINT>(WM_CONTEXTMENU));
}

TEST_F(GDialogTest, MouseMessagesGoToTheControlUnderThePoint) {
  auto dialog = MakeDialog();
  // The check box is disabled: mouse messages still reach its wrapper (a
  // greyed control can explain itself).
  Run(dialog.get(), {DialogAction::Inspect([&](HWND window) {
                       EnableWindow(GetDlgItem(window, kDuplexCheck), FALSE);
                     }),
                     DialogAction::Message(WM_MOUSEMOVE, 0, MAKELPARAM(20, 15)),
                     DialogAction::Message(WM_LBUTTONDOWN, 0, MAKELPARAM(150, 140)),  // on no control
                     DialogAction::Message(WM_RBUTTONUP, 0, MAKELPARAM(-5, 15)),      // outside
                     DialogAction::Message(WM_SETCURSOR, 0, 0)});
  EXPECT_EQ(log_.messages, (std::vector<UINT>{WM_MOUSEMOVE}));
  EXPECT_EQ(session_->GetUpdateNesting(), 0);
}

TEST_F(GDialogTest, SpinsAndScrollsGoToTheirControlsWrapper) {
  auto dialog = MakeDialog();
  const GControlRow spinRows[] = {{kCopiesSpin, -1}, {0, 0}};
  dialog->AddWrapper(new CheckWrapper(new GKeyedFeatureAccessor(session_.get(), &kCopies), spinRows, &log_));
  Run(dialog.get(), {DialogAction::Inspect([](HWND window) {
                       SendDlgItemMessageW(window, kCopiesSpin, UDM_SETRANGE, 0, MAKELPARAM(99, 1));
                     }),
                     DialogAction::Spin(kCopiesSpin, 1), DialogAction::Inspect([](HWND window) {
                       SendMessageW(window, WM_VSCROLL, 0, reinterpret_cast<LPARAM>(GetDlgItem(window, kCopiesSpin)));
                       SendMessageW(window, WM_HSCROLL, 0, 0);  // no scroll bar: nobody's
                     })});
  EXPECT_EQ(log_.messages, (std::vector<UINT>{WM_NOTIFY, WM_VSCROLL}));
  EXPECT_EQ(log_.nestingAtMessage, (std::vector<int16_t>{1, 1}));
  EXPECT_EQ(session_->GetUpdateNesting(), 0);
}

TEST_F(GDialogTest, ControlIdsAreSixteenBitWords) {
  auto dialog = MakeDialog();
  const GControlRow rows[] = {{kHighId, -1}, {0, 0}};
  auto* landscape = new CheckWrapper(new GKeyedFeatureAccessor(session_.get(), &kOrientation), rows, &log_);
  dialog->AddWrapper(landscape);
  dialog->AddWrapper(landscape);  // once only: the dialog deletes it once
  EXPECT_EQ(dialog->GetWrappers().size(), 4u);
  Run(dialog.get(), {DialogAction::Click(kHighId)});
  EXPECT_EQ(ValueOf(kOrientation), 1);
}

TEST_F(GDialogTest, SetCursorGoesToTheOwnerWithoutAnUpdateCycle) {
  auto dialog = MakeDialog();
  Run(dialog.get(), {DialogAction::Inspect([&](HWND window) {
    SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(GetDlgItem(window, kDuplexCheck)), 0);
  })});
  ASSERT_EQ(log_.messages, (std::vector<UINT>{WM_SETCURSOR}));
  EXPECT_EQ(log_.nestingAtMessage, (std::vector<int16_t>{0}));
}

TEST_F(GDialogTest, VKeyToItemIsBroadcastAndAnswersMinusTwo) {
  auto dialog = MakeDialog();
  LRESULT answer = 0;
  Run(dialog.get(), {DialogAction::Inspect([&](HWND window) { answer = SendMessageW(window, WM_VKEYTOITEM, 0, 0); })});
  EXPECT_EQ(answer, -2);
  EXPECT_EQ(log_.messages, (std::vector<UINT>{WM_VKEYTOITEM}));
}

// ---- Wrapper bookkeeping ----

class RecordingWrapper : public GWrapper {
 public:
  using GWrapper::GWrapper;
  void SetControlFromFeature(int) override {}
  void ReadControlIntoFeature() override { ++reads; }
  void RefreshAvailability() override {}
  int reads = 0;
};

using GWrapperTest = GDialogTest;

TEST_F(GWrapperTest, AvailabilityShowsEnablesHidesOrLeavesAlone) {
  struct Case {
    int16_t value;
    bool visible;
    bool enabled;
  };
  const Case cases[] = {{0, true, true}, {1, true, false}, {2, false, false}, {3, true, true}, {-1, true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    RecordingWrapper wrapper(new GKeyedFeatureAccessor(session_.get(), &kCopies), kCopiesRows);
    bool visible = false;
    bool enabled = false;
    Inspect([&](HWND window) {
      wrapper.Attach(window);
      wrapper.ApplyAvailability(c.value);
      visible = IsWindowVisible(GetDlgItem(window, kCopiesLabel)) != FALSE;
      enabled = IsWindowEnabled(GetDlgItem(window, kCopiesLabel)) != FALSE;
    });
    EXPECT_EQ(visible, c.visible);
    EXPECT_EQ(enabled, c.enabled);
  }
}

TEST_F(GWrapperTest, TheFirstShowAndEnableAfterAttachReachTheControls) {
  RecordingWrapper wrapper(new GKeyedFeatureAccessor(session_.get(), &kCopies), kCopiesRows);
  std::vector<w32test::EnableCall> calls;
  Inspect([&](HWND window) {
    HWND edit = GetDlgItem(window, kCopiesEdit);
    EnableWindow(edit, FALSE);
    ShowWindow(edit, SW_HIDE);
    wrapper.Attach(window);
    EXPECT_EQ(wrapper.IsVisible(), 1);
    EXPECT_EQ(wrapper.IsEnabled(), 1);
    // Flags already hold 1, yet the first calls reach the controls.
    wrapper.ShowAll(1);
    wrapper.EnableAll(1);
    EXPECT_TRUE(IsWindowVisible(edit));
    EXPECT_TRUE(IsWindowEnabled(edit));
    // The same values again do nothing.
    const size_t before = w32test::EnableWindowCalls().size();
    wrapper.EnableAll(1);
    EXPECT_EQ(w32test::EnableWindowCalls().size(), before);
    // Hidden: showing one control does not show it.
    wrapper.ShowAll(0);
    wrapper.ShowControl(0, 1);
    EXPECT_FALSE(IsWindowVisible(edit));
    // Disabled: enabling one control does not enable it.
    wrapper.EnableAll(0);
    wrapper.EnableControl(0, 1);
    EXPECT_FALSE(IsWindowEnabled(edit));
    // Rows the table lacks are nothing to act on.
    wrapper.EnableControl(5, 0);
    wrapper.ShowControl(-1, 0);
    EXPECT_EQ(wrapper.GetControlId(2), 0);
    EXPECT_EQ(wrapper.GetControlId(-1), 0);
  });
}

TEST_F(GWrapperTest, AUserWithoutPermissionNeverGetsTheControlEnabled) {
  data_.accessFlags = GUIAccess::kNoPrinterChanges;
  RecordingWrapper wrapper(new GKeyedFeatureAccessor(session_.get(), &kCopies), kCopiesRows);
  bool enabled = true;
  Inspect([&](HWND window) {
    wrapper.Attach(window);
    wrapper.ApplyAvailability(0);
    enabled = IsWindowEnabled(GetDlgItem(window, kCopiesEdit)) != FALSE;
  });
  EXPECT_FALSE(enabled);
}

TEST_F(GWrapperTest, OwnershipByControlIdAndWindow) {
  const GControlRow rows[] = {{kDuplexCheck, 1}, {kMissing, 2}, {0x12345, 3}, {0, 0}};
  RecordingWrapper wrapper(nullptr, rows);
  EXPECT_EQ(wrapper.GetRowCount(), 3);
  EXPECT_EQ(wrapper.OwnsControl(static_cast<int16_t>(kDuplexCheck)), 1);
  EXPECT_EQ(wrapper.OwnsControl(0x2345), 1) << "ids compare as 16 bits";
  EXPECT_EQ(wrapper.OwnsControl(static_cast<int16_t>(kSpare)), 0);
  EXPECT_EQ(wrapper.IsSame(&wrapper), 1);
  EXPECT_EQ(wrapper.GetControlTable()[3].controlId, 0) << "the copy keeps the end row";
  Inspect([&](HWND window) {
    wrapper.Attach(window);
    EXPECT_EQ(wrapper.OwnsWindow(GetDlgItem(window, kDuplexCheck)), 1);
    EXPECT_EQ(wrapper.OwnsWindow(GetDlgItem(window, kSpare)), 0);
    // The row whose control is missing does not make null "owned".
    EXPECT_EQ(wrapper.OwnsWindow(nullptr), 0);
    // Without an accessor every control can still be shown and enabled.
    wrapper.ApplyAvailability(1);
    wrapper.ApplyAvailability(0);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, kDuplexCheck)));
    EXPECT_EQ(wrapper.OnMessage(WM_COMMAND, 0, 0), 1);
    EXPECT_EQ(wrapper.OnMessage(WM_TIMER, 0, 0), 0);
    EXPECT_EQ(wrapper.reads, 1);
  });
  RecordingWrapper empty(nullptr, nullptr);
  EXPECT_EQ(empty.GetRowCount(), 0);
}

TEST_F(GWrapperTest, MessageBoxesGoThroughTheUIResourcesBox) {
  w32test::QueueMessageBoxAnswer(IDNO);
  EXPECT_EQ(GWrapper::ShowMessageBox(nullptr, RWWString(u"Text"), RWWString(u"Caption"), MB_YESNO), IDNO);
  ASSERT_EQ(w32test::MessageBoxes().size(), 1u);
  EXPECT_EQ(w32test::MessageBoxes()[0].text, "Text");
  EXPECT_EQ(w32test::MessageBoxes()[0].caption, "Caption");
}

}  // namespace
}  // namespace uisession
