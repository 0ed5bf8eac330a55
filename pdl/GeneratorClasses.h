// Registration of the printer-language generators' persistent classes (the
// PJL peripheral and the three generators) with the class factory. The
// module calls RegisterGeneratorClasses at start-up, after the model's and
// the print path's classes, and UnregisterGeneratorClasses when it unloads;
// tests call them from their test environment. The generator base is
// abstract and is not registered.
#pragma once

#include "model/ModelClasses.h"

// The registered classes, in registration order.
const ModelClassEntry* GeneratorClasses(unsigned* count);

void RegisterGeneratorClasses();
void UnregisterGeneratorClasses();
