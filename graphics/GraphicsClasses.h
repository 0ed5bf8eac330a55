// Registration of the graphics model's persistent classes (colours, paints,
// palettes, dither matrices, ...) with the class factory. The layers below
// cannot name them, so the module calls RegisterGraphicsClasses at
// start-up, after the print path's classes, and UnregisterGraphicsClasses
// when it unloads; tests call them from their test environment.
#pragma once

#include "model/ModelClasses.h"

// The registered classes, in registration order.
const ModelClassEntry* GraphicsClasses(unsigned* count);

void RegisterGraphicsClasses();
void UnregisterGraphicsClasses();
