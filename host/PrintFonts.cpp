#include "host/PrintFonts.h"

#include "graphics/GraphicsServices.h"

namespace qvhost {

void AddPrintFontServices(GUpwardServices* services) { AddGraphicsServices(services); }

void StartPrintFontPool() { CreateFontPool(); }

void StopPrintFontPool() { DestroyFontPool(); }

}  // namespace qvhost
