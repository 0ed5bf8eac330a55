// GTimedModalDialog: a modal dialog opened from a page that closes itself
// (as OK) after a number of seconds, and is skipped altogether once the user
// checked its "do not show again" box: that choice is a setting of its own
// (a 0/1 value feature), written through the session like any other change.
#pragma once

#include <cstdint>

#include "ui/framework/GDialog.h"
#include "win32/Types.h"

class GTimedModalDialog : public GDialog {
 public:
  static constexpr UINT_PTR kTimerId = 19283;
  static constexpr UINT kTimerPeriod = 250;
  static constexpr int kDontShowAgain = 11530;

  // The show-again feature id is copied; a null id means always shown.
  GTimedModalDialog(int16_t dialogId, GUISession* session, int16_t seconds, const int32_t* showAgainId, int flag,
                    int16_t helpContext);

  // As GModalDialog::DoModal, with this dialog's window procedure.
  virtual int DoModal(HWND owner, int withUndo);

  using GDialog::DialogProc;
  // The timed dialog's handling; see the source.
  virtual INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  static INT_PTR ModalDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  int16_t GetSeconds() const { return seconds_; }

 private:
  // The show-again value in the settings; 1 when there is none.
  int ReadShowAgain();

  bool hasShowAgainId_;
  int32_t showAgainId_;
  int16_t seconds_;
  DWORD startTime_ = 0;
  DWORD lastTime_ = 0;
};
