// The sample device model holds print-path and generator objects: their
// classes are registered for the driver object's tests too.
#include <gtest/gtest.h>

#include "pdl/GeneratorClasses.h"
#include "printpath/PrintPathClasses.h"

namespace {

class PrintPathClassesEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    RegisterPrintPathClasses();
    RegisterGeneratorClasses();
  }
  void TearDown() override {
    UnregisterGeneratorClasses();
    UnregisterPrintPathClasses();
  }
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new PrintPathClassesEnvironment);

}  // namespace
