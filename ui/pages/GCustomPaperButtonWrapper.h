// The custom paper sizes dialog (8000) and the Paper page's "Custom..."
// button that opens it. Each control group of the dialog is a wrapper over
// a GCustomPaperAccessor of its own: the width and the height with their
// up-down arrows and unit labels, the unit button, and the name box with its
// Save / Rename / Delete button. The dialog runs without an undo level of
// its own: the sheet's Cancel undoes what it changed.
#pragma once

#include <cstdint>

#include "rw/RWCString.h"
#include "rw/RWWString.h"
#include "ui/framework/GComboBox.h"
#include "ui/framework/GWrapper.h"

class GCustomPaperAccessor;

// The width or height field. Rows: 0 the edit, 1 the up-down, 2 "in.", 3
// "mm.".
class GCustomPaperSizeWrapper : public GWrapper {
 public:
  enum Dimension { kWidth, kHeight };
  GCustomPaperSizeWrapper(GCustomPaperAccessor* accessor, const GControlRow* table, Dimension dimension);
  ~GCustomPaperSizeWrapper() override;

  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnAttach() override;
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;

  // The value of the text in the unit (0 1/100 inch, 3 micrometres): 1 and
  // the value when the text holds a usable number; 0 for text that holds
  // none, a negative number, or one too large for the unit's 32 bits.
  static int ParseSize(const RWWString& text, int32_t unit, const RWWString& separator, uint32_t* value);
  // The value as the field shows it in the unit.
  static RWWString FormatSize(uint32_t value, int32_t unit, const RWWString& separator);

 private:
  GCustomPaperAccessor* Papers() const;
  uint32_t Current() const;
  uint32_t Minimum() const;
  uint32_t Maximum() const;
  void Store(uint32_t value);
  void Display();
  // Reads the edit: a usable number is clamped and stored; the field shows
  // the stored value again either way.
  void ParseEdit();

  Dimension dimension_;
};

class GCustomPaperWidthWrapper : public GCustomPaperSizeWrapper {
 public:
  GCustomPaperWidthWrapper(GCustomPaperAccessor* accessor, const GControlRow* table);
};

class GCustomPaperHeightWrapper : public GCustomPaperSizeWrapper {
 public:
  GCustomPaperHeightWrapper(GCustomPaperAccessor* accessor, const GControlRow* table);
};

// "&Use Millimeters" / "&Use Inches".
class GCustomPaperUnitWrapper : public GWrapper {
 public:
  GCustomPaperUnitWrapper(GCustomPaperAccessor* accessor, const GControlRow* table);
  ~GCustomPaperUnitWrapper() override;

  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;
};

// The name box and its action button. Rows: 0 the combo box, 1 the action
// button.
class GCustomPaperNameWrapper : public GWrapper {
 public:
  static constexpr int16_t kSave = 11026;
  static constexpr int16_t kRename = 11027;
  static constexpr int16_t kDelete = 11028;

  GCustomPaperNameWrapper(GCustomPaperAccessor* accessor, const GControlRow* table);
  ~GCustomPaperNameWrapper() override;

  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnAttach() override;
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;

  // ---- Own operations ----
  virtual void SetMode(int16_t mode);
  virtual void ResetToUntitled();
  virtual void FillList();
  virtual void Save();
  virtual void Delete();
  virtual void Rename();
  virtual void SetModeValue(int16_t mode);

  int16_t GetMode() const { return mode_; }
  // The host's built-in form callback: 1 when the name equals the edited
  // name of the wrapper (the context), ignoring case.
  static int MediaNameCallback(const RWWString& name, void* wrapper);

 private:
  GCustomPaperAccessor* Papers() const;
  // The edit text (blanks trimmed when asked) as the edited name;
  // "Untitled" for an empty text.
  void TakeEditedName(bool trim);
  // Refuses a built-in form name: 1 when refused.
  int RefuseBuiltInName();

  int16_t mode_ = kSave;
  RWCString nameBeforeEdit_;
  GComboBox combo_;
};

// The page's "Custom..." button.
class GCustomPaperButtonWrapper : public GWrapper {
 public:
  static constexpr int16_t kDialog = 8000;
  static constexpr int16_t kDialogHelp = 219;

  GCustomPaperButtonWrapper(GCustomPaperAccessor* accessor, const GControlRow* table);
  ~GCustomPaperButtonWrapper() override;

  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;
};
