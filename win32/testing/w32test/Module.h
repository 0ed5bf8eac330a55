// The testing interface of the stand-in, part Module: see "w32test/Testing.h".
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "win32/Module.h"
#include "w32test/Kernel.h"

namespace w32test {

// The kinds of control a dialog template holds, with their window classes:
// static text ("Static"), push button and check box ("Button"), edit
// ("Edit"), rich edit ("RichEdit20W"), drop-down combo box with an edit
// field ("ComboBox"), single- and multiple-selection list box ("ListBox")
// and up-down control ("msctls_updown32").
enum class ControlKind {
  kStatic,
  kButton,
  kCheckBox,
  kEdit,
  kRichEdit,
  kComboBox,
  kListBox,
  kMultiSelectListBox,
  kUpDown,
};

struct ControlSpec {
  int id = 0;
  ControlKind kind = ControlKind::kStatic;
  std::u16string text;
  bool disabled = false;
  bool hidden = false;
  // Its rectangle in the dialog's client area (ChildWindowFromPoint); empty
  // by default, so that no point falls on it.
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// A dialog template: its caption and its controls in tab order, and the size
// of its client area (empty by default).
struct DialogSpec {
  std::u16string caption;
  std::vector<ControlSpec> controls;
  int width = 0;
  int height = 0;
};

// A bitmap resource: its pixels row by row from the top, width * height
// colours (RGB()).
struct BitmapSpec {
  int width = 0;
  int height = 0;
  std::vector<DWORD> pixels;
};

struct ModuleSpec {
  std::u16string name;  // "QVBAFD32.DLL"; may be a full path, which then gives the path
  std::u16string path;  // Windows path; by default "C:\WINDOWS\SYSTEM32\" + name
  std::map<std::string, FARPROC> exports;  // names are case-sensitive
  std::map<UINT, std::u16string> strings;
  std::map<UINT, DialogSpec> dialogs;  // dialog templates by id
  std::map<UINT, BitmapSpec> bitmaps;  // bitmap resources by id
  std::set<UINT> cursors;              // cursor resources by id
  DWORD loadCount = 0;  // references already held, e.g. 1 for the module itself
};

// Turns any function pointer into an export table entry.
template <class F>
FARPROC Export(F* function) {
  return reinterpret_cast<FARPROC>(function);
}

// Installs (or replaces the entry with the same path) and returns its handle,
// which stays the same while the entry is installed. An empty file is put at
// the path so that the file calls find the library. Reset() removes every
// entry but the executable's.
HMODULE InstallModule(const ModuleSpec& spec);
bool RemoveModule(LPCWSTR name);
// The handle of an installed entry, loaded or not; null when none.
HMODULE InstalledModule(LPCWSTR name);
// The references held; 0 when the entry is not installed.
DWORD ModuleLoadCount(LPCWSTR name);
// The executable's path; by default "C:\WINDOWS\SYSTEM32\SPOOLSV.EXE".
void SetProcessImagePath(LPCWSTR path);

}  // namespace w32test
