// Registers the library's, the model's, the print path's and the graphics
// model's classes with the class factory once per test program, as the
// module does at start-up, and the test font classes.
#include <gtest/gtest.h>

#include "graphics/GraphicsClasses.h"
#include "model/ModelClasses.h"
#include "printpath/PrintPathClasses.h"
#include "rw/RWLibraryClasses.h"
#include "support/FontTestClasses.h"

namespace {

class GraphicsClassesEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    RegisterPrintPathClasses();
    RegisterGraphicsClasses();
    qvtest::RegisterFontTestClasses();
  }
  void TearDown() override {
    qvtest::UnregisterFontTestClasses();
    UnregisterGraphicsClasses();
    UnregisterPrintPathClasses();
    UnregisterModelClasses();
    RWUnregisterLibraryClasses();
  }
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new GraphicsClassesEnvironment);

}  // namespace
