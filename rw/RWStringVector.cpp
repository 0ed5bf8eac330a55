#include "rw/RWStringVector.h"

template class RWOrderedVector<RWCString>;
