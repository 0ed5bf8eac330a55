// GTimedDialog: the message dialog the driver core shows at print time (the
// job-storage notice). It has no UI session: five texts go to its five text
// controls, a check box lets the user ask not to see it again, and it runs
// modally from the UI resource library the caller names. The driver core
// reaches it through the GTimedMessage seam (CreateTimedDialogMessage).
//
// The dialog starts timer 19283 with the caller's period and records its
// start time, but a tick does not end it: the notice stays until the user
// closes it with a button, so that it can be read whatever the period (the
// driver core asks for 10 ms).
#pragma once

#include <cstdint>

#include "driver/GUIServices.h"
#include "rw/RWCString.h"
#include "rw/RWWString.h"
#include "win32/Dialog.h"
#include "win32/Types.h"

class GTimedDialog {
 public:
  // Controls of the dialog template (in the UI resource library).
  enum : int {
    kDontShowAgain = 11530,  // check box: checked, the dialog is not wanted again
    kTitle = 11541,
    kText2 = 11542,
    kText3 = 11543,
    kText1 = 11544,
    kFrame = 11545,
    kText4 = 11546,
  };
  static constexpr UINT_PTR kTimerId = 19283;
  static constexpr ULONG_PTR kHelpContext = 435;

  GTimedDialog(int16_t dialogId, int period, const RWWString& title, const RWWString& text1, const RWWString& text2,
               const RWWString& text3, const RWWString& text4);
  GTimedDialog(const GTimedDialog&) = delete;
  GTimedDialog& operator=(const GTimedDialog&) = delete;
  // Deletes the bold font it made.
  virtual ~GTimedDialog();

  void SetHelpFile(const RWCString& helpFile) { helpFile_ = helpFile; }
  // Loads the resource library (-1 when it cannot be loaded), runs the
  // dialog with the owner disabled meanwhile, frees the library; the
  // dialog's result (-1 as well when its template is missing).
  int DoModal(HWND owner, const RWWString& resourceLibrary);
  // 0 once the user checked "do not show again" and closed the dialog, else 1.
  int GetShowAgain() const { return showAgain_; }

  // The window procedure: keeps the object in DWL_USER from WM_INITDIALOG to
  // WM_DESTROY and hands every message to DialogProc.
  static INT_PTR ModalDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  // 1 for the messages it handles, 0 for others.
  virtual INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  void OnInitDialog(HWND window);

  int16_t dialogId_;
  HWND window_ = nullptr;
  int showAgain_ = 1;
  int period_;
  DWORD startTime_ = 0;
  RWWString title_;
  RWWString text1_;
  RWWString text2_;
  RWWString text3_;
  RWWString text4_;
  RWCString helpFile_;
  HFONT dialogFont_ = nullptr;  // the title's font; the dialog's own, not deleted here
  HFONT boldFont_ = nullptr;    // made from it; deleted with the object
};

// The driver core's seam: a new GTimedDialog behind GTimedMessage (the
// caller owns it). AddUIFrameworkServices makes it createTimedMessage.
GTimedMessage* CreateTimedDialogMessage(int dialogId, int period, const RWWString& title, const RWWString& text1,
                                        const RWWString& text2, const RWWString& text3, const RWWString& text4);
