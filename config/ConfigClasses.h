// Registration of the configuration exchange's persistent classes with the
// class factory. The model cannot name them (it lies below this layer), so
// the module calls RegisterConfigClasses at start-up, after the lower
// layers' classes, and UnregisterConfigClasses when it unloads; tests call
// them from their test environment.
#pragma once

#include "model/ModelClasses.h"

// The registered classes, in registration order.
const ModelClassEntry* ConfigClasses(unsigned* count);

void RegisterConfigClasses();
void UnregisterConfigClasses();
