// Registration of the print path's persistent classes with the class
// factory. The model cannot name them (it lies below the print path), so the
// module calls RegisterPrintPathClasses at start-up, after the model's
// classes, and UnregisterPrintPathClasses when it unloads; tests call them
// from their test environment.
#pragma once

#include "model/ModelClasses.h"

// The registered classes, in registration order.
const ModelClassEntry* PrintPathClasses(unsigned* count);

void RegisterPrintPathClasses();
void UnregisterPrintPathClasses();
