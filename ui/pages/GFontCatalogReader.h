// GFontCatalogReader: reads the font descriptor file of one mass-storage
// font device, either into a device font list (the printer-resident fonts
// the driver core caches, disabled fonts left out) or entry by entry into a
// callback (every font, with its style suffix). A damaged file gives the
// fonts read before the damage, or none; it never reads past what the file
// holds.
#pragma once

#include "rw/RWCString.h"
#include "ui/pages/GMassStorageFontDevice.h"

class GDeviceFontList;
class GFontEntryFixedPart;

class GFontCatalogReader : public GMassStorageFontDevice {
 public:
  // Called per font: name with its style suffix, selection string, the
  // entry's fixed part and the caller's data; the results are summed.
  typedef int (*FontCallback)(const RWCString& name, const RWCString& selection, const GFontEntryFixedPart& fixed,
                              void* data);

  GFontCatalogReader(int deviceIndex, GDriverInstance* printer);
  ~GFontCatalogReader() override;

  // A new list (the caller owns it) with the device's id, stamped with the
  // header's revision, holding the enabled fonts; null when the file has no
  // header. Opens the file and reads the header when that was not done.
  virtual GDeviceFontList* ReadFontList();
  // Passes every font, disabled ones included, to the callback: the sum of
  // its results.
  virtual int ForEachFont(FontCallback callback, void* data);

 protected:
  // Opens the file when it is not open and reads its header when there is
  // none yet; the header or null.
  const GFontDescriptorHeader* EnsureHeader();
  // Walks the entries into the list (list mode) or the callback.
  void WalkEntries(GDeviceFontList* list);

  FontCallback callback_ = nullptr;
  void* callbackData_ = nullptr;
  int total_ = 0;
};
