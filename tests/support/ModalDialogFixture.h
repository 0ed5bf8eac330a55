// A UI session with a UI resource library of its own: the module's string
// table and the templates the test gives, loaded as the UI resource library.
// Dialogs opened from a dialog get an owner window by running them from
// inside an outer dialog (OwnerRun).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "resources/StringTable.h"
#include "support/UISessionFixture.h"
#include "ui/framework/UIResources.h"
#include "win32/Dialog.h"
#include "win32/Module.h"
#include "win32/User.h"
#include "win32/Window.h"
#include "w32test/Testing.h"

namespace uisession {

constexpr const char16_t* kModalLibrary = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVRES.DLL";
constexpr UINT kOwnerTemplate = 7000;

class ModalDialogTest : public UISessionTest {
 protected:
  void LoadLibraryWith(std::map<UINT, w32test::DialogSpec> dialogs) {
    w32test::ModuleSpec spec;
    spec.name = kModalLibrary;
    spec.strings = ModuleStringTable();
    spec.dialogs = std::move(dialogs);
    spec.dialogs[kOwnerTemplate] = w32test::DialogSpec{u"Owner", {{IDOK, w32test::ControlKind::kButton, u"OK"}}};
    w32test::InstallModule(spec);
    ASSERT_EQ(LoadUIResourceLibrary(RWWString(kModalLibrary)), 1);
  }
  void TearDown() override {
    while (GetUIResourceInstance() != nullptr) FreeUIResourceLibrary();
    UISessionTest::TearDown();
  }

  // Runs body with the window of an open owner dialog; the owner's script
  // is queued before the scripts the body's dialogs take.
  void OwnerRun(const std::function<void(HWND owner)>& body) {
    w32test::QueueDialogScript({w32test::DialogAction::Inspect(body)});
    DialogBoxParamW(GetUIResourceInstance(), MAKEINTRESOURCEW(kOwnerTemplate), nullptr, &Quiet, 0);
  }
  static INT_PTR Quiet(HWND, UINT, WPARAM, LPARAM) { return 0; }

  // The run of the template, the last one.
  static w32test::DialogRun LastRunOf(UINT templateId) {
    const auto runs = w32test::DialogRuns();
    for (auto it = runs.rbegin(); it != runs.rend(); ++it) {
      if (it->templateId == templateId) return *it;
    }
    return w32test::DialogRun();
  }
};

}  // namespace uisession
