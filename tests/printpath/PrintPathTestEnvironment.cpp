// Registers the library's, the model's and the print path's classes with
// the class factory once per test program, as the module does at start-up.
#include <gtest/gtest.h>

#include "model/ModelClasses.h"
#include "printpath/PrintPathClasses.h"
#include "rw/RWLibraryClasses.h"

namespace {

class PrintPathClassesEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    RegisterPrintPathClasses();
  }
  void TearDown() override {
    UnregisterPrintPathClasses();
    UnregisterModelClasses();
    RWUnregisterLibraryClasses();
  }
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new PrintPathClassesEnvironment);

}  // namespace
