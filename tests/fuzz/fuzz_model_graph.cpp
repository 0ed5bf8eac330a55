// Fuzz target: arbitrary bytes restored as graphs of model objects (the
// composite, counted handles and a small test leaf) through the file form
// and each kind of virtual input stream; the checks are those of
// FuzzGraphSupport.
#include <cstddef>
#include <cstdint>

#include "model/ModelClasses.h"
#include "rw/RWFactory.h"
#include "rw/RWLibraryClasses.h"
#include "support/FuzzGraphSupport.h"
#include "support/ModelTestClasses.h"
#include "win32/File.h"
#include "w32test/Testing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    RWSetErrorHandler(&qvfuzz::OnGraphRestoreError);
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    RWFactoryAddClass(&TestLeafCreate, TestLeafClassId, RWStringID("TestLeaf"));
    RWFactoryAddClass(&TestRefusingCompositeCreate, TestRefusingCompositeClassId,
                      RWStringID("TestRefusingComposite"));
    return w32test::MakeDirectories(u"C:\\Fuzz");
  }();
  if (!ready) return 0;
  qvfuzz::RestoreGraphs(data, size, "C:\\Fuzz");
  return 0;
}
