// GModalDialog: a modal dialog opened from a property page, on the page's UI
// session. While it runs the page's update cycles are closed, so that the
// dialog's wrappers work in cycles of their own; with undo the dialog's
// changes form an undo level that Cancel puts back.
#pragma once

#include <cstdint>

#include "ui/framework/GDialog.h"
#include "win32/Dialog.h"
#include "win32/Types.h"

class GModalDialog : public GDialog {
 public:
  // The buttons that end the dialog: OK, Cancel and 8.
  static constexpr int kOk = 1;
  static constexpr int kCancel = 2;
  static constexpr int kThirdButton = 8;

  GModalDialog(int16_t dialogId, GUISession* session, int flag, int16_t helpContext);

  // Runs the dialog from the UI resource library; the button that ended it
  // (-1 when the template is missing).
  virtual int DoModal(HWND owner, int withUndo);

  // OK, Cancel and 8 go to their wrapper (when the dialog has the control),
  // then end the dialog with the control id; the rest is GDialog's.
  INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  // The window procedure: the object in DWL_USER from WM_INITDIALOG to
  // WM_DESTROY; every message to its DialogProc.
  static INT_PTR ModalDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // The modal run shared with the timed modal dialog: settles and closes
  // the session's open update cycles, opens an undo level when asked, runs
  // the dialog with the owner disabled, closes the level (putting the values
  // back on Cancel), reopens the cycles and asks for a full refresh.
  static int RunModal(GUISession* session, HWND owner, int withUndo, int16_t dialogId, DLGPROC procedure,
                      LPARAM parameter);

  // 1 for WM_COMMAND from OK, Cancel or 8.
  static int IsEndingCommand(UINT message, WPARAM wParam);
};
