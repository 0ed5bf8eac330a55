#include "win32/Dialog.h"
#include "w32test/Dialog.h"

#include <algorithm>
#include <deque>
#include <mutex>
#include <optional>

#include "win32/Kernel.h"
#include "w32detail/Kernel.h"
#include "w32detail/Gdi.h"
#include "w32detail/Module.h"
#include "w32detail/Platform.h"
#include "win32/User.h"
#include "w32test/User.h"
#include "w32detail/WindowTable.h"

namespace {

const char16_t kDialogClass[] = u"#32770";

struct ListItem {
  std::u16string text;
  LONG_PTR data = 0;
  bool selected = false;  // multiple-selection list boxes
};

struct ControlInfo {
  w32test::ControlKind kind = w32test::ControlKind::kStatic;
  UINT check = BST_UNCHECKED;
  HFONT font = nullptr;
  bool backgroundSet = false;
  COLORREF background = 0;
  std::vector<ListItem> items;
  int selection = -1;
  int limit = 0;
  int droppedWidth = 0;
  int position = 0;
  int lower = 0;
  int upper = 0;
};

// Indexes are 16-bit in the list messages: a box holds at most this many
// items and answers CB_ERRSPACE / LB_ERRSPACE beyond.
constexpr size_t kMaxListItems = 0x7FFF;

struct DialogInfo {
  DLGPROC procedure = nullptr;
  bool ended = false;
  INT_PTR result = 0;
};

struct Timer {
  HWND window = nullptr;
  UINT_PTR id = 0;
  UINT elapse = 0;
  TIMERPROC procedure = nullptr;
  bool killed = false;
};

struct DialogState {
  std::mutex mutex;
  std::map<HWND, ControlInfo> controls;
  std::map<HWND, DialogInfo> dialogs;  // the running modal dialogs
  std::vector<Timer> timers;           // of live windows, in the order set
  std::deque<std::vector<w32test::DialogAction>> scripts;
  std::vector<w32test::DialogRun> runs;
  std::vector<w32test::HelpCall> help;
};

DialogState& Dialogs() {
  static DialogState* state = [] {
    auto* s = new DialogState;
    w32detail::RegisterReset([s] {
      std::lock_guard<std::mutex> lock(s->mutex);
      s->controls.clear();
      s->dialogs.clear();
      s->timers.clear();
      s->scripts.clear();
      s->runs.clear();
      s->help.clear();
    });
    return s;
  }();
  return *state;
}

const char16_t* ClassOf(w32test::ControlKind kind) {
  switch (kind) {
    case w32test::ControlKind::kButton:
    case w32test::ControlKind::kCheckBox:
      return u"Button";
    case w32test::ControlKind::kEdit:
      return u"Edit";
    case w32test::ControlKind::kRichEdit:
      return u"RichEdit20W";
    case w32test::ControlKind::kComboBox:
      return u"ComboBox";
    case w32test::ControlKind::kListBox:
    case w32test::ControlKind::kMultiSelectListBox:
      return u"ListBox";
    case w32test::ControlKind::kUpDown:
      return u"msctls_updown32";
    case w32test::ControlKind::kStatic:
      break;
  }
  return u"Static";
}

bool IsButton(w32test::ControlKind kind) {
  return kind == w32test::ControlKind::kButton || kind == w32test::ControlKind::kCheckBox;
}

// A control's kind; false for a window that is no control.
bool KindOf(HWND control, w32test::ControlKind* kind) {
  DialogState& s = Dialogs();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto found = s.controls.find(control);
  if (found == s.controls.end()) return false;
  *kind = found->second.kind;
  return true;
}

UINT CheckOf(HWND control) {
  DialogState& s = Dialogs();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto found = s.controls.find(control);
  return found != s.controls.end() ? found->second.check : 0;
}

bool IsList(w32test::ControlKind kind) {
  return kind == w32test::ControlKind::kListBox || kind == w32test::ControlKind::kMultiSelectListBox;
}

std::u16string TextOf(LPARAM text) {
  const auto* chars = reinterpret_cast<LPCWSTR>(text);
  return chars != nullptr ? std::u16string(chars) : std::u16string();
}

bool InRange(const ControlInfo& info, WPARAM index) { return index < info.items.size(); }

// Copies the whole text and a terminator, as the list messages do.
LRESULT CopyItemText(const ControlInfo& info, WPARAM index, LPARAM buffer) {
  if (!InRange(info, index) || buffer == 0) return -1;
  const std::u16string& text = info.items[index].text;
  auto* out = reinterpret_cast<LPWSTR>(buffer);
  std::copy(text.begin(), text.end(), out);
  out[text.size()] = 0;
  return static_cast<LRESULT>(text.size());
}

// The list messages shared by combo and list boxes; handled false for
// others. `text` is set when the control's edit text must change.
LRESULT ListMessage(ControlInfo& info, UINT message, WPARAM wParam, LPARAM lParam, bool* handled,
                    std::optional<std::u16string>* text) {
  const bool combo = info.kind == w32test::ControlKind::kComboBox;
  const bool multi = info.kind == w32test::ControlKind::kMultiSelectListBox;
  *handled = true;
  auto selectionAfterRemoval = [&info](size_t index) {
    if (info.selection == static_cast<int>(index)) {
      info.selection = -1;
    } else if (info.selection > static_cast<int>(index)) {
      --info.selection;
    }
  };
  if (combo) {
    switch (message) {
      case CB_ADDSTRING:
        if (info.items.size() >= kMaxListItems) return CB_ERRSPACE;
        info.items.push_back(ListItem{TextOf(lParam), 0, false});
        return static_cast<LRESULT>(info.items.size() - 1);
      case CB_DELETESTRING:
        if (!InRange(info, wParam)) return CB_ERR;
        info.items.erase(info.items.begin() + static_cast<std::ptrdiff_t>(wParam));
        selectionAfterRemoval(wParam);
        return static_cast<LRESULT>(info.items.size());
      case CB_GETCOUNT:
        return static_cast<LRESULT>(info.items.size());
      case CB_GETCURSEL:
        return info.selection;
      case CB_GETLBTEXT:
        return CopyItemText(info, wParam, lParam);
      case CB_GETLBTEXTLEN:
        return InRange(info, wParam) ? static_cast<LRESULT>(info.items[wParam].text.size()) : CB_ERR;
      case CB_RESETCONTENT:
        info.items.clear();
        info.selection = -1;
        *text = std::u16string();
        return CB_OKAY;
      case CB_SETCURSEL:
        // An index out of range (-1 included) clears the selection.
        if (!InRange(info, wParam)) {
          info.selection = -1;
          *text = std::u16string();
          return CB_ERR;
        }
        info.selection = static_cast<int>(wParam);
        *text = info.items[wParam].text;
        return info.selection;
      case CB_GETITEMDATA:
        return InRange(info, wParam) ? info.items[wParam].data : CB_ERR;
      case CB_SETITEMDATA:
        if (!InRange(info, wParam)) return CB_ERR;
        info.items[wParam].data = lParam;
        return CB_OKAY;
      case CB_LIMITTEXT:
        info.limit = static_cast<int>(wParam);
        return TRUE;
      case CB_GETDROPPEDWIDTH:
        return info.droppedWidth;
      case CB_SETDROPPEDWIDTH:
        info.droppedWidth = static_cast<int>(wParam);
        return info.droppedWidth;
      default:
        break;
    }
  } else if (IsList(info.kind)) {
    switch (message) {
      case LB_ADDSTRING:
        if (info.items.size() >= kMaxListItems) return LB_ERRSPACE;
        info.items.push_back(ListItem{TextOf(lParam), 0, false});
        return static_cast<LRESULT>(info.items.size() - 1);
      case LB_DELETESTRING:
        if (!InRange(info, wParam)) return LB_ERR;
        info.items.erase(info.items.begin() + static_cast<std::ptrdiff_t>(wParam));
        selectionAfterRemoval(wParam);
        return static_cast<LRESULT>(info.items.size());
      case LB_RESETCONTENT:
        info.items.clear();
        info.selection = -1;
        return LB_OKAY;
      case LB_GETCOUNT:
        return static_cast<LRESULT>(info.items.size());
      case LB_GETTEXT:
        return CopyItemText(info, wParam, lParam);
      case LB_GETTEXTLEN:
        return InRange(info, wParam) ? static_cast<LRESULT>(info.items[wParam].text.size()) : LB_ERR;
      case LB_GETITEMDATA:
        return InRange(info, wParam) ? info.items[wParam].data : LB_ERR;
      case LB_SETITEMDATA:
        if (!InRange(info, wParam)) return LB_ERR;
        info.items[wParam].data = lParam;
        return LB_OKAY;
      case LB_SETCURSEL:
        if (multi) return LB_ERR;
        if (!InRange(info, wParam)) {
          info.selection = -1;
          return LB_ERR;
        }
        info.selection = static_cast<int>(wParam);
        return info.selection;
      case LB_GETCURSEL:
        return multi ? LB_ERR : info.selection;
      case LB_GETSEL:
        if (!InRange(info, wParam)) return LB_ERR;
        return multi ? (info.items[wParam].selected ? 1 : 0) : (info.selection == static_cast<int>(wParam) ? 1 : 0);
      case LB_SETSEL: {
        if (!multi) return LB_ERR;
        // lParam -1 selects or clears every item.
        const auto index = static_cast<int>(lParam);
        if (index == -1) {
          for (ListItem& item : info.items) item.selected = wParam != 0;
          return LB_OKAY;
        }
        if (index < 0 || !InRange(info, static_cast<WPARAM>(index))) return LB_ERR;
        info.items[static_cast<size_t>(index)].selected = wParam != 0;
        return LB_OKAY;
      }
      case LB_GETSELCOUNT: {
        if (!multi) return LB_ERR;
        LRESULT count = 0;
        for (const ListItem& item : info.items) count += item.selected ? 1 : 0;
        return count;
      }
      case LB_GETSELITEMS: {
        if (!multi) return LB_ERR;
        // At most wParam indexes into the buffer.
        auto* out = reinterpret_cast<INT*>(lParam);
        if (out == nullptr) return LB_ERR;
        LRESULT placed = 0;
        for (size_t i = 0; i < info.items.size() && static_cast<WPARAM>(placed) < wParam; ++i) {
          if (info.items[i].selected) out[placed++] = static_cast<INT>(i);
        }
        return placed;
      }
      default:
        break;
    }
  }
  *handled = false;
  return 0;
}

// What a control does with the messages the module sends it.
LRESULT ControlProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETTEXT:
      return SetWindowTextW(control, reinterpret_cast<LPCWSTR>(lParam));
    case WM_GETTEXT:
      return GetWindowTextW(control, reinterpret_cast<LPWSTR>(lParam), static_cast<int>(wParam));
    case WM_GETTEXTLENGTH: {
      size_t length = 0;
      w32detail::WithWindow(control, [&](w32detail::WindowData& data) { length = data.text.size(); });
      return static_cast<LRESULT>(length);
    }
    default:
      break;
  }
  DialogState& s = Dialogs();
  std::unique_lock<std::mutex> lock(s.mutex);
  auto found = s.controls.find(control);
  if (found == s.controls.end()) return 0;
  ControlInfo& info = found->second;
  bool handled = false;
  std::optional<std::u16string> text;
  const LRESULT listAnswer = ListMessage(info, message, wParam, lParam, &handled, &text);
  if (handled) {
    lock.unlock();
    // A combo box's edit field shows the selected item.
    if (text) w32detail::WithWindow(control, [&](w32detail::WindowData& data) { data.text = *text; });
    return listAnswer;
  }
  switch (message) {
    case EM_LIMITTEXT:
      if (info.kind == w32test::ControlKind::kEdit || info.kind == w32test::ControlKind::kRichEdit)
        info.limit = static_cast<int>(wParam);
      return 0;
    case EM_SETSEL:
      return 0;
    case UDM_SETRANGE:
      if (info.kind != w32test::ControlKind::kUpDown) return 0;
      info.upper = static_cast<short>(LOWORD(lParam));
      info.lower = static_cast<short>(HIWORD(lParam));
      return 0;
    case UDM_SETPOS: {
      if (info.kind != w32test::ControlKind::kUpDown) return 0;
      const int previous = info.position;
      info.position = static_cast<short>(LOWORD(lParam));
      return previous;
    }
    case UDM_GETPOS:
      return info.kind == w32test::ControlKind::kUpDown ? static_cast<LRESULT>(static_cast<WORD>(info.position)) : 0;
    case WM_SETFONT:
      info.font = reinterpret_cast<HFONT>(wParam);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(info.font);
    case BM_GETCHECK:
      return IsButton(info.kind) ? static_cast<LRESULT>(info.check) : 0;
    case BM_SETCHECK:
      if (info.kind == w32test::ControlKind::kCheckBox) {
        info.check = wParam == BST_CHECKED ? BST_CHECKED : wParam == BST_INDETERMINATE ? BST_INDETERMINATE
                                                                                      : BST_UNCHECKED;
      }
      return 0;
    case EM_SETBKGNDCOLOR: {
      if (info.kind != w32test::ControlKind::kRichEdit) return 0;
      const COLORREF previous = info.backgroundSet ? info.background : GetSysColor(COLOR_WINDOW);
      info.background = wParam != 0 ? GetSysColor(COLOR_WINDOW) : static_cast<COLORREF>(lParam);
      info.backgroundSet = true;
      return static_cast<LRESULT>(previous);
    }
    default:
      return 0;
  }
}

