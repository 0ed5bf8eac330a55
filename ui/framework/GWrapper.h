// GWrapper: the base of the control wrappers. A wrapper binds a group of
// dialog controls, given by a table of control ids with their help ids, to
// one feature accessor: it writes the feature into the controls, reads the
// controls back into the feature when the user acts, and shows, hides,
// enables or disables its controls as the feature's availability says. The
// dialog (GDialog) routes to it the messages of the controls it owns.
#pragma once

#include <cstdint>
#include <vector>

#include "rw/RWWString.h"
#include "win32/Dialog.h"
#include "win32/Types.h"

class GFeatureAccessor;

// One row of a control table: a control id and its WinHelp context number
// (-1: the control has no help). A table ends with the row {0, 0}; the
// layout is the one WinHelp takes for HELP_WM_HELP and HELP_CONTEXTMENU.
struct GControlRow {
  int controlId;
  int helpId;
};
static_assert(sizeof(GControlRow) == 8, "a control-table row is two 32-bit numbers");

class GWrapper {
 public:
  // Availability values of ApplyAvailability (the accessors' values).
  static constexpr int16_t kShownEnabled = 0;
  static constexpr int16_t kShownDisabled = 1;
  static constexpr int16_t kHidden = 2;

  // Copies the table up to and including its end row (a null table gives
  // the end row alone). Takes the accessor over: it is deleted with the
  // wrapper.
  GWrapper(GFeatureAccessor* accessor, const GControlRow* table);
  GWrapper(const GWrapper&) = delete;
  GWrapper& operator=(const GWrapper&) = delete;

  // ---- Virtual operations, in slot order ----
  virtual ~GWrapper();
  // RefreshAvailability, then SetControlFromFeature(force).
  virtual void Refresh(int force);
  // WM_COMMAND reads the controls into the feature and answers 1 (a
  // change); every other message answers 0. Subclasses filter by control
  // and notification.
  virtual int OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // Called at the end of Attach; the base does nothing.
  virtual void OnAttach();
  // 1 when the window is the control of one of the rows (a null window, or
  // a row whose control the dialog lacks, is never owned).
  virtual int OwnsWindow(HWND window);
  // 1 when a row has the control id (compared as 16 bits).
  virtual int OwnsControl(int16_t controlId);
  virtual int IsSame(GWrapper* other);
  virtual const GControlRow* GetControlTable();
  virtual void SetControlFromFeature(int force) = 0;
  virtual void ReadControlIntoFeature() = 0;
  virtual void RefreshAvailability() = 0;
  // 0 shows and enables, 1 shows and disables, 2 hides and disables; any
  // other value changes nothing.
  virtual void ApplyAvailability(int16_t value);
  virtual void EnableAll(int flag);
  // Disabling always works; enabling only while the wrapper is enabled and
  // the user may change the setting (the accessor's access bit 0 clear).
  virtual void EnableControl(int16_t row, int flag);
  virtual void ShowAll(int flag);
  // Hiding always works; showing only while the wrapper is visible.
  virtual void ShowControl(int16_t row, int flag);
  virtual HWND GetDialogHwnd();

  // Stores the dialog window, makes the wrapper visible and enabled with
  // neither applied yet (so that the next ShowAll and EnableAll reach the
  // controls), then OnAttach.
  void Attach(HWND dialog);
  // The control id of a row; 0 for a row the table lacks.
  int GetControlId(int16_t row) const;
  // The rows before the end row.
  int16_t GetRowCount() const;
  GFeatureAccessor* GetAccessor() const { return accessor_; }
  int IsVisible() const { return visible_; }
  int IsEnabled() const { return enabled_; }

  // A message box with the UI resources' reading direction (UIMessageBox).
  static int ShowMessageBox(HWND owner, const RWWString& text, const RWWString& caption, int flags);

 protected:
  // For a wrapper whose first row is a combo box: its selection change
  // reads the control into the feature and answers 1; every other message
  // answers 0.
  int OnComboSelectionChange(UINT message, WPARAM wParam);
  // The up-down notification of a WM_NOTIFY when it comes from the
  // arrows of that row; null for any other message.
  const NMUPDOWN* UpDownChange(UINT message, LPARAM lParam, int16_t arrowsRow) const;
  // 1 for the PSN_KILLACTIVE a page gets when the user leaves it.
  static int IsPageLeaving(UINT message, LPARAM lParam);
  // The control window of a row; null when the row or the control is missing.
  HWND GetControl(int16_t row) const;

  HWND dialog_ = nullptr;
  int visible_ = 1;
  int enabled_ = 1;
  int showApplied_ = 0;
  int enableApplied_ = 0;
  std::vector<GControlRow> table_;  // the rows and the end row
  GFeatureAccessor* accessor_;
};
