// The module table of the stand-in. Every library the module loads (its
// companions, extensions, the job-accounting library, resource modules and
// the module itself) is an entry that a test installs: a name, a Windows
// path, an export table of in-process functions, a string table and dialog
// templates. Loading
// counts references as on Windows; a handle whose count fell to 0 is no longer
// valid. The process's executable is an entry of its own, always loaded.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "win32/Kernel.h"

#ifndef ERROR_RESOURCE_DATA_NOT_FOUND
#define ERROR_RESOURCE_DATA_NOT_FOUND 1812L
#endif
#ifndef ERROR_RESOURCE_NAME_NOT_FOUND
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L
#endif

// Exports are handed out as the generic function pointer type, which callers
// cast to the entry's real type (the compiler accepts casts from this one).
typedef void (*FARPROC)();

// A name with a directory must match the entry's path; a bare name matches
// the entry's name. Case is ignored and ".dll" is added to a name without an
// extension. A missing module gives null with ERROR_MOD_NOT_FOUND.
HMODULE LoadLibraryW(LPCWSTR name);
HMODULE LoadLibraryA(LPCSTR name);
// The flags do not change how an entry is found; the file handle must be null.
HMODULE LoadLibraryExW(LPCWSTR name, HANDLE file, DWORD flags);
BOOL FreeLibrary(HMODULE module);
// Frees the module, then ends the calling thread, which must be a thread of
// CreateThread.
[[noreturn]] void FreeLibraryAndExitThread(HMODULE module, DWORD exitCode);
// Null with ERROR_PROC_NOT_FOUND for a name the export table lacks (or an
// ordinal: entries export by name only).
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
// A loaded module without adding a reference; null names the executable.
HMODULE GetModuleHandleW(LPCWSTR name);
HMODULE GetModuleHandleA(LPCSTR name);
// The path of a loaded module (null: the executable). Returns the length
// without the terminator; when it does not fit, the path is cut to size - 1
// characters and terminated, the result is size, and the last error is
// ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size);
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
// Copies at most size - 1 characters of the string and a terminator; returns
// the characters copied, 0 for a string the module lacks. The read-only
// pointer form (size 0) is not offered.
int LoadStringW(HINSTANCE module, UINT id, LPWSTR buffer, int size);
int LoadStringA(HINSTANCE module, UINT id, LPSTR buffer, int size);

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

namespace w32detail {

// The dialog template of a loaded module (null: the executable); nothing
// with ERROR_RESOURCE_DATA_NOT_FOUND for a module that is not loaded and
// ERROR_RESOURCE_NAME_NOT_FOUND for an id it lacks.
std::optional<w32test::DialogSpec> FindDialogTemplate(HINSTANCE module, UINT id);
// A bitmap resource of a loaded module, with the same errors.
std::optional<w32test::BitmapSpec> FindBitmapResource(HINSTANCE module, UINT id);
// Whether a loaded module has the cursor resource, with the same errors.
bool HasCursorResource(HINSTANCE module, UINT id);

}  // namespace w32detail
