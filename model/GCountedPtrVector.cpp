#include "model/GCountedPtrVector.h"

template class RWOrderedVector<GCountedPtr>;
