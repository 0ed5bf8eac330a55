// The text a model display string shows: the UI string of its resource id,
// else its own text; empty when it has neither.
#pragma once

#include "rw/RWWString.h"

class GDisplayString;

RWWString DisplayStringText(const GDisplayString& display);
// The UI string of the id; empty for 0xFFFF or a missing string.
RWWString UIStringOrEmpty(unsigned id);
