// Registers the classes of all seven class tables with the class factory
// once per test program, in the order the module's entry registers them.
#include <gtest/gtest.h>

#include "config/ConfigClasses.h"
#include "driver/DriverClasses.h"
#include "graphics/GraphicsClasses.h"
#include "model/ModelClasses.h"
#include "pdl/GeneratorClasses.h"
#include "printpath/PrintPathClasses.h"
#include "rw/RWLibraryClasses.h"

namespace {

class ClassTableEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    RegisterDriverClasses();
    RegisterPrintPathClasses();
    RegisterGraphicsClasses();
    RegisterGeneratorClasses();
    RegisterConfigClasses();
  }
  void TearDown() override {
    UnregisterConfigClasses();
    UnregisterGeneratorClasses();
    UnregisterGraphicsClasses();
    UnregisterPrintPathClasses();
    UnregisterDriverClasses();
    UnregisterModelClasses();
    RWUnregisterLibraryClasses();
  }
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new ClassTableEnvironment);

}  // namespace
