// The UI resource library: the library whose dialogs, strings and bitmaps
// the user interface shows, loaded by name with a count so that several
// sheets and dialogs share one load, and the string loader over it. The
// module's own instance is recorded before the first sheet.
#pragma once

#include "rw/RWWString.h"
#include "win32/Types.h"

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

// Loads string id of the UI resource library (at most 256 characters) into
// out; out is empty when the string is missing. The characters loaded.
int LoadUIString(int id, RWWString* out);
