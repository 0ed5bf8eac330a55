// The pictures of the printer and its accessories, authored here as data:
// bitmap 2100 is the printer itself, 2101 to 2120 the accessories drawn over
// it (input trays, the envelope feeder, the output accessories, the raised
// stand). Every bitmap has the printer's size; the colour of its top-left
// pixel is its background, which the pages leave out when they compose the
// picture. The trays and bins are areas of one colour each, so that the
// page can highlight one by filling it.
#pragma once

#include <cstddef>

#include "win32/DialogResource.h"

constexpr int kPrinterPictureWidth = 200;
constexpr int kPrinterPictureHeight = 185;

// The bitmaps in ascending id order.
const IMAGE_RESOURCE_BITMAP* PrinterPictureEntries(size_t* count);
