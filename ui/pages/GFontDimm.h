// GFontDimm: edits and writes the font descriptor file of one mass-storage
// font device, as the font DIMM installer and the Configure Font DIMMs
// dialog use it: the DIMM's name and vendor, and its fonts, each of which
// can be added, removed, enabled or disabled. The existing entries are read
// once, on first need; a write replaces the whole file, increments its
// revision and records the file in the device registry.
#pragma once

#include <list>

#include "rw/RWCString.h"
#include "rw/RWWString.h"
#include "ui/pages/FontDescriptorFormat.h"
#include "ui/pages/GFontCatalogReader.h"

class GFontDimm : public GFontCatalogReader {
 public:
  GFontDimm(int deviceIndex, GDriverInstance* printer);
  ~GFontDimm() override;

  // The header of the device's file, or a new one when the device is not
  // enabled (its file is then a new one, named by MakeFileName) or the file
  // has none: vendor "QV Tensbury Lab", DIMM name "New Font DIMM".
  const GFontDescriptorHeader* ReadHeader(int32_t* deviceId) override;

  // Writes the file when something changed since it was read or written.
  virtual void Flush();
  // 1 when a font of exactly that name (style suffix included) is listed.
  virtual int ContainsFont(const RWCString& name);
  // enable 1 enables the font, anything else disables it: 1 when found.
  virtual int SetFontEnabled(const RWCString& name, int enable);
  // Adds a font in front of the others: 1 when added; 0 when the name is
  // taken, the fixed part is not whole or a text is too long for the file.
  virtual int AddFont(const RWCString& name, const RWCString& selection, const GFontEntryFixedPart& fixed);
  virtual int RemoveFont(const RWCString& name);
  // Writes the file anew from the fonts held: 1 when written and recorded.
  virtual int WriteFile();
  // Names a new file for the device in the driver directory and takes it
  // as the device's path: the path.
  virtual RWWString MakeFileName();

  void SetDimmName(const RWWString& name);
  const RWWString& GetDimmName() const { return dimmName_; }
  const RWWString& GetVendor() const { return vendor_; }
  int GetFontCount() const { return count_; }
  bool IsModified() const { return modified_; }

 private:
  struct Entry {
    RWCString name;
    RWCString selection;
    GFontEntryFixedPart fixed;
  };

  // Reads the file's entries once.
  void EnsureLoaded();
  std::list<Entry>::iterator Find(const RWCString& name);
  static int LoadEntry(const RWCString& name, const RWCString& selection, const GFontEntryFixedPart& fixed,
                       void* data);

  RWWString vendor_;
  RWWString dimmName_;
  bool loaded_ = false;
  bool loading_ = false;
  int count_ = 0;
  bool modified_ = false;
  // This object named the file itself (the device was not enabled).
  bool newFileNamed_ = false;
  std::list<Entry> entries_;
};
