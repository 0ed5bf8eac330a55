#include "module/ModuleFonts.h"

#include "graphics/GraphicsServices.h"

namespace qvmodule {

void AddFontServices(GUpwardServices* services) { AddGraphicsServices(services); }

void StartFontPool() { CreateFontPool(); }

void StopFontPool() { DestroyFontPool(); }

}  // namespace qvmodule