// Messages whose answer is what the procedure returns, not DWLP_MSGRESULT.
bool AnswersDirectly(UINT message) {
  return message == WM_INITDIALOG || (message >= 0x0132 && message <= 0x0138) /* WM_CTLCOLOR... */ ||
         message == 0x0039 /* WM_COMPAREITEM */ || message == 0x002E /* WM_VKEYTOITEM */ ||
         message == 0x002F /* WM_CHARTOITEM */ || message == 0x0037 /* WM_QUERYDRAGICON */;
}

// The dialog window hands every message to the dialog procedure; a message
// the procedure handled answers the DWLP_MSGRESULT slot.
LRESULT DialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  DLGPROC procedure = nullptr;
  {
    DialogState& s = Dialogs();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto found = s.dialogs.find(dialog);
    if (found != s.dialogs.end()) procedure = found->second.procedure;
  }
  if (procedure == nullptr) return 0;
  const INT_PTR handled = procedure(dialog, message, wParam, lParam);
  if (AnswersDirectly(message) || handled == 0) return handled;
  return GetWindowLongPtrW(dialog, DWLP_MSGRESULT);
}

bool Ended(HWND dialog, INT_PTR* result = nullptr) {
  DialogState& s = Dialogs();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto found = s.dialogs.find(dialog);
  if (found == s.dialogs.end()) return true;
  if (result != nullptr) *result = found->second.result;
  return found->second.ended;
}

