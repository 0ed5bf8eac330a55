// Internal to the stand-in (Module): on no include path but the stand-in's own.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "win32/Module.h"
#include "w32test/Kernel.h"
#include "w32detail/Kernel.h"
#include "w32test/Module.h"

namespace w32detail {

// The dialog template of a loaded module (null: the executable); nothing
// with ERROR_RESOURCE_DATA_NOT_FOUND for a module that is not loaded and
// ERROR_RESOURCE_NAME_NOT_FOUND for an id it lacks.
std::optional<w32test::DialogSpec> FindDialogTemplate(HINSTANCE module, UINT id);
// A bitmap resource of a loaded module, with the same errors.
std::optional<w32test::BitmapSpec> FindBitmapResource(HINSTANCE module, UINT id);
// Adds templates to the installed entry of that path (its own templates of
// the same ids stay); false without such an entry.
bool AddModuleDialogs(const std::u16string& path, const std::map<UINT, w32test::DialogSpec>& dialogs);
// Adds bitmaps and cursor ids to the installed entry of that path (its own
// of the same ids stay); false without such an entry.
bool AddModuleBitmaps(const std::u16string& path, const std::map<UINT, w32test::BitmapSpec>& bitmaps,
                      const std::vector<UINT>& cursors);
// Whether a loaded module has the cursor resource, with the same errors.
bool HasCursorResource(HINSTANCE module, UINT id);

}  // namespace w32detail
