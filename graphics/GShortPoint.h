// GShortPoint and GRealPair: the small geometry values of the graphics
// objects. A point (the model's GShortPoint) is a pair of signed 16-bit
// device coordinates (shape point lists, offsets, corner sizes); a real pair
// (the model's GRealPair) is two 32-bit floats (the scale factors of a
// transform and of a peripheral).
#pragma once

#include "model/GRealPair.h"
#include "model/GShortPoint.h"
