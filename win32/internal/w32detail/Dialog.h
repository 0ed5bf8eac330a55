// The dialog manager's controls as other parts of the stand-in read them.
// Internal to the stand-in (namespace w32detail).
#pragma once

#include <vector>

#include "w32host/Administration.h"
#include "w32test/Dialog.h"

namespace w32detail {

// A control as it stands (kind, text, check, items and selection, enabled
// and visible).
w32test::ControlState ControlSnapshot(HWND control);

// With a page picture sink set (w32host::SetPagePictureSink), shows each
// page as a dialog, hands its picture to the sink and closes it; nothing
// without one.
void ShowPagePictures(const std::vector<w32host::SheetPageRecord>& pages);

}  // namespace w32detail
