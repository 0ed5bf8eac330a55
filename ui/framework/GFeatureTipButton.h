// GFeatureTipButton: what the feature-tip wrapper does with its owner-drawn
// button. It draws the tip picture (pressed or not, with the focus
// rectangle), shows the reason's text when the button is clicked, gives the
// button its own cursor, and tells the wrapper which availability to apply.
// The wrapper (a control wrapper over the tip's control table) owns one,
// forwards its OnAttach and OnMessage here with its dialog window and the
// button's control id, applies GetAvailability() in RefreshAvailability, and
// writes nothing into the settings.
#pragma once

#include <cstdint>
#include <memory>

#include "ui/framework/GFeatureTipAccessor.h"
#include "win32/Types.h"

class GFeatureTipButton {
 public:
  // Bitmaps of the UI resource library: the plain tip and the second kind,
  // each followed by its pressed image.
  static constexpr int kTipBitmap = 11280;
  static constexpr int kSecondKindBitmap = 11282;
  static constexpr int kTipCursor = 11270;
  // "Feature Tip", the caption of the reason's box.
  static constexpr int kTipCaption = 11901;

  // Takes the accessor over. Icon kind 1 draws the second picture, any
  // other the plain one.
  GFeatureTipButton(GFeatureTipAccessor* accessor, int16_t iconKind);
  GFeatureTipButton(const GFeatureTipButton&) = delete;
  GFeatureTipButton& operator=(const GFeatureTipButton&) = delete;
  ~GFeatureTipButton();

  GFeatureTipAccessor* GetAccessor() const { return accessor_.get(); }
  int16_t GetIconKind() const { return iconKind_; }
  HCURSOR GetTipCursor() const { return cursor_; }

  // On attaching to a dialog: loads the tip cursor from the UI resource
  // library (the arrow when the library has none) and sets the arrow.
  void OnAttach();
  // A message for the button: WM_DRAWITEM draws it (0); WM_COMMAND shows
  // the reason's text on a click; WM_SETCURSOR over the button and every
  // WM_COMMAND set the tip cursor and answer 1 (also as the dialog's
  // message result). 0 for anything else.
  int OnMessage(HWND dialog, int buttonId, UINT message, WPARAM wParam, LPARAM lParam);
  // The availability the wrapper applies to the button.
  int16_t GetAvailability();

 private:
  // Sets the tip cursor and the dialog's message result 1; 1.
  int TakeCursor(HWND dialog);
  void ShowReason(HWND dialog);

  std::unique_ptr<GFeatureTipAccessor> accessor_;
  int16_t iconKind_;
  HCURSOR cursor_ = nullptr;
};
