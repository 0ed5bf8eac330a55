// GPrinterPictureWrapper: the owner-drawn picture of the printer with its
// installed accessories (control 2021 of the Paper, Destination and
// Configure pages). It composes the picture from the printer's bitmap and
// the accessories' bitmaps drawn over it, once per set of accessories, in a
// memory device context that every picture of the sheet shares (kept beside
// the session, GPictureSurface), highlights the selected tray or bin and,
// when interactive, lets the user choose one by clicking it.
#pragma once

#include <cstdint>

#include "ui/framework/GWrapper.h"
#include "ui/pages/GPrinterPictureAccessor.h"
#include "win32/Gdi.h"
#include "win32/User.h"

class GPrinterPictureWrapper : public GWrapper {
 public:
  static constexpr int kPrinterBitmap = 2100;
  static constexpr int kHandCursor = 11270;
  static constexpr int16_t kAutomaticSource = 19;

  // Takes the accessor over; row 0 of the table is the picture control.
  GPrinterPictureWrapper(GPrinterPictureAccessor* accessor, const GControlRow* table, int16_t interactive);
  ~GPrinterPictureWrapper() override;

  void Refresh(int force) override;
  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnAttach() override;
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;

  int16_t GetSelection() const { return selection_; }
  int32_t GetFlags() const { return flags_; }

 private:
  GPrinterPictureAccessor* Picture() const;
  // Builds the shared picture for the wrapper's flags when it was made for
  // others; false when there is nothing to draw.
  bool Compose();
  void Draw(HDC dc);
  // The code under the cursor, kNoHit when none.
  int16_t CodeUnderCursor();
  void SetCursorFor(int16_t code);

  int16_t interactive_;
  int16_t selection_ = 0;
  int32_t flags_ = 0;
  SIZE size_{0, 0};
  HCURSOR hand_ = nullptr;
};