void ForceEnd(HWND dialog, INT_PTR result) {
  DialogState& s = Dialogs();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto found = s.dialogs.find(dialog);
  if (found != s.dialogs.end() && !found->second.ended) {
    found->second.ended = true;
    found->second.result = result;
  }
}

bool Usable(HWND control) { return control != nullptr && IsWindowEnabled(control) && IsWindowVisible(control); }

// A usable control of the kind the action needs.
HWND UsableOfKind(HWND dialog, int id, std::initializer_list<w32test::ControlKind> kinds) {
  HWND control = GetDlgItem(dialog, id);
  w32test::ControlKind kind;
  if (!Usable(control) || !KindOf(control, &kind)) return nullptr;
  return std::find(kinds.begin(), kinds.end(), kind) != kinds.end() ? control : nullptr;
}

void Notify(HWND dialog, int id, WORD code, HWND control) {
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
}

void Command(HWND dialog, int id, HWND control) {
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
}

// A user's click on a button or check box; false when it cannot be made.
bool ClickControl(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  w32test::ControlKind kind;
  if (!Usable(control) || !KindOf(control, &kind) || !IsButton(kind)) return false;
  if (kind == w32test::ControlKind::kCheckBox) {
    DialogState& s = Dialogs();
    std::lock_guard<std::mutex> lock(s.mutex);
    UINT& check = s.controls[control].check;
    check = check == BST_UNCHECKED ? BST_CHECKED : BST_UNCHECKED;
  }
  Command(dialog, id, control);
  return true;
}

