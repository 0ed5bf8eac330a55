// The UI resource library: the library whose dialogs, strings and bitmaps
// the user interface shows, loaded by name with a count so that several
// sheets and dialogs share one load, and the toolbox over it: the string
// loader, the message box that honours right-to-left languages, text setting
// without flicker and the paper look-ups the rules share. The module's own
// instance is recorded before the first sheet.
#pragma once

#include <cstdint>

#include "rw/RWWString.h"
#include "win32/Types.h"

class GUISession;

// This module's instance; the first call that gives one records it.
void SetModuleInstance(HINSTANCE instance);
HINSTANCE GetModuleInstance();

// Counts the loads; the call that raises the count from 0 loads the library
// by name. 1 when the library is (or already was) loaded, 0 when loading
// failed (the count is then not raised).
int LoadUIResourceLibrary(const RWWString& name);
// The call that brings the count from 1 to 0 frees the library (its result
// is FreeLibrary's); other calls answer 0.
int FreeUIResourceLibrary();
// The loaded library, null when none is loaded.
HINSTANCE GetUIResourceInstance();

// Loads string id of the UI resource library into out, however long it is;
// out is empty when the string (or the library) is missing. The characters
// loaded.
int LoadUIString(int id, RWWString* out);

// Sets the control's text only when it differs from what the control shows
// (exact comparison), so that an unchanged text does not flicker.
void SetDlgItemTextIfChanged(HWND dialog, int controlId, LPCWSTR text);

// The unsigned number an edit starts with (after blanks), from at most
// limit characters; numbers beyond 999999999 read as that bound. 0 when
// the text starts with anything else.
int ReadDlgItemNumber(HWND dialog, int controlId, int limit, int64_t* out);

// Shows a message box with the texts as they are (never read as a format).
// When the UI resource library's first translation is for code page 1255 or
// 1256, the box is right-aligned and reads right to left. The button
// pressed.
int UIMessageBox(HWND owner, const RWWString& text, const RWWString& caption, int flags);

// 1 for the papers the rules restrict (8 to 16, 50, 52, 59, 60 and 73).
int IsRestrictedPaper(int16_t paperId);
// A custom paper (id above 0x3FFF) named exactly like the display name of
// a visible standard paper of the session's paper mappings becomes that
// standard paper; any other id is left as it is.
void ResolveCustomPaperId(int* paperId, GUISession* session);
