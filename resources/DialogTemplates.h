// The module's own dialog templates, authored here as data: the property
// pages of the document and device sheets and the about box, each with its
// controls at their places in client pixels. The module's image carries them
// in its dialog section (IMAGE_DIALOG_SECTION_NAME), and the host gives them
// to the UI resource library it sets up; a test that installs a library by
// hand gives it the same templates.
#pragma once

#include <cstddef>

#include "win32/DialogResource.h"

// The templates in ascending id order.
const IMAGE_RESOURCE_DIALOG* DialogTemplateEntries(size_t* count);
