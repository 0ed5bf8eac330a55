// GDisplayStringLoader: turns a GDisplayString into the text shown to the
// user. The literal text is shown unless the string names a resource that
// loads: from the module the string names (loaded for the look-up and
// released after it), or from the fallback module (the driver's own) when
// it names none.
#pragma once

#include "model/GDisplayString.h"
#include "rw/RWCString.h"
#include "rw/RWWString.h"
#include "win32/Types.h"

class GDisplayStringLoader {
 public:
  // fallback: the module whose string table is used when the string names
  // no module (null: none). The string is borrowed.
  GDisplayStringLoader(HINSTANCE fallback, const GDisplayString* string);
  virtual ~GDisplayStringLoader();

  // Binds the string and returns GetText.
  RWWString& Resolve(RWWString& out, const GDisplayString* string);
  // out = the display text of the bound string (empty when none is bound).
  RWWString& GetText(RWWString& out) const;
  // Loads the string resource id from the named module; the number of
  // characters loaded, 0 when the module or the string is missing.
  int LoadFromLibrary(const RWCString& moduleName, unsigned id, RWWString& out) const;
  // The same from a loaded module; 0 for a null module.
  int LoadFromModule(HINSTANCE module, unsigned id, RWWString& out) const;

 private:
  HINSTANCE fallback_;
  const GDisplayString* string_;
};
