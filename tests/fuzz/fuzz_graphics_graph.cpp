// Fuzz target: arbitrary bytes restored as graphs of graphics-model objects
// (colours, paints, palettes, dither matrices, graphics objects with their
// paths and shapes, and the graphic-state attributes: transforms, clips,
// fill modes, raster operations, pens, brushes, caps and joins) through the
// file form and each kind of virtual input stream, as the device model's
// matrices and the spooled graphics are read; the checks are those of
// FuzzGraphSupport.
#include <cstddef>
#include <cstdint>

#include "graphics/GraphicsClasses.h"
#include "model/ModelClasses.h"
#include "printpath/PrintPathClasses.h"
#include "rw/RWLibraryClasses.h"
#include "support/FuzzGraphSupport.h"
#include "win32/File.h"
#include "w32test/Testing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    RWSetErrorHandler(&qvfuzz::OnGraphRestoreError);
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    RegisterPrintPathClasses();
    RegisterGraphicsClasses();
    return w32test::MakeDirectories(u"C:\\FuzzGraphics");
  }();
  if (!ready) return 0;
  qvfuzz::RestoreGraphs(data, size, "C:\\FuzzGraphics");
  return 0;
}
