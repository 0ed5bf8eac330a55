// The "Watermark Details" dialog (5000) and the Effects page's "Ed&it..."
// button that opens it. Every control group of the dialog is a wrapper over
// a GWatermarkAccessor of its own; all of them share the session's
// watermark edit state. The list of watermarks with "&New", "D&elete" and
// the message text; the font name, shading, style and colour lists; the
// size with its arrows; the escapement (diagonal, horizontal or an angle).
// The dialog runs without an undo level: what it committed to the pool
// stays when it is cancelled.
#pragma once

#include <cstdint>

#include "rw/RWWString.h"
#include "ui/framework/GComboBox.h"
#include "ui/framework/GListBox.h"
#include "ui/framework/GWrapper.h"
#include "win32/Gdi.h"

class GWatermarkAccessor;

// The Effects page's "Ed&it..." button.
class GWatermarkEditButtonWrapper : public GWrapper {
 public:
  static constexpr int16_t kDialog = 5000;
  static constexpr int16_t kDialogHelp = 522;
  // UI-state value: non-zero when the user may not save system settings.
  static constexpr int32_t kNoSystemSave = 0x40000049;

  GWatermarkEditButtonWrapper(GWatermarkAccessor* accessor, const GControlRow* table);
  ~GWatermarkEditButtonWrapper() override;

  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;

  // Runs the dialog; its result.
  int RunDialog();
};

// Rows: 0 the list, 1 "&New", 2 "D&elete", 3 the message edit.
class GWatermarkListWrapper : public GWrapper {
 public:
  static constexpr int kTextLimit = 255;
  static constexpr int kUntitledText = 11029;
  static constexpr int kDeleteQuestion = 13600;
  static constexpr int kWarningTitle = 13601;
  static constexpr int kNoneRefused = 13602;

  GWatermarkListWrapper(GWatermarkAccessor* accessor, const GControlRow* table);
  ~GWatermarkListWrapper() override;

  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnAttach() override;
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;

  virtual void FillList();

 private:
  GWatermarkAccessor* Marks() const;
  RWWString EditText() const;
  // The text typed into the message edit, as the working copy takes it.
  int TakeText(const RWWString& typed);
  int OnSelectionChange();
  int OnNew();
  int OnDelete();
  int OnKeyToItem(int key);
  void SelectWorkingLine();

  GListBox list_;
  // " (none)" was typed as a text; shared by every list wrapper.
  static int noneTyped_;
};

// Rows: 0 font name, 1 shading, 2 style, 3 colour (owner-drawn).
class GWMFontWrapper : public GWrapper {
 public:
  GWMFontWrapper(GWatermarkAccessor* accessor, const GControlRow* table);
  ~GWMFontWrapper() override;

  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnAttach() override;
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;

  // Forwards each face the screen enumerates to the wrapper (lParam).
  static int EnumMethodWrapper(const LOGFONTW* font, const TEXTMETRICW* metrics, DWORD fontType, LPARAM lParam);
  // The swatch colour of a colour text id.
  static COLORREF SwatchColour(int textId);

 private:
  GWatermarkAccessor* Marks() const;
  void AddFace(const LOGFONTW& font, DWORD fontType);
  void DrawColourItem(const DRAWITEMSTRUCT* item);

  GComboBox names_;
  GComboBox shades_;
  GComboBox styles_;
  GComboBox colours_;
};

// Rows: 0 the edit, 1 the up-down.
class GWMSizeWrapper : public GWrapper {
 public:
  GWMSizeWrapper(GWatermarkAccessor* accessor, const GControlRow* table);
  ~GWMSizeWrapper() override;

  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnAttach() override;
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;

 private:
  GWatermarkAccessor* Marks() const;
  void Step(int delta);
  void Show();

  int16_t minimum_;
  int16_t maximum_;
};

// Rows: 0 "Dia&gonal", 1 "&Horizontal", 2 "Ang&le:", 3 the edit, 4 the
// up-down.
class GWMAngleWrapper : public GWrapper {
 public:
  static constexpr int16_t kMinimum = 0;
  static constexpr int16_t kMaximum = 360;

  GWMAngleWrapper(GWatermarkAccessor* accessor, const GControlRow* table);
  ~GWMAngleWrapper() override;

  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnAttach() override;
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;

  // The angle of a page's diagonal in whole degrees (truncated); 0 for a
  // page without width.
  static int16_t DiagonalAngle(int width, int height);
  // The diagonal of the current paper at the current orientation.
  int16_t CurrentDiagonal() const;

 private:
  GWatermarkAccessor* Marks() const;
};
