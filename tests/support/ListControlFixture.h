// A dialog with a combo box, a list box and a multiple-selection list box,
// run by the stand-in's dialog manager so that a test can work on its live
// controls.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "win32/Dialog.h"
#include "win32/Kernel.h"
#include "win32/Module.h"
#include "w32test/Testing.h"

namespace listcontrols {

constexpr UINT kTemplate = 4200;
constexpr int16_t kCombo = 4201;
constexpr int16_t kList = 4202;
constexpr int16_t kMulti = 4203;
constexpr int16_t kAbsent = 4299;

class ListControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    w32test::ModuleSpec spec;
    spec.name = u"QVLISTS.DLL";
    spec.dialogs[kTemplate] = w32test::DialogSpec{{u"Lists"},
                                                  {{kCombo, w32test::ControlKind::kComboBox, u"", false},
                                                   {kList, w32test::ControlKind::kListBox, u"", false},
                                                   {kMulti, w32test::ControlKind::kMultiSelectListBox, u"", false}}};
    w32test::InstallModule(spec);
    module_ = reinterpret_cast<HINSTANCE>(LoadLibraryW(u"QVLISTS.DLL"));
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override { w32test::Reset(); }

  // Runs the dialog and calls check with its window while it is up.
  void WithDialog(std::function<void(HWND)> check) {
    w32test::QueueDialogScript({w32test::DialogAction::Inspect(std::move(check))});
    DialogBoxParamW(module_, MAKEINTRESOURCEW(kTemplate), nullptr, &NoProcedure, 0);
  }
  static INT_PTR NoProcedure(HWND, UINT, WPARAM, LPARAM) { return 0; }

  HINSTANCE module_ = nullptr;
};

}  // namespace listcontrols
