// GGetStringDialog: the small text-entry dialog of the quick sets (a prompt,
// an edit field, OK and Cancel). It has no UI session; OK is enabled only
// while the text holds more than blanks, and the text as typed is kept when
// the dialog ends.
#pragma once

#include "rw/RWWString.h"
#include "win32/Types.h"

class GGetStringDialog {
 public:
  // The template in the UI resource library and its controls.
  static constexpr int kTemplate = 11511;
  static constexpr int kPrompt = 11513;
  static constexpr int kEdit = 11514;

  // A maximum length of 0 sets no limit of the dialog's own.
  GGetStringDialog(HWND owner, int promptId, int maximumLength);
  GGetStringDialog(const GGetStringDialog&) = delete;
  GGetStringDialog& operator=(const GGetStringDialog&) = delete;
  virtual ~GGetStringDialog();

  // Runs the dialog; the button that ended it (-1 when the template is
  // missing).
  int DoModal();
  const RWWString& GetText() const { return result_; }

  static INT_PTR GetStrDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  // Always 0.
  virtual INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  // The edit's whole text.
  RWWString ReadEdit(HWND window) const;

  HWND window_ = nullptr;
  HWND parent_;
  RWWString result_;
  int promptId_;
  int maximumLength_;
};
