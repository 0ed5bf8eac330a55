// GDialog: the base of every page and modal dialog of the sheet. It holds
// the dialog's control wrappers and routes each window message to the
// wrapper that owns the control, inside an update cycle of the UI session;
// when a wrapper reports a change it runs the setting rules and refreshes
// every wrapper. It also answers the dialog's help: the Help button, F1 and
// "What's This?" from the wrappers' help ids.
//
// The dialog does not reach the window manager by itself: the window
// procedure of the page or modal dialog that derives from it gives it the
// window (SetHwnd) and hands it every message (DialogProc).
#pragma once

#include <cstdint>
#include <vector>

#include "rw/RWCString.h"
#include "ui/framework/GWrapper.h"
#include "win32/Types.h"

class GUISession;

class GDialog {
 public:
  // The Help button of a page.
  static constexpr int kHelpButton = 9;

  // The flag is the page's (it has help); the dialog keeps none of it. The
  // help file comes from the session.
  GDialog(int16_t dialogId, GUISession* session, int flag, int16_t helpContext);
  GDialog(const GDialog&) = delete;
  GDialog& operator=(const GDialog&) = delete;

  // ---- Virtual operations, in slot order ----
  // Deletes the wrappers and the help table.
  virtual ~GDialog();
  // Appends the wrapper; the dialog owns it. A null wrapper is ignored.
  virtual void AddWrapper(GWrapper* wrapper);
  // Every wrapper: Attach(dialog window), then Refresh(0).
  virtual void AttachAll();
  virtual void RefreshAll(int force);
  // Every wrapper's OnMessage inside one update cycle; the results OR-ed.
  virtual int Broadcast(UINT message, WPARAM wParam, LPARAM lParam);
  // The owning wrapper's OnMessage (0 when none owns the window) inside an
  // update cycle, which AfterChange closes.
  virtual int RouteToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // RouteToWindow with the control's window.
  virtual int RouteToControl(int16_t controlId, UINT message, WPARAM wParam, LPARAM lParam);
  // The handling shared by every page and dialog; see the source.
  virtual INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual HWND GetHwnd();
  // WinHelp with the dialog's help table, or without one with the table of
  // the wrapper that owns the window; 1 when WinHelp was called.
  virtual int ShowHelp(HWND window, UINT command);
  virtual GWrapper* FindWrapperByWindow(HWND window);
  // The first wrapper owning the window with a row whose help id is
  // neither 0 nor -1.
  virtual GWrapper* FindWrapperWithHelp(HWND window);
  // One table of the rows of every wrapper, in list order, and an end row.
  virtual void BuildHelpTable();
  virtual void SetHwnd(HWND window);
  // Runs the rules and refreshes the wrappers after a routed message, then
  // closes the update cycle and clears the refresh flag.
  virtual void AfterChange(int bits);

  int16_t GetDialogId() const { return dialogId_; }
  int16_t GetHelpContext() const { return helpContext_; }
  GUISession* GetSession() const { return session_; }
  const RWCString& GetHelpFile() const { return helpFile_; }
  // Null until BuildHelpTable.
  const GControlRow* GetHelpTable() const { return helpTable_.empty() ? nullptr : helpTable_.data(); }
  const std::vector<GWrapper*>& GetWrappers() const { return wrappers_; }

 protected:
  // WinHelp on the dialog's help context (the Help button, PSN_HELP).
  void ShowContextHelp();

  GUISession* session_;
  int16_t dialogId_;
  std::vector<GControlRow> helpTable_;
  int16_t helpContext_;
  HWND window_ = nullptr;
  RWCString helpFile_;
  std::vector<GWrapper*> wrappers_;
};