// Performs one scripted action; false when the user could not make it.
bool Perform(HWND dialog, const w32test::DialogAction& action) {
  using Action = w32test::DialogAction;
  switch (action.kind) {
    case Action::kClick:
      return ClickControl(dialog, action.id);
    case Action::kSetCheck: {
      HWND control = GetDlgItem(dialog, action.id);
      w32test::ControlKind kind;
      if (!Usable(control) || !KindOf(control, &kind) || kind != w32test::ControlKind::kCheckBox) return false;
      if ((CheckOf(control) == BST_CHECKED) == action.checked) return true;
      return ClickControl(dialog, action.id);
    }
    case Action::kFireTimer: {
      Timer timer;
      bool found = false;
      {
        DialogState& s = Dialogs();
        std::lock_guard<std::mutex> lock(s.mutex);
        for (const Timer& t : s.timers) {
          if (t.window == dialog && t.id == static_cast<UINT_PTR>(action.id) && !t.killed) {
            timer = t;
            found = true;
          }
        }
      }
      if (!found) return false;
      if (timer.procedure != nullptr) {
        timer.procedure(dialog, WM_TIMER, timer.id, GetTickCount());
      } else {
        SendMessageW(dialog, WM_TIMER, timer.id, 0);
      }
      return true;
    }
    case Action::kMessage:
      SendMessageW(dialog, action.message, action.wParam, action.lParam);
      return true;
    case Action::kClose: {
      HWND control = GetDlgItem(dialog, action.id);
      if (control != nullptr && !IsWindowEnabled(control)) return false;
      Command(dialog, action.id, control);
      ForceEnd(dialog, action.id);
      return true;
    }
    case Action::kInspect:
      if (action.inspect) action.inspect(dialog);
      return true;
    case Action::kSelect: {
      using K = w32test::ControlKind;
      HWND control = UsableOfKind(dialog, action.id, {K::kComboBox, K::kListBox});
      if (control == nullptr) return false;
      w32test::ControlKind kind = K::kComboBox;
      KindOf(control, &kind);
      const bool combo = kind == K::kComboBox;
      const LRESULT count = SendMessageW(control, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
      if (action.index < -1 || action.index >= count) return false;
      SendMessageW(control, combo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(action.index), 0);
      Notify(dialog, action.id, combo ? CBN_SELCHANGE : LBN_SELCHANGE, control);
      return true;
    }
    case Action::kSetSelected: {
      HWND control = UsableOfKind(dialog, action.id, {w32test::ControlKind::kMultiSelectListBox});
      if (control == nullptr) return false;
      if (action.index < 0 || action.index >= SendMessageW(control, LB_GETCOUNT, 0, 0)) return false;
      SendMessageW(control, LB_SETSEL, action.checked ? TRUE : FALSE, action.index);
      Notify(dialog, action.id, LBN_SELCHANGE, control);
      return true;
    }
    case Action::kType: {
      using K = w32test::ControlKind;
      HWND control = UsableOfKind(dialog, action.id, {K::kEdit, K::kRichEdit, K::kComboBox});
      if (control == nullptr) return false;
      w32test::ControlKind kind = K::kEdit;
      int limit = 0;
      {
        DialogState& s = Dialogs();
        std::lock_guard<std::mutex> lock(s.mutex);
        const ControlInfo& info = s.controls[control];
        kind = info.kind;
        limit = info.limit;
      }
      std::u16string typed = action.text;
      if (limit > 0 && typed.size() > static_cast<size_t>(limit)) typed.resize(static_cast<size_t>(limit));
      SetWindowTextW(control, typed.c_str());
      Notify(dialog, action.id, kind == K::kComboBox ? CBN_EDITCHANGE : EN_CHANGE, control);
      return true;
    }
    case Action::kSpin: {
      HWND control = UsableOfKind(dialog, action.id, {w32test::ControlKind::kUpDown});
      if (control == nullptr) return false;
      int position = 0;
      {
        DialogState& s = Dialogs();
        std::lock_guard<std::mutex> lock(s.mutex);
        position = s.controls[control].position;
      }
      NMUPDOWN change{};
      change.hdr.hwndFrom = control;
      change.hdr.idFrom = static_cast<UINT_PTR>(action.id);
      change.hdr.code = UDN_DELTAPOS;
      change.iPos = position;
      change.iDelta = action.index;
      const LRESULT refused = SendMessageW(dialog, WM_NOTIFY, static_cast<WPARAM>(action.id),
                                           reinterpret_cast<LPARAM>(&change));
      if (refused == 0) {
        DialogState& s = Dialogs();
        std::lock_guard<std::mutex> lock(s.mutex);
        ControlInfo& info = s.controls[control];
        const int low = std::min(info.lower, info.upper);
        const int high = std::max(info.lower, info.upper);
        info.position = std::clamp(position + change.iDelta, low, high);
      }
      return true;
    }
  }
  return false;
}

w32test::ControlState Snapshot(HWND control) {
  w32test::ControlState state;
  w32detail::WithWindow(control, [&](w32detail::WindowData& data) {
    state.text = data.text;
    state.enabled = data.enabled;
    state.visible = data.visible;
  });
  {
    DialogState& s = Dialogs();
    std::lock_guard<std::mutex> lock(s.mutex);
    const ControlInfo& info = s.controls[control];
    state.kind = info.kind;
    state.check = info.check;
    state.font = info.font;
    state.backgroundSet = info.backgroundSet;
    state.background = info.background;
    for (size_t i = 0; i < info.items.size(); ++i) {
      state.items.push_back(info.items[i].text);
      state.itemData.push_back(info.items[i].data);
      if (info.items[i].selected) state.selectedItems.push_back(static_cast<int>(i));
    }
    state.selection = info.selection;
    state.limit = info.limit;
    state.droppedWidth = info.droppedWidth;
    state.position = info.position;
    state.lower = info.lower;
    state.upper = info.upper;
  }
  if (state.font != nullptr) state.fontKnown = w32detail::FontDescription(state.font, &state.fontDescription);
  return state;
}

int ControlIdOf(HWND control) {
  int id = 0;
  w32detail::WithWindow(control, [&](w32detail::WindowData& data) { id = data.controlId; });
  return id;
}

}  // namespace

