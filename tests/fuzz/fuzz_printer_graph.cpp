// Fuzz target: arbitrary bytes restored as graphs of print-path objects (the
// printer, peripheral composites, the PJL peripheral and the generators with
// their states and configurations) through the file form and each kind of
// virtual input stream, as the driver's data file is read; the checks are
// those of FuzzGraphSupport.
#include <cstddef>
#include <cstdint>

#include "model/ModelClasses.h"
#include "pdl/GeneratorClasses.h"
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
    RegisterGeneratorClasses();
    return w32test::MakeDirectories(u"C:\\FuzzPrinter");
  }();
  if (!ready) return 0;
  qvfuzz::RestoreGraphs(data, size, "C:\\FuzzPrinter");
  return 0;
}
