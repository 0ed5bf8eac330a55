#include "graphics/GCacheBytes.h"

#include "model/GAttribute.h"

void GCacheFailRestore() { GFailRestore(); }