INT_PTR DialogBoxParamW(HINSTANCE module, LPCWSTR templateName, HWND owner, DLGPROC procedure, LPARAM initParam) {
  if (w32detail::ShouldFail("DialogBoxParamW")) return -1;
  if (procedure == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  if (owner != nullptr && !w32detail::IsWindowHandle(owner)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (!IS_INTRESOURCE(templateName)) {  // templates are found by id only
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return -1;
  }
  const UINT templateId = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(templateName));
  std::optional<w32test::DialogSpec> spec = w32detail::FindDialogTemplate(module, templateId);
  if (!spec) return -1;

  // What the caller disabled, before the dialog manager disables the owner.
  std::vector<HWND> disabled;
  for (HWND window : w32detail::TopLevelWindows())
    if (!IsWindowEnabled(window)) disabled.push_back(window);

  // The dialog with its font and its controls.
  LOGFONTW logFont{};
  logFont.lfHeight = -11;
  logFont.lfWeight = FW_NORMAL;
  const char16_t face[] = u"MS Shell Dlg";
  for (size_t i = 0; i + 1 < sizeof face / sizeof face[0]; ++i) logFont.lfFaceName[i] = face[i];
  HFONT font = w32detail::CreateFontObject(logFont);

  w32detail::WindowData window;
  window.className = kDialogClass;
  window.text = spec->caption;
  window.parent = owner;
  window.handler = &DialogProcedure;
  window.clientWidth = spec->width > 0 ? spec->width : 0;
  window.clientHeight = spec->height > 0 ? spec->height : 0;
  HWND dialog = w32detail::AddWindow(std::move(window));
  std::vector<HWND> controls;
  for (const w32test::ControlSpec& c : spec->controls) {
    w32detail::WindowData data;
    data.className = ClassOf(c.kind);
    data.text = c.text;
    data.parent = dialog;
    data.child = true;
    data.controlId = c.id;
    data.enabled = !c.disabled;
    data.visible = !c.hidden;
    data.x = c.x;
    data.y = c.y;
    data.clientWidth = c.width > 0 ? c.width : 0;
    data.clientHeight = c.height > 0 ? c.height : 0;
    data.handler = &ControlProcedure;
    controls.push_back(w32detail::AddWindow(std::move(data)));
  }

  size_t runIndex = 0;
  std::vector<w32test::DialogAction> script;
  {
    DialogState& s = Dialogs();
    std::lock_guard<std::mutex> lock(s.mutex);
    for (size_t i = 0; i < controls.size(); ++i) {
      ControlInfo& info = s.controls[controls[i]];
      info.kind = spec->controls[i].kind;
      info.font = font;
    }
    s.dialogs[dialog].procedure = procedure;
    w32test::DialogRun run;
    run.module = module;
    run.templateId = templateId;
    run.owner = owner;
    run.window = dialog;
    run.disabledWindows = disabled;
    runIndex = s.runs.size();
    s.runs.push_back(std::move(run));
    if (!s.scripts.empty()) {
      script = std::move(s.scripts.front());
      s.scripts.pop_front();
    }
  }

  // Modal: the owner takes no input while the dialog is up.
  const bool ownerDisabled = owner != nullptr && IsWindowEnabled(owner);
  if (ownerDisabled) w32detail::WithWindow(owner, [](w32detail::WindowData& data) { data.enabled = false; });

  SendMessageW(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(controls.empty() ? nullptr : controls.front()),
               initParam);
  int ignored = 0;
  for (const w32test::DialogAction& action : script) {
    if (Ended(dialog)) break;
    if (!Perform(dialog, action)) ++ignored;
  }
  if (!Ended(dialog)) {
    Command(dialog, IDCANCEL, GetDlgItem(dialog, IDCANCEL));
    ForceEnd(dialog, IDCANCEL);
  }
  INT_PTR result = 0;
  Ended(dialog, &result);

  if (ownerDisabled) w32detail::WithWindow(owner, [](w32detail::WindowData& data) { data.enabled = true; });
  SendMessageW(dialog, WM_DESTROY, 0, 0);

  // What the dialog showed, then its end.
  std::map<int, w32test::ControlState> shown;
  for (HWND control : controls) shown[ControlIdOf(control)] = Snapshot(control);
  {
    DialogState& s = Dialogs();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (runIndex < s.runs.size() && s.runs[runIndex].window == dialog) {
      w32test::DialogRun& run = s.runs[runIndex];
      run.result = result;
      run.finished = true;
      run.controls = std::move(shown);
      run.ignoredActions = ignored;
      for (const Timer& t : s.timers)
        if (t.window == dialog) run.timers.push_back(w32test::TimerRecord{t.id, t.elapse, t.killed});
    }
    // The timers of the dialog and its controls end with their windows.
    std::vector<Timer> others;
    for (const Timer& t : s.timers)
      if (t.window != dialog && s.controls.count(t.window) == 0) others.push_back(t);
    s.timers = std::move(others);
    for (HWND control : controls) s.controls.erase(control);
    s.dialogs.erase(dialog);
  }
  for (HWND control : controls) w32detail::RemoveWindow(control);
  w32detail::RemoveWindow(dialog);
  if (font != nullptr) DeleteObject(font);
  return result;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  DialogState& s = Dialogs();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto found = s.dialogs.find(dialog);
  if (found == s.dialogs.end()) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  found->second.ended = true;
  found->second.result = result;
  return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) {
  if (!w32detail::IsWindowHandle(dialog)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  for (HWND control : w32detail::ChildWindows(dialog))
    if (ControlIdOf(control) == id) return control;
  SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
  return nullptr;
}

BOOL MapDialogRect(HWND dialog, RECT* rect) {
  if (!w32detail::IsWindowHandle(dialog) || rect == nullptr) {
    SetLastError(rect == nullptr ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  auto scale = [](LONG value, LONG base, LONG units) {
    const long long scaled = static_cast<long long>(value) * base;
    const long long half = units / 2;
    return static_cast<LONG>(scaled >= 0 ? (scaled + half) / units : -((-scaled + half) / units));
  };
  rect->left = scale(rect->left, 6, 4);
  rect->right = scale(rect->right, 6, 4);
  rect->top = scale(rect->top, 13, 8);
  rect->bottom = scale(rect->bottom, 13, 8);
  return TRUE;
}

BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text) {
  HWND control = GetDlgItem(dialog, id);
  return control != nullptr ? SetWindowTextW(control, text) : FALSE;
}

UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR buffer, int size) {
  HWND control = GetDlgItem(dialog, id);
  if (control == nullptr) {
    if (buffer != nullptr && size > 0) buffer[0] = 0;
    return 0;
  }
  return static_cast<UINT>(GetWindowTextW(control, buffer, size));
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
  HWND control = GetDlgItem(dialog, id);
  if (control == nullptr) return FALSE;
  SendMessageW(control, BM_SETCHECK, check, 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  return control != nullptr ? static_cast<UINT>(SendMessageW(control, BM_GETCHECK, 0, 0)) : 0;
}

LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND control = GetDlgItem(dialog, id);
  return control != nullptr ? SendMessageW(control, message, wParam, lParam) : 0;
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC procedure) {
  if (window == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (!w32detail::IsWindowHandle(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  DialogState& s = Dialogs();
  std::lock_guard<std::mutex> lock(s.mutex);
  bool replaced = false;
  for (Timer& t : s.timers) {
    if (t.window == window && t.id == id && !t.killed) {
      t.elapse = elapse;
      t.procedure = procedure;
      replaced = true;
    }
  }
  if (!replaced) s.timers.push_back(Timer{window, id, elapse, procedure, false});
  return id != 0 ? id : 1;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
  DialogState& s = Dialogs();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (Timer& t : s.timers) {
    if (t.window == window && t.id == id && !t.killed) {
      t.killed = true;
      return TRUE;
    }
  }
  return FALSE;
}

DWORD GetSysColor(int index) {
  switch (index) {
    case COLOR_BTNFACE:
      return RGB(0xC0, 0xC0, 0xC0);
    case COLOR_WINDOW:
      return RGB(0xFF, 0xFF, 0xFF);
    default:
      return 0;
  }
}

BOOL WinHelpA(HWND window, LPCSTR helpFile, UINT command, ULONG_PTR data) {
  DialogState& s = Dialogs();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.help.push_back(w32test::HelpCall{window, helpFile != nullptr ? helpFile : "", command, data});
  return helpFile != nullptr && helpFile[0] != 0 ? TRUE : FALSE;
}

namespace w32test {

DialogAction DialogAction::Click(int id) {
  DialogAction a;
  a.kind = kClick;
  a.id = id;
  return a;
}

DialogAction DialogAction::SetCheck(int id, bool checked) {
  DialogAction a;
  a.kind = kSetCheck;
  a.id = id;
  a.checked = checked;
  return a;
}

DialogAction DialogAction::FireTimer(int id) {
  DialogAction a;
  a.kind = kFireTimer;
  a.id = id;
  return a;
}

DialogAction DialogAction::Message(UINT message, WPARAM wParam, LPARAM lParam) {
  DialogAction a;
  a.kind = kMessage;
  a.message = message;
  a.wParam = wParam;
  a.lParam = lParam;
  return a;
}

DialogAction DialogAction::Close(int id) {
  DialogAction a;
  a.kind = kClose;
  a.id = id;
  return a;
}

DialogAction DialogAction::Inspect(std::function<void(HWND dialog)> inspect) {
  DialogAction a;
  a.kind = kInspect;
  a.inspect = std::move(inspect);
  return a;
}

DialogAction DialogAction::Select(int id, int index) {
  DialogAction a;
  a.kind = kSelect;
  a.id = id;
  a.index = index;
  return a;
}

DialogAction DialogAction::SetSelected(int id, int index, bool selected) {
  DialogAction a;
  a.kind = kSetSelected;
  a.id = id;
  a.index = index;
  a.checked = selected;
  return a;
}

DialogAction DialogAction::Type(int id, std::u16string text) {
  DialogAction a;
  a.kind = kType;
  a.id = id;
  a.text = std::move(text);
  return a;
}

DialogAction DialogAction::Spin(int id, int delta) {
  DialogAction a;
  a.kind = kSpin;
  a.id = id;
  a.index = delta;
  return a;
}

void QueueDialogScript(std::vector<DialogAction> actions) {
  DialogState& s = Dialogs();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.scripts.push_back(std::move(actions));
}

void ClearDialogScripts() {
  DialogState& s = Dialogs();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.scripts.clear();
}

std::vector<DialogRun> DialogRuns() {
  DialogState& s = Dialogs();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.runs;
}

std::vector<HelpCall> HelpCalls() {
  DialogState& s = Dialogs();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.help;
}

}  // namespace w32test

namespace w32detail {

w32test::ControlState ControlSnapshot(HWND control) { return Snapshot(control); }

}  // namespace w32detail
