// Registers every persistent class the sample device model holds, once per
// test program, as the module does at start-up.
#include <gtest/gtest.h>

#include "graphics/GraphicsClasses.h"
#include "model/ModelClasses.h"
#include "pdl/GeneratorClasses.h"
#include "printpath/PrintPathClasses.h"
#include "rw/RWLibraryClasses.h"

namespace {

class ToolsClassesEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    RegisterPrintPathClasses();
    RegisterGraphicsClasses();
    RegisterGeneratorClasses();
  }
  void TearDown() override {
    UnregisterGeneratorClasses();
    UnregisterGraphicsClasses();
    UnregisterPrintPathClasses();
    UnregisterModelClasses();
    RWUnregisterLibraryClasses();
  }
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new ToolsClassesEnvironment);

}  // namespace
