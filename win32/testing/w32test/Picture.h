// The testing interface of the stand-in, part Picture: what a dialog looks
// like. Tests include it through the umbrella "w32test/Testing.h".
#pragma once

#include <map>
#include <vector>

#include "win32/DialogResource.h"
#include "w32host/Pictures.h"
#include "w32test/Module.h"

namespace w32test {

using w32host::DrawDialog;
using w32host::Picture;

// Templates carried as data (an image's dialog section) as a module entry
// takes them.
std::map<UINT, DialogSpec> DialogTemplates(const IMAGE_RESOURCE_DIALOG* dialogs, size_t count);

}  // namespace w32test
