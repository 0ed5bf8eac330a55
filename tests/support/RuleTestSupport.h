// A UI session with the UI resource library loaded (the module's string
// table, the tip pictures and cursor, and a Finishing dialog with a tip
// button), and a rule whose reactions the test gives.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <list>
#include <string>
#include <vector>

#include "model/GPeripheral.h"
#include "resources/StringTable.h"
#include "support/UISessionFixture.h"
#include "ui/framework/GUIRule.h"
#include "ui/framework/UIResources.h"
#include "win32/Dialog.h"
#include "win32/Module.h"
#include "win32/User.h"
#include "w32test/Testing.h"

namespace uisession {

constexpr const char16_t* kUILibrary = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVRES.DLL";
constexpr int kFinishingDialog = 3000;
constexpr int kDuplexTip = 3013;
constexpr int kDuplexBox = 3011;

// A rule that calls the test's reactions and exposes the shared helpers.
class TestRule : public GUIRule {
 public:
  using Reaction = std::function<void(TestRule&, const std::list<int32_t>&, int)>;
  TestRule(GUISession* session, std::vector<std::string>* calls, std::string name, Reaction onChange,
           std::function<void(TestRule&)> init = {})
      : GUIRule(session), calls_(calls), name_(std::move(name)), onChange_(std::move(onChange)), init_(std::move(init)) {}
  void Init() override {
    if (calls_ != nullptr) calls_->push_back(name_ + ".Init");
    if (init_) init_(*this);
  }
  void OnChange(const std::list<int32_t>& changed, int force) override {
    if (calls_ != nullptr) calls_->push_back(name_ + ".OnChange");
    if (onChange_) onChange_(*this, changed, force);
  }

  using GUIRule::Ask;
  using GUIRule::HasChanged;
  using GUIRule::MeasurePaper;
  using GUIRule::Publish;
  using GUIRule::ReadInt;
  using GUIRule::ReadText;
  using GUIRule::Refuse;
  using GUIRule::ResetKeys;
  using GUIRule::SetReason;
  using GUIRule::WriteInt;
  using GUIRule::WriteText;

 private:
  std::vector<std::string>* calls_;
  std::string name_;
  Reaction onChange_;
  std::function<void(TestRule&)> init_;
};

// 3 x 3 pictures: a white surround (the background the button face
// replaces) and a centre of their own colour.
inline w32test::BitmapSpec TipPicture(COLORREF centre) {
  const COLORREF w = RGB(255, 255, 255);
  return w32test::BitmapSpec{3, 3, {w, w, w, w, centre, w, w, w, w}};
}
constexpr COLORREF kTipColour = RGB(200, 0, 0);
constexpr COLORREF kTipPressedColour = RGB(0, 200, 0);
constexpr COLORREF kSecondTipColour = RGB(0, 0, 200);
constexpr COLORREF kSecondTipPressedColour = RGB(200, 200, 0);

// A printer whose configuration is the device model a test builds.
class ModelPrinter : public GPeripheral {
 public:
  explicit ModelPrinter(int32_t id) : GPeripheral(&id) {}
  ModelPrinter* CreateSameKind() const override { return new ModelPrinter(0); }
  ModelPrinter* Clone() const override { return new ModelPrinter(FeatureId()); }
};

class RuleSessionTest : public UISessionTest {
 protected:
  void SetUp() override {
    UISessionTest::SetUp();
    w32test::ModuleSpec spec;
    spec.name = kUILibrary;
    spec.strings = ModuleStringTable();
    spec.bitmaps[11280] = TipPicture(kTipColour);
    spec.bitmaps[11281] = TipPicture(kTipPressedColour);
    spec.bitmaps[11282] = TipPicture(kSecondTipColour);
    spec.bitmaps[11283] = TipPicture(kSecondTipPressedColour);
    if (withTipCursor_) spec.cursors.insert(11270);
    spec.dialogs[kFinishingDialog] = w32test::DialogSpec{
        u"Finishing", {{kDuplexBox, w32test::ControlKind::kCheckBox, u"Print on Both Sides", false},
                       {kDuplexTip, w32test::ControlKind::kButton, u"", false}}};
    w32test::InstallModule(spec);
    ASSERT_EQ(LoadUIResourceLibrary(RWWString(kUILibrary)), 1);
  }
  void TearDown() override {
    while (GetUIResourceInstance() != nullptr) FreeUIResourceLibrary();
    UISessionTest::TearDown();
  }

  TestRule* AddRule(const std::string& name, TestRule::Reaction onChange, std::function<void(TestRule&)> init = {}) {
    auto* rule = new TestRule(session_.get(), &calls_, name, std::move(onChange), std::move(init));
    session_->AddRule(rule);
    return rule;
  }

  void SetText(int32_t id, const char* text) { session_->GetSettingsView().SetString(&id, RWWString(text)); }
  std::string TextOf(int32_t id) {
    RWWString text;
    session_->GetSettingsView().GetString(&id, &text);
    return text.ToMultibyte().Data();
  }
  // A UI-state key; -1 when it is missing.
  int Key(int32_t id) {
    int value = -1;
    session_->GetUIStateView().GetInt(&id, &value);
    return value;
  }
  // One user action: the change, then the rules, as a page runs them.
  template <class Change>
  void UserChanges(Change change) {
    session_->BeginUpdate(nullptr);
    change();
    session_->Revalidate(0);
    session_->EndUpdate();
  }
  // The texts of the message boxes shown so far.
  std::vector<std::string> Messages() {
    std::vector<std::string> texts;
    for (const auto& box : w32test::MessageBoxes()) texts.push_back(box.text);
    return texts;
  }

  // Runs the Finishing dialog and calls body with its window while it is
  // open.
  void InFinishingDialog(const std::function<void(HWND)>& body) {
    w32test::QueueDialogScript({w32test::DialogAction::Inspect(body)});
    DialogBoxParamW(GetUIResourceInstance(), MAKEINTRESOURCEW(kFinishingDialog), nullptr, &QuietProc, 0);
  }
  static INT_PTR QuietProc(HWND, UINT, WPARAM, LPARAM) { return 0; }


  bool withTipCursor_ = true;
  std::vector<std::string> calls_;
};

}  // namespace uisession
