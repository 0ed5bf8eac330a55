// The packed form of a stored bitmap: its data is the expanded size (32
// bits, low byte first) followed by LZW-packed bytes. The generators expand
// it before an image goes through the raster pipeline.
#pragma once

#include "graphics/GBitmap.h"

// The expanded bitmap, or an empty one when the data does not expand to a
// whole image of the bitmap's bounds (a damaged size is not believed).
GBitmap ExpandPackedBitmap(const GBitmap& bitmap);
