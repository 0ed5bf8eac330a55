// Internal to the stand-in (Gdi): on no include path but the stand-in's own.
#pragma once

#include <string>
#include <vector>

#include "win32/Gdi.h"
#include "w32test/Gdi.h"

namespace w32detail {

// Fonts that the stand-in itself makes (a dialog's font), outside the
// failure script of CreateFontIndirectW.
HFONT CreateFontObject(const LOGFONTW& font);
// The description of a live font; false for no font.
bool FontDescription(HGDIOBJ font, LOGFONTW* out);

}  // namespace w32detail
