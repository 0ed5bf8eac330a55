// The administration API of the stand-in, part Pictures: what a dialog or a
// property page looks like. The stand-in draws a dialog's client area from
// its controls as they stand (frames, texts in a real font, check states,
// the selected item of a combo box, the items of a list box) and lets the
// dialog draw its owner-drawn controls (WM_DRAWITEM) into them.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "w32host/Administration.h"
#include "win32/DialogResource.h"
#include "win32/Types.h"

namespace w32host {

// A picture row by row from the top, width * height colours (RGB()).
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> pixels;
};

// Draws the client area of a dialog. Texts are drawn with the DejaVu Sans
// font when the machine has it (fonts-dejavu-core), else left out.
Picture DrawDialog(HWND dialog);

// While a sink is set, every property sheet run shows each page added to it
// as a dialog (its template from the page's instance, its procedure with the
// page record), draws it, hands the picture to the sink and closes it again.
// An empty function removes the sink.
using PagePictureSink = std::function<void(const SheetPageRecord& page, const Picture& picture)>;
void SetPagePictureSink(PagePictureSink sink);

// Adds dialog templates carried as data to a library entry (added with
// AddResourceLibrary); false when there is no such entry.
bool AddResourceDialogs(const std::u16string& path, const IMAGE_RESOURCE_DIALOG* dialogs, size_t count);

// Adds bitmaps carried as data to a library entry (added with
// AddResourceLibrary), with the cursor resources of the given ids; false
// when there is no such entry.
bool AddResourceBitmaps(const std::u16string& path, const IMAGE_RESOURCE_BITMAP* bitmaps, size_t count,
                        const std::vector<UINT>& cursors = {});

}  // namespace w32host
