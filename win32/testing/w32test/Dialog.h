// The testing interface of the stand-in, part Dialog: see "w32test/Testing.h".
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "win32/Dialog.h"
#include "w32test/Gdi.h"
#include "w32test/Module.h"
#include "w32test/Window.h"

namespace w32test {

// One action of the user in a modal dialog.
struct DialogAction {
  enum Kind {
    kClick,      // clicks control `id`: a check box toggles, then WM_COMMAND BN_CLICKED
    kSetCheck,   // clicks check box `id` only when its state differs from `checked`
    kFireTimer,  // one tick of the dialog's timer `id` (ignored when it is not set)
    kMessage,    // delivers `message` with `wParam` and `lParam` to the dialog
    kClose,      // WM_COMMAND `id` (Enter is IDOK, Esc IDCANCEL); ends with `id` unless the procedure ended it
    kInspect,    // calls `inspect` with the dialog window (the test looks at the running dialog)
    kSelect,     // selects item `index` of combo or list box `id` (-1: none), then CBN_/LBN_SELCHANGE
    kSetSelected,  // selects (`checked`) or clears item `index` of a multiple-selection list box, then LBN_SELCHANGE
    kType,       // replaces the text of edit or combo box `id` by `text` (cut to its limit), then EN_CHANGE/CBN_EDITCHANGE
    kSpin,       // moves up-down control `id` by `index` steps: WM_NOTIFY UDN_DELTAPOS, then the position unless refused
  };
  Kind kind = kClick;
  int id = 0;
  int index = 0;
  std::u16string text;
  bool checked = false;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  std::function<void(HWND dialog)> inspect;

  static DialogAction Click(int id);
  static DialogAction SetCheck(int id, bool checked);
  static DialogAction FireTimer(int id);
  static DialogAction Message(UINT message, WPARAM wParam, LPARAM lParam);
  static DialogAction Close(int id);
  static DialogAction Inspect(std::function<void(HWND dialog)> inspect);
  static DialogAction Select(int id, int index);
  static DialogAction SetSelected(int id, int index, bool selected);
  static DialogAction Type(int id, std::u16string text);
  static DialogAction Spin(int id, int delta);
};

// The actions for the next modal dialog, first in first out (one script per
// dialog; a dialog opened from a dialog takes the next). An action on a
// control that is missing, disabled, hidden or of another kind, or on an item
// it lacks, is ignored, as a user cannot make it. A dialog
// still open when its script is done (or that has none) gets IDCANCEL as the
// Esc key gives it, and ends with IDCANCEL when its procedure does not end it.
void QueueDialogScript(std::vector<DialogAction> actions);
void ClearDialogScripts();

// A control as the dialog left it, read after WM_DESTROY.
struct ControlState {
  ControlKind kind = ControlKind::kStatic;
  std::u16string text;
  UINT check = 0;
  bool enabled = true;
  HFONT font = nullptr;  // the font it was given
  bool fontKnown = false;
  LOGFONTW fontDescription{};  // when the font was alive
  bool backgroundSet = false;  // EM_SETBKGNDCOLOR received
  COLORREF background = 0;
  bool visible = true;
  // Combo and list boxes: the items with their data, the selection (-1:
  // none) or, for multiple selection, the selected indexes in order.
  std::vector<std::u16string> items;
  std::vector<LONG_PTR> itemData;
  int selection = -1;
  std::vector<int> selectedItems;
  int limit = 0;  // EM_LIMITTEXT / CB_LIMITTEXT (0: none)
  int droppedWidth = 0;
  // Up-down controls.
  int position = 0;
  int lower = 0;
  int upper = 0;
};

struct TimerRecord {
  UINT_PTR id = 0;
  UINT elapse = 0;
  bool killed = false;
};

// One modal run.
struct DialogRun {
  HINSTANCE module = nullptr;
  UINT templateId = 0;
  HWND owner = nullptr;
  HWND window = nullptr;  // no longer valid after the run
  INT_PTR result = 0;
  bool finished = false;  // the dialog was shown and ended
  std::map<int, ControlState> controls;
  // The windows other than controls that were disabled when the dialog
  // opened (before the dialog manager disabled the owner itself): what its
  // caller disabled.
  std::vector<HWND> disabledWindows;
  std::vector<TimerRecord> timers;  // set on the dialog, in order
  int ignoredActions = 0;           // actions a user could not make
};
// Every modal run since the last reset, the innermost of nested runs after
// the one that opened it.
std::vector<DialogRun> DialogRuns();

struct HelpCall {
  HWND window = nullptr;
  std::string file;
  UINT command = 0;
  ULONG_PTR data = 0;
};
std::vector<HelpCall> HelpCalls();

}  // namespace w32test
