// Registration of the driver core's persistent classes with the class
// factory. The module calls RegisterDriverClasses when it starts, after the
// model's classes, and UnregisterDriverClasses when it unloads.
#pragma once

#include "model/ModelClasses.h"

// The registered classes, in registration order.
const ModelClassEntry* DriverClasses(unsigned* count);

void RegisterDriverClasses();
void UnregisterDriverClasses();
